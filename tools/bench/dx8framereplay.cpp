#include "dx8framereplay.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <tuple>

namespace
{
const uint32_t STREAMS = 16;

// The states a call sets, each a key and the value it gives it.
typedef std::tuple<uint32_t, uint32_t, uint32_t> Key;
typedef std::vector<std::pair<Key, std::string>> Settings;

std::string Value(const void* p, size_t uBytes)
{
    return std::string(static_cast<const char*>(p), uBytes);
}

std::string Words(uint32_t a, uint32_t b = 0)
{
    const uint32_t au[2] = {a, b};
    return Value(au, sizeof(au));
}

Settings SettingsOf(const Dx8Command& ro)
{
    const uint32_t* a = ro.au;
    const std::string strData = Value(ro.vData.data(), ro.vData.size());
    switch (ro.uOp)
    {
    case DX8_RENDER_STATE:
        return {{Key(ro.uOp, a[0], 0), Words(a[1])}};
    case DX8_TEXTURE_STAGE_STATE:
        return {{Key(ro.uOp, a[0], a[1]), Words(a[2])}};
    case DX8_TRANSFORM:
    case DX8_LIGHT:
    case DX8_CLIP_PLANE:
        return {{Key(ro.uOp, a[0], 0), strData}};
    case DX8_VIEWPORT:
    case DX8_MATERIAL:
        return {{Key(ro.uOp, 0, 0), strData}};
    case DX8_LIGHT_ENABLE:
    case DX8_SET_TEXTURE:
        return {{Key(ro.uOp, a[0], 0), Words(a[1])}};
    case DX8_VERTEX_SHADER:
    case DX8_INDICES:
    case DX8_SET_RENDER_TARGET:
        return {{Key(ro.uOp, 0, 0), Words(a[0], a[1])}};
    case DX8_PIXEL_SHADER:
        return {{Key(ro.uOp, 0, 0), Words(a[0])}};
    case DX8_STREAM:
        return {{Key(ro.uOp, a[0], 0), Words(a[1], a[2])}};
    case DX8_VS_CONSTANT:
    case DX8_PS_CONSTANT:
    {
        // Register by register, as calls of different counts overlap.
        Settings o;
        for (uint32_t i = 0; i < a[1]; ++i)
        {
            o.push_back({Key(ro.uOp, a[0] + i, 0), strData.substr(16 * i, 16)});
        }
        return o;
    }
    default:
        return {};
    }
}

// What a call does to the device's state: the values it sets, and what it leaves unknown or unbound.
void Apply(std::map<Key, std::string>& roState, const Dx8Command& ro)
{
    for (const auto& roSetting : SettingsOf(ro))
    {
        roState[roSetting.first] = roSetting.second;
    }
    if (ro.uOp == DX8_SET_RENDER_TARGET)
    {
        // A new target sets the viewport to all of it.
        roState.erase(Key(DX8_VIEWPORT, 0, 0));
    }
    if (ro.uOp == DX8_DRAW_UP || ro.uOp == DX8_DRAW_INDEXED_UP)
    {
        roState[Key(DX8_STREAM, 0, 0)] = Words(0, 0);
    }
    if (ro.uOp == DX8_DRAW_INDEXED_UP)
    {
        roState[Key(DX8_INDICES, 0, 0)] = Words(0, 0);
    }
}

bool Changes(const std::map<Key, std::string>& roState, const Dx8Command& ro)
{
    const Settings oSettings = SettingsOf(ro);
    if (oSettings.empty())
    {
        // Scenes, clears and draws are always made.
        return true;
    }
    for (const auto& roSetting : oSettings)
    {
        const auto it = roState.find(roSetting.first);
        if (it == roState.end() || it->second != roSetting.second)
        {
            return true;
        }
    }
    return false;
}

// Copies rows of a level into a locked surface or box, each row no longer than both pitches.
void CopyRows(uint8_t* pDest, size_t uDestPitch, const Dx8Level& ro, size_t uRows)
{
    const size_t uSourcePitch = ro.uPitch;
    if (uSourcePitch == 0)
    {
        return;
    }
    const size_t uWidth = std::min(uDestPitch, uSourcePitch);
    for (size_t i = 0; i < uRows && (i + 1) * uSourcePitch <= ro.vBytes.size(); ++i)
    {
        memcpy(pDest + i * uDestPitch, ro.vBytes.data() + i * uSourcePitch, uWidth);
    }
}

bool IsBlockFormat(uint32_t u)
{
    const D3DFORMAT e = static_cast<D3DFORMAT>(u);
    return e == D3DFMT_DXT1 || e == D3DFMT_DXT2 || e == D3DFMT_DXT3 || e == D3DFMT_DXT4 || e == D3DFMT_DXT5;
}

// Fills a surface from a level: locked directly, or through an image surface for the default pool.
bool FillSurface(IDirect3DDevice8* pDevice, IDirect3DSurface8* pSurface, const Dx8Level& ro)
{
    if (ro.vBytes.empty())
    {
        return true;
    }
    D3DSURFACE_DESC oDesc = {};
    pSurface->GetDesc(&oDesc);
    const size_t uRows = IsBlockFormat(oDesc.Format) ? (oDesc.Height + 3) / 4 : oDesc.Height;
    IDirect3DSurface8* pStaging = nullptr;
    IDirect3DSurface8* pWrite = pSurface;
    if (oDesc.Pool == D3DPOOL_DEFAULT)
    {
        if (FAILED(pDevice->CreateImageSurface(oDesc.Width, oDesc.Height, oDesc.Format, &pStaging)))
        {
            return false;
        }
        pWrite = pStaging;
    }
    D3DLOCKED_RECT oLocked = {};
    bool bOk = SUCCEEDED(pWrite->LockRect(&oLocked, nullptr, 0));
    if (bOk)
    {
        CopyRows(static_cast<uint8_t*>(oLocked.pBits), static_cast<size_t>(oLocked.Pitch), ro, uRows);
        pWrite->UnlockRect();
    }
    if (pStaging)
    {
        bOk = bOk && SUCCEEDED(pDevice->CopyRects(pStaging, nullptr, 0, pSurface, nullptr));
        pStaging->Release();
    }
    return bOk;
}

template <typename Buffer> bool FillBuffer(Buffer* pBuffer, const std::vector<uint8_t>& rv)
{
    BYTE* p = nullptr;
    if (FAILED(pBuffer->Lock(0, 0, &p, 0)))
    {
        return false;
    }
    memcpy(p, rv.data(), rv.size());
    pBuffer->Unlock();
    return true;
}
} // namespace

Dx8FrameReplay::~Dx8FrameReplay()
{
    if (m_pDevice)
    {
        for (size_t i = 0; i < m_vdwShaders.size() && m_poFrame; ++i)
        {
            if (m_vdwShaders[i])
            {
                if (m_poFrame->m_voShaders[i].bPixel)
                    m_pDevice->DeletePixelShader(m_vdwShaders[i]);
                else
                    m_pDevice->DeleteVertexShader(m_vdwShaders[i]);
            }
        }
    }
    for (auto it = m_vpResources.rbegin(); it != m_vpResources.rend(); ++it)
    {
        if (*it)
        {
            (*it)->Release();
        }
    }
    if (m_pDevice)
    {
        m_pDevice->Release();
    }
    if (m_pD3D)
    {
        m_pD3D->Release();
    }
}

bool Dx8FrameReplay::MakeResources(std::string& rstrError)
{
    IDirect3DDevice8* p = m_pDevice;
    for (const Dx8Resource& ro : m_poFrame->m_voResources)
    {
        const D3DFORMAT eFormat = static_cast<D3DFORMAT>(ro.uFormat);
        const D3DPOOL ePool = static_cast<D3DPOOL>(ro.uPool);
        const DWORD dwUsage = ro.uUsage;
        IUnknown* pMade = nullptr;
        bool bFilled = true;
        HRESULT hr = E_FAIL;
        switch (ro.uKind)
        {
        case DX8_TEXTURE:
        {
            IDirect3DTexture8* pTexture = nullptr;
            hr = p->CreateTexture(ro.uWidth, ro.uHeight, ro.uLevels, dwUsage, eFormat, ePool, &pTexture);
            for (UINT i = 0; SUCCEEDED(hr) && i < ro.uLevels; ++i)
            {
                IDirect3DSurface8* pLevel = nullptr;
                bFilled = bFilled && SUCCEEDED(pTexture->GetSurfaceLevel(i, &pLevel)) &&
                          FillSurface(p, pLevel, ro.voLevels[i]);
                if (pLevel)
                    pLevel->Release();
            }
            pMade = pTexture;
            break;
        }
        case DX8_CUBE_TEXTURE:
        {
            IDirect3DCubeTexture8* pCube = nullptr;
            hr = p->CreateCubeTexture(ro.uWidth, ro.uLevels, dwUsage, eFormat, ePool, &pCube);
            for (UINT uFace = 0; SUCCEEDED(hr) && uFace < 6; ++uFace)
            {
                for (UINT i = 0; i < ro.uLevels; ++i)
                {
                    IDirect3DSurface8* pLevel = nullptr;
                    bFilled = bFilled &&
                              SUCCEEDED(pCube->GetCubeMapSurface(static_cast<D3DCUBEMAP_FACES>(uFace), i,
                                                                 &pLevel)) &&
                              FillSurface(p, pLevel, ro.voLevels[uFace * ro.uLevels + i]);
                    if (pLevel)
                        pLevel->Release();
                }
            }
            pMade = pCube;
            break;
        }
        case DX8_VOLUME_TEXTURE:
        {
            IDirect3DVolumeTexture8* pVolume = nullptr;
            hr = p->CreateVolumeTexture(ro.uWidth, ro.uHeight, ro.uDepth, ro.uLevels, dwUsage, eFormat, ePool,
                                        &pVolume);
            for (UINT i = 0; SUCCEEDED(hr) && i < ro.uLevels; ++i)
            {
                const Dx8Level& roLevel = ro.voLevels[i];
                D3DVOLUME_DESC oDesc = {};
                D3DLOCKED_BOX oBox = {};
                if (roLevel.vBytes.empty() || roLevel.uSlicePitch == 0)
                {
                    continue;
                }
                pVolume->GetLevelDesc(i, &oDesc);
                if (FAILED(pVolume->LockBox(i, &oBox, nullptr, 0)))
                {
                    bFilled = false;
                    continue;
                }
                const size_t uRows = IsBlockFormat(ro.uFormat) ? (oDesc.Height + 3) / 4 : oDesc.Height;
                for (UINT uSlice = 0; uSlice < oDesc.Depth; ++uSlice)
                {
                    // One slice at a time, as a level of its own.
                    Dx8Level oSlice;
                    oSlice.uPitch = roLevel.uPitch;
                    const size_t uStart = static_cast<size_t>(uSlice) * roLevel.uSlicePitch;
                    if (uStart + roLevel.uSlicePitch <= roLevel.vBytes.size())
                    {
                        oSlice.vBytes.assign(roLevel.vBytes.begin() + static_cast<std::ptrdiff_t>(uStart),
                                             roLevel.vBytes.begin() +
                                                 static_cast<std::ptrdiff_t>(uStart + roLevel.uSlicePitch));
                        CopyRows(static_cast<uint8_t*>(oBox.pBits) +
                                     uSlice * static_cast<size_t>(oBox.SlicePitch),
                                 static_cast<size_t>(oBox.RowPitch), oSlice, uRows);
                    }
                }
                pVolume->UnlockBox(i);
            }
            pMade = pVolume;
            break;
        }
        case DX8_VERTEX_BUFFER:
        {
            IDirect3DVertexBuffer8* pBuffer = nullptr;
            hr =
                p->CreateVertexBuffer(static_cast<UINT>(ro.vBytes.size()), dwUsage, ro.uFvf, ePool, &pBuffer);
            bFilled = FAILED(hr) || FillBuffer(pBuffer, ro.vBytes);
            pMade = pBuffer;
            break;
        }
        case DX8_INDEX_BUFFER:
        {
            IDirect3DIndexBuffer8* pBuffer = nullptr;
            hr = p->CreateIndexBuffer(static_cast<UINT>(ro.vBytes.size()), dwUsage, eFormat, ePool, &pBuffer);
            bFilled = FAILED(hr) || FillBuffer(pBuffer, ro.vBytes);
            pMade = pBuffer;
            break;
        }
        case DX8_BACK_BUFFER:
        case DX8_AUTO_DEPTH:
        {
            IDirect3DSurface8* pSurface = nullptr;
            hr = ro.uKind == DX8_BACK_BUFFER ? p->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &pSurface)
                                             : p->GetDepthStencilSurface(&pSurface);
            pMade = pSurface;
            break;
        }
        case DX8_TEXTURE_LEVEL:
        {
            IDirect3DSurface8* pSurface = nullptr;
            IDirect3DTexture8* pTexture = static_cast<IDirect3DTexture8*>(m_vpResources[ro.uParent - 1]);
            hr = pTexture->GetSurfaceLevel(ro.uLevel, &pSurface);
            pMade = pSurface;
            break;
        }
        case DX8_DEPTH_SURFACE:
        case DX8_RENDER_TARGET:
        {
            IDirect3DSurface8* pSurface = nullptr;
            hr = ro.uKind == DX8_DEPTH_SURFACE ? p->CreateDepthStencilSurface(ro.uWidth, ro.uHeight, eFormat,
                                                                              D3DMULTISAMPLE_NONE, &pSurface)
                                               : p->CreateRenderTarget(ro.uWidth, ro.uHeight, eFormat,
                                                                       D3DMULTISAMPLE_NONE, FALSE, &pSurface);
            pMade = pSurface;
            break;
        }
        default:
            break;
        }
        if (FAILED(hr) || !pMade || !bFilled)
        {
            if (pMade)
                pMade->Release();
            rstrError = "the device did not make resource " + std::to_string(m_vpResources.size() + 1) +
                        " (kind " + std::to_string(ro.uKind) + ", format " + std::to_string(ro.uFormat) + ")";
            return false;
        }
        m_vpResources.push_back(pMade);
    }
    return true;
}

bool Dx8FrameReplay::MakeShaders(std::string& rstrError)
{
    for (const Dx8Shader& ro : m_poFrame->m_voShaders)
    {
        // The tokens as the device takes them (DWORD and uint32_t are both 32 bits here).
        const DWORD* pdwFunction =
            ro.vFunction.empty() ? nullptr : reinterpret_cast<const DWORD*>(ro.vFunction.data());
        const DWORD* pdwDeclaration = reinterpret_cast<const DWORD*>(ro.vDeclaration.data());
        DWORD dwHandle = 0;
        HRESULT hr = E_FAIL;
        if (ro.bPixel && pdwFunction)
            hr = m_pDevice->CreatePixelShader(pdwFunction, &dwHandle);
        else if (!ro.bPixel && !ro.vDeclaration.empty())
            hr = m_pDevice->CreateVertexShader(pdwDeclaration, pdwFunction, &dwHandle, ro.uUsage);
        if (FAILED(hr))
        {
            rstrError = "the device did not make shader " + std::to_string(m_vdwShaders.size() + 1);
            return false;
        }
        m_vdwShaders.push_back(dwHandle);
    }
    return true;
}

bool Dx8FrameReplay::CheckDraws(std::string& rstrError) const
{
    const std::vector<Dx8Resource>& rvo = m_poFrame->m_voResources;
    uint32_t auStream[STREAMS] = {};
    uint32_t auStride[STREAMS] = {};
    uint32_t uIndices = 0;
    uint32_t uBase = 0;
    size_t uCall = 0;
    for (const std::vector<Dx8Command>* pv : {&m_poFrame->m_voInitial, &m_poFrame->m_voCommands})
    {
        for (const Dx8Command& ro : *pv)
        {
            ++uCall;
            if (ro.uOp == DX8_STREAM)
            {
                auStream[ro.au[0]] = ro.au[1];
                auStride[ro.au[0]] = ro.au[2];
            }
            else if (ro.uOp == DX8_INDICES)
            {
                uIndices = ro.au[0];
                uBase = ro.au[1];
            }
            else if (ro.uOp == DX8_DRAW_UP || ro.uOp == DX8_DRAW_INDEXED_UP)
            {
                auStream[0] = 0;
                uIndices = ro.uOp == DX8_DRAW_INDEXED_UP ? 0 : uIndices;
            }
            if (ro.uOp != DX8_DRAW && ro.uOp != DX8_DRAW_INDEXED)
            {
                continue;
            }
            const bool bIndexed = ro.uOp == DX8_DRAW_INDEXED;
            // Stream 0 holds the vertices each draw of the scene reads.
            const uint64_t uVertexBytes = auStream[0] ? rvo[auStream[0] - 1].vBytes.size() : 0;
            const uint64_t uStride = auStride[0];
            const uint64_t uVertices = uStride ? uVertexBytes / uStride : 0;
            bool bInside = auStream[0] != 0 && uStride != 0;
            if (!bIndexed)
            {
                bInside = bInside &&
                          static_cast<uint64_t>(ro.au[1]) + Dx8VertexCount(ro.au[0], ro.au[2]) <= uVertices;
            }
            else
            {
                const Dx8Resource* po = uIndices ? &rvo[uIndices - 1] : nullptr;
                const uint64_t uSize = po && po->uFormat == D3DFMT_INDEX32 ? 4 : 2;
                const uint64_t uFirst = ro.au[3];
                const uint64_t uCount = Dx8VertexCount(ro.au[0], ro.au[4]);
                bInside = bInside && po && (uFirst + uCount) * uSize <= po->vBytes.size();
                for (uint64_t i = 0; bInside && i < uCount; ++i)
                {
                    uint32_t uIndex = 0;
                    memcpy(&uIndex, po->vBytes.data() + (uFirst + i) * uSize, uSize);
                    bInside = static_cast<uint64_t>(uBase) + uIndex < uVertices;
                }
            }
            if (!bInside)
            {
                rstrError = "call " + std::to_string(uCall) + " draws from outside the buffers it names";
                return false;
            }
        }
    }
    return true;
}

void Dx8FrameReplay::LeaveOutRepeats()
{
    // The state a frame leaves: the first state, then every call of the frame.
    std::map<Key, std::string> oState;
    for (const std::vector<Dx8Command>* pv : {&m_poFrame->m_voInitial, &m_poFrame->m_voCommands})
    {
        for (const Dx8Command& ro : *pv)
        {
            Apply(oState, ro);
        }
    }
    // From there, the calls that change it; what a frame leaves out leaves the same state behind.
    m_vpSteady.clear();
    for (const Dx8Command& ro : m_poFrame->m_voCommands)
    {
        if (Changes(oState, ro))
        {
            m_vpSteady.push_back(&ro);
            Apply(oState, ro);
        }
    }
}

bool Dx8FrameReplay::Start(const Dx8Frame& roFrame, HWND hWnd, std::string& rstrError)
{
    m_poFrame = &roFrame;
    if (!CheckDraws(rstrError))
    {
        return false;
    }
    m_pD3D = Direct3DCreate8(D3D_SDK_VERSION);
    if (!m_pD3D)
    {
        rstrError = "Direct3DCreate8 failed";
        return false;
    }
    D3DPRESENT_PARAMETERS oParams = {};
    oParams.BackBufferWidth = roFrame.m_uWidth;
    oParams.BackBufferHeight = roFrame.m_uHeight;
    oParams.BackBufferFormat = static_cast<D3DFORMAT>(roFrame.m_uBackBufferFormat);
    oParams.BackBufferCount = 1;
    oParams.SwapEffect = static_cast<D3DSWAPEFFECT>(roFrame.m_uSwapEffect);
    oParams.hDeviceWindow = hWnd;
    oParams.Windowed = TRUE;
    oParams.EnableAutoDepthStencil = roFrame.m_uAutoDepth ? TRUE : FALSE;
    oParams.AutoDepthStencilFormat = static_cast<D3DFORMAT>(roFrame.m_uDepthFormat);
    oParams.Flags = roFrame.m_uPresentFlags;
    oParams.FullScreen_PresentationInterval = roFrame.m_uPresentInterval;
    const HRESULT hr = m_pD3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, hWnd, roFrame.m_uBehaviour,
                                            &oParams, &m_pDevice);
    if (FAILED(hr) || !m_pDevice)
    {
        m_pDevice = nullptr;
        rstrError = "CreateDevice failed for a " + std::to_string(roFrame.m_uWidth) + "x" +
                    std::to_string(roFrame.m_uHeight) + " window";
        return false;
    }
    if (!MakeResources(rstrError) || !MakeShaders(rstrError))
    {
        return false;
    }
    for (const Dx8Command& ro : roFrame.m_voInitial)
    {
        Call(ro);
    }
    LeaveOutRepeats();
    m_bFirstDrawn = false;
    return true;
}

HRESULT Dx8FrameReplay::Call(const Dx8Command& ro)
{
    IDirect3DDevice8* p = m_pDevice;
    const uint32_t* a = ro.au;
    const void* pData = ro.vData.data();
    auto Resource = [&](uint32_t u) { return u ? m_vpResources[u - 1] : nullptr; };
    switch (ro.uOp)
    {
    case DX8_RENDER_STATE:
        return p->SetRenderState(static_cast<D3DRENDERSTATETYPE>(a[0]), a[1]);
    case DX8_TEXTURE_STAGE_STATE:
        return p->SetTextureStageState(a[0], static_cast<D3DTEXTURESTAGESTATETYPE>(a[1]), a[2]);
    case DX8_TRANSFORM:
        return p->SetTransform(static_cast<D3DTRANSFORMSTATETYPE>(a[0]),
                               static_cast<const D3DMATRIX*>(pData));
    case DX8_VIEWPORT:
        return p->SetViewport(static_cast<const D3DVIEWPORT8*>(pData));
    case DX8_MATERIAL:
        return p->SetMaterial(static_cast<const D3DMATERIAL8*>(pData));
    case DX8_LIGHT:
        return p->SetLight(a[0], static_cast<const D3DLIGHT8*>(pData));
    case DX8_LIGHT_ENABLE:
        return p->LightEnable(a[0], a[1] ? TRUE : FALSE);
    case DX8_CLIP_PLANE:
        return p->SetClipPlane(a[0], static_cast<const float*>(pData));
    case DX8_SET_TEXTURE:
        return p->SetTexture(a[0], static_cast<IDirect3DBaseTexture8*>(Resource(a[1])));
    case DX8_VERTEX_SHADER:
        return p->SetVertexShader(a[0] ? m_vdwShaders[a[0] - 1] : a[1]);
    case DX8_PIXEL_SHADER:
        return p->SetPixelShader(a[0] ? m_vdwShaders[a[0] - 1] : 0);
    case DX8_VS_CONSTANT:
        return p->SetVertexShaderConstant(a[0], pData, a[1]);
    case DX8_PS_CONSTANT:
        return p->SetPixelShaderConstant(a[0], pData, a[1]);
    case DX8_STREAM:
        return p->SetStreamSource(a[0], static_cast<IDirect3DVertexBuffer8*>(Resource(a[1])), a[2]);
    case DX8_INDICES:
        return p->SetIndices(static_cast<IDirect3DIndexBuffer8*>(Resource(a[0])), a[1]);
    case DX8_SET_RENDER_TARGET:
        return p->SetRenderTarget(static_cast<IDirect3DSurface8*>(Resource(a[0])),
                                  static_cast<IDirect3DSurface8*>(Resource(a[1])));
    case DX8_BEGIN_SCENE:
        return p->BeginScene();
    case DX8_END_SCENE:
        return p->EndScene();
    case DX8_CLEAR:
    {
        float fDepth = 0.0f;
        memcpy(&fDepth, &a[2], sizeof(fDepth));
        return p->Clear(a[4], a[4] ? static_cast<const D3DRECT*>(pData) : nullptr, a[0], a[1], fDepth, a[3]);
    }
    case DX8_DRAW:
        return p->DrawPrimitive(static_cast<D3DPRIMITIVETYPE>(a[0]), a[1], a[2]);
    case DX8_DRAW_INDEXED:
        return p->DrawIndexedPrimitive(static_cast<D3DPRIMITIVETYPE>(a[0]), a[1], a[2], a[3], a[4]);
    case DX8_DRAW_UP:
        return p->DrawPrimitiveUP(static_cast<D3DPRIMITIVETYPE>(a[0]), a[1], pData, a[2]);
    case DX8_DRAW_INDEXED_UP:
    {
        const size_t uIndexBytes = Dx8VertexCount(a[0], a[3]) * (a[4] == D3DFMT_INDEX32 ? 4 : 2);
        return p->DrawIndexedPrimitiveUP(static_cast<D3DPRIMITIVETYPE>(a[0]), a[1], a[2], a[3], pData,
                                         static_cast<D3DFORMAT>(a[4]), ro.vData.data() + uIndexBytes, a[5]);
    }
    default:
        return E_FAIL;
    }
}

bool Dx8FrameReplay::DrawFrame()
{
    // A state the device refuses is left as the engine left it; a scene, clear or draw that fails
    // fails the frame.
    auto Made = [this](const Dx8Command& ro) { return SUCCEEDED(Call(ro)) || !SettingsOf(ro).empty(); };
    bool bOk = true;
    if (!m_bFirstDrawn)
    {
        m_bFirstDrawn = true;
        for (const Dx8Command& ro : m_poFrame->m_voCommands)
        {
            bOk = Made(ro) && bOk;
        }
        return bOk;
    }
    for (const Dx8Command* po : m_vpSteady)
    {
        bOk = Made(*po) && bOk;
    }
    return bOk;
}

HRESULT Dx8FrameReplay::Present()
{
    return m_pDevice->Present(nullptr, nullptr, nullptr, nullptr);
}
