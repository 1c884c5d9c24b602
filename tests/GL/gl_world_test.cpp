// A world file's mesh and logo actors drawn by the OpenGL device through their geometry: loaded on
// first draw, left out while the Render flag is 0, and logos fixed to the camera.
#include "gl_test_support.h"
#include "qirn_cameraactor.h"
#include "qirn_logoactor.h"
#include "qirn_meshactor.h"
#include "qirn_geometry.h"
#include "qirn_world.h"

#include <cmath>

namespace
{
// The colour the world's default world shader clears to.
const uint32_t CLEAR_RGB = 0x3F99B4;

// A 2 x 2 square in the z = 0 plane facing -z (the camera), of one green material.
const char* const QUAD_X = "xof 0302txt 0032\n"
                           "Mesh Quad {\n 4; -1.0;-1.0;0.0;, 1.0;-1.0;0.0;, 1.0;1.0;0.0;, -1.0;1.0;0.0;;\n"
                           " 2; 3; 0,2,1;, 3; 0,3,2;;\n"
                           " MeshNormals { 1; 0.0;0.0;-1.0;; 2; 3; 0,0,0;, 3; 0,0,0;; }\n"
                           " MeshMaterialList { 1; 2; 0, 0;;\n"
                           "  Material Green { 0.0;1.0;0.0;1.0;; 4.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; }\n"
                           " }\n"
                           "}\n";

const char* const SCENE_W = "qirn_world_version2.0 {\n"
                            " QIRN_MeshActor { Name { Quad } MeshFilename { quad.x } }\n"
                            " QIRN_LightActor { Name { Sun } Type { 3 } Diffuse { 255 255 255 255 }\n"
                            "  Direction { 0 0 1 0 } }\n"
                            "}\n";

class GLWorldTest : public gl_test::DeviceTest
{
protected:
    void SetUp() override
    {
        gl_test::DeviceTest::SetUp();
        BringUp();
        qirn_test::WriteFile("quad.x", QUAD_X);
        qirn_test::WriteFile("scene.w", SCENE_W);
        m_poWorld = std::make_unique<QIRN_World>(&m_oEngine);
        ASSERT_EQ(m_poWorld->InitWorld(), OK);
        m_oEngine.m_poWorld = m_poWorld.get();
    }
    void TearDown() override
    {
        m_oEngine.m_apoGraphics[0] = nullptr;
        m_poGraphics->ReleaseResources();
        m_oEngine.m_poWorld = nullptr;
        m_poWorld.reset();
        gl_test::DeviceTest::TearDown();
    }

    std::unique_ptr<QIRN_World> m_poWorld;
};
} // namespace

TEST_F(GLWorldTest, AMeshActorIsDrawnThroughItsGeometry)
{
    ASSERT_EQ(m_poWorld->Load("scene"), OK) << m_oLog.All();
    auto* poQuad = dynamic_cast<QIRN_MeshActor*>(m_poWorld->FindObject("Quad"));
    ASSERT_NE(poQuad, nullptr);
    ASSERT_NE(poQuad->GetMesh(), nullptr);
    QIRN_CameraActor oCamera("Camera");
    oCamera.SetPosition(QIRN_Vector4(0.0f, 0.0f, -5.0f, 1.0f));
    oCamera.SetLookAtVector(QIRN_Vector4(0.0f, 0.0f, 0.0f, 1.0f));
    oCamera.SetFOV(60.0f);
    oCamera.SetRange(1.0f, 100.0f);
    ASSERT_EQ(m_poWorld->UpdateWorld(0.0f), OK);
    ASSERT_EQ(m_poGraphics->RenderWorld(m_poWorld.get(), &oCamera, 0, false), OK);
    ASSERT_NE(poQuad->GetMesh()->GetFirstRenderMeshNode(), nullptr) << m_oLog.All();
    const uint32_t dwCentre = gl_test::ReadPixel(WIDTH / 2, HEIGHT / 2);
    // The world's default shader clears to its colour; the quad covers the centre.
    EXPECT_FALSE(gl_test::Near(dwCentre, CLEAR_RGB, 16)) << std::hex << dwCentre;
    EXPECT_TRUE(gl_test::Near(gl_test::ReadPixel(2, 2), CLEAR_RGB)) << std::hex << gl_test::ReadPixel(2, 2);

    // With its Render flag 0 the actor is left out.
    poQuad->SetRender(0);
    ASSERT_EQ(m_poGraphics->RenderWorld(m_poWorld.get(), &oCamera, 0, false), OK);
    EXPECT_TRUE(gl_test::Near(gl_test::ReadPixel(WIDTH / 2, HEIGHT / 2), CLEAR_RGB));
}

TEST_F(GLWorldTest, ALipSyncActorIsDrawnLikeAMeshActor)
{
    qirn_test::WriteFile("head.w", "qirn_world_version2.0 {\n"
                                   " QIRN_LipSyncActor { Name { Head } MeshFilename { quad.x } }\n"
                                   "}\n");
    ASSERT_EQ(m_poWorld->Load("head"), OK) << m_oLog.All();
    ASSERT_NE(m_poWorld->GetLipSyncActorList(), nullptr);
    ASSERT_EQ(m_poWorld->GetLipSyncActorList()->m_iCount, 1);
    QIRN_CameraActor oCamera("Camera");
    oCamera.SetPosition(QIRN_Vector4(0.0f, 0.0f, -5.0f, 1.0f));
    oCamera.SetLookAtVector(QIRN_Vector4(0.0f, 0.0f, 0.0f, 1.0f));
    oCamera.SetFOV(60.0f);
    oCamera.SetRange(1.0f, 100.0f);
    ASSERT_EQ(m_poWorld->UpdateWorld(0.0f), OK);
    ASSERT_EQ(m_poGraphics->RenderWorld(m_poWorld.get(), &oCamera, 0, false), OK);
    const uint32_t dwCentre = gl_test::ReadPixel(WIDTH / 2, HEIGHT / 2);
    EXPECT_FALSE(gl_test::Near(dwCentre, CLEAR_RGB, 16)) << std::hex << dwCentre << "\n" << m_oLog.All();
}

namespace
{
// A green square of half-side 0.5 around the origin, facing the eye, and the unlit shader that
// shows its vertex colour.
const char* const BADGE_X =
    "xof 0302txt 0032\n"
    "Frame Root {\n"
    " FrameTransformMatrix { 1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, 0.0,0.0,0.0,1.0;; }\n"
    " Mesh Badge {\n  4; -0.5;-0.5;0.0;, 0.5;-0.5;0.0;, 0.5;0.5;0.0;, -0.5;0.5;0.0;;\n"
    "  2; 3; 0,2,1;, 3; 0,3,2;;\n"
    "  MeshVertexColors { 4; 0; 0.0;1.0;0.0;1.0;;, 1; 0.0;1.0;0.0;1.0;;, 2; 0.0;1.0;0.0;1.0;;, "
    "3; 0.0;1.0;0.0;1.0;;; }\n"
    "  MeshMaterialList { 1; 2; 0, 0;; Material Paint { 1.0;1.0;1.0;1.0;; 4.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; } "
    "}\n"
    " }\n"
    "}\n";
const char* const BADGE_S = "qirn_shader_version2.0 {\n"
                            " Shader { Name { Badge } NumPasses { 1 } Pass { Name { Base } FVF { 66 }\n"
                            "  LightingEnabled { 0 } CullMode { 0 } } }\n"
                            "}\n";

// The logo's fixed projection: 0.7 radians high, aspect 1.333, so a view-space x at depth z lies at
// x * (1 / tan 0.35) / 1.333 / z in clip space, moved on by x itself.
int LogoColumn(float x, float z, int iWidth)
{
    const float fClip = x * (1.0f / std::tan(0.35f)) / 1.333f / z + x;
    return static_cast<int>((fClip + 1.0f) * 0.5f * static_cast<float>(iWidth));
}
} // namespace

TEST_F(GLWorldTest, ALogoStaysFixedToTheCameraWhereverItLooks)
{
    qirn_test::WriteFile("badge.x", BADGE_X);
    qirn_test::WriteFile("logos.s", BADGE_S);
    qirn_test::WriteFile(
        "logos.w", "qirn_world_version2.0 {\n"
                   " QIRN_LogoActor { Name { Badge } Position { 0 0 8 1 }\n"
                   "  ShaderAssignment { badge.Root.Badge.Paint { Badge } } MeshFilename { badge.x } }\n"
                   " QIRN_LogoActor { Name { Corner } Position { 0.5 0 8 1 }\n"
                   "  ShaderAssignment { badge.Root.Badge.Paint { Badge } } MeshFilename { badge.x } }\n"
                   " QIRN_LogoActor { Name { Blank } Position { 0 0 8 1 } }\n"
                   "}\n");
    ASSERT_EQ(m_poWorld->Load("logos"), OK) << m_oLog.All();
    // Logos ask the engine's device for its view.
    m_oEngine.m_apoGraphics[0] = m_poGraphics.get();
    auto* poCorner = dynamic_cast<QIRN_LogoActor*>(m_poWorld->FindObject("Corner"));
    ASSERT_NE(poCorner, nullptr);
    QIRN_CameraActor oCamera("Camera");
    oCamera.SetFOV(60.0f);
    oCamera.SetRange(1.0f, 100.0f);
    const int iCornerColumn = LogoColumn(0.5f, 8.0f, WIDTH);
    ASSERT_LT(iCornerColumn, WIDTH - 4);
    for (const QIRN_Vector4& vEye :
         {QIRN_Vector4(0.0f, 0.0f, 0.0f, 1.0f), QIRN_Vector4(40.0f, 10.0f, -30.0f, 1.0f)})
    {
        // The eye moves and turns: the logos come along.
        oCamera.SetPosition(vEye);
        oCamera.SetLookAtVector(QIRN_Vector4(vEye.x - 20.0f, vEye.y, vEye.z + 5.0f, 1.0f));
        m_oLog.Clear();
        ASSERT_EQ(m_poWorld->UpdateWorld(0.0f), OK);
        ASSERT_EQ(m_poGraphics->RenderWorld(m_poWorld.get(), &oCamera, 0, false), OK);
        EXPECT_TRUE(gl_test::Near(gl_test::ReadPixel(WIDTH / 2, HEIGHT / 2), 0x00FF00))
            << std::hex << gl_test::ReadPixel(WIDTH / 2, HEIGHT / 2);
        EXPECT_TRUE(gl_test::Near(gl_test::ReadPixel(iCornerColumn, HEIGHT / 2), 0x00FF00))
            << std::hex << gl_test::ReadPixel(iCornerColumn, HEIGHT / 2);
        // Between the two, the clear colour.
        const int iBetween = (WIDTH / 2 + iCornerColumn) / 2;
        EXPECT_TRUE(gl_test::Near(gl_test::ReadPixel(iBetween, HEIGHT / 2), CLEAR_RGB))
            << std::hex << gl_test::ReadPixel(iBetween, HEIGHT / 2);
        // A logo without geometry is named each frame.
        EXPECT_EQ(m_oLog.Count("*** QIRN_Graphics_GL::RenderWorld(): Actor 'Blank' does not have an Mesh\n"),
                  1u);
    }

    // A hidden logo is left out; a render-target pass draws no logos at all.
    poCorner->SetRender(0);
    ASSERT_EQ(m_poGraphics->RenderWorld(m_poWorld.get(), &oCamera, 0, false), OK);
    EXPECT_TRUE(gl_test::Near(gl_test::ReadPixel(iCornerColumn, HEIGHT / 2), CLEAR_RGB));
    EXPECT_TRUE(gl_test::Near(gl_test::ReadPixel(WIDTH / 2, HEIGHT / 2), 0x00FF00));
    ASSERT_EQ(m_poGraphics->RenderWorld(m_poWorld.get(), &oCamera, 0, true), OK);
    EXPECT_TRUE(gl_test::Near(gl_test::ReadPixel(WIDTH / 2, HEIGHT / 2), CLEAR_RGB));
    m_oEngine.m_apoGraphics[0] = nullptr;
}
