// The immediate-mode render buffer: offset validation, both vertex layouts drawn on the real
// context and read back, and draws outside the arrays skipped.
#include "gl_test_support.h"
#include "qirn_dynamicvertex.h"
#include "qirn_extensions_gl.h"
#include "qirn_render_buffer_gl.h"
#include "qirn_test_support.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{
// Two triangles covering the left half of clip space.
const int32_t s_aiQuad[] = {0, 1, 2, 0, 2, 3};

void ResetView()
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
}
} // namespace

TEST(GLRenderBuffer, OffsetValidation)
{
    struct Case
    {
        QIRN_VertexFormatOffsets_GL o;
        uint32_t dwSize;
        QIRN_ErrorCode eResult;
        const char* szLine;
    };
    const Case aCases[] = {
        {{0, 12, 24, -1, -1}, 32, OK, nullptr},
        {{0, 12, 24, -1, 12}, 32, INVALIDPARAMS, "At least two offsets have the same value."},
        {{0, 12, 40, -1, -1},
         32,
         INVALIDPARAMS,
         "At least one offset exceeds the size of the vertex buffer."},
        {{-1, -1, -1, 5, -1}, 32, INVALIDPARAMS, "No offsets are used."},
        {{0, -2, 24, -1, -1}, 32, INVALIDPARAMS, "At least one offset is invalid"},
        {{0, 28, 44, -1, 40}, 52, OK, nullptr},
    };
    for (const Case& c : aCases)
    {
        qirn_test::LogCapture oLog;
        EXPECT_EQ(QIRN_Render_Buffer_GL::ValidateVertexFormatOffsets(&c.o, c.dwSize), c.eResult);
        if (c.szLine)
        {
            EXPECT_TRUE(oLog.Contains(c.szLine)) << oLog.All();
        }
    }
}

TEST(GLRenderBuffer, CreationRefusesEmptyInputAndZeroFillsWithoutSource)
{
    qirn_test::LogCapture oLog;
    QIRN_Render_Buffer_GL oBuffer(nullptr);
    EXPECT_TRUE(oLog.Contains("Pointer to OpenGL extensions is NULL."));
    const QIRN_VertexFormatOffsets_GL oOffsets = {0, -1, -1, -1, -1};
    EXPECT_EQ(oBuffer.CreateVertexBuffer(0, 12, nullptr, &oOffsets), INVALIDPARAMS);
    EXPECT_TRUE(oLog.Contains("dwNumVertices is ZERO"));
    EXPECT_EQ(oBuffer.CreateVertexBuffer(4, 0, nullptr, &oOffsets), INVALIDPARAMS);
    EXPECT_TRUE(oLog.Contains("dwVertexSize is ZERO"));
    EXPECT_EQ(
        oBuffer.CreateVertexBuffer(4, 12, nullptr, static_cast<const QIRN_VertexFormatOffsets_GL*>(nullptr)),
        INVALIDPARAMS);
    EXPECT_TRUE(oLog.Contains("poOffsets is NULL"));
    EXPECT_EQ(oBuffer.CreateVertexBuffer(4, 12, nullptr, static_cast<const QIRN_DynamicVertex*>(nullptr)),
              INVALIDPARAMS);
    EXPECT_TRUE(oLog.Contains("The vertex description is NULL"));
    EXPECT_EQ(oBuffer.CreateIndexBuffer(0, s_aiQuad), INVALIDPARAMS);
    EXPECT_TRUE(oLog.Contains("dwNumIndices is ZERO"));
    EXPECT_EQ(oBuffer.CreateIndexBuffer(6, nullptr), INVALIDPARAMS);
    EXPECT_TRUE(oLog.Contains("padwIndices is NULL"));

    ASSERT_EQ(oBuffer.CreateVertexBuffer(4, 12, nullptr, &oOffsets), OK);
    uint8_t* pData = nullptr;
    oBuffer.GetVertexData(&pData);
    ASSERT_NE(pData, nullptr);
    EXPECT_EQ(std::vector<uint8_t>(pData, pData + 48), std::vector<uint8_t>(48, 0));

    oBuffer.SetPrimitiveType(6);
    EXPECT_EQ(oBuffer.GetPrimitiveMode(), static_cast<GLenum>(GL_TRIANGLE_STRIP));
    oBuffer.SetPrimitiveType(10);
    EXPECT_EQ(oBuffer.GetPrimitiveMode(), static_cast<GLenum>(GL_POLYGON));
}

TEST(GLRenderBuffer, OffsetLayoutDrawsColouredTriangles)
{
    gl_test::Context oContext;
    ASSERT_TRUE(oContext.Ok());
    ResetView();
    // Position at 0, colour at 12 (red, green, blue floats).
    struct Vertex
    {
        float afPos[3];
        float afColor[3];
    };
    const Vertex aVertices[] = {
        {{-1, -1, 0}, {0, 1, 0}}, {{0, -1, 0}, {0, 1, 0}}, {{0, 1, 0}, {0, 1, 0}}, {{-1, 1, 0}, {0, 1, 0}}};
    QIRN_Extensions_GL oExt;
    QIRN_Render_Buffer_GL oBuffer(&oExt);
    const QIRN_VertexFormatOffsets_GL oOffsets = {0, -1, -1, -1, 12};
    ASSERT_EQ(oBuffer.CreateVertexBuffer(4, sizeof(Vertex), aVertices, &oOffsets), OK);
    ASSERT_EQ(oBuffer.CreateIndexBuffer(6, s_aiQuad), OK);
    oBuffer.SetPrimitiveType(5);
    oBuffer.SetStartIndex(0);
    oBuffer.SetIndexCountToDraw(6);
    oBuffer.RenderIndexedImmediateMode();
    EXPECT_TRUE(gl_test::Near(gl_test::ReadPixel(16, 32), 0x00FF00))
        << std::hex << gl_test::ReadPixel(16, 32);
    EXPECT_TRUE(gl_test::Near(gl_test::ReadPixel(48, 32), 0x000000))
        << std::hex << gl_test::ReadPixel(48, 32);
}

TEST(GLRenderBuffer, DescriptionLayoutDrawsPackedColoursAndSkipsWholeDrawsOutsideTheArrays)
{
    gl_test::Context oContext;
    ASSERT_TRUE(oContext.Ok());
    ResetView();
    QIRN_DynamicVertex oDescription;
    oDescription.SetVertexFormat(QIRN_FVF_XYZ | QIRN_FVF_DIFFUSE | (1 << QIRN_FVF_TEXCOUNT_SHIFT), false,
                                 false, false, false, false);
    QIRN_Extensions_GL oExt;
    QIRN_Render_Buffer_GL oBuffer(&oExt);
    ASSERT_EQ(
        oBuffer.CreateVertexBuffer(4, static_cast<uint32_t>(oDescription.Size()), nullptr, &oDescription),
        OK);
    uint8_t* pData = nullptr;
    oBuffer.GetVertexData(&pData);
    oDescription.SetBasePointer(pData);
    const float afPos[4][2] = {{0, -1}, {1, -1}, {1, 1}, {0, 1}};
    for (uint32_t i = 0; i < 4; ++i)
    {
        oDescription.SetVertex(i);
        oDescription.SetPosition(afPos[i][0], afPos[i][1], 0.0f);
        oDescription.SetDiffuse(0xFF4080C0);
    }
    ASSERT_EQ(oBuffer.CreateIndexBuffer(6, s_aiQuad), OK);
    oBuffer.SetPrimitiveType(5);

    qirn_test::LogCapture oLog;
    // Past the end of the index array, then an index past the vertices: nothing is drawn.
    oBuffer.SetStartIndex(3);
    oBuffer.SetIndexCountToDraw(6);
    oBuffer.RenderIndexedImmediateMode2();
    EXPECT_TRUE(oLog.Contains("is outside the 6 indices; skipped")) << oLog.All();
    const int32_t aiBad[] = {0, 1, 7};
    QIRN_Render_Buffer_GL oBad(&oExt);
    ASSERT_EQ(oBad.CreateVertexBuffer(4, static_cast<uint32_t>(oDescription.Size()), pData, &oDescription),
              OK);
    ASSERT_EQ(oBad.CreateIndexBuffer(3, aiBad), OK);
    oBad.SetIndexCountToDraw(3);
    oBad.RenderIndexedImmediateMode2();
    EXPECT_TRUE(oLog.Contains("Index 7 is outside the 4 vertices; draw skipped")) << oLog.All();
    EXPECT_TRUE(gl_test::Near(gl_test::ReadPixel(48, 32), 0x000000));

    oBuffer.SetStartIndex(0);
    oBuffer.SetIndexCountToDraw(6);
    oBuffer.RenderIndexedImmediateMode2();
    EXPECT_TRUE(gl_test::Near(gl_test::ReadPixel(48, 32), 0x4080C0))
        << std::hex << gl_test::ReadPixel(48, 32);
    EXPECT_TRUE(gl_test::Near(gl_test::ReadPixel(16, 32), 0x000000));
}

// The indices are checked against the vertices when either changes, not on every draw; a set with
// a bad index still draws its ranges that do not hold it, and the vertices made anew fewer than
// the indices name are caught as before.
TEST(GLRenderBuffer, IndexChecksFollowTheIndicesAndTheVertices)
{
    gl_test::Context oContext;
    ASSERT_TRUE(oContext.Ok());
    struct Vertex
    {
        float afPos[3];
        float afColor[3];
    };
    const Vertex aVertices[] = {
        {{-1, -1, 0}, {0, 1, 0}}, {{0, -1, 0}, {0, 1, 0}}, {{0, 1, 0}, {0, 1, 0}}, {{-1, 1, 0}, {0, 1, 0}}};
    const QIRN_VertexFormatOffsets_GL oOffsets = {0, -1, -1, -1, 12};
    // The left quad first, then a triangle whose third index is past the four vertices.
    const int32_t aiIndices[] = {0, 1, 2, 0, 2, 3, 0, 1, 9};
    struct Case
    {
        const char* szWhat;
        uint32_t dwVertices;
        uint32_t dwStart;
        uint32_t dwCount;
        bool bDrawn;
        const char* szLine;
    };
    const Case aCases[] = {
        {"the quad of a set with a bad index", 4, 0, 6, true, nullptr},
        {"the range with the bad index", 4, 3, 6, false, "Index 9 is outside the 4 vertices; draw skipped"},
        {"every index inside ten vertices", 10, 0, 6, true, nullptr},
        {"the quad, with three vertices only", 3, 0, 6, false, "Index 3 is outside the 3 vertices; draw skipped"},
    };
    for (const Case& c : aCases)
    {
        ResetView();
        QIRN_Extensions_GL oExt;
        QIRN_Render_Buffer_GL oBuffer(&oExt);
        std::vector<Vertex> vertices(aVertices, aVertices + 4);
        vertices.resize(10, aVertices[0]);
        // Indices first, vertices after them, as a mesh whose vertices are made anew.
        ASSERT_EQ(oBuffer.CreateVertexBuffer(10, sizeof(Vertex), vertices.data(), &oOffsets), OK);
        ASSERT_EQ(oBuffer.CreateIndexBuffer(9, aiIndices), OK);
        ASSERT_EQ(oBuffer.CreateVertexBuffer(c.dwVertices, sizeof(Vertex), vertices.data(), &oOffsets), OK);
        oBuffer.SetPrimitiveType(5);
        oBuffer.SetStartIndex(c.dwStart);
        oBuffer.SetIndexCountToDraw(c.dwCount);
        qirn_test::LogCapture oLog;
        oBuffer.RenderIndexedImmediateMode();
        glFinish();
        EXPECT_EQ(gl_test::Near(gl_test::ReadPixel(16, 32), 0x00FF00), c.bDrawn)
            << c.szWhat << " " << std::hex << gl_test::ReadPixel(16, 32);
        if (c.szLine)
        {
            EXPECT_TRUE(oLog.Contains(c.szLine)) << c.szWhat << "\n" << oLog.All();
        }
        else
        {
            EXPECT_EQ(oLog.All(), "") << c.szWhat;
        }
    }
}
