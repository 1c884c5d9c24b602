#include "fake_engine_parts.h"
#include "qirn_audio_dx8.h"
#include "qirn_settings.h"
#include "qirn_test_support.h"
#include "qirn_timer.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using engine_test::FakeConsole;
using engine_test::FakeGraphics;
using engine_test::FakeParts;

namespace
{
typedef std::vector<std::string> Calls;

class EngineTest : public testing::Test
{
protected:
    void SetUp() override
    {
        qirn_test::WriteFile("test.ini", "");
        m_oEngine.SetFactory(m_oParts.Factory());
        QIRN_EngineParams oParams;
        oParams.m_strIniFile = m_oDir.Path() + "\\test.ini";
        ASSERT_EQ(m_oEngine.Initialize(oParams), OK);
    }

    // The client's record: Direct3D 8, full screen, mode checked.
    static QIRN_GraphicsParams ClientParams(uint32_t dwDisplay = 0)
    {
        QIRN_GraphicsParams oParams;
        oParams.m_iAPI = QIRN_GRAPHICS_DX8;
        oParams.m_dwDisplay = dwDisplay;
        oParams.m_iWidth = 1024;
        oParams.m_iHeight = 768;
        oParams.m_iBackBufferFormat = 22;
        oParams.m_iBackBufferCount = 1;
        oParams.m_iDepthStencilFormat = 76;
        oParams.m_iDeviceType = 1;
        oParams.m_dwVertexProcessing = 128;
        oParams.m_bValidateDisplayMode = true;
        oParams.m_bZBuffer = true;
        return oParams;
    }

    // Graphics on display 0 with its console, and a world of the given time scale.
    void StartScene(float fTimeScale)
    {
        QIRN_GraphicsParams oParams = ClientParams();
        ASSERT_EQ(m_oEngine.InitGraphics(&oParams), OK);
        ASSERT_EQ(m_oEngine.InitConsole(&oParams), OK);
        WriteWorld("scene.w", fTimeScale);
        ASSERT_EQ(m_oEngine.LoadWorld(nullptr, "scene"), OK);
        m_oParts.vJournal.clear();
    }

    static void WriteWorld(const std::string& strFile, float fTimeScale)
    {
        qirn_test::WriteFile(strFile, "qirn_world_version2.0\n{\n    TimeScale { " +
                                          std::to_string(fTimeScale) + " }\n}\n");
    }

    qirn_test::ScopedTempDir m_oDir;
    qirn_test::LogCapture m_oLog;
    FakeParts m_oParts;
    QIRN_Engine m_oEngine;
};
} // namespace

TEST_F(EngineTest, InitializeMakesTimerAndEventQueue)
{
    EXPECT_NE(m_oEngine.GetTimer(), nullptr);
    ASSERT_NE(m_oEngine.m_poEventMsgManager, nullptr);
    ASSERT_NE(m_oEngine.m_poEventMsgClient, nullptr);
    EXPECT_EQ(m_oEngine.m_poEventMsgClient->m_dwClient, m_oEngine.GetID());
    EXPECT_EQ(QIRN_IniFileName(), m_oDir.Path() + "\\test.ini");
    EXPECT_EQ(QIRN_EnginePath(), m_oDir.Path());

    // Messages posted to the engine are drained and freed by the next update.
    QIRN_EventMsg* pMsg = new QIRN_EventMsg{1, 2, 3};
    m_oEngine.m_poEventMsgClient->PostEventMsg(pMsg);
    m_oEngine.Update(0.0f, false);
    EXPECT_EQ(m_oEngine.m_poEventMsgClient->PeekEventMsg(), nullptr);

    QIRN_EngineParams oParams;
    EXPECT_EQ(m_oEngine.Initialize(oParams), GENERICERROR);
}

TEST_F(EngineTest, InitGraphicsRefusesBadRequests)
{
    struct Case
    {
        int32_t iAPI;
        uint32_t dwDisplay;
        QIRN_ErrorCode eResult;
        const char* szLog;
    };
    const Case cases[] = {
        {QIRN_GRAPHICS_DX8, 2, GRAPHICS_INVALIDDEVICE,
         "*** QIRN_Engine::InitGraphics() Too many graphics devices\n"},
        {QIRN_GRAPHICS_DX7, 0, GENERICERROR,
         "*** QIRN_Engine::InstantiateGraphics(): DirectX7 API unimplemented\n"},
        {0, 0, GENERICERROR, "*** QIRN_Engine::InstantiateGraphics(): Unknown Specified API\n"},
        {9, 1, GENERICERROR, "*** QIRN_Engine::InitGraphics() : InstantiateGraphics for Display #1 failed\n"},
    };
    for (const Case& c : cases)
    {
        QIRN_GraphicsParams oParams = ClientParams(c.dwDisplay);
        oParams.m_iAPI = c.iAPI;
        m_oLog.Clear();
        EXPECT_EQ(m_oEngine.InitGraphics(&oParams), c.eResult) << c.iAPI;
        EXPECT_TRUE(m_oLog.Contains(c.szLog)) << m_oLog.All();
    }
    EXPECT_EQ(m_oEngine.InitGraphics(nullptr), INVALIDPARAMS);
    EXPECT_TRUE(m_oParts.vJournal.empty());
    EXPECT_EQ(m_oEngine.InstantiateGraphics(MAXGRAPHICSDEVICES, QIRN_GRAPHICS_DX8), GRAPHICS_INVALIDDEVICE);

    m_oParts.bMakeGraphics = false;
    QIRN_GraphicsParams oParams = ClientParams();
    EXPECT_EQ(m_oEngine.InitGraphics(&oParams), GENERICERROR);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_Engine::InstantiateGraphics(): Creation of DX8 API FAILED\n"));
    oParams.m_iAPI = QIRN_GRAPHICS_OPENGL;
    EXPECT_EQ(m_oEngine.InitGraphics(&oParams), GENERICERROR);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_Engine::InstantiateGraphics(): Creation of OpenGL API FAILED\n"));
    EXPECT_EQ(m_oEngine.GetGraphicsInterface(0), nullptr);
}

TEST_F(EngineTest, InitGraphicsMakesAndKeepsTheDevice)
{
    QIRN_GraphicsParams oParams = ClientParams();
    oParams.m_bLowResTextures = true;
    ASSERT_EQ(m_oEngine.InitGraphics(&oParams), OK);
    EXPECT_EQ(m_oParts.vJournal, (Calls{"graphics 1 create", "graphics 1 info 0",
                                        "graphics 1 mode 1024x768 22 0", "graphics 1 params 1024"}));
    FakeGraphics* poGraphics = static_cast<FakeGraphics*>(m_oEngine.GetGraphicsInterface(0));
    ASSERT_NE(poGraphics, nullptr);
    EXPECT_EQ(poGraphics->m_pEngine, &m_oEngine);
    EXPECT_EQ(poGraphics->m_bLowResTextures, 1);
    EXPECT_EQ(m_oEngine.m_aoGraphicsParams[0].m_iDepthStencilFormat, 76);
    EXPECT_TRUE(m_oEngine.m_aoGraphicsParams[0].m_bLowResTextures);

    // A second request keeps the first device.
    EXPECT_EQ(m_oEngine.InitGraphics(&oParams), GRAPHICS_ALREADYINITIALIZED);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_Engine::InitGraphics(): Display #0 is already initialized\n"));
    EXPECT_EQ(m_oEngine.InstantiateGraphics(0, QIRN_GRAPHICS_DX8), GENERICERROR);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_Engine::InstantiateGraphics(): Device 0 already initialized\n"));
    EXPECT_EQ(m_oEngine.GetGraphicsInterface(0), poGraphics);

    // Display numbers are logged as signed numbers.
    const uint32_t dwMinusOne = 0xFFFFFFFFu;
    EXPECT_EQ(m_oEngine.GetGraphicsInterface(dwMinusOne), nullptr);
    EXPECT_EQ(m_oEngine.Render(dwMinusOne, nullptr), GENERICERROR);
    EXPECT_TRUE(
        m_oLog.Contains("*** QIRN_Engine::GetGraphicsInterface(): Specified display number (-1) greater than "
                        "MAXGRAPHICSDEVICES\n"))
        << m_oLog.All();
    EXPECT_TRUE(m_oLog.Contains(
        "*** QIRN_Engine::Render(): Specified device number (-1) greater than MAXGRAPHICSDEVICES\n"));

    // Display 1 is made and asked even when there is no such display; OpenGL gets its engine.
    m_oParts.vJournal.clear();
    oParams = ClientParams(1);
    oParams.m_iAPI = QIRN_GRAPHICS_OPENGL;
    oParams.m_bWindowed = true;
    ASSERT_EQ(m_oEngine.InitGraphics(&oParams), OK);
    EXPECT_EQ(m_oParts.vJournal, (Calls{"graphics 2 create", "graphics 2 info 1", "graphics 2 params 1024"}));
    EXPECT_EQ(m_oEngine.GetGraphicsInterface(1)->m_pEngine, &m_oEngine);
    EXPECT_EQ(m_oEngine.GetGraphicsInterface(2), nullptr);
    EXPECT_TRUE(
        m_oLog.Contains("*** QIRN_Engine::GetGraphicsInterface(): Specified display number (2) greater than "
                        "MAXGRAPHICSDEVICES\n"));
}

TEST_F(EngineTest, InitGraphicsFailuresLeaveTheDeviceForTheCaller)
{
    struct Case
    {
        QIRN_ErrorCode eDeviceInfo;
        bool bValidMode;
        QIRN_ErrorCode eRenderingParams;
        QIRN_ErrorCode eResult;
        const char* szLog;
    };
    const Case cases[] = {
        {GENERICERROR, true, OK, GENERICERROR,
         "*** QIRN_Engine::InitGraphics(): m_apoGraphics[]->GetGraphicsDeviceInfo failed for display #0\n"},
        {OK, false, OK, QIRN_GRAPHICS_INVALIDDISPLAYMODE,
         "*** QIRN_Engine::InitGraphics() - Specified Resolution and bitdepth isn't supported\n"},
        {OK, true, GRAPHICS_INITFAILED, GRAPHICS_INITFAILED,
         "*** QIRN_Engine::InitGraphics(): SetRenderingParams for Display #0 failed\n"},
    };
    for (const Case& c : cases)
    {
        m_oParts.eDeviceInfo = c.eDeviceInfo;
        m_oParts.bValidMode = c.bValidMode;
        m_oParts.eRenderingParams = c.eRenderingParams;
        QIRN_GraphicsParams oParams = ClientParams();
        EXPECT_EQ(m_oEngine.InitGraphics(&oParams), c.eResult) << c.szLog;
        EXPECT_TRUE(m_oLog.Contains(c.szLog)) << c.szLog;
        EXPECT_NE(m_oEngine.GetGraphicsInterface(0), nullptr) << c.szLog;
        EXPECT_EQ(m_oEngine.m_aoGraphicsParams[0].m_iAPI, 0) << c.szLog;
        EXPECT_EQ(m_oEngine.ShutdownGraphics(0), OK);
        EXPECT_EQ(m_oEngine.GetGraphicsInterface(0), nullptr);
    }

    // A windowed request never asks for the display mode.
    m_oParts.vJournal.clear();
    m_oParts.eRenderingParams = OK;
    QIRN_GraphicsParams oParams = ClientParams();
    oParams.m_bWindowed = true;
    EXPECT_EQ(m_oEngine.InitGraphics(&oParams), OK);
    EXPECT_TRUE(m_oParts.Calls("graphics 4 mode").empty());
}

TEST_F(EngineTest, FrameRunsUpdateRenderPresent)
{
    StartScene(0.5f);
    QIRN_World* poWorld = m_oEngine.GetWorld();
    ASSERT_NE(poWorld, nullptr);
    EXPECT_EQ(m_oEngine.Update(0.1f, false), OK);
    EXPECT_EQ(m_oEngine.Render(0, nullptr), OK);
    EXPECT_EQ(m_oEngine.Present(0), OK);
    EXPECT_EQ(m_oParts.vJournal, (Calls{"graphics 1 shaders 0.050", "graphics 1 targets", "graphics 1 frame",
                                        "graphics 1 present"}));
    EXPECT_EQ(static_cast<FakeGraphics*>(m_oEngine.GetGraphicsInterface(0))->m_pFrameWorld, poWorld);
    EXPECT_EQ(m_oEngine.GetFrameCount(), 1u);
    EXPECT_FLOAT_EQ(m_oEngine.GetTotalTime(), 0.05f);
    EXPECT_FLOAT_EQ(poWorld->GetWorldTime(), 0.05f);
    // The world reaches the engine's window and audio.
    EXPECT_EQ(poWorld->GetEngine(), &m_oEngine);
    EXPECT_EQ(poWorld->GetEngineAudio(), m_oEngine.GetAudio());
    EXPECT_EQ(poWorld->GetEngineWindow(), m_oEngine.GetWindow());

    // Without a world the step counts unscaled.
    EXPECT_EQ(m_oEngine.UnloadWorld(), OK);
    EXPECT_EQ(m_oEngine.GetWorld(), nullptr);
    m_oEngine.Update(0.1f, false);
    EXPECT_FLOAT_EQ(m_oEngine.GetTotalTime(), 0.15f);
    EXPECT_EQ(m_oEngine.GetFrameCount(), 2u);
}

TEST_F(EngineTest, RenderAndPresentCheckTheDisplay)
{
    StartScene(1.0f);
    EXPECT_EQ(m_oEngine.Render(2, nullptr), GENERICERROR);
    EXPECT_EQ(m_oEngine.Present(2), GENERICERROR);
    EXPECT_TRUE(m_oParts.vJournal.empty());
    EXPECT_TRUE(m_oLog.Contains(
        "*** QIRN_Engine::Render(): Specified device number (2) greater than MAXGRAPHICSDEVICES\n"));

    // Display 1 was never set up: nothing can be made for it, every frame.
    EXPECT_EQ(m_oEngine.Render(1, nullptr), GENERICERROR);
    EXPECT_EQ(m_oEngine.Present(1), GENERICERROR);
    EXPECT_EQ(m_oEngine.GetGraphicsInterface(1), nullptr);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_Engine::Render() : FAILED!\n"));
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_Engine::Present(): Specified device (#1) is NULL\n"));
}

TEST_F(EngineTest, LostDeviceIsMadeAgainFromTheKeptRecord)
{
    StartScene(1.0f);
    m_oParts.dFrameResults = {GRAPHICS_NOTINITIALIZED};
    EXPECT_EQ(m_oEngine.Render(0, nullptr), OK);
    // The world and the console let go of the device's resources before it is deleted.
    EXPECT_EQ(m_oParts.vJournal,
              (Calls{"graphics 1 targets", "graphics 1 frame", "console release", "console no graphics",
                     "graphics 1 delete", "graphics 2 create", "graphics 2 info 0",
                     "graphics 2 mode 1024x768 22 0", "graphics 2 params 1024", "console graphics 2"}));
    FakeGraphics* poGraphics = static_cast<FakeGraphics*>(m_oEngine.GetGraphicsInterface(0));
    ASSERT_NE(poGraphics, nullptr);
    EXPECT_EQ(poGraphics->m_oParams.m_iDepthStencilFormat, 76);
    EXPECT_EQ(static_cast<FakeConsole*>(m_oEngine.GetConsole())->m_pGraphics, poGraphics);
    EXPECT_NE(m_oEngine.GetWorld(), nullptr);

    m_oParts.vJournal.clear();
    EXPECT_EQ(m_oEngine.Render(0, nullptr), OK);
    EXPECT_EQ(m_oParts.vJournal, (Calls{"graphics 2 targets", "graphics 2 frame"}));
}

TEST_F(EngineTest, FailedRecreationLeavesNoHalfMadeDevice)
{
    StartScene(1.0f);
    m_oParts.dFrameResults = {GRAPHICS_NOTINITIALIZED};
    m_oParts.eRenderingParams = GRAPHICS_INITFAILED;
    EXPECT_EQ(m_oEngine.Render(0, nullptr), GENERICERROR);
    EXPECT_EQ(m_oEngine.GetGraphicsInterface(0), nullptr);
    EXPECT_EQ(static_cast<FakeConsole*>(m_oEngine.GetConsole())->m_pGraphics, nullptr);
    EXPECT_EQ(m_oParts.Calls("graphics 2"),
              (Calls{"graphics 2 create", "graphics 2 info 0", "graphics 2 mode 1024x768 22 0",
                     "graphics 2 params 1024", "graphics 2 delete"}));
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_Engine::Render() : FAILED!\n"));
    EXPECT_EQ(m_oEngine.Present(0), GENERICERROR);

    // The next frame tries again and draws with the new device.
    m_oParts.vJournal.clear();
    m_oParts.eRenderingParams = OK;
    EXPECT_EQ(m_oEngine.Render(0, nullptr), OK);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_Engine::Render(): Specified device (#0) is NULL\n"));
    EXPECT_EQ(m_oParts.Calls("console"), (Calls{"console graphics 3"}));
    EXPECT_EQ(m_oParts.Calls("graphics 3 frame").size(), 1u);
}

TEST_F(EngineTest, PolledInputBecomesEvents)
{
    QIRN_InputParams oParams;
    oParams.m_iAPI = QIRN_INPUT_DX8;
    oParams.m_bKeyboard = true;
    oParams.m_bMouse = true;
    ASSERT_EQ(m_oEngine.InitInput(&oParams), OK);
    EXPECT_EQ(m_oParts.Calls("input init"), (Calls{"input init keyboard mouse"}));

    m_oParts.vKeys = {{40, true}, {0, true}, {40, false}};
    m_oParts.vMouse = {
        {QIRN_MOUSE_X, -3}, {QIRN_MOUSE_NONE, 9}, {QIRN_MOUSE_BUTTON1, 1}, {QIRN_MOUSE_WHEEL, 120}};
    m_oEngine.Update(0.0f, false);
    EXPECT_TRUE(m_oParts.Calls("input update").empty());
    EXPECT_EQ(m_oEngine.PeekInputEvent(), nullptr);

    m_oEngine.Update(0.0f, true);
    struct Expected
    {
        int32_t iDevice;
        int32_t iValue;
        int32_t iCode;
        uint8_t byState;
    };
    // Every key of a poll comes before its mouse events; keys without a code are dropped.
    const Expected expected[] = {{1, 0, 40, 1}, {1, 0, 40, 0}, {2, -3, 1, 0}, {2, 0, 5, 1}, {2, 120, 3, 0}};
    for (const Expected& e : expected)
    {
        ASSERT_NE(m_oEngine.PeekInputEvent(), nullptr);
        QIRN_InputEvent oEvent;
        EXPECT_EQ(m_oEngine.GetInputEvent(&oEvent), OK);
        EXPECT_EQ(oEvent.m_iDevice, e.iDevice);
        EXPECT_EQ(oEvent.m_iValue, e.iValue);
        EXPECT_EQ(oEvent.m_iCode, e.iCode);
        EXPECT_EQ(oEvent.m_byState, e.byState);
    }
    QIRN_InputEvent oEvent;
    oEvent.m_iDevice = 7;
    EXPECT_EQ(m_oEngine.GetInputEvent(&oEvent), GENERICERROR);
    EXPECT_EQ(oEvent.m_iDevice, 0);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_Engine::GetInputEvent(): No Waiting Input Events\n"));

    // A pending node without its record still comes out: a cleared record and success.
    QIRN_InputEvent* pLost = new QIRN_InputEvent;
    auto* pNode = m_oEngine.m_oInputEvents.AppendNode("InputEvent", pLost);
    ASSERT_NE(pNode, nullptr);
    pNode->m_pData = nullptr;
    delete pLost;
    oEvent.m_iDevice = 7;
    EXPECT_EQ(m_oEngine.GetInputEvent(&oEvent), OK);
    EXPECT_EQ(oEvent.m_iDevice, 0);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_Engine::GetInputEvent(): Input Event has no DATA\n"));
    EXPECT_EQ(m_oEngine.PeekInputEvent(), nullptr);

    // A failed poll leaves no events, not even the old ones.
    m_oEngine.PollInput();
    m_oParts.eInputUpdate = INPUT_GENERICERROR;
    EXPECT_EQ(m_oEngine.PollInput(), GENERICERROR);
    EXPECT_EQ(m_oEngine.PeekInputEvent(), nullptr);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_Engine::PollInput(): m_poInput->PollInput() FAILED\n"));
}

TEST_F(EngineTest, InputAndAudioAreMadeByKind)
{
    QIRN_InputParams oInput;
    oInput.m_iAPI = 2;
    EXPECT_EQ(m_oEngine.InitInput(&oInput), GENERICERROR);
    EXPECT_EQ(m_oEngine.InitInput(nullptr), GENERICERROR);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_Engine::InitInput(): Unknown Input API specified\n"));
    EXPECT_EQ(m_oEngine.PollInput(), GENERICERROR);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_Engine::PollInput(): m_poInput is NULL\n"));
    m_oParts.bMakeInput = false;
    oInput.m_iAPI = QIRN_INPUT_DX8;
    EXPECT_EQ(m_oEngine.InitInput(&oInput), GENERICERROR);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_Engine::InitInput(): mem alloc for m_poInput FAILED\n"));

    QIRN_AudioParams oAudio;
    oAudio.m_iAPI = 2;
    EXPECT_EQ(m_oEngine.InitAudio(&oAudio), GENERICERROR);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_Engine::InitAudio(): Unknown Audio API Specified\n"));
    oAudio.m_iAPI = QIRN_AUDIO_DX8;
    m_oParts.eAudioInit = GRAPHICS_FAILED;
    EXPECT_EQ(m_oEngine.InitAudio(&oAudio), GRAPHICS_FAILED);
    // A second audio replaces the first; every update serves it.
    m_oParts.eAudioInit = OK;
    EXPECT_EQ(m_oEngine.InitAudio(&oAudio), OK);
    m_oEngine.Update(0.1f, true);
    EXPECT_EQ(m_oParts.vJournal, (Calls{"audio init", "audio delete", "audio init", "audio update play"}));
    EXPECT_EQ(m_oEngine.ShutdownAudio(), OK);
    EXPECT_EQ(m_oEngine.GetAudio(), nullptr);
    m_oParts.bMakeAudio = false;
    EXPECT_EQ(m_oEngine.InitAudio(&oAudio), GENERICERROR);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_Engine::InitAudio(): Audio memory allocation failed\n"));
}

TEST_F(EngineTest, ConsoleIsMadeForTheGraphicsKind)
{
    qirn_test::WriteFile("test.ini", "[console]\r\nscript=start.txt\r\n");
    qirn_test::WriteFile("start.txt", "fillmode 2\n");
    QIRN_GraphicsParams oParams = ClientParams();
    ASSERT_EQ(m_oEngine.InitGraphics(&oParams), OK);
    ASSERT_EQ(m_oEngine.InitConsole(&oParams), OK);
    FakeConsole* poConsole = dynamic_cast<FakeConsole*>(m_oEngine.GetConsole());
    ASSERT_NE(poConsole, nullptr);
    EXPECT_EQ(poConsole->m_pGraphics, m_oEngine.GetGraphicsInterface(0));
    // The start-up script has run.
    EXPECT_EQ(m_oEngine.GetFillMode(), 2);

    // Without a record the console is the plain one; a new console replaces the old.
    m_oParts.vJournal.clear();
    ASSERT_EQ(m_oEngine.InitConsole(nullptr), OK);
    EXPECT_EQ(m_oParts.vJournal, (Calls{"console delete"}));
    EXPECT_EQ(dynamic_cast<FakeConsole*>(m_oEngine.GetConsole()), nullptr);
    m_oEngine.SetFillMode(3);
    EXPECT_EQ(m_oEngine.GetConsole()->m_dwFillMode, 3u);

    oParams.m_iAPI = 5;
    EXPECT_EQ(m_oEngine.InitConsole(&oParams), GENERICERROR);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_Engine::InitConsole(): Creating the Console FAILED\n"));
    EXPECT_EQ(m_oEngine.GetConsole(), nullptr);
    EXPECT_EQ(m_oEngine.GetFillMode(), 0);
    m_oEngine.SetFillMode(1);
}

TEST_F(EngineTest, ConsoleLimitsTheFrameRate)
{
    QIRN_GraphicsParams oParams = ClientParams();
    ASSERT_EQ(m_oEngine.InitGraphics(&oParams), OK);
    ASSERT_EQ(m_oEngine.InitConsole(&oParams), OK);
    m_oEngine.GetConsole()->ParseCommand("fpslock 10");
    QIRN_Graphics* poGraphics = m_oEngine.GetGraphicsInterface(0);
    poGraphics->m_dCurrentTime = 0.0;
    EXPECT_TRUE(poGraphics->TimeToRender());
    poGraphics->m_dCurrentTime = 0.05;
    EXPECT_FALSE(poGraphics->TimeToRender());
    poGraphics->m_dCurrentTime = 0.1;
    EXPECT_TRUE(poGraphics->TimeToRender());
}

namespace
{
int32_t g_iProgressCalls = 0;
int32_t StopAtOnce()
{
    ++g_iProgressCalls;
    return QIRNERR_QUITEARLY;
}
} // namespace

TEST_F(EngineTest, LoadWorldReportsEachStep)
{
    struct Case
    {
        const char* szFile;
        QIRN_LoadProgressCallback pfnProgress;
        QIRN_ErrorCode eResult;
        const char* szLog;
    };
    const Case cases[] = {
        {"missing", nullptr, GENERICERROR, "*** QIRN_Engine::LoadWorld(): m_poWorld->Load() FAILED\n"},
        {"notaworld", nullptr, GENERICERROR, "*** QIRN_Engine::LoadWorld(): m_poWorld->Load() FAILED\n"},
        {"scene", StopAtOnce, QIRNERR_QUITEARLY, nullptr},
        {"scene", nullptr, OK, nullptr},
    };
    WriteWorld("scene.w", 0.25f);
    qirn_test::WriteFile("notaworld.w", "qirn_shader_version2.0 { }");
    uint32_t dwLastID = 0;
    for (const Case& c : cases)
    {
        m_oLog.Clear();
        EXPECT_EQ(m_oEngine.LoadWorld(c.pfnProgress, c.szFile), c.eResult) << c.szFile;
        // The world stays the engine's world after a failed load; each load makes a new one.
        ASSERT_NE(m_oEngine.GetWorld(), nullptr);
        EXPECT_GT(m_oEngine.GetWorld()->GetID(), dwLastID);
        dwLastID = m_oEngine.GetWorld()->GetID();
        EXPECT_NE(m_oEngine.GetWorld()->GetEventMsgClient(), nullptr);
        if (c.szLog)
        {
            EXPECT_TRUE(m_oLog.Contains(c.szLog)) << c.szFile;
        }
    }
    EXPECT_EQ(g_iProgressCalls, 1);
    EXPECT_FLOAT_EQ(m_oEngine.GetWorld()->GetTimeScale(), 0.25f);
    EXPECT_EQ(m_oEngine.LoadWorld(nullptr, ""), GENERICERROR);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_Engine::LoadWorld(): strFileName is NULL. can't load.\n"));
}

TEST_F(EngineTest, ScreenDumpNameHasNoLengthLimit)
{
    std::string strName = std::string(200, 'f') + "00001.bmp";
    m_oEngine.SetScreenDumpFilename(strName.c_str());
    EXPECT_EQ(m_oEngine.GetScreenDumpFilename(), strName);
    m_oEngine.SetScreenDumpFilename(nullptr);
    EXPECT_EQ(m_oEngine.GetScreenDumpFilename(), "");
}

TEST_F(EngineTest, ShutdownTakesThePartsDownInOrder)
{
    StartScene(1.0f);
    QIRN_GraphicsParams oParams = ClientParams(1);
    oParams.m_bWindowed = true;
    ASSERT_EQ(m_oEngine.InitGraphics(&oParams), OK);
    QIRN_InputParams oInput;
    oInput.m_iAPI = QIRN_INPUT_DX8;
    ASSERT_EQ(m_oEngine.InitInput(&oInput), OK);
    QIRN_AudioParams oAudio;
    oAudio.m_iAPI = QIRN_AUDIO_DX8;
    ASSERT_EQ(m_oEngine.InitAudio(&oAudio), OK);
    m_oParts.vJournal.clear();

    EXPECT_EQ(m_oEngine.Shutdown(), OK);
    EXPECT_EQ(m_oParts.vJournal,
              (Calls{"console release", "console no graphics", "graphics 1 delete", "graphics 2 delete",
                     "input delete", "audio delete", "console delete"}));
    EXPECT_EQ(m_oEngine.GetTimer(), nullptr);
    EXPECT_EQ(m_oEngine.m_poEventMsgManager, nullptr);
    EXPECT_EQ(m_oEngine.m_poEventMsgClient, nullptr);
    EXPECT_EQ(m_oEngine.GetConsole(), nullptr);
    EXPECT_EQ(m_oEngine.GetWorld(), nullptr);
    EXPECT_EQ(m_oEngine.GetInput(), nullptr);
    m_oParts.vJournal.clear();
    EXPECT_EQ(m_oEngine.Shutdown(), OK);
    EXPECT_TRUE(m_oParts.vJournal.empty());
}

TEST(EngineDefaults, PartsNotYetBuiltFailCleanly)
{
    qirn_test::ScopedTempDir oDir;
    qirn_test::LogCapture oLog;
    QIRN_Engine engine;
    EXPECT_EQ(engine.GetFillMode(), 0);
    EXPECT_EQ(engine.GetGraphicsInterface(0), nullptr);
    QIRN_GraphicsParams oParams;
    // The OpenGL device is made, but an engine without a window gives it nothing to draw on.
    oParams.m_iAPI = QIRN_GRAPHICS_OPENGL;
    EXPECT_EQ(engine.InitGraphics(&oParams), GENERICERROR);
    EXPECT_FALSE(oLog.Contains("Creation of OpenGL API FAILED"));
    EXPECT_TRUE(oLog.Contains("handle to window is NULL"));
    EXPECT_TRUE(oLog.Contains("*** QIRN_Engine::InitGraphics(): SetRenderingParams for Display #0 failed\n"));
    EXPECT_EQ(engine.m_hDC, nullptr);
    EXPECT_EQ(engine.InitConsole(&oParams), OK);
    ASSERT_NE(engine.GetConsole(), nullptr);
    // The device stays in its slot until the engine shuts it down; its console is the OpenGL one.
    EXPECT_NE(engine.GetGraphicsInterface(0), nullptr);
    QIRN_AudioParams oAudio;
    oAudio.m_iAPI = QIRN_AUDIO_DX8;
    // The DirectSound device plays into the test tooling's null sink.
    EXPECT_EQ(engine.InitAudio(&oAudio), OK) << oLog.All();
    EXPECT_NE(dynamic_cast<QIRN_Audio_DX8*>(engine.GetAudio()), nullptr);
    EXPECT_EQ(engine.LoadWorld(nullptr, "scene.w"), GENERICERROR);
    EXPECT_EQ(engine.Update(0.5f, true), OK);
    EXPECT_FLOAT_EQ(engine.GetTotalTime(), 0.5f);
    EXPECT_EQ(engine.Render(0, nullptr), GENERICERROR);
}
