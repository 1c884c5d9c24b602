#pragma once
// GLFrameRecorder: records one frame of the OpenGL renderer as a BenchFrame. It puts hooks in
// place of the program's imports of the immediate-mode calls the renderer makes (glBegin, the
// vertex attribute calls, glEnd, glClear); each hook passes the call on, so the frame is drawn as
// usual. At each glBegin it reads the state a bare program needs to draw the same triangles the
// same way: matrices, the bound 2D texture, blending, depth and culling. The engine's normal path
// carries no trace of it.

#include "benchframe.h"

#include <string>

class GLFrameRecorder
{
public:
    // Hooks the imports once; false with the missing call's name in rstrError.
    static bool Install(std::string& rstrError);
    // Records from now on into a fresh frame of that size.
    static void Begin(uint32_t uWidth, uint32_t uHeight);
    // Stops recording and reads back the textures the frame sampled (the context still current).
    static BenchFrame& End();
};
