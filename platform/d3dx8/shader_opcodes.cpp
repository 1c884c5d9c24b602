#include "shader_opcodes.h"

#include <d3d8types.h>

#include <cstring>

namespace d3dx8
{
namespace
{
const ShaderKind VS = SHADER_VERTEX;
const ShaderKind PS = SHADER_PIXEL;

// name, opcode, kind, first and last version, destinations, sources, class, flags, matrix rows
const OpcodeInfo s_aOpcodes[] = {
    {"nop", D3DSIO_NOP, VS, 10, 11, 0, 0, CLASS_NOP, 0, 0},
    {"mov", D3DSIO_MOV, VS, 10, 11, 1, 1, CLASS_ARITHMETIC, 0, 0},
    {"add", D3DSIO_ADD, VS, 10, 11, 1, 2, CLASS_ARITHMETIC, 0, 0},
    {"sub", D3DSIO_SUB, VS, 10, 11, 1, 2, CLASS_ARITHMETIC, 0, 0},
    {"mad", D3DSIO_MAD, VS, 10, 11, 1, 3, CLASS_ARITHMETIC, 0, 0},
    {"mul", D3DSIO_MUL, VS, 10, 11, 1, 2, CLASS_ARITHMETIC, 0, 0},
    {"rcp", D3DSIO_RCP, VS, 10, 11, 1, 1, CLASS_ARITHMETIC, OPF_SCALAR, 0},
    {"rsq", D3DSIO_RSQ, VS, 10, 11, 1, 1, CLASS_ARITHMETIC, OPF_SCALAR, 0},
    {"dp3", D3DSIO_DP3, VS, 10, 11, 1, 2, CLASS_ARITHMETIC, 0, 0},
    {"dp4", D3DSIO_DP4, VS, 10, 11, 1, 2, CLASS_ARITHMETIC, 0, 0},
    {"min", D3DSIO_MIN, VS, 10, 11, 1, 2, CLASS_ARITHMETIC, 0, 0},
    {"max", D3DSIO_MAX, VS, 10, 11, 1, 2, CLASS_ARITHMETIC, 0, 0},
    {"slt", D3DSIO_SLT, VS, 10, 11, 1, 2, CLASS_ARITHMETIC, 0, 0},
    {"sge", D3DSIO_SGE, VS, 10, 11, 1, 2, CLASS_ARITHMETIC, 0, 0},
    {"exp", D3DSIO_EXP, VS, 10, 11, 1, 1, CLASS_ARITHMETIC, OPF_SCALAR, 0},
    {"log", D3DSIO_LOG, VS, 10, 11, 1, 1, CLASS_ARITHMETIC, OPF_SCALAR, 0},
    {"lit", D3DSIO_LIT, VS, 10, 11, 1, 1, CLASS_ARITHMETIC, 0, 0},
    {"dst", D3DSIO_DST, VS, 10, 11, 1, 2, CLASS_ARITHMETIC, 0, 0},
    {"frc", D3DSIO_FRC, VS, 10, 11, 1, 1, CLASS_ARITHMETIC, 0, 0},
    {"m4x4", D3DSIO_M4x4, VS, 10, 11, 1, 2, CLASS_ARITHMETIC, OPF_MATRIX, 4},
    {"m4x3", D3DSIO_M4x3, VS, 10, 11, 1, 2, CLASS_ARITHMETIC, OPF_MATRIX, 3},
    {"m3x4", D3DSIO_M3x4, VS, 10, 11, 1, 2, CLASS_ARITHMETIC, OPF_MATRIX, 4},
    {"m3x3", D3DSIO_M3x3, VS, 10, 11, 1, 2, CLASS_ARITHMETIC, OPF_MATRIX, 3},
    {"m3x2", D3DSIO_M3x2, VS, 10, 11, 1, 2, CLASS_ARITHMETIC, OPF_MATRIX, 2},
    {"expp", D3DSIO_EXPP, VS, 10, 11, 1, 1, CLASS_ARITHMETIC, OPF_SCALAR, 0},
    {"logp", D3DSIO_LOGP, VS, 10, 11, 1, 1, CLASS_ARITHMETIC, OPF_SCALAR, 0},
    {"def", D3DSIO_DEF, VS, 10, 11, 1, 0, CLASS_DEF, 0, 0},

    {"nop", D3DSIO_NOP, PS, 10, 14, 0, 0, CLASS_NOP, 0, 0},
    {"mov", D3DSIO_MOV, PS, 10, 14, 1, 1, CLASS_ARITHMETIC, 0, 0},
    {"add", D3DSIO_ADD, PS, 10, 14, 1, 2, CLASS_ARITHMETIC, 0, 0},
    {"sub", D3DSIO_SUB, PS, 10, 14, 1, 2, CLASS_ARITHMETIC, 0, 0},
    {"mad", D3DSIO_MAD, PS, 10, 14, 1, 3, CLASS_ARITHMETIC, 0, 0},
    {"mul", D3DSIO_MUL, PS, 10, 14, 1, 2, CLASS_ARITHMETIC, 0, 0},
    {"dp3", D3DSIO_DP3, PS, 10, 14, 1, 2, CLASS_ARITHMETIC, 0, 0},
    {"dp4", D3DSIO_DP4, PS, 12, 14, 1, 2, CLASS_ARITHMETIC, 0, 0},
    {"lrp", D3DSIO_LRP, PS, 10, 14, 1, 3, CLASS_ARITHMETIC, 0, 0},
    {"cnd", D3DSIO_CND, PS, 10, 14, 1, 3, CLASS_ARITHMETIC, 0, 0},
    {"cmp", D3DSIO_CMP, PS, 12, 14, 1, 3, CLASS_ARITHMETIC, 0, 0},
    {"bem", D3DSIO_BEM, PS, 14, 14, 1, 2, CLASS_ARITHMETIC, 0, 0},
    {"def", D3DSIO_DEF, PS, 10, 14, 1, 0, CLASS_DEF, 0, 0},
    {"phase", D3DSIO_PHASE, PS, 14, 14, 0, 0, CLASS_PHASE, 0, 0},
    {"tex", D3DSIO_TEX, PS, 10, 13, 1, 0, CLASS_TEXTURE, 0, 0},
    {"texld", D3DSIO_TEX, PS, 14, 14, 1, 1, CLASS_TEXTURE, OPF_COORD_SOURCE, 0},
    {"texcoord", D3DSIO_TEXCOORD, PS, 10, 13, 1, 0, CLASS_TEXTURE, 0, 0},
    {"texcrd", D3DSIO_TEXCOORD, PS, 14, 14, 1, 1, CLASS_TEXTURE, OPF_COORD_SOURCE, 0},
    {"texkill", D3DSIO_TEXKILL, PS, 10, 14, 1, 0, CLASS_TEXTURE, OPF_DEST_IS_SOURCE, 0},
    {"texbem", D3DSIO_TEXBEM, PS, 10, 13, 1, 1, CLASS_TEXTURE, 0, 0},
    {"texbeml", D3DSIO_TEXBEML, PS, 10, 13, 1, 1, CLASS_TEXTURE, 0, 0},
    {"texreg2ar", D3DSIO_TEXREG2AR, PS, 10, 13, 1, 1, CLASS_TEXTURE, 0, 0},
    {"texreg2gb", D3DSIO_TEXREG2GB, PS, 10, 13, 1, 1, CLASS_TEXTURE, 0, 0},
    {"texreg2rgb", D3DSIO_TEXREG2RGB, PS, 12, 13, 1, 1, CLASS_TEXTURE, 0, 0},
    {"texm3x2pad", D3DSIO_TEXM3x2PAD, PS, 10, 13, 1, 1, CLASS_TEXTURE, 0, 0},
    {"texm3x2tex", D3DSIO_TEXM3x2TEX, PS, 10, 13, 1, 1, CLASS_TEXTURE, 0, 0},
    {"texm3x2depth", D3DSIO_TEXM3x2DEPTH, PS, 13, 13, 1, 1, CLASS_TEXTURE, 0, 0},
    {"texm3x3pad", D3DSIO_TEXM3x3PAD, PS, 10, 13, 1, 1, CLASS_TEXTURE, 0, 0},
    {"texm3x3tex", D3DSIO_TEXM3x3TEX, PS, 10, 13, 1, 1, CLASS_TEXTURE, 0, 0},
    {"texm3x3spec", D3DSIO_TEXM3x3SPEC, PS, 10, 13, 1, 2, CLASS_TEXTURE, 0, 0},
    {"texm3x3vspec", D3DSIO_TEXM3x3VSPEC, PS, 10, 13, 1, 1, CLASS_TEXTURE, 0, 0},
    {"texm3x3", D3DSIO_TEXM3x3, PS, 12, 13, 1, 1, CLASS_TEXTURE, 0, 0},
    {"texdp3", D3DSIO_TEXDP3, PS, 12, 13, 1, 1, CLASS_TEXTURE, 0, 0},
    {"texdp3tex", D3DSIO_TEXDP3TEX, PS, 12, 13, 1, 1, CLASS_TEXTURE, 0, 0},
    {"texdepth", D3DSIO_TEXDEPTH, PS, 14, 14, 1, 0, CLASS_TEXTURE, 0, 0},
};

// prefix, display name, file, kind, type, numbered, fixed number, count for versions 10 to 14
const RegisterInfo s_aRegisters[] = {
    {"r", "r", FILE_TEMP, VS, D3DSPR_TEMP, true, 0, {12, 12, 0, 0, 0}},
    {"v", "v", FILE_INPUT, VS, D3DSPR_INPUT, true, 0, {16, 16, 0, 0, 0}},
    {"c", "c", FILE_CONST, VS, D3DSPR_CONST, true, 0, {256, 256, 0, 0, 0}},
    {"a", "a", FILE_ADDRESS, VS, D3DSPR_ADDR, true, 0, {0, 1, 0, 0, 0}},
    {"opos", "oPos", FILE_RASTOUT, VS, D3DSPR_RASTOUT, false, D3DSRO_POSITION, {1, 1, 0, 0, 0}},
    {"ofog", "oFog", FILE_RASTOUT, VS, D3DSPR_RASTOUT, false, D3DSRO_FOG, {1, 1, 0, 0, 0}},
    {"opts", "oPts", FILE_RASTOUT, VS, D3DSPR_RASTOUT, false, D3DSRO_POINT_SIZE, {1, 1, 0, 0, 0}},
    {"od", "oD", FILE_ATTROUT, VS, D3DSPR_ATTROUT, true, 0, {2, 2, 0, 0, 0}},
    {"ot", "oT", FILE_TEXCRDOUT, VS, D3DSPR_TEXCRDOUT, true, 0, {8, 8, 0, 0, 0}},

    {"r", "r", FILE_TEMP, PS, D3DSPR_TEMP, true, 0, {2, 2, 2, 2, 6}},
    {"t", "t", FILE_TEXTURE, PS, D3DSPR_TEXTURE, true, 0, {4, 4, 4, 4, 6}},
    {"v", "v", FILE_INPUT, PS, D3DSPR_INPUT, true, 0, {2, 2, 2, 2, 2}},
    {"c", "c", FILE_CONST, PS, D3DSPR_CONST, true, 0, {8, 8, 8, 8, 8}},
};
} // namespace

int FindOpcodes(const char* szName, ShaderKind eKind, const OpcodeInfo** apFound, int iMax)
{
    int iFound = 0;
    for (const OpcodeInfo& op : s_aOpcodes)
        if (op.eKind == eKind && std::strcmp(op.szName, szName) == 0 && iFound < iMax)
            apFound[iFound++] = &op;
    return iFound;
}

const OpcodeInfo* OpcodeAt(size_t uIndex)
{
    return uIndex < sizeof(s_aOpcodes) / sizeof(s_aOpcodes[0]) ? &s_aOpcodes[uIndex] : nullptr;
}

const RegisterInfo* FindRegister(const char* szPrefix, ShaderKind eKind)
{
    for (const RegisterInfo& reg : s_aRegisters)
        if (reg.eKind == eKind && std::strcmp(reg.szPrefix, szPrefix) == 0)
            return &reg;
    return nullptr;
}

int RegisterCount(const RegisterInfo& reg, int iVersion)
{
    return iVersion >= 10 && iVersion <= 14 ? reg.aiCount[iVersion - 10] : 0;
}
} // namespace d3dx8
