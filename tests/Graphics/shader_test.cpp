#include "qirn_material.h"
#include "qirn_rendertarget.h"
#include "qirn_shader.h"
#include "qirn_shaderlayer.h"
#include "shader_test_support.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

using shader_test::BlockFile;

namespace
{
class ShaderTest : public testing::Test
{
protected:
    qirn_test::ScopedTempDir m_oDir;
    qirn_test::LogCapture m_oLog;
};

// A shader using every keyword of the shader, pass, layer, dynamic layer and material blocks.
const char* const FULL_SHADER = R"(Shader
{
    Name { Rock   Surface }
    Guid { any text at all }
    Description { A test shader }
    NumPasses { 2 }
    Pass
    {
        Name { First pass }
        FogActorName { Mist }
        SkipPass { 1 } FVF { 274 } HasTangent { 1 } HasBinormal { 1 } IsShadowPass { 1 }
        ShowTangents { 1 } ShowNormals { 1 } ShowBinormals { 1 } TangentSpaceVecScale { 2.5 }
        UseFloatIndices { 1 } UseFloatColors { 1 } PGSortMode { 2 } PGSortKey { 3 } SortMode { 4 }
        SortKey { 5 } ZBufferEnabled { 0 } ZWriteEnabled { 0 } ClearZ { 1 } ZCompareFunc { 6 }
        ZBias { 7 } ZClearValue { 0.25 } ClearStencil { 1 } StencilClearValue { 8 }
        StencilEnabled { 1 } StencilFail { 1 } StencilZFail { 2 } StencilPass { 3 } StencilFunc { 4 }
        StencilRef { 9 } StencilMask { 255 } StencilWriteMask { 15 } ClearColor { 1 }
        ColorClearValue { 1 2 3 4 } AmbientColor { 10 20 30 40 } TFactor { 255 128 0 64 }
        CullMode { 2 } ShadeMode { 0 } FillMode { 2 } LightingEnabled { 0 } SpecularEnabled { 1 }
        FogEnabled { 0 } ColorVertex { 0 } LocalViewer { 0 } NormalizeNormals { 1 }
        AlphaBlendEnabled { 1 } SrcBlend { 1 } DestBlend { 0 } AlphaTestEnabled { 1 }
        AlphaCompareFunc { 5 } AlphaTestingThreshold { 128 } DisplacementMapScale { 3 }
        DisplacementMapInterpolation { 0 } PrimitiveType { 4 } PatchSegments { 6 }
        DMapMaxTessellation { 16 } DMapMinTessellation { 2 } PatchEdgeStyle { 1 } PatchOrder { 2 }
        PatchBasis { 1 }
        VertexShader { Shaders\Rock.VSH }
        PixelShader { Rock }
        VertexShaderConstants { NumRows { 2 } VSFlag { 1 } Constant { 0 0 1 0.5 } Constant { 1 0 5 2 } }
        PixelShaderConstants { NumRows { 1 } VSFlag { 0 } Constant { 0 3 1 0.75 } }
        DataBunnyAssignments { }
        NumLayers { 3 }
        Layer
        {
            Stage { 4 } TextureFileName { sky   box } Name { Bricks } TextureFormat { 22 }
            TextureType { 3 } NumSlices { 6 } NumMipmapLevels { 5 }
            DynamicLayer { TextureUpdateType { 1 } UpdateInterval { 0.5 } NextUpdate { 2 }
                           NumArgs { 3 } Arg { 7 } Arg { 8 } Arg { 9 } }
            COLOROP { 3 } COLORARG1 { 2 } COLORARG2 { 3 } ALPHAOP { 4 } ALPHAARG1 { 6 } ALPHAARG2 { 0 }
            COLORARG0 { 1 } ALPHAARG0 { 2 } COLORARG0FLAGS { 1 } ALPHAARG0FLAGS { 2 } COLORARG1FLAGS { 3 }
            ALPHAARG1FLAGS { 1 } COLORARG2FLAGS { 2 } ALPHAARG2FLAGS { 3 } RESULTARG { 4 }
            TEXCOORDINDEX { 1 } TCIFLAG { 2 }
            TEXCOORDTRANSFORM { 1 0 0 0 0 2 0 0 0 0 3 0 4 5 6 1 }
            TEXTURETRANSFORMFLAG { 258 } ADDRESSU { 1 } ADDRESSV { 2 } ADDRESSW { 3 }
            BORDERCOLOR { 255 0 0 255 } MINFILTER { 3 } MAGFILTER { 1 } MIPFILTER { 2 }
            MIPMAPLODBIAS { -0.5 } MAXMIPLEVEL { 2 } MAXANISOTROPY { 4 } BUMPENVLSCALE { 1073741824 }
            BUMPENVLOFFSET { 1 } BUMPENVMAT00 { 2 } BUMPENVMAT01 { 3 } BUMPENVMAT10 { 4 } BUMPENVMAT11 { 5 }
        }
        Layer { Name { Second } }
        Layer { }
        Material { Diffuse { 1 0 0 1 } Ambient { 0.5 0.5 0.5 1 } Specular { 0 1 0 1 }
                   Emissive { 0 0 1 1 } Power { 20 } }
    }
    Pass { }
}
)";

std::string SaveToText(const QIRN_Shader& shader)
{
    {
        QIRN_File file;
        EXPECT_EQ(file.Open("saved.txt", QIRN_FILE_WRITE), OK);
        EXPECT_EQ(shader.Save(file), OK);
    }
    return qirn_test::ReadFile("saved.txt");
}

// The keywords of a saved block in order, one per line, with their indentation depth.
std::vector<std::string> Keywords(const std::string& szText)
{
    std::vector<std::string> keywords;
    std::istringstream lines(szText);
    std::string szLine;
    while (std::getline(lines, szLine))
    {
        std::istringstream words(szLine);
        std::string szWord;
        words >> szWord;
        if (szWord != "{" && szWord != "}" && !szWord.empty())
        {
            keywords.push_back(szWord);
        }
    }
    return keywords;
}
} // namespace

TEST_F(ShaderTest, NewRecordsHaveTheirDefaults)
{
    QIRN_Shader shader;
    EXPECT_EQ(shader.m_dwNumPasses, 0u);
    EXPECT_EQ(shader.m_poPasses, nullptr);
    EXPECT_EQ(shader.m_poOwner, nullptr);
    EXPECT_TRUE(shader.m_strName.empty() && shader.m_strGuid.empty() && shader.m_strDescription.empty());

    QIRN_ShaderPass pass;
    EXPECT_EQ(pass.GetName(), "Pass");
    EXPECT_EQ(pass.m_strFogActorName, "None");
    EXPECT_EQ(pass.m_eZCompareFunc, 3u);
    EXPECT_EQ(pass.m_eStencilFunc, 7u);
    EXPECT_EQ(pass.m_dwStencilMask, 0xFFFFFFFFu);
    EXPECT_EQ(pass.m_dwStencilClearValue, 255u);
    EXPECT_EQ(pass.m_eCullMode, 1u);
    EXPECT_EQ(pass.m_eSrcBlend, 4u);
    EXPECT_EQ(pass.m_eDestBlend, 5u);
    EXPECT_EQ(pass.m_fDMapMaxTessellation, 32.0f);
    EXPECT_EQ(pass.m_eDisplacementMapInterpolation, 1u);
    EXPECT_TRUE(pass.m_oVertexShaderConstants.m_bVSFlag);
    EXPECT_FALSE(pass.m_oPixelShaderConstants.m_bVSFlag);
    EXPECT_EQ(pass.m_poLayers, nullptr);

    QIRN_ShaderLayer layer;
    EXPECT_EQ(layer.m_strName, "Layer");
    EXPECT_EQ(layer.m_eTextureFormat, 21u);
    EXPECT_EQ(layer.m_eCOLOROP, 2u);
    EXPECT_EQ(layer.m_eCOLORARG0, 4u);
    EXPECT_EQ(layer.m_dwBORDERCOLOR, 0x00FFFF00u);
    EXPECT_EQ(layer.m_dwBUMPENVMAT00, 1065353216u);
    EXPECT_EQ(layer.m_poDynamicLayer, nullptr);

    QIRN_Material material;
    EXPECT_EQ(material.m_vDiffuse.w, 1.0f);
    EXPECT_EQ(material.m_vAmbient.w, 0.0f);
    EXPECT_EQ(material.m_fPower, 1.0f);

    QIRN_RenderTarget target;
    EXPECT_EQ(target.m_dwWidth, 256u);
    EXPECT_EQ(target.m_eFormat, 21u);
    EXPECT_TRUE(target.m_bCreateZBuffer);
    EXPECT_EQ(target.m_eZBufferFormat, 71u);
}

TEST_F(ShaderTest, FullShaderLoadsAndSavesInWriterOrder)
{
    BlockFile in(FULL_SHADER);
    QIRN_Shader shader;
    ASSERT_EQ(shader.Load(in.File(), nullptr), OK) << m_oLog.All();
    EXPECT_TRUE(m_oLog.All().empty()) << m_oLog.All();

    EXPECT_EQ(shader.m_strName, "Rock Surface");
    EXPECT_EQ(shader.m_strGuid, "any text at all");
    ASSERT_EQ(shader.m_dwNumPasses, 2u);
    const QIRN_ShaderPass& pass = shader.m_poPasses[0];
    EXPECT_EQ(pass.m_strName, "First");
    EXPECT_EQ(pass.m_strFogActorName, "Mist");
    EXPECT_EQ(pass.m_dwFVF, 274u);
    EXPECT_EQ(pass.m_dwTFactor, 0x40FF8000u);
    EXPECT_EQ(pass.m_eFillMode, 2u);
    EXPECT_EQ(pass.m_fZClearValue, 0.25f);
    EXPECT_EQ(pass.m_strVertexShader, "Shaders\\Rock.VSH");
    ASSERT_EQ(pass.m_dwNumLayers, 3u);
    const QIRN_ShaderLayer& layer = pass.m_poLayers[0];
    EXPECT_EQ(layer.m_dwStage, 4u);
    EXPECT_EQ(layer.m_strTextureFileName, "sky box");
    EXPECT_EQ(layer.m_dwBORDERCOLOR, 0xFFFF0000u);
    EXPECT_EQ(layer.m_mTEXCOORDTRANSFORM._42, 5.0f);
    ASSERT_NE(layer.m_poDynamicLayer, nullptr);
    EXPECT_EQ(layer.m_poDynamicLayer->m_vArgs, (std::vector<uint32_t>{7, 8, 9}));
    // Layers without a Stage keep their position in the pass as their stage.
    EXPECT_EQ(pass.m_poLayers[1].m_dwStage, 1u);
    EXPECT_EQ(pass.m_poLayers[2].m_dwStage, 2u);
    EXPECT_EQ(pass.m_oMaterial.m_fPower, 20.0f);
    EXPECT_EQ(pass.m_oPixelShaderConstants.m_pfValues[3], 0.75f);
    EXPECT_EQ(shader.m_poPasses[1].m_eZCompareFunc, 3u);

    std::string szSaved = SaveToText(shader);
    QIRN_Shader again;
    {
        QIRN_File file;
        ASSERT_EQ(file.Open("saved.txt", QIRN_FILE_READ), OK);
        ASSERT_EQ(file.ReadNextWord(), "Shader");
        ASSERT_EQ(again.Load(file, nullptr), OK) << m_oLog.All();
    }
    EXPECT_EQ(SaveToText(again), szSaved);
    // The documented losses: the program names lose their folder and take a lower-case extension.
    EXPECT_EQ(again.m_poPasses[0].m_strVertexShader, "Rock.vsh");
    EXPECT_EQ(again.m_poPasses[0].m_strPixelShader, "Rock.");

    std::vector<std::string> keywords = Keywords(szSaved);
    const std::vector<std::string> passOrder = {"Pass",
                                                "Name",
                                                "SkipPass",
                                                "FVF",
                                                "HasTangent",
                                                "HasBinormal",
                                                "UseFloatIndices",
                                                "UseFloatColors",
                                                "IsShadowPass",
                                                "ShowNormals",
                                                "ShowBinormals",
                                                "ShowTangents",
                                                "TangentSpaceVecScale",
                                                "PGSortMode",
                                                "PGSortKey",
                                                "SortMode",
                                                "SortKey",
                                                "ZBufferEnabled",
                                                "ZWriteEnabled",
                                                "ClearZ",
                                                "ZCompareFunc",
                                                "ZBias",
                                                "ZClearValue",
                                                "ClearStencil",
                                                "StencilClearValue",
                                                "StencilEnabled",
                                                "StencilFail",
                                                "StencilZFail",
                                                "StencilPass",
                                                "StencilFunc",
                                                "StencilRef",
                                                "StencilMask",
                                                "StencilWriteMask",
                                                "ClearColor",
                                                "ColorClearValue",
                                                "AmbientColor",
                                                "TFactor",
                                                "CullMode",
                                                "ShadeMode",
                                                "FillMode",
                                                "LightingEnabled",
                                                "SpecularEnabled",
                                                "FogEnabled",
                                                "FogActorName",
                                                "ColorVertex",
                                                "LocalViewer",
                                                "NormalizeNormals",
                                                "AlphaBlendEnabled",
                                                "SrcBlend",
                                                "DestBlend",
                                                "AlphaTestEnabled",
                                                "AlphaCompareFunc",
                                                "AlphaTestingThreshold",
                                                "PrimitiveType",
                                                "DisplacementMapScale",
                                                "DisplacementMapInterpolation",
                                                "DMapMinTessellation",
                                                "DMapMaxTessellation",
                                                "PatchSegments",
                                                "PatchEdgeStyle",
                                                "PatchOrder",
                                                "PatchBasis",
                                                "VertexShader",
                                                "VertexShaderConstants",
                                                "NumRows",
                                                "VSFlag",
                                                "Constant",
                                                "Constant",
                                                "PixelShader",
                                                "PixelShaderConstants",
                                                "NumRows",
                                                "VSFlag",
                                                "Constant",
                                                "DataBunnyAssignments",
                                                "NumLayers",
                                                "Layer",
                                                "Stage",
                                                "Name",
                                                "TextureFileName",
                                                "TextureFormat",
                                                "TextureType",
                                                "NumSlices",
                                                "NumMipmapLevels",
                                                "DynamicLayer",
                                                "TextureUpdateType",
                                                "UpdateInterval",
                                                "NextUpdate",
                                                "NumArgs",
                                                "Arg",
                                                "Arg",
                                                "Arg",
                                                "COLOROP"};
    ASSERT_GE(keywords.size(), 5 + passOrder.size());
    EXPECT_EQ((std::vector<std::string>(keywords.begin(), keywords.begin() + 5)),
              (std::vector<std::string>{"Shader", "Name", "NumPasses", "Guid", "Description"}));
    EXPECT_EQ((std::vector<std::string>(keywords.begin() + 5, keywords.begin() + 5 + passOrder.size())),
              passOrder);

    // Indentation: four blanks per open block.
    EXPECT_NE(szSaved.find("Shader\r\n{\r\n    Name { Rock Surface } \r\n"), std::string::npos);
    EXPECT_NE(szSaved.find("\r\n    Pass\r\n    {\r\n        Name { First } \r\n"), std::string::npos);
    EXPECT_NE(
        szSaved.find(
            "\r\n            DynamicLayer\r\n            {\r\n                TextureUpdateType { 1 } \r\n"),
        std::string::npos);
    EXPECT_NE(szSaved.find("            BORDERCOLOR { 255 0 0 255 } \r\n"), std::string::npos);
    EXPECT_NE(szSaved.find("            Diffuse { 1 0 0 1 } \r\n"), std::string::npos);
}

TEST_F(ShaderTest, MalformedBlocksAnswerTheirCodes)
{
    struct Case
    {
        const char* szText;
        QIRN_ErrorCode expected;
        const char* szLine;
    };
    const Case cases[] = {
        {"Shader }", FILEERROR, "*** QIRN_Shader::Load - Start Block ID not found"},
        {"Shader { Name { A }", GENERICERROR, "*** QIRN_Shader::Load - Hit the end of file while reading\n"},
        {"Shader { NumPasses { x } }", FILEREAD_ERROR, "*** QIRN_Shader::Load - Error reading NumPasses\n"},
        {"Shader { Pass { } }", FILEREAD_ERROR, "Pass block without a place (NumPasses is 0)"},
        {"Shader { NumPasses { 1 } Pass { } Pass { } }", FILEREAD_ERROR, "Pass block without a place"},
        {"Shader { NumPasses { 1 } NumPasses { 2 } }", FILEREAD_ERROR,
         "*** QIRN_Shader::Load - NumPasses given twice\n"},
        {"Shader { NumPasses { 99999999 } }", FILEREAD_ERROR, "Unable to make 99999999 passes"},
        {"Shader { Odd x }", FILEREAD_ERROR, "*** QIRN_Shader::Load - Error in skiping the file block!\n"},
        {"Shader { NumPasses { 1 } Pass { CullMode { } } }", FILEREAD_ERROR,
         "*** QIRN_ShaderPass::Load - Error reading CullMode\n"},
        {"Shader { NumPasses { 1 } Pass { Layer { } } }", FILEREAD_ERROR, "Layer block without a place"},
        {"Shader { NumPasses { 1 } Pass { NumLayers { 1 } NumLayers { 1 } } }", FILEREAD_ERROR,
         "NumLayers given twice"},
        {"Shader { NumPasses { 1 } Pass { NumLayers { 1 } Layer { COLOROP 3 } } }", FILEREAD_ERROR,
         "*** QIRN_ShaderLayer :: Load - Error reading COLOROP\n"},
        {"Shader { NumPasses { 1 } Pass { NumLayers { 1 } Layer { Stage { a } } } }", FILEREAD_ERROR,
         "*** QIRN_Shader::Load - Error reading Stage\n"},
        {"Shader { NumPasses { 1 } Pass { NumLayers { 1 } Layer { x } } }", FILEREAD_ERROR,
         "*** QIRN_ShaderLayer :: Load - Error in skiping the file block!\n"},
        {"Shader { NumPasses { 1 } Pass { Material { Power { a } } } }", FILEREAD_ERROR,
         "*** QIRN_Material :: Load - Error reading Power\n"},
        {"Shader { NumPasses { 1 } Pass { Material x } }", FILEERROR,
         "*** QIRN_Material :: Load - Start Block ID not found"},
        {"Shader { NumPasses { 1 } Pass { DataBunnyAssignments { CullMode x } } }", GENERICERROR,
         "*** QIRN_ShaderPass::LoadBunnyAssignments() - roFile.ReadStringBlock() FAILED\n"},
        {"Shader { NumPasses { 1 } Pass { Name { A } ", GENERICERROR,
         "*** QIRN_ShaderPass::Load - Hit the end of file while reading\n"},
        {"Shader { NumPasses { 1 } Pass { NumLayers { 1 } Layer { Name { A } ", GENERICERROR,
         "*** QIRN_ShaderLayer::Load - Hit the end of file while reading\n"},
    };
    for (const Case& c : cases)
    {
        m_oLog.Clear();
        BlockFile in(c.szText);
        QIRN_Shader shader;
        EXPECT_EQ(shader.Load(in.File(), nullptr), c.expected) << c.szText;
        EXPECT_TRUE(m_oLog.Contains(c.szLine)) << c.szText << "\n" << m_oLog.All();
    }
}

TEST_F(ShaderTest, CountsStayWithinWhatADeviceDraws)
{
    // Each count is taken up to its limit and refused one above it, before anything is allocated.
    struct Case
    {
        std::string szText;
        QIRN_ErrorCode expected;
        const char* szLine;
    };
    const std::string szPass = "Shader { NumPasses { 1 } Pass { ";
    const std::string szLayer = szPass + "NumLayers { 1 } Layer { DynamicLayer { ";
    const std::string szConstants = szPass + "PixelShaderConstants { NumRows { ";
    const Case cases[] = {
        {"Shader { NumPasses { 32 } }", OK, ""},
        {"Shader { NumPasses { 33 } }", FILEREAD_ERROR,
         "*** QIRN_Shader::Load - Unable to make 33 passes (a shader has at most 32)\n"},
        {"Shader { NumPasses { 65536 } }", FILEREAD_ERROR, "Unable to make 65536 passes"},
        {szPass + "NumLayers { 8 } } }", OK, ""},
        {szPass + "NumLayers { 9 } } }", FILEREAD_ERROR,
         "*** QIRN_ShaderPass::Load - Unable to make 9 layers (a pass has at most 8)\n"},
        {szLayer + "NumArgs { 256 } } } } }", OK, ""},
        {szLayer + "NumArgs { 257 } } } } }", FILEREAD_ERROR,
         "*** QIRN_DynamicLayer :: Load - NumArgs 257 is too large (at most 256)\n"},
        {szConstants + "256 } VSFlag { 0 } } } }", OK, ""},
        {szConstants + "257 } VSFlag { 0 } } } }", GENERICERROR,
         "*** QIRN_ShaderConstants::Load() - NumRows 257 is more than the 256 constant registers\n"},
    };
    for (const Case& c : cases)
    {
        m_oLog.Clear();
        BlockFile in(c.szText);
        QIRN_Shader shader;
        EXPECT_EQ(shader.Load(in.File(), nullptr), c.expected) << c.szText;
        EXPECT_TRUE(m_oLog.Contains(c.szLine)) << c.szText << "\n" << m_oLog.All();
    }

    // The largest counts a shader may give all load together.
    BlockFile largest(
        "Shader { NumPasses { 32 } Pass { NumLayers { 8 } Layer { DynamicLayer { NumArgs { 256 } } } "
        "PixelShaderConstants { NumRows { 256 } VSFlag { 0 } } } }",
        "largest.txt");
    QIRN_Shader full;
    ASSERT_EQ(full.Load(largest.File(), nullptr), OK);
    EXPECT_EQ(full.m_dwNumPasses, QIRN_MAX_PASSES);
    EXPECT_EQ(full.m_poPasses[0].m_dwNumLayers, QIRN_MAX_LAYERS);
    ASSERT_NE(full.m_poPasses[0].m_poLayers[0].m_poDynamicLayer, nullptr);
    EXPECT_EQ(full.m_poPasses[0].m_poLayers[0].m_poDynamicLayer->GetNumArgs(), QIRN_MAX_DYNAMIC_ARGS);
    EXPECT_EQ(full.m_poPasses[0].m_oPixelShaderConstants.m_dwNumRows, QIRN_MAX_CONSTANT_ROWS);
}

TEST_F(ShaderTest, EmptyShaderBlockGivesAnEmptyShader)
{
    BlockFile in("Shader { }");
    QIRN_Shader shader;
    ASSERT_EQ(shader.Load(in.File(), nullptr), OK);
    EXPECT_EQ(shader.m_dwNumPasses, 0u);
    EXPECT_EQ(shader.m_poPasses, nullptr);
    EXPECT_TRUE(shader.m_strName.empty() && shader.m_strGuid.empty() && shader.m_strDescription.empty());
    EXPECT_TRUE(m_oLog.All().empty()) << m_oLog.All();
}

TEST_F(ShaderTest, AssignmentsBlockEndingWithTheFileAnswersOneSilently)
{
    BlockFile in("Shader { NumPasses { 1 } Pass { DataBunnyAssignments { CullMode { Cull } ");
    QIRN_Shader shader;
    EXPECT_EQ(shader.Load(in.File(), nullptr), GENERICERROR);
    EXPECT_TRUE(m_oLog.All().empty()) << m_oLog.All();
}

TEST_F(ShaderTest, AssignmentsWithoutAManagerChangeNoBinding)
{
    QIRN_DataBunnyManager manager;
    QIRN_IntDataBunny* poCull = shader_test::MakeBunny<QIRN_XFileIntDataBunny>("Cull", 1, 1);
    manager.m_oIntDataBunnyTree.InsertNode("Cull", poCull);
    QIRN_ShaderPass pass;
    BlockFile bound("DataBunnyAssignments { CullMode { Cull } }");
    ASSERT_EQ(pass.LoadBunnyAssignments(bound.File(), &manager), OK);
    ASSERT_EQ(pass.m_oCullModeDBA.GetDataBunny(), poCull);

    BlockFile other("DataBunnyAssignments { CullMode { Other } SkipPass { Skip } }", "other.txt");
    EXPECT_EQ(pass.LoadBunnyAssignments(other.File(), nullptr), OK);
    EXPECT_EQ(pass.m_oCullModeDBA.GetDataBunny(), poCull);
    EXPECT_EQ(pass.m_oSkipPassDBA.GetDataBunny(), nullptr);

    // With the manager, a name it does not have drops the earlier binding.
    BlockFile missing("DataBunnyAssignments { CullMode { Other } }", "missing.txt");
    EXPECT_EQ(pass.LoadBunnyAssignments(missing.File(), &manager), OK);
    EXPECT_EQ(pass.m_oCullModeDBA.GetDataBunny(), nullptr);
    EXPECT_EQ(poCull->m_dwUseCount, 0u);
}

TEST_F(ShaderTest, LayerKeepsTheLastDynamicLayerAndWritesNoneWithout)
{
    BlockFile in(
        "Layer { DynamicLayer { NumArgs { 2 } Arg { 5 } } DynamicLayer { TextureUpdateType { 4 } } }");
    QIRN_ShaderLayer layer;
    ASSERT_EQ(layer.Load(in.File(), nullptr), OK);
    ASSERT_NE(layer.m_poDynamicLayer, nullptr);
    EXPECT_EQ(layer.m_poDynamicLayer->m_dwTextureUpdateType, 4u);
    EXPECT_EQ(layer.m_poDynamicLayer->GetNumArgs(), 0u);

    QIRN_ShaderLayer plain;
    {
        QIRN_File file;
        ASSERT_EQ(file.Open("plain.txt", QIRN_FILE_WRITE), OK);
        ASSERT_EQ(plain.Save(file), OK);
    }
    const std::string szSaved = qirn_test::ReadFile("plain.txt");
    EXPECT_EQ(szSaved.find("DynamicLayer"), std::string::npos) << szSaved;
    EXPECT_NE(szSaved.find("    NumMipmapLevels { 1 } \r\n    COLOROP { 2 } \r\n"), std::string::npos)
        << szSaved;
}

TEST_F(ShaderTest, UnknownKeywordsAreSkippedWithTheirBlocks)
{
    BlockFile in("Shader { Colour { a { b } c } NumPasses { 1 } "
                 "Pass { Extra { 1 } NumLayers { 1 } Layer { Colour { 1 } COLOROP { 3 } } } Name { N } }");
    QIRN_Shader shader;
    ASSERT_EQ(shader.Load(in.File(), nullptr), OK);
    EXPECT_EQ(shader.m_strName, "N");
    EXPECT_EQ(shader.m_poPasses[0].m_poLayers[0].m_eCOLOROP, 3u);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_Shader::Load - Unknown keyword 'Colour'!\n"));
    EXPECT_TRUE(m_oLog.Contains(std::string(24, ' ') + "Attempting to skip block!\n"));
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_ShaderPass::Load - Unknown keyword 'Extra'!\n"));
    EXPECT_TRUE(m_oLog.Contains(std::string(28, ' ') + "Attempting to skip block!\n"));
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_ShaderLayer :: Load - Unknown keyword 'Colour!\n"));
    EXPECT_TRUE(m_oLog.Contains(std::string(31, ' ') + "Attempting to skip block!\n"));
}

TEST_F(ShaderTest, EmptyNamesAndCountsOfZero)
{
    BlockFile in("Shader { NumPasses { 0 } }");
    QIRN_Shader empty;
    ASSERT_EQ(empty.Load(in.File(), nullptr), OK);
    EXPECT_EQ(empty.m_dwNumPasses, 0u);
    EXPECT_NE(empty.m_poPasses, nullptr);

    // An empty pass name is written as "{  }" and reads back empty without eating the next item.
    QIRN_Shader shader;
    shader.m_dwNumPasses = 0;
    BlockFile one("Shader { NumPasses { 2 } Pass { } }", "one.txt");
    ASSERT_EQ(shader.Load(one.File(), nullptr), OK);
    shader.m_poPasses[0].m_strName.clear();
    shader.m_poPasses[0].m_strFogActorName.clear();
    std::string szSaved = SaveToText(shader);
    BlockFile saved(szSaved, "again.txt");
    QIRN_Shader again;
    ASSERT_EQ(again.Load(saved.File(), nullptr), OK) << m_oLog.All();
    EXPECT_EQ(again.m_poPasses[0].m_strName, "");
    EXPECT_EQ(again.m_poPasses[0].m_strFogActorName, "");
    EXPECT_EQ(again.m_poPasses[1].m_strName, "Pass");
}

TEST_F(ShaderTest, CopiesCarryStatesButNoBindings)
{
    QIRN_DataBunnyManager manager;
    QIRN_IntDataBunny* poCull = shader_test::MakeBunny<QIRN_XFileIntDataBunny>("Cull", 2, 2);
    manager.m_oIntDataBunnyTree.InsertNode("Cull", poCull);

    BlockFile in("Shader { Name { Src } Guid { G1 } NumPasses { 2 } Pass { CullMode { 0 } NumLayers { 3 } "
                 "Layer { DynamicLayer { NumArgs { 3 } Arg { 1 } } } Layer { } Layer { } "
                 "DataBunnyAssignments { CullMode { Cull } } } Pass { Name { Two } } }");
    QIRN_Shader source;
    ASSERT_EQ(source.Load(in.File(), &manager), OK);
    EXPECT_EQ(poCull->m_dwUseCount, 1u);

    QIRN_Shader target;
    target.m_strGuid = "Mine";
    BlockFile five("Shader { NumPasses { 5 } }", "five.txt");
    ASSERT_EQ(target.Load(five.File(), nullptr), OK);
    target = source;
    EXPECT_EQ(target.m_strGuid, "Mine");
    EXPECT_EQ(target.m_strName, "Src");
    ASSERT_EQ(target.m_dwNumPasses, 2u);
    EXPECT_EQ(target.m_poPasses[1].m_strName, "Two");
    EXPECT_EQ(target.m_poPasses[0].m_oCullModeDBA.GetDataBunny(), nullptr);
    EXPECT_EQ(poCull->m_dwUseCount, 1u);

    // Layers are deep copies: each has its own dynamic layer.
    const QIRN_ShaderPass& copied = target.m_poPasses[0];
    ASSERT_EQ(copied.m_dwNumLayers, 3u);
    ASSERT_NE(copied.m_poLayers[0].m_poDynamicLayer, nullptr);
    EXPECT_NE(copied.m_poLayers[0].m_poDynamicLayer, source.m_poPasses[0].m_poLayers[0].m_poDynamicLayer);
    EXPECT_EQ(copied.m_poLayers[0].m_poDynamicLayer->m_vArgs, (std::vector<uint32_t>{1, 0, 0}));
    source.m_poPasses[0].m_poLayers[0] = QIRN_ShaderLayer();
    EXPECT_EQ(copied.m_poLayers[0].m_poDynamicLayer->GetNumArgs(), 3u);

    QIRN_Shader none;
    target = none;
    EXPECT_EQ(target.m_dwNumPasses, 0u);
    EXPECT_EQ(target.m_poPasses, nullptr);
}

TEST_F(ShaderTest, CopyEqualsTheSourceInEveryField)
{
    BlockFile in(FULL_SHADER);
    QIRN_Shader source;
    ASSERT_EQ(source.Load(in.File(), nullptr), OK);
    const std::string szSource = SaveToText(source);

    QIRN_Shader target;
    target.m_strGuid = "Own";
    target = source;
    EXPECT_EQ(target.m_strGuid, "Own");
    target.m_strGuid = source.m_strGuid;
    EXPECT_EQ(SaveToText(target), szSource);

    // A pass without layers copies as a pass without a layer array, even from a loaded pass
    // that holds an empty one.
    BlockFile none("Shader { NumPasses { 1 } Pass { NumLayers { 0 } } }", "none.txt");
    QIRN_Shader noLayers;
    ASSERT_EQ(noLayers.Load(none.File(), nullptr), OK);
    ASSERT_NE(noLayers.m_poPasses[0].m_poLayers, nullptr);
    QIRN_ShaderPass& pass = target.m_poPasses[0];
    ASSERT_EQ(pass.m_dwNumLayers, 3u);
    pass = noLayers.m_poPasses[0];
    EXPECT_EQ(pass.m_dwNumLayers, 0u);
    EXPECT_EQ(pass.m_poLayers, nullptr);
}

TEST_F(ShaderTest, BoundParametersFollowTheirBunniesEveryFrame)
{
    QIRN_DataBunnyManager manager;
    manager.m_oIntDataBunnyTree.InsertNode("Cull",
                                           shader_test::MakeBunny<QIRN_XFileIntDataBunny>("Cull", 0, 4));
    manager.m_oBoolDataBunnyTree.InsertNode("Skip",
                                            shader_test::MakeBunny<QIRN_XFileBoolDataBunny>("Skip", 0, 2));
    manager.m_oFloatDataBunnyTree.InsertNode("Scale",
                                             shader_test::MakeBunny<QIRN_XFileFloatDataBunny>("Scale", 1, 3));
    // A float bunny under the name SkipPass looks for is not found: it looks among bool bunnies only.
    manager.m_oFloatDataBunnyTree.InsertNode("Fill",
                                             shader_test::MakeBunny<QIRN_XFileFloatDataBunny>("Fill", 1, 1));

    BlockFile in("Shader { NumPasses { 1 } Pass { CullMode { 1 } FillMode { 3 } DataBunnyAssignments { "
                 "CullMode { Cull } SkipPass { Skip } DisplacementMapScale { Scale } FillMode { Fill } "
                 "PatchSegments { Missing } } } }");
    QIRN_Shader shader;
    ASSERT_EQ(shader.Load(in.File(), &manager), OK);
    QIRN_ShaderPass& pass = shader.m_poPasses[0];
    EXPECT_EQ(pass.m_oFillModeDBA.GetDataBunny(), nullptr);
    EXPECT_EQ(pass.m_oPatchSegmentsDBA.GetDataBunny(), nullptr);

    struct Step
    {
        float fDt;
        uint32_t eCull;
        bool bSkip;
        float fScale;
    };
    const Step steps[] = {{0.0f, 0, false, 1.0f}, {0.5f, 2, true, 2.0f}, {0.25f, 3, true, 2.5f}};
    for (const Step& step : steps)
    {
        manager.Update(step.fDt);
        EXPECT_EQ(shader.UpdateDataBunnyAssignments(), OK);
        EXPECT_EQ(pass.m_eCullMode, step.eCull);
        EXPECT_EQ(pass.m_bSkipPass, step.bSkip);
        EXPECT_FLOAT_EQ(pass.m_fDisplacementMapScale, step.fScale);
        EXPECT_EQ(pass.m_eFillMode, 3u) << "unbound parameters keep their file value";
    }

    // Saved under the bound bunnies' names, in the writer's order; unbound slots write nothing.
    std::string szSaved = SaveToText(shader);
    EXPECT_NE(szSaved.find("        DataBunnyAssignments\r\n        {\r\n"
                           "            DisplacementMapScale { Scale } \r\n"
                           "            SkipPass { Skip } \r\n"
                           "            CullMode { Cull } \r\n"
                           "        }\r\n"),
              std::string::npos)
        << szSaved;
}

TEST_F(ShaderTest, DynamicLayerArgumentsStayInsideTheirArray)
{
    struct Case
    {
        const char* szBlock;
        std::vector<uint32_t> expected;
        size_t nIgnored;
    };
    const Case cases[] = {
        {"DynamicLayer { NumArgs { 2 } Arg { 7 } Arg { 9 } }", {7, 9}, 0},
        {"DynamicLayer { Arg { 7 } NumArgs { 2 } Arg { 9 } }", {0, 9}, 1},
        {"DynamicLayer { NumArgs { 1 } Arg { 7 } Arg { 9 } Arg { 11 } }", {7}, 2},
        {"DynamicLayer { NumArgs { 3 } Arg { 7 } NumArgs { 2 } Arg { 9 } }", {0, 9}, 0},
    };
    for (const Case& c : cases)
    {
        m_oLog.Clear();
        BlockFile in(c.szBlock);
        QIRN_DynamicLayer layer;
        ASSERT_EQ(layer.Load(in.File()), OK) << c.szBlock;
        EXPECT_EQ(layer.m_vArgs, c.expected) << c.szBlock;
        EXPECT_EQ(m_oLog.Count("has no slot"), c.nIgnored) << c.szBlock;
    }
    BlockFile huge("DynamicLayer { NumArgs { 4000000000 } }", "huge.txt");
    QIRN_DynamicLayer layer;
    EXPECT_EQ(layer.Load(huge.File()), FILEREAD_ERROR);
}

TEST_F(ShaderTest, SavingToAFileThatIsNotOpenFails)
{
    QIRN_File closed;
    QIRN_Shader shader;
    EXPECT_EQ(shader.Save(closed), FILEERROR);
    EXPECT_TRUE(m_oLog.Contains("QIRN_Shader::Save - Unable to write to file!\n"));
    QIRN_ShaderPass pass;
    EXPECT_EQ(pass.SaveDataBunnyAssignments(closed), GENERICERROR);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_ShaderPass::SaveDataBunnyAssignments() - roFile is INVALID\n"));
    QIRN_RenderTarget target;
    EXPECT_EQ(target.Save(closed), FILEERROR);
}

TEST_F(ShaderTest, RenderTargetBlock)
{
    BlockFile in("RenderTarget { Name { Mirror } UpdateFunction { Update1 } Width { 512 } Lockable { 1 } }");
    QIRN_RenderTarget target;
    ASSERT_EQ(target.Load(in.File()), OK);
    EXPECT_EQ(target.m_strName, "Mirror");
    EXPECT_EQ(target.m_strUpdateFunction, "Update1");
    EXPECT_EQ(target.m_dwWidth, 512u);
    EXPECT_EQ(target.m_dwHeight, 256u);
    EXPECT_TRUE(target.m_bLockable);
    {
        QIRN_File file;
        ASSERT_EQ(file.Open("target.txt", QIRN_FILE_WRITE), OK);
        ASSERT_EQ(target.Save(file), OK);
    }
    EXPECT_EQ(qirn_test::ReadFile("target.txt"),
              "RenderTarget\r\n{\r\n    Name { Mirror } \r\n    UpdateFunction { Update1 } "
              "\r\n    Width { 512 } \r\n    Height { 256 } \r\n    Format { 21 } "
              "\r\n    Lockable { 1 } \r\n    CreateZBuffer { 1 } \r\n    "
              "ZBufferFormat { 71 } \r\n}\r\n");
}
