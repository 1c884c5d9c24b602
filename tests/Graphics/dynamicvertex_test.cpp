#include "qirn_dynamicvertex.h"
#include "qirn_test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace
{
typedef std::map<std::string, int> OffsetMap;

// Every component the layout has, by a short name, with its offset.
OffsetMap Offsets(const QIRN_DynamicVertex& v)
{
    OffsetMap m;
    auto add = [&m](const std::string& szName, int32_t iOffset)
    {
        if (iOffset >= 0)
        {
            m[szName] = iOffset;
        }
    };
    auto addArray = [&add](const std::string& szName, const int32_t* piOffsets, int iCount)
    {
        for (int i = 0; i < iCount; ++i)
        {
            add(szName + std::to_string(i), piOffsets[i]);
        }
    };
    add("pos", v.m_iPositionOffset);
    add("rhw", v.m_iRHWOffset);
    addArray("w", v.m_aiWeightOffset, 4);
    addArray("i", v.m_aiIndexOffset, 5);
    add("n", v.m_iNormalOffset);
    add("diff", v.m_iDiffuseOffset);
    add("spec", v.m_iSpecularOffset);
    add("psize", v.m_iPointSizeOffset);
    addArray("u", v.m_aiTexCoordUOffset, 8);
    addArray("v", v.m_aiTexCoordVOffset, 8);
    addArray("tw", v.m_aiTexCoordWOffset, 8);
    addArray("q", v.m_aiTexCoordQOffset, 8);
    add("n1pos", v.m_iNeighbor1PositionOffset);
    addArray("n1w", v.m_aiNeighbor1WeightOffset, 4);
    addArray("n1i", v.m_aiNeighbor1IndexOffset, 5);
    add("n2pos", v.m_iNeighbor2PositionOffset);
    addArray("n2w", v.m_aiNeighbor2WeightOffset, 4);
    addArray("n2i", v.m_aiNeighbor2IndexOffset, 5);
    add("fn", v.m_iFaceNormalOffset);
    add("tan", v.m_iTangentOffset);
    add("bin", v.m_iBinormalOffset);
    return m;
}

const uint32_t UB4 = QIRN_FVF_LASTBETA_UBYTE4;
const uint32_t TEX1 = 0x100;

enum Switch : unsigned
{
    NONE = 0,
    TANGENT = 1,
    BINORMAL = 2,
    NEIGHBORS = 4,
    FLOATINDICES = 8,
    FLOATCOLORS = 16,
};

struct LayoutCase
{
    const char* szName;
    uint32_t dwFVF;
    unsigned uSwitches;
    OffsetMap expected;
    int iStride;
};

float ReadFloatAt(const uint8_t* p)
{
    float f = 0.0f;
    memcpy(&f, p, sizeof(f));
    return f;
}

uint32_t ReadDwordAt(const uint8_t* p)
{
    uint32_t dw = 0;
    memcpy(&dw, p, sizeof(dw));
    return dw;
}
} // namespace

TEST(DynamicVertexTest, LayoutOffsetsForFormatCodes)
{
    const uint32_t dwFourSets = QIRN_FVF_XYZ | 0x400 | QIRN_FVF_TEXCOORDSIZE(QIRN_FVF_TEXTUREFORMAT1, 0) |
                                QIRN_FVF_TEXCOORDSIZE(QIRN_FVF_TEXTUREFORMAT2, 1) |
                                QIRN_FVF_TEXCOORDSIZE(QIRN_FVF_TEXTUREFORMAT3, 2) |
                                QIRN_FVF_TEXCOORDSIZE(QIRN_FVF_TEXTUREFORMAT4, 3);
    const std::vector<LayoutCase> cases = {
        {"xyz normal diffuse specular tex1",
         0x1D2,
         NONE,
         {{"pos", 0}, {"n", 12}, {"diff", 24}, {"spec", 28}, {"u0", 32}, {"v0", 36}},
         40},
        {"xyzb4 packed indices",
         QIRN_FVF_XYZB4 | UB4 | QIRN_FVF_NORMAL | TEX1,
         NONE,
         {{"pos", 0},
          {"w0", 12},
          {"w1", 16},
          {"w2", 20},
          {"i0", 24},
          {"i1", 25},
          {"i2", 26},
          {"i3", 27},
          {"n", 28},
          {"u0", 40},
          {"v0", 44}},
         48},
        {"xyzb4 float indices",
         QIRN_FVF_XYZB4 | UB4 | QIRN_FVF_NORMAL | TEX1,
         FLOATINDICES,
         {{"pos", 0},
          {"w0", 12},
          {"w1", 16},
          {"w2", 20},
          {"i0", 24},
          {"i1", 28},
          {"i2", 32},
          {"i3", 36},
          {"n", 40},
          {"u0", 52},
          {"v0", 56}},
         60},
        {"xyzrhw has no normal",
         QIRN_FVF_XYZRHW | QIRN_FVF_NORMAL | QIRN_FVF_DIFFUSE,
         NONE,
         {{"pos", 0}, {"rhw", 12}, {"diff", 16}},
         20},
        {"xyzb1 without indices", QIRN_FVF_XYZB1, NONE, {{"pos", 0}}, 12},
        {"xyzb1 packed index", QIRN_FVF_XYZB1 | UB4, NONE, {{"pos", 0}, {"i0", 12}}, 16},
        {"xyzb1 float index", QIRN_FVF_XYZB1 | UB4, FLOATINDICES, {{"pos", 0}, {"i0", 12}}, 16},
        {"xyzb2 without indices", QIRN_FVF_XYZB2, NONE, {{"pos", 0}, {"w0", 12}}, 16},
        {"xyzb2 packed", QIRN_FVF_XYZB2 | UB4, NONE, {{"pos", 0}, {"w0", 12}, {"i0", 16}, {"i1", 17}}, 20},
        {"xyzb2 floats",
         QIRN_FVF_XYZB2 | UB4,
         FLOATINDICES,
         {{"pos", 0}, {"w0", 12}, {"i0", 16}, {"i1", 20}},
         24},
        {"xyzb3 packed",
         QIRN_FVF_XYZB3 | UB4,
         NONE,
         {{"pos", 0}, {"w0", 12}, {"w1", 16}, {"i0", 20}, {"i1", 21}, {"i2", 22}},
         24},
        {"xyzb3 floats",
         QIRN_FVF_XYZB3 | UB4,
         FLOATINDICES,
         {{"pos", 0}, {"w0", 12}, {"w1", 16}, {"i0", 20}, {"i1", 24}, {"i2", 28}},
         32},
        {"xyzb5 without indices",
         QIRN_FVF_XYZB5,
         NONE,
         {{"pos", 0}, {"w0", 12}, {"w1", 16}, {"w2", 20}, {"w3", 24}},
         28},
        {"xyzb5 packed",
         QIRN_FVF_XYZB5 | UB4,
         NONE,
         {{"pos", 0},
          {"w0", 12},
          {"w1", 16},
          {"w2", 20},
          {"w3", 24},
          {"i0", 28},
          {"i1", 29},
          {"i2", 30},
          {"i3", 31}},
         32},
        {"float colours, point size last",
         QIRN_FVF_XYZ | QIRN_FVF_DIFFUSE | QIRN_FVF_SPECULAR | QIRN_FVF_PSIZE,
         FLOATCOLORS,
         {{"pos", 0}, {"diff", 12}, {"spec", 28}, {"psize", 44}},
         48},
        {"texture set sizes 1 to 4",
         dwFourSets,
         NONE,
         {{"pos", 0},
          {"u0", 12},
          {"u1", 16},
          {"v1", 20},
          {"u2", 24},
          {"v2", 28},
          {"tw2", 32},
          {"u3", 36},
          {"v3", 40},
          {"tw3", 44},
          {"q3", 48}},
         52},
        {"no position", QIRN_FVF_DIFFUSE, NONE, {{"diff", 0}}, 4},
        {"neighbours on xyz: face normal only", QIRN_FVF_XYZ, NEIGHBORS, {{"pos", 0}, {"fn", 12}}, 24},
        {"tangent and binormal",
         QIRN_FVF_XYZ | QIRN_FVF_NORMAL,
         TANGENT | BINORMAL,
         {{"pos", 0}, {"n", 12}, {"tan", 24}, {"bin", 40}},
         52},
        {"xyzb4 packed neighbours",
         QIRN_FVF_XYZB4 | UB4,
         NEIGHBORS,
         {{"pos", 0},   {"w0", 12},   {"w1", 16},    {"w2", 20},   {"i0", 24},    {"i1", 25},
          {"i2", 26},   {"i3", 27},   {"n1pos", 28}, {"n1i0", 40}, {"n1i1", 41},  {"n1i2", 42},
          {"n1i3", 43}, {"n1w0", 44}, {"n1w1", 48},  {"n1w2", 52}, {"n2pos", 56}, {"n2i0", 68},
          {"n2i1", 69}, {"n2i2", 70}, {"n2i3", 71},  {"n2w0", 72}, {"n2w1", 76},  {"n2w2", 80}},
         84},
        {"xyzb3 packed neighbours",
         QIRN_FVF_XYZB3 | UB4,
         NEIGHBORS,
         {{"pos", 0},
          {"w0", 12},
          {"w1", 16},
          {"i0", 20},
          {"i1", 21},
          {"i2", 22},
          {"n1pos", 24},
          {"n1i0", 36},
          {"n1i1", 37},
          {"n1i2", 38},
          {"n1w0", 40},
          {"n1w1", 44},
          {"n2pos", 48},
          {"n2i0", 60},
          {"n2i1", 61},
          {"n2i2", 62},
          {"n2w0", 64},
          {"n2w1", 68}},
         72},
        {"xyzb3 float neighbours",
         QIRN_FVF_XYZB3 | UB4,
         NEIGHBORS | FLOATINDICES,
         {{"pos", 0},
          {"w0", 12},
          {"w1", 16},
          {"i0", 20},
          {"i1", 24},
          {"i2", 28},
          {"n1pos", 32},
          {"n1i0", 44},
          {"n1i1", 48},
          {"n1i2", 52},
          {"n1w0", 56},
          {"n1w1", 60},
          {"n2pos", 64},
          {"n2i0", 76},
          {"n2i1", 80},
          {"n2i2", 84},
          {"n2w0", 88},
          {"n2w1", 92}},
         96},
    };
    for (const LayoutCase& c : cases)
    {
        QIRN_DynamicVertex v;
        v.SetVertexFormat(c.dwFVF, c.uSwitches & TANGENT, c.uSwitches & BINORMAL, c.uSwitches & NEIGHBORS,
                          c.uSwitches & FLOATINDICES, c.uSwitches & FLOATCOLORS);
        EXPECT_EQ(Offsets(v), c.expected) << c.szName;
        EXPECT_EQ(v.Size(), c.iStride) << c.szName;
        EXPECT_EQ(v.GetFVF(), c.dwFVF) << c.szName;
    }
}

TEST(DynamicVertexTest, SizesAndQueries)
{
    QIRN_DynamicVertex v;
    v.SetVertexFormat(QIRN_FVF_XYZB4 | UB4, false, false, false, false, true);
    EXPECT_EQ(v.m_iIndexSize, 1);
    EXPECT_EQ(v.m_iColorSize, 4);
    v.SetVertexFormat(QIRN_FVF_XYZ, false, false, false, true, false);
    EXPECT_EQ(v.m_iIndexSize, -1);
    EXPECT_EQ(v.m_iColorSize, 1);

    // HasXYZ tests one bit, so some blended positions answer false.
    const struct
    {
        uint32_t dwFVF;
        bool bHasXYZ;
    } positions[] = {
        {QIRN_FVF_XYZ, true},    {QIRN_FVF_XYZB1, true},  {QIRN_FVF_XYZB3, true},   {QIRN_FVF_XYZB5, true},
        {QIRN_FVF_XYZB2, false}, {QIRN_FVF_XYZB4, false}, {QIRN_FVF_XYZRHW, false}, {0, false},
    };
    for (const auto& p : positions)
    {
        v.SetVertexFormat(p.dwFVF, false, false, false, false, false);
        EXPECT_EQ(v.HasXYZ(), p.bHasXYZ) << std::hex << p.dwFVF;
    }

    v.SetVertexFormat(0x1D2, false, true, false, false, false);
    EXPECT_TRUE(v.HasNormal());
    EXPECT_TRUE(v.HasDiffuse());
    EXPECT_TRUE(v.HasSpecular());
    EXPECT_FALSE(v.HasTangent());
    EXPECT_TRUE(v.HasBinormal());
    EXPECT_EQ(v.GetNumTexCoords(), 1u);

    // More sets than the eight a vertex can carry: only eight are laid out.
    v.SetVertexFormat(QIRN_FVF_XYZ | 0x900, false, false, false, false, false);
    EXPECT_EQ(v.GetNumTexCoords(), 9u);
    EXPECT_EQ(v.Size(), 12 + 8 * 8);
    EXPECT_EQ(v.GetTexCoordSize(7), 2);
    EXPECT_EQ(v.GetTexCoordSize(8), 0);
    EXPECT_EQ(v.GetTexCoordSize(-1), 0);
}

TEST(DynamicVertexTest, NeighboursWithoutBoneIndicesAreLeftOut)
{
    qirn_test::LogCapture log;
    QIRN_DynamicVertex v;
    v.SetVertexFormat(QIRN_FVF_XYZB4, false, false, true, false, false);
    EXPECT_EQ(v.Size(), 24);
    EXPECT_EQ(v.m_iNeighbor1PositionOffset, -1);
    EXPECT_EQ(v.m_iFaceNormalOffset, -1);
    EXPECT_TRUE(log.Contains("QIRN_DynamicVertex::SetVertexFormat() - Neighbour data needs bone indices"));
}

TEST(DynamicVertexTest, FreshObjectAnswersZeroAndSetVertexLogs)
{
    qirn_test::LogCapture log;
    QIRN_DynamicVertex v;
    EXPECT_EQ(v.Size(), 0);
    EXPECT_EQ(v.GetPositionX(), 0.0f);
    EXPECT_EQ(v.GetNormalZ(), 0.0f);
    EXPECT_EQ(v.GetRHW(), 0.0f);
    EXPECT_EQ(v.GetDiffuse(), 0u);
    EXPECT_EQ(v.GetTexCoordU(0), 0.0f);
    EXPECT_EQ(v.NextVertex(), nullptr);
    v.SetPosition(1.0f, 2.0f, 3.0f);
    v.SetVertex(0);
    EXPECT_EQ(v.m_pCursor, nullptr);
    EXPECT_EQ(log.All(), "*** QIRN_DynamicVertex::SetVertex() - Base pointer is NULL\n");
}

TEST(DynamicVertexTest, WritesAndReadsUnderTheCursor)
{
    QIRN_DynamicVertex v;
    v.SetVertexFormat(0x1D2, false, false, false, false, false);
    std::vector<uint8_t> memory(3 * 40, 0xAB);
    v.SetBasePointer(memory.data());

    EXPECT_EQ(v.NextVertex(), memory.data());
    EXPECT_EQ(v.m_pCursor, memory.data() + 40);
    v.SetPosition(1.0f, 2.0f, 3.0f);
    v.SetNormal(0.0f, 1.0f, 0.0f);
    v.SetDiffuse(0x80FF0000u);
    v.SetSpecular(0x11223344u);
    v.SetTexCoord2(0, 0.25f, 0.75f);
    // Absent components and indices out of range write nothing.
    v.SetRHW(9.0f);
    v.SetWeight(0, 9.0f);
    v.SetTexCoord2(1, 9.0f, 9.0f);
    v.SetTexCoord1(8, 9.0f);
    v.SetTangent(9.0f, 9.0f, 9.0f, 9.0f);
    v.SetDiffuseFloats(9.0f, 9.0f, 9.0f, 9.0f);

    const uint8_t* p = memory.data() + 40;
    EXPECT_EQ(ReadFloatAt(p + 0), 1.0f);
    EXPECT_EQ(ReadFloatAt(p + 8), 3.0f);
    EXPECT_EQ(ReadFloatAt(p + 16), 1.0f);
    EXPECT_EQ(ReadDwordAt(p + 24), 0x80FF0000u);
    EXPECT_EQ(ReadDwordAt(p + 28), 0x11223344u);
    EXPECT_EQ(ReadFloatAt(p + 36), 0.75f);
    for (size_t i = 0; i < 40; ++i)
    {
        EXPECT_EQ(memory[i], 0xAB) << "vertex 0 byte " << i;
        EXPECT_EQ(memory[80 + i], 0xAB) << "vertex 2 byte " << i;
    }

    v.SetVertex(1);
    EXPECT_EQ(v.GetPositionY(), 2.0f);
    EXPECT_EQ(v.GetNormalY(), 1.0f);
    EXPECT_EQ(v.GetDiffuse(), 0x80FF0000u);
    EXPECT_EQ(v.GetTexCoordU(0), 0.25f);
    EXPECT_EQ(v.GetTexCoordV(0), 0.75f);
    EXPECT_EQ(v.GetTexCoordW(0), 0.0f);
    EXPECT_EQ(v.GetRHW(), 0.0f);
}

TEST(DynamicVertexTest, IndicesColoursAndShortTextureSets)
{
    std::vector<uint8_t> memory(128, 0);
    QIRN_DynamicVertex v;
    v.SetBasePointer(memory.data());

    v.SetVertexFormat(QIRN_FVF_XYZB3 | UB4, false, false, false, false, false);
    v.SetIndex(2, 7);
    v.SetIndex(3, 9);
    EXPECT_EQ(memory[22], 7);
    EXPECT_EQ(memory[23], 0);

    std::fill(memory.begin(), memory.end(), 0);
    v.SetVertexFormat(QIRN_FVF_XYZB3 | UB4, false, false, false, true, false);
    v.SetIndex(2, 7);
    EXPECT_EQ(ReadFloatAt(memory.data() + 28), 7.0f);

    // Float colours take no packed diffuse; specular is packed either way.
    std::fill(memory.begin(), memory.end(), 0);
    v.SetVertexFormat(QIRN_FVF_XYZ | QIRN_FVF_DIFFUSE | QIRN_FVF_SPECULAR, false, false, false, false, true);
    v.SetDiffuse(0xFFFFFFFFu);
    EXPECT_EQ(ReadDwordAt(memory.data() + 12), 0u);
    v.SetDiffuseFloats(0.1f, 0.2f, 0.3f, 0.4f);
    EXPECT_EQ(ReadFloatAt(memory.data() + 24), 0.4f);
    v.SetSpecular(0x01020304u);
    EXPECT_EQ(ReadDwordAt(memory.data() + 28), 0x01020304u);

    std::fill(memory.begin(), memory.end(), 0);
    v.SetVertexFormat(QIRN_FVF_XYZ | QIRN_FVF_DIFFUSE, false, false, false, false, false);
    v.SetDiffuseFloats(1.0f, 1.0f, 1.0f, 1.0f);
    EXPECT_EQ(ReadDwordAt(memory.data() + 12), 0u);
    EXPECT_EQ(ReadDwordAt(memory.data() + 16), 0u);

    // A one-float set takes u and stops.
    std::fill(memory.begin(), memory.end(), 0);
    v.SetVertexFormat(QIRN_FVF_XYZ | TEX1 | 0x200 | QIRN_FVF_TEXCOORDSIZE(QIRN_FVF_TEXTUREFORMAT1, 0), false,
                      false, false, false, false);
    v.SetTexCoord4(0, 5.0f, 6.0f, 7.0f, 8.0f);
    EXPECT_EQ(ReadFloatAt(memory.data() + 12), 5.0f);
    EXPECT_EQ(ReadFloatAt(memory.data() + 16), 0.0f);

    std::fill(memory.begin(), memory.end(), 0);
    v.SetVertexFormat(QIRN_FVF_XYZB4 | UB4, true, true, true, false, false);
    v.SetNeighbor1Index(3, 200);
    v.SetNeighbor2Weight(2, 0.5f);
    v.SetNeighbor2Position(1.0f, 2.0f, 3.0f);
    v.SetTangent(1.0f, 2.0f, 3.0f, -1.0f);
    v.SetFaceNormal(1.0f, 1.0f, 1.0f);
    EXPECT_EQ(memory[43], 200);
    EXPECT_EQ(ReadFloatAt(memory.data() + 80), 0.5f);
    EXPECT_EQ(ReadFloatAt(memory.data() + 64), 3.0f);
    EXPECT_EQ(ReadFloatAt(memory.data() + 96), -1.0f);
    EXPECT_EQ(v.Size(), 112);
    for (size_t i = 112; i < memory.size(); ++i)
    {
        EXPECT_EQ(memory[i], 0) << "byte " << i;
    }
}
