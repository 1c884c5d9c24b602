#include "qirn_eventmsg.h"
#include "qirn_test_support.h"

#include <gtest/gtest.h>

#include <vector>

TEST(EventMessages, ClientCreationChecks)
{
    qirn_test::LogCapture log;
    QIRN_EventMsgManager manager;
    EXPECT_EQ(manager.CreateEventMsgClient(0), nullptr);
    EXPECT_TRUE(log.Contains("*** QIRN_EventMsgClient::Create() - dwClient is ZERO\n"));
    EXPECT_EQ(manager.m_oClients.m_pRoot, nullptr);

    QIRN_EventMsgClient* poClient = manager.CreateEventMsgClient(7);
    ASSERT_NE(poClient, nullptr);
    EXPECT_EQ(poClient->m_dwClient, 7u);
    EXPECT_EQ(manager.CreateEventMsgClient(7), nullptr);
    EXPECT_TRUE(log.Contains("Can't insert node '7'. Node with same name already exists\n"));
    EXPECT_EQ(manager.m_oClients.FindNode("7")->m_pData, poClient);

    QIRN_EventMsgClient loose;
    EXPECT_EQ(loose.Create(3, nullptr), GENERICERROR);
    EXPECT_TRUE(log.Contains("*** QIRN_EventMsgClient::Create() - poEventMsgManager is NULL\n"));
    log.Clear();
    EXPECT_EQ(loose.Destroy(), GENERICERROR);
    EXPECT_TRUE(log.All().empty());
}

TEST(EventMessages, DrainHandsMessagesOldestFirst)
{
    QIRN_EventMsgManager manager;
    QIRN_EventMsgClient* poClient = manager.CreateEventMsgClient(12);
    ASSERT_NE(poClient, nullptr);
    EXPECT_EQ(poClient->PeekEventMsg(), nullptr);
    EXPECT_EQ(poClient->PopEventMsg(), nullptr);
    for (uint32_t i = 1; i <= 3; ++i)
    {
        poClient->PostEventMsg(new QIRN_EventMsg{i, 0, 0});
    }
    EXPECT_EQ(poClient->PeekEventMsg()->m_dwType, 1u);
    std::vector<uint32_t> handled;
    QIRN_DrainEventMsgs(poClient, [&](QIRN_EventMsg* pMsg) { handled.push_back(pMsg->m_dwType); });
    EXPECT_EQ(handled, (std::vector<uint32_t>{1, 2, 3}));
    EXPECT_EQ(poClient->m_oMessageQueue.m_iCount, 0);
}

TEST(EventMessages, DestroyRemovesTheClient)
{
    qirn_test::LogCapture log;
    QIRN_EventMsgManager* poManager = new QIRN_EventMsgManager();
    QIRN_EventMsgClient* poClient = poManager->CreateEventMsgClient(5);
    ASSERT_NE(poClient, nullptr);
    EXPECT_EQ(poClient->Destroy(), OK);
    EXPECT_EQ(poManager->m_oClients.FindNode("5"), nullptr);
    EXPECT_EQ(poManager->DestroyEventMsgClient(5), GENERICERROR);
    EXPECT_TRUE(log.Contains("*** QIRN_BINARYTREE<T>::DeleteNode() - pNode is NULL\n"));

    // Clients still registered, with queued messages, go with the manager.
    QIRN_EventMsgClient* poOther = poManager->CreateEventMsgClient(6);
    poOther->PostEventMsg(new QIRN_EventMsg{1, 2, 3});
    delete poManager;
}

TEST(EventMessages, InstanceNumbersNeverRepeat)
{
    uint32_t dwFirst = QIRN_NextInstanceNumber();
    EXPECT_GE(dwFirst, 1u);
    EXPECT_EQ(QIRN_NextInstanceNumber(), dwFirst + 1);
}
