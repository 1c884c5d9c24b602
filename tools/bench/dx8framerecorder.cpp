#include "dx8framerecorder.h"

#include "importpatch.h"

#include <windows.h>

#include <d3d8.h>

#include <cstring>
#include <map>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

namespace
{
// Places of the calls in the device's table of functions, in the order d3d8.h declares them.
enum DeviceCall
{
    CALL_BEGIN_SCENE = 34,
    CALL_END_SCENE = 35,
    CALL_CLEAR = 36,
    CALL_SET_TRANSFORM = 37,
    CALL_SET_VIEWPORT = 40,
    CALL_SET_MATERIAL = 42,
    CALL_SET_LIGHT = 44,
    CALL_LIGHT_ENABLE = 46,
    CALL_SET_CLIP_PLANE = 48,
    CALL_SET_RENDER_STATE = 50,
    CALL_SET_TEXTURE = 61,
    CALL_SET_TEXTURE_STAGE_STATE = 63,
    CALL_DRAW_PRIMITIVE = 70,
    CALL_DRAW_INDEXED_PRIMITIVE = 71,
    CALL_DRAW_PRIMITIVE_UP = 72,
    CALL_DRAW_INDEXED_PRIMITIVE_UP = 73,
    CALL_CREATE_VERTEX_SHADER = 75,
    CALL_SET_VERTEX_SHADER = 76,
    CALL_DELETE_VERTEX_SHADER = 78,
    CALL_SET_VERTEX_SHADER_CONSTANT = 79,
    CALL_SET_STREAM_SOURCE = 83,
    CALL_SET_INDICES = 85,
    CALL_CREATE_PIXEL_SHADER = 87,
    CALL_SET_PIXEL_SHADER = 88,
    CALL_DELETE_PIXEL_SHADER = 90,
    CALL_SET_PIXEL_SHADER_CONSTANT = 91,
    CALL_SET_RENDER_TARGET = 31,
    DEVICE_CALLS = 97,
};
// CreateDevice's place in the table of IDirect3D8.
const int CALL_CREATE_DEVICE = 15;
const int STREAMS = 16;
const int TEXTURE_STAGES = 8;
// A binding no call made yet: the next draw binds what it reads.
const uint32_t UNBOUND = 0xFFFFFFFFu;
// IID_IDirect3DTexture8, asked of a surface for the texture it is a level of.
const GUID TEXTURE_IID = {0xE4CDD575, 0x2866, 0x4F01, {0xB1, 0x2E, 0x7E, 0xEC, 0xE1, 0xEC, 0x93, 0x58}};

typedef IDirect3D8*(WINAPI* Create8Function)(UINT);
Create8Function g_pfnCreate8 = nullptr;
void* g_pCreateDevice = nullptr;
void* g_apDevice[DEVICE_CALLS] = {};

// What the device holds, kept from its making on: each state's last setting by (call, a, b).
typedef std::tuple<uint32_t, uint32_t, uint32_t> StateKey;
struct Shadow
{
    std::map<StateKey, Dx8Command> oStates;
    std::map<DWORD, Dx8Shader> oVertexShaders;
    std::map<DWORD, Dx8Shader> oPixelShaders;
};
Shadow g_oShadow;

IDirect3DDevice8* g_pDevice = nullptr;
Dx8Frame g_oMadeDevice;

struct BufferVersion
{
    uint64_t uHash;
    uint32_t uNumber;
};

// One recording.
struct Recording
{
    bool bOn = false;
    Dx8Frame oFrame;
    std::string strProblems;
    std::map<void*, uint32_t> oTextures;
    std::vector<IDirect3DBaseTexture8*> vpTextures;
    std::map<void*, uint32_t> oSurfaces;
    IDirect3DSurface8* pBackBuffer = nullptr;
    IDirect3DSurface8* pAutoDepth = nullptr;
    std::map<void*, std::vector<BufferVersion>> oBuffers;
    std::map<DWORD, uint32_t> oVertexShaders;
    std::map<DWORD, uint32_t> oPixelShaders;
    // What the engine bound, and what the recorded calls bound last.
    IDirect3DVertexBuffer8* apStream[STREAMS] = {};
    UINT auStride[STREAMS] = {};
    IDirect3DIndexBuffer8* pIndices = nullptr;
    UINT uBaseVertex = 0;
    uint32_t auBoundStream[STREAMS] = {};
    uint32_t auBoundStride[STREAMS] = {};
    uint32_t uBoundIndices = UNBOUND;
    uint32_t uBoundBase = 0;
};
Recording g_oRec;

template <typename F> F Original(int iCall)
{
    return reinterpret_cast<F>(g_apDevice[iCall]);
}

Dx8Command Command(uint32_t uOp, uint32_t a = 0, uint32_t b = 0, uint32_t c = 0, uint32_t d = 0,
                   uint32_t e = 0)
{
    Dx8Command o;
    o.uOp = uOp;
    o.au[0] = a;
    o.au[1] = b;
    o.au[2] = c;
    o.au[3] = d;
    o.au[4] = e;
    return o;
}

Dx8Command WithData(Dx8Command o, const void* pData, size_t uBytes)
{
    const uint8_t* p = static_cast<const uint8_t*>(pData);
    o.vData.assign(p, p + uBytes);
    return o;
}

void Record(Dx8Command o)
{
    if (g_oRec.bOn)
    {
        g_oRec.oFrame.m_voCommands.push_back(std::move(o));
    }
}

// A state call: kept as the state's value, and recorded when recording.
void State(const Dx8Command& ro, uint32_t a, uint32_t b)
{
    g_oShadow.oStates[StateKey(ro.uOp, a, b)] = ro;
    Record(ro);
}

// Constants are kept register by register, as calls of different counts overlap.
void Constants(uint32_t uOp, DWORD dwRegister, const void* pData, DWORD dwCount)
{
    if (!pData || dwCount > 256)
    {
        return;
    }
    const uint8_t* p = static_cast<const uint8_t*>(pData);
    for (DWORD i = 0; i < dwCount; ++i)
    {
        g_oShadow.oStates[StateKey(uOp, dwRegister + i, 0)] =
            WithData(Command(uOp, dwRegister + i, 1), p + 16 * i, 16);
    }
    Record(WithData(Command(uOp, dwRegister, dwCount), pData, 16 * dwCount));
}

void Problem(const std::string& str)
{
    if (g_oRec.strProblems.find(str) == std::string::npos)
    {
        g_oRec.strProblems += (g_oRec.strProblems.empty() ? "" : "; ") + str;
    }
}

uint64_t Hash(const uint8_t* p, size_t uBytes)
{
    uint64_t u = 1469598103934665603ull;
    for (size_t i = 0; i < uBytes; ++i)
    {
        u = (u ^ p[i]) * 1099511628211ull;
    }
    return u;
}

// The resource number of a buffer's bytes as they stand now: the same number while they do not
// change, a new resource when a draw reads bytes the frame has not seen in it.
template <typename Buffer, typename Desc> uint32_t BufferNumber(Buffer* pBuffer, uint32_t uKind)
{
    Desc oDesc = {};
    BYTE* pBytes = nullptr;
    if (FAILED(pBuffer->GetDesc(&oDesc)) || oDesc.Size == 0 ||
        (FAILED(pBuffer->Lock(0, 0, &pBytes, D3DLOCK_READONLY)) && FAILED(pBuffer->Lock(0, 0, &pBytes, 0))))
    {
        Problem("a buffer could not be read");
        return 0;
    }
    const uint64_t uHash = Hash(pBytes, oDesc.Size);
    std::vector<BufferVersion>& rvVersions = g_oRec.oBuffers[pBuffer];
    for (const BufferVersion& ro : rvVersions)
    {
        if (ro.uHash == uHash)
        {
            pBuffer->Unlock();
            return ro.uNumber;
        }
    }
    Dx8Resource oResource;
    oResource.uKind = uKind;
    oResource.uFormat = static_cast<uint32_t>(oDesc.Format);
    oResource.uUsage = oDesc.Usage;
    oResource.uPool = static_cast<uint32_t>(oDesc.Pool);
    oResource.uWidth = oDesc.Size;
    oResource.vBytes.assign(pBytes, pBytes + oDesc.Size);
    pBuffer->Unlock();
    if constexpr (std::is_same<Desc, D3DVERTEXBUFFER_DESC>::value)
    {
        oResource.uFvf = oDesc.FVF;
    }
    g_oRec.oFrame.m_voResources.push_back(std::move(oResource));
    const uint32_t uNumber = static_cast<uint32_t>(g_oRec.oFrame.m_voResources.size());
    rvVersions.push_back({uHash, uNumber});
    return uNumber;
}

uint32_t TextureNumber(IDirect3DBaseTexture8* pTexture)
{
    if (!pTexture)
    {
        return 0;
    }
    const auto it = g_oRec.oTextures.find(pTexture);
    if (it != g_oRec.oTextures.end())
    {
        return it->second;
    }
    Dx8Resource oResource;
    const D3DRESOURCETYPE eType = pTexture->GetType();
    oResource.uKind = eType == D3DRTYPE_CUBETEXTURE     ? DX8_CUBE_TEXTURE
                      : eType == D3DRTYPE_VOLUMETEXTURE ? DX8_VOLUME_TEXTURE
                                                        : DX8_TEXTURE;
    oResource.uLevels = pTexture->GetLevelCount();
    // Its texels are read when the frame ends; held till then.
    pTexture->AddRef();
    g_oRec.vpTextures.push_back(pTexture);
    g_oRec.oFrame.m_voResources.push_back(std::move(oResource));
    const uint32_t uNumber = static_cast<uint32_t>(g_oRec.oFrame.m_voResources.size());
    g_oRec.oTextures[pTexture] = uNumber;
    return uNumber;
}

uint32_t AddResource(Dx8Resource o)
{
    g_oRec.oFrame.m_voResources.push_back(std::move(o));
    return static_cast<uint32_t>(g_oRec.oFrame.m_voResources.size());
}

// The resource number of a surface drawn into: the back buffer, the device's depth buffer, a level
// of a texture, or a surface of its own.
uint32_t SurfaceNumber(IDirect3DSurface8* pSurface)
{
    if (!pSurface)
    {
        return 0;
    }
    const auto it = g_oRec.oSurfaces.find(pSurface);
    if (it != g_oRec.oSurfaces.end())
    {
        return it->second;
    }
    Dx8Resource o;
    IDirect3DTexture8* pTexture = nullptr;
    if (pSurface == g_oRec.pBackBuffer)
    {
        o.uKind = DX8_BACK_BUFFER;
    }
    else if (pSurface == g_oRec.pAutoDepth)
    {
        o.uKind = DX8_AUTO_DEPTH;
    }
    else if (SUCCEEDED(pSurface->GetContainer(TEXTURE_IID, reinterpret_cast<void**>(&pTexture))) && pTexture)
    {
        o.uKind = DX8_TEXTURE_LEVEL;
        o.uParent = TextureNumber(pTexture);
        for (DWORD i = 0; i < pTexture->GetLevelCount(); ++i)
        {
            IDirect3DSurface8* pLevel = nullptr;
            if (SUCCEEDED(pTexture->GetSurfaceLevel(i, &pLevel)))
            {
                pLevel->Release();
                if (pLevel == pSurface)
                {
                    o.uLevel = i;
                }
            }
        }
        pTexture->Release();
    }
    else
    {
        D3DSURFACE_DESC oDesc = {};
        pSurface->GetDesc(&oDesc);
        o.uKind = (oDesc.Usage & D3DUSAGE_DEPTHSTENCIL) ? DX8_DEPTH_SURFACE : DX8_RENDER_TARGET;
        o.uFormat = static_cast<uint32_t>(oDesc.Format);
        o.uUsage = oDesc.Usage;
        o.uWidth = oDesc.Width;
        o.uHeight = oDesc.Height;
    }
    const uint32_t uNumber = AddResource(std::move(o));
    g_oRec.oSurfaces[pSurface] = uNumber;
    return uNumber;
}

uint32_t ShaderNumber(std::map<DWORD, uint32_t>& roNumbers, const std::map<DWORD, Dx8Shader>& roMade,
                      DWORD dwHandle)
{
    const auto itMade = roMade.find(dwHandle);
    if (itMade == roMade.end())
    {
        return 0;
    }
    const auto it = roNumbers.find(dwHandle);
    if (it != roNumbers.end())
    {
        return it->second;
    }
    g_oRec.oFrame.m_voShaders.push_back(itMade->second);
    const uint32_t uNumber = static_cast<uint32_t>(g_oRec.oFrame.m_voShaders.size());
    roNumbers[dwHandle] = uNumber;
    return uNumber;
}

Dx8Command VertexShaderCommand(DWORD dwHandle)
{
    const uint32_t uNumber = ShaderNumber(g_oRec.oVertexShaders, g_oShadow.oVertexShaders, dwHandle);
    // A handle the device did not make is an FVF code.
    return Command(DX8_VERTEX_SHADER, uNumber, uNumber ? 0 : dwHandle);
}

Dx8Command PixelShaderCommand(DWORD dwHandle)
{
    const uint32_t uNumber = ShaderNumber(g_oRec.oPixelShaders, g_oShadow.oPixelShaders, dwHandle);
    if (dwHandle && !uNumber)
    {
        Problem("a pixel shader made before the recorder was in place");
    }
    return Command(DX8_PIXEL_SHADER, uNumber);
}

// Before a draw: records the binding of each stream (and the indices) whose buffer, bytes or
// stride differ from what the recorded calls bound last.
void BindForDraw(bool bIndexed)
{
    for (int i = 0; i < STREAMS; ++i)
    {
        if (!g_oRec.apStream[i])
        {
            continue;
        }
        const uint32_t uNumber =
            BufferNumber<IDirect3DVertexBuffer8, D3DVERTEXBUFFER_DESC>(g_oRec.apStream[i], DX8_VERTEX_BUFFER);
        if (uNumber != g_oRec.auBoundStream[i] || g_oRec.auStride[i] != g_oRec.auBoundStride[i])
        {
            g_oRec.auBoundStream[i] = uNumber;
            g_oRec.auBoundStride[i] = g_oRec.auStride[i];
            Record(Command(DX8_STREAM, static_cast<uint32_t>(i), uNumber, g_oRec.auStride[i]));
        }
    }
    if (bIndexed && g_oRec.pIndices)
    {
        const uint32_t uNumber =
            BufferNumber<IDirect3DIndexBuffer8, D3DINDEXBUFFER_DESC>(g_oRec.pIndices, DX8_INDEX_BUFFER);
        if (uNumber != g_oRec.uBoundIndices || g_oRec.uBaseVertex != g_oRec.uBoundBase)
        {
            g_oRec.uBoundIndices = uNumber;
            g_oRec.uBoundBase = g_oRec.uBaseVertex;
            Record(Command(DX8_INDICES, uNumber, g_oRec.uBaseVertex));
        }
    }
}

// A draw from user memory leaves stream 0 (and the indices) unbound, on the device and here.
void AfterUserDraw(bool bIndexed)
{
    g_oRec.apStream[0] = nullptr;
    g_oRec.auStride[0] = 0;
    g_oRec.auBoundStream[0] = UNBOUND;
    if (bIndexed)
    {
        g_oRec.pIndices = nullptr;
        g_oRec.uBoundIndices = UNBOUND;
    }
}

// ---- The hooks. Each passes the call on.

HRESULT WINAPI HookSetRenderState(IDirect3DDevice8* p, D3DRENDERSTATETYPE e, DWORD v)
{
    State(Command(DX8_RENDER_STATE, e, v), e, 0);
    return Original<decltype(&HookSetRenderState)>(CALL_SET_RENDER_STATE)(p, e, v);
}

HRESULT WINAPI HookSetTextureStageState(IDirect3DDevice8* p, DWORD dwStage, D3DTEXTURESTAGESTATETYPE e,
                                        DWORD v)
{
    State(Command(DX8_TEXTURE_STAGE_STATE, dwStage, e, v), dwStage, e);
    return Original<decltype(&HookSetTextureStageState)>(CALL_SET_TEXTURE_STAGE_STATE)(p, dwStage, e, v);
}

HRESULT WINAPI HookSetTransform(IDirect3DDevice8* p, D3DTRANSFORMSTATETYPE e, const D3DMATRIX* pMatrix)
{
    if (pMatrix)
    {
        State(WithData(Command(DX8_TRANSFORM, e), pMatrix, sizeof(*pMatrix)), e, 0);
    }
    return Original<decltype(&HookSetTransform)>(CALL_SET_TRANSFORM)(p, e, pMatrix);
}

HRESULT WINAPI HookSetViewport(IDirect3DDevice8* p, const D3DVIEWPORT8* pViewport)
{
    if (pViewport)
    {
        State(WithData(Command(DX8_VIEWPORT), pViewport, sizeof(*pViewport)), 0, 0);
    }
    return Original<decltype(&HookSetViewport)>(CALL_SET_VIEWPORT)(p, pViewport);
}

HRESULT WINAPI HookSetMaterial(IDirect3DDevice8* p, const D3DMATERIAL8* pMaterial)
{
    if (pMaterial)
    {
        State(WithData(Command(DX8_MATERIAL), pMaterial, sizeof(*pMaterial)), 0, 0);
    }
    return Original<decltype(&HookSetMaterial)>(CALL_SET_MATERIAL)(p, pMaterial);
}

HRESULT WINAPI HookSetLight(IDirect3DDevice8* p, DWORD dwIndex, const D3DLIGHT8* pLight)
{
    if (pLight)
    {
        State(WithData(Command(DX8_LIGHT, dwIndex), pLight, sizeof(*pLight)), dwIndex, 0);
    }
    return Original<decltype(&HookSetLight)>(CALL_SET_LIGHT)(p, dwIndex, pLight);
}

HRESULT WINAPI HookLightEnable(IDirect3DDevice8* p, DWORD dwIndex, WINBOOL bOn)
{
    State(Command(DX8_LIGHT_ENABLE, dwIndex, bOn ? 1 : 0), dwIndex, 0);
    return Original<decltype(&HookLightEnable)>(CALL_LIGHT_ENABLE)(p, dwIndex, bOn);
}

HRESULT WINAPI HookSetClipPlane(IDirect3DDevice8* p, DWORD dwIndex, const float* pfPlane)
{
    if (pfPlane)
    {
        State(WithData(Command(DX8_CLIP_PLANE, dwIndex), pfPlane, 4 * sizeof(float)), dwIndex, 0);
    }
    return Original<decltype(&HookSetClipPlane)>(CALL_SET_CLIP_PLANE)(p, dwIndex, pfPlane);
}

HRESULT WINAPI HookSetVertexShaderConstant(IDirect3DDevice8* p, DWORD dwRegister, const void* pData,
                                           DWORD dwCount)
{
    Constants(DX8_VS_CONSTANT, dwRegister, pData, dwCount);
    return Original<decltype(&HookSetVertexShaderConstant)>(CALL_SET_VERTEX_SHADER_CONSTANT)(p, dwRegister,
                                                                                             pData, dwCount);
}

HRESULT WINAPI HookSetPixelShaderConstant(IDirect3DDevice8* p, DWORD dwRegister, const void* pData,
                                          DWORD dwCount)
{
    Constants(DX8_PS_CONSTANT, dwRegister, pData, dwCount);
    return Original<decltype(&HookSetPixelShaderConstant)>(CALL_SET_PIXEL_SHADER_CONSTANT)(p, dwRegister,
                                                                                           pData, dwCount);
}

HRESULT WINAPI HookSetTexture(IDirect3DDevice8* p, DWORD dwStage, IDirect3DBaseTexture8* pTexture)
{
    if (g_oRec.bOn)
    {
        Record(Command(DX8_SET_TEXTURE, dwStage, TextureNumber(pTexture)));
    }
    return Original<decltype(&HookSetTexture)>(CALL_SET_TEXTURE)(p, dwStage, pTexture);
}

HRESULT WINAPI HookSetVertexShader(IDirect3DDevice8* p, DWORD dwHandle)
{
    if (g_oRec.bOn)
    {
        Record(VertexShaderCommand(dwHandle));
    }
    return Original<decltype(&HookSetVertexShader)>(CALL_SET_VERTEX_SHADER)(p, dwHandle);
}

HRESULT WINAPI HookSetPixelShader(IDirect3DDevice8* p, DWORD dwHandle)
{
    if (g_oRec.bOn)
    {
        Record(PixelShaderCommand(dwHandle));
    }
    return Original<decltype(&HookSetPixelShader)>(CALL_SET_PIXEL_SHADER)(p, dwHandle);
}

HRESULT WINAPI HookSetStreamSource(IDirect3DDevice8* p, UINT uStream, IDirect3DVertexBuffer8* pBuffer,
                                   UINT uStride)
{
    if (uStream < STREAMS)
    {
        g_oRec.apStream[uStream] = pBuffer;
        g_oRec.auStride[uStream] = uStride;
    }
    return Original<decltype(&HookSetStreamSource)>(CALL_SET_STREAM_SOURCE)(p, uStream, pBuffer, uStride);
}

HRESULT WINAPI HookSetIndices(IDirect3DDevice8* p, IDirect3DIndexBuffer8* pBuffer, UINT uBaseVertex)
{
    g_oRec.pIndices = pBuffer;
    g_oRec.uBaseVertex = uBaseVertex;
    return Original<decltype(&HookSetIndices)>(CALL_SET_INDICES)(p, pBuffer, uBaseVertex);
}

HRESULT WINAPI HookSetRenderTarget(IDirect3DDevice8* p, IDirect3DSurface8* pTarget, IDirect3DSurface8* pDepth)
{
    const HRESULT hr = Original<decltype(&HookSetRenderTarget)>(CALL_SET_RENDER_TARGET)(p, pTarget, pDepth);
    if (g_oRec.bOn && SUCCEEDED(hr))
    {
        // A null target keeps the one in place: what the device holds now is what is recorded.
        IDirect3DSurface8* pNow = nullptr;
        p->GetRenderTarget(&pNow);
        if (pNow)
        {
            pNow->Release();
        }
        Record(Command(DX8_SET_RENDER_TARGET, SurfaceNumber(pNow), SurfaceNumber(pDepth)));
    }
    return hr;
}

HRESULT WINAPI HookBeginScene(IDirect3DDevice8* p)
{
    Record(Command(DX8_BEGIN_SCENE));
    return Original<decltype(&HookBeginScene)>(CALL_BEGIN_SCENE)(p);
}

HRESULT WINAPI HookEndScene(IDirect3DDevice8* p)
{
    Record(Command(DX8_END_SCENE));
    return Original<decltype(&HookEndScene)>(CALL_END_SCENE)(p);
}

HRESULT WINAPI HookClear(IDirect3DDevice8* p, DWORD dwCount, const D3DRECT* pRects, DWORD dwFlags,
                         D3DCOLOR dwColour, float fDepth, DWORD dwStencil)
{
    if (g_oRec.bOn)
    {
        uint32_t uDepth = 0;
        memcpy(&uDepth, &fDepth, sizeof(uDepth));
        const DWORD dwRects = pRects ? dwCount : 0;
        Record(WithData(Command(DX8_CLEAR, dwFlags, dwColour, uDepth, dwStencil, dwRects), pRects,
                        dwRects * sizeof(D3DRECT)));
    }
    return Original<decltype(&HookClear)>(CALL_CLEAR)(p, dwCount, pRects, dwFlags, dwColour, fDepth,
                                                      dwStencil);
}

HRESULT WINAPI HookDrawPrimitive(IDirect3DDevice8* p, D3DPRIMITIVETYPE eType, UINT uStart, UINT uCount)
{
    if (g_oRec.bOn)
    {
        BindForDraw(false);
        Record(Command(DX8_DRAW, eType, uStart, uCount));
    }
    return Original<decltype(&HookDrawPrimitive)>(CALL_DRAW_PRIMITIVE)(p, eType, uStart, uCount);
}

HRESULT WINAPI HookDrawIndexedPrimitive(IDirect3DDevice8* p, D3DPRIMITIVETYPE eType, UINT uLowest,
                                        UINT uVertices, UINT uStartIndex, UINT uCount)
{
    if (g_oRec.bOn)
    {
        BindForDraw(true);
        Record(Command(DX8_DRAW_INDEXED, eType, uLowest, uVertices, uStartIndex, uCount));
    }
    return Original<decltype(&HookDrawIndexedPrimitive)>(CALL_DRAW_INDEXED_PRIMITIVE)(
        p, eType, uLowest, uVertices, uStartIndex, uCount);
}

HRESULT WINAPI HookDrawPrimitiveUP(IDirect3DDevice8* p, D3DPRIMITIVETYPE eType, UINT uCount,
                                   const void* pVertices, UINT uStride)
{
    if (g_oRec.bOn && pVertices)
    {
        const uint64_t uBytes = Dx8VertexCount(eType, uCount) * uStride;
        Record(WithData(Command(DX8_DRAW_UP, eType, uCount, uStride), pVertices, uBytes));
    }
    const HRESULT hr = Original<decltype(&HookDrawPrimitiveUP)>(CALL_DRAW_PRIMITIVE_UP)(p, eType, uCount,
                                                                                        pVertices, uStride);
    AfterUserDraw(false);
    return hr;
}

HRESULT WINAPI HookDrawIndexedPrimitiveUP(IDirect3DDevice8* p, D3DPRIMITIVETYPE eType, UINT uLowest,
                                          UINT uVertices, UINT uCount, const void* pIndices,
                                          D3DFORMAT eFormat, const void* pVertices, UINT uStride)
{
    if (g_oRec.bOn && pIndices && pVertices)
    {
        const uint64_t uIndexBytes = Dx8VertexCount(eType, uCount) * (eFormat == D3DFMT_INDEX32 ? 4 : 2);
        const uint64_t uVertexBytes = (static_cast<uint64_t>(uLowest) + uVertices) * uStride;
        Dx8Command o = WithData(Command(DX8_DRAW_INDEXED_UP, eType, uLowest, uVertices, uCount, eFormat),
                                pIndices, uIndexBytes);
        o.au[5] = uStride;
        const uint8_t* pv = static_cast<const uint8_t*>(pVertices);
        o.vData.insert(o.vData.end(), pv, pv + uVertexBytes);
        Record(std::move(o));
    }
    const HRESULT hr = Original<decltype(&HookDrawIndexedPrimitiveUP)>(CALL_DRAW_INDEXED_PRIMITIVE_UP)(
        p, eType, uLowest, uVertices, uCount, pIndices, eFormat, pVertices, uStride);
    AfterUserDraw(true);
    return hr;
}

// A shader's tokens as the device hands them back whole: fnGet answers their size for no buffer,
// then fills one of that size.
template <typename Get> std::vector<uint32_t> Tokens(Get fnGet)
{
    std::vector<uint32_t> v;
    DWORD dwBytes = 0;
    if (SUCCEEDED(fnGet(nullptr, &dwBytes)) && dwBytes)
    {
        v.resize(dwBytes / sizeof(DWORD));
        fnGet(v.data(), &dwBytes);
    }
    return v;
}

HRESULT WINAPI HookCreateVertexShader(IDirect3DDevice8* p, const DWORD* pDeclaration, const DWORD* pFunction,
                                      DWORD* pdwHandle, DWORD dwUsage)
{
    const HRESULT hr = Original<decltype(&HookCreateVertexShader)>(CALL_CREATE_VERTEX_SHADER)(
        p, pDeclaration, pFunction, pdwHandle, dwUsage);
    if (SUCCEEDED(hr) && pdwHandle)
    {
        // The device's own copies of the tokens, which it hands back whole.
        Dx8Shader o;
        o.uUsage = dwUsage;
        const DWORD dwHandle = *pdwHandle;
        o.vDeclaration = Tokens([&](void* pData, DWORD* pdwBytes)
                                { return p->GetVertexShaderDeclaration(dwHandle, pData, pdwBytes); });
        if (pFunction)
        {
            o.vFunction = Tokens([&](void* pData, DWORD* pdwBytes)
                                 { return p->GetVertexShaderFunction(dwHandle, pData, pdwBytes); });
        }
        g_oShadow.oVertexShaders[*pdwHandle] = std::move(o);
    }
    return hr;
}

HRESULT WINAPI HookDeleteVertexShader(IDirect3DDevice8* p, DWORD dwHandle)
{
    g_oShadow.oVertexShaders.erase(dwHandle);
    g_oRec.oVertexShaders.erase(dwHandle);
    return Original<decltype(&HookDeleteVertexShader)>(CALL_DELETE_VERTEX_SHADER)(p, dwHandle);
}

HRESULT WINAPI HookCreatePixelShader(IDirect3DDevice8* p, const DWORD* pFunction, DWORD* pdwHandle)
{
    const HRESULT hr =
        Original<decltype(&HookCreatePixelShader)>(CALL_CREATE_PIXEL_SHADER)(p, pFunction, pdwHandle);
    if (SUCCEEDED(hr) && pdwHandle)
    {
        Dx8Shader o;
        o.bPixel = true;
        const DWORD dwHandle = *pdwHandle;
        o.vFunction = Tokens([&](void* pData, DWORD* pdwBytes)
                             { return p->GetPixelShaderFunction(dwHandle, pData, pdwBytes); });
        g_oShadow.oPixelShaders[*pdwHandle] = std::move(o);
    }
    return hr;
}

HRESULT WINAPI HookDeletePixelShader(IDirect3DDevice8* p, DWORD dwHandle)
{
    g_oShadow.oPixelShaders.erase(dwHandle);
    g_oRec.oPixelShaders.erase(dwHandle);
    return Original<decltype(&HookDeletePixelShader)>(CALL_DELETE_PIXEL_SHADER)(p, dwHandle);
}

// Writes the hook into a table of functions shared by every object of its kind (in the system's
// library), keeping the original.
bool PatchTable(void** ppTable, int iCall, void* pHook, void** ppOriginal)
{
    if (ppTable[iCall] == pHook)
    {
        return true;
    }
    DWORD dwProtection = 0;
    if (!VirtualProtect(&ppTable[iCall], sizeof(void*), PAGE_READWRITE, &dwProtection))
    {
        return false;
    }
    *ppOriginal = ppTable[iCall];
    ppTable[iCall] = pHook;
    VirtualProtect(&ppTable[iCall], sizeof(void*), dwProtection, &dwProtection);
    return true;
}

void PatchDevice(IDirect3DDevice8* pDevice)
{
    void** ppTable = *reinterpret_cast<void***>(pDevice);
    const std::pair<int, void*> aoHooks[] = {
        {CALL_SET_RENDER_STATE, reinterpret_cast<void*>(&HookSetRenderState)},
        {CALL_SET_TEXTURE_STAGE_STATE, reinterpret_cast<void*>(&HookSetTextureStageState)},
        {CALL_SET_TRANSFORM, reinterpret_cast<void*>(&HookSetTransform)},
        {CALL_SET_VIEWPORT, reinterpret_cast<void*>(&HookSetViewport)},
        {CALL_SET_MATERIAL, reinterpret_cast<void*>(&HookSetMaterial)},
        {CALL_SET_LIGHT, reinterpret_cast<void*>(&HookSetLight)},
        {CALL_LIGHT_ENABLE, reinterpret_cast<void*>(&HookLightEnable)},
        {CALL_SET_CLIP_PLANE, reinterpret_cast<void*>(&HookSetClipPlane)},
        {CALL_SET_VERTEX_SHADER_CONSTANT, reinterpret_cast<void*>(&HookSetVertexShaderConstant)},
        {CALL_SET_PIXEL_SHADER_CONSTANT, reinterpret_cast<void*>(&HookSetPixelShaderConstant)},
        {CALL_SET_TEXTURE, reinterpret_cast<void*>(&HookSetTexture)},
        {CALL_SET_VERTEX_SHADER, reinterpret_cast<void*>(&HookSetVertexShader)},
        {CALL_SET_PIXEL_SHADER, reinterpret_cast<void*>(&HookSetPixelShader)},
        {CALL_SET_STREAM_SOURCE, reinterpret_cast<void*>(&HookSetStreamSource)},
        {CALL_SET_INDICES, reinterpret_cast<void*>(&HookSetIndices)},
        {CALL_SET_RENDER_TARGET, reinterpret_cast<void*>(&HookSetRenderTarget)},
        {CALL_BEGIN_SCENE, reinterpret_cast<void*>(&HookBeginScene)},
        {CALL_END_SCENE, reinterpret_cast<void*>(&HookEndScene)},
        {CALL_CLEAR, reinterpret_cast<void*>(&HookClear)},
        {CALL_DRAW_PRIMITIVE, reinterpret_cast<void*>(&HookDrawPrimitive)},
        {CALL_DRAW_INDEXED_PRIMITIVE, reinterpret_cast<void*>(&HookDrawIndexedPrimitive)},
        {CALL_DRAW_PRIMITIVE_UP, reinterpret_cast<void*>(&HookDrawPrimitiveUP)},
        {CALL_DRAW_INDEXED_PRIMITIVE_UP, reinterpret_cast<void*>(&HookDrawIndexedPrimitiveUP)},
        {CALL_CREATE_VERTEX_SHADER, reinterpret_cast<void*>(&HookCreateVertexShader)},
        {CALL_DELETE_VERTEX_SHADER, reinterpret_cast<void*>(&HookDeleteVertexShader)},
        {CALL_CREATE_PIXEL_SHADER, reinterpret_cast<void*>(&HookCreatePixelShader)},
        {CALL_DELETE_PIXEL_SHADER, reinterpret_cast<void*>(&HookDeletePixelShader)},
    };
    for (const auto& ro : aoHooks)
    {
        PatchTable(ppTable, ro.first, ro.second, &g_apDevice[ro.first]);
    }
}

HRESULT WINAPI HookCreateDevice(IDirect3D8* p, UINT uAdapter, D3DDEVTYPE eType, HWND hWnd, DWORD dwBehaviour,
                                D3DPRESENT_PARAMETERS* pParams, IDirect3DDevice8** ppDevice)
{
    const HRESULT hr = reinterpret_cast<decltype(&HookCreateDevice)>(g_pCreateDevice)(
        p, uAdapter, eType, hWnd, dwBehaviour, pParams, ppDevice);
    if (SUCCEEDED(hr) && ppDevice && *ppDevice && pParams)
    {
        // A new device starts from its defaults.
        g_oShadow = Shadow();
        g_pDevice = *ppDevice;
        g_oMadeDevice = Dx8Frame();
        g_oMadeDevice.m_uWidth = pParams->BackBufferWidth;
        g_oMadeDevice.m_uHeight = pParams->BackBufferHeight;
        g_oMadeDevice.m_uBackBufferFormat = pParams->BackBufferFormat;
        g_oMadeDevice.m_uDepthFormat = pParams->AutoDepthStencilFormat;
        g_oMadeDevice.m_uAutoDepth = pParams->EnableAutoDepthStencil ? 1 : 0;
        g_oMadeDevice.m_uSwapEffect = pParams->SwapEffect;
        g_oMadeDevice.m_uPresentFlags = pParams->Flags;
        g_oMadeDevice.m_uPresentInterval = pParams->FullScreen_PresentationInterval;
        g_oMadeDevice.m_uBehaviour = dwBehaviour;
        PatchDevice(*ppDevice);
    }
    return hr;
}

IDirect3D8* WINAPI HookCreate8(UINT uVersion)
{
    IDirect3D8* p = g_pfnCreate8(uVersion);
    if (p)
    {
        PatchTable(*reinterpret_cast<void***>(p), CALL_CREATE_DEVICE,
                   reinterpret_cast<void*>(&HookCreateDevice), &g_pCreateDevice);
    }
    return p;
}

bool IsBlockFormat(D3DFORMAT e)
{
    return e == D3DFMT_DXT1 || e == D3DFMT_DXT2 || e == D3DFMT_DXT3 || e == D3DFMT_DXT4 || e == D3DFMT_DXT5;
}

// One surface's bytes: locked where it can be, else copied into an image surface first.
Dx8Level ReadSurface(IDirect3DSurface8* pSurface)
{
    Dx8Level o;
    D3DSURFACE_DESC oDesc = {};
    pSurface->GetDesc(&oDesc);
    const UINT uRows = IsBlockFormat(oDesc.Format) ? (oDesc.Height + 3) / 4 : oDesc.Height;
    IDirect3DSurface8* pRead = pSurface;
    IDirect3DSurface8* pCopy = nullptr;
    D3DLOCKED_RECT oLocked = {};
    if (FAILED(pSurface->LockRect(&oLocked, nullptr, D3DLOCK_READONLY)))
    {
        if (FAILED(g_pDevice->CreateImageSurface(oDesc.Width, oDesc.Height, oDesc.Format, &pCopy)) ||
            FAILED(g_pDevice->CopyRects(pSurface, nullptr, 0, pCopy, nullptr)) ||
            FAILED(pCopy->LockRect(&oLocked, nullptr, D3DLOCK_READONLY)))
        {
            if (pCopy)
            {
                pCopy->Release();
            }
            Problem("a texture could not be read");
            return o;
        }
        pRead = pCopy;
    }
    o.uPitch = static_cast<uint32_t>(oLocked.Pitch);
    const uint8_t* pBits = static_cast<const uint8_t*>(oLocked.pBits);
    o.vBytes.assign(pBits, pBits + static_cast<size_t>(oLocked.Pitch) * uRows);
    pRead->UnlockRect();
    if (pCopy)
    {
        pCopy->Release();
    }
    return o;
}

void ReadTexture(Dx8Resource& ro, IDirect3DBaseTexture8* pBase)
{
    if (ro.uKind == DX8_VOLUME_TEXTURE)
    {
        IDirect3DVolumeTexture8* pVolume = static_cast<IDirect3DVolumeTexture8*>(pBase);
        for (UINT i = 0; i < ro.uLevels; ++i)
        {
            D3DVOLUME_DESC oDesc = {};
            pVolume->GetLevelDesc(i, &oDesc);
            if (i == 0)
            {
                ro.uFormat = oDesc.Format;
                ro.uUsage = oDesc.Usage;
                ro.uPool = oDesc.Pool;
                ro.uWidth = oDesc.Width;
                ro.uHeight = oDesc.Height;
                ro.uDepth = oDesc.Depth;
            }
            Dx8Level oLevel;
            D3DLOCKED_BOX oBox = {};
            if (SUCCEEDED(pVolume->LockBox(i, &oBox, nullptr, D3DLOCK_READONLY)))
            {
                oLevel.uPitch = static_cast<uint32_t>(oBox.RowPitch);
                oLevel.uSlicePitch = static_cast<uint32_t>(oBox.SlicePitch);
                const uint8_t* p = static_cast<const uint8_t*>(oBox.pBits);
                oLevel.vBytes.assign(p, p + static_cast<size_t>(oBox.SlicePitch) * oDesc.Depth);
                pVolume->UnlockBox(i);
            }
            else
            {
                Problem("a volume texture could not be read");
            }
            ro.voLevels.push_back(std::move(oLevel));
        }
        return;
    }
    const bool bCube = ro.uKind == DX8_CUBE_TEXTURE;
    IDirect3DTexture8* pTexture = static_cast<IDirect3DTexture8*>(pBase);
    IDirect3DCubeTexture8* pCube = static_cast<IDirect3DCubeTexture8*>(pBase);
    D3DSURFACE_DESC oDesc = {};
    if (bCube ? FAILED(pCube->GetLevelDesc(0, &oDesc)) : FAILED(pTexture->GetLevelDesc(0, &oDesc)))
    {
        Problem("a texture could not be described");
    }
    ro.uFormat = oDesc.Format;
    ro.uUsage = oDesc.Usage;
    ro.uPool = oDesc.Pool;
    ro.uWidth = oDesc.Width;
    ro.uHeight = oDesc.Height;
    const bool bDrawnInto = (oDesc.Usage & D3DUSAGE_RENDERTARGET) != 0;
    for (UINT uFace = 0; uFace < (bCube ? 6u : 1u); ++uFace)
    {
        for (UINT i = 0; i < ro.uLevels; ++i)
        {
            IDirect3DSurface8* pLevel = nullptr;
            const HRESULT hr =
                bCube ? pCube->GetCubeMapSurface(static_cast<D3DCUBEMAP_FACES>(uFace), i, &pLevel)
                      : pTexture->GetSurfaceLevel(i, &pLevel);
            // A target's texels are what the frame draws into it.
            ro.voLevels.push_back(SUCCEEDED(hr) && !bDrawnInto ? ReadSurface(pLevel) : Dx8Level());
            if (pLevel)
            {
                pLevel->Release();
            }
        }
    }
}
} // namespace

bool Dx8FrameRecorder::Install(std::string& rstrError)
{
    if (g_pfnCreate8)
    {
        return true;
    }
    if (!PatchImport("d3d8.dll", "Direct3DCreate8", reinterpret_cast<void*>(&HookCreate8),
                     reinterpret_cast<void**>(&g_pfnCreate8)))
    {
        rstrError = "Direct3DCreate8";
        return false;
    }
    return true;
}

bool Dx8FrameRecorder::Begin()
{
    if (!g_pDevice)
    {
        return false;
    }
    Recording& ro = g_oRec;
    ro = Recording();
    ro.oFrame = g_oMadeDevice;
    for (int i = 0; i < STREAMS; ++i)
    {
        ro.auBoundStream[i] = UNBOUND;
    }
    IDirect3DDevice8* p = g_pDevice;
    p->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &ro.pBackBuffer);
    if (FAILED(p->GetDepthStencilSurface(&ro.pAutoDepth)))
    {
        ro.pAutoDepth = nullptr;
    }
    // The state the device holds: every value set since it was made, then what is bound.
    std::vector<Dx8Command>& rvInitial = ro.oFrame.m_voInitial;
    for (const auto& roState : g_oShadow.oStates)
    {
        rvInitial.push_back(roState.second);
    }
    for (int i = 0; i < TEXTURE_STAGES; ++i)
    {
        IDirect3DBaseTexture8* pTexture = nullptr;
        if (SUCCEEDED(p->GetTexture(i, &pTexture)) && pTexture)
        {
            rvInitial.push_back(Command(DX8_SET_TEXTURE, static_cast<uint32_t>(i), TextureNumber(pTexture)));
            pTexture->Release();
        }
    }
    DWORD dwShader = 0;
    if (SUCCEEDED(p->GetVertexShader(&dwShader)))
    {
        rvInitial.push_back(VertexShaderCommand(dwShader));
    }
    if (SUCCEEDED(p->GetPixelShader(&dwShader)))
    {
        rvInitial.push_back(PixelShaderCommand(dwShader));
    }
    IDirect3DSurface8* pTarget = nullptr;
    if (SUCCEEDED(p->GetRenderTarget(&pTarget)) && pTarget)
    {
        if (pTarget != ro.pBackBuffer)
        {
            rvInitial.push_back(
                Command(DX8_SET_RENDER_TARGET, SurfaceNumber(pTarget), SurfaceNumber(ro.pAutoDepth)));
        }
        pTarget->Release();
    }
    // The buffers are bound where the first draws read them.
    for (int i = 0; i < STREAMS; ++i)
    {
        IDirect3DVertexBuffer8* pBuffer = nullptr;
        UINT uStride = 0;
        if (SUCCEEDED(p->GetStreamSource(i, &pBuffer, &uStride)) && pBuffer)
        {
            ro.apStream[i] = pBuffer;
            ro.auStride[i] = uStride;
            pBuffer->Release();
        }
    }
    IDirect3DIndexBuffer8* pIndices = nullptr;
    UINT uBase = 0;
    if (SUCCEEDED(p->GetIndices(&pIndices, &uBase)) && pIndices)
    {
        ro.pIndices = pIndices;
        ro.uBaseVertex = uBase;
        pIndices->Release();
    }
    ro.bOn = true;
    return true;
}

Dx8Frame& Dx8FrameRecorder::End()
{
    Recording& ro = g_oRec;
    ro.bOn = false;
    for (const auto& roTexture : ro.oTextures)
    {
        ReadTexture(ro.oFrame.m_voResources[roTexture.second - 1],
                    static_cast<IDirect3DBaseTexture8*>(roTexture.first));
    }
    for (IDirect3DBaseTexture8* pTexture : ro.vpTextures)
    {
        pTexture->Release();
    }
    ro.vpTextures.clear();
    ro.oTextures.clear();
    ro.oSurfaces.clear();
    ro.oBuffers.clear();
    for (IDirect3DSurface8** pp : {&ro.pBackBuffer, &ro.pAutoDepth})
    {
        if (*pp)
        {
            (*pp)->Release();
            *pp = nullptr;
        }
    }
    return ro.oFrame;
}

IDirect3DDevice8* Dx8FrameRecorder::Device()
{
    return g_pDevice;
}

const std::string& Dx8FrameRecorder::Problems()
{
    return g_oRec.strProblems;
}
