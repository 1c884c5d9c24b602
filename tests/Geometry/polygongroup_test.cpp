#include "geometry_test_support.h"
#include "qirn_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace geometry_test;

TEST(PolygonGroupTest, RebaseMakesIndicesRelativeToTheSmallest)
{
    PolygonGroup oGroup(6, "g", nullptr);
    const int32_t aiIndices[] = {7, 5, 9, 9, 5, 6};
    std::copy(aiIndices, aiIndices + 6, oGroup.m_piIndices);
    EXPECT_EQ(oGroup.Rebase(), 6);
    EXPECT_EQ(oGroup.m_dwBaseVertex, 5u);
    EXPECT_EQ(oGroup.m_num_vertices, 5u);
    EXPECT_EQ(std::vector<int32_t>(oGroup.m_piIndices, oGroup.m_piIndices + 6),
              (std::vector<int32_t>{2, 0, 4, 4, 0, 1}));
    PolygonGroup oEmpty(0, "e", nullptr);
    EXPECT_EQ(oEmpty.Rebase(), 0);
    EXPECT_EQ(oEmpty.m_num_vertices, 0u);
}

TEST(PolygonGroupTest, ShaderSlotsGrowAndRefuseUnknownSlots)
{
    QIRN_Shader oImported, a, b, c;
    oImported.SetName("imported");
    PolygonGroup oGroup(3, "g", &oImported);
    EXPECT_EQ(oGroup.m_oShader.GetName(), "imported");
    EXPECT_EQ(oGroup.m_oShader.m_poOwner, &oGroup);
    EXPECT_EQ(oGroup.AddShader(nullptr), 0);
    EXPECT_EQ(oGroup.AddShader(&a), 1);
    EXPECT_EQ(oGroup.GetShaderCapacity(), 2);
    EXPECT_EQ(oGroup.AddShader(&b), 2);
    EXPECT_EQ(oGroup.GetShaderCapacity(), 4);
    EXPECT_EQ(a.m_poOwner, &oGroup);
    EXPECT_FALSE(oGroup.SetShader(&c, 3));
    EXPECT_FALSE(oGroup.SetShader(nullptr, 0));
    EXPECT_TRUE(oGroup.SetShader(&c, 0));
    EXPECT_EQ(oGroup.GetShader(0), &c);
    EXPECT_EQ(oGroup.GetShader(3), nullptr);
    EXPECT_FALSE(oGroup.GrowShaders(2));
    EXPECT_TRUE(oGroup.ClearShaders());
    EXPECT_EQ(oGroup.GetShaderCount(), 0);
    EXPECT_EQ(oGroup.GetShader(0), nullptr);
}

TEST(PolygonGroupTest, PrepassAndShadowPassLookAtTheBoundShaders)
{
    struct Case
    {
        const char* szPass;
        uint32_t dwSortMode;
        bool bPrepass;
    };
    const Case aCases[] = {{"PrePass", 0, true}, {"prepass", 0, true}, {"Pass", 2, true}, {"Pass", 0, false}};
    for (const Case& c : aCases)
    {
        QIRN_Shader oShader;
        MakeOnePassShader(oShader, c.szPass, c.dwSortMode);
        PolygonGroup oGroup(3, "g", nullptr);
        oGroup.AddShader(nullptr);
        oGroup.AddShader(&oShader);
        EXPECT_EQ(oGroup.HasPrepass(), c.bPrepass) << c.szPass;
    }
    // Only the first bound shader decides.
    QIRN_Shader oPlain, oPrepass, oShadow;
    MakeOnePassShader(oPlain, "Pass");
    MakeOnePassShader(oPrepass, "prepass");
    MakeOnePassShader(oShadow, "Pass", 0, true);
    PolygonGroup oGroup(3, "g", nullptr);
    EXPECT_FALSE(oGroup.HasPrepass());
    EXPECT_FALSE(oGroup.HasShadowPass());
    oGroup.AddShader(&oPlain);
    oGroup.AddShader(&oPrepass);
    oGroup.AddShader(&oShadow);
    EXPECT_FALSE(oGroup.HasPrepass());
    EXPECT_TRUE(oGroup.HasShadowPass());
}

TEST(PolygonGroupTest, CopiesKeepBonesSlotsAndTheFirstBatchSetOnly)
{
    QIRN_Shader oBound;
    PolygonGroup oGroup(3, "g", nullptr);
    oGroup.m_piIndices[0] = 0;
    oGroup.m_piIndices[1] = 1;
    oGroup.m_piIndices[2] = 2;
    oGroup.AddShader(&oBound);
    oGroup.m_oBoneSlotMap[7] = 0;
    oGroup.m_voBones.push_back({7, 0});
    oGroup.PrepareBatches(0);
    oGroup.m_aoBatchSets[2].m_voBatches.resize(1);
    PolygonGroup oCopy(oGroup);
    EXPECT_EQ(oCopy.m_oBoneSlotMap.at(7), 0);
    EXPECT_EQ(oCopy.GetNumBones(), 1);
    EXPECT_EQ(oCopy.GetShader(0), &oBound);
    EXPECT_EQ(oCopy.m_oShader.m_poOwner, &oCopy);
    EXPECT_NE(oCopy.m_piIndices, oGroup.m_piIndices);
    EXPECT_EQ(oCopy.m_piIndices[2], 2);
    EXPECT_EQ(oCopy.GetSet0IndexCount(), 3);
    EXPECT_TRUE(oCopy.m_aoBatchSets[2].m_voBatches.empty());
    PolygonGroup oAssigned(0, "other", nullptr);
    oAssigned = oGroup;
    oAssigned = oAssigned;
    EXPECT_EQ(oAssigned.m_szName, "g");
    EXPECT_EQ(oAssigned.m_dwNumIndices, 3u);
}

TEST(PolygonGroupTest, BatchesByWeightCount)
{
    QIRN_MeshData oMesh;
    SetPositions(oMesh, {V(0, 0, 0), V(1, 0, 0), V(0, 1, 0), V(1, 1, 0), V(2, 0, 0), V(2, 1, 0)});
    PolygonGroup& roGroup = AddGroup(oMesh, {0, 1, 2, 2, 1, 3, 1, 4, 3, 3, 4, 5});
    for (QIRN_MeshVertex& v : oMesh.m_vVertices)
    {
        SetInfluences(v, {{0, 1.0f}});
    }
    roGroup.CalculateTriangleBatches(oMesh.m_vVertices);
    EXPECT_EQ(roGroup.GetSet2IndexCount(), 12);
    EXPECT_EQ(roGroup.GetSet3IndexCount(), 0);
    EXPECT_EQ(roGroup.GetSet4IndexCount(), 0);

    // Three weights, four weights, and five (left out, logged once).
    SetInfluences(oMesh.m_vVertices[2], {{0, 0.4f}, {1, 0.3f}, {2, 0.3f}});
    SetInfluences(oMesh.m_vVertices[4], {{0, 0.2f}, {1, 0.2f}, {2, 0.3f}, {3, 0.3f}});
    SetInfluences(oMesh.m_vVertices[5], {{0, 0.2f}, {1, 0.2f}, {2, 0.2f}, {3, 0.2f}, {4, 0.2f}});
    roGroup.FreeBatches();
    qirn_test::LogCapture log;
    roGroup.CalculateTriangleBatches(oMesh.m_vVertices);
    EXPECT_EQ(log.Count("Detected triangle with vertex having more than 4 weights or no weights\n"), 1u);
    EXPECT_EQ(roGroup.GetSet2IndexCount(), 0);
    EXPECT_EQ(roGroup.GetSet3IndexCount(), 6);
    EXPECT_EQ(roGroup.GetSet4IndexCount(), 3);
    EXPECT_EQ(roGroup.ComputeMaxWeights(oMesh.m_vVertices), 5u);

    roGroup.PrepareBatches(2);
    EXPECT_EQ(roGroup.GetSet2IndexCount(), 12);
    ASSERT_NE(roGroup.GetBatchIndices(2, 0), roGroup.m_piIndices);
    roGroup.PrepareBatches(4);
    EXPECT_EQ(roGroup.GetBatchIndices(4, 0), roGroup.m_piIndices);
    EXPECT_EQ(roGroup.GetSet2IndexCount(), 0);
    roGroup.PrepareBatches(7);
    for (int s = 0; s < POLYGONGROUP_NUM_BATCH_SETS; ++s)
    {
        EXPECT_EQ(roGroup.GetSetIndexCount(s), 0);
    }
}

TEST(PolygonGroupTest, StripsUnrollIntoTheGroupsTriangles)
{
    PolygonGroup oGroup(6, "g", nullptr);
    const int32_t aiQuad[] = {0, 1, 2, 2, 1, 3};
    std::copy(aiQuad, aiQuad + 6, oGroup.m_piIndices);
    oGroup.PrepareBatches(0);
    oGroup.BuildStrips(0, 0);
    ASSERT_EQ(oGroup.m_aoBatchSets[0].m_voBatches.size(), 1u);
    EXPECT_EQ(oGroup.m_aoBatchSets[0].m_voBatches[0].m_viIndices, (std::vector<int32_t>{3, 2, 1, 0}));

    // As a list: (s0, s1, s2), (s2, s1, s3), the winding of the input.
    oGroup.PrepareBatches(0);
    oGroup.BuildStrips(0, 1);
    EXPECT_EQ(oGroup.m_aoBatchSets[0].m_voBatches[0].m_viIndices, (std::vector<int32_t>{3, 2, 1, 1, 2, 0}));

    // A set of two batches is left as it is.
    oGroup.m_aoBatchSets[0].m_voBatches.resize(2);
    oGroup.BuildIndexStrip(0, 0, 1);
    EXPECT_EQ(oGroup.m_aoBatchSets[0].m_voBatches.size(), 2u);

    // A fan with three faces on one edge cannot be stripped: logged, set kept.
    PolygonGroup oBad(9, "bad", nullptr);
    const int32_t aiBad[] = {0, 1, 2, 1, 0, 3, 0, 1, 4};
    std::copy(aiBad, aiBad + 9, oBad.m_piIndices);
    oBad.PrepareBatches(0);
    qirn_test::LogCapture log;
    oBad.BuildStrips(0, 1);
    EXPECT_TRUE(log.Contains("*** PolygonGroup :: BuildIndexStrip() - Can't initialize stripifier\n"));
    EXPECT_EQ(oBad.GetSet0IndexCount(), 9);
}

TEST(PolygonGroupTest, BoundsModes)
{
    QIRN_MeshData oMesh;
    // Vertex 0 is far away and not used by the group, which starts at vertex 1.
    SetPositions(oMesh, {V(100, 100, 100), V(0, 0, 0), V(2, 0, 0), V(0, 4, 0)});
    PolygonGroup& roGroup = AddGroup(oMesh, {1, 2, 3});
    roGroup.CalculateRawBounds();
    ExpectNear(roGroup.m_oRawBox.m_vMin, V(0, 0, 0), "raw min");
    ExpectNear(roGroup.m_oRawBox.m_vMax, V(2, 4, 0), "raw max");

    // Unskinned, mode 2: the owner frame's placement, then the mesh's; corners re-sorted.
    QIRN_Frame oOwner;
    Matrix_Translation(10, 0, 0, &oOwner.m_oCombinedMatrix);
    oMesh.m_pOwnerFrame = &oOwner;
    Matrix_RotationZ(180.0f, &oMesh.m_oLocalMatrix);
    roGroup.CalculateBounds(BOUNDS_BONES);
    QIRN_BoundingBox oBox = roGroup.GetBoundingBox();
    ExpectNear(oBox.m_vMin, V(-12, -4, 0), "placed min");
    ExpectNear(oBox.m_vMax, V(-10, 0, 0), "placed max");
    oMesh.UpdateBounds(BOUNDS_BONES);
    uint8_t byValid = 0;
    ExpectNear(oMesh.GetBoundingBox(&byValid).m_vMax, V(-10, 0, 0), "mesh box");
    EXPECT_EQ(byValid, 1);
}

TEST(PolygonGroupTest, SkinnedBoundsFollowTheBones)
{
    QIRN_MeshData oMesh;
    SetPositions(oMesh, {V(0, 0, 0), V(2, 0, 0), V(0, 2, 0)});
    for (QIRN_MeshVertex& v : oMesh.m_vVertices)
    {
        SetInfluences(v, {{0, 1.0f}});
    }
    oMesh.CreatePalette(2);
    oMesh.m_dwNumPaletteEntries = 2;
    QIRN_Frame oBone;
    Matrix_Translation(5, 0, 0, &oBone.m_oCombinedMatrix);
    oMesh.m_ppoBonePalette[0] = &oBone;
    oMesh.m_vUnpartitionedVertices = oMesh.m_vVertices;
    PolygonGroup& roGroup = AddGroup(oMesh, {0, 1, 2});
    roGroup.CalculateRawBounds();
    // Slot 1 holds no frame and is skipped.
    roGroup.m_voBones = {{0, 0}, {1, 1}};

    // Mode 2: the raw box's size around the bones' centre.
    oMesh.UpdateBounds(BOUNDS_BONES);
    QIRN_BoundingBox oBox = roGroup.GetBoundingBox();
    ExpectNear(oBox.m_vMin, V(4, -1, 0), "bones min");
    ExpectNear(oBox.m_vMax, V(6, 1, 0), "bones max");

    // Mode 3: the skinned positions themselves.
    oMesh.UpdateBounds(BOUNDS_SKINNED);
    oBox = roGroup.GetBoundingBox();
    ExpectNear(oBox.m_vMin, V(5, 0, 0), "skinned min");
    ExpectNear(oBox.m_vMax, V(7, 2, 0), "skinned max");

    // Mode 1: the raw positions, placed by the mesh's matrix.
    Matrix_Translation(0, 0, 3, &oMesh.m_oLocalMatrix);
    oMesh.UpdateBounds(BOUNDS_RAW);
    oBox = roGroup.GetBoundingBox();
    ExpectNear(oBox.m_vMin, V(0, 0, 3), "raw min");
    ExpectNear(oBox.m_vMax, V(2, 2, 3), "raw max");
}
