#include "client_test_support.h"

#include "driverhints.h"
#include "loadingscreen.h"
#include "tolvamir_installation.h"

#include "qirn_engine.h"
#include "qirn_timer.h"

namespace client_test
{
namespace
{
int RecordMessageBox(HWND hOwner, const char* szText, const char* szCaption, UINT uType)
{
    MessageBoxes().push_back({hOwner, szText, szCaption, uType});
    return IDOK;
}

void RecordOpen(const char* szFile, const char* szParameters, const char* szFolder, int iShow)
{
    Opened().push_back({szFile, szParameters, szFolder, iShow});
}

const TolvamirShell RECORDING_SHELL = {RecordMessageBox, RecordOpen};

bool FakeKeyDown(int iKey)
{
    return HeldKeys().count(iKey) != 0;
}

// A display driver that knows no escapes (as under wine), so no test depends on the machine's.
bool NoDevice(DWORD, char*, size_t)
{
    return false;
}
HDC NoDC(const char*)
{
    return nullptr;
}
void NoClose(const char*, HDC) {}
int NoEscape(HDC, int, int, const void*, int, void*)
{
    return 0;
}
const DisplayDriverPort NO_DRIVER = {NoDevice, NoDC, NoClose, NoEscape};

// A microsecond clock.
bool ClockFrequency(int64_t* piFrequency)
{
    *piFrequency = 1000000;
    return true;
}
void ClockCounter(int64_t* piCounter)
{
    *piCounter = static_cast<int64_t>(ClockSeconds() * 1000000.0 + 0.5);
}
uint32_t ClockMilliseconds()
{
    return static_cast<uint32_t>(ClockSeconds() * 1000.0);
}
const QIRN_TimerSource CLOCK = {ClockFrequency, ClockCounter, ClockMilliseconds};
} // namespace

std::vector<MessageBoxCall>& MessageBoxes()
{
    static std::vector<MessageBoxCall> vCalls;
    return vCalls;
}

std::vector<OpenCall>& Opened()
{
    static std::vector<OpenCall> vCalls;
    return vCalls;
}

std::set<int>& HeldKeys()
{
    static std::set<int> oKeys;
    return oKeys;
}

double& ClockSeconds()
{
    static double dSeconds = 0.0;
    return dSeconds;
}

std::string CameraWorld(const std::vector<std::string>& vCameras, const std::string& strRest)
{
    std::string strText = "qirn_world_version2.0\n{\n";
    for (const std::string& strName : vCameras)
    {
        strText += "    QIRN_CameraActor { Name { " + strName + " } PrimaryOrientationMode { 3 } }\n";
    }
    return strText + strRest + "}\n";
}

void ClientTest::SetUp()
{
    MessageBoxes().clear();
    Opened().clear();
    HeldKeys().clear();
    ClockSeconds() = 1.0;
    SetTolvamirShell(&RECORDING_SHELL);
    SetDisplayDriverPort(&NO_DRIVER);
    ResetDriverTuning();
    cApplicationCamera::SetKeyDownReader(FakeKeyDown);
    QIRN_Timer::SetSource(&CLOCK);
    SetLoadingFrameCounter(0);
    m_oFactory = m_oParts.Factory();
    m_poClient = std::make_unique<cTolvamir>();
    m_poClient->SetEngineFactory(&m_oFactory);
    // Hidden windows: showing and hiding them on the test display costs seconds each.
    m_poClient->m_dwWindowStyle &= ~static_cast<DWORD>(WS_VISIBLE);
}

void ClientTest::TearDown()
{
    m_poClient->Cleanup();
    m_poClient.reset();
    cTolvamir::SetInstallationValues(nullptr);
    cTolvamir::SetRenderFlagSetter(nullptr);
    cApplicationCamera::SetKeyDownReader(nullptr);
    QIRN_Timer::SetSource(nullptr);
    SetTolvamirShell(nullptr);
    SetDisplayDriverPort(nullptr);
    // Messages the client's window left behind (WM_QUIT above all) do not reach the next test.
    MSG oMsg;
    for (int i = 0; i < 1000 && PeekMessageA(&oMsg, nullptr, 0, 0, PM_REMOVE); ++i)
    {
        DispatchMessageA(&oMsg);
    }
}

void ClientTest::WriteSettings(const std::string& strExtra)
{
    qirn_test::WriteFile(
        "qirn_v2.ini",
        "[PATHS]\nScenePath=.\\Scenes\nSoundPath=.\\Sounds\nMeshPath=.\\Models\nTexturePath=.\\Textures\n"
        "ShaderPath=.\\Shaders\n" +
            strExtra);
}

void ClientTest::InstallScene(const std::string& strWorld, const std::string& strShader)
{
    CreateDirectoryA("Scenes", nullptr);
    std::string strScrambledWorld = ScrambleBytes(strWorld, SCENE_WORLD_KEY);
    std::string strScrambledShader = ScrambleBytes(strShader, SCENE_SHADER_KEY);
    qirn_test::WriteFile("Scenes\\AmbrevoScene.w", strScrambledWorld);
    qirn_test::WriteFile("Scenes\\AmbrevoScene.s", strScrambledShader);
    m_oInstallation.vWorldSums = {ComputeByteSum(strScrambledWorld)};
    m_oInstallation.vWorldSizes = {static_cast<uint32_t>(strScrambledWorld.size())};
    m_oInstallation.vShaderSums = {ComputeByteSum(strScrambledShader)};
    m_oInstallation.vShaderSizes = {static_cast<uint32_t>(strScrambledShader.size())};
    cTolvamir::SetInstallationValues(&m_oInstallation);
}

QIRN_Engine& ClientTest::StartEngine()
{
    WriteSettings();
    QIRN_Engine* poEngine = new QIRN_Engine;
    poEngine->SetFactory(m_oFactory);
    QIRN_EngineParams oParams;
    oParams.m_strIniFile = ".\\qirn_v2.ini";
    EXPECT_EQ(poEngine->Initialize(oParams), OK);
    m_poClient->m_poEngine = poEngine;
    return *poEngine;
}

void ClientTest::LoadWorld(const std::string& strText)
{
    qirn_test::WriteFile("scene.w", strText);
    ASSERT_EQ(m_poClient->GetEngine()->LoadWorld(nullptr, "scene"), OK);
}

void ClientTest::StartClient()
{
    ASSERT_EQ(StartTolvamir(*m_poClient), 0) << m_oLog.All();
}
} // namespace client_test
