// Display modes on the display with real refresh rates: modes found by size, depth and rate, a
// full-screen start that sets the client's mode, one that keeps the current mode when the asked
// one is not listed, and the registry's mode back when the device goes.
#include "gl_test_support.h"

#include <string>

namespace
{
DEVMODEA CurrentMode()
{
    DEVMODEA oMode = {};
    oMode.dmSize = sizeof(oMode);
    EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &oMode);
    return oMode;
}

class GLFullScreenTest : public gl_test::DeviceTest
{
protected:
    void SetUp() override
    {
        gl_test::DeviceTest::SetUp();
        m_oStart = CurrentMode();
    }

    void TearDown() override
    {
        gl_test::DeviceTest::TearDown();
        ChangeDisplaySettingsA(nullptr, 0);
    }

    // What the client asks for, full screen.
    QIRN_GraphicsParams FullScreenParams(int iWidth, int iHeight, int iRefreshRate) const
    {
        QIRN_GraphicsParams oParams = WindowedParams();
        oParams.m_iWidth = iWidth;
        oParams.m_iHeight = iHeight;
        oParams.m_iRefreshRate = iRefreshRate;
        oParams.m_bWindowed = false;
        return oParams;
    }

    DEVMODEA m_oStart = {};
};
} // namespace

TEST(GLDisplayModes, ModesAreFoundBySizeDepthAndRate)
{
    DEVMODEA oMode = {};
    ASSERT_TRUE(QIRN_Graphics_GL::FindDisplayMode(1024, 768, 32, 75, &oMode));
    EXPECT_EQ(oMode.dmPelsWidth, 1024u);
    EXPECT_EQ(oMode.dmPelsHeight, 768u);
    EXPECT_EQ(oMode.dmBitsPerPel, 32u);
    EXPECT_EQ(oMode.dmDisplayFrequency, 75u);

    // A rate of 0 takes the first listed mode of that size and depth, whatever its rate.
    DEVMODEA oFirst = {};
    bool bListed = false;
    for (DWORD i = 0; !bListed; ++i)
    {
        oFirst = {};
        oFirst.dmSize = sizeof(oFirst);
        ASSERT_TRUE(EnumDisplaySettingsA(nullptr, i, &oFirst));
        bListed = oFirst.dmPelsWidth == 1024 && oFirst.dmPelsHeight == 768 && oFirst.dmBitsPerPel == 32;
    }
    ASSERT_TRUE(QIRN_Graphics_GL::FindDisplayMode(1024, 768, 32, 0, &oMode));
    EXPECT_EQ(oMode.dmDisplayFrequency, oFirst.dmDisplayFrequency);

    EXPECT_FALSE(QIRN_Graphics_GL::FindDisplayMode(1024, 768, 32, 61, &oMode));
    EXPECT_FALSE(QIRN_Graphics_GL::FindDisplayMode(1000, 700, 32, 0, &oMode));
}

TEST_F(GLFullScreenTest, TheClientsModeIsSetAndTheRegistryModeComesBackWithTheDevice)
{
    // A rate the display is not in yet, so that the change shows.
    const int iRate = m_oStart.dmDisplayFrequency == 75 ? 85 : 75;
    QIRN_DeviceInfo* poInfo = nullptr;
    ASSERT_EQ(m_poGraphics->GetGraphicsDeviceInfo(0, &poInfo), OK);
    QIRN_GraphicsParams oParams = FullScreenParams(1024, 768, iRate);
    ASSERT_EQ(m_poGraphics->SetRenderingParams(&oParams, m_hWnd), OK) << m_oLog.All();
    const DEVMODEA oSet = CurrentMode();
    EXPECT_EQ(oSet.dmPelsWidth, 1024u);
    EXPECT_EQ(oSet.dmPelsHeight, 768u);
    EXPECT_EQ(oSet.dmDisplayFrequency, static_cast<DWORD>(iRate));
    EXPECT_FALSE(m_oLog.Contains("SelectAndSetDisplayMode"));
    // The device never lists modes, whatever the display has.
    EXPECT_FALSE(m_poGraphics->IsValidDisplayMode(0, 1024, 768, QIRN_FMT_X8R8G8B8, iRate));

    m_poGraphics.reset();
    const DEVMODEA oBack = CurrentMode();
    EXPECT_EQ(oBack.dmPelsWidth, m_oStart.dmPelsWidth);
    EXPECT_EQ(oBack.dmPelsHeight, m_oStart.dmPelsHeight);
    EXPECT_EQ(oBack.dmDisplayFrequency, m_oStart.dmDisplayFrequency);
}

TEST_F(GLFullScreenTest, AModeTheDisplayDoesNotListKeepsTheCurrentOne)
{
    QIRN_DeviceInfo* poInfo = nullptr;
    ASSERT_EQ(m_poGraphics->GetGraphicsDeviceInfo(0, &poInfo), OK);
    QIRN_GraphicsParams oParams = FullScreenParams(1000, 700, 60);
    ASSERT_EQ(m_poGraphics->SetRenderingParams(&oParams, m_hWnd), OK) << m_oLog.All();
    EXPECT_TRUE(
        m_oLog.Contains("\n*** QIRN_Graphics_GL::SelectAndSetDisplayMode() - Error : Could not set display "
                        "mode to : 1000 * 700 * 32 bpp * 60 Hz. Keeping current display mode.\n"));
    const DEVMODEA oNow = CurrentMode();
    EXPECT_EQ(oNow.dmPelsWidth, m_oStart.dmPelsWidth);
    EXPECT_EQ(oNow.dmPelsHeight, m_oStart.dmPelsHeight);
    EXPECT_EQ(oNow.dmDisplayFrequency, m_oStart.dmDisplayFrequency);
    EXPECT_NE(m_poGraphics->GetRenderingContext(), nullptr);
}
