#include "client_test_support.h"

#include "qirn_cameraactor.h"
#include "qirn_console.h"
#include "qirn_engine.h"
#include "qirn_meshactor.h"
#include "qirn_world.h"
#include "tolvamir.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

using client_test::CameraWorld;
using client_test::ClientTest;
using client_test::ClockSeconds;
using client_test::MessageBoxes;
using client_test::Opened;
using engine_test::FakeAudio;
using engine_test::FakeGraphics;
using engine_test::FakeParts;

namespace
{
// Engine key codes.
const int KEY_ESC = 1;
const int KEY_PRINTSCREEN = 14;
const int KEY_PAUSE = 16;
const int KEY_GRAVE = 17;
const int KEY_TAB = 38;
const int KEY_W = 40;
const int KEY_F = 63;
const int KEY_UP = 87;

// The samples of every SetRenderingParams, and the most a device accepts (0: no antialiasing).
std::vector<int>& SamplesTried()
{
    static std::vector<int> vSamples;
    return vSamples;
}
int g_iSampleLimit = 16;

class SampleLimitedGraphics : public FakeGraphics
{
public:
    using FakeGraphics::FakeGraphics;
    QIRN_ErrorCode SetRenderingParams(QIRN_GraphicsParams* pParams, HWND hWnd) override
    {
        SamplesTried().push_back(pParams->m_bAntiAliasing ? pParams->m_iSamples : 0);
        if (pParams->m_bAntiAliasing && pParams->m_iSamples > g_iSampleLimit)
        {
            return GRAPHICS_FAILED;
        }
        return FakeGraphics::SetRenderingParams(pParams, hWnd);
    }
};

QIRN_Graphics* CreateLimitedGraphics(QIRN_Engine* pEngine, int32_t)
{
    FakeGraphics* poGraphics = new SampleLimitedGraphics(pEngine, ++FakeParts::s_pCurrent->iGraphicsMade);
    FakeParts::s_pCurrent->Note(poGraphics->Name() + " create");
    return poGraphics;
}

// Audio that notes the music it is asked to load and play.
class MusicAudio : public FakeAudio
{
public:
    QIRN_ErrorCode LoadSound(std::string strName, bool bStatic, bool bLooping) override
    {
        FakeParts::s_pCurrent->Note("load " + strName + (bStatic ? " static" : "") +
                                    (bLooping ? " looping" : ""));
        return OK;
    }
    QIRN_ErrorCode PlaySound(std::string strName) override
    {
        FakeParts::s_pCurrent->Note("play " + strName);
        return OK;
    }
};

QIRN_Audio* CreateMusicAudio(int32_t, HWND)
{
    return new MusicAudio;
}

std::vector<std::pair<std::string, int32_t>>& RenderFlags()
{
    static std::vector<std::pair<std::string, int32_t>> vFlags;
    return vFlags;
}

void RecordRenderFlag(QIRN_BaseObject* poActor, int32_t bRender)
{
    RenderFlags().push_back({poActor->GetName(), bRender});
}

class TolvamirTest : public ClientTest
{
protected:
    void SetUp() override
    {
        ClientTest::SetUp();
        SamplesTried().clear();
        g_iSampleLimit = 16;
        RenderFlags().clear();
        m_oFactory.CreateGraphics = CreateLimitedGraphics;
        m_oFactory.CreateAudio = CreateMusicAudio;
    }

    // Started, with the scene of these cameras installed, and its first frame (the load) run.
    void StartAndLoad(const std::vector<std::string>& vCameras = {"Cam01_Reef", "FreeCam01"},
                      const std::string& strRest = "")
    {
        WriteSettings();
        InstallScene(CameraWorld(vCameras, strRest));
        StartClient();
        // The timer's first reading is not exactly 0 (which would count as no reading yet).
        ClockSeconds() += 0.5;
        ASSERT_EQ(Client().Update(), 0) << m_oLog.All();
        ASSERT_NE(World(), nullptr);
    }

    QIRN_Console& Console() { return *Client().GetEngine()->GetConsole(); }
    QIRN_World* World() { return Client().GetEngine()->GetWorld(); }
    HWND Window() { return Client().GetEngine()->GetWindow(); }
    FakeGraphics* Graphics()
    {
        return static_cast<FakeGraphics*>(Client().GetEngine()->GetGraphicsInterface(0));
    }
    std::string CameraName()
    {
        QIRN_CameraActor* poCamera = Client().m_oCameraOne.GetCamera();
        return poCamera ? poCamera->GetName() : "(none)";
    }
    // One frame with these keys pressed (true) or released (false).
    void Frame(const std::vector<std::pair<int32_t, bool>>& vKeys = {})
    {
        m_oParts.vKeys = vKeys;
        ClockSeconds() += 0.01;
        ASSERT_EQ(Client().Update(), 0);
        m_oParts.vKeys.clear();
    }
    void Type(const std::string& strText)
    {
        for (char c : strText)
        {
            Client().WindowProc(Window(), WM_CHAR, static_cast<WPARAM>(static_cast<unsigned char>(c)), 0);
        }
    }
    size_t FramesDrawn() { return m_oParts.Calls("graphics 1 frame").size(); }
};

TEST_F(TolvamirTest, FirstRunOpensTheSettingsDialog)
{
    EXPECT_FALSE(SettingsFileExists());
    LaunchConfigApplication();
    ASSERT_EQ(MessageBoxes().size(), 1u);
    EXPECT_EQ(MessageBoxes()[0].hOwner, nullptr);
    EXPECT_EQ(MessageBoxes()[0].strText,
              "This is the first time the demo is being run. Please choose your application settings");
    EXPECT_EQ(MessageBoxes()[0].strCaption, "Kelvane Graphics Inc. - Underwater Ambrevo");
    EXPECT_EQ(MessageBoxes()[0].uType, static_cast<UINT>(MB_ICONINFORMATION | MB_OK));
    ASSERT_EQ(Opened().size(), 1u);
    EXPECT_EQ(Opened()[0].strFile, "AmbrevoConfig.exe");
    EXPECT_EQ(Opened()[0].strParameters, "");
    EXPECT_EQ(Opened()[0].strFolder, ".");
    EXPECT_EQ(Opened()[0].iShow, SW_SHOWNORMAL);
    WriteSettings();
    EXPECT_TRUE(SettingsFileExists());
}

TEST_F(TolvamirTest, StartUpHandsTheSettingsToTheEngine)
{
    WriteSettings("[GFX MODE]\nWidth=800\nHeight=600\nFrequency=60\nAntiAliasing=1\n");
    InstallScene(CameraWorld({"Cam01"}));
    StartClient();
    const QIRN_GraphicsParams& oParams = Graphics()->m_oParams;
    EXPECT_EQ(oParams.m_iAPI, QIRN_GRAPHICS_DX8);
    EXPECT_EQ(oParams.m_iWidth, 800);
    EXPECT_EQ(oParams.m_iHeight, 600);
    EXPECT_EQ(oParams.m_iRefreshRate, 60);
    EXPECT_TRUE(oParams.m_bAntiAliasing);
    EXPECT_EQ(oParams.m_iSamples, 16);
    EXPECT_EQ(oParams.m_iBackBufferFormat, 22);
    EXPECT_EQ(oParams.m_iBackBufferCount, 1);
    EXPECT_EQ(oParams.m_iDepthStencilFormat, 76);
    EXPECT_EQ(oParams.m_iDeviceType, 1);
    EXPECT_EQ(oParams.m_dwVertexProcessing, 128u);
    EXPECT_FALSE(oParams.m_bWindowed);
    EXPECT_TRUE(oParams.m_bValidateDisplayMode);
    EXPECT_TRUE(oParams.m_bZBuffer);
    EXPECT_FALSE(oParams.m_bStencil);
    EXPECT_FALSE(oParams.m_bLowResTextures);

    // The first frame is asked to load the scene; the credits are in the console.
    EXPECT_TRUE(Console().m_bLoadWorld);
    EXPECT_EQ(Console().m_strWorldFile, "AmbrevoFull.w");
    // One line each: the title, a gap, then the credits.
    uint32_t dwTitle = QIRN_CONSOLE_MAXLINES;
    for (uint32_t dwLine = 0; dwLine < QIRN_CONSOLE_MAXLINES; ++dwLine)
    {
        if (std::string(Console().m_aszLines[dwLine]) == "Kelvane Graphics Ambrevo")
        {
            dwTitle = dwLine;
            break;
        }
    }
    ASSERT_LT(dwTitle + 3, QIRN_CONSOLE_MAXLINES);
    EXPECT_STREQ(Console().m_aszLines[dwTitle + 1], " ");
    EXPECT_STREQ(Console().m_aszLines[dwTitle + 2], "Credits:");
    EXPECT_STREQ(Console().m_aszLines[dwTitle + 3], "Producer: Maren Ostholt");
    EXPECT_EQ(m_oParts.Calls("input init"), std::vector<std::string>{"input init keyboard mouse"});
    EXPECT_EQ(m_oParts.Calls("audio init").size(), 1u);
    // No pictures installed: logged, and start-up goes on.
    EXPECT_TRUE(m_oLog.Contains("*** cTolvamir::InitApp() - LoadBitmaps() FAILED\n"));
    EXPECT_TRUE(MessageBoxes().empty());

    RECT rcClient;
    GetClientRect(Window(), &rcClient);
    EXPECT_EQ(rcClient.right - rcClient.left, 800);
    EXPECT_EQ(rcClient.bottom - rcClient.top, 600);
}

TEST_F(TolvamirTest, GraphicsTriesStepTheAntiAliasingDown)
{
    struct Case
    {
        int iAntiAliasing;
        int iLimit;
        std::vector<int> vTried;
    };
    const std::vector<Case> cases = {
        {1, 16, {16}},
        {1, 4, {16, 4}},
        {1, 0, {16, 4, 0}},
        {0, 0, {0}},
    };
    for (const Case& oCase : cases)
    {
        SCOPED_TRACE(oCase.iLimit);
        SamplesTried().clear();
        g_iSampleLimit = oCase.iLimit;
        Client().Cleanup();
        WriteSettings("[GFX MODE]\nAntiAliasing=" + std::to_string(oCase.iAntiAliasing) + "\n");
        InstallScene(CameraWorld({"Cam01"}));
        StartClient();
        EXPECT_EQ(SamplesTried(), oCase.vTried);
        ASSERT_NE(Graphics(), nullptr);
    }
}

TEST_F(TolvamirTest, FailedGraphicsTellWhyAndEndTheStart)
{
    struct Case
    {
        bool bMakeGraphics;
        bool bValidMode;
        const char* szText;
    };
    const std::vector<Case> cases = {
        {true, false,
         "The requested display mode (resolution and/or refresh rate) is unavailable. Please run the config "
         "application"},
        // No renderer at all (the factory answers none).
        {false, true,
         "Unable to initialise graphics (reason unknown). Please verify your hardware setup or the software "
         "installation"},
    };
    m_oFactory = m_oParts.Factory();
    for (const Case& oCase : cases)
    {
        SCOPED_TRACE(oCase.szText);
        MessageBoxes().clear();
        m_oLog.Clear();
        m_oParts.bMakeGraphics = oCase.bMakeGraphics;
        m_oParts.bValidMode = oCase.bValidMode;
        WriteSettings();
        InstallScene(CameraWorld({"Cam01"}));
        ASSERT_EQ(Client().Initialize(), 0);
        HWND hOwner = Client().GetEngine()->GetWindow();
        EXPECT_EQ(Client().InitApp(), 1);
        ASSERT_EQ(MessageBoxes().size(), 1u);
        EXPECT_EQ(MessageBoxes()[0].strText, oCase.szText);
        EXPECT_EQ(MessageBoxes()[0].strCaption, "Kelvane Graphics Inc.");
        EXPECT_EQ(MessageBoxes()[0].hOwner, hOwner);
        EXPECT_EQ(MessageBoxes()[0].uType, static_cast<UINT>(MB_ICONEXCLAMATION | MB_OK));
        EXPECT_TRUE(m_oLog.Contains("*** cTolvamir::InitApp() - m_poEngine->InitGraphicsDisplay() FAILED\n"));
        EXPECT_EQ(Client().GetEngine()->GetGraphicsInterface(0), nullptr);
        Client().Cleanup();
    }
    EXPECT_EQ(m_oParts.Calls("graphics 3 create").size(), 1u);
}

TEST_F(TolvamirTest, FirstFrameLoadsTheSceneAndRemovesTheUnscrambledFiles)
{
    CreateDirectoryA("Sounds", nullptr);
    qirn_test::WriteFile("Sounds\\music.wma", "music");
    StartAndLoad({"Zed", "Cam01_Reef", "FreeCam01"});
    EXPECT_FALSE(Console().m_bLoadWorld);
    EXPECT_EQ(CameraName(), "Cam01_Reef");
    EXPECT_FALSE(qirn_test::FileExists("Scenes\\AmbrevoFull.w"));
    EXPECT_FALSE(qirn_test::FileExists("Scenes\\AmbrevoFull.s"));
    EXPECT_TRUE(qirn_test::FileExists("Scenes\\AmbrevoScene.w"));
    // The load's own frame and the frame that follows it.
    EXPECT_EQ(FramesDrawn(), 2u);
    std::vector<std::string> vMusic = m_oParts.Calls("load ");
    ASSERT_EQ(vMusic.size(), 1u);
    EXPECT_NE(vMusic[0].find("Sounds\\music.wma static looping"), std::string::npos) << vMusic[0];
    EXPECT_EQ(m_oParts.Calls("play ").size(), 1u);
    // Before the load the old device resources went, and the console was handed the device again.
    EXPECT_EQ(m_oParts.Calls("graphics 1 release").size(), 1u);
    EXPECT_EQ(m_oParts.Calls("console release").size(), 1u);
}

TEST_F(TolvamirTest, EscDuringTheLoadStopsItAndLeavesNoStaleCamera)
{
    WriteSettings();
    InstallScene(CameraWorld({"Cam01"}));
    StartClient();
    // The first Esc meets the loading screen's first redraw, the second the world's first item.
    PostMessageA(Window(), WM_CHAR, 27, 0);
    PostMessageA(Window(), WM_CHAR, 27, 0);
    ASSERT_EQ(Client().Update(), 0);
    EXPECT_FALSE(Console().m_bLoadWorld);
    EXPECT_FALSE(Client().IsQuitting());
    EXPECT_TRUE(IsWindow(Window()));
    ASSERT_NE(World(), nullptr);
    EXPECT_EQ(Client().m_oCameraOne.GetCamera(), nullptr);
    EXPECT_FALSE(qirn_test::FileExists("Scenes\\AmbrevoFull.w"));
    // Nothing is moved without a camera, and it does not fill the log either; the frames are drawn
    // without the world (cleared, with the console), so the loading picture does not stay.
    size_t uDrawn = FramesDrawn();
    Frame();
    Frame();
    EXPECT_EQ(FramesDrawn(), uDrawn + 2);
    EXPECT_EQ(Graphics()->m_pFrameWorld, nullptr);
    EXPECT_FALSE(m_oLog.Contains("m_poCamera is NULL"));

    // A camera that turns up in the world is taken and drawn through.
    QIRN_BaseObject* poCamera = World()->CreateObject("Late", "QIRN_CameraActor");
    ASSERT_NE(poCamera, nullptr);
    QIRN_CreateParams oParams;
    oParams.m_szName = "Late";
    oParams.m_poWorld = World();
    ASSERT_EQ(poCamera->Create(&oParams), OK);
    ASSERT_EQ(World()->AddObject(poCamera), OK);
    Frame();
    EXPECT_EQ(CameraName(), "Late");
    EXPECT_EQ(FramesDrawn(), uDrawn + 3);
    EXPECT_EQ(Graphics()->m_pFrameWorld, World());

    // A later load brings the scene's camera again.
    Console().m_bLoadWorld = true;
    Frame();
    EXPECT_EQ(CameraName(), "Cam01");
}

TEST_F(TolvamirTest, FrameStepIsClampedAndScaledForTheWorld)
{
    StartAndLoad();
    // The first step is 0.
    EXPECT_FLOAT_EQ(Client().m_oCameraOne.m_fDeltaTime, 0.0f);
    float fStart = World()->GetWorldTime();
    ClockSeconds() += 10.0;
    ASSERT_EQ(Client().Update(), 0);
    EXPECT_FLOAT_EQ(Client().m_oCameraOne.m_fDeltaTime, 5.0f);
    EXPECT_NEAR(World()->GetWorldTime() - fStart, 3.75f, 1e-4f);

    // Paused: the world stands, the step is still measured.
    Client().m_bPaused = 1;
    fStart = World()->GetWorldTime();
    ClockSeconds() += 1.0;
    ASSERT_EQ(Client().Update(), 0);
    EXPECT_NEAR(Client().m_oCameraOne.m_fDeltaTime, 1.0f, 1e-4f);
    EXPECT_FLOAT_EQ(World()->GetWorldTime(), fStart);
}

TEST_F(TolvamirTest, SceneStartsAgainAtNinetyFiveSeconds)
{
    StartAndLoad();
    World()->SetWorldTime(94.9f);
    ClockSeconds() += 0.4;
    ASSERT_EQ(Client().Update(), 0);
    EXPECT_FLOAT_EQ(World()->GetWorldTime(), 0.0f);

    // Paused at 94.9 the time does not move, so nothing restarts.
    World()->SetWorldTime(94.9f);
    Client().m_bPaused = 1;
    ClockSeconds() += 0.4;
    ASSERT_EQ(Client().Update(), 0);
    EXPECT_FLOAT_EQ(World()->GetWorldTime(), 94.9f);

    // The console's world-time request.
    Console().m_fWorldTime = 12.0f;
    Console().m_bSetWorldTime = true;
    Frame();
    EXPECT_FLOAT_EQ(World()->GetWorldTime(), 12.0f);
    EXPECT_FALSE(Console().m_bSetWorldTime);
}

TEST_F(TolvamirTest, InputIsMappedThroughTheBindings)
{
    Client().SetDefaultBindings("bindings.bnd");
    struct Case
    {
        int32_t iDevice, iCode;
        uint8_t byState;
        int iAction;
    };
    const std::vector<Case> cases = {
        {1, KEY_ESC, 1, 26},
        {1, KEY_ESC, 0, 0},
        {1, KEY_UP, 1, 1},
        {1, KEY_UP, 0, 3},
        {1, 32, 1, 12},
        {1, 32, 0, 13},
        {1, 54, 1, 8},
        {1, 54, 0, 9},
        {1, KEY_TAB, 1, 25},
        {1, 101, 1, 0},
        {1, 102, 1, 0},
        {1, -1, 1, 0},
        {2, QIRN_MOUSE_X, 0, 14},
        {2, QIRN_MOUSE_Y, 0, 15},
        {2, QIRN_MOUSE_BUTTON0, 1, 0},
        {2, 8, 0, 0},
        {0, KEY_ESC, 1, 0},
        {3, 1, 1, 0},
    };
    for (const Case& oCase : cases)
    {
        EXPECT_EQ(Client().GetActionForInput(oCase.iDevice, 0, oCase.iCode, oCase.byState), oCase.iAction)
            << oCase.iDevice << " " << oCase.iCode << " " << int(oCase.byState);
    }
}

TEST_F(TolvamirTest, ActionsNeedDeveloperControlsWhereTheyShould)
{
    StartAndLoad({"Anchor", "FreeCam01"});
    QIRN_Engine& oEngine = *Client().GetEngine();

    // Without developer controls: no fill mode, console, statistics or screenshot.
    Frame({{KEY_W, true}, {KEY_GRAVE, true}, {KEY_F, true}, {KEY_PRINTSCREEN, true}});
    EXPECT_EQ(oEngine.GetFillMode(), 0);
    EXPECT_FALSE(Console().m_bOpen);
    EXPECT_FALSE(oEngine.GetStatisticsFlag());
    EXPECT_EQ(oEngine.GetScreenDumpFilename(), "");

    Client().m_bDeveloperControls = 1;
    for (int iMode : {1, 2, 3, 0})
    {
        Frame({{KEY_W, true}});
        EXPECT_EQ(oEngine.GetFillMode(), iMode);
    }
    Frame({{KEY_F, true}});
    EXPECT_TRUE(oEngine.GetStatisticsFlag());
    Frame({{KEY_PRINTSCREEN, true}});
    EXPECT_EQ(oEngine.GetScreenDumpFilename(), "test.bmp");
    // A frame-dump prefix names every frame, the screenshot's too.
    Console().m_strDumpPrefix = "shot";
    Frame({{KEY_PRINTSCREEN, true}});
    char szExpected[32];
    snprintf(szExpected, sizeof(szExpected), "shot%05u.bmp", static_cast<unsigned>(oEngine.GetFrameCount()));
    EXPECT_EQ(oEngine.GetScreenDumpFilename(), szExpected);
    Console().m_strDumpPrefix.clear();

    // With the console open only quit and the console key act.
    Frame({{KEY_GRAVE, true}});
    EXPECT_TRUE(Console().m_bOpen);
    Frame({{KEY_W, true}, {KEY_TAB, true}, {KEY_PAUSE, true}});
    EXPECT_EQ(oEngine.GetFillMode(), 0);
    EXPECT_EQ(CameraName(), "Anchor");
    EXPECT_EQ(Client().m_bPaused, 0);
    Frame({{KEY_GRAVE, true}});
    EXPECT_FALSE(Console().m_bOpen);

    // Next camera and pause need nothing.
    Client().m_bDeveloperControls = 0;
    Frame({{KEY_TAB, true}, {KEY_PAUSE, true}});
    EXPECT_EQ(CameraName(), "FreeCam01");
    EXPECT_TRUE(Client().m_oCameraOne.IsFreeCamera());
    EXPECT_EQ(Client().m_bPaused, 1);
    // A press and a release in one frame set both actions; releases of unbound keys set none.
    Frame({{KEY_UP, true}, {KEY_UP, false}});
    EXPECT_TRUE(Client().IsActionActive(1));
    EXPECT_TRUE(Client().IsActionActive(3));
    EXPECT_FALSE(Client().IsActionActive(0));

    EXPECT_FALSE(Client().IsQuitting());
    Frame({{KEY_ESC, true}});
    EXPECT_TRUE(Client().IsQuitting());
}

TEST_F(TolvamirTest, InactiveClientTakesNoInputAndNoMouseMovement)
{
    StartAndLoad({"FreeCam01"});
    Frame({{KEY_TAB, true}});
    ASSERT_TRUE(Client().m_oCameraOne.IsFreeCamera());
    QIRN_CameraActor* poCamera = Client().m_oCameraOne.GetCamera();

    m_oParts.vMouse = {{QIRN_MOUSE_X, 5}};
    Frame();
    // -0.5 x (-2 x 5) degrees of yaw.
    EXPECT_FLOAT_EQ(poCamera->GetRotationY(), 5.0f);

    Client().WindowProc(Window(), WM_ACTIVATEAPP, 0, 0);
    EXPECT_FALSE(Client().m_bActive);
    Frame({{KEY_ESC, true}});
    EXPECT_FLOAT_EQ(poCamera->GetRotationY(), 5.0f);
    EXPECT_FALSE(Client().IsQuitting());
}

TEST_F(TolvamirTest, TypedSequences)
{
    struct Case
    {
        std::string strTyped;
        int32_t bDeveloper;
    };
    const std::vector<Case> cases = {
        {"quorvane", 1},  {"q u\to r v a n e", 1}, {"quorvanequorvane", 0}, {"qquorvane", 0},
        {"quorXvane", 0}, {"xxquorvan", 0},        {"quorvan", 0},
    };
    StartAndLoad({"Cam01"}, "    QIRN_LightActor { Name { [Sort:05]_Fish_Shark_01 } }\n"
                            "    QIRN_LightActor { Name { [Sort:05]_Coral_Pinky } }\n");
    for (const Case& oCase : cases)
    {
        Client().m_bDeveloperControls = 0;
        Type("#");
        Type(oCase.strTyped);
        EXPECT_EQ(Client().m_bDeveloperControls, oCase.bDeveloper) << oCase.strTyped;
    }

    // With the console open the letters are the console's.
    Client().m_bDeveloperControls = 0;
    Console().m_bOpen = true;
    Type("quorvane");
    EXPECT_EQ(Client().m_bDeveloperControls, 0);
    Console().m_bOpen = false;

    cTolvamir::SetRenderFlagSetter(RecordRenderFlag);
    Type("velkomarindus");
    EXPECT_TRUE(Client().m_bVisibilitySwap);
    EXPECT_EQ(RenderFlags(), (std::vector<std::pair<std::string, int32_t>>{{"[Sort:05]_Fish_Shark_01", 0},
                                                                           {"[Sort:05]_Coral_Pinky", 1}}));
    Type("velkomarindus");
    EXPECT_FALSE(Client().m_bVisibilitySwap);
    EXPECT_EQ(RenderFlags().size(), 4u);
    EXPECT_EQ(RenderFlags()[2].second, 1);
    EXPECT_EQ(RenderFlags()[3].second, 0);
}

TEST_F(TolvamirTest, VisibilitySwapNeedsBothActors)
{
    StartAndLoad({"Cam01"}, "    QIRN_LightActor { Name { [Sort:05]_Fish_Shark_01 } }\n");
    cTolvamir::SetRenderFlagSetter(RecordRenderFlag);
    Type("velkomarindus");
    EXPECT_TRUE(Client().m_bVisibilitySwap);
    EXPECT_TRUE(RenderFlags().empty());
}

TEST_F(TolvamirTest, VisibilitySwapSwitchesTheMeshActorsRenderFlags)
{
    StartAndLoad({"Cam01"}, "    QIRN_MeshActor { Name { [Sort:05]_Fish_Shark_01 } Render { 1 } }\n"
                            "    QIRN_MeshActor { Name { [Sort:05]_Coral_Pinky } Render { 0 } }\n");
    cTolvamir::SetRenderFlagSetter(SetMeshActorRender);
    auto Render = [this](const char* szName)
    {
        QIRN_MeshActor* poActor = dynamic_cast<QIRN_MeshActor*>(World()->FindObject(szName));
        return poActor ? poActor->GetRender() : -1;
    };
    Type("velkomarindus");
    EXPECT_EQ(Render("[Sort:05]_Fish_Shark_01"), 0);
    EXPECT_EQ(Render("[Sort:05]_Coral_Pinky"), 1);
    EXPECT_TRUE(m_oLog.Contains("SetMeshActorRender() - \"[Sort:05]_Fish_Shark_01\" hidden\n"));
    EXPECT_TRUE(m_oLog.Contains("SetMeshActorRender() - \"[Sort:05]_Coral_Pinky\" shown\n"));
    Type("velkomarindus");
    EXPECT_EQ(Render("[Sort:05]_Fish_Shark_01"), 1);
    EXPECT_EQ(Render("[Sort:05]_Coral_Pinky"), 0);
}

TEST_F(TolvamirTest, VisibilitySwapLeavesAnObjectThatIsNoMeshActor)
{
    StartAndLoad({"Cam01"}, "    QIRN_LightActor { Name { [Sort:05]_Fish_Shark_01 } }\n"
                            "    QIRN_MeshActor { Name { [Sort:05]_Coral_Pinky } Render { 0 } }\n");
    cTolvamir::SetRenderFlagSetter(SetMeshActorRender);
    Type("velkomarindus");
    EXPECT_TRUE(
        m_oLog.Contains("*** SetMeshActorRender() - \"[Sort:05]_Fish_Shark_01\" is not a mesh actor\n"));
    QIRN_MeshActor* poCoral = dynamic_cast<QIRN_MeshActor*>(World()->FindObject("[Sort:05]_Coral_Pinky"));
    ASSERT_NE(poCoral, nullptr);
    EXPECT_EQ(poCoral->GetRender(), 1);
}

TEST_F(TolvamirTest, EveryWayOfClosingTheWindowEndsTheLoop)
{
    struct Case
    {
        const char* szName;
        void (*pfnClose)(cTolvamir& oClient, HWND hWnd);
    };
    const std::vector<Case> cases = {
        {"close", [](cTolvamir&, HWND hWnd) { SendMessageA(hWnd, WM_CLOSE, 0, 0); }},
        {"esc", [](cTolvamir&, HWND hWnd) { SendMessageA(hWnd, WM_CHAR, 27, 0); }},
        {"destroyed", [](cTolvamir&, HWND hWnd) { DestroyWindow(hWnd); }},
        {"quit action", [](cTolvamir& oClient, HWND) { oClient.m_aiActions[ACTION_QUIT] = 1; }},
    };
    for (const Case& oCase : cases)
    {
        SCOPED_TRACE(oCase.szName);
        Client().Cleanup();
        WriteSettings();
        InstallScene(CameraWorld({"Cam01"}));
        StartClient();
        HWND hWnd = Window();
        EXPECT_FALSE(Client().IsQuitting());
        oCase.pfnClose(Client(), hWnd);
        if (Client().m_aiActions[ACTION_QUIT])
        {
            Client().UpdateControls();
        }
        else
        {
            EXPECT_FALSE(IsWindow(hWnd));
            EXPECT_FALSE(Client().m_bWindowAlive);
        }
        EXPECT_TRUE(Client().IsQuitting());
        Client().m_bQuit = false;
    }
}

TEST_F(TolvamirTest, ConsoleRequestsAreServed)
{
    StartAndLoad();
    Console().m_fMouseSpeedX = 1.0f;
    Console().m_fMouseSpeedY = 2.0f;
    Console().m_fMoveSpeedX = 3.0f;
    Console().m_fMoveSpeedY = 4.0f;
    Console().m_fMoveSpeedZ = 5.0f;
    Console().m_bSetCameraSpeeds = true;
    Frame();
    const float afExpected[8] = {1.0f, -2.0f, 5.0f, -5.0f, 4.0f, -4.0f, -3.0f, 3.0f};
    for (int i = 0; i < 8; ++i)
    {
        EXPECT_FLOAT_EQ(Client().m_oCameraOne.m_afSpeeds[i], afExpected[i]) << i;
    }
    EXPECT_FALSE(Console().m_bSetCameraSpeeds);

    Console().m_fExitTime = 0.001f;
    Frame();
    EXPECT_TRUE(Client().IsQuitting());
}

TEST_F(TolvamirTest, NoEngineIsReported)
{
    EXPECT_EQ(Client().Update(), 1);
    EXPECT_TRUE(m_oLog.Contains("*** cTolvamir::Update() - m_poEngine is NULL\n"));
    EXPECT_EQ(Client().UpdateDeltaTime(), 1);
    EXPECT_TRUE(m_oLog.Contains("*** cTolvamir::UpdateDeltaTime() - m_poEngine is NULL\n"));
    EXPECT_EQ(Client().UpdateInput(), 1);
    EXPECT_TRUE(m_oLog.Contains("*** cTolvamir::UpdateInput() - m_poEngine is NULL\n"));
    EXPECT_EQ(Client().UpdateControls(), 1);
    EXPECT_TRUE(m_oLog.Contains("*** cTolvamir::UpdateControls() - m_poEngine is NULL\n"));
    EXPECT_EQ(Client().InitApp(), 1);
    EXPECT_TRUE(m_oLog.Contains("*** cTolvamir::InitApp() - m_poEngine is NULL\n"));
}
} // namespace
