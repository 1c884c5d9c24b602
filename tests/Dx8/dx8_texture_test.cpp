// Textures made from bitmaps, the texel conversion, render targets and the BMP writer.
#include "dx8_test_support.h"
#include "qirn_pixelformat_dx8.h"
#include "qirn_rendertarget.h"
#include "qirn_texture_dx8.h"

#include "d3dx8.h"

#include <gtest/gtest.h>

#include <vector>

using dx8_test::MakeBitmap;
using dx8_test::Near;

namespace
{
std::vector<uint8_t> Convert(D3DFORMAT eFormat, uint32_t dwRows, uint32_t dwColumns, int32_t iBytes,
                             const std::vector<uint8_t>& vTexels, uint32_t dwDestSize)
{
    std::vector<uint8_t> vOut(dwRows * dwColumns * dwDestSize, 0xEE);
    EXPECT_EQ(CopyDataToSurface(dwRows, dwColumns, vOut.data(), static_cast<int32_t>(dwColumns * dwDestSize),
                                eFormat, iBytes, vTexels.data()),
              OK);
    return vOut;
}
} // namespace

TEST(Dx8TexelCopy, ThreeByteImagesIntoThirtyTwoBitsAdvanceByTheDestinationTexel)
{
    const std::vector<uint8_t> vOut = Convert(D3DFMT_A8R8G8B8, 1, 2, 3, {10, 20, 30, 40, 50, 60}, 4);
    EXPECT_EQ(vOut, (std::vector<uint8_t>{30, 20, 10, 255, 60, 50, 40, 255}));
    const std::vector<uint8_t> vAlpha = Convert(D3DFMT_X8R8G8B8, 1, 1, 4, {1, 2, 3, 4}, 4);
    EXPECT_EQ(vAlpha, (std::vector<uint8_t>{3, 2, 1, 4}));
}

TEST(Dx8TexelCopy, PackedFormats)
{
    struct Case
    {
        D3DFORMAT eFormat;
        int32_t iBytes;
        std::vector<uint8_t> vTexel;
        std::vector<uint8_t> vExpected;
    };
    const Case aCases[] = {
        {D3DFMT_R8G8B8, 4, {0x11, 0x22, 0x33, 0x44}, {0x33, 0x22, 0x11}},
        // 0xF8 >> 3 = 31 red, 0x84 >> 2 = 33 green, 0x10 >> 3 = 2 blue
        {D3DFMT_R5G6B5, 3, {0xF8, 0x84, 0x10}, {0x22, 0xFC}},
        {D3DFMT_A1R5G5B5, 4, {0xF8, 0x08, 0x10, 0x80}, {0x22, 0xFC}},
        {D3DFMT_X1R5G5B5, 3, {0xF8, 0x08, 0x10}, {0x22, 0x7C}},
        {D3DFMT_A4R4G4B4, 4, {0x10, 0x20, 0x30, 0x40}, {0x23, 0x41}},
        {D3DFMT_A2B10G10R10, 4, {0x10, 0x20, 0x30, 0x40}, {0x01, 0x20, 0x00, 0x43}},
        {D3DFMT_L8, 3, {30, 60, 90}, {60}},
        {D3DFMT_A8L8, 4, {70, 1, 2, 99}, {70, 99}},
        {D3DFMT_A8L8, 3, {70, 1, 2}, {70, 0}},
    };
    for (const Case& c : aCases)
    {
        EXPECT_EQ(Convert(c.eFormat, 1, 1, c.iBytes, c.vTexel, static_cast<uint32_t>(c.vExpected.size())),
                  c.vExpected)
            << c.eFormat;
    }
}

TEST(Dx8TexelCopy, BumpMapsDifferenceNeighboursAndTheEdgeUsesItsOwnHeight)
{
    // Heights (red) 10 40 / 100 7.
    const std::vector<uint8_t> vTexels = {10, 0, 0, 40, 0, 0, 100, 0, 0, 7, 0, 0};
    const std::vector<uint8_t> vOut = Convert(D3DFMT_V8U8, 2, 2, 3, vTexels, 2);
    EXPECT_EQ(static_cast<int8_t>(vOut[0]), (10 - 100) / 2);
    EXPECT_EQ(static_cast<int8_t>(vOut[1]), (10 - 40) / 2);
    // Last column: the right neighbour is the texel itself.
    EXPECT_EQ(static_cast<int8_t>(vOut[2]), (40 - 7) / 2);
    EXPECT_EQ(static_cast<int8_t>(vOut[3]), 0);
    // Last row: the lower neighbour is the texel itself.
    EXPECT_EQ(static_cast<int8_t>(vOut[4]), 0);
    EXPECT_EQ(static_cast<int8_t>(vOut[5]), (100 - 7) / 2);
}

TEST(Dx8TexelCopy, NoTexelsAndUnknownFormats)
{
    qirn_test::LogCapture oLog;
    uint8_t abyOut[4] = {1, 2, 3, 4};
    EXPECT_EQ(CopyDataToSurface(1, 1, abyOut, 4, D3DFMT_A8R8G8B8, 4, nullptr), GENERICERROR);
    EXPECT_TRUE(oLog.Contains("*** CopyDataToSurface() - pRGBA is NULL\n"));
    const uint8_t abyTexel[4] = {9, 9, 9, 9};
    EXPECT_EQ(CopyDataToSurface(1, 1, abyOut, 4, D3DFMT_DXT1, 4, abyTexel), OK);
    EXPECT_EQ(abyOut[0], 1);
}

class Dx8TextureTest : public dx8_test::RendererTest
{
protected:
    void SetUp() override
    {
        RendererTest::SetUp();
        BringUp();
    }

    QIRN_Texture_DX8* Texture(uint32_t dwType, const QIRN_Bitmap& roBitmap)
    {
        return m_poGraphics->GetTexture(
            QIRN_MakeTextureKey(dwType, roBitmap.m_eFormat, roBitmap.m_dwNumMipLevels, roBitmap.GetName()));
    }

    // A texel of a surface as A8R8G8B8 (converted when the surface has another format).
    uint32_t SurfaceTexel(IDirect3DSurface8* pSurface, int x, int y)
    {
        D3DSURFACE_DESC oDesc = {};
        pSurface->GetDesc(&oDesc);
        IDirect3DSurface8* pCopy = nullptr;
        uint32_t dwColor = 0xDEADBEEF;
        if (SUCCEEDED(m_poGraphics->GetDevice()->CreateImageSurface(oDesc.Width, oDesc.Height,
                                                                    D3DFMT_A8R8G8B8, &pCopy)) &&
            SUCCEEDED(D3DXLoadSurfaceFromSurface(pCopy, nullptr, nullptr, pSurface, nullptr, nullptr,
                                                 D3DX_FILTER_NONE, 0)))
        {
            D3DLOCKED_RECT oLocked = {};
            if (SUCCEEDED(pCopy->LockRect(&oLocked, nullptr, D3DLOCK_READONLY)))
            {
                dwColor = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(oLocked.pBits) +
                                                            y * oLocked.Pitch)[x];
                pCopy->UnlockRect();
            }
        }
        if (pCopy)
            pCopy->Release();
        return dwColor;
    }
};

TEST_F(Dx8TextureTest, TwoDimensionalTexturesKeepEveryLevel)
{
    auto poBitmap = MakeBitmap(1, 2, 8, 8, 4, {0xFF000080, 0x00FF00FF});
    poBitmap->m_eFormat = QIRN_FMT_A8R8G8B8;
    ASSERT_EQ(m_poGraphics->ConvertTexture(poBitmap.get(), 2), OK);
    QIRN_2DTexture_DX8* poTexture = dynamic_cast<QIRN_2DTexture_DX8*>(Texture(2, *poBitmap));
    ASSERT_NE(poTexture, nullptr);
    ASSERT_EQ(poTexture->m_p2DTexture->GetLevelCount(), 2u);
    for (UINT i = 0; i < 2; ++i)
    {
        IDirect3DSurface8* pLevel = nullptr;
        ASSERT_EQ(poTexture->m_p2DTexture->GetSurfaceLevel(i, &pLevel), D3D_OK);
        EXPECT_EQ(SurfaceTexel(pLevel, 1, 1), i == 0 ? 0x80FF0000u : 0xFF00FF00u) << i;
        pLevel->Release();
    }
    // A second conversion of the same key keeps the one texture.
    EXPECT_EQ(m_poGraphics->ConvertTexture(poBitmap.get(), 2), OK);
    EXPECT_EQ(Texture(2, *poBitmap), poTexture);
}

TEST_F(Dx8TextureTest, FormatsOfEveryPathReadBack)
{
    struct Case
    {
        uint32_t eFormat;
        uint32_t dwBytes;
        uint32_t dwExpected;
        int iTolerance;
    };
    const Case aCases[] = {
        {QIRN_FMT_X8R8G8B8, 3, 0x00204060, 0},
        {QIRN_FMT_R5G6B5, 4, 0x00204060, 8},
        {QIRN_FMT_A4R4G4B4, 4, 0x00204060, 16},
        // Not written by the texel copy: converted by the D3DX8 loader.
        {QIRN_FMT_DXT1, 4, 0x00204060, 8},
    };
    for (const Case& c : aCases)
    {
        auto poBitmap = MakeBitmap(1, 1, 8, 8, c.dwBytes, {0x204060FF});
        poBitmap->m_eFormat = static_cast<QIRN_PixelFormat>(c.eFormat);
        ASSERT_EQ(m_poGraphics->ConvertTexture(poBitmap.get(), 2), OK) << c.eFormat;
        QIRN_2DTexture_DX8* poTexture = dynamic_cast<QIRN_2DTexture_DX8*>(Texture(2, *poBitmap));
        ASSERT_NE(poTexture, nullptr);
        IDirect3DSurface8* pLevel = nullptr;
        ASSERT_EQ(poTexture->m_p2DTexture->GetSurfaceLevel(0, &pLevel), D3D_OK);
        EXPECT_TRUE(Near(SurfaceTexel(pLevel, 2, 2) & 0xFFFFFF, c.dwExpected, c.iTolerance))
            << c.eFormat << std::hex << " " << SurfaceTexel(pLevel, 2, 2);
        pLevel->Release();
    }
}

TEST_F(Dx8TextureTest, VolumesKeepEachSlice)
{
    auto poBitmap =
        MakeBitmap(6, 1, 4, 4, 4, {0x100000FF, 0x200000FF, 0x300000FF, 0x400000FF, 0x500000FF, 0x600000FF});
    poBitmap->m_eFormat = QIRN_FMT_A8R8G8B8;
    ASSERT_EQ(m_poGraphics->ConvertTexture(poBitmap.get(), 1), OK);
    QIRN_3DTexture_DX8* poTexture = dynamic_cast<QIRN_3DTexture_DX8*>(Texture(1, *poBitmap));
    ASSERT_NE(poTexture, nullptr);
    EXPECT_EQ(poTexture->m_dwNumSlices, 6u);
    D3DLOCKED_BOX oBox = {};
    ASSERT_EQ(poTexture->m_pVolumeTexture->LockBox(0, &oBox, nullptr, D3DLOCK_READONLY), D3D_OK);
    for (uint32_t z = 0; z < 6; ++z)
    {
        const uint32_t dwTexel = *reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(oBox.pBits) +
                                                                    z * oBox.SlicePitch + oBox.RowPitch + 4);
        EXPECT_EQ(dwTexel, 0xFF000000u | ((z + 1) * 0x10) << 16) << z;
    }
    poTexture->m_pVolumeTexture->UnlockBox(0);
}

TEST_F(Dx8TextureTest, CubeMapsKeepEachFaceEvenInFormatsTheCopyCannotWrite)
{
    const std::vector<uint32_t> vFaces = {0xFF0000FF, 0x00FF00FF, 0x0000FFFF,
                                          0xFFFF00FF, 0x00FFFFFF, 0xFF00FFFF};
    for (uint32_t eFormat : {static_cast<uint32_t>(QIRN_FMT_X8R8G8B8), static_cast<uint32_t>(QIRN_FMT_DXT1)})
    {
        auto poBitmap = MakeBitmap(6, 1, 8, 8, 4, vFaces);
        poBitmap->m_eFormat = static_cast<QIRN_PixelFormat>(eFormat);
        ASSERT_EQ(m_poGraphics->ConvertTexture(poBitmap.get(), 0), OK) << eFormat;
        QIRN_CubeTexture_DX8* poTexture = dynamic_cast<QIRN_CubeTexture_DX8*>(Texture(0, *poBitmap));
        ASSERT_NE(poTexture, nullptr);
        for (uint32_t f = 0; f < 6; ++f)
        {
            IDirect3DSurface8* pFace = nullptr;
            ASSERT_EQ(
                poTexture->m_pCubeTexture->GetCubeMapSurface(static_cast<D3DCUBEMAP_FACES>(f), 0, &pFace),
                D3D_OK);
            EXPECT_TRUE(Near(SurfaceTexel(pFace, 3, 3) & 0xFFFFFF, vFaces[f] >> 8, 8))
                << eFormat << " face " << f;
            pFace->Release();
        }
    }
}

TEST_F(Dx8TextureTest, BitmapsOfTheWrongShapeAreRefused)
{
    struct Case
    {
        int iType;
        uint32_t dwLayers;
        uint32_t dwLevels;
        QIRN_ErrorCode eResult;
        const char* szLog;
    };
    const Case aCases[] = {
        {0, 5, 1, D3DCREATETEXTURE_FAILED,
         "*** QIRN_CubeTexture_DX8::LoadFromMemory() - poBitmap->GetNumberOfSlices != 6\n"},
        {1, 3, 1, GENERICERROR,
         "*** QIRN_3DTexture_DX8::LoadFromMemory() - poBitmap->GetNumberOfSlices() < 4\n"},
        {1, 6, 2, GENERICERROR,
         "*** QIRN_3DTexture_DX8::LoadFromMemory() - Slice count must be a pow of 2 for mipped volumes\n"},
        {4, 1, 1, GENERICERROR, "*** QIRN_Graphics_DX8::ConvertTexture() - Unknown texture type 4\n"},
    };
    for (const Case& c : aCases)
    {
        m_oLog.Clear();
        auto poBitmap = MakeBitmap(c.dwLayers, c.dwLevels, 8, 8, 4, {0x808080FF});
        poBitmap->m_eFormat = QIRN_FMT_A8R8G8B8;
        EXPECT_EQ(m_poGraphics->ConvertTexture(poBitmap.get(), c.iType), c.eResult) << c.szLog;
        EXPECT_TRUE(m_oLog.Contains(c.szLog)) << m_oLog.All();
        EXPECT_EQ(Texture(static_cast<uint32_t>(c.iType), *poBitmap), nullptr);
    }
}

TEST_F(Dx8TextureTest, RenderTargetsAreDrawnIntoAndSampled)
{
    EXPECT_EQ(QIRN_RenderTarget_DX8::SetRTBackBuffer(), OK);
    QIRN_RenderTarget oScene;
    oScene.m_strName = "Scene";
    oScene.m_strUpdateFunction = "Update1";
    oScene.m_dwWidth = 32;
    oScene.m_dwHeight = 32;
    oScene.m_eFormat = QIRN_FMT_A8R8G8B8;
    oScene.m_eZBufferFormat = QIRN_FMT_D24S8;
    QIRN_RenderTarget oLoose;
    oLoose.m_strName = "Loose";
    oLoose.m_dwWidth = 16;
    oLoose.m_dwHeight = 16;
    oLoose.m_eFormat = QIRN_FMT_X8R8G8B8;
    oLoose.m_bCreateZBuffer = false;
    ASSERT_EQ(m_poGraphics->CreateRenderTarget(&oScene), OK);
    ASSERT_EQ(m_poGraphics->CreateRenderTarget(&oLoose), OK);
    // "Update1" draws a frame into its target; the target without function logs and the other
    // is still drawn.
    EXPECT_EQ(m_poGraphics->UpdateRenderTargets(nullptr, nullptr), OK);
    EXPECT_TRUE(
        m_oLog.Contains("QIRN_RenderTarget_DX8 :: Update() - No user-defined update function provided!\n"));

    IDirect3DDevice8* pDevice = m_poGraphics->GetDevice();
    pDevice->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    QIRN_Texture_DX8* poTarget = m_poGraphics->GetTexture("Scene");
    ASSERT_NE(poTarget, nullptr);
    struct Vertex
    {
        float x, y, z, rhw, u, v;
    };
    const float W = static_cast<float>(WIDTH), H = static_cast<float>(HEIGHT);
    const Vertex aQuad[4] = {
        {0, 0, 0.5f, 1, 0, 0}, {W, 0, 0.5f, 1, 1, 0}, {0, H, 0.5f, 1, 0, 1}, {W, H, 0.5f, 1, 1, 1}};
    pDevice->BeginScene();
    pDevice->SetRenderState(D3DRS_ZENABLE, FALSE);
    pDevice->SetRenderState(D3DRS_LIGHTING, FALSE);
    pDevice->SetTexture(0, poTarget->m_pTexture);
    pDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    pDevice->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    pDevice->SetVertexShader(D3DFVF_XYZRHW | D3DFVF_TEX1);
    ASSERT_EQ(pDevice->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, aQuad, sizeof(Vertex)), D3D_OK);
    pDevice->EndScene();
    pDevice->SetTexture(0, nullptr);
    EXPECT_TRUE(Near(BackBufferPixel(WIDTH / 2, HEIGHT / 2), QIRN_DX8_CLEARCOLOR & 0xFFFFFF))
        << std::hex << BackBufferPixel(WIDTH / 2, HEIGHT / 2);
    // The back buffer is the target again.
    IDirect3DSurface8* pCurrent = nullptr;
    IDirect3DSurface8* pBack = nullptr;
    pDevice->GetRenderTarget(&pCurrent);
    pDevice->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &pBack);
    EXPECT_EQ(pCurrent, pBack);
    pCurrent->Release();
    pBack->Release();
}

TEST_F(Dx8TextureTest, BmpFilesHoldPaddedBottomUpRows)
{
    IDirect3DSurface8* pSurface = nullptr;
    ASSERT_EQ(m_poGraphics->GetDevice()->CreateImageSurface(4, 4, D3DFMT_X8R8G8B8, &pSurface), D3D_OK);
    D3DLOCKED_RECT oLocked = {};
    ASSERT_EQ(pSurface->LockRect(&oLocked, nullptr, 0), D3D_OK);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(oLocked.pBits) + y * oLocked.Pitch)[x] =
                static_cast<uint32_t>(y * 16 + x);
    pSurface->UnlockRect();
    const RECT oArea = {1, 1, 4, 3};
    ASSERT_EQ(SaveDDSToBMPFile(pSurface, "area.bmp", &oArea), OK);
    EXPECT_TRUE(m_oLog.Contains("Saved area.bmp\n"));
    const dx8_test::Image oImage = dx8_test::ReadBmp("area.bmp");
    ASSERT_TRUE(oImage.bRead);
    EXPECT_EQ(oImage.iWidth, 3);
    EXPECT_EQ(oImage.iHeight, 2);
    EXPECT_EQ(oImage.dwImageSize, 24u);
    EXPECT_EQ(oImage.dwFileSize, 82u);
    EXPECT_EQ(qirn_test::ReadFile("area.bmp").size(), 82u);
    EXPECT_EQ(oImage.At(0, 0), 0x11u);
    EXPECT_EQ(oImage.At(2, 1), 0x23u);

    // A file that cannot be made, and a surface that is not 32-bit, leave nothing behind.
    EXPECT_EQ(SaveDDSToBMPFile(pSurface, "no such folder\\dump.bmp", nullptr), FILEERROR);
    EXPECT_TRUE(m_oLog.Contains("*** SaveDDSToBMPFile() - Could not create file!\n"));
    pSurface->Release();
    ASSERT_EQ(m_poGraphics->GetDevice()->CreateImageSurface(4, 4, D3DFMT_R5G6B5, &pSurface), D3D_OK);
    EXPECT_EQ(SaveDDSToBMPFile(pSurface, "wrong.bmp", nullptr), GENERICERROR);
    EXPECT_TRUE(m_oLog.Contains("*** SaveDDSToBMPFile() - Backbuffer must be in 32-bit mode! FAILED\n"));
    EXPECT_FALSE(qirn_test::FileExists("wrong.bmp"));
    pSurface->Release();
}
