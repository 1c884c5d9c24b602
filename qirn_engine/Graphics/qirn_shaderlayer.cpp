#include "qirn_shaderlayer.h"

#include "qirn_constants.h"
#include "qirn_file.h"
#include "qirn_keyword_table.h"
#include "qirn_pixelformat.h"

namespace
{
const QIRN_BlockTexts LAYER_TEXTS = {
    "*** QIRN_ShaderLayer :: Load - Unable to read from file!\n",
    "*** QIRN_ShaderLayer :: Load - Start Block ID not found",
    "*** QIRN_ShaderLayer::Load - Hit the end of file while reading\n",
    "*** QIRN_ShaderLayer :: Load - Error reading ",
    "*** QIRN_ShaderLayer :: Load - Unknown keyword '%s!\n",
    "Attempting to skip block!\n",
    31,
    "*** QIRN_ShaderLayer :: Load - Error in skiping the file block!\n",
};

const QIRN_BlockTexts DYNAMICLAYER_TEXTS = {
    "*** QIRN_DynamicLayer :: Load - Unable to read from file!\n",
    "*** QIRN_DynamicLayer :: Load - Start Block ID not found",
    "*** QIRN_DynamicLayer :: Load - Hit the end of file while reading\n",
    "*** QIRN_DynamicLayer :: Load - Error reading ",
    "*** QIRN_DynamicLayer :: Load - Unknown keyword '%s'!\n",
    "Attempting to skip block!\n",
    32,
    "*** QIRN_DynamicLayer :: Load - Error in skiping the file block!\n",
};

typedef QIRN_ShaderLayer L;
typedef QIRN_KeywordField<L> LayerField;

LayerField Unsigned(const char* szKeyword, uint32_t L::*p, int iOrder)
{
    return QIRN_Field<L>(szKeyword, p, QIRN_VALUE_UNSIGNED, szKeyword, iOrder);
}

LayerField Enum(const char* szKeyword, uint32_t L::*p, int iOrder)
{
    return QIRN_Field<L>(szKeyword, p, QIRN_VALUE_ENUM, szKeyword, iOrder);
}

// The reader's order; the writer's order is the last argument. The dynamic layer is written
// between NumMipmapLevels (7) and COLOROP (8).
const std::vector<LayerField>& LayerFields()
{
    static const std::vector<LayerField> fields = []
    {
        LayerField stage = Unsigned("Stage", &L::m_dwStage, 1);
        stage.szFailLine = "*** QIRN_Shader::Load - Error reading Stage\n";
        LayerField slices = Unsigned("NumSlices", &L::m_dwNumSlices, 6);
        slices.szFailText = nullptr;
        return std::vector<LayerField>{
            stage,
            QIRN_Field<L>("TextureFileName", &L::m_strTextureFileName, QIRN_VALUE_TEXT, "TextureFileName", 3),
            QIRN_Field<L>("Name", &L::m_strName, QIRN_VALUE_WORD, "Name", 2),
            Enum("TextureFormat", &L::m_eTextureFormat, 4),
            Enum("TextureType", &L::m_eTextureType, 5),
            slices,
            Unsigned("NumMipmapLevels", &L::m_dwNumMipmapLevels, 7),
            Enum("COLOROP", &L::m_eCOLOROP, 8),
            Enum("COLORARG1", &L::m_eCOLORARG1, 9),
            Enum("COLORARG2", &L::m_eCOLORARG2, 10),
            Enum("ALPHAOP", &L::m_eALPHAOP, 11),
            Enum("ALPHAARG1", &L::m_eALPHAARG1, 12),
            Enum("ALPHAARG2", &L::m_eALPHAARG2, 13),
            Enum("COLORARG0", &L::m_eCOLORARG0, 14),
            Enum("ALPHAARG0", &L::m_eALPHAARG0, 15),
            Enum("COLORARG0FLAGS", &L::m_eCOLORARG0FLAGS, 16),
            Enum("ALPHAARG0FLAGS", &L::m_eALPHAARG0FLAGS, 17),
            Enum("COLORARG1FLAGS", &L::m_eCOLORARG1FLAGS, 18),
            Enum("ALPHAARG1FLAGS", &L::m_eALPHAARG1FLAGS, 19),
            Enum("COLORARG2FLAGS", &L::m_eCOLORARG2FLAGS, 20),
            Enum("ALPHAARG2FLAGS", &L::m_eALPHAARG2FLAGS, 21),
            Enum("RESULTARG", &L::m_eRESULTARG, 22),
            Unsigned("TEXCOORDINDEX", &L::m_dwTEXCOORDINDEX, 23),
            Enum("TCIFLAG", &L::m_eTCIFLAG, 24),
            QIRN_Field<L>("TEXCOORDTRANSFORM", &L::m_mTEXCOORDTRANSFORM, "TEXCOORDTRANSFORM", 25),
            Enum("TEXTURETRANSFORMFLAG", &L::m_eTEXTURETRANSFORMFLAG, 26),
            Enum("ADDRESSU", &L::m_eADDRESSU, 27),
            Enum("ADDRESSV", &L::m_eADDRESSV, 28),
            Enum("ADDRESSW", &L::m_eADDRESSW, 29),
            QIRN_Field<L>("BORDERCOLOR", &L::m_dwBORDERCOLOR, QIRN_VALUE_COLOR, "BORDERCOLOR", 30),
            Enum("MINFILTER", &L::m_eMINFILTER, 31),
            Enum("MAGFILTER", &L::m_eMAGFILTER, 32),
            Enum("MIPFILTER", &L::m_eMIPFILTER, 33),
            QIRN_Field<L>("MIPMAPLODBIAS", &L::m_fMIPMAPLODBIAS, "MIPMAPLODBIAS", 34),
            Unsigned("MAXMIPLEVEL", &L::m_dwMAXMIPLEVEL, 35),
            Unsigned("MAXANISOTROPY", &L::m_dwMAXANISOTROPY, 36),
            Unsigned("BUMPENVLSCALE", &L::m_dwBUMPENVLSCALE, 37),
            Unsigned("BUMPENVLOFFSET", &L::m_dwBUMPENVLOFFSET, 38),
            Unsigned("BUMPENVMAT00", &L::m_dwBUMPENVMAT00, 39),
            Unsigned("BUMPENVMAT01", &L::m_dwBUMPENVMAT01, 40),
            Unsigned("BUMPENVMAT10", &L::m_dwBUMPENVMAT10, 41),
            Unsigned("BUMPENVMAT11", &L::m_dwBUMPENVMAT11, 42),
        };
    }();
    return fields;
}

const int DYNAMIC_LAYER_WRITE_POSITION = 7;

typedef QIRN_DynamicLayer D;

const std::vector<QIRN_KeywordField<D>>& DynamicLayerFields()
{
    static const std::vector<QIRN_KeywordField<D>> fields = {
        QIRN_Field<D>("TextureUpdateType", &D::m_dwTextureUpdateType, QIRN_VALUE_ENUM, "TextureUpdateType"),
        QIRN_Field<D>("UpdateInterval", &D::m_fUpdateInterval, "UpdateInterval"),
        QIRN_Field<D>("NextUpdate", &D::m_fNextUpdate, "NextUpdate"),
    };
    return fields;
}
} // namespace

void QIRN_DynamicLayer::Reset()
{
    m_dwTextureUpdateType = 0;
    m_fUpdateInterval = 0.0f;
    m_fNextUpdate = 0.0f;
    m_vArgs.clear();
}

QIRN_ErrorCode QIRN_DynamicLayer::Load(QIRN_File& roFile)
{
    QIRN_ErrorCode result = QIRN_ReadBlockStart(roFile, DYNAMICLAYER_TEXTS);
    if (result != OK)
    {
        return result;
    }
    // The k-th Arg of the block goes to argument k, whatever NumArgs says in between.
    uint32_t dwArg = 0;
    return QIRN_ReadKeywordLoop(
        roFile, *this, DYNAMICLAYER_TEXTS, DynamicLayerFields(),
        [&](const std::string& szKeyword) -> QIRN_ErrorCode
        {
            uint32_t dwValue = 0;
            if (szKeyword == "NumArgs")
            {
                if (roFile.ReadBlock(dwValue) != OK)
                {
                    dprintf("*** QIRN_DynamicLayer :: Load - Error reading NumArgs\n");
                    return FILEREAD_ERROR;
                }
                if (dwValue > QIRN_MAX_DYNAMIC_ARGS)
                {
                    dprintf("*** QIRN_DynamicLayer :: Load - NumArgs %u is too large (at most %u)\n", dwValue,
                            QIRN_MAX_DYNAMIC_ARGS);
                    return FILEREAD_ERROR;
                }
                m_vArgs.assign(dwValue, 0);
                return OK;
            }
            if (szKeyword == "Arg")
            {
                if (roFile.ReadBlock(dwValue) != OK)
                {
                    dprintf("*** QIRN_DynamicLayer :: Load - Error reading Arg\n");
                    return FILEREAD_ERROR;
                }
                if (dwArg < m_vArgs.size())
                {
                    m_vArgs[dwArg] = dwValue;
                }
                else
                {
                    dprintf("*** QIRN_DynamicLayer :: Load - Arg %u has no slot (NumArgs is %u), ignored\n",
                            dwArg, GetNumArgs());
                }
                ++dwArg;
                return OK;
            }
            return QIRN_KEYWORD_NOT_HANDLED;
        });
}

QIRN_ErrorCode QIRN_DynamicLayer::Save(QIRN_File& roFile) const
{
    if (!roFile)
    {
        dprintf("QIRN_DynamicLayer::Save - Unable to write to file!\n");
        return FILEERROR;
    }
    roFile.StartWriteBlock("DynamicLayer");
    for (const QIRN_KeywordField<D>& field : DynamicLayerFields())
    {
        QIRN_WriteField(roFile, *this, field);
    }
    roFile.WriteBlock("NumArgs", GetNumArgs());
    for (uint32_t dwArg : m_vArgs)
    {
        roFile.WriteBlock("Arg", dwArg);
    }
    roFile.EndWriteBlock();
    return QIRN_FileWriteGood(roFile) ? OK : FILEERROR;
}

QIRN_ShaderLayer::QIRN_ShaderLayer() : m_poDynamicLayer(nullptr)
{
    Reset();
}

QIRN_ShaderLayer::~QIRN_ShaderLayer()
{
    delete m_poDynamicLayer;
    m_poDynamicLayer = nullptr;
}

QIRN_ShaderLayer::QIRN_ShaderLayer(const QIRN_ShaderLayer& other) : m_poDynamicLayer(nullptr)
{
    Reset();
    *this = other;
}

void QIRN_ShaderLayer::Reset()
{
    m_strTextureFileName.clear();
    m_eTextureFormat = QIRN_FMT_A8R8G8B8;
    m_eTextureType = 2;
    m_dwNumSlices = 1;
    m_dwNumMipmapLevels = 1;
    m_dwStage = 0;
    m_poDynamicLayer = nullptr;
    m_eCOLOROP = 2;
    m_eCOLORARG1 = 5;
    m_eCOLORARG2 = 1;
    m_eALPHAOP = 1;
    m_eALPHAARG1 = 5;
    m_eALPHAARG2 = 1;
    m_eCOLORARG0 = 4;
    m_eALPHAARG0 = 4;
    m_eCOLORARG0FLAGS = 0;
    m_eALPHAARG0FLAGS = 0;
    m_eCOLORARG1FLAGS = 0;
    m_eALPHAARG1FLAGS = 0;
    m_eCOLORARG2FLAGS = 0;
    m_eALPHAARG2FLAGS = 0;
    m_eRESULTARG = 0;
    m_dwTEXCOORDINDEX = 0;
    m_eTCIFLAG = 0;
    m_mTEXCOORDTRANSFORM = QIRN_IDENTITY_MATRIX;
    m_eTEXTURETRANSFORMFLAG = 0;
    m_eADDRESSU = 0;
    m_eADDRESSV = 0;
    m_eADDRESSW = 0;
    m_dwBORDERCOLOR = 0x00FFFF00;
    m_eMINFILTER = 2;
    m_eMAGFILTER = 2;
    m_eMIPFILTER = 0;
    m_fMIPMAPLODBIAS = 0.0f;
    m_dwMAXMIPLEVEL = 0;
    m_dwMAXANISOTROPY = 1;
    m_dwBUMPENVLSCALE = FloatBitsToDword(1.0f);
    m_dwBUMPENVLOFFSET = 0;
    m_dwBUMPENVMAT00 = FloatBitsToDword(1.0f);
    m_dwBUMPENVMAT01 = 0;
    m_dwBUMPENVMAT10 = 0;
    m_dwBUMPENVMAT11 = FloatBitsToDword(1.0f);
    m_strName = "Layer";
}

QIRN_ShaderLayer& QIRN_ShaderLayer::operator=(const QIRN_ShaderLayer& other)
{
    if (this == &other)
    {
        return *this;
    }
    // Every field but the dynamic layer, which each layer owns alone.
    QIRN_DynamicLayer* poOwn = m_poDynamicLayer;
    m_strTextureFileName = other.m_strTextureFileName;
    m_eTextureFormat = other.m_eTextureFormat;
    m_eTextureType = other.m_eTextureType;
    m_dwNumSlices = other.m_dwNumSlices;
    m_dwNumMipmapLevels = other.m_dwNumMipmapLevels;
    m_dwStage = other.m_dwStage;
    m_eCOLOROP = other.m_eCOLOROP;
    m_eCOLORARG1 = other.m_eCOLORARG1;
    m_eCOLORARG2 = other.m_eCOLORARG2;
    m_eALPHAOP = other.m_eALPHAOP;
    m_eALPHAARG1 = other.m_eALPHAARG1;
    m_eALPHAARG2 = other.m_eALPHAARG2;
    m_eCOLORARG0 = other.m_eCOLORARG0;
    m_eALPHAARG0 = other.m_eALPHAARG0;
    m_eCOLORARG0FLAGS = other.m_eCOLORARG0FLAGS;
    m_eALPHAARG0FLAGS = other.m_eALPHAARG0FLAGS;
    m_eCOLORARG1FLAGS = other.m_eCOLORARG1FLAGS;
    m_eALPHAARG1FLAGS = other.m_eALPHAARG1FLAGS;
    m_eCOLORARG2FLAGS = other.m_eCOLORARG2FLAGS;
    m_eALPHAARG2FLAGS = other.m_eALPHAARG2FLAGS;
    m_eRESULTARG = other.m_eRESULTARG;
    m_dwTEXCOORDINDEX = other.m_dwTEXCOORDINDEX;
    m_eTCIFLAG = other.m_eTCIFLAG;
    m_mTEXCOORDTRANSFORM = other.m_mTEXCOORDTRANSFORM;
    m_eTEXTURETRANSFORMFLAG = other.m_eTEXTURETRANSFORMFLAG;
    m_eADDRESSU = other.m_eADDRESSU;
    m_eADDRESSV = other.m_eADDRESSV;
    m_eADDRESSW = other.m_eADDRESSW;
    m_dwBORDERCOLOR = other.m_dwBORDERCOLOR;
    m_eMINFILTER = other.m_eMINFILTER;
    m_eMAGFILTER = other.m_eMAGFILTER;
    m_eMIPFILTER = other.m_eMIPFILTER;
    m_fMIPMAPLODBIAS = other.m_fMIPMAPLODBIAS;
    m_dwMAXMIPLEVEL = other.m_dwMAXMIPLEVEL;
    m_dwMAXANISOTROPY = other.m_dwMAXANISOTROPY;
    m_dwBUMPENVLSCALE = other.m_dwBUMPENVLSCALE;
    m_dwBUMPENVLOFFSET = other.m_dwBUMPENVLOFFSET;
    m_dwBUMPENVMAT00 = other.m_dwBUMPENVMAT00;
    m_dwBUMPENVMAT01 = other.m_dwBUMPENVMAT01;
    m_dwBUMPENVMAT10 = other.m_dwBUMPENVMAT10;
    m_dwBUMPENVMAT11 = other.m_dwBUMPENVMAT11;
    m_strName = other.m_strName;

    delete poOwn;
    m_poDynamicLayer = other.m_poDynamicLayer ? new QIRN_DynamicLayer(*other.m_poDynamicLayer) : nullptr;
    return *this;
}

QIRN_ErrorCode QIRN_ShaderLayer::Load(QIRN_File& roFile, QIRN_DataBunnyManager* /*poManager*/)
{
    QIRN_ErrorCode result = QIRN_ReadBlockStart(roFile, LAYER_TEXTS);
    if (result != OK)
    {
        return result;
    }
    return QIRN_ReadKeywordLoop(roFile, *this, LAYER_TEXTS, LayerFields(),
                                [&](const std::string& szKeyword) -> QIRN_ErrorCode
                                {
                                    if (szKeyword != "DynamicLayer")
                                    {
                                        return QIRN_KEYWORD_NOT_HANDLED;
                                    }
                                    delete m_poDynamicLayer;
                                    m_poDynamicLayer = new QIRN_DynamicLayer();
                                    return m_poDynamicLayer->Load(roFile);
                                });
}

QIRN_ErrorCode QIRN_ShaderLayer::Save(QIRN_File& roFile) const
{
    if (!roFile)
    {
        dprintf("QIRN_ShaderLayer::Save - Unable to write to file!\n");
        return FILEERROR;
    }
    static const std::vector<LayerField> writerOrder = QIRN_WriterOrder(LayerFields());
    roFile.StartWriteBlock("Layer");
    for (const LayerField& field : writerOrder)
    {
        QIRN_WriteField(roFile, *this, field);
        if (field.iWriteOrder == DYNAMIC_LAYER_WRITE_POSITION && m_poDynamicLayer)
        {
            m_poDynamicLayer->Save(roFile);
        }
    }
    roFile.EndWriteBlock();
    return QIRN_FileWriteGood(roFile) ? OK : FILEERROR;
}
