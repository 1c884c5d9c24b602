#pragma once
// The one place where the engine gets the parts it owns that come in kinds: graphics
// implementations, the renderers' consoles, audio and input. The renderers, their consoles and
// audio plug in here; tests hand an engine a factory of fakes.

#include "qirn_errors.h"

#include <windows.h>

#include <cstdint>

class QIRN_Audio;
class QIRN_Console;
class QIRN_Engine;
class QIRN_Graphics;
class QIRN_Input;

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
};

// What a new engine uses.
QIRN_EngineFactory QIRN_DefaultEngineFactory();
