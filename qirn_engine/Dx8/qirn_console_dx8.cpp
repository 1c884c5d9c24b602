#include "qirn_console_dx8.h"

#include "qirn_debug.h"
#include "qirn_engine.h"
#include "qirn_graphics_dx8.h"
#include "qirn_shader_dx8.h"
#include "qirn_timer.h"

#include <cmath>
#include <new>

namespace
{
const DWORD FVF_BACKGROUND = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX2;
const DWORD FVF_QUAD = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX1;

struct BackgroundVertex
{
    float x, y, z, rhw;
    DWORD dwDiffuse;
    DWORD dwSpecular;
    float s0, t0, s1, t1;
};

struct QuadVertex
{
    float x, y, z, rhw;
    DWORD dwDiffuse;
    DWORD dwSpecular;
    float u, v;
};

// A 256-texel quad at x0 showing the whole of its texture.
void MakeQuad(QuadVertex* pVertices, float x0)
{
    const QuadVertex aVertices[4] = {{x0, 256.0f, 0.0f, 1.0f, 0xFFFFFFFF, 0xFFFFFFFF, 0.0f, 1.0f},
                                     {x0 + 256.0f, 256.0f, 0.0f, 1.0f, 0xFFFFFFFF, 0xFFFFFFFF, 1.0f, 1.0f},
                                     {x0, 0.0f, 0.0f, 1.0f, 0xFFFFFFFF, 0xFFFFFFFF, 0.0f, 0.0f},
                                     {x0 + 256.0f, 0.0f, 0.0f, 1.0f, 0xFFFFFFFF, 0xFFFFFFFF, 1.0f, 0.0f}};
    for (int i = 0; i < 4; ++i)
    {
        pVertices[i] = aVertices[i];
    }
}
} // namespace

QIRN_Console_DX8::QIRN_Console_DX8(QIRN_Engine* pEngine, QIRN_Graphics_DX8* poGraphics,
                                   std::string strSkinFile)
    : QIRN_Console(pEngine), m_poGraphics(nullptr), m_poConsoleShader(nullptr)
{
    if (!poGraphics)
    {
        dprintf("*** QIRN_Console_DX8 :: QIRN_Console_DX8() - Invalid graphics device!\n");
        return;
    }
    m_poGraphics = poGraphics;
    if (!strSkinFile.empty())
    {
        Load(strSkinFile);
    }
}

QIRN_Console_DX8::~QIRN_Console_DX8()
{
    delete m_poConsoleShader;
    m_poConsoleShader = nullptr;
}

void QIRN_Console_DX8::ConvertConsoleShader()
{
    if (!m_pEngine || !m_poGraphics || !m_poShader)
    {
        return;
    }
    delete m_poConsoleShader;
    m_poConsoleShader = m_poGraphics->ConvertShader(m_poShader, m_pEngine->GetBitmapTree(), nullptr, nullptr);
}

QIRN_ErrorCode QIRN_Console_DX8::Load(std::string strSkinFile)
{
    QIRN_ErrorCode eResult = QIRN_Console::Load(strSkinFile);
    if (eResult != OK)
    {
        dprintf("*** QIRN_Console_DX8 :: Load() - Unable to load skin '%s'\n", strSkinFile.c_str());
        dprintf("                                 Using default values.\n");
        return eResult;
    }
    ConvertConsoleShader();
    return OK;
}

void QIRN_Console_DX8::SetGraphics(QIRN_Graphics* pGraphics)
{
    m_poGraphics = dynamic_cast<QIRN_Graphics_DX8*>(pGraphics);
}

void QIRN_Console_DX8::ReleaseResources()
{
    delete m_poConsoleShader;
    m_poConsoleShader = nullptr;
}

void QIRN_Console_DX8::DrawBackground(uint32_t dwWidth, uint32_t dwLineHeight, int32_t iLines, float t)
{
    const float G = static_cast<float>(dwLineHeight) * static_cast<float>(iLines + 1);
    const float W = static_cast<float>(dwWidth);
    const float L =
        m_dwVisibleLines ? 1.0f - static_cast<float>(iLines) / static_cast<float>(m_dwVisibleLines) : 0.0f;
    BackgroundVertex aVertices[4] = {{0.0f, G, 0.0f, 1.0f, 0xC0000000, 0xFFFFFFFF, 0.0f, 1.0f, 0.0f, 1.0f},
                                     {W, G, 0.0f, 1.0f, 0xC0000000, 0xFFFFFFFF, 1.0f, 1.0f, 1.0f, 1.0f},
                                     {0.0f, 0.0f, 0.0f, 1.0f, 0xC0000000, 0xFFFFFFFF, 0.0f, L, 0.0f, L},
                                     {W, 0.0f, 0.0f, 1.0f, 0xC0000000, 0xFFFFFFFF, 1.0f, L, 1.0f, L}};
    // The second texture set drifts so that the background seems to move; coordinates are kept
    // below 1.0 by shifting all four together.
    for (BackgroundVertex& v : aVertices)
    {
        v.s0 += 0.02f * t;
        v.s1 += std::cos(0.2f * t);
        v.t1 += std::cos(0.1f * t);
        if (v.s1 >= 1.0f)
        {
            for (BackgroundVertex& w : aVertices)
                w.s1 -= 1.0f;
        }
        if (v.t1 >= 1.0f)
        {
            for (BackgroundVertex& w : aVertices)
                w.t1 -= 1.0f;
        }
    }
    if (!m_poConsoleShader && m_pEngine)
    {
        ConvertConsoleShader();
    }
    // Without a shader the background has nothing to be drawn with; the text still is.
    if (!m_poConsoleShader)
    {
        return;
    }
    m_poGraphics->SetDX8Shader(m_poConsoleShader, 0, nullptr, true);
    IDirect3DDevice8* pDevice = m_poGraphics->GetDevice();
    pDevice->SetVertexShader(FVF_BACKGROUND);
    m_poGraphics->SetRS(D3DRS_FILLMODE, D3DFILL_SOLID);
    pDevice->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, aVertices, sizeof(BackgroundVertex));
}

QIRN_ErrorCode QIRN_Console_DX8::Render()
{
    if (!m_bOpen && UpdateSlide() == 0)
    {
        return OK;
    }
    QIRN_DeviceInfo* poInfo = nullptr;
    if (!m_poGraphics || m_poGraphics->GetGraphicsDeviceInfo(0, &poInfo) != OK || !poInfo)
    {
        dprintf("*** QIRN_Console_DX8::Render() - Unable to get graphics device info!\n");
        return GENERICERROR;
    }
    if (!m_poGraphics->GetDevice())
    {
        dprintf("*** QIRN_Console_DX8::Render() - Device pointer is NULL!\n");
        return NULL_POINTER;
    }
    QIRN_Timer* poTimer = m_pEngine ? m_pEngine->GetTimer() : nullptr;
    const float t = poTimer ? poTimer->GetElapsedTime() : 0.0f;
    m_poGraphics->SetFont(m_strFontName, static_cast<int>(m_dwFontSize), static_cast<int>(m_dwFontFlags));
    const uint32_t h = m_poGraphics->GetCharHeight(' ');
    if (h == 0)
    {
        dprintf("*** QIRN_Console_DX8::Render() - The console font has no line height!\n");
        return GENERICERROR;
    }
    int32_t n = UpdateSlide();
    const uint32_t H = poInfo->m_dwHeight;
    m_dwVisibleLines = FitVisibleLines(H, h);
    if (static_cast<int32_t>(m_dwVisibleLines) < n)
    {
        n = static_cast<int32_t>(H / h) - 2;
    }
    if (n < 0)
    {
        n = 0;
    }
    DrawBackground(poInfo->m_dwWidth, h, n, t);

    // The lines in view follow each other in the history; never read past its end.
    const char* szFirst = GetFirstVisibleLine();
    if (szFirst)
    {
        const size_t nIndex = static_cast<size_t>(szFirst - m_aszLines[0]) / sizeof(m_aszLines[0]);
        const int32_t iAvailable = static_cast<int32_t>(QIRN_CONSOLE_MAXLINES - nIndex);
        const int32_t iLines = n < iAvailable ? n : iAvailable;
        for (int32_t i = 0; i < iLines; ++i)
        {
            m_poGraphics->DrawText(m_aszLines[nIndex + i], 0.0f, static_cast<float>(i * h), m_dwFontColor, 0);
        }
    }
    std::string strInput = m_szInput;
    if (static_cast<int64_t>(2.0f * t) % 2 == 1)
    {
        strInput += "_";
    }
    m_poGraphics->DrawText(strInput, 0.0f, static_cast<float>(n * h), m_dwFontColor, 0);
    if (!m_strShowShader.empty())
    {
        RenderShaderQuad();
    }
    if (!m_strShowTexture.empty())
    {
        RenderTextureQuad();
    }
    return OK;
}

QIRN_ErrorCode QIRN_Console_DX8::RenderShaderQuad()
{
    QIRN_Shader_DX8* poShader = m_poGraphics ? m_poGraphics->GetDX8Shader(m_strShowShader) : nullptr;
    if (!poShader)
    {
        Command_Print("Unable to find shader!");
        m_strShowShader = "";
        return OK;
    }
    IDirect3DDevice8* pDevice = m_poGraphics->GetDevice();
    if (!pDevice)
    {
        dprintf("*** QIRN_Console_DX8::RenderShaderQuad() - Device pointer is NULL!\n");
        return NULL_POINTER;
    }
    m_poGraphics->SetDX8Shader(poShader, 0, nullptr, true);
    pDevice->SetVertexShader(FVF_QUAD);
    QuadVertex aVertices[4];
    MakeQuad(aVertices, 0.0f);
    pDevice->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, aVertices, sizeof(QuadVertex));
    return OK;
}

QIRN_ErrorCode QIRN_Console_DX8::RenderTextureQuad()
{
    QIRN_Texture_DX8* poTexture = m_poGraphics ? m_poGraphics->GetTexture(m_strShowTexture) : nullptr;
    if (!poTexture)
    {
        Command_Print("Unable to find texture!");
        m_strShowTexture = "";
        return OK;
    }
    IDirect3DDevice8* pDevice = m_poGraphics->GetDevice();
    if (!pDevice)
    {
        dprintf("*** QIRN_Console_DX8::RenderTextureQuad() - Device pointer is NULL!\n");
        return NULL_POINTER;
    }
    pDevice->SetVertexShader(FVF_QUAD);
    m_poGraphics->SetTSS(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    m_poGraphics->SetTSS(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    m_poGraphics->SetTSS(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    m_poGraphics->SetTSS(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    m_poGraphics->SetTSS(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
    m_poGraphics->SetTSS(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    m_poGraphics->SetTSS(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    m_poGraphics->SetTSS(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    pDevice->SetTexture(0, poTexture->m_pTexture);
    QuadVertex aVertices[4];
    MakeQuad(aVertices, 256.0f);
    pDevice->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, aVertices, sizeof(QuadVertex));
    return OK;
}
