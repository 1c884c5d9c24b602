#include "qirn_databunny.h"
#include "qirn_test_support.h"
#include "qirn_world.h"
#include "world_test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using world_test::TEST_OBJECT_CLASS;
using world_test::TestObject;

namespace
{
class WorldTest : public world_test::WorldFixture
{
protected:
    // A shader "Ripple" in the world's tree whose displacement scale follows a float bunny of the
    // world going from 0 at 0 s to 10 at 1 s.
    QIRN_ShaderPass* AddAnimatedShader()
    {
        QIRN_XFileFloatDataBunny* poBunny = new QIRN_XFileFloatDataBunny("Ripple");
        poBunny->SetKeys(2, new float[2]{0.0f, 10.0f}, new float[2]{0.0f, 1.0f});
        m_poWorld->GetDataBunnyManager()->m_oFloatDataBunnyTree.InsertNode("Ripple", poBunny);
        QIRN_Shader* poShader = new QIRN_Shader();
        poShader->SetName("Ripple");
        poShader->m_dwNumPasses = 1;
        poShader->m_poPasses = new QIRN_ShaderPass[1];
        poShader->m_poPasses[0].m_fDisplacementMapScale = -1.0f;
        poShader->m_poPasses[0].m_oDisplacementMapScaleDBA.SetDataBunny(poBunny);
        m_poWorld->GetShaderTree()->InsertNode("Ripple", poShader);
        m_poBunny = poBunny;
        return &poShader->m_poPasses[0];
    }

    QIRN_XFileFloatDataBunny* m_poBunny = nullptr;
};
} // namespace

TEST_F(WorldTest, RegistryRefusesBadEntriesAndKeepsTheFirst)
{
    qirn_test::LogCapture log;
    EXPECT_EQ(m_poWorld->RegisterObject("", &TestObject::CreateFunction), GENERICERROR);
    EXPECT_TRUE(log.Contains("*** QIRN_WOrld::RegisterObject: No ActorTypeName to register\n"));
    EXPECT_EQ(m_poWorld->RegisterObject("Nothing", nullptr), GENERICERROR);
    EXPECT_TRUE(log.Contains("*** QIRN_World::RegisterObject::No register function provided\n"));
    EXPECT_FALSE(m_poWorld->IsRegistered("Nothing"));

    int iKinds = m_poWorld->m_oActorRegistry.m_iCount;
    ASSERT_EQ(m_poWorld->RegisterObject(TEST_OBJECT_CLASS, &TestObject::CreateFunction), OK);
    EXPECT_TRUE(m_poWorld->IsRegistered(TEST_OBJECT_CLASS));
    EXPECT_FALSE(m_poWorld->IsRegistered(""));
    QIRN_ObjectList* poList = m_poWorld->GetList(TEST_OBJECT_CLASS);
    ASSERT_NE(poList, nullptr);
    EXPECT_FALSE(poList->m_bOwnsData);

    log.Clear();
    EXPECT_EQ(
        m_poWorld->RegisterObject(TEST_OBJECT_CLASS, [] { return static_cast<QIRN_BaseObject*>(nullptr); }),
        OK);
    EXPECT_TRUE(log.Contains("*** QIRN_World::RegisterObject: Actor by that type already registered\n"));
    EXPECT_EQ(m_poWorld->m_oActorRegistry.m_iCount, iKinds + 1);
    EXPECT_EQ(m_poWorld->GetList(TEST_OBJECT_CLASS), poList);
    EXPECT_EQ(m_poWorld->m_oActorRegistry.FindNode(TEST_OBJECT_CLASS)->m_pData->m_pfnCreate,
              &TestObject::CreateFunction);
}

TEST_F(WorldTest, InitWorldMakesTheClearingWorldShader)
{
    QIRN_Shader* poShader = m_poWorld->GetWorldShader();
    ASSERT_NE(poShader, nullptr);
    QIRN_BINARYTREENODE<QIRN_Shader>* poNode = m_poWorld->GetShaderTree()->FindNode("WorldShader");
    ASSERT_NE(poNode, nullptr);
    EXPECT_EQ(poNode->m_pData, poShader);
    EXPECT_EQ(poNode->m_iRefCount, 1);
    ASSERT_EQ(poShader->m_dwNumPasses, 1u);
    const QIRN_ShaderPass& pass = poShader->m_poPasses[0];
    EXPECT_TRUE(pass.m_bClearColor);
    EXPECT_EQ(pass.m_dwColorClearValue, 0xFF3F99B4u);
    EXPECT_TRUE(pass.m_bClearZ);
    EXPECT_FLOAT_EQ(pass.m_fZClearValue, 1.0f);
    EXPECT_TRUE(pass.m_bClearStencil);
    EXPECT_EQ(pass.m_dwStencilClearValue, 0u);
}

TEST_F(WorldTest, CloseWorldEmptiesAndResetsEverything)
{
    ASSERT_NE(AddTestObject("a"), nullptr);
    m_poWorld->m_szWorldName = "Reef";
    m_poWorld->m_fTimeScale = 0.5f;
    m_poWorld->m_oBookMarkList.InsertNode(2.0f, new uint32_t(0));
    m_poWorld->UpdateWorld(1.0f);
    ASSERT_EQ(m_poWorld->CloseWorld(), OK);
    EXPECT_EQ(TestObject::Live(), 0);
    EXPECT_EQ(m_poWorld->GetWorldName(), "UnnamedWorld");
    EXPECT_FLOAT_EQ(m_poWorld->GetTimeScale(), 1.0f);
    EXPECT_FLOAT_EQ(m_poWorld->GetWorldTime(), 0.0f);
    EXPECT_EQ(m_poWorld->m_oGlobalActorList.m_pRoot, nullptr);
    EXPECT_EQ(m_poWorld->GetShaderTree()->m_pRoot, nullptr);
    EXPECT_EQ(m_poWorld->GetWorldShader(), nullptr);
    EXPECT_EQ(m_poWorld->m_oBookMarkList.m_iCount, 0);
    EXPECT_EQ(m_poWorld->m_oActorLists.m_iCount, 0);
    EXPECT_EQ(m_poWorld->m_oActorRegistry.m_iCount, 0);
    EXPECT_FALSE(m_poWorld->IsRegistered(TEST_OBJECT_CLASS));
    EXPECT_EQ(m_poWorld->GetCameraActorList(), nullptr);
    // Its own queue and the object's are gone from the manager.
    EXPECT_EQ(m_poWorld->GetEventMsgClient(), nullptr);
    EXPECT_EQ(m_oManager.m_oClients.m_pRoot, nullptr);
}

TEST_F(WorldTest, CreateObjectMakesButDoesNotAdd)
{
    qirn_test::LogCapture log;
    EXPECT_EQ(m_poWorld->CreateObject("x", ""), nullptr);
    EXPECT_TRUE(log.Contains("*** QIRN_World::CreateObject() - Class name is empty\n"));
    EXPECT_EQ(m_poWorld->CreateObject("x", "QIRN_Submarine"), nullptr);
    EXPECT_TRUE(log.Contains("*** QIRN_World::CreateObject() - Class not found\n"));

    ASSERT_EQ(m_poWorld->RegisterObject(TEST_OBJECT_CLASS, &TestObject::CreateFunction), OK);
    QIRN_BaseObject* poObject = m_poWorld->CreateObject("Diver", TEST_OBJECT_CLASS);
    ASSERT_NE(poObject, nullptr);
    EXPECT_EQ(poObject->GetName(), "Diver");
    EXPECT_EQ(poObject->GetWorld(), m_poWorld);
    EXPECT_EQ(poObject->GetAudio(), Audio());
    EXPECT_EQ(poObject->GetClassTypeName(), TEST_OBJECT_CLASS);
    log.Clear();
    EXPECT_EQ(m_poWorld->FindObject("Diver"), nullptr);
    EXPECT_TRUE(log.Contains("*** QIRN_World::FindObject(): Node 'Diver' not found\n"));
    delete poObject;

    // Without an engine the objects get no audio.
    QIRN_World orphan(nullptr);
    ASSERT_EQ(orphan.RegisterObject(TEST_OBJECT_CLASS, &TestObject::CreateFunction), OK);
    poObject = orphan.CreateObject("Lost", TEST_OBJECT_CLASS);
    ASSERT_NE(poObject, nullptr);
    EXPECT_EQ(poObject->GetAudio(), nullptr);
    delete poObject;

    TestObject::FailNextCreates() = true;
    EXPECT_EQ(m_poWorld->CreateObject("Broken", TEST_OBJECT_CLASS), nullptr);
    EXPECT_TRUE(log.Contains("*** QIRN_World::CreateObject() - Create failed\n"));
    EXPECT_EQ(TestObject::Live(), 0);
}

TEST_F(WorldTest, AddObjectFilesTheObjectAndGivesItAQueue)
{
    qirn_test::LogCapture log;
    EXPECT_EQ(m_poWorld->AddObject(nullptr), GENERICERROR);
    EXPECT_TRUE(log.Contains("*** QIRN_World::AddObject(): pActor is invalid\n"));

    TestObject* poObject = AddTestObject("a");
    ASSERT_NE(poObject, nullptr);
    EXPECT_EQ(m_poWorld->FindObject("a"), poObject);
    QIRN_ObjectList* poList = m_poWorld->GetList(TEST_OBJECT_CLASS);
    ASSERT_NE(poList->FindNode("a"), nullptr);
    ASSERT_NE(poObject->GetEventMsgClient(), nullptr);
    EXPECT_EQ(poObject->GetEventMsgClient()->m_poEventMsgManager, &m_oManager);
}

TEST_F(WorldTest, AddObjectDeletesWhatTheNameTreeRefuses)
{
    TestObject* poFirst = AddTestObject("a");
    ASSERT_NE(poFirst, nullptr);
    ASSERT_EQ(TestObject::Live(), 1);
    qirn_test::LogCapture log;
    EXPECT_EQ(m_poWorld->AddObject(new TestObject()), GENERICERROR); // no name
    EXPECT_EQ(m_poWorld->AddObject(m_poWorld->CreateObject("a", TEST_OBJECT_CLASS)), GENERICERROR);
    EXPECT_EQ(log.Count("*** QIRN_World::AddObject(): Actor add to global Tree failed\n"), 2u);
    EXPECT_EQ(TestObject::Live(), 1);
    EXPECT_EQ(m_poWorld->FindObject("a"), poFirst);
    // Adding an object the world already holds changes nothing.
    EXPECT_EQ(m_poWorld->AddObject(poFirst), GENERICERROR);
    EXPECT_EQ(TestObject::Live(), 1);
    EXPECT_EQ(m_poWorld->FindObject("a"), poFirst);
}

TEST_F(WorldTest, ObjectOfAnUnregisteredKindStaysInTheNameTree)
{
    TestObject* poStray = new TestObject("QIRN_Unknown");
    poStray->SetName("stray");
    qirn_test::LogCapture log;
    EXPECT_EQ(m_poWorld->AddObject(poStray), GENERICERROR);
    EXPECT_TRUE(log.Contains("*** QIRN_World::AddObject():No appropriate list found for object class\n"));
    EXPECT_EQ(m_poWorld->FindObject("stray"), poStray);
    EXPECT_EQ(m_poWorld->UpdateWorld(0.1f), OK);
    EXPECT_EQ(TestObject::Journal(), (std::vector<std::string>{"stray"}));
    // Its kind has no list, so it cannot be removed either.
    EXPECT_EQ(m_poWorld->RemoveObject("stray"), GENERICERROR);
    EXPECT_TRUE(log.Contains(
        "*** QIRN_World::RemoveObject(): Tried to remove actor from actor list that doesn't exist\n"));
    EXPECT_EQ(m_poWorld->FindObject("stray"), poStray);
}

TEST_F(WorldTest, RemoveObjectDestroysTheObject)
{
    ASSERT_NE(AddTestObject("a"), nullptr);
    ASSERT_NE(AddTestObject("b"), nullptr);
    qirn_test::LogCapture log;
    EXPECT_EQ(m_poWorld->RemoveObject(""), GENERICERROR);
    EXPECT_TRUE(log.Contains("*** QIRN_World::RemoveObject(): szName is invalid\n"));
    EXPECT_EQ(m_poWorld->RemoveObject("c"), GENERICERROR);
    EXPECT_TRUE(log.Contains("*** QIRN_World::RemoveObject(): actor not found\n"));

    EXPECT_EQ(m_poWorld->RemoveObject("a"), OK);
    EXPECT_EQ(TestObject::Live(), 1);
    EXPECT_EQ(m_poWorld->GetList(TEST_OBJECT_CLASS)->FindNode("a"), nullptr);
    EXPECT_EQ(m_poWorld->GetList(TEST_OBJECT_CLASS)->m_iCount, 1);
    EXPECT_EQ(m_poWorld->m_oGlobalActorList.FindNode("a"), nullptr);
    EXPECT_NE(m_poWorld->FindObject("b"), nullptr);
}

TEST_F(WorldTest, GetListNamesItsFailures)
{
    qirn_test::LogCapture log;
    EXPECT_EQ(m_poWorld->GetList(""), nullptr);
    EXPECT_TRUE(log.Contains("*** QIRN_World::GetList(): szActorTypeName is invalid\n"));
    EXPECT_EQ(m_poWorld->GetList("QIRN_Submarine"), nullptr);
    EXPECT_TRUE(log.Contains("*** QIRN_World::GetList():No actor list exists by that name\n"));
}

TEST_F(WorldTest, UpdateRunsInNameOrderAndStopsAtTheFirstFailure)
{
    QIRN_ShaderPass* poPass = AddAnimatedShader();
    TestObject* poB = AddTestObject("b");
    ASSERT_NE(poB, nullptr);
    ASSERT_NE(AddTestObject("a"), nullptr);
    ASSERT_NE(AddTestObject("c"), nullptr);
    TestObject* poRelation = new TestObject();
    poRelation->SetName("r");
    ASSERT_EQ(m_poWorld->AddRelationshipObject(poRelation), OK);

    // Queued messages are handed over before the update.
    poB->GetEventMsgClient()->PostEventMsg(new QIRN_EventMsg{5, 0, 0});
    EXPECT_EQ(m_poWorld->UpdateWorld(0.5f), OK);
    EXPECT_EQ(TestObject::Journal(), (std::vector<std::string>{"a", "b", "c", "r"}));
    EXPECT_EQ(poB->m_vHandled, (std::vector<uint32_t>{5}));
    EXPECT_FLOAT_EQ(poPass->m_fDisplacementMapScale, 5.0f);

    TestObject::Journal().clear();
    poB->m_iFailUpdate = 1;
    qirn_test::LogCapture log;
    EXPECT_EQ(m_poWorld->UpdateWorld(0.25f), GENERICERROR);
    EXPECT_EQ(TestObject::Journal(), (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(log.Contains("*** QIRN_World::UpdateWorld(): Error while updating actor b\n"));
    // Time and bunnies moved on; the shader did not follow in that frame.
    EXPECT_FLOAT_EQ(m_poWorld->GetWorldTime(), 0.75f);
    EXPECT_FLOAT_EQ(m_poBunny->m_Value, 7.5f);
    EXPECT_FLOAT_EQ(poPass->m_fDisplacementMapScale, 5.0f);
    // The failing object stays and fails again.
    EXPECT_EQ(m_poWorld->UpdateWorld(0.0f), GENERICERROR);
    EXPECT_EQ(m_poWorld->FindObject("b"), poB);
}

TEST_F(WorldTest, EmptyWorldOnlyMovesTimeAndBunnies)
{
    QIRN_ShaderPass* poPass = AddAnimatedShader();
    TestObject* poRelation = new TestObject();
    poRelation->SetName("r");
    ASSERT_EQ(m_poWorld->AddRelationshipObject(poRelation), OK);
    EXPECT_EQ(m_poWorld->UpdateWorld(0.5f), OK);
    EXPECT_FLOAT_EQ(m_poWorld->GetWorldTime(), 0.5f);
    EXPECT_FLOAT_EQ(m_poBunny->m_Value, 5.0f);
    EXPECT_FLOAT_EQ(poPass->m_fDisplacementMapScale, -1.0f);
    EXPECT_TRUE(TestObject::Journal().empty());
}

TEST_F(WorldTest, RelationshipObjectsAreKeptByUniqueName)
{
    qirn_test::LogCapture log;
    EXPECT_EQ(m_poWorld->AddRelationshipObject(nullptr), GENERICERROR);
    EXPECT_TRUE(log.Contains("*** QIRN_World::AddRelationshipObject() - poRelationshipObject is NULL\n"));
    TestObject* poFirst = new TestObject();
    poFirst->SetName("follow");
    ASSERT_EQ(m_poWorld->AddRelationshipObject(poFirst), OK);
    TestObject second;
    second.SetName("follow");
    EXPECT_EQ(m_poWorld->AddRelationshipObject(&second), GENERICERROR);
    EXPECT_TRUE(log.Contains(
        "*** QIRN_World::AddRelationshipObject() - m_oRelationshipObjectList.Insert() FAILED\n"));
}

TEST_F(WorldTest, SetWorldTimeRewindsObjectsAndBunnies)
{
    AddAnimatedShader();
    TestObject* poA = AddTestObject("a");
    ASSERT_NE(poA, nullptr);
    for (int i = 0; i < 19; ++i)
    {
        m_poWorld->UpdateWorld(5.0f);
    }
    ASSERT_FLOAT_EQ(m_poWorld->GetWorldTime(), 95.0f);
    EXPECT_EQ(m_poWorld->SetWorldTime(0.0f), OK);
    EXPECT_FLOAT_EQ(m_poWorld->GetWorldTime(), 0.0f);
    EXPECT_FLOAT_EQ(poA->GetTime(), 0.0f);
    EXPECT_FLOAT_EQ(m_poBunny->m_fTime, 0.0f);
    EXPECT_EQ(m_poWorld->SetWorldTime(2.5f), OK);
    EXPECT_FLOAT_EQ(poA->GetTime(), 2.5f);
    EXPECT_FLOAT_EQ(m_poBunny->m_fTime, 2.5f);
}

TEST_F(WorldTest, WorldQueueIsDrainedAndNeedsAClient)
{
    QIRN_World bare(nullptr);
    EXPECT_EQ(bare.ProcessEventMsgs(), GENERICERROR);
    qirn_test::LogCapture log;
    EXPECT_EQ(bare.CreateEventMsgClient(nullptr), GENERICERROR);
    EXPECT_TRUE(log.Contains("*** QIRN_World::CreateEventMsgClient() - poEventMsgManager is NULL\n"));

    QIRN_EventMsgClient* poClient = m_poWorld->GetEventMsgClient();
    ASSERT_NE(poClient, nullptr);
    EXPECT_EQ(poClient->m_dwClient, m_poWorld->GetID());
    poClient->PostEventMsg(new QIRN_EventMsg{1, 2, 3});
    EXPECT_EQ(m_poWorld->ProcessEventMsgs(), OK);
    EXPECT_EQ(poClient->PeekEventMsg(), nullptr);
}

TEST_F(WorldTest, NameTreeEntryWithoutAnObjectIsPassedOverAndRemovable)
{
    ASSERT_NE(AddTestObject("a"), nullptr);
    ASSERT_NE(AddTestObject("c"), nullptr);
    ASSERT_NE(m_poWorld->m_oGlobalActorList.InsertNode("b", nullptr), nullptr);
    qirn_test::LogCapture log;
    EXPECT_EQ(m_poWorld->UpdateWorld(0.5f), OK);
    EXPECT_EQ(TestObject::Journal(), (std::vector<std::string>{"a", "c"}));
    EXPECT_TRUE(log.Contains(
        "*** QIRN_World::UpdateWorld(): Tried to update the actor in node 'b', but there's no data!\n"));
    EXPECT_EQ(m_poWorld->SetWorldTime(0.0f), OK);
    EXPECT_TRUE(log.Contains(
        "*** QIRN_World::UpdateWorld(): Tried to reset actor in node 'b', but there's no data!\n"));
    EXPECT_FLOAT_EQ(m_poWorld->FindObject("c")->GetTime(), 0.0f);

    EXPECT_EQ(m_poWorld->RemoveObject("b"), OK);
    EXPECT_TRUE(log.Contains(
        "*** QIRN_World::RemoveObject(): pActor 'b' is NULL so we're just gonna delete the node\n"));
    EXPECT_EQ(m_poWorld->m_oGlobalActorList.FindNode("b"), nullptr);
    EXPECT_EQ(TestObject::Live(), 2);
}

TEST_F(WorldTest, RegisteringAgainAfterTheRegistryWasEmptiedKeepsTheKindList)
{
    TestObject* poObject = AddTestObject("a");
    ASSERT_NE(poObject, nullptr);
    QIRN_ObjectList* poList = m_poWorld->GetList(TEST_OBJECT_CLASS);
    ASSERT_EQ(m_poWorld->InitActorRegistry(), OK);
    EXPECT_FALSE(m_poWorld->IsRegistered(TEST_OBJECT_CLASS));
    qirn_test::LogCapture log;
    EXPECT_EQ(m_poWorld->RegisterObject(TEST_OBJECT_CLASS, &TestObject::CreateFunction), OK);
    EXPECT_TRUE(log.Contains("*** QIRN_World::RegisterObject():List by that name already created.\n"));
    EXPECT_TRUE(m_poWorld->IsRegistered(TEST_OBJECT_CLASS));
    EXPECT_EQ(m_poWorld->GetList(TEST_OBJECT_CLASS), poList);
    EXPECT_EQ(poList->FindNode("a")->m_pData, poObject);
}
