// qirn_baseline: the bare OpenGL yardstick. It draws a frame dumped from the engine's OpenGL
// renderer (its clears, triangles, textures and draw order) again and again with vertex arrays
// and nothing else: no engine, no shaders, no lighting or fog, one glDrawArrays per engine draw.
// Frames are timed as the bench host times the engine's: submission apart from the buffer swap.
// Results are "bench.<name> <value>" lines on stdout.
//
//   qirn_baseline.exe FRAME_FILE [--frames N]

#include "benchframe.h"
#include "benchwindow.h"

#include <windows.h>

#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

namespace
{
const char* const WINDOW_CLASS = "QIRN_BASELINE";

// A popup window of the frame's size with a double-buffered RGBA context and a 24-bit depth buffer.
HDC MakeContext(uint32_t uWidth, uint32_t uHeight)
{
    HWND hWnd = bench::MakePopup(WINDOW_CLASS, "Tolvamir baseline", uWidth, uHeight);
    if (!hWnd)
    {
        return nullptr;
    }
    HDC hDC = GetDC(hWnd);
    PIXELFORMATDESCRIPTOR oFormat = {};
    oFormat.nSize = sizeof(oFormat);
    oFormat.nVersion = 1;
    oFormat.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    oFormat.iPixelType = PFD_TYPE_RGBA;
    oFormat.cColorBits = 32;
    oFormat.cDepthBits = 24;
    oFormat.iLayerType = PFD_MAIN_PLANE;
    const int iFormat = ChoosePixelFormat(hDC, &oFormat);
    if (iFormat == 0 || !SetPixelFormat(hDC, iFormat, &oFormat))
    {
        return nullptr;
    }
    HGLRC hRC = wglCreateContext(hDC);
    if (!hRC || !wglMakeCurrent(hDC, hRC))
    {
        return nullptr;
    }
    glViewport(0, 0, static_cast<GLsizei>(uWidth), static_cast<GLsizei>(uHeight));
    bench::PumpMessages();
    return hDC;
}

// The frame's textures under names of this context, keyed by the engine's names.
std::map<uint32_t, GLuint> UploadTextures(const BenchFrame& roFrame)
{
    std::map<uint32_t, GLuint> oNames;
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (const BenchTexture& roTexture : roFrame.m_voTextures)
    {
        GLuint uName = 0;
        glGenTextures(1, &uName);
        glBindTexture(GL_TEXTURE_2D, uName);
        for (size_t i = 0; i < roTexture.voLevels.size(); ++i)
        {
            const BenchTextureLevel& ro = roTexture.voLevels[i];
            glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(i), GL_RGBA, static_cast<GLsizei>(ro.uWidth),
                         static_cast<GLsizei>(ro.uHeight), 0, GL_RGBA, GL_UNSIGNED_BYTE, ro.vPixels.data());
        }
        // A mipmapped filter on a texture without its levels would sample nothing.
        const bool bMipmapped = roTexture.voLevels.size() > 1;
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER,
                        bMipmapped ? static_cast<GLint>(roTexture.uMinFilter) : GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, static_cast<GLint>(roTexture.uMagFilter));
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, static_cast<GLint>(roTexture.uWrapS));
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, static_cast<GLint>(roTexture.uWrapT));
        oNames[roTexture.uName] = uName;
    }
    return oNames;
}

void Enable(GLenum eCap, bool bOn)
{
    if (bOn)
    {
        glEnable(eCap);
    }
    else
    {
        glDisable(eCap);
    }
}

void DrawFrame(const BenchFrame& roFrame, const std::map<uint32_t, GLuint>& roTextures)
{
    for (const BenchDraw& ro : roFrame.m_voDraws)
    {
        if (ro.uKind == 0)
        {
            glClearColor(ro.afClearColor[0], ro.afClearColor[1], ro.afClearColor[2], ro.afClearColor[3]);
            glClearDepth(ro.fClearDepth);
            glDepthMask(GL_TRUE);
            glClear(ro.uMask);
            continue;
        }
        if (ro.voVertices.empty())
        {
            continue;
        }
        glMatrixMode(GL_PROJECTION);
        glLoadMatrixf(ro.afProjection);
        glMatrixMode(GL_MODELVIEW);
        glLoadMatrixf(ro.afModelView);
        const auto itTexture = roTextures.find(ro.uTexture);
        const bool bTexture = (ro.uStates & BENCH_STATE_TEXTURE_2D) && itTexture != roTextures.end();
        Enable(GL_TEXTURE_2D, bTexture);
        if (bTexture)
        {
            glBindTexture(GL_TEXTURE_2D, itTexture->second);
        }
        Enable(GL_BLEND, (ro.uStates & BENCH_STATE_BLEND) != 0);
        glBlendFunc(ro.uBlendSrc, ro.uBlendDst);
        Enable(GL_DEPTH_TEST, (ro.uStates & BENCH_STATE_DEPTH_TEST) != 0);
        glDepthFunc(ro.uDepthFunc);
        glDepthMask((ro.uStates & BENCH_STATE_DEPTH_WRITE) ? GL_TRUE : GL_FALSE);
        Enable(GL_CULL_FACE, (ro.uStates & BENCH_STATE_CULL_FACE) != 0);
        glCullFace(ro.uCullFace);
        glFrontFace(ro.uFrontFace);
        const BenchVertex* p = ro.voVertices.data();
        glVertexPointer(3, GL_FLOAT, sizeof(BenchVertex), p->afPosition);
        glTexCoordPointer(2, GL_FLOAT, sizeof(BenchVertex), p->afTexCoord);
        glColorPointer(4, GL_FLOAT, sizeof(BenchVertex), p->afColor);
        glDrawArrays(ro.uMode, 0, static_cast<GLsizei>(ro.voVertices.size()));
    }
}
} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
    {
        fprintf(stderr, "usage: qirn_baseline.exe FRAME_FILE [--frames N]\n");
        return 1;
    }
    int iFrames = 0;
    if (!bench::FramesOption(argc, argv, iFrames))
    {
        return 1;
    }
    BenchFrame oFrame;
    std::string strError;
    if (!oFrame.Load(argv[1], strError))
    {
        fprintf(stderr, "baseline: %s\n", strError.c_str());
        return 1;
    }
    if (oFrame.m_uWidth == 0 || oFrame.m_uHeight == 0 || !MakeContext(oFrame.m_uWidth, oFrame.m_uHeight))
    {
        fprintf(stderr, "baseline: no OpenGL context for a %ux%u window\n", oFrame.m_uWidth,
                oFrame.m_uHeight);
        return 1;
    }
    HDC hDC = wglGetCurrentDC();
    const std::map<uint32_t, GLuint> oTextures = UploadTextures(oFrame);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    bench::TimeFrames(
        "baseline", iFrames,
        [&]
        {
            DrawFrame(oFrame, oTextures);
            return true;
        },
        [&] { return SwapBuffers(hDC) != FALSE; });
    printf("bench.triangles %llu\n", static_cast<unsigned long long>(oFrame.CountTriangles()));
    return 0;
}
