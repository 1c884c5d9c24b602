#pragma once
// The one place where the engine gets the parts it owns but does not build itself: graphics
// implementations, the renderers' consoles, audio, input and the world. The renderers, their
// consoles and audio plug in here; tests hand an engine a factory of fakes.

#include "qirn_errors.h"

#include <windows.h>

#include <cstdint>
#include <string>

class QIRN_Audio;
class QIRN_Console;
class QIRN_Engine;
class QIRN_EventMsgManager;
class QIRN_Graphics;
class QIRN_Input;
class QIRN_World;

// Called by the world before each top-level item of a world file; QIRNERR_QUITEARLY aborts the load.
typedef int32_t (*QIRN_ProgressCallback)();

// How the engine drives the world it owns.
struct QIRN_WorldServices
{
    QIRN_World* (*Create)(QIRN_Engine* pEngine);
    void (*Destroy)(QIRN_World* pWorld);
    QIRN_ErrorCode (*Init)(QIRN_World* pWorld);
    QIRN_ErrorCode (*CreateEventMsgClient)(QIRN_World* pWorld, QIRN_EventMsgManager* poManager);
    void (*SetProgressCallback)(QIRN_World* pWorld, QIRN_ProgressCallback pfnCallback);
    QIRN_ErrorCode (*Load)(QIRN_World* pWorld, std::string strPath);
    float (*GetTimeScale)(QIRN_World* pWorld);
    QIRN_ErrorCode (*Update)(QIRN_World* pWorld, float fTimeStep);
    QIRN_ErrorCode (*ReleaseDeviceResources)(QIRN_World* pWorld, int iDevice);
};

struct QIRN_EngineFactory
{
    // A graphics implementation of kind QIRN_GRAPHICS_DX8 or QIRN_GRAPHICS_OPENGL; NULL when it
    // cannot be made.
    QIRN_Graphics* (*CreateGraphics)(QIRN_Engine* pEngine, int32_t iAPI);
    // The console that draws with a graphics kind's renderer; NULL for an unknown kind.
    QIRN_Console* (*CreateConsole)(QIRN_Engine* pEngine, int32_t iAPI, QIRN_Graphics* pGraphics);
    // Audio of kind QIRN_AUDIO_DX8 for the window; NULL when it cannot be made.
    QIRN_Audio* (*CreateAudio)(int32_t iAPI, HWND hWnd);
    // Input of kind QIRN_INPUT_DX8; NULL when it cannot be made.
    QIRN_Input* (*CreateInput)(int32_t iAPI);
    QIRN_WorldServices oWorld;
};

// What a new engine uses.
QIRN_EngineFactory QIRN_DefaultEngineFactory();
