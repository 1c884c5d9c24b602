#pragma once
// Helpers of the configuration program's tests: the debugger-output lines a test produced, the
// message boxes it raised (answered at once, so a test never waits on one), the dialog template as
// stored in the resources, and the settings file's lines.

#include <windows.h>

#include <string>
#include <vector>

namespace config_test
{
// Collects every OutputDebugStringA text of this process while it lives.
class DebugOutputCapture
{
public:
    DebugOutputCapture();
    ~DebugOutputCapture();
    DebugOutputCapture(const DebugOutputCapture&) = delete;
    DebugOutputCapture& operator=(const DebugOutputCapture&) = delete;

    bool Contains(const std::string& szText) const;
    std::string All() const;

private:
    static LONG CALLBACK Handler(EXCEPTION_POINTERS* pInfo);
    void* m_pHandler = nullptr;
    std::vector<std::string> m_vLines;
};

struct ShownBox
{
    std::string szCaption;
    std::string szText;
};

// Answers every message box of this thread with OK soon after it shows (the dialogs under test stay
// hidden), and keeps its caption and text.
class MessageBoxCatcher
{
public:
    MessageBoxCatcher();
    ~MessageBoxCatcher();
    MessageBoxCatcher(const MessageBoxCatcher&) = delete;
    MessageBoxCatcher& operator=(const MessageBoxCatcher&) = delete;

    const std::vector<ShownBox>& Boxes() const { return m_vBoxes; }
    void Clear() { m_vBoxes.clear(); }

private:
    static void CALLBACK TimerProc(HWND hWnd, UINT message, UINT_PTR nID, DWORD dwTime);
    static BOOL CALLBACK AnswerBox(HWND hWnd, LPARAM lParam);
    UINT_PTR m_nTimer = 0;
    std::vector<HWND> m_vAnswered;
    std::vector<ShownBox> m_vBoxes;
};

// One control of a dialog template: its class (a name, or the predefined class's ordinal written
// as "#0x0080"), its text (or "#134" for an ordinal), position, size, id and style.
struct TemplateItem
{
    std::string szClass;
    std::string szText;
    int x, y, cx, cy;
    int nID;
    DWORD dwStyle;
};

struct DialogTemplate
{
    DWORD dwStyle = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    std::string szCaption;
    int nPointSize = 0;
    std::string szFont;
    std::vector<TemplateItem> vItems;
};

// Reads a (non-extended) dialog template from this executable's resources; false when it has none.
bool ReadDialogTemplate(int nID, DialogTemplate& rTemplate);

// The lines of a text file, without their line ends and without empty lines.
std::vector<std::string> ReadLines(const std::string& szPath);

// The items of a combo box, in order.
std::vector<std::string> ComboItems(HWND hCombo);
std::string ComboSelection(HWND hCombo);

// The folder of this test executable.
std::string ExecutableFolder();
} // namespace config_test
