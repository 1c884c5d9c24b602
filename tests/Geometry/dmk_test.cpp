#include "qirn_bitmap.h"
#include "qirn_dmk.h"
#include "qirn_geometry.h"
#include "qirn_meshdata.h"
#include "qirn_settings.h"
#include "qirn_shader.h"
#include "qirn_skeleton.h"
#include "qirn_test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
const char* const IDENTITY = "1 0 0 0  0 1 0 0  0 0 1 0  0 0 0 1";
// Library layout: the translation is the last column.
const char* const UP_ONE = "1 0 0 0  0 1 0 1  0 0 1 0  0 0 0 1";
const char* const OPAQUE_MATERIAL = "1 1 1 1  1 0.2 0.2 0.2  1 0.5 0.5 0.5  1 0 0 0  10";
const char* const GLASS_MATERIAL = "0.5 0.3 0.3 0.3  1 0 0 0  1 0 0 0  1 0 0 0  4";

std::string Triangle(int a, int b, int c)
{
    return "f " + std::to_string(a) + " " + std::to_string(b) + " " + std::to_string(c) + "\n";
}

// Position, weights, palette slots, normal, uv.
std::string Vertex(float x, float y, const char* szSlots = "0 1 2 0", const char* szWeights = "0.5 0.25 0.25")
{
    return "v " + std::to_string(x) + " " + std::to_string(y) + " 0  " + szWeights + "  " + szSlots +
           "  0 0 1  0 0\n";
}

// Head, eyes, a pruned subtree, a skinned textured mesh (alpha), a static translucent mesh with
// no name, an eye mesh whose texture has no pixels, neutral plus two visemes and a blink.
std::string FaceModel()
{
    std::string s = "DMSDK 1\n# a test head\n";
    s += "texture 1 8 8 2 checker 80FF0000 FF00FF00\n";
    s += "texture 2 4 4 1 none 0 0\n";
    s += std::string("material 1 ") + OPAQUE_MATERIAL + "\n";
    s += std::string("material 2 ") + GLASS_MATERIAL + "\n";
    s += std::string("frame ROOT - ") + IDENTITY + "\n";
    s += std::string("frame SKBA ROOT ") + UP_ONE + "\n";
    s += std::string("frame EYEL SKBA ") + IDENTITY + "\n";
    s += std::string("frame EYER SKBA ") + IDENTITY + "\n";
    s += std::string("frame JAWB SKBA ") + IDENTITY + "\n";
    s += std::string("frame LIDL EYEL ") + IDENTITY + "\n";
    s += std::string("frame hgr2 ROOT ") + IDENTITY + "\n";
    s += std::string("frame HIDE hgr2 ") + IDENTITY + "\n";
    s += "mesh SKIN SKBA 1 1 3 SKBA JAWB SKBA\n";
    s += Vertex(0, 0) + Vertex(1, 0) + Vertex(1, 1) + Vertex(0, 1);
    s += Triangle(0, 1, 2) + Triangle(0, 2, 3);
    s += "mesh - ROOT 2 - 0\n";
    s += Vertex(0, 0, "0 0 0 0") + Vertex(1, 0, "0 0 0 0") + Vertex(1, 1, "0 0 0 0");
    s += Triangle(0, 1, 2) + Triangle(2, 1, 0);
    s += "mesh HIDN HIDE 1 - 0\n";
    s += Vertex(0, 0, "0 0 0 0") + Vertex(1, 0, "0 0 0 0") + Vertex(1, 1, "0 0 0 0") + Triangle(0, 1, 2);
    s += "mesh EYES EYEL 1 2 1 JAWB\n";
    s += Vertex(0, 0, "0 0 0 0") + Vertex(1, 0, "0 0 0 0") + Vertex(1, 1, "0 0 0 0") + Triangle(0, 1, 2);
    s += "poseframes 2 JAWB LIDL\n";
    s += "pose DEFT\nk 0 -1 0  0 0 0 1  1 1 1\nk 0 0 0  0 0 0 1  1 1 1\n";
    s += "pose OX\nk 0 -1.5 0  0 0 0 1  1 1 1\nk 0 0 0  0 0 0 1  1 1 1\n";
    s += "pose IF\nk 0 -1.00005 0  0 0 0 1  1 1 1\nk 0 0 0  0 0 0 1  1 1 1\n";
    s += "pose WIKL\nk 0 -1 0  0 0 0 1  1 1 1\nk 0 0 0  0.5 0 0 0.8660254  1 0.5 1\n";
    return s;
}

QIRN_GeometryTree* g_poTree = nullptr;
QIRN_ShaderTree* g_poShaders = nullptr;

QIRN_GeometryTree* TreeOf(QIRN_World*)
{
    return g_poTree;
}

QIRN_ShaderTree* ShadersOf(QIRN_World*)
{
    return g_poShaders;
}

class DMKTest : public ::testing::Test
{
protected:
    DMKTest() : m_poWorld(reinterpret_cast<QIRN_World*>(&m_iWorld)), m_oGeometry(m_poWorld)
    {
        QIRN_InitEnginePath(m_oDir.Path() + "\\qirn_v2.ini");
        g_poTree = &m_oTree;
        g_poShaders = &m_oShaders;
        QIRN_Geometry::SetGeometryTreeSource(&TreeOf);
        QIRN_DMK::SetShaderTreeSource(&ShadersOf);
        QIRN_DMK::SetBitmapTree(&m_oBitmaps);
        m_oImporter.m_geometry = &m_oGeometry;
    }
    ~DMKTest() override
    {
        m_oGeometry.FreeData();
        QIRN_DMK::SetBitmapTree(nullptr);
        QIRN_DMK::SetShaderTreeSource(nullptr);
        g_poTree = nullptr;
        g_poShaders = nullptr;
    }

    QIRN_ErrorCode Import(const std::string& szText, const std::string& szName = "face.dmk")
    {
        qirn_test::WriteFile(szName, szText);
        return m_oImporter.Load(szName);
    }
    QIRN_MeshData* Mesh(const std::string& szName)
    {
        for (QIRN_MeshList::Node* pNode = m_oGeometry.GetFirstMeshNode(); pNode; pNode = pNode->m_pNext)
        {
            if (pNode->m_szName == szName || pNode->m_pData->m_szName == szName)
            {
                return pNode->m_pData;
            }
        }
        return nullptr;
    }
    QIRN_Frame* Frame(const std::string& szName)
    {
        return m_oGeometry.GetSkeleton() ? m_oGeometry.GetSkeleton()->FindFrame(szName) : nullptr;
    }

    qirn_test::ScopedTempDir m_oDir;
    qirn_test::LogCapture m_oLog;
    int m_iWorld = 0;
    QIRN_World* m_poWorld;
    QIRN_GeometryTree m_oTree;
    QIRN_ShaderTree m_oShaders;
    QIRN_BitmapTree m_oBitmaps;
    QIRN_Geometry m_oGeometry;
    QIRN_DMK m_oImporter;
};
} // namespace

TEST_F(DMKTest, FramesComeWithOffsetsAndWithoutThePrunedSubtree)
{
    ASSERT_EQ(Import(FaceModel()), OK);
    ASSERT_NE(m_oGeometry.GetSkeleton(), nullptr);
    EXPECT_EQ(m_oGeometry.GetSkeleton()->GetRoot()->m_szName, "ROOT");
    for (const char* szName : {"SKBA", "EYEL", "EYER", "JAWB", "LIDL"})
    {
        EXPECT_NE(Frame(szName), nullptr) << szName;
    }
    EXPECT_EQ(Frame("hgr2"), nullptr);
    EXPECT_EQ(Frame("HIDE"), nullptr);
    EXPECT_FLOAT_EQ(Frame("JAWB")->m_oCombinedMatrix._42, 1.0f);
    EXPECT_FLOAT_EQ(Frame("JAWB")->m_oOffsetMatrix._42, -1.0f);
    EXPECT_EQ(m_oLog.Count("*** QIRN_DMK::SceneGraph_InitFromDigimask(): Default Scene Triangle Count: 6\n"),
              1u);
}

TEST_F(DMKTest, MeshesAreNamedSkinnedAndTessellated)
{
    m_oGeometry.SetTesselationFactor(0.5f);
    ASSERT_EQ(Import(FaceModel()), OK);
    EXPECT_EQ(Mesh("HIDN_face"), nullptr);
    QIRN_MeshData* poSkin = Mesh("SKIN_face");
    ASSERT_NE(poSkin, nullptr);
    EXPECT_EQ(poSkin->m_pOwnerFrame, Frame("SKBA"));
    ASSERT_EQ(poSkin->m_dwNumPaletteEntries, 3u);
    // One frame may fill several slots.
    EXPECT_EQ(poSkin->m_ppoBonePalette[0], Frame("SKBA"));
    EXPECT_EQ(poSkin->m_ppoBonePalette[1], Frame("JAWB"));
    EXPECT_EQ(poSkin->m_ppoBonePalette[2], Frame("SKBA"));
    EXPECT_FLOAT_EQ(poSkin->m_poOffsetMatrices[1]._42, -1.0f);
    EXPECT_EQ(poSkin->GetNumVertices(), 4u);
    EXPECT_EQ(poSkin->GetTotalIndexCount(), 3u);
    EXPECT_TRUE(m_oLog.Contains("Final Skin Mesh Triangle Count  : 1\n"));
    QIRN_Matrix4 oPast = poSkin->GetSkinMatrix(7);
    EXPECT_FLOAT_EQ(oPast._11, 1.0f);
    EXPECT_FLOAT_EQ(oPast._42, 0.0f);

    QIRN_MeshData* poStatic = nullptr;
    for (QIRN_MeshList::Node* pNode = m_oGeometry.GetFirstMeshNode(); pNode; pNode = pNode->m_pNext)
    {
        if (pNode->m_pData->m_szName.rfind("DMKMesh_", 0) == 0)
        {
            poStatic = pNode->m_pData;
        }
    }
    ASSERT_NE(poStatic, nullptr);
    EXPECT_EQ(poStatic->m_szName.substr(poStatic->m_szName.size() - 5), "_face");
    EXPECT_FALSE(poStatic->IsSkinned());
    EXPECT_EQ(poStatic->GetTotalIndexCount(), 6u);
}

TEST_F(DMKTest, ShadersAndBitmapsFollowMaterialsAndTextures)
{
    ASSERT_EQ(Import(FaceModel()), OK);
    QIRN_ShaderTree::Node* pSkin = m_oShaders.FindNode("SKIN_face");
    ASSERT_NE(pSkin, nullptr);
    EXPECT_EQ(pSkin->m_iRefCount, 2);
    const QIRN_ShaderPass& roPass = pSkin->m_pData->m_poPasses[0];
    EXPECT_EQ(roPass.GetName(), "Pass 1");
    EXPECT_FLOAT_EQ(roPass.m_oMaterial.m_vSpecular.x, 0.5f);
    EXPECT_FLOAT_EQ(roPass.m_oMaterial.m_fPower, 10.0f);
    EXPECT_TRUE(roPass.m_bAlphaBlendEnabled);
    EXPECT_EQ(roPass.m_eCullMode, 0u);
    EXPECT_EQ(roPass.m_poLayers[0].m_strTextureFileName, "SKIN_0_face");
    EXPECT_EQ(roPass.m_poLayers[0].m_eTextureFormat, 21u);
    EXPECT_EQ(roPass.m_poLayers[0].m_eALPHAOP, 1u);

    QIRN_BitmapTree::Node* pBitmap = m_oBitmaps.FindNode("SKIN_0_face");
    ASSERT_NE(pBitmap, nullptr);
    QIRN_Bitmap* poBitmap = pBitmap->m_pData;
    EXPECT_EQ(poBitmap->m_pdwWidths[0], 8u);
    EXPECT_EQ(poBitmap->m_pdwHeights[0], 8u);
    // Texels in the bitmaps' byte order red, green, blue, alpha, which the renderers read: the
    // checker's first cell is 80FF0000 (half-transparent red), its second FF00FF00 (green).
    const uint8_t* pbyTexels = poBitmap->m_ppTexels[0];
    EXPECT_EQ(std::vector<uint8_t>(pbyTexels, pbyTexels + 4), (std::vector<uint8_t>{0xFF, 0x00, 0x00, 0x80}));
    EXPECT_EQ(std::vector<uint8_t>(pbyTexels + 16, pbyTexels + 20), (std::vector<uint8_t>{0x00, 0xFF, 0x00, 0xFF}));

    // The eye's texture has no pixels: no bitmap, and the layer names none.
    QIRN_ShaderTree::Node* pEye = m_oShaders.FindNode("EYES_face");
    ASSERT_NE(pEye, nullptr);
    EXPECT_EQ(pEye->m_pData->m_poPasses[0].m_poLayers[0].m_strTextureFileName, "");
    EXPECT_EQ(m_oBitmaps.FindNode("EYES_0_face"), nullptr);

    bool bGlass = false;
    for (QIRN_MeshList::Node* pNode = m_oGeometry.GetFirstMeshNode(); pNode; pNode = pNode->m_pNext)
    {
        QIRN_ShaderTree::Node* pShader = m_oShaders.FindNode(pNode->m_pData->m_szName);
        if (pShader && pShader->m_pData->m_poPasses[0].m_dwTFactor == 0x33B2B2FFu)
        {
            bGlass = true;
            EXPECT_EQ(pShader->m_pData->m_poPasses[0].m_poLayers[0].m_eCOLOROP, 2u);
            EXPECT_FALSE(pShader->m_pData->m_poPasses[0].m_bLightingEnabled);
        }
    }
    EXPECT_TRUE(bGlass);
}

TEST_F(DMKTest, PosesAreDifferencesFromNeutral)
{
    ASSERT_EQ(Import(FaceModel()), OK);
    QIRN_Frame* poJaw = Frame("JAWB");
    ASSERT_NE(poJaw, nullptr);
    ASSERT_NE(poJaw->GetPose("Neutral"), nullptr);
    EXPECT_FLOAT_EQ(poJaw->GetPose("Neutral")->m_vTranslation.y, -1.0f);
    QIRN_FramePose* poOx = poJaw->GetPose("OX");
    ASSERT_NE(poOx, nullptr);
    EXPECT_TRUE(poOx->m_bHasTranslation);
    EXPECT_FLOAT_EQ(poOx->m_vTranslation.y, -0.5f);
    EXPECT_FALSE(poOx->m_bHasScale);
    EXPECT_FALSE(poOx->m_bHasRotation);
    // The code "IF" with its blanks is named "IF"; a difference of 0.00005 is none.
    QIRN_FramePose* poIf = poJaw->GetPose("IF");
    ASSERT_NE(poIf, nullptr);
    EXPECT_FALSE(poIf->m_bHasTranslation || poIf->m_bHasScale || poIf->m_bHasRotation);
    QIRN_FramePose* poBlink = Frame("LIDL")->GetPose("BLINK_LEFT");
    ASSERT_NE(poBlink, nullptr);
    EXPECT_TRUE(poBlink->m_bHasRotation);
    EXPECT_TRUE(poBlink->m_bHasScale);
    EXPECT_FLOAT_EQ(poBlink->m_vScale.y, -0.5f);
}

TEST_F(DMKTest, PoseCodesBecomeNames)
{
    struct Case
    {
        const char* szCode;
        const char* szName;
    } aCases[] = {{"DEFT", "Neutral"},    {"IF  ", "IF"},  {"WIKR", "BLINK_RIGHT"},
                  {"HEDT", "HEAD_TWIST"}, {"ZZ9 ", "ZZ9"}, {"THOU", "THOUGH"}};
    for (const Case& c : aCases)
    {
        uint32_t dwCode = 0;
        for (int i = 0; i < 4; ++i)
        {
            dwCode |= static_cast<uint32_t>(static_cast<unsigned char>(c.szCode[i])) << (8 * i);
        }
        std::string szName;
        EXPECT_TRUE(QIRN_DMK::PoseCodeToName(dwCode, szName));
        EXPECT_EQ(szName, c.szName) << c.szCode;
    }
    EXPECT_EQ(QIRN_DMK::CodeToText(0), "");
    EXPECT_EQ(QIRN_DMK::CodeToText(0x32726768), "hgr2");
}

TEST_F(DMKTest, APrunedRootGivesNoSkeletonAndNoPoses)
{
    std::string s = "DMSDK 1\n";
    s += std::string("material 1 ") + OPAQUE_MATERIAL + "\n";
    s += std::string("frame hgr2 - ") + IDENTITY + "\n";
    s += std::string("frame JAWB hgr2 ") + IDENTITY + "\n";
    s += "mesh SKIN JAWB 1 - 0\n" + Vertex(0, 0, "0 0 0 0") + Vertex(1, 0, "0 0 0 0") +
         Vertex(1, 1, "0 0 0 0") + Triangle(0, 1, 2);
    s += "poseframes 1 JAWB\npose DEFT\nk 0 0 0  0 0 0 1  1 1 1\n";
    EXPECT_EQ(Import(s), OK);
    EXPECT_EQ(m_oGeometry.GetSkeleton(), nullptr);
    EXPECT_EQ(m_oGeometry.GetFirstMeshNode(), nullptr);
    EXPECT_FALSE(m_oLog.Contains("GetPoses"));
}

TEST_F(DMKTest, MeshesWithoutATriangleAreEmpty)
{
    std::string s = "DMSDK 1\n";
    s += std::string("material 1 ") + OPAQUE_MATERIAL + "\n";
    s += std::string("frame ROOT - ") + IDENTITY + "\n";
    s += "mesh NONE ROOT 1 - 0\n";
    s += "mesh ONCE ROOT 1 - 0\n" + Vertex(0, 0, "0 0 0 0");
    EXPECT_EQ(Import(s), OK);
    for (const char* szName : {"NONE_face", "ONCE_face"})
    {
        QIRN_MeshData* poMesh = Mesh(szName);
        ASSERT_NE(poMesh, nullptr) << szName;
        EXPECT_TRUE(poMesh->m_oPolygonGroups.empty()) << szName;
    }
    EXPECT_EQ(m_oShaders.FindNode("NONE_face"), nullptr);
}

TEST_F(DMKTest, FilesTheLibraryRefusesAnswerOne)
{
    std::string szRoot = std::string("material 1 ") + OPAQUE_MATERIAL + "\nframe ROOT - " + IDENTITY + "\n";
    struct Case
    {
        const char* szName;
        std::string szText;
    } aCases[] = {
        {"no header", "# nothing\n"},
        {"other version", "DMSDK 2\n" + szRoot},
        {"index past the vertices",
         "DMSDK 1\n" + szRoot + "mesh M ROOT 1 - 0\n" + Vertex(0, 0, "0 0 0 0") + Triangle(0, 0, 1)},
        {"palette slot past the palette",
         "DMSDK 1\n" + szRoot + "mesh M ROOT 1 - 1 ROOT\n" + Vertex(0, 0, "0 1 0 0")},
        {"five-letter code", "DMSDK 1\n" + szRoot + "frame JAWBONE ROOT " + IDENTITY + "\n"},
        {"unknown parent", "DMSDK 1\n" + szRoot + "frame JAWB NECK " + IDENTITY + "\n"},
        {"unknown texture", "DMSDK 1\n" + szRoot + "mesh M ROOT 1 9 0\n"},
        {"unknown palette frame", "DMSDK 1\n" + szRoot + "mesh M ROOT 1 - 1 NECK\n"},
        {"neutral not first", "DMSDK 1\n" + szRoot + "poseframes 1 ROOT\npose OX\nk 0 0 0 0 0 0 1 1 1 1\n"},
        {"pose lacks keys", "DMSDK 1\n" + szRoot + "poseframes 1 ROOT\npose DEFT\n"},
        {"matrix too short", "DMSDK 1\nframe ROOT - 1 0 0\n"},
        {"trailing text", "DMSDK 1\n" + szRoot + "poseframes 1 ROOT extra\n"},
    };
    for (const Case& c : aCases)
    {
        m_oLog.Clear();
        EXPECT_EQ(Import(c.szText), GENERICERROR) << c.szName;
        EXPECT_TRUE(
            m_oLog.Contains("*** QIRN_DMK::LoadDMKFile(): Error: could not read \"face.dmk\", invalid "
                            "format or version conflict.\n"))
            << c.szName;
        EXPECT_EQ(m_oGeometry.GetFirstMeshNode(), nullptr) << c.szName;
    }
    m_oLog.Clear();
    EXPECT_EQ(m_oImporter.Load("absent.dmk"), GENERICERROR);
    EXPECT_TRUE(
        m_oLog.Contains("*** QIRN_DMK::LoadDMKFile(): Error: could not open \"absent.dmk\" for reading.\n"));
    QIRN_DMK oNoTarget;
    EXPECT_EQ(oNoTarget.Load("face.dmk"), INVALIDPARAMS);
}

TEST_F(DMKTest, GeometryLoadImportsFaceModels)
{
    qirn_test::WriteFile("head.dmk", FaceModel());
    QIRN_Geometry oHead(m_poWorld);
    ASSERT_EQ(oHead.Load("head.dmk"), OK);
    ASSERT_NE(oHead.GetSkeleton(), nullptr);
    EXPECT_NE(oHead.GetSkeleton()->FindFrame("SKBA"), nullptr);
    EXPECT_NE(m_oTree.FindNode("head.dmk"), nullptr);
    qirn_test::WriteFile("bad.dmk", "DMSDK 1\n");
    QIRN_Geometry oBad(m_poWorld);
    EXPECT_NE(oBad.Load("bad.dmk"), OK);
    m_oTree.DeleteAllNodes();
}

TEST_F(DMKTest, TessellationRequestsAreClampedToWhatTheMeshHas)
{
    struct Case
    {
        float fFactor;
        uint32_t dwIndices;
    } aCases[] = {{4.0f, 6u}, {0.0f, 3u}, {-2.0f, 3u}, {1.0f, 6u}};
    for (const Case& c : aCases)
    {
        m_oGeometry.FreeData();
        m_oGeometry.SetTesselationFactor(c.fFactor);
        ASSERT_EQ(Import(FaceModel()), OK) << c.fFactor;
        QIRN_MeshData* poSkin = Mesh("SKIN_face");
        ASSERT_NE(poSkin, nullptr) << c.fFactor;
        EXPECT_EQ(poSkin->GetTotalIndexCount(), c.dwIndices) << c.fFactor;
        m_oShaders.DeleteAllNodes();
        m_oBitmaps.DeleteAllNodes();
    }
}
