#include "shader_assembler.h"

#include <d3d8types.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <set>
#include <utility>

namespace d3dx8
{
namespace
{
// Instruction slots of a vertex shader; the matrix macros take one slot per row.
const int MAX_VERTEX_SLOTS = 128;
// The vertex declaration addresses constants with 7 bits.
const DWORD MAX_DECLARATION_CONST = 127;

std::string Lower(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

void SkipBlanks(const std::string& s, size_t* pPos)
{
    while (*pPos < s.size() && std::isspace(static_cast<unsigned char>(s[*pPos])))
        ++*pPos;
}

// Operands are separated by commas outside brackets; an empty piece stays in to be reported.
std::vector<std::string> SplitOperands(const std::string& s)
{
    std::vector<std::string> v;
    if (Trim(s).empty())
        return v;
    int iDepth = 0;
    std::string szCurrent;
    for (char c : s)
    {
        if (c == '[')
            ++iDepth;
        else if (c == ']')
            --iDepth;
        if (c == ',' && iDepth <= 0)
        {
            v.push_back(Trim(szCurrent));
            szCurrent.clear();
            continue;
        }
        szCurrent += c;
    }
    v.push_back(Trim(szCurrent));
    return v;
}

std::vector<std::string> SplitUnderscores(const std::string& s)
{
    std::vector<std::string> v;
    std::string szCurrent;
    for (char c : s)
    {
        if (c == '_')
        {
            v.push_back(szCurrent);
            szCurrent.clear();
        }
        else
            szCurrent += c;
    }
    v.push_back(szCurrent);
    return v;
}

// Component letters: x y z w or r g b a. False for anything else or more than four.
bool ParseComponents(const std::string& szLetters, std::vector<int>* pComponents)
{
    if (szLetters.empty() || szLetters.size() > 4)
        return false;
    for (char c : szLetters)
    {
        const char* szAt = std::strchr("xyzw", c);
        const char* szColour = std::strchr("rgba", c);
        if (c == '\0' || (!szAt && !szColour))
            return false;
        pComponents->push_back(szAt ? static_cast<int>(szAt - "xyzw") : static_cast<int>(szColour - "rgba"));
    }
    return true;
}

const char* SourceModifierName(DWORD dwModifier)
{
    static const char* const s_aszNames[] = {"",   "-",   "_bias", "-_bias", "_bx2", "-_bx2",
                                             "1-", "_x2", "-_x2",  "_dz",    "_dw"};
    return dwModifier < sizeof(s_aszNames) / sizeof(s_aszNames[0]) ? s_aszNames[dwModifier] : "?";
}

DWORD FloatBits(float f)
{
    DWORD dw = 0;
    std::memcpy(&dw, &f, sizeof(dw));
    return dw;
}
} // namespace

void ShaderAssembler::Error(const std::string& szText)
{
    if (m_pLine)
        Error(*m_pLine, szText);
    else
        m_diagnostics.Error(0, 1, szText);
}

void ShaderAssembler::Error(const SourceLine& line, const std::string& szText)
{
    m_diagnostics.Error(line.uFile, line.uLine, szText);
}

std::string ShaderAssembler::VersionName() const
{
    return std::string(m_eKind == SHADER_VERTEX ? "vs" : "ps") + ".1." + std::to_string(m_iVersion - 10);
}

bool ShaderAssembler::Assemble(const std::vector<SourceLine>& vLines, AssembledShader* pOut)
{
    const size_t uErrorsBefore = m_diagnostics.ErrorCount();
    m_vInstructions.clear();
    m_pLine = nullptr;
    if (vLines.empty())
    {
        Error("the shader is empty: it must start with its version (vs.1.1, ps.1.4, ...)");
        return false;
    }
    if (!ParseVersion(vLines[0]))
        return false;
    for (size_t i = 1; i < vLines.size(); ++i)
        ParseInstruction(vLines[i]);
    if (m_diagnostics.ErrorCount() != uErrorsBefore)
        return false;
    Validate();
    if (m_diagnostics.ErrorCount() != uErrorsBefore)
        return false;
    Encode(pOut);
    return true;
}

bool ShaderAssembler::ParseVersion(const SourceLine& line)
{
    m_pLine = &line;
    std::string s;
    for (char c : Lower(line.szText))
        if (!std::isspace(static_cast<unsigned char>(c)))
            s += c;
    // "vs.1.1" and "vs_1_1" alike.
    const bool bShape = s.size() == 6 && (s.compare(0, 2, "vs") == 0 || s.compare(0, 2, "ps") == 0) &&
                        (s[2] == '.' || s[2] == '_') && (s[4] == '.' || s[4] == '_') &&
                        std::isdigit(static_cast<unsigned char>(s[3])) &&
                        std::isdigit(static_cast<unsigned char>(s[5]));
    if (!bShape)
    {
        Error("the shader must start with its version (vs.1.1, ps.1.4, ...), found '" + line.szText + "'");
        return false;
    }
    m_eKind = s[0] == 'v' ? SHADER_VERTEX : SHADER_PIXEL;
    const int iMajor = s[3] - '0';
    const int iMinor = s[5] - '0';
    const int iMaxMinor = m_eKind == SHADER_VERTEX ? 1 : 4;
    if (iMajor != 1 || iMinor > iMaxMinor)
    {
        Error("version '" + line.szText + "' is not supported (vs.1.0, vs.1.1, ps.1.0 to ps.1.4)");
        return false;
    }
    m_iVersion = 10 + iMinor;
    return true;
}

void ShaderAssembler::ParseInstruction(const SourceLine& line)
{
    m_pLine = &line;
    const std::string& s = line.szText;
    Instruction inst;
    inst.pLine = &line;
    size_t i = 0;
    if (s[0] == '+')
    {
        inst.bCoissue = true;
        ++i;
        SkipBlanks(s, &i);
    }
    const size_t uWordStart = i;
    while (i < s.size() && (std::isalnum(static_cast<unsigned char>(s[i])) || s[i] == '_'))
        ++i;
    const std::string szWord = Lower(s.substr(uWordStart, i - uWordStart));
    if (i < s.size() && s[i] == '.' && (szWord == "vs" || szWord == "ps"))
    {
        Error("a second version statement '" + s + "'");
        return;
    }
    if (szWord.empty())
    {
        Error("expected an instruction, found '" + s + "'");
        return;
    }
    std::vector<std::string> vModifiers = SplitUnderscores(szWord);
    const std::string szName = vModifiers[0];
    vModifiers.erase(vModifiers.begin());

    inst.pOp = LookUpOpcode(szName, line);
    if (!inst.pOp || !ParseInstructionModifiers(vModifiers, &inst))
        return;

    const std::vector<std::string> vOperands = SplitOperands(s.substr(i));
    const OpcodeInfo& op = *inst.pOp;
    const size_t uExpected =
        op.eClass == CLASS_DEF ? 5 : static_cast<size_t>(op.iDestCount + op.iSourceCount);
    if (vOperands.size() != uExpected)
    {
        Error("'" + szName + "' takes " + std::to_string(uExpected) + " operand(s), found " +
              std::to_string(vOperands.size()));
        return;
    }
    for (size_t k = 0; k < vOperands.size(); ++k)
        if (vOperands[k].empty())
        {
            Error("operand " + std::to_string(k + 1) + " of '" + szName + "' is missing");
            return;
        }

    size_t uNext = 0;
    for (int d = 0; d < op.iDestCount; ++d)
    {
        Operand operand;
        if (!ParseDest(vOperands[uNext++], &operand))
            return;
        inst.vDest.push_back(operand);
    }
    if (op.eClass == CLASS_DEF)
    {
        if (inst.vDest[0].pRegister->eFile != FILE_CONST || inst.vDest[0].bRelative)
        {
            Error("'def' needs a constant register c#, found '" + vOperands[0] + "'");
            return;
        }
        if (!ParseDefValues(vOperands, &inst))
            return;
    }
    for (int k = 0; k < op.iSourceCount; ++k)
    {
        Operand operand;
        if (!ParseSource(vOperands[uNext++], &operand))
            return;
        inst.vSource.push_back(operand);
    }
    m_vInstructions.push_back(inst);
}

const OpcodeInfo* ShaderAssembler::LookUpOpcode(const std::string& szName, const SourceLine& line)
{
    const OpcodeInfo* apRows[4] = {};
    const int iRows = FindOpcodes(szName.c_str(), m_eKind, apRows, 4);
    if (iRows == 0)
    {
        const ShaderKind eOther = m_eKind == SHADER_VERTEX ? SHADER_PIXEL : SHADER_VERTEX;
        if (FindOpcodes(szName.c_str(), eOther, apRows, 4) > 0)
            Error(line, "'" + szName + "' is a " + (eOther == SHADER_PIXEL ? "pixel" : "vertex") +
                            " shader instruction, not available in " + VersionName());
        else
            Error(line, "unknown instruction '" + szName + "'");
        return nullptr;
    }
    int iLowest = 99;
    for (int i = 0; i < iRows; ++i)
    {
        if (m_iVersion >= apRows[i]->iMinVersion && m_iVersion <= apRows[i]->iMaxVersion)
            return apRows[i];
        iLowest = std::min(iLowest, apRows[i]->iMinVersion);
    }
    const std::string szKind = m_eKind == SHADER_VERTEX ? "vs" : "ps";
    if (iLowest > m_iVersion)
        Error(line, "'" + szName + "' needs " + szKind + ".1." + std::to_string(iLowest - 10) + " or later");
    else if (szName == "tex" || szName == "texcoord")
        Error(line, "'" + szName + "' is not available in " + VersionName() + " (it has " +
                        (szName == "tex" ? "texld" : "texcrd") + ")");
    else
        Error(line, "'" + szName + "' is not available in " + VersionName());
    return nullptr;
}

bool ShaderAssembler::ParseInstructionModifiers(const std::vector<std::string>& vModifiers,
                                                Instruction* pInst)
{
    static const struct
    {
        const char* szName;
        int iShift;
        int iMinVersion;
    } s_aShifts[] = {{"x2", 1, 10},  {"x4", 2, 10},  {"x8", 3, 14},
                     {"d2", -1, 10}, {"d4", -2, 14}, {"d8", -3, 14}};

    for (const std::string& szModifier : vModifiers)
    {
        if (m_eKind == SHADER_VERTEX)
        {
            Error("instruction modifiers such as '_" + szModifier + "' exist only in pixel shaders");
            return false;
        }
        if (szModifier == "sat")
        {
            if (pInst->bSaturate)
            {
                Error("'_sat' given twice");
                return false;
            }
            pInst->bSaturate = true;
            continue;
        }
        bool bFound = false;
        for (const auto& shift : s_aShifts)
        {
            if (szModifier != shift.szName)
                continue;
            bFound = true;
            if (pInst->iShift != 0)
            {
                Error("only one of _x2, _x4, _x8, _d2, _d4, _d8 may be given");
                return false;
            }
            if (m_iVersion < shift.iMinVersion)
            {
                Error("'_" + szModifier + "' needs ps.1.4");
                return false;
            }
            pInst->iShift = shift.iShift;
        }
        if (!bFound)
        {
            Error("unknown instruction modifier '_" + szModifier + "'");
            return false;
        }
    }
    if ((pInst->iShift != 0 || pInst->bSaturate) && pInst->pOp->eClass != CLASS_ARITHMETIC)
    {
        Error(std::string("'") + pInst->pOp->szName + "' takes no instruction modifier");
        return false;
    }
    return true;
}

bool ShaderAssembler::ParseRegister(const std::string& szText, size_t* pPos, Operand* pOperand)
{
    size_t i = *pPos;
    SkipBlanks(szText, &i);
    const size_t uStart = i;
    while (i < szText.size() && std::isalpha(static_cast<unsigned char>(szText[i])))
        ++i;
    const std::string szPrefix = Lower(szText.substr(uStart, i - uStart));
    const size_t uDigits = i;
    while (i < szText.size() && std::isdigit(static_cast<unsigned char>(szText[i])))
        ++i;
    const std::string szDigits = szText.substr(uDigits, i - uDigits);
    const std::string szName = szText.substr(uStart, i - uStart);
    if (szPrefix.empty())
    {
        Error("expected a register, found '" + Trim(szText) + "'");
        return false;
    }
    if (i < szText.size() && std::isalnum(static_cast<unsigned char>(szText[i])))
    {
        Error("unknown register '" + Trim(szText) + "'");
        return false;
    }
    const RegisterInfo* pReg = FindRegister(szPrefix.c_str(), m_eKind);
    if (!pReg || (pReg->bNumbered != !szDigits.empty() && !(szPrefix == "c" && szDigits.empty())))
    {
        if (pReg && pReg->bNumbered)
            Error("register '" + szName + "' needs a number");
        else
            Error("unknown register '" + szName + "' in " + VersionName());
        return false;
    }
    const int iCount = RegisterCount(*pReg, m_iVersion);
    if (iCount == 0)
    {
        Error("register '" + szName + "' is not available in " + VersionName());
        return false;
    }
    pOperand->pRegister = pReg;
    if (!pReg->bNumbered)
        pOperand->dwNumber = pReg->dwFixedNumber;
    else if (!szDigits.empty())
    {
        const unsigned long ul = std::strtoul(szDigits.c_str(), nullptr, 10);
        pOperand->dwNumber = static_cast<DWORD>(std::min<unsigned long>(ul, 0xFFFFFFu));
    }
    else
    {
        // c[...]
        SkipBlanks(szText, &i);
        if (i >= szText.size() || szText[i] != '[')
        {
            Error("register 'c' needs a number or an index in brackets");
            return false;
        }
        const size_t uClose = szText.find(']', i);
        if (uClose == std::string::npos)
        {
            Error("missing ']' in '" + Trim(szText) + "'");
            return false;
        }
        if (!ParseConstIndex(szText.substr(i + 1, uClose - i - 1), pOperand))
            return false;
        i = uClose + 1;
    }
    if (pReg->bNumbered && pOperand->dwNumber >= static_cast<DWORD>(iCount))
    {
        const std::string szRange =
            std::string(pReg->szDisplay) + "0 to " + pReg->szDisplay + std::to_string(iCount - 1);
        Error("register '" + Trim(szText.substr(uStart, i - uStart)) + "' is out of range (" + szRange +
              " in " + VersionName() + ")");
        return false;
    }
    *pPos = i;
    return true;
}

bool ShaderAssembler::ParseConstIndex(const std::string& szExpr, Operand* pOperand)
{
    std::string szRest = Lower(szExpr);
    // Find "a0.x" (blanks allowed around the dot) as a whole term.
    size_t uAt = std::string::npos;
    size_t uEnd = 0;
    for (size_t p = szRest.find("a0"); p != std::string::npos; p = szRest.find("a0", p + 1))
    {
        if (p > 0 && (std::isalnum(static_cast<unsigned char>(szRest[p - 1])) || szRest[p - 1] == '_'))
            continue;
        size_t q = p + 2;
        SkipBlanks(szRest, &q);
        if (q >= szRest.size() || szRest[q] != '.')
        {
            Error("the address register must be read as a0.x in '" + szExpr + "'");
            return false;
        }
        ++q;
        SkipBlanks(szRest, &q);
        const size_t uComp = q;
        while (q < szRest.size() && std::isalpha(static_cast<unsigned char>(szRest[q])))
            ++q;
        if (szRest.substr(uComp, q - uComp) != "x")
        {
            Error("constants can only be indexed by a0.x, found '" + szExpr + "'");
            return false;
        }
        if (uAt != std::string::npos)
        {
            Error("a0.x appears twice in '" + szExpr + "'");
            return false;
        }
        uAt = p;
        uEnd = q;
    }
    if (uAt != std::string::npos)
    {
        const RegisterInfo* pAddress = FindRegister("a", m_eKind);
        if (!pAddress || RegisterCount(*pAddress, m_iVersion) == 0)
        {
            Error("relative addressing c[a0.x + n] is not available in " + VersionName());
            return false;
        }
        std::string szBefore = Trim(szRest.substr(0, uAt));
        std::string szAfter = Trim(szRest.substr(uEnd));
        if (szBefore.empty())
        {
            if (!szAfter.empty() && szAfter[0] == '+')
                szAfter = szAfter.substr(1);
        }
        else if (szBefore.back() == '+')
            szBefore.pop_back();
        else
        {
            Error("a0.x must be added to the index, as in c[a0.x + n]: '" + szExpr + "'");
            return false;
        }
        szRest = szBefore + " " + szAfter;
        pOperand->bRelative = true;
    }
    long long llValue = 0;
    std::string szError;
    if (!Trim(szRest).empty() && !EvaluateIntegerExpression(szRest, &llValue, &szError))
    {
        Error("bad constant index '" + szExpr + "': " + szError);
        return false;
    }
    if (llValue < 0)
    {
        Error("constant index " + std::to_string(llValue) + " is negative in '" + szExpr + "'");
        return false;
    }
    pOperand->dwNumber = static_cast<DWORD>(std::min<long long>(llValue, 0xFFFFFF));
    return true;
}

bool ShaderAssembler::ParseDest(const std::string& szText, Operand* pOperand)
{
    pOperand->szText = szText;
    if (szText[0] == '-' || szText[0] == '1')
    {
        Error("a destination register takes no source modifier: '" + szText + "'");
        return false;
    }
    size_t i = 0;
    if (!ParseRegister(szText, &i, pOperand))
        return false;
    SkipBlanks(szText, &i);
    if (i < szText.size() && szText[i] == '.')
    {
        ++i;
        SkipBlanks(szText, &i);
        const size_t uStart = i;
        while (i < szText.size() && std::isalpha(static_cast<unsigned char>(szText[i])))
            ++i;
        const std::string szMask = Lower(szText.substr(uStart, i - uStart));
        std::vector<int> vComponents;
        bool bOrdered = ParseComponents(szMask, &vComponents);
        for (size_t k = 1; bOrdered && k < vComponents.size(); ++k)
            bOrdered = vComponents[k] > vComponents[k - 1];
        if (!bOrdered)
        {
            Error("bad write mask '." + szMask + "' (components x, y, z, w in that order)");
            return false;
        }
        pOperand->dwMask = 0;
        for (int c : vComponents)
            pOperand->dwMask |= 1u << c;
        SkipBlanks(szText, &i);
    }
    if (i < szText.size())
    {
        if (szText[i] == '_')
            Error("modifiers such as '" + szText.substr(i) +
                  "' go on the instruction (mov_sat), not on the destination");
        else
            Error("unexpected '" + szText.substr(i) + "' after the destination register");
        return false;
    }
    return true;
}

bool ShaderAssembler::ParseSource(const std::string& szText, Operand* pOperand)
{
    pOperand->szText = szText;
    size_t i = 0;
    bool bNegate = false;
    bool bComplement = false;
    if (szText[i] == '-')
    {
        bNegate = true;
        ++i;
        SkipBlanks(szText, &i);
    }
    if (i < szText.size() && szText[i] == '1')
    {
        size_t q = i + 1;
        SkipBlanks(szText, &q);
        if (q < szText.size() && szText[q] == '-')
        {
            bComplement = true;
            i = q + 1;
        }
    }
    if (!ParseRegister(szText, &i, pOperand))
        return false;

    std::string szSuffix;
    bool bSwizzled = false;
    for (;;)
    {
        SkipBlanks(szText, &i);
        if (i >= szText.size())
            break;
        const char c = szText[i];
        const size_t uStart = i + 1;
        size_t q = uStart;
        while (q < szText.size() && std::isalnum(static_cast<unsigned char>(szText[q])))
            ++q;
        const std::string szWord = Lower(szText.substr(uStart, q - uStart));
        if (c == '_' && szSuffix.empty() && !szWord.empty())
            szSuffix = szWord;
        else if (c == '.' && !bSwizzled && !szWord.empty())
        {
            std::vector<int> vComponents;
            if (!ParseComponents(szWord, &vComponents))
            {
                Error("bad swizzle '." + szWord + "' in '" + szText + "'");
                return false;
            }
            // Fewer than four components repeat the last one: .xy is .xyyy.
            pOperand->dwSwizzle = 0;
            for (int k = 0; k < 4; ++k)
                pOperand->dwSwizzle |=
                    static_cast<DWORD>(vComponents[std::min<size_t>(k, vComponents.size() - 1)]) << (2 * k);
            pOperand->bSwizzled = true;
            bSwizzled = true;
        }
        else
        {
            Error("unexpected '" + szText.substr(i) + "' in operand '" + szText + "'");
            return false;
        }
        i = q;
    }

    // Source modifiers and how they combine with negation.
    static const struct
    {
        const char* szName;
        DWORD dwPlain;
        DWORD dwNegated; // 0: cannot be negated
    } s_aSuffixes[] = {{"bias", 2, 3}, {"bx2", 4, 5}, {"x2", 7, 8}, {"dz", 9, 0},
                       {"db", 9, 0},   {"dw", 10, 0}, {"da", 10, 0}};
    DWORD dwModifier = bNegate ? 1 : 0;
    if (!szSuffix.empty())
    {
        bool bFound = false;
        for (const auto& suffix : s_aSuffixes)
        {
            if (szSuffix != suffix.szName)
                continue;
            bFound = true;
            if (bNegate && suffix.dwNegated == 0)
            {
                Error("'_" + szSuffix + "' cannot be negated: '" + szText + "'");
                return false;
            }
            dwModifier = bNegate ? suffix.dwNegated : suffix.dwPlain;
        }
        if (!bFound)
        {
            Error("unknown source modifier '_" + szSuffix + "' in '" + szText + "'");
            return false;
        }
    }
    if (bComplement)
    {
        if (dwModifier != 0)
        {
            Error("'1-' cannot be combined with other source modifiers: '" + szText + "'");
            return false;
        }
        dwModifier = 6;
    }
    if (m_eKind == SHADER_VERTEX && dwModifier > 1)
    {
        Error(std::string("source modifier '") + SourceModifierName(dwModifier) +
              "' exists only in pixel shaders; vertex shaders can only negate");
        return false;
    }
    pOperand->dwModifier = dwModifier;
    return true;
}

bool ShaderAssembler::ParseDefValues(const std::vector<std::string>& vOperands, Instruction* pInst)
{
    for (int k = 0; k < 4; ++k)
    {
        std::string szNumber = vOperands[1 + k];
        if (!szNumber.empty() && (szNumber.back() == 'f' || szNumber.back() == 'F'))
            szNumber.pop_back();
        // Read as a float, so that a value beyond the float range becomes infinite and is refused
        // rather than stored as infinity.
        char* pEnd = nullptr;
        const float f = std::strtof(szNumber.c_str(), &pEnd);
        if (szNumber.empty() || *pEnd != '\0')
        {
            Error("bad number '" + vOperands[1 + k] + "' in 'def'");
            return false;
        }
        if (!std::isfinite(f))
        {
            Error("bad number '" + vOperands[1 + k] + "' in 'def': outside the float range");
            return false;
        }
        pInst->afValues[k] = f;
    }
    return true;
}

void ShaderAssembler::Validate()
{
    if (m_eKind == SHADER_VERTEX)
    {
        // The declaration form of "def" is part of the encoding, so it is checked in any case.
        for (const Instruction& inst : m_vInstructions)
            if (inst.pOp->eClass == CLASS_DEF && inst.vDest[0].dwNumber > MAX_DECLARATION_CONST)
                Error(*inst.pLine, "'def c" + std::to_string(inst.vDest[0].dwNumber) +
                                       "': a vertex declaration can set c0 to c127 only");
        for (const Instruction& inst : m_vInstructions)
            if (inst.bCoissue)
                Error(*inst.pLine, "co-issue '+' exists only in pixel shaders");
    }
    if (!m_bValidate)
        return;
    if (m_eKind == SHADER_VERTEX)
    {
        int iSlots = 0;
        for (const Instruction& inst : m_vInstructions)
        {
            m_pLine = inst.pLine;
            ValidateVertex(inst);
            if (inst.pOp->eClass == CLASS_ARITHMETIC)
                iSlots += inst.pOp->iMatrixRows > 0 ? inst.pOp->iMatrixRows : 1;
        }
        if (iSlots > MAX_VERTEX_SLOTS)
            Error(*m_vInstructions.back().pLine, "the shader needs " + std::to_string(iSlots) +
                                                     " instruction slots; " + VersionName() + " has " +
                                                     std::to_string(MAX_VERTEX_SLOTS));
        return;
    }
    ValidatePixelProgram();
}

void ShaderAssembler::ValidateVertex(const Instruction& inst)
{
    const OpcodeInfo& op = *inst.pOp;
    if (op.eClass != CLASS_ARITHMETIC)
        return;
    const Operand& dest = inst.vDest[0];
    const RegisterFile eDest = dest.pRegister->eFile;
    if (eDest == FILE_INPUT || eDest == FILE_CONST)
        Error("'" + dest.szText +
              "' cannot be written: vertex shaders write r#, a0 and the output registers");
    if (eDest == FILE_ADDRESS && (std::strcmp(op.szName, "mov") != 0 || dest.dwMask != 0x1))
        Error("a0 is written only by 'mov a0.x, ...'");

    std::set<std::pair<DWORD, bool>> constants;
    std::set<DWORD> inputs;
    for (const Operand& src : inst.vSource)
    {
        const RegisterFile eFile = src.pRegister->eFile;
        if (eFile != FILE_TEMP && eFile != FILE_INPUT && eFile != FILE_CONST)
            Error("'" + src.szText + "' cannot be read: vertex shaders read r#, v# and c#");
        if (eFile == FILE_CONST)
            constants.insert(std::make_pair(src.dwNumber, src.bRelative));
        if (eFile == FILE_INPUT)
            inputs.insert(src.dwNumber);
    }
    // One read port each for the constant and the input registers.
    if (constants.size() > 1)
        Error(std::string("'") + op.szName +
              "' reads two different constant registers; one instruction can read one");
    if (inputs.size() > 1)
        Error(std::string("'") + op.szName +
              "' reads two different input registers; one instruction can read one");

    if (op.uFlags & OPF_MATRIX)
    {
        const Operand& matrix = inst.vSource[1];
        if (matrix.bSwizzled || matrix.dwModifier != 0)
            Error(std::string("the matrix operand of '") + op.szName + "' takes no swizzle or negation");
        for (int k = 0; k < 2; ++k)
        {
            const Operand& src = inst.vSource[k];
            const DWORD dwRows = k == 1 ? static_cast<DWORD>(op.iMatrixRows) : 1;
            if (src.pRegister->dwType == dest.pRegister->dwType && !src.bRelative &&
                dest.dwNumber >= src.dwNumber && dest.dwNumber < src.dwNumber + dwRows)
                Error(std::string("the destination of '") + op.szName + "' must differ from its sources");
        }
    }
}

void ShaderAssembler::ValidatePixelProgram()
{
    // Per phase: texture instructions first, then at most 8 arithmetic ones (a co-issued pair
    // counts once). ps.1.0 to ps.1.3 have one phase with at most 4 texture instructions; ps.1.4 has
    // up to 6 in each of two phases split by "phase", and a shader without "phase" is all phase 2.
    m_bHasPhase = false;
    for (const Instruction& inst : m_vInstructions)
        if (inst.pOp->eClass == CLASS_PHASE)
            m_bHasPhase = true;
    m_iPhase = m_bHasPhase ? 1 : 2;
    m_bSeenBem = false;
    const int iMaxTexture = m_iVersion >= 14 ? 6 : 4;
    int iTexture = 0;
    int iArithmetic = 0;
    bool bSeenOther = false;
    bool bSeenArithmetic = false;
    bool bSeenPhase = false;
    const Instruction* pPrevious = nullptr;
    for (const Instruction& inst : m_vInstructions)
    {
        m_pLine = inst.pLine;
        switch (inst.pOp->eClass)
        {
        case CLASS_DEF:
            if (bSeenOther)
                Error("'def' must come before the other instructions");
            break;
        case CLASS_TEXTURE:
            if (bSeenArithmetic)
                Error(std::string("texture instruction '") + inst.pOp->szName +
                      "' after an arithmetic instruction of the same phase");
            if (++iTexture == iMaxTexture + 1)
                Error("more than " + std::to_string(iMaxTexture) + " texture instructions in a phase of " +
                      VersionName());
            break;
        case CLASS_ARITHMETIC:
        {
            bSeenArithmetic = true;
            // bem takes two arithmetic slots.
            const int iSlots = inst.bCoissue ? 0 : (std::strcmp(inst.pOp->szName, "bem") == 0 ? 2 : 1);
            if (iArithmetic <= 8 && iArithmetic + iSlots > 8)
                Error("more than 8 arithmetic instructions in a phase of " + VersionName());
            iArithmetic += iSlots;
            break;
        }
        case CLASS_PHASE:
            if (bSeenPhase)
                Error("'phase' may appear once");
            bSeenPhase = true;
            m_iPhase = 2;
            iTexture = 0;
            iArithmetic = 0;
            bSeenArithmetic = false;
            break;
        case CLASS_NOP:
            break;
        }
        if (inst.pOp->eClass != CLASS_DEF)
            bSeenOther = true;
        ValidatePixel(inst, pPrevious);
        pPrevious = &inst;
    }
}

void ShaderAssembler::ValidateCoissue(const Instruction& inst, const Instruction* pPrevious)
{
    if (inst.pOp->eClass != CLASS_ARITHMETIC || !pPrevious || pPrevious->pOp->eClass != CLASS_ARITHMETIC ||
        pPrevious->bCoissue)
    {
        Error("'+' pairs an arithmetic instruction with the arithmetic instruction before it");
        return;
    }
    const DWORD dwThis = inst.vDest[0].dwMask;
    const DWORD dwOther = pPrevious->vDest[0].dwMask;
    const bool bSplit = (dwThis == 0x8 && (dwOther & 0x8) == 0) || (dwOther == 0x8 && (dwThis & 0x8) == 0);
    if (!bSplit)
        Error("co-issued instructions must write colour and alpha separately (.rgb and .a)");
}

void ShaderAssembler::ValidatePixel(const Instruction& inst, const Instruction* pPrevious)
{
    const OpcodeInfo& op = *inst.pOp;
    if (inst.bCoissue)
        ValidateCoissue(inst, pPrevious);
    if (op.eClass == CLASS_TEXTURE)
    {
        if (m_iVersion >= 14)
            ValidateTexture14(inst);
        else
            ValidatePixelTexture(inst);
    }
    else if (op.eClass == CLASS_ARITHMETIC)
        ValidatePixelArithmetic(inst);
}

void ShaderAssembler::ValidatePixelTexture(const Instruction& inst)
{
    const OpcodeInfo& op = *inst.pOp;
    const Operand& dest = inst.vDest[0];
    if (dest.pRegister->eFile != FILE_TEXTURE || dest.dwMask != 0xF)
        Error(std::string("'") + op.szName + "' writes a whole texture register t#, found '" + dest.szText +
              "'");
    for (size_t k = 0; k < inst.vSource.size(); ++k)
    {
        const Operand& src = inst.vSource[k];
        // texm3x3spec reads its eye ray from a constant.
        const RegisterFile eWanted = k == 1 ? FILE_CONST : FILE_TEXTURE;
        if (src.pRegister->eFile != eWanted)
            Error(std::string("'") + op.szName + "' reads " + (eWanted == FILE_CONST ? "c#" : "t#") +
                  ", found '" + src.szText + "'");
        if (src.bSwizzled || (src.dwModifier != 0 && src.dwModifier != 4))
            Error(std::string("'") + op.szName + "' takes no swizzle and no source modifier but _bx2: '" +
                  src.szText + "'");
    }
    // A dependent read samples with the coordinates of an earlier stage.
    if (!inst.vSource.empty() && inst.vSource[0].pRegister->eFile == FILE_TEXTURE &&
        inst.vSource[0].dwNumber >= dest.dwNumber)
        Error(std::string("'") + op.szName + "' must read a texture register below its destination t" +
              std::to_string(dest.dwNumber));
}

void ShaderAssembler::ValidateTexture14(const Instruction& inst)
{
    const OpcodeInfo& op = *inst.pOp;
    const Operand& dest = inst.vDest[0];
    const std::string szName = op.szName;
    if (szName == "texkill")
    {
        if (dest.pRegister->eFile != FILE_TEMP && dest.pRegister->eFile != FILE_TEXTURE)
            Error("'texkill' tests r# or t#, found '" + dest.szText + "'");
        return;
    }
    if (dest.pRegister->eFile != FILE_TEMP)
        Error("'" + szName + "' writes r# in ps.1.4, found '" + dest.szText + "'");
    if (szName == "texdepth")
    {
        if (dest.pRegister->eFile == FILE_TEMP && dest.dwNumber != 5)
            Error("'texdepth' writes r5, found '" + dest.szText + "'");
        return;
    }
    const bool bLoad = szName == "texld";
    if (bLoad ? dest.dwMask != 0xF : (dest.dwMask != 0xF && dest.dwMask != 0x7 && dest.dwMask != 0x3))
        Error("write mask of '" + dest.szText + "': '" + szName + "' writes " +
              (bLoad ? "all of r#" : ".rgb or .rg"));

    const Operand& src = inst.vSource[0];
    const RegisterFile eFile = src.pRegister->eFile;
    if (eFile != FILE_TEXTURE && !(bLoad && eFile == FILE_TEMP))
        Error("'" + szName + "' reads " + (bLoad ? "t# or r#" : "t#") + ", found '" + src.szText + "'");
    if (eFile == FILE_TEMP && m_iPhase == 1)
        Error("'" + szName + "' reads r# only in the second phase: '" + src.szText + "'");
    // .xyz (written or not) or .xyw; _dz divides by z (r# only), _dw by w (t# only).
    const bool bSwizzleOk =
        !src.bSwizzled || src.dwSwizzle == 0xE4 || src.dwSwizzle == 0xA4 || src.dwSwizzle == 0xF4;
    if (!bSwizzleOk)
        Error("'" + szName + "' reads its coordinates as .xyz or .xyw: '" + src.szText + "'");
    const bool bModifierOk = src.dwModifier == 0 || (src.dwModifier == 9 && bLoad && eFile == FILE_TEMP) ||
                             (src.dwModifier == 10 && eFile == FILE_TEXTURE);
    if (!bModifierOk)
        Error("'" + szName + "' takes no source modifier but _dz on r# (texld) and _dw on t#: '" +
              src.szText + "'");
}

void ShaderAssembler::ValidatePixelArithmetic(const Instruction& inst)
{
    const OpcodeInfo& op = *inst.pOp;
    const Operand& dest = inst.vDest[0];
    const bool b14 = m_iVersion >= 14;
    if (dest.pRegister->eFile != FILE_TEMP && (b14 || dest.pRegister->eFile != FILE_TEXTURE))
        Error("'" + dest.szText + "' cannot be written by arithmetic instructions in " + VersionName());
    if (!b14 && dest.dwMask != 0xF && dest.dwMask != 0x7 && dest.dwMask != 0x8)
        Error("write mask of '" + dest.szText + "': " + VersionName() + " writes .rgba, .rgb or .a");
    for (const Operand& src : inst.vSource)
    {
        // Replicated alpha everywhere, blue from ps.1.1 on, any one component in ps.1.4.
        const DWORD dw = src.dwSwizzle;
        const bool bReplicate = dw == 0x00 || dw == 0x55 || dw == 0xAA || dw == 0xFF;
        const bool bSwizzleOk = !src.bSwizzled || dw == 0xE4 || dw == 0xFF ||
                                (dw == 0xAA && m_iVersion >= 11) || (b14 && bReplicate);
        if (!bSwizzleOk)
            Error("swizzle of '" + src.szText + "': " + VersionName() + " takes " +
                  (b14                ? ".r, .g, .b or .a"
                   : m_iVersion >= 11 ? ".a or .b"
                                      : ".a") +
                  " only");
        if (src.dwModifier > (b14 ? 8u : 6u))
            Error(std::string("source modifier '") + SourceModifierName(src.dwModifier) + "' of '" +
                  src.szText + "' " + (b14 ? "belongs to texld and texcrd" : "needs ps.1.4"));
        if (b14 && src.pRegister->eFile == FILE_TEXTURE)
            Error("'" + src.szText + "': ps.1.4 reads t# only through texld and texcrd");
        if (b14 && src.pRegister->eFile == FILE_INPUT && m_iPhase == 1)
            Error("'" + src.szText + "': colour registers v# are read in the second phase only");
    }
    if (!b14 && std::strcmp(op.szName, "cnd") == 0)
    {
        const Operand& selector = inst.vSource[0];
        if (selector.pRegister->eFile != FILE_TEMP || selector.dwNumber != 0 || selector.dwSwizzle != 0xFF ||
            selector.dwModifier != 0)
            Error("'cnd' selects with r0.a in " + VersionName() + ", found '" + selector.szText + "'");
    }
    if (!b14 && std::strcmp(op.szName, "dp3") == 0 && dest.dwMask == 0x8)
        Error("'dp3' writes .rgb or .rgba in " + VersionName());
    if (std::strcmp(op.szName, "bem") == 0)
    {
        if (m_bSeenBem)
            Error("'bem' may appear once in a shader");
        m_bSeenBem = true;
        if (inst.bCoissue)
            Error("'bem' cannot be co-issued");
        if (m_iPhase != 1)
            Error("'bem' belongs to the first phase, before 'phase'");
        if (dest.dwMask != 0x3)
            Error("'bem' writes .rg, found '" + dest.szText + "'");
    }
}

DWORD ShaderAssembler::EncodeDest(const Instruction& inst, const Operand& op)
{
    return 0x80000000u | op.pRegister->dwType | (op.dwNumber & 0x7FF) | (op.dwMask << 16) |
           (inst.bSaturate ? static_cast<DWORD>(D3DSPDM_SATURATE) : 0u) |
           ((static_cast<DWORD>(inst.iShift) & 0xF) << D3DSP_DSTSHIFT_SHIFT);
}

DWORD ShaderAssembler::EncodeSource(const Operand& op)
{
    return 0x80000000u | op.pRegister->dwType | (op.dwNumber & 0x7FF) |
           (op.bRelative ? static_cast<DWORD>(D3DVS_ADDRMODE_RELATIVE) : 0u) |
           (op.dwSwizzle << D3DSP_SWIZZLE_SHIFT) | (op.dwModifier << D3DSP_SRCMOD_SHIFT);
}

void ShaderAssembler::Encode(AssembledShader* pOut) const
{
    pOut->vCode.clear();
    pOut->vConstants.clear();
    pOut->vCode.push_back(m_eKind == SHADER_VERTEX ? D3DVS_VERSION(1, m_iVersion - 10)
                                                   : D3DPS_VERSION(1, m_iVersion - 10));
    for (const Instruction& inst : m_vInstructions)
    {
        if (inst.pOp->eClass == CLASS_DEF && m_eKind == SHADER_VERTEX)
        {
            pOut->vConstants.push_back(D3DVSD_CONST(inst.vDest[0].dwNumber, 1));
            for (float f : inst.afValues)
                pOut->vConstants.push_back(FloatBits(f));
            continue;
        }
        pOut->vCode.push_back(inst.pOp->dwOpcode | (inst.bCoissue ? D3DSI_COISSUE : 0));
        for (const Operand& dest : inst.vDest)
            pOut->vCode.push_back(EncodeDest(inst, dest));
        if (inst.pOp->eClass == CLASS_DEF)
            for (float f : inst.afValues)
                pOut->vCode.push_back(FloatBits(f));
        for (const Operand& src : inst.vSource)
            pOut->vCode.push_back(EncodeSource(src));
    }
    pOut->vCode.push_back(D3DVS_END());
}
} // namespace d3dx8
