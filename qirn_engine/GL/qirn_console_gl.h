#pragma once
// QIRN_Console_GL: the console under the OpenGL renderer. It keeps the text, commands, scripts
// and requests of every console but draws nothing and loads no skin.

#include "qirn_console.h"

#include <string>

class QIRN_Engine;
class QIRN_Graphics;
class QIRN_Shader_GL;

class QIRN_Console_GL : public QIRN_Console
{
public:
    QIRN_Console_GL(QIRN_Engine* pEngine, QIRN_Graphics* poGraphics, std::string strSkinFile);
    ~QIRN_Console_GL() override;

    QIRN_ErrorCode Load(std::string strSkinFile) override;
    QIRN_ErrorCode Render() override;

    QIRN_Graphics* m_poGraphics; // not owned
    QIRN_Shader_GL* m_poConsoleShader;
};
