#include "afxlog.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

const char* AfxGetAppName()
{
    static char s_szName[MAX_PATH] = "";
    if (!s_szName[0])
    {
        char szPath[MAX_PATH] = "";
        GetModuleFileNameA(nullptr, szPath, sizeof(szPath));
        const char* pStart = strrchr(szPath, '\\');
        pStart = pStart ? pStart + 1 : szPath;
        snprintf(s_szName, sizeof(s_szName), "%s", pStart);
        char* pDot = strrchr(s_szName, '.');
        if (pDot)
        {
            *pDot = '\0';
        }
    }
    return s_szName;
}

void AfxLog(const char* szFormat, ...)
{
    char szLine[1024];
    int nPrefix = snprintf(szLine, sizeof(szLine), "%s: ", AfxGetAppName());
    if (nPrefix < 0 || nPrefix >= static_cast<int>(sizeof(szLine)) - 2)
    {
        nPrefix = 0;
    }
    va_list args;
    va_start(args, szFormat);
    vsnprintf(szLine + nPrefix, sizeof(szLine) - nPrefix - 1, szFormat, args);
    va_end(args);
    strcat(szLine, "\n");
    OutputDebugStringA(szLine);
}
