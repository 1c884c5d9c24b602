// The console's command language: the parser, its command table and every command.

#include "qirn_console.h"

#include "qirn_engine.h"
#include "qirn_settings.h"
#include "qirn_string.h"

#include <sstream>
#include <string>

namespace
{
typedef QIRN_ErrorCode (QIRN_Console::*CommandHandler)(std::string strArgs);

struct ConsoleCommand
{
    const char* szWord;
    // NULL for the comment words.
    CommandHandler pfnHandler;
    // A fixed argument that replaces whatever follows the word; NULL passes the argument text.
    const char* szFixedArgs;
};

// Searched in this order; the first word that matches the whole command word wins.
const ConsoleCommand COMMANDS[] = {
    {"exit", &QIRN_Console::Command_Exit, nullptr},
    {"quit", &QIRN_Console::Command_Exit, nullptr},
    {"help", &QIRN_Console::Command_Help, nullptr},
    {"?", &QIRN_Console::Command_Help, nullptr},
    {"cls", &QIRN_Console::Command_Cls, nullptr},
    {"shownormals", &QIRN_Console::Command_ShowNormals, nullptr},
    {"normals", &QIRN_Console::Command_ShowNormals, nullptr},
    {"showfps", &QIRN_Console::Command_ShowFps, nullptr},
    {"fps", &QIRN_Console::Command_ShowFps, nullptr},
    {"showstats", &QIRN_Console::Command_ShowStats, nullptr},
    {"stats", &QIRN_Console::Command_ShowStats, nullptr},
    {"fillmode", &QIRN_Console::Command_FillMode, nullptr},
    {"point", &QIRN_Console::Command_FillMode, "1"},
    {"wireframe", &QIRN_Console::Command_FillMode, "2"},
    {"solid", &QIRN_Console::Command_FillMode, "3"},
    {"fpslock", &QIRN_Console::Command_FpsLock, nullptr},
    {"load", &QIRN_Console::Command_Load, nullptr},
    {"showxyz", &QIRN_Console::Command_ShowXYZ, nullptr},
    {"xyz", &QIRN_Console::Command_ShowXYZ, nullptr},
    {"showpos", &QIRN_Console::Command_ShowPos, nullptr},
    {"pos", &QIRN_Console::Command_ShowPos, nullptr},
    {"showwaypoints", &QIRN_Console::Command_ShowWayPoints, nullptr},
    {"showlightmeshes", &QIRN_Console::Command_ShowLightMeshes, nullptr},
    {"showcamerameshes", &QIRN_Console::Command_ShowCameraMeshes, nullptr},
    {"showname", &QIRN_Console::Command_ShowWorldName, nullptr},
    {"name", &QIRN_Console::Command_ShowWorldName, nullptr},
    {"showemitters", &QIRN_Console::Command_ShowParticleEmitters, nullptr},
    {"showattractors", &QIRN_Console::Command_ShowParticleAttractors, nullptr},
    {"showbones", &QIRN_Console::Command_ShowBones, nullptr},
    {"bones", &QIRN_Console::Command_ShowBones, nullptr},
    {"showlinesystems", &QIRN_Console::Command_ShowLineSystems, nullptr},
    {"lines", &QIRN_Console::Command_ShowLineSystems, nullptr},
    {"runscript", &QIRN_Console::Command_RunConsoleScript, nullptr},
    {"loadskin", &QIRN_Console::Command_LoadSkin, nullptr},
    {"skin", &QIRN_Console::Command_LoadSkin, nullptr},
    {"print", &QIRN_Console::Command_Print, nullptr},
    {"type", &QIRN_Console::Command_Print, nullptr},
    {"output", &QIRN_Console::Command_Print, nullptr},
    {"showshader", &QIRN_Console::Command_ShowShader, nullptr},
    {"shader", &QIRN_Console::Command_ShowShader, nullptr},
    {"showtexture", &QIRN_Console::Command_ShowTexture, nullptr},
    {"texture", &QIRN_Console::Command_ShowTexture, nullptr},
    {"dumpframes", &QIRN_Console::Command_DumpFrames, nullptr},
    {"dump", &QIRN_Console::Command_DumpFrames, nullptr},
    {"toggle", &QIRN_Console::Command_ToggleConsole, nullptr},
    {"toggleconsole", &QIRN_Console::Command_ToggleConsole, nullptr},
    {"showconsole", &QIRN_Console::Command_ToggleConsole, nullptr},
    {"rem", nullptr, nullptr},
    {";", nullptr, nullptr},
    {"//", nullptr, nullptr},
    {"setmousespeed", &QIRN_Console::Command_SetMouseLookSpeed, nullptr},
    {"mousespeed", &QIRN_Console::Command_SetMouseLookSpeed, nullptr},
    {"setmovespeed", &QIRN_Console::Command_SetMoveSpeed, nullptr},
    {"movespeed", &QIRN_Console::Command_SetMoveSpeed, nullptr},
    {"setworldtime", &QIRN_Console::Command_SetWorldTime, nullptr},
};

const char* const HELP_TEXT[] = {
    "Available commands:",
    "exit                               - Is now working!",
    "help                               - Show help",
    "cls                                - Clear console screen",
    "shownormals                        - Render vertex normals",
    "showfps                            - Toggle FPS meter",
    "showstats                          - Toggle statistics",
    "fillmode [mode]                    - [mode]: 1 = point, 2 = wireframe, 3 = solid",
    "load [filename]                    - Loads world from disk",
    "showxyz                            - toggles XYZ axes display",
    "showpos                            - toggles display of default camera's position",
    "showtravelpaths                    - toggles display of actor paths",
    "showlightmeshes                    - toggles display of light meshes",
    "showcamerameshes                   - toggles display of camera meshes",
    "showworldname                      - toggles display of the world name",
    "showemitters                       - toggles display of particle emitters",
    "showattractors                     - toggles display of particle attractors",
    "showbones                          - toggles display of bones",
    "runscript                          - executes console commands taken from a file",
    "loadskin                           - loads a new console skin from disk",
    "print                              - outputs the specified text to the console",
    "showshader                         - displays a shader mapped on a quad",
    "showtexture                        - displays a texture mapped on a quad",
    "dumpframes [prefix]                - toggle frame capture to file",
    "setmousespeed X Y                  - sets the horizontal and vertical mouse speed",
    "setmovespeed X Y Z                 - sets the move speed on the XYZ axes",
};

// Stream extraction that leaves the value as it was when no number can be read (the standard
// extraction would store 0).
template <class T> bool ReadNumber(std::istream& in, T& value)
{
    T read = T();
    if (in >> read)
    {
        value = read;
        return true;
    }
    return false;
}

// The display-flag rule: no argument flips the flag; a number of 1 or more sets it, anything
// else clears it (or, with bNegativeKeeps, a negative number leaves it).
void ApplyFlag(bool& bFlag, const std::string& strArgs, bool bNegativeKeeps = false)
{
    if (strArgs.empty())
    {
        bFlag = !bFlag;
        return;
    }
    std::istringstream in(strArgs);
    int iValue = 0;
    ReadNumber(in, iValue);
    if (bNegativeKeeps && iValue < 0)
    {
        return;
    }
    bFlag = iValue >= 1;
}
} // namespace

QIRN_ErrorCode QIRN_Console::ParseCommand(std::string strLine)
{
    QIRN_String strTrimmed(strLine);
    strTrimmed.Trim(' ');
    std::string::size_type nBlank = strTrimmed.find(' ');
    std::string strWord = strTrimmed.substr(0, nBlank);
    std::string strArgs = nBlank == std::string::npos ? std::string() : strTrimmed.substr(nBlank + 1);
    if (strWord.empty())
    {
        return OK;
    }
    for (const ConsoleCommand& command : COMMANDS)
    {
        if (strWord != command.szWord)
        {
            continue;
        }
        if (!command.pfnHandler)
        {
            return OK;
        }
        return (this->*command.pfnHandler)(command.szFixedArgs ? std::string(command.szFixedArgs) : strArgs);
    }
    Print("%s", "Bad command or file name");
    return BAD_CONSOLE_COMMAND;
}

QIRN_ErrorCode QIRN_Console::Command_Exit(std::string strArgs)
{
    if (!m_pEngine)
    {
        dprintf("*** QIRN_Console::Command_Exit() - m_pEngine is NULL\n");
        return GENERICERROR;
    }
    m_fExitTime = 0.0f;
    if (!strArgs.empty())
    {
        std::istringstream in(strArgs);
        float fSeconds = 0.0f;
        ReadNumber(in, fSeconds);
        if (fSeconds > 0.0f)
        {
            m_fExitTime = m_pEngine->GetTotalTime() + fSeconds;
        }
    }
    Print("Command Exit accepted. Thank you, come again!");
    return OK;
}

QIRN_ErrorCode QIRN_Console::Command_Help(std::string)
{
    for (const char* szLine : HELP_TEXT)
    {
        Print("%s", szLine);
    }
    return OK;
}

QIRN_ErrorCode QIRN_Console::Command_Cls(std::string)
{
    memset(m_aszLines, 0, sizeof(m_aszLines));
    return OK;
}

QIRN_ErrorCode QIRN_Console::Command_ShowNormals(std::string strArgs)
{
    ApplyFlag(m_bShowNormals, strArgs);
    Print("Command ShowNormals accepted. Thank you, come again!");
    return OK;
}

QIRN_ErrorCode QIRN_Console::Command_ShowFps(std::string strArgs)
{
    if (!m_pEngine)
    {
        dprintf("*** QIRN_Console::Command_ShowFps() - m_pEngine is NULL\n");
        return GENERICERROR;
    }
    bool bStatistics = m_pEngine->GetStatisticsFlag();
    ApplyFlag(bStatistics, strArgs);
    m_pEngine->SetStatisticsFlag(bStatistics);
    Print("Command ShowFps accepted. Thank you, come again!");
    return OK;
}

QIRN_ErrorCode QIRN_Console::Command_ShowStats(std::string strArgs)
{
    ApplyFlag(m_bShowStats, strArgs);
    Print("Command ShowStats accepted. Thank you, come again!");
    return OK;
}

QIRN_ErrorCode QIRN_Console::Command_FillMode(std::string strArgs)
{
    if (strArgs.empty())
    {
        Print("Fillmode is %d", static_cast<int>(m_dwFillMode));
        return OK;
    }
    std::istringstream in(strArgs);
    uint32_t dwMode = 0;
    ReadNumber(in, dwMode);
    m_dwFillMode = dwMode <= 3 ? dwMode : 0;
    return OK;
}

QIRN_ErrorCode QIRN_Console::Command_FpsLock(std::string strArgs)
{
    if (strArgs.empty())
    {
        Print("FPSLock is %d", m_iFpsLock);
        return OK;
    }
    std::istringstream in(strArgs);
    int32_t iFps = 0;
    ReadNumber(in, iFps);
    if (iFps < 0)
    {
        Print("Invalid FPS value");
        return OK;
    }
    m_iFpsLock = iFps;
    return OK;
}

QIRN_ErrorCode QIRN_Console::Command_Load(std::string strArgs)
{
    std::string strPath = QIRN_FindFile(strArgs, "w");
    if (strPath.empty())
    {
        Print("File not found! Stop trying to crash the program!");
        return FILEERROR;
    }
    m_strWorldFile = strPath;
    m_bLoadWorld = true;
    Print("Loading \"%s\"!", strPath.c_str());
    return OK;
}

QIRN_ErrorCode QIRN_Console::Command_ShowXYZ(std::string strArgs)
{
    ApplyFlag(m_bShowXYZ, strArgs);
    Print("Command ShowXYZ accepted. Thank you, come again!");
    return OK;
}

QIRN_ErrorCode QIRN_Console::Command_ShowPos(std::string strArgs)
{
    ApplyFlag(m_bShowPos, strArgs);
    Print("Command ShowPos accepted. Thank you, come again!");
    return OK;
}

QIRN_ErrorCode QIRN_Console::Command_ShowWayPoints(std::string strArgs)
{
    ApplyFlag(m_bShowWayPoints, strArgs);
    Print("Command ShowWayPoints accepted. Thank you, come again!");
    return OK;
}

QIRN_ErrorCode QIRN_Console::Command_ShowLightMeshes(std::string strArgs)
{
    ApplyFlag(m_bShowLightMeshes, strArgs);
    Print("Command ShowLightMeshes accepted. Thank you, come again!");
    return OK;
}

QIRN_ErrorCode QIRN_Console::Command_ShowCameraMeshes(std::string strArgs)
{
    ApplyFlag(m_bShowCameraMeshes, strArgs);
    Print("Command ShowCameraMeshes accepted. Thank you, come again!");
    return OK;
}

QIRN_ErrorCode QIRN_Console::Command_ShowWorldName(std::string strArgs)
{
    ApplyFlag(m_bShowWorldName, strArgs);
    Print("Command ShowWorldName accepted. Thank you, come again!");
    return OK;
}

QIRN_ErrorCode QIRN_Console::Command_ShowParticleEmitters(std::string strArgs)
{
    ApplyFlag(m_bShowParticleEmitters, strArgs);
    Print("Command ShowParticleEmitters accepted. Thank you, come again!");
    return OK;
}

QIRN_ErrorCode QIRN_Console::Command_ShowParticleAttractors(std::string strArgs)
{
    ApplyFlag(m_bShowParticleAttractors, strArgs);
    Print("Command ShowParticleAttractors accepted. Thank you, come again!");
    return OK;
}

QIRN_ErrorCode QIRN_Console::Command_ShowBones(std::string strArgs)
{
    ApplyFlag(m_bShowBones, strArgs);
    Print("Command ShowBones accepted. Thank you, come again!");
    return OK;
}

QIRN_ErrorCode QIRN_Console::Command_ShowLineSystems(std::string strArgs)
{
    ApplyFlag(m_bShowLineSystems, strArgs, true);
    Print("Command ShowLineSystems accepted. Thank you, come again!");
    return OK;
}

QIRN_ErrorCode QIRN_Console::Command_LoadSkin(std::string strArgs)
{
    QIRN_ErrorCode result = Load(strArgs);
    if (result != OK)
    {
        Print("Unable to load skin '%s'!", strArgs.c_str());
        return result;
    }
    Print("Command LoadSkin successful. Thank you, come again!");
    return OK;
}

QIRN_ErrorCode QIRN_Console::Command_Print(std::string strArgs)
{
    Print("%s", strArgs.c_str());
    return OK;
}

QIRN_ErrorCode QIRN_Console::Command_ShowShader(std::string strArgs)
{
    m_strShowShader = strArgs;
    Print("Command ShowShader successful. Thank you, come again!");
    return OK;
}

QIRN_ErrorCode QIRN_Console::Command_ShowTexture(std::string strArgs)
{
    m_strShowTexture = strArgs;
    Print("Command ShowTexture successful. Thank you, come again!");
    return OK;
}

QIRN_ErrorCode QIRN_Console::Command_DumpFrames(std::string strArgs)
{
    m_strDumpPrefix = strArgs;
    Print("Core dumped.");
    return OK;
}

QIRN_ErrorCode QIRN_Console::Command_ToggleConsole(std::string strArgs)
{
    std::istringstream in(strArgs);
    uint32_t dwState = 2;
    ReadNumber(in, dwState);
    if (dwState == 0)
    {
        m_bOpen = false;
    }
    else if (dwState == 1)
    {
        m_bOpen = true;
    }
    else
    {
        m_bOpen = !m_bOpen;
    }
    return OK;
}

QIRN_ErrorCode QIRN_Console::Command_SetMouseLookSpeed(std::string strArgs)
{
    std::istringstream in(strArgs);
    float fX = 0.0f;
    float fY = 0.0f;
    ReadNumber(in, fX);
    ReadNumber(in, fY);
    if (fX == 0.0f || fY == 0.0f)
    {
        Print("Error: parameter value can't be 0.0");
        return OK;
    }
    m_fMouseSpeedX = fX;
    m_fMouseSpeedY = fY;
    m_bSetCameraSpeeds = true;
    Print("Command SetMouseLookSpeed successful. Thank you, come again!");
    return OK;
}

QIRN_ErrorCode QIRN_Console::Command_SetMoveSpeed(std::string strArgs)
{
    std::istringstream in(strArgs);
    float fX = 0.0f;
    float fY = 0.0f;
    float fZ = 0.0f;
    ReadNumber(in, fX);
    ReadNumber(in, fY);
    ReadNumber(in, fZ);
    if (fX == 0.0f || fY == 0.0f || fZ == 0.0f)
    {
        Print("Error: parameter value can't be 0.0");
        return OK;
    }
    m_fMoveSpeedX = fX;
    m_fMoveSpeedY = fY;
    m_fMoveSpeedZ = fZ;
    m_bSetCameraSpeeds = true;
    Print("Command SetMoveSpeed successful. Thank you, come again!");
    return OK;
}

QIRN_ErrorCode QIRN_Console::Command_SetWorldTime(std::string strArgs)
{
    std::istringstream in(strArgs);
    float fTime = 0.0f;
    ReadNumber(in, fTime);
    if (fTime < 0.0f)
    {
        Print("Error: parameter value can't be smaller than 0.0");
        return OK;
    }
    m_fWorldTime = fTime;
    m_bSetWorldTime = true;
    Print("Command Command_SetWorldTime successful. Thank you, come again!");
    return OK;
}
