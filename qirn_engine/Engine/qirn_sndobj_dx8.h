#pragma once
// QIRN_SndObj_DX8: one uncompressed sound in one DirectSound secondary buffer. A static sound is
// read whole into a buffer of its own size; a streamed sound plays through a ring of eight
// blocks of 3/8 second that the audio device's per-frame update refills, one block per signal.

#include "qirn_errors.h"
#include "qirn_sndobj.h"

#include <windows.h>
#include <mmsystem.h>
#include <dsound.h>

#include <cstdint>
#include <string>

// Blocks in the ring of a streamed sound.
const uint32_t QIRN_STREAM_BLOCKS = 8;

class QIRN_SndObj_DX8 : public QIRN_SndObj
{
public:
    QIRN_SndObj_DX8(std::string strName, bool bStatic, bool bLoop);
    ~QIRN_SndObj_DX8() override;

    IDirectSoundBuffer* GetDSBuffer() const { return m_pDSBuffer; }

    // Opens the file, creates the buffer and fills it (the whole sound, or the first two blocks).
    // Answers 33 when the file cannot be found.
    QIRN_ErrorCode Init(IDirectSound8* pDS, const WAVEFORMATEX* pwfx);
    QIRN_ErrorCode SetNotifications();
    // The per-frame poll of a streamed sound: refills a block when playback left one.
    QIRN_ErrorCode HandleNotifications();
    QIRN_ErrorCode UpdateBuffer();
    QIRN_ErrorCode UpdateProgress();

    // Block size of a streamed sound: 3/8 second, a whole number of sample frames.
    static uint64_t StreamBlockSize(const WAVEFORMATEX& wfx);
    // Bytes the play cursor moved from dwLast to dwCursor in a ring of dwRingSize bytes.
    static uint32_t CursorAdvance(uint32_t dwLast, uint32_t dwCursor, uint32_t dwRingSize);

    HANDLE m_hNotifyEvent;
    uint32_t m_dwNotifySize;
    uint32_t m_dwNextWriteOffset;
    uint32_t m_dwPlayProgress;
    uint32_t m_dwLastPlayPos;
    bool m_bFoundEnd;
    IDirectSoundBuffer* m_pDSBuffer;
    // Bytes of sample data in the file: a non-looping stream has played all of it once its
    // progress reaches this.
    uint32_t m_dwDataSize;

private:
    uint8_t SilenceByte() const;
    QIRN_ErrorCode FillFromFile(uint8_t* pRegion, uint32_t dwRegionSize);
};
