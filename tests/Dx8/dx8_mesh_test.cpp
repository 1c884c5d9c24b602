// Meshes on the device: vertex and index buffers from mesh data, the converted shaders of a
// shader index, the skinning paths posing one skin alike, and what the loads refuse.
#include "dx8_test_support.h"
#include "qirn_cameraactor.h"
#include "qirn_constants.h"
#include "qirn_frame.h"
#include "qirn_lightactor.h"
#include "qirn_meshdata.h"
#include "qirn_shader.h"
#include "qirn_world.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

using dx8_test::Near;

namespace
{
const uint32_t BACKGROUND = 0x0000FF;
const uint32_t RED = 0xFF0000;

// A one-pass shader drawing vertex colours without lighting, culling or depth test.
std::unique_ptr<QIRN_Shader> FlatShader(const std::string& strName, uint32_t dwFVF)
{
    auto poShader = std::make_unique<QIRN_Shader>();
    poShader->SetName(strName);
    poShader->m_poPasses = new QIRN_ShaderPass[1];
    poShader->m_dwNumPasses = 1;
    QIRN_ShaderPass& P = poShader->m_poPasses[0];
    P.SetName("Base");
    P.m_dwFVF = dwFVF;
    P.m_bLightingEnabled = false;
    P.m_eCullMode = 0;
    P.m_bZBufferEnabled = false;
    return poShader;
}

// A square of two triangles from (x0, y0) to (x1, y1) at depth z, in one colour.
void AddSquare(std::vector<float>& vXYZ, std::vector<int32_t>& vIndices, float x0, float y0, float x1,
               float y1, float z)
{
    const int32_t iBase = static_cast<int32_t>(vXYZ.size() / 3);
    vXYZ.insert(vXYZ.end(), {x0, y0, z, x1, y0, z, x0, y1, z, x1, y1, z});
    vIndices.insert(vIndices.end(), {iBase, iBase + 2, iBase + 1, iBase + 1, iBase + 2, iBase + 3});
}

// A mesh of one group bound to poShader at shader index 0; vertices of the colour and normal.
std::unique_ptr<QIRN_MeshData> MakeMesh(const std::string& strName, const std::vector<float>& vXYZ,
                                        const std::vector<int32_t>& vIndices, QIRN_Shader* poShader,
                                        uint32_t dwColor = 0xFFFF0000, float fNormalZ = -1.0f)
{
    auto poMesh = std::make_unique<QIRN_MeshData>();
    poMesh->m_szName = strName;
    poMesh->SetPositions(vXYZ.data(), static_cast<unsigned>(vXYZ.size() / 3));
    for (uint32_t i = 0; i < poMesh->GetNumVertices(); ++i)
    {
        poMesh->GetVertex(static_cast<int>(i))->m_dwDiffuse = dwColor;
        poMesh->GetVertex(static_cast<int>(i))->m_vNormal = QIRN_Vector4(0.0f, 0.0f, fNormalZ, 0.0f);
    }
    PolygonGroup oGroup(static_cast<uint32_t>(vIndices.size()), strName + "_group", nullptr);
    for (size_t i = 0; i < vIndices.size(); ++i)
    {
        oGroup.m_piIndices[i] = vIndices[i];
    }
    oGroup.Rebase();
    oGroup.m_pOwnerMesh = poMesh.get();
    oGroup.AddShader(poShader);
    poMesh->AppendPolygonGroup(oGroup);
    Matrix_Identity(&poMesh->m_oLocalMatrix);
    return poMesh;
}
} // namespace

class Dx8MeshTest : public dx8_test::RendererTest
{
protected:
    void SetUp() override
    {
        RendererTest::SetUp();
        BringUp();
        m_poWorld = std::make_unique<QIRN_World>(&m_oEngine);
        m_oEngine.m_poWorld = m_poWorld.get();
    }

    void TearDown() override
    {
        m_poGraphics->ReleaseResources();
        m_oEngine.m_poWorld = nullptr;
        m_poWorld.reset();
        RendererTest::TearDown();
    }

    // View and projection are the identity: positions are clip coordinates.
    void BeginFrame()
    {
        IDirect3DDevice8* pDevice = m_poGraphics->GetDevice();
        D3DMATRIX oIdentity = {};
        oIdentity._11 = oIdentity._22 = oIdentity._33 = oIdentity._44 = 1.0f;
        pDevice->SetTransform(D3DTS_VIEW, &oIdentity);
        pDevice->SetTransform(D3DTS_PROJECTION, &oIdentity);
        pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000 | BACKGROUND, 1.0f, 0);
        pDevice->BeginScene();
    }

    void EndFrame() { m_poGraphics->GetDevice()->EndScene(); }

    // Pixel of clip position (x, y).
    uint32_t At(float x, float y) const
    {
        return BackBufferPixel(static_cast<int>((x + 1.0f) * 0.5f * WIDTH),
                               static_cast<int>((1.0f - y) * 0.5f * HEIGHT));
    }

    std::unique_ptr<QIRN_World> m_poWorld;
};

TEST_F(Dx8MeshTest, AnUnlitSquareIsDrawnWhereItsVerticesAre)
{
    auto poShader = FlatShader("Flat", D3DFVF_XYZ | D3DFVF_DIFFUSE);
    std::vector<float> vXYZ;
    std::vector<int32_t> vIndices;
    AddSquare(vXYZ, vIndices, -0.5f, -0.5f, 0.5f, 0.5f, 0.5f);
    auto poMesh = MakeMesh("square", vXYZ, vIndices, poShader.get());

    ASSERT_EQ(m_poGraphics->LoadMesh(poMesh.get(), 0), OK);
    QIRN_Mesh_DX8* poDX8 = m_poGraphics->GetMesh("square");
    ASSERT_NE(poDX8, nullptr);
    EXPECT_NE(poDX8->m_pStaticVB, nullptr);
    EXPECT_NE(poDX8->m_pIB, nullptr);
    EXPECT_EQ(poDX8->m_oLayout.GetFVF(), static_cast<uint32_t>(D3DFVF_XYZ | D3DFVF_DIFFUSE));
    ASSERT_EQ(poDX8->m_oRenderGroups.size(), 1u);
    const QIRN_RenderGroup& roGroup = poDX8->m_oRenderGroups.front();
    ASSERT_EQ(roGroup.GetNumBatches(1), 1);
    EXPECT_EQ(roGroup.GetBatches(1)[0].m_ePrimitiveType, 4u);
    EXPECT_EQ(roGroup.GetBatches(1)[0].m_dwPrimitiveCount, 2u);
    EXPECT_EQ(roGroup.GetBatches(1)[0].m_dwNumVertices, 4u);
    ASSERT_NE(roGroup.m_ppShaderSlots[0], nullptr);
    EXPECT_EQ(static_cast<QIRN_Shader_DX8*>(roGroup.m_ppShaderSlots[0])->m_strName, "Flat");

    BeginFrame();
    EXPECT_EQ(m_poGraphics->RenderMesh(poMesh.get(), 0, 0), OK) << m_oLog.All();
    EndFrame();
    EXPECT_TRUE(Near(At(0.0f, 0.0f), RED)) << std::hex << At(0.0f, 0.0f);
    EXPECT_TRUE(Near(At(-0.25f, 0.25f), RED));
    EXPECT_TRUE(Near(At(-0.75f, -0.75f), BACKGROUND));
    EXPECT_TRUE(Near(At(0.75f, 0.75f), BACKGROUND));
    EXPECT_EQ(m_poGraphics->m_adwStatistics[5], 1u);
    EXPECT_EQ(m_poGraphics->m_adwStatistics[6], 6u);

    // The mesh's placement moves it: the world matrix is its frame's x its local matrix.
    Matrix_Translation(0.5f, 0.0f, 0.0f, &poMesh->m_oLocalMatrix);
    BeginFrame();
    EXPECT_EQ(m_poGraphics->RenderMesh(poMesh.get(), 0, 0), OK);
    EndFrame();
    EXPECT_TRUE(Near(At(0.75f, 0.0f), RED));
    EXPECT_TRUE(Near(At(-0.25f, 0.0f), BACKGROUND));
}

TEST_F(Dx8MeshTest, ALitSquareIsBrighterFacingTheLight)
{
    auto poShader = FlatShader("Lit", D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE);
    poShader->m_poPasses[0].m_bLightingEnabled = true;
    std::vector<float> vLeft, vRight;
    std::vector<int32_t> vLeftIndices, vRightIndices;
    AddSquare(vLeft, vLeftIndices, -0.9f, -0.5f, -0.1f, 0.5f, 0.5f);
    AddSquare(vRight, vRightIndices, 0.1f, -0.5f, 0.9f, 0.5f, 0.5f);
    // The light shines along +z: the left square's normal faces it, the right one's turns away.
    auto poFacing = MakeMesh("facing", vLeft, vLeftIndices, poShader.get(), 0xFFFFFFFF, -1.0f);
    auto poAway = MakeMesh("away", vRight, vRightIndices, poShader.get(), 0xFFFFFFFF, 1.0f);

    QIRN_LINKEDLIST<QIRN_LightActor> oLights;
    auto* poLight = new QIRN_LightActor("LightActor");
    poLight->m_iType = D3DLIGHT_DIRECTIONAL;
    poLight->m_vDiffuse = QIRN_Vector4(255.0f, 255.0f, 255.0f, 255.0f);
    poLight->m_vDirection = QIRN_Vector4(0.0f, 0.0f, 1.0f, 0.0f);
    poLight->SetActive(1);
    oLights.AppendNode("sun", poLight);
    ASSERT_EQ(m_poGraphics->SetLights(&oLights, 0), OK);
    D3DLIGHT8 oSet = {};
    ASSERT_EQ(m_poGraphics->GetDevice()->GetLight(0, &oSet), D3D_OK);
    EXPECT_EQ(oSet.Type, D3DLIGHT_DIRECTIONAL);
    EXPECT_FLOAT_EQ(oSet.Diffuse.r, 1.0f);
    EXPECT_FLOAT_EQ(oSet.Diffuse.a, 0.0f);
    EXPECT_FLOAT_EQ(oSet.Direction.z, 1.0f);

    ASSERT_EQ(m_poGraphics->LoadMesh(poFacing.get(), 0), OK);
    ASSERT_EQ(m_poGraphics->LoadMesh(poAway.get(), 0), OK);
    BeginFrame();
    EXPECT_EQ(m_poGraphics->RenderMesh(poFacing.get(), 0, 0), OK);
    EXPECT_EQ(m_poGraphics->RenderMesh(poAway.get(), 0, 0), OK);
    EndFrame();
    const uint32_t dwLit = At(-0.5f, 0.0f), dwDark = At(0.5f, 0.0f);
    EXPECT_GT(dwLit & 0xFF, 0xC0u) << std::hex << dwLit;
    EXPECT_LT(dwDark & 0xFF, 0x40u) << std::hex << dwDark;
}

TEST_F(Dx8MeshTest, LightsBeyondTheEighthAreSetAndSwitchedOffWhenInactive)
{
    QIRN_LINKEDLIST<QIRN_LightActor> oLights;
    std::vector<QIRN_LightActor*> vLights;
    for (int i = 0; i < 9; ++i)
    {
        auto* poLight = new QIRN_LightActor("LightActor");
        poLight->m_iType = D3DLIGHT_POINT;
        poLight->m_fRange = 10.0f;
        poLight->m_fAttenuation0 = 1.0f;
        poLight->SetActive(1);
        oLights.AppendNode("light" + std::to_string(i), poLight);
        vLights.push_back(poLight);
    }
    ASSERT_EQ(m_poGraphics->SetLights(&oLights, 0x00102030), OK);
    IDirect3DDevice8* pDevice = m_poGraphics->GetDevice();
    BOOL bEnabled = FALSE;
    ASSERT_EQ(pDevice->GetLightEnable(8, &bEnabled), D3D_OK);
    EXPECT_TRUE(bEnabled);
    EXPECT_EQ(m_poGraphics->GetRS(D3DRS_AMBIENT), 0x00102030u);

    vLights[8]->SetActive(0);
    vLights[2]->SetActive(0);
    ASSERT_EQ(m_poGraphics->SetLights(&oLights, 0), OK);
    pDevice->GetLightEnable(8, &bEnabled);
    EXPECT_FALSE(bEnabled);
    pDevice->GetLightEnable(2, &bEnabled);
    EXPECT_FALSE(bEnabled);
    pDevice->GetLightEnable(3, &bEnabled);
    EXPECT_TRUE(bEnabled);

    EXPECT_EQ(m_poGraphics->SetLights(nullptr, 0), OK);
    EXPECT_TRUE(m_oLog.Contains("QIRN_Graphics_DX8::SetLights - No lights to set!\n"));
}

TEST_F(Dx8MeshTest, LoadsRefuseMeshesWithoutIndicesOrBeyondSixteenBitIndices)
{
    auto poShader = FlatShader("Flat", D3DFVF_XYZ | D3DFVF_DIFFUSE);
    // No triangles: the vertices are kept, the index buffer is never made.
    std::vector<float> vXYZ = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    auto poEmpty = MakeMesh("empty", vXYZ, {}, poShader.get());
    QIRN_Mesh_DX8 oEmpty(m_poGraphics.get(), poEmpty.get(), 0);
    EXPECT_NE(oEmpty.m_pStaticVB, nullptr);
    EXPECT_EQ(oEmpty.m_pIB, nullptr);

    std::vector<float> vMany(3 * 65536, 0.0f);
    auto poLarge = MakeMesh("large", vMany, {0, 1, 65535}, poShader.get());
    QIRN_Mesh_DX8 oLarge(m_poGraphics.get(), poLarge.get(), 0);
    EXPECT_EQ(oLarge.m_pStaticVB, nullptr);
    EXPECT_EQ(oLarge.m_pIB, nullptr);
    EXPECT_TRUE(
        m_oLog.Contains("*** QIRN_Mesh_DX8::Load() - Error, mesh 'large' has 65536 vertices, more than "
                        "16-bit indices reach\n"));

    m_oLog.Clear();
    EXPECT_EQ(m_poGraphics->RenderMesh(poLarge.get(), 0, 0), GENERICERROR);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_Graphics_DX8::RenderMesh() - GetMesh() returned NULL\n"));
    EXPECT_EQ(m_poGraphics->RenderDX8Mesh(nullptr, 0, 0, false, 0), GENERICERROR);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_Graphics_DX8::RenderDX8Mesh() - pMesh is NULL\n"));
}

TEST_F(Dx8MeshTest, ShaderSlotsGrowAndAMissingShaderStopsTheLoad)
{
    auto poShader = FlatShader("Flat", D3DFVF_XYZ | D3DFVF_DIFFUSE);
    std::vector<float> vXYZ;
    std::vector<int32_t> vIndices;
    AddSquare(vXYZ, vIndices, -0.5f, -0.5f, 0.5f, 0.5f, 0.5f);
    auto poMesh = MakeMesh("square", vXYZ, vIndices, poShader.get());
    ASSERT_EQ(m_poGraphics->LoadMesh(poMesh.get(), 0), OK);
    QIRN_Mesh_DX8* poDX8 = m_poGraphics->GetMesh("square");
    ASSERT_NE(poDX8, nullptr);

    m_oLog.Clear();
    EXPECT_EQ(poDX8->LoadShaders(2), GENERICERROR);
    const QIRN_RenderGroup& roGroup = poDX8->m_oRenderGroups.front();
    EXPECT_EQ(roGroup.m_iNumShaderSlots, 3);
    EXPECT_NE(roGroup.m_ppShaderSlots[0], nullptr);
    EXPECT_EQ(roGroup.m_ppShaderSlots[1], nullptr);
    EXPECT_EQ(roGroup.m_ppShaderSlots[2], nullptr);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_Mesh_DX8::LoadShaders() - Error loading shader!\n"));

    BeginFrame();
    EXPECT_EQ(poDX8->Render(1, 0, false, 0), GENERICERROR);
    EXPECT_EQ(poDX8->Render(0, 0, false, 0), OK);
    // A pass beyond the shader's draws nothing and is no failure.
    EXPECT_EQ(poDX8->Render(0, 3, false, 0), OK);
    EndFrame();
}

TEST_F(Dx8MeshTest, PatchPassesAreRefusedWithTheirLine)
{
    auto poShader = FlatShader("Patch", D3DFVF_XYZ | D3DFVF_DIFFUSE);
    poShader->m_poPasses[0].m_ePrimitiveType = 2;
    std::vector<float> vXYZ;
    std::vector<int32_t> vIndices;
    AddSquare(vXYZ, vIndices, -0.5f, -0.5f, 0.5f, 0.5f, 0.5f);
    auto poMesh = MakeMesh("patch", vXYZ, vIndices, poShader.get());
    ASSERT_EQ(m_poGraphics->LoadMesh(poMesh.get(), 0), OK);
    BeginFrame();
    EXPECT_EQ(m_poGraphics->RenderMesh(poMesh.get(), 0, 0), OK);
    EndFrame();
    EXPECT_TRUE(
        m_oLog.Contains("*** QIRN_Mesh_DX8::Draw() - Error, rectangular patches not yet supported.\n"));
    EXPECT_TRUE(Near(At(0.0f, 0.0f), BACKGROUND));
}

namespace
{
// Two bones moving right by 0.2 and 0.4: the square's left edge follows the first by three
// quarters, its right edge the second, so the posed square spans -0.25 to 0.85. Every vertex lists
// the bones in the same order: wine reads packed bone indices in colour byte order, which then
// agrees with the device's own order.
struct Skin
{
    QIRN_Frame oA, oB;
    std::unique_ptr<QIRN_MeshData> poMesh;
};

std::unique_ptr<Skin> MakeSkin(const std::string& strName, QIRN_Shader* poShader)
{
    auto poSkin = std::make_unique<Skin>();
    std::vector<float> vXYZ;
    std::vector<int32_t> vIndices;
    AddSquare(vXYZ, vIndices, -0.5f, -0.5f, 0.5f, 0.5f, 0.5f);
    poSkin->poMesh = MakeMesh(strName, vXYZ, vIndices, poShader);
    QIRN_MeshData& M = *poSkin->poMesh;
    Matrix_Translation(0.2f, 0.0f, 0.0f, &poSkin->oA.m_oCombinedMatrix);
    Matrix_Translation(0.4f, 0.0f, 0.0f, &poSkin->oB.m_oCombinedMatrix);
    if (!M.CreatePalette(2))
    {
        return nullptr;
    }
    M.m_dwNumPaletteEntries = 2;
    M.m_ppoBonePalette[0] = &poSkin->oA;
    M.m_ppoBonePalette[1] = &poSkin->oB;
    M.m_iPartitionedWeights = 2;
    M.m_iPartitionedThird = 2;
    for (uint32_t i = 0; i < M.GetNumVertices(); ++i)
    {
        QIRN_MeshVertex& v = *M.GetVertex(static_cast<int>(i));
        const bool bLeft = v.m_vPosition.x < 0.0f;
        v.m_iNumWeights = 2;
        v.m_abyBoneIndices[0] = 0;
        v.m_afWeights[0] = bLeft ? 0.75f : 0.25f;
        v.m_abyBoneIndices[1] = 1;
        v.m_afWeights[1] = bLeft ? 0.25f : 0.75f;
        v.m_iSourceIndex = static_cast<int32_t>(i);
    }
    return poSkin;
}

// Blends the two bones of each vertex from the skin matrices in registers 0 to 7 that the pass's
// constant table fills: the positions come out as clip coordinates.
const char* const SKIN_VERTEX_SHADER = R"(vs.1.1
def c12, 4.0, 0.0, 0.0, 0.0
mul r0, v2, c12.x
mov a0.x, r0.x
dp4 r1.x, v0, c[a0.x + 0]
dp4 r1.y, v0, c[a0.x + 1]
dp4 r1.z, v0, c[a0.x + 2]
dp4 r1.w, v0, c[a0.x + 3]
mov a0.x, r0.y
dp4 r2.x, v0, c[a0.x + 0]
dp4 r2.y, v0, c[a0.x + 1]
dp4 r2.z, v0, c[a0.x + 2]
dp4 r2.w, v0, c[a0.x + 3]
mul r1, r1, v1.x
mad oPos, r2, v1.y, r1
mov oD0, v5
)";

// XYZB4 | LASTBETA_UBYTE4 | DIFFUSE; two skin matrices from row 0.
const char* const SKIN_SHADER_FILE = R"(Shader
{
    Name { Skinned }
    NumPasses { 1 }
    Pass
    {
        Name { Base }
        FVF { 4172 }
        LightingEnabled { 0 } CullMode { 0 } ZBufferEnabled { 0 }
        VertexShader { Skin }
        VertexShaderConstants { NumRows { 8 } VSFlag { 1 } Constant { 0 0 7 2 } }
    }
}
)";
} // namespace

TEST_F(Dx8MeshTest, EachSkinningPathPosesTheSkinAlike)
{
    // Skinned on the CPU, blended on the device with indexed matrices, and by a vertex shader.
    auto poSoftware = FlatShader("Software", D3DFVF_XYZ | D3DFVF_DIFFUSE);
    auto poIndexed = FlatShader("Indexed", D3DFVF_XYZB4 | D3DFVF_LASTBETA_UBYTE4 | D3DFVF_DIFFUSE);
    qirn_test::WriteFile("Skin.vsh", SKIN_VERTEX_SHADER);
    auto poVertexShader = dx8_test::ReadShader(SKIN_SHADER_FILE);
    ASSERT_NE(poVertexShader, nullptr);
    auto poCpuSkin = MakeSkin("cpu", poSoftware.get());
    auto poBlendSkin = MakeSkin("blend", poIndexed.get());
    auto poShaderSkin = MakeSkin("shader", poVertexShader.get());
    ASSERT_TRUE(poCpuSkin && poBlendSkin && poShaderSkin);
    // The constant table is worked out for the renderer's camera through the engine's renderer.
    QIRN_CameraActor oCamera("CameraActor");
    m_poGraphics->m_pCamera = &oCamera;
    m_oEngine.m_apoGraphics[0] = m_poGraphics.get();

    std::vector<std::vector<uint32_t>> vRows;
    for (Skin* poSkin : {poCpuSkin.get(), poBlendSkin.get(), poShaderSkin.get()})
    {
        const std::string& strName = poSkin->poMesh->m_szName;
        ASSERT_EQ(m_poGraphics->LoadMesh(poSkin->poMesh.get(), 0), OK);
        QIRN_Mesh_DX8* poDX8 = m_poGraphics->GetMesh(strName);
        ASSERT_NE(poDX8, nullptr);
        ASSERT_NE(poDX8->m_pSkinnedVB, nullptr) << m_oLog.All();
        ASSERT_GE(poDX8->m_oRenderGroups.front().GetNumBatches(5), 1);
        // The device has vertex shader constants: palettes of at most 12 bones, 4 weights.
        EXPECT_EQ(poSkin->poMesh->m_iPartitionedPaletteSize, 2);
        EXPECT_EQ(poSkin->poMesh->m_iPartitionedWeights, 2);
        BeginFrame();
        EXPECT_EQ(m_poGraphics->RenderMesh(poSkin->poMesh.get(), 0, 0), OK) << m_oLog.All();
        EndFrame();
        std::vector<uint32_t> vRow;
        for (int x = 0; x < WIDTH; ++x)
        {
            vRow.push_back(BackBufferPixel(x, HEIGHT / 2));
        }
        vRows.push_back(vRow);
        EXPECT_TRUE(Near(At(-0.35f, 0.0f), BACKGROUND)) << strName;
        EXPECT_TRUE(Near(At(-0.15f, 0.0f), RED)) << strName;
        EXPECT_TRUE(Near(At(0.75f, 0.0f), RED)) << strName;
        EXPECT_TRUE(Near(At(0.95f, 0.0f), BACKGROUND)) << strName;
    }
    const QIRN_Shader_DX8* poConverted = m_poGraphics->GetDX8Shader("Skinned");
    ASSERT_NE(poConverted, nullptr);
    EXPECT_NE(poConverted->m_poPasses[0].m_dwVertexShader, 0u);
    m_poGraphics->m_pCamera = nullptr;
    m_oEngine.m_apoGraphics[0] = nullptr;
    EXPECT_EQ(m_poGraphics->GetRS(D3DRS_INDEXEDVERTEXBLENDENABLE), static_cast<DWORD>(FALSE));
    for (size_t r = 1; r < vRows.size(); ++r)
    {
        int iDiffering = 0;
        for (int x = 0; x < WIDTH; ++x)
        {
            iDiffering += Near(vRows[0][x], vRows[r][x]) ? 0 : 1;
        }
        // Edges may round to the neighbouring pixel.
        EXPECT_LE(iDiffering, 2) << r;
    }

    // A bone that moves changes the CPU-skinned vertices at the next draw.
    Matrix_Translation(-0.4f, 0.0f, 0.0f, &poCpuSkin->oB.m_oCombinedMatrix);
    Matrix_Translation(-0.4f, 0.0f, 0.0f, &poCpuSkin->oA.m_oCombinedMatrix);
    BeginFrame();
    EXPECT_EQ(m_poGraphics->RenderMesh(poCpuSkin->poMesh.get(), 0, 0), OK);
    EndFrame();
    EXPECT_TRUE(Near(At(-0.8f, 0.0f), RED));
    EXPECT_TRUE(Near(At(0.3f, 0.0f), BACKGROUND));
}

namespace
{
// Places each vertex by the object matrix in registers 0 to 3.
const char* const PLACED_VERTEX_SHADER = "vs.1.1\nm4x4 oPos, v0, c0\nmov oD0, v5\n";

// A pass whose groups are queued and drawn after the meshes, by the given vertex shader and table.
std::string QueuedShaderFile(const std::string& strName, uint32_t dwFVF, const std::string& strVertexShader,
                             const std::string& strConstants)
{
    return "Shader { Name { " + strName + " } NumPasses { 1 } Pass { Name { Base } FVF { " +
           std::to_string(dwFVF) +
           " } LightingEnabled { 0 } CullMode { 0 } ZBufferEnabled { 0 } PGSortMode { 1 } VertexShader { " +
           strVertexShader + " } VertexShaderConstants { " + strConstants + " } } }";
}
} // namespace

TEST_F(Dx8MeshTest, AQueuedGroupIsPosedAsItWasWhenItWasQueued)
{
    qirn_test::WriteFile("Skin.vsh", SKIN_VERTEX_SHADER);
    qirn_test::WriteFile("Placed.vsh", PLACED_VERTEX_SHADER);
    auto poPlaced = dx8_test::ReadShader(QueuedShaderFile("Placed", D3DFVF_XYZ | D3DFVF_DIFFUSE, "Placed",
                                                          "NumRows { 4 } VSFlag { 1 } Constant { 0 0 6 0 }")
                                             .c_str());
    auto poSkinned = dx8_test::ReadShader(
        QueuedShaderFile("QueuedSkin", D3DFVF_XYZB4 | D3DFVF_LASTBETA_UBYTE4 | D3DFVF_DIFFUSE, "Skin",
                         "NumRows { 8 } VSFlag { 1 } Constant { 0 0 7 2 }")
            .c_str());
    ASSERT_TRUE(poPlaced && poSkinned);
    // The unskinned square spans -0.5 to 0.5, the posed skin -0.25 to 0.85.
    std::vector<float> vXYZ;
    std::vector<int32_t> vIndices;
    AddSquare(vXYZ, vIndices, -0.5f, -0.5f, 0.5f, 0.5f, 0.5f);
    auto poSquare = MakeMesh("queuedsquare", vXYZ, vIndices, poPlaced.get());
    poSquare->UpdateBounds(BOUNDS_RAW);
    auto poSkin = MakeSkin("queuedskin", poSkinned.get());
    ASSERT_NE(poSkin, nullptr);
    poSkin->poMesh->UpdateBounds(BOUNDS_RAW);
    QIRN_CameraActor oCamera("CameraActor");
    m_poGraphics->m_pCamera = &oCamera;
    m_oEngine.m_apoGraphics[0] = m_poGraphics.get();

    struct Case
    {
        QIRN_MeshData* poMesh;
        float fLeft, fRight;
    };
    for (const Case& c : {Case{poSquare.get(), -0.5f, 0.5f}, Case{poSkin->poMesh.get(), -0.25f, 0.85f}})
    {
        const std::string& strName = c.poMesh->m_szName;
        ASSERT_EQ(m_poGraphics->LoadMesh(c.poMesh, 0), OK) << m_oLog.All();
        BeginFrame();
        m_poGraphics->ClearSortedPolygonGroups();
        EXPECT_EQ(m_poGraphics->RenderMesh(c.poMesh, 0, 0), OK) << m_oLog.All();
        ASSERT_EQ(m_poGraphics->m_oBackToFrontList.m_iCount, 1) << strName;
        // The mesh moves before the queued group is drawn, as when another actor draws it next.
        Matrix_Translation(-0.9f, 0.0f, 0.0f, &c.poMesh->m_oLocalMatrix);
        EXPECT_EQ(m_poGraphics->RenderSortedPolygonGroups(), OK);
        EndFrame();
        Matrix_Identity(&c.poMesh->m_oLocalMatrix);
        EXPECT_TRUE(Near(At(c.fLeft + 0.05f, 0.0f), RED))
            << strName << std::hex << " " << At(c.fLeft + 0.05f, 0.0f);
        EXPECT_TRUE(Near(At(c.fRight - 0.05f, 0.0f), RED)) << strName;
        EXPECT_TRUE(Near(At(c.fLeft - 0.1f, 0.0f), BACKGROUND)) << strName;
        EXPECT_TRUE(Near(At(c.fRight + 0.1f, 0.0f), BACKGROUND)) << strName;
        // The table does not keep the group's matrices.
        EXPECT_EQ(poSkinned->m_poPasses[0].m_oVertexShaderConstants.m_poMatrices, nullptr);
        EXPECT_EQ(poPlaced->m_poPasses[0].m_oVertexShaderConstants.m_poMatrices, nullptr);
    }
    m_poGraphics->ClearSortedPolygonGroups();
    m_poGraphics->m_pCamera = nullptr;
    m_oEngine.m_apoGraphics[0] = nullptr;
}

namespace
{
// Half-transparent vertex colours blended over what is drawn.
std::unique_ptr<QIRN_Shader> TransparentShader(const std::string& strName, uint32_t dwGroupSort,
                                               uint32_t dwTriangleSort)
{
    auto poShader = FlatShader(strName, D3DFVF_XYZ | D3DFVF_DIFFUSE);
    QIRN_ShaderPass& P = poShader->m_poPasses[0];
    P.m_bAlphaBlendEnabled = true;
    P.m_eSrcBlend = D3DBLEND_SRCALPHA - 1;
    P.m_eDestBlend = D3DBLEND_INVSRCALPHA - 1;
    P.m_ePGSortMode = dwGroupSort;
    P.m_eSortMode = dwTriangleSort;
    P.m_eSortKey = 1;
    return poShader;
}

// Left-handed perspective of 90 degrees: view-space x and y at depth z reach the screen edge at z.
D3DMATRIX Perspective()
{
    D3DMATRIX m = {};
    const float n = 0.1f, f = 100.0f;
    m._11 = m._22 = 1.0f;
    m._33 = f / (f - n);
    m._34 = 1.0f;
    m._43 = -n * f / (f - n);
    return m;
}
} // namespace

class Dx8SortedTest : public Dx8MeshTest
{
protected:
    void SetUp() override
    {
        Dx8MeshTest::SetUp();
        m_poCamera = std::make_unique<QIRN_CameraActor>("CameraActor");
        m_poGraphics->m_pCamera = m_poCamera.get();
    }

    void TearDown() override
    {
        m_poGraphics->m_pCamera = nullptr;
        Dx8MeshTest::TearDown();
    }

    // One square of the colour per mesh, drawn in the order given, then the sorted groups.
    void DrawInOrder(const std::vector<QIRN_MeshData*>& vMeshes)
    {
        BeginFrame();
        const D3DMATRIX oProjection = Perspective();
        m_poGraphics->GetDevice()->SetTransform(D3DTS_PROJECTION, &oProjection);
        m_poGraphics->ClearSortedPolygonGroups();
        for (QIRN_MeshData* poMesh : vMeshes)
        {
            EXPECT_EQ(m_poGraphics->RenderMesh(poMesh, 0, 0), OK) << m_oLog.All();
        }
        EXPECT_EQ(m_poGraphics->RenderSortedPolygonGroups(), OK);
        EndFrame();
    }

    std::unique_ptr<QIRN_CameraActor> m_poCamera;
};

TEST_F(Dx8SortedTest, TransparentGroupsAreDrawnBackToFrontWhateverTheirOrder)
{
    auto poShader = TransparentShader("Glass", 1, 0);
    std::vector<float> vNear, vFar;
    std::vector<int32_t> vNearIndices, vFarIndices;
    AddSquare(vNear, vNearIndices, -1.0f, -1.0f, 0.5f, 1.0f, 2.0f);
    AddSquare(vFar, vFarIndices, -0.5f, -3.0f, 3.0f, 3.0f, 3.0f);
    auto poNear = MakeMesh("near", vNear, vNearIndices, poShader.get(), 0x8000FF00);
    auto poFar = MakeMesh("far", vFar, vFarIndices, poShader.get(), 0x80FF0000);
    for (QIRN_MeshData* poMesh : {poNear.get(), poFar.get()})
    {
        poMesh->UpdateBounds(BOUNDS_RAW);
        ASSERT_EQ(m_poGraphics->LoadMesh(poMesh, 0), OK);
    }
    uint32_t adwOverlap[2] = {0, 0};
    const std::vector<std::vector<QIRN_MeshData*>> vOrders = {{poNear.get(), poFar.get()},
                                                              {poFar.get(), poNear.get()}};
    for (size_t i = 0; i < vOrders.size(); ++i)
    {
        DrawInOrder(vOrders[i]);
        // Nothing is drawn before the sorted groups: the two are kept, one in the list each.
        EXPECT_EQ(m_poGraphics->m_oBackToFrontList.m_iCount, 2);
        EXPECT_EQ(m_poGraphics->m_adwStatistics[7], 2u * (i + 1));
        adwOverlap[i] = At(0.0f, 0.0f);
    }
    // Green over (red over blue): green half, red and blue a quarter each.
    for (uint32_t dwPixel : adwOverlap)
    {
        EXPECT_TRUE(Near(dwPixel, 0x3F7F3F, 4)) << std::hex << dwPixel;
    }
}

TEST_F(Dx8SortedTest, TrianglesOfOneGroupAreSortedByDepthAndThoseBehindTheEyeDropped)
{
    auto poShader = TransparentShader("Sorted", 1, 1);
    // A sort key the renderer does not know sorts as the farthest corner, like key 1.
    auto poUnknownKey = TransparentShader("UnknownKey", 1, 1);
    poUnknownKey->m_poPasses[0].m_eSortKey = 7;
    for (int iCase = 0; iCase < 3; ++iCase)
    {
        const bool bNearFirst = iCase != 1;
        // One group: a near green square and a far red one, in either index order, and a square
        // behind the eye that would cover the screen.
        std::vector<float> vXYZ;
        std::vector<int32_t> vIndices;
        if (bNearFirst)
        {
            AddSquare(vXYZ, vIndices, -1.0f, -1.0f, 0.5f, 1.0f, 2.0f);
        }
        AddSquare(vXYZ, vIndices, -0.5f, -3.0f, 3.0f, 3.0f, 3.0f);
        if (!bNearFirst)
        {
            AddSquare(vXYZ, vIndices, -1.0f, -1.0f, 0.5f, 1.0f, 2.0f);
        }
        AddSquare(vXYZ, vIndices, -9.0f, -9.0f, 9.0f, 9.0f, -2.0f);
        const std::string strName = iCase == 2 ? "unknownkey" : (bNearFirst ? "nearfirst" : "farfirst");
        auto poMesh =
            MakeMesh(strName, vXYZ, vIndices, iCase == 2 ? poUnknownKey.get() : poShader.get(), 0x80FF0000);
        const int iNear = bNearFirst ? 0 : 4;
        for (int i = iNear; i < iNear + 4; ++i)
        {
            poMesh->GetVertex(i)->m_dwDiffuse = 0x8000FF00;
        }
        poMesh->UpdateBounds(BOUNDS_RAW);
        ASSERT_EQ(m_poGraphics->LoadMesh(poMesh.get(), 0), OK);
        QIRN_Mesh_DX8* poDX8 = m_poGraphics->GetMesh(strName);
        ASSERT_NE(poDX8, nullptr);
        ASSERT_NE(poDX8->m_pSoftwareVB, nullptr);
        DrawInOrder({poMesh.get()});
        // The two squares before the eye: four triangles sorted, two dropped.
        EXPECT_EQ(m_poGraphics->m_dwSortedIndexCount, 12u);
        EXPECT_TRUE(Near(At(0.0f, 0.0f), 0x3F7F3F, 4)) << strName << std::hex << " " << At(0.0f, 0.0f);
        EXPECT_TRUE(Near(At(-0.9f, 0.9f), BACKGROUND)) << strName;
    }
}

TEST_F(Dx8SortedTest, SortedGroupsAreOwnedAndBoundedByTheBuffers)
{
    auto poShader = TransparentShader("Bounded", 1, 0);
    std::unique_ptr<QIRN_Shader_DX8> poConverted(
        m_poGraphics->ConvertShader(poShader.get(), m_oEngine.GetBitmapTree(), nullptr, nullptr));
    ASSERT_NE(poConverted, nullptr);
    auto MakeGroup = [&](uint32_t dwVertices, uint32_t dwIndices)
    {
        auto* poGroup = new SortedPolygonGroup;
        poGroup->m_poShader = poConverted.get();
        poGroup->m_num_vertices = dwVertices;
        poGroup->m_dwNumIndices = dwIndices;
        poGroup->m_poMatrices = new QIRN_Matrix4[1];
        return poGroup;
    };
    m_poGraphics->ClearSortedPolygonGroups();
    EXPECT_EQ(m_poGraphics->AddSortedPolygonGroup(MakeGroup(30000, 30000), 1.0f), OK);
    EXPECT_EQ(m_poGraphics->AddSortedPolygonGroup(MakeGroup(30001, 3), 2.0f), GENERICERROR);
    EXPECT_EQ(m_poGraphics->AddSortedPolygonGroup(MakeGroup(3, 30003), 2.0f), GENERICERROR);
    EXPECT_TRUE(
        m_oLog.Contains("*** QIRN_Graphics_DX8::AddSortedPolygonGroup() - VB for sorted polygons is too "
                        "small\n"));
    EXPECT_EQ(m_poGraphics->AddSortedPolygonGroup(nullptr, 0.0f), GENERICERROR);
    EXPECT_TRUE(
        m_oLog.Contains("*** QIRN_Graphics_DX8::AddSortedPolygonGroup() - Polygon group info is NULL!\n"));
    EXPECT_EQ(m_poGraphics->m_oBackToFrontList.m_iCount, 1);
    // Groups drawn without sorting inside do not take room in the sorted index buffer.
    EXPECT_EQ(m_poGraphics->m_dwSortedIndexCount, 0u);
    EXPECT_EQ(m_poGraphics->m_dwSortedTriangles, 10000u);

    // A group of neither list is not kept; equal keys keep their order of arrival.
    poConverted->m_poPasses[0].m_dwPGSortMode = 0;
    EXPECT_EQ(m_poGraphics->AddSortedPolygonGroup(MakeGroup(3, 3), 5.0f), OK);
    EXPECT_EQ(m_poGraphics->m_oBackToFrontList.m_iCount, 1);
    EXPECT_EQ(m_poGraphics->m_oFrontToBackList.m_iCount, 0);
    poConverted->m_poPasses[0].m_dwPGSortMode = 1;
    SortedPolygonGroup* poFirst = MakeGroup(3, 3);
    SortedPolygonGroup* poSecond = MakeGroup(3, 3);
    poSecond->m_poRenderGroup = reinterpret_cast<QIRN_RenderGroup*>(poSecond);
    EXPECT_EQ(m_poGraphics->AddSortedPolygonGroup(poFirst, 4.0f), OK);
    EXPECT_EQ(m_poGraphics->AddSortedPolygonGroup(poSecond, 4.0f), OK);
    // The same group at the same key again is dropped.
    SortedPolygonGroup* poAgain = MakeGroup(3, 3);
    poAgain->m_poRenderGroup = poSecond->m_poRenderGroup;
    EXPECT_EQ(m_poGraphics->AddSortedPolygonGroup(poAgain, 4.0f), OK);
    ASSERT_EQ(m_poGraphics->m_oBackToFrontList.m_iCount, 3);
    EXPECT_EQ(m_poGraphics->m_oBackToFrontList.m_pTail->m_pData, poSecond);
    EXPECT_EQ(m_poGraphics->m_oBackToFrontList.m_pTail->m_pPrev->m_pData, poFirst);
    m_poGraphics->ClearSortedPolygonGroups();
    EXPECT_EQ(m_poGraphics->m_oBackToFrontList.m_iCount, 0);
}

TEST_F(Dx8SortedTest, AGroupBeyondTheSortedIndexBufferIsDrawnUnsorted)
{
    // Six groups of 10000 triangles each: five fill the 150000 sorted indices.
    auto poShader = TransparentShader("Many", 1, 1);
    std::vector<float> vXYZ = {-0.5f, -0.5f, 2.0f, -0.5f, 0.5f, 2.0f, 0.5f, -0.5f, 2.0f};
    std::vector<int32_t> vIndices;
    for (int t = 0; t < 10000; ++t)
    {
        vIndices.insert(vIndices.end(), {0, 1, 2});
    }
    std::vector<std::unique_ptr<QIRN_MeshData>> vMeshes;
    std::vector<QIRN_MeshData*> vOrder;
    for (int i = 0; i < 6; ++i)
    {
        vMeshes.push_back(MakeMesh("many" + std::to_string(i), vXYZ, vIndices, poShader.get(), 0x80FF0000));
        vMeshes.back()->UpdateBounds(BOUNDS_RAW);
        ASSERT_EQ(m_poGraphics->LoadMesh(vMeshes.back().get(), 0), OK);
        vOrder.push_back(vMeshes.back().get());
    }
    DrawInOrder(vOrder);
    EXPECT_EQ(m_poGraphics->m_dwSortedIndexCount, 150000u);
    EXPECT_TRUE(
        m_oLog.Contains("*** QIRN_Graphics_DX8::AddSortedPolygonGroup() - Warning, the sorted index buffer "
                        "is full, drawing the group unsorted\n"));
    ASSERT_EQ(m_poGraphics->m_oBackToFrontList.m_iCount, 6);
    int iUnsorted = 0;
    for (auto* poNode = m_poGraphics->m_oBackToFrontList.m_pHead; poNode; poNode = poNode->m_pNext)
    {
        iUnsorted += poNode->m_pData->m_bTriangleSorted ? 0 : 1;
    }
    EXPECT_EQ(iUnsorted, 1);
    EXPECT_EQ(m_poGraphics->m_adwStatistics[7], 6u);
    EXPECT_FALSE(Near(At(-0.1f, -0.1f), BACKGROUND));
}

namespace
{
// A shadow-volume pass: positions with neighbour data for a vertex shader to extrude.
std::unique_ptr<QIRN_Shader> ShadowShader()
{
    auto poShader = FlatShader("Shadow", D3DFVF_XYZB4 | D3DFVF_LASTBETA_UBYTE4 | D3DFVF_NORMAL);
    poShader->m_poPasses[0].m_bIsShadowPass = true;
    return poShader;
}
} // namespace

TEST_F(Dx8MeshTest, ShadowVolumesJoinSharedEdgesAndFinOpenOnes)
{
    auto poShader = ShadowShader();
    struct Case
    {
        const char* szName;
        int iSquares;
        uint32_t dwVertices;
        uint32_t dwTriangles;
    };
    // One triangle: its face and a fin of two vertices and two triangles on each open edge. Two
    // triangles of a square: the shared edge is joined by two triangles, the four others finned.
    for (const Case& c :
         {Case{"triangle", 0, 3 + 3 * 2, 1 + 3 * 2}, Case{"square", 1, 6 + 4 * 2, 2 + 2 + 4 * 2}})
    {
        std::vector<float> vXYZ;
        std::vector<int32_t> vIndices;
        AddSquare(vXYZ, vIndices, -0.5f, -0.5f, 0.5f, 0.5f, 0.5f);
        if (c.iSquares == 0)
        {
            vIndices.resize(3);
        }
        auto poMesh = MakeMesh(c.szName, vXYZ, vIndices, poShader.get());
        ASSERT_EQ(m_poGraphics->LoadMesh(poMesh.get(), 0), OK);
        QIRN_Mesh_DX8* poDX8 = m_poGraphics->GetMesh(c.szName);
        ASSERT_NE(poDX8, nullptr);
        EXPECT_NE(poDX8->m_pShadowVB, nullptr) << c.szName;
        EXPECT_NE(poDX8->m_pShadowIB, nullptr) << c.szName;
        EXPECT_EQ(poDX8->m_dwShadowSize, 3 * vIndices.size()) << c.szName;
        const QIRN_RenderBatch* poBatch = poDX8->m_oRenderGroups.front().m_pNeighbourBatch;
        ASSERT_NE(poBatch, nullptr) << c.szName << m_oLog.All();
        EXPECT_EQ(poBatch->m_ePrimitiveType, 4u);
        EXPECT_EQ(poBatch->m_dwMinVertex, 0u);
        EXPECT_EQ(poBatch->m_dwNumVertices, c.dwVertices) << c.szName;
        EXPECT_EQ(poBatch->m_dwStartIndex, 0u);
        EXPECT_EQ(poBatch->m_dwPrimitiveCount, c.dwTriangles) << c.szName;
    }
}

TEST_F(Dx8MeshTest, AShadowBeyondItsBufferKeepsTheTrianglesThatFit)
{
    // A grid of 22052 triangles: their face vertices alone would pass the 65534 the buffer holds.
    auto poShader = ShadowShader();
    const int W = 150, H = 75;
    std::vector<float> vXYZ;
    std::vector<int32_t> vIndices;
    for (int y = 0; y < H; ++y)
    {
        for (int x = 0; x < W; ++x)
        {
            vXYZ.insert(vXYZ.end(), {static_cast<float>(x), static_cast<float>(y), 1.0f});
        }
    }
    for (int y = 0; y + 1 < H; ++y)
    {
        for (int x = 0; x + 1 < W; ++x)
        {
            const int32_t i = y * W + x;
            vIndices.insert(vIndices.end(), {i, i + W, i + 1, i + 1, i + W, i + W + 1});
        }
    }
    auto poMesh = MakeMesh("grid", vXYZ, vIndices, poShader.get());
    ASSERT_EQ(m_poGraphics->LoadMesh(poMesh.get(), 0), OK);
    QIRN_Mesh_DX8* poDX8 = m_poGraphics->GetMesh("grid");
    ASSERT_NE(poDX8, nullptr);
    EXPECT_EQ(poDX8->m_dwShadowSize, 0xFFFEu);
    const QIRN_RenderBatch* poBatch = poDX8->m_oRenderGroups.front().m_pNeighbourBatch;
    ASSERT_NE(poBatch, nullptr) << m_oLog.All();
    EXPECT_LE(poBatch->m_dwNumVertices, 0xFFFEu);
    EXPECT_GE(poBatch->m_dwNumVertices, 3u * 21844u);
    // Every index refers to a written vertex: at most 21 indices for each triangle kept.
    EXPECT_LE(poBatch->m_dwPrimitiveCount, 7u * 21844u);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_Mesh_DX8::CreateShadowVolume() - Warning, the shadow of group "
                                "'grid_group' keeps 21844 of its 22052 triangles\n"));
}

namespace
{
// Appends a square of its own vertices as a second group bound to poShader (none: no slot shader).
void AddSquareGroup(QIRN_MeshData& roMesh, QIRN_Shader* poShader, float x0)
{
    std::vector<float> vXYZ;
    std::vector<int32_t> vIndices;
    AddSquare(vXYZ, vIndices, x0, -0.5f, x0 + 0.4f, 0.5f, 0.5f);
    std::vector<QIRN_MeshVertex> vOld = roMesh.m_vVertices;
    std::vector<float> vAll;
    for (const QIRN_MeshVertex& v : vOld)
    {
        vAll.insert(vAll.end(), {v.m_vPosition.x, v.m_vPosition.y, v.m_vPosition.z});
    }
    const int32_t iBase = static_cast<int32_t>(vOld.size());
    vAll.insert(vAll.end(), vXYZ.begin(), vXYZ.end());
    roMesh.SetPositions(vAll.data(), static_cast<unsigned>(vAll.size() / 3));
    for (uint32_t i = 0; i < roMesh.GetNumVertices(); ++i)
    {
        roMesh.GetVertex(static_cast<int>(i))->m_dwDiffuse = 0xFFFF0000;
    }
    PolygonGroup oGroup(static_cast<uint32_t>(vIndices.size()), "second", nullptr);
    for (size_t i = 0; i < vIndices.size(); ++i)
    {
        oGroup.m_piIndices[i] = vIndices[i] + iBase;
    }
    oGroup.Rebase();
    oGroup.m_pOwnerMesh = &roMesh;
    if (poShader)
    {
        oGroup.AddShader(poShader);
    }
    roMesh.AppendPolygonGroup(oGroup);
}
} // namespace

TEST_F(Dx8MeshTest, PrepassVerticesOutsideThePrepassBuffersAreRefused)
{
    // Only the second group has a prepass: its vertices 4 to 7 lie beyond the 4 the prepass
    // buffers hold.
    auto poFlat = FlatShader("Flat", D3DFVF_XYZ | D3DFVF_DIFFUSE);
    auto poPrepass = FlatShader("Pre", D3DFVF_XYZ | D3DFVF_DIFFUSE);
    delete[] poPrepass->m_poPasses;
    poPrepass->m_poPasses = new QIRN_ShaderPass[2];
    poPrepass->m_dwNumPasses = 2;
    for (uint32_t p = 0; p < 2; ++p)
    {
        poPrepass->m_poPasses[p].SetName(p == 0 ? "prepass" : "Base");
        poPrepass->m_poPasses[p].m_dwFVF = D3DFVF_XYZ | D3DFVF_DIFFUSE;
        poPrepass->m_poPasses[p].m_bLightingEnabled = false;
    }
    std::vector<float> vXYZ;
    std::vector<int32_t> vIndices;
    AddSquare(vXYZ, vIndices, -0.9f, -0.5f, -0.5f, 0.5f, 0.5f);
    auto poMesh = MakeMesh("prepassed", vXYZ, vIndices, poFlat.get());
    AddSquareGroup(*poMesh, poPrepass.get(), 0.1f);
    ASSERT_EQ(m_poGraphics->LoadMesh(poMesh.get(), 0), OK);
    QIRN_Mesh_DX8* poDX8 = m_poGraphics->GetMesh("prepassed");
    ASSERT_NE(poDX8, nullptr);
    EXPECT_EQ(poDX8->m_iPrepassVertexTotal, 4);
    ASSERT_NE(poDX8->m_pSoftwareVB, nullptr);
    ASSERT_TRUE(static_cast<QIRN_Shader_DX8*>(poDX8->m_oRenderGroups.back().m_ppShaderSlots[0])
                    ->m_poPasses[0]
                    .m_bIsPrepass);

    BeginFrame();
    EXPECT_EQ(poDX8->Render(0, 0, false, 0), OK);
    EndFrame();
    EXPECT_TRUE(
        m_oLog.Contains("*** QIRN_Mesh_DX8::ProcessPrepassVertices() - Error, vertices 4 to 8 lie outside "
                        "the prepass buffers of 4 vertices\n"))
        << m_oLog.All();
    // What the prepass changed is put back.
    EXPECT_EQ(m_poGraphics->GetRS(D3DRS_CLIPPING), static_cast<DWORD>(TRUE));
    D3DVIEWPORT8 oViewport = {};
    m_poGraphics->GetDevice()->GetViewport(&oViewport);
    EXPECT_EQ(oViewport.Width, static_cast<DWORD>(WIDTH));
    // The first group is drawn; the prepassed one draws nothing without a prepass vertex shader.
    EXPECT_TRUE(Near(At(-0.7f, 0.0f), RED));
    EXPECT_TRUE(Near(At(0.3f, 0.0f), BACKGROUND));
    // Pass 1 of a shader that starts with a prepass draws nothing.
    EXPECT_EQ(poDX8->Render(0, 1, false, 0), OK);
}

namespace
{
// The prepass processes the vertices into the unit viewport; the pass drawn after it reads them,
// takes them back to clip space with the fixed prepass matrix in registers 0 to 3 and colours them
// from register 4. (Wine's device processes vertices with the fixed-function pipeline whatever the
// vertex shader, so only positions reach the processed vertices there.)
const char* const PREPASS_VERTEX_SHADER = "vs.1.1\nmov oPos, v0\nmov oT0, v5\n";
const char* const AFTER_PREPASS_VERTEX_SHADER =
    "vs.1.1\ndp4 oPos.x, v0, c0\ndp4 oPos.y, v0, c1\nmov oPos.zw, v0.zw\nmov oD0, c4\n";
const char* const PREPASS_SHADER_FILE = R"(Shader
{
    Name { Processed }
    NumPasses { 2 }
    Pass
    {
        Name { prepass }
        FVF { 66 }
        LightingEnabled { 0 } CullMode { 0 } ZBufferEnabled { 0 }
        VertexShader { Pre }
    }
    Pass
    {
        Name { Base }
        FVF { 66 }
        LightingEnabled { 0 } CullMode { 0 } ZBufferEnabled { 0 }
        VertexShader { Post }
        VertexShaderConstants
        {
            NumRows { 5 } VSFlag { 1 } Constant { 0 0 6 7 }
            Constant { 4 0 1 1.0 } Constant { 4 1 1 0.0 } Constant { 4 2 1 0.0 } Constant { 4 3 1 1.0 }
        }
    }
}
)";
} // namespace

TEST_F(Dx8MeshTest, APrepassProcessesTheVerticesThatTheNextPassDraws)
{
    qirn_test::WriteFile("Pre.vsh", PREPASS_VERTEX_SHADER);
    qirn_test::WriteFile("Post.vsh", AFTER_PREPASS_VERTEX_SHADER);
    auto poShader = dx8_test::ReadShader(PREPASS_SHADER_FILE);
    ASSERT_NE(poShader, nullptr);
    std::vector<float> vXYZ;
    std::vector<int32_t> vIndices;
    AddSquare(vXYZ, vIndices, -0.5f, -0.25f, 0.25f, 0.5f, 0.5f);
    auto poMesh = MakeMesh("processed", vXYZ, vIndices, poShader.get());
    QIRN_CameraActor oCamera("CameraActor");
    m_poGraphics->m_pCamera = &oCamera;
    m_oEngine.m_apoGraphics[0] = m_poGraphics.get();
    ASSERT_EQ(m_poGraphics->LoadMesh(poMesh.get(), 0), OK) << m_oLog.All();
    QIRN_Mesh_DX8* poDX8 = m_poGraphics->GetMesh("processed");
    ASSERT_NE(poDX8, nullptr);
    EXPECT_EQ(poDX8->m_iPrepassVertexTotal, 4);
    const QIRN_Shader_DX8* poConverted = m_poGraphics->GetDX8Shader("Processed");
    ASSERT_NE(poConverted, nullptr);
    ASSERT_NE(poConverted->m_poPasses[0].m_dwSWVertexShader, 0u) << m_oLog.All();
    ASSERT_NE(poConverted->m_poPasses[1].m_dwPrepassVertexShader, 0u) << m_oLog.All();

    BeginFrame();
    EXPECT_EQ(poDX8->Render(0, 0, false, 0), OK) << m_oLog.All();
    EndFrame();
    EXPECT_NE(poDX8->m_pvb_prepass, nullptr);
    EXPECT_FALSE(m_oLog.Contains("ProcessVertices")) << m_oLog.All();
    EXPECT_TRUE(Near(At(-0.1f, 0.1f), RED)) << std::hex << At(-0.1f, 0.1f);
    EXPECT_TRUE(Near(At(-0.45f, 0.45f), RED)) << std::hex << At(-0.45f, 0.45f);
    EXPECT_TRUE(Near(At(0.2f, -0.2f), RED)) << std::hex << At(0.2f, -0.2f);
    EXPECT_TRUE(Near(At(-0.6f, 0.0f), BACKGROUND));
    EXPECT_TRUE(Near(At(0.4f, 0.0f), BACKGROUND));
    EXPECT_TRUE(Near(At(0.0f, -0.4f), BACKGROUND));
    EXPECT_TRUE(Near(At(0.0f, 0.6f), BACKGROUND));
    // The prepass leaves the device as it found it.
    EXPECT_EQ(m_poGraphics->GetRS(D3DRS_CLIPPING), static_cast<DWORD>(TRUE));
    D3DVIEWPORT8 oViewport = {};
    m_poGraphics->GetDevice()->GetViewport(&oViewport);
    EXPECT_EQ(oViewport.Width, static_cast<DWORD>(WIDTH));

    // The pass after the prepass is not drawn on its own.
    BeginFrame();
    EXPECT_EQ(poDX8->Render(0, 1, false, 0), OK);
    EndFrame();
    EXPECT_TRUE(Near(At(-0.1f, 0.1f), BACKGROUND));
    m_poGraphics->m_pCamera = nullptr;
    m_oEngine.m_apoGraphics[0] = nullptr;
}

TEST_F(Dx8MeshTest, TheViewOfTheSecondaryCameraIsPutBackWhenADrawFails)
{
    auto poStrip = FlatShader("Strip", D3DFVF_XYZ | D3DFVF_DIFFUSE);
    poStrip->m_poPasses[0].m_ePrimitiveType = 5;
    std::vector<float> vXYZ;
    std::vector<int32_t> vIndices;
    AddSquare(vXYZ, vIndices, -0.9f, -0.5f, -0.5f, 0.5f, 0.5f);
    auto poMesh = MakeMesh("strip", vXYZ, vIndices, poStrip.get());
    // The second group has no shader at the index: drawing stops there with 1.
    AddSquareGroup(*poMesh, nullptr, 0.1f);
    ASSERT_EQ(m_poGraphics->LoadMesh(poMesh.get(), 0), OK);
    QIRN_Mesh_DX8* poDX8 = m_poGraphics->GetMesh("strip");
    ASSERT_NE(poDX8, nullptr);

    QIRN_World* poWorld = m_poWorld.get();
    ASSERT_EQ(poWorld->InitWorld(), OK);
    auto* poMain = static_cast<QIRN_CameraActor*>(poWorld->CreateObject("Main", QIRN_CLASS_CAMERAACTOR));
    auto* poSecond = static_cast<QIRN_CameraActor*>(poWorld->CreateObject("Second", QIRN_CLASS_CAMERAACTOR));
    ASSERT_TRUE(poMain && poSecond);
    poSecond->SetPosition(QIRN_Vector4(3.0f, 4.0f, 5.0f, 1.0f));
    m_poGraphics->m_pCamera = poMain;
    m_poGraphics->m_pFrustumCamera = poSecond;

    BeginFrame();
    D3DMATRIX oBefore = {};
    m_poGraphics->GetDevice()->GetTransform(D3DTS_VIEW, &oBefore);
    EXPECT_EQ(poDX8->Render(0, 0, false, 0), GENERICERROR);
    EndFrame();
    D3DMATRIX oAfter = {};
    m_poGraphics->GetDevice()->GetTransform(D3DTS_VIEW, &oAfter);
    EXPECT_EQ(std::memcmp(&oBefore, &oAfter, sizeof(D3DMATRIX)), 0);
    // The first group was drawn from the secondary camera's view: elsewhere than its place.
    EXPECT_TRUE(Near(At(-0.7f, 0.0f), BACKGROUND));
    m_poGraphics->m_pCamera = nullptr;
    m_poGraphics->m_pFrustumCamera = nullptr;
    delete poMain;
    delete poSecond;
}
