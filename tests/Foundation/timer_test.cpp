#include "qirn_timer.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace
{
int64_t g_iCounter = 0;
uint32_t g_dwMilliseconds = 0;

bool FakeFrequency(int64_t* piFrequency)
{
    *piFrequency = 1000;
    return true;
}
bool NoFrequency(int64_t*)
{
    return false;
}
void FakeCounter(int64_t* piCounter)
{
    *piCounter = g_iCounter;
}
uint32_t FakeMilliseconds()
{
    return g_dwMilliseconds;
}

const QIRN_TimerSource HIGH_RESOLUTION = {FakeFrequency, FakeCounter, FakeMilliseconds};
const QIRN_TimerSource MILLISECONDS_ONLY = {NoFrequency, FakeCounter, FakeMilliseconds};

class TimerTest : public testing::Test
{
protected:
    void TearDown() override { QIRN_Timer::SetSource(nullptr); }
};
} // namespace

TEST_F(TimerTest, ScaledTicksAreTruncatedAtEveryUpdate)
{
    QIRN_Timer::SetSource(&HIGH_RESOLUTION);
    g_iCounter = 5000;
    QIRN_Timer timer(0.5f);
    EXPECT_TRUE(timer.m_bHighResolution);
    EXPECT_FLOAT_EQ(timer.Update(), 0.0f);
    g_iCounter += 3;
    EXPECT_FLOAT_EQ(timer.Update(), 0.001f);
    g_iCounter += 3;
    EXPECT_FLOAT_EQ(timer.Update(), 0.002f);
}

TEST_F(TimerTest, ElapsedTimeIgnoresScaleAndLeavesTheNextStepAlone)
{
    QIRN_Timer::SetSource(&HIGH_RESOLUTION);
    g_iCounter = 0;
    QIRN_Timer timer(2.0f);
    g_iCounter = 1000;
    EXPECT_FLOAT_EQ(timer.GetElapsedTime(), 1.0f);
    EXPECT_FLOAT_EQ(timer.Update(), 2.0f);
    g_iCounter = 1500;
    EXPECT_FLOAT_EQ(timer.GetElapsedTime(), 1.5f);
    EXPECT_FLOAT_EQ(timer.Update(), 3.0f);
}

TEST_F(TimerTest, MillisecondFallbackSurvivesTheWrap)
{
    QIRN_Timer::SetSource(&MILLISECONDS_ONLY);
    g_dwMilliseconds = 0xFFFFFF00u;
    QIRN_Timer timer(1.0f);
    EXPECT_FALSE(timer.m_bHighResolution);
    EXPECT_EQ(timer.m_iFrequency, 1000);
    g_dwMilliseconds = 0x00000100u; // 512 ms later, past the 32-bit wrap
    EXPECT_FLOAT_EQ(timer.Update(), 0.512f);
    EXPECT_FLOAT_EQ(timer.GetElapsedTime(), 0.512f);
}

TEST_F(TimerTest, PlatformCounterAdvances)
{
    QIRN_Timer timer(1.0f);
    float fFirst = timer.Update();
    EXPECT_GE(fFirst, 0.0f);
    EXPECT_LT(fFirst, 1.0f);
    Sleep(20);
    EXPECT_GT(timer.GetElapsedTime(), 0.01f);
}
