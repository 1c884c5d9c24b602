#pragma once
// QIRN_Font: the renderer-neutral part of a bitmap font: one square texture holding the glyphs
// of character codes 0 to 255 of one face, size and style, and a table of where each glyph lies
// in it. Built at run time through GDI (Create) or loaded from a prepared texture and its
// ".UVData" glyph table (Load); the renderers derive their fonts from it and draw the text.

#include "qirn_errors.h"

#include <windows.h>

// The Win32 headers define these as macros for their A/W functions; the engine's fonts and
// graphics objects have members of these names.
#ifdef CreateFont
#undef CreateFont
#endif
#ifdef DrawText
#undef DrawText
#endif

#include <cstdint>
#include <string>

class QIRN_Bitmap;
class QIRN_Graphics;

const int QIRN_FONT_NUMGLYPHS = 256;
const uint32_t QIRN_FONT_MAXPOINTS = 85;
const uint32_t QIRN_FONTSTYLE_BOLD = 1;
const uint32_t QIRN_FONTSTYLE_ITALIC = 2;

// The key fonts are known by: face, " Bold", " Italic", then the point size ("%s %d pts").
std::string QIRN_MakeFontKey(std::string szFace, int iPoints, uint32_t dwStyle);

class QIRN_Font
{
public:
    QIRN_Font();

    QIRN_Font(const QIRN_Font&) = delete;
    QIRN_Font& operator=(const QIRN_Font&) = delete;

    // Makes m_poTexture: a bitmap with one layer and one level (the renderer's texture class).
    virtual void CreateTexture() = 0;
    virtual QIRN_ErrorCode Init(QIRN_Graphics* pGraphics) = 0;
    // Renders the glyphs of a system font with GDI; 0 or 1.
    virtual QIRN_ErrorCode Create(std::string szFace, int iPoints, int iStyle);
    // Loads a prepared glyph texture and its ".UVData" table; 0 or 1.
    virtual QIRN_ErrorCode Load(std::string szName);
    virtual QIRN_ErrorCode DrawText(std::string szText, float x, float y, uint32_t dwColor,
                                    uint32_t dwFlags) = 0;
    virtual QIRN_ErrorCode DrawTextScaled(std::string szText, float x, float y, float fWidth,
                                          uint32_t dwColor, uint32_t dwFlags) = 0;
    virtual QIRN_ErrorCode DrawText3D(std::string szText, uint32_t dwColor, uint32_t dwFlags) = 0;
    // The texture belongs to the implementation and is not freed here.
    virtual ~QIRN_Font();

    // Reads the glyph table; 0, FILENOTFOUND or FILEERROR.
    QIRN_ErrorCode LoadUVData(std::string szName);
    // Width of the widest line and height of all lines of the text, in pixels; 0 or NULL_POINTER.
    QIRN_ErrorCode GetTextExtent(std::string szText, SIZE* pSize) const;

    std::string m_strName;
    uint32_t m_dwStyle;
    uint32_t m_dwPoints;
    uint32_t m_dwTextureSize;
    float m_afU0[QIRN_FONT_NUMGLYPHS];
    float m_afV0[QIRN_FONT_NUMGLYPHS];
    float m_afU1[QIRN_FONT_NUMGLYPHS];
    float m_afV1[QIRN_FONT_NUMGLYPHS];
    uint32_t m_adwWidth[QIRN_FONT_NUMGLYPHS];
    uint32_t m_adwHeight[QIRN_FONT_NUMGLYPHS];
    QIRN_Bitmap* m_poTexture;

private:
    void DeleteTexture();
    // Hands the glyph image to a new texture object; 0 or 1 (the texels are freed on failure).
    QIRN_ErrorCode StoreGlyphTexture(uint8_t* pTexels);
};
