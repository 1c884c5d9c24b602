#include "qirn_meshactor.h"

#include "qirn_animinterface.h"
#include "qirn_debug.h"
#include "qirn_geometry.h"
#include "qirn_meshdata.h"
#include "qirn_objectkeywords.h"
#include "qirn_settings.h"
#include "qirn_shader.h"
#include "qirn_world.h"

#include <new>
#include <vector>

namespace
{
typedef QIRN_MeshActor M;

// Reader's order; the writer's is the last column. "MeshFilename" is read and written on its own:
// it loads the geometry, so it must come after the values the geometry takes at load.
const std::vector<QIRN_KeywordField<M>>& MeshFields()
{
    static const std::vector<QIRN_KeywordField<M>> fields = {
        QIRN_TableField<M>("Scale", static_cast<QIRN_Vector4 M::*>(&M::m_vScale),
                           "*** QIRN_MeshActor::InterpretKeyWord():Error reading m_vScale\n", 1),
        QIRN_TableField<M>("AnimationOffset", &M::m_fAnimationOffset,
                           "*** QIRN_MeshActor::InterpretKeyWord():Error reading m_fAnimationOffset\n", 3),
        QIRN_TableField<M>("Render", &M::m_bRender,
                           "*** QIRN_MeshActor::InterpretKeyWord():Error reading m_bRender\n", 2),
        QIRN_TableField<M>("FrustumCullingMode", &M::m_iFrustumCullingMode,
                           "*** QIRN_MeshActor::InterpretKeyWord():Error reading BoundObjectMode\n", 4),
        QIRN_TableField<M>("InterpolationType", &M::m_dwInterpolationType, QIRN_VALUE_UNSIGNED,
                           "*** QIRN_MeshActor::InterpretKeyWord():Error reading InterpolationType\n", 5),
    };
    return fields;
}

// Calls f (group) for every polygon group of every mesh of the geometry, in list order, until it
// answers false.
template <class F> void ForEachPolygonGroup(QIRN_Geometry* poGeometry, F f)
{
    for (QIRN_MeshList::Node* pNode = poGeometry->GetFirstMeshNode(); pNode; pNode = pNode->m_pNext)
    {
        if (!pNode->m_pData)
        {
            continue;
        }
        for (PolygonGroup& roGroup : pNode->m_pData->m_oPolygonGroups)
        {
            if (!f(roGroup))
            {
                return;
            }
        }
    }
}
} // namespace

QIRN_MeshActor::QIRN_MeshActor(std::string szClassName)
    : QIRN_BaseActor(szClassName), m_bRender(1), m_pMesh(nullptr), m_iFrustumCullingMode(0),
      m_dwInterpolationType(0), m_fAnimationOffset(0.0f), m_poAnimInterface(nullptr)
{
}

QIRN_MeshActor::~QIRN_MeshActor()
{
    QIRN_MeshActor::Destroy();
}

QIRN_ErrorCode QIRN_MeshActor::Destroy()
{
    ReleaseShaderSlot();
    delete m_pMesh;
    m_pMesh = nullptr;
    m_szMeshFilename.clear();
    delete m_poAnimInterface;
    m_poAnimInterface = nullptr;
    return QIRN_BaseObject::Destroy();
}

void QIRN_MeshActor::ReleaseShaderSlot()
{
    if (!m_pMesh || m_pMesh->m_iShaderIndex < 0)
    {
        return;
    }
    const int32_t iIndex = m_pMesh->GetShaderIndex();
    ForEachPolygonGroup(m_pMesh,
                        [iIndex](PolygonGroup& roGroup)
                        {
                            // SetShader takes no NULL: the slot is emptied in place.
                            if (iIndex < roGroup.GetShaderCount())
                            {
                                roGroup.m_ppoShaderSlots[iIndex] = nullptr;
                            }
                            return true;
                        });
}

QIRN_ErrorCode QIRN_MeshActor::Update(float fDeltaTime)
{
    UpdateAnimation(fDeltaTime);
    return QIRN_BaseActor::Update(fDeltaTime);
}

QIRN_ErrorCode QIRN_MeshActor::UpdateAnimation(float fDeltaTime)
{
    if (!m_pMesh)
    {
        dprintf("*** QIRN_MeshActor::UpdateAnimation() - Actor %s has no mesh to animate\n",
                m_szName.c_str());
        return GENERICERROR;
    }
    float fTime = m_fTime;
    if (m_poAnimInterface)
    {
        m_poAnimInterface->Update(fDeltaTime);
        fTime = m_poAnimInterface->GetTime();
    }
    // A kind whose placement may leave the matrix alone (a logo without a device) hands on the identity.
    QIRN_Matrix4 transform;
    Matrix_Identity(&transform);
    GetTransform(&transform);
    m_pMesh->SetTime(fTime + m_fAnimationOffset);
    m_pMesh->SetTransform(transform);
    return OK;
}

QIRN_ErrorCode QIRN_MeshActor::InterpretKeyWord(std::string szKeyWord, QIRN_File& roFile)
{
    if (szKeyWord.empty())
    {
        dprintf("*** QIRN_MeshActor::InterpretKeyWord(): szKeyWord is invalid\n");
        return GENERICERROR;
    }
    if (!roFile)
    {
        dprintf("*** QIRN_MeshActor::InterpretKeyWord(): oFile is invalid\n");
        return GENERICERROR;
    }
    QIRN_ErrorCode result = QIRN_InterpretTableKeyword(roFile, *this, MeshFields(), szKeyWord);
    if (result != QIRN_KEYWORD_NOT_HANDLED)
    {
        return result;
    }
    if (szKeyWord == "MeshFilename")
    {
        return LoadMesh(roFile);
    }
    return QIRN_BaseActor::InterpretKeyWord(szKeyWord, roFile);
}

QIRN_ErrorCode QIRN_MeshActor::LoadMesh(QIRN_File& roFile)
{
    if (roFile.ReadStringBlock(m_szMeshFilename) != OK)
    {
        dprintf("*** QIRN_MeshActor::InterpretKeyWord():Error reading m_szMeshFilename\n");
        return FILEREAD_ERROR;
    }
    if (m_szMeshFilename.empty())
    {
        dprintf(
            "*** QIRN_MeshActor::InterpretKeyWord(): m_szMeshFilename is NULL. Can't Load Mesh for Actor\n");
        return GENERICERROR;
    }
    m_szMeshFilename = QIRN_GetFileTitle(m_szMeshFilename) + "." + QIRN_GetFileExtension(m_szMeshFilename);
    if (!m_poWorld)
    {
        dprintf("*** QIRN_MeshActor::InterpretKeyWord(): m_pWorld is NULL. Can't Load Mesh for Actor\n");
        return GENERICERROR;
    }
    // A second "MeshFilename" replaces the geometry; the first would otherwise be lost.
    ReleaseShaderSlot();
    delete m_pMesh;
    m_pMesh = m_poWorld->CreateGeometry(m_poWorld);
    if (!m_pMesh || m_pMesh->Load(m_szMeshFilename) != OK)
    {
        dprintf("*** QIRN_MeshActor::InterpretKeyWord(): Load Mesh FAILED!\n");
        dprintf("*** Mesh Filename: %s\n", m_szMeshFilename.c_str());
        return GENERICERROR;
    }
    m_pMesh->m_iFrustumCullingMode = m_iFrustumCullingMode;
    m_pMesh->m_iInterpolationType = static_cast<int32_t>(m_dwInterpolationType);
    return HandleShaderAssgiments();
}

QIRN_ErrorCode QIRN_MeshActor::SaveContents(QIRN_File& roFile)
{
    if (!roFile)
    {
        dprintf("*** QIRN_MeshActor::SaveContents(): roFile is invalid\n");
        return GENERICERROR;
    }
    QIRN_ErrorCode result = QIRN_BaseActor::SaveContents(roFile);
    QIRN_WriteTableFields(roFile, *this, MeshFields());
    if (m_pMesh)
    {
        roFile.WriteBlock("MeshFilename", QIRN_GetFileTitle(m_szMeshFilename) + "." +
                                              QIRN_GetFileExtension(m_szMeshFilename));
    }
    else
    {
        dprintf(
            "*** QIR_MeshActor::SaveContents(): m_pMesh is invalid. Can't save any information about it\n");
    }
    return result;
}

QIRN_ErrorCode QIRN_MeshActor::SetShaderAssignment(std::string szSlotName, QIRN_Shader* poShader)
{
    if (QIRN_BaseActor::SetShaderAssignment(szSlotName, poShader) != OK)
    {
        return GENERICERROR;
    }
    if (!m_pMesh)
    {
        return OK;
    }
    const int32_t iIndex = m_pMesh->GetShaderIndex();
    bool bRefused = false;
    ForEachPolygonGroup(m_pMesh,
                        [&](PolygonGroup& roGroup)
                        {
                            if (roGroup.m_szName == szSlotName && !roGroup.SetShader(poShader, iIndex))
                            {
                                bRefused = true;
                            }
                            return !bRefused;
                        });
    return bRefused ? GENERICERROR : OK;
}

QIRN_ErrorCode QIRN_MeshActor::HandleShaderAssgiments()
{
    if (!m_pMesh)
    {
        return GENERICERROR;
    }
    if (m_pMesh->m_iShaderIndex < 0 || m_pMesh->m_iShaderIndex > 255)
    {
        dprintf("QIRN_MeshActor :: HandleShaderAssgiments() - Unable to get a valid shader index\n");
        return GENERICERROR;
    }
    const int32_t iIndex = m_pMesh->GetShaderIndex();
    QIRN_BINARYTREE<QIRN_Shader>* poTree = m_poWorld ? m_poWorld->GetShaderTree() : nullptr;
    ForEachPolygonGroup(
        m_pMesh,
        [&](PolygonGroup& roGroup)
        {
            const std::string szName = roGroup.m_szName;
            QIRN_Shader* poShader = GetShaderFromSlot(szName);
            if (poShader)
            {
                roGroup.SetShader(poShader, iIndex);
                return true;
            }
            if (roGroup.GetShader(iIndex))
            {
                return true;
            }
            QIRN_BINARYTREENODE<QIRN_Shader>* poNode = poTree ? poTree->FindNode(szName) : nullptr;
            poShader = poNode ? poNode->m_pData : nullptr;
            if (!poShader && iIndex >= 1)
            {
                poShader = roGroup.GetShader(iIndex == 1 ? 0 : 1);
            }
            if (!poShader)
            {
                poShader = new (std::nothrow) QIRN_Shader();
                if (!poShader)
                {
                    dprintf(
                        "*** QIRN_MeshActor::HandleShaderAssgiments() - Memory allocation for shader '%s' "
                        "failed\n",
                        szName.c_str());
                    return true;
                }
                *poShader = roGroup.m_oShader;
                // The world finds a shader's use count by its name.
                poShader->SetName(szName);
                // Filed before any group points at it, so a refused insert leaves nothing dangling.
                if (!poTree || !poTree->InsertNode(szName, poShader))
                {
                    dprintf("*** QIRN_MeshActor::HandleShaderAssgiments() - Can't add shader '%s' to the "
                            "world\n",
                            szName.c_str());
                    delete poShader;
                    return true;
                }
                roGroup.SetShader(poShader, iIndex);
            }
            SetShaderAssignment(szName, poShader);
            return true;
        });
    return OK;
}
