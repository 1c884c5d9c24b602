// Vertex and pixel shaders assembled from files and cached by vertex layout, the application of a
// converted pass to the device, and the shader operations of the graphics interface.
#include "qirn_graphics_dx8.h"

#include "qirn_convertenums_dx8.h"
#include "qirn_debug.h"
#include "qirn_engine.h"
#include "qirn_cameraactor.h"
#include "qirn_fog.h"
#include "qirn_meshdata.h"
#include "polygongroup.h"
#include "qirn_settings.h"
#include "qirn_shader.h"
#include "qirn_string.h"
#include "qirn_world.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace
{
const DWORD TOKEN_STREAM0 = 0x20000000;
const DWORD TOKEN_END = 0xFFFFFFFF;
const DWORD TOKEN_DISPLACEMENT_CONSTANTS = 0x88000000;
// Words the display driver recognises in the displacement-map constant block.
const DWORD DISPLACEMENT_SIGNATURE = 0x44504D51;
const DWORD DISPLACEMENT_MARKER = 0x4B52414D;

const char* const TYPE_NAMES[] = {"D3DVSDT_FLOAT1", "D3DVSDT_FLOAT2",   "D3DVSDT_FLOAT3",
                                  "D3DVSDT_FLOAT4", "D3DVSDT_D3DCOLOR", "D3DVSDT_UBYTE4"};

// One process-wide declaration, rewritten for every shader creation and used at once.
DWORD g_adwDeclaration[QIRN_DX8_MAXDECLARATION];

// Appends declaration tokens and remembers when the buffer ran out.
class DeclarationWriter
{
public:
    DeclarationWriter() : m_dwCount(0), m_bOverflow(false)
    {
        std::memset(g_adwDeclaration, 0, sizeof(g_adwDeclaration));
    }

    void Token(DWORD dwToken)
    {
        if (m_dwCount >= QIRN_DX8_MAXDECLARATION)
        {
            m_bOverflow = true;
            return;
        }
        g_adwDeclaration[m_dwCount++] = dwToken;
    }

    void Reg(DWORD dwRegister, DWORD dwType, const char* szWhat)
    {
        dprintf("*** GenerateVSDFromFVF() -   D3DVSD_REG(%d, %s)   // %s\n", static_cast<int>(dwRegister),
                TYPE_NAMES[dwType], szWhat);
        Token(0x40000000 | (dwType << 16) | dwRegister);
    }

    bool Overflowed() const { return m_bOverflow; }

private:
    DWORD m_dwCount;
    bool m_bOverflow;
};

bool IsPrepassName(const std::string& strName)
{
    QIRN_String strLower(strName);
    strLower.MakeLower();
    return strLower == "prepass";
}

DWORD FloatBits(float f)
{
    DWORD dw = 0;
    std::memcpy(&dw, &f, sizeof(dw));
    return dw;
}

DWORD PositionType(DWORD dwFVF)
{
    return dwFVF & D3DFVF_POSITION_MASK;
}
} // namespace

std::string QIRN_Graphics_DX8::GetShaderFeatureKey(const QIRN_ShaderPass* poPass) const
{
    if (!poPass)
    {
        return std::string();
    }
    QIRN_String strKey;
    strKey.Format("%d", static_cast<int>(poPass->m_dwFVF));
    if (poPass->m_bHasBinormal)
        strKey += "Bin";
    if (poPass->m_bHasTangent)
        strKey += "Tan";
    if (poPass->m_bUseFloatColors)
        strKey += "Col";
    if (poPass->m_bUseFloatIndices)
        strKey += "Ind";
    if (poPass->m_bIsShadowPass)
        strKey += "Shadow";
    if (poPass->m_ePrimitiveType == 5)
        strKey += poPass->m_eDisplacementMapInterpolation == 0 ? "DMNP" : "DML";
    return strKey;
}

const DWORD* QIRN_Graphics_DX8::GenerateVSDFromFVF(const QIRN_ShaderPass* poPass, ID3DXBuffer* poConstants,
                                                   bool bPrepass)
{
    if (!poPass)
    {
        dprintf("*** GenerateVSDFromFVF() - Shader pass is NULL\n");
        return nullptr;
    }
    DWORD dwFVF = poPass->m_dwFVF;
    if (dwFVF == 0)
    {
        dprintf("*** GenerateVSDFromFVF() - FVF is 0, using GRAPHICS_FVF_DEFAULTVERTEX\n");
        dwFVF = QIRN_DX8_DEFAULTFVF;
    }
    const DWORD dwPosition = PositionType(dwFVF);
    DWORD dwIndexType = D3DVSDT_UBYTE4;
    if (poPass->m_bUseFloatIndices)
    {
        dwIndexType = (dwPosition == D3DFVF_XYZB4 || dwPosition == D3DFVF_XYZB5) ? D3DVSDT_FLOAT4
                      : dwPosition == D3DFVF_XYZB3                               ? D3DVSDT_FLOAT3
                      : dwPosition == D3DFVF_XYZB2                               ? D3DVSDT_FLOAT2
                                                                                 : D3DVSDT_FLOAT1;
    }
    const bool bIndexed = (dwFVF & D3DFVF_LASTBETA_UBYTE4) != 0;
    DeclarationWriter oOut;
    if (poConstants)
    {
        const DWORD* pdwConstants = static_cast<const DWORD*>(poConstants->GetBufferPointer());
        for (DWORD i = 0; i < poConstants->GetBufferSize() / 4; ++i)
        {
            oOut.Token(pdwConstants[i]);
        }
    }
    if (poPass->m_ePrimitiveType == 5)
    {
        dprintf("*** GenerateVSDFromFVF() - Using displacement map\n");
        oOut.Token(TOKEN_DISPLACEMENT_CONSTANTS);
        const DWORD adwBlock[16] = {DISPLACEMENT_SIGNATURE,
                                    DISPLACEMENT_SIGNATURE,
                                    DISPLACEMENT_SIGNATURE,
                                    DISPLACEMENT_SIGNATURE,
                                    DISPLACEMENT_MARKER,
                                    poPass->m_ePatchEdgeStyle == 1 ? 1u : 2u,
                                    poPass->m_eDisplacementMapInterpolation == 1 ? 17u : 35u,
                                    0,
                                    DISPLACEMENT_MARKER,
                                    DISPLACEMENT_MARKER,
                                    4,
                                    0,
                                    DISPLACEMENT_SIGNATURE,
                                    DISPLACEMENT_SIGNATURE,
                                    DISPLACEMENT_SIGNATURE,
                                    DISPLACEMENT_SIGNATURE};
        for (DWORD dw : adwBlock)
        {
            oOut.Token(dw);
        }
    }
    dprintf("*** GenerateVSDFromFVF() - D3DVSD_STREAM(0)\n");
    oOut.Token(TOKEN_STREAM0);
    if (bPrepass)
    {
        oOut.Reg(0, D3DVSDT_FLOAT4, "4D Vector1");
        oOut.Reg(3, D3DVSDT_FLOAT4, "4D Vector2");
        oOut.Reg(7, D3DVSDT_FLOAT4, "4D Vector3");
        oOut.Reg(8, D3DVSDT_FLOAT4, "4D Vector4");
        oOut.Reg(9, D3DVSDT_FLOAT4, "4D Vector5");
    }
    else
    {
        bool bNormal = true;
        switch (dwPosition)
        {
        case D3DFVF_XYZB5:
            oOut.Reg(0, D3DVSDT_FLOAT3, "Position");
            oOut.Reg(1, D3DVSDT_FLOAT4, "4 weights");
            if (bIndexed)
            {
                oOut.Reg(2, dwIndexType, "4 indices");
                oOut.Reg(15, poPass->m_bUseFloatIndices ? D3DVSDT_FLOAT1 : D3DVSDT_UBYTE4, "1 index");
            }
            break;
        case D3DFVF_XYZB4:
            oOut.Reg(0, D3DVSDT_FLOAT3, "Position");
            oOut.Reg(1, D3DVSDT_FLOAT3, "3 weights");
            if (bIndexed)
                oOut.Reg(2, dwIndexType, "4 indices");
            break;
        case D3DFVF_XYZB3:
            oOut.Reg(0, D3DVSDT_FLOAT3, "Position");
            oOut.Reg(1, D3DVSDT_FLOAT2, "2 weights");
            if (bIndexed)
                oOut.Reg(2, dwIndexType, "3 indices");
            break;
        case D3DFVF_XYZB2:
            oOut.Reg(0, D3DVSDT_FLOAT3, "Position");
            oOut.Reg(1, D3DVSDT_FLOAT1, "1 weight");
            if (bIndexed)
                oOut.Reg(2, dwIndexType, "2 indices");
            break;
        case D3DFVF_XYZB1:
            oOut.Reg(0, D3DVSDT_FLOAT3, "Position");
            if (bIndexed)
                oOut.Reg(2, dwIndexType, "1 index");
            break;
        case D3DFVF_XYZ:
            oOut.Reg(0, D3DVSDT_FLOAT3, "Position");
            break;
        case D3DFVF_XYZRHW:
            oOut.Reg(0, D3DVSDT_FLOAT4, "Position and RHW");
            bNormal = false;
            break;
        default:
            dprintf("*** GenerateVSDFromFVF() - No position??\n");
            bNormal = false;
            break;
        }
        if (bNormal && (dwFVF & D3DFVF_NORMAL))
            oOut.Reg(3, D3DVSDT_FLOAT3, "Normal");
        if (dwFVF & D3DFVF_DIFFUSE)
            oOut.Reg(5, poPass->m_bUseFloatColors ? D3DVSDT_FLOAT4 : D3DVSDT_D3DCOLOR, "Diffuse");
        if (dwFVF & D3DFVF_SPECULAR)
            oOut.Reg(6, poPass->m_bUseFloatColors ? D3DVSDT_FLOAT4 : D3DVSDT_D3DCOLOR, "Specular");
        if (dwFVF & D3DFVF_PSIZE)
            oOut.Reg(4, D3DVSDT_FLOAT1, "Point size");
        const DWORD dwSets = (dwFVF & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
        for (DWORD k = 0; k < dwSets; ++k)
        {
            static const DWORD s_adwTypes[4] = {D3DVSDT_FLOAT2, D3DVSDT_FLOAT3, D3DVSDT_FLOAT4,
                                                D3DVSDT_FLOAT1};
            oOut.Reg(7 + k, s_adwTypes[(dwFVF >> (16 + 2 * k)) & 3], "Texture coordinates");
        }
        if (poPass->m_bIsShadowPass)
        {
            if (dwPosition == D3DFVF_XYZB4 || dwPosition == D3DFVF_XYZB5 || dwPosition == D3DFVF_XYZB3)
            {
                const DWORD dwWeights = dwPosition == D3DFVF_XYZB3 ? D3DVSDT_FLOAT2 : D3DVSDT_FLOAT3;
                oOut.Reg(8, D3DVSDT_FLOAT3, "Neighbour 1 position");
                oOut.Reg(9, dwIndexType, "Neighbour 1 indices");
                oOut.Reg(10, dwWeights, "Neighbour 1 weights");
                oOut.Reg(11, D3DVSDT_FLOAT3, "Neighbour 2 position");
                oOut.Reg(12, dwIndexType, "Neighbour 2 indices");
                oOut.Reg(13, dwWeights, "Neighbour 2 weights");
            }
            else
            {
                oOut.Reg(13, D3DVSDT_FLOAT3, "Face normal");
            }
        }
        if (poPass->m_bHasTangent)
            oOut.Reg(14, D3DVSDT_FLOAT4, "Tangent");
        if (poPass->m_bHasBinormal)
            oOut.Reg(15, D3DVSDT_FLOAT3, "Binormal");
    }
    dprintf("*** GenerateVSDFromFVF() - D3DVSD_END()\n");
    oOut.Token(TOKEN_END);
    if (oOut.Overflowed())
    {
        dprintf("*** GenerateVSDFromFVF() - The declaration does not fit in %u tokens\n",
                static_cast<unsigned>(QIRN_DX8_MAXDECLARATION));
        return nullptr;
    }
    return g_adwDeclaration;
}

DWORD QIRN_Graphics_DX8::MakeVertexShader(const QIRN_ShaderPass* poPass, ID3DXBuffer* poConstants,
                                          ID3DXBuffer* poCode, bool bPrepass, DWORD dwUsage)
{
    const DWORD* pdwDeclaration = GenerateVSDFromFVF(poPass, poConstants, bPrepass);
    DWORD dwHandle = 0;
    if (!pdwDeclaration || !m_pD3DDevice8 || !poCode ||
        FAILED(m_pD3DDevice8->CreateVertexShader(
            pdwDeclaration, static_cast<const DWORD*>(poCode->GetBufferPointer()), &dwHandle, dwUsage)))
    {
        return 0;
    }
    return dwHandle;
}

namespace
{
bool AppendHandle(QIRN_LINKEDLIST<QIRN_ShaderHandle>& roList, const std::string& strKey, DWORD dwHandle)
{
    QIRN_ShaderHandle* poHandle = new (std::nothrow) QIRN_ShaderHandle{dwHandle};
    if (!poHandle || !roList.AppendNode(strKey, poHandle))
    {
        delete poHandle;
        return false;
    }
    return true;
}

void ReleaseBuffer(ID3DXBuffer*& rpBuffer)
{
    if (rpBuffer)
    {
        rpBuffer->Release();
        rpBuffer = nullptr;
    }
}
} // namespace

DWORD QIRN_Graphics_DX8::CreateVertexShader(QIRN_ShaderPass* poPass, DWORD* pdwSWShader,
                                            DWORD* pdwPrepassShader)
{
    if (!poPass)
    {
        dprintf("*** QIRN_Graphics_DX8::CreateVertexShader() - Pass is NULL\n");
        return 0;
    }
    if (poPass->m_strVertexShader.empty())
    {
        return 0;
    }
    if (!m_poDeviceInfo || (m_poDeviceInfo->m_dwVertexShaderVersion & 0xFFFF) == 0)
    {
        dprintf("*** QIRN_Graphics_DX8::CreateVertexShader() - Vertex shader version is 0.\n");
        return 0;
    }
    const std::string strPath = QIRN_FindFile(poPass->m_strVertexShader, "vsh");
    if (strPath.empty())
    {
        dprintf("*** QIRN_Graphics_DX8::CreateVertexShader() - File not found\n");
        return 0;
    }
    const std::string strKey = poPass->m_strVertexShader + "." + GetShaderFeatureKey(poPass);
    auto* poCached = VertexShaderList.FindNode(strKey);
    if (poCached && poCached->m_pData)
    {
        auto* poSW = VertexShaderList.FindNode(strKey + ".sw");
        auto* poPrepass = VertexShaderList.FindNode(strKey + ".pr");
        if (poSW && poSW->m_pData && pdwSWShader)
            *pdwSWShader = poSW->m_pData->m_dwHandle;
        if (poPrepass && poPrepass->m_pData && pdwPrepassShader)
            *pdwPrepassShader = poPrepass->m_pData->m_dwHandle;
        dprintf("*** QIRN_Graphics_DX8::CreateVertexShader() - Using PPL (no need to create the shader)\n");
        return poCached->m_pData->m_dwHandle;
    }
    ID3DXBuffer* poConstants = nullptr;
    ID3DXBuffer* poCode = nullptr;
    if (FAILED(D3DXAssembleShaderFromFileA(strPath.c_str(), 0, &poConstants, &poCode, nullptr)))
    {
        dprintf("*** QIRN_Graphics_DX8::CreateVertexShader() - D3DXAssembleShaderFromFile() failed for %s\n",
                strPath.c_str());
        ReleaseBuffer(poConstants);
        ReleaseBuffer(poCode);
        return 0;
    }
    if (pdwPrepassShader && !IsPrepassName(poPass->GetName()))
    {
        *pdwPrepassShader = MakeVertexShader(poPass, poConstants, poCode, true, 0);
        if (*pdwPrepassShader == 0)
        {
            dprintf("*** QIRN_Graphics_DX8::CreateVertexShader() - Failed to create prepass vertex shader\n");
        }
        else
        {
            AppendHandle(VertexShaderList, strKey + ".pr", *pdwPrepassShader);
            dprintf("*** QIRN_Graphics_DX8::CreateVertexShader() - Using PPL(Prepass)\n");
        }
    }
    if (pdwSWShader)
    {
        *pdwSWShader = MakeVertexShader(poPass, poConstants, poCode, false, D3DUSAGE_SOFTWAREPROCESSING);
        if (*pdwSWShader == 0)
        {
            dprintf("*** QIRN_Graphics_DX8::CreateVertexShader() - Failed to create SW vertex shader\n");
        }
        else
        {
            AppendHandle(VertexShaderList, strKey + ".sw", *pdwSWShader);
            dprintf("*** QIRN_Graphics_DX8::CreateVertexShader() - Using PPL(SW)\n");
        }
    }
    const DWORD dwHandle = MakeVertexShader(poPass, poConstants, poCode, false, 0);
    ReleaseBuffer(poConstants);
    ReleaseBuffer(poCode);
    if (dwHandle == 0)
    {
        dprintf("*** QIRN_Graphics_DX8::CreateVertexShader() - Failed to create HW vertex shader\n");
        return 0;
    }
    AppendHandle(VertexShaderList, strKey, dwHandle);
    dprintf("*** QIRN_Graphics_DX8::CreateVertexShader() - Using PPL(HW)\n");
    return dwHandle;
}

DWORD QIRN_Graphics_DX8::CreatePixelShader(std::string strName)
{
    if (!m_poDeviceInfo || (m_poDeviceInfo->m_dwPixelShaderVersion & 0xFFFF) == 0 || strName.empty())
    {
        return 0;
    }
    auto* poCached = PixelShaderList.FindNode(strName);
    if (poCached && poCached->m_pData)
    {
        dprintf("*** QIRN_Graphics_DX8::CreatePixelShader() - Using PPL (no need to create the shader)\n");
        return poCached->m_pData->m_dwHandle;
    }
    const std::string strPath = QIRN_FindFile(strName, "psh");
    if (strPath.empty())
    {
        dprintf("*** QIRN_Graphics_DX8::CreatePixelShader() - Could not find pixel shader: %s\n",
                strName.c_str());
        return 0;
    }
    ID3DXBuffer* poCode = nullptr;
    if (FAILED(D3DXAssembleShaderFromFileA(strPath.c_str(), 0, nullptr, &poCode, nullptr)))
    {
        dprintf("*** QIRN_Graphics_DX8::CreatePixelShader() - D3DXAssembleShaderFromFile() failed for %s\n",
                strPath.c_str());
        ReleaseBuffer(poCode);
        return 0;
    }
    DWORD dwHandle = 0;
    const HRESULT hr = m_pD3DDevice8 ? m_pD3DDevice8->CreatePixelShader(
                                           static_cast<const DWORD*>(poCode->GetBufferPointer()), &dwHandle)
                                     : E_FAIL;
    ReleaseBuffer(poCode);
    if (FAILED(hr))
    {
        return 0;
    }
    AppendHandle(PixelShaderList, strName, dwHandle);
    dprintf("*** QIRN_Graphics_DX8::CreatePixelShader() - Using PPL\n");
    return dwHandle;
}

void QIRN_Graphics_DX8::SetFogStates(QIRN_Fog* poFog)
{
    if (!poFog)
    {
        SetRS(D3DRS_FOGENABLE, FALSE);
        return;
    }
    SetRS(D3DRS_FOGENABLE, TRUE);
    SetRS(D3DRS_FOGCOLOR, poFog->GetColor());
    SetRS(D3DRS_FOGSTART, FloatBits(poFog->GetStartDistance()));
    SetRS(D3DRS_FOGEND, FloatBits(poFog->GetEndDistance()));
    SetRS(D3DRS_FOGDENSITY, FloatBits(poFog->GetDensity()));
    const DWORD dwMode = ConvertFogMode(static_cast<uint32_t>(poFog->GetFogMode()));
    if (poFog->IsVertexFog())
    {
        SetRS(D3DRS_FOGVERTEXMODE, dwMode);
        SetRS(D3DRS_RANGEFOGENABLE, poFog->IsRangeBasedFog());
    }
    else
    {
        SetRS(D3DRS_FOGTABLEMODE, dwMode);
    }
}

void QIRN_Graphics_DX8::SetLayerStates(const QIRN_ShaderPass_DX8& roPass, const QIRN_ShaderLayer_DX8& roLayer)
{
    const DWORD s = roLayer.m_dwStage;
    IDirect3DBaseTexture8* pTexture = roLayer.m_poTexture ? roLayer.m_poTexture->m_pTexture : nullptr;
    if (FAILED(m_pD3DDevice8->SetTexture(s, pTexture)))
    {
        dprintf("*** QIRN_Graphics_DX8::SetDX8Shader() - SetTexture() failed\n");
    }
    SetTSS(s, D3DTSS_MINFILTER, roLayer.m_dwMinFilter);
    SetTSS(s, D3DTSS_MAGFILTER, roLayer.m_dwMagFilter);
    SetTSS(s, D3DTSS_MIPFILTER, roLayer.m_dwMipFilter);
    SetTSS(s, D3DTSS_ADDRESSU, roLayer.m_dwAddressU);
    SetTSS(s, D3DTSS_ADDRESSV, roLayer.m_dwAddressV);
    SetTSS(s, D3DTSS_ADDRESSW, roLayer.m_dwAddressW);
    SetTSS(s, D3DTSS_BORDERCOLOR, roLayer.m_dwBorderColor);
    SetTSS(s, D3DTSS_MIPMAPLODBIAS, roLayer.m_dwMipMapLodBias);
    SetTSS(s, D3DTSS_MAXMIPLEVEL, roLayer.m_dwMaxMipLevel);
    SetTSS(s, D3DTSS_MAXANISOTROPY, roLayer.m_dwMaxAnisotropy);
    if (roPass.m_dwPixelShader)
    {
        SetTSS(s, D3DTSS_COLOROP, D3DTOP_DISABLE);
        SetTSS(s, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    }
    else
    {
        SetTSS(s, D3DTSS_COLOROP, roLayer.m_dwColorOp);
        SetTSS(s, D3DTSS_COLORARG0, roLayer.m_dwColorArg0);
        SetTSS(s, D3DTSS_COLORARG1, roLayer.m_dwColorArg1);
        SetTSS(s, D3DTSS_COLORARG2, roLayer.m_dwColorArg2);
        SetTSS(s, D3DTSS_ALPHAOP, roLayer.m_dwAlphaOp);
        SetTSS(s, D3DTSS_ALPHAARG0, roLayer.m_dwAlphaArg0);
        SetTSS(s, D3DTSS_ALPHAARG1, roLayer.m_dwAlphaArg1);
        SetTSS(s, D3DTSS_ALPHAARG2, roLayer.m_dwAlphaArg2);
    }
    SetTSS(s, D3DTSS_TEXCOORDINDEX,
           roPass.m_dwVertexShader ? s : (roLayer.m_dwTexCoordGeneration | roLayer.m_dwTexCoordIndex));
    SetTransform(static_cast<D3DTRANSFORMSTATETYPE>(D3DTS_TEXTURE0 + s), &roLayer.m_mTextureTransform);
    m_pD3DDevice8->SetTextureStageState(s, D3DTSS_TEXTURETRANSFORMFLAGS, roLayer.m_dwTextureTransformFlags);
    if (roLayer.m_dwColorOp == D3DTOP_BUMPENVMAP || roLayer.m_dwColorOp == D3DTOP_BUMPENVMAPLUMINANCE ||
        roPass.m_dwPixelShader)
    {
        SetTSS(s, D3DTSS_BUMPENVMAT00, FloatBits(roLayer.m_fBumpEnvMat00));
        SetTSS(s, D3DTSS_BUMPENVMAT01, FloatBits(roLayer.m_fBumpEnvMat01));
        SetTSS(s, D3DTSS_BUMPENVMAT10, FloatBits(roLayer.m_fBumpEnvMat10));
        SetTSS(s, D3DTSS_BUMPENVMAT11, FloatBits(roLayer.m_fBumpEnvMat11));
        SetTSS(s, D3DTSS_BUMPENVLSCALE, FloatBits(roLayer.m_fBumpEnvLScale));
        SetTSS(s, D3DTSS_BUMPENVLOFFSET, FloatBits(roLayer.m_fBumpEnvLOffset));
    }
}

QIRN_ErrorCode QIRN_Graphics_DX8::ValidateDevice()
{
    DWORD dwPasses = 0;
    if (FAILED(m_pD3DDevice8->ValidateDevice(&dwPasses)))
    {
        dprintf("*** QIRN_Graphics_DX8::SetDX8Shader() - Oh no, ValidateDevice() failed!\n");
        return GENERICERROR;
    }
    return OK;
}

QIRN_ErrorCode QIRN_Graphics_DX8::SetDX8Shader(QIRN_Shader_DX8* poShader, uint32_t dwPass,
                                               QIRN_BaseActor* poActor, bool bSetConstants)
{
    if (!poShader)
    {
        dprintf("*** QIRN_Graphics_DX8::SetDX8Shader() - pShader is NULL\n");
        return INVALIDPARAMS;
    }
    if (!poShader->m_poPasses)
    {
        return INVALIDPARAMS;
    }
    if (static_cast<int32_t>(poShader->m_dwNumPasses) > m_iNumWorldPasses)
    {
        m_iNumWorldPasses = static_cast<int32_t>(poShader->m_dwNumPasses);
    }
    if (dwPass >= poShader->m_dwNumPasses)
    {
        return GENERICERROR;
    }
    if (!m_pD3DDevice8)
    {
        return INVALIDPARAMS;
    }
    const QIRN_ShaderPass_DX8& P = poShader->m_poPasses[dwPass];
    // The engine pass whose constant tables are evaluated for what is drawn.
    QIRN_Shader* poSource = poShader->m_poSource;
    QIRN_ShaderPass* poEnginePass = poSource && poSource->m_poPasses && dwPass < poSource->m_dwNumPasses
                                        ? &poSource->m_poPasses[dwPass]
                                        : nullptr;
    PolygonGroup* poOwner = poSource ? poSource->m_poOwner : nullptr;
    if (!P.m_dwVertexShader)
    {
        if (P.m_dwFVF != 0)
        {
            m_pD3DDevice8->SetVertexShader(P.m_dwFVF);
        }
    }
    else if (bSetConstants)
    {
        if (poEnginePass)
        {
            PolygonGroup* poGroup =
                poShader->m_poCurrentPolygonGroup ? poShader->m_poCurrentPolygonGroup : poOwner;
            poEnginePass->m_oVertexShaderConstants.SetConstants(m_pEngine, m_pCamera, poGroup, poEnginePass,
                                                                poActor);
        }
        if (P.m_dwPrimitiveType == 5)
        {
            const float afDisplacement[4] = {P.m_fPatchSegments, P.m_fMinTessellation, P.m_fMaxTessellation,
                                             (P.m_dwFVF & 0x20000) ? 1.0f : 0.0f};
            m_pD3DDevice8->SetVertexShaderConstant(4, afDisplacement, 1);
        }
        m_pD3DDevice8->SetVertexShader(P.m_dwVertexShader);
    }
    m_pD3DDevice8->SetPixelShader(P.m_dwPixelShader);
    if (P.m_dwPixelShader && poEnginePass)
    {
        poEnginePass->m_oPixelShaderConstants.SetConstants(m_pEngine, m_pCamera, poOwner, poEnginePass,
                                                           poActor);
    }

    SetRS(D3DRS_POINTSPRITEENABLE, TRUE);
    SetRS(D3DRS_ZENABLE, P.m_bZEnable);
    SetRS(D3DRS_ZWRITEENABLE, P.m_bZWriteEnable);
    SetRS(D3DRS_ZFUNC, P.m_dwZFunc);
    SetRS(D3DRS_ZBIAS, P.m_dwZBias);
    const DWORD dwClear = (P.m_bClearColor ? D3DCLEAR_TARGET : 0) | (P.m_bClearZ ? D3DCLEAR_ZBUFFER : 0) |
                          (P.m_bClearStencil ? D3DCLEAR_STENCIL : 0);
    if (dwClear)
    {
        m_pD3DDevice8->Clear(0, nullptr, dwClear, P.m_dwColorClearValue, P.m_fZClearValue,
                             P.m_dwStencilClearValue);
    }
    SetRS(D3DRS_TEXTUREFACTOR, P.m_dwTextureFactor);
    SetRS(D3DRS_AMBIENT, P.m_dwAmbientColor);
    SetRS(D3DRS_CULLMODE, P.m_dwCullMode);
    SetRS(D3DRS_SHADEMODE, P.m_dwShadeMode);
    SetRS(D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1);
    if ((!m_pEngine || m_pEngine->GetFillMode() == 0) && P.m_dwFillMode != QIRN_DX8_NOTSET)
    {
        SetRS(D3DRS_FILLMODE, P.m_dwFillMode);
    }
    SetRS(D3DRS_LIGHTING, P.m_bLighting);
    SetRS(D3DRS_SPECULARENABLE, P.m_bSpecularEnable);
    if (m_pEngine && m_pEngine->GetWorld())
    {
        SetFogStates(P.m_poFog);
    }
    SetRS(D3DRS_COLORVERTEX, P.m_bColorVertex);
    SetRS(D3DRS_LOCALVIEWER, P.m_bLocalViewer);
    SetRS(D3DRS_NORMALIZENORMALS, P.m_bNormalizeNormals);
    SetRS(D3DRS_ALPHABLENDENABLE, P.m_bAlphaBlendEnable);
    if (P.m_dwPrimitiveType == 4)
    {
        SetRS(D3DRS_PATCHEDGESTYLE, P.m_dwPatchEdgeStyle);
        SetRS(D3DRS_PATCHSEGMENTS, FloatBits(P.m_fPatchSegments));
    }
    else
    {
        SetRS(D3DRS_PATCHSEGMENTS, 0);
    }
    if (P.m_bAlphaBlendEnable)
    {
        SetRS(D3DRS_SRCBLEND, P.m_dwSrcBlend);
        SetRS(D3DRS_DESTBLEND, P.m_dwDestBlend);
    }
    SetRS(D3DRS_ALPHATESTENABLE, P.m_bAlphaTestEnable);
    if (P.m_bAlphaTestEnable)
    {
        SetRS(D3DRS_ALPHAREF, P.m_dwAlphaRef);
        SetRS(D3DRS_ALPHAFUNC, P.m_dwAlphaFunc);
    }
    SetRS(D3DRS_STENCILENABLE, P.m_bStencilEnable);
    if (P.m_bStencilEnable)
    {
        SetRS(D3DRS_STENCILFAIL, P.m_dwStencilFail);
        SetRS(D3DRS_STENCILZFAIL, P.m_dwStencilZFail);
        SetRS(D3DRS_STENCILPASS, P.m_dwStencilPass);
        SetRS(D3DRS_STENCILFUNC, P.m_dwStencilFunc);
        SetRS(D3DRS_STENCILREF, P.m_dwStencilRef);
        SetRS(D3DRS_STENCILMASK, P.m_dwStencilMask);
        SetRS(D3DRS_STENCILWRITEMASK, P.m_dwStencilWriteMask);
    }
    if (!P.m_dwVertexShader)
    {
        m_pD3DDevice8->SetMaterial(&P.m_oMaterial);
    }
    for (uint32_t i = 0; i < P.m_dwNumLayers; ++i)
    {
        SetLayerStates(P, P.m_poLayers[i]);
    }
    if (P.m_dwNumLayers > 7)
    {
        return ValidateDevice();
    }
    if (!P.m_dwPixelShader)
    {
        SetTSS(P.m_dwNumLayers, D3DTSS_COLOROP, D3DTOP_DISABLE);
        SetTSS(P.m_dwNumLayers, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    }
    return ValidateDevice();
}

QIRN_ErrorCode QIRN_Graphics_DX8::SetShader(QIRN_Shader* pShader, int iPass, uint32_t)
{
    if (!pShader)
    {
        return INVALIDPARAMS;
    }
    return SetDX8Shader(GetDX8Shader(pShader->GetName()), static_cast<uint32_t>(iPass), nullptr, true);
}

QIRN_ErrorCode QIRN_Graphics_DX8::LoadShader(QIRN_Shader* pShader)
{
    if (!pShader)
    {
        dprintf("*** QIRN_Graphics_DX8::LoadShader() - pShader is NULL\n");
        return GENERICERROR;
    }
    QIRN_Shader_DX8* poConverted = GetDX8Shader(pShader->GetName());
    if (poConverted)
    {
        poConverted->m_poSource = pShader;
        return OK;
    }
    QIRN_World* poWorld = m_pEngine ? m_pEngine->GetWorld() : nullptr;
    if (poWorld)
    {
        poConverted = ConvertShader(pShader, m_pEngine->GetBitmapTree(), nullptr, poWorld->GetFogList());
        if (poConverted && !QIRNDX8ShaderTree.InsertNode(pShader->GetName(), poConverted))
        {
            delete poConverted;
        }
    }
    return OK;
}

QIRN_ErrorCode QIRN_Graphics_DX8::ReloadShader(QIRN_Shader* pShader)
{
    if (!pShader)
    {
        dprintf("*** QIRN_Graphics_DX8::ReloadShader() - pShader is NULL\n");
        return GENERICERROR;
    }
    if (pShader->m_dwNumPasses == 0)
    {
        return GENERICERROR;
    }
    // Every shader of a mesh draws from the mesh's one vertex buffer, so the others take this
    // shader's pass 0 layout and are converted again with it.
    std::vector<QIRN_Shader*> apoReload{pShader};
    SpreadVertexLayout(pShader, apoReload);
    QIRN_ErrorCode result = OK;
    for (QIRN_Shader* poShader : apoReload)
    {
        auto* poNode = QIRNDX8ShaderTree.FindNode(poShader->GetName());
        if (!poNode)
        {
            dprintf("*** QIRN_Graphics_DX8::ReloadShader() - pDX8ShaderNode is NULL. No Shader to RELOAD\n");
            continue;
        }
        QIRN_Shader_DX8* poConverted = poNode->m_pData;
        if (!poConverted)
        {
            dprintf("*** QIRN_Graphics_DX8::ReloadShader() - poDx8Shader is NULL\n");
            return GENERICERROR;
        }
        poConverted->FreePasses();
        QIRN_World* poWorld = m_pEngine ? m_pEngine->GetWorld() : nullptr;
        if (poWorld &&
            !ConvertShader(poShader, m_pEngine->GetBitmapTree(), poConverted, poWorld->GetFogList()))
        {
            result = GENERICERROR;
        }
    }
    return result;
}

void QIRN_Graphics_DX8::SpreadVertexLayout(QIRN_Shader* pShader, std::vector<QIRN_Shader*>& rapoReload)
{
    QIRN_MeshData* poMesh = pShader->m_poOwner ? pShader->m_poOwner->m_pOwnerMesh : nullptr;
    if (!poMesh)
    {
        return;
    }
    const QIRN_ShaderPass& roFirst = pShader->m_poPasses[0];
    for (PolygonGroup& roGroup : poMesh->m_oPolygonGroups)
    {
        for (int32_t i = 0; i < roGroup.m_iNumShaderSlots; ++i)
        {
            QIRN_Shader* poOther = roGroup.m_ppoShaderSlots ? roGroup.m_ppoShaderSlots[i] : nullptr;
            if (!poOther || poOther->GetName() == pShader->GetName())
            {
                continue;
            }
            bool bChanged = false;
            for (uint32_t p = 0; p < poOther->m_dwNumPasses; ++p)
            {
                QIRN_ShaderPass& roPass = poOther->m_poPasses[p];
                if (roPass.m_dwFVF != roFirst.m_dwFVF || roPass.m_bHasTangent != roFirst.m_bHasTangent ||
                    roPass.m_bHasBinormal != roFirst.m_bHasBinormal ||
                    roPass.m_bUseFloatColors != roFirst.m_bUseFloatColors ||
                    roPass.m_bUseFloatIndices != roFirst.m_bUseFloatIndices)
                {
                    roPass.m_dwFVF = roFirst.m_dwFVF;
                    roPass.m_bHasTangent = roFirst.m_bHasTangent;
                    roPass.m_bHasBinormal = roFirst.m_bHasBinormal;
                    roPass.m_bUseFloatColors = roFirst.m_bUseFloatColors;
                    roPass.m_bUseFloatIndices = roFirst.m_bUseFloatIndices;
                    bChanged = true;
                }
            }
            // Each shader is converted again once, however many of its passes changed.
            if (bChanged && std::find(rapoReload.begin(), rapoReload.end(), poOther) == rapoReload.end())
            {
                rapoReload.push_back(poOther);
            }
        }
    }
}

QIRN_ErrorCode QIRN_Graphics_DX8::RemoveShader(std::string szName)
{
    auto* poNode = QIRNDX8ShaderTree.FindNode(szName);
    if (!poNode)
    {
        return GENERICERROR;
    }
    QIRNDX8ShaderTree.DeleteNode(poNode);
    return OK;
}

QIRN_ErrorCode QIRN_Graphics_DX8::RenameShader(std::string szOldName, std::string szNewName)
{
    if (szOldName.empty())
    {
        dprintf("*** QIRN_Graphics_DX8::RenameShader() - strOldName is EMPTY\n");
        return GENERICERROR;
    }
    if (szNewName.empty())
    {
        dprintf("*** QIRN_Graphics_DX8::RenameShader() - strNewName is EMPTY\n");
        return GENERICERROR;
    }
    auto* poNode = QIRNDX8ShaderTree.FindNode(szOldName);
    if (!poNode)
    {
        dprintf("*** QIRN_Graphics_DX8::RenameShader() - poNode is NULL. Can't Find Shader\n");
        return GENERICERROR;
    }
    QIRN_Shader_DX8* poShader = poNode->m_pData;
    if (!poShader)
    {
        dprintf("*** QIRN_Graphics_DX8::RenameShader() - poShader is NULL\n");
        return GENERICERROR;
    }
    poNode->m_pData = nullptr;
    if (QIRNDX8ShaderTree.DeleteNode(poNode) != 0)
    {
        delete poShader;
        dprintf("*** QIRN_Graphics_DX8::RenameShader() - QIRNDX8ShaderTree->DeleteNode() FAILED\n");
        return GENERICERROR;
    }
    poShader->m_strName = szNewName;
    if (!QIRNDX8ShaderTree.InsertNode(szNewName, poShader))
    {
        delete poShader;
        dprintf("*** QIRN_Graphics_DX8::RenameShader() - QIRNDX8ShaderTree->InsertNode() FAILED\n");
        return GENERICERROR;
    }
    return OK;
}

QIRN_ErrorCode QIRN_Graphics_DX8::UpdateShaders(float)
{
    for (auto* poNode = QIRNDX8ShaderTree.GetFirstNode(); poNode; poNode = poNode->GetNextNode())
    {
        if (poNode->m_pData)
        {
            poNode->m_pData->UpdateAllPasses();
        }
    }
    return OK;
}

QIRN_ErrorCode QIRN_Graphics_DX8::SetVertexShaderConstants(uint32_t dwStartRegister, const float* pfData,
                                                           uint32_t dwRegisterCount)
{
    if (!m_pD3DDevice8)
    {
        dprintf("*** QIRN_Graphics_DX8::SetVertexShaderConstants() - m_pD3DDevice8 is NULL\n");
        return INVALIDPARAMS;
    }
    if (!pfData)
    {
        dprintf("*** QIRN_Graphics_DX8::SetVertexShaderConstants() - pConstantData is NULL\n");
        return INVALIDPARAMS;
    }
    if (FAILED(m_pD3DDevice8->SetVertexShaderConstant(dwStartRegister, pfData, dwRegisterCount)))
    {
        dprintf("*** QIRN_Graphics_DX8::SetVertexShaderConstants - SetVertexShaderConstant failed\n");
        return GENERICERROR;
    }
    return OK;
}

QIRN_ErrorCode QIRN_Graphics_DX8::SetPixelShaderConstants(uint32_t dwStartRegister, const float* pfData,
                                                          uint32_t dwRegisterCount)
{
    if (!m_pD3DDevice8)
    {
        dprintf("*** QIRN_Graphics_DX8::SetPixelShaderConstants() - m_pD3DDevice8 is NULL\n");
        return INVALIDPARAMS;
    }
    if (!pfData)
    {
        dprintf("*** QIRN_Graphics_DX8::SetPixelShaderConstants() - pConstantData is NULL\n");
        return INVALIDPARAMS;
    }
    if (FAILED(m_pD3DDevice8->SetPixelShaderConstant(dwStartRegister, pfData, dwRegisterCount)))
    {
        dprintf("*** QIRN_Graphics_DX8::SetPixelShaderConstants - SetPixelShaderConstant failed\n");
        return GENERICERROR;
    }
    return OK;
}

QIRN_ErrorCode QIRN_Graphics_DX8::ValidateVertexShader(QIRN_ShaderPass* pPass, std::string szFileName)
{
    if (!m_poDeviceInfo || (m_poDeviceInfo->m_dwVertexShaderVersion & 0xFFFF) == 0)
    {
        dprintf("*** QIRN_Graphics_DX8::ValidateVertexShader() - GetVertexShaderVersion() == 0\n");
        return GENERICERROR;
    }
    if (szFileName.empty())
    {
        dprintf("*** QIRN_Graphics_DX8::ValidateVertexShader() - strVSH is EMPTY\n");
        return GENERICERROR;
    }
    const std::string strPath = QIRN_FindFile(szFileName, "vsh");
    if (strPath.empty())
    {
        dprintf("*** QIRN_Graphics_DX8::ValidateVertexShader() - File not found\n");
        return GENERICERROR;
    }
    ID3DXBuffer* poConstants = nullptr;
    ID3DXBuffer* poCode = nullptr;
    if (FAILED(D3DXAssembleShaderFromFileA(strPath.c_str(), 0, &poConstants, &poCode, nullptr)))
    {
        dprintf(
            "*** QIRN_Graphics_DX8::ValidateVertexShader() - D3DXAssembleShaderFromFile() failed for %s\n",
            strPath.c_str());
        ReleaseBuffer(poConstants);
        ReleaseBuffer(poCode);
        return GENERICERROR;
    }
    if (pPass && pPass->m_dwFVF == 0)
    {
        dprintf(
            "*** QIRN_Graphics_DX8::ValidateVertexShader() - FVF is 0, using GRAPHICS_FVF_DEFAULTVERTEX\n");
        pPass->m_dwFVF = QIRN_DX8_DEFAULTFVF;
    }
    const DWORD dwHW = MakeVertexShader(pPass, poConstants, poCode, false, 0);
    if (dwHW)
        m_pD3DDevice8->DeleteVertexShader(dwHW);
    const DWORD dwSW = MakeVertexShader(pPass, poConstants, poCode, false, D3DUSAGE_SOFTWAREPROCESSING);
    if (dwSW)
        m_pD3DDevice8->DeleteVertexShader(dwSW);
    ReleaseBuffer(poConstants);
    ReleaseBuffer(poCode);
    return (dwSW == 0 || dwHW == 0) ? GENERICERROR : OK;
}

QIRN_ErrorCode QIRN_Graphics_DX8::ValidatePixelShader(std::string szFileName)
{
    if (szFileName.empty())
    {
        dprintf("*** QIRN_Graphics_DX8::ValidatePixelShader() - strPSH is EMPTY\n");
        return GENERICERROR;
    }
    if (!m_poDeviceInfo || (m_poDeviceInfo->m_dwPixelShaderVersion & 0xFFFF) == 0)
    {
        dprintf("*** QIRN_Graphics_DX8::ValidatePixelShader() - Warning, the device doesn't support pixel "
                "shaders\n");
    }
    const std::string strPath = QIRN_FindFile(szFileName, "psh");
    if (strPath.empty())
    {
        dprintf("*** QIRN_Graphics_DX8::ValidatePixelShader() - Could not find pixel shader: %s\n",
                szFileName.c_str());
        return GENERICERROR;
    }
    ID3DXBuffer* poCode = nullptr;
    const HRESULT hr = D3DXAssembleShaderFromFileA(strPath.c_str(), 0, nullptr, &poCode, nullptr);
    ReleaseBuffer(poCode);
    if (FAILED(hr))
    {
        dprintf("*** QIRN_Graphics_DX8::ValidatePixelShader() - D3DXAssembleShaderFromFile() failed for %s\n",
                strPath.c_str());
        return GENERICERROR;
    }
    return OK;
}

void QIRN_Graphics_DX8::ReplaceShaderHandle(DWORD dwOld, DWORD dwNew, int iSlot)
{
    for (auto* poNode = QIRNDX8ShaderTree.GetFirstNode(); poNode; poNode = poNode->GetNextNode())
    {
        QIRN_Shader_DX8* poShader = poNode->m_pData;
        for (uint32_t i = 0; poShader && i < poShader->m_dwNumPasses; ++i)
        {
            QIRN_ShaderPass_DX8& roPass = poShader->m_poPasses[i];
            DWORD* apdwSlots[4] = {&roPass.m_dwVertexShader, &roPass.m_dwSWVertexShader,
                                   &roPass.m_dwPrepassVertexShader, &roPass.m_dwPixelShader};
            if (*apdwSlots[iSlot] == dwOld)
            {
                *apdwSlots[iSlot] = dwNew;
            }
        }
    }
}

QIRN_ErrorCode QIRN_Graphics_DX8::ReloadVertexShader(QIRN_ShaderPass* pPass, std::string szFileName)
{
    if (!m_poDeviceInfo || (m_poDeviceInfo->m_dwVertexShaderVersion & 0xFFFF) == 0)
    {
        dprintf("*** QIRN_Graphics_DX8::ReloadVertexShader() - GetVertexShaderVersion() == ZERO\n");
        return GENERICERROR;
    }
    if (szFileName.empty() || !pPass)
    {
        dprintf("*** QIRN_Graphics_DX8::ReloadVertexShader() - strVSH is EMPTY\n");
        return GENERICERROR;
    }
    if (pPass->m_dwFVF == 0)
    {
        dprintf("*** QIRN_Graphics_DX8::ReloadVertexShader() - FVF is 0, using GRAPHICS_FVF_DEFAULTVERTEX\n");
        pPass->m_dwFVF = QIRN_DX8_DEFAULTFVF;
    }
    const std::string strKey = szFileName + "." + GetShaderFeatureKey(pPass);
    const std::string strPath = QIRN_FindFile(szFileName, "vsh");
    if (strPath.empty())
    {
        dprintf("*** QIRN_Graphics_DX8::ReloadVertexShader() - File not found\n");
        return GENERICERROR;
    }
    ID3DXBuffer* poConstants = nullptr;
    ID3DXBuffer* poCode = nullptr;
    if (FAILED(D3DXAssembleShaderFromFileA(strPath.c_str(), 0, &poConstants, &poCode, nullptr)))
    {
        dprintf("*** QIRN_Graphics_DX8::ReloadVertexShader() - D3DXAssembleShaderFromFile() failed for %s\n",
                strPath.c_str());
        ReleaseBuffer(poConstants);
        ReleaseBuffer(poCode);
        return GENERICERROR;
    }
    struct Variant
    {
        const char* szSuffix;
        DWORD dwUsage;
        bool bPrepass;
        const char* szFailure;
    };
    const Variant aVariants[3] = {
        {"", 0, false, "*** QIRN_Graphics_DX8::ReloadVertexShader() - Failed to reload hw vertex shader\n"},
        {".sw", D3DUSAGE_SOFTWAREPROCESSING, false,
         "*** QIRN_Graphics_DX8::ReloadVertexShader() - Failed to reload sw vertex shader\n"},
        {".pr", 0, true,
         "*** QIRN_Graphics_DX8::ReloadVertexShader() - Failed to reload prepass vertex shader\n"}};
    bool abMade[3] = {false, false, false};
    for (int v = 0; v < 3; ++v)
    {
        if (aVariants[v].bPrepass && IsPrepassName(pPass->GetName()))
        {
            continue;
        }
        const DWORD dwNew =
            MakeVertexShader(pPass, poConstants, poCode, aVariants[v].bPrepass, aVariants[v].dwUsage);
        if (dwNew == 0)
        {
            dprintf("%s", aVariants[v].szFailure);
            continue;
        }
        abMade[v] = true;
        const std::string strVariantKey = strKey + aVariants[v].szSuffix;
        auto* poEntry = VertexShaderList.FindNode(strVariantKey);
        if (poEntry && poEntry->m_pData)
        {
            m_pD3DDevice8->DeleteVertexShader(poEntry->m_pData->m_dwHandle);
            ReplaceShaderHandle(poEntry->m_pData->m_dwHandle, dwNew, v);
            poEntry->m_pData->m_dwHandle = dwNew;
            dprintf("*** QIRN_Graphics_DX8::ReloadVertexShader() - Using PPL\n");
        }
        else
        {
            AppendHandle(VertexShaderList, strVariantKey, dwNew);
        }
    }
    ReleaseBuffer(poConstants);
    ReleaseBuffer(poCode);
    return ((abMade[0] && abMade[1]) || abMade[2]) ? OK : GENERICERROR;
}

QIRN_ErrorCode QIRN_Graphics_DX8::ReloadPixelShader(QIRN_ShaderPass* pPass, std::string szFileName)
{
    if (!m_poDeviceInfo || (m_poDeviceInfo->m_dwPixelShaderVersion & 0xFFFF) == 0)
    {
        dprintf("*** QIRN_Graphics_DX8::ReloadPixelShader() -  GetPixelShaderVersion() & 0xFFFF) == 0\n");
        return GENERICERROR;
    }
    if (szFileName.empty())
    {
        dprintf("*** QIRN_Graphics_DX8::ReloadPixelShader() - strPSH is EMPTY\n");
        return GENERICERROR;
    }
    if (ValidatePixelShader(szFileName) != OK)
    {
        dprintf("*** QIRN_Graphics_DX8::ReloadPixelShader() - Pixel shader is not valid\n");
        return GENERICERROR;
    }
    auto* poEntry = pPass ? PixelShaderList.FindNode(pPass->m_strPixelShader) : nullptr;
    if (!poEntry || !poEntry->m_pData)
    {
        dprintf("*** QIRN_Graphics_DX8::ReloadPixelShader() - Unable to find the shader\n");
        return GENERICERROR;
    }
    const std::string strPath = QIRN_FindFile(szFileName, "psh");
    if (strPath.empty())
    {
        dprintf("*** QIRN_Graphics_DX8::ReloadPixelShader() - Could not find pixel shader: %s\n",
                szFileName.c_str());
        return GENERICERROR;
    }
    ID3DXBuffer* poCode = nullptr;
    if (FAILED(D3DXAssembleShaderFromFileA(strPath.c_str(), 0, nullptr, &poCode, nullptr)))
    {
        dprintf("*** QIRN_Graphics_DX8::ReloadPixelShader() - D3DXAssembleShaderFromFile() failed for %s\n",
                strPath.c_str());
        ReleaseBuffer(poCode);
        return GENERICERROR;
    }
    DWORD dwNew = 0;
    const HRESULT hr =
        m_pD3DDevice8->CreatePixelShader(static_cast<const DWORD*>(poCode->GetBufferPointer()), &dwNew);
    ReleaseBuffer(poCode);
    if (FAILED(hr))
    {
        dprintf("*** QIRN_Graphics_DX8::ReloadPixelShader() - Failed to reload the pixel shader\n");
        return GENERICERROR;
    }
    m_pD3DDevice8->SetPixelShader(0);
    m_pD3DDevice8->DeletePixelShader(poEntry->m_pData->m_dwHandle);
    ReplaceShaderHandle(poEntry->m_pData->m_dwHandle, dwNew, 3);
    poEntry->m_pData->m_dwHandle = dwNew;
    dprintf("*** QIRN_Graphics_DX8::ReloadPixelShader() - Using PPL\n");
    return OK;
}
