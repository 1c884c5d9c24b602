#include "shader_cases.h"

#include <cfloat>
#include <cstring>

namespace d3dx8_test
{
DWORD Swizzle(int x, int y, int z, int w)
{
    return static_cast<DWORD>((x << 16) | (y << 18) | (z << 20) | (w << 22));
}

DWORD Dst(DWORD dwType, DWORD dwNumber, DWORD dwMask, DWORD dwModifiers)
{
    return 0x80000000u | dwType | dwNumber | dwMask | dwModifiers;
}

DWORD Src(DWORD dwType, DWORD dwNumber, DWORD dwSwizzle, DWORD dwModifier)
{
    return 0x80000000u | dwType | dwNumber | dwSwizzle | dwModifier;
}

DWORD Bits(float f)
{
    DWORD dw = 0;
    std::memcpy(&dw, &f, sizeof(dw));
    return dw;
}

std::vector<DWORD> Program(DWORD dwVersion, const std::vector<DWORD>& vBody)
{
    std::vector<DWORD> v(1, dwVersion);
    v.insert(v.end(), vBody.begin(), vBody.end());
    v.push_back(D3DVS_END());
    return v;
}

namespace
{
const DWORD VS11 = D3DVS_VERSION(1, 1);
const DWORD R = D3DSPR_TEMP;
const DWORD V = D3DSPR_INPUT;
const DWORD C = D3DSPR_CONST;
const DWORD A = D3DSPR_ADDR;
const DWORD RAST = D3DSPR_RASTOUT;
const DWORD ATTR = D3DSPR_ATTROUT;
const DWORD TEXC = D3DSPR_TEXCRDOUT;
const DWORD REL = D3DVS_ADDRMODE_RELATIVE;

const DWORD MASK_X = D3DSP_WRITEMASK_0;
const DWORD MASK_Y = D3DSP_WRITEMASK_1;
const DWORD MASK_Z = D3DSP_WRITEMASK_2;
const DWORD MASK_W = D3DSP_WRITEMASK_3;
const DWORD MASK_XYZ = MASK_X | MASK_Y | MASK_Z;

void Add(std::vector<ShaderCase>* pCases, const std::string& szName, const std::string& szSource,
         const std::vector<DWORD>& vCode, const std::vector<DWORD>& vConstants = std::vector<DWORD>())
{
    pCases->push_back({szName, szSource, vCode, vConstants});
}

void AddVertexInstructions(std::vector<ShaderCase>* pCases)
{
    // Two sources: "op r1, r2, c3".
    const struct
    {
        const char* szName;
        DWORD dwOpcode;
    } aBinary[] = {{"add", D3DSIO_ADD}, {"sub", D3DSIO_SUB}, {"mul", D3DSIO_MUL}, {"dp3", D3DSIO_DP3},
                   {"dp4", D3DSIO_DP4}, {"dst", D3DSIO_DST}, {"max", D3DSIO_MAX}, {"min", D3DSIO_MIN},
                   {"sge", D3DSIO_SGE}, {"slt", D3DSIO_SLT}};
    for (const auto& op : aBinary)
        Add(pCases, std::string("vs ") + op.szName, std::string("vs.1.1\n") + op.szName + " r1, r2, c3\n",
            Program(VS11, {op.dwOpcode, Dst(R, 1), Src(R, 2), Src(C, 3)}));

    // One full source: "op r1, v2".
    const struct
    {
        const char* szName;
        DWORD dwOpcode;
    } aUnary[] = {{"mov", D3DSIO_MOV}, {"lit", D3DSIO_LIT}, {"frc", D3DSIO_FRC}};
    for (const auto& op : aUnary)
        Add(pCases, std::string("vs ") + op.szName, std::string("vs.1.1\n") + op.szName + " r1, v2\n",
            Program(VS11, {op.dwOpcode, Dst(R, 1), Src(V, 2)}));

    // One component: "op r1.w, v2.x".
    const struct
    {
        const char* szName;
        DWORD dwOpcode;
    } aScalar[] = {{"rcp", D3DSIO_RCP},   {"rsq", D3DSIO_RSQ}, {"exp", D3DSIO_EXP},
                   {"expp", D3DSIO_EXPP}, {"log", D3DSIO_LOG}, {"logp", D3DSIO_LOGP}};
    for (const auto& op : aScalar)
        Add(pCases, std::string("vs ") + op.szName, std::string("vs.1.1\n") + op.szName + " r1.w, v2.x\n",
            Program(VS11, {op.dwOpcode, Dst(R, 1, MASK_W), Src(V, 2, Swizzle(0, 0, 0, 0))}));

    Add(pCases, "vs mad", "vs.1.1\nmad r1, v2, c3, r4\n",
        Program(VS11, {D3DSIO_MAD, Dst(R, 1), Src(V, 2), Src(C, 3), Src(R, 4)}));
    Add(pCases, "vs nop", "vs.1.1\nnop\n", Program(VS11, {D3DSIO_NOP}));

    // The matrix macros stay single instructions in the token stream.
    Add(pCases, "vs m4x4", "vs.1.1\nm4x4 oPos, v0, c4\n",
        Program(VS11, {D3DSIO_M4x4, Dst(RAST, D3DSRO_POSITION), Src(V, 0), Src(C, 4)}));
    Add(pCases, "vs m4x3", "vs.1.1\nm4x3 r1.xyz, v0, c4\n",
        Program(VS11, {D3DSIO_M4x3, Dst(R, 1, MASK_XYZ), Src(V, 0), Src(C, 4)}));
    Add(pCases, "vs m3x4", "vs.1.1\nm3x4 r1, v0, c4\n",
        Program(VS11, {D3DSIO_M3x4, Dst(R, 1), Src(V, 0), Src(C, 4)}));
    Add(pCases, "vs m3x3", "vs.1.1\nm3x3 r1.xyz, v3, c8\n",
        Program(VS11, {D3DSIO_M3x3, Dst(R, 1, MASK_XYZ), Src(V, 3), Src(C, 8)}));
    Add(pCases, "vs m3x2", "vs.1.1\nm3x2 r1.xy, v3, r5\n",
        Program(VS11, {D3DSIO_M3x2, Dst(R, 1, MASK_X | MASK_Y), Src(V, 3), Src(R, 5)}));
}

void AddVertexRegisters(std::vector<ShaderCase>* pCases)
{
    Add(pCases, "vs output registers",
        "vs.1.1\n"
        "mov oPos, v0\n"
        "mov oFog.x, v1.x\n"
        "mov oPts.x, v2.x\n"
        "mov oD0, c0\n"
        "mov oD1, r11\n"
        "mov oT0, v15\n"
        "mov oT7.xy, c255\n",
        Program(VS11, {D3DSIO_MOV,
                       Dst(RAST, D3DSRO_POSITION),
                       Src(V, 0), //
                       D3DSIO_MOV,
                       Dst(RAST, D3DSRO_FOG, MASK_X),
                       Src(V, 1, Swizzle(0, 0, 0, 0)), //
                       D3DSIO_MOV,
                       Dst(RAST, D3DSRO_POINT_SIZE, MASK_X),
                       Src(V, 2, Swizzle(0, 0, 0, 0)), //
                       D3DSIO_MOV,
                       Dst(ATTR, 0),
                       Src(C, 0), //
                       D3DSIO_MOV,
                       Dst(ATTR, 1),
                       Src(R, 11), //
                       D3DSIO_MOV,
                       Dst(TEXC, 0),
                       Src(V, 15), //
                       D3DSIO_MOV,
                       Dst(TEXC, 7, MASK_X | MASK_Y),
                       Src(C, 255)}));
    Add(pCases, "vs oT1 to oT6",
        "vs.1.1\nmov oT1, v0\nmov oT2, v0\nmov oT3, v0\nmov oT4, v0\nmov oT5, v0\nmov oT6, v0\n",
        Program(VS11, {D3DSIO_MOV, Dst(TEXC, 1), Src(V, 0), D3DSIO_MOV, Dst(TEXC, 2), Src(V, 0), D3DSIO_MOV,
                       Dst(TEXC, 3), Src(V, 0), D3DSIO_MOV, Dst(TEXC, 4), Src(V, 0), D3DSIO_MOV, Dst(TEXC, 5),
                       Src(V, 0), D3DSIO_MOV, Dst(TEXC, 6), Src(V, 0)}));
    // Relative addressing: a0.x plus an offset, written either way round, negated and swizzled.
    Add(pCases, "vs relative constants",
        "vs.1.1\n"
        "mov a0.x, v1.x\n"
        "mov r0, c[a0.x]\n"
        "mov r1, c[a0.x + 10]\n"
        "mov r2, c[ 12+a0.x ]\n"
        "mov r3, -c[a0.x + 3].yzxw\n"
        "mov r4, c[7]\n",
        Program(VS11, {D3DSIO_MOV, Dst(A, 0, MASK_X), Src(V, 1, Swizzle(0, 0, 0, 0)),            //
                       D3DSIO_MOV, Dst(R, 0), Src(C, 0 | REL),                                   //
                       D3DSIO_MOV, Dst(R, 1), Src(C, 10 | REL),                                  //
                       D3DSIO_MOV, Dst(R, 2), Src(C, 12 | REL),                                  //
                       D3DSIO_MOV, Dst(R, 3), Src(C, 3 | REL, Swizzle(1, 2, 0, 3), D3DSPSM_NEG), //
                       D3DSIO_MOV, Dst(R, 4), Src(C, 7)}));
}

void AddVertexModifiers(std::vector<ShaderCase>* pCases)
{
    Add(pCases, "vs write masks",
        "vs.1.1\n"
        "mov r0.x, v0\n"
        "mov r0.y, v0\n"
        "mov r0.z, v0\n"
        "mov r0.w, v0\n"
        "mov r0.xz, v0\n"
        "mov r0.yzw, v0\n"
        "mov r0.xyzw, v0\n"
        "mov r0.rgb, v0\n"
        "mov r0.a, v0\n",
        Program(VS11, {D3DSIO_MOV,
                       Dst(R, 0, MASK_X),
                       Src(V, 0),
                       D3DSIO_MOV,
                       Dst(R, 0, MASK_Y),
                       Src(V, 0),
                       D3DSIO_MOV,
                       Dst(R, 0, MASK_Z),
                       Src(V, 0),
                       D3DSIO_MOV,
                       Dst(R, 0, MASK_W),
                       Src(V, 0),
                       D3DSIO_MOV,
                       Dst(R, 0, MASK_X | MASK_Z),
                       Src(V, 0),
                       D3DSIO_MOV,
                       Dst(R, 0, MASK_Y | MASK_Z | MASK_W),
                       Src(V, 0),
                       D3DSIO_MOV,
                       Dst(R, 0),
                       Src(V, 0),
                       D3DSIO_MOV,
                       Dst(R, 0, MASK_XYZ),
                       Src(V, 0),
                       D3DSIO_MOV,
                       Dst(R, 0, MASK_W),
                       Src(V, 0)}));
    // Fewer than four components repeat the last one.
    Add(pCases, "vs swizzles",
        "vs.1.1\n"
        "mov r0, v0.x\n"
        "mov r0, v0.y\n"
        "mov r0, v0.z\n"
        "mov r0, v0.w\n"
        "mov r0, v0.xy\n"
        "mov r0, v0.zxy\n"
        "mov r0, v0.wzyx\n"
        "mov r0, v0.bgra\n"
        "mov r0, -v0\n"
        "mov r0, -r1.yyzz\n",
        Program(VS11, {D3DSIO_MOV, Dst(R, 0), Src(V, 0, Swizzle(0, 0, 0, 0)),     //
                       D3DSIO_MOV, Dst(R, 0), Src(V, 0, Swizzle(1, 1, 1, 1)),     //
                       D3DSIO_MOV, Dst(R, 0), Src(V, 0, Swizzle(2, 2, 2, 2)),     //
                       D3DSIO_MOV, Dst(R, 0), Src(V, 0, Swizzle(3, 3, 3, 3)),     //
                       D3DSIO_MOV, Dst(R, 0), Src(V, 0, Swizzle(0, 1, 1, 1)),     //
                       D3DSIO_MOV, Dst(R, 0), Src(V, 0, Swizzle(2, 0, 1, 1)),     //
                       D3DSIO_MOV, Dst(R, 0), Src(V, 0, Swizzle(3, 2, 1, 0)),     //
                       D3DSIO_MOV, Dst(R, 0), Src(V, 0, Swizzle(2, 1, 0, 3)),     //
                       D3DSIO_MOV, Dst(R, 0), Src(V, 0, NO_SWIZZLE, D3DSPSM_NEG), //
                       D3DSIO_MOV, Dst(R, 0), Src(R, 1, Swizzle(1, 1, 2, 2), D3DSPSM_NEG)}));
}

void AddVertexSyntax(std::vector<ShaderCase>* pCases)
{
    // "def" goes to the declaration, not into the code.
    Add(pCases, "vs def",
        "vs.1.1\n"
        "def c5, 1.0, -2.5, 0.25f, 1e2\n"
        "def c127, 0, 0, 0, 1\n"
        "mov oPos, c5\n",
        Program(VS11, {D3DSIO_MOV, Dst(RAST, D3DSRO_POSITION), Src(C, 5)}),
        {D3DVSD_CONST(5, 1), Bits(1.0f), Bits(-2.5f), Bits(0.25f), Bits(100.0f), D3DVSD_CONST(127, 1),
         Bits(0.0f), Bits(0.0f), Bits(0.0f), Bits(1.0f)});
    Add(pCases, "vs.1.0 and the vs_1_1 spelling", "vs_1_0\nmov oPos, v0\n",
        Program(D3DVS_VERSION(1, 0), {D3DSIO_MOV, Dst(RAST, D3DSRO_POSITION), Src(V, 0)}));
    Add(pCases, "vs_1_1 spelling, upper case", "VS_1_1\nMOV oPOS, V0\nM4X4 R0, v0, C0\n",
        Program(VS11, {D3DSIO_MOV, Dst(RAST, D3DSRO_POSITION), Src(V, 0), D3DSIO_M4x4, Dst(R, 0), Src(V, 0),
                       Src(C, 0)}));
    Add(pCases, "vs comments and macros",
        "; a vertex shader of the era\n"
        "vs.1.1 // version\n"
        "#define CV_WORLDVIEWPROJ 4\n"
        "#define CV_COLOR(n) c[CV_WORLDVIEWPROJ + 4 + (n)]\n"
        "/* a block\n"
        "   comment */ m4x4 oPos, v0, c[CV_WORLDVIEWPROJ] ; transform\n"
        "#ifdef CV_WORLDVIEWPROJ\n"
        "mov oD0, CV_COLOR(1)\n"
        "#else\n"
        "mov oD0, v5\n"
        "#endif\n"
        "#if CV_WORLDVIEWPROJ > 3 && !defined(UNDEFINED)\n"
        "mov a0.x, v1.x\n"
        "mov oT0, c[a0.x + CV_WORLDVIEWPROJ * 2]\n"
        "#endif\n",
        Program(VS11, {D3DSIO_M4x4, Dst(RAST, D3DSRO_POSITION), Src(V, 0), Src(C, 4), //
                       D3DSIO_MOV, Dst(ATTR, 0), Src(C, 9),                           //
                       D3DSIO_MOV, Dst(A, 0, MASK_X), Src(V, 1, Swizzle(0, 0, 0, 0)), //
                       D3DSIO_MOV, Dst(TEXC, 0), Src(C, 8 | REL)}));
    // The same shader as the literal words a Direct3D 8 program would carry.
    Add(pCases, "vs literal words", "vs.1.1\nm4x4 oPos, v0, c0\nmov oD0, v5\n",
        {0xFFFE0101, 0x00000014, 0xC00F0000, 0x90E40000, 0xA0E40000, 0x00000001, 0xD00F0000, 0x90E40005,
         0x0000FFFF});
}

const DWORD PS10 = D3DPS_VERSION(1, 0);
const DWORD PS11 = D3DPS_VERSION(1, 1);
const DWORD PS12 = D3DPS_VERSION(1, 2);
const DWORD PS13 = D3DPS_VERSION(1, 3);
const DWORD T = D3DSPR_TEXTURE;
const DWORD MASK_RGB = MASK_XYZ;
const DWORD X2 = 1u << D3DSP_DSTSHIFT_SHIFT;
const DWORD X4 = 2u << D3DSP_DSTSHIFT_SHIFT;
const DWORD D2 = 0xFu << D3DSP_DSTSHIFT_SHIFT;
const DWORD SAT = D3DSPDM_SATURATE;
const DWORD ALPHA = Swizzle(3, 3, 3, 3);
const DWORD BLUE = Swizzle(2, 2, 2, 2);

void AddPixelArithmetic(std::vector<ShaderCase>* pCases)
{
    const struct
    {
        const char* szName;
        DWORD dwOpcode;
    } aBinary[] = {{"add", D3DSIO_ADD}, {"sub", D3DSIO_SUB}, {"mul", D3DSIO_MUL}, {"dp3", D3DSIO_DP3}};
    for (const auto& op : aBinary)
        Add(pCases, std::string("ps ") + op.szName,
            std::string("ps.1.1\ntex t0\n") + op.szName + " r0, t0, c1\n",
            Program(PS11, {D3DSIO_TEX, Dst(T, 0), op.dwOpcode, Dst(R, 0), Src(T, 0), Src(C, 1)}));
    Add(pCases, "ps mov and nop", "ps.1.1\nmov r0, v0\nnop\n",
        Program(PS11, {D3DSIO_MOV, Dst(R, 0), Src(V, 0), D3DSIO_NOP}));
    Add(pCases, "ps mad and lrp", "ps.1.1\nmad r0, v0, c1, v1\nlrp r1, c0, r0, v1\n",
        Program(PS11, {D3DSIO_MAD, Dst(R, 0), Src(V, 0), Src(C, 1), Src(V, 1), D3DSIO_LRP, Dst(R, 1),
                       Src(C, 0), Src(R, 0), Src(V, 1)}));
    Add(pCases, "ps cnd", "ps.1.1\nmov r0.a, v0.b\ncnd r0, r0.a, v1, c2\n",
        Program(PS11, {D3DSIO_MOV, Dst(R, 0, MASK_W), Src(V, 0, BLUE), D3DSIO_CND, Dst(R, 0),
                       Src(R, 0, ALPHA), Src(V, 1), Src(C, 2)}));
    Add(pCases, "ps def", "ps.1.1\ndef c7, 1.0, 0.5f, 0, -1\nmov r0, c7\n",
        Program(PS11, {D3DSIO_DEF, Dst(C, 7), Bits(1.0f), Bits(0.5f), Bits(0.0f), Bits(-1.0f), D3DSIO_MOV,
                       Dst(R, 0), Src(C, 7)}));
    // The largest floats, and a number that rounds to one, are in range; tiny ones round to zero.
    Add(pCases, "ps def at the float limits", "ps.1.1\ndef c0, 3.4028234e38, -3.4028235e38, 1e-50, 0\n",
        Program(PS11, {D3DSIO_DEF, Dst(C, 0), Bits(FLT_MAX), Bits(-FLT_MAX), Bits(0.0f), Bits(0.0f)}));
    Add(pCases, "ps.1.2 dp4 and cmp", "ps.1.2\ndp4 r0, v0, c0\ncmp r1, r0, v1, c1\n",
        Program(PS12, {D3DSIO_DP4, Dst(R, 0), Src(V, 0), Src(C, 0), D3DSIO_CMP, Dst(R, 1), Src(R, 0),
                       Src(V, 1), Src(C, 1)}));
    Add(pCases, "ps.1.0 and the ps_1_1 spelling", "ps_1_0\ntex t0\nmov r0, t0\n",
        Program(PS10, {D3DSIO_TEX, Dst(T, 0), D3DSIO_MOV, Dst(R, 0), Src(T, 0)}));
    Add(pCases, "ps registers",
        "ps.1.1\ntex t0\ntex t1\ntex t2\ntex t3\nadd r1, t3, c7\nadd r1, t2, r1\nadd r1, t1, v1\nadd r0, r1, "
        "t0\n",
        Program(PS11, {D3DSIO_TEX, Dst(T, 0), D3DSIO_TEX, Dst(T, 1), D3DSIO_TEX, Dst(T, 2),
                       D3DSIO_TEX, Dst(T, 3), D3DSIO_ADD, Dst(R, 1), Src(T, 3),  Src(C, 7),
                       D3DSIO_ADD, Dst(R, 1), Src(T, 2),  Src(R, 1), D3DSIO_ADD, Dst(R, 1),
                       Src(T, 1),  Src(V, 1), D3DSIO_ADD, Dst(R, 0), Src(R, 1),  Src(T, 0)}));
    Add(pCases, "ps literal words", "ps.1.1\ntex t0\nmul r0, t0, v0\n",
        {0xFFFF0101, 0x00000042, 0xB00F0000, 0x00000005, 0x800F0000, 0xB0E40000, 0x90E40000, 0x0000FFFF});
}

void AddPixelTexture(std::vector<ShaderCase>* pCases)
{
    Add(pCases, "ps texcoord and texkill", "ps.1.1\ntexcoord t0\ntexkill t1\nmov r0, t0\n",
        Program(PS11,
                {D3DSIO_TEXCOORD, Dst(T, 0), D3DSIO_TEXKILL, Dst(T, 1), D3DSIO_MOV, Dst(R, 0), Src(T, 0)}));
    // Dependent reads: "op t1, t0" after sampling t0.
    const struct
    {
        const char* szName;
        DWORD dwOpcode;
        DWORD dwVersion;
        const char* szVersion;
    } aDependent[] = {
        {"texbem", D3DSIO_TEXBEM, PS11, "ps.1.1"},         {"texbeml", D3DSIO_TEXBEML, PS11, "ps.1.1"},
        {"texreg2ar", D3DSIO_TEXREG2AR, PS11, "ps.1.1"},   {"texreg2gb", D3DSIO_TEXREG2GB, PS11, "ps.1.1"},
        {"texreg2rgb", D3DSIO_TEXREG2RGB, PS12, "ps.1.2"}, {"texdp3tex", D3DSIO_TEXDP3TEX, PS12, "ps.1.2"},
        {"texdp3", D3DSIO_TEXDP3, PS12, "ps.1.2"}};
    for (const auto& op : aDependent)
        Add(pCases, std::string("ps ") + op.szName,
            std::string(op.szVersion) + "\ntex t0\n" + op.szName + " t1, t0\nmov r0, t1\n",
            Program(op.dwVersion, {D3DSIO_TEX, Dst(T, 0), op.dwOpcode, Dst(T, 1), Src(T, 0), D3DSIO_MOV,
                                   Dst(R, 0), Src(T, 1)}));
    Add(pCases, "ps texm3x2", "ps.1.1\ntex t0\ntexm3x2pad t1, t0_bx2\ntexm3x2tex t2, t0_bx2\nmov r0, t2\n",
        Program(PS11, {D3DSIO_TEX, Dst(T, 0), D3DSIO_TEXM3x2PAD, Dst(T, 1),
                       Src(T, 0, NO_SWIZZLE, D3DSPSM_SIGN), D3DSIO_TEXM3x2TEX, Dst(T, 2),
                       Src(T, 0, NO_SWIZZLE, D3DSPSM_SIGN), D3DSIO_MOV, Dst(R, 0), Src(T, 2)}));
    Add(pCases, "ps.1.3 texm3x2depth", "ps.1.3\ntex t0\ntexm3x2pad t1, t0\ntexm3x2depth t2, t0\nmov r0, t0\n",
        Program(PS13, {D3DSIO_TEX, Dst(T, 0), D3DSIO_TEXM3x2PAD, Dst(T, 1), Src(T, 0), D3DSIO_TEXM3x2DEPTH,
                       Dst(T, 2), Src(T, 0), D3DSIO_MOV, Dst(R, 0), Src(T, 0)}));
    Add(pCases, "ps texm3x3tex",
        "ps.1.1\ntex t0\ntexm3x3pad t1, t0\ntexm3x3pad t2, t0\ntexm3x3tex t3, t0\n"
        "mov r0, t3\n",
        Program(PS11,
                {D3DSIO_TEX, Dst(T, 0), D3DSIO_TEXM3x3PAD, Dst(T, 1), Src(T, 0), D3DSIO_TEXM3x3PAD, Dst(T, 2),
                 Src(T, 0), D3DSIO_TEXM3x3TEX, Dst(T, 3), Src(T, 0), D3DSIO_MOV, Dst(R, 0), Src(T, 3)}));
    Add(pCases, "ps texm3x3spec",
        "ps.1.1\ntex t0\ntexm3x3pad t1, t0\ntexm3x3pad t2, t0\n"
        "texm3x3spec t3, t0, c0\nmov r0, t3\n",
        Program(PS11, {D3DSIO_TEX, Dst(T, 0), D3DSIO_TEXM3x3PAD, Dst(T, 1), Src(T, 0), D3DSIO_TEXM3x3PAD,
                       Dst(T, 2), Src(T, 0), D3DSIO_TEXM3x3SPEC, Dst(T, 3), Src(T, 0), Src(C, 0), D3DSIO_MOV,
                       Dst(R, 0), Src(T, 3)}));
    Add(pCases, "ps texm3x3vspec",
        "ps.1.1\ntex t0\ntexm3x3pad t1, t0\ntexm3x3pad t2, t0\n"
        "texm3x3vspec t3, t0\nmov r0, t3\n",
        Program(PS11,
                {D3DSIO_TEX, Dst(T, 0), D3DSIO_TEXM3x3PAD, Dst(T, 1), Src(T, 0), D3DSIO_TEXM3x3PAD, Dst(T, 2),
                 Src(T, 0), D3DSIO_TEXM3x3VSPEC, Dst(T, 3), Src(T, 0), D3DSIO_MOV, Dst(R, 0), Src(T, 3)}));
    Add(pCases, "ps.1.2 texm3x3",
        "ps.1.2\ntex t0\ntexm3x3pad t1, t0\ntexm3x3pad t2, t0\ntexm3x3 t3, t0\n"
        "mov r0, t3\n",
        Program(PS12,
                {D3DSIO_TEX, Dst(T, 0), D3DSIO_TEXM3x3PAD, Dst(T, 1), Src(T, 0), D3DSIO_TEXM3x3PAD, Dst(T, 2),
                 Src(T, 0), D3DSIO_TEXM3x3, Dst(T, 3), Src(T, 0), D3DSIO_MOV, Dst(R, 0), Src(T, 3)}));
}

void AddPixelModifiers(std::vector<ShaderCase>* pCases)
{
    Add(pCases, "ps instruction modifiers",
        "ps.1.1\nmov_x2 r0, v0\nmov_x4 r0, v0\nmov_d2 r0, v0\nmov_sat r0, v0\nmul_x2_sat r0, v0, v1\n"
        "mad_d2 r0, v0, v1, c0\nmov r0, 1 - c3\n",
        Program(PS11, {D3DSIO_MOV,
                       Dst(R, 0, D3DSP_WRITEMASK_ALL, X2),
                       Src(V, 0), //
                       D3DSIO_MOV,
                       Dst(R, 0, D3DSP_WRITEMASK_ALL, X4),
                       Src(V, 0), //
                       D3DSIO_MOV,
                       Dst(R, 0, D3DSP_WRITEMASK_ALL, D2),
                       Src(V, 0), //
                       D3DSIO_MOV,
                       Dst(R, 0, D3DSP_WRITEMASK_ALL, SAT),
                       Src(V, 0), //
                       D3DSIO_MUL,
                       Dst(R, 0, D3DSP_WRITEMASK_ALL, X2 | SAT),
                       Src(V, 0),
                       Src(V, 1), //
                       D3DSIO_MAD,
                       Dst(R, 0, D3DSP_WRITEMASK_ALL, D2),
                       Src(V, 0),
                       Src(V, 1),
                       Src(C, 0), //
                       D3DSIO_MOV,
                       Dst(R, 0),
                       Src(C, 3, NO_SWIZZLE, D3DSPSM_COMP)}));
    Add(pCases, "ps source modifiers",
        "ps.1.1\nmov r0, -v0\nmov r0, v0_bias\nmov r0, -v0_bias\nmov r0, v0_bx2\nmov r0, -v0_bx2\n"
        "mov r0, 1-v0\nmov r0, v0.a\nmov r0, -v0_bx2.b\n",
        Program(PS11, {D3DSIO_MOV, Dst(R, 0), Src(V, 0, NO_SWIZZLE, D3DSPSM_NEG),     //
                       D3DSIO_MOV, Dst(R, 0), Src(V, 0, NO_SWIZZLE, D3DSPSM_BIAS),    //
                       D3DSIO_MOV, Dst(R, 0), Src(V, 0, NO_SWIZZLE, D3DSPSM_BIASNEG), //
                       D3DSIO_MOV, Dst(R, 0), Src(V, 0, NO_SWIZZLE, D3DSPSM_SIGN),    //
                       D3DSIO_MOV, Dst(R, 0), Src(V, 0, NO_SWIZZLE, D3DSPSM_SIGNNEG), //
                       D3DSIO_MOV, Dst(R, 0), Src(V, 0, NO_SWIZZLE, D3DSPSM_COMP),    //
                       D3DSIO_MOV, Dst(R, 0), Src(V, 0, ALPHA),                       //
                       D3DSIO_MOV, Dst(R, 0), Src(V, 0, BLUE, D3DSPSM_SIGNNEG)}));
    // Colour and alpha halves issued together.
    Add(pCases, "ps co-issue and masks",
        "ps.1.1\ntex t0\nmul r0.rgb, t0, v0\n+add r0.a, t0.a, v0.a\nmov r1.a, c0\n+mov_x2 r1.rgb, c1\n",
        Program(PS11, {D3DSIO_TEX, Dst(T, 0),                                                             //
                       D3DSIO_MUL, Dst(R, 0, MASK_RGB), Src(T, 0), Src(V, 0),                             //
                       D3DSIO_ADD | D3DSI_COISSUE, Dst(R, 0, MASK_W), Src(T, 0, ALPHA), Src(V, 0, ALPHA), //
                       D3DSIO_MOV, Dst(R, 1, MASK_W), Src(C, 0),                                          //
                       D3DSIO_MOV | D3DSI_COISSUE, Dst(R, 1, MASK_RGB, X2), Src(C, 1)}));
}

const DWORD PS14 = D3DPS_VERSION(1, 4);
const DWORD XYZ = Swizzle(0, 1, 2, 2);
const DWORD XYW = Swizzle(0, 1, 3, 3);

void AddPixel14(std::vector<ShaderCase>* pCases)
{
    Add(pCases, "ps.1.4 texld and texcrd",
        "ps.1.4\ntexld r0, t0\ntexld r1, t1.xyz\ntexld r2, t2.xyw\ntexld r3, t3_dw.xyw\ntexcrd r4.rgb, t4\n"
        "texcrd r5.rg, t5_dw.xyw\n",
        Program(PS14, {D3DSIO_TEX, Dst(R, 0), Src(T, 0),                  //
                       D3DSIO_TEX, Dst(R, 1), Src(T, 1, XYZ),             //
                       D3DSIO_TEX, Dst(R, 2), Src(T, 2, XYW),             //
                       D3DSIO_TEX, Dst(R, 3), Src(T, 3, XYW, D3DSPSM_DW), //
                       D3DSIO_TEXCOORD, Dst(R, 4, MASK_RGB), Src(T, 4),   //
                       D3DSIO_TEXCOORD, Dst(R, 5, MASK_X | MASK_Y), Src(T, 5, XYW, D3DSPSM_DW)}));
    // A dependent read in the second phase, from coordinates made in the first.
    Add(pCases, "ps.1.4 phase",
        "ps.1.4\ndef c0, 0.5, 0.5, 0.5, 1\ntexcrd r0.rgb, t0\nmul r0.rgb, r0, c0\nphase\ntexld r1, "
        "r0_dz.xyz\n"
        "texld r2, r0\nmul r0, r1, v0\n",
        Program(PS14, {D3DSIO_DEF,      Dst(C, 0),           Bits(0.5f),
                       Bits(0.5f),      Bits(0.5f),          Bits(1.0f), //
                       D3DSIO_TEXCOORD, Dst(R, 0, MASK_RGB), Src(T, 0),  //
                       D3DSIO_MUL,      Dst(R, 0, MASK_RGB), Src(R, 0),
                       Src(C, 0),                                                        //
                       D3DSIO_PHASE,                                                     //
                       D3DSIO_TEX,      Dst(R, 1),           Src(R, 0, XYZ, D3DSPSM_DZ), //
                       D3DSIO_TEX,      Dst(R, 2),           Src(R, 0),                  //
                       D3DSIO_MUL,      Dst(R, 0),           Src(R, 1),
                       Src(V, 0)}));
    Add(pCases, "ps.1.4 bem, texdepth and texkill",
        "ps.1.4\ntexld r0, t0\ntexcrd r1.rgb, t1\ntexcrd r5.rgb, t5\nbem r2.rg, r0, r1\nphase\ntexld r2, r2\n"
        "texdepth r5\ntexkill t3\ntexkill r1\nmov r0, r2\n",
        Program(PS14, {D3DSIO_TEX,      Dst(R, 0),
                       Src(T, 0), //
                       D3DSIO_TEXCOORD, Dst(R, 1, MASK_RGB),
                       Src(T, 1), //
                       D3DSIO_TEXCOORD, Dst(R, 5, MASK_RGB),
                       Src(T, 5), //
                       D3DSIO_BEM,      Dst(R, 2, MASK_X | MASK_Y),
                       Src(R, 0),       Src(R, 1), //
                       D3DSIO_PHASE,               //
                       D3DSIO_TEX,      Dst(R, 2),
                       Src(R, 2),                  //
                       D3DSIO_TEXDEPTH, Dst(R, 5), //
                       D3DSIO_TEXKILL,  Dst(T, 3), //
                       D3DSIO_TEXKILL,  Dst(R, 1), //
                       D3DSIO_MOV,      Dst(R, 0),
                       Src(R, 2)}));
    Add(pCases, "ps.1.4 arithmetic",
        "ps_1_4\ntexld r0, t0\nadd r1, r0, c0\nsub r1, r1, v0\nmul r1, r1, c1\nmad r1, r1, c2, r0\n"
        "dp3 r2, r1, c3\ndp4 r2.a, r1, c4\nlrp r3, c5, r1, r2\ncnd r4, r3, r1, r2\n",
        Program(PS14, {D3DSIO_TEX, Dst(R, 0),         Src(T, 0),                       //
                       D3DSIO_ADD, Dst(R, 1),         Src(R, 0), Src(C, 0),            //
                       D3DSIO_SUB, Dst(R, 1),         Src(R, 1), Src(V, 0),            //
                       D3DSIO_MUL, Dst(R, 1),         Src(R, 1), Src(C, 1),            //
                       D3DSIO_MAD, Dst(R, 1),         Src(R, 1), Src(C, 2), Src(R, 0), //
                       D3DSIO_DP3, Dst(R, 2),         Src(R, 1), Src(C, 3),            //
                       D3DSIO_DP4, Dst(R, 2, MASK_W), Src(R, 1), Src(C, 4),            //
                       D3DSIO_LRP, Dst(R, 3),         Src(C, 5), Src(R, 1), Src(R, 2), //
                       D3DSIO_CND, Dst(R, 4),         Src(R, 3), Src(R, 1), Src(R, 2)}));
    Add(pCases, "ps.1.4 cmp, nop and co-issue",
        "ps.1.4\ndef c7, 0, 0.25, 0.5, 1\ntexld r1, t1\ncmp r0, r1, c7, v1\nnop\nmul r0.rgb, r0, v0\n"
        "+mov r0.a, c7.b\n",
        Program(PS14, {D3DSIO_DEF,
                       Dst(C, 7),
                       Bits(0.0f),
                       Bits(0.25f),
                       Bits(0.5f),
                       Bits(1.0f), //
                       D3DSIO_TEX,
                       Dst(R, 1),
                       Src(T, 1), //
                       D3DSIO_CMP,
                       Dst(R, 0),
                       Src(R, 1),
                       Src(C, 7),
                       Src(V, 1),  //
                       D3DSIO_NOP, //
                       D3DSIO_MUL,
                       Dst(R, 0, MASK_RGB),
                       Src(R, 0),
                       Src(V, 0), //
                       D3DSIO_MOV | D3DSI_COISSUE,
                       Dst(R, 0, MASK_W),
                       Src(C, 7, BLUE)}));
    Add(pCases, "ps.1.4 modifiers",
        "ps.1.4\ntexld r0, t0\nmov_x8 r1, r0\nmov_d4 r1, r0\nmov_d8_sat r1, r0\nmov r1, r0_x2\n"
        "mov r1, -r0_x2\nmov r1.r, r0.g\nmov r1.gb, r0.r\nadd_x2 r1.a, r0.b, c7.a\n",
        Program(PS14, {D3DSIO_TEX,
                       Dst(R, 0),
                       Src(T, 0), //
                       D3DSIO_MOV,
                       Dst(R, 1, D3DSP_WRITEMASK_ALL, 3u << D3DSP_DSTSHIFT_SHIFT),
                       Src(R, 0), //
                       D3DSIO_MOV,
                       Dst(R, 1, D3DSP_WRITEMASK_ALL, 0xEu << D3DSP_DSTSHIFT_SHIFT),
                       Src(R, 0), //
                       D3DSIO_MOV,
                       Dst(R, 1, D3DSP_WRITEMASK_ALL, (0xDu << D3DSP_DSTSHIFT_SHIFT) | SAT),
                       Src(R, 0), //
                       D3DSIO_MOV,
                       Dst(R, 1),
                       Src(R, 0, NO_SWIZZLE, D3DSPSM_X2), //
                       D3DSIO_MOV,
                       Dst(R, 1),
                       Src(R, 0, NO_SWIZZLE, D3DSPSM_X2NEG), //
                       D3DSIO_MOV,
                       Dst(R, 1, MASK_X),
                       Src(R, 0, Swizzle(1, 1, 1, 1)), //
                       D3DSIO_MOV,
                       Dst(R, 1, MASK_Y | MASK_Z),
                       Src(R, 0, Swizzle(0, 0, 0, 0)), //
                       D3DSIO_ADD,
                       Dst(R, 1, MASK_W, X2),
                       Src(R, 0, BLUE),
                       Src(C, 7, ALPHA)}));
}
} // namespace

namespace
{
// The cases written for one version again under another version that has all they use: the
// version line and the version token change, nothing else.
void AddVersionCopies(std::vector<ShaderCase>* pCases, const std::string& szFrom, const std::string& szTo,
                      DWORD dwTo, const char* szExcluded)
{
    const size_t uCount = pCases->size();
    for (size_t i = 0; i < uCount; ++i)
    {
        ShaderCase c = (*pCases)[i];
        if (c.szName.find(" as ") != std::string::npos || c.szSource.compare(0, szFrom.size(), szFrom) != 0 ||
            (szExcluded && c.szSource.find(szExcluded) != std::string::npos))
            continue;
        c.szName += " as " + szTo;
        c.szSource = szTo + c.szSource.substr(szFrom.size());
        c.vCode[0] = dwTo;
        pCases->push_back(c);
    }
}
} // namespace

std::vector<ShaderCase> VertexShaderCases()
{
    std::vector<ShaderCase> vCases;
    AddVertexInstructions(&vCases);
    AddVertexRegisters(&vCases);
    AddVertexModifiers(&vCases);
    AddVertexSyntax(&vCases);
    // vs.1.0 has everything but the address register.
    AddVersionCopies(&vCases, "vs.1.1\n", "vs.1.0\n", D3DVS_VERSION(1, 0), "a0");
    return vCases;
}

std::vector<ShaderCase> PixelShaderCases()
{
    std::vector<ShaderCase> vCases;
    AddPixelArithmetic(&vCases);
    AddPixelTexture(&vCases);
    AddPixelModifiers(&vCases);
    // The ps.1.1 shaders hold for ps.1.2 and ps.1.3, and for ps.1.0 without the .b selector.
    AddVersionCopies(&vCases, "ps.1.1\n", "ps.1.0\n", PS10, ".b");
    AddVersionCopies(&vCases, "ps.1.1\n", "ps.1.2\n", PS12, nullptr);
    AddVersionCopies(&vCases, "ps.1.1\n", "ps.1.3\n", PS13, nullptr);
    AddVersionCopies(&vCases, "ps.1.2\n", "ps.1.3\n", PS13, nullptr);
    AddPixel14(&vCases);
    return vCases;
}
} // namespace d3dx8_test
