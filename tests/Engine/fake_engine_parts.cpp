#include "fake_engine_parts.h"

#include <cstdio>

namespace engine_test
{
FakeParts* FakeParts::s_pCurrent = nullptr;

namespace
{
FakeParts& Parts()
{
    return *FakeParts::s_pCurrent;
}

std::string Number(float f)
{
    char szText[32];
    snprintf(szText, sizeof(szText), "%.3f", f);
    return szText;
}

QIRN_Graphics* CreateGraphics(QIRN_Engine* pEngine, int32_t iAPI)
{
    if (!Parts().bMakeGraphics)
    {
        return nullptr;
    }
    // The OpenGL implementation is made without its engine; the engine sets it.
    FakeGraphics* poGraphics =
        new FakeGraphics(iAPI == QIRN_GRAPHICS_OPENGL ? nullptr : pEngine, ++Parts().iGraphicsMade);
    Parts().Note(poGraphics->Name() + " create");
    return poGraphics;
}

QIRN_Console* CreateConsole(QIRN_Engine* pEngine, int32_t iAPI, QIRN_Graphics* pGraphics)
{
    if (iAPI != QIRN_GRAPHICS_DX8 && iAPI != QIRN_GRAPHICS_OPENGL)
    {
        return nullptr;
    }
    return new FakeConsole(pEngine, pGraphics);
}

QIRN_Audio* CreateAudio(int32_t, HWND)
{
    return Parts().bMakeAudio ? new FakeAudio : nullptr;
}

QIRN_Input* CreateInput(int32_t)
{
    return Parts().bMakeInput ? new FakeInput : nullptr;
}

} // namespace

FakeParts::FakeParts()
{
    s_pCurrent = this;
}

FakeParts::~FakeParts()
{
    s_pCurrent = nullptr;
}

QIRN_EngineFactory FakeParts::Factory() const
{
    QIRN_EngineFactory oFactory;
    oFactory.CreateGraphics = CreateGraphics;
    oFactory.CreateConsole = CreateConsole;
    oFactory.CreateAudio = CreateAudio;
    oFactory.CreateInput = CreateInput;
    return oFactory;
}

std::vector<std::string> FakeParts::Calls(const std::string& strPrefix) const
{
    std::vector<std::string> vCalls;
    for (const std::string& strCall : vJournal)
    {
        if (strCall.compare(0, strPrefix.size(), strPrefix) == 0)
        {
            vCalls.push_back(strCall);
        }
    }
    return vCalls;
}

FakeGraphics::FakeGraphics(QIRN_Engine* pEngine, int iNumber) : QIRN_Graphics(pEngine), m_iNumber(iNumber) {}

FakeGraphics::~FakeGraphics()
{
    Parts().Note(Name() + " delete");
    delete m_poDeviceInfo;
}

std::string FakeGraphics::Name() const
{
    return "graphics " + std::to_string(m_iNumber);
}

QIRN_ErrorCode FakeGraphics::GetNumAdapters(int* piCount)
{
    *piCount = 1;
    return OK;
}

QIRN_ErrorCode FakeGraphics::GetGraphicsDeviceInfo(uint32_t dwAdapter, QIRN_DeviceInfo** ppInfo)
{
    Parts().Note(Name() + " info " + std::to_string(dwAdapter));
    if (!m_poDeviceInfo)
    {
        m_poDeviceInfo = new QIRN_DeviceInfo;
    }
    if (ppInfo)
    {
        *ppInfo = m_poDeviceInfo;
    }
    return Parts().eDeviceInfo;
}

QIRN_ErrorCode FakeGraphics::SetRenderingParams(QIRN_GraphicsParams* pParams, HWND)
{
    Parts().Note(Name() + " params " + std::to_string(pParams->m_iWidth));
    m_oParams = *pParams;
    return Parts().eRenderingParams;
}

bool FakeGraphics::IsValidDisplayMode(uint32_t, uint32_t dwWidth, uint32_t dwHeight, QIRN_PixelFormat eFormat,
                                      uint32_t dwRefreshRate)
{
    Parts().Note(Name() + " mode " + std::to_string(dwWidth) + "x" + std::to_string(dwHeight) + " " +
                 std::to_string(eFormat) + " " + std::to_string(dwRefreshRate));
    return Parts().bValidMode;
}

QIRN_ErrorCode FakeGraphics::RenderFrame(QIRN_World* pWorld, QIRN_CameraActor*, bool)
{
    m_pFrameWorld = pWorld;
    Parts().Note(Name() + " frame");
    if (Parts().dFrameResults.empty())
    {
        return OK;
    }
    QIRN_ErrorCode result = Parts().dFrameResults.front();
    Parts().dFrameResults.pop_front();
    return result;
}

QIRN_ErrorCode FakeGraphics::PresentFrame()
{
    Parts().Note(Name() + " present");
    return OK;
}

QIRN_ErrorCode FakeGraphics::UpdateRenderTargets(QIRN_World*, QIRN_CameraActor*)
{
    Parts().Note(Name() + " targets");
    return OK;
}

QIRN_ErrorCode FakeGraphics::UpdateShaders(float fTimeStep)
{
    Parts().Note(Name() + " shaders " + Number(fTimeStep));
    return OK;
}

QIRN_ErrorCode FakeGraphics::ReleaseResources()
{
    Parts().Note(Name() + " release");
    return OK;
}

FakeConsole::FakeConsole(QIRN_Engine* pEngine, QIRN_Graphics* pGraphics)
    : QIRN_Console(pEngine), m_pGraphics(pGraphics)
{
}

FakeConsole::~FakeConsole()
{
    Parts().Note("console delete");
}

void FakeConsole::SetGraphics(QIRN_Graphics* pGraphics)
{
    m_pGraphics = pGraphics;
    Parts().Note(pGraphics ? "console " + static_cast<FakeGraphics*>(pGraphics)->Name()
                           : "console no graphics");
}

void FakeConsole::ReleaseResources()
{
    Parts().Note("console release");
}

FakeAudio::~FakeAudio()
{
    Parts().Note("audio delete");
}

QIRN_ErrorCode FakeAudio::Init()
{
    Parts().Note("audio init");
    return Parts().eAudioInit;
}

void FakeAudio::Update(bool bPlay)
{
    Parts().Note(bPlay ? "audio update play" : "audio update");
}

FakeInput::~FakeInput()
{
    Parts().Note("input delete");
}

QIRN_ErrorCode FakeInput::Init(QIRN_Engine*, QIRN_InputParams* pParams, HWND)
{
    Parts().Note(std::string("input init") + (pParams->m_bKeyboard ? " keyboard" : "") +
                 (pParams->m_bMouse ? " mouse" : ""));
    return OK;
}

QIRN_ErrorCode FakeInput::Update()
{
    Parts().Note("input update");
    m_vKeys = Parts().vKeys;
    m_vMouse = Parts().vMouse;
    return Parts().eInputUpdate;
}

int32_t FakeInput::TranslateKey(uint32_t dwIndex)
{
    return dwIndex < m_vKeys.size() ? m_vKeys[dwIndex].first : 0;
}

bool FakeInput::IsKeyPressed(uint32_t dwIndex)
{
    return dwIndex < m_vKeys.size() && m_vKeys[dwIndex].second;
}

int32_t FakeInput::TranslateMouse(uint32_t dwIndex)
{
    if (dwIndex >= m_vMouse.size())
    {
        return QIRN_MOUSE_NONE;
    }
    int32_t iKind = m_vMouse[dwIndex].first;
    int32_t iValue = m_vMouse[dwIndex].second;
    if (iKind >= QIRN_MOUSE_X && iKind <= QIRN_MOUSE_WHEEL)
    {
        m_iDelta[iKind - QIRN_MOUSE_X] = iValue;
    }
    else if (iKind >= QIRN_MOUSE_BUTTON0 && iKind <= QIRN_MOUSE_BUTTON3)
    {
        m_bButton[iKind - QIRN_MOUSE_BUTTON0] = iValue != 0;
    }
    return iKind;
}
} // namespace engine_test
