// The files that feed the console: the skin (font and background shader) and command scripts.

#include "qirn_console.h"

#include "qirn_file.h"
#include "qirn_settings.h"
#include "qirn_shader.h"
#include "qirn_string.h"

#include <windows.h>

#include <algorithm>
#include <fstream>
#include <new>
#include <string>

namespace
{
const char* const SKIN_VERSION = "qirn_console_config_file_version2.0";
} // namespace

QIRN_ErrorCode QIRN_Console::Load(std::string strSkinFile)
{
    std::string strPath = QIRN_FindFile(strSkinFile, "skin");
    if (strPath.empty())
    {
        dprintf("*** QIRN_Console::Load() - Console skin file not found!\n");
        return FILENOTFOUND;
    }
    // The file closes with the object on every path.
    QIRN_File oFile;
    if (oFile.Open(strPath, QIRN_FILE_READ) != OK)
    {
        dprintf("*** QIRN_Console::Load() - Unable to open console skin file!\n");
        return FILEERROR;
    }
    if (oFile.ReadNextWord() != SKIN_VERSION || oFile.ReadNextWord() != QIRN_FILE_STARTBLOCKID)
    {
        dprintf("*** QIRN_Console::Load() - Invalid console skin file!\n");
        return FILEERROR;
    }
    // Entries come in any order and a later one wins; what was read stays when a later one fails.
    for (;;)
    {
        if (oFile.IsEOF())
        {
            dprintf("*** QIRN_Console::Load() - Hit the end of file while reading\n");
            return GENERICERROR;
        }
        std::string strKeyword = oFile.ReadNextWord();
        // Each value is read aside, so that a failed entry leaves the one before it.
        if (strKeyword == "FontName")
        {
            std::string strFontName;
            if (oFile.ReadStringBlock(strFontName) != OK)
            {
                dprintf("*** QIRN_Console::Load() - Error reading FontName\n");
                return FILEREAD_ERROR;
            }
            m_strFontName = strFontName;
        }
        else if (strKeyword == "FontSize")
        {
            uint32_t dwFontSize = 0;
            if (oFile.ReadBlock(dwFontSize) != OK)
            {
                return FILEREAD_ERROR;
            }
            m_dwFontSize = dwFontSize;
        }
        else if (strKeyword == "FontFlags")
        {
            uint32_t dwFontFlags = 0;
            if (oFile.ReadBlock(dwFontFlags) != OK)
            {
                dprintf("*** QIRN_Console::Load() - Error reading FontFlags\n");
                return FILEREAD_ERROR;
            }
            m_dwFontFlags = dwFontFlags;
        }
        else if (strKeyword == "FontColor")
        {
            uint32_t dwFontColor = 0;
            if (oFile.ReadColor(dwFontColor) != OK)
            {
                dprintf("*** QIRN_Console::Load() - Error reading FontColor\n");
                return FILEREAD_ERROR;
            }
            m_dwFontColor = dwFontColor;
        }
        else if (strKeyword == "Shader")
        {
            delete m_poShader;
            m_poShader = new (std::nothrow) QIRN_Shader;
            if (!m_poShader || m_poShader->Load(oFile, nullptr) != OK)
            {
                dprintf("*** QIRN_Console::Load() - Error loading shader\n");
                delete m_poShader;
                m_poShader = nullptr;
                return FILEREAD_ERROR;
            }
        }
        else if (strKeyword == QIRN_FILE_ENDBLOCKID)
        {
            dprintf("*** QIRN_Console::Load() - Finished loading configuration file %s\n", strPath.c_str());
            return OK;
        }
        else
        {
            dprintf("*** QIRN_Console::Load() - Unknown keyword \"%s\"!\n", strKeyword.c_str());
            dprintf("                           Attempting to skip block!\n");
            if (oFile.SkipBlock() != OK)
            {
                dprintf("*** QIRN_Console::Load() - Error in skiping the file block!\n");
                return FILEREAD_ERROR;
            }
        }
    }
}

QIRN_ErrorCode QIRN_Console::Command_RunConsoleScript(std::string strFileName)
{
    // A chain of scripts that run each other ends here instead of in the stack.
    if (m_astrRunningScripts.size() >= static_cast<size_t>(QIRN_CONSOLE_MAXSCRIPTDEPTH))
    {
        dprintf("*** QIRN_Console::Command_RunConsoleScript - Scripts nested deeper than %d, '%s' not run\n",
                QIRN_CONSOLE_MAXSCRIPTDEPTH, strFileName.c_str());
        return GENERICERROR;
    }
    std::string strPath = QIRN_FindFile(strFileName, "");
    if (strPath.empty())
    {
        dprintf("QIRN_Console::Command_RunConsoleScript - File not found '%s'\n", strFileName.c_str());
        return FILENOTFOUND;
    }
    // Running a script again from inside itself would repeat it once per such line at every level,
    // which grows exponentially; the running script goes on with its next line instead.
    if (IsScriptRunning(strPath))
    {
        dprintf(
            "*** QIRN_Console::Command_RunConsoleScript - Script '%s' is already running, not run again\n",
            strFileName.c_str());
        return GENERICERROR;
    }
    QIRN_ErrorCode result = RunScriptFile(strPath);
    if (result != OK)
    {
        return result;
    }
    Print("Command RunConsoleScript accepted. Thank you, come again!");
    return OK;
}

namespace
{
// One spelling per file: different relative spellings and letter cases name the same script.
std::string ScriptKey(const std::string& strPath)
{
    char szFull[MAX_PATH] = {0};
    DWORD dwLength = GetFullPathNameA(strPath.c_str(), MAX_PATH, szFull, nullptr);
    QIRN_String strKey = (dwLength > 0 && dwLength < MAX_PATH) ? std::string(szFull) : strPath;
    return strKey.MakeLower();
}
} // namespace

bool QIRN_Console::IsScriptRunning(const std::string& strPath) const
{
    return std::find(m_astrRunningScripts.begin(), m_astrRunningScripts.end(), ScriptKey(strPath)) !=
           m_astrRunningScripts.end();
}

QIRN_ErrorCode QIRN_Console::RunScriptFile(const std::string& strPath)
{
    // Text mode: a carriage return before a line feed is dropped by the runtime.
    std::ifstream oScript(strPath.c_str());
    if (!oScript.is_open())
    {
        dprintf("QIRN_Console::Command_RunConsoleScript - Unable to open file '%s'\n", strPath.c_str());
        return FILEERROR;
    }
    m_astrRunningScripts.push_back(ScriptKey(strPath));
    std::string strLine;
    uint32_t dwLineNumber = 0;
    while (std::getline(oScript, strLine))
    {
        ++dwLineNumber;
        while (!strLine.empty() && strLine.back() == '\r')
        {
            strLine.pop_back();
        }
        if (strLine.size() > QIRN_CONSOLE_MAXSCRIPTLINE)
        {
            dprintf(
                "*** QIRN_Console::Command_RunConsoleScript - Line %u of '%s' is longer than %u characters "
                "and was cut\n",
                dwLineNumber, strPath.c_str(), QIRN_CONSOLE_MAXSCRIPTLINE);
            strLine.resize(QIRN_CONSOLE_MAXSCRIPTLINE);
        }
        if (!strLine.empty())
        {
            ParseCommand(strLine);
        }
    }
    m_astrRunningScripts.pop_back();
    return OK;
}

QIRN_ErrorCode QIRN_Console::RunStartupScripts()
{
    std::string strScript = QIRN_GetIniString("console", "script", "");
    if (!strScript.empty())
    {
        Print("Running console script(s)!\n");
        Command_RunConsoleScript(strScript);
    }
    return OK;
}
