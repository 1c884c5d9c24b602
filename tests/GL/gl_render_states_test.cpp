// The render-state cache: with a counting stand-in for OpenGL, which requests reach it.
#include "qirn_render_states_gl.h"
#include "qirn_test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
std::vector<std::string> s_vCalls;

void Record(const std::string& str)
{
    s_vCalls.push_back(str);
}
std::string Hex(GLenum e)
{
    char sz[16];
    snprintf(sz, sizeof(sz), "%04X", e);
    return sz;
}
void APIENTRY Enable(GLenum e)
{
    Record("enable " + Hex(e));
}
void APIENTRY Disable(GLenum e)
{
    Record("disable " + Hex(e));
}
void APIENTRY AlphaFunc(GLenum e, GLclampf f)
{
    Record("alphafunc " + Hex(e) + " " + std::to_string(f));
}
void APIENTRY BlendFunc(GLenum a, GLenum b)
{
    Record("blendfunc " + Hex(a) + " " + Hex(b));
}
void APIENTRY ShadeModel(GLenum e)
{
    Record("shademodel " + Hex(e));
}
void APIENTRY FrontFace(GLenum e)
{
    Record("frontface " + Hex(e));
}
void APIENTRY StencilOp(GLenum, GLenum, GLenum)
{
    Record("stencilop");
}
void APIENTRY StencilFunc(GLenum, GLint, GLuint)
{
    Record("stencilfunc");
}
void APIENTRY StencilMask(GLuint)
{
    Record("stencilmask");
}
void APIENTRY DepthFunc(GLenum)
{
    Record("depthfunc");
}
void APIENTRY DepthMask(GLboolean)
{
    Record("depthmask");
}
void APIENTRY ClearDepth(GLclampd)
{
    Record("cleardepth");
}
void APIENTRY ClearStencil(GLint)
{
    Record("clearstencil");
}
void APIENTRY ClearColor(GLclampf, GLclampf, GLclampf, GLclampf)
{
    Record("clearcolor");
}

const QIRN_RenderStateCalls_GL s_oCounting = {Enable,    Disable,    AlphaFunc,    BlendFunc,   ShadeModel,
                                              FrontFace, StencilOp,  StencilFunc,  StencilMask, DepthFunc,
                                              DepthMask, ClearDepth, ClearStencil, ClearColor};

class GLRenderStates : public testing::Test
{
protected:
    void SetUp() override
    {
        s_vCalls.clear();
        SetRenderStateCallsGL(&s_oCounting);
    }
    void TearDown() override { SetRenderStateCallsGL(nullptr); }
    size_t Count(const std::string& str) const
    {
        size_t n = 0;
        for (const std::string& s : s_vCalls)
            n += s == str ? 1 : 0;
        return n;
    }
};
} // namespace

TEST_F(GLRenderStates, TheResetForcesEveryStateInOrder)
{
    QIRN_Render_States_GL oStates(1);
    const std::vector<std::string> vExpected = {"disable 0BC0",   "alphafunc 0207 0.000000",
                                                "disable 0BE2",   "blendfunc 0302 0303",
                                                "disable 0B71",   "depthfunc",
                                                "depthmask",      "disable 0B90",
                                                "stencilop",      "stencilfunc",
                                                "stencilmask",    "disable 0B50",
                                                "disable 0B60",   "shademodel 1D00",
                                                "frontface 0901", "disable 0B44",
                                                "disable 0BA1"};
    EXPECT_EQ(s_vCalls, vExpected);

    QIRN_Render_States_GL oUncached(0);
    EXPECT_EQ(s_vCalls.size(), vExpected.size());
}

TEST_F(GLRenderStates, RedundantRequestsAreSkippedOnlyWhileCaching)
{
    QIRN_Render_States_GL oCached(1);
    s_vCalls.clear();
    oCached.SetBlending(1);
    oCached.SetBlending(1);
    EXPECT_EQ(Count("enable 0BE2"), 1u);
    // The reset stored GL_FLAT.
    oCached.SetShadeModel(GL_FLAT);
    EXPECT_EQ(Count("shademodel 1D00"), 0u);

    QIRN_Render_States_GL oUncached(0);
    oUncached.SetBlending(1);
    oUncached.SetBlending(1);
    EXPECT_EQ(Count("enable 0BE2"), 3u);
}

TEST_F(GLRenderStates, EveryPartOfARequestCounts)
{
    QIRN_Render_States_GL o(1);
    s_vCalls.clear();
    o.SetAlphaFunc(0.5f, GL_LESS);
    o.SetAlphaFunc(0.5f, GL_GREATER);
    o.SetAlphaFunc(0.5f, GL_GREATER);
    EXPECT_EQ(s_vCalls.size(), 2u);
    o.SetStencilFunc(GL_ALWAYS, 0, 1);
    o.SetStencilFunc(GL_ALWAYS, 0, 1);
    o.SetStencilOp(GL_KEEP, GL_KEEP, GL_INCR);
    EXPECT_EQ(Count("stencilfunc"), 1u);
    EXPECT_EQ(Count("stencilop"), 1u);
    o.SetNormalize(1);
    o.SetNormalize(0);
    EXPECT_EQ(Count("disable 0BA1"), 1u);
}

TEST_F(GLRenderStates, AnyEnableValueButOneDisablesAndIsStored)
{
    QIRN_Render_States_GL o(1);
    s_vCalls.clear();
    o.SetDepthTest(2);
    EXPECT_EQ(Count("disable 0B71"), 1u);
    o.SetDepthTest(0);
    EXPECT_EQ(Count("disable 0B71"), 2u);
}

TEST_F(GLRenderStates, ShadeModelRefusesOtherEnumerants)
{
    QIRN_Render_States_GL o(1);
    s_vCalls.clear();
    qirn_test::LogCapture oLog;
    o.SetShadeModel(GL_LINE);
    EXPECT_TRUE(s_vCalls.empty());
    EXPECT_TRUE(oLog.Contains("QIRN_Render_States_GL::SetShadeModel()-Shade model is invalid"));
    o.SetShadeModel(GL_SMOOTH);
    EXPECT_EQ(Count("shademodel 1D01"), 1u);
}

TEST_F(GLRenderStates, TheFirstClearRequestsAlwaysReachOpenGL)
{
    // Values a fresh cache could have held by chance: zeros.
    QIRN_Render_States_GL o(1);
    s_vCalls.clear();
    o.SetClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    o.SetDepthClearValue(0.0f);
    o.SetStencilClearValue(0);
    EXPECT_EQ(s_vCalls, (std::vector<std::string>{"clearcolor", "cleardepth", "clearstencil"}));
    o.SetClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    o.SetDepthClearValue(0.0f);
    o.SetStencilClearValue(0);
    EXPECT_EQ(s_vCalls.size(), 3u);
    o.SetClearColor(0.0f, 0.0f, 1.0f, 0.0f);
    EXPECT_EQ(Count("clearcolor"), 2u);
}
