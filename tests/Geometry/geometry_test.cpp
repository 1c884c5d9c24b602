#include "geometry_test_support.h"
#include "qirn_animationsequence.h"
#include "qirn_geometry.h"
#include "qirn_settings.h"
#include "qirn_skeleton.h"
#include "qirn_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

using namespace geometry_test;

namespace
{
// A stand-in world: its address only, and one geometry tree for it.
QIRN_GeometryTree* g_poTree = nullptr;
QIRN_GeometryTree* TreeOf(QIRN_World*)
{
    return g_poTree;
}

class CountedMesh : public QIRN_RenderMesh
{
public:
    explicit CountedMesh(int& riDeleted) : m_riDeleted(riDeleted) {}
    ~CountedMesh() override { ++m_riDeleted; }
    int& m_riDeleted;
};

const char* const TWO_GROUPS =
    "xof 0302txt 0032\n"
    "Frame Root {\n FrameTransformMatrix { 1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, "
    "0.0,0.0,0.0,1.0;; }\n"
    " Mesh Body {\n 4; 0.0;0.0;0.0;, 2.0;0.0;0.0;, 2.0;2.0;0.0;, 0.0;2.0;0.0;;\n 2; 3; 0,1,2;, 3; 0,2,3;;\n"
    "  MeshMaterialList { 2; 2; 0, 1;; Material A { 1.0;1.0;1.0;1.0;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; }\n"
    "   Material B { 1.0;1.0;1.0;1.0;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; } }\n }\n"
    "}\n"
    "AnimationSet Move { Animation { { Root } AnimationKey { 2; 2; 0; 3; 0.0,0.0,0.0;;, 1000; 3; "
    "10.0,0.0,0.0;;; } "
    "} }\n";

class GeometryTest : public ::testing::Test
{
protected:
    GeometryTest() : m_poWorld(reinterpret_cast<QIRN_World*>(&m_iWorld))
    {
        QIRN_InitEnginePath(m_oDir.Path() + "\\qirn_v2.ini");
        g_poTree = &m_oTree;
        QIRN_Geometry::SetGeometryTreeSource(&TreeOf);
        qirn_test::WriteFile("reef.x", TWO_GROUPS);
    }
    ~GeometryTest() override { g_poTree = nullptr; }

    qirn_test::ScopedTempDir m_oDir;
    int m_iWorld = 0;
    QIRN_World* m_poWorld;
    QIRN_GeometryTree m_oTree;
};
} // namespace

TEST_F(GeometryTest, OneImportIsSharedAcrossLetterCase)
{
    QIRN_Geometry oFirst(m_poWorld);
    ASSERT_EQ(oFirst.Load("Reef.X"), OK);
    EXPECT_EQ(oFirst.GetShaderIndex(), 0);
    EXPECT_EQ(oFirst.GetName(), "reef.x");
    QIRN_GeometryTree::Node* pNode = m_oTree.FindNode("reef.x");
    ASSERT_NE(pNode, nullptr);
    EXPECT_EQ(pNode->m_pData->m_poMeshList, oFirst.m_poMeshList);

    QIRN_Geometry* poSecond = new QIRN_Geometry(m_poWorld);
    ASSERT_EQ(poSecond->Load("reef.x"), OK);
    EXPECT_EQ(poSecond->GetShaderIndex(), 1);
    EXPECT_EQ(poSecond->m_poSkeleton, oFirst.m_poSkeleton);
    QIRN_MeshData* poMesh = poSecond->GetFirstMeshNode()->m_pData;
    ASSERT_EQ(poMesh->m_oPolygonGroups.size(), 2u);
    for (const PolygonGroup& roGroup : poMesh->m_oPolygonGroups)
    {
        EXPECT_EQ(roGroup.GetShaderCount(), 2);
    }
    // Destroying a geometry leaves the shared data alone.
    delete poSecond;
    EXPECT_EQ(pNode->m_pData->GetFirstMeshNode()->m_pData, poMesh);
    EXPECT_EQ(poMesh->m_oPolygonGroups.size(), 2u);
}

TEST_F(GeometryTest, FilesThatYieldNoMeshesRegisterNothing)
{
    qirn_test::WriteFile("notes.txt", "nothing to see");
    qirn_test::WriteFile("head.dmk", "face");
    qirn_test::WriteFile("bones.x", "xof 0302txt 0032\nFrame Lonely { }\n");
    struct Case
    {
        const char* szFile;
        QIRN_ErrorCode eResult;
        const char* szLine;
    };
    const Case aCases[] = {
        {"notes.txt", GENERICERROR,
         "*** QIRN_GeometryData::GenerateShaderIndex() - m_mesh_list is NULL. No Geometry Data Present\n"},
        {"head.dmk", GENERICERROR, "invalid format or version conflict"},
        {"bones.x", GENERICERROR, "m_mesh_list is NULL"},
        {"absent.x", FILENOTFOUND, "*** QIRN_Geometry::Load() - Filename is EMPTY\n"},
    };
    for (const Case& c : aCases)
    {
        QIRN_Geometry oGeometry(m_poWorld);
        qirn_test::LogCapture log;
        EXPECT_EQ(oGeometry.Load(c.szFile), c.eResult) << c.szFile;
        EXPECT_TRUE(log.Contains(c.szLine)) << c.szFile << ": " << log.All();
        EXPECT_EQ(m_oTree.FindNode(c.szFile), nullptr);
        // What a failed import left behind is freed, not kept by a geometry nobody shares.
        EXPECT_EQ(oGeometry.m_poSkeleton, nullptr);
        EXPECT_EQ(oGeometry.m_poMeshList, nullptr);
    }
    // A geometry that held shared data imports the next file into data of its own.
    QIRN_Geometry oReused(m_poWorld);
    ASSERT_EQ(oReused.Load("reef.x"), OK);
    QIRN_GeometryData* poShared = m_oTree.FindNode("reef.x")->m_pData;
    EXPECT_EQ(oReused.Load("bones.x"), GENERICERROR);
    EXPECT_EQ(poShared->m_poMeshList->m_iCount, 1);
    EXPECT_NE(poShared->m_poSkeleton->FindFrame("Root"), nullptr);
    EXPECT_EQ(poShared->m_poSkeleton->FindFrame("Lonely"), nullptr);

    QIRN_Geometry oOrphan(nullptr);
    qirn_test::LogCapture log;
    EXPECT_EQ(oOrphan.Load("reef.x"), GENERICERROR);
    EXPECT_TRUE(log.Contains("*** QIRN_Geometry::Load() - m_world is NULL\n"));
}

TEST_F(GeometryTest, AShaderIndexBeyondAByteFailsTheLoad)
{
    QIRN_Geometry oFirst(m_poWorld);
    ASSERT_EQ(oFirst.Load("reef.x"), OK);
    for (int i = 1; i <= 255; ++i)
    {
        QIRN_Geometry oMore(m_poWorld);
        ASSERT_EQ(oMore.Load("reef.x"), OK) << i;
        ASSERT_EQ(oMore.GetShaderIndex(), i);
    }
    QIRN_Geometry oTooMany(m_poWorld);
    qirn_test::LogCapture log;
    EXPECT_EQ(oTooMany.Load("reef.x"), GENERICERROR);
    EXPECT_TRUE(log.Contains("*** QIRN_Geometry::Load() - Shader index 256 does not fit in a byte\n"));
}

TEST_F(GeometryTest, UpdatePosesAndGathersBounds)
{
    QIRN_Geometry oGeometry(m_poWorld);
    ASSERT_EQ(oGeometry.Load("reef.x"), OK);
    QIRN_Matrix4 oPlace;
    Matrix_Translation(0, 0, 5, &oPlace);
    oGeometry.SetTransform(oPlace);
    oGeometry.SetTime(0.5f);
    EXPECT_FLOAT_EQ(oGeometry.GetTime(), 0.5f);

    // Culling mode 0: no bounds, a sphere of radius 0 about the origin.
    oGeometry.Update();
    bool bValid = false;
    QIRN_BoundingSphere oSphere = oGeometry.GetBoundingSphere(&bValid);
    EXPECT_TRUE(bValid);
    EXPECT_FLOAT_EQ(oSphere.m_fRadius, 0.0f);
    QIRN_MeshData* poMesh = oGeometry.GetFirstMeshNode()->m_pData;
    EXPECT_FLOAT_EQ(poMesh->GetLocalMatrix()._43, 5.0f);
    // Half way through the animation the root is at x = 5.
    ExpectNear(poMesh->GetWorldPosition(), V(5, 0, 0));

    // Mode 2 on an unskinned mesh: the frame, then the geometry's placement.
    oGeometry.m_iFrustumCullingMode = BOUNDS_BONES;
    oGeometry.Update();
    QIRN_BoundingBox oBox = oGeometry.GetBoundingBox(&bValid);
    EXPECT_TRUE(bValid);
    ExpectNear(oBox.m_vMin, V(5, 0, 5));
    ExpectNear(oBox.m_vMax, V(7, 2, 5));
    EXPECT_NEAR(oGeometry.GetBoundingSphere().m_fRadius, 1.41421356f, 1e-4f);
}

namespace
{
// The box of a skinned mesh's vertices as its bones pose them: each vertex the weighted sum of its
// position through the skin matrices of its palette slots.
QIRN_BoundingBox SkinnedBox(const QIRN_MeshData& roMesh)
{
    QIRN_BoundingBox oBox;
    for (size_t v = 0; v < roMesh.m_vVertices.size(); ++v)
    {
        const QIRN_MeshVertex& roVertex = roMesh.m_vVertices[v];
        QIRN_Vector4 vSum(0, 0, 0, 1);
        for (int i = 0; i < roVertex.m_iNumWeights; ++i)
        {
            const QIRN_Matrix4 oSkin = roMesh.GetSkinMatrix(roVertex.m_abyBoneIndices[i]);
            QIRN_Vector4 vOut;
            Vector_TransformCoord(&oSkin, &roVertex.m_vPosition, &vOut);
            vSum.x += vOut.x * roVertex.m_afWeights[i];
            vSum.y += vOut.y * roVertex.m_afWeights[i];
            vSum.z += vOut.z * roVertex.m_afWeights[i];
        }
        if (v == 0)
        {
            oBox.m_vMin = oBox.m_vMax = vSum;
        }
        oBox.m_vMin = QIRN_Vector4(std::min(oBox.m_vMin.x, vSum.x), std::min(oBox.m_vMin.y, vSum.y),
                                   std::min(oBox.m_vMin.z, vSum.z), 1.0f);
        oBox.m_vMax = QIRN_Vector4(std::max(oBox.m_vMax.x, vSum.x), std::max(oBox.m_vMax.y, vSum.y),
                                   std::max(oBox.m_vMax.z, vSum.z), 1.0f);
    }
    return oBox;
}

// Exporters write the bone tree and the mesh's frame as separate top-level frames. The skin's one
// bone stands at x = 2 and its offset takes it back, so at rest the skin is the quad (0,0)-(1,1);
// the walk lifts the bone from y = 0 to y = 4 over a second.
const char* const BONES_IN_ANOTHER_TREE =
    "xof 0302txt 0032\n"
    "Frame Bones {\n Frame Hip { FrameTransformMatrix { 1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, "
    "2.0,0.0,0.0,1.0;; } }\n}\n"
    "Frame Body {\n Mesh Skin {\n  4; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 1.0;1.0;0.0;, 0.0;1.0;0.0;;\n"
    "  1; 4; 0,1,2,3;;\n"
    "  MeshNormals { 4; 0.0;0.0;1.0;, 0.0;0.0;1.0;, 0.0;0.0;1.0;, 0.0;0.0;1.0;; 1; 4; 0,1,2,3;; }\n"
    "  XSkinMeshHeader { 1; 1; 1; }\n"
    "  SkinWeights { \"Hip\"; 4; 0, 1, 2, 3; 1.0, 1.0, 1.0, 1.0;\n"
    "   1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, -2.0,0.0,0.0,1.0;; }\n }\n}\n"
    "AnimationSet Walk { Animation { { Hip } AnimationKey { 2; 2; 0; 3; 2.0,0.0,0.0;;, 1000; 3; "
    "2.0,4.0,0.0;;; } } }\n";
} // namespace

TEST_F(GeometryTest, BonesInAnEarlierTopLevelFrameArePosedWithTheSkeleton)
{
    qirn_test::WriteFile("twotrees.x", BONES_IN_ANOTHER_TREE);
    QIRN_Geometry oGeometry(m_poWorld);
    ASSERT_EQ(oGeometry.Load("twotrees.x"), OK);
    // The last top-level frame stays the skeleton; the bone lives in the tree before it.
    ASSERT_NE(oGeometry.GetSkeleton(), nullptr);
    EXPECT_EQ(oGeometry.GetSkeleton()->GetRoot()->m_szName, "Body");
    EXPECT_EQ(oGeometry.GetSkeleton()->FindFrame("Hip"), nullptr);
    QIRN_MeshData* poMesh = oGeometry.GetFirstMeshNode()->m_pData;
    const struct
    {
        float fTime;
        QIRN_Vector4 vMin, vMax;
    } CASES[] = {
        {0.0f, V(0, 0, 0), V(1, 1, 0)},
        {0.5f, V(0, 2, 0), V(1, 3, 0)},
        {1.0f, V(0, 4, 0), V(1, 5, 0)},
    };
    for (const auto& c : CASES)
    {
        oGeometry.SetTime(c.fTime);
        oGeometry.Update();
        const QIRN_BoundingBox oBox = SkinnedBox(*poMesh);
        ExpectNear(oBox.m_vMin, c.vMin, "min at " + std::to_string(c.fTime));
        ExpectNear(oBox.m_vMax, c.vMax, "max at " + std::to_string(c.fTime));
    }
}

// A character as exporters lay it out (tests/fixtures/make_walker.py): the mesh in one top-level
// frame, the bone tree in the next, a marker frame last; rotation, scale and position keys in each
// bone's Animation, at 24 ticks a second. At time 0 it stands in its bind pose, so the skinned box
// is the mesh's own box; half a stride later the hips have moved 0.5 forward and the legs swung.
TEST_F(GeometryTest, AnExportedWalkerPosesToItsBindBoxAndWalks)
{
    qirn_test::WriteFile("walker.x", qirn_test::ReadFile(std::string(QIRN_TEST_FIXTURES) + "\\walker.x"));
    QIRN_Geometry oGeometry(m_poWorld);
    ASSERT_EQ(oGeometry.Load("walker.x"), OK);
    EXPECT_EQ(oGeometry.GetSkeleton()->GetRoot()->m_szName, "Marker");
    QIRN_MeshData* poMesh = oGeometry.GetFirstMeshNode()->m_pData;
    ASSERT_NE(poMesh, nullptr);
    ASSERT_EQ(poMesh->m_dwNumPaletteEntries, 3u);
    size_t nKeys = 0;
    for (uint32_t b = 0; b < poMesh->m_dwNumPaletteEntries; ++b)
    {
        ASSERT_NE(poMesh->m_ppoBonePalette[b], nullptr) << b;
        EXPECT_EQ(poMesh->m_ppoBonePalette[b]->m_oAnimationSequences.size(), 3u) << b;
        for (const QIRN_AnimationSequence* poSequence : poMesh->m_ppoBonePalette[b]->m_oAnimationSequences)
        {
            nKeys += poSequence->m_dwNumKeys;
            EXPECT_FLOAT_EQ(poSequence->m_pfKeyTimes[poSequence->m_dwNumKeys - 1], 1.0f);
        }
    }
    // Three bones, three kinds, three keys each.
    EXPECT_EQ(nKeys, 27u);
    oGeometry.SetTime(0.0f);
    oGeometry.Update();
    const QIRN_BoundingBox oBind = SkinnedBox(*poMesh);
    ExpectNear(oBind.m_vMin, V(-0.75f, 0, -0.25f), "bind min");
    ExpectNear(oBind.m_vMax, V(0.75f, 2, 0.25f), "bind max");
    oGeometry.SetTime(0.5f);
    oGeometry.Update();
    // Half a stride on, the hips carry everything 0.5 along z; each leg turns 30 degrees about
    // its hip joint (y = 1), so its foot (1 below the joint, z from -0.25 to 0.25) reaches
    // z = 0.5 +- (sin 30 + 0.25 cos 30) and rises to y = 1 - cos 30 - 0.25 sin 30.
    const QIRN_BoundingBox oStride = SkinnedBox(*poMesh);
    const float fReach = 0.5f + 0.25f * 0.8660254f;
    const float fFoot = 1.0f - 0.8660254f - 0.125f;
    ExpectNear(oStride.m_vMin, V(-0.75f, fFoot, 0.5f - fReach), "stride min");
    ExpectNear(oStride.m_vMax, V(0.75f, 2, 0.5f + fReach), "stride max");
    const QIRN_Matrix4& roHips = poMesh->m_ppoBonePalette[0]->m_oCombinedMatrix;
    const QIRN_Vector4 vHips(roHips._41, roHips._42, roHips._43, 1.0f);
    ExpectNear(vHips, V(0, 1, 0.5f), "hips");
}

TEST_F(GeometryTest, RenderMeshesAreListedNeverFreed)
{
    int iDeleted = 0;
    CountedMesh oA(iDeleted), oB(iDeleted);
    {
        QIRN_Geometry oGeometry(m_poWorld);
        EXPECT_EQ(oGeometry.GetFirstRenderMeshNode(), nullptr);
        oGeometry.AddRenderMesh("reef.Body", &oA);
        oGeometry.AddRenderMesh("reef.Body", &oB);
        ASSERT_NE(oGeometry.GetFirstRenderMeshNode(), nullptr);
        EXPECT_EQ(oGeometry.GetFirstRenderMeshNode()->m_pNext->m_pData, &oB);
        QIRN_Geometry::ReleaseWorldRenderMeshes(m_poWorld);
        EXPECT_EQ(oGeometry.GetFirstRenderMeshNode(), nullptr);
        oGeometry.AddRenderMesh("reef.Body", &oA);
        // Another world's geometries are not touched.
        QIRN_Geometry::ReleaseWorldRenderMeshes(nullptr);
        EXPECT_NE(oGeometry.GetFirstRenderMeshNode(), nullptr);
        ASSERT_EQ(oGeometry.Load("reef.x"), OK);
        QIRN_Geometry oOther(m_poWorld);
        oOther.AddRenderMesh("x", &oB);
        oOther.SetGeometryData(oGeometry);
        EXPECT_EQ(oOther.GetFirstRenderMeshNode(), nullptr);
        EXPECT_EQ(oOther.m_poMeshList, oGeometry.m_poMeshList);
    }
    EXPECT_EQ(iDeleted, 0);
}
