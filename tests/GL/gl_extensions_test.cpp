// The extension probes: whole-word matching, the flags and holders a driver's list gives, and the
// lazily fetched entry points on the real context.
#include "gl_test_support.h"
#include "qirn_extensions_gl.h"
#include "qirn_test_support.h"

#include <gtest/gtest.h>

namespace
{
// Initialises with a stand-in driver list and puts the real list back afterwards.
struct OverriddenList
{
    explicit OverriddenList(const char* szList) { QIRN_Extensions_GL::SetExtensionListOverride(szList); }
    ~OverriddenList() { QIRN_Extensions_GL::SetExtensionListOverride(nullptr); }
};
} // namespace

TEST(GLExtensions, WholeWordsOnly)
{
    const char* szList = "GL_EXT_texture3D GL_ARB_multitexture";
    EXPECT_EQ(QIRN_Extensions_GL::IsExtensionSupported("GL_ARB_multitexture", szList), 1);
    EXPECT_EQ(QIRN_Extensions_GL::IsExtensionSupported("GL_EXT_texture3D", szList), 1);
    EXPECT_EQ(QIRN_Extensions_GL::IsExtensionSupported("GL_ARB_multi", szList), 0);
    EXPECT_EQ(QIRN_Extensions_GL::IsExtensionSupported("GL_EXT_texture", szList), 0);
    EXPECT_EQ(QIRN_Extensions_GL::IsExtensionSupported("GL_EXT_texture3D_more", szList), 0);

    qirn_test::LogCapture oLog;
    EXPECT_EQ(QIRN_Extensions_GL::IsExtensionSupported(nullptr, szList), 0);
    EXPECT_TRUE(oLog.Contains("The extension name specified is NULL."));
    EXPECT_EQ(QIRN_Extensions_GL::IsExtensionSupported("GL_ARB_multitexture", nullptr), 0);
    EXPECT_TRUE(oLog.Contains("The list of extension names is NULL."));
}

TEST(GLExtensions, AnEmptyListSupportsNothingAndSaysNothing)
{
    OverriddenList oList("");
    qirn_test::LogCapture oLog;
    QIRN_Extensions_GL oExt;
    EXPECT_EQ(oExt.Initialize(), OK);
    EXPECT_EQ(oExt.IsMultitextureSupported() + oExt.IsTexEnvCombineSupported() +
                  oExt.IsTextureEdgeClampSupported() + oExt.IsTextureBorderClampSupported() +
                  oExt.IsTextureLodSupported() + oExt.IsAnisotropicFilterSupported() +
                  oExt.Is3DTextureSupported() + oExt.IsCubeMapSupported(),
              0);
    EXPECT_EQ(oExt.m_poMultitexture, nullptr);
    EXPECT_EQ(oExt.m_poTexture3D, nullptr);
    EXPECT_TRUE(oLog.All().empty()) << oLog.All();
}

TEST(GLExtensions, MesaListsEveryProbeAndEntryPointsAreFetchedOnFirstUse)
{
    gl_test::Context oContext;
    ASSERT_TRUE(oContext.Ok());
    qirn_test::LogCapture oLog;
    QIRN_Extensions_GL oExt;
    ASSERT_EQ(oExt.Initialize(), OK);
    const char* aszNames[] = {"GL_ARB_multitexture",
                              "GL_EXT_compiled_vertex_array",
                              "GL_EXT_texture_env_combine",
                              "GL_EXT_texture_edge_clamp",
                              "GL_ARB_texture_border_clamp",
                              "GL_SGIS_texture_lod",
                              "GL_EXT_texture_filter_anisotropic",
                              "GL_EXT_texture3D",
                              "GL_ARB_texture_cube_map"};
    for (const char* szName : aszNames)
    {
        EXPECT_TRUE(oLog.Contains(std::string("QIRN_Extensions_GL::Initialize() - ") + szName +
                                  " extension supported by hardware."))
            << szName;
    }
    ASSERT_NE(oExt.m_poMultitexture, nullptr);
    ASSERT_NE(oExt.m_poCompiledVertexArray, nullptr);
    ASSERT_NE(oExt.m_poTexture3D, nullptr);

    oLog.Clear();
    EXPECT_EQ(oExt.m_poMultitexture->glActiveTexture(GL_TEXTURE1_ARB), OK);
    EXPECT_TRUE(oLog.Contains("Getting pointer to glActiveTextureARB() successful"));
    GLint iUnit = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE_ARB, &iUnit);
    EXPECT_EQ(iUnit, GL_TEXTURE1_ARB);
    oLog.Clear();
    EXPECT_EQ(oExt.m_poMultitexture->glActiveTexture(GL_TEXTURE0_ARB), OK);
    EXPECT_TRUE(oLog.All().empty());
}

TEST(GLExtensions, ADriverWithOnlyThreeDimensionalTexturesFetchesBeforeUploading)
{
    gl_test::Context oContext;
    ASSERT_TRUE(oContext.Ok());
    OverriddenList oList("GL_EXT_texture3D");
    qirn_test::LogCapture oLog;
    QIRN_Extensions_GL oExt;
    ASSERT_EQ(oExt.Initialize(), OK);
    EXPECT_EQ(oExt.Is3DTextureSupported(), 1);
    EXPECT_EQ(oExt.IsMultitextureSupported(), 0);
    EXPECT_EQ(oExt.m_poMultitexture, nullptr);
    ASSERT_NE(oExt.m_poTexture3D, nullptr);

    GLuint dwName = 0;
    glGenTextures(1, &dwName);
    glBindTexture(GL_TEXTURE_3D_EXT, dwName);
    const unsigned char abTexels[2 * 2 * 2 * 3] = {};
    oLog.Clear();
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    EXPECT_EQ(oExt.m_poTexture3D->glTexImage3D(GL_TEXTURE_3D_EXT, 0, GL_RGB8, 2, 2, 2, 0, GL_RGB,
                                               GL_UNSIGNED_BYTE, abTexels),
              OK);
    EXPECT_TRUE(oLog.Contains("Getting pointer to glTexImage3DEXT()..."));
    EXPECT_TRUE(oLog.Contains("Getting pointer to m_pfnTexImage3DEXT() successful"));
    GLint iDepth = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_3D_EXT, 0, GL_TEXTURE_DEPTH_EXT, &iDepth);
    EXPECT_EQ(iDepth, 2);
    glDeleteTextures(1, &dwName);
}
