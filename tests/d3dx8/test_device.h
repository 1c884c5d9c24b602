#pragma once
// A windowed Direct3D 8 device on a small hidden window, for the tests that need a real device.

#include <d3d8.h>

#include <gtest/gtest.h>

#include <string>

namespace d3dx8_test
{
class TestDevice
{
public:
    TestDevice();
    ~TestDevice();
    TestDevice(const TestDevice&) = delete;
    TestDevice& operator=(const TestDevice&) = delete;

    // NULL when no device could be made; Failure() says why.
    IDirect3DDevice8* Device() const { return m_pDevice; }
    IDirect3D8* Direct3D() const { return m_pD3D; }
    const std::string& Failure() const { return m_szFailure; }
    D3DFORMAT DisplayFormat() const { return m_eDisplayFormat; }

    // Whether the device can make textures (or volume textures) of the format.
    bool SupportsTexture(D3DFORMAT eFormat, D3DRESOURCETYPE eType = D3DRTYPE_TEXTURE) const;

    // The back buffer texel at (x, y) as A8R8G8B8, read through an image surface; 0 on failure.
    D3DCOLOR ReadBackBuffer(UINT x, UINT y) const;

    static const UINT SIZE = 64;

private:
    HWND m_hWnd = nullptr;
    IDirect3D8* m_pD3D = nullptr;
    IDirect3DDevice8* m_pDevice = nullptr;
    D3DFORMAT m_eDisplayFormat = D3DFMT_UNKNOWN;
    std::string m_szFailure;
};

// A fixture for the tests that need a device: a fresh one each, the test stopping at once (with the
// reason) when none can be made.
class DeviceTest : public ::testing::Test
{
protected:
    TestDevice m_device;

    void SetUp() override { ASSERT_NE(m_device.Device(), nullptr) << m_device.Failure(); }
};
} // namespace d3dx8_test
