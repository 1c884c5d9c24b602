#include "tolvamir.h"

#include "driverhints.h"
#include "loadingscreen.h"

#include "qirn_audio.h"
#include "qirn_cameraactor.h"
#include "qirn_console.h"
#include "qirn_debug.h"
#include "qirn_engine.h"
#include "qirn_graphics.h"
#include "qirn_input.h"
#include "qirn_meshactor.h"
#include "qirn_settings.h"
#include "qirn_timer.h"
#include "qirn_world.h"

#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <new>

const char* const TOLVAMIR_TITLE = "Kelvane Graphics Inc. - Underwater Ambrevo";
const char* const TOLVAMIR_CAPTION = "Kelvane Graphics Inc.";
const char* const TOLVAMIR_SETTINGS_FILE = "qirn_v2.ini";

cTolvamir* g_poTolvamir = nullptr;

namespace
{
const char* const WINDOW_CLASS = "QIRN";
const int ICON_RESOURCE = 103;
const float MAX_FRAME_STEP = 5.0f;
const float WORLD_STEP_SCALE = 0.75f;
const int MOUSE_FACTOR = -2;

// The two typed sequences and how far each has matched.
const char* const DEVELOPER_SEQUENCE = "quorvane";
const char* const VISIBILITY_SEQUENCE = "velkomarindus";
size_t g_uDeveloperMatch = 0;
size_t g_uVisibilityMatch = 0;

const char* const SWAP_FIRST_ACTOR = "[Sort:05]_Fish_Shark_01";
const char* const SWAP_SECOND_ACTOR = "[Sort:05]_Coral_Pinky";

int RealMessageBox(HWND hOwner, const char* szText, const char* szCaption, UINT uType)
{
    return MessageBoxA(hOwner, szText, szCaption, uType);
}

void RealOpen(const char* szFile, const char* szParameters, const char* szFolder, int iShow)
{
    ShellExecuteA(nullptr, "open", szFile, szParameters, szFolder, iShow);
}

const TolvamirShell REAL_SHELL = {RealMessageBox, RealOpen};
const TolvamirShell* g_poShell = &REAL_SHELL;

// Advances a sequence detector by one typed character; true when the sequence is complete.
bool MatchSequence(const char* szSequence, size_t* puMatch, char c)
{
    if (c != szSequence[*puMatch])
    {
        *puMatch = 0;
        return false;
    }
    if (++*puMatch < strlen(szSequence))
    {
        return false;
    }
    *puMatch = 0;
    return true;
}

struct Binding
{
    int iKey;
    int iPressed;
    int iReleased;
};

// Engine key codes and the actions of their press and release.
const Binding DEFAULT_KEY_BINDINGS[] = {
    {1, ACTION_QUIT, 0},
    {14, ACTION_SCREENSHOT, 0},
    {16, ACTION_PAUSE, 0},
    {17, ACTION_CONSOLE, 0},
    {32, 12, 13},
    {33, 7, 9},
    {38, ACTION_NEXTCAMERA, 0},
    {40, ACTION_FILLMODE, 0},
    {54, 8, 9},
    {63, ACTION_STATISTICS, 0},
    {87, 1, 3},
    {97, 4, 6},
    {98, 2, 3},
    {99, 5, 6},
};

const char* const SETTINGS_UNREADABLE_TEXT =
    "The settings file qirn_v2.ini cannot be read. Please run AmbrevoConfig.exe, which writes a new one";

// One console line each; the lines holding a single blank are the gaps.
const char* const CREDIT_LINES[] = {
    "Kelvane Graphics Ambrevo",
    " ",
    "Credits:",
    "Producer: Maren Ostholt",
    "Engine programming: Ivo Tarrasch, Lene Quist",
    "Art direction: Sunniva Rehbach",
    "Modelling, texturing and animation: Tjark Amundsen, Ilka Voss",
    "Shader programming: Oskar Feldmann",
    "Tools and utilities: Jorunn Hake",
    "Music: Elvira Sandqvist",
    " ",
    "Special thanks to everyone who dived with us",
    " ",
    "Thanks also to the families and friends of the team",
    " ",
    " ",
};
} // namespace

void SetTolvamirShell(const TolvamirShell* poShell)
{
    g_poShell = poShell ? poShell : &REAL_SHELL;
}

const TolvamirShell& GetTolvamirShell()
{
    return *g_poShell;
}

bool SettingsFileExists()
{
    FILE* pFile = fopen(TOLVAMIR_SETTINGS_FILE, "r");
    if (!pFile)
    {
        return false;
    }
    fclose(pFile);
    return true;
}

void LaunchConfigApplication()
{
    g_poShell->pfnMessageBox(
        nullptr, "This is the first time the demo is being run. Please choose your application settings",
        TOLVAMIR_TITLE, MB_ICONINFORMATION | MB_OK);
    g_poShell->pfnOpen("AmbrevoConfig.exe", "", ".", SW_SHOWNORMAL);
}

LRESULT CALLBACK WndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (g_poTolvamir)
    {
        return g_poTolvamir->WindowProc(hWnd, uMsg, wParam, lParam);
    }
    return DefWindowProcA(hWnd, uMsg, wParam, lParam);
}

cTolvamir::cTolvamir()
    : m_bVisibilitySwap(false), m_bActive(true), m_bWindowAlive(true), m_bWindowed(true), m_bQuit(false),
      m_poEngine(nullptr), m_strTitle(TOLVAMIR_TITLE), m_iX(0), m_iY(0), m_iWidth(0), m_iHeight(0),
      m_iRefreshRate(0), m_iAPI(QIRN_GRAPHICS_DX8), m_dwVertexProcessing(32), m_iDeviceType(1),
      m_iBackBufferFormat(0), m_iDepthStencilFormat(0), m_dwWindowStyle(0x16CF0000), m_iAntiAliasing(0),
      m_strWorldFile("AmbrevoFull.w"), m_strShaderFile("AmbrevoFull.s"), m_aiActions(), m_aiKeyBindings(),
      m_aiMouseBindings(), m_bDeveloperControls(0), m_bHighResTextures(1), m_bPaused(0),
      m_bAppHintRegistered(0), m_poEngineFactory(nullptr), m_hWnd(nullptr)
{
    g_poTolvamir = this;
    g_uDeveloperMatch = 0;
    g_uVisibilityMatch = 0;
    SetDebugLogToFile(false);
}

cTolvamir::~cTolvamir()
{
    if (ShutDownApp() != 0)
    {
        dprintf("*** cTolvamir::~cTolvamir() - ShutDownApp() FAILED\n");
    }
    if (g_poTolvamir == this)
    {
        g_poTolvamir = nullptr;
    }
    // A window left by a failed start goes with its client, which its procedure can no longer reach.
    if (m_hWnd && IsWindow(m_hWnd))
    {
        DestroyWindow(m_hWnd);
    }
}

HWND cTolvamir::InitWindow(DWORD dwStyle, const std::string& strTitle, int x, int y, int iWidth, int iHeight)
{
    HINSTANCE hInstance = GetModuleHandleA(nullptr);
    WNDCLASSA oClass;
    memset(&oClass, 0, sizeof(oClass));
    oClass.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    oClass.lpfnWndProc = WndProc;
    oClass.hInstance = hInstance;
    oClass.hIcon = LoadIconA(hInstance, MAKEINTRESOURCEA(ICON_RESOURCE));
    oClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    oClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    oClass.lpszMenuName = WINDOW_CLASS;
    oClass.lpszClassName = WINDOW_CLASS;
    // A class left by an earlier client of this process serves again.
    if (!RegisterClassA(&oClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
    {
        dprintf("*** cTolvamir::InitWindow() - RegisterClass() FAILED\n");
        return nullptr;
    }
    // One window per client: a second start replaces the first.
    if (m_hWnd && IsWindow(m_hWnd))
    {
        DestroyWindow(m_hWnd);
    }
    m_hWnd = CreateWindowExA(WS_EX_APPWINDOW | WS_EX_ACCEPTFILES, WINDOW_CLASS, strTitle.c_str(), dwStyle, x,
                             y, iWidth + 2 * GetSystemMetrics(SM_CXSIZEFRAME),
                             iHeight + 2 * GetSystemMetrics(SM_CYSIZEFRAME) + GetSystemMetrics(SM_CYCAPTION),
                             nullptr, nullptr, hInstance, nullptr);
    return m_hWnd;
}

int cTolvamir::Initialize()
{
    ApplyDriverTuning(true);
    HWND hWnd = InitWindow(m_dwWindowStyle, m_strTitle, m_iX, m_iY, m_iWidth, m_iHeight);
    if (!hWnd)
    {
        return 1;
    }
    m_poEngine = new (std::nothrow) QIRN_Engine;
    if (!m_poEngine)
    {
        dprintf("*** cTolvamir::Initialize(): m_poEngine is NULL! Can't go on. Quitting\n");
        return 1;
    }
    if (m_poEngineFactory)
    {
        m_poEngine->SetFactory(*m_poEngineFactory);
    }
    QIRN_EngineParams oParams;
    oParams.m_strIniFile = std::string(".\\") + TOLVAMIR_SETTINGS_FILE;
    oParams.m_hWnd = hWnd;
    if (m_poEngine->Initialize(oParams) != OK)
    {
        delete m_poEngine;
        m_poEngine = nullptr;
        dprintf("*** cTolvamir::Initialize(): m_poEngine->Initialize() failed. Quitting\n");
        return 1;
    }
    if (CheckInstallation() != 0)
    {
        // A settings file without its scene folder was not written by the settings dialog (often
        // damaged bytes): the dialog mends that, a reinstall is not needed.
        const bool bSettingsUnreadable = QIRN_GetIniString("PATHS", "ScenePath", "").empty();
        if (bSettingsUnreadable)
        {
            dprintf("*** cTolvamir::Initialize() - %s holds no [PATHS] ScenePath: it cannot be read\n",
                    TOLVAMIR_SETTINGS_FILE);
        }
        g_poShell->pfnMessageBox(m_poEngine->GetWindow(),
                                 bSettingsUnreadable ? SETTINGS_UNREADABLE_TEXT
                                                     : "Invalid Or Corrupt Installation. Please Reinstall",
                                 TOLVAMIR_CAPTION, MB_ICONEXCLAMATION | MB_OK);
        return 1;
    }
    if (GetDeviceSettings() != 0)
    {
        dprintf("*** cTolvamir::Initialize() - GetDeviceSettings() FAILED\n");
        return 1;
    }
    if (GetScreenParams() != 0)
    {
        dprintf("*** cTolvamir::Initialize() - GetScreenParams() FAILED\n");
        return 1;
    }
    SetWindowTextA(hWnd, m_strTitle.c_str());
    MoveWindow(hWnd, m_iX, m_iY, m_iWidth + 2 * GetSystemMetrics(SM_CXSIZEFRAME),
               m_iHeight + 2 * GetSystemMetrics(SM_CYSIZEFRAME) + GetSystemMetrics(SM_CYCAPTION), TRUE);
    return 0;
}

int cTolvamir::GetDeviceSettings()
{
    m_iAPI = QIRN_GRAPHICS_DX8;
    m_dwVertexProcessing = 128;
    m_iDeviceType = 1;
    return 0;
}

int cTolvamir::GetScreenParams()
{
    m_iWidth = QIRN_GetIniInt("GFX MODE", "Width", 640);
    m_iHeight = QIRN_GetIniInt("GFX MODE", "Height", 480);
    m_iRefreshRate = QIRN_GetIniInt("GFX MODE", "Frequency", 0);
    m_iAntiAliasing = QIRN_GetIniInt("GFX MODE", "AntiAliasing", 0);
    m_bHighResTextures = 1;
    m_bWindowed = false;
    ShowCursor(FALSE);
    m_iBackBufferFormat = 22;
    m_iDepthStencilFormat = 76;
    return 0;
}

int cTolvamir::TryGraphics(QIRN_GraphicsParams& oParams)
{
    // 16 samples, then 4, then no antialiasing; a failed try leaves a half-made device behind.
    int iResult = OK;
    for (int iTry = 0; iTry < 3; ++iTry)
    {
        if (iTry == 1)
        {
            oParams.m_iSamples = 4;
        }
        else if (iTry == 2)
        {
            oParams.m_bAntiAliasing = false;
            oParams.m_iSamples = 0;
        }
        iResult = m_poEngine->InitGraphics(&oParams);
        if (iResult == OK)
        {
            return OK;
        }
        m_poEngine->ShutdownGraphics(0);
    }
    return iResult;
}

int cTolvamir::InitApp()
{
    InitAppHint();
    if (!m_poEngine)
    {
        dprintf("*** cTolvamir::InitApp() - m_poEngine is NULL\n");
        return 1;
    }
    QIRN_GraphicsParams oParams;
    oParams.m_iAPI = m_iAPI;
    oParams.m_dwDisplay = 0;
    oParams.m_iWidth = m_iWidth;
    oParams.m_iHeight = m_iHeight;
    oParams.m_iRefreshRate = m_iRefreshRate;
    oParams.m_iBackBufferFormat = m_iBackBufferFormat;
    oParams.m_iBackBufferCount = 1;
    oParams.m_iDepthStencilFormat = m_iDepthStencilFormat;
    oParams.m_iDeviceType = m_iDeviceType;
    oParams.m_dwVertexProcessing = m_dwVertexProcessing;
    oParams.m_bAntiAliasing = m_iAntiAliasing != 0;
    oParams.m_iSamples = 16;
    oParams.m_bEdgeAntiAliasing = false;
    oParams.m_bWindowed = m_bWindowed;
    oParams.m_bValidateDisplayMode = true;
    oParams.m_bZBuffer = true;
    oParams.m_bStencil = false;
    oParams.m_bDriverEscape = false;
    oParams.m_bLowResTextures = !m_bHighResTextures;
    oParams.m_bLockableBackBuffer = false;
    oParams.m_bWindowedVSync = false;
    int iResult = TryGraphics(oParams);
    if (iResult != OK)
    {
        ShowCursor(TRUE);
        g_poShell->pfnMessageBox(m_poEngine->GetWindow(),
                                 iResult == QIRN_GRAPHICS_INVALIDDISPLAYMODE
                                     ? "The requested display mode (resolution and/or refresh rate) is "
                                       "unavailable. Please run the config application"
                                     : "Unable to initialise graphics (reason unknown). Please verify your "
                                       "hardware setup or the software installation",
                                 TOLVAMIR_CAPTION, MB_ICONEXCLAMATION | MB_OK);
        dprintf("*** cTolvamir::InitApp() - m_poEngine->InitGraphicsDisplay() FAILED\n");
        return 1;
    }
    if (m_poEngine->InitConsole(&oParams) != OK)
    {
        dprintf("*** cTolvamir::InitApp() - m_poEngine->InitConsole() FAILED\n");
        return 1;
    }
    QIRN_Console* poConsole = m_poEngine->GetConsole();
    if (!m_strWorldFile.empty() && poConsole)
    {
        poConsole->m_strWorldFile = m_strWorldFile;
        poConsole->m_bLoadWorld = true;
    }
    PrintCredits();
    SetLoadingScreenTarget(m_poEngine->GetWindow(), m_iWidth, m_iHeight);
    if (LoadBitmaps() != 0)
    {
        dprintf("*** cTolvamir::InitApp() - LoadBitmaps() FAILED\n");
    }
    QIRN_AudioParams oAudio;
    oAudio.m_iAPI = QIRN_AUDIO_DX8;
    if (m_poEngine->InitAudio(&oAudio) != OK)
    {
        dprintf("*** cTolvamir::InitApp() - m_poEngine->InitAudio() FAILED\n");
    }
    QIRN_InputParams oInput;
    oInput.m_iAPI = QIRN_INPUT_DX8;
    oInput.m_bKeyboard = true;
    oInput.m_bMouse = true;
    if (m_poEngine->InitInput(&oInput) != OK)
    {
        dprintf("*** cTolvamir::InitApp() - m_poEngine->InitInput() FAILED\n");
        return 1;
    }
    SetDefaultBindings("bindings.bnd");
    return 0;
}

void cTolvamir::PrintCredits()
{
    QIRN_Console* poConsole = m_poEngine ? m_poEngine->GetConsole() : nullptr;
    if (!poConsole)
    {
        return;
    }
    for (const char* szLine : CREDIT_LINES)
    {
        poConsole->Print("%s", szLine);
    }
}

void cTolvamir::CloseWindowNow(HWND hWnd)
{
    m_bQuit = true;
    m_bWindowAlive = false;
    m_bActive = false;
    ShowWindow(hWnd, SW_HIDE);
    DestroyWindow(hWnd);
}

LRESULT cTolvamir::WindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg)
    {
    case WM_DESTROY:
        // However the window goes, the loop ends with it.
        m_bQuit = true;
        m_bWindowAlive = false;
        m_bActive = false;
        ShowCursor(TRUE);
        PostQuitMessage(0);
        break;
    case WM_CLOSE:
        // The window is gone afterwards, so the default procedure does not see it again.
        CloseWindowNow(hWnd);
        return 0;
    case WM_ACTIVATEAPP:
        m_bActive = wParam != 0;
        break;
    case WM_CHAR:
        if (wParam == 27)
        {
            CloseWindowNow(hWnd);
            return 0;
        }
        OnChar(static_cast<char>(wParam));
        if (m_poEngine && m_poEngine->GetConsole() && m_poEngine->GetConsole()->m_bOpen)
        {
            m_poEngine->GetConsole()->ProcessChar(static_cast<char>(wParam));
        }
        break;
    default:
        break;
    }
    return DefWindowProcA(hWnd, uMsg, wParam, lParam);
}

void cTolvamir::OnChar(char c)
{
    if (!m_poEngine || !m_poEngine->GetConsole() || m_poEngine->GetConsole()->m_bOpen || c == '\t' ||
        c == ' ')
    {
        return;
    }
    if (MatchSequence(DEVELOPER_SEQUENCE, &g_uDeveloperMatch, c))
    {
        m_bDeveloperControls = !m_bDeveloperControls;
    }
    if (MatchSequence(VISIBILITY_SEQUENCE, &g_uVisibilityMatch, c))
    {
        SwapVisibility();
    }
}

namespace
{
RenderFlagSetter g_pfnSetRenderFlag = nullptr;
} // namespace

void cTolvamir::SetRenderFlagSetter(RenderFlagSetter pfnSetter)
{
    g_pfnSetRenderFlag = pfnSetter;
}

void SetMeshActorRender(QIRN_BaseObject* poActor, int32_t bRender)
{
    // Only a mesh actor has a render flag; another kind of object of the same name keeps its state.
    QIRN_MeshActor* poMesh = dynamic_cast<QIRN_MeshActor*>(poActor);
    if (!poMesh)
    {
        dprintf("*** SetMeshActorRender() - \"%s\" is not a mesh actor\n",
                poActor ? poActor->GetName().c_str() : "(null)");
        return;
    }
    poMesh->SetRender(bRender);
    dprintf("SetMeshActorRender() - \"%s\" %s\n", poMesh->GetName().c_str(), bRender ? "shown" : "hidden");
}

void cTolvamir::SwapVisibility()
{
    m_bVisibilitySwap = !m_bVisibilitySwap;
    QIRN_World* poWorld = m_poEngine ? m_poEngine->GetWorld() : nullptr;
    if (!poWorld)
    {
        return;
    }
    QIRN_BaseObject* poFirst = poWorld->FindObject(SWAP_FIRST_ACTOR);
    QIRN_BaseObject* poSecond = poWorld->FindObject(SWAP_SECOND_ACTOR);
    if (poFirst && poSecond && g_pfnSetRenderFlag)
    {
        g_pfnSetRenderFlag(poFirst, m_bVisibilitySwap ? 0 : 1);
        g_pfnSetRenderFlag(poSecond, m_bVisibilitySwap ? 1 : 0);
    }
}

QIRN_CameraActor* cTolvamir::CurrentCamera()
{
    if (!m_oCameraOne.GetCamera() && m_poEngine && m_poEngine->GetWorld())
    {
        m_oCameraOne.TakeFirstCamera(m_poEngine->GetWorld());
    }
    return m_oCameraOne.GetCamera();
}

void cTolvamir::StartMusic()
{
    QIRN_Audio* poAudio = m_poEngine->GetAudio();
    if (!poAudio)
    {
        return;
    }
    std::string strPath = QIRN_GetPath("SoundPath") + "\\" + "music.wma";
    if (!QIRN_FileExists(strPath))
    {
        return;
    }
    if (poAudio->LoadSound(strPath, true, true) != OK)
    {
        dprintf("*** cTolvamir::Update() - poAudio->LoadSound() FAILED\n");
    }
    if (poAudio->PlaySound(strPath) != OK)
    {
        dprintf("*** cTolvamir::Update() - poAudio->PlaySound() FAILED\n");
    }
}

int cTolvamir::LoadRequestedWorld()
{
    QIRN_Console* poConsole = m_poEngine->GetConsole();
    // The camera belongs to the world about to go.
    m_oCameraOne.ForgetCamera();
    m_poEngine->ShutdownAudio();
    m_poEngine->UnloadWorld();
    QIRN_Graphics* poGraphics = m_poEngine->GetGraphicsInterface(0);
    if (poGraphics)
    {
        poGraphics->ReleaseResources();
    }
    QIRN_AudioParams oAudio;
    oAudio.m_iAPI = QIRN_AUDIO_DX8;
    m_poEngine->InitAudio(&oAudio);
    poConsole->SetGraphics(poGraphics);
    poConsole->ReleaseResources();

    BeginLoadingScreen();
    DisplayLoadingBitmap(m_iWidth, m_iHeight);
    UpdateLoadingScreen();
    UnscrambleSceneFiles();
    QIRN_ErrorCode result = m_poEngine->LoadWorld(UpdateLoadingScreen, poConsole->m_strWorldFile);
    DeleteUnscrambledSceneFiles();
    EndLoadingScreen();

    // Keys pressed while the scene loaded (Esc above all) are not actions of the next frame.
    if (m_poEngine->GetInput())
    {
        m_poEngine->PollInput();
        QIRN_InputEvent oEvent;
        while (m_poEngine->PeekInputEvent())
        {
            m_poEngine->GetInputEvent(&oEvent);
        }
    }

    if (result == QIRNERR_QUITEARLY)
    {
        // The partly loaded world stays; its first camera, if it has one, is used.
        poConsole->m_bLoadWorld = false;
        m_oCameraOne.TakeFirstCamera(m_poEngine->GetWorld());
        return 2;
    }
    if (result != OK)
    {
        dprintf("*** cTolvamir::Update() - m_poEngine->LoadWorld() FAILED\n");
    }
    if (m_oCameraOne.Init(this) != OK)
    {
        dprintf("*** cTolvamir::Update() - m_oCameraOne.Init() FAILED\n");
        return 1;
    }
    poConsole->m_bLoadWorld = false;
    QIRN_World* poWorld = m_poEngine->GetWorld();
    float fTime = poConsole->m_fWorldTime;
    poWorld->SetWorldTime(fTime);
    poWorld->UpdateWorld(0.0f);
    poWorld->SetWorldTime(fTime);
    poWorld->UpdateWorld(0.0f);
    m_poEngine->Render(0, m_oCameraOne.GetCamera());
    m_poEngine->Present(0);
    poWorld->SetWorldTime(fTime);
    poWorld->UpdateWorld(0.0f);
    StartMusic();
    return 0;
}

int cTolvamir::Update()
{
    if (!m_poEngine)
    {
        dprintf("*** cTolvamir::Update() - m_poEngine is NULL\n");
        return 1;
    }
    QIRN_Console* poConsole = m_poEngine->GetConsole();
    if (poConsole)
    {
        if (poConsole->IsExitTime())
        {
            m_bQuit = true;
        }
        if (poConsole->m_bLoadWorld)
        {
            int iLoad = LoadRequestedWorld();
            if (iLoad != 0)
            {
                return iLoad == 1 ? 1 : 0;
            }
        }
        if (poConsole->m_bSetCameraSpeeds)
        {
            const float afSpeeds[8] = {poConsole->m_fMouseSpeedX, -poConsole->m_fMouseSpeedY,
                                       poConsole->m_fMoveSpeedZ,  -poConsole->m_fMoveSpeedZ,
                                       poConsole->m_fMoveSpeedY,  -poConsole->m_fMoveSpeedY,
                                       -poConsole->m_fMoveSpeedX, poConsole->m_fMoveSpeedX};
            memcpy(m_oCameraOne.m_afSpeeds, afSpeeds, sizeof(afSpeeds));
            poConsole->m_bSetCameraSpeeds = false;
        }
        if (poConsole->m_bSetWorldTime)
        {
            if (m_poEngine->GetWorld())
            {
                m_poEngine->GetWorld()->SetWorldTime(poConsole->m_fWorldTime);
            }
            poConsole->m_bSetWorldTime = false;
        }
    }
    UpdateDeltaTime();
    // Input is polled only while active; the mouse movement of an unpolled frame is none.
    bool bPolled = m_bActive;
    m_poEngine->Update(m_bPaused ? 0.0f : WORLD_STEP_SCALE * m_oCameraOne.m_fDeltaTime, bPolled);
    QIRN_World* poWorld = m_poEngine->GetWorld();
    if (poWorld && poWorld->GetWorldTime() >= TOLVAMIR_LOOP_SECONDS)
    {
        poWorld->SetWorldTime(0.0f);
    }
    if (m_bActive)
    {
        UpdateInput();
        UpdateControls();
    }
    // Without a camera (a load stopped before any was read) nothing is moved, and the world cannot
    // be drawn: the frame is cleared and shows the console, so the user can load again.
    QIRN_CameraActor* poCamera = CurrentCamera();
    if (poCamera)
    {
        m_oCameraOne.Update(m_oCameraOne.m_fDeltaTime);
        QIRN_Input* poInput = m_poEngine->GetInput();
        if (poInput)
        {
            int iDeltaX = bPolled ? poInput->GetMouseDeltaX() : 0;
            int iDeltaY = bPolled ? poInput->GetMouseDeltaY() : 0;
            m_oCameraOne.HandleMouseMove(MOUSE_FACTOR * iDeltaX, MOUSE_FACTOR * iDeltaY);
        }
    }
    if (poConsole && !poConsole->m_strDumpPrefix.empty())
    {
        char szName[MAX_PATH + 32];
        snprintf(szName, sizeof(szName), "%s%05u.bmp", poConsole->m_strDumpPrefix.c_str(),
                 static_cast<unsigned>(m_poEngine->GetFrameCount()));
        m_poEngine->SetScreenDumpFilename(szName);
    }
    QIRN_Graphics* poGraphics = m_poEngine->GetGraphicsInterface(0);
    if (poCamera || !poWorld)
    {
        m_poEngine->Render(0, poCamera);
    }
    else if (poGraphics)
    {
        poGraphics->RenderFrame(nullptr, nullptr, false);
    }
    m_poEngine->Present(0);
    return 0;
}

int cTolvamir::UpdateDeltaTime()
{
    if (!m_poEngine)
    {
        dprintf("*** cTolvamir::UpdateDeltaTime() - m_poEngine is NULL\n");
        return 1;
    }
    QIRN_Timer* poTimer = m_poEngine->GetTimer();
    if (!poTimer)
    {
        m_oCameraOne.m_fDeltaTime = 0.0f;
        dprintf("*** cTolvamir::UpdateDeltaTime() - m_poEngine->GetTimer() returned NULL\n");
        return 1;
    }
    m_oCameraOne.m_fPreviousTime = m_oCameraOne.m_fLastTime;
    m_oCameraOne.m_fLastTime = poTimer->Update();
    if (m_oCameraOne.m_fPreviousTime == 0.0f)
    {
        m_oCameraOne.m_fPreviousTime = m_oCameraOne.m_fLastTime;
    }
    float fStep = m_oCameraOne.m_fLastTime - m_oCameraOne.m_fPreviousTime;
    m_oCameraOne.m_fDeltaTime = fStep > MAX_FRAME_STEP ? MAX_FRAME_STEP : fStep;
    return 0;
}

int cTolvamir::UpdateInput()
{
    memset(m_aiActions, 0, sizeof(m_aiActions));
    if (!m_poEngine)
    {
        dprintf("*** cTolvamir::UpdateInput() - m_poEngine is NULL\n");
        return 1;
    }
    while (m_poEngine->PeekInputEvent())
    {
        QIRN_InputEvent oEvent;
        m_poEngine->GetInputEvent(&oEvent);
        if (oEvent.m_iDevice == 0)
        {
            continue;
        }
        int iAction = GetActionForInput(oEvent.m_iDevice, oEvent.m_iValue, oEvent.m_iCode, oEvent.m_byState);
        if (iAction >= 0 && iAction < TOLVAMIR_NUM_ACTIONS)
        {
            m_aiActions[iAction] = 1;
        }
    }
    return 0;
}

int cTolvamir::GetActionForInput(int32_t iDevice, int32_t, int32_t iCode, uint8_t byState)
{
    if (iDevice == QIRN_INPUTDEVICE_KEYBOARD && iCode >= 0 && iCode < TOLVAMIR_NUM_KEYS)
    {
        return m_aiKeyBindings[iCode][byState ? 0 : 1];
    }
    if (iDevice == QIRN_INPUTDEVICE_MOUSE && iCode >= 0 && iCode < TOLVAMIR_NUM_MOUSE_KINDS)
    {
        return m_aiMouseBindings[iCode];
    }
    return 0;
}

bool cTolvamir::IsActionActive(int iAction) const
{
    return iAction >= 0 && iAction < TOLVAMIR_NUM_ACTIONS && m_aiActions[iAction] != 0;
}

int cTolvamir::UpdateControls()
{
    if (!m_poEngine)
    {
        dprintf("*** cTolvamir::UpdateControls() - m_poEngine is NULL\n");
        return 1;
    }
    QIRN_Console* poConsole = m_poEngine->GetConsole();
    if (IsActionActive(ACTION_QUIT))
    {
        m_bQuit = true;
    }
    if (IsActionActive(ACTION_CONSOLE) && m_bDeveloperControls && poConsole)
    {
        poConsole->m_bOpen = !poConsole->m_bOpen;
    }
    if (poConsole && poConsole->m_bOpen)
    {
        return 0;
    }
    if (m_bDeveloperControls)
    {
        if (IsActionActive(ACTION_SCREENSHOT))
        {
            m_poEngine->SetScreenDumpFilename("test.bmp");
        }
        if (IsActionActive(ACTION_STATISTICS))
        {
            m_poEngine->SetStatisticsFlag(!m_poEngine->GetStatisticsFlag());
        }
        if (IsActionActive(ACTION_FILLMODE))
        {
            m_poEngine->SetFillMode((m_poEngine->GetFillMode() + 1) % 4);
        }
    }
    if (IsActionActive(ACTION_NEXTCAMERA))
    {
        m_oCameraOne.SwitchCamera();
    }
    if (IsActionActive(ACTION_PAUSE))
    {
        m_bPaused = !m_bPaused;
    }
    return 0;
}

int cTolvamir::SetDefaultBindings(std::string)
{
    memset(m_aiKeyBindings, 0, sizeof(m_aiKeyBindings));
    memset(m_aiMouseBindings, 0, sizeof(m_aiMouseBindings));
    for (const Binding& oBinding : DEFAULT_KEY_BINDINGS)
    {
        m_aiKeyBindings[oBinding.iKey][0] = oBinding.iPressed;
        m_aiKeyBindings[oBinding.iKey][1] = oBinding.iReleased;
    }
    m_aiMouseBindings[QIRN_MOUSE_X] = 14;
    m_aiMouseBindings[QIRN_MOUSE_Y] = 15;
    return 0;
}

int cTolvamir::ShutDownApp()
{
    return 0;
}

int cTolvamir::Cleanup()
{
    ApplyDriverTuning(false);
    DeleteLoadingBitmaps();
    ShutDownAppHint();
    delete m_poEngine;
    m_poEngine = nullptr;
    m_oCameraOne.ForgetCamera();
    return 0;
}

int StartTolvamir(cTolvamir& oClient)
{
    if (oClient.Initialize() != 0 || oClient.InitApp() != 0)
    {
        // The driver values set at the start are put back and the hint released.
        oClient.Cleanup();
        return 1;
    }
    return 0;
}

int RunTolvamir()
{
    cTolvamir::SetRenderFlagSetter(SetMeshActorRender);
    cTolvamir oClient;
    if (StartTolvamir(oClient) != 0)
    {
        return 1;
    }
    while (!oClient.IsQuitting())
    {
        oClient.Update();
        MSG oMsg;
        if (PeekMessageA(&oMsg, nullptr, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&oMsg);
            DispatchMessageA(&oMsg);
        }
    }
    oClient.ShutDownApp();
    oClient.Cleanup();
    return 0;
}
