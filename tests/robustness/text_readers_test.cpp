// The readers of the engine's text files fed mutated copies of the shipped scene's files and of
// small files of their own kinds.
#include "mutation_harness.h"
#include "reader_test.h"

#include "qirn_console.h"
#include "qirn_engine.h"
#include "qirn_file.h"
#include "qirn_settings.h"
#include "qirn_shader.h"
#include "qirn_test_support.h"
#include "qirn_world.h"

#include <gtest/gtest.h>

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
    // The world's own shader file stays whole, so each load reads it rather than writing one.
    qirn_test::WriteFile("m.s", SceneSource("AmbrevoFull.s"));
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
                       // The scene's world needs its models to load whole: an input counts as read
                       // when its objects were, that is when it starts with the version word.
                       const std::string szWord = FirstWord(robustness::ReadWholeFile(szFile));
                       if (szWord == WORLD_VERSION)
                       {
                           CountLoaded();
                       }
                       return eResult != OK || szWord == WORLD_VERSION
                                  ? ""
                                  : "answered 0 for a file that starts with \"" + szWord.substr(0, 40) + "\"";
                   }};
    Run(oReader, {SceneSource("AmbrevoFull.w")}, 104);
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
