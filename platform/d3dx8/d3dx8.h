#pragma once
// The project's own D3DX8 utility subset, declared with the names and signatures the engine calls:
// shader assembly, surface and volume format conversion, and the matrix and plane helpers.

#include <d3d8.h>

// Asks a D3DX function for its default value (filter, size).
#define D3DX_DEFAULT ((UINT)-1)

// Results of the D3DX functions beyond the Direct3D ones.
#define D3DX8_MAKE_ERROR(code) MAKE_HRESULT(1, 0x876, (code))

enum _D3DXERR
{
    D3DXERR_CANNOTMODIFYINDEXBUFFER = D3DX8_MAKE_ERROR(2900),
    D3DXERR_INVALIDMESH = D3DX8_MAKE_ERROR(2901),
    D3DXERR_CANNOTATTRSORT = D3DX8_MAKE_ERROR(2902),
    D3DXERR_SKINNINGNOTSUPPORTED = D3DX8_MAKE_ERROR(2903),
    D3DXERR_TOOMANYINFLUENCES = D3DX8_MAKE_ERROR(2904),
    D3DXERR_INVALIDDATA = D3DX8_MAKE_ERROR(2905),
    D3DXERR_LOADEDMESHASNODATA = D3DX8_MAKE_ERROR(2906),
};

#include "d3dx8math.h"
#include "d3dx8core.h"
#include "d3dx8tex.h"
