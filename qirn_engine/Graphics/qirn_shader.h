#pragma once
// The renderer-neutral shader: a named list of passes, each a complete set of fixed-function
// render states in Direct3D 8 terms (numbered from 0), optional vertex and pixel shader programs
// with their constant tables, texture layers, a material, and seven parameters that data bunnies
// can drive while the scene runs.

#include "qirn_databunnyassignment.h"
#include "qirn_errors.h"
#include "qirn_material.h"
#include "qirn_shaderconstants.h"
#include "qirn_shaderlayer.h"

#include <cstdint>
#include <string>

class QIRN_File;
class QIRN_DataBunnyManager;
class PolygonGroup;

// The most passes and layers a shader file may ask for, so that a damaged count cannot make the
// reader allocate megabytes: no real shader draws a surface this many times, and a Direct3D 8
// device has eight texture stages.
const uint32_t QIRN_MAX_PASSES = 32;
const uint32_t QIRN_MAX_LAYERS = 8;

class QIRN_ShaderPass
{
public:
    QIRN_ShaderPass();
    ~QIRN_ShaderPass();
    QIRN_ShaderPass(const QIRN_ShaderPass&) = delete;
    // Copies every state, name, layer, the material and the constant tables; the target keeps
    // its own data-bunny bindings.
    QIRN_ShaderPass& operator=(const QIRN_ShaderPass& other);

    // Every field to its default; only the constructor calls it.
    void Reset();
    void SetName(std::string strName) { m_strName = strName; }
    std::string GetName() const { return m_strName; }
    // Copies the values of the bound bunnies into the bindable parameters; answers 0.
    QIRN_ErrorCode UpdateDataBunnyAssignments();

    QIRN_ErrorCode Load(QIRN_File& roFile, QIRN_DataBunnyManager* poManager);
    QIRN_ErrorCode Save(QIRN_File& roFile) const;
    QIRN_ErrorCode LoadBunnyAssignments(QIRN_File& roFile, QIRN_DataBunnyManager* poManager);
    QIRN_ErrorCode SaveDataBunnyAssignments(QIRN_File& roFile) const;

    bool m_bSkipPass;
    uint32_t m_dwFVF;
    bool m_bHasTangent;
    bool m_bHasBinormal;
    uint32_t m_ePGSortMode;
    uint32_t m_ePGSortKey;
    uint32_t m_eSortMode;
    uint32_t m_eSortKey;
    bool m_bZBufferEnabled;
    bool m_bZWriteEnabled;
    bool m_bClearZ;
    uint32_t m_eZCompareFunc;
    uint32_t m_dwZBias;
    float m_fZClearValue;
    bool m_bClearStencil;
    uint32_t m_dwStencilClearValue;
    bool m_bStencilEnabled;
    uint32_t m_eStencilFail;
    uint32_t m_eStencilZFail;
    uint32_t m_eStencilPass;
    uint32_t m_eStencilFunc;
    uint32_t m_dwStencilRef;
    uint32_t m_dwStencilMask;
    uint32_t m_dwStencilWriteMask;
    bool m_bClearColor;
    uint32_t m_dwColorClearValue;
    uint32_t m_dwAmbientColor;
    uint32_t m_dwTFactor;
    uint32_t m_eCullMode;
    uint32_t m_eShadeMode;
    uint32_t m_eFillMode;
    bool m_bLightingEnabled;
    bool m_bSpecularEnabled;
    bool m_bFogEnabled;
    std::string m_strFogActorName;
    bool m_bColorVertex;
    bool m_bLocalViewer;
    bool m_bNormalizeNormals;
    bool m_bAlphaBlendEnabled;
    uint32_t m_eSrcBlend;
    uint32_t m_eDestBlend;
    bool m_bAlphaTestEnabled;
    uint32_t m_eAlphaCompareFunc;
    uint32_t m_dwAlphaTestingThreshold;
    QIRN_ShaderConstants m_oVertexShaderConstants;
    QIRN_ShaderConstants m_oPixelShaderConstants;
    std::string m_strVertexShader;
    std::string m_strPixelShader;
    uint32_t m_dwNumLayers;
    QIRN_ShaderLayer* m_poLayers; // owned array of m_dwNumLayers
    QIRN_Material m_oMaterial;
    uint32_t m_ePrimitiveType;
    float m_fDisplacementMapScale;
    uint32_t m_eDisplacementMapInterpolation;
    float m_fDMapMaxTessellation;
    float m_fDMapMinTessellation;
    float m_fPatchSegments;
    uint32_t m_ePatchEdgeStyle;
    uint32_t m_ePatchOrder;
    uint32_t m_ePatchBasis;
    bool m_bUseFloatColors;
    bool m_bIsShadowPass;
    bool m_bUseFloatIndices;
    bool m_bShowNormals;
    bool m_bShowBinormals;
    bool m_bShowTangents;
    float m_fTangentSpaceVecScale;
    QIRN_FloatDataBunnyAssignment m_oDisplacementMapScaleDBA;
    QIRN_FloatDataBunnyAssignment m_oDMapMinTessellationDBA;
    QIRN_FloatDataBunnyAssignment m_oDMapMaxTessellationDBA;
    QIRN_FloatDataBunnyAssignment m_oPatchSegmentsDBA;
    QIRN_BoolDataBunnyAssignment m_oSkipPassDBA;
    QIRN_IntDataBunnyAssignment m_oCullModeDBA;
    QIRN_IntDataBunnyAssignment m_oFillModeDBA;
    std::string m_strName;

private:
    // Replaces the layer array by dwCount default layers; false when it cannot be made.
    bool MakeLayers(uint32_t dwCount);
};

class QIRN_Shader
{
public:
    QIRN_Shader();
    ~QIRN_Shader();
    QIRN_Shader(const QIRN_Shader&) = delete;
    // Copies the name, description, owner and passes (unbound); the target keeps its Guid.
    QIRN_Shader& operator=(const QIRN_Shader& other);

    // Does not free an existing pass array; only the constructor calls it.
    void Reset();
    void SetName(std::string strName) { m_strName = strName; }
    std::string GetName() const { return m_strName; }
    QIRN_ErrorCode UpdateDataBunnyAssignments();

    QIRN_ErrorCode Load(QIRN_File& roFile, QIRN_DataBunnyManager* poManager);
    QIRN_ErrorCode Save(QIRN_File& roFile) const;

    uint32_t m_dwNumPasses;
    QIRN_ShaderPass* m_poPasses; // owned array of m_dwNumPasses
    PolygonGroup* m_poOwner;     // the polygon group that last took this shader; not owned
    std::string m_strDescription;
    std::string m_strGuid;
    std::string m_strName;

private:
    bool MakePasses(uint32_t dwCount);
};
