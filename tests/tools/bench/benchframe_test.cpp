#include "benchframe.h"
#include "importpatch.h"

#include "qirn_test_support.h"

#include <gtest/gtest.h>

#include <cstring>

namespace
{
BenchFrame MakeFrame()
{
    BenchFrame oFrame;
    oFrame.m_uWidth = 1024;
    oFrame.m_uHeight = 768;
    BenchDraw oClear;
    oClear.uKind = 0;
    oClear.uMask = 0x4100;
    oClear.afClearColor[2] = 0.5f;
    oClear.fClearDepth = 0.75f;
    oFrame.m_voDraws.push_back(oClear);
    BenchDraw oDraw;
    oDraw.uMode = 0x0004;
    oDraw.uStates = BENCH_STATE_TEXTURE_2D | BENCH_STATE_DEPTH_TEST;
    oDraw.uTexture = 7;
    oDraw.uBlendSrc = 0x0302;
    oDraw.afModelView[12] = 3.0f;
    for (int i = 0; i < 6; ++i)
    {
        BenchVertex oVertex = {{float(i), 1.0f, 2.0f}, {0.5f, float(i) / 6.0f}, {1.0f, 0.0f, 0.0f, 1.0f}};
        oDraw.voVertices.push_back(oVertex);
    }
    oFrame.m_voDraws.push_back(oDraw);
    BenchTexture oTexture;
    oTexture.uName = 7;
    oTexture.uWrapS = 0x812F;
    oTexture.voLevels.resize(2);
    oTexture.voLevels[0].uWidth = oTexture.voLevels[0].uHeight = 2;
    oTexture.voLevels[0].vPixels.assign(16, 0xAB);
    oTexture.voLevels[1].uWidth = oTexture.voLevels[1].uHeight = 1;
    oTexture.voLevels[1].vPixels.assign(4, 0x12);
    oFrame.m_voTextures.push_back(oTexture);
    return oFrame;
}
} // namespace

TEST(BenchFrameTest, SavedFrameLoadsBackWithItsDrawsVerticesAndTextures)
{
    qirn_test::ScopedTempDir oDir;
    const BenchFrame oSaved = MakeFrame();
    std::string strError;
    ASSERT_TRUE(oSaved.Save("frame.bin", strError)) << strError;

    BenchFrame oLoaded;
    ASSERT_TRUE(oLoaded.Load("frame.bin", strError)) << strError;
    EXPECT_EQ(oLoaded.m_uWidth, 1024u);
    EXPECT_EQ(oLoaded.m_uHeight, 768u);
    ASSERT_EQ(oLoaded.m_voDraws.size(), 2u);
    EXPECT_EQ(oLoaded.m_voDraws[0].uKind, 0u);
    EXPECT_EQ(oLoaded.m_voDraws[0].uMask, 0x4100u);
    EXPECT_FLOAT_EQ(oLoaded.m_voDraws[0].afClearColor[2], 0.5f);
    EXPECT_FLOAT_EQ(oLoaded.m_voDraws[0].fClearDepth, 0.75f);
    const BenchDraw& roDraw = oLoaded.m_voDraws[1];
    EXPECT_EQ(roDraw.uStates, BENCH_STATE_TEXTURE_2D | BENCH_STATE_DEPTH_TEST);
    EXPECT_EQ(roDraw.uTexture, 7u);
    EXPECT_EQ(roDraw.uBlendSrc, 0x0302u);
    EXPECT_FLOAT_EQ(roDraw.afModelView[12], 3.0f);
    ASSERT_EQ(roDraw.voVertices.size(), 6u);
    EXPECT_EQ(
        memcmp(roDraw.voVertices.data(), oSaved.m_voDraws[1].voVertices.data(), 6 * sizeof(BenchVertex)), 0);
    ASSERT_EQ(oLoaded.m_voTextures.size(), 1u);
    EXPECT_EQ(oLoaded.m_voTextures[0].uWrapS, 0x812Fu);
    ASSERT_EQ(oLoaded.m_voTextures[0].voLevels.size(), 2u);
    EXPECT_EQ(oLoaded.m_voTextures[0].voLevels[0].vPixels, oSaved.m_voTextures[0].voLevels[0].vPixels);
    EXPECT_EQ(oLoaded.m_voTextures[0].voLevels[1].vPixels, oSaved.m_voTextures[0].voLevels[1].vPixels);
    EXPECT_EQ(oLoaded.CountTriangles(), 2u);
}

TEST(BenchFrameTest, DamagedOrForeignFilesAreRefusedWithTheReason)
{
    qirn_test::ScopedTempDir oDir;
    std::string strError;
    ASSERT_TRUE(MakeFrame().Save("frame.bin", strError)) << strError;
    const std::string strWhole = qirn_test::ReadFile("frame.bin");
    std::string strHugeCount = strWhole;
    // The draw count, just after the magic, width and height.
    strHugeCount[16] = strHugeCount[17] = strHugeCount[18] = strHugeCount[19] = '\xFF';

    struct Case
    {
        const char* szName;
        std::string strContent;
        const char* szReason;
    };
    const Case aoCases[] = {
        {"text", "qirn_world_version2.0\n{\n}\n", "is not a dumped frame"},
        {"empty", "", "is not a dumped frame"},
        {"cut in the header", strWhole.substr(0, 14), "is not a dumped frame"},
        {"cut in a draw", strWhole.substr(0, 200), "cut short or damaged"},
        {"cut in a texture", strWhole.substr(0, strWhole.size() - 3), "cut short or damaged"},
        {"count beyond any frame", strHugeCount, "is not a dumped frame"},
    };
    for (const Case& roCase : aoCases)
    {
        qirn_test::WriteFile("bad.bin", roCase.strContent);
        BenchFrame oFrame;
        strError.clear();
        EXPECT_FALSE(oFrame.Load("bad.bin", strError)) << roCase.szName;
        EXPECT_NE(strError.find(roCase.szReason), std::string::npos) << roCase.szName << ": " << strError;
    }
    BenchFrame oFrame;
    EXPECT_FALSE(oFrame.Load("missing.bin", strError));
    EXPECT_NE(strError.find("cannot read"), std::string::npos) << strError;
}

TEST(ImportPatchTest, AFunctionTheProgramDoesNotImportIsNotPatched)
{
    void* pOriginal = nullptr;
    int iHook = 0;
    EXPECT_FALSE(PatchImport("opengl32.dll", "glNoSuchCall", &iHook, &pOriginal));
    EXPECT_FALSE(PatchImport("nosuchlibrary.dll", "glBegin", &iHook, &pOriginal));
    EXPECT_EQ(pOriginal, nullptr);
}
