#include "qirn_font_dx8.h"

#include "qirn_debug.h"
#include "qirn_graphics_dx8.h"
#include "qirn_shader_dx8.h"
#include "qirn_texture_dx8.h"

#include <cstring>
#include <new>

namespace
{
const DWORD FVF_2D = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX1;
const DWORD FVF_3D = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX1;
} // namespace

// A pre-transformed vertex of 2D text (32 bytes); 3D text writes the larger record below.
struct QIRN_Font_DX8::Vertex
{
    float x, y, z, rhw;
    DWORD dwDiffuse;
    DWORD dwSpecular;
    float u, v;
};

namespace
{
struct Vertex3D
{
    float x, y, z;
    float nx, ny, nz;
    DWORD dwDiffuse;
    DWORD dwSpecular;
    float u, v;
};
} // namespace

QIRN_Font_DX8::QIRN_Font_DX8()
    : m_pVertexBuffer(nullptr), m_poGraphics(nullptr), m_poShader(nullptr), m_bTextureInTree(false),
      m_dwStride(32), m_dwCapacity(QIRN_FONT_DX8_MAXVERTICES)
{
}

QIRN_Font_DX8::~QIRN_Font_DX8()
{
    if (m_pVertexBuffer)
    {
        m_pVertexBuffer->Release();
        m_pVertexBuffer = nullptr;
    }
    delete m_poShader;
    m_poShader = nullptr;
    // A texture the tree took is the tree's to delete.
    if (!m_bTextureInTree)
    {
        delete m_poTexture;
    }
    m_poTexture = nullptr;
}

void QIRN_Font_DX8::CreateTexture()
{
    if (!m_bTextureInTree)
    {
        delete m_poTexture;
    }
    m_bTextureInTree = false;
    QIRN_Texture_DX8* poTexture = new (std::nothrow) QIRN_Texture_DX8;
    if (poTexture)
    {
        poTexture->SetName(m_strName);
    }
    m_poTexture = poTexture;
}

QIRN_ErrorCode QIRN_Font_DX8::Init(QIRN_Graphics* pGraphics)
{
    m_pVertexBuffer = nullptr;
    m_poGraphics = static_cast<QIRN_Graphics_DX8*>(pGraphics);
    if (!m_poGraphics)
    {
        dprintf("QIRN_Font_DX8::QIRN_Font_DX8() - Cannot init font without a valid graphics pointer!\n");
        return NULL_POINTER;
    }
    delete m_poShader;
    m_poShader = new (std::nothrow) QIRN_Shader_DX8;
    if (m_poShader && m_poShader->MakePasses(1) && m_poShader->m_poPasses[0].MakeLayers(1))
    {
        m_poShader->m_strName = m_strName;
        QIRN_ShaderPass_DX8& roPass = m_poShader->m_poPasses[0];
        roPass.m_bZEnable = false;
        roPass.m_dwCullMode = D3DCULL_NONE;
        roPass.m_bLighting = false;
        roPass.m_bFogEnable = false;
        roPass.m_bAlphaBlendEnable = true;
        roPass.m_dwSrcBlend = D3DBLEND_SRCALPHA;
        roPass.m_dwDestBlend = D3DBLEND_INVSRCALPHA;
        QIRN_ShaderLayer_DX8& roLayer = roPass.m_poLayers[0];
        roLayer.m_dwColorOp = D3DTOP_MODULATE;
        roLayer.m_dwColorArg1 = D3DTA_TEXTURE;
        roLayer.m_dwColorArg2 = D3DTA_DIFFUSE;
        roLayer.m_dwAlphaOp = D3DTOP_MODULATE;
        roLayer.m_dwAlphaArg1 = D3DTA_TEXTURE;
        roLayer.m_dwAlphaArg2 = D3DTA_DIFFUSE;
        roLayer.m_dwTexCoordIndex = 0;
        roLayer.m_dwTextureTransformFlags = 0;
        roLayer.m_dwMinFilter = D3DTEXF_POINT;
        roLayer.m_dwMagFilter = D3DTEXF_POINT;
        roLayer.m_dwMipFilter = D3DTEXF_NONE;
    }
    else
    {
        delete m_poShader;
        m_poShader = nullptr;
    }
    // A buffer the device refuses leaves none: the draws then answer NULL_POINTER.
    m_pVertexBuffer =
        m_poGraphics->CreateVertexBuffer(sizeof(Vertex) * QIRN_FONT_DX8_MAXVERTICES,
                                         D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC, 0, D3DPOOL_DEFAULT);
    return OK;
}

QIRN_ErrorCode QIRN_Font_DX8::Create(std::string szFace, int iPoints, int iStyle)
{
    if (QIRN_Font::Create(szFace, iPoints, iStyle) != OK || Convert() != OK)
    {
        dprintf("QIRN_Font_DX8::Create() - Failed!\n");
        return GENERICERROR;
    }
    return OK;
}

QIRN_ErrorCode QIRN_Font_DX8::Load(std::string szName)
{
    if (QIRN_Font::Load(szName) != OK || Convert() != OK)
    {
        dprintf("QIRN_Font_DX8::Load() - Failed!\n");
        return GENERICERROR;
    }
    return OK;
}

QIRN_ErrorCode QIRN_Font_DX8::Convert()
{
    IDirect3DDevice8* pDevice = m_poGraphics ? m_poGraphics->GetDevice() : nullptr;
    if (!pDevice)
    {
        dprintf("QIRN_Font_DX8::Convert() - Unable to create font! Invalid device pointer!\n");
        return NULL_POINTER;
    }
    QIRN_Texture_DX8* poTexture = static_cast<QIRN_Texture_DX8*>(m_poTexture);
    const uint32_t dwSide = m_dwTextureSize;
    if (!poTexture || dwSide == 0 || poTexture->m_dwCurrentImage >= poTexture->GetNumImages() ||
        !poTexture->m_ppTexels[poTexture->m_dwCurrentImage] ||
        poTexture->m_pdwWidths[poTexture->m_dwCurrentImage] < dwSide ||
        poTexture->m_pdwHeights[poTexture->m_dwCurrentImage] < dwSide)
    {
        dprintf("QIRN_Font_DX8::Convert() - Unable to create D3D texture\n");
        return GENERICERROR;
    }
    IDirect3DTexture8* pTexture = nullptr;
    if (FAILED(pDevice->CreateTexture(dwSide, dwSide, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &pTexture)))
    {
        dprintf("QIRN_Font_DX8::Convert() - Unable to create D3D texture\n");
        return GENERICERROR;
    }
    const uint8_t* pSource = poTexture->m_ppTexels[poTexture->m_dwCurrentImage];
    const uint32_t dwSourceWidth = poTexture->m_pdwWidths[poTexture->m_dwCurrentImage];
    const uint32_t dwSourceBytes = poTexture->m_dwBitsPerTexel >= 32 ? 4 : 3;
    // Glyphs rendered by GDI carry no alpha: their coverage is their brightness.
    bool bHasAlpha = false;
    for (uint32_t i = 0; dwSourceBytes == 4 && !bHasAlpha && i < dwSide * dwSourceWidth; ++i)
    {
        bHasAlpha = pSource[i * 4 + 3] != 0;
    }
    D3DLOCKED_RECT oLocked = {};
    if (FAILED(pTexture->LockRect(0, &oLocked, nullptr, 0)))
    {
        pTexture->Release();
        dprintf("QIRN_Font_DX8::Convert() - Unable to create D3D texture\n");
        return GENERICERROR;
    }
    // Row by row: the driver's pitch may be wider than the row.
    for (uint32_t y = 0; y < dwSide; ++y)
    {
        const uint8_t* pIn = pSource + static_cast<size_t>(y) * dwSourceWidth * dwSourceBytes;
        uint8_t* pOut = static_cast<uint8_t*>(oLocked.pBits) + static_cast<size_t>(y) * oLocked.Pitch;
        for (uint32_t x = 0; x < dwSide; ++x, pIn += dwSourceBytes, pOut += 4)
        {
            pOut[0] = pIn[0];
            pOut[1] = pIn[1];
            pOut[2] = pIn[2];
            const uint8_t byBright =
                pIn[0] > pIn[1] ? (pIn[0] > pIn[2] ? pIn[0] : pIn[2]) : (pIn[1] > pIn[2] ? pIn[1] : pIn[2]);
            pOut[3] = bHasAlpha ? pIn[3] : byBright;
        }
    }
    pTexture->UnlockRect(0);
    if (poTexture->m_pTexture)
    {
        poTexture->m_pTexture->Release();
    }
    poTexture->m_pTexture = pTexture;
    poTexture->m_iFormat = D3DFMT_A8R8G8B8;
    if (m_poShader && m_poShader->m_dwNumPasses > 0 && m_poShader->m_poPasses[0].m_dwNumLayers > 0)
    {
        m_poShader->m_poPasses[0].m_poLayers[0].m_poTexture = poTexture;
    }
    if (m_poGraphics->TextureTree.FindNode(m_strName))
    {
        return OK;
    }
    if (!m_poGraphics->TextureTree.InsertNode(m_strName, poTexture))
    {
        dprintf("QIRN_Font_DX8::Convert() - Unable to insert texture in tree!\n");
        return GENERICERROR;
    }
    m_bTextureInTree = true;
    return OK;
}

QIRN_ErrorCode QIRN_Font_DX8::BeginDraw(const char* szOperation, uint32_t dwFVF, uint32_t dwFlags,
                                        bool bResetBlend)
{
    if (!m_poGraphics)
    {
        dprintf("QIRN_Font_DX8::%s() - Cannot draw text without a valid graphics pointer!\n", szOperation);
        return NULL_POINTER;
    }
    if (!m_poGraphics->GetDevice())
    {
        dprintf("QIRN_Font_DX8::%s() - Cannot draw text without a valid D3D device!\n", szOperation);
        return NULL_POINTER;
    }
    if (!m_poShader)
    {
        dprintf("QIRN_Font_DX8::%s() - Shader is NULL. Call Init() to initialize the font.\n", szOperation);
        return NULL_POINTER;
    }
    if (!m_pVertexBuffer)
    {
        dprintf("QIRN_Font_DX8::%s() - No vertex buffer to draw with\n", szOperation);
        return NULL_POINTER;
    }
    QIRN_ShaderPass_DX8& roPass = m_poShader->m_poPasses[0];
    roPass.m_dwFVF = dwFVF;
    roPass.m_dwVertexShader = 0;
    QIRN_ShaderLayer_DX8& roLayer = roPass.m_poLayers[0];
    const DWORD dwFilter = (dwFlags & QIRN_FONT_FILTERED) ? D3DTEXF_LINEAR : D3DTEXF_POINT;
    roLayer.m_dwMinFilter = dwFilter;
    roLayer.m_dwMagFilter = dwFilter;
    if (bResetBlend)
    {
        m_poGraphics->SetRS(D3DRS_VERTEXBLEND, 0);
        m_poGraphics->SetRS(D3DRS_INDEXEDVERTEXBLENDENABLE, FALSE);
    }
    m_poGraphics->SetDX8Shader(m_poShader, 0, nullptr, true);
    m_dwStride = dwFVF == FVF_3D ? sizeof(Vertex3D) : sizeof(Vertex);
    // The buffer is sized for 2D quads; larger 3D vertices fill it sooner.
    m_dwCapacity = (sizeof(Vertex) * QIRN_FONT_DX8_MAXVERTICES / m_dwStride) / 6 * 6;
    m_poGraphics->SetVB(0, m_pVertexBuffer, m_dwStride);
    return OK;
}

QIRN_Font_DX8::Vertex* QIRN_Font_DX8::LockBuffer()
{
    BYTE* pData = nullptr;
    if (FAILED(m_pVertexBuffer->Lock(0, 0, &pData, D3DLOCK_DISCARD)))
    {
        return nullptr;
    }
    return reinterpret_cast<Vertex*>(pData);
}

void QIRN_Font_DX8::Flush(uint32_t dwVertices)
{
    m_pVertexBuffer->Unlock();
    if (dwVertices > 0)
    {
        m_poGraphics->GetDevice()->DrawPrimitive(D3DPT_TRIANGLELIST, 0, dwVertices / 3);
    }
}

void QIRN_Font_DX8::AddQuad(Vertex*& rpVertices, uint32_t& rdwVertices, unsigned char c, float fLeft,
                            float fTop, float fRight, float fBottom, float z, uint32_t dwColor, bool b3D)
{
    if (!rpVertices)
    {
        return;
    }
    const float u0 = m_afU0[c], v0 = m_afV0[c], u1 = m_afU1[c], v1 = m_afV1[c];
    struct Corner
    {
        float x, y, u, v;
    };
    const Corner aCorners[6] = {{fLeft, fBottom, u0, v1},  {fLeft, fTop, u0, v0},
                                {fRight, fBottom, u1, v1}, {fRight, fTop, u1, v0},
                                {fRight, fBottom, u1, v1}, {fLeft, fTop, u0, v0}};
    BYTE* pBytes = reinterpret_cast<BYTE*>(rpVertices);
    for (const Corner& k : aCorners)
    {
        if (b3D)
        {
            Vertex3D* p = reinterpret_cast<Vertex3D*>(pBytes + rdwVertices * m_dwStride);
            *p = {k.x, k.y, z, 0.0f, 0.0f, -1.0f, dwColor, dwColor, k.u, k.v};
        }
        else
        {
            Vertex* p = reinterpret_cast<Vertex*>(pBytes + rdwVertices * m_dwStride);
            *p = {k.x, k.y, z, 1.0f, dwColor, dwColor, k.u, k.v};
        }
        ++rdwVertices;
    }
    // Full: draw it and start the buffer again.
    if (rdwVertices + 6 > m_dwCapacity)
    {
        Flush(rdwVertices);
        rdwVertices = 0;
        rpVertices = LockBuffer();
    }
}

QIRN_ErrorCode QIRN_Font_DX8::DrawText(std::string szText, float x, float y, uint32_t dwColor,
                                       uint32_t dwFlags)
{
    QIRN_ErrorCode eResult = BeginDraw("DrawText", FVF_2D, dwFlags, false);
    if (eResult != OK)
    {
        return eResult;
    }
    Vertex* pVertices = LockBuffer();
    uint32_t dwVertices = 0;
    float fBaseline = y + m_adwHeight['@'];
    const float x0 = x;
    for (char ch : szText)
    {
        const unsigned char c = static_cast<unsigned char>(ch);
        const float w = static_cast<float>(m_adwWidth[c]);
        const float h = static_cast<float>(m_adwHeight[c]);
        if (c == '\n')
        {
            x = x0;
            fBaseline += h;
            continue;
        }
        if (c != ' ')
        {
            AddQuad(pVertices, dwVertices, c, x - 0.5f, fBaseline - h - 0.5f, x + w - 0.5f, fBaseline - 0.5f,
                    0.9f, dwColor, false);
        }
        x += w;
    }
    if (pVertices)
    {
        Flush(dwVertices);
    }
    return OK;
}

QIRN_ErrorCode QIRN_Font_DX8::DrawTextScaled(std::string szText, float x, float y, float fWidth,
                                             uint32_t dwColor, uint32_t dwFlags)
{
    QIRN_ErrorCode eResult = BeginDraw("DrawTextScaled", FVF_2D, dwFlags, true);
    if (eResult != OK)
    {
        return eResult;
    }
    D3DVIEWPORT8 oViewport = {};
    m_poGraphics->GetDevice()->GetViewport(&oViewport);
    SIZE oExtent = {0, 0};
    GetTextExtent(szText, &oExtent);
    x *= oViewport.Width;
    y *= oViewport.Height;
    const float s = oExtent.cx > 0 ? oViewport.Width * fWidth / static_cast<float>(oExtent.cx) : 1.0f;
    Vertex* pVertices = LockBuffer();
    uint32_t dwVertices = 0;
    for (char ch : szText)
    {
        const unsigned char c = static_cast<unsigned char>(ch);
        const float w = m_adwWidth[c] * s;
        const float h = m_adwHeight[c] * s;
        if (c != ' ')
        {
            AddQuad(pVertices, dwVertices, c, x - 0.5f, y - 0.5f, x + w - 0.5f, y + h - 0.5f, 0.9f, dwColor,
                    false);
        }
        x += w;
    }
    if (pVertices)
    {
        Flush(dwVertices);
    }
    return OK;
}

QIRN_ErrorCode QIRN_Font_DX8::DrawText3D(std::string szText, uint32_t dwColor, uint32_t dwFlags)
{
    if (m_poShader && (dwFlags & QIRN_FONT_TWOSIDED))
    {
        m_poShader->m_poPasses[0].m_dwCullMode = D3DCULL_NONE;
    }
    QIRN_ErrorCode eResult = BeginDraw("DrawText3D", FVF_3D, dwFlags, true);
    if (eResult != OK)
    {
        return eResult;
    }
    float x0 = 0.0f, y = 0.0f;
    if (dwFlags & QIRN_FONT_CENTERED)
    {
        SIZE oExtent = {0, 0};
        GetTextExtent(szText, &oExtent);
        x0 = -oExtent.cx / 2.0f;
        y = -oExtent.cy / 2.0f;
    }
    float x = x0;
    Vertex* pVertices = LockBuffer();
    uint32_t dwVertices = 0;
    for (char ch : szText)
    {
        const unsigned char c = static_cast<unsigned char>(ch);
        const float w = static_cast<float>(m_adwWidth[c]);
        const float h = static_cast<float>(m_adwHeight[c]);
        if (c == '\n')
        {
            x = x0;
            y -= h;
            continue;
        }
        if (c != ' ')
        {
            AddQuad(pVertices, dwVertices, c, x, y + h, x + w, y, 0.0f, dwColor, true);
        }
        x += w;
    }
    if (pVertices)
    {
        Flush(dwVertices);
    }
    return OK;
}
