#include "qirn_convertenums_gl.h"

#include "qirn_debug.h"
#include "qirn_shaderlayer.h"
#include "qirn_shaderlayer_gl.h"

namespace
{
const char* const SZ_CLAMP_LINE1 =
    "\n*** GetGLWrapModeFromQIRN() - Setting to GL_CLAMP : if GL_NEAREST filtering is used, the texture "
    "will be clamped without the border ";
const char* const SZ_CLAMP_LINE2 = "\n*** GetGLWrapModeFromQIRN() - and if GL_LINEAR filtering is used, the "
                                   "border will be included in the color calculations.";

// Sources and operands from the two arguments; function, scale and third argument follow.
void StartCombine(uint32_t eArg1, uint32_t eArg1Flags, uint32_t eArg2, uint32_t eArg2Flags, bool bAlpha,
                  QIRN_GLCombine* po)
{
    GetGLTexArgFromQIRN(eArg1, &po->iSource0);
    GetGLTexArgFromQIRN(eArg2, &po->iSource1);
    po->iThreeArgs = 0;
    if (bAlpha)
    {
        GetGLAlphaOperandFromQIRN(eArg1Flags, &po->iOperand0);
        GetGLAlphaOperandFromQIRN(eArg2Flags, &po->iOperand1);
    }
    else
    {
        GetGLColorOperandFromQIRN(eArg1Flags, &po->iOperand0);
        GetGLColorOperandFromQIRN(eArg2Flags, &po->iOperand1);
    }
    po->fScale = 1.0f;
}

// The parts of the operation table colour and alpha share; answers false for the operations
// that have no combine function.
bool CombineCommon(uint32_t eOp, uint32_t eArg1, uint32_t eArg2, uint32_t eArg0, QIRN_GLCombine* po,
                   bool* pbInterpolate)
{
    *pbInterpolate = false;
    switch (eOp)
    {
    case 1:
        po->iFunction = GL_REPLACE;
        return true;
    case 2:
        po->iFunction = GL_REPLACE;
        po->iSource0 = po->iSource1;
        po->iOperand0 = po->iOperand1;
        return true;
    case 3:
    case 4:
    case 5:
        po->iFunction = GL_MODULATE;
        po->fScale = eOp == 3 ? 1.0f : (eOp == 4 ? 2.0f : 4.0f);
        return true;
    case 6:
        po->iFunction = GL_ADD;
        return true;
    case 7:
    case 8:
        po->iFunction = GL_ADD_SIGNED_EXT;
        po->fScale = eOp == 7 ? 1.0f : 2.0f;
        return true;
    case 9:
        po->iFunction = GL_SUBTRACT_ARB;
        return true;
    case 11:
    case 12:
    case 13:
    case 15:
    {
        static const GLint s_aiSource2[] = {GL_PRIMARY_COLOR_EXT, GL_TEXTURE, GL_CONSTANT_EXT, 0,
                                            GL_PREVIOUS_EXT};
        po->iFunction = GL_INTERPOLATE_EXT;
        po->iSource2 = s_aiSource2[eOp - 11];
        po->iThreeArgs = 1;
        *pbInterpolate = true;
        return true;
    }
    case 25:
        po->iFunction = GL_INTERPOLATE_EXT;
        GetGLTexArgFromQIRN(eArg1, &po->iSource2);
        GetGLTexArgFromQIRN(eArg2, &po->iSource0);
        GetGLTexArgFromQIRN(eArg0, &po->iSource1);
        po->iThreeArgs = 1;
        *pbInterpolate = true;
        return true;
    default:
        po->iFunction = GL_REPLACE;
        return false;
    }
}
} // namespace

QIRN_ErrorCode GetGLCompareFuncFromQIRN(uint32_t eFunc, GLenum* peOut)
{
    if (eFunc > 7)
    {
        return INVALIDPARAMS;
    }
    *peOut = GL_NEVER + eFunc;
    return OK;
}

QIRN_ErrorCode GetGLBlendFactorFromQIRN(uint32_t eBlend, GLenum* peOut)
{
    static const GLenum s_aeFactors[] = {GL_ZERO,
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
    if (eBlend > 10)
    {
        return INVALIDPARAMS;
    }
    *peOut = s_aeFactors[eBlend];
    return OK;
}

QIRN_ErrorCode GLStencilOpFromQIRN(uint32_t eOp, GLenum* peOut)
{
    switch (eOp)
    {
    case 0:
        *peOut = GL_KEEP;
        break;
    case 1:
        *peOut = GL_ZERO;
        break;
    case 2:
        *peOut = GL_REPLACE;
        break;
    // OpenGL 1.x's GL_INCR and GL_DECR clamp at the ends of the stencil range: they are the
    // saturating operations. Wrapping ones need an extension, so they take the nearest clamp.
    case 3:
    case 6:
        *peOut = GL_INCR;
        break;
    case 4:
    case 7:
        *peOut = GL_DECR;
        break;
    case 5:
        *peOut = GL_INVERT;
        break;
    default:
        dprintf("\nGLStencilOpFromQIRN() - Error : Stencil test operator unknown to OpenGL... Setting to "
                "GL_KEEP.");
        *peOut = GL_KEEP;
        break;
    }
    return OK;
}

QIRN_ErrorCode GetGLFrontFaceFromQIRN(uint32_t eCull, GLenum* peOut)
{
    *peOut = eCull == 1 ? GL_CCW : (eCull == 2 ? GL_CW : 0);
    return OK;
}

QIRN_ErrorCode GetGLShadeModelFromQIRN(uint32_t eShade, GLenum* peOut)
{
    if (eShade == 0)
    {
        *peOut = GL_FLAT;
        return OK;
    }
    if (eShade == 2)
    {
        dprintf("\nGetGLShadeModelFromQIRN() - Phong shading not supported... Setting to Gouraud");
    }
    else if (eShade != 1)
    {
        dprintf("\nGetGLShadeModelFromQIRN() - Unreconnized shadel model... Setting to Gouraud");
    }
    *peOut = GL_SMOOTH;
    return OK;
}

QIRN_ErrorCode GetGLTexFuncFromQIRN(uint32_t eOp, GLint* piOut)
{
    if (eOp == 3)
    {
        *piOut = GL_MODULATE;
        return OK;
    }
    dprintf("\nGetGLTexFuncFromQIRN() - No GL equivalent has been found for QIRN texture operation\n");
    dprintf("\nGetGLTexFuncFromQIRN() - Setting texture function to GL_REPLACE\n");
    *piOut = GL_REPLACE;
    return OK;
}

QIRN_ErrorCode GetGLTexArgFromQIRN(uint32_t eArg, GLint* piOut)
{
    switch (eArg)
    {
    case 0:
        *piOut = GL_PREVIOUS_EXT;
        break;
    case 1:
        *piOut = GL_PRIMARY_COLOR_EXT;
        break;
    case 5:
        *piOut = GL_TEXTURE;
        break;
    case 6:
        *piOut = GL_CONSTANT_EXT;
        break;
    default:
        dprintf(
            "\n*** GetGLTexArgFromQIRN() - Unrecognized QIRN texture (color) argument... Setting GL texture "
            "argument to GL_PREVIOUS_EXT");
        *piOut = GL_PREVIOUS_EXT;
        break;
    }
    return OK;
}

QIRN_ErrorCode GetGLColorOperandFromQIRN(uint32_t eFlags, GLint* piOut)
{
    static const GLint s_aiOperands[] = {GL_SRC_COLOR, GL_ONE_MINUS_SRC_COLOR, GL_SRC_ALPHA,
                                         GL_ONE_MINUS_SRC_ALPHA};
    *piOut = eFlags < 4 ? s_aiOperands[eFlags] : GL_SRC_COLOR;
    return OK;
}

QIRN_ErrorCode GetGLAlphaOperandFromQIRN(uint32_t eFlags, GLint* piOut)
{
    *piOut = eFlags == 1 ? GL_ONE_MINUS_SRC_ALPHA : GL_SRC_ALPHA;
    return OK;
}

QIRN_ErrorCode GetGLTexCoordGenFuncFromQIRN(uint32_t eFlag, GLint* piOut)
{
    switch (eFlag)
    {
    case 0:
    case 1:
        *piOut = 0;
        break;
    case 2:
        *piOut = GL_NORMAL_MAP_ARB;
        break;
    case 3:
        *piOut = GL_EYE_LINEAR;
        break;
    case 4:
        *piOut = GL_REFLECTION_MAP_ARB;
        break;
    default:
        dprintf("\nGetGLTexCoordGenFuncFromQIRN() - Error : Unrecognized texture coordinates generation "
                "function. "
                "Setting to GL_NONE");
        *piOut = 0;
        break;
    }
    return OK;
}

QIRN_ErrorCode GetGLTexTransformFlagFromQIRN(uint32_t eFlag, int32_t* piOut)
{
    if (eFlag > 4)
    {
        dprintf("\n*** GetGLTexTransformFlagFromQIRN() - Error : Invalid texture transform flag... Setting "
                "to DISABLE");
        *piOut = 0;
        return INVALIDPARAMS;
    }
    *piOut = static_cast<int32_t>(eFlag);
    return OK;
}

QIRN_ErrorCode GetGLWrapModeFromQIRN(uint32_t eMode, int32_t iEdgeClamp, int32_t iBorderClamp, GLint* piOut)
{
    switch (eMode)
    {
    case 0:
        *piOut = GL_REPEAT;
        break;
    case 1:
        dprintf(
            "\n*** GetGLWrapModeFromQIRN() - Texture addressing mode MIRROR is not supported by OpenGL... "
            "Setting to GL_REPEAT.");
        *piOut = GL_REPEAT;
        break;
    case 2:
        if (iEdgeClamp == 1)
        {
            *piOut = GL_CLAMP_TO_EDGE;
            break;
        }
        dprintf(
            "\n*** GetGLWrapModeFromQIRN() - Texture addressing mode CLAMP is equivalent to GL_CLAMP_TO_EDGE "
            "but that extension is not supported.");
        dprintf("%s", SZ_CLAMP_LINE1);
        dprintf("%s", SZ_CLAMP_LINE2);
        *piOut = GL_CLAMP;
        break;
    case 3:
        if (iBorderClamp == 1)
        {
            *piOut = GL_CLAMP_TO_BORDER_ARB;
            break;
        }
        dprintf("\n*** GetGLWrapModeFromQIRN() - Texture addressing mode BORDER is equivalent to "
                "GL_CLAMP_TO_BORDER_ARB but that extension is not supported.");
        dprintf("%s", SZ_CLAMP_LINE1);
        dprintf("%s", SZ_CLAMP_LINE2);
        *piOut = GL_CLAMP;
        break;
    case 4:
        dprintf("\n*** GetGLWrapModeFromQIRN() - Texture addressing mode MIRRORONCE is not supported by "
                "OpenGL... "
                "Setting to GL_REPEAT.");
        *piOut = GL_REPEAT;
        break;
    default:
        dprintf(
            "\n*** GetGLWrapModeFromQIRN() - Error : Unrecognized QIRN texture addressing mode... Setting to "
            "GL_REPEAT.");
        *piOut = GL_REPEAT;
        break;
    }
    return OK;
}

QIRN_ErrorCode GetGLTexFiltersFromQIRN(const QIRN_ShaderLayer* poLayer, QIRN_ShaderLayer_GL* poLayerGL)
{
    // Rows: mip filter none, point, linear; columns: minification point, linear.
    static const GLint s_aiMin[3][2] = {{GL_NEAREST, GL_LINEAR},
                                        {GL_NEAREST_MIPMAP_NEAREST, GL_LINEAR_MIPMAP_NEAREST},
                                        {GL_NEAREST_MIPMAP_LINEAR, GL_LINEAR_MIPMAP_LINEAR}};
    const uint32_t eMin = poLayer->m_eMINFILTER;
    const uint32_t eMip = poLayer->m_eMIPFILTER;
    if (eMip > 2)
    {
        dprintf(
            "\n*** GetGLTexFiltersFromQIRN() - The QIRN mipmap filter is not supported by OpenGL... Setting "
            "to LINEAR.");
        poLayerGL->m_iMinFilter = GL_LINEAR_MIPMAP_LINEAR;
    }
    else if (eMin == 1 || eMin == 2)
    {
        poLayerGL->m_iMinFilter = s_aiMin[eMip][eMin - 1];
    }
    else
    {
        dprintf(
            "\n*** GetGLTexFiltersFromQIRN() - The QIRN minification filter is not supported by OpenGL... "
            "Setting to LINEAR.");
        poLayerGL->m_iMinFilter = s_aiMin[eMip][1];
    }
    const uint32_t eMag = poLayer->m_eMAGFILTER;
    if (eMag != 1 && eMag != 2)
    {
        dprintf(
            "\n*** GetGLTexFiltersFromQIRN() - The QIRN magnification filter is not supported by OpenGL... "
            "Setting to LINEAR.");
    }
    poLayerGL->m_iMagFilter = eMag == 1 ? GL_NEAREST : GL_LINEAR;
    return OK;
}

QIRN_ErrorCode GetTexEnvCombineTexFuncAndArgsFromQIRN(uint32_t eOp, uint32_t eArg1, uint32_t eArg1Flags,
                                                      uint32_t eArg2, uint32_t eArg2Flags, uint32_t eArg0,
                                                      uint32_t /*eArg0Flags*/, QIRN_GLCombine* po)
{
    StartCombine(eArg1, eArg1Flags, eArg2, eArg2Flags, false, po);
    bool bInterpolate = false;
    if (CombineCommon(eOp, eArg1, eArg2, eArg0, po, &bInterpolate))
    {
        if (bInterpolate)
        {
            po->iOperand2 = eOp == 25 ? GL_SRC_COLOR : GL_SRC_ALPHA;
        }
        return OK;
    }
    if (eOp <= 26)
    {
        dprintf("\nGetTexEnvCombineTexFuncAndArgsFromQIRN() - This QIRN texture function is not supported by "
                "OpenGL\n");
    }
    else
    {
        dprintf("\nGetTexEnvCombineTexFuncAndArgsFromQIRN() - Error : Unrecognized QIRN color operation\n");
    }
    dprintf("\nGetTexEnvCombineTexFuncAndArgsFromQIRN() - Setting texture function to GL_REPLACE\n");
    return OK;
}

QIRN_ErrorCode GetTexEnvCombineAlphaFuncAndArgsFromQIRN(uint32_t eOp, uint32_t eArg1, uint32_t eArg1Flags,
                                                        uint32_t eArg2, uint32_t eArg2Flags, uint32_t eArg0,
                                                        uint32_t eArg0Flags, QIRN_GLCombine* po)
{
    StartCombine(eArg1, eArg1Flags, eArg2, eArg2Flags, true, po);
    GetGLAlphaOperandFromQIRN(eArg0Flags, &po->iOperand2);
    bool bInterpolate = false;
    if (CombineCommon(eOp, eArg1, eArg2, eArg0, po, &bInterpolate))
    {
        return OK;
    }
    const bool bUnsupported =
        eOp == 0 || eOp == 10 || eOp == 14 || eOp == 16 || eOp == 23 || eOp == 24 || eOp == 26;
    if (bUnsupported)
    {
        dprintf("\nGetTexEnvCombineTexFuncAndArgsFromQIRN() - This QIRN alpha function is not supported by "
                "OpenGL\n");
    }
    else
    {
        dprintf("\nGetTexEnvCombineTexFuncAndArgsFromQIRN() - Error : Unrecognized or unsupported QIRN alpha "
                "operation\n");
    }
    dprintf("\nGetTexEnvCombineTexFuncAndArgsFromQIRN() - Setting alpha function to GL_REPLACE\n");
    return OK;
}
