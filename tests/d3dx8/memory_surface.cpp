#include "memory_surface.h"

namespace d3dx8_test
{
namespace
{
const UINT PADDING = 8;
} // namespace

BlockSize BlockOf(D3DFORMAT eFormat)
{
    switch (eFormat)
    {
    case D3DFMT_DXT1:
        return {4, 4, 8};
    case D3DFMT_DXT2:
    case D3DFMT_DXT3:
    case D3DFMT_DXT4:
    case D3DFMT_DXT5:
        return {4, 4, 16};
    case D3DFMT_UYVY:
    case D3DFMT_YUY2:
        return {2, 1, 4};
    case D3DFMT_R3G3B2:
    case D3DFMT_A8:
    case D3DFMT_P8:
    case D3DFMT_L8:
    case D3DFMT_A4L4:
        return {1, 1, 1};
    case D3DFMT_R8G8B8:
        return {1, 1, 3};
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
    case D3DFMT_A2B10G10R10:
    case D3DFMT_G16R16:
    case D3DFMT_X8L8V8U8:
    case D3DFMT_Q8W8V8U8:
    case D3DFMT_V16U16:
    case D3DFMT_W11V11U10:
    case D3DFMT_A2W10V10U10:
        return {1, 1, 4};
    default:
        return {1, 1, 2};
    }
}

MemorySurface::MemorySurface(D3DFORMAT eFormat, UINT uWidth, UINT uHeight)
    : m_eFormat(eFormat), m_uWidth(uWidth), m_uHeight(uHeight)
{
    const BlockSize block = BlockOf(eFormat);
    m_uPitch = (uWidth + block.uWidth - 1) / block.uWidth * block.uBytes + PADDING;
    m_vBytes.assign(static_cast<size_t>(m_uPitch) * ((uHeight + block.uHeight - 1) / block.uHeight), 0xCD);
}

STDMETHODIMP MemorySurface::QueryInterface(REFIID, void** ppvObject)
{
    *ppvObject = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP MemorySurface::GetDevice(IDirect3DDevice8** ppDevice)
{
    *ppDevice = nullptr;
    return D3DERR_INVALIDCALL;
}

STDMETHODIMP MemorySurface::GetDesc(D3DSURFACE_DESC* pDesc)
{
    *pDesc = D3DSURFACE_DESC();
    pDesc->Format = m_eFormat;
    pDesc->Type = D3DRTYPE_SURFACE;
    pDesc->Pool = D3DPOOL_SYSTEMMEM;
    pDesc->Size = static_cast<UINT>(m_vBytes.size());
    pDesc->Width = m_uWidth;
    pDesc->Height = m_uHeight;
    return D3D_OK;
}

STDMETHODIMP MemorySurface::LockRect(D3DLOCKED_RECT* pLocked, const RECT* pRect, DWORD dwFlags)
{
    if (!m_bLockable || m_bLocked || pRect)
        return D3DERR_INVALIDCALL;
    m_bLocked = true;
    m_dwLockFlags = dwFlags;
    pLocked->pBits = m_vBytes.data();
    pLocked->Pitch = static_cast<INT>(m_uPitch);
    return D3D_OK;
}

STDMETHODIMP MemorySurface::UnlockRect()
{
    if (!m_bLocked)
        return D3DERR_INVALIDCALL;
    m_bLocked = false;
    return D3D_OK;
}

MemoryVolume::MemoryVolume(D3DFORMAT eFormat, UINT uWidth, UINT uHeight, UINT uDepth)
    : m_eFormat(eFormat), m_uWidth(uWidth), m_uHeight(uHeight), m_uDepth(uDepth)
{
    const BlockSize block = BlockOf(eFormat);
    m_uRowPitch = (uWidth + block.uWidth - 1) / block.uWidth * block.uBytes + PADDING;
    m_uSlicePitch = m_uRowPitch * ((uHeight + block.uHeight - 1) / block.uHeight) + PADDING;
    m_vBytes.assign(static_cast<size_t>(m_uSlicePitch) * uDepth, 0xCD);
}

STDMETHODIMP MemoryVolume::GetDesc(D3DVOLUME_DESC* pDesc)
{
    *pDesc = D3DVOLUME_DESC();
    pDesc->Format = m_eFormat;
    pDesc->Type = D3DRTYPE_VOLUME;
    pDesc->Pool = D3DPOOL_SYSTEMMEM;
    pDesc->Size = static_cast<UINT>(m_vBytes.size());
    pDesc->Width = m_uWidth;
    pDesc->Height = m_uHeight;
    pDesc->Depth = m_uDepth;
    return D3D_OK;
}

STDMETHODIMP MemoryVolume::LockBox(D3DLOCKED_BOX* pLocked, const D3DBOX* pBox, DWORD)
{
    if (m_bLocked || pBox)
        return D3DERR_INVALIDCALL;
    m_bLocked = true;
    pLocked->pBits = m_vBytes.data();
    pLocked->RowPitch = static_cast<INT>(m_uRowPitch);
    pLocked->SlicePitch = static_cast<INT>(m_uSlicePitch);
    return D3D_OK;
}

STDMETHODIMP MemoryVolume::UnlockBox()
{
    if (!m_bLocked)
        return D3DERR_INVALIDCALL;
    m_bLocked = false;
    return D3D_OK;
}
} // namespace d3dx8_test
