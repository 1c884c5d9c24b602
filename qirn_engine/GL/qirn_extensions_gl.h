#pragma once
// The OpenGL extensions the renderer can use: probed once per device after its context is made
// current, each remembered as a flag, with lazily fetched entry points for those that add functions.

#include "qirn_errors.h"
#include "qirn_gl.h"

#include <cstdint>

// GL_ARB_multitexture: room for its 34 entry points; only glActiveTextureARB is fetched.
class QIRN_ARB_Multitexture_GL
{
public:
    QIRN_ARB_Multitexture_GL();
    // Fetches glActiveTextureARB on first use (again on the next call when that failed).
    QIRN_ErrorCode glActiveTexture(GLenum eTexture);

    PFNGLACTIVETEXTUREARBPROC m_pfnActiveTextureARB;
    void* m_apvOther[33];
};

// GL_EXT_compiled_vertex_array: its two entry points are kept but never fetched.
class QIRN_EXT_Compiled_Vertex_Array_GL
{
public:
    QIRN_EXT_Compiled_Vertex_Array_GL();

    PFNGLLOCKARRAYSEXTPROC m_pfnLockArraysEXT;
    PFNGLUNLOCKARRAYSEXTPROC m_pfnUnlockArraysEXT;
};

class QIRN_EXT_Texture3D_GL
{
public:
    QIRN_EXT_Texture3D_GL();
    QIRN_ErrorCode glTexImage3D(GLenum eTarget, GLint iLevel, GLenum eInternalFormat, GLsizei iWidth,
                                GLsizei iHeight, GLsizei iDepth, GLint iBorder, GLenum eFormat, GLenum eType,
                                const GLvoid* pvPixels);

    PFNGLTEXIMAGE3DEXTPROC m_pfnTexImage3DEXT;
};

class QIRN_Extensions_GL
{
public:
    QIRN_Extensions_GL();
    ~QIRN_Extensions_GL();
    QIRN_Extensions_GL(const QIRN_Extensions_GL&) = delete;
    QIRN_Extensions_GL& operator=(const QIRN_Extensions_GL&) = delete;

    // Reads the current context's extension list (or the override) and sets every flag.
    QIRN_ErrorCode Initialize();
    static int32_t IsExtensionSupported(const char* szName, const char* szList);

    // Lets tests stand in for a driver with another extension list; NULL returns to the driver's.
    // The text must outlive the records initialised with it.
    static void SetExtensionListOverride(const char* szList);

    int32_t IsMultitextureSupported() const { return m_iMultitexture; }
    int32_t IsTexEnvCombineSupported() const { return m_iTexEnvCombine; }
    int32_t IsTextureEdgeClampSupported() const { return m_iEdgeClamp; }
    int32_t IsTextureBorderClampSupported() const { return m_iBorderClamp; }
    int32_t IsTextureLodSupported() const { return m_iTextureLod; }
    int32_t IsAnisotropicFilterSupported() const { return m_iAnisotropic; }
    int32_t Is3DTextureSupported() const { return m_i3DTexture; }
    int32_t IsCubeMapSupported() const { return m_iCubeMap; }

    const char* m_szExtensions; // not owned
    int32_t m_iMultitexture;
    int32_t m_iCompiledVertexArray;
    int32_t m_iTexEnvCombine;
    int32_t m_iEdgeClamp;
    int32_t m_iBorderClamp;
    int32_t m_iTextureLod;
    int32_t m_iAnisotropic;
    int32_t m_i3DTexture;
    int32_t m_iCubeMap;
    QIRN_ARB_Multitexture_GL* m_poMultitexture;
    QIRN_EXT_Compiled_Vertex_Array_GL* m_poCompiledVertexArray;
    QIRN_EXT_Texture3D_GL* m_poTexture3D;
};
