#include "qirn_font.h"

#include "qirn_bitmap.h"
#include "qirn_debug.h"
#include "qirn_settings.h"
#include "qirn_string.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <new>

namespace
{
// Everything GDI gives for one glyph rendering, released on every way out of Create.
class GlyphCanvas
{
public:
    GlyphCanvas() = default;
    ~GlyphCanvas()
    {
        if (m_hDC)
        {
            if (m_hOldFont)
            {
                SelectObject(m_hDC, m_hOldFont);
            }
            if (m_hOldBitmap)
            {
                SelectObject(m_hDC, m_hOldBitmap);
            }
        }
        if (m_hFont)
        {
            DeleteObject(m_hFont);
        }
        if (m_hSection)
        {
            DeleteObject(m_hSection);
        }
        if (m_hDC)
        {
            DeleteDC(m_hDC);
        }
    }
    GlyphCanvas(const GlyphCanvas&) = delete;
    GlyphCanvas& operator=(const GlyphCanvas&) = delete;

    HDC m_hDC = nullptr;
    HBITMAP m_hSection = nullptr;
    HFONT m_hFont = nullptr;
    HGDIOBJ m_hOldBitmap = nullptr;
    HGDIOBJ m_hOldFont = nullptr;
    void* m_pBits = nullptr;
};

// Side of the square glyph texture for style + points.
uint32_t TextureSide(uint32_t dwSum)
{
    if (dwSum < 12)
    {
        return 256;
    }
    if (dwSum < 25)
    {
        return 512;
    }
    if (dwSum < 51)
    {
        return 1024;
    }
    return 2048;
}

// A memory context with a 32-bit top-down section of side x side texels selected; false (logged)
// when any part cannot be made.
bool CreateCanvas(GlyphCanvas& canvas, uint32_t dwSide)
{
    canvas.m_hDC = CreateCompatibleDC(nullptr);
    if (!canvas.m_hDC)
    {
        dprintf("*** QIRN_Font::Create() - CreateCompatibleDC() failed\n");
        return false;
    }
    BITMAPINFO info;
    memset(&info, 0, sizeof(info));
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = static_cast<LONG>(dwSide);
    info.bmiHeader.biHeight = -static_cast<LONG>(dwSide);
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    canvas.m_hSection = CreateDIBSection(canvas.m_hDC, &info, DIB_RGB_COLORS, &canvas.m_pBits, nullptr, 0);
    if (!canvas.m_hSection || !canvas.m_pBits)
    {
        dprintf("*** QIRN_Font::Create() - CreateDIBSection() failed\n");
        return false;
    }
    SetMapMode(canvas.m_hDC, MM_TEXT);
    return true;
}
} // namespace

std::string QIRN_MakeFontKey(std::string szFace, int iPoints, uint32_t dwStyle)
{
    std::string szName = szFace;
    if (dwStyle & QIRN_FONTSTYLE_BOLD)
    {
        szName += " Bold";
    }
    if (dwStyle & QIRN_FONTSTYLE_ITALIC)
    {
        szName += " Italic";
    }
    return QIRN_String().Format("%s %d pts", szName.c_str(), iPoints);
}

QIRN_Font::QIRN_Font() : m_strName(""), m_dwStyle(0), m_dwPoints(0), m_dwTextureSize(0), m_poTexture(nullptr)
{
    for (int c = 0; c < QIRN_FONT_NUMGLYPHS; ++c)
    {
        m_afU0[c] = m_afV0[c] = m_afU1[c] = m_afV1[c] = 0.0f;
        m_adwWidth[c] = m_adwHeight[c] = 0;
    }
}

QIRN_Font::~QIRN_Font()
{
    m_strName.clear();
}

void QIRN_Font::DeleteTexture()
{
    delete m_poTexture;
    m_poTexture = nullptr;
}

QIRN_ErrorCode QIRN_Font::Create(std::string szFace, int iPoints, int iStyle)
{
    m_dwStyle = static_cast<uint32_t>(iStyle) & 3;
    m_strName = QIRN_MakeFontKey(szFace, iPoints, m_dwStyle);
    // Compared unsigned, so a negative size is limited too.
    m_dwPoints = static_cast<uint32_t>(iPoints) > QIRN_FONT_MAXPOINTS ? QIRN_FONT_MAXPOINTS
                                                                      : static_cast<uint32_t>(iPoints);
    const uint32_t dwSide = TextureSide(m_dwStyle + m_dwPoints);
    if (dwSide == 2048)
    {
        dprintf("QIRN_Font::Create() - Whoa! The font size requested takes 8MB of video RAM dude...\n");
    }
    m_dwTextureSize = dwSide;

    GlyphCanvas canvas;
    if (!CreateCanvas(canvas, dwSide))
    {
        return GENERICERROR;
    }
    const int iHeight = MulDiv(static_cast<int>(m_dwPoints), GetDeviceCaps(canvas.m_hDC, LOGPIXELSY), 72);
    const bool bItalic = (m_dwStyle & QIRN_FONTSTYLE_ITALIC) != 0;
    canvas.m_hFont = CreateFontA(-iHeight, 0, 0, 0, (m_dwStyle & QIRN_FONTSTYLE_BOLD) ? FW_BOLD : FW_NORMAL,
                                 bItalic ? TRUE : FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                 CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, VARIABLE_PITCH, szFace.c_str());
    if (!canvas.m_hFont)
    {
        dprintf("*** QIRN_Font::Create() - hFont is NULL\n");
        return GENERICERROR;
    }
    canvas.m_hOldBitmap = SelectObject(canvas.m_hDC, canvas.m_hSection);
    canvas.m_hOldFont = SelectObject(canvas.m_hDC, canvas.m_hFont);
    if (!canvas.m_hOldBitmap || !canvas.m_hOldFont)
    {
        dprintf("*** QIRN_Font::Create() - SelectObject() failed\n");
        return GENERICERROR;
    }
    SetTextColor(canvas.m_hDC, RGB(255, 255, 255));
    SetBkColor(canvas.m_hDC, RGB(0, 0, 0));
    SetTextAlign(canvas.m_hDC, TA_LEFT | TA_TOP);

    // Glyphs left to right in rows two pixels apart; a glyph that would reach the right edge
    // starts the next row.
    const float fSide = static_cast<float>(dwSide);
    int x = 0;
    int y = 0;
    for (int c = 0; c < QIRN_FONT_NUMGLYPHS; ++c)
    {
        const char ch = static_cast<char>(c);
        SIZE size = {0, 0};
        GetTextExtentPoint32A(canvas.m_hDC, &ch, 1, &size);
        int w = size.cx;
        const int h = size.cy;
        // GDI measures an italic glyph without its overhang.
        if (bItalic)
        {
            w += static_cast<int>(h * 0.1);
        }
        m_adwWidth[c] = static_cast<uint32_t>(w);
        m_adwHeight[c] = static_cast<uint32_t>(h);
        if (x + w + 1 > static_cast<int>(dwSide))
        {
            y += h + 2;
            x = 0;
        }
        ExtTextOutA(canvas.m_hDC, x, y, ETO_OPAQUE, nullptr, &ch, 1, nullptr);
        m_afU0[c] = x / fSide;
        m_afV0[c] = y / fSide;
        m_afU1[c] = (x + w) / fSide;
        m_afV1[c] = (y + h) / fSide;
        x += w + 2;
    }
    GdiFlush();

    const size_t nBytes = static_cast<size_t>(dwSide) * dwSide * 4;
    uint8_t* pTexels = new (std::nothrow) uint8_t[nBytes];
    if (!pTexels)
    {
        dprintf("*** QIRN_Font::Create() - Unable to allocate the glyph texels\n");
        return GENERICERROR;
    }
    memcpy(pTexels, canvas.m_pBits, nBytes);
    return StoreGlyphTexture(pTexels);
}

QIRN_ErrorCode QIRN_Font::StoreGlyphTexture(uint8_t* pTexels)
{
    CreateTexture();
    if (!m_poTexture)
    {
        dprintf("*** QIRN_Font::Create() - CreateTexture() made no texture\n");
        delete[] pTexels;
        return GENERICERROR;
    }
    QIRN_Bitmap* pTexture = m_poTexture;
    if (pTexture->AllocateImageArrays() != OK || pTexture->m_dwCurrentImage >= pTexture->GetNumImages())
    {
        dprintf("*** QIRN_Font::Create() - Unable to store the glyph image in the font texture\n");
        delete[] pTexels;
        DeleteTexture();
        return GENERICERROR;
    }
    // Texels stay in GDI's order: blue, green, red and a fourth byte of 0 (white glyphs on black).
    const uint32_t i = pTexture->m_dwCurrentImage;
    pTexture->m_ppTexels[i] = pTexels;
    pTexture->m_pdwWidths[i] = m_dwTextureSize;
    pTexture->m_pdwHeights[i] = m_dwTextureSize;
    pTexture->m_dwBitsPerTexel = 32;
    return OK;
}

QIRN_ErrorCode QIRN_Font::Load(std::string szName)
{
    const std::string szDirectory = QIRN_GetFileDirectory(szName);
    const std::string szTitle = QIRN_GetFileTitle(szName);
    std::string szExtension = QIRN_GetFileExtension(szName);
    if (szTitle.empty())
    {
        dprintf("QIRN_Font::Load() - Empty filename\n");
        return GENERICERROR;
    }
    if (szExtension.empty())
    {
        szExtension = "tga";
    }
    m_strName = szTitle;
    CreateTexture();
    if (!m_poTexture || m_poTexture->LoadImageFiles(szDirectory + "\\" + szTitle + "." + szExtension) != OK)
    {
        DeleteTexture();
        dprintf("QIRN_Font::Load() - Unable to load font texture\n");
        return GENERICERROR;
    }
    const uint32_t dwImage = m_poTexture->m_dwCurrentImage;
    m_dwTextureSize = dwImage < m_poTexture->GetNumImages() ? m_poTexture->m_pdwHeights[dwImage] : 0;

    if (LoadUVData(szDirectory + "\\" + szTitle + ".UVData") != OK)
    {
        DeleteTexture();
        dprintf("QIRN_Font::Load() - Unable to load UV data file\n");
        return GENERICERROR;
    }
    return OK;
}

QIRN_ErrorCode QIRN_Font::LoadUVData(std::string szName)
{
    std::string szPath = QIRN_FindFile(szName, "UVData");
    if (szPath.empty())
    {
        dprintf("*** QIRN_Font::LoadUVData() - szFilename is EMPTY\n");
        return FILENOTFOUND;
    }
    FILE* pFile = fopen(szPath.c_str(), "rt");
    if (!pFile)
    {
        dprintf("QIRN_Font::LoadUVData() - Unable to open file %s\n", szPath.c_str());
        return FILEERROR;
    }
    // Lines come in pieces of at most 127 characters; a longer line counts as several.
    char szLine[128];
    int iGlyph = 0;
    while (iGlyph < QIRN_FONT_NUMGLYPHS && fgets(szLine, sizeof(szLine), pFile))
    {
        if (szLine[0] == ';')
        {
            continue;
        }
        int iWidth = 0;
        int iHeight = 0;
        float afUV[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        int iRead =
            sscanf(szLine, "%d %d %f %f %f %f", &iWidth, &iHeight, &afUV[0], &afUV[1], &afUV[2], &afUV[3]);
        // A line with fewer values sets only the leading ones; a negative size counts as 0.
        if (iRead >= 1)
        {
            m_adwWidth[iGlyph] = iWidth > 0 ? static_cast<uint32_t>(iWidth) : 0;
        }
        if (iRead >= 2)
        {
            m_adwHeight[iGlyph] = iHeight > 0 ? static_cast<uint32_t>(iHeight) : 0;
        }
        float* apfTables[4] = {m_afU0, m_afV0, m_afU1, m_afV1};
        for (int k = 0; k < 4 && k + 2 < iRead; ++k)
        {
            apfTables[k][iGlyph] = afUV[k];
        }
        ++iGlyph;
    }
    fclose(pFile);
    return OK;
}

QIRN_ErrorCode QIRN_Font::GetTextExtent(std::string szText, SIZE* pSize) const
{
    if (!pSize)
    {
        dprintf("QIRN_Font::GetTextExtent() - pSize is NULL!\n");
        return NULL_POINTER;
    }
    const uint64_t qwLineHeight = m_adwHeight[0];
    uint64_t qwHeight = qwLineHeight;
    uint64_t qwWidth = 0;
    uint64_t qwWidest = 0;
    for (char ch : szText)
    {
        const unsigned char c = static_cast<unsigned char>(ch);
        // The line feed's own glyph width counts on the line it starts.
        if (c == '\n')
        {
            qwHeight += qwLineHeight;
            qwWidth = 0;
        }
        qwWidth += m_adwWidth[c];
        if (qwWidth > qwWidest)
        {
            qwWidest = qwWidth;
        }
    }
    pSize->cx = static_cast<LONG>(qwWidest > LONG_MAX ? LONG_MAX : qwWidest);
    pSize->cy = static_cast<LONG>(qwHeight > LONG_MAX ? LONG_MAX : qwHeight);
    return OK;
}
