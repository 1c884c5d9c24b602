#pragma once
// Dx8FrameRecorder: records one frame of the Direct3D 8 renderer as a Dx8Frame. Installed before
// the engine makes its device, it puts a hook in place of the program's import of Direct3DCreate8,
// through it in place of CreateDevice, and through that in place of the device's calls that set
// state, make shaders, bind and draw; each hook passes the call on, so the frame is drawn as usual.
// From the device's making on it keeps the last value of every state set and the tokens of every
// shader made, so that a recorded frame begins with the state the device holds. Between Begin and
// End it records each call, and at each draw the bytes of the buffers the draw reads. The hooks
// stay in place once installed: a program measures its own frames in a run without them. A reset
// of the device (which drops its state) is not followed: record from a device never reset.

#include "dx8frame.h"

#include <windows.h>

#include <d3d8.h>

#include <string>

class Dx8FrameRecorder
{
public:
    // Hooks the program's import once; false with the reason in rstrError.
    static bool Install(std::string& rstrError);
    // Records from now on into a fresh frame; false when no device was made since Install.
    static bool Begin();
    // Stops recording and reads the texels of the textures the frame used.
    static Dx8Frame& End();
    // The device made last through the hooks (null before any).
    static IDirect3DDevice8* Device();
    // What could not be recorded faithfully (a buffer or texture that could not be read), or empty.
    static const std::string& Problems();
};
