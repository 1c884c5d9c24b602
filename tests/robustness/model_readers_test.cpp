// The readers of models, faces, talking-head timelines and sounds fed mutated copies of the scene's
// models, the test fixtures and small files of their own kinds.
#include "mutation_harness.h"
#include "reader_test.h"

#include "cqirn_sync.h"
#include "qirn_animationsequence.h"
#include "qirn_bitmap.h"
#include "qirn_dmk.h"
#include "qirn_geometry.h"
#include "qirn_meshdata.h"
#include "qirn_settings.h"
#include "qirn_shader.h"
#include "qirn_skeleton.h"
#include "qirn_test_support.h"
#include "qirn_wavefile.h"
#include "qirn_xfile.h"
#include "wave_builder.h"
#include "xfile_writer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using robustness::CountLoaded;
using robustness::FeedMutations;
using robustness::Reader;
using robustness::ReplayFixtures;
using robustness::Verdict;

namespace
{
std::string Fixture(const std::string& szName)
{
    return robustness::ReadWholeFile(std::string(QIRN_TEST_FIXTURES) + "\\" + szName);
}

std::string Model(const std::string& szName)
{
    return robustness::ReadWholeFile(std::string(QIRN_SCENE_DATA) + "\\Models\\" + szName);
}

// Every index of every polygon group names a vertex of its mesh.
Verdict CheckMeshes(const QIRN_GeometryData& roData)
{
    for (QIRN_MeshList::Node* pNode = roData.GetFirstMeshNode(); pNode; pNode = pNode->m_pNext)
    {
        const QIRN_MeshData* poMesh = pNode->m_pData;
        if (!poMesh)
        {
            return "a mesh entry without its mesh";
        }
        for (const PolygonGroup& roGroup : poMesh->m_oPolygonGroups)
        {
            for (uint32_t i = 0; i < roGroup.m_dwNumIndices; ++i)
            {
                int64_t llIndex = static_cast<int64_t>(roGroup.m_piIndices[i]) + roGroup.m_dwBaseVertex;
                if (llIndex < 0 || llIndex >= poMesh->GetNumVertices())
                {
                    return "mesh '" + pNode->m_szName + "' keeps index " + std::to_string(llIndex) + " of " +
                           std::to_string(poMesh->GetNumVertices()) + " vertices";
                }
            }
        }
    }
    return "";
}

// A binary .x file of a frame tree with a transform, a mesh with normals, texture coordinates and
// a material list, and an animation of the frame.
std::string BinaryModel()
{
    qirn_test::XFileWriter oWriter;
    oWriter.Open("Frame", "Root");
    oWriter.Open("FrameTransformMatrix", "");
    oWriter.Floats({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 2, 0, 1});
    oWriter.Close();
    oWriter.Open("Mesh", "Square");
    oWriter.Integers({4});
    oWriter.Floats({0, 0, 0, 2, 0, 0, 2, 2, 0, 0, 2, 0});
    oWriter.Integers({2, 3, 0, 1, 2, 3, 0, 2, 3});
    oWriter.Open("MeshNormals", "");
    oWriter.Integers({4});
    oWriter.Floats({0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1});
    oWriter.Integers({2, 3, 0, 1, 2, 3, 0, 2, 3});
    oWriter.Close();
    oWriter.Open("MeshTextureCoords", "");
    oWriter.Integers({4});
    oWriter.Floats({0, 0, 1, 0, 1, 1, 0, 1});
    oWriter.Close();
    oWriter.Open("MeshMaterialList", "");
    oWriter.Integers({1, 2, 0, 0});
    oWriter.Open("Material", "Sand");
    oWriter.Floats({1, 0.5f, 0.25f, 1, 8, 0, 0, 0, 0, 0, 0});
    oWriter.Close();
    oWriter.Close();
    oWriter.Close();
    oWriter.Close();
    oWriter.Open("AnimationSet", "Swim");
    oWriter.Open("Animation", "RootTrack");
    oWriter.Open("AnimationKey", "");
    oWriter.Integers({2, 2, 0, 3});
    oWriter.Floats({0, 0, 0});
    oWriter.Integers({1000, 3});
    oWriter.Floats({0, 5, 0});
    oWriter.Close();
    oWriter.Close();
    oWriter.Close();
    return oWriter.Text();
}

const char* const IDENTITY = "1 0 0 0  0 1 0 0  0 0 1 0  0 0 0 1";

// Position, weights, palette slots, normal, uv.
std::string Vertex(float x, float y, const char* szSlots)
{
    return "v " + std::to_string(x) + " " + std::to_string(y) + " 0  0.5 0.25 0.25  " + szSlots + "  0 0 1  0 0\n";
}

// A head with eyes, a pruned subtree, a skinned textured mesh, a static one and poses.
std::string FaceModel()
{
    std::string s = "DMSDK 1\n# a test head\n";
    s += "texture 1 8 8 2 checker 80FF0000 FF00FF00\n";
    s += "texture 2 4 4 1 none 0 0\n";
    s += "material 1 1 1 1 1  1 0.2 0.2 0.2  1 0.5 0.5 0.5  1 0 0 0  10\n";
    s += "material 2 0.5 0.3 0.3 0.3  1 0 0 0  1 0 0 0  1 0 0 0  4\n";
    s += std::string("frame ROOT - ") + IDENTITY + "\n";
    s += std::string("frame SKBA ROOT ") + "1 0 0 0  0 1 0 1  0 0 1 0  0 0 0 1\n";
    s += std::string("frame EYEL SKBA ") + IDENTITY + "\n";
    s += std::string("frame JAWB SKBA ") + IDENTITY + "\n";
    s += std::string("frame LIDL EYEL ") + IDENTITY + "\n";
    s += std::string("frame hgr2 ROOT ") + IDENTITY + "\n";
    s += "mesh SKIN SKBA 1 1 3 SKBA JAWB SKBA\n";
    s += Vertex(0, 0, "0 1 2 0") + Vertex(1, 0, "0 1 2 0") + Vertex(1, 1, "0 1 2 0") + Vertex(0, 1, "0 1 2 0");
    s += "f 0 1 2\nf 0 2 3\n";
    s += "mesh - ROOT 2 - 0\n";
    s += Vertex(0, 0, "0 0 0 0") + Vertex(1, 0, "0 0 0 0") + Vertex(1, 1, "0 0 0 0") + "f 0 1 2\nf 2 1 0\n";
    s += "mesh EYES EYEL 1 2 1 JAWB\n";
    s += Vertex(0, 0, "0 0 0 0") + Vertex(1, 0, "0 0 0 0") + Vertex(1, 1, "0 0 0 0") + "f 0 1 2\n";
    s += "poseframes 2 JAWB LIDL\n";
    s += "pose DEFT\nk 0 -1 0  0 0 0 1  1 1 1\nk 0 0 0  0 0 0 1  1 1 1\n";
    s += "pose OX\nk 0 -1.5 0  0 0 0 1  1 1 1\nk 0 0 0  0 0 0 1  1 1 1\n";
    s += "pose WIKL\nk 0 -1 0  0 0 0 1  1 1 1\nk 0 0 0  0.5 0 0 0.8660254  1 0.5 1\n";
    return s;
}

std::string Point(const std::string& szFrame, float x, float y, float z)
{
    char szLine[256];
    snprintf(szLine, sizeof(szLine), "%s\n(matrix1 [1,0,0] [0,1,0] [0,0,1] [%g,%g,%g])\n", szFrame.c_str(), x, y,
             z);
    return szLine;
}

// Neutral, a viseme the timeline does not know, then OX and EAT.
std::string VisemeFile()
{
    return "4\n5\nNeutral\n" + Point("Jaw", 0.0f, -1.0f, 0.0f) + Point("Lip", 0.0f, 0.0f, 2.0f) + "5\nUNKNOWN\n" +
           Point("Nose", 0.0f, 0.0f, 0.0f) + Point("Ear", 0.0f, 0.0f, 0.0f) + "5\nOX\n" +
           Point("Jaw", 0.5f, -1.0f, 0.0f) + Point("Lip", 0.00005f, 0.00005f, 2.00005f) + "3\nEAT\n" +
           Point("Jaw", 0.0f, -1.0f, 0.0f);
}

const char* const SYNC_SEED = "<txt>\n"
                              "0.0 0.4 hello\n"
                              "0.5 0.9 world\n"
                              "</txt>\n"
                              "<visemes>\n"
                              "OX 2\n"
                              "0.0 0.0 0.0 0.0\n"
                              "1.0 100.0 0.0 0.0\n"
                              "EAT 3\n"
                              "0.0 0.0 0.0 0.0\n"
                              "0.5 50.0 0.0 0.0\n"
                              "1.0 0.0 0.0 0.0\n"
                              "</visemes>\n"
                              "<gestures>\n"
                              "HEAD_TWIST 2\n"
                              "0.0 1.0 0.0 0.0\n"
                              "2.0 1.0 0.0 0.0\n"
                              "BLINK_LEFT 1\n"
                              "0.25 1.0 0.0 0.0\n"
                              "</gestures>\n"
                              "<events>\n"
                              "0.2 7 0\n"
                              "0.5 8 1 3 42\n"
                              "0.8 9 2 4 1.5 8 \"good day\"\n"
                              "</events>\n";

class QuietSink : public QIRN_SyncEventSink
{
public:
    int OnSyncEvent0(int) override { return 0; }
    int OnSyncEvent1(int, VARIANT*) override { return 0; }
    int OnSyncEvent2(int, VARIANT*, VARIANT*) override { return 0; }
};

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

class ModelReadersTest : public robustness::ReaderTest
{
protected:
    Reader XReader(const char* szName, bool bBinary)
    {
        return Reader{szName, "x", bBinary,
                      [this](const std::string& szFile) -> Verdict
                      {
                          QIRN_GeometryData oData;
                          QIRN_XFILE oXFile;
                          oXFile.m_poGeometry = &oData;
                          QIRN_ErrorCode eResult = oXFile.Load(szFile);
                          Verdict szVerdict = CheckMeshes(oData);
                          QIRN_AnimationSequenceList oSequences;
                          QIRN_XFILE oAnimations;
                          oAnimations.LoadAnimationSequences(szFile, "", oSequences);
                          for (QIRN_AnimationSequence* poSequence : oSequences)
                          {
                              delete poSequence;
                          }
                          oData.FreeData();
                          m_oLog.Clear();
                          if (eResult == OK)
                          {
                              CountLoaded();
                          }
                          return szVerdict;
                      }};
    }

};
} // namespace

TEST_F(ModelReadersTest, XText)
{
    Run(XReader("xtext", false),
        {Model("logo.x"), Model("sharkpath.x"), Model("skybox.x"), Model("shark.x"), Fixture("bunnies.x"),
         Fixture("rotation_z90.x")},
        201);
}

TEST_F(ModelReadersTest, XBinary)
{
    Run(XReader("xbinary", true), {BinaryModel()}, 202);
}

TEST_F(ModelReadersTest, FaceModel)
{
    int iWorld = 0;
    QIRN_World* poWorld = reinterpret_cast<QIRN_World*>(&iWorld);
    QIRN_GeometryTree oTree;
    QIRN_ShaderTree oShaders;
    QIRN_BitmapTree oBitmaps;
    g_poTree = &oTree;
    g_poShaders = &oShaders;
    QIRN_Geometry::SetGeometryTreeSource(&TreeOf);
    QIRN_DMK::SetShaderTreeSource(&ShadersOf);
    QIRN_DMK::SetBitmapTree(&oBitmaps);
    Reader oReader{"dmk", "dmk", false,
                   [&](const std::string& szFile) -> Verdict
                   {
                       QIRN_Geometry oGeometry(poWorld);
                       QIRN_DMK oImporter;
                       oImporter.m_geometry = &oGeometry;
                       QIRN_ErrorCode eResult = oImporter.Load(szFile);
                       Verdict szVerdict = CheckMeshes(oGeometry);
                       oGeometry.FreeData();
                       oShaders.DeleteAllNodes();
                       oBitmaps.DeleteAllNodes();
                       m_oLog.Clear();
                       if (eResult == OK)
                       {
                           CountLoaded();
                       }
                       return szVerdict;
                   }};
    Run(oReader, {FaceModel()}, 203);
    QIRN_DMK::SetBitmapTree(nullptr);
    QIRN_DMK::SetShaderTreeSource(nullptr);
    g_poTree = nullptr;
    g_poShaders = nullptr;
}

TEST_F(ModelReadersTest, Visemes)
{
    Reader oReader{"cpa", "cpa", false,
                   [&](const std::string& szFile) -> Verdict
                   {
                       QIRN_Skeleton oSkeleton;
                       QIRN_Frame* poRoot = new QIRN_Frame();
                       poRoot->m_szName = "Head";
                       for (const char* szName : {"Jaw", "Lip"})
                       {
                           QIRN_Frame* poFrame = new QIRN_Frame();
                           poFrame->m_szName = szName;
                           poRoot->AddChild(poFrame);
                       }
                       oSkeleton.SetRoot(poRoot);
                       QIRN_Geometry oGeometry(nullptr);
                       oGeometry.m_poSkeleton = &oSkeleton;
                       QIRN_LINKEDLIST<float> oWeights;
                       for (const char* szName : {"EAT", "OX"})
                       {
                           oWeights.InsertNode(szName, new float(0.0f));
                       }
                       QIRN_ErrorCode eResult =
                           oGeometry.LoadVisemes(szFile.substr(0, szFile.find('.')), oWeights.m_pHead);
                       oGeometry.m_poSkeleton = nullptr;
                       m_oLog.Clear();
                       if (eResult == OK)
                       {
                           CountLoaded();
                       }
                       return "";
                   }};
    Run(oReader, {VisemeFile()}, 204);
}

TEST_F(ModelReadersTest, SyncTimeline)
{
    QuietSink oSink;
    Reader oReader{"sync", "sync", false,
                   [&](const std::string& szFile) -> Verdict
                   {
                       CQIRN_Sync oSync;
                       oSync.SetEventSink(&oSink);
                       QIRN_ErrorCode eResult = oSync.LoadFile(szFile);
                       // What was read is played: every track and event is evaluated over the timeline.
                       for (float t : {0.0f, 0.3f, 0.75f, 1.0f, 5.0f})
                       {
                           oSync.UpdateVisemes(t);
                           oSync.UpdateGestures(t);
                           oSync.DispatchEvents(t);
                       }
                       m_oLog.Clear();
                       if (eResult == OK)
                       {
                           CountLoaded();
                       }
                       return "";
                   }};
    Run(oReader, {SYNC_SEED}, 205);
}

TEST_F(ModelReadersTest, WaveFile)
{
    using wave_builder::FormatBody;
    using wave_builder::Riff;
    std::string szSamples;
    for (int i = 0; i < 600; ++i)
    {
        szSamples.push_back(static_cast<char>(i * 37));
    }
    std::string szExtended = FormatBody(2, 1, 22050, 4, 256, 11155);
    szExtended += std::string("\x02\x00\xF4\x01", 4);
    const std::vector<std::string> vSeeds = {
        Riff({{"fmt ", FormatBody(1, 1, 22050, 16)}, {"LIST", "INFOISFT\x04\0\0\0reef"}, {"data", szSamples}}),
        Riff({{"fmt ", FormatBody(1, 2, 8000, 8) + std::string(2, '\0')}, {"data", szSamples.substr(0, 301)}}),
        Riff({{"fmt ", szExtended}, {"fact", std::string("\x10\x00\x00\x00", 4)}, {"data", szSamples}}),
    };
    Reader oReader{"wav", "wav", true,
                   [&](const std::string& szFile) -> Verdict
                   {
                       QIRN_WaveFile oWave;
                       QIRN_ErrorCode eResult = oWave.Open(szFile, nullptr, QIRN_WAVEFILE_READ);
                       Verdict szVerdict;
                       if (eResult == OK)
                       {
                           CountLoaded();
                           if (!oWave.m_pwfx)
                           {
                               szVerdict = "opened without a format";
                           }
                           // The data is read to its end; the reads answer no more than the chunk holds.
                           const uint32_t dwSize = oWave.m_ck.cksize;
                           uint32_t dwTotal = 0;
                           uint8_t abyBuffer[1000];
                           for (int iRead = 0; iRead < 100000 && szVerdict.empty(); ++iRead)
                           {
                               uint32_t dwRead = 0;
                               if (oWave.Read(abyBuffer, sizeof(abyBuffer), &dwRead) != OK || dwRead == 0)
                               {
                                   break;
                               }
                               dwTotal += dwRead;
                           }
                           if (szVerdict.empty() && dwTotal > dwSize)
                           {
                               szVerdict = "read " + std::to_string(dwTotal) + " bytes of a data chunk of " +
                                           std::to_string(dwSize);
                           }
                           oWave.Close();
                       }
                       m_oLog.Clear();
                       return szVerdict;
                   }};
    Run(oReader, vSeeds, 206);
}
