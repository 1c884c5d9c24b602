#pragma once
// Shared by the OpenGL renderer's tests: a WGL context on a small window of its own, and a
// reader of what was drawn.

#include "qirn_gl.h"

#include <cstdint>

namespace gl_test
{
// A visible window with a double-buffered RGBA pixel format, depth and stencil, and a context
// made current on it; Ok() says whether all of that worked.
class Context
{
public:
    static constexpr int WIDTH = 64;
    static constexpr int HEIGHT = 64;

    Context();
    ~Context();
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

    bool Ok() const { return m_hRC != nullptr; }
    HWND Window() const { return m_hWnd; }
    HDC DC() const { return m_hDC; }

private:
    HWND m_hWnd = nullptr;
    HDC m_hDC = nullptr;
    HGLRC m_hRC = nullptr;
};

// The back buffer's pixel at (x, y), y counting up from the bottom row, as 0xRRGGBB.
uint32_t ReadPixel(int x, int y);

// True when each channel of two 0xRRGGBB colours differs by at most iTolerance.
bool Near(uint32_t dwA, uint32_t dwB, int iTolerance = 3);
} // namespace gl_test
