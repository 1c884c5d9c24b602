#include "benchhost.h"
#include "benchwindow.h"
#include "dx8framerecorder.h"
#include "dx8framereplay.h"

#include "qirn_engine.h"
#include "qirn_engineparams.h"
#include "qirn_test_support.h"

#include <gtest/gtest.h>

#include <d3d8.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace
{
const uint32_t WIDTH = 64;
const uint32_t HEIGHT = 48;

// A vertex already in screen space, with its colour and texture coordinates.
struct Vertex
{
    float x, y, z, rhw;
    DWORD dwColour;
    float u, v;
};
const DWORD VERTEX_FVF = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

// The back buffer as 0xRRGGBB pixels, read through a copy in an image surface.
std::vector<uint32_t> BackBuffer(IDirect3DDevice8* pDevice)
{
    std::vector<uint32_t> v;
    IDirect3DSurface8* pBack = nullptr;
    IDirect3DSurface8* pCopy = nullptr;
    D3DSURFACE_DESC oDesc = {};
    D3DLOCKED_RECT oLocked = {};
    if (SUCCEEDED(pDevice->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &pBack)) &&
        SUCCEEDED(pBack->GetDesc(&oDesc)) &&
        SUCCEEDED(pDevice->CreateImageSurface(oDesc.Width, oDesc.Height, oDesc.Format, &pCopy)) &&
        SUCCEEDED(pDevice->CopyRects(pBack, nullptr, 0, pCopy, nullptr)) &&
        SUCCEEDED(pCopy->LockRect(&oLocked, nullptr, D3DLOCK_READONLY)))
    {
        for (UINT y = 0; y < oDesc.Height; ++y)
        {
            const uint32_t* pRow = reinterpret_cast<const uint32_t*>(
                static_cast<const uint8_t*>(oLocked.pBits) + y * static_cast<size_t>(oLocked.Pitch));
            for (UINT x = 0; x < oDesc.Width; ++x)
            {
                v.push_back(pRow[x] & 0xFFFFFFu);
            }
        }
        pCopy->UnlockRect();
    }
    if (pCopy)
        pCopy->Release();
    if (pBack)
        pBack->Release();
    return v;
}

size_t CountDifferences(const std::vector<uint32_t>& va, const std::vector<uint32_t>& vb)
{
    size_t u = va.size() == vb.size() ? 0 : std::max(va.size(), vb.size());
    for (size_t i = 0; i < va.size() && i < vb.size(); ++i)
    {
        u += va[i] != vb[i] ? 1 : 0;
    }
    return u;
}

void Fill(IDirect3DVertexBuffer8* pBuffer, const std::vector<Vertex>& rv, DWORD dwFlags)
{
    BYTE* p = nullptr;
    ASSERT_TRUE(SUCCEEDED(pBuffer->Lock(0, 0, &p, dwFlags)));
    memcpy(p, rv.data(), rv.size() * sizeof(Vertex));
    pBuffer->Unlock();
}

size_t CountKind(const Dx8Frame& ro, uint32_t uKind)
{
    size_t u = 0;
    for (const Dx8Resource& roResource : ro.m_voResources)
    {
        u += roResource.uKind == uKind ? 1 : 0;
    }
    return u;
}

class Dx8FrameRecorderTest : public testing::Test
{
protected:
    void SetUp() override
    {
        std::string strError;
        ASSERT_TRUE(Dx8FrameRecorder::Install(strError)) << strError;
    }

    // A device of the test's own, made through the program's import the recorder hooks.
    IDirect3DDevice8* MakeDevice(HWND hWnd)
    {
        m_pD3D = Direct3DCreate8(D3D_SDK_VERSION);
        if (!m_pD3D)
            return nullptr;
        D3DPRESENT_PARAMETERS o = {};
        o.BackBufferWidth = WIDTH;
        o.BackBufferHeight = HEIGHT;
        o.BackBufferFormat = D3DFMT_X8R8G8B8;
        o.BackBufferCount = 1;
        o.SwapEffect = D3DSWAPEFFECT_COPY;
        o.hDeviceWindow = hWnd;
        o.Windowed = TRUE;
        o.EnableAutoDepthStencil = TRUE;
        o.AutoDepthStencilFormat = D3DFMT_D24X8;
        IDirect3DDevice8* p = nullptr;
        return SUCCEEDED(m_pD3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, hWnd,
                                              D3DCREATE_SOFTWARE_VERTEXPROCESSING, &o, &p))
                   ? p
                   : nullptr;
    }

    void TearDown() override
    {
        for (IUnknown* p : m_vpMade)
            p->Release();
        if (m_pDevice)
            m_pDevice->Release();
        if (m_pD3D)
            m_pD3D->Release();
    }

    qirn_test::ScopedTempDir m_oDir;
    IDirect3D8* m_pD3D = nullptr;
    IDirect3DDevice8* m_pDevice = nullptr;
    std::vector<IUnknown*> m_vpMade;
};
} // namespace

// Every way a frame binds and draws, a buffer rewritten between two draws, and state set before the
// frame: the replay of the saved frame on a device of its own draws the very same pixels, first
// frame and steady frame, the steady one leaving out the state it repeats.
TEST_F(Dx8FrameRecorderTest, TheReplayOfARecordedFrameDrawsTheSamePixels)
{
    HWND hWnd = bench::MakePopup("QIRN_DX8RECORDER_TEST", "recorder", WIDTH, HEIGHT);
    ASSERT_TRUE(hWnd);
    m_pDevice = MakeDevice(hWnd);
    ASSERT_TRUE(m_pDevice) << "no Direct3D 8 device";
    IDirect3DDevice8* p = m_pDevice;
    // Set before the frame: the frame's first state must carry it.
    p->SetRenderState(D3DRS_LIGHTING, FALSE);
    p->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    p->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_POINT);
    p->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_POINT);
    p->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);

    IDirect3DTexture8* pTexture = nullptr;
    ASSERT_TRUE(SUCCEEDED(p->CreateTexture(2, 2, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &pTexture)));
    m_vpMade.push_back(pTexture);
    D3DLOCKED_RECT oLocked = {};
    ASSERT_TRUE(SUCCEEDED(pTexture->LockRect(0, &oLocked, nullptr, 0)));
    const uint32_t adwTexels[4] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFF00u};
    for (int y = 0; y < 2; ++y)
        memcpy(static_cast<uint8_t*>(oLocked.pBits) + y * oLocked.Pitch, adwTexels + 2 * y, 8);
    pTexture->UnlockRect(0);

    auto Quad = [](float x0, float y0, float x1, float y1, DWORD dwColour)
    {
        return std::vector<Vertex>{{x0, y0, 0.5f, 1, dwColour, 0, 0},
                                   {x1, y0, 0.5f, 1, dwColour, 1, 0},
                                   {x0, y1, 0.5f, 1, dwColour, 0, 1},
                                   {x1, y1, 0.5f, 1, dwColour, 1, 1}};
    };
    std::vector<Vertex> vTextured = Quad(0, 0, 32, 24, 0xFFFFFFFFu);
    vTextured = {vTextured[0], vTextured[1], vTextured[2], vTextured[2], vTextured[1], vTextured[3]};
    IDirect3DVertexBuffer8* pStatic = nullptr;
    IDirect3DVertexBuffer8* pDynamic = nullptr;
    IDirect3DVertexBuffer8* pCorners = nullptr;
    IDirect3DIndexBuffer8* pIndices = nullptr;
    ASSERT_TRUE(SUCCEEDED(p->CreateVertexBuffer(6 * sizeof(Vertex), D3DUSAGE_WRITEONLY, VERTEX_FVF,
                                                D3DPOOL_MANAGED, &pStatic)));
    m_vpMade.push_back(pStatic);
    ASSERT_TRUE(SUCCEEDED(p->CreateVertexBuffer(3 * sizeof(Vertex), D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC,
                                                VERTEX_FVF, D3DPOOL_DEFAULT, &pDynamic)));
    m_vpMade.push_back(pDynamic);
    ASSERT_TRUE(SUCCEEDED(p->CreateVertexBuffer(4 * sizeof(Vertex), D3DUSAGE_WRITEONLY, VERTEX_FVF,
                                                D3DPOOL_DEFAULT, &pCorners)));
    m_vpMade.push_back(pCorners);
    ASSERT_TRUE(SUCCEEDED(p->CreateIndexBuffer(6 * sizeof(WORD), D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
                                               D3DPOOL_DEFAULT, &pIndices)));
    m_vpMade.push_back(pIndices);
    Fill(pStatic, vTextured, 0);
    Fill(pCorners, Quad(40, 28, 60, 44, 0xFFFF00FFu), 0);
    BYTE* pIndexBytes = nullptr;
    ASSERT_TRUE(SUCCEEDED(pIndices->Lock(0, 0, &pIndexBytes, 0)));
    const WORD awIndices[6] = {0, 1, 2, 2, 1, 3};
    memcpy(pIndexBytes, awIndices, sizeof(awIndices));
    pIndices->Unlock();
    const Vertex aoUser[3] = {{2, 44, 0.5f, 1, 0xFF808080u, 0, 0},
                              {12, 30, 0.5f, 1, 0xFF808080u, 0, 0},
                              {22, 44, 0.5f, 1, 0xFF808080u, 0, 0}};

    ASSERT_TRUE(Dx8FrameRecorder::Begin());
    p->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF202040u, 1.0f, 0);
    p->BeginScene();
    p->SetVertexShader(VERTEX_FVF);
    p->SetTexture(0, pTexture);
    p->SetStreamSource(0, pStatic, sizeof(Vertex));
    p->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2);
    p->SetTexture(0, nullptr);
    p->SetStreamSource(0, pDynamic, sizeof(Vertex));
    Fill(pDynamic,
         {{36, 2, 0.5f, 1, 0xFF00FFFFu, 0, 0},
          {60, 2, 0.5f, 1, 0xFF00FFFFu, 0, 0},
          {36, 20, 0.5f, 1, 0xFF00FFFFu, 0, 0}},
         D3DLOCK_DISCARD);
    p->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1);
    // The same buffer, new bytes: the first draw must keep the ones it read.
    Fill(pDynamic,
         {{62, 4, 0.5f, 1, 0xFFFF8000u, 0, 0},
          {62, 22, 0.5f, 1, 0xFFFF8000u, 0, 0},
          {40, 22, 0.5f, 1, 0xFFFF8000u, 0, 0}},
         D3DLOCK_DISCARD);
    p->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1);
    p->SetStreamSource(0, pCorners, sizeof(Vertex));
    p->SetIndices(pIndices, 0);
    p->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2);
    p->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, aoUser, sizeof(Vertex));
    p->EndScene();
    const Dx8Frame oRecorded = Dx8FrameRecorder::End();
    const std::vector<uint32_t> vEngine = BackBuffer(p);
    ASSERT_EQ(vEngine.size(), WIDTH * HEIGHT);
    EXPECT_EQ(Dx8FrameRecorder::Problems(), "");

    EXPECT_EQ(oRecorded.CountDraws(), 5u);
    EXPECT_EQ(oRecorded.CountTriangles(), 7u);
    // The static buffer, the two contents of the rewritten one, and the corners.
    EXPECT_EQ(CountKind(oRecorded, DX8_VERTEX_BUFFER), 4u);
    EXPECT_EQ(CountKind(oRecorded, DX8_INDEX_BUFFER), 1u);
    bool bLightingOff = false;
    for (const Dx8Command& ro : oRecorded.m_voInitial)
        bLightingOff =
            bLightingOff || (ro.uOp == DX8_RENDER_STATE && ro.au[0] == D3DRS_LIGHTING && ro.au[1] == 0);
    EXPECT_TRUE(bLightingOff) << "the state set before the frame is not in its first state";

    std::string strError;
    ASSERT_TRUE(oRecorded.Save("frame.dx8", strError)) << strError;
    Dx8Frame oLoaded;
    ASSERT_TRUE(oLoaded.Load("frame.dx8", strError)) << strError;
    HWND hReplay = bench::MakePopup("QIRN_DX8REPLAY_TEST", "replay", WIDTH, HEIGHT);
    Dx8FrameReplay oReplay;
    ASSERT_TRUE(oReplay.Start(oLoaded, hReplay, strError)) << strError;
    ASSERT_TRUE(oReplay.DrawFrame());
    EXPECT_EQ(CountDifferences(vEngine, BackBuffer(oReplay.Device())), 0u) << "the first replayed frame";
    ASSERT_TRUE(SUCCEEDED(oReplay.Present()));
    ASSERT_TRUE(oReplay.DrawFrame());
    EXPECT_EQ(CountDifferences(vEngine, BackBuffer(oReplay.Device())), 0u) << "a steady replayed frame";
    // The FVF set again at the frame's start is what the last frame left: left out.
    EXPECT_LT(oReplay.SteadyCalls(), oReplay.AllCalls());
    // The pixels are the frame's, not a cleared screen.
    EXPECT_EQ(vEngine[5 * WIDTH + 45], 0x00FFFFu);
    EXPECT_EQ(vEngine[10 * WIDTH + 60], 0xFF8000u);
    EXPECT_EQ(vEngine[40 * WIDTH + 50], 0xFF00FFu);
}

// Damage a reader cannot replay is refused with the reason, before any device is made.
TEST_F(Dx8FrameRecorderTest, DamagedFramesAreRefusedWithTheReason)
{
    Dx8Frame oFrame;
    oFrame.m_uWidth = 8;
    oFrame.m_uHeight = 8;
    Dx8Resource oBuffer;
    oBuffer.uKind = DX8_VERTEX_BUFFER;
    oBuffer.vBytes.assign(3 * sizeof(Vertex), 0);
    oFrame.m_voResources.push_back(oBuffer);
    Dx8Command oStream;
    oStream.uOp = DX8_STREAM;
    oStream.au[1] = 1;
    oStream.au[2] = sizeof(Vertex);
    oFrame.m_voCommands.push_back(oStream);
    Dx8Command oDraw;
    oDraw.uOp = DX8_DRAW;
    oDraw.au[0] = D3DPT_TRIANGLELIST;
    oDraw.au[2] = 1;
    oFrame.m_voCommands.push_back(oDraw);
    std::string strError;
    ASSERT_TRUE(oFrame.Save("good.dx8", strError)) << strError;
    Dx8Frame oLoaded;
    ASSERT_TRUE(oLoaded.Load("good.dx8", strError)) << strError;

    struct Case
    {
        const char* szName;
        void (*pfnDamage)(Dx8Frame&);
        const char* szReason;
    };
    const Case aoCases[] = {
        {"a stream naming no buffer", [](Dx8Frame& ro) { ro.m_voCommands[0].au[1] = 7; }, "unknown stream"},
        {"an unknown call", [](Dx8Frame& ro) { ro.m_voCommands[1].uOp = 99; }, "unknown call 99"},
        {"a transform of 3 bytes",
         [](Dx8Frame& ro)
         {
             Dx8Command o;
             o.uOp = DX8_TRANSFORM;
             o.vData.assign(3, 0);
             ro.m_voInitial.push_back(o);
         },
         "not 16 floats"},
        {"a frame of no size", [](Dx8Frame& ro) { ro.m_uWidth = 0; }, "of no size"},
        {"a texture 60000 texels wide",
         [](Dx8Frame& ro)
         {
             Dx8Resource o;
             o.uKind = DX8_TEXTURE;
             o.uWidth = 60000;
             o.uHeight = 4;
             o.uLevels = 1;
             o.voLevels.resize(1);
             ro.m_voResources.push_back(o);
         },
         "larger than 8192 texels a side"},
    };
    for (const Case& ro : aoCases)
    {
        Dx8Frame oDamaged = oFrame;
        ro.pfnDamage(oDamaged);
        ASSERT_TRUE(oDamaged.Save("damaged.dx8", strError));
        EXPECT_FALSE(oLoaded.Load("damaged.dx8", strError)) << ro.szName;
        EXPECT_NE(strError.find(ro.szReason), std::string::npos) << ro.szName << ": " << strError;
    }

    // Cut short, or not a frame at all.
    FILE* pFile = fopen("good.dx8", "rb");
    ASSERT_TRUE(pFile);
    std::vector<char> v(4096);
    v.resize(fread(v.data(), 1, v.size(), pFile));
    fclose(pFile);
    pFile = fopen("short.dx8", "wb");
    fwrite(v.data(), 1, v.size() - 5, pFile);
    fclose(pFile);
    EXPECT_FALSE(oLoaded.Load("short.dx8", strError));
    EXPECT_NE(strError.find("ends early"), std::string::npos) << strError;
    pFile = fopen("text.dx8", "wb");
    fputs("not a frame", pFile);
    fclose(pFile);
    EXPECT_FALSE(oLoaded.Load("text.dx8", strError));
    EXPECT_NE(strError.find("is not a dumped Direct3D 8 frame"), std::string::npos) << strError;

    // A draw past the end of its buffer: refused before the device reads it.
    oFrame.m_voCommands[1].au[2] = 2;
    Dx8FrameReplay oReplay;
    EXPECT_FALSE(oReplay.Start(oFrame, nullptr, strError));
    EXPECT_NE(strError.find("call 2 draws from outside the buffers it names"), std::string::npos) << strError;
}

// The shipped scene through the engine's Direct3D 8 renderer: the replay of its recorded frame
// draws what the engine draws, render targets, shaders and all.
TEST_F(Dx8FrameRecorderTest, TheEnginesSceneFrameReplaysToTheSamePixels)
{
    BenchSettings oSettings;
    oSettings.iAPI = QIRN_GRAPHICS_DX8;
    oSettings.iWidth = 256;
    oSettings.iHeight = 192;
    oSettings.strDataFolder = QIRN_BENCH_DATA;
    oSettings.strSceneFolder = QIRN_BENCH_SCENES;
    BenchHost oHost;
    ASSERT_TRUE(oHost.Start(oSettings));
    ASSERT_GE(oHost.LoadScene(), 0.0);
    ASSERT_GE(oHost.FirstFrame(), 0.0);
    ASSERT_TRUE(Dx8FrameRecorder::Begin());
    ASSERT_TRUE(oHost.RenderAt(5.0f));
    const Dx8Frame oRecorded = Dx8FrameRecorder::End();
    EXPECT_EQ(Dx8FrameRecorder::Problems(), "");
    EXPECT_GT(oRecorded.CountDraws(), 20u);
    EXPECT_GT(CountKind(oRecorded, DX8_TEXTURE_LEVEL), 0u) << "the scene draws into a render target";
    // The same frame again: what it reads of a render target is what the recorded one drew.
    ASSERT_EQ(oHost.GetEngine()->Render(0, oHost.Camera()), OK);
    const std::vector<uint32_t> vEngine = BackBuffer(Dx8FrameRecorder::Device());
    ASSERT_EQ(vEngine.size(), 256u * 192u);

    HWND hReplay = bench::MakePopup("QIRN_DX8REPLAY_SCENE", "replay", 256, 192);
    Dx8FrameReplay oReplay;
    std::string strError;
    ASSERT_TRUE(oReplay.Start(oRecorded, hReplay, strError)) << strError;
    ASSERT_TRUE(oReplay.DrawFrame());
    ASSERT_TRUE(SUCCEEDED(oReplay.Present()));
    ASSERT_TRUE(oReplay.DrawFrame());
    EXPECT_EQ(CountDifferences(vEngine, BackBuffer(oReplay.Device())), 0u);
}
