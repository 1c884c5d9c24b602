#pragma once
// Window wrapper of the dialog framework: a window handle with the calls a dialog makes on itself
// and on its controls, and the message map that routes window messages to member functions.

#include <windows.h>

#include <map>
#include <memory>
#include <string>

class CWnd;

// One routed message. WM_COMMAND entries match the notification code and the control id, every
// other entry the message alone; the thunk calls the member and answers the message's result.
struct AFX_MSGMAP_ENTRY
{
    UINT nMessage;
    UINT nCode;
    UINT nID;
    LRESULT (*pfnThunk)(CWnd* pWnd, WPARAM wParam, LPARAM lParam);
};

// A class's entries, ended by an entry without a thunk, and the way to its base class's map.
struct AFX_MSGMAP
{
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

// clang-format off
#define DECLARE_MESSAGE_MAP()                                                                      \
protected:                                                                                         \
    static const AFX_MSGMAP* GetThisMessageMap();                                                  \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                                     \
    const AFX_MSGMAP* theClass::GetMessageMap() const                                              \
    {                                                                                              \
        return GetThisMessageMap();                                                                \
    }                                                                                              \
    const AFX_MSGMAP* theClass::GetThisMessageMap()                                                \
    {                                                                                              \
        typedef theClass ThisClass;                                                                \
        typedef baseClass TheBaseClass;                                                            \
        static const AFX_MSGMAP_ENTRY s_aEntries[] = {

#define END_MESSAGE_MAP()                                                                          \
            {0, 0, 0, nullptr}};                                                                   \
        static const AFX_MSGMAP s_oMap = {&TheBaseClass::GetThisMessageMap, &s_aEntries[0]};       \
        return &s_oMap;                                                                            \
    }

#define AFX_COMMAND_ENTRY(code, id, memberFxn)                                                     \
    {WM_COMMAND, static_cast<UINT>(code), static_cast<UINT>(id),                                   \
     [](CWnd* pWnd, WPARAM, LPARAM) -> LRESULT {                                                   \
         static_cast<ThisClass*>(pWnd)->memberFxn();                                               \
         return 0;                                                                                 \
     }},

// Menu items and buttons send notification code 0 (BN_CLICKED).
#define ON_COMMAND(id, memberFxn) AFX_COMMAND_ENTRY(0, id, memberFxn)
#define ON_BN_CLICKED(id, memberFxn) AFX_COMMAND_ENTRY(BN_CLICKED, id, memberFxn)
#define ON_CBN_SELCHANGE(id, memberFxn) AFX_COMMAND_ENTRY(CBN_SELCHANGE, id, memberFxn)

#define ON_WM_PAINT()                                                                              \
    {WM_PAINT, 0, 0,                                                                               \
     [](CWnd* pWnd, WPARAM, LPARAM) -> LRESULT {                                                   \
         static_cast<ThisClass*>(pWnd)->OnPaint();                                                 \
         return 0;                                                                                 \
     }},

#define ON_WM_QUERYDRAGICON()                                                                      \
    {WM_QUERYDRAGICON, 0, 0,                                                                       \
     [](CWnd* pWnd, WPARAM, LPARAM) -> LRESULT {                                                   \
         return reinterpret_cast<LRESULT>(static_cast<ThisClass*>(pWnd)->OnQueryDragIcon());       \
     }},
// clang-format on

class CWnd
{
public:
    CWnd() = default;
    virtual ~CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND GetSafeHwnd() const { return m_hWnd; }
    void Attach(HWND hWnd) { m_hWnd = hWnd; }
    HWND Detach();

    // A wrapper of the child window with this id, kept until the window is destroyed; null when the
    // window has no such child.
    CWnd* GetDlgItem(int nID) const;

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    HICON SetIcon(HICON hIcon, BOOL bBigIcon);
    BOOL IsIconic() const;
    BOOL IsWindowVisible() const;
    void GetClientRect(LPRECT lpRect) const;
    void GetWindowText(std::string& rString) const;
    int MessageBox(LPCSTR lpszText, LPCSTR lpszCaption = nullptr, UINT nType = MB_OK) const;

    // Routes one message through the message maps, most derived class first. Answers true when a
    // member took it (its result in *pResult), false when the window's default processing should.
    bool OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);

    HWND m_hWnd = nullptr;

protected:
    // Called by a handler that wants the default processing of the message it is handling.
    LRESULT Default();
    void OnPaint() { Default(); }
    void ForgetDlgItems() { m_mapItems.clear(); }

    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;

private:
    mutable std::map<int, std::unique_ptr<CWnd>> m_mapItems;
    bool m_bWantDefault = false;
};

// A device context handle with the drawing calls the framework's dialogs use.
class CDC
{
public:
    CDC() = default;
    virtual ~CDC() = default;
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    HDC GetSafeHdc() const { return m_hDC; }
    void Attach(HDC hDC) { m_hDC = hDC; }
    HDC Detach();
    BOOL DrawIcon(int x, int y, HICON hIcon);

    HDC m_hDC = nullptr;
};

// The paint context of one WM_PAINT: begins painting when made, ends it when destroyed.
class CPaintDC : public CDC
{
public:
    explicit CPaintDC(CWnd* pWnd);
    ~CPaintDC() override;

    PAINTSTRUCT m_ps = {};

private:
    HWND m_hWnd = nullptr;
};
