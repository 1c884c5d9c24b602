// Full screen on the display with real display modes: the client's parameters through the engine,
// with the depth format the device refuses, and a device lost and made again.
#include "dx8_test_support.h"
#include "qirn_console_dx8.h"
#include "qirn_pixelformat_dx8.h"

#include <gtest/gtest.h>

namespace
{
// What the client asks for.
QIRN_GraphicsParams ClientParams()
{
    QIRN_GraphicsParams oParams;
    oParams.m_iAPI = QIRN_GRAPHICS_DX8;
    oParams.m_iWidth = 1024;
    oParams.m_iHeight = 768;
    oParams.m_iRefreshRate = 60;
    oParams.m_iBackBufferFormat = QIRN_FMT_X8R8G8B8;
    oParams.m_iBackBufferCount = 1;
    oParams.m_iDepthStencilFormat = QIRN_FMT_D24X4S4;
    oParams.m_iDeviceType = 1;
    oParams.m_dwVertexProcessing = D3DCREATE_HARDWARE_VERTEXPROCESSING;
    oParams.m_bWindowed = false;
    oParams.m_bValidateDisplayMode = true;
    oParams.m_bZBuffer = true;
    oParams.m_bStencil = true;
    return oParams;
}
} // namespace

class Dx8FullScreenTest : public dx8_test::RendererTest
{
protected:
    void TearDown() override
    {
        m_oEngine.Shutdown();
        RendererTest::TearDown();
    }
};

TEST_F(Dx8FullScreenTest, TheClientsModeComesUpThroughTheDepthFallbackAndClears)
{
    QIRN_GraphicsParams oParams = ClientParams();
    ASSERT_EQ(m_oEngine.InitGraphics(&oParams), OK) << m_oLog.All();
    QIRN_Graphics_DX8* poGraphics = dynamic_cast<QIRN_Graphics_DX8*>(m_oEngine.GetGraphicsInterface(0));
    ASSERT_NE(poGraphics, nullptr);
    EXPECT_EQ(poGraphics->m_d3dpp.SwapEffect, D3DSWAPEFFECT_FLIP);
    EXPECT_EQ(poGraphics->m_d3dpp.FullScreen_RefreshRateInHz, 60u);
    EXPECT_EQ(poGraphics->m_d3dpp.BackBufferFormat, D3DFMT_X8R8G8B8);
    EXPECT_EQ(poGraphics->m_d3dpp.AutoDepthStencilFormat, D3DFMT_D24S8);
    EXPECT_TRUE(
        m_oLog.Contains("*** QIRN_Graphics_DX8::SetRenderingParams() - Depth format 76 refused, using 73\n"));
    EXPECT_TRUE(poGraphics->IsValidDisplayMode(0, 1024, 768, QIRN_FMT_X8R8G8B8, 60));
    ASSERT_EQ(m_oEngine.InitConsole(&oParams), OK);
    m_oEngine.SetScreenDumpFilename("full.bmp");
    ASSERT_EQ(m_oEngine.Render(0, nullptr), OK);
    ASSERT_EQ(m_oEngine.Present(0), OK);
    const dx8_test::Image oImage = dx8_test::ReadBmp("full.bmp");
    ASSERT_TRUE(oImage.bRead) << m_oLog.All();
    EXPECT_EQ(oImage.iWidth, 1024);
    EXPECT_EQ(oImage.iHeight, 768);
    EXPECT_TRUE(dx8_test::Near(oImage.At(512, 700), QIRN_DX8_CLEARCOLOR & 0xFFFFFF));
}

TEST_F(Dx8FullScreenTest, ALostDeviceAnswers21AndTheEngineMakesItAgain)
{
    QIRN_GraphicsParams oParams = ClientParams();
    ASSERT_EQ(m_oEngine.InitGraphics(&oParams), OK) << m_oLog.All();
    ASSERT_EQ(m_oEngine.InitConsole(&oParams), OK);
    QIRN_Graphics_DX8* poGraphics = dynamic_cast<QIRN_Graphics_DX8*>(m_oEngine.GetGraphicsInterface(0));
    ASSERT_NE(poGraphics, nullptr);
    ASSERT_EQ(m_oEngine.Render(0, nullptr), OK);
    // A full-screen device is lost when its application is switched away from.
    SendMessageA(m_hWnd, WM_ACTIVATEAPP, FALSE, 0);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
    const HRESULT hr = poGraphics->GetDevice()->TestCooperativeLevel();
    ASSERT_TRUE(FAILED(hr)) << std::hex << hr;
    EXPECT_EQ(poGraphics->RenderFrame(nullptr, nullptr, false), GRAPHICS_NOTINITIALIZED);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_Graphics_DX8::RenderWorld() : Device lost!\n"));
    SendMessageA(m_hWnd, WM_ACTIVATEAPP, TRUE, 0);
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
    // The engine replaces the renderer and hands the new one to the console.
    m_oLog.Clear();
    m_oEngine.Render(0, nullptr);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_Graphics_DX8::RenderWorld() : Device lost!\n"));
    QIRN_Graphics_DX8* poNew = dynamic_cast<QIRN_Graphics_DX8*>(m_oEngine.GetGraphicsInterface(0));
    ASSERT_NE(poNew, nullptr) << m_oLog.All();
    EXPECT_EQ(dynamic_cast<QIRN_Console_DX8*>(m_oEngine.GetConsole())->m_poGraphics, poNew);
    EXPECT_EQ(m_oEngine.Render(0, nullptr), OK) << m_oLog.All();
    EXPECT_EQ(poNew->RenderFrame(nullptr, nullptr, false), OK);
}
