#pragma once
// QIRN_Geometry: what a mesh-kind actor draws. The imported data (frame tree and meshes) is shared
// through the world's geometry tree, one entry per file name; each geometry adds its own pose
// and placement (time, weight lists, transform, bounds), its shader slot in the shared polygon
// groups and the list of renderer meshes made for it.

#include "qirn_binarytree.h"
#include "qirn_errors.h"
#include "qirn_frame.h"
#include "qirn_geometrydata.h"
#include "qirn_math.h"
#include "qirn_quaternion.h"
#include "qirn_rendermesh.h"

#include <cstdint>
#include <string>

class QIRN_World;

typedef QIRN_BINARYTREE<QIRN_GeometryData> QIRN_GeometryTree;
typedef QIRN_LINKEDLIST<QIRN_RenderMesh> QIRN_RenderMeshList;
// How a geometry reaches its world's geometry tree; the world installs it.
typedef QIRN_GeometryTree* (*QIRN_GeometryTreeSource)(QIRN_World* poWorld);

class QIRN_Geometry : public QIRN_GeometryData
{
public:
    explicit QIRN_Geometry(QIRN_World* pWorld);
    virtual ~QIRN_Geometry();

    QIRN_Geometry(const QIRN_Geometry&) = delete;
    QIRN_Geometry& operator=(const QIRN_Geometry&) = delete;

    // Imports the file, or takes the data already imported under its lower-cased name.
    virtual QIRN_ErrorCode Load(std::string szFileName);

    // Reads a viseme file into named poses of the skeleton's frames; only visemes named in the
    // weight list (and "Neutral") are taken.
    QIRN_ErrorCode LoadVisemes(std::string szVisemeFilename, const QIRN_WeightListNode* pVisemeWeights);

    // Takes the other's name and data pointers; the renderer meshes of the old data are dropped.
    void SetGeometryData(const QIRN_GeometryData& roData);
    // Poses the frame tree, places the meshes and gathers the bounds.
    void Update();

    void SetVisemeWeights(const QIRN_WeightListNode* pWeights) { m_pVisemeWeights = pWeights; }
    void SetGestureWeights(const QIRN_WeightListNode* pWeights) { m_pGestureWeights = pWeights; }
    void SetTransform(QIRN_Matrix4 oTransform) { m_oTransform = oTransform; }
    void SetTime(float fTime) { m_fTime = fTime; }
    float GetTime() const { return m_fTime; }
    uint8_t GetShaderIndex() const { return static_cast<uint8_t>(m_iShaderIndex & 0xFF); }
    void SetTesselationFactor(float fFactor) { m_fTesselationFactor = fFactor; }
    float GetTesselationFactor() const { return m_fTesselationFactor; }
    QIRN_BoundingSphere GetBoundingSphere(bool* pbValid = nullptr) const;
    QIRN_BoundingBox GetBoundingBox(bool* pbValid = nullptr) const;
    QIRN_World* GetWorld() const { return m_world; }

    // Renderer meshes: listed, never freed here.
    void AddRenderMesh(std::string szMeshName, QIRN_RenderMesh* poMesh);
    QIRN_RenderMeshList::Node* GetFirstRenderMeshNode() const;
    void ReleaseRenderMeshes();

    static void SetGeometryTreeSource(QIRN_GeometryTreeSource pfnSource);
    // After a lost device: every geometry of the world drops its renderer meshes.
    static void ReleaseWorldRenderMeshes(QIRN_World* poWorld);

    QIRN_World* m_world;
    const QIRN_WeightListNode* m_pVisemeWeights;
    const QIRN_WeightListNode* m_pGestureWeights;
    float m_fTesselationFactor;
    QIRN_Matrix4 m_oTransform;
    float m_fTime;
    int32_t m_iShaderIndex;
    int32_t m_iBoundsDisplayMode;
    QIRN_RenderMeshList* m_poRenderMeshList;
    QIRN_BoundingBox m_oBoundingBox;
    bool m_bBoundingBoxValid;
    QIRN_BoundingSphere m_oBoundingSphere;
    bool m_bBoundingSphereValid;
    int32_t m_iFrustumCullingMode;
    int32_t m_iInterpolationType;

private:
    // Shader slots are handed to the renderers as a byte.
    bool TakeShaderIndex(int iIndex);
};
