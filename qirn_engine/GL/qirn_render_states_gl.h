#pragma once
// The device's shadow copy of the fixed-function states shader passes set: a setter reaches
// OpenGL only when the request differs from what it last sent, so applying pass after pass costs
// no redundant state changes.

#include "qirn_gl.h"

#include <cstdint>

// The OpenGL calls the cache makes. The real entry points by default; tests put counting ones in
// their place to see which requests reach OpenGL.
struct QIRN_RenderStateCalls_GL
{
    void(APIENTRY* pfnEnable)(GLenum);
    void(APIENTRY* pfnDisable)(GLenum);
    void(APIENTRY* pfnAlphaFunc)(GLenum, GLclampf);
    void(APIENTRY* pfnBlendFunc)(GLenum, GLenum);
    void(APIENTRY* pfnShadeModel)(GLenum);
    void(APIENTRY* pfnFrontFace)(GLenum);
    void(APIENTRY* pfnStencilOp)(GLenum, GLenum, GLenum);
    void(APIENTRY* pfnStencilFunc)(GLenum, GLint, GLuint);
    void(APIENTRY* pfnStencilMask)(GLuint);
    void(APIENTRY* pfnDepthFunc)(GLenum);
    void(APIENTRY* pfnDepthMask)(GLboolean);
    void(APIENTRY* pfnClearDepth)(GLclampd);
    void(APIENTRY* pfnClearStencil)(GLint);
    void(APIENTRY* pfnClearColor)(GLclampf, GLclampf, GLclampf, GLclampf);
};

// The calls every cache makes from now on; NULL puts the real entry points back.
void SetRenderStateCallsGL(const QIRN_RenderStateCalls_GL* poCalls);

// Reads and drops the pending OpenGL error; its text goes through pszText when that is not NULL.
GLenum GLErrorString(const char** pszText);

class QIRN_Render_States_GL
{
public:
    // With caching 1 every state is first forced to a known value.
    explicit QIRN_Render_States_GL(int32_t iCaching);

    void SetAlphaTest(int32_t iValue);
    void SetBlending(int32_t iValue);
    void SetLighting(int32_t iValue);
    void SetFog(int32_t iValue);
    void SetCulling(int32_t iValue);
    void SetStencilTest(int32_t iValue);
    void SetDepthTest(int32_t iValue);
    void SetNormalize(int32_t iValue);

    void SetAlphaFunc(float fReference, GLenum eFunc);
    void SetBlendFunc(GLenum eSource, GLenum eDestination);
    void SetShadeModel(GLenum eModel);
    void SetFrontFace(GLenum eMode);
    void SetStencilOp(GLenum eFail, GLenum eDepthFail, GLenum ePass);
    void SetStencilFunc(GLenum eFunc, GLint iReference, GLuint dwMask);
    void SetStencilMask(GLuint dwMask);
    void SetDepthFunc(GLenum eFunc);
    void SetDepthMask(GLboolean bFlag);
    void SetDepthClearValue(float fValue);
    void SetStencilClearValue(int32_t iValue);
    void SetClearColor(float fRed, float fGreen, float fBlue, float fAlpha);

    // What the cache last sent; tests and code that bypasses the cache read it.
    int32_t GetCulling() const { return m_iCulling; }
    GLenum GetFrontFace() const { return m_eFrontFace; }
    int32_t GetNormalize() const { return m_iNormalize; }

private:
    void Reset();
    bool Skip(bool bEqual) const { return m_iCaching == 1 && bEqual; }
    void SetEnable(int32_t* piStored, int32_t iValue, GLenum eCap);

    int32_t m_iCaching;
    int32_t m_iAlphaTest;
    float m_fAlphaRef;
    GLenum m_eAlphaFunc;
    int32_t m_iBlending;
    GLenum m_eBlendSource;
    GLenum m_eBlendDestination;
    int32_t m_iLighting;
    int32_t m_iFog;
    GLenum m_eShadeModel;
    GLenum m_eFrontFace;
    int32_t m_iCulling;
    int32_t m_iStencilTest;
    GLenum m_eStencilFail;
    GLenum m_eStencilDepthFail;
    GLenum m_eStencilPass;
    GLenum m_eStencilFunc;
    GLuint m_dwStencilWriteMask;
    int32_t m_iStencilClear;
    GLint m_iStencilRef;
    GLuint m_dwStencilValueMask;
    int32_t m_iDepthTest;
    GLenum m_eDepthFunc;
    GLboolean m_bDepthMask;
    float m_fDepthClear;
    float m_afClearColor[4];
    int32_t m_iNormalize;
    // The clear values start unset: the first request of each always reaches OpenGL.
    bool m_bDepthClearSet;
    bool m_bStencilClearSet;
    bool m_bClearColorSet;
};
