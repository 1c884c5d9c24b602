#pragma once
// Shared by the OpenGL renderer's tests: a WGL context on a small window of its own, and a
// reader of what was drawn.

#include "qirn_engine.h"
#include "qirn_gl.h"
#include "qirn_graphics_gl.h"
#include "qirn_test_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

class QIRN_Bitmap;
class QIRN_Shader;

namespace gl_test
{
// The test windows have no frame: wine hands framed windows to a window manager and, closing one,
// waits up to two seconds for the manager's answer, which never comes on the bare test display.
constexpr DWORD WINDOW_STYLE = WS_POPUP;

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

// The back (or front) buffer's pixel at (x, y), y counting up from the bottom row, as 0xRRGGBB.
uint32_t ReadPixel(int x, int y, GLenum eBuffer = GL_BACK);

// A bitmap of one image per layer and level: iWidth x iHeight texels of dwBytes bytes (3 or 4,
// red first), each image one colour (0xRRGGBBAA) taken in turn from vColors; levels halve.
std::unique_ptr<QIRN_Bitmap> MakeBitmap(const std::string& strName, uint32_t dwLayers, uint32_t dwLevels,
                                        uint32_t dwWidth, uint32_t dwHeight, uint32_t dwBytes,
                                        const std::vector<uint32_t>& vColors);

// A shader of the given passes, each with the given number of layers, every field at its default.
std::unique_ptr<QIRN_Shader> MakeShader(const std::string& strName, uint32_t dwPasses, uint32_t dwLayers);

// Identity projection and modelview: positions are clip coordinates.
void IdentityTransforms();
// A quad from (x0, y0) to (x1, y1) in clip space at depth z, with texture coordinates 0 to 1 and
// the normal (0, 0, 1).
void DrawQuad(float x0, float y0, float x1, float y1, float z = 0.0f);

// The OpenGL renderer brought up windowed on a small window of its own, with an engine to read.
class DeviceTest : public testing::Test
{
protected:
    // Wider than the narrowest window the display allows.
    static constexpr int WIDTH = 160;
    static constexpr int HEIGHT = 120;

    void SetUp() override;
    void TearDown() override;
    QIRN_GraphicsParams WindowedParams() const;
    void BringUp();

    qirn_test::ScopedTempDir m_oDir;
    qirn_test::LogCapture m_oLog;
    QIRN_Engine m_oEngine;
    HWND m_hWnd = nullptr;
    std::unique_ptr<QIRN_Graphics_GL> m_poGraphics;
};

// True when each channel of two 0xRRGGBB colours differs by at most iTolerance.
bool Near(uint32_t dwA, uint32_t dwB, int iTolerance = 3);
} // namespace gl_test
