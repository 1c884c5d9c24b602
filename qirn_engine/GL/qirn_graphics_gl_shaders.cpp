// The OpenGL device's shaders and textures: conversion on first use, the trees that keep them, and
// applying a converted pass with its layers.
#include "qirn_debug.h"
#include "qirn_engine.h"
#include "qirn_extensions_gl.h"
#include "qirn_graphics_gl.h"
#include "qirn_render_states_gl.h"
#include "qirn_shader.h"
#include "qirn_bitmap.h"

#include <algorithm>
#include <new>

namespace
{
template <class T> T* DataOf(const QIRN_BINARYTREE<T>& roTree, const std::string& strName)
{
    auto* poNode = roTree.FindNode(strName);
    return poNode ? poNode->m_pData : nullptr;
}

void DisableTextureTargets(const QIRN_Extensions_GL* poExt)
{
    glDisable(GL_TEXTURE_1D);
    glDisable(GL_TEXTURE_2D);
    if (poExt && poExt->Is3DTextureSupported())
    {
        glDisable(GL_TEXTURE_3D_EXT);
    }
    if (poExt && poExt->IsCubeMapSupported())
    {
        glDisable(GL_TEXTURE_CUBE_MAP_ARB);
    }
}
} // namespace

QIRN_Shader_GL* QIRN_Graphics_GL::GetShader(std::string strName)
{
    QIRN_Shader_GL* poShader = DataOf(m_oShaderTreeGL, strName);
    if (!poShader)
    {
        dprintf("\n*** QIRN_Graphics_GL::GetShader() - Shader (%s) not found in GL shader tree",
                strName.c_str());
    }
    return poShader;
}

QIRN_Texture_GL* QIRN_Graphics_GL::GetTexture(std::string strKey)
{
    return DataOf(m_oTextureTreeGL, strKey);
}

QIRN_ErrorCode QIRN_Graphics_GL::ConvertTexture(QIRN_Bitmap* pBitmap, int iTextureType)
{
    if (!pBitmap)
    {
        dprintf("*** QIRN_Graphics_GL::ConvertTexture() - pBitmap is NULL\n");
        return INVALIDPARAMS;
    }
    char szKey[512];
    snprintf(szKey, sizeof(szKey), "%d_%d_%d_%s", iTextureType, static_cast<int>(pBitmap->m_eFormat),
             static_cast<int>(pBitmap->m_dwNumMipLevels), pBitmap->GetName().c_str());
    if (m_oTextureTreeGL.FindNode(szKey))
    {
        return OK;
    }
    const int32_t iLod = m_poExtensions ? m_poExtensions->IsTextureLodSupported() : 0;
    QIRN_Texture_GL* poTexture = nullptr;
    switch (iTextureType)
    {
    case 2:
        poTexture = new (std::nothrow) QIRN_Texture2D_GL(iLod);
        break;
    case 1:
        if (!m_poExtensions || !m_poExtensions->Is3DTextureSupported())
        {
            dprintf(
                "\n*** QIRN_Graphics_GL::ConvertTexture() - Error : This graphics board does not support 3D "
                "textures.");
            return GENERICERROR;
        }
        poTexture = new (std::nothrow) QIRN_Texture3D_GL(m_poExtensions->m_poTexture3D);
        break;
    case 0:
    case 3:
        // Type 3 is a cube map as well, as the other renderer takes it.
        if (!m_poExtensions || !m_poExtensions->IsCubeMapSupported())
        {
            dprintf("\n*** QIRN_Graphics_GL::ConvertTexture() - Error : This graphics board does not support "
                    "cube map "
                    "textures.");
            return GENERICERROR;
        }
        poTexture = new (std::nothrow) QIRN_TextureCubeMap_GL(iLod);
        break;
    default:
        dprintf("*** QIRN_Graphics_GL::ConvertTexture() - Unknown texture type %d\n", iTextureType);
        return INVALIDPARAMS;
    }
    if (!poTexture)
    {
        return GENERICERROR;
    }
    poTexture->Create(pBitmap);
    if (m_oTextureTreeGL.InsertNode(szKey, poTexture) == nullptr)
    {
        delete poTexture;
        dprintf("*** QIRN_Graphics_GL::ConvertTexture() - m_oTextureTreeGL.InsertNode() FAILED\n");
        return GENERICERROR;
    }
    return OK;
}

QIRN_ErrorCode QIRN_Graphics_GL::SetShader(QIRN_Shader* pShader, int iPass, uint32_t)
{
    if (pShader)
    {
        SetShaderGL(GetShader(pShader->GetName()), iPass);
    }
    return OK;
}

QIRN_ErrorCode QIRN_Graphics_GL::ConvertInto(QIRN_Shader* pShader, QIRN_Shader_GL* poShaderGL)
{
    const int32_t iCombine = m_poExtensions ? m_poExtensions->IsTexEnvCombineSupported() : 0;
    const int32_t iEdge = m_poExtensions ? m_poExtensions->IsTextureEdgeClampSupported() : 0;
    const int32_t iBorder = m_poExtensions ? m_poExtensions->IsTextureBorderClampSupported() : 0;
    return QIRN_To_GL_Shader(pShader, this, m_pEngine->GetBitmapTree(), iCombine, iEdge, iBorder, poShaderGL);
}

QIRN_ErrorCode QIRN_Graphics_GL::LoadShader(QIRN_Shader* pShader)
{
    if (!pShader)
    {
        dprintf("*** QIRN_Graphics_GL::LoadShader() - poShaderQIRN is NULL\n");
        return GENERICERROR;
    }
    if (m_oShaderTreeGL.FindNode(pShader->GetName()))
    {
        return OK;
    }
    if (!m_pEngine || !m_pEngine->GetWorld())
    {
        return OK;
    }
    QIRN_Shader_GL* poShaderGL = new (std::nothrow) QIRN_Shader_GL();
    if (!poShaderGL)
    {
        return GENERICERROR;
    }
    if (ConvertInto(pShader, poShaderGL) != OK)
    {
        dprintf("\n*** QIRN_Graphics_GL::LoadShader() - Error returned by QIRN_To_GL_Shader()");
    }
    if (m_oShaderTreeGL.InsertNode(pShader->GetName(), poShaderGL) == nullptr)
    {
        delete poShaderGL;
        return GENERICERROR;
    }
    return OK;
}

QIRN_ErrorCode QIRN_Graphics_GL::ReloadShader(QIRN_Shader* pShader)
{
    if (!pShader)
    {
        dprintf("*** QIRN_Graphics_GL::ReloadShader() - poShader is NULL\n");
        return GENERICERROR;
    }
    auto* poNode = m_oShaderTreeGL.FindNode(pShader->GetName());
    if (!poNode)
    {
        dprintf("*** QIRN_Graphics_GL::ReloadShader() - Error : Node to OpenGL shader is NULL: No Shader to "
                "reload.\n");
        return GENERICERROR;
    }
    if (!poNode->m_pData)
    {
        dprintf("*** QIRN_Graphics_GL::ReloadShader() - Error : Pointer to GL shader is NULL.\n");
        return GENERICERROR;
    }
    poNode->m_pData->DestroyPasses();
    if (!m_pEngine)
    {
        return OK;
    }
    if (ConvertInto(pShader, poNode->m_pData) != OK)
    {
        dprintf("*** QIRN_Graphics_GL::ReloadShader() - QIRN_To_GL_Shader() FAILED\n");
        return GENERICERROR;
    }
    return OK;
}

QIRN_ErrorCode QIRN_Graphics_GL::UpdateShaders(float)
{
    for (auto* poNode = m_oShaderTreeGL.GetFirstNode(); poNode; poNode = poNode->GetNextNode())
    {
        if (poNode->m_pData)
        {
            poNode->m_pData->UpdateDataBunnyAssignments();
        }
    }
    return OK;
}

QIRN_ErrorCode QIRN_Graphics_GL::RenameShader(std::string szOldName, std::string szNewName)
{
    if (szOldName.empty())
    {
        dprintf("*** QIRN_Graphics_GL::RenameShader() - strOldName is EMPTY\n");
        return GENERICERROR;
    }
    if (szNewName.empty())
    {
        dprintf("*** QIRN_Graphics_GL::RenameShader() - strNewName is EMPTY\n");
        return GENERICERROR;
    }
    auto* poNode = m_oShaderTreeGL.FindNode(szOldName);
    if (!poNode)
    {
        dprintf("*** QIRN_Graphics_GL::RenameShader() - poNode is NULL. Can't Find Shader\n");
        return GENERICERROR;
    }
    QIRN_Shader_GL* poShader = poNode->m_pData;
    if (!poShader)
    {
        dprintf("*** QIRN_Graphics_GL::RenameShader() - poShader is NULL\n");
        return GENERICERROR;
    }
    poNode->m_pData = nullptr;
    if (m_oShaderTreeGL.DeleteNode(poNode) != 0)
    {
        dprintf("*** QIRN_Graphics_GL::RenameShader() - QIRNGLShaderTree->DeleteNode() FAILED\n");
        delete poShader;
        return GENERICERROR;
    }
    poShader->m_strName = szNewName;
    if (m_oShaderTreeGL.InsertNode(szNewName, poShader) == nullptr)
    {
        dprintf("*** QIRN_Graphics_GL::RenameShader() - QIRNGLShaderTree->InsertNode() FAILED\n");
        delete poShader;
        return GENERICERROR;
    }
    return OK;
}

QIRN_ErrorCode QIRN_Graphics_GL::SetShaderGL(QIRN_Shader_GL* poShader, int iPass)
{
    if (!poShader)
    {
        dprintf("*** QIRN_Graphics_GL::SetShaderGL() - poShaderGL is NULL\n");
        return INVALIDPARAMS;
    }
    if (!poShader->m_paoPasses)
    {
        dprintf("*** QIRN_Graphics_GL::SetShaderGL() - poShaderGL->paoPasses is NULL\n");
        return INVALIDPARAMS;
    }
    if (iPass < 0 || static_cast<uint32_t>(iPass) >= poShader->m_dwNumPasses)
    {
        dprintf("*** QIRN_Graphics_GL::SetShaderGL() - Pass %d is past the %u passes of shader %s\n", iPass,
                poShader->m_dwNumPasses, poShader->m_strName.c_str());
        return INVALIDPARAMS;
    }
    QIRN_ShaderPass_GL* poPass = &poShader->m_paoPasses[iPass];
    GLErrorString(nullptr);
    ApplyPassStates(poPass);
    GLErrorString(nullptr);

    const bool bMulti =
        m_poExtensions && m_poExtensions->IsMultitextureSupported() && m_poExtensions->m_poMultitexture;
    if (!bMulti)
    {
        DisableTextureTargets(m_poExtensions);
        if (poPass->m_paoLayers && poPass->m_dwNumLayers > 0)
        {
            SetShaderLayer(&poPass->m_paoLayers[0], GL_TEXTURE0_ARB);
        }
        return OK;
    }
    GLint iUnits = 1;
    glGetIntegerv(GL_MAX_TEXTURE_UNITS_ARB, &iUnits);
    const uint32_t dwUnits = static_cast<uint32_t>(iUnits > 0 ? iUnits : 1);
    if (poPass->m_dwNumLayers > dwUnits)
    {
        dprintf(
            "*** QIRN_Graphics_GL::SetShaderGL() - Shader %s pass %d has %u layers; only %u texture units\n",
            poShader->m_strName.c_str(), iPass, poPass->m_dwNumLayers, dwUnits);
    }
    QIRN_ARB_Multitexture_GL* poMulti = m_poExtensions->m_poMultitexture;
    // Each unit starts clean: a unit this pass does not use must not keep texturing with what an
    // earlier pass bound there, and a layer's target replaces any other.
    for (uint32_t i = 0; i < dwUnits; ++i)
    {
        poMulti->glActiveTexture(GL_TEXTURE0_ARB + i);
        DisableTextureTargets(m_poExtensions);
        if (i < poPass->m_dwNumLayers && poPass->m_paoLayers)
        {
            glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, poPass->m_afTexEnvColor);
            SetShaderLayer(&poPass->m_paoLayers[i], static_cast<int>(i));
        }
    }
    poMulti->glActiveTexture(GL_TEXTURE0_ARB);
    glMatrixMode(GL_MODELVIEW);
    return OK;
}

void QIRN_Graphics_GL::ApplyPassStates(QIRN_ShaderPass_GL* po)
{
    QIRN_Render_States_GL* c = m_poRenderStates;
    if (!c)
    {
        return;
    }
    c->SetDepthTest(po->m_iDepthTest);
    c->SetDepthFunc(po->m_eDepthFunc);
    c->SetDepthMask(po->m_iDepthWrite ? GL_TRUE : GL_FALSE);
    c->SetStencilTest(po->m_iStencilTest);
    c->SetStencilOp(po->m_eStencilFail, po->m_eStencilZFail, po->m_eStencilPass);
    c->SetStencilFunc(po->m_eStencilFunc, po->m_iStencilRef, po->m_dwStencilMask);
    c->SetStencilMask(po->m_dwStencilWriteMask);
    c->SetAlphaTest(po->m_iAlphaTest);
    c->SetAlphaFunc(po->m_fAlphaRef, po->m_eAlphaFunc);
    c->SetBlending(po->m_iBlending);
    c->SetBlendFunc(po->m_eBlendSource, po->m_eBlendDestination);
    GLbitfield dwMask = 0;
    if (po->m_iClearDepth)
    {
        c->SetDepthClearValue(po->m_fDepthClearValue);
        dwMask |= GL_DEPTH_BUFFER_BIT;
    }
    if (po->m_iClearStencil)
    {
        c->SetStencilClearValue(po->m_iStencilClearValue);
        dwMask |= GL_STENCIL_BUFFER_BIT;
    }
    if (po->m_iClearColor)
    {
        c->SetClearColor(po->m_afClearColor[0], po->m_afClearColor[1], po->m_afClearColor[2],
                         po->m_afClearColor[3]);
        dwMask |= GL_COLOR_BUFFER_BIT;
    }
    if (dwMask != 0)
    {
        glClear(dwMask);
    }
    if (po->m_eFrontFace != 0)
    {
        c->SetFrontFace(po->m_eFrontFace);
    }
    c->SetCulling(po->m_eFrontFace != 0 ? 1 : 0);
    c->SetNormalize(po->m_iNormalize);
    c->SetShadeModel(po->m_eShadeModel);
    c->SetLighting(po->m_iLighting);
    ApplyMaterial(&po->m_afMaterial[0], &po->m_afMaterial[4], &po->m_afMaterial[8], &po->m_afMaterial[12],
                  &po->m_afMaterial[16]);
    glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, po->m_afTexEnvColor);
}

QIRN_ErrorCode QIRN_Graphics_GL::SetShaderLayer(QIRN_ShaderLayer_GL* poLayer, int)
{
    if (!poLayer)
    {
        dprintf("\nQIRN_Graphics_GL::SetShaderLayer() - Error : Pointer to shader layer is NULL.\n");
        return INVALIDPARAMS;
    }
    QIRN_Texture_GL* poTexture = poLayer->m_poTexture;
    if (!poTexture)
    {
        return OK;
    }
    const GLenum eTarget = poTexture->GetTarget();
    if (poTexture->GetName() == 0)
    {
        dprintf(
            "\n*** QIRN_Graphics_GL::SetShaderGL() - Texture object is NULL : texturing is disabled for this "
            "layer.");
    }
    glEnable(eTarget);
    glBindTexture(eTarget, poTexture->GetName());
    GLErrorString(nullptr);
    if (m_poExtensions && m_poExtensions->IsTexEnvCombineSupported())
    {
        const QIRN_GLCombine& c = poLayer->m_oColorCombine;
        const QIRN_GLCombine& a = poLayer->m_oAlphaCombine;
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE_EXT);
        glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB_EXT, c.iSource0);
        glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_RGB_EXT, c.iOperand0);
        glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE1_RGB_EXT, c.iSource1);
        glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND1_RGB_EXT, c.iOperand1);
        if (c.iThreeArgs == 1)
        {
            glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE2_RGB_EXT, c.iSource2);
            glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND2_RGB_EXT, c.iOperand2);
        }
        glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB_EXT, c.iFunction);
        glTexEnvf(GL_TEXTURE_ENV, GL_RGB_SCALE_EXT, c.fScale);
        glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_ALPHA_EXT, a.iSource0);
        glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_ALPHA_EXT, a.iOperand0);
        glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE1_ALPHA_EXT, a.iSource1);
        glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND1_ALPHA_EXT, a.iOperand1);
        if (a.iThreeArgs == 1)
        {
            glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE2_ALPHA_EXT, a.iSource2);
            glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND2_ALPHA_EXT, a.iOperand2);
        }
        glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_ALPHA_EXT, a.iFunction);
        glTexEnvf(GL_TEXTURE_ENV, GL_ALPHA_SCALE, a.fScale);
    }
    else
    {
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, poLayer->m_iTexFunction);
    }
    GLErrorString(nullptr);
    glTexParameteri(eTarget, GL_TEXTURE_MAG_FILTER, poLayer->m_iMagFilter);
    glTexParameteri(eTarget, GL_TEXTURE_MIN_FILTER, poLayer->m_iMinFilter);
    glTexParameteri(eTarget, GL_TEXTURE_WRAP_S, poLayer->m_iWrapS);
    glTexParameteri(eTarget, GL_TEXTURE_WRAP_T, poLayer->m_iWrapT);
    glTexParameteri(eTarget, GL_TEXTURE_WRAP_R, poLayer->m_iWrapR);
    glTexParameterfv(eTarget, GL_TEXTURE_BORDER_COLOR, poLayer->m_afBorderColor);
    GLErrorString(nullptr);
    if (m_poExtensions && m_poExtensions->IsTextureLodSupported())
    {
        glTexParameteri(eTarget, GL_TEXTURE_BASE_LEVEL_SGIS, poLayer->m_iBaseLevel);
        glTexParameteri(eTarget, GL_TEXTURE_MAX_LEVEL_SGIS, poLayer->m_iMaxLevel);
        glTexParameterf(eTarget, GL_TEXTURE_MIN_LOD_SGIS, poLayer->m_fMinLod);
        glTexParameterf(eTarget, GL_TEXTURE_MAX_LOD_SGIS, poLayer->m_fMaxLod);
        GLErrorString(nullptr);
    }
    const bool bAniso = m_poExtensions && m_poExtensions->IsAnisotropicFilterSupported();
    // The driver refuses a value below 1 (a GL error, the setting dropped); above the device's
    // maximum, read at start-up, it means that maximum.
    const float fMaxAnisotropy = static_cast<float>(std::max(m_iMaxAnisotropy, 1));
    const float fAnisotropy = bAniso ? std::min(std::max(poLayer->m_fMaxAnisotropy, 1.0f), fMaxAnisotropy) : 1.0f;
    glTexParameterf(eTarget, GL_TEXTURE_MAX_ANISOTROPY_EXT, fAnisotropy);
    GLErrorString(nullptr);
    SetTexCoordGenFunc(eTarget, poLayer->m_iTexGenMode);
    glMatrixMode(GL_TEXTURE);
    if (poLayer->m_iTexMatrixFlag != 0)
    {
        glLoadMatrixf(poLayer->m_mTexMatrix.Data());
    }
    else
    {
        glLoadIdentity();
    }
    GLErrorString(nullptr);
    return OK;
}

QIRN_ErrorCode QIRN_Graphics_GL::SetTexCoordGenFunc(GLenum eTarget, GLint iMode)
{
    if (iMode == 0)
    {
        glDisable(GL_TEXTURE_GEN_S);
        glDisable(GL_TEXTURE_GEN_T);
        glDisable(GL_TEXTURE_GEN_R);
        glDisable(GL_TEXTURE_GEN_Q);
        return OK;
    }
    if (iMode != GL_EYE_LINEAR && iMode != GL_OBJECT_LINEAR && iMode != GL_SPHERE_MAP &&
        iMode != GL_NORMAL_MAP_ARB && iMode != GL_REFLECTION_MAP_ARB)
    {
        dprintf("\nQIRN_Graphics_GL::SetTexCoordGenFunc() - Error : The texture coordinate generation "
                "function is "
                "invalid.");
        return INVALIDPARAMS;
    }
    int iCoords = 0;
    if (eTarget == GL_TEXTURE_1D)
    {
        iCoords = 1;
    }
    else if (eTarget == GL_TEXTURE_2D)
    {
        iCoords = 2;
    }
    else if (eTarget == GL_TEXTURE_3D_EXT || eTarget == GL_TEXTURE_CUBE_MAP_ARB)
    {
        iCoords = 3;
    }
    else
    {
        dprintf(
            "\n*** QIRN_Graphics_GL::SetTexCoordGenFunc()-Error: Unrecognized texture coordinates generation "
            "function.");
        return OK;
    }
    const GLenum aeCoord[] = {GL_S, GL_T, GL_R};
    const GLenum aeGen[] = {GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T, GL_TEXTURE_GEN_R};
    for (int i = 0; i < iCoords; ++i)
    {
        glTexGeni(aeCoord[i], GL_TEXTURE_GEN_MODE, iMode);
    }
    if (iCoords == 1 && (iMode == GL_EYE_LINEAR || iMode == GL_OBJECT_LINEAR))
    {
        const GLfloat afPlane[4] = {1.0f, 0.0f, 0.0f, 0.0f};
        glTexGenfv(GL_S, iMode == GL_EYE_LINEAR ? GL_EYE_PLANE : GL_OBJECT_PLANE, afPlane);
    }
    for (int i = 0; i < 3; ++i)
    {
        if (i < iCoords)
        {
            glEnable(aeGen[i]);
        }
        else
        {
            glDisable(aeGen[i]);
        }
    }
    glDisable(GL_TEXTURE_GEN_Q);
    return OK;
}
