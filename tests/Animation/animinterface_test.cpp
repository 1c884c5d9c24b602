#include "qirn_animinterface.h"
#include "qirn_test_support.h"

#include <gtest/gtest.h>

#include <limits>

namespace
{
class AnimInterfaceTest : public testing::Test
{
protected:
    AnimInterfaceTest() : m_oRecords(true), m_oInterface(&m_oRecords)
    {
        m_oRecords.AppendNode("Walk", new QIRN_AnimationRecord("Walk", 1.0f, 1.0f, 3.0f));
        m_oRecords.AppendNode("Run", new QIRN_AnimationRecord("Run", 2.0f, 10.0f, 12.0f));
    }

    qirn_test::LogCapture m_oLog;
    QIRN_LINKEDLIST<QIRN_AnimationRecord> m_oRecords;
    QIRN_AnimInterface m_oInterface;
};
} // namespace

TEST_F(AnimInterfaceTest, FirstUpdatePicksTheFirstRecordAndWraps)
{
    EXPECT_EQ(m_oInterface.Update(0.0f), 0);
    ASSERT_NE(m_oInterface.GetCurrentAnimation(), nullptr);
    EXPECT_EQ(m_oInterface.GetCurrentAnimation()->GetName(), "Walk");
    EXPECT_EQ(m_oInterface.GetTime(), 1.0f);

    struct Case
    {
        float fStartTime;
        float fRate;
        float fStep;
        float fTime;
    };
    const Case cases[] = {
        {2.9f, 1.0f, 0.5f, 1.4f},  // past the end: back by the length
        {1.2f, -1.0f, 0.5f, 2.7f}, // a negative rate runs backwards and wraps at the start
        {2.0f, 2.0f, 0.1f, 2.2f},  // rate 2
        {2.0f, 1.0f, 1.0f, 3.0f},  // the end itself stays
        {2.0f, 1.0f, 3.0f, 3.0f},  // a whole length past the end lands on the end
        {2.0f, -1.0f, 3.0f, 1.0f}, // a whole length before the start lands on the start
        {2.0f, 1.0f, 2001.0f, 3.0f},
        {2.0f, 1.0f, 1e30f, 1.0f}, // far beyond: no endless wrapping, still in range
    };
    for (const Case& c : cases)
    {
        m_oInterface.m_fTime = c.fStartTime;
        m_oInterface.GetCurrentAnimation()->m_fRate = c.fRate;
        EXPECT_EQ(m_oInterface.Update(c.fStep), 0);
        float fTime = m_oInterface.GetTime();
        EXPECT_TRUE(fTime >= 1.0f && fTime <= 3.0f) << fTime;
        if (c.fStep < 1e29f)
        {
            EXPECT_NEAR(fTime, c.fTime, 1e-4f) << "from " << c.fStartTime << " by " << c.fStep;
        }
    }
    EXPECT_EQ(m_oLog.All(), "");
}

TEST_F(AnimInterfaceTest, ChoosingAnimations)
{
    EXPECT_EQ(m_oInterface.SetCurrentAnimation("Walk"), 0);
    m_oInterface.Update(0.5f);
    EXPECT_EQ(m_oInterface.GetTime(), 1.5f);
    // The running animation chosen again keeps its time; another one rewinds to its start.
    EXPECT_EQ(m_oInterface.SetCurrentAnimation("Walk"), 0);
    EXPECT_EQ(m_oInterface.GetTime(), 1.5f);
    EXPECT_EQ(m_oInterface.SetCurrentAnimation("Run"), 0);
    EXPECT_EQ(m_oInterface.GetTime(), 10.0f);

    EXPECT_EQ(m_oInterface.SetCurrentAnimation(""), 1);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_AnimInterface::SetCurrentAnimation() - strAnimName is EMPTY. No "
                                "specified animation name\n"));
    EXPECT_EQ(m_oInterface.SetCurrentAnimation("walk"), 1);
    EXPECT_TRUE(
        m_oLog.Contains("*** QIRN_AnimInterface::SetCurrentAnimation() - Can't find any animation objects "
                        "in the anim container\n"));
    EXPECT_EQ(m_oInterface.GetCurrentAnimation()->GetName(), "Run");

    m_oRecords.AppendNode("Hollow", new QIRN_AnimationRecord("Hollow", 1.0f, 0.0f, 1.0f));
    delete m_oRecords.m_pTail->m_pData;
    m_oRecords.m_pTail->m_pData = nullptr;
    EXPECT_EQ(m_oInterface.SetCurrentAnimation("Hollow"), 1);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_AnimInterface::SetCurrentAnimation() - pNode->m_pData is NULL\n"));
}

TEST_F(AnimInterfaceTest, WithoutContainerOrRange)
{
    QIRN_AnimInterface oLoose;
    EXPECT_EQ(oLoose.Update(0.25f), 1);
    EXPECT_EQ(oLoose.Update(0.25f), 1);
    EXPECT_EQ(oLoose.GetTime(), 0.5f);
    EXPECT_EQ(oLoose.SetCurrentAnimation("Walk"), 1);
    EXPECT_TRUE(
        m_oLog.Contains("*** QIRN_AnimInterface::SetCurrentAnimation() - No Animation Container. Can't set "
                        "current animation\n"));

    QIRN_LINKEDLIST<QIRN_AnimationRecord> oEmpty(true);
    QIRN_AnimInterface oNothing(&oEmpty);
    EXPECT_EQ(oNothing.Update(1.0f), 0);
    EXPECT_EQ(oNothing.GetTime(), 0.0f);

    // A record whose end equals its start has nowhere to wrap to: the time holds the start.
    QIRN_LINKEDLIST<QIRN_AnimationRecord> oPoint(true);
    oPoint.AppendNode("Still", new QIRN_AnimationRecord("Still", 1.0f, 2.0f, 2.0f));
    QIRN_AnimInterface oStill(&oPoint);
    EXPECT_EQ(oStill.Update(0.5f), 0);
    EXPECT_EQ(oStill.GetTime(), 2.0f);
    oStill.m_fTime = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(oStill.Update(0.5f), 0);
    EXPECT_EQ(oStill.GetTime(), 2.0f);
}
