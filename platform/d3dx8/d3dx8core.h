#pragma once
// Buffers and the vertex and pixel shader assembler of the D3DX8 subset.

#include <d3d8.h>

// Defined in every unit that includes this header rather than exported by the library: the
// system's dxguid library has a symbol of this name too, and programs link both.
// {932E6A7E-C68E-45DD-A7BF-53D19C86DB1F}
static const GUID IID_ID3DXBuffer = {
    0x932e6a7e, 0xc68e, 0x45dd, {0xa7, 0xbf, 0x53, 0xd1, 0x9c, 0x86, 0xdb, 0x1f}};

// A block of bytes handed out by the D3DX functions (assembled code, constants, error text).
#undef INTERFACE
#define INTERFACE ID3DXBuffer
DECLARE_INTERFACE_(ID3DXBuffer, IUnknown)
{
    STDMETHOD(QueryInterface)(THIS_ REFIID iid, LPVOID * ppv) PURE;
    STDMETHOD_(ULONG, AddRef)(THIS) PURE;
    STDMETHOD_(ULONG, Release)(THIS) PURE;

    STDMETHOD_(LPVOID, GetBufferPointer)(THIS) PURE;
    STDMETHOD_(DWORD, GetBufferSize)(THIS) PURE;
};
#undef INTERFACE

typedef ID3DXBuffer* LPD3DXBUFFER;

// C linkage, as the SDK declares these functions.
#ifdef __cplusplus
extern "C"
{
#endif

    // A zero-filled buffer of NumBytes bytes (0 is allowed) with one reference.
    HRESULT WINAPI D3DXCreateBuffer(DWORD NumBytes, LPD3DXBUFFER* ppBuffer);

// Assembler flags. D3DXASM_DEBUG is accepted and changes nothing in the code produced;
// D3DXASM_SKIPVALIDATION keeps only the checks the token encoding itself needs.
#define D3DXASM_DEBUG (1 << 0)
#define D3DXASM_SKIPVALIDATION (1 << 1)

    // Assembles a vs.1.0/vs.1.1 or ps.1.0 to ps.1.4 source into Direct3D 8 shader tokens.
    //   ppConstants: for a vertex shader, every "def" as D3DVSD_CONST(register, 1) followed by its four
    //     floats, to be put in front of the vertex declaration; empty for pixel shaders (their "def"
    //     stays in the code) and for vertex shaders without "def".
    //   ppCompiledShader: the token stream, from the version token to the end token.
    //   ppCompilationErrors: on failure, one line per error, "file(line) : error: text", NUL-ended.
    // Any out-pointer may be NULL. Results: D3D_OK; D3DXERR_INVALIDDATA for a malformed source;
    // HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) for a missing file; D3DERR_INVALIDCALL for a NULL
    // source; E_OUTOFMEMORY. "#include" files are looked up beside the including file, then in the
    // working folder.
    HRESULT WINAPI D3DXAssembleShader(LPCVOID pSrcData, UINT SrcDataLen, DWORD Flags,
                                      LPD3DXBUFFER* ppConstants, LPD3DXBUFFER* ppCompiledShader,
                                      LPD3DXBUFFER* ppCompilationErrors);
    HRESULT WINAPI D3DXAssembleShaderFromFileA(LPCSTR pSrcFile, DWORD Flags, LPD3DXBUFFER* ppConstants,
                                               LPD3DXBUFFER* ppCompiledShader,
                                               LPD3DXBUFFER* ppCompilationErrors);
    HRESULT WINAPI D3DXAssembleShaderFromFileW(LPCWSTR pSrcFile, DWORD Flags, LPD3DXBUFFER* ppConstants,
                                               LPD3DXBUFFER* ppCompiledShader,
                                               LPD3DXBUFFER* ppCompilationErrors);
#ifdef __cplusplus
}
#endif

#ifdef UNICODE
#define D3DXAssembleShaderFromFile D3DXAssembleShaderFromFileW
#else
#define D3DXAssembleShaderFromFile D3DXAssembleShaderFromFileA
#endif
