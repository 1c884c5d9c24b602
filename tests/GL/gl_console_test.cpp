// The engine with graphics kind 3: the factory's OpenGL device and its console, which keeps the
// console's text and commands and draws nothing.
#include "gl_test_support.h"
#include "qirn_cameraactor.h"
#include "qirn_console_gl.h"
#include "qirn_engineparams.h"
#include "qirn_world.h"

using gl_test::DeviceTest;

namespace
{
bool HistoryHolds(const QIRN_Console& ro, const char* szText)
{
    for (const auto& szLine : ro.m_aszLines)
    {
        if (strstr(szLine, szText))
        {
            return true;
        }
    }
    return false;
}
} // namespace

TEST_F(DeviceTest, TheEngineMakesTheOpenGLDeviceAndConsoleForKindThree)
{
    QIRN_GraphicsParams oParams = WindowedParams();
    ASSERT_EQ(m_oEngine.InitGraphics(&oParams), OK) << m_oLog.All();
    auto* poGraphics = dynamic_cast<QIRN_Graphics_GL*>(m_oEngine.GetGraphicsInterface(0));
    ASSERT_NE(poGraphics, nullptr);
    EXPECT_EQ(poGraphics->m_pEngine, &m_oEngine);
    EXPECT_NE(poGraphics->GetRenderingContext(), nullptr);
    ASSERT_EQ(m_oEngine.InitConsole(&oParams), OK);
    auto* poConsole = dynamic_cast<QIRN_Console_GL*>(m_oEngine.GetConsole());
    ASSERT_NE(poConsole, nullptr);
    EXPECT_EQ(poConsole->m_poGraphics, poGraphics);
    EXPECT_EQ(poConsole->m_poConsoleShader, nullptr);

    // Opening the console changes its fields as any console does; drawing it draws nothing.
    glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    const bool bWasOpen = poConsole->m_bOpen;
    EXPECT_EQ(poConsole->Command_ToggleConsole(""), OK);
    EXPECT_NE(poConsole->m_bOpen, bWasOpen);
    poConsole->Print("Hello from the console");
    EXPECT_TRUE(HistoryHolds(*poConsole, "Hello from the console"));
    EXPECT_EQ(poConsole->Render(), OK);
    EXPECT_EQ(poConsole->Load("any.skin"), OK);
    EXPECT_TRUE(gl_test::Near(gl_test::ReadPixel(WIDTH / 2, HEIGHT / 2), 0x0000FF));

    // The device renders a world through the engine's slot, frame after frame.
    QIRN_World oWorld(&m_oEngine);
    QIRN_CameraActor oCamera("Camera");
    for (int i = 0; i < 3; ++i)
    {
        EXPECT_EQ(poGraphics->RenderFrame(&oWorld, &oCamera, false), OK);
        EXPECT_EQ(poGraphics->PresentFrame(), OK);
    }
    m_oEngine.Shutdown();
    EXPECT_EQ(m_oEngine.GetGraphicsInterface(0), nullptr);
}

TEST(GLConsole, WithoutADeviceItStillWorksAsATextConsole)
{
    qirn_test::LogCapture oLog;
    QIRN_Console_GL oConsole(nullptr, nullptr, "");
    EXPECT_TRUE(oLog.Contains("*** QIRN_Console_GL :: QIRN_Console_GL() - Invalid graphics device!\n"));
    EXPECT_EQ(oConsole.m_poGraphics, nullptr);
    oConsole.Print("Still here");
    EXPECT_TRUE(HistoryHolds(oConsole, "Still here"));
    EXPECT_EQ(oConsole.Render(), OK);
}
