#include "memory_surface.h"

namespace d3dx8_test
{
namespace
{
const UINT PADDING = 8;

// A row of blocks with the padding after it.
UINT PaddedRowPitch(D3DFORMAT eFormat, UINT uWidth)
{
    const BlockSize block = BlockOf(eFormat);
    return (uWidth + block.uWidth - 1) / block.uWidth * block.uBytes + PADDING;
}

UINT BlockRows(D3DFORMAT eFormat, UINT uHeight)
{
    const BlockSize block = BlockOf(eFormat);
    return (uHeight + block.uHeight - 1) / block.uHeight;
}
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
    : MemoryResource(eFormat, uWidth, uHeight), m_uPitch(PaddedRowPitch(eFormat, uWidth))
{
    m_vBytes.assign(static_cast<size_t>(m_uPitch) * BlockRows(eFormat, uHeight), 0xCD);
}

STDMETHODIMP MemorySurface::GetDesc(D3DSURFACE_DESC* pDesc)
{
    Describe(pDesc, D3DRTYPE_SURFACE);
    return D3D_OK;
}

STDMETHODIMP MemorySurface::LockRect(D3DLOCKED_RECT* pLocked, const RECT* pRect, DWORD dwFlags)
{
    const HRESULT hr = BeginLock(pRect != nullptr, dwFlags);
    if (FAILED(hr))
        return hr;
    pLocked->pBits = m_vBytes.data();
    pLocked->Pitch = static_cast<INT>(m_uPitch);
    return D3D_OK;
}

MemoryVolume::MemoryVolume(D3DFORMAT eFormat, UINT uWidth, UINT uHeight, UINT uDepth)
    : MemoryResource(eFormat, uWidth, uHeight), m_uDepth(uDepth), m_uRowPitch(PaddedRowPitch(eFormat, uWidth))
{
    m_uSlicePitch = m_uRowPitch * BlockRows(eFormat, uHeight) + PADDING;
    m_vBytes.assign(static_cast<size_t>(m_uSlicePitch) * uDepth, 0xCD);
}

STDMETHODIMP MemoryVolume::GetDesc(D3DVOLUME_DESC* pDesc)
{
    Describe(pDesc, D3DRTYPE_VOLUME);
    pDesc->Depth = m_uDepth;
    return D3D_OK;
}

STDMETHODIMP MemoryVolume::LockBox(D3DLOCKED_BOX* pLocked, const D3DBOX* pBox, DWORD dwFlags)
{
    const HRESULT hr = BeginLock(pBox != nullptr, dwFlags);
    if (FAILED(hr))
        return hr;
    pLocked->pBits = m_vBytes.data();
    pLocked->RowPitch = static_cast<INT>(m_uRowPitch);
    pLocked->SlicePitch = static_cast<INT>(m_uSlicePitch);
    return D3D_OK;
}
} // namespace d3dx8_test
