#include "qirn_shader_dx8.h"

#include "qirn_convertenums_dx8.h"
#include "qirn_shader.h"
#include "qirn_shaderlayer.h"
#include "qirn_string.h"

#include <cstring>
#include <new>

namespace
{
float FloatFromBits(uint32_t dwBits)
{
    float f = 0.0f;
    std::memcpy(&f, &dwBits, sizeof(f));
    return f;
}

uint32_t BitsFromFloat(float f)
{
    uint32_t dwBits = 0;
    std::memcpy(&dwBits, &f, sizeof(dwBits));
    return dwBits;
}
} // namespace

std::string QIRN_MakeTextureKey(uint32_t dwTextureType, uint32_t eFormat, uint32_t dwMipLevels,
                                const std::string& strName)
{
    QIRN_String strKey;
    strKey.Format("%d_%d_%d_%s", static_cast<int>(dwTextureType), static_cast<int>(eFormat),
                  static_cast<int>(dwMipLevels), strName.c_str());
    return strKey;
}

QIRN_ShaderLayer_DX8::QIRN_ShaderLayer_DX8()
    : m_dwStage(0), m_poTexture(nullptr), m_poDynamicLayer(nullptr), m_dwColorOp(D3DTOP_MODULATE),
      m_dwColorArg1(D3DTA_TEXTURE), m_dwColorArg2(D3DTA_DIFFUSE), m_dwAlphaOp(D3DTOP_MODULATE),
      m_dwAlphaArg1(D3DTA_TEXTURE), m_dwAlphaArg2(D3DTA_DIFFUSE), m_dwColorArg0(D3DTA_TEMP),
      m_dwAlphaArg0(D3DTA_TEMP), m_dwResultArg(D3DTA_CURRENT), m_dwTexCoordIndex(0),
      m_dwTexCoordGeneration(0), m_mTextureTransform(), m_dwTextureTransformFlags(0),
      m_dwAddressU(D3DTADDRESS_WRAP), m_dwAddressV(D3DTADDRESS_WRAP), m_dwAddressW(D3DTADDRESS_WRAP),
      m_dwBorderColor(0xFFFF00), m_dwMinFilter(D3DTEXF_LINEAR), m_dwMagFilter(D3DTEXF_LINEAR),
      m_dwMipFilter(D3DTEXF_LINEAR), m_dwMipMapLodBias(0), m_dwMaxMipLevel(0), m_dwMaxAnisotropy(1),
      m_fBumpEnvLScale(1.0f), m_fBumpEnvLOffset(0.0f), m_fBumpEnvMat00(1.0f), m_fBumpEnvMat01(0.0f),
      m_fBumpEnvMat10(0.0f), m_fBumpEnvMat11(1.0f)
{
}

QIRN_ShaderLayer_DX8::~QIRN_ShaderLayer_DX8()
{
    delete m_poDynamicLayer;
}

void QIRN_ShaderLayer_DX8::CopyDynamicLayer(const QIRN_DynamicLayer* poSource)
{
    delete m_poDynamicLayer;
    m_poDynamicLayer = poSource ? new (std::nothrow) QIRN_DynamicLayer(*poSource) : nullptr;
}

bool QIRN_ShaderLayer_DX8::ConvertStates(const QIRN_ShaderLayer& roLayer)
{
    // The stage indexes the device's stage states and the renderer's state cache.
    if (roLayer.m_dwStage >= QIRN_DX8_MAXSTAGES)
    {
        return false;
    }
    m_dwStage = roLayer.m_dwStage;
    m_dwColorOp = ConvertTextureOp(roLayer.m_eCOLOROP);
    m_dwColorArg1 = ConvertTextureArg(roLayer.m_eCOLORARG1, roLayer.m_eCOLORARG1FLAGS);
    m_dwColorArg2 = ConvertTextureArg(roLayer.m_eCOLORARG2, roLayer.m_eCOLORARG2FLAGS);
    m_dwAlphaOp = ConvertTextureOp(roLayer.m_eALPHAOP);
    m_dwAlphaArg1 = ConvertTextureArg(roLayer.m_eALPHAARG1, roLayer.m_eALPHAARG1FLAGS);
    m_dwAlphaArg2 = ConvertTextureArg(roLayer.m_eALPHAARG2, roLayer.m_eALPHAARG2FLAGS);
    m_dwColorArg0 = ConvertTextureArg(roLayer.m_eCOLORARG0, roLayer.m_eCOLORARG0FLAGS);
    m_dwAlphaArg0 = ConvertTextureArg(roLayer.m_eALPHAARG0, roLayer.m_eALPHAARG0FLAGS);
    m_dwResultArg = ConvertTextureArg(roLayer.m_eRESULTARG, 0);
    m_dwTexCoordIndex = roLayer.m_dwTEXCOORDINDEX;
    m_dwTexCoordGeneration = ConvertTexCoordGeneration(roLayer.m_eTCIFLAG);
    std::memcpy(&m_mTextureTransform, &roLayer.m_mTEXCOORDTRANSFORM, sizeof(m_mTextureTransform));
    m_dwTextureTransformFlags = ConvertTextureTransformFlags(roLayer.m_eTEXTURETRANSFORMFLAG);
    m_dwAddressU = ConvertTextureAddress(roLayer.m_eADDRESSU);
    m_dwAddressV = ConvertTextureAddress(roLayer.m_eADDRESSV);
    m_dwAddressW = ConvertTextureAddress(roLayer.m_eADDRESSW);
    m_dwBorderColor = roLayer.m_dwBORDERCOLOR;
    m_dwMinFilter = ConvertTextureFilter(roLayer.m_eMINFILTER);
    m_dwMagFilter = ConvertTextureFilter(roLayer.m_eMAGFILTER);
    m_dwMipFilter = ConvertTextureFilter(roLayer.m_eMIPFILTER);
    m_dwMipMapLodBias = BitsFromFloat(roLayer.m_fMIPMAPLODBIAS);
    m_dwMaxMipLevel = roLayer.m_dwMAXMIPLEVEL;
    m_dwMaxAnisotropy = roLayer.m_dwMAXANISOTROPY;
    m_fBumpEnvLScale = FloatFromBits(roLayer.m_dwBUMPENVLSCALE);
    m_fBumpEnvLOffset = FloatFromBits(roLayer.m_dwBUMPENVLOFFSET);
    m_fBumpEnvMat00 = FloatFromBits(roLayer.m_dwBUMPENVMAT00);
    m_fBumpEnvMat01 = FloatFromBits(roLayer.m_dwBUMPENVMAT01);
    m_fBumpEnvMat10 = FloatFromBits(roLayer.m_dwBUMPENVMAT10);
    m_fBumpEnvMat11 = FloatFromBits(roLayer.m_dwBUMPENVMAT11);
    return true;
}

QIRN_ShaderPass_DX8::QIRN_ShaderPass_DX8()
    : m_bSkipPass(false), m_dwFVF(0), m_bHasTangent(false), m_bHasBinormal(false), m_dwPGSortMode(0),
      m_dwPGSortKey(1), m_dwSortMode(0), m_dwSortKey(1), m_bZEnable(true), m_bZWriteEnable(true),
      m_bClearZ(false), m_dwZFunc(D3DCMP_LESSEQUAL), m_dwZBias(0), m_fZClearValue(1.0f),
      m_bClearStencil(false), m_dwStencilClearValue(255), m_bStencilEnable(false),
      m_dwStencilFail(D3DSTENCILOP_KEEP), m_dwStencilZFail(D3DSTENCILOP_KEEP),
      m_dwStencilPass(D3DSTENCILOP_KEEP), m_dwStencilFunc(D3DCMP_ALWAYS), m_dwStencilRef(0),
      m_dwStencilMask(0xFFFFFFFF), m_dwStencilWriteMask(0xFFFFFFFF), m_bClearColor(false),
      m_dwColorClearValue(0), m_dwAmbientColor(0), m_dwTextureFactor(0), m_dwCullMode(D3DCULL_CW),
      m_dwShadeMode(D3DSHADE_GOURAUD), m_dwFillMode(D3DFILL_SOLID), m_bLighting(true),
      m_bSpecularEnable(false), m_bFogEnable(true), m_poFog(nullptr), m_bColorVertex(true),
      m_bLocalViewer(true), m_bNormalizeNormals(false), m_dwDiffuseMaterialSource(D3DMCS_COLOR1),
      m_dwSpecularMaterialSource(D3DMCS_COLOR2), m_dwAmbientMaterialSource(D3DMCS_COLOR2),
      m_dwEmissiveMaterialSource(D3DMCS_MATERIAL), m_bAlphaBlendEnable(false),
      m_dwSrcBlend(D3DBLEND_SRCALPHA), m_dwDestBlend(D3DBLEND_INVSRCALPHA), m_bAlphaTestEnable(false),
      m_dwAlphaFunc(D3DCMP_ALWAYS), m_dwAlphaRef(0), m_dwVertexShader(0), m_dwSWVertexShader(0),
      m_dwPrepassVertexShader(0), m_dwPixelShader(0), m_dwNumLayers(0), m_poLayers(nullptr), m_oMaterial(),
      m_dwPrimitiveType(0), m_fDisplacementMapScale(1.0f), m_fMaxTessellation(32.0f),
      m_fMinTessellation(1.0f), m_fPatchSegments(1.0f), m_dwPatchEdgeStyle(0), m_dwPatchBasis(0),
      m_dwPatchOrder(D3DORDER_LINEAR), m_bShadowPass(false), m_bUseFloatIndices(false),
      m_bUseFloatColors(false), m_bShowNormals(false), m_bShowBinormals(false), m_bShowTangents(false),
      m_fTangentSpaceVecScale(1.0f), m_bIsPrepass(false)
{
}

QIRN_ShaderPass_DX8::~QIRN_ShaderPass_DX8()
{
    delete[] m_poLayers;
}

bool QIRN_ShaderPass_DX8::MakeLayers(uint32_t dwCount)
{
    delete[] m_poLayers;
    m_poLayers = nullptr;
    m_dwNumLayers = 0;
    if (dwCount == 0)
    {
        return true;
    }
    m_poLayers = new (std::nothrow) QIRN_ShaderLayer_DX8[dwCount];
    if (!m_poLayers)
    {
        return false;
    }
    m_dwNumLayers = dwCount;
    return true;
}

void QIRN_ShaderPass_DX8::ConvertStates(const QIRN_ShaderPass& roPass)
{
    m_bSkipPass = roPass.m_bSkipPass;
    m_dwFVF = roPass.m_dwFVF;
    m_bHasTangent = roPass.m_bHasTangent;
    m_bHasBinormal = roPass.m_bHasBinormal;
    m_dwPGSortMode = roPass.m_ePGSortMode;
    m_dwPGSortKey = roPass.m_ePGSortKey;
    m_dwSortMode = roPass.m_eSortMode;
    m_dwSortKey = roPass.m_eSortKey;
    m_bZEnable = roPass.m_bZBufferEnabled;
    m_bZWriteEnable = roPass.m_bZWriteEnabled;
    m_bClearZ = roPass.m_bClearZ;
    m_dwZFunc = ConvertCompareFunc(roPass.m_eZCompareFunc);
    m_dwZBias = roPass.m_dwZBias;
    m_fZClearValue = roPass.m_fZClearValue;
    m_bClearStencil = roPass.m_bClearStencil;
    m_dwStencilClearValue = roPass.m_dwStencilClearValue;
    m_bStencilEnable = roPass.m_bStencilEnabled;
    m_dwStencilFail = ConvertStencilOp(roPass.m_eStencilFail);
    m_dwStencilZFail = ConvertStencilOp(roPass.m_eStencilZFail);
    m_dwStencilPass = ConvertStencilOp(roPass.m_eStencilPass);
    m_dwStencilFunc = ConvertCompareFunc(roPass.m_eStencilFunc);
    m_dwStencilRef = roPass.m_dwStencilRef;
    m_dwStencilMask = roPass.m_dwStencilMask;
    m_dwStencilWriteMask = roPass.m_dwStencilWriteMask;
    m_bClearColor = roPass.m_bClearColor;
    m_dwColorClearValue = roPass.m_dwColorClearValue;
    m_dwAmbientColor = roPass.m_dwAmbientColor;
    m_dwTextureFactor = roPass.m_dwTFactor;
    m_dwCullMode = ConvertCullMode(roPass.m_eCullMode);
    m_dwShadeMode = ConvertCullMode(roPass.m_eShadeMode);
    m_dwFillMode = ConvertFillMode(roPass.m_eFillMode);
    m_bLighting = roPass.m_bLightingEnabled;
    m_bSpecularEnable = roPass.m_bSpecularEnabled;
    m_bFogEnable = roPass.m_bFogEnabled;
    m_bColorVertex = roPass.m_bColorVertex;
    m_bLocalViewer = roPass.m_bLocalViewer;
    m_bNormalizeNormals = roPass.m_bNormalizeNormals;
    m_bAlphaBlendEnable = roPass.m_bAlphaBlendEnabled;
    m_dwSrcBlend = ConvertBlend(roPass.m_eSrcBlend);
    m_dwDestBlend = ConvertBlend(roPass.m_eDestBlend);
    m_bAlphaTestEnable = roPass.m_bAlphaTestEnabled;
    m_dwAlphaFunc = ConvertCompareFunc(roPass.m_eAlphaCompareFunc);
    m_dwAlphaRef = roPass.m_dwAlphaTestingThreshold;
    const QIRN_Material& m = roPass.m_oMaterial;
    m_oMaterial.Diffuse = {m.m_vDiffuse.x, m.m_vDiffuse.y, m.m_vDiffuse.z, m.m_vDiffuse.w};
    m_oMaterial.Ambient = {m.m_vAmbient.x, m.m_vAmbient.y, m.m_vAmbient.z, m.m_vAmbient.w};
    m_oMaterial.Specular = {m.m_vSpecular.x, m.m_vSpecular.y, m.m_vSpecular.z, m.m_vSpecular.w};
    m_oMaterial.Emissive = {m.m_vEmissive.x, m.m_vEmissive.y, m.m_vEmissive.z, m.m_vEmissive.w};
    m_oMaterial.Power = m.m_fPower;
    m_dwPrimitiveType = roPass.m_ePrimitiveType;
    m_fDisplacementMapScale = roPass.m_fDisplacementMapScale;
    m_fMaxTessellation = roPass.m_fDMapMaxTessellation;
    m_fMinTessellation = roPass.m_fDMapMinTessellation;
    m_fPatchSegments = roPass.m_fPatchSegments;
    m_dwPatchEdgeStyle = ConvertPatchEdgeStyle(roPass.m_ePatchEdgeStyle);
    m_dwPatchBasis = ConvertPatchBasis(roPass.m_ePatchBasis);
    m_dwPatchOrder = ConvertPatchOrder(roPass.m_ePatchOrder);
    m_bShadowPass = roPass.m_bIsShadowPass;
    m_bUseFloatIndices = roPass.m_bUseFloatIndices;
    m_bUseFloatColors = roPass.m_bUseFloatColors;
    m_bShowNormals = roPass.m_bShowNormals;
    m_bShowBinormals = roPass.m_bShowBinormals;
    m_bShowTangents = roPass.m_bShowTangents;
    m_fTangentSpaceVecScale = roPass.m_fTangentSpaceVecScale;
    // Copies bind the same bunnies; unbound ones stay unbound.
    if (roPass.m_oPatchSegmentsDBA.GetDataBunny())
        m_oPatchSegmentsDBA = roPass.m_oPatchSegmentsDBA;
    if (roPass.m_oDMapMinTessellationDBA.GetDataBunny())
        m_oDMapMinTessellationDBA = roPass.m_oDMapMinTessellationDBA;
    if (roPass.m_oDMapMaxTessellationDBA.GetDataBunny())
        m_oDMapMaxTessellationDBA = roPass.m_oDMapMaxTessellationDBA;
    if (roPass.m_oSkipPassDBA.GetDataBunny())
        m_oSkipPassDBA = roPass.m_oSkipPassDBA;
    if (roPass.m_oFillModeDBA.GetDataBunny())
        m_oFillModeDBA = roPass.m_oFillModeDBA;
    if (roPass.m_oCullModeDBA.GetDataBunny())
        m_oCullModeDBA = roPass.m_oCullModeDBA;
}

void QIRN_ShaderPass_DX8::UpdateFromAssignments()
{
    if (m_oPatchSegmentsDBA.GetDataBunny())
        m_fPatchSegments = m_oPatchSegmentsDBA.GetValue();
    if (m_oDMapMinTessellationDBA.GetDataBunny())
        m_fMinTessellation = m_oDMapMinTessellationDBA.GetValue();
    if (m_oDMapMaxTessellationDBA.GetDataBunny())
        m_fMaxTessellation = m_oDMapMaxTessellationDBA.GetValue();
    if (m_oSkipPassDBA.GetDataBunny() && m_oSkipPassDBA.GetValue() != 0)
        m_bSkipPass = true;
    if (m_oCullModeDBA.GetDataBunny())
        m_dwCullMode = ConvertCullMode(static_cast<uint32_t>(m_oCullModeDBA.GetValue()));
    if (m_oFillModeDBA.GetDataBunny())
        m_dwFillMode = ConvertFillMode(static_cast<uint32_t>(m_oFillModeDBA.GetValue()));
}

QIRN_Shader_DX8::QIRN_Shader_DX8()
    : m_poSource(nullptr), m_strName("Unnamed shader DX8!!!"), m_dwNumPasses(0), m_poPasses(nullptr),
      m_poCurrentPolygonGroup(nullptr)
{
}

QIRN_Shader_DX8::~QIRN_Shader_DX8()
{
    FreePasses();
}

void QIRN_Shader_DX8::FreePasses()
{
    delete[] m_poPasses;
    m_poPasses = nullptr;
    m_dwNumPasses = 0;
}

bool QIRN_Shader_DX8::MakePasses(uint32_t dwCount)
{
    FreePasses();
    if (dwCount == 0)
    {
        return true;
    }
    m_poPasses = new (std::nothrow) QIRN_ShaderPass_DX8[dwCount];
    if (!m_poPasses)
    {
        return false;
    }
    m_dwNumPasses = dwCount;
    return true;
}

void QIRN_Shader_DX8::UpdateAllPasses()
{
    for (uint32_t i = 0; i < m_dwNumPasses; ++i)
    {
        m_poPasses[i].UpdateFromAssignments();
    }
}
