#include "world_test_support.h"

#include <new>

namespace world_test
{
const char* const TEST_OBJECT_CLASS = "TestObject";

BlockFile::BlockFile(const std::string& szText, const std::string& szName)
{
    qirn_test::WriteFile(szName, szText);
    m_oFile.Open(szName, QIRN_FILE_READ);
    m_szFirstWord = m_oFile.ReadNextWord();
}

std::string ReadText(const std::string& szPath)
{
    std::string szText = qirn_test::ReadFile(szPath);
    std::string szOut;
    for (char c : szText)
    {
        if (c != '\r')
        {
            szOut += c;
        }
    }
    return szOut;
}

QIRN_ErrorCode TestObject::Update(float fDeltaTime)
{
    Journal().push_back(GetName());
    QIRN_BaseObject::Update(fDeltaTime);
    return m_iFailUpdate ? GENERICERROR : OK;
}

QIRN_ErrorCode TestObject::HandleEventMsg(QIRN_EventMsg* pMsg)
{
    m_vHandled.push_back(pMsg->m_dwType);
    return OK;
}

QIRN_ErrorCode TestObject::InterpretKeyWord(std::string szKeyWord, QIRN_File& roFile)
{
    if (szKeyWord == "Value")
    {
        return roFile.ReadBlock(m_iValue) == OK ? OK : FILEREAD_ERROR;
    }
    if (szKeyWord == "Fail")
    {
        roFile.SkipBlock();
        return GENERICERROR;
    }
    return QIRN_BaseObject::InterpretKeyWord(szKeyWord, roFile);
}

QIRN_ErrorCode TestObject::SaveContents(QIRN_File& roFile)
{
    roFile.WriteBlock("Value", m_iValue);
    return QIRN_BaseObject::SaveContents(roFile);
}

std::vector<std::string>& TestObject::Journal()
{
    static std::vector<std::string> s_vJournal;
    return s_vJournal;
}

QIRN_BaseObject* TestObject::CreateFunction()
{
    return new (std::nothrow) TestObject();
}
} // namespace world_test
