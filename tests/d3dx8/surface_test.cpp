// Surface and volume conversion on memory-backed surfaces: every format, filters, rectangles,
// colour key and the refusals.

#include "d3dx8.h"
#include "memory_surface.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

using d3dx8_test::MemorySurface;
using d3dx8_test::MemoryVolume;

namespace
{
typedef std::function<D3DCOLOR(UINT x, UINT y)> TexelFunction;

void Fill(MemorySurface& surface, UINT w, UINT h, const TexelFunction& texel)
{
    for (UINT y = 0; y < h; ++y)
        for (UINT x = 0; x < w; ++x)
            reinterpret_cast<DWORD*>(surface.Row(y))[x] = texel(x, y);
}

D3DCOLOR At(MemorySurface& surface, UINT x, UINT y)
{
    return reinterpret_cast<const DWORD*>(surface.Row(y))[x];
}

int Channel(D3DCOLOR c, int iShift)
{
    return static_cast<int>((c >> iShift) & 0xFF);
}

int MaxDifference(D3DCOLOR a, D3DCOLOR b)
{
    int iMax = 0;
    for (int shift = 0; shift < 32; shift += 8)
        iMax = std::max(iMax, std::abs(Channel(a, shift) - Channel(b, shift)));
    return iMax;
}

std::string Hex(D3DCOLOR c)
{
    char sz[16];
    snprintf(sz, sizeof(sz), "%08lX", static_cast<unsigned long>(c));
    return sz;
}

HRESULT Load(IDirect3DSurface8* pDest, IDirect3DSurface8* pSrc, DWORD dwFilter = D3DX_FILTER_NONE,
             const RECT* pDestRect = nullptr, const RECT* pSrcRect = nullptr, D3DCOLOR colorKey = 0,
             const PALETTEENTRY* pPalette = nullptr)
{
    return D3DXLoadSurfaceFromSurface(pDest, pPalette, pDestRect, pSrc, pPalette, pSrcRect, dwFilter,
                                      colorKey);
}

// Entries i: (i, 0, 255 - i), opaque; entry 5 is the test colour with half alpha.
std::vector<PALETTEENTRY> TestPalette()
{
    std::vector<PALETTEENTRY> v(256);
    for (int i = 0; i < 256; ++i)
        v[i] = {static_cast<BYTE>(i), 0, static_cast<BYTE>(255 - i), 255};
    v[5] = {0xFF, 0x80, 0x40, 0x80};
    return v;
}

const D3DCOLOR TEST_COLOR = 0x80FF8040;

struct KnownCase
{
    D3DFORMAT eFormat;
    const char* szName;
    std::vector<BYTE> vBytes; // the first block (texel, macropixel or 4 x 4 block)
    D3DCOLOR back;            // the colour read back
    int iTolerance;
};
} // namespace

// One colour, 0x80FF8040, into every format: the stored bits and the colour read back.
TEST(SurfaceConversion, KnownTexelsIntoEveryFormat)
{
    const std::vector<KnownCase> vCases = {
        {D3DFMT_R8G8B8, "R8G8B8", {0x40, 0x80, 0xFF}, 0xFFFF8040, 0},
        {D3DFMT_A8R8G8B8, "A8R8G8B8", {0x40, 0x80, 0xFF, 0x80}, 0x80FF8040, 0},
        {D3DFMT_X8R8G8B8, "X8R8G8B8", {0x40, 0x80, 0xFF, 0xFF}, 0xFFFF8040, 0},
        {D3DFMT_R5G6B5, "R5G6B5", {0x08, 0xFC}, 0xFFFF8242, 1},
        {D3DFMT_X1R5G5B5, "X1R5G5B5", {0x08, 0xFE}, 0xFFFF8442, 1},
        {D3DFMT_A1R5G5B5, "A1R5G5B5", {0x08, 0xFE}, 0xFFFF8442, 1},
        {D3DFMT_A4R4G4B4, "A4R4G4B4", {0x84, 0x8F}, 0x88FF8844, 0},
        {D3DFMT_R3G3B2, "R3G3B2", {0xF1}, 0xFFFF9255, 1},
        {D3DFMT_A8, "A8", {0x80}, 0x80000000, 0},
        {D3DFMT_A8R3G3B2, "A8R3G3B2", {0xF1, 0x80}, 0x80FF9255, 1},
        {D3DFMT_X4R4G4B4, "X4R4G4B4", {0x84, 0xFF}, 0xFFFF8844, 0},
        {D3DFMT_A2B10G10R10, "A2B10G10R10", {0xFF, 0x0B, 0x18, 0x90}, 0xAAFF8040, 0},
        {D3DFMT_G16R16, "G16R16", {0xFF, 0xFF, 0x80, 0x80}, 0xFFFF80FF, 0},
        {D3DFMT_A8P8, "A8P8", {0x05, 0x80}, 0x80FF8040, 0},
        {D3DFMT_P8, "P8", {0x05}, 0x80FF8040, 0},
        {D3DFMT_L8, "L8", {0x9F}, 0xFF9F9F9F, 0},
        {D3DFMT_A8L8, "A8L8", {0x9F, 0x80}, 0x809F9F9F, 0},
        {D3DFMT_A4L4, "A4L4", {0x89}, 0x88999999, 0},
        {D3DFMT_V8U8, "V8U8", {0x7F, 0x00}, 0xFFFF80FF, 0},
        {D3DFMT_L6V5U5, "L6V5U5", {0x0F, 0x40}, 0xFFFF8441, 1},
        {D3DFMT_X8L8V8U8, "X8L8V8U8", {0x7F, 0x00, 0x40, 0xFF}, 0xFFFF8040, 0},
        {D3DFMT_Q8W8V8U8, "Q8W8V8U8", {0x7F, 0x00, 0xC0, 0x00}, 0x80FF8040, 0},
        {D3DFMT_V16U16, "V16U16", {0xFF, 0x7F, 0x80, 0x00}, 0xFFFF80FF, 0},
        {D3DFMT_W11V11U10, "W11V11U10", {0xFF, 0x11, 0x40, 0xC0}, 0xFFFF8040, 0},
        {D3DFMT_A2W10V10U10, "A2W10V10U10", {0xFF, 0x09, 0x10, 0xB0}, 0xAAFF8040, 0},
        {D3DFMT_UYVY, "UYVY", {0x51, 0x98, 0xBC, 0x98}, 0xFFFE8040, 1},
        {D3DFMT_YUY2, "YUY2", {0x98, 0x51, 0x98, 0xBC}, 0xFFFE8040, 1},
        {D3DFMT_DXT1, "DXT1", {0x08, 0xFC, 0x08, 0xFC, 0, 0, 0, 0}, 0xFFFF8242, 0},
        {D3DFMT_DXT2,
         "DXT2",
         {0x88, 0x88, 0x88, 0x88, 0x88, 0x88, 0x88, 0x88, 0x04, 0x82, 0x04, 0x82, 0, 0, 0, 0},
         0x88FF8040,
         8},
        {D3DFMT_DXT3,
         "DXT3",
         {0x88, 0x88, 0x88, 0x88, 0x88, 0x88, 0x88, 0x88, 0x08, 0xFC, 0x08, 0xFC, 0, 0, 0, 0},
         0x88FF8242,
         0},
        {D3DFMT_DXT4,
         "DXT4",
         {0x80, 0x80, 0, 0, 0, 0, 0, 0, 0x04, 0x82, 0x04, 0x82, 0, 0, 0, 0},
         0x80FF8040,
         4},
        {D3DFMT_DXT5,
         "DXT5",
         {0x80, 0x80, 0, 0, 0, 0, 0, 0, 0x08, 0xFC, 0x08, 0xFC, 0, 0, 0, 0},
         0x80FF8242,
         0},
    };
    const std::vector<PALETTEENTRY> vPalette = TestPalette();
    for (const KnownCase& c : vCases)
    {
        SCOPED_TRACE(c.szName);
        MemorySurface source(D3DFMT_A8R8G8B8, 4, 4);
        Fill(source, 4, 4, [](UINT, UINT) { return TEST_COLOR; });
        MemorySurface converted(c.eFormat, 4, 4);
        ASSERT_EQ(Load(&converted, &source, D3DX_FILTER_NONE, nullptr, nullptr, 0, vPalette.data()), D3D_OK);
        EXPECT_EQ(std::vector<BYTE>(converted.Row(0), converted.Row(0) + c.vBytes.size()), c.vBytes);
        // Every texel alike: the last block of the last row too.
        const d3dx8_test::BlockSize block = d3dx8_test::BlockOf(c.eFormat);
        const BYTE* pLast = converted.Row((4 / block.uHeight) - 1) + (4 / block.uWidth - 1) * block.uBytes;
        EXPECT_EQ(std::vector<BYTE>(pLast, pLast + c.vBytes.size()), c.vBytes);

        MemorySurface back(D3DFMT_A8R8G8B8, 4, 4);
        ASSERT_EQ(Load(&back, &converted, D3DX_FILTER_POINT, nullptr, nullptr, 0, vPalette.data()), D3D_OK);
        EXPECT_LE(MaxDifference(At(back, 0, 0), c.back), c.iTolerance) << Hex(At(back, 0, 0));
        EXPECT_EQ(At(back, 3, 3), At(back, 0, 0));
        EXPECT_FALSE(source.Locked() || converted.Locked() || back.Locked());
    }
}

// Smooth colour and alpha through the block and YUV codecs: each channel within the codec's error.
TEST(SurfaceConversion, LossyFormatsStayWithinTheirError)
{
    const struct
    {
        D3DFORMAT eFormat;
        const char* szName;
        bool bAlpha;
        int iMaxError;
        double dMeanError;
    } aCases[] = {{D3DFMT_DXT1, "DXT1", false, 10, 4.0}, {D3DFMT_DXT2, "DXT2", true, 16, 7.0},
                  {D3DFMT_DXT3, "DXT3", true, 10, 5.5},  {D3DFMT_DXT4, "DXT4", true, 16, 7.0},
                  {D3DFMT_DXT5, "DXT5", true, 10, 4.0},  {D3DFMT_UYVY, "UYVY", false, 8, 6.0},
                  {D3DFMT_YUY2, "YUY2", false, 8, 6.0}};
    const UINT SIZE = 16;
    for (const auto& c : aCases)
    {
        SCOPED_TRACE(c.szName);
        const bool bAlpha = c.bAlpha;
        const TexelFunction texel = [bAlpha](UINT x, UINT y)
        {
            const UINT t = 8 * x + 2 * y;
            const UINT a = bAlpha ? 255 - t / 2 : 255;
            return D3DCOLOR_ARGB(a, t, 255 - t, 64 + t / 2);
        };
        MemorySurface source(D3DFMT_A8R8G8B8, SIZE, SIZE);
        Fill(source, SIZE, SIZE, texel);
        MemorySurface converted(c.eFormat, SIZE, SIZE);
        ASSERT_EQ(Load(&converted, &source), D3D_OK);
        MemorySurface back(D3DFMT_A8R8G8B8, SIZE, SIZE);
        ASSERT_EQ(Load(&back, &converted), D3D_OK);
        int iWorst = 0;
        double dSum = 0.0;
        for (UINT y = 0; y < SIZE; ++y)
            for (UINT x = 0; x < SIZE; ++x)
            {
                const int d = MaxDifference(At(back, x, y), texel(x, y));
                iWorst = std::max(iWorst, d);
                dSum += d;
            }
        EXPECT_LE(iWorst, c.iMaxError);
        EXPECT_LE(dSum / (SIZE * SIZE), c.dMeanError);
    }
}

TEST(SurfaceConversion, Dxt1KeepsOneBitOfAlpha)
{
    MemorySurface source(D3DFMT_A8R8G8B8, 4, 4);
    Fill(source, 4, 4, [](UINT x, UINT) { return x < 2 ? 0xFF20C040 : 0x10FFFFFF; });
    MemorySurface dxt(D3DFMT_DXT1, 4, 4);
    ASSERT_EQ(Load(&dxt, &source), D3D_OK);
    // Three-colour mode: c0 <= c1.
    const WORD c0 = static_cast<WORD>(dxt.Row(0)[0] | (dxt.Row(0)[1] << 8));
    const WORD c1 = static_cast<WORD>(dxt.Row(0)[2] | (dxt.Row(0)[3] << 8));
    EXPECT_LE(c0, c1);
    MemorySurface back(D3DFMT_A8R8G8B8, 4, 4);
    ASSERT_EQ(Load(&back, &dxt), D3D_OK);
    EXPECT_LE(MaxDifference(At(back, 0, 2), 0xFF20C040), 4) << Hex(At(back, 0, 2));
    EXPECT_EQ(At(back, 3, 1), 0x00000000u);
}

TEST(SurfaceConversion, SameFormatCopiesBlocksAsTheyAre)
{
    MemorySurface source(D3DFMT_A8R8G8B8, 8, 8);
    Fill(source, 8, 8, [](UINT x, UINT y) { return D3DCOLOR_XRGB(x * 30, y * 30, 200 - x * y * 3); });
    MemorySurface dxt(D3DFMT_DXT5, 8, 8);
    ASSERT_EQ(Load(&dxt, &source, D3DX_FILTER_LINEAR), D3D_OK);
    MemorySurface copy(D3DFMT_DXT5, 8, 8);
    ASSERT_EQ(Load(&copy, &dxt, D3DX_FILTER_LINEAR), D3D_OK);
    for (UINT r = 0; r < 2; ++r)
        EXPECT_EQ(std::vector<BYTE>(copy.Row(r), copy.Row(r) + 32),
                  std::vector<BYTE>(dxt.Row(r), dxt.Row(r) + 32));
}

TEST(SurfaceConversion, Filters)
{
    // 4 x 4 of red values: row y holds 16 y + 10 x.
    MemorySurface source(D3DFMT_A8R8G8B8, 4, 4);
    Fill(source, 4, 4, [](UINT x, UINT y) { return D3DCOLOR_XRGB(16 * y + 10 * x, 0, 0); });
    const struct
    {
        DWORD dwFilter;
        D3DCOLOR aExpected[4];
    } aReductions[] = {
        // Box: the mean of each 2 x 2 quarter; point: the texel at the footprint's centre.
        {D3DX_FILTER_BOX,
         {D3DCOLOR_XRGB(13, 0, 0), D3DCOLOR_XRGB(33, 0, 0), D3DCOLOR_XRGB(45, 0, 0),
          D3DCOLOR_XRGB(65, 0, 0)}},
        {D3DX_FILTER_TRIANGLE,
         {D3DCOLOR_XRGB(13, 0, 0), D3DCOLOR_XRGB(33, 0, 0), D3DCOLOR_XRGB(45, 0, 0),
          D3DCOLOR_XRGB(65, 0, 0)}},
        {D3DX_DEFAULT,
         {D3DCOLOR_XRGB(13, 0, 0), D3DCOLOR_XRGB(33, 0, 0), D3DCOLOR_XRGB(45, 0, 0),
          D3DCOLOR_XRGB(65, 0, 0)}},
        {D3DX_FILTER_POINT,
         {D3DCOLOR_XRGB(26, 0, 0), D3DCOLOR_XRGB(46, 0, 0), D3DCOLOR_XRGB(58, 0, 0),
          D3DCOLOR_XRGB(78, 0, 0)}},
        {D3DX_FILTER_LINEAR,
         {D3DCOLOR_XRGB(13, 0, 0), D3DCOLOR_XRGB(33, 0, 0), D3DCOLOR_XRGB(45, 0, 0),
          D3DCOLOR_XRGB(65, 0, 0)}},
    };
    for (const auto& c : aReductions)
    {
        SCOPED_TRACE(c.dwFilter);
        MemorySurface half(D3DFMT_A8R8G8B8, 2, 2);
        ASSERT_EQ(Load(&half, &source, c.dwFilter), D3D_OK);
        EXPECT_EQ(Hex(At(half, 0, 0)), Hex(c.aExpected[0]));
        EXPECT_EQ(Hex(At(half, 1, 0)), Hex(c.aExpected[1]));
        EXPECT_EQ(Hex(At(half, 0, 1)), Hex(c.aExpected[2]));
        EXPECT_EQ(Hex(At(half, 1, 1)), Hex(c.aExpected[3]));
    }

    // Enlarging 2 x 1 to 4 x 1: linear interpolation between texel centres, clamped at the edges.
    MemorySurface pair(D3DFMT_A8R8G8B8, 2, 1);
    Fill(pair, 2, 1, [](UINT x, UINT) { return D3DCOLOR_XRGB(x ? 255 : 0, 0, 0); });
    for (DWORD dwFilter : {DWORD(D3DX_FILTER_LINEAR), DWORD(D3DX_FILTER_TRIANGLE), DWORD(D3DX_FILTER_BOX)})
    {
        MemorySurface wide(D3DFMT_A8R8G8B8, 4, 1);
        ASSERT_EQ(Load(&wide, &pair, dwFilter | D3DX_FILTER_DITHER | D3DX_FILTER_MIRROR), D3D_OK);
        EXPECT_EQ(Channel(At(wide, 0, 0), 16), 0);
        EXPECT_EQ(Channel(At(wide, 1, 0), 16), 64);
        EXPECT_EQ(Channel(At(wide, 2, 0), 16), 191);
        EXPECT_EQ(Channel(At(wide, 3, 0), 16), 255);
    }

    // No filter: the source lands top-left, the rest is transparent black.
    MemorySurface big(D3DFMT_A8R8G8B8, 4, 4);
    ASSERT_EQ(Load(&big, &pair, D3DX_FILTER_NONE), D3D_OK);
    EXPECT_EQ(At(big, 1, 0), 0xFFFF0000u);
    EXPECT_EQ(At(big, 2, 0), 0x00000000u);
    EXPECT_EQ(At(big, 0, 3), 0x00000000u);
}

TEST(SurfaceConversion, RectanglesAndColorKey)
{
    MemorySurface source(D3DFMT_A8R8G8B8, 4, 4);
    Fill(source, 4, 4, [](UINT x, UINT y) { return x == 2 && y == 1 ? 0xFF123456 : 0xFF00FF00; });
    MemorySurface dest(D3DFMT_A8R8G8B8, 4, 4);
    Fill(dest, 4, 4, [](UINT, UINT) { return 0xFF0000FF; });

    // A source rectangle into a destination rectangle; texels outside it stay.
    const RECT srcRect = {2, 1, 3, 2};
    const RECT destRect = {3, 3, 4, 4};
    ASSERT_EQ(Load(&dest, &source, D3DX_FILTER_NONE, &destRect, &srcRect), D3D_OK);
    EXPECT_EQ(At(dest, 3, 3), 0xFF123456u);
    EXPECT_EQ(At(dest, 2, 3), 0xFF0000FFu);
    EXPECT_EQ(At(dest, 0, 0), 0xFF0000FFu);

    // The colour key turns matching texels into transparent black.
    const RECT topLeft = {0, 0, 2, 2};
    ASSERT_EQ(Load(&dest, &source, D3DX_FILTER_NONE, &topLeft, &topLeft, 0xFF00FF00), D3D_OK);
    EXPECT_EQ(At(dest, 0, 0), 0x00000000u);
    EXPECT_EQ(At(dest, 1, 1), 0x00000000u);
    EXPECT_EQ(At(dest, 2, 2), 0xFF0000FFu);

    // A rectangle inside DXT blocks rewrites those blocks and keeps their other texels.
    MemorySurface dxt(D3DFMT_DXT1, 8, 8);
    MemorySurface red(D3DFMT_A8R8G8B8, 8, 8);
    Fill(red, 8, 8, [](UINT, UINT) { return 0xFFFF0000; });
    ASSERT_EQ(Load(&dxt, &red), D3D_OK);
    MemorySurface green(D3DFMT_A8R8G8B8, 2, 2);
    Fill(green, 2, 2, [](UINT, UINT) { return 0xFF00FF00; });
    const RECT inside = {3, 3, 5, 5};
    ASSERT_EQ(Load(&dxt, &green, D3DX_FILTER_NONE, &inside), D3D_OK);
    MemorySurface back(D3DFMT_A8R8G8B8, 8, 8);
    ASSERT_EQ(Load(&back, &dxt), D3D_OK);
    for (UINT y = 0; y < 8; ++y)
        for (UINT x = 0; x < 8; ++x)
        {
            const bool bGreen = x >= 3 && x < 5 && y >= 3 && y < 5;
            EXPECT_EQ(At(back, x, y), bGreen ? 0xFF00FF00u : 0xFFFF0000u) << x << "," << y;
        }

    // A DXT surface smaller than a block.
    MemorySurface tiny(D3DFMT_DXT3, 2, 2);
    ASSERT_EQ(Load(&tiny, &green), D3D_OK);
    MemorySurface tinyBack(D3DFMT_A8R8G8B8, 2, 2);
    ASSERT_EQ(Load(&tinyBack, &tiny), D3D_OK);
    EXPECT_EQ(At(tinyBack, 1, 1), 0xFF00FF00u);
}

TEST(SurfaceConversion, RefusesBadArguments)
{
    MemorySurface source(D3DFMT_A8R8G8B8, 4, 4);
    Fill(source, 4, 4, [](UINT, UINT) { return TEST_COLOR; });
    MemorySurface dest(D3DFMT_R5G6B5, 4, 4);
    const std::vector<BYTE> vBefore(dest.Row(0), dest.Row(0) + 4 * dest.Pitch());
    const RECT outside = {2, 2, 5, 4};
    const RECT empty = {2, 2, 2, 4};
    const RECT negative = {-1, 0, 2, 2};
    const struct
    {
        const char* szWhat;
        HRESULT hr;
        HRESULT hrExpected;
    } aCases[] = {
        {"no destination", Load(nullptr, &source), D3DERR_INVALIDCALL},
        {"no source", Load(&dest, nullptr), D3DERR_INVALIDCALL},
        {"rectangle outside", Load(&dest, &source, D3DX_FILTER_NONE, &outside), D3DERR_INVALIDCALL},
        {"empty rectangle", Load(&dest, &source, D3DX_FILTER_NONE, nullptr, &empty), D3DERR_INVALIDCALL},
        {"negative rectangle", Load(&dest, &source, D3DX_FILTER_NONE, &negative), D3DERR_INVALIDCALL},
        {"filter 0", Load(&dest, &source, 0), D3DERR_INVALIDCALL},
        {"filter 6", Load(&dest, &source, 6), D3DERR_INVALIDCALL},
        {"unknown filter flag", Load(&dest, &source, D3DX_FILTER_LINEAR | 0x100000), D3DERR_INVALIDCALL},
    };
    for (const auto& c : aCases)
        EXPECT_EQ(c.hr, c.hrExpected) << c.szWhat;

    // Formats without a conversion, either side.
    MemorySurface depth(D3DFMT_D16, 4, 4);
    EXPECT_EQ(Load(&depth, &source), E_NOTIMPL);
    EXPECT_EQ(Load(&dest, &depth), E_NOTIMPL);
    MemorySurface unknown(D3DFMT_UNKNOWN, 4, 4);
    EXPECT_EQ(Load(&unknown, &source), E_NOTIMPL);

    // A palettized side needs its palette.
    MemorySurface palettized(D3DFMT_P8, 4, 4);
    EXPECT_EQ(Load(&palettized, &source), D3DERR_INVALIDCALL);
    EXPECT_EQ(Load(&dest, &palettized), D3DERR_INVALIDCALL);

    // A surface that cannot be locked (and has no device to copy through) fails with the lock's
    // result and leaves nothing locked.
    dest.SetLockable(false);
    EXPECT_EQ(Load(&dest, &source), D3DERR_INVALIDCALL);
    EXPECT_FALSE(source.Locked());
    EXPECT_EQ(std::vector<BYTE>(dest.Row(0), dest.Row(0) + 4 * dest.Pitch()), vBefore);
    dest.SetLockable(true);
    ASSERT_EQ(Load(&dest, &source), D3D_OK);
    EXPECT_EQ(source.LastLockFlags(), static_cast<DWORD>(D3DLOCK_READONLY));
    EXPECT_FALSE(source.Locked() || dest.Locked());
}

// One surface on both sides: overlapping rectangles read their old texels, whether the blocks are
// copied as they are or decoded (a colour key that matches nothing).
TEST(SurfaceConversion, OneSurfaceOnBothSides)
{
    const RECT srcRect = {0, 0, 3, 1};
    const RECT destRect = {1, 0, 4, 1};
    for (D3DCOLOR colorKey : {D3DCOLOR(0), D3DCOLOR(0xFF010203)})
    {
        SCOPED_TRACE(Hex(colorKey));
        MemorySurface surface(D3DFMT_A8R8G8B8, 4, 2);
        Fill(surface, 4, 2, [](UINT x, UINT y) { return D3DCOLOR_XRGB(10 * x, 20 * y, 0); });
        ASSERT_EQ(Load(&surface, &surface, D3DX_FILTER_NONE, &destRect, &srcRect, colorKey), D3D_OK);
        for (UINT x = 0; x < 4; ++x)
            EXPECT_EQ(At(surface, x, 0), D3DCOLOR_XRGB(x ? 10 * (x - 1) : 0, 0, 0)) << x;
        EXPECT_EQ(At(surface, 3, 1), D3DCOLOR_XRGB(30, 20, 0));
        EXPECT_FALSE(surface.Locked());
        EXPECT_EQ(surface.LastLockFlags(), 0u);
    }
}

TEST(SurfaceConversion, FromMemory)
{
    // A 3 x 2 R5G6B5 image with a pitch wider than its rows, read from its second column.
    const WORD aImage[2][4] = {{0xF800, 0x07E0, 0x001F, 0}, {0xFFFF, 0x0000, 0xF81F, 0}};
    const RECT srcRect = {1, 0, 3, 2};
    MemorySurface dest(D3DFMT_A8R8G8B8, 2, 2);
    ASSERT_EQ(D3DXLoadSurfaceFromMemory(&dest, nullptr, nullptr, aImage, D3DFMT_R5G6B5, sizeof(aImage[0]),
                                        nullptr, &srcRect, D3DX_FILTER_NONE, 0),
              D3D_OK);
    EXPECT_EQ(At(dest, 0, 0), 0xFF00FF00u);
    EXPECT_EQ(At(dest, 1, 0), 0xFF0000FFu);
    EXPECT_EQ(At(dest, 0, 1), 0xFF000000u);
    EXPECT_EQ(At(dest, 1, 1), 0xFFFF00FFu);

    EXPECT_EQ(D3DXLoadSurfaceFromMemory(&dest, nullptr, nullptr, aImage, D3DFMT_R5G6B5, sizeof(aImage[0]),
                                        nullptr, nullptr, D3DX_FILTER_NONE, 0),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXLoadSurfaceFromMemory(&dest, nullptr, nullptr, nullptr, D3DFMT_R5G6B5, sizeof(aImage[0]),
                                        nullptr, &srcRect, D3DX_FILTER_NONE, 0),
              D3DERR_INVALIDCALL);
    // Rows of 3 texels need 6 bytes.
    EXPECT_EQ(D3DXLoadSurfaceFromMemory(&dest, nullptr, nullptr, aImage, D3DFMT_R5G6B5, 4, nullptr, &srcRect,
                                        D3DX_FILTER_NONE, 0),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXLoadSurfaceFromMemory(&dest, nullptr, nullptr, aImage, D3DFMT_D16, sizeof(aImage[0]),
                                        nullptr, &srcRect, D3DX_FILTER_NONE, 0),
              E_NOTIMPL);
}

TEST(VolumeConversion, EveryTexelAndBoxes)
{
    const UINT N = 4;
    MemoryVolume source(D3DFMT_A8R8G8B8, N, N, N);
    for (UINT z = 0; z < N; ++z)
        for (UINT y = 0; y < N; ++y)
            for (UINT x = 0; x < N; ++x)
                reinterpret_cast<DWORD*>(source.Row(z, y))[x] = D3DCOLOR_ARGB(255, 60 * x, 60 * y, 60 * z);

    // Into a bump-luminance volume and back: U, V and L keep 8 bits.
    MemoryVolume bump(D3DFMT_X8L8V8U8, N, N, N);
    ASSERT_EQ(D3DXLoadVolumeFromVolume(&bump, nullptr, nullptr, &source, nullptr, nullptr, D3DX_DEFAULT, 0),
              D3D_OK);
    EXPECT_EQ(reinterpret_cast<const DWORD*>(bump.Row(3, 2))[1], 0xFFB4F8BCu);
    MemoryVolume back(D3DFMT_A8R8G8B8, N, N, N);
    ASSERT_EQ(D3DXLoadVolumeFromVolume(&back, nullptr, nullptr, &bump, nullptr, nullptr, D3DX_FILTER_NONE, 0),
              D3D_OK);
    for (UINT z = 0; z < N; ++z)
        for (UINT y = 0; y < N; ++y)
            for (UINT x = 0; x < N; ++x)
                EXPECT_EQ(reinterpret_cast<const DWORD*>(back.Row(z, y))[x],
                          reinterpret_cast<const DWORD*>(source.Row(z, y))[x]);

    // Half the depth with a box filter: each slice is the mean of two.
    MemoryVolume thin(D3DFMT_A8R8G8B8, N, N, 2);
    ASSERT_EQ(
        D3DXLoadVolumeFromVolume(&thin, nullptr, nullptr, &source, nullptr, nullptr, D3DX_FILTER_BOX, 0),
        D3D_OK);
    EXPECT_EQ(reinterpret_cast<const DWORD*>(thin.Row(1, 0))[0], D3DCOLOR_ARGB(255, 0, 0, 150));

    // One box into another.
    const D3DBOX srcBox = {1, 1, 2, 2, 3, 4};
    const D3DBOX destBox = {0, 0, 1, 1, 0, 1};
    ASSERT_EQ(
        D3DXLoadVolumeFromVolume(&thin, nullptr, &destBox, &source, nullptr, &srcBox, D3DX_FILTER_NONE, 0),
        D3D_OK);
    EXPECT_EQ(reinterpret_cast<const DWORD*>(thin.Row(0, 0))[0], D3DCOLOR_ARGB(255, 60, 60, 180));

    // From memory, a 2 x 1 x 2 block of L8.
    const BYTE aL8[2][4] = {{10, 20, 0, 0}, {30, 40, 0, 0}};
    const D3DBOX memoryBox = {0, 0, 2, 1, 0, 2};
    MemoryVolume grey(D3DFMT_A8R8G8B8, 2, 1, 2);
    ASSERT_EQ(D3DXLoadVolumeFromMemory(&grey, nullptr, nullptr, aL8, D3DFMT_L8, 2, 4, nullptr, &memoryBox,
                                       D3DX_FILTER_NONE, 0),
              D3D_OK);
    EXPECT_EQ(reinterpret_cast<const DWORD*>(grey.Row(1, 0))[1], D3DCOLOR_ARGB(255, 40, 40, 40));

    const D3DBOX tooDeep = {0, 0, 1, 1, 0, 5};
    EXPECT_EQ(
        D3DXLoadVolumeFromVolume(&thin, nullptr, nullptr, &source, nullptr, &tooDeep, D3DX_FILTER_NONE, 0),
        D3DERR_INVALIDCALL);
    EXPECT_EQ(
        D3DXLoadVolumeFromVolume(nullptr, nullptr, nullptr, &source, nullptr, nullptr, D3DX_FILTER_NONE, 0),
        D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXLoadVolumeFromMemory(&grey, nullptr, nullptr, aL8, D3DFMT_L8, 2, 1, nullptr, &memoryBox,
                                       D3DX_FILTER_NONE, 0),
              D3DERR_INVALIDCALL);
    MemoryVolume depth(D3DFMT_D16, 2, 2, 2);
    EXPECT_EQ(
        D3DXLoadVolumeFromVolume(&depth, nullptr, nullptr, &source, nullptr, nullptr, D3DX_FILTER_NONE, 0),
        E_NOTIMPL);
    EXPECT_FALSE(source.Locked() || thin.Locked() || grey.Locked());
}

TEST(VolumeConversion, OneVolumeOnBothSides)
{
    MemoryVolume volume(D3DFMT_A8R8G8B8, 2, 1, 3);
    for (UINT z = 0; z < 3; ++z)
        for (UINT x = 0; x < 2; ++x)
            reinterpret_cast<DWORD*>(volume.Row(z, 0))[x] = D3DCOLOR_XRGB(x, 0, 100 * z);
    // Slices 0 and 1 move one slice deeper.
    const D3DBOX srcBox = {0, 0, 2, 1, 0, 2};
    const D3DBOX destBox = {0, 0, 2, 1, 1, 3};
    ASSERT_EQ(
        D3DXLoadVolumeFromVolume(&volume, nullptr, &destBox, &volume, nullptr, &srcBox, D3DX_FILTER_NONE, 0),
        D3D_OK);
    const D3DCOLOR aExpected[3] = {D3DCOLOR_XRGB(1, 0, 0), D3DCOLOR_XRGB(1, 0, 0), D3DCOLOR_XRGB(1, 0, 100)};
    for (UINT z = 0; z < 3; ++z)
        EXPECT_EQ(reinterpret_cast<const DWORD*>(volume.Row(z, 0))[1], aExpected[z]) << z;
    EXPECT_FALSE(volume.Locked());
}

TEST(VolumeConversion, RefusesBadArguments)
{
    MemoryVolume source(D3DFMT_A8R8G8B8, 2, 2, 2);
    MemoryVolume dest(D3DFMT_R5G6B5, 2, 2, 2);
    MemoryVolume depth(D3DFMT_D16, 2, 2, 2);
    MemoryVolume palettized(D3DFMT_P8, 2, 2, 2);
    const BYTE aMemory[16] = {};
    const D3DBOX outside = {0, 0, 2, 2, 0, 3};
    const D3DBOX empty = {1, 0, 1, 2, 0, 2};
    const D3DBOX memoryBox = {0, 0, 2, 2, 0, 2};
    auto Volume = [](IDirect3DVolume8* pDest, IDirect3DVolume8* pSrc, DWORD dwFilter = D3DX_FILTER_NONE,
                     const D3DBOX* pDestBox = nullptr, const D3DBOX* pSrcBox = nullptr)
    { return D3DXLoadVolumeFromVolume(pDest, nullptr, pDestBox, pSrc, nullptr, pSrcBox, dwFilter, 0); };
    auto Memory = [&](const void* pMemory, D3DFORMAT eFormat, UINT uRowPitch, const D3DBOX* pBox)
    {
        return D3DXLoadVolumeFromMemory(&dest, nullptr, nullptr, pMemory, eFormat, uRowPitch, 8, nullptr,
                                        pBox, D3DX_FILTER_NONE, 0);
    };
    const struct
    {
        const char* szWhat;
        HRESULT hr;
        HRESULT hrExpected;
    } aCases[] = {
        {"no destination", Volume(nullptr, &source), D3DERR_INVALIDCALL},
        {"no source", Volume(&dest, nullptr), D3DERR_INVALIDCALL},
        {"box outside", Volume(&dest, &source, D3DX_FILTER_NONE, &outside), D3DERR_INVALIDCALL},
        {"empty box", Volume(&dest, &source, D3DX_FILTER_NONE, nullptr, &empty), D3DERR_INVALIDCALL},
        {"filter 0", Volume(&dest, &source, 0), D3DERR_INVALIDCALL},
        {"unknown filter flag", Volume(&dest, &source, D3DX_FILTER_BOX | 0x100000), D3DERR_INVALIDCALL},
        {"depth destination", Volume(&depth, &source), E_NOTIMPL},
        {"depth source", Volume(&dest, &depth), E_NOTIMPL},
        {"palettized destination", Volume(&palettized, &source), D3DERR_INVALIDCALL},
        {"palettized source", Volume(&dest, &palettized), D3DERR_INVALIDCALL},
        {"memory without a box", Memory(aMemory, D3DFMT_L8, 2, nullptr), D3DERR_INVALIDCALL},
        {"no memory", Memory(nullptr, D3DFMT_L8, 2, &memoryBox), D3DERR_INVALIDCALL},
        {"rows too short", Memory(aMemory, D3DFMT_R5G6B5, 2, &memoryBox), D3DERR_INVALIDCALL},
        {"memory of a depth format", Memory(aMemory, D3DFMT_D16, 4, &memoryBox), E_NOTIMPL},
        {"palettized memory", Memory(aMemory, D3DFMT_P8, 2, &memoryBox), D3DERR_INVALIDCALL},
    };
    for (const auto& c : aCases)
        EXPECT_EQ(c.hr, c.hrExpected) << c.szWhat;
    EXPECT_EQ(Memory(aMemory, D3DFMT_L8, 2, &memoryBox), D3D_OK);

    // A volume that cannot be locked fails with the lock's result and leaves nothing locked.
    dest.SetLockable(false);
    EXPECT_EQ(Volume(&dest, &source), D3DERR_INVALIDCALL);
    EXPECT_FALSE(source.Locked());
    dest.SetLockable(true);
    ASSERT_EQ(Volume(&dest, &source), D3D_OK);
    EXPECT_EQ(source.LastLockFlags(), static_cast<DWORD>(D3DLOCK_READONLY));
    EXPECT_EQ(dest.LastLockFlags(), 0u);
    EXPECT_FALSE(source.Locked() || dest.Locked() || depth.Locked() || palettized.Locked());
}
