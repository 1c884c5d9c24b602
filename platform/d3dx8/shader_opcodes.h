#pragma once
// What the assembler knows of each instruction and register file of the Direct3D 8 shader models.
// Versions are written as 10 + minor: 10 is x.1.0, 14 is ps.1.4.

#include <windows.h>

namespace d3dx8
{
enum ShaderKind
{
    SHADER_VERTEX,
    SHADER_PIXEL,
};

enum InstructionClass
{
    CLASS_ARITHMETIC, // counted as arithmetic; may be co-issued in pixel shaders
    CLASS_TEXTURE,    // texture addressing: before the arithmetic of its phase
    CLASS_DEF,
    CLASS_PHASE,
    CLASS_NOP,
};

// Instruction flags.
enum
{
    OPF_SCALAR = 1 << 0,         // reads one component of its source
    OPF_MATRIX = 1 << 1,         // source 1 names the first of iMatrixRows consecutive registers
    OPF_COORD_SOURCE = 1 << 2,   // ps.1.4 texld/texcrd: source takes .xyz/.xyw and _dz/_dw
    OPF_DEST_IS_SOURCE = 1 << 3, // texkill: its one operand is read, but encoded as a destination
};

struct OpcodeInfo
{
    const char* szName;
    DWORD dwOpcode;
    ShaderKind eKind;
    int iMinVersion;
    int iMaxVersion;
    int iDestCount;
    int iSourceCount;
    InstructionClass eClass;
    unsigned uFlags;
    int iMatrixRows;
};

// Every row with this name for the kind, in table order (an instruction may have one row per
// version range with different operands, e.g. "texkill"). Returns the count found.
int FindOpcodes(const char* szName, ShaderKind eKind, const OpcodeInfo** apFound, int iMax);

// Each table row in order, for tests and listings; NULL past the end.
const OpcodeInfo* OpcodeAt(size_t uIndex);

// Register files as they appear in source, with their Direct3D 8 register type.
enum RegisterFile
{
    FILE_TEMP,      // r#
    FILE_INPUT,     // v#
    FILE_CONST,     // c#, c[n], c[a0.x + n]
    FILE_ADDRESS,   // a0
    FILE_TEXTURE,   // t#
    FILE_RASTOUT,   // oPos, oFog, oPts
    FILE_ATTROUT,   // oD#
    FILE_TEXCRDOUT, // oT#
};

struct RegisterInfo
{
    const char* szPrefix;  // lower case, without the number
    const char* szDisplay; // as the documentation spells it, for messages
    RegisterFile eFile;
    ShaderKind eKind;
    DWORD dwType;        // D3DSPR_* (already shifted)
    bool bNumbered;      // a number follows the prefix
    DWORD dwFixedNumber; // for unnumbered registers
    int aiCount[5];      // registers of the file for versions 10 to 14; 0: not available
};

// NULL when the prefix is no register of that kind.
const RegisterInfo* FindRegister(const char* szPrefix, ShaderKind eKind);
int RegisterCount(const RegisterInfo& reg, int iVersion);
} // namespace d3dx8
