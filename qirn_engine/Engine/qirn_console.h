#pragma once
// QIRN_Console: the in-scene command console. A fixed ring of history lines that commands,
// scripts and the client print into, the input line the viewer types into, and the request
// fields through which commands ask the client, the engine and the renderers to act. The base
// class keeps all text and state and draws nothing; the renderers' consoles add the drawing.

#include "qirn_debug.h"
#include "qirn_errors.h"

#include <cstdint>
#include <string>
#include <vector>

class QIRN_Engine;
class QIRN_Graphics;
class QIRN_Shader;

// Size of the history ring and of each line; the history lives inside the object.
const uint32_t QIRN_CONSOLE_MAXLINES = 1000;
const uint32_t QIRN_CONSOLE_LINEWIDTH = 128;
const uint32_t QIRN_CONSOLE_VISIBLELINES = 25;
// Longest formatted text of one Print, without its terminating zero.
const uint32_t QIRN_CONSOLE_PRINTBUFFER = 1024;
// Longest script line; longer lines are cut to this length.
const uint32_t QIRN_CONSOLE_MAXSCRIPTLINE = 255;
// How deep scripts may run other scripts; a script never runs while it is already running.
const int QIRN_CONSOLE_MAXSCRIPTDEPTH = 8;

class QIRN_Console
{
public:
    explicit QIRN_Console(QIRN_Engine* pEngine);

    QIRN_Console(const QIRN_Console&) = delete;
    QIRN_Console& operator=(const QIRN_Console&) = delete;

    // 1: reads a console skin file (font and background shader).
    virtual QIRN_ErrorCode Load(std::string strSkinFile);
    // 2: does nothing; kept for the renderers' consoles.
    virtual QIRN_ErrorCode ReceiveText(std::string strText);
    // 3: the renderers' consoles keep the device they draw with.
    virtual void SetGraphics(QIRN_Graphics* pGraphics);
    // 4: the renderers' consoles drop what they made on the device.
    virtual void ReleaseResources();
    // 5: draws the console; the base draws nothing.
    virtual QIRN_ErrorCode Render();
    // 6: the renderers' consoles are deleted through the base.
    virtual ~QIRN_Console();

    // Appends a printf-style text to the history; a text longer than the print buffer is cut.
    int Print(const char* szFormat, ...) QIRN_PRINTF_FORMAT(2, 3);
    // The first of m_dwShownLines consecutive history lines in view, or NULL when none is shown.
    char* GetFirstVisibleLine();
    // One step of the slide in or out; answers the new m_dwShownLines.
    int UpdateSlide();
    bool IsExitTime();
    // One typed character (from the window's character message).
    void ProcessChar(char c);

    // Lines a view of dwScreenHeight pixels holds at dwLineHeight pixels a line (one row is the
    // input line), kept within the ring whatever the font; drawers store it in m_dwVisibleLines.
    static uint32_t FitVisibleLines(uint32_t dwScreenHeight, uint32_t dwLineHeight);
    // m_dwVisibleLines as the ring can honour it: 1 to half the ring, so that the mirrored copy of
    // the last lines never overlaps the lines it copies.
    uint32_t GetVisibleLinesInRing() const;

    // The command language.
    QIRN_ErrorCode ParseCommand(std::string strLine);
    QIRN_ErrorCode Command_Exit(std::string strArgs);
    QIRN_ErrorCode Command_Help(std::string strArgs);
    QIRN_ErrorCode Command_Cls(std::string strArgs);
    QIRN_ErrorCode Command_ShowNormals(std::string strArgs);
    QIRN_ErrorCode Command_ShowFps(std::string strArgs);
    QIRN_ErrorCode Command_ShowStats(std::string strArgs);
    QIRN_ErrorCode Command_FillMode(std::string strArgs);
    QIRN_ErrorCode Command_FpsLock(std::string strArgs);
    QIRN_ErrorCode Command_Load(std::string strArgs);
    QIRN_ErrorCode Command_ShowXYZ(std::string strArgs);
    QIRN_ErrorCode Command_ShowPos(std::string strArgs);
    QIRN_ErrorCode Command_ShowWayPoints(std::string strArgs);
    QIRN_ErrorCode Command_ShowLightMeshes(std::string strArgs);
    QIRN_ErrorCode Command_ShowCameraMeshes(std::string strArgs);
    QIRN_ErrorCode Command_ShowWorldName(std::string strArgs);
    QIRN_ErrorCode Command_ShowParticleEmitters(std::string strArgs);
    QIRN_ErrorCode Command_ShowParticleAttractors(std::string strArgs);
    QIRN_ErrorCode Command_ShowBones(std::string strArgs);
    QIRN_ErrorCode Command_ShowLineSystems(std::string strArgs);
    QIRN_ErrorCode Command_RunConsoleScript(std::string strFileName);
    QIRN_ErrorCode Command_LoadSkin(std::string strArgs);
    QIRN_ErrorCode Command_Print(std::string strArgs);
    QIRN_ErrorCode Command_ShowShader(std::string strArgs);
    QIRN_ErrorCode Command_ShowTexture(std::string strArgs);
    QIRN_ErrorCode Command_DumpFrames(std::string strArgs);
    QIRN_ErrorCode Command_ToggleConsole(std::string strArgs);
    QIRN_ErrorCode Command_SetMouseLookSpeed(std::string strArgs);
    QIRN_ErrorCode Command_SetMoveSpeed(std::string strArgs);
    QIRN_ErrorCode Command_SetWorldTime(std::string strArgs);

    // Runs the script named by [console] script of the settings file, if any; answers 0.
    QIRN_ErrorCode RunStartupScripts();

    QIRN_Engine* m_pEngine;
    uint32_t m_dwMaxLines;
    uint32_t m_dwLineWidth;
    uint32_t m_dwVisibleLines;
    char m_aszLines[QIRN_CONSOLE_MAXLINES][QIRN_CONSOLE_LINEWIDTH + 1];
    char m_szInput[QIRN_CONSOLE_LINEWIDTH + 1];
    uint32_t m_dwCurrentLine;
    int32_t m_dwShownLines;
    bool m_bOpen;
    QIRN_Shader* m_poShader;
    std::string m_strFontName;
    uint32_t m_dwFontSize;
    uint32_t m_dwFontFlags;
    uint32_t m_dwFontColor;
    uint32_t m_dwFillMode;
    float m_fExitTime;
    bool m_bShowLineSystems;
    bool m_bShowBones;
    bool m_bShowParticleEmitters;
    bool m_bShowParticleAttractors;
    bool m_bShowWorldName;
    bool m_bShowCameraMeshes;
    bool m_bShowLightMeshes;
    bool m_bShowWayPoints;
    bool m_bShowPos;
    bool m_bShowXYZ;
    bool m_bLoadWorld;
    bool m_bShowStats;
    bool m_bShowNormals;
    std::string m_strWorldFile;
    int32_t m_iFpsLock;
    std::string m_strShowShader;
    std::string m_strShowTexture;
    std::string m_strDumpPrefix;
    float m_fWorldTime;
    bool m_bSetCameraSpeeds;
    bool m_bSetWorldTime;
    float m_fMouseSpeedX;
    float m_fMouseSpeedY;
    float m_fMoveSpeedX;
    float m_fMoveSpeedY;
    float m_fMoveSpeedZ;

    // Insertion position in m_szInput, 0 to m_dwLineWidth; the bytes from it on are zero.
    uint32_t m_dwCursor;

private:
    // Stores one byte of the history and its mirrored copy.
    void PutChar(uint32_t dwLine, uint32_t dwColumn, char c);
    void AdvanceLine();
    void PrintText(const char* szText);
    // ProcessChar without the clipboard codes, for pasted text (a paste never pastes again).
    void ProcessTypedChar(char c);
    void CopyInputLine();
    void PasteText();
    // Reads and runs a script that was found; bounded by QIRN_CONSOLE_MAXSCRIPTDEPTH.
    QIRN_ErrorCode RunScriptFile(const std::string& strPath);
    // Whether the script at this resolved path is one of the scripts running now.
    bool IsScriptRunning(const std::string& strPath) const;

    uint32_t LineWidth() const;
    uint32_t MaxLines() const;

    // The scripts running now, outermost first, as full lower-case paths.
    std::vector<std::string> m_astrRunningScripts;
};
