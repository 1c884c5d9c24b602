// Surface and volume conversion on a real Direct3D 8 device: textures of each format the device
// offers, surfaces that cannot be locked, volume textures.

#include "d3dx8.h"
#include "memory_surface.h"
#include "test_device.h"

#include <gtest/gtest.h>

#include <iostream>
#include <string>
#include <vector>

using d3dx8_test::MemorySurface;
using d3dx8_test::MemoryVolume;
using d3dx8_test::TestDevice;

namespace
{
const struct
{
    D3DFORMAT eFormat;
    const char* szName;
} s_aFormats[] = {
    {D3DFMT_R8G8B8, "R8G8B8"},
    {D3DFMT_A8R8G8B8, "A8R8G8B8"},
    {D3DFMT_X8R8G8B8, "X8R8G8B8"},
    {D3DFMT_R5G6B5, "R5G6B5"},
    {D3DFMT_X1R5G5B5, "X1R5G5B5"},
    {D3DFMT_A1R5G5B5, "A1R5G5B5"},
    {D3DFMT_A4R4G4B4, "A4R4G4B4"},
    {D3DFMT_R3G3B2, "R3G3B2"},
    {D3DFMT_A8, "A8"},
    {D3DFMT_A8R3G3B2, "A8R3G3B2"},
    {D3DFMT_X4R4G4B4, "X4R4G4B4"},
    {D3DFMT_A2B10G10R10, "A2B10G10R10"},
    {D3DFMT_G16R16, "G16R16"},
    {D3DFMT_L8, "L8"},
    {D3DFMT_A8L8, "A8L8"},
    {D3DFMT_A4L4, "A4L4"},
    {D3DFMT_V8U8, "V8U8"},
    {D3DFMT_L6V5U5, "L6V5U5"},
    {D3DFMT_X8L8V8U8, "X8L8V8U8"},
    {D3DFMT_Q8W8V8U8, "Q8W8V8U8"},
    {D3DFMT_V16U16, "V16U16"},
    {D3DFMT_W11V11U10, "W11V11U10"},
    {D3DFMT_A2W10V10U10, "A2W10V10U10"},
    {D3DFMT_UYVY, "UYVY"},
    {D3DFMT_YUY2, "YUY2"},
    {D3DFMT_DXT1, "DXT1"},
    {D3DFMT_DXT2, "DXT2"},
    {D3DFMT_DXT3, "DXT3"},
    {D3DFMT_DXT4, "DXT4"},
    {D3DFMT_DXT5, "DXT5"},
};

const UINT IMAGE_SIZE = 8;

D3DCOLOR Gradient(UINT x, UINT y)
{
    return D3DCOLOR_ARGB(255 - 16 * x, 32 * x + 8, 255 - 24 * y, 16 * (x + y));
}

// An image surface of the device, A8R8G8B8, filled with the gradient.
IDirect3DSurface8* GradientImage(IDirect3DDevice8* pDevice)
{
    IDirect3DSurface8* pImage = nullptr;
    if (FAILED(pDevice->CreateImageSurface(IMAGE_SIZE, IMAGE_SIZE, D3DFMT_A8R8G8B8, &pImage)))
        return nullptr;
    D3DLOCKED_RECT locked = {};
    if (SUCCEEDED(pImage->LockRect(&locked, nullptr, 0)))
    {
        for (UINT y = 0; y < IMAGE_SIZE; ++y)
            for (UINT x = 0; x < IMAGE_SIZE; ++x)
                reinterpret_cast<DWORD*>(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch)[x] =
                    Gradient(x, y);
        pImage->UnlockRect();
    }
    return pImage;
}

std::vector<D3DCOLOR> ReadImage(IDirect3DSurface8* pImage)
{
    std::vector<D3DCOLOR> v;
    D3DLOCKED_RECT locked = {};
    if (FAILED(pImage->LockRect(&locked, nullptr, D3DLOCK_READONLY)))
        return v;
    for (UINT y = 0; y < IMAGE_SIZE; ++y)
        for (UINT x = 0; x < IMAGE_SIZE; ++x)
            v.push_back(
                reinterpret_cast<const DWORD*>(static_cast<const BYTE*>(locked.pBits) + y * locked.Pitch)[x]);
    pImage->UnlockRect();
    return v;
}

// The same trip through memory surfaces: what the device round trip must give texel for texel.
std::vector<D3DCOLOR> MemoryRoundTrip(D3DFORMAT eFormat)
{
    MemorySurface source(D3DFMT_A8R8G8B8, IMAGE_SIZE, IMAGE_SIZE);
    for (UINT y = 0; y < IMAGE_SIZE; ++y)
        for (UINT x = 0; x < IMAGE_SIZE; ++x)
            reinterpret_cast<DWORD*>(source.Row(y))[x] = Gradient(x, y);
    MemorySurface converted(eFormat, IMAGE_SIZE, IMAGE_SIZE);
    MemorySurface back(D3DFMT_A8R8G8B8, IMAGE_SIZE, IMAGE_SIZE);
    D3DXLoadSurfaceFromSurface(&converted, nullptr, nullptr, &source, nullptr, nullptr, D3DX_FILTER_LINEAR,
                               0);
    D3DXLoadSurfaceFromSurface(&back, nullptr, nullptr, &converted, nullptr, nullptr, D3DX_FILTER_NONE, 0);
    std::vector<D3DCOLOR> v;
    for (UINT y = 0; y < IMAGE_SIZE; ++y)
        for (UINT x = 0; x < IMAGE_SIZE; ++x)
            v.push_back(reinterpret_cast<const DWORD*>(back.Row(y))[x]);
    return v;
}

using SurfaceDevice = d3dx8_test::DeviceTest;
} // namespace

// What the texture code does: an A8R8G8B8 image surface converted into level 0 of a managed
// texture; read back through the loader as well.
TEST_F(SurfaceDevice, TexturesOfEveryOfferedFormat)
{
    IDirect3DDevice8* pDevice = m_device.Device();
    IDirect3DSurface8* pImage = GradientImage(pDevice);
    ASSERT_NE(pImage, nullptr);
    std::string szConverted;
    std::string szNotOffered;
    for (const auto& f : s_aFormats)
    {
        SCOPED_TRACE(f.szName);
        if (!m_device.SupportsTexture(f.eFormat))
        {
            szNotOffered += std::string(" ") + f.szName;
            continue;
        }
        IDirect3DTexture8* pTexture = nullptr;
        ASSERT_EQ(pDevice->CreateTexture(IMAGE_SIZE, IMAGE_SIZE, 1, 0, f.eFormat, D3DPOOL_MANAGED, &pTexture),
                  D3D_OK);
        IDirect3DSurface8* pLevel = nullptr;
        ASSERT_EQ(pTexture->GetSurfaceLevel(0, &pLevel), D3D_OK);
        EXPECT_EQ(D3DXLoadSurfaceFromSurface(pLevel, nullptr, nullptr, pImage, nullptr, nullptr,
                                             D3DX_FILTER_LINEAR, 0),
                  D3D_OK);
        IDirect3DSurface8* pBack = nullptr;
        ASSERT_EQ(pDevice->CreateImageSurface(IMAGE_SIZE, IMAGE_SIZE, D3DFMT_A8R8G8B8, &pBack), D3D_OK);
        EXPECT_EQ(D3DXLoadSurfaceFromSurface(pBack, nullptr, nullptr, pLevel, nullptr, nullptr,
                                             D3DX_FILTER_NONE, 0),
                  D3D_OK);
        EXPECT_EQ(ReadImage(pBack), MemoryRoundTrip(f.eFormat));
        szConverted += std::string(" ") + f.szName;
        pBack->Release();
        pLevel->Release();
        pTexture->Release();
    }
    pImage->Release();
    std::cout << "converted on the device:" << szConverted << "\nnot offered by the device:" << szNotOffered
              << std::endl;
    // The texture code's staple formats must have gone through the device.
    for (const char* szName : {" A8R8G8B8", " DXT1", " DXT3", " DXT5"})
        EXPECT_NE(szConverted.find(szName), std::string::npos) << szName;
}

// A back buffer cannot be locked: the loader reads it through a copy.
TEST_F(SurfaceDevice, ReadsASurfaceThatCannotBeLocked)
{
    IDirect3DDevice8* pDevice = m_device.Device();
    ASSERT_EQ(pDevice->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(0x30, 0x60, 0x90), 1.0f, 0), D3D_OK);
    IDirect3DSurface8* pBackBuffer = nullptr;
    ASSERT_EQ(pDevice->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &pBackBuffer), D3D_OK);
    IDirect3DSurface8* pImage = nullptr;
    ASSERT_EQ(pDevice->CreateImageSurface(IMAGE_SIZE, IMAGE_SIZE, D3DFMT_A8R8G8B8, &pImage), D3D_OK);
    const RECT area = {10, 10, 10 + IMAGE_SIZE, 10 + IMAGE_SIZE};
    ASSERT_EQ(D3DXLoadSurfaceFromSurface(pImage, nullptr, nullptr, pBackBuffer, nullptr, &area,
                                         D3DX_FILTER_NONE, 0),
              D3D_OK);
    const std::vector<D3DCOLOR> vTexels = ReadImage(pImage);
    ASSERT_EQ(vTexels.size(), IMAGE_SIZE * IMAGE_SIZE);
    EXPECT_EQ(vTexels[0], 0xFF306090u);
    EXPECT_EQ(vTexels[IMAGE_SIZE * IMAGE_SIZE - 1], 0xFF306090u);
    pImage->Release();
    pBackBuffer->Release();
}

// The staged volume path: a system-memory A8R8G8B8 volume converted into a managed volume texture.
TEST_F(SurfaceDevice, VolumeTextures)
{
    IDirect3DDevice8* pDevice = m_device.Device();
    const UINT N = 4;
    IDirect3DVolumeTexture8* pStaging = nullptr;
    ASSERT_EQ(pDevice->CreateVolumeTexture(N, N, N, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &pStaging),
              D3D_OK);
    IDirect3DVolume8* pSource = nullptr;
    ASSERT_EQ(pStaging->GetVolumeLevel(0, &pSource), D3D_OK);
    D3DLOCKED_BOX locked = {};
    ASSERT_EQ(pSource->LockBox(&locked, nullptr, 0), D3D_OK);
    MemoryVolume memory(D3DFMT_A8R8G8B8, N, N, N);
    for (UINT z = 0; z < N; ++z)
        for (UINT y = 0; y < N; ++y)
            for (UINT x = 0; x < N; ++x)
            {
                const D3DCOLOR c = D3DCOLOR_ARGB(255 - 40 * z, 60 * x, 60 * y, 60 * z);
                reinterpret_cast<DWORD*>(static_cast<BYTE*>(locked.pBits) + z * locked.SlicePitch +
                                         y * locked.RowPitch)[x] = c;
                reinterpret_cast<DWORD*>(memory.Row(z, y))[x] = c;
            }
    pSource->UnlockBox();

    int iConverted = 0;
    for (D3DFORMAT eFormat : {D3DFMT_X8L8V8U8, D3DFMT_V8U8, D3DFMT_Q8W8V8U8, D3DFMT_A8L8, D3DFMT_L8,
                              D3DFMT_R5G6B5, D3DFMT_A4R4G4B4, D3DFMT_X8R8G8B8})
    {
        SCOPED_TRACE(eFormat);
        if (!m_device.SupportsTexture(eFormat, D3DRTYPE_VOLUMETEXTURE))
            continue;
        IDirect3DVolumeTexture8* pTexture = nullptr;
        ASSERT_EQ(pDevice->CreateVolumeTexture(N, N, N, 1, 0, eFormat, D3DPOOL_MANAGED, &pTexture), D3D_OK);
        IDirect3DVolume8* pLevel = nullptr;
        ASSERT_EQ(pTexture->GetVolumeLevel(0, &pLevel), D3D_OK);
        EXPECT_EQ(
            D3DXLoadVolumeFromVolume(pLevel, nullptr, nullptr, pSource, nullptr, nullptr, D3DX_DEFAULT, 0),
            D3D_OK);

        // Back into system memory, compared with the same trip through memory volumes.
        IDirect3DVolumeTexture8* pReadTexture = nullptr;
        ASSERT_EQ(
            pDevice->CreateVolumeTexture(N, N, N, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &pReadTexture),
            D3D_OK);
        IDirect3DVolume8* pRead = nullptr;
        ASSERT_EQ(pReadTexture->GetVolumeLevel(0, &pRead), D3D_OK);
        EXPECT_EQ(
            D3DXLoadVolumeFromVolume(pRead, nullptr, nullptr, pLevel, nullptr, nullptr, D3DX_FILTER_NONE, 0),
            D3D_OK);
        MemoryVolume converted(eFormat, N, N, N);
        MemoryVolume expected(D3DFMT_A8R8G8B8, N, N, N);
        D3DXLoadVolumeFromVolume(&converted, nullptr, nullptr, &memory, nullptr, nullptr, D3DX_DEFAULT, 0);
        D3DXLoadVolumeFromVolume(&expected, nullptr, nullptr, &converted, nullptr, nullptr, D3DX_FILTER_NONE,
                                 0);
        ASSERT_EQ(pRead->LockBox(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
        for (UINT z = 0; z < N; ++z)
            for (UINT y = 0; y < N; ++y)
                for (UINT x = 0; x < N; ++x)
                    EXPECT_EQ(reinterpret_cast<const DWORD*>(static_cast<const BYTE*>(locked.pBits) +
                                                             z * locked.SlicePitch + y * locked.RowPitch)[x],
                              reinterpret_cast<const DWORD*>(expected.Row(z, y))[x])
                        << x << "," << y << "," << z;
        pRead->UnlockBox();
        ++iConverted;
        pRead->Release();
        pReadTexture->Release();
        pLevel->Release();
        pTexture->Release();
    }
    EXPECT_GT(iConverted, 0);
    pSource->Release();
    pStaging->Release();
}

// A render target cannot be locked: the loader writes it through an image surface, keeping the
// texels outside the rectangle it writes.
TEST_F(SurfaceDevice, WritesARenderTarget)
{
    IDirect3DDevice8* pDevice = m_device.Device();
    IDirect3DTexture8* pTarget = nullptr;
    ASSERT_EQ(pDevice->CreateTexture(IMAGE_SIZE, IMAGE_SIZE, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                                     D3DPOOL_DEFAULT, &pTarget),
              D3D_OK);
    IDirect3DSurface8* pLevel = nullptr;
    ASSERT_EQ(pTarget->GetSurfaceLevel(0, &pLevel), D3D_OK);
    D3DLOCKED_RECT locked = {};
    const bool bLockable = SUCCEEDED(pLevel->LockRect(&locked, nullptr, 0));
    if (bLockable)
        pLevel->UnlockRect();
    std::cout << "render target lockable: " << (bLockable ? "yes" : "no") << std::endl;

    IDirect3DSurface8* pImage = GradientImage(pDevice);
    ASSERT_NE(pImage, nullptr);
    ASSERT_EQ(
        D3DXLoadSurfaceFromSurface(pLevel, nullptr, nullptr, pImage, nullptr, nullptr, D3DX_FILTER_NONE, 0),
        D3D_OK);
    // A second write into one corner only.
    MemorySurface corner(D3DFMT_A8R8G8B8, 2, 2);
    for (UINT y = 0; y < 2; ++y)
        for (UINT x = 0; x < 2; ++x)
            reinterpret_cast<DWORD*>(corner.Row(y))[x] = 0xFF112233;
    const RECT cornerRect = {IMAGE_SIZE - 2, IMAGE_SIZE - 2, IMAGE_SIZE, IMAGE_SIZE};
    ASSERT_EQ(D3DXLoadSurfaceFromSurface(pLevel, nullptr, &cornerRect, &corner, nullptr, nullptr,
                                         D3DX_FILTER_NONE, 0),
              D3D_OK);

    IDirect3DSurface8* pBack = nullptr;
    ASSERT_EQ(pDevice->CreateImageSurface(IMAGE_SIZE, IMAGE_SIZE, D3DFMT_A8R8G8B8, &pBack), D3D_OK);
    ASSERT_EQ(
        D3DXLoadSurfaceFromSurface(pBack, nullptr, nullptr, pLevel, nullptr, nullptr, D3DX_FILTER_NONE, 0),
        D3D_OK);
    const std::vector<D3DCOLOR> vTexels = ReadImage(pBack);
    ASSERT_EQ(vTexels.size(), IMAGE_SIZE * IMAGE_SIZE);
    for (UINT y = 0; y < IMAGE_SIZE; ++y)
        for (UINT x = 0; x < IMAGE_SIZE; ++x)
        {
            const bool bCorner = x >= IMAGE_SIZE - 2 && y >= IMAGE_SIZE - 2;
            EXPECT_EQ(vTexels[y * IMAGE_SIZE + x], bCorner ? 0xFF112233u : Gradient(x, y)) << x << "," << y;
        }
    pBack->Release();
    pImage->Release();
    pLevel->Release();
    pTarget->Release();
}
