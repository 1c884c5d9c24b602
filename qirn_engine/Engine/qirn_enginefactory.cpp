#include "qirn_enginefactory.h"

#include "qirn_audio_dx8.h"
#include "qirn_console.h"
#include "qirn_console_dx8.h"
#include "qirn_engineparams.h"
#include "qirn_graphics_dx8.h"
#include "qirn_input_dx8.h"

#include <new>

namespace
{
// Direct3D 8 is the renderer there is; OpenGL answers NULL until its renderer exists.
QIRN_Graphics* CreateGraphics(QIRN_Engine* pEngine, int32_t iAPI)
{
    if (iAPI == QIRN_GRAPHICS_DX8)
    {
        return new (std::nothrow) QIRN_Graphics_DX8(pEngine);
    }
    return nullptr;
}

// The Direct3D 8 console draws with its renderer (none when the device is of another kind); the
// OpenGL kind keeps the text-only console until its own exists.
QIRN_Console* CreateConsole(QIRN_Engine* pEngine, int32_t iAPI, QIRN_Graphics* pGraphics)
{
    if (iAPI == QIRN_GRAPHICS_DX8)
    {
        return new (std::nothrow) QIRN_Console_DX8(pEngine, dynamic_cast<QIRN_Graphics_DX8*>(pGraphics), "");
    }
    if (iAPI == QIRN_GRAPHICS_OPENGL)
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
