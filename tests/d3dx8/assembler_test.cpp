#include "d3dx8.h"
#include "qirn_test_support.h"
#include "shader_cases.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using d3dx8_test::ShaderCase;

namespace
{
struct Assembly
{
    HRESULT hr = E_FAIL;
    bool bHasCode = false;
    bool bHasConstants = false;
    std::vector<DWORD> vCode;
    std::vector<DWORD> vConstants;
    std::string szErrors;
};

std::vector<DWORD> Words(ID3DXBuffer* pBuffer)
{
    const DWORD* pWords = static_cast<const DWORD*>(pBuffer->GetBufferPointer());
    return std::vector<DWORD>(pWords, pWords + pBuffer->GetBufferSize() / sizeof(DWORD));
}

Assembly Collect(HRESULT hr, ID3DXBuffer* pConstants, ID3DXBuffer* pCode, ID3DXBuffer* pErrors)
{
    Assembly a;
    a.hr = hr;
    if (pCode)
    {
        a.bHasCode = true;
        a.vCode = Words(pCode);
        pCode->Release();
    }
    if (pConstants)
    {
        a.bHasConstants = true;
        a.vConstants = Words(pConstants);
        pConstants->Release();
    }
    if (pErrors)
    {
        a.szErrors = static_cast<const char*>(pErrors->GetBufferPointer());
        pErrors->Release();
    }
    return a;
}

Assembly Assemble(const std::string& szSource, DWORD dwFlags = 0)
{
    ID3DXBuffer* pConstants = nullptr;
    ID3DXBuffer* pCode = nullptr;
    ID3DXBuffer* pErrors = nullptr;
    const HRESULT hr = D3DXAssembleShader(szSource.c_str(), static_cast<UINT>(szSource.size()), dwFlags,
                                          &pConstants, &pCode, &pErrors);
    return Collect(hr, pConstants, pCode, pErrors);
}

Assembly AssembleFile(const std::string& szPath)
{
    ID3DXBuffer* pConstants = nullptr;
    ID3DXBuffer* pCode = nullptr;
    ID3DXBuffer* pErrors = nullptr;
    const HRESULT hr = D3DXAssembleShaderFromFile(szPath.c_str(), 0, &pConstants, &pCode, &pErrors);
    return Collect(hr, pConstants, pCode, pErrors);
}

std::string Hex(const std::vector<DWORD>& v)
{
    std::string s;
    char sz[16];
    for (DWORD dw : v)
    {
        snprintf(sz, sizeof(sz), "%08lX ", static_cast<unsigned long>(dw));
        s += sz;
    }
    return s;
}

void ExpectTable(const std::vector<ShaderCase>& vCases)
{
    ASSERT_FALSE(vCases.empty());
    for (const ShaderCase& c : vCases)
    {
        const Assembly a = Assemble(c.szSource);
        ASSERT_EQ(a.hr, D3D_OK) << c.szName << "\n" << a.szErrors;
        EXPECT_EQ(Hex(a.vCode), Hex(c.vCode)) << c.szName;
        EXPECT_EQ(Hex(a.vConstants), Hex(c.vConstants)) << c.szName;
        EXPECT_TRUE(a.bHasConstants) << c.szName;
    }
}

struct BadCase
{
    const char* szSource;
    unsigned uLine;
    const char* szMessage;
};

void ExpectErrors(const std::vector<BadCase>& vCases)
{
    for (const BadCase& c : vCases)
    {
        const Assembly a = Assemble(c.szSource);
        EXPECT_EQ(a.hr, D3DXERR_INVALIDDATA) << c.szSource;
        EXPECT_FALSE(a.bHasCode) << c.szSource;
        EXPECT_FALSE(a.bHasConstants) << c.szSource;
        const std::string szWhere = "(memory)(" + std::to_string(c.uLine) + ") : error: ";
        EXPECT_NE(a.szErrors.find(szWhere), std::string::npos) << c.szSource << "\n" << a.szErrors;
        EXPECT_NE(a.szErrors.find(c.szMessage), std::string::npos) << c.szSource << "\n" << a.szErrors;
    }
}
} // namespace

TEST(ShaderAssembler, VertexShaderTable)
{
    ExpectTable(d3dx8_test::VertexShaderCases());
}

TEST(ShaderAssembler, MalformedVertexShaders)
{
    std::string szTooLong = "vs.1.1\n";
    for (int i = 0; i < 33; ++i)
        szTooLong += "m4x4 r0, v0, c0\n";
    const std::vector<BadCase> vCases = {
        {"", 1, "the shader is empty"},
        {"mov r0, v0", 1, "must start with its version"},
        {"vs.2.0\nmov r0, v0", 1, "version 'vs.2.0' is not supported"},
        {"ps.1.5\n", 1, "is not supported"},
        {"vs.1.1\nfoo r0, v0", 2, "unknown instruction 'foo'"},
        {"vs.1.1\nmov r0", 2, "'mov' takes 2 operand(s), found 1"},
        {"vs.1.1\nmov r0, v0, v1", 2, "takes 2 operand(s), found 3"},
        {"vs.1.1\nmov r0, ", 2, "operand 2 of 'mov' is missing"},
        {"vs.1.1\nmad r0, v0, c0", 2, "'mad' takes 4 operand(s), found 3"},
        {"vs.1.1\nnop r0", 2, "'nop' takes 0 operand(s), found 1"},
        {"vs.1.1\nmov r12, v0", 2, "register 'r12' is out of range (r0 to r11 in vs.1.1)"},
        {"vs.1.1\nmov r0, v16", 2, "out of range (v0 to v15"},
        {"vs.1.1\nmov r0, c256", 2, "out of range (c0 to c255"},
        {"vs.1.1\nmov oT8, v0", 2, "out of range (oT0 to oT7"},
        {"vs.1.1\nmov oD2, v0", 2, "out of range"},
        {"vs.1.1\nmov r0, x0", 2, "unknown register 'x0'"},
        {"vs.1.1\nmov r0, t0", 2, "unknown register 't0'"},
        {"vs.1.1\nmov oPos1, v0", 2, "unknown register 'oPos1'"},
        {"vs.1.1\nmov r, v0", 2, "register 'r' needs a number"},
        {"vs.1.1\nmov r0x, v0", 2, "unknown register"},
        {"vs.1.1\nmov v0, r0", 2, "'v0' cannot be written"},
        {"vs.1.1\nmov c0, r0", 2, "'c0' cannot be written"},
        {"vs.1.1\nmov r0, oPos", 2, "'oPos' cannot be read"},
        {"vs.1.1\nmov r0, a0", 2, "'a0' cannot be read"},
        {"vs.1.0\nmov a0.x, r0.x", 2, "register 'a0' is not available in vs.1.0"},
        {"vs.1.0\nmov r0, c[a0.x]", 2, "relative addressing c[a0.x + n] is not available in vs.1.0"},
        {"vs.1.1\nmov r0, c[a0.y]", 2, "constants can only be indexed by a0.x"},
        {"vs.1.1\nmov r0, c[a0]", 2, "must be read as a0.x"},
        {"vs.1.1\nmov r0, c[5 - a0.x]", 2, "a0.x must be added to the index"},
        {"vs.1.1\nmov r0, c[a0.x + a0.x]", 2, "a0.x appears twice"},
        {"vs.1.1\nmov r0, c[a0.x - 9]", 2, "constant index -9 is negative"},
        {"vs.1.1\nmov r0, c[a0.x + 300]", 2, "out of range"},
        {"vs.1.1\nmov r0, c[a0.x + q]", 2, "bad constant index"},
        {"vs.1.1\nmov r0, c[3", 2, "missing ']'"},
        {"vs.1.1\nmov a0, r0.x", 2, "a0 is written only by 'mov a0.x"},
        {"vs.1.1\nadd a0.x, r0, r1", 2, "a0 is written only by 'mov a0.x"},
        {"vs.1.1\nadd r0, c0, c1", 2, "reads two different constant registers"},
        {"vs.1.1\nmad r0, v0, c0, c[a0.x]", 2, "reads two different constant registers"},
        {"vs.1.1\nadd r0, v0, v1", 2, "reads two different input registers"},
        {"vs.1.1\nmov r0.yx, v0", 2, "bad write mask '.yx'"},
        {"vs.1.1\nmov r0.xx, v0", 2, "bad write mask"},
        {"vs.1.1\nmov r0.q, v0", 2, "bad write mask"},
        {"vs.1.1\nmov r0, v0.xyzwx", 2, "bad swizzle '.xyzwx'"},
        {"vs.1.1\nmov r0, v0.q", 2, "bad swizzle '.q'"},
        {"vs.1.1\nmov r0, v0.x.y", 2, "unexpected '.y'"},
        {"vs.1.1\nmov r0, v0 v1", 2, "unexpected 'v1'"},
        {"vs.1.1\nmov_sat r0, v0", 2, "exist only in pixel shaders"},
        {"vs.1.1\nmov r0, v0_bx2", 2, "exists only in pixel shaders"},
        {"vs.1.1\nmov r0, 1-v0", 2, "exists only in pixel shaders"},
        {"vs.1.1\nmov r0, v0_foo", 2, "unknown source modifier '_foo'"},
        {"vs.1.1\nmov r0.x_sat, v0", 2, "go on the instruction"},
        {"vs.1.1\nmov -r0, v0", 2, "a destination register takes no source modifier"},
        {"vs.1.1\nm4x4 r0, v0, c0.x", 2, "the matrix operand of 'm4x4' takes no swizzle or negation"},
        {"vs.1.1\nm3x3 r0, v0, -c0", 2, "takes no swizzle or negation"},
        {"vs.1.1\nm4x4 r1, r1, c0", 2, "the destination of 'm4x4' must differ from its sources"},
        {"vs.1.1\nm3x2 r5, v0, r4", 2, "must differ from its sources"},
        {"vs.1.1\ndef r0, 1, 2, 3, 4", 2, "'def' needs a constant register"},
        {"vs.1.1\ndef c0, 1, 2, 3", 2, "'def' takes 5 operand(s), found 4"},
        {"vs.1.1\ndef c0, 1, 2, 3, abc", 2, "bad number 'abc' in 'def'"},
        {"vs.1.1\ndef c0, 1, 2, 3, 1e999", 2, "bad number"},
        // Each value must fit a float, whichever of the four it is.
        {"vs.1.1\ndef c0, 1e39, 0, 0, 0", 2, "bad number '1e39' in 'def': outside the float range"},
        {"ps.1.1\ndef c0, 0, -1e39, 0, 0", 2, "bad number '-1e39' in 'def': outside the float range"},
        {"vs.1.1\n#if 99999999999999999999 > 0\n#endif", 2, "number '99999999999999999999' is out of range"},
        {"vs.1.1\ndef c128, 1, 2, 3, 4", 2, "a vertex declaration can set c0 to c127 only"},
        {"vs.1.1\n+mov r0, v0", 2, "co-issue '+' exists only in pixel shaders"},
        {"vs.1.1\nmov r0, v0\nvs.1.1", 3, "a second version statement"},
        {"vs.1.1\n.x", 2, "expected an instruction"},
        {"vs.1.1\n#include \"missing.h\"", 2, "cannot open include file 'missing.h'"},
        {"vs.1.1\n#include missing.h", 2, "#include needs a file name"},
        {"vs.1.1\n#if\n#endif", 2, "#if needs an expression"},
        {"vs.1.1\n#if 1/0\n#endif", 2, "division by zero"},
        {"vs.1.1\n#if (1\n#endif", 2, "missing ')'"},
        {"vs.1.1\n#ifdef X\nmov r0, v0", 2, "#if without #endif"},
        {"vs.1.1\n#endif", 2, "#endif without #if"},
        {"vs.1.1\n#if 1\n#else\n#else\n#endif", 4, "#else after #else"},
        {"vs.1.1\n#error stop here", 2, "#error stop here"},
        {"vs.1.1\n#foo", 2, "unknown preprocessor directive"},
        {"vs.1.1\n#define\n", 2, "#define needs a macro name"},
        {"vs.1.1\n/* unclosed\nmov r0, v0", 2, "comment started with '/*' is not closed"},
        {"vs.1.1\n#define F(a) a\nmov r0, F(v0, v1)", 3, "macro 'F' needs 1 arguments"},
        {"vs.1.1\n#define LOOP LOOP2\n#define LOOP2 LOOP\nmov r0, LOOP", 4, "unknown register 'LOOP'"},
        {szTooLong.c_str(), 34, "the shader needs 132 instruction slots; vs.1.1 has 128"},
    };
    ExpectErrors(vCases);
}

TEST(ShaderAssembler, PixelShaderTable)
{
    ExpectTable(d3dx8_test::PixelShaderCases());
}

TEST(ShaderAssembler, MalformedPixelShaders)
{
    const std::vector<BadCase> vCases = {
        {"ps.1.1\nmov r2, v0", 2, "register 'r2' is out of range (r0 to r1 in ps.1.1)"},
        {"ps.1.1\nmov r0, t4", 2, "out of range (t0 to t3"},
        {"ps.1.1\nmov r0, c8", 2, "out of range (c0 to c7"},
        {"ps.1.1\nmov r0, v2", 2, "out of range (v0 to v1"},
        {"ps.1.1\ndef c8, 1, 1, 1, 1", 2, "out of range"},
        {"ps.1.1\nmov oC0, r0", 2, "unknown register 'oC0'"},
        {"ps.1.1\nmov r0, c[a0.x]", 2, "relative addressing c[a0.x + n] is not available in ps.1.1"},
        {"ps.1.1\ndp4 r0, v0, v1", 2, "'dp4' needs ps.1.2 or later"},
        {"ps.1.1\ncmp r0, v0, v1, c0", 2, "'cmp' needs ps.1.2 or later"},
        {"ps.1.1\ntexreg2rgb t1, t0", 2, "'texreg2rgb' needs ps.1.2 or later"},
        {"ps.1.2\ntexm3x2depth t1, t0", 2, "'texm3x2depth' needs ps.1.3 or later"},
        {"ps.1.1\nm4x4 r0, v0, c0", 2, "'m4x4' is a vertex shader instruction, not available in ps.1.1"},
        {"vs.1.1\ntex t0", 2, "'tex' is a pixel shader instruction, not available in vs.1.1"},
        {"ps.1.1\nmov_x2_x4 r0, v0", 2, "only one of _x2, _x4"},
        {"ps.1.1\nmov_sat_sat r0, v0", 2, "'_sat' given twice"},
        {"ps.1.1\nmov_foo r0, v0", 2, "unknown instruction modifier '_foo'"},
        {"ps.1.1\ntex_x2 t0", 2, "'tex' takes no instruction modifier"},
        {"ps.1.1\ndef_sat c0, 1, 1, 1, 1", 2, "'def' takes no instruction modifier"},
        {"ps.1.1\nmov r0, 1-v0_bias", 2, "'1-' cannot be combined"},
        {"ps.1.1\nmov r0, -1-v0", 2, "'1-' cannot be combined"},
        {"ps.1.1\nmov r0, v0_bx2_bias", 2, "unexpected '_bias'"},
        {"ps.1.1\nmov r0, v0.g", 2, "swizzle of 'v0.g': ps.1.1 takes .a or .b only"},
        {"ps.1.1\nmov r0, v0.wzyx", 2, "takes .a or .b only"},
        {"ps.1.0\nmov r0, v0.b", 2, "swizzle of 'v0.b': ps.1.0 takes .a only"},
        {"ps.1.1\nmov r0.rg, v0", 2, "ps.1.1 writes .rgba, .rgb or .a"},
        {"ps.1.1\ndp3 r0.a, v0, v1", 2, "'dp3' writes .rgb or .rgba in ps.1.1"},
        {"ps.1.1\nmov v0, r0", 2, "'v0' cannot be written by arithmetic instructions"},
        {"ps.1.1\nmov c0, r0", 2, "cannot be written"},
        {"ps.1.1\ntex r0", 2, "'tex' writes a whole texture register t#, found 'r0'"},
        {"ps.1.1\ntex t0.rgb", 2, "writes a whole texture register"},
        {"ps.1.1\ntexbem t1, r0", 2, "'texbem' reads t#, found 'r0'"},
        {"ps.1.1\ntexbem t1, t0.a", 2, "takes no swizzle and no source modifier but _bx2"},
        {"ps.1.1\ntexbem t1, -t0", 2, "takes no swizzle and no source modifier but _bx2"},
        {"ps.1.1\ntexbem t0, t1", 2, "must read a texture register below its destination t0"},
        {"ps.1.1\ntexm3x3spec t3, t0, t1", 2, "'texm3x3spec' reads c#, found 't1'"},
        {"ps.1.1\nmov r0, v0\ntex t0", 3, "texture instruction 'tex' after an arithmetic instruction"},
        {"ps.1.1\nmov r0, v0\ndef c0, 1, 1, 1, 1", 3, "'def' must come before the other instructions"},
        {"ps.1.1\ntexcoord t0\ntexcoord t1\ntexcoord t2\ntexcoord t3\ntexkill t0", 6,
         "more than 4 texture instructions in a phase of ps.1.1"},
        {"ps.1.1\nmov r0, v0\nmov r0, v0\nmov r0, v0\nmov r0, v0\nmov r0.rgb, v0\n+mov r0.a, v0\n"
         "mov r0, v0\nmov r0, v0\nmov r0, v0\nmov r0, v0",
         11, "more than 8 arithmetic instructions in a phase of ps.1.1"},
        {"ps.1.1\ncnd r0, r1.a, t0, c0", 2, "'cnd' selects with r0.a in ps.1.1, found 'r1.a'"},
        {"ps.1.1\nmov r0.rgb, v0\n+mov r0.rgb, v1", 3, "must write colour and alpha separately"},
        {"ps.1.1\nmov r0, v0\n+mov r0.a, v1", 3, "must write colour and alpha separately"},
        {"ps.1.1\n+mov r0.a, v0", 2, "'+' pairs an arithmetic instruction"},
        {"ps.1.1\ntex t0\n+mov r0.a, t0", 3, "'+' pairs an arithmetic instruction"},
        {"ps.1.1\nmov r0.rgb, v0\n+mov r0.a, v0\n+mov r1.a, v0", 4, "'+' pairs an arithmetic instruction"},
    };
    ExpectErrors(vCases);
}

TEST(ShaderAssembler, MalformedPixelShaders14)
{
    const std::vector<BadCase> vCases = {
        {"ps.1.4\ntex t0", 2, "'tex' is not available in ps.1.4 (it has texld)"},
        {"ps.1.4\ntexcoord t0", 2, "'texcoord' is not available in ps.1.4 (it has texcrd)"},
        {"ps.1.3\ntexld r0, t0", 2, "'texld' needs ps.1.4 or later"},
        {"ps.1.3\nphase", 2, "'phase' needs ps.1.4 or later"},
        {"ps.1.3\nbem r0.rg, r0, r1", 2, "'bem' needs ps.1.4 or later"},
        {"ps.1.4\nmov r6, r0", 2, "out of range (r0 to r5 in ps.1.4)"},
        {"ps.1.4\ntexld r0, t6", 2, "out of range (t0 to t5"},
        {"ps.1.4\nmov r0, t0", 2, "'t0': ps.1.4 reads t# only through texld and texcrd"},
        {"ps.1.4\nmov t0, r0", 2, "'t0' cannot be written by arithmetic instructions in ps.1.4"},
        {"ps.1.4\ntexld t0, t0", 2, "'texld' writes r# in ps.1.4, found 't0'"},
        {"ps.1.4\ntexld r0.rgb, t0", 2, "'texld' writes all of r#"},
        {"ps.1.4\ntexld r0, c0", 2, "'texld' reads t# or r#, found 'c0'"},
        {"ps.1.4\ntexld r0, r1\nphase", 2, "'texld' reads r# only in the second phase"},
        {"ps.1.4\ntexld r0, t0.xy", 2, "reads its coordinates as .xyz or .xyw"},
        {"ps.1.4\ntexld r0, t0_dz", 2, "takes no source modifier but _dz on r# (texld) and _dw on t#"},
        {"ps.1.4\ntexld r0, t0_bx2", 2, "takes no source modifier but _dz"},
        {"ps.1.4\ntexld r0, -t0", 2, "takes no source modifier but _dz"},
        {"ps.1.4\ntexcrd r0, r1", 2, "'texcrd' reads t#, found 'r1'"},
        {"ps.1.4\ntexcrd r0.a, t0", 2, "'texcrd' writes .rgb or .rg"},
        {"ps.1.4\ntexdepth r4", 2, "'texdepth' writes r5, found 'r4'"},
        {"ps.1.4\ntexkill c0", 2, "'texkill' tests r# or t#"},
        {"ps.1.4\nmov r0, v0\nphase", 2, "colour registers v# are read in the second phase only"},
        {"ps.1.4\nphase\nbem r0.rg, r1, r2", 3, "'bem' belongs to the first phase"},
        {"ps.1.4\nbem r0, r1, r2\nphase", 2, "'bem' writes .rg"},
        {"ps.1.4\nphase\nphase", 3, "'phase' may appear once"},
        {"ps.1.4\nbem r0.rg, r1, r2\nbem r3.rg, r1, r2\nphase", 3, "'bem' may appear once in a shader"},
        {"ps.1.4\nmov r0.a, r1\n+bem r0.rg, r1, r2\nphase", 3, "'bem' cannot be co-issued"},
        {"ps.1.4\nbem r0.rg, r1, r2\nmov r0, r1\nmov r0, r1\nmov r0, r1\nmov r0, r1\nmov r0, r1\nmov r0, r1\n"
         "mov r0, r1\nphase",
         9, "more than 8 arithmetic instructions in a phase of ps.1.4"},
        {"ps.1.4\n+phase", 2, "'+' pairs an arithmetic instruction"},
        {"ps.1.4\nmov r0, r1\ntexld r0, t0", 3,
         "texture instruction 'texld' after an arithmetic instruction"},
        {"ps.1.4\ntexld r0, t0\ntexld r1, t1\ntexld r2, t2\ntexld r3, t3\ntexld r4, t4\ntexld r5, t5\n"
         "texkill t0",
         8, "more than 6 texture instructions in a phase of ps.1.4"},
        {"ps.1.4\nmov r0, c0.rg", 2, "ps.1.4 takes .r, .g, .b or .a only"},
        {"ps.1.4\nmov r0, r1_dw", 2, "source modifier '_dw' of 'r1_dw' belongs to texld and texcrd"},
    };
    ExpectErrors(vCases);
}

TEST(ShaderAssembler, PhasesCountSeparately)
{
    // Six texture and eight arithmetic instructions on each side of "phase".
    std::string szTexture;
    for (int i = 0; i < 6; ++i)
        szTexture += "texcrd r" + std::to_string(i) + ".rgb, t" + std::to_string(i) + "\n";
    std::string szArithmetic;
    for (int i = 0; i < 8; ++i)
        szArithmetic += "add r0, r0, c" + std::to_string(i) + "\n";
    const Assembly a = Assemble("ps.1.4\n" + szTexture + szArithmetic + "phase\n" + szTexture + szArithmetic);
    EXPECT_EQ(a.hr, D3D_OK) << a.szErrors;
    EXPECT_EQ(a.vCode.size(), 1 + 2 * (6 * 3 + 8 * 4) + 1 + 1u);
}

TEST(ShaderAssembler, ReportsEveryBadLine)
{
    const Assembly a = Assemble("vs.1.1\nfoo r0\nmov r0, v0\nmov r99, v0\n");
    EXPECT_EQ(a.hr, D3DXERR_INVALIDDATA);
    EXPECT_NE(a.szErrors.find("(memory)(2) : error: unknown instruction 'foo'\n"), std::string::npos)
        << a.szErrors;
    EXPECT_NE(a.szErrors.find("(memory)(4) : error: register 'r99' is out of range"), std::string::npos)
        << a.szErrors;
}

// Pseudo-random edits of every table shader: each edit assembles, or fails with an error line.
TEST(ShaderAssembler, MutatedSourcesFailCleanly)
{
    std::vector<ShaderCase> vCases = d3dx8_test::VertexShaderCases();
    const std::vector<ShaderCase> vPixel = d3dx8_test::PixelShaderCases();
    vCases.insert(vCases.end(), vPixel.begin(), vPixel.end());
    const std::string szAlphabet = "rvctoa0123456789.,_-+[]()#;/*xyzwrgba \n\tdefinclu\"";
    unsigned uSeed = 12345;
    const auto random = [&uSeed](size_t uRange)
    {
        uSeed = uSeed * 1103515245u + 12345u;
        return uRange ? (uSeed >> 8) % uRange : 0;
    };
    size_t uFailed = 0;
    for (const ShaderCase& c : vCases)
        for (int k = 0; k < 25; ++k)
        {
            std::string s = c.szSource;
            for (int edits = 1 + static_cast<int>(random(3)); edits > 0; --edits)
            {
                const size_t at = random(s.size() + 1);
                switch (random(4))
                {
                case 0:
                    if (at < s.size())
                        s.erase(at, 1);
                    break;
                case 1:
                    s.insert(at, 1, szAlphabet[random(szAlphabet.size())]);
                    break;
                case 2:
                    s.insert(at, s.substr(at, random(12)));
                    break;
                default:
                    if (at + 1 < s.size())
                        std::swap(s[at], s[at + 1]);
                    break;
                }
            }
            const Assembly a = Assemble(s);
            if (a.hr == D3D_OK)
            {
                ASSERT_GE(a.vCode.size(), 2u) << s;
                EXPECT_EQ(a.vCode.back(), 0x0000FFFFu) << s;
                continue;
            }
            ++uFailed;
            ASSERT_EQ(a.hr, D3DXERR_INVALIDDATA) << s;
            EXPECT_NE(a.szErrors.find(" : error: "), std::string::npos) << s;
        }
    // Most edits break something; the test is only worth its time if they do.
    EXPECT_GT(uFailed, vCases.size() * 10);
}

TEST(ShaderAssembler, RunawayPreprocessingStops)
{
    std::string szDoubling = "vs.1.1\n";
    for (char c = 'A'; c < 'Z'; ++c)
        szDoubling += std::string("#define ") + c + " " + static_cast<char>(c + 1) + " " +
                      static_cast<char>(c + 1) + "\n";
    szDoubling += "mov r0, A\n";
    Assembly a = Assemble(szDoubling);
    EXPECT_EQ(a.hr, D3DXERR_INVALIDDATA);
    EXPECT_NE(a.szErrors.find("macro expansion longer than 65536 characters"), std::string::npos)
        << a.szErrors;

    a = Assemble("vs.1.1\n#if " + std::string(5000, '(') + "1" + std::string(5000, ')') + "\n#endif\n");
    EXPECT_EQ(a.hr, D3DXERR_INVALIDDATA);
    EXPECT_NE(a.szErrors.find("parentheses nested too deeply"), std::string::npos) << a.szErrors;

    // A flood of bad lines is cut short.
    std::string szMany = "vs.1.1\n";
    for (int i = 0; i < 300; ++i)
        szMany += "bogus r0\n";
    a = Assemble(szMany);
    EXPECT_EQ(a.hr, D3DXERR_INVALIDDATA);
    EXPECT_NE(a.szErrors.find("too many errors, giving up"), std::string::npos);
    EXPECT_LT(a.szErrors.size(), 10000u);
}

TEST(ShaderAssembler, SkipValidationKeepsEncodingChecks)
{
    // A read-port rule is validation; an unknown register cannot be encoded at all.
    Assembly a = Assemble("vs.1.1\nadd r0, c0, c1\n", D3DXASM_SKIPVALIDATION);
    EXPECT_EQ(a.hr, D3D_OK) << a.szErrors;
    a = Assemble("vs.1.1\nadd r0, c0, x1\n", D3DXASM_SKIPVALIDATION);
    EXPECT_EQ(a.hr, D3DXERR_INVALIDDATA);
    a = Assemble("vs.1.1\nadd r0, c0, c1\n", D3DXASM_DEBUG);
    EXPECT_EQ(a.hr, D3DXERR_INVALIDDATA);
}

TEST(ShaderAssembler, ArgumentsAndBuffers)
{
    const std::string szSource = "vs.1.1\nmov oPos, v0\n";
    EXPECT_EQ(D3DXAssembleShader(nullptr, 10, 0, nullptr, nullptr, nullptr), D3DERR_INVALIDCALL);
    // Every out-pointer may be left out; a length that counts the final NUL is fine.
    EXPECT_EQ(D3DXAssembleShader(szSource.c_str(), static_cast<UINT>(szSource.size() + 1), 0, nullptr,
                                 nullptr, nullptr),
              D3D_OK);

    ID3DXBuffer* pCode = nullptr;
    ID3DXBuffer* pConstants = reinterpret_cast<ID3DXBuffer*>(1);
    ASSERT_EQ(D3DXAssembleShader(szSource.c_str(), static_cast<UINT>(szSource.size()), 0, &pConstants, &pCode,
                                 nullptr),
              D3D_OK);
    ASSERT_NE(pCode, nullptr);
    ASSERT_NE(pConstants, nullptr);
    EXPECT_EQ(pCode->GetBufferSize(), 5 * sizeof(DWORD));
    EXPECT_EQ(pConstants->GetBufferSize(), 0u);
    EXPECT_NE(pConstants->GetBufferPointer(), nullptr);

    IUnknown* pUnknown = nullptr;
    ASSERT_EQ(pCode->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&pUnknown)), S_OK);
    EXPECT_EQ(pCode->AddRef(), 3u);
    EXPECT_EQ(pCode->Release(), 2u);
    pUnknown->Release();
    void* pOther = nullptr;
    EXPECT_EQ(pCode->QueryInterface(IID_IClassFactory, &pOther), E_NOINTERFACE);
    EXPECT_EQ(pOther, nullptr);
    EXPECT_EQ(pCode->Release(), 0u);
    pConstants->Release();

    ID3DXBuffer* pBuffer = nullptr;
    ASSERT_EQ(D3DXCreateBuffer(16, &pBuffer), D3D_OK);
    EXPECT_EQ(pBuffer->GetBufferSize(), 16u);
    EXPECT_EQ(std::string(static_cast<const char*>(pBuffer->GetBufferPointer()), 16), std::string(16, '\0'));
    pBuffer->Release();
    EXPECT_EQ(D3DXCreateBuffer(4, nullptr), D3DERR_INVALIDCALL);
}

// A refused call hands out nothing: stale out-pointers come back NULL from every entry point.
TEST(ShaderAssembler, RefusalsClearEveryOutPointer)
{
    typedef std::function<HRESULT(LPD3DXBUFFER*, LPD3DXBUFFER*, LPD3DXBUFFER*)> Call;
    const struct
    {
        const char* szWhat;
        Call call;
    } aCalls[] = {
        {"memory", [](LPD3DXBUFFER* a, LPD3DXBUFFER* b, LPD3DXBUFFER* c)
         { return D3DXAssembleShader(nullptr, 10, 0, a, b, c); }},
        {"file", [](LPD3DXBUFFER* a, LPD3DXBUFFER* b, LPD3DXBUFFER* c)
         { return D3DXAssembleShaderFromFileA(nullptr, 0, a, b, c); }},
        {"wide file", [](LPD3DXBUFFER* a, LPD3DXBUFFER* b, LPD3DXBUFFER* c)
         { return D3DXAssembleShaderFromFileW(nullptr, 0, a, b, c); }},
    };
    for (const auto& c : aCalls)
    {
        ID3DXBuffer* apOut[3] = {reinterpret_cast<ID3DXBuffer*>(1), reinterpret_cast<ID3DXBuffer*>(2),
                                 reinterpret_cast<ID3DXBuffer*>(3)};
        EXPECT_EQ(c.call(&apOut[0], &apOut[1], &apOut[2]), D3DERR_INVALIDCALL) << c.szWhat;
        EXPECT_EQ(apOut[0], nullptr) << c.szWhat;
        EXPECT_EQ(apOut[1], nullptr) << c.szWhat;
        EXPECT_EQ(apOut[2], nullptr) << c.szWhat;
    }
}

TEST(ShaderAssembler, FilesAndIncludes)
{
    qirn_test::ScopedTempDir dir;
    CreateDirectoryA("shaders", nullptr);
    CreateDirectoryA("shaders\\common", nullptr);
    qirn_test::WriteFile(
        "shaders\\common\\constants.h",
        "#ifndef CONSTANTS_H\n#define CONSTANTS_H\n#define CV_WORLDVIEWPROJ 4 // matrix\n#endif\n");
    qirn_test::WriteFile("shaders\\twice.h",
                         "#include \"common/constants.h\"\n#include \"common/constants.h\"\n");
    qirn_test::WriteFile("shaders\\basic.vsh",
                         "vs.1.1\n#include \"twice.h\"\nm4x4 oPos, v0, c[CV_WORLDVIEWPROJ]\n");
    Assembly a = AssembleFile("shaders\\basic.vsh");
    ASSERT_EQ(a.hr, D3D_OK) << a.szErrors;
    EXPECT_EQ(a.vCode.size(), 6u);
    EXPECT_EQ(a.vCode[4], 0xA0E40004u);

    // Errors name the file and line they are in, the included file too.
    qirn_test::WriteFile("shaders\\bad.h", "#define X 1\nmov r99, v0\n");
    qirn_test::WriteFile("shaders\\bad.vsh", "vs.1.1\n\n#include \"bad.h\"\n");
    a = AssembleFile("shaders\\bad.vsh");
    EXPECT_EQ(a.hr, D3DXERR_INVALIDDATA);
    EXPECT_NE(a.szErrors.find("shaders\\bad.h(2) : error: register 'r99' is out of range"), std::string::npos)
        << a.szErrors;
    qirn_test::WriteFile("shaders\\nothere.vsh", "vs.1.1\n\n\n#include \"nothere.h\"\n");
    a = AssembleFile("shaders\\nothere.vsh");
    EXPECT_NE(a.szErrors.find("shaders\\nothere.vsh(4) : error: cannot open include file 'nothere.h'"),
              std::string::npos)
        << a.szErrors;

    // A file that includes itself stops with a message rather than running out of stack.
    qirn_test::WriteFile("shaders\\self.vsh", "vs.1.1\n#include \"self.vsh\"\n");
    a = AssembleFile("shaders\\self.vsh");
    EXPECT_EQ(a.hr, D3DXERR_INVALIDDATA);
    EXPECT_NE(a.szErrors.find("#include nested too deeply"), std::string::npos) << a.szErrors;

    a = AssembleFile("shaders\\missing.vsh");
    EXPECT_EQ(a.hr, HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(a.bHasCode);
    EXPECT_NE(a.szErrors.find("shaders\\missing.vsh(0) : error: cannot open the file"), std::string::npos);

    ID3DXBuffer* pCode = nullptr;
    ASSERT_EQ(D3DXAssembleShaderFromFileW(L"shaders\\basic.vsh", 0, nullptr, &pCode, nullptr), D3D_OK);
    EXPECT_EQ(pCode->GetBufferSize(), 6 * sizeof(DWORD));
    pCode->Release();
    EXPECT_EQ(D3DXAssembleShaderFromFileA(nullptr, 0, nullptr, nullptr, nullptr), D3DERR_INVALIDCALL);
}
