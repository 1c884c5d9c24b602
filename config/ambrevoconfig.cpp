#include "ambrevoconfig.h"

#include "ambrevoconfigdlg.h"

CAmbrevoConfigApp theApp;

BOOL CAmbrevoConfigApp::InitInstance()
{
    CAmbrevoConfigDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    // The dialog was the whole program: answering FALSE ends it without a message loop.
    return FALSE;
}
