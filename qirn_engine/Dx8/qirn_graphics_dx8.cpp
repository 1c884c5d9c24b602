#include "qirn_graphics_dx8.h"

#include "qirn_console.h"
#include "qirn_console_dx8.h"
#include "qirn_convertenums_dx8.h"
#include "qirn_debug.h"
#include "qirn_engine.h"
#include "qirn_font_dx8.h"
#include "qirn_geometry.h"
#include "qirn_pixelformat_dx8.h"
#include "qirn_rendertarget.h"
#include "qirn_timer.h"
#include "qirn_cameraactor.h"
#include "qirn_world.h"

#include "qirn_d3derror_dx8.h"

#include <cstring>
#include <new>
#include <vector>

namespace
{
const UINT QIRN_D3D_SDK_VERSION = 220;

// Direct3D 8 makes a hidden window and a GL context of its own to learn the adapter; on a machine
// busy with other programs that can fail for a moment. It is asked again a few times, waiting
// longer each time (about three seconds in all), before the renderer gives up.
const int DIRECT3D_TRIES = 5;
const DWORD DIRECT3D_FIRST_WAIT_MS = 200;

IDirect3D8* CreateDirect3D()
{
    DWORD dwWait = DIRECT3D_FIRST_WAIT_MS;
    for (int iTry = 1; iTry <= DIRECT3D_TRIES; ++iTry)
    {
        IDirect3D8* pD3D8 = Direct3DCreate8(QIRN_D3D_SDK_VERSION);
        if (pD3D8)
        {
            return pD3D8;
        }
        dprintf("*** QIRN_Graphics_DX8 - Direct3DCreate8() failed (try %d of %d)\n", iTry, DIRECT3D_TRIES);
        if (iTry < DIRECT3D_TRIES)
        {
            Sleep(dwWait);
            dwWait *= 2;
        }
    }
    return nullptr;
}

// Candidates of the device information, in the order they are tried.
const D3DFORMAT s_aeDepthCandidates[] = {D3DFMT_D16_LOCKABLE, D3DFMT_D32,   D3DFMT_D15S1,  D3DFMT_D24S8,
                                         D3DFMT_D16,          D3DFMT_D24X8, D3DFMT_D24X4S4};
const D3DFORMAT s_aeTextureCandidates[] = {
    D3DFMT_R8G8B8,   D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_R5G6B5,   D3DFMT_X1R5G5B5,  D3DFMT_A1R5G5B5,
    D3DFMT_A4R4G4B4, D3DFMT_R3G3B2,   D3DFMT_A8,       D3DFMT_A8R3G3B2, D3DFMT_X4R4G4B4,  D3DFMT_A2B10G10R10,
    D3DFMT_A8P8,     D3DFMT_P8,       D3DFMT_L8,       D3DFMT_A8L8,     D3DFMT_A4L4,      D3DFMT_V8U8,
    D3DFMT_L6V5U5,   D3DFMT_X8L8V8U8, D3DFMT_Q8W8V8U8, D3DFMT_V16U16,   D3DFMT_W11V11U10, D3DFMT_UYVY,
    D3DFMT_YUY2,     D3DFMT_DXT1,     D3DFMT_DXT2,     D3DFMT_DXT3,     D3DFMT_DXT4,      D3DFMT_DXT5};

const char* const STATISTICS_FORMAT =
    "Fps: %.2f\nSkin DP calls: %d\nSkin verts: %d\nStatic DP calls: %d\nStatic verts: %d\nBack to front DP "
    "calls: %d\nBack to front verts: %d\nFront to back DP calls: %d\nFront to back verts: %d\nUnsorted DP "
    "calls: %d\nUnsorted verts: %d\nTotal Triangles: %d\nWorld Time: %lf";

// Draws the frame into the render target as seen from the camera ("Update1").
QIRN_ErrorCode RenderTargetUpdateScene(QIRN_RenderTarget_DX8* poTarget, QIRN_Graphics_DX8* poGraphics,
                                       QIRN_World* poWorld, QIRN_CameraActor* poCamera)
{
    if (!poTarget || !poGraphics)
    {
        return GENERICERROR;
    }
    poTarget->SetRT();
    poGraphics->RenderFrame(poWorld, poCamera, true);
    QIRN_RenderTarget_DX8::SetRTBackBuffer();
    return OK;
}

// Draws the world into the render target as seen from 100 units above the camera, looking down
// ("Update2"); the camera is put back afterwards.
QIRN_ErrorCode RenderTargetUpdateTopView(QIRN_RenderTarget_DX8* poTarget, QIRN_Graphics_DX8* poGraphics,
                                         QIRN_World* poWorld, QIRN_CameraActor* poCamera)
{
    if (!poTarget || !poGraphics || !poCamera)
    {
        return GENERICERROR;
    }
    poTarget->SetRT();
    const float fElevation = poCamera->GetElevation();
    const QIRN_Vector4 vPosition = poCamera->GetPosition();
    poCamera->SetElevation(90.0f);
    poCamera->SetPosition(vPosition + QIRN_Vector4(0.0f, 100.0f, 0.0f, 0.0f));
    poGraphics->RenderWorld(poWorld, poCamera, 1, false);
    poCamera->SetElevation(fElevation);
    poCamera->SetPosition(vPosition);
    QIRN_RenderTarget_DX8::SetRTBackBuffer();
    return OK;
}
} // namespace

QIRN_Graphics_DX8::QIRN_Graphics_DX8(QIRN_Engine* pEngine)
    : QIRN_Graphics(pEngine), m_pD3D8(nullptr), m_pD3DDevice8(nullptr), m_d3dpp(), m_dwNumAdapters(0),
      m_bGammaRampSaved(false), m_hWnd(nullptr), m_bAntiAliasing(false), m_bEdgeAntiAliasing(false),
      m_bDrawPixelFailureLogged(false), m_poSorted_VB(nullptr), m_poSorted_IB(nullptr),
      m_pbySortBuffer(nullptr), m_dwSortedTriangles(0), m_dwSortedVertices(0), m_dwSortedIndexCount(0)
{
    std::memset(m_oSavedGammaRamp, 0, sizeof(m_oSavedGammaRamp));
    std::memset(m_adwRenderStateCache, 0xFF, sizeof(m_adwRenderStateCache));
    std::memset(m_adwTextureStageStateCache, 0xFF, sizeof(m_adwTextureStageStateCache));
    std::memset(m_adwStatistics, 0, sizeof(m_adwStatistics));
    HWND hDesktop = GetDesktopWindow();
    HDC hDC = GetDC(hDesktop);
    DisplayDriverEscape(hDC);
    if (hDC)
    {
        ReleaseDC(hDesktop, hDC);
    }
    m_pD3D8 = CreateDirect3D();
    if (m_pD3D8)
    {
        m_dwNumAdapters = m_pD3D8->GetAdapterCount();
        InsertUpdateFunctionInTree("Update1", RenderTargetUpdateScene);
        InsertUpdateFunctionInTree("Update2", RenderTargetUpdateTopView);
    }
}

QIRN_Graphics_DX8::~QIRN_Graphics_DX8()
{
    // The window's ramp goes back only when one was read from it.
    if (m_bGammaRampSaved && m_hWnd)
    {
        HDC hDC = GetDC(m_hWnd);
        if (hDC)
        {
            SetDeviceGammaRamp(hDC, m_oSavedGammaRamp);
            ReleaseDC(m_hWnd, hDC);
        }
    }
    delete m_poDeviceInfo;
    m_poDeviceInfo = nullptr;
    ReleaseResources();
    RTUpdateTree.DeleteAllNodes();
    // Fonts and the console's shader reach into the device; they go before it.
    m_oFontTree.DeleteAllNodes();
    m_poFont = nullptr;
    QIRN_RenderTarget_DX8::DropSavedBackBuffer();
    if (m_pD3DDevice8)
    {
        m_pD3DDevice8->Release();
        m_pD3DDevice8 = nullptr;
    }
    if (m_pD3D8)
    {
        m_pD3D8->Release();
        m_pD3D8 = nullptr;
    }
}

uint32_t QIRN_Graphics_DX8::DisplayDriverEscape(HDC hDC)
{
    if (!hDC)
    {
        return 0;
    }
    const DWORD adwIn[3] = {0x9000FFFF, 12, 4};
    DWORD dwOut = 0;
    if (ExtEscape(hDC, 0x8009, sizeof(adwIn), reinterpret_cast<LPCSTR>(adwIn), sizeof(dwOut),
                  reinterpret_cast<LPSTR>(&dwOut)) != 0)
    {
        return dwOut;
    }
    return 0;
}

D3DDEVTYPE QIRN_Graphics_DX8::GetD3DDeviceFromQIRN(int32_t iDeviceType)
{
    switch (iDeviceType)
    {
    case 1:
        return D3DDEVTYPE_HAL;
    case 2:
        return D3DDEVTYPE_REF;
    default:
        dprintf("***QIRN_Graphics_DX8::GetD3DDeviceFromQIRN(): Unknown device type requested\n");
        return D3DDEVTYPE_HAL;
    }
}

QIRN_ErrorCode QIRN_Graphics_DX8::GetNumAdapters(int* piCount)
{
    if (!piCount)
    {
        return INVALIDPARAMS;
    }
    *piCount = static_cast<int>(m_dwNumAdapters);
    return OK;
}

QIRN_ErrorCode QIRN_Graphics_DX8::GetGraphicsDeviceInfo(uint32_t dwAdapter, QIRN_DeviceInfo** ppInfo)
{
    if (!m_poDeviceInfo)
    {
        if (!m_pD3D8)
        {
            dprintf("*** QIRN_Graphics_DX8::GetGraphicsDeviceInfo() - Direct3D 8 is not available\n");
            return GRAPHICS_FAILED;
        }
        m_poDeviceInfo = new (std::nothrow) QIRN_DeviceInfo;
        if (!m_poDeviceInfo)
        {
            return GENERICERROR;
        }
        QIRN_ErrorCode eResult = FillDeviceInfo(dwAdapter);
        if (eResult != OK)
        {
            return eResult;
        }
    }
    if (ppInfo)
    {
        *ppInfo = m_poDeviceInfo;
    }
    return OK;
}

QIRN_ErrorCode QIRN_Graphics_DX8::FillDeviceInfo(uint32_t dwAdapter)
{
    D3DADAPTER_IDENTIFIER8 oId = {};
    HRESULT hr = m_pD3D8->GetAdapterIdentifier(dwAdapter, D3DENUM_NO_WHQL_LEVEL, &oId);
    if (hr == D3DERR_INVALIDCALL)
    {
        return INVALIDPARAMS;
    }
    // Driver texts longer than the record's fields are cut.
    QIRN_CopyDeviceText(m_poDeviceInfo->m_szDriver, sizeof(m_poDeviceInfo->m_szDriver), oId.Driver);
    QIRN_CopyDeviceText(m_poDeviceInfo->m_szDescription, sizeof(m_poDeviceInfo->m_szDescription),
                        oId.Description);
    m_poDeviceInfo->m_dwVendorId = oId.VendorId;
    m_poDeviceInfo->m_dwDeviceId = oId.DeviceId;
    D3DCAPS8 oCaps = {};
    hr = m_pD3D8->GetDeviceCaps(dwAdapter, D3DDEVTYPE_HAL, &oCaps);
    if (hr == D3DERR_INVALIDCALL)
    {
        return INVALIDPARAMS;
    }
    if (FAILED(hr))
    {
        return GENERICERROR;
    }
    m_poDeviceInfo->m_bCanRenderWindowed = (oCaps.Caps2 & D3DCAPS2_CANRENDERWINDOWED) != 0;
    m_poDeviceInfo->m_bHardwareTnL = (oCaps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT) != 0;
    m_poDeviceInfo->m_dwAdapterBlendStages = oCaps.MaxTextureBlendStages;
    m_poDeviceInfo->m_dwMaxVertexBlendMatrices = oCaps.MaxVertexBlendMatrices;
    m_poDeviceInfo->m_dwMaxVertexBlendMatrixIndex = oCaps.MaxVertexBlendMatrixIndex;
    FillDisplayModes(dwAdapter);
    return OK;
}

void QIRN_Graphics_DX8::FillDisplayModes(uint32_t dwAdapter)
{
    std::vector<D3DDISPLAYMODE> vModes;
    const UINT uCount = m_pD3D8->GetAdapterModeCount(dwAdapter);
    for (UINT i = 0; i < uCount; ++i)
    {
        D3DDISPLAYMODE oMode = {};
        if (FAILED(m_pD3D8->EnumAdapterModes(dwAdapter, i, &oMode)))
        {
            continue;
        }
        const uint32_t dwBits = QIRN_D3DFormatBits(oMode.Format);
        if (oMode.Width >= 640 && oMode.Height >= 480 && dwBits != 8 && dwBits != 24)
        {
            vModes.push_back(oMode);
        }
    }
    QIRN_DisplayMode* pModes = m_poDeviceInfo->AllocateDisplayModes(static_cast<uint32_t>(vModes.size()));
    if (!pModes)
    {
        return;
    }
    m_poDeviceInfo->m_dwNumDisplayModes = static_cast<uint32_t>(vModes.size());
    for (size_t i = 0; i < vModes.size(); ++i)
    {
        QIRN_DisplayMode& roMode = pModes[i];
        roMode.m_dwWidth = vModes[i].Width;
        roMode.m_dwHeight = vModes[i].Height;
        roMode.m_dwRefreshRate = vModes[i].RefreshRate;
        roMode.m_eFormat = QIRN_FromD3DFormat(vModes[i].Format);
        for (D3DFORMAT eCandidate : s_aeDepthCandidates)
        {
            if (roMode.m_dwNumDepthStencilFormats < QIRN_MAXDEPTHSTENCILFORMATS &&
                SUCCEEDED(m_pD3D8->CheckDeviceFormat(dwAdapter, D3DDEVTYPE_HAL, vModes[i].Format,
                                                     D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, eCandidate)))
            {
                roMode.m_aeDepthStencilFormats[roMode.m_dwNumDepthStencilFormats++] =
                    QIRN_FromD3DFormat(eCandidate);
            }
        }
        for (D3DFORMAT eCandidate : s_aeTextureCandidates)
        {
            if (roMode.m_dwNumTextureFormats < QIRN_MAXTEXTUREFORMATS &&
                SUCCEEDED(m_pD3D8->CheckDeviceFormat(dwAdapter, D3DDEVTYPE_HAL, vModes[i].Format, 0,
                                                     D3DRTYPE_TEXTURE, eCandidate)))
            {
                roMode.m_aeTextureFormats[roMode.m_dwNumTextureFormats++] = QIRN_FromD3DFormat(eCandidate);
            }
        }
    }
}

bool QIRN_Graphics_DX8::IsValidDisplayMode(uint32_t, uint32_t dwWidth, uint32_t dwHeight,
                                           QIRN_PixelFormat eFormat, uint32_t dwRefreshRate)
{
    if (!m_poDeviceInfo)
    {
        dprintf("*** QIRN_Graphics_DX8::IsValidDisplayMode() - poGraphicsInfo is NULL\n");
        return false;
    }
    return m_poDeviceInfo->HasDisplayMode(dwWidth, dwHeight, eFormat, dwRefreshRate);
}

D3DFORMAT QIRN_Graphics_DX8::ChooseDepthFormat(uint32_t dwAdapter, D3DDEVTYPE eType, D3DFORMAT eDisplay,
                                               uint32_t eAsked)
{
    const D3DFORMAT eFormat = QIRN_ToD3DFormat(eAsked);
    if (SUCCEEDED(m_pD3D8->CheckDeviceFormat(dwAdapter, eType, eDisplay, D3DUSAGE_DEPTHSTENCIL,
                                             D3DRTYPE_SURFACE, eFormat)))
    {
        return eFormat;
    }
    const QIRN_PixelFormat eEngineDisplay = QIRN_FromD3DFormat(eDisplay);
    const bool bStencil = QIRN_DepthFormatHasStencil(eAsked);
    for (uint32_t m = 0; m < m_poDeviceInfo->m_dwNumDisplayModes; ++m)
    {
        const QIRN_DisplayMode& roMode = m_poDeviceInfo->m_pDisplayModes[m];
        if (roMode.m_eFormat != eEngineDisplay || roMode.m_dwNumDepthStencilFormats == 0)
        {
            continue;
        }
        uint32_t eChosen = roMode.m_aeDepthStencilFormats[0];
        for (uint32_t i = 0; i < roMode.m_dwNumDepthStencilFormats; ++i)
        {
            if (QIRN_DepthFormatHasStencil(roMode.m_aeDepthStencilFormats[i]) == bStencil)
            {
                eChosen = roMode.m_aeDepthStencilFormats[i];
                break;
            }
        }
        dprintf("*** QIRN_Graphics_DX8::SetRenderingParams() - Depth format %d refused, using %d\n",
                static_cast<int>(eAsked), static_cast<int>(eChosen));
        return QIRN_ToD3DFormat(eChosen);
    }
    return eFormat;
}

QIRN_ErrorCode QIRN_Graphics_DX8::SetRenderingParams(QIRN_GraphicsParams* pParams, HWND hWnd)
{
    if (!pParams || !m_pD3D8 || GetGraphicsDeviceInfo(pParams->m_dwDisplay, nullptr) != OK)
    {
        dprintf("*** QIRN_Graphics_DX8 :: SetRenderingParams() - CreateDevice failed\n");
        return GRAPHICS_INITFAILED;
    }
    // A second bring-up replaces the device rather than leaking it.
    if (m_pD3DDevice8)
    {
        ReleaseResources();
        m_pD3DDevice8->Release();
        m_pD3DDevice8 = nullptr;
    }
    const uint32_t dwAdapter = pParams->m_dwDisplay;
    const D3DDEVTYPE eDeviceType = GetD3DDeviceFromQIRN(pParams->m_iDeviceType);
    QIRN_DeviceInfo* poInfo = m_poDeviceInfo;
    std::memset(&m_d3dpp, 0, sizeof(m_d3dpp));
    m_d3dpp.BackBufferWidth = static_cast<UINT>(pParams->m_iWidth);
    m_d3dpp.BackBufferHeight = static_cast<UINT>(pParams->m_iHeight);
    poInfo->m_dwWidth = m_d3dpp.BackBufferWidth;
    poInfo->m_dwHeight = m_d3dpp.BackBufferHeight;
    if (pParams->m_bWindowed)
    {
        D3DDISPLAYMODE oDesktop = {};
        m_pD3D8->GetAdapterDisplayMode(0, &oDesktop);
        m_d3dpp.BackBufferFormat = oDesktop.Format;
        m_d3dpp.SwapEffect = pParams->m_bWindowedVSync ? D3DSWAPEFFECT_COPY_VSYNC : D3DSWAPEFFECT_COPY;
        m_d3dpp.FullScreen_PresentationInterval = D3DPRESENT_INTERVAL_DEFAULT;
    }
    else
    {
        m_d3dpp.BackBufferFormat = QIRN_ToD3DFormat(static_cast<uint32_t>(pParams->m_iBackBufferFormat));
        m_d3dpp.SwapEffect = D3DSWAPEFFECT_FLIP;
        m_d3dpp.FullScreen_PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
        // A windowed device takes no refresh rate.
        m_d3dpp.FullScreen_RefreshRateInHz = static_cast<UINT>(pParams->m_iRefreshRate);
    }
    poInfo->m_dwBackBufferFormat = QIRN_FromD3DFormat(m_d3dpp.BackBufferFormat);
    m_d3dpp.BackBufferCount = static_cast<UINT>(pParams->m_iBackBufferCount);
    poInfo->m_dwBackBufferCount = m_d3dpp.BackBufferCount;
    m_bAntiAliasing = pParams->m_bAntiAliasing;
    if (m_bAntiAliasing)
    {
        m_d3dpp.MultiSampleType = pParams->m_iSamples == 4    ? D3DMULTISAMPLE_4_SAMPLES
                                  : pParams->m_iSamples == 16 ? D3DMULTISAMPLE_16_SAMPLES
                                                              : D3DMULTISAMPLE_NONE;
        m_d3dpp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    }
    if (pParams->m_bEdgeAntiAliasing)
    {
        m_d3dpp.MultiSampleType = D3DMULTISAMPLE_NONE;
        m_bAntiAliasing = false;
        m_bEdgeAntiAliasing = true;
    }
    m_d3dpp.hDeviceWindow = hWnd;
    m_hWnd = hWnd;
    m_d3dpp.Windowed = pParams->m_bWindowed ? TRUE : FALSE;
    m_d3dpp.EnableAutoDepthStencil = pParams->m_bZBuffer ? TRUE : FALSE;
    m_d3dpp.AutoDepthStencilFormat =
        ChooseDepthFormat(dwAdapter, eDeviceType, m_d3dpp.BackBufferFormat, pParams->m_iDepthStencilFormat);
    poInfo->m_dwDepthStencilFormat = QIRN_FromD3DFormat(m_d3dpp.AutoDepthStencilFormat);
    poInfo->m_bStencil = QIRN_DepthFormatHasStencil(poInfo->m_dwDepthStencilFormat);
    poInfo->m_bDepthBuffer = pParams->m_bZBuffer;
    if (pParams->m_bLockableBackBuffer)
    {
        m_d3dpp.Flags |= D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
    }
    poInfo->m_dwAdapter = dwAdapter;
    poInfo->m_dwDeviceType = static_cast<uint32_t>(pParams->m_iDeviceType);
    poInfo->m_bWindowed = pParams->m_bWindowed;

    HDC hDC = hWnd ? GetDC(hWnd) : nullptr;
    if (hDC)
    {
        m_bGammaRampSaved = GetDeviceGammaRamp(hDC, m_oSavedGammaRamp) != FALSE;
        ReleaseDC(hWnd, hDC);
    }
    DWORD dwBehaviour = pParams->m_dwVertexProcessing;
    if (pParams->m_bDriverEscape)
    {
        HWND hDesktop = GetDesktopWindow();
        HDC hDesktopDC = GetDC(hDesktop);
        DisplayDriverEscape(hDesktopDC);
        if (hDesktopDC)
        {
            ReleaseDC(hDesktop, hDesktopDC);
        }
        dwBehaviour = D3DCREATE_MIXED_VERTEXPROCESSING;
    }
    poInfo->m_dwVertexProcessing = dwBehaviour;
    HRESULT hr = m_pD3D8->CreateDevice(dwAdapter, eDeviceType, hWnd, dwBehaviour, &m_d3dpp, &m_pD3DDevice8);
    if (FAILED(hr))
    {
        m_pD3DDevice8 = nullptr;
        dprintf("*** QIRN_Graphics_DX8 :: SetRenderingParams() - CreateDevice failed\n");
        dprintf("                                              D3D returned: %s\n", QIRN_D3DErrorName(hr));
        return GRAPHICS_INITFAILED;
    }
    SetRS(D3DRS_SOFTWAREVERTEXPROCESSING,
          pParams->m_dwVertexProcessing == D3DCREATE_SOFTWARE_VERTEXPROCESSING);
    D3DCAPS8 oCaps = {};
    m_pD3DDevice8->GetDeviceCaps(&oCaps);
    poInfo->m_dwMaxVertexBlendMatrices = oCaps.MaxVertexBlendMatrices;
    poInfo->m_dwMaxVertexBlendMatrixIndex = oCaps.MaxVertexBlendMatrixIndex;
    poInfo->m_dwMaxVertexShaderConst = oCaps.MaxVertexShaderConst;
    poInfo->m_dwVertexShaderVersion = oCaps.VertexShaderVersion;
    poInfo->m_dwPixelShaderVersion = oCaps.PixelShaderVersion;
    poInfo->m_dwMaxSimultaneousTextures = oCaps.MaxSimultaneousTextures;
    poInfo->m_dwMaxTextureBlendStages = oCaps.MaxTextureBlendStages;
    poInfo->m_iMaxPixelShaderValue = static_cast<int32_t>(oCaps.MaxPixelShaderValue);
    const float afZero[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    for (DWORD i = 0; i < oCaps.MaxVertexShaderConst; ++i)
    {
        m_pD3DDevice8->SetVertexShaderConstant(i, afZero, 1);
    }
    if (oCaps.PixelShaderVersion != 0)
    {
        for (DWORD i = 0; i < 8; ++i)
        {
            m_pD3DDevice8->SetPixelShaderConstant(i, afZero, 1);
        }
    }
    SetRS(D3DRS_DITHERENABLE, FALSE);
    return OK;
}

void QIRN_Graphics_DX8::ApplyFillMode()
{
    if (!m_pEngine)
    {
        dprintf("\nSetFillMode() - FAILED because engine pointer is NULL");
        return;
    }
    const int iFillMode = m_pEngine->GetFillMode();
    if (iFillMode != 0)
    {
        SetRS(D3DRS_FILLMODE, ConvertConsoleFillMode(static_cast<uint32_t>(iFillMode)));
    }
}

QIRN_ErrorCode QIRN_Graphics_DX8::RenderFrame(QIRN_World* pWorld, QIRN_CameraActor* pCamera,
                                              bool bRenderTarget)
{
    if (!m_pD3DDevice8)
    {
        dprintf("*** QIRN_Graphics_DX8::RenderFrame() - m_pD3DDevice8 is NULL\n");
        return INVALIDPARAMS;
    }
    if (FAILED(m_pD3DDevice8->TestCooperativeLevel()))
    {
        dprintf("*** QIRN_Graphics_DX8::RenderWorld() : Device lost!\n");
        return GRAPHICS_NOTINITIALIZED;
    }
    if (!bRenderTarget)
    {
        QIRN_Timer* poTimer = m_pEngine ? m_pEngine->GetTimer() : nullptr;
        m_dCurrentTime = poTimer ? poTimer->GetElapsedTime() : 0.0;
        if (!TimeToRender())
        {
            return OK;
        }
        UpdateFrameStats();
    }
    if (pWorld)
    {
        SetLights(pWorld->GetLightActorList(), 0);
        UpdateCustomActors(pWorld->GetCustomActorList());
    }
    ApplyFillMode();
    if (!pWorld)
    {
        DWORD dwFlags = D3DCLEAR_TARGET;
        if (m_poDeviceInfo && m_poDeviceInfo->m_bDepthBuffer)
        {
            dwFlags |= D3DCLEAR_ZBUFFER;
            if (m_poDeviceInfo->m_bStencil)
            {
                dwFlags |= D3DCLEAR_STENCIL;
            }
        }
        m_pD3DDevice8->Clear(0, nullptr, dwFlags, QIRN_DX8_CLEARCOLOR, 1.0f, 255);
    }
    // Written to the device directly: the caches would keep a value the next frame overwrites.
    m_pD3DDevice8->SetRenderState(D3DRS_MULTISAMPLEANTIALIAS, FALSE);
    if (m_bEdgeAntiAliasing)
    {
        m_pD3DDevice8->SetRenderState(D3DRS_EDGEANTIALIAS, TRUE);
    }
    else if (m_bAntiAliasing)
    {
        m_pD3DDevice8->SetRenderState(D3DRS_MULTISAMPLEANTIALIAS, TRUE);
    }
    std::memset(m_adwStatistics, 0, sizeof(m_adwStatistics));
    m_pD3DDevice8->BeginScene();
    for (int32_t iPass = 0; iPass < m_iNumWorldPasses; ++iPass)
    {
        RenderWorld(pWorld, pCamera, iPass, bRenderTarget);
    }
    // Another camera's view volume, outlined as this camera sees it.
    if (m_pFrustumCamera && (!pCamera || m_pFrustumCamera->GetName() != pCamera->GetName()))
    {
        DrawCameraFrustum(m_pFrustumCamera);
    }
    if (!bRenderTarget && m_pEngine)
    {
        if (m_pEngine->GetConsole())
        {
            m_pEngine->GetConsole()->Render();
        }
        if (m_pEngine->GetStatisticsFlag())
        {
            DrawStatistics(pWorld);
        }
        const std::string strDump = m_pEngine->GetScreenDumpFilename();
        ScreenDump(strDump.c_str());
        m_pEngine->SetScreenDumpFilename("");
        ++m_dwTotalFrames;
    }
    m_pD3DDevice8->EndScene();
    return OK;
}

void QIRN_Graphics_DX8::DrawStatistics(QIRN_World* pWorld)
{
    const uint32_t* s = m_adwStatistics;
    char szText[1024];
    snprintf(szText, sizeof(szText), STATISTICS_FORMAT, m_dAverageFrameRate, static_cast<int>(s[0]),
             static_cast<int>(s[1] + s[2] + s[3] + s[4]), static_cast<int>(s[5]), static_cast<int>(s[6]),
             static_cast<int>(s[7]), static_cast<int>(s[8]), static_cast<int>(s[9]), static_cast<int>(s[10]),
             static_cast<int>(s[11]), static_cast<int>(s[12]), static_cast<int>(s[13]),
             pWorld ? static_cast<double>(pWorld->GetWorldTime()) : 0.0);
    SetFont("lucida console", 10, 0);
    SetRS(D3DRS_FILLMODE, D3DFILL_SOLID);
    QIRN_Graphics::DrawText(szText, 15.0f, 15.0f, 0x99FFFFFF, 0);
    const int iFillMode = m_pEngine ? m_pEngine->GetFillMode() : 0;
    SetRS(D3DRS_FILLMODE, ConvertConsoleFillMode(static_cast<uint32_t>(iFillMode)));
}

QIRN_ErrorCode QIRN_Graphics_DX8::PresentFrame()
{
    if (!m_pD3DDevice8)
    {
        dprintf("*** QIRN_Graphics_DX8 :: PresentFrame() - Unable to present frame.\n");
        return GENERICERROR;
    }
    HRESULT hr = m_pD3DDevice8->Present(nullptr, nullptr, nullptr, nullptr);
    if (FAILED(hr))
    {
        dprintf("*** QIRN_Graphics_DX8 :: PresentFrame() - Unable to present frame.\n");
        dprintf("                                          D3D returned: %s\n", QIRN_D3DErrorName(hr));
        return GENERICERROR;
    }
    return OK;
}

QIRN_ErrorCode QIRN_Graphics_DX8::ScreenDump(const char* szFileName)
{
    if (!szFileName)
    {
        dprintf("*** QIRN_Graphics_DX8::ScreenDump() - szFilename is NULL\n");
        return GENERICERROR;
    }
    if (!*szFileName)
    {
        return OK;
    }
    IDirect3DSurface8* pBack = nullptr;
    if (!m_pD3DDevice8 || FAILED(m_pD3DDevice8->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &pBack)))
    {
        dprintf("*** QIRN_Graphics_DX8::ScreenDump() - Unable to get the backbuffer!\n");
        return GENERICERROR;
    }
    // The back buffer cannot be locked: its copy in an image surface is what is written.
    D3DSURFACE_DESC oDesc = {};
    pBack->GetDesc(&oDesc);
    IDirect3DSurface8* pCopy = nullptr;
    QIRN_ErrorCode eResult = GENERICERROR;
    if (SUCCEEDED(m_pD3DDevice8->CreateImageSurface(oDesc.Width, oDesc.Height, oDesc.Format, &pCopy)) &&
        SUCCEEDED(m_pD3DDevice8->CopyRects(pBack, nullptr, 0, pCopy, nullptr)))
    {
        eResult = SaveDDSToBMPFile(pCopy, szFileName, nullptr);
    }
    else
    {
        dprintf("*** QIRN_Graphics_DX8::ScreenDump() - Unable to copy the backbuffer!\n");
    }
    if (pCopy)
    {
        pCopy->Release();
    }
    pBack->Release();
    return eResult;
}

QIRN_ErrorCode QIRN_Graphics_DX8::DrawPixel(int x, int y, uint32_t dwColor)
{
    IDirect3DSurface8* pBack = nullptr;
    if (!m_pD3DDevice8 || FAILED(m_pD3DDevice8->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &pBack)))
    {
        dprintf("*** QIRN_Graphics_DX8::DrawPixel() - Unable to get a pointer to the backbuffer!\n");
        return GENERICERROR;
    }
    D3DSURFACE_DESC oDesc = {};
    pBack->GetDesc(&oDesc);
    // Only 32-bit pixels are written, and only inside the buffer.
    if (x < 0 || y < 0 || static_cast<UINT>(x) >= oDesc.Width || static_cast<UINT>(y) >= oDesc.Height ||
        (oDesc.Format != D3DFMT_A8R8G8B8 && oDesc.Format != D3DFMT_X8R8G8B8))
    {
        pBack->Release();
        dprintf("*** QIRN_Graphics_DX8::DrawPixel() - Pixel (%d, %d) is outside a 32-bit backbuffer\n", x, y);
        return INVALIDPARAMS;
    }
    D3DLOCKED_RECT oLocked = {};
    if (SUCCEEDED(pBack->LockRect(&oLocked, nullptr, 0)))
    {
        reinterpret_cast<DWORD*>(static_cast<uint8_t*>(oLocked.pBits) + oLocked.Pitch * y)[x] = dwColor;
        pBack->UnlockRect();
        pBack->Release();
        return OK;
    }
    // A back buffer made without the lockable flag (as the client makes it) refuses the lock: the
    // pixel is then cleared as a rectangle of its own, which the device does on its target.
    const QIRN_ErrorCode eResult = ClearPixel(pBack, oDesc, x, y, dwColor);
    pBack->Release();
    // Plug-ins draw many pixels a frame: one line tells what is wrong without flooding the log.
    if (eResult != OK && !m_bDrawPixelFailureLogged)
    {
        dprintf("*** QIRN_Graphics_DX8::DrawPixel() - Unable to lock the backbuffer!\n");
        m_bDrawPixelFailureLogged = true;
    }
    return eResult;
}

QIRN_ErrorCode QIRN_Graphics_DX8::ClearPixel(IDirect3DSurface8* pBack, const D3DSURFACE_DESC& roDesc, int x,
                                             int y, uint32_t dwColor)
{
    IDirect3DSurface8* pTarget = nullptr;
    if (FAILED(m_pD3DDevice8->GetRenderTarget(&pTarget)) || !pTarget)
    {
        return GENERICERROR;
    }
    const bool bBackBufferIsTarget = pTarget == pBack;
    pTarget->Release();
    if (!bBackBufferIsTarget)
    {
        return GENERICERROR;
    }
    // Clears are clipped to the viewport; the pixel is addressed in the whole buffer.
    D3DVIEWPORT8 oSaved = {};
    m_pD3DDevice8->GetViewport(&oSaved);
    const D3DVIEWPORT8 oWhole = {0, 0, roDesc.Width, roDesc.Height, oSaved.MinZ, oSaved.MaxZ};
    m_pD3DDevice8->SetViewport(&oWhole);
    const D3DRECT oPixel = {x, y, x + 1, y + 1};
    const HRESULT hr = m_pD3DDevice8->Clear(1, &oPixel, D3DCLEAR_TARGET, dwColor, 1.0f, 0);
    m_pD3DDevice8->SetViewport(&oSaved);
    return SUCCEEDED(hr) ? OK : GENERICERROR;
}

QIRN_ErrorCode QIRN_Graphics_DX8::ClientDrawText(std::string szText, float x, float y, uint32_t dwColor,
                                                 uint32_t dwFlags)
{
    if (!m_pD3DDevice8)
    {
        dprintf("*** QIRN_Graphics_DX8::ClientDrawText() - m_pD3DDevice8 is NULL\n");
        return INVALIDPARAMS;
    }
    m_pD3DDevice8->BeginScene();
    QIRN_ErrorCode eResult = QIRN_Graphics::DrawText(szText, x, y, dwColor, dwFlags);
    m_pD3DDevice8->EndScene();
    return eResult;
}

QIRN_Font* QIRN_Graphics_DX8::CreateFont()
{
    return new (std::nothrow) QIRN_Font_DX8;
}

void QIRN_Graphics_DX8::DeleteShaderHandles()
{
    for (auto* pNode = VertexShaderList.m_pHead; pNode; pNode = pNode->m_pNext)
    {
        if (m_pD3DDevice8 && pNode->m_pData && pNode->m_pData->m_dwHandle)
        {
            m_pD3DDevice8->DeleteVertexShader(pNode->m_pData->m_dwHandle);
        }
    }
    VertexShaderList.DeleteAllNodes();
    for (auto* pNode = PixelShaderList.m_pHead; pNode; pNode = pNode->m_pNext)
    {
        if (m_pD3DDevice8 && pNode->m_pData && pNode->m_pData->m_dwHandle)
        {
            m_pD3DDevice8->DeletePixelShader(pNode->m_pData->m_dwHandle);
        }
    }
    PixelShaderList.DeleteAllNodes();
}

QIRN_ErrorCode QIRN_Graphics_DX8::ReleaseResources()
{
    // The console's converted shader binds textures of this renderer: it goes with them and is
    // converted again when the console is next drawn.
    QIRN_Console_DX8* poConsole =
        m_pEngine ? dynamic_cast<QIRN_Console_DX8*>(m_pEngine->GetConsole()) : nullptr;
    if (poConsole && poConsole->m_poGraphics == this)
    {
        poConsole->ReleaseResources();
    }
    // Nothing drawn from here on may still name a texture, shader or handle that goes now.
    if (m_pD3DDevice8)
    {
        m_pD3DDevice8->SetVertexShader(D3DFVF_XYZ);
        m_pD3DDevice8->SetPixelShader(0);
        for (DWORD i = 0; i < QIRN_DX8_MAXSTAGES; ++i)
        {
            m_pD3DDevice8->SetTexture(i, nullptr);
        }
    }
    // Geometries list the meshes that go now: they make them again when next drawn.
    if (m_pEngine && m_pEngine->GetWorld())
    {
        QIRN_Geometry::ReleaseWorldRenderMeshes(m_pEngine->GetWorld());
        DestroyCustomActors(m_pEngine->GetWorld()->GetCustomActorList());
    }
    MeshTree.DeleteAllNodes();
    ReleaseSortedPolygonStructures();
    TextureTree.DeleteAllNodes();
    QIRNDX8ShaderTree.DeleteAllNodes();
    QIRN_RenderTarget_DX8::SetRTBackBuffer();
    RenderTargetTree.DeleteAllNodes();
    // The update functions are registered once, by the constructor: they stay for the next world.
    DeleteShaderHandles();
    m_oFontTree.DeleteAllNodes();
    m_poFont = nullptr;
    return OK;
}

QIRN_ErrorCode QIRN_Graphics_DX8::InsertUpdateFunctionInTree(std::string strName,
                                                             QIRN_RTUpdateFunction pfnUpdate)
{
    if (!pfnUpdate)
    {
        dprintf("*** QIRN_Graphics_DX8::InsertUpdateFunctionInTree() - pUpdate is NULL\n");
        return GENERICERROR;
    }
    if (strName.empty())
    {
        dprintf("*** QIRN_Graphics_DX8::InsertUpdateFunctionInTree() - szName is EMPTY\n");
        return GENERICERROR;
    }
    QIRN_RTUpdateEntry* poEntry = new (std::nothrow) QIRN_RTUpdateEntry{pfnUpdate};
    if (!poEntry || !RTUpdateTree.InsertNode(strName, poEntry))
    {
        delete poEntry;
        dprintf("*** QIRN_Graphics_DX8::InsertUpdateFunctionInTree() - RTUpdateTree.InsertNode() FAILED\n");
        return GENERICERROR;
    }
    return OK;
}

QIRN_ErrorCode QIRN_Graphics_DX8::CreateRenderTarget(QIRN_RenderTarget* pRenderTarget)
{
    if (!pRenderTarget)
    {
        return INVALIDPARAMS;
    }
    if (RenderTargetTree.FindNode(pRenderTarget->m_strName))
    {
        return OK;
    }
    QIRN_RTUpdateFunction pfnUpdate = nullptr;
    auto* poUpdate = RTUpdateTree.FindNode(pRenderTarget->m_strUpdateFunction);
    if (poUpdate && poUpdate->m_pData)
    {
        pfnUpdate = poUpdate->m_pData->m_pfnUpdate;
    }
    QIRN_RenderTarget_DX8* poTarget = new (std::nothrow) QIRN_RenderTarget_DX8;
    if (!poTarget)
    {
        return GENERICERROR;
    }
    poTarget->Create(m_pD3DDevice8, pRenderTarget->m_strName, static_cast<int32_t>(pRenderTarget->m_dwWidth),
                     static_cast<int32_t>(pRenderTarget->m_dwHeight),
                     QIRN_ToD3DFormat(pRenderTarget->m_eFormat), pRenderTarget->m_bLockable,
                     pRenderTarget->m_bCreateZBuffer, QIRN_ToD3DFormat(pRenderTarget->m_eZBufferFormat),
                     pfnUpdate);
    if (!RenderTargetTree.InsertNode(pRenderTarget->m_strName, poTarget))
    {
        delete poTarget;
        dprintf("*** QIRN_Graphics_DX8 :: CreateRenderTarget() - Unable to insert render target in texture "
                "tree!\n");
        return GENERICERROR;
    }
    return OK;
}

QIRN_ErrorCode QIRN_Graphics_DX8::UpdateRenderTargets(QIRN_World* pWorld, QIRN_CameraActor* pCamera)
{
    for (auto* pNode = RenderTargetTree.GetFirstNode(); pNode; pNode = pNode->GetNextNode())
    {
        if (pNode->m_pData)
        {
            pNode->m_pData->Update(this, pWorld, pCamera);
        }
    }
    return OK;
}

QIRN_Texture_DX8* QIRN_Graphics_DX8::GetTexture(std::string strName) const
{
    auto* poNode = TextureTree.FindNode(strName);
    if (poNode && poNode->m_pData)
    {
        return poNode->m_pData;
    }
    auto* poTarget = RenderTargetTree.FindNode(strName);
    return poTarget ? poTarget->m_pData : nullptr;
}

QIRN_Shader_DX8* QIRN_Graphics_DX8::GetDX8Shader(std::string strName) const
{
    auto* poNode = QIRNDX8ShaderTree.FindNode(strName);
    return poNode ? poNode->m_pData : nullptr;
}

DWORD QIRN_Graphics_DX8::GetVertexShader(std::string strKey) const
{
    auto* poNode = VertexShaderList.FindNode(strKey);
    return poNode && poNode->m_pData ? poNode->m_pData->m_dwHandle : 0;
}

QIRN_ErrorCode QIRN_Graphics_DX8::SetRS(D3DRENDERSTATETYPE eState, DWORD dwValue)
{
    if (!m_pD3DDevice8)
    {
        return INVALIDPARAMS;
    }
    m_pD3DDevice8->SetRenderState(eState, dwValue);
    if (static_cast<uint32_t>(eState) < QIRN_DX8_NUMRENDERSTATES)
    {
        m_adwRenderStateCache[eState] = dwValue;
    }
    return OK;
}

DWORD QIRN_Graphics_DX8::GetRS(D3DRENDERSTATETYPE eState)
{
    const bool bCached = static_cast<uint32_t>(eState) < QIRN_DX8_NUMRENDERSTATES;
    if (bCached && m_adwRenderStateCache[eState] != 0xFFFFFFFF)
    {
        return m_adwRenderStateCache[eState];
    }
    DWORD dwValue = 0;
    if (!m_pD3DDevice8 || FAILED(m_pD3DDevice8->GetRenderState(eState, &dwValue)))
    {
        dprintf("QIRN_Graphics_DX8::GetRS() - GetRenderState() failed, disable pure device!\n");
        return 0xFFFFFFFF;
    }
    if (bCached)
    {
        m_adwRenderStateCache[eState] = dwValue;
    }
    return dwValue;
}

QIRN_ErrorCode QIRN_Graphics_DX8::SetTSS(DWORD dwStage, D3DTEXTURESTAGESTATETYPE eType, DWORD dwValue)
{
    if (!m_pD3DDevice8)
    {
        return INVALIDPARAMS;
    }
    m_pD3DDevice8->SetTextureStageState(dwStage, eType, dwValue);
    if (dwStage < QIRN_DX8_MAXSTAGES && static_cast<uint32_t>(eType) < QIRN_DX8_NUMTEXTURESTAGESTATES)
    {
        m_adwTextureStageStateCache[dwStage][eType] = dwValue;
    }
    return OK;
}

DWORD QIRN_Graphics_DX8::GetTSS(DWORD dwStage, D3DTEXTURESTAGESTATETYPE eType) const
{
    if (dwStage < QIRN_DX8_MAXSTAGES && static_cast<uint32_t>(eType) < QIRN_DX8_NUMTEXTURESTAGESTATES)
    {
        return m_adwTextureStageStateCache[dwStage][eType];
    }
    return 0xFFFFFFFF;
}

QIRN_ErrorCode QIRN_Graphics_DX8::SetTransform(D3DTRANSFORMSTATETYPE eType, const D3DMATRIX* pMatrix)
{
    if (!m_pD3DDevice8 || !pMatrix)
    {
        return INVALIDPARAMS;
    }
    m_pD3DDevice8->SetTransform(eType, pMatrix);
    return OK;
}

QIRN_ErrorCode QIRN_Graphics_DX8::SetVB(UINT uStream, IDirect3DVertexBuffer8* pBuffer, UINT uStride)
{
    if (!m_pD3DDevice8 || FAILED(m_pD3DDevice8->SetStreamSource(uStream, pBuffer, uStride)))
    {
        dprintf("*** QIRN_Graphics_DX8::SetVB() - m_pD3DDevice8->SetStreamSource() FAILED\n");
        return GENERICERROR;
    }
    return OK;
}

QIRN_ErrorCode QIRN_Graphics_DX8::SetIB(IDirect3DIndexBuffer8* pBuffer, UINT uBaseIndex)
{
    if (!m_pD3DDevice8 || FAILED(m_pD3DDevice8->SetIndices(pBuffer, uBaseIndex)))
    {
        dprintf("*** QIRN_Graphics_DX8::SetIB() - m_pD3DDevice8->SetIndices() FAILED\n");
        return GENERICERROR;
    }
    return OK;
}

IDirect3DVertexBuffer8* QIRN_Graphics_DX8::CreateVertexBuffer(UINT uLength, DWORD dwUsage, DWORD dwFVF,
                                                              D3DPOOL ePool)
{
    IDirect3DVertexBuffer8* pBuffer = nullptr;
    if (!m_pD3DDevice8 || FAILED(m_pD3DDevice8->CreateVertexBuffer(uLength, dwUsage, dwFVF, ePool, &pBuffer)))
    {
        return nullptr;
    }
    return pBuffer;
}

IDirect3DIndexBuffer8* QIRN_Graphics_DX8::CreateIndexBuffer(UINT uLength, DWORD dwUsage, D3DFORMAT eFormat,
                                                            D3DPOOL ePool)
{
    IDirect3DIndexBuffer8* pBuffer = nullptr;
    if (!m_pD3DDevice8 ||
        FAILED(m_pD3DDevice8->CreateIndexBuffer(uLength, dwUsage, eFormat, ePool, &pBuffer)))
    {
        return nullptr;
    }
    return pBuffer;
}

QIRN_ErrorCode QIRN_Graphics_DX8::DrawIndexedPrimitive(D3DPRIMITIVETYPE eType, UINT uMinIndex,
                                                       UINT uNumVertices, UINT uStartIndex,
                                                       UINT uPrimitiveCount)
{
    const HRESULT hr = m_pD3DDevice8 ? m_pD3DDevice8->DrawIndexedPrimitive(eType, uMinIndex, uNumVertices,
                                                                           uStartIndex, uPrimitiveCount)
                                     : D3DERR_INVALIDCALL;
    if (FAILED(hr))
    {
        dprintf("\n\n%s error while executing %s in %s at line %d!\n\n", QIRN_D3DErrorName(hr),
                "m_pD3DDevice8->DrawIndexedPrimitive(PrimitiveType, MinIndex, NumVertices, StartIndex, "
                "PrimitiveCount)",
                __FILE__, __LINE__);
        return GENERICERROR;
    }
    m_adwStatistics[13] += uPrimitiveCount;
    return OK;
}

QIRN_ErrorCode QIRN_Graphics_DX8::ConvertQIRNMatrixToD3D(const QIRN_Matrix4* pMatrix, D3DMATRIX* pD3DMatrix)
{
    if (!pMatrix)
    {
        dprintf("*** ConvertQIRNMatrixToD3D() - mat is NULL\n");
        return INVALIDPARAMS;
    }
    if (!pD3DMatrix)
    {
        dprintf("*** ConvertQIRNMatrixToD3D() - d3dmat is NULL\n");
        return INVALIDPARAMS;
    }
    static_assert(sizeof(QIRN_Matrix4) == sizeof(D3DMATRIX), "both are 16 floats");
    std::memcpy(pD3DMatrix, pMatrix, sizeof(D3DMATRIX));
    return OK;
}
