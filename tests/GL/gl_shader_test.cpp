// Shader conversion and application on the OpenGL device: the converted pass fields, two layers
// combined on two texture units, units a pass leaves unused, and the shader tree's operations.
#include "gl_test_support.h"
#include "qirn_bitmap.h"
#include "qirn_databunny.h"
#include "qirn_extensions_gl.h"
#include "qirn_render_states_gl.h"
#include "qirn_shader.h"
#include "qirn_world.h"

namespace
{
class GLShaderTest : public gl_test::DeviceTest
{
protected:
    void SetUp() override
    {
        gl_test::DeviceTest::SetUp();
        BringUp();
        m_poWorld = std::make_unique<QIRN_World>(&m_oEngine);
        m_oEngine.m_poWorld = m_poWorld.get();
    }
    void TearDown() override
    {
        m_oEngine.m_poWorld = nullptr;
        gl_test::DeviceTest::TearDown();
    }

    // A one-colour RGB bitmap in the engine's bitmap tree under the file name.
    void AddBitmap(const std::string& strName, uint32_t dwColor)
    {
        auto poBitmap = gl_test::MakeBitmap(strName, 1, 1, 4, 4, 3, {dwColor});
        ASSERT_NE(m_oEngine.GetBitmapTree()->InsertNode(strName, poBitmap.release()), nullptr);
    }

    // A layer sampling a texture file: point filters, one level, in the 2D texture type.
    static void TextureLayer(QIRN_ShaderLayer& ro, const std::string& strFile, uint32_t eOp)
    {
        ro.m_strTextureFileName = strFile;
        ro.m_eTextureType = 2;
        ro.m_eTextureFormat = 20;
        ro.m_dwNumMipmapLevels = 1;
        ro.m_dwNumSlices = 1;
        ro.m_eMINFILTER = 1;
        ro.m_eMAGFILTER = 1;
        ro.m_eMIPFILTER = 0;
        ro.m_eCOLOROP = eOp;
        ro.m_eCOLORARG1 = 5;
        ro.m_eCOLORARG2 = 0;
        ro.m_eALPHAOP = 1;
        ro.m_eALPHAARG1 = 5;
    }

    QIRN_Shader_GL* Load(QIRN_Shader* poShader)
    {
        EXPECT_EQ(m_poGraphics->LoadShader(poShader), OK);
        return m_poGraphics->GetShader(poShader->GetName());
    }

    std::unique_ptr<QIRN_World> m_poWorld;
};
} // namespace

TEST_F(GLShaderTest, PassFieldsConverted)
{
    auto poShader = gl_test::MakeShader("Fields", 1, 0);
    QIRN_ShaderPass& ro = poShader->m_poPasses[0];
    ro.m_dwAlphaTestingThreshold = 128;
    ro.m_eAlphaCompareFunc = 4;
    ro.m_eCullMode = 0;
    ro.m_eStencilPass = 3;
    ro.m_eStencilFail = 7;
    ro.m_eSrcBlend = 11;
    ro.m_dwTFactor = 0xFF808080;
    ro.m_eShadeMode = 0;
    ro.m_oMaterial.m_fPower = 12.0f;
    QIRN_Shader_GL* po = Load(poShader.get());
    ASSERT_NE(po, nullptr);
    ASSERT_EQ(po->m_dwNumPasses, 1u);
    const QIRN_ShaderPass_GL& r = po->m_paoPasses[0];
    EXPECT_NEAR(r.m_fAlphaRef, 0.50196f, 1e-5);
    EXPECT_EQ(r.m_eAlphaFunc, static_cast<GLenum>(GL_GREATER));
    EXPECT_EQ(r.m_eFrontFace, 0u);
    EXPECT_EQ(r.m_eStencilPass, static_cast<GLenum>(GL_INCR));
    EXPECT_EQ(r.m_eStencilFail, static_cast<GLenum>(GL_DECR));
    // An unknown blend factor keeps the default.
    EXPECT_EQ(r.m_eBlendSource, static_cast<GLenum>(GL_SRC_ALPHA));
    EXPECT_EQ(r.m_eDepthFunc, static_cast<GLenum>(GL_LEQUAL));
    EXPECT_EQ(r.m_eShadeModel, static_cast<GLenum>(GL_FLAT));
    EXPECT_NEAR(r.m_afTexEnvColor[0], 128.0f / 255.0f, 1e-5);
    EXPECT_FLOAT_EQ(r.m_afMaterial[16], 12.0f);

    // Cull mode none switches culling off when the pass is applied.
    m_poGraphics->GetRenderStates()->SetCulling(1);
    ASSERT_EQ(m_poGraphics->SetShaderGL(po, 0), OK);
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    EXPECT_EQ(m_poGraphics->GetRenderStates()->GetCulling(), 0);
}

TEST_F(GLShaderTest, PassesOutOfRangeAndShadersWithoutPassesAnswerThree)
{
    auto poEmpty = gl_test::MakeShader("Empty", 0, 0);
    QIRN_Shader_GL* po = Load(poEmpty.get());
    ASSERT_NE(po, nullptr);
    EXPECT_EQ(po->m_paoPasses, nullptr);
    EXPECT_EQ(m_poGraphics->SetShaderGL(po, 0), INVALIDPARAMS);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_Graphics_GL::SetShaderGL() - poShaderGL->paoPasses is NULL\n"));
    EXPECT_EQ(m_poGraphics->SetShaderGL(nullptr, 0), INVALIDPARAMS);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_Graphics_GL::SetShaderGL() - poShaderGL is NULL\n"));

    auto poTwo = gl_test::MakeShader("Two", 2, 0);
    po = Load(poTwo.get());
    EXPECT_EQ(m_poGraphics->SetShaderGL(po, 1), OK);
    EXPECT_EQ(m_poGraphics->SetShaderGL(po, 2), INVALIDPARAMS);
    EXPECT_TRUE(m_oLog.Contains("Pass 2 is past the 2 passes of shader Two"));
    EXPECT_EQ(m_poGraphics->SetShaderLayer(nullptr, 0), INVALIDPARAMS);
}

TEST_F(GLShaderTest, ClearsOfAPassAreOneCall)
{
    auto poShader = gl_test::MakeShader("Clear", 1, 0);
    poShader->m_poPasses[0].m_bClearZ = true;
    poShader->m_poPasses[0].m_fZClearValue = 0.25f;
    poShader->m_poPasses[0].m_bClearColor = true;
    poShader->m_poPasses[0].m_dwColorClearValue = 0xFF0080FF;
    QIRN_Shader_GL* po = Load(poShader.get());
    ASSERT_EQ(m_poGraphics->SetShaderGL(po, 0), OK);
    EXPECT_TRUE(gl_test::Near(gl_test::ReadPixel(5, 5), 0x0080FF));
    GLfloat fDepth = 0.0f;
    glReadPixels(5, 5, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &fDepth);
    EXPECT_NEAR(fDepth, 0.25f, 1e-3);
}

TEST_F(GLShaderTest, TwoLayersCombineAndUnusedUnitsAreDisabled)
{
    AddBitmap("red.tga", 0xC0000000);
    AddBitmap("blue.tga", 0x0000C000);
    auto poShader = gl_test::MakeShader("Combine", 2, 2);
    for (uint32_t p = 0; p < 2; ++p)
    {
        QIRN_ShaderPass& ro = poShader->m_poPasses[p];
        ro.m_bLightingEnabled = false;
        ro.m_bClearColor = true;
        ro.m_dwColorClearValue = 0xFF000000;
        ro.m_bClearZ = true;
        ro.m_dwTFactor = 0xFF102030;
        TextureLayer(ro.m_poLayers[0], "red.tga", 1);
        TextureLayer(ro.m_poLayers[1], "blue.tga", 6);
    }
    // The second pass uses only its first layer.
    poShader->m_poPasses[1].m_dwNumLayers = 1;
    QIRN_Shader_GL* po = Load(poShader.get());
    ASSERT_NE(po, nullptr);
    ASSERT_NE(po->m_paoPasses[0].m_paoLayers[0].m_poTexture, nullptr);
    // Both layers share the one bitmap each file has.
    EXPECT_NE(m_poGraphics->GetTexture("2_20_1_red.tga"), nullptr);

    ASSERT_EQ(m_poGraphics->SetShaderGL(po, 0), OK);
    gl_test::IdentityTransforms();
    gl_test::DrawQuad(-1.0f, -1.0f, 1.0f, 1.0f);
    EXPECT_TRUE(gl_test::Near(gl_test::ReadPixel(WIDTH / 2, HEIGHT / 2), 0xC000C0))
        << std::hex << gl_test::ReadPixel(WIDTH / 2, HEIGHT / 2);
    // The texture factor reaches every unit the pass uses.
    {
        m_poGraphics->GetExtensions()->m_poMultitexture->glActiveTexture(GL_TEXTURE1_ARB);
        GLfloat afColor[4] = {};
        glGetTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, afColor);
        EXPECT_NEAR(afColor[2], 0x30 / 255.0f, 1e-3);
        m_poGraphics->GetExtensions()->m_poMultitexture->glActiveTexture(GL_TEXTURE0_ARB);
    }

    ASSERT_EQ(m_poGraphics->SetShaderGL(po, 1), OK);
    m_poGraphics->GetExtensions()->m_poMultitexture->glActiveTexture(GL_TEXTURE1_ARB);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    m_poGraphics->GetExtensions()->m_poMultitexture->glActiveTexture(GL_TEXTURE0_ARB);
    gl_test::IdentityTransforms();
    gl_test::DrawQuad(-1.0f, -1.0f, 1.0f, 1.0f);
    EXPECT_TRUE(gl_test::Near(gl_test::ReadPixel(WIDTH / 2, HEIGHT / 2), 0xC00000))
        << std::hex << gl_test::ReadPixel(WIDTH / 2, HEIGHT / 2);
}

TEST_F(GLShaderTest, AMissingTextureFileLeavesTheLayerUntextured)
{
    auto poShader = gl_test::MakeShader("Missing", 1, 1);
    TextureLayer(poShader->m_poPasses[0].m_poLayers[0], "Missing.tga", 1);
    QIRN_Shader_GL* po = Load(poShader.get());
    ASSERT_NE(po, nullptr);
    EXPECT_EQ(po->m_paoPasses[0].m_paoLayers[0].m_poTexture, nullptr);
    EXPECT_EQ(m_poGraphics->SetShaderLayer(&po->m_paoPasses[0].m_paoLayers[0], 0), OK);
    EXPECT_EQ(m_poGraphics->SetShaderGL(po, 0), OK);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
}

TEST_F(GLShaderTest, ALayersAnisotropyIsKeptWithinWhatTheDeviceTakes)
{
    AddBitmap("grain.tga", 0x80808000);
    ASSERT_TRUE(m_poGraphics->GetExtensions()->IsAnisotropicFilterSupported());
    const float fDeviceMax = static_cast<float>(m_poGraphics->m_iMaxAnisotropy);
    ASSERT_GT(fDeviceMax, 1.0f);
    // The layer's value as written, and what the texture (one for all, the same file) is given.
    const std::pair<uint32_t, float> cases[] = {{2u, 2.0f}, {0u, 1.0f}, {100000u, fDeviceMax}, {1u, 1.0f}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.first);
        auto poShader = gl_test::MakeShader("Grain" + std::to_string(c.first), 1, 1);
        TextureLayer(poShader->m_poPasses[0].m_poLayers[0], "grain.tga", 1);
        poShader->m_poPasses[0].m_poLayers[0].m_dwMAXANISOTROPY = c.first;
        QIRN_Shader_GL* po = Load(poShader.get());
        ASSERT_NE(po, nullptr);
        QIRN_ShaderLayer_GL& roLayer = po->m_paoPasses[0].m_paoLayers[0];
        ASSERT_NE(roLayer.m_poTexture, nullptr);
        while (glGetError() != GL_NO_ERROR)
        {
        }
        ASSERT_EQ(m_poGraphics->SetShaderLayer(&roLayer, 0), OK);
        GLfloat fGiven = 0.0f;
        glGetTexParameterfv(roLayer.m_poTexture->GetTarget(), GL_TEXTURE_MAX_ANISOTROPY_EXT, &fGiven);
        EXPECT_FLOAT_EQ(fGiven, c.second);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
}

TEST_F(GLShaderTest, SkipPassFollowsItsDataBunnyEachFrame)
{
    QIRN_XFileBoolDataBunny oSkip("Skip");
    auto poShader = gl_test::MakeShader("Skipper", 1, 0);
    poShader->m_poPasses[0].m_oSkipPassDBA.SetDataBunny(&oSkip);
    QIRN_Shader_GL* po = Load(poShader.get());
    ASSERT_NE(po, nullptr);
    EXPECT_EQ(po->m_paoPasses[0].m_iSkipPass, 0);
    oSkip.m_Value = 1;
    EXPECT_EQ(m_poGraphics->UpdateShaders(0.1f), OK);
    EXPECT_EQ(po->m_paoPasses[0].m_iSkipPass, 1);
    poShader->m_poPasses[0].m_oSkipPassDBA.SetDataBunny(nullptr);
    m_poGraphics->ReleaseResources();
}

TEST_F(GLShaderTest, TreeOperations)
{
    auto poShader = gl_test::MakeShader("Rock", 2, 0);
    QIRN_Shader_GL* po = Load(poShader.get());
    ASSERT_NE(po, nullptr);
    EXPECT_EQ(m_poGraphics->LoadShader(poShader.get()), OK);
    EXPECT_EQ(m_poGraphics->GetShader("Rock"), po);
    EXPECT_EQ(m_poGraphics->ReloadShader(poShader.get()), OK);
    EXPECT_EQ(po->m_dwNumPasses, 2u);
    EXPECT_EQ(m_poGraphics->RenameShader("Rock", "Stone"), OK);
    EXPECT_EQ(m_poGraphics->GetShader("Stone"), po);
    EXPECT_EQ(po->m_strName, "Stone");
    EXPECT_EQ(m_poGraphics->GetShader("Rock"), nullptr);
    EXPECT_TRUE(
        m_oLog.Contains("\n*** QIRN_Graphics_GL::GetShader() - Shader (Rock) not found in GL shader tree"));
    EXPECT_EQ(m_poGraphics->RenameShader("Rock", "Pebble"), GENERICERROR);
    EXPECT_TRUE(
        m_oLog.Contains("*** QIRN_Graphics_GL::RenameShader() - poNode is NULL. Can't Find Shader\n"));
    EXPECT_EQ(m_poGraphics->RenameShader("", "Pebble"), GENERICERROR);
    EXPECT_TRUE(m_oLog.Contains("strOldName is EMPTY"));
    EXPECT_EQ(m_poGraphics->ReloadShader(poShader.get()), GENERICERROR);
    EXPECT_TRUE(m_oLog.Contains("No Shader to reload."));
    EXPECT_EQ(m_poGraphics->LoadShader(nullptr), GENERICERROR);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_Graphics_GL::LoadShader() - poShaderQIRN is NULL\n"));
    // Without a world nothing is converted.
    m_oEngine.m_poWorld = nullptr;
    auto poLater = gl_test::MakeShader("Later", 1, 0);
    EXPECT_EQ(m_poGraphics->LoadShader(poLater.get()), OK);
    EXPECT_EQ(m_poGraphics->m_oShaderTreeGL.FindNode("Later"), nullptr);
}

TEST_F(GLShaderTest, NoMoreLayersAreAppliedThanThereAreTextureUnits)
{
    GLint iUnits = 0;
    glGetIntegerv(GL_MAX_TEXTURE_UNITS_ARB, &iUnits);
    ASSERT_GE(iUnits, 2);
    ASSERT_LE(iUnits, 15);
    AddBitmap("step.tga", 0x00001000);
    // Every layer adds 16 to blue: two layers more than the units would end past what they add.
    const uint32_t dwLayers = static_cast<uint32_t>(iUnits) + 2;
    auto poShader = gl_test::MakeShader("Many", 1, dwLayers);
    QIRN_ShaderPass& ro = poShader->m_poPasses[0];
    ro.m_bLightingEnabled = false;
    ro.m_bClearColor = true;
    ro.m_dwColorClearValue = 0xFF000000;
    ro.m_bClearZ = true;
    TextureLayer(ro.m_poLayers[0], "step.tga", 1);
    for (uint32_t i = 1; i < dwLayers; ++i)
    {
        TextureLayer(ro.m_poLayers[i], "step.tga", 6);
    }
    QIRN_Shader_GL* po = Load(poShader.get());
    ASSERT_NE(po, nullptr);
    ASSERT_EQ(po->m_paoPasses[0].m_dwNumLayers, dwLayers);
    while (glGetError() != GL_NO_ERROR)
    {
    }
    ASSERT_EQ(m_poGraphics->SetShaderGL(po, 0), OK);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_Graphics_GL::SetShaderGL() - Shader Many pass 0 has " +
                                std::to_string(dwLayers) + " layers; only " + std::to_string(iUnits) +
                                " texture units"));
    GLint iActive = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE_ARB, &iActive);
    EXPECT_EQ(iActive, GL_TEXTURE0_ARB);
    gl_test::IdentityTransforms();
    gl_test::DrawQuad(-1.0f, -1.0f, 1.0f, 1.0f);
    const uint32_t dwBlue = static_cast<uint32_t>(iUnits) * 0x10;
    EXPECT_TRUE(gl_test::Near(gl_test::ReadPixel(WIDTH / 2, HEIGHT / 2), dwBlue))
        << std::hex << gl_test::ReadPixel(WIDTH / 2, HEIGHT / 2);
}
