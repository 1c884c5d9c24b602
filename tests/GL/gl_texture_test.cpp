// The OpenGL textures: each kind uploaded from a bitmap and sampled, the texture tree's keys, mip
// levels with and without level-of-detail control, and the format table.
#include "gl_test_support.h"
#include "qirn_bitmap.h"
#include "qirn_extensions_gl.h"
#include "qirn_render_states_gl.h"

namespace
{
class GLTextureTest : public gl_test::DeviceTest
{
protected:
    void SetUp() override
    {
        gl_test::DeviceTest::SetUp();
        BringUp();
        gl_test::IdentityTransforms();
        glDisable(GL_LIGHTING);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_CULL_FACE);
        glColor3f(1.0f, 1.0f, 1.0f);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    }

    QIRN_Texture_GL* Texture(const std::string& strKey)
    {
        QIRN_Texture_GL* poTexture = m_poGraphics->GetTexture(strKey);
        EXPECT_NE(poTexture, nullptr) << strKey;
        return poTexture;
    }

    // Binds the texture with nearest filtering and no mip levels needed.
    void Bind(QIRN_Texture_GL* poTexture)
    {
        glEnable(poTexture->GetTarget());
        glBindTexture(poTexture->GetTarget(), poTexture->GetName());
        glTexParameteri(poTexture->GetTarget(), GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(poTexture->GetTarget(), GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    }

    // A small quad at the window's centre sampling the given coordinate.
    uint32_t Sample(float s, float t, float r)
    {
        glBegin(GL_QUADS);
        glTexCoord3f(s, t, r);
        glVertex2f(-0.5f, -0.5f);
        glVertex2f(0.5f, -0.5f);
        glVertex2f(0.5f, 0.5f);
        glVertex2f(-0.5f, 0.5f);
        glEnd();
        return gl_test::ReadPixel(WIDTH / 2, HEIGHT / 2);
    }
};
} // namespace

TEST_F(GLTextureTest, TightlyPackedRgbRowsAreSampledWhereTheyLie)
{
    // Three texels a row, nine bytes: rows would shift if OpenGL expected four-byte rows.
    auto poBitmap = gl_test::MakeBitmap("rows.tga", 1, 1, 3, 2, 3, {0});
    const uint8_t abRows[] = {255, 0, 0, 255, 0, 0, 255, 0, 0, 0, 0, 255, 0, 0, 255, 0, 0, 255};
    memcpy(poBitmap->m_ppTexels[0], abRows, sizeof(abRows));
    ASSERT_EQ(m_poGraphics->ConvertTexture(poBitmap.get(), 2), OK);
    QIRN_Texture_GL* poTexture = Texture("2_20_1_rows.tga");
    ASSERT_NE(poTexture, nullptr);
    EXPECT_EQ(poTexture->GetTarget(), static_cast<GLenum>(GL_TEXTURE_2D));
    Bind(poTexture);
    EXPECT_TRUE(gl_test::Near(Sample(0.5f, 0.25f, 0.0f), 0xFF0000)) << std::hex << Sample(0.5f, 0.25f, 0.0f);
    EXPECT_TRUE(gl_test::Near(Sample(0.5f, 0.75f, 0.0f), 0x0000FF)) << std::hex << Sample(0.5f, 0.75f, 0.0f);
}

TEST_F(GLTextureTest, OneUploadPerKey)
{
    auto poBitmap = gl_test::MakeBitmap("once.tga", 1, 1, 4, 4, 4, {0x00FF00FF});
    ASSERT_EQ(m_poGraphics->ConvertTexture(poBitmap.get(), 2), OK);
    QIRN_Texture_GL* poFirst = Texture("2_21_1_once.tga");
    ASSERT_EQ(m_poGraphics->ConvertTexture(poBitmap.get(), 2), OK);
    EXPECT_EQ(Texture("2_21_1_once.tga"), poFirst);
    // The same images as a cube map are another texture; one slice is too few faces.
    EXPECT_EQ(m_poGraphics->ConvertTexture(poBitmap.get(), 0), OK);
    EXPECT_TRUE(m_oLog.Contains("There are not enough faces to create the cube map."));
    QIRN_Texture_GL* poCube = Texture("0_21_1_once.tga");
    ASSERT_NE(poCube, nullptr);
    EXPECT_NE(poCube, poFirst);
    EXPECT_EQ(poCube->GetName(), 0u);
    EXPECT_EQ(m_poGraphics->ReleaseResources(), OK);
    EXPECT_EQ(m_poGraphics->GetTexture("2_21_1_once.tga"), nullptr);
}

TEST_F(GLTextureTest, MipLevelsFromTheFilesOnlyWithLevelOfDetailControl)
{
    auto poBitmap =
        gl_test::MakeBitmap("mips.tga", 1, 4, 8, 8, 3, {0xFF000000, 0x00FF0000, 0x0000FF00, 0xFFFFFF00});
    ASSERT_EQ(m_poGraphics->GetExtensions()->IsTextureLodSupported(), 1);
    ASSERT_EQ(m_poGraphics->ConvertTexture(poBitmap.get(), 2), OK);
    QIRN_Texture_GL* poTexture = Texture("2_20_4_mips.tga");
    ASSERT_NE(poTexture, nullptr);
    glBindTexture(GL_TEXTURE_2D, poTexture->GetName());
    GLint iWidth = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 3, GL_TEXTURE_WIDTH, &iWidth);
    EXPECT_EQ(iWidth, 1);
    // Level 2 holds the third image's own colour.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL_SGIS, 2);
    Bind(poTexture);
    EXPECT_TRUE(gl_test::Near(Sample(0.5f, 0.5f, 0.0f), 0x0000FF)) << std::hex << Sample(0.5f, 0.5f, 0.0f);
    EXPECT_FALSE(m_oLog.Contains("Mipmaps have be generated"));

    m_poGraphics->GetExtensions()->m_iTextureLod = 0;
    poBitmap->SetName("generated.tga");
    ASSERT_EQ(m_poGraphics->ConvertTexture(poBitmap.get(), 2), OK);
    EXPECT_TRUE(m_oLog.Contains(
        "\n*** QIRN_Texture2D_GL::Create() - Warning : Mipmaps have be generated from the base "
        "texture and not loaded from files."));
    QIRN_Texture_GL* poGenerated = Texture("2_20_4_generated.tga");
    ASSERT_NE(poGenerated, nullptr);
    glBindTexture(GL_TEXTURE_2D, poGenerated->GetName());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL_SGIS, 2);
    Bind(poGenerated);
    EXPECT_TRUE(gl_test::Near(Sample(0.5f, 0.5f, 0.0f), 0xFF0000)) << std::hex << Sample(0.5f, 0.5f, 0.0f);
}

TEST_F(GLTextureTest, CubeMapFacesInOrder)
{
    const std::vector<uint32_t> vFaces = {0xFF000000, 0x00FF0000, 0x0000FF00,
                                          0xFFFF0000, 0xFF00FF00, 0x00FFFF00};
    auto poBitmap = gl_test::MakeBitmap("sky.tga", 6, 1, 4, 4, 3, vFaces);
    ASSERT_EQ(m_poGraphics->ConvertTexture(poBitmap.get(), 0), OK);
    QIRN_Texture_GL* poTexture = Texture("0_20_1_sky.tga");
    ASSERT_NE(poTexture, nullptr);
    EXPECT_EQ(poTexture->GetTarget(), static_cast<GLenum>(GL_TEXTURE_CUBE_MAP_ARB));
    Bind(poTexture);
    EXPECT_TRUE(gl_test::Near(Sample(1.0f, 0.0f, 0.0f), 0xFF0000));
    EXPECT_TRUE(gl_test::Near(Sample(-1.0f, 0.0f, 0.0f), 0x00FF00));
    EXPECT_TRUE(gl_test::Near(Sample(0.0f, 1.0f, 0.0f), 0x0000FF));
    EXPECT_TRUE(gl_test::Near(Sample(0.0f, 0.0f, -1.0f), 0x00FFFF)) << std::hex << Sample(0.0f, 0.0f, -1.0f);

    auto poFive = gl_test::MakeBitmap("five.tga", 5, 1, 4, 4, 3, vFaces);
    m_oLog.Clear();
    EXPECT_EQ(m_poGraphics->ConvertTexture(poFive.get(), 0), OK);
    EXPECT_TRUE(m_oLog.Contains("There are not enough faces to create the cube map."));
}

TEST_F(GLTextureTest, ThreeDimensionalLevelsHalveTheDepth)
{
    std::vector<uint32_t> vColors;
    for (uint32_t z = 0; z < 8; ++z)
    {
        const uint32_t dwColor = z == 5 ? 0x00FF0000 : 0x20202000;
        vColors.insert(vColors.end(), {dwColor, dwColor, dwColor});
    }
    auto poBitmap = gl_test::MakeBitmap("volume.tga", 8, 3, 4, 4, 3, vColors);
    ASSERT_EQ(m_poGraphics->ConvertTexture(poBitmap.get(), 1), OK) << m_oLog.All();
    QIRN_Texture_GL* poTexture = Texture("1_20_3_volume.tga");
    ASSERT_NE(poTexture, nullptr);
    glBindTexture(GL_TEXTURE_3D_EXT, poTexture->GetName());
    const GLint aiDepths[] = {8, 4, 2};
    for (GLint iLevel = 0; iLevel < 3; ++iLevel)
    {
        GLint iDepth = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_3D_EXT, iLevel, GL_TEXTURE_DEPTH_EXT, &iDepth);
        EXPECT_EQ(iDepth, aiDepths[iLevel]) << iLevel;
    }
    Bind(poTexture);
    EXPECT_TRUE(gl_test::Near(Sample(0.5f, 0.5f, 5.5f / 8.0f), 0x00FF00))
        << std::hex << Sample(0.5f, 0.5f, 5.5f / 8.0f);
    EXPECT_TRUE(gl_test::Near(Sample(0.5f, 0.5f, 2.5f / 8.0f), 0x202020));
}

TEST_F(GLTextureTest, MissingExtensionsRefuseTheirKinds)
{
    auto poBitmap = gl_test::MakeBitmap("plain.tga", 6, 1, 4, 4, 3, {0xFFFFFF00});
    m_poGraphics->GetExtensions()->m_i3DTexture = 0;
    m_poGraphics->GetExtensions()->m_iCubeMap = 0;
    EXPECT_EQ(m_poGraphics->ConvertTexture(poBitmap.get(), 1), GENERICERROR);
    EXPECT_TRUE(m_oLog.Contains("This graphics board does not support 3D textures."));
    EXPECT_EQ(m_poGraphics->ConvertTexture(poBitmap.get(), 0), GENERICERROR);
    EXPECT_TRUE(m_oLog.Contains("This graphics board does not support cube map textures."));
    EXPECT_EQ(m_poGraphics->GetTexture("1_20_1_plain.tga"), nullptr);
}

TEST(GLTextureFormats, InternalFormatsAndTheirLines)
{
    struct Case
    {
        uint32_t eFormat;
        GLint iExpected;
        QIRN_ErrorCode eResult;
        const char* szLine;
    };
    const Case aCases[] = {
        {20, GL_RGB8, OK, nullptr},
        {21, GL_RGBA8, OK, nullptr},
        {23, GL_RGB5, OK, "The closest match for pixel format R5G6B5 is RGB5"},
        {29, GL_RGBA4, OK, "The closest match for pixel format A8R3G3B2 is RGBA4"},
        {52, GL_LUMINANCE4_ALPHA4, OK, nullptr},
        {229, GL_INTENSITY16, OK, nullptr},
        {40, 0, GENERICERROR,
         "This pixel format is not supported by OpenGL and no close match could be found."},
        {99, 0, GENERICERROR, "Unknown or unsupported QIRN pixel format."},
    };
    for (const Case& c : aCases)
    {
        qirn_test::LogCapture oLog;
        GLint i = -1;
        EXPECT_EQ(GetGLFormatFromQIRN(c.eFormat, &i), c.eResult) << c.eFormat;
        EXPECT_EQ(i, c.iExpected) << c.eFormat;
        if (c.szLine)
        {
            EXPECT_TRUE(oLog.Contains(c.szLine)) << c.eFormat;
        }
    }
}

TEST_F(GLTextureTest, AFormatWithoutMatchUploadsAsRgba8)
{
    auto poBitmap = gl_test::MakeBitmap("odd.tga", 1, 1, 2, 2, 4, {0x10203040});
    poBitmap->m_eFormat = static_cast<QIRN_PixelFormat>(40);
    ASSERT_EQ(m_poGraphics->ConvertTexture(poBitmap.get(), 2), OK);
    QIRN_Texture_GL* poTexture = Texture("2_40_1_odd.tga");
    ASSERT_NE(poTexture, nullptr);
    glBindTexture(GL_TEXTURE_2D, poTexture->GetName());
    GLint iFormat = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &iFormat);
    EXPECT_EQ(iFormat, GL_RGBA8);
}
