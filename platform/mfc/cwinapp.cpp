#include "cwinapp.h"

#include "afxlog.h"

namespace
{
CWinApp* s_pApp = nullptr;
}

CWinApp::CWinApp()
{
    s_pApp = this;
}

CWinApp::~CWinApp()
{
    if (s_pApp == this)
    {
        s_pApp = nullptr;
    }
}

int CWinApp::Run()
{
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0)
    {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    m_nExitCode = static_cast<int>(msg.wParam);
    return ExitInstance();
}

HICON CWinApp::LoadIcon(UINT nIDResource) const
{
    return ::LoadIconA(m_hInstance, MAKEINTRESOURCEA(nIDResource));
}

CWinApp* AfxGetApp()
{
    return s_pApp;
}

HINSTANCE AfxGetResourceHandle()
{
    return s_pApp && s_pApp->m_hInstance ? s_pApp->m_hInstance : ::GetModuleHandleA(nullptr);
}

int AfxWinMain(HINSTANCE hInstance, LPSTR lpCmdLine, int nCmdShow)
{
    CWinApp* pApp = AfxGetApp();
    if (!pApp)
    {
        AfxLog("no application object");
        return -1;
    }
    pApp->m_hInstance = hInstance;
    pApp->m_lpCmdLine = lpCmdLine;
    pApp->m_nCmdShow = nCmdShow;
    if (!pApp->InitInstance())
    {
        return pApp->ExitInstance();
    }
    return pApp->Run();
}
