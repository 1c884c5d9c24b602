// A world file's mesh actor drawn by the OpenGL device through its geometry: loaded on first
// draw, and left out while its Render flag is 0.
#include "gl_test_support.h"
#include "qirn_cameraactor.h"
#include "qirn_meshactor.h"
#include "qirn_geometry.h"
#include "qirn_world.h"

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
