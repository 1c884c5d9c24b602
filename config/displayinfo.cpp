#include "displayinfo.h"

#include "afxlog.h"

#include <d3d8.h>

#include <new>

namespace
{
// Direct3D 8 for one question: the runtime is loaded by name, since a computer without it must
// still be able to configure the client.
class Direct3D8
{
public:
    Direct3D8()
    {
        m_hModule = LoadLibraryA("d3d8.dll");
        if (!m_hModule)
        {
            AfxLog("Direct3D 8 is not installed (d3d8.dll not found)");
            return;
        }
        typedef IDirect3D8*(WINAPI * CreateFunction)(UINT);
        CreateFunction pfnCreate = reinterpret_cast<CreateFunction>(
            reinterpret_cast<void*>(GetProcAddress(m_hModule, "Direct3DCreate8")));
        m_pD3D = pfnCreate ? pfnCreate(D3D_SDK_VERSION) : nullptr;
        if (!m_pD3D)
        {
            AfxLog("Direct3D 8 could not be created");
        }
    }
    ~Direct3D8()
    {
        if (m_pD3D)
        {
            m_pD3D->Release();
        }
        if (m_hModule)
        {
            FreeLibrary(m_hModule);
        }
    }
    Direct3D8(const Direct3D8&) = delete;
    Direct3D8& operator=(const Direct3D8&) = delete;

    IDirect3D8* operator->() const { return m_pD3D; }
    explicit operator bool() const { return m_pD3D != nullptr; }

private:
    HMODULE m_hModule = nullptr;
    IDirect3D8* m_pD3D = nullptr;
};

// Boards of the display adapter the driver's memory query was made for: they carry 64 MB, so they
// get the smaller textures without asking the driver.
struct ListedAdapter
{
    DWORD dwDeviceId;
    DWORD dwSubSysId;
};
const ListedAdapter LISTED_ADAPTERS[] = {
    {0x5A21, 0x0042B07Au},
    {0x5A21, 0x0043B07Au},
    {0x5A23, 0x0051B07Au},
};

// The driver's private escape that answers the board's memory: a request of three 32-bit words,
// a 40-byte reply whose first word is the memory in bytes.
const int VIDEO_MEMORY_ESCAPE = 0x800A;
const DWORD VIDEO_MEMORY_REQUEST[3] = {7, 12, 40};

bool IsWantedMode(const D3DDISPLAYMODE& mode, int nWidth, int nHeight)
{
    return static_cast<int>(mode.Width) == nWidth && static_cast<int>(mode.Height) == nHeight &&
           GetFormatBitDepth(mode.Format) == 32;
}
} // namespace

int GetFormatBitDepth(D3DFORMAT format)
{
    switch (static_cast<int>(format))
    {
    case 20:
        return 24;
    case 21:
    case 22:
    case 31:
    case 62:
    case 63:
    case 64:
    case 65:
    case 71:
    case 75:
    case 77:
    case 79:
        return 32;
    case 23:
    case 24:
    case 25:
    case 26:
    case 29:
    case 30:
    case 40:
    case 51:
    case 60:
    case 61:
    case 70:
    case 73:
    case 80:
        return 16;
    case 27:
    case 28:
    case 41:
    case 50:
    case 52:
        return 8;
    default:
        return 0;
    }
}

void SortRefreshRates(int* pRates, int nCount)
{
    for (int nEnd = nCount - 1; nEnd > 0; --nEnd)
    {
        for (int i = 0; i < nEnd; ++i)
        {
            if (pRates[i] > pRates[i + 1])
            {
                int nSwap = pRates[i];
                pRates[i] = pRates[i + 1];
                pRates[i + 1] = nSwap;
            }
        }
    }
}

int EnumRefreshRates(int nWidth, int nHeight, int /*nBitDepth*/, int** ppRates, int* pnCount)
{
    Direct3D8 d3d;
    if (!d3d)
    {
        return 0;
    }
    UINT nModes = d3d->GetAdapterModeCount(D3DADAPTER_DEFAULT);
    int nWanted = 0;
    for (UINT i = 0; i < nModes; ++i)
    {
        D3DDISPLAYMODE mode = {};
        if (SUCCEEDED(d3d->EnumAdapterModes(D3DADAPTER_DEFAULT, i, &mode)) &&
            IsWantedMode(mode, nWidth, nHeight))
        {
            ++nWanted;
        }
    }
    int* pRates = new (std::nothrow) int[nWanted > 0 ? nWanted : 1];
    if (!pRates)
    {
        AfxLog("no memory for %d refresh rates", nWanted);
        return 0;
    }
    // The second pass stores no more than the first counted, should the mode list change between.
    int nStored = 0;
    for (UINT i = 0; i < nModes && nStored < nWanted; ++i)
    {
        D3DDISPLAYMODE mode = {};
        if (SUCCEEDED(d3d->EnumAdapterModes(D3DADAPTER_DEFAULT, i, &mode)) &&
            IsWantedMode(mode, nWidth, nHeight))
        {
            pRates[nStored++] = static_cast<int>(mode.RefreshRate);
        }
    }
    SortRefreshRates(pRates, nStored);
    *ppRates = pRates;
    *pnCount = nStored;
    return 1;
}

bool IsListedDisplayAdapter(DWORD dwDeviceId, DWORD dwSubSysId)
{
    for (const ListedAdapter& adapter : LISTED_ADAPTERS)
    {
        if (adapter.dwDeviceId == dwDeviceId && adapter.dwSubSysId == dwSubSysId)
        {
            return true;
        }
    }
    return false;
}

int QueryVideoMemoryMegabytes()
{
    int nMegabytes = static_cast<int>(VIDEO_MEMORY_REQUEST[2]);
    HWND hDesktop = GetDesktopWindow();
    HDC hDC = GetDC(hDesktop);
    if (!hDC)
    {
        return nMegabytes;
    }
    DWORD aReply[10] = {};
    if (ExtEscape(hDC, VIDEO_MEMORY_ESCAPE, sizeof(VIDEO_MEMORY_REQUEST),
                  reinterpret_cast<LPCSTR>(VIDEO_MEMORY_REQUEST), sizeof(aReply),
                  reinterpret_cast<LPSTR>(aReply)) > 0)
    {
        nMegabytes = static_cast<int>(aReply[0] >> 20);
    }
    ReleaseDC(hDesktop, hDC);
    return nMegabytes;
}

int RecommendForVideoMemory(int nMegabytes)
{
    return nMegabytes == 64 ? 0 : 1;
}

int RecommendHighResTextures()
{
    {
        Direct3D8 d3d;
        if (d3d)
        {
            UINT nAdapters = d3d->GetAdapterCount();
            for (UINT i = 0; i < nAdapters; ++i)
            {
                D3DADAPTER_IDENTIFIER8 identifier = {};
                if (SUCCEEDED(d3d->GetAdapterIdentifier(i, D3DENUM_NO_WHQL_LEVEL, &identifier)) &&
                    IsListedDisplayAdapter(identifier.DeviceId, identifier.SubSysId))
                {
                    return 0;
                }
            }
        }
    }
    return RecommendForVideoMemory(QueryVideoMemoryMegabytes());
}
