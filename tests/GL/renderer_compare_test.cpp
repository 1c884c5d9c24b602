// One small world drawn by both renderers: the Direct3D 8 frame read back from its screen dump, the
// OpenGL frame with glReadPixels, and the colours at the centres of their flat regions compared.
#include "dx8_test_support.h"
#include "gl_test_support.h"
#include "qirn_bitmap.h"
#include "qirn_cameraactor.h"
#include "qirn_engineparams.h"
#include "qirn_world.h"

#include <gtest/gtest.h>

#include <iomanip>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace
{
// Both frames are this many pixels square, so both projections have an aspect of 1.
const int SIZE = 96;

// Per channel, in levels of 255: what two rasterisers may differ by on a flat region (rounding of
// the lighting and of the texture combining), far below any difference between the regions.
const int TOLERANCE = 3;

const char* const WINDOW_CLASS = "QIRN_CompareWindow";

// A square of half-side h around (x, y) at depth z, facing the eye at the origin: wound clockwise
// as the eye sees it, as .x files wind front faces, so that the engine's default cull mode keeps
// it. In one vertex colour (red, green, blue floats), with texture coordinates 0 to 1.
std::string SquareFile(float x, float y, float z, float h, const std::string& strColor)
{
    std::ostringstream s;
    s << std::fixed << std::setprecision(3);
    s << "xof 0302txt 0032\n"
         "Frame Root {\n"
         " FrameTransformMatrix { 1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, 0.0,0.0,0.0,1.0;; }\n"
         " Mesh Square {\n  4; "
      << x - h << ";" << y - h << ";" << z << ";, " << x + h << ";" << y - h << ";" << z << ";, " << x + h
      << ";" << y + h << ";" << z << ";, " << x - h << ";" << y + h << ";" << z
      << ";;\n"
         "  2; 3; 0,2,1;, 3; 0,3,2;;\n"
         "  MeshNormals { 4; 0.0;0.0;-1.0;, 0.0;0.0;-1.0;, 0.0;0.0;-1.0;, 0.0;0.0;-1.0;; 2; 3; 0,2,1;, 3; "
         "0,3,2;; }\n"
         "  MeshTextureCoords { 4; 0.0;1.0;, 1.0;1.0;, 1.0;0.0;, 0.0;0.0;; }\n"
         "  MeshVertexColors { 4; 0; "
      << strColor << "1.0;;, 1; " << strColor << "1.0;;, 2; " << strColor << "1.0;;, 3; " << strColor
      << "1.0;;; }\n"
         "  MeshMaterialList { 1; 2; 0, 0;; Material Paint { 1.0;1.0;1.0;1.0;; 4.0; 0.0;0.0;0.0;; "
         "0.0;0.0;0.0;; } }\n"
         " }\n"
         "}\n";
    return s.str();
}

// A square of half-side 2 around (7, -4, 10), wound as above, skinned to one bone, which the file's
// animation moves from where it stands to 6 units left over one second: half-way, the square is
// around (4, -4, 10). The OpenGL renderer culls the back faces of skins whatever the pass says.
const char* const FIN_X =
    "xof 0302txt 0032\n"
    "template XSkinMeshHeader {\n <3CF169CE-FF7C-44ab-93C0-F78F62D172E2>\n"
    " WORD nMaxSkinWeightsPerVertex;\n WORD nMaxSkinWeightsPerFace;\n WORD nBones;\n}\n"
    "template SkinWeights {\n <6F0D123B-BAD2-4167-A0D0-80224F25FABB>\n"
    " STRING transformNodeName;\n DWORD nWeights;\n array DWORD vertexIndices[nWeights];\n"
    " array FLOAT weights[nWeights];\n Matrix4x4 matrixOffset;\n}\n"
    "Frame Root {\n"
    " FrameTransformMatrix { 1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, 0.0,0.0,0.0,1.0;; }\n"
    " Mesh Skin {\n"
    "  4; 5.0;-6.0;10.0;, 9.0;-6.0;10.0;, 9.0;-2.0;10.0;, 5.0;-2.0;10.0;;\n"
    "  2; 3; 0,2,1;, 3; 0,3,2;;\n"
    "  MeshNormals { 4; 0.0;0.0;-1.0;, 0.0;0.0;-1.0;, 0.0;0.0;-1.0;, 0.0;0.0;-1.0;; 2; 3; 0,2,1;, 3; "
    "0,3,2;; }\n"
    "  MeshVertexColors { 4; 0; 1.0;0.5;0.0;1.0;;, 1; 1.0;0.5;0.0;1.0;;, 2; 1.0;0.5;0.0;1.0;;, "
    "3; 1.0;0.5;0.0;1.0;;; }\n"
    "  MeshMaterialList { 1; 2; 0, 0;; Material Paint { 1.0;1.0;1.0;1.0;; 4.0; 0.0;0.0;0.0;; "
    "0.0;0.0;0.0;; } }\n"
    "  XSkinMeshHeader { 1; 1; 1; }\n"
    "  SkinWeights { \"Bone\"; 4; 0, 1, 2, 3; 1.0, 1.0, 1.0, 1.0;\n"
    "   1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, 0.0,0.0,0.0,1.0;; }\n"
    " }\n"
    " Frame Bone { FrameTransformMatrix { 1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, "
    "0.0,0.0,0.0,1.0;; } }\n"
    "}\n"
    "AnimationSet Swim {\n"
    " Animation { { Bone } AnimationKey { 2; 2; 0; 3; 0.0,0.0,0.0;;, 1000; 3; -6.0,0.0,0.0;;; } }\n"
    "}\n";

// Unlit passes draw the vertex colours. The lit pass takes its colour from the material alone
// (ColorVertex 0): Direct3D 8 would otherwise light the white vertex colour, which fixed-function
// OpenGL never tracks. Its material has no ambient or specular part, so only the directional light
// counts. The textured pass selects the first texture and modulates it by the second.
const char* const SCENE_S =
    "qirn_shader_version2.0 {\n"
    " Shader { Name { Flat } NumPasses { 1 } Pass { Name { Base } FVF { 66 } LightingEnabled { 0 } } }\n"
    " Shader { Name { Lit } NumPasses { 1 } Pass { Name { Base } FVF { 82 } LightingEnabled { 1 }\n"
    "  ColorVertex { 0 } Material { Diffuse { 0.2 0.8 0.4 1.0 } Ambient { 0 0 0 0 } Specular { 0 0 0 0 }\n"
    "  Emissive { 0 0 0 0 } Power { 0 } } } }\n"
    " Shader { Name { Tiles } NumPasses { 1 } Pass { Name { Base } FVF { 322 } LightingEnabled { 0 }\n"
    "  NumLayers { 2 }\n"
    "  Layer { Stage { 0 } TextureFileName { sand.tga } TextureFormat { 21 } TextureType { 2 }\n"
    "   NumMipmapLevels { 1 } MINFILTER { 1 } MAGFILTER { 1 } MIPFILTER { 0 }\n"
    "   COLOROP { 1 } COLORARG1 { 5 } ALPHAOP { 1 } ALPHAARG1 { 5 } }\n"
    "  Layer { Stage { 1 } TextureFileName { weed.tga } TextureFormat { 21 } TextureType { 2 }\n"
    "   NumMipmapLevels { 1 } MINFILTER { 1 } MAGFILTER { 1 } MIPFILTER { 0 }\n"
    "   COLOROP { 3 } COLORARG1 { 5 } COLORARG2 { 0 } ALPHAOP { 1 } ALPHAARG1 { 0 } } } }\n"
    " Shader { Name { Skin } NumPasses { 1 } Pass { Name { Base } FVF { 66 } LightingEnabled { 0 } } }\n"
    " Shader { Name { Badge } NumPasses { 1 } Pass { Name { Base } FVF { 66 } LightingEnabled { 0 } } }\n"
    "}\n";

// The eye at the origin looks along +z; the sun shines down and away from it at 60 degrees to the
// squares' normal, so the lit square shows half its material's diffuse colour. The moon is switched
// off and lights nothing. The fin is posed half-way through its animation; the badge is a logo 8
// ahead of the eye.
const char* const SCENE_W =
    "qirn_world_version2.0 {\n"
    " QIRN_CameraActor { Name { Eye } }\n"
    " QIRN_LightActor { Name { Sun } Type { 3 } Diffuse { 255 255 255 255 } Specular { 0 0 0 0 }\n"
    "  Ambient { 0 0 0 0 } Direction { 0.0 -0.866025 0.5 0.0 } }\n"
    " QIRN_LightActor { Name { Moon } Active { 0 } Type { 3 } Diffuse { 255 255 255 255 }\n"
    "  Specular { 0 0 0 0 } Ambient { 255 255 255 255 } Direction { 0 0 1 0 } }\n"
    " QIRN_MeshActor { Name { Flat } ShaderAssignment { flat.Root.Square.Paint { Flat } }\n"
    "  MeshFilename { flat.x } }\n"
    " QIRN_MeshActor { Name { Lit } ShaderAssignment { lit.Root.Square.Paint { Lit } }\n"
    "  MeshFilename { lit.x } }\n"
    " QIRN_MeshActor { Name { Tiles } ShaderAssignment { tiles.Root.Square.Paint { Tiles } }\n"
    "  MeshFilename { tiles.x } }\n"
    " QIRN_MeshActor { Name { Fin } AnimationOffset { 0.5 } ShaderAssignment { fin.Root.Skin.Paint { Skin } "
    "}\n"
    "  MeshFilename { fin.x } }\n"
    " QIRN_LogoActor { Name { Badge } Position { 0 0 8 1 }\n"
    "  ShaderAssignment { badge.Root.Square.Paint { Badge } } MeshFilename { badge.x } }\n"
    "}\n";

// A one-colour 4 x 4 image file of 32 bits (red, green, blue, alpha).
void WriteImage(const std::string& strName, uint8_t r, uint8_t g, uint8_t b)
{
    std::vector<uint8_t> vTexels;
    for (int i = 0; i < 16; ++i)
    {
        vTexels.insert(vTexels.end(), {r, g, b, 255});
    }
    ASSERT_EQ(SaveRGBAToTGA(vTexels.data(), strName, 4, 4, 32), OK);
}

struct Probe
{
    const char* szWhat;
    // Normalised device coordinates, y up.
    float x, y;
    uint32_t dwExpected;
};

// At the centres of the flat regions. Modulating (200, 160, 80) by (128, 255, 64) gives
// (100, 160, 20); half of the material (0.2, 0.8, 0.4) is (26, 102, 51).
const Probe PROBES[] = {
    {"clear colour", 0.0f, 0.8f, 0x3F99B4}, {"unlit square", -0.4f, 0.4f, 0xCC3333},
    {"lit square", 0.4f, 0.4f, 0x1A6633},   {"two texture layers", -0.4f, -0.4f, 0x64A014},
    {"posed skin", 0.4f, -0.4f, 0xFF8000},  {"where the skin stood", 0.8f, -0.4f, 0x3F99B4},
    {"logo", 0.0f, 0.0f, 0x00FF00},
};

std::vector<Probe> AllProbes()
{
    return std::vector<Probe>(std::begin(PROBES), std::end(PROBES));
}

int PixelX(float x)
{
    return static_cast<int>((x + 1.0f) * 0.5f * SIZE);
}

// Rows counted from the top.
int PixelRow(float y)
{
    return static_cast<int>((1.0f - y) * 0.5f * SIZE);
}

// A window of its own whose client area is SIZE x SIZE, an engine on it, and the world loaded for
// that engine. Each renderer gets its own: a window takes one pixel format for its whole life.
class Side
{
public:
    explicit Side(const char* szTitle)
    {
        WNDCLASSA wc = {};
        wc.style = CS_OWNDC;
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = WINDOW_CLASS;
        RegisterClassA(&wc);
        RECT rc = {0, 0, SIZE, SIZE};
        AdjustWindowRect(&rc, WS_OVERLAPPEDWINDOW, FALSE);
        m_hWnd = CreateWindowA(WINDOW_CLASS, szTitle, WS_OVERLAPPEDWINDOW, 0, 0, rc.right - rc.left,
                               rc.bottom - rc.top, nullptr, nullptr, wc.hInstance, nullptr);
        if (m_hWnd)
        {
            ShowWindow(m_hWnd, SW_SHOWNOACTIVATE);
        }
    }
    ~Side()
    {
        m_oEngine.m_apoGraphics[0] = nullptr;
        if (m_poGraphics)
        {
            m_poGraphics->ReleaseResources();
        }
        m_oEngine.m_poWorld = nullptr;
        m_poWorld.reset();
        m_poGraphics.reset();
        if (m_oEngine.m_hDC)
        {
            ReleaseDC(m_hWnd, m_oEngine.m_hDC);
            m_oEngine.m_hDC = nullptr;
        }
        if (m_hWnd)
        {
            DestroyWindow(m_hWnd);
        }
    }
    Side(const Side&) = delete;
    Side& operator=(const Side&) = delete;

    // The engine on the window, then the renderer brought up windowed on it (one back buffer, depth
    // and stencil); false with the reason in the test's failures when any step fails.
    bool BringUp(const std::string& strIniFile, int32_t iAPI)
    {
        if (!m_hWnd)
        {
            ADD_FAILURE() << "no window";
            return false;
        }
        QIRN_EngineParams oEngineParams;
        oEngineParams.m_strIniFile = strIniFile;
        oEngineParams.m_hWnd = m_hWnd;
        if (m_oEngine.Initialize(oEngineParams) != OK)
        {
            ADD_FAILURE() << "engine";
            return false;
        }
        if (iAPI == QIRN_GRAPHICS_DX8)
        {
            m_poGraphics = std::make_unique<QIRN_Graphics_DX8>(&m_oEngine);
        }
        else
        {
            m_poGraphics = std::make_unique<QIRN_Graphics_GL>();
            m_poGraphics->m_pEngine = &m_oEngine;
        }
        QIRN_DeviceInfo* poInfo = nullptr;
        QIRN_GraphicsParams oParams;
        oParams.m_iAPI = iAPI;
        oParams.m_iWidth = SIZE;
        oParams.m_iHeight = SIZE;
        oParams.m_iBackBufferFormat = QIRN_FMT_X8R8G8B8;
        oParams.m_iBackBufferCount = 1;
        oParams.m_iDepthStencilFormat = QIRN_FMT_D24S8;
        oParams.m_iDeviceType = 1;
        oParams.m_dwVertexProcessing = D3DCREATE_HARDWARE_VERTEXPROCESSING;
        oParams.m_bWindowed = true;
        oParams.m_bZBuffer = true;
        oParams.m_bStencil = true;
        if (m_poGraphics->GetGraphicsDeviceInfo(0, &poInfo) != OK ||
            m_poGraphics->SetRenderingParams(&oParams, m_hWnd) != OK)
        {
            ADD_FAILURE() << "renderer " << iAPI;
            return false;
        }
        return true;
    }

    // The world of the files in the working folder, updated once at time 0; the logo reads its
    // placement from the engine's first device.
    QIRN_CameraActor* LoadWorld()
    {
        m_poWorld = std::make_unique<QIRN_World>(&m_oEngine);
        m_oEngine.m_poWorld = m_poWorld.get();
        if (m_poWorld->InitWorld() != OK || m_poWorld->Load("scene") != OK)
        {
            ADD_FAILURE() << "world";
            return nullptr;
        }
        m_oEngine.m_apoGraphics[0] = m_poGraphics.get();
        m_poWorld->UpdateWorld(0.0f);
        return dynamic_cast<QIRN_CameraActor*>(m_poWorld->FindObject("Eye"));
    }

    HWND m_hWnd = nullptr;
    QIRN_Engine m_oEngine;
    std::unique_ptr<QIRN_Graphics> m_poGraphics;
    std::unique_ptr<QIRN_World> m_poWorld;
};

class RendererCompareTest : public testing::Test
{
protected:
    void SetUp() override
    {
        qirn_test::WriteFile("test.ini", "");
        qirn_test::WriteFile("flat.x", SquareFile(-4.0f, 4.0f, 10.0f, 2.5f, "0.8;0.2;0.2;"));
        qirn_test::WriteFile("lit.x", SquareFile(4.0f, 4.0f, 10.0f, 2.5f, "1.0;1.0;1.0;"));
        qirn_test::WriteFile("tiles.x", SquareFile(-4.0f, -4.0f, 10.0f, 2.5f, "1.0;1.0;1.0;"));
        qirn_test::WriteFile("badge.x", SquareFile(0.0f, 0.0f, 0.0f, 0.5f, "0.0;1.0;0.0;"));
        qirn_test::WriteFile("fin.x", FIN_X);
        qirn_test::WriteFile("scene.s", SCENE_S);
        qirn_test::WriteFile("scene.w", SCENE_W);
        WriteImage("sand.tga", 200, 160, 80);
        WriteImage("weed.tga", 128, 255, 64);
    }

    std::string IniFile() const { return m_oDir.Path() + "\\test.ini"; }

    // The probes' colours in a Direct3D 8 frame, read from its screen dump.
    static std::vector<uint32_t> DrawThroughDirect3D8(Side& roSide, QIRN_CameraActor* poCamera,
                                                      const std::vector<Probe>& rvProbes = AllProbes())
    {
        std::vector<uint32_t> vColors;
        roSide.m_oEngine.SetScreenDumpFilename("direct3d8.bmp");
        EXPECT_EQ(roSide.m_poGraphics->RenderFrame(roSide.m_poWorld.get(), poCamera, false), OK);
        const dx8_test::Image oImage = dx8_test::ReadBmp("direct3d8.bmp");
        EXPECT_TRUE(oImage.bRead);
        EXPECT_EQ(oImage.iWidth, SIZE);
        EXPECT_EQ(oImage.iHeight, SIZE);
        if (oImage.bRead && oImage.iWidth == SIZE && oImage.iHeight == SIZE)
        {
            for (const Probe& p : rvProbes)
            {
                vColors.push_back(oImage.At(PixelX(p.x), PixelRow(p.y)));
            }
        }
        return vColors;
    }

    // The probes' colours in an OpenGL frame: the world pass read back before any swap, since a
    // window's shown buffer does not read back here.
    static std::vector<uint32_t> DrawThroughOpenGL(Side& roSide, QIRN_CameraActor* poCamera,
                                                   const std::vector<Probe>& rvProbes = AllProbes())
    {
        std::vector<uint32_t> vColors;
        EXPECT_EQ(roSide.m_poGraphics->RenderWorld(roSide.m_poWorld.get(), poCamera, 0, false), OK);
        for (const Probe& p : rvProbes)
        {
            vColors.push_back(gl_test::ReadPixel(PixelX(p.x), SIZE - 1 - PixelRow(p.y), GL_BACK));
        }
        return vColors;
    }

    qirn_test::ScopedTempDir m_oDir;
    qirn_test::LogCapture m_oLog;
};
} // namespace

TEST_F(RendererCompareTest, BothRenderersShowTheSameColoursAtTheProbes)
{
    // Both devices live at once, as the engine may keep two: the OpenGL one is made first, so the
    // Direct3D 8 one starts and draws while the OpenGL context is already current.
    Side oOpenGL("opengl");
    Side oDirect3D8("direct3d 8");
    ASSERT_TRUE(oOpenGL.BringUp(IniFile(), QIRN_GRAPHICS_OPENGL)) << m_oLog.All();
    ASSERT_TRUE(oDirect3D8.BringUp(IniFile(), QIRN_GRAPHICS_DX8)) << m_oLog.All();
    QIRN_CameraActor* poGLCamera = oOpenGL.LoadWorld();
    QIRN_CameraActor* poDX8Camera = oDirect3D8.LoadWorld();
    ASSERT_NE(poGLCamera, nullptr) << m_oLog.All();
    ASSERT_NE(poDX8Camera, nullptr) << m_oLog.All();
    const std::vector<uint32_t> vDirect3D8 = DrawThroughDirect3D8(oDirect3D8, poDX8Camera);
    const std::vector<uint32_t> vOpenGL = DrawThroughOpenGL(oOpenGL, poGLCamera);
    const size_t nProbes = sizeof(PROBES) / sizeof(PROBES[0]);
    ASSERT_EQ(vDirect3D8.size(), nProbes) << m_oLog.All();
    ASSERT_EQ(vOpenGL.size(), nProbes) << m_oLog.All();
    for (size_t i = 0; i < nProbes; ++i)
    {
        const Probe& p = PROBES[i];
        EXPECT_TRUE(gl_test::Near(vDirect3D8[i], p.dwExpected, TOLERANCE))
            << p.szWhat << ": Direct3D 8 shows " << std::hex << vDirect3D8[i] << ", expected "
            << p.dwExpected;
        EXPECT_TRUE(gl_test::Near(vOpenGL[i], p.dwExpected, TOLERANCE))
            << p.szWhat << ": OpenGL shows " << std::hex << vOpenGL[i] << ", expected " << p.dwExpected;
        EXPECT_TRUE(gl_test::Near(vDirect3D8[i], vOpenGL[i], TOLERANCE))
            << p.szWhat << ": Direct3D 8 " << std::hex << vDirect3D8[i] << ", OpenGL " << vOpenGL[i];
    }
}

namespace
{
// Exporters put the bones in a tree of their own and the skinned mesh in a frame that is moved
// (here 8 units left). The skin follows its bone alone, which stands still: the square stays around
// (4, -4, 10) in both renderers, and nothing is drawn where the carrying frame would put it.
const char* const CARRIED_X =
    "xof 0302txt 0032\n"
    "Frame Bones { Frame Bone { FrameTransformMatrix { 1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, "
    "0.0,0.0,0.0,1.0;; } } }\n"
    "Frame Root {\n"
    " FrameTransformMatrix { 1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, -8.0,0.0,0.0,1.0;; }\n"
    " Mesh Skin {\n"
    "  4; 2.0;-6.0;10.0;, 6.0;-6.0;10.0;, 6.0;-2.0;10.0;, 2.0;-2.0;10.0;;\n"
    "  2; 3; 0,2,1;, 3; 0,3,2;;\n"
    "  MeshNormals { 4; 0.0;0.0;-1.0;, 0.0;0.0;-1.0;, 0.0;0.0;-1.0;, 0.0;0.0;-1.0;; 2; 3; 0,2,1;, 3; "
    "0,3,2;; }\n"
    "  MeshVertexColors { 4; 0; 1.0;0.5;0.0;1.0;;, 1; 1.0;0.5;0.0;1.0;;, 2; 1.0;0.5;0.0;1.0;;, "
    "3; 1.0;0.5;0.0;1.0;;; }\n"
    "  MeshMaterialList { 1; 2; 0, 0;; Material Paint { 1.0;1.0;1.0;1.0;; 4.0; 0.0;0.0;0.0;; "
    "0.0;0.0;0.0;; } }\n"
    "  XSkinMeshHeader { 1; 1; 1; }\n"
    "  SkinWeights { \"Bone\"; 4; 0, 1, 2, 3; 1.0, 1.0, 1.0, 1.0;\n"
    "   1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, 0.0,0.0,0.0,1.0;; }\n"
    " }\n"
    "}\n";

const char* const CARRIED_W =
    "qirn_world_version2.0 {\n"
    " QIRN_CameraActor { Name { Eye } }\n"
    " QIRN_MeshActor { Name { Carried } ShaderAssignment { carried.Root.Skin.Paint { Skin } }\n"
    "  MeshFilename { carried.x } }\n"
    "}\n";
} // namespace

TEST_F(RendererCompareTest, ASkinIsDrawnWhereItsBonesPutItWhateverFrameCarriesIt)
{
    qirn_test::WriteFile("carried.x", CARRIED_X);
    qirn_test::WriteFile("scene.w", CARRIED_W);
    const std::vector<Probe> vProbes = {
        {"skin where its bone puts it", 0.4f, -0.4f, 0xFF8000},
        {"where the carrying frame would put it", -0.4f, -0.4f, 0x3F99B4},
    };
    Side oOpenGL("opengl");
    Side oDirect3D8("direct3d 8");
    ASSERT_TRUE(oOpenGL.BringUp(IniFile(), QIRN_GRAPHICS_OPENGL)) << m_oLog.All();
    ASSERT_TRUE(oDirect3D8.BringUp(IniFile(), QIRN_GRAPHICS_DX8)) << m_oLog.All();
    QIRN_CameraActor* poGLCamera = oOpenGL.LoadWorld();
    QIRN_CameraActor* poDX8Camera = oDirect3D8.LoadWorld();
    ASSERT_NE(poGLCamera, nullptr) << m_oLog.All();
    ASSERT_NE(poDX8Camera, nullptr) << m_oLog.All();
    const std::vector<uint32_t> vDirect3D8 = DrawThroughDirect3D8(oDirect3D8, poDX8Camera, vProbes);
    const std::vector<uint32_t> vOpenGL = DrawThroughOpenGL(oOpenGL, poGLCamera, vProbes);
    ASSERT_EQ(vDirect3D8.size(), vProbes.size()) << m_oLog.All();
    ASSERT_EQ(vOpenGL.size(), vProbes.size()) << m_oLog.All();
    for (size_t i = 0; i < vProbes.size(); ++i)
    {
        const Probe& p = vProbes[i];
        EXPECT_TRUE(gl_test::Near(vDirect3D8[i], p.dwExpected, TOLERANCE))
            << p.szWhat << ": Direct3D 8 shows " << std::hex << vDirect3D8[i] << ", expected " << p.dwExpected;
        EXPECT_TRUE(gl_test::Near(vOpenGL[i], p.dwExpected, TOLERANCE))
            << p.szWhat << ": OpenGL shows " << std::hex << vOpenGL[i] << ", expected " << p.dwExpected;
    }
}

namespace
{
// The frames' side, named apart from the system's SIZE record.
const int FRAME_SIDE = SIZE;

// The first block of a class in a world file's text, from its class name to its closing brace.
std::string ObjectBlock(const std::string& strWorld, const std::string& strClass)
{
    size_t nStart = strWorld.find(strClass);
    size_t nOpen = nStart == std::string::npos ? nStart : strWorld.find('{', nStart);
    int iDepth = 0;
    for (size_t i = nOpen; i < strWorld.size(); ++i)
    {
        iDepth += strWorld[i] == '{' ? 1 : strWorld[i] == '}' ? -1 : 0;
        if (iDepth == 0)
        {
            return strWorld.substr(nStart, i + 1 - nStart);
        }
    }
    return std::string();
}

// Starred log lines other than the reports that loading and drawing the heads always give: the
// viseme loader's, the face-model importer's, the OpenGL renderer's on its first multitexture draw,
// and the Direct3D 8 renderer's note that a shader names no vertex format and gets the mesh's own
// (as the shaders made from a model's materials never do, nor those of the face-model importer).
std::vector<std::string> FailureLines(const std::string& strLog)
{
    std::vector<std::string> vLines;
    std::istringstream oLines(strLog);
    for (std::string strLine; std::getline(oLines, strLine);)
    {
        bool bStarred = strLine.find("***") != std::string::npos || strLine.find("FAILED") != std::string::npos;
        if (bStarred && strLine.find("LoadVisemes(): Loading visemes!") == std::string::npos &&
            strLine.find("LoadVisemes(): Finished loading visemes!") == std::string::npos &&
            strLine.find("*** QIRN_DMK::") == std::string::npos &&
            strLine.find("glActiveTexture()") == std::string::npos &&
            strLine.find("Warning, found a shader with FVF == 0") == std::string::npos)
        {
            vLines.push_back(strLine);
        }
    }
    return vLines;
}
} // namespace

// The scene's own talking heads, from the built Data tree with the shipped world file's blocks, seen
// as the scene's head camera sees them: both renderers load and draw them without a failure line.
// The diver (a lip-sync actor, on the left) shows through both; the dweller (a face-model actor, on
// the right) through Direct3D 8, the only renderer that draws face models.
TEST_F(RendererCompareTest, BothRenderersDrawTheScenesTalkingHeads)
{
    const std::string strData = QIRN_TEST_SCENE_DATA;
    qirn_test::WriteFile("test.ini", "[PATHS]\nSystemPath=" + strData + "\\_System_\nMeshPath=" + strData +
                                         "\\Models\nSoundPath=" + strData + "\\Sounds\n");
    const std::string strShipped = qirn_test::ReadFile(std::string(QIRN_TEST_SCENE_SOURCES) + "\\AmbrevoFull.w");
    const std::string strDiver = ObjectBlock(strShipped, "QIRN_LipSyncActor");
    const std::string strDweller = ObjectBlock(strShipped, "QIRN_DigiMaskActor");
    ASSERT_NE(strDiver.find("Head01_Diver"), std::string::npos);
    ASSERT_NE(strDweller.find("Head02_Dweller"), std::string::npos);
    qirn_test::WriteFile("scene.s", "qirn_shader_version2.0 {\n Shader { Name { WorldShader } NumPasses { 1 }\n"
                                    "  Pass { ClearColor { 1 } ColorClearValue { 63 153 180 255 } ClearZ { 1 }\n"
                                    "   ZClearValue { 1.0 } } }\n}\n");
    qirn_test::WriteFile("scene.w", "qirn_world_version2.0 {\n"
                                    " QIRN_CameraActor { Name { Eye } Position { 301 6 -372 1 }\n"
                                    "  PrimaryOrientationMode { 2 } LookAt { 301 2 -300 1 } FOV { 60 } Near { 1 }\n"
                                    "  Far { 5000 } }\n"
                                    " QIRN_LightActor { Name { Sun } Type { 3 } Diffuse { 255 255 255 255 }\n"
                                    "  Ambient { 80 80 80 255 } Direction { 0.2 -0.5 1.0 0.0 } }\n" +
                                        strDiver + "\n" + strDweller + "\n}\n");

    Side oOpenGL("opengl");
    Side oDirect3D8("direct3d 8");
    ASSERT_TRUE(oOpenGL.BringUp(IniFile(), QIRN_GRAPHICS_OPENGL)) << m_oLog.All();
    ASSERT_TRUE(oDirect3D8.BringUp(IniFile(), QIRN_GRAPHICS_DX8)) << m_oLog.All();
    // From here on, what the log gets is the heads' doing.
    m_oLog.Clear();
    QIRN_CameraActor* poGLCamera = oOpenGL.LoadWorld();
    QIRN_CameraActor* poDX8Camera = oDirect3D8.LoadWorld();
    ASSERT_NE(poGLCamera, nullptr) << m_oLog.All();
    ASSERT_NE(poDX8Camera, nullptr) << m_oLog.All();
    for (QIRN_World* poWorld : {oOpenGL.m_poWorld.get(), oDirect3D8.m_poWorld.get()})
    {
        EXPECT_NE(poWorld->FindObject("Head01_Diver"), nullptr);
        EXPECT_NE(poWorld->FindObject("Head02_Dweller"), nullptr);
    }

    // Pixels off the clear colour in the left and the right half, on a grid of every fourth pixel.
    const uint32_t dwClear = 0x3F99B4;
    int aiDirect3D8[2] = {0, 0};
    int aiOpenGL[2] = {0, 0};
    oDirect3D8.m_oEngine.SetScreenDumpFilename("heads.bmp");
    EXPECT_EQ(oDirect3D8.m_poGraphics->RenderFrame(oDirect3D8.m_poWorld.get(), poDX8Camera, false), OK);
    const dx8_test::Image oImage = dx8_test::ReadBmp("heads.bmp");
    ASSERT_TRUE(oImage.bRead);
    EXPECT_EQ(oOpenGL.m_poGraphics->RenderWorld(oOpenGL.m_poWorld.get(), poGLCamera, 0, false), OK);
    for (int y = 0; y < FRAME_SIDE; y += 4)
    {
        for (int x = 0; x < FRAME_SIDE; x += 4)
        {
            aiDirect3D8[x < FRAME_SIDE / 2 ? 0 : 1] += gl_test::Near(oImage.At(x, y), dwClear, TOLERANCE) ? 0 : 1;
            aiOpenGL[x < FRAME_SIDE / 2 ? 0 : 1] +=
                gl_test::Near(gl_test::ReadPixel(x, FRAME_SIDE - 1 - y, GL_BACK), dwClear, TOLERANCE) ? 0 : 1;
        }
    }
    // A head covers a good part of its half of the frame (a half has 288 grid points).
    EXPECT_GT(aiDirect3D8[0], 20);
    EXPECT_GT(aiDirect3D8[1], 20);
    EXPECT_GT(aiOpenGL[0], 20);
    EXPECT_EQ(aiOpenGL[1], 0);
    EXPECT_EQ(FailureLines(m_oLog.All()), std::vector<std::string>()) << m_oLog.All();
}
