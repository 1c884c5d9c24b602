// Sound objects on real DirectSound buffers of the null sink: buffer geometry, first fills,
// padding, looping and refills while playing.

#include "audio_test_support.h"
#include "qirn_sndobj_dx8.h"
#include "qirn_test_support.h"
#include "qirn_wavefile.h"
#include "wave_builder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace wave_builder;

namespace
{
struct GeometryCase
{
    uint32_t dwRate;
    uint16_t wChannels;
    uint16_t wBits;
    uint64_t qwBlock;
};

TEST(SndObjGeometryTest, StreamBlocksAreThreeEighthsOfASecondInWholeFrames)
{
    const GeometryCase aCases[] = {
        {22050, 2, 16, 33072}, // 33075 lowered to a multiple of 4
        {44100, 2, 16, 66148}, // 66150 lowered to a multiple of 4
        {22050, 1, 8, 8268},   // 8268.75 truncated
        {11025, 1, 16, 8268},  // 8268.75 truncated, already even
        {48000, 2, 24, 108000}, {8000, 1, 8, 3000},
        // Past 32 bits: the rate times the frame once wrapped round to a small block.
        {4000000000u, 2, 16, 6000000000ull}, {0xFFFFFFFFu, 8, 32, 51539607520ull},
    };
    for (const GeometryCase& c : aCases)
    {
        SCOPED_TRACE(testing::Message() << c.dwRate << " Hz, " << c.wChannels << "x" << c.wBits);
        WAVEFORMATEX wfx = {};
        wfx.nSamplesPerSec = c.dwRate;
        wfx.nChannels = c.wChannels;
        wfx.wBitsPerSample = c.wBits;
        wfx.nBlockAlign = static_cast<WORD>(c.wChannels * c.wBits / 8);
        uint64_t qwBlock = QIRN_SndObj_DX8::StreamBlockSize(wfx);
        EXPECT_EQ(qwBlock, c.qwBlock);
        EXPECT_EQ(qwBlock % wfx.nBlockAlign, 0u);
    }
}

TEST(SndObjGeometryTest, CursorAdvanceCountsAcrossTheRingsWrap)
{
    EXPECT_EQ(QIRN_SndObj_DX8::CursorAdvance(260000, 5000, 264576), 9576u);
    EXPECT_EQ(QIRN_SndObj_DX8::CursorAdvance(1000, 5000, 264576), 4000u);
    EXPECT_EQ(QIRN_SndObj_DX8::CursorAdvance(5000, 5000, 264576), 0u);
}

class SndObjTest : public ::testing::Test
{
protected:
    void SetUp() override { REQUIRE_SOUND_DEVICE(m_oDevice); }

    // A sound of the given name initialised on the device; the file must exist.
    QIRN_ErrorCode Load(QIRN_SndObj_DX8& oSound)
    {
        WAVEFORMATEX wfx = audio_test::PrimaryFormat();
        return oSound.Init(m_oDevice.m_pDS, &wfx);
    }

    qirn_test::ScopedTempDir m_oDir;
    qirn_test::LogCapture m_oLog;
    audio_test::SoundDevice m_oDevice;
};

TEST_F(SndObjTest, StaticSoundHoldsItsWholeDataInABufferOfItsSize)
{
    qirn_test::WriteFile("static.wav", PcmWave(2, 22050, 16, 100000));
    QIRN_SndObj_DX8 oSound(".\\static.wav", true, false);
    ASSERT_EQ(Load(oSound), 0) << m_oLog.All();
    ASSERT_NE(oSound.GetDSBuffer(), nullptr);
    EXPECT_EQ(audio_test::BufferSize(oSound.GetDSBuffer()), 100000u);
    EXPECT_EQ(oSound.m_dwBufferSize, 100000u);
    EXPECT_EQ(oSound.m_dwNotifySize, 100000u);
    EXPECT_EQ(oSound.m_hNotifyEvent, nullptr);
    EXPECT_FALSE(oSound.m_bFoundEnd);

    std::vector<uint8_t> aBytes = audio_test::BufferBytes(oSound.GetDSBuffer(), 0, 100000);
    ASSERT_EQ(aBytes.size(), 100000u);
    for (uint32_t i = 0; i < aBytes.size(); i += 997)
    {
        ASSERT_EQ(aBytes[i], i & 0xFF) << "at byte " << i;
    }
}

TEST_F(SndObjTest, StreamedSoundGetsARingOfEightBlocksFilledTwoAhead)
{
    qirn_test::WriteFile("stream.wav", PcmWave(2, 22050, 16, 200000));
    QIRN_SndObj_DX8 oSound(".\\stream.wav", false, false);
    ASSERT_EQ(Load(oSound), 0) << m_oLog.All();
    EXPECT_EQ(oSound.m_dwNotifySize, 33072u);
    EXPECT_EQ(oSound.m_dwBufferSize, 264576u);
    EXPECT_EQ(audio_test::BufferSize(oSound.GetDSBuffer()), 264576u);
    EXPECT_NE(oSound.m_hNotifyEvent, nullptr);
    EXPECT_EQ(oSound.m_dwNextWriteOffset, 2 * 33072u);
    std::vector<uint8_t> aBytes = audio_test::BufferBytes(oSound.GetDSBuffer(), 0, 2 * 33072);
    ASSERT_EQ(aBytes.size(), 2 * 33072u);
    EXPECT_EQ(aBytes[2 * 33072 - 1], (2 * 33072 - 1) & 0xFF);
    EXPECT_EQ(oSound.m_poWaveFile->m_ck.cksize, 200000u - 2 * 33072u);
}

struct PaddingCase
{
    uint16_t wBits;
    uint8_t bySilence;
};

TEST_F(SndObjTest, ShortStreamsPadWithTheSilenceOfTheirSampleSize)
{
    for (const PaddingCase& c : {PaddingCase{8, 128}, PaddingCase{16, 0}})
    {
        SCOPED_TRACE(testing::Message() << c.wBits << " bits");
        // 1000 bytes of 0x55, far less than one block.
        qirn_test::WriteFile("short.wav", Riff({{"fmt ", FormatBody(1, 1, 22050, c.wBits)},
                                                {"data", std::string(1000, '\x55')}}));
        QIRN_SndObj_DX8 oSound(".\\short.wav", false, false);
        ASSERT_EQ(Load(oSound), 0) << m_oLog.All();
        EXPECT_TRUE(oSound.m_bFoundEnd);
        uint32_t dwBlock = oSound.m_dwNotifySize;
        std::vector<uint8_t> aBytes = audio_test::BufferBytes(oSound.GetDSBuffer(), 0, 2 * dwBlock);
        ASSERT_EQ(aBytes.size(), 2 * dwBlock);
        EXPECT_EQ(aBytes[0], 0x55);
        EXPECT_EQ(aBytes[999], 0x55);
        for (uint32_t i = 1000; i < aBytes.size(); ++i)
        {
            ASSERT_EQ(aBytes[i], c.bySilence) << "at byte " << i;
        }
    }
}

TEST_F(SndObjTest, LoopingStreamShorterThanABlockRepeatsInsideEachFill)
{
    // 8-bit mono: 300 bytes counting 0..255, 0..43.
    qirn_test::WriteFile("loop.wav", PcmWave(1, 22050, 8, 300));
    QIRN_SndObj_DX8 oSound(".\\loop.wav", false, true);
    ASSERT_EQ(Load(oSound), 0) << m_oLog.All();
    EXPECT_FALSE(oSound.m_bFoundEnd);
    uint32_t dwBlock = oSound.m_dwNotifySize;
    std::vector<uint8_t> aBytes = audio_test::BufferBytes(oSound.GetDSBuffer(), 0, 2 * dwBlock);
    ASSERT_EQ(aBytes.size(), 2 * dwBlock);
    for (uint32_t i = 0; i < aBytes.size(); ++i)
    {
        ASSERT_EQ(aBytes[i], (i % 300) & 0xFF) << "at byte " << i;
    }
}

TEST_F(SndObjTest, LoopingStreamWithoutDataFillsSilenceInsteadOfRewindingForEver)
{
    qirn_test::WriteFile("empty.wav", Riff({{"fmt ", FormatBody(1, 1, 22050, 8)}, {"data", ""}}));
    QIRN_SndObj_DX8 oSound(".\\empty.wav", false, true);
    ASSERT_EQ(Load(oSound), 0) << m_oLog.All();
    EXPECT_TRUE(oSound.m_bFoundEnd);
    EXPECT_TRUE(m_oLog.Contains("has no sample data to loop"));
    std::vector<uint8_t> aBytes = audio_test::BufferBytes(oSound.GetDSBuffer(), 0, oSound.m_dwNotifySize);
    ASSERT_FALSE(aBytes.empty());
    EXPECT_EQ(aBytes.front(), 128);
    EXPECT_EQ(aBytes.back(), 128);
}

TEST_F(SndObjTest, RefusesAMissingDeviceFileOrHeader)
{
    QIRN_SndObj_DX8 oNoDevice(".\\any.wav", true, false);
    WAVEFORMATEX wfx = audio_test::PrimaryFormat();
    EXPECT_EQ(oNoDevice.Init(nullptr, &wfx), 1);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_SndObj_DX8::Init() pDS is NULL\n"));

    QIRN_SndObj_DX8 oMissing(".\\missing.wav", true, false);
    EXPECT_EQ(Load(oMissing), FILEERROR);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_SndObj_DX8::Init(): Unable to find wave file\n"));

    qirn_test::WriteFile("broken.wav", "RIFF\x04\0\0\0WAVE");
    QIRN_SndObj_DX8 oBroken(".\\broken.wav", false, false);
    EXPECT_EQ(Load(oBroken), 1);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_SndObj_DX8::Init(): pWaveSoundRead->Open() failed\n"));
    EXPECT_EQ(oBroken.GetDSBuffer(), nullptr);

    // A rate whose blocks pass what a sound buffer holds gives no buffer, instead of a wrapped size.
    qirn_test::WriteFile("fast.wav", PcmWave(2, 400000000u, 16, 1000));
    QIRN_SndObj_DX8 oFast(".\\fast.wav", false, false);
    EXPECT_EQ(Load(oFast), 1);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_SndObj_DX8::Init(): a stream block of 600000000 bytes gives no sound "
                                "buffer\n"))
        << m_oLog.All();
    EXPECT_EQ(oFast.GetDSBuffer(), nullptr);
}

TEST_F(SndObjTest, PlayingStreamRefillsBlockAfterBlockInRealTime)
{
    // 22050 Hz 8-bit mono: 22050 bytes a second, blocks of 8268 bytes.
    qirn_test::WriteFile("refill.wav", PcmWave(1, 22050, 8, 22050 * 4));
    QIRN_SndObj_DX8 oSound(".\\refill.wav", false, false);
    ASSERT_EQ(Load(oSound), 0) << m_oLog.All();
    const uint32_t dwBlock = oSound.m_dwNotifySize;
    ASSERT_EQ(oSound.GetDSBuffer()->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    DWORD dwStart = GetTickCount();
    uint32_t dwRefills = 0;
    uint32_t dwLastOffset = oSound.m_dwNextWriteOffset;
    // Three block ends take 1.125 s of playing; a loaded machine may play slower, never faster.
    while (dwRefills < 3 && GetTickCount() - dwStart < 8000)
    {
        ASSERT_EQ(oSound.HandleNotifications(), 0) << m_oLog.All();
        if (oSound.m_dwNextWriteOffset != dwLastOffset)
        {
            EXPECT_EQ(oSound.m_dwNextWriteOffset, (dwLastOffset + dwBlock) % oSound.m_dwBufferSize);
            dwLastOffset = oSound.m_dwNextWriteOffset;
            ++dwRefills;
        }
        Sleep(10);
    }
    DWORD dwElapsed = GetTickCount() - dwStart;
    oSound.GetDSBuffer()->Stop();
    EXPECT_EQ(dwRefills, 3u) << "after " << dwElapsed << " ms";
    EXPECT_GE(dwElapsed, 1000u) << "blocks end no faster than they play";
    // The progress is read at each refill: past the first two blocks at the third signal (the
    // mixer signals a little ahead of the play cursor), and no more than the time allows.
    EXPECT_GE(oSound.m_dwPlayProgress, 2 * dwBlock);
    EXPECT_LE(oSound.m_dwPlayProgress, 22050u * (dwElapsed + 100) / 1000);
}
} // namespace
