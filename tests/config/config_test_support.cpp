#include "config_test_support.h"

#include <algorithm>
#include <cstring>
#include <fstream>

namespace config_test
{
namespace
{
DebugOutputCapture* s_pCapture = nullptr;
MessageBoxCatcher* s_pCatcher = nullptr;
// The debugger-output exception (DBG_PRINTEXCEPTION_C): its arguments are the length and the text.
const DWORD DEBUG_PRINT_EXCEPTION = 0x40010006;

std::string WindowText(HWND hWnd)
{
    char szText[1024] = "";
    GetWindowTextA(hWnd, szText, sizeof(szText));
    return szText;
}

// The message box's text: its one static control with text (the icon has none).
BOOL CALLBACK CollectStaticText(HWND hChild, LPARAM lParam)
{
    char szClass[32] = "";
    GetClassNameA(hChild, szClass, sizeof(szClass));
    std::string szText = WindowText(hChild);
    if (_stricmp(szClass, "Static") == 0 && !szText.empty())
    {
        *reinterpret_cast<std::string*>(lParam) = szText;
        return FALSE;
    }
    return TRUE;
}

// Reads a string or ordinal of a dialog template; ordinals come back as "#" and their number.
std::string ReadSzOrOrd(const WORD*& p, bool bHexOrdinal)
{
    if (*p == 0xFFFF)
    {
        char szOrdinal[16];
        snprintf(szOrdinal, sizeof(szOrdinal), bHexOrdinal ? "#0x%04x" : "#%u", p[1]);
        p += 2;
        return szOrdinal;
    }
    std::string szText;
    while (*p)
    {
        szText += static_cast<char>(*p++);
    }
    ++p;
    return szText;
}

const WORD* AlignDword(const WORD* p, const BYTE* pBase)
{
    size_t nOffset = reinterpret_cast<const BYTE*>(p) - pBase;
    return reinterpret_cast<const WORD*>(pBase + ((nOffset + 3) & ~size_t(3)));
}
} // namespace

DebugOutputCapture::DebugOutputCapture()
{
    s_pCapture = this;
    m_pHandler = AddVectoredExceptionHandler(1, &DebugOutputCapture::Handler);
}

DebugOutputCapture::~DebugOutputCapture()
{
    RemoveVectoredExceptionHandler(m_pHandler);
    s_pCapture = nullptr;
}

LONG CALLBACK DebugOutputCapture::Handler(EXCEPTION_POINTERS* pInfo)
{
    const EXCEPTION_RECORD* pRecord = pInfo->ExceptionRecord;
    if (s_pCapture && pRecord->ExceptionCode == DEBUG_PRINT_EXCEPTION && pRecord->NumberParameters >= 2)
    {
        const char* szText = reinterpret_cast<const char*>(pRecord->ExceptionInformation[1]);
        if (szText)
        {
            s_pCapture->m_vLines.push_back(szText);
        }
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

bool DebugOutputCapture::Contains(const std::string& szText) const
{
    return All().find(szText) != std::string::npos;
}

std::string DebugOutputCapture::All() const
{
    std::string szAll;
    for (const std::string& szLine : m_vLines)
    {
        szAll += szLine;
    }
    return szAll;
}

MessageBoxCatcher::MessageBoxCatcher()
{
    s_pCatcher = this;
    m_nTimer = SetTimer(nullptr, 0, 50, &MessageBoxCatcher::TimerProc);
}

MessageBoxCatcher::~MessageBoxCatcher()
{
    KillTimer(nullptr, m_nTimer);
    s_pCatcher = nullptr;
}

// Runs inside a message box's own message loop. The tests' dialogs stay hidden, so a visible
// dialog of this thread is a message box.
void CALLBACK MessageBoxCatcher::TimerProc(HWND, UINT, UINT_PTR, DWORD)
{
    if (s_pCatcher)
    {
        EnumThreadWindows(GetCurrentThreadId(), &MessageBoxCatcher::AnswerBox, 0);
    }
}

BOOL CALLBACK MessageBoxCatcher::AnswerBox(HWND hWnd, LPARAM)
{
    char szClass[32] = "";
    GetClassNameA(hWnd, szClass, sizeof(szClass));
    std::vector<HWND>& vAnswered = s_pCatcher->m_vAnswered;
    if (strcmp(szClass, "#32770") != 0 || !IsWindowVisible(hWnd) ||
        std::find(vAnswered.begin(), vAnswered.end(), hWnd) != vAnswered.end())
    {
        return TRUE;
    }
    vAnswered.push_back(hWnd);
    ShownBox box;
    box.szCaption = WindowText(hWnd);
    EnumChildWindows(hWnd, &CollectStaticText, reinterpret_cast<LPARAM>(&box.szText));
    s_pCatcher->m_vBoxes.push_back(box);
    PostMessageA(hWnd, WM_COMMAND, IDOK, 0);
    return TRUE;
}

bool ReadDialogTemplate(int nID, DialogTemplate& rTemplate)
{
    HMODULE hModule = GetModuleHandleA(nullptr);
    HRSRC hResource = FindResourceA(hModule, MAKEINTRESOURCEA(nID), MAKEINTRESOURCEA(5));
    if (!hResource)
    {
        return false;
    }
    const BYTE* pBase = static_cast<const BYTE*>(LockResource(LoadResource(hModule, hResource)));
    const DLGTEMPLATE* pHeader = reinterpret_cast<const DLGTEMPLATE*>(pBase);
    rTemplate.dwStyle = pHeader->style;
    rTemplate.x = pHeader->x;
    rTemplate.y = pHeader->y;
    rTemplate.cx = pHeader->cx;
    rTemplate.cy = pHeader->cy;
    const WORD* p = reinterpret_cast<const WORD*>(pBase + sizeof(DLGTEMPLATE));
    ReadSzOrOrd(p, false);
    ReadSzOrOrd(p, false);
    rTemplate.szCaption = ReadSzOrOrd(p, false);
    if (pHeader->style & DS_SETFONT)
    {
        rTemplate.nPointSize = *p++;
        rTemplate.szFont = ReadSzOrOrd(p, false);
    }
    for (int i = 0; i < pHeader->cdit; ++i)
    {
        p = AlignDword(p, pBase);
        const DLGITEMTEMPLATE* pItem = reinterpret_cast<const DLGITEMTEMPLATE*>(p);
        TemplateItem item;
        item.dwStyle = pItem->style;
        item.x = pItem->x;
        item.y = pItem->y;
        item.cx = pItem->cx;
        item.cy = pItem->cy;
        item.nID = static_cast<short>(pItem->id);
        p = reinterpret_cast<const WORD*>(reinterpret_cast<const BYTE*>(pItem) + sizeof(DLGITEMTEMPLATE));
        item.szClass = ReadSzOrOrd(p, true);
        item.szText = ReadSzOrOrd(p, false);
        WORD cbExtra = *p++;
        p = reinterpret_cast<const WORD*>(reinterpret_cast<const BYTE*>(p) + cbExtra);
        rTemplate.vItems.push_back(item);
    }
    return true;
}

std::vector<std::string> ReadLines(const std::string& szPath)
{
    std::vector<std::string> vLines;
    std::ifstream file(szPath, std::ios::binary);
    std::string szLine;
    while (std::getline(file, szLine))
    {
        if (!szLine.empty() && szLine.back() == '\r')
        {
            szLine.pop_back();
        }
        if (!szLine.empty())
        {
            vLines.push_back(szLine);
        }
    }
    return vLines;
}

std::vector<std::string> ComboItems(HWND hCombo)
{
    std::vector<std::string> vItems;
    int nCount = static_cast<int>(SendMessageA(hCombo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < nCount; ++i)
    {
        char szText[256] = "";
        SendMessageA(hCombo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(szText));
        vItems.push_back(szText);
    }
    return vItems;
}

std::string ComboSelection(HWND hCombo)
{
    int nSelection = static_cast<int>(SendMessageA(hCombo, CB_GETCURSEL, 0, 0));
    if (nSelection < 0)
    {
        return "";
    }
    char szText[256] = "";
    SendMessageA(hCombo, CB_GETLBTEXT, nSelection, reinterpret_cast<LPARAM>(szText));
    return szText;
}

std::string ExecutableFolder()
{
    char szPath[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, szPath, sizeof(szPath));
    char* pSlash = strrchr(szPath, '\\');
    if (pSlash)
    {
        *pSlash = '\0';
    }
    return szPath;
}
} // namespace config_test
