#pragma once
// The engine's pixel-format codes: Direct3D 8 format numbers, except that the depth-stencil
// formats are numbered 70 to 76 in a row and the packed video and compressed formats get small
// codes of their own. 0 is unknown. Stored files and device records keep these numbers.

#include <cstdint>

enum QIRN_PixelFormat : uint32_t
{
    QIRN_FMT_UNKNOWN = 0,

    QIRN_FMT_R8G8B8 = 20,
    QIRN_FMT_A8R8G8B8 = 21,
    QIRN_FMT_X8R8G8B8 = 22,
    QIRN_FMT_R5G6B5 = 23,
    QIRN_FMT_X1R5G5B5 = 24,
    QIRN_FMT_A1R5G5B5 = 25,
    QIRN_FMT_A4R4G4B4 = 26,
    QIRN_FMT_R3G3B2 = 27,
    QIRN_FMT_A8 = 28,
    QIRN_FMT_A8R3G3B2 = 29,
    QIRN_FMT_X4R4G4B4 = 30,
    QIRN_FMT_A2B10G10R10 = 31,

    QIRN_FMT_A8P8 = 40,
    QIRN_FMT_P8 = 41,

    QIRN_FMT_L8 = 50,
    QIRN_FMT_A8L8 = 51,
    QIRN_FMT_A4L4 = 52,

    QIRN_FMT_V8U8 = 60,
    QIRN_FMT_L6V5U5 = 61,
    QIRN_FMT_X8L8V8U8 = 62,
    QIRN_FMT_Q8W8V8U8 = 63,
    QIRN_FMT_V16U16 = 64,
    QIRN_FMT_W11V11U10 = 65,
    QIRN_FMT_UYVY = 66,
    QIRN_FMT_YUY2 = 67,

    QIRN_FMT_D16_LOCKABLE = 70,
    QIRN_FMT_D32 = 71,
    QIRN_FMT_D15S1 = 72,
    QIRN_FMT_D24S8 = 73,
    QIRN_FMT_D16 = 74,
    QIRN_FMT_D24X8 = 75,
    QIRN_FMT_D24X4S4 = 76,

    QIRN_FMT_VERTEXDATA = 80,
    QIRN_FMT_INDEX16 = 81,
    QIRN_FMT_INDEX32 = 82,

    QIRN_FMT_DXT1 = 101,
    QIRN_FMT_DXT2 = 102,
    QIRN_FMT_DXT3 = 103,
    QIRN_FMT_DXT4 = 104,
    QIRN_FMT_DXT5 = 105,
};
