#include "ambrevoconfigdlg.h"

#include "displayinfo.h"
#include "settingsfile.h"

#include <shellapi.h>

#include <cstdlib>
#include <string>

namespace
{
// The display modes in the order of the display-mode list.
struct DisplayMode
{
    int nWidth;
    int nHeight;
};
const DisplayMode DISPLAY_MODES[] = {{1024, 768}, {2400, 600}};
const int DISPLAY_MODE_COUNT = sizeof(DISPLAY_MODES) / sizeof(DISPLAY_MODES[0]);

// Offered when Direct3D 8 cannot tell the rates of the chosen mode.
const char* const FALLBACK_RATES[] = {"85 hz", "75 hz", "70 hz", "60 hz", "56 hz"};

// Items of the video-memory list: the high-resolution textures first.
const int VIDEO_MEMORY_HIGH = 0;
const int VIDEO_MEMORY_LOW = 1;

const char* const CLIENT_FILE_NAME = "Tolvamir.exe";

// The decimal number a refresh item starts with; false when it starts with none.
bool ReadLeadingNumber(const std::string& szText, int& rnNumber)
{
    const char* pStart = szText.c_str();
    char* pEnd = nullptr;
    long nValue = strtol(pStart, &pEnd, 10);
    if (pEnd == pStart)
    {
        return false;
    }
    rnNumber = static_cast<int>(nValue);
    return true;
}
} // namespace

void DrawIconCentred(CDC& dc, const RECT& rcClient, HICON hIcon)
{
    int cxIcon = GetSystemMetrics(SM_CXICON);
    int cyIcon = GetSystemMetrics(SM_CYICON);
    int x = rcClient.left + (rcClient.right - rcClient.left - cxIcon + 1) / 2;
    int y = rcClient.top + (rcClient.bottom - rcClient.top - cyIcon + 1) / 2;
    dc.DrawIcon(x, y, hIcon);
}

BEGIN_MESSAGE_MAP(CAmbrevoConfigDlg, CDialog)
ON_WM_PAINT()
ON_WM_QUERYDRAGICON()
ON_BN_CLICKED(IDC_RUNDEMO, OnRunButton)
ON_CBN_SELCHANGE(IDC_DISPLAYMODE, OnSelchangeDisplayMode)
END_MESSAGE_MAP()

CAmbrevoConfigDlg::CAmbrevoConfigDlg(CWnd* pParent) : CDialog(IDD, pParent)
{
    m_hIcon = ::LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDR_MAINFRAME));
}

CAmbrevoConfigDlg::~CAmbrevoConfigDlg()
{
    if (m_hBanner)
    {
        DeleteObject(m_hBanner);
    }
}

void CAmbrevoConfigDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_ANTIALIASING, m_ctlAntiAliasing);
    DDX_Control(pDX, IDC_DISPLAYMODE, m_ctlDisplayMode);
    DDX_Control(pDX, IDC_REFRESHRATE, m_ctlRefreshRate);
    DDX_Control(pDX, IDC_VIDEOMEMORY, m_ctlVideoMemory);
}

BOOL CAmbrevoConfigDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);
    FitBanner();
    LoadSettings();
    return TRUE;
}

void CAmbrevoConfigDlg::FitBanner()
{
    // The control's size in pixels depends on the dialog font; the picture has one size of its own.
    HWND hBanner = nullptr;
    for (HWND h = ::GetWindow(m_hWnd, GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT))
    {
        if ((GetWindowLongA(h, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP)
        {
            hBanner = h;
            break;
        }
    }
    RECT rcClient = {};
    if (!hBanner || !::GetClientRect(hBanner, &rcClient) || rcClient.right <= 0 || rcClient.bottom <= 0)
    {
        return;
    }
    HBITMAP hScaled = static_cast<HBITMAP>(LoadImageA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDB_BANNER),
                                                      IMAGE_BITMAP, rcClient.right, rcClient.bottom, 0));
    if (!hScaled)
    {
        return;
    }
    HGDIOBJ hOld = reinterpret_cast<HGDIOBJ>(
        ::SendMessageA(hBanner, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(hScaled)));
    // The picture the control loaded from the template is no longer shown by anyone.
    if (hOld && hOld != hScaled)
    {
        DeleteObject(hOld);
    }
    if (m_hBanner)
    {
        DeleteObject(m_hBanner);
    }
    m_hBanner = hScaled;
}

void CAmbrevoConfigDlg::LoadSettings()
{
    int nRecommended = RecommendHighResTextures();
    m_ctlDisplayMode.SetCurSel(0);
    m_ctlRefreshRate.SetCurSel(0);
    m_ctlVideoMemory.SetCurSel(nRecommended ? VIDEO_MEMORY_HIGH : VIDEO_MEMORY_LOW);
    m_ctlAntiAliasing.SetCheck(BST_CHECKED);

    int nWidth = static_cast<int>(GetPrivateProfileIntA("GFX MODE", "Width", 1024, SETTINGS_FILE_NAME));
    int nHeight = static_cast<int>(GetPrivateProfileIntA("GFX MODE", "Height", 768, SETTINGS_FILE_NAME));
    m_ctlDisplayMode.SetCurSel(nWidth == 2400 && nHeight == 600 ? 1 : 0);

    FillRefreshRateList();

    int nFrequency = static_cast<int>(GetPrivateProfileIntA("GFX MODE", "Frequency", 85, SETTINGS_FILE_NAME));
    int nCount = m_ctlRefreshRate.GetCount();
    int nSelect = 0;
    for (int i = 0; i < nCount; ++i)
    {
        std::string szText;
        int nRate = 0;
        m_ctlRefreshRate.GetLBText(i, szText);
        if (ReadLeadingNumber(szText, nRate) && nRate == nFrequency)
        {
            nSelect = i;
            break;
        }
    }
    m_ctlRefreshRate.SetCurSel(nSelect);

    UINT nHighRes = GetPrivateProfileIntA("GFX MODE", "UseHighResTextures", static_cast<INT>(nRecommended),
                                          SETTINGS_FILE_NAME);
    m_ctlVideoMemory.SetCurSel(nHighRes ? VIDEO_MEMORY_HIGH : VIDEO_MEMORY_LOW);

    UINT nAntiAliasing = GetPrivateProfileIntA("GFX MODE", "AntiAliasing", 1, SETTINGS_FILE_NAME);
    m_ctlAntiAliasing.SetCheck(nAntiAliasing ? BST_CHECKED : BST_UNCHECKED);
}

bool CAmbrevoConfigDlg::SaveSettings()
{
    int nMode = m_ctlDisplayMode.GetCurSel();
    const DisplayMode& mode = DISPLAY_MODES[nMode == 1 ? 1 : 0];
    m_nWidth = mode.nWidth;
    m_nHeight = mode.nHeight;

    std::string szRate;
    m_ctlRefreshRate.GetLBText(m_ctlRefreshRate.GetCurSel(), szRate);
    ReadLeadingNumber(szRate, m_nFrequency);

    m_nHighResTextures = m_ctlVideoMemory.GetCurSel() == VIDEO_MEMORY_HIGH ? 1 : 0;
    m_nAntiAliasing = m_ctlAntiAliasing.GetCheck() == BST_CHECKED ? 1 : 0;

    if (!WriteConfigFile(m_nWidth, m_nHeight, m_nBitDepth, m_nFrequency, m_nAntiAliasing, m_nHighResTextures))
    {
        MessageBox("Error Writing Configuration File. File May Be Read Only", "Error",
                   MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    return true;
}

void CAmbrevoConfigDlg::FillRefreshRateList()
{
    m_ctlRefreshRate.ResetContent();
    int nMode = m_ctlDisplayMode.GetCurSel();
    if (nMode < 0 || nMode >= DISPLAY_MODE_COUNT)
    {
        return;
    }
    const DisplayMode& mode = DISPLAY_MODES[nMode];

    int* pRates = nullptr;
    int nCount = 0;
    int nAdded = 0;
    if (EnumRefreshRates(mode.nWidth, mode.nHeight, 32, &pRates, &nCount))
    {
        for (int i = nCount - 1; i >= 0; --i)
        {
            // A mode that reports 0 Hz (the adapter's default rate) gives no item: 0 cannot be saved.
            if (pRates[i] > 0)
            {
                m_ctlRefreshRate.AddString((std::to_string(pRates[i]) + " hz").c_str());
                ++nAdded;
            }
        }
    }
    delete[] pRates;
    if (nAdded == 0)
    {
        AfxLog("no refresh rates known for %d x %d; offering the usual ones", mode.nWidth, mode.nHeight);
        for (const char* szRate : FALLBACK_RATES)
        {
            m_ctlRefreshRate.AddString(szRate);
        }
    }
    m_ctlRefreshRate.SetCurSel(0);
}

void CAmbrevoConfigDlg::OnOK()
{
    // The dialog closes even when the file could not be written: the viewer has seen why.
    SaveSettings();
    CDialog::OnOK();
}

void CAmbrevoConfigDlg::OnRunButton()
{
    SaveSettings();
    HINSTANCE hResult = ShellExecuteA(nullptr, "open", CLIENT_FILE_NAME, "", "", SW_SHOWNORMAL);
    INT_PTR nResult = reinterpret_cast<INT_PTR>(hResult);
    if (nResult > 32)
    {
        EndDialog(IDOK);
        return;
    }
    AfxLog("%s could not be started (answer %d)", CLIENT_FILE_NAME, static_cast<int>(nResult));
    MessageBox("Unable to Run the Demo. Please check your installation", "Error", MB_OK | MB_ICONEXCLAMATION);
}

void CAmbrevoConfigDlg::OnSelchangeDisplayMode()
{
    FillRefreshRateList();
}

void CAmbrevoConfigDlg::OnPaint()
{
    if (!IsIconic())
    {
        CDialog::OnPaint();
        return;
    }
    CPaintDC dc(this);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
    RECT rcClient = {};
    GetClientRect(&rcClient);
    DrawIconCentred(dc, rcClient, m_hIcon);
}

HCURSOR CAmbrevoConfigDlg::OnQueryDragIcon()
{
    return static_cast<HCURSOR>(m_hIcon);
}
