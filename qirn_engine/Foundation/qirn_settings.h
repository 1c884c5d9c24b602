#pragma once
// The settings file (Windows profile format) and the search for data files. Folder values of
// [PATHS] are taken relative to the engine root unless absolute ("X:..." or "\\...").

#include <string>

bool QIRN_FileExists(std::string szPath);
bool QIRN_IsAbsolutePath(std::string szPath);

// Sets the settings-file path and the engine root ([PATHS] EnginePath, else the current folder).
void QIRN_InitEnginePath(std::string szIniFile);
// Each answers its held value after replacing it with a non-empty argument.
std::string QIRN_IniFileName(std::string szNewPath = std::string());
std::string QIRN_EnginePath(std::string szNewPath = std::string());

// The value cut at its first ";" and trimmed of blanks; the default when missing.
std::string QIRN_GetIniString(std::string szSection, std::string szKey, std::string szDefault);
int QIRN_GetIniInt(std::string szSection, std::string szKey, int iDefault);
// The [PATHS] folder of a key, without a trailing backslash; the engine root when missing.
std::string QIRN_GetPath(std::string szKey);

std::string QIRN_GetFileDirectory(std::string szPath);
std::string QIRN_GetFileTitle(std::string szPath);
std::string QIRN_GetFileExtension(std::string szPath);

// The full path of an existing file: the name's own folder, the system folder, then the folder
// its extension selects. Empty when nothing is found (logged, except for images).
std::string QIRN_FindFile(std::string szName, std::string szDefaultExtension);
