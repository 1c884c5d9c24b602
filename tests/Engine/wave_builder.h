#pragma once
// Builds RIFF WAVE files byte by byte, so tests can write well-formed, truncated and odd files.

#include <cstdint>
#include <string>
#include <vector>

namespace wave_builder
{
struct Chunk
{
    std::string strId;
    std::string strBody;
};

inline void PutU16(std::string& str, uint16_t w)
{
    str += static_cast<char>(w & 0xFF);
    str += static_cast<char>(w >> 8);
}

inline void PutU32(std::string& str, uint32_t dw)
{
    PutU16(str, static_cast<uint16_t>(dw & 0xFFFF));
    PutU16(str, static_cast<uint16_t>(dw >> 16));
}

// The 16 bytes every format chunk starts with; block alignment and bytes per second follow
// from the rest unless given.
inline std::string FormatBody(uint16_t wTag, uint16_t wChannels, uint32_t dwRate, uint16_t wBits,
                              int32_t iBlockAlign = -1, int32_t iAvgBytes = -1)
{
    uint16_t wAlign =
        iBlockAlign >= 0 ? static_cast<uint16_t>(iBlockAlign) : static_cast<uint16_t>(wChannels * wBits / 8);
    uint32_t dwAvg = iAvgBytes >= 0 ? static_cast<uint32_t>(iAvgBytes) : dwRate * wAlign;
    std::string str;
    PutU16(str, wTag);
    PutU16(str, wChannels);
    PutU32(str, dwRate);
    PutU32(str, dwAvg);
    PutU16(str, wAlign);
    PutU16(str, wBits);
    return str;
}

// Chunks padded to even length as RIFF asks.
inline std::string Riff(const std::vector<Chunk>& aChunks, const std::string& strForm = "WAVE")
{
    std::string strBody = strForm;
    for (const Chunk& oChunk : aChunks)
    {
        strBody += oChunk.strId;
        PutU32(strBody, static_cast<uint32_t>(oChunk.strBody.size()));
        strBody += oChunk.strBody;
        if (oChunk.strBody.size() % 2)
        {
            strBody += '\0';
        }
    }
    std::string str = "RIFF";
    PutU32(str, static_cast<uint32_t>(strBody.size()));
    return str + strBody;
}

// A PCM file whose sample bytes count up from 0, so a test can tell where a read came from.
inline std::string PcmWave(uint16_t wChannels, uint32_t dwRate, uint16_t wBits, uint32_t dwDataBytes)
{
    std::string strData(dwDataBytes, '\0');
    for (uint32_t i = 0; i < dwDataBytes; ++i)
    {
        strData[i] = static_cast<char>(i & 0xFF);
    }
    return Riff({{"fmt ", FormatBody(1, wChannels, dwRate, wBits)}, {"data", strData}});
}
} // namespace wave_builder
