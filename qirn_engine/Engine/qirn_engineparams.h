#pragma once
// The records an application hands to the engine (start, graphics, audio, input) and the input
// event record it takes back.

#include <windows.h>

#include <cstdint>
#include <string>

// Graphics interface kinds.
const int32_t QIRN_GRAPHICS_DX7 = 1;
const int32_t QIRN_GRAPHICS_DX8 = 2;
const int32_t QIRN_GRAPHICS_OPENGL = 3;
// Audio and input interface kinds.
const int32_t QIRN_AUDIO_DX8 = 1;
const int32_t QIRN_INPUT_DX8 = 1;

const uint32_t MAXGRAPHICSDEVICES = 2;

// Devices of an input event.
const int32_t QIRN_INPUTDEVICE_NONE = 0;
const int32_t QIRN_INPUTDEVICE_KEYBOARD = 1;
const int32_t QIRN_INPUTDEVICE_MOUSE = 2;

// Mouse event kinds: the code of a mouse input event.
const int32_t QIRN_MOUSE_NONE = 0;
const int32_t QIRN_MOUSE_X = 1;
const int32_t QIRN_MOUSE_Y = 2;
const int32_t QIRN_MOUSE_WHEEL = 3;
const int32_t QIRN_MOUSE_BUTTON0 = 4;
const int32_t QIRN_MOUSE_BUTTON1 = 5;
const int32_t QIRN_MOUSE_BUTTON2 = 6;
const int32_t QIRN_MOUSE_BUTTON3 = 7;

struct QIRN_EngineParams
{
    std::string m_strIniFile;
    HWND m_hWnd = nullptr;
};

// What InitGraphics takes and keeps per display, to create a lost device again.
class QIRN_GraphicsParams
{
public:
    int32_t m_iAPI = 0;
    uint32_t m_dwDisplay = 0;
    int32_t m_iWidth = 0;
    int32_t m_iHeight = 0;
    int32_t m_iRefreshRate = 0;
    // Engine pixel-format codes.
    int32_t m_iBackBufferFormat = 0;
    int32_t m_iBackBufferCount = 0;
    int32_t m_iDepthStencilFormat = 0;
    int32_t m_iDeviceType = 0;
    uint32_t m_dwVertexProcessing = 0;
    bool m_bAntiAliasing = false;
    int32_t m_iSamples = 0;
    bool m_bEdgeAntiAliasing = false;
    bool m_bWindowed = false;
    bool m_bValidateDisplayMode = false;
    bool m_bZBuffer = false;
    bool m_bStencil = false;
    bool m_bDriverEscape = false;
    bool m_bLowResTextures = false;
    bool m_bLockableBackBuffer = false;
    bool m_bWindowedVSync = false;
};

struct QIRN_AudioParams
{
    int32_t m_iAPI = 0;
};

struct QIRN_InputParams
{
    int32_t m_iAPI = 0;
    bool m_bMouse = false;
    bool m_bKeyboard = false;
};

// One polled input change.
struct QIRN_InputEvent
{
    // QIRN_INPUTDEVICE_*.
    int32_t m_iDevice = 0;
    // Mouse axis movement for the axis kinds; 0 otherwise.
    int32_t m_iValue = 0;
    // Keyboard: the engine key code; mouse: the QIRN_MOUSE_* kind.
    int32_t m_iCode = 0;
    // Keys and mouse buttons: 1 down, 0 up; 0 for axes.
    uint8_t m_byState = 0;
};
