#pragma once
// The engine's render-state and texture-stage codes (Direct3D 8 numbering) turned into OpenGL
// enumerants. Where OpenGL 1.x has no equivalent a line is logged and a fallback chosen; the
// converters that answer 3 write nothing, so the caller's default stays.

#include "qirn_errors.h"
#include "qirn_gl.h"

#include <cstdint>

class QIRN_ShaderLayer;
class QIRN_ShaderLayer_GL;
struct QIRN_GLCombine;

QIRN_ErrorCode GetGLCompareFuncFromQIRN(uint32_t eFunc, GLenum* peOut);
QIRN_ErrorCode GetGLBlendFactorFromQIRN(uint32_t eBlend, GLenum* peOut);
QIRN_ErrorCode GLStencilOpFromQIRN(uint32_t eOp, GLenum* peOut);
QIRN_ErrorCode GetGLFrontFaceFromQIRN(uint32_t eCull, GLenum* peOut);
QIRN_ErrorCode GetGLShadeModelFromQIRN(uint32_t eShade, GLenum* peOut);
QIRN_ErrorCode GetGLTexFuncFromQIRN(uint32_t eOp, GLint* piOut);
QIRN_ErrorCode GetGLTexArgFromQIRN(uint32_t eArg, GLint* piOut);
QIRN_ErrorCode GetGLColorOperandFromQIRN(uint32_t eFlags, GLint* piOut);
QIRN_ErrorCode GetGLAlphaOperandFromQIRN(uint32_t eFlags, GLint* piOut);
QIRN_ErrorCode GetGLTexCoordGenFuncFromQIRN(uint32_t eFlag, GLint* piOut);
QIRN_ErrorCode GetGLTexTransformFlagFromQIRN(uint32_t eFlag, int32_t* piOut);
QIRN_ErrorCode GetGLWrapModeFromQIRN(uint32_t eMode, int32_t iEdgeClamp, int32_t iBorderClamp, GLint* piOut);
QIRN_ErrorCode GetGLTexFiltersFromQIRN(const QIRN_ShaderLayer* poLayer, QIRN_ShaderLayer_GL* poLayerGL);

// The colour and alpha versions of the combine setting for one texture operation.
QIRN_ErrorCode GetTexEnvCombineTexFuncAndArgsFromQIRN(uint32_t eOp, uint32_t eArg1, uint32_t eArg1Flags,
                                                      uint32_t eArg2, uint32_t eArg2Flags, uint32_t eArg0,
                                                      uint32_t eArg0Flags, QIRN_GLCombine* poCombine);
QIRN_ErrorCode GetTexEnvCombineAlphaFuncAndArgsFromQIRN(uint32_t eOp, uint32_t eArg1, uint32_t eArg1Flags,
                                                        uint32_t eArg2, uint32_t eArg2Flags, uint32_t eArg0,
                                                        uint32_t eArg0Flags, QIRN_GLCombine* poCombine);
