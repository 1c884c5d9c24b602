#include "qirn_test_support.h"
#include "qirn_world.h"
#include "world_test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using world_test::ReadText;
using world_test::TEST_OBJECT_CLASS;
using world_test::TestObject;

namespace
{
const char* const DEFAULT_SHADERS_LINE = "                                Using default Xfile shaders.\n";

// A shader file with a render target, a world shader of its own and one more shader.
const char* const SHADER_FILE = R"(qirn_shader_version2.0
{
    RenderTarget
    {
        Name { Mirror }
        Width { 128 }
    }
    Shader
    {
        Name { WorldShader }
        NumPasses { 1 }
        Pass
        {
            ClearColor { 1 }
            ColorClearValue { 1 2 3 4 }
        }
    }
    Shader
    {
        Name { Coral }
        NumPasses { 1 }
        Pass
        {
            CullMode { 2 }
        }
    }
}
)";

class WorldFileTest : public world_test::WorldFixture
{
protected:
    void SetUp() override
    {
        WorldFixture::SetUp();
        ASSERT_EQ(m_poWorld->RegisterObject(TEST_OBJECT_CLASS, &TestObject::CreateFunction), OK);
        s_iCalls = 0;
        s_iStopAt = -1;
    }

    // Answers 5 from the call numbered s_iStopAt (counted from 0), 0 before.
    static int32_t Progress() { return s_iCalls++ == s_iStopAt ? 5 : 0; }

    QIRN_ErrorCode LoadWorldText(const std::string& szText)
    {
        qirn_test::WriteFile("scene.w", szText);
        return m_poWorld->Load("scene");
    }

    std::vector<float> BookMarkTimes() const
    {
        std::vector<float> times;
        for (auto* poNode = m_poWorld->m_oBookMarkList.m_pHead; poNode; poNode = poNode->m_pNext)
        {
            times.push_back(poNode->m_Key);
        }
        return times;
    }

    static int s_iCalls;
    static int s_iStopAt;
};

int WorldFileTest::s_iCalls = 0;
int WorldFileTest::s_iStopAt = -1;

std::string ObjectBlock(const std::string& szName, int iValue)
{
    return std::string(TEST_OBJECT_CLASS) + " { Name { " + szName + " } Value { " + std::to_string(iValue) +
           " } }\n";
}
} // namespace

TEST_F(WorldFileTest, ReadsEveryTopLevelItem)
{
    qirn_test::LogCapture log;
    ASSERT_EQ(
        LoadWorldText("qirn_world_version2.0\n{\n"
                      "    WorldName { Coral   Reef }\n"
                      "    Gravity { 0 -9.8 0 1 } Wind { 1 0 0.5 1 }\n"
                      "    ResetTime { 95 } LoopWorld { 1 } TimeScale { 0.75 }\n"
                      "    Bookmarks { Bookmark { 5 } Note { a { b } } Bookmark { 2 } Bookmark { 2 } }\n"
                      "    DataBunnyManager { }\n"
                      "    Seaweed { green { leaf } }\n" +
                      ObjectBlock("b", 2) +
                      "    TestObject {\n        ; comment inside the block\n        Name { a }\n    }\n"
                      "}\n"),
        OK);
    EXPECT_EQ(m_poWorld->GetWorldName(), "Coral Reef");
    EXPECT_FLOAT_EQ(m_poWorld->GetGravity().y, -9.8f);
    EXPECT_FLOAT_EQ(m_poWorld->GetWind().z, 0.5f);
    EXPECT_FLOAT_EQ(m_poWorld->GetResetTime(), 95.0f);
    EXPECT_EQ(m_poWorld->GetLoopWorld(), 1);
    EXPECT_FLOAT_EQ(m_poWorld->GetTimeScale(), 0.75f);
    EXPECT_EQ(BookMarkTimes(), (std::vector<float>{2.0f, 2.0f, 5.0f}));

    TestObject* poB = static_cast<TestObject*>(m_poWorld->FindObject("b"));
    ASSERT_NE(poB, nullptr);
    EXPECT_EQ(poB->m_iValue, 2);
    EXPECT_EQ(poB->GetWorld(), m_poWorld);
    EXPECT_EQ(poB->GetAudio(), Audio());
    ASSERT_NE(m_poWorld->FindObject("a"), nullptr);
    EXPECT_EQ(m_poWorld->GetList(TEST_OBJECT_CLASS)->m_iCount, 2);

    // The unknown block is named; the data-bunny block is passed over silently.
    EXPECT_EQ(log.Count("*** QIRN_World::LoadContents():Encountered Unknown block keyword. Skipping\n"), 1u);
    EXPECT_TRUE(log.Contains("Seaweed"));
    EXPECT_FALSE(log.Contains("DataBunnyManager"));
}

TEST_F(WorldFileTest, WorldFileErrors)
{
    struct Case
    {
        const char* szText;
        QIRN_ErrorCode expected;
        int iObjects;
        const char* szLogLine;
    };
    const Case cases[] = {
        // The data-bunny pass refuses the file before the world's reader sees it.
        {"qirn_world_version1.0 { }", GENERICERROR, 0,
         "*** QIRN_World::Load() - m_oDataBunnyManager.Load() FAILED\n"},
        // Without the closing brace every object is made, then the load fails.
        {"qirn_world_version2.0 { TestObject { Name { a } } TestObject { Name { b } }\n", FILEERROR, 2,
         "*** QIRN_World::LoadContents(): Hit the end of file while reading\n"},
        // A broken object block stops the load.
        {"qirn_world_version2.0 { TestObject { Name { a } } TestObject { Value { x } } TestObject { Name { c "
         "} } }",
         FILEERROR, 1, "*** QIRN_WOrld::LoadWorld(): Error with World File! Can't keep going\n"},
        // An object that fails otherwise is dropped and the load goes on.
        {"qirn_world_version2.0 { TestObject { Fail { } Name { a } } TestObject { Name { c } } }", OK, 1,
         "*** QIRN_World::LoadWorld(): Generation of Actor 'TestObject' Failed.\n"},
        // A world value that cannot be read leaves the reader out of step.
        {"qirn_world_version2.0 { TimeScale { fast } TestObject { Name { a } } }", FILEERROR, 0,
         "*** QIRN_World:LoadWorld:Error reading m_fTimeScale\n"},
        // Its value block is not skipped a second time: that would end the world at the bookmarks' brace.
        {"qirn_world_version2.0 { Bookmarks { Bookmark x { } } TestObject { Name { b } } }", FILEERROR, 0,
         "QIRN_World::LoadBookMarks - Error reading fTime\n"},
        {"qirn_world_version2.0 { Bookmarks { Bookmark { soon } } }", FILEERROR, 0,
         "QIRN_World::LoadBookMarks - Error reading fTime\n"},
    };
    for (const Case& test : cases)
    {
        SCOPED_TRACE(test.szText);
        ASSERT_EQ(m_poWorld->InitWorld(), OK);
        ASSERT_EQ(m_poWorld->RegisterObject(TEST_OBJECT_CLASS, &TestObject::CreateFunction), OK);
        qirn_test::LogCapture log;
        EXPECT_EQ(LoadWorldText(test.szText), test.expected);
        EXPECT_EQ(TestObject::Live(), test.iObjects);
        EXPECT_TRUE(log.Contains(test.szLogLine)) << log.All();
    }
    qirn_test::LogCapture log;
    EXPECT_EQ(m_poWorld->Load("elsewhere"), FILENOTFOUND);
    EXPECT_TRUE(log.Contains("*** QIRN_World::Load() - QIRN_FindFile() FAILED\n"));
}

TEST_F(WorldFileTest, ObjectWithATakenNameIsDropped)
{
    qirn_test::LogCapture log;
    EXPECT_EQ(LoadWorldText("qirn_world_version2.0 {\n" + ObjectBlock("a", 1) + ObjectBlock("a", 2) + "}\n"),
              OK);
    EXPECT_TRUE(
        log.Contains("*** QIRN_World::CreatedRegisteredActorFromFile::AddObject(pNewActor) failed\n"));
    EXPECT_EQ(TestObject::Live(), 1);
    EXPECT_EQ(static_cast<TestObject*>(m_poWorld->FindObject("a"))->m_iValue, 1);
}

TEST_F(WorldFileTest, ProgressCallbackStopsTheLoad)
{
    const std::string szWorld =
        "qirn_world_version2.0 {\n" + ObjectBlock("a", 1) + "TimeScale { 2 }\n" + ObjectBlock("b", 2) + "}\n";
    m_poWorld->SetProgressCallback(&WorldFileTest::Progress);

    // Called before each item, the closing brace included.
    EXPECT_EQ(LoadWorldText(szWorld), OK);
    EXPECT_EQ(s_iCalls, 4);

    ASSERT_EQ(m_poWorld->InitWorld(), OK);
    ASSERT_EQ(m_poWorld->RegisterObject(TEST_OBJECT_CLASS, &TestObject::CreateFunction), OK);
    m_poWorld->SetProgressCallback(&WorldFileTest::Progress);
    s_iCalls = 0;
    s_iStopAt = 0;
    qirn_test::LogCapture log;
    EXPECT_EQ(LoadWorldText(szWorld), QIRNERR_QUITEARLY);
    EXPECT_TRUE(log.Contains("*** QUITTING\n"));
    EXPECT_FALSE(log.Contains("Load contents failed"));
    EXPECT_EQ(TestObject::Live(), 0);

    // Stopped later, the world keeps what it read.
    ASSERT_EQ(m_poWorld->InitWorld(), OK);
    ASSERT_EQ(m_poWorld->RegisterObject(TEST_OBJECT_CLASS, &TestObject::CreateFunction), OK);
    m_poWorld->SetProgressCallback(&WorldFileTest::Progress);
    s_iCalls = 0;
    s_iStopAt = 2;
    EXPECT_EQ(LoadWorldText(szWorld), QIRNERR_QUITEARLY);
    EXPECT_NE(m_poWorld->FindObject("a"), nullptr);
    EXPECT_FLOAT_EQ(m_poWorld->GetTimeScale(), 2.0f);
    EXPECT_EQ(TestObject::Live(), 1);
}

TEST_F(WorldFileTest, MissingShaderFileIsWrittenAndReadBackEqual)
{
    // Shaders the world has before the load go into the written file.
    QIRN_Shader* poCoral = new QIRN_Shader();
    poCoral->SetName("Coral");
    poCoral->m_dwNumPasses = 1;
    poCoral->m_poPasses = new QIRN_ShaderPass[1];
    poCoral->m_poPasses[0].m_eCullMode = 2;
    m_poWorld->GetShaderTree()->InsertNode("Coral", poCoral);
    QIRN_RenderTarget* poMirror = new QIRN_RenderTarget();
    poMirror->m_strName = "Mirror";
    m_poWorld->GetRenderTargetTree()->InsertNode("Mirror", poMirror);

    const std::string szWorld = "qirn_world_version2.0 { WorldName { Reef } }\n";
    qirn_test::LogCapture log;
    ASSERT_EQ(LoadWorldText(szWorld), OK);
    EXPECT_TRUE(log.Contains("*** QIRN_World::Load() - Shader file not found!\n"));
    EXPECT_TRUE(log.Contains(DEFAULT_SHADERS_LINE));
    EXPECT_TRUE(log.Contains("*** QIRN_World::SaveShaders() - Successfully saved shaders!\n"));
    ASSERT_TRUE(qirn_test::FileExists("scene.s"));
    std::string szWritten = ReadText("scene.s");
    EXPECT_EQ(szWritten.rfind("qirn_shader_version2.0\n{\n    RenderTarget\n", 0), 0u) << szWritten;
    size_t nCoral = szWritten.find("Name { Coral }");
    size_t nWorld = szWritten.find("Name { WorldShader }");
    ASSERT_NE(nCoral, std::string::npos);
    ASSERT_NE(nWorld, std::string::npos);
    EXPECT_LT(nCoral, nWorld);
    EXPECT_EQ(szWritten.substr(szWritten.size() - 2), "}\n");

    // A second world reads the file back and saves the same text.
    QIRN_World again(Engine());
    ASSERT_EQ(again.InitWorld(), OK);
    log.Clear();
    ASSERT_EQ(again.Load("scene"), OK);
    EXPECT_FALSE(log.Contains("Shader file not found"));
    EXPECT_FALSE(log.Contains("Successfully saved shaders"));
    ASSERT_NE(again.GetShaderTree()->FindNode("Coral"), nullptr);
    EXPECT_EQ(again.GetShaderTree()->FindNode("Coral")->m_pData->m_poPasses[0].m_eCullMode, 2u);
    ASSERT_NE(again.GetRenderTargetTree()->FindNode("Mirror"), nullptr);
    ASSERT_NE(again.GetWorldShader(), nullptr);
    EXPECT_EQ(again.GetWorldShader()->m_poPasses[0].m_dwColorClearValue, 0xFF3F99B4u);
    ASSERT_EQ(again.SaveShaders(again.GetShaderTree(), "copy.s", again.GetRenderTargetTree()), OK);
    EXPECT_EQ(ReadText("copy.s"), szWritten);
}

TEST_F(WorldFileTest, PresentShaderFileGivesTheWorldShader)
{
    qirn_test::WriteFile("scene.s", SHADER_FILE);
    ASSERT_EQ(LoadWorldText("qirn_world_version2.0 { }"), OK);
    QIRN_Shader* poWorldShader = m_poWorld->GetWorldShader();
    ASSERT_NE(poWorldShader, nullptr);
    EXPECT_EQ(poWorldShader->m_poPasses[0].m_dwColorClearValue, 0x04010203u);
    EXPECT_EQ(m_poWorld->GetShaderTree()->FindNode("WorldShader")->m_iRefCount, 1);
    EXPECT_NE(m_poWorld->GetShaderTree()->FindNode("Coral"), nullptr);
    ASSERT_NE(m_poWorld->GetRenderTargetTree()->FindNode("Mirror"), nullptr);
    EXPECT_EQ(m_poWorld->GetRenderTargetTree()->FindNode("Mirror")->m_pData->m_dwWidth, 128u);
    // The file is not written again.
    EXPECT_EQ(qirn_test::ReadFile("scene.s"), SHADER_FILE);

    // A shader file without a world shader gets the default one.
    qirn_test::WriteFile("plain.s", "qirn_shader_version2.0 { }");
    qirn_test::WriteFile("plain.w", "qirn_world_version2.0 { }");
    ASSERT_EQ(m_poWorld->InitWorld(), OK);
    ASSERT_EQ(m_poWorld->Load("plain.w"), OK);
    ASSERT_NE(m_poWorld->GetWorldShader(), nullptr);
    EXPECT_EQ(m_poWorld->GetWorldShader()->m_poPasses[0].m_dwColorClearValue, 0xFF3F99B4u);
    EXPECT_EQ(m_poWorld->GetShaderTree()->FindNode("WorldShader")->m_iRefCount, 1);
}

TEST_F(WorldFileTest, ShaderFileErrors)
{
    struct Case
    {
        const char* szText;
        QIRN_ErrorCode expected;
        std::vector<const char*> shaders;
        std::vector<const char*> lines;
    };
    const Case cases[] = {
        {"qirn_shader_version1.0 { }",
         GENERICERROR,
         {},
         {"*** QIRN_World::LoadShaders() - Invalid shader file!\n", DEFAULT_SHADERS_LINE}},
        {"qirn_shader_version2.0 Shader",
         GENERICERROR,
         {},
         {"*** QIRN_World::LoadShaders() - Invalid shader file!\n"}},
        {"qirn_shader_version2.0 { Kelp { a { b } } Shader { Name { A } } }",
         OK,
         {"A"},
         {"*** QIRN_World::LoadShaders() - Unknown keyword \"Kelp\"!\n",
          "                              Attempting to skip block!\n"}},
        {"qirn_shader_version2.0 { Shader { Name { A } } Shader { Name { A } NumPasses { 1 } } Shader { Name "
         "{ B } } }",
         GENERICERROR,
         {"A"},
         {"*** QIRN_World::LoadShaders() - Unable to insert shader in tree!\n"}},
        {"qirn_shader_version2.0 { Shader { Name { A } } Shader { Name { B }",
         GENERICERROR,
         {"A"},
         {"*** QIRN_World::LoadShaders() - Unable to load shader!\n"}},
        {"qirn_shader_version2.0 { Shader { Name { A } }",
         GENERICERROR,
         {"A"},
         {"*** QIRN_World::LoadShaders() - Hit the end of file while reading\n"}},
        {"qirn_shader_version2.0 { Kelp x }",
         FILEREAD_ERROR,
         {},
         {"*** QIRN_World::LoadShaders() - Error in skiping the file block!\n"}},
        {"qirn_shader_version2.0 { RenderTarget { Width { wide } } }",
         GENERICERROR,
         {},
         {"*** QIRN_World::LoadShaders() - Unable to load render target!\n"}},
        // 199 bytes whose four pass counts would each ask for megabytes: the first is refused.
        {"qirn_shader_version2.0 {\n"
         "Shader { Name { S1 } NumPasses { 65536 } }\n"
         "Shader { Name { S2 } NumPasses { 65536 } }\n"
         "Shader { Name { S3 } NumPasses { 65536 } }\n"
         "Shader { Name { S4 } NumPasses { 65536 } }\n"
         "}\n",
         GENERICERROR,
         {},
         {"*** QIRN_Shader::Load - Unable to make 65536 passes (a shader has at most 32)\n",
          "*** QIRN_World::LoadShaders() - Unable to load shader!\n"}},
    };
    for (const Case& test : cases)
    {
        SCOPED_TRACE(test.szText);
        qirn_test::WriteFile("test.s", test.szText);
        QIRN_BINARYTREE<QIRN_Shader> shaders;
        QIRN_BINARYTREE<QIRN_RenderTarget> targets;
        qirn_test::LogCapture log;
        EXPECT_EQ(m_poWorld->LoadShaders("test.s", &shaders, &targets), test.expected);
        std::vector<std::string> names;
        for (auto* poNode = shaders.GetFirstNode(); poNode; poNode = poNode->GetNextNode())
        {
            names.push_back(poNode->m_szName);
        }
        EXPECT_EQ(names, std::vector<std::string>(test.shaders.begin(), test.shaders.end()));
        for (const char* szLine : test.lines)
        {
            EXPECT_TRUE(log.Contains(szLine)) << szLine << log.All();
        }
    }

    qirn_test::LogCapture log;
    QIRN_BINARYTREE<QIRN_Shader> shaders;
    EXPECT_EQ(m_poWorld->LoadShaders("", &shaders, nullptr), GENERICERROR);
    EXPECT_TRUE(log.Contains("*** QIRN_World::LoadShaders() - szFilename is EMPTY\n"));
    EXPECT_EQ(m_poWorld->LoadShaders("test.s", nullptr, nullptr), GENERICERROR);
    EXPECT_TRUE(log.Contains("*** QIRN_World::LoadShaders() - poShaderTree is NULL\n"));
    EXPECT_EQ(m_poWorld->LoadShaders("absent.s", &shaders, nullptr), GENERICERROR);
    EXPECT_TRUE(log.Contains("*** QIRN_World::LoadShaders() - Unable to open shader file!\n"));

    // Without a render-target tree the render targets are passed over.
    qirn_test::WriteFile("test.s",
                         "qirn_shader_version2.0 { RenderTarget { Name { M } } Shader { Name { S } } }");
    EXPECT_EQ(m_poWorld->LoadShaders("test.s", &shaders, nullptr), OK);
    EXPECT_NE(shaders.FindNode("S"), nullptr);
}

TEST_F(WorldFileTest, SaveShadersRefusesBadArguments)
{
    qirn_test::LogCapture log;
    EXPECT_EQ(m_poWorld->SaveShaders(m_poWorld->GetShaderTree(), "", nullptr), GENERICERROR);
    EXPECT_TRUE(log.Contains("*** QIRN_World :: SaveShaders - Invalid filename\n"));
    EXPECT_EQ(m_poWorld->SaveShaders(nullptr, "out.s", nullptr), GENERICERROR);
    EXPECT_TRUE(log.Contains("*** QIRN_World::SaveShaders() - poShaderTree is NULL.\n"));
    CreateDirectoryA("folder.s", nullptr);
    EXPECT_EQ(m_poWorld->SaveShaders(m_poWorld->GetShaderTree(), "folder.s", nullptr), GENERICERROR);
    EXPECT_TRUE(log.Contains("*** QIRN_World :: SaveShaders - Unable to open 'folder.s' for writing!\n"));
}

TEST_F(WorldFileTest, RelationshipObjectsGoToTheirOwnList)
{
    qirn_test::LogCapture log;
    ASSERT_EQ(LoadWorldText(
                  "qirn_world_version2.0 {\n" + ObjectBlock("a", 1) +
                  "    QIRN_RelationshipObject { Name { follow } Active { 0 } DependantActorName { a } }\n"
                  "    QIRN_RelationshipObject { Name { attach } DependantActorName { a } }\n"
                  "}\n"),
              OK)
        << log.All();
    EXPECT_FALSE(log.Contains("Encountered Unknown block keyword")) << log.All();
    std::vector<std::string> names;
    for (auto* poNode = m_poWorld->m_oRelationshipObjectList.m_pHead; poNode; poNode = poNode->m_pNext)
    {
        names.push_back(poNode->m_szName);
        EXPECT_EQ(poNode->m_pData->GetClassTypeName(), "QIRN_RelationshipObject");
        EXPECT_EQ(poNode->m_pData->GetWorld(), m_poWorld);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"attach", "follow"}));
    EXPECT_EQ(m_poWorld->m_oRelationshipObjectList.FindNode("follow")->m_pData->IsActive(), 0);
    // They are not objects of the name tree, but they are updated after the objects.
    log.Clear();
    EXPECT_EQ(m_poWorld->FindObject("follow"), nullptr);
    EXPECT_EQ(m_poWorld->UpdateWorld(0.5f), OK);
    EXPECT_FLOAT_EQ(m_poWorld->m_oRelationshipObjectList.FindNode("attach")->m_pData->GetTime(), 0.5f);

    // A relationship that cannot be read or made is dropped, and the load goes on with the next item.
    const std::pair<const char*, const char*> failures[] = {
        {"QIRN_RelationshipObject { Name { r } Active { x } DependantActorName { a } }",
         "*** QIRN_World::InterpretKeyword() - poRelationshipObject->Load() FAILED\n"},
        {"QIRN_RelationshipObject { Name { r } DependantActorName x }",
         "*** QIRN_World::InterpretKeyword() - poRelationshipObject->Load() FAILED\n"},
        {"QIRN_RelationshipObject { Name { r } Active { 1 } { } DependantActorName { a } }",
         "*** QIRN_World::InterpretKeyword() - poRelationshipObject->Load() FAILED\n"},
        {"QIRN_RelationshipObject { Name { r } }",
         "*** QIRN_RelationshipObject::PostLoad() - m_strDependantActorName is EMPTY\n"},
        {"QIRN_RelationshipObject { DependantActorName { a } }",
         "*** QIRN_World::InterpretKeyword() - m_oRelationshipObjectList.Insert() FAILED\n"},
        {"QIRN_RelationshipObject { Name { s } DependantActorName { a } } "
         "QIRN_RelationshipObject { Name { s } DependantActorName { a } }",
         "*** QIRN_World::InterpretKeyword() - m_oRelationshipObjectList.Insert() FAILED\n"},
    };
    for (const auto& failure : failures)
    {
        SCOPED_TRACE(failure.first);
        ASSERT_EQ(m_poWorld->InitWorld(), OK);
        ASSERT_EQ(m_poWorld->RegisterObject(TEST_OBJECT_CLASS, &TestObject::CreateFunction), OK);
        log.Clear();
        EXPECT_EQ(LoadWorldText(std::string("qirn_world_version2.0 { ") + failure.first + " " +
                                ObjectBlock("late", 1) + " }"),
                  OK)
            << log.All();
        EXPECT_TRUE(log.Contains(failure.second)) << log.All();
        EXPECT_EQ(TestObject::Live(), 1);
        EXPECT_NE(m_poWorld->FindObject("late"), nullptr);
        EXPECT_EQ(m_poWorld->m_oRelationshipObjectList.FindNode("r"), nullptr);
    }
    EXPECT_EQ(m_poWorld->m_oRelationshipObjectList.m_iCount, 1);
}
