#include "qirn_settings.h"

#include "qirn_debug.h"
#include "qirn_string.h"

#include <windows.h>

#include <cstdio>

namespace
{
std::string g_szIniFileName;
std::string g_szEnginePath;

std::string RemoveTrailingBackslash(std::string szPath)
{
    if (!szPath.empty() && szPath.back() == '\\')
    {
        szPath.pop_back();
    }
    return szPath;
}

// The file name part: everything after the last backslash.
size_t FileNameStart(const std::string& szPath)
{
    size_t nSlash = szPath.rfind('\\');
    return nSlash == std::string::npos ? 0 : nSlash + 1;
}

// Folder keys by file extension, searched after the name's own folder and the system folder.
struct QIRN_FileKind
{
    const char* szExtension;
    const char* szPathKey;
};

const QIRN_FileKind FILE_KINDS[] = {
    {"anim", "AnimationPath"}, {"cpa", "LipSyncPath"}, {"txt", "LipSyncPath"},  {"sync", "LipSyncPath"},
    {"dmk", "DigiMaskPath"},   {"s", "ScenePath"},     {"w", "ScenePath"},      {"oct", "ScenePath"},
    {"uvdata", "FontPath"},    {"wav", "SoundPath"},   {"wma", "SoundPath"},    {"x", "MeshPath"},
    {"vsh", "ShaderPath"},     {"psh", "ShaderPath"},
};

bool IsImageExtension(const std::string& szExtension)
{
    return szExtension == "bmp" || szExtension == "tga" || szExtension == "png";
}

std::string FindInFolder(const std::string& szPathKey, const std::string& szFile)
{
    std::string szCandidate = QIRN_GetPath(szPathKey) + "\\" + szFile;
    return QIRN_FileExists(szCandidate) ? szCandidate : std::string();
}
} // namespace

bool QIRN_FileExists(std::string szPath)
{
    if (szPath.empty())
    {
        return false;
    }
    FILE* pFile = fopen(szPath.c_str(), "rt");
    if (!pFile)
    {
        return false;
    }
    fclose(pFile);
    return true;
}

bool QIRN_IsAbsolutePath(std::string szPath)
{
    if (szPath.size() >= 2 && szPath[1] == ':')
    {
        return true;
    }
    return szPath.size() >= 2 && szPath[0] == '\\' && szPath[1] == '\\';
}

std::string QIRN_IniFileName(std::string szNewPath)
{
    if (!szNewPath.empty())
    {
        g_szIniFileName = szNewPath;
    }
    return g_szIniFileName;
}

std::string QIRN_EnginePath(std::string szNewPath)
{
    if (!szNewPath.empty())
    {
        g_szEnginePath = szNewPath;
    }
    return g_szEnginePath;
}

void QIRN_InitEnginePath(std::string szIniFile)
{
    QIRN_IniFileName(szIniFile);
    std::string szRoot = QIRN_GetIniString("paths", "EnginePath", "");
    if (szRoot.empty())
    {
        // Any length of current folder: a deep working folder still gives the right root.
        DWORD dwSize = GetCurrentDirectoryA(0, nullptr);
        if (dwSize > 0)
        {
            std::string szFolder(dwSize, '\0');
            DWORD dwLength = GetCurrentDirectoryA(dwSize, &szFolder[0]);
            if (dwLength > 0 && dwLength < dwSize)
            {
                szRoot.assign(szFolder.c_str(), dwLength);
            }
        }
    }
    // Set directly rather than through QIRN_EnginePath, so that an empty root replaces an old one.
    g_szEnginePath = RemoveTrailingBackslash(szRoot);
}

std::string QIRN_GetIniString(std::string szSection, std::string szKey, std::string szDefault)
{
    char szBuffer[256] = {0};
    GetPrivateProfileStringA(szSection.c_str(), szKey.c_str(), szDefault.c_str(), szBuffer, sizeof(szBuffer),
                             QIRN_IniFileName().c_str());
    QIRN_String szValue(szBuffer);
    size_t nComment = szValue.find(';');
    if (nComment != std::string::npos)
    {
        szValue.erase(nComment);
    }
    szValue.Trim(' ');
    return szValue;
}

int QIRN_GetIniInt(std::string szSection, std::string szKey, int iDefault)
{
    return static_cast<int>(
        GetPrivateProfileIntA(szSection.c_str(), szKey.c_str(), iDefault, QIRN_IniFileName().c_str()));
}

std::string QIRN_GetPath(std::string szKey)
{
    std::string szPath = QIRN_GetIniString("paths", szKey, "");
    if (!QIRN_IsAbsolutePath(szPath))
    {
        if (!szPath.empty() && szPath[0] == '\\')
        {
            szPath.erase(0, 1);
        }
        szPath = QIRN_EnginePath() + "\\" + szPath;
    }
    return RemoveTrailingBackslash(szPath);
}

std::string QIRN_GetFileDirectory(std::string szPath)
{
    size_t nSlash = szPath.rfind('\\');
    if (nSlash == std::string::npos)
    {
        return std::string();
    }
    return QIRN_String(szPath.substr(0, nSlash)).MakeLower();
}

std::string QIRN_GetFileTitle(std::string szPath)
{
    size_t nStart = FileNameStart(szPath);
    size_t nDot = szPath.rfind('.');
    // A dot in a folder name does not split the file name.
    if (nDot == std::string::npos || nDot < nStart)
    {
        return szPath.substr(nStart);
    }
    return szPath.substr(nStart, nDot - nStart);
}

std::string QIRN_GetFileExtension(std::string szPath)
{
    size_t nStart = FileNameStart(szPath);
    size_t nDot = szPath.rfind('.');
    // A dot in a folder name is no extension.
    if (nDot == std::string::npos || nDot < nStart)
    {
        return std::string();
    }
    return QIRN_String(szPath.substr(nDot + 1)).MakeLower();
}

std::string QIRN_FindFile(std::string szName, std::string szDefaultExtension)
{
    std::string szDirectory = QIRN_GetFileDirectory(szName);
    std::string szTitle = QIRN_GetFileTitle(szName);
    std::string szExtension = QIRN_GetFileExtension(szName);

    if (szTitle.empty())
    {
        dprintf("*** QIRN_FindFile(): Unable to find file: \"%s\"\n", szName.c_str());
        return std::string();
    }
    if (szExtension.empty())
    {
        if (szDefaultExtension.empty())
        {
            dprintf("*** QIRN_FindFile(): Unable to find file: \"%s\"\n", szName.c_str());
            return std::string();
        }
        szExtension = szDefaultExtension;
    }
    std::string szFile = szTitle + "." + szExtension;

    if (!szDirectory.empty())
    {
        std::string szCandidate = szDirectory + "\\" + szFile;
        if (QIRN_FileExists(szCandidate))
        {
            return szCandidate;
        }
    }
    std::string szFound = FindInFolder("SystemPath", szFile);
    if (!szFound.empty())
    {
        return szFound;
    }

    if (IsImageExtension(szExtension))
    {
        szFound = FindInFolder("TexturePath", szFile);
        return szFound.empty() ? FindInFolder("FontPath", szFile) : szFound;
    }
    for (const QIRN_FileKind& kind : FILE_KINDS)
    {
        if (szExtension == kind.szExtension)
        {
            szFound = FindInFolder(kind.szPathKey, szFile);
            break;
        }
    }
    if (szFound.empty())
    {
        dprintf("*** QIRN_FindFile(): Unable to find file: \"%s\"\n", szName.c_str());
    }
    return szFound;
}
