#include "qirn_animationsequence.h"
#include "qirn_constants.h"
#include "qirn_framepose.h"
#include "qirn_quaternion.h"
#include "qirn_test_support.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace
{
const float HALF_SQRT2 = 0.70710678f;

// A track of the given kind with keys (time in seconds, key record floats).
template <class TSequence>
std::unique_ptr<TSequence> MakeSequence(const std::vector<float>& vTimes,
                                        const std::vector<std::vector<float>>& vKeys)
{
    std::unique_ptr<TSequence> poSequence(new TSequence);
    EXPECT_EQ(poSequence->AllocateKeys(static_cast<uint32_t>(vTimes.size())), 0);
    for (size_t i = 0; i < vTimes.size(); ++i)
    {
        poSequence->m_pfKeyTimes[i] = vTimes[i];
        memcpy(poSequence->GetKey(static_cast<uint32_t>(i)), vKeys[i].data(),
               vKeys[i].size() * sizeof(float));
    }
    return poSequence;
}

QIRN_Matrix4 Identity()
{
    return QIRN_IDENTITY_MATRIX;
}

float EvaluateX(QIRN_AnimationSequence& oSequence, float time, int useSpline = 0)
{
    QIRN_Matrix4 m = Identity();
    oSequence.Evaluate(&m, time, useSpline);
    return m._41;
}

QIRN_Vector4 Transform(const QIRN_Matrix4& m, const QIRN_Vector4& v)
{
    QIRN_Vector4 out;
    Vector_TransformCoord(&m, &v, &out);
    return out;
}

// Collects what goes to the debugger output directly (not through dprintf): OutputDebugStringA
// raises DBG_PRINTEXCEPTION_C, which a first vectored handler sees before the system handles it.
class DebugOutputCapture
{
public:
    DebugOutputCapture() : m_hHandler(AddVectoredExceptionHandler(1, Handler)) { s_pCapture = this; }
    ~DebugOutputCapture()
    {
        RemoveVectoredExceptionHandler(m_hHandler);
        s_pCapture = nullptr;
    }
    DebugOutputCapture(const DebugOutputCapture&) = delete;
    DebugOutputCapture& operator=(const DebugOutputCapture&) = delete;

    size_t Count(const std::string& strText) const
    {
        size_t n = 0;
        for (const std::string& str : m_vTexts)
        {
            n += str.find(strText) != std::string::npos ? 1 : 0;
        }
        return n;
    }

private:
    static LONG CALLBACK Handler(EXCEPTION_POINTERS* pInfo)
    {
        const EXCEPTION_RECORD* pRecord = pInfo->ExceptionRecord;
        if (s_pCapture && pRecord->ExceptionCode == DBG_PRINTEXCEPTION_C && pRecord->NumberParameters >= 2)
        {
            s_pCapture->m_vTexts.push_back(reinterpret_cast<const char*>(pRecord->ExceptionInformation[1]));
        }
        return EXCEPTION_CONTINUE_SEARCH;
    }

    static DebugOutputCapture* s_pCapture;
    void* m_hHandler;
    std::vector<std::string> m_vTexts;
};
DebugOutputCapture* DebugOutputCapture::s_pCapture = nullptr;
} // namespace

// Keys at 0 s (x = 0) and 2 s (x = 10): x = 5 t inside the range.
TEST(AnimationSequenceTest, TimesWrapIntoZeroToLast)
{
    auto poTrack = MakeSequence<QIRN_AnimationSequence_Translation>({0.0f, 2.0f}, {{0, 0, 0}, {10, 0, 0}});
    struct Case
    {
        float fTime;
        float fX;
    };
    const Case cases[] = {
        {0.0f, 0.0f},   {1.0f, 5.0f},   {2.0f, 10.0f}, {4.0f, 10.0f}, // whole multiples give the last key
        {6.0f, 10.0f},  {5.0f, 5.0f},   {2.5f, 2.5f},  {-0.5f, 7.5f}, // -0.25 last evaluates at 0.75 last
        {-2.0f, 10.0f}, {-4.0f, 10.0f}, {-3.0f, 5.0f}, {std::numeric_limits<float>::quiet_NaN(), 0.0f},
    };
    for (const Case& c : cases)
    {
        EXPECT_NEAR(EvaluateX(*poTrack, c.fTime), c.fX, 1e-4f) << "time " << c.fTime;
    }
    // Huge times take no longer than small ones and stay inside the key range.
    for (float fTime : {1e30f, -1e30f, FLT_MAX, -FLT_MAX, std::numeric_limits<float>::infinity()})
    {
        float fX = EvaluateX(*poTrack, fTime);
        EXPECT_TRUE(fX >= 0.0f && fX <= 10.0f) << "time " << fTime;
    }
}

TEST(AnimationSequenceTest, KeyHitsSingleKeysAndExtrapolation)
{
    auto poTrack = MakeSequence<QIRN_AnimationSequence_Translation>({1.0f, 2.0f, 4.0f},
                                                                    {{10, 0, 0}, {20, 0, 0}, {40, 0, 0}});
    EXPECT_EQ(EvaluateX(*poTrack, 2.0f), 20.0f);
    EXPECT_EQ(EvaluateX(*poTrack, 4.0f), 40.0f);
    // Before the first key the first segment is extrapolated (s = -0.5).
    EXPECT_NEAR(EvaluateX(*poTrack, 0.5f), 5.0f, 1e-5f);

    auto poSingle = MakeSequence<QIRN_AnimationSequence_Translation>({1.5f}, {{7, 8, 9}});
    for (float fTime : {0.0f, 1.0f, 1.5f, 100.0f, -3.0f})
    {
        EXPECT_EQ(EvaluateX(*poSingle, fTime), 7.0f) << "time " << fTime;
    }
    // Every key at 0: the time becomes 0 and the last key applies.
    auto poAllZero = MakeSequence<QIRN_AnimationSequence_Translation>({0.0f, 0.0f}, {{1, 0, 0}, {2, 0, 0}});
    EXPECT_EQ(EvaluateX(*poAllZero, 0.7f), 2.0f);

    // Coinciding key times before the first key leave nothing to divide by: the key stands.
    auto poSame = MakeSequence<QIRN_AnimationSequence_Translation>({1.0f, 1.0f, 2.0f},
                                                                   {{1, 0, 0}, {2, 0, 0}, {3, 0, 0}});
    EXPECT_EQ(EvaluateX(*poSame, 0.5f), 1.0f);

    QIRN_AnimationSequence_Translation oEmpty;
    QIRN_Matrix4 m = Identity();
    m._41 = 3.0f;
    oEmpty.Evaluate(&m, 1.0f, 1);
    EXPECT_EQ(m._41, 3.0f);
    EXPECT_EQ(m._11, 1.0f);
}

TEST(AnimationSequenceTest, RotationSlerpsAndReplacesTheMatrix)
{
    auto poTrack = MakeSequence<QIRN_AnimationSequence_Rotation>(
        {0.0f, 1.0f}, {{0, 0, 0, 1}, {0, 0, HALF_SQRT2, HALF_SQRT2}});
    QIRN_Matrix4 m = Identity();
    m._41 = 5.0f;
    m._11 = 9.0f;
    poTrack->Evaluate(&m, 0.5f, 1);
    QIRN_Vector4 v = Transform(m, QIRN_Vector4(1, 0, 0, 1));
    EXPECT_NEAR(v.x, HALF_SQRT2, 1e-5f);
    EXPECT_NEAR(v.y, HALF_SQRT2, 1e-5f);
    EXPECT_NEAR(v.z, 0.0f, 1e-5f);
    EXPECT_EQ(m._41, 0.0f);
    EXPECT_EQ(m._44, 1.0f);

    poTrack->Evaluate(&m, 1.0f, 0);
    v = Transform(m, QIRN_Vector4(1, 0, 0, 1));
    EXPECT_NEAR(v.x, 0.0f, 1e-5f);
    EXPECT_NEAR(v.y, 1.0f, 1e-5f);
    // The stored keys are untouched by the blend (slerp may flip its second quaternion).
    const float* pfKey = static_cast<const float*>(poTrack->GetKey(1));
    EXPECT_EQ(pfKey[2], HALF_SQRT2);
    EXPECT_EQ(pfKey[3], HALF_SQRT2);
}

TEST(AnimationSequenceTest, ScaleScalesTheFirstThreeRows)
{
    auto poTrack = MakeSequence<QIRN_AnimationSequence_Scale>({0.0f, 1.0f}, {{1, 1, 1, 0}, {3, 5, 7, 0}});
    QIRN_Matrix4 m = Identity();
    m._12 = 1.0f;
    m._41 = 4.0f;
    poTrack->Evaluate(&m, 0.5f, 0);
    EXPECT_FLOAT_EQ(m._11, 2.0f);
    EXPECT_FLOAT_EQ(m._12, 2.0f);
    EXPECT_FLOAT_EQ(m._22, 3.0f);
    EXPECT_FLOAT_EQ(m._33, 4.0f);
    EXPECT_EQ(m._41, 4.0f);
    EXPECT_EQ(m._44, 1.0f);
    // At the last key the track keeps that key's scale.
    m = Identity();
    poTrack->Evaluate(&m, 1.0f, 0);
    EXPECT_EQ(m._11, 3.0f);
    EXPECT_EQ(m._22, 5.0f);
    EXPECT_EQ(m._33, 7.0f);
}

TEST(AnimationSequenceTest, TransformHoldsEachKeyUntilTheNext)
{
    QIRN_Matrix4 a = Identity();
    a._41 = 1.0f;
    QIRN_Matrix4 b = Identity();
    b._42 = 2.0f;
    auto poTrack = MakeSequence<QIRN_AnimationSequence_Transform>(
        {0.0f, 1.0f, 2.0f},
        {std::vector<float>(a.Data(), a.Data() + 16), std::vector<float>(b.Data(), b.Data() + 16),
         std::vector<float>(a.Data(), a.Data() + 16)});
    for (float fTime : {0.0f, 0.5f, 0.999f})
    {
        QIRN_Matrix4 m = Identity();
        poTrack->Evaluate(&m, fTime, 0);
        EXPECT_EQ(memcmp(&m, &a, sizeof(m)), 0) << "time " << fTime;
    }
    QIRN_Matrix4 m = Identity();
    poTrack->Evaluate(&m, 1.0f, 0);
    EXPECT_EQ(memcmp(&m, &b, sizeof(m)), 0);
}

// Rotation replaces the whole matrix, so a frame evaluates its tracks in ascending kind order.
TEST(AnimationSequenceTest, KindOrderComposition)
{
    auto poRotation = MakeSequence<QIRN_AnimationSequence_Rotation>({0.0f}, {{0, 0, HALF_SQRT2, HALF_SQRT2}});
    auto poScale = MakeSequence<QIRN_AnimationSequence_Scale>({0.0f}, {{2, 2, 2, 0}});
    auto poTranslation = MakeSequence<QIRN_AnimationSequence_Translation>({0.0f}, {{0, 0, 5}});
    std::vector<QIRN_AnimationSequence*> vTracks = {poTranslation.get(), poScale.get(), poRotation.get()};
    std::sort(vTracks.begin(), vTracks.end(),
              [](const QIRN_AnimationSequence* a, const QIRN_AnimationSequence* b)
              { return a->GetKeyKind() < b->GetKeyKind(); });
    EXPECT_EQ(vTracks[0], poRotation.get());

    QIRN_Matrix4 m = Identity();
    for (QIRN_AnimationSequence* poTrack : vTracks)
    {
        poTrack->Evaluate(&m, 0.0f, 0);
    }
    QIRN_Vector4 v = Transform(m, QIRN_Vector4(1, 0, 0, 1));
    EXPECT_NEAR(v.x, 0.0f, 1e-5f);
    EXPECT_NEAR(v.y, 2.0f, 1e-5f);
    EXPECT_NEAR(v.z, 5.0f, 1e-5f);

    // Evaluated the other way round the rotation wipes the translation out.
    m = Identity();
    poTranslation->Evaluate(&m, 0.0f, 0);
    poRotation->Evaluate(&m, 0.0f, 0);
    EXPECT_EQ(m._43, 0.0f);
}

TEST(AnimationSequenceTest, SplineWithTwoKeysFallsBackToLinearAndSaysSo)
{
    auto poTrack = MakeSequence<QIRN_AnimationSequence_Translation>({0.0f, 2.0f}, {{0, 0, 0}, {10, 4, 2}});
    DebugOutputCapture oOutput;
    for (int i = 0; i < 2; ++i)
    {
        QIRN_Matrix4 m = Identity();
        poTrack->Evaluate(&m, 0.5f, 1);
        EXPECT_FLOAT_EQ(m._41, 2.5f);
        EXPECT_FLOAT_EQ(m._42, 1.0f);
        EXPECT_FLOAT_EQ(m._43, 0.5f);
    }
    // Nothing is remembered: every cubic evaluation says it again.
    EXPECT_EQ(
        oOutput.Count("QIRN_AnimationSequence::SplineInterpolateAndComposite() - Animation sequence contains "
                      "less than 3 keys, reverting to linear interpolation\n"),
        2u);
    EXPECT_EQ(poTrack->m_pvSplineA, nullptr);
}

// Cubic Hermite segments with Catmull-Rom tangents scaled for the uneven spacing.
TEST(AnimationSequenceTest, SplinePassesThroughEveryKey)
{
    const std::vector<std::vector<float>> vKeys = {{0, 0, 0}, {10, 5, 0}, {0, 10, 0}};
    auto poTrack = MakeSequence<QIRN_AnimationSequence_Translation>({0.0f, 1.0f, 3.0f}, vKeys);
    QIRN_Matrix4 m = Identity();
    poTrack->Evaluate(&m, 1.0f, 1);
    EXPECT_FLOAT_EQ(m._41, 10.0f);
    EXPECT_FLOAT_EQ(m._42, 5.0f);
    ASSERT_NE(poTrack->m_pvSplineA, nullptr);

    // Segment 0 at s = 0.5 against the Hermite basis: start tangent P1 - P0, end tangent
    // (P2 - P0) x (T1 - T0) / (T2 - T0).
    const float s = 0.5f;
    float h00 = 2 * s * s * s - 3 * s * s + 1, h10 = s * s * s - 2 * s * s + s;
    float h01 = -2 * s * s * s + 3 * s * s, h11 = s * s * s - s * s;
    for (int k = 0; k < 2; ++k)
    {
        float fT0 = vKeys[1][k] - vKeys[0][k];
        float fT1 = (vKeys[2][k] - vKeys[0][k]) / 3.0f;
        float fExpected = h00 * vKeys[0][k] + h10 * fT0 + h01 * vKeys[1][k] + h11 * fT1;
        m = Identity();
        poTrack->Evaluate(&m, 0.5f, 1);
        EXPECT_NEAR((&m._41)[k], fExpected, 1e-4f) << "component " << k;
    }
    // Linear evaluation of the same track differs, and leaves everything but the translation row.
    m = Identity();
    poTrack->Evaluate(&m, 0.5f, 0);
    EXPECT_FLOAT_EQ(m._41, 5.0f);
    m = Identity();
    poTrack->Evaluate(&m, 2.999f, 1);
    EXPECT_NEAR(m._42, 10.0f, 1e-2f);
    EXPECT_EQ(m._11, 1.0f);
}

TEST(FramePoseTest, AddWeightedAccumulates)
{
    QIRN_Quaternion qZ90 = {0, 0, HALF_SQRT2, HALF_SQRT2};
    QIRN_FramePose oPose("Smile", Identity(), QIRN_Vector4(2, 4, 6, 0), QIRN_Vector4(1, 2, 3, 0), qZ90);
    EXPECT_TRUE(oPose.m_bHasScale && oPose.m_bHasTranslation && oPose.m_bHasRotation);

    QIRN_Vector4 vScale(1, 1, 1, 1), vTranslation(0, 0, 0, 1);
    QIRN_Quaternion qBlend = {0, 0, 0, 1};
    oPose.AddWeighted(0.0f, &vScale, &vTranslation, &qBlend);
    EXPECT_EQ(vScale.x, 1.0f);
    EXPECT_EQ(vTranslation.z, 0.0f);
    EXPECT_EQ(qBlend.w, 1.0f);
    EXPECT_EQ(qBlend.z, 0.0f);

    oPose.AddWeighted(0.5f, &vScale, &vTranslation, &qBlend);
    EXPECT_FLOAT_EQ(vScale.x, 2.0f);
    EXPECT_FLOAT_EQ(vScale.z, 4.0f);
    EXPECT_FLOAT_EQ(vTranslation.y, 1.0f);
    EXPECT_NEAR(qBlend.z, std::sin(0.3926991f), 1e-5f); // halfway to 90 degrees about Z
    EXPECT_EQ(oPose.m_oRotation.z, HALF_SQRT2);

    oPose.m_bHasScale = oPose.m_bHasTranslation = oPose.m_bHasRotation = false;
    QIRN_Vector4 vBefore = vScale;
    oPose.AddWeighted(1.0f, &vScale, &vTranslation, &qBlend);
    EXPECT_EQ(vScale.x, vBefore.x);
    EXPECT_FLOAT_EQ(vTranslation.y, 1.0f);
}
