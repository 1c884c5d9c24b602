#include "settingsfile.h"

#include "config_test_support.h"
#include "qirn_test_support.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
const char* const INI = "qirn_v2.ini";
const std::string EARLIER = "[CONSOLE]\r\nScript=intro.txt\r\n[GFX MODE]\r\nWidth=640\r\nExtra=1\r\n";

std::vector<std::string> ExpectedLines(const char* szWidth, const char* szHeight, const char* szFrequency,
                                       const char* szAntiAliasing, const char* szHighRes)
{
    return {"[GFX MODE]",
            std::string("Width=") + szWidth,
            std::string("Height=") + szHeight,
            "Bitdepth=32",
            std::string("Frequency=") + szFrequency,
            std::string("AntiAliasing=") + szAntiAliasing,
            std::string("UseHighResTextures=") + szHighRes,
            "[PATHS]",
            "EnginePath=.",
            "SystemPath=.\\Data\\_System_",
            "FontPath=.\\Data\\Fonts",
            "MeshPath=.\\Data\\Models",
            "ScenePath=.\\Data\\Scenes",
            "SoundPath=.\\Data\\Sounds",
            "TexturePath=.\\Data\\Textures",
            "ShaderPath=.\\Data\\Shaders"};
}

class SettingsFileTest : public testing::Test
{
protected:
    qirn_test::ScopedTempDir m_oDir;
    config_test::DebugOutputCapture m_oLog;
};
} // namespace

TEST_F(SettingsFileTest, WritesExactlyTheFourteenKeysInOrder)
{
    qirn_test::WriteFile(INI, EARLIER);
    ASSERT_EQ(WriteConfigFile(2400, 600, 32, 75, 0, 1), 1);
    EXPECT_EQ(config_test::ReadLines(INI), ExpectedLines("2400", "600", "75", "0", "1"));
    EXPECT_FALSE(qirn_test::FileExists("qirn_v2.ini.new"));
    EXPECT_TRUE(m_oLog.Contains("settings written to .\\qirn_v2.ini: 2400 x 600, 32 bits, 75 Hz"));

    // A second save right after reads back as itself: nothing stale is kept between the two.
    ASSERT_EQ(WriteConfigFile(1024, 768, 32, 60, 1, 0), 1);
    EXPECT_EQ(config_test::ReadLines(INI), ExpectedLines("1024", "768", "60", "1", "0"));
    EXPECT_EQ(GetPrivateProfileIntA("GFX MODE", "Frequency", 0, ".\\qirn_v2.ini"), 60u);
}

TEST_F(SettingsFileTest, RefusesAZeroModeValueAndLeavesTheFileAlone)
{
    struct Case
    {
        int nWidth, nHeight, nBitDepth, nFrequency;
    };
    const Case aCases[] = {{0, 768, 32, 85}, {1024, 0, 32, 85}, {1024, 768, 0, 85}, {1024, 768, 32, 0}};
    for (const Case& c : aCases)
    {
        SCOPED_TRACE(testing::Message()
                     << c.nWidth << " " << c.nHeight << " " << c.nBitDepth << " " << c.nFrequency);
        DeleteFileA(INI);
        EXPECT_EQ(WriteConfigFile(c.nWidth, c.nHeight, c.nBitDepth, c.nFrequency, 1, 1), 0);
        EXPECT_FALSE(qirn_test::FileExists(INI));

        qirn_test::WriteFile(INI, EARLIER);
        EXPECT_EQ(WriteConfigFile(c.nWidth, c.nHeight, c.nBitDepth, c.nFrequency, 1, 1), 0);
        EXPECT_EQ(qirn_test::ReadFile(INI), EARLIER);
    }
    EXPECT_TRUE(
        m_oLog.Contains("settings not written: width 1024, height 768, bit depth 32 and frequency 0"));
}

// A write that cannot be done answers 0 and leaves the earlier file as it was, whichever step fails.
TEST_F(SettingsFileTest, FailedWriteAnswersZeroAndKeepsTheEarlierFile)
{
    enum Blocker
    {
        HELD_WITHOUT_SHARING,
        HELD_WITHOUT_DELETE_SHARING,
        NEW_FILE_NAME_IS_A_FOLDER,
    };
    struct Case
    {
        const char* szName;
        Blocker blocker;
        const char* szLog;
    };
    const Case aCases[] = {
        {"settings file held open without sharing", HELD_WITHOUT_SHARING, "cannot write the settings file"},
        {"settings file held open without delete sharing", HELD_WITHOUT_DELETE_SHARING,
         "cannot replace the settings file"},
        {"new file's name taken by a folder", NEW_FILE_NAME_IS_A_FOLDER, "cannot create .\\qirn_v2.ini.new"},
    };
    for (const Case& c : aCases)
    {
        SCOPED_TRACE(c.szName);
        qirn_test::WriteFile(INI, EARLIER);
        HANDLE hHeld = INVALID_HANDLE_VALUE;
        if (c.blocker == HELD_WITHOUT_SHARING)
        {
            hHeld = CreateFileA(INI, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        }
        else if (c.blocker == HELD_WITHOUT_DELETE_SHARING)
        {
            hHeld = CreateFileA(INI, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                0, nullptr);
        }
        else
        {
            ASSERT_TRUE(CreateDirectoryA("qirn_v2.ini.new", nullptr));
        }

        EXPECT_EQ(WriteConfigFile(1024, 768, 32, 85, 1, 1), 0);

        if (hHeld != INVALID_HANDLE_VALUE)
        {
            CloseHandle(hHeld);
        }
        RemoveDirectoryA("qirn_v2.ini.new");
        EXPECT_EQ(qirn_test::ReadFile(INI), EARLIER);
        EXPECT_FALSE(qirn_test::FileExists("qirn_v2.ini.new"));
        EXPECT_TRUE(m_oLog.Contains(c.szLog)) << m_oLog.All();
    }
}

TEST_F(SettingsFileTest, SettingsFileThatIsAFolderIsRefused)
{
    ASSERT_TRUE(CreateDirectoryA(INI, nullptr));
    EXPECT_EQ(WriteConfigFile(1024, 768, 32, 85, 1, 1), 0);
    EXPECT_TRUE(GetFileAttributesA(INI) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_FALSE(qirn_test::FileExists("qirn_v2.ini.new"));
}
