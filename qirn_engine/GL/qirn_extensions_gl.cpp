#include "qirn_extensions_gl.h"

#include "qirn_debug.h"

#include <cstring>
#include <new>

namespace
{
const char* s_szListOverride = nullptr;

// wglGetProcAddress answers a generic function pointer; going through void (*)() keeps the
// cast to the entry point's real type free of warnings.
template <typename T> T EntryPoint(const char* szName)
{
    return reinterpret_cast<T>(reinterpret_cast<void (*)()>(wglGetProcAddress(szName)));
}

void LogSupported(const char* szName)
{
    dprintf("\n*** QIRN_Extensions_GL::Initialize() - %s extension supported by hardware.", szName);
}
} // namespace

QIRN_ARB_Multitexture_GL::QIRN_ARB_Multitexture_GL() : m_pfnActiveTextureARB(nullptr), m_apvOther{} {}

QIRN_ErrorCode QIRN_ARB_Multitexture_GL::glActiveTexture(GLenum eTexture)
{
    if (!m_pfnActiveTextureARB)
    {
        dprintf(
            "\n*** QIRN_ARB_Multitexture_GL::glActiveTexture() - Getting pointer to glActiveTextureARB()...");
        m_pfnActiveTextureARB = EntryPoint<PFNGLACTIVETEXTUREARBPROC>("glActiveTextureARB");
        if (!m_pfnActiveTextureARB)
        {
            dprintf("\nQIRN_ARB_MultiTexture_GL::glActiveTexture() - Error getting pointer to "
                    "glActiveTextureARB() or "
                    "MultiTexture extension not supported");
            return GENERICERROR;
        }
        dprintf("\n*** QIRN_ARB_Multitexture_GL::glActiveTexture() - Getting pointer to glActiveTextureARB() "
                "successful");
    }
    m_pfnActiveTextureARB(eTexture);
    return OK;
}

QIRN_EXT_Compiled_Vertex_Array_GL::QIRN_EXT_Compiled_Vertex_Array_GL()
    : m_pfnLockArraysEXT(nullptr), m_pfnUnlockArraysEXT(nullptr)
{
}

QIRN_EXT_Texture3D_GL::QIRN_EXT_Texture3D_GL() : m_pfnTexImage3DEXT(nullptr) {}

QIRN_ErrorCode QIRN_EXT_Texture3D_GL::glTexImage3D(GLenum eTarget, GLint iLevel, GLenum eInternalFormat,
                                                   GLsizei iWidth, GLsizei iHeight, GLsizei iDepth,
                                                   GLint iBorder, GLenum eFormat, GLenum eType,
                                                   const GLvoid* pvPixels)
{
    if (!m_pfnTexImage3DEXT)
    {
        dprintf("\n*** QIRN_EXT_Texture3D_GL::glTexImage3D() - Getting pointer to glTexImage3DEXT()...");
        m_pfnTexImage3DEXT = EntryPoint<PFNGLTEXIMAGE3DEXTPROC>("glTexImage3DEXT");
        if (!m_pfnTexImage3DEXT)
        {
            dprintf("\nQIRN_EXT_Texture3D_GL::glTexImage3D() - Error getting pointer to m_pfnTexImage3DEXT() "
                    "or 3d "
                    "texture extension not supported");
            return GENERICERROR;
        }
        dprintf("\n*** QIRN_EXT_Texture3D_GL::glTexImage3D() - Getting pointer to m_pfnTexImage3DEXT() "
                "successful");
    }
    m_pfnTexImage3DEXT(eTarget, iLevel, eInternalFormat, iWidth, iHeight, iDepth, iBorder, eFormat, eType,
                       pvPixels);
    return OK;
}

QIRN_Extensions_GL::QIRN_Extensions_GL()
    : m_szExtensions(nullptr), m_iMultitexture(0), m_iCompiledVertexArray(0), m_iTexEnvCombine(0),
      m_iEdgeClamp(0), m_iBorderClamp(0), m_iTextureLod(0), m_iAnisotropic(0), m_i3DTexture(0), m_iCubeMap(0),
      m_poMultitexture(nullptr), m_poCompiledVertexArray(nullptr), m_poTexture3D(nullptr)
{
}

QIRN_Extensions_GL::~QIRN_Extensions_GL()
{
    delete m_poMultitexture;
    delete m_poCompiledVertexArray;
    delete m_poTexture3D;
}

void QIRN_Extensions_GL::SetExtensionListOverride(const char* szList)
{
    s_szListOverride = szList;
}

QIRN_ErrorCode QIRN_Extensions_GL::Initialize()
{
    m_szExtensions =
        s_szListOverride ? s_szListOverride : reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));

    m_iMultitexture = IsExtensionSupported("GL_ARB_multitexture", m_szExtensions);
    if (m_iMultitexture)
    {
        m_poMultitexture = new (std::nothrow) QIRN_ARB_Multitexture_GL();
        if (!m_poMultitexture)
        {
            dprintf("\nQIRN_Extensions_GL::Initialize() - Error while creating an instance of "
                    "QIRN_ARB_Multitexture_GL.");
            return GENERICERROR;
        }
        LogSupported("GL_ARB_multitexture");
    }
    m_iCompiledVertexArray = IsExtensionSupported("GL_EXT_compiled_vertex_array", m_szExtensions);
    if (m_iCompiledVertexArray)
    {
        m_poCompiledVertexArray = new (std::nothrow) QIRN_EXT_Compiled_Vertex_Array_GL();
        if (!m_poCompiledVertexArray)
        {
            dprintf("\nQIRN_Extensions_GL::Initialize() - Error while creating an instance of "
                    "QIRN_EXT_Compiled_Vertex_Array_GL.");
            return GENERICERROR;
        }
        LogSupported("GL_EXT_compiled_vertex_array");
    }

    struct Probe
    {
        const char* szName;
        int32_t* piFlag;
    };
    const Probe aProbes[] = {
        {"GL_EXT_texture_env_combine", &m_iTexEnvCombine},
        {"GL_EXT_texture_edge_clamp", &m_iEdgeClamp},
        {"GL_ARB_texture_border_clamp", &m_iBorderClamp},
        {"GL_SGIS_texture_lod", &m_iTextureLod},
        {"GL_EXT_texture_filter_anisotropic", &m_iAnisotropic},
        {"GL_EXT_texture3D", &m_i3DTexture},
        {"GL_ARB_texture_cube_map", &m_iCubeMap},
    };
    for (const Probe& o : aProbes)
    {
        *o.piFlag = IsExtensionSupported(o.szName, m_szExtensions);
        if (!*o.piFlag)
        {
            continue;
        }
        if (o.piFlag == &m_i3DTexture)
        {
            m_poTexture3D = new (std::nothrow) QIRN_EXT_Texture3D_GL();
        }
        LogSupported(o.szName);
    }
    return OK;
}

int32_t QIRN_Extensions_GL::IsExtensionSupported(const char* szName, const char* szList)
{
    if (!szName)
    {
        dprintf(
            "\nQIRN_Extensions_GL::IsExtensionSupported() - Error : The extension name specified is NULL.");
        return 0;
    }
    if (!szList)
    {
        dprintf(
            "\nQIRN_Extensions_GL::IsExtensionSupported() - Error : The list of extension names is NULL.");
        return 0;
    }
    const size_t dwNameLength = strlen(szName);
    const char* szWord = szList;
    while (*szWord)
    {
        const char* szBlank = strchr(szWord, ' ');
        const size_t dwLength = szBlank ? static_cast<size_t>(szBlank - szWord) : strlen(szWord);
        if (dwLength == dwNameLength && strncmp(szWord, szName, dwLength) == 0)
        {
            return 1;
        }
        if (!szBlank)
        {
            break;
        }
        szWord = szBlank + 1;
    }
    return 0;
}
