#pragma once
// Moves a box of texels from one locked image to another: decoding, colour key, filtering to the
// destination size, encoding. Images are rows of blocks, slices apart; volumes and surfaces alike.

#include "pixel_format.h"

#include <vector>

namespace d3dx8
{
struct ImageView
{
    const FormatInfo* pFormat = nullptr;
    BYTE* pBits = nullptr; // texel (0, 0, 0)
    UINT uRowPitch = 0;
    UINT uSlicePitch = 0;
    UINT uWidth = 0;
    UINT uHeight = 0;
    UINT uDepth = 1;
    const PALETTEENTRY* pPalette = nullptr;
};

// Whether the box lies inside the image and is not empty.
bool IsBoxInside(const ImageView& image, const D3DBOX& box);

// Whether Filter names one of the five filters (with any flags) or is D3DX_DEFAULT.
bool IsValidFilter(DWORD dwFilter);

// Both boxes checked by the caller; the views may share memory (the same surface).
void ConvertTexels(const ImageView& dest, const D3DBOX& destBox, const ImageView& src, const D3DBOX& srcBox,
                   DWORD dwFilter, D3DCOLOR colorKey);
} // namespace d3dx8
