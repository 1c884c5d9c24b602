#include "qirn_geometry.h"

#include "qirn_debug.h"
#include "qirn_dmk.h"
#include "qirn_meshdata.h"
#include "qirn_settings.h"
#include "qirn_skeleton.h"
#include "qirn_string.h"
#include "qirn_xfile.h"

#include <algorithm>
#include <new>
#include <set>

namespace
{
QIRN_GeometryTreeSource g_pfnGeometryTree = nullptr;

// Every live geometry, so that a lost device can reach the renderer meshes of a whole world.
std::set<QIRN_Geometry*>& LiveGeometries()
{
    static std::set<QIRN_Geometry*> oLive;
    return oLive;
}

// One face-model importer for the whole run: its mesh counter names meshes across files.
QIRN_DMK& FaceModelImporter()
{
    static QIRN_DMK oImporter;
    return oImporter;
}
} // namespace

QIRN_Geometry::QIRN_Geometry(QIRN_World* pWorld)
    : m_world(pWorld), m_pVisemeWeights(nullptr), m_pGestureWeights(nullptr), m_fTesselationFactor(1.0f),
      m_fTime(0.0f), m_iShaderIndex(0), m_iBoundsDisplayMode(0), m_poRenderMeshList(nullptr),
      m_bBoundingBoxValid(false), m_bBoundingSphereValid(false), m_iFrustumCullingMode(0),
      m_iInterpolationType(0)
{
    Matrix_Identity(&m_oTransform);
    m_oBoundingBox.m_vMin = QIRN_Vector4(0.0f, 0.0f, 0.0f, 1.0f);
    m_oBoundingBox.m_vMax = QIRN_Vector4(0.0f, 0.0f, 0.0f, 1.0f);
    m_oBoundingSphere.m_fRadius = 0.0f;
    m_oBoundingSphere.m_vCenter = QIRN_Vector4(0.0f, 0.0f, 0.0f, 1.0f);
    LiveGeometries().insert(this);
}

QIRN_Geometry::~QIRN_Geometry()
{
    LiveGeometries().erase(this);
    // The shared data belongs to the world's tree entry.
    m_poSkeleton = nullptr;
    m_poMeshList = nullptr;
    m_pvReplacedSkeletons = nullptr;
    ReleaseRenderMeshes();
}

void QIRN_Geometry::SetGeometryTreeSource(QIRN_GeometryTreeSource pfnSource)
{
    g_pfnGeometryTree = pfnSource;
}

void QIRN_Geometry::ReleaseWorldRenderMeshes(QIRN_World* poWorld)
{
    for (QIRN_Geometry* poGeometry : LiveGeometries())
    {
        if (poGeometry->m_world == poWorld)
        {
            poGeometry->ReleaseRenderMeshes();
        }
    }
}

bool QIRN_Geometry::TakeShaderIndex(int iIndex)
{
    m_iShaderIndex = iIndex;
    if (iIndex > 255)
    {
        dprintf("*** QIRN_Geometry::Load() - Shader index %d does not fit in a byte\n", iIndex);
        return false;
    }
    return iIndex != -1;
}

QIRN_ErrorCode QIRN_Geometry::Load(std::string szFileName)
{
    if (!m_world)
    {
        dprintf("*** QIRN_Geometry::Load() - m_world is NULL\n");
        return GENERICERROR;
    }
    QIRN_GeometryTree* poTree = g_pfnGeometryTree ? g_pfnGeometryTree(m_world) : nullptr;
    if (!poTree)
    {
        dprintf("*** QIRN_Geometry::Load() - m_world has no geometry tree\n");
        return GENERICERROR;
    }
    QIRN_String szKey;
    szKey.assign(szFileName);
    szKey = szKey.MakeLower();
    std::string szExtension = QIRN_GetFileExtension(szKey);

    QIRN_GeometryTree::Node* pNode = poTree->FindNode(szKey);
    if (pNode)
    {
        QIRN_GeometryData* poShared = pNode->m_pData;
        if (!poShared || !TakeShaderIndex(poShared->GenerateShaderIndex()))
        {
            return GENERICERROR;
        }
        SetGeometryData(*poShared);
        return OK;
    }

    std::string szPath = QIRN_FindFile(szKey, "");
    if (szPath.empty())
    {
        dprintf("*** QIRN_Geometry::Load() - Filename is EMPTY\n");
        return FILENOTFOUND;
    }
    // Data this geometry held before belongs to another tree entry: the import must neither add
    // to it nor free it.
    QIRN_GeometryData oNothing;
    SetGeometryData(oNothing);
    QIRN_ErrorCode eResult = GENERICERROR;
    if (szExtension == "x")
    {
        QIRN_XFILE& roImporter = QIRN_SharedXFileImporter();
        roImporter.m_poGeometry = this;
        eResult = roImporter.Load(szPath);
        roImporter.m_poGeometry = nullptr;
    }
    else if (szExtension == "dmk")
    {
        QIRN_DMK& roImporter = FaceModelImporter();
        roImporter.m_geometry = this;
        eResult = roImporter.Load(szPath);
        roImporter.m_geometry = nullptr;
    }

    if (!TakeShaderIndex(GenerateShaderIndex()))
    {
        // Nobody else will ever own what the import left behind.
        FreeData();
        return GENERICERROR;
    }
    SetName(szKey);
    QIRN_GeometryData* poShared = new (std::nothrow) QIRN_GeometryData(*this);
    if (!poShared || !poTree->InsertNode(szKey, poShared))
    {
        dprintf("*** QIRN_Geometry::Load() - Can't share the data of \"%s\"\n", szKey.c_str());
        if (poShared)
        {
            poShared->m_poSkeleton = nullptr;
            poShared->m_poMeshList = nullptr;
            poShared->m_pvReplacedSkeletons = nullptr;
            delete poShared;
        }
        FreeData();
        return GENERICERROR;
    }
    return eResult;
}

void QIRN_Geometry::SetGeometryData(const QIRN_GeometryData& roData)
{
    m_szName = roData.m_szName;
    m_poSkeleton = roData.m_poSkeleton;
    m_poMeshList = roData.m_poMeshList;
    m_pvReplacedSkeletons = roData.m_pvReplacedSkeletons;
    ReleaseRenderMeshes();
}

void QIRN_Geometry::Update()
{
    // Earlier top-level trees of the file first, in file order: their frames may be the bones of
    // a mesh held anywhere in the file.
    if (m_pvReplacedSkeletons)
    {
        for (QIRN_Skeleton* poReplaced : *m_pvReplacedSkeletons)
        {
            if (poReplaced)
            {
                poReplaced->Update(m_fTime, m_pVisemeWeights, m_pGestureWeights, m_iInterpolationType);
            }
        }
    }
    if (m_poSkeleton)
    {
        m_poSkeleton->Update(m_fTime, m_pVisemeWeights, m_pGestureWeights, m_iInterpolationType);
    }
    m_bBoundingBoxValid = false;
    m_bBoundingSphereValid = false;
    for (QIRN_MeshList::Node* pNode = GetFirstMeshNode(); pNode; pNode = pNode->m_pNext)
    {
        QIRN_MeshData* poMesh = pNode->m_pData;
        if (!poMesh)
        {
            continue;
        }
        poMesh->SetLocalMatrix(m_oTransform);
        if (m_iFrustumCullingMode == 0)
        {
            continue;
        }
        poMesh->UpdateBounds(m_iFrustumCullingMode);
        QIRN_BoundingBox oBox = poMesh->GetBoundingBox();
        if (!m_bBoundingBoxValid)
        {
            m_oBoundingBox.Copy(oBox);
            m_bBoundingBoxValid = true;
        }
        else
        {
            m_oBoundingBox.Union(oBox);
        }
    }
    m_oBoundingSphere.FromBox(m_oBoundingBox);
    m_bBoundingSphereValid = true;
}

QIRN_BoundingSphere QIRN_Geometry::GetBoundingSphere(bool* pbValid) const
{
    if (pbValid)
    {
        *pbValid = m_bBoundingSphereValid;
    }
    return m_oBoundingSphere;
}

QIRN_BoundingBox QIRN_Geometry::GetBoundingBox(bool* pbValid) const
{
    if (pbValid)
    {
        *pbValid = m_bBoundingBoxValid;
    }
    return m_oBoundingBox;
}

void QIRN_Geometry::AddRenderMesh(std::string szMeshName, QIRN_RenderMesh* poMesh)
{
    if (!m_poRenderMeshList)
    {
        m_poRenderMeshList = new (std::nothrow) QIRN_RenderMeshList(true);
        if (!m_poRenderMeshList)
        {
            dprintf(
                "*** QIRN_Geometry::AddRenderMesh() - Memory allocation for the render mesh list failed\n");
            return;
        }
    }
    m_poRenderMeshList->AppendNode(szMeshName, poMesh);
}

QIRN_RenderMeshList::Node* QIRN_Geometry::GetFirstRenderMeshNode() const
{
    return m_poRenderMeshList ? m_poRenderMeshList->m_pHead : nullptr;
}

void QIRN_Geometry::ReleaseRenderMeshes()
{
    if (!m_poRenderMeshList)
    {
        return;
    }
    // The renderer meshes belong to the renderer's mesh tree.
    m_poRenderMeshList->ReleaseAllNodes();
    delete m_poRenderMeshList;
    m_poRenderMeshList = nullptr;
}
