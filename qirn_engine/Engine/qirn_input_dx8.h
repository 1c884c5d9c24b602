#pragma once
// QIRN_Input_DX8: keyboard and mouse through DirectInput 8 in buffered mode. The event buffers
// are plain members, so the translation of device data can be driven without a device.

#include "qirn_engineparams.h"
#include "qirn_input.h"

#ifndef DIRECTINPUT_VERSION
#define DIRECTINPUT_VERSION 0x0800
#endif
#include <dinput.h>

#include <cstdint>

const uint32_t QIRN_KEYBOARD_BUFFER = 32;
const uint32_t QIRN_MOUSE_BUFFER = 128;
// DirectInput scan codes below this have a place in the key table.
const uint32_t QIRN_KEYTABLE_SIZE = 237;

class QIRN_Input_DX8 : public QIRN_Input
{
public:
    QIRN_Input_DX8();
    ~QIRN_Input_DX8() override;

    QIRN_ErrorCode Init(QIRN_Engine* pOwner, QIRN_InputParams* pParams, HWND hWnd) override;
    QIRN_ErrorCode Shutdown() override;
    QIRN_ErrorCode Update() override;
    int32_t TranslateKey(uint32_t dwIndex) override;
    bool IsKeyPressed(uint32_t dwIndex) override;
    int32_t TranslateMouse(uint32_t dwIndex) override;
    int32_t GetMouseDeltaX() override { return m_iMouseDeltaX; }
    int32_t GetMouseDeltaY() override { return m_iMouseDeltaY; }
    int32_t GetMouseDeltaZ() override { return m_iMouseDeltaZ; }
    bool IsMouseButtonDown0() override { return m_abMouseButtons[0]; }
    bool IsMouseButtonDown1() override { return m_abMouseButtons[1]; }
    bool IsMouseButtonDown2() override { return m_abMouseButtons[2]; }
    bool IsMouseButtonDown3() override { return m_abMouseButtons[3]; }
    bool IsShiftDown() override { return m_bShift; }
    bool IsCtrlDown() override { return m_bCtrl; }
    bool IsAltDown() override { return m_bAlt; }
    uint32_t GetNumKeyboardEvents() const override { return m_dwNumKeyboardEvents; }
    uint32_t GetNumMouseEvents() const override { return m_dwNumMouseEvents; }

    // The engine key code of a DirectInput scan code; 0 for none.
    int32_t GetKeyCode(uint32_t dwScanCode) const;

    QIRN_Engine* m_pOwner;
    int32_t m_iMouseDeltaX;
    int32_t m_iMouseDeltaY;
    int32_t m_iMouseDeltaZ;
    bool m_abMouseButtons[4];
    bool m_bShift;
    bool m_bCtrl;
    bool m_bAlt;
    QIRN_InputParams m_oParams;
    uint32_t m_dwNumKeyboardEvents;
    uint32_t m_dwNumMouseEvents;
    HWND m_hWnd;
    IDirectInput8A* m_pDi;
    IDirectInputDevice8A* m_pKeyboard;
    DIDEVICEOBJECTDATA m_aoKeyboardData[QIRN_KEYBOARD_BUFFER];
    IDirectInputDevice8A* m_pMouse;
    DIDEVICEOBJECTDATA m_aoMouseData[QIRN_MOUSE_BUFFER];
    int32_t m_aiKeyTable[QIRN_KEYTABLE_SIZE];

private:
    QIRN_ErrorCode InitKeyboard();
    QIRN_ErrorCode InitMouse();
    // Fetches up to dwMax buffered events; a failed fetch yields none.
    static HRESULT ReadDevice(IDirectInputDevice8A* pDevice, DIDEVICEOBJECTDATA* pData, uint32_t dwMax,
                              uint32_t* pdwCount);
    // After a failed fetch: acquire the device again, else create everything again.
    QIRN_ErrorCode Recover(IDirectInputDevice8A* pDevice);
};
