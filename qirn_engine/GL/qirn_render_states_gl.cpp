#include "qirn_render_states_gl.h"

#include "qirn_debug.h"

namespace
{
const QIRN_RenderStateCalls_GL s_oRealCalls = {
    glEnable,      glDisable,     glAlphaFunc, glBlendFunc, glShadeModel, glFrontFace,    glStencilOp,
    glStencilFunc, glStencilMask, glDepthFunc, glDepthMask, glClearDepth, glClearStencil, glClearColor};
const QIRN_RenderStateCalls_GL* s_poCalls = &s_oRealCalls;
} // namespace

void SetRenderStateCallsGL(const QIRN_RenderStateCalls_GL* poCalls)
{
    s_poCalls = poCalls ? poCalls : &s_oRealCalls;
}

GLenum GLErrorString(const char** pszText)
{
    const GLenum eError = glGetError();
    if (!pszText)
    {
        return 0;
    }
    *pszText = reinterpret_cast<const char*>(gluErrorString(eError));
    return eError;
}

QIRN_Render_States_GL::QIRN_Render_States_GL(int32_t iCaching)
    : m_iCaching(0), m_iAlphaTest(0), m_fAlphaRef(0.0f), m_eAlphaFunc(GL_ALWAYS), m_iBlending(0),
      m_eBlendSource(GL_SRC_ALPHA), m_eBlendDestination(GL_ONE_MINUS_SRC_ALPHA), m_iLighting(0), m_iFog(0),
      m_eShadeModel(GL_FLAT), m_eFrontFace(GL_CCW), m_iCulling(0), m_iStencilTest(0), m_eStencilFail(GL_KEEP),
      m_eStencilDepthFail(GL_KEEP), m_eStencilPass(GL_KEEP), m_eStencilFunc(GL_ALWAYS),
      m_dwStencilWriteMask(0), m_iStencilClear(0), m_iStencilRef(0), m_dwStencilValueMask(0), m_iDepthTest(0),
      m_eDepthFunc(GL_ALWAYS), m_bDepthMask(GL_FALSE),
      m_fDepthClear(0.0f), m_afClearColor{0.0f, 0.0f, 0.0f, 0.0f}, m_iNormalize(0), m_bDepthClearSet(false),
      m_bStencilClearSet(false), m_bClearColorSet(false)
{
    if (iCaching == 1)
    {
        Reset();
    }
    m_iCaching = iCaching;
}

void QIRN_Render_States_GL::Reset()
{
    // Every call of the reset reaches OpenGL, whatever the stored copies say.
    m_iCaching = 0;
    SetAlphaTest(0);
    SetAlphaFunc(0.0f, GL_ALWAYS);
    SetBlending(0);
    SetBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    SetDepthTest(0);
    SetDepthFunc(GL_ALWAYS);
    SetDepthMask(GL_FALSE);
    SetStencilTest(0);
    SetStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
    SetStencilFunc(GL_ALWAYS, 0, 0);
    SetStencilMask(0);
    SetLighting(0);
    SetFog(0);
    SetShadeModel(GL_FLAT);
    SetFrontFace(GL_CCW);
    SetCulling(0);
    SetNormalize(0);
}

void QIRN_Render_States_GL::SetEnable(int32_t* piStored, int32_t iValue, GLenum eCap)
{
    if (Skip(*piStored == iValue))
    {
        return;
    }
    if (iValue == 1)
    {
        s_poCalls->pfnEnable(eCap);
    }
    else
    {
        s_poCalls->pfnDisable(eCap);
    }
    *piStored = iValue;
}

void QIRN_Render_States_GL::SetAlphaTest(int32_t iValue)
{
    SetEnable(&m_iAlphaTest, iValue, GL_ALPHA_TEST);
}

void QIRN_Render_States_GL::SetBlending(int32_t iValue)
{
    SetEnable(&m_iBlending, iValue, GL_BLEND);
}

void QIRN_Render_States_GL::SetLighting(int32_t iValue)
{
    SetEnable(&m_iLighting, iValue, GL_LIGHTING);
}

void QIRN_Render_States_GL::SetFog(int32_t iValue)
{
    SetEnable(&m_iFog, iValue, GL_FOG);
}

void QIRN_Render_States_GL::SetCulling(int32_t iValue)
{
    SetEnable(&m_iCulling, iValue, GL_CULL_FACE);
}

void QIRN_Render_States_GL::SetStencilTest(int32_t iValue)
{
    SetEnable(&m_iStencilTest, iValue, GL_STENCIL_TEST);
}

void QIRN_Render_States_GL::SetDepthTest(int32_t iValue)
{
    SetEnable(&m_iDepthTest, iValue, GL_DEPTH_TEST);
}

void QIRN_Render_States_GL::SetNormalize(int32_t iValue)
{
    SetEnable(&m_iNormalize, iValue, GL_NORMALIZE);
}

void QIRN_Render_States_GL::SetAlphaFunc(float fReference, GLenum eFunc)
{
    if (Skip(m_fAlphaRef == fReference && m_eAlphaFunc == eFunc))
    {
        return;
    }
    s_poCalls->pfnAlphaFunc(eFunc, fReference);
    m_fAlphaRef = fReference;
    m_eAlphaFunc = eFunc;
}

void QIRN_Render_States_GL::SetBlendFunc(GLenum eSource, GLenum eDestination)
{
    if (Skip(m_eBlendSource == eSource && m_eBlendDestination == eDestination))
    {
        return;
    }
    s_poCalls->pfnBlendFunc(eSource, eDestination);
    m_eBlendSource = eSource;
    m_eBlendDestination = eDestination;
}

void QIRN_Render_States_GL::SetShadeModel(GLenum eModel)
{
    if (eModel != GL_FLAT && eModel != GL_SMOOTH)
    {
        dprintf("\n*** QIRN_Render_States_GL::SetShadeModel()-Shade model is invalid");
        return;
    }
    if (Skip(m_eShadeModel == eModel))
    {
        return;
    }
    s_poCalls->pfnShadeModel(eModel);
    m_eShadeModel = eModel;
}

void QIRN_Render_States_GL::SetFrontFace(GLenum eMode)
{
    if (Skip(m_eFrontFace == eMode))
    {
        return;
    }
    s_poCalls->pfnFrontFace(eMode);
    m_eFrontFace = eMode;
}

void QIRN_Render_States_GL::SetStencilOp(GLenum eFail, GLenum eDepthFail, GLenum ePass)
{
    if (Skip(m_eStencilFail == eFail && m_eStencilDepthFail == eDepthFail && m_eStencilPass == ePass))
    {
        return;
    }
    s_poCalls->pfnStencilOp(eFail, eDepthFail, ePass);
    m_eStencilFail = eFail;
    m_eStencilDepthFail = eDepthFail;
    m_eStencilPass = ePass;
}

void QIRN_Render_States_GL::SetStencilFunc(GLenum eFunc, GLint iReference, GLuint dwMask)
{
    if (Skip(m_eStencilFunc == eFunc && m_iStencilRef == iReference && m_dwStencilValueMask == dwMask))
    {
        return;
    }
    s_poCalls->pfnStencilFunc(eFunc, iReference, dwMask);
    m_eStencilFunc = eFunc;
    m_iStencilRef = iReference;
    m_dwStencilValueMask = dwMask;
}

void QIRN_Render_States_GL::SetStencilMask(GLuint dwMask)
{
    if (Skip(m_dwStencilWriteMask == dwMask))
    {
        return;
    }
    s_poCalls->pfnStencilMask(dwMask);
    m_dwStencilWriteMask = dwMask;
}

void QIRN_Render_States_GL::SetDepthFunc(GLenum eFunc)
{
    if (Skip(m_eDepthFunc == eFunc))
    {
        return;
    }
    s_poCalls->pfnDepthFunc(eFunc);
    m_eDepthFunc = eFunc;
}

void QIRN_Render_States_GL::SetDepthMask(GLboolean bFlag)
{
    if (Skip(m_bDepthMask == bFlag))
    {
        return;
    }
    s_poCalls->pfnDepthMask(bFlag);
    m_bDepthMask = bFlag;
}

void QIRN_Render_States_GL::SetDepthClearValue(float fValue)
{
    if (Skip(m_bDepthClearSet && m_fDepthClear == fValue))
    {
        return;
    }
    s_poCalls->pfnClearDepth(fValue);
    m_fDepthClear = fValue;
    m_bDepthClearSet = true;
}

void QIRN_Render_States_GL::SetStencilClearValue(int32_t iValue)
{
    if (Skip(m_bStencilClearSet && m_iStencilClear == iValue))
    {
        return;
    }
    s_poCalls->pfnClearStencil(iValue);
    m_iStencilClear = iValue;
    m_bStencilClearSet = true;
}

void QIRN_Render_States_GL::SetClearColor(float fRed, float fGreen, float fBlue, float fAlpha)
{
    if (Skip(m_bClearColorSet && m_afClearColor[0] == fRed && m_afClearColor[1] == fGreen &&
             m_afClearColor[2] == fBlue && m_afClearColor[3] == fAlpha))
    {
        return;
    }
    s_poCalls->pfnClearColor(fRed, fGreen, fBlue, fAlpha);
    m_afClearColor[0] = fRed;
    m_afClearColor[1] = fGreen;
    m_afClearColor[2] = fBlue;
    m_afClearColor[3] = fAlpha;
    m_bClearColorSet = true;
}
