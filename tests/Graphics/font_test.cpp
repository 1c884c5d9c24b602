#include "qirn_bitmap.h"
#include "qirn_font.h"
#include "qirn_settings.h"
#include "qirn_test_support.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <string>
#include <vector>

namespace
{
// A font as a renderer makes one: its texture is a plain bitmap, drawing does nothing.
class TestFont : public QIRN_Font
{
public:
    explicit TestFont(bool bMakesTexture = true) : m_bMakesTexture(bMakesTexture) {}
    ~TestFont() override { delete m_poTexture; }

    void CreateTexture() override
    {
        if (m_bMakesTexture)
        {
            m_poTexture = new QIRN_Bitmap;
        }
    }
    QIRN_ErrorCode Init(QIRN_Graphics*) override { return OK; }
    QIRN_ErrorCode DrawText(std::string, float, float, uint32_t, uint32_t) override { return OK; }
    QIRN_ErrorCode DrawTextScaled(std::string, float, float, float, uint32_t, uint32_t) override
    {
        return OK;
    }
    QIRN_ErrorCode DrawText3D(std::string, uint32_t, uint32_t) override { return OK; }

private:
    bool m_bMakesTexture;
};

class FontTest : public testing::Test
{
protected:
    void SetUp() override
    {
        CreateDirectoryA("fonts", nullptr);
        qirn_test::WriteFile("test.ini", "[PATHS]\r\nFontPath=fonts\r\n");
        QIRN_InitEnginePath(m_oDir.Path() + "\\test.ini");
    }

    qirn_test::ScopedTempDir m_oDir;
};

std::string GlyphLine(int c)
{
    char szLine[128];
    snprintf(szLine, sizeof(szLine), "%d %d %f %f %f %f\n", c % 13 + 1, 20, c / 256.0f, 0.5f,
             c / 256.0f + 0.01f, 0.75f);
    return szLine;
}

// A tiny 32-bit TGA: enough to stand for a prepared glyph texture.
std::string TinyTga(int iSide)
{
    std::string s(18, '\0');
    s[2] = 2;
    s[12] = static_cast<char>(iSide);
    s[14] = static_cast<char>(iSide);
    s[16] = 32;
    return s + std::string(static_cast<size_t>(iSide * iSide * 4), '\x7F');
}

// What GDI itself measures for one character of a font made like the glyph texture's.
SIZE MeasureWithGdi(const char* szFace, int iPoints, bool bBold, bool bItalic, char ch)
{
    SIZE size = {0, 0};
    HDC hDC = CreateCompatibleDC(nullptr);
    int iHeight = MulDiv(iPoints, GetDeviceCaps(hDC, LOGPIXELSY), 72);
    HFONT hFont =
        CreateFontA(-iHeight, 0, 0, 0, bBold ? FW_BOLD : FW_NORMAL, bItalic, FALSE, FALSE, DEFAULT_CHARSET,
                    OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, VARIABLE_PITCH, szFace);
    HGDIOBJ hOld = SelectObject(hDC, hFont);
    GetTextExtentPoint32A(hDC, &ch, 1, &size);
    SelectObject(hDC, hOld);
    DeleteObject(hFont);
    DeleteDC(hDC);
    return size;
}
} // namespace

TEST(FontKeyTest, FaceStyleAndSize)
{
    EXPECT_EQ(QIRN_MakeFontKey("Lucida Console", 10, 1), "Lucida Console Bold 10 pts");
    EXPECT_EQ(QIRN_MakeFontKey("Arial", 12, 3), "Arial Bold Italic 12 pts");
    EXPECT_EQ(QIRN_MakeFontKey("Arial", 8, 2), "Arial Italic 8 pts");
    EXPECT_EQ(QIRN_MakeFontKey("Arial", 8, 4), "Arial 8 pts");
}

TEST_F(FontTest, LoadUVDataFillsTheGlyphTable)
{
    std::string text = "; glyph table\n";
    for (int c = 0; c < 257; ++c)
    {
        text += c == 256 ? "99 99 0.9 0.9 0.9 0.9\n" : GlyphLine(c);
    }
    qirn_test::WriteFile("fonts\\Table.UVData", text);

    TestFont font;
    ASSERT_EQ(font.LoadUVData("Table.UVData"), OK);
    for (int c = 0; c < 256; ++c)
    {
        EXPECT_EQ(font.m_adwWidth[c], static_cast<uint32_t>(c % 13 + 1)) << c;
        EXPECT_EQ(font.m_adwHeight[c], 20u) << c;
        EXPECT_NEAR(font.m_afU0[c], c / 256.0f, 1e-6) << c;
        EXPECT_FLOAT_EQ(font.m_afV1[c], 0.75f) << c;
    }
    // The 257th line is ignored rather than wrapping round to glyph 0.
    EXPECT_EQ(font.m_adwWidth[0], 1u);
}

TEST_F(FontTest, LoadUVDataShortAndLongLines)
{
    // A line of fewer values sets the leading ones; a line longer than 127 characters counts as
    // two glyph lines.
    const std::string longLine = "5 6 0.1 0.2 0.3 0.4" + std::string(120, ' ') + "8 9\n";
    qirn_test::WriteFile("fonts\\Short.UVData", "7 9\n;comment\n" + longLine + "3 4 0.5\n");
    TestFont font;
    font.m_afU0[0] = font.m_afV0[0] = 0.5f;
    ASSERT_EQ(font.LoadUVData("Short.UVData"), OK);
    EXPECT_EQ(font.m_adwWidth[0], 7u);
    EXPECT_EQ(font.m_adwHeight[0], 9u);
    EXPECT_EQ(font.m_afU0[0], 0.5f);
    EXPECT_EQ(font.m_afV0[0], 0.5f);
    EXPECT_EQ(font.m_adwWidth[1], 5u);
    EXPECT_FLOAT_EQ(font.m_afV1[1], 0.4f);
    EXPECT_EQ(font.m_adwWidth[2], 8u);
    EXPECT_EQ(font.m_adwHeight[2], 9u);
    EXPECT_EQ(font.m_adwWidth[3], 3u);
    EXPECT_FLOAT_EQ(font.m_afU0[3], 0.5f);
    EXPECT_EQ(font.m_afV0[3], 0.0f);

    qirn_test::LogCapture log;
    EXPECT_EQ(font.LoadUVData("Missing.UVData"), FILENOTFOUND);
    EXPECT_TRUE(log.Contains("*** QIRN_Font::LoadUVData() - szFilename is EMPTY\n"));
}

TEST_F(FontTest, TextExtentOfLines)
{
    TestFont font;
    font.m_adwHeight[0] = 16;
    font.m_adwWidth[static_cast<int>('a')] = 5;
    font.m_adwWidth[static_cast<int>('b')] = 6;
    font.m_adwWidth[static_cast<int>('c')] = 3;
    font.m_adwWidth[static_cast<int>('d')] = 4;
    font.m_adwWidth[10] = 2;
    font.m_adwWidth[0xE9] = 40;

    const struct
    {
        std::string text;
        LONG cx, cy;
    } cases[] = {
        {"", 0, 16},
        {"ab", 11, 16},
        // The second line counts the line feed's own glyph: 2 + 3 + 4 = 9 < 11.
        {"ab\ncd", 11, 32},
        {"a\ncdd", 13, 32},
        {"\n\n", 2, 48},
        // Character codes above 127 index the table as 0-255.
        {"a\xE9", 45, 16},
    };
    for (const auto& c : cases)
    {
        SIZE size = {-1, -1};
        EXPECT_EQ(font.GetTextExtent(c.text, &size), OK);
        EXPECT_EQ(size.cx, c.cx) << c.text;
        EXPECT_EQ(size.cy, c.cy) << c.text;
    }
    qirn_test::LogCapture log;
    EXPECT_EQ(font.GetTextExtent("ab", nullptr), NULL_POINTER);
    EXPECT_EQ(log.All(), "QIRN_Font::GetTextExtent() - pSize is NULL!\n");
}

TEST_F(FontTest, LoadsAPreparedFont)
{
    qirn_test::WriteFile("fonts\\Glyphs.tga", TinyTga(8));
    qirn_test::WriteFile("fonts\\Glyphs.UVData", GlyphLine(0) + GlyphLine(1));
    TestFont font;
    ASSERT_EQ(font.Load("Glyphs"), OK);
    EXPECT_EQ(font.m_strName, "Glyphs");
    EXPECT_EQ(font.m_dwTextureSize, 8u);
    ASSERT_NE(font.m_poTexture, nullptr);
    EXPECT_EQ(font.m_poTexture->m_dwBitsPerTexel, 32u);
    EXPECT_EQ(font.m_adwWidth[1], 2u);
    // Load leaves size and style to the name and the table.
    EXPECT_EQ(font.m_dwPoints, 0u);

    // A folder in the name is kept for the table and dropped for the texture search.
    TestFont other;
    EXPECT_EQ(other.Load("fonts\\Glyphs.tga"), OK);
}

TEST_F(FontTest, LoadFailures)
{
    qirn_test::WriteFile("fonts\\NoTable.tga", TinyTga(4));
    const struct
    {
        const char* szName;
        const char* szLog;
    } cases[] = {
        {"fonts\\", "QIRN_Font::Load() - Empty filename\n"},
        {"Absent", "QIRN_Font::Load() - Unable to load font texture\n"},
        {"NoTable", "QIRN_Font::Load() - Unable to load UV data file\n"},
    };
    for (const auto& c : cases)
    {
        qirn_test::LogCapture log;
        TestFont font;
        EXPECT_EQ(font.Load(c.szName), GENERICERROR) << c.szName;
        EXPECT_EQ(font.m_poTexture, nullptr) << c.szName;
        EXPECT_TRUE(log.Contains(c.szLog)) << c.szName << ": " << log.All();
    }
    qirn_test::LogCapture log;
    TestFont noTexture(false);
    EXPECT_EQ(noTexture.Load("NoTable"), GENERICERROR);
    EXPECT_TRUE(log.Contains("QIRN_Font::Load() - Unable to load font texture\n"));
}

TEST_F(FontTest, TextureSideFollowsSizeAndStyle)
{
    const struct
    {
        int iPoints, iStyle;
        uint32_t dwSide, dwPoints;
        bool bWhoa;
    } cases[] = {
        {10, 0, 256, 10, false},  {11, 0, 256, 11, false}, {11, 1, 512, 11, false},  {12, 0, 512, 12, false},
        {25, 0, 1024, 25, false}, {51, 0, 2048, 51, true}, {100, 0, 2048, 85, true},
    };
    for (const auto& c : cases)
    {
        qirn_test::LogCapture log;
        TestFont font;
        ASSERT_EQ(font.Create("Arial", c.iPoints, c.iStyle), OK) << c.iPoints;
        EXPECT_EQ(font.m_dwTextureSize, c.dwSide) << c.iPoints;
        EXPECT_EQ(font.m_dwPoints, c.dwPoints) << c.iPoints;
        EXPECT_EQ(font.m_strName, QIRN_MakeFontKey("Arial", c.iPoints, c.iStyle));
        EXPECT_EQ(log.Contains(
                      "QIRN_Font::Create() - Whoa! The font size requested takes 8MB of video RAM dude...\n"),
                  c.bWhoa)
            << c.iPoints;
        ASSERT_NE(font.m_poTexture, nullptr);
        EXPECT_EQ(font.m_poTexture->m_pdwWidths[0], c.dwSide);
        EXPECT_EQ(font.m_poTexture->m_pdwHeights[0], c.dwSide);
    }
}

TEST_F(FontTest, GlyphTextureLayout)
{
    TestFont font;
    ASSERT_EQ(font.Create("Arial", 16, 7), OK);
    EXPECT_EQ(font.m_dwStyle, 3u);
    EXPECT_EQ(font.m_strName, "Arial Bold Italic 16 pts");
    const uint32_t dwSide = font.m_dwTextureSize;
    ASSERT_EQ(dwSide, 512u);
    const float fSide = static_cast<float>(dwSide);

    int iRows = 1;
    for (int c = 0; c < 256; ++c)
    {
        const uint32_t w = font.m_adwWidth[c];
        const uint32_t h = font.m_adwHeight[c];
        const long x = std::lround(font.m_afU0[c] * fSide);
        const long y = std::lround(font.m_afV0[c] * fSide);
        EXPECT_GT(h, 0u) << c;
        EXPECT_FLOAT_EQ(font.m_afU1[c], (x + w) / fSide) << c;
        EXPECT_FLOAT_EQ(font.m_afV1[c], (y + h) / fSide) << c;
        if (c == 0)
        {
            EXPECT_EQ(x, 0);
            EXPECT_EQ(y, 0);
            continue;
        }
        const long xPrevEnd = std::lround(font.m_afU1[c - 1] * fSide);
        const long yPrev = std::lround(font.m_afV0[c - 1] * fSide);
        if (y == yPrev)
        {
            // Same row: two pixels after the previous glyph, still short of the right edge.
            EXPECT_EQ(x, xPrevEnd + 2) << c;
            EXPECT_LE(x + static_cast<long>(w) + 1, static_cast<long>(dwSide)) << c;
        }
        else
        {
            // New row: the glyph would have reached the edge, and the row is h + 2 lower.
            ++iRows;
            EXPECT_EQ(x, 0) << c;
            EXPECT_EQ(y, yPrev + static_cast<long>(h) + 2) << c;
            EXPECT_GT(xPrevEnd + 2 + static_cast<long>(w) + 1, static_cast<long>(dwSide)) << c;
        }
    }
    EXPECT_GT(iRows, 1);

    // White glyphs on black in GDI's byte order, fourth byte 0: the box of 'W' holds bright
    // texels and the texels below the last row are black.
    const QIRN_Bitmap* pTexture = font.m_poTexture;
    ASSERT_NE(pTexture, nullptr);
    ASSERT_EQ(pTexture->m_dwBitsPerTexel, 32u);
    const uint8_t* pTexels = pTexture->m_ppTexels[0];
    ASSERT_NE(pTexels, nullptr);
    const int c = 'W';
    const long x0 = std::lround(font.m_afU0[c] * fSide);
    const long y0 = std::lround(font.m_afV0[c] * fSide);
    int iBright = 0;
    for (uint32_t y = 0; y < font.m_adwHeight[c]; ++y)
    {
        for (uint32_t x = 0; x < font.m_adwWidth[c]; ++x)
        {
            const uint8_t* p = pTexels + ((y0 + y) * dwSide + x0 + x) * 4;
            iBright += p[0] > 200 && p[1] > 200 && p[2] > 200;
        }
    }
    EXPECT_GT(iBright, 5);
    const long yEnd = std::lround(font.m_afV1[255] * fSide);
    size_t nNonZero = 0;
    for (size_t i = 0; i < static_cast<size_t>(dwSide) * dwSide; ++i)
    {
        nNonZero += pTexels[i * 4 + 3] != 0;
        if (static_cast<long>(i / dwSide) >= yEnd + 1)
        {
            nNonZero += pTexels[i * 4] != 0 || pTexels[i * 4 + 1] != 0 || pTexels[i * 4 + 2] != 0;
        }
    }
    EXPECT_EQ(nNonZero, 0u);
}

TEST_F(FontTest, GlyphSizesMatchGdi)
{
    // Italic glyphs are measured a tenth of their height wider than GDI reports.
    for (bool bItalic : {false, true})
    {
        TestFont font;
        ASSERT_EQ(font.Create("Arial", 20, bItalic ? 2 : 0), OK);
        for (char ch : {'W', 'i', ' '})
        {
            SIZE gdi = MeasureWithGdi("Arial", 20, false, bItalic, ch);
            const int c = static_cast<unsigned char>(ch);
            const uint32_t dwExtra = bItalic ? static_cast<uint32_t>(gdi.cy * 0.1) : 0;
            EXPECT_EQ(font.m_adwWidth[c], static_cast<uint32_t>(gdi.cx) + dwExtra) << ch << bItalic;
            EXPECT_EQ(font.m_adwHeight[c], static_cast<uint32_t>(gdi.cy)) << ch << bItalic;
        }
    }
}

TEST_F(FontTest, CreateWithoutTextureObjectFails)
{
    qirn_test::LogCapture log;
    TestFont font(false);
    EXPECT_EQ(font.Create("Arial", 10, 0), GENERICERROR);
    EXPECT_EQ(font.m_poTexture, nullptr);
    EXPECT_TRUE(log.Contains("*** QIRN_Font::Create() - CreateTexture() made no texture\n"));
}
