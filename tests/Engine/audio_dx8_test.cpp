// The DirectSound audio device: every operation's routing and refusals, and real playback on
// the null sink, whose play positions advance in real time.

#include "audio_test_support.h"
#include "qirn_audio_dx8.h"
#include "qirn_engine.h"
#include "qirn_enginefactory.h"
#include "qirn_engineparams.h"
#include "qirn_test_support.h"
#include "qirn_wavefile.h"
#include "wave_builder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

using namespace wave_builder;

namespace
{
// 22050 Hz 16-bit stereo: 88200 bytes a second.
std::string StereoSeconds(float fSeconds)
{
    return PcmWave(2, 22050, 16, static_cast<uint32_t>(fSeconds * 22050) * 4);
}

// Calls the per-frame update about every 10 ms for up to dwMilliseconds, or until bDone answers
// true; answers the milliseconds that passed.
DWORD RunFrames(QIRN_Audio_DX8& oAudio, DWORD dwMilliseconds, const std::function<bool()>& bDone = nullptr)
{
    DWORD dwStart = GetTickCount();
    while (GetTickCount() - dwStart < dwMilliseconds)
    {
        oAudio.Update(true);
        if (bDone && bDone())
        {
            break;
        }
        Sleep(10);
    }
    return GetTickCount() - dwStart;
}

bool IsPlaying(IDirectSoundBuffer* pBuffer)
{
    DWORD dwStatus = 0;
    return SUCCEEDED(pBuffer->GetStatus(&dwStatus)) && (dwStatus & DSBSTATUS_PLAYING);
}

class AudioDeviceTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_EQ(m_oAudio.Init(), 0) << "no sound device: " << m_oLog.All(); }

    QIRN_SndObj_DX8* Sound(const std::string& strName)
    {
        return static_cast<QIRN_SndObj_DX8*>(m_oAudio.GetSoundProps(strName));
    }

    qirn_test::ScopedTempDir m_oDir;
    qirn_test::LogCapture m_oLog;
    QIRN_Audio_DX8 m_oAudio{audio_test::TestWindow()};
};

TEST(AudioFactoryTest, TheEngineGetsTheDirectSoundDeviceForItsAudioKind)
{
    QIRN_EngineFactory oFactory = QIRN_DefaultEngineFactory();
    std::unique_ptr<QIRN_Audio> poAudio(oFactory.CreateAudio(QIRN_AUDIO_DX8, audio_test::TestWindow()));
    EXPECT_NE(dynamic_cast<QIRN_Audio_DX8*>(poAudio.get()), nullptr);
    EXPECT_EQ(oFactory.CreateAudio(2, audio_test::TestWindow()), nullptr);
}

TEST(AudioWithoutDeviceTest, RunsWithoutSoundAndRefusesSoundsWithItsLine)
{
    qirn_test::ScopedTempDir oDir;
    qirn_test::LogCapture oLog;
    qirn_test::WriteFile("a.wav", StereoSeconds(0.1f));
    QIRN_Audio_DX8 oAudio(audio_test::TestWindow());
    EXPECT_EQ(oAudio.LoadSound(".\\a.wav", true, false), 1);
    EXPECT_TRUE(oLog.Contains("*** QIRN_AudioDX8::LoadSound() pDS is NULL. can't load sound\n"));
    EXPECT_EQ(oAudio.PlaySound(".\\a.wav"), 1);
    bool bPlaying = true;
    float fPosition = 5.0f;
    EXPECT_EQ(oAudio.GetSoundStatus(".\\a.wav", &bPlaying, &fPosition), 1);
    EXPECT_EQ(fPosition, 5.0f) << "a failed status writes nothing";
    oAudio.Update(true);
    oAudio.StopResetAllStreams();
    EXPECT_EQ(oAudio.Shutdown(), 0);
}

// Run by a test entry of its own with the sound server out of reach, as on a machine without
// sound hardware: the engine keeps its audio object and plays on without sound.
TEST(AudioWithoutSoundDeviceTest, TheEngineRunsOnWithoutSound)
{
    if (!getenv("QIRN_EXPECT_NO_SOUND_DEVICE"))
    {
        GTEST_SKIP() << "needs a machine without a sound device";
    }
    IDirectSound8* pDS = nullptr;
    if (SUCCEEDED(DirectSoundCreate8(nullptr, &pDS, nullptr)))
    {
        pDS->Release();
        GTEST_SKIP() << "this machine has a sound device of its own";
    }
    qirn_test::ScopedTempDir oDir;
    qirn_test::LogCapture oLog;
    qirn_test::WriteFile("a.wav", StereoSeconds(0.1f));
    QIRN_Engine oEngine;
    QIRN_AudioParams oParams;
    oParams.m_iAPI = QIRN_AUDIO_DX8;
    EXPECT_EQ(oEngine.InitAudio(&oParams), 1);
    EXPECT_TRUE(oLog.Contains("*** QIRN_AudioDX8::Init():DirectSoundCreate8 failed\n"));
    ASSERT_NE(oEngine.GetAudio(), nullptr);
    EXPECT_EQ(oEngine.GetAudio()->LoadSound(".\\a.wav", true, false), 1);
    EXPECT_TRUE(oLog.Contains("*** QIRN_AudioDX8::LoadSound() pDS is NULL. can't load sound\n"));
    EXPECT_EQ(oEngine.Update(0.1f, true), OK);
    EXPECT_EQ(oEngine.ShutdownAudio(), OK);
}

TEST_F(AudioDeviceTest, EveryOperationRefusesAnEmptyName)
{
    bool bPlaying = false;
    float fPosition = 0.0f;
    const std::vector<std::pair<std::function<QIRN_ErrorCode()>, const char*>> aCases = {
        {[&] { return m_oAudio.PlaySound(""); }, "*** QIRN_Audio_DX8::PlaySound() - strSndName is EMPTY\n"},
        {[&] { return m_oAudio.SetPlayCursor("", 1.0f); },
         "*** QIRN_Audio_DX8::SetPlayCursor() - strSndName is EMPTY\n"},
        {[&] { return m_oAudio.StopSound(""); }, "*** QIRN_Audio_DX8::StopSound() - strSndName is EMPTY\n"},
        {[&] { return m_oAudio.LoadSound("", true, false); },
         "*** QIRN_AudioDX8::LoadSound() strFileName is NULL. can't load sound\n"},
        {[&] { return m_oAudio.RemoveSound(""); }, "*** QIRN_Audio_DX8::RemoveSound() strSndName is empty\n"},
        {[&] { return m_oAudio.GetSoundStatus("", &bPlaying, &fPosition); },
         "*** QIRN_Audio_DX8::GetSoundStatus() - strSndName is EMPTY\n"},
        {[&] { return m_oAudio.AdjustSound("", 0, 22050, 0); },
         "*** QIRN_Audio_DX8::AdjustSound() - strSndName is EMPTY\n"},
        {[&] { return m_oAudio.PlaySoundWMA(""); },
         "*** QIRN_Audio_DX8::PlaySoundWMA() strSndName is empty\n"},
        {[&] { return m_oAudio.AdjustSoundWMA("", 0, 0, 0); },
         "*** QIRN_AUdio_DX8::AdjustSoundWMA() - strSndName is EMPTY\n"},
        {[&] { return m_oAudio.LoadSoundWMA("", true, true); },
         "*** QIRN_AudioDX8::LoadSoundWMA() strFileName is NULL. can't load sound\n"},
    };
    for (const auto& c : aCases)
    {
        SCOPED_TRACE(c.second);
        m_oLog.Clear();
        EXPECT_EQ(c.first(), 1);
        EXPECT_TRUE(m_oLog.Contains(c.second)) << m_oLog.All();
    }
    EXPECT_EQ(m_oAudio.GetSoundProps(""), nullptr);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_Audio_DX8::GetSoundProps() - strSndName is EMPTY\n"));
    EXPECT_EQ(m_oAudio.GetSoundPropsWma(""), nullptr);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_Audio_DX8::GetSoundPropsWma() - strSndName is EMPTY\n"));
}

TEST_F(AudioDeviceTest, UnknownNamesAnswerOneWithTheirLines)
{
    bool bPlaying = false;
    float fPosition = 0.0f;
    EXPECT_EQ(m_oAudio.PlaySound("none.wav"), 1);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_AudioDX8::PlaySound() pNode is NULL. sound not found\n"));
    EXPECT_EQ(m_oAudio.StopSound("none.wav"), 1);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_AudioDX8::StopSound(): No sound none.wav not found\n"));
    EXPECT_EQ(m_oAudio.GetSoundStatus("none.wav", &bPlaying, &fPosition), 1);
    EXPECT_TRUE(
        m_oLog.Contains("*** QIRN_AudioDX8::GetSndStatus(): pNode is NULL. Sound none.wav not found\n"));
    EXPECT_EQ(m_oAudio.AdjustSound("none.wav", 0, 22050, 0), 1);
    EXPECT_TRUE(
        m_oLog.Contains("*** QIRN_AudioDX8::AdjustSound(): pNode is NULL. sound none.wav not found\n"));
    EXPECT_EQ(m_oAudio.SetPlayCursor("none.wav", 0.0f), 1);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_AudioDX8::SetPlayCursor(): pNode is NULL. Node not found\n"));
    EXPECT_EQ(m_oAudio.AdjustSound("none.wma", 0, 22050, 0), 1);
    EXPECT_TRUE(
        m_oLog.Contains("*** QIRN_AudioDX8::AdjustSoundWMA(): pNode is NULL. sound none.wma not found\n"));
    EXPECT_EQ(m_oAudio.RemoveSound("none.wav"), 1);
    EXPECT_EQ(m_oAudio.RemoveSound("none.wma"), 1);
}

TEST_F(AudioDeviceTest, LoadingKeepsTheFirstSoundOfANameAndRefusesWhatCannotBeMade)
{
    qirn_test::WriteFile("a.wav", StereoSeconds(0.2f));
    EXPECT_EQ(m_oAudio.LoadSound(".\\a.wav", true, false), 0);
    EXPECT_EQ(m_oAudio.LoadSound(".\\a.wav", false, true), 0);
    ASSERT_NE(Sound(".\\a.wav"), nullptr);
    EXPECT_TRUE(Sound(".\\a.wav")->IsStatic());
    EXPECT_FALSE(Sound(".\\a.wav")->IsLooping());

    EXPECT_EQ(m_oAudio.LoadSound(".\\missing.wav", true, false), 1);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_AudioDX8::LoadSound() pSndObj->InitSndObject() failed\n"));
    EXPECT_EQ(m_oAudio.GetSoundProps(".\\missing.wav"), nullptr);

    // A name with the extension in capitals still goes to the music objects.
    m_oLog.Clear();
    EXPECT_EQ(m_oAudio.LoadSound(".\\missing.WMA", true, true), 1);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_AudioDX8::LoadSoundWMA() pSndObj->InitSndObject() failed\n"));
    EXPECT_FALSE(m_oLog.Contains("QIRN_SndObj_DX8"));
    EXPECT_EQ(m_oAudio.GetSoundPropsWma(".\\missing.WMA"), nullptr);

    EXPECT_EQ(m_oAudio.RemoveSound(".\\a.wav"), 0);
    EXPECT_EQ(m_oAudio.GetSoundProps(".\\a.wav"), nullptr);
    EXPECT_EQ(m_oAudio.RemoveSound(".\\a.wav"), 1);
}

TEST_F(AudioDeviceTest, LoadingWithoutAReadablePrimaryFormatFails)
{
    qirn_test::WriteFile("a.wav", StereoSeconds(0.2f));
    m_oAudio.m_pPrimaryBuffer->Release();
    m_oAudio.m_pPrimaryBuffer = nullptr;
    EXPECT_EQ(m_oAudio.LoadSound(".\\a.wav", true, false), 1);
    EXPECT_TRUE(m_oLog.Contains("m_pPrimaryBuffer->GetFormat() failed. can't load sound .\\a.wav"));
    EXPECT_EQ(m_oAudio.m_oSounds.GetFirstNode(), nullptr);
}

TEST_F(AudioDeviceTest, StaticSoundReportsItsPlayPositionInRealTimeAndKeepsItWhenStopped)
{
    qirn_test::WriteFile("voice.wav", StereoSeconds(2.0f));
    ASSERT_EQ(m_oAudio.LoadSound(".\\voice.wav", true, false), 0) << m_oLog.All();
    DWORD dwStart = GetTickCount();
    ASSERT_EQ(m_oAudio.PlaySound(".\\voice.wav"), 0);
    Sleep(1000);
    bool bPlaying = false;
    float fPosition = 0.0f;
    ASSERT_EQ(m_oAudio.GetSoundStatus(".\\voice.wav", &bPlaying, &fPosition), 0);
    float fElapsed = (GetTickCount() - dwStart) / 1000.0f;
    EXPECT_TRUE(bPlaying);
    // The position follows real time: never ahead of it, and not far behind unless the
    // machine is too loaded to feed the sink.
    EXPECT_LE(fPosition, fElapsed + 0.1f);
    EXPECT_GT(fPosition, 0.4f * fElapsed);

    // Moving a playing sound keeps it playing from the new place.
    ASSERT_EQ(m_oAudio.SetPlayCursor(".\\voice.wav", 0.25f), 0);
    ASSERT_EQ(m_oAudio.GetSoundStatus(".\\voice.wav", &bPlaying, &fPosition), 0);
    EXPECT_TRUE(bPlaying);
    EXPECT_GE(fPosition, 0.24f);
    EXPECT_LT(fPosition, 0.5f);

    ASSERT_EQ(m_oAudio.StopSound(".\\voice.wav"), 0);
    float fStopped = 0.0f;
    ASSERT_EQ(m_oAudio.GetSoundStatus(".\\voice.wav", &bPlaying, &fStopped), 0);
    EXPECT_FALSE(bPlaying);
    Sleep(200);
    float fLater = 0.0f;
    ASSERT_EQ(m_oAudio.GetSoundStatus(".\\voice.wav", &bPlaying, &fLater), 0);
    EXPECT_EQ(fLater, fStopped) << "a stopped sound keeps its position";

    // 1.5 s of 88200 bytes a second.
    ASSERT_EQ(m_oAudio.SetPlayCursor(".\\voice.wav", 1.5f), 0);
    DWORD dwCursor = 0;
    ASSERT_EQ(Sound(".\\voice.wav")->GetDSBuffer()->GetCurrentPosition(&dwCursor, nullptr), DS_OK);
    EXPECT_EQ(dwCursor, 132300u);
    ASSERT_EQ(m_oAudio.GetSoundStatus(".\\voice.wav", &bPlaying, &fPosition), 0);
    EXPECT_FLOAT_EQ(fPosition, 1.5f);
    EXPECT_FALSE(bPlaying) << "moving a stopped sound does not start it";

    // Times without a byte position are refused and leave the cursor where it was.
    for (float fBad : {-1.0f, 1e30f, std::numeric_limits<float>::quiet_NaN()})
    {
        EXPECT_EQ(m_oAudio.SetPlayCursor(".\\voice.wav", fBad), 1) << fBad;
    }
    EXPECT_TRUE(m_oLog.Contains("seconds is no position in sound .\\voice.wav"));
    ASSERT_EQ(Sound(".\\voice.wav")->GetDSBuffer()->GetCurrentPosition(&dwCursor, nullptr), DS_OK);
    EXPECT_EQ(dwCursor, 132300u);
}

TEST_F(AudioDeviceTest, StaticSoundsLoopOnlyWhenAskedTo)
{
    qirn_test::WriteFile("once.wav", StereoSeconds(0.3f));
    qirn_test::WriteFile("loop.wav", StereoSeconds(0.3f));
    ASSERT_EQ(m_oAudio.LoadSound(".\\once.wav", true, false), 0) << m_oLog.All();
    ASSERT_EQ(m_oAudio.LoadSound(".\\loop.wav", true, true), 0) << m_oLog.All();
    ASSERT_EQ(m_oAudio.PlaySound(".\\once.wav"), 0);
    ASSERT_EQ(m_oAudio.PlaySound(".\\loop.wav"), 0);
    bool bPlaying = true;
    float fPosition = 0.0f;
    DWORD dwStart = GetTickCount();
    while (bPlaying && GetTickCount() - dwStart < 5000)
    {
        Sleep(20);
        ASSERT_EQ(m_oAudio.GetSoundStatus(".\\once.wav", &bPlaying, &fPosition), 0);
    }
    EXPECT_FALSE(bPlaying) << "a sound that does not loop ends";
    EXPECT_GE(GetTickCount() - dwStart, 250u) << "and not before it was played";
    Sleep(200);
    ASSERT_EQ(m_oAudio.GetSoundStatus(".\\loop.wav", &bPlaying, &fPosition), 0);
    EXPECT_TRUE(bPlaying);
    EXPECT_LT(fPosition, 0.31f);

    // Stopping everything also puts every sound back to its start.
    m_oAudio.StopResetAllStreams();
    ASSERT_EQ(m_oAudio.GetSoundStatus(".\\loop.wav", &bPlaying, &fPosition), 0);
    EXPECT_FALSE(bPlaying);
    EXPECT_EQ(fPosition, 0.0f);
}

TEST_F(AudioDeviceTest, AdjustingSetsFrequencyVolumeAndPan)
{
    qirn_test::WriteFile("a.wav", StereoSeconds(0.2f));
    ASSERT_EQ(m_oAudio.LoadSound(".\\a.wav", true, false), 0);
    ASSERT_EQ(m_oAudio.AdjustSound(".\\a.wav", -1500, 11025, 2500), 0) << m_oLog.All();
    IDirectSoundBuffer* pBuffer = Sound(".\\a.wav")->GetDSBuffer();
    LONG lVolume = 0;
    LONG lPan = 0;
    DWORD dwFrequency = 0;
    pBuffer->GetVolume(&lVolume);
    pBuffer->GetPan(&lPan);
    pBuffer->GetFrequency(&dwFrequency);
    EXPECT_EQ(lVolume, -1500);
    EXPECT_EQ(lPan, 2500);
    EXPECT_EQ(dwFrequency, 11025u);

    EXPECT_EQ(m_oAudio.AdjustSound(".\\a.wav", -20000, 22050, 0), 1);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_AudioDX8::AdjustSound(): SetVolume() failed for sound .\\a.wav\n"));
}

TEST_F(AudioDeviceTest, StreamedSoundPlaysItsWholeLengthAcrossTheRingsWrapInRealTime)
{
    // 3.5 s of 8-bit mono at 22050 Hz: longer than the 3-second ring, so the cursor wraps.
    const uint32_t dwDataSize = 22050 * 7 / 2;
    qirn_test::WriteFile("long.wav", PcmWave(1, 22050, 8, dwDataSize));
    ASSERT_EQ(m_oAudio.LoadSound(".\\long.wav", false, false), 0) << m_oLog.All();
    QIRN_SndObj_DX8* pSound = Sound(".\\long.wav");
    ASSERT_NE(pSound, nullptr);
    ASSERT_EQ(pSound->m_dwBufferSize, 8 * 8268u);

    float fLargest = 0.0f;
    bool bStoppedAtEnd = false;
    DWORD dwElapsed = RunFrames(m_oAudio, 10000,
                                [&]
                                {
                                    bool bPlaying = false;
                                    float fPosition = 0.0f;
                                    m_oAudio.GetSoundStatus(".\\long.wav", &bPlaying, &fPosition);
                                    fLargest = fPosition > fLargest ? fPosition : fLargest;
                                    if (pSound->m_dwPlayProgress >= dwDataSize)
                                    {
                                        bStoppedAtEnd = !bPlaying;
                                        return true;
                                    }
                                    return false;
                                });
    EXPECT_GE(pSound->m_dwPlayProgress, dwDataSize) << "after " << dwElapsed << " ms";
    EXPECT_GT(pSound->m_dwPlayProgress, pSound->m_dwBufferSize);
    EXPECT_TRUE(pSound->m_bFoundEnd);
    EXPECT_TRUE(bStoppedAtEnd) << "the buffer stops once its data was played";
    // 3.5 s of data, then at most one block (0.375 s) until the next signal; a loaded machine
    // may feed the sink late, but the data never plays faster than real time.
    EXPECT_GE(dwElapsed, 3300u);
    EXPECT_LE(dwElapsed, 9000u);
    // The status of a streamed sound is its place in the ring.
    EXPECT_LT(fLargest, 3.0f);
    EXPECT_GT(fLargest, 2.5f);
}

TEST_F(AudioDeviceTest, LoopingStreamKeepsPlayingAndAStopLastsUntilTheNextFrame)
{
    const uint32_t dwDataSize = 22050 / 2;
    qirn_test::WriteFile("loop.wav", PcmWave(1, 22050, 8, dwDataSize));
    ASSERT_EQ(m_oAudio.LoadSound(".\\loop.wav", false, true), 0) << m_oLog.All();
    QIRN_SndObj_DX8* pSound = Sound(".\\loop.wav");
    RunFrames(m_oAudio, 6000,
              [&] { return pSound->m_dwPlayProgress > dwDataSize + 2 * pSound->m_dwNotifySize; });
    EXPECT_FALSE(pSound->m_bFoundEnd);
    EXPECT_GT(pSound->m_dwPlayProgress, dwDataSize) << "it played past the end of its file";
    EXPECT_TRUE(IsPlaying(pSound->GetDSBuffer()));

    ASSERT_EQ(m_oAudio.StopSound(".\\loop.wav"), 0);
    EXPECT_FALSE(IsPlaying(pSound->GetDSBuffer()));
    m_oAudio.Update(true);
    EXPECT_TRUE(IsPlaying(pSound->GetDSBuffer()));
    m_oAudio.Update(false);
    EXPECT_FALSE(IsPlaying(pSound->GetDSBuffer()));
}

// A secondary buffer that reports itself lost and restores only after a number of tries.
class LostBuffer : public IDirectSoundBuffer
{
public:
    explicit LostBuffer(int iRestoresUntilBack) : m_iRestoresUntilBack(iRestoresUntilBack) {}

    STDMETHOD(QueryInterface)(REFIID, void**) override { return E_NOINTERFACE; }
    STDMETHOD_(ULONG, AddRef)() override { return 1; }
    STDMETHOD_(ULONG, Release)() override { return 1; }
    STDMETHOD(GetCaps)(LPDSBCAPS) override { return E_NOTIMPL; }
    STDMETHOD(GetCurrentPosition)(LPDWORD, LPDWORD) override { return E_NOTIMPL; }
    STDMETHOD(GetFormat)(LPWAVEFORMATEX, DWORD, LPDWORD) override { return E_NOTIMPL; }
    STDMETHOD(GetVolume)(LPLONG) override { return E_NOTIMPL; }
    STDMETHOD(GetPan)(LPLONG) override { return E_NOTIMPL; }
    STDMETHOD(GetFrequency)(LPDWORD) override { return E_NOTIMPL; }
    STDMETHOD(GetStatus)(LPDWORD pdwStatus) override
    {
        *pdwStatus = DSBSTATUS_BUFFERLOST;
        return DS_OK;
    }
    STDMETHOD(Initialize)(LPDIRECTSOUND, LPCDSBUFFERDESC) override { return E_NOTIMPL; }
    STDMETHOD(Lock)(DWORD, DWORD, LPVOID*, LPDWORD, LPVOID*, LPDWORD, DWORD) override { return E_NOTIMPL; }
    STDMETHOD(Play)(DWORD, DWORD, DWORD dwFlags) override
    {
        m_iPlays++;
        m_dwPlayFlags = dwFlags;
        return DS_OK;
    }
    STDMETHOD(SetCurrentPosition)(DWORD) override { return E_NOTIMPL; }
    STDMETHOD(SetFormat)(LPCWAVEFORMATEX) override { return E_NOTIMPL; }
    STDMETHOD(SetVolume)(LONG) override { return E_NOTIMPL; }
    STDMETHOD(SetPan)(LONG) override { return E_NOTIMPL; }
    STDMETHOD(SetFrequency)(DWORD) override { return E_NOTIMPL; }
    STDMETHOD(Stop)() override { return DS_OK; }
    STDMETHOD(Unlock)(LPVOID, DWORD, LPVOID, DWORD) override { return E_NOTIMPL; }
    STDMETHOD(Restore)() override { return ++m_iRestores >= m_iRestoresUntilBack ? DS_OK : DSERR_BUFFERLOST; }

    int m_iRestoresUntilBack;
    int m_iRestores = 0;
    int m_iPlays = 0;
    DWORD m_dwPlayFlags = 0xFFFFFFFF;
};

TEST_F(AudioDeviceTest, ALostBufferIsRestoredInBoundedRounds)
{
    LostBuffer oBack(3);
    LostBuffer oGone(1000000);
    for (LostBuffer* pBuffer : {&oBack, &oGone})
    {
        std::string strName = pBuffer == &oBack ? "back.wav" : "gone.wav";
        QIRN_SndObj_DX8* pSound = new QIRN_SndObj_DX8(strName, true, false);
        pSound->m_pDSBuffer = pBuffer;
        ASSERT_NE(m_oAudio.m_oSounds.InsertNode(strName, pSound), nullptr);
    }
    EXPECT_EQ(m_oAudio.PlaySound("back.wav"), 0);
    // Each round restores, waits when still lost, and restores again.
    EXPECT_EQ(oBack.m_iRestores, 4);
    EXPECT_EQ(oBack.m_iPlays, 1);
    EXPECT_EQ(oBack.m_dwPlayFlags, 0u) << "a static sound that does not loop plays once";

    m_oLog.Clear();
    DWORD dwStart = GetTickCount();
    EXPECT_EQ(m_oAudio.PlaySound("gone.wav"), 1);
    EXPECT_LE(GetTickCount() - dwStart, 2000u);
    EXPECT_EQ(oGone.m_iRestores, 2 * QIRN_MAX_RESTORE_ROUNDS);
    EXPECT_EQ(oGone.m_iPlays, 0);
    EXPECT_EQ(m_oLog.Count("Restore() failed. retrying in 10 milliseconds"), size_t(QIRN_MAX_RESTORE_ROUNDS));
    EXPECT_TRUE(m_oLog.Contains("Restore() failed 10 times. sound gone.wav not played"));

    // The buffers live on this test's stack: the sounds let go of them before the fixture's
    // device deletes the sounds, which would release them after they are gone.
    Sound("back.wav")->m_pDSBuffer = nullptr;
    Sound("gone.wav")->m_pDSBuffer = nullptr;
}
} // namespace
