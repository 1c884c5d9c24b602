// The engine's codes as Direct3D 8 values: every converter's table, its unknown marker, and the
// pixel-format maps.
#include "qirn_convertenums_dx8.h"
#include "qirn_pixelformat_dx8.h"
#include "qirn_shader_dx8.h"

#include <d3d8.h>

#include <gtest/gtest.h>

#include <vector>

namespace
{
struct Table
{
    const char* szName;
    uint32_t (*pfnConvert)(uint32_t);
    std::vector<uint32_t> vExpected; // index = engine code
    uint32_t dwUnknown;
};

uint32_t TextureArgNoFlags(uint32_t e)
{
    return ConvertTextureArg(e, 0);
}

std::vector<uint32_t> Range(uint32_t dwFirst, uint32_t dwCount)
{
    std::vector<uint32_t> v;
    for (uint32_t i = 0; i < dwCount; ++i)
        v.push_back(dwFirst + i);
    return v;
}
} // namespace

TEST(Dx8Enums, EveryTableAndItsUnknownMarker)
{
    const Table aTables[] = {
        {"texture op", ConvertTextureOp, Range(D3DTOP_DISABLE, 26), QIRN_DX8_NOTSET},
        {"texture arg",
         TextureArgNoFlags,
         {D3DTA_CURRENT, D3DTA_DIFFUSE, D3DTA_SELECTMASK, D3DTA_SPECULAR, D3DTA_TEMP, D3DTA_TEXTURE,
          D3DTA_TFACTOR},
         QIRN_DX8_INVALID},
        {"address", ConvertTextureAddress, Range(D3DTADDRESS_WRAP, 5), QIRN_DX8_NOTSET},
        {"filter", ConvertTextureFilter, Range(D3DTEXF_NONE, 6), QIRN_DX8_NOTSET},
        {"coordinate generation",
         ConvertTexCoordGeneration,
         {D3DTSS_TCI_PASSTHRU, D3DTSS_TCI_PASSTHRU, D3DTSS_TCI_CAMERASPACENORMAL,
          D3DTSS_TCI_CAMERASPACEPOSITION, D3DTSS_TCI_CAMERASPACEREFLECTIONVECTOR},
         QIRN_DX8_INVALID},
        {"transform flags", ConvertTextureTransformFlags, Range(D3DTTFF_DISABLE, 5), QIRN_DX8_NOTSET},
        {"blend", ConvertBlend, Range(D3DBLEND_ZERO, 13), QIRN_DX8_NOTSET},
        {"compare", ConvertCompareFunc, Range(D3DCMP_NEVER, 8), QIRN_DX8_NOTSET},
        {"cull and shade", ConvertCullMode, Range(D3DCULL_NONE, 3), QIRN_DX8_NOTSET},
        {"fill",
         ConvertFillMode,
         {QIRN_DX8_NOTSET, D3DFILL_SOLID, D3DFILL_WIREFRAME, D3DFILL_POINT},
         QIRN_DX8_NOTSET},
        {"stencil op", ConvertStencilOp, Range(D3DSTENCILOP_KEEP, 8), QIRN_DX8_NOTSET},
        {"patch edge",
         ConvertPatchEdgeStyle,
         {D3DPATCHEDGE_DISCRETE, D3DPATCHEDGE_CONTINUOUS},
         QIRN_DX8_NOTSET},
        {"patch order",
         ConvertPatchOrder,
         {D3DORDER_LINEAR, D3DORDER_CUBIC, D3DORDER_QUINTIC},
         QIRN_DX8_NOTSET},
        {"patch basis",
         ConvertPatchBasis,
         {D3DBASIS_BEZIER, D3DBASIS_BSPLINE, D3DBASIS_INTERPOLATE},
         QIRN_DX8_NOTSET},
        {"console fill",
         ConvertConsoleFillMode,
         {D3DFILL_SOLID, D3DFILL_SOLID, D3DFILL_WIREFRAME, D3DFILL_POINT},
         D3DFILL_SOLID},
        {"fog", ConvertFogMode, {D3DFOG_EXP, D3DFOG_EXP2, D3DFOG_LINEAR}, D3DFOG_NONE},
    };
    for (const Table& t : aTables)
    {
        for (uint32_t e = 0; e < t.vExpected.size(); ++e)
        {
            EXPECT_EQ(t.pfnConvert(e), t.vExpected[e]) << t.szName << " " << e;
        }
        EXPECT_EQ(t.pfnConvert(static_cast<uint32_t>(t.vExpected.size())), t.dwUnknown) << t.szName;
        EXPECT_EQ(t.pfnConvert(0xFFFFFFFF), t.dwUnknown) << t.szName;
    }
}

TEST(Dx8Enums, TextureArgumentFlagsAndTransformBits)
{
    EXPECT_EQ(ConvertTextureArg(5, 3), 0x32u);
    EXPECT_EQ(ConvertTextureArg(5, 1), static_cast<uint32_t>(D3DTA_TEXTURE | D3DTA_COMPLEMENT));
    EXPECT_EQ(ConvertTextureArg(1, 2), static_cast<uint32_t>(D3DTA_DIFFUSE | D3DTA_ALPHAREPLICATE));
    EXPECT_EQ(ConvertTextureArg(5, 4), static_cast<uint32_t>(D3DTA_TEXTURE));
    EXPECT_EQ(ConvertTextureArg(7, 3), QIRN_DX8_INVALID);
    EXPECT_EQ(ConvertTextureTransformFlags(0x103), 0x103u);
    EXPECT_EQ(ConvertTextureTransformFlags(0x1202), 0x2u);
    EXPECT_EQ(ConvertTextureTransformFlags(0x105), QIRN_DX8_NOTSET);
}

TEST(Dx8PixelFormats, BothDirections)
{
    struct Case
    {
        uint32_t eEngine;
        D3DFORMAT eD3D;
    };
    const Case aCases[] = {
        {QIRN_FMT_R8G8B8, D3DFMT_R8G8B8},
        {QIRN_FMT_A8R8G8B8, D3DFMT_A8R8G8B8},
        {QIRN_FMT_A2B10G10R10, D3DFMT_A2B10G10R10},
        {QIRN_FMT_P8, D3DFMT_P8},
        {QIRN_FMT_A4L4, D3DFMT_A4L4},
        {QIRN_FMT_W11V11U10, D3DFMT_W11V11U10},
        {QIRN_FMT_UYVY, D3DFMT_UYVY},
        {QIRN_FMT_YUY2, D3DFMT_YUY2},
        {QIRN_FMT_D16_LOCKABLE, D3DFMT_D16_LOCKABLE},
        {QIRN_FMT_D32, D3DFMT_D32},
        {QIRN_FMT_D15S1, D3DFMT_D15S1},
        {QIRN_FMT_D24S8, D3DFMT_D24S8},
        {QIRN_FMT_D16, D3DFMT_D16},
        {QIRN_FMT_D24X8, D3DFMT_D24X8},
        {QIRN_FMT_D24X4S4, D3DFMT_D24X4S4},
        {QIRN_FMT_VERTEXDATA, D3DFMT_VERTEXDATA},
        {QIRN_FMT_INDEX16, D3DFMT_INDEX16},
        {QIRN_FMT_INDEX32, D3DFMT_INDEX32},
        {QIRN_FMT_DXT1, D3DFMT_DXT1},
        {QIRN_FMT_DXT5, D3DFMT_DXT5},
    };
    for (const Case& c : aCases)
    {
        EXPECT_EQ(QIRN_ToD3DFormat(c.eEngine), c.eD3D) << c.eEngine;
        EXPECT_EQ(QIRN_FromD3DFormat(c.eD3D), c.eEngine) << c.eEngine;
    }
    // The vendor formats go one way only; unknown codes are 0 both ways.
    EXPECT_EQ(QIRN_ToD3DFormat(QIRN_FMT_VENDOR8), QIRN_D3DFMT_VENDOR8);
    EXPECT_EQ(QIRN_FromD3DFormat(QIRN_D3DFMT_VENDOR8), QIRN_FMT_UNKNOWN);
    for (uint32_t e : {0u, 19u, 32u, 42u, 53u, 69u, 77u, 100u, 106u, 206u})
    {
        EXPECT_EQ(QIRN_ToD3DFormat(e), D3DFMT_UNKNOWN) << e;
    }
    EXPECT_EQ(QIRN_FromD3DFormat(static_cast<D3DFORMAT>(72)), QIRN_FMT_UNKNOWN);
    EXPECT_EQ(QIRN_FromD3DFormat(static_cast<D3DFORMAT>(76)), QIRN_FMT_UNKNOWN);
}

TEST(Dx8PixelFormats, BitsAndStencil)
{
    EXPECT_EQ(QIRN_D3DFormatBits(D3DFMT_R8G8B8), 24u);
    EXPECT_EQ(QIRN_D3DFormatBits(D3DFMT_X8R8G8B8), 32u);
    EXPECT_EQ(QIRN_D3DFormatBits(D3DFMT_D24X4S4), 32u);
    EXPECT_EQ(QIRN_D3DFormatBits(D3DFMT_R5G6B5), 16u);
    EXPECT_EQ(QIRN_D3DFormatBits(D3DFMT_P8), 8u);
    EXPECT_EQ(QIRN_D3DFormatBits(QIRN_D3DFMT_VENDOR16), 16u);
    EXPECT_EQ(QIRN_D3DFormatBits(D3DFMT_DXT1), 0u);
    for (uint32_t e = 70; e <= 76; ++e)
    {
        EXPECT_EQ(QIRN_DepthFormatHasStencil(e), e == 72 || e == 73 || e == 76) << e;
    }
}

TEST(Dx8Textures, KeyNamesTypeFormatLevelsAndName)
{
    EXPECT_EQ(QIRN_MakeTextureKey(2, 21, 3, "Rock.tga"), "2_21_3_Rock.tga");
}
