#include "qirn_enginefactory.h"

#include "qirn_audio_dx8.h"
#include "qirn_console.h"
#include "qirn_console_dx8.h"
#include "qirn_console_gl.h"
#include "qirn_engineparams.h"
#include "qirn_graphics_dx8.h"
#include "qirn_graphics_gl.h"
#include "qirn_input_dx8.h"

#include <new>

namespace
{
QIRN_Graphics* CreateGraphics(QIRN_Engine* pEngine, int32_t iAPI)
{
    if (iAPI == QIRN_GRAPHICS_DX8)
    {
        return new (std::nothrow) QIRN_Graphics_DX8(pEngine);
    }
    if (iAPI == QIRN_GRAPHICS_OPENGL)
    {
        // The OpenGL device takes its engine after construction.
        QIRN_Graphics_GL* poGraphics = new (std::nothrow) QIRN_Graphics_GL();
        if (poGraphics)
        {
            poGraphics->m_pEngine = pEngine;
        }
        return poGraphics;
    }
    return nullptr;
}

// Each renderer's console draws with its own device (none when the device is of another kind).
QIRN_Console* CreateConsole(QIRN_Engine* pEngine, int32_t iAPI, QIRN_Graphics* pGraphics)
{
    if (iAPI == QIRN_GRAPHICS_DX8)
    {
        return new (std::nothrow) QIRN_Console_DX8(pEngine, dynamic_cast<QIRN_Graphics_DX8*>(pGraphics), "");
    }
    if (iAPI == QIRN_GRAPHICS_OPENGL)
    {
        return new (std::nothrow) QIRN_Console_GL(pEngine, pGraphics, "");
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
