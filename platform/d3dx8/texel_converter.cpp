#include "texel_converter.h"

#include "d3dx8.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace d3dx8
{
namespace
{
UINT AlignDown(UINT v, UINT uAlign)
{
    return v - v % uAlign;
}

UINT AlignUp(UINT v, UINT uAlign)
{
    return (v + uAlign - 1) / uAlign * uAlign;
}

UINT BoxWidth(const D3DBOX& box)
{
    return box.Right - box.Left;
}

UINT BoxHeight(const D3DBOX& box)
{
    return box.Bottom - box.Top;
}

UINT BoxDepth(const D3DBOX& box)
{
    return box.Back - box.Front;
}

// The block-aligned rectangle that holds the box's texels.
struct Aligned
{
    UINT x0, y0, x1, y1;
    UINT Width() const { return x1 - x0; }
    UINT Height() const { return y1 - y0; }
};

Aligned AlignBox(const FormatInfo& format, const D3DBOX& box)
{
    return {AlignDown(box.Left, format.uBlockWidth), AlignDown(box.Top, format.uBlockHeight),
            AlignUp(box.Right, format.uBlockWidth), AlignUp(box.Bottom, format.uBlockHeight)};
}

void ReadBox(const ImageView& image, const D3DBOX& box, std::vector<Texel>* pOut)
{
    const Aligned a = AlignBox(*image.pFormat, box);
    std::vector<Texel> vBlockRows(static_cast<size_t>(a.Width()) * a.Height());
    const UINT w = BoxWidth(box);
    const UINT h = BoxHeight(box);
    pOut->resize(static_cast<size_t>(w) * h * BoxDepth(box));
    Texel* pAt = pOut->data();
    for (UINT z = box.Front; z < box.Back; ++z)
    {
        DecodeRect(*image.pFormat, image.pBits + static_cast<size_t>(z) * image.uSlicePitch, image.uRowPitch,
                   a.x0, a.y0, a.Width(), a.Height(), image.pPalette, vBlockRows.data());
        for (UINT y = 0; y < h; ++y, pAt += w)
            std::memcpy(pAt,
                        &vBlockRows[static_cast<size_t>(y + box.Top - a.y0) * a.Width() + (box.Left - a.x0)],
                        w * sizeof(Texel));
    }
}

// Block formats are rewritten whole: texels of the image outside the box keep their values, and
// the padding of blocks beyond the image edge repeats the edge so it does not pull the encoding.
void WriteBox(const ImageView& image, const D3DBOX& box, const std::vector<Texel>& vTexels)
{
    const Aligned a = AlignBox(*image.pFormat, box);
    const bool bExact = a.x0 == box.Left && a.y0 == box.Top && a.x1 == box.Right && a.y1 == box.Bottom;
    std::vector<Texel> vBlockRows(static_cast<size_t>(a.Width()) * a.Height());
    const UINT w = BoxWidth(box);
    const UINT h = BoxHeight(box);
    const Texel* pAt = vTexels.data();
    for (UINT z = box.Front; z < box.Back; ++z, pAt += static_cast<size_t>(w) * h)
    {
        BYTE* pSlice = image.pBits + static_cast<size_t>(z) * image.uSlicePitch;
        if (!bExact)
            DecodeRect(*image.pFormat, pSlice, image.uRowPitch, a.x0, a.y0, a.Width(), a.Height(),
                       image.pPalette, vBlockRows.data());
        for (UINT y = 0; y < h; ++y)
            std::memcpy(&vBlockRows[static_cast<size_t>(y + box.Top - a.y0) * a.Width() + (box.Left - a.x0)],
                        pAt + static_cast<size_t>(y) * w, w * sizeof(Texel));
        if (!bExact)
            for (UINT y = a.y0; y < a.y1; ++y)
                for (UINT x = a.x0; x < a.x1; ++x)
                {
                    if (x < image.uWidth && y < image.uHeight)
                        continue;
                    const UINT cx = std::min(x, image.uWidth - 1);
                    const UINT cy = std::min(y, image.uHeight - 1);
                    vBlockRows[static_cast<size_t>(y - a.y0) * a.Width() + (x - a.x0)] =
                        vBlockRows[static_cast<size_t>(cy - a.y0) * a.Width() + (cx - a.x0)];
                }
        EncodeRect(*image.pFormat, pSlice, image.uRowPitch, a.x0, a.y0, a.Width(), a.Height(), image.pPalette,
                   vBlockRows.data());
    }
}

struct Tap
{
    UINT uIndex;
    float fWeight;
};

// For each destination texel along one axis, the source texels it takes and their weights.
std::vector<std::vector<Tap>> AxisTaps(UINT uSource, UINT uDest, DWORD dwFilter)
{
    std::vector<std::vector<Tap>> vTaps(uDest);
    const double dScale = static_cast<double>(uSource) / uDest;
    for (UINT i = 0; i < uDest; ++i)
    {
        std::vector<Tap>& taps = vTaps[i];
        if (uSource == uDest || dwFilter == D3DX_FILTER_NONE)
        {
            // No scaling: texels beyond the source stay transparent black.
            if (i < uSource)
                taps.push_back({i, 1.0f});
            continue;
        }
        if (dwFilter == D3DX_FILTER_POINT)
        {
            const UINT k = std::min(static_cast<UINT>((i + 0.5) * dScale), uSource - 1);
            taps.push_back({k, 1.0f});
            continue;
        }
        if (dwFilter == D3DX_FILTER_LINEAR || uDest > uSource)
        {
            const double x = (i + 0.5) * dScale - 0.5;
            const double dFloor = std::floor(x);
            const float f = static_cast<float>(x - dFloor);
            const long k = static_cast<long>(dFloor);
            const auto clampIndex = [uSource](long v)
            { return static_cast<UINT>(std::max(0L, std::min(v, static_cast<long>(uSource) - 1))); };
            taps.push_back({clampIndex(k), 1.0f - f});
            taps.push_back({clampIndex(k + 1), f});
            continue;
        }
        // Box: the share of each source texel in the destination texel's footprint.
        const double dStart = i * dScale;
        const double dEnd = (i + 1) * dScale;
        for (UINT k = static_cast<UINT>(dStart); k < uSource && k < dEnd; ++k)
        {
            const double dOverlap = std::min<double>(k + 1, dEnd) - std::max<double>(k, dStart);
            if (dOverlap > 0.0)
                taps.push_back({k, static_cast<float>(dOverlap / dScale)});
        }
    }
    return vTaps;
}

// Filters along one axis (0 x, 1 y, 2 z) of a w x h x d block of texels.
std::vector<Texel> ResampleAxis(const std::vector<Texel>& vIn, UINT auSize[3], int iAxis,
                                const std::vector<std::vector<Tap>>& vTaps)
{
    UINT auOut[3] = {auSize[0], auSize[1], auSize[2]};
    auOut[iAxis] = static_cast<UINT>(vTaps.size());
    std::vector<Texel> vOut(static_cast<size_t>(auOut[0]) * auOut[1] * auOut[2]);
    const size_t aStrideIn[3] = {1, auSize[0], static_cast<size_t>(auSize[0]) * auSize[1]};
    for (UINT z = 0; z < auOut[2]; ++z)
        for (UINT y = 0; y < auOut[1]; ++y)
            for (UINT x = 0; x < auOut[0]; ++x)
            {
                const UINT auAt[3] = {x, y, z};
                size_t uBase = 0;
                for (int k = 0; k < 3; ++k)
                    if (k != iAxis)
                        uBase += auAt[k] * aStrideIn[k];
                Texel sum = {0, 0, 0, 0};
                for (const Tap& tap : vTaps[auAt[iAxis]])
                {
                    const Texel& t = vIn[uBase + tap.uIndex * aStrideIn[iAxis]];
                    sum.r += t.r * tap.fWeight;
                    sum.g += t.g * tap.fWeight;
                    sum.b += t.b * tap.fWeight;
                    sum.a += t.a * tap.fWeight;
                }
                vOut[(static_cast<size_t>(z) * auOut[1] + y) * auOut[0] + x] = sum;
            }
    auSize[iAxis] = auOut[iAxis];
    return vOut;
}

bool SamePalette(const ImageView& a, const ImageView& b)
{
    if (!IsPalettized(*a.pFormat))
        return true;
    return a.pPalette == b.pPalette || std::memcmp(a.pPalette, b.pPalette, 256 * sizeof(PALETTEENTRY)) == 0;
}

bool IsBlockAligned(const ImageView& image, const D3DBOX& box)
{
    const UINT bw = image.pFormat->uBlockWidth;
    const UINT bh = image.pFormat->uBlockHeight;
    return box.Left % bw == 0 && box.Top % bh == 0 && (box.Right % bw == 0 || box.Right == image.uWidth) &&
           (box.Bottom % bh == 0 || box.Bottom == image.uHeight);
}

// Same format, same size, nothing to change: the stored blocks are copied as they are, so DXT data
// is not encoded a second time.
bool CopyRaw(const ImageView& dest, const D3DBOX& destBox, const ImageView& src, const D3DBOX& srcBox)
{
    if (dest.pFormat != src.pFormat || BoxWidth(destBox) != BoxWidth(srcBox) ||
        BoxHeight(destBox) != BoxHeight(srcBox) || BoxDepth(destBox) != BoxDepth(srcBox) ||
        !SamePalette(dest, src) || !IsBlockAligned(dest, destBox) || !IsBlockAligned(src, srcBox))
        return false;
    const FormatInfo& f = *src.pFormat;
    const UINT uRows = (BoxHeight(srcBox) + f.uBlockHeight - 1) / f.uBlockHeight;
    const size_t uBytes =
        static_cast<size_t>((BoxWidth(srcBox) + f.uBlockWidth - 1) / f.uBlockWidth) * f.uBlockBytes;
    // Through a copy, as both views may be the same surface.
    std::vector<BYTE> vRows(uBytes * uRows * BoxDepth(srcBox));
    BYTE* pAt = vRows.data();
    for (UINT z = 0; z < BoxDepth(srcBox); ++z)
        for (UINT r = 0; r < uRows; ++r, pAt += uBytes)
            std::memcpy(pAt,
                        src.pBits + static_cast<size_t>(srcBox.Front + z) * src.uSlicePitch +
                            static_cast<size_t>(srcBox.Top / f.uBlockHeight + r) * src.uRowPitch +
                            static_cast<size_t>(srcBox.Left / f.uBlockWidth) * f.uBlockBytes,
                        uBytes);
    pAt = vRows.data();
    for (UINT z = 0; z < BoxDepth(destBox); ++z)
        for (UINT r = 0; r < uRows; ++r, pAt += uBytes)
            std::memcpy(dest.pBits + static_cast<size_t>(destBox.Front + z) * dest.uSlicePitch +
                            static_cast<size_t>(destBox.Top / f.uBlockHeight + r) * dest.uRowPitch +
                            static_cast<size_t>(destBox.Left / f.uBlockWidth) * f.uBlockBytes,
                        pAt, uBytes);
    return true;
}
} // namespace

bool IsBoxInside(const ImageView& image, const D3DBOX& box)
{
    return box.Left < box.Right && box.Top < box.Bottom && box.Front < box.Back &&
           box.Right <= image.uWidth && box.Bottom <= image.uHeight && box.Back <= image.uDepth;
}

bool IsValidFilter(DWORD dwFilter)
{
    if (dwFilter == D3DX_DEFAULT)
        return true;
    const DWORD dwType = dwFilter & 0xFFFF;
    const DWORD dwFlags = dwFilter >> 16;
    return dwType >= D3DX_FILTER_NONE && dwType <= D3DX_FILTER_BOX && (dwFlags & ~0xFu) == 0;
}

void ConvertTexels(const ImageView& dest, const D3DBOX& destBox, const ImageView& src, const D3DBOX& srcBox,
                   DWORD dwFilter, D3DCOLOR colorKey)
{
    if (colorKey == 0 && CopyRaw(dest, destBox, src, srcBox))
        return;
    const DWORD dwType = dwFilter == D3DX_DEFAULT ? D3DX_FILTER_TRIANGLE : (dwFilter & 0xFFFF);
    std::vector<Texel> vTexels;
    ReadBox(src, srcBox, &vTexels);
    if (colorKey != 0)
        for (Texel& t : vTexels)
            if (ToColor(t) == colorKey)
                t = {0.0f, 0.0f, 0.0f, 0.0f};
    UINT auSize[3] = {BoxWidth(srcBox), BoxHeight(srcBox), BoxDepth(srcBox)};
    const UINT auDest[3] = {BoxWidth(destBox), BoxHeight(destBox), BoxDepth(destBox)};
    for (int iAxis = 0; iAxis < 3; ++iAxis)
        if (auSize[iAxis] != auDest[iAxis])
            vTexels = ResampleAxis(vTexels, auSize, iAxis, AxisTaps(auSize[iAxis], auDest[iAxis], dwType));
    WriteBox(dest, destBox, vTexels);
}
} // namespace d3dx8
