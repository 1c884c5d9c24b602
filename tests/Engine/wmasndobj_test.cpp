// Compressed music through a DirectShow graph, on a short WMA tone the build makes with ffmpeg.

#include "audio_test_support.h"
#include "qirn_audio_dx8.h"
#include "qirn_settings.h"
#include "qirn_test_support.h"
#include "qirn_wmasndobj.h"

#include <gtest/gtest.h>

#include <objbase.h>

#include <functional>
#include <string>

namespace
{
// A 2-second 440 Hz stereo tone.
const char* const TONE = QIRN_TEST_WMA;
const float TONE_SECONDS = 2.0f;

class WmaSndObjTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(CopyFileA(TONE, "tone.wma", FALSE)) << "no test tone at " << TONE;
        CreateDirectoryA("sounds", nullptr);
        ASSERT_TRUE(CopyFileA(TONE, "sounds\\music.wma", FALSE));
        qirn_test::WriteFile("test.ini", "[PATHS]\r\nSoundPath=sounds\r\n");
        QIRN_InitEnginePath(m_oDir.Path() + "\\test.ini");
    }

    // Polls the graph like the engine's frame loop for about dwMilliseconds, or until bDone
    // answers true.
    void RunFrames(QIRN_WmaSndObj& oSound, DWORD dwMilliseconds, const std::function<bool()>& bDone = nullptr)
    {
        DWORD dwStart = GetTickCount();
        while (GetTickCount() - dwStart < dwMilliseconds)
        {
            ASSERT_EQ(oSound.Update(true), 0) << m_oLog.All();
            if (bDone && bDone())
            {
                return;
            }
            Sleep(10);
        }
    }

    float Position(QIRN_WmaSndObj& oSound, bool* pbPlaying = nullptr)
    {
        bool bPlaying = false;
        float fSeconds = -1.0f;
        EXPECT_EQ(oSound.GetSoundStatus(&bPlaying, &fSeconds), 0) << m_oLog.All();
        if (pbPlaying)
        {
            *pbPlaying = bPlaying;
        }
        return fSeconds;
    }

    qirn_test::ScopedTempDir m_oDir;
    qirn_test::LogCapture m_oLog;
};

// Answers whether COM was free on this thread, leaving it free.
bool ComIsFree()
{
    HRESULT hr = CoInitialize(nullptr);
    if (SUCCEEDED(hr))
    {
        CoUninitialize();
    }
    return hr == S_OK;
}

TEST_F(WmaSndObjTest, PlaysSeeksAndLoopsOnCompletion)
{
    QIRN_WmaSndObj oSound;
    ASSERT_EQ(oSound.Init("tone.wma", true, true), 0) << m_oLog.All();
    EXPECT_EQ(oSound.m_iState, 0);
    ASSERT_EQ(oSound.PlaySound(), 0);
    EXPECT_EQ(oSound.m_iState, 2);

    DWORD dwStart = GetTickCount();
    RunFrames(oSound, 300);
    float fFirst = Position(oSound);
    RunFrames(oSound, 400);
    bool bPlaying = false;
    float fSecond = Position(oSound, &bPlaying);
    float fElapsed = (GetTickCount() - dwStart) / 1000.0f;
    EXPECT_TRUE(bPlaying);
    EXPECT_GT(fSecond, fFirst) << "the position grows while playing";
    EXPECT_GT(fSecond, 0.1f);
    EXPECT_LE(fSecond, fElapsed + 0.2f) << "and no faster than real time";

    ASSERT_EQ(oSound.SetPlayCursor(1.5f), 0);
    float fSought = Position(oSound);
    EXPECT_GE(fSought, 1.5f);
    EXPECT_LT(fSought, 1.7f);

    // Past the end of the 2-second tone: the end event rewinds it and it plays on.
    RunFrames(oSound, 6000, [&] { return Position(oSound) < 1.0f; });
    float fLooped = Position(oSound, &bPlaying);
    EXPECT_TRUE(bPlaying);
    EXPECT_EQ(oSound.m_iState, 2);
    EXPECT_LT(fLooped, TONE_SECONDS - 0.5f) << "it started over after its end";

    ASSERT_EQ(oSound.StopSound(), 0);
    EXPECT_EQ(oSound.m_iState, 1);
    float fStopped = Position(oSound, &bPlaying);
    EXPECT_FALSE(bPlaying);
    EXPECT_LT(fStopped, 0.05f) << "a stop puts the music back to its start";
    EXPECT_EQ(oSound.ShutDown(), 0);
    EXPECT_EQ(oSound.m_poGraphBuilder, nullptr);
    EXPECT_EQ(oSound.m_iState, 0);
}

TEST_F(WmaSndObjTest, StopsCleanlyWhenNeverPlayedAndLeavesNothingBehind)
{
    ASSERT_TRUE(ComIsFree());
    {
        QIRN_WmaSndObj oSound;
        ASSERT_EQ(oSound.Init("tone.wma", true, false), 0) << m_oLog.All();
        EXPECT_EQ(Position(oSound), 0.0f);
        // 1.5 s is 15 000 000 units of media time.
        ASSERT_EQ(oSound.SetPlayCursor(1.5f), 0);
        LONGLONG llPosition = 0;
        ASSERT_EQ(oSound.m_poMediaSeeking->GetCurrentPosition(&llPosition), S_OK);
        EXPECT_EQ(llPosition, 15000000);
        // A stop of music that never played leaves the graph where it is.
        EXPECT_EQ(oSound.StopSound(), 0);
        EXPECT_EQ(oSound.m_iState, 0);
        EXPECT_FLOAT_EQ(Position(oSound), 1.5f);
        EXPECT_EQ(oSound.SetPlayCursor(1e30f), 1);
        EXPECT_TRUE(m_oLog.Contains("seconds is no position"));
        m_oLog.Clear();
    }
    EXPECT_TRUE(ComIsFree()) << "an object never played still releases its graph and COM";
    EXPECT_EQ(m_oLog.Count("***"), 0u) << m_oLog.All();
}

TEST_F(WmaSndObjTest, FindsBareNamesInTheSoundFolder)
{
    QIRN_WmaSndObj oSound;
    EXPECT_EQ(oSound.Init("music.wma", true, true), 0) << m_oLog.All();
    EXPECT_EQ(oSound.m_strFileName, "music.wma");

    QIRN_WmaSndObj oMissing;
    EXPECT_EQ(oMissing.Init("nowhere.wma", true, true), 1);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_WmaSndObj::Init() - m_poGraphBuilder->RenderFile() FAILED\n"));
    EXPECT_EQ(oMissing.m_poGraphBuilder, nullptr);
}

TEST_F(WmaSndObjTest, FailuresReleaseEverythingAndBalanceCom)
{
    ASSERT_TRUE(ComIsFree());
    {
        QIRN_WmaSndObj oMissing;
        EXPECT_EQ(oMissing.Init("nowhere.wma", true, true), 1);
        // A name too long for the wide path fails before any graph is made.
        QIRN_WmaSndObj oLong;
        EXPECT_EQ(oLong.Init(std::string(400, 'a') + ".wma", true, true), 1);
        EXPECT_TRUE(m_oLog.Contains("*** QIRN_WmaSndObj::Init() - MultiByteToWideChar() FAILED"));
        EXPECT_EQ(oLong.m_poGraphBuilder, nullptr);
        EXPECT_TRUE(ComIsFree()) << "failed objects hold no COM use";
    }

    // COM opened by the caller in the multithreaded apartment is used, not closed.
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    {
        QIRN_WmaSndObj oSound;
        EXPECT_EQ(oSound.Init("tone.wma", true, false), 0) << m_oLog.All();
        EXPECT_TRUE(m_oLog.Contains(
            "Warning: QIRN_WmaSndObj::Init() - CoInitialize() already called in MTA mode.\n"));
    }
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE) << "the caller's COM is still open";
    CoUninitialize();
    CoUninitialize();
    EXPECT_TRUE(ComIsFree());
}

TEST_F(WmaSndObjTest, RefusesCallsWithoutAGraph)
{
    QIRN_WmaSndObj oSound;
    bool bPlaying = true;
    float fSeconds = 7.0f;
    EXPECT_EQ(oSound.GetSoundStatus(&bPlaying, &fSeconds), 1);
    EXPECT_FALSE(bPlaying);
    EXPECT_EQ(fSeconds, 7.0f);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_WmaSndObj::GetSoundStatus() - m_poMediaSeeking is NULL\n"));
    EXPECT_EQ(oSound.SetPlayCursor(1.0f), 1);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_WmaSndObj::SetPlayCursor() - m_poMediaSeeking is NULL\n"));
    EXPECT_EQ(oSound.StopSound(), 1);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_WmaSndObj::StopSound() - m_poMediaControl is NULL\n"));
    EXPECT_EQ(oSound.AdjustSound(0, 0, 0), 1);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_WmaSndObj::AdjustSound() - m_poBasicAudio is NULL \n"));
    EXPECT_EQ(oSound.Update(true), 0);
    EXPECT_EQ(oSound.ShutDown(), 0);
}

TEST_F(WmaSndObjTest, TheAudioDeviceRoutesWmaNamesToMusic)
{
    QIRN_Audio_DX8 oAudio(audio_test::TestWindow());
    ASSERT_EQ(oAudio.Init(), 0) << m_oLog.All();
    ASSERT_EQ(oAudio.LoadSound("tone.wma", true, true), 0) << m_oLog.All();
    EXPECT_EQ(oAudio.LoadSound("tone.wma", false, false), 0);
    QIRN_WmaSndObj* pMusic = oAudio.GetSoundPropsWma("tone.wma");
    ASSERT_NE(pMusic, nullptr);
    EXPECT_TRUE(pMusic->m_bLoop) << "the first load's flags stay";
    EXPECT_EQ(oAudio.GetSoundProps("tone.wma"), nullptr);

    EXPECT_EQ(oAudio.AdjustSound("tone.wma", -600, 0, 1000), 0) << m_oLog.All();
    long lVolume = 0;
    long lBalance = 0;
    pMusic->m_poBasicAudio->get_Volume(&lVolume);
    pMusic->m_poBasicAudio->get_Balance(&lBalance);
    EXPECT_EQ(lVolume, -600);
    EXPECT_EQ(lBalance, 1000);

    ASSERT_EQ(oAudio.PlaySound("tone.wma"), 0);
    DWORD dwStart = GetTickCount();
    while (GetTickCount() - dwStart < 300)
    {
        oAudio.Update(true);
        Sleep(10);
    }
    bool bPlaying = false;
    float fSeconds = 0.0f;
    ASSERT_EQ(oAudio.GetSoundStatus("tone.wma", &bPlaying, &fSeconds), 0);
    EXPECT_TRUE(bPlaying);
    EXPECT_GT(fSeconds, 0.0f);
    ASSERT_EQ(oAudio.SetPlayCursor("tone.wma", 1.5f), 0);
    ASSERT_EQ(oAudio.GetSoundStatus("tone.wma", &bPlaying, &fSeconds), 0);
    EXPECT_GE(fSeconds, 1.5f);

    oAudio.StopResetAllStreams();
    ASSERT_EQ(oAudio.GetSoundStatus("tone.wma", &bPlaying, &fSeconds), 0);
    EXPECT_FALSE(bPlaying);
    EXPECT_EQ(oAudio.StopSound("tone.wma"), 0) << "a second stop changes nothing";
    EXPECT_EQ(oAudio.RemoveSound("tone.wma"), 0);
    EXPECT_EQ(oAudio.GetSoundPropsWma("tone.wma"), nullptr);
}
} // namespace
