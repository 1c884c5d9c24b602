#include "qirn_eventmsg.h"

#include "qirn_debug.h"

#include <new>
#include <string>

QIRN_EventMsgClient::QIRN_EventMsgClient() : m_dwClient(0), m_oMessageQueue(true), m_poEventMsgManager(nullptr) {}

QIRN_EventMsgClient::~QIRN_EventMsgClient()
{
    while (m_oMessageQueue.m_pHead)
    {
        m_oMessageQueue.DeleteNode(m_oMessageQueue.m_pHead);
    }
    m_dwClient = 0;
    m_poEventMsgManager = nullptr;
}

QIRN_ErrorCode QIRN_EventMsgClient::Create(uint32_t dwClient, QIRN_EventMsgManager* poEventMsgManager)
{
    if (dwClient == 0)
    {
        dprintf("*** QIRN_EventMsgClient::Create() - dwClient is ZERO\n");
        return GENERICERROR;
    }
    if (!poEventMsgManager)
    {
        dprintf("*** QIRN_EventMsgClient::Create() - poEventMsgManager is NULL\n");
        return GENERICERROR;
    }
    m_poEventMsgManager = poEventMsgManager;
    m_dwClient = dwClient;
    return OK;
}

QIRN_EventMsg* QIRN_EventMsgClient::PeekEventMsg()
{
    return m_oMessageQueue.m_pHead ? m_oMessageQueue.m_pHead->m_pData : nullptr;
}

QIRN_EventMsg* QIRN_EventMsgClient::PopEventMsg()
{
    if (!PeekEventMsg())
    {
        return nullptr;
    }
    QIRN_LINKEDLISTNODE<QIRN_EventMsg>* pHead = m_oMessageQueue.m_pHead;
    QIRN_EventMsg* pMsg = pHead->m_pData;
    pHead->m_pData = nullptr;
    m_oMessageQueue.DeleteNode(pHead);
    return pMsg;
}

QIRN_ErrorCode QIRN_EventMsgClient::PostEventMsg(QIRN_EventMsg* pMsg)
{
    return m_oMessageQueue.AppendNode("EventMsg", pMsg) ? OK : GENERICERROR;
}

QIRN_ErrorCode QIRN_EventMsgClient::Destroy()
{
    if (!m_poEventMsgManager)
    {
        return GENERICERROR;
    }
    return m_poEventMsgManager->DestroyEventMsgClient(m_dwClient);
}

QIRN_EventMsgManager::~QIRN_EventMsgManager()
{
    m_oClients.DeleteAllNodes();
}

QIRN_EventMsgClient* QIRN_EventMsgManager::CreateEventMsgClient(uint32_t dwClient)
{
    QIRN_EventMsgClient* poClient = new (std::nothrow) QIRN_EventMsgClient();
    if (!poClient)
    {
        return nullptr;
    }
    if (poClient->Create(dwClient, this) != OK)
    {
        delete poClient;
        return nullptr;
    }
    if (!m_oClients.InsertNode(std::to_string(dwClient), poClient))
    {
        delete poClient;
        return nullptr;
    }
    return poClient;
}

QIRN_ErrorCode QIRN_EventMsgManager::DestroyEventMsgClient(uint32_t dwClient)
{
    return m_oClients.DeleteNodeByName(std::to_string(dwClient));
}

uint32_t QIRN_NextInstanceNumber()
{
    static uint32_t s_dwNext = 1;
    return s_dwNext++;
}
