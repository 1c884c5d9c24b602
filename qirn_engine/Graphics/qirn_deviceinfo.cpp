#include "qirn_deviceinfo.h"

#include <cstring>
#include <new>

QIRN_DeviceInfo::QIRN_DeviceInfo()
    : m_dwVendorId(0), m_dwDeviceId(0), m_bCanRenderWindowed(false), m_bHardwareTnL(false),
      m_dwAdapterBlendStages(0), m_dwMaxVertexBlendMatrices(0), m_dwMaxVertexBlendMatrixIndex(0),
      m_dwMaxVertexShaderConst(0), m_dwVertexShaderVersion(0), m_dwPixelShaderVersion(0),
      m_dwMaxSimultaneousTextures(0), m_dwMaxTextureBlendStages(0), m_iMaxPixelShaderValue(0),
      m_pDisplayModes(nullptr), m_dwNumDisplayModes(0), m_dwAdapter(0), m_dwWidth(0), m_dwHeight(0),
      m_dwBackBufferFormat(0), m_dwBackBufferCount(0), m_dwDepthStencilFormat(0), m_dwDeviceType(0),
      m_dwVertexProcessing(0), m_bWindowed(false), m_bDepthBuffer(false), m_bStencil(false)
{
    memset(m_szDriver, 0, sizeof(m_szDriver));
    memset(m_szDescription, 0, sizeof(m_szDescription));
}

QIRN_DeviceInfo::~QIRN_DeviceInfo()
{
    FreeDisplayModes();
}

void QIRN_DeviceInfo::FreeDisplayModes()
{
    delete[] m_pDisplayModes;
    m_pDisplayModes = nullptr;
    m_dwNumDisplayModes = 0;
}

QIRN_DisplayMode* QIRN_DeviceInfo::AllocateDisplayModes(uint32_t dwCount)
{
    FreeDisplayModes();
    if (dwCount == 0)
    {
        return nullptr;
    }
    m_pDisplayModes = new (std::nothrow) QIRN_DisplayMode[dwCount]();
    if (m_pDisplayModes)
    {
        m_dwNumDisplayModes = dwCount;
    }
    return m_pDisplayModes;
}

bool QIRN_DeviceInfo::HasDisplayMode(uint32_t dwWidth, uint32_t dwHeight, QIRN_PixelFormat eFormat,
                                     uint32_t dwRefreshRate) const
{
    if (!m_pDisplayModes)
    {
        return false;
    }
    for (uint32_t i = 0; i < m_dwNumDisplayModes; ++i)
    {
        const QIRN_DisplayMode& mode = m_pDisplayModes[i];
        if (mode.m_dwWidth == dwWidth && mode.m_dwHeight == dwHeight && mode.m_eFormat == eFormat &&
            mode.m_dwRefreshRate == dwRefreshRate)
        {
            return true;
        }
    }
    return false;
}

void QIRN_CopyDeviceText(char* szDest, size_t nDestSize, const char* szSource)
{
    if (!szDest || nDestSize == 0)
    {
        return;
    }
    size_t nLength = szSource ? strnlen(szSource, nDestSize - 1) : 0;
    if (nLength > 0)
    {
        memcpy(szDest, szSource, nLength);
    }
    szDest[nLength] = '\0';
}
