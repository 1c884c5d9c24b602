#include "mesh_test_support.h"
#include "qirn_cameraactor.h"
#include "qirn_logoactor.h"
#include "qirn_skyboxactor.h"
#include "qirn_world.h"
#include "recording_graphics.h"
#include "world_test_support.h"

#include <gtest/gtest.h>

#include <string>

using namespace world_test;

namespace
{
class LogoActorTest : public WorldFixture
{
protected:
    void SetUp() override
    {
        WorldFixture::SetUp();
        qirn_test::WriteFile("boat.x", BOAT_X);
        qirn_test::WriteFile("scene.w",
                             "qirn_world_version2.0 {\n"
                             " QIRN_LogoActor { Name { Badge } Position { 1 2 3 1 } Rotation { 30 40 50 1 }\n"
                             "  Scale { 2 2 2 1 } MeshFilename { boat.x } }\n"
                             " QIRN_SkyBoxActor { Name { Sky } MeshFilename { Boat.X } }\n"
                             "}\n");
    }

    QIRN_LogoActor* Badge() { return dynamic_cast<QIRN_LogoActor*>(m_poWorld->FindObject("Badge")); }
};

QIRN_Vector4 Transform(const QIRN_Matrix4& m, const QIRN_Vector4& v)
{
    return QIRN_Vector4(v.x * m._11 + v.y * m._21 + v.z * m._31 + m._41,
                        v.x * m._12 + v.y * m._22 + v.z * m._32 + m._42,
                        v.x * m._13 + v.y * m._23 + v.z * m._33 + m._43, 1.0f);
}
} // namespace

TEST_F(LogoActorTest, LogoAndSkyBoxLoadThroughTheRegistry)
{
    qirn_test::LogCapture log;
    ASSERT_EQ(m_poWorld->Load("scene"), OK) << log.All();
    ASSERT_NE(Badge(), nullptr);
    ASSERT_NE(Badge()->GetMesh(), nullptr);
    ASSERT_EQ(m_poWorld->GetLogoActorList()->m_iCount, 1);
    QIRN_SkyBoxActor* poSky = dynamic_cast<QIRN_SkyBoxActor*>(m_poWorld->FindObject("Sky"));
    ASSERT_NE(poSky, nullptr);
    ASSERT_EQ(m_poWorld->GetSkyBoxActorList()->m_iCount, 1);
    // The same file as the logo's: one import, the next shader slot.
    EXPECT_EQ(poSky->GetMeshFilename(), "Boat.x");
    EXPECT_EQ(poSky->GetMesh()->GetShaderIndex(), 1);
    EXPECT_EQ(m_poWorld->GetMeshActorList()->m_iCount, 0);

    std::string szText = SaveObjectText(*poSky, "sky.txt");
    EXPECT_NE(szText.find("MeshFilename { Boat.x }"), std::string::npos) << szText;
    szText = SaveObjectText(*Badge(), "badge.txt");
    EXPECT_NE(szText.find("Position { 1"), std::string::npos) << szText;
}

TEST_F(LogoActorTest, KindsReportTheirOwnKeywordAndWriterFaults)
{
    QIRN_LogoActor logo(QIRN_CLASS_LOGOACTOR);
    QIRN_SkyBoxActor sky(QIRN_CLASS_SKYBOXACTOR);
    BlockFile file("Render { 0 }");
    QIRN_File closed;
    qirn_test::LogCapture log;
    EXPECT_EQ(logo.InterpretKeyWord("", file.File()), GENERICERROR);
    EXPECT_EQ(sky.InterpretKeyWord("", file.File()), GENERICERROR);
    EXPECT_EQ(logo.InterpretKeyWord("Render", closed), GENERICERROR);
    EXPECT_EQ(log.Count("*** QIRN_LogoActor::InterpretKeyWord(): szKeyWord is invalid\n"), 2u);
    EXPECT_EQ(log.Count("*** QIRN_SkyBoxActor::InterpretKeyWord(): szKeyWord is invalid\n"), 1u);
    EXPECT_FALSE(log.Contains("QIRN_MeshActor::InterpretKeyWord"));
    EXPECT_EQ(logo.SaveContents(closed), GENERICERROR);
    EXPECT_EQ(sky.SaveContents(closed), GENERICERROR);
    EXPECT_TRUE(log.Contains("*** QIRN_LogoActor::SaveContents(): roFile is invalid\n"));
    EXPECT_TRUE(log.Contains("*** QIRN_SkyBoxActor::SaveContents(): roFile is invalid\n"));
    // Other words go on to the mesh actor.
    EXPECT_EQ(sky.InterpretKeyWord(file.FirstWord(), file.File()), OK);
    EXPECT_EQ(sky.GetRender(), 0);
}

TEST_F(LogoActorTest, WithoutADeviceTheTransformIsLeftAloneAndTheGeometryGetsTheIdentity)
{
    ASSERT_EQ(m_poWorld->Load("scene"), OK);
    QIRN_LogoActor* poBadge = Badge();
    QIRN_Matrix4 m;
    for (int i = 0; i < 16; ++i)
    {
        m.Data()[i] = 7.0f;
    }
    EXPECT_EQ(poBadge->GetTransform(&m), OK);
    EXPECT_FLOAT_EQ(m._11, 7.0f);
    EXPECT_FLOAT_EQ(m._44, 7.0f);
    qirn_test::LogCapture log;
    EXPECT_EQ(poBadge->GetTransform(nullptr), INVALIDPARAMS);
    EXPECT_TRUE(log.Contains("*** QIRN_LogoActor::GetTransform() - oDest is NULL\n"));

    poBadge->GetMesh()->SetTransform(m);
    ASSERT_EQ(m_poWorld->UpdateWorld(0.1f), OK);
    QIRN_Matrix4 identity;
    Matrix_Identity(&identity);
    for (int i = 0; i < 16; ++i)
    {
        EXPECT_FLOAT_EQ(poBadge->GetMesh()->m_oTransform.Data()[i], identity.Data()[i]) << i;
    }
}

TEST_F(LogoActorTest, ALogoStaysInPlaceBeforeTheCamera)
{
    RecordingGraphics graphics(Engine());
    graphics.Install();
    ASSERT_EQ(m_poWorld->Load("scene"), OK);
    QIRN_LogoActor* poBadge = Badge();
    // Only the position counts: no rotation, no scale.
    QIRN_Matrix4 m;
    ASSERT_EQ(poBadge->GetTransform(&m), OK);
    QIRN_Matrix4 expected;
    Matrix_Translation(1.0f, 2.0f, 3.0f, &expected);
    for (int i = 0; i < 16; ++i)
    {
        EXPECT_NEAR(m.Data()[i], expected.Data()[i], 1e-6f) << i;
    }
    ASSERT_EQ(m_poWorld->UpdateWorld(0.1f), OK);
    EXPECT_FLOAT_EQ(poBadge->GetMesh()->m_oTransform._43, 3.0f);

    // As a renderer places it: the logo's transform, then the inverse of the camera's view.
    poBadge->SetPosition(QIRN_Vector4(0.0f, 0.0f, 10.0f, 1.0f));
    QIRN_CameraActor camera(QIRN_CLASS_CAMERAACTOR);
    const QIRN_Vector4 places[] = {QIRN_Vector4(0, 0, 0, 1), QIRN_Vector4(5, -2, 7, 1),
                                   QIRN_Vector4(-3, 4, 1, 1)};
    const QIRN_Vector4 turns[] = {QIRN_Vector4(0, 0, 0, 1), QIRN_Vector4(20, 45, 0, 1),
                                  QIRN_Vector4(-10, 170, 30, 1)};
    for (int i = 0; i < 3; ++i)
    {
        camera.SetPosition(places[i]);
        camera.SetRotation(turns[i]);
        QIRN_ViewMatrix view;
        ASSERT_EQ(camera.GetTransform(&view), OK);
        QIRN_Matrix4 inverse, world, logo;
        ASSERT_EQ(Matrix_Invert(&view, &inverse), 0);
        ASSERT_EQ(poBadge->GetTransform(&logo), OK);
        Matrix_Multiply(&logo, &inverse, &world);
        QIRN_Vector4 vInView = Transform(view, Transform(world, QIRN_Vector4(0, 0, 0, 1)));
        EXPECT_NEAR(vInView.x, 0.0f, 1e-4f) << i;
        EXPECT_NEAR(vInView.y, 0.0f, 1e-4f) << i;
        EXPECT_NEAR(vInView.z, 10.0f, 1e-4f) << i;
    }
}
