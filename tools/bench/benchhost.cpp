#include "benchhost.h"

#include "importpatch.h"

#include "qirn_cameraactor.h"
#include "qirn_console.h"
#include "qirn_engine.h"
#include "qirn_engineparams.h"
#include "qirn_graphics.h"
#include "qirn_world.h"

#include <cstdio>
#include <new>

namespace
{
const char* const WINDOW_CLASS = "QIRN_BENCH";
const char* const SETTINGS_FILE = "qirn_bench.ini";
// X8R8G8B8 and D24X8 in the engine's pixel-format codes: a format both renderers take here.
const int32_t BACK_BUFFER_FORMAT = 22;
const int32_t DEPTH_FORMAT = 75;
// Mixed vertex processing on the hardware device, as the client asks for it.
const uint32_t VERTEX_PROCESSING = 128;

// Time spent in the window's buffer swaps since the last read, in performance-counter ticks.
typedef BOOL(WINAPI* SwapBuffersFunction)(HDC);
SwapBuffersFunction g_pfnSwapBuffers = nullptr;
int64_t g_iSwapTicks = 0;

BOOL WINAPI TimedSwapBuffers(HDC hDC)
{
    const int64_t iStart = BenchHost::Now();
    const BOOL bResult = g_pfnSwapBuffers(hDC);
    g_iSwapTicks += BenchHost::Now() - iStart;
    return bResult;
}

double Frequency()
{
    LARGE_INTEGER oFrequency;
    QueryPerformanceFrequency(&oFrequency);
    return static_cast<double>(oFrequency.QuadPart);
}

double ThreadCpuSeconds()
{
    FILETIME oCreation, oExit, oKernel, oUser;
    if (!GetThreadTimes(GetCurrentThread(), &oCreation, &oExit, &oKernel, &oUser))
    {
        return 0.0;
    }
    auto Seconds = [](const FILETIME& ro) {
        return static_cast<double>((static_cast<uint64_t>(ro.dwHighDateTime) << 32) | ro.dwLowDateTime) *
               1e-7;
    };
    return Seconds(oKernel) + Seconds(oUser);
}

std::string FullPath(const std::string& strPath)
{
    char szFull[MAX_PATH * 2] = {};
    const DWORD dwLength = GetFullPathNameA(strPath.c_str(), sizeof(szFull), szFull, nullptr);
    return dwLength > 0 && dwLength < sizeof(szFull) ? std::string(szFull) : strPath;
}
} // namespace

BenchHost::BenchHost() : m_hWnd(nullptr), m_poEngine(nullptr) {}

BenchHost::~BenchHost()
{
    delete m_poEngine;
    if (m_hWnd)
    {
        DestroyWindow(m_hWnd);
    }
}

int64_t BenchHost::Now()
{
    LARGE_INTEGER oNow;
    QueryPerformanceCounter(&oNow);
    return oNow.QuadPart;
}

double BenchHost::SecondsSince(int64_t iStart)
{
    static const double dFrequency = Frequency();
    return static_cast<double>(Now() - iStart) / dFrequency;
}

bool BenchHost::MakeWindow()
{
    WNDCLASSA oClass = {};
    oClass.style = CS_OWNDC;
    oClass.lpfnWndProc = DefWindowProcA;
    oClass.hInstance = GetModuleHandleA(nullptr);
    oClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    oClass.lpszClassName = WINDOW_CLASS;
    if (!RegisterClassA(&oClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
    {
        fprintf(stderr, "bench: cannot register the window class\n");
        return false;
    }
    // A popup: its client area is the whole requested size, even on a display of just that size.
    m_hWnd =
        CreateWindowExA(0, WINDOW_CLASS, "Tolvamir bench", WS_POPUP | WS_VISIBLE, 0, 0, m_oSettings.iWidth,
                        m_oSettings.iHeight, nullptr, nullptr, oClass.hInstance, nullptr);
    if (!m_hWnd)
    {
        fprintf(stderr, "bench: cannot create the %dx%d window\n", m_oSettings.iWidth, m_oSettings.iHeight);
        return false;
    }
    PumpMessages();
    return true;
}

bool BenchHost::WriteSettingsFile(const std::string& strPath) const
{
    FILE* pFile = fopen(strPath.c_str(), "w");
    if (!pFile)
    {
        fprintf(stderr, "bench: cannot write %s\n", strPath.c_str());
        return false;
    }
    const std::string strData = FullPath(m_oSettings.strDataFolder);
    fprintf(pFile, "[GFX MODE]\nWidth=%d\nHeight=%d\nFrequency=0\nAntiAliasing=0\n", m_oSettings.iWidth,
            m_oSettings.iHeight);
    fprintf(pFile, "[PATHS]\nEnginePath=.\nSystemPath=%s\\_System_\nFontPath=%s\\Fonts\n", strData.c_str(),
            strData.c_str());
    const std::string strMeshes =
        m_oSettings.strMeshFolder.empty() ? strData + "\\Models" : FullPath(m_oSettings.strMeshFolder);
    fprintf(pFile, "MeshPath=%s\nAnimationPath=%s\nScenePath=%s\n", strMeshes.c_str(), strMeshes.c_str(),
            FullPath(m_oSettings.strSceneFolder).c_str());
    fprintf(pFile, "SoundPath=%s\\Sounds\nLipSyncPath=%s\\Sounds\nTexturePath=%s\\Textures\n",
            strData.c_str(), strData.c_str(), strData.c_str());
    fprintf(pFile, "ShaderPath=%s\\Shaders\nDigiMaskPath=%s\\Models\n", strData.c_str(), strData.c_str());
    fclose(pFile);
    return true;
}

bool BenchHost::Start(const BenchSettings& roSettings)
{
    m_oSettings = roSettings;
    if (!MakeWindow() || !WriteSettingsFile(SETTINGS_FILE))
    {
        return false;
    }
    m_poEngine = new (std::nothrow) QIRN_Engine;
    if (!m_poEngine)
    {
        fprintf(stderr, "bench: cannot make the engine\n");
        return false;
    }
    QIRN_EngineParams oEngineParams;
    oEngineParams.m_strIniFile = std::string(".\\") + SETTINGS_FILE;
    oEngineParams.m_hWnd = m_hWnd;
    if (m_poEngine->Initialize(oEngineParams) != OK)
    {
        fprintf(stderr, "bench: the engine did not start\n");
        return false;
    }
    QIRN_GraphicsParams oParams;
    oParams.m_iAPI = m_oSettings.iAPI;
    oParams.m_iWidth = m_oSettings.iWidth;
    oParams.m_iHeight = m_oSettings.iHeight;
    oParams.m_iBackBufferFormat = BACK_BUFFER_FORMAT;
    oParams.m_iBackBufferCount = 1;
    oParams.m_iDepthStencilFormat = DEPTH_FORMAT;
    oParams.m_iDeviceType = 1;
    oParams.m_dwVertexProcessing = VERTEX_PROCESSING;
    oParams.m_bWindowed = true;
    oParams.m_bZBuffer = true;
    if (m_poEngine->InitGraphics(&oParams) != OK)
    {
        fprintf(stderr, "bench: the %s renderer did not start\n",
                m_oSettings.iAPI == QIRN_GRAPHICS_OPENGL ? "OpenGL" : "Direct3D 8");
        return false;
    }
    if (m_poEngine->InitConsole(&oParams) != OK || !m_poEngine->GetConsole())
    {
        fprintf(stderr, "bench: the console did not start\n");
        return false;
    }
    // The frame limiter off: every frame is drawn and shown.
    m_poEngine->GetConsole()->m_iFpsLock = 0;
    // Talking heads run on their sounds; without a sound device they stand still, which is all.
    QIRN_AudioParams oAudio;
    oAudio.m_iAPI = QIRN_AUDIO_DX8;
    m_poEngine->InitAudio(&oAudio);
    if (m_oSettings.iAPI == QIRN_GRAPHICS_OPENGL &&
        !PatchImport("gdi32.dll", "SwapBuffers", reinterpret_cast<void*>(&TimedSwapBuffers),
                     reinterpret_cast<void**>(&g_pfnSwapBuffers)))
    {
        fprintf(stderr, "bench: cannot time the buffer swaps; they count as submission\n");
    }
    return true;
}

double BenchHost::LoadScene()
{
    const std::string strWorld = FullPath(m_oSettings.strSceneFolder) + "\\" + m_oSettings.strWorldFile;
    const int64_t iStart = Now();
    const QIRN_ErrorCode eResult = m_poEngine->LoadWorld(nullptr, strWorld);
    const double dSeconds = SecondsSince(iStart);
    if (eResult != OK || !m_poEngine->GetWorld() || !Camera())
    {
        fprintf(stderr, "bench: the world %s did not load (or has no camera)\n", strWorld.c_str());
        return -1.0;
    }
    return dSeconds;
}

QIRN_CameraActor* BenchHost::Camera() const
{
    QIRN_World* poWorld = m_poEngine ? m_poEngine->GetWorld() : nullptr;
    QIRN_LINKEDLIST<QIRN_CameraActor>* poCameras = poWorld ? poWorld->GetCameraActorList() : nullptr;
    return poCameras && poCameras->m_pHead ? poCameras->m_pHead->m_pData : nullptr;
}

void BenchHost::PumpMessages()
{
    MSG oMsg;
    while (PeekMessageA(&oMsg, nullptr, 0, 0, PM_REMOVE))
    {
        TranslateMessage(&oMsg);
        DispatchMessageA(&oMsg);
    }
}

bool BenchHost::ChangeScene(const std::string& strFolder, const std::string& strWorldFile)
{
    m_poEngine->UnloadWorld();
    if (m_poEngine->GetGraphicsInterface(0))
    {
        m_poEngine->GetGraphicsInterface(0)->ReleaseResources();
    }
    m_oSettings.strSceneFolder = strFolder;
    m_oSettings.strMeshFolder = strFolder;
    m_oSettings.strWorldFile = strWorldFile;
    return WriteSettingsFile(SETTINGS_FILE);
}

bool BenchHost::RenderAt(float fTime)
{
    QIRN_World* poWorld = m_poEngine->GetWorld();
    poWorld->SetWorldTime(fTime);
    m_poEngine->Update(0.0f, false);
    const bool bOk = m_poEngine->Render(0, Camera()) == OK && m_poEngine->Present(0) == OK;
    PumpMessages();
    return bOk;
}

double BenchHost::FirstFrame()
{
    // As the client starts a world: its time set and updated with no step before the first frame.
    QIRN_World* poWorld = m_poEngine->GetWorld();
    poWorld->SetWorldTime(0.0f);
    poWorld->UpdateWorld(0.0f);
    const int64_t iStart = Now();
    const bool bOk = m_poEngine->Render(0, Camera()) == OK && m_poEngine->Present(0) == OK;
    const double dSeconds = SecondsSince(iStart);
    PumpMessages();
    if (!bOk)
    {
        fprintf(stderr, "bench: the first frame was not drawn\n");
        return -1.0;
    }
    return dSeconds;
}

bool BenchHost::PlayFrame()
{
    m_poEngine->Update(m_oSettings.fStep, false);
    const bool bOk = m_poEngine->Render(0, Camera()) == OK && m_poEngine->Present(0) == OK;
    PumpMessages();
    return bOk;
}

BenchTimes BenchHost::Play()
{
    QIRN_World* poWorld = m_poEngine->GetWorld();
    poWorld->SetWorldTime(0.0f);
    poWorld->UpdateWorld(0.0f);
    return TimeFrames(m_oSettings.fStep,
                      static_cast<uint32_t>(m_oSettings.fSeconds / m_oSettings.fStep + 0.5f));
}

BenchTimes BenchHost::Hold(float fTime, uint32_t uFrames)
{
    m_poEngine->GetWorld()->SetWorldTime(fTime);
    return TimeFrames(0.0f, uFrames);
}

BenchTimes BenchHost::TimeFrames(float fStep, uint32_t uFrames)
{
    BenchTimes oTimes;
    static const double dFrequency = Frequency();
    const double dCpuStart = ThreadCpuSeconds();
    const int64_t iStart = Now();
    for (uint32_t i = 0; i < uFrames; ++i)
    {
        const int64_t iFrame = Now();
        m_poEngine->Update(fStep, false);
        const int64_t iUpdated = Now();
        g_iSwapTicks = 0;
        const QIRN_ErrorCode eRendered = m_poEngine->Render(0, Camera());
        const int64_t iRendered = Now();
        const QIRN_ErrorCode ePresented = m_poEngine->Present(0);
        const int64_t iPresented = Now();
        oTimes.uFailedFrames += eRendered != OK || ePresented != OK ? 1 : 0;
        oTimes.dUpdate += static_cast<double>(iUpdated - iFrame) / dFrequency;
        oTimes.dSubmit += static_cast<double>(iRendered - iUpdated - g_iSwapTicks) / dFrequency;
        oTimes.dPresent += static_cast<double>(iPresented - iRendered + g_iSwapTicks) / dFrequency;
        PumpMessages();
    }
    oTimes.dWall = SecondsSince(iStart);
    oTimes.dMainThreadCpu = ThreadCpuSeconds() - dCpuStart;
    oTimes.uFrames = uFrames;
    return oTimes;
}
