#pragma once
// A shader converted for one Direct3D 8 device: every pass holds the device values SetDX8Shader
// writes, its shader handles and, per layer, the texture-stage values and the texture to bind.
// Made from the engine's QIRN_Shader once per device; the font and the console build their own.

#include "qirn_databunnyassignment.h"

#include <d3d8.h>

#include <cstdint>
#include <string>

class PolygonGroup;
class QIRN_DynamicLayer;
class QIRN_Fog;
class QIRN_Shader;
class QIRN_ShaderLayer;
class QIRN_ShaderPass;
class QIRN_Texture_DX8;

// Texture stages a layer may name: the device's eight.
const uint32_t QIRN_DX8_MAXSTAGES = 8;

class QIRN_ShaderLayer_DX8
{
public:
    QIRN_ShaderLayer_DX8();
    ~QIRN_ShaderLayer_DX8();
    QIRN_ShaderLayer_DX8(const QIRN_ShaderLayer_DX8&) = delete;
    QIRN_ShaderLayer_DX8& operator=(const QIRN_ShaderLayer_DX8&) = delete;

    // The texture-stage values of an engine layer, converted; false (nothing changed) for a stage
    // the device does not have.
    bool ConvertStates(const QIRN_ShaderLayer& roLayer);
    // Replaces the owned dynamic-layer copy by a copy of poSource (or none).
    void CopyDynamicLayer(const QIRN_DynamicLayer* poSource);

    uint32_t m_dwStage;
    QIRN_Texture_DX8* m_poTexture;       // not owned
    QIRN_DynamicLayer* m_poDynamicLayer; // owned copy
    uint32_t m_dwColorOp;
    uint32_t m_dwColorArg1;
    uint32_t m_dwColorArg2;
    uint32_t m_dwAlphaOp;
    uint32_t m_dwAlphaArg1;
    uint32_t m_dwAlphaArg2;
    uint32_t m_dwColorArg0;
    uint32_t m_dwAlphaArg0;
    uint32_t m_dwResultArg;
    uint32_t m_dwTexCoordIndex;
    uint32_t m_dwTexCoordGeneration;
    D3DMATRIX m_mTextureTransform;
    uint32_t m_dwTextureTransformFlags;
    uint32_t m_dwAddressU;
    uint32_t m_dwAddressV;
    uint32_t m_dwAddressW;
    uint32_t m_dwBorderColor;
    uint32_t m_dwMinFilter;
    uint32_t m_dwMagFilter;
    uint32_t m_dwMipFilter;
    uint32_t m_dwMipMapLodBias; // float bits
    uint32_t m_dwMaxMipLevel;
    uint32_t m_dwMaxAnisotropy;
    float m_fBumpEnvLScale;
    float m_fBumpEnvLOffset;
    float m_fBumpEnvMat00;
    float m_fBumpEnvMat01;
    float m_fBumpEnvMat10;
    float m_fBumpEnvMat11;
};

class QIRN_ShaderPass_DX8
{
public:
    QIRN_ShaderPass_DX8();
    ~QIRN_ShaderPass_DX8();
    QIRN_ShaderPass_DX8(const QIRN_ShaderPass_DX8&) = delete;
    QIRN_ShaderPass_DX8& operator=(const QIRN_ShaderPass_DX8&) = delete;

    // The render-state fields of an engine pass, converted (shaders, fog and layers excepted).
    void ConvertStates(const QIRN_ShaderPass& roPass);
    // Replaces the layer array by dwCount default layers; false when it cannot be made.
    bool MakeLayers(uint32_t dwCount);
    // Takes the current values of the bound data-bunny assignments.
    void UpdateFromAssignments();

    bool m_bSkipPass;
    uint32_t m_dwFVF;
    bool m_bHasTangent;
    bool m_bHasBinormal;
    uint32_t m_dwPGSortMode;
    uint32_t m_dwPGSortKey;
    uint32_t m_dwSortMode;
    uint32_t m_dwSortKey;
    bool m_bZEnable;
    bool m_bZWriteEnable;
    bool m_bClearZ;
    uint32_t m_dwZFunc;
    uint32_t m_dwZBias;
    float m_fZClearValue;
    bool m_bClearStencil;
    uint32_t m_dwStencilClearValue;
    bool m_bStencilEnable;
    uint32_t m_dwStencilFail;
    uint32_t m_dwStencilZFail;
    uint32_t m_dwStencilPass;
    uint32_t m_dwStencilFunc;
    uint32_t m_dwStencilRef;
    uint32_t m_dwStencilMask;
    uint32_t m_dwStencilWriteMask;
    bool m_bClearColor;
    uint32_t m_dwColorClearValue;
    uint32_t m_dwAmbientColor;
    uint32_t m_dwTextureFactor;
    uint32_t m_dwCullMode;
    uint32_t m_dwShadeMode;
    uint32_t m_dwFillMode;
    bool m_bLighting;
    bool m_bSpecularEnable;
    bool m_bFogEnable;
    QIRN_Fog* m_poFog; // not owned
    bool m_bColorVertex;
    bool m_bLocalViewer;
    bool m_bNormalizeNormals;
    uint32_t m_dwDiffuseMaterialSource;
    uint32_t m_dwSpecularMaterialSource;
    uint32_t m_dwAmbientMaterialSource;
    uint32_t m_dwEmissiveMaterialSource;
    bool m_bAlphaBlendEnable;
    uint32_t m_dwSrcBlend;
    uint32_t m_dwDestBlend;
    bool m_bAlphaTestEnable;
    uint32_t m_dwAlphaFunc;
    uint32_t m_dwAlphaRef;
    DWORD m_dwVertexShader;
    DWORD m_dwSWVertexShader;
    DWORD m_dwPrepassVertexShader;
    DWORD m_dwPixelShader;
    uint32_t m_dwNumLayers;
    QIRN_ShaderLayer_DX8* m_poLayers; // owned array of m_dwNumLayers
    D3DMATERIAL8 m_oMaterial;
    uint32_t m_dwPrimitiveType;
    float m_fDisplacementMapScale;
    float m_fMaxTessellation;
    float m_fMinTessellation;
    float m_fPatchSegments;
    uint32_t m_dwPatchEdgeStyle;
    uint32_t m_dwPatchBasis;
    uint32_t m_dwPatchOrder;
    bool m_bShadowPass;
    bool m_bUseFloatIndices;
    bool m_bUseFloatColors;
    bool m_bShowNormals;
    bool m_bShowBinormals;
    bool m_bShowTangents;
    float m_fTangentSpaceVecScale;
    bool m_bIsPrepass;
    QIRN_FloatDataBunnyAssignment m_oPatchSegmentsDBA;
    QIRN_FloatDataBunnyAssignment m_oDMapMinTessellationDBA;
    QIRN_FloatDataBunnyAssignment m_oDMapMaxTessellationDBA;
    QIRN_BoolDataBunnyAssignment m_oSkipPassDBA;
    QIRN_IntDataBunnyAssignment m_oFillModeDBA;
    QIRN_IntDataBunnyAssignment m_oCullModeDBA;
};

class QIRN_Shader_DX8
{
public:
    QIRN_Shader_DX8();
    ~QIRN_Shader_DX8();
    QIRN_Shader_DX8(const QIRN_Shader_DX8&) = delete;
    QIRN_Shader_DX8& operator=(const QIRN_Shader_DX8&) = delete;

    // Replaces the pass array by dwCount default passes; false when it cannot be made.
    bool MakePasses(uint32_t dwCount);
    void FreePasses();
    void UpdateAllPasses();

    QIRN_Shader* m_poSource; // not owned
    std::string m_strName;
    uint32_t m_dwNumPasses;
    QIRN_ShaderPass_DX8* m_poPasses;       // owned array of m_dwNumPasses
    PolygonGroup* m_poCurrentPolygonGroup; // not owned
};

// The name under which a bitmap's texture is kept: "type_format_levels_name".
std::string QIRN_MakeTextureKey(uint32_t dwTextureType, uint32_t eFormat, uint32_t dwMipLevels,
                                const std::string& strName);
