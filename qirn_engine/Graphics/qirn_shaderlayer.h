#pragma once
// One texture layer of a shader pass: the texture and the settings of one texture stage, in the
// engine's own numbering (each renderer translates them), with optional dynamic-update data.

#include "qirn_errors.h"
#include "qirn_math.h"

#include <cstdint>
#include <string>
#include <vector>

class QIRN_File;
class QIRN_DataBunnyManager;

// The most arguments a dynamic layer may ask for; a texture update takes a handful, and the bound
// keeps a damaged count from allocating megabytes.
const uint32_t QIRN_MAX_DYNAMIC_ARGS = 256;

// Extra parameters of a layer whose texture is updated while the scene runs.
class QIRN_DynamicLayer
{
public:
    QIRN_DynamicLayer() { Reset(); }

    void Reset();
    QIRN_ErrorCode Load(QIRN_File& roFile);
    QIRN_ErrorCode Save(QIRN_File& roFile) const;

    uint32_t GetNumArgs() const { return static_cast<uint32_t>(m_vArgs.size()); }

    uint32_t m_dwTextureUpdateType;
    float m_fUpdateInterval;
    float m_fNextUpdate;
    std::vector<uint32_t> m_vArgs;
};

class QIRN_ShaderLayer
{
public:
    QIRN_ShaderLayer();
    ~QIRN_ShaderLayer();
    QIRN_ShaderLayer(const QIRN_ShaderLayer& other);
    QIRN_ShaderLayer& operator=(const QIRN_ShaderLayer& other);

    // Every field to its default; does not delete a dynamic layer (callers do that first).
    void Reset();
    // A layer has nothing to bind; answers 0.
    QIRN_ErrorCode UpdateDataBunnyAssignments() { return OK; }
    QIRN_ErrorCode Load(QIRN_File& roFile, QIRN_DataBunnyManager* poManager);
    QIRN_ErrorCode Save(QIRN_File& roFile) const;

    std::string m_strTextureFileName;
    uint32_t m_eTextureFormat;
    uint32_t m_eTextureType;
    uint32_t m_dwNumSlices;
    uint32_t m_dwNumMipmapLevels;
    uint32_t m_dwStage;
    QIRN_DynamicLayer* m_poDynamicLayer; // owned; null when the layer has none
    uint32_t m_eCOLOROP;
    uint32_t m_eCOLORARG1;
    uint32_t m_eCOLORARG2;
    uint32_t m_eALPHAOP;
    uint32_t m_eALPHAARG1;
    uint32_t m_eALPHAARG2;
    uint32_t m_eCOLORARG0;
    uint32_t m_eALPHAARG0;
    uint32_t m_eCOLORARG0FLAGS;
    uint32_t m_eALPHAARG0FLAGS;
    uint32_t m_eCOLORARG1FLAGS;
    uint32_t m_eALPHAARG1FLAGS;
    uint32_t m_eCOLORARG2FLAGS;
    uint32_t m_eALPHAARG2FLAGS;
    uint32_t m_eRESULTARG;
    uint32_t m_dwTEXCOORDINDEX;
    uint32_t m_eTCIFLAG;
    QIRN_Matrix4 m_mTEXCOORDTRANSFORM;
    uint32_t m_eTEXTURETRANSFORMFLAG;
    uint32_t m_eADDRESSU;
    uint32_t m_eADDRESSV;
    uint32_t m_eADDRESSW;
    uint32_t m_dwBORDERCOLOR;
    uint32_t m_eMINFILTER;
    uint32_t m_eMAGFILTER;
    uint32_t m_eMIPFILTER;
    float m_fMIPMAPLODBIAS;
    uint32_t m_dwMAXMIPLEVEL;
    uint32_t m_dwMAXANISOTROPY;
    // The bump-environment words hold the bits of floats; they travel as integers.
    uint32_t m_dwBUMPENVLSCALE;
    uint32_t m_dwBUMPENVLOFFSET;
    uint32_t m_dwBUMPENVMAT00;
    uint32_t m_dwBUMPENVMAT01;
    uint32_t m_dwBUMPENVMAT10;
    uint32_t m_dwBUMPENVMAT11;
    std::string m_strName;
};
