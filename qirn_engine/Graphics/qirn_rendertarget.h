#pragma once
// The description of a render target of the shader file: a texture the renderer draws into
// before each frame with the update function the description names.

#include "qirn_errors.h"

#include <cstdint>
#include <string>

class QIRN_File;

class QIRN_RenderTarget
{
public:
    QIRN_RenderTarget();
    ~QIRN_RenderTarget() = default;

    QIRN_ErrorCode Load(QIRN_File& roFile);
    QIRN_ErrorCode Save(QIRN_File& roFile) const;

    std::string m_strName;
    std::string m_strUpdateFunction;
    uint32_t m_dwWidth;
    uint32_t m_dwHeight;
    uint32_t m_eFormat;
    bool m_bLockable;
    bool m_bCreateZBuffer;
    uint32_t m_eZBufferFormat;
};
