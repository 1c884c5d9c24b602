#pragma once
// QIRN_Mesh_GL: the OpenGL device's drawable form of one engine mesh. Vertices and the index
// batches of every polygon group go into a render buffer in memory; skinned meshes are blended on
// the CPU from a palette of bone matrices before each draw and drawn in world space.

#include "qirn_errors.h"
#include "qirn_math.h"
#include "qirn_rendergroup.h"
#include "qirn_rendermesh.h"

#include <cstdint>
#include <list>
#include <vector>

class QIRN_Graphics_GL;
class QIRN_MeshData;
class QIRN_Render_Buffer_GL;
class PolygonGroup;

const int32_t QIRN_GL_PALETTESIZE = 256;

// A skinned vertex as the mesh keeps it: 52 bytes.
struct QIRN_SkinnedVertexGL
{
    float afPosition[3];
    float afWeights[3];
    uint32_t dwIndices; // palette index i in bits 8i to 8i+7
    float afNormal[3];
    uint32_t dwDiffuse;
    float afUV[2];
};

// The vertex the skinned draw sends: the blended position and normal, the texture coordinates,
// and the vertex's colour as three floats after them.
const uint32_t QIRN_GL_SKINNEDDRAWVERTEXSIZE = 64;

// Blends a point (or, for BlendNormal, a direction through each matrix's inverse transpose) from
// c palette matrices picked by the bytes of dwIndices. With n stored weights below c, the weight
// after them is 1 minus their sum.
void BlendPosition(const float* pfIn, const QIRN_Matrix4* paoPalette, uint32_t dwIndices, int iInfluences,
                   const float* pfWeights, int iWeights, float* pfOut);
void BlendNormal(const float* pfIn, const QIRN_Matrix4* paoPalette, uint32_t dwIndices, int iInfluences,
                 const float* pfWeights, int iWeights, float* pfOut);

// The matrix that turns directions as m turns points: the transpose of its inverse (m itself when
// it has none). The mesh keeps one per palette slot, made when the slot is set.
void ComputeNormalMatrix(const QIRN_Matrix4& roMatrix, QIRN_Matrix4& roNormal);

// Blends the stored vertices [dwFirst, dwEnd) into draw vertices (vertex v at
// pbyDraw + v x QIRN_GL_SKINNEDDRAWVERTEXSIZE): four influences, the fourth weighted 1 minus the
// three stored weights, points through the palette and normals through the normal palette. The
// same values as BlendPosition and BlendNormal give for every finite palette, to the last bit.
void BlendSkinnedVertices(const QIRN_SkinnedVertexGL* paoVertices, uint32_t dwFirst, uint32_t dwEnd,
                          const QIRN_Matrix4* paoPalette, const QIRN_Matrix4* paoNormals, uint8_t* pbyDraw);

class QIRN_Mesh_GL : public QIRN_RenderMesh
{
public:
    QIRN_Mesh_GL(QIRN_Graphics_GL* poGraphics, QIRN_MeshData* poMeshData, int32_t iShaderIndex);
    ~QIRN_Mesh_GL() override;
    QIRN_Mesh_GL(const QIRN_Mesh_GL&) = delete;
    QIRN_Mesh_GL& operator=(const QIRN_Mesh_GL&) = delete;

    QIRN_ErrorCode LoadShaders(int32_t iShaderIndex);
    // Draws every pass of every group; the pass index is not used.
    QIRN_ErrorCode Render(int32_t iShaderIndex, int32_t iPass);
    QIRN_MeshData* GetMeshQIRN() const { return m_poMeshData; }
    bool IsSkinned() const { return m_paoSkinnedVertices != nullptr; }

    QIRN_SkinnedVertexGL* m_paoSkinnedVertices;
    uint32_t m_dwNumSkinnedVertices;
    QIRN_Matrix4* m_paoPalette;
    // Each palette slot's normal matrix (ComputeNormalMatrix), set with the slot.
    QIRN_Matrix4* m_paoNormalPalette;
    QIRN_Render_Buffer_GL* m_poRenderBuffer;
    QIRN_Graphics_GL* m_poGraphics;
    QIRN_MeshData* m_poMeshData;
    int32_t m_iShaderIndex;
    QIRN_RenderGroup* m_poCurrentGroup;
    std::list<QIRN_RenderGroup> m_oRenderGroups;

private:
    QIRN_ErrorCode LoadVertexData();
    QIRN_ErrorCode LoadMeshData();
    QIRN_ErrorCode LoadSkinData();
    void FillVertices(uint8_t* pData, uint32_t dwFVF, uint32_t dwNumVertices);
    void FillSkinnedVertices();
    // The index array from the given batch set of every group; false when nothing is to draw.
    bool BuildGroups(int iSet, std::vector<int32_t>& rviIndices);
    void SetModelView();
    void UpdatePalette(const QIRN_RenderGroup& roGroup);
    void BlendVertices(const PolygonGroup& roGroup);
    QIRN_ErrorCode RenderGroup(QIRN_RenderGroup& roGroup);
};
