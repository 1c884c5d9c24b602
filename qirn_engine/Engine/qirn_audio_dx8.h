#pragma once
// QIRN_Audio_DX8: the engine's sound device on DirectSound 8. Uncompressed sounds play through
// DirectSound buffers; names with the extension "wma" go to compressed-music objects played
// through DirectShow. Both kinds are kept by name and visited in name order.

#include "qirn_audio.h"
#include "qirn_binarytree.h"
#include "qirn_sndobj_dx8.h"
#include "qirn_wmasndobj.h"

#include <windows.h>
#include <mmsystem.h>
#include <dsound.h>

#include <cstdint>
#include <string>

// mmsystem.h maps PlaySound to PlaySoundA; the engine's sound operations keep their own name.
#ifdef PlaySound
#undef PlaySound
#endif

// Rounds of IDirectSoundBuffer::Restore before a lost buffer is given up for this call.
const int QIRN_MAX_RESTORE_ROUNDS = 10;

class QIRN_Audio_DX8 : public QIRN_Audio
{
public:
    explicit QIRN_Audio_DX8(HWND hWnd);
    ~QIRN_Audio_DX8() override;

    QIRN_ErrorCode Init() override;
    QIRN_ErrorCode Shutdown() override;
    QIRN_ErrorCode PlaySound(std::string strSndName) override;
    QIRN_ErrorCode SetPlayCursor(std::string strSndName, float fSeconds) override;
    QIRN_ErrorCode StopSound(std::string strSndName) override;
    QIRN_ErrorCode LoadSound(std::string strFileName, bool bStatic, bool bLooping) override;
    QIRN_ErrorCode RemoveSound(std::string strSndName) override;
    QIRN_ErrorCode GetSoundStatus(std::string strSndName, bool* pbPlaying, float* pfPosition) override;
    QIRN_ErrorCode AdjustSound(std::string strSndName, int32_t iVolume, uint32_t dwFrequency,
                               int32_t iPan) override;
    void StopResetAllStreams() override;
    void Update(bool bPlay) override;
    QIRN_SndObj* GetSoundProps(std::string strSndName) override;
    QIRN_WmaSndObj* GetSoundPropsWma(std::string strSndName) override;

    QIRN_ErrorCode PlaySoundWMA(std::string strSndName);
    QIRN_ErrorCode SetPlayCursorWMA(std::string strSndName, float fSeconds);
    QIRN_ErrorCode StopSoundWMA(std::string strSndName);
    QIRN_ErrorCode GetSoundStatusWMA(std::string strSndName, bool* pbPlaying, float* pfPosition);
    QIRN_ErrorCode AdjustSoundWMA(std::string strSndName, int32_t iVolume, uint32_t dwFrequency,
                                  int32_t iPan);
    QIRN_ErrorCode LoadSoundWMA(std::string strFileName, bool bStatic, bool bLooping);
    QIRN_ErrorCode RemoveSoundWMA(std::string strSndName);
    void StopAllWMA();
    void UpdateWMA(bool bPlay);

    IDirectSound8* m_pDS;
    IDirectSoundBuffer* m_pPrimaryBuffer;
    HWND m_hWnd;
    QIRN_BINARYTREE<QIRN_SndObj_DX8> m_oSounds;
    QIRN_BINARYTREE<QIRN_WmaSndObj> m_oWmaSounds;

private:
    // The compressed-music object of a name, or NULL after szWhere's not-found line.
    QIRN_WmaSndObj* FindWma(const std::string& strSndName, const char* szWhere);
};
