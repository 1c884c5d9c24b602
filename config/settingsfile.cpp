#include "settingsfile.h"

#include "afxlog.h"

#include <windows.h>

#include <string>

const char* const SETTINGS_FILE_NAME = ".\\qirn_v2.ini";

namespace
{
// The new settings are written here first and then moved over the settings file.
const char* const NEW_SETTINGS_FILE_NAME = ".\\qirn_v2.ini.new";

struct SettingsKey
{
    const char* szSection;
    const char* szKey;
    std::string szValue;
};

// Answers whether the settings file may be replaced: it is missing, or it can be opened for writing.
bool SettingsFileWritable()
{
    HANDLE hFile =
        CreateFileA(SETTINGS_FILE_NAME, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
    {
        DWORD dwError = GetLastError();
        if (dwError == ERROR_FILE_NOT_FOUND)
        {
            return true;
        }
        AfxLog("cannot write the settings file %s (error %lu)", SETTINGS_FILE_NAME, dwError);
        return false;
    }
    CloseHandle(hFile);
    return true;
}

// Makes an empty file for the new settings (any earlier one, and any copy the profile functions
// keep of it, is dropped).
bool StartNewSettingsFile()
{
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, NEW_SETTINGS_FILE_NAME);
    HANDLE hFile = CreateFileA(NEW_SETTINGS_FILE_NAME, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
    {
        AfxLog("cannot create %s (error %lu)", NEW_SETTINGS_FILE_NAME, GetLastError());
        return false;
    }
    CloseHandle(hFile);
    return true;
}

bool WriteKeys(const SettingsKey* pKeys, size_t nKeys)
{
    for (size_t i = 0; i < nKeys; ++i)
    {
        if (!WritePrivateProfileStringA(pKeys[i].szSection, pKeys[i].szKey, pKeys[i].szValue.c_str(),
                                        NEW_SETTINGS_FILE_NAME))
        {
            AfxLog("cannot write [%s] %s to %s (error %lu)", pKeys[i].szSection, pKeys[i].szKey,
                   NEW_SETTINGS_FILE_NAME, GetLastError());
            return false;
        }
    }
    // Nothing of the new file may stay only in the profile functions' memory.
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, NEW_SETTINGS_FILE_NAME);
    return true;
}
} // namespace

int WriteConfigFile(int nWidth, int nHeight, int nBitDepth, int nFrequency, int nAntiAliasing,
                    int nHighResTextures)
{
    if (nWidth == 0 || nHeight == 0 || nBitDepth == 0 || nFrequency == 0)
    {
        AfxLog("settings not written: width %d, height %d, bit depth %d and frequency %d must not be 0",
               nWidth, nHeight, nBitDepth, nFrequency);
        return 0;
    }

    const SettingsKey aKeys[] = {
        {"GFX MODE", "Width", std::to_string(nWidth)},
        {"GFX MODE", "Height", std::to_string(nHeight)},
        {"GFX MODE", "Bitdepth", std::to_string(nBitDepth)},
        {"GFX MODE", "Frequency", std::to_string(nFrequency)},
        {"GFX MODE", "AntiAliasing", std::to_string(nAntiAliasing)},
        {"GFX MODE", "UseHighResTextures", std::to_string(nHighResTextures)},
        {"PATHS", "EnginePath", "."},
        {"PATHS", "SystemPath", ".\\Data\\_System_"},
        {"PATHS", "FontPath", ".\\Data\\Fonts"},
        {"PATHS", "MeshPath", ".\\Data\\Models"},
        {"PATHS", "ScenePath", ".\\Data\\Scenes"},
        {"PATHS", "SoundPath", ".\\Data\\Sounds"},
        {"PATHS", "TexturePath", ".\\Data\\Textures"},
        {"PATHS", "ShaderPath", ".\\Data\\Shaders"},
    };

    // The settings file is replaced only by a complete new one, so a write that fails leaves the
    // viewer's earlier settings in place instead of an emptied file.
    if (!SettingsFileWritable() || !StartNewSettingsFile())
    {
        return 0;
    }
    if (!WriteKeys(aKeys, sizeof(aKeys) / sizeof(aKeys[0])))
    {
        DeleteFileA(NEW_SETTINGS_FILE_NAME);
        return 0;
    }
    if (!MoveFileExA(NEW_SETTINGS_FILE_NAME, SETTINGS_FILE_NAME,
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    {
        AfxLog("cannot replace the settings file %s (error %lu)", SETTINGS_FILE_NAME, GetLastError());
        DeleteFileA(NEW_SETTINGS_FILE_NAME);
        return 0;
    }
    // Readers of the settings file must see the new one, not a copy the profile functions kept.
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, SETTINGS_FILE_NAME);
    AfxLog("settings written to %s: %d x %d, %d bits, %d Hz, antialiasing %d, high-resolution textures %d",
           SETTINGS_FILE_NAME, nWidth, nHeight, nBitDepth, nFrequency, nAntiAliasing, nHighResTextures);
    return 1;
}
