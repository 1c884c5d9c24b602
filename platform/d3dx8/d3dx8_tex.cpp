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

    // Points the view at the locked texels.
    void Place(ImageView* pView) const
    {
        pView->pBits = static_cast<BYTE*>(m_locked.pBits);
        pView->uRowPitch = static_cast<UINT>(m_locked.Pitch);
    }

private:
    IDirect3DSurface8* m_pSurface = nullptr;
    IDirect3DSurface8* m_pLocked = nullptr;
    IDirect3DSurface8* m_pCopy = nullptr;
    IDirect3DDevice8* m_pDevice = nullptr;
    D3DLOCKED_RECT m_locked = {};
    bool m_bWrite = false;
};

// A volume is always locked directly: there is no image volume to copy through.
class VolumeLock
{
public:
    VolumeLock() = default;
    VolumeLock(const VolumeLock&) = delete;
    VolumeLock& operator=(const VolumeLock&) = delete;
    ~VolumeLock() { Finish(); }

    HRESULT Lock(IDirect3DVolume8* pVolume, bool bWrite, bool /*bWhole*/)
    {
        const HRESULT hr = pVolume->LockBox(&m_locked, nullptr, bWrite ? 0 : D3DLOCK_READONLY);
        if (SUCCEEDED(hr))
            m_pLocked = pVolume;
        return hr;
    }

    HRESULT Finish()
    {
        if (m_pLocked)
            m_pLocked->UnlockBox();
        m_pLocked = nullptr;
        return D3D_OK;
    }

    void Place(ImageView* pView) const
    {
        pView->pBits = static_cast<BYTE*>(m_locked.pBits);
        pView->uRowPitch = static_cast<UINT>(m_locked.RowPitch);
        pView->uSlicePitch = static_cast<UINT>(m_locked.SlicePitch);
    }

private:
    IDirect3DVolume8* m_pLocked = nullptr;
    D3DLOCKED_BOX m_locked = {};
};

// The format and size of a surface or volume.
struct Extent
{
    D3DFORMAT eFormat;
    UINT uWidth;
    UINT uHeight;
    UINT uDepth;
};

// What tells the surface loaders from the volume loaders: the resource, how its size is asked, how a
// part of it is named (a rectangle one slice deep, or a box) and how it is locked. A NULL part is
// the whole resource.
struct SurfaceKind
{
    typedef IDirect3DSurface8 Resource;
    typedef RECT Part;
    typedef SurfaceLock Lock;

    static HRESULT GetExtent(IDirect3DSurface8* pSurface, Extent* pExtent)
    {
        D3DSURFACE_DESC desc = {};
        const HRESULT hr = pSurface->GetDesc(&desc);
        *pExtent = Extent{desc.Format, desc.Width, desc.Height, 1};
        return hr;
    }
    static D3DBOX BoxOf(const RECT* pRect, const Extent& extent)
    {
        if (!pRect)
            return D3DBOX{0, 0, extent.uWidth, extent.uHeight, 0, 1};
        return MakeBox(pRect->left, pRect->top, pRect->right, pRect->bottom, 0, 1);
    }
};

struct VolumeKind
{
    typedef IDirect3DVolume8 Resource;
    typedef D3DBOX Part;
    typedef VolumeLock Lock;

    static HRESULT GetExtent(IDirect3DVolume8* pVolume, Extent* pExtent)
    {
        D3DVOLUME_DESC desc = {};
        const HRESULT hr = pVolume->GetDesc(&desc);
        *pExtent = Extent{desc.Format, desc.Width, desc.Height, desc.Depth};
        return hr;
    }
    static D3DBOX BoxOf(const D3DBOX* pBox, const Extent& extent)
    {
        return pBox ? *pBox : D3DBOX{0, 0, extent.uWidth, extent.uHeight, 0, extent.uDepth};
    }
};

// A view of an image of the extent, without its texels yet; the format must be one that is converted
// and a palettized one must come with its palette.
HRESULT MakeView(const Extent& extent, const PALETTEENTRY* pPalette, ImageView* pView)
{
    const FormatInfo* pFormat = d3dx8::FindFormat(extent.eFormat);
    if (!pFormat)
        return E_NOTIMPL;
    if (PaletteMissing(*pFormat, pPalette))
        return D3DERR_INVALIDCALL;
    pView->pFormat = pFormat;
    pView->uWidth = extent.uWidth;
    pView->uHeight = extent.uHeight;
    pView->uDepth = extent.uDepth;
    pView->pPalette = pPalette;
    return D3D_OK;
}

// The bytes a memory image needs per row (rows of blocks for block formats).
UINT MinimumPitch(const FormatInfo& format, UINT uWidth)
{
    return (uWidth + format.uBlockWidth - 1) / format.uBlockWidth * format.uBlockBytes;
}

bool IsWhole(const ImageView& view, const D3DBOX& box)
{
    return box.Left == 0 && box.Top == 0 && box.Front == 0 && box.Right == view.uWidth &&
           box.Bottom == view.uHeight && box.Back == view.uDepth;
}

// The view and box of one side that is a surface or volume.
template <class Kind>
HRESULT CheckResource(typename Kind::Resource* pResource, const PALETTEENTRY* pPalette,
                      const typename Kind::Part* pPart, ImageView* pView, D3DBOX* pBox)
{
    Extent extent = {};
    HRESULT hr = Kind::GetExtent(pResource, &extent);
    if (FAILED(hr))
        return hr;
    hr = MakeView(extent, pPalette, pView);
    if (FAILED(hr))
        return hr;
    *pBox = Kind::BoxOf(pPart, extent);
    return d3dx8::IsBoxInside(*pView, *pBox) ? D3D_OK : D3DERR_INVALIDCALL;
}

template <class Kind>
HRESULT CheckDest(typename Kind::Resource* pDest, const PALETTEENTRY* pDestPalette,
                  const typename Kind::Part* pDestPart, DWORD dwFilter, ImageView* pView, D3DBOX* pBox)
{
    if (!pDest || !d3dx8::IsValidFilter(dwFilter))
        return D3DERR_INVALIDCALL;
    return CheckResource<Kind>(pDest, pDestPalette, pDestPart, pView, pBox);
}

template <class Kind>
HRESULT Write(typename Kind::Resource* pDest, ImageView dest, const D3DBOX& destBox, const ImageView& src,
              const D3DBOX& srcBox, DWORD dwFilter, D3DCOLOR colorKey)
{
    typename Kind::Lock lock;
    HRESULT hr = lock.Lock(pDest, true, IsWhole(dest, destBox));
    if (FAILED(hr))
        return hr;
    lock.Place(&dest);
    d3dx8::ConvertTexels(dest, destBox, src, srcBox, dwFilter, colorKey);
    return lock.Finish();
}

// The memory image's part is required: its far corner gives the image's size.
template <class Kind>
HRESULT LoadFromMemory(typename Kind::Resource* pDest, const PALETTEENTRY* pDestPalette,
                       const typename Kind::Part* pDestPart, const void* pSrcMemory, D3DFORMAT eSrcFormat,
                       UINT uSrcRowPitch, UINT uSrcSlicePitch, const PALETTEENTRY* pSrcPalette,
                       const typename Kind::Part* pSrcPart, DWORD dwFilter, D3DCOLOR colorKey)
{
    try
    {
        ImageView dest;
        D3DBOX destBox = {};
        HRESULT hr = CheckDest<Kind>(pDest, pDestPalette, pDestPart, dwFilter, &dest, &destBox);
        if (FAILED(hr))
            return hr;
        if (!pSrcMemory || !pSrcPart)
            return D3DERR_INVALIDCALL;
        const D3DBOX srcBox = Kind::BoxOf(pSrcPart, Extent{});
        ImageView src;
        hr = MakeView(Extent{eSrcFormat, srcBox.Right, srcBox.Bottom, srcBox.Back}, pSrcPalette, &src);
        if (FAILED(hr))
            return hr;
        src.pBits = static_cast<BYTE*>(const_cast<void*>(pSrcMemory));
        src.uRowPitch = uSrcRowPitch;
        src.uSlicePitch = uSrcSlicePitch;
        const FormatInfo& format = *src.pFormat;
        const UINT uRows = (srcBox.Bottom + format.uBlockHeight - 1) / format.uBlockHeight;
        if (!d3dx8::IsBoxInside(src, srcBox) || uSrcRowPitch < MinimumPitch(format, srcBox.Right) ||
            (srcBox.Back > 1 && uSrcSlicePitch < uSrcRowPitch * uRows))
            return D3DERR_INVALIDCALL;
        return Write<Kind>(pDest, dest, destBox, src, srcBox, dwFilter, colorKey);
    }
    catch (const std::bad_alloc&)
    {
        return E_OUTOFMEMORY;
    }
}

template <class Kind>
HRESULT LoadFromResource(typename Kind::Resource* pDest, const PALETTEENTRY* pDestPalette,
                         const typename Kind::Part* pDestPart, typename Kind::Resource* pSrc,
                         const PALETTEENTRY* pSrcPalette, const typename Kind::Part* pSrcPart, DWORD dwFilter,
                         D3DCOLOR colorKey)
{
    try
    {
        ImageView dest;
        D3DBOX destBox = {};
        HRESULT hr = CheckDest<Kind>(pDest, pDestPalette, pDestPart, dwFilter, &dest, &destBox);
        if (FAILED(hr))
            return hr;
        if (!pSrc)
            return D3DERR_INVALIDCALL;
        ImageView src;
        D3DBOX srcBox = {};
        hr = CheckResource<Kind>(pSrc, pSrcPalette, pSrcPart, &src, &srcBox);
        if (FAILED(hr))
            return hr;

        // One resource on both sides is locked once; the conversion reads everything before it writes.
        if (pSrc == pDest)
        {
            typename Kind::Lock lock;
            hr = lock.Lock(pDest, true, false);
            if (FAILED(hr))
                return hr;
            lock.Place(&dest);
            lock.Place(&src);
            d3dx8::ConvertTexels(dest, destBox, src, srcBox, dwFilter, colorKey);
            return lock.Finish();
        }
        typename Kind::Lock source;
        hr = source.Lock(pSrc, false, false);
        if (FAILED(hr))
            return hr;
        source.Place(&src);
        hr = Write<Kind>(pDest, dest, destBox, src, srcBox, dwFilter, colorKey);
        source.Finish();
        return hr;
    }
    catch (const std::bad_alloc&)
    {
        return E_OUTOFMEMORY;
    }
}
} // namespace

HRESULT WINAPI D3DXLoadSurfaceFromMemory(LPDIRECT3DSURFACE8 pDestSurface, CONST PALETTEENTRY* pDestPalette,
                                         CONST RECT* pDestRect, LPCVOID pSrcMemory, D3DFORMAT SrcFormat,
                                         UINT SrcPitch, CONST PALETTEENTRY* pSrcPalette, CONST RECT* pSrcRect,
                                         DWORD Filter, D3DCOLOR ColorKey)
{
    return LoadFromMemory<SurfaceKind>(pDestSurface, pDestPalette, pDestRect, pSrcMemory, SrcFormat, SrcPitch,
                                       0, pSrcPalette, pSrcRect, Filter, ColorKey);
}

HRESULT WINAPI D3DXLoadSurfaceFromSurface(LPDIRECT3DSURFACE8 pDestSurface, CONST PALETTEENTRY* pDestPalette,
                                          CONST RECT* pDestRect, LPDIRECT3DSURFACE8 pSrcSurface,
                                          CONST PALETTEENTRY* pSrcPalette, CONST RECT* pSrcRect, DWORD Filter,
                                          D3DCOLOR ColorKey)
{
    return LoadFromResource<SurfaceKind>(pDestSurface, pDestPalette, pDestRect, pSrcSurface, pSrcPalette,
                                         pSrcRect, Filter, ColorKey);
}

HRESULT WINAPI D3DXLoadVolumeFromMemory(LPDIRECT3DVOLUME8 pDestVolume, CONST PALETTEENTRY* pDestPalette,
                                        CONST D3DBOX* pDestBox, LPCVOID pSrcMemory, D3DFORMAT SrcFormat,
                                        UINT SrcRowPitch, UINT SrcSlicePitch, CONST PALETTEENTRY* pSrcPalette,
                                        CONST D3DBOX* pSrcBox, DWORD Filter, D3DCOLOR ColorKey)
{
    return LoadFromMemory<VolumeKind>(pDestVolume, pDestPalette, pDestBox, pSrcMemory, SrcFormat, SrcRowPitch,
                                      SrcSlicePitch, pSrcPalette, pSrcBox, Filter, ColorKey);
}

HRESULT WINAPI D3DXLoadVolumeFromVolume(LPDIRECT3DVOLUME8 pDestVolume, CONST PALETTEENTRY* pDestPalette,
                                        CONST D3DBOX* pDestBox, LPDIRECT3DVOLUME8 pSrcVolume,
                                        CONST PALETTEENTRY* pSrcPalette, CONST D3DBOX* pSrcBox, DWORD Filter,
                                        D3DCOLOR ColorKey)
{
    return LoadFromResource<VolumeKind>(pDestVolume, pDestPalette, pDestBox, pSrcVolume, pSrcPalette, pSrcBox,
                                        Filter, ColorKey);
}
