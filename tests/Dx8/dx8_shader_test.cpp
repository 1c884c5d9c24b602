// Shaders of a shader file converted into device records, vertex and pixel shaders assembled and
// cached by layout, a converted pass applied to the device, and reload, rename and remove.
#include "dx8_test_support.h"
#include "qirn_databunny.h"
#include "qirn_meshdata.h"
#include "qirn_shader.h"

#include <gtest/gtest.h>

#include <memory>

namespace
{
const char* const VERTEX_SHADER = "vs.1.1\nm4x4 oPos, v0, c0\nmov oD0, v5\nmov oT0, v7\n";
const char* const PIXEL_SHADER = "ps.1.1\ntex t0\nmov r0, t0\n";

// Two passes: a fixed-function pass with a textured layer, and a pass with vertex and
// pixel shaders and two layers naming the same image.
const char* const SHADER_FILE = R"(Shader
{
    Name { Rock }
    NumPasses { 2 }
    Pass
    {
        Name { Base }
        ZCompareFunc { 4 } CullMode { 0 } FillMode { 2 } AlphaBlendEnabled { 1 } SrcBlend { 1 } DestBlend { 1 }
        AlphaTestEnabled { 1 } AlphaCompareFunc { 6 } AlphaTestingThreshold { 99 } TFactor { 1 2 3 4 }
        NumLayers { 1 }
        Layer
        {
            Stage { 0 } TextureFileName { Rock.tga } TextureFormat { 21 } TextureType { 2 }
            COLOROP { 3 } ADDRESSU { 2 } MINFILTER { 1 }
        }
    }
    Pass
    {
        Name { PREPASS }
        FVF { 322 }
        VertexShader { Lit }
        PixelShader { Tex }
        NumLayers { 2 }
        Layer { Stage { 0 } TextureFileName { Rock.tga } TextureFormat { 21 } TextureType { 2 } }
        Layer { Stage { 1 } TextureFileName { Rock.tga } TextureFormat { 22 } TextureType { 2 } }
    }
}
)";

} // namespace

using dx8_test::ReadShader;

class Dx8ShaderTest : public dx8_test::RendererTest
{
protected:
    void SetUp() override
    {
        RendererTest::SetUp();
        BringUp();
        qirn_test::WriteFile("Lit.vsh", VERTEX_SHADER);
        qirn_test::WriteFile("Tex.psh", PIXEL_SHADER);
        std::vector<uint8_t> vTexels(8 * 8 * 4, 0x80);
        ASSERT_EQ(SaveRGBAToTGA(vTexels.data(), "Rock.tga", 8, 8, 32), OK);
    }

    QIRN_Shader_DX8* Convert(QIRN_Shader& roShader)
    {
        return m_poGraphics->ConvertShader(&roShader, m_oEngine.GetBitmapTree(), nullptr, nullptr);
    }

    // A one-pass engine shader using the vertex shader file with this layout.
    static std::unique_ptr<QIRN_Shader> PassShader(const std::string& strName, uint32_t dwFVF, bool bShadow)
    {
        auto poShader = ReadShader("Shader { Name { S } NumPasses { 1 } Pass { VertexShader { Lit } } }");
        if (poShader)
        {
            poShader->m_poPasses[0].m_dwFVF = dwFVF;
            poShader->m_poPasses[0].m_bIsShadowPass = bShadow;
            poShader->m_poPasses[0].SetName(strName);
        }
        return poShader;
    }
};

TEST_F(Dx8ShaderTest, AShaderFileBecomesDeviceRecordsWithTextures)
{
    auto poShader = ReadShader(SHADER_FILE);
    ASSERT_NE(poShader, nullptr);
    std::unique_ptr<QIRN_Shader_DX8> poConverted(Convert(*poShader));
    ASSERT_NE(poConverted, nullptr) << m_oLog.All();
    EXPECT_EQ(poConverted->m_strName, "Rock");
    EXPECT_EQ(poConverted->m_poSource, poShader.get());
    ASSERT_EQ(poConverted->m_dwNumPasses, 2u);

    const QIRN_ShaderPass_DX8& roBase = poConverted->m_poPasses[0];
    EXPECT_EQ(roBase.m_dwFVF, QIRN_DX8_DEFAULTFVF);
    EXPECT_EQ(roBase.m_dwZFunc, static_cast<uint32_t>(D3DCMP_GREATER));
    EXPECT_EQ(roBase.m_dwCullMode, static_cast<uint32_t>(D3DCULL_NONE));
    EXPECT_EQ(roBase.m_dwFillMode, static_cast<uint32_t>(D3DFILL_WIREFRAME));
    EXPECT_EQ(roBase.m_dwSrcBlend, static_cast<uint32_t>(D3DBLEND_ONE));
    EXPECT_EQ(roBase.m_dwAlphaFunc, static_cast<uint32_t>(D3DCMP_GREATEREQUAL));
    EXPECT_EQ(roBase.m_dwAlphaRef, 99u);
    EXPECT_EQ(roBase.m_dwVertexShader, 0u);
    EXPECT_EQ(roBase.m_dwPixelShader, 0u);
    EXPECT_FALSE(roBase.m_bIsPrepass);
    ASSERT_EQ(roBase.m_dwNumLayers, 1u);
    const QIRN_ShaderLayer_DX8& roLayer = roBase.m_poLayers[0];
    EXPECT_EQ(roLayer.m_dwStage, 0u);
    EXPECT_EQ(roLayer.m_dwColorOp, static_cast<uint32_t>(D3DTOP_MODULATE));
    EXPECT_EQ(roLayer.m_dwAddressU, static_cast<uint32_t>(D3DTADDRESS_CLAMP));
    EXPECT_EQ(roLayer.m_dwMinFilter, static_cast<uint32_t>(D3DTEXF_POINT));
    ASSERT_NE(roLayer.m_poTexture, nullptr);
    EXPECT_EQ(roLayer.m_poTexture, m_poGraphics->GetTexture("2_21_1_Rock.tga"));
    EXPECT_NE(m_oEngine.GetBitmapTree()->FindNode("Rock.tga"), nullptr);

    const QIRN_ShaderPass_DX8& roLit = poConverted->m_poPasses[1];
    EXPECT_TRUE(roLit.m_bIsPrepass);
    EXPECT_EQ(roLit.m_dwFVF, 322u);
    EXPECT_NE(roLit.m_dwVertexShader, 0u);
    EXPECT_NE(roLit.m_dwPixelShader, 0u);
    // A pass named prepass makes no prepass variant of its own.
    EXPECT_EQ(roLit.m_dwPrepassVertexShader, 0u);
    ASSERT_EQ(roLit.m_dwNumLayers, 2u);
    // The same image in the same format shares the texture; another format makes a second one.
    EXPECT_EQ(roLit.m_poLayers[0].m_poTexture, roLayer.m_poTexture);
    ASSERT_NE(roLit.m_poLayers[1].m_poTexture, nullptr);
    EXPECT_NE(roLit.m_poLayers[1].m_poTexture, roLayer.m_poTexture);
    EXPECT_EQ(roLit.m_poLayers[1].m_poTexture, m_poGraphics->GetTexture("2_22_1_Rock.tga"));
}

TEST_F(Dx8ShaderTest, VertexShadersAreCachedByFileAndLayout)
{
    auto poA = PassShader("A", 322, false);
    auto poB = PassShader("B", 322, false);
    auto poOtherFVF = PassShader("C", 338, false);
    auto poShadow = PassShader("D", 322, true);
    ASSERT_TRUE(poA && poB && poOtherFVF && poShadow);
    DWORD dwSW = 0, dwPrepass = 0;
    const DWORD dwA = m_poGraphics->CreateVertexShader(&poA->m_poPasses[0], &dwSW, &dwPrepass);
    ASSERT_NE(dwA, 0u) << m_oLog.All();
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_Graphics_DX8::CreateVertexShader() - Using PPL(HW)\n"));
    EXPECT_NE(dwPrepass, 0u);
    EXPECT_EQ(m_poGraphics->GetVertexShader("Lit.322"), dwA);
    EXPECT_EQ(m_poGraphics->GetVertexShader("Lit.322.pr"), dwPrepass);

    m_oLog.Clear();
    DWORD dwPrepassB = 0;
    EXPECT_EQ(m_poGraphics->CreateVertexShader(&poB->m_poPasses[0], nullptr, &dwPrepassB), dwA);
    EXPECT_EQ(dwPrepassB, dwPrepass);
    EXPECT_TRUE(m_oLog.Contains(
        "*** QIRN_Graphics_DX8::CreateVertexShader() - Using PPL (no need to create the shader)\n"));

    const DWORD dwOther = m_poGraphics->CreateVertexShader(&poOtherFVF->m_poPasses[0], nullptr, nullptr);
    const DWORD dwShadow = m_poGraphics->CreateVertexShader(&poShadow->m_poPasses[0], nullptr, nullptr);
    EXPECT_NE(dwOther, 0u);
    EXPECT_NE(dwOther, dwA);
    EXPECT_NE(dwShadow, dwA);
    EXPECT_EQ(m_poGraphics->GetShaderFeatureKey(&poShadow->m_poPasses[0]), "322Shadow");

    // Pixel shaders are cached by name.
    const DWORD dwPixel = m_poGraphics->CreatePixelShader("Tex");
    ASSERT_NE(dwPixel, 0u);
    EXPECT_EQ(m_poGraphics->CreatePixelShader("Tex"), dwPixel);
    EXPECT_EQ(m_poGraphics->CreatePixelShader("Missing"), 0u);
    EXPECT_TRUE(m_oLog.Contains(
        "*** QIRN_Graphics_DX8::CreatePixelShader() - Could not find pixel shader: Missing\n"));

    // Released with the world's resources.
    m_poGraphics->ReleaseResources();
    EXPECT_EQ(m_poGraphics->GetVertexShader("Lit.322"), 0u);
}

TEST_F(Dx8ShaderTest, DeclarationsFollowTheVertexFormat)
{
    auto poShader = PassShader("A",
                               D3DFVF_XYZB4 | D3DFVF_LASTBETA_UBYTE4 | D3DFVF_NORMAL | D3DFVF_DIFFUSE |
                                   D3DFVF_TEX2 | D3DFVF_TEXCOORDSIZE3(1),
                               false);
    ASSERT_NE(poShader, nullptr);
    poShader->m_poPasses[0].m_bHasTangent = true;
    const DWORD* pdw = m_poGraphics->GenerateVSDFromFVF(&poShader->m_poPasses[0], nullptr, false);
    ASSERT_NE(pdw, nullptr);
    const std::vector<DWORD> vExpected = {D3DVSD_STREAM(0),
                                          D3DVSD_REG(0, D3DVSDT_FLOAT3),
                                          D3DVSD_REG(1, D3DVSDT_FLOAT3),
                                          D3DVSD_REG(2, D3DVSDT_UBYTE4),
                                          D3DVSD_REG(3, D3DVSDT_FLOAT3),
                                          D3DVSD_REG(5, D3DVSDT_D3DCOLOR),
                                          D3DVSD_REG(7, D3DVSDT_FLOAT2),
                                          D3DVSD_REG(8, D3DVSDT_FLOAT3),
                                          D3DVSD_REG(14, D3DVSDT_FLOAT4),
                                          D3DVSD_END()};
    EXPECT_EQ(std::vector<DWORD>(pdw, pdw + vExpected.size()), vExpected);
    EXPECT_EQ(m_poGraphics->GenerateVSDFromFVF(nullptr, nullptr, false), nullptr);
    EXPECT_TRUE(m_oLog.Contains("*** GenerateVSDFromFVF() - Shader pass is NULL\n"));
}

TEST_F(Dx8ShaderTest, ADeclarationThatDoesNotFitFailsTheShader)
{
    // Twenty constants take 100 tokens before the stream is even named.
    std::string strSource = "vs.1.1\n";
    for (int i = 0; i < 20; ++i)
    {
        strSource += "def c" + std::to_string(10 + i) + ", 1.0, 2.0, 3.0, 4.0\n";
    }
    strSource += "m4x4 oPos, v0, c0\n";
    qirn_test::WriteFile("Big.vsh", strSource);
    auto poShader = PassShader("A", 322, false);
    ASSERT_NE(poShader, nullptr);
    poShader->m_poPasses[0].m_strVertexShader = "Big";
    EXPECT_EQ(m_poGraphics->CreateVertexShader(&poShader->m_poPasses[0], nullptr, nullptr), 0u);
    EXPECT_TRUE(m_oLog.Contains("*** GenerateVSDFromFVF() - The declaration does not fit in 100 tokens\n"));
    EXPECT_TRUE(
        m_oLog.Contains("*** QIRN_Graphics_DX8::CreateVertexShader() - Failed to create HW vertex shader\n"));
    // Fewer constants fit.
    qirn_test::WriteFile("Small.vsh", "vs.1.1\ndef c10, 1.0, 2.0, 3.0, 4.0\nm4x4 oPos, v0, c0\n");
    poShader->m_poPasses[0].m_strVertexShader = "Small";
    EXPECT_NE(m_poGraphics->CreateVertexShader(&poShader->m_poPasses[0], nullptr, nullptr), 0u);
}

TEST_F(Dx8ShaderTest, SetDX8ShaderWritesThePassThroughTheCaches)
{
    auto poShader = ReadShader(SHADER_FILE);
    ASSERT_NE(poShader, nullptr);
    std::unique_ptr<QIRN_Shader_DX8> poConverted(Convert(*poShader));
    ASSERT_NE(poConverted, nullptr);
    m_poGraphics->SetRS(D3DRS_ZFUNC, D3DCMP_ALWAYS);
    // A pass index past the passes changes nothing.
    EXPECT_EQ(m_poGraphics->SetDX8Shader(poConverted.get(), 2, nullptr, true), GENERICERROR);
    EXPECT_EQ(m_poGraphics->GetRS(D3DRS_ZFUNC), static_cast<DWORD>(D3DCMP_ALWAYS));
    EXPECT_EQ(m_poGraphics->m_iNumWorldPasses, 2);

    m_poGraphics->SetDX8Shader(poConverted.get(), 0, nullptr, true);
    EXPECT_EQ(m_poGraphics->GetRS(D3DRS_ZFUNC), static_cast<DWORD>(D3DCMP_GREATER));
    EXPECT_EQ(m_poGraphics->GetRS(D3DRS_CULLMODE), static_cast<DWORD>(D3DCULL_NONE));
    EXPECT_EQ(m_poGraphics->GetRS(D3DRS_FILLMODE), static_cast<DWORD>(D3DFILL_WIREFRAME));
    EXPECT_EQ(m_poGraphics->GetRS(D3DRS_ALPHABLENDENABLE), static_cast<DWORD>(TRUE));
    EXPECT_EQ(m_poGraphics->GetRS(D3DRS_SRCBLEND), static_cast<DWORD>(D3DBLEND_ONE));
    EXPECT_EQ(m_poGraphics->GetRS(D3DRS_ALPHAREF), 99u);
    EXPECT_EQ(m_poGraphics->GetRS(D3DRS_TEXTUREFACTOR), 0x04010203u);
    EXPECT_EQ(m_poGraphics->GetTSS(0, D3DTSS_COLOROP), static_cast<DWORD>(D3DTOP_MODULATE));
    EXPECT_EQ(m_poGraphics->GetTSS(0, D3DTSS_ADDRESSU), static_cast<DWORD>(D3DTADDRESS_CLAMP));
    // The stage after the layers is switched off for fixed-function passes.
    EXPECT_EQ(m_poGraphics->GetTSS(1, D3DTSS_ALPHAOP), static_cast<DWORD>(D3DTOP_DISABLE));
    EXPECT_EQ(m_poGraphics->GetTSS(1, D3DTSS_COLOROP), static_cast<DWORD>(D3DTOP_DISABLE));
    IDirect3DBaseTexture8* pBound = nullptr;
    m_poGraphics->GetDevice()->GetTexture(0, &pBound);
    EXPECT_EQ(pBound, poConverted->m_poPasses[0].m_poLayers[0].m_poTexture->m_pTexture);
    if (pBound)
        pBound->Release();

    // The console's fill mode wins over the pass's.
    m_oEngine.InitConsole(nullptr);
    m_oEngine.SetFillMode(3);
    m_poGraphics->SetRS(D3DRS_FILLMODE, D3DFILL_POINT);
    m_poGraphics->SetDX8Shader(poConverted.get(), 0, nullptr, true);
    EXPECT_EQ(m_poGraphics->GetRS(D3DRS_FILLMODE), static_cast<DWORD>(D3DFILL_POINT));

    // With a pixel shader the stages' own operations are off.
    m_poGraphics->SetDX8Shader(poConverted.get(), 1, nullptr, true);
    EXPECT_EQ(m_poGraphics->GetTSS(0, D3DTSS_COLOROP), static_cast<DWORD>(D3DTOP_DISABLE));
    EXPECT_EQ(m_poGraphics->GetTSS(1, D3DTSS_TEXCOORDINDEX), 1u);
}

TEST_F(Dx8ShaderTest, BadLayersAndFailedReconversions)
{
    auto poShader = ReadShader(SHADER_FILE);
    ASSERT_NE(poShader, nullptr);
    poShader->m_poPasses[0].m_poLayers[0].m_dwStage = 8;
    EXPECT_EQ(Convert(*poShader), nullptr);
    EXPECT_TRUE(m_oLog.Contains("QIRN_To_DX8_ShaderLayer() - Stage 8 is not a texture stage (0 to 7)\n"));
    EXPECT_TRUE(m_oLog.Contains("QIRN_Graphics_DX8 :: ConvertShader() - Error converting shader pass\n"));

    // A missing image leaves the layer without texture; the pass still converts.
    poShader->m_poPasses[0].m_poLayers[0].m_dwStage = 0;
    poShader->m_poPasses[0].m_poLayers[0].m_strTextureFileName = "Missing.tga";
    std::unique_ptr<QIRN_Shader_DX8> poConverted(Convert(*poShader));
    ASSERT_NE(poConverted, nullptr);
    EXPECT_EQ(poConverted->m_poPasses[0].m_poLayers[0].m_poTexture, nullptr);

    // A reconversion that fails leaves the converted shader in the tree, empty.
    QIRN_Shader_DX8* poKept = poConverted.release();
    ASSERT_NE(m_poGraphics->QIRNDX8ShaderTree.InsertNode("Rock", poKept), nullptr);
    QIRN_World oWorld(&m_oEngine);
    m_oEngine.m_poWorld = &oWorld;
    poShader->m_poPasses[1].m_poLayers[1].m_dwStage = 9;
    EXPECT_EQ(m_poGraphics->ReloadShader(poShader.get()), GENERICERROR);
    m_oEngine.m_poWorld = nullptr;
    EXPECT_EQ(m_poGraphics->GetDX8Shader("Rock"), poKept);
    EXPECT_EQ(poKept->m_dwNumPasses, 0u);
    EXPECT_EQ(poKept->m_poPasses, nullptr);
    EXPECT_EQ(m_poGraphics->SetDX8Shader(poKept, 0, nullptr, true), INVALIDPARAMS);
}

TEST_F(Dx8ShaderTest, LoadRenameRemoveAndUpdate)
{
    auto poShader = ReadShader(SHADER_FILE);
    ASSERT_NE(poShader, nullptr);
    QIRN_World oWorld(&m_oEngine);
    m_oEngine.m_poWorld = &oWorld;
    EXPECT_EQ(m_poGraphics->LoadShader(poShader.get()), OK);
    QIRN_Shader_DX8* poConverted = m_poGraphics->GetDX8Shader("Rock");
    ASSERT_NE(poConverted, nullptr);
    // Loading the name again rebinds the source only.
    auto poAgain = ReadShader(SHADER_FILE);
    EXPECT_EQ(m_poGraphics->LoadShader(poAgain.get()), OK);
    EXPECT_EQ(m_poGraphics->GetDX8Shader("Rock"), poConverted);
    EXPECT_EQ(poConverted->m_poSource, poAgain.get());
    EXPECT_EQ(m_poGraphics->ReloadShader(poAgain.get()), OK);
    EXPECT_EQ(poConverted->m_dwNumPasses, 2u);
    m_oEngine.m_poWorld = nullptr;

    EXPECT_EQ(m_poGraphics->UpdateShaders(0.1f), OK);
    EXPECT_EQ(m_poGraphics->RenameShader("Rock", "Stone"), OK);
    EXPECT_EQ(m_poGraphics->GetDX8Shader("Rock"), nullptr);
    EXPECT_EQ(m_poGraphics->GetDX8Shader("Stone"), poConverted);
    EXPECT_EQ(poConverted->m_strName, "Stone");
    EXPECT_EQ(m_poGraphics->RenameShader("Rock", "Pebble"), GENERICERROR);
    EXPECT_TRUE(
        m_oLog.Contains("*** QIRN_Graphics_DX8::RenameShader() - poNode is NULL. Can't Find Shader\n"));
    EXPECT_EQ(m_poGraphics->RemoveShader("Stone"), OK);
    EXPECT_EQ(m_poGraphics->RemoveShader("Stone"), GENERICERROR);
    EXPECT_EQ(m_poGraphics->LoadShader(nullptr), GENERICERROR);
}

TEST_F(Dx8ShaderTest, BoundAssignmentsDriveTheConvertedPassEachFrame)
{
    auto poShader = ReadShader(SHADER_FILE);
    ASSERT_NE(poShader, nullptr);
    QIRN_XFileIntDataBunny oFill("Fill");
    QIRN_XFileBoolDataBunny oSkip("Skip");
    QIRN_XFileFloatDataBunny oSegments("Segments");
    poShader->m_poPasses[0].m_oFillModeDBA.SetDataBunny(&oFill);
    poShader->m_poPasses[0].m_oSkipPassDBA.SetDataBunny(&oSkip);
    poShader->m_poPasses[0].m_oPatchSegmentsDBA.SetDataBunny(&oSegments);
    // DisplacementMapScale is not carried over.
    QIRN_XFileFloatDataBunny oScale("Scale");
    poShader->m_poPasses[0].m_oDisplacementMapScaleDBA.SetDataBunny(&oScale);
    QIRN_World oWorld(&m_oEngine);
    m_oEngine.m_poWorld = &oWorld;
    ASSERT_EQ(m_poGraphics->LoadShader(poShader.get()), OK);
    m_oEngine.m_poWorld = nullptr;
    QIRN_Shader_DX8* poConverted = m_poGraphics->GetDX8Shader("Rock");
    ASSERT_NE(poConverted, nullptr);
    const QIRN_ShaderPass_DX8& roPass = poConverted->m_poPasses[0];
    EXPECT_EQ(roPass.m_oFillModeDBA.GetDataBunny(), &oFill);
    EXPECT_EQ(roPass.m_oCullModeDBA.GetDataBunny(), nullptr);
    oFill.m_Value = 3;
    oSkip.m_Value = 1;
    oSegments.m_Value = 5.0f;
    EXPECT_EQ(m_poGraphics->UpdateShaders(0.1f), OK);
    EXPECT_EQ(roPass.m_dwFillMode, static_cast<uint32_t>(D3DFILL_POINT));
    EXPECT_TRUE(roPass.m_bSkipPass);
    EXPECT_EQ(roPass.m_fPatchSegments, 5.0f);
    // The unbound cull mode keeps what the file said.
    EXPECT_EQ(roPass.m_dwCullMode, static_cast<uint32_t>(D3DCULL_NONE));
    m_poGraphics->ReleaseResources();
}

TEST_F(Dx8ShaderTest, ValidationAndReloadOfShaderFiles)
{
    EXPECT_EQ(m_poGraphics->ValidatePixelShader("Tex"), OK);
    EXPECT_EQ(m_poGraphics->ValidatePixelShader(""), GENERICERROR);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_Graphics_DX8::ValidatePixelShader() - strPSH is EMPTY\n"));
    qirn_test::WriteFile("Bad.psh", "ps.1.1\nnonsense r0\n");
    EXPECT_EQ(m_poGraphics->ValidatePixelShader("Bad"), GENERICERROR);
    EXPECT_TRUE(m_oLog.Contains(
        "*** QIRN_Graphics_DX8::ValidatePixelShader() - D3DXAssembleShaderFromFile() failed for "));
    auto poShader = PassShader("A", 0, false);
    ASSERT_NE(poShader, nullptr);
    EXPECT_EQ(m_poGraphics->ValidateVertexShader(&poShader->m_poPasses[0], ""), GENERICERROR);
    m_poGraphics->ValidateVertexShader(&poShader->m_poPasses[0], "Lit");
    // A pass without format takes the default one.
    EXPECT_EQ(poShader->m_poPasses[0].m_dwFVF, QIRN_DX8_DEFAULTFVF);
    EXPECT_TRUE(m_oLog.Contains(
        "*** QIRN_Graphics_DX8::ValidateVertexShader() - FVF is 0, using GRAPHICS_FVF_DEFAULTVERTEX\n"));

    // Converted passes holding a handle get the new one when their file is reloaded.
    auto poFile = ReadShader(SHADER_FILE);
    ASSERT_NE(poFile, nullptr);
    std::unique_ptr<QIRN_Shader_DX8> poOwned(Convert(*poFile));
    ASSERT_NE(poOwned, nullptr);
    QIRN_Shader_DX8* poConverted = poOwned.release();
    ASSERT_NE(m_poGraphics->QIRNDX8ShaderTree.InsertNode("Rock", poConverted), nullptr);
    const DWORD dwOldPixel = poConverted->m_poPasses[1].m_dwPixelShader;
    const DWORD dwOldVertex = poConverted->m_poPasses[1].m_dwVertexShader;
    ASSERT_NE(dwOldPixel, 0u);
    qirn_test::WriteFile("Tex.psh", "ps.1.1\ntex t0\nmul r0, t0, v0\n");
    EXPECT_EQ(m_poGraphics->ReloadPixelShader(&poFile->m_poPasses[1], "Tex"), OK) << m_oLog.All();
    EXPECT_NE(poConverted->m_poPasses[1].m_dwPixelShader, 0u);
    EXPECT_EQ(m_poGraphics->PixelShaderList.FindNode("Tex")->m_pData->m_dwHandle,
              poConverted->m_poPasses[1].m_dwPixelShader);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_Graphics_DX8::ReloadPixelShader() - Using PPL\n"));
    EXPECT_EQ(m_poGraphics->ReloadPixelShader(&poShader->m_poPasses[0], "Tex"), GENERICERROR);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_Graphics_DX8::ReloadPixelShader() - Unable to find the shader\n"));

    qirn_test::WriteFile("Lit.vsh", "vs.1.1\nm4x4 oPos, v0, c4\nmov oD0, v5\nmov oT0, v7\n");
    m_poGraphics->ReloadVertexShader(&poFile->m_poPasses[1], "Lit");
    const DWORD dwNewVertex = m_poGraphics->GetVertexShader("Lit.322");
    EXPECT_NE(dwNewVertex, 0u);
    EXPECT_EQ(poConverted->m_poPasses[1].m_dwVertexShader, dwNewVertex);
    (void)dwOldVertex;
    EXPECT_EQ(m_poGraphics->ReloadVertexShader(&poFile->m_poPasses[1], "Gone"), GENERICERROR);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_Graphics_DX8::ReloadVertexShader() - File not found\n"));
}

TEST_F(Dx8ShaderTest, APassWithoutFormatTakesTheSkinnedDefaultWhenItsGroupIsWeighted)
{
    struct Case
    {
        const char* szName;
        bool bOwned;
        int32_t iMaxWeights;
        uint32_t dwExpected;
    };
    const Case cases[] = {
        {"no owning group", false, 0, 466u},
        {"a group without weights", true, 0, 466u},
        {"a weighted group", true, 3, 4572u},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.szName);
        auto poShader = ReadShader("Shader { Name { Skin } NumPasses { 2 } Pass { Name { Base } FVF { 274 } }"
                                   " Pass { Name { Glow } } }");
        ASSERT_NE(poShader, nullptr);
        QIRN_MeshData oMesh;
        const uint16_t awTriangle[3] = {0, 1, 2};
        oMesh.AddPolygonGroup(awTriangle, 3, nullptr);
        if (c.bOwned)
        {
            oMesh.m_oPolygonGroups.front().AddShader(poShader.get());
            ASSERT_EQ(poShader->m_poOwner, &oMesh.m_oPolygonGroups.front());
        }
        oMesh.m_oPolygonGroups.front().m_iMaxWeightCount = c.iMaxWeights;
        std::unique_ptr<QIRN_Shader_DX8> poConverted(Convert(*poShader));
        ASSERT_NE(poConverted, nullptr) << m_oLog.All();
        EXPECT_EQ(poConverted->m_poPasses[0].m_dwFVF, 274u);
        EXPECT_EQ(poConverted->m_poPasses[1].m_dwFVF, c.dwExpected);
    }
    EXPECT_EQ(QIRN_DX8_DEFAULTSKINFVF, 4572u);
}

TEST_F(Dx8ShaderTest, ReloadingGivesTheOtherShadersOfTheMeshItsVertexLayout)
{
    auto poHull = ReadShader("Shader { Name { Hull } NumPasses { 1 } Pass { Name { Base } FVF { 274 } } }");
    auto poSail = ReadShader("Shader { Name { Sail } NumPasses { 2 } Pass { Name { Base } FVF { 66 } }"
                             " Pass { Name { Glow } FVF { 274 } } }");
    auto poDeck = ReadShader("Shader { Name { Deck } NumPasses { 1 } Pass { Name { Base } FVF { 66 } } }");
    ASSERT_TRUE(poHull && poSail && poDeck);
    // Hull and sail share one mesh; the deck is another mesh's.
    QIRN_MeshData oMesh;
    const uint16_t awTriangle[3] = {0, 1, 2};
    oMesh.AddPolygonGroup(awTriangle, 3, nullptr);
    oMesh.AddPolygonGroup(awTriangle, 3, nullptr);
    oMesh.m_oPolygonGroups.front().AddShader(poHull.get());
    oMesh.m_oPolygonGroups.back().AddShader(poSail.get());
    poHull->m_poPasses[0].m_bHasTangent = true;
    QIRN_World oWorld(&m_oEngine);
    m_oEngine.m_poWorld = &oWorld;
    for (QIRN_Shader* poShader : {poHull.get(), poSail.get(), poDeck.get()})
    {
        ASSERT_EQ(m_poGraphics->LoadShader(poShader), OK);
    }
    EXPECT_EQ(m_poGraphics->ReloadShader(poHull.get()), OK);
    m_oEngine.m_poWorld = nullptr;
    for (uint32_t p = 0; p < 2; ++p)
    {
        EXPECT_EQ(poSail->m_poPasses[p].m_dwFVF, 274u) << p;
        EXPECT_TRUE(poSail->m_poPasses[p].m_bHasTangent) << p;
        // The converted sail was made again from the new layout.
        EXPECT_EQ(m_poGraphics->GetDX8Shader("Sail")->m_poPasses[p].m_dwFVF, 274u) << p;
    }
    EXPECT_EQ(poDeck->m_poPasses[0].m_dwFVF, 66u);
    EXPECT_EQ(m_poGraphics->GetDX8Shader("Deck")->m_poPasses[0].m_dwFVF, 66u);
}
