// The readers of the engine's text files fed mutated copies of the shipped scene's files and of
// small files of their own kinds.
#include "mutation_harness.h"
#include "reader_test.h"

#include "qirn_console.h"
#include "qirn_customactor.h"
#include "qirn_deviceinfo.h"
#include "qirn_engine.h"
#include "qirn_file.h"
#include "qirn_graphics.h"
#include "qirn_settings.h"
#include "qirn_shader.h"
#include "qirn_test_support.h"
#include "qirn_world.h"

#include <windows.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <set>
#include <string>
#include <vector>

using robustness::CountLoaded;
using robustness::FeedMutations;
using robustness::Reader;
using robustness::ReplayFixtures;
using robustness::Verdict;

namespace
{
const char* const WORLD_VERSION = "qirn_world_version2.0";
const char* const SHADER_VERSION = "qirn_shader_version2.0";
const char* const SKIN_VERSION = "qirn_console_config_file_version2.0";

std::string SceneSource(const char* szName)
{
    return robustness::ReadWholeFile(std::string(QIRN_SCENE_SOURCES) + "\\" + szName);
}

// The first word of the text as QIRN_File splits words: after white space, up to white space.
std::string FirstWord(const std::string& szText)
{
    size_t begin = szText.find_first_not_of(" \t\r\n\v\f");
    if (begin == std::string::npos)
    {
        return "";
    }
    size_t end = szText.find_first_of(" \t\r\n\v\f", begin);
    return szText.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
}

// A loaded answer is sound only for a file that starts with its version word.
Verdict LoadedNeedsVersion(QIRN_ErrorCode eResult, const std::string& szFile, const char* szVersion)
{
    if (eResult != OK)
    {
        return "";
    }
    CountLoaded();
    std::string szWord = FirstWord(robustness::ReadWholeFile(szFile));
    return szWord == szVersion ? "" : "answered 0 for a file that starts with \"" + szWord.substr(0, 40) + "\"";
}

const char* const SKIN_SEED = R"(qirn_console_config_file_version2.0
{
    FontName { Courier   New }
    FontSize { 12 }
    FontFlags { 3 }
    FontColor { 255 0 0 255 }
    Backdrop { anything { nested } at all }
    Shader
    {
        Name { Skin Shader }
        NumPasses { 2 }
        Pass
        {
            AlphaBlendEnabled { 1 } SrcBlend { 5 } DestBlend { 6 }
            NumLayers { 1 }
            Layer { Stage { 0 } TextureFileName { console.tga } COLOROP { 4 } BORDERCOLOR { 1 2 3 4 } }
            Material { Diffuse { 1.0 0.5 0.25 1.0 } Power { 8.0 } }
        }
        Pass { Name { Glow } TFactor { 10 20 30 40 } }
    }
}
)";

// A shader file with every kind of block the readers know.
const char* const SHADER_SEED = R"(qirn_shader_version2.0
{
    RenderTarget
    {
        Name { Mirror }
        UpdateFunction { Update1 }
        Width { 128 }
        Height { 64 }
    }
    Shader
    {
        Name { Reef }
        Guid { 1234 5678 }
        NumPasses { 2 }
        Pass
        {
            Name { Base }
            FVF { 274 } CullMode { 2 } AlphaBlendEnabled { 1 } SrcBlend { 5 } DestBlend { 6 }
            TFactor { 10 20 30 40 }
            VertexShader { C:\Shaders\Reef.VSH }
            NumLayers { 2 }
            Layer
            {
                Stage { 0 } TextureFileName { Sand.tga } COLOROP { 4 } ADDRESSU { 1 }
                BUMPENVMAT00 { 1065353216 } BORDERCOLOR { 255 0 0 255 }
                DynamicLayer { NumArgs { 2 } Arg { 7 } Arg { 9 } }
            }
            Layer { Stage { 1 } TextureFileName { Caustic.tga } COLOROP { 7 } }
            Material { Diffuse { 1.0 0.5 0.25 1.0 } Power { 8.0 } }
            DataBunnyAssignments { CullMode { CullSwitch } }
            VertexShaderConstants
            {
                NumRows { 3 }
                VSFlag { 1 }
                Constant { 0 0 1 0.5 }
                Constant { 1 3 1 2 }
                Constant { 2 0 4 0 1 }
            }
        }
        Pass { Name { Glow } NumLayers { 1 } Layer { Stage { 0 } TextureFileName { Glow.tga } } }
    }
}
)";

const char* const SCRIPT_SEED = "rem the reef's start-up\r\n"
                                "// comment\n"
                                "fpslock 30\n"
                                "print hello from the script\n"
                                "\n"
                                "fillmode 2\n"
                                "showfps\n"
                                "loadskin absent.skin\n"
                                "runscript m.script\n"
                                "cls\n"
                                "help\n";

const char* const SETTINGS_SEED = "[PATHS]\r\n"
                                  "EnginePath=C:\\Reef\\\r\n"
                                  "ScenePath=Data\\Scenes ; old folder\r\n"
                                  "MeshPath=\\Data\\Models\r\n"
                                  "TexturePath=\\\\server\\share\\Textures\r\n"
                                  "FontPath=Fonts\r\n"
                                  "[Display]\r\n"
                                  "Width=1024\r\n"
                                  "Height=768\r\n"
                                  "Refresh=-60\r\n"
                                  "[console]\r\n"
                                  "script=start.script\r\n";

// The readers' shape over QIRN_File: header, named blocks, value blocks of every typed reader,
// unknown keywords skipped. Every step reads at least one word or fails, so it always ends.
QIRN_ErrorCode WalkBlock(QIRN_File& roFile, int iDepth)
{
    static const std::set<std::string> NESTED = {"Shader", "Pass", "Layer", "Material", "RenderTarget",
                                                 "DynamicLayer", "VertexShaderConstants", "QIRN_Fog",
                                                 "QIRN_CameraActor", "QIRN_MeshActor", "QIRN_LightActor"};
    static const std::set<std::string> NAMES = {"Name", "WorldName", "MeshFilename", "FontName", "Guid"};
    static const std::set<std::string> COLOURS = {"Color", "ColorClearValue", "TFactor", "FontColor", "BORDERCOLOR",
                                                  "Diffuse", "Ambient"};
    if (roFile.ReadNextWord() != QIRN_FILE_STARTBLOCKID)
    {
        return FILEREAD_ERROR;
    }
    for (;;)
    {
        if (roFile.IsEOF())
        {
            return GENERICERROR;
        }
        std::string szKeyword = roFile.ReadNextWord();
        QIRN_ErrorCode eResult = OK;
        if (szKeyword == QIRN_FILE_ENDBLOCKID)
        {
            return OK;
        }
        if (NESTED.count(szKeyword) && iDepth < 16)
        {
            eResult = WalkBlock(roFile, iDepth + 1);
        }
        else if (NAMES.count(szKeyword))
        {
            std::string szValue;
            eResult = roFile.ReadStringBlock(szValue);
        }
        else if (COLOURS.count(szKeyword))
        {
            uint32_t dwColour = 0;
            eResult = roFile.ReadColor(dwColour);
        }
        else if (szKeyword == "FOV" || szKeyword == "Density" || szKeyword == "TimeScale")
        {
            float fValue = 0.0f;
            eResult = roFile.ReadBlock(fValue);
        }
        else if (szKeyword == "NumPasses" || szKeyword == "FVF" || szKeyword == "Type")
        {
            uint32_t dwValue = 0;
            eResult = roFile.ReadBlock(dwValue);
        }
        else if (szKeyword == "ResetTime" || szKeyword == "FogMode")
        {
            int iValue = 0;
            eResult = roFile.ReadBlock(iValue);
        }
        else if (szKeyword == "//" || szKeyword == "rem")
        {
            eResult = roFile.SkipLine();
        }
        else
        {
            eResult = roFile.SkipBlock();
        }
        if (eResult != OK)
        {
            return eResult;
        }
    }
}

class TextReadersTest : public robustness::ReaderTest
{
};

// One actor of every kind the world makes, each on small files of the scene (copied beside the
// world), the sample plug-in by its bare name as the scene gives it, two emitters (a stream and
// explosions in a box), and relationships between them.
const char* const EVERY_ACTOR_SEED = R"(qirn_world_version2.0
{
    WorldName { Every }
    ResetTime { 8 }
    LoopWorld { 1 }
    Gravity { 0 -9.8 0 1 }
    Wind { 2 0 1 1 }
    Bookmarks { Bookmark { 0 } Bookmark { 4 } }
    DataBunnyManager { xfile { pulse.x } }
    QIRN_Fog { Name { Murk } FogMode { 2 } Color { 20 76 128 255 } StartDistance { 150 } EndDistance { 1400 } }
    QIRN_CameraActor { Name { Cam } Position { 0 30 -240 1 } AnimationFilename { driftpath.x }
        PrimaryOrientationMode { 2 } LookAt { 0 0 0 1 } FOV { 55 } Near { 1 } Far { 5000 } }
    QIRN_BaseActor { Name { Mark } Position { 45 -8 20 1 } }
    QIRN_SkyBoxActor { Name { Sky } MeshFilename { skybox.x } }
    QIRN_MeshActor { Name { Slate } Position { 0 0 0 1 } MeshFilename { slate.x } Render { 1 } }
    QIRN_LightActor { Name { Sun } Type { 3 } Direction { 0.3 -1 0.2 0 } Diffuse { 210 225 255 255 } }
    QIRN_LightActor { Name { Lantern } Type { 1 } Position { 45 -10 20 1 } Range { 160 } Attenuation0 { 1 } }
    QIRN_ParticleAttractorActor { Name { Surface } Position { 30 400 40 1 } Type { 2 } ConstantPower { 40000 } }
    QIRN_ParticleEmitterActor { Name { Bubbles } Position { 40 -30 30 1 } Type { 2 } NumParticles { 120 }
        EmissionRate { 12 } Lifetime { 8 } InitialVelocity { 0 18 0 1 } VelocityVariance { 4 3 0 1 }
        Mass { 0.5 } Friction { 0.5 } Attractor { Surface } }
    QIRN_ParticleEmitterActor { Name { Burst } Type { 4 } NumParticles { 40 } Explosion { 1 } ExplosionRate { 2 }
        Lifetime { 3 } BoxSize { 10 } InitialVelocity { 0 5 0 1 } VelocityVariance { 3 3 3 1 } Mass { 1 } }
    QIRN_LogoActor { Name { Badge } Position { 0.67 -0.58 16 1 } MeshFilename { logo.x } }
    QIRN_CustomActor { Name { Marker } ShaderAssignment { Marker { SampleMarker } }
        DLLFilename { qirn_sampleactor.dll } Arg { 14 } Arg { 14 } Arg { 6 } Arg { 245 } }
    QIRN_RelationshipObject { Name { Watch } DependantActorName { Cam } LookAtTargetActorName { Slate } }
    QIRN_RelationshipObject { Name { Keep } DependantActorName { Lantern } PositionTargetActorName { Mark } }
    QIRN_LipSyncActor { Name { Diver } Position { 282 0 -300 1 } MeshFilename { diverhead.x }
        SyncFilename { diver.sync } VisemeFilename { diverhead.cpa } InterpolationType { 0 } }
    QIRN_DigiMaskActor { Name { Dweller } Position { 322 2 -300 1 } TesselationFactor { 1.0 }
        DMKFilename { dwellerhead.dmk } SyncFilename { dweller.sync } InterpolationType { 1 } }
}
)";

// The calls a renderer makes on custom actors, on a small back buffer whose pixels are only counted.
class CountingGraphics : public QIRN_Graphics
{
public:
    CountingGraphics()
    {
        m_poDeviceInfo = new QIRN_DeviceInfo;
        m_poDeviceInfo->m_dwWidth = 64;
        m_poDeviceInfo->m_dwHeight = 48;
    }
    ~CountingGraphics() override { delete m_poDeviceInfo; }
    QIRN_ErrorCode DrawPixel(int, int, uint32_t) override
    {
        ++m_iPixels;
        return OK;
    }
    QIRN_ErrorCode SetLights(QIRN_LINKEDLIST<QIRN_LightActor>*, uint32_t) override { return OK; }
    QIRN_Font* CreateFont() override { return nullptr; }
    QIRN_ErrorCode ConvertTexture(QIRN_Bitmap*, int) override { return OK; }
    QIRN_ErrorCode CreateRenderTarget(QIRN_RenderTarget*) override { return OK; }
    QIRN_ErrorCode LoadMesh(QIRN_MeshData*, int) override { return OK; }
    QIRN_ErrorCode RenderMesh(QIRN_MeshData*, int, int) override { return OK; }
    QIRN_ErrorCode SetShader(QIRN_Shader*, int, uint32_t) override { return OK; }
    QIRN_ErrorCode LoadShader(QIRN_Shader*) override { return OK; }
    QIRN_ErrorCode ReloadShader(QIRN_Shader*) override { return OK; }
    QIRN_ErrorCode RemoveShader(std::string) override { return OK; }
    QIRN_ErrorCode SetVertexShaderConstants(uint32_t, const float*, uint32_t) override { return OK; }
    QIRN_ErrorCode SetPixelShaderConstants(uint32_t, const float*, uint32_t) override { return OK; }
    QIRN_ErrorCode ValidateVertexShader(QIRN_ShaderPass*, std::string) override { return OK; }
    QIRN_ErrorCode ValidatePixelShader(std::string) override { return OK; }
    QIRN_ErrorCode ReloadVertexShader(QIRN_ShaderPass*, std::string) override { return OK; }
    QIRN_ErrorCode ReloadPixelShader(QIRN_ShaderPass*, std::string) override { return OK; }
    QIRN_ErrorCode LoadGeometry(QIRN_Geometry*) override { return OK; }
    QIRN_ErrorCode RenderGeometry(QIRN_Geometry*, QIRN_CameraActor*, int) override { return OK; }
    QIRN_ErrorCode GetNumAdapters(int*) override { return OK; }
    QIRN_ErrorCode GetGraphicsDeviceInfo(uint32_t, QIRN_DeviceInfo**) override { return OK; }
    QIRN_ErrorCode SetRenderingParams(QIRN_GraphicsParams*, HWND) override { return OK; }
    bool IsValidDisplayMode(uint32_t, uint32_t, uint32_t, QIRN_PixelFormat, uint32_t) override { return false; }
    QIRN_ErrorCode RenderFrame(QIRN_World*, QIRN_CameraActor*, bool) override { return OK; }
    QIRN_ErrorCode PresentFrame() override { return OK; }
    QIRN_ErrorCode RenderWorld(QIRN_World*, QIRN_CameraActor*, int, bool) override { return OK; }
    QIRN_ErrorCode UpdateRenderTargets(QIRN_World*, QIRN_CameraActor*) override { return OK; }
    QIRN_ErrorCode ScreenDump(const char*) override { return OK; }
    QIRN_ErrorCode UpdateShaders(float) override { return OK; }
    QIRN_ErrorCode ReleaseResources() override { return OK; }
    QIRN_ErrorCode RenameShader(std::string, std::string) override { return OK; }

    int m_iPixels = 0;
};

// Copies the installed scene's files of the kinds given ("Models\\*.x") beside the world, where a
// world in a folder without a settings file finds them.
void CopySceneData(std::initializer_list<const char*> vPatterns)
{
    for (const char* szPattern : vPatterns)
    {
        const std::string szFolder = std::string(QIRN_SCENE_DATA) + "\\" +
                                     std::string(szPattern).substr(0, std::string(szPattern).rfind('\\'));
        WIN32_FIND_DATAA oFound;
        HANDLE hFind = FindFirstFileA((std::string(QIRN_SCENE_DATA) + "\\" + szPattern).c_str(), &oFound);
        ASSERT_NE(hFind, INVALID_HANDLE_VALUE) << szPattern;
        do
        {
            qirn_test::WriteFile(oFound.cFileName, robustness::ReadWholeFile(szFolder + "\\" + oFound.cFileName));
        } while (FindNextFileA(hFind, &oFound));
        FindClose(hFind);
    }
}

DWORD LowestFreeTlsSlot()
{
    const DWORD dwSlot = TlsAlloc();
    TlsFree(dwSlot);
    return dwSlot;
}

size_t PrivateBytes()
{
    PROCESS_MEMORY_COUNTERS_EX oMemory = {};
    oMemory.cb = sizeof(oMemory);
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&oMemory),
                         sizeof(oMemory));
    return oMemory.PrivateUsage;
}

// Plays a loaded world for a few frames as the renderer would drive its custom actors.
void PlayWorld(QIRN_World& roWorld)
{
    CountingGraphics oGraphics;
    QIRN_LINKEDLIST<QIRN_CustomActor>* poCustom = roWorld.GetCustomActorList();
    for (int iFrame = 0; iFrame < 6; ++iFrame)
    {
        roWorld.UpdateWorld(0.5f);
        for (auto* poNode = poCustom ? poCustom->m_pHead : nullptr; poNode; poNode = poNode->m_pNext)
        {
            QIRN_CustomActor* poActor = poNode->m_pData;
            if (!poActor->IsInitialized())
            {
                poActor->InitUserData(&oGraphics);
            }
            poActor->UpdateUserData();
            poActor->RenderUserData(0);
        }
    }
    for (auto* poNode = poCustom ? poCustom->m_pHead : nullptr; poNode; poNode = poNode->m_pNext)
    {
        if (poNode->m_pData->IsInitialized())
        {
            poNode->m_pData->DestroyUserData();
        }
    }
}
} // namespace

TEST_F(TextReadersTest, TextBlockFile)
{
    Reader oReader{"textblock", "txt", false,
                   [&](const std::string& szFile) -> Verdict
                   {
                       QIRN_File oFile;
                       QIRN_ErrorCode eResult = oFile.Open(szFile, QIRN_FILE_READ);
                       if (eResult == OK)
                       {
                           oFile.ReadNextWord();
                           eResult = WalkBlock(oFile, 0);
                       }
                       m_oLog.Clear();
                       if (eResult == OK)
                       {
                           CountLoaded();
                       }
                       return "";
                   }};
    Run(oReader, {SceneSource("AmbrevoFull.w"), SceneSource("AmbrevoFull.s"), SHADER_SEED, SKIN_SEED}, 101);
}

TEST_F(TextReadersTest, SettingsFile)
{
    Reader oReader{"settings", "ini", false,
                   [&](const std::string& szFile) -> Verdict
                   {
                       QIRN_InitEnginePath(m_oDir.Path() + "\\" + szFile);
                       std::string szRoot = QIRN_EnginePath();
                       for (const char* szKey : {"ScenePath", "MeshPath", "TexturePath", "FontPath", "Absent"})
                       {
                           std::string szPath = QIRN_GetPath(szKey);
                           if (szPath.size() > 4096)
                           {
                               return std::string("a folder longer than any value: ") + szKey;
                           }
                       }
                       QIRN_GetIniInt("Display", "Width", 640);
                       QIRN_GetIniInt("Display", "Refresh", 0);
                       QIRN_GetIniString("console", "script", "");
                       QIRN_FindFile("reef", "w");
                       QIRN_FindFile("Models\\Rock.X", "");
                       CountLoaded();
                       m_oLog.Clear();
                       return "";
                   }};
    Run(oReader, {SETTINGS_SEED}, 102);
    QIRN_InitEnginePath(m_oDir.Path() + "\\qirn_v2.ini");
}

TEST_F(TextReadersTest, ShaderFile)
{
    QIRN_World oWorld(nullptr);
    ASSERT_EQ(oWorld.InitWorld(), OK);
    Reader oReader{"shaderfile", "s", false,
                   [&](const std::string& szFile) -> Verdict
                   {
                       QIRN_BINARYTREE<QIRN_Shader> oShaders;
                       QIRN_BINARYTREE<QIRN_RenderTarget> oTargets;
                       QIRN_ErrorCode eResult = oWorld.LoadShaders(szFile, &oShaders, &oTargets);
                       m_oLog.Clear();
                       return LoadedNeedsVersion(eResult, szFile, SHADER_VERSION);
                   }};
    Run(oReader, {SceneSource("AmbrevoFull.s"), SHADER_SEED}, 103);
}

TEST_F(TextReadersTest, WorldFile)
{
    // The world's own shader file stays whole, so each load reads it rather than writing one. Its
    // models lie beside it, so that a whole world loads every actor it names, the emitters and the
    // plug-in among them (without them the load stopped at the first file it names). The larger
    // static models are stood in for by the slate, and the talking heads' models are left out
    // (their actors are dropped at their first file): the world file, not the models, is under
    // test here, and the world with every actor kind loads and plays the heads. A whole load then
    // takes about a third of the time it would with the scene's own models. About a third of the
    // inputs load a whole world, so this reader takes 3,000 inputs rather than 10,000: with 10,000 it
    // cost as much as the rest of the mutation test, whose other world reader covers whole loads.
    qirn_test::WriteFile("m.s", SceneSource("AmbrevoFull.s"));
    CopySceneData({"Models\\*.x"});
    for (const char* szModel : {"seabed.x", "kelp.x", "kelpstalks.x", "coral.x", "rocks.x"})
    {
        qirn_test::WriteFile(szModel, robustness::ReadWholeFile("slate.x"));
    }
    ASSERT_TRUE(DeleteFileA("diverhead.x"));
    Reader oReader{"world", "w", false,
                   [&](const std::string& szFile) -> Verdict
                   {
                       QIRN_World oWorld(nullptr);
                       if (oWorld.InitWorld() != OK)
                       {
                           return "the world did not start";
                       }
                       QIRN_ErrorCode eResult = oWorld.Load(szFile.substr(0, szFile.find('.')));
                       m_oLog.Clear();
                       return LoadedNeedsVersion(eResult, szFile, WORLD_VERSION);
                   }};
    Run(oReader, {SceneSource("AmbrevoFull.w")}, 104, 3000);
}

// A world with one actor of every kind, the sample plug-in's included, loaded, played and closed. Beside
// a sound answer, every input must leave the process as it found it: the plug-in freed, no
// thread-local slot kept, no pool asked for that the process cannot give.
TEST_F(TextReadersTest, WorldWithEveryActorKind)
{
    qirn_test::WriteFile("m.s", SceneSource("AmbrevoFull.s"));
    for (const char* szFile : {"Models\\pulse.x", "Models\\driftpath.x", "Models\\skybox.x", "Models\\slate.x",
                               "Models\\logo.x", "Models\\diverhead.x", "_System_\\diverhead.cpa",
                               "_System_\\diver.sync", "_System_\\dwellerhead.dmk", "_System_\\dweller.sync"})
    {
        const std::string szName = std::string(szFile).substr(std::string(szFile).find('\\') + 1);
        qirn_test::WriteFile(szName, robustness::ReadWholeFile(std::string(QIRN_SCENE_DATA) + "\\" + szFile));
    }
    // The face-model library, once loaded, stays for the life of the process with its thread-local
    // slot: the seed is loaded and played once whole before the slots are counted.
    DWORD dwFreeSlot = TLS_OUT_OF_INDEXES;
    Reader oReader{"worldactors", "w", false,
                   [&](const std::string& szFile) -> Verdict
                   {
                       const size_t nBefore = PrivateBytes();
                       size_t nLoaded = nBefore;
                       QIRN_ErrorCode eResult = GENERICERROR;
                       {
                           QIRN_World oWorld(nullptr);
                           if (oWorld.InitWorld() != OK)
                           {
                               return "the world did not start";
                           }
                           eResult = oWorld.Load(szFile.substr(0, szFile.find('.')));
                           if (eResult == OK)
                           {
                               PlayWorld(oWorld);
                           }
                           nLoaded = PrivateBytes();
                       }
                       // An emitter asking for a pool it cannot have took a count no frame could step.
                       for (const std::string& szLine : m_oLog.Messages())
                       {
                           if (szLine.find("Unable to allocate") != std::string::npos)
                           {
                               return "asked for more than the process holds: " + szLine.substr(0, 120);
                           }
                       }
                       m_oLog.Clear();
                       if (nLoaded > nBefore + 256 * 1024 * 1024)
                       {
                           return "the world took " + std::to_string((nLoaded - nBefore) >> 20) + " MB";
                       }
                       if (GetModuleHandleA("qirn_sampleactor.dll"))
                       {
                           return "the plug-in stays loaded after its world closed";
                       }
                       if (dwFreeSlot != TLS_OUT_OF_INDEXES && LowestFreeTlsSlot() != dwFreeSlot)
                       {
                           return "a thread-local slot was kept: the lowest free one is now " +
                                  std::to_string(LowestFreeTlsSlot()) + ", was " + std::to_string(dwFreeSlot);
                       }
                       const Verdict szVerdict = LoadedNeedsVersion(eResult, szFile, WORLD_VERSION);
                       return szVerdict;
                   }};
    qirn_test::WriteFile("seed.w", EVERY_ACTOR_SEED);
    ASSERT_EQ(oReader.fnRead("seed.w"), "");
    ASSERT_NE(GetModuleHandleA("DMSDK.dll"), nullptr);
    dwFreeSlot = LowestFreeTlsSlot();
    Run(oReader, {EVERY_ACTOR_SEED}, 107);
}

TEST_F(TextReadersTest, ConsoleSkin)
{
    QIRN_Engine oEngine;
    QIRN_Console oConsole(&oEngine);
    Reader oReader{"skin", "skin", false,
                   [&](const std::string& szFile) -> Verdict
                   {
                       QIRN_ErrorCode eResult = oConsole.Load(szFile);
                       m_oLog.Clear();
                       return LoadedNeedsVersion(eResult, szFile, SKIN_VERSION);
                   }};
    Run(oReader, {SKIN_SEED}, 105);
}

TEST_F(TextReadersTest, ConsoleScript)
{
    QIRN_Engine oEngine;
    QIRN_Console oConsole(&oEngine);
    Reader oReader{"script", "script", false,
                   [&](const std::string& szFile) -> Verdict
                   {
                       QIRN_ErrorCode eResult = oConsole.ParseCommand("runscript " + szFile);
                       m_oLog.Clear();
                       if (eResult == OK)
                       {
                           CountLoaded();
                       }
                       return "";
                   }};
    Run(oReader, {SCRIPT_SEED}, 106);
}
