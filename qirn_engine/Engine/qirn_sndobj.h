#pragma once
// QIRN_SndObj: what every uncompressed sound has, whatever plays it: its name, whether it lives
// whole in one buffer or streams, whether it loops, and its open wave file.

#include <cstdint>
#include <string>

class QIRN_WaveFile;

class QIRN_SndObj
{
public:
    QIRN_SndObj(std::string strName, bool bStatic, bool bLoop);
    virtual ~QIRN_SndObj();
    QIRN_SndObj(const QIRN_SndObj&) = delete;
    QIRN_SndObj& operator=(const QIRN_SndObj&) = delete;

    bool IsStatic() const { return m_bStatic != 0; }
    bool IsLooping() const { return m_bLoop != 0; }
    QIRN_WaveFile* GetWaveFile() const { return m_poWaveFile; }

    // The name the sound was loaded under; also the file name looked up.
    std::string m_strName;
    int32_t m_bStatic;
    int32_t m_bLoop;
    // Bytes of the playing buffer; 0 until the sound is initialised.
    uint32_t m_dwBufferSize;
    QIRN_WaveFile* m_poWaveFile;
};
