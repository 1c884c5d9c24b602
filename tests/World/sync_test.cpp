#include "cqirn_sync.h"
#include "qirn_settings.h"
#include "qirn_test_support.h"

#include <oleauto.h>

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace
{
const char* const FULL_SYNC = "<txt>\n"
                              "0.0 0.4 hello\n"
                              "0.5 0.9 world\n"
                              "</txt>\n"
                              "<visemes>\n"
                              "OX 2\n"
                              "0.0 0.0 0.0 0.0\n"
                              "1.0 100.0 0.0 0.0\n"
                              "EAT 3\n"
                              "0.0 0.0 0.0 0.0\n"
                              "0.5 50.0 0.0 0.0\n"
                              "1.0 0.0 0.0 0.0\n"
                              "</visemes>\n"
                              "<gestures>\n"
                              "HEAD_TWIST 2\n"
                              "0.0 1.0 0.0 0.0\n"
                              "2.0 1.0 0.0 0.0\n"
                              "BLINK_LEFT 1\n"
                              "0.25 1.0 0.0 0.0\n"
                              "</gestures>\n"
                              "<events>\n"
                              "0.2 7 0\n"
                              "0.5 8 1 3 42\n"
                              "0.8 9 2 4 1.5 8 \"good day\"\n"
                              "</events>\n";

struct FiredEvent
{
    int iId;
    int iParams;
    std::vector<VARTYPE> vTypes;
};

class RecordingSink : public QIRN_SyncEventSink
{
public:
    int OnSyncEvent0(int iEventId) override
    {
        m_vFired.push_back({iEventId, 0, {}});
        return 0;
    }
    int OnSyncEvent1(int iEventId, VARIANT* p1) override
    {
        m_vFired.push_back({iEventId, 1, {p1->vt}});
        m_vI4.push_back(p1->vt == VT_I4 ? p1->lVal : -1);
        return 0;
    }
    int OnSyncEvent2(int iEventId, VARIANT* p1, VARIANT* p2) override
    {
        m_vFired.push_back({iEventId, 2, {p1->vt, p2->vt}});
        m_fR4 = p1->fltVal;
        if (p2->vt == VT_BSTR)
        {
            m_szText = p2->bstrVal;
        }
        return 0;
    }
    std::vector<int> Ids() const
    {
        std::vector<int> v;
        for (const FiredEvent& e : m_vFired)
        {
            v.push_back(e.iId);
        }
        return v;
    }

    std::vector<FiredEvent> m_vFired;
    std::vector<long> m_vI4;
    float m_fR4 = 0.0f;
    std::wstring m_szText;
};

class SyncTest : public ::testing::Test
{
protected:
    SyncTest() { QIRN_InitEnginePath(m_oDir.Path() + "\\qirn_v2.ini"); }

    QIRN_ErrorCode LoadText(const std::string& szText, const std::string& szName = "talk.sync")
    {
        qirn_test::WriteFile(szName, szText);
        return m_oSync.LoadFile(szName);
    }
    float Weight(const CQIRN_Sync::WeightList& roList, const std::string& szName)
    {
        CQIRN_Sync::WeightList::Node* pNode = roList.FindNode(szName);
        EXPECT_NE(pNode, nullptr) << szName;
        return pNode ? *pNode->m_pData : NAN;
    }
    std::vector<std::string> Names(QIRN_WeightListNode* pNode)
    {
        std::vector<std::string> v;
        for (; pNode; pNode = pNode->m_pNext)
        {
            v.push_back(pNode->m_szName);
        }
        return v;
    }

    qirn_test::ScopedTempDir m_oDir;
    qirn_test::LogCapture m_oLog;
    CQIRN_Sync m_oSync;
};

// A track of the given (time, weight, tangent) keys.
struct TrackOf
{
    explicit TrackOf(std::vector<std::vector<float>> vKeys)
    {
        int n = static_cast<int>(vKeys.size());
        t.iNumEntries = n;
        t.pfTimes = new float[n];
        t.pfWeights = new float[n];
        t.pfTangents = new float[n];
        t.pfSpareValues = new float[n];
        for (int i = 0; i < n; ++i)
        {
            t.pfTimes[i] = vKeys[i][0];
            t.pfWeights[i] = vKeys[i][1];
            t.pfTangents[i] = vKeys[i].size() > 2 ? vKeys[i][2] : 0.0f;
            t.pfSpareValues[i] = 0.0f;
        }
    }
    SyncTrack t;
};
} // namespace

TEST_F(SyncTest, AllFourSectionsLoad)
{
    ASSERT_EQ(LoadText(FULL_SYNC), OK);
    EXPECT_EQ(m_oSync.m_strSyncFilename, "talk.sync");
    ASSERT_EQ(m_oSync.m_words.m_iCount, 2);
    EXPECT_EQ(m_oSync.GetWords()->m_pData->strWord, "hello");
    EXPECT_FLOAT_EQ(m_oSync.GetWords()->m_pNext->m_pData->fStart, 0.5f);
    // Tracks are kept in name order; every track name has a viseme weight, gestures included.
    EXPECT_EQ(m_oSync.GetVisemeTracks()->m_szName, "EAT");
    EXPECT_EQ(m_oSync.GetVisemeTracks()->m_pData->iNumEntries, 3);
    EXPECT_EQ(m_oSync.GetGestureTracks()->m_szName, "BLINK_LEFT");
    EXPECT_EQ(Names(m_oSync.GetVisemeWeights()),
              (std::vector<std::string>{"BLINK_LEFT", "EAT", "HEAD_TWIST", "OX"}));
    EXPECT_EQ(m_oSync.GetGestureWeights(), nullptr);
    ASSERT_EQ(m_oSync.m_events.m_iCount, 3);
    EXPECT_EQ(m_oSync.GetEventCursor(), m_oSync.GetEvents());
    EXPECT_EQ(m_oSync.GetEvents()->m_szName, "xEvent");
}

TEST_F(SyncTest, WeightsAreScaledPerKindAndGesturesWarnOnce)
{
    ASSERT_EQ(LoadText(FULL_SYNC), OK);
    m_oSync.m_interpolationtype = 0;
    m_oSync.UpdateVisemes(1.0f);
    EXPECT_FLOAT_EQ(Weight(m_oSync.m_visemeWeights, "OX"), 1.0f);
    EXPECT_FLOAT_EQ(Weight(m_oSync.m_visemeWeights, "EAT"), 0.0f);
    m_oSync.UpdateVisemes(0.75f);
    EXPECT_FLOAT_EQ(Weight(m_oSync.m_visemeWeights, "EAT"), 0.25f);

    m_oSync.UpdateGestures(0.25f);
    EXPECT_EQ(m_oLog.Count("CQIRN_Sync::UpdateGestures - Warning - Can't find the gesture in the list\n"),
              2u);
    EXPECT_FLOAT_EQ(Weight(m_oSync.m_gestureWeights, "HEAD_TWIST"), 1.0f);
    EXPECT_FLOAT_EQ(Weight(m_oSync.m_gestureWeights, "BLINK_LEFT"), 1.0f);
    m_oLog.Clear();
    m_oSync.UpdateGestures(0.3f);
    EXPECT_FALSE(m_oLog.Contains("Can't find the gesture"));
    EXPECT_FLOAT_EQ(Weight(m_oSync.m_gestureWeights, "BLINK_LEFT"), 0.0f);
    EXPECT_EQ(Names(m_oSync.GetGestureWeights()), (std::vector<std::string>{"BLINK_LEFT", "HEAD_TWIST"}));
}

TEST_F(SyncTest, EventsFireOnceInOrderAndAgainAfterARewind)
{
    ASSERT_EQ(LoadText(FULL_SYNC), OK);
    RecordingSink oSink;
    m_oSync.SetEventSink(&oSink);
    m_oSync.DispatchEvents(0.1f);
    EXPECT_TRUE(oSink.m_vFired.empty());
    m_oSync.DispatchEvents(0.5f);
    EXPECT_EQ(oSink.Ids(), (std::vector<int>{7, 8}));
    m_oSync.DispatchEvents(0.6f);
    m_oSync.DispatchEvents(5.0f);
    ASSERT_EQ(oSink.Ids(), (std::vector<int>{7, 8, 9}));
    EXPECT_EQ(oSink.m_vI4, (std::vector<long>{42}));
    EXPECT_EQ(oSink.m_vFired[2].vTypes, (std::vector<VARTYPE>{VT_R4, VT_BSTR}));
    EXPECT_FLOAT_EQ(oSink.m_fR4, 1.5f);
    EXPECT_EQ(oSink.m_szText, L"good day");
    EXPECT_EQ(m_oSync.GetEventCursor(), nullptr);

    m_oSync.UpdateVisemes(0.05f);
    m_oSync.DispatchEvents(0.05f);
    EXPECT_EQ(oSink.m_vFired.size(), 3u);
    m_oSync.DispatchEvents(0.3f);
    EXPECT_EQ(oSink.Ids(), (std::vector<int>{7, 8, 9, 7}));
}

TEST_F(SyncTest, EventsWithoutASinkOrWithAWeirdCountAreLoggedAndConsumed)
{
    ASSERT_EQ(LoadText("<events>\n0.0 1 0\n0.0 2 1 11 -1\n0.0 3 2 3 1 5 2.5\n0.0 4 -1\n</events>\n"), OK);
    m_oSync.DispatchEvents(0.0f);
    EXPECT_TRUE(m_oLog.Contains("*** CQIRN_Sync::FireEvent0() - m_pCallback is NULL\n"));
    EXPECT_TRUE(m_oLog.Contains("*** CQIRN_Sync::FireEvent1() - m_pCallback is NULL\n"));
    EXPECT_TRUE(m_oLog.Contains("*** CQIRN_Sync::FireEvent2() - m_pCallback is NULL\n"));
    EXPECT_TRUE(m_oLog.Contains("weird number of parameters"));
    EXPECT_EQ(m_oSync.GetEventCursor(), nullptr);
}

TEST_F(SyncTest, EventsWithMoreThanTwoParametersAreDropped)
{
    ASSERT_EQ(LoadText("<events>\n0.1 1 3 3 1 3 2 3 3\n0.2 2 1 3 5\n</events>\n"), OK);
    EXPECT_TRUE(m_oLog.Contains("Event 1 has 3 parameters, at most 2 are allowed; dropped"));
    ASSERT_EQ(m_oSync.m_events.m_iCount, 1);
    EXPECT_EQ(m_oSync.GetEvents()->m_pData->iEventId, 2);
}

TEST_F(SyncTest, LinearEvaluationAtTheEndsAndBetweenZeroKeys)
{
    TrackOf oTrack({{1.0f, 10.0f}, {2.0f, 0.0f}, {3.0f, 0.0f}, {4.0f, 30.0f}});
    struct Case
    {
        float t;
        float fExpected;
    } aCases[] = {{1.0f, 10.0f}, {4.0f, 30.0f}, {0.999f, 0.0f}, {4.001f, 0.0f},
                  {1.5f, 5.0f},  {2.5f, 0.0f},  {3.5f, 15.0f},  {NAN, 0.0f}};
    for (const Case& c : aCases)
    {
        EXPECT_FLOAT_EQ(SyncTrack_Evaluate(&oTrack.t, c.t, 0), c.fExpected) << c.t;
    }
    EXPECT_FLOAT_EQ(SyncTrack_Evaluate(&oTrack.t, 2.5f, 3), 0.0f);
}

TEST_F(SyncTest, HermiteUsesTheTangentsEvenBetweenZeroKeys)
{
    TrackOf oTrack({{0.0f, 0.0f, 1.0f}, {1.0f, 0.0f, 1.0f}});
    // s = 0.5: (s^3 - 2s^2 + s) + (s^3 - s^2) = 0.125 - 0.125 = 0; s = 0.25 gives 0.140625 - 0.046875.
    EXPECT_FLOAT_EQ(SyncTrack_Evaluate(&oTrack.t, 0.25f, 1), 0.09375f);
    TrackOf oRising({{0.0f, 0.0f, 0.0f}, {2.0f, 10.0f, 0.0f}});
    EXPECT_FLOAT_EQ(SyncTrack_Evaluate(&oRising.t, 1.0f, 1), 5.0f);
}

TEST_F(SyncTest, SplineFollowsItsFixedEndSlopes)
{
    // Worked by hand: d2 = (59.4, -594), so at 0.5 the curve adds 200.475 / 6 to the line.
    TrackOf oTrack({{0.0f, 0.0f}, {1.0f, 100.0f}});
    EXPECT_NEAR(SyncTrack_Evaluate(&oTrack.t, 0.5f, 2), 83.4125f, 1e-3f);
    ASSERT_NE(oTrack.t.pfSecondDerivatives, nullptr);
    EXPECT_NEAR(oTrack.t.pfSecondDerivatives[0], 59.4f, 1e-3f);
    EXPECT_NEAR(oTrack.t.pfSecondDerivatives[1], -594.0f, 1e-2f);
    EXPECT_FLOAT_EQ(SyncTrack_Evaluate(&oTrack.t, 1.0f, 2), 100.0f);
    TrackOf oZeros({{0.0f, 0.0f}, {1.0f, 0.0f}, {2.0f, 5.0f}});
    EXPECT_FLOAT_EQ(SyncTrack_Evaluate(&oZeros.t, 0.5f, 2), 0.0f);
}

TEST_F(SyncTest, ASingleKeyAndKeysSharingATimeStayFinite)
{
    TrackOf oSingle({{0.5f, 40.0f}});
    for (uint32_t uType : {0u, 1u, 2u})
    {
        EXPECT_FLOAT_EQ(SyncTrack_Evaluate(&oSingle.t, 0.5f, uType), 40.0f) << uType;
        EXPECT_FLOAT_EQ(SyncTrack_Evaluate(&oSingle.t, 0.6f, uType), 0.0f) << uType;
    }
    TrackOf oShared({{0.0f, 10.0f}, {1.0f, 20.0f}, {1.0f, 80.0f}, {1.0f, 50.0f}, {2.0f, 0.0f}});
    SyncTrack_PrepareSpline(&oShared.t);
    for (int i = 0; i < 5; ++i)
    {
        EXPECT_TRUE(std::isfinite(oShared.t.pfSecondDerivatives[i])) << i;
    }
    for (uint32_t uType : {0u, 1u, 2u})
    {
        for (float t : {0.0f, 0.5f, 1.0f, 1.5f, 2.0f})
        {
            EXPECT_TRUE(std::isfinite(SyncTrack_Evaluate(&oShared.t, t, uType))) << uType << " at " << t;
        }
    }
    TrackOf oTwoAtOnce({{1.0f, 20.0f}, {1.0f, 80.0f}});
    EXPECT_FLOAT_EQ(SyncTrack_Evaluate(&oTwoAtOnce.t, 1.0f, 0), 20.0f);
    EXPECT_FLOAT_EQ(SyncTrack_Evaluate(&oTwoAtOnce.t, 1.0f, 2), 20.0f);
    EXPECT_TRUE(m_oLog.Contains("Bad xa input to routine splint"));
}

TEST_F(SyncTest, LoadFailuresAnswerTheirCodes)
{
    EXPECT_EQ(m_oSync.LoadFile(""), INVALIDPARAMS);
    EXPECT_TRUE(m_oLog.Contains("*** CQIRN_Sync::LoadFile() - szSyncPathname is EMPTY\n"));
    EXPECT_EQ(m_oSync.LoadFile("missing"), GENERICERROR);
    EXPECT_TRUE(m_oLog.Contains("*** CQIRN_Sync::LoadFile() - QIRN_FindFile() FAILED\n"));
    EXPECT_EQ(LoadText("<txt>\n0 1 a\n</txt>\n<speech>\n<txt>\n0 1 b\n</txt>\n"), GENERICERROR);
    EXPECT_TRUE(m_oLog.Contains("CSync::LoadFile - Unknown section; aborting.\n"));
    EXPECT_EQ(m_oSync.m_words.m_iCount, 1);
}

// Each file must load with 0, read what precedes the fault and, where the file goes on, what
// follows it; none may hang.
TEST_F(SyncTest, MalformedFilesEndTheirSectionWithALogLine)
{
    struct Case
    {
        const char* szName;
        const char* szText;
        const char* szLog;
        int iVisemeTracks;
        int iWords;
    } aCases[] = {
        {"trailing blank lines", "<txt>\n0 1 a\n</txt>\n\n\n\n", "", 0, 1},
        {"blank line before the closing line",
         "<txt>\n0 1 a\n\n</txt>\n<visemes>\nOX 1\n0 1 0 0\n</visemes>\n", "", 1, 1},
        {"zero key count", "<visemes>\nOX 1\n0 1 0 0\nEAT 0\n</visemes>\n<txt>\n0 1 a\n</txt>\n",
         "*** CQIRN_Sync::LoadVisemesSection() - pViseme->iNumEntries is ZERO\n", 1, 0},
        {"negative key count", "<visemes>\nEAT -3\n0 1 0 0\n</visemes>\n<txt>\n0 1 a\n</txt>\n",
         "*** CQIRN_Sync::LoadVisemesSection() - pViseme->iNumEntries is ZERO\n", 0, 0},
        {"key that does not parse",
         "<visemes>\nOX 1\n0 1 0 0\nEAT 2\n0 1 0 0\nzero one\n</visemes>\n<txt>\n0 1 a\n</txt>\n",
         "Record does not parse", 1, 1},
        {"word record that does not parse",
         "<txt>\n0 1 a\nsoon 2 b\n0 2 c\n</txt>\n<visemes>\nOX 1\n0 1 0 0\n</visemes>\n",
         "Record does not parse", 1, 1},
        {"event that does not parse", "<events>\n0.1 x 0\n</events>\n<txt>\n0 1 a\n</txt>\n",
         "Record does not parse", 0, 1},
        {"section left open", "<txt>\n0 1 a\n0 2 b\n", "Section is not closed before the end of the file", 0,
         2},
        {"key count beyond the file",
         "<visemes>\nEAT 2000000000\n0 1 0 0\n</visemes>\n<txt>\n0 1 a\n</txt>\n",
         "pViseme->iNumEntries is larger than the file holds", 0, 1},
        {"track section left open", "<visemes>\nOX 2\n0 1 0 0\n", "Record does not parse", 0, 0},
    };
    for (const Case& c : aCases)
    {
        CQIRN_Sync oSync;
        m_oLog.Clear();
        qirn_test::WriteFile("case.sync", c.szText);
        EXPECT_EQ(oSync.LoadFile("case.sync"), OK) << c.szName;
        EXPECT_TRUE(m_oLog.Contains(c.szLog)) << c.szName << ":\n" << m_oLog.All();
        EXPECT_EQ(oSync.m_visemeTracks.m_iCount, c.iVisemeTracks) << c.szName;
        EXPECT_EQ(oSync.m_words.m_iCount, c.iWords) << c.szName;
    }
}

TEST_F(SyncTest, WordsOfAnyLengthAreKeptWhole)
{
    std::string szLong(300, 'w');
    ASSERT_EQ(LoadText("<txt>\n0 1 " + szLong + "\n</txt>\n"), OK);
    ASSERT_EQ(m_oSync.m_words.m_iCount, 1);
    EXPECT_EQ(m_oSync.GetWords()->m_pData->strWord, szLong);
}

TEST_F(SyncTest, ASecondFileAddsToTheFirstAndKeepsTracksOfTheSameName)
{
    ASSERT_EQ(LoadText(FULL_SYNC), OK);
    ASSERT_EQ(LoadText("<visemes>\nOX 1\n0 7 0 0\nWET 1\n0 1 0 0\n</visemes>\n", "more.sync"), OK);
    EXPECT_EQ(m_oSync.m_visemeTracks.m_iCount, 3);
    EXPECT_EQ(m_oSync.m_visemeTracks.FindNode("OX")->m_pData->iNumEntries, 2);
    EXPECT_EQ(m_oSync.m_strSyncFilename, "more.sync");
}
