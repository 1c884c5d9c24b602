#include "cwnd.h"

#include "afxlog.h"

HWND CWnd::Detach()
{
    HWND hWnd = m_hWnd;
    m_hWnd = nullptr;
    m_mapItems.clear();
    return hWnd;
}

CWnd* CWnd::GetDlgItem(int nID) const
{
    HWND hItem = ::GetDlgItem(m_hWnd, nID);
    if (!hItem)
    {
        return nullptr;
    }
    std::unique_ptr<CWnd>& rItem = m_mapItems[nID];
    if (!rItem)
    {
        rItem = std::make_unique<CWnd>();
    }
    rItem->Attach(hItem);
    return rItem.get();
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const
{
    return ::SendMessageA(m_hWnd, message, wParam, lParam);
}

HICON CWnd::SetIcon(HICON hIcon, BOOL bBigIcon)
{
    return reinterpret_cast<HICON>(
        SendMessage(WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(hIcon)));
}

BOOL CWnd::IsIconic() const
{
    return ::IsIconic(m_hWnd);
}

BOOL CWnd::IsWindowVisible() const
{
    return ::IsWindowVisible(m_hWnd);
}

void CWnd::GetClientRect(LPRECT lpRect) const
{
    ::GetClientRect(m_hWnd, lpRect);
}

void CWnd::GetWindowText(std::string& rString) const
{
    int nLength = ::GetWindowTextLengthA(m_hWnd);
    rString.assign(static_cast<size_t>(nLength > 0 ? nLength : 0) + 1, '\0');
    int nCopied = ::GetWindowTextA(m_hWnd, &rString[0], nLength + 1);
    rString.resize(static_cast<size_t>(nCopied > 0 ? nCopied : 0));
}

int CWnd::MessageBox(LPCSTR lpszText, LPCSTR lpszCaption, UINT nType) const
{
    // The box's text also goes to the debugger output, so a run without anyone watching the
    // screen still tells what it asked.
    AfxLog("message box \"%s\" (type 0x%x): %s", lpszCaption ? lpszCaption : "", nType,
           lpszText ? lpszText : "");
    return ::MessageBoxA(m_hWnd, lpszText, lpszCaption, nType);
}

bool CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    for (const AFX_MSGMAP* pMap = GetMessageMap(); pMap;
         pMap = pMap->pfnGetBaseMap ? pMap->pfnGetBaseMap() : nullptr)
    {
        for (const AFX_MSGMAP_ENTRY* pEntry = pMap->lpEntries; pEntry->pfnThunk; ++pEntry)
        {
            if (pEntry->nMessage != message)
            {
                continue;
            }
            if (message == WM_COMMAND && (pEntry->nCode != HIWORD(wParam) || pEntry->nID != LOWORD(wParam)))
            {
                continue;
            }
            // A handler may send messages to its own window: keep the outer handler's request.
            bool bOuterWantDefault = m_bWantDefault;
            m_bWantDefault = false;
            *pResult = pEntry->pfnThunk(this, wParam, lParam);
            bool bHandled = !m_bWantDefault;
            m_bWantDefault = bOuterWantDefault;
            return bHandled;
        }
    }
    return false;
}

LRESULT CWnd::Default()
{
    m_bWantDefault = true;
    return 0;
}

const AFX_MSGMAP* CWnd::GetThisMessageMap()
{
    static const AFX_MSGMAP_ENTRY s_aEntries[] = {{0, 0, 0, nullptr}};
    static const AFX_MSGMAP s_oMap = {nullptr, &s_aEntries[0]};
    return &s_oMap;
}

const AFX_MSGMAP* CWnd::GetMessageMap() const
{
    return GetThisMessageMap();
}

HDC CDC::Detach()
{
    HDC hDC = m_hDC;
    m_hDC = nullptr;
    return hDC;
}

BOOL CDC::DrawIcon(int x, int y, HICON hIcon)
{
    return ::DrawIcon(m_hDC, x, y, hIcon);
}

CPaintDC::CPaintDC(CWnd* pWnd) : m_hWnd(pWnd->GetSafeHwnd())
{
    Attach(::BeginPaint(m_hWnd, &m_ps));
}

CPaintDC::~CPaintDC()
{
    ::EndPaint(m_hWnd, &m_ps);
    Detach();
}
