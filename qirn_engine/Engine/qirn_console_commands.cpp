// The console's command language: the parser, its command table and every command.

#include "qirn_console.h"

#include "qirn_engine.h"
#include "qirn_settings.h"
#include "qirn_string.h"

#include <algorithm>
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
    // The help line's argument words and its text; NULL text marks another word for the command
    // above it, which the help lists beside that one.
    const char* szHelpArgs;
    const char* szHelp;
};

// Searched in this order; the first word that matches the whole command word wins. The help is
// made from this table, so it names exactly the words the parser accepts.
const ConsoleCommand COMMANDS[] = {
    {"exit", &QIRN_Console::Command_Exit, nullptr, "[seconds]", "quits, at once or after the seconds"},
    {"quit", &QIRN_Console::Command_Exit, nullptr, nullptr, nullptr},
    {"help", &QIRN_Console::Command_Help, nullptr, "", "Show help"},
    {"?", &QIRN_Console::Command_Help, nullptr, nullptr, nullptr},
    {"cls", &QIRN_Console::Command_Cls, nullptr, "", "Clear console screen"},
    {"shownormals", &QIRN_Console::Command_ShowNormals, nullptr, "[0|1]", "Render vertex normals"},
    {"normals", &QIRN_Console::Command_ShowNormals, nullptr, nullptr, nullptr},
    {"showfps", &QIRN_Console::Command_ShowFps, nullptr, "[0|1]", "Toggle FPS meter"},
    {"fps", &QIRN_Console::Command_ShowFps, nullptr, nullptr, nullptr},
    {"showstats", &QIRN_Console::Command_ShowStats, nullptr, "[0|1]", "Toggle statistics"},
    {"stats", &QIRN_Console::Command_ShowStats, nullptr, nullptr, nullptr},
    {"fillmode", &QIRN_Console::Command_FillMode, nullptr, "[mode]",
     "[mode]: 0 = the shaders' own, 1 = solid, 2 = wireframe, 3 = point"},
    {"solid", &QIRN_Console::Command_FillMode, "1", "", "fill mode 1: draws solid"},
    {"wireframe", &QIRN_Console::Command_FillMode, "2", "", "fill mode 2: draws wireframe"},
    {"point", &QIRN_Console::Command_FillMode, "3", "", "fill mode 3: draws points"},
    {"fpslock", &QIRN_Console::Command_FpsLock, nullptr, "[fps]", "limits the frame rate (0 = no limit)"},
    {"load", &QIRN_Console::Command_Load, nullptr, "[filename]", "Loads world from disk"},
    {"showxyz", &QIRN_Console::Command_ShowXYZ, nullptr, "[0|1]", "toggles XYZ axes display"},
    {"xyz", &QIRN_Console::Command_ShowXYZ, nullptr, nullptr, nullptr},
    {"showpos", &QIRN_Console::Command_ShowPos, nullptr, "[0|1]", "toggles display of default camera's position"},
    {"pos", &QIRN_Console::Command_ShowPos, nullptr, nullptr, nullptr},
    {"showwaypoints", &QIRN_Console::Command_ShowWayPoints, nullptr, "[0|1]", "toggles display of actor paths"},
    {"showlightmeshes", &QIRN_Console::Command_ShowLightMeshes, nullptr, "[0|1]",
     "toggles display of light meshes"},
    {"showcamerameshes", &QIRN_Console::Command_ShowCameraMeshes, nullptr, "[0|1]",
     "toggles display of camera meshes"},
    {"showname", &QIRN_Console::Command_ShowWorldName, nullptr, "[0|1]", "toggles display of the world name"},
    {"name", &QIRN_Console::Command_ShowWorldName, nullptr, nullptr, nullptr},
    {"showemitters", &QIRN_Console::Command_ShowParticleEmitters, nullptr, "[0|1]",
     "toggles display of particle emitters"},
    {"showattractors", &QIRN_Console::Command_ShowParticleAttractors, nullptr, "[0|1]",
     "toggles display of particle attractors"},
    {"showbones", &QIRN_Console::Command_ShowBones, nullptr, "[0|1]", "toggles display of bones"},
    {"bones", &QIRN_Console::Command_ShowBones, nullptr, nullptr, nullptr},
    {"showlinesystems", &QIRN_Console::Command_ShowLineSystems, nullptr, "[0|1]",
     "toggles display of line systems"},
    {"lines", &QIRN_Console::Command_ShowLineSystems, nullptr, nullptr, nullptr},
    {"runscript", &QIRN_Console::Command_RunConsoleScript, nullptr, "[filename]",
     "executes console commands taken from a file"},
    {"loadskin", &QIRN_Console::Command_LoadSkin, nullptr, "[filename]", "loads a new console skin from disk"},
    {"skin", &QIRN_Console::Command_LoadSkin, nullptr, nullptr, nullptr},
    {"print", &QIRN_Console::Command_Print, nullptr, "[text]", "outputs the specified text to the console"},
    {"type", &QIRN_Console::Command_Print, nullptr, nullptr, nullptr},
    {"output", &QIRN_Console::Command_Print, nullptr, nullptr, nullptr},
    {"showshader", &QIRN_Console::Command_ShowShader, nullptr, "[name]", "displays a shader mapped on a quad"},
    {"shader", &QIRN_Console::Command_ShowShader, nullptr, nullptr, nullptr},
    {"showtexture", &QIRN_Console::Command_ShowTexture, nullptr, "[name]", "displays a texture mapped on a quad"},
    {"texture", &QIRN_Console::Command_ShowTexture, nullptr, nullptr, nullptr},
    {"dumpframes", &QIRN_Console::Command_DumpFrames, nullptr, "[prefix]", "toggle frame capture to file"},
    {"dump", &QIRN_Console::Command_DumpFrames, nullptr, nullptr, nullptr},
    {"toggle", &QIRN_Console::Command_ToggleConsole, nullptr, "[0|1]", "closes, opens or flips the console"},
    {"toggleconsole", &QIRN_Console::Command_ToggleConsole, nullptr, nullptr, nullptr},
    {"showconsole", &QIRN_Console::Command_ToggleConsole, nullptr, nullptr, nullptr},
    {"rem", nullptr, nullptr, "[text]", "a comment: the line does nothing"},
    {";", nullptr, nullptr, nullptr, nullptr},
    {"//", nullptr, nullptr, nullptr, nullptr},
    {"setmousespeed", &QIRN_Console::Command_SetMouseLookSpeed, nullptr, "X Y",
     "sets the horizontal and vertical mouse speed"},
    {"mousespeed", &QIRN_Console::Command_SetMouseLookSpeed, nullptr, nullptr, nullptr},
    {"setmovespeed", &QIRN_Console::Command_SetMoveSpeed, nullptr, "X Y Z", "sets the move speed on the XYZ axes"},
    {"movespeed", &QIRN_Console::Command_SetMoveSpeed, nullptr, nullptr, nullptr},
    {"setworldtime", &QIRN_Console::Command_SetWorldTime, nullptr, "seconds", "moves the world to that time"},
};

// Where the help's descriptions start, so that they line up.
const size_t HELP_COLUMN = 35;

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
    Print("%s", "Available commands:");
    const size_t nCount = sizeof(COMMANDS) / sizeof(COMMANDS[0]);
    for (size_t i = 0; i < nCount; ++i)
    {
        if (!COMMANDS[i].szHelp)
        {
            continue;
        }
        // The command's word, the other words that run it, then its arguments.
        std::string strLine = COMMANDS[i].szWord;
        for (size_t j = i + 1; j < nCount && !COMMANDS[j].szHelp; ++j)
        {
            strLine += std::string(", ") + COMMANDS[j].szWord;
        }
        if (*COMMANDS[i].szHelpArgs)
        {
            strLine += std::string(" ") + COMMANDS[i].szHelpArgs;
        }
        strLine.resize(std::max(strLine.size() + 1, HELP_COLUMN), ' ');
        strLine += std::string("- ") + COMMANDS[i].szHelp;
        Print("%s", strLine.c_str());
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
