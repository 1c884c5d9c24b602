#pragma once
// The engine's images as OpenGL texture objects: 2D, cube-map and 3D textures, each uploading
// every slice and mip level of a bitmap once.

#include "qirn_errors.h"
#include "qirn_gl.h"

#include <cstdint>
#include <string>

class QIRN_Bitmap;
class QIRN_EXT_Texture3D_GL;

// The OpenGL internal format of an engine format code; 0 and 1 when there is none.
QIRN_ErrorCode GetGLFormatFromQIRN(uint32_t eFormat, GLint* piInternalFormat);

class QIRN_Texture_GL
{
public:
    QIRN_Texture_GL();
    virtual QIRN_ErrorCode Create(QIRN_Bitmap* poBitmap);
    // Deletes the OpenGL texture object.
    virtual ~QIRN_Texture_GL();
    QIRN_Texture_GL(const QIRN_Texture_GL&) = delete;
    QIRN_Texture_GL& operator=(const QIRN_Texture_GL&) = delete;

    GLuint GetName() const { return m_dwName; }
    GLenum GetTarget() const { return m_eTarget; }

    std::string m_strName;
    GLuint m_dwName;
    GLenum m_eTarget;

protected:
    // Generates and binds the texture object; the name stays 0 (logged) when none is made.
    void GenerateName(const char* szFailure);
};

class QIRN_Texture2D_GL : public QIRN_Texture_GL
{
public:
    explicit QIRN_Texture2D_GL(int32_t iLod);
    QIRN_ErrorCode Create(QIRN_Bitmap* poBitmap) override;

    int32_t m_iLod;
    uint32_t m_dwNumMipLevels;
};

class QIRN_TextureCubeMap_GL : public QIRN_Texture_GL
{
public:
    explicit QIRN_TextureCubeMap_GL(int32_t iLod);
    QIRN_ErrorCode Create(QIRN_Bitmap* poBitmap) override;

    int32_t m_iLod;
    uint32_t m_dwNumMipLevels;
};

class QIRN_Texture3D_GL : public QIRN_Texture_GL
{
public:
    explicit QIRN_Texture3D_GL(QIRN_EXT_Texture3D_GL* poExtension);
    QIRN_ErrorCode Create(QIRN_Bitmap* poBitmap) override;

    uint32_t m_dwNumMipLevels;
    QIRN_EXT_Texture3D_GL* m_poExtension; // not owned
};
