#include "gl_test_support.h"

#include "qirn_bitmap.h"
#include "qirn_engineparams.h"
#include "qirn_shader.h"

#include <algorithm>
#include <cstdlib>

namespace gl_test
{
namespace
{
const char* const WINDOW_CLASS = "QIRN_GLTestWindow";

void RegisterOnce()
{
    static bool s_bDone = false;
    if (s_bDone)
    {
        return;
    }
    WNDCLASSA wc = {};
    wc.style = CS_OWNDC;
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = WINDOW_CLASS;
    RegisterClassA(&wc);
    s_bDone = true;
}
} // namespace

Context::Context()
{
    RegisterOnce();
    RECT rc = {0, 0, WIDTH, HEIGHT};
    AdjustWindowRect(&rc, WINDOW_STYLE, FALSE);
    m_hWnd = CreateWindowA(WINDOW_CLASS, "gl tests", WINDOW_STYLE, 0, 0, rc.right - rc.left,
                           rc.bottom - rc.top, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!m_hWnd)
    {
        return;
    }
    ShowWindow(m_hWnd, SW_SHOWNOACTIVATE);
    m_hDC = GetDC(m_hWnd);
    PIXELFORMATDESCRIPTOR pfd = {};
    pfd.nSize = sizeof(pfd);
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = 24;
    pfd.cDepthBits = 24;
    pfd.cStencilBits = 8;
    const int iFormat = ChoosePixelFormat(m_hDC, &pfd);
    if (iFormat == 0 || !SetPixelFormat(m_hDC, iFormat, &pfd))
    {
        return;
    }
    m_hRC = wglCreateContext(m_hDC);
    if (m_hRC && !wglMakeCurrent(m_hDC, m_hRC))
    {
        wglDeleteContext(m_hRC);
        m_hRC = nullptr;
    }
    if (m_hRC)
    {
        glViewport(0, 0, WIDTH, HEIGHT);
    }
}

Context::~Context()
{
    if (m_hRC)
    {
        wglMakeCurrent(nullptr, nullptr);
        wglDeleteContext(m_hRC);
    }
    if (m_hWnd)
    {
        ReleaseDC(m_hWnd, m_hDC);
        DestroyWindow(m_hWnd);
    }
}

uint32_t ReadPixel(int x, int y, GLenum eBuffer)
{
    unsigned char abRGBA[4] = {};
    glFinish();
    glReadBuffer(eBuffer);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, abRGBA);
    return (static_cast<uint32_t>(abRGBA[0]) << 16) | (static_cast<uint32_t>(abRGBA[1]) << 8) | abRGBA[2];
}

std::unique_ptr<QIRN_Bitmap> MakeBitmap(const std::string& strName, uint32_t dwLayers, uint32_t dwLevels,
                                        uint32_t dwWidth, uint32_t dwHeight, uint32_t dwBytes,
                                        const std::vector<uint32_t>& vColors)
{
    auto poBitmap = std::make_unique<QIRN_Bitmap>();
    poBitmap->SetName(strName);
    poBitmap->m_eFormat = dwBytes == 4 ? QIRN_FMT_A8R8G8B8 : QIRN_FMT_R8G8B8;
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

std::unique_ptr<QIRN_Shader> MakeShader(const std::string& strName, uint32_t dwPasses, uint32_t dwLayers)
{
    auto poShader = std::make_unique<QIRN_Shader>();
    poShader->SetName(strName);
    poShader->m_dwNumPasses = dwPasses;
    poShader->m_poPasses = dwPasses ? new QIRN_ShaderPass[dwPasses] : nullptr;
    for (uint32_t p = 0; p < dwPasses; ++p)
    {
        QIRN_ShaderPass& roPass = poShader->m_poPasses[p];
        roPass.m_dwNumLayers = dwLayers;
        roPass.m_poLayers = dwLayers ? new QIRN_ShaderLayer[dwLayers] : nullptr;
    }
    return poShader;
}

void IdentityTransforms()
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void DrawQuad(float x0, float y0, float x1, float y1, float z)
{
    glBegin(GL_QUADS);
    glNormal3f(0.0f, 0.0f, 1.0f);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(x0, y0, z);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(x1, y0, z);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(x1, y1, z);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(x0, y1, z);
    glEnd();
}

void DeviceTest::SetUp()
{
    qirn_test::WriteFile("test.ini", "");
    QIRN_EngineParams oParams;
    oParams.m_strIniFile = m_oDir.Path() + "\\test.ini";
    RegisterOnce();
    RECT rc = {0, 0, WIDTH, HEIGHT};
    AdjustWindowRect(&rc, WINDOW_STYLE, FALSE);
    m_hWnd = CreateWindowA(WINDOW_CLASS, "gl device tests", WINDOW_STYLE, 0, 0, rc.right - rc.left,
                           rc.bottom - rc.top, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(m_hWnd, nullptr);
    ShowWindow(m_hWnd, SW_SHOWNOACTIVATE);
    oParams.m_hWnd = m_hWnd;
    ASSERT_EQ(m_oEngine.Initialize(oParams), OK);
    m_poGraphics = std::make_unique<QIRN_Graphics_GL>();
    m_poGraphics->m_pEngine = &m_oEngine;
}

void DeviceTest::TearDown()
{
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

QIRN_GraphicsParams DeviceTest::WindowedParams() const
{
    QIRN_GraphicsParams oParams;
    oParams.m_iAPI = QIRN_GRAPHICS_OPENGL;
    oParams.m_iWidth = WIDTH;
    oParams.m_iHeight = HEIGHT;
    oParams.m_iBackBufferFormat = QIRN_FMT_X8R8G8B8;
    oParams.m_iBackBufferCount = 1;
    oParams.m_iDepthStencilFormat = QIRN_FMT_D24S8;
    oParams.m_bWindowed = true;
    oParams.m_bZBuffer = true;
    oParams.m_bStencil = true;
    return oParams;
}

void DeviceTest::BringUp()
{
    QIRN_DeviceInfo* poInfo = nullptr;
    ASSERT_EQ(m_poGraphics->GetGraphicsDeviceInfo(0, &poInfo), OK);
    QIRN_GraphicsParams oParams = WindowedParams();
    ASSERT_EQ(m_poGraphics->SetRenderingParams(&oParams, m_hWnd), OK) << m_oLog.All();
    ASSERT_NE(m_poGraphics->GetRenderingContext(), nullptr);
}

bool Near(uint32_t dwA, uint32_t dwB, int iTolerance)
{
    for (int iShift = 0; iShift < 24; iShift += 8)
    {
        const int a = static_cast<int>((dwA >> iShift) & 0xFF);
        const int b = static_cast<int>((dwB >> iShift) & 0xFF);
        if (std::abs(a - b) > iTolerance)
        {
            return false;
        }
    }
    return true;
}
} // namespace gl_test
