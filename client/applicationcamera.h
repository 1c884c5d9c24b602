#pragma once
// cApplicationCamera: picks the camera the client renders through and lets the viewer fly the
// camera named "FreeCam01" with the arrow keys, Page Up, Page Down and the mouse. It never owns a
// camera: the world does, so the camera is dropped before the world goes and chosen again after
// every load.

#include "qirn_errors.h"

#include <cstdint>

class QIRN_CameraActor;
class QIRN_World;
class cTolvamir;

// Answers whether a virtual key is held down right now.
typedef bool (*KeyDownReader)(int iVirtualKey);

class cApplicationCamera
{
public:
    cApplicationCamera();

    // After each world load: the world's first camera by name, or a new one when it has none.
    QIRN_ErrorCode Init(cTolvamir* poClient);
    // The next camera of the world in name order; the free camera is on when it is "FreeCam01".
    QIRN_ErrorCode SwitchCamera();
    QIRN_ErrorCode Update(float fDeltaTime);
    QIRN_ErrorCode OnEvent(float fDeltaTime);
    QIRN_ErrorCode HandleMouseMove(int iDeltaX, int iDeltaY);

    QIRN_CameraActor* GetCamera() const { return m_poCamera; }
    bool IsFreeCamera() const { return m_bFreeCamera; }

    // Drops the selected camera, before the world that owns it is unloaded.
    void ForgetCamera() { m_poCamera = nullptr; }
    // Selects the world's first camera without making one; answers whether there is one.
    bool TakeFirstCamera(QIRN_World* poWorld);

    // Tests steer the keyboard through this; NULL restores the real keyboard.
    static void SetKeyDownReader(KeyDownReader pfnReader);

    // Filled from the console's camera-speed request; the motion does not read it.
    float m_afSpeeds[8];
    int16_t m_iLastMouseX;
    int16_t m_iLastMouseY;
    QIRN_CameraActor* m_poCamera;
    cTolvamir* m_poClient;
    bool m_bFreeCamera;
    // The client's frame step and the last two timer readings, in seconds.
    float m_fDeltaTime;
    float m_fLastTime;
    float m_fPreviousTime;
};
