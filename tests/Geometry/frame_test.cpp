#include "qirn_animationsequence.h"
#include "qirn_frame.h"
#include "qirn_skeleton.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace
{
QIRN_Vector4 V(float x, float y, float z)
{
    return QIRN_Vector4(x, y, z, 1.0f);
}

QIRN_Frame* NewFrame(const std::string& szName, float x = 0, float y = 0, float z = 0)
{
    QIRN_Frame* poFrame = new QIRN_Frame();
    poFrame->m_szName = szName;
    Matrix_Translation(x, y, z, &poFrame->m_oLocalMatrix);
    return poFrame;
}

QIRN_FramePose* NewPose(const std::string& szName, QIRN_Vector4 vScale, QIRN_Vector4 vTranslation,
                        QIRN_Quaternion qRotation = {0.0f, 0.0f, 0.0f, 1.0f})
{
    QIRN_Matrix4 m;
    Matrix_Identity(&m);
    return new QIRN_FramePose(szName, m, vScale, vTranslation, qRotation);
}

QIRN_Vector4 Apply(const QIRN_Matrix4& m, QIRN_Vector4 v)
{
    QIRN_Vector4 out;
    Vector_TransformCoord(&m, &v, &out);
    return out;
}

void ExpectNear(QIRN_Vector4 a, QIRN_Vector4 b, const char* szWhat = "")
{
    EXPECT_NEAR(a.x, b.x, 1e-4f) << szWhat;
    EXPECT_NEAR(a.y, b.y, 1e-4f) << szWhat;
    EXPECT_NEAR(a.z, b.z, 1e-4f) << szWhat;
}

// A weight list as the lip-sync timeline keeps it: named nodes over floats it owns.
class Channels
{
public:
    Channels(std::vector<std::pair<std::string, float>> vValues) : m_oList(true)
    {
        for (auto& oValue : vValues)
        {
            m_oList.AppendNode(oValue.first, new float(oValue.second));
        }
    }
    const QIRN_WeightListNode* Head() const { return m_oList.m_pHead; }

private:
    QIRN_LINKEDLIST<float> m_oList;
};
} // namespace

TEST(FrameTest, HierarchyCombinesParentsFirstAndFindsDepthFirst)
{
    QIRN_Skeleton oSkeleton;
    QIRN_Frame* poRoot = NewFrame("Root", 1, 0, 0);
    QIRN_Frame* poArm = NewFrame("Arm", 0, 2, 0);
    QIRN_Frame* poHand = NewFrame("Hand", 0, 0, 3);
    QIRN_Frame* poLeg = NewFrame("Leg", 0, -1, 0);
    QIRN_Frame* poTwin = NewFrame("Hand", 5, 5, 5);
    poRoot->AddChild(poArm);
    poRoot->AddChild(poLeg);
    poLeg->AddChild(poTwin);
    poArm->AddChild(poHand);
    oSkeleton.SetRoot(poRoot);
    EXPECT_EQ(poRoot->m_poFirstChild, poArm);
    EXPECT_EQ(poArm->m_poNextSibling, poLeg);
    EXPECT_EQ(poHand->m_pParent, poArm);

    oSkeleton.Update(0.0f, nullptr, nullptr, 0);
    ExpectNear(Apply(poHand->GetCombinedMatrix(), V(0, 0, 0)), V(1, 2, 3));
    ExpectNear(Apply(poTwin->GetCombinedMatrix(), V(0, 0, 0)), V(6, 4, 5));
    // The child subtree is searched before the following siblings.
    EXPECT_EQ(oSkeleton.FindFrame("Hand"), poHand);
    EXPECT_EQ(oSkeleton.FindFrame("Leg"), poLeg);
    EXPECT_EQ(oSkeleton.FindFrame("hand"), nullptr);
}

TEST(FrameTest, SkeletonWithoutRootIsHarmless)
{
    QIRN_Skeleton oSkeleton;
    oSkeleton.SetRoot(nullptr);
    oSkeleton.Update(1.0f, nullptr, nullptr, 0);
    EXPECT_EQ(oSkeleton.FindFrame("Root"), nullptr);
    EXPECT_EQ(oSkeleton.GetRoot(), nullptr);
}

TEST(FrameTest, PosesKeepTheFirstOfEachName)
{
    QIRN_Frame oFrame;
    EXPECT_EQ(oFrame.GetPose("Neutral"), nullptr);
    QIRN_FramePose* poFirst = NewPose("AA", V(1, 1, 1), V(1, 0, 0));
    oFrame.AddPose(poFirst);
    oFrame.AddPose(NewPose("AA", V(1, 1, 1), V(2, 0, 0)));
    QIRN_FramePose* poNeutral = NewPose("Neutral", V(1, 1, 1), V(0, 0, 0));
    oFrame.AddPose(poNeutral);
    oFrame.AddPose(NewPose("Neutral", V(2, 2, 2), V(0, 0, 0)));
    oFrame.AddPose(nullptr);
    EXPECT_EQ(oFrame.GetPose("AA"), poFirst);
    EXPECT_EQ(oFrame.GetPose("Neutral"), poNeutral);
    EXPECT_EQ(oFrame.m_oPoseList.m_iCount, 1);
}

TEST(FrameTest, PoseBlendAddsWeightedPosesToTheNeutralOne)
{
    QIRN_Frame oFrame;
    oFrame.m_szName = "Jaw";
    oFrame.AddPose(NewPose("Neutral", V(1, 1, 1), V(0, 1, 0)));
    oFrame.AddPose(NewPose("AA", V(0, 0, 0), V(2, 0, 0)));
    oFrame.AddPose(NewPose("OH", V(1, 0, 0), V(0, 0, 4)));

    Channels oHalf({{"AA", 0.5f}, {"EE", 1.0f}, {"OH", -1.0f}});
    oFrame.Animate(0.0f, oHalf.Head(), nullptr, 0);
    ExpectNear(Apply(oFrame.m_oLocalMatrix, V(0, 0, 0)), V(1, 1, 0));

    Channels oBoth({{"AA", 1.0f}, {"OH", 0.5f}});
    oFrame.Animate(0.0f, oBoth.Head(), nullptr, 0);
    // Scale (1.5, 1, 1) on top of the neutral one, then the summed translation.
    ExpectNear(Apply(oFrame.m_oLocalMatrix, V(1, 1, 1)), V(1.5f + 2, 1 + 1, 1 + 2));

    // With every weight at 0 the frame takes exactly the neutral pose.
    Channels oZero({{"AA", 0.0f}, {"OH", 0.0f}});
    oFrame.Animate(0.0f, oZero.Head(), nullptr, 0);
    ExpectNear(Apply(oFrame.m_oLocalMatrix, V(1, 1, 1)), V(1, 2, 1));
}

TEST(FrameTest, PoseBlendTurnsTowardsThePoseRotation)
{
    QIRN_Frame oFrame;
    oFrame.m_szName = "Lid";
    oFrame.AddPose(NewPose("Neutral", V(1, 1, 1), V(0, 0, 0)));
    // A quarter turn about z; with full weight the blend reaches it.
    oFrame.AddPose(NewPose("Blink", V(0, 0, 0), V(0, 0, 0), {0.0f, 0.0f, 0.70710678f, 0.70710678f}));
    Channels oFull({{"Blink", 1.0f}});
    oFrame.Animate(0.0f, oFull.Head(), nullptr, 0);
    QIRN_Matrix4 oExpected;
    Matrix_RotationZ(90.0f, &oExpected);
    ExpectNear(Apply(oFrame.m_oLocalMatrix, V(1, 0, 0)), Apply(oExpected, V(1, 0, 0)));
}

TEST(FrameTest, FramesWithoutAnySourceOrNeutralPoseKeepTheirMatrix)
{
    Channels oVisemes({{"AA", 1.0f}});
    Channels oGestures({{"HEAD_BEND", 30.0f}});
    struct Case
    {
        const char* szName;
        bool bNeutral;
        bool bOtherPose;
        bool bVisemes;
    };
    const Case aCases[] = {
        {"Jaw", false, true, true},      // poses but no neutral pose
        {"Jaw", true, false, true},      // the neutral pose alone
        {"CP_Skull", true, true, false}, // head without a viseme list
        {"SKBA", false, true, true},     // head without a neutral pose
    };
    for (const Case& c : aCases)
    {
        QIRN_Frame oFrame;
        oFrame.m_szName = c.szName;
        Matrix_Translation(7, 8, 9, &oFrame.m_oLocalMatrix);
        if (c.bNeutral)
        {
            oFrame.AddPose(NewPose("Neutral", V(2, 2, 2), V(0, 0, 0)));
        }
        if (c.bOtherPose)
        {
            oFrame.AddPose(NewPose("AA", V(1, 1, 1), V(1, 1, 1)));
        }
        oFrame.Animate(0.0f, c.bVisemes ? oVisemes.Head() : nullptr, oGestures.Head(), 0);
        ExpectNear(Apply(oFrame.m_oLocalMatrix, V(0, 0, 0)), V(7, 8, 9), c.szName);
        EXPECT_FLOAT_EQ(oFrame.m_oLocalMatrix._11, 1.0f) << c.szName;
    }
}

TEST(FrameTest, HeadAndEyesTurnByTheirGestureChannels)
{
    // Frame, channel, and the axis the quarter turn is about (0 x, 1 y, 2 z; -1 none).
    struct Case
    {
        const char* szFrame;
        const char* szChannel;
        int iAxis;
    };
    const Case aCases[] = {
        {"CP_Skull", "HEAD_BEND", 0},          {"SKBA", "HEAD_TWIST", 1},
        {"CP_Skull", "HEAD_SIDE_SIDE", 2},     {"CP_EyeLeft", "EYE_UP_DOWN_LEFT", 0},
        {"EYEL", "EYE_SIDE_SIDE_LEFT", 1},     {"CP_EyeRight", "EYE_UP_DOWN_RIGHT", 0},
        {"EYER", "EYE_SIDE_SIDE_RIGHT", 1},    {"CP_EyeLeft", "EYE_UP_DOWN_RIGHT", -1},
        {"CP_EyeRight", "HEAD_SIDE_SIDE", -1}, {"CP_Skull", "EYE_SIDE_SIDE_LEFT", -1},
    };
    Channels oVisemes({{"AA", 0.0f}});
    for (const Case& c : aCases)
    {
        QIRN_Frame oFrame;
        oFrame.m_szName = c.szFrame;
        oFrame.AddPose(NewPose("Neutral", V(2, 2, 2), V(0, 5, 0), {0.0f, 0.0f, 0.70710678f, 0.70710678f}));
        oFrame.AddPose(NewPose("AA", V(1, 1, 1), V(1, 1, 1)));
        Channels oGestures({{c.szChannel, 45.0f}, {c.szChannel, 90.0f}, {"UNKNOWN", 10.0f}});
        oFrame.Animate(0.0f, oVisemes.Head(), oGestures.Head(), 0);

        // The later node wins; the built matrix is the transpose of the row-vector rotation, so
        // the turn runs against the axis, then the neutral scale and translation follow.
        QIRN_Matrix4 oTurn;
        if (c.iAxis == 0)
        {
            Matrix_RotationX(-90.0f, &oTurn);
        }
        else if (c.iAxis == 1)
        {
            Matrix_RotationY(-90.0f, &oTurn);
        }
        else if (c.iAxis == 2)
        {
            Matrix_RotationZ(-90.0f, &oTurn);
        }
        else
        {
            Matrix_Identity(&oTurn);
        }
        for (QIRN_Vector4 v : {V(1, 0, 0), V(0, 1, 0), V(0, 0, 1)})
        {
            QIRN_Vector4 vTurned = Apply(oTurn, v);
            ExpectNear(Apply(oFrame.m_oLocalMatrix, v), V(2 * vTurned.x, 2 * vTurned.y + 5, 2 * vTurned.z),
                       (std::string(c.szFrame) + " " + c.szChannel).c_str());
        }
    }
}

TEST(FrameTest, TracksDriveAFrameBeforeAnyPose)
{
    QIRN_Frame oFrame;
    oFrame.m_szName = "Jaw";
    oFrame.AddPose(NewPose("Neutral", V(1, 1, 1), V(0, 0, 0)));
    oFrame.AddPose(NewPose("AA", V(0, 0, 0), V(9, 9, 9)));
    QIRN_AnimationSequence* poTrack = new QIRN_AnimationSequence_Translation();
    ASSERT_EQ(poTrack->AllocateKeys(1), 0);
    float* pfKey = static_cast<float*>(poTrack->GetKey(0));
    pfKey[0] = 1.0f;
    pfKey[1] = 2.0f;
    pfKey[2] = 3.0f;
    oFrame.m_oAnimationSequences.push_back(poTrack);
    Channels oVisemes({{"AA", 1.0f}});
    oFrame.Animate(0.5f, oVisemes.Head(), nullptr, 0);
    ExpectNear(Apply(oFrame.m_oLocalMatrix, V(0, 0, 0)), V(1, 2, 3));
}
