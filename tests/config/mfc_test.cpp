#include "afxwin.h"
#include "resource.h"

#include "config_test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
// A dialog over the settings dialog's template that counts what its message map routes.
class CountingDialog : public CDialog
{
public:
    CountingDialog() : CDialog(IDD_AMBREVOCONFIG_DIALOG) {}

    int m_nRuns = 0;
    int m_nSelChanges = 0;
    int m_nOKs = 0;
    int m_nPaints = 0;
    CComboBox m_ctlList;
    CButton m_ctlCheck;

protected:
    void DoDataExchange(CDataExchange* pDX) override
    {
        DDX_Control(pDX, IDC_DISPLAYMODE, m_ctlList);
        DDX_Control(pDX, IDC_ANTIALIASING, m_ctlCheck);
    }
    void OnOK() override
    {
        ++m_nOKs;
        CDialog::OnOK();
    }
    void OnRun() { ++m_nRuns; }
    void OnSelChange() { ++m_nSelChanges; }
    void OnPaint()
    {
        ++m_nPaints;
        CDialog::OnPaint();
    }
    HCURSOR OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(static_cast<INT_PTR>(0x1234)); }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CountingDialog, CDialog)
ON_BN_CLICKED(IDC_RUNDEMO, OnRun)
ON_CBN_SELCHANGE(IDC_DISPLAYMODE, OnSelChange)
ON_WM_PAINT()
ON_WM_QUERYDRAGICON()
END_MESSAGE_MAP()

void Command(HWND hDlg, int nID, int nCode)
{
    SendMessageA(hDlg, WM_COMMAND, MAKEWPARAM(nID, nCode), reinterpret_cast<LPARAM>(GetDlgItem(hDlg, nID)));
}

// Builds initial-data records: id, 16-bit message, 32-bit length, the bytes.
struct DlgInitWriter
{
    std::vector<BYTE> vBytes;
    DlgInitWriter& Add(WORD nID, WORD nMessage, const std::string& szBytes, DWORD cbLength)
    {
        Put(&nID, 2);
        Put(&nMessage, 2);
        Put(&cbLength, 4);
        Put(szBytes.data(), szBytes.size());
        return *this;
    }
    DlgInitWriter& End()
    {
        WORD nZero = 0;
        Put(&nZero, 2);
        return *this;
    }
    void Put(const void* pData, size_t cbData)
    {
        const BYTE* p = static_cast<const BYTE*>(pData);
        vBytes.insert(vBytes.end(), p, p + cbData);
    }
};
} // namespace

TEST(DialogFrameworkTest, MessageMapRoutesCommandsByIdAndNotification)
{
    config_test::MessageBoxCatcher boxes;
    CountingDialog dlg;
    ASSERT_TRUE(dlg.Create(IDD_AMBREVOCONFIG_DIALOG));
    HWND hDlg = dlg.GetSafeHwnd();

    Command(hDlg, IDC_RUNDEMO, BN_CLICKED);
    Command(hDlg, IDC_RUNDEMO, BN_DOUBLECLICKED);
    Command(hDlg, IDC_VIDEOMEMORY, CBN_SELCHANGE);
    Command(hDlg, IDC_DISPLAYMODE, CBN_SELCHANGE);
    Command(hDlg, IDC_DISPLAYMODE, CBN_DROPDOWN);
    EXPECT_EQ(dlg.m_nRuns, 1);
    EXPECT_EQ(dlg.m_nSelChanges, 1);

    // Other messages by the message alone; a handler's own result goes back to the sender.
    EXPECT_EQ(SendMessageA(hDlg, WM_QUERYDRAGICON, 0, 0), 0x1234);
    SendMessageA(hDlg, WM_PAINT, 0, 0);
    EXPECT_EQ(dlg.m_nPaints, 1);

    // IDOK reaches the derived OnOK through the base class's map; the window goes, its members let go.
    Command(hDlg, IDOK, BN_CLICKED);
    EXPECT_EQ(dlg.m_nOKs, 1);
    EXPECT_FALSE(IsWindow(hDlg));
    EXPECT_EQ(dlg.GetSafeHwnd(), nullptr);
    EXPECT_EQ(dlg.m_ctlList.GetSafeHwnd(), nullptr);
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST(DialogFrameworkTest, DataExchangeBindsTheControlsOnce)
{
    CountingDialog dlg;
    ASSERT_TRUE(dlg.Create(IDD_AMBREVOCONFIG_DIALOG));
    HWND hDlg = dlg.GetSafeHwnd();
    EXPECT_EQ(dlg.m_ctlList.GetSafeHwnd(), GetDlgItem(hDlg, IDC_DISPLAYMODE));
    EXPECT_EQ(dlg.m_ctlCheck.GetSafeHwnd(), GetDlgItem(hDlg, IDC_ANTIALIASING));
    EXPECT_TRUE(dlg.UpdateData(TRUE));
    EXPECT_EQ(dlg.m_ctlList.GetSafeHwnd(), GetDlgItem(hDlg, IDC_DISPLAYMODE));

    // The wrappers act on their controls.
    EXPECT_EQ(dlg.m_ctlList.GetCount(), 2);
    dlg.m_ctlList.SetCurSel(1);
    std::string szText;
    dlg.m_ctlList.GetLBText(dlg.m_ctlList.GetCurSel(), szText);
    EXPECT_EQ(szText, "2400 x 600 32 Bit (Trivista)");
    dlg.m_ctlList.GetLBText(7, szText);
    EXPECT_EQ(szText, "");
    dlg.m_ctlCheck.SetCheck(BST_CHECKED);
    EXPECT_EQ(dlg.m_ctlCheck.GetCheck(), BST_CHECKED);

    CWnd* pItem = dlg.GetDlgItem(IDC_RUNDEMO);
    ASSERT_NE(pItem, nullptr);
    EXPECT_EQ(pItem->GetSafeHwnd(), GetDlgItem(hDlg, IDC_RUNDEMO));
    EXPECT_EQ(dlg.GetDlgItem(IDC_RUNDEMO), pItem);
    std::string szCaption;
    pItem->GetWindowText(szCaption);
    EXPECT_EQ(szCaption, "Run Demo");
    EXPECT_EQ(dlg.GetDlgItem(4242), nullptr);
}

TEST(DialogFrameworkTest, ModelessDialogClosesWithItsObject)
{
    HWND hDlg = nullptr;
    {
        CountingDialog dlg;
        ASSERT_TRUE(dlg.Create(IDD_AMBREVOCONFIG_DIALOG));
        hDlg = dlg.GetSafeHwnd();
        ASSERT_TRUE(IsWindow(hDlg));
    }
    EXPECT_FALSE(IsWindow(hDlg));
}

TEST(DialogFrameworkTest, InitialDataRecordsAreReadSafely)
{
    config_test::DebugOutputCapture log;
    CountingDialog dlg;
    ASSERT_TRUE(dlg.Create(IDD_AMBREVOCONFIG_DIALOG));
    const WORD ID = IDC_DISPLAYMODE;
    struct Case
    {
        const char* szName;
        std::vector<BYTE> vData;
        BOOL bResult;
        std::vector<std::string> vItems;
    };
    const Case aCases[] = {
        {"16-bit and 32-bit messages",
         DlgInitWriter()
             .Add(ID, 0x0403, std::string("one\0", 4), 4)
             .Add(ID, CB_ADDSTRING, std::string("two\0", 4), 4)
             .End()
             .vBytes,
         TRUE,
         {"one", "two"}},
        {"text without its zero", DlgInitWriter().Add(ID, 0x0403, "three", 5).End().vBytes, TRUE, {"three"}},
        {"unknown message skipped",
         DlgInitWriter()
             .Add(ID, 0x0999, std::string("x\0", 2), 2)
             .Add(ID, 0x0403, std::string("four\0", 5), 5)
             .End()
             .vBytes,
         TRUE,
         {"four"}},
        {"length past the end",
         DlgInitWriter().Add(ID, 0x0403, std::string("five\0", 5), 500).vBytes,
         FALSE,
         {}},
        {"cut inside a header", std::vector<BYTE>{0xEB, 0x03, 0x03}, FALSE, {}},
        {"no end mark", DlgInitWriter().Add(ID, 0x0403, std::string("six\0", 4), 4).vBytes, FALSE, {"six"}},
        {"no such control",
         DlgInitWriter().Add(4242, 0x0403, std::string("seven\0", 6), 6).End().vBytes,
         FALSE,
         {}},
        {"empty", {}, FALSE, {}},
    };
    for (const Case& c : aCases)
    {
        SCOPED_TRACE(c.szName);
        dlg.m_ctlList.ResetContent();
        EXPECT_EQ(dlg.ExecuteDlgInit(c.vData.data(), static_cast<DWORD>(c.vData.size())), c.bResult);
        EXPECT_EQ(config_test::ComboItems(dlg.m_ctlList.GetSafeHwnd()), c.vItems);
    }
    EXPECT_TRUE(log.Contains("the record of control 1003 runs past the data"));
    EXPECT_TRUE(log.Contains("message 0x0999 for control 1003 is not known; skipped"));
    EXPECT_TRUE(log.Contains("control 4242 did not take \"seven\""));
}

TEST(DialogFrameworkTest, MissingTemplateFailsTheDialog)
{
    config_test::DebugOutputCapture log;
    CDialog dlg(9999);
    EXPECT_EQ(dlg.DoModal(), -1);
    EXPECT_FALSE(dlg.Create(9999));
    EXPECT_TRUE(log.Contains("dialog 9999 could not be made"));
}

namespace
{
class ExitCodeApp : public CWinApp
{
public:
    BOOL InitInstance() override
    {
        m_hSeenInstance = AfxGetResourceHandle();
        return FALSE;
    }
    int ExitInstance() override { return 7; }
    HINSTANCE m_hSeenInstance = nullptr;
};
} // namespace

TEST(DialogFrameworkTest, ApplicationStartRunsInitInstanceAndEnds)
{
    config_test::DebugOutputCapture log;
    EXPECT_EQ(AfxGetApp(), nullptr);
    EXPECT_EQ(AfxWinMain(GetModuleHandleA(nullptr), const_cast<LPSTR>(""), SW_SHOW), -1);
    EXPECT_TRUE(log.Contains("no application object"));
    {
        ExitCodeApp app;
        EXPECT_EQ(AfxGetApp(), &app);
        HINSTANCE hInstance = GetModuleHandleA(nullptr);
        EXPECT_EQ(AfxWinMain(hInstance, const_cast<LPSTR>("-x"), SW_SHOW), 7);
        EXPECT_EQ(app.m_hSeenInstance, hInstance);
        EXPECT_STREQ(app.m_lpCmdLine, "-x");
        EXPECT_NE(app.LoadIcon(IDR_MAINFRAME), nullptr);
    }
    EXPECT_EQ(AfxGetApp(), nullptr);
}
