#include "mesh_test_support.h"
#include "qirn_digimaskactor.h"
#include "qirn_geometry.h"
#include "qirn_lipsyncactor.h"
#include "qirn_meshdata.h"
#include "qirn_skeleton.h"
#include "qirn_world.h"
#include "world_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
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

namespace
{
// The block of the first object of a class in a world file's text, from its class name to its
// closing brace; empty when there is none.
std::string ObjectBlock(const std::string& szWorld, const std::string& szClass)
{
    size_t nStart = szWorld.find(szClass);
    size_t nOpen = nStart == std::string::npos ? nStart : szWorld.find('{', nStart);
    if (nOpen == std::string::npos)
    {
        return std::string();
    }
    int iDepth = 0;
    for (size_t i = nOpen; i < szWorld.size(); ++i)
    {
        iDepth += szWorld[i] == '{' ? 1 : szWorld[i] == '}' ? -1 : 0;
        if (iDepth == 0)
        {
            return szWorld.substr(nStart, i + 1 - nStart);
        }
    }
    return std::string();
}

// Seconds of sound in a PCM WAV file: its data chunk's size over its byte rate; -1 when unreadable.
double WavSeconds(const std::string& szWav)
{
    if (szWav.size() < 12 || szWav.compare(0, 4, "RIFF") != 0 || szWav.compare(8, 4, "WAVE") != 0)
    {
        return -1.0;
    }
    uint32_t dwByteRate = 0;
    for (size_t n = 12; n + 8 <= szWav.size();)
    {
        uint32_t dwSize = 0;
        memcpy(&dwSize, &szWav[n + 4], 4);
        if (szWav.compare(n, 4, "fmt ") == 0 && n + 20 <= szWav.size())
        {
            memcpy(&dwByteRate, &szWav[n + 16], 4);
        }
        if (szWav.compare(n, 4, "data") == 0)
        {
            return dwByteRate ? static_cast<double>(dwSize) / dwByteRate : -1.0;
        }
        n += 8 + dwSize + (dwSize & 1);
    }
    return -1.0;
}

// The scene's own heads, loaded from the built Data tree with the blocks the shipped world file
// gives them, their voices played by the scripted sound.
class ShippedHeadsTest : public TalkingHeadTest
{
protected:
    void SetUp() override
    {
        TalkingHeadTest::SetUp();
        const std::string szData = QIRN_TEST_SCENE_DATA;
        qirn_test::WriteFile("qirn_v2.ini", "[PATHS]\nSystemPath=" + szData + "\\_System_\nMeshPath=" + szData +
                                                "\\Models\nSoundPath=" + szData + "\\Sounds\n");
        m_szWorld = qirn_test::ReadFile(std::string(QIRN_TEST_SCENE_SOURCES) + "\\AmbrevoFull.w");
    }

    // How far the frame has moved down from where it stood at the first reading.
    struct Mouth
    {
        QIRN_MeshActor* poActor = nullptr;
        QIRN_Frame* poJaw = nullptr;
        float fRestY = 0.0f;
        float Opening() const { return fRestY - poJaw->m_oLocalMatrix._42; }
    };

    std::string m_szWorld;
};
} // namespace

TEST_F(ShippedHeadsTest, MouthsMoveWithTheirVoicesAndTakeTurns)
{
    std::string szDiver = ObjectBlock(m_szWorld, "QIRN_LipSyncActor");
    std::string szDweller = ObjectBlock(m_szWorld, "QIRN_DigiMaskActor");
    ASSERT_NE(szDiver.find("Head01_Diver"), std::string::npos) << szDiver;
    ASSERT_NE(szDweller.find("Head02_Dweller"), std::string::npos) << szDweller;
    ASSERT_EQ(LoadScene(szDiver + "\n" + szDweller + "\n"), OK) << m_oLog.All();
    EXPECT_FALSE(m_oLog.Contains("FAILED")) << m_oLog.All();
    EXPECT_EQ(g_oSound.vLoaded, (std::vector<std::string>{"diver.wav", "dweller.wav"}));

    // Both voices last as long, so that they stay in turn as they loop.
    const std::string szData = QIRN_TEST_SCENE_DATA;
    double dDiverSeconds = WavSeconds(qirn_test::ReadFile(szData + "\\Sounds\\diver.wav"));
    double dDwellerSeconds = WavSeconds(qirn_test::ReadFile(szData + "\\Sounds\\dweller.wav"));
    ASSERT_GT(dDiverSeconds, 10.0);
    EXPECT_DOUBLE_EQ(dDiverSeconds, dDwellerSeconds);

    Mouth aMouths[2];
    const char* const aszHeads[2] = {"Head01_Diver", "Head02_Dweller"};
    const char* const aszJaws[2] = {"CP_Jaw", "JAWB"};
    for (int i = 0; i < 2; ++i)
    {
        aMouths[i].poActor = Actor<QIRN_MeshActor>(aszHeads[i]);
        ASSERT_NE(aMouths[i].poActor, nullptr) << aszHeads[i];
        ASSERT_NE(aMouths[i].poActor->GetMesh(), nullptr) << aszHeads[i];
        aMouths[i].poJaw = aMouths[i].poActor->GetMesh()->GetSkeleton()->FindFrame(aszJaws[i]);
        ASSERT_NE(aMouths[i].poJaw, nullptr) << aszJaws[i];
    }

    // Over the whole voice each mouth opens wide, and moves: its opening swings up and down by
    // more than fSwing many times (about once a word), rarely while the other one speaks. At the
    // start and at the end both are shut.
    const float fOpen = 0.4f;
    const float fSwing = 0.6f;
    float afWidest[2] = {0.0f, 0.0f};
    float afTurn[2] = {0.0f, 0.0f};
    bool abRising[2] = {true, true};
    int aiSwings[2] = {0, 0};
    int iBothOpen = 0;
    int iSteps = 0;
    for (float t = 0.0f; t < static_cast<float>(dDiverSeconds); t += 0.02f, ++iSteps)
    {
        g_oSound.fPosition = t;
        bool abOpen[2];
        for (int i = 0; i < 2; ++i)
        {
            ASSERT_EQ(aMouths[i].poActor->Update(0.02f), OK);
            aMouths[i].poActor->GetMesh()->Update();
            if (t == 0.0f)
            {
                aMouths[i].fRestY = aMouths[i].poJaw->m_oLocalMatrix._42;
            }
            float fOpening = aMouths[i].Opening();
            afWidest[i] = std::max(afWidest[i], fOpening);
            abOpen[i] = fOpening > fOpen;
            // afTurn is the lowest opening since the last fall, or the highest since the last rise.
            if (abRising[i] ? fOpening < afTurn[i] : fOpening > afTurn[i])
            {
                afTurn[i] = fOpening;
            }
            else if (abRising[i] ? fOpening > afTurn[i] + fSwing : fOpening < afTurn[i] - fSwing)
            {
                aiSwings[i] += abRising[i] ? 1 : 0;
                abRising[i] = !abRising[i];
                afTurn[i] = fOpening;
            }
        }
        iBothOpen += abOpen[0] && abOpen[1] ? 1 : 0;
    }
    for (int i = 0; i < 2; ++i)
    {
        EXPECT_GT(afWidest[i], 2.0f) << aszHeads[i];
        EXPECT_GT(aiSwings[i], 20) << aszHeads[i];
        EXPECT_NEAR(aMouths[i].Opening(), 0.0f, 1e-4f) << aszHeads[i];
    }
    EXPECT_LT(iBothOpen, iSteps / 100) << iBothOpen << " of " << iSteps;

    // The same play position poses the same mouth, however it was reached.
    float afAt[3];
    const float afPositions[3] = {3.2f, 1.7f, 3.2f};
    for (int k = 0; k < 3; ++k)
    {
        g_oSound.fPosition = afPositions[k];
        aMouths[0].poActor->Update(0.05f);
        aMouths[0].poActor->GetMesh()->Update();
        afAt[k] = aMouths[0].Opening();
    }
    EXPECT_FLOAT_EQ(afAt[0], afAt[2]);
}
