#include "geometry_test_support.h"
#include "qirn_rendergroup.h"

#include <gtest/gtest.h>

using namespace geometry_test;

TEST(RenderGroupTest, ANewGroupHasEmptyListsAndOneNullSlotPerShaderSlot)
{
    PolygonGroup oGroup(3, "g", nullptr);
    oGroup.AddShader(nullptr);
    oGroup.AddShader(nullptr);
    oGroup.AddShader(nullptr);
    int iMesh = 0;
    QIRN_RenderGroup oRender(&oGroup, &iMesh);
    EXPECT_EQ(oRender.m_pPolygonGroup, &oGroup);
    EXPECT_EQ(oRender.m_pMesh, &iMesh);
    ASSERT_EQ(oRender.m_iNumShaderSlots, 3);
    for (int i = 0; i < 3; ++i)
    {
        EXPECT_EQ(oRender.m_ppShaderSlots[i], nullptr);
    }
    for (int iList = 1; iList <= 5; ++iList)
    {
        EXPECT_EQ(oRender.GetNumBatches(iList), 0);
        EXPECT_EQ(oRender.GetBatches(iList), nullptr);
    }
    EXPECT_EQ(oRender.m_pNeighbourBatch, nullptr);
    EXPECT_FALSE(oRender.AddBatch(6, QIRN_RenderBatch()));
}

TEST(RenderGroupTest, CopiesAreIndependent)
{
    PolygonGroup oGroup(3, "g", nullptr);
    oGroup.AddShader(nullptr);
    int iShader = 0;
    QIRN_RenderGroup* poSource = new QIRN_RenderGroup(&oGroup, nullptr);
    poSource->m_ppShaderSlots[0] = &iShader;
    for (uint32_t i = 0; i < 3; ++i)
    {
        QIRN_RenderBatch oBatch = {0, 5, 0, 4, i * 10, QIRN_PrimitiveCount(5, 10)};
        ASSERT_TRUE(poSource->AddBatch(5, oBatch));
    }
    poSource->m_pNeighbourBatch = new QIRN_RenderBatch{0, 4, 1, 2, 3, QIRN_PrimitiveCount(4, 9)};
    QIRN_RenderGroup oCopy(&oGroup, nullptr);
    oCopy = *poSource;
    EXPECT_NE(oCopy.m_pBatches5, poSource->m_pBatches5);
    EXPECT_NE(oCopy.m_pNeighbourBatch, poSource->m_pNeighbourBatch);
    EXPECT_NE(oCopy.m_ppShaderSlots, poSource->m_ppShaderSlots);
    delete poSource;
    ASSERT_EQ(oCopy.m_iNumBatches5, 3);
    EXPECT_EQ(oCopy.m_pBatches5[2].m_dwStartIndex, 20u);
    EXPECT_EQ(oCopy.m_pBatches5[0].m_dwPrimitiveCount, 8u);
    EXPECT_EQ(oCopy.m_pNeighbourBatch->m_dwPrimitiveCount, 3u);
    EXPECT_EQ(oCopy.m_ppShaderSlots[0], &iShader);
    EXPECT_EQ(oCopy.m_iNumBatches1, 0);
    EXPECT_EQ(oCopy.m_pBatches1, nullptr);
}
