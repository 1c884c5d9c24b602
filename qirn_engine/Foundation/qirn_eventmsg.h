#pragma once
// Numbered message queues of the engine, the world and every world object, created and owned
// by one QIRN_EventMsgManager. Owners drain their queue at the start of each update.

#include "qirn_binarytree.h"
#include "qirn_errors.h"
#include "qirn_linkedlist.h"

#include <cstdint>

// A plain heap block; its meaning belongs to the poster and the handler.
struct QIRN_EventMsg
{
    uint32_t m_dwType;
    uint32_t m_dwParam1;
    uint32_t m_dwParam2;
};

class QIRN_EventMsgManager;

class QIRN_EventMsgClient
{
public:
    QIRN_EventMsgClient();
    ~QIRN_EventMsgClient();

    QIRN_ErrorCode Create(uint32_t dwClient, QIRN_EventMsgManager* poEventMsgManager);
    QIRN_EventMsg* PeekEventMsg();
    // The caller owns the message it gets.
    QIRN_EventMsg* PopEventMsg();
    // Queues a heap message at the tail; the client owns it until it is popped.
    QIRN_ErrorCode PostEventMsg(QIRN_EventMsg* pMsg);
    // Asks the manager to destroy this client; on 0 the object no longer exists.
    QIRN_ErrorCode Destroy();

    uint32_t m_dwClient;
    QIRN_LINKEDLIST<QIRN_EventMsg> m_oMessageQueue;
    QIRN_EventMsgManager* m_poEventMsgManager;
};

class QIRN_EventMsgManager
{
public:
    QIRN_EventMsgManager() = default;
    ~QIRN_EventMsgManager();

    QIRN_EventMsgClient* CreateEventMsgClient(uint32_t dwClient);
    QIRN_ErrorCode DestroyEventMsgClient(uint32_t dwClient);

    QIRN_BINARYTREE<QIRN_EventMsgClient> m_oClients;
};

// Hands every queued message, oldest first, to the handler and frees it afterwards.
template <class Handler> void QIRN_DrainEventMsgs(QIRN_EventMsgClient* poClient, Handler handler)
{
    if (!poClient)
    {
        return;
    }
    while (poClient->PeekEventMsg())
    {
        QIRN_EventMsg* pMsg = poClient->PopEventMsg();
        if (pMsg)
        {
            handler(pMsg);
        }
        delete pMsg;
    }
}

// Instance numbers of the engine, the world and every world object; one counter from 1.
uint32_t QIRN_NextInstanceNumber();
