#pragma once
// QIRN_DeviceInfo: what a renderer tells the engine and the console about its adapter and the
// settings it was created with. The constructor zeroes every field; the record owns its
// display-mode array.

#include "qirn_pixelformat.h"

#include <cstddef>
#include <cstdint>

const uint32_t QIRN_MAXDEPTHSTENCILFORMATS = 7;
const uint32_t QIRN_MAXTEXTUREFORMATS = 30;

// One display mode of the adapter with the depth-stencil and texture formats it accepts, in the
// order the candidates were tried.
struct QIRN_DisplayMode
{
    uint32_t m_dwWidth;
    uint32_t m_dwHeight;
    uint32_t m_dwRefreshRate;
    QIRN_PixelFormat m_eFormat;
    QIRN_PixelFormat m_aeDepthStencilFormats[QIRN_MAXDEPTHSTENCILFORMATS];
    uint32_t m_dwNumDepthStencilFormats;
    QIRN_PixelFormat m_aeTextureFormats[QIRN_MAXTEXTUREFORMATS];
    uint32_t m_dwNumTextureFormats;
};

class QIRN_DeviceInfo
{
public:
    QIRN_DeviceInfo();
    ~QIRN_DeviceInfo();

    QIRN_DeviceInfo(const QIRN_DeviceInfo&) = delete;
    QIRN_DeviceInfo& operator=(const QIRN_DeviceInfo&) = delete;

    // Replaces the display-mode list by dwCount zeroed entries; NULL (and no list) when they
    // cannot be allocated or dwCount is 0.
    QIRN_DisplayMode* AllocateDisplayModes(uint32_t dwCount);
    void FreeDisplayModes();
    // True when a listed mode has exactly this size, format and refresh rate; false without modes.
    bool HasDisplayMode(uint32_t dwWidth, uint32_t dwHeight, QIRN_PixelFormat eFormat,
                        uint32_t dwRefreshRate) const;

    char m_szDriver[256];
    char m_szDescription[256];
    uint32_t m_dwVendorId;
    uint32_t m_dwDeviceId;
    bool m_bCanRenderWindowed;
    bool m_bHardwareTnL;
    uint32_t m_dwAdapterBlendStages;
    uint32_t m_dwMaxVertexBlendMatrices;
    uint32_t m_dwMaxVertexBlendMatrixIndex;
    uint32_t m_dwMaxVertexShaderConst;
    uint32_t m_dwVertexShaderVersion;
    uint32_t m_dwPixelShaderVersion;
    uint32_t m_dwMaxSimultaneousTextures;
    uint32_t m_dwMaxTextureBlendStages;
    int32_t m_iMaxPixelShaderValue;
    QIRN_DisplayMode* m_pDisplayModes;
    uint32_t m_dwNumDisplayModes;
    uint32_t m_dwAdapter;
    uint32_t m_dwWidth;
    uint32_t m_dwHeight;
    uint32_t m_dwBackBufferFormat;
    uint32_t m_dwBackBufferCount;
    uint32_t m_dwDepthStencilFormat;
    uint32_t m_dwDeviceType;
    uint32_t m_dwVertexProcessing;
    bool m_bWindowed;
    bool m_bDepthBuffer;
    bool m_bStencil;
};

// Copies szSource into a fixed field, cut to fit and always zero-terminated.
void QIRN_CopyDeviceText(char* szDest, size_t nDestSize, const char* szSource);
