#include "shader_preprocessor.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace d3dx8
{
namespace
{
// A self-including file or a runaway macro stops here instead of exhausting the stack.
const int MAX_INCLUDE_DEPTH = 16;
const int MAX_EXPANSION_DEPTH = 64;
const int MAX_EXPRESSION_NESTING = 256;
// Macros that double their text at each level would otherwise fill memory.
const size_t MAX_EXPANDED_LENGTH = 65536;
const size_t MAX_ERRORS = 100;

bool IsIdentStart(char c)
{
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}

bool IsIdentChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// Reads an identifier at *pPos (skipping blanks first); empty when there is none.
std::string ReadIdentifier(const std::string& s, size_t* pPos)
{
    size_t i = *pPos;
    while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i])))
        ++i;
    if (i >= s.size() || !IsIdentStart(s[i]))
        return std::string();
    size_t b = i;
    while (i < s.size() && IsIdentChar(s[i]))
        ++i;
    *pPos = i;
    return s.substr(b, i - b);
}

// Splits into physical lines; a backslash at the end of a line joins the next one to it.
struct RawLine
{
    std::string szText;
    unsigned uLine;
};

std::vector<RawLine> SplitLines(const std::string& szText)
{
    std::vector<RawLine> vLines;
    std::string szCurrent;
    unsigned uLine = 1;
    unsigned uStart = 1;
    bool bJoin = false;
    for (size_t i = 0; i <= szText.size(); ++i)
    {
        const bool bEnd = i == szText.size();
        const char c = bEnd ? '\n' : szText[i];
        if (c != '\n' && c != '\r')
        {
            szCurrent += c;
            continue;
        }
        if (c == '\r' && i + 1 < szText.size() && szText[i + 1] == '\n')
            ++i;
        if (!bJoin)
            uStart = uLine;
        bJoin = !szCurrent.empty() && szCurrent.back() == '\\' && !bEnd;
        if (bJoin)
            szCurrent.pop_back();
        else
        {
            vLines.push_back({szCurrent, uStart});
            szCurrent.clear();
        }
        ++uLine;
    }
    return vLines;
}

// Integer expression parser over a small token list.
class ExpressionParser
{
public:
    explicit ExpressionParser(const std::string& szText) : m_szText(szText) {}

    bool Parse(long long* pValue, std::string* pError)
    {
        long long v = 0;
        if (!Binary(0, &v))
        {
            *pError = m_szError.empty() ? "bad expression '" + Trim(m_szText) + "'" : m_szError;
            return false;
        }
        SkipBlanks();
        if (m_uPos != m_szText.size())
        {
            *pError = "unexpected '" + m_szText.substr(m_uPos) + "' in expression";
            return false;
        }
        *pValue = v;
        return true;
    }

private:
    void SkipBlanks()
    {
        while (m_uPos < m_szText.size() && std::isspace(static_cast<unsigned char>(m_szText[m_uPos])))
            ++m_uPos;
    }

    bool Accept(const char* szOp)
    {
        SkipBlanks();
        const size_t n = strlen(szOp);
        if (m_szText.compare(m_uPos, n, szOp) != 0)
            return false;
        // "<" must not take the first half of "<<" or "<=", "&" that of "&&", and so on.
        if (n == 1 && m_uPos + 1 < m_szText.size())
        {
            const char next = m_szText[m_uPos + 1];
            const char c = szOp[0];
            if ((c == '<' || c == '>') && (next == c || next == '='))
                return false;
            if ((c == '&' || c == '|') && next == c)
                return false;
            if ((c == '!' || c == '=') && next == '=')
                return false;
        }
        m_uPos += n;
        return true;
    }

    // Binary operators by precedence level, lowest first.
    bool Binary(int iLevel, long long* pValue)
    {
        static const char* const s_aaszLevels[][5] = {
            {"||", nullptr},
            {"&&", nullptr},
            {"|", nullptr},
            {"^", nullptr},
            {"&", nullptr},
            {"==", "!=", nullptr},
            {"<=", ">=", "<", ">", nullptr},
            {"<<", ">>", nullptr},
            {"+", "-", nullptr},
            {"*", "/", "%", nullptr},
        };
        const int iLevels = static_cast<int>(sizeof(s_aaszLevels) / sizeof(s_aaszLevels[0]));
        if (iLevel == iLevels)
            return Unary(pValue);
        if (!Binary(iLevel + 1, pValue))
            return false;
        for (;;)
        {
            const char* szOp = nullptr;
            for (int i = 0; s_aaszLevels[iLevel][i]; ++i)
                if (Accept(s_aaszLevels[iLevel][i]))
                {
                    szOp = s_aaszLevels[iLevel][i];
                    break;
                }
            if (!szOp)
                return true;
            long long r = 0;
            if (!Binary(iLevel + 1, &r))
                return false;
            if (!Apply(szOp, pValue, r))
                return false;
        }
    }

    bool Apply(const std::string& op, long long* l, long long r)
    {
        if ((op == "/" || op == "%") && r == 0)
        {
            m_szError = "division by zero in expression";
            return false;
        }
        if (op == "||")
            *l = (*l || r) ? 1 : 0;
        else if (op == "&&")
            *l = (*l && r) ? 1 : 0;
        else if (op == "|")
            *l |= r;
        else if (op == "^")
            *l ^= r;
        else if (op == "&")
            *l &= r;
        else if (op == "==")
            *l = *l == r;
        else if (op == "!=")
            *l = *l != r;
        else if (op == "<=")
            *l = *l <= r;
        else if (op == ">=")
            *l = *l >= r;
        else if (op == "<")
            *l = *l < r;
        else if (op == ">")
            *l = *l > r;
        else if (op == "<<")
            *l = (r >= 0 && r < 63) ? (*l << r) : 0;
        else if (op == ">>")
            *l = (r >= 0 && r < 63) ? (*l >> r) : 0;
        else if (op == "+")
            *l += r;
        else if (op == "-")
            *l -= r;
        else if (op == "*")
            *l *= r;
        else if (op == "/")
            *l /= r;
        else if (op == "%")
            *l %= r;
        return true;
    }

    bool Unary(long long* pValue)
    {
        if (Accept("-"))
        {
            if (!Unary(pValue))
                return false;
            *pValue = -*pValue;
            return true;
        }
        if (Accept("+"))
            return Unary(pValue);
        if (Accept("!"))
        {
            if (!Unary(pValue))
                return false;
            *pValue = !*pValue;
            return true;
        }
        if (Accept("~"))
        {
            if (!Unary(pValue))
                return false;
            *pValue = ~*pValue;
            return true;
        }
        if (Accept("("))
        {
            if (++m_iNesting > MAX_EXPRESSION_NESTING)
            {
                m_szError = "parentheses nested too deeply in expression";
                return false;
            }
            if (!Binary(0, pValue))
                return false;
            --m_iNesting;
            if (!Accept(")"))
            {
                m_szError = "missing ')' in expression";
                return false;
            }
            return true;
        }
        return Number(pValue);
    }

    bool Number(long long* pValue)
    {
        SkipBlanks();
        size_t e = m_uPos;
        while (e < m_szText.size() && IsIdentChar(m_szText[e]))
            ++e;
        std::string szDigits = m_szText.substr(m_uPos, e - m_uPos);
        // C suffixes: 10u, 10L.
        while (!szDigits.empty() && std::strchr("uUlL", szDigits.back()))
            szDigits.pop_back();
        if (szDigits.empty() || !std::isdigit(static_cast<unsigned char>(szDigits[0])))
            return false;
        char* pEnd = nullptr;
        errno = 0;
        *pValue = std::strtoll(szDigits.c_str(), &pEnd, 0);
        if (*pEnd != '\0')
        {
            m_szError = "bad number '" + szDigits + "'";
            return false;
        }
        // A number too large for the evaluator would silently become its largest value.
        if (errno == ERANGE)
        {
            m_szError = "number '" + szDigits + "' is out of range";
            return false;
        }
        m_uPos = e;
        return true;
    }

    const std::string& m_szText;
    size_t m_uPos = 0;
    int m_iNesting = 0;
    std::string m_szError;
};

bool ReadWholeFile(const std::string& szPath, std::string* pText)
{
    std::ifstream in(szPath.c_str(), std::ios::binary);
    if (!in)
        return false;
    std::ostringstream ss;
    ss << in.rdbuf();
    *pText = ss.str();
    return true;
}

std::string FolderOf(const std::string& szPath)
{
    const size_t p = szPath.find_last_of("\\/");
    return p == std::string::npos ? std::string() : szPath.substr(0, p + 1);
}

bool IsAbsolute(const std::string& szPath)
{
    return (!szPath.empty() && (szPath[0] == '\\' || szPath[0] == '/')) ||
           (szPath.size() > 1 && szPath[1] == ':');
}
} // namespace

size_t ShaderDiagnostics::AddFile(const std::string& szName)
{
    m_vFiles.push_back(szName);
    return m_vFiles.size() - 1;
}

void ShaderDiagnostics::Error(size_t uFile, unsigned uLine, const std::string& szText)
{
    ++m_uErrors;
    if (m_uErrors > MAX_ERRORS)
        return;
    std::ostringstream ss;
    ss << FileName(uFile) << "(" << uLine << ") : error: " << szText << "\n";
    if (m_uErrors == MAX_ERRORS)
        ss << FileName(uFile) << "(" << uLine << ") : error: too many errors, giving up\n";
    m_szText += ss.str();
}

std::string Trim(const std::string& s)
{
    size_t b = 0;
    size_t e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b])))
        ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1])))
        --e;
    return s.substr(b, e - b);
}

bool EvaluateIntegerExpression(const std::string& szText, long long* pValue, std::string* pError)
{
    ExpressionParser parser(szText);
    return parser.Parse(pValue, pError);
}

bool ShaderPreprocessor::Run(const std::string& szText, const std::string& szName,
                             std::vector<SourceLine>* pOut)
{
    const size_t uErrorsBefore = m_diagnostics.ErrorCount();
    const size_t uFile = m_diagnostics.AddFile(szName.empty() ? std::string("(memory)") : szName);
    ProcessFile(szText, uFile, 0, pOut);
    return m_diagnostics.ErrorCount() == uErrorsBefore;
}

bool ShaderPreprocessor::ProcessFile(const std::string& szText, size_t uFile, int iDepth,
                                     std::vector<SourceLine>* pOut)
{
    std::vector<Condition> vConditions;
    bool bInBlockComment = false;
    unsigned uCommentLine = 0;
    for (const RawLine& raw : SplitLines(szText))
    {
        // Comments first, so that a commented-out directive is no directive.
        std::string szLine;
        const std::string& s = raw.szText;
        for (size_t i = 0; i < s.size(); ++i)
        {
            if (bInBlockComment)
            {
                if (s.compare(i, 2, "*/") == 0)
                {
                    bInBlockComment = false;
                    ++i;
                    szLine += ' ';
                }
                continue;
            }
            if (s.compare(i, 2, "/*") == 0)
            {
                bInBlockComment = true;
                uCommentLine = raw.uLine;
                ++i;
                continue;
            }
            if (s.compare(i, 2, "//") == 0 || s[i] == ';')
                break;
            szLine += s[i];
        }
        szLine = Trim(szLine);
        if (szLine.empty())
            continue;
        if (szLine[0] == '#')
        {
            Directive(szLine, uFile, raw.uLine, iDepth, &vConditions, pOut);
            continue;
        }
        if (!vConditions.empty() && !vConditions.back().bActive)
            continue;
        std::vector<std::string> vDisabled;
        const std::string szExpanded = Trim(Expand(szLine, &vDisabled, 0, uFile, raw.uLine));
        if (!szExpanded.empty())
            pOut->push_back({szExpanded, uFile, raw.uLine});
    }
    if (bInBlockComment)
        m_diagnostics.Error(uFile, uCommentLine, "comment started with '/*' is not closed");
    for (const Condition& c : vConditions)
        m_diagnostics.Error(uFile, c.uLine, "#if without #endif");
    return true;
}

void ShaderPreprocessor::Directive(const std::string& szLine, size_t uFile, unsigned uLine, int iDepth,
                                   std::vector<Condition>* pConditions, std::vector<SourceLine>* pOut)
{
    size_t uPos = 1;
    std::string szName = ReadIdentifier(szLine, &uPos);
    const std::string szRest = Trim(szLine.substr(uPos));
    const bool bActive = pConditions->empty() || pConditions->back().bActive;

    if (szName == "if" || szName == "ifdef" || szName == "ifndef")
    {
        Condition c;
        c.bParentActive = bActive;
        c.uLine = uLine;
        bool bTrue = false;
        if (bActive)
        {
            if (szName == "if")
                bTrue = EvaluateCondition(szRest, uFile, uLine);
            else
            {
                size_t p = 0;
                const std::string szMacro = ReadIdentifier(szRest, &p);
                if (szMacro.empty())
                    m_diagnostics.Error(uFile, uLine, "#" + szName + " needs a macro name");
                const bool bDefined = m_macros.count(szMacro) != 0;
                bTrue = szName == "ifdef" ? bDefined : !bDefined;
            }
        }
        c.bActive = bActive && bTrue;
        c.bTaken = c.bActive;
        pConditions->push_back(c);
        return;
    }
    if (szName == "elif" || szName == "else" || szName == "endif")
    {
        if (pConditions->empty())
        {
            m_diagnostics.Error(uFile, uLine, "#" + szName + " without #if");
            return;
        }
        Condition& c = pConditions->back();
        if (szName == "endif")
        {
            pConditions->pop_back();
            return;
        }
        if (c.bSeenElse)
        {
            m_diagnostics.Error(uFile, uLine, "#" + szName + " after #else");
            return;
        }
        if (szName == "else")
        {
            c.bSeenElse = true;
            c.bActive = c.bParentActive && !c.bTaken;
        }
        else
            c.bActive = c.bParentActive && !c.bTaken && EvaluateCondition(szRest, uFile, uLine);
        c.bTaken = c.bTaken || c.bActive;
        return;
    }
    if (!bActive)
        return;

    if (szName == "define")
        Define(szRest, uFile, uLine);
    else if (szName == "undef")
    {
        size_t p = 0;
        m_macros.erase(ReadIdentifier(szRest, &p));
    }
    else if (szName == "include")
        Include(szRest, uFile, uLine, iDepth, pOut);
    else if (szName == "error")
        m_diagnostics.Error(uFile, uLine, "#error " + szRest);
    else if (szName == "pragma" || szName == "line" || (szName.empty() && szRest.empty()))
    {
        // Nothing to do for these.
    }
    else
        m_diagnostics.Error(uFile, uLine, "unknown preprocessor directive '" + szLine + "'");
}

void ShaderPreprocessor::Define(const std::string& szRest, size_t uFile, unsigned uLine)
{
    size_t uPos = 0;
    const std::string szName = ReadIdentifier(szRest, &uPos);
    if (szName.empty())
    {
        m_diagnostics.Error(uFile, uLine, "#define needs a macro name");
        return;
    }
    Macro macro;
    // A parameter list only when "(" follows the name at once, as in C.
    if (uPos < szRest.size() && szRest[uPos] == '(')
    {
        macro.bFunction = true;
        const size_t uClose = szRest.find(')', uPos);
        if (uClose == std::string::npos)
        {
            m_diagnostics.Error(uFile, uLine, "missing ')' in the parameters of macro '" + szName + "'");
            return;
        }
        std::string szParams = szRest.substr(uPos + 1, uClose - uPos - 1);
        std::stringstream ss(szParams);
        std::string szParam;
        while (std::getline(ss, szParam, ','))
        {
            szParam = Trim(szParam);
            size_t p = 0;
            if (ReadIdentifier(szParam, &p) != szParam || szParam.empty())
            {
                if (!(szParam.empty() && macro.vParams.empty() && Trim(szParams).empty()))
                    m_diagnostics.Error(uFile, uLine,
                                        "bad parameter '" + szParam + "' of macro '" + szName + "'");
                continue;
            }
            macro.vParams.push_back(szParam);
        }
        uPos = uClose + 1;
    }
    macro.szBody = Trim(szRest.substr(uPos));
    m_macros[szName] = macro;
}

void ShaderPreprocessor::Include(const std::string& szRest, size_t uFile, unsigned uLine, int iDepth,
                                 std::vector<SourceLine>* pOut)
{
    std::string szOperand = szRest;
    if (!szOperand.empty() && szOperand[0] != '"' && szOperand[0] != '<')
    {
        std::vector<std::string> vDisabled;
        szOperand = Trim(Expand(szOperand, &vDisabled, 0, uFile, uLine));
    }
    const char cClose = !szOperand.empty() && szOperand[0] == '<' ? '>' : '"';
    const size_t uEnd = szOperand.size() > 1 ? szOperand.find(cClose, 1) : std::string::npos;
    if (szOperand.empty() || (szOperand[0] != '"' && szOperand[0] != '<') || uEnd == std::string::npos ||
        uEnd == 1)
    {
        m_diagnostics.Error(uFile, uLine, "#include needs a file name in \"\" or <>");
        return;
    }
    const std::string szName = szOperand.substr(1, uEnd - 1);
    if (iDepth + 1 > MAX_INCLUDE_DEPTH)
    {
        m_diagnostics.Error(uFile, uLine,
                            "#include nested too deeply at '" + szName + "' (does a file include itself?)");
        return;
    }
    std::vector<std::string> vCandidates;
    if (!IsAbsolute(szName))
    {
        // The including file's own folder first; a source in memory has none.
        const std::string szFolder = FolderOf(m_diagnostics.FileName(uFile));
        if (!szFolder.empty())
            vCandidates.push_back(szFolder + szName);
    }
    vCandidates.push_back(szName);
    std::string szText;
    for (const std::string& szPath : vCandidates)
    {
        if (!ReadWholeFile(szPath, &szText))
            continue;
        const size_t uIncluded = m_diagnostics.AddFile(szPath);
        ProcessFile(szText, uIncluded, iDepth + 1, pOut);
        return;
    }
    m_diagnostics.Error(uFile, uLine, "cannot open include file '" + szName + "'");
}

bool ShaderPreprocessor::EvaluateCondition(const std::string& szExpr, size_t uFile, unsigned uLine)
{
    // "defined X" and "defined(X)" are answered before any expansion.
    std::string szResolved;
    size_t i = 0;
    while (i < szExpr.size())
    {
        if (!IsIdentStart(szExpr[i]))
        {
            szResolved += szExpr[i++];
            continue;
        }
        size_t p = i;
        const std::string szWord = ReadIdentifier(szExpr, &p);
        if (szWord != "defined")
        {
            szResolved += szWord;
            i = p;
            continue;
        }
        size_t q = p;
        while (q < szExpr.size() && std::isspace(static_cast<unsigned char>(szExpr[q])))
            ++q;
        const bool bParen = q < szExpr.size() && szExpr[q] == '(';
        if (bParen)
            ++q;
        const std::string szMacro = ReadIdentifier(szExpr, &q);
        while (bParen && q < szExpr.size() && std::isspace(static_cast<unsigned char>(szExpr[q])))
            ++q;
        if (szMacro.empty() || (bParen && (q >= szExpr.size() || szExpr[q] != ')')))
        {
            m_diagnostics.Error(uFile, uLine, "bad use of 'defined' in '" + szExpr + "'");
            return false;
        }
        if (bParen)
            ++q;
        szResolved += m_macros.count(szMacro) ? " 1 " : " 0 ";
        i = q;
    }
    std::vector<std::string> vDisabled;
    const std::string szExpanded = Expand(szResolved, &vDisabled, 0, uFile, uLine);
    // Names that are still there after expansion count as 0, as in C.
    std::string szNumeric;
    for (size_t k = 0; k < szExpanded.size();)
    {
        if (IsIdentStart(szExpanded[k]))
        {
            ReadIdentifier(szExpanded, &k);
            szNumeric += " 0 ";
            continue;
        }
        if (std::isdigit(static_cast<unsigned char>(szExpanded[k])))
        {
            while (k < szExpanded.size() && IsIdentChar(szExpanded[k]))
                szNumeric += szExpanded[k++];
            continue;
        }
        szNumeric += szExpanded[k++];
    }
    long long value = 0;
    std::string szError;
    if (Trim(szNumeric).empty() || !EvaluateIntegerExpression(szNumeric, &value, &szError))
    {
        m_diagnostics.Error(uFile, uLine, Trim(szNumeric).empty() ? "#if needs an expression" : szError);
        return false;
    }
    return value != 0;
}

bool ShaderPreprocessor::ReadArguments(const std::string& szText, size_t* pPos,
                                       std::vector<std::string>* pArgs)
{
    size_t i = *pPos;
    while (i < szText.size() && std::isspace(static_cast<unsigned char>(szText[i])))
        ++i;
    if (i >= szText.size() || szText[i] != '(')
        return false;
    int iNesting = 0;
    std::string szArg;
    for (++i; i < szText.size(); ++i)
    {
        const char c = szText[i];
        if (c == '(')
            ++iNesting;
        else if (c == ')' && iNesting-- == 0)
        {
            pArgs->push_back(Trim(szArg));
            *pPos = i + 1;
            return true;
        }
        else if (c == ',' && iNesting == 0)
        {
            pArgs->push_back(Trim(szArg));
            szArg.clear();
            continue;
        }
        szArg += c;
    }
    return false;
}

std::string ShaderPreprocessor::Expand(const std::string& szText, std::vector<std::string>* pDisabled,
                                       int iDepth, size_t uFile, unsigned uLine)
{
    if (iDepth == 0)
        m_bTooLong = false;
    if (m_bTooLong)
        return std::string();
    if (iDepth > MAX_EXPANSION_DEPTH)
    {
        m_diagnostics.Error(uFile, uLine, "macro expansion nested too deeply");
        return szText;
    }
    std::string szOut;
    size_t i = 0;
    while (i < szText.size())
    {
        if (m_bTooLong)
            return std::string();
        if (szOut.size() > MAX_EXPANDED_LENGTH)
        {
            m_diagnostics.Error(uFile, uLine, "macro expansion longer than 65536 characters");
            m_bTooLong = true;
            return std::string();
        }
        const char c = szText[i];
        // Numbers such as "1.0f" or "0x1F" are copied whole so their letters are not taken for names.
        if (std::isdigit(static_cast<unsigned char>(c)))
        {
            while (i < szText.size() && (IsIdentChar(szText[i]) || szText[i] == '.'))
                szOut += szText[i++];
            continue;
        }
        if (!IsIdentStart(c))
        {
            szOut += c;
            ++i;
            continue;
        }
        size_t p = i;
        const std::string szWord = ReadIdentifier(szText, &p);
        auto it = m_macros.find(szWord);
        if (it == m_macros.end() ||
            std::find(pDisabled->begin(), pDisabled->end(), szWord) != pDisabled->end())
        {
            szOut += szWord;
            i = p;
            continue;
        }
        const Macro& macro = it->second;
        std::string szBody = macro.szBody;
        if (macro.bFunction)
        {
            std::vector<std::string> vArgs;
            size_t q = p;
            if (!ReadArguments(szText, &q, &vArgs))
            {
                // A function-like macro's name without arguments is left alone, as in C.
                szOut += szWord;
                i = p;
                continue;
            }
            if (vArgs.size() == 1 && vArgs[0].empty() && macro.vParams.empty())
                vArgs.clear();
            if (vArgs.size() != macro.vParams.size())
            {
                m_diagnostics.Error(uFile, uLine,
                                    "macro '" + szWord + "' needs " + std::to_string(macro.vParams.size()) +
                                        " arguments");
                szOut += szWord;
                i = q;
                continue;
            }
            // Arguments are expanded first, then put in place of the parameters.
            std::string szSubstituted;
            for (size_t k = 0; k < szBody.size();)
            {
                if (!IsIdentStart(szBody[k]))
                {
                    szSubstituted += szBody[k++];
                    continue;
                }
                const std::string szParam = ReadIdentifier(szBody, &k);
                auto found = std::find(macro.vParams.begin(), macro.vParams.end(), szParam);
                if (found == macro.vParams.end())
                    szSubstituted += szParam;
                else
                    szSubstituted +=
                        Expand(vArgs[found - macro.vParams.begin()], pDisabled, iDepth + 1, uFile, uLine);
            }
            szBody = szSubstituted;
            p = q;
        }
        pDisabled->push_back(szWord);
        szOut += Expand(szBody, pDisabled, iDepth + 1, uFile, uLine);
        pDisabled->pop_back();
        i = p;
    }
    return szOut;
}
} // namespace d3dx8
