#include "engine_test_support.h"

#include "qirn_shader.h"

#include <windows.h>

#include <cstddef>
#include <cstring>
#include <string>

using engine_test::ConsoleTest;

namespace
{
void Type(QIRN_Console& console, const std::string& strText)
{
    for (char c : strText)
    {
        console.ProcessChar(c);
    }
}

bool SetClipboardText(const std::string& strText)
{
    if (!OpenClipboard(nullptr))
    {
        return false;
    }
    EmptyClipboard();
    HGLOBAL hText = GlobalAlloc(GMEM_MOVEABLE, strText.size() + 1);
    memcpy(GlobalLock(hText), strText.c_str(), strText.size() + 1);
    GlobalUnlock(hText);
    bool bSet = SetClipboardData(CF_TEXT, hText) != nullptr;
    CloseClipboard();
    return bSet;
}

// The vtable slot of a virtual member function: under the C++ ABI of GCC the member pointer holds
// one more than the function's byte offset in the vtable.
template <class F> ptrdiff_t VirtualSlot(F pfnMember)
{
    struct Representation
    {
        ptrdiff_t iPointer;
        ptrdiff_t iAdjust;
    } oRep;
    static_assert(sizeof(F) == sizeof(Representation), "a member pointer of two words");
    memcpy(&oRep, &pfnMember, sizeof(oRep));
    return (oRep.iPointer - 1) / static_cast<ptrdiff_t>(sizeof(void*));
}

std::string GetClipboardText()
{
    std::string strText;
    if (OpenClipboard(nullptr))
    {
        HANDLE hText = GetClipboardData(CF_TEXT);
        if (hText)
        {
            strText = static_cast<const char*>(GlobalLock(hText));
            GlobalUnlock(hText);
        }
        CloseClipboard();
    }
    return strText;
}
} // namespace

TEST_F(ConsoleTest, StartsWithItsDefaults)
{
    QIRN_Console& console = Console();
    EXPECT_EQ(console.m_dwMaxLines, 1000u);
    EXPECT_EQ(console.m_dwLineWidth, 128u);
    EXPECT_EQ(console.m_dwVisibleLines, 25u);
    EXPECT_EQ(console.m_dwCurrentLine, 500u);
    EXPECT_EQ(console.m_dwShownLines, 0);
    EXPECT_FALSE(console.m_bOpen);
    EXPECT_EQ(console.m_strFontName, "Lucida Console");
    EXPECT_EQ(console.m_dwFontSize, 10u);
    EXPECT_EQ(console.m_dwFontColor, 0xFFFFFFFFu);
    EXPECT_EQ(console.m_dwFillMode, 0u);
    EXPECT_EQ(console.m_fExitTime, -1.0f);
    EXPECT_EQ(console.m_iFpsLock, 0);
    EXPECT_TRUE(console.m_bSetCameraSpeeds);
    EXPECT_FALSE(console.m_bSetWorldTime);
    EXPECT_FALSE(console.m_bLoadWorld);
    EXPECT_FLOAT_EQ(console.m_fMouseSpeedX, 0.3f);
    EXPECT_FLOAT_EQ(console.m_fMoveSpeedZ, 0.2f);
    ASSERT_NE(console.m_poShader, nullptr);
    EXPECT_EQ(console.m_poShader->GetName(), "ConsoleShader");
    ASSERT_EQ(console.m_poShader->m_dwNumPasses, 1u);
    EXPECT_TRUE(console.m_poShader->m_poPasses[0].m_bAlphaBlendEnabled);
    EXPECT_EQ(console.m_poShader->m_poPasses[0].m_strVertexShader, "");
}

TEST(ConsoleLayout, VirtualOperationsInTheirSlots)
{
    EXPECT_EQ(VirtualSlot(&QIRN_Console::Load), 0);
    EXPECT_EQ(VirtualSlot(&QIRN_Console::ReceiveText), 1);
    EXPECT_EQ(VirtualSlot(&QIRN_Console::SetGraphics), 2);
    EXPECT_EQ(VirtualSlot(&QIRN_Console::ReleaseResources), 3);
    EXPECT_EQ(VirtualSlot(&QIRN_Console::Render), 4);
}

TEST_F(ConsoleTest, PrintEndsEveryTextOnItsOwnLines)
{
    QIRN_Console& console = Console();
    console.Print("abc");
    EXPECT_EQ(Line(500), "abc");
    EXPECT_EQ(console.m_dwCurrentLine, 501u);

    console.Print("abc\n");
    EXPECT_EQ(Line(501), "abc");
    EXPECT_EQ(Line(502), "");
    EXPECT_EQ(console.m_dwCurrentLine, 503u);

    console.Print("%s", "");
    EXPECT_EQ(console.m_dwCurrentLine, 504u);

    console.Print("%s", std::string(300, 'x').c_str());
    EXPECT_EQ(Line(504), std::string(128, 'x'));
    EXPECT_EQ(Line(505), std::string(128, 'x'));
    EXPECT_EQ(Line(506), std::string(44, 'x'));
    EXPECT_EQ(console.m_dwCurrentLine, 507u);

    // A text longer than the print buffer is cut to 1023 characters.
    console.Print("%s", std::string(5000, 'y').c_str());
    size_t nStored = 0;
    for (uint32_t i = 507; i < console.m_dwCurrentLine; ++i)
    {
        nStored += Line(i).size();
    }
    EXPECT_EQ(nStored, 1023u);
    EXPECT_EQ(console.m_dwCurrentLine, 515u);
}

TEST_F(ConsoleTest, RingWrapsAndMirrorsItsLastLines)
{
    QIRN_Console& console = Console();
    for (int i = 0; i < 500; ++i)
    {
        console.Print("line %d", i);
    }
    EXPECT_EQ(console.m_dwCurrentLine, 1000u);
    EXPECT_EQ(Line(999), "line 499");
    // Lines 976 to 999 are already copied to lines 0 to 23.
    for (uint32_t i = 0; i < 24; ++i)
    {
        EXPECT_EQ(Line(i), Line(976 + i)) << i;
    }
    console.Print("after the wrap");
    EXPECT_EQ(Line(24), "after the wrap");
    EXPECT_EQ(console.m_dwCurrentLine, 25u);
    // So the 25 lines from line 0 are the last 25 printed, in order.
    EXPECT_EQ(Line(0), "line 476");
    EXPECT_EQ(Line(23), "line 499");

    console.m_bOpen = true;
    for (int i = 0; i < 30; ++i)
    {
        console.UpdateSlide();
    }
    EXPECT_EQ(console.m_dwShownLines, 25);
    EXPECT_EQ(console.GetFirstVisibleLine(), console.m_aszLines[0]);
}

TEST_F(ConsoleTest, VisibleLinesStayWithinTheRing)
{
    struct Case
    {
        uint32_t dwScreen;
        uint32_t dwLineHeight;
        uint32_t dwLines;
    };
    const Case cases[] = {
        {768, 16, 47}, {768, 15, 50}, {768, 0, 1}, {10, 16, 1}, {16, 16, 1}, {768, 1, 500}, {100000, 2, 500},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(QIRN_Console::FitVisibleLines(c.dwScreen, c.dwLineHeight), c.dwLines)
            << c.dwScreen << "/" << c.dwLineHeight;
    }

    // Whatever a drawer stores, printing across the wrap stays inside the history and the lines in
    // view remain the last ones printed.
    QIRN_Console& console = Console();
    for (uint32_t dwVisible : {0u, 1u, 7u, 700u, 0xFFFFFFFFu})
    {
        console.m_dwVisibleLines = dwVisible;
        uint32_t dwInRing = console.GetVisibleLinesInRing();
        EXPECT_GE(dwInRing, 1u);
        EXPECT_LE(dwInRing, 500u);
        for (int i = 0; i < 1200; ++i)
        {
            console.Print("v%u %d", dwVisible, i);
            ASSERT_LE(console.m_dwCurrentLine, 1000u);
        }
        console.m_bOpen = true;
        console.m_dwShownLines = 0;
        for (uint32_t i = 0; i < dwInRing + 2; ++i)
        {
            console.UpdateSlide();
        }
        ASSERT_EQ(console.m_dwShownLines, static_cast<int32_t>(dwInRing));
        const char* pFirst = console.GetFirstVisibleLine();
        ASSERT_NE(pFirst, nullptr);
        std::string strLast = pFirst + (dwInRing - 1) * (QIRN_CONSOLE_LINEWIDTH + 1);
        EXPECT_EQ(strLast, "v" + std::to_string(dwVisible) + " 1199");
    }
}

TEST_F(ConsoleTest, ShrunkenViewStillShowsTheLastLinesInsideTheRing)
{
    QIRN_Console& console = Console();
    for (int i = 0; i < 500; ++i)
    {
        console.Print("line %d", i);
    }
    console.m_dwVisibleLines = 300;
    console.m_bOpen = true;
    for (int i = 0; i < 300; ++i)
    {
        console.UpdateSlide();
    }
    // The drawer fits the view to a smaller screen while the console closes.
    console.m_dwVisibleLines = 25;
    console.m_bOpen = false;
    EXPECT_EQ(console.UpdateSlide(), 299);
    const char* pFirst = console.GetFirstVisibleLine();
    ASSERT_NE(pFirst, nullptr);
    const char* pEnd = pFirst + console.m_dwShownLines * (QIRN_CONSOLE_LINEWIDTH + 1);
    ASSERT_LE(pEnd, console.m_aszLines[0] + sizeof(console.m_aszLines));
    EXPECT_STREQ(pEnd - (QIRN_CONSOLE_LINEWIDTH + 1), "line 499");
}

TEST_F(ConsoleTest, SlidesOneLineAFrame)
{
    QIRN_Console& console = Console();
    EXPECT_EQ(console.GetFirstVisibleLine(), nullptr);
    EXPECT_EQ(console.UpdateSlide(), 0);
    console.Print("only line");
    console.m_bOpen = true;
    EXPECT_EQ(console.UpdateSlide(), 1);
    EXPECT_STREQ(console.GetFirstVisibleLine(), "only line");
    EXPECT_EQ(console.UpdateSlide(), 2);
    // Above the printed lines the view starts at line current - shown.
    EXPECT_EQ(console.GetFirstVisibleLine(), console.m_aszLines[499]);
    for (int i = 0; i < 40; ++i)
    {
        console.UpdateSlide();
    }
    EXPECT_EQ(console.m_dwShownLines, 25);
    console.m_bOpen = false;
    EXPECT_EQ(console.UpdateSlide(), 24);
    for (int i = 0; i < 40; ++i)
    {
        console.UpdateSlide();
    }
    EXPECT_EQ(console.m_dwShownLines, 0);
    EXPECT_EQ(console.GetFirstVisibleLine(), nullptr);
}

TEST_F(ConsoleTest, ExitTimeFollowsTheEngineTime)
{
    QIRN_Console orphan(nullptr);
    EXPECT_TRUE(orphan.IsExitTime());

    QIRN_Console& console = Console();
    EXPECT_FALSE(console.IsExitTime());
    m_oEngine.Update(3.5f, false);
    EXPECT_FALSE(console.IsExitTime());
    console.ParseCommand("exit 10");
    EXPECT_FLOAT_EQ(console.m_fExitTime, 13.5f);
    m_oEngine.Update(9.0f, false);
    EXPECT_FALSE(console.IsExitTime());
    m_oEngine.Update(1.0f, false);
    EXPECT_TRUE(console.IsExitTime());
}

TEST_F(ConsoleTest, TypingFillsTheInputLine)
{
    QIRN_Console& console = Console();
    console.ProcessChar(8);
    EXPECT_EQ(console.m_dwCursor, 0u);
    Type(console, "a`b");
    console.ProcessChar(static_cast<char>(200));
    console.ProcessChar(127);
    console.ProcessChar(9);
    EXPECT_STREQ(console.m_szInput, "ab\x7f");
    console.ProcessChar(8);
    EXPECT_STREQ(console.m_szInput, "ab");
    EXPECT_EQ(console.m_dwCursor, 2u);

    Type(console, std::string(200, 'z'));
    EXPECT_EQ(console.m_dwCursor, 128u);
    EXPECT_EQ(std::string(console.m_szInput), "ab" + std::string(126, 'z'));

    // Enter on an empty line echoes an empty line and runs nothing.
    std::memset(console.m_szInput, 0, sizeof(console.m_szInput));
    console.m_dwCursor = 0;
    console.ProcessChar('\r');
    EXPECT_EQ(console.m_dwCurrentLine, 501u);
    EXPECT_EQ(Line(500), "");

    // A typed command is echoed, then its reply follows.
    Type(console, "print hi\n");
    EXPECT_EQ(Line(501), "print hi");
    EXPECT_EQ(Line(502), "hi");
    EXPECT_EQ(console.m_dwCursor, 0u);
    EXPECT_STREQ(console.m_szInput, "");
}

TEST_F(ConsoleTest, CopiesAndPastesThroughTheClipboard)
{
    QIRN_Console& console = Console();
    Type(console, "showxyz 1");
    console.ProcessChar(3);
    EXPECT_STREQ(console.m_szInput, "showxyz 1");
    EXPECT_EQ(GetClipboardText(), "showxyz 1");

    // Pasted line breaks run the lines; what follows the last one stays in the input line.
    ASSERT_TRUE(SetClipboardText("cls\r\nhelp"));
    std::memset(console.m_szInput, 0, sizeof(console.m_szInput));
    console.m_dwCursor = 0;
    console.Print("some history");
    uint32_t dwLine = console.m_dwCurrentLine;
    console.ProcessChar(22);
    EXPECT_EQ(Line(dwLine - 1), "");
    EXPECT_EQ(console.m_dwCurrentLine, dwLine + 2);
    EXPECT_STREQ(console.m_szInput, "help");
}

TEST_F(ConsoleTest, PastedClipboardCodesDoNotPasteAgain)
{
    QIRN_Console& console = Console();
    ASSERT_TRUE(SetClipboardText(std::string("ab\x16") + "c\x03" + "d"));
    console.ProcessChar(22);
    EXPECT_STREQ(console.m_szInput, "abcd");
    EXPECT_EQ(GetClipboardText(), std::string("ab\x16") + "c\x03" + "d");
}
