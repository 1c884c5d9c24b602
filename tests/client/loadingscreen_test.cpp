#include "client_test_support.h"

#include "loadingscreen.h"
#include "qirn_engine.h"
#include "qirn_geometry.h"
#include "qirn_meshactor.h"
#include "qirn_world.h"
#include "tolvamir_installation.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

using client_test::ClientTest;

namespace
{
std::string Bytes(std::initializer_list<int> values)
{
    std::string strBytes;
    for (int i : values)
    {
        strBytes += static_cast<char>(i);
    }
    return strBytes;
}

TEST(ByteSumTest, FollowsTheTextReadRules)
{
    struct Case
    {
        std::string strBytes;
        int32_t iSum;
    };
    const std::vector<Case> cases = {
        {"", 0},
        // The only byte is the last one, which is cleared.
        {"A", 0},
        {"AB", 65},
        {Bytes({0xFF, 0x80, 0x01}), -1 - 128},
        // A carriage return before a line feed drops out, so the last byte read counts.
        {"A\r\nB", 65 + 10 + 66},
        {"A\rB", 65 + 13},
        // The byte 26 ends the input; the rest of the buffer stays zero.
        {Bytes({'A', 'B', 26, 'C', 'D'}), 65 + 66},
    };
    for (const Case& oCase : cases)
    {
        EXPECT_EQ(ComputeByteSum(oCase.strBytes), oCase.iSum) << oCase.strBytes;
    }
}

TEST(ByteSumTest, FilesThatAreEmptyOrMissingSumToZero)
{
    qirn_test::ScopedTempDir oDir;
    qirn_test::WriteFile("empty.bin", "");
    qirn_test::WriteFile("one.bin", "Z");
    qirn_test::WriteFile("lines.bin", "ab\r\ncd\r\n");
    EXPECT_EQ(GetFileByteSum("empty.bin"), 0);
    EXPECT_EQ(GetFileByteSum("missing.bin"), 0);
    EXPECT_EQ(GetFileByteSum("one.bin"), 0);
    EXPECT_EQ(GetFileByteSum("lines.bin"), 'a' + 'b' + 10 + 'c' + 'd' + 10);
    EXPECT_EQ(GetFileSizeByName("lines.bin"), 8u);
    EXPECT_EQ(GetFileSize("missing.bin"), 0u);
    EXPECT_EQ(GetFileSize("empty.bin"), 0u);
}

TEST(ScrambleTest, RoundTripOverEveryByteValue)
{
    std::string strPlain;
    for (int i = 0; i < 3 * 256; ++i)
    {
        strPlain += static_cast<char>(i);
    }
    std::string strScrambled = ScrambleBytes(strPlain, "Key!");
    EXPECT_NE(strScrambled, strPlain);
    EXPECT_EQ(UnscrambleBytes(strScrambled, "Key!"), strPlain);
    // Wrapping at 256: 0xFF plus 'K' (75) is 74.
    EXPECT_EQ(ScrambleBytes(Bytes({0xFF}), "K"), Bytes({74}));
    EXPECT_EQ(UnscrambleBytes("", "K"), "");
}

TEST(LoadingLayoutTest, PictureFillsOneScreenOfTheDesktop)
{
    struct Case
    {
        unsigned int uWidth, uHeight;
        int iWidth, iHeight, iX;
    };
    const std::vector<Case> cases = {
        {640, 480, 640, 480, 0},   {1280, 1024, 1280, 1024, 0},  {1920, 1080, 1920, 1080, 0},
        {2048, 768, 1024, 768, 0}, {3072, 768, 1024, 768, 1024}, {4096, 768, 1365, 768, 1365},
        {640, 0, 640, 0, 0},
    };
    for (const Case& oCase : cases)
    {
        LoadingPictureLayout oLayout = ComputeLoadingLayout(oCase.uWidth, oCase.uHeight);
        EXPECT_EQ(oLayout.iWidth, oCase.iWidth) << oCase.uWidth << "x" << oCase.uHeight;
        EXPECT_EQ(oLayout.iHeight, oCase.iHeight) << oCase.uWidth << "x" << oCase.uHeight;
        EXPECT_EQ(oLayout.iX, oCase.iX) << oCase.uWidth << "x" << oCase.uHeight;
    }
    int iTop = 0;
    int iBottom = 0;
    ComputeStripRows(480, &iTop, &iBottom);
    EXPECT_EQ(iTop, 402);
    EXPECT_EQ(iBottom, 427);
}

class SceneFilesTest : public ClientTest
{
protected:
    // Every file of one folder of the installed Data tree, copied into a folder of that name here;
    // a folder the build does not make is left out.
    static void CopyInstalledFolder(const std::string& strFolder)
    {
        const std::string strFrom = std::string(TOLVAMIR_TEST_DATA) + "/" + strFolder + "/";
        WIN32_FIND_DATAA oFound;
        HANDLE hFind = FindFirstFileA((strFrom + "*").c_str(), &oFound);
        if (hFind == INVALID_HANDLE_VALUE)
        {
            return;
        }
        CreateDirectoryA(strFolder.c_str(), nullptr);
        do
        {
            if (!(oFound.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            {
                const std::string strTo = strFolder + "\\" + oFound.cFileName;
                EXPECT_TRUE(CopyFileA((strFrom + oFound.cFileName).c_str(), strTo.c_str(), FALSE)) << strTo;
            }
        } while (FindNextFileA(hFind, &oFound));
        FindClose(hFind);
    }

    // The files the build installed, copied into this test's scene folder.
    void CopyInstalledScene()
    {
        CreateDirectoryA("Scenes", nullptr);
        for (const char* szName : {"AmbrevoScene.w", "AmbrevoScene.s"})
        {
            std::string strFrom = std::string(TOLVAMIR_TEST_DATA) + "/Scenes/" + szName;
            ASSERT_TRUE(CopyFileA(strFrom.c_str(), (std::string("Scenes\\") + szName).c_str(), FALSE))
                << strFrom;
        }
    }
};

TEST_F(SceneFilesTest, InstalledSceneMatchesItsValuesAndUnscramblesToThePlainFiles)
{
    StartEngine();
    CopyInstalledScene();
    EXPECT_EQ(Client().CheckInstallation(), 0);
    EXPECT_EQ(GetFileSizeByName("Scenes\\AmbrevoScene.w"), SCENE_WORLD_SIZE);
    EXPECT_EQ(GetFileByteSum("Scenes\\AmbrevoScene.s"), SCENE_SHADER_SUM);

    EXPECT_EQ(Client().UnscrambleSceneFiles(), 0);
    EXPECT_EQ(qirn_test::ReadFile("Scenes\\AmbrevoFull.w"),
              qirn_test::ReadFile(std::string(TOLVAMIR_TEST_SCENE_SOURCES) + "/AmbrevoFull.w"));
    EXPECT_EQ(qirn_test::ReadFile("Scenes\\AmbrevoFull.s"),
              qirn_test::ReadFile(std::string(TOLVAMIR_TEST_SCENE_SOURCES) + "/AmbrevoFull.s"));
    EXPECT_EQ(Client().DeleteUnscrambledSceneFiles(), 0);
    EXPECT_FALSE(qirn_test::FileExists("Scenes\\AmbrevoFull.w"));
    EXPECT_FALSE(qirn_test::FileExists("Scenes\\AmbrevoFull.s"));
    EXPECT_TRUE(qirn_test::FileExists("Scenes\\AmbrevoScene.w"));
}

TEST_F(SceneFilesTest, InstalledSceneLoadsAsAWorld)
{
    QIRN_Engine& oEngine = StartEngine();
    CopyInstalledScene();
    for (const char* szFolder : {"Models", "Textures", "Shaders"})
    {
        CopyInstalledFolder(szFolder);
    }
    // The plug-in of the scene's custom actor, found by its bare name here as beside the program.
    ASSERT_TRUE(CopyFileA(TOLVAMIR_TEST_PLUGIN, "qirn_sampleactor.dll", FALSE));
    // The talking heads' lip-sync and face-model files: from the system folder of the Data tree into
    // the engine's root, where the engine looks for them without a folder of their own.
    for (const char* szName : {"diverhead.cpa", "dwellerhead.dmk", "diver.sync", "dweller.sync"})
    {
        std::string strFrom = std::string(TOLVAMIR_TEST_DATA) + "/_System_/" + szName;
        ASSERT_TRUE(CopyFileA(strFrom.c_str(), szName, FALSE)) << strFrom;
    }
    ASSERT_EQ(Client().UnscrambleSceneFiles(), 0);
    ASSERT_EQ(oEngine.LoadWorld(nullptr, "AmbrevoFull.w"), OK) << m_oLog.All();
    Client().DeleteUnscrambledSceneFiles();
    for (const char* szName :
         {"Cam01_Reef", "Cam02_Glide", "Cam03_Drift", "Cam04_SharkFollow", "FreeCam01", "Mark01_Lantern",
          "Light01_Sun", "Light02_Lantern", "Light03_Shaft", "Fog01_Murk", "Attractor01_Surface",
          "Emitter01_Bubbles", "Emitter02_KelpTip", "Marker01_Sample"})
    {
        EXPECT_NE(oEngine.GetWorld()->FindObject(szName), nullptr) << szName;
    }
    // The seabed, its rocks and kelp, the slate, the fish, the sky box and the logo, each with its
    // model.
    for (const char* szName :
         {"Seabed01_Sand", "Rocks01", "Kelp01_Forest", "Kelp02_Giant", "Slate01_ReefView", "Fish01_School",
          "Fish05_School", "Sky01_Water", "Logo01_Badge"})
    {
        QIRN_MeshActor* poActor = dynamic_cast<QIRN_MeshActor*>(oEngine.GetWorld()->FindObject(szName));
        ASSERT_NE(poActor, nullptr) << szName;
        EXPECT_NE(poActor->GetMesh(), nullptr) << szName;
    }
    // The two actors of the visibility swap, with their models; one shown, one hidden.
    const struct
    {
        const char* szName;
        int32_t bRender;
    } meshes[] = {{"[Sort:05]_Fish_Shark_01", 1}, {"[Sort:05]_Coral_Pinky", 0}};
    for (const auto& oMesh : meshes)
    {
        QIRN_MeshActor* poActor = dynamic_cast<QIRN_MeshActor*>(oEngine.GetWorld()->FindObject(oMesh.szName));
        ASSERT_NE(poActor, nullptr) << oMesh.szName;
        EXPECT_NE(poActor->GetMesh(), nullptr) << oMesh.szName;
        EXPECT_EQ(poActor->GetRender(), oMesh.bRender) << oMesh.szName;
    }
    // The two talking heads, each with its model, its viseme poses and its lip-sync tracks.
    for (const char* szName : {"Head01_Diver", "Head02_Dweller"})
    {
        QIRN_MeshActor* poActor = dynamic_cast<QIRN_MeshActor*>(oEngine.GetWorld()->FindObject(szName));
        ASSERT_NE(poActor, nullptr) << szName << m_oLog.All();
        ASSERT_NE(poActor->GetMesh(), nullptr) << szName;
        ASSERT_NE(poActor->GetMesh()->GetSkeleton(), nullptr) << szName;
    }
    // No failure line (the plug-in's refusals carry no stars): the only starred lines are the .x
    // importer's reports on the animation files it reads (the paths of the shark, its anchor and the
    // cameras), and the viseme loader's and the face-model importer's reports on the heads.
    std::istringstream oLines(m_oLog.All());
    std::vector<std::string> oStarred;
    for (std::string strLine; std::getline(oLines, strLine);)
    {
        const bool bReport = strLine.rfind("*** QIRN_XFILE::LoadAnimationSequences(): Loading ", 0) == 0 ||
                             strLine == "*** QIRN_XFILE::LoadAnimationSequences(): Load successful.";
        if ((strLine.find("***") != std::string::npos && !bReport) ||
            strLine.find("FAILED") != std::string::npos || strLine.find("Unable") != std::string::npos)
        {
            oStarred.push_back(strLine);
        }
    }
    const std::vector<std::string> oExpected = {
        "*** QIRN_Xfile_Object :: LoadVisemes(): Loading visemes!",
        "*** QIRN_Xfile_Object :: LoadVisemes(): Finished loading visemes!",
        "*** QIRN_DMK::LoadDMKFile(): Initialising Digimask SDK...",
        "*** QIRN_DMK::SceneGraph_InitFromDigimask(): Default Scene Triangle Count: 2232",
        "*** QIRN_DMK::SceneGraph_InitFromDigimask(): Final Scene Triangle Count  : 2232",
        "*** QIRN_DMK::SceneGraph_InitFromDigimask(): Default Skin Mesh Triangle Count: 1540",
        "*** QIRN_DMK::SceneGraph_InitFromDigimask(): Requesting scene tesselation",
        "*** QIRN_DMK::SceneGraph_InitFromDigimask(): Final Skin Mesh Triangle Count  : 1540",
        "*** QIRN_DMK::SceneGraph_InitFromDigimask(): Default Skin Mesh Triangle Count: 504",
        "*** QIRN_DMK::SceneGraph_InitFromDigimask(): Requesting scene tesselation",
        "*** QIRN_DMK::SceneGraph_InitFromDigimask(): Final Skin Mesh Triangle Count  : 504",
        "*** QIRN_DMK::SceneGraph_InitFromDigimask(): Default Skin Mesh Triangle Count: 188",
        "*** QIRN_DMK::SceneGraph_InitFromDigimask(): Requesting scene tesselation",
        "*** QIRN_DMK::SceneGraph_InitFromDigimask(): Final Skin Mesh Triangle Count  : 188"};
    EXPECT_EQ(oStarred, oExpected) << m_oLog.All();
}

TEST_F(SceneFilesTest, DamagedOrMissingSceneFailsTheCheck)
{
    StartEngine();
    CopyInstalledScene();
    std::string strWorld = qirn_test::ReadFile("Scenes\\AmbrevoScene.w");
    // One byte changed: same size, another sum.
    std::string strDamaged = strWorld;
    strDamaged[10] = static_cast<char>(strDamaged[10] + 1);
    qirn_test::WriteFile("Scenes\\AmbrevoScene.w", strDamaged);
    EXPECT_EQ(Client().CheckInstallation(), 1);
    // Cut short.
    qirn_test::WriteFile("Scenes\\AmbrevoScene.w", strWorld.substr(0, strWorld.size() - 1));
    EXPECT_EQ(Client().CheckInstallation(), 1);
    qirn_test::WriteFile("Scenes\\AmbrevoScene.w", strWorld);
    EXPECT_EQ(Client().CheckInstallation(), 0);
    ASSERT_TRUE(DeleteFileA("Scenes\\AmbrevoScene.s"));
    EXPECT_EQ(Client().CheckInstallation(), 1);
}

TEST_F(SceneFilesTest, DeletesExactlyTheFilesItWrote)
{
    StartEngine();
    InstallScene("qirn_world_version2.0 { }\n", "");
    // The shader file is not installed: only the world is unscrambled.
    ASSERT_TRUE(DeleteFileA("Scenes\\AmbrevoScene.s"));
    // A file of the same name in another folder is not the client's.
    qirn_test::WriteFile("AmbrevoFull.s", "keep");
    EXPECT_EQ(Client().UnscrambleSceneFiles(), 0);
    EXPECT_EQ(qirn_test::ReadFile("Scenes\\AmbrevoFull.w"), "qirn_world_version2.0 { }\n");
    EXPECT_FALSE(qirn_test::FileExists("Scenes\\AmbrevoFull.s"));
    EXPECT_EQ(Client().DeleteUnscrambledSceneFiles(), 0);
    EXPECT_FALSE(qirn_test::FileExists("Scenes\\AmbrevoFull.w"));
    EXPECT_EQ(qirn_test::ReadFile("AmbrevoFull.s"), "keep");
    // Nothing written since: nothing deleted.
    qirn_test::WriteFile("Scenes\\AmbrevoFull.w", "later");
    EXPECT_EQ(Client().DeleteUnscrambledSceneFiles(), 0);
    EXPECT_TRUE(qirn_test::FileExists("Scenes\\AmbrevoFull.w"));
}

TEST_F(SceneFilesTest, EmptySceneFileUnscramblesToAnEmptyFile)
{
    StartEngine();
    InstallScene("", "");
    EXPECT_EQ(Client().UnscrambleSceneFiles(), 0);
    EXPECT_TRUE(qirn_test::FileExists("Scenes\\AmbrevoFull.w"));
    EXPECT_EQ(qirn_test::ReadFile("Scenes\\AmbrevoFull.w"), "");
    Client().DeleteUnscrambledSceneFiles();
}

class LoadingScreenTest : public ClientTest
{
protected:
    void SetUp() override
    {
        ClientTest::SetUp();
        StartEngine();
        m_hWnd = Client().InitWindow(WS_OVERLAPPEDWINDOW, "loading", 0, 0, 640, 480);
        ASSERT_NE(m_hWnd, nullptr);
        SetLoadingScreenTarget(m_hWnd, 640, 480);
    }
    void TearDown() override
    {
        EndLoadingScreen();
        DeleteLoadingBitmaps();
        ClientTest::TearDown();
    }

    void CopyPictures()
    {
        CreateDirectoryA("Data", nullptr);
        CreateDirectoryA("Data\\_System_", nullptr);
        std::vector<std::string> vNames = {"LoadScreen.bmp"};
        for (int i = 0; i < 8; ++i)
        {
            vNames.push_back("Loader0" + std::to_string(i) + ".bmp");
        }
        for (const std::string& strName : vNames)
        {
            std::string strFrom = std::string(TOLVAMIR_TEST_DATA) + "/_System_/" + strName;
            ASSERT_TRUE(CopyFileA(strFrom.c_str(), ("Data\\_System_\\" + strName).c_str(), FALSE)) << strFrom;
        }
    }

    HWND m_hWnd = nullptr;
};

TEST_F(LoadingScreenTest, MissingBackgroundIsReported)
{
    EXPECT_EQ(LoadBitmaps(), 1);
    EXPECT_TRUE(m_oLog.Contains("*** LoadBitmaps() - g_hBackgroundBitmap is NULL\n"));
    // No load running: nothing to draw into.
    EXPECT_EQ(DisplayLoadingBitmap(640, 480), 1);
    EXPECT_TRUE(m_oLog.Contains("*** DisplayLoadingBitmap() - g_hBitmap is NULL\n"));
    EXPECT_EQ(DisplayLoadingBitmap2(0, 640, 480), 1);
    EXPECT_TRUE(m_oLog.Contains("*** DisplayLoadingBitmap2() - g_hBitmapDC is NULL\n"));
}

TEST_F(LoadingScreenTest, DrawsThePicturesTheBuildMade)
{
    CopyPictures();
    ASSERT_EQ(LoadBitmaps(), 0);
    ASSERT_TRUE(BeginLoadingScreen());
    EXPECT_EQ(DisplayLoadingBitmap(640, 480), 0);
    for (int i = 0; i < 8; ++i)
    {
        EXPECT_EQ(DisplayLoadingBitmap2(i, 640, 480), 0);
    }
    EndLoadingScreen();
    EXPECT_FALSE(m_oLog.Contains("FAILED"));
}

TEST_F(LoadingScreenTest, ProgressFramesRunOnAcrossLoads)
{
    CopyPictures();
    ASSERT_EQ(LoadBitmaps(), 0);
    ASSERT_TRUE(BeginLoadingScreen());
    for (int n = 0; n < 11; ++n)
    {
        EXPECT_EQ(GetLoadingFrameCounter(), n % 8);
        EXPECT_EQ(UpdateLoadingScreen(), 0);
    }
    EndLoadingScreen();
    ASSERT_TRUE(BeginLoadingScreen());
    EXPECT_EQ(GetLoadingFrameCounter(), 3);
}

TEST_F(LoadingScreenTest, EscStopsTheLoadWithoutClosingTheWindow)
{
    ASSERT_TRUE(BeginLoadingScreen());
    // Other messages are dispatched: a typed letter reaches the window procedure.
    PostMessageA(m_hWnd, WM_USER + 1, 0, 0);
    PostMessageA(m_hWnd, WM_CHAR, 27, 0);
    EXPECT_EQ(UpdateLoadingScreen(), LOADING_STOPPED);
    EXPECT_FALSE(Client().IsQuitting());
    EXPECT_TRUE(IsWindow(m_hWnd));
    EXPECT_EQ(UpdateLoadingScreen(), 0);
    // From the main loop the same key closes the window.
    PostMessageA(m_hWnd, WM_CHAR, 27, 0);
    MSG oMsg;
    while (PeekMessageA(&oMsg, nullptr, 0, 0, PM_REMOVE))
    {
        DispatchMessageA(&oMsg);
    }
    EXPECT_TRUE(Client().IsQuitting());
    EXPECT_FALSE(IsWindow(m_hWnd));
}
} // namespace
