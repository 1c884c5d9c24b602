#include "qirn_geometrydata.h"

#include "qirn_debug.h"
#include "qirn_meshdata.h"
#include "qirn_skeleton.h"

#include <new>

QIRN_GeometryData::QIRN_GeometryData()
    : m_szName(), m_poSkeleton(nullptr), m_poMeshList(nullptr), m_pvReplacedSkeletons(nullptr)
{
}

QIRN_GeometryData::QIRN_GeometryData(const QIRN_GeometryData& other)
    : m_szName(other.m_szName), m_poSkeleton(other.m_poSkeleton), m_poMeshList(other.m_poMeshList),
      m_pvReplacedSkeletons(other.m_pvReplacedSkeletons)
{
}

QIRN_GeometryData::~QIRN_GeometryData()
{
    FreeData();
    m_szName.clear();
}

void QIRN_GeometryData::FreeData()
{
    delete m_poSkeleton;
    m_poSkeleton = nullptr;
    if (m_pvReplacedSkeletons)
    {
        for (QIRN_Skeleton* poSkeleton : *m_pvReplacedSkeletons)
        {
            delete poSkeleton;
        }
        delete m_pvReplacedSkeletons;
        m_pvReplacedSkeletons = nullptr;
    }
    if (m_poMeshList)
    {
        m_poMeshList->DeleteAllNodes();
        delete m_poMeshList;
        m_poMeshList = nullptr;
    }
}

void QIRN_GeometryData::SetSkeleton(QIRN_Skeleton* poSkeleton)
{
    if (!poSkeleton || poSkeleton == m_poSkeleton)
    {
        return;
    }
    if (m_poSkeleton)
    {
        if (!m_pvReplacedSkeletons)
        {
            m_pvReplacedSkeletons = new (std::nothrow) std::vector<QIRN_Skeleton*>();
        }
        if (m_pvReplacedSkeletons)
        {
            m_pvReplacedSkeletons->push_back(m_poSkeleton);
        }
        else
        {
            dprintf("*** QIRN_GeometryData::SetSkeleton() - Can't keep the replaced skeleton\n");
        }
    }
    m_poSkeleton = poSkeleton;
}

bool QIRN_GeometryData::AddMesh(QIRN_MeshData* poMesh)
{
    if (!poMesh)
    {
        return false;
    }
    if (!m_poMeshList)
    {
        m_poMeshList = new (std::nothrow) QIRN_MeshList(true);
        if (!m_poMeshList)
        {
            dprintf("*** QIRN_GeometryData::AddMesh() - Memory allocation for m_mesh_list failed\n");
            delete poMesh;
            return false;
        }
    }
    if (!m_poMeshList->InsertNode(poMesh->m_szName, poMesh))
    {
        delete poMesh;
        return false;
    }
    return true;
}

int QIRN_GeometryData::GenerateShaderIndex()
{
    if (!m_poMeshList)
    {
        dprintf(
            "*** QIRN_GeometryData::GenerateShaderIndex() - m_mesh_list is NULL. No Geometry Data Present\n");
        return -1;
    }
    int iIndex = -1;
    for (QIRN_MeshList::Node* pNode = m_poMeshList->m_pHead; pNode; pNode = pNode->m_pNext)
    {
        if (!pNode->m_pData)
        {
            continue;
        }
        for (PolygonGroup& roGroup : pNode->m_pData->m_oPolygonGroups)
        {
            int iSlot = roGroup.AddShader(nullptr);
            if (iSlot == -1)
            {
                return -1;
            }
            if (iIndex == -1)
            {
                iIndex = iSlot;
            }
            else if (iSlot != iIndex)
            {
                return -1;
            }
        }
    }
    return iIndex;
}
