#include "cdialog.h"

#include "afxlog.h"
#include "cwinapp.h"

#include <cstring>
#include <string>

namespace
{
// The initial-data resource type, and the list messages its records carry in their 16-bit
// numbering (the message's 32-bit value is accepted as well).
const WORD RT_DLGINIT_TYPE = 240;
const WORD DLGINIT_LB_ADDSTRING = 0x0401;
const WORD DLGINIT_CB_ADDSTRING = 0x0403;

template <typename T> bool ReadValue(const BYTE* pData, size_t cbData, size_t& rOffset, T& rValue)
{
    if (cbData - rOffset < sizeof(T))
    {
        return false;
    }
    memcpy(&rValue, pData + rOffset, sizeof(T));
    rOffset += sizeof(T);
    return true;
}
} // namespace

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl)
{
    if (rControl.m_hWnd)
    {
        return;
    }
    HWND hControl = ::GetDlgItem(pDX->m_pDlgWnd->m_hWnd, nIDC);
    if (!hControl)
    {
        AfxLog("dialog has no control %d to bind", nIDC);
        return;
    }
    rControl.Attach(hControl);
    pDX->m_pDlgWnd->BindControl(rControl);
}

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, OnOK)
ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd) : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

CDialog::~CDialog()
{
    if (!m_hWnd || m_bModal)
    {
        return;
    }
    // The derived class and its control members are gone already: the window's last messages
    // must not reach them.
    HWND hWnd = m_hWnd;
    ::SetWindowLongPtrA(hWnd, DWLP_USER, 0);
    m_vBound.clear();
    m_hWnd = nullptr;
    ::DestroyWindow(hWnd);
}

INT_PTR CDialog::DoModal()
{
    m_bModal = true;
    INT_PTR nResult = ::DialogBoxParamA(AfxGetResourceHandle(), MAKEINTRESOURCEA(m_nIDTemplate),
                                        m_pParentWnd ? m_pParentWnd->GetSafeHwnd() : nullptr,
                                        &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
    m_bModal = false;
    if (nResult == -1)
    {
        AfxLog("dialog %u could not be made (error %lu)", m_nIDTemplate, GetLastError());
    }
    return nResult;
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd)
{
    m_nIDTemplate = nIDTemplate;
    m_pParentWnd = pParentWnd;
    m_bModal = false;
    HWND hWnd = ::CreateDialogParamA(AfxGetResourceHandle(), MAKEINTRESOURCEA(nIDTemplate),
                                     pParentWnd ? pParentWnd->GetSafeHwnd() : nullptr, &CDialog::DialogProc,
                                     reinterpret_cast<LPARAM>(this));
    if (!hWnd)
    {
        AfxLog("dialog %u could not be made (error %lu)", nIDTemplate, GetLastError());
    }
    return hWnd != nullptr;
}

void CDialog::EndDialog(int nResult)
{
    if (!m_hWnd)
    {
        return;
    }
    if (m_bModal)
    {
        ::EndDialog(m_hWnd, nResult);
    }
    else
    {
        ::DestroyWindow(m_hWnd);
    }
}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate)
{
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return TRUE;
}

BOOL CDialog::ExecuteDlgInit(LPCSTR lpszResourceName)
{
    HINSTANCE hInstance = AfxGetResourceHandle();
    HRSRC hResource = ::FindResourceA(hInstance, lpszResourceName, MAKEINTRESOURCEA(RT_DLGINIT_TYPE));
    if (!hResource)
    {
        return TRUE;
    }
    HGLOBAL hData = ::LoadResource(hInstance, hResource);
    const void* pData = hData ? ::LockResource(hData) : nullptr;
    if (!pData)
    {
        AfxLog("initial data of dialog %u could not be loaded", m_nIDTemplate);
        return FALSE;
    }
    return ExecuteDlgInit(pData, ::SizeofResource(hInstance, hResource));
}

BOOL CDialog::ExecuteDlgInit(const void* pData, DWORD cbData)
{
    const BYTE* pBytes = static_cast<const BYTE*>(pData);
    size_t nOffset = 0;
    for (;;)
    {
        WORD nID = 0;
        if (!ReadValue(pBytes, cbData, nOffset, nID))
        {
            AfxLog("initial data of dialog %u ends without its end mark", m_nIDTemplate);
            return FALSE;
        }
        if (nID == 0)
        {
            return TRUE;
        }
        WORD nMessage = 0;
        DWORD cbText = 0;
        if (!ReadValue(pBytes, cbData, nOffset, nMessage) || !ReadValue(pBytes, cbData, nOffset, cbText) ||
            cbData - nOffset < cbText)
        {
            AfxLog("initial data of dialog %u: the record of control %u runs past the data", m_nIDTemplate,
                   nID);
            return FALSE;
        }
        // The text need not carry its terminating zero inside the record.
        std::string szText(reinterpret_cast<const char*>(pBytes + nOffset), cbText);
        szText.resize(strlen(szText.c_str()));
        nOffset += cbText;

        UINT nSend = 0;
        if (nMessage == DLGINIT_CB_ADDSTRING || nMessage == CB_ADDSTRING)
        {
            nSend = CB_ADDSTRING;
        }
        else if (nMessage == DLGINIT_LB_ADDSTRING || nMessage == LB_ADDSTRING)
        {
            nSend = LB_ADDSTRING;
        }
        else
        {
            AfxLog("initial data of dialog %u: message 0x%04x for control %u is not known; skipped",
                   m_nIDTemplate, nMessage, nID);
            continue;
        }
        HWND hControl = ::GetDlgItem(m_hWnd, nID);
        LRESULT nResult =
            hControl ? ::SendMessageA(hControl, nSend, 0, reinterpret_cast<LPARAM>(szText.c_str())) : -1;
        // CB_ERR/LB_ERR and CB_ERRSPACE/LB_ERRSPACE are the negative answers.
        if (nResult < 0)
        {
            AfxLog("initial data of dialog %u: control %u did not take \"%s\"", m_nIDTemplate, nID,
                   szText.c_str());
            return FALSE;
        }
    }
}

BOOL CDialog::OnInitDialog()
{
    ExecuteDlgInit(MAKEINTRESOURCEA(m_nIDTemplate));
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    UpdateData(TRUE);
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

void CDialog::DoDataExchange(CDataExchange*) {}

void CDialog::OnNcDestroy()
{
    for (CWnd* pControl : m_vBound)
    {
        pControl->Detach();
    }
    m_vBound.clear();
    Detach();
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG)
    {
        CDialog* pDialog = reinterpret_cast<CDialog*>(lParam);
        ::SetWindowLongPtrA(hWnd, DWLP_USER, lParam);
        pDialog->Attach(hWnd);
        return pDialog->OnInitDialog();
    }
    CDialog* pDialog = reinterpret_cast<CDialog*>(::GetWindowLongPtrA(hWnd, DWLP_USER));
    if (!pDialog)
    {
        return FALSE;
    }
    if (message == WM_NCDESTROY)
    {
        ::SetWindowLongPtrA(hWnd, DWLP_USER, 0);
        pDialog->OnNcDestroy();
        return FALSE;
    }
    LRESULT nResult = 0;
    if (!pDialog->OnWndMsg(message, wParam, lParam, &nResult))
    {
        return FALSE;
    }
    // These few messages answer their value directly; the others through the dialog's result slot.
    switch (message)
    {
    case WM_QUERYDRAGICON:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
        return static_cast<INT_PTR>(nResult);
    default:
        ::SetWindowLongPtrA(hWnd, DWLP_MSGRESULT, nResult);
        return TRUE;
    }
}
