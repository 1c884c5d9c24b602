// Assembled shaders on a real Direct3D 8 device: every table shader is accepted, and a vertex and
// pixel shader pair draws what it should.

#include "d3dx8.h"
#include "shader_cases.h"
#include "test_device.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

using d3dx8_test::ShaderCase;
using d3dx8_test::TestDevice;

namespace
{
struct Shader
{
    std::vector<DWORD> vCode;
    std::vector<DWORD> vConstants;
};

bool AssembleText(const std::string& szSource, Shader* pShader, std::string* pErrors)
{
    ID3DXBuffer* pConstants = nullptr;
    ID3DXBuffer* pCode = nullptr;
    ID3DXBuffer* pErrorText = nullptr;
    const HRESULT hr = D3DXAssembleShader(szSource.c_str(), static_cast<UINT>(szSource.size()), 0,
                                          &pConstants, &pCode, &pErrorText);
    if (pErrorText)
    {
        *pErrors = static_cast<const char*>(pErrorText->GetBufferPointer());
        pErrorText->Release();
    }
    if (FAILED(hr))
        return false;
    const DWORD* pWords = static_cast<const DWORD*>(pCode->GetBufferPointer());
    pShader->vCode.assign(pWords, pWords + pCode->GetBufferSize() / 4);
    pWords = static_cast<const DWORD*>(pConstants->GetBufferPointer());
    pShader->vConstants.assign(pWords, pWords + pConstants->GetBufferSize() / 4);
    pCode->Release();
    pConstants->Release();
    return true;
}

// The shader's constants, then stream 0 feeding v0..v15 with four floats each.
std::vector<DWORD> Declaration(const Shader& shader, bool bAllInputs)
{
    std::vector<DWORD> v = shader.vConstants;
    v.push_back(D3DVSD_STREAM(0));
    if (bAllInputs)
        for (DWORD r = 0; r < 16; ++r)
            v.push_back(D3DVSD_REG(r, D3DVSDT_FLOAT4));
    else
    {
        v.push_back(D3DVSD_REG(0, D3DVSDT_FLOAT4));
        v.push_back(D3DVSD_REG(5, D3DVSDT_D3DCOLOR));
        v.push_back(D3DVSD_REG(7, D3DVSDT_FLOAT2));
    }
    v.push_back(D3DVSD_END());
    return v;
}

bool Near(D3DCOLOR a, D3DCOLOR b, int iTolerance)
{
    for (int shift = 0; shift < 24; shift += 8)
        if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) >
            iTolerance)
            return false;
    return true;
}

using ShaderDevice = d3dx8_test::DeviceTest;
} // namespace

TEST_F(ShaderDevice, AcceptsEveryVertexShaderOfTheTable)
{
    IDirect3DDevice8* pDevice = m_device.Device();
    D3DCAPS8 caps = {};
    pDevice->GetDeviceCaps(&caps);
    ASSERT_GE(caps.VertexShaderVersion & 0xFFFF, 0x0101u);
    for (const ShaderCase& c : d3dx8_test::VertexShaderCases())
    {
        Shader shader;
        std::string szErrors;
        ASSERT_TRUE(AssembleText(c.szSource, &shader, &szErrors)) << c.szName << "\n" << szErrors;
        const std::vector<DWORD> vDeclaration = Declaration(shader, true);
        DWORD dwHandle = 0;
        EXPECT_EQ(pDevice->CreateVertexShader(vDeclaration.data(), shader.vCode.data(), &dwHandle, 0), D3D_OK)
            << c.szName;
        if (dwHandle)
            pDevice->DeleteVertexShader(dwHandle);
    }
}

TEST_F(ShaderDevice, AcceptsEveryPixelShaderOfTheTable)
{
    IDirect3DDevice8* pDevice = m_device.Device();
    for (const ShaderCase& c : d3dx8_test::PixelShaderCases())
    {
        Shader shader;
        std::string szErrors;
        ASSERT_TRUE(AssembleText(c.szSource, &shader, &szErrors)) << c.szName << "\n" << szErrors;
        DWORD dwHandle = 0;
        EXPECT_EQ(pDevice->CreatePixelShader(shader.vCode.data(), &dwHandle), D3D_OK) << c.szName;
        if (dwHandle)
            pDevice->DeletePixelShader(dwHandle);
    }
}

namespace
{
// Draws a quad over the whole back buffer with the two shaders (no pixel shader for an empty
// source) and answers the colour at its centre, or 0 with a failure recorded.
D3DCOLOR DrawQuad(TestDevice& device, const char* szVertex, const char* szPixel)
{
    IDirect3DDevice8* pDevice = device.Device();
    Shader vs;
    Shader ps;
    std::string szErrors;
    EXPECT_TRUE(AssembleText(szVertex, &vs, &szErrors)) << szErrors;
    if (*szPixel)
    {
        EXPECT_TRUE(AssembleText(szPixel, &ps, &szErrors)) << szErrors;
    }
    if (vs.vCode.empty() || (*szPixel && ps.vCode.empty()))
        return 0;
    const std::vector<DWORD> vDeclaration = Declaration(vs, false);
    DWORD dwVertexShader = 0;
    DWORD dwPixelShader = 0;
    EXPECT_EQ(pDevice->CreateVertexShader(vDeclaration.data(), vs.vCode.data(), &dwVertexShader, 0), D3D_OK);
    if (*szPixel)
    {
        EXPECT_EQ(pDevice->CreatePixelShader(ps.vCode.data(), &dwPixelShader), D3D_OK);
    }

    const float afIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    pDevice->SetVertexShaderConstant(0, afIdentity, 4);
    struct Vertex
    {
        float x, y, z, w;
        D3DCOLOR color;
        float u, v;
    };
    const D3DCOLOR COLOR = D3DCOLOR_ARGB(0xFF, 0x40, 0x80, 0xC0);
    const Vertex aQuad[4] = {{-1, -1, 0.5f, 1, COLOR, 0, 1},
                             {-1, 1, 0.5f, 1, COLOR, 0, 0},
                             {1, -1, 0.5f, 1, COLOR, 1, 1},
                             {1, 1, 0.5f, 1, COLOR, 1, 0}};
    pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    pDevice->SetRenderState(D3DRS_ZENABLE, FALSE);
    pDevice->SetRenderState(D3DRS_LIGHTING, FALSE);
    pDevice->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(0, 0, 0), 1.0f, 0);
    pDevice->BeginScene();
    pDevice->SetVertexShader(dwVertexShader);
    pDevice->SetPixelShader(dwPixelShader);
    EXPECT_EQ(pDevice->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, aQuad, sizeof(Vertex)), D3D_OK);
    pDevice->EndScene();
    const D3DCOLOR pixel = device.ReadBackBuffer(TestDevice::SIZE / 2, TestDevice::SIZE / 2);

    pDevice->SetVertexShader(D3DFVF_XYZ);
    pDevice->SetPixelShader(0);
    pDevice->DeleteVertexShader(dwVertexShader);
    if (dwPixelShader)
        pDevice->DeletePixelShader(dwPixelShader);
    return pixel;
}

// Positions come in clip space; the colour is scaled by a "def" constant that travels in the
// declaration, and the matrix c0..c3 (identity) takes the m4x4 path.
const char* const QUAD_VERTEX_SHADER = "vs.1.1\n"
                                       "def c4, 0.5, 1.0, 0.5, 1.0\n"
                                       "m4x4 oPos, v0, c0\n"
                                       "mul oD0, v5, c4\n"
                                       "mov oT0, v7\n";
} // namespace

TEST_F(ShaderDevice, VertexShaderDrawsAQuad)
{
    const D3DCOLOR pixel = DrawQuad(m_device, QUAD_VERTEX_SHADER, "");
    EXPECT_TRUE(Near(pixel, D3DCOLOR_XRGB(0x20, 0x80, 0x60), 4)) << std::hex << pixel;
}

TEST_F(ShaderDevice, VertexAndPixelShaderDrawAQuad)
{
    // (0x20, 0x80, 0x60) x (1, 0.5, 0.25) x 2, plus 1 - (0.75, 1, 1) from the complement.
    const char* szPixel = "ps.1.1\n"
                          "def c0, 1.0, 0.5, 0.25, 1.0\n"
                          "def c1, 0.75, 1.0, 1.0, 1.0\n"
                          "mul_x2 r0, v0, c0\n"
                          "add r0, r0, 1-c1\n";
    const D3DCOLOR pixel = DrawQuad(m_device, QUAD_VERTEX_SHADER, szPixel);
    EXPECT_TRUE(Near(pixel, D3DCOLOR_XRGB(0x40 + 0x40, 0x80, 0x30), 4)) << std::hex << pixel;
}

TEST_F(ShaderDevice, Ps14DrawsAQuad)
{
    // Texture coordinates as a colour: about (0.5, 0.5) at the centre, scaled and added to v0.
    const char* szPixel = "ps.1.4\n"
                          "def c0, 1.0, 0.5, 0.0, 1.0\n"
                          "texcrd r1.rgb, t0\n"
                          "mad r0.rgb, r1, c0, v0\n"
                          "+mov r0.a, c0.a\n";
    const D3DCOLOR pixel = DrawQuad(m_device, QUAD_VERTEX_SHADER, szPixel);
    EXPECT_TRUE(Near(pixel, D3DCOLOR_XRGB(0x20 + 0x81, 0x80 + 0x41, 0x60), 4)) << std::hex << pixel;
}
