#pragma once
// Shared pieces of the world tests: block files written from text, and a small object kind whose
// keywords, updates and event messages the tests can steer and watch.

#include "qirn_baseobject.h"
#include "qirn_file.h"
#include "qirn_test_support.h"

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
    explicit TestObject(std::string szClassName = TEST_OBJECT_CLASS) : QIRN_BaseObject(szClassName) {}

    QIRN_ErrorCode Update(float fDeltaTime) override;
    QIRN_ErrorCode HandleEventMsg(QIRN_EventMsg* pMsg) override;
    QIRN_ErrorCode InterpretKeyWord(std::string szKeyWord, QIRN_File& roFile) override;
    QIRN_ErrorCode SaveContents(QIRN_File& roFile) override;

    int32_t m_iValue = 0;
    int m_iFailUpdate = 0;
    std::vector<uint32_t> m_vHandled;

    static std::vector<std::string>& Journal();
    // The factory the registry is given.
    static QIRN_BaseObject* CreateFunction();
};
} // namespace world_test
