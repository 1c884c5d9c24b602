#include "qirn_sndobj_dx8.h"

#include "qirn_debug.h"
#include "qirn_settings.h"
#include "qirn_wavefile.h"

#include <cstring>
#include <new>

namespace
{
const DWORD STATIC_FLAGS = DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME | DSBCAPS_STATIC;
const DWORD STREAM_FLAGS = DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME |
                           DSBCAPS_CTRLPOSITIONNOTIFY | DSBCAPS_GETCURRENTPOSITION2;
} // namespace

QIRN_SndObj_DX8::QIRN_SndObj_DX8(std::string strName, bool bStatic, bool bLoop)
    : QIRN_SndObj(std::move(strName), bStatic, bLoop), m_hNotifyEvent(nullptr), m_dwNotifySize(0),
      m_dwNextWriteOffset(0), m_dwPlayProgress(0), m_dwLastPlayPos(0), m_bFoundEnd(false),
      m_pDSBuffer(nullptr), m_dwDataSize(0)
{
}

QIRN_SndObj_DX8::~QIRN_SndObj_DX8()
{
    if (m_pDSBuffer)
    {
        m_pDSBuffer->Release();
        m_pDSBuffer = nullptr;
    }
    if (m_hNotifyEvent)
    {
        CloseHandle(m_hNotifyEvent);
        m_hNotifyEvent = nullptr;
    }
}

uint64_t QIRN_SndObj_DX8::StreamBlockSize(const WAVEFORMATEX& wfx)
{
    // In 64 bits: a high rate times a wide frame overflows 32.
    const uint64_t qwBlock = (static_cast<uint64_t>(wfx.nSamplesPerSec) * wfx.nBlockAlign * 3) / 8;
    return wfx.nBlockAlign ? qwBlock - qwBlock % wfx.nBlockAlign : qwBlock;
}

uint32_t QIRN_SndObj_DX8::CursorAdvance(uint32_t dwLast, uint32_t dwCursor, uint32_t dwRingSize)
{
    return dwCursor < dwLast ? dwRingSize + dwCursor - dwLast : dwCursor - dwLast;
}

uint8_t QIRN_SndObj_DX8::SilenceByte() const
{
    return m_poWaveFile && m_poWaveFile->m_pwfx && m_poWaveFile->m_pwfx->wBitsPerSample == 8 ? 128 : 0;
}

QIRN_ErrorCode QIRN_SndObj_DX8::Init(IDirectSound8* pDS, const WAVEFORMATEX* pwfx)
{
    if (!pDS)
    {
        dprintf("*** QIRN_SndObj_DX8::Init() pDS is NULL\n");
        return 1;
    }
    if (!pwfx)
    {
        dprintf("*** QIRN_SndObj_DX8::Init() FAILED: wfx is NULL\n");
    }
    delete m_poWaveFile;
    m_poWaveFile = new (std::nothrow) QIRN_WaveFile;
    if (!m_poWaveFile)
    {
        dprintf("*** QIRN_SndObj_DX8::Init(): memory allocation for pWaveSoundRead failed\n");
        return 1;
    }
    std::string strPath = QIRN_FindFile(m_strName, "wav");
    if (strPath.empty())
    {
        dprintf("*** QIRN_SndObj_DX8::Init(): Unable to find wave file\n");
        return FILEERROR;
    }
    if (m_poWaveFile->Open(strPath, nullptr, QIRN_WAVEFILE_READ) != 0)
    {
        dprintf("*** QIRN_SndObj_DX8::Init(): pWaveSoundRead->Open() failed\n");
        return 1;
    }
    m_dwDataSize = m_poWaveFile->m_ck.cksize;

    WAVEFORMATEX* pFileFormat = m_poWaveFile->m_pwfx;
    DSBUFFERDESC dsbd = {};
    dsbd.dwSize = sizeof(DSBUFFERDESC);
    if (IsStatic())
    {
        m_dwBufferSize = m_dwDataSize;
        m_dwNotifySize = m_dwDataSize;
        dsbd.dwFlags = STATIC_FLAGS;
    }
    else
    {
        // Eight blocks must make a buffer DirectSound can hold, or the sizes wrap round.
        const uint64_t qwBlock = StreamBlockSize(*pFileFormat);
        if (qwBlock == 0 || qwBlock * QIRN_STREAM_BLOCKS > DSBSIZE_MAX)
        {
            dprintf("*** QIRN_SndObj_DX8::Init(): a stream block of %llu bytes gives no sound buffer\n",
                    static_cast<unsigned long long>(qwBlock));
            return 1;
        }
        m_dwNotifySize = static_cast<uint32_t>(qwBlock);
        m_dwBufferSize = m_dwNotifySize * QIRN_STREAM_BLOCKS;
        dsbd.dwFlags = STREAM_FLAGS;
    }
    dsbd.dwBufferBytes = m_dwBufferSize;
    dsbd.lpwfxFormat = pFileFormat;
    if (FAILED(pDS->CreateSoundBuffer(&dsbd, &m_pDSBuffer, nullptr)))
    {
        m_pDSBuffer = nullptr;
        dprintf("*** QIRN_SndObj_DX8::Init(): pDS->CreateSoundBuffer() failed\n");
        return 1;
    }
    // Without notifications the stream plays its first two blocks and never refills.
    if (!IsStatic())
    {
        SetNotifications();
    }
    m_poWaveFile->ResetFile();
    if (!m_pDSBuffer)
    {
        dprintf("*** QIRN_SndObj_DX8::Init(): pDSBuffer is NULL\n");
        return 1;
    }
    m_pDSBuffer->SetCurrentPosition(0);
    int iFills = IsStatic() ? 1 : 2;
    for (int i = 0; i < iFills; ++i)
    {
        if (UpdateBuffer() != 0)
        {
            dprintf("*** QIRN_SndObj_DX8::Init() UpdateBuffer failed\n");
            return 1;
        }
    }
    return 0;
}

QIRN_ErrorCode QIRN_SndObj_DX8::SetNotifications()
{
    IDirectSoundNotify* pDSNotify = nullptr;
    if (!m_pDSBuffer ||
        FAILED(m_pDSBuffer->QueryInterface(IID_IDirectSoundNotify, reinterpret_cast<void**>(&pDSNotify))))
    {
        dprintf("*** QIRN_SndObj_DX8::SetNotifications(): pDSBuffer->QueryInterface() failed\n");
        return 1;
    }
    if (!m_hNotifyEvent)
    {
        m_hNotifyEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    }
    DSBPOSITIONNOTIFY aPositions[QIRN_STREAM_BLOCKS];
    for (uint32_t i = 0; i < QIRN_STREAM_BLOCKS; ++i)
    {
        aPositions[i].dwOffset = m_dwNotifySize * (i + 1) - 1;
        aPositions[i].hEventNotify = m_hNotifyEvent;
    }
    HRESULT hr = pDSNotify->SetNotificationPositions(QIRN_STREAM_BLOCKS, aPositions);
    pDSNotify->Release();
    if (FAILED(hr))
    {
        dprintf("*** QIRN_SndObj_DX8::SetNotifications(): pDSNotify->SetNotificationPositions() failed\n");
        return 1;
    }
    return 0;
}

QIRN_ErrorCode QIRN_SndObj_DX8::HandleNotifications()
{
    if (!m_hNotifyEvent || WaitForSingleObject(m_hNotifyEvent, 0) != WAIT_OBJECT_0)
    {
        return 0;
    }
    if (UpdateBuffer() != 0)
    {
        dprintf("*** QIRN_SndObj_DX8::HandleNotifications(): UpdateBuffer() failed\n");
        return 1;
    }
    if (!m_bFoundEnd)
    {
        return 0;
    }
    if (!m_poWaveFile)
    {
        dprintf("*** QIRN_SndObj_DX8::HandleNotifications(); pWaveSoundRead is NULL\n");
        return 1;
    }
    if (!m_pDSBuffer)
    {
        dprintf("*** QIRN_SndObj_DX8::HandleNotifications(): pDSBuffer is NULL\n");
        return 1;
    }
    // Stop at the first block end after every data byte was played, so the tail of the sound
    // is heard in full and at most one block of silence follows it.
    if (m_dwPlayProgress >= m_dwDataSize && FAILED(m_pDSBuffer->Stop()))
    {
        dprintf("*** QIRN_SndObj_DX8::HandleNotifications(): pDSBuffer->Stop() failed\n");
        return 1;
    }
    return 0;
}

QIRN_ErrorCode QIRN_SndObj_DX8::FillFromFile(uint8_t* pRegion, uint32_t dwRegionSize)
{
    uint32_t dwRead = 0;
    if (m_poWaveFile->Read(pRegion, dwRegionSize, &dwRead) != 0)
    {
        dprintf("*** QIRN_SndObj_DX8::UpdateBuffer(): pWaveSoundRead->Read() failed\n");
        return 1;
    }
    uint32_t dwFilled = dwRead;
    while (dwFilled < dwRegionSize && IsLooping())
    {
        if (m_poWaveFile->ResetFile() != 0)
        {
            dprintf("*** QIRN_SndObj_DX8::UpdateBuffer():: pWaveSoundRead->Reset() failed\n");
            return 1;
        }
        if (m_poWaveFile->Read(pRegion + dwFilled, dwRegionSize - dwFilled, &dwRead) != 0)
        {
            dprintf("*** QIRN_SndObj_DX8::UpdateBuffer(): pWaveSoundRead->Read() failed\n");
            return 1;
        }
        // A file without sample data has nothing to loop: play silence instead of rewinding
        // for ever.
        if (dwRead == 0)
        {
            dprintf("*** QIRN_SndObj_DX8::UpdateBuffer(): %s has no sample data to loop\n",
                    m_strName.c_str());
            break;
        }
        dwFilled += dwRead;
    }
    if (dwFilled < dwRegionSize)
    {
        m_bFoundEnd = true;
        memset(pRegion + dwFilled, SilenceByte(), dwRegionSize - dwFilled);
    }
    return 0;
}

QIRN_ErrorCode QIRN_SndObj_DX8::UpdateBuffer()
{
    if (UpdateProgress() != 0)
    {
        dprintf("*** QIRN_SndObj_DX8::UpdateBuffer(): UpdateProgress failed\n");
        return 1;
    }
    if (!m_poWaveFile)
    {
        dprintf("*** QIRN_SndObj_DX8::UpdateBuffer(): pWaveSoundRead is NULL\n");
        return 1;
    }
    if (!m_poWaveFile->m_pwfx)
    {
        dprintf("*** QIRN_SndObj_DX8::UpdateBuffer() :pWaveRead->m_pwfx is NULL\n");
        return 1;
    }
    void* pLocked = nullptr;
    DWORD dwLockedSize = 0;
    void* pLocked2 = nullptr;
    DWORD dwLockedSize2 = 0;
    if (FAILED(m_pDSBuffer->Lock(m_dwNextWriteOffset, m_dwNotifySize, &pLocked, &dwLockedSize, &pLocked2,
                                 &dwLockedSize2, 0)) ||
        !pLocked)
    {
        dprintf("*** QIRN_SndObj_DX8::UpdateBuffer(): pDSBuffer->Lock() failed at offset %u\n",
                m_dwNextWriteOffset);
        return 1;
    }
    uint8_t* pRegion = static_cast<uint8_t*>(pLocked);
    QIRN_ErrorCode iResult = 0;
    if (m_bFoundEnd)
    {
        memset(pRegion, SilenceByte(), dwLockedSize);
    }
    else
    {
        iResult = FillFromFile(pRegion, dwLockedSize);
    }
    m_pDSBuffer->Unlock(pLocked, dwLockedSize, pLocked2, 0);
    if (iResult != 0)
    {
        return iResult;
    }
    m_dwNextWriteOffset = m_dwBufferSize ? (m_dwNextWriteOffset + dwLockedSize) % m_dwBufferSize : 0;
    return 0;
}

QIRN_ErrorCode QIRN_SndObj_DX8::UpdateProgress()
{
    DWORD dwPlayPos = 0;
    if (!m_pDSBuffer || FAILED(m_pDSBuffer->GetCurrentPosition(&dwPlayPos, nullptr)))
    {
        dprintf("*** QIRN_SndObj_DX8::UpdateProgress() pDSBuffer->GetCurrentPosition() failed\n");
        return 1;
    }
    m_dwPlayProgress += CursorAdvance(m_dwLastPlayPos, dwPlayPos, m_dwBufferSize);
    m_dwLastPlayPos = dwPlayPos;
    return 0;
}
