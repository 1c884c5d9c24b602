#include "glframerecorder.h"

#include "gl_test_support.h"

#include <gtest/gtest.h>

namespace
{
class GLFrameRecorderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_oContext.Ok());
        std::string strError;
        ASSERT_TRUE(GLFrameRecorder::Install(strError)) << strError;
        glDisable(GL_LIGHTING);
        glDisable(GL_BLEND);
        glDisable(GL_TEXTURE_2D);
        gl_test::IdentityTransforms();
    }

    gl_test::Context m_oContext;
};
} // namespace

TEST_F(GLFrameRecorderTest, RecordsClearsAndEachDrawWithItsStateVerticesAndTextures)
{
    const uint8_t abyTexels[16] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 128};
    GLuint uTexture = 0;
    glGenTextures(1, &uTexture);
    glBindTexture(GL_TEXTURE_2D, uTexture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, abyTexels);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);

    GLFrameRecorder::Begin(64, 48);
    glClearColor(0.25f, 0.5f, 0.75f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(0.5f, 0.0f, 0.0f);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glBegin(GL_TRIANGLES);
    glColor4f(1.0f, 0.0f, 0.0f, 0.5f);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(-1.0f, -1.0f, 0.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(1.0f, -1.0f, 0.0f);
    const GLfloat afUV[2] = {0.0f, 1.0f};
    glTexCoord2fv(afUV);
    const GLfloat afCorner[3] = {-1.0f, 1.0f, 0.25f};
    glVertex3fv(afCorner);
    glEnd();
    BenchFrame& roFrame = GLFrameRecorder::End();

    EXPECT_EQ(roFrame.m_uWidth, 64u);
    EXPECT_EQ(roFrame.m_uHeight, 48u);
    ASSERT_EQ(roFrame.m_voDraws.size(), 2u);
    const BenchDraw& roClear = roFrame.m_voDraws[0];
    EXPECT_EQ(roClear.uKind, 0u);
    EXPECT_EQ(roClear.uMask, static_cast<uint32_t>(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT));
    EXPECT_FLOAT_EQ(roClear.afClearColor[1], 0.5f);
    const BenchDraw& roDraw = roFrame.m_voDraws[1];
    EXPECT_EQ(roDraw.uKind, 1u);
    EXPECT_EQ(roDraw.uMode, static_cast<uint32_t>(GL_TRIANGLES));
    EXPECT_EQ(roDraw.uStates & (BENCH_STATE_TEXTURE_2D | BENCH_STATE_BLEND),
              BENCH_STATE_TEXTURE_2D | BENCH_STATE_BLEND);
    EXPECT_EQ(roDraw.uTexture, uTexture);
    EXPECT_EQ(roDraw.uBlendSrc, static_cast<uint32_t>(GL_SRC_ALPHA));
    EXPECT_EQ(roDraw.uBlendDst, static_cast<uint32_t>(GL_ONE_MINUS_SRC_ALPHA));
    EXPECT_FLOAT_EQ(roDraw.afModelView[12], 0.5f);
    EXPECT_FLOAT_EQ(roDraw.afProjection[0], 1.0f);
    ASSERT_EQ(roDraw.voVertices.size(), 3u);
    EXPECT_FLOAT_EQ(roDraw.voVertices[1].afPosition[0], 1.0f);
    EXPECT_FLOAT_EQ(roDraw.voVertices[1].afTexCoord[0], 1.0f);
    EXPECT_FLOAT_EQ(roDraw.voVertices[2].afPosition[2], 0.25f);
    EXPECT_FLOAT_EQ(roDraw.voVertices[2].afTexCoord[1], 1.0f);
    EXPECT_FLOAT_EQ(roDraw.voVertices[0].afColor[3], 0.5f);
    EXPECT_FLOAT_EQ(roDraw.voVertices[2].afColor[0], 1.0f);
    EXPECT_EQ(roFrame.CountTriangles(), 1u);
    ASSERT_EQ(roFrame.m_voTextures.size(), 1u);
    EXPECT_EQ(roFrame.m_voTextures[0].uMinFilter, static_cast<uint32_t>(GL_NEAREST));
    ASSERT_GE(roFrame.m_voTextures[0].voLevels.size(), 1u);
    EXPECT_EQ(roFrame.m_voTextures[0].voLevels[0].uWidth, 2u);
    EXPECT_EQ(roFrame.m_voTextures[0].voLevels[0].vPixels,
              std::vector<uint8_t>(abyTexels, abyTexels + sizeof(abyTexels)));
    glDeleteTextures(1, &uTexture);
}

TEST_F(GLFrameRecorderTest, LitDrawsTakeTheMaterialColourAndNothingIsRecordedOutsideAFrame)
{
    const GLfloat afDiffuse[4] = {0.2f, 0.4f, 0.6f, 1.0f};
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, afDiffuse);
    GLFrameRecorder::Begin(64, 64);
    glEnable(GL_LIGHTING);
    glBegin(GL_TRIANGLES);
    glColor3fv(afDiffuse + 1);
    glVertex3f(0.0f, 0.0f, 0.0f);
    glVertex3f(1.0f, 0.0f, 0.0f);
    glVertex3f(0.0f, 1.0f, 0.0f);
    glEnd();
    glDisable(GL_LIGHTING);
    BenchFrame& roFrame = GLFrameRecorder::End();
    ASSERT_EQ(roFrame.m_voDraws.size(), 1u);
    ASSERT_EQ(roFrame.m_voDraws[0].voVertices.size(), 3u);
    EXPECT_FLOAT_EQ(roFrame.m_voDraws[0].voVertices[2].afColor[0], 0.2f);
    EXPECT_FLOAT_EQ(roFrame.m_voDraws[0].voVertices[2].afColor[2], 0.6f);

    // After End the calls still draw but add nothing to the frame.
    glClear(GL_COLOR_BUFFER_BIT);
    glBegin(GL_TRIANGLES);
    glVertex3f(0.0f, 0.0f, 0.0f);
    glEnd();
    EXPECT_EQ(roFrame.m_voDraws.size(), 1u);
}
