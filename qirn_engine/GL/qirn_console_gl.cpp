#include "qirn_console_gl.h"

#include "qirn_debug.h"
#include "qirn_shader_gl.h"

QIRN_Console_GL::QIRN_Console_GL(QIRN_Engine* pEngine, QIRN_Graphics* poGraphics, std::string strSkinFile)
    : QIRN_Console(pEngine), m_poGraphics(nullptr), m_poConsoleShader(nullptr)
{
    if (!poGraphics)
    {
        dprintf("*** QIRN_Console_GL :: QIRN_Console_GL() - Invalid graphics device!\n");
        return;
    }
    m_poGraphics = poGraphics;
    if (Load(strSkinFile) != OK)
    {
        dprintf("*** QIRN_Console_GL :: QIRN_Console_GL - Unable to load skin from disk!\n");
    }
}

QIRN_Console_GL::~QIRN_Console_GL()
{
    delete m_poConsoleShader;
    m_poConsoleShader = nullptr;
}

QIRN_ErrorCode QIRN_Console_GL::Load(std::string)
{
    return OK;
}

QIRN_ErrorCode QIRN_Console_GL::Render()
{
    return OK;
}
