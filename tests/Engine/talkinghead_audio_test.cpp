// A lip-sync actor on real playback: its mouth weight follows the play position of its voice on
// the null sink, through the sound operations the engine installs.

#include "audio_test_support.h"
#include "qirn_audio_dx8.h"
#include "qirn_engine.h"
#include "qirn_lipsyncactor.h"
#include "qirn_settings.h"
#include "qirn_test_support.h"
#include "wave_builder.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
float OxWeight(QIRN_LipSyncActor& roActor)
{
    QIRN_WeightListNode* pNode = roActor.GetVisemeWeights();
    return pNode && pNode->m_szName == "OX" ? *pNode->m_pData : -1.0f;
}
} // namespace

TEST(TalkingHeadAudioTest, MouthWeightFollowsThePlayPosition)
{
    qirn_test::ScopedTempDir oDir;
    qirn_test::LogCapture oLog;
    QIRN_InitEnginePath(oDir.Path() + "\\qirn_v2.ini");
    // The engine installs the talking heads' sound operations.
    QIRN_Engine oEngine;
    QIRN_Audio_DX8 oAudio(audio_test::TestWindow());
    ASSERT_EQ(oAudio.Init(), 0) << "no sound device: " << oLog.All();

    // Three seconds of 22050 Hz 16-bit stereo; OX opens linearly over the first two.
    qirn_test::WriteFile("voice.wav", wave_builder::PcmWave(2, 22050, 16, 3 * 22050 * 4));
    qirn_test::WriteFile("talk.sync", "<visemes>\nOX 2\n0.0 0.0 0 0\n2.0 100.0 0 0\n</visemes>\n");
    QIRN_LipSyncActor oHead("QIRN_LipSyncActor");
    oHead.m_poAudio = &oAudio;
    oHead.m_interpolationtype = 0;
    ASSERT_EQ(oHead.LoadFile("talk.sync"), OK);
    ASSERT_TRUE(QIRN_LoadTalkingHeadSound(oHead, oHead, ".\\voice.wav")) << oLog.All();

    // Every frame the weight lies between the positions read just before and just after it.
    DWORD dwStart = GetTickCount();
    float fLastWeight = 0.0f;
    while (GetTickCount() - dwStart < 3000 && fLastWeight < 0.3f)
    {
        bool bPlaying = false;
        float fBefore = 0.0f;
        float fAfter = 0.0f;
        oAudio.Update(true);
        oAudio.GetSoundStatus(".\\voice.wav", &bPlaying, &fBefore);
        ASSERT_EQ(oHead.UpdateAnimation(0.01f), OK);
        ASSERT_EQ(oAudio.GetSoundStatus(".\\voice.wav", &bPlaying, &fAfter), 0);
        fLastWeight = OxWeight(oHead);
        EXPECT_GE(fLastWeight, fBefore / 2.0f - 1e-4f);
        EXPECT_LE(fLastWeight, fAfter / 2.0f + 1e-4f);
        Sleep(10);
    }
    // The sound played: the mouth opened as its position advanced.
    EXPECT_GE(fLastWeight, 0.3f) << "the play position did not advance: " << oLog.All();
    oHead.m_poAudio = nullptr;
}
