// The world as the Direct3D 8 renderer draws it: meshes made on first use, lights, geometry with
// frustum culling, transparent polygon groups sorted by depth, and the debug drawings.
#include "qirn_graphics_dx8.h"

#include "qirn_cameraactor.h"
#include "qirn_convertenums_dx8.h"
#include "qirn_customactor.h"
#include "qirn_d3derror_dx8.h"
#include "qirn_debug.h"
#include "qirn_digimaskactor.h"
#include "qirn_engine.h"
#include "qirn_geometry.h"
#include "qirn_lightactor.h"
#include "qirn_lipsyncactor.h"
#include "qirn_logoactor.h"
#include "qirn_meshactor.h"
#include "qirn_skyboxactor.h"
#include "qirn_meshdata.h"
#include "qirn_sortedpolygongroup_dx8.h"
#include "qirn_world.h"

#include "d3dx8math.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

namespace
{
const UINT SORTED_MAXVERTICES = 30000;
const UINT SORTED_MAXTRIANGLES = 10000;
const UINT SORTED_INDEXBYTES = 300000;
// Processed vertices: position and RHW, two colours, four sets of four floats.
const DWORD SORTED_FVF = 0xAA04C4;
const UINT SORTED_STRIDE = 88;

// A triangle of a per-triangle sorted group: its three mesh indices and its depth.
struct SortRecord
{
    uint16_t awIndices[3];
    float fKey;
};
static_assert(sizeof(SortRecord) == 12, "sort records are 12 bytes");

int CompareDescending(const void* a, const void* b)
{
    const float fa = static_cast<const SortRecord*>(a)->fKey, fb = static_cast<const SortRecord*>(b)->fKey;
    return fa < fb ? 1 : (fa > fb ? -1 : 0);
}

int CompareAscending(const void* a, const void* b)
{
    return CompareDescending(b, a);
}

QIRN_Matrix4 Identity()
{
    QIRN_Matrix4 m;
    Matrix_Identity(&m);
    return m;
}

// Processed depth of a vertex: behind the eye (RHW at or below 0) counts as 0.
float DepthOfRHW(float fRHW)
{
    return fRHW > 0.0f ? 1.0f / fRHW : 0.0f;
}
} // namespace

// Meshes.

QIRN_ErrorCode QIRN_Graphics_DX8::LoadMesh(QIRN_MeshData* pMeshData, int iShaderIndex)
{
    if (!pMeshData)
    {
        dprintf("*** QIRN_Graphics_DX8::LoadMesh() - pMeshData is NULL\n");
        return GENERICERROR;
    }
    if (QIRN_Mesh_DX8* poMesh = GetMesh(pMeshData->m_szName))
    {
        poMesh->LoadShaders(iShaderIndex);
        return OK;
    }
    QIRN_Mesh_DX8* poMesh = new (std::nothrow) QIRN_Mesh_DX8(this, pMeshData, iShaderIndex);
    if (!poMesh)
    {
        dprintf("*** QIRN_Graphics_DX8::LoadMesh() - pMesh_DX8 = new QIRN_Mesh_DX8() FAILED\n");
        return GENERICERROR;
    }
    // The tree logs a refused name; the mesh it would not keep is not kept elsewhere either.
    if (!MeshTree.InsertNode(pMeshData->m_szName, poMesh))
    {
        delete poMesh;
    }
    return OK;
}

QIRN_ErrorCode QIRN_Graphics_DX8::RenderMesh(QIRN_MeshData* pMeshData, int iShaderIndex, int iPass)
{
    QIRN_Mesh_DX8* poMesh = pMeshData ? GetMesh(pMeshData->m_szName) : nullptr;
    if (!poMesh)
    {
        dprintf("*** QIRN_Graphics_DX8::RenderMesh() - GetMesh() returned NULL\n");
        return GENERICERROR;
    }
    return RenderDX8Mesh(poMesh, iShaderIndex, static_cast<uint32_t>(iPass), false, 0);
}

QIRN_ErrorCode QIRN_Graphics_DX8::RenderDX8Mesh(QIRN_Mesh_DX8* pMesh, int32_t iShaderIndex, uint32_t dwPass,
                                                bool bCull, int32_t iBoundsMode)
{
    if (!pMesh)
    {
        dprintf("*** QIRN_Graphics_DX8::RenderDX8Mesh() - pMesh is NULL\n");
        return GENERICERROR;
    }
    return pMesh->Render(iShaderIndex, dwPass, bCull, iBoundsMode);
}

QIRN_Mesh_DX8* QIRN_Graphics_DX8::GetMesh(std::string strName) const
{
    auto* poNode = MeshTree.FindNode(strName);
    return poNode ? poNode->m_pData : nullptr;
}

// Lights.

QIRN_ErrorCode QIRN_Graphics_DX8::SetLights(QIRN_LINKEDLIST<QIRN_LightActor>* pLightList, uint32_t dwAmbient)
{
    if (!pLightList)
    {
        dprintf("QIRN_Graphics_DX8::SetLights - No lights to set!\n");
        return OK;
    }
    if (!m_pD3DDevice8)
    {
        return INVALIDPARAMS;
    }
    SetRS(D3DRS_AMBIENT, dwAmbient);
    for (DWORD i = 0; i < 8; ++i)
    {
        m_pD3DDevice8->LightEnable(i, FALSE);
    }
    DWORD dwIndex = 0;
    for (auto* poNode = pLightList->m_pHead; poNode; poNode = poNode->m_pNext, ++dwIndex)
    {
        const QIRN_LightActor* poLight = poNode->m_pData;
        if (!poLight || !poLight->IsActive())
        {
            // Lights 0 to 7 were switched off above; one beyond them would keep its last state.
            if (dwIndex >= 8)
            {
                m_pD3DDevice8->LightEnable(dwIndex, FALSE);
            }
            continue;
        }
        D3DLIGHT8 oLight = {};
        oLight.Type = static_cast<D3DLIGHTTYPE>(poLight->GetType());
        const float fScale = 1.0f / 255.0f;
        const QIRN_Vector4 d = poLight->GetDiffuse(), s = poLight->GetSpecular(), a = poLight->GetAmbient();
        oLight.Diffuse = {d.x * fScale, d.y * fScale, d.z * fScale, 0.0f};
        oLight.Specular = {s.x * fScale, s.y * fScale, s.z * fScale, 0.0f};
        oLight.Ambient = {a.x * fScale, a.y * fScale, a.z * fScale, 0.0f};
        const QIRN_Vector4 p = poLight->GetPosition(), v = poLight->GetDirection();
        oLight.Position = {p.x, p.y, p.z};
        oLight.Direction = {v.x, v.y, v.z};
        oLight.Range = poLight->GetRange();
        oLight.Falloff = poLight->GetFalloff();
        oLight.Attenuation0 = poLight->GetAttenuation0();
        oLight.Attenuation1 = poLight->GetAttenuation1();
        oLight.Attenuation2 = poLight->GetAttenuation2();
        oLight.Theta = poLight->GetTheta();
        oLight.Phi = poLight->GetPhi();
        m_pD3DDevice8->SetLight(dwIndex, &oLight);
        m_pD3DDevice8->LightEnable(dwIndex, TRUE);
    }
    return OK;
}

// Geometry.

QIRN_ErrorCode QIRN_Graphics_DX8::LoadGeometry(QIRN_Geometry* pGeometry)
{
    if (!pGeometry)
    {
        dprintf("*** QIRN_Graphics_DX8::LoadGeometry() - pGeometry is NULL\n");
        return INVALIDPARAMS;
    }
    pGeometry->ReleaseRenderMeshes();
    for (auto* poNode = pGeometry->GetFirstMeshNode(); poNode; poNode = poNode->m_pNext)
    {
        QIRN_MeshData* poData = poNode->m_pData;
        if (!poData)
        {
            continue;
        }
        if (LoadMesh(poData, pGeometry->GetShaderIndex()) != OK)
        {
            dprintf("*** QIRN_Graphics_DX8::LoadGeometry() - LoadMesh() FAILED\n");
            return GENERICERROR;
        }
        QIRN_Mesh_DX8* poMesh = GetMesh(poData->m_szName);
        if (!poMesh)
        {
            dprintf("*** QIRN_Graphics_DX8::LoadGeometry() - GetMesh() returned NULL\n");
            return GENERICERROR;
        }
        pGeometry->AddRenderMesh(poData->m_szName, poMesh);
    }
    return OK;
}

QIRN_ErrorCode QIRN_Graphics_DX8::RenderGeometry(QIRN_Geometry* pGeometry, QIRN_CameraActor* pCamera,
                                                 int iPass)
{
    if (!pGeometry)
    {
        dprintf("*** QIRN_Graphics_DX8::RenderGeometry() - pGeometry is NULL\n");
        return INVALIDPARAMS;
    }
    if (!pGeometry->GetFirstRenderMeshNode())
    {
        if (LoadGeometry(pGeometry) != OK)
        {
            dprintf("*** QIRN_Graphics_DX8::RenderGeometry() - LoadGeometry() FAILED\n");
            return GENERICERROR;
        }
        if (!pGeometry->GetFirstRenderMeshNode())
        {
            return OK;
        }
    }
    QIRN_CameraActor* poCamera = pCamera ? pCamera : m_pCamera;
    const bool bCull = pGeometry->m_iFrustumCullingMode != 0 && poCamera;
    const int32_t iBounds = pGeometry->m_iBoundsDisplayMode;
    for (auto* poNode = pGeometry->GetFirstRenderMeshNode(); poNode; poNode = poNode->m_pNext)
    {
        QIRN_Mesh_DX8* poMesh = dynamic_cast<QIRN_Mesh_DX8*>(poNode->m_pData);
        if (!poMesh)
        {
            dprintf(
                "*** QIRN_Graphics_DX8::RenderGeometry() - dx8_mesh is NULL. There is no data in pNode\n");
            return GENERICERROR;
        }
        QIRN_MeshData* poData = poMesh->GetQIRNMesh();
        if (!poData)
        {
            dprintf("*** QIRN_Graphics_DX8::RenderGeometry() - dx8_mesh->GetQIRNMesh() returned NULL\n");
            return GENERICERROR;
        }
        QIRN_ErrorCode eResult = OK;
        if (bCull)
        {
            const QIRN_BoundingSphere oSphere = poData->GetBoundingSphere();
            if (!poCamera->IsSphereInFrustum(oSphere))
            {
                continue;
            }
            eResult = RenderDX8Mesh(poMesh, pGeometry->GetShaderIndex(), static_cast<uint32_t>(iPass), true,
                                    iBounds);
            if (eResult == OK && iBounds == 2)
            {
                DrawBoundingSphere(oSphere);
            }
        }
        else
        {
            eResult = RenderDX8Mesh(poMesh, pGeometry->GetShaderIndex(), static_cast<uint32_t>(iPass), false,
                                    iBounds);
        }
        if (eResult != OK)
        {
            dprintf("*** QIRN_Graphics_DX8::RenderGeometry() - RenderDX8Mesh() FAILED\n");
            return GENERICERROR;
        }
    }
    return OK;
}

// Actors.

// One walk for every list of mesh-actor kinds.
template <class Actor>
QIRN_ErrorCode QIRN_Graphics_DX8::RenderMeshActorList(QIRN_LINKEDLIST<Actor>* pMeshActorList,
                                                      QIRN_CameraActor* pCamera, int iPass)
{
    if (!pMeshActorList)
    {
        dprintf("*** QIRN_Graphics_DX8::RenderMeshActors() - pMeshActorList is NULL\n");
        return GENERICERROR;
    }
    for (auto* poNode = pMeshActorList->m_pHead; poNode; poNode = poNode->m_pNext)
    {
        QIRN_MeshActor* poActor = poNode->m_pData;
        if (!poActor)
        {
            continue;
        }
        QIRN_Geometry* poGeometry = poActor->GetMesh();
        if (!poGeometry)
        {
            dprintf("*** QIRN_Graphics_DX8::RenderMeshActors(): Actor '%s' does not have a Mesh\n",
                    poNode->m_szName.c_str());
            continue;
        }
        if (poActor->IsActive())
        {
            poGeometry->Update();
        }
        if (!poGeometry->GetFirstRenderMeshNode() && LoadGeometry(poGeometry) != OK)
        {
            dprintf("*** QIRN_Graphics_DX8::RenderGeometry() - LoadGeometry() FAILED\n");
            return GENERICERROR;
        }
        if (!poActor->GetRender())
        {
            continue;
        }
        if (poGeometry->m_iFrustumCullingMode != 0)
        {
            const QIRN_BoundingSphere oSphere = poGeometry->GetBoundingSphere();
            if (!pCamera || !pCamera->IsSphereInFrustum(oSphere))
            {
                continue;
            }
            RenderGeometry(poGeometry, pCamera, iPass);
            if (poGeometry->m_iBoundsDisplayMode == 1)
            {
                DrawBoundingSphere(oSphere);
            }
        }
        else
        {
            RenderGeometry(poGeometry, pCamera, iPass);
        }
    }
    return OK;
}

QIRN_ErrorCode QIRN_Graphics_DX8::RenderMeshActors(QIRN_LINKEDLIST<QIRN_MeshActor>* pMeshActorList,
                                                   QIRN_CameraActor* pCamera, int iPass)
{
    return RenderMeshActorList(pMeshActorList, pCamera, iPass);
}

QIRN_ErrorCode QIRN_Graphics_DX8::RenderMeshActors(QIRN_LINKEDLIST<QIRN_LipSyncActor>* pMeshActorList,
                                                   QIRN_CameraActor* pCamera, int iPass)
{
    return RenderMeshActorList(pMeshActorList, pCamera, iPass);
}

QIRN_ErrorCode QIRN_Graphics_DX8::RenderMeshActors(QIRN_LINKEDLIST<QIRN_DigiMaskActor>* pMeshActorList,
                                                   QIRN_CameraActor* pCamera, int iPass)
{
    return RenderMeshActorList(pMeshActorList, pCamera, iPass);
}

QIRN_ErrorCode QIRN_Graphics_DX8::RenderSkyBoxActors(QIRN_LINKEDLIST<QIRN_SkyBoxActor>* pSkyBoxActorList,
                                                     QIRN_CameraActor* pCamera, int iPass)
{
    if (!pSkyBoxActorList)
    {
        dprintf("*** QIRN_Graphics_DX8::RenderSkyBoxActors() - pSkyBoxActorList is NULL\n");
        return GENERICERROR;
    }
    for (auto* poNode = pSkyBoxActorList->m_pHead; poNode; poNode = poNode->m_pNext)
    {
        QIRN_SkyBoxActor* poActor = poNode->m_pData;
        if (!poActor)
        {
            continue;
        }
        QIRN_Geometry* poGeometry = poActor->GetMesh();
        if (!poGeometry)
        {
            dprintf("*** QIRN_Graphics_DX8::RenderSkyBoxActors(): Actor '%s' does not have an Mesh\n",
                    poNode->m_szName.c_str());
            continue;
        }
        if (!poActor->GetRender() || !pCamera)
        {
            continue;
        }
        // The box travels with the eye, so only its turning shows.
        const QIRN_Vector4 vEye = pCamera->GetPosition();
        poActor->SetPosition(vEye);
        poActor->SetLookAtVector(vEye + QIRN_Vector4(0.0f, 0.0f, 1.0f, 0.0f));
        QIRN_Matrix4 oTransform;
        Matrix_Identity(&oTransform);
        static_cast<QIRN_BaseActor*>(poActor)->GetTransform(&oTransform);
        poGeometry->SetTransform(oTransform);
        // The meshes and their bounds follow the new placement before they are drawn or culled.
        poGeometry->Update();
        RenderGeometry(poGeometry, pCamera, iPass);
    }
    return OK;
}

QIRN_ErrorCode QIRN_Graphics_DX8::RenderLogoActors(QIRN_LINKEDLIST<QIRN_LogoActor>* pLogoActorList,
                                                   QIRN_CameraActor* pCamera, int iPass)
{
    if (!pLogoActorList)
    {
        dprintf("*** QIRN_Graphics_DX8::RenderLogoActors() - pLogoActorList is NULL\n");
        return GENERICERROR;
    }
    for (auto* poNode = pLogoActorList->m_pHead; poNode; poNode = poNode->m_pNext)
    {
        QIRN_LogoActor* poActor = poNode->m_pData;
        if (!poActor)
        {
            continue;
        }
        QIRN_Geometry* poGeometry = poActor->GetMesh();
        if (!poGeometry)
        {
            dprintf("*** QIRN_Graphics_DX8::RenderLogoActors(): Actor '%s' does not have an Mesh\n",
                    poNode->m_szName.c_str());
            continue;
        }
        if (!poGeometry->GetFirstRenderMeshNode() && LoadGeometry(poGeometry) != OK)
        {
            dprintf("*** QIRN_Graphics_DX8::RenderGeometry() - LoadGeometry() FAILED\n");
            return GENERICERROR;
        }
        if (!poActor->GetRender() || !pCamera)
        {
            continue;
        }
        // T places the logo relative to the eye: undoing the view carries it into the world.
        QIRN_Matrix4 T, oInverseView, oTransform;
        Matrix_Identity(&T);
        Matrix_Identity(&oInverseView);
        poActor->GetTransform(&T);
        Matrix_Invert(&m_oViewMatrix, &oInverseView);
        Matrix_Multiply(&T, &oInverseView, &oTransform);
        poGeometry->SetTransform(oTransform);
        QIRN_Matrix4 oProjection, oShift;
        Matrix_Identity(&oProjection);
        pCamera->GetProjectionMatrix(&oProjection);
        Matrix_Translation(T._41, T._42, 0.0f, &oShift);
        QIRN_Matrix4 oShifted;
        Matrix_Multiply(&oProjection, &oShift, &oShifted);
        D3DMATRIX oD3D = {};
        ConvertQIRNMatrixToD3D(&oShifted, &oD3D);
        SetTransform(D3DTS_PROJECTION, &oD3D);
        poGeometry->Update();
        RenderGeometry(poGeometry, pCamera, iPass);
    }
    return OK;
}

// Custom actors.

QIRN_ErrorCode QIRN_Graphics_DX8::UpdateCustomActors(QIRN_LINKEDLIST<QIRN_CustomActor>* pCustomActorList)
{
    if (!pCustomActorList)
    {
        dprintf("*** QIRN_Graphics_DX8::UpdateCustomActors() - pCustomActorList is NULL\n");
        return GENERICERROR;
    }
    for (auto* poNode = pCustomActorList->m_pHead; poNode; poNode = poNode->m_pNext)
    {
        if (QIRN_CustomActor* poActor = poNode->m_pData)
        {
            if (!poActor->IsInitialized())
            {
                poActor->InitUserData(this);
            }
            poActor->UpdateUserData();
        }
    }
    return OK;
}

QIRN_ErrorCode QIRN_Graphics_DX8::RenderCustomActors(QIRN_LINKEDLIST<QIRN_CustomActor>* pCustomActorList,
                                                     int iPass)
{
    if (!pCustomActorList)
    {
        dprintf("*** QIRN_Graphics_DX8::RenderCustomActors() - pCustomActorList is NULL\n");
        return GENERICERROR;
    }
    for (auto* poNode = pCustomActorList->m_pHead; poNode; poNode = poNode->m_pNext)
    {
        if (QIRN_CustomActor* poActor = poNode->m_pData)
        {
            if (!poActor->IsInitialized())
            {
                poActor->InitUserData(this);
            }
            poActor->RenderUserData(iPass);
        }
    }
    return OK;
}

QIRN_ErrorCode QIRN_Graphics_DX8::DestroyCustomActors(QIRN_LINKEDLIST<QIRN_CustomActor>* pCustomActorList)
{
    if (!pCustomActorList)
    {
        dprintf("*** QIRN_Graphics_DX8::DestroyCustomActors() - pCustomActorList is NULL\n");
        return GENERICERROR;
    }
    for (auto* poNode = pCustomActorList->m_pHead; poNode; poNode = poNode->m_pNext)
    {
        if (poNode->m_pData)
        {
            poNode->m_pData->DestroyUserData();
        }
    }
    return OK;
}

// Sorted transparency.

void QIRN_Graphics_DX8::ClearSortedPolygonGroups()
{
    m_oBackToFrontList.DeleteAllNodes();
    m_oFrontToBackList.DeleteAllNodes();
    m_dwSortedTriangles = 0;
    m_dwSortedVertices = 0;
    m_dwSortedIndexCount = 0;
}

QIRN_ErrorCode QIRN_Graphics_DX8::CreateSortedPolygonStructures()
{
    if (!m_poSorted_VB)
    {
        m_poSorted_VB =
            CreateVertexBuffer(SORTED_MAXVERTICES * SORTED_STRIDE,
                               D3DUSAGE_DYNAMIC | D3DUSAGE_SOFTWAREPROCESSING, SORTED_FVF, D3DPOOL_SYSTEMMEM);
        if (!m_poSorted_VB)
        {
            dprintf(
                "*** QIRN_Graphics_DX8::CreateSortedPolygonStructures() - Unable to create vertex buffer!\n");
            return GENERICERROR;
        }
    }
    if (!m_poSorted_IB)
    {
        m_poSorted_IB = CreateIndexBuffer(SORTED_INDEXBYTES,
                                          D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY | D3DUSAGE_SOFTWAREPROCESSING,
                                          D3DFMT_INDEX16, D3DPOOL_DEFAULT);
        if (!m_poSorted_IB)
        {
            dprintf(
                "*** QIRN_Graphics_DX8::CreateSortedPolygonStructures() - Unable to create index buffer!\n");
            return GENERICERROR;
        }
    }
    if (!m_pbySortBuffer)
    {
        m_pbySortBuffer = new (std::nothrow) uint8_t[SORTED_MAXTRIANGLES * sizeof(SortRecord)];
        if (!m_pbySortBuffer)
        {
            return GENERICERROR;
        }
    }
    return OK;
}

void QIRN_Graphics_DX8::ReleaseSortedPolygonStructures()
{
    ClearSortedPolygonGroups();
    if (m_poSorted_VB)
    {
        m_poSorted_VB->Release();
        m_poSorted_VB = nullptr;
    }
    if (m_poSorted_IB)
    {
        m_poSorted_IB->Release();
        m_poSorted_IB = nullptr;
    }
    delete[] m_pbySortBuffer;
    m_pbySortBuffer = nullptr;
}

void QIRN_Graphics_DX8::SetSortedGroupTransforms(const SortedPolygonGroup& roGroup)
{
    const QIRN_ShaderPass_DX8& P = roGroup.m_poShader->m_poPasses[roGroup.m_dwPass];
    D3DMATRIX oD3D = {};
    const QIRN_Matrix4 oIdentity = Identity();
    if (!roGroup.m_poMesh || !roGroup.m_poMesh->IsSkinned())
    {
        SetRS(D3DRS_VERTEXBLEND, D3DVBF_DISABLE);
        SetRS(D3DRS_INDEXEDVERTEXBLENDENABLE, FALSE);
        ConvertQIRNMatrixToD3D(roGroup.m_poMatrices ? &roGroup.m_poMatrices[0] : &oIdentity, &oD3D);
        SetTransform(D3DTS_WORLD, &oD3D);
        return;
    }
    const bool bBlendOff =
        P.m_dwVertexShader ? (P.m_dwFVF & 0x2) != 0 : !(P.m_dwFVF & QIRN_FVF_LASTBETA_UBYTE4);
    if (bBlendOff)
    {
        SetRS(D3DRS_VERTEXBLEND, D3DVBF_DISABLE);
        SetRS(D3DRS_INDEXEDVERTEXBLENDENABLE, FALSE);
        ConvertQIRNMatrixToD3D(&oIdentity, &oD3D);
        SetTransform(D3DTS_WORLD, &oD3D);
        return;
    }
    if (P.m_dwVertexShader)
    {
        return;
    }
    for (uint32_t i = 0; i < roGroup.m_dwNumMatrices; ++i)
    {
        ConvertQIRNMatrixToD3D(&roGroup.m_poMatrices[i], &oD3D);
        SetTransform(D3DTS_WORLDMATRIX(i), &oD3D);
    }
    SetRS(D3DRS_INDEXEDVERTEXBLENDENABLE, TRUE);
    switch (P.m_dwFVF & QIRN_FVF_POSITION_MASK)
    {
    case QIRN_FVF_XYZB4:
    case QIRN_FVF_XYZB5:
        SetRS(D3DRS_VERTEXBLEND, D3DVBF_3WEIGHTS);
        break;
    case QIRN_FVF_XYZB3:
        SetRS(D3DRS_VERTEXBLEND, D3DVBF_2WEIGHTS);
        break;
    case QIRN_FVF_XYZB2:
        SetRS(D3DRS_VERTEXBLEND, D3DVBF_1WEIGHTS);
        break;
    case QIRN_FVF_XYZB1:
        SetRS(D3DRS_VERTEXBLEND, D3DVBF_0WEIGHTS);
        break;
    default:
        break;
    }
}

QIRN_ShaderConstants* QIRN_Graphics_DX8::GroupConstants(const SortedPolygonGroup& roGroup)
{
    QIRN_Shader* poSource = roGroup.m_poShader ? roGroup.m_poShader->m_poSource : nullptr;
    if (!poSource || !poSource->m_poPasses || roGroup.m_dwPass >= poSource->m_dwNumPasses)
    {
        return nullptr;
    }
    return &poSource->m_poPasses[roGroup.m_dwPass].m_oVertexShaderConstants;
}

void QIRN_Graphics_DX8::SetSortedGroupShader(const SortedPolygonGroup& roGroup)
{
    // A vertex shader poses the group with the matrices it had when it was queued, not with what the
    // mesh holds now (a mesh drawn by several actors holds the last one's); the constants are
    // uploaded here, so the matrices are lent for this call only.
    QIRN_ShaderConstants* poConstants =
        roGroup.m_poShader->m_poPasses[roGroup.m_dwPass].m_dwVertexShader ? GroupConstants(roGroup) : nullptr;
    if (poConstants)
    {
        poConstants->SetMatrices(roGroup.m_poMatrices, roGroup.m_dwNumMatrices);
    }
    SetDX8Shader(roGroup.m_poShader, roGroup.m_dwPass, nullptr, true);
    if (poConstants)
    {
        poConstants->SetMatrices(nullptr, 0);
    }
}

QIRN_ErrorCode QIRN_Graphics_DX8::SortTriangles(SortedPolygonGroup* pPG)
{
    QIRN_ShaderPass_DX8& P = pPG->m_poShader->m_poPasses[pPG->m_dwPass];
    if (CreateSortedPolygonStructures() != OK)
    {
        return GENERICERROR;
    }
    IDirect3DVertexBuffer8* pSource = pPG->m_poMesh ? pPG->m_poMesh->GetSoftwareVertexBuffer() : nullptr;
    if (!pSource)
    {
        dprintf("*** QIRN_Graphics_DX8::AddSortedPolygonGroup() - Error, the mesh has no vertices to sort\n");
        return GENERICERROR;
    }
    const DWORD dwSavedSoftware = GetRS(D3DRS_SOFTWAREVERTEXPROCESSING);
    SetRS(D3DRS_SOFTWAREVERTEXPROCESSING, TRUE);
    SetSortedGroupTransforms(*pPG);
    SetVB(0, pSource, static_cast<UINT>(pPG->m_oLayout.Size()));
    SetIB(pPG->m_poMesh->GetIndexBuffer(), 0);
    const DWORD dwSavedClipping = GetRS(D3DRS_CLIPPING);
    SetRS(D3DRS_CLIPPING, FALSE);
    pPG->m_poShader->m_poCurrentPolygonGroup =
        pPG->m_poRenderGroup ? pPG->m_poRenderGroup->m_pPolygonGroup : nullptr;
    const DWORD dwHardware = P.m_dwVertexShader;
    P.m_dwVertexShader = P.m_dwSWVertexShader;
    SetSortedGroupShader(*pPG);
    P.m_dwVertexShader = dwHardware;
    const HRESULT hrProcess = m_pD3DDevice8->ProcessVertices(pPG->m_start_alpha_vertex_index, 0,
                                                             pPG->m_num_vertices, m_poSorted_VB, 0);
    SetRS(D3DRS_CLIPPING, dwSavedClipping);
    SetRS(D3DRS_SOFTWAREVERTEXPROCESSING, dwSavedSoftware);
    if (FAILED(hrProcess))
    {
        dprintf("\n\n%s error while executing %s in %s at line %d!\n\n", QIRN_D3DErrorName(hrProcess),
                "m_pD3DDevice8->ProcessVertices(pPG->m_start_alpha_vertex_index, 0, pPG->m_num_vertices, "
                "m_poSorted_VB, 0)",
                __FILE__, __LINE__);
        return GENERICERROR;
    }
    BYTE* pVertices = nullptr;
    HRESULT hr = m_poSorted_VB->Lock(0, pPG->m_num_vertices * SORTED_STRIDE, &pVertices,
                                     D3DLOCK_NOOVERWRITE | D3DLOCK_READONLY);
    if (FAILED(hr))
    {
        dprintf("\n\n%s error while executing %s in %s at line %d!\n\n", QIRN_D3DErrorName(hr),
                "m_poSorted_VB->Lock(0, pPG->m_num_vertices * oTLVertex.Size(), (BYTE**) &pVertices, "
                "D3DLOCK_NOOVERWRITE | D3DLOCK_READONLY)",
                __FILE__, __LINE__);
        return GENERICERROR;
    }
    SortRecord* pRecords = reinterpret_cast<SortRecord*>(m_pbySortBuffer);
    uint32_t dwRecords = 0;
    const uint32_t dwTriangles = pPG->m_dwNumIndices / 3;
    for (uint32_t t = 0; t < dwTriangles; ++t)
    {
        float afDepth[3] = {0.0f, 0.0f, 0.0f};
        bool bInside = true;
        for (int c = 0; c < 3; ++c)
        {
            const int32_t iIndex = pPG->m_piIndices[3 * t + c];
            if (iIndex < 0 || static_cast<uint32_t>(iIndex) >= pPG->m_num_vertices)
            {
                bInside = false;
                break;
            }
            float fRHW = 0.0f;
            std::memcpy(&fRHW, pVertices + static_cast<size_t>(iIndex) * SORTED_STRIDE + 12, sizeof(float));
            afDepth[c] = DepthOfRHW(fRHW);
        }
        const float fMin = std::fmin(afDepth[0], std::fmin(afDepth[1], afDepth[2]));
        const float fMax = std::fmax(afDepth[0], std::fmax(afDepth[1], afDepth[2]));
        if (!bInside || fMax <= 0.0f)
        {
            continue;
        }
        SortRecord& R = pRecords[dwRecords++];
        for (int c = 0; c < 3; ++c)
        {
            R.awIndices[c] = static_cast<uint16_t>(pPG->m_piIndices[3 * t + c] + pPG->m_dwBaseVertex);
        }
        // Keys 0 and 2 are the nearest corner and the centre; any other key sorts by the farthest
        // corner, as key 1 does.
        R.fKey = P.m_dwSortKey == 0
                     ? fMin
                     : (P.m_dwSortKey == 2 ? (afDepth[0] + afDepth[1] + afDepth[2]) * 0.33333334f : fMax);
    }
    hr = m_poSorted_VB->Unlock();
    if (FAILED(hr))
    {
        dprintf("\n\n%s error while executing %s in %s at line %d!\n\n", QIRN_D3DErrorName(hr),
                "m_poSorted_VB->Unlock()", __FILE__, __LINE__);
        return GENERICERROR;
    }
    if (dwRecords > 0)
    {
        if (P.m_dwSortMode == 1)
        {
            qsort(pRecords, dwRecords, sizeof(SortRecord), CompareDescending);
        }
        else if (P.m_dwSortMode == 2)
        {
            qsort(pRecords, dwRecords, sizeof(SortRecord), CompareAscending);
        }
        BYTE* pBytes = nullptr;
        hr = m_poSorted_IB->Lock(m_dwSortedIndexCount * 2, dwRecords * 6, &pBytes, D3DLOCK_NOOVERWRITE);
        if (FAILED(hr))
        {
            dprintf("\n\n%s error while executing %s in %s at line %d!\n\n", QIRN_D3DErrorName(hr),
                    "m_poSorted_IB->Lock(m_dwSortedIndexCount*sizeof(WORD), dwNumPolygonsAdded * 3 * "
                    "sizeof(WORD), "
                    "(BYTE**)&pIndices, D3DLOCK_NOOVERWRITE)",
                    __FILE__, __LINE__);
            return GENERICERROR;
        }
        uint16_t* pwIndices = reinterpret_cast<uint16_t*>(pBytes);
        for (uint32_t r = 0; r < dwRecords; ++r)
        {
            std::memcpy(pwIndices + 3 * r, pRecords[r].awIndices, 6);
        }
        hr = m_poSorted_IB->Unlock();
        if (FAILED(hr))
        {
            dprintf("\n\n%s error while executing %s in %s at line %d!\n\n", QIRN_D3DErrorName(hr),
                    "m_poSorted_IB->Unlock()", __FILE__, __LINE__);
            return GENERICERROR;
        }
    }
    pPG->m_dwMinIndex = pPG->m_dwBaseVertex;
    pPG->m_dwNumVertices = pPG->m_num_vertices;
    pPG->m_dwDrawStartIndex = m_dwSortedIndexCount;
    pPG->m_dwNumTriangles = dwRecords;
    pPG->m_bTriangleSorted = true;
    m_dwSortedIndexCount += 3 * dwRecords;
    return OK;
}

QIRN_ErrorCode QIRN_Graphics_DX8::AddSortedPolygonGroup(SortedPolygonGroup* pPG, float fKey)
{
    if (!pPG)
    {
        dprintf("*** QIRN_Graphics_DX8::AddSortedPolygonGroup() - Polygon group info is NULL!\n");
        return GENERICERROR;
    }
    if (!pPG->m_poShader || pPG->m_dwPass >= pPG->m_poShader->m_dwNumPasses)
    {
        delete pPG;
        return GENERICERROR;
    }
    // Sorted vertices go through one buffer of 30000 and one sort buffer of 10000 triangles.
    if (pPG->m_num_vertices > SORTED_MAXVERTICES || pPG->m_dwNumIndices / 3 > SORTED_MAXTRIANGLES)
    {
        dprintf("*** QIRN_Graphics_DX8::AddSortedPolygonGroup() - VB for sorted polygons is too small\n");
        delete pPG;
        return GENERICERROR;
    }
    const QIRN_ShaderPass_DX8& P = pPG->m_poShader->m_poPasses[pPG->m_dwPass];
    bool bSorted = false;
    if (P.m_dwSortMode != 0)
    {
        const uint32_t dwNeeded = 3 * (pPG->m_dwNumIndices / 3);
        if (m_dwSortedIndexCount + dwNeeded > SORTED_INDEXBYTES / 2)
        {
            dprintf(
                "*** QIRN_Graphics_DX8::AddSortedPolygonGroup() - Warning, the sorted index buffer is full, "
                "drawing the group unsorted\n");
        }
        else
        {
            if (SortTriangles(pPG) != OK)
            {
                delete pPG;
                return GENERICERROR;
            }
            bSorted = true;
        }
    }
    if (!bSorted)
    {
        pPG->m_dwMinIndex = pPG->m_dwBaseVertex;
        pPG->m_dwNumVertices = pPG->m_num_vertices;
        pPG->m_dwDrawStartIndex = pPG->m_dwStartIndex;
        pPG->m_dwNumTriangles = pPG->m_dwNumIndices / 3;
        pPG->m_bTriangleSorted = false;
    }
    m_dwSortedTriangles += pPG->m_dwNumTriangles;
    m_dwSortedVertices += pPG->m_dwNumVertices;
    QIRN_LINKEDLISTTEMPLATE<SortedPolygonGroup, float>* poList =
        P.m_dwPGSortMode == 1 ? &m_oBackToFrontList : (P.m_dwPGSortMode == 2 ? &m_oFrontToBackList : nullptr);
    if (!poList)
    {
        delete pPG;
        return OK;
    }
    // The same render group and pass at the same key is drawn once.
    for (auto* poNode = poList->m_pHead; poNode; poNode = poNode->m_pNext)
    {
        const SortedPolygonGroup* poOld = poNode->m_pData;
        if (poOld == pPG)
        {
            return OK;
        }
        if (poNode->m_Key == fKey && poOld && poOld->m_poRenderGroup == pPG->m_poRenderGroup &&
            poOld->m_dwPass == pPG->m_dwPass && poOld->m_poMesh == pPG->m_poMesh)
        {
            delete pPG;
            return OK;
        }
    }
    if (!poList->InsertNode(fKey, pPG))
    {
        delete pPG;
        return GENERICERROR;
    }
    return OK;
}

void QIRN_Graphics_DX8::DrawSortedGroup(SortedPolygonGroup& roGroup)
{
    if (roGroup.m_dwNumTriangles == 0 || !roGroup.m_poMesh)
    {
        return;
    }
    SetSortedGroupTransforms(roGroup);
    SetVB(0, roGroup.m_poMesh->GetVertexBuffer(), static_cast<UINT>(roGroup.m_oLayout.Size()));
    SetIB(roGroup.m_bTriangleSorted ? m_poSorted_IB : roGroup.m_poMesh->GetIndexBuffer(), 0);
    roGroup.m_poShader->m_poCurrentPolygonGroup =
        roGroup.m_poRenderGroup ? roGroup.m_poRenderGroup->m_pPolygonGroup : nullptr;
    SetSortedGroupShader(roGroup);
    m_pD3DDevice8->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, roGroup.m_dwMinIndex, roGroup.m_dwNumVertices,
                                        roGroup.m_dwDrawStartIndex, roGroup.m_dwNumTriangles);
    m_adwStatistics[13] += roGroup.m_dwNumTriangles;
}

QIRN_ErrorCode QIRN_Graphics_DX8::RenderSortedPolygonGroups()
{
    if (m_dwSortedTriangles == 0 || !m_pD3DDevice8)
    {
        return OK;
    }
    const DWORD dwSavedClipping = GetRS(D3DRS_CLIPPING);
    SetRS(D3DRS_CLIPPING, TRUE);
    for (auto* poNode = m_oBackToFrontList.m_pTail; poNode; poNode = poNode->m_pPrev)
    {
        if (poNode->m_pData && poNode->m_pData->m_dwNumTriangles)
        {
            DrawSortedGroup(*poNode->m_pData);
            m_adwStatistics[7] += 1;
            m_adwStatistics[8] += poNode->m_pData->m_dwNumVertices;
        }
    }
    for (auto* poNode = m_oFrontToBackList.m_pHead; poNode; poNode = poNode->m_pNext)
    {
        if (poNode->m_pData && poNode->m_pData->m_dwNumTriangles)
        {
            DrawSortedGroup(*poNode->m_pData);
            m_adwStatistics[9] += 1;
            m_adwStatistics[10] += poNode->m_pData->m_dwNumVertices;
        }
    }
    SetRS(D3DRS_CLIPPING, dwSavedClipping);
    return OK;
}

// Debug drawing.

QIRN_ErrorCode QIRN_Graphics_DX8::DrawBoundingSphere(const QIRN_BoundingSphere& roSphere)
{
    if (!m_pD3DDevice8)
    {
        return INVALIDPARAMS;
    }
    const float fStep = 0.62831855f;
    float afPositions[110 * 3];
    int n = 0;
    const QIRN_Vector4& c = roSphere.m_vCenter;
    const float r = roSphere.m_fRadius;
    for (int b = 0; b < 5; ++b)
    {
        for (int g = 0; g <= 10; ++g)
        {
            const float fLon = static_cast<float>(g) * fStep;
            for (int k = 0; k < 2; ++k)
            {
                const float fLat = static_cast<float>(b + k) * fStep;
                afPositions[n++] = c.x + r * std::sin(fLat) * std::sin(fLon);
                afPositions[n++] = c.y + r * std::cos(fLat);
                afPositions[n++] = c.z + r * std::sin(fLat) * std::cos(fLon);
            }
        }
    }
    m_pD3DDevice8->SetVertexShader(D3DFVF_XYZ);
    SetRS(D3DRS_ALPHABLENDENABLE, FALSE);
    SetTSS(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    SetTSS(0, D3DTSS_COLORARG1, D3DTA_TFACTOR);
    SetTSS(0, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    SetTSS(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    SetRS(D3DRS_TEXTUREFACTOR, 0xFF0000);
    SetRS(D3DRS_LIGHTING, FALSE);
    const DWORD dwFill = GetRS(D3DRS_FILLMODE), dwCull = GetRS(D3DRS_CULLMODE);
    SetRS(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
    SetRS(D3DRS_CULLMODE, D3DCULL_CCW);
    SetRS(D3DRS_VERTEXBLEND, D3DVBF_DISABLE);
    m_pD3DDevice8->SetStreamSource(0, nullptr, 0);
    m_pD3DDevice8->SetIndices(nullptr, 0);
    m_pD3DDevice8->SetPixelShader(0);
    D3DMATRIX oD3D = {};
    const QIRN_Matrix4 oIdentity = Identity();
    ConvertQIRNMatrixToD3D(&oIdentity, &oD3D);
    SetTransform(D3DTS_WORLD, &oD3D);
    m_pD3DDevice8->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 108, afPositions, 12);
    SetRS(D3DRS_FILLMODE, dwFill);
    SetRS(D3DRS_CULLMODE, dwCull);
    return OK;
}

QIRN_ErrorCode QIRN_Graphics_DX8::DrawCameraFrustum(QIRN_CameraActor* pCamera)
{
    if (!pCamera || !m_pD3DDevice8)
    {
        return INVALIDPARAMS;
    }
    QIRN_ViewMatrix oView;
    pCamera->GetTransform(&oView);
    m_oViewMatrix = oView;
    pCamera->GetProjectionMatrix(&m_oProjectionMatrix);
    QIRN_Matrix4 oViewProjection, oInverse;
    Matrix_Multiply(&m_oViewMatrix, &m_oProjectionMatrix, &oViewProjection);
    // A projection is not affine: invert it in full.
    D3DXMATRIX oD3DVP, oD3DInverse;
    std::memcpy(static_cast<void*>(&oD3DVP), &oViewProjection, sizeof(oD3DVP));
    if (!D3DXMatrixInverse(&oD3DInverse, nullptr, &oD3DVP))
    {
        return GENERICERROR;
    }
    std::memcpy(static_cast<void*>(&oInverse), &oD3DInverse, sizeof(oInverse));
    static const float afCorners[8][3] = {{-1, -1, 0}, {1, -1, 0}, {-1, 1, 0}, {1, 1, 0},
                                          {-1, -1, 1}, {1, -1, 1}, {-1, 1, 1}, {1, 1, 1}};
    float afPositions[8 * 3];
    for (int i = 0; i < 8; ++i)
    {
        QIRN_Vector4 v(afCorners[i][0], afCorners[i][1], afCorners[i][2], 1.0f), out;
        Vector_TransformCoord(&oInverse, &v, &out);
        afPositions[3 * i] = out.x;
        afPositions[3 * i + 1] = out.y;
        afPositions[3 * i + 2] = out.z;
    }
    static const uint16_t awEdges[24] = {0, 1, 1, 3, 3, 2, 2, 0, 1, 5, 3, 7,
                                         2, 6, 0, 4, 4, 5, 5, 7, 7, 6, 6, 4};
    m_pD3DDevice8->SetVertexShader(D3DFVF_XYZ);
    SetTSS(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    SetTSS(0, D3DTSS_COLORARG1, D3DTA_TFACTOR);
    SetRS(D3DRS_TEXTUREFACTOR, 0xFF0000);
    SetRS(D3DRS_LIGHTING, FALSE);
    m_pD3DDevice8->SetStreamSource(0, nullptr, 0);
    m_pD3DDevice8->SetIndices(nullptr, 0);
    m_pD3DDevice8->SetPixelShader(0);
    D3DMATRIX oD3D = {};
    const QIRN_Matrix4 oIdentity = Identity();
    ConvertQIRNMatrixToD3D(&oIdentity, &oD3D);
    SetTransform(D3DTS_WORLD, &oD3D);
    m_pD3DDevice8->DrawIndexedPrimitiveUP(D3DPT_LINELIST, 0, 8, 12, awEdges, D3DFMT_INDEX16, afPositions, 12);
    return OK;
}

// The world pass.

QIRN_ErrorCode QIRN_Graphics_DX8::RenderWorld(QIRN_World* pWorld, QIRN_CameraActor* pCamera, int iPass,
                                              bool bRenderTarget)
{
    if (!pWorld)
    {
        return INVALIDPARAMS;
    }
    if (!pCamera)
    {
        dprintf("*** QIRN_Graphics_DX8::RenderWorld() - pCamera is NULL\n");
        return INVALIDPARAMS;
    }
    ClearSortedPolygonGroups();
    QIRN_ViewMatrix oView;
    pCamera->GetTransform(&oView);
    m_oViewMatrix = oView;
    pCamera->GetProjectionMatrix(&m_oProjectionMatrix);
    D3DMATRIX oD3D = {};
    ConvertQIRNMatrixToD3D(&m_oViewMatrix, &oD3D);
    SetTransform(D3DTS_VIEW, &oD3D);
    ConvertQIRNMatrixToD3D(&m_oProjectionMatrix, &oD3D);
    SetTransform(D3DTS_PROJECTION, &oD3D);
    m_pCamera = pCamera;

    QIRN_Shader_DX8* poWorldShader = GetDX8Shader("WorldShader");
    if (!poWorldShader)
    {
        auto* poNode = pWorld->GetShaderTree()->FindNode("WorldShader");
        if (poNode && poNode->m_pData)
        {
            LoadShader(poNode->m_pData);
            poWorldShader = GetDX8Shader("WorldShader");
        }
    }
    if (poWorldShader)
    {
        SetDX8Shader(poWorldShader, static_cast<uint32_t>(iPass), nullptr, true);
        const int iFillMode = m_pEngine ? m_pEngine->GetFillMode() : 0;
        if (iFillMode == 0 && iPass >= 0 && static_cast<uint32_t>(iPass) < poWorldShader->m_dwNumPasses &&
            poWorldShader->m_poPasses[iPass].m_dwFillMode == QIRN_DX8_NOTSET)
        {
            SetRS(D3DRS_FILLMODE, D3DFILL_SOLID);
        }
    }
    RenderSkyBoxActors(pWorld->GetSkyBoxActorList(), pCamera, iPass);
    RenderMeshActors(pWorld->GetMeshActorList(), pCamera, iPass);
    RenderMeshActors(pWorld->GetLipSyncActorList(), pCamera, iPass);
    RenderCustomActors(pWorld->GetCustomActorList(), iPass);
    RenderMeshActors(pWorld->GetDigiMaskActorList(), pCamera, iPass);
    // Particle emitters are not drawn by this renderer.
    RenderSortedPolygonGroups();
    if (!bRenderTarget)
    {
        RenderLogoActors(pWorld->GetLogoActorList(), pCamera, iPass);
    }
    return OK;
}
