#include "glframerecorder.h"

#include "importpatch.h"

#include <windows.h>

#include <GL/gl.h>

#include <algorithm>
#include <cstring>

namespace
{
typedef void(WINAPI* BeginFunction)(GLenum);
typedef void(WINAPI* EndFunction)();
typedef void(WINAPI* ClearFunction)(GLbitfield);
typedef void(WINAPI* Float3Function)(GLfloat, GLfloat, GLfloat);
typedef void(WINAPI* Float4Function)(GLfloat, GLfloat, GLfloat, GLfloat);
typedef void(WINAPI* Float2Function)(GLfloat, GLfloat);
typedef void(WINAPI* VectorFunction)(const GLfloat*);

struct Originals
{
    BeginFunction pfnBegin = nullptr;
    EndFunction pfnEnd = nullptr;
    ClearFunction pfnClear = nullptr;
    Float3Function pfnVertex3f = nullptr;
    VectorFunction pfnVertex3fv = nullptr;
    Float2Function pfnTexCoord2f = nullptr;
    VectorFunction pfnTexCoord2fv = nullptr;
    Float3Function pfnTexCoord3f = nullptr;
    VectorFunction pfnColor3fv = nullptr;
    Float4Function pfnColor4f = nullptr;
};
Originals g_oReal;

bool g_bInstalled = false;
bool g_bRecording = false;
BenchFrame g_oFrame;
// The draw between glBegin and glEnd, and the current texture coordinates and colour.
BenchDraw* g_poDraw = nullptr;
float g_afTexCoord[2] = {0, 0};
float g_afColor[4] = {1, 1, 1, 1};
// Whether the draw is lit; glIsEnabled cannot be asked between glBegin and glEnd.
bool g_bLit = false;

uint32_t Flag(GLenum eCap, uint32_t uFlag)
{
    return glIsEnabled(eCap) ? uFlag : 0;
}

GLint Integer(GLenum eName)
{
    GLint i = 0;
    glGetIntegerv(eName, &i);
    return i;
}

void SnapshotState(BenchDraw& roDraw)
{
    roDraw.uStates = Flag(GL_TEXTURE_2D, BENCH_STATE_TEXTURE_2D) | Flag(GL_BLEND, BENCH_STATE_BLEND) |
                     Flag(GL_DEPTH_TEST, BENCH_STATE_DEPTH_TEST) | Flag(GL_CULL_FACE, BENCH_STATE_CULL_FACE);
    GLboolean bDepthWrite = GL_TRUE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &bDepthWrite);
    roDraw.uStates |= bDepthWrite ? BENCH_STATE_DEPTH_WRITE : 0;
    roDraw.uTexture = static_cast<uint32_t>(Integer(GL_TEXTURE_BINDING_2D));
    roDraw.uBlendSrc = static_cast<uint32_t>(Integer(GL_BLEND_SRC));
    roDraw.uBlendDst = static_cast<uint32_t>(Integer(GL_BLEND_DST));
    roDraw.uDepthFunc = static_cast<uint32_t>(Integer(GL_DEPTH_FUNC));
    roDraw.uCullFace = static_cast<uint32_t>(Integer(GL_CULL_FACE_MODE));
    roDraw.uFrontFace = static_cast<uint32_t>(Integer(GL_FRONT_FACE));
    glGetFloatv(GL_PROJECTION_MATRIX, roDraw.afProjection);
    glGetFloatv(GL_MODELVIEW_MATRIX, roDraw.afModelView);
    float afTexCoords[4] = {0, 0, 0, 1};
    glGetFloatv(GL_CURRENT_TEXTURE_COORDS, afTexCoords);
    g_afTexCoord[0] = afTexCoords[0];
    g_afTexCoord[1] = afTexCoords[1];
    // Lit draws take their colour from the material; the bare program draws them unlit in it.
    glGetFloatv(GL_CURRENT_COLOR, g_afColor);
    g_bLit = glIsEnabled(GL_LIGHTING) != GL_FALSE;
    if (g_bLit)
    {
        glGetMaterialfv(GL_FRONT, GL_DIFFUSE, g_afColor);
    }
}

void WINAPI HookBegin(GLenum eMode)
{
    if (g_bRecording)
    {
        g_oFrame.m_voDraws.emplace_back();
        g_poDraw = &g_oFrame.m_voDraws.back();
        g_poDraw->uMode = eMode;
        SnapshotState(*g_poDraw);
    }
    g_oReal.pfnBegin(eMode);
}

void WINAPI HookEnd()
{
    g_oReal.pfnEnd();
    g_poDraw = nullptr;
}

void WINAPI HookClear(GLbitfield uMask)
{
    if (g_bRecording)
    {
        BenchDraw oClear;
        oClear.uKind = 0;
        oClear.uMask = uMask;
        glGetFloatv(GL_COLOR_CLEAR_VALUE, oClear.afClearColor);
        glGetFloatv(GL_DEPTH_CLEAR_VALUE, &oClear.fClearDepth);
        g_oFrame.m_voDraws.push_back(oClear);
    }
    g_oReal.pfnClear(uMask);
}

void AddVertex(float x, float y, float z)
{
    if (!g_poDraw)
    {
        return;
    }
    BenchVertex oVertex = {{x, y, z}, {g_afTexCoord[0], g_afTexCoord[1]}, {0, 0, 0, 0}};
    memcpy(oVertex.afColor, g_afColor, sizeof(g_afColor));
    g_poDraw->voVertices.push_back(oVertex);
}

void WINAPI HookVertex3f(GLfloat x, GLfloat y, GLfloat z)
{
    AddVertex(x, y, z);
    g_oReal.pfnVertex3f(x, y, z);
}

void WINAPI HookVertex3fv(const GLfloat* pf)
{
    AddVertex(pf[0], pf[1], pf[2]);
    g_oReal.pfnVertex3fv(pf);
}

void WINAPI HookTexCoord2f(GLfloat u, GLfloat v)
{
    g_afTexCoord[0] = u;
    g_afTexCoord[1] = v;
    g_oReal.pfnTexCoord2f(u, v);
}

void WINAPI HookTexCoord2fv(const GLfloat* pf)
{
    g_afTexCoord[0] = pf[0];
    g_afTexCoord[1] = pf[1];
    g_oReal.pfnTexCoord2fv(pf);
}

void WINAPI HookTexCoord3f(GLfloat u, GLfloat v, GLfloat w)
{
    g_afTexCoord[0] = u;
    g_afTexCoord[1] = v;
    g_oReal.pfnTexCoord3f(u, v, w);
}

void WINAPI HookColor3fv(const GLfloat* pf)
{
    // Inside a lit draw the colour does not show; the material's stays.
    if (g_poDraw && !g_bLit)
    {
        g_afColor[0] = pf[0];
        g_afColor[1] = pf[1];
        g_afColor[2] = pf[2];
        g_afColor[3] = 1.0f;
    }
    g_oReal.pfnColor3fv(pf);
}

void WINAPI HookColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a)
{
    if (g_poDraw && !g_bLit)
    {
        const float afColor[4] = {r, g, b, a};
        memcpy(g_afColor, afColor, sizeof(afColor));
    }
    g_oReal.pfnColor4f(r, g, b, a);
}

struct Hook
{
    const char* szName;
    void* pHook;
    void** ppReal;
};

BenchTexture ReadTexture(uint32_t uName)
{
    BenchTexture oTexture;
    oTexture.uName = uName;
    glBindTexture(GL_TEXTURE_2D, uName);
    GLint i = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &i);
    oTexture.uMinFilter = static_cast<uint32_t>(i);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &i);
    oTexture.uMagFilter = static_cast<uint32_t>(i);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &i);
    oTexture.uWrapS = static_cast<uint32_t>(i);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &i);
    oTexture.uWrapT = static_cast<uint32_t>(i);
    for (GLint iLevel = 0; iLevel < 16; ++iLevel)
    {
        GLint iWidth = 0;
        GLint iHeight = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, iLevel, GL_TEXTURE_WIDTH, &iWidth);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, iLevel, GL_TEXTURE_HEIGHT, &iHeight);
        if (iWidth <= 0 || iHeight <= 0)
        {
            break;
        }
        BenchTextureLevel oLevel;
        oLevel.uWidth = static_cast<uint32_t>(iWidth);
        oLevel.uHeight = static_cast<uint32_t>(iHeight);
        oLevel.vPixels.resize(static_cast<size_t>(iWidth) * iHeight * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, iLevel, GL_RGBA, GL_UNSIGNED_BYTE, oLevel.vPixels.data());
        oTexture.voLevels.push_back(std::move(oLevel));
    }
    return oTexture;
}
} // namespace

bool GLFrameRecorder::Install(std::string& rstrError)
{
    if (g_bInstalled)
    {
        return true;
    }
    const Hook aoHooks[] = {
        {"glBegin", reinterpret_cast<void*>(&HookBegin), reinterpret_cast<void**>(&g_oReal.pfnBegin)},
        {"glEnd", reinterpret_cast<void*>(&HookEnd), reinterpret_cast<void**>(&g_oReal.pfnEnd)},
        {"glClear", reinterpret_cast<void*>(&HookClear), reinterpret_cast<void**>(&g_oReal.pfnClear)},
        {"glVertex3f", reinterpret_cast<void*>(&HookVertex3f),
         reinterpret_cast<void**>(&g_oReal.pfnVertex3f)},
        {"glVertex3fv", reinterpret_cast<void*>(&HookVertex3fv),
         reinterpret_cast<void**>(&g_oReal.pfnVertex3fv)},
        {"glTexCoord2f", reinterpret_cast<void*>(&HookTexCoord2f),
         reinterpret_cast<void**>(&g_oReal.pfnTexCoord2f)},
        {"glTexCoord2fv", reinterpret_cast<void*>(&HookTexCoord2fv),
         reinterpret_cast<void**>(&g_oReal.pfnTexCoord2fv)},
        {"glTexCoord3f", reinterpret_cast<void*>(&HookTexCoord3f),
         reinterpret_cast<void**>(&g_oReal.pfnTexCoord3f)},
        {"glColor3fv", reinterpret_cast<void*>(&HookColor3fv),
         reinterpret_cast<void**>(&g_oReal.pfnColor3fv)},
        {"glColor4f", reinterpret_cast<void*>(&HookColor4f), reinterpret_cast<void**>(&g_oReal.pfnColor4f)},
    };
    for (const Hook& roHook : aoHooks)
    {
        if (!PatchImport("opengl32.dll", roHook.szName, roHook.pHook, roHook.ppReal))
        {
            rstrError = roHook.szName;
            return false;
        }
    }
    g_bInstalled = true;
    return true;
}

void GLFrameRecorder::Begin(uint32_t uWidth, uint32_t uHeight)
{
    g_oFrame = BenchFrame();
    g_oFrame.m_uWidth = uWidth;
    g_oFrame.m_uHeight = uHeight;
    g_poDraw = nullptr;
    g_bRecording = true;
}

BenchFrame& GLFrameRecorder::End()
{
    g_bRecording = false;
    g_poDraw = nullptr;
    std::vector<uint32_t> vNames;
    for (const BenchDraw& roDraw : g_oFrame.m_voDraws)
    {
        if (roDraw.uKind == 1 && (roDraw.uStates & BENCH_STATE_TEXTURE_2D) && roDraw.uTexture != 0 &&
            std::find(vNames.begin(), vNames.end(), roDraw.uTexture) == vNames.end())
        {
            vNames.push_back(roDraw.uTexture);
        }
    }
    for (uint32_t uName : vNames)
    {
        g_oFrame.m_voTextures.push_back(ReadTexture(uName));
    }
    return g_oFrame;
}
