#include "engine_test_support.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

using engine_test::ConsoleTest;

namespace
{
typedef std::function<void(QIRN_Console&, QIRN_Engine&)> Step;

struct CommandCase
{
    std::string strLine;
    QIRN_ErrorCode eResult;
    // The one history line the command prints; NULL when it prints nothing.
    const char* szReply;
    // Runs on a fresh console before the line (NULL: nothing).
    Step setup;
    // Checks the console afterwards (NULL: nothing more).
    Step check;
};

// The display-flag rule on one flag: no argument flips it, 1 or more sets it, anything else clears it.
void AddFlagCases(std::vector<CommandCase>& vCases, const std::string& strWord, const std::string& strAlias,
                  bool QIRN_Console::*pFlag, const char* szReply)
{
    Step set = [pFlag](QIRN_Console& c, QIRN_Engine&) { c.*pFlag = true; };
    Step isSet = [pFlag](QIRN_Console& c, QIRN_Engine&) { EXPECT_TRUE(c.*pFlag); };
    Step isClear = [pFlag](QIRN_Console& c, QIRN_Engine&) { EXPECT_FALSE(c.*pFlag); };
    vCases.push_back({strWord, OK, szReply, nullptr, isSet});
    vCases.push_back({strAlias + " 5", OK, szReply, nullptr, isSet});
    vCases.push_back({strWord + " 0", OK, szReply, set, isClear});
    vCases.push_back({strWord + " -3", OK, szReply, set, isClear});
    vCases.push_back({strWord + " on", OK, szReply, set, isClear});
    vCases.push_back({strAlias, OK, szReply, set, isClear});
}

const char* const BAD = "Bad command or file name";
// One line is printed; the case's check looks at it.
const char* const ANY_REPLY = "<any reply>";

std::vector<CommandCase> Cases()
{
    std::vector<CommandCase> vCases = {
        // Exit at once, later, or at once for anything that is not a positive number.
        {"exit", OK, "Command Exit accepted. Thank you, come again!", nullptr,
         [](QIRN_Console& c, QIRN_Engine&) { EXPECT_EQ(c.m_fExitTime, 0.0f); }},
        {"quit 10", OK, "Command Exit accepted. Thank you, come again!",
         [](QIRN_Console&, QIRN_Engine& e) { e.Update(3.5f, false); },
         [](QIRN_Console& c, QIRN_Engine&) { EXPECT_FLOAT_EQ(c.m_fExitTime, 13.5f); }},
        {"exit -2", OK, "Command Exit accepted. Thank you, come again!", nullptr,
         [](QIRN_Console& c, QIRN_Engine&) { EXPECT_EQ(c.m_fExitTime, 0.0f); }},
        {"exit soon", OK, "Command Exit accepted. Thank you, come again!", nullptr,
         [](QIRN_Console& c, QIRN_Engine&) { EXPECT_EQ(c.m_fExitTime, 0.0f); }},
        // Help, with blanks trimmed but letter case kept.
        {"help", OK, "setworldtime seconds               - moves the world to that time", nullptr,
         nullptr},
        {"   ?   ", OK, "setworldtime seconds               - moves the world to that time", nullptr,
         nullptr},
        {"HELP", BAD_CONSOLE_COMMAND, BAD, nullptr, nullptr},
        {"\thelp", BAD_CONSOLE_COMMAND, BAD, nullptr, nullptr},
        {"", OK, nullptr, nullptr, nullptr},
        {"     ", OK, nullptr, nullptr, nullptr},
        {"cls", OK, nullptr, [](QIRN_Console& c, QIRN_Engine&) { c.Print("old"); },
         [](QIRN_Console& c, QIRN_Engine&)
         {
             EXPECT_EQ(c.m_dwCurrentLine, 501u);
             EXPECT_STREQ(c.m_aszLines[500], "");
         }},
        {"shownormals", OK, "Command ShowNormals accepted. Thank you, come again!",
         [](QIRN_Console& c, QIRN_Engine&) { c.ParseCommand("shownormals"); },
         [](QIRN_Console& c, QIRN_Engine&) { EXPECT_FALSE(c.m_bShowNormals); }},
        // The line systems keep their flag for a negative number.
        {"lines", OK, "Command ShowLineSystems accepted. Thank you, come again!", nullptr,
         [](QIRN_Console& c, QIRN_Engine&) { EXPECT_TRUE(c.m_bShowLineSystems); }},
        {"showlinesystems -3", OK, "Command ShowLineSystems accepted. Thank you, come again!",
         [](QIRN_Console& c, QIRN_Engine&) { c.m_bShowLineSystems = true; },
         [](QIRN_Console& c, QIRN_Engine&) { EXPECT_TRUE(c.m_bShowLineSystems); }},
        {"lines 0", OK, "Command ShowLineSystems accepted. Thank you, come again!",
         [](QIRN_Console& c, QIRN_Engine&) { c.m_bShowLineSystems = true; },
         [](QIRN_Console& c, QIRN_Engine&) { EXPECT_FALSE(c.m_bShowLineSystems); }},
        // The frame-rate display is the engine's statistics flag.
        {"showfps", OK, "Command ShowFps accepted. Thank you, come again!", nullptr,
         [](QIRN_Console&, QIRN_Engine& e) { EXPECT_TRUE(e.GetStatisticsFlag()); }},
        {"fps 0", OK, "Command ShowFps accepted. Thank you, come again!",
         [](QIRN_Console&, QIRN_Engine& e) { e.SetStatisticsFlag(true); },
         [](QIRN_Console&, QIRN_Engine& e) { EXPECT_FALSE(e.GetStatisticsFlag()); }},
        // Fill modes, in the console's numbering.
        {"fillmode", OK, "Fillmode is 0", nullptr, nullptr},
        {"fillmode 2", OK, nullptr, nullptr,
         [](QIRN_Console& c, QIRN_Engine&) { EXPECT_EQ(c.m_dwFillMode, 2u); }},
        {"fillmode 7", OK, nullptr, [](QIRN_Console& c, QIRN_Engine&) { c.m_dwFillMode = 2; },
         [](QIRN_Console& c, QIRN_Engine&) { EXPECT_EQ(c.m_dwFillMode, 0u); }},
        {"fillmode -3", OK, nullptr, [](QIRN_Console& c, QIRN_Engine&) { c.m_dwFillMode = 2; },
         [](QIRN_Console& c, QIRN_Engine&) { EXPECT_EQ(c.m_dwFillMode, 0u); }},
        // Each word gives the mode it names in the renderers' numbering: 1 solid, 2 wireframe, 3 point.
        {"solid", OK, nullptr, nullptr, [](QIRN_Console& c, QIRN_Engine&) { EXPECT_EQ(c.m_dwFillMode, 1u); }},
        {"wireframe", OK, nullptr, nullptr,
         [](QIRN_Console& c, QIRN_Engine&) { EXPECT_EQ(c.m_dwFillMode, 2u); }},
        {"point 2", OK, nullptr, nullptr,
         [](QIRN_Console& c, QIRN_Engine&) { EXPECT_EQ(c.m_dwFillMode, 3u); }},
        // Frame-rate limit.
        {"fpslock", OK, "FPSLock is 0", nullptr, nullptr},
        {"fpslock 60", OK, nullptr, nullptr,
         [](QIRN_Console& c, QIRN_Engine&) { EXPECT_EQ(c.m_iFpsLock, 60); }},
        {"fpslock -1", OK, "Invalid FPS value", [](QIRN_Console& c, QIRN_Engine&) { c.m_iFpsLock = 30; },
         [](QIRN_Console& c, QIRN_Engine&) { EXPECT_EQ(c.m_iFpsLock, 30); }},
        {"fpslock none", OK, nullptr, [](QIRN_Console& c, QIRN_Engine&) { c.m_iFpsLock = 30; },
         [](QIRN_Console& c, QIRN_Engine&) { EXPECT_EQ(c.m_iFpsLock, 0); }},
        // World loads (scene.w exists in the working folder).
        {"load scene", OK, ANY_REPLY, nullptr,
         [](QIRN_Console& c, QIRN_Engine&)
         {
             EXPECT_TRUE(c.m_bLoadWorld);
             EXPECT_NE(c.m_strWorldFile.find("scene.w"), std::string::npos);
             EXPECT_EQ(std::string(c.m_aszLines[500]), "Loading \"" + c.m_strWorldFile + "\"!");
         }},
        {"load missing", FILEERROR, "File not found! Stop trying to crash the program!", nullptr,
         [](QIRN_Console& c, QIRN_Engine&)
         {
             EXPECT_FALSE(c.m_bLoadWorld);
             EXPECT_EQ(c.m_strWorldFile, "");
         }},
        {"load", FILEERROR, "File not found! Stop trying to crash the program!", nullptr, nullptr},
        {"load  scene", FILEERROR, "File not found! Stop trying to crash the program!", nullptr, nullptr},
        // Scripts and skins that cannot be found print nothing or their own line.
        {"runscript nothing.txt", FILENOTFOUND, nullptr, nullptr, nullptr},
        {"skin nothing", FILENOTFOUND, "Unable to load skin 'nothing'!", nullptr, nullptr},
        {"loadskin", FILENOTFOUND, "Unable to load skin ''!", nullptr, nullptr},
        // Text output, never taken as a format.
        {"print 100% sure %s", OK, "100% sure %s", nullptr, nullptr},
        {"type  two  blanks", OK, " two  blanks", nullptr, nullptr},
        {"output", OK, "", nullptr, nullptr},
        // Requests for the drawer and the client.
        {"showshader Water", OK, "Command ShowShader successful. Thank you, come again!", nullptr,
         [](QIRN_Console& c, QIRN_Engine&) { EXPECT_EQ(c.m_strShowShader, "Water"); }},
        {"shader", OK, "Command ShowShader successful. Thank you, come again!",
         [](QIRN_Console& c, QIRN_Engine&) { c.m_strShowShader = "Water"; },
         [](QIRN_Console& c, QIRN_Engine&) { EXPECT_EQ(c.m_strShowShader, ""); }},
        {"showtexture sand.tga", OK, "Command ShowTexture successful. Thank you, come again!", nullptr,
         [](QIRN_Console& c, QIRN_Engine&) { EXPECT_EQ(c.m_strShowTexture, "sand.tga"); }},
        {"texture x", OK, "Command ShowTexture successful. Thank you, come again!", nullptr,
         [](QIRN_Console& c, QIRN_Engine&) { EXPECT_EQ(c.m_strShowTexture, "x"); }},
        {"dumpframes shots\\frame", OK, "Core dumped.", nullptr,
         [](QIRN_Console& c, QIRN_Engine&) { EXPECT_EQ(c.m_strDumpPrefix, "shots\\frame"); }},
        {"dump", OK, "Core dumped.", [](QIRN_Console& c, QIRN_Engine&) { c.m_strDumpPrefix = "f"; },
         [](QIRN_Console& c, QIRN_Engine&) { EXPECT_EQ(c.m_strDumpPrefix, ""); }},
        // Opening and closing the console.
        {"toggle", OK, nullptr, nullptr, [](QIRN_Console& c, QIRN_Engine&) { EXPECT_TRUE(c.m_bOpen); }},
        {"toggleconsole 5", OK, nullptr, nullptr,
         [](QIRN_Console& c, QIRN_Engine&) { EXPECT_TRUE(c.m_bOpen); }},
        {"showconsole 0", OK, nullptr, nullptr,
         [](QIRN_Console& c, QIRN_Engine&) { EXPECT_FALSE(c.m_bOpen); }},
        {"toggle 1", OK, nullptr, [](QIRN_Console& c, QIRN_Engine&) { c.m_bOpen = true; },
         [](QIRN_Console& c, QIRN_Engine&) { EXPECT_TRUE(c.m_bOpen); }},
        {"toggle x", OK, nullptr, [](QIRN_Console& c, QIRN_Engine&) { c.m_bOpen = true; },
         [](QIRN_Console& c, QIRN_Engine&) { EXPECT_FALSE(c.m_bOpen); }},
        // Comments are whole command words.
        {"rem anything at all; exit", OK, nullptr, nullptr,
         [](QIRN_Console& c, QIRN_Engine&) { EXPECT_LT(c.m_fExitTime, 0.0f); }},
        {"; a note", OK, nullptr, nullptr, nullptr},
        {"// a note", OK, nullptr, nullptr, nullptr},
        {"rem", OK, nullptr, nullptr, nullptr},
        {"//note", BAD_CONSOLE_COMMAND, BAD, nullptr, nullptr},
        // Camera speeds.
        {"setmousespeed 0.5 0.25", OK, "Command SetMouseLookSpeed successful. Thank you, come again!",
         [](QIRN_Console& c, QIRN_Engine&) { c.m_bSetCameraSpeeds = false; },
         [](QIRN_Console& c, QIRN_Engine&)
         {
             EXPECT_FLOAT_EQ(c.m_fMouseSpeedX, 0.5f);
             EXPECT_FLOAT_EQ(c.m_fMouseSpeedY, 0.25f);
             EXPECT_TRUE(c.m_bSetCameraSpeeds);
         }},
        {"mousespeed 0.5", OK, "Error: parameter value can't be 0.0",
         [](QIRN_Console& c, QIRN_Engine&) { c.m_bSetCameraSpeeds = false; },
         [](QIRN_Console& c, QIRN_Engine&)
         {
             EXPECT_FLOAT_EQ(c.m_fMouseSpeedX, 0.3f);
             EXPECT_FALSE(c.m_bSetCameraSpeeds);
         }},
        {"setmovespeed -1 -2 -3", OK, "Command SetMoveSpeed successful. Thank you, come again!", nullptr,
         [](QIRN_Console& c, QIRN_Engine&)
         {
             EXPECT_FLOAT_EQ(c.m_fMoveSpeedX, -1.0f);
             EXPECT_FLOAT_EQ(c.m_fMoveSpeedZ, -3.0f);
         }},
        {"movespeed 1 0 1", OK, "Error: parameter value can't be 0.0", nullptr,
         [](QIRN_Console& c, QIRN_Engine&) { EXPECT_FLOAT_EQ(c.m_fMoveSpeedX, 0.2f); }},
        // World time.
        {"setworldtime 12.5", OK, "Command Command_SetWorldTime successful. Thank you, come again!", nullptr,
         [](QIRN_Console& c, QIRN_Engine&)
         {
             EXPECT_FLOAT_EQ(c.m_fWorldTime, 12.5f);
             EXPECT_TRUE(c.m_bSetWorldTime);
         }},
        {"setworldtime", OK, "Command Command_SetWorldTime successful. Thank you, come again!",
         [](QIRN_Console& c, QIRN_Engine&) { c.m_fWorldTime = 4.0f; },
         [](QIRN_Console& c, QIRN_Engine&)
         {
             EXPECT_EQ(c.m_fWorldTime, 0.0f);
             EXPECT_TRUE(c.m_bSetWorldTime);
         }},
        {"setworldtime -1", OK, "Error: parameter value can't be smaller than 0.0", nullptr,
         [](QIRN_Console& c, QIRN_Engine&) { EXPECT_FALSE(c.m_bSetWorldTime); }},
        // Unknown words change nothing.
        {"explode", BAD_CONSOLE_COMMAND, BAD, nullptr,
         [](QIRN_Console& c, QIRN_Engine&) { EXPECT_LT(c.m_fExitTime, 0.0f); }},
        {"Exit", BAD_CONSOLE_COMMAND, BAD, nullptr,
         [](QIRN_Console& c, QIRN_Engine&) { EXPECT_LT(c.m_fExitTime, 0.0f); }},
    };
    AddFlagCases(vCases, "shownormals", "normals", &QIRN_Console::m_bShowNormals,
                 "Command ShowNormals accepted. Thank you, come again!");
    AddFlagCases(vCases, "showstats", "stats", &QIRN_Console::m_bShowStats,
                 "Command ShowStats accepted. Thank you, come again!");
    AddFlagCases(vCases, "showxyz", "xyz", &QIRN_Console::m_bShowXYZ,
                 "Command ShowXYZ accepted. Thank you, come again!");
    AddFlagCases(vCases, "showpos", "pos", &QIRN_Console::m_bShowPos,
                 "Command ShowPos accepted. Thank you, come again!");
    AddFlagCases(vCases, "showwaypoints", "showwaypoints", &QIRN_Console::m_bShowWayPoints,
                 "Command ShowWayPoints accepted. Thank you, come again!");
    AddFlagCases(vCases, "showlightmeshes", "showlightmeshes", &QIRN_Console::m_bShowLightMeshes,
                 "Command ShowLightMeshes accepted. Thank you, come again!");
    AddFlagCases(vCases, "showcamerameshes", "showcamerameshes", &QIRN_Console::m_bShowCameraMeshes,
                 "Command ShowCameraMeshes accepted. Thank you, come again!");
    AddFlagCases(vCases, "showname", "name", &QIRN_Console::m_bShowWorldName,
                 "Command ShowWorldName accepted. Thank you, come again!");
    AddFlagCases(vCases, "showemitters", "showemitters", &QIRN_Console::m_bShowParticleEmitters,
                 "Command ShowParticleEmitters accepted. Thank you, come again!");
    AddFlagCases(vCases, "showattractors", "showattractors", &QIRN_Console::m_bShowParticleAttractors,
                 "Command ShowParticleAttractors accepted. Thank you, come again!");
    AddFlagCases(vCases, "showbones", "bones", &QIRN_Console::m_bShowBones,
                 "Command ShowBones accepted. Thank you, come again!");
    return vCases;
}
} // namespace

TEST_F(ConsoleTest, EveryCommandWordAndAlias)
{
    qirn_test::WriteFile("scene.w", "world");
    for (const CommandCase& c : Cases())
    {
        QIRN_Engine engine;
        QIRN_Console console(&engine);
        if (c.setup)
        {
            c.setup(console, engine);
        }
        uint32_t dwLine = console.m_dwCurrentLine;
        EXPECT_EQ(console.ParseCommand(c.strLine), c.eResult) << c.strLine;
        if (c.szReply)
        {
            ASSERT_GT(console.m_dwCurrentLine, dwLine) << c.strLine;
            if (c.szReply != ANY_REPLY)
            {
                EXPECT_STREQ(console.m_aszLines[console.m_dwCurrentLine - 1], c.szReply) << c.strLine;
            }
        }
        else
        {
            EXPECT_EQ(console.m_dwCurrentLine, dwLine) << c.strLine;
        }
        if (c.check)
        {
            c.check(console, engine);
        }
    }
}

TEST_F(ConsoleTest, HelpListsExactlyTheCommandsTheParserAccepts)
{
    QIRN_Console& console = Console();
    console.ParseCommand("help");
    const uint32_t dwEnd = console.m_dwCurrentLine;
    EXPECT_EQ(Line(500), "Available commands:");
    EXPECT_EQ(Line(507), "fillmode [mode]                    - [mode]: 0 = the shaders' own, 1 = solid, 2 = "
                         "wireframe, 3 = point");
    // Every word a help line names (before its arguments) is a command, and every command is named.
    std::vector<std::string> vWords;
    for (uint32_t dwLine = 501; dwLine < dwEnd; ++dwLine)
    {
        std::string strLine = Line(dwLine);
        size_t nDash = strLine.find(" - ");
        ASSERT_NE(nDash, std::string::npos) << strLine;
        std::string strNames = strLine.substr(0, nDash);
        for (size_t nStart = 0; nStart < strNames.size();)
        {
            size_t nEnd = strNames.find_first_of(", ", nStart);
            vWords.push_back(strNames.substr(nStart, nEnd - nStart));
            if (nEnd == std::string::npos || strNames[nEnd] == ' ')
            {
                break;
            }
            nStart = nEnd + 2;
        }
    }
    EXPECT_EQ(vWords.size(), 55u);
    for (const char* szWord : {"setworldtime", "fpslock", "quit", "point", "wireframe", "solid", "showwaypoints",
                               "showname", "showlinesystems", "toggle", "rem"})
    {
        EXPECT_NE(std::find(vWords.begin(), vWords.end(), szWord), vWords.end()) << szWord;
    }
    for (const std::string& strWord : vWords)
    {
        QIRN_Console fresh(nullptr);
        EXPECT_NE(fresh.ParseCommand(strWord + " 0"), BAD_CONSOLE_COMMAND) << strWord;
    }
    EXPECT_EQ(std::find(vWords.begin(), vWords.end(), "showtravelpaths"), vWords.end());
    EXPECT_EQ(std::find(vWords.begin(), vWords.end(), "showworldname"), vWords.end());
}

TEST_F(ConsoleTest, CommandsThatNeedAnEngine)
{
    QIRN_Console console(nullptr);
    EXPECT_EQ(console.ParseCommand("exit 5"), GENERICERROR);
    EXPECT_EQ(console.ParseCommand("showfps"), GENERICERROR);
    EXPECT_EQ(console.m_dwCurrentLine, 500u);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_Console::Command_Exit() - m_pEngine is NULL\n"));
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_Console::Command_ShowFps() - m_pEngine is NULL\n"));
}
