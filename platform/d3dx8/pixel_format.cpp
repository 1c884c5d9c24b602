#include "pixel_format.h"

#include "dxt_codec.h"

#include <algorithm>
#include <cmath>

namespace d3dx8
{
namespace
{
const ChannelKind R = CHANNEL_RED;
const ChannelKind G = CHANNEL_GREEN;
const ChannelKind B = CHANNEL_BLUE;
const ChannelKind A = CHANNEL_ALPHA;
const ChannelKind L = CHANNEL_LUMINANCE;
const ChannelKind P = CHANNEL_INDEX;
const ChannelKind X = CHANNEL_UNUSED;
const Channel NONE = {CHANNEL_NONE, 0, 0, false};

// Channels from the lowest bits up; bump formats put U, V, W (or L) and Q in red, green, blue and alpha.
const FormatInfo s_aFormats[] = {
    {D3DFMT_R8G8B8,
     LAYOUT_PLAIN,
     1,
     1,
     3,
     false,
     {{B, 0, 8, false}, {G, 8, 8, false}, {R, 16, 8, false}, NONE}},
    {D3DFMT_A8R8G8B8,
     LAYOUT_PLAIN,
     1,
     1,
     4,
     false,
     {{B, 0, 8, false}, {G, 8, 8, false}, {R, 16, 8, false}, {A, 24, 8, false}}},
    {D3DFMT_X8R8G8B8,
     LAYOUT_PLAIN,
     1,
     1,
     4,
     false,
     {{B, 0, 8, false}, {G, 8, 8, false}, {R, 16, 8, false}, {X, 24, 8, false}}},
    {D3DFMT_R5G6B5,
     LAYOUT_PLAIN,
     1,
     1,
     2,
     false,
     {{B, 0, 5, false}, {G, 5, 6, false}, {R, 11, 5, false}, NONE}},
    {D3DFMT_X1R5G5B5,
     LAYOUT_PLAIN,
     1,
     1,
     2,
     false,
     {{B, 0, 5, false}, {G, 5, 5, false}, {R, 10, 5, false}, {X, 15, 1, false}}},
    {D3DFMT_A1R5G5B5,
     LAYOUT_PLAIN,
     1,
     1,
     2,
     false,
     {{B, 0, 5, false}, {G, 5, 5, false}, {R, 10, 5, false}, {A, 15, 1, false}}},
    {D3DFMT_A4R4G4B4,
     LAYOUT_PLAIN,
     1,
     1,
     2,
     false,
     {{B, 0, 4, false}, {G, 4, 4, false}, {R, 8, 4, false}, {A, 12, 4, false}}},
    {D3DFMT_R3G3B2,
     LAYOUT_PLAIN,
     1,
     1,
     1,
     false,
     {{B, 0, 2, false}, {G, 2, 3, false}, {R, 5, 3, false}, NONE}},
    {D3DFMT_A8, LAYOUT_PLAIN, 1, 1, 1, false, {{A, 0, 8, false}, NONE, NONE, NONE}},
    {D3DFMT_A8R3G3B2,
     LAYOUT_PLAIN,
     1,
     1,
     2,
     false,
     {{B, 0, 2, false}, {G, 2, 3, false}, {R, 5, 3, false}, {A, 8, 8, false}}},
    {D3DFMT_X4R4G4B4,
     LAYOUT_PLAIN,
     1,
     1,
     2,
     false,
     {{B, 0, 4, false}, {G, 4, 4, false}, {R, 8, 4, false}, {X, 12, 4, false}}},
    {D3DFMT_A2B10G10R10,
     LAYOUT_PLAIN,
     1,
     1,
     4,
     false,
     {{R, 0, 10, false}, {G, 10, 10, false}, {B, 20, 10, false}, {A, 30, 2, false}}},
    {D3DFMT_G16R16, LAYOUT_PLAIN, 1, 1, 4, true, {{R, 0, 16, false}, {G, 16, 16, false}, NONE, NONE}},
    {D3DFMT_A8P8, LAYOUT_PLAIN, 1, 1, 2, false, {{P, 0, 8, false}, {A, 8, 8, false}, NONE, NONE}},
    {D3DFMT_P8, LAYOUT_PLAIN, 1, 1, 1, false, {{P, 0, 8, false}, NONE, NONE, NONE}},
    {D3DFMT_L8, LAYOUT_PLAIN, 1, 1, 1, false, {{L, 0, 8, false}, NONE, NONE, NONE}},
    {D3DFMT_A8L8, LAYOUT_PLAIN, 1, 1, 2, false, {{L, 0, 8, false}, {A, 8, 8, false}, NONE, NONE}},
    {D3DFMT_A4L4, LAYOUT_PLAIN, 1, 1, 1, false, {{L, 0, 4, false}, {A, 4, 4, false}, NONE, NONE}},
    {D3DFMT_V8U8, LAYOUT_PLAIN, 1, 1, 2, true, {{R, 0, 8, true}, {G, 8, 8, true}, NONE, NONE}},
    {D3DFMT_L6V5U5, LAYOUT_PLAIN, 1, 1, 2, true, {{R, 0, 5, true}, {G, 5, 5, true}, {B, 10, 6, false}, NONE}},
    {D3DFMT_X8L8V8U8,
     LAYOUT_PLAIN,
     1,
     1,
     4,
     true,
     {{R, 0, 8, true}, {G, 8, 8, true}, {B, 16, 8, false}, {X, 24, 8, false}}},
    {D3DFMT_Q8W8V8U8,
     LAYOUT_PLAIN,
     1,
     1,
     4,
     true,
     {{R, 0, 8, true}, {G, 8, 8, true}, {B, 16, 8, true}, {A, 24, 8, true}}},
    {D3DFMT_V16U16, LAYOUT_PLAIN, 1, 1, 4, true, {{R, 0, 16, true}, {G, 16, 16, true}, NONE, NONE}},
    {D3DFMT_W11V11U10,
     LAYOUT_PLAIN,
     1,
     1,
     4,
     true,
     {{R, 0, 10, true}, {G, 10, 11, true}, {B, 21, 11, true}, NONE}},
    {D3DFMT_A2W10V10U10,
     LAYOUT_PLAIN,
     1,
     1,
     4,
     true,
     {{R, 0, 10, true}, {G, 10, 10, true}, {B, 20, 10, true}, {A, 30, 2, false}}},
    {D3DFMT_UYVY, LAYOUT_YUV, 2, 1, 4, false, {NONE, NONE, NONE, NONE}},
    {D3DFMT_YUY2, LAYOUT_YUV, 2, 1, 4, false, {NONE, NONE, NONE, NONE}},
    {D3DFMT_DXT1, LAYOUT_DXT, 4, 4, 8, false, {NONE, NONE, NONE, NONE}},
    {D3DFMT_DXT2, LAYOUT_DXT, 4, 4, 16, false, {NONE, NONE, NONE, NONE}},
    {D3DFMT_DXT3, LAYOUT_DXT, 4, 4, 16, false, {NONE, NONE, NONE, NONE}},
    {D3DFMT_DXT4, LAYOUT_DXT, 4, 4, 16, false, {NONE, NONE, NONE, NONE}},
    {D3DFMT_DXT5, LAYOUT_DXT, 4, 4, 16, false, {NONE, NONE, NONE, NONE}},
};

float Clamp01(float f)
{
    return f < 0.0f ? 0.0f : (f > 1.0f ? 1.0f : f);
}

DWORD Quantize(float f, unsigned uBits)
{
    const double dMax = static_cast<double>((1ull << uBits) - 1);
    return static_cast<DWORD>(std::lround(Clamp01(f) * dMax));
}

// Signed channels hold the colour value minus half the range: colour 0 is the most negative value.
float DecodeChannel(DWORD dwRaw, const Channel& channel)
{
    const double dMax = static_cast<double>((1ull << channel.uBits) - 1);
    if (!channel.bSigned)
        return static_cast<float>(dwRaw / dMax);
    const long long llHalf = 1ll << (channel.uBits - 1);
    const long long llSigned = dwRaw >= static_cast<DWORD>(llHalf)
                                   ? static_cast<long long>(dwRaw) - 2 * llHalf
                                   : static_cast<long long>(dwRaw);
    return static_cast<float>((llSigned + llHalf) / dMax);
}

DWORD EncodeChannel(float f, const Channel& channel)
{
    const DWORD dwMask = static_cast<DWORD>((1ull << channel.uBits) - 1);
    if (!channel.bSigned)
        return Quantize(f, channel.uBits);
    const long long llHalf = 1ll << (channel.uBits - 1);
    const long long llSigned = static_cast<long long>(Quantize(f, channel.uBits)) - llHalf;
    return static_cast<DWORD>(llSigned) & dwMask;
}

float Luminance(const Texel& t)
{
    return 0.299f * t.r + 0.587f * t.g + 0.114f * t.b;
}

Texel PaletteColor(const PALETTEENTRY* pPalette, DWORD dwIndex)
{
    const PALETTEENTRY& e = pPalette[dwIndex & 0xFF];
    return {e.peRed / 255.0f, e.peGreen / 255.0f, e.peBlue / 255.0f, e.peFlags / 255.0f};
}

// The nearest palette entry; P8 compares alpha too (it lives in the entry), A8P8 only colour.
DWORD NearestIndex(const PALETTEENTRY* pPalette, const Texel& t, bool bWithAlpha)
{
    const int r = static_cast<int>(Quantize(t.r, 8));
    const int g = static_cast<int>(Quantize(t.g, 8));
    const int b = static_cast<int>(Quantize(t.b, 8));
    const int a = static_cast<int>(Quantize(t.a, 8));
    DWORD dwBest = 0;
    long lBest = -1;
    for (DWORD i = 0; i < 256; ++i)
    {
        const PALETTEENTRY& e = pPalette[i];
        const long dr = e.peRed - r;
        const long dg = e.peGreen - g;
        const long db = e.peBlue - b;
        const long da = bWithAlpha ? e.peFlags - a : 0;
        const long lDistance = dr * dr + dg * dg + db * db + da * da;
        if (lBest < 0 || lDistance < lBest)
        {
            lBest = lDistance;
            dwBest = i;
        }
    }
    return dwBest;
}

DWORD ReadWord(const BYTE* p, unsigned uBytes)
{
    DWORD dw = 0;
    for (unsigned i = 0; i < uBytes; ++i)
        dw |= static_cast<DWORD>(p[i]) << (8 * i);
    return dw;
}

void WriteWord(BYTE* p, unsigned uBytes, DWORD dw)
{
    for (unsigned i = 0; i < uBytes; ++i)
        p[i] = static_cast<BYTE>(dw >> (8 * i));
}

Texel DecodePlain(const FormatInfo& format, DWORD dwRaw, const PALETTEENTRY* pPalette)
{
    const float fMissing = format.bBump ? 1.0f : 0.0f;
    Texel t = {fMissing, fMissing, fMissing, 1.0f};
    bool bPaletteAlpha = true;
    for (const Channel& c : format.aChannels)
    {
        if (c.eKind == CHANNEL_NONE || c.eKind == CHANNEL_UNUSED)
            continue;
        const DWORD dwValue = (dwRaw >> c.uShift) & static_cast<DWORD>((1ull << c.uBits) - 1);
        const float f = DecodeChannel(dwValue, c);
        switch (c.eKind)
        {
        case CHANNEL_RED:
            t.r = f;
            break;
        case CHANNEL_GREEN:
            t.g = f;
            break;
        case CHANNEL_BLUE:
            t.b = f;
            break;
        case CHANNEL_ALPHA:
            t.a = f;
            bPaletteAlpha = false;
            break;
        case CHANNEL_LUMINANCE:
            t.r = t.g = t.b = f;
            break;
        case CHANNEL_INDEX:
        {
            const Texel p = PaletteColor(pPalette, dwValue);
            t.r = p.r;
            t.g = p.g;
            t.b = p.b;
            if (bPaletteAlpha)
                t.a = p.a;
            break;
        }
        default:
            break;
        }
    }
    return t;
}

DWORD EncodePlain(const FormatInfo& format, const Texel& t, const PALETTEENTRY* pPalette)
{
    bool bHasAlpha = false;
    for (const Channel& c : format.aChannels)
        bHasAlpha = bHasAlpha || c.eKind == CHANNEL_ALPHA;
    DWORD dwRaw = 0;
    for (const Channel& c : format.aChannels)
    {
        DWORD dwValue = 0;
        switch (c.eKind)
        {
        case CHANNEL_NONE:
            continue;
        case CHANNEL_RED:
            dwValue = EncodeChannel(t.r, c);
            break;
        case CHANNEL_GREEN:
            dwValue = EncodeChannel(t.g, c);
            break;
        case CHANNEL_BLUE:
            dwValue = EncodeChannel(t.b, c);
            break;
        case CHANNEL_ALPHA:
            dwValue = EncodeChannel(t.a, c);
            break;
        case CHANNEL_LUMINANCE:
            dwValue = EncodeChannel(Luminance(t), c);
            break;
        case CHANNEL_INDEX:
            dwValue = NearestIndex(pPalette, t, !bHasAlpha);
            break;
        case CHANNEL_UNUSED:
            dwValue = static_cast<DWORD>((1ull << c.uBits) - 1);
            break;
        }
        dwRaw |= dwValue << c.uShift;
    }
    return dwRaw;
}

// BT.601 studio range: Y 16..235, U and V 16..240 around 128.
void ToYuv(const Texel& t, float* pY, float* pU, float* pV)
{
    const float r = Clamp01(t.r);
    const float g = Clamp01(t.g);
    const float b = Clamp01(t.b);
    *pY = 16.0f + 219.0f * (0.299f * r + 0.587f * g + 0.114f * b);
    *pU = 128.0f + 224.0f * (-0.168736f * r - 0.331264f * g + 0.5f * b);
    *pV = 128.0f + 224.0f * (0.5f * r - 0.418688f * g - 0.081312f * b);
}

Texel FromYuv(int iY, int iU, int iV)
{
    const float y = (iY - 16) / 219.0f;
    const float u = (iU - 128) / 224.0f;
    const float v = (iV - 128) / 224.0f;
    return {Clamp01(y + 1.402f * v), Clamp01(y - 0.344136f * u - 0.714136f * v), Clamp01(y + 1.772f * u),
            1.0f};
}

BYTE ToByte(float f)
{
    return static_cast<BYTE>(std::lround(std::min(255.0f, std::max(0.0f, f))));
}

// Byte positions of Y0, U, Y1, V in a macropixel.
void YuvOrder(D3DFORMAT eFormat, int aiOrder[4])
{
    if (eFormat == D3DFMT_UYVY)
    {
        aiOrder[0] = 1;
        aiOrder[1] = 0;
        aiOrder[2] = 3;
        aiOrder[3] = 2;
    }
    else
    {
        aiOrder[0] = 0;
        aiOrder[1] = 1;
        aiOrder[2] = 2;
        aiOrder[3] = 3;
    }
}
} // namespace

const FormatInfo* FindFormat(D3DFORMAT eFormat)
{
    for (const FormatInfo& f : s_aFormats)
        if (f.eFormat == eFormat)
            return &f;
    return nullptr;
}

bool IsPalettized(const FormatInfo& format)
{
    for (const Channel& c : format.aChannels)
        if (c.eKind == CHANNEL_INDEX)
            return true;
    return false;
}

D3DCOLOR ToColor(const Texel& t)
{
    return (Quantize(t.a, 8) << 24) | (Quantize(t.r, 8) << 16) | (Quantize(t.g, 8) << 8) | Quantize(t.b, 8);
}

void DecodeRect(const FormatInfo& format, const BYTE* pBits, UINT uPitch, UINT x, UINT y, UINT w, UINT h,
                const PALETTEENTRY* pPalette, Texel* pOut)
{
    const UINT bw = format.uBlockWidth;
    const UINT bh = format.uBlockHeight;
    for (UINT by = 0; by < h; by += bh)
    {
        const BYTE* pRow = pBits + static_cast<size_t>((y + by) / bh) * uPitch;
        for (UINT bx = 0; bx < w; bx += bw)
        {
            const BYTE* pBlock = pRow + static_cast<size_t>((x + bx) / bw) * format.uBlockBytes;
            Texel* pAt = pOut + static_cast<size_t>(by) * w + bx;
            if (format.eLayout == LAYOUT_PLAIN)
                *pAt = DecodePlain(format, ReadWord(pBlock, format.uBlockBytes), pPalette);
            else if (format.eLayout == LAYOUT_YUV)
            {
                int aiOrder[4];
                YuvOrder(format.eFormat, aiOrder);
                pAt[0] = FromYuv(pBlock[aiOrder[0]], pBlock[aiOrder[1]], pBlock[aiOrder[3]]);
                pAt[1] = FromYuv(pBlock[aiOrder[2]], pBlock[aiOrder[1]], pBlock[aiOrder[3]]);
            }
            else
            {
                Texel aBlock[16];
                DecodeDxtBlock(format.eFormat, pBlock, aBlock);
                for (UINT r = 0; r < 4; ++r)
                    for (UINT c = 0; c < 4; ++c)
                        pAt[static_cast<size_t>(r) * w + c] = aBlock[r * 4 + c];
            }
        }
    }
}

void EncodeRect(const FormatInfo& format, BYTE* pBits, UINT uPitch, UINT x, UINT y, UINT w, UINT h,
                const PALETTEENTRY* pPalette, const Texel* pIn)
{
    const UINT bw = format.uBlockWidth;
    const UINT bh = format.uBlockHeight;
    for (UINT by = 0; by < h; by += bh)
    {
        BYTE* pRow = pBits + static_cast<size_t>((y + by) / bh) * uPitch;
        for (UINT bx = 0; bx < w; bx += bw)
        {
            BYTE* pBlock = pRow + static_cast<size_t>((x + bx) / bw) * format.uBlockBytes;
            const Texel* pAt = pIn + static_cast<size_t>(by) * w + bx;
            if (format.eLayout == LAYOUT_PLAIN)
                WriteWord(pBlock, format.uBlockBytes, EncodePlain(format, *pAt, pPalette));
            else if (format.eLayout == LAYOUT_YUV)
            {
                // Each texel keeps its own luma; the pair shares the mean chroma.
                float y0, u0, v0, y1, u1, v1;
                ToYuv(pAt[0], &y0, &u0, &v0);
                ToYuv(pAt[1], &y1, &u1, &v1);
                int aiOrder[4];
                YuvOrder(format.eFormat, aiOrder);
                pBlock[aiOrder[0]] = ToByte(y0);
                pBlock[aiOrder[1]] = ToByte((u0 + u1) * 0.5f);
                pBlock[aiOrder[2]] = ToByte(y1);
                pBlock[aiOrder[3]] = ToByte((v0 + v1) * 0.5f);
            }
            else
            {
                Texel aBlock[16];
                for (UINT r = 0; r < 4; ++r)
                    for (UINT c = 0; c < 4; ++c)
                        aBlock[r * 4 + c] = pAt[static_cast<size_t>(r) * w + c];
                EncodeDxtBlock(format.eFormat, aBlock, pBlock);
            }
        }
    }
}
} // namespace d3dx8
