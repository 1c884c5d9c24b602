#pragma once
// QIRN_WaveFile: a RIFF WAVE file read (and, in write mode, created) through the multimedia file
// functions. Read mode leaves the file at the sample data, with m_ck counting the bytes unread.

#include "qirn_errors.h"

#include <windows.h>
#include <mmsystem.h>
#include <mmreg.h>

#include <cstdint>
#include <string>

// The open modes of QIRN_WaveFile::Open: read, anything else writes.
const uint32_t QIRN_WAVEFILE_READ = 1;
const uint32_t QIRN_WAVEFILE_WRITE = 2;

class QIRN_WaveFile
{
public:
    QIRN_WaveFile();
    ~QIRN_WaveFile();
    QIRN_WaveFile(const QIRN_WaveFile&) = delete;
    QIRN_WaveFile& operator=(const QIRN_WaveFile&) = delete;

    QIRN_ErrorCode Open(std::string strFilename, const WAVEFORMATEX* pwfx, uint32_t dwFlags);
    QIRN_ErrorCode ReadMMIO();
    QIRN_ErrorCode WriteMMIO(const WAVEFORMATEX* pwfxDest);
    QIRN_ErrorCode ResetFile();
    QIRN_ErrorCode Read(uint8_t* pBuffer, uint32_t dwSizeToRead, uint32_t* pdwSizeRead);
    QIRN_ErrorCode Close();

    // 18 bytes for PCM, 18 + cbSize otherwise; null until a header was read.
    WAVEFORMATEX* m_pwfx;
    HMMIO m_hmmio;
    MMCKINFO m_ck;
    MMCKINFO m_ckRiff;
    MMIOINFO m_mmioinfoOut;
    uint32_t m_dwFlags;

private:
    void FreeFormat();
    QIRN_ErrorCode FitRiffToFile();
    bool FitsInRiff(const MMCKINFO& ck) const;

    // Read mode: the size the data chunk's head claimed, before it was cut to what the file holds.
    uint32_t m_dwDataClaimed;
};
