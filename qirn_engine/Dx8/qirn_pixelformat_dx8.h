#pragma once
// The engine's pixel-format codes and Direct3D 8 formats, both ways, and the two facts about a
// format the renderer asks: its bits per pixel and whether a depth format has stencil.

#include "qirn_pixelformat.h"

#include <d3d8.h>

#include <cstdint>

// The engine codes of the two vendor texture formats (83 8-bit, 84 16-bit) and the private
// four-character codes this renderer gives them; no device here accepts either.
const uint32_t QIRN_FMT_VENDOR8 = 83;
const uint32_t QIRN_FMT_VENDOR16 = 84;
const D3DFORMAT QIRN_D3DFMT_VENDOR8 = static_cast<D3DFORMAT>(MAKEFOURCC('Q', 'V', 'N', '8'));
const D3DFORMAT QIRN_D3DFMT_VENDOR16 = static_cast<D3DFORMAT>(MAKEFOURCC('Q', 'V', 'N', '6'));

// D3DFMT_UNKNOWN for a code without a Direct3D format.
D3DFORMAT QIRN_ToD3DFormat(uint32_t eFormat);
// QIRN_FMT_UNKNOWN for a format without an engine code (the vendor formats included).
QIRN_PixelFormat QIRN_FromD3DFormat(D3DFORMAT eFormat);
// 0 for a format of unknown size.
uint32_t QIRN_D3DFormatBits(D3DFORMAT eFormat);
// True for the engine depth formats with stencil bits: D15S1, D24S8 and D24X4S4.
bool QIRN_DepthFormatHasStencil(uint32_t eFormat);
