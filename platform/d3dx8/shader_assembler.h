#pragma once
// Turns preprocessed shader lines into Direct3D 8 tokens: parsing against the opcode and register
// tables, the version rules of each shader model, then encoding.

#include "shader_opcodes.h"
#include "shader_preprocessor.h"

#include <string>
#include <vector>

namespace d3dx8
{
struct AssembledShader
{
    std::vector<DWORD> vCode;      // version token .. end token
    std::vector<DWORD> vConstants; // vertex shader "def"s as D3DVSD_CONST declaration tokens
};

class ShaderAssembler
{
public:
    ShaderAssembler(ShaderDiagnostics& diagnostics, bool bValidate)
        : m_diagnostics(diagnostics), m_bValidate(bValidate)
    {
    }

    // False when an error was reported.
    bool Assemble(const std::vector<SourceLine>& vLines, AssembledShader* pOut);

private:
    struct Operand
    {
        std::string szText;
        const RegisterInfo* pRegister = nullptr;
        DWORD dwNumber = 0;
        bool bRelative = false;
        DWORD dwMask = 0xF;     // destinations: components written (bit 0 = x)
        bool bSwizzled = false; // sources: a swizzle was written
        DWORD dwSwizzle = 0xE4; // sources: 2 bits per component, x in the low bits
        DWORD dwModifier = 0;   // sources: D3DSPSM_* >> D3DSP_SRCMOD_SHIFT
    };
    struct Instruction
    {
        const OpcodeInfo* pOp = nullptr;
        bool bCoissue = false;
        int iShift = 0; // result scale: 1 = _x2, -1 = _d2, ...
        bool bSaturate = false;
        std::vector<Operand> vDest;
        std::vector<Operand> vSource;
        float afValues[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        const SourceLine* pLine = nullptr;
    };

    bool ParseVersion(const SourceLine& line);
    void ParseInstruction(const SourceLine& line);
    const OpcodeInfo* LookUpOpcode(const std::string& szName, const SourceLine& line);
    bool ParseInstructionModifiers(const std::vector<std::string>& vModifiers, Instruction* pInst);
    bool ParseRegister(const std::string& szText, size_t* pPos, Operand* pOperand);
    bool ParseConstIndex(const std::string& szExpr, Operand* pOperand);
    bool ParseDest(const std::string& szText, Operand* pOperand);
    bool ParseSource(const std::string& szText, Operand* pOperand);
    bool ParseDefValues(const std::vector<std::string>& vOperands, Instruction* pInst);

    void Validate();
    void ValidateVertex(const Instruction& inst);
    void ValidatePixel(const Instruction& inst, const Instruction* pPrevious);
    void ValidateCoissue(const Instruction& inst, const Instruction* pPrevious);
    void ValidatePixelTexture(const Instruction& inst);
    void ValidateTexture14(const Instruction& inst);
    void ValidatePixelArithmetic(const Instruction& inst);
    void ValidatePixelProgram();

    void Encode(AssembledShader* pOut) const;
    static DWORD EncodeDest(const Instruction& inst, const Operand& op);
    static DWORD EncodeSource(const Operand& op);

    void Error(const std::string& szText);
    void Error(const SourceLine& line, const std::string& szText);
    std::string VersionName() const;

    ShaderDiagnostics& m_diagnostics;
    bool m_bValidate;
    ShaderKind m_eKind = SHADER_VERTEX;
    int m_iVersion = 0;
    bool m_bHasPhase = false;
    int m_iPhase = 2; // ps.1.4: the phase being checked
    bool m_bSeenBem = false;
    const SourceLine* m_pLine = nullptr; // the line being parsed or checked
    std::vector<Instruction> m_vInstructions;
};
} // namespace d3dx8
