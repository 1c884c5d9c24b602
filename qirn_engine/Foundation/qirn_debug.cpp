#include "qirn_debug.h"

#include "qirn_math.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace
{
const char* const TRUNCATION_WARNING =
    "\ndprintf() - Warning : The debug message was truncated because it exceeded the maximum string size\n";

bool g_bLogToFile = true;
bool g_bFirstMessage = true;
std::string g_strLogPath;
QIRN_DebugSink g_pfnSink = nullptr;
void* g_pSinkContext = nullptr;

void DebugOutput(const char* szText)
{
    OutputDebugStringA(szText);
    if (g_pfnSink)
    {
        g_pfnSink(szText, g_pSinkContext);
    }
}

// The current folder at any length (a fixed buffer would cut a deep working folder).
std::string CurrentFolder()
{
    DWORD dwSize = GetCurrentDirectoryA(0, nullptr);
    if (dwSize == 0)
    {
        return std::string();
    }
    std::string strFolder(dwSize, '\0');
    DWORD dwLength = GetCurrentDirectoryA(dwSize, &strFolder[0]);
    if (dwLength == 0 || dwLength >= dwSize)
    {
        return std::string();
    }
    strFolder.resize(dwLength);
    return strFolder;
}

void WriteToLogFile(const char* szText)
{
    FILE* pFile = nullptr;
    if (g_bFirstMessage)
    {
        g_strLogPath = CurrentFolder() + "\\debug.txt";
        g_bFirstMessage = false;
        pFile = fopen(g_strLogPath.c_str(), "wt");
    }
    else
    {
        pFile = fopen(g_strLogPath.c_str(), "at");
    }
    if (pFile)
    {
        fputs(szText, pFile);
        fclose(pFile);
    }
}
} // namespace

void dprintf(const char* szFormat, ...)
{
    if (!szFormat)
    {
        return;
    }
    // Room for the format plus ten characters per conversion plus a fixed margin.
    size_t nPercents = 0;
    size_t nLength = strlen(szFormat);
    for (size_t i = 1; i < nLength; ++i)
    {
        if (szFormat[i] == '%')
        {
            ++nPercents;
        }
    }
    size_t nSize = nLength + 10 * nPercents + 1025;
    char* szBuffer = static_cast<char*>(calloc(nSize, 1));
    if (!szBuffer)
    {
        return;
    }

    va_list args;
    va_start(args, szFormat);
    int iWritten = vsnprintf(szBuffer, nSize, szFormat, args);
    va_end(args);
    bool bTruncated = iWritten < 0 || static_cast<size_t>(iWritten) >= nSize;

    DebugOutput(szBuffer);
    if (bTruncated)
    {
        DebugOutput(TRUNCATION_WARNING);
    }
    if (g_bLogToFile)
    {
        WriteToLogFile(szBuffer);
    }
    free(szBuffer);
}

void SetDebugLogToFile(bool bOn)
{
    g_bLogToFile = bOn;
}

void SetDebugLogSink(QIRN_DebugSink pfnSink, void* pContext)
{
    g_pfnSink = pfnSink;
    g_pSinkContext = pContext;
}

uint32_t FloatBitsToDword(float f)
{
    uint32_t dw = 0;
    memcpy(&dw, &f, sizeof(dw));
    return dw;
}

namespace
{
float ClampColorComponent(float f)
{
    if (!(f >= 0.0f))
    {
        return 0.0f;
    }
    return f > 255.0f ? 255.0f : f;
}
} // namespace

void ClampColor(QIRN_Vector4* pColor)
{
    if (!pColor)
    {
        return;
    }
    pColor->x = ClampColorComponent(pColor->x);
    pColor->y = ClampColorComponent(pColor->y);
    pColor->z = ClampColorComponent(pColor->z);
    pColor->w = ClampColorComponent(pColor->w);
}
