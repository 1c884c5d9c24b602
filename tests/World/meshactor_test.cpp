#include "mesh_test_support.h"
#include "qirn_meshactor.h"
#include "qirn_shader.h"
#include "qirn_world.h"
#include "world_test_support.h"

#include <gtest/gtest.h>

#include <string>

using namespace world_test;

namespace
{
const char* const PAINT = "boat.Boat.Hull.Paint";
const char* const GLASS = "boat.Boat.Hull.Glass";

class MeshActorTest : public WorldFixture
{
protected:
    void SetUp() override
    {
        WorldFixture::SetUp();
        qirn_test::WriteFile("boat.x", BOAT_X);
    }

    // Loads the world file text (and the shader file text, when given) as scene.w / scene.s.
    QIRN_ErrorCode LoadScene(const std::string& szWorld, const std::string& szShaders = std::string())
    {
        qirn_test::WriteFile("scene.w", szWorld);
        if (!szShaders.empty())
        {
            qirn_test::WriteFile("scene.s", szShaders);
        }
        return m_poWorld->Load("scene");
    }

    QIRN_MeshActor* Actor(const std::string& szName)
    {
        return dynamic_cast<QIRN_MeshActor*>(m_poWorld->FindObject(szName));
    }

    int UseCount(const std::string& szShader)
    {
        QIRN_BINARYTREENODE<QIRN_Shader>* poNode = m_poWorld->GetShaderTree()->FindNode(szShader);
        return poNode ? poNode->m_iRefCount : -1;
    }
};

void ExpectMatrix(const QIRN_Matrix4& a, const QIRN_Matrix4& b)
{
    for (int i = 0; i < 16; ++i)
    {
        EXPECT_NEAR(a.Data()[i], b.Data()[i], 1e-5f) << "element " << i;
    }
}
} // namespace

TEST_F(MeshActorTest, KeywordsLoadTheGeometryAndSaveTheFileTitleInLowerCase)
{
    ASSERT_EQ(
        LoadScene(
            "qirn_world_version2.0 {\n"
            " QIRN_MeshActor { Name { Boat } Scale { 2 3 4 1 } AnimationOffset { 2.5 } Render { 0 }\n"
            "  FrustumCullingMode { 3 } InterpolationType { 1 } MeshFilename { models\\Fleet\\Boat.X } }\n"
            "}\n"),
        OK);
    QIRN_MeshActor* poBoat = Actor("Boat");
    ASSERT_NE(poBoat, nullptr);
    ASSERT_NE(poBoat->GetMesh(), nullptr);
    EXPECT_EQ(poBoat->GetMeshFilename(), "Boat.x");
    EXPECT_EQ(poBoat->GetRender(), 0);
    EXPECT_FLOAT_EQ(poBoat->GetScale().z, 4.0f);
    EXPECT_EQ(poBoat->GetMesh()->m_iFrustumCullingMode, 3);
    EXPECT_EQ(poBoat->GetMesh()->m_iInterpolationType, 1);
    ASSERT_NE(m_poWorld->GetMeshActorList(), nullptr);
    EXPECT_EQ(m_poWorld->GetMeshActorList()->m_iCount, 1);

    // A render flag of 0 still updates the actor.
    EXPECT_EQ(m_poWorld->UpdateWorld(1.0f), OK);
    EXPECT_FLOAT_EQ(poBoat->GetTime(), 1.0f);

    std::string szText = SaveObjectText(*poBoat, "boat.txt");
    size_t nScale = szText.find("Scale { 2");
    size_t nRender = szText.find("Render { 0 }");
    size_t nOffset = szText.find("AnimationOffset { 2.5");
    size_t nCulling = szText.find("FrustumCullingMode { 3 }");
    size_t nInterpolation = szText.find("InterpolationType { 1 }");
    size_t nMesh = szText.find("MeshFilename { Boat.x }");
    ASSERT_NE(nMesh, std::string::npos) << szText;
    EXPECT_LT(szText.find("Name { Boat }"), nScale) << szText;
    EXPECT_LT(nScale, nRender);
    EXPECT_LT(nRender, nOffset);
    EXPECT_LT(nOffset, nCulling);
    EXPECT_LT(nCulling, nInterpolation);
    EXPECT_LT(nInterpolation, nMesh);

    // Without a geometry the file name is left out.
    QIRN_MeshActor bare(QIRN_CLASS_MESHACTOR);
    qirn_test::LogCapture log;
    szText = SaveObjectText(bare, "bare.txt");
    EXPECT_EQ(szText.find("MeshFilename"), std::string::npos);
    EXPECT_TRUE(log.Contains(
        "*** QIR_MeshActor::SaveContents(): m_pMesh is invalid. Can't save any information about it\n"));
}

TEST_F(MeshActorTest, GeometryValuesCountOnlyBeforeMeshFilename)
{
    ASSERT_EQ(LoadScene("qirn_world_version2.0 {\n"
                        " QIRN_MeshActor { Name { Before } Render { 0 } FrustumCullingMode { 2 } "
                        "InterpolationType { 1 }\n"
                        "  MeshFilename { boat.x } }\n"
                        " QIRN_MeshActor { Name { After } MeshFilename { boat.x } FrustumCullingMode { 2 }\n"
                        "  InterpolationType { 1 } Render { 0 } }\n"
                        "}\n"),
              OK);
    EXPECT_EQ(Actor("Before")->GetMesh()->m_iFrustumCullingMode, 2);
    EXPECT_EQ(Actor("Before")->GetMesh()->m_iInterpolationType, 1);
    // The render flag is the actor's own: its place in the block does not matter.
    EXPECT_EQ(Actor("Before")->GetRender(), 0);
    EXPECT_EQ(Actor("After")->GetRender(), 0);
    // The actor keeps the late values; its geometry never sees them.
    EXPECT_EQ(Actor("After")->GetFrustumCullingMode(), 2);
    EXPECT_EQ(Actor("After")->GetMesh()->m_iFrustumCullingMode, 0);
    EXPECT_EQ(Actor("After")->GetMesh()->m_iInterpolationType, 0);
}

TEST_F(MeshActorTest, KeywordFailures)
{
    struct Case
    {
        const char* szBlock;
        QIRN_ErrorCode eResult;
        std::vector<const char*> vLines;
    };
    const Case cases[] = {
        {"Scale { a b c d }",
         FILEREAD_ERROR,
         {"*** QIRN_MeshActor::InterpretKeyWord():Error reading m_vScale\n"}},
        {"AnimationOffset { x }",
         FILEREAD_ERROR,
         {"*** QIRN_MeshActor::InterpretKeyWord():Error reading m_fAnimationOffset\n"}},
        {"Render { x }",
         FILEREAD_ERROR,
         {"*** QIRN_MeshActor::InterpretKeyWord():Error reading m_bRender\n"}},
        {"FrustumCullingMode { x }",
         FILEREAD_ERROR,
         {"*** QIRN_MeshActor::InterpretKeyWord():Error reading BoundObjectMode\n"}},
        {"InterpolationType { x }",
         FILEREAD_ERROR,
         {"*** QIRN_MeshActor::InterpretKeyWord():Error reading InterpolationType\n"}},
        {"MeshFilename x",
         FILEREAD_ERROR,
         {"*** QIRN_MeshActor::InterpretKeyWord():Error reading m_szMeshFilename\n"}},
        {"MeshFilename { }",
         GENERICERROR,
         {"*** QIRN_MeshActor::InterpretKeyWord(): m_szMeshFilename is NULL. Can't Load Mesh for Actor\n"}},
        {"MeshFilename { Sunk.X }",
         GENERICERROR,
         {"*** QIRN_MeshActor::InterpretKeyWord(): Load Mesh FAILED!\n", "*** Mesh Filename: Sunk.x\n"}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.szBlock);
        QIRN_MeshActor actor(QIRN_CLASS_MESHACTOR);
        actor.m_poWorld = m_poWorld;
        BlockFile file(c.szBlock);
        qirn_test::LogCapture log;
        EXPECT_EQ(actor.InterpretKeyWord(file.FirstWord(), file.File()), c.eResult);
        for (const char* szLine : c.vLines)
        {
            EXPECT_TRUE(log.Contains(szLine)) << log.All();
        }
    }

    QIRN_MeshActor orphan(QIRN_CLASS_MESHACTOR);
    BlockFile file("MeshFilename { boat.x }");
    qirn_test::LogCapture log;
    EXPECT_EQ(orphan.InterpretKeyWord(file.FirstWord(), file.File()), GENERICERROR);
    EXPECT_TRUE(log.Contains(
        "*** QIRN_MeshActor::InterpretKeyWord(): m_pWorld is NULL. Can't Load Mesh for Actor\n"));
    EXPECT_EQ(orphan.InterpretKeyWord("", file.File()), GENERICERROR);
    EXPECT_TRUE(log.Contains("*** QIRN_MeshActor::InterpretKeyWord(): szKeyWord is invalid\n"));
    QIRN_File closed;
    EXPECT_EQ(orphan.InterpretKeyWord("Render", closed), GENERICERROR);
    EXPECT_TRUE(log.Contains("*** QIRN_MeshActor::InterpretKeyWord(): oFile is invalid\n"));
    EXPECT_EQ(orphan.SaveContents(closed), GENERICERROR);
    EXPECT_TRUE(log.Contains("*** QIRN_MeshActor::SaveContents(): roFile is invalid\n"));

    // A world file whose mesh cannot load goes on without that actor.
    ASSERT_EQ(LoadScene("qirn_world_version2.0 {\n"
                        " QIRN_MeshActor { Name { Wreck } MeshFilename { sunk.x } }\n"
                        " QIRN_MeshActor { Name { Boat } MeshFilename { boat.x } }\n"
                        "}\n"),
              OK);
    EXPECT_EQ(m_poWorld->FindObject("Wreck"), nullptr);
    EXPECT_NE(Actor("Boat"), nullptr);
}

TEST_F(MeshActorTest, ActorsSharingAFileDrawWithTheirOwnShaders)
{
    const std::string szShaders = std::string("qirn_shader_version2.0 {\n") + " Shader { Name { " + PAINT +
                                  " } }\n Shader { Name { Gold } }\n Shader { Name { Tar } }\n}\n";
    ASSERT_EQ(LoadScene(std::string("qirn_world_version2.0 {\n") +
                            " QIRN_MeshActor { Name { First } MeshFilename { boat.x } }\n"
                            " QIRN_MeshActor { Name { Second } ShaderAssignment { " +
                            PAINT +
                            " { Gold } } MeshFilename { boat.x } }\n"
                            " QIRN_MeshActor { Name { Third } ShaderAssignment { Rudder { Tar } }\n"
                            "  MeshFilename { boat.x } }\n"
                            "}\n",
                        szShaders),
              OK);
    QIRN_MeshActor* poFirst = Actor("First");
    QIRN_MeshActor* poSecond = Actor("Second");
    QIRN_MeshActor* poThird = Actor("Third");
    ASSERT_TRUE(poFirst && poSecond && poThird);
    EXPECT_EQ(poFirst->GetMesh()->GetShaderIndex(), 0);
    EXPECT_EQ(poSecond->GetMesh()->GetShaderIndex(), 1);
    EXPECT_EQ(poThird->GetMesh()->GetShaderIndex(), 2);

    QIRN_BINARYTREE<QIRN_Shader>* poTree = m_poWorld->GetShaderTree();
    QIRN_Shader* poPaint = poTree->FindNode(PAINT)->m_pData;
    QIRN_Shader* poGold = poTree->FindNode("Gold")->m_pData;
    // The first actor turned the imported glass material into a world shader named after its group.
    ASSERT_NE(poTree->FindNode(GLASS), nullptr);
    QIRN_Shader* poGlass = poTree->FindNode(GLASS)->m_pData;
    EXPECT_EQ(poGlass->GetName(), GLASS);

    PolygonGroup* poPaintGroup = FindGroup(poFirst->GetMesh(), "Paint");
    PolygonGroup* poGlassGroup = FindGroup(poFirst->GetMesh(), "Glass");
    ASSERT_TRUE(poPaintGroup && poGlassGroup);
    // Slot precedence: the shader file's shader of the group's name, then an assignment, then a
    // shader an earlier actor of the file left.
    EXPECT_EQ(poPaintGroup->GetShader(0), poPaint);
    EXPECT_EQ(poPaintGroup->GetShader(1), poGold);
    EXPECT_EQ(poPaintGroup->GetShader(2), poPaint);
    EXPECT_EQ(poGlassGroup->GetShader(0), poGlass);
    EXPECT_EQ(poGlassGroup->GetShader(1), poGlass);
    EXPECT_EQ(poGlassGroup->GetShader(2), poGlass);
    EXPECT_EQ(UseCount(GLASS), 3);
    EXPECT_EQ(UseCount(PAINT), 2);
    EXPECT_EQ(UseCount("Gold"), 1);
    // A slot that names no group still holds its shader, bound nowhere.
    EXPECT_EQ(UseCount("Tar"), 1);
    EXPECT_EQ(poThird->GetShaderFromSlot("Rudder"), poTree->FindNode("Tar")->m_pData);

    // Assigning at run time binds into that actor's slot only.
    ASSERT_EQ(poSecond->SetShaderAssignment(GLASS, poTree->FindNode("Tar")->m_pData), OK);
    EXPECT_EQ(poGlassGroup->GetShader(1), poTree->FindNode("Tar")->m_pData);
    EXPECT_EQ(poGlassGroup->GetShader(0), poGlass);
    EXPECT_EQ(UseCount(GLASS), 2);
}

TEST_F(MeshActorTest, AGoneActorLeavesNoShaderInTheSharedGroups)
{
    ASSERT_EQ(LoadScene("qirn_world_version2.0 {\n"
                        " QIRN_MeshActor { Name { First } MeshFilename { boat.x } }\n"
                        "}\n"),
              OK);
    QIRN_Geometry* poMesh = Actor("First")->GetMesh();
    PolygonGroup* poGlassGroup = FindGroup(poMesh, "Glass");
    ASSERT_NE(poGlassGroup->GetShader(0), nullptr);
    ASSERT_EQ(m_poWorld->RemoveObject("First"), OK);
    // The last user of the group's shader took it out of the world, and its slot with it.
    EXPECT_EQ(m_poWorld->GetShaderTree()->FindNode(GLASS), nullptr);
    EXPECT_EQ(poGlassGroup->GetShader(0), nullptr);

    // A later actor of the file makes its own shader instead of taking the freed one.
    QIRN_MeshActor* poLater =
        static_cast<QIRN_MeshActor*>(m_poWorld->CreateObject("Later", QIRN_CLASS_MESHACTOR));
    ASSERT_NE(poLater, nullptr);
    ASSERT_EQ(m_poWorld->AddObject(poLater), OK);
    BlockFile file("MeshFilename { boat.x }");
    ASSERT_EQ(poLater->InterpretKeyWord(file.FirstWord(), file.File()), OK);
    EXPECT_EQ(poLater->GetMesh()->GetShaderIndex(), 1);
    ASSERT_NE(m_poWorld->GetShaderTree()->FindNode(GLASS), nullptr);
    EXPECT_EQ(poGlassGroup->GetShader(1), m_poWorld->GetShaderTree()->FindNode(GLASS)->m_pData);

    // Destroy lets go of everything; a second call is harmless.
    EXPECT_EQ(poLater->Destroy(), OK);
    EXPECT_EQ(poLater->GetMesh(), nullptr);
    EXPECT_EQ(poLater->GetMeshFilename(), "");
    EXPECT_EQ(poLater->Destroy(), OK);
}

TEST_F(MeshActorTest, TheGeometryTakesTheActorsTimePlusOffsetAndItsPlacement)
{
    ASSERT_EQ(LoadScene("qirn_world_version2.0 {\n"
                        " QIRN_MeshActor { Name { Boat } Position { 1 2 3 1 } Rotation { 0 90 0 1 }\n"
                        "  AnimationOffset { 2.5 } MeshFilename { boat.x } }\n"
                        "}\n"),
              OK);
    QIRN_MeshActor* poBoat = Actor("Boat");
    QIRN_Matrix4 before;
    poBoat->GetTransform(&before);
    ASSERT_EQ(m_poWorld->UpdateWorld(1.0f), OK);
    // The geometry gets the time and placement from before this step's clock advance.
    EXPECT_FLOAT_EQ(poBoat->GetMesh()->GetTime(), 2.5f);
    ExpectMatrix(poBoat->GetMesh()->m_oTransform, before);
    ASSERT_EQ(m_poWorld->UpdateWorld(0.5f), OK);
    EXPECT_FLOAT_EQ(poBoat->GetMesh()->GetTime(), 3.5f);
    EXPECT_FLOAT_EQ(poBoat->GetTime(), 1.5f);

    poBoat->SetPosition(QIRN_Vector4(5, 0, 0, 1));
    ASSERT_EQ(poBoat->UpdateAnimation(0.0f), OK);
    EXPECT_FLOAT_EQ(poBoat->GetMesh()->m_oTransform._41, 5.0f);
}

TEST_F(MeshActorTest, AnActorWithoutMeshStillRunsItsClock)
{
    ASSERT_EQ(LoadScene("qirn_world_version2.0 {\n QIRN_MeshActor { Name { Ghost } }\n}\n"), OK);
    QIRN_MeshActor* poGhost = Actor("Ghost");
    ASSERT_NE(poGhost, nullptr);
    qirn_test::LogCapture log;
    EXPECT_EQ(poGhost->UpdateAnimation(0.1f), GENERICERROR);
    EXPECT_TRUE(log.Contains("*** QIRN_MeshActor::UpdateAnimation() - Actor Ghost has no mesh to animate\n"));
    EXPECT_EQ(poGhost->HandleShaderAssgiments(), GENERICERROR);
    EXPECT_EQ(m_poWorld->UpdateWorld(0.25f), OK);
    EXPECT_FLOAT_EQ(poGhost->GetTime(), 0.25f);
}
