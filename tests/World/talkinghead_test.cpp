#include "mesh_test_support.h"
#include "qirn_digimaskactor.h"
#include "qirn_geometry.h"
#include "qirn_lipsyncactor.h"
#include "qirn_meshdata.h"
#include "qirn_skeleton.h"
#include "qirn_world.h"
#include "world_test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace world_test;

namespace
{
// The sound the tests play: its position is whatever the test sets; a failing status is allowed.
struct ScriptedSound
{
    std::vector<std::string> vLoaded;
    std::vector<std::string> vPlayed;
    float fPosition = 0.0f;
    bool bStatusFails = false;
    bool bLoadFails = false;
};
ScriptedSound g_oSound;

const QIRN_TalkingHeadSound SCRIPTED = {
    [](QIRN_Audio*, const std::string& szName) -> QIRN_ErrorCode
    {
        g_oSound.vLoaded.push_back(szName);
        return g_oSound.bLoadFails ? GENERICERROR : OK;
    },
    [](QIRN_Audio*, const std::string& szName) -> QIRN_ErrorCode
    {
        g_oSound.vPlayed.push_back(szName);
        return OK;
    },
    [](QIRN_Audio*, const std::string&, bool* pbPlaying, float* pfPosition) -> QIRN_ErrorCode
    {
        *pbPlaying = true;
        *pfPosition = g_oSound.fPosition;
        return g_oSound.bStatusFails ? GENERICERROR : OK;
    },
};

// OX opens linearly from 0 at 0 s to 100 % at 1 s; the head turns by 30 degrees from 0.5 s on.
const char* const TALK_SYNC = "<visemes>\nOX 2\n0.0 0.0 0 0\n1.0 100.0 0 0\n</visemes>\n"
                              "<gestures>\nHEAD_TWIST 2\n0.5 30.0 0 0\n2.0 30.0 0 0\n</gestures>\n";
const char* const TALK_CPA = "2\n3\nNeutral\nMast\n(matrix1 [1,0,0] [0,1,0] [0,0,1] [0,3,0])\n"
                             "3\nOX\nMast\n(matrix1 [1,0,0] [0,1,0] [0,0,1] [0,5,0])\n";

const char* const IDENTITY = "1 0 0 0  0 1 0 0  0 0 1 0  0 0 0 1";
std::string FaceModel()
{
    std::string s = "DMSDK 1\nmaterial 1 1 1 1 1  1 0 0 0  1 0 0 0  1 0 0 0  1\n";
    s += std::string("frame ROOT - ") + IDENTITY + "\n";
    s += std::string("frame SKBA ROOT ") + IDENTITY + "\n";
    s += std::string("frame JAWB SKBA ") + IDENTITY + "\n";
    s += "mesh SKIN SKBA 1 - 2 SKBA JAWB\n";
    for (int i = 0; i < 4; ++i)
    {
        s += "v " + std::to_string(i % 2) + " " + std::to_string(i / 2) + " 0  1 0 0  0 1 0 0  0 0 1  0 0\n";
    }
    s += "f 0 1 2\nf 1 3 2\nf 0 2 3\nf 0 1 3\n";
    s += "poseframes 1 JAWB\npose DEFT\nk 0 0 0  0 0 0 1  1 1 1\npose OX\nk 0 -2 0  0 0 0 1  1 1 1\n";
    return s;
}

class TalkingHeadTest : public WorldFixture
{
protected:
    void SetUp() override
    {
        WorldFixture::SetUp();
        g_oSound = ScriptedSound();
        QIRN_SetTalkingHeadSound(&SCRIPTED);
        qirn_test::WriteFile("boat.x", BOAT_X);
        qirn_test::WriteFile("talk.sync", TALK_SYNC);
        qirn_test::WriteFile("talk.cpa", TALK_CPA);
        qirn_test::WriteFile("face.dmk", FaceModel());
    }
    void TearDown() override
    {
        QIRN_SetTalkingHeadSound(nullptr);
        WorldFixture::TearDown();
    }

    QIRN_ErrorCode LoadScene(const std::string& szObjects)
    {
        qirn_test::WriteFile("scene.w", "qirn_world_version2.0 {\n" + szObjects + "}\n");
        return m_poWorld->Load("scene");
    }
    template <class T> T* Actor(const std::string& szName)
    {
        return dynamic_cast<T*>(m_poWorld->FindObject(szName));
    }
    static float Weight(QIRN_WeightListNode* pNode, const std::string& szName)
    {
        for (; pNode; pNode = pNode->m_pNext)
        {
            if (pNode->m_szName == szName)
            {
                return *pNode->m_pData;
            }
        }
        ADD_FAILURE() << szName << " has no weight";
        return -1.0f;
    }

    qirn_test::LogCapture m_oLog;
};
} // namespace

TEST_F(TalkingHeadTest, LipSyncActorFollowsItsSoundsPlayPosition)
{
    ASSERT_EQ(
        LoadScene(" QIRN_LipSyncActor { Name { Head } VisemeFilename { early.cpa } MeshFilename { boat.x }\n"
                  "  SyncFilename { talk.sync } VisemeFilename { talk.cpa } SoundFilename { voice.wav }\n"
                  "  InterpolationType { 0 } }\n"),
        OK);
    QIRN_LipSyncActor* poHead = Actor<QIRN_LipSyncActor>("Head");
    ASSERT_NE(poHead, nullptr);
    ASSERT_NE(m_poWorld->GetLipSyncActorList(), nullptr);
    EXPECT_EQ(m_poWorld->GetLipSyncActorList()->m_iCount, 1);
    EXPECT_EQ(g_oSound.vLoaded, std::vector<std::string>{"voice.wav"});
    EXPECT_EQ(poHead->m_szVisemeFilename, "talk.cpa");
    QIRN_Frame* poMast = poHead->GetMesh()->GetSkeleton()->FindFrame("Mast");
    ASSERT_NE(poMast, nullptr);
    ASSERT_NE(poMast->GetPose("OX"), nullptr);
    EXPECT_FLOAT_EQ(poMast->GetPose("OX")->m_vTranslation.y, 2.0f);

    struct Step
    {
        float fPosition;
        float fOx;
        float fTwist;
    } aSteps[] = {{0.25f, 0.25f, 0.0f}, {0.75f, 0.75f, 30.0f}, {1.0f, 1.0f, 30.0f}, {3.0f, 0.0f, 0.0f}};
    for (const Step& s : aSteps)
    {
        g_oSound.fPosition = s.fPosition;
        ASSERT_EQ(poHead->Update(0.02f), OK);
        EXPECT_FLOAT_EQ(Weight(poHead->GetVisemeWeights(), "OX"), s.fOx) << s.fPosition;
        EXPECT_FLOAT_EQ(Weight(poHead->GetGestureWeights(), "HEAD_TWIST"), s.fTwist) << s.fPosition;
        EXPECT_FLOAT_EQ(poHead->GetMesh()->GetTime(), s.fPosition);
    }
    EXPECT_EQ(poHead->GetMesh()->m_pVisemeWeights, poHead->GetVisemeWeights());
    EXPECT_EQ(poHead->GetMesh()->m_pGestureWeights, poHead->GetGestureWeights());
    EXPECT_EQ(g_oSound.vPlayed.size(), 4u);

    // A failing status runs the timeline at 0.
    g_oSound.bStatusFails = true;
    g_oSound.fPosition = 0.5f;
    poHead->Update(0.02f);
    EXPECT_FLOAT_EQ(Weight(poHead->GetVisemeWeights(), "OX"), 0.0f);

    // The mouth pose reaches the mast: neutral 3 up plus the OX difference at full weight.
    g_oSound.bStatusFails = false;
    g_oSound.fPosition = 1.0f;
    poHead->Update(0.02f);
    poHead->GetMesh()->Update();
    EXPECT_NEAR(poMast->m_oLocalMatrix._42, 5.0f, 1e-4f);

    std::string szText = SaveObjectText(*poHead, "head.txt");
    size_t nMesh = szText.find("MeshFilename { boat.x }");
    size_t nTail = szText.find("InterpolationType { 0 } \n    SoundFilename { voice.wav } \n"
                               "    SyncFilename { talk.sync } \n    VisemeFilename { talk.cpa }");
    EXPECT_NE(nMesh, std::string::npos) << szText;
    EXPECT_NE(nTail, std::string::npos) << szText;
    EXPECT_LT(nMesh, nTail);
}

TEST_F(TalkingHeadTest, LipSyncKeywordFailures)
{
    struct Case
    {
        const char* szBlock;
        const char* szLog;
    } aCases[] = {
        {"SyncFilename { missing }", "*** QIRN_LipSyncActor::InterpretKeyWord():Error loading sync file\n"},
        {"MeshFilename { boat.x } VisemeFilename { none }",
         "*** QIRN_LipSyncActor::InterpretKeyWord():Error loading visemes\n"},
        {"InterpolationType { many }",
         "*** QIRN_LipSyncActor::InterpretKeyWord():Error reading m_interpolationtype\n"},
    };
    for (const Case& c : aCases)
    {
        m_oLog.Clear();
        LoadScene(std::string(" QIRN_LipSyncActor { Name { Head } ") + c.szBlock + " }\n");
        EXPECT_TRUE(m_oLog.Contains(c.szLog)) << c.szBlock << "\n" << m_oLog.All();
    }
    m_oLog.Clear();
    g_oSound.bLoadFails = true;
    LoadScene(" QIRN_LipSyncActor { Name { Head } SoundFilename { voice.wav } }\n");
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_LipSyncActor::InterpretKeyWord():Error loading wave file\n"));
}

TEST_F(TalkingHeadTest, DigiMaskActorImportsItsFaceModelWithItsTesselationFactor)
{
    ASSERT_EQ(
        LoadScene(" QIRN_DigiMaskActor { Name { Face } TesselationFactor { 0.5 } DMKFilename { face.dmk }\n"
                  "  SyncFilename { talk.sync } SoundFilename { hello.wav } InterpolationType { 0 }\n"
                  "  TesselationFactor { 0.25 } }\n"),
        OK);
    QIRN_DigiMaskActor* poFace = Actor<QIRN_DigiMaskActor>("Face");
    ASSERT_NE(poFace, nullptr);
    ASSERT_NE(m_poWorld->GetDigiMaskActorList(), nullptr);
    EXPECT_EQ(m_poWorld->GetDigiMaskActorList()->m_iCount, 1);
    ASSERT_NE(poFace->GetMesh(), nullptr);
    QIRN_MeshData* poSkin = poFace->GetMesh()->GetFirstMeshNode()->m_pData;
    EXPECT_EQ(poSkin->GetTotalIndexCount(), 6u);
    QIRN_Frame* poJaw = poFace->GetMesh()->GetSkeleton()->FindFrame("JAWB");
    ASSERT_NE(poJaw, nullptr);
    ASSERT_NE(poJaw->GetPose("OX"), nullptr);

    g_oSound.fPosition = 0.5f;
    poFace->Update(0.02f);
    EXPECT_FLOAT_EQ(Weight(poFace->GetVisemeWeights(), "OX"), 0.5f);
    poFace->GetMesh()->Update();
    EXPECT_NEAR(poJaw->m_oLocalMatrix._42, -1.0f, 1e-4f);

    // The late factor is only kept for saving; no mesh-actor keyword is written.
    std::string szText = SaveObjectText(*poFace, "face.txt");
    EXPECT_NE(szText.find(
                  "InterpolationType { 0 } \n    TesselationFactor { 0.25 } \n    DMKFilename { face.dmk } \n"
                  "    SoundFilename { hello.wav } \n    SyncFilename { talk.sync }"),
              std::string::npos)
        << szText;
    EXPECT_EQ(szText.find("MeshFilename"), std::string::npos);
    EXPECT_EQ(szText.find("Scale"), std::string::npos);
}

TEST_F(TalkingHeadTest, ASecondFaceModelReplacesTheFirstGeometry)
{
    qirn_test::WriteFile("other.dmk", FaceModel());
    ASSERT_EQ(
        LoadScene(
            " QIRN_DigiMaskActor { Name { Face } DMKFilename { face.dmk } DMKFilename { other.dmk } }\n"),
        OK);
    QIRN_DigiMaskActor* poFace = Actor<QIRN_DigiMaskActor>("Face");
    ASSERT_NE(poFace, nullptr);
    ASSERT_NE(poFace->GetMesh(), nullptr);
    EXPECT_EQ(poFace->GetMesh()->GetName(), "other.dmk");
    // Factor 1 keeps every triangle.
    EXPECT_EQ(poFace->GetMesh()->GetFirstMeshNode()->m_pData->GetTotalIndexCount(), 12u);
    m_oLog.Clear();
    LoadScene(" QIRN_DigiMaskActor { Name { Bad } DMKFilename { absent.dmk } }\n"
              " QIRN_DigiMaskActor { Name { Worse } TesselationFactor { lots } }\n");
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_DigiMaskActor::InterpretKeyWord():Error loading DMK file\n"));
    EXPECT_TRUE(
        m_oLog.Contains("*** QIRN_DigimaskActor::InterpretKeyWord():Error reading m_fTesselationFactor\n"));
}
