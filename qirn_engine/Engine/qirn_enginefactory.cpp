#include "qirn_enginefactory.h"

#include "qirn_audio_dx8.h"
#include "qirn_console.h"
#include "qirn_engineparams.h"
#include "qirn_input_dx8.h"

#include <new>

namespace
{
// No renderer is part of the engine library yet: every graphics kind answers NULL.
QIRN_Graphics* CreateGraphics(QIRN_Engine*, int32_t)
{
    return nullptr;
}

// Until the renderers bring their drawing consoles, both kinds get the text-only console.
QIRN_Console* CreateConsole(QIRN_Engine* pEngine, int32_t iAPI, QIRN_Graphics*)
{
    if (iAPI == QIRN_GRAPHICS_DX8 || iAPI == QIRN_GRAPHICS_OPENGL)
    {
        return new (std::nothrow) QIRN_Console(pEngine);
    }
    return nullptr;
}

QIRN_Audio* CreateAudio(int32_t iAPI, HWND hWnd)
{
    return iAPI == QIRN_AUDIO_DX8 ? new (std::nothrow) QIRN_Audio_DX8(hWnd) : nullptr;
}

QIRN_Input* CreateInput(int32_t iAPI)
{
    return iAPI == QIRN_INPUT_DX8 ? new (std::nothrow) QIRN_Input_DX8 : nullptr;
}
} // namespace

QIRN_EngineFactory QIRN_DefaultEngineFactory()
{
    QIRN_EngineFactory oFactory;
    oFactory.CreateGraphics = CreateGraphics;
    oFactory.CreateConsole = CreateConsole;
    oFactory.CreateAudio = CreateAudio;
    oFactory.CreateInput = CreateInput;
    return oFactory;
}
