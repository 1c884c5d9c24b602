#include "qirn_baseactor.h"
#include "qirn_geometry.h"
#include "qirn_meshdata.h"
#include "qirn_skeleton.h"
#include "world_test_support.h"

#include <gtest/gtest.h>

using namespace world_test;

namespace
{
// A swimming fish: a skinned body on a two-bone spine, and the spine's animation.
const char* const FISH =
    "xof 0302txt 0032\n"
    "template XSkinMeshHeader {\n <3CF169CE-FF7C-44ab-93C0-F78F62D172E2>\n"
    " WORD nMaxSkinWeightsPerVertex;\n WORD nMaxSkinWeightsPerFace;\n WORD nBones;\n}\n"
    "template SkinWeights {\n <6F0D123B-BAD2-4167-A0D0-80224F25FABB>\n"
    " STRING transformNodeName;\n DWORD nWeights;\n array DWORD vertexIndices[nWeights];\n"
    " array FLOAT weights[nWeights];\n Matrix4x4 matrixOffset;\n}\n"
    "Frame Spine {\n"
    " FrameTransformMatrix { 1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, 0.0,0.0,0.0,1.0;; }\n"
    " Frame Tail { FrameTransformMatrix { 1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, "
    "-1.0,0.0,0.0,1.0;; } }\n"
    " Mesh Body {\n  4; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 1.0;1.0;0.0;, -1.0;0.5;0.0;;\n  2; 3; 0,1,2;, 3; "
    "0,2,3;;\n"
    "  MeshNormals { 1; 0.0;0.0;1.0;; 2; 3; 0,0,0;, 3; 0,0,0;; }\n"
    "  MeshMaterialList { 1; 2; 0, 0;; Material Scales { 0.2;0.6;0.9;1.0;; 4.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; "
    "} }\n"
    "  XSkinMeshHeader { 1; 1; 2; }\n"
    "  SkinWeights { \"Spine\"; 3; 0, 1, 2; 1.0, 1.0, 1.0;\n"
    "   1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, 0.0,0.0,0.0,1.0;; }\n"
    "  SkinWeights { \"Tail\"; 1; 3; 1.0;\n"
    "   1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, 1.0,0.0,0.0,1.0;; }\n"
    " }\n"
    "}\n"
    "AnimationSet Swim {\n"
    " Animation { { Spine } AnimationKey { 2; 2; 0; 3; 0.0,0.0,0.0;;, 1000; 3; 4.0,0.0,2.0;;; } }\n"
    "}\n";

class WorldGeometryTest : public WorldFixture
{
protected:
    void SetUp() override
    {
        WorldFixture::SetUp();
        qirn_test::WriteFile("fish.x", FISH);
        m_iMeshes = QIRN_MeshData::GetLiveCount();
        m_iFrames = QIRN_Frame::GetLiveCount();
    }

    int m_iMeshes = 0;
    int m_iFrames = 0;
};
} // namespace

TEST_F(WorldGeometryTest, GeometriesShareTheWorldsImportUntilItCloses)
{
    QIRN_Geometry* poFirst = m_poWorld->CreateGeometry(m_poWorld);
    ASSERT_NE(poFirst, nullptr);
    EXPECT_EQ(poFirst->GetWorld(), m_poWorld);
    qirn_test::LogCapture log;
    ASSERT_EQ(poFirst->Load("Fish.x"), OK) << log.All();
    QIRN_Geometry* poSecond = m_poWorld->CreateGeometry(m_poWorld);
    ASSERT_EQ(poSecond->Load("FISH.X"), OK);
    EXPECT_EQ(poSecond->GetShaderIndex(), 1);
    QIRN_GeometryTree::Node* pNode = m_poWorld->GetGeometryTree()->FindNode("fish.x");
    ASSERT_NE(pNode, nullptr);
    EXPECT_EQ(QIRN_MeshData::GetLiveCount(), m_iMeshes + 1);
    EXPECT_EQ(QIRN_Frame::GetLiveCount(), m_iFrames + 2);

    // The skinned body follows its bones.
    QIRN_MeshData* poBody = poSecond->GetFirstMeshNode()->m_pData;
    EXPECT_EQ(poBody->m_dwNumPaletteEntries, 2u);
    EXPECT_EQ(poBody->m_ppoBonePalette[1], poSecond->m_poSkeleton->FindFrame("Tail"));
    poSecond->SetTime(0.5f);
    poSecond->m_iFrustumCullingMode = 3;
    // As a renderer prepares it: the groups learn their bones.
    poBody->m_iRequestedPaletteSize = 12;
    poBody->m_iRequestedWeights = 4;
    poBody->m_iRequestedThird = poBody->m_iPartitionedThird;
    poBody->PartitionSkin(0, 0, 0);
    poSecond->Update();
    bool bValid = false;
    QIRN_BoundingBox oBox = poSecond->GetBoundingBox(&bValid);
    EXPECT_TRUE(bValid);
    // Spine at (2, 0, 1); the tail vertex keeps its place relative to the tail bone.
    EXPECT_NEAR(oBox.m_vMin.x, 1.0f, 1e-4f);
    EXPECT_NEAR(oBox.m_vMax.x, 3.0f, 1e-4f);
    EXPECT_NEAR(oBox.m_vMin.z, 1.0f, 1e-4f);

    // A lost device drops the renderer meshes of every geometry, never the meshes themselves.
    class RenderMesh : public QIRN_RenderMesh
    {
    };
    RenderMesh oRenderMesh;
    poFirst->AddRenderMesh(poBody->m_szName, &oRenderMesh);
    m_poWorld->ReleaseDeviceResources(0);
    EXPECT_EQ(poFirst->GetFirstRenderMeshNode(), nullptr);

    m_poWorld->DestroyGeometry(&poFirst);
    EXPECT_EQ(poFirst, nullptr);
    m_poWorld->DestroyGeometry(&poFirst);
    m_poWorld->DestroyGeometry(nullptr);
    EXPECT_EQ(QIRN_MeshData::GetLiveCount(), m_iMeshes + 1);
    m_poWorld->DestroyGeometry(&poSecond);

    ASSERT_EQ(m_poWorld->CloseWorld(), OK);
    EXPECT_EQ(m_poWorld->GetGeometryTree()->m_pRoot, nullptr);
    EXPECT_EQ(QIRN_MeshData::GetLiveCount(), m_iMeshes);
    EXPECT_EQ(QIRN_Frame::GetLiveCount(), m_iFrames);
}

TEST_F(WorldGeometryTest, ABaseActorAnimatesFromTheSameFile)
{
    qirn_test::WriteFile(
        "scene.w", "qirn_world_version2.0 {\n"
                   " QIRN_BaseActor { Name { Fish } Position { 1 0 0 1 } AnimationFilename { fish.x } }\n"
                   "}\n");
    qirn_test::LogCapture log;
    ASSERT_EQ(m_poWorld->Load("scene"), OK) << log.All();
    EXPECT_TRUE(log.Contains("*** QIRN_XFILE::LoadAnimationSequences(): Load successful.\n"));
    QIRN_BaseActor* poFish = static_cast<QIRN_BaseActor*>(m_poWorld->FindObject("Fish"));
    ASSERT_NE(poFish, nullptr);
    ASSERT_EQ(poFish->m_oAnimationSequences.size(), 1u);

    // The same file as a geometry of that world, while the actor holds its own tracks.
    QIRN_Geometry* poGeometry = m_poWorld->CreateGeometry(m_poWorld);
    ASSERT_EQ(poGeometry->Load("fish.x"), OK);
    EXPECT_EQ(poGeometry->m_poSkeleton->FindFrame("Spine")->m_oAnimationSequences.size(), 1u);
    EXPECT_EQ(m_poWorld->UpdateWorld(1.0f), OK);
    EXPECT_EQ(m_poWorld->UpdateWorld(0.0f), OK);
    // At one second the track is at (4, 0, 2): the offset swaps y and z and negates x.
    QIRN_Matrix4 m;
    poFish->GetTransform(&m);
    EXPECT_NEAR(m._41, 1.0f - 4.0f, 1e-4f);
    EXPECT_NEAR(m._42, 2.0f, 1e-4f);

    m_poWorld->DestroyGeometry(&poGeometry);
    ASSERT_EQ(m_poWorld->CloseWorld(), OK);
    EXPECT_EQ(QIRN_MeshData::GetLiveCount(), m_iMeshes);
    EXPECT_EQ(QIRN_Frame::GetLiveCount(), m_iFrames);
}
