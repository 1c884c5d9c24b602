// On the display with real refresh rates (tools/xorg-dummy.conf: the server's own 1024 x 768 at 60,
// 70, 75 and 85 Hz, each once, and 2400 x 600 at 60 and 75 Hz).
#include "ambrevoconfigdlg.h"
#include "displayinfo.h"

#include "config_test_support.h"
#include "qirn_test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(RefreshRatesTest, EnumeratedAscendingPerSize)
{
    const struct
    {
        int nWidth, nHeight;
        std::vector<int> vRates;
    } aCases[] = {
        {1024, 768, {60, 70, 75, 85}},
        {2400, 600, {60, 75}},
        {1000, 700, {}},
    };
    for (const auto& c : aCases)
    {
        SCOPED_TRACE(testing::Message() << c.nWidth << " x " << c.nHeight);
        int* pRates = nullptr;
        int nCount = 0;
        ASSERT_EQ(EnumRefreshRates(c.nWidth, c.nHeight, 32, &pRates, &nCount), 1);
        ASSERT_NE(pRates, nullptr);
        EXPECT_EQ(std::vector<int>(pRates, pRates + nCount), c.vRates);
        delete[] pRates;
    }
}

TEST(RefreshRatesTest, DialogListsTheDisplaysRatesHighestFirst)
{
    qirn_test::ScopedTempDir dir;
    config_test::MessageBoxCatcher boxes;
    const struct
    {
        const char* szFile;
        std::vector<std::string> vItems;
        int nSelected;
    } aCases[] = {
        {nullptr, {"85 hz", "75 hz", "70 hz", "60 hz"}, 0},
        {"Frequency=60\r\n", {"85 hz", "75 hz", "70 hz", "60 hz"}, 3},
        {"Frequency=56\r\n", {"85 hz", "75 hz", "70 hz", "60 hz"}, 0},
        {"Width=2400\r\nHeight=600\r\nFrequency=60\r\n", {"75 hz", "60 hz"}, 1},
    };
    for (const auto& c : aCases)
    {
        SCOPED_TRACE(c.szFile ? c.szFile : "no settings file");
        DeleteFileA("qirn_v2.ini");
        if (c.szFile)
        {
            qirn_test::WriteFile("qirn_v2.ini", std::string("[GFX MODE]\r\n") + c.szFile);
        }
        CAmbrevoConfigDlg dlg;
        ASSERT_TRUE(dlg.Create(CAmbrevoConfigDlg::IDD));
        HWND hRates = GetDlgItem(dlg.GetSafeHwnd(), IDC_REFRESHRATE);
        EXPECT_EQ(config_test::ComboItems(hRates), c.vItems);
        EXPECT_EQ(SendMessageA(hRates, CB_GETCURSEL, 0, 0), c.nSelected);
    }
    EXPECT_TRUE(boxes.Boxes().empty());
}
