#include "qirn_test_support.h"

#include "qirn_debug.h"

#include <windows.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace qirn_test
{
namespace
{
std::string CurrentFolder()
{
    char szBuffer[MAX_PATH * 4] = {0};
    GetCurrentDirectoryA(sizeof(szBuffer), szBuffer);
    return szBuffer;
}

void RemoveTree(const std::string& szFolder)
{
    WIN32_FIND_DATAA data;
    HANDLE hFind = FindFirstFileA((szFolder + "\\*").c_str(), &data);
    if (hFind != INVALID_HANDLE_VALUE)
    {
        do
        {
            std::string szName = data.cFileName;
            if (szName == "." || szName == "..")
            {
                continue;
            }
            std::string szPath = szFolder + "\\" + szName;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            {
                RemoveTree(szPath);
            }
            else
            {
                SetFileAttributesA(szPath.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(szPath.c_str());
            }
        } while (FindNextFileA(hFind, &data));
        FindClose(hFind);
    }
    RemoveDirectoryA(szFolder.c_str());
}
} // namespace

ScopedTempDir::ScopedTempDir()
{
    static unsigned s_uCounter = 0;
    char szTemp[MAX_PATH] = {0};
    GetTempPathA(sizeof(szTemp), szTemp);
    for (;;)
    {
        char szName[64];
        snprintf(szName, sizeof(szName), "qirn_test_%lu_%u", GetCurrentProcessId(), ++s_uCounter);
        m_szPath = std::string(szTemp) + szName;
        if (CreateDirectoryA(m_szPath.c_str(), nullptr))
        {
            break;
        }
    }
    m_szPrevious = CurrentFolder();
    SetCurrentDirectoryA(m_szPath.c_str());
}

ScopedTempDir::~ScopedTempDir()
{
    SetCurrentDirectoryA(m_szPrevious.c_str());
    RemoveTree(m_szPath);
}

LogCapture::LogCapture()
{
    SetDebugLogSink(&LogCapture::Sink, this);
}

LogCapture::~LogCapture()
{
    SetDebugLogSink(nullptr, nullptr);
}

void LogCapture::Sink(const char* szText, void* pContext)
{
    static_cast<LogCapture*>(pContext)->m_vMessages.push_back(szText);
}

std::string LogCapture::All() const
{
    std::string szAll;
    for (const std::string& szMessage : m_vMessages)
    {
        szAll += szMessage;
    }
    return szAll;
}

bool LogCapture::Contains(const std::string& szText) const
{
    return All().find(szText) != std::string::npos;
}

size_t LogCapture::Count(const std::string& szText) const
{
    size_t nCount = 0;
    for (const std::string& szMessage : m_vMessages)
    {
        if (szMessage.find(szText) != std::string::npos)
        {
            ++nCount;
        }
    }
    return nCount;
}

void WriteFile(const std::string& szPath, const std::string& szContent)
{
    std::ofstream file(szPath, std::ios::binary | std::ios::trunc);
    file << szContent;
}

std::string ReadFile(const std::string& szPath)
{
    std::ifstream file(szPath, std::ios::binary);
    std::stringstream ss;
    ss << file.rdbuf();
    return ss.str();
}

bool FileExists(const std::string& szPath)
{
    return GetFileAttributesA(szPath.c_str()) != INVALID_FILE_ATTRIBUTES;
}
} // namespace qirn_test
