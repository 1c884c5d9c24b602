#pragma once
// QIRN_Font_DX8: text drawn with the Direct3D 8 device from the font's glyph texture, as
// pre-transformed (2D) or world-space (3D) quads written into a dynamic vertex buffer, through a
// small alpha-blended shader of its own.

#include "qirn_font.h"

#include <d3d8.h>

#include <cstdint>
#include <string>

class QIRN_Graphics_DX8;
class QIRN_Shader_DX8;

// Glyph quads the vertex buffer holds (six vertices each).
const uint32_t QIRN_FONT_DX8_MAXQUADS = 2100;
const uint32_t QIRN_FONT_DX8_MAXVERTICES = QIRN_FONT_DX8_MAXQUADS * 6;
// Draw flags.
const uint32_t QIRN_FONT_TWOSIDED = 0x08;
const uint32_t QIRN_FONT_CENTERED = 0x04;
const uint32_t QIRN_FONT_FILTERED = 0x10;

class QIRN_Font_DX8 : public QIRN_Font
{
public:
    QIRN_Font_DX8();
    ~QIRN_Font_DX8() override;

    void CreateTexture() override;
    QIRN_ErrorCode Init(QIRN_Graphics* pGraphics) override;
    QIRN_ErrorCode Create(std::string szFace, int iPoints, int iStyle) override;
    QIRN_ErrorCode Load(std::string szName) override;
    QIRN_ErrorCode DrawText(std::string szText, float x, float y, uint32_t dwColor,
                            uint32_t dwFlags) override;
    QIRN_ErrorCode DrawTextScaled(std::string szText, float x, float y, float fWidth, uint32_t dwColor,
                                  uint32_t dwFlags) override;
    QIRN_ErrorCode DrawText3D(std::string szText, uint32_t dwColor, uint32_t dwFlags) override;

    // Makes the device texture from the glyph image and hands it to the renderer's texture tree.
    QIRN_ErrorCode Convert();

    IDirect3DVertexBuffer8* m_pVertexBuffer;
    QIRN_Graphics_DX8* m_poGraphics;
    QIRN_Shader_DX8* m_poShader;

private:
    struct Vertex;
    // The checks and device set-up every draw shares; 0 or NULL_POINTER.
    QIRN_ErrorCode BeginDraw(const char* szOperation, uint32_t dwFVF, uint32_t dwFlags, bool bResetBlend);
    // Locks the buffer; NULL when it cannot be had.
    Vertex* LockBuffer();
    // Draws what the buffer holds.
    void Flush(uint32_t dwVertices);
    // Writes one quad; draws and starts over when the buffer is full.
    void AddQuad(Vertex*& rpVertices, uint32_t& rdwVertices, unsigned char c, float fLeft, float fTop,
                 float fRight, float fBottom, float z, uint32_t dwColor, bool b3D);
    // Whether the renderer's texture tree owns m_poTexture.
    bool m_bTextureInTree;
    uint32_t m_dwStride;
    uint32_t m_dwCapacity;
};
