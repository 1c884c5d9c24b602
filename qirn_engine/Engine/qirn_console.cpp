#include "qirn_console.h"

#include "qirn_engine.h"
#include "qirn_shader.h"

#include <windows.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>

namespace
{
// The first line Print writes: half-way through the ring, so the first half of the prints never
// reach the mirrored lines.
const uint32_t FIRST_LINE = QIRN_CONSOLE_MAXLINES / 2;
const uint32_t DEFAULT_FONT_SIZE = 10;
const uint32_t OPAQUE_WHITE = 0xFFFFFFFF;
const float NEVER = -1.0f;
const float DEFAULT_MOUSE_SPEED = 0.3f;
const float DEFAULT_MOVE_SPEED = 0.2f;

// The console background: the pass defaults with alpha blending and no vertex shader.
QIRN_Shader* MakeConsoleShader()
{
    QIRN_Shader* poShader = new (std::nothrow) QIRN_Shader;
    if (!poShader)
    {
        return nullptr;
    }
    poShader->SetName("ConsoleShader");
    poShader->m_poPasses = new (std::nothrow) QIRN_ShaderPass[1];
    if (poShader->m_poPasses)
    {
        poShader->m_dwNumPasses = 1;
        poShader->m_poPasses[0].m_bAlphaBlendEnabled = true;
        poShader->m_poPasses[0].m_strVertexShader.clear();
    }
    return poShader;
}
} // namespace

QIRN_Console::QIRN_Console(QIRN_Engine* pEngine)
    : m_pEngine(pEngine), m_dwMaxLines(QIRN_CONSOLE_MAXLINES), m_dwLineWidth(QIRN_CONSOLE_LINEWIDTH),
      m_dwVisibleLines(QIRN_CONSOLE_VISIBLELINES), m_dwCurrentLine(FIRST_LINE), m_dwShownLines(0),
      m_bOpen(false), m_poShader(MakeConsoleShader()), m_strFontName("Lucida Console"),
      m_dwFontSize(DEFAULT_FONT_SIZE), m_dwFontFlags(0), m_dwFontColor(OPAQUE_WHITE), m_dwFillMode(0),
      m_fExitTime(NEVER), m_bShowLineSystems(false), m_bShowBones(false), m_bShowParticleEmitters(false),
      m_bShowParticleAttractors(false), m_bShowWorldName(false), m_bShowCameraMeshes(false),
      m_bShowLightMeshes(false), m_bShowWayPoints(false), m_bShowPos(false), m_bShowXYZ(false),
      m_bLoadWorld(false), m_bShowStats(false), m_bShowNormals(false), m_iFpsLock(0), m_fWorldTime(0.0f),
      m_bSetCameraSpeeds(true), m_bSetWorldTime(false), m_fMouseSpeedX(DEFAULT_MOUSE_SPEED),
      m_fMouseSpeedY(DEFAULT_MOUSE_SPEED), m_fMoveSpeedX(DEFAULT_MOVE_SPEED),
      m_fMoveSpeedY(DEFAULT_MOVE_SPEED), m_fMoveSpeedZ(DEFAULT_MOVE_SPEED), m_dwCursor(0)
{
    memset(m_aszLines, 0, sizeof(m_aszLines));
    memset(m_szInput, 0, sizeof(m_szInput));
}

QIRN_Console::~QIRN_Console()
{
    delete m_poShader;
    m_poShader = nullptr;
}

QIRN_ErrorCode QIRN_Console::ReceiveText(std::string)
{
    return OK;
}

void QIRN_Console::SetGraphics(QIRN_Graphics*) {}

void QIRN_Console::ReleaseResources() {}

QIRN_ErrorCode QIRN_Console::Render()
{
    return OK;
}

uint32_t QIRN_Console::MaxLines() const
{
    return std::min(std::max(m_dwMaxLines, 2u), QIRN_CONSOLE_MAXLINES);
}

uint32_t QIRN_Console::LineWidth() const
{
    return std::min(std::max(m_dwLineWidth, 1u), QIRN_CONSOLE_LINEWIDTH);
}

uint32_t QIRN_Console::GetVisibleLinesInRing() const
{
    return std::min(std::max(m_dwVisibleLines, 1u), MaxLines() / 2);
}

uint32_t QIRN_Console::FitVisibleLines(uint32_t dwScreenHeight, uint32_t dwLineHeight)
{
    // No font (height 0) or a font taller than the screen still leaves one line.
    uint32_t dwLines = dwLineHeight ? dwScreenHeight / dwLineHeight : 0;
    dwLines = dwLines > 1 ? dwLines - 1 : 1;
    return std::min(dwLines, QIRN_CONSOLE_MAXLINES / 2);
}

void QIRN_Console::PutChar(uint32_t dwLine, uint32_t dwColumn, char c)
{
    uint32_t dwMax = MaxLines();
    uint32_t dwVisible = GetVisibleLinesInRing();
    m_aszLines[dwLine][dwColumn] = c;
    // The last lines of the ring are also kept at its start, so that after a wrap the lines in
    // view always follow each other in memory.
    if (dwLine > dwMax - dwVisible)
    {
        m_aszLines[dwLine - (dwMax - dwVisible) - 1][dwColumn] = c;
    }
}

void QIRN_Console::AdvanceLine()
{
    ++m_dwCurrentLine;
    if (m_dwCurrentLine >= MaxLines())
    {
        m_dwCurrentLine = GetVisibleLinesInRing() - 1;
    }
}

int QIRN_Console::Print(const char* szFormat, ...)
{
    char szText[QIRN_CONSOLE_PRINTBUFFER];
    szText[0] = '\0';
    if (szFormat)
    {
        va_list args;
        va_start(args, szFormat);
        // A longer text is cut to the buffer.
        if (vsnprintf(szText, sizeof(szText), szFormat, args) < 0)
        {
            szText[0] = '\0';
        }
        va_end(args);
    }
    PrintText(szText);
    return 0;
}

void QIRN_Console::PrintText(const char* szText)
{
    uint32_t dwWidth = LineWidth();
    if (m_dwCurrentLine >= MaxLines())
    {
        m_dwCurrentLine = GetVisibleLinesInRing() - 1;
    }
    uint32_t dwColumn = 0;
    for (const char* p = szText; *p; ++p)
    {
        if (*p == '\n')
        {
            PutChar(m_dwCurrentLine, dwColumn, '\0');
            AdvanceLine();
            dwColumn = 0;
            continue;
        }
        PutChar(m_dwCurrentLine, dwColumn++, *p);
        if (dwColumn >= dwWidth)
        {
            PutChar(m_dwCurrentLine, dwColumn, '\0');
            AdvanceLine();
            dwColumn = 0;
        }
    }
    PutChar(m_dwCurrentLine, dwColumn, '\0');
    // Not wrapped here: the next Print wraps, so a drawer sees the line just written.
    ++m_dwCurrentLine;
}

char* QIRN_Console::GetFirstVisibleLine()
{
    if (m_dwShownLines <= 0)
    {
        return nullptr;
    }
    int64_t iMax = MaxLines();
    // While closing, more lines may still be shown than a shrunken view holds; the caller reads
    // all m_dwShownLines of them, ending with the last line printed.
    int64_t iShown = std::min<int64_t>(m_dwShownLines, iMax);
    int64_t iFirst = static_cast<int64_t>(m_dwCurrentLine) - iShown;
    // A caller reads the shown lines from here on: they must all lie inside the ring.
    iFirst = std::min(std::max<int64_t>(iFirst, 0), iMax - iShown);
    return m_aszLines[iFirst];
}

int QIRN_Console::UpdateSlide()
{
    int32_t iVisible = static_cast<int32_t>(GetVisibleLinesInRing());
    if (m_bOpen)
    {
        if (m_dwShownLines < iVisible)
        {
            ++m_dwShownLines;
        }
        else
        {
            m_dwShownLines = iVisible;
        }
    }
    else if (m_dwShownLines > 0)
    {
        --m_dwShownLines;
    }
    else
    {
        m_dwShownLines = 0;
    }
    return m_dwShownLines;
}

bool QIRN_Console::IsExitTime()
{
    if (!m_pEngine)
    {
        return true;
    }
    return m_fExitTime >= 0.0f && m_pEngine->GetTotalTime() >= m_fExitTime;
}

void QIRN_Console::ProcessChar(char c)
{
    switch (static_cast<signed char>(c))
    {
    case 3:
        CopyInputLine();
        break;
    case 22:
        PasteText();
        break;
    default:
        ProcessTypedChar(c);
        break;
    }
}

void QIRN_Console::ProcessTypedChar(char c)
{
    uint32_t dwWidth = LineWidth();
    m_dwCursor = std::min(m_dwCursor, dwWidth);
    signed char code = static_cast<signed char>(c);
    if (code == 8)
    {
        if (m_dwCursor > 0)
        {
            --m_dwCursor;
        }
        m_szInput[m_dwCursor] = '\0';
    }
    else if (code == 10 || code == 13)
    {
        m_szInput[m_dwCursor] = '\0';
        std::string strLine = m_szInput;
        Print("%s", strLine.c_str());
        ParseCommand(strLine);
        memset(m_szInput, 0, sizeof(m_szInput));
        m_dwCursor = 0;
    }
    else if (code >= 32 && code != 96)
    {
        if (m_dwCursor < dwWidth)
        {
            m_szInput[m_dwCursor++] = c;
        }
    }
}

void QIRN_Console::CopyInputLine()
{
    if (!OpenClipboard(nullptr))
    {
        return;
    }
    EmptyClipboard();
    HGLOBAL hText = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, sizeof(m_szInput));
    char* pText = hText ? static_cast<char*>(GlobalLock(hText)) : nullptr;
    if (pText)
    {
        memcpy(pText, m_szInput, sizeof(m_szInput));
        pText[sizeof(m_szInput) - 1] = '\0';
        GlobalUnlock(hText);
        // The clipboard owns the memory only when it took it.
        if (SetClipboardData(CF_TEXT, hText))
        {
            hText = nullptr;
        }
    }
    if (hText)
    {
        GlobalFree(hText);
    }
    CloseClipboard();
}

void QIRN_Console::PasteText()
{
    if (!OpenClipboard(nullptr))
    {
        return;
    }
    std::string strText;
    HANDLE hText = GetClipboardData(CF_TEXT);
    const char* pText = hText ? static_cast<const char*>(GlobalLock(hText)) : nullptr;
    if (pText)
    {
        // Bounded by the block, in case the clipboard text lacks its terminator.
        strText.assign(pText, strnlen(pText, GlobalSize(hText)));
        GlobalUnlock(hText);
    }
    CloseClipboard();
    // Pasted text is typed, except that its own clipboard codes are ignored.
    for (char c : strText)
    {
        ProcessTypedChar(c);
    }
}
