#pragma once
// cTolvamir: the scene client. It owns the window and the engine, starts them in two steps
// (Initialize, InitApp), runs one frame per Update (console requests, world loads behind the
// loading screen, the engine's update, render and present, the 95-second restart, key actions
// and the free camera) and tears everything down again in Cleanup.

#include "applicationcamera.h"

#include "qirn_enginefactory.h"
#include "qirn_engineparams.h"
#include "qirn_errors.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

class QIRN_BaseObject;
class QIRN_CameraActor;
class QIRN_Engine;

// Sets the render flag of a mesh actor found by name.
typedef void (*RenderFlagSetter)(QIRN_BaseObject* poActor, int32_t bRender);
// The program's setter: switches a mesh actor's render flag and logs it; any other object is left
// as it is.
void SetMeshActorRender(QIRN_BaseObject* poActor, int32_t bRender);

const int TOLVAMIR_NUM_ACTIONS = 27;
const int TOLVAMIR_NUM_KEYS = 102;
const int TOLVAMIR_NUM_MOUSE_KINDS = 8;

// Actions that do something.
const int ACTION_SCREENSHOT = 18;
const int ACTION_PAUSE = 20;
const int ACTION_STATISTICS = 21;
const int ACTION_CONSOLE = 22;
const int ACTION_FILLMODE = 23;
const int ACTION_NEXTCAMERA = 25;
const int ACTION_QUIT = 26;

// The world time at which the scene starts again.
const float TOLVAMIR_LOOP_SECONDS = 95.0f;

extern const char* const TOLVAMIR_TITLE;
extern const char* const TOLVAMIR_CAPTION;
extern const char* const TOLVAMIR_SETTINGS_FILE;

// What the client asks of the desktop: message boxes and starting another program. Tests put
// recorders in their place, so no box ever waits for a click there.
struct TolvamirShell
{
    int (*pfnMessageBox)(HWND hOwner, const char* szText, const char* szCaption, UINT uType);
    void (*pfnOpen)(const char* szFile, const char* szParameters, const char* szFolder, int iShow);
};
// NULL restores the real desktop.
void SetTolvamirShell(const TolvamirShell* poShell);
const TolvamirShell& GetTolvamirShell();

bool SettingsFileExists();
void LaunchConfigApplication();
LRESULT CALLBACK WndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

// Accepted sizes and byte sums of the installed (scrambled) world and shader files.
struct InstallationValues
{
    std::vector<int32_t> vWorldSums;
    std::vector<uint32_t> vWorldSizes;
    std::vector<int32_t> vShaderSums;
    std::vector<uint32_t> vShaderSizes;
};

class cTolvamir
{
public:
    cTolvamir();
    ~cTolvamir();

    cTolvamir(const cTolvamir&) = delete;
    cTolvamir& operator=(const cTolvamir&) = delete;

    int Initialize();
    HWND InitWindow(DWORD dwStyle, const std::string& strTitle, int x, int y, int iWidth, int iHeight);
    int GetScreenParams();
    int GetDeviceSettings();
    int InitApp();
    void PrintCredits();

    LRESULT WindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
    void OnChar(char c);

    int Update();
    int UpdateDeltaTime();
    int UpdateInput();
    int GetActionForInput(int32_t iDevice, int32_t iValue, int32_t iCode, uint8_t byState);
    bool IsActionActive(int iAction) const;
    int UpdateControls();
    int SetDefaultBindings(std::string strFileName);
    int ShutDownApp();
    int Cleanup();

    // Scene files.
    int UnscrambleSceneFiles();
    int DeleteUnscrambledSceneFiles();
    int CheckInstallation();

    // Display-driver application hint.
    int InitAppHint();
    void ShutDownAppHint();
    float QueryDriverVersion();
    bool QueryAppHint();
    bool RegisterAppHint();
    int NotifyAppHint(int iValue);

    QIRN_Engine* GetEngine() const { return m_poEngine; }
    cApplicationCamera& GetCameraController() { return m_oCameraOne; }
    bool IsQuitting() const { return m_bQuit; }

    // Engines made from now on get this factory (tests hand in fakes); NULL keeps the default.
    void SetEngineFactory(const QIRN_EngineFactory* poFactory) { m_poEngineFactory = poFactory; }
    // What CheckInstallation accepts; NULL restores the values of the shipped scene files.
    static void SetInstallationValues(const InstallationValues* poValues);
    // How the visibility swap reaches the mesh actors' render flags; NULL: nothing is switched.
    static void SetRenderFlagSetter(RenderFlagSetter pfnSetter);

    bool m_bVisibilitySwap;
    bool m_bActive;
    bool m_bWindowAlive;
    bool m_bWindowed;
    bool m_bQuit;
    QIRN_Engine* m_poEngine;
    std::string m_strTitle;
    int32_t m_iX;
    int32_t m_iY;
    int32_t m_iWidth;
    int32_t m_iHeight;
    int32_t m_iRefreshRate;
    int32_t m_iAPI;
    uint32_t m_dwVertexProcessing;
    int32_t m_iDeviceType;
    int32_t m_iBackBufferFormat;
    int32_t m_iDepthStencilFormat;
    DWORD m_dwWindowStyle;
    int32_t m_iAntiAliasing;
    cApplicationCamera m_oCameraOne;
    std::string m_strWorldFile;
    std::string m_strShaderFile;
    int32_t m_aiActions[TOLVAMIR_NUM_ACTIONS];
    int32_t m_aiKeyBindings[TOLVAMIR_NUM_KEYS][2];
    int32_t m_aiMouseBindings[TOLVAMIR_NUM_MOUSE_KINDS];
    int32_t m_bDeveloperControls;
    int32_t m_bHighResTextures;
    int32_t m_bPaused;
    int32_t m_bAppHintRegistered;

private:
    // The load the console asked for; answers 1 when the frame must end with 1, 2 when it ends
    // with 0, 0 when it goes on.
    int LoadRequestedWorld();
    void StartMusic();
    int TryGraphics(QIRN_GraphicsParams& oParams);
    void CloseWindowNow(HWND hWnd);
    void SwapVisibility();
    // The camera to render through and move; takes the world's first one when none is held.
    QIRN_CameraActor* CurrentCamera();

    const QIRN_EngineFactory* m_poEngineFactory;
    HWND m_hWnd;
    // The unscrambled files the last UnscrambleSceneFiles wrote, for DeleteUnscrambledSceneFiles.
    std::vector<std::string> m_vUnscrambledFiles;
};

// The running client, for the window procedure; NULL when there is none.
extern cTolvamir* g_poTolvamir;

// Initialize and InitApp; a failure runs Cleanup (so driver values are put back) and answers 1.
int StartTolvamir(cTolvamir& oClient);
// The whole program after the settings-file check: start, main loop, shutdown. Exit code.
int RunTolvamir();
