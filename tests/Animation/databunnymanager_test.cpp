#include "fake_xfile.h"
#include "qirn_animationsequence.h"
#include "qirn_databunnymanager.h"
#include "qirn_settings.h"
#include "qirn_test_support.h"
#include "qirn_xfile_templates.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

using qirn_test::AnimationKeyData;
using qirn_test::FakeXFileData;
using qirn_test::FakeXFileReference;

namespace
{
const char* const BUILD_FAILED = "QIRN_DataBunnyManager::ParseAnimationSet() - BuildDataBunnies() FAILED\n";
const char* const DUPLICATE = "Node with same name already exists";

class DataBunnyManagerTest : public testing::Test
{
protected:
    void SetUp() override
    {
        // No settings file: every search folder is the working folder.
        QIRN_InitEnginePath(m_oDir.Path() + "\\qirn_v2.ini");
        ASSERT_EQ(m_oManager.Init(), 0);
    }

    void CopyFixture(const char* szName, const std::string& strTarget)
    {
        ASSERT_TRUE(
            CopyFileA((std::string(QIRN_TEST_FIXTURES) + "/" + szName).c_str(), strTarget.c_str(), FALSE));
    }

    static std::string World(const std::string& strBody)
    {
        return "qirn_world_version2.0\n{\n" + strBody + "}\n";
    }

    float FloatValue(const std::string& strName)
    {
        QIRN_FloatDataBunny* poBunny = m_oManager.GetFloatDataBunny(strName);
        EXPECT_NE(poBunny, nullptr) << strName;
        return poBunny ? poBunny->m_Value : -12345.0f;
    }

    int IntValue(const std::string& strName)
    {
        QIRN_IntDataBunny* poBunny = m_oManager.GetIntDataBunny(strName);
        EXPECT_NE(poBunny, nullptr) << strName;
        return poBunny ? poBunny->m_Value : -12345;
    }

    qirn_test::ScopedTempDir m_oDir;
    qirn_test::LogCapture m_oLog;
    QIRN_DataBunnyManager m_oManager;
};

// Records the order in which the manager reaches its bunnies.
std::vector<std::string> g_vVisits;

template <class TBase> class RecordingBunny : public TBase
{
public:
    explicit RecordingBunny(const std::string& strName) { this->SetName(strName); }
    int Update(float) override
    {
        g_vVisits.push_back("U " + this->GetName());
        return 1; // failures of single bunnies are ignored
    }
    void SetTime(float) override { g_vVisits.push_back("T " + this->GetName()); }
};

template <class TBunny, class TBase> void File(QIRN_BINARYTREE<TBase>& oTree, const std::string& strName)
{
    oTree.InsertNode(strName, new TBunny(strName));
}

// An AnimationSet of one Animation that refers to a frame of the given name.
FakeXFileData* AnimationSetFor(const std::string& strFrameName)
{
    FakeXFileData* poFrame = new FakeXFileData(QIRN_TID_FRAME, strFrameName);
    FakeXFileData* poKey =
        new FakeXFileData(QIRN_TID_ANIMATIONKEY, "", AnimationKeyData(2, {{0, {1, 2, 3}}}));
    FakeXFileData* poAnimation = new FakeXFileData(QIRN_TID_ANIMATION, "");
    poAnimation->AddChild(new FakeXFileReference(poFrame));
    poAnimation->AddChild(poKey);
    FakeXFileData* poSet = new FakeXFileData(QIRN_TID_ANIMATIONSET, "Set");
    poSet->AddChild(poAnimation);
    return poSet;
}
} // namespace

TEST_F(DataBunnyManagerTest, BuildsFourBunniesPerAnimatedFrame)
{
    CreateDirectoryA("Anims", nullptr);
    CopyFixture("bunnies.x", "Anims\\Bunnies.x");
    // The same title and extension from another folder is not read again.
    qirn_test::WriteFile("Bunnies.x", "xof 0302txt 0032\nFrame DataBunny_Other_float { }\n"
                                      "AnimationSet S { Animation { { DataBunny_Other_float }\n"
                                      "AnimationKey { 2; 1; 0; 3; 1.0, 1.0, 1.0;;; } } }\n");
    qirn_test::WriteFile("scene.w", World("    WorldParams { TimeScale { 1.0 } }\n"
                                          "    DataBunnyManager\n    {\n"
                                          "        xfile { Anims\\Bunnies.X }\n"
                                          "        Notes { anything }\n"
                                          "        xfile { Bunnies.x }\n"
                                          "        xfile { Anims\\Bunnies.x }\n"
                                          "    }\n"
                                          "    MeshActor { Name { Rock } }\n"));
    ASSERT_EQ(m_oManager.Load("scene"), 0);
    EXPECT_EQ(m_oManager.IsXFileLoaded("Bunnies.x"), 1);
    EXPECT_EQ(m_oManager.IsXFileLoaded("Bunnies.X"), 0);
    EXPECT_EQ(m_oManager.GetFloatDataBunny("Bunnies.x_Other_Translation_float_x"), nullptr);

    m_oManager.Update(0.0f);
    // Position keys: x, y, z of the key and w = 1; the duplicate group (..._float_extra) lost.
    EXPECT_EQ(FloatValue("Bunnies.x_Pulse_Translation_float_x"), 0.0f);
    EXPECT_EQ(FloatValue("Bunnies.x_Pulse_Translation_float_z"), 2.0f);
    EXPECT_EQ(FloatValue("Bunnies.x_Pulse_Translation_float_w"), 1.0f);
    EXPECT_EQ(m_oLog.Count(DUPLICATE), 4u);
    // Rotation keys keep their four floats in file order (w, x, y, z of the quaternion).
    EXPECT_EQ(FloatValue("Bunnies.x_Spin_Rotation_Float_pitch"), 0.5f);
    EXPECT_EQ(FloatValue("Bunnies.x_Spin_Rotation_Float_yaw"), 0.1f);
    EXPECT_EQ(FloatValue("Bunnies.x_Spin_Rotation_Float_roll"), 0.2f);
    EXPECT_EQ(FloatValue("Bunnies.x_Spin_Rotation_Float_w"), 0.3f);
    // Scale keys into int bunnies: truncation toward zero.
    EXPECT_EQ(IntValue("Bunnies.x_Cull_Scale_int_x"), 2);
    EXPECT_EQ(IntValue("Bunnies.x_Cull_Scale_int_y"), -2);
    EXPECT_EQ(IntValue("Bunnies.x_Cull_Scale_int_z"), 0);
    EXPECT_EQ(IntValue("Bunnies.x_Cull_Scale_int_w"), 1);
    QIRN_BoolDataBunny* poSkip = m_oManager.GetBoolDataBunny("Bunnies.x_Skip_Translation_bool_y");
    ASSERT_NE(poSkip, nullptr);
    EXPECT_EQ(poSkip->m_Value, 1);
    EXPECT_EQ(m_oManager.GetBoolDataBunny("Bunnies.x_Skip_Translation_bool_x")->m_Value, 0);
    QIRN_BINARYTREENODE<QIRN_ByteDataBunny>* pTint =
        m_oManager.m_oByteDataBunnyTree.FindNode("Bunnies.x_Tint_Translation_Byte_x");
    ASSERT_NE(pTint, nullptr);
    EXPECT_EQ(pTint->m_pData->m_Value, 44);
    EXPECT_EQ(m_oManager.m_oByteDataBunnyTree.FindNode("Bunnies.x_Tint_Translation_Byte_y")->m_pData->m_Value,
              255);

    // Key times in seconds, copied into all four bunnies.
    auto* poCull =
        dynamic_cast<QIRN_XFileIntDataBunny*>(m_oManager.GetIntDataBunny("Bunnies.x_Cull_Scale_int_w"));
    ASSERT_NE(poCull, nullptr);
    EXPECT_EQ(poCull->m_dwNumKeys, 1u);
    EXPECT_EQ(poCull->m_pfKeyTimes[0], 0.5f);
    m_oManager.Update(1.0f);
    EXPECT_EQ(FloatValue("Bunnies.x_Pulse_Translation_float_x"), 5.0f);
    m_oManager.SetTime(0.0f);
    m_oManager.Update(0.5f);
    EXPECT_EQ(FloatValue("Bunnies.x_Pulse_Translation_float_x"), 2.5f);

    // Lookups take the full, exact name and the right type.
    EXPECT_EQ(m_oManager.GetFloatDataBunny("bunnies.x_Pulse_Translation_float_x"), nullptr);
    EXPECT_EQ(m_oManager.GetFloatDataBunny("Pulse_Translation_float_x"), nullptr);
    EXPECT_EQ(m_oManager.GetIntDataBunny("Bunnies.x_Pulse_Translation_float_x"), nullptr);

    // The groups that build nothing, each with its own line and the caller's.
    EXPECT_EQ(m_oLog.Count(
                  "*** QIRN_DataBunnyManager::BuildDataBunnies() - strDataBunnyKeyword is NOT 'DataBunny'\n"),
              1u);
    EXPECT_EQ(m_oLog.Count("*** QIRN_DataBunnyManager::BuildDataBunnies() - strTypeName is EMPTY\n"), 1u);
    EXPECT_EQ(m_oLog.Count(
                  "*** QIRN_DataBunnyManager::BuildDataBunnies() - Can't build data bunnies with Transform "
                  "data\n"),
              1u);
    EXPECT_EQ(m_oLog.Count("*** QIRN_DataBunnyManager::BuildDataBunnies() - strFrameName is EMPTY\n"), 1u);
    EXPECT_EQ(m_oLog.Count("'.X' file loader: Couldn't load animation keyframes.\n"), 1u);
    EXPECT_EQ(m_oLog.Count(BUILD_FAILED), 5u); // the double type word has only this one
    EXPECT_EQ(m_oManager.GetFloatDataBunny("Bunnies.x_Wide_Translation_double_x"), nullptr);
    EXPECT_FALSE(m_oLog.Contains("Load successful"));

    m_oManager.ShutDown();
    EXPECT_EQ(m_oManager.m_poDXFile, nullptr);
    EXPECT_EQ(m_oManager.GetFloatDataBunny("Bunnies.x_Pulse_Translation_float_x"), nullptr);
    EXPECT_EQ(m_oManager.IsXFileLoaded("Bunnies.x"), 0);
    // The next world initialises again and reads the files anew.
    ASSERT_EQ(m_oManager.Init(), 0);
    ASSERT_EQ(m_oManager.Load("scene.w"), 0);
    EXPECT_NE(m_oManager.GetFloatDataBunny("Bunnies.x_Pulse_Translation_float_x"), nullptr);
}

// A comment runs to the end of its line wherever the world reads one, braces and all: a commented
// world must not fail here, nor lose the files of its data-bunny block.
// A world's files share the manager's DirectX File object, which keeps the templates each file
// declares: files declaring as many templates as a file may, one after another, must not fill its
// table of templates past its end.
TEST_F(DataBunnyManagerTest, ManyFilesDeclaringTemplates)
{
    for (int iFile = 0; iFile < 8; ++iFile)
    {
        std::string strText = "xof 0302txt 0032\n";
        char szTemplate[160];
        for (size_t i = 0; i < QIRN_XFILE_MAX_FILE_TEMPLATES; ++i)
        {
            std::snprintf(szTemplate, sizeof(szTemplate),
                          "template Extra%d_%u {\n <%08X-0000-4000-8000-000000000002>\n DWORD value;\n}\n", iFile,
                          static_cast<unsigned>(i), static_cast<unsigned>(0x5EED0000u + iFile * 256 + i));
            strText += szTemplate;
        }
        const std::string strName = "templates" + std::to_string(iFile) + ".x";
        qirn_test::WriteFile(strName, strText);
        ASSERT_EQ(m_oManager.LoadDataBunnyXFile(strName), 0) << strName << "\n" << m_oLog.All();
    }
    EXPECT_TRUE(HeapValidate(GetProcessHeap(), 0, nullptr));
}

TEST_F(DataBunnyManagerTest, CommentsAreSkippedAsTheWorldSkipsThem)
{
    CopyFixture("rotation_z90.x", "Turn.x");
    qirn_test::WriteFile("scene.w", World("// the reef's { data\n; bunnies }\nDataBunnyManager\n{\n    // one file\n"
                                          "    xfile { Turn.x }\n}\n"));
    EXPECT_EQ(m_oManager.Load("scene.w"), 0) << m_oLog.All();
    EXPECT_EQ(m_oManager.IsXFileLoaded("Turn.x"), 1) << m_oLog.All();
}

TEST_F(DataBunnyManagerTest, WorldFileVariants)
{
    CopyFixture("rotation_z90.x", "Turn.x");
    qirn_test::WriteFile("notx.x", "this is no .x file at all\n");
    qirn_test::WriteFile("broken.x", "xof 0302txt 0032\nFrame A { \n");
    qirn_test::WriteFile("longname.x", "xof 0302txt 0032\nFrame DataBunny_" + std::string(80, 'P') + "_float { }\n");
    struct Case
    {
        const char* szWhat;
        std::string strWorld;
        int iResult;
        const char* szLog; // NULL: nothing at all is logged
    };
    const Case cases[] = {
        {"no data-bunny block", World("    Fog { Density { 0.5 } }\n"), 0, nullptr},
        {"the file ends inside the world block", "qirn_world_version2.0 { Fog { } ", 0,
         "*** QIRN_DataBunnyManager::Load(): Load successful\n"},
        {"the block in other letter case is just another block",
         World("databunnymanager { xfile { Missing.x } }\n"), 0, nullptr},
        {"wrong file id", "qirn_world_version1.0 { }", 1,
         "*** QIRN_DataBunnyManager::Load():Invalid World File ID\n"},
        {"no opening brace", "qirn_world_version2.0 Fog { }", 1,
         "*** QIRN_DataBunnyManager::Load() - oFile.ReadNextWord() != QIRN_FILE_STARTBLOCKID\n"},
        {"the file ends inside a comment", "qirn_world_version2.0 { Fog { } // the end", 0,
         "*** QIRN_DataBunnyManager::Load(): Load successful\n"},
        {"an item that is no block", World("Stray word\n"), 40,
         "*** QIRN_DataBunnyManager::Load() - Error in skiping the file block!\n"},
        {"a block without its brace", World("DataBunnyManager xfile { Turn.x }\n"), 1,
         "*** QIRN_DataBunnyManager::LoadContents() - oFile.ReadNextWord() != QIRN_FILE_STARTBLOCKID\n"},
        {"a missing .x file", World("DataBunnyManager { xfile { Turn.x } xfile { Missing.x } }\n"), 1,
         "*** QIRN_DataBunnyManager::LoadDataBunnyXFile() - QIRN_FindFile() FAILED\n"},
        {"not a .x file", World("DataBunnyManager { xfile { notx.x } }\n"), 1,
         "*** QIRN_DataBunnyManager::LoadDataBunnyXFile() - m_poDXFile->CreateEnumObject() FAILED\n"},
        {"a .x file that does not parse", World("DataBunnyManager { xfile { broken.x } }\n"), 1,
         "*** QIRN_DataBunnyManager::LoadContents - LoadDataBunnyXFile() FAILED\n"},
        {"a name longer than DirectX File holds", World("DataBunnyManager { xfile { longname.x } }\n"), 1,
         "longname.x\" holds a word longer than 63 characters, a string longer than 260 or a token cut short\n"},
        {"an unreadable file name block", World("DataBunnyManager { xfile Turn.x }\n"), 1,
         "*** QIRN_DataBunnyManager::LoadContents - Error reading strXFileName\n"},
    };
    for (const Case& c : cases)
    {
        m_oLog.Clear();
        qirn_test::WriteFile("scene.w", c.strWorld);
        EXPECT_EQ(m_oManager.Load("scene.w"), c.iResult) << c.szWhat;
        if (c.szLog)
        {
            EXPECT_TRUE(m_oLog.Contains(c.szLog)) << c.szWhat << "\n" << m_oLog.All();
        }
        else
        {
            EXPECT_EQ(m_oLog.All(), "") << c.szWhat;
        }
        if (c.iResult == 1 && std::string(c.szWhat) != "wrong file id" &&
            std::string(c.szWhat) != "no opening brace")
        {
            EXPECT_TRUE(m_oLog.Contains("*** QIRN_DataBunnyManager::Load():Load contents failed\n"))
                << c.szWhat;
        }
    }
    // A file that cannot be read leaves the file unrecorded and the object usable for the next.
    EXPECT_EQ(m_oManager.IsXFileLoaded("broken.x"), 0);
    EXPECT_EQ(m_oManager.IsXFileLoaded("notx.x"), 0);
    EXPECT_EQ(m_oManager.IsXFileLoaded("Turn.x"), 1);

    m_oLog.Clear();
    EXPECT_EQ(m_oManager.Load("nowhere.w"), 1);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_DataBunnyManager::Load() - QIRN_FindFile() FAILED\n"));

    // Without Init there is no reader: a clear failure, not a crash.
    QIRN_DataBunnyManager oUninitialised;
    EXPECT_EQ(oUninitialised.LoadDataBunnyXFile("Turn.x"), 1);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_DataBunnyManager::LoadDataBunnyXFile() - m_poDXFile is NULL"));
}

TEST_F(DataBunnyManagerTest, UpdateAndSetTimeOrder)
{
    File<RecordingBunny<QIRN_IntDataBunny>>(m_oManager.m_oIntDataBunnyTree, "a");
    File<RecordingBunny<QIRN_FloatDataBunny>>(m_oManager.m_oFloatDataBunnyTree, "z");
    File<RecordingBunny<QIRN_FloatDataBunny>>(m_oManager.m_oFloatDataBunnyTree, "m");
    File<RecordingBunny<QIRN_FloatDataBunny>>(m_oManager.m_oFloatDataBunnyTree, "b");
    File<RecordingBunny<QIRN_BoolDataBunny>>(m_oManager.m_oBoolDataBunnyTree, "y");
    File<RecordingBunny<QIRN_ByteDataBunny>>(m_oManager.m_oByteDataBunnyTree, "x");
    File<RecordingBunny<QIRN_ByteDataBunny>>(m_oManager.m_oByteDataBunnyTree, "B");
    g_vVisits.clear();
    EXPECT_EQ(m_oManager.Update(0.1f), 0);
    m_oManager.SetTime(0.0f);
    const std::vector<std::string> vExpected = {"U B", "U x", "U y", "U b", "U m", "U z", "U a",
                                                "T B", "T x", "T y", "T b", "T m", "T z", "T a"};
    EXPECT_EQ(g_vVisits, vExpected);
}

// Frame names go through an 80-character buffer: a longer one is refused, never overrun.
TEST_F(DataBunnyManagerTest, FrameNameBuffer)
{
    std::string strFit = "DataBunny_" + std::string(63, 'n') + "_float"; // 79 characters
    std::string strLong = "DataBunny_" + std::string(64, 'n') + "_float";
    ASSERT_EQ(strFit.size(), 79u);

    FakeXFileData* poSet = AnimationSetFor(strFit);
    EXPECT_EQ(m_oManager.ParseAnimationSet(poSet, "Fit.x"), 0);
    poSet->Release();
    EXPECT_NE(m_oManager.GetFloatDataBunny("Fit.x_" + std::string(63, 'n') + "_Translation_float_y"),
              nullptr);
    EXPECT_EQ(m_oLog.All(), "");

    poSet = AnimationSetFor(strLong);
    EXPECT_EQ(m_oManager.ParseAnimationSet(poSet, "Long.x"), 0);
    poSet->Release();
    EXPECT_TRUE(
        m_oLog.Contains("*** QIRN_DataBunnyManager::ParseAnimationSet() - Frame name of 80 characters is "
                        "longer than the 79 allowed. Animation skipped\n"));
    EXPECT_FALSE(m_oLog.Contains(BUILD_FAILED));
    EXPECT_EQ(
        m_oManager.m_oFloatDataBunnyTree.FindNode("Long.x_" + std::string(64, 'n') + "_Translation_float_x"),
        nullptr);

    EXPECT_EQ(m_oManager.ParseAnimationSet(nullptr, "Null.x"), 1);
}

TEST_F(DataBunnyManagerTest, BuildDataBunniesArguments)
{
    QIRN_AnimationSequence_Translation oSequence;
    ASSERT_EQ(oSequence.AllocateKeys(1), 0);
    struct Case
    {
        QIRN_AnimationSequence* poSequence;
        const char* szFrame;
        const char* szFile;
        const char* szLog;
    };
    const Case cases[] = {
        {nullptr, "DataBunny_A_float", "f.x",
         "*** QIRN_DataBunnyManager::BuildDataBunnies() - poAnimationSequence is NULL\n"},
        {&oSequence, "", "f.x", "*** QIRN_DataBunnyManager::BuildDataBunnies() - strFrameName is EMPTY\n"},
        {&oSequence, "DataBunny_A_float", "",
         "*** QIRN_DataBunnyManager::BuildDataBunnies() - strFilename is NULL\n"},
        {&oSequence, "DataBunny", "f.x",
         "*** QIRN_DataBunnyManager::BuildDataBunnies() - strBunnyName is EMPTY\n"},
    };
    for (const Case& c : cases)
    {
        m_oLog.Clear();
        EXPECT_EQ(m_oManager.BuildDataBunnies(c.poSequence, c.szFrame, c.szFile), 1) << c.szLog;
        EXPECT_EQ(m_oLog.All(), c.szLog);
    }
    // A bunny group without keys holds its values.
    QIRN_AnimationSequence_Scale oEmpty;
    EXPECT_EQ(m_oManager.BuildDataBunnies(&oEmpty, "DataBunny_Blank_int", "f.x"), 0);
    EXPECT_EQ(m_oManager.Update(1.0f), 0);
    EXPECT_EQ(IntValue("f.x_Blank_Scale_int_w"), 0);
}
