#include "qirn_string.h"

#include <gtest/gtest.h>

TEST(String, MidClampsItsArguments)
{
    struct Case
    {
        int iFirst, iCount;
        const char* szExpected;
    };
    const Case cases[] = {{-5, 3, "abc"}, {4, 10, "ef"}, {10, 2, ""},  {2, -1, ""},
                          {6, 1, ""},     {1, 0, ""},    {1, 3, "bcd"}};
    const QIRN_String szText("abcdef");
    for (const Case& c : cases)
    {
        EXPECT_EQ(szText.Mid(c.iFirst, c.iCount), c.szExpected) << c.iFirst << "," << c.iCount;
    }
    EXPECT_EQ(szText, "abcdef");
}

TEST(String, TrimVariants)
{
    struct Case
    {
        int iKind; // 0 Trim, 1 TrimLeft, 2 TrimRight
        char c;
        const char* szIn;
        const char* szOut;
    };
    const Case cases[] = {
        {0, ' ', "  a b  ", "a b"}, {0, ' ', "    ", ""}, {2, ' ', "    ", " "},    {2, ' ', "a  ", "a"},
        {2, ' ', "", ""},           {2, ' ', " ", " "},   {1, 'x', "xxabc", "abc"}, {1, ' ', "   ", ""},
    };
    for (const Case& c : cases)
    {
        QIRN_String s(c.szIn);
        QIRN_String r = c.iKind == 0 ? s.Trim(c.c) : c.iKind == 1 ? s.TrimLeft(c.c) : s.TrimRight(c.c);
        EXPECT_EQ(s, c.szOut) << "'" << c.szIn << "' kind " << c.iKind;
        EXPECT_EQ(r, s);
    }
}

TEST(String, MakeLowerTouchesOnlyAsciiCapitals)
{
    QIRN_String s("Models\\ROCK.X\xC4\xD6");
    EXPECT_EQ(s.MakeLower(), "models\\rock.x\xC4\xD6");
}

TEST(String, FormatFitsAnyLength)
{
    QIRN_String s;
    EXPECT_EQ(s.Format("%s%05d.bmp", "dump", 17), "dump00017.bmp");
    EXPECT_EQ(s, "dump00017.bmp");

    std::string szLong(5000, 'q');
    s.Format("<%s>", szLong.c_str());
    EXPECT_EQ(s.size(), 5002u);
    EXPECT_EQ(s.back(), '>');

    // The content is the formatted text up to its terminator.
    EXPECT_EQ(s.Format("ab%cde", 0), "ab");
    EXPECT_EQ(s.size(), 2u);
}
