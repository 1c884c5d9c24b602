#pragma once
// QIRN_WmaSndObj: one compressed music file played through a DirectShow filter graph that the
// graph builder renders from the file. Positions are seconds here and media time (100 ns units)
// in the graph; the end of the file is handled by polling the graph's events once a frame.

#include "qirn_errors.h"

#include <windows.h>
#include <dshow.h>

#include <cstdint>
#include <string>

// mmsystem.h maps PlaySound to PlaySoundA; the engine's sound operations keep their own name.
#ifdef PlaySound
#undef PlaySound
#endif

class QIRN_WmaSndObj
{
public:
    QIRN_WmaSndObj();
    ~QIRN_WmaSndObj();
    QIRN_WmaSndObj(const QIRN_WmaSndObj&) = delete;
    QIRN_WmaSndObj& operator=(const QIRN_WmaSndObj&) = delete;

    void Clear();
    // A name found as given is rendered as is, otherwise it is looked for in the sound folder.
    QIRN_ErrorCode Init(std::string strFileName, bool bStatic, bool bLoop);
    QIRN_ErrorCode ShutDown();
    QIRN_ErrorCode Update(bool bPlay);
    QIRN_ErrorCode PlaySound();
    QIRN_ErrorCode StopSound();
    QIRN_ErrorCode SetPlayCursor(float fSeconds);
    QIRN_ErrorCode GetSoundStatus(bool* pbPlaying, float* pfSeconds);
    QIRN_ErrorCode AdjustSound(int32_t iVolume, int32_t iFrequency, int32_t iPan);

    bool m_bLoop;
    std::string m_strFileName;
    // 0 never played (and after shutdown), 1 stopped, 2 playing.
    int32_t m_iState;
    IGraphBuilder* m_poGraphBuilder;
    IMediaControl* m_poMediaControl;
    IMediaEventEx* m_poMediaEvent;
    IBasicAudio* m_poBasicAudio;
    IMediaSeeking* m_poMediaSeeking;
    // Set only when this object's CoInitialize succeeded, so its shutdown balances exactly that.
    bool m_bCoInitialized;

private:
    QIRN_ErrorCode Fail(const char* szLine);
    void ReleaseInterfaces();
    QIRN_ErrorCode SeekToStart();
};
