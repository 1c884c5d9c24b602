#pragma once
// QIRN_Engine: the one object through which an application drives the engine. It owns the
// graphics implementations, the console, audio, input, the world, the timer and the event
// messages; per frame it updates input, audio, the world and the devices, renders and presents,
// and queues the polled keyboard and mouse changes as input events.

#include "qirn_binarytree.h"
#include "qirn_bitmap.h"
#include "qirn_enginefactory.h"
#include "qirn_engineparams.h"
#include "qirn_errors.h"
#include "qirn_eventmsg.h"
#include "qirn_linkedlist.h"
#include "qirn_world.h"

#include <windows.h>

#include <cstdint>
#include <string>

class QIRN_Audio;
class QIRN_CameraActor;
class QIRN_Console;
class QIRN_Graphics;
class QIRN_Input;
class QIRN_Timer;

class QIRN_Engine
{
public:
    QIRN_Engine();
    ~QIRN_Engine();

    QIRN_Engine(const QIRN_Engine&) = delete;
    QIRN_Engine& operator=(const QIRN_Engine&) = delete;

    // Replaces how the engine makes its parts; call before the parts are made.
    void SetFactory(const QIRN_EngineFactory& oFactory) { m_oFactory = oFactory; }

    QIRN_ErrorCode Initialize(QIRN_EngineParams& oParams);

    QIRN_ErrorCode InitGraphics(QIRN_GraphicsParams* pParams);
    QIRN_ErrorCode InstantiateGraphics(uint32_t dwDisplay, int32_t iAPI);
    QIRN_Graphics* GetGraphicsInterface(uint32_t dwDisplay);
    QIRN_ErrorCode ShutdownGraphics(uint32_t dwDisplay);

    QIRN_ErrorCode InitConsole(QIRN_GraphicsParams* pParams);
    QIRN_ErrorCode InitAudio(QIRN_AudioParams* pParams);
    QIRN_ErrorCode ShutdownAudio();
    QIRN_ErrorCode InitInput(QIRN_InputParams* pParams);

    QIRN_ErrorCode LoadWorld(QIRN_LoadProgressCallback pfnCallback, std::string strFileName);
    QIRN_ErrorCode UnloadWorld();

    QIRN_ErrorCode Update(float fTimeStep, bool bPollInput);
    QIRN_ErrorCode Render(uint32_t dwDisplay, QIRN_CameraActor* pCamera);
    QIRN_ErrorCode Present(uint32_t dwDisplay);

    QIRN_ErrorCode PollInput();
    QIRN_InputEvent* PeekInputEvent();
    QIRN_ErrorCode GetInputEvent(QIRN_InputEvent* pEvent);

    // NULL clears the name; the renderer writes the frame to it and clears it.
    void SetScreenDumpFilename(const char* szFileName);
    const std::string& GetScreenDumpFilename() const { return m_strScreenDumpFilename; }

    // 0 leaves every pass its own fill mode; 1 to 3 force one.
    void SetFillMode(int iMode);
    int GetFillMode();

    QIRN_ErrorCode Shutdown();

    HWND GetWindow() const { return m_hWnd; }
    QIRN_Timer* GetTimer() const { return m_poTimer; }
    QIRN_World* GetWorld() const { return m_poWorld; }
    QIRN_Console* GetConsole() const { return m_poConsole; }
    QIRN_Audio* GetAudio() const { return m_poAudio; }
    QIRN_Input* GetInput() const { return m_poInput; }
    uint32_t GetFrameCount() const { return m_dwFrameCount; }
    float GetTotalTime() const { return m_fTotalTime; }
    uint32_t GetID() const { return m_dwID; }
    bool GetStatisticsFlag() const { return m_bStatistics; }
    void SetStatisticsFlag(bool bOn) { m_bStatistics = bOn; }
    QIRN_BINARYTREE<QIRN_Bitmap>* GetBitmapTree() { return &m_oBitmapTree; }

    // Written by the OpenGL device (the window's device context) and used for its buffer swaps.
    HDC m_hDC;
    float m_fTotalTime;
    HWND m_hWnd;
    uint32_t m_dwID;
    // While set the renderer draws its statistics overlay.
    bool m_bStatistics;
    std::string m_strScreenDumpFilename;
    QIRN_Graphics* m_apoGraphics[MAXGRAPHICSDEVICES];
    // The record of the last successful InitGraphics per display, to create a lost device again.
    QIRN_GraphicsParams m_aoGraphicsParams[MAXGRAPHICSDEVICES];
    QIRN_Input* m_poInput;
    QIRN_Audio* m_poAudio;
    QIRN_Console* m_poConsole;
    QIRN_World* m_poWorld;
    QIRN_Timer* m_poTimer;
    QIRN_EventMsgManager* m_poEventMsgManager;
    QIRN_EventMsgClient* m_poEventMsgClient;
    bool m_bUpdateAudio;
    uint32_t m_dwFrameCount;
    QIRN_LINKEDLIST<QIRN_InputEvent> m_oInputEvents;
    // Images shared by texture file name between the renderers' shaders and the importers.
    QIRN_BINARYTREE<QIRN_Bitmap> m_oBitmapTree;

private:
    QIRN_ErrorCode HandleEventMsg(QIRN_EventMsg* pMsg);
    // Creates the device of a display again from its kept record; on failure the slot stays empty.
    QIRN_ErrorCode RecreateGraphics(uint32_t dwDisplay);
    void AppendInputEvent(int32_t iDevice, int32_t iValue, int32_t iCode, uint8_t byState,
                          const char* szFailure);
    void DestroyWorld();

    QIRN_EngineFactory m_oFactory;
};
