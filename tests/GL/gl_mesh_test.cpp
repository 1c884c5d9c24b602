// The OpenGL mesh: vertex blending against hand values, and unskinned meshes loaded from mesh data
// and drawn lit through the device.
#include "gl_test_support.h"
#include "qirn_frame.h"
#include "qirn_lightactor.h"
#include "qirn_meshdata.h"
#include "qirn_render_states_gl.h"
#include "qirn_shader.h"
#include "qirn_world.h"

#include <cmath>
#include <cstring>
#include <vector>

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

// The group blend (normal matrices made once, zero weights skipped) against the per-vertex blend:
// the same bits for every vertex of a spread of poses, weights and palette slots, including
// weights of 0 and a fourth weight that rounds to a sliver. A bone scaled to nothing has no
// inverse: its normal matrix is not finite, and where it weighs 0 the group blend leaves it out
// instead of spreading its NaN into the normal.
TEST(GLBlend, TheGroupBlendGivesThePerVertexBlendsBits)
{
    std::vector<QIRN_Matrix4> voPalette(QIRN_GL_PALETTESIZE);
    for (size_t i = 0; i < voPalette.size(); ++i)
    {
        const float fAngle = 0.37f * static_cast<float>(i) + 0.1f;
        QIRN_Matrix4& m = voPalette[i];
        Matrix_Identity(&m);
        m._11 = std::cos(fAngle) * (1.0f + 0.01f * static_cast<float>(i % 7));
        m._12 = std::sin(fAngle);
        m._21 = -std::sin(fAngle);
        m._22 = std::cos(fAngle);
        m._33 = 0.5f + 0.1f * static_cast<float>(i % 5);
        m._41 = 0.3f * static_cast<float>(i % 11) - 1.0f;
        m._42 = -0.7f * static_cast<float>(i % 3);
        m._43 = 1.0f / static_cast<float>(i + 1);
    }
    voPalette[7] = Scale(0.0f);
    std::vector<QIRN_Matrix4> voNormals(voPalette.size());
    for (size_t i = 0; i < voPalette.size(); ++i)
    {
        ComputeNormalMatrix(voPalette[i], voNormals[i]);
    }
    const struct
    {
        float afWeights[3];
        uint32_t dwIndices;
    } CASES[] = {
        {{1.0f, 0.0f, 0.0f}, Pack(3, 0, 0, 0)},         {{0.5f, 0.25f, 0.25f}, Pack(1, 2, 3, 4)},
        {{0.1f, 0.2f, 0.3f}, Pack(255, 128, 7, 9)},     {{0.0f, 0.0f, 0.0f}, Pack(11, 8, 9, 10)},
        {{0.33f, 0.33f, 0.33f}, Pack(20, 21, 22, 23)},  {{0.7f, 0.0f, 0.2f}, Pack(6, 100, 200, 250)},
        {{0.123f, 0.456f, 0.0789f}, Pack(5, 6, 7, 8)},
    };
    std::vector<QIRN_SkinnedVertexGL> voVertices;
    for (const auto& c : CASES)
    {
        QIRN_SkinnedVertexGL o = {};
        o.afPosition[0] = 1.5f - 0.25f * static_cast<float>(voVertices.size());
        o.afPosition[1] = -2.0f + 0.75f * static_cast<float>(voVertices.size());
        o.afPosition[2] = 0.3f;
        memcpy(o.afWeights, c.afWeights, sizeof(o.afWeights));
        o.dwIndices = c.dwIndices;
        o.afNormal[0] = 0.6f;
        o.afNormal[1] = 0.0f;
        o.afNormal[2] = -0.8f;
        o.dwDiffuse = 0xFF8040C0;
        o.afUV[0] = 0.25f;
        o.afUV[1] = 0.75f;
        voVertices.push_back(o);
    }
    std::vector<float> vDraw(voVertices.size() * QIRN_GL_SKINNEDDRAWVERTEXSIZE / sizeof(float), -1.0f);
    BlendSkinnedVertices(voVertices.data(), 0, static_cast<uint32_t>(voVertices.size()), voPalette.data(),
                         voNormals.data(), reinterpret_cast<uint8_t*>(vDraw.data()));
    for (size_t v = 0; v < voVertices.size(); ++v)
    {
        const QIRN_SkinnedVertexGL& o = voVertices[v];
        float afPosition[3], afNormal[3];
        BlendPosition(o.afPosition, voPalette.data(), o.dwIndices, 4, o.afWeights, 3, afPosition);
        BlendNormal(o.afNormal, voPalette.data(), o.dwIndices, 4, o.afWeights, 3, afNormal);
        const float* pfDraw = &vDraw[v * QIRN_GL_SKINNEDDRAWVERTEXSIZE / sizeof(float)];
        for (int k = 0; k < 3; ++k)
        {
            EXPECT_EQ(memcmp(&pfDraw[k], &afPosition[k], sizeof(float)), 0)
                << "vertex " << v << " position " << k << ": " << pfDraw[k] << " against " << afPosition[k];
            EXPECT_EQ(memcmp(&pfDraw[7 + k], &afNormal[k], sizeof(float)), 0)
                << "vertex " << v << " normal " << k << ": " << pfDraw[7 + k] << " against " << afNormal[k];
        }
        EXPECT_EQ(pfDraw[11], 0.25f);
        EXPECT_EQ(pfDraw[12], 0.75f);
        EXPECT_NEAR(pfDraw[13], 128.0f / 255.0f, 1e-6f);
        EXPECT_EQ(pfDraw[3], 0.0f);
    }
    QIRN_SkinnedVertexGL oHidden = voVertices[0];
    oHidden.afWeights[0] = 0.0f;
    oHidden.afWeights[1] = 1.0f;
    oHidden.dwIndices = Pack(7, 3, 3, 3);
    float afDraw[QIRN_GL_SKINNEDDRAWVERTEXSIZE / sizeof(float)] = {};
    BlendSkinnedVertices(&oHidden, 0, 1, voPalette.data(), voNormals.data(), reinterpret_cast<uint8_t*>(afDraw));
    float afNormal[3];
    BlendNormal(oHidden.afNormal, voPalette.data(), Pack(3, 3, 3, 3), 1, oHidden.afWeights + 1, 1, afNormal);
    for (int k = 0; k < 3; ++k)
    {
        EXPECT_TRUE(std::isfinite(afDraw[7 + k])) << k;
        EXPECT_EQ(afDraw[7 + k], afNormal[k]) << k;
    }
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

namespace
{
// A quad over the left half of clip space whose four vertices follow bone 0 with weight wA and
// bone 1 with the rest; bone 0 stays, bone 1 moves one unit right.
struct SkinnedQuad
{
    QIRN_MeshData oMesh;
    QIRN_Frame oStay, oMove;

    SkinnedQuad(QIRN_Shader* poShader, float fWeightStay)
    {
        oMesh.m_szName = "skinned quad";
        const float afXYZ[] = {-1, -1, 0, 0, -1, 0, 0, 1, 0, -1, 1, 0};
        const float afNormals[] = {0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1};
        oMesh.SetPositions(afXYZ, 4);
        oMesh.SetNormals(afNormals);
        for (int i = 0; i < 4; ++i)
        {
            QIRN_MeshVertex* v = oMesh.GetVertex(i);
            v->m_dwDiffuse = 0xFFFF8000;
            v->m_iNumWeights = 2;
            v->m_abyBoneIndices[0] = 0;
            v->m_abyBoneIndices[1] = 1;
            v->m_afWeights[0] = fWeightStay;
            v->m_afWeights[1] = 1.0f - fWeightStay;
        }
        oMesh.CreatePalette(2);
        oMesh.m_dwNumPaletteEntries = 2;
        Matrix_Identity(&oStay.m_oCombinedMatrix);
        Matrix_Translation(1, 0, 0, &oMove.m_oCombinedMatrix);
        oMesh.m_ppoBonePalette[0] = &oStay;
        oMesh.m_ppoBonePalette[1] = &oMove;
        const uint16_t awIndices[] = {0, 1, 2, 0, 2, 3};
        oMesh.AddPolygonGroup(awIndices, 6, poShader);
        oMesh.m_oPolygonGroups.back().AddShader(poShader);
        oMesh.m_iRequestedPaletteSize = 256;
        oMesh.m_iRequestedWeights = 4;
        oMesh.m_iRequestedThird = 12;
    }
};
} // namespace

TEST_F(GLMeshTest, SkinnedVerticesAreBlendedOnTheCpuAndKeepTheirColour)
{
    auto poShader = gl_test::MakeShader("Skin", 1, 0);
    QIRN_ShaderPass& roPass = poShader->m_poPasses[0];
    roPass.m_bLightingEnabled = false;
    roPass.m_bClearColor = true;
    roPass.m_dwColorClearValue = 0xFF000000;
    roPass.m_bClearZ = true;
    // The pass asks for no culling; skinned meshes cull back faces all the same.
    roPass.m_eCullMode = 0;
    SkinnedQuad oQuad(poShader.get(), 0.0f);
    ASSERT_EQ(m_poGraphics->LoadMesh(&oQuad.oMesh, 0), OK) << m_oLog.All();
    QIRN_Mesh_GL* poMesh = m_poGraphics->GetMesh("skinned quad");
    ASSERT_NE(poMesh, nullptr);
    ASSERT_TRUE(poMesh->IsSkinned());
    ASSERT_EQ(m_poGraphics->RenderMesh(&oQuad.oMesh, 0, 0), OK) << m_oLog.All();
    // Moved one unit right: the right half shows the vertices' own colour.
    EXPECT_TRUE(gl_test::Near(gl_test::ReadPixel(3 * WIDTH / 4, HEIGHT / 2), 0xFF8000))
        << std::hex << gl_test::ReadPixel(3 * WIDTH / 4, HEIGHT / 2);
    EXPECT_TRUE(gl_test::Near(gl_test::ReadPixel(WIDTH / 4, HEIGHT / 2), 0x000000));
    QIRN_Render_States_GL* poStates = m_poGraphics->GetRenderStates();
    EXPECT_EQ(poStates->GetCulling(), 1);
    EXPECT_EQ(poStates->GetNormalize(), 1);
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_TRUE(glIsEnabled(GL_NORMALIZE));
}

TEST_F(GLMeshTest, HalfWeightsPoseHalfWay)
{
    auto poShader = gl_test::MakeShader("Skin", 1, 0);
    poShader->m_poPasses[0].m_bLightingEnabled = false;
    poShader->m_poPasses[0].m_bClearColor = true;
    poShader->m_poPasses[0].m_dwColorClearValue = 0xFF000000;
    poShader->m_poPasses[0].m_bClearZ = true;
    SkinnedQuad oQuad(poShader.get(), 0.5f);
    ASSERT_EQ(m_poGraphics->LoadMesh(&oQuad.oMesh, 0), OK) << m_oLog.All();
    ASSERT_EQ(m_poGraphics->RenderMesh(&oQuad.oMesh, 0, 0), OK);
    // From x = -0.5 to 0.5: the centre is covered, the outer quarters are not.
    EXPECT_TRUE(gl_test::Near(gl_test::ReadPixel(WIDTH / 2, HEIGHT / 2), 0xFF8000));
    EXPECT_TRUE(gl_test::Near(gl_test::ReadPixel(WIDTH / 8, HEIGHT / 2), 0x000000));
    EXPECT_TRUE(gl_test::Near(gl_test::ReadPixel(7 * WIDTH / 8, HEIGHT / 2), 0x000000));
}

TEST_F(GLMeshTest, ASkinAsTheImporterLeavesItIsPartitionedAndFollowsItsBones)
{
    auto poShader = gl_test::MakeShader("Skin", 1, 0);
    poShader->m_poPasses[0].m_bLightingEnabled = false;
    poShader->m_poPasses[0].m_bClearColor = true;
    poShader->m_poPasses[0].m_dwColorClearValue = 0xFF000000;
    poShader->m_poPasses[0].m_bClearZ = true;
    SkinnedQuad oQuad(poShader.get(), 0.0f);
    // An imported mesh asks for no partition of its own.
    oQuad.oMesh.m_iRequestedPaletteSize = 0;
    oQuad.oMesh.m_iRequestedWeights = 0;
    oQuad.oMesh.m_iRequestedThird = 0;
    ASSERT_EQ(m_poGraphics->LoadMesh(&oQuad.oMesh, 0), OK) << m_oLog.All();
    EXPECT_EQ(oQuad.oMesh.m_iPartitionedPaletteSize, 256);
    EXPECT_EQ(oQuad.oMesh.m_iPartitionedWeights, 4);
    ASSERT_FALSE(oQuad.oMesh.m_oPolygonGroups.front().m_voBones.empty());
    ASSERT_EQ(m_poGraphics->RenderMesh(&oQuad.oMesh, 0, 0), OK) << m_oLog.All();
    // Bone 1 moved it one unit right.
    EXPECT_TRUE(gl_test::Near(gl_test::ReadPixel(3 * WIDTH / 4, HEIGHT / 2), 0xFF8000))
        << std::hex << gl_test::ReadPixel(3 * WIDTH / 4, HEIGHT / 2);
    EXPECT_TRUE(gl_test::Near(gl_test::ReadPixel(WIDTH / 4, HEIGHT / 2), 0x000000));
}
