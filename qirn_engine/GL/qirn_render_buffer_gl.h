#pragma once
// A mesh's vertices and 32-bit indices in ordinary memory, sent to OpenGL vertex by vertex
// between glBegin and glEnd. The layout is either a record of byte offsets in a fixed-size vertex
// or a vertex description built from Direct3D-style format flags.

#include "qirn_errors.h"
#include "qirn_gl.h"

#include <cstdint>

class QIRN_Extensions_GL;
class QIRN_DynamicVertex;

// A component the layout lacks.
const int8_t QIRN_VERTEX_FORMAT_OFFSET_GL_UNUSED = -1;

// Byte offsets of the components in one vertex: position and normal three floats, texture
// coordinates two floats, colour three floats; the fourth is reserved.
struct QIRN_VertexFormatOffsets_GL
{
    int8_t cPosition;
    int8_t cNormal;
    int8_t cTexCoords;
    int8_t cReserved;
    int8_t cColor;
};

class QIRN_Render_Buffer_GL
{
public:
    explicit QIRN_Render_Buffer_GL(QIRN_Extensions_GL* poExtensions);
    ~QIRN_Render_Buffer_GL();
    QIRN_Render_Buffer_GL(const QIRN_Render_Buffer_GL&) = delete;
    QIRN_Render_Buffer_GL& operator=(const QIRN_Render_Buffer_GL&) = delete;

    QIRN_ErrorCode CreateVertexBuffer(uint32_t dwNumVertices, uint32_t dwVertexSize, const void* pvSource,
                                      const QIRN_VertexFormatOffsets_GL* poOffsets);
    QIRN_ErrorCode CreateVertexBuffer(uint32_t dwNumVertices, uint32_t dwVertexSize, const void* pvSource,
                                      const QIRN_DynamicVertex* poDescription);
    QIRN_ErrorCode CreateIndexBuffer(uint32_t dwNumIndices, const int32_t* padwIndices);

    void GetVertexData(uint8_t** ppData) { *ppData = m_pVertexData; }
    uint32_t WriteVertices(uint32_t dwOffset, const void* pvSource, uint32_t dwBytes);
    void SetStartIndex(uint32_t dwStart) { m_dwStartIndex = dwStart; }
    void SetIndexCountToDraw(uint32_t dwCount) { m_dwNumIndicesToDraw = dwCount; }
    void SetPrimitiveType(int32_t iType);

    void RenderIndexedImmediateMode();
    void RenderIndexedImmediateMode2();

    static QIRN_ErrorCode ValidateVertexFormatOffsets(const QIRN_VertexFormatOffsets_GL* poOffsets,
                                                      uint32_t dwVertexSize);

    uint32_t GetNumVertices() const { return m_dwNumVertices; }
    uint32_t GetNumIndices() const { return m_dwNumIndices; }
    GLenum GetPrimitiveMode() const { return m_ePrimitiveMode; }

private:
    QIRN_ErrorCode AllocateVertices(uint32_t dwNumVertices, uint32_t dwVertexSize, const void* pvSource);
    // False (with a log line) when the draw range or one of its indices lies outside the arrays.
    bool DrawRangeIsInside(const char* szCaller) const;
    // Notes whether every index of the set names one of the vertices, so that a draw need not
    // look at its indices again; run whenever the indices or the number of vertices change.
    void CheckIndices();

    QIRN_Extensions_GL* m_poExtensions;
    uint32_t m_dwNumIndicesToDraw;
    uint32_t m_dwVertexSize;
    uint8_t* m_pVertexData;
    uint32_t m_dwNumVertices;
    QIRN_VertexFormatOffsets_GL m_oOffsets;
    uint32_t m_dwFVF;
    int32_t m_iHasPosition;
    int32_t m_iHasNormal;
    int32_t m_iHasDiffuse;
    int32_t m_iHasSpecular;
    uint32_t m_dwNumTexSets;
    uint32_t m_dwNumIndices;
    int32_t* m_piIndexData;
    uint32_t m_dwStartIndex;
    GLenum m_ePrimitiveMode;
    // Every index of the set lies within the vertices: then any range of the set may be drawn.
    bool m_bIndicesInside;
};
