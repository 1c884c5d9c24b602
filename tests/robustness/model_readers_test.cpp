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
#include "qirn_sndobj_dx8.h"
#include "qirn_test_support.h"
#include "qirn_wavefile.h"
#include "qirn_xfile.h"
#include "wave_builder.h"
#include "xfile_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
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

namespace
{
// Three small sounds: PCM with a "LIST" chunk before its data, PCM with an 18-byte format chunk and
// an odd data size, and a non-PCM format with extra bytes and a "fact" chunk.
std::vector<std::string> WaveSeeds()
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
    return {
        Riff({{"fmt ", FormatBody(1, 1, 22050, 16)}, {"LIST", "INFOISFT\x04\0\0\0reef"}, {"data", szSamples}}),
        Riff({{"fmt ", FormatBody(1, 2, 8000, 8) + std::string(2, '\0')}, {"data", szSamples.substr(0, 301)}}),
        Riff({{"fmt ", szExtended}, {"fact", std::string("\x10\x00\x00\x00", 4)}, {"data", szSamples}}),
    };
}

uint32_t GetU32(const std::string& s, size_t at)
{
    uint32_t v = 0;
    for (size_t i = 0; i < 4 && at + i < s.size(); ++i)
    {
        v |= static_cast<uint32_t>(static_cast<uint8_t>(s[at + i])) << (8 * i);
    }
    return v;
}

// What an opened sound must answer whatever its header said: a format with a rate, a format chunk
// and a data chunk inside the file (the format chunk comes first in every seed), a stream geometry
// that does not wrap round, and reads that give exactly the data chunk's bytes.
Verdict CheckOpenedWave(QIRN_WaveFile& roWave, const std::string& szInput)
{
    if (!roWave.m_pwfx)
    {
        return "opened without a format";
    }
    if (roWave.m_pwfx->nSamplesPerSec == 0)
    {
        return "opened a format with a sample rate of 0";
    }
    const uint64_t qwFile = szInput.size();
    const uint64_t qwRiffEnd = std::min<uint64_t>(qwFile, 8ull + GetU32(szInput, 4));
    const uint64_t qwFormatEnd = 20ull + GetU32(szInput, 16);
    if (szInput.compare(12, 4, "fmt ") == 0 && qwFormatEnd > qwRiffEnd)
    {
        return "opened a format chunk that ends at " + std::to_string(qwFormatEnd) + " in a RIFF chunk ending at " +
               std::to_string(qwRiffEnd);
    }
    const uint64_t qwDataEnd = static_cast<uint64_t>(roWave.m_ck.dwDataOffset) + roWave.m_ck.cksize;
    if (qwDataEnd > qwFile)
    {
        return "the data chunk ends at " + std::to_string(qwDataEnd) + " in a file of " + std::to_string(qwFile);
    }
    const WAVEFORMATEX& wfx = *roWave.m_pwfx;
    uint64_t qwBlock = static_cast<uint64_t>(wfx.nSamplesPerSec) * wfx.nBlockAlign * 3 / 8;
    qwBlock -= qwBlock % wfx.nBlockAlign;
    if (QIRN_SndObj_DX8::StreamBlockSize(wfx) != qwBlock)
    {
        return "a stream block of " + std::to_string(QIRN_SndObj_DX8::StreamBlockSize(wfx)) + " bytes, not " +
               std::to_string(qwBlock);
    }
    const uint32_t dwSize = roWave.m_ck.cksize;
    uint32_t dwTotal = 0;
    uint8_t abyBuffer[1000];
    for (int iRead = 0; iRead < 100000; ++iRead)
    {
        uint32_t dwRead = 0;
        if (roWave.Read(abyBuffer, sizeof(abyBuffer), &dwRead) != OK || dwRead == 0)
        {
            break;
        }
        dwTotal += dwRead;
    }
    if (dwTotal != dwSize)
    {
        return "read " + std::to_string(dwTotal) + " bytes of a data chunk of " + std::to_string(dwSize);
    }
    return "";
}
} // namespace

TEST_F(ModelReadersTest, WaveFile)
{
    const std::vector<std::string> vSeeds = WaveSeeds();
    Reader oReader{"wav", "wav", true,
                   [&](const std::string& szFile) -> Verdict
                   {
                       QIRN_WaveFile oWave;
                       QIRN_ErrorCode eResult = oWave.Open(szFile, nullptr, QIRN_WAVEFILE_READ);
                       Verdict szVerdict;
                       if (eResult == OK)
                       {
                           CountLoaded();
                           szVerdict = CheckOpenedWave(oWave, robustness::ReadWholeFile(szFile));
                           oWave.Close();
                       }
                       m_oLog.Clear();
                       return szVerdict;
                   }};
    Run(oReader, vSeeds, 206);
}

// The family of the header's size fields: the RIFF, format, other and data chunk sizes, the rate,
// bytes per second, block alignment and extra-byte count of the seeds, one or two of them set to
// the values a damaged or hostile file carries (0, around what the file holds, and the 16- and 32-bit
// edges), and one input in four cut short as well.
TEST_F(ModelReadersTest, WaveSizeFields)
{
    const std::vector<std::string> vSeeds = WaveSeeds();
    // A field: its offset and width in bytes.
    std::vector<std::vector<std::pair<size_t, size_t>>> vFields;
    for (const std::string& szSeed : vSeeds)
    {
        std::vector<std::pair<size_t, size_t>> vSeedFields = {{4, 4}, {16, 4}, {24, 4}, {28, 4}, {32, 2}};
        if (GetU32(szSeed, 16) >= 18)
        {
            vSeedFields.push_back({36, 2});
        }
        // Every chunk after the format chunk: its size.
        for (size_t at = 20 + GetU32(szSeed, 16); at + 8 <= szSeed.size(); at += 8 + ((GetU32(szSeed, at + 4) + 1) & ~1u))
        {
            vSeedFields.push_back({at + 4, 4});
        }
        vFields.push_back(vSeedFields);
    }
    auto fnMake = [&](int iInput) -> std::string
    {
        std::mt19937 oRng(static_cast<uint32_t>(iInput) * 2654435761u + 12345u);
        const size_t nSeed = oRng() % vSeeds.size();
        std::string s = vSeeds[nSeed];
        for (int n = 1 + static_cast<int>(oRng() % 2); n > 0; --n)
        {
            const auto& field = vFields[nSeed][oRng() % vFields[nSeed].size()];
            // What the file holds after the field, so that sizes just inside and just past it come up.
            const uint32_t dwHeld = static_cast<uint32_t>(s.size() - field.first - field.second);
            const uint32_t VALUES[] = {0,          1,          2,           15,          16,         17,
                                       18,         dwHeld - 1, dwHeld,      dwHeld + 1,  dwHeld + 2, 0x7FFF,
                                       0xFFFF,     0x10000,    0x10000000u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFEu,
                                       0xFFFFFFFFu, oRng()};
            const uint32_t dwValue = VALUES[oRng() % (sizeof(VALUES) / sizeof(VALUES[0]))];
            for (size_t i = 0; i < field.second; ++i)
            {
                s[field.first + i] = static_cast<char>((dwValue >> (8 * i)) & 0xFF);
            }
        }
        if (oRng() % 4 == 0)
        {
            s.resize(oRng() % (s.size() + 1));
        }
        return s;
    };
    Reader oReader{"wavsize", "wav", true,
                   [&](const std::string& szFile) -> Verdict
                   {
                       QIRN_WaveFile oWave;
                       Verdict szVerdict;
                       if (oWave.Open(szFile, nullptr, QIRN_WAVEFILE_READ) == OK)
                       {
                           CountLoaded();
                           szVerdict = CheckOpenedWave(oWave, robustness::ReadWholeFile(szFile));
                           oWave.Close();
                       }
                       m_oLog.Clear();
                       return szVerdict;
                   }};
    if (robustness::CurrentSlice().iPart == 0)
    {
        ReplayFixtures(oReader);
    }
    const robustness::RunCounts oCounts = robustness::FeedInputs(oReader, fnMake, "the size-field family");
    EXPECT_EQ(oCounts.iInputs, robustness::CurrentSlice().Count(robustness::INPUTS_PER_READER));
    EXPECT_GT(oCounts.iLoaded, 0);
}
