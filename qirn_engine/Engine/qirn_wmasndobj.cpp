#include "qirn_wmasndobj.h"

#include "qirn_debug.h"
#include "qirn_settings.h"

namespace
{
// Media time counts 100-nanosecond units.
const LONGLONG MEDIA_TIME_PER_MILLISECOND = 10000;

template <class T> void ReleaseInterface(T*& pInterface)
{
    if (pInterface)
    {
        pInterface->Release();
        pInterface = nullptr;
    }
}
} // namespace

QIRN_WmaSndObj::QIRN_WmaSndObj()
{
    m_bCoInitialized = false;
    m_poGraphBuilder = nullptr;
    m_poMediaControl = nullptr;
    m_poMediaEvent = nullptr;
    m_poBasicAudio = nullptr;
    m_poMediaSeeking = nullptr;
    Clear();
}

QIRN_WmaSndObj::~QIRN_WmaSndObj()
{
    ShutDown();
}

void QIRN_WmaSndObj::Clear()
{
    m_bLoop = false;
    m_strFileName.clear();
    m_iState = 0;
    m_poGraphBuilder = nullptr;
    m_poMediaControl = nullptr;
    m_poMediaEvent = nullptr;
    m_poBasicAudio = nullptr;
    m_poMediaSeeking = nullptr;
}

void QIRN_WmaSndObj::ReleaseInterfaces()
{
    ReleaseInterface(m_poMediaEvent);
    ReleaseInterface(m_poMediaSeeking);
    ReleaseInterface(m_poMediaControl);
    ReleaseInterface(m_poBasicAudio);
    ReleaseInterface(m_poGraphBuilder);
}

// A failed initialisation keeps nothing: the interfaces and this object's COM use go with it.
QIRN_ErrorCode QIRN_WmaSndObj::Fail(const char* szLine)
{
    dprintf("%s", szLine);
    ReleaseInterfaces();
    if (m_bCoInitialized)
    {
        CoUninitialize();
        m_bCoInitialized = false;
    }
    return 1;
}

QIRN_ErrorCode QIRN_WmaSndObj::Init(std::string strFileName, bool, bool bLoop)
{
    // A second Init starts from nothing rather than leaking the first graph.
    ShutDown();
    m_bLoop = bLoop;
    m_strFileName = strFileName;

    HRESULT hr = CoInitialize(nullptr);
    if (hr == RPC_E_CHANGED_MODE)
    {
        dprintf("Warning: QIRN_WmaSndObj::Init() - CoInitialize() already called in MTA mode.\n");
    }
    else if (hr == S_FALSE)
    {
        dprintf("Warning: QIRN_WmaSndObj::Init() - CoInitialize() already caled in this thread.\n");
    }
    else if (FAILED(hr))
    {
        dprintf("*** QIRN_WmaSndObj::Init() - CoInitialize() FAILED\n");
        return 1;
    }
    m_bCoInitialized = SUCCEEDED(hr);

    std::string strPath = strFileName;
    WIN32_FIND_DATAA oFound;
    HANDLE hFind = FindFirstFileA(strFileName.c_str(), &oFound);
    if (hFind != INVALID_HANDLE_VALUE)
    {
        FindClose(hFind);
    }
    else
    {
        strPath = QIRN_GetPath("SoundPath") + "\\" + strFileName;
    }
    WCHAR wszPath[MAX_PATH];
    if (MultiByteToWideChar(CP_ACP, 0, strPath.c_str(), -1, wszPath, MAX_PATH) == 0)
    {
        return Fail("*** QIRN_WmaSndObj::Init() - MultiByteToWideChar() FAILED: the path is too long\n");
    }

    if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                reinterpret_cast<void**>(&m_poGraphBuilder))))
    {
        m_poGraphBuilder = nullptr;
        return Fail("*** QIRN_WmaSndObj::Init() - CoCreateInstance() FAILED\n");
    }
    if (FAILED(m_poGraphBuilder->RenderFile(wszPath, nullptr)))
    {
        return Fail("*** QIRN_WmaSndObj::Init() - m_poGraphBuilder->RenderFile() FAILED\n");
    }
    if (FAILED(
            m_poGraphBuilder->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&m_poMediaControl))))
    {
        m_poMediaControl = nullptr;
        return Fail(
            "*** QIRN_WmaSndObj::Init() - m_poGraphBuilder->QueryInterface(IID_IMediaControl) FAILED\n");
    }
    if (FAILED(
            m_poGraphBuilder->QueryInterface(IID_IMediaEventEx, reinterpret_cast<void**>(&m_poMediaEvent))))
    {
        m_poMediaEvent = nullptr;
        return Fail("*** QIRN_WmaSndObj::Init() - m_poGraphBuilder->QueryInterface(IID_IMediaEventEx)\n");
    }
    if (FAILED(
            m_poGraphBuilder->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(&m_poMediaSeeking))))
    {
        m_poMediaSeeking = nullptr;
        return Fail("*** QIRN_WmaSndObj::Init() - m_poGraphBuilder->QueryInterface(IID_IMediaSeeking)\n");
    }
    if (FAILED(m_poGraphBuilder->QueryInterface(IID_IBasicAudio, reinterpret_cast<void**>(&m_poBasicAudio))))
    {
        m_poBasicAudio = nullptr;
        return Fail("*** QIRN_WmaSndObj::Init() - m_poGraphBuilder->QueryInterface(IID_IBasicAudio)\n");
    }
    if (FAILED(m_poMediaSeeking->SetTimeFormat(&TIME_FORMAT_MEDIA_TIME)))
    {
        return Fail("*** QIRN_WmaSndObj::Init() - m_poMediaSeeking->SetTimeFormat(TIME_FORMAT_MEDIA_TIME)\n");
    }
    return 0;
}

// Releases the graph whether or not it was ever played, so no object keeps one at its end.
QIRN_ErrorCode QIRN_WmaSndObj::ShutDown()
{
    if (m_iState == 0 && !m_poGraphBuilder && !m_bCoInitialized)
    {
        return 0;
    }
    QIRN_ErrorCode iResult = 0;
    if (m_iState != 0)
    {
        if (!m_poMediaControl)
        {
            dprintf("*** QIRN_WmaSndObj::ShutDown() - m_poMediaControl is NULL\n");
            iResult = 1;
        }
        else if (FAILED(m_poMediaControl->Stop()))
        {
            dprintf("*** QIRN_WmaSndObj::ShutDown() - m_poMediaControl->Stop() FAILED\n");
            iResult = 1;
        }
    }
    ReleaseInterfaces();
    if (m_bCoInitialized)
    {
        CoUninitialize();
        m_bCoInitialized = false;
    }
    Clear();
    return iResult;
}

QIRN_ErrorCode QIRN_WmaSndObj::SeekToStart()
{
    LONGLONG llStart = 0;
    return SUCCEEDED(m_poMediaSeeking->SetPositions(&llStart, AM_SEEKING_AbsolutePositioning, nullptr,
                                                    AM_SEEKING_NoPositioning))
               ? 0
               : 1;
}

QIRN_ErrorCode QIRN_WmaSndObj::Update(bool)
{
    if (!m_poMediaEvent)
    {
        return 0;
    }
    long lEventCode = 0;
    LONG_PTR lParam1 = 0;
    LONG_PTR lParam2 = 0;
    while (m_poMediaEvent->GetEvent(&lEventCode, &lParam1, &lParam2, 0) == S_OK)
    {
        m_poMediaEvent->FreeEventParams(lEventCode, lParam1, lParam2);
        if (lEventCode != EC_COMPLETE)
        {
            continue;
        }
        if (!m_poMediaSeeking || SeekToStart() != 0)
        {
            if (FAILED(m_poMediaControl->Stop()))
            {
                dprintf("*** QIRN_WmaSndObj::Update() - m_poMediaControl()->Stop() FAILED\n");
                return 1;
            }
            if (FAILED(m_poMediaControl->Run()))
            {
                dprintf("*** QIRN_WmaSndObj::Update() - m_poMediaControl->Run() FAILED\n");
                return 1;
            }
        }
        // Stopping first ends the graph's finished state, so its position runs on from the
        // start; a run alone would leave it reporting the end.
        if (m_bLoop && (FAILED(m_poMediaControl->Stop()) || SeekToStart() != 0))
        {
            dprintf(
                "*** QIRN_WmaSndObj::Update() - m_poMediaControl->Stop() due to m_bLoop == TRUE FAILED\n");
            return 1;
        }
        if (m_bLoop && FAILED(m_poMediaControl->Run()))
        {
            dprintf("*** QIRN_WmaSndObj::Update() - m_poMediaControl->Run() due to m_bLoop == TRUE FAILED\n");
            return 1;
        }
    }
    return 0;
}

QIRN_ErrorCode QIRN_WmaSndObj::PlaySound()
{
    if (!m_poMediaControl)
    {
        dprintf("*** QIRN_WmaSndObj::PlaySound() - m_poMediaControl is NULL\n");
        return 1;
    }
    if (FAILED(m_poMediaControl->Run()))
    {
        dprintf("*** QIRN_WmaSndObj::PlaySound() - m_poMediaControl->Run() FAILED\n");
        return 1;
    }
    m_iState = 2;
    return 0;
}

QIRN_ErrorCode QIRN_WmaSndObj::StopSound()
{
    if (!m_poMediaControl)
    {
        dprintf("*** QIRN_WmaSndObj::StopSound() - m_poMediaControl is NULL\n");
        return 1;
    }
    if (!m_poMediaSeeking)
    {
        dprintf("*** QIRN_WmaSndObj::StopSound() - m_poMediaSeeking is NULL\n");
        return 1;
    }
    if (m_iState != 2)
    {
        return 0;
    }
    if (FAILED(m_poMediaControl->Stop()))
    {
        dprintf("*** QIRN_WmaSndObj::StopSound() - m_poMediaControl->Stop() FAILED\n");
        return 1;
    }
    m_iState = 1;
    if (SeekToStart() != 0)
    {
        dprintf("*** QIRN_WmaSndObj::StopSound() - m_poMediaSeeking->SetPosition() FAILED\n");
        return 1;
    }
    // Pausing cues the graph at the start, so the next play begins at once.
    if (FAILED(m_poMediaControl->Pause()))
    {
        dprintf("*** QIRN_WmaSndObj::StopSound() - m_poMediaControl->Pause() FAILED\n");
        return 1;
    }
    return 0;
}

QIRN_ErrorCode QIRN_WmaSndObj::SetPlayCursor(float fSeconds)
{
    if (!m_poMediaSeeking)
    {
        dprintf("*** QIRN_WmaSndObj::SetPlayCursor() - m_poMediaSeeking is NULL\n");
        return 1;
    }
    // Media time is a signed 64-bit count: a time outside it (or NaN) is no position.
    double dMediaTime = static_cast<double>(fSeconds) * 1000.0 * MEDIA_TIME_PER_MILLISECOND;
    if (!(dMediaTime > -9.2e18 && dMediaTime < 9.2e18))
    {
        dprintf("*** QIRN_WmaSndObj::SetPlayCursor() - %f seconds is no position\n", fSeconds);
        return 1;
    }
    LONGLONG llPosition = static_cast<LONGLONG>(dMediaTime);
    if (FAILED(m_poMediaSeeking->SetPositions(&llPosition, AM_SEEKING_AbsolutePositioning, nullptr,
                                              AM_SEEKING_NoPositioning)))
    {
        dprintf("*** QIRN_WmaSndObj::SetPlayCursor() - m_poMediaSeeking->SetPositions() FAILED\n");
        return 1;
    }
    return 0;
}

QIRN_ErrorCode QIRN_WmaSndObj::GetSoundStatus(bool* pbPlaying, float* pfSeconds)
{
    if (pbPlaying)
    {
        *pbPlaying = m_iState == 2;
    }
    if (!m_poMediaSeeking)
    {
        dprintf("*** QIRN_WmaSndObj::GetSoundStatus() - m_poMediaSeeking is NULL\n");
        return 1;
    }
    LONGLONG llPosition = 0;
    if (FAILED(m_poMediaSeeking->GetCurrentPosition(&llPosition)))
    {
        dprintf("*** QIRN_WmaSndObj::GetSoundStatus() - m_poMediaSeeking->GetCurrentPosition() FAILED\n");
        return 1;
    }
    if (pfSeconds)
    {
        *pfSeconds = static_cast<float>(llPosition / MEDIA_TIME_PER_MILLISECOND) * 0.001f;
    }
    return 0;
}

QIRN_ErrorCode QIRN_WmaSndObj::AdjustSound(int32_t iVolume, int32_t, int32_t iPan)
{
    if (!m_poBasicAudio)
    {
        dprintf("*** QIRN_WmaSndObj::AdjustSound() - m_poBasicAudio is NULL \n");
        return 1;
    }
    if (FAILED(m_poBasicAudio->put_Volume(iVolume)))
    {
        dprintf("*** QIRN_WmaSndObj::AdjustSound() - m_poBasicAudio->put_Volume() FAILED\n");
        return 1;
    }
    if (FAILED(m_poBasicAudio->put_Balance(iPan)))
    {
        dprintf("*** QIRN_WmaSndObj::AdjustSound() - m_poBasicAudio->put_Balance() FAILED\n");
        return 1;
    }
    return 0;
}
