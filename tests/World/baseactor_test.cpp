#include "qirn_animationsequence.h"
#include "qirn_baseactor.h"
#include "qirn_test_support.h"
#include "qirn_world.h"
#include "world_test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

using world_test::BlockFile;
using world_test::ReadText;

namespace
{
QIRN_Vector4 Transform(const QIRN_Matrix4& m, const QIRN_Vector4& v)
{
    QIRN_Vector4 out;
    Vector_TransformCoord(&m, &v, &out);
    return out;
}

void ExpectNear(const QIRN_Vector4& actual, const QIRN_Vector4& expected)
{
    EXPECT_NEAR(actual.x, expected.x, 1e-4f);
    EXPECT_NEAR(actual.y, expected.y, 1e-4f);
    EXPECT_NEAR(actual.z, expected.z, 1e-4f);
}

void ExpectIdentity(const QIRN_Matrix4& m)
{
    for (int i = 0; i < 16; ++i)
    {
        EXPECT_NEAR(m.Data()[i], (i % 5 == 0) ? 1.0f : 0.0f, 1e-5f) << "element " << i;
    }
}

QIRN_Vector4 V(float x, float y, float z)
{
    return QIRN_Vector4(x, y, z, 1.0f);
}

class BaseActorTest : public world_test::WorldFixture
{
protected:
    QIRN_BaseActor* NewActor(const std::string& szName)
    {
        QIRN_BaseObject* poObject = m_poWorld->CreateObject(szName, QIRN_CLASS_BASEACTOR);
        EXPECT_NE(poObject, nullptr);
        EXPECT_EQ(m_poWorld->AddObject(poObject), OK);
        return static_cast<QIRN_BaseActor*>(poObject);
    }

    QIRN_Shader* AddShader(const std::string& szName)
    {
        QIRN_Shader* poShader = new QIRN_Shader();
        poShader->SetName(szName);
        m_poWorld->GetShaderTree()->InsertNode(szName, poShader);
        return poShader;
    }

    int Uses(const std::string& szShader)
    {
        QIRN_BINARYTREENODE<QIRN_Shader>* poNode = m_poWorld->GetShaderTree()->FindNode(szShader);
        return poNode ? poNode->m_iRefCount : -100;
    }
};

struct PlacementCase
{
    const char* szName;
    std::function<void(QIRN_BaseActor&)> setup;
    QIRN_Vector4 vModel;
    QIRN_Vector4 vExpected;
};
} // namespace

TEST_F(BaseActorTest, DefaultPlacementIsTheIdentity)
{
    QIRN_BaseActor actor(QIRN_CLASS_BASEACTOR);
    EXPECT_EQ(actor.GetPrimaryOrientationMode(), QIRN_ORIENT_YAWPITCHROLL);
    EXPECT_EQ(actor.GetSecondaryOrientationMode(), QIRN_ORIENT_NONE);
    QIRN_Matrix4 m;
    ASSERT_EQ(actor.GetTransform(&m), OK);
    ExpectIdentity(m);
    qirn_test::LogCapture log;
    EXPECT_EQ(actor.GetTransform(nullptr), INVALIDPARAMS);
    EXPECT_TRUE(log.Contains("*** QIRN_BaseActor::GetTransform() - oDest is NULL\n"));
}

TEST_F(BaseActorTest, PlacementOfEachOrientationMode)
{
    const PlacementCase cases[] = {
        {"scale then position",
         [](QIRN_BaseActor& a)
         {
             a.SetPrimaryOrientationMode(QIRN_ORIENT_NONE);
             a.SetScale(QIRN_Vector4(2, 2, 2, 1));
             a.SetPosition(V(1, 2, 3));
         },
         V(1, 0, 0), V(3, 2, 3)},
        {"yaw-pitch-roll about y", [](QIRN_BaseActor& a) { a.SetRotation(V(0, 90, 0)); }, V(1, 0, 0),
         V(0, 0, -1)},
        // Mode 3 turns x, then z, then y; mode 5 x, y, z.
        {"yaw-pitch-roll order", [](QIRN_BaseActor& a) { a.SetRotation(V(0, 90, 90)); }, V(1, 0, 0),
         V(0, 1, 0)},
        {"rotation x.y.z order",
         [](QIRN_BaseActor& a)
         {
             a.SetPrimaryOrientationMode(QIRN_ORIENT_ROTATIONXYZ);
             a.SetRotation(V(0, 90, 90));
         },
         V(1, 0, 0), V(0, 0, -1)},
        {"azimuth",
         [](QIRN_BaseActor& a)
         {
             a.SetPrimaryOrientationMode(QIRN_ORIENT_AZIMUTHELEVATION);
             a.SetAzimuth(90);
         },
         V(0, 0, 1), V(1, 0, 0)},
        {"elevation as the file gives it",
         [](QIRN_BaseActor& a)
         {
             a.SetPrimaryOrientationMode(QIRN_ORIENT_AZIMUTHELEVATION);
             a.m_fElevation = 30;
         },
         V(0, 0, 1), V(0, -0.5f, 0.8660254f)},
        {"elevation through the setter",
         [](QIRN_BaseActor& a)
         {
             a.SetPrimaryOrientationMode(QIRN_ORIENT_AZIMUTHELEVATION);
             a.SetElevation(30);
         },
         V(0, 0, 1), V(0, 0.5f, 0.8660254f)},
        {"look-at from the origin",
         [](QIRN_BaseActor& a) { a.SetPrimaryOrientationMode(QIRN_ORIENT_LOOKAT); }, V(0.3f, 0.2f, 0.1f),
         V(0.3f, 0.2f, 0.1f)},
        {"look-at carries the position once",
         [](QIRN_BaseActor& a)
         {
             a.SetPrimaryOrientationMode(QIRN_ORIENT_LOOKAT);
             a.SetPosition(V(5, 0, 0));
             a.SetLookAtVector(V(5, 0, 10));
         },
         V(0, 0, 0), V(5, 0, 0)},
        {"look-at sideways",
         [](QIRN_BaseActor& a)
         {
             a.SetPrimaryOrientationMode(QIRN_ORIENT_LOOKAT);
             a.SetLookAtVector(V(1, 0, 0));
         },
         V(0, 0, 1), V(1, 0, 0)},
        {"look-at roll",
         [](QIRN_BaseActor& a)
         {
             a.SetPrimaryOrientationMode(QIRN_ORIENT_LOOKAT);
             a.SetRoll(90);
         },
         V(1, 0, 0), V(0, 1, 0)},
        // A later look-at carries the position too, and the translation comes on top.
        {"secondary look-at",
         [](QIRN_BaseActor& a)
         {
             a.SetPrimaryOrientationMode(QIRN_ORIENT_NONE);
             a.SetSecondaryOrientationMode(QIRN_ORIENT_LOOKAT);
             a.SetPosition(V(5, 0, 0));
             a.SetLookAtVector(V(5, 0, 10));
         },
         V(0, 0, 0), V(10, 0, 0)},
        // The primary mode applies first: y stays under the azimuth, then x = 90 turns it to z.
        {"stacked modes",
         [](QIRN_BaseActor& a)
         {
             a.SetPrimaryOrientationMode(QIRN_ORIENT_AZIMUTHELEVATION);
             a.SetAzimuth(90);
             a.SetSecondaryOrientationMode(QIRN_ORIENT_YAWPITCHROLL);
             a.SetRotation(V(90, 0, 0));
         },
         V(0, 1, 0), V(0, 0, 1)},
        {"animation offset",
         [](QIRN_BaseActor& a)
         {
             a.SetPosition(V(1, 1, 1));
             a.m_vAnimationOffset = V(0, 2, 0);
         },
         V(0, 0, 0), V(1, 3, 1)},
    };
    for (const PlacementCase& test : cases)
    {
        SCOPED_TRACE(test.szName);
        QIRN_BaseActor actor(QIRN_CLASS_BASEACTOR);
        test.setup(actor);
        QIRN_Matrix4 m;
        ASSERT_EQ(actor.GetTransform(&m), OK);
        ExpectNear(Transform(m, test.vModel), test.vExpected);
    }
}

TEST_F(BaseActorTest, ModesThreeAndFiveAgreeOnOneAngle)
{
    for (const QIRN_Vector4& vRotation : {V(30, 0, 0), V(0, 40, 0), V(0, 0, 50)})
    {
        QIRN_BaseActor three(QIRN_CLASS_BASEACTOR);
        QIRN_BaseActor five(QIRN_CLASS_BASEACTOR);
        three.SetRotation(vRotation);
        five.SetRotation(vRotation);
        five.SetPrimaryOrientationMode(QIRN_ORIENT_ROTATIONXYZ);
        QIRN_Matrix4 a, b;
        three.GetTransform(&a);
        five.GetTransform(&b);
        for (int i = 0; i < 16; ++i)
        {
            EXPECT_NEAR(a.Data()[i], b.Data()[i], 1e-5f);
        }
    }
}

TEST_F(BaseActorTest, InvalidModesAreRefusedOrSkipped)
{
    QIRN_BaseActor actor(QIRN_CLASS_BASEACTOR);
    qirn_test::LogCapture log;
    EXPECT_EQ(actor.SetPrimaryOrientationMode(0), INVALIDPARAMS);
    EXPECT_EQ(actor.SetQuaternaryOrientationMode(6), INVALIDPARAMS);
    EXPECT_EQ(actor.GetPrimaryOrientationMode(), QIRN_ORIENT_YAWPITCHROLL);
    EXPECT_EQ(actor.GetQuaternaryOrientationMode(), QIRN_ORIENT_NONE);
    EXPECT_TRUE(
        log.Contains("*** QIRN_BaseActor::SetPrimaryOrientationMode() - eOrientationMode is INVALID"));
    EXPECT_TRUE(
        log.Contains("*** QIRN_BaseActor::SetQuaternaryOrientationMode() - eOrientationMode is INVALID"));

    // A file may bring one in; the placement then skips that place.
    BlockFile file("QIRN_BaseActor { SecondaryOrientationMode { 7 } Position { 1 0 0 1 } }");
    ASSERT_EQ(actor.Load(file.File()), OK);
    EXPECT_EQ(actor.GetSecondaryOrientationMode(), 7u);
    log.Clear();
    QIRN_Matrix4 m;
    ASSERT_EQ(actor.GetTransform(&m), OK);
    EXPECT_TRUE(
        log.Contains("*** QIRN_BaseActor::ComputeOrientation() - Invalid or Unknown Orientation Mode\n"));
    ExpectNear(Transform(m, V(0, 0, 0)), V(1, 0, 0));
}

TEST_F(BaseActorTest, LookAtTargetsAndElevation)
{
    QIRN_BaseActor actor(QIRN_CLASS_BASEACTOR);
    actor.SetPosition(V(1, 1, 1));
    qirn_test::LogCapture log;
    EXPECT_EQ(actor.SetLookAtVector(V(1.0005f, 1, 1)), INVALIDPARAMS);
    EXPECT_TRUE(log.Messages().empty());
    EXPECT_EQ(actor.SetLookAtVector(V(1, 5, 1)), INVALIDPARAMS);
    EXPECT_TRUE(log.Contains("*** QIRN_BaseActor::SetLookAtVector() - fabs(fDot) > 0.999999f\n"));
    ExpectNear(actor.GetLookAtVector(), V(0, 0, 1));
    EXPECT_EQ(actor.SetLookAtVector(V(2, 3, 4)), OK);
    ExpectNear(actor.GetLookAtVector(), V(2, 3, 4));

    actor.SetElevation(30);
    EXPECT_FLOAT_EQ(actor.m_fElevation, -30.0f);
    EXPECT_FLOAT_EQ(actor.GetElevation(), 30.0f);
    actor.SetElevation(91);
    EXPECT_FLOAT_EQ(actor.GetElevation(), 30.0f);
}

TEST_F(BaseActorTest, TranslateLocalMovesInTheActorsFrame)
{
    QIRN_BaseActor actor(QIRN_CLASS_BASEACTOR);
    actor.SetPrimaryOrientationMode(QIRN_ORIENT_AZIMUTHELEVATION);
    actor.SetAzimuth(90);
    actor.SetScale(QIRN_Vector4(2, 2, 2, 1));
    actor.SetPosition(V(1, 0, 0));
    actor.TranslateLocal(0, 0, 1);
    ExpectNear(actor.GetPosition(), V(3, 0, 0));
}

TEST_F(BaseActorTest, KeywordsSaveAndLoadBack)
{
    QIRN_Shader* poCoral = AddShader("Coral");
    AddShader("Sand");
    const char* const szBlock = "QIRN_BaseActor {\n"
                                "  Name { Rock }\n"
                                "  Position { 1 2 3 1 } Rotation { 10 20 30 1 } LookAt { 4 5 6 1 }\n"
                                "  Azimuth { 45 } Elevation { 15 }\n"
                                "  PrimaryOrientationMode { 4 } SecondaryOrientationMode { 3 }\n"
                                "  TertiaryOrientationMode { 2 } QuaternaryOrientationMode { 5 }\n"
                                "  ShaderAssignment { Top { Coral } Base { Sand } Spare { Unknown } }\n"
                                "  AnimationFilename { }\n"
                                "}\n";
    QIRN_BaseActor* poActor = NewActor("Rock");
    BlockFile file(szBlock);
    ASSERT_EQ(poActor->Load(file.File()), OK);
    EXPECT_EQ(poActor->GetName(), "Rock");
    ExpectNear(poActor->GetPosition(), V(1, 2, 3));
    ExpectNear(poActor->GetRotation(), V(10, 20, 30));
    ExpectNear(poActor->GetLookAtVector(), V(4, 5, 6));
    EXPECT_FLOAT_EQ(poActor->GetAzimuth(), 45.0f);
    EXPECT_FLOAT_EQ(poActor->m_fElevation, 15.0f);
    EXPECT_EQ(poActor->GetTertiaryOrientationMode(), 2u);
    EXPECT_EQ(poActor->GetShaderFromSlot("Top"), poCoral);
    EXPECT_EQ(poActor->GetShaderFromSlot("Spare"), nullptr);
    EXPECT_EQ(poActor->GetAnimationFile(), "");

    QIRN_File out;
    ASSERT_EQ(out.Open("actor.txt", QIRN_FILE_WRITE), OK);
    out.StartWriteBlock("QIRN_BaseActor");
    ASSERT_EQ(poActor->SaveContents(out), OK);
    out.EndWriteBlock();
    out.Close();
    EXPECT_EQ(ReadText("actor.txt"), "QIRN_BaseActor\n{\n"
                                     "    PrimaryOrientationMode { 4 } \n"
                                     "    SecondaryOrientationMode { 3 } \n"
                                     "    TertiaryOrientationMode { 2 } \n"
                                     "    QuaternaryOrientationMode { 5 } \n"
                                     "    Position { 1 2 3 1 } \n"
                                     "    Rotation { 10 20 30 1 } \n"
                                     "    LookAt { 4 5 6 1 } \n"
                                     "    Azimuth { 45 } \n"
                                     "    Elevation { 15 } \n"
                                     "    AnimationFilename {  } \n"
                                     "    Name { Rock } \n"
                                     "    Active { 1 } \n"
                                     "    ShaderAssignment\n    {\n"
                                     "        Base { Sand } \n"
                                     "        Top { Coral } \n"
                                     "    }\n"
                                     "}\n");

    // A copy read back (made by the world, not added to it) binds the same shaders.
    QIRN_BaseActor* poCopy = static_cast<QIRN_BaseActor*>(m_poWorld->CreateObject("", QIRN_CLASS_BASEACTOR));
    ASSERT_NE(poCopy, nullptr);
    BlockFile again(ReadText("actor.txt"), "copy.txt");
    ASSERT_EQ(poCopy->Load(again.File()), OK);
    EXPECT_EQ(poCopy->GetName(), "Rock");
    EXPECT_EQ(poCopy->GetShaderFromSlot("Base"), m_poWorld->GetShaderTree()->FindNode("Sand")->m_pData);
    EXPECT_EQ(Uses("Sand"), 2);
    ExpectNear(poCopy->GetRotation(), V(10, 20, 30));
    EXPECT_EQ(poCopy->GetQuaternaryOrientationMode(), 5u);
    delete poCopy;
    EXPECT_EQ(Uses("Sand"), 1);
}

TEST_F(BaseActorTest, KeywordFailures)
{
    struct Case
    {
        const char* szText;
        QIRN_ErrorCode expected;
        const char* szLine;
    };
    const Case cases[] = {
        {"A { Position { 1 2 x 4 } }", FILEREAD_ERROR,
         "*** QIRN_BaseActor::InterpretKeyWord():Error reading m_vPosition\n"},
        {"A { Azimuth { } }", FILEREAD_ERROR,
         "*** QIRN_BaseActor::InterpretKeyWord():Error reading m_fAzimuth\n"},
        {"A { ShaderAssignment Top }", FILEREAD_ERROR,
         "*** QIRN_BaseActor::ReadShaderAssignments() - ERROR: '{' expected!\n"},
        {"A { AnimationFilename { missing.x } }", FILEREAD_ERROR,
         "*** QIRN_BaseActor::InterpretKeyWord() - Error loading animation sequences\n"},
        {"A { Colour { 1 } Name { n } }", OK,
         "*** QIRN_BaseObject::LoadContents():Encountered Unknown block keyword. Skipping\n"},
    };
    for (const Case& test : cases)
    {
        SCOPED_TRACE(test.szText);
        QIRN_BaseActor actor(QIRN_CLASS_BASEACTOR);
        qirn_test::LogCapture log;
        BlockFile file(test.szText);
        EXPECT_EQ(actor.Load(file.File()), test.expected);
        EXPECT_TRUE(log.Contains(test.szLine)) << log.All();
    }
    QIRN_BaseActor actor(QIRN_CLASS_BASEACTOR);
    BlockFile file("x");
    qirn_test::LogCapture log;
    EXPECT_EQ(actor.InterpretKeyWord("", file.File()), GENERICERROR);
    EXPECT_TRUE(log.Contains("*** QIRN_BaseActor:InterpretKeyWord(): szKeyWord is invalid\n"));
    EXPECT_EQ(actor.LoadAnimationFromFile(""), FILEREAD_ERROR);
    EXPECT_TRUE(log.Contains("*** QIRN_BaseActor::LoadAnimationFromFile() - Error loading animation file\n"));
}

TEST_F(BaseActorTest, ShaderSlotsMoveUseCounts)
{
    QIRN_Shader* poA = AddShader("A");
    QIRN_Shader* poB = AddShader("B");
    QIRN_BaseActor* poFirst = NewActor("first");
    QIRN_BaseActor* poSecond = NewActor("second");

    EXPECT_EQ(poFirst->SetShaderAssignment("Skin", poA), OK);
    EXPECT_EQ(poFirst->SetShaderAssignment("Eyes", poB), OK);
    EXPECT_EQ(poSecond->SetShaderAssignment("Skin", poB), OK);
    EXPECT_EQ(poSecond->SetShaderAssignment("Sky", m_poWorld->GetWorldShader()), OK);
    EXPECT_EQ(Uses("A"), 1);
    EXPECT_EQ(Uses("B"), 2);
    EXPECT_EQ(Uses("WorldShader"), 2);

    // Reassigning moves one use; NULL only removes one.
    poFirst->SetShaderAssignment("Skin", poB);
    EXPECT_EQ(Uses("A"), 0);
    EXPECT_EQ(Uses("B"), 3);
    poFirst->SetShaderAssignment("Skin", nullptr);
    EXPECT_EQ(Uses("B"), 2);
    EXPECT_EQ(poFirst->GetShaderFromSlot("Skin"), nullptr);
    qirn_test::LogCapture log;
    EXPECT_EQ(poFirst->GetShaderFromSlot("Fins"), nullptr);
    EXPECT_TRUE(log.Contains("QIRN_BaseActor::GetShaderFromSlot() - Shader 'Fins' not found\n"));

    // The last actor to let go of a shader removes it from the world.
    ASSERT_EQ(m_poWorld->RemoveObject("first"), OK);
    EXPECT_EQ(Uses("B"), 1);
    ASSERT_EQ(m_poWorld->RemoveObject("second"), OK);
    EXPECT_EQ(m_poWorld->GetShaderTree()->FindNode("B"), nullptr);
    EXPECT_EQ(Uses("WorldShader"), 1);
    EXPECT_NE(m_poWorld->GetShaderTree()->FindNode("A"), nullptr);
}

namespace
{
class CountingActor : public QIRN_BaseActor
{
public:
    CountingActor() : QIRN_BaseActor("CountingActor") {}
    QIRN_ErrorCode GetTransform(QIRN_Matrix4* oDest) override
    {
        ++m_iCalls;
        return QIRN_BaseActor::GetTransform(oDest);
    }
    int m_iCalls = 0;
};
} // namespace

TEST_F(BaseActorTest, UpdateAsksForThePlacementOnceAndAdvancesTheClock)
{
    CountingActor actor;
    EXPECT_EQ(actor.Update(0.25f), OK);
    EXPECT_EQ(actor.m_iCalls, 1);
    EXPECT_FLOAT_EQ(actor.GetTime(), 0.25f);
}

TEST_F(BaseActorTest, AnimationFromAnXFileDrivesTheOffsetAndRotation)
{
    // A translation track of (1, 2, 3) and the quarter turn about z of the fixture.
    qirn_test::WriteFile("slide.x",
                         "xof 0302txt 0032\n"
                         "Frame Body { FrameTransformMatrix { 1.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0,\n"
                         "  0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 0.0, 1.0;; } }\n"
                         "Frame Other { FrameTransformMatrix { 1.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0,\n"
                         "  0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 0.0, 1.0;; } }\n"
                         "AnimationSet Slide {\n"
                         "  Animation { { Body } AnimationKey { 2; 2; 0; 3; 1.0, 2.0, 3.0;;, "
                         "1000; 3; 1.0, 2.0, 3.0;;; } }\n"
                         "  Animation { { Other } AnimationKey { 2; 1; 0; 3; 9.0, 9.0, 9.0;;; } }\n"
                         "  Animation { { Body } AnimationKey { 0; 2; 0; 4; 1.0, 0.0, 0.0, 0.0;;, "
                         "1000; 4; 0.707107, 0.0, 0.0, 0.707107;;; } }\n"
                         "}\n");
    QIRN_BaseActor* poActor = NewActor("Diver");
    poActor->SetPosition(V(10, 0, 0));
    qirn_test::LogCapture log;
    BlockFile file("QIRN_BaseActor { AnimationFilename { slide.x } }");
    ASSERT_EQ(poActor->Load(file.File()), OK) << log.All();
    EXPECT_TRUE(log.Contains("*** QIRN_XFILE::LoadAnimationSequences(): Load successful.\n"));
    EXPECT_EQ(poActor->GetAnimationFile(), "slide.x");
    // Only the first frame's tracks, rotation before translation.
    ASSERT_EQ(poActor->m_oAnimationSequences.size(), 2u);
    EXPECT_EQ(poActor->m_oAnimationSequences.front()->GetKeyKind(), 1);

    // Evaluated at the time before the step: at 0 the rotation has not started.
    poActor->Update(1.0f);
    ExpectNear(poActor->GetAnimationOffset(), V(-1, 3, 2));
    ExpectNear(poActor->GetAnimationRotation(), V(0, 0, 0));
    poActor->Update(0.0f);
    EXPECT_NEAR(fabsf(poActor->GetAnimationRotation().z), 90.0f, 0.01f);
    EXPECT_NEAR(poActor->GetAnimationRotation().x, 0.0f, 0.01f);
    ExpectNear(poActor->GetPosition(), V(10, 0, 0));
    QIRN_Matrix4 m;
    poActor->SetRotation(V(0, 0, 0));
    poActor->GetTransform(&m);
    ExpectNear(Transform(m, V(0, 0, 0)), V(9, 3, 2));

    EXPECT_EQ(poActor->ClearAnimation(), OK);
    EXPECT_TRUE(poActor->m_oAnimationSequences.empty());
    EXPECT_EQ(poActor->GetAnimationFile(), "");
}

TEST_F(BaseActorTest, RegisteredUnderItsClassName)
{
    EXPECT_TRUE(m_poWorld->IsRegistered("QIRN_BaseActor"));
    QIRN_BaseActor* poActor = NewActor("plain");
    EXPECT_EQ(poActor->GetClassTypeName(), "QIRN_BaseActor");
    EXPECT_EQ(m_poWorld->GetList("QIRN_BaseActor")->m_iCount, 1);
}
