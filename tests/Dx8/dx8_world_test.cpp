// The world pass on the device: the world shader, geometry imported from a .x file drawn through
// its meshes and culled against the camera, render targets drawn from the scene, and drawing
// again after the world's resources were released.
#include "dx8_test_support.h"
#include "qirn_cameraactor.h"
#include "qirn_constants.h"
#include "qirn_geometry.h"
#include "qirn_meshdata.h"
#include "qirn_rendertarget.h"
#include "qirn_shader.h"
#include "qirn_sampleactor.h"
#include "qirn_world.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using dx8_test::Near;

namespace
{
// A red square of side 2 around the origin, facing -z.
const char* const SQUARE =
    "xof 0302txt 0032\n"
    "Frame Root {\n"
    " FrameTransformMatrix { 1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, 0.0,0.0,0.0,1.0;; }\n"
    " Mesh Square {\n"
    "  4; -1.0;-1.0;0.0;, -1.0;1.0;0.0;, 1.0;-1.0;0.0;, 1.0;1.0;0.0;;\n"
    "  2; 3; 0,1,2;, 3; 2,1,3;;\n"
    "  MeshNormals { 1; 0.0;0.0;-1.0;; 2; 3; 0,0,0;, 3; 0,0,0;; }\n"
    "  MeshVertexColors { 4; 0; 1.0;0.0;0.0;1.0;;, 1; 1.0;0.0;0.0;1.0;;, 2; 1.0;0.0;0.0;1.0;;, "
    "3; 1.0;0.0;0.0;1.0;;; }\n"
    "  MeshMaterialList { 1; 2; 0, 0;; Material Paint { 1.0;1.0;1.0;1.0;; 4.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; } "
    "}\n"
    " }\n"
    "}\n";

// A square of half-side h at depth z in one colour (floats red, green, blue), as a .x file.
std::string SquareFile(float h, float z, const std::string& strColor)
{
    const std::string H = std::to_string(h), M = std::to_string(-h), Z = std::to_string(z);
    const std::string C = strColor + "1.0;;";
    return "xof 0302txt 0032\n"
           "Frame Root {\n"
           " FrameTransformMatrix { 1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, 0.0,0.0,0.0,1.0;; }\n"
           " Mesh Square {\n"
           "  4; " +
           M + ";" + M + ";" + Z + ";, " + M + ";" + H + ";" + Z + ";, " + H + ";" + M + ";" + Z + ";, " + H +
           ";" + H + ";" + Z +
           ";;\n"
           "  2; 3; 0,1,2;, 3; 2,1,3;;\n"
           "  MeshVertexColors { 4; 0; " +
           C + ", 1; " + C + ", 2; " + C + ", 3; " + C +
           "; }\n"
           "  MeshMaterialList { 1; 2; 0, 0;; Material Paint { 1.0;1.0;1.0;1.0;; 4.0; 0.0;0.0;0.0;; "
           "0.0;0.0;0.0;; } "
           "}\n"
           " }\n"
           "}\n";
}

const uint32_t RED = 0xFF0000;
const uint32_t BLUE = 0x0000FF;
const uint32_t GREEN = 0x00FF00;

std::unique_ptr<QIRN_Shader> OnePassShader(const std::string& strName)
{
    auto poShader = std::make_unique<QIRN_Shader>();
    poShader->SetName(strName);
    poShader->m_poPasses = new QIRN_ShaderPass[1];
    poShader->m_dwNumPasses = 1;
    QIRN_ShaderPass& P = poShader->m_poPasses[0];
    P.SetName("Base");
    P.m_dwFVF = D3DFVF_XYZ | D3DFVF_DIFFUSE;
    P.m_bLightingEnabled = false;
    P.m_eCullMode = 0;
    return poShader;
}
} // namespace

class Dx8WorldTest : public dx8_test::RendererTest
{
protected:
    void SetUp() override
    {
        RendererTest::SetUp();
        BringUp();
        m_poWorld = std::make_unique<QIRN_World>(&m_oEngine);
        m_oEngine.m_poWorld = m_poWorld.get();
        ASSERT_EQ(m_poWorld->InitWorld(), OK);
        QIRN_BaseObject* poObject = m_poWorld->CreateObject("Eye", QIRN_CLASS_CAMERAACTOR);
        ASSERT_NE(poObject, nullptr);
        ASSERT_EQ(m_poWorld->AddObject(poObject), OK);
        m_poCamera = static_cast<QIRN_CameraActor*>(poObject);
        m_poCamera->Update(0.0f);
        // The world shader clears to green and the depth buffer to far.
        auto poWorldShader = OnePassShader("WorldShader");
        poWorldShader->m_poPasses[0].m_bClearColor = true;
        poWorldShader->m_poPasses[0].m_dwColorClearValue = 0xFF000000 | GREEN;
        poWorldShader->m_poPasses[0].m_bClearZ = true;
        poWorldShader->m_poPasses[0].m_fZClearValue = 1.0f;
        // The world starts with a world shader of its own: it takes this one's pass.
        auto* poNode = m_poWorld->GetShaderTree()->FindNode("WorldShader");
        if (poNode && poNode->m_pData)
        {
            *poNode->m_pData = *poWorldShader;
        }
        else
        {
            ASSERT_NE(m_poWorld->GetShaderTree()->InsertNode("WorldShader", poWorldShader.release()),
                      nullptr);
        }
        m_poSquareShader = OnePassShader("Paint");
    }

    void TearDown() override
    {
        m_oEngine.m_apoGraphics[0] = nullptr;
        m_poGraphics->ReleaseResources();
        m_poGeometry.reset();
        m_oEngine.m_poWorld = nullptr;
        m_poWorld.reset();
        RendererTest::TearDown();
    }

    // The square, 5 ahead of the eye, bound to the flat shader at the geometry's shader index.
    void LoadSquare()
    {
        qirn_test::WriteFile("square.x", SQUARE);
        m_poGeometry = std::make_unique<QIRN_Geometry>(m_poWorld.get());
        ASSERT_EQ(m_poGeometry->Load("square.x"), OK) << m_oLog.All();
        auto* poNode = m_poGeometry->GetFirstMeshNode();
        ASSERT_NE(poNode, nullptr);
        for (PolygonGroup& roGroup : poNode->m_pData->m_oPolygonGroups)
        {
            ASSERT_TRUE(roGroup.SetShader(m_poSquareShader.get(), m_poGeometry->m_iShaderIndex));
        }
        PlaceSquare(5.0f);
    }

    std::string MeshName() const { return m_poGeometry->GetFirstMeshNode()->m_pData->m_szName; }

    void PlaceSquare(float z)
    {
        QIRN_Matrix4 oPlace;
        Matrix_Translation(0.0f, 0.0f, z, &oPlace);
        m_poGeometry->SetTransform(oPlace);
        m_poGeometry->Update();
    }

    // One world pass with the square drawn after the world shader; the centre pixel.
    uint32_t DrawSquare()
    {
        IDirect3DDevice8* pDevice = m_poGraphics->GetDevice();
        pDevice->BeginScene();
        EXPECT_EQ(m_poGraphics->RenderWorld(m_poWorld.get(), m_poCamera, 0, false), OK);
        EXPECT_EQ(m_poGraphics->RenderGeometry(m_poGeometry.get(), m_poCamera, 0), OK) << m_oLog.All();
        pDevice->EndScene();
        return BackBufferPixel(WIDTH / 2, HEIGHT / 2);
    }

    std::unique_ptr<QIRN_World> m_poWorld;
    QIRN_CameraActor* m_poCamera = nullptr;
    std::unique_ptr<QIRN_Shader> m_poSquareShader;
    std::unique_ptr<QIRN_Geometry> m_poGeometry;
};

TEST_F(Dx8WorldTest, TheWorldShaderClearsEachPassItHas)
{
    m_oEngine.SetScreenDumpFilename("world.bmp");
    ASSERT_EQ(m_poGraphics->RenderFrame(m_poWorld.get(), m_poCamera, false), OK);
    dx8_test::Image oImage = dx8_test::ReadBmp("world.bmp");
    ASSERT_TRUE(oImage.bRead);
    EXPECT_TRUE(Near(oImage.At(WIDTH / 2, HEIGHT / 2), GREEN));
    ASSERT_NE(m_poGraphics->GetDX8Shader("WorldShader"), nullptr);

    // Pass 1 of a world shader of one pass applies nothing.
    IDirect3DDevice8* pDevice = m_poGraphics->GetDevice();
    pDevice->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
    pDevice->BeginScene();
    EXPECT_EQ(m_poGraphics->RenderWorld(m_poWorld.get(), m_poCamera, 1, false), OK);
    pDevice->EndScene();
    EXPECT_TRUE(Near(BackBufferPixel(WIDTH / 2, HEIGHT / 2), 0x0000FF));

    EXPECT_EQ(m_poGraphics->RenderWorld(nullptr, m_poCamera, 0, false), INVALIDPARAMS);
    EXPECT_FALSE(m_oLog.Contains("pCamera is NULL"));
    EXPECT_EQ(m_poGraphics->RenderWorld(m_poWorld.get(), nullptr, 0, false), INVALIDPARAMS);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_Graphics_DX8::RenderWorld() - pCamera is NULL\n"));
}

TEST_F(Dx8WorldTest, TheFrameOutlinesTheViewVolumeOfAnotherCamera)
{
    // A second camera 5 ahead of the eye, looking the same way: the eye sees its volume's edges.
    QIRN_BaseObject* poObject = m_poWorld->CreateObject("Watch", QIRN_CLASS_CAMERAACTOR);
    ASSERT_NE(poObject, nullptr);
    ASSERT_EQ(m_poWorld->AddObject(poObject), OK);
    auto* poWatch = static_cast<QIRN_CameraActor*>(poObject);
    poWatch->SetPosition(QIRN_Vector4(0.0f, 0.0f, 5.0f, 1.0f));
    poWatch->SetRange(1.0f, 10.0f);
    poWatch->Update(0.0f);
    auto RedPixels = [&](QIRN_CameraActor* poFrustum)
    {
        m_poGraphics->m_pFrustumCamera = poFrustum;
        m_oEngine.SetScreenDumpFilename("frustum.bmp");
        EXPECT_EQ(m_poGraphics->RenderFrame(m_poWorld.get(), m_poCamera, false), OK);
        dx8_test::Image oImage = dx8_test::ReadBmp("frustum.bmp");
        EXPECT_TRUE(oImage.bRead);
        int iRed = 0;
        for (uint32_t dwPixel : oImage.vPixels)
        {
            iRed += Near(dwPixel, RED) ? 1 : 0;
        }
        // The rest is the world shader's clear.
        EXPECT_TRUE(Near(oImage.At(1, 1), GREEN));
        return iRed;
    };
    EXPECT_EQ(RedPixels(nullptr), 0);
    // The near rectangle alone spans about ten pixels a side.
    EXPECT_GT(RedPixels(poWatch), 20) << m_oLog.All();
    // The frame's own camera is not outlined.
    EXPECT_EQ(RedPixels(m_poCamera), 0);
    m_poGraphics->m_pFrustumCamera = nullptr;
}

TEST_F(Dx8WorldTest, AGeometryFromAnXFileIsDrawnAndCulledBehindTheCamera)
{
    LoadSquare();
    EXPECT_TRUE(Near(DrawSquare(), RED)) << m_oLog.All();
    ASSERT_NE(m_poGeometry->GetFirstRenderMeshNode(), nullptr);
    EXPECT_NE(m_poGraphics->GetMesh(MeshName()), nullptr);
    EXPECT_EQ(m_poGraphics->m_adwStatistics[5], 1u);

    // Behind the eye: culled, so no draw call at all. The culling mode is also the mode of the
    // bounds the geometry's update gathers.
    m_poGeometry->m_iFrustumCullingMode = 1;
    PlaceSquare(-5.0f);
    m_poGraphics->m_adwStatistics[5] = 0;
    EXPECT_TRUE(Near(DrawSquare(), GREEN));
    EXPECT_EQ(m_poGraphics->m_adwStatistics[5], 0u);
    // Without culling it is drawn and clipped by the device.
    m_poGeometry->m_iFrustumCullingMode = 0;
    EXPECT_TRUE(Near(DrawSquare(), GREEN));
    EXPECT_EQ(m_poGraphics->m_adwStatistics[5], 1u);
    // In front again, with culling on: drawn.
    m_poGeometry->m_iFrustumCullingMode = 1;
    PlaceSquare(5.0f);
    EXPECT_TRUE(Near(DrawSquare(), RED));

    EXPECT_EQ(m_poGraphics->RenderGeometry(nullptr, m_poCamera, 0), INVALIDPARAMS);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_Graphics_DX8::RenderGeometry() - pGeometry is NULL\n"));
}

TEST_F(Dx8WorldTest, DrawingAgainAfterTheResourcesWereReleasedMakesTheMeshAgain)
{
    LoadSquare();
    EXPECT_TRUE(Near(DrawSquare(), RED));
    ASSERT_EQ(m_poGraphics->ReleaseResources(), OK);
    EXPECT_EQ(m_poGraphics->GetMesh(MeshName()), nullptr);
    EXPECT_EQ(m_poGeometry->GetFirstRenderMeshNode(), nullptr);
    EXPECT_EQ(m_poGraphics->GetDX8Shader("WorldShader"), nullptr);
    EXPECT_TRUE(Near(DrawSquare(), RED)) << m_oLog.All();
    EXPECT_NE(m_poGraphics->GetMesh(MeshName()), nullptr);
}

TEST_F(Dx8WorldTest, RenderTargetsShowTheSceneDrawnIntoThem)
{
    QIRN_RenderTarget oScene;
    oScene.m_strName = "Scene";
    oScene.m_strUpdateFunction = "Update1";
    oScene.m_dwWidth = 32;
    oScene.m_dwHeight = 32;
    oScene.m_eFormat = QIRN_FMT_X8R8G8B8;
    oScene.m_eZBufferFormat = QIRN_FMT_D24S8;
    QIRN_RenderTarget oTop = oScene;
    oTop.m_strName = "Top";
    oTop.m_strUpdateFunction = "Update2";
    ASSERT_EQ(m_poGraphics->CreateRenderTarget(&oScene), OK);
    ASSERT_EQ(m_poGraphics->CreateRenderTarget(&oTop), OK);
    LoadSquare();
    m_poGraphics->m_adwStatistics[5] = 0;

    const QIRN_Vector4 vBefore = m_poCamera->GetPosition();
    IDirect3DDevice8* pDevice = m_poGraphics->GetDevice();
    EXPECT_EQ(m_poGraphics->UpdateRenderTargets(m_poWorld.get(), m_poCamera), OK);
    // The top view put the camera back.
    EXPECT_FLOAT_EQ(m_poCamera->GetPosition().y, vBefore.y);
    EXPECT_FLOAT_EQ(m_poCamera->GetElevation(), 0.0f);

    // The target is sampled onto the whole back buffer.
    pDevice->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    QIRN_Texture_DX8* poTarget = m_poGraphics->GetTexture("Scene");
    ASSERT_NE(poTarget, nullptr);
    struct Vertex
    {
        float x, y, z, rhw, u, v;
    };
    const float W = static_cast<float>(WIDTH), H = static_cast<float>(HEIGHT);
    const Vertex aQuad[4] = {
        {0, 0, 0.5f, 1, 0, 0}, {W, 0, 0.5f, 1, 1, 0}, {0, H, 0.5f, 1, 0, 1}, {W, H, 0.5f, 1, 1, 1}};
    pDevice->BeginScene();
    pDevice->SetRenderState(D3DRS_ZENABLE, FALSE);
    pDevice->SetRenderState(D3DRS_LIGHTING, FALSE);
    pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    pDevice->SetPixelShader(0);
    pDevice->SetTexture(0, poTarget->m_pTexture);
    pDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    pDevice->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    pDevice->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_POINT);
    pDevice->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_POINT);
    pDevice->SetVertexShader(D3DFVF_XYZRHW | D3DFVF_TEX1);
    ASSERT_EQ(pDevice->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, aQuad, sizeof(Vertex)), D3D_OK);
    pDevice->EndScene();
    pDevice->SetTexture(0, nullptr);
    // The world shader's clear reached the target; the scene frame drew no overlay there.
    EXPECT_TRUE(Near(BackBufferPixel(2, 2), GREEN)) << std::hex << BackBufferPixel(2, 2);
}

TEST_F(Dx8WorldTest, TheSceneDrawsTheSkyBoxBehindTheMeshesAndTheLogoFixedToTheCamera)
{
    // A blue sky square 40 ahead that writes no depth, a red square 60 ahead behind it, and a small
    // green logo 5 ahead of the eye.
    qirn_test::WriteFile("sky.x", SquareFile(100.0f, 40.0f, "0.0;0.0;1.0;"));
    qirn_test::WriteFile("ship.x", SquareFile(20.0f, 0.0f, "1.0;0.0;0.0;"));
    qirn_test::WriteFile("badge.x", SquareFile(0.5f, 0.0f, "0.0;1.0;0.0;"));
    const std::string strPass =
        " NumPasses { 1 } Pass { Name { Base } FVF { 66 } LightingEnabled { 0 } CullMode { 0 }";
    qirn_test::WriteFile("scene.s", "qirn_shader_version2.0 {\n"
                                    " Shader { Name { Sky }" +
                                        strPass +
                                        " ZWriteEnabled { 0 } } }\n"
                                        " Shader { Name { Hull }" +
                                        strPass +
                                        " } }\n"
                                        " Shader { Name { Badge }" +
                                        strPass +
                                        " } }\n"
                                        "}\n");
    qirn_test::WriteFile(
        "scene.w", "qirn_world_version2.0 {\n"
                   " QIRN_CameraActor { Name { Eye } }\n"
                   " QIRN_SkyBoxActor { Name { Sky } ShaderAssignment { sky.Root.Square.Paint { Sky } }\n"
                   "  MeshFilename { sky.x } }\n"
                   " QIRN_MeshActor { Name { Ship } Position { 0 0 60 1 } FrustumCullingMode { 1 }\n"
                   "  ShaderAssignment { ship.Root.Square.Paint { Hull } } MeshFilename { ship.x } }\n"
                   " QIRN_LogoActor { Name { Badge } Position { 0 0 5 1 }\n"
                   "  ShaderAssignment { badge.Root.Square.Paint { Badge } } MeshFilename { badge.x } }\n"
                   "}\n");
    ASSERT_EQ(m_poWorld->Load("scene"), OK) << m_oLog.All();
    // Logos ask the engine's device for its view.
    m_oEngine.m_apoGraphics[0] = m_poGraphics.get();
    auto* poCamera = dynamic_cast<QIRN_CameraActor*>(m_poWorld->FindObject("Eye"));
    ASSERT_NE(poCamera, nullptr);
    auto Frame = [&](const std::string& strName)
    {
        for (const char* szName : {"Eye", "Sky", "Ship", "Badge"})
        {
            auto* poActor = dynamic_cast<QIRN_BaseActor*>(m_poWorld->FindObject(szName));
            EXPECT_NE(poActor, nullptr) << szName;
            if (poActor)
            {
                poActor->Update(0.0f);
            }
        }
        m_oEngine.SetScreenDumpFilename(strName.c_str());
        EXPECT_EQ(m_poGraphics->RenderFrame(m_poWorld.get(), poCamera, false), OK);
        return dx8_test::ReadBmp(strName);
    };
    dx8_test::Image oFront = Frame("front.bmp");
    ASSERT_TRUE(oFront.bRead) << m_oLog.All();
    EXPECT_TRUE(Near(oFront.At(WIDTH / 2, HEIGHT / 2), GREEN))
        << std::hex << oFront.At(WIDTH / 2, HEIGHT / 2);
    EXPECT_TRUE(Near(oFront.At(WIDTH / 2 + 8, HEIGHT / 2), RED))
        << std::hex << oFront.At(WIDTH / 2 + 8, HEIGHT / 2);
    EXPECT_TRUE(Near(oFront.At(2, 2), BLUE)) << std::hex << oFront.At(2, 2);

    // The eye moves aside: the ship leaves the view and is culled, the sky and the logo come along.
    poCamera->SetPosition(QIRN_Vector4(200.0f, 0.0f, 0.0f, 1.0f));
    m_poGraphics->m_adwStatistics[5] = 0;
    dx8_test::Image oAside = Frame("aside.bmp");
    ASSERT_TRUE(oAside.bRead);
    EXPECT_TRUE(Near(oAside.At(WIDTH / 2, HEIGHT / 2), GREEN))
        << std::hex << oAside.At(WIDTH / 2, HEIGHT / 2);
    EXPECT_TRUE(Near(oAside.At(WIDTH / 2 + 8, HEIGHT / 2), BLUE))
        << std::hex << oAside.At(WIDTH / 2 + 8, HEIGHT / 2);
    EXPECT_TRUE(Near(oAside.At(2, 2), BLUE));
    // Sky and logo: two static draws; the ship none.
    EXPECT_EQ(m_poGraphics->m_adwStatistics[5], 2u);
    m_oEngine.m_apoGraphics[0] = nullptr;
}

TEST_F(Dx8WorldTest, LipSyncActorsAreDrawnLikeMeshActors)
{
    qirn_test::WriteFile("head.x", SquareFile(20.0f, 0.0f, "1.0;0.0;0.0;"));
    qirn_test::WriteFile("scene.s", "qirn_shader_version2.0 {\n"
                                    " Shader { Name { Skin } NumPasses { 1 } Pass { Name { Base } FVF { 66 }"
                                    " LightingEnabled { 0 } CullMode { 0 } } }\n"
                                    "}\n");
    qirn_test::WriteFile("scene.w",
                         "qirn_world_version2.0 {\n"
                         " QIRN_CameraActor { Name { Eye } }\n"
                         " QIRN_LipSyncActor { Name { Head } Position { 0 0 60 1 }\n"
                         "  ShaderAssignment { head.Root.Square.Paint { Skin } } MeshFilename { head.x } }\n"
                         "}\n");
    ASSERT_EQ(m_poWorld->Load("scene"), OK) << m_oLog.All();
    auto* poCamera = dynamic_cast<QIRN_CameraActor*>(m_poWorld->FindObject("Eye"));
    ASSERT_NE(poCamera, nullptr);
    for (const char* szName : {"Eye", "Head"})
    {
        auto* poActor = dynamic_cast<QIRN_BaseActor*>(m_poWorld->FindObject(szName));
        ASSERT_NE(poActor, nullptr) << szName;
        poActor->Update(0.0f);
    }
    m_oEngine.SetScreenDumpFilename("head.bmp");
    ASSERT_EQ(m_poGraphics->RenderFrame(m_poWorld.get(), poCamera, false), OK);
    dx8_test::Image oFrame = dx8_test::ReadBmp("head.bmp");
    ASSERT_TRUE(oFrame.bRead) << m_oLog.All();
    EXPECT_TRUE(Near(oFrame.At(WIDTH / 2, HEIGHT / 2), RED)) << std::hex << oFrame.At(WIDTH / 2, HEIGHT / 2);
}

TEST_F(Dx8WorldTest, PlugInActorsAreUpdatedDrawnAndLetGo)
{
    // The sample plug-in beside the test program: an orange square of 8 pixels at (40, 30), drawn
    // pixel by pixel into a back buffer that, as the client's, cannot be locked.
    qirn_test::WriteFile("scene.w",
                         "qirn_world_version2.0 {\n"
                         " QIRN_CameraActor { Name { Eye } }\n"
                         " QIRN_CustomActor { Name { Marker } DLLFilename { qirn_sampleactor.dll }\n"
                         "  Arg { 40 } Arg { 30 } Arg { 8 } Arg { 255 } Arg { 128 } Arg { 0 } }\n"
                         "}\n");
    ASSERT_EQ(m_poWorld->Load("scene"), OK) << m_oLog.All();
    HMODULE hSample = GetModuleHandleA("qirn_sampleactor.dll");
    ASSERT_NE(hSample, nullptr);
    auto pfnStats = reinterpret_cast<QIRN_GetSampleActorStatsFunction>(
        reinterpret_cast<void*>(GetProcAddress(hSample, QIRN_SAMPLE_STATS_EXPORT)));
    ASSERT_NE(pfnStats, nullptr);
    auto* poCamera = dynamic_cast<QIRN_CameraActor*>(m_poWorld->FindObject("Eye"));
    ASSERT_NE(poCamera, nullptr);
    poCamera->Update(0.0f);
    m_oEngine.SetScreenDumpFilename("marker.bmp");
    ASSERT_EQ(m_poGraphics->RenderFrame(m_poWorld.get(), poCamera, false), OK);
    dx8_test::Image oFrame = dx8_test::ReadBmp("marker.bmp");
    ASSERT_TRUE(oFrame.bRead);
    EXPECT_TRUE(Near(oFrame.At(40, 30), 0xFF8000)) << std::hex << oFrame.At(40, 30);
    EXPECT_TRUE(Near(oFrame.At(47, 37), 0xFF8000));
    EXPECT_FALSE(Near(oFrame.At(48, 38), 0xFF8000));
    EXPECT_FALSE(m_oLog.Contains("DrawPixel"));
    QIRN_SampleActorStats oStats = {};
    pfnStats(&oStats);
    EXPECT_EQ(oStats.iInitialized, 1);
    EXPECT_GE(oStats.iUpdated, 1);
    EXPECT_GE(oStats.iRendered, 1);
    EXPECT_EQ(oStats.iDestroyed, 0);
    // Releasing the device's resources lets the plug-in go.
    m_poGraphics->ReleaseResources();
    pfnStats(&oStats);
    EXPECT_EQ(oStats.iDestroyed, 1);
}
