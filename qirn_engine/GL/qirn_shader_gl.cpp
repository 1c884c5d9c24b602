#include "qirn_shader_gl.h"

#include "qirn_binarytree.h"
#include "qirn_bitmap.h"
#include "qirn_convertenums_gl.h"
#include "qirn_debug.h"
#include "qirn_graphics_gl.h"
#include "qirn_shader.h"
#include "qirn_shaderlayer.h"

#include <cstring>
#include <new>

namespace
{
void ColorToRGBA(uint32_t dwColor, GLfloat* pafOut)
{
    ColorToFloats(dwColor, &pafOut[3], &pafOut[0], &pafOut[1], &pafOut[2]);
}

void CopyVector(const QIRN_Vector4& v, GLfloat* pafOut)
{
    pafOut[0] = v.x;
    pafOut[1] = v.y;
    pafOut[2] = v.z;
    pafOut[3] = v.w;
}

std::string TextureKey(uint32_t eType, const QIRN_Bitmap* poBitmap)
{
    char szKey[512];
    snprintf(szKey, sizeof(szKey), "%d_%d_%d_%s", static_cast<int>(eType),
             static_cast<int>(poBitmap->m_eFormat), static_cast<int>(poBitmap->m_dwNumMipLevels),
             poBitmap->GetName().c_str());
    return szKey;
}

// The bitmap of a layer's texture file: the one the engine already holds, or a new one loaded
// and added to the engine's tree; NULL when the files cannot be loaded.
QIRN_Bitmap* FindOrLoadBitmap(QIRN_ShaderLayer* poLayer, QIRN_BINARYTREE<QIRN_Bitmap>* poBitmaps)
{
    auto* poNode = poBitmaps ? poBitmaps->FindNode(poLayer->m_strTextureFileName) : nullptr;
    QIRN_Bitmap* poBitmap = poNode ? poNode->m_pData : nullptr;
    if (poBitmap)
    {
        poBitmap->m_eFormat = static_cast<QIRN_PixelFormat>(poLayer->m_eTextureFormat);
        return poBitmap;
    }
    poBitmap = new (std::nothrow) QIRN_Bitmap();
    if (!poBitmap)
    {
        return nullptr;
    }
    poBitmap->SetName(poLayer->m_strTextureFileName);
    poBitmap->m_eFormat = static_cast<QIRN_PixelFormat>(poLayer->m_eTextureFormat);
    poBitmap->m_dwNumLayers = poLayer->m_dwNumSlices;
    poBitmap->m_dwNumMipLevels = poLayer->m_dwNumMipmapLevels;
    if (poBitmap->LoadImageFiles(poLayer->m_strTextureFileName) != OK)
    {
        delete poBitmap;
        return nullptr;
    }
    if (!poBitmaps || poBitmaps->InsertNode(poLayer->m_strTextureFileName, poBitmap) == nullptr)
    {
        dprintf("QIRN_Graphics::QIRN_To_GL_ShaderLayer() - Error : New texture could not be inserted in "
                "world (QIRN) "
                "texture tree.\n");
        delete poBitmap;
        return nullptr;
    }
    return poBitmap;
}
} // namespace

QIRN_ShaderPass_GL::QIRN_ShaderPass_GL()
    : m_iSkipPass(0), m_paoLayers(nullptr), m_dwNumLayers(0), m_dwFVF(0), m_ePolygonMode(GL_FILL),
      m_eShadeModel(GL_SMOOTH), m_iLighting(1), m_iFog(0), m_iSpecular(0), m_iNormalize(0),
      m_iClearColor(0), m_afClearColor{0.0f, 0.0f, 0.0f, 1.0f}, m_afTexEnvColor{0.0f, 0.0f, 0.0f, 1.0f},
      m_eAlphaFunc(GL_ALWAYS), m_fAlphaRef(0.0f), m_iBlending(0), m_iAlphaTest(0), m_iDepthTest(1),
      m_eDepthFunc(GL_LEQUAL), m_iClearDepth(0), m_fDepthClearValue(1.0f), m_iDepthWrite(1),
      m_iClearStencil(0), m_iStencilClearValue(0), m_iStencilTest(0), m_eStencilFunc(GL_ALWAYS),
      m_iStencilRef(0), m_dwStencilMask(0xFFFFFFFF), m_eStencilPass(GL_KEEP), m_eStencilFail(GL_KEEP),
      m_eStencilZFail(GL_KEEP), m_dwStencilWriteMask(0xFFFFFFFF), m_eBlendSource(GL_SRC_ALPHA),
      m_eBlendDestination(GL_ONE_MINUS_SRC_ALPHA), m_eFrontFace(0), m_afMaterial{}
{
}

QIRN_ShaderPass_GL::~QIRN_ShaderPass_GL()
{
    delete[] m_paoLayers;
}

QIRN_ErrorCode QIRN_ShaderPass_GL::UpdateDataBunnyAssignments()
{
    if (m_oSkipPassDBA.GetDataBunny())
    {
        m_iSkipPass = m_oSkipPassDBA.GetValue();
    }
    if (m_oCullModeDBA.GetDataBunny())
    {
        GetGLFrontFaceFromQIRN(static_cast<uint32_t>(m_oCullModeDBA.GetValue()), &m_eFrontFace);
    }
    return OK;
}

QIRN_Shader_GL::QIRN_Shader_GL() : m_strName("Unnamed shader!!!"), m_dwNumPasses(0), m_paoPasses(nullptr) {}

QIRN_Shader_GL::~QIRN_Shader_GL()
{
    DestroyPasses();
}

void QIRN_Shader_GL::DestroyPasses()
{
    delete[] m_paoPasses;
    m_paoPasses = nullptr;
    m_dwNumPasses = 0;
}

QIRN_ErrorCode QIRN_Shader_GL::UpdateDataBunnyAssignments()
{
    for (uint32_t i = 0; m_paoPasses && i < m_dwNumPasses; ++i)
    {
        m_paoPasses[i].UpdateDataBunnyAssignments();
    }
    return OK;
}

QIRN_ErrorCode QIRN_To_GL_Shader(QIRN_Shader* poShader, QIRN_Graphics_GL* poDevice,
                                 QIRN_BINARYTREE<QIRN_Bitmap>* poBitmaps, int32_t iCombine,
                                 int32_t iEdgeClamp, int32_t iBorderClamp, QIRN_Shader_GL* poShaderGL)
{
    // A shader made here would reach no caller, so converting into nothing is refused.
    if (!poShaderGL || !poShader)
    {
        dprintf("\nQIRN_To_GL_Shader() - No GL shader specified to put converted QIRN shader... Nothing "
                "converted.\n");
        return INVALIDPARAMS;
    }
    poShaderGL->DestroyPasses();
    poShaderGL->m_strName = poShader->GetName();
    if (poShader->m_dwNumPasses != 0 && poShader->m_poPasses)
    {
        poShaderGL->m_paoPasses = new (std::nothrow) QIRN_ShaderPass_GL[poShader->m_dwNumPasses];
        if (!poShaderGL->m_paoPasses)
        {
            return GENERICERROR;
        }
        poShaderGL->m_dwNumPasses = poShader->m_dwNumPasses;
    }
    for (uint32_t i = 0; i < poShaderGL->m_dwNumPasses; ++i)
    {
        const QIRN_ErrorCode eResult =
            QIRN_To_GL_ShaderPass(&poShader->m_poPasses[i], poDevice, poBitmaps, iCombine, iEdgeClamp,
                                  iBorderClamp, &poShaderGL->m_paoPasses[i]);
        if (eResult != OK)
        {
            return eResult;
        }
    }
    return OK;
}

QIRN_ErrorCode QIRN_To_GL_ShaderPass(QIRN_ShaderPass* poPass, QIRN_Graphics_GL* poDevice,
                                     QIRN_BINARYTREE<QIRN_Bitmap>* poBitmaps, int32_t iCombine,
                                     int32_t iEdgeClamp, int32_t iBorderClamp, QIRN_ShaderPass_GL* po)
{
    po->m_iSkipPass = poPass->m_bSkipPass ? 1 : 0;
    po->m_dwFVF = poPass->m_dwFVF;
    GetGLShadeModelFromQIRN(poPass->m_eShadeMode, &po->m_eShadeModel);
    po->m_iLighting = poPass->m_bLightingEnabled ? 1 : 0;
    po->m_iFog = poPass->m_bFogEnabled ? 1 : 0;
    po->m_iSpecular = poPass->m_bSpecularEnabled ? 1 : 0;
    po->m_iNormalize = poPass->m_bNormalizeNormals ? 1 : 0;
    po->m_iClearColor = poPass->m_bClearColor ? 1 : 0;
    ColorToRGBA(poPass->m_dwColorClearValue, po->m_afClearColor);
    ColorToRGBA(poPass->m_dwTFactor, po->m_afTexEnvColor);
    GetGLCompareFuncFromQIRN(poPass->m_eAlphaCompareFunc, &po->m_eAlphaFunc);
    po->m_fAlphaRef = static_cast<float>(poPass->m_dwAlphaTestingThreshold) * 0.003921569f;
    po->m_iBlending = poPass->m_bAlphaBlendEnabled ? 1 : 0;
    po->m_iAlphaTest = poPass->m_bAlphaTestEnabled ? 1 : 0;
    po->m_iDepthTest = poPass->m_bZBufferEnabled ? 1 : 0;
    GetGLCompareFuncFromQIRN(poPass->m_eZCompareFunc, &po->m_eDepthFunc);
    po->m_iClearDepth = poPass->m_bClearZ ? 1 : 0;
    po->m_fDepthClearValue = poPass->m_fZClearValue;
    po->m_iDepthWrite = poPass->m_bZWriteEnabled ? 1 : 0;
    po->m_iClearStencil = poPass->m_bClearStencil ? 1 : 0;
    po->m_iStencilClearValue = static_cast<int32_t>(poPass->m_dwStencilClearValue);
    po->m_iStencilTest = poPass->m_bStencilEnabled ? 1 : 0;
    GetGLCompareFuncFromQIRN(poPass->m_eStencilFunc, &po->m_eStencilFunc);
    po->m_iStencilRef = static_cast<GLint>(poPass->m_dwStencilRef);
    po->m_dwStencilMask = poPass->m_dwStencilMask;
    GLStencilOpFromQIRN(poPass->m_eStencilPass, &po->m_eStencilPass);
    GLStencilOpFromQIRN(poPass->m_eStencilFail, &po->m_eStencilFail);
    GLStencilOpFromQIRN(poPass->m_eStencilZFail, &po->m_eStencilZFail);
    po->m_dwStencilWriteMask = poPass->m_dwStencilWriteMask;
    GetGLBlendFactorFromQIRN(poPass->m_eSrcBlend, &po->m_eBlendSource);
    GetGLBlendFactorFromQIRN(poPass->m_eDestBlend, &po->m_eBlendDestination);
    GetGLFrontFaceFromQIRN(poPass->m_eCullMode, &po->m_eFrontFace);
    po->m_oSkipPassDBA.SetDataBunny(poPass->m_oSkipPassDBA.GetDataBunny());

    delete[] po->m_paoLayers;
    po->m_paoLayers = nullptr;
    po->m_dwNumLayers = 0;
    if (poPass->m_dwNumLayers != 0 && poPass->m_poLayers)
    {
        po->m_paoLayers = new (std::nothrow) QIRN_ShaderLayer_GL[poPass->m_dwNumLayers];
        if (!po->m_paoLayers)
        {
            return GENERICERROR;
        }
        po->m_dwNumLayers = poPass->m_dwNumLayers;
    }
    for (uint32_t i = 0; i < po->m_dwNumLayers; ++i)
    {
        const QIRN_ErrorCode eResult =
            QIRN_To_GL_ShaderLayer(&poPass->m_poLayers[i], poDevice, poBitmaps, iCombine, iEdgeClamp,
                                   iBorderClamp, &po->m_paoLayers[i]);
        if (eResult != OK)
        {
            return eResult;
        }
    }
    const QIRN_Material& m = poPass->m_oMaterial;
    CopyVector(m.m_vAmbient, &po->m_afMaterial[0]);
    CopyVector(m.m_vDiffuse, &po->m_afMaterial[4]);
    CopyVector(m.m_vSpecular, &po->m_afMaterial[8]);
    CopyVector(m.m_vEmissive, &po->m_afMaterial[12]);
    po->m_afMaterial[16] = m.m_fPower;
    return OK;
}

QIRN_ErrorCode QIRN_To_GL_ShaderLayer(QIRN_ShaderLayer* poLayer, QIRN_Graphics_GL* poDevice,
                                      QIRN_BINARYTREE<QIRN_Bitmap>* poBitmaps, int32_t iCombine,
                                      int32_t iEdgeClamp, int32_t iBorderClamp, QIRN_ShaderLayer_GL* po)
{
    if (!poLayer->m_strTextureFileName.empty())
    {
        std::string strKey = poLayer->m_strTextureFileName;
        QIRN_Bitmap* poBitmap = FindOrLoadBitmap(poLayer, poBitmaps);
        if (poBitmap)
        {
            const QIRN_ErrorCode eResult =
                poDevice->ConvertTexture(poBitmap, static_cast<int>(poLayer->m_eTextureType));
            if (eResult != OK)
            {
                dprintf("\nGetGLLayerFromQIRN() - ConvertTexture() FAILED\n");
                return eResult;
            }
            strKey = TextureKey(poLayer->m_eTextureType, poBitmap);
        }
        po->m_poTexture = poDevice->GetTexture(strKey);
    }
    GetGLTexFiltersFromQIRN(poLayer, po);
    if (iCombine == 1)
    {
        GetTexEnvCombineTexFuncAndArgsFromQIRN(
            poLayer->m_eCOLOROP, poLayer->m_eCOLORARG1, poLayer->m_eCOLORARG1FLAGS, poLayer->m_eCOLORARG2,
            poLayer->m_eCOLORARG2FLAGS, 0, poLayer->m_eCOLORARG0FLAGS, &po->m_oColorCombine);
        GetTexEnvCombineAlphaFuncAndArgsFromQIRN(
            poLayer->m_eALPHAOP, poLayer->m_eALPHAARG1, poLayer->m_eALPHAARG1FLAGS, poLayer->m_eALPHAARG2,
            poLayer->m_eALPHAARG2FLAGS, 0, poLayer->m_eALPHAARG0FLAGS, &po->m_oAlphaCombine);
    }
    else
    {
        GetGLTexFuncFromQIRN(poLayer->m_eCOLOROP, &po->m_iTexFunction);
    }
    GetGLWrapModeFromQIRN(poLayer->m_eADDRESSU, iEdgeClamp, iBorderClamp, &po->m_iWrapS);
    GetGLWrapModeFromQIRN(poLayer->m_eADDRESSV, iEdgeClamp, iBorderClamp, &po->m_iWrapT);
    GetGLWrapModeFromQIRN(poLayer->m_eADDRESSW, iEdgeClamp, iBorderClamp, &po->m_iWrapR);
    ColorToRGBA(poLayer->m_dwBORDERCOLOR, po->m_afBorderColor);
    po->m_iBaseLevel = static_cast<GLint>(poLayer->m_dwMAXMIPLEVEL);
    po->m_iMaxLevel = static_cast<GLint>(poLayer->m_dwNumMipmapLevels) - 1;
    po->m_fMinLod = poLayer->m_fMIPMAPLODBIAS;
    po->m_fMaxLod = static_cast<float>(po->m_iMaxLevel);
    po->m_fMaxAnisotropy = static_cast<float>(poLayer->m_dwMAXANISOTROPY);
    GetGLTexCoordGenFuncFromQIRN(poLayer->m_eTCIFLAG, &po->m_iTexGenMode);
    po->m_mTexMatrix = poLayer->m_mTEXCOORDTRANSFORM;
    GetGLTexTransformFlagFromQIRN(poLayer->m_eTEXTURETRANSFORMFLAG, &po->m_iTexMatrixFlag);
    return OK;
}
