#include "qirn_shaderlayer_gl.h"

namespace
{
QIRN_GLCombine DefaultCombine(GLint iOperand)
{
    QIRN_GLCombine o;
    o.iFunction = GL_REPLACE;
    o.iSource0 = GL_TEXTURE;
    o.iOperand0 = iOperand;
    o.iSource1 = GL_PRIMARY_COLOR_EXT;
    o.iOperand1 = iOperand;
    o.iSource2 = GL_PREVIOUS_EXT;
    o.iOperand2 = iOperand;
    o.fScale = 1.0f;
    o.iThreeArgs = 0;
    return o;
}
} // namespace

QIRN_ShaderLayer_GL::QIRN_ShaderLayer_GL()
    : m_poTexture(nullptr), m_oColorCombine(DefaultCombine(GL_SRC_COLOR)),
      m_oAlphaCombine(DefaultCombine(GL_SRC_ALPHA)), m_iTexFunction(GL_REPLACE), m_iWrapS(GL_REPEAT),
      m_iWrapT(GL_REPEAT), m_iWrapR(GL_REPEAT), m_iMinFilter(GL_LINEAR), m_iMagFilter(GL_LINEAR),
      m_fMaxAnisotropy(1.0f), m_iBaseLevel(0), m_iMaxLevel(1000), m_fMinLod(-1000.0f), m_fMaxLod(1000.0f),
      m_iTexGenMode(GL_OBJECT_LINEAR), m_iTexMatrixFlag(0), m_afBorderColor{0.0f, 0.0f, 0.0f, 1.0f}
{
    Matrix_Identity(&m_mTexMatrix);
}
