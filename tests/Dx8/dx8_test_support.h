#pragma once
// Shared by the Direct3D 8 renderer's tests: a renderer on a real device in a small window of its
// own, an engine for it to read, and readers of what it drew.

#include "qirn_engine.h"
#include "qirn_graphics_dx8.h"
#include "qirn_shader.h"
#include "qirn_test_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace dx8_test
{
// A 24-bit BMP file as ScreenDump writes it; pixels as 0xRRGGBB, top row first.
struct Image
{
    bool bRead = false;
    int32_t iWidth = 0;
    int32_t iHeight = 0;
    uint32_t dwImageSize = 0;
    uint32_t dwFileSize = 0;
    std::vector<uint32_t> vPixels;
    uint32_t At(int x, int y) const { return vPixels[static_cast<size_t>(y) * iWidth + x]; }
};
Image ReadBmp(const std::string& strPath);

// True when each channel of two 0xRRGGBB colours differs by at most iTolerance.
bool Near(uint32_t dwA, uint32_t dwB, int iTolerance = 3);

// A bitmap of one layer and level per image given: iWidth x iHeight texels of iBytes bytes, each
// texel the colour (red, green, blue, alpha) of its image.
std::unique_ptr<QIRN_Bitmap> MakeBitmap(uint32_t dwLayers, uint32_t dwLevels, uint32_t dwWidth,
                                        uint32_t dwHeight, uint32_t dwBytes,
                                        const std::vector<uint32_t>& vColors);

// An engine shader read from the text of a shader file, written to the current folder first;
// NULL when it does not read.
std::unique_ptr<QIRN_Shader> ReadShader(const char* szText);

class RendererTest : public testing::Test
{
protected:
    static constexpr int WIDTH = 64;
    static constexpr int HEIGHT = 64;

    void SetUp() override;
    void TearDown() override;

    // Windowed on this window, with a depth buffer asked in the client's depth format.
    QIRN_GraphicsParams WindowedParams() const;
    // Device information and device; the test stops when the device cannot be made.
    void BringUp(QIRN_GraphicsParams oParams);
    void BringUp() { BringUp(WindowedParams()); }
    // The back buffer texel as 0xRRGGBB, read through a copy.
    uint32_t BackBufferPixel(int x, int y) const;
    // A frame without a world dumped to a file and read back.
    Image DumpFrame(const std::string& strName = "frame.bmp");

    qirn_test::ScopedTempDir m_oDir;
    qirn_test::LogCapture m_oLog;
    QIRN_Engine m_oEngine;
    HWND m_hWnd = nullptr;
    std::unique_ptr<QIRN_Graphics_DX8> m_poGraphics;
};
} // namespace dx8_test
