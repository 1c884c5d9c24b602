// The wave file reader and writer on RIFF files the tests write themselves.

#include "qirn_wavefile.h"
#include "qirn_test_support.h"
#include "wave_builder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace wave_builder;

namespace
{
class WaveFileTest : public ::testing::Test
{
protected:
    qirn_test::ScopedTempDir m_oDir;
    qirn_test::LogCapture m_oLog;
};

struct PcmCase
{
    uint16_t wChannels;
    uint32_t dwRate;
    uint16_t wBits;
};

TEST_F(WaveFileTest, ReadsPcmFormatsAndTheirSamples)
{
    const PcmCase aCases[] = {{1, 22050, 8}, {2, 22050, 8}, {1, 44100, 16}, {2, 22050, 16}};
    for (const PcmCase& c : aCases)
    {
        SCOPED_TRACE(testing::Message() << c.wChannels << " channels, " << c.wBits << " bits");
        qirn_test::WriteFile("pcm.wav", PcmWave(c.wChannels, c.dwRate, c.wBits, 1000));
        QIRN_WaveFile oFile;
        ASSERT_EQ(oFile.Open("pcm.wav", nullptr, QIRN_WAVEFILE_READ), 0);
        ASSERT_NE(oFile.m_pwfx, nullptr);
        EXPECT_EQ(oFile.m_pwfx->wFormatTag, WAVE_FORMAT_PCM);
        EXPECT_EQ(oFile.m_pwfx->nChannels, c.wChannels);
        EXPECT_EQ(oFile.m_pwfx->nSamplesPerSec, c.dwRate);
        EXPECT_EQ(oFile.m_pwfx->wBitsPerSample, c.wBits);
        EXPECT_EQ(oFile.m_pwfx->nBlockAlign, c.wChannels * c.wBits / 8);
        EXPECT_EQ(oFile.m_pwfx->cbSize, 0);
        EXPECT_EQ(oFile.m_ck.cksize, 1000u);
        // The file length less 8: "WAVE", two chunk heads and both bodies.
        EXPECT_EQ(oFile.m_ckRiff.cksize, 4u + 8u + 16u + 8u + 1000u);

        std::vector<uint8_t> aData(1000);
        uint32_t dwRead = 0;
        ASSERT_EQ(oFile.Read(aData.data(), 1000, &dwRead), 0);
        ASSERT_EQ(dwRead, 1000u);
        EXPECT_EQ(aData[0], 0);
        EXPECT_EQ(aData[255], 255);
        EXPECT_EQ(aData[999], 999 & 0xFF);
    }
}

TEST_F(WaveFileTest, ReadsStopAtTheEndOfTheDataAndResetStartsOver)
{
    // A chunk after the data must not be read as samples.
    std::string strData(700, '\x11');
    strData += std::string(300, '\x22');
    qirn_test::WriteFile(
        "tail.wav",
        Riff({{"fmt ", FormatBody(1, 1, 8000, 8)}, {"data", strData}, {"LIST", std::string(40, '\x77')}}));
    QIRN_WaveFile oFile;
    ASSERT_EQ(oFile.Open("tail.wav", nullptr, QIRN_WAVEFILE_READ), 0);
    std::vector<uint8_t> aData(1000, 0);
    uint32_t dwRead = 0;
    ASSERT_EQ(oFile.Read(aData.data(), 700, &dwRead), 0);
    EXPECT_EQ(dwRead, 700u);

    ASSERT_EQ(oFile.Read(aData.data(), 1000, &dwRead), 0);
    EXPECT_EQ(dwRead, 300u);
    EXPECT_EQ(aData[0], 0x22);
    EXPECT_EQ(aData[299], 0x22);
    EXPECT_EQ(aData[300], 0x11) << "bytes past the count are left alone";

    dwRead = 99;
    ASSERT_EQ(oFile.Read(aData.data(), 1000, &dwRead), 0);
    EXPECT_EQ(dwRead, 0u);

    ASSERT_EQ(oFile.ResetFile(), 0);
    EXPECT_EQ(oFile.m_ck.cksize, 1000u);
    ASSERT_EQ(oFile.Read(aData.data(), 1000, &dwRead), 0);
    EXPECT_EQ(dwRead, 1000u);
    EXPECT_EQ(aData[0], 0x11);
}

TEST_F(WaveFileTest, ReadsLargeDataThroughTheBufferedReader)
{
    // Far more than mmio's own buffer, so the reader must advance it many times.
    qirn_test::WriteFile("big.wav", PcmWave(2, 22050, 16, 100000));
    QIRN_WaveFile oFile;
    ASSERT_EQ(oFile.Open("big.wav", nullptr, QIRN_WAVEFILE_READ), 0);
    std::vector<uint8_t> aData(100000);
    uint32_t dwRead = 0;
    ASSERT_EQ(oFile.Read(aData.data(), 33333, &dwRead), 0);
    ASSERT_EQ(oFile.Read(aData.data() + 33333, 100000, &dwRead), 0);
    ASSERT_EQ(dwRead, 100000u - 33333u);
    for (uint32_t i = 0; i < aData.size(); ++i)
    {
        ASSERT_EQ(aData[i], i & 0xFF) << "at byte " << i;
    }
}

TEST_F(WaveFileTest, FindsChunksInAnyOrder)
{
    const std::string strFmt = FormatBody(1, 2, 22050, 16);
    const std::string strData(40, '\x05');
    const std::vector<std::vector<Chunk>> aLayouts = {
        {{"fmt ", strFmt}, {"LIST", std::string(13, 'x')}, {"data", strData}},
        {{"data", strData}, {"fmt ", strFmt}},
        {{"fact", std::string(4, '\0')}, {"data", strData}, {"LIST", "ab"}, {"fmt ", strFmt}},
    };
    for (size_t i = 0; i < aLayouts.size(); ++i)
    {
        SCOPED_TRACE(testing::Message() << "layout " << i);
        qirn_test::WriteFile("odd.wav", Riff(aLayouts[i]));
        QIRN_WaveFile oFile;
        ASSERT_EQ(oFile.Open("odd.wav", nullptr, QIRN_WAVEFILE_READ), 0);
        EXPECT_EQ(oFile.m_pwfx->nChannels, 2);
        EXPECT_EQ(oFile.m_ck.cksize, 40u);
        uint8_t aData[40] = {};
        uint32_t dwRead = 0;
        ASSERT_EQ(oFile.Read(aData, 40, &dwRead), 0);
        EXPECT_EQ(aData[39], 5);
    }
}

TEST_F(WaveFileTest, FormatChunkSizesAndExtraBytes)
{
    // An 18-byte PCM chunk: its last two bytes are ignored.
    qirn_test::WriteFile("pcm18.wav",
                         Riff({{"fmt ", FormatBody(1, 1, 22050, 16) + "\x07\x00"}, {"data", "abcd"}}));
    QIRN_WaveFile oPcm;
    ASSERT_EQ(oPcm.Open("pcm18.wav", nullptr, QIRN_WAVEFILE_READ), 0);
    EXPECT_EQ(oPcm.m_pwfx->cbSize, 0);

    // A non-PCM format with two extra bytes keeps them after its 18-byte head.
    qirn_test::WriteFile("adpcm.wav", Riff({{"fmt ", FormatBody(2, 1, 22050, 4, 256, 11100) +
                                                         std::string("\x02\x00\xAB\xCD", 4)},
                                            {"data", "abcd"}}));
    QIRN_WaveFile oExtra;
    ASSERT_EQ(oExtra.Open("adpcm.wav", nullptr, QIRN_WAVEFILE_READ), 0);
    ASSERT_EQ(oExtra.m_pwfx->cbSize, 2);
    const uint8_t* pExtra = reinterpret_cast<const uint8_t*>(oExtra.m_pwfx) + sizeof(WAVEFORMATEX);
    EXPECT_EQ(pExtra[0], 0xAB);
    EXPECT_EQ(pExtra[1], 0xCD);

    // A 16-byte chunk of another tag has no extra-size field: the data chunk head after it is
    // not taken for one.
    qirn_test::WriteFile("float16.wav", Riff({{"fmt ", FormatBody(3, 1, 22050, 32)}, {"data", "abcd"}}));
    QIRN_WaveFile oShort;
    ASSERT_EQ(oShort.Open("float16.wav", nullptr, QIRN_WAVEFILE_READ), 0);
    EXPECT_EQ(oShort.m_pwfx->wFormatTag, 3);
    EXPECT_EQ(oShort.m_pwfx->cbSize, 0);
    EXPECT_EQ(oShort.m_ck.cksize, 4u);
}

// "RIFF", "WAVE", a PCM format chunk that claims dwFormatSize bytes, and a data chunk that claims
// dwDataSize and holds 16 bytes when dwDataSize is 16 or more, else dwDataSize: the sizes a damaged
// or cut-off file carries. The RIFF size is the file's own.
std::string SizedFile(uint32_t dwFormatSize, uint32_t dwDataSize)
{
    const std::string strSamples(dwDataSize < 16 ? dwDataSize : 16, '\x5A');
    std::string strBody = "WAVEfmt ";
    PutU32(strBody, dwFormatSize);
    strBody += FormatBody(1, 1, 22050, 16) + "data";
    PutU32(strBody, dwDataSize);
    strBody += strSamples;
    std::string strFile = "RIFF";
    PutU32(strFile, static_cast<uint32_t>(strBody.size()));
    return strFile + strBody;
}

// The file with the 32-bit value at the offset replaced.
std::string WithU32(std::string strFile, size_t nAt, uint32_t dwValue)
{
    std::string strValue;
    PutU32(strValue, dwValue);
    return strFile.replace(nAt, 4, strValue);
}

struct BadCase
{
    const char* szWhat;
    std::string strFile;
    const char* szLine;
};

TEST_F(WaveFileTest, RefusesBrokenFilesWithTheirLine)
{
    const std::string strData(64, '\0');
    const std::string strGood = PcmWave(1, 22050, 16, 64);
    const std::vector<BadCase> aCases = {
        {"not RIFF", "RIFX" + strGood.substr(4), "m_ckReiff.dkid != FOURCC_RIFF"},
        {"other form type", Riff({{"fmt ", FormatBody(1, 1, 22050, 16)}, {"data", strData}}, "AVI "),
         "m_ckRiff.fccType != mmioFOURC('wave')"},
        {"no format", Riff({{"data", strData}}), "ReadMMIO() FAILED: mmioDescend() returned ZERO"},
        {"14-byte format", Riff({{"fmt ", FormatBody(1, 1, 22050, 16).substr(0, 14)}, {"data", strData}}),
         "ckIn.cksize < szieof(PCWAVEFORMAT)"},
        {"no data", Riff({{"fmt ", FormatBody(1, 1, 22050, 16)}}),
         "ReadFile() FAILED: mmioDescend() != ZERO"},
        {"0 channels", Riff({{"fmt ", FormatBody(1, 0, 22050, 16, 2, 44100)}, {"data", strData}}),
         "0 channels, block alignment or bytes per second"},
        {"0 block alignment", Riff({{"fmt ", FormatBody(1, 1, 22050, 16, 0, 44100)}, {"data", strData}}),
         "0 channels, block alignment or bytes per second"},
        {"0 bytes per second", Riff({{"fmt ", FormatBody(1, 1, 22050, 16, 2, 0)}, {"data", strData}}),
         "0 channels, block alignment or bytes per second"},
        {"extra bytes past the chunk",
         Riff({{"fmt ", FormatBody(2, 1, 22050, 4, 256, 11100) + std::string("\x20\x00", 2)},
               {"data", strData}}),
         "mmioRead() != cbExtraBytes"},
        {"cut inside the format", strGood.substr(0, 30), "mmioRead() != sizeof(pcmWaveFormat)"},
        {"empty file", "", "ReadMMIO() FAILED: mmioDescend() returned ZERO"},
        {"rate 0", Riff({{"fmt ", FormatBody(1, 1, 0, 16, 2, 44100)}, {"data", strData}}),
         "ReadMMIO() FAILED: the format's sample rate is 0"},
        {"a chunk before the data skipping past the file",
         WithU32(Riff({{"fmt ", FormatBody(1, 1, 22050, 16)}, {"LIST", "abcd"}, {"data", strData}}), 40,
                 0x7FFFFFFFu),
         "the data chunk lies past the end of its RIFF chunk"},
        {"2 GB format chunk in 48 bytes", SizedFile(0x80000000u, 4), "the format chunk of 2147483648 bytes runs "
                                                                    "past its RIFF chunk"},
    };
    for (const BadCase& c : aCases)
    {
        SCOPED_TRACE(c.szWhat);
        m_oLog.Clear();
        qirn_test::WriteFile("bad.wav", c.strFile);
        QIRN_WaveFile oFile;
        EXPECT_EQ(oFile.Open("bad.wav", nullptr, QIRN_WAVEFILE_READ), 1);
        EXPECT_TRUE(m_oLog.Contains(c.szLine)) << m_oLog.All();
        EXPECT_EQ(oFile.m_hmmio, nullptr) << "a refused header closes the file";
    }
}

TEST_F(WaveFileTest, RefusesMissingNamesAndCalls)
{
    QIRN_WaveFile oFile;
    EXPECT_EQ(oFile.Open("", nullptr, QIRN_WAVEFILE_READ), 1);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_WaveFile::Open() FAILED: strFilename is NULL\n"));
    EXPECT_EQ(oFile.Open("missing.wav", nullptr, QIRN_WAVEFILE_READ), 1);
    EXPECT_TRUE(m_oLog.Contains("Can't read wave file. m_hmmio is NULL"));

    uint8_t aData[4];
    uint32_t dwRead = 7;
    EXPECT_EQ(oFile.Read(aData, 4, &dwRead), 1);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_WaveFile::Read() FAILED: m_hmmio is NULL\n"));
    EXPECT_EQ(oFile.ResetFile(), 1);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_WaveFile::ReadFile() FAILED: m_hmmio == NULL\n"));

    qirn_test::WriteFile("ok.wav", PcmWave(1, 8000, 8, 10));
    ASSERT_EQ(oFile.Open("ok.wav", nullptr, QIRN_WAVEFILE_READ), 0);
    EXPECT_EQ(oFile.Read(nullptr, 4, &dwRead), 1);
    EXPECT_TRUE(m_oLog.Contains("pBuffer == NULL"));
    EXPECT_EQ(oFile.Read(aData, 4, nullptr), 1);
    EXPECT_TRUE(m_oLog.Contains("pdwSizeRead == NULL"));
    EXPECT_EQ(oFile.Close(), 0);
    EXPECT_EQ(oFile.m_hmmio, nullptr);

    // Writing needs a format to put in the header.
    QIRN_WaveFile oOut;
    EXPECT_EQ(oOut.Open("out.wav", nullptr, QIRN_WAVEFILE_WRITE), 1);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_WaveFile::Open() FAILED: WriteMMIO() FAILED\n"));
    EXPECT_EQ(oOut.m_hmmio, nullptr);
}

TEST_F(WaveFileTest, WriteModeLeavesAHeaderWithAZeroFactAndAnEmptyDataChunk)
{
    WAVEFORMATEX wfx = {};
    wfx.wFormatTag = WAVE_FORMAT_PCM;
    wfx.nChannels = 2;
    wfx.nSamplesPerSec = 22050;
    wfx.wBitsPerSample = 16;
    wfx.nBlockAlign = 4;
    wfx.nAvgBytesPerSec = 88200;
    {
        QIRN_WaveFile oOut;
        ASSERT_EQ(oOut.Open("out.wav", &wfx, QIRN_WAVEFILE_WRITE), 0);
        EXPECT_EQ(oOut.Close(), 0);
    }
    std::string strExpected = "RIFF";
    PutU32(strExpected, 4 + 8 + 16 + 8 + 4 + 8);
    strExpected += "WAVEfmt ";
    PutU32(strExpected, 16);
    strExpected += FormatBody(1, 2, 22050, 16);
    strExpected += "fact";
    PutU32(strExpected, 4);
    PutU32(strExpected, 0);
    strExpected += "data";
    PutU32(strExpected, 0);
    EXPECT_EQ(qirn_test::ReadFile("out.wav"), strExpected);

    QIRN_WaveFile oIn;
    ASSERT_EQ(oIn.Open("out.wav", nullptr, QIRN_WAVEFILE_READ), 0);
    EXPECT_EQ(oIn.m_pwfx->nAvgBytesPerSec, 88200u);
    EXPECT_EQ(oIn.m_ck.cksize, 0u);
}
} // namespace

struct CutCase
{
    const char* szWhat;
    std::string strFile;
    uint32_t dwHeld;
    const char* szLine;
};

// A chunk that claims more than the file holds is cut to what it holds, with a line: a 60-byte
// file does not ask for a buffer of 4 GB or 256 MB, and a recording cut short plays what it has.
TEST_F(WaveFileTest, ChunksClaimingMoreThanTheFileAreCutToIt)
{
    std::string strRiffTooLong = PcmWave(1, 22050, 16, 100);
    strRiffTooLong[4] = '\x00';
    strRiffTooLong[5] = '\x00';
    strRiffTooLong[6] = '\x00';
    strRiffTooLong[7] = '\x40';
    const std::vector<CutCase> aCases = {
        {"4 GB of data in 60 bytes", SizedFile(16, 0xFFFFFFFFu), 16,
         "*** QIRN_WaveFile::Open() - the data chunk claims 4294967295 bytes, the file holds 16: only those are "
         "read\n"},
        {"256 MB of data in 60 bytes", SizedFile(16, 0x10000000u), 16,
         "*** QIRN_WaveFile::Open() - the data chunk claims 268435456 bytes, the file holds 16: only those are "
         "read\n"},
        {"data cut short", PcmWave(1, 22050, 16, 1000).substr(0, 44 + 600), 600,
         "*** QIRN_WaveFile::ReadMMIO() - the RIFF chunk claims 1036 bytes, the file holds 636: cut to the "
         "file\n"},
        {"RIFF of 1 GB", strRiffTooLong, 100,
         "*** QIRN_WaveFile::ReadMMIO() - the RIFF chunk claims 1073741824 bytes, the file holds 136: cut to the "
         "file\n"},
    };
    for (const CutCase& c : aCases)
    {
        SCOPED_TRACE(c.szWhat);
        m_oLog.Clear();
        qirn_test::WriteFile("cut.wav", c.strFile);
        QIRN_WaveFile oFile;
        ASSERT_EQ(oFile.Open("cut.wav", nullptr, QIRN_WAVEFILE_READ), 0) << m_oLog.All();
        EXPECT_TRUE(m_oLog.Contains(c.szLine)) << m_oLog.All();
        EXPECT_EQ(oFile.m_ck.cksize, c.dwHeld);
        EXPECT_LE(oFile.m_ckRiff.dwDataOffset + oFile.m_ckRiff.cksize, c.strFile.size());
        std::vector<uint8_t> aData(2000);
        uint32_t dwRead = 0;
        ASSERT_EQ(oFile.Read(aData.data(), 2000, &dwRead), 0) << m_oLog.All();
        EXPECT_EQ(dwRead, c.dwHeld);
        // A rewind for the next loop holds the data to the file again.
        ASSERT_EQ(oFile.ResetFile(), 0);
        EXPECT_EQ(oFile.m_ck.cksize, c.dwHeld);
    }
    // A whole file says nothing of cutting.
    m_oLog.Clear();
    qirn_test::WriteFile("whole.wav", SizedFile(16, 16));
    QIRN_WaveFile oWhole;
    ASSERT_EQ(oWhole.Open("whole.wav", nullptr, QIRN_WAVEFILE_READ), 0);
    EXPECT_EQ(oWhole.m_ck.cksize, 16u);
    EXPECT_TRUE(m_oLog.Messages().empty()) << m_oLog.All();
}
