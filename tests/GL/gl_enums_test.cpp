// The engine's codes as OpenGL enumerants: each converter's table, its fallbacks and their lines.
#include "qirn_convertenums_gl.h"
#include "qirn_shaderlayer.h"
#include "qirn_shaderlayer_gl.h"
#include "qirn_test_support.h"

#include <gtest/gtest.h>

#include <vector>

TEST(GLEnums, CompareAndBlendTablesLeaveTheFieldAloneBeyondTheirRange)
{
    const GLenum aeCompare[] = {GL_NEVER,   GL_LESS,     GL_EQUAL,  GL_LEQUAL,
                                GL_GREATER, GL_NOTEQUAL, GL_GEQUAL, GL_ALWAYS};
    for (uint32_t i = 0; i < 8; ++i)
    {
        GLenum e = 0;
        EXPECT_EQ(GetGLCompareFuncFromQIRN(i, &e), OK);
        EXPECT_EQ(e, aeCompare[i]) << i;
    }
    const GLenum aeBlend[] = {GL_ZERO,
                              GL_ONE,
                              GL_SRC_COLOR,
                              GL_ONE_MINUS_SRC_COLOR,
                              GL_SRC_ALPHA,
                              GL_ONE_MINUS_SRC_ALPHA,
                              GL_DST_ALPHA,
                              GL_ONE_MINUS_DST_ALPHA,
                              GL_DST_COLOR,
                              GL_ONE_MINUS_DST_COLOR,
                              GL_SRC_ALPHA_SATURATE};
    for (uint32_t i = 0; i < 11; ++i)
    {
        GLenum e = 0;
        EXPECT_EQ(GetGLBlendFactorFromQIRN(i, &e), OK);
        EXPECT_EQ(e, aeBlend[i]) << i;
    }
    qirn_test::LogCapture oLog;
    GLenum e = GL_LEQUAL;
    EXPECT_EQ(GetGLCompareFuncFromQIRN(8, &e), INVALIDPARAMS);
    EXPECT_EQ(e, static_cast<GLenum>(GL_LEQUAL));
    e = GL_SRC_ALPHA;
    EXPECT_EQ(GetGLBlendFactorFromQIRN(11, &e), INVALIDPARAMS);
    EXPECT_EQ(e, static_cast<GLenum>(GL_SRC_ALPHA));
    EXPECT_TRUE(oLog.All().empty());
}

TEST(GLEnums, StencilOperationsSaturatingAndWrappingBothClamp)
{
    struct Case
    {
        uint32_t eOp;
        GLenum eExpected;
        bool bLogged;
    };
    const Case aCases[] = {{0, GL_KEEP, false}, {1, GL_ZERO, false}, {2, GL_REPLACE, false},
                           {3, GL_INCR, false}, {4, GL_DECR, false}, {5, GL_INVERT, false},
                           {6, GL_INCR, false}, {7, GL_DECR, false}, {8, GL_KEEP, true}};
    for (const Case& c : aCases)
    {
        qirn_test::LogCapture oLog;
        GLenum e = 0;
        EXPECT_EQ(GLStencilOpFromQIRN(c.eOp, &e), OK);
        EXPECT_EQ(e, c.eExpected) << c.eOp;
        EXPECT_EQ(oLog.Contains("Stencil test operator unknown to OpenGL... Setting to GL_KEEP."), c.bLogged)
            << c.eOp;
    }
}

TEST(GLEnums, SmallTables)
{
    struct Case
    {
        QIRN_ErrorCode (*pfn)(uint32_t, GLint*);
        std::vector<GLint> vExpected;
        uint32_t eUnknown;
        GLint iUnknown;
        const char* szLine;
    };
    const Case aCases[] = {
        {GetGLTexArgFromQIRN,
         {GL_PREVIOUS_EXT, GL_PRIMARY_COLOR_EXT, GL_PREVIOUS_EXT, GL_PREVIOUS_EXT, GL_PREVIOUS_EXT,
          GL_TEXTURE, GL_CONSTANT_EXT},
         7,
         GL_PREVIOUS_EXT,
         "Unrecognized QIRN texture (color) argument"},
        {GetGLColorOperandFromQIRN,
         {GL_SRC_COLOR, GL_ONE_MINUS_SRC_COLOR, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA},
         4,
         GL_SRC_COLOR,
         nullptr},
        {GetGLAlphaOperandFromQIRN,
         {GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_SRC_ALPHA, GL_SRC_ALPHA},
         4,
         GL_SRC_ALPHA,
         nullptr},
        {GetGLTexCoordGenFuncFromQIRN,
         {0, 0, GL_NORMAL_MAP_ARB, GL_EYE_LINEAR, GL_REFLECTION_MAP_ARB},
         5,
         0,
         "Unrecognized texture coordinates generation function. Setting to GL_NONE"},
        {GetGLTexFuncFromQIRN,
         {GL_REPLACE, GL_REPLACE, GL_REPLACE, GL_MODULATE},
         4,
         GL_REPLACE,
         "Setting texture function to GL_REPLACE"},
    };
    for (const Case& c : aCases)
    {
        for (uint32_t i = 0; i < c.vExpected.size(); ++i)
        {
            GLint iOut = -1;
            EXPECT_EQ(c.pfn(i, &iOut), OK);
            EXPECT_EQ(iOut, c.vExpected[i]) << i;
        }
        qirn_test::LogCapture oLog;
        GLint iOut = -1;
        EXPECT_EQ(c.pfn(c.eUnknown, &iOut), OK);
        EXPECT_EQ(iOut, c.iUnknown);
        if (c.szLine)
        {
            EXPECT_TRUE(oLog.Contains(c.szLine)) << oLog.All();
        }
    }
}

TEST(GLEnums, FrontFaceShadeModelAndTransformFlag)
{
    GLenum e = 1;
    GetGLFrontFaceFromQIRN(0, &e);
    EXPECT_EQ(e, 0u);
    GetGLFrontFaceFromQIRN(1, &e);
    EXPECT_EQ(e, static_cast<GLenum>(GL_CCW));
    GetGLFrontFaceFromQIRN(2, &e);
    EXPECT_EQ(e, static_cast<GLenum>(GL_CW));

    qirn_test::LogCapture oLog;
    GetGLShadeModelFromQIRN(0, &e);
    EXPECT_EQ(e, static_cast<GLenum>(GL_FLAT));
    GetGLShadeModelFromQIRN(1, &e);
    EXPECT_EQ(e, static_cast<GLenum>(GL_SMOOTH));
    EXPECT_TRUE(oLog.All().empty());
    GetGLShadeModelFromQIRN(2, &e);
    EXPECT_EQ(e, static_cast<GLenum>(GL_SMOOTH));
    EXPECT_TRUE(oLog.Contains("Phong shading not supported... Setting to Gouraud"));
    GetGLShadeModelFromQIRN(9, &e);
    EXPECT_TRUE(oLog.Contains("Unreconnized shadel model... Setting to Gouraud"));

    int32_t iFlag = -1;
    EXPECT_EQ(GetGLTexTransformFlagFromQIRN(4, &iFlag), OK);
    EXPECT_EQ(iFlag, 4);
    EXPECT_EQ(GetGLTexTransformFlagFromQIRN(5, &iFlag), INVALIDPARAMS);
    EXPECT_EQ(iFlag, 0);
    EXPECT_TRUE(oLog.Contains("Invalid texture transform flag... Setting to DISABLE"));
}

TEST(GLEnums, WrapModesFallBackToClampWithoutTheExtensions)
{
    struct Case
    {
        uint32_t eMode;
        int32_t iEdge;
        int32_t iBorder;
        GLint iExpected;
        size_t dwLines;
    };
    const Case aCases[] = {{0, 0, 0, GL_REPEAT, 0},
                           {1, 1, 1, GL_REPEAT, 1},
                           {2, 1, 0, GL_CLAMP_TO_EDGE, 0},
                           {2, 0, 1, GL_CLAMP, 3},
                           {3, 0, 1, GL_CLAMP_TO_BORDER_ARB, 0},
                           {3, 1, 0, GL_CLAMP, 3},
                           {4, 1, 1, GL_REPEAT, 1},
                           {5, 1, 1, GL_REPEAT, 1}};
    for (const Case& c : aCases)
    {
        qirn_test::LogCapture oLog;
        GLint iOut = 0;
        EXPECT_EQ(GetGLWrapModeFromQIRN(c.eMode, c.iEdge, c.iBorder, &iOut), OK);
        EXPECT_EQ(iOut, c.iExpected) << c.eMode;
        EXPECT_EQ(oLog.Count("GetGLWrapModeFromQIRN()"), c.dwLines) << c.eMode;
    }
}

TEST(GLEnums, FiltersByMipAndMinification)
{
    struct Case
    {
        uint32_t eMin, eMag, eMip;
        GLint iMin, iMag;
        size_t dwLines;
    };
    const Case aCases[] = {
        {1, 1, 0, GL_NEAREST, GL_NEAREST, 0},
        {2, 2, 0, GL_LINEAR, GL_LINEAR, 0},
        {3, 2, 0, GL_LINEAR, GL_LINEAR, 1},
        {1, 2, 1, GL_NEAREST_MIPMAP_NEAREST, GL_LINEAR, 0},
        {2, 2, 2, GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR, 0},
        {1, 2, 2, GL_NEAREST_MIPMAP_LINEAR, GL_LINEAR, 0},
        {1, 2, 3, GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR, 1},
        {2, 0, 0, GL_LINEAR, GL_LINEAR, 1},
    };
    for (const Case& c : aCases)
    {
        QIRN_ShaderLayer oLayer;
        oLayer.m_eMINFILTER = c.eMin;
        oLayer.m_eMAGFILTER = c.eMag;
        oLayer.m_eMIPFILTER = c.eMip;
        QIRN_ShaderLayer_GL oGL;
        qirn_test::LogCapture oLog;
        GetGLTexFiltersFromQIRN(&oLayer, &oGL);
        EXPECT_EQ(oGL.m_iMinFilter, c.iMin) << c.eMin << "/" << c.eMip;
        EXPECT_EQ(oGL.m_iMagFilter, c.iMag);
        EXPECT_EQ(oLog.Count("GetGLTexFiltersFromQIRN()"), c.dwLines) << c.eMin << "/" << c.eMip;
    }
}

TEST(GLEnums, CombineColourAndAlpha)
{
    // Modulate 2x: scale 2 for both; arguments texture (5) and diffuse (1).
    QIRN_GLCombine o = {};
    GetTexEnvCombineTexFuncAndArgsFromQIRN(4, 5, 0, 1, 1, 0, 0, &o);
    EXPECT_EQ(o.iFunction, GL_MODULATE);
    EXPECT_EQ(o.fScale, 2.0f);
    EXPECT_EQ(o.iSource0, GL_TEXTURE);
    EXPECT_EQ(o.iSource1, GL_PRIMARY_COLOR_EXT);
    EXPECT_EQ(o.iOperand1, GL_ONE_MINUS_SRC_COLOR);
    EXPECT_EQ(o.iThreeArgs, 0);
    GetTexEnvCombineAlphaFuncAndArgsFromQIRN(4, 5, 0, 1, 1, 0, 0, &o);
    EXPECT_EQ(o.iFunction, GL_MODULATE);
    EXPECT_EQ(o.fScale, 2.0f);
    EXPECT_EQ(o.iOperand1, GL_ONE_MINUS_SRC_ALPHA);

    // Select argument 2 moves it to the first source.
    GetTexEnvCombineTexFuncAndArgsFromQIRN(2, 5, 0, 1, 0, 0, 0, &o);
    EXPECT_EQ(o.iFunction, GL_REPLACE);
    EXPECT_EQ(o.iSource0, GL_PRIMARY_COLOR_EXT);

    // Blend texture alpha interpolates by the texture's alpha.
    GetTexEnvCombineTexFuncAndArgsFromQIRN(12, 5, 0, 0, 0, 0, 0, &o);
    EXPECT_EQ(o.iFunction, GL_INTERPOLATE_EXT);
    EXPECT_EQ(o.iSource2, GL_TEXTURE);
    EXPECT_EQ(o.iOperand2, GL_SRC_ALPHA);
    EXPECT_EQ(o.iThreeArgs, 1);
    GetTexEnvCombineAlphaFuncAndArgsFromQIRN(12, 5, 0, 0, 0, 0, 1, &o);
    EXPECT_EQ(o.iOperand2, GL_ONE_MINUS_SRC_ALPHA);

    // Linear interpolation: argument 1 is the factor, argument 0 the second source.
    GetTexEnvCombineTexFuncAndArgsFromQIRN(25, 6, 0, 5, 0, 0, 0, &o);
    EXPECT_EQ(o.iSource2, GL_CONSTANT_EXT);
    EXPECT_EQ(o.iSource0, GL_TEXTURE);
    EXPECT_EQ(o.iSource1, GL_PREVIOUS_EXT);
    EXPECT_EQ(o.iOperand2, GL_SRC_COLOR);

    qirn_test::LogCapture oLog;
    GetTexEnvCombineTexFuncAndArgsFromQIRN(23, 5, 0, 1, 0, 0, 0, &o);
    EXPECT_EQ(o.iFunction, GL_REPLACE);
    EXPECT_TRUE(oLog.Contains("This QIRN texture function is not supported by OpenGL"));
    GetTexEnvCombineTexFuncAndArgsFromQIRN(27, 5, 0, 1, 0, 0, 0, &o);
    EXPECT_TRUE(oLog.Contains("Unrecognized QIRN color operation"));
    GetTexEnvCombineAlphaFuncAndArgsFromQIRN(23, 5, 0, 1, 0, 0, 0, &o);
    EXPECT_TRUE(oLog.Contains("This QIRN alpha function is not supported by OpenGL"));
    GetTexEnvCombineAlphaFuncAndArgsFromQIRN(18, 5, 0, 1, 0, 0, 0, &o);
    EXPECT_TRUE(oLog.Contains("Unrecognized or unsupported QIRN alpha operation"));
    EXPECT_EQ(o.iFunction, GL_REPLACE);
}
