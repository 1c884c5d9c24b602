#pragma once
// An engine shader converted for the OpenGL device: per pass the fixed-function states, and per
// layer the texture unit's environment (see qirn_shaderlayer_gl.h).

#include "qirn_databunnyassignment.h"
#include "qirn_errors.h"
#include "qirn_gl.h"
#include "qirn_shaderlayer_gl.h"

#include <cstdint>
#include <string>

class QIRN_Bitmap;
class QIRN_Graphics_GL;
class QIRN_Shader;
class QIRN_ShaderLayer;
class QIRN_ShaderPass;
template <class T> class QIRN_BINARYTREE;

class QIRN_ShaderPass_GL
{
public:
    QIRN_ShaderPass_GL();
    ~QIRN_ShaderPass_GL();
    QIRN_ShaderPass_GL(const QIRN_ShaderPass_GL&) = delete;
    QIRN_ShaderPass_GL& operator=(const QIRN_ShaderPass_GL&) = delete;

    // The skip flag from its data bunny, once per frame.
    QIRN_ErrorCode UpdateDataBunnyAssignments();

    int32_t m_iSkipPass;
    QIRN_ShaderLayer_GL* m_paoLayers; // owned array of m_dwNumLayers
    uint32_t m_dwNumLayers;
    uint32_t m_dwFVF;
    GLenum m_ePolygonMode;
    GLenum m_eShadeModel;
    int32_t m_iLighting;
    int32_t m_iFog;
    int32_t m_iSpecular;
    int32_t m_iNormalize;
    int32_t m_iClearColor;
    GLfloat m_afClearColor[4];
    GLfloat m_afTexEnvColor[4];
    GLenum m_eAlphaFunc;
    GLfloat m_fAlphaRef;
    int32_t m_iBlending;
    int32_t m_iAlphaTest;
    int32_t m_iDepthTest;
    GLenum m_eDepthFunc;
    int32_t m_iClearDepth;
    GLfloat m_fDepthClearValue;
    int32_t m_iDepthWrite;
    int32_t m_iClearStencil;
    int32_t m_iStencilClearValue;
    int32_t m_iStencilTest;
    GLenum m_eStencilFunc;
    GLint m_iStencilRef;
    GLuint m_dwStencilMask;
    GLenum m_eStencilPass;
    GLenum m_eStencilFail;
    GLenum m_eStencilZFail;
    GLuint m_dwStencilWriteMask;
    GLenum m_eBlendSource;
    GLenum m_eBlendDestination;
    GLenum m_eFrontFace;
    // Ambient, diffuse, specular, emission (four floats each), then shininess.
    GLfloat m_afMaterial[17];
    QIRN_BoolDataBunnyAssignment m_oSkipPassDBA;
    QIRN_IntDataBunnyAssignment m_oCullModeDBA;
    QIRN_IntDataBunnyAssignment m_oFillModeDBA;
};

class QIRN_Shader_GL
{
public:
    QIRN_Shader_GL();
    ~QIRN_Shader_GL();
    QIRN_Shader_GL(const QIRN_Shader_GL&) = delete;
    QIRN_Shader_GL& operator=(const QIRN_Shader_GL&) = delete;

    // Deletes every pass; the pass count becomes 0.
    void DestroyPasses();
    QIRN_ErrorCode UpdateDataBunnyAssignments();

    std::string m_strName;
    uint32_t m_dwNumPasses;
    QIRN_ShaderPass_GL* m_paoPasses; // owned array of m_dwNumPasses
};

// Conversion of an engine shader, pass by pass and layer by layer; a layer's texture is converted
// through the device and looked up in its texture tree. The first error stops the conversion.
QIRN_ErrorCode QIRN_To_GL_Shader(QIRN_Shader* poShader, QIRN_Graphics_GL* poDevice,
                                 QIRN_BINARYTREE<QIRN_Bitmap>* poBitmaps, int32_t iCombine,
                                 int32_t iEdgeClamp, int32_t iBorderClamp, QIRN_Shader_GL* poShaderGL);
QIRN_ErrorCode QIRN_To_GL_ShaderPass(QIRN_ShaderPass* poPass, QIRN_Graphics_GL* poDevice,
                                     QIRN_BINARYTREE<QIRN_Bitmap>* poBitmaps, int32_t iCombine,
                                     int32_t iEdgeClamp, int32_t iBorderClamp, QIRN_ShaderPass_GL* poPassGL);
QIRN_ErrorCode QIRN_To_GL_ShaderLayer(QIRN_ShaderLayer* poLayer, QIRN_Graphics_GL* poDevice,
                                      QIRN_BINARYTREE<QIRN_Bitmap>* poBitmaps, int32_t iCombine,
                                      int32_t iEdgeClamp, int32_t iBorderClamp,
                                      QIRN_ShaderLayer_GL* poLayerGL);
