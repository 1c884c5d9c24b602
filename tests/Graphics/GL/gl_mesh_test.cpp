// The OpenGL mesh: vertex blending against hand values, and unskinned meshes loaded from mesh data
// and drawn lit through the device.
#include "gl_test_support.h"
#include "qirn_lightactor.h"
#include "qirn_meshdata.h"
#include "qirn_render_states_gl.h"
#include "qirn_shader.h"
#include "qirn_world.h"

#include <cmath>

namespace
{
QIRN_Matrix4 Translation(float x, float y, float z)
{
    QIRN_Matrix4 m;
    Matrix_Identity(&m);
    m._41 = x;
    m._42 = y;
    m._43 = z;
    return m;
}

QIRN_Matrix4 Scale(float s)
{
    QIRN_Matrix4 m;
    Matrix_Identity(&m);
    m._11 = m._22 = m._33 = s;
    return m;
}

uint32_t Pack(uint8_t a, uint8_t b, uint8_t c, uint8_t d)
{
    return a | (b << 8) | (c << 16) | (static_cast<uint32_t>(d) << 24);
}
} // namespace

TEST(GLBlend, FourInfluencesTheLastImplied)
{
    QIRN_Matrix4 aoPalette[4] = {Translation(1, 0, 0), Scale(2), Translation(0, 0, 0), Translation(0, 10, 0)};
    const float afWeights[3] = {0.5f, 0.25f, 0.25f};
    const float afPoint[3] = {1, 1, 1};
    float afOut[3] = {};
    // The fourth weight is 1 - (0.5 + 0.25 + 0.25) = 0: its translation does not show.
    BlendPosition(afPoint, aoPalette, Pack(0, 1, 2, 3), 4, afWeights, 3, afOut);
    EXPECT_NEAR(afOut[0], 1.75f, 1e-5);
    EXPECT_NEAR(afOut[1], 1.25f, 1e-5);
    EXPECT_NEAR(afOut[2], 1.25f, 1e-5);

    // Normals go through each matrix's inverse transpose: the scale halves, translations vanish.
    const float afNormal[3] = {0, 1, 0};
    BlendNormal(afNormal, aoPalette, Pack(0, 1, 2, 0), 4, afWeights, 3, afOut);
    EXPECT_NEAR(afOut[0], 0.0f, 1e-5);
    EXPECT_NEAR(afOut[1], 0.5f + 0.125f + 0.25f, 1e-5);
    EXPECT_NEAR(afOut[2], 0.0f, 1e-5);
}

TEST(GLBlend, AllBytesZeroUsesTheFirstMatrixAlone)
{
    QIRN_Matrix4 aoPalette[2] = {Translation(0, 0, 5), Scale(3)};
    const float afWeights[3] = {0.2f, 0.3f, 0.1f};
    const float afPoint[3] = {1, 2, 3};
    float afOut[3] = {};
    BlendPosition(afPoint, aoPalette, 0, 4, afWeights, 3, afOut);
    EXPECT_NEAR(afOut[0], 1.0f, 1e-5);
    EXPECT_NEAR(afOut[1], 2.0f, 1e-5);
    EXPECT_NEAR(afOut[2], 8.0f, 1e-5);
}

namespace
{
class GLMeshTest : public gl_test::DeviceTest
{
protected:
    void SetUp() override
    {
        gl_test::DeviceTest::SetUp();
        BringUp();
        m_poWorld = std::make_unique<QIRN_World>(&m_oEngine);
        m_oEngine.m_poWorld = m_poWorld.get();
        gl_test::IdentityTransforms();
    }
    void TearDown() override
    {
        m_poGraphics->ReleaseResources();
        m_oEngine.m_poWorld = nullptr;
        gl_test::DeviceTest::TearDown();
    }

    // A quad over the left half of clip space facing +z, whose one group binds the shader in
    // slot 0.
    void MakeQuad(QIRN_MeshData& roMesh, QIRN_Shader* poShader, bool bWithIndices = true)
    {
        roMesh.m_szName = "quad";
        const float afXYZ[] = {-1, -1, 0, 0, -1, 0, 0, 1, 0, -1, 1, 0};
        const float afNormals[] = {0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1};
        roMesh.SetPositions(afXYZ, 4);
        roMesh.SetNormals(afNormals);
        for (uint32_t i = 0; i < 4; ++i)
        {
            roMesh.GetVertex(static_cast<int>(i))->m_dwDiffuse = 0xFFFF8000;
        }
        const uint16_t awIndices[] = {0, 1, 2, 0, 2, 3};
        roMesh.AddPolygonGroup(awIndices, bWithIndices ? 6 : 0, poShader);
        roMesh.m_oPolygonGroups.back().AddShader(poShader);
    }

    std::unique_ptr<QIRN_World> m_poWorld;
};
} // namespace

TEST_F(GLMeshTest, AnUnskinnedMeshDrawsLitByItsMaterial)
{
    auto poShader = gl_test::MakeShader("Green", 1, 0);
    QIRN_ShaderPass& roPass = poShader->m_poPasses[0];
    roPass.m_bClearColor = true;
    roPass.m_dwColorClearValue = 0xFF000000;
    roPass.m_bClearZ = true;
    roPass.m_oMaterial.m_vDiffuse = {0.0f, 1.0f, 0.0f, 1.0f};
    roPass.m_oMaterial.m_vAmbient = {0.0f, 0.0f, 0.0f, 1.0f};
    roPass.m_dwFVF = 0;
    QIRN_MeshData oMesh;
    MakeQuad(oMesh, poShader.get());

    QIRN_LINKEDLIST<QIRN_LightActor> oLights(false);
    QIRN_LightActor oSun("Light");
    oSun.m_iType = 3;
    oSun.m_vDiffuse = {255.0f, 255.0f, 255.0f, 255.0f};
    // The modelview flips z: a light along +z in engine space meets the quad's front.
    oSun.m_vDirection = {0.0f, 0.0f, 1.0f, 0.0f};
    oLights.AppendNode("Sun", &oSun);
    ASSERT_EQ(m_poGraphics->SetLights(&oLights, 0), OK);

    ASSERT_EQ(m_poGraphics->LoadMesh(&oMesh, 0), OK) << m_oLog.All();
    // The group's first pass had no vertex format: it takes position, normal, colour and one set.
    EXPECT_EQ(oMesh.m_oPolygonGroups.front().GetShader(0)->m_poPasses[0].m_dwFVF, 338u);
    QIRN_Mesh_GL* poMesh = m_poGraphics->GetMesh("quad");
    ASSERT_NE(poMesh, nullptr);
    EXPECT_FALSE(poMesh->IsSkinned());
    ASSERT_EQ(m_poGraphics->RenderMesh(&oMesh, 0, 0), OK) << m_oLog.All();
    EXPECT_TRUE(gl_test::Near(gl_test::ReadPixel(WIDTH / 4, HEIGHT / 2), 0x00FF00))
        << std::hex << gl_test::ReadPixel(WIDTH / 4, HEIGHT / 2);
    EXPECT_TRUE(gl_test::Near(gl_test::ReadPixel(3 * WIDTH / 4, HEIGHT / 2), 0x000000));

    // A skipped pass is not applied nor drawn.
    m_poGraphics->GetShader("Green")->m_paoPasses[0].m_iSkipPass = 1;
    glClear(GL_COLOR_BUFFER_BIT);
    ASSERT_EQ(m_poGraphics->RenderMesh(&oMesh, 0, 0), OK);
    EXPECT_TRUE(gl_test::Near(gl_test::ReadPixel(WIDTH / 4, HEIGHT / 2), 0x000000));
    m_oLog.Clear();
    EXPECT_EQ(m_poGraphics->RenderMesh(nullptr, 0, 0), GENERICERROR);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_Graphics_GL::RenderMesh() - GetMesh() returned NULL\n"));
}

TEST_F(GLMeshTest, AnUnlitPassShowsTheVertexColour)
{
    auto poShader = gl_test::MakeShader("Unlit", 1, 0);
    poShader->m_poPasses[0].m_bLightingEnabled = false;
    poShader->m_poPasses[0].m_bClearColor = true;
    poShader->m_poPasses[0].m_dwColorClearValue = 0xFF000000;
    poShader->m_poPasses[0].m_bClearZ = true;
    QIRN_MeshData oMesh;
    MakeQuad(oMesh, poShader.get());
    ASSERT_EQ(m_poGraphics->LoadMesh(&oMesh, 0), OK);
    ASSERT_EQ(m_poGraphics->RenderMesh(&oMesh, 0, 0), OK);
    EXPECT_TRUE(gl_test::Near(gl_test::ReadPixel(WIDTH / 4, HEIGHT / 2), 0xFF8000))
        << std::hex << gl_test::ReadPixel(WIDTH / 4, HEIGHT / 2);
}

TEST_F(GLMeshTest, AMeshWithoutIndicesIsKeptAndDrawsNothing)
{
    auto poShader = gl_test::MakeShader("Empty", 1, 0);
    QIRN_MeshData oMesh;
    MakeQuad(oMesh, poShader.get(), false);
    ASSERT_EQ(m_poGraphics->LoadMesh(&oMesh, 0), OK);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_Mesh_GL::LoadMeshData() - nb_tri_01 is ZERO\n"));
    ASSERT_NE(m_poGraphics->GetMesh("quad"), nullptr);
    EXPECT_EQ(m_poGraphics->RenderMesh(&oMesh, 0, 0), OK);
}
