#pragma once
// Application object of the framework: one global object of a class derived from CWinApp; the
// program's start runs its InitInstance (a dialog program runs its dialog there and answers FALSE,
// which ends the program), otherwise its message loop, then its ExitInstance.

#include "cwnd.h"

class CWinApp
{
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    virtual BOOL InitInstance() { return FALSE; }
    // The message loop; answers the exit code WM_QUIT carried.
    virtual int Run();
    virtual int ExitInstance() { return m_nExitCode; }

    HICON LoadIcon(UINT nIDResource) const;

    HINSTANCE m_hInstance = nullptr;
    LPSTR m_lpCmdLine = nullptr;
    int m_nCmdShow = SW_SHOWNORMAL;
    CWnd* m_pMainWnd = nullptr;

protected:
    int m_nExitCode = 0;
};

// The program's application object, or null when it has none (a test executable).
CWinApp* AfxGetApp();
// Where dialog templates, icons and bitmaps are loaded from: the executable.
HINSTANCE AfxGetResourceHandle();

// The start of a program built on the framework (its WinMain calls this).
int AfxWinMain(HINSTANCE hInstance, LPSTR lpCmdLine, int nCmdShow);
