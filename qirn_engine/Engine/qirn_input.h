#pragma once
// QIRN_Input: the engine's input interface. Once per frame the engine calls Update, which fetches
// the buffered device events, then turns every event into an engine input event through the
// translation operations, which also keep the modifier keys, mouse movement and buttons current.

#include "qirn_errors.h"

#include <windows.h>

#include <cstdint>

class QIRN_Engine;
struct QIRN_InputParams;

class QIRN_Input
{
public:
    QIRN_Input() = default;
    QIRN_Input(const QIRN_Input&) = delete;
    QIRN_Input& operator=(const QIRN_Input&) = delete;

    virtual QIRN_ErrorCode Init(QIRN_Engine* pOwner, QIRN_InputParams* pParams, HWND hWnd) = 0;
    virtual QIRN_ErrorCode Shutdown() = 0;
    // Fetches this frame's events; translate them only after an answer of 0.
    virtual QIRN_ErrorCode Update() = 0;
    // The engine key code of keyboard event i, 0 for none; keeps shift, ctrl and alt current.
    virtual int32_t TranslateKey(uint32_t dwIndex) = 0;
    virtual bool IsKeyPressed(uint32_t dwIndex) = 0;
    // The mouse event kind (QIRN_MOUSE_*) of mouse event i; keeps movement and buttons current.
    virtual int32_t TranslateMouse(uint32_t dwIndex) = 0;
    virtual int32_t GetMouseDeltaX() = 0;
    virtual int32_t GetMouseDeltaY() = 0;
    virtual int32_t GetMouseDeltaZ() = 0;
    virtual bool IsMouseButtonDown0() = 0;
    virtual bool IsMouseButtonDown1() = 0;
    virtual bool IsMouseButtonDown2() = 0;
    virtual bool IsMouseButtonDown3() = 0;
    virtual bool IsShiftDown() = 0;
    virtual bool IsCtrlDown() = 0;
    virtual bool IsAltDown() = 0;
    virtual ~QIRN_Input() = default;

    // Events fetched by the last Update.
    virtual uint32_t GetNumKeyboardEvents() const = 0;
    virtual uint32_t GetNumMouseEvents() const = 0;
};
