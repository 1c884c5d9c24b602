#pragma once
// One texture layer of a converted shader pass: the fixed-function texture-environment state of
// one texture unit, in OpenGL enumerants.

#include "qirn_gl.h"
#include "qirn_math.h"

#include <cstdint>

class QIRN_Texture_GL;

// A texture-environment combine setting: function, three sources with their operands, the scale
// and whether the third argument is used.
struct QIRN_GLCombine
{
    GLint iFunction;
    GLint iSource0;
    GLint iOperand0;
    GLint iSource1;
    GLint iOperand1;
    GLint iSource2;
    GLint iOperand2;
    GLfloat fScale;
    int32_t iThreeArgs;
};

class QIRN_ShaderLayer_GL
{
public:
    QIRN_ShaderLayer_GL();

    QIRN_Texture_GL* m_poTexture; // not owned: the device's texture tree holds it
    QIRN_GLCombine m_oColorCombine;
    QIRN_GLCombine m_oAlphaCombine;
    GLint m_iTexFunction;
    GLint m_iWrapS;
    GLint m_iWrapT;
    GLint m_iWrapR;
    GLint m_iMinFilter;
    GLint m_iMagFilter;
    GLfloat m_fMaxAnisotropy;
    GLint m_iBaseLevel;
    GLint m_iMaxLevel;
    GLfloat m_fMinLod;
    GLfloat m_fMaxLod;
    GLint m_iTexGenMode;
    QIRN_Matrix4 m_mTexMatrix;
    int32_t m_iTexMatrixFlag;
    GLfloat m_afBorderColor[4];
};
