#include "geometry_test_support.h"
#include "skinpartitioner.h"

#include <gtest/gtest.h>

#include <set>

using namespace geometry_test;

namespace
{
// Every invariant a renderer relies on: each local vertex's bones have slots in its group, the
// slots are 0 .. n-1, and the triangles address the group's own vertices.
void ExpectSoundGroups(const SkinPartitioner& oPartitioner, uint32_t dwMaxBones)
{
    for (uint32_t g = 0; g < oPartitioner.GetGroupCount(); ++g)
    {
        const SkinPartitioner::BoneSlots& roSlots = oPartitioner.GetGroupBones(g);
        EXPECT_LE(roSlots.size(), dwMaxBones) << "group " << g;
        std::set<uint32_t> oSlots;
        for (const auto& roSlot : roSlots)
        {
            oSlots.insert(roSlot.second);
        }
        EXPECT_EQ(oSlots.size(), roSlots.size());
        if (!oSlots.empty())
        {
            EXPECT_EQ(*oSlots.rbegin(), roSlots.size() - 1);
        }
        for (uint32_t l = 0; l < oPartitioner.GetGroupVertexCount(g); ++l)
        {
            for (const auto& roBone : oPartitioner.GetVertexBones(g, l))
            {
                EXPECT_GE(oPartitioner.GetPaletteSlot(g, roBone.first), 0)
                    << "group " << g << " vertex " << l;
            }
        }
        for (const SkinPartitioner::Triangle& t : oPartitioner.GetGroupTriangles(g))
        {
            for (uint32_t c : t)
            {
                EXPECT_LT(c, oPartitioner.GetGroupVertexCount(g));
            }
        }
    }
}
} // namespace

TEST(SkinPartitionerTest, VertexInfluencesAreReducedToTheLargest)
{
    SkinPartitioner oPartitioner(12, 2, 12);
    const float afWeights[] = {0.5f, 0.3f, 0.1f, 0.1f};
    for (uint32_t b = 0; b < 4; ++b)
    {
        oPartitioner.AddVertexBone(0, b + 1, afWeights[b]);
    }
    oPartitioner.AddVertexBone(0, 1, 0.9f);
    oPartitioner.AddTriangle(0, 0, 0);
    oPartitioner.Partition();
    ASSERT_EQ(oPartitioner.GetGroupCount(), 1u);
    const SkinPartitioner::BoneWeights& roBones = oPartitioner.GetVertexBones(0, 0);
    ASSERT_EQ(roBones.size(), 2u);
    EXPECT_NEAR(roBones.at(1), 0.6f, 1e-6f);
    EXPECT_NEAR(roBones.at(2), 0.4f, 1e-6f);
}

TEST(SkinPartitionerTest, TwentyBonesSplitIntoPalettesOfTwelve)
{
    // A strip of triangles whose vertices each use two of 20 bones.
    SkinPartitioner oPartitioner(12, 4, 6);
    const uint32_t dwVertices = 42;
    for (uint32_t v = 0; v < dwVertices; ++v)
    {
        oPartitioner.AddVertexBone(v, v % 20, 0.75f);
        oPartitioner.AddVertexBone(v, (v * 7 + 3) % 20, 0.25f);
    }
    for (uint32_t t = 0; t + 2 < dwVertices; ++t)
    {
        oPartitioner.AddTriangle(t, t + 1, t + 2);
    }
    oPartitioner.Partition();
    EXPECT_GE(oPartitioner.GetGroupCount(), 2u);
    ExpectSoundGroups(oPartitioner, 12);
    size_t nTriangles = 0;
    for (uint32_t g = 0; g < oPartitioner.GetGroupCount(); ++g)
    {
        nTriangles += oPartitioner.GetGroupTriangles(g).size();
    }
    EXPECT_EQ(nTriangles, dwVertices - 2);
}

TEST(SkinPartitionerTest, AVertexLosingItsOnlyBoneInALaterTriangleIsSplit)
{
    // Vertex 1 has bone 5 alone; the second triangle may keep one bone only and bone 5 is its
    // lightest, so vertex 1 of that triangle becomes a copy bound to bone 9. A palette of two
    // puts the second triangle into a group of its own.
    SkinPartitioner oPartitioner(2, 4, 1);
    oPartitioner.AddVertexBone(0, 5, 1.0f);
    oPartitioner.AddVertexBone(1, 5, 1.0f);
    oPartitioner.AddVertexBone(2, 5, 1.0f);
    oPartitioner.AddVertexBone(3, 9, 1.0f);
    oPartitioner.AddVertexBone(4, 9, 1.0f);
    oPartitioner.AddTriangle(0, 1, 2);
    oPartitioner.AddTriangle(1, 3, 4);
    oPartitioner.Partition();
    ASSERT_EQ(oPartitioner.GetGroupCount(), 2u);
    ExpectSoundGroups(oPartitioner, 12);
    // The first group keeps vertex 1 with bone 5; the second holds the copy with bone 9, which
    // still copies vertex 1's data.
    EXPECT_EQ(oPartitioner.GetSourceVertex(0, 1), 1u);
    EXPECT_EQ(oPartitioner.GetVertexBones(0, 1).count(5), 1u);
    EXPECT_EQ(oPartitioner.GetSourceVertex(1, 0), 1u);
    ASSERT_EQ(oPartitioner.GetVertexBones(1, 0).size(), 1u);
    EXPECT_FLOAT_EQ(oPartitioner.GetVertexBones(1, 0).at(9), 1.0f);
}

TEST(SkinPartitionerTest, LimitsAtTheirEdges)
{
    struct Case
    {
        uint32_t P, W, T;
        uint32_t dwGroups;
        size_t nBonesOfFirstGroup;
    };
    // Three triangles, each with its own two bones.
    const Case aCases[] = {
        {12, 4, 12, 1, 6}, // everything fits
        {12, 0, 12, 1, 0}, // no weights: no bones at all, one group
        {0, 4, 12, 3, 2},  // no palette: each triangle with new bones opens a group
        {12, 4, 0, 1, 6},  // no triangle limit
        {4, 4, 9, 3, 2},   // a triangle limit above the palette uses the palette size
    };
    for (const Case& c : aCases)
    {
        SkinPartitioner oPartitioner(c.P, c.W, c.T);
        for (uint32_t t = 0; t < 3; ++t)
        {
            for (uint32_t k = 0; k < 3; ++k)
            {
                oPartitioner.AddVertexBone(t * 3 + k, t * 2, 0.5f);
                oPartitioner.AddVertexBone(t * 3 + k, t * 2 + 1, 0.5f);
            }
            oPartitioner.AddTriangle(t * 3, t * 3 + 1, t * 3 + 2);
        }
        oPartitioner.Partition();
        ASSERT_EQ(oPartitioner.GetGroupCount(), c.dwGroups) << c.P << " " << c.W << " " << c.T;
        EXPECT_EQ(oPartitioner.GetGroupBones(0).size(), c.nBonesOfFirstGroup)
            << c.P << " " << c.W << " " << c.T;
        ExpectSoundGroups(oPartitioner, c.P ? c.P : 2);
        for (uint32_t g = 0; g < oPartitioner.GetGroupCount(); ++g)
        {
            for (uint32_t l = 0; l < oPartitioner.GetGroupVertexCount(g); ++l)
            {
                EXPECT_EQ(oPartitioner.GetVertexBones(g, l).size(), c.W ? 2u : 0u);
            }
        }
    }
}

TEST(SkinPartitionerTest, ATriangleWithoutNewBonesJoinsTheFullGroup)
{
    SkinPartitioner oPartitioner(2, 4, 2);
    for (uint32_t v = 0; v < 6; ++v)
    {
        oPartitioner.AddVertexBone(v, 0, 0.5f);
        oPartitioner.AddVertexBone(v, 1, 0.5f);
    }
    oPartitioner.AddTriangle(0, 1, 2);
    oPartitioner.AddTriangle(3, 4, 5);
    oPartitioner.Partition();
    ASSERT_EQ(oPartitioner.GetGroupCount(), 1u);
    EXPECT_EQ(oPartitioner.GetGroupTriangles(0).size(), 2u);
}

TEST(SkinPartitionerTest, MeshGroupsShareOneVertexArrayAndKeepTheirShaders)
{
    QIRN_MeshData oMesh;
    SetPositions(oMesh, {V(0, 0, 0), V(1, 0, 0), V(0, 1, 0), V(5, 5, 5), V(6, 5, 5), V(5, 6, 5), V(5, 5, 6)});
    for (int i = 0; i < 3; ++i)
    {
        SetInfluences(oMesh.m_vVertices[i], {{0, 1.0f}});
    }
    for (int i = 3; i < 7; ++i)
    {
        SetInfluences(oMesh.m_vVertices[i], {{1, 0.5f}, {2, 0.5f}});
    }
    oMesh.CreatePalette(3);
    oMesh.m_dwNumPaletteEntries = 3;
    QIRN_Shader oBound;
    PolygonGroup& roFirst = AddGroup(oMesh, {0, 1, 2}, "first");
    roFirst.AddShader(&oBound);
    // Four indices: the last one makes no triangle.
    AddGroup(oMesh, {3, 4, 5, 6}, "second");

    // The third value comes from the file's skin header and is requested unchanged.
    oMesh.m_iPartitionedThird = 12;
    oMesh.m_iRequestedPaletteSize = 12;
    oMesh.m_iRequestedWeights = 4;
    oMesh.m_iRequestedThird = 12;
    oMesh.PartitionSkin(0, 0, 0);
    ASSERT_EQ(oMesh.m_oPolygonGroups.size(), 2u);
    const PolygonGroup& roNewFirst = oMesh.m_oPolygonGroups.front();
    const PolygonGroup& roNewSecond = oMesh.m_oPolygonGroups.back();
    EXPECT_EQ(roNewFirst.m_dwBaseVertex, 0u);
    EXPECT_EQ(roNewSecond.m_dwBaseVertex, 3u);
    EXPECT_EQ(roNewSecond.m_dwNumIndices, 3u);
    EXPECT_EQ(oMesh.m_vVertices.size(), 6u);
    EXPECT_EQ(roNewFirst.GetShader(0), &oBound);
    // The second group binds palette 1 and 2 as its slots 0 and 1.
    ASSERT_EQ(roNewSecond.GetNumBones(), 2);
    EXPECT_EQ(roNewSecond.m_voBones[1].m_iPaletteSlot, 2);
    EXPECT_EQ(roNewSecond.m_voBones[1].m_iMatrixSlot, 1);
    EXPECT_EQ(roNewSecond.m_oBoneSlotMap.at(2), 1);
    EXPECT_EQ(oMesh.m_vVertices[3].m_abyBoneIndices[1], 1);
    EXPECT_EQ(oMesh.m_vVertices[4].m_iSourceIndex, 4);
    // Raw bounds are over the new vertices of the group.
    ExpectNear(roNewSecond.m_oRawBox.m_vMin, V(5, 5, 5));
    ExpectNear(roNewSecond.m_oRawBox.m_vMax, V(6, 6, 5));

    // Unchanged requests change nothing; new ones start again from the unpartitioned data.
    const PolygonGroup* poBefore = &oMesh.m_oPolygonGroups.front();
    oMesh.PartitionSkin(0, 0, 0);
    EXPECT_EQ(&oMesh.m_oPolygonGroups.front(), poBefore);
    oMesh.m_iRequestedWeights = 1;
    oMesh.PartitionSkin(0, 0, 0);
    EXPECT_EQ(oMesh.m_vVertices.size(), 6u);
    EXPECT_EQ(oMesh.m_vVertices[3].m_iNumWeights, 1);
    EXPECT_EQ(oMesh.m_iPartitionedWeights, 1);
    EXPECT_EQ(oMesh.m_oUnpartitionedPolygonGroups.size(), 2u);
}
