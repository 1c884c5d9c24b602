#include "qirn_databunnyassignment.h"
#include "qirn_databunnyassignmentsmanager.h"
#include "qirn_test_support.h"

#include <gtest/gtest.h>

namespace
{
// A bunny whose Update fails on request, to see the assignments report it.
class FailingFloatBunny : public QIRN_FloatDataBunny
{
public:
    int Update(float dt) override
    {
        m_fSeen += dt;
        return m_iResult;
    }
    void SetTime(float) override {}
    int m_iResult = 0;
    float m_fSeen = 0.0f;
};

class FailingIntBunny : public QIRN_IntDataBunny
{
public:
    int Update(float) override { return 1; }
    void SetTime(float) override {}
};
} // namespace

TEST(DataBunnyAssignmentTest, UnboundReadsZero)
{
    QIRN_FloatDataBunnyAssignment oFloat;
    QIRN_IntDataBunnyAssignment oInt;
    QIRN_BoolDataBunnyAssignment oBool;
    EXPECT_EQ(oFloat.m_iType, 2);
    EXPECT_EQ(oInt.m_iType, 3);
    EXPECT_EQ(oBool.m_iType, 4);
    EXPECT_EQ(oFloat.GetDataBunny(), nullptr);
    EXPECT_EQ(oFloat.GetValue(), 0.0f);
    EXPECT_EQ(oInt.GetValue(), 0);
    EXPECT_EQ(oBool.GetValue(), 0);
    EXPECT_EQ(oFloat.Update(1.0f), 0);
}

TEST(DataBunnyAssignmentTest, BindingMovesUseCounts)
{
    QIRN_XFileIntDataBunny oA("A"), oB("B");
    oA.m_Value = 2;
    oB.m_Value = -7;
    QIRN_IntDataBunnyAssignment oSlot;
    EXPECT_EQ(oSlot.SetDataBunny(&oA), &oA);
    EXPECT_EQ(oA.m_dwUseCount, 1u);
    EXPECT_EQ(oSlot.GetValue(), 2);
    oSlot.SetDataBunny(&oA);
    EXPECT_EQ(oA.m_dwUseCount, 1u);
    oSlot.SetDataBunny(&oB);
    EXPECT_EQ(oA.m_dwUseCount, 0u);
    EXPECT_EQ(oB.m_dwUseCount, 1u);
    EXPECT_EQ(oSlot.GetValue(), -7);
    EXPECT_EQ(oSlot.SetDataBunny(nullptr), nullptr);
    EXPECT_EQ(oB.m_dwUseCount, 0u);
    EXPECT_EQ(oSlot.GetValue(), 0);

    // A count already at 0 stays there when its assignment lets go.
    oSlot.SetDataBunny(&oA);
    oA.m_dwUseCount = 0;
    oSlot.SetDataBunny(nullptr);
    EXPECT_EQ(oA.m_dwUseCount, 0u);

    // Copies bind the same bunny and count themselves; destruction leaves the count alone.
    QIRN_XFileBoolDataBunny oSkip("Skip");
    oSkip.m_Value = 5;
    {
        QIRN_BoolDataBunnyAssignment oFirst;
        oFirst.SetDataBunny(&oSkip);
        QIRN_BoolDataBunnyAssignment oCopy(oFirst);
        QIRN_BoolDataBunnyAssignment oAssigned;
        oAssigned = oFirst;
        EXPECT_EQ(oSkip.m_dwUseCount, 3u);
        EXPECT_EQ(oAssigned.GetDataBunny(), &oSkip);
        EXPECT_EQ(oCopy.GetValue(), 5);
        oAssigned = oAssigned;
        EXPECT_EQ(oSkip.m_dwUseCount, 3u);
    }
    EXPECT_EQ(oSkip.m_dwUseCount, 3u);
}

TEST(DataBunnyAssignmentTest, UpdateAdvancesTheBunny)
{
    qirn_test::LogCapture oLog;
    FailingFloatBunny oBunny;
    oBunny.m_Value = 1.5f;
    QIRN_FloatDataBunnyAssignment oSlot;
    oSlot.SetDataBunny(&oBunny);
    EXPECT_EQ(oSlot.Update(0.25f), 0);
    EXPECT_EQ(oBunny.m_fSeen, 0.25f);
    EXPECT_EQ(oSlot.GetValue(), 1.5f);
    oBunny.m_iResult = 1;
    EXPECT_EQ(oSlot.Update(0.25f), 1);
    EXPECT_EQ(
        oLog.Count("*** QIRN_FloatDataBunnyAssignment::Update() - m_poFloatDataBunny->Update() FAILED\n"),
        1u);

    FailingIntBunny oInt;
    QIRN_IntDataBunnyAssignment oIntSlot;
    oIntSlot.SetDataBunny(&oInt);
    EXPECT_EQ(oIntSlot.Update(0.1f), 1);
    EXPECT_TRUE(
        oLog.Contains("*** QIRN_IntDataBunnyAssignment::Update() - m_poIntDataBunny->Update() FAILED\n"));
}

TEST(DataBunnyAssignmentsManagerTest, UpdatesItsListsAndNeverOwnsThem)
{
    qirn_test::LogCapture oLog;
    QIRN_DataBunnyAssignmentsManager oManager;
    EXPECT_EQ(oManager.Init(), 0);
    EXPECT_EQ(oManager.Update(0.5f), 0);
    EXPECT_EQ(oLog.All(), "");

    FailingFloatBunny oBunny;
    oBunny.m_iResult = 1;
    FailingIntBunny oIntBunny;
    QIRN_FloatDataBunnyAssignment oFloatSlot;
    QIRN_IntDataBunnyAssignment oIntSlot;
    QIRN_BoolDataBunnyAssignment oUnbound;
    oFloatSlot.SetDataBunny(&oBunny);
    oIntSlot.SetDataBunny(&oIntBunny);
    oManager.m_oFloatDataBunnyAssignments.AppendNode("Glow", &oFloatSlot);
    oManager.m_oIntDataBunnyAssignments.AppendNode("Cull", &oIntSlot);
    oManager.m_oBoolDataBunnyAssignments.AppendNode("Skip", &oUnbound);
    oManager.m_oBoolDataBunnyAssignments.AppendNode("Hole", &oUnbound);
    oManager.m_oBoolDataBunnyAssignments.m_pTail->m_pData = nullptr;

    EXPECT_EQ(oManager.Update(0.5f), 0);
    EXPECT_EQ(oBunny.m_fSeen, 0.5f);
    EXPECT_EQ(
        oLog.Count("*** QIRN_DataBunnyAssignmentsManager::Update() - poFloatDBA->m_pData->Update() FAILED\n"),
        1u);
    EXPECT_EQ(oLog.Count("*** QIRN_DataBunnyAssignmentsManager::Update() - poBoolDBA->m_pData is NULL. "
                         "Nothing to Update\n"),
              1u);

    oManager.ShutDown();
    EXPECT_EQ(oManager.m_oFloatDataBunnyAssignments.m_iCount, 0);
    EXPECT_EQ(oManager.m_oBoolDataBunnyAssignments.m_pHead, nullptr);
    // The assignments live on with their consumers.
    EXPECT_EQ(oFloatSlot.GetDataBunny(), &oBunny);
}
