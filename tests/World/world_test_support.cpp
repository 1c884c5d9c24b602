#include "world_test_support.h"

#include "qirn_settings.h"

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

QIRN_ErrorCode TestObject::Create(QIRN_CreateParams* poCreateParams)
{
    QIRN_ErrorCode result = QIRN_BaseObject::Create(poCreateParams);
    return m_iFailCreate ? GENERICERROR : result;
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

int& TestObject::Live()
{
    static int s_iLive = 0;
    return s_iLive;
}

bool& TestObject::FailNextCreates()
{
    static bool s_bFail = false;
    return s_bFail;
}

QIRN_BaseObject* TestObject::CreateFunction()
{
    TestObject* poObject = new (std::nothrow) TestObject();
    if (poObject)
    {
        poObject->m_iFailCreate = FailNextCreates() ? 1 : 0;
    }
    return poObject;
}

namespace
{
int g_iEngineToken = 0;
int g_iAudioToken = 0;

QIRN_Audio* EngineAudio(QIRN_Engine*)
{
    return reinterpret_cast<QIRN_Audio*>(&g_iAudioToken);
}

HWND EngineWindow(QIRN_Engine*)
{
    return WorldFixture::Window();
}
} // namespace

void WorldFixture::SetUp()
{
    // No settings file: every data folder is the working folder.
    QIRN_InitEnginePath(m_oDir.Path() + "\\qirn_v2.ini");
    QIRN_World::SetEngineSources(&EngineAudio, &EngineWindow);
    Window() = nullptr;
    TestObject::Journal().clear();
    TestObject::FailNextCreates() = false;
    m_poWorld = new QIRN_World(Engine());
    ASSERT_EQ(m_poWorld->InitWorld(), OK);
    ASSERT_EQ(m_poWorld->CreateEventMsgClient(&m_oManager), OK);
}

void WorldFixture::TearDown()
{
    delete m_poWorld;
    m_poWorld = nullptr;
    QIRN_World::SetEngineSources(nullptr, nullptr);
}

TestObject* WorldFixture::AddTestObject(const std::string& szName)
{
    if (m_poWorld->RegisterObject(TEST_OBJECT_CLASS, &TestObject::CreateFunction) != OK)
    {
        return nullptr;
    }
    QIRN_BaseObject* poObject = m_poWorld->CreateObject(szName, TEST_OBJECT_CLASS);
    if (!poObject || m_poWorld->AddObject(poObject) != OK)
    {
        return nullptr;
    }
    return static_cast<TestObject*>(poObject);
}

QIRN_Engine* WorldFixture::Engine()
{
    return reinterpret_cast<QIRN_Engine*>(&g_iEngineToken);
}

QIRN_Audio* WorldFixture::Audio()
{
    return reinterpret_cast<QIRN_Audio*>(&g_iAudioToken);
}

HWND& WorldFixture::Window()
{
    static HWND s_hWnd = nullptr;
    return s_hWnd;
}
} // namespace world_test
