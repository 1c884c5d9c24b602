// The shipped scene through the OpenGL device: the world and shader files as the client installs
// them, its models, textures, shader programs and plug-in as the build lays them out, loaded and
// drawn at a few world times without a single failure line in the log.
#include "gl_test_support.h"
#include "qirn_cameraactor.h"
#include "qirn_meshactor.h"
#include "qirn_world.h"

#include <sstream>
#include <string>
#include <vector>

namespace
{
std::string Backslashed(std::string strPath)
{
    for (char& c : strPath)
    {
        c = c == '/' ? '\\' : c;
    }
    return strPath;
}

// The log lines that report a failure: those with "***" or "FAILED". The engine also marks some
// reports with stars (the files it reads, the heads' loaders); those are told apart by what they
// say.
std::vector<std::string> FailureLines(const std::vector<std::string>& vMessages)
{
    static const char* const s_aszReports[] = {
        "*** QIRN_XFILE::LoadAnimationSequences(): Loading ",
        "*** QIRN_XFILE::LoadAnimationSequences(): Load successful.",
        "*** QIRN_ARB_Multitexture_GL::glActiveTexture() - Getting pointer to glActiveTextureARB()",
        "*** QIRN_Xfile_Object :: LoadVisemes(): Loading visemes!",
        "*** QIRN_Xfile_Object :: LoadVisemes(): Finished loading visemes!",
        "*** QIRN_DMK::LoadDMKFile(): ",
        "*** QIRN_DMK::SceneGraph_InitFromDigimask(): ",
    };
    std::string strLog;
    for (const std::string& strMessage : vMessages)
    {
        strLog += strMessage.empty() || strMessage.back() == '\n' ? strMessage : strMessage + "\n";
    }
    std::vector<std::string> vLines;
    std::istringstream oLines(strLog);
    for (std::string strLine; std::getline(oLines, strLine);)
    {
        bool bReport = false;
        for (const char* szReport : s_aszReports)
        {
            bReport = bReport || strLine.rfind(szReport, 0) == 0;
        }
        if (!bReport &&
            (strLine.find("***") != std::string::npos || strLine.find("FAILED") != std::string::npos))
        {
            vLines.push_back(strLine);
        }
    }
    return vLines;
}

class GLSceneTest : public gl_test::DeviceTest
{
protected:
    void SetUp() override
    {
        gl_test::DeviceTest::SetUp();
        BringUp();
        // What the device said while it came up is not the scene's business.
        m_oLog.Clear();
        const std::string strData = Backslashed(TOLVAMIR_TEST_DATA);
        qirn_test::WriteFile("test.ini", "[PATHS]\nScenePath=" + m_oDir.Path() + "\nSystemPath=" + strData +
                                             "\\_System_\nMeshPath=" + strData + "\\Models\nTexturePath=" +
                                             strData + "\\Textures\nShaderPath=" + strData +
                                             "\\Shaders\nSoundPath=" + strData + "\\Sounds\n");
        for (const char* szName : {"AmbrevoFull.w", "AmbrevoFull.s"})
        {
            qirn_test::WriteFile(
                szName, qirn_test::ReadFile(std::string(TOLVAMIR_TEST_SCENE_SOURCES) + "/" + szName));
        }
        // The custom actor's plug-in is loaded by its bare name.
        ASSERT_TRUE(CopyFileA(TOLVAMIR_TEST_PLUGIN, "qirn_sampleactor.dll", FALSE));
        m_poWorld = std::make_unique<QIRN_World>(&m_oEngine);
        ASSERT_EQ(m_poWorld->InitWorld(), OK);
        m_oEngine.m_poWorld = m_poWorld.get();
    }
    void TearDown() override
    {
        m_oEngine.m_apoGraphics[0] = nullptr;
        if (m_poGraphics)
        {
            m_poGraphics->ReleaseResources();
        }
        m_oEngine.m_poWorld = nullptr;
        m_poWorld.reset();
        gl_test::DeviceTest::TearDown();
    }

    std::unique_ptr<QIRN_World> m_poWorld;
};
} // namespace

TEST_F(GLSceneTest, TheSceneLoadsAndDrawsWithoutAFailure)
{
    m_oEngine.m_apoGraphics[0] = m_poGraphics.get();
    ASSERT_EQ(m_poWorld->Load("AmbrevoFull"), OK) << m_oLog.All();
    auto* poCamera = dynamic_cast<QIRN_CameraActor*>(m_poWorld->FindObject("Cam01_Reef"));
    ASSERT_NE(poCamera, nullptr);
    auto* poSeabed = dynamic_cast<QIRN_MeshActor*>(m_poWorld->FindObject("Seabed01_Sand"));
    ASSERT_NE(poSeabed, nullptr);
    // A few frames at the start, then the loop's bookmarks' worth of time in larger steps.
    for (float fStep : {0.0f, 0.1f, 0.1f, 24.0f, 24.0f, 24.0f})
    {
        ASSERT_EQ(m_poWorld->UpdateWorld(fStep), OK);
        ASSERT_EQ(m_poGraphics->RenderFrame(m_poWorld.get(), poCamera, false), OK) << m_oLog.All();
    }
    // The seabed was drawn through its geometry.
    ASSERT_NE(poSeabed->GetMesh()->GetFirstRenderMeshNode(), nullptr) << m_oLog.All();
    EXPECT_EQ(FailureLines(m_oLog.Messages()), std::vector<std::string>()) << m_oLog.All();
}
