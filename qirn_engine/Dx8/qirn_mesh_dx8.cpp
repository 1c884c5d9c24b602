#include "qirn_mesh_dx8.h"

#include "qirn_cameraactor.h"
#include "qirn_d3derror_dx8.h"
#include "qirn_debug.h"
#include "qirn_graphics_dx8.h"
#include "meshadjacency.h"
#include "qirn_meshdata.h"
#include "qirn_shader.h"
#include "qirn_shader_dx8.h"
#include "qirn_sortedpolygongroup_dx8.h"
#include "qirn_timer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <new>
#include <vector>

double QIRN_Mesh_DX8::s_dTotalLoadTime = 0.0;

namespace
{
const uint32_t PRIMITIVE_POINTLIST = 1;
const uint32_t PRIMITIVE_RECTPATCH = 2;
const uint32_t PRIMITIVE_TRIPATCH = 3;
const uint32_t PRIMITIVE_TRILIST = 4;
const uint32_t PRIMITIVE_TRISTRIP = 5;
// Processed prepass vertices: position and RHW, four sets of four floats.
const UINT PREPASS_STRIDE = 80;
const DWORD PREPASS_FVF = 0xAA0404;

// Maps texture space 0 to 1 onto clip space -1 to 1 with y reversed.
const QIRN_Matrix4 PREPASS_MATRIX = {2.0f, 0.0f, 0.0f, 0.0f, 0.0f,  -2.0f, 1.0f, 0.0f,
                                     0.0f, 0.0f, 1.0f, 0.0f, -1.0f, 1.0f,  0.0f, 1.0f};

QIRN_Matrix4 Identity()
{
    QIRN_Matrix4 m;
    Matrix_Identity(&m);
    return m;
}

QIRN_Matrix4 Multiply(const QIRN_Matrix4& a, const QIRN_Matrix4& b)
{
    QIRN_Matrix4 m;
    Matrix_Multiply(&a, &b, &m);
    return m;
}

// The vertex-blend state of a format's position type; false for a type that blends nothing.
bool BlendOfPosition(uint32_t dwFVF, DWORD* pdwBlend)
{
    switch (dwFVF & QIRN_FVF_POSITION_MASK)
    {
    case QIRN_FVF_XYZB4:
    case QIRN_FVF_XYZB5:
        *pdwBlend = D3DVBF_3WEIGHTS;
        return true;
    case QIRN_FVF_XYZB3:
        *pdwBlend = D3DVBF_2WEIGHTS;
        return true;
    case QIRN_FVF_XYZB2:
        *pdwBlend = D3DVBF_1WEIGHTS;
        return true;
    case QIRN_FVF_XYZB1:
        *pdwBlend = D3DVBF_0WEIGHTS;
        return true;
    default:
        return false;
    }
}

// Texture-set count and size bits of a vertex's sets.
uint32_t TextureBits(const QIRN_MeshVertex& v)
{
    if (v.m_dwNumTexSets < 1 || v.m_dwNumTexSets > 8)
    {
        return 0;
    }
    uint32_t dwBits = v.m_dwNumTexSets << QIRN_FVF_TEXCOUNT_SHIFT;
    for (uint32_t i = 0; i < v.m_dwNumTexSets; ++i)
    {
        switch (v.m_abyTexSetSizes[i])
        {
        case 1:
            dwBits |= QIRN_FVF_TEXCOORDSIZE(QIRN_FVF_TEXTUREFORMAT1, i);
            break;
        case 3:
            dwBits |= QIRN_FVF_TEXCOORDSIZE(QIRN_FVF_TEXTUREFORMAT3, i);
            break;
        case 4:
            dwBits |= QIRN_FVF_TEXCOORDSIZE(QIRN_FVF_TEXTUREFORMAT4, i);
            break;
        default:
            break;
        }
    }
    return dwBits;
}

uint32_t PrimitiveCount(uint32_t dwType, uint32_t dwIndices)
{
    if (dwType == PRIMITIVE_TRISTRIP)
    {
        return dwIndices >= 2 ? dwIndices - 2 : 0;
    }
    return dwIndices / 3;
}

template <class T> void ReleaseCOM(T*& rp)
{
    if (rp)
    {
        rp->Release();
        rp = nullptr;
    }
}
} // namespace

QIRN_Mesh_DX8::QIRN_Mesh_DX8(QIRN_Graphics_DX8* poGraphics, QIRN_MeshData* poMeshData, int32_t iShaderIndex)
    : m_pStaticVB(nullptr), m_pSkinnedVB(nullptr), m_pIB(nullptr), m_dwShadowSize(0), m_pShadowVB(nullptr),
      m_iShadowIndexCapacity(0), m_pShadowIB(nullptr), m_iPrepassVertexTotal(0), m_pSoftwareVB(nullptr),
      m_iPrepassOutputSize(0), m_pvb_prepass(nullptr), m_poGraphics(poGraphics), m_poMeshData(poMeshData),
      m_iShaderIndex(0), m_dwPassIndex(0), m_poCurrentShader(nullptr), m_poCurrentPass(nullptr),
      m_poCurrentRenderGroup(nullptr), m_iShadowStride(0), m_dwIndexCapacity(0)
{
    m_iShaderIndex = iShaderIndex;
    Load();
    LoadShaders(iShaderIndex);
}

QIRN_Mesh_DX8::~QIRN_Mesh_DX8()
{
    ReleaseCOM(m_pStaticVB);
    ReleaseCOM(m_pSkinnedVB);
    ReleaseCOM(m_pIB);
    ReleaseCOM(m_pShadowVB);
    ReleaseCOM(m_pShadowIB);
    ReleaseCOM(m_pSoftwareVB);
    ReleaseCOM(m_pvb_prepass);
    m_oRenderGroups.clear();
    m_oLayout.Reset();
}

bool QIRN_Mesh_DX8::IsSkinned() const
{
    return m_poMeshData && m_poMeshData->IsSkinned();
}

QIRN_ErrorCode QIRN_Mesh_DX8::Load()
{
    QIRN_Timer oTimer(1.0f);
    QIRN_ErrorCode eResult = OK;
    if (!m_poMeshData || !m_poGraphics)
    {
        dprintf("*** QIRN_Mesh_DX8::Load() - Error, no mesh data or renderer\n");
        return GENERICERROR;
    }
    // Indices are 16 bits wide: a larger mesh could only be drawn with wrapped indices.
    if (m_poMeshData->GetNumVertices() > QIRN_DX8_MAXMESHVERTICES)
    {
        dprintf("*** QIRN_Mesh_DX8::Load() - Error, mesh '%s' has %u vertices, more than 16-bit indices "
                "reach\n",
                m_poMeshData->m_szName.c_str(), m_poMeshData->GetNumVertices());
        return GENERICERROR;
    }
    eResult = IsSkinned() ? LoadSkinData() : LoadMeshData();
    s_dTotalLoadTime += oTimer.GetElapsedTime();
    return eResult;
}

uint32_t QIRN_Mesh_DX8::DefaultSlotFVF(bool bSkinned) const
{
    const uint32_t dwTex = m_poMeshData->GetNumVertices() ? TextureBits(*m_poMeshData->GetVertex(0)) : 0;
    if (!bSkinned)
    {
        return 0xD2 | dwTex;
    }
    static const uint32_t adwPositions[] = {QIRN_FVF_XYZ, QIRN_FVF_XYZB1, QIRN_FVF_XYZB2, QIRN_FVF_XYZB3,
                                            QIRN_FVF_XYZB4};
    const int32_t w = m_poMeshData->m_iPartitionedWeights;
    const uint32_t dwPosition = (w >= 0 && w <= 4) ? adwPositions[w] : 0;
    return 0x10D0 | dwPosition | dwTex;
}

QIRN_Mesh_DX8::Format QIRN_Mesh_DX8::ChooseFormat(bool bSkinned)
{
    Format oFormat;
    bool bFound = false;
    const uint32_t dwOwnDefault = bSkinned ? QIRN_DX8_DEFAULTSKINFVF : QIRN_DX8_DEFAULTFVF;
    bool bFirst = true;
    for (PolygonGroup& roGroup : m_poMeshData->m_oPolygonGroups)
    {
        QIRN_Shader* poSlot = roGroup.GetShader(m_iShaderIndex);
        if (poSlot && poSlot->m_dwNumPasses > 0)
        {
            QIRN_ShaderPass& roPass = poSlot->m_poPasses[0];
            oFormat.bTangent = roPass.m_bHasTangent;
            oFormat.bBinormal = roPass.m_bHasBinormal;
            oFormat.bFloatColors = roPass.m_bUseFloatColors;
            if (bSkinned)
            {
                oFormat.bFloatIndices = roPass.m_bUseFloatIndices;
            }
            if (bFirst)
            {
                if (roPass.m_ePrimitiveType == PRIMITIVE_RECTPATCH ||
                    roPass.m_ePrimitiveType == PRIMITIVE_TRIPATCH)
                {
                    oFormat.dwUsage = D3DUSAGE_WRITEONLY | D3DUSAGE_RTPATCHES;
                }
                else if (roPass.m_ePrimitiveType == 4 || roPass.m_ePrimitiveType == 5)
                {
                    oFormat.dwUsage = D3DUSAGE_WRITEONLY | D3DUSAGE_NPATCHES;
                }
            }
            if (roPass.m_dwFVF == 0)
            {
                dprintf(bSkinned
                            ? "*** QIRN_Mesh_DX8::LoadSkinData() - Warning, found a shader with FVF == 0, "
                              "using GRAPHICS_FVF_DEFAULTBLENDVERTEX\n"
                            : "*** QIRN_Mesh_DX8::LoadMeshData() - Warning, found a shader with FVF == 0\n");
                roPass.m_dwFVF = DefaultSlotFVF(bSkinned);
                oFormat.dwFVF = roPass.m_dwFVF;
                bFound = true;
            }
            else if (!bFound)
            {
                oFormat.dwFVF = roPass.m_dwFVF;
                bFound = true;
            }
        }
        bFirst = false;
        if (roGroup.m_oShader.m_dwNumPasses > 0)
        {
            QIRN_ShaderPass& roOwn = roGroup.m_oShader.m_poPasses[0];
            if (roOwn.m_dwFVF == 0)
            {
                roOwn.m_dwFVF = dwOwnDefault;
            }
            else if (!bFound)
            {
                oFormat.dwFVF = roOwn.m_dwFVF;
                bFound = true;
            }
        }
    }
    if (!bFound)
    {
        oFormat.dwFVF = dwOwnDefault;
        oFormat.bTangent = false;
        oFormat.bBinormal = false;
    }
    return oFormat;
}

void QIRN_Mesh_DX8::WriteVertex(QIRN_DynamicVertex& L, const QIRN_MeshVertex& v, bool bSkinned) const
{
    L.SetPosition(v.m_vPosition.x, v.m_vPosition.y, v.m_vPosition.z);
    if (bSkinned)
    {
        const int iWeights =
            std::min<int>(static_cast<int>(m_poMeshData->m_dwMaxWeights), QIRN_MAXBLENDWEIGHTS);
        for (int i = 0; i < iWeights; ++i)
        {
            L.SetWeight(i, v.m_afWeights[i]);
        }
        for (int i = 0; i < QIRN_MAXBONEINDICES; ++i)
        {
            L.SetIndex(i, v.m_abyBoneIndices[i]);
        }
    }
    L.SetNormal(v.m_vNormal.x, v.m_vNormal.y, v.m_vNormal.z);
    L.SetDiffuse(v.m_dwDiffuse);
    L.SetDiffuseFloats(v.m_afU[3], v.m_afV[3], v.m_afW[3], v.m_afQ[3]);
    L.SetSpecular(0xFFFFFFFF);
    L.SetPointSize(1.0f);
    const int iSets = static_cast<int>(L.GetNumTexCoords());
    for (int i = 0; i < iSets && i < QIRN_MAX_TEXSETS; ++i)
    {
        switch (L.GetTexCoordSize(i))
        {
        case 1:
            L.SetTexCoord1(i, v.m_afU[i]);
            break;
        case 2:
            L.SetTexCoord2(i, v.m_afU[i], v.m_afV[i]);
            break;
        case 3:
            L.SetTexCoord3(i, v.m_afU[i], v.m_afV[i], v.m_afW[i]);
            break;
        case 4:
            L.SetTexCoord4(i, v.m_afU[i], v.m_afV[i], v.m_afW[i], v.m_afQ[i]);
            break;
        default:
            break;
        }
    }
    L.SetTangent(v.m_avTangents[0].x, v.m_avTangents[0].y, v.m_avTangents[0].z, v.m_avTangents[0].w);
    L.SetBinormal(v.m_avBinormals[0].x, v.m_avBinormals[0].y, v.m_avBinormals[0].z);
}

void QIRN_Mesh_DX8::FillVertexBuffer(QIRN_DynamicVertex& roLayout, void* pMemory)
{
    roLayout.SetBasePointer(pMemory);
    const uint32_t n = m_poMeshData->GetNumVertices();
    for (uint32_t i = 0; i < n; ++i)
    {
        roLayout.SetVertex(i);
        WriteVertex(roLayout, *m_poMeshData->GetVertex(static_cast<int>(i)), false);
    }
}

void QIRN_Mesh_DX8::FillSkinnedVertexBuffer(QIRN_DynamicVertex& roLayout, void* pMemory)
{
    roLayout.SetBasePointer(pMemory);
    const uint32_t n = m_poMeshData->GetNumVertices();
    for (uint32_t i = 0; i < n; ++i)
    {
        roLayout.SetVertex(i);
        WriteVertex(roLayout, *m_poMeshData->GetVertex(static_cast<int>(i)), true);
    }
}

void QIRN_Mesh_DX8::CopyIndices(const PolygonGroup& roGroup, uint16_t* pwIndices, uint32_t dwPosition)
{
    for (uint32_t i = 0; i < roGroup.m_dwNumIndices; ++i)
    {
        pwIndices[dwPosition + i] = static_cast<uint16_t>(roGroup.m_piIndices[i] + roGroup.m_dwBaseVertex);
    }
}

QIRN_ErrorCode QIRN_Mesh_DX8::LoadMeshData()
{
    int iSet0 = 0, iPrepass = 0;
    unsigned uShadow = 0;
    m_poMeshData->PreparePolygonGroups(&iSet0, nullptr, nullptr, nullptr, nullptr, &iPrepass, &uShadow);
    m_iPrepassVertexTotal = iPrepass;
    m_iPrepassOutputSize = iPrepass;
    m_dwShadowSize = uShadow;
    const Format oFormat = ChooseFormat(false);
    m_oLayout.SetVertexFormat(oFormat.dwFVF, oFormat.bTangent, oFormat.bBinormal, false, false,
                              oFormat.bFloatColors);

    const UINT uLength = static_cast<UINT>(m_oLayout.Size()) * m_poMeshData->GetNumVertices();
    if (uLength > 0)
    {
        m_pStaticVB = m_poGraphics->CreateVertexBuffer(uLength, oFormat.dwUsage, 0, D3DPOOL_DEFAULT);
    }
    BYTE* pVertices = nullptr;
    if (!m_pStaticVB || FAILED(m_pStaticVB->Lock(0, uLength, &pVertices, 0)))
    {
        return GENERICERROR;
    }
    // Components the mesh does not fill (blend weights beyond its own) read as 0, not as garbage.
    std::memset(pVertices, 0, uLength);
    FillVertexBuffer(m_oLayout, pVertices);
    m_pStaticVB->Unlock();
    if (iSet0 <= 0)
    {
        return GENERICERROR;
    }
    return LoadGroups(oFormat, 1, 0, static_cast<uint32_t>(iSet0));
}

QIRN_ErrorCode QIRN_Mesh_DX8::LoadSkinData()
{
    QIRN_MeshData& M = *m_poMeshData;
    const QIRN_DeviceInfo* poInfo = m_poGraphics->m_poDeviceInfo;
    const uint32_t dwConstants = poInfo ? poInfo->m_dwMaxVertexShaderConst : 0;
    const uint32_t dwBlend = poInfo ? poInfo->m_dwMaxVertexBlendMatrices : 0;
    const bool bNeverPartitioned = M.m_iPartitionedPaletteSize == 0;
    if (dwConstants >= 1)
    {
        if (bNeverPartitioned)
        {
            M.m_iRequestedPaletteSize = std::min<int32_t>(static_cast<int32_t>(M.m_dwNumPaletteEntries), 12);
            M.m_iRequestedWeights = std::min<int32_t>(M.m_iPartitionedWeights, 4);
            M.m_iRequestedThird = M.m_iPartitionedThird;
        }
        const int iWeights = std::min<int32_t>(M.m_iPartitionedWeights, 4);
        M.PartitionSkin(12, iWeights, 3 * iWeights);
    }
    else if (dwBlend == 4 || dwBlend == 2)
    {
        const int n = static_cast<int>(dwBlend);
        M.PartitionSkin(n, n, n);
    }
    else
    {
        if (bNeverPartitioned)
        {
            M.m_iRequestedPaletteSize = static_cast<int32_t>(M.m_dwNumPaletteEntries);
            M.m_iRequestedWeights = M.m_iPartitionedWeights;
            M.m_iRequestedThird = M.m_iPartitionedThird;
        }
        M.PartitionSkin(256, 4, 12);
    }
    if (M.GetNumVertices() > QIRN_DX8_MAXMESHVERTICES)
    {
        dprintf("*** QIRN_Mesh_DX8::Load() - Error, mesh '%s' has %u vertices, more than 16-bit indices "
                "reach\n",
                M.m_szName.c_str(), M.GetNumVertices());
        return GENERICERROR;
    }
    int aiSets[5] = {0, 0, 0, 0, 0};
    int iPrepass = 0;
    unsigned uShadow = 0;
    M.PreparePolygonGroups(&aiSets[0], &aiSets[1], &aiSets[2], &aiSets[3], &aiSets[4], &iPrepass, &uShadow);
    m_iPrepassVertexTotal = iPrepass;
    m_iPrepassOutputSize = iPrepass;
    m_dwShadowSize = uShadow;
    const Format oFormat = ChooseFormat(true);
    if (aiSets[4] != 0)
    {
        m_oLayout.SetVertexFormat(oFormat.dwFVF, oFormat.bTangent, oFormat.bBinormal, false,
                                  oFormat.bFloatIndices, oFormat.bFloatColors);
        const UINT uLength = static_cast<UINT>(m_oLayout.Size()) * M.GetNumVertices();
        if (uLength > 0)
        {
            m_pSkinnedVB = m_poGraphics->CreateVertexBuffer(uLength, oFormat.dwUsage, 0, D3DPOOL_DEFAULT);
        }
        BYTE* pVertices = nullptr;
        if (!m_pSkinnedVB || FAILED(m_pSkinnedVB->Lock(0, uLength, &pVertices, 0)))
        {
            return GENERICERROR;
        }
        std::memset(pVertices, 0, uLength);
        FillSkinnedVertexBuffer(m_oLayout, pVertices);
        m_pSkinnedVB->Unlock();
    }
    const int iTotal = aiSets[1] + aiSets[2] + aiSets[3] + aiSets[4];
    if (iTotal <= 0)
    {
        return GENERICERROR;
    }
    return LoadGroups(oFormat, 5, 4, static_cast<uint32_t>(iTotal));
}

QIRN_ErrorCode QIRN_Mesh_DX8::LoadGroups(const Format& roFormat, int iBatchList, int iBatchSet,
                                         uint32_t dwIndexTotal)
{
    m_dwIndexCapacity = dwIndexTotal;
    m_pIB =
        m_poGraphics->CreateIndexBuffer(2 * dwIndexTotal, roFormat.dwUsage, D3DFMT_INDEX16, D3DPOOL_DEFAULT);
    BYTE* pBytes = nullptr;
    if (!m_pIB || FAILED(m_pIB->Lock(0, 2 * dwIndexTotal, &pBytes, 0)))
    {
        return GENERICERROR;
    }
    uint16_t* pwIndices = reinterpret_cast<uint16_t*>(pBytes);
    const QIRN_MeshData& M = *m_poMeshData;
    const uint32_t dwType =
        (M.m_byBuildStrips && !M.m_byStripsAsLists) ? PRIMITIVE_TRISTRIP : PRIMITIVE_TRILIST;
    uint32_t dwPosition = 0;
    int32_t iPrepassPosition = 0;
    uint32_t dwShadowVertex = 0, dwShadowIndex = 0;
    for (PolygonGroup& roGroup : m_poMeshData->m_oPolygonGroups)
    {
        m_oRenderGroups.emplace_back(&roGroup, this);
        QIRN_RenderGroup& roRender = m_oRenderGroups.back();
        const size_t nBatches = roGroup.m_aoBatchSets[iBatchSet].m_voBatches.size();
        for (size_t b = 0; b < nBatches; ++b)
        {
            // The buffer was sized by the batch sets: a copy that would not fit is not made.
            if (dwPosition + roGroup.m_dwNumIndices > m_dwIndexCapacity)
            {
                dprintf("*** QIRN_Mesh_DX8::LoadMeshData() - Error, the indices of group '%s' do not fit the "
                        "index buffer\n",
                        roGroup.m_szName.c_str());
                break;
            }
            const QIRN_RenderBatch oBatch = {0,
                                             dwType,
                                             roGroup.m_dwBaseVertex,
                                             roGroup.m_num_vertices,
                                             dwPosition,
                                             PrimitiveCount(dwType, roGroup.m_dwNumIndices)};
            roRender.AddBatch(iBatchList, oBatch);
            roGroup.m_dwStartIndex = dwPosition;
            CopyIndices(roGroup, pwIndices, dwPosition);
            dwPosition += roGroup.m_dwNumIndices;
        }
        if (roGroup.HasPrepass())
        {
            CreatePrepassVertices(roGroup, iPrepassPosition, roFormat);
        }
        if (roGroup.HasShadowPass())
        {
            CreateShadowVolume(roRender, dwShadowVertex, dwShadowIndex, roFormat);
        }
    }
    return FAILED(m_pIB->Unlock()) ? GENERICERROR : OK;
}

QIRN_ErrorCode QIRN_Mesh_DX8::CreatePrepassVertices(PolygonGroup& roGroup, int32_t& riPosition,
                                                    const Format& roFormat)
{
    QIRN_DynamicVertex oLayout;
    oLayout.SetVertexFormat(roFormat.dwFVF, roFormat.bTangent, roFormat.bBinormal, false,
                            roFormat.bFloatIndices, roFormat.bFloatColors);
    const UINT uStride = static_cast<UINT>(oLayout.Size());
    if (!m_pSoftwareVB && m_iPrepassVertexTotal != 0)
    {
        m_pSoftwareVB =
            m_poGraphics->CreateVertexBuffer(uStride * static_cast<UINT>(m_iPrepassVertexTotal),
                                             D3DUSAGE_WRITEONLY | D3DUSAGE_DONOTCLIP, 0, D3DPOOL_SYSTEMMEM);
    }
    if (!m_pSoftwareVB)
    {
        return GENERICERROR;
    }
    // The group's vertices must lie within both the mesh and the buffer.
    const uint32_t dwEnd = static_cast<uint32_t>(riPosition) + roGroup.m_num_vertices;
    if (dwEnd > static_cast<uint32_t>(m_iPrepassVertexTotal) ||
        roGroup.m_dwBaseVertex + roGroup.m_num_vertices > m_poMeshData->GetNumVertices())
    {
        dprintf("*** QIRN_Mesh_DX8::CreatePrepassVertices() - Error, group '%s' lies outside the prepass "
                "buffer\n",
                roGroup.m_szName.c_str());
        return GENERICERROR;
    }
    BYTE* pBytes = nullptr;
    if (FAILED(m_pSoftwareVB->Lock(uStride * static_cast<UINT>(riPosition), uStride * roGroup.m_num_vertices,
                                   &pBytes, 0)))
    {
        return GENERICERROR;
    }
    oLayout.SetBasePointer(pBytes);
    const bool bSkinned = IsSkinned();
    for (uint32_t i = 0; i < roGroup.m_num_vertices; ++i)
    {
        oLayout.SetVertex(i);
        WriteVertex(oLayout, *m_poMeshData->GetVertex(static_cast<int>(roGroup.m_dwBaseVertex + i)),
                    bSkinned);
    }
    m_pSoftwareVB->Unlock();
    roGroup.m_start_alpha_vertex_index = static_cast<uint32_t>(riPosition);
    riPosition += static_cast<int32_t>(roGroup.m_num_vertices);
    return OK;
}

void QIRN_Mesh_DX8::WriteShadowVertex(QIRN_DynamicVertex& L, const QIRN_MeshVertex& v,
                                      const QIRN_MeshVertex& n1, const QIRN_MeshVertex& n2) const
{
    WriteVertex(L, v, IsSkinned());
    L.SetNeighbor1Position(n1.m_vPosition.x, n1.m_vPosition.y, n1.m_vPosition.z);
    L.SetNeighbor2Position(n2.m_vPosition.x, n2.m_vPosition.y, n2.m_vPosition.z);
    for (int i = 0; i < QIRN_MAXBLENDWEIGHTS; ++i)
    {
        L.SetNeighbor1Weight(i, n1.m_afWeights[i]);
        L.SetNeighbor2Weight(i, n2.m_afWeights[i]);
    }
    for (int i = 0; i < QIRN_MAXBONEINDICES; ++i)
    {
        L.SetNeighbor1Index(i, n1.m_abyBoneIndices[i]);
        L.SetNeighbor2Index(i, n2.m_abyBoneIndices[i]);
    }
    QIRN_Vector4 d1 = v.m_vPosition - n1.m_vPosition, d2 = v.m_vPosition - n2.m_vPosition, vCross, vNormal;
    Vector_Cross(&d1, &d2, &vCross);
    Vector_Normalize(&vCross, &vNormal);
    L.SetFaceNormal(vNormal.x, vNormal.y, vNormal.z);
}

QIRN_ErrorCode QIRN_Mesh_DX8::CreateShadowVolume(QIRN_RenderGroup& roRender, uint32_t& rdwVertexPos,
                                                 uint32_t& rdwIndexPos, const Format& roFormat)
{
    PolygonGroup* poGroup = roRender.m_pPolygonGroup;
    if (!poGroup || roRender.m_pNeighbourBatch)
    {
        return GENERICERROR;
    }
    const uint32_t dwTriangles = poGroup->m_dwNumIndices / 3;
    std::vector<uint32_t> vCorners(3 * static_cast<size_t>(dwTriangles));
    for (size_t i = 0; i < vCorners.size(); ++i)
    {
        vCorners[i] = static_cast<uint32_t>(poGroup->m_piIndices[i]) + poGroup->m_dwBaseVertex;
        if (vCorners[i] >= m_poMeshData->GetNumVertices())
        {
            return GENERICERROR;
        }
    }
    MeshAdjacency oAdjacency;
    if (dwTriangles == 0 || !oAdjacency.Init(dwTriangles, vCorners.data(), nullptr) ||
        !oAdjacency.LinkFaces())
    {
        return GENERICERROR;
    }
    QIRN_DynamicVertex L;
    L.SetVertexFormat(roFormat.dwFVF, roFormat.bTangent, roFormat.bBinormal, true, roFormat.bFloatIndices,
                      roFormat.bFloatColors);
    m_iShadowStride = L.Size();
    const UINT uStride = static_cast<UINT>(m_iShadowStride);
    if (!m_pShadowVB && m_dwShadowSize != 0)
    {
        m_dwShadowSize = std::min<uint32_t>(3 * m_dwShadowSize, 0xFFFE);
        m_pShadowVB = m_poGraphics->CreateVertexBuffer(uStride * m_dwShadowSize, D3DUSAGE_WRITEONLY, 0,
                                                       D3DPOOL_DEFAULT);
    }
    if (m_iShadowIndexCapacity == 0)
    {
        m_iShadowIndexCapacity = static_cast<int32_t>(7 * m_dwShadowSize);
    }
    if (!m_pShadowIB && m_iShadowIndexCapacity > 0)
    {
        m_pShadowIB = m_poGraphics->CreateIndexBuffer(2 * static_cast<UINT>(m_iShadowIndexCapacity),
                                                      D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_DEFAULT);
    }
    const uint32_t dwIndexCapacity = static_cast<uint32_t>(m_iShadowIndexCapacity);
    // Both locks stay within their buffers: an exhausted buffer takes nothing more.
    if (!m_pShadowVB || !m_pShadowIB || rdwVertexPos >= m_dwShadowSize || rdwIndexPos >= dwIndexCapacity)
    {
        dprintf("*** QIRN_Mesh_DX8::CreateShadowVolume() - Error, no room for the shadow of group '%s'\n",
                poGroup->m_szName.c_str());
        return GENERICERROR;
    }
    // Face vertices take one a group index, and fins on open edges take more: the lock reaches to
    // the end of the buffer, never past it.
    const uint32_t dwVertexRoom = m_dwShadowSize - rdwVertexPos;
    const uint32_t dwIndexRoom = std::min(7 * poGroup->m_dwNumIndices, dwIndexCapacity - rdwIndexPos);
    BYTE* pVertexBytes = nullptr;
    BYTE* pIndexBytes = nullptr;
    if (FAILED(m_pShadowVB->Lock(uStride * rdwVertexPos, uStride * dwVertexRoom, &pVertexBytes, 0)))
    {
        return GENERICERROR;
    }
    if (FAILED(m_pShadowIB->Lock(2 * rdwIndexPos, 2 * dwIndexRoom, &pIndexBytes, 0)))
    {
        m_pShadowVB->Unlock();
        return GENERICERROR;
    }
    L.SetBasePointer(pVertexBytes);
    uint16_t* pwIndices = reinterpret_cast<uint16_t*>(pIndexBytes);
    auto Corner = [&](uint32_t t, uint32_t c) -> const QIRN_MeshVertex&
    { return *m_poMeshData->GetVertex(static_cast<int>(vCorners[3 * t + c])); };
    // Face vertices, three a triangle, as far as the room goes.
    uint32_t dwWritten = 0;
    uint32_t dwFaceTriangles = 0;
    for (uint32_t t = 0; t < dwTriangles && dwWritten + 3 <= dwVertexRoom; ++t)
    {
        for (uint32_t c = 0; c < 3; ++c)
        {
            L.SetVertex(dwWritten++);
            WriteShadowVertex(L, Corner(t, c), Corner(t, (c + 1) % 3), Corner(t, (c + 2) % 3));
        }
        ++dwFaceTriangles;
    }
    // Edge (v0, v1), (v0, v2), (v1, v2) as start and end corners in the winding order.
    static const uint32_t aadwEdge[3][2] = {{0, 1}, {2, 0}, {1, 2}};
    std::vector<uint8_t> vHandled(3 * static_cast<size_t>(dwTriangles), 0);
    uint32_t dwIndices = 0;
    auto Emit = [&](std::initializer_list<uint32_t> vValues)
    {
        for (uint32_t v : vValues)
        {
            pwIndices[dwIndices++] = static_cast<uint16_t>(v);
        }
    };
    // Indices stop at the last triangle whose face vertices were written.
    for (uint32_t t = 0; t < dwFaceTriangles && dwIndices + 3 <= dwIndexRoom; ++t)
    {
        const uint32_t F = rdwVertexPos + 3 * t;
        Emit({F, F + 1, F + 2});
        for (uint32_t e = 0; e < 3; ++e)
        {
            if (vHandled[3 * t + e] || dwIndices + 6 > dwIndexRoom)
            {
                continue;
            }
            const uint32_t a = aadwEdge[e][0], b = aadwEdge[e][1];
            const uint32_t A = F + a, B = F + b;
            const uint32_t dwLink = oAdjacency.m_poFaces[t].m_adwLink[e];
            if (dwLink != ADJACENCY_OPEN_EDGE)
            {
                const uint32_t n = AdjacencyLinkFace(dwLink), en = AdjacencyLinkEdge(dwLink);
                if (n >= dwTriangles || vHandled[3 * n + en])
                {
                    continue;
                }
                vHandled[3 * n + en] = 1;
                if (n >= dwFaceTriangles)
                {
                    continue;
                }
                const uint32_t a2 = aadwEdge[en][0], b2 = aadwEdge[en][1];
                const uint32_t A2 = rdwVertexPos + 3 * n + a2, B2 = rdwVertexPos + 3 * n + b2;
                const bool bJoined = !(Corner(t, a).m_vPosition != Corner(n, b2).m_vPosition) &&
                                     !(Corner(t, b).m_vPosition != Corner(n, a2).m_vPosition);
                if (bJoined)
                {
                    Emit({A, B2, B, A2, B, B2});
                    vHandled[3 * t + e] = 1;
                }
                continue;
            }
            if (dwWritten + 2 > dwVertexRoom)
            {
                continue;
            }
            // An open edge gets a fin of two vertices whose neighbours make a zero face normal.
            const uint32_t X1 = rdwVertexPos + dwWritten, X2 = X1 + 1;
            const QIRN_MeshVertex& roA = Corner(t, a);
            const QIRN_MeshVertex& roB = Corner(t, b);
            const QIRN_MeshVertex& roC = Corner(t, 3 - a - b);
            L.SetVertex(dwWritten++);
            WriteShadowVertex(L, roB, roA, roA);
            L.SetVertex(dwWritten++);
            WriteShadowVertex(L, roA, roC, roC);
            Emit({A, X2, B, X1, B, X2});
            vHandled[3 * t + e] = 1;
        }
    }
    const bool bUnlocked = SUCCEEDED(m_pShadowVB->Unlock()) & SUCCEEDED(m_pShadowIB->Unlock());
    if (!bUnlocked)
    {
        return GENERICERROR;
    }
    if (dwFaceTriangles < dwTriangles)
    {
        dprintf(
            "*** QIRN_Mesh_DX8::CreateShadowVolume() - Warning, the shadow of group '%s' keeps %u of its %u "
            "triangles\n",
            poGroup->m_szName.c_str(), dwFaceTriangles, dwTriangles);
    }
    roRender.m_pNeighbourBatch = new (std::nothrow)
        QIRN_RenderBatch{0, PRIMITIVE_TRILIST, rdwVertexPos, dwWritten, rdwIndexPos, dwIndices / 3};
    if (!roRender.m_pNeighbourBatch)
    {
        return GENERICERROR;
    }
    rdwVertexPos += dwWritten;
    rdwIndexPos += dwIndices;
    return OK;
}

QIRN_ErrorCode QIRN_Mesh_DX8::LoadShaders(int32_t iShaderIndex)
{
    if (iShaderIndex < 0)
    {
        dprintf("*** QIRN_Mesh_DX8::LoadShaders() - Error loading shader!\n");
        return GENERICERROR;
    }
    for (QIRN_RenderGroup& roRender : m_oRenderGroups)
    {
        PolygonGroup* poGroup = roRender.m_pPolygonGroup;
        QIRN_Shader* poSlot = poGroup ? poGroup->GetShader(iShaderIndex) : nullptr;
        if (iShaderIndex < roRender.m_iNumShaderSlots)
        {
            if (poSlot)
            {
                QIRN_Shader_DX8* poConverted = m_poGraphics->GetDX8Shader(poSlot->GetName());
                if (poConverted && poConverted->m_poSource == poSlot)
                {
                    m_poGraphics->ReloadShader(poSlot);
                }
                else if (poConverted)
                {
                    if (m_poGraphics->RemoveShader(poSlot->GetName()) != OK)
                    {
                        dprintf("*** QIRN_Mesh_DX8 :: LoadShaders() - Error: Could not delete shader\n");
                    }
                    roRender.m_ppShaderSlots[iShaderIndex] = nullptr;
                }
            }
        }
        else
        {
            void** ppGrown = new (std::nothrow) void*[iShaderIndex + 1]();
            if (!ppGrown)
            {
                dprintf("*** QIRN_Mesh_DX8::LoadShaders() - Error loading shader!\n");
                return GENERICERROR;
            }
            for (int32_t i = 0; i < roRender.m_iNumShaderSlots; ++i)
            {
                ppGrown[i] = roRender.m_ppShaderSlots[i];
            }
            delete[] roRender.m_ppShaderSlots;
            roRender.m_ppShaderSlots = ppGrown;
            roRender.m_iNumShaderSlots = iShaderIndex + 1;
        }
        const QIRN_ErrorCode eLoad = m_poGraphics->LoadShader(poSlot);
        if (eLoad != OK)
        {
            dprintf("*** QIRN_Mesh_DX8::LoadShaders() - Error loading shader!\n");
            return eLoad;
        }
        QIRN_Shader_DX8* poConverted = m_poGraphics->GetDX8Shader(poSlot->GetName());
        roRender.m_ppShaderSlots[iShaderIndex] = poConverted;
        if (!poConverted)
        {
            dprintf("*** QIRN_Mesh_DX8:: LoadShaders() - Error loading shader!\n");
            return GENERICERROR;
        }
    }
    return OK;
}

QIRN_ErrorCode QIRN_Mesh_DX8::Render(int32_t iShaderIndex, uint32_t dwPassIndex, bool bCull,
                                     int32_t iBoundsMode)
{
    IDirect3DDevice8* pDevice = m_poGraphics ? m_poGraphics->GetDevice() : nullptr;
    if (!pDevice)
    {
        return GENERICERROR;
    }
    UpdateSoftwareSkinning();
    m_iShaderIndex = iShaderIndex;
    m_dwPassIndex = dwPassIndex;
    const bool bSkinned = IsSkinned();
    bool bViewSwapped = false;
    D3DMATRIX oSavedView = {};
    QIRN_Shader_DX8* poPrevious = nullptr;
    QIRN_ErrorCode eResult = OK;
    for (QIRN_RenderGroup& roRender : m_oRenderGroups)
    {
        m_poCurrentRenderGroup = &roRender;
        QIRN_Shader_DX8* poShader =
            (roRender.m_ppShaderSlots && iShaderIndex >= 0 && iShaderIndex < roRender.m_iNumShaderSlots)
                ? static_cast<QIRN_Shader_DX8*>(roRender.m_ppShaderSlots[iShaderIndex])
                : nullptr;
        if (!poShader)
        {
            eResult = GENERICERROR;
            break;
        }
        m_poCurrentShader = poShader;
        if (dwPassIndex >= poShader->m_dwNumPasses || poShader->m_poPasses[dwPassIndex].m_bSkipPass)
        {
            continue;
        }
        m_poCurrentPass = &poShader->m_poPasses[dwPassIndex];
        const uint32_t dwType = m_poCurrentPass->m_dwPrimitiveType;
        QIRN_CameraActor* poSecondary = m_poGraphics->m_pFrustumCamera;
        if (dwType == PRIMITIVE_TRISTRIP && !bViewSwapped && poSecondary &&
            poSecondary != m_poGraphics->m_pCamera)
        {
            QIRN_ViewMatrix oView;
            D3DMATRIX oD3DView = {};
            if (SUCCEEDED(pDevice->GetTransform(D3DTS_VIEW, &oSavedView)) &&
                poSecondary->GetTransform(&oView) == OK)
            {
                QIRN_Graphics_DX8::ConvertQIRNMatrixToD3D(&oView, &oD3DView);
                m_poGraphics->SetTransform(D3DTS_VIEW, &oD3DView);
                bViewSwapped = true;
            }
        }
        PolygonGroup* poGroup = roRender.m_pPolygonGroup;
        if (bCull && !bSkinned && poGroup && m_poGraphics->m_pCamera &&
            !m_poGraphics->m_pCamera->IsSphereInFrustum(poGroup->GetBoundingSphere()))
        {
            continue;
        }
        if (bCull && iBoundsMode == 3 && poGroup && (!bSkinned || poShader != poPrevious))
        {
            m_poGraphics->DrawBoundingSphere(poGroup->GetBoundingSphere());
        }
        poPrevious = poShader;
        switch (dwType)
        {
        case PRIMITIVE_RECTPATCH:
            DrawRectPatches();
            break;
        case PRIMITIVE_TRIPATCH:
            DrawTriPatches();
            break;
        case 0:
        case PRIMITIVE_POINTLIST:
        case PRIMITIVE_TRILIST:
        case PRIMITIVE_TRISTRIP:
            RenderPolygonGroups();
            break;
        default:
            break;
        }
    }
    // The swapped view goes back on every way out.
    if (bViewSwapped)
    {
        m_poGraphics->SetTransform(D3DTS_VIEW, &oSavedView);
    }
    return eResult;
}

QIRN_ErrorCode QIRN_Mesh_DX8::DrawRectPatches()
{
    dprintf("*** QIRN_Mesh_DX8::Draw() - Error, rectangular patches not yet supported.\n");
    return OK;
}

QIRN_ErrorCode QIRN_Mesh_DX8::DrawTriPatches()
{
    dprintf("*** QIRN_Mesh_DX8::Draw() - Error, triangular patches not yet supported.\n");
    return OK;
}

void QIRN_Mesh_DX8::SetBlendOff()
{
    m_poGraphics->SetRS(D3DRS_VERTEXBLEND, D3DVBF_DISABLE);
    m_poGraphics->SetRS(D3DRS_INDEXEDVERTEXBLENDENABLE, FALSE);
}

void QIRN_Mesh_DX8::SetWorld(const QIRN_Matrix4& roMatrix)
{
    D3DMATRIX oD3D = {};
    QIRN_Graphics_DX8::ConvertQIRNMatrixToD3D(&roMatrix, &oD3D);
    m_poGraphics->SetTransform(D3DTS_WORLD, &oD3D);
}

void QIRN_Mesh_DX8::SetIndexedBlending(uint32_t dwFVF)
{
    SetSkinningMatrices(true);
    m_poGraphics->SetRS(D3DRS_INDEXEDVERTEXBLENDENABLE, TRUE);
    DWORD dwBlend = 0;
    if (BlendOfPosition(dwFVF, &dwBlend))
    {
        m_poGraphics->SetRS(D3DRS_VERTEXBLEND, dwBlend);
    }
}

void QIRN_Mesh_DX8::SetSkinningMatrices(bool bIndexed)
{
    PolygonGroup* poGroup = m_poCurrentRenderGroup ? m_poCurrentRenderGroup->m_pPolygonGroup : nullptr;
    if (!poGroup)
    {
        return;
    }
    D3DMATRIX oD3D = {};
    if (bIndexed)
    {
        const QIRN_Matrix4 oLocal = m_poMeshData->GetLocalMatrix();
        for (const PolygonGroupBone& roBone : poGroup->m_voBones)
        {
            const QIRN_Matrix4 oSkin = Multiply(m_poMeshData->GetSkinMatrix(roBone.m_iPaletteSlot), oLocal);
            QIRN_Graphics_DX8::ConvertQIRNMatrixToD3D(&oSkin, &oD3D);
            m_poGraphics->SetTransform(D3DTS_WORLDMATRIX(roBone.m_iMatrixSlot), &oD3D);
        }
        return;
    }
    m_poGraphics->SetRS(D3DRS_INDEXEDVERTEXBLENDENABLE, FALSE);
    static const DWORD adwBlend[] = {D3DVBF_0WEIGHTS, D3DVBF_1WEIGHTS, D3DVBF_2WEIGHTS, D3DVBF_3WEIGHTS};
    const size_t n = poGroup->m_oBoneSlotMap.size();
    if (n >= 1 && n <= 4)
    {
        m_poGraphics->SetRS(D3DRS_VERTEXBLEND, adwBlend[n - 1]);
    }
    for (const auto& roEntry : poGroup->m_oBoneSlotMap)
    {
        if (roEntry.second < 0 || roEntry.second > 3)
        {
            continue;
        }
        const QIRN_Matrix4 oSkin = m_poMeshData->GetSkinMatrix(roEntry.first);
        QIRN_Graphics_DX8::ConvertQIRNMatrixToD3D(&oSkin, &oD3D);
        m_poGraphics->SetTransform(D3DTS_WORLDMATRIX(roEntry.second), &oD3D);
    }
}

void QIRN_Mesh_DX8::UpdateSoftwareSkinning()
{
    if (!IsSkinned() || (m_oLayout.GetFVF() & QIRN_FVF_LASTBETA_UBYTE4) || !m_pSkinnedVB)
    {
        return;
    }
    BYTE* pBytes = nullptr;
    const uint32_t n = m_poMeshData->GetNumVertices();
    if (FAILED(m_pSkinnedVB->Lock(0, static_cast<UINT>(m_oLayout.Size()) * n, &pBytes, 0)))
    {
        return;
    }
    m_oLayout.SetBasePointer(pBytes);
    const bool bNormal = m_oLayout.HasNormal(), bTangent = m_oLayout.HasTangent(),
               bBinormal = m_oLayout.HasBinormal();
    for (uint32_t i = 0; i < n; ++i)
    {
        const QIRN_MeshVertex& roSource = *m_poMeshData->GetVertex(static_cast<int>(i));
        QIRN_MeshVertex oSkinned;
        oSkinned.Clear();
        m_poMeshData->SkinVertex(&oSkinned, roSource.m_iSourceIndex, bNormal, bTangent, bBinormal);
        m_oLayout.SetVertex(i);
        m_oLayout.SetPosition(oSkinned.m_vPosition.x, oSkinned.m_vPosition.y, oSkinned.m_vPosition.z);
        if (bNormal)
        {
            m_oLayout.SetNormal(oSkinned.m_vNormal.x, oSkinned.m_vNormal.y, oSkinned.m_vNormal.z);
        }
        if (bTangent)
        {
            const QIRN_Vector4& t = oSkinned.m_avTangents[0];
            m_oLayout.SetTangent(t.x, t.y, t.z, roSource.m_avTangents[0].w);
        }
        if (bBinormal)
        {
            const QIRN_Vector4& b = oSkinned.m_avBinormals[0];
            m_oLayout.SetBinormal(b.x, b.y, b.z);
        }
    }
    m_pSkinnedVB->Unlock();
}

QIRN_ErrorCode QIRN_Mesh_DX8::ProcessPrepassVertices()
{
    IDirect3DDevice8* pDevice = m_poGraphics->GetDevice();
    if (!m_pvb_prepass && m_iPrepassOutputSize > 0)
    {
        m_pvb_prepass = m_poGraphics->CreateVertexBuffer(
            PREPASS_STRIDE * static_cast<UINT>(m_iPrepassOutputSize),
            D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC | D3DUSAGE_NPATCHES, PREPASS_FVF, D3DPOOL_DEFAULT);
    }
    if (!m_pvb_prepass)
    {
        return GENERICERROR;
    }
    QIRN_ShaderPass_DX8& P = *m_poCurrentPass;
    const bool bHardwareVS = P.m_dwVertexShader != 0;
    const DWORD dwSavedSoftware = m_poGraphics->GetRS(D3DRS_SOFTWAREVERTEXPROCESSING);
    m_poGraphics->SetRS(D3DRS_SOFTWAREVERTEXPROCESSING, TRUE);
    if (!m_pSoftwareVB)
    {
        m_poGraphics->SetRS(D3DRS_SOFTWAREVERTEXPROCESSING, dwSavedSoftware);
        return GENERICERROR;
    }
    m_poGraphics->SetVB(0, m_pSoftwareVB, static_cast<UINT>(m_oLayout.Size()));
    m_poGraphics->SetIB(m_pIB, 0);
    const DWORD dwSavedClipping = m_poGraphics->GetRS(D3DRS_CLIPPING);
    m_poGraphics->SetRS(D3DRS_CLIPPING, FALSE);
    D3DVIEWPORT8 oSavedViewport = {};
    pDevice->GetViewport(&oSavedViewport);
    const D3DVIEWPORT8 oUnit = {0, 0, 1, 1, 0.0f, 1.0f};
    pDevice->SetViewport(&oUnit);
    const DWORD dwHardware = P.m_dwVertexShader;
    P.m_dwVertexShader = P.m_dwSWVertexShader;
    m_poGraphics->SetDX8Shader(m_poCurrentShader, m_dwPassIndex, nullptr, true);
    P.m_dwVertexShader = dwHardware;
    const bool bSkinned = IsSkinned();
    const bool bIndexed = bSkinned && !bHardwareVS && (m_oLayout.GetFVF() & QIRN_FVF_LASTBETA_UBYTE4);
    if (bSkinned)
    {
        if (bIndexed)
        {
            SetIndexedBlending(m_oLayout.GetFVF());
        }
        else
        {
            SetBlendOff();
            if (!bHardwareVS)
            {
                SetWorld(Identity());
            }
        }
    }
    const int iList = bSkinned ? 5 : 1;
    QIRN_ErrorCode eResult = OK;
    const QIRN_RenderBatch* pBatches = m_poCurrentRenderGroup->GetBatches(iList);
    for (int32_t b = 0; b < m_poCurrentRenderGroup->GetNumBatches(iList); ++b)
    {
        const QIRN_RenderBatch& roBatch = pBatches[b];
        // Source and destination are the batch's vertex range: both buffers must hold it.
        const uint64_t qwEnd = static_cast<uint64_t>(roBatch.m_dwMinVertex) + roBatch.m_dwNumVertices;
        if (qwEnd > static_cast<uint64_t>(m_iPrepassOutputSize) ||
            qwEnd > static_cast<uint64_t>(m_iPrepassVertexTotal))
        {
            dprintf("*** QIRN_Mesh_DX8::ProcessPrepassVertices() - Error, vertices %u to %u lie outside the "
                    "prepass buffers of %d vertices\n",
                    roBatch.m_dwMinVertex, static_cast<uint32_t>(qwEnd), m_iPrepassOutputSize);
            eResult = GENERICERROR;
            break;
        }
        const HRESULT hr = pDevice->ProcessVertices(roBatch.m_dwMinVertex, roBatch.m_dwMinVertex,
                                                    roBatch.m_dwNumVertices, m_pvb_prepass, 0);
        if (FAILED(hr))
        {
            dprintf("\n\n%s error while executing %s in %s at line %d!\n\n", QIRN_D3DErrorName(hr),
                    "m_poGraphics->GetDevice()->ProcessVertices(pBatch->startvertexindex, "
                    "pBatch->startvertexindex, pBatch->numvertices, m_pvb_prepass, 0)",
                    __FILE__, __LINE__);
            eResult = GENERICERROR;
            break;
        }
    }
    if (bSkinned && !bHardwareVS)
    {
        m_poGraphics->SetRS(D3DRS_INDEXEDVERTEXBLENDENABLE, FALSE);
    }
    m_poGraphics->SetRS(D3DRS_CLIPPING, dwSavedClipping);
    pDevice->SetViewport(&oSavedViewport);
    m_poGraphics->SetRS(D3DRS_SOFTWAREVERTEXPROCESSING, dwSavedSoftware);
    return eResult;
}

QIRN_ErrorCode QIRN_Mesh_DX8::RenderPolygonGroups()
{
    QIRN_Shader_DX8* poShader = m_poCurrentShader;
    QIRN_RenderGroup* poRender = m_poCurrentRenderGroup;
    if (!poShader || !poRender || !m_poCurrentPass)
    {
        return GENERICERROR;
    }
    if (poShader->m_poSource && !poShader->m_poSource->m_poOwner)
    {
        poShader->m_poSource->m_poOwner = poRender->m_pPolygonGroup;
    }
    poShader->m_poCurrentPolygonGroup = poRender->m_pPolygonGroup;
    const uint32_t dwRequested = m_dwPassIndex;
    bool bPrepassDone = false;
    if (m_poCurrentPass->m_bIsPrepass)
    {
        ProcessPrepassVertices();
        bPrepassDone = true;
    }
    if (poShader->m_dwNumPasses > 0 && poShader->m_poPasses[0].m_bIsPrepass)
    {
        if (dwRequested != 0)
        {
            return OK;
        }
        if (poShader->m_dwNumPasses < 2 || !poShader->m_poPasses[1].m_dwPrepassVertexShader)
        {
            return GENERICERROR;
        }
        m_dwPassIndex = 1;
    }
    const QIRN_ErrorCode eResult = DrawGroup(bPrepassDone);
    m_dwPassIndex = dwRequested;
    return eResult;
}

QIRN_ErrorCode QIRN_Mesh_DX8::DrawShadow()
{
    QIRN_ErrorCode e = m_poGraphics->SetDX8Shader(m_poCurrentShader, m_dwPassIndex, nullptr, true);
    if (e != OK)
    {
        return e;
    }
    if ((e = m_poGraphics->SetIB(m_pShadowIB, 0)) != OK ||
        (e = m_poGraphics->SetVB(0, m_pShadowVB, static_cast<UINT>(m_iShadowStride))) != OK)
    {
        return e;
    }
    const QIRN_RenderBatch* poBatch = m_poCurrentRenderGroup->m_pNeighbourBatch;
    if (!poBatch)
    {
        return GENERICERROR;
    }
    return m_poGraphics->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, poBatch->m_dwMinVertex,
                                              poBatch->m_dwNumVertices, poBatch->m_dwStartIndex,
                                              poBatch->m_dwPrimitiveCount);
}

QIRN_ErrorCode QIRN_Mesh_DX8::SortGroup(uint32_t dwPass)
{
    PolygonGroup* poGroup = m_poCurrentRenderGroup->m_pPolygonGroup;
    SortedPolygonGroup* poSorted = new (std::nothrow) SortedPolygonGroup;
    if (!poGroup || !poSorted)
    {
        delete poSorted;
        return GENERICERROR;
    }
    poSorted->m_dwStartIndex = poGroup->m_dwStartIndex;
    poSorted->m_dwBaseVertex = poGroup->m_dwBaseVertex;
    poSorted->m_start_alpha_vertex_index = poGroup->m_start_alpha_vertex_index;
    poSorted->m_num_vertices = poGroup->m_num_vertices;
    poSorted->m_piIndices = poGroup->m_piIndices;
    poSorted->m_dwNumIndices = poGroup->m_dwNumIndices;
    poSorted->m_poMesh = this;
    poSorted->m_poRenderGroup = m_poCurrentRenderGroup;
    poSorted->m_oLayout = m_oLayout;
    poSorted->m_poShader = m_poCurrentShader;
    poSorted->m_dwPass = dwPass;
    const QIRN_Matrix4 oLocal = m_poMeshData->GetLocalMatrix();
    if (IsSkinned())
    {
        int32_t iSlots = 0;
        for (const PolygonGroupBone& roBone : poGroup->m_voBones)
        {
            iSlots = std::max(iSlots, roBone.m_iMatrixSlot + 1);
        }
        poSorted->m_dwNumMatrices = static_cast<uint32_t>(std::max<int32_t>(iSlots, 1));
        poSorted->m_poMatrices = new (std::nothrow) QIRN_Matrix4[poSorted->m_dwNumMatrices];
        if (poSorted->m_poMatrices)
        {
            for (uint32_t i = 0; i < poSorted->m_dwNumMatrices; ++i)
            {
                Matrix_Identity(&poSorted->m_poMatrices[i]);
            }
            for (const PolygonGroupBone& roBone : poGroup->m_voBones)
            {
                if (roBone.m_iMatrixSlot >= 0)
                {
                    poSorted->m_poMatrices[roBone.m_iMatrixSlot] =
                        Multiply(m_poMeshData->GetSkinMatrix(roBone.m_iPaletteSlot), oLocal);
                }
            }
        }
    }
    else
    {
        poSorted->m_dwNumMatrices = 1;
        poSorted->m_poMatrices = new (std::nothrow) QIRN_Matrix4[1];
        if (poSorted->m_poMatrices)
        {
            poSorted->m_poMatrices[0] = Multiply(m_poMeshData->GetWorldMatrix(), oLocal);
        }
    }
    if (!poSorted->m_poMatrices)
    {
        delete poSorted;
        return GENERICERROR;
    }
    float fKey = 0.0f;
    const QIRN_BoundingSphere oSphere = poGroup->GetBoundingSphere();
    if (m_poGraphics->m_pCamera)
    {
        QIRN_Vector4 vDelta = oSphere.m_vCenter - m_poGraphics->m_pCamera->GetPosition();
        fKey = Vector_Length(&vDelta);
    }
    const uint32_t dwKey = m_poCurrentPass->m_dwPGSortKey;
    if (dwKey == 1)
    {
        fKey += oSphere.m_fRadius;
    }
    else if (dwKey == 0)
    {
        fKey -= oSphere.m_fRadius;
    }
    const QIRN_ErrorCode e = m_poGraphics->AddSortedPolygonGroup(poSorted, fKey);
    if (e != OK)
    {
        dprintf("*** QIRN_Mesh_DX8::RenderPolygonGroups() - Unable to process sorted polygons!\n");
    }
    return e;
}

QIRN_ErrorCode QIRN_Mesh_DX8::DrawGroup(bool bPrepassDone)
{
    QIRN_ShaderPass_DX8& P = *m_poCurrentPass;
    if (P.m_bShadowPass)
    {
        return DrawShadow();
    }
    if (P.m_dwPGSortMode != 0)
    {
        return SortGroup(m_dwPassIndex);
    }
    QIRN_ShaderPass_DX8& roDrawn = m_poCurrentShader->m_poPasses[m_dwPassIndex];
    QIRN_ErrorCode e = OK;
    if (bPrepassDone)
    {
        const DWORD dwHardware = roDrawn.m_dwVertexShader;
        roDrawn.m_dwVertexShader = roDrawn.m_dwPrepassVertexShader;
        e = m_poGraphics->SetDX8Shader(m_poCurrentShader, m_dwPassIndex, nullptr, true);
        roDrawn.m_dwVertexShader = dwHardware;
    }
    else
    {
        e = m_poGraphics->SetDX8Shader(m_poCurrentShader, m_dwPassIndex, nullptr, true);
    }
    if (e != OK)
    {
        return e;
    }
    if ((e = m_poGraphics->SetIB(m_pIB, 0)) != OK)
    {
        return e;
    }
    const bool bFixed = P.m_dwVertexShader == 0;
    const uint32_t dwFVF = P.m_dwFVF;
    const bool bSkinned = IsSkinned();
    bool bIndexedOn = false;
    if (bSkinned)
    {
        if (!bFixed && !(dwFVF & 0x2))
        {
            if (bPrepassDone && P.m_dwPrimitiveType == PRIMITIVE_TRISTRIP)
            {
                SetBlendOff();
                SetWorld(PREPASS_MATRIX);
            }
        }
        else if (bFixed && (dwFVF & QIRN_FVF_LASTBETA_UBYTE4))
        {
            SetIndexedBlending(dwFVF);
            bIndexedOn = true;
        }
        else
        {
            SetBlendOff();
            SetWorld(Identity());
        }
    }
    else if (bFixed || P.m_dwPrimitiveType == PRIMITIVE_TRISTRIP)
    {
        SetBlendOff();
        QIRN_Matrix4 oWorld = Multiply(m_poMeshData->GetWorldMatrix(), m_poMeshData->GetLocalMatrix());
        SetWorld(bPrepassDone ? Multiply(PREPASS_MATRIX, oWorld) : oWorld);
    }
    IDirect3DVertexBuffer8* pVB = bPrepassDone ? m_pvb_prepass : (bSkinned ? m_pSkinnedVB : m_pStaticVB);
    const UINT uStride = bPrepassDone ? PREPASS_STRIDE : static_cast<UINT>(m_oLayout.Size());
    if ((e = m_poGraphics->SetVB(0, pVB, uStride)) != OK)
    {
        return e;
    }
    const int iList = bSkinned ? 5 : 1;
    const QIRN_RenderBatch* pBatches = m_poCurrentRenderGroup->GetBatches(iList);
    uint32_t* pdwCalls = &m_poGraphics->m_adwStatistics[bSkinned ? 0 : 5];
    uint32_t* pdwVertices = &m_poGraphics->m_adwStatistics[bSkinned ? 1 : 6];
    for (int32_t b = 0; b < m_poCurrentRenderGroup->GetNumBatches(iList); ++b)
    {
        const QIRN_RenderBatch& B = pBatches[b];
        if (B.m_ePrimitiveType == PRIMITIVE_POINTLIST)
        {
            m_poGraphics->GetDevice()->DrawPrimitive(D3DPT_POINTLIST, B.m_dwMinVertex, B.m_dwNumVertices);
        }
        else
        {
            m_poGraphics->DrawIndexedPrimitive(static_cast<D3DPRIMITIVETYPE>(B.m_ePrimitiveType),
                                               B.m_dwMinVertex, B.m_dwNumVertices, B.m_dwStartIndex,
                                               B.m_dwPrimitiveCount);
        }
        ++*pdwCalls;
        if (B.m_ePrimitiveType == PRIMITIVE_TRILIST)
        {
            *pdwVertices += 3 * B.m_dwPrimitiveCount;
        }
        else if (B.m_ePrimitiveType == PRIMITIVE_TRISTRIP)
        {
            *pdwVertices += B.m_dwPrimitiveCount + 2;
        }
        else if (B.m_ePrimitiveType != PRIMITIVE_POINTLIST)
        {
            dprintf("*** QIRN_Mesh_DX8::RenderPolygonGroups() - Unknown primitive type!\n");
        }
    }
    if (bIndexedOn)
    {
        m_poGraphics->SetRS(D3DRS_INDEXEDVERTEXBLENDENABLE, FALSE);
    }
    return OK;
}
