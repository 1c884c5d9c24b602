#include "geometry_test_support.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace geometry_test;

TEST(MeshDataTest, FillingSetsEveryVertex)
{
    QIRN_MeshData oMesh;
    SetPositions(oMesh, {V(1, 2, 3), V(4, 5, 6)});
    ASSERT_EQ(oMesh.GetNumVertices(), 2u);
    EXPECT_EQ(oMesh.GetVertex(1)->m_iSourceIndex, 1);
    EXPECT_EQ(oMesh.GetVertex(1)->m_dwDiffuse, 0xFFFFFFFFu);
    EXPECT_FLOAT_EQ(oMesh.GetVertex(1)->m_vPosition.z, 6.0f);

    const float afNormals[] = {0, 0, 1, 0, 1, 0};
    oMesh.SetNormals(afNormals);
    EXPECT_FLOAT_EQ(oMesh.GetVertex(1)->m_vNormal.y, 1.0f);

    // v is stored as v - 1.
    const float afUV[] = {0.25f, 0.5f, 0.75f, 1.0f};
    oMesh.AddTexCoords(afUV, 2);
    EXPECT_FLOAT_EQ(oMesh.GetVertex(1)->m_afU[0], 0.75f);
    EXPECT_FLOAT_EQ(oMesh.GetVertex(1)->m_afV[0], 0.0f);
    EXPECT_EQ(oMesh.GetVertex(0)->m_abyTexSetSizes[0], 2);
    const float afUVW[] = {1, 2, 3, 4, 5, 6};
    oMesh.AddTexCoords(afUVW, 3);
    EXPECT_EQ(oMesh.GetVertex(0)->m_dwNumTexSets, 2u);
    EXPECT_FLOAT_EQ(oMesh.GetVertex(1)->m_afW[1], 6.0f);

    // A vertex with all eight sets is skipped without taking its floats.
    oMesh.GetVertex(0)->m_dwNumTexSets = 8;
    const float afU[] = {9.0f, 8.0f};
    oMesh.AddTexCoords(afU, 1);
    EXPECT_FLOAT_EQ(oMesh.GetVertex(1)->m_afU[2], 9.0f);
}

TEST(MeshDataTest, ColorsAreClampedAndAShortArrayIsReadAsFarAsItGoes)
{
    QIRN_MeshData oMesh;
    SetPositions(oMesh, {V(0, 0, 0), V(1, 0, 0), V(2, 0, 0)});
    struct Record
    {
        uint32_t dwIndex;
        float r, g, b, a;
    };
    const Record aRecords[] = {{0, 1.0f, 0.5f, 0.0f, 1.0f}, {1, 2.0f, -1.0f, 0.5f, 0.25f}};
    static_assert(sizeof(Record) == 20, "record size");
    oMesh.SetColors(aRecords, 2);
    EXPECT_EQ(oMesh.GetVertex(0)->m_dwDiffuse, 0xFFFF7F00u);
    EXPECT_EQ(oMesh.GetVertex(1)->m_dwDiffuse, 0x3FFF007Fu);
    EXPECT_FLOAT_EQ(oMesh.GetVertex(1)->m_afU[3], 1.0f);
    EXPECT_FLOAT_EQ(oMesh.GetVertex(1)->m_afV[3], 0.0f);
    EXPECT_EQ(oMesh.GetVertex(2)->m_dwDiffuse, 0xFFFFFFFFu);
}

TEST(MeshDataTest, SkinnedVerticesFromFaceModelRecords)
{
    uint8_t abyRecord[52] = {};
    const float afHead[] = {1, 2, 3, 0.5f, 0.25f, 0.125f};
    memcpy(abyRecord, afHead, sizeof(afHead));
    abyRecord[24] = 3;
    abyRecord[27] = 9;
    const float afTail[] = {0, 1, 0, 0, 0.5f, 0.75f};
    memcpy(abyRecord + 28, afTail, sizeof(afTail));
    QIRN_MeshData oMesh;
    oMesh.SetSkinnedVertices(abyRecord, 1, 4);
    const QIRN_MeshVertex* v = oMesh.GetVertex(0);
    EXPECT_FLOAT_EQ(v->m_afWeights[3], 0.125f);
    EXPECT_EQ(v->m_abyBoneIndices[0], 3);
    EXPECT_EQ(v->m_abyBoneIndices[3], 9);
    EXPECT_EQ(v->m_iNumWeights, 4);
    EXPECT_FLOAT_EQ(v->m_vNormal.y, 1.0f);
    EXPECT_FLOAT_EQ(v->m_afV[0], 0.75f);
    EXPECT_EQ(v->m_dwNumTexSets, 1u);
}

TEST(MeshDataTest, SkinMatricesAndCpuSkinningAgainstHandValues)
{
    QIRN_MeshData oMesh;
    SetPositions(oMesh, {V(1, 0, 0), V(0, 0, 0)});
    const float afNormals[] = {1, 0, 0, 0, 1, 0};
    oMesh.SetNormals(afNormals);
    ASSERT_TRUE(oMesh.CreatePalette(3));
    EXPECT_FALSE(oMesh.CreatePalette(3));
    oMesh.m_dwNumPaletteEntries = 3;
    QIRN_Frame oA, oB;
    Matrix_Translation(0, 10, 0, &oA.m_oCombinedMatrix);
    // B turns a quarter about z (x to y) and sits at (0, 0, 4); its offset moves by -1 in x first.
    QIRN_Matrix4 oTurn, oMove;
    Matrix_RotationZ(90.0f, &oTurn);
    Matrix_Translation(0, 0, 4, &oMove);
    Matrix_Multiply(&oTurn, &oMove, &oB.m_oCombinedMatrix);
    oMesh.m_ppoBonePalette[0] = &oA;
    oMesh.m_ppoBonePalette[1] = &oB;
    Matrix_Translation(-1, 0, 0, &oMesh.m_poOffsetMatrices[1]);

    QIRN_Vector4 p;
    QIRN_Matrix4 m;
    oMesh.GetSkinMatrix(1, &m);
    Vector_TransformCoord(&m, &oMesh.GetVertex(0)->m_vPosition, &p);
    ExpectNear(p, V(0, 0, 4), "skin matrix of B");
    QIRN_Matrix4 oEmpty = oMesh.GetSkinMatrix(2);
    QIRN_Matrix4 oUnknown = oMesh.GetSkinMatrix(7);
    EXPECT_FLOAT_EQ(oEmpty._11, 1.0f);
    EXPECT_FLOAT_EQ(oEmpty._41, 0.0f);
    EXPECT_FLOAT_EQ(oUnknown._22, 1.0f);

    // Vertex 0 at (1, 0, 0), half A and half B: (1, 10, 0) and (0, 0, 4) averaged, then the
    // mesh's own placement (2, 0, 0).
    SetInfluences(*oMesh.GetVertex(0), {{0, 0.5f}, {1, 0.5f}});
    oMesh.m_vUnpartitionedVertices = oMesh.m_vVertices;
    Matrix_Translation(2, 0, 0, &oMesh.m_oLocalMatrix);
    QIRN_MeshVertex oOut;
    oMesh.SkinVertex(&oOut, 0, true, false, false);
    ExpectNear(oOut.m_vPosition, V(2.5f, 5, 2), "skinned position");
    // The normal (1, 0, 0): unchanged by A, turned to (0, 1, 0) by B; normalised.
    ExpectNear(oOut.m_vNormal, V(0.70710678f, 0.70710678f, 0), "skinned normal");
    EXPECT_FLOAT_EQ(oOut.m_afU[0], 0.0f);
    EXPECT_FLOAT_EQ(oOut.m_avTangents[0].w, 1.0f);

    // No influences: the zero position.
    oMesh.SkinVertex(&oOut, 1, false, false, false);
    ExpectNear(oOut.m_vPosition, V(0, 0, 0), "no influences");

    QIRN_Frame oOwner;
    Matrix_Translation(3, 4, 5, &oOwner.m_oCombinedMatrix);
    ExpectNear(oMesh.GetWorldPosition(), V(0, 0, 0));
    oMesh.m_pOwnerFrame = &oOwner;
    ExpectNear(oMesh.GetWorldPosition(), V(3, 4, 5));
}

TEST(MeshDataTest, TangentSpaceFollowsTheTextureAxes)
{
    QIRN_MeshData oMesh;
    SetPositions(oMesh, {V(0, 0, 0), V(1, 0, 0), V(0, 1, 0), V(1, 1, 0)});
    const float afNormals[] = {0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1};
    oMesh.SetNormals(afNormals);
    const float afUV[] = {0, 0, 1, 0, 0, 1, 1, 1};
    oMesh.AddTexCoords(afUV, 2);
    AddGroup(oMesh, {0, 1, 2, 2, 1, 3});
    oMesh.ComputeTangentSpace();
    for (uint32_t i = 0; i < 4; ++i)
    {
        const QIRN_MeshVertex* v = oMesh.GetVertex(static_cast<int>(i));
        ExpectNear(v->m_avTangents[0], V(1, 0, 0), "tangent");
        ExpectNear(v->m_avBinormals[0], V(0, 1, 0), "binormal");
        EXPECT_FLOAT_EQ(v->m_avTangents[0].w, 1.0f);
    }
    EXPECT_EQ(oMesh.GetVertex(1)->m_iTangentCount, 2);
    EXPECT_EQ(oMesh.GetVertex(0)->m_iTangentCount, 1);
}

TEST(MeshDataTest, PreparationGivesEachGroupItsBatch)
{
    int aiTotals[5] = {9, 9, 9, 9, 9};
    int iPrepass = 9;
    unsigned uShadow = 9;
    QIRN_MeshData oEmpty;
    oEmpty.PreparePolygonGroups(&aiTotals[0], &aiTotals[1], &aiTotals[2], &aiTotals[3], &aiTotals[4],
                                &iPrepass, &uShadow);
    for (int i : aiTotals)
    {
        EXPECT_EQ(i, 0);
    }
    EXPECT_EQ(oEmpty.m_dwMaxWeights, 0u);

    QIRN_MeshData oMesh;
    SetPositions(oMesh, {V(0, 0, 0), V(1, 0, 0), V(0, 1, 0), V(1, 1, 0)});
    QIRN_Shader oPrepass, oShadow;
    MakeOnePassShader(oPrepass, "PREPASS");
    MakeOnePassShader(oShadow, "Pass", 0, true);
    AddGroup(oMesh, {0, 1, 2}, "a").AddShader(&oPrepass);
    AddGroup(oMesh, {2, 1, 3}, "b").AddShader(&oShadow);
    oMesh.PreparePolygonGroups(&aiTotals[0], &aiTotals[1], &aiTotals[2], &aiTotals[3], &aiTotals[4],
                               &iPrepass, &uShadow);
    EXPECT_EQ(aiTotals[0], 6);
    EXPECT_EQ(aiTotals[4], 0);
    EXPECT_EQ(iPrepass, 3);
    EXPECT_EQ(uShadow, 3u);
    EXPECT_EQ(oMesh.GetTotalIndexCount(), 6u);
    // Every current vertex keeps its own number in the renderers' tables.
    ASSERT_EQ(oMesh.m_aiVertexTableCount[0], 4);
    EXPECT_EQ(oMesh.m_apiVertexTable[0][3], 3);
    EXPECT_EQ(oMesh.m_apiVertexTable[4], nullptr);

    // Skinned: one batch in set 4; the maximum weights afterwards are the mesh's own.
    oMesh.CreatePalette(1);
    oMesh.m_dwNumPaletteEntries = 1;
    for (QIRN_MeshVertex& v : oMesh.m_vVertices)
    {
        SetInfluences(v, {{0, 0.5f}, {0, 0.5f}});
    }
    oMesh.PreparePolygonGroups(&aiTotals[0], &aiTotals[1], &aiTotals[2], &aiTotals[3], &aiTotals[4],
                               &iPrepass, &uShadow);
    EXPECT_EQ(aiTotals[0], 0);
    EXPECT_EQ(aiTotals[4], 6);
    EXPECT_EQ(oMesh.m_dwMaxWeights, 2u);
    EXPECT_EQ(oMesh.m_aiVertexTableCount[4], 4);
}

TEST(MeshDataTest, ReduceWeightsKeepsTheLargestNormalised)
{
    QIRN_MeshData oMesh;
    SetPositions(oMesh, {V(0, 0, 0)});
    SetInfluences(*oMesh.GetVertex(0), {{1, 0.1f}, {2, 0.4f}, {3, 0.2f}, {4, 0.3f}});
    oMesh.ReduceWeights(2);
    const QIRN_MeshVertex* v = oMesh.GetVertex(0);
    EXPECT_EQ(v->m_iNumWeights, 2);
    EXPECT_EQ(v->m_abyBoneIndices[0], 2);
    EXPECT_EQ(v->m_abyBoneIndices[1], 4);
    EXPECT_NEAR(v->m_afWeights[0], 4.0f / 7.0f, 1e-6f);
    EXPECT_FLOAT_EQ(v->m_afWeights[2], 0.0f);
    oMesh.ReduceWeights(0);
    EXPECT_EQ(oMesh.m_dwMaxWeights, 4u);
}
