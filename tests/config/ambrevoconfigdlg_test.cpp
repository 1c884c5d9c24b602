#include "ambrevoconfigdlg.h"
#include "displayinfo.h"

#include "config_test_support.h"
#include "qirn_test_support.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace
{
const char* const INI = "qirn_v2.ini";
const std::vector<std::string> FALLBACK_RATES = {"85 hz", "75 hz", "70 hz", "60 hz", "56 hz"};
const char* const WRITE_ERROR = "Error Writing Configuration File. File May Be Read Only";
const char* const RUN_ERROR = "Unable to Run the Demo. Please check your installation";

// The predefined control classes by the ordinals a template may use for them.
std::string ClassName(const std::string& szClass)
{
    if (szClass == "#0x0080")
    {
        return "button";
    }
    if (szClass == "#0x0082")
    {
        return "static";
    }
    if (szClass == "#0x0085")
    {
        return "combobox";
    }
    std::string szLower = szClass;
    std::transform(szLower.begin(), szLower.end(), szLower.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    return szLower;
}

// Runs the settings dialog modeless (hidden) in the test's working folder; every message box is
// answered at once and kept.
class AmbrevoConfigDlgTest : public testing::Test
{
protected:
    HWND Open()
    {
        m_pDlg = std::make_unique<CAmbrevoConfigDlg>();
        EXPECT_TRUE(m_pDlg->Create(CAmbrevoConfigDlg::IDD));
        return m_pDlg->GetSafeHwnd();
    }
    HWND Item(int nID) const { return GetDlgItem(m_pDlg->GetSafeHwnd(), nID); }
    void Command(int nID, int nCode)
    {
        SendMessageA(m_pDlg->GetSafeHwnd(), WM_COMMAND, MAKEWPARAM(nID, nCode),
                     reinterpret_cast<LPARAM>(Item(nID)));
    }
    void Select(int nID, const std::string& szText)
    {
        LRESULT nIndex = SendMessageA(Item(nID), CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                      reinterpret_cast<LPARAM>(szText.c_str()));
        ASSERT_GE(nIndex, 0) << szText;
        SendMessageA(Item(nID), CB_SETCURSEL, nIndex, 0);
    }
    std::string Selection(int nID) const { return config_test::ComboSelection(Item(nID)); }
    bool Checked() const { return SendMessageA(Item(IDC_ANTIALIASING), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    std::string Line(int nIndex) const
    {
        std::vector<std::string> vLines = config_test::ReadLines(INI);
        return nIndex < static_cast<int>(vLines.size()) ? vLines[nIndex] : "";
    }

    qirn_test::ScopedTempDir m_oDir;
    config_test::DebugOutputCapture m_oLog;
    config_test::MessageBoxCatcher m_oBoxes;
    std::unique_ptr<CAmbrevoConfigDlg> m_pDlg;
};
} // namespace

TEST_F(AmbrevoConfigDlgTest, TemplateHoldsEveryControlInOrder)
{
    config_test::DialogTemplate dlg;
    ASSERT_TRUE(config_test::ReadDialogTemplate(IDD_AMBREVOCONFIG_DIALOG, dlg));
    const DWORD dwFrame = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    EXPECT_EQ(dlg.dwStyle & dwFrame, dwFrame);
    EXPECT_EQ(dlg.cx, 191);
    EXPECT_EQ(dlg.cy, 255);
    EXPECT_EQ(dlg.szCaption, "Kelvane Graphics - Ambrevo Setup");
    EXPECT_EQ(dlg.nPointSize, 8);
    EXPECT_EQ(dlg.szFont, "MS Sans Serif");

    const DWORD dwList = CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
    const struct
    {
        int nID;
        const char* szClass;
        const char* szText;
        int x, y, cx, cy;
        DWORD dwStyle;
        DWORD dwTypeMask;
    } aExpected[] = {
        {IDOK, "button", "Save And Exit", 66, 234, 58, 14, BS_DEFPUSHBUTTON, BS_TYPEMASK},
        {IDCANCEL, "button", "Cancel Changes", 125, 234, 58, 14, BS_PUSHBUTTON, BS_TYPEMASK},
        {-1, "static", "#134", 10, 7, 171, 139, SS_BITMAP, SS_TYPEMASK},
        {1002, "button", "Use Quintel 16x", 7, 215, 113, 10, BS_AUTOCHECKBOX | WS_TABSTOP,
         BS_TYPEMASK | WS_TABSTOP},
        {-1, "static", "Display Mode", 7, 154, 44, 8, SS_LEFT, SS_TYPEMASK},
        {1003, "combobox", "", 7, 164, 120, 174, dwList, 0xF | WS_VSCROLL | WS_TABSTOP | CBS_SORT},
        {1005, "combobox", "", 129, 164, 48, 84, dwList, 0xF | WS_VSCROLL | WS_TABSTOP | CBS_SORT},
        {1006, "button", "Run Demo", 7, 234, 58, 14, BS_PUSHBUTTON, BS_TYPEMASK},
        {-1, "static", "Refresh Rate", 129, 153, 43, 8, SS_LEFT, SS_TYPEMASK},
        {1007, "combobox", "", 7, 195, 77, 92, dwList, 0xF | WS_VSCROLL | WS_TABSTOP | CBS_SORT},
        {-1, "static", "Video Memory Configuration", 7, 183, 89, 8, SS_LEFT, SS_TYPEMASK},
    };
    ASSERT_EQ(dlg.vItems.size(), sizeof(aExpected) / sizeof(aExpected[0]));
    for (size_t i = 0; i < dlg.vItems.size(); ++i)
    {
        const config_test::TemplateItem& item = dlg.vItems[i];
        SCOPED_TRACE(testing::Message() << "control " << i << " " << aExpected[i].szText);
        EXPECT_EQ(item.nID, aExpected[i].nID);
        EXPECT_EQ(ClassName(item.szClass), aExpected[i].szClass);
        EXPECT_EQ(item.szText, aExpected[i].szText);
        EXPECT_EQ(item.x, aExpected[i].x);
        EXPECT_EQ(item.y, aExpected[i].y);
        EXPECT_EQ(item.cx, aExpected[i].cx);
        EXPECT_EQ(item.cy, aExpected[i].cy);
        EXPECT_EQ(item.dwStyle & aExpected[i].dwTypeMask, aExpected[i].dwStyle);
        EXPECT_TRUE(item.dwStyle & WS_CHILD);
    }
}

// The banner's control keeps the size the template gives it, whatever the dialog font makes of it,
// and the banner is drawn at that size, covering it without strips.
TEST_F(AmbrevoConfigDlgTest, BannerCoversItsControl)
{
    HWND hDlg = Open();
    HWND hBanner = nullptr;
    for (HWND h = GetWindow(hDlg, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT))
    {
        if ((GetWindowLongA(h, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP)
        {
            hBanner = h;
        }
    }
    ASSERT_NE(hBanner, nullptr);
    HBITMAP hBitmap = reinterpret_cast<HBITMAP>(SendMessageA(hBanner, STM_GETIMAGE, IMAGE_BITMAP, 0));
    BITMAP bm = {};
    ASSERT_EQ(GetObjectA(hBitmap, sizeof(bm), &bm), static_cast<int>(sizeof(bm)));
    RECT rcTemplate = {0, 0, 171, 139};
    ASSERT_TRUE(MapDialogRect(hDlg, &rcTemplate));
    RECT rcClient = {};
    ASSERT_TRUE(GetClientRect(hBanner, &rcClient));
    EXPECT_EQ(rcClient.right, rcTemplate.right);
    EXPECT_EQ(rcClient.bottom, rcTemplate.bottom);
    EXPECT_EQ(bm.bmWidth, rcClient.right);
    EXPECT_EQ(bm.bmHeight, rcClient.bottom);

    // Draw the control into memory and find the banner's texels where centring puts them.
    const int nLeft = (rcClient.right - bm.bmWidth) / 2;
    const int nTop = (rcClient.bottom - bm.bmHeight) / 2;
    EXPECT_LE(std::abs(nLeft - (rcClient.right - bm.bmWidth - nLeft)), 1);
    HDC hScreen = GetDC(nullptr);
    HDC hControl = CreateCompatibleDC(hScreen);
    HDC hPicture = CreateCompatibleDC(hScreen);
    HBITMAP hCanvas = CreateCompatibleBitmap(hScreen, rcClient.right, rcClient.bottom);
    HGDIOBJ hOldCanvas = SelectObject(hControl, hCanvas);
    SendMessageA(hBanner, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(hControl), PRF_CLIENT);
    // A bitmap is selected into one device context at a time: the control's own while it draws.
    HGDIOBJ hOldPicture = SelectObject(hPicture, hBitmap);
    int nCompared = 0;
    for (int y = 0; y < bm.bmHeight; y += 15)
    {
        for (int x = 0; x < bm.bmWidth; x += 15)
        {
            COLORREF expected = GetPixel(hPicture, x, y);
            COLORREF drawn = GetPixel(hControl, nLeft + x, nTop + y);
            EXPECT_EQ(drawn, expected) << x << ", " << y;
            ++nCompared;
        }
    }
    EXPECT_GT(nCompared, 200);
    SelectObject(hPicture, hOldPicture);
    SelectObject(hControl, hOldCanvas);
    DeleteObject(hCanvas);
    DeleteDC(hPicture);
    DeleteDC(hControl);
    ReleaseDC(nullptr, hScreen);
}

TEST_F(AmbrevoConfigDlgTest, ListsGetTheirItemsFromTheTemplateData)
{
    Open();
    EXPECT_EQ(
        config_test::ComboItems(Item(IDC_DISPLAYMODE)),
        (std::vector<std::string>{"1024 x 768 32 Bit (Single Display)", "2400 x 600 32 Bit (Trivista)"}));
    EXPECT_EQ(config_test::ComboItems(Item(IDC_VIDEOMEMORY)),
              (std::vector<std::string>{"128 MB and Above", "64 MB"}));
}

// The test display reports its one mode at 0 Hz, which is no rate to offer: the usual rates stand in.
TEST_F(AmbrevoConfigDlgTest, RefreshListFallsBackToTheUsualRates)
{
    Open();
    EXPECT_EQ(config_test::ComboItems(Item(IDC_REFRESHRATE)), FALLBACK_RATES);
    EXPECT_TRUE(m_oLog.Contains("no refresh rates known for 1024 x 768; offering the usual ones"));

    Select(IDC_REFRESHRATE, "60 hz");
    SendMessageA(Item(IDC_DISPLAYMODE), CB_SETCURSEL, 1, 0);
    Command(IDC_DISPLAYMODE, CBN_SELCHANGE);
    EXPECT_EQ(config_test::ComboItems(Item(IDC_REFRESHRATE)), FALLBACK_RATES);
    EXPECT_EQ(Selection(IDC_REFRESHRATE), "85 hz");
    EXPECT_TRUE(m_oLog.Contains("no refresh rates known for 2400 x 600"));

    // Without a display mode chosen the list stays empty.
    SendMessageA(Item(IDC_DISPLAYMODE), CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    m_pDlg->FillRefreshRateList();
    EXPECT_EQ(SendMessageA(Item(IDC_REFRESHRATE), CB_GETCOUNT, 0, 0), 0);
}

TEST_F(AmbrevoConfigDlgTest, LoadSettingsSelectsWhatTheFileSays)
{
    const std::string szHigh = "128 MB and Above";
    const std::string szRecommended = RecommendHighResTextures() ? szHigh : "64 MB";
    const struct
    {
        const char* szFile;
        int nDisplayMode;
        const char* szRate;
        std::string szMemory;
        bool bAntiAliasing;
    } aCases[] = {
        {nullptr, 0, "85 hz", szRecommended, true},
        {"Width=2400\r\nHeight=600\r\n", 1, "85 hz", szRecommended, true},
        {"Width=2400\r\nHeight=768\r\n", 0, "85 hz", szRecommended, true},
        {"Width=1024\r\nHeight=600\r\n", 0, "85 hz", szRecommended, true},
        {"Frequency=60\r\n", 0, "60 hz", szRecommended, true},
        {"Frequency=61\r\n", 0, "85 hz", szRecommended, true},
        {"Frequency=56\r\n", 0, "56 hz", szRecommended, true},
        {"UseHighResTextures=0\r\nAntiAliasing=0\r\n", 0, "85 hz", "64 MB", false},
        {"UseHighResTextures=2\r\nAntiAliasing=7\r\n", 0, "85 hz", szHigh, true},
    };
    for (const auto& c : aCases)
    {
        SCOPED_TRACE(c.szFile ? c.szFile : "no settings file");
        DeleteFileA(INI);
        if (c.szFile)
        {
            qirn_test::WriteFile(INI, std::string("[GFX MODE]\r\n") + c.szFile);
        }
        Open();
        EXPECT_EQ(SendMessageA(Item(IDC_DISPLAYMODE), CB_GETCURSEL, 0, 0), c.nDisplayMode);
        EXPECT_EQ(Selection(IDC_REFRESHRATE), c.szRate);
        EXPECT_EQ(Selection(IDC_VIDEOMEMORY), c.szMemory);
        EXPECT_EQ(Checked(), c.bAntiAliasing);
    }
    EXPECT_TRUE(m_oBoxes.Boxes().empty());
}

TEST_F(AmbrevoConfigDlgTest, SaveSettingsWritesTheChoices)
{
    Open();
    SendMessageA(Item(IDC_DISPLAYMODE), CB_SETCURSEL, 1, 0);
    Command(IDC_DISPLAYMODE, CBN_SELCHANGE);
    Select(IDC_REFRESHRATE, "70 hz");
    Select(IDC_VIDEOMEMORY, "64 MB");
    SendMessageA(Item(IDC_ANTIALIASING), BM_SETCHECK, BST_UNCHECKED, 0);

    EXPECT_TRUE(m_pDlg->SaveSettings());
    std::vector<std::string> vLines = config_test::ReadLines(INI);
    ASSERT_EQ(vLines.size(), 16u);
    EXPECT_EQ(std::vector<std::string>(vLines.begin(), vLines.begin() + 7),
              (std::vector<std::string>{"[GFX MODE]", "Width=2400", "Height=600", "Bitdepth=32",
                                        "Frequency=70", "AntiAliasing=0", "UseHighResTextures=0"}));
    EXPECT_TRUE(m_oBoxes.Boxes().empty());

    // What was saved comes back on the next start.
    Open();
    EXPECT_EQ(SendMessageA(Item(IDC_DISPLAYMODE), CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(Selection(IDC_REFRESHRATE), "70 hz");
    EXPECT_EQ(Selection(IDC_VIDEOMEMORY), "64 MB");
    EXPECT_FALSE(Checked());
}

// A refresh item without a number keeps the frequency the dialog last saved; with none saved yet
// the frequency is 0, which cannot be written.
TEST_F(AmbrevoConfigDlgTest, RefreshItemWithoutNumberKeepsTheLastFrequency)
{
    Open();
    SendMessageA(Item(IDC_REFRESHRATE), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("default"));
    Select(IDC_REFRESHRATE, "75 hz");
    ASSERT_TRUE(m_pDlg->SaveSettings());
    Select(IDC_REFRESHRATE, "default");
    ASSERT_TRUE(m_pDlg->SaveSettings());
    EXPECT_EQ(Line(4), "Frequency=75");

    std::string szSaved = qirn_test::ReadFile(INI);
    Open();
    SendMessageA(Item(IDC_REFRESHRATE), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("default"));
    Select(IDC_REFRESHRATE, "default");
    EXPECT_FALSE(m_pDlg->SaveSettings());
    EXPECT_EQ(qirn_test::ReadFile(INI), szSaved);
    ASSERT_EQ(m_oBoxes.Boxes().size(), 1u);
    EXPECT_EQ(m_oBoxes.Boxes()[0].szText, WRITE_ERROR);
}

TEST_F(AmbrevoConfigDlgTest, SavingOverALockedFileShowsTheErrorAndKeepsTheFile)
{
    const std::string szEarlier = "[GFX MODE]\r\nWidth=2400\r\nHeight=600\r\nFrequency=60\r\n";
    qirn_test::WriteFile(INI, szEarlier);
    Open();
    HANDLE hHeld = CreateFileA(INI, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(hHeld, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(m_pDlg->SaveSettings());
    CloseHandle(hHeld);

    EXPECT_EQ(qirn_test::ReadFile(INI), szEarlier);
    ASSERT_EQ(m_oBoxes.Boxes().size(), 1u);
    EXPECT_EQ(m_oBoxes.Boxes()[0].szCaption, "Error");
    EXPECT_EQ(m_oBoxes.Boxes()[0].szText, WRITE_ERROR);
    EXPECT_TRUE(m_oLog.Contains(std::string("message box \"Error\" (type 0x30): ") + WRITE_ERROR));
}

TEST_F(AmbrevoConfigDlgTest, OkSavesAndClosesEvenWhenTheFileCannotBeWritten)
{
    HWND hDlg = Open();
    Select(IDC_REFRESHRATE, "60 hz");
    Command(IDOK, BN_CLICKED);
    EXPECT_FALSE(IsWindow(hDlg));
    EXPECT_EQ(Line(4), "Frequency=60");
    EXPECT_TRUE(m_oBoxes.Boxes().empty());

    std::string szSaved = qirn_test::ReadFile(INI);
    hDlg = Open();
    HANDLE hHeld = CreateFileA(INI, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    Command(IDOK, BN_CLICKED);
    CloseHandle(hHeld);
    EXPECT_FALSE(IsWindow(hDlg));
    EXPECT_EQ(qirn_test::ReadFile(INI), szSaved);
    ASSERT_EQ(m_oBoxes.Boxes().size(), 1u);
    EXPECT_EQ(m_oBoxes.Boxes()[0].szText, WRITE_ERROR);
}

TEST_F(AmbrevoConfigDlgTest, CancelClosesWithoutSaving)
{
    HWND hDlg = Open();
    Command(IDCANCEL, BN_CLICKED);
    EXPECT_FALSE(IsWindow(hDlg));
    EXPECT_FALSE(qirn_test::FileExists(INI));
}

TEST_F(AmbrevoConfigDlgTest, RunDemoWithoutTheClientSavesShowsTheErrorAndStays)
{
    HWND hDlg = Open();
    Command(IDC_RUNDEMO, BN_CLICKED);
    EXPECT_TRUE(IsWindow(hDlg));
    EXPECT_EQ(Line(4), "Frequency=85");
    ASSERT_EQ(m_oBoxes.Boxes().size(), 1u);
    EXPECT_EQ(m_oBoxes.Boxes()[0].szCaption, "Error");
    EXPECT_EQ(m_oBoxes.Boxes()[0].szText, RUN_ERROR);
    EXPECT_TRUE(m_oLog.Contains("Tolvamir.exe could not be started"));
}

TEST_F(AmbrevoConfigDlgTest, RunDemoStartsTheClientInTheWorkingFolderAndCloses)
{
    ASSERT_TRUE(CopyFileA((config_test::ExecutableFolder() + "\\config_fake_client.exe").c_str(),
                          "Tolvamir.exe", FALSE));
    HWND hDlg = Open();
    Command(IDC_RUNDEMO, BN_CLICKED);
    EXPECT_FALSE(IsWindow(hDlg));
    EXPECT_TRUE(m_oBoxes.Boxes().empty());
    EXPECT_TRUE(qirn_test::FileExists(INI));

    // The client notes the folder it was started in.
    for (int i = 0; i < 200 && !qirn_test::FileExists("client_started.txt"); ++i)
    {
        Sleep(50);
    }
    EXPECT_EQ(qirn_test::ReadFile("client_started.txt"), m_oDir.Path());
}

TEST_F(AmbrevoConfigDlgTest, IconIsTheWindowIconAndTheDragIcon)
{
    HWND hDlg = Open();
    HICON hIcon = m_pDlg->GetIcon();
    ASSERT_NE(hIcon, nullptr);
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(hDlg, WM_GETICON, ICON_BIG, 0)), hIcon);
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(hDlg, WM_GETICON, ICON_SMALL, 0)), hIcon);
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(hDlg, WM_QUERYDRAGICON, 0, 0)), hIcon);
}

TEST_F(AmbrevoConfigDlgTest, MinimisedIconIsDrawnCentred)
{
    Open();
    const int nWidth = 100, nHeight = 80;
    const COLORREF WHITE = RGB(255, 255, 255);
    HDC hScreen = GetDC(nullptr);
    HDC hMemory = CreateCompatibleDC(hScreen);
    HBITMAP hBitmap = CreateCompatibleBitmap(hScreen, nWidth, nHeight);
    HGDIOBJ hOld = SelectObject(hMemory, hBitmap);
    RECT rcAll = {0, 0, nWidth, nHeight};
    FillRect(hMemory, &rcAll, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));

    CDC dc;
    dc.Attach(hMemory);
    DrawIconCentred(dc, rcAll, m_pDlg->GetIcon());
    dc.Detach();

    // The drawn pixels' bounds sit in the middle.
    int nLeft = nWidth, nTop = nHeight, nRight = -1, nBottom = -1;
    for (int y = 0; y < nHeight; ++y)
    {
        for (int x = 0; x < nWidth; ++x)
        {
            if (GetPixel(hMemory, x, y) != WHITE)
            {
                nLeft = std::min(nLeft, x);
                nRight = std::max(nRight, x);
                nTop = std::min(nTop, y);
                nBottom = std::max(nBottom, y);
            }
        }
    }
    SelectObject(hMemory, hOld);
    DeleteObject(hBitmap);
    DeleteDC(hMemory);
    ReleaseDC(nullptr, hScreen);

    ASSERT_GE(nRight, 0) << "nothing drawn";
    EXPECT_GE(nRight - nLeft + 1, GetSystemMetrics(SM_CXICON) * 3 / 4);
    EXPECT_NEAR((nLeft + nRight) / 2.0, (nWidth - 1) / 2.0, 1.5);
    EXPECT_NEAR((nTop + nBottom) / 2.0, (nHeight - 1) / 2.0, 1.5);
}
