#include "qirn_pixelformat_dx8.h"

namespace
{
struct FormatPair
{
    uint32_t eEngine;
    D3DFORMAT eD3D;
};

// Codes that differ from the Direct3D number; every other listed code is the same number.
const FormatPair s_aRenamed[] = {
    {QIRN_FMT_UYVY, D3DFMT_UYVY},       {QIRN_FMT_YUY2, D3DFMT_YUY2},
    {QIRN_FMT_D15S1, D3DFMT_D15S1},     {QIRN_FMT_D24S8, D3DFMT_D24S8},
    {QIRN_FMT_D16, D3DFMT_D16},         {QIRN_FMT_D24X8, D3DFMT_D24X8},
    {QIRN_FMT_D24X4S4, D3DFMT_D24X4S4}, {QIRN_FMT_VERTEXDATA, D3DFMT_VERTEXDATA},
    {QIRN_FMT_INDEX16, D3DFMT_INDEX16}, {QIRN_FMT_INDEX32, D3DFMT_INDEX32},
    {QIRN_FMT_DXT1, D3DFMT_DXT1},       {QIRN_FMT_DXT2, D3DFMT_DXT2},
    {QIRN_FMT_DXT3, D3DFMT_DXT3},       {QIRN_FMT_DXT4, D3DFMT_DXT4},
    {QIRN_FMT_DXT5, D3DFMT_DXT5},
};

bool IsSameNumber(uint32_t eFormat)
{
    return (eFormat >= 20 && eFormat <= 31) || eFormat == 40 || eFormat == 41 ||
           (eFormat >= 50 && eFormat <= 52) || (eFormat >= 60 && eFormat <= 65) || eFormat == 70 ||
           eFormat == 71;
}
} // namespace

D3DFORMAT QIRN_ToD3DFormat(uint32_t eFormat)
{
    if (IsSameNumber(eFormat))
    {
        return static_cast<D3DFORMAT>(eFormat);
    }
    for (const FormatPair& oPair : s_aRenamed)
    {
        if (oPair.eEngine == eFormat)
        {
            return oPair.eD3D;
        }
    }
    if (eFormat == QIRN_FMT_VENDOR8)
    {
        return QIRN_D3DFMT_VENDOR8;
    }
    if (eFormat == QIRN_FMT_VENDOR16)
    {
        return QIRN_D3DFMT_VENDOR16;
    }
    return D3DFMT_UNKNOWN;
}

QIRN_PixelFormat QIRN_FromD3DFormat(D3DFORMAT eFormat)
{
    if (IsSameNumber(static_cast<uint32_t>(eFormat)))
    {
        return static_cast<QIRN_PixelFormat>(eFormat);
    }
    for (const FormatPair& oPair : s_aRenamed)
    {
        if (oPair.eD3D == eFormat)
        {
            return static_cast<QIRN_PixelFormat>(oPair.eEngine);
        }
    }
    return QIRN_FMT_UNKNOWN;
}

uint32_t QIRN_D3DFormatBits(D3DFORMAT eFormat)
{
    switch (static_cast<uint32_t>(eFormat))
    {
    case D3DFMT_R8G8B8:
        return 24;
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
    case D3DFMT_A2B10G10R10:
    case D3DFMT_X8L8V8U8:
    case D3DFMT_Q8W8V8U8:
    case D3DFMT_V16U16:
    case D3DFMT_W11V11U10:
    case D3DFMT_D32:
    case D3DFMT_D24S8:
    case D3DFMT_D24X8:
    case D3DFMT_D24X4S4:
        return 32;
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A4R4G4B4:
    case D3DFMT_A8R3G3B2:
    case D3DFMT_X4R4G4B4:
    case D3DFMT_A8P8:
    case D3DFMT_A8L8:
    case D3DFMT_V8U8:
    case D3DFMT_L6V5U5:
    case D3DFMT_D16_LOCKABLE:
    case D3DFMT_D15S1:
    case D3DFMT_D16:
    case QIRN_D3DFMT_VENDOR16:
        return 16;
    case D3DFMT_R3G3B2:
    case D3DFMT_A8:
    case D3DFMT_P8:
    case D3DFMT_L8:
    case D3DFMT_A4L4:
    case QIRN_D3DFMT_VENDOR8:
        return 8;
    default:
        return 0;
    }
}

bool QIRN_DepthFormatHasStencil(uint32_t eFormat)
{
    return eFormat == QIRN_FMT_D15S1 || eFormat == QIRN_FMT_D24S8 || eFormat == QIRN_FMT_D24X4S4;
}
