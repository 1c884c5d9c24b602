#pragma once
// SkinBench: the CPU skinning rate of the OpenGL meshes' vertex blending (the blend the mesh runs
// for a group: each bone's normal matrix once per palette update, then every vertex into its draw
// vertex) against a plain loop over the same skinned vertices and palette that inverts each bone's
// matrix once per pass. Both write the same blended position and normal; the bench checks that they agree. They
// blend with copies of the meshes' palettes, posed by the bench where a palette is still the
// identity, so that the check compares real transforms.

#include "qirn_math.h"

#include <cstdint>
#include <string>
#include <vector>

class QIRN_Graphics;
class QIRN_Mesh_GL;

struct SkinRates
{
    uint32_t uMeshes = 0;
    uint32_t uVertices = 0;
    // Blended vertices per second.
    double dEngineRate = 0.0;
    double dPlainRate = 0.0;
    // Largest difference of a blended position or normal component between the two.
    double dLargestDifference = 0.0;
    // Largest distance of an element of the meshes' own palettes from the identity, and the bone
    // entries of their polygon groups (what fills the palettes when the meshes are drawn).
    double dPaletteSpread = 0.0;
    uint32_t uBoneEntries = 0;
};

class SkinBench
{
public:
    // The skinned meshes the OpenGL device has built so far; false when it is not an OpenGL device.
    bool CollectMeshes(QIRN_Graphics* poGraphics);
    uint32_t CountVertices() const;
    // Blends every collected vertex with each method for about fSeconds each.
    SkinRates Measure(double dSeconds);

private:
    void EngineBlend(std::vector<float>& rvOut) const;
    void PlainBlend(std::vector<float>& rvOut) const;

    std::vector<QIRN_Mesh_GL*> m_vpoMeshes;
    std::vector<std::vector<QIRN_Matrix4>> m_vvoPalettes;
};
