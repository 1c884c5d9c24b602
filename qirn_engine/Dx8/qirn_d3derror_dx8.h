#pragma once
// The name of a Direct3D 8 result for the log ("D3DERR_INVALIDCALL"); the DirectX error library's
// name for results that are not Direct3D's own.

#include <d3d8.h>

const char* QIRN_D3DErrorName(HRESULT hr);
