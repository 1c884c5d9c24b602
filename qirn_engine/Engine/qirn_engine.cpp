#include "qirn_engine.h"

#include "qirn_audio.h"
#include "qirn_console.h"
#include "qirn_debug.h"
#include "qirn_dmk.h"
#include "qirn_graphics.h"
#include "qirn_input.h"
#include "qirn_lipsyncactor.h"
#include "qirn_settings.h"
#include "qirn_shaderconstants.h"
#include "qirn_timer.h"

#include <new>

namespace
{
// The frame limiter of every renderer reads the lock from its engine's console.
bool ReadFrameRateLock(QIRN_Engine* pEngine, int32_t* piFrameRateLock)
{
    if (!pEngine || !pEngine->GetConsole())
    {
        return false;
    }
    *piFrameRateLock = pEngine->GetConsole()->m_iFpsLock;
    return true;
}

// What a world takes from the engine that owns it.
QIRN_Audio* EngineAudio(QIRN_Engine* pEngine)
{
    return pEngine ? pEngine->GetAudio() : nullptr;
}

HWND EngineWindow(QIRN_Engine* pEngine)
{
    return pEngine ? pEngine->GetWindow() : nullptr;
}

QIRN_Graphics* EngineGraphics(QIRN_Engine* pEngine, uint32_t dwDisplay)
{
    return pEngine ? pEngine->GetGraphicsInterface(dwDisplay) : nullptr;
}

// Talking heads load their voice as a static one-shot sound and run on its play position.
const QIRN_TalkingHeadSound TALKING_HEAD_SOUND = {
    [](QIRN_Audio* poAudio, const std::string& szName) { return poAudio->LoadSound(szName, true, false); },
    [](QIRN_Audio* poAudio, const std::string& szName) { return poAudio->PlaySound(szName); },
    [](QIRN_Audio* poAudio, const std::string& szName, bool* pbPlaying, float* pfPosition)
    { return poAudio->GetSoundStatus(szName, pbPlaying, pfPosition); },
};

// Shader constants are worked out for the device of display 0 and the engine's world.
QIRN_Graphics* ConstantsGraphics(QIRN_Engine* pEngine)
{
    return pEngine ? pEngine->GetGraphicsInterface(0) : nullptr;
}

QIRN_World* ConstantsWorld(QIRN_Engine* pEngine)
{
    return pEngine ? pEngine->GetWorld() : nullptr;
}

// The console draws with the device of display 0.
const uint32_t CONSOLE_DISPLAY = 0;
} // namespace

QIRN_Engine::QIRN_Engine()
    : m_hDC(nullptr), m_fTotalTime(0.0f), m_hWnd(nullptr), m_dwID(QIRN_NextInstanceNumber()),
      m_bStatistics(false), m_apoGraphics(), m_aoGraphicsParams(), m_poInput(nullptr), m_poAudio(nullptr),
      m_poConsole(nullptr), m_poWorld(nullptr), m_poTimer(nullptr), m_poEventMsgManager(nullptr),
      m_poEventMsgClient(nullptr), m_bUpdateAudio(true), m_dwFrameCount(0), m_oInputEvents(true),
      m_oFactory(QIRN_DefaultEngineFactory())
{
    QIRN_Graphics::SetFrameRateLockSource(ReadFrameRateLock);
    QIRN_World::SetEngineSources(EngineAudio, EngineWindow);
    QIRN_World::SetEngineGraphicsSource(EngineGraphics);
    // Textures of imported face models become the engine's bitmaps.
    QIRN_DMK::SetBitmapTree(&m_oBitmapTree);
    QIRN_SetTalkingHeadSound(&TALKING_HEAD_SOUND);
    QIRN_ShaderConstants::SetEngineSources(ConstantsGraphics, ConstantsWorld);
}

QIRN_Engine::~QIRN_Engine()
{
    Shutdown();
    m_oInputEvents.DeleteAllNodes();
    QIRN_DMK::SetBitmapTree(nullptr);
}

QIRN_ErrorCode QIRN_Engine::Initialize(QIRN_EngineParams& oParams)
{
    if (m_poTimer || m_poEventMsgManager)
    {
        dprintf("*** QIRN_Engine::Initialize() - the engine is already initialized\n");
        return GENERICERROR;
    }
    m_hWnd = oParams.m_hWnd;
    QIRN_InitEnginePath(oParams.m_strIniFile);
    QIRN_IniFileName(oParams.m_strIniFile);

    m_poTimer = new (std::nothrow) QIRN_Timer(1.0f);
    if (!m_poTimer)
    {
        dprintf("*** QIRN_Engine::Initialize() - Creating m_poTimer FAILED\n");
        return GENERICERROR;
    }
    m_poEventMsgManager = new (std::nothrow) QIRN_EventMsgManager;
    if (!m_poEventMsgManager)
    {
        dprintf("*** QIRN_Engine::Initialize() - Creating m_poEventMsgManager FAILED\n");
        return GENERICERROR;
    }
    m_poEventMsgClient = m_poEventMsgManager->CreateEventMsgClient(m_dwID);
    if (!m_poEventMsgClient)
    {
        dprintf("*** QIRN_Engine::Initilize() - m_poEventMsgManager->CreateEventMsgClient() FAILED\n");
        return GENERICERROR;
    }
    return OK;
}

QIRN_ErrorCode QIRN_Engine::InstantiateGraphics(uint32_t dwDisplay, int32_t iAPI)
{
    if (dwDisplay >= MAXGRAPHICSDEVICES)
    {
        dprintf("*** QIRN_Engine::InstantiateGraphics(): Specified display number (%d) greater than "
                "MAXGRAPHICSDEVICES\n",
                static_cast<int>(dwDisplay));
        return GRAPHICS_INVALIDDEVICE;
    }
    if (m_apoGraphics[dwDisplay])
    {
        dprintf("*** QIRN_Engine::InstantiateGraphics(): Device %d already initialized\n",
                static_cast<int>(dwDisplay));
        return GENERICERROR;
    }
    QIRN_Graphics* poGraphics = nullptr;
    switch (iAPI)
    {
    case QIRN_GRAPHICS_DX7:
        dprintf("*** QIRN_Engine::InstantiateGraphics(): DirectX7 API unimplemented\n");
        return NOTYETIMPLEMENTED;
    case QIRN_GRAPHICS_DX8:
        poGraphics = m_oFactory.CreateGraphics(this, iAPI);
        if (!poGraphics)
        {
            dprintf("*** QIRN_Engine::InstantiateGraphics(): Creation of DX8 API FAILED\n");
            return GENERICERROR;
        }
        break;
    case QIRN_GRAPHICS_OPENGL:
        poGraphics = m_oFactory.CreateGraphics(this, iAPI);
        if (!poGraphics)
        {
            dprintf("*** QIRN_Engine::InstantiateGraphics(): Creation of OpenGL API FAILED\n");
            return GENERICERROR;
        }
        poGraphics->m_pEngine = this;
        break;
    default:
        dprintf("*** QIRN_Engine::InstantiateGraphics(): Unknown Specified API\n");
        return GENERICERROR;
    }
    m_apoGraphics[dwDisplay] = poGraphics;
    return OK;
}

QIRN_ErrorCode QIRN_Engine::InitGraphics(QIRN_GraphicsParams* pParams)
{
    if (!pParams)
    {
        dprintf("*** QIRN_Engine::InitGraphics(): pParams is NULL\n");
        return INVALIDPARAMS;
    }
    uint32_t dwDisplay = pParams->m_dwDisplay;
    if (dwDisplay >= MAXGRAPHICSDEVICES)
    {
        dprintf("*** QIRN_Engine::InitGraphics() Too many graphics devices\n");
        return GRAPHICS_INVALIDDEVICE;
    }
    if (m_apoGraphics[dwDisplay])
    {
        dprintf("*** QIRN_Engine::InitGraphics(): Display #%d is already initialized\n",
                static_cast<int>(dwDisplay));
        return GRAPHICS_ALREADYINITIALIZED;
    }
    if (InstantiateGraphics(dwDisplay, pParams->m_iAPI) != OK)
    {
        dprintf("*** QIRN_Engine::InitGraphics() : InstantiateGraphics for Display #%d failed\n",
                static_cast<int>(dwDisplay));
        return GENERICERROR;
    }
    // From here on a failure leaves the new device in its slot; the caller removes it with
    // ShutdownGraphics before trying again.
    QIRN_Graphics* poGraphics = m_apoGraphics[dwDisplay];
    QIRN_DeviceInfo* poInfo = nullptr;
    if (poGraphics->GetGraphicsDeviceInfo(dwDisplay, &poInfo) != OK)
    {
        dprintf("*** QIRN_Engine::InitGraphics(): m_apoGraphics[]->GetGraphicsDeviceInfo failed for display "
                "#%d\n",
                static_cast<int>(dwDisplay));
        return GENERICERROR;
    }
    if (!pParams->m_bWindowed && pParams->m_bValidateDisplayMode &&
        !poGraphics->IsValidDisplayMode(dwDisplay, static_cast<uint32_t>(pParams->m_iWidth),
                                        static_cast<uint32_t>(pParams->m_iHeight),
                                        static_cast<QIRN_PixelFormat>(pParams->m_iBackBufferFormat),
                                        static_cast<uint32_t>(pParams->m_iRefreshRate)))
    {
        dprintf("*** QIRN_Engine::InitGraphics() - Specified Resolution and bitdepth isn't supported\n");
        return QIRN_GRAPHICS_INVALIDDISPLAYMODE;
    }
    QIRN_ErrorCode result = poGraphics->SetRenderingParams(pParams, m_hWnd);
    if (result != OK)
    {
        dprintf("*** QIRN_Engine::InitGraphics(): SetRenderingParams for Display #%d failed\n",
                static_cast<int>(dwDisplay));
        return result;
    }
    poGraphics->m_bLowResTextures = pParams->m_bLowResTextures ? 1 : 0;
    m_aoGraphicsParams[dwDisplay] = *pParams;
    return OK;
}

QIRN_Graphics* QIRN_Engine::GetGraphicsInterface(uint32_t dwDisplay)
{
    if (dwDisplay >= MAXGRAPHICSDEVICES)
    {
        dprintf("*** QIRN_Engine::GetGraphicsInterface(): Specified display number (%d) greater than "
                "MAXGRAPHICSDEVICES\n",
                static_cast<int>(dwDisplay));
        return nullptr;
    }
    return m_apoGraphics[dwDisplay];
}

QIRN_ErrorCode QIRN_Engine::ShutdownGraphics(uint32_t dwDisplay)
{
    if (dwDisplay >= MAXGRAPHICSDEVICES)
    {
        dprintf("*** QIRN_Engine::ShutdownGraphics(): Specified display number (%d) greater than "
                "MAXGRAPHICSDEVICES\n",
                static_cast<int>(dwDisplay));
        return GRAPHICS_INVALIDDEVICE;
    }
    if (!m_apoGraphics[dwDisplay])
    {
        return OK;
    }
    // The console's device resources and its pointer to the device must not outlive the device.
    if (dwDisplay == CONSOLE_DISPLAY && m_poConsole)
    {
        m_poConsole->ReleaseResources();
        m_poConsole->SetGraphics(nullptr);
    }
    delete m_apoGraphics[dwDisplay];
    m_apoGraphics[dwDisplay] = nullptr;
    return OK;
}

QIRN_ErrorCode QIRN_Engine::InitConsole(QIRN_GraphicsParams* pParams)
{
    delete m_poConsole;
    m_poConsole = nullptr;
    if (!pParams)
    {
        m_poConsole = new (std::nothrow) QIRN_Console(this);
    }
    else
    {
        m_poConsole = m_oFactory.CreateConsole(this, pParams->m_iAPI, m_apoGraphics[CONSOLE_DISPLAY]);
    }
    if (!m_poConsole)
    {
        dprintf("*** QIRN_Engine::InitConsole(): Creating the Console FAILED\n");
        return GENERICERROR;
    }
    m_poConsole->RunStartupScripts();
    return OK;
}

QIRN_ErrorCode QIRN_Engine::InitAudio(QIRN_AudioParams* pParams)
{
    if (!pParams || pParams->m_iAPI != QIRN_AUDIO_DX8)
    {
        dprintf("*** QIRN_Engine::InitAudio(): Unknown Audio API Specified\n");
        return GENERICERROR;
    }
    // One sound device at a time: an audio interface still here is replaced, not leaked.
    ShutdownAudio();
    m_poAudio = m_oFactory.CreateAudio(pParams->m_iAPI, m_hWnd);
    if (!m_poAudio)
    {
        dprintf("*** QIRN_Engine::InitAudio(): Audio memory allocation failed\n");
        return GENERICERROR;
    }
    return m_poAudio->Init();
}

QIRN_ErrorCode QIRN_Engine::ShutdownAudio()
{
    delete m_poAudio;
    m_poAudio = nullptr;
    return OK;
}

QIRN_ErrorCode QIRN_Engine::InitInput(QIRN_InputParams* pParams)
{
    if (!pParams || pParams->m_iAPI != QIRN_INPUT_DX8)
    {
        dprintf("*** QIRN_Engine::InitInput(): Unknown Input API specified\n");
        return GENERICERROR;
    }
    delete m_poInput;
    m_poInput = m_oFactory.CreateInput(pParams->m_iAPI);
    if (!m_poInput)
    {
        dprintf("*** QIRN_Engine::InitInput(): mem alloc for m_poInput FAILED\n");
        return GENERICERROR;
    }
    return m_poInput->Init(this, pParams, m_hWnd);
}

QIRN_ErrorCode QIRN_Engine::LoadWorld(QIRN_LoadProgressCallback pfnCallback, std::string strFileName)
{
    if (strFileName.empty())
    {
        dprintf("*** QIRN_Engine::LoadWorld(): strFileName is NULL. can't load.\n");
        return GENERICERROR;
    }
    // A world still loaded is unloaded rather than leaked.
    DestroyWorld();
    m_poWorld = new (std::nothrow) QIRN_World(this);
    if (!m_poWorld)
    {
        dprintf("*** QIRN_Engine::LoadWorld(): m_poWorld is NULL. mem allocation FAILED.\n");
        return GENERICERROR;
    }
    // From here on the world stays the engine's world, whatever fails.
    if (m_poWorld->InitWorld() != OK)
    {
        dprintf("*** QIRN_Engine::LoadWorld(): m_poWorld->Init() FAILED\n");
        return GENERICERROR;
    }
    if (m_poWorld->CreateEventMsgClient(m_poEventMsgManager) != OK)
    {
        dprintf("*** QIRN_Engine::LoadWorld() - m_poWorld->CreateEventMsgClient() FAILED\n");
        return GENERICERROR;
    }
    m_poWorld->SetProgressCallback(pfnCallback);
    QIRN_ErrorCode result = m_poWorld->Load(QIRN_FindFile(strFileName, "w"));
    if (result == OK || result == QIRNERR_QUITEARLY)
    {
        return result;
    }
    dprintf("*** QIRN_Engine::LoadWorld(): m_poWorld->Load() FAILED\n");
    return GENERICERROR;
}

void QIRN_Engine::DestroyWorld()
{
    delete m_poWorld;
    m_poWorld = nullptr;
}

QIRN_ErrorCode QIRN_Engine::UnloadWorld()
{
    DestroyWorld();
    return OK;
}

QIRN_ErrorCode QIRN_Engine::HandleEventMsg(QIRN_EventMsg*)
{
    return OK;
}

QIRN_ErrorCode QIRN_Engine::Update(float fTimeStep, bool bPollInput)
{
    QIRN_DrainEventMsgs(m_poEventMsgClient, [this](QIRN_EventMsg* pMsg) { HandleEventMsg(pMsg); });
    if (m_poInput && bPollInput)
    {
        PollInput();
    }
    if (m_poAudio)
    {
        m_poAudio->Update(m_bUpdateAudio);
    }
    if (m_poWorld)
    {
        fTimeStep *= m_poWorld->GetTimeScale();
        m_poWorld->UpdateWorld(fTimeStep);
    }
    for (QIRN_Graphics* poGraphics : m_apoGraphics)
    {
        if (poGraphics)
        {
            poGraphics->UpdateShaders(fTimeStep);
        }
    }
    ++m_dwFrameCount;
    m_fTotalTime += fTimeStep;
    return OK;
}

QIRN_ErrorCode QIRN_Engine::RecreateGraphics(uint32_t dwDisplay)
{
    // The kept record of this display, even when it was never filled (its kind then fails).
    QIRN_GraphicsParams oParams = m_aoGraphicsParams[dwDisplay];
    oParams.m_dwDisplay = dwDisplay;
    if (InitGraphics(&oParams) != OK)
    {
        // No half-made device stays behind for the next frame or the console to use.
        ShutdownGraphics(dwDisplay);
        dprintf("*** QIRN_Engine::Render() : FAILED!\n");
        return GENERICERROR;
    }
    if (dwDisplay == CONSOLE_DISPLAY && m_poConsole)
    {
        m_poConsole->SetGraphics(m_apoGraphics[dwDisplay]);
    }
    return OK;
}

QIRN_ErrorCode QIRN_Engine::Render(uint32_t dwDisplay, QIRN_CameraActor* pCamera)
{
    if (dwDisplay >= MAXGRAPHICSDEVICES)
    {
        dprintf("*** QIRN_Engine::Render(): Specified device number (%d) greater than MAXGRAPHICSDEVICES\n",
                static_cast<int>(dwDisplay));
        return GENERICERROR;
    }
    if (!m_apoGraphics[dwDisplay])
    {
        if (RecreateGraphics(dwDisplay) != OK)
        {
            return GENERICERROR;
        }
        dprintf("*** QIRN_Engine::Render(): Specified device (#%d) is NULL\n", static_cast<int>(dwDisplay));
    }
    QIRN_Graphics* poGraphics = m_apoGraphics[dwDisplay];
    QIRN_ErrorCode result = poGraphics->UpdateRenderTargets(m_poWorld, pCamera);
    if (result != OK)
    {
        dprintf("*** QIRN_Engine::Render(): Unable to update render targets!\n");
        return result;
    }
    if (poGraphics->m_pfnPreRenderFrame)
    {
        result = poGraphics->m_pfnPreRenderFrame(poGraphics, m_poWorld, pCamera, 0);
        if (result != OK)
        {
            return result;
        }
    }
    if (poGraphics->RenderFrame(m_poWorld, pCamera, false) == GRAPHICS_NOTINITIALIZED)
    {
        // The device was lost: everything made on it goes with it and is made again when next
        // drawn. The console lets go of its part first, while the device still exists.
        if (m_poWorld)
        {
            m_poWorld->ReleaseDeviceResources(static_cast<int>(dwDisplay));
        }
        ShutdownGraphics(dwDisplay);
        return RecreateGraphics(dwDisplay);
    }
    if (poGraphics->m_pfnPostRenderFrame)
    {
        return poGraphics->m_pfnPostRenderFrame(poGraphics, m_poWorld, pCamera, 0);
    }
    return OK;
}

QIRN_ErrorCode QIRN_Engine::Present(uint32_t dwDisplay)
{
    if (dwDisplay >= MAXGRAPHICSDEVICES)
    {
        return GENERICERROR;
    }
    if (!m_apoGraphics[dwDisplay])
    {
        dprintf("*** QIRN_Engine::Present(): Specified device (#%d) is NULL\n", static_cast<int>(dwDisplay));
        return GENERICERROR;
    }
    return m_apoGraphics[dwDisplay]->PresentFrame();
}

void QIRN_Engine::AppendInputEvent(int32_t iDevice, int32_t iValue, int32_t iCode, uint8_t byState,
                                   const char* szFailure)
{
    QIRN_InputEvent* pEvent = new (std::nothrow) QIRN_InputEvent;
    if (!pEvent)
    {
        dprintf("%s", szFailure);
        return;
    }
    pEvent->m_iDevice = iDevice;
    pEvent->m_iValue = iValue;
    pEvent->m_iCode = iCode;
    pEvent->m_byState = byState;
    if (!m_oInputEvents.AppendNode("InputEvent", pEvent))
    {
        delete pEvent;
        dprintf("%s", szFailure);
    }
}

QIRN_ErrorCode QIRN_Engine::PollInput()
{
    m_oInputEvents.DeleteAllNodes();
    if (!m_poInput)
    {
        dprintf("*** QIRN_Engine::PollInput(): m_poInput is NULL\n");
        return GENERICERROR;
    }
    if (m_poInput->Update() != OK)
    {
        dprintf("*** QIRN_Engine::PollInput(): m_poInput->PollInput() FAILED\n");
        return GENERICERROR;
    }
    uint32_t dwKeys = m_poInput->GetNumKeyboardEvents();
    for (uint32_t i = 0; i < dwKeys; ++i)
    {
        int32_t iCode = m_poInput->TranslateKey(i);
        if (iCode != 0)
        {
            AppendInputEvent(QIRN_INPUTDEVICE_KEYBOARD, 0, iCode, m_poInput->IsKeyPressed(i) ? 1 : 0,
                             "*** QIRN_Engine::PollInput(): Creating Keyboard Input Event FAILED\n");
        }
    }
    uint32_t dwMouse = m_poInput->GetNumMouseEvents();
    for (uint32_t i = 0; i < dwMouse; ++i)
    {
        int32_t iKind = m_poInput->TranslateMouse(i);
        int32_t iValue = 0;
        bool bDown = false;
        switch (iKind)
        {
        case QIRN_MOUSE_X:
            iValue = m_poInput->GetMouseDeltaX();
            break;
        case QIRN_MOUSE_Y:
            iValue = m_poInput->GetMouseDeltaY();
            break;
        case QIRN_MOUSE_WHEEL:
            iValue = m_poInput->GetMouseDeltaZ();
            break;
        case QIRN_MOUSE_BUTTON0:
            bDown = m_poInput->IsMouseButtonDown0();
            break;
        case QIRN_MOUSE_BUTTON1:
            bDown = m_poInput->IsMouseButtonDown1();
            break;
        case QIRN_MOUSE_BUTTON2:
            bDown = m_poInput->IsMouseButtonDown2();
            break;
        case QIRN_MOUSE_BUTTON3:
            bDown = m_poInput->IsMouseButtonDown3();
            break;
        default:
            continue;
        }
        AppendInputEvent(QIRN_INPUTDEVICE_MOUSE, iValue, iKind, bDown ? 1 : 0,
                         "*** QIRN_Engine::PollInput(): Creating Mouse Input Event FAILED\n");
    }
    return OK;
}

QIRN_InputEvent* QIRN_Engine::PeekInputEvent()
{
    return m_oInputEvents.m_pHead ? m_oInputEvents.m_pHead->m_pData : nullptr;
}

QIRN_ErrorCode QIRN_Engine::GetInputEvent(QIRN_InputEvent* pEvent)
{
    if (!pEvent)
    {
        dprintf("*** QIRN_Engine::GetInputEvent(): pEvent is NULL\n");
        return INVALIDPARAMS;
    }
    *pEvent = QIRN_InputEvent();
    QIRN_LINKEDLISTNODE<QIRN_InputEvent>* pNode = m_oInputEvents.m_pHead;
    if (!pNode)
    {
        dprintf("*** QIRN_Engine::GetInputEvent(): No Waiting Input Events\n");
        return GENERICERROR;
    }
    if (!pNode->m_pData)
    {
        dprintf("*** QIRN_Engine::GetInputEvent(): Input Event has no DATA\n");
    }
    else
    {
        *pEvent = *pNode->m_pData;
    }
    m_oInputEvents.DeleteNode(pNode);
    return OK;
}

void QIRN_Engine::SetScreenDumpFilename(const char* szFileName)
{
    // Any length: a long frame-dump prefix makes a long name, never an overrun.
    m_strScreenDumpFilename = szFileName ? szFileName : "";
}

void QIRN_Engine::SetFillMode(int iMode)
{
    if (m_poConsole)
    {
        m_poConsole->m_dwFillMode = static_cast<uint32_t>(iMode);
    }
}

int QIRN_Engine::GetFillMode()
{
    return m_poConsole ? static_cast<int>(m_poConsole->m_dwFillMode) : 0;
}

QIRN_ErrorCode QIRN_Engine::Shutdown()
{
    for (uint32_t dwDisplay = 0; dwDisplay < MAXGRAPHICSDEVICES; ++dwDisplay)
    {
        ShutdownGraphics(dwDisplay);
    }
    if (m_poEventMsgClient)
    {
        m_poEventMsgClient->Destroy();
        m_poEventMsgClient = nullptr;
    }
    delete m_poInput;
    m_poInput = nullptr;
    ShutdownAudio();
    delete m_poConsole;
    m_poConsole = nullptr;
    DestroyWorld();
    delete m_poEventMsgManager;
    m_poEventMsgManager = nullptr;
    delete m_poTimer;
    m_poTimer = nullptr;
    return OK;
}
