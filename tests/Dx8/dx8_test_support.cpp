#include "dx8_test_support.h"

#include "qirn_bitmap.h"
#include "qirn_file.h"

#include <cstdio>
#include <cstdlib>

namespace dx8_test
{
namespace
{
const char* const WINDOW_CLASS = "dx8_test_window";

uint32_t Read32(const std::string& s, size_t at)
{
    return static_cast<uint8_t>(s[at]) | static_cast<uint8_t>(s[at + 1]) << 8 |
           static_cast<uint8_t>(s[at + 2]) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(s[at + 3])) << 24;
}
} // namespace

Image ReadBmp(const std::string& strPath)
{
    Image oImage;
    const std::string s = qirn_test::ReadFile(strPath);
    if (s.size() < 58 || s[0] != 'B' || s[1] != 'M')
    {
        return oImage;
    }
    const uint32_t dwOffset = Read32(s, 10);
    oImage.dwFileSize = Read32(s, 2);
    oImage.iWidth = static_cast<int32_t>(Read32(s, 18));
    oImage.iHeight = static_cast<int32_t>(Read32(s, 22));
    oImage.dwImageSize = Read32(s, 34);
    const size_t nRow = (static_cast<size_t>(oImage.iWidth) * 3 + 3) & ~size_t(3);
    if (oImage.iWidth <= 0 || oImage.iHeight <= 0 || s.size() < dwOffset + nRow * oImage.iHeight)
    {
        return oImage;
    }
    oImage.vPixels.resize(static_cast<size_t>(oImage.iWidth) * oImage.iHeight);
    for (int y = 0; y < oImage.iHeight; ++y)
    {
        // Rows are stored bottom-up.
        const size_t nAt = dwOffset + nRow * (oImage.iHeight - 1 - y);
        for (int x = 0; x < oImage.iWidth; ++x)
        {
            const uint8_t* p = reinterpret_cast<const uint8_t*>(s.data()) + nAt + x * 3;
            oImage.vPixels[static_cast<size_t>(y) * oImage.iWidth + x] = p[2] << 16 | p[1] << 8 | p[0];
        }
    }
    oImage.bRead = true;
    return oImage;
}

bool Near(uint32_t dwA, uint32_t dwB, int iTolerance)
{
    for (int iShift = 0; iShift < 24; iShift += 8)
    {
        if (std::abs(static_cast<int>((dwA >> iShift) & 0xFF) - static_cast<int>((dwB >> iShift) & 0xFF)) >
            iTolerance)
        {
            return false;
        }
    }
    return true;
}

std::unique_ptr<QIRN_Bitmap> MakeBitmap(uint32_t dwLayers, uint32_t dwLevels, uint32_t dwWidth,
                                        uint32_t dwHeight, uint32_t dwBytes,
                                        const std::vector<uint32_t>& vColors)
{
    auto poBitmap = std::make_unique<QIRN_Bitmap>();
    poBitmap->SetName("test bitmap");
    poBitmap->m_dwNumLayers = dwLayers;
    poBitmap->m_dwNumMipLevels = dwLevels;
    poBitmap->m_dwBitsPerTexel = dwBytes * 8;
    if (poBitmap->AllocateImageArrays() != OK)
    {
        return nullptr;
    }
    for (uint32_t i = 0; i < dwLayers * dwLevels; ++i)
    {
        const uint32_t dwLevel = i % dwLevels;
        const uint32_t w = std::max(1u, dwWidth >> dwLevel), h = std::max(1u, dwHeight >> dwLevel);
        poBitmap->m_pdwWidths[i] = w;
        poBitmap->m_pdwHeights[i] = h;
        poBitmap->m_ppTexels[i] = new uint8_t[static_cast<size_t>(w) * h * dwBytes];
        const uint32_t dwColor = vColors[i % vColors.size()];
        for (uint32_t t = 0; t < w * h; ++t)
        {
            for (uint32_t b = 0; b < dwBytes; ++b)
            {
                poBitmap->m_ppTexels[i][t * dwBytes + b] = static_cast<uint8_t>(dwColor >> (24 - 8 * b));
            }
        }
    }
    return poBitmap;
}

std::unique_ptr<QIRN_Shader> ReadShader(const char* szText)
{
    qirn_test::WriteFile("shader.txt", szText);
    QIRN_File oFile;
    auto poShader = std::make_unique<QIRN_Shader>();
    if (oFile.Open("shader.txt", QIRN_FILE_READ) != OK || oFile.ReadNextWord() != "Shader" ||
        poShader->Load(oFile, nullptr) != OK)
    {
        return nullptr;
    }
    return poShader;
}

void RendererTest::SetUp()
{
    qirn_test::WriteFile("test.ini", "");
    QIRN_EngineParams oParams;
    oParams.m_strIniFile = m_oDir.Path() + "\\test.ini";
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = WINDOW_CLASS;
    RegisterClassA(&wc);
    m_hWnd = CreateWindowA(WINDOW_CLASS, "dx8 tests", WS_OVERLAPPEDWINDOW, 0, 0, WIDTH * 2, HEIGHT * 2,
                           nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(m_hWnd, nullptr);
    oParams.m_hWnd = m_hWnd;
    ASSERT_EQ(m_oEngine.Initialize(oParams), OK);
    m_poGraphics = std::make_unique<QIRN_Graphics_DX8>(&m_oEngine);
}

void RendererTest::TearDown()
{
    m_poGraphics.reset();
    if (m_hWnd)
    {
        DestroyWindow(m_hWnd);
    }
}

QIRN_GraphicsParams RendererTest::WindowedParams() const
{
    QIRN_GraphicsParams oParams;
    oParams.m_iAPI = QIRN_GRAPHICS_DX8;
    oParams.m_iWidth = WIDTH;
    oParams.m_iHeight = HEIGHT;
    oParams.m_iBackBufferFormat = QIRN_FMT_X8R8G8B8;
    oParams.m_iBackBufferCount = 1;
    oParams.m_iDepthStencilFormat = QIRN_FMT_D24X4S4;
    oParams.m_iDeviceType = 1;
    oParams.m_dwVertexProcessing = D3DCREATE_HARDWARE_VERTEXPROCESSING;
    oParams.m_bWindowed = true;
    oParams.m_bZBuffer = true;
    oParams.m_bStencil = true;
    return oParams;
}

void RendererTest::BringUp(QIRN_GraphicsParams oParams)
{
    QIRN_DeviceInfo* poInfo = nullptr;
    ASSERT_EQ(m_poGraphics->GetGraphicsDeviceInfo(0, &poInfo), OK)
        << "Direct3D 8 could not be created: Direct3DCreate8 failed on every try over about three seconds, "
           "so the platform refused it here. The log:\n"
        << m_oLog.All();
    ASSERT_EQ(m_poGraphics->SetRenderingParams(&oParams, m_hWnd), OK)
        << "the Direct3D 8 device could not be made. The log:\n"
        << m_oLog.All();
    ASSERT_NE(m_poGraphics->GetDevice(), nullptr);
}

uint32_t RendererTest::BackBufferPixel(int x, int y) const
{
    IDirect3DDevice8* pDevice = m_poGraphics->GetDevice();
    IDirect3DSurface8* pBack = nullptr;
    if (FAILED(pDevice->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &pBack)))
    {
        return 0xDEADBEEF;
    }
    D3DSURFACE_DESC oDesc = {};
    pBack->GetDesc(&oDesc);
    IDirect3DSurface8* pCopy = nullptr;
    uint32_t dwColor = 0xDEADBEEF;
    if (SUCCEEDED(pDevice->CreateImageSurface(oDesc.Width, oDesc.Height, oDesc.Format, &pCopy)) &&
        SUCCEEDED(pDevice->CopyRects(pBack, nullptr, 0, pCopy, nullptr)))
    {
        D3DLOCKED_RECT oLocked = {};
        if (SUCCEEDED(pCopy->LockRect(&oLocked, nullptr, D3DLOCK_READONLY)))
        {
            dwColor = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(oLocked.pBits) +
                                                        y * oLocked.Pitch)[x] &
                      0xFFFFFF;
            pCopy->UnlockRect();
        }
    }
    if (pCopy)
    {
        pCopy->Release();
    }
    pBack->Release();
    return dwColor;
}

Image RendererTest::DumpFrame(const std::string& strName)
{
    m_oEngine.SetScreenDumpFilename(strName.c_str());
    EXPECT_EQ(m_poGraphics->RenderFrame(nullptr, nullptr, false), OK);
    return ReadBmp(strName);
}
} // namespace dx8_test
