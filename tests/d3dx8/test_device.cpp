#include "test_device.h"

#include <cstdio>

namespace d3dx8_test
{
namespace
{
const char* const WINDOW_CLASS = "d3dx8_test_window";

std::string Describe(const char* szWhat, HRESULT hr)
{
    char sz[128];
    snprintf(sz, sizeof(sz), "%s failed: 0x%08lX", szWhat, static_cast<unsigned long>(hr));
    return sz;
}
} // namespace

TestDevice::TestDevice()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = WINDOW_CLASS;
    RegisterClassA(&wc);
    m_hWnd = CreateWindowA(WINDOW_CLASS, "d3dx8 tests", WS_OVERLAPPEDWINDOW, 0, 0, SIZE * 2, SIZE * 2,
                           nullptr, nullptr, wc.hInstance, nullptr);
    if (!m_hWnd)
    {
        m_szFailure = "CreateWindow failed";
        return;
    }
    m_pD3D = Direct3DCreate8(D3D_SDK_VERSION);
    if (!m_pD3D)
    {
        m_szFailure = "Direct3DCreate8 failed";
        return;
    }
    D3DDISPLAYMODE mode = {};
    HRESULT hr = m_pD3D->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode);
    if (FAILED(hr))
    {
        m_szFailure = Describe("GetAdapterDisplayMode", hr);
        return;
    }
    m_eDisplayFormat = mode.Format;
    D3DPRESENT_PARAMETERS pp = {};
    pp.BackBufferWidth = SIZE;
    pp.BackBufferHeight = SIZE;
    pp.BackBufferFormat = mode.Format;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.hDeviceWindow = m_hWnd;
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = FALSE;
    hr = m_pD3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, m_hWnd, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                              &pp, &m_pDevice);
    if (FAILED(hr))
        hr = m_pD3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, m_hWnd,
                                  D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &m_pDevice);
    if (FAILED(hr))
    {
        m_pDevice = nullptr;
        m_szFailure = Describe("CreateDevice", hr);
    }
}

TestDevice::~TestDevice()
{
    if (m_pDevice)
        m_pDevice->Release();
    if (m_pD3D)
        m_pD3D->Release();
    if (m_hWnd)
        DestroyWindow(m_hWnd);
}

bool TestDevice::SupportsTexture(D3DFORMAT eFormat, D3DRESOURCETYPE eType) const
{
    return m_pD3D && SUCCEEDED(m_pD3D->CheckDeviceFormat(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, m_eDisplayFormat,
                                                         0, eType, eFormat));
}

D3DCOLOR TestDevice::ReadBackBuffer(UINT x, UINT y) const
{
    IDirect3DSurface8* pBack = nullptr;
    if (!m_pDevice || FAILED(m_pDevice->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &pBack)))
        return 0;
    D3DSURFACE_DESC desc = {};
    pBack->GetDesc(&desc);
    IDirect3DSurface8* pCopy = nullptr;
    D3DCOLOR color = 0;
    if (SUCCEEDED(m_pDevice->CreateImageSurface(desc.Width, desc.Height, desc.Format, &pCopy)) &&
        SUCCEEDED(m_pDevice->CopyRects(pBack, nullptr, 0, pCopy, nullptr)))
    {
        D3DLOCKED_RECT locked = {};
        if (SUCCEEDED(pCopy->LockRect(&locked, nullptr, D3DLOCK_READONLY)))
        {
            const BYTE* pRow = static_cast<const BYTE*>(locked.pBits) + y * locked.Pitch;
            if (desc.Format == D3DFMT_R5G6B5)
            {
                const WORD w = reinterpret_cast<const WORD*>(pRow)[x];
                color = D3DCOLOR_XRGB(((w >> 11) & 31) * 255 / 31, ((w >> 5) & 63) * 255 / 63,
                                      (w & 31) * 255 / 31);
            }
            else
                color = reinterpret_cast<const DWORD*>(pRow)[x] | 0xFF000000u;
            pCopy->UnlockRect();
        }
    }
    if (pCopy)
        pCopy->Release();
    pBack->Release();
    return color;
}
} // namespace d3dx8_test
