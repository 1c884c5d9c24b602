#pragma once
// Shared by the client's tests: a client whose engine gets fake parts, in a working folder of its
// own with a settings file and installed scene files the test writes; recorders in place of the
// message boxes, the shell and the display driver; a keyboard and a clock the test steers.

#include "fake_engine_parts.h"
#include "qirn_test_support.h"
#include "tolvamir.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

namespace client_test
{
struct MessageBoxCall
{
    HWND hOwner;
    std::string strText;
    std::string strCaption;
    UINT uType;
};

struct OpenCall
{
    std::string strFile;
    std::string strParameters;
    std::string strFolder;
    int iShow;
};

// What the client asked of the desktop while the fixture lived.
std::vector<MessageBoxCall>& MessageBoxes();
std::vector<OpenCall>& Opened();
// Virtual keys the fake keyboard holds.
std::set<int>& HeldKeys();
// Seconds the fake clock shows; the engine's timer reads it.
double& ClockSeconds();

// A plain world file holding cameras of these names (mode 3, at the origin), then the rest.
std::string CameraWorld(const std::vector<std::string>& vCameras, const std::string& strRest = "");

class ClientTest : public testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // qirn_v2.ini with the scene folder ".\Scenes" and the sound folder ".\Sounds", plus the text.
    void WriteSettings(const std::string& strExtra = "");
    // Scrambles plain texts into the scene folder and makes the client accept them.
    void InstallScene(const std::string& strWorld,
                      const std::string& strShader = "qirn_shader_version2.0 { }\n");
    // An engine with the fake parts, without window, graphics or world.
    QIRN_Engine& StartEngine();
    // Loads a plain world file text into the engine as the world "scene".
    void LoadWorld(const std::string& strText);
    // Initialize and InitApp with the fake parts; the world load is requested, not done.
    void StartClient();

    cTolvamir& Client() { return *m_poClient; }

    qirn_test::ScopedTempDir m_oDir;
    qirn_test::LogCapture m_oLog;
    engine_test::FakeParts m_oParts;
    QIRN_EngineFactory m_oFactory;
    InstallationValues m_oInstallation;
    std::unique_ptr<cTolvamir> m_poClient;
};
} // namespace client_test
