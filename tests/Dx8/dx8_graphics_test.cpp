// The device brought up from the client's parameters, the frame without a world, screen dumps,
// the small back-buffer services, the state caches and the release of what a world made.
#include "dx8_test_support.h"
#include "qirn_constants.h"
#include "qirn_pixelformat_dx8.h"

#include <gtest/gtest.h>

#include <string>

using dx8_test::Near;

class Dx8GraphicsTest : public dx8_test::RendererTest
{
};

TEST_F(Dx8GraphicsTest, DeviceInformationListsUsableModesAndFormats)
{
    QIRN_DeviceInfo* poInfo = nullptr;
    ASSERT_EQ(m_poGraphics->GetGraphicsDeviceInfo(0, &poInfo), OK);
    ASSERT_NE(poInfo, nullptr);
    int iAdapters = 0;
    EXPECT_EQ(m_poGraphics->GetNumAdapters(&iAdapters), OK);
    EXPECT_GE(iAdapters, 1);
    EXPECT_GT(std::string(poInfo->m_szDescription).size(), 0u);
    ASSERT_GT(poInfo->m_dwNumDisplayModes, 0u);
    for (uint32_t i = 0; i < poInfo->m_dwNumDisplayModes; ++i)
    {
        const QIRN_DisplayMode& m = poInfo->m_pDisplayModes[i];
        EXPECT_GE(m.m_dwWidth, 640u);
        EXPECT_GE(m.m_dwHeight, 480u);
        EXPECT_NE(QIRN_D3DFormatBits(QIRN_ToD3DFormat(m.m_eFormat)), 8u);
        EXPECT_NE(QIRN_D3DFormatBits(QIRN_ToD3DFormat(m.m_eFormat)), 24u);
        EXPECT_GT(m.m_dwNumTextureFormats, 0u);
        // The device takes D24S8 here and refuses D24X4S4.
        bool bD24S8 = false;
        for (uint32_t d = 0; d < m.m_dwNumDepthStencilFormats; ++d)
        {
            bD24S8 |= m.m_aeDepthStencilFormats[d] == QIRN_FMT_D24S8;
            EXPECT_NE(m.m_aeDepthStencilFormats[d], QIRN_FMT_D24X4S4);
        }
        EXPECT_TRUE(bD24S8);
    }
    const QIRN_DisplayMode& m = poInfo->m_pDisplayModes[0];
    EXPECT_TRUE(
        m_poGraphics->IsValidDisplayMode(0, m.m_dwWidth, m.m_dwHeight, m.m_eFormat, m.m_dwRefreshRate));
    EXPECT_FALSE(m_poGraphics->IsValidDisplayMode(0, m.m_dwWidth, m.m_dwHeight, m.m_eFormat, 1234));
    // Later calls answer the same record.
    QIRN_DeviceInfo* poAgain = nullptr;
    EXPECT_EQ(m_poGraphics->GetGraphicsDeviceInfo(0, &poAgain), OK);
    EXPECT_EQ(poAgain, poInfo);
}

TEST_F(Dx8GraphicsTest, WindowedBringUpTakesTheDesktopFormatAndFallsBackFromTheRefusedDepthFormat)
{
    QIRN_GraphicsParams oParams = WindowedParams();
    oParams.m_iBackBufferFormat = QIRN_FMT_R5G6B5;
    BringUp(oParams);
    const QIRN_DeviceInfo* poInfo = m_poGraphics->m_poDeviceInfo;
    D3DDISPLAYMODE oDesktop = {};
    m_poGraphics->m_pD3D8->GetAdapterDisplayMode(0, &oDesktop);
    EXPECT_EQ(m_poGraphics->m_d3dpp.BackBufferFormat, oDesktop.Format);
    EXPECT_EQ(poInfo->m_dwBackBufferFormat, static_cast<uint32_t>(QIRN_FromD3DFormat(oDesktop.Format)));
    EXPECT_EQ(m_poGraphics->m_d3dpp.SwapEffect, D3DSWAPEFFECT_COPY);
    EXPECT_EQ(m_poGraphics->m_d3dpp.AutoDepthStencilFormat, D3DFMT_D24S8);
    EXPECT_EQ(poInfo->m_dwDepthStencilFormat, static_cast<uint32_t>(QIRN_FMT_D24S8));
    EXPECT_TRUE(poInfo->m_bStencil);
    EXPECT_TRUE(
        m_oLog.Contains("*** QIRN_Graphics_DX8::SetRenderingParams() - Depth format 76 refused, using 73\n"));
    EXPECT_EQ(poInfo->m_dwWidth, static_cast<uint32_t>(WIDTH));
    EXPECT_NE(poInfo->m_dwVertexShaderVersion & 0xFFFF, 0u);
    EXPECT_NE(poInfo->m_dwPixelShaderVersion & 0xFFFF, 0u);
    EXPECT_EQ(m_poGraphics->GetRS(D3DRS_DITHERENABLE), static_cast<DWORD>(FALSE));
    EXPECT_EQ(m_poGraphics->GetRS(D3DRS_SOFTWAREVERTEXPROCESSING), static_cast<DWORD>(FALSE));
}

TEST_F(Dx8GraphicsTest, ASecondBringUpReplacesTheDevice)
{
    BringUp();
    auto poBitmap = dx8_test::MakeBitmap(1, 1, 4, 4, 4, {0xFFFFFFFF});
    poBitmap->m_eFormat = QIRN_FMT_A8R8G8B8;
    ASSERT_EQ(m_poGraphics->ConvertTexture(poBitmap.get(), 2), OK);
    BringUp();
    // What the first device made went with it.
    EXPECT_EQ(m_poGraphics->TextureTree.GetFirstNode(), nullptr);
    EXPECT_EQ(DumpFrame().iWidth, WIDTH);
}

TEST_F(Dx8GraphicsTest, AntialiasingPicksTheSampleCountAndDiscards)
{
    struct Case
    {
        bool bAA;
        int iSamples;
        bool bEdge;
        D3DMULTISAMPLE_TYPE eType;
        D3DSWAPEFFECT eSwap;
    };
    const Case aCases[] = {
        {true, 4, false, D3DMULTISAMPLE_4_SAMPLES, D3DSWAPEFFECT_DISCARD},
        {true, 8, false, D3DMULTISAMPLE_NONE, D3DSWAPEFFECT_DISCARD},
        {true, 4, true, D3DMULTISAMPLE_NONE, D3DSWAPEFFECT_DISCARD},
        {false, 4, true, D3DMULTISAMPLE_NONE, D3DSWAPEFFECT_COPY},
    };
    for (const Case& c : aCases)
    {
        m_poGraphics = std::make_unique<QIRN_Graphics_DX8>(&m_oEngine);
        QIRN_GraphicsParams oParams = WindowedParams();
        oParams.m_bAntiAliasing = c.bAA;
        oParams.m_iSamples = c.iSamples;
        oParams.m_bEdgeAntiAliasing = c.bEdge;
        BringUp(oParams);
        EXPECT_EQ(m_poGraphics->m_d3dpp.MultiSampleType, c.eType) << c.iSamples << c.bEdge;
        EXPECT_EQ(m_poGraphics->m_d3dpp.SwapEffect, c.eSwap) << c.iSamples << c.bEdge;
        EXPECT_EQ(m_poGraphics->m_bEdgeAntiAliasing, c.bEdge);
        EXPECT_EQ(m_poGraphics->m_bAntiAliasing, c.bAA && !c.bEdge);
    }
}

TEST_F(Dx8GraphicsTest, AFrameWithoutWorldIsClearedAndDumped)
{
    BringUp();
    const dx8_test::Image oImage = DumpFrame("frame.bmp");
    ASSERT_TRUE(oImage.bRead) << m_oLog.All();
    EXPECT_EQ(oImage.iWidth, WIDTH);
    EXPECT_EQ(oImage.iHeight, HEIGHT);
    for (int y = 0; y < HEIGHT; y += 9)
        for (int x = 0; x < WIDTH; x += 9)
            ASSERT_TRUE(Near(oImage.At(x, y), QIRN_DX8_CLEARCOLOR & 0xFFFFFF)) << x << "," << y;
    EXPECT_TRUE(m_oLog.Contains("Saved frame.bmp\n"));
    // The name is used once.
    EXPECT_EQ(m_oEngine.GetScreenDumpFilename(), "");
    EXPECT_EQ(m_poGraphics->m_dwTotalFrames, 1u);
    EXPECT_EQ(m_poGraphics->PresentFrame(), OK);
}

TEST_F(Dx8GraphicsTest, ScreenDumpAnswersWhatHappened)
{
    EXPECT_EQ(m_poGraphics->ScreenDump("early.bmp"), GENERICERROR);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_Graphics_DX8::ScreenDump() - Unable to get the backbuffer!\n"));
    EXPECT_FALSE(qirn_test::FileExists("early.bmp"));
    BringUp();
    EXPECT_EQ(m_poGraphics->ScreenDump(nullptr), GENERICERROR);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_Graphics_DX8::ScreenDump() - szFilename is NULL\n"));
    m_oLog.Clear();
    EXPECT_EQ(m_poGraphics->ScreenDump(""), OK);
    EXPECT_EQ(m_oLog.All(), "");
    EXPECT_EQ(m_poGraphics->ScreenDump("missing folder\\shot.bmp"), FILEERROR);
    EXPECT_FALSE(qirn_test::FileExists("missing folder\\shot.bmp"));
    EXPECT_EQ(m_poGraphics->ScreenDump("shot.bmp"), OK);
    EXPECT_TRUE(dx8_test::ReadBmp("shot.bmp").bRead);
}

TEST_F(Dx8GraphicsTest, DrawPixelStaysInsideTheBackBuffer)
{
    EXPECT_EQ(m_poGraphics->DrawPixel(0, 0, 0), GENERICERROR);
    EXPECT_TRUE(
        m_oLog.Contains("*** QIRN_Graphics_DX8::DrawPixel() - Unable to get a pointer to the backbuffer!\n"));
    QIRN_GraphicsParams oParams = WindowedParams();
    oParams.m_bLockableBackBuffer = true;
    BringUp(oParams);
    for (auto xy :
         {std::make_pair(-1, 0), std::make_pair(0, -1), std::make_pair(WIDTH, 0), std::make_pair(0, HEIGHT)})
    {
        EXPECT_EQ(m_poGraphics->DrawPixel(xy.first, xy.second, 0xFFFFFFFF), INVALIDPARAMS);
    }
    m_poGraphics->GetDevice()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    ASSERT_EQ(m_poGraphics->DrawPixel(5, 7, 0xFF123456), OK);
    EXPECT_EQ(BackBufferPixel(5, 7), 0x123456u);
    EXPECT_EQ(BackBufferPixel(6, 7), 0u);
}

TEST_F(Dx8GraphicsTest, DrawPixelWritesABackBufferThatCannotBeLocked)
{
    // As the client makes it: the back buffer is not lockable.
    BringUp();
    IDirect3DDevice8* pDevice = m_poGraphics->GetDevice();
    IDirect3DSurface8* pBack = nullptr;
    ASSERT_EQ(pDevice->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &pBack), D3D_OK);
    D3DLOCKED_RECT oLocked = {};
    EXPECT_TRUE(FAILED(pBack->LockRect(&oLocked, nullptr, 0)));
    pDevice->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    // A small viewport does not hide the pixel.
    const D3DVIEWPORT8 oCorner = {32, 32, 8, 8, 0.0f, 1.0f};
    pDevice->SetViewport(&oCorner);
    ASSERT_EQ(m_poGraphics->DrawPixel(5, 7, 0xFF123456), OK) << m_oLog.All();
    EXPECT_EQ(BackBufferPixel(5, 7), 0x123456u);
    EXPECT_EQ(BackBufferPixel(6, 7), 0u);
    D3DVIEWPORT8 oAfter = {};
    pDevice->GetViewport(&oAfter);
    EXPECT_EQ(oAfter.X, 32u);
    EXPECT_EQ(oAfter.Width, 8u);

    // While another surface is the target the pixel cannot be written: one line for all calls.
    IDirect3DSurface8* pDepth = nullptr;
    IDirect3DSurface8* pOther = nullptr;
    pDevice->GetDepthStencilSurface(&pDepth);
    ASSERT_EQ(pDevice->CreateRenderTarget(16, 16, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE, FALSE, &pOther),
              D3D_OK);
    ASSERT_EQ(pDevice->SetRenderTarget(pOther, nullptr), D3D_OK);
    m_oLog.Clear();
    EXPECT_EQ(m_poGraphics->DrawPixel(1, 1, 0xFFFFFFFF), GENERICERROR);
    EXPECT_EQ(m_poGraphics->DrawPixel(2, 1, 0xFFFFFFFF), GENERICERROR);
    const std::string strLog = m_oLog.All();
    const std::string strLine = "*** QIRN_Graphics_DX8::DrawPixel() - Unable to lock the backbuffer!\n";
    const size_t nFirst = strLog.find(strLine);
    ASSERT_NE(nFirst, std::string::npos);
    EXPECT_EQ(strLog.find(strLine, nFirst + 1), std::string::npos);
    pDevice->SetRenderTarget(pBack, pDepth);
    pOther->Release();
    pBack->Release();
    if (pDepth)
    {
        pDepth->Release();
    }
    EXPECT_EQ(BackBufferPixel(1, 1), 0u);
}

TEST_F(Dx8GraphicsTest, StatesAreWrittenThroughTheCaches)
{
    EXPECT_EQ(m_poGraphics->GetTSS(0, D3DTSS_COLOROP), 0xFFFFFFFFu);
    BringUp();
    EXPECT_EQ(m_poGraphics->SetRS(D3DRS_ZFUNC, D3DCMP_GREATER), OK);
    EXPECT_EQ(m_poGraphics->m_adwRenderStateCache[D3DRS_ZFUNC], static_cast<DWORD>(D3DCMP_GREATER));
    DWORD dwDevice = 0;
    m_poGraphics->GetDevice()->GetRenderState(D3DRS_ZFUNC, &dwDevice);
    EXPECT_EQ(dwDevice, static_cast<DWORD>(D3DCMP_GREATER));
    // An unwritten state is read from the device once and kept.
    EXPECT_EQ(m_poGraphics->m_adwRenderStateCache[D3DRS_CULLMODE], 0xFFFFFFFFu);
    EXPECT_EQ(m_poGraphics->GetRS(D3DRS_CULLMODE), static_cast<DWORD>(D3DCULL_CCW));
    EXPECT_EQ(m_poGraphics->m_adwRenderStateCache[D3DRS_CULLMODE], static_cast<DWORD>(D3DCULL_CCW));
    EXPECT_EQ(m_poGraphics->SetTSS(3, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP), OK);
    EXPECT_EQ(m_poGraphics->GetTSS(3, D3DTSS_ADDRESSU), static_cast<DWORD>(D3DTADDRESS_CLAMP));
    // States past the caches still reach the device.
    EXPECT_EQ(m_poGraphics->SetRS(D3DRS_BLENDOP, D3DBLENDOP_ADD), OK);
    EXPECT_EQ(m_poGraphics->GetRS(D3DRS_BLENDOP), static_cast<DWORD>(D3DBLENDOP_ADD));
}

TEST_F(Dx8GraphicsTest, ClientTextNeedsADevice)
{
    EXPECT_EQ(m_poGraphics->ClientDrawText("x", 0, 0, 0xFFFFFFFF, 0), INVALIDPARAMS);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_Graphics_DX8::ClientDrawText() - m_pD3DDevice8 is NULL\n"));
    EXPECT_EQ(m_poGraphics->RenderFrame(nullptr, nullptr, false), INVALIDPARAMS);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_Graphics_DX8::RenderFrame() - m_pD3DDevice8 is NULL\n"));
}

TEST_F(Dx8GraphicsTest, ReleasingResourcesKeepsTheUpdateFunctions)
{
    BringUp();
    auto poBitmap = dx8_test::MakeBitmap(1, 1, 4, 4, 4, {0xFFFFFFFF});
    poBitmap->m_eFormat = QIRN_FMT_A8R8G8B8;
    ASSERT_EQ(m_poGraphics->ConvertTexture(poBitmap.get(), 2), OK);
    ASSERT_EQ(m_poGraphics->SetFont("Arial", 10, 0), OK);
    EXPECT_NE(m_poGraphics->TextureTree.GetFirstNode(), nullptr);
    EXPECT_EQ(m_poGraphics->ReleaseResources(), OK);
    EXPECT_EQ(m_poGraphics->TextureTree.GetFirstNode(), nullptr);
    EXPECT_EQ(m_poGraphics->m_oFontTree.GetFirstNode(), nullptr);
    EXPECT_EQ(m_poGraphics->m_poFont, nullptr);
    // Render targets of the next world still find their function.
    EXPECT_NE(m_poGraphics->RTUpdateTree.FindNode("Update1"), nullptr);
    EXPECT_EQ(m_poGraphics->InsertUpdateFunctionInTree("Update1", nullptr), GENERICERROR);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_Graphics_DX8::InsertUpdateFunctionInTree() - pUpdate is NULL\n"));
}

TEST_F(Dx8GraphicsTest, TheConsoleFillModeAndTheStatisticsOverlay)
{
    BringUp();
    ASSERT_EQ(m_oEngine.InitConsole(nullptr), OK);
    m_oEngine.SetFillMode(2);
    ASSERT_EQ(m_poGraphics->RenderFrame(nullptr, nullptr, false), OK);
    EXPECT_EQ(m_poGraphics->GetRS(D3DRS_FILLMODE), static_cast<DWORD>(D3DFILL_WIREFRAME));
    // The overlay is drawn solid and the console's mode comes back after it.
    m_oEngine.SetStatisticsFlag(true);
    const dx8_test::Image oImage = DumpFrame("stats.bmp");
    ASSERT_TRUE(oImage.bRead);
    EXPECT_EQ(m_poGraphics->GetRS(D3DRS_FILLMODE), static_cast<DWORD>(D3DFILL_WIREFRAME));
    int iText = 0;
    for (int y = 15; y < HEIGHT; ++y)
        for (int x = 15; x < WIDTH; ++x)
            iText += !Near(oImage.At(x, y), QIRN_DX8_CLEARCOLOR & 0xFFFFFF, 8);
    EXPECT_GT(iText, 20);
    EXPECT_TRUE(Near(oImage.At(5, 5), QIRN_DX8_CLEARCOLOR & 0xFFFFFF));
    EXPECT_NE(m_poGraphics->m_oFontTree.FindNode("lucida console 10 pts"), nullptr);
}

TEST_F(Dx8GraphicsTest, IndexedDrawsCountTrianglesAndLogFailures)
{
    EXPECT_EQ(m_poGraphics->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 3, 0, 1), GENERICERROR);
    EXPECT_TRUE(m_oLog.Contains("D3DERR_INVALIDCALL error while executing "
                                "m_pD3DDevice8->DrawIndexedPrimitive(PrimitiveType, MinIndex, NumVertices, "
                                "StartIndex, PrimitiveCount) in "))
        << m_oLog.All();
    EXPECT_EQ(m_poGraphics->m_adwStatistics[13], 0u);
    BringUp();
    IDirect3DDevice8* pDevice = m_poGraphics->GetDevice();
    IDirect3DVertexBuffer8* pVertices =
        m_poGraphics->CreateVertexBuffer(3 * 16, 0, D3DFVF_XYZRHW, D3DPOOL_MANAGED);
    IDirect3DIndexBuffer8* pIndices = m_poGraphics->CreateIndexBuffer(6, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED);
    ASSERT_TRUE(pVertices && pIndices);
    BYTE* p = nullptr;
    ASSERT_EQ(pIndices->Lock(0, 0, &p, 0), D3D_OK);
    const WORD awIndices[3] = {0, 1, 2};
    memcpy(p, awIndices, sizeof(awIndices));
    pIndices->Unlock();
    ASSERT_EQ(pVertices->Lock(0, 0, &p, 0), D3D_OK);
    memset(p, 0, 48);
    pVertices->Unlock();
    EXPECT_EQ(m_poGraphics->SetVB(0, pVertices, 16), OK);
    EXPECT_EQ(m_poGraphics->SetIB(pIndices, 0), OK);
    pDevice->SetVertexShader(D3DFVF_XYZRHW);
    pDevice->BeginScene();
    EXPECT_EQ(m_poGraphics->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 3, 0, 1), OK);
    pDevice->EndScene();
    EXPECT_EQ(m_poGraphics->m_adwStatistics[13], 1u);
    pDevice->SetStreamSource(0, nullptr, 0);
    pDevice->SetIndices(nullptr, 0);
    pVertices->Release();
    pIndices->Release();

    QIRN_Matrix4 oMatrix = QIRN_IDENTITY_MATRIX;
    oMatrix._42 = 7.0f;
    D3DMATRIX oD3D = {};
    EXPECT_EQ(QIRN_Graphics_DX8::ConvertQIRNMatrixToD3D(&oMatrix, &oD3D), OK);
    EXPECT_EQ(oD3D._42, 7.0f);
    EXPECT_EQ(oD3D._11, 1.0f);
    EXPECT_EQ(QIRN_Graphics_DX8::ConvertQIRNMatrixToD3D(nullptr, &oD3D), INVALIDPARAMS);
    EXPECT_TRUE(m_oLog.Contains("*** ConvertQIRNMatrixToD3D() - mat is NULL\n"));
    EXPECT_EQ(QIRN_Graphics_DX8::GetD3DDeviceFromQIRN(2), D3DDEVTYPE_REF);
    EXPECT_EQ(QIRN_Graphics_DX8::GetD3DDeviceFromQIRN(9), D3DDEVTYPE_HAL);
    EXPECT_TRUE(
        m_oLog.Contains("***QIRN_Graphics_DX8::GetD3DDeviceFromQIRN(): Unknown device type requested\n"));
}
