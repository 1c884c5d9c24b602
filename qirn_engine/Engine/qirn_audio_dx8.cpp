#include "qirn_audio_dx8.h"

#include "qirn_debug.h"
#include "qirn_settings.h"
#include "qirn_wavefile.h"

#include <new>

namespace
{
bool IsWmaName(const std::string& strName)
{
    return QIRN_GetFileExtension(strName) == "wma";
}

// A streamed sound always plays its ring round; a static one loops only when asked to.
DWORD PlayFlags(const QIRN_SndObj_DX8* pSndObj)
{
    return (!pSndObj->IsStatic() || pSndObj->IsLooping()) ? DSBPLAY_LOOPING : 0;
}

template <class T> void ReleaseInterface(T*& pInterface)
{
    if (pInterface)
    {
        pInterface->Release();
        pInterface = nullptr;
    }
}
} // namespace

QIRN_Audio_DX8::QIRN_Audio_DX8(HWND hWnd) : m_pDS(nullptr), m_pPrimaryBuffer(nullptr), m_hWnd(hWnd) {}

QIRN_Audio_DX8::~QIRN_Audio_DX8()
{
    if (Shutdown() != 0)
    {
        dprintf("*** QIRN_Audio_DX8::~QIRN_Audio_DX8(): Shutdown() FAILED\n");
    }
    m_oSounds.DeleteAllNodes();
    m_oWmaSounds.DeleteAllNodes();
}

QIRN_ErrorCode QIRN_Audio_DX8::Init()
{
    if (FAILED(DirectSoundCreate8(nullptr, &m_pDS, nullptr)))
    {
        m_pDS = nullptr;
        dprintf("*** QIRN_AudioDX8::Init():DirectSoundCreate8 failed\n");
        return 1;
    }
    if (FAILED(m_pDS->SetCooperativeLevel(m_hWnd, DSSCL_PRIORITY)))
    {
        dprintf("*** QIRN_AudioDX8::Init() SetCoop Level failed\n");
        return 1;
    }
    DSBUFFERDESC dsbd = {};
    dsbd.dwSize = sizeof(DSBUFFERDESC);
    dsbd.dwFlags = DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRLVOLUME;
    if (FAILED(m_pDS->CreateSoundBuffer(&dsbd, &m_pPrimaryBuffer, nullptr)))
    {
        m_pPrimaryBuffer = nullptr;
        dprintf("*** QIRN_AudioDX8::Init():Create Primary Sound Buffer failed\n");
        return 1;
    }
    WAVEFORMATEX wfx = {};
    wfx.wFormatTag = WAVE_FORMAT_PCM;
    wfx.nChannels = 2;
    wfx.nSamplesPerSec = 22050;
    wfx.nAvgBytesPerSec = 88200;
    wfx.nBlockAlign = 4;
    wfx.wBitsPerSample = 16;
    if (FAILED(m_pPrimaryBuffer->SetFormat(&wfx)))
    {
        dprintf("*** QIRN_AudioDX8::Init():Set Format failed\n");
        return 1;
    }
    return 0;
}

QIRN_ErrorCode QIRN_Audio_DX8::Shutdown()
{
    m_oSounds.DeleteAllNodes();
    m_oWmaSounds.DeleteAllNodes();
    ReleaseInterface(m_pPrimaryBuffer);
    ReleaseInterface(m_pDS);
    return 0;
}

QIRN_ErrorCode QIRN_Audio_DX8::PlaySound(std::string strSndName)
{
    if (strSndName.empty())
    {
        dprintf("*** QIRN_Audio_DX8::PlaySound() - strSndName is EMPTY\n");
        return 1;
    }
    if (IsWmaName(strSndName))
    {
        return PlaySoundWMA(strSndName);
    }
    QIRN_BINARYTREENODE<QIRN_SndObj_DX8>* pNode = m_oSounds.FindNode(strSndName);
    if (!pNode)
    {
        dprintf("*** QIRN_AudioDX8::PlaySound() pNode is NULL. sound not found\n");
        return 1;
    }
    QIRN_SndObj_DX8* pSndObj = pNode->m_pData;
    if (!pSndObj)
    {
        dprintf("*** QIRN_AudioDX8::PlaySound(): pSndObj is NULL\n");
        return 1;
    }
    IDirectSoundBuffer* pDSBuffer = pSndObj->GetDSBuffer();
    if (!pDSBuffer)
    {
        dprintf("*** QIRN_AudioDX8::PlaySound() pSndObj->pDSBuffer is NULL\n");
        return 1;
    }
    DWORD dwStatus = 0;
    if (FAILED(pDSBuffer->GetStatus(&dwStatus)))
    {
        dprintf("*** QIRN_AudioDX8::PlaySound() pDSBuffer->GetStatus() failed\n");
        return 1;
    }
    if (dwStatus & DSBSTATUS_BUFFERLOST)
    {
        // Bounded, so a device that never comes back cannot hold the main loop still.
        bool bRestored = false;
        for (int iRound = 0; iRound < QIRN_MAX_RESTORE_ROUNDS && !bRestored; ++iRound)
        {
            if (pDSBuffer->Restore() == DSERR_BUFFERLOST)
            {
                dprintf("*** QIRN_AudioDX8::PlaySound() pSndObj->pDSBuffer->Restore() failed. retrying in 10 "
                        "milliseconds\n");
                Sleep(10);
            }
            bRestored = SUCCEEDED(pDSBuffer->Restore());
        }
        if (!bRestored)
        {
            dprintf(
                "*** QIRN_AudioDX8::PlaySound() pSndObj->pDSBuffer->Restore() failed %d times. sound %s not "
                "played\n",
                QIRN_MAX_RESTORE_ROUNDS, strSndName.c_str());
            return 1;
        }
    }
    if (FAILED(pDSBuffer->Play(0, 0, PlayFlags(pSndObj))))
    {
        dprintf("*** QIRN_AudioDX8::Play() pDSBuffer->Play failed\n");
        return 1;
    }
    return 0;
}

QIRN_ErrorCode QIRN_Audio_DX8::SetPlayCursor(std::string strSndName, float fSeconds)
{
    if (strSndName.empty())
    {
        dprintf("*** QIRN_Audio_DX8::SetPlayCursor() - strSndName is EMPTY\n");
        return 1;
    }
    if (IsWmaName(strSndName))
    {
        return SetPlayCursorWMA(strSndName, fSeconds);
    }
    QIRN_BINARYTREENODE<QIRN_SndObj_DX8>* pNode = m_oSounds.FindNode(strSndName);
    if (!pNode)
    {
        dprintf("*** QIRN_AudioDX8::SetPlayCursor(): pNode is NULL. Node not found\n");
        return 1;
    }
    QIRN_SndObj_DX8* pSndObj = pNode->m_pData;
    IDirectSoundBuffer* pDSBuffer = pSndObj ? pSndObj->GetDSBuffer() : nullptr;
    if (!pDSBuffer)
    {
        dprintf("*** QIRN_AudioDX8::SetPlayCursor(): pSndObject->m_pDSBuffer is NULL\n");
        return 1;
    }
    DWORD dwStatus = 0;
    if (FAILED(pDSBuffer->GetStatus(&dwStatus)))
    {
        dprintf("*** QIRN_AudioDX8::SetPlayCursor():GetStatus Failed\n");
        return 1;
    }
    QIRN_WaveFile* pWaveFile = pSndObj->GetWaveFile();
    if (!pWaveFile)
    {
        dprintf("*** QIRN_AudioDX8::SetPlayCursor() pSndObj->GetWaveFile() is NULL\n");
        return 1;
    }
    if (!pWaveFile->m_pwfx)
    {
        dprintf("*** QIRN_AudioDX8::SetPlayCursor() pSndObj->GetWaveFile()->m_pwfx is NULL\n");
        return 1;
    }
    // A byte position must fit the buffer's 32-bit offsets; a negative or NaN time has none.
    double dBytes = static_cast<double>(pWaveFile->m_pwfx->nAvgBytesPerSec) * fSeconds;
    if (!(dBytes >= 0.0 && dBytes < 4294967296.0))
    {
        dprintf("*** QIRN_AudioDX8::SetPlayCursor(): %f seconds is no position in sound %s\n", fSeconds,
                strSndName.c_str());
        return 1;
    }
    DWORD dwPosition = static_cast<DWORD>(dBytes);
    if (FAILED(pDSBuffer->SetCurrentPosition(dwPosition)))
    {
        dprintf("*** QIRN_Audio_DX8::SetPlayCurser() m_pDSBuffer->SetCurrentPosition() failed.\n");
        return 1;
    }
    if ((dwStatus & DSBSTATUS_PLAYING) && FAILED(pDSBuffer->Play(0, 0, PlayFlags(pSndObj))))
    {
        dprintf("*** QIRN_AudioDX8::SetPlayCursor(): m_pDSBuffer->Play() failed\n");
        return 1;
    }
    return 0;
}

QIRN_ErrorCode QIRN_Audio_DX8::StopSound(std::string strSndName)
{
    if (strSndName.empty())
    {
        dprintf("*** QIRN_Audio_DX8::StopSound() - strSndName is EMPTY\n");
        return 1;
    }
    if (IsWmaName(strSndName))
    {
        return StopSoundWMA(strSndName);
    }
    QIRN_BINARYTREENODE<QIRN_SndObj_DX8>* pNode = m_oSounds.FindNode(strSndName);
    if (!pNode)
    {
        dprintf("*** QIRN_AudioDX8::StopSound(): No sound %s not found\n", strSndName.c_str());
        return 1;
    }
    if (!pNode->m_pData)
    {
        dprintf("*** QIRN_AudioDX8::StopSound(): pNode->m_pData is NULL\n");
        return 1;
    }
    IDirectSoundBuffer* pDSBuffer = pNode->m_pData->GetDSBuffer();
    if (!pDSBuffer)
    {
        dprintf("*** QIRN_AudioDX8::StopSound(): pSndObject->m_pDSBuffer is NULL\n");
        return 1;
    }
    if (FAILED(pDSBuffer->Stop()))
    {
        dprintf("*** QIRN_AudioDX8::StopSound(): pSndObjct->m_pDSBuffer->Stop() FAILED\n");
        return 1;
    }
    return 0;
}

QIRN_ErrorCode QIRN_Audio_DX8::LoadSound(std::string strFileName, bool bStatic, bool bLooping)
{
    if (strFileName.empty())
    {
        dprintf("*** QIRN_AudioDX8::LoadSound() strFileName is NULL. can't load sound\n");
        return 1;
    }
    if (IsWmaName(strFileName))
    {
        return LoadSoundWMA(strFileName, bStatic, bLooping);
    }
    if (!m_pDS)
    {
        dprintf("*** QIRN_AudioDX8::LoadSound() pDS is NULL. can't load sound\n");
        return 1;
    }
    if (m_oSounds.FindNode(strFileName))
    {
        return 0;
    }
    // A sound that could not be made is a failure for the caller, not a silent success.
    QIRN_SndObj_DX8* pSndObj = new (std::nothrow) QIRN_SndObj_DX8(strFileName, bStatic, bLooping);
    if (!pSndObj)
    {
        dprintf("*** QIRN_AudioDX8::LoadSound() memory allocation for pSndObj failed\n");
        return 1;
    }
    WAVEFORMATEX wfx = {};
    if (!m_pPrimaryBuffer || FAILED(m_pPrimaryBuffer->GetFormat(&wfx, sizeof(WAVEFORMATEX), nullptr)))
    {
        delete pSndObj;
        dprintf("*** QIRN_AudioDX8::LoadSound() m_pPrimaryBuffer->GetFormat() failed. can't load sound %s\n",
                strFileName.c_str());
        return 1;
    }
    if (pSndObj->Init(m_pDS, &wfx) != 0)
    {
        delete pSndObj;
        dprintf("*** QIRN_AudioDX8::LoadSound() pSndObj->InitSndObject() failed\n");
        return 1;
    }
    if (!m_oSounds.InsertNode(strFileName, pSndObj))
    {
        delete pSndObj;
        return 1;
    }
    return 0;
}

QIRN_ErrorCode QIRN_Audio_DX8::RemoveSound(std::string strSndName)
{
    if (strSndName.empty())
    {
        dprintf("*** QIRN_Audio_DX8::RemoveSound() strSndName is empty\n");
        return 1;
    }
    if (IsWmaName(strSndName))
    {
        return RemoveSoundWMA(strSndName);
    }
    return m_oSounds.DeleteNodeByName(strSndName);
}

QIRN_ErrorCode QIRN_Audio_DX8::GetSoundStatus(std::string strSndName, bool* pbPlaying, float* pfPosition)
{
    if (strSndName.empty())
    {
        dprintf("*** QIRN_Audio_DX8::GetSoundStatus() - strSndName is EMPTY\n");
        return 1;
    }
    if (IsWmaName(strSndName))
    {
        return GetSoundStatusWMA(strSndName, pbPlaying, pfPosition);
    }
    QIRN_BINARYTREENODE<QIRN_SndObj_DX8>* pNode = m_oSounds.FindNode(strSndName);
    if (!pNode)
    {
        dprintf("*** QIRN_AudioDX8::GetSndStatus(): pNode is NULL. Sound %s not found\n", strSndName.c_str());
        return 1;
    }
    QIRN_SndObj_DX8* pSndObj = pNode->m_pData;
    if (!pSndObj)
    {
        dprintf("*** QIRN_AudioDX8::GetSndStatus() pSndObject is NULL\n");
        return 1;
    }
    IDirectSoundBuffer* pDSBuffer = pSndObj->GetDSBuffer();
    if (!pDSBuffer)
    {
        dprintf("*** QIRN_AudioDX8::GetSndStatus() pSndObj->pDSBuffer is NULL\n");
        return 1;
    }
    DWORD dwStatus = 0;
    if (FAILED(pDSBuffer->GetStatus(&dwStatus)))
    {
        dprintf("*** QIRN_AudioDX8::GetSndStatus() GetStatus() failed\n");
        return 1;
    }
    DWORD dwPlayCursor = 0;
    if (FAILED(pDSBuffer->GetCurrentPosition(&dwPlayCursor, nullptr)))
    {
        dprintf("*** QIRN_AudioDX8::GetSndStatus() GetCurrentPosition() failed\n");
        return 1;
    }
    QIRN_WaveFile* pWaveFile = pSndObj->GetWaveFile();
    if (!pWaveFile)
    {
        dprintf("*** QIRN_AudioDX8::GetSndStatus() pSndObj->pWavSoundRead is NULL\n");
        return 1;
    }
    if (!pWaveFile->m_pwfx)
    {
        dprintf("*** QIRN_AudioDX8::GetSndStatus() pSndObj->pWavSoundRead->m_pwfx is NULL\n");
        return 1;
    }
    if (pfPosition)
    {
        *pfPosition =
            static_cast<float>(dwPlayCursor) / static_cast<float>(pWaveFile->m_pwfx->nAvgBytesPerSec);
    }
    if (pbPlaying)
    {
        *pbPlaying = (dwStatus & DSBSTATUS_PLAYING) != 0;
    }
    return 0;
}

QIRN_ErrorCode QIRN_Audio_DX8::AdjustSound(std::string strSndName, int32_t iVolume, uint32_t dwFrequency,
                                           int32_t iPan)
{
    if (strSndName.empty())
    {
        dprintf("*** QIRN_Audio_DX8::AdjustSound() - strSndName is EMPTY\n");
        return 1;
    }
    if (IsWmaName(strSndName))
    {
        return AdjustSoundWMA(strSndName, iVolume, dwFrequency, iPan);
    }
    const char* szName = strSndName.c_str();
    QIRN_BINARYTREENODE<QIRN_SndObj_DX8>* pNode = m_oSounds.FindNode(strSndName);
    if (!pNode)
    {
        dprintf("*** QIRN_AudioDX8::AdjustSound(): pNode is NULL. sound %s not found\n", szName);
        return 1;
    }
    if (!pNode->m_pData)
    {
        dprintf("*** QIRN_AudioDX8::AdjustSound(): pSndObj is NULL for sound %s\n", szName);
        return 1;
    }
    IDirectSoundBuffer* pDSBuffer = pNode->m_pData->GetDSBuffer();
    if (!pDSBuffer)
    {
        dprintf("*** QIRN_AudioDX8::AdjustSound():pSndObj->pDSBuffer is NULL for sound %s\n", szName);
        return 1;
    }
    if (FAILED(pDSBuffer->SetFrequency(dwFrequency)))
    {
        dprintf("*** QIRN_AudioDX8::AjdustSound(): SetFrequency() failed for sound %s\n", szName);
        return 1;
    }
    if (FAILED(pDSBuffer->SetVolume(iVolume)))
    {
        dprintf("*** QIRN_AudioDX8::AdjustSound(): SetVolume() failed for sound %s\n", szName);
        return 1;
    }
    if (FAILED(pDSBuffer->SetPan(iPan)))
    {
        dprintf("*** QIRN_AudioDX8::AdjustSound(): SetPan() failed for sound %s\n", szName);
        return 1;
    }
    return 0;
}

void QIRN_Audio_DX8::StopResetAllStreams()
{
    StopAllWMA();
    for (QIRN_BINARYTREENODE<QIRN_SndObj_DX8>* pNode = m_oSounds.GetFirstNode(); pNode;
         pNode = pNode->GetNextNode())
    {
        QIRN_SndObj_DX8* pSndObj = pNode->m_pData;
        if (!pSndObj)
        {
            dprintf(
                "*** QIRN_AudioDX8::StopResetAllStreams() pNode->m_pData is NULL. No data to operate on\n");
            continue;
        }
        if (!pSndObj->GetDSBuffer())
        {
            dprintf(
                "*** QIRN_AudioDX8::StopResetAllStreams() pSndObj->pDSBuffer is NULL. no sound to stop\n");
            continue;
        }
        if (FAILED(pSndObj->GetDSBuffer()->Stop()))
        {
            dprintf("*** QIRN_AudioDX8::StopResetAllStreams():pSndObject->pDSBuffer->Stop() failed for sound "
                    "%s\n",
                    pNode->m_szName.c_str());
            continue;
        }
        SetPlayCursor(pNode->m_szName, 0.0f);
    }
}

void QIRN_Audio_DX8::Update(bool bPlay)
{
    UpdateWMA(bPlay);
    for (QIRN_BINARYTREENODE<QIRN_SndObj_DX8>* pNode = m_oSounds.GetFirstNode(); pNode;
         pNode = pNode->GetNextNode())
    {
        const char* szName = pNode->m_szName.c_str();
        QIRN_SndObj_DX8* pSndObj = pNode->m_pData;
        if (!pSndObj)
        {
            dprintf(
                "*** QIRN_AudioDX8::Update(): pNode->m_pData is NULL. No data to operate on for sound %s\n",
                szName);
            continue;
        }
        IDirectSoundBuffer* pDSBuffer = pSndObj->GetDSBuffer();
        if (!pDSBuffer)
        {
            dprintf("*** QIRN_AudioDX8::Update():pSndObj->pDSBuffer is NULL for sound: %s\n", szName);
            continue;
        }
        if (pSndObj->IsStatic())
        {
            continue;
        }
        if (!bPlay)
        {
            pDSBuffer->Stop();
            continue;
        }
        if (FAILED(pDSBuffer->Play(0, 0, PlayFlags(pSndObj))))
        {
            dprintf("*** QIRN_AudioDX8::Update():pSndObj->pDSBuffer->Play() failed for sound %s\n", szName);
            continue;
        }
        pSndObj->HandleNotifications();
    }
}

QIRN_SndObj* QIRN_Audio_DX8::GetSoundProps(std::string strSndName)
{
    if (strSndName.empty())
    {
        dprintf("*** QIRN_Audio_DX8::GetSoundProps() - strSndName is EMPTY\n");
        return nullptr;
    }
    QIRN_BINARYTREENODE<QIRN_SndObj_DX8>* pNode = m_oSounds.FindNode(strSndName);
    if (!pNode)
    {
        dprintf("*** QIRN_AudioDX8::GetSoundProps(): pNode is NULL\n");
        return nullptr;
    }
    return pNode->m_pData;
}

QIRN_WmaSndObj* QIRN_Audio_DX8::GetSoundPropsWma(std::string strSndName)
{
    if (strSndName.empty())
    {
        dprintf("*** QIRN_Audio_DX8::GetSoundPropsWma() - strSndName is EMPTY\n");
        return nullptr;
    }
    QIRN_BINARYTREENODE<QIRN_WmaSndObj>* pNode = m_oWmaSounds.FindNode(strSndName);
    if (!pNode)
    {
        dprintf("*** QIRN_AudioDX8::GetSoundPropsWma(): pNode is NULL\n");
        return nullptr;
    }
    return pNode->m_pData;
}

QIRN_WmaSndObj* QIRN_Audio_DX8::FindWma(const std::string& strSndName, const char* szWhere)
{
    QIRN_BINARYTREENODE<QIRN_WmaSndObj>* pNode = m_oWmaSounds.FindNode(strSndName);
    if (!pNode)
    {
        dprintf("*** QIRN_AudioDX8::%s(): pNode is NULL. sound %s not found\n", szWhere, strSndName.c_str());
        return nullptr;
    }
    if (!pNode->m_pData)
    {
        dprintf("*** QIRN_AudioDX8::%s(): pNode->m_pData is NULL\n", szWhere);
    }
    return pNode->m_pData;
}

QIRN_ErrorCode QIRN_Audio_DX8::PlaySoundWMA(std::string strSndName)
{
    if (strSndName.empty())
    {
        dprintf("*** QIRN_Audio_DX8::PlaySoundWMA() strSndName is empty\n");
        return 1;
    }
    QIRN_WmaSndObj* pSndObj = FindWma(strSndName, "PlaySoundWMA");
    return pSndObj ? pSndObj->PlaySound() : 1;
}

QIRN_ErrorCode QIRN_Audio_DX8::SetPlayCursorWMA(std::string strSndName, float fSeconds)
{
    if (strSndName.empty())
    {
        dprintf("*** QIRN_Audio_DX8::SetPlayCursorWMA() strSndName is empty\n");
        return 1;
    }
    QIRN_WmaSndObj* pSndObj = FindWma(strSndName, "SetPlayCursorWMA");
    return pSndObj ? pSndObj->SetPlayCursor(fSeconds) : 1;
}

QIRN_ErrorCode QIRN_Audio_DX8::StopSoundWMA(std::string strSndName)
{
    if (strSndName.empty())
    {
        dprintf("*** QIRN_Audio_DX8::StopSoundWMA() strSndName is empty\n");
        return 1;
    }
    QIRN_WmaSndObj* pSndObj = FindWma(strSndName, "StopSoundWMA");
    return pSndObj ? pSndObj->StopSound() : 1;
}

QIRN_ErrorCode QIRN_Audio_DX8::GetSoundStatusWMA(std::string strSndName, bool* pbPlaying, float* pfPosition)
{
    if (strSndName.empty())
    {
        dprintf("*** QIRN_Audio_DX8::GetSoundStatusWMA() strSndName is empty\n");
        return 1;
    }
    QIRN_WmaSndObj* pSndObj = FindWma(strSndName, "GetSoundStatusWMA");
    return pSndObj ? pSndObj->GetSoundStatus(pbPlaying, pfPosition) : 1;
}

QIRN_ErrorCode QIRN_Audio_DX8::AdjustSoundWMA(std::string strSndName, int32_t iVolume, uint32_t dwFrequency,
                                              int32_t iPan)
{
    if (strSndName.empty())
    {
        dprintf("*** QIRN_AUdio_DX8::AdjustSoundWMA() - strSndName is EMPTY\n");
        return 1;
    }
    QIRN_BINARYTREENODE<QIRN_WmaSndObj>* pNode = m_oWmaSounds.FindNode(strSndName);
    if (!pNode)
    {
        dprintf("*** QIRN_AudioDX8::AdjustSoundWMA(): pNode is NULL. sound %s not found\n",
                strSndName.c_str());
        return 1;
    }
    if (!pNode->m_pData)
    {
        dprintf("*** QIRN_AudioDX*::AdjustSoundWMA(): pNode->m_pData is NULL\n");
        return 1;
    }
    return pNode->m_pData->AdjustSound(iVolume, static_cast<int32_t>(dwFrequency), iPan);
}

QIRN_ErrorCode QIRN_Audio_DX8::LoadSoundWMA(std::string strFileName, bool bStatic, bool bLooping)
{
    if (strFileName.empty())
    {
        dprintf("*** QIRN_AudioDX8::LoadSoundWMA() strFileName is NULL. can't load sound\n");
        return 1;
    }
    if (m_oWmaSounds.FindNode(strFileName))
    {
        return 0;
    }
    QIRN_WmaSndObj* pSndObj = new (std::nothrow) QIRN_WmaSndObj;
    if (!pSndObj)
    {
        dprintf("*** QIRN_AudioDX8::LoadSoundWMA() memory allocation for pSndObj failed\n");
        return 1;
    }
    if (pSndObj->Init(strFileName, bStatic, bLooping) != 0)
    {
        delete pSndObj;
        dprintf("*** QIRN_AudioDX8::LoadSoundWMA() pSndObj->InitSndObject() failed\n");
        return 1;
    }
    if (!m_oWmaSounds.InsertNode(strFileName, pSndObj))
    {
        delete pSndObj;
        return 1;
    }
    return 0;
}

QIRN_ErrorCode QIRN_Audio_DX8::RemoveSoundWMA(std::string strSndName)
{
    if (strSndName.empty())
    {
        dprintf("*** QIRN_Audio_DX8::RemoveSoundWMA() strSndName is empty\n");
        return 1;
    }
    return m_oWmaSounds.DeleteNodeByName(strSndName);
}

void QIRN_Audio_DX8::StopAllWMA()
{
    for (QIRN_BINARYTREENODE<QIRN_WmaSndObj>* pNode = m_oWmaSounds.GetFirstNode(); pNode;
         pNode = pNode->GetNextNode())
    {
        if (pNode->m_pData)
        {
            pNode->m_pData->StopSound();
        }
    }
}

void QIRN_Audio_DX8::UpdateWMA(bool bPlay)
{
    for (QIRN_BINARYTREENODE<QIRN_WmaSndObj>* pNode = m_oWmaSounds.GetFirstNode(); pNode;
         pNode = pNode->GetNextNode())
    {
        if (pNode->m_pData)
        {
            pNode->m_pData->Update(bPlay);
        }
    }
}
