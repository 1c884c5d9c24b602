#include "gl_test_support.h"

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
    AdjustWindowRect(&rc, WS_OVERLAPPEDWINDOW, FALSE);
    m_hWnd = CreateWindowA(WINDOW_CLASS, "gl tests", WS_OVERLAPPEDWINDOW, 0, 0, rc.right - rc.left,
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

uint32_t ReadPixel(int x, int y)
{
    unsigned char abRGBA[4] = {};
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, abRGBA);
    return (static_cast<uint32_t>(abRGBA[0]) << 16) | (static_cast<uint32_t>(abRGBA[1]) << 8) | abRGBA[2];
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
