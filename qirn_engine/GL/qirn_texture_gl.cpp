#include "qirn_texture_gl.h"

#include "qirn_bitmap.h"
#include "qirn_debug.h"
#include "qirn_extensions_gl.h"
#include "qirn_render_states_gl.h"

#include <cstring>
#include <vector>

namespace
{
struct UploadFormat
{
    GLint iInternal;
    GLenum ePixels;
};

// The internal format (RGBA8 when the engine's has none), the pixel layout from the texel size;
// rows of 8-bit RGB texels are tightly packed, so unpacking must not assume 4-byte rows.
UploadFormat PrepareUpload(const QIRN_Bitmap* poBitmap)
{
    UploadFormat o;
    if (GetGLFormatFromQIRN(static_cast<uint32_t>(poBitmap->m_eFormat), &o.iInternal) != OK)
    {
        o.iInternal = GL_RGBA8;
    }
    o.ePixels = poBitmap->m_dwBitsPerTexel == 32 ? GL_RGBA : GL_RGB;
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    GLErrorString(nullptr);
    return o;
}

GLsizei Dim(uint32_t dw)
{
    return static_cast<GLsizei>(dw);
}
} // namespace

QIRN_ErrorCode GetGLFormatFromQIRN(uint32_t eFormat, GLint* piOut)
{
    struct Entry
    {
        uint32_t eFormat;
        GLint iInternal;
    };
    static const Entry s_aoTable[] = {
        {20, GL_RGB8},
        {22, GL_RGB8},
        {21, GL_RGBA8},
        {212, GL_RGBA8},
        {23, GL_RGB5},
        {24, GL_RGB5},
        {25, GL_RGB5_A1},
        {211, GL_RGB5_A1},
        {26, GL_RGBA4},
        {210, GL_RGBA4},
        {27, GL_R3_G3_B2},
        {28, GL_ALPHA8},
        {29, GL_RGBA4},
        {30, GL_RGB4},
        {50, GL_LUMINANCE8},
        {51, GL_LUMINANCE8_ALPHA8},
        {221, GL_LUMINANCE8_ALPHA8},
        {52, GL_LUMINANCE4_ALPHA4},
        {219, GL_LUMINANCE4_ALPHA4},
        {206, GL_RGBA2},
        {207, GL_RGB10_A2},
        {208, GL_RGBA12},
        {209, GL_RGBA16},
        {213, GL_ALPHA4},
        {214, GL_ALPHA12},
        {215, GL_ALPHA16},
        {216, GL_LUMINANCE4},
        {217, GL_LUMINANCE12},
        {218, GL_LUMINANCE16},
        {220, GL_LUMINANCE6_ALPHA2},
        {222, GL_LUMINANCE12_ALPHA4},
        {223, GL_LUMINANCE12_ALPHA12},
        {224, GL_LUMINANCE16_ALPHA16},
        {225, GL_INTENSITY},
        {226, GL_INTENSITY4},
        {227, GL_INTENSITY8},
        {228, GL_INTENSITY12},
        {229, GL_INTENSITY16},
    };
    for (const Entry& o : s_aoTable)
    {
        if (o.eFormat == eFormat)
        {
            if (eFormat == 23)
            {
                dprintf("\nGetGLFormatFromQIRN() - The closest match for pixel format R5G6B5 is RGB5\n.");
            }
            else if (eFormat == 29)
            {
                dprintf("\nGetGLFormatFromQIRN() - The closest match for pixel format A8R3G3B2 is RGBA4\n.");
            }
            *piOut = o.iInternal;
            return OK;
        }
    }
    *piOut = 0;
    if (eFormat == 0 || eFormat == 40 || eFormat == 41 || eFormat == 0x7FFFFFFF)
    {
        dprintf("\nGetGLFormatFromQIRN() - This pixel format is not supported by OpenGL and no close match "
                "could be "
                "found.\n");
        return GENERICERROR;
    }
    dprintf("\n*** GetGLFormatFromQIRN() - Error : Unknown or unsupported QIRN pixel format.\n");
    dprintf("\n*** GetGLFormatFromQIRN() - Setting format to 0\n");
    return GENERICERROR;
}

QIRN_Texture_GL::QIRN_Texture_GL() : m_dwName(0), m_eTarget(0) {}

QIRN_ErrorCode QIRN_Texture_GL::Create(QIRN_Bitmap* /*poBitmap*/)
{
    return OK;
}

QIRN_Texture_GL::~QIRN_Texture_GL()
{
    if (m_dwName != 0)
    {
        glDeleteTextures(1, &m_dwName);
    }
}

void QIRN_Texture_GL::GenerateName(const char* szFailure)
{
    glEnable(m_eTarget);
    GLErrorString(nullptr);
    glGenTextures(1, &m_dwName);
    const char* szError = nullptr;
    if (GLErrorString(&szError) != GL_NO_ERROR)
    {
        dprintf("%s", szFailure);
        dprintf("\n*** QIRN_Graphics_GL::SetShaderGL() - GL returned : %s.", szError ? szError : "");
        m_dwName = 0;
    }
    glBindTexture(m_eTarget, m_dwName);
}

QIRN_Texture2D_GL::QIRN_Texture2D_GL(int32_t iLod) : m_iLod(iLod), m_dwNumMipLevels(0)
{
    m_eTarget = GL_TEXTURE_2D;
}

QIRN_ErrorCode QIRN_Texture2D_GL::Create(QIRN_Bitmap* poBitmap)
{
    if (!poBitmap)
    {
        dprintf("\n*** QIRN_Texture2D_GL::Create() - Error : pointer to bitmap is NULL.");
        return GENERICERROR;
    }
    m_dwNumMipLevels = poBitmap->m_dwNumMipLevels;
    m_strName = poBitmap->GetName();
    if (poBitmap->GetNumImages() == 0 || !poBitmap->m_ppTexels)
    {
        dprintf("\n*** QIRN_Texture2D_GL::Create() - Error : bitmap %s holds no images.", m_strName.c_str());
        return GENERICERROR;
    }
    const UploadFormat o = PrepareUpload(poBitmap);
    GenerateName(
        "\n*** QIRN_Graphics_GL::SetShaderGL() - Error : The texture object (name) could not be generated.");
    if (m_dwName != 0)
    {
        if (m_dwNumMipLevels == 1)
        {
            poBitmap->m_dwCurrentImage = 0;
            glTexImage2D(GL_TEXTURE_2D, 0, o.iInternal, Dim(poBitmap->m_pdwWidths[0]),
                         Dim(poBitmap->m_pdwHeights[0]), 0, o.ePixels, GL_UNSIGNED_BYTE,
                         poBitmap->m_ppTexels[0]);
        }
        else if (m_iLod != 1)
        {
            poBitmap->m_dwCurrentImage = 0;
            gluBuild2DMipmaps(GL_TEXTURE_2D, o.iInternal, Dim(poBitmap->m_pdwWidths[0]),
                              Dim(poBitmap->m_pdwHeights[0]), o.ePixels, GL_UNSIGNED_BYTE,
                              poBitmap->m_ppTexels[0]);
            dprintf("\n*** QIRN_Texture2D_GL::Create() - Warning : Mipmaps have be generated from the base "
                    "texture "
                    "and not loaded from files.");
        }
        else
        {
            for (uint32_t i = 0; i < m_dwNumMipLevels; ++i)
            {
                poBitmap->m_dwCurrentImage = i;
                glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(i), o.iInternal, Dim(poBitmap->m_pdwWidths[i]),
                             Dim(poBitmap->m_pdwHeights[i]), 0, o.ePixels, GL_UNSIGNED_BYTE,
                             poBitmap->m_ppTexels[i]);
            }
        }
    }
    GLErrorString(nullptr);
    glBindTexture(GL_TEXTURE_2D, 0);
    return OK;
}

QIRN_TextureCubeMap_GL::QIRN_TextureCubeMap_GL(int32_t iLod) : m_iLod(iLod), m_dwNumMipLevels(0)
{
    m_eTarget = GL_TEXTURE_CUBE_MAP_ARB;
}

QIRN_ErrorCode QIRN_TextureCubeMap_GL::Create(QIRN_Bitmap* poBitmap)
{
    if (!poBitmap)
    {
        dprintf("\n*** QIRN_TextureCubeMap_GL::Create() - Error : Pointer to image data is NULL.");
        return GENERICERROR;
    }
    m_dwNumMipLevels = poBitmap->m_dwNumMipLevels;
    m_strName = poBitmap->GetName();
    if (poBitmap->m_dwNumLayers != 6)
    {
        dprintf(
            "\n*** QIRN_TextureCubeMap_GL::Create() - There are not enough faces to create the cube map.");
        return GENERICERROR;
    }
    if (m_dwNumMipLevels == 0 || poBitmap->GetNumImages() == 0 || !poBitmap->m_ppTexels)
    {
        dprintf("\n*** QIRN_TextureCubeMap_GL::Create() - There is no base texture to create the cube map.");
        return GENERICERROR;
    }
    const UploadFormat o = PrepareUpload(poBitmap);
    GenerateName(
        "\n*** QIRN_TextureCubeMap_GL::Create() - Error : The texture object (name) could not be generated.");
    if (m_dwName == 0)
    {
        return GENERICERROR;
    }
    for (uint32_t f = 0; f < 6; ++f)
    {
        const GLenum eFace = GL_TEXTURE_CUBE_MAP_POSITIVE_X_ARB + f;
        const uint32_t dwBase = f * m_dwNumMipLevels;
        if (m_iLod != 1)
        {
            poBitmap->m_dwCurrentImage = dwBase;
            gluBuild2DMipmaps(eFace, o.iInternal, Dim(poBitmap->m_pdwWidths[dwBase]),
                              Dim(poBitmap->m_pdwHeights[dwBase]), o.ePixels, GL_UNSIGNED_BYTE,
                              poBitmap->m_ppTexels[dwBase]);
            dprintf(
                "\n*** QIRN_TextureCubeMap_GL::Create() - Warning : Mipmaps have be generated from the base "
                "texture and not loaded from files.");
            continue;
        }
        for (uint32_t j = 0; j < m_dwNumMipLevels; ++j)
        {
            const uint32_t i = dwBase + j;
            poBitmap->m_dwCurrentImage = i;
            glTexImage2D(eFace, static_cast<GLint>(j), o.iInternal, Dim(poBitmap->m_pdwWidths[i]),
                         Dim(poBitmap->m_pdwHeights[i]), 0, o.ePixels, GL_UNSIGNED_BYTE,
                         poBitmap->m_ppTexels[i]);
        }
    }
    GLErrorString(nullptr);
    glBindTexture(GL_TEXTURE_CUBE_MAP_ARB, 0);
    return OK;
}

QIRN_Texture3D_GL::QIRN_Texture3D_GL(QIRN_EXT_Texture3D_GL* poExtension)
    : m_dwNumMipLevels(0), m_poExtension(poExtension)
{
    m_eTarget = GL_TEXTURE_3D_EXT;
    if (!poExtension)
    {
        dprintf(
            "\nQIRN_Texture3D_GL::QIRN_Texture3D_GL() - Error : Pointer to GL 3D texture extension is NULL.");
    }
}

QIRN_ErrorCode QIRN_Texture3D_GL::Create(QIRN_Bitmap* poBitmap)
{
    if (!poBitmap)
    {
        dprintf("\n*** QIRN_Texture3D_GL::Create() - Error : Pointer to QIRN texture is NULL.");
        return GENERICERROR;
    }
    if (!m_poExtension)
    {
        dprintf("\n*** QIRN_Texture3D_GL::Create() - Error : Pointer to GL 3D texture extension is NULL.");
        return GENERICERROR;
    }
    m_dwNumMipLevels = poBitmap->m_dwNumMipLevels;
    m_strName = poBitmap->GetName();
    if (poBitmap->GetNumImages() == 0 || !poBitmap->m_ppTexels)
    {
        dprintf("\n*** QIRN_Texture3D_GL::Create() - Error : bitmap %s holds no images.", m_strName.c_str());
        return GENERICERROR;
    }
    const UploadFormat o = PrepareUpload(poBitmap);
    GenerateName(
        "\n*** QIRN_Graphics_GL::SetShaderGL() - Error : The texture object (name) could not be generated.");
    if (m_dwName != 0)
    {
        uint32_t dwDepth = poBitmap->m_dwNumLayers;
        const uint32_t dwBytes = poBitmap->m_dwBitsPerTexel / 8;
        for (uint32_t m = 0; m < m_dwNumMipLevels; ++m)
        {
            const uint32_t w = poBitmap->m_pdwWidths[m];
            const uint32_t h = poBitmap->m_pdwHeights[m];
            const size_t dwSliceBytes = static_cast<size_t>(w) * h * dwBytes;
            std::vector<uint8_t> vBuffer(dwSliceBytes * dwDepth);
            for (uint32_t z = 0; z < dwDepth; ++z)
            {
                const uint32_t i = m + z * m_dwNumMipLevels;
                poBitmap->m_dwCurrentImage = i;
                // A slice of another size than slice 0's level stays black rather than overrun.
                if (poBitmap->m_ppTexels[i] && poBitmap->m_pdwWidths[i] == w &&
                    poBitmap->m_pdwHeights[i] == h)
                {
                    memcpy(vBuffer.data() + z * dwSliceBytes, poBitmap->m_ppTexels[i], dwSliceBytes);
                }
            }
            m_poExtension->glTexImage3D(GL_TEXTURE_3D_EXT, static_cast<GLint>(m), o.iInternal, Dim(w), Dim(h),
                                        Dim(dwDepth), 0, o.ePixels, GL_UNSIGNED_BYTE, vBuffer.data());
            if (dwDepth >= 2)
            {
                dwDepth /= 2;
            }
        }
    }
    GLErrorString(nullptr);
    glBindTexture(GL_TEXTURE_3D_EXT, 0);
    return OK;
}
