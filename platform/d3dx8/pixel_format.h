#pragma once
// The texel formats the surface loaders read and write, and their conversion to and from colour
// values (red, green, blue, alpha as floats 0 to 1).

#include <d3d8.h>

namespace d3dx8
{
struct Texel
{
    float r, g, b, a;
};

enum FormatLayout
{
    LAYOUT_PLAIN, // one texel in 1 to 4 bytes
    LAYOUT_YUV,   // two texels share a 4-byte macropixel
    LAYOUT_DXT,   // 4 x 4 texels in an 8- or 16-byte block
};

enum ChannelKind
{
    CHANNEL_NONE,
    CHANNEL_RED,       // also U of the bump formats
    CHANNEL_GREEN,     // also V
    CHANNEL_BLUE,      // also W and the luminance of the bump-luminance formats
    CHANNEL_ALPHA,     // also Q
    CHANNEL_LUMINANCE, // grey: red, green and blue alike
    CHANNEL_INDEX,     // palette index
    CHANNEL_UNUSED,    // X bits: written as ones, ignored when read
};

struct Channel
{
    ChannelKind eKind;
    unsigned uShift;
    unsigned uBits;
    bool bSigned;
};

struct FormatInfo
{
    D3DFORMAT eFormat;
    FormatLayout eLayout;
    unsigned uBlockWidth;
    unsigned uBlockHeight;
    unsigned uBlockBytes;
    bool bBump; // missing colour channels read as 1, not 0
    Channel aChannels[4];
};

// NULL for a format that is not converted.
const FormatInfo* FindFormat(D3DFORMAT eFormat);
bool IsPalettized(const FormatInfo& format);

// Texel rectangles of an image stored as rows of blocks, pBits being its first row. x, y, w and h
// are multiples of the block size; texels go row by row, w x h of them.
void DecodeRect(const FormatInfo& format, const BYTE* pBits, UINT uPitch, UINT x, UINT y, UINT w, UINT h,
                const PALETTEENTRY* pPalette, Texel* pOut);
void EncodeRect(const FormatInfo& format, BYTE* pBits, UINT uPitch, UINT x, UINT y, UINT w, UINT h,
                const PALETTEENTRY* pPalette, const Texel* pIn);

// A texel as A8R8G8B8, rounding each channel.
D3DCOLOR ToColor(const Texel& texel);
} // namespace d3dx8
