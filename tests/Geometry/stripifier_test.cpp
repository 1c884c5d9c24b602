#include "chunkedbuffer.h"
#include "meshadjacency.h"
#include "radixsorter.h"
#include "stripifier.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

namespace
{
typedef std::array<uint32_t, 3> Triangle;

// The same triangle with the same winding compares equal whatever corner it starts at.
Triangle Canonical(Triangle t)
{
    while (t[0] != std::min({t[0], t[1], t[2]}))
    {
        t = {t[1], t[2], t[0]};
    }
    return t;
}

// Every strip unrolled into triangles, degenerate ones left out, sorted.
std::vector<Triangle> Unroll(const StripifierResult& r, bool bWords)
{
    std::vector<Triangle> vTriangles;
    uint32_t dwPos = 0;
    for (uint32_t s = 0; s < r.m_dwNbStrips; ++s)
    {
        uint32_t dwLength = r.m_pdwStripLengths[s];
        auto At = [&](uint32_t i)
        {
            return bWords ? static_cast<const uint16_t*>(r.m_pvStripIndices)[dwPos + i]
                          : static_cast<const uint32_t*>(r.m_pvStripIndices)[dwPos + i];
        };
        for (uint32_t t = 0; t + 2 < dwLength; ++t)
        {
            Triangle tri =
                (t & 1) ? Triangle{At(t + 1), At(t), At(t + 2)} : Triangle{At(t), At(t + 1), At(t + 2)};
            if (tri[0] != tri[1] && tri[1] != tri[2] && tri[0] != tri[2])
            {
                vTriangles.push_back(Canonical(tri));
            }
        }
        dwPos += dwLength;
    }
    std::sort(vTriangles.begin(), vTriangles.end());
    return vTriangles;
}

std::vector<uint32_t> Strip(const StripifierResult& r, uint32_t s = 0)
{
    uint32_t dwPos = 0;
    for (uint32_t i = 0; i < s; ++i)
    {
        dwPos += r.m_pdwStripLengths[i];
    }
    const uint16_t* pw = static_cast<const uint16_t*>(r.m_pvStripIndices);
    return std::vector<uint32_t>(pw + dwPos, pw + dwPos + r.m_pdwStripLengths[s]);
}

// A grid of n x n quads, two triangles each, all wound alike.
std::vector<uint32_t> Grid(uint32_t n)
{
    std::vector<uint32_t> v;
    for (uint32_t y = 0; y < n; ++y)
    {
        for (uint32_t x = 0; x < n; ++x)
        {
            uint32_t a = y * (n + 1) + x, b = a + 1, c = a + n + 1, d = c + 1;
            v.insert(v.end(), {a, c, b, b, c, d});
        }
    }
    return v;
}

StripifierCreateParams Params(const std::vector<uint32_t>& vIndices, bool bOneSided = true,
                              bool bConnect = false)
{
    StripifierCreateParams p;
    p.m_dwNbFaces = static_cast<uint32_t>(vIndices.size() / 3);
    p.m_pdwIndices = vIndices.data();
    p.m_bOneSided = bOneSided;
    p.m_bConnectAllStrips = bConnect;
    return p;
}
} // namespace

TEST(RadixSorterTest, SignedAndUnsignedOrders)
{
    RadixSorter oSorter;
    const uint32_t adwMixed[] = {static_cast<uint32_t>(-1), 5, static_cast<uint32_t>(-3)};
    const uint32_t* r = oSorter.Sort(adwMixed, 3, true).GetRanks();
    EXPECT_EQ(std::vector<uint32_t>(r, r + 3), (std::vector<uint32_t>{2, 0, 1}));
    RadixSorter oUnsigned;
    r = oUnsigned.Sort(adwMixed, 3, false).GetRanks();
    EXPECT_EQ(std::vector<uint32_t>(r, r + 3), (std::vector<uint32_t>{1, 2, 0}));

    // Already ascending: no pass, ranks untouched.
    RadixSorter oSorted;
    const uint32_t adwAscending[] = {1, 2, 300, 70000};
    r = oSorted.Sort(adwAscending, 4, false).GetRanks();
    EXPECT_EQ(oSorted.GetPassCount(), 0u);
    EXPECT_EQ(std::vector<uint32_t>(r, r + 4), (std::vector<uint32_t>{0, 1, 2, 3}));
}

TEST(RadixSorterTest, SuccessiveSortsAreStableAndFewerKeysStayInRange)
{
    // Secondary key first, then the primary one: ties of the primary keep the secondary order.
    const uint32_t adwMinor[] = {3, 1, 2, 0};
    const uint32_t adwMajor[] = {1, 0, 1, 0};
    RadixSorter oSorter;
    const uint32_t* r = oSorter.Sort(adwMinor, 4, false).Sort(adwMajor, 4, false).GetRanks();
    EXPECT_EQ(std::vector<uint32_t>(r, r + 4), (std::vector<uint32_t>{3, 1, 2, 0}));
    // A shorter sort after a longer one answers ranks of its own keys only.
    const uint32_t adwTwo[] = {9, 4};
    r = oSorter.Sort(adwTwo, 2, false).GetRanks();
    EXPECT_EQ(std::vector<uint32_t>(r, r + 2), (std::vector<uint32_t>{1, 0}));
}

TEST(ChunkedBufferTest, GrowsAcrossCellsAndCollapsesInOrder)
{
    ChunkedBuffer oBuffer(8);
    EXPECT_EQ(oBuffer.Collapse(), nullptr);
    for (uint32_t i = 0; i < 100; ++i)
    {
        oBuffer.StoreU32(i).StoreU16(static_cast<uint16_t>(i + 1000));
    }
    ASSERT_EQ(oBuffer.GetSize(), 600u);
    const uint8_t* pby = static_cast<const uint8_t*>(oBuffer.Collapse());
    ASSERT_NE(pby, nullptr);
    for (uint32_t i = 0; i < 100; ++i)
    {
        uint32_t dw = 0;
        uint16_t w = 0;
        memcpy(&dw, pby + i * 6, 4);
        memcpy(&w, pby + i * 6 + 4, 2);
        EXPECT_EQ(dw, i);
        EXPECT_EQ(w, i + 1000);
    }
    std::vector<uint8_t> vCopy(600);
    EXPECT_EQ(oBuffer.Collapse(vCopy.data()), vCopy.data());
    EXPECT_EQ(memcmp(vCopy.data(), pby, 600), 0);
}

TEST(MeshAdjacencyTest, LinksSharedEdgesBothWays)
{
    const uint16_t awIndices[] = {0, 1, 2, 2, 1, 3};
    MeshAdjacency oAdjacency;
    ASSERT_TRUE(oAdjacency.Init(2, nullptr, awIndices));
    ASSERT_TRUE(oAdjacency.LinkFaces());
    const AdjacencyFace& f0 = oAdjacency.m_poFaces[0];
    const AdjacencyFace& f1 = oAdjacency.m_poFaces[1];
    EXPECT_EQ(f0.FindEdge(2, 1), 2);
    EXPECT_EQ(f0.FindEdge(0, 3), 255);
    EXPECT_EQ(f0.OppositeVertex(1, 2), 0u);
    EXPECT_EQ(f0.OppositeVertex(1, 3), ADJACENCY_OPEN_EDGE);
    EXPECT_EQ(f0.m_adwLink[0], ADJACENCY_OPEN_EDGE);
    EXPECT_EQ(AdjacencyLinkFace(f0.m_adwLink[2]), 1u);
    EXPECT_EQ(AdjacencyLinkEdge(f0.m_adwLink[2]), 0u);
    EXPECT_EQ(AdjacencyLinkFace(f1.m_adwLink[0]), 0u);
    EXPECT_EQ(AdjacencyLinkEdge(f1.m_adwLink[0]), 2u);
}

TEST(StripifierTest, SmallMeshesGiveTheKnownStrips)
{
    Stripifier oStripifier;
    StripifierResult r;
    std::vector<uint32_t> vQuad = {0, 1, 2, 2, 1, 3};
    ASSERT_TRUE(oStripifier.Init(Params(vQuad)));
    ASSERT_TRUE(oStripifier.Compute(r));
    ASSERT_EQ(r.m_dwNbStrips, 1u);
    EXPECT_EQ(Strip(r), (std::vector<uint32_t>{3, 2, 1, 0}));

    std::vector<uint32_t> vOne = {0, 1, 2};
    ASSERT_TRUE(oStripifier.Init(Params(vOne, true)));
    ASSERT_TRUE(oStripifier.Compute(r));
    EXPECT_EQ(Strip(r), (std::vector<uint32_t>{2, 0, 1}));
    ASSERT_TRUE(oStripifier.Init(Params(vOne, false)));
    ASSERT_TRUE(oStripifier.Compute(r));
    EXPECT_EQ(Strip(r), (std::vector<uint32_t>{2, 1, 0}));

    // Faces (0, 1, 2) each when no indices are given.
    StripifierCreateParams p;
    p.m_dwNbFaces = 1;
    ASSERT_TRUE(oStripifier.Init(p));
    ASSERT_TRUE(oStripifier.Compute(r));
    EXPECT_EQ(Strip(r), (std::vector<uint32_t>{2, 0, 1}));
}

TEST(StripifierTest, AnEdgeOfThreeFacesCannotBeStripped)
{
    std::vector<uint32_t> vFan = {0, 1, 2, 1, 0, 3, 0, 1, 4};
    Stripifier oStripifier;
    EXPECT_FALSE(oStripifier.Init(Params(vFan)));
    StripifierResult r;
    EXPECT_FALSE(oStripifier.Compute(r));
}

TEST(StripifierTest, JoiningTwoStripsAddsTwoDegenerateIndices)
{
    // Two separate quads: two strips of 4, joined as 4 + 2 + 4.
    std::vector<uint32_t> vQuads = {0, 1, 2, 2, 1, 3, 4, 5, 6, 6, 5, 7};
    Stripifier oStripifier;
    StripifierResult r;
    ASSERT_TRUE(oStripifier.Init(Params(vQuads, false, false)));
    ASSERT_TRUE(oStripifier.Compute(r));
    ASSERT_EQ(r.m_dwNbStrips, 2u);
    ASSERT_TRUE(oStripifier.Init(Params(vQuads, false, true)));
    ASSERT_TRUE(oStripifier.Compute(r));
    ASSERT_EQ(r.m_dwNbStrips, 1u);
    EXPECT_EQ(r.m_pdwStripLengths[0], 10u);
}

// Whatever the options, the strips unroll to exactly the input triangles, wound as given when
// one-sided.
TEST(StripifierTest, UnrolledStripsGiveBackTheTrianglesWithTheirWinding)
{
    std::vector<uint32_t> vMesh = Grid(5);
    // A few loose triangles and a fan as well.
    vMesh.insert(vMesh.end(), {100, 101, 102, 200, 201, 202, 200, 202, 203, 200, 203, 204, 200, 204, 205});
    std::vector<Triangle> vExpected;
    for (size_t i = 0; i < vMesh.size(); i += 3)
    {
        vExpected.push_back(Canonical({vMesh[i], vMesh[i + 1], vMesh[i + 2]}));
    }
    std::sort(vExpected.begin(), vExpected.end());
    for (int iCase = 0; iCase < 8; ++iCase)
    {
        StripifierCreateParams p = Params(vMesh, true, (iCase & 1) != 0);
        p.m_bSortByNeighbours = (iCase & 2) != 0;
        p.m_bAskForWords = (iCase & 4) == 0;
        Stripifier oStripifier;
        StripifierResult r;
        ASSERT_TRUE(oStripifier.Init(p));
        ASSERT_TRUE(oStripifier.Compute(r));
        EXPECT_EQ(Unroll(r, p.m_bAskForWords), vExpected) << "case " << iCase;
        if (!p.m_bConnectAllStrips)
        {
            EXPECT_LT(r.m_dwNbStrips, vExpected.size()) << "case " << iCase;
        }
    }
}
