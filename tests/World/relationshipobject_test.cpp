#include "mesh_test_support.h"
#include "qirn_cameraactor.h"
#include "qirn_lightactor.h"
#include "qirn_meshactor.h"
#include "qirn_relationshipobject.h"
#include "qirn_world.h"
#include "world_test_support.h"

#include <gtest/gtest.h>

#include <string>

using namespace world_test;

namespace
{
// A boat that sails, a lamp, a fog, and a camera and a buoy to move around.
const char* const ACTORS = " QIRN_MeshActor { Name { Boat } Position { 100 0 0 1 } AnimationOffset { 0.25 }\n"
                           "  FrustumCullingMode { 1 } MeshFilename { boat.x } }\n"
                           " QIRN_LightActor { Name { Lamp } Position { 1 2 3 1 } }\n"
                           " QIRN_Fog { Name { Murk } }\n"
                           " QIRN_CameraActor { Name { Cam } }\n"
                           " QIRN_BaseActor { Name { Buoy } Rotation { 10 20 30 1 } Azimuth { 15 }\n"
                           "  Elevation { -20 } LookAt { 0 0 9 1 } PrimaryOrientationMode { 4 }\n"
                           "  SecondaryOrientationMode { 3 } }\n";

class RelationshipTest : public WorldFixture
{
protected:
    void SetUp() override
    {
        WorldFixture::SetUp();
        qirn_test::WriteFile("boat.x", BOAT_X);
    }

    QIRN_ErrorCode LoadRelationships(const std::string& szBlocks)
    {
        qirn_test::WriteFile("scene.w", std::string("qirn_world_version2.0 {\n") + ACTORS + szBlocks + "}\n");
        return m_poWorld->Load("scene");
    }

    QIRN_RelationshipObject* Relationship(const std::string& szName)
    {
        auto* poNode = m_poWorld->m_oRelationshipObjectList.FindNode(szName);
        return poNode ? dynamic_cast<QIRN_RelationshipObject*>(poNode->m_pData) : nullptr;
    }

    QIRN_BaseActor* Actor(const std::string& szName)
    {
        return dynamic_cast<QIRN_BaseActor*>(m_poWorld->FindObject(szName));
    }
};

void ExpectVector(const QIRN_Vector4& v, float x, float y, float z)
{
    EXPECT_NEAR(v.x, x, 1e-4f);
    EXPECT_NEAR(v.y, y, 1e-4f);
    EXPECT_NEAR(v.z, z, 1e-4f);
}
} // namespace

TEST_F(RelationshipTest, ActorTargetsCopyPositionLookAtAndScale)
{
    qirn_test::LogCapture log;
    ASSERT_EQ(LoadRelationships(
                  " QIRN_RelationshipObject { Name { Follow } DependantActorName { Cam }\n"
                  "  PositionTargetActorName { Lamp } LookAtTargetActorName { Buoy }\n"
                  "  ScaleTargetActorName { Buoy } }\n"
                  " QIRN_RelationshipObject { Name { Idle } Active { 0 } DependantActorName { Buoy }\n"
                  "  PositionTargetActorName { Lamp } }\n"),
              OK)
        << log.All();
    QIRN_RelationshipObject* poFollow = Relationship("Follow");
    ASSERT_NE(poFollow, nullptr);
    EXPECT_EQ(poFollow->GetDependantActor(), Actor("Cam"));
    EXPECT_EQ(poFollow->GetPositionTargetActor(), Actor("Lamp"));

    Actor("Buoy")->SetPosition(QIRN_Vector4(0, 0, 5, 1));
    Actor("Buoy")->SetScale(QIRN_Vector4(2, 3, 4, 1));
    ASSERT_EQ(m_poWorld->UpdateWorld(0.1f), OK);
    QIRN_BaseActor* poCam = Actor("Cam");
    ExpectVector(poCam->GetPosition(), 1, 2, 3);
    EXPECT_EQ(poCam->GetPrimaryOrientationMode(), QIRN_ORIENT_LOOKAT);
    ExpectVector(poCam->GetLookAtVector(), 0, 0, 5);
    // The scale of the buoy's whole placement.
    ExpectVector(poCam->GetScale(), 2, 3, 4);

    // The lamp moves: the camera follows in the next frame. The inactive one leaves the buoy alone.
    Actor("Lamp")->SetPosition(QIRN_Vector4(-4, 0, 8, 1));
    ASSERT_EQ(m_poWorld->UpdateWorld(0.1f), OK);
    ExpectVector(poCam->GetPosition(), -4, 0, 8);
    ExpectVector(Actor("Buoy")->GetPosition(), 0, 0, 5);

    // Saved in keyword order, then the name.
    std::string szText = SaveObjectText(*poFollow, "follow.txt");
    size_t nBone = szText.find("LookAtTargetBoneName");
    size_t nDependant = szText.find("DependantActorName { Cam }");
    size_t nRotation = szText.find("RotationTargetActorName");
    size_t nName = szText.find("Name { Follow }");
    ASSERT_NE(nName, std::string::npos) << szText;
    EXPECT_LT(nBone, nDependant);
    EXPECT_LT(nDependant, nRotation);
    EXPECT_LT(nRotation, nName);
}

// Where a point of the world lies in the camera's view: straight ahead is (0, 0, distance).
QIRN_Vector4 InView(QIRN_BaseActor* poActor, const QIRN_Vector4& v)
{
    QIRN_ViewMatrix view;
    dynamic_cast<QIRN_CameraActor*>(poActor)->GetTransform(&view);
    return QIRN_Vector4(v.x * view._11 + v.y * view._21 + v.z * view._31 + view._41,
                        v.x * view._12 + v.y * view._22 + v.z * view._32 + view._42,
                        v.x * view._13 + v.y * view._23 + v.z * view._33 + view._43, 1.0f);
}

TEST_F(RelationshipTest, ALookAtTargetTurnsTheCameraAsItMoves)
{
    // A mesh without a culling mode keeps no bounding box: the camera watches where it stands,
    // moved by its path, and turns with it.
    qirn_test::LogCapture log;
    ASSERT_EQ(LoadRelationships(" QIRN_MeshActor { Name { Skiff } Position { 0 0 50 1 } MeshFilename { boat.x } }\n"
                                " QIRN_RelationshipObject { Name { Watch } DependantActorName { Cam }\n"
                                "  LookAtTargetActorName { Skiff } }\n"),
              OK)
        << log.All();
    QIRN_BaseActor* poCam = Actor("Cam");
    QIRN_BaseActor* poSkiff = Actor("Skiff");
    ASSERT_EQ(m_poWorld->UpdateWorld(0.1f), OK);
    ExpectVector(poCam->GetLookAtVector(), 0, 0, 50);
    ExpectVector(InView(poCam, QIRN_Vector4(0, 0, 50, 1)), 0, 0, 50);

    poSkiff->SetPosition(QIRN_Vector4(50, 0, 50, 1));
    ASSERT_EQ(m_poWorld->UpdateWorld(0.1f), OK);
    ExpectVector(poCam->GetLookAtVector(), 50, 0, 50);
    ExpectVector(InView(poCam, QIRN_Vector4(50, 0, 50, 1)), 0, 0, 70.710678f);

    // A path moves the skiff without changing its place: the camera follows the path.
    poSkiff->m_vAnimationOffset = QIRN_Vector4(-100, 0, 0, 1);
    ASSERT_EQ(m_poWorld->UpdateWorld(0.1f), OK);
    ExpectVector(poCam->GetLookAtVector(), -50, 0, 50);
    ExpectVector(InView(poCam, QIRN_Vector4(-50, 0, 50, 1)), 0, 0, 70.710678f);
}

TEST_F(RelationshipTest, ARotationTargetHandsOverItsWholeOrientation)
{
    ASSERT_EQ(LoadRelationships(" QIRN_RelationshipObject { Name { Turn } DependantActorName { Cam }\n"
                                "  RotationTargetActorName { Buoy } }\n"),
              OK);
    QIRN_BaseActor* poBuoy = Actor("Buoy");
    poBuoy->SetRoll(12.0f);
    poBuoy->SetTertiaryOrientationMode(QIRN_ORIENT_ROTATIONXYZ);
    poBuoy->m_vAnimationRotation = QIRN_Vector4(1, 2, 3, 1);
    ASSERT_EQ(m_poWorld->UpdateWorld(0.1f), OK);
    QIRN_BaseActor* poCam = Actor("Cam");
    EXPECT_EQ(poCam->GetPrimaryOrientationMode(), QIRN_ORIENT_AZIMUTHELEVATION);
    EXPECT_EQ(poCam->GetSecondaryOrientationMode(), QIRN_ORIENT_YAWPITCHROLL);
    EXPECT_EQ(poCam->GetTertiaryOrientationMode(), QIRN_ORIENT_ROTATIONXYZ);
    EXPECT_EQ(poCam->GetQuaternaryOrientationMode(), QIRN_ORIENT_NONE);
    ExpectVector(poCam->GetRotation(), 10, 20, 30);
    ExpectVector(poCam->GetLookAtVector(), 0, 0, 9);
    EXPECT_FLOAT_EQ(poCam->GetRoll(), 12.0f);
    EXPECT_FLOAT_EQ(poCam->GetAzimuth(), 15.0f);
    EXPECT_FLOAT_EQ(poCam->GetElevation(), poBuoy->GetElevation());
    ExpectVector(poCam->GetAnimationRotation(), 1, 2, 3);
}

TEST_F(RelationshipTest, BoneTargetsFollowTheFrameAtTheGeometrysTime)
{
    qirn_test::LogCapture log;
    ASSERT_EQ(LoadRelationships(" QIRN_RelationshipObject { Name { Rig } DependantActorName { Buoy }\n"
                                "  PositionTargetActorName { Boat } PositionTargetBoneName { Mast }\n"
                                "  RotationTargetActorName { Boat } RotationTargetBoneName { Mast }\n"
                                "  ScaleTargetActorName { Boat } ScaleTargetBoneName { Mast } }\n"
                                " QIRN_RelationshipObject { Name { Watch } DependantActorName { Cam }\n"
                                "  PositionTargetActorName { Boat } }\n"),
              OK)
        << log.All();
    ASSERT_EQ(m_poWorld->UpdateWorld(0.5f), OK);
    // The boat's animation step set its geometry to its time (0) plus the offset (0.25): the boat
    // frame has sailed 2.5, the mast stands 3 above it. Model space: the actor's place is not in it.
    QIRN_BaseActor* poBuoy = Actor("Buoy");
    ExpectVector(poBuoy->GetPosition(), 2.5f, 3.0f, 0.0f);
    EXPECT_FLOAT_EQ(dynamic_cast<QIRN_MeshActor*>(Actor("Boat"))->GetMesh()->GetTime(), 0.25f);
    ExpectVector(poBuoy->GetScale(), 1, 1, 1);
    EXPECT_EQ(poBuoy->GetPrimaryOrientationMode(), QIRN_ORIENT_ROTATIONXYZ);
    EXPECT_EQ(poBuoy->GetSecondaryOrientationMode(), QIRN_ORIENT_NONE);
    EXPECT_EQ(poBuoy->GetTertiaryOrientationMode(), QIRN_ORIENT_NONE);
    ExpectVector(poBuoy->GetRotation(), 0, 0, 0);
    // Without a bone a mesh target gives the centre of its bounding sphere, posed by the bone parts
    // above with the boat's placement.
    QIRN_BoundingSphere sphere = dynamic_cast<QIRN_MeshActor*>(Actor("Boat"))->GetMesh()->GetBoundingSphere();
    ExpectVector(Actor("Cam")->GetPosition(), sphere.m_vCenter.x, sphere.m_vCenter.y, sphere.m_vCenter.z);
    EXPECT_GT(sphere.m_vCenter.x, 100.0f);

    ASSERT_EQ(m_poWorld->UpdateWorld(0.5f), OK);
    ExpectVector(poBuoy->GetPosition(), 7.5f, 3.0f, 0.0f);

    // Within a frame the boat is posed once: its later bone parts read the same pose.
    QIRN_MeshActor* poBoat = dynamic_cast<QIRN_MeshActor*>(Actor("Boat"));
    poBoat->GetMesh()->SetTime(0.0f);
    ASSERT_EQ(Relationship("Rig")->UpdatePositionTarget(), OK);
    ExpectVector(poBuoy->GetPosition(), 7.5f, 3.0f, 0.0f);
    // A new frame poses it again.
    QIRN_RelationshipObject::ResetFrameState();
    ASSERT_EQ(Relationship("Rig")->UpdatePositionTarget(), OK);
    ExpectVector(poBuoy->GetPosition(), 0.0f, 3.0f, 0.0f);
}

TEST_F(RelationshipTest, NamesThatCannotBeResolved)
{
    struct Case
    {
        const char* szBlock;
        bool bKept;
        std::vector<const char*> vLines;
    };
    const Case cases[] = {
        // Unknown actors leave their part idle.
        {"DependantActorName { Nobody } PositionTargetActorName { Lamp }", true, {}},
        {"DependantActorName { Cam } PositionTargetActorName { Nobody }", true, {}},
        // A fog is no actor: neither dependant nor target.
        {"DependantActorName { Murk } PositionTargetActorName { Lamp }",
         true,
         {"*** QIRN_RelationshipObject::SetDependantActor() - Actor 'Murk' not found\n"}},
        {"DependantActorName { Cam } ScaleTargetActorName { Murk }",
         true,
         {"*** QIRN_RelationshipObject::SetScaleActorTarget() - Actor 'Murk' not found\n"}},
        // Bones must exist, on a mesh actor.
        {"DependantActorName { Cam } PositionTargetActorName { Boat } PositionTargetBoneName { Keel }",
         false,
         {"*** GetBoneMatrix() - poNode is NULL. Node Keel Not Found\n",
          "*** QIRN_RelationshipObject::SetPositionTarget() - m_pmatPositiionTargetBoneMatrix is NULL\n",
          "*** QIRN_RelationshipObject::PostLoad() - SetPositionTargetBone() FAILED\n",
          "*** QIRN_World::InterpretKeyword() - m_poRelationshipObject->PostLoad() FAILED\n"}},
        {"DependantActorName { Cam } LookAtTargetActorName { Lamp } LookAtTargetBoneName { Mast }",
         false,
         {"*** QIRN_RelationshipObject::SetLookAtTarget() - poMeshActor is NULL\n",
          "*** QIRN_RelationshipObject::PostLoad() - SetLookAtTargetBone() FAILED\n"}},
        {"DependantActorName { Cam } RotationTargetActorName { Nobody } RotationTargetBoneName { Mast }",
         false,
         {"*** QIRN_RelationshipObject::SetRotationTarget() - m_poRotationTargetActor is NULL\n",
          "*** QIRN_RelationshipObject::PostLoad() - SetRotationTargetBone() FAILED\n"}},
        {"DependantActorName { Cam } ScaleTargetActorName { Murk } ScaleTargetBoneName { Mast }",
         false,
         {"*** QIRN_RelationshipObject::SetRotationTarget() - m_poScaleTargetActor is NULL\n"}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.szBlock);
        ASSERT_EQ(m_poWorld->InitWorld(), OK);
        qirn_test::LogCapture log;
        ASSERT_EQ(
            LoadRelationships(std::string(" QIRN_RelationshipObject { Name { R } ") + c.szBlock + " }\n"),
            OK);
        QIRN_RelationshipObject* poRelationship = Relationship("R");
        EXPECT_EQ(poRelationship != nullptr, c.bKept);
        for (const char* szLine : c.vLines)
        {
            EXPECT_TRUE(log.Contains(szLine)) << log.All();
        }
        // Whatever is kept runs without touching anything that is not an actor.
        EXPECT_EQ(m_poWorld->UpdateWorld(0.1f), OK);
        if (poRelationship)
        {
            EXPECT_EQ(poRelationship->GetScaleTargetActor(), nullptr);
        }
    }
}

TEST_F(RelationshipTest, RemovingAnActorEndsItsRelationships)
{
    ASSERT_EQ(LoadRelationships(" QIRN_RelationshipObject { Name { Follow } DependantActorName { Cam }\n"
                                "  PositionTargetActorName { Lamp } ScaleTargetActorName { Boat } }\n"
                                " QIRN_RelationshipObject { Name { Carry } DependantActorName { Lamp }\n"
                                "  PositionTargetActorName { Boat } PositionTargetBoneName { Mast } }\n"),
              OK);
    ASSERT_EQ(m_poWorld->UpdateWorld(0.1f), OK);

    // The target goes: the part stops, its name stays.
    ASSERT_EQ(m_poWorld->RemoveObject("Boat"), OK);
    QIRN_RelationshipObject* poFollow = Relationship("Follow");
    ASSERT_NE(poFollow, nullptr);
    EXPECT_EQ(poFollow->GetScaleTargetActor(), nullptr);
    EXPECT_EQ(poFollow->m_strScaleTargetActorName, "Boat");
    EXPECT_EQ(poFollow->GetPositionTargetActor(), Actor("Lamp"));
    QIRN_RelationshipObject* poCarry = Relationship("Carry");
    ASSERT_NE(poCarry, nullptr);
    EXPECT_EQ(poCarry->GetPositionTargetActor(), nullptr);
    EXPECT_EQ(poCarry->m_pmatPositiionTargetBoneMatrix, nullptr);
    EXPECT_EQ(poCarry->m_strPositionTargetBoneName, "");
    ASSERT_EQ(m_poWorld->UpdateWorld(0.1f), OK);

    // The dependant goes: its relationship goes with it.
    ASSERT_EQ(m_poWorld->RemoveObject("Lamp"), OK);
    EXPECT_EQ(Relationship("Carry"), nullptr);
    EXPECT_EQ(Relationship("Follow")->GetPositionTargetActor(), nullptr);
    ASSERT_EQ(m_poWorld->UpdateWorld(0.1f), OK);
}

TEST_F(RelationshipTest, OperationFaults)
{
    QIRN_RelationshipObject loose(QIRN_CLASS_RELATIONSHIPOBJECT);
    qirn_test::LogCapture log;
    EXPECT_EQ(loose.SetDependantActor("Cam"), GENERICERROR);
    EXPECT_EQ(loose.SetLookAtActorTarget("Cam"), GENERICERROR);
    EXPECT_EQ(loose.SetPositionTarget("", "Mast"), GENERICERROR);
    EXPECT_EQ(loose.SetScaleTarget("Boat", "Mast"), GENERICERROR);
    EXPECT_EQ(loose.PostLoad(), GENERICERROR);
    for (const char* szLine :
         {"*** QIRN_RelationshipObject::SetDependantActor() - m_poWorld is NULL\n",
          "*** QIRN_RelationshipObject::SetLookAtActorTarget() - m_poWorld is NULL\n",
          "*** QIRN_RelationshipObject::SetPositionTarget() - strActorName is EMPTY\n",
          "*** QIRN_RelationshipObject::SetScaleTarget() - m_poWorld is NULL\n",
          "*** QIRN_RelationshipObject::PostLoad() - m_strDependantActorName is EMPTY\n"})
    {
        EXPECT_TRUE(log.Contains(szLine)) << szLine;
    }
    EXPECT_EQ(QIRN_RelationshipObject::GetBoneMatrix(nullptr, "Mast"), nullptr);
    EXPECT_EQ(QIRN_RelationshipObject::UpdateMeshHierarchy(nullptr), GENERICERROR);
    QIRN_MeshActor bare(QIRN_CLASS_MESHACTOR);
    EXPECT_EQ(QIRN_RelationshipObject::GetBoneMatrix(&bare, ""), nullptr);
    EXPECT_EQ(QIRN_RelationshipObject::GetBoneMatrix(&bare, "Mast"), nullptr);
    EXPECT_EQ(QIRN_RelationshipObject::UpdateMeshHierarchy(&bare), GENERICERROR);
    for (const char* szLine :
         {"*** GetBoneMatrix() - poMeshActor is NULL\n", "*** UpdateMeshHierarchy() - poMeshActor is NULL\n",
          "*** GetBoneMatrix() - strBoneName is EMPTY\n", "*** GetBoneMatrix() - poGeometry is NULL\n",
          "*** UpdateMeshHierarchy() - poGeometry is NULL\n"})
    {
        EXPECT_TRUE(log.Contains(szLine)) << szLine;
    }

    BlockFile file("DependantActorName x");
    EXPECT_EQ(loose.InterpretKeyWord(file.FirstWord(), file.File()), FILEREAD_ERROR);
    EXPECT_TRUE(
        log.Contains("*** QIRN_RelationshipObject::InterpretKeyWord() - Error reading DependantActorName\n"));
    QIRN_File closed;
    EXPECT_EQ(loose.SaveContents(closed), GENERICERROR);
    EXPECT_TRUE(log.Contains(
        "*** QIRN_RelationshipObject::SaveContents(): foFile is invalid. Can't save contents\n"));
}
