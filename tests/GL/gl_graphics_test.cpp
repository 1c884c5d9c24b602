// The OpenGL device: bring-up on the test display, the pixel-format tables, the frame and its
// errors, and the lights.
#include "gl_test_support.h"
#include "qirn_cameraactor.h"
#include "qirn_engineparams.h"
#include "qirn_extensions_gl.h"
#include "qirn_lightactor.h"
#include "qirn_render_states_gl.h"
#include "qirn_shader.h"
#include "qirn_world.h"

#include <cmath>

using gl_test::DeviceTest;

TEST(GLDeviceTables, PixelFormatDescriptorFromTheParameters)
{
    struct Case
    {
        int32_t iBackBuffers;
        bool bZ, bStencil;
        int32_t eDepth;
        DWORD dwFlags;
        BYTE byDepth, byStencil;
    };
    const Case aCases[] = {{0, true, false, 71, 0x1024, 32, 0},
                           {1, true, true, 72, 0x1025, 15, 1},
                           {2, false, true, 73, 0x1025, 0, 8},
                           {1, true, true, 76, 0x1025, 24, 4}};
    for (const Case& c : aCases)
    {
        QIRN_GraphicsParams oParams;
        oParams.m_iBackBufferFormat = QIRN_FMT_X8R8G8B8;
        oParams.m_iBackBufferCount = c.iBackBuffers;
        oParams.m_bZBuffer = c.bZ;
        oParams.m_bStencil = c.bStencil;
        oParams.m_iDepthStencilFormat = c.eDepth;
        PIXELFORMATDESCRIPTOR pfd;
        memset(&pfd, 0xCD, sizeof(pfd));
        ASSERT_EQ(QIRN_Graphics_GL::CreatePixelFormatDescriptor(&oParams, &pfd), OK);
        EXPECT_EQ(pfd.nSize, 40);
        EXPECT_EQ(pfd.nVersion, 1);
        EXPECT_EQ(pfd.dwFlags, c.dwFlags);
        EXPECT_EQ(pfd.cColorBits, 32);
        EXPECT_EQ(pfd.cDepthBits, c.byDepth) << c.eDepth;
        EXPECT_EQ(pfd.cStencilBits, c.byStencil) << c.eDepth;
        EXPECT_EQ(pfd.cAlphaBits, 0);
        EXPECT_EQ(pfd.dwLayerMask, 0u);
    }
    qirn_test::LogCapture oLog;
    EXPECT_EQ(QIRN_Graphics_GL::CreatePixelFormatDescriptor(nullptr, nullptr), GENERICERROR);
    EXPECT_TRUE(oLog.Contains("The pixel format descriptor is NULL"));
}

TEST(GLDeviceTables, BitCountsAndTheirFallbacks)
{
    EXPECT_EQ(QIRN_Graphics_GL::GetNumColorBitsFromPixelFormatQIRN(20), 24);
    EXPECT_EQ(QIRN_Graphics_GL::GetNumColorBitsFromPixelFormatQIRN(21), 32);
    EXPECT_EQ(QIRN_Graphics_GL::GetNumColorBitsFromPixelFormatQIRN(28), 8);
    EXPECT_EQ(QIRN_Graphics_GL::GetNumColorBitsFromPixelFormatQIRN(23), 16);
    qirn_test::LogCapture oLog;
    EXPECT_EQ(QIRN_Graphics_GL::GetNumColorBitsFromPixelFormatQIRN(31), 16);
    EXPECT_TRUE(oLog.Contains("Setting number of color bits to 16"));
    EXPECT_EQ(QIRN_Graphics_GL::GetNumDepthBitsFromPixelFormatQIRN(99), 16);
    EXPECT_TRUE(oLog.Contains("Setting number of depth bits to 16"));
    EXPECT_EQ(QIRN_Graphics_GL::GetNumStencilBitsFromPixelFormatQIRN(99), 0);
    EXPECT_TRUE(oLog.Contains("Setting number of stencil bits to 0"));
}

TEST_F(DeviceTest, BringUpHandsOutTheRecordAtOnceAndSizesTheViewportToTheClient)
{
    QIRN_DeviceInfo* poInfo = nullptr;
    ASSERT_EQ(m_poGraphics->GetGraphicsDeviceInfo(0, &poInfo), OK);
    ASSERT_NE(poInfo, nullptr);
    EXPECT_NE(m_oEngine.m_hDC, nullptr);
    QIRN_DeviceInfo* poAgain = nullptr;
    EXPECT_EQ(m_poGraphics->GetGraphicsDeviceInfo(0, &poAgain), OK);
    EXPECT_EQ(poAgain, poInfo);

    QIRN_GraphicsParams oParams = WindowedParams();
    ASSERT_EQ(m_poGraphics->SetRenderingParams(&oParams, m_hWnd), OK) << m_oLog.All();
    EXPECT_TRUE(poInfo->m_bDepthBuffer);
    EXPECT_TRUE(poInfo->m_bStencil);
    EXPECT_TRUE(m_oLog.Contains("\n************* OPENGL INFO ********************"));
    EXPECT_TRUE(m_oLog.Contains("\nGLU version : "));
    ASSERT_NE(m_poGraphics->GetExtensions(), nullptr);
    EXPECT_EQ(m_poGraphics->GetExtensions()->IsMultitextureSupported(), 1);
    ASSERT_NE(m_poGraphics->GetRenderStates(), nullptr);
    EXPECT_GE(m_poGraphics->m_iMaxAnisotropy, 1);
    GLint aiViewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, aiViewport);
    EXPECT_EQ(aiViewport[2], WIDTH);
    EXPECT_EQ(aiViewport[3], HEIGHT);
    // The device never lists display modes.
    EXPECT_FALSE(m_poGraphics->IsValidDisplayMode(0, WIDTH, HEIGHT, QIRN_FMT_X8R8G8B8, 0));
}

TEST_F(DeviceTest, BringUpRefusesMissingArgumentsAndAMissingDeviceContext)
{
    QIRN_GraphicsParams oParams = WindowedParams();
    EXPECT_EQ(m_poGraphics->SetRenderingParams(nullptr, m_hWnd), GENERICERROR);
    EXPECT_TRUE(m_oLog.Contains("graphics parameters struct pointer is NULL"));
    EXPECT_EQ(m_poGraphics->SetRenderingParams(&oParams, nullptr), GENERICERROR);
    EXPECT_TRUE(m_oLog.Contains("handle to window is NULL"));
    EXPECT_EQ(m_poGraphics->SetRenderingParams(&oParams, m_hWnd), GENERICERROR);
    EXPECT_TRUE(m_oLog.Contains("Function excited because handle to device context is NULL"));
    EXPECT_EQ(m_poGraphics->GetRenderingContext(), nullptr);
}

TEST_F(DeviceTest, TheFixedAnswersOfWhatTheDeviceDoesNotDo)
{
    EXPECT_EQ(m_poGraphics->CreateFont(), nullptr);
    EXPECT_EQ(m_poGraphics->RemoveShader("Any"), GENERICERROR);
    EXPECT_EQ(m_poGraphics->SetVertexShaderConstants(0, nullptr, 0), GENERICERROR);
    EXPECT_EQ(m_poGraphics->SetPixelShaderConstants(0, nullptr, 0), GENERICERROR);
    EXPECT_EQ(m_poGraphics->ValidateVertexShader(nullptr, ""), OK);
    EXPECT_EQ(m_poGraphics->ValidatePixelShader(""), OK);
    EXPECT_EQ(m_poGraphics->ReloadVertexShader(nullptr, ""), OK);
    EXPECT_EQ(m_poGraphics->ReloadPixelShader(nullptr, ""), OK);
    int iCount = 0;
    EXPECT_EQ(m_poGraphics->GetNumAdapters(&iCount), OK);
    EXPECT_EQ(iCount, 1);
    EXPECT_EQ(m_poGraphics->ScreenDump("x.bmp"), OK);
    EXPECT_FALSE(qirn_test::FileExists("x.bmp"));
    EXPECT_TRUE(m_oLog.All().empty()) << m_oLog.All();
}

TEST_F(DeviceTest, FrameErrors)
{
    QIRN_World oWorld(&m_oEngine);
    QIRN_CameraActor oCamera("Camera");
    EXPECT_EQ(m_poGraphics->RenderFrame(&oWorld, &oCamera, false), GRAPHICS_NOTINITIALIZED);
    EXPECT_TRUE(m_oLog.Contains("Can't render because OpenGL rendering context is NULL."));
    BringUp();
    EXPECT_EQ(m_poGraphics->RenderFrame(nullptr, &oCamera, false), INVALIDPARAMS);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_Graphics_GL::RenderFrame() - poWorld is NULL\n"));
    EXPECT_EQ(m_poGraphics->RenderFrame(&oWorld, nullptr, false), INVALIDPARAMS);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_Graphics_GL::RenderFrame() - poCamera is NULL\n"));
}

TEST_F(DeviceTest, TheWorldShaderClearsTheFrameThatIsSwappedAndCounted)
{
    BringUp();
    QIRN_World oWorld(&m_oEngine);
    m_oEngine.m_poWorld = &oWorld;
    auto poShader = gl_test::MakeShader("WorldShader", 1, 0);
    QIRN_ShaderPass& roPass = poShader->m_poPasses[0];
    roPass.m_bClearColor = true;
    roPass.m_dwColorClearValue = 0xFF3F99B4;
    roPass.m_bClearZ = true;
    roPass.m_fZClearValue = 1.0f;
    ASSERT_NE(oWorld.GetShaderTree()->InsertNode("WorldShader", poShader.release()), nullptr);
    QIRN_CameraActor oCamera("Camera");

    // The world pass clears the back buffer; the frame is then swapped and counted.
    EXPECT_EQ(m_poGraphics->RenderWorld(&oWorld, &oCamera, 0, false), OK) << m_oLog.All();
    EXPECT_TRUE(gl_test::Near(gl_test::ReadPixel(WIDTH / 2, HEIGHT / 2), 0x3F99B4))
        << std::hex << gl_test::ReadPixel(WIDTH / 2, HEIGHT / 2);
    const uint32_t dwFrames = m_poGraphics->m_dwTotalFrames;
    EXPECT_EQ(m_poGraphics->RenderFrame(&oWorld, &oCamera, false), OK) << m_oLog.All();
    EXPECT_EQ(m_poGraphics->m_dwTotalFrames, dwFrames + 1);
    EXPECT_NE(m_poGraphics->GetShader("WorldShader"), nullptr);
    EXPECT_EQ(m_poGraphics->m_pCamera, &oCamera);
    m_oEngine.m_poWorld = nullptr;
}

TEST_F(DeviceTest, AWorldWithoutAWorldShaderDrawsWithNone)
{
    BringUp();
    QIRN_World oWorld(&m_oEngine);
    QIRN_CameraActor oCamera("Camera");
    m_oLog.Clear();
    EXPECT_EQ(m_poGraphics->RenderWorld(&oWorld, &oCamera, 0, false), OK);
    EXPECT_EQ(m_poGraphics->m_oShaderTreeGL.GetFirstNode(), nullptr);
    EXPECT_FALSE(m_oLog.Contains("SetShaderGL"));
}

TEST_F(DeviceTest, AnUnlitPassDrawsItsVertexColour)
{
    BringUp();
    QIRN_World oWorld(&m_oEngine);
    m_oEngine.m_poWorld = &oWorld;
    auto poShader = gl_test::MakeShader("Flat", 1, 0);
    poShader->m_poPasses[0].m_bLightingEnabled = false;
    poShader->m_poPasses[0].m_bClearColor = true;
    poShader->m_poPasses[0].m_dwColorClearValue = 0xFF000000;
    poShader->m_poPasses[0].m_bClearZ = true;
    ASSERT_EQ(m_poGraphics->LoadShader(poShader.get()), OK);
    ASSERT_EQ(m_poGraphics->SetShaderGL(m_poGraphics->GetShader("Flat"), 0), OK);
    gl_test::IdentityTransforms();
    glColor3f(1.0f, 0.5f, 0.0f);
    gl_test::DrawQuad(-1.0f, -1.0f, 0.0f, 1.0f);
    EXPECT_TRUE(gl_test::Near(gl_test::ReadPixel(WIDTH / 4, HEIGHT / 2), 0xFF8000))
        << std::hex << gl_test::ReadPixel(WIDTH / 4, HEIGHT / 2);
    EXPECT_TRUE(gl_test::Near(gl_test::ReadPixel(3 * WIDTH / 4, HEIGHT / 2), 0x000000));
    m_oEngine.m_poWorld = nullptr;
}

TEST_F(DeviceTest, ADirectionalLightShadesALitPassByItsMaterial)
{
    BringUp();
    QIRN_World oWorld(&m_oEngine);
    m_oEngine.m_poWorld = &oWorld;
    auto poShader = gl_test::MakeShader("Lit", 1, 0);
    QIRN_ShaderPass& roPass = poShader->m_poPasses[0];
    roPass.m_bLightingEnabled = true;
    roPass.m_bClearColor = true;
    roPass.m_dwColorClearValue = 0xFF000000;
    roPass.m_bClearZ = true;
    roPass.m_oMaterial.m_vDiffuse = {0.0f, 1.0f, 0.0f, 1.0f};
    roPass.m_oMaterial.m_vAmbient = {0.0f, 0.0f, 0.0f, 1.0f};
    ASSERT_EQ(m_poGraphics->LoadShader(poShader.get()), OK);

    QIRN_LINKEDLIST<QIRN_LightActor> oLights(false);
    QIRN_LightActor oSun("Light");
    oSun.m_iType = 3;
    oSun.m_vDiffuse = {255.0f, 255.0f, 255.0f, 255.0f};
    oSun.m_vSpecular = {0.0f, 0.0f, 0.0f, 255.0f};
    oSun.m_vAmbient = {0.0f, 0.0f, 0.0f, 255.0f};
    // Shining along -z, onto a quad whose normal is +z; at 60 degrees off the normal half as bright.
    gl_test::IdentityTransforms();
    oSun.m_vDirection = {0.0f, 0.0f, -1.0f, 0.0f};
    oLights.AppendNode("Sun", &oSun);
    ASSERT_EQ(m_poGraphics->SetShaderGL(m_poGraphics->GetShader("Lit"), 0), OK);
    ASSERT_EQ(m_poGraphics->SetLights(&oLights, 0), OK);
    gl_test::DrawQuad(-1.0f, -1.0f, 0.0f, 1.0f);
    oSun.m_vDirection = {0.0f, -std::sqrt(3.0f) / 2.0f, -0.5f, 0.0f};
    ASSERT_EQ(m_poGraphics->SetLights(&oLights, 0), OK);
    gl_test::DrawQuad(0.0f, -1.0f, 1.0f, 1.0f);
    EXPECT_TRUE(gl_test::Near(gl_test::ReadPixel(WIDTH / 4, HEIGHT / 2), 0x00FF00))
        << std::hex << gl_test::ReadPixel(WIDTH / 4, HEIGHT / 2);
    EXPECT_TRUE(gl_test::Near(gl_test::ReadPixel(3 * WIDTH / 4, HEIGHT / 2), 0x008000))
        << std::hex << gl_test::ReadPixel(3 * WIDTH / 4, HEIGHT / 2);
    m_oEngine.m_poWorld = nullptr;
}

TEST_F(DeviceTest, SpotCutOffIsHalfTheConeAndOnlyEightLightsAreUsed)
{
    BringUp();
    QIRN_LINKEDLIST<QIRN_LightActor> oLights(true);
    const float afPhi[] = {1.0f, 4.0f};
    for (int i = 0; i < 9; ++i)
    {
        auto* poLight = new QIRN_LightActor("Light");
        poLight->m_iType = 2;
        poLight->m_fPhi = afPhi[i % 2];
        poLight->m_vDirection = {0.0f, 0.0f, 1.0f, 0.0f};
        oLights.AppendNode("Light" + std::to_string(i), poLight);
    }
    ASSERT_EQ(m_poGraphics->SetLights(&oLights, 0), OK);
    GLfloat fCutoff = 0.0f;
    glGetLightfv(GL_LIGHT0, GL_SPOT_CUTOFF, &fCutoff);
    EXPECT_NEAR(fCutoff, 28.6479f, 0.001f);
    glGetLightfv(GL_LIGHT1, GL_SPOT_CUTOFF, &fCutoff);
    EXPECT_FLOAT_EQ(fCutoff, 90.0f);
    for (int i = 0; i < 8; ++i)
    {
        EXPECT_TRUE(glIsEnabled(GL_LIGHT0 + i)) << i;
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_Graphics_GL::SetLights - Only the first 8 lights are used\n"));
    EXPECT_EQ(m_poGraphics->SetLights(nullptr, 0), OK);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_Graphics_GL::SetLights - No lights to set!\n"));
}

TEST(GLDeviceMath, ModelViewFlipsZAndColoursBecomeFloats)
{
    QIRN_Matrix4 oIn;
    Matrix_Identity(&oIn);
    oIn._41 = 1.0f;
    oIn._42 = 2.0f;
    oIn._43 = 3.0f;
    QIRN_Matrix4 oOut;
    QIRN_Graphics_GL::SetModelViewFromView(&oIn, &oOut);
    EXPECT_FLOAT_EQ(oOut._33, -1.0f);
    EXPECT_FLOAT_EQ(oOut._43, -3.0f);
    EXPECT_FLOAT_EQ(oOut._41, 1.0f);
    float a = 0, r = 0, g = 0, b = 0;
    ColorToFloats(0x80FF4000, &a, &r, &g, &b);
    EXPECT_NEAR(a, 128.0f / 255.0f, 1e-6);
    EXPECT_NEAR(r, 1.0f, 1e-6);
    EXPECT_NEAR(g, 64.0f / 255.0f, 1e-6);
    EXPECT_FLOAT_EQ(b, 0.0f);
}

TEST_F(DeviceTest, AFrameTheLimiterHoldsBackIsDrawnButNeitherSwappedNorCounted)
{
    BringUp();
    QIRN_World oWorld(&m_oEngine);
    m_oEngine.m_poWorld = &oWorld;
    auto poShader = gl_test::MakeShader("WorldShader", 1, 0);
    poShader->m_poPasses[0].m_bClearColor = true;
    poShader->m_poPasses[0].m_dwColorClearValue = 0xFF204060;
    ASSERT_NE(oWorld.GetShaderTree()->InsertNode("WorldShader", poShader.release()), nullptr);
    QIRN_CameraActor oCamera("Camera");

    // Ten frames a second, and the next one not due for a long time yet.
    m_poGraphics->m_dwFrameRateLock = 10;
    m_poGraphics->m_dNextFrameTime = 1.0e9;
    const uint32_t dwFrames = m_poGraphics->m_dwTotalFrames;
    const uint32_t dwWindowFrames = m_poGraphics->m_dwWindowFrames;
    EXPECT_EQ(m_poGraphics->RenderFrame(&oWorld, &oCamera, false), OK) << m_oLog.All();
    EXPECT_EQ(m_poGraphics->m_dwTotalFrames, dwFrames);
    EXPECT_EQ(m_poGraphics->m_dwWindowFrames, dwWindowFrames);
    // Drawn all the same, and still in the back buffer: no swap took it away.
    EXPECT_TRUE(gl_test::Near(gl_test::ReadPixel(WIDTH / 2, HEIGHT / 2, GL_BACK), 0x204060))
        << std::hex << gl_test::ReadPixel(WIDTH / 2, HEIGHT / 2, GL_BACK);

    // Once it is due, the frame is counted.
    m_poGraphics->m_dNextFrameTime = 0.0;
    EXPECT_EQ(m_poGraphics->RenderFrame(&oWorld, &oCamera, false), OK);
    EXPECT_EQ(m_poGraphics->m_dwTotalFrames, dwFrames + 1);
    EXPECT_EQ(m_poGraphics->m_dwWindowFrames, dwWindowFrames + 1);
    m_oEngine.m_poWorld = nullptr;
}

TEST_F(DeviceTest, AWindowWithoutHeightIsDrawnWithASquareAspectAndAViewportOfOneRow)
{
    BringUp();
    // As tall as its frame: a client area of no height.
    RECT rcFrame = {0, 0, WIDTH, 0};
    AdjustWindowRect(&rcFrame, gl_test::WINDOW_STYLE, FALSE);
    SetWindowPos(m_hWnd, nullptr, 0, 0, rcFrame.right - rcFrame.left, rcFrame.bottom - rcFrame.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    RECT rcClient = {};
    GetClientRect(m_hWnd, &rcClient);
    ASSERT_EQ(rcClient.bottom - rcClient.top, 0);

    QIRN_World oWorld(&m_oEngine);
    QIRN_CameraActor oCamera("Camera");
    oCamera.SetFOV(60.0f);
    oCamera.SetRange(1.0f, 100.0f);
    ASSERT_EQ(m_poGraphics->RenderWorld(&oWorld, &oCamera, 0, false), OK);
    GLfloat afProjection[16] = {};
    glGetFloatv(GL_PROJECTION_MATRIX, afProjection);
    EXPECT_TRUE(std::isfinite(afProjection[0]));
    EXPECT_FLOAT_EQ(afProjection[0], afProjection[5]);
    EXPECT_NEAR(afProjection[5], 1.0f / std::tan(30.0f * 3.14159265f / 180.0f), 1e-4);

    QIRN_Graphics_GL::SetViewport(rcClient.right, rcClient.bottom);
    GLint aiViewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, aiViewport);
    EXPECT_EQ(aiViewport[2], WIDTH);
    EXPECT_EQ(aiViewport[3], 1);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(DeviceTest, ALightSwitchedOffLightsNothingAndTakesNoNumber)
{
    BringUp();
    QIRN_LINKEDLIST<QIRN_LightActor> oLights(false);
    QIRN_LightActor oOff("Light"), oOn("Light");
    oOff.SetActive(0);
    oOff.m_vDiffuse = {255.0f, 0.0f, 0.0f, 255.0f};
    oOn.m_vDiffuse = {0.0f, 0.0f, 255.0f, 255.0f};
    oLights.AppendNode("Off", &oOff);
    oLights.AppendNode("On", &oOn);
    ASSERT_EQ(m_poGraphics->SetLights(&oLights, 0), OK);
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    EXPECT_FALSE(glIsEnabled(GL_LIGHT1));
    GLfloat afDiffuse[4] = {};
    glGetLightfv(GL_LIGHT0, GL_DIFFUSE, afDiffuse);
    EXPECT_FLOAT_EQ(afDiffuse[0], 0.0f);
    EXPECT_NEAR(afDiffuse[2], 1.0f, 1e-6);
}
