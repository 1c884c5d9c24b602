#pragma once
// A DirectSound device on the test tooling's null sink, and helpers to look into sound buffers.

#include <gtest/gtest.h>

#include <windows.h>
#include <mmsystem.h>
#include <dsound.h>

#include <cstdint>
#include <string>
#include <vector>

namespace audio_test
{
// A plain window for the cooperative level.
inline HWND TestWindow()
{
    static HWND s_hWnd = nullptr;
    if (!s_hWnd)
    {
        WNDCLASSA oClass = {};
        oClass.lpfnWndProc = DefWindowProcA;
        oClass.hInstance = GetModuleHandleA(nullptr);
        oClass.lpszClassName = "QIRNAudioTest";
        RegisterClassA(&oClass);
        s_hWnd = CreateWindowA("QIRNAudioTest", "QIRN audio test", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                               nullptr, nullptr, oClass.hInstance, nullptr);
    }
    return s_hWnd;
}

class SoundDevice
{
public:
    SoundDevice()
    {
        if (SUCCEEDED(DirectSoundCreate8(nullptr, &m_pDS, nullptr)))
        {
            m_pDS->SetCooperativeLevel(TestWindow(), DSSCL_PRIORITY);
        }
        else
        {
            m_pDS = nullptr;
        }
    }
    ~SoundDevice()
    {
        if (m_pDS)
        {
            m_pDS->Release();
        }
    }
    SoundDevice(const SoundDevice&) = delete;
    SoundDevice& operator=(const SoundDevice&) = delete;

    IDirectSound8* m_pDS = nullptr;
};

inline WAVEFORMATEX PrimaryFormat()
{
    WAVEFORMATEX wfx = {};
    wfx.wFormatTag = WAVE_FORMAT_PCM;
    wfx.nChannels = 2;
    wfx.nSamplesPerSec = 22050;
    wfx.wBitsPerSample = 16;
    wfx.nBlockAlign = 4;
    wfx.nAvgBytesPerSec = 88200;
    return wfx;
}

// A copy of a buffer's bytes from dwOffset on.
inline std::vector<uint8_t> BufferBytes(IDirectSoundBuffer* pBuffer, uint32_t dwOffset, uint32_t dwSize)
{
    std::vector<uint8_t> aBytes;
    void* p1 = nullptr;
    void* p2 = nullptr;
    DWORD dw1 = 0;
    DWORD dw2 = 0;
    if (SUCCEEDED(pBuffer->Lock(dwOffset, dwSize, &p1, &dw1, &p2, &dw2, 0)))
    {
        aBytes.assign(static_cast<uint8_t*>(p1), static_cast<uint8_t*>(p1) + dw1);
        pBuffer->Unlock(p1, dw1, p2, dw2);
    }
    return aBytes;
}

inline uint32_t BufferSize(IDirectSoundBuffer* pBuffer)
{
    DSBCAPS oCaps = {};
    oCaps.dwSize = sizeof(oCaps);
    return SUCCEEDED(pBuffer->GetCaps(&oCaps)) ? oCaps.dwBufferBytes : 0;
}
} // namespace audio_test

// Tests that play sound need the null sink the test tooling starts.
#define REQUIRE_SOUND_DEVICE(device)                                                                         \
    ASSERT_NE((device).m_pDS, nullptr) << "no DirectSound device: run the tests through tools/with-testenv"
