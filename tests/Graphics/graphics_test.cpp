#include "qirn_bitmap.h"
#include "qirn_graphics.h"
#include "qirn_settings.h"
#include "qirn_test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace
{
// What the scripted fonts of one test were asked to do.
struct FontScript
{
    QIRN_ErrorCode eLoad = GENERICERROR;
    QIRN_ErrorCode eCreate = OK;
    QIRN_ErrorCode eDraw = OK;
    std::vector<std::string> loads;
    std::vector<std::string> creates;
    std::vector<std::string> draws;
    int iDestroyed = 0;
};

class ScriptedFont : public QIRN_Font
{
public:
    explicit ScriptedFont(FontScript* pScript) : m_pScript(pScript) {}
    ~ScriptedFont() override { ++m_pScript->iDestroyed; }

    void CreateTexture() override {}
    QIRN_ErrorCode Init(QIRN_Graphics* pGraphics) override
    {
        m_pGraphics = pGraphics;
        return OK;
    }
    QIRN_ErrorCode Create(std::string szFace, int iPoints, int iStyle) override
    {
        m_pScript->creates.push_back(QIRN_MakeFontKey(szFace, iPoints, static_cast<uint32_t>(iStyle)));
        return m_pScript->eCreate;
    }
    QIRN_ErrorCode Load(std::string szName) override
    {
        m_pScript->loads.push_back(szName);
        return m_pScript->eLoad;
    }
    QIRN_ErrorCode DrawText(std::string szText, float x, float y, uint32_t dwColor, uint32_t dwFlags) override
    {
        char szCall[256];
        snprintf(szCall, sizeof(szCall), "%s %s %.1f %.1f %08X %u", m_strName.c_str(), szText.c_str(), x, y,
                 dwColor, dwFlags);
        m_pScript->draws.push_back(szCall);
        return m_pScript->eDraw;
    }
    QIRN_ErrorCode DrawTextScaled(std::string, float, float, float, uint32_t, uint32_t) override
    {
        return OK;
    }
    QIRN_ErrorCode DrawText3D(std::string, uint32_t, uint32_t) override { return OK; }

    QIRN_Graphics* m_pGraphics = nullptr;

private:
    FontScript* m_pScript;
};

// A font whose glyphs come from the base class: GDI or a prepared texture.
class BitmapFont : public QIRN_Font
{
public:
    ~BitmapFont() override { delete m_poTexture; }
    void CreateTexture() override { m_poTexture = new QIRN_Bitmap; }
    QIRN_ErrorCode Init(QIRN_Graphics*) override { return OK; }
    QIRN_ErrorCode DrawText(std::string, float, float, uint32_t, uint32_t) override { return OK; }
    QIRN_ErrorCode DrawTextScaled(std::string, float, float, float, uint32_t, uint32_t) override
    {
        return OK;
    }
    QIRN_ErrorCode DrawText3D(std::string, uint32_t, uint32_t) override { return OK; }
};

// A renderer that does nothing but make fonts.
class TestGraphics : public QIRN_Graphics
{
public:
    explicit TestGraphics(QIRN_Engine* pEngine = nullptr) : QIRN_Graphics(pEngine) {}
    ~TestGraphics() override { delete m_poDeviceInfo; }

    QIRN_ErrorCode SetLights(QIRN_LINKEDLIST<QIRN_LightActor>*, uint32_t) override { return OK; }
    QIRN_Font* CreateFont() override
    {
        ++m_iFontsMade;
        if (m_bBitmapFonts)
        {
            return new BitmapFont;
        }
        return m_pScript ? new ScriptedFont(m_pScript) : nullptr;
    }
    QIRN_ErrorCode ConvertTexture(QIRN_Bitmap*, int) override { return OK; }
    QIRN_ErrorCode CreateRenderTarget(QIRN_RenderTarget*) override { return OK; }
    QIRN_ErrorCode LoadMesh(QIRN_MeshData*, int) override { return OK; }
    QIRN_ErrorCode RenderMesh(QIRN_MeshData*, int, int) override { return OK; }
    QIRN_ErrorCode SetShader(QIRN_Shader*, int, uint32_t) override { return OK; }
    QIRN_ErrorCode LoadShader(QIRN_Shader*) override { return OK; }
    QIRN_ErrorCode ReloadShader(QIRN_Shader*) override { return OK; }
    QIRN_ErrorCode RemoveShader(std::string) override { return OK; }
    QIRN_ErrorCode SetVertexShaderConstants(uint32_t, const float*, uint32_t) override { return OK; }
    QIRN_ErrorCode SetPixelShaderConstants(uint32_t, const float*, uint32_t) override { return OK; }
    QIRN_ErrorCode ValidateVertexShader(QIRN_ShaderPass*, std::string) override { return OK; }
    QIRN_ErrorCode ValidatePixelShader(std::string) override { return OK; }
    QIRN_ErrorCode ReloadVertexShader(QIRN_ShaderPass*, std::string) override { return OK; }
    QIRN_ErrorCode ReloadPixelShader(QIRN_ShaderPass*, std::string) override { return OK; }
    QIRN_ErrorCode LoadGeometry(QIRN_Geometry*) override { return OK; }
    QIRN_ErrorCode RenderGeometry(QIRN_Geometry*, QIRN_CameraActor*, int) override { return OK; }
    QIRN_ErrorCode GetNumAdapters(int* piCount) override
    {
        *piCount = 1;
        return OK;
    }
    QIRN_ErrorCode GetGraphicsDeviceInfo(uint32_t, QIRN_DeviceInfo** ppInfo) override
    {
        if (!m_poDeviceInfo)
        {
            m_poDeviceInfo = new QIRN_DeviceInfo;
        }
        if (ppInfo)
        {
            *ppInfo = m_poDeviceInfo;
        }
        return OK;
    }
    QIRN_ErrorCode SetRenderingParams(QIRN_GraphicsParams*, HWND) override { return OK; }
    bool IsValidDisplayMode(uint32_t, uint32_t dwWidth, uint32_t dwHeight, QIRN_PixelFormat eFormat,
                            uint32_t dwRefreshRate) override
    {
        return m_poDeviceInfo && m_poDeviceInfo->HasDisplayMode(dwWidth, dwHeight, eFormat, dwRefreshRate);
    }
    QIRN_ErrorCode RenderFrame(QIRN_World*, QIRN_CameraActor*, bool) override { return OK; }
    QIRN_ErrorCode PresentFrame() override { return OK; }
    QIRN_ErrorCode RenderWorld(QIRN_World*, QIRN_CameraActor*, int, bool) override { return OK; }
    QIRN_ErrorCode UpdateRenderTargets(QIRN_World*, QIRN_CameraActor*) override { return OK; }
    QIRN_ErrorCode ScreenDump(const char*) override { return OK; }
    QIRN_ErrorCode UpdateShaders(float) override { return OK; }
    QIRN_ErrorCode ReleaseResources() override { return OK; }
    QIRN_ErrorCode RenameShader(std::string, std::string) override { return OK; }

    FontScript* m_pScript = nullptr;
    bool m_bBitmapFonts = false;
    int m_iFontsMade = 0;
};

// An engine is only ever handed back to the frame-rate lock source; its address is enough.
QIRN_Engine* FakeEngine()
{
    static char s_cEngine;
    return reinterpret_cast<QIRN_Engine*>(&s_cEngine);
}

struct LockSource
{
    static bool bHasConsole;
    static int32_t iLock;
    static QIRN_Engine* pAskedEngine;
    static bool Read(QIRN_Engine* pEngine, int32_t* piLock)
    {
        pAskedEngine = pEngine;
        if (!bHasConsole)
        {
            return false;
        }
        *piLock = iLock;
        return true;
    }
};
bool LockSource::bHasConsole = true;
int32_t LockSource::iLock = 0;
QIRN_Engine* LockSource::pAskedEngine = nullptr;

class FrameLimiterTest : public testing::Test
{
protected:
    void SetUp() override
    {
        LockSource::bHasConsole = true;
        LockSource::iLock = 0;
        LockSource::pAskedEngine = nullptr;
        QIRN_Graphics::SetFrameRateLockSource(&LockSource::Read);
    }
    void TearDown() override { QIRN_Graphics::SetFrameRateLockSource(nullptr); }

    // The limiter's answer for a frame at time t, as RenderFrame asks it.
    bool FrameAt(double t)
    {
        m_oGraphics.m_dCurrentTime = t;
        return m_oGraphics.TimeToRender();
    }

    TestGraphics m_oGraphics{FakeEngine()};
};

bool IsIdentity(const QIRN_Matrix4& m)
{
    const float* p = m.Data();
    for (int i = 0; i < 16; ++i)
    {
        if (p[i] != (i % 5 == 0 ? 1.0f : 0.0f))
        {
            return false;
        }
    }
    return true;
}
} // namespace

TEST(GraphicsTest, ConstructionDefaults)
{
    TestGraphics graphics(FakeEngine());
    EXPECT_EQ(graphics.m_pEngine, FakeEngine());
    EXPECT_EQ(graphics.m_poDeviceInfo, nullptr);
    EXPECT_EQ(graphics.m_pCamera, nullptr);
    EXPECT_EQ(graphics.m_pFrustumCamera, nullptr);
    EXPECT_TRUE(IsIdentity(graphics.m_oViewMatrix));
    EXPECT_TRUE(IsIdentity(graphics.m_oProjectionMatrix));
    EXPECT_EQ(graphics.m_oFontTree.GetFirstNode(), nullptr);
    EXPECT_EQ(graphics.m_poFont, nullptr);
    EXPECT_EQ(graphics.m_iNumWorldPasses, 1);
    EXPECT_EQ(graphics.m_dMinFrameRate, 9999.900390625);
    EXPECT_EQ(graphics.m_dFrameRate + graphics.m_dAverageFrameRate + graphics.m_dMaxFrameRate, 0.0);
    EXPECT_EQ(graphics.m_dwWindowSize, 50u);
    EXPECT_EQ(graphics.m_dwTotalFrames + graphics.m_dwResyncCount + graphics.m_dwFrameRateLock, 0u);
    EXPECT_EQ(graphics.m_pfnPreRenderFrame, nullptr);
    EXPECT_EQ(graphics.m_pfnPostRenderFrame, nullptr);
}

TEST(GraphicsTest, BaseOperations)
{
    qirn_test::LogCapture log;
    TestGraphics graphics;
    QIRN_Matrix4 view;
    Matrix_Translation(1.0f, 2.0f, 3.0f, &graphics.m_oViewMatrix);
    EXPECT_EQ(graphics.GetViewMatrix(&view), OK);
    EXPECT_EQ(view._42, 2.0f);
    EXPECT_EQ(graphics.GetViewMatrix(nullptr), INVALIDPARAMS);
    EXPECT_EQ(log.All(), "*** QIRN_Graphics::GetViewMatrix() - oDest is NULL\n");
    EXPECT_EQ(graphics.DrawPixel(1, 2, 0xFFFFFFFF), OK);
    EXPECT_EQ(graphics.ClientDrawText("text", 1.0f, 2.0f, 0, 0), OK);

    // Back-buffer size from the device information, 0 before there is any.
    EXPECT_EQ(graphics.GetBackBufferWidth(), 0u);
    EXPECT_EQ(graphics.GetBackBufferHeight(), 0u);
    QIRN_DeviceInfo* pInfo = nullptr;
    ASSERT_EQ(graphics.GetGraphicsDeviceInfo(0, &pInfo), OK);
    pInfo->m_dwWidth = 1024;
    pInfo->m_dwHeight = 768;
    EXPECT_EQ(graphics.GetBackBufferWidth(), 1024u);
    EXPECT_EQ(graphics.GetBackBufferHeight(), 768u);
}

TEST(GraphicsTest, NoEngineNoFrame)
{
    qirn_test::LogCapture log;
    TestGraphics graphics;
    EXPECT_FALSE(graphics.TimeToRender());
    EXPECT_EQ(log.All(), "*** QIRN_Graphics::TimeToRender() - pEngine is NULL!!!\n");
}

TEST_F(FrameLimiterTest, NoLockRendersEveryFrame)
{
    for (int i = 0; i < 10; ++i)
    {
        EXPECT_TRUE(FrameAt(0.001 * i));
    }
    EXPECT_EQ(LockSource::pAskedEngine, FakeEngine());
    // A negative lock is no limit either.
    LockSource::iLock = -5;
    EXPECT_TRUE(FrameAt(0.0105));
    EXPECT_TRUE(FrameAt(0.0106));
    EXPECT_EQ(m_oGraphics.m_dwFrameRateLock, 0u);
}

TEST_F(FrameLimiterTest, LockSpacesFramesByThePeriod)
{
    LockSource::iLock = 30;
    const double dPeriod = 1.0 / 30;
    std::vector<int> rendered;
    for (int i = 0; i < 60; ++i)
    {
        const double dBefore = m_oGraphics.m_dNextFrameTime;
        if (FrameAt(0.005 + 0.01 * i))
        {
            rendered.push_back(i);
            EXPECT_NEAR(m_oGraphics.m_dNextFrameTime - dBefore, dPeriod, 1e-12) << i;
        }
        else
        {
            EXPECT_EQ(m_oGraphics.m_dNextFrameTime, dBefore) << i;
        }
    }
    EXPECT_EQ(m_oGraphics.m_dwFrameRateLock, 30u);
    EXPECT_DOUBLE_EQ(m_oGraphics.m_dFramePeriod, dPeriod);
    EXPECT_EQ(m_oGraphics.m_dwResyncCount, 0u);
    ASSERT_EQ(rendered.size(), 18u);
    for (size_t k = 1; k < rendered.size(); ++k)
    {
        const int iGap = rendered[k] - rendered[k - 1];
        EXPECT_TRUE(iGap == 3 || iGap == 4) << "gap " << iGap << " before call " << rendered[k];
    }
}

TEST_F(FrameLimiterTest, PauseRestartsTheSchedule)
{
    LockSource::iLock = 10;
    EXPECT_TRUE(FrameAt(0.0));
    EXPECT_FALSE(FrameAt(0.05));
    EXPECT_TRUE(FrameAt(0.1));
    EXPECT_EQ(m_oGraphics.m_dwResyncCount, 0u);
    // A pause longer than one period: one resynchronisation, next frame one period after now.
    EXPECT_TRUE(FrameAt(2.0));
    EXPECT_EQ(m_oGraphics.m_dwResyncCount, 1u);
    EXPECT_DOUBLE_EQ(m_oGraphics.m_dNextFrameTime, 2.1);
    EXPECT_FALSE(FrameAt(2.05));
    EXPECT_TRUE(FrameAt(2.1));
    EXPECT_EQ(m_oGraphics.m_dwResyncCount, 1u);
}

TEST_F(FrameLimiterTest, LockStaysWithoutConsole)
{
    LockSource::bHasConsole = false;
    m_oGraphics.m_dwFrameRateLock = 10;
    EXPECT_TRUE(FrameAt(0.0));
    EXPECT_FALSE(FrameAt(0.05));
    EXPECT_EQ(m_oGraphics.m_dwFrameRateLock, 10u);

    // Without a source the lock also stays as it stands.
    QIRN_Graphics::SetFrameRateLockSource(nullptr);
    EXPECT_TRUE(FrameAt(0.1));
    EXPECT_FALSE(FrameAt(0.15));
}

TEST_F(FrameLimiterTest, FrameStatisticsOverWindowsOf50)
{
    // Frames every 20 ms from t = 1 s; the first window also holds the second before the first frame.
    double t = 1.0;
    for (int iFrame = 0; iFrame < 150; ++iFrame, t += 0.02)
    {
        ASSERT_TRUE(FrameAt(t));
        m_oGraphics.UpdateFrameStats();
        if (iFrame == 49)
        {
            EXPECT_NEAR(m_oGraphics.m_dFrameRate, 50.0 / 1.98, 1e-9);
            EXPECT_NEAR(m_oGraphics.m_dMinFrameRate, 50.0 / 1.98, 1e-9);
            EXPECT_NEAR(m_oGraphics.m_dAverageFrameRate, 49.0 / 1.98, 1e-9);
            EXPECT_EQ(m_oGraphics.m_dwWindowFrames, 0u);
        }
        if (iFrame == 48)
        {
            EXPECT_EQ(m_oGraphics.m_dFrameRate, 0.0);
            EXPECT_EQ(m_oGraphics.m_dwWindowFrames, 49u);
        }
        // RenderFrame counts the frame after the statistics step.
        ++m_oGraphics.m_dwTotalFrames;
    }
    EXPECT_NEAR(m_oGraphics.m_dFrameRate, 50.0, 1e-6);
    EXPECT_NEAR(m_oGraphics.m_dMaxFrameRate, 50.0, 1e-6);
    EXPECT_NEAR(m_oGraphics.m_dMinFrameRate, 50.0 / 1.98, 1e-9);
    EXPECT_NEAR(m_oGraphics.m_dTotalTime, 1.98 + 2.0, 1e-9);
    EXPECT_NEAR(m_oGraphics.m_dAverageFrameRate, 149.0 / 3.98, 1e-9);
}

TEST_F(FrameLimiterTest, StoppedClockGivesNoInfiniteRate)
{
    for (int i = 0; i < 50; ++i)
    {
        ASSERT_TRUE(FrameAt(0.0));
        m_oGraphics.UpdateFrameStats();
    }
    EXPECT_EQ(m_oGraphics.m_dwWindowFrames, 0u);
    EXPECT_EQ(m_oGraphics.m_dFrameRate, 0.0);
    EXPECT_TRUE(std::isfinite(m_oGraphics.m_dAverageFrameRate));
    EXPECT_TRUE(std::isfinite(m_oGraphics.m_dMaxFrameRate));
}

TEST(GraphicsFontTest, PreparedFontIsLoadedUnderItsKey)
{
    qirn_test::LogCapture log;
    FontScript script;
    script.eLoad = OK;
    TestGraphics graphics;
    graphics.m_pScript = &script;
    EXPECT_EQ(graphics.SetFont("Arial", 12, 3), OK);
    EXPECT_EQ(script.loads, std::vector<std::string>({"Arial Bold Italic 12 pts"}));
    EXPECT_TRUE(script.creates.empty());
    ASSERT_NE(graphics.m_poFont, nullptr);
    EXPECT_EQ(static_cast<ScriptedFont*>(graphics.m_poFont)->m_pGraphics, &graphics);
    auto* pNode = graphics.m_oFontTree.FindNode("Arial Bold Italic 12 pts");
    ASSERT_NE(pNode, nullptr);
    EXPECT_EQ(pNode->m_pData, graphics.m_poFont);

    // The same face, size and style again makes nothing.
    QIRN_Font* pFirst = graphics.m_poFont;
    EXPECT_EQ(graphics.SetFont("Arial", 12, 3), OK);
    EXPECT_EQ(graphics.m_iFontsMade, 1);
    EXPECT_EQ(graphics.m_poFont, pFirst);
    EXPECT_TRUE(log.All().empty()) << log.All();
}

TEST(GraphicsFontTest, RenderedWhenNoPreparedFont)
{
    qirn_test::LogCapture log;
    FontScript script;
    auto pGraphics = std::make_unique<TestGraphics>();
    pGraphics->m_pScript = &script;
    EXPECT_EQ(pGraphics->SetFont("Courier", 9, 0), OK);
    EXPECT_EQ(script.loads, std::vector<std::string>({"Courier 9 pts"}));
    EXPECT_EQ(script.creates, std::vector<std::string>({"Courier 9 pts"}));
    EXPECT_EQ(log.All(), "*** QIRN_Graphics::SetFont() - Creating font!\n"
                         "*** QIRN_Graphics::SetFont() - Font created successfully!\n");
    QIRN_Font* pCourier = pGraphics->m_poFont;

    EXPECT_EQ(pGraphics->SetFont("Courier", 9, 1), OK);
    EXPECT_NE(pGraphics->m_poFont, pCourier);
    EXPECT_EQ(pGraphics->SetFont("Courier", 9, 0), OK);
    EXPECT_EQ(pGraphics->m_poFont, pCourier);
    EXPECT_EQ(pGraphics->m_iFontsMade, 2);

    // The graphics object owns its fonts.
    pGraphics.reset();
    EXPECT_EQ(script.iDestroyed, 2);
}

TEST(GraphicsFontTest, FailedFontLeavesNoCurrentFont)
{
    qirn_test::LogCapture log;
    FontScript script;
    script.eCreate = GENERICERROR;
    TestGraphics graphics;
    graphics.m_pScript = &script;
    EXPECT_EQ(graphics.SetFont("Nothing", 10, 0), GENERICERROR);
    EXPECT_EQ(graphics.m_poFont, nullptr);
    EXPECT_EQ(graphics.m_oFontTree.GetFirstNode(), nullptr);
    EXPECT_EQ(script.iDestroyed, 1);
    EXPECT_TRUE(log.Contains("*** QIRN_Graphics::SetFont() - Unable to set font Nothing\n"));
    EXPECT_FALSE(log.Contains("Font created successfully"));
}

TEST(GraphicsFontTest, ImplementationWithoutFonts)
{
    qirn_test::LogCapture log;
    TestGraphics graphics;
    EXPECT_EQ(graphics.SetFont("Arial", 10, 0), GENERICERROR);
    EXPECT_EQ(graphics.m_poFont, nullptr);
    EXPECT_EQ(log.All(), "*** QIRN_Graphics::SetFont() - CreateFont() returned NULL\n"
                         "*** QIRN_Graphics::SetFont() - Unable to set font Arial\n");

    log.Clear();
    EXPECT_EQ(graphics.DrawText("hello", 1.0f, 2.0f, 0xFFFFFFFF, 0), GENERICERROR);
    EXPECT_TRUE(log.Contains("QIRN_Graphics::DrawText() - Unable to set font!\n"));
    EXPECT_EQ(graphics.GetCharHeight(' '), 0u);
}

TEST(GraphicsFontTest, DrawTextUsesTheDefaultFont)
{
    qirn_test::LogCapture log;
    FontScript script;
    script.eLoad = OK;
    TestGraphics graphics;
    graphics.m_pScript = &script;
    EXPECT_EQ(graphics.DrawText("Fps", 15.0f, 15.0f, 0x99FFFFFF, 0x10), OK);
    EXPECT_EQ(script.loads, std::vector<std::string>({"Lucida Console 10 pts"}));
    EXPECT_EQ(script.draws, std::vector<std::string>({" Fps 15.0 15.0 99FFFFFF 16"}));

    // The current font draws; its failure code is handed on.
    script.eDraw = NULL_POINTER;
    EXPECT_EQ(graphics.DrawText("x", 0.0f, 0.0f, 0, 0), NULL_POINTER);
    EXPECT_TRUE(log.Contains("QIRN_Graphics::DrawText() - Unable to draw text!\n"));
    EXPECT_EQ(graphics.m_iFontsMade, 1);

    graphics.m_poFont->m_adwHeight[' '] = 13;
    EXPECT_EQ(graphics.GetCharHeight(' '), 13u);
}

TEST(GraphicsFontTest, DrawTextTriesTheDefaultFontAgainAfterAFailure)
{
    FontScript script;
    script.eCreate = GENERICERROR;
    TestGraphics graphics;
    graphics.m_pScript = &script;
    EXPECT_EQ(graphics.DrawText("a", 0.0f, 0.0f, 0, 0), GENERICERROR);
    script.eCreate = OK;
    EXPECT_EQ(graphics.DrawText("a", 0.0f, 0.0f, 0, 0), OK);
    EXPECT_EQ(graphics.m_iFontsMade, 2);
    EXPECT_EQ(script.draws.size(), 1u);
}

TEST(GraphicsFontTest, DefaultFontRenderedThroughGdi)
{
    qirn_test::ScopedTempDir dir;
    qirn_test::WriteFile("test.ini", "");
    QIRN_InitEnginePath(dir.Path() + "\\test.ini");
    qirn_test::LogCapture log;
    TestGraphics graphics;
    graphics.m_bBitmapFonts = true;
    EXPECT_EQ(graphics.DrawText("Hello", 0.0f, 0.0f, 0, 0), OK);
    ASSERT_NE(graphics.m_poFont, nullptr);
    EXPECT_EQ(graphics.m_poFont->m_strName, "Lucida Console 10 pts");
    EXPECT_EQ(graphics.m_poFont->m_dwTextureSize, 256u);
    EXPECT_GT(graphics.GetCharHeight(' '), 0u);
    // No prepared texture of that name: the load is tried, then the glyphs are rendered.
    EXPECT_TRUE(log.Contains("WARNING: Texture (Lucida Console 10 pts.tga) could not be loaded"));
    EXPECT_TRUE(log.Contains("*** QIRN_Graphics::SetFont() - Font created successfully!\n"));
}

TEST(DeviceInfoTest, RecordAndDisplayModes)
{
    QIRN_DeviceInfo info;
    EXPECT_EQ(info.m_szDriver[0], '\0');
    EXPECT_EQ(info.m_pDisplayModes, nullptr);
    EXPECT_EQ(info.m_dwNumDisplayModes, 0u);
    EXPECT_FALSE(info.HasDisplayMode(1024, 768, QIRN_FMT_X8R8G8B8, 60));

    QIRN_DisplayMode* pModes = info.AllocateDisplayModes(2);
    ASSERT_NE(pModes, nullptr);
    EXPECT_EQ(info.m_dwNumDisplayModes, 2u);
    EXPECT_EQ(pModes[1].m_dwNumTextureFormats, 0u);
    pModes[0] = {1024, 768, 60, QIRN_FMT_X8R8G8B8, {QIRN_FMT_D24S8}, 1, {QIRN_FMT_A8R8G8B8}, 1};
    pModes[1] = {800, 600, 75, QIRN_FMT_R5G6B5, {}, 0, {}, 0};

    TestGraphics graphics;
    EXPECT_FALSE(graphics.IsValidDisplayMode(0, 1024, 768, QIRN_FMT_X8R8G8B8, 60));
    QIRN_DeviceInfo* pInfo = nullptr;
    graphics.GetGraphicsDeviceInfo(0, &pInfo);
    *pInfo->AllocateDisplayModes(1) = pModes[0];
    EXPECT_TRUE(graphics.IsValidDisplayMode(0, 1024, 768, QIRN_FMT_X8R8G8B8, 60));
    // Size, format and refresh rate must all match.
    EXPECT_FALSE(graphics.IsValidDisplayMode(0, 1024, 768, QIRN_FMT_X8R8G8B8, 75));
    EXPECT_FALSE(graphics.IsValidDisplayMode(0, 1024, 768, QIRN_FMT_R5G6B5, 60));
    EXPECT_FALSE(graphics.IsValidDisplayMode(0, 800, 768, QIRN_FMT_X8R8G8B8, 60));
    EXPECT_TRUE(info.HasDisplayMode(800, 600, QIRN_FMT_R5G6B5, 75));

    EXPECT_EQ(info.AllocateDisplayModes(0), nullptr);
    EXPECT_EQ(info.m_dwNumDisplayModes, 0u);
    EXPECT_FALSE(info.HasDisplayMode(800, 600, QIRN_FMT_R5G6B5, 75));
}

TEST(DeviceInfoTest, DeviceTextIsCutToFit)
{
    QIRN_DeviceInfo info;
    const std::string szLong(300, 'x');
    QIRN_CopyDeviceText(info.m_szDescription, sizeof(info.m_szDescription), szLong.c_str());
    EXPECT_EQ(std::string(info.m_szDescription), std::string(255, 'x'));
    QIRN_CopyDeviceText(info.m_szDriver, sizeof(info.m_szDriver), "d3d8.dll");
    EXPECT_STREQ(info.m_szDriver, "d3d8.dll");
    QIRN_CopyDeviceText(info.m_szDriver, sizeof(info.m_szDriver), nullptr);
    EXPECT_STREQ(info.m_szDriver, "");
}
