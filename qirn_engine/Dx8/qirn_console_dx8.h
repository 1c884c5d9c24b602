#pragma once
// QIRN_Console_DX8: the console drawn with the Direct3D 8 renderer: a translucent, slowly moving
// background that slides down over the scene, the history and the input line in the console font,
// and the debug quads that show a named shader or texture.

#include "qirn_console.h"

#include <string>

class QIRN_Engine;
class QIRN_Graphics_DX8;
class QIRN_Shader_DX8;

class QIRN_Console_DX8 : public QIRN_Console
{
public:
    QIRN_Console_DX8(QIRN_Engine* pEngine, QIRN_Graphics_DX8* poGraphics, std::string strSkinFile);
    ~QIRN_Console_DX8() override;

    QIRN_ErrorCode Load(std::string strSkinFile) override;
    void SetGraphics(QIRN_Graphics* pGraphics) override;
    void ReleaseResources() override;
    QIRN_ErrorCode Render() override;

    QIRN_ErrorCode RenderShaderQuad();
    QIRN_ErrorCode RenderTextureQuad();

    QIRN_Graphics_DX8* m_poGraphics;
    QIRN_Shader_DX8* m_poConsoleShader;

private:
    void ConvertConsoleShader();
    void DrawBackground(uint32_t dwWidth, uint32_t dwLineHeight, int32_t iLines, float t);
};
