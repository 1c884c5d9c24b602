#pragma once
// The C-style preprocessing the era's shader files rely on: comments ("//", ";" and "/* */"),
// #define (with and without parameters), #undef, #include, #if/#ifdef/#ifndef/#elif/#else/#endif
// and #error. What it hands on is one line of text per source line that holds anything.

#include <map>
#include <string>
#include <vector>

namespace d3dx8
{
// One line after preprocessing, with where it came from for error messages.
struct SourceLine
{
    std::string szText;
    size_t uFile = 0;   // index into ShaderDiagnostics::FileName
    unsigned uLine = 0; // 1-based line in that file
};

// Collects the error lines of one assembly: "file(line) : error: text".
class ShaderDiagnostics
{
public:
    size_t AddFile(const std::string& szName);
    const std::string& FileName(size_t uFile) const { return m_vFiles[uFile]; }

    void Error(size_t uFile, unsigned uLine, const std::string& szText);
    size_t ErrorCount() const { return m_uErrors; }
    const std::string& Text() const { return m_szText; }

private:
    std::vector<std::string> m_vFiles;
    std::string m_szText;
    size_t m_uErrors = 0;
};

// The text without the blanks at either end; the assembler reads its lines with it too.
std::string Trim(const std::string& s);

// Evaluates an integer expression of #if and of constant indices: decimal, hex and octal numbers,
// parentheses, unary + - ! ~, * / %, + -, << >>, comparisons, & ^ |, && ||. False with a reason
// for anything else, a division by zero included.
bool EvaluateIntegerExpression(const std::string& szText, long long* pValue, std::string* pError);

class ShaderPreprocessor
{
public:
    explicit ShaderPreprocessor(ShaderDiagnostics& diagnostics) : m_diagnostics(diagnostics) {}

    // szName is the file name used in messages and as the base folder of #include ("" for a source in
    // memory, whose includes are looked up in the working folder). False when an error was reported.
    bool Run(const std::string& szText, const std::string& szName, std::vector<SourceLine>* pOut);

private:
    struct Macro
    {
        bool bFunction = false;
        std::vector<std::string> vParams;
        std::string szBody;
    };
    struct Condition
    {
        bool bParentActive = true;
        bool bActive = true;
        bool bTaken = false;
        bool bSeenElse = false;
        unsigned uLine = 0;
    };

    bool ProcessFile(const std::string& szText, size_t uFile, int iDepth, std::vector<SourceLine>* pOut);
    void Directive(const std::string& szLine, size_t uFile, unsigned uLine, int iDepth,
                   std::vector<Condition>* pConditions, std::vector<SourceLine>* pOut);
    void Define(const std::string& szRest, size_t uFile, unsigned uLine);
    void Include(const std::string& szRest, size_t uFile, unsigned uLine, int iDepth,
                 std::vector<SourceLine>* pOut);
    bool EvaluateCondition(const std::string& szExpr, size_t uFile, unsigned uLine);

    std::string Expand(const std::string& szText, std::vector<std::string>* pDisabled, int iDepth,
                       size_t uFile, unsigned uLine);
    bool ReadArguments(const std::string& szText, size_t* pPos, std::vector<std::string>* pArgs);

    ShaderDiagnostics& m_diagnostics;
    std::map<std::string, Macro> m_macros;
    bool m_bTooLong = false; // the line being expanded has been reported as too long
};
} // namespace d3dx8
