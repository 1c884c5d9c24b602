#include "qirn_settings.h"
#include "qirn_test_support.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace
{
class SettingsTest : public testing::Test
{
protected:
    void SetUp() override
    {
        char szFolder[MAX_PATH] = {0};
        GetCurrentDirectoryA(sizeof(szFolder), szFolder);
        m_szRoot = szFolder;
    }

    void WriteIni(const std::string& szText)
    {
        qirn_test::WriteFile("test.ini", szText);
        QIRN_InitEnginePath(m_szRoot + "\\test.ini");
    }

    qirn_test::ScopedTempDir m_oDir;
    std::string m_szRoot;
};
} // namespace

TEST_F(SettingsTest, EngineRootAndPathKeys)
{
    WriteIni("[PATHS]\r\n"
             "Abs=C:\\Data\\\r\n"
             "Rooted=\\Data\r\n"
             "Net=\\\\server\\share\r\n"
             "Commented=Data ; old folder\r\n"
             "Rel=.\\Data\\Textures\r\n"
             "[GFX MODE]\r\nWidth=800\r\n");
    EXPECT_EQ(QIRN_EnginePath(), m_szRoot);
    EXPECT_EQ(QIRN_GetPath("Missing"), m_szRoot);
    EXPECT_EQ(QIRN_GetPath("Abs"), "C:\\Data");
    EXPECT_EQ(QIRN_GetPath("Rooted"), m_szRoot + "\\Data");
    EXPECT_EQ(QIRN_GetPath("Net"), "\\\\server\\share");
    EXPECT_EQ(QIRN_GetPath("Rel"), m_szRoot + "\\.\\Data\\Textures");
    EXPECT_EQ(QIRN_GetIniString("paths", "Commented", ""), "Data");
    EXPECT_EQ(QIRN_GetIniInt("GFX MODE", "Width", 640), 800);
    EXPECT_EQ(QIRN_GetIniInt("GFX MODE", "Height", 480), 480);
    EXPECT_EQ(QIRN_GetIniString("console", "script", "none"), "none");

    WriteIni("[paths]\r\nEnginePath=C:\\Engine\\\r\n");
    EXPECT_EQ(QIRN_EnginePath(), "C:\\Engine");
    EXPECT_EQ(QIRN_IniFileName(), m_szRoot + "\\test.ini");
}

// Started in a drive root, the engine root is that folder without its backslash.
TEST_F(SettingsTest, EngineRootInADriveRoot)
{
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\"));
    QIRN_InitEnginePath(m_szRoot + "\\missing.ini");
    SetCurrentDirectoryA(m_szRoot.c_str());
    EXPECT_EQ(QIRN_EnginePath(), "C:");
    EXPECT_EQ(QIRN_GetPath("TexturePath"), "C:");
}

TEST_F(SettingsTest, FileNameParts)
{
    struct Case
    {
        const char* szPath;
        const char* szDirectory;
        const char* szTitle;
        const char* szExtension;
    };
    const Case cases[] = {
        {"Models\\Rock.X", "models", "Rock", "x"},
        {"Rock", "", "Rock", ""},
        {"..\\Data\\Rock", "..\\data", "Rock", ""},
        {"C:\\My.Folder\\Scene.W", "c:\\my.folder", "Scene", "w"},
        {"archive.tar.gz", "", "archive.tar", "gz"},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(QIRN_GetFileDirectory(c.szPath), c.szDirectory) << c.szPath;
        EXPECT_EQ(QIRN_GetFileTitle(c.szPath), c.szTitle) << c.szPath;
        EXPECT_EQ(QIRN_GetFileExtension(c.szPath), c.szExtension) << c.szPath;
    }
    EXPECT_FALSE(QIRN_IsAbsolutePath("a"));
    EXPECT_FALSE(QIRN_IsAbsolutePath(""));
    EXPECT_FALSE(QIRN_IsAbsolutePath("\\Data"));
    EXPECT_TRUE(QIRN_IsAbsolutePath("C:"));
    EXPECT_FALSE(QIRN_FileExists(""));
}

TEST_F(SettingsTest, FindFileSearchOrder)
{
    for (const char* szFolder : {"models", "system", "meshes", "scenes", "textures", "fonts", "sounds"})
    {
        CreateDirectoryA(szFolder, nullptr);
    }
    WriteIni("[PATHS]\r\nSystemPath=system\r\nMeshPath=meshes\r\nScenePath=scenes\r\n"
             "TexturePath=textures\r\nFontPath=fonts\r\nSoundPath=sounds\r\n");
    std::string szRoot = m_szRoot + "\\";

    qirn_test::WriteFile("meshes\\Rock.x", "m");
    qirn_test::LogCapture log;
    EXPECT_EQ(QIRN_FindFile("Models\\Rock.X", ""), szRoot + "meshes\\Rock.x");
    qirn_test::WriteFile("system\\Rock.x", "s");
    EXPECT_EQ(QIRN_FindFile("Models\\Rock.X", ""), szRoot + "system\\Rock.x");
    qirn_test::WriteFile("models\\Rock.x", "o");
    EXPECT_EQ(QIRN_FindFile("Models\\Rock.X", ""), "models\\Rock.x");
    EXPECT_TRUE(log.All().empty());

    qirn_test::WriteFile("scenes\\World.w", "w");
    EXPECT_EQ(QIRN_FindFile("World", "w"), szRoot + "scenes\\World.w");
    EXPECT_EQ(QIRN_FindFile("World", ""), "");
    EXPECT_TRUE(log.Contains("*** QIRN_FindFile(): Unable to find file: \"World\"\n"));

    // Images: textures, then fonts, and no log line when neither has it.
    qirn_test::WriteFile("fonts\\Glyphs.tga", "f");
    EXPECT_EQ(QIRN_FindFile("Glyphs.TGA", ""), szRoot + "fonts\\Glyphs.tga");
    qirn_test::WriteFile("textures\\Glyphs.tga", "t");
    EXPECT_EQ(QIRN_FindFile("Glyphs.tga", ""), szRoot + "textures\\Glyphs.tga");
    log.Clear();
    EXPECT_EQ(QIRN_FindFile("Nowhere.bmp", ""), "");
    EXPECT_TRUE(log.All().empty());

    // A default extension keeps its letter case and then matches no kind.
    EXPECT_EQ(QIRN_FindFile("Glyphs", "TGA"), "");
    EXPECT_TRUE(log.Contains("Unable to find file: \"Glyphs\""));
    log.Clear();
    EXPECT_EQ(QIRN_FindFile("skin", "skin"), "");
    EXPECT_EQ(QIRN_FindFile("Missing.wav", ""), "");
    EXPECT_EQ(log.Count("*** QIRN_FindFile(): Unable to find file:"), 2u);
}
