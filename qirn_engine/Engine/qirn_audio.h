#pragma once
// QIRN_Audio: the engine's sound interface. Sounds are addressed by the name they were loaded
// under; the implementation owns every sound of the current world.

#include "qirn_errors.h"

#include <cstdint>
#include <string>

// mmsystem.h maps PlaySound to PlaySoundA; the engine's sound operations keep their own name.
#ifdef PlaySound
#undef PlaySound
#endif

class QIRN_SndObj;
class QIRN_WmaSndObj;

class QIRN_Audio
{
public:
    QIRN_Audio() = default;
    QIRN_Audio(const QIRN_Audio&) = delete;
    QIRN_Audio& operator=(const QIRN_Audio&) = delete;

    virtual ~QIRN_Audio() = default;
    virtual QIRN_ErrorCode Init() = 0;
    virtual QIRN_ErrorCode Shutdown() = 0;
    virtual QIRN_ErrorCode PlaySound(std::string strName) = 0;
    virtual QIRN_ErrorCode SetPlayCursor(std::string strName, float fSeconds) = 0;
    virtual QIRN_ErrorCode StopSound(std::string strName) = 0;
    virtual QIRN_ErrorCode LoadSound(std::string strName, bool bStatic, bool bLooping) = 0;
    virtual QIRN_ErrorCode RemoveSound(std::string strName) = 0;
    virtual QIRN_ErrorCode GetSoundStatus(std::string strName, bool* pbPlaying, float* pfPosition) = 0;
    virtual QIRN_ErrorCode AdjustSound(std::string strName, int32_t iVolume, uint32_t dwFrequency,
                                       int32_t iPan) = 0;
    virtual void StopResetAllStreams() = 0;
    // Per-frame service of streamed sounds and music.
    virtual void Update(bool bPlay) = 0;
    virtual QIRN_SndObj* GetSoundProps(std::string strName) = 0;
    virtual QIRN_WmaSndObj* GetSoundPropsWma(std::string strName) = 0;
};
