#include "qirn_render_buffer_gl.h"

#include "qirn_debug.h"
#include "qirn_dynamicvertex.h"

#include <cstring>
#include <new>

QIRN_Render_Buffer_GL::QIRN_Render_Buffer_GL(QIRN_Extensions_GL* poExtensions)
    : m_poExtensions(poExtensions), m_dwNumIndicesToDraw(0), m_dwVertexSize(0), m_pVertexData(nullptr),
      m_dwNumVertices(0), m_oOffsets{-1, -1, -1, -1, -1}, m_dwFVF(0), m_iHasPosition(0), m_iHasNormal(0),
      m_iHasDiffuse(0), m_iHasSpecular(0), m_dwNumTexSets(0), m_dwNumIndices(0), m_piIndexData(nullptr),
      m_dwStartIndex(0), m_ePrimitiveMode(GL_TRIANGLES), m_bIndicesInside(false)
{
    if (!poExtensions)
    {
        dprintf(
            "\nQIRN_Render_Buffer_GL::QIRN_Render_Buffer_GL - Error : Pointer to OpenGL extensions is NULL.");
    }
}

QIRN_Render_Buffer_GL::~QIRN_Render_Buffer_GL()
{
    delete[] m_pVertexData;
    delete[] m_piIndexData;
}

QIRN_ErrorCode QIRN_Render_Buffer_GL::AllocateVertices(uint32_t dwNumVertices, uint32_t dwVertexSize,
                                                       const void* pvSource)
{
    const size_t dwBytes = static_cast<size_t>(dwNumVertices) * dwVertexSize;
    uint8_t* pData = new (std::nothrow) uint8_t[dwBytes];
    if (!pData)
    {
        dprintf("*** QIRN_Render_Buffer_GL::CreateVertexBuffer() - Out of memory for %zu bytes\n", dwBytes);
        return GENERICERROR;
    }
    if (pvSource)
    {
        memcpy(pData, pvSource, dwBytes);
    }
    else
    {
        memset(pData, 0, dwBytes);
    }
    delete[] m_pVertexData;
    m_pVertexData = pData;
    m_dwNumVertices = dwNumVertices;
    m_dwVertexSize = dwVertexSize;
    CheckIndices();
    return OK;
}

void QIRN_Render_Buffer_GL::CheckIndices()
{
    m_bIndicesInside = m_piIndexData != nullptr;
    for (uint32_t i = 0; m_bIndicesInside && i < m_dwNumIndices; ++i)
    {
        const int32_t iIndex = m_piIndexData[i];
        m_bIndicesInside = iIndex >= 0 && static_cast<uint32_t>(iIndex) < m_dwNumVertices;
    }
}

QIRN_ErrorCode QIRN_Render_Buffer_GL::CreateVertexBuffer(uint32_t dwNumVertices, uint32_t dwVertexSize,
                                                         const void* pvSource,
                                                         const QIRN_VertexFormatOffsets_GL* poOffsets)
{
    if (dwNumVertices == 0)
    {
        dprintf("*** QIRN_Render_Buffer_GL::CreateVertexBuffer() - dwNumVertices is ZERO\n");
        return INVALIDPARAMS;
    }
    if (dwVertexSize == 0)
    {
        dprintf("*** QIRN_Render_Buffer_GL::CreateVertexBuffer() - dwVertexSize is ZERO\n");
        return INVALIDPARAMS;
    }
    if (!poOffsets)
    {
        dprintf("*** QIRN_Render_Buffer_GL::CreateVertexBuffer() - poOffsets is NULL\n");
        return INVALIDPARAMS;
    }
    if (ValidateVertexFormatOffsets(poOffsets, dwVertexSize) != OK)
    {
        return INVALIDPARAMS;
    }
    const QIRN_ErrorCode eResult = AllocateVertices(dwNumVertices, dwVertexSize, pvSource);
    if (eResult == OK)
    {
        m_oOffsets = *poOffsets;
    }
    return eResult;
}

QIRN_ErrorCode QIRN_Render_Buffer_GL::CreateVertexBuffer(uint32_t dwNumVertices, uint32_t dwVertexSize,
                                                         const void* pvSource,
                                                         const QIRN_DynamicVertex* poDescription)
{
    if (dwNumVertices == 0)
    {
        dprintf("*** QIRN_Render_Buffer_GL::CreateVertexBuffer() - dwNumVertices is ZERO\n");
        return INVALIDPARAMS;
    }
    if (dwVertexSize == 0)
    {
        dprintf("*** QIRN_Render_Buffer_GL::CreateVertexBuffer() - dwVertexSize is ZERO\n");
        return INVALIDPARAMS;
    }
    if (!poDescription)
    {
        dprintf("*** QIRN_Render_Buffer_GL::CreateVertexBuffer() - The vertex description is NULL\n");
        return INVALIDPARAMS;
    }
    const QIRN_ErrorCode eResult = AllocateVertices(dwNumVertices, dwVertexSize, pvSource);
    if (eResult == OK)
    {
        m_iHasPosition = poDescription->HasXYZ() ? 1 : 0;
        m_iHasNormal = poDescription->HasNormal() ? 1 : 0;
        m_iHasDiffuse = poDescription->HasDiffuse() ? 1 : 0;
        m_iHasSpecular = poDescription->HasSpecular() ? 1 : 0;
        m_dwNumTexSets = poDescription->GetNumTexCoords();
        m_dwFVF = poDescription->GetFVF();
    }
    return eResult;
}

QIRN_ErrorCode QIRN_Render_Buffer_GL::CreateIndexBuffer(uint32_t dwNumIndices, const int32_t* padwIndices)
{
    if (dwNumIndices == 0)
    {
        dprintf("*** QIRN_Render_Buffer_GL::CreateIndexBuffer() - dwNumIndices is ZERO\n");
        return INVALIDPARAMS;
    }
    if (!padwIndices)
    {
        dprintf("*** QIRN_Render_Buffer_GL::CreateIndexBuffer() - padwIndices is NULL\n");
        return INVALIDPARAMS;
    }
    int32_t* piData = new (std::nothrow) int32_t[dwNumIndices];
    if (!piData)
    {
        dprintf("*** QIRN_Render_Buffer_GL::CreateIndexBuffer() - Out of memory for %u indices\n",
                dwNumIndices);
        return GENERICERROR;
    }
    memcpy(piData, padwIndices, static_cast<size_t>(dwNumIndices) * sizeof(int32_t));
    delete[] m_piIndexData;
    m_piIndexData = piData;
    m_dwNumIndices = dwNumIndices;
    CheckIndices();
    return OK;
}

uint32_t QIRN_Render_Buffer_GL::WriteVertices(uint32_t dwOffset, const void* pvSource, uint32_t dwBytes)
{
    memcpy(m_pVertexData + dwOffset, pvSource, dwBytes);
    return dwBytes;
}

void QIRN_Render_Buffer_GL::SetPrimitiveType(int32_t iType)
{
    static const GLenum s_aeModes[] = {
        static_cast<GLenum>(-1), GL_POINTS,       GL_LINES, GL_LINE_STRIP, GL_LINE_LOOP, GL_TRIANGLES,
        GL_TRIANGLE_STRIP,       GL_TRIANGLE_FAN, GL_QUADS, GL_QUAD_STRIP, GL_POLYGON};
    m_ePrimitiveMode = iType >= 0 && iType <= 10 ? s_aeModes[iType] : static_cast<GLenum>(-1);
}

QIRN_ErrorCode QIRN_Render_Buffer_GL::ValidateVertexFormatOffsets(const QIRN_VertexFormatOffsets_GL* po,
                                                                  uint32_t dwVertexSize)
{
    const int32_t iLast = static_cast<int32_t>(dwVertexSize) - 1;
    const int32_t aiUsed[] = {po->cColor, po->cNormal, po->cPosition, po->cTexCoords};
    bool bAnyUsed = false;
    for (int32_t i : aiUsed)
        bAnyUsed = bAnyUsed || i != QIRN_VERTEX_FORMAT_OFFSET_GL_UNUSED;
    if (!bAnyUsed)
    {
        dprintf("\nValidateVertexFormatOffsets()-No offsets are used.");
        return INVALIDPARAMS;
    }
    for (int32_t i : aiUsed)
    {
        if (i > iLast)
        {
            dprintf(
                "\nValidateVertexFormatOffsets()-At least one offset exceeds the size of the vertex buffer.");
            return INVALIDPARAMS;
        }
    }
    for (int32_t i : aiUsed)
    {
        if (i < QIRN_VERTEX_FORMAT_OFFSET_GL_UNUSED)
        {
            dprintf("\nValidateVertexFormatOffsets()-At least one offset is "
                    "invalid(<QIRN_VERTEX_FORMAT_OFFSET_GL_"
                    "UNUSED).");
            return INVALIDPARAMS;
        }
    }
    for (int a = 0; a < 4; ++a)
    {
        for (int b = a + 1; b < 4; ++b)
        {
            if (aiUsed[a] != QIRN_VERTEX_FORMAT_OFFSET_GL_UNUSED && aiUsed[a] == aiUsed[b])
            {
                dprintf("\nValidateVertexFormatOffsets()-At least two offsets have the same value.");
                return INVALIDPARAMS;
            }
        }
    }
    return OK;
}

bool QIRN_Render_Buffer_GL::DrawRangeIsInside(const char* szCaller) const
{
    if (m_dwNumIndicesToDraw == 0)
    {
        return true;
    }
    const uint64_t qwEnd = static_cast<uint64_t>(m_dwStartIndex) + m_dwNumIndicesToDraw;
    if (!m_piIndexData || !m_pVertexData || qwEnd > m_dwNumIndices)
    {
        dprintf("*** QIRN_Render_Buffer_GL::%s() - Draw of %u indices from %u is outside the %u indices; "
                "skipped\n",
                szCaller, m_dwNumIndicesToDraw, m_dwStartIndex, m_dwNumIndices);
        return false;
    }
    if (m_bIndicesInside)
    {
        return true;
    }
    // Some index of the set is outside the vertices: only a draw whose range holds one is skipped.
    for (uint32_t i = 0; i < m_dwNumIndicesToDraw; ++i)
    {
        const int32_t iIndex = m_piIndexData[m_dwStartIndex + i];
        if (iIndex < 0 || static_cast<uint32_t>(iIndex) >= m_dwNumVertices)
        {
            dprintf("*** QIRN_Render_Buffer_GL::%s() - Index %d is outside the %u vertices; draw skipped\n",
                    szCaller, iIndex, m_dwNumVertices);
            return false;
        }
    }
    return true;
}

void QIRN_Render_Buffer_GL::RenderIndexedImmediateMode()
{
    if (!DrawRangeIsInside("RenderIndexedImmediateMode"))
    {
        return;
    }
    glBegin(m_ePrimitiveMode);
    for (uint32_t i = 0; i < m_dwNumIndicesToDraw; ++i)
    {
        const uint8_t* v =
            m_pVertexData + static_cast<size_t>(m_dwVertexSize) * m_piIndexData[m_dwStartIndex + i];
        if (m_oOffsets.cNormal != QIRN_VERTEX_FORMAT_OFFSET_GL_UNUSED)
        {
            glNormal3fv(reinterpret_cast<const GLfloat*>(v + m_oOffsets.cNormal));
        }
        if (m_oOffsets.cColor != QIRN_VERTEX_FORMAT_OFFSET_GL_UNUSED)
        {
            glColor3fv(reinterpret_cast<const GLfloat*>(v + m_oOffsets.cColor));
        }
        if (m_oOffsets.cTexCoords != QIRN_VERTEX_FORMAT_OFFSET_GL_UNUSED)
        {
            glTexCoord2fv(reinterpret_cast<const GLfloat*>(v + m_oOffsets.cTexCoords));
        }
        if (m_oOffsets.cPosition != QIRN_VERTEX_FORMAT_OFFSET_GL_UNUSED)
        {
            glVertex3fv(reinterpret_cast<const GLfloat*>(v + m_oOffsets.cPosition));
        }
    }
    glEnd();
}

void QIRN_Render_Buffer_GL::RenderIndexedImmediateMode2()
{
    if (!DrawRangeIsInside("RenderIndexedImmediateMode2"))
    {
        return;
    }
    QIRN_DynamicVertex oVertex;
    oVertex.SetVertexFormat(m_dwFVF, false, false, false, false, false);
    oVertex.SetBasePointer(m_pVertexData);
    const int iTexSize = oVertex.GetTexCoordSize(0);
    glBegin(m_ePrimitiveMode);
    for (uint32_t i = 0; i < m_dwNumIndicesToDraw; ++i)
    {
        oVertex.SetVertex(static_cast<uint32_t>(m_piIndexData[m_dwStartIndex + i]));
        if (m_iHasNormal == 1)
        {
            glNormal3f(oVertex.GetNormalX(), oVertex.GetNormalY(), oVertex.GetNormalZ());
        }
        if (m_iHasDiffuse == 1)
        {
            float a = 0.0f, r = 0.0f, g = 0.0f, b = 0.0f;
            ColorToFloats(oVertex.GetDiffuse(), &a, &r, &g, &b);
            glColor4f(r, g, b, a);
        }
        switch (iTexSize)
        {
        case 1:
        case 4:
            break;
        case 2:
            glTexCoord2f(oVertex.GetTexCoordU(0), oVertex.GetTexCoordV(0));
            break;
        case 3:
            glTexCoord3f(oVertex.GetTexCoordU(0), oVertex.GetTexCoordV(0), oVertex.GetTexCoordW(0));
            break;
        default:
            dprintf("\n*** QIRN_Render_Buffer_GL :: RenderIndexedImmediateMode2 - Invalid number of texture "
                    "coordinates");
            break;
        }
        if (m_iHasPosition == 1)
        {
            glVertex3f(oVertex.GetPositionX(), oVertex.GetPositionY(), oVertex.GetPositionZ());
        }
    }
    glEnd();
}
