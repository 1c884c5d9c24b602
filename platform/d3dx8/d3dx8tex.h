#pragma once
// Surface and volume loading with format conversion and filtering, of the D3DX8 subset.

#include <d3d8.h>

// Filters: one of the first five in the low bits, combined with the flags above them.
// TRIANGLE and BOX average the source texels a destination texel covers when reducing and
// interpolate linearly when enlarging; the MIRROR and DITHER flags are accepted and ignored.
#define D3DX_FILTER_NONE (1 << 0)
#define D3DX_FILTER_POINT (2 << 0)
#define D3DX_FILTER_LINEAR (3 << 0)
#define D3DX_FILTER_TRIANGLE (4 << 0)
#define D3DX_FILTER_BOX (5 << 0)

#define D3DX_FILTER_MIRROR_U (1 << 16)
#define D3DX_FILTER_MIRROR_V (2 << 16)
#define D3DX_FILTER_MIRROR_W (4 << 16)
#define D3DX_FILTER_MIRROR (7 << 16)
#define D3DX_FILTER_DITHER (8 << 16)

// C linkage, as the SDK declares these functions.
#ifdef __cplusplus
extern "C"
{
#endif

    // Formats read and written: R8G8B8, A8R8G8B8, X8R8G8B8, R5G6B5, X1R5G5B5, A1R5G5B5, A4R4G4B4,
    // R3G3B2, A8, A8R3G3B2, X4R4G4B4, A2B10G10R10, G16R16, A8P8, P8, L8, A8L8, A4L4, V8U8, L6V5U5,
    // X8L8V8U8, Q8W8V8U8, V16U16, W11V11U10, A2W10V10U10, UYVY, YUY2 and DXT1 to DXT5. Any other format
    // answers E_NOTIMPL and nothing is written.
    //
    // How channels meet: bump formats take U, V, W (or L) and Q from red, green, blue and alpha, a signed
    // channel holding the colour value minus half its range (colour 128 of 255 is 0); luminance is
    // 0.299 R + 0.587 G + 0.114 B; channels a format lacks read as 0 for colour (A8: black) and 1 for
    // alpha and the bump formats' missing channels. DXT2 and DXT4 hold colours multiplied by alpha.
    // P8 and A8P8 need the palette of their side (P8 alpha is the entry's peFlags); without one the
    // call answers D3DERR_INVALIDCALL. A colour key other than 0 turns the source texels equal to it
    // (as A8R8G8B8) into transparent black before filtering.
    //
    // A NULL rectangle or box means the whole surface or volume. Results: D3D_OK; D3DERR_INVALIDCALL for
    // NULL surfaces, rectangles outside a surface, an unknown filter or a missing palette; E_NOTIMPL for
    // a format that is not converted; the failing Direct3D result when a lock fails.
    HRESULT WINAPI D3DXLoadSurfaceFromSurface(LPDIRECT3DSURFACE8 pDestSurface,
                                              CONST PALETTEENTRY* pDestPalette, CONST RECT* pDestRect,
                                              LPDIRECT3DSURFACE8 pSrcSurface, CONST PALETTEENTRY* pSrcPalette,
                                              CONST RECT* pSrcRect, DWORD Filter, D3DCOLOR ColorKey);

    // pSrcRect is required here: it gives the size of the source image in pSrcMemory; SrcPitch is the
    // distance in bytes between rows (rows of 4 x 4 blocks for DXT).
    HRESULT WINAPI D3DXLoadSurfaceFromMemory(LPDIRECT3DSURFACE8 pDestSurface,
                                             CONST PALETTEENTRY* pDestPalette, CONST RECT* pDestRect,
                                             LPCVOID pSrcMemory, D3DFORMAT SrcFormat, UINT SrcPitch,
                                             CONST PALETTEENTRY* pSrcPalette, CONST RECT* pSrcRect,
                                             DWORD Filter, D3DCOLOR ColorKey);

    HRESULT WINAPI D3DXLoadVolumeFromVolume(LPDIRECT3DVOLUME8 pDestVolume, CONST PALETTEENTRY* pDestPalette,
                                            CONST D3DBOX* pDestBox, LPDIRECT3DVOLUME8 pSrcVolume,
                                            CONST PALETTEENTRY* pSrcPalette, CONST D3DBOX* pSrcBox,
                                            DWORD Filter, D3DCOLOR ColorKey);

    // pSrcBox is required, as pSrcRect above.
    HRESULT WINAPI D3DXLoadVolumeFromMemory(LPDIRECT3DVOLUME8 pDestVolume, CONST PALETTEENTRY* pDestPalette,
                                            CONST D3DBOX* pDestBox, LPCVOID pSrcMemory, D3DFORMAT SrcFormat,
                                            UINT SrcRowPitch, UINT SrcSlicePitch,
                                            CONST PALETTEENTRY* pSrcPalette, CONST D3DBOX* pSrcBox,
                                            DWORD Filter, D3DCOLOR ColorKey);
#ifdef __cplusplus
}
#endif
