#include "engine_test_support.h"

#include "qirn_shader.h"

#include <string>

using engine_test::ConsoleTest;

namespace
{
const char* const FULL_SKIN = R"(qirn_console_config_file_version2.0
{
    FontName { Courier   New }
    FontSize { 12 }
    FontSize { 14 }
    FontFlags { 3 }
    FontColor { 255 0 0 255 }
    Backdrop { anything { nested } at all }
    Shader
    {
        Name { Skin Shader }
        NumPasses { 1 }
        Pass { AlphaBlendEnabled { 0 } }
    }
}
)";
} // namespace

TEST_F(ConsoleTest, SkinSetsFontAndShader)
{
    qirn_test::WriteFile("green.skin", FULL_SKIN);
    QIRN_Console& console = Console();
    EXPECT_EQ(console.Load("green"), OK);
    EXPECT_EQ(console.m_strFontName, "Courier New");
    EXPECT_EQ(console.m_dwFontSize, 14u);
    EXPECT_EQ(console.m_dwFontFlags, 3u);
    EXPECT_EQ(console.m_dwFontColor, 0xFFFF0000u);
    ASSERT_NE(console.m_poShader, nullptr);
    EXPECT_EQ(console.m_poShader->GetName(), "Skin Shader");
    ASSERT_EQ(console.m_poShader->m_dwNumPasses, 1u);
    EXPECT_FALSE(console.m_poShader->m_poPasses[0].m_bAlphaBlendEnabled);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_Console::Load() - Unknown keyword \"Backdrop\"!\n"));
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_Console::Load() - Finished loading configuration file"));

    // The skin command reports the same load into the history.
    EXPECT_EQ(console.ParseCommand("loadskin green.skin"), OK);
    EXPECT_EQ(LastLine(), "Command LoadSkin successful. Thank you, come again!");
}

TEST_F(ConsoleTest, SkinFailuresKeepWhatWasRead)
{
    struct Case
    {
        const char* szText;
        QIRN_ErrorCode eResult;
        const char* szLog;
        uint32_t dwFontSize;
    };
    const Case cases[] = {
        {"qirn_console_config_file_version1.0 { FontSize { 12 } }", FILEERROR,
         "*** QIRN_Console::Load() - Invalid console skin file!\n", 10},
        {"qirn_console_config_file_version2.0 FontSize { 12 } }", FILEERROR,
         "*** QIRN_Console::Load() - Invalid console skin file!\n", 10},
        // The data ends right after the last block, or white space follows it.
        {"qirn_console_config_file_version2.0 { FontSize { 12 }", GENERICERROR,
         "*** QIRN_Console::Load() - Hit the end of file while reading\n", 12},
        {"qirn_console_config_file_version2.0 { FontSize { 12 }\n", FILEREAD_ERROR,
         "*** QIRN_Console::Load() - Error in skiping the file block!\n", 12},
        {"qirn_console_config_file_version2.0 { FontSize { 12 } Oops FontSize { 13 } }", FILEREAD_ERROR,
         "                           Attempting to skip block!\n", 12},
        {"qirn_console_config_file_version2.0 { FontSize { big } }", FILEREAD_ERROR,
         "*** QIRN_File::ReadBlock():Unable to read the value of the block\n", 10},
        {"qirn_console_config_file_version2.0 { FontFlags { x } }", FILEREAD_ERROR,
         "*** QIRN_Console::Load() - Error reading FontFlags\n", 10},
        {"qirn_console_config_file_version2.0 { FontColor { 1 2 } }", FILEREAD_ERROR,
         "*** QIRN_Console::Load() - Error reading FontColor\n", 10},
        {"qirn_console_config_file_version2.0 { FontName { Arial", FILEREAD_ERROR,
         "*** QIRN_Console::Load() - Error reading FontName\n", 10},
        {"", FILEERROR, "*** QIRN_Console::Load() - Unable to open console skin file!\n", 10},
    };
    for (const Case& c : cases)
    {
        qirn_test::WriteFile("broken.skin", c.szText);
        QIRN_Console console(nullptr);
        m_oLog.Clear();
        EXPECT_EQ(console.Load("broken.skin"), c.eResult) << c.szText;
        EXPECT_TRUE(m_oLog.Contains(c.szLog)) << c.szText << "\n" << m_oLog.All();
        EXPECT_EQ(console.m_dwFontSize, c.dwFontSize) << c.szText;
        EXPECT_EQ(console.m_strFontName, "Lucida Console") << c.szText;
        EXPECT_NE(console.m_poShader, nullptr) << c.szText;
    }

    QIRN_Console& console = Console();
    EXPECT_EQ(console.Load("absent"), FILENOTFOUND);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_Console::Load() - Console skin file not found!\n"));
    EXPECT_EQ(console.ParseCommand("skin absent"), FILENOTFOUND);
    EXPECT_EQ(LastLine(), "Unable to load skin 'absent'!");

    // A shader block that fails leaves no shader, even though there was one.
    qirn_test::WriteFile(
        "badshader.skin",
        "qirn_console_config_file_version2.0 { FontSize { 11 } Shader { NumPasses { x } } }");
    EXPECT_EQ(console.Load("badshader"), FILEREAD_ERROR);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_Console::Load() - Error loading shader\n"));
    EXPECT_EQ(console.m_poShader, nullptr);
    EXPECT_EQ(console.m_dwFontSize, 11u);
}

TEST_F(ConsoleTest, SkinShaderCountsAreBounded)
{
    // The skin's shader block is read like the shader file's, so its counts have the same limits.
    const char* const szHead = "qirn_console_config_file_version2.0 { FontSize { 12 } Shader { ";
    const struct
    {
        std::string szShader;
        const char* szLine;
    } cases[] = {
        {"NumPasses { 65536 } } }",
         "*** QIRN_Shader::Load - Unable to make 65536 passes (a shader has at most 32)\n"},
        {"NumPasses { 1 } Pass { NumLayers { 65536 } } } }",
         "Unable to make 65536 layers (a pass has at most 8)"},
        {"NumPasses { 1 } Pass { NumLayers { 1 } Layer { DynamicLayer { NumArgs { 65536 } } } } } }",
         "NumArgs 65536 is too large (at most 256)"},
        {"NumPasses { 1 } Pass { VertexShaderConstants { NumRows { 65536 } VSFlag { 1 } } } } }",
         "NumRows 65536 is more than the 256 constant registers"},
    };
    for (const auto& c : cases)
    {
        qirn_test::WriteFile("counts.skin", szHead + c.szShader);
        QIRN_Console console(nullptr);
        m_oLog.Clear();
        EXPECT_EQ(console.Load("counts"), FILEREAD_ERROR) << c.szShader;
        EXPECT_TRUE(m_oLog.Contains(c.szLine)) << c.szShader << "\n" << m_oLog.All();
        EXPECT_TRUE(m_oLog.Contains("*** QIRN_Console::Load() - Error loading shader\n")) << c.szShader;
        EXPECT_EQ(console.m_poShader, nullptr) << c.szShader;
        EXPECT_EQ(console.m_dwFontSize, 12u) << c.szShader;
    }
}

TEST_F(ConsoleTest, ScriptRunsOnlyItsCommands)
{
    qirn_test::WriteFile("script.txt", "rem the set-up\r\n"
                                       "\r\n"
                                       "; fill\r\n"
                                       "print one\r\n"
                                       "    \r\n"
                                       "// two\r\n"
                                       "fillmode 2\r\n"
                                       "print last");
    QIRN_Console& console = Console();
    EXPECT_EQ(console.ParseCommand("runscript script.txt"), OK);
    EXPECT_EQ(console.m_dwFillMode, 2u);
    // Script lines are not echoed; only their replies appear.
    EXPECT_EQ(Line(500), "one");
    EXPECT_EQ(Line(501), "last");
    EXPECT_EQ(Line(502), "Command RunConsoleScript accepted. Thank you, come again!");
    EXPECT_EQ(console.m_dwCurrentLine, 503u);
}

TEST_F(ConsoleTest, ScriptLinesAreCutAt255Characters)
{
    std::string strExact = "print " + std::string(249, 'a');
    std::string strLong = "print " + std::string(294, 'b');
    qirn_test::WriteFile("long.txt", strExact + "\n" + strLong + "\nprint next\n");
    QIRN_Console& console = Console();
    EXPECT_EQ(console.Command_RunConsoleScript("long.txt"), OK);
    EXPECT_EQ(Line(500) + Line(501), std::string(249, 'a'));
    EXPECT_EQ(Line(502) + Line(503), std::string(249, 'b'));
    EXPECT_EQ(Line(504), "next");
    EXPECT_EQ(m_oLog.Count("is longer than 255 characters and was cut"), 1u);
    EXPECT_TRUE(m_oLog.Contains("Line 2 of"));
}

TEST_F(ConsoleTest, ScriptsThatRunThemselvesStop)
{
    qirn_test::WriteFile("self.txt", "print tick\nrunscript self.txt\nprint after\n");
    QIRN_Console& console = Console();
    EXPECT_EQ(console.Command_RunConsoleScript("self.txt"), OK);
    // The script runs once; its own runscript line is refused and the script goes on.
    EXPECT_EQ(Line(500), "tick");
    EXPECT_EQ(Line(501), "after");
    EXPECT_EQ(Line(502), "Command RunConsoleScript accepted. Thank you, come again!");
    EXPECT_EQ(console.m_dwCurrentLine, 503u);
    EXPECT_EQ(
        m_oLog.Count("*** QIRN_Console::Command_RunConsoleScript - Script 'self.txt' is already running, "
                     "not run again\n"),
        1u);

    // Four lines that run the script itself are refused once each, not once per path through
    // eight levels.
    qirn_test::WriteFile("four.txt", "runscript four.txt\nrunscript four.txt\nrunscript four.txt\n"
                                     "runscript four.txt\nprint done\n");
    m_oLog.Clear();
    EXPECT_EQ(console.Command_RunConsoleScript("four.txt"), OK);
    EXPECT_EQ(m_oLog.Count("Script 'four.txt' is already running"), 4u);
    EXPECT_EQ(Line(503), "done");
    EXPECT_EQ(console.m_dwCurrentLine, 505u);

    // Two scripts that run each other, under another spelling of the same file, stop the same way;
    // once a script has finished it may run again.
    qirn_test::WriteFile("ping.txt", "runscript pong.txt\nrunscript pong.txt\n");
    qirn_test::WriteFile("pong.txt", "print pong\nrunscript .\\PING.TXT\n");
    m_oLog.Clear();
    EXPECT_EQ(console.Command_RunConsoleScript("ping.txt"), OK);
    EXPECT_EQ(m_oLog.Count("Script '.\\PING.TXT' is already running"), 2u);
    EXPECT_EQ(Line(505), "pong");
    EXPECT_EQ(Line(506), "Command RunConsoleScript accepted. Thank you, come again!");
    EXPECT_EQ(Line(507), "pong");
    EXPECT_EQ(console.m_dwCurrentLine, 510u);
}

TEST_F(ConsoleTest, ScriptChainsStopAtEightLevels)
{
    // level1.txt runs level2.txt and so on; the ninth is refused and the eight below finish.
    for (int i = 1; i <= 9; ++i)
    {
        qirn_test::WriteFile("level" + std::to_string(i) + ".txt", "print " + std::to_string(i) +
                                                                       "\nrunscript level" +
                                                                       std::to_string(i + 1) + ".txt\n");
    }
    QIRN_Console& console = Console();
    EXPECT_EQ(console.Command_RunConsoleScript("level1.txt"), OK);
    for (uint32_t i = 0; i < 8; ++i)
    {
        EXPECT_EQ(Line(500 + i), std::to_string(i + 1)) << i;
        EXPECT_EQ(Line(508 + i), "Command RunConsoleScript accepted. Thank you, come again!") << i;
    }
    EXPECT_EQ(console.m_dwCurrentLine, 516u);
    EXPECT_EQ(m_oLog.Count("Scripts nested deeper than 8, 'level9.txt' not run"), 1u);
}

TEST_F(ConsoleTest, MissingScriptLeavesNoLine)
{
    QIRN_Console& console = Console();
    EXPECT_EQ(console.Command_RunConsoleScript("gone.txt"), FILENOTFOUND);
    EXPECT_EQ(console.m_dwCurrentLine, 500u);
    EXPECT_TRUE(m_oLog.Contains("QIRN_Console::Command_RunConsoleScript - File not found 'gone.txt'\n"));
}

TEST_F(ConsoleTest, StartupScriptComesFromTheSettings)
{
    QIRN_Console& console = Console();
    EXPECT_EQ(console.RunStartupScripts(), OK);
    EXPECT_EQ(console.m_dwCurrentLine, 500u);

    WriteSettings("[console]\r\nscript = start.txt ; the start-up commands\r\n");
    qirn_test::WriteFile("start.txt", "print started\n");
    EXPECT_EQ(console.RunStartupScripts(), OK);
    EXPECT_EQ(Line(500), "Running console script(s)!");
    EXPECT_EQ(Line(501), "");
    EXPECT_EQ(Line(502), "started");
    EXPECT_EQ(Line(503), "Command RunConsoleScript accepted. Thank you, come again!");
}
