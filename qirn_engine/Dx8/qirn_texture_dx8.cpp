#include "qirn_texture_dx8.h"

#include "qirn_debug.h"
#include "qirn_pixelformat_dx8.h"

#include "d3dx8.h"

#include "qirn_d3derror_dx8.h"

#include <cstring>
#include <vector>

namespace
{
// The device state a render target replaces, shared by all render targets: one target is current
// at a time and the back buffer is put back after it.
IDirect3DSurface8* g_pSavedBackBuffer = nullptr;
IDirect3DSurface8* g_pSavedDepthStencil = nullptr;
D3DVIEWPORT8 g_oSavedViewport = {};

void LogD3DResult(const char* szIndent, HRESULT hr)
{
    dprintf("%sD3D returned: %s\n", szIndent, QIRN_D3DErrorName(hr));
}

template <class T> void ReleaseAndClear(T*& p)
{
    if (p)
    {
        p->Release();
        p = nullptr;
    }
}

bool IsPowerOfTwo(uint32_t dw)
{
    return dw != 0 && (dw & (dw - 1)) == 0;
}

uint32_t BytesPerTexel(const QIRN_Bitmap* poImages)
{
    return poImages->m_dwBitsPerTexel / 8;
}

// The height byte of a bump map at (row, column), clamped to the image.
int Height(const uint8_t* pRGBA, uint32_t dwRows, uint32_t dwColumns, int32_t iBytes, uint32_t dwRow,
           uint32_t dwColumn)
{
    if (dwRow >= dwRows)
        dwRow = dwRows - 1;
    if (dwColumn >= dwColumns)
        dwColumn = dwColumns - 1;
    return pRGBA[(static_cast<size_t>(dwRow) * dwColumns + dwColumn) * iBytes];
}

void Put16(uint8_t* p, uint32_t dw)
{
    p[0] = static_cast<uint8_t>(dw);
    p[1] = static_cast<uint8_t>(dw >> 8);
}

void Put32(uint8_t* p, uint32_t dw)
{
    Put16(p, dw);
    Put16(p + 2, dw >> 16);
}

// Bytes a texel of a format CopyDataToSurface writes takes in the surface.
uint32_t DestTexelSize(int32_t iFormat)
{
    const uint32_t dwBits = QIRN_D3DFormatBits(static_cast<D3DFORMAT>(iFormat));
    return dwBits / 8;
}

// Fills one surface level from one image: through an image surface of the same format copied in
// with CopyRects, or, for a format the texel copy cannot write, through an A8R8G8B8 image surface
// converted with the D3DX8 loader. 0 or D3DCREATETEXTURE_FAILED.
QIRN_ErrorCode FillSurface(IDirect3DDevice8* pDevice, IDirect3DSurface8* pDest, uint32_t dwWidth,
                           uint32_t dwHeight, D3DFORMAT eFormat, uint32_t dwLockFlags,
                           uint32_t dwBytesPerTexel, const uint8_t* pTexels, const char* szLockFailure)
{
    const bool bDirect = QIRN_CanCopyDataToFormat(eFormat) && eFormat != QIRN_D3DFMT_VENDOR8;
    const D3DFORMAT eStaging = bDirect ? eFormat : D3DFMT_A8R8G8B8;
    IDirect3DSurface8* pSysMem = nullptr;
    if (FAILED(pDevice->CreateImageSurface(dwWidth, dwHeight, eStaging, &pSysMem)))
    {
        return D3DCREATETEXTURE_FAILED;
    }
    D3DLOCKED_RECT oLocked = {};
    if (FAILED(pSysMem->LockRect(&oLocked, nullptr, dwLockFlags)))
    {
        pSysMem->Release();
        if (szLockFailure)
        {
            dprintf("%s", szLockFailure);
        }
        return D3DCREATETEXTURE_FAILED;
    }
    const QIRN_ErrorCode eCopy = CopyDataToSurface(dwHeight, dwWidth, static_cast<uint8_t*>(oLocked.pBits),
                                                   oLocked.Pitch, eStaging, dwBytesPerTexel, pTexels);
    pSysMem->UnlockRect();
    HRESULT hr = E_FAIL;
    if (eCopy == OK)
    {
        hr = bDirect ? pDevice->CopyRects(pSysMem, nullptr, 0, pDest, nullptr)
                     : D3DXLoadSurfaceFromSurface(pDest, nullptr, nullptr, pSysMem, nullptr, nullptr,
                                                  D3DX_FILTER_LINEAR, 0);
    }
    pSysMem->Release();
    return SUCCEEDED(hr) ? OK : D3DCREATETEXTURE_FAILED;
}

// The image of one layer and level, with its size; false when the bitmap lacks it.
bool GetImage(QIRN_Bitmap* poImages, uint32_t dwImage, uint32_t& rdwWidth, uint32_t& rdwHeight,
              const uint8_t*& rpTexels)
{
    if (dwImage >= poImages->GetNumImages() || !poImages->m_ppTexels)
    {
        return false;
    }
    poImages->m_dwCurrentImage = dwImage;
    rdwWidth = poImages->m_pdwWidths[dwImage];
    rdwHeight = poImages->m_pdwHeights[dwImage];
    rpTexels = poImages->m_ppTexels[dwImage];
    return rdwWidth > 0 && rdwHeight > 0;
}
} // namespace

bool QIRN_CanCopyDataToFormat(int32_t iFormat)
{
    switch (iFormat)
    {
    case D3DFMT_R8G8B8:
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A4R4G4B4:
    case D3DFMT_A2B10G10R10:
    case D3DFMT_L8:
    case D3DFMT_A8L8:
    case D3DFMT_V8U8:
    case D3DFMT_L6V5U5:
    case QIRN_D3DFMT_VENDOR8:
        return true;
    default:
        return false;
    }
}

QIRN_ErrorCode CopyDataToSurface(uint32_t dwRows, uint32_t dwColumns, uint8_t* pDest, int32_t iPitch,
                                 int32_t iFormat, int32_t iBytesPerTexel, const uint8_t* pRGBA)
{
    if (!pRGBA)
    {
        dprintf("*** CopyDataToSurface() - pRGBA is NULL\n");
        return GENERICERROR;
    }
    if (!pDest || iBytesPerTexel < 3)
    {
        return GENERICERROR;
    }
    const bool bAlpha = iBytesPerTexel >= 4;
    const uint32_t dwDestSize = DestTexelSize(iFormat);
    uint8_t* pRow = pDest;
    for (uint32_t y = 0; y < dwRows; ++y, pRow += iPitch)
    {
        uint8_t* pOut = pRow;
        for (uint32_t x = 0; x < dwColumns; ++x, pOut += dwDestSize)
        {
            const uint8_t* pIn = pRGBA + (static_cast<size_t>(y) * dwColumns + x) * iBytesPerTexel;
            const uint32_t R = pIn[0], G = pIn[1], B = pIn[2], A = bAlpha ? pIn[3] : 255;
            switch (iFormat)
            {
            case D3DFMT_R8G8B8:
                pOut[0] = static_cast<uint8_t>(B);
                pOut[1] = static_cast<uint8_t>(G);
                pOut[2] = static_cast<uint8_t>(R);
                break;
            case D3DFMT_A8R8G8B8:
            case D3DFMT_X8R8G8B8:
                pOut[0] = static_cast<uint8_t>(B);
                pOut[1] = static_cast<uint8_t>(G);
                pOut[2] = static_cast<uint8_t>(R);
                pOut[3] = static_cast<uint8_t>(A);
                break;
            case D3DFMT_R5G6B5:
                Put16(pOut, ((R >> 3) << 11) | ((G >> 2) << 5) | (B >> 3));
                break;
            case D3DFMT_X1R5G5B5:
            case D3DFMT_A1R5G5B5:
                Put16(pOut, ((R & 0xF8) << 7) | ((G >> 3) << 5) | (B >> 3) | (bAlpha ? (A & 0x80) << 8 : 0));
                break;
            case D3DFMT_A4R4G4B4:
                Put16(pOut, ((R >> 4) << 8) | (G & 0xF0) | (B >> 4) | (bAlpha ? (A & 0xF0) << 8 : 0));
                break;
            case D3DFMT_A2B10G10R10:
            {
                // The packed ARGB value with its bits 0-9 and 20-29 exchanged.
                const uint32_t dw = (A << 24) | (R << 16) | (G << 8) | B;
                Put32(pOut, (dw & 0xC00FFC00u) | ((dw & 0x3FFu) << 20) | ((dw >> 20) & 0x3FFu));
                break;
            }
            case D3DFMT_L8:
            case QIRN_D3DFMT_VENDOR8:
                pOut[0] = static_cast<uint8_t>((R + G + B) / 3);
                break;
            case D3DFMT_A8L8:
                Put16(pOut, R | (bAlpha ? A << 8 : 0));
                break;
            case D3DFMT_V8U8:
            case D3DFMT_L6V5U5:
            {
                const int h = pIn[0];
                const int hR = Height(pRGBA, dwRows, dwColumns, iBytesPerTexel, y, x + 1);
                const int hB = Height(pRGBA, dwRows, dwColumns, iBytesPerTexel, y + 1, x);
                const int du = (h - hR) / 2;
                const int dv = (h - hB) / 2;
                if (iFormat == D3DFMT_V8U8)
                {
                    pOut[0] = static_cast<uint8_t>(static_cast<int8_t>(dv));
                    pOut[1] = static_cast<uint8_t>(static_cast<int8_t>(du));
                }
                else
                {
                    Put16(pOut, (static_cast<uint32_t>(du) & 0x1F) |
                                    ((static_cast<uint32_t>(dv) & 0x1F) << 5) |
                                    ((bAlpha ? A & 0x3F : 0) << 10));
                }
                break;
            }
            default:
                break;
            }
        }
    }
    return OK;
}

QIRN_Texture_DX8::QIRN_Texture_DX8()
    : m_bRenderTarget(0), m_iFormat(0), m_dwUsage(0), m_dwPool(D3DPOOL_MANAGED), m_dwResourceType(1),
      m_dwLockFlags(0), m_pTexture(nullptr)
{
}

QIRN_Texture_DX8::~QIRN_Texture_DX8()
{
    ReleaseAndClear(m_pTexture);
}

QIRN_ErrorCode QIRN_Texture_DX8::Restore(IDirect3DDevice8*)
{
    return OK;
}

QIRN_ErrorCode QIRN_Texture_DX8::LoadFromMemory(IDirect3DDevice8*, QIRN_Bitmap*, D3DFORMAT)
{
    return OK;
}

QIRN_ErrorCode QIRN_Texture_DX8::ReservedSlot4()
{
    return OK;
}

QIRN_ErrorCode QIRN_Texture_DX8::ReservedSlot5(uint32_t)
{
    return OK;
}

QIRN_2DTexture_DX8::QIRN_2DTexture_DX8() : m_p2DTexture(nullptr)
{
    m_dwResourceType = D3DRTYPE_TEXTURE;
}

QIRN_ErrorCode QIRN_2DTexture_DX8::ReservedSlot7()
{
    return OK;
}

QIRN_ErrorCode QIRN_2DTexture_DX8::Create(IDirect3DDevice8* pDevice, QIRN_Bitmap* poImages)
{
    if (!pDevice)
    {
        dprintf("*** QIRN_2DTexture_DX8::Create() - pDevice is NULL\n");
        return GENERICERROR;
    }
    if (!poImages || poImages->GetNumImages() == 0)
    {
        return D3DCREATETEXTURE_FAILED;
    }
    UINT uLevels = poImages->m_dwNumMipLevels;
    D3DPOOL ePool = static_cast<D3DPOOL>(m_dwPool);
    const D3DFORMAT eFormat = static_cast<D3DFORMAT>(m_iFormat);
    if (eFormat == QIRN_D3DFMT_VENDOR8 || eFormat == QIRN_D3DFMT_VENDOR16)
    {
        ePool = D3DPOOL_DEFAULT;
        uLevels = 0;
    }
    IDirect3DTexture8* pTexture = nullptr;
    HRESULT hr = pDevice->CreateTexture(poImages->m_pdwWidths[0], poImages->m_pdwHeights[0], uLevels,
                                        m_dwUsage, eFormat, ePool, &pTexture);
    if (FAILED(hr))
    {
        dprintf("*** QIRN_2DTexture_DX8::Create() - hr != D3D_OK\n");
        return D3DCREATETEXTURE_FAILED;
    }
    ReleaseAndClear(m_pTexture);
    m_p2DTexture = pTexture;
    m_pTexture = pTexture;
    return OK;
}

QIRN_ErrorCode QIRN_2DTexture_DX8::LoadFromMemory(IDirect3DDevice8* pDevice, QIRN_Bitmap* poImages,
                                                  D3DFORMAT eFormat)
{
    m_iFormat = eFormat;
    QIRN_ErrorCode eResult = Create(pDevice, poImages);
    if (eResult != OK)
    {
        return eResult;
    }
    for (uint32_t i = 0; i < poImages->m_dwNumMipLevels; ++i)
    {
        uint32_t dwWidth = 0, dwHeight = 0;
        const uint8_t* pTexels = nullptr;
        if (!GetImage(poImages, i, dwWidth, dwHeight, pTexels))
        {
            return D3DCREATETEXTURE_FAILED;
        }
        if (eFormat == QIRN_D3DFMT_VENDOR8 || eFormat == QIRN_D3DFMT_VENDOR16)
        {
            // Vendor formats are written into the level itself.
            D3DLOCKED_RECT oLocked = {};
            if (FAILED(m_p2DTexture->LockRect(i, &oLocked, nullptr, m_dwLockFlags)))
            {
                return D3DCREATETEXTURE_FAILED;
            }
            eResult = CopyDataToSurface(dwHeight, dwWidth, static_cast<uint8_t*>(oLocked.pBits),
                                        oLocked.Pitch, eFormat, BytesPerTexel(poImages), pTexels);
            m_p2DTexture->UnlockRect(i);
            if (eResult != OK)
            {
                return D3DCREATETEXTURE_FAILED;
            }
            continue;
        }
        IDirect3DSurface8* pLevel = nullptr;
        if (FAILED(m_p2DTexture->GetSurfaceLevel(i, &pLevel)))
        {
            return D3DCREATETEXTURE_FAILED;
        }
        eResult = FillSurface(pDevice, pLevel, dwWidth, dwHeight, eFormat, m_dwLockFlags,
                              BytesPerTexel(poImages), pTexels, nullptr);
        pLevel->Release();
        if (eResult != OK)
        {
            return eResult;
        }
    }
    return OK;
}

QIRN_RenderTarget_DX8::QIRN_RenderTarget_DX8()
    : m_strName(""), m_bLockable(0), m_bCreateZBuffer(1), m_pZBuffer(nullptr), m_iZBufferFormat(71),
      m_pDevice(nullptr), m_pfnUpdate(nullptr), m_iWidth(256), m_iHeight(256)
{
    m_iFormat = D3DFMT_A8R8G8B8;
    m_bRenderTarget = 1;
}

QIRN_RenderTarget_DX8::~QIRN_RenderTarget_DX8()
{
    ReleaseAndClear(m_pZBuffer);
}

QIRN_ErrorCode QIRN_RenderTarget_DX8::Create(IDirect3DDevice8*, QIRN_Bitmap*)
{
    // A render target is made from its description, not from images.
    return GENERICERROR;
}

QIRN_ErrorCode QIRN_RenderTarget_DX8::Create(IDirect3DDevice8* pDevice, std::string strName, int32_t iWidth,
                                             int32_t iHeight, int32_t iFormat, uint8_t bLockable,
                                             uint8_t bCreateZBuffer, int32_t iZBufferFormat,
                                             QIRN_RTUpdateFunction pfnUpdate)
{
    if (!pDevice)
    {
        dprintf("*** QIRN_RenderTarget_DX8::Create() - NULL device pointer!\n");
        return NULL_POINTER;
    }
    m_pDevice = pDevice;
    m_strName = strName;
    m_iWidth = iWidth;
    m_iHeight = iHeight;
    m_iFormat = iFormat;
    m_bLockable = bLockable;
    m_bCreateZBuffer = bCreateZBuffer;
    m_iZBufferFormat = iZBufferFormat;
    ReleaseAndClear(m_pZBuffer);
    ReleaseAndClear(m_pTexture);
    m_p2DTexture = nullptr;
    IDirect3DTexture8* pTexture = nullptr;
    HRESULT hr = pDevice->CreateTexture(iWidth, iHeight, 1, D3DUSAGE_RENDERTARGET,
                                        static_cast<D3DFORMAT>(iFormat), D3DPOOL_DEFAULT, &pTexture);
    if (FAILED(hr))
    {
        dprintf("*** QIRN_RenderTarget_DX8 :: Create() - Unable to create render target surface.\n");
        LogD3DResult("                                        ", hr);
        return GENERICERROR;
    }
    m_p2DTexture = pTexture;
    m_pTexture = pTexture;
    if (bCreateZBuffer == 1)
    {
        hr = pDevice->CreateDepthStencilSurface(iWidth, iHeight, static_cast<D3DFORMAT>(iZBufferFormat),
                                                D3DMULTISAMPLE_NONE, &m_pZBuffer);
        if (FAILED(hr))
        {
            m_pZBuffer = nullptr;
            dprintf("*** QIRN_RenderTarget_DX8 :: Create() - Unable to create z-buffer surface.\n");
            LogD3DResult("                                        ", hr);
            return GENERICERROR;
        }
    }
    m_pfnUpdate = pfnUpdate;
    return OK;
}

QIRN_ErrorCode QIRN_RenderTarget_DX8::Restore(IDirect3DDevice8* pDevice)
{
    return Create(pDevice, m_strName, m_iWidth, m_iHeight, m_iFormat, m_bLockable, m_bCreateZBuffer,
                  m_iZBufferFormat, m_pfnUpdate);
}

QIRN_ErrorCode QIRN_RenderTarget_DX8::SetRT()
{
    if (!m_pDevice)
    {
        dprintf("*** QIRN_RenderTarget_DX8::SetRT() - NULL device pointer!\n");
        return NULL_POINTER;
    }
    if (!g_pSavedBackBuffer)
    {
        m_pDevice->GetRenderTarget(&g_pSavedBackBuffer);
        // A device without depth buffer answers none.
        if (FAILED(m_pDevice->GetDepthStencilSurface(&g_pSavedDepthStencil)))
        {
            g_pSavedDepthStencil = nullptr;
        }
        m_pDevice->GetViewport(&g_oSavedViewport);
    }
    IDirect3DSurface8* pLevel = nullptr;
    HRESULT hr = m_p2DTexture ? m_p2DTexture->GetSurfaceLevel(0, &pLevel) : E_FAIL;
    if (SUCCEEDED(hr))
    {
        hr = m_pDevice->SetRenderTarget(pLevel, m_pZBuffer);
        pLevel->Release();
    }
    if (FAILED(hr))
    {
        dprintf("*** QIRN_RenderTarget_DX8 :: SetRT() - Unable to set render target.\n");
        LogD3DResult("                                       ", hr);
        return GENERICERROR;
    }
    return OK;
}

QIRN_ErrorCode QIRN_RenderTarget_DX8::SetRTBackBuffer()
{
    if (!g_pSavedBackBuffer)
    {
        return OK;
    }
    IDirect3DDevice8* pDevice = nullptr;
    g_pSavedBackBuffer->GetDevice(&pDevice);
    HRESULT hr = pDevice ? pDevice->SetRenderTarget(g_pSavedBackBuffer, g_pSavedDepthStencil) : E_FAIL;
    if (FAILED(hr))
    {
        if (pDevice)
            pDevice->Release();
        dprintf(
            "*** QIRN_RenderTarget_DX8 :: SetRTBackBuffer() - Unable to set backbuffer as render target.\n");
        LogD3DResult("                                                 ", hr);
        return GENERICERROR;
    }
    ReleaseAndClear(g_pSavedBackBuffer);
    ReleaseAndClear(g_pSavedDepthStencil);
    hr = pDevice->SetViewport(&g_oSavedViewport);
    pDevice->Release();
    if (FAILED(hr))
    {
        dprintf("*** QIRN_RenderTarget_DX8 :: SetRTBackBuffer() - Unable to set backbuffer viewport.\n");
        LogD3DResult("                                                 ", hr);
        return GENERICERROR;
    }
    return OK;
}

void QIRN_RenderTarget_DX8::DropSavedBackBuffer()
{
    ReleaseAndClear(g_pSavedBackBuffer);
    ReleaseAndClear(g_pSavedDepthStencil);
}

QIRN_ErrorCode QIRN_RenderTarget_DX8::Update(QIRN_Graphics_DX8* poGraphics, QIRN_World* poWorld,
                                             QIRN_CameraActor* poCamera)
{
    if (!m_pfnUpdate)
    {
        dprintf("QIRN_RenderTarget_DX8 :: Update() - No user-defined update function provided!\n");
        return GENERICERROR;
    }
    return m_pfnUpdate(this, poGraphics, poWorld, poCamera);
}

QIRN_3DTexture_DX8::QIRN_3DTexture_DX8() : m_dwNumSlices(0), m_pVolumeTexture(nullptr)
{
    m_dwResourceType = D3DRTYPE_VOLUMETEXTURE;
}

QIRN_ErrorCode QIRN_3DTexture_DX8::Create(IDirect3DDevice8* pDevice, QIRN_Bitmap* poImages)
{
    if (!pDevice)
    {
        dprintf("*** QIRN_3DTexture_DX8::Create() - pDevice is NULL\n");
        return GENERICERROR;
    }
    IDirect3DVolumeTexture8* pTexture = nullptr;
    HRESULT hr = pDevice->CreateVolumeTexture(
        poImages->m_pdwWidths[0], poImages->m_pdwHeights[0], m_dwNumSlices, poImages->m_dwNumMipLevels,
        m_dwUsage, static_cast<D3DFORMAT>(m_iFormat), static_cast<D3DPOOL>(m_dwPool), &pTexture);
    if (FAILED(hr))
    {
        dprintf("*** QIRN_3DTexture_DX8::Create() - pDevice->CreateVolumeTexture() FAILED\n");
        return D3DCREATETEXTURE_FAILED;
    }
    ReleaseAndClear(m_pTexture);
    m_pVolumeTexture = pTexture;
    m_pTexture = pTexture;
    return OK;
}

QIRN_ErrorCode QIRN_3DTexture_DX8::FillLevels(IDirect3DVolumeTexture8* pTexture, QIRN_Bitmap* poImages,
                                              D3DFORMAT eFormat)
{
    const uint32_t dwLevels = poImages->m_dwNumMipLevels;
    for (uint32_t m = 0; m < dwLevels; ++m)
    {
        D3DVOLUME_DESC oDesc = {};
        pTexture->GetLevelDesc(m, &oDesc);
        D3DLOCKED_BOX oBox = {};
        if (FAILED(pTexture->LockBox(m, &oBox, nullptr, m_dwLockFlags)))
        {
            dprintf("*** QIRN_3DTextureDX8::LoadFromMemory() - p3DTexture8->LockBox() FAILED\n");
            return GENERICERROR;
        }
        for (uint32_t z = 0; z < oDesc.Depth; ++z)
        {
            uint32_t dwWidth = 0, dwHeight = 0;
            const uint8_t* pTexels = nullptr;
            if (GetImage(poImages, z * dwLevels + m, dwWidth, dwHeight, pTexels))
            {
                CopyDataToSurface(dwHeight, dwWidth, static_cast<uint8_t*>(oBox.pBits) + z * oBox.SlicePitch,
                                  oBox.RowPitch, eFormat, BytesPerTexel(poImages), pTexels);
            }
        }
        if (FAILED(pTexture->UnlockBox(m)))
        {
            dprintf("*** QIRN_3DTextureDX8::LoadFromMemory() - p3DTexture8->UnlockBox() FAILED\n");
            return GENERICERROR;
        }
    }
    return OK;
}

QIRN_ErrorCode QIRN_3DTexture_DX8::LoadFromMemory(IDirect3DDevice8* pDevice, QIRN_Bitmap* poImages,
                                                  D3DFORMAT eFormat)
{
    m_iFormat = eFormat;
    const bool bStaged = !QIRN_CanCopyDataToFormat(eFormat) && eFormat != QIRN_D3DFMT_VENDOR16;
    if (bStaged)
    {
        m_iFormat = D3DFMT_A8R8G8B8;
        m_dwPool = D3DPOOL_SYSTEMMEM;
    }
    if (poImages->m_dwNumLayers < 4)
    {
        dprintf("*** QIRN_3DTexture_DX8::LoadFromMemory() - poBitmap->GetNumberOfSlices() < 4\n");
        return GENERICERROR;
    }
    if (poImages->m_dwNumMipLevels > 1 && !IsPowerOfTwo(poImages->m_dwNumLayers))
    {
        dprintf(
            "*** QIRN_3DTexture_DX8::LoadFromMemory() - Slice count must be a pow of 2 for mipped volumes\n");
        return GENERICERROR;
    }
    m_dwNumSlices = poImages->m_dwNumLayers;
    QIRN_ErrorCode eResult = Create(pDevice, poImages);
    if (eResult != OK)
    {
        return eResult;
    }
    eResult = FillLevels(m_pVolumeTexture, poImages, static_cast<D3DFORMAT>(m_iFormat));
    if (eResult != OK || !bStaged)
    {
        return eResult;
    }
    // The staging texture is converted level by level into the texture of the asked format.
    IDirect3DVolumeTexture8* pStaging = m_pVolumeTexture;
    m_pTexture = nullptr;
    m_pVolumeTexture = nullptr;
    m_iFormat = eFormat;
    m_dwPool = D3DPOOL_MANAGED;
    eResult = Create(pDevice, poImages);
    for (uint32_t m = 0; eResult == OK && m < poImages->m_dwNumMipLevels; ++m)
    {
        IDirect3DVolume8* pSource = nullptr;
        IDirect3DVolume8* pDest = nullptr;
        HRESULT hr = pStaging->GetVolumeLevel(m, &pSource);
        if (SUCCEEDED(hr))
            hr = m_pVolumeTexture->GetVolumeLevel(m, &pDest);
        if (SUCCEEDED(hr))
            hr =
                D3DXLoadVolumeFromVolume(pDest, nullptr, nullptr, pSource, nullptr, nullptr, D3DX_DEFAULT, 0);
        if (pSource)
            pSource->Release();
        if (pDest)
            pDest->Release();
        if (FAILED(hr))
            eResult = D3DCREATETEXTURE_FAILED;
    }
    pStaging->Release();
    return eResult;
}

QIRN_CubeTexture_DX8::QIRN_CubeTexture_DX8() : m_pCubeTexture(nullptr)
{
    m_dwResourceType = D3DRTYPE_CUBETEXTURE;
}

QIRN_ErrorCode QIRN_CubeTexture_DX8::ReservedSlot7()
{
    return OK;
}

QIRN_ErrorCode QIRN_CubeTexture_DX8::Create(IDirect3DDevice8* pDevice, QIRN_Bitmap* poImages)
{
    if (!pDevice)
    {
        dprintf("*** QIRN_CubeTexture_DX8::Create() - pDevice is NULL\n");
        return GENERICERROR;
    }
    IDirect3DCubeTexture8* pTexture = nullptr;
    HRESULT hr = pDevice->CreateCubeTexture(poImages->m_pdwWidths[0], poImages->m_dwNumMipLevels, m_dwUsage,
                                            static_cast<D3DFORMAT>(m_iFormat), static_cast<D3DPOOL>(m_dwPool),
                                            &pTexture);
    if (FAILED(hr))
    {
        dprintf("*** QIRN_CubeTexture::Create() - pDevice->CreateCubeTexture() FAILED\n");
        return D3DCREATETEXTURE_FAILED;
    }
    ReleaseAndClear(m_pTexture);
    m_pCubeTexture = pTexture;
    m_pTexture = pTexture;
    return OK;
}

QIRN_ErrorCode QIRN_CubeTexture_DX8::LoadFromMemory(IDirect3DDevice8* pDevice, QIRN_Bitmap* poImages,
                                                    D3DFORMAT eFormat)
{
    if (poImages->m_dwNumLayers != 6)
    {
        dprintf("*** QIRN_CubeTexture_DX8::LoadFromMemory() - poBitmap->GetNumberOfSlices != 6\n");
        return D3DCREATETEXTURE_FAILED;
    }
    if (poImages->m_dwNumMipLevels < 1)
    {
        dprintf("*** QIRN_CubeTexture_DX8::LoadFromMemory() - poBitmap->GetNumberOfMipMapsPerSlice() < 1\n");
        return D3DCREATETEXTURE_FAILED;
    }
    m_iFormat = eFormat;
    QIRN_ErrorCode eResult = Create(pDevice, poImages);
    if (eResult != OK)
    {
        return eResult;
    }
    const uint32_t dwLevels = poImages->m_dwNumMipLevels;
    for (uint32_t f = 0; f < 6; ++f)
    {
        for (uint32_t i = 0; i < dwLevels; ++i)
        {
            uint32_t dwWidth = 0, dwHeight = 0;
            const uint8_t* pTexels = nullptr;
            if (!GetImage(poImages, i + dwLevels * f, dwWidth, dwHeight, pTexels))
            {
                return D3DCREATETEXTURE_FAILED;
            }
            IDirect3DSurface8* pFace = nullptr;
            if (FAILED(m_pCubeTexture->GetCubeMapSurface(static_cast<D3DCUBEMAP_FACES>(f), i, &pFace)))
            {
                return D3DCREATETEXTURE_FAILED;
            }
            eResult = FillSurface(
                pDevice, pFace, dwWidth, dwHeight, eFormat, m_dwLockFlags, BytesPerTexel(poImages), pTexels,
                "*** QIRN_CubeTexture_DX8::LoadFromMemory() - pSysMemSurface->LockRect() FAILED\n");
            pFace->Release();
            if (eResult != OK)
            {
                return eResult;
            }
        }
    }
    return OK;
}

QIRN_ErrorCode SaveDDSToBMPFile(IDirect3DSurface8* pSurface, const char* szFileName, const RECT* pRect)
{
    D3DSURFACE_DESC oDesc = {};
    if (!pSurface || !szFileName || FAILED(pSurface->GetDesc(&oDesc)) ||
        (oDesc.Format != D3DFMT_A8R8G8B8 && oDesc.Format != D3DFMT_X8R8G8B8))
    {
        dprintf("*** SaveDDSToBMPFile() - Backbuffer must be in 32-bit mode! FAILED\n");
        return GENERICERROR;
    }
    RECT oArea = {0, 0, static_cast<LONG>(oDesc.Width), static_cast<LONG>(oDesc.Height)};
    if (pRect)
    {
        oArea = *pRect;
    }
    const LONG lWidth = oArea.right - oArea.left;
    const LONG lHeight = oArea.bottom - oArea.top;
    if (lWidth <= 0 || lHeight <= 0 || oArea.left < 0 || oArea.top < 0 ||
        oArea.right > static_cast<LONG>(oDesc.Width) || oArea.bottom > static_cast<LONG>(oDesc.Height))
    {
        dprintf("*** SaveDDSToBMPFile() - Could not lock surface!\n");
        return GENERICERROR;
    }
    const uint32_t dwRow = (static_cast<uint32_t>(lWidth) * 3 + 3) & ~3u;
    const uint32_t dwImageSize = dwRow * static_cast<uint32_t>(lHeight);
    std::vector<uint8_t> vFile(58 + dwImageSize, 0);
    uint8_t* p = vFile.data();
    p[0] = 'B';
    p[1] = 'M';
    Put32(p + 2, dwImageSize + 58);
    Put32(p + 10, 58);
    Put32(p + 14, 40);
    Put32(p + 18, static_cast<uint32_t>(lWidth));
    Put32(p + 22, static_cast<uint32_t>(lHeight));
    Put16(p + 26, 1);
    Put16(p + 28, 24);
    Put32(p + 34, dwImageSize);
    Put32(p + 38, 256);
    Put32(p + 42, 256);

    // The pixels are read before the file is made, so that a surface that cannot be read leaves
    // no file behind.
    D3DLOCKED_RECT oLocked = {};
    if (FAILED(pSurface->LockRect(&oLocked, nullptr, D3DLOCK_READONLY)))
    {
        dprintf("*** SaveDDSToBMPFile() - Could not lock surface!\n");
        return GENERICERROR;
    }
    uint8_t* pOut = p + 58;
    for (LONG y = oArea.bottom - 1; y >= oArea.top; --y, pOut += dwRow)
    {
        const uint8_t* pIn = static_cast<const uint8_t*>(oLocked.pBits) + y * oLocked.Pitch + oArea.left * 4;
        for (LONG x = 0; x < lWidth; ++x)
        {
            pOut[x * 3 + 0] = pIn[x * 4 + 0];
            pOut[x * 3 + 1] = pIn[x * 4 + 1];
            pOut[x * 3 + 2] = pIn[x * 4 + 2];
        }
    }
    pSurface->UnlockRect();

    HANDLE hFile =
        CreateFileA(szFileName, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
    {
        dprintf("*** SaveDDSToBMPFile() - Could not create file!\n");
        return FILEERROR;
    }
    DWORD dwWritten = 0;
    const BOOL bWritten =
        WriteFile(hFile, vFile.data(), static_cast<DWORD>(vFile.size()), &dwWritten, nullptr);
    CloseHandle(hFile);
    if (!bWritten || dwWritten != vFile.size())
    {
        DeleteFileA(szFileName);
        dprintf("*** SaveDDSToBMPFile() - Could not create file!\n");
        return FILEERROR;
    }
    dprintf("Saved %s\n", szFileName);
    return OK;
}
