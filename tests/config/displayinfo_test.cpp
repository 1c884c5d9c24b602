#include "displayinfo.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

TEST(DisplayInfoTest, FormatBitDepths)
{
    const std::map<int, std::vector<int>> mapDepths = {
        {24, {20}},
        {32, {21, 22, 31, 62, 63, 64, 65, 71, 75, 77, 79}},
        {16, {23, 24, 25, 26, 29, 30, 40, 51, 60, 61, 70, 73, 80}},
        {8, {27, 28, 41, 50, 52}},
    };
    std::map<int, int> mapExpected;
    for (const auto& entry : mapDepths)
    {
        for (int nFormat : entry.second)
        {
            mapExpected[nFormat] = entry.first;
        }
    }
    // Every other code, including the four-character codes' neighbourhood, answers 0.
    for (int nFormat = -1; nFormat <= 200; ++nFormat)
    {
        int nExpected = mapExpected.count(nFormat) ? mapExpected[nFormat] : 0;
        EXPECT_EQ(GetFormatBitDepth(static_cast<D3DFORMAT>(nFormat)), nExpected) << "format " << nFormat;
    }
    EXPECT_EQ(GetFormatBitDepth(D3DFMT_DXT1), 0);
}

TEST(DisplayInfoTest, RefreshRatesSortAscendingKeepingRepeats)
{
    struct Case
    {
        std::vector<int> vIn;
        std::vector<int> vOut;
    };
    const Case aCases[] = {
        {{}, {}},
        {{60}, {60}},
        {{85, 60}, {60, 85}},
        {{85, 85, 75, 70, 60, 60}, {60, 60, 70, 75, 85, 85}},
        {{60, 85, 60, 75, 0}, {0, 60, 60, 75, 85}},
    };
    for (const Case& c : aCases)
    {
        std::vector<int> vRates = c.vIn;
        SortRefreshRates(vRates.data(), static_cast<int>(vRates.size()));
        EXPECT_EQ(vRates, c.vOut);
    }
}

TEST(DisplayInfoTest, HighResTexturesExceptOnSixtyFourMegabyteBoards)
{
    const struct
    {
        int nMegabytes;
        int nRecommended;
    } aCases[] = {{64, 0}, {40, 1}, {32, 1}, {63, 1}, {65, 1}, {128, 1}, {0, 1}};
    for (const auto& c : aCases)
    {
        EXPECT_EQ(RecommendForVideoMemory(c.nMegabytes), c.nRecommended) << c.nMegabytes << " MB";
    }
}

TEST(DisplayInfoTest, ListedAdaptersMatchOnDeviceAndSubsystem)
{
    EXPECT_TRUE(IsListedDisplayAdapter(0x5A21, 0x0042B07A));
    EXPECT_TRUE(IsListedDisplayAdapter(0x5A23, 0x0051B07A));
    EXPECT_FALSE(IsListedDisplayAdapter(0x5A21, 0x0051B07A));
    EXPECT_FALSE(IsListedDisplayAdapter(0x5A22, 0x0042B07A));
    EXPECT_FALSE(IsListedDisplayAdapter(0, 0));
}

// The display driver here answers no private escape, and its adapter is not a listed one: the
// escape's stand-in value (40) decides.
TEST(DisplayInfoTest, RecommendationWithoutTheDriverQuery)
{
    EXPECT_EQ(QueryVideoMemoryMegabytes(), 40);
    EXPECT_EQ(RecommendHighResTextures(), 1);
}
