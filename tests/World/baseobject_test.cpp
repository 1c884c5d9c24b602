#include "qirn_baseobject.h"
#include "qirn_eventmsg.h"
#include "qirn_test_support.h"
#include "world_test_support.h"

#include <gtest/gtest.h>

#include <string>

using world_test::BlockFile;
using world_test::TestObject;

namespace
{
struct KeywordCase
{
    const char* szText;
    QIRN_ErrorCode expected;
    const char* szName;
    int32_t iValue;
    const char* szLogLine;
};

const KeywordCase KEYWORD_CASES[] = {
    // Names are joined by single blanks; the chain hands "Value" to the kind and "Name" to the base.
    {"Obj { Name { two     words } Active { 0 } Value { 7 } }", OK, "two words", 7, nullptr},
    // An unknown keyword costs only its block, nested braces included.
    {"Obj { Unknown { a { b } c } Name { x } }", OK, "x", 0,
     "*** QIRN_BaseObject::LoadContents():Encountered Unknown block keyword. Skipping\n"},
    // Comment lines stand wherever a keyword may.
    {"Obj {\n; Name { wrong } Value { 3 }\n// Value { 4 }\nName { y }\n}", OK, "y", 0, nullptr},
    // A missing closing brace ends at the end of the file.
    {"Obj { Name { z } Value { 2 }", GENERICERROR, "z", 2,
     "*** QIRN_BaseObject::LoadContents() - Hit the end of file while reading\n"},
    // A failing keyword (1) skips the rest of the block: Name is not taken.
    {"Obj { Value { 5 } Fail { } Name { late } }", GENERICERROR, "", 5,
     "*** QIRN_BaseObject::LoadContents() - Found unexpected ENDBLOCKID\n"},
    // A value that cannot be read (40) ends the load at once.
    {"Obj { Value { 1 } Active { yes } Name { n } }", FILEREAD_ERROR, "", 1,
     "*** QIRN_BaseObject::InterpretKeyWord():Error reading m_bActive\n"},
    // The block must open with "{".
    {"Obj Name { n }", GENERICERROR, "", 0, "*** QIRN_BaseObject:Load(): QIRN_FILE_STARTBLOCKID not found\n"},
};

class BaseObjectTest : public testing::Test
{
protected:
    qirn_test::ScopedTempDir m_oDir;
};
} // namespace

TEST_F(BaseObjectTest, KeywordChainAnswers)
{
    for (const KeywordCase& test : KEYWORD_CASES)
    {
        SCOPED_TRACE(test.szText);
        qirn_test::LogCapture log;
        BlockFile file(test.szText);
        TestObject object;
        EXPECT_EQ(object.Load(file.File()), test.expected);
        EXPECT_EQ(object.GetName(), test.szName);
        EXPECT_EQ(object.m_iValue, test.iValue);
        if (test.szLogLine)
        {
            EXPECT_TRUE(log.Contains(test.szLogLine)) << log.All();
        }
    }
}

TEST_F(BaseObjectTest, UnknownKeywordIsLoggedWordByWord)
{
    qirn_test::LogCapture log;
    BlockFile file("Obj { Colour { 1 2 3 } }");
    TestObject object;
    ASSERT_EQ(object.Load(file.File()), OK);
    const std::vector<std::string>& lines = log.Messages();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[1], "*** Keyword: ");
    EXPECT_EQ(lines[2], "Colour");
    EXPECT_EQ(lines[3], "\n");
}

TEST_F(BaseObjectTest, BaseKeywordsAnswerUnknownForOtherWords)
{
    BlockFile file("x { 1 }");
    QIRN_BaseObject object("QIRN_BaseObject");
    EXPECT_EQ(object.InterpretKeyWord("Value", file.File()), UNKNOWN_KEYWORD);
    qirn_test::LogCapture log;
    EXPECT_EQ(object.InterpretKeyWord("", file.File()), GENERICERROR);
    EXPECT_TRUE(log.Contains("*** QIRN_BaseObject:InterpretKeyWord(): szKeyWord is invalid\n"));
    QIRN_File closed;
    EXPECT_EQ(object.InterpretKeyWord("Name", closed), GENERICERROR);
    EXPECT_TRUE(log.Contains("*** QIRN_BaseObject::InterpretKeyWord():oFile is invalid\n"));
}

TEST_F(BaseObjectTest, SavedContentsLoadBack)
{
    TestObject original;
    original.SetName("Big Rock");
    original.m_bActive = 0;
    original.m_iValue = -12;
    {
        QIRN_File out;
        ASSERT_EQ(out.Open("object.txt", QIRN_FILE_WRITE), OK);
        ASSERT_EQ(out.StartWriteBlock("TestObject"), OK);
        ASSERT_EQ(original.SaveContents(out), OK);
        ASSERT_EQ(out.EndWriteBlock(), OK);
    }
    EXPECT_EQ(world_test::ReadText("object.txt"),
              "TestObject\n{\n    Value { -12 } \n    Name { Big Rock } \n"
              "    Active { 0 } \n}\n");
    QIRN_File in;
    ASSERT_EQ(in.Open("object.txt", QIRN_FILE_READ), OK);
    ASSERT_EQ(in.ReadNextWord(), "TestObject");
    TestObject copy;
    ASSERT_EQ(copy.Load(in), OK);
    EXPECT_EQ(copy.GetName(), "Big Rock");
    EXPECT_EQ(copy.m_bActive, 0);
    EXPECT_EQ(copy.m_iValue, -12);
}

TEST_F(BaseObjectTest, IdsComeFromTheSharedCounter)
{
    uint32_t dwEngineId = QIRN_NextInstanceNumber();
    TestObject first;
    TestObject second;
    EXPECT_EQ(first.GetID(), dwEngineId + 1);
    EXPECT_EQ(second.GetID(), dwEngineId + 2);
    EXPECT_EQ(first.GetClassTypeName(), "TestObject");
}

TEST_F(BaseObjectTest, CreateCopiesTheRecord)
{
    TestObject object;
    qirn_test::LogCapture log;
    EXPECT_EQ(object.Create(nullptr), GENERICERROR);
    EXPECT_TRUE(log.Contains("*** QIRN_BaseObject::Create(): poCreateParams is NULL. Can't create actor\n"));

    int iWorld = 0, iAudio = 0;
    QIRN_CreateParams params;
    params.m_szName = "Camera 1";
    params.m_poWorld = reinterpret_cast<QIRN_World*>(&iWorld);
    params.m_poAudio = reinterpret_cast<QIRN_Audio*>(&iAudio);
    ASSERT_EQ(object.Create(&params), OK);
    EXPECT_EQ(object.GetName(), "Camera 1");
    EXPECT_EQ(object.GetWorld(), params.m_poWorld);
    EXPECT_EQ(object.GetAudio(), params.m_poAudio);
}

TEST_F(BaseObjectTest, UpdateAdvancesTheClock)
{
    TestObject object;
    object.SetName("clock");
    object.Update(0.25f);
    object.Update(0.5f);
    EXPECT_FLOAT_EQ(object.GetTime(), 0.75f);
}

TEST_F(BaseObjectTest, EventMessagesReachTheHandlerAndTheClientGoesWithTheObject)
{
    QIRN_EventMsgManager manager;
    qirn_test::LogCapture log;
    {
        TestObject object;
        EXPECT_EQ(object.CreateEventMsgClient(nullptr), GENERICERROR);
        EXPECT_TRUE(
            log.Contains("*** QIRN_BaseObject::CreateEventMsgClient() - poEventMsgManager is NULL\n"));
        ASSERT_EQ(object.CreateEventMsgClient(&manager), OK);
        QIRN_EventMsgClient* poClient = object.GetEventMsgClient();
        ASSERT_NE(poClient, nullptr);
        EXPECT_EQ(poClient->m_dwClient, object.GetID());

        // A second client for the same id is refused; the first stays the object's.
        EXPECT_EQ(object.CreateEventMsgClient(&manager), GENERICERROR);
        EXPECT_EQ(object.GetEventMsgClient(), poClient);

        poClient->PostEventMsg(new QIRN_EventMsg{7, 0, 0});
        poClient->PostEventMsg(new QIRN_EventMsg{9, 0, 0});
        EXPECT_EQ(object.ProcessEventMsgs(), OK);
        EXPECT_EQ(object.m_vHandled, (std::vector<uint32_t>{7, 9}));
        EXPECT_EQ(poClient->PeekEventMsg(), nullptr);
        ASSERT_NE(manager.m_oClients.GetFirstNode(), nullptr);
    }
    EXPECT_EQ(manager.m_oClients.GetFirstNode(), nullptr);
}

TEST_F(BaseObjectTest, DestroyRunsTwiceHarmlessly)
{
    QIRN_EventMsgManager manager;
    TestObject object;
    ASSERT_EQ(object.CreateEventMsgClient(&manager), OK);
    EXPECT_EQ(object.Destroy(), OK);
    EXPECT_EQ(object.GetEventMsgClient(), nullptr);
    EXPECT_EQ(manager.m_oClients.GetFirstNode(), nullptr);
    EXPECT_EQ(object.Destroy(), OK);
    // Without a client there is nothing to drain.
    EXPECT_EQ(object.ProcessEventMsgs(), OK);
}
