#include "qirn_baseobject.h"

#include "qirn_debug.h"
#include "qirn_objectkeywords.h"

QIRN_BaseObject::QIRN_BaseObject(std::string szClassName)
    : m_bActive(1), m_szClassName(szClassName), m_poWorld(nullptr), m_poAudio(nullptr),
      m_dwID(QIRN_NextInstanceNumber()), m_poEventMsgClient(nullptr), m_fTime(0.0f)
{
}

QIRN_BaseObject::~QIRN_BaseObject()
{
    // This class's version whatever the kind: a kind's own Destroy has already run in its destructor.
    if (QIRN_BaseObject::Destroy() != OK)
    {
        dprintf("*** QIRN_BaseObject::~QIRN_BaseObject(): Destroy() FAILED\n");
    }
}

QIRN_ErrorCode QIRN_BaseObject::Create(QIRN_CreateParams* poCreateParams)
{
    if (!poCreateParams)
    {
        dprintf("*** QIRN_BaseObject::Create(): poCreateParams is NULL. Can't create actor\n");
        return GENERICERROR;
    }
    m_szName = poCreateParams->m_szName;
    m_poWorld = poCreateParams->m_poWorld;
    m_poAudio = poCreateParams->m_poAudio;
    return OK;
}

QIRN_ErrorCode QIRN_BaseObject::Update(float fDeltaTime)
{
    m_fTime += fDeltaTime;
    return OK;
}

QIRN_ErrorCode QIRN_BaseObject::HandleEventMsg(QIRN_EventMsg*)
{
    return OK;
}

QIRN_ErrorCode QIRN_BaseObject::Destroy()
{
    if (m_poEventMsgClient)
    {
        // The manager deletes the client it made for this id.
        m_poEventMsgClient->Destroy();
        m_poEventMsgClient = nullptr;
    }
    return OK;
}

QIRN_ErrorCode QIRN_BaseObject::SaveContents(QIRN_File& roFile)
{
    if (!roFile)
    {
        dprintf("*** QIRN_BaseObject::SaveContents(): roFile is invalid. Can't save contents\n");
        return GENERICERROR;
    }
    roFile.WriteBlock("Name", m_szName);
    roFile.WriteBlock("Active", m_bActive);
    return OK;
}

QIRN_ErrorCode QIRN_BaseObject::Load(QIRN_File& roFile)
{
    if (!roFile)
    {
        dprintf("*** QIRN_BaseObject::Load(): oFile is invalid\n");
        return GENERICERROR;
    }
    if (roFile.ReadNextWord() != QIRN_FILE_STARTBLOCKID)
    {
        dprintf("*** QIRN_BaseObject:Load(): QIRN_FILE_STARTBLOCKID not found\n");
        return GENERICERROR;
    }
    return LoadContents(roFile);
}

QIRN_ErrorCode QIRN_BaseObject::LoadContents(QIRN_File& roFile)
{
    if (!roFile)
    {
        dprintf("*** QIRN_BaseObject::LoadContents() - oFile is invalid\n");
        return GENERICERROR;
    }
    // After a keyword fails (other than for an unreadable value) the rest of the block is only
    // skipped, so that the file stays in step for the next object.
    bool bFailed = false;
    for (;;)
    {
        std::string szKeyWord;
        if (!roFile.IsEOF())
        {
            szKeyWord = roFile.ReadNextWord();
        }
        if (szKeyWord.empty() && roFile.IsEOF())
        {
            dprintf("*** QIRN_BaseObject::LoadContents() - Hit the end of file while reading\n");
            return GENERICERROR;
        }
        if (szKeyWord == QIRN_FILE_ENDBLOCKID)
        {
            if (bFailed)
            {
                dprintf("*** QIRN_BaseObject::LoadContents() - Found unexpected ENDBLOCKID\n");
                return GENERICERROR;
            }
            return OK;
        }
        QIRN_ErrorCode result = bFailed ? roFile.SkipBlock() : InterpretKeyWord(szKeyWord, roFile);
        if (result == OK)
        {
            continue;
        }
        if (result == UNKNOWN_KEYWORD)
        {
            QIRN_LogUnknownKeyword(
                "*** QIRN_BaseObject::LoadContents():Encountered Unknown block keyword. Skipping\n",
                szKeyWord);
            if (roFile.SkipBlock() != OK)
            {
                dprintf("*** Error in skiping the file block!\n");
                return FILEREAD_ERROR;
            }
            continue;
        }
        if (result == FILEREAD_ERROR)
        {
            dprintf("*** QIRN_BaseObject::LoadContents() - Unable to read the value of '%s'\n",
                    szKeyWord.c_str());
            return FILEREAD_ERROR;
        }
        dprintf("*** QIRN_BaseObject::LoadContents() - '%s' failed. Skipping the rest of the block\n",
                szKeyWord.c_str());
        bFailed = true;
    }
}

QIRN_ErrorCode QIRN_BaseObject::InterpretKeyWord(std::string szKeyWord, QIRN_File& roFile)
{
    if (szKeyWord.empty())
    {
        dprintf("*** QIRN_BaseObject:InterpretKeyWord(): szKeyWord is invalid\n");
        return GENERICERROR;
    }
    if (!roFile)
    {
        dprintf("*** QIRN_BaseObject::InterpretKeyWord():oFile is invalid\n");
        return GENERICERROR;
    }
    if (szKeyWord == "Name")
    {
        if (roFile.ReadStringBlock(m_szName) != OK)
        {
            dprintf("*** QIRN_BaseObject::InterpretKeyWord():Error reading m_szName\n");
            return FILEREAD_ERROR;
        }
        return OK;
    }
    if (szKeyWord == "Active")
    {
        if (roFile.ReadBlock(m_bActive) != OK)
        {
            dprintf("*** QIRN_BaseObject::InterpretKeyWord():Error reading m_bActive\n");
            return FILEREAD_ERROR;
        }
        return OK;
    }
    if (szKeyWord == ";" || szKeyWord == "//")
    {
        if (roFile.SkipLine() != OK)
        {
            dprintf("*** QIRN_BaseObject::InterpretKeyWord() - Unable to skip line!\n");
            return FILEREAD_ERROR;
        }
        return OK;
    }
    return UNKNOWN_KEYWORD;
}

QIRN_ErrorCode QIRN_BaseObject::CreateEventMsgClient(QIRN_EventMsgManager* poEventMsgManager)
{
    if (!poEventMsgManager)
    {
        dprintf("*** QIRN_BaseObject::CreateEventMsgClient() - poEventMsgManager is NULL\n");
        return GENERICERROR;
    }
    // A client the object already has stays its client when the manager refuses a second one.
    QIRN_EventMsgClient* poClient = poEventMsgManager->CreateEventMsgClient(m_dwID);
    if (!poClient)
    {
        dprintf("*** QIRN_BaseObject::CreateEventMsgClient() - m_poEventMsgClient is NULL\n");
        return GENERICERROR;
    }
    m_poEventMsgClient = poClient;
    return OK;
}

QIRN_ErrorCode QIRN_BaseObject::ProcessEventMsgs()
{
    QIRN_DrainEventMsgs(m_poEventMsgClient, [this](QIRN_EventMsg* pMsg) { HandleEventMsg(pMsg); });
    return OK;
}
