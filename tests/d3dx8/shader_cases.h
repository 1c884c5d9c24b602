#pragma once
// Tables of shader sources with the Direct3D 8 tokens they must assemble to, built from the public
// encoding (the D3DSIO_*, D3DSPR_* and D3DSP_* values of d3d8types.h). The assembler tests compare
// them word for word; the device tests hand every one of them to a real device.

#include <d3d8.h>

#include <string>
#include <vector>

namespace d3dx8_test
{
struct ShaderCase
{
    std::string szName;
    std::string szSource;
    std::vector<DWORD> vCode;
    std::vector<DWORD> vConstants; // vertex shaders: D3DVSD_CONST tokens of their "def"s
};

// Swizzle of a source: the component read for x, y, z and w (0 = x .. 3 = w).
DWORD Swizzle(int x, int y, int z, int w);
const DWORD NO_SWIZZLE = D3DSP_NOSWIZZLE;

DWORD Dst(DWORD dwType, DWORD dwNumber, DWORD dwMask = D3DSP_WRITEMASK_ALL, DWORD dwModifiers = 0);
DWORD Src(DWORD dwType, DWORD dwNumber, DWORD dwSwizzle = NO_SWIZZLE, DWORD dwModifier = D3DSPSM_NONE);
DWORD Bits(float f);
// The version token, the body and the end token.
std::vector<DWORD> Program(DWORD dwVersion, const std::vector<DWORD>& vBody);

std::vector<ShaderCase> VertexShaderCases();
std::vector<ShaderCase> PixelShaderCases();
} // namespace d3dx8_test
