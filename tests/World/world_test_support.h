#pragma once
// Shared pieces of the world tests: block files written from text, and a small object kind whose
// keywords, updates and event messages the tests can steer and watch.

#include "qirn_baseobject.h"
#include "qirn_eventmsg.h"
#include "qirn_file.h"
#include "qirn_test_support.h"
#include "qirn_world.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace world_test
{
// A file holding the text, opened for reading and positioned after its first word.
class BlockFile
{
public:
    explicit BlockFile(const std::string& szText, const std::string& szName = "block.txt");

    QIRN_File& File() { return m_oFile; }
    const std::string& FirstWord() const { return m_szFirstWord; }

private:
    QIRN_File m_oFile;
    std::string m_szFirstWord;
};

// The file's text with its line ends as "\n" (files are written in text mode).
std::string ReadText(const std::string& szPath);

// Class name under which the tests register TestObject.
extern const char* const TEST_OBJECT_CLASS;

// Keywords: "Value" (an int), "Fail" (answers 1 after reading its block). Every update appends the
// name to the shared journal; an object whose m_iFailUpdate is set answers 1 from Update.
class TestObject : public QIRN_BaseObject
{
public:
    explicit TestObject(std::string szClassName = TEST_OBJECT_CLASS) : QIRN_BaseObject(szClassName)
    {
        ++Live();
    }
    ~TestObject() override { --Live(); }

    QIRN_ErrorCode Create(QIRN_CreateParams* poCreateParams) override;

    QIRN_ErrorCode Update(float fDeltaTime) override;
    QIRN_ErrorCode HandleEventMsg(QIRN_EventMsg* pMsg) override;
    QIRN_ErrorCode InterpretKeyWord(std::string szKeyWord, QIRN_File& roFile) override;
    QIRN_ErrorCode SaveContents(QIRN_File& roFile) override;

    int32_t m_iValue = 0;
    int m_iFailUpdate = 0;
    int m_iFailCreate = 0;
    std::vector<uint32_t> m_vHandled;

    static std::vector<std::string>& Journal();
    // How many test objects exist.
    static int& Live();
    // Create answers 1 for objects made by the factory while this is set.
    static bool& FailNextCreates();
    // The factory the registry is given.
    static QIRN_BaseObject* CreateFunction();
};

// A world made and initialised in a fresh working folder (the engine root for file searches), with
// an engine whose audio and window the tests choose, and the event-message manager of an engine.
class WorldFixture : public testing::Test
{
public:
    // The engine handed to the world: a token it never looks into.
    static QIRN_Engine* Engine();
    static QIRN_Audio* Audio();
    // The window the engine answers; NULL unless a test sets it.
    static HWND& Window();

protected:
    void SetUp() override;
    void TearDown() override;

    // Registers TestObject and adds one under the name; NULL when that fails.
    TestObject* AddTestObject(const std::string& szName);

    qirn_test::ScopedTempDir m_oDir;
    QIRN_EventMsgManager m_oManager;
    QIRN_World* m_poWorld = nullptr;
};
} // namespace world_test
