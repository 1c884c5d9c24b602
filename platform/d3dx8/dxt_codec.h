#pragma once
// The DXT1 to DXT5 block formats: 4 x 4 texels in a block, row by row. DXT1 keeps one bit of alpha
// (a texel below one half becomes transparent black); DXT2 and DXT3 keep 4 bits of alpha per texel,
// DXT4 and DXT5 interpolate it; DXT2 and DXT4 store colours multiplied by alpha.

#include "pixel_format.h"

namespace d3dx8
{
void DecodeDxtBlock(D3DFORMAT eFormat, const BYTE* pBlock, Texel aOut[16]);
void EncodeDxtBlock(D3DFORMAT eFormat, const Texel aIn[16], BYTE* pBlock);
} // namespace d3dx8
