// D3DXLoadSurfaceFrom* and D3DXLoadVolumeFrom*: locking, checking the arguments, converting.

#include "d3dx8.h"
#include "pixel_format.h"
#include "texel_converter.h"

#include <new>

using d3dx8::FormatInfo;
using d3dx8::ImageView;

namespace
{
D3DBOX MakeBox(LONG left, LONG top, LONG right, LONG bottom, LONG front, LONG back)
{
    // Negative coordinates make an empty box, which the checks refuse.
    if (left < 0 || top < 0 || right < 0 || bottom < 0 || front < 0 || back < 0)
        return D3DBOX{1, 1, 0, 0, 1, 0};
    return D3DBOX{static_cast<UINT>(left),   static_cast<UINT>(top),   static_cast<UINT>(right),
                  static_cast<UINT>(bottom), static_cast<UINT>(front), static_cast<UINT>(back)};
}

D3DBOX BoxOf(const RECT* pRect, UINT uWidth, UINT uHeight)
{
    if (!pRect)
        return D3DBOX{0, 0, uWidth, uHeight, 0, 1};
    return MakeBox(pRect->left, pRect->top, pRect->right, pRect->bottom, 0, 1);
}

bool PaletteMissing(const FormatInfo& format, const PALETTEENTRY* pPalette)
{
    return d3dx8::IsPalettized(format) && !pPalette;
}

// A surface locked for the conversion. One that refuses to be locked (a render target, the default
// pool) is read or written through an image surface of the same format and CopyRects.
class SurfaceLock
{
public:
    SurfaceLock() = default;
    SurfaceLock(const SurfaceLock&) = delete;
    SurfaceLock& operator=(const SurfaceLock&) = delete;
    ~SurfaceLock()
    {
        if (m_pLocked)
            m_pLocked->UnlockRect();
        if (m_pCopy)
            m_pCopy->Release();
        if (m_pDevice)
            m_pDevice->Release();
    }

    // bWhole: the whole surface is about to be written, so its old texels need not be read.
    HRESULT Lock(IDirect3DSurface8* pSurface, bool bWrite, bool bWhole)
    {
        m_pSurface = pSurface;
        m_bWrite = bWrite;
        HRESULT hr = pSurface->LockRect(&m_locked, nullptr, bWrite ? 0 : D3DLOCK_READONLY);
        if (SUCCEEDED(hr))
        {
            m_pLocked = pSurface;
            return hr;
        }
        const HRESULT hrLock = hr;
        D3DSURFACE_DESC desc = {};
        if (FAILED(pSurface->GetDesc(&desc)) || FAILED(pSurface->GetDevice(&m_pDevice)) ||
            FAILED(m_pDevice->CreateImageSurface(desc.Width, desc.Height, desc.Format, &m_pCopy)))
            return hrLock;
        // A write keeps the texels outside the rectangle, so the copy must start with them.
        hr = m_pDevice->CopyRects(pSurface, nullptr, 0, m_pCopy, nullptr);
        if (FAILED(hr) && !(bWrite && bWhole))
            return hrLock;
        hr = m_pCopy->LockRect(&m_locked, nullptr, 0);
        if (FAILED(hr))
            return hrLock;
        m_pLocked = m_pCopy;
        return D3D_OK;
    }

    // Unlocks; a write through a copy goes to the surface now.
    HRESULT Finish()
    {
        if (m_pLocked)
            m_pLocked->UnlockRect();
        m_pLocked = nullptr;
        if (m_pCopy && m_bWrite)
            return m_pDevice->CopyRects(m_pCopy, nullptr, 0, m_pSurface, nullptr);
        return D3D_OK;
    }

    BYTE* Bits() const { return static_cast<BYTE*>(m_locked.pBits); }
    UINT Pitch() const { return static_cast<UINT>(m_locked.Pitch); }

private:
    IDirect3DSurface8* m_pSurface = nullptr;
    IDirect3DSurface8* m_pLocked = nullptr;
    IDirect3DSurface8* m_pCopy = nullptr;
    IDirect3DDevice8* m_pDevice = nullptr;
    D3DLOCKED_RECT m_locked = {};
    bool m_bWrite = false;
};

class VolumeLock
{
public:
    VolumeLock() = default;
    VolumeLock(const VolumeLock&) = delete;
    VolumeLock& operator=(const VolumeLock&) = delete;
    ~VolumeLock() { Finish(); }

    HRESULT Lock(IDirect3DVolume8* pVolume, bool bWrite)
    {
        const HRESULT hr = pVolume->LockBox(&m_locked, nullptr, bWrite ? 0 : D3DLOCK_READONLY);
        if (SUCCEEDED(hr))
            m_pLocked = pVolume;
        return hr;
    }

    void Finish()
    {
        if (m_pLocked)
            m_pLocked->UnlockBox();
        m_pLocked = nullptr;
    }

    BYTE* Bits() const { return static_cast<BYTE*>(m_locked.pBits); }
    UINT RowPitch() const { return static_cast<UINT>(m_locked.RowPitch); }
    UINT SlicePitch() const { return static_cast<UINT>(m_locked.SlicePitch); }

private:
    IDirect3DVolume8* m_pLocked = nullptr;
    D3DLOCKED_BOX m_locked = {};
};

ImageView MakeView(const FormatInfo* pFormat, UINT uWidth, UINT uHeight, UINT uDepth,
                   const PALETTEENTRY* pPalette)
{
    ImageView view;
    view.pFormat = pFormat;
    view.uWidth = uWidth;
    view.uHeight = uHeight;
    view.uDepth = uDepth;
    view.pPalette = pPalette;
    return view;
}

// The bytes a memory image needs per row (rows of blocks for block formats).
UINT MinimumPitch(const FormatInfo& format, UINT uWidth)
{
    return (uWidth + format.uBlockWidth - 1) / format.uBlockWidth * format.uBlockBytes;
}

HRESULT CheckSurfaceDest(IDirect3DSurface8* pDest, const PALETTEENTRY* pDestPalette, const RECT* pDestRect,
                         DWORD dwFilter, ImageView* pView, D3DBOX* pBox)
{
    if (!pDest || !d3dx8::IsValidFilter(dwFilter))
        return D3DERR_INVALIDCALL;
    D3DSURFACE_DESC desc = {};
    HRESULT hr = pDest->GetDesc(&desc);
    if (FAILED(hr))
        return hr;
    const FormatInfo* pFormat = d3dx8::FindFormat(desc.Format);
    if (!pFormat)
        return E_NOTIMPL;
    if (PaletteMissing(*pFormat, pDestPalette))
        return D3DERR_INVALIDCALL;
    *pView = MakeView(pFormat, desc.Width, desc.Height, 1, pDestPalette);
    *pBox = BoxOf(pDestRect, desc.Width, desc.Height);
    return d3dx8::IsBoxInside(*pView, *pBox) ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT CheckVolumeDest(IDirect3DVolume8* pDest, const PALETTEENTRY* pDestPalette, const D3DBOX* pDestBox,
                        DWORD dwFilter, ImageView* pView, D3DBOX* pBox)
{
    if (!pDest || !d3dx8::IsValidFilter(dwFilter))
        return D3DERR_INVALIDCALL;
    D3DVOLUME_DESC desc = {};
    HRESULT hr = pDest->GetDesc(&desc);
    if (FAILED(hr))
        return hr;
    const FormatInfo* pFormat = d3dx8::FindFormat(desc.Format);
    if (!pFormat)
        return E_NOTIMPL;
    if (PaletteMissing(*pFormat, pDestPalette))
        return D3DERR_INVALIDCALL;
    *pView = MakeView(pFormat, desc.Width, desc.Height, desc.Depth, pDestPalette);
    *pBox = pDestBox ? *pDestBox : D3DBOX{0, 0, desc.Width, desc.Height, 0, desc.Depth};
    return d3dx8::IsBoxInside(*pView, *pBox) ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT WriteSurface(IDirect3DSurface8* pDest, ImageView dest, const D3DBOX& destBox, const ImageView& src,
                     const D3DBOX& srcBox, DWORD dwFilter, D3DCOLOR colorKey)
{
    SurfaceLock lock;
    const bool bWhole = destBox.Left == 0 && destBox.Top == 0 && destBox.Right == dest.uWidth &&
                        destBox.Bottom == dest.uHeight;
    HRESULT hr = lock.Lock(pDest, true, bWhole);
    if (FAILED(hr))
        return hr;
    dest.pBits = lock.Bits();
    dest.uRowPitch = lock.Pitch();
    d3dx8::ConvertTexels(dest, destBox, src, srcBox, dwFilter, colorKey);
    return lock.Finish();
}
} // namespace

HRESULT WINAPI D3DXLoadSurfaceFromMemory(LPDIRECT3DSURFACE8 pDestSurface, CONST PALETTEENTRY* pDestPalette,
                                         CONST RECT* pDestRect, LPCVOID pSrcMemory, D3DFORMAT SrcFormat,
                                         UINT SrcPitch, CONST PALETTEENTRY* pSrcPalette, CONST RECT* pSrcRect,
                                         DWORD Filter, D3DCOLOR ColorKey)
{
    try
    {
        ImageView dest;
        D3DBOX destBox = {};
        HRESULT hr = CheckSurfaceDest(pDestSurface, pDestPalette, pDestRect, Filter, &dest, &destBox);
        if (FAILED(hr))
            return hr;
        if (!pSrcMemory || !pSrcRect)
            return D3DERR_INVALIDCALL;
        const FormatInfo* pFormat = d3dx8::FindFormat(SrcFormat);
        if (!pFormat)
            return E_NOTIMPL;
        if (PaletteMissing(*pFormat, pSrcPalette))
            return D3DERR_INVALIDCALL;
        const D3DBOX srcBox = BoxOf(pSrcRect, 0, 0);
        ImageView src = MakeView(pFormat, srcBox.Right, srcBox.Bottom, 1, pSrcPalette);
        src.pBits = static_cast<BYTE*>(const_cast<void*>(pSrcMemory));
        src.uRowPitch = SrcPitch;
        if (!d3dx8::IsBoxInside(src, srcBox) || SrcPitch < MinimumPitch(*pFormat, srcBox.Right))
            return D3DERR_INVALIDCALL;
        return WriteSurface(pDestSurface, dest, destBox, src, srcBox, Filter, ColorKey);
    }
    catch (const std::bad_alloc&)
    {
        return E_OUTOFMEMORY;
    }
}

HRESULT WINAPI D3DXLoadSurfaceFromSurface(LPDIRECT3DSURFACE8 pDestSurface, CONST PALETTEENTRY* pDestPalette,
                                          CONST RECT* pDestRect, LPDIRECT3DSURFACE8 pSrcSurface,
                                          CONST PALETTEENTRY* pSrcPalette, CONST RECT* pSrcRect, DWORD Filter,
                                          D3DCOLOR ColorKey)
{
    try
    {
        ImageView dest;
        D3DBOX destBox = {};
        HRESULT hr = CheckSurfaceDest(pDestSurface, pDestPalette, pDestRect, Filter, &dest, &destBox);
        if (FAILED(hr))
            return hr;
        if (!pSrcSurface)
            return D3DERR_INVALIDCALL;
        D3DSURFACE_DESC desc = {};
        hr = pSrcSurface->GetDesc(&desc);
        if (FAILED(hr))
            return hr;
        const FormatInfo* pFormat = d3dx8::FindFormat(desc.Format);
        if (!pFormat)
            return E_NOTIMPL;
        if (PaletteMissing(*pFormat, pSrcPalette))
            return D3DERR_INVALIDCALL;
        ImageView src = MakeView(pFormat, desc.Width, desc.Height, 1, pSrcPalette);
        const D3DBOX srcBox = BoxOf(pSrcRect, desc.Width, desc.Height);
        if (!d3dx8::IsBoxInside(src, srcBox))
            return D3DERR_INVALIDCALL;

        // One surface on both sides is locked once; the conversion reads everything before it writes.
        if (pSrcSurface == pDestSurface)
        {
            SurfaceLock lock;
            hr = lock.Lock(pDestSurface, true, false);
            if (FAILED(hr))
                return hr;
            dest.pBits = src.pBits = lock.Bits();
            dest.uRowPitch = src.uRowPitch = lock.Pitch();
            d3dx8::ConvertTexels(dest, destBox, src, srcBox, Filter, ColorKey);
            return lock.Finish();
        }
        SurfaceLock source;
        hr = source.Lock(pSrcSurface, false, false);
        if (FAILED(hr))
            return hr;
        src.pBits = source.Bits();
        src.uRowPitch = source.Pitch();
        hr = WriteSurface(pDestSurface, dest, destBox, src, srcBox, Filter, ColorKey);
        source.Finish();
        return hr;
    }
    catch (const std::bad_alloc&)
    {
        return E_OUTOFMEMORY;
    }
}

HRESULT WINAPI D3DXLoadVolumeFromMemory(LPDIRECT3DVOLUME8 pDestVolume, CONST PALETTEENTRY* pDestPalette,
                                        CONST D3DBOX* pDestBox, LPCVOID pSrcMemory, D3DFORMAT SrcFormat,
                                        UINT SrcRowPitch, UINT SrcSlicePitch, CONST PALETTEENTRY* pSrcPalette,
                                        CONST D3DBOX* pSrcBox, DWORD Filter, D3DCOLOR ColorKey)
{
    try
    {
        ImageView dest;
        D3DBOX destBox = {};
        HRESULT hr = CheckVolumeDest(pDestVolume, pDestPalette, pDestBox, Filter, &dest, &destBox);
        if (FAILED(hr))
            return hr;
        if (!pSrcMemory || !pSrcBox)
            return D3DERR_INVALIDCALL;
        const FormatInfo* pFormat = d3dx8::FindFormat(SrcFormat);
        if (!pFormat)
            return E_NOTIMPL;
        if (PaletteMissing(*pFormat, pSrcPalette))
            return D3DERR_INVALIDCALL;
        ImageView src = MakeView(pFormat, pSrcBox->Right, pSrcBox->Bottom, pSrcBox->Back, pSrcPalette);
        src.pBits = static_cast<BYTE*>(const_cast<void*>(pSrcMemory));
        src.uRowPitch = SrcRowPitch;
        src.uSlicePitch = SrcSlicePitch;
        const UINT uRows = (pSrcBox->Bottom + pFormat->uBlockHeight - 1) / pFormat->uBlockHeight;
        if (!d3dx8::IsBoxInside(src, *pSrcBox) || SrcRowPitch < MinimumPitch(*pFormat, pSrcBox->Right) ||
            (pSrcBox->Back > 1 && SrcSlicePitch < SrcRowPitch * uRows))
            return D3DERR_INVALIDCALL;
        VolumeLock lock;
        hr = lock.Lock(pDestVolume, true);
        if (FAILED(hr))
            return hr;
        dest.pBits = lock.Bits();
        dest.uRowPitch = lock.RowPitch();
        dest.uSlicePitch = lock.SlicePitch();
        d3dx8::ConvertTexels(dest, destBox, src, *pSrcBox, Filter, ColorKey);
        return D3D_OK;
    }
    catch (const std::bad_alloc&)
    {
        return E_OUTOFMEMORY;
    }
}

HRESULT WINAPI D3DXLoadVolumeFromVolume(LPDIRECT3DVOLUME8 pDestVolume, CONST PALETTEENTRY* pDestPalette,
                                        CONST D3DBOX* pDestBox, LPDIRECT3DVOLUME8 pSrcVolume,
                                        CONST PALETTEENTRY* pSrcPalette, CONST D3DBOX* pSrcBox, DWORD Filter,
                                        D3DCOLOR ColorKey)
{
    try
    {
        ImageView dest;
        D3DBOX destBox = {};
        HRESULT hr = CheckVolumeDest(pDestVolume, pDestPalette, pDestBox, Filter, &dest, &destBox);
        if (FAILED(hr))
            return hr;
        if (!pSrcVolume)
            return D3DERR_INVALIDCALL;
        D3DVOLUME_DESC desc = {};
        hr = pSrcVolume->GetDesc(&desc);
        if (FAILED(hr))
            return hr;
        const FormatInfo* pFormat = d3dx8::FindFormat(desc.Format);
        if (!pFormat)
            return E_NOTIMPL;
        if (PaletteMissing(*pFormat, pSrcPalette))
            return D3DERR_INVALIDCALL;
        ImageView src = MakeView(pFormat, desc.Width, desc.Height, desc.Depth, pSrcPalette);
        const D3DBOX srcBox = pSrcBox ? *pSrcBox : D3DBOX{0, 0, desc.Width, desc.Height, 0, desc.Depth};
        if (!d3dx8::IsBoxInside(src, srcBox))
            return D3DERR_INVALIDCALL;

        if (pSrcVolume == pDestVolume)
        {
            VolumeLock lock;
            hr = lock.Lock(pDestVolume, true);
            if (FAILED(hr))
                return hr;
            dest.pBits = src.pBits = lock.Bits();
            dest.uRowPitch = src.uRowPitch = lock.RowPitch();
            dest.uSlicePitch = src.uSlicePitch = lock.SlicePitch();
            d3dx8::ConvertTexels(dest, destBox, src, srcBox, Filter, ColorKey);
            return D3D_OK;
        }
        VolumeLock source;
        hr = source.Lock(pSrcVolume, false);
        if (FAILED(hr))
            return hr;
        src.pBits = source.Bits();
        src.uRowPitch = source.RowPitch();
        src.uSlicePitch = source.SlicePitch();
        VolumeLock target;
        hr = target.Lock(pDestVolume, true);
        if (FAILED(hr))
            return hr;
        dest.pBits = target.Bits();
        dest.uRowPitch = target.RowPitch();
        dest.uSlicePitch = target.SlicePitch();
        d3dx8::ConvertTexels(dest, destBox, src, srcBox, Filter, ColorKey);
        return D3D_OK;
    }
    catch (const std::bad_alloc&)
    {
        return E_OUTOFMEMORY;
    }
}
