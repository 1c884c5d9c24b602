#include "qirn_shader.h"

#include "qirn_databunnymanager.h"
#include "qirn_file.h"
#include "qirn_keyword_table.h"
#include "qirn_settings.h"

#include <new>

namespace
{
const QIRN_BlockTexts SHADER_TEXTS = {
    "*** QIRN_Shader::Load - Unable to read from file!\n",
    "*** QIRN_Shader::Load - Start Block ID not found",
    "*** QIRN_Shader::Load - Hit the end of file while reading\n",
    "",
    "*** QIRN_Shader::Load - Unknown keyword '%s'!\n",
    "Attempting to skip block!\n",
    24,
    "*** QIRN_Shader::Load - Error in skiping the file block!\n",
};

const QIRN_BlockTexts PASS_TEXTS = {
    "*** QIRN_ShaderPass::Load - Unable to read from file!\n",
    "*** QIRN_ShaderPass::Load - Start Block ID not found",
    "*** QIRN_ShaderPass::Load - Hit the end of file while reading\n",
    "*** QIRN_ShaderPass::Load - Error reading ",
    "*** QIRN_ShaderPass::Load - Unknown keyword '%s'!\n",
    "Attempting to skip block!\n",
    28,
    "*** QIRN_ShaderPass::Load - Error in skiping the file block!\n",
};

const QIRN_BlockTexts ASSIGNMENTS_TEXTS = {
    nullptr,
    "*** QIRN_ShaderPass::Load - Start Block ID not found",
    nullptr,
    "",
    "*** QIRN_ShaderPass::LoadBunnyAssignments - Unknown keyword '%s'!\n",
    "Attempting to skip block!\n",
    28,
    "*** QIRN_ShaderPass::LoadBunnyAssignments - Error in skiping the file block!\n",
};

typedef QIRN_Shader S;
typedef QIRN_KeywordField<S> ShaderField;

const std::vector<ShaderField>& ShaderFields()
{
    static const std::vector<ShaderField> fields = []
    {
        ShaderField name = QIRN_Field<S>("Name", &S::m_strName, QIRN_VALUE_TEXT, nullptr, 1);
        name.szFailLine = "*** QIRN_Shader::Load - Error reading Name\n";
        ShaderField description =
            QIRN_Field<S>("Description", &S::m_strDescription, QIRN_VALUE_TEXT, nullptr, 4);
        description.szFailLine = "*** QIRN_Shader::Load() - Error reading m_strDescription\n";
        ShaderField guid = QIRN_Field<S>("Guid", &S::m_strGuid, QIRN_VALUE_TEXT, nullptr, 3);
        guid.szFailLine = "*** QIRN_Shader::Load() - Error reading m_strGuid\n";
        return std::vector<ShaderField>{name, description, guid};
    }();
    return fields;
}

typedef QIRN_ShaderPass P;
typedef QIRN_KeywordField<P> PassField;

// Written by the pass writer itself (the program names lose their folder).
const int WRITTEN_APART = -1;

// The reader's order of comparison; the last number is the writer's order.
const std::vector<PassField>& PassFields()
{
    const QIRN_ValueKind U = QIRN_VALUE_UNSIGNED, E = QIRN_VALUE_ENUM, C = QIRN_VALUE_COLOR;
    static const std::vector<PassField> fields = {
        QIRN_Field<P>("Name", &P::m_strName, QIRN_VALUE_WORD, "Name", 1),
        QIRN_Field<P>("FogActorName", &P::m_strFogActorName, QIRN_VALUE_WORD, "fog actor name", 43),
        QIRN_Field<P>("SkipPass", &P::m_bSkipPass, "SkipPass", 2),
        QIRN_Field<P>("FVF", &P::m_dwFVF, U, "FVF", 3),
        QIRN_Field<P>("HasTangent", &P::m_bHasTangent, "HasTangent", 4),
        QIRN_Field<P>("HasBinormal", &P::m_bHasBinormal, "HasBinormal", 5),
        QIRN_Field<P>("IsShadowPass", &P::m_bIsShadowPass, "IsShadowPass", 8),
        QIRN_Field<P>("ShowTangents", &P::m_bShowTangents, "ShowTangents", 11),
        QIRN_Field<P>("ShowNormals", &P::m_bShowNormals, "ShowNormals", 9),
        QIRN_Field<P>("ShowBinormals", &P::m_bShowBinormals, "ShowBinormals", 10),
        QIRN_Field<P>("TangentSpaceVecScale", &P::m_fTangentSpaceVecScale, "TangentSpaceVecScale", 12),
        QIRN_Field<P>("UseFloatIndices", &P::m_bUseFloatIndices, "UseFloatIndices", 6),
        QIRN_Field<P>("UseFloatColors", &P::m_bUseFloatColors, "UseFloatColors", 7),
        QIRN_Field<P>("PGSortMode", &P::m_ePGSortMode, E, "PGSortMode", 13),
        QIRN_Field<P>("PGSortKey", &P::m_ePGSortKey, E, "PGSortKey", 14),
        QIRN_Field<P>("SortMode", &P::m_eSortMode, E, "SortMode", 15),
        QIRN_Field<P>("SortKey", &P::m_eSortKey, E, "SortKey", 16),
        QIRN_Field<P>("ZBufferEnabled", &P::m_bZBufferEnabled, "ZBufferEnabled", 17),
        QIRN_Field<P>("ZWriteEnabled", &P::m_bZWriteEnabled, "ZWriteEnabled", 18),
        QIRN_Field<P>("ClearZ", &P::m_bClearZ, "ClearZ", 19),
        QIRN_Field<P>("ZCompareFunc", &P::m_eZCompareFunc, E, "ZCompareFunc", 20),
        QIRN_Field<P>("ZBias", &P::m_dwZBias, U, "ZBias", 21),
        QIRN_Field<P>("ZClearValue", &P::m_fZClearValue, "ZClearValue", 22),
        QIRN_Field<P>("ClearStencil", &P::m_bClearStencil, "ClearStencil", 23),
        QIRN_Field<P>("StencilClearValue", &P::m_dwStencilClearValue, U, "StencilClearValue", 24),
        QIRN_Field<P>("StencilEnabled", &P::m_bStencilEnabled, "m_bStencilEnabled", 25),
        QIRN_Field<P>("StencilFail", &P::m_eStencilFail, E, "m_eStencilFail", 26),
        QIRN_Field<P>("StencilZFail", &P::m_eStencilZFail, E, "m_eStencilZFail", 27),
        QIRN_Field<P>("StencilPass", &P::m_eStencilPass, E, "m_eStencilPass", 28),
        QIRN_Field<P>("StencilFunc", &P::m_eStencilFunc, E, "m_eStencilFunc", 29),
        QIRN_Field<P>("StencilRef", &P::m_dwStencilRef, U, "m_dwStencilRef", 30),
        QIRN_Field<P>("StencilMask", &P::m_dwStencilMask, U, "m_dwStencilMask", 31),
        QIRN_Field<P>("StencilWriteMask", &P::m_dwStencilWriteMask, U, "m_dwStencilWriteMask", 32),
        QIRN_Field<P>("ClearColor", &P::m_bClearColor, "ClearColor", 33),
        QIRN_Field<P>("ColorClearValue", &P::m_dwColorClearValue, C, "ColorClearValue", 34),
        QIRN_Field<P>("AmbientColor", &P::m_dwAmbientColor, C, "m_dwAmbientColor", 35),
        QIRN_Field<P>("TFactor", &P::m_dwTFactor, C, "TFactor", 36),
        QIRN_Field<P>("CullMode", &P::m_eCullMode, E, "CullMode", 37),
        QIRN_Field<P>("ShadeMode", &P::m_eShadeMode, E, "ShadeMode", 38),
        QIRN_Field<P>("FillMode", &P::m_eFillMode, E, "FillMode", 39),
        QIRN_Field<P>("LightingEnabled", &P::m_bLightingEnabled, "LightingEnabled", 40),
        QIRN_Field<P>("SpecularEnabled", &P::m_bSpecularEnabled, "SpecularEnabled", 41),
        QIRN_Field<P>("FogEnabled", &P::m_bFogEnabled, "FogEnabled", 42),
        QIRN_Field<P>("ColorVertex", &P::m_bColorVertex, "ColorVertex", 44),
        QIRN_Field<P>("LocalViewer", &P::m_bLocalViewer, "LocalViewer", 45),
        QIRN_Field<P>("NormalizeNormals", &P::m_bNormalizeNormals, "NormalizeNormals", 46),
        QIRN_Field<P>("AlphaBlendEnabled", &P::m_bAlphaBlendEnabled, "AlphaBlendEnabled", 47),
        QIRN_Field<P>("SrcBlend", &P::m_eSrcBlend, E, "SrcBlend", 48),
        QIRN_Field<P>("DestBlend", &P::m_eDestBlend, E, "DestBlend", 49),
        QIRN_Field<P>("AlphaTestEnabled", &P::m_bAlphaTestEnabled, "AlphaTestEnabled", 50),
        QIRN_Field<P>("AlphaCompareFunc", &P::m_eAlphaCompareFunc, E, "AlphaCompareFunc", 51),
        QIRN_Field<P>("AlphaTestingThreshold", &P::m_dwAlphaTestingThreshold, U, "AlphaTestingThreshold", 52),
        QIRN_Field<P>("DisplacementMapScale", &P::m_fDisplacementMapScale, nullptr, 54),
        QIRN_Field<P>("DisplacementMapInterpolation", &P::m_eDisplacementMapInterpolation, E,
                      "DisplacementMapInterpolation", 55),
        QIRN_Field<P>("PrimitiveType", &P::m_ePrimitiveType, E, nullptr, 53),
        QIRN_Field<P>("PatchSegments", &P::m_fPatchSegments, nullptr, 58),
        QIRN_Field<P>("DMapMaxTessellation", &P::m_fDMapMaxTessellation, "DMapMaxTessellation", 57),
        QIRN_Field<P>("DMapMinTessellation", &P::m_fDMapMinTessellation, "DMapMinTessellation", 56),
        QIRN_Field<P>("PatchEdgeStyle", &P::m_ePatchEdgeStyle, E, nullptr, 59),
        QIRN_Field<P>("PatchOrder", &P::m_ePatchOrder, E, nullptr, 60),
        QIRN_Field<P>("PatchBasis", &P::m_ePatchBasis, E, nullptr, 61),
        QIRN_Field<P>("VertexShader", &P::m_strVertexShader, QIRN_VALUE_TEXT, "VertexShader", WRITTEN_APART),
        QIRN_Field<P>("PixelShader", &P::m_strPixelShader, QIRN_VALUE_TEXT, "PixelShader", WRITTEN_APART),
    };
    return fields;
}

// The shader program's file name as saved: its title and lower-case extension, no folder.
std::string ProgramFileName(const std::string& strPath)
{
    if (strPath.empty())
    {
        return strPath;
    }
    return QIRN_GetFileTitle(strPath) + "." + QIRN_GetFileExtension(strPath);
}

// The seven bindable parameters: keyword, kind of bunny and the pass's assignment.
enum AssignmentKind
{
    ASSIGN_FLOAT,
    ASSIGN_BOOL,
    ASSIGN_INT
};

struct AssignmentSlot
{
    const char* szKeyword;
    AssignmentKind eKind;
    QIRN_FloatDataBunnyAssignment P::*pFloat;
    QIRN_BoolDataBunnyAssignment P::*pBool;
    QIRN_IntDataBunnyAssignment P::*pInt;
};

// In the writer's order; the reader accepts any order.
const AssignmentSlot ASSIGNMENT_SLOTS[] = {
    {"DisplacementMapScale", ASSIGN_FLOAT, &P::m_oDisplacementMapScaleDBA, nullptr, nullptr},
    {"DMapMaxTessellation", ASSIGN_FLOAT, &P::m_oDMapMaxTessellationDBA, nullptr, nullptr},
    {"DMapMinTessellation", ASSIGN_FLOAT, &P::m_oDMapMinTessellationDBA, nullptr, nullptr},
    {"PatchSegments", ASSIGN_FLOAT, &P::m_oPatchSegmentsDBA, nullptr, nullptr},
    {"SkipPass", ASSIGN_BOOL, nullptr, &P::m_oSkipPassDBA, nullptr},
    {"CullMode", ASSIGN_INT, nullptr, nullptr, &P::m_oCullModeDBA},
    {"FillMode", ASSIGN_INT, nullptr, nullptr, &P::m_oFillModeDBA},
};

// The name of the bunny bound to a slot, or empty when the slot is unbound.
std::string BoundBunnyName(const QIRN_ShaderPass& pass, const AssignmentSlot& slot)
{
    switch (slot.eKind)
    {
    case ASSIGN_FLOAT:
        return (pass.*slot.pFloat).GetDataBunny() ? (pass.*slot.pFloat).GetDataBunny()->GetName()
                                                  : std::string();
    case ASSIGN_BOOL:
        return (pass.*slot.pBool).GetDataBunny() ? (pass.*slot.pBool).GetDataBunny()->GetName()
                                                 : std::string();
    case ASSIGN_INT:
        return (pass.*slot.pInt).GetDataBunny() ? (pass.*slot.pInt).GetDataBunny()->GetName() : std::string();
    }
    return std::string();
}
} // namespace

QIRN_ShaderPass::QIRN_ShaderPass() : m_dwNumLayers(0), m_poLayers(nullptr)
{
    Reset();
}

QIRN_ShaderPass::~QIRN_ShaderPass()
{
    delete[] m_poLayers;
    m_poLayers = nullptr;
    m_dwNumLayers = 0;
}

void QIRN_ShaderPass::Reset()
{
    m_strName = "Pass";
    m_bSkipPass = false;
    m_dwFVF = 0;
    m_bHasTangent = false;
    m_bHasBinormal = false;
    m_ePGSortMode = 0;
    m_ePGSortKey = 1;
    m_eSortMode = 0;
    m_eSortKey = 1;
    m_bZBufferEnabled = true;
    m_bZWriteEnabled = true;
    m_bClearZ = false;
    m_eZCompareFunc = 3;
    m_dwZBias = 0;
    m_fZClearValue = 1.0f;
    m_bClearStencil = false;
    m_dwStencilClearValue = 255;
    m_bStencilEnabled = false;
    m_eStencilFail = 0;
    m_eStencilZFail = 0;
    m_eStencilPass = 0;
    m_eStencilFunc = 7;
    m_dwStencilRef = 0;
    m_dwStencilMask = 0xFFFFFFFFu;
    m_dwStencilWriteMask = 0xFFFFFFFFu;
    m_bClearColor = false;
    m_dwColorClearValue = 0;
    m_dwAmbientColor = 0;
    m_dwTFactor = 0;
    m_eCullMode = 1;
    m_eShadeMode = 1;
    m_eFillMode = 0;
    m_bLightingEnabled = true;
    m_bSpecularEnabled = false;
    m_bFogEnabled = true;
    m_strFogActorName = "None";
    m_bColorVertex = true;
    m_bLocalViewer = true;
    m_bNormalizeNormals = false;
    m_bAlphaBlendEnabled = false;
    m_eSrcBlend = 4;
    m_eDestBlend = 5;
    m_bAlphaTestEnabled = false;
    m_eAlphaCompareFunc = 7;
    m_dwAlphaTestingThreshold = 0;
    m_oVertexShaderConstants.SetVSFlag(true);
    m_oPixelShaderConstants.SetVSFlag(false);
    m_strVertexShader.clear();
    m_strPixelShader.clear();
    m_dwNumLayers = 0;
    m_poLayers = nullptr;
    m_ePrimitiveType = 0;
    m_fDisplacementMapScale = 1.0f;
    m_eDisplacementMapInterpolation = 1;
    m_fDMapMaxTessellation = 32.0f;
    m_fDMapMinTessellation = 1.0f;
    m_fPatchSegments = 1.0f;
    m_ePatchEdgeStyle = 0;
    m_ePatchOrder = 0;
    m_ePatchBasis = 0;
    m_bUseFloatColors = false;
    m_bIsShadowPass = false;
    m_bUseFloatIndices = false;
    m_bShowNormals = false;
    m_bShowBinormals = false;
    m_bShowTangents = false;
    m_fTangentSpaceVecScale = 1.0f;
}

bool QIRN_ShaderPass::MakeLayers(uint32_t dwCount)
{
    delete[] m_poLayers;
    m_poLayers = nullptr;
    m_dwNumLayers = 0;
    QIRN_ShaderLayer* poLayers =
        dwCount <= QIRN_MAX_LAYERS ? new (std::nothrow) QIRN_ShaderLayer[dwCount] : nullptr;
    if (!poLayers)
    {
        return false;
    }
    m_poLayers = poLayers;
    m_dwNumLayers = dwCount;
    return true;
}

QIRN_ShaderPass& QIRN_ShaderPass::operator=(const QIRN_ShaderPass& other)
{
    if (this == &other)
    {
        return *this;
    }
    for (const PassField& field : PassFields())
    {
        QIRN_CopyField(*this, other, field);
    }
    m_oMaterial = other.m_oMaterial;
    m_oVertexShaderConstants = other.m_oVertexShaderConstants;
    m_oPixelShaderConstants = other.m_oPixelShaderConstants;
    // A copy of a pass without layers holds no layer array at all.
    if (other.m_dwNumLayers == 0)
    {
        delete[] m_poLayers;
        m_poLayers = nullptr;
        m_dwNumLayers = 0;
    }
    else if (MakeLayers(other.m_dwNumLayers))
    {
        for (uint32_t i = 0; i < m_dwNumLayers; ++i)
        {
            m_poLayers[i] = other.m_poLayers[i];
        }
    }
    return *this;
}

QIRN_ErrorCode QIRN_ShaderPass::UpdateDataBunnyAssignments()
{
    if (m_oDisplacementMapScaleDBA.GetDataBunny())
    {
        m_fDisplacementMapScale = m_oDisplacementMapScaleDBA.GetValue();
    }
    if (m_oDMapMaxTessellationDBA.GetDataBunny())
    {
        m_fDMapMaxTessellation = m_oDMapMaxTessellationDBA.GetValue();
    }
    if (m_oDMapMinTessellationDBA.GetDataBunny())
    {
        m_fDMapMinTessellation = m_oDMapMinTessellationDBA.GetValue();
    }
    if (m_oPatchSegmentsDBA.GetDataBunny())
    {
        m_fPatchSegments = m_oPatchSegmentsDBA.GetValue();
    }
    if (m_oSkipPassDBA.GetDataBunny())
    {
        m_bSkipPass = m_oSkipPassDBA.GetValue() != 0;
    }
    if (m_oCullModeDBA.GetDataBunny())
    {
        m_eCullMode = static_cast<uint32_t>(m_oCullModeDBA.GetValue());
    }
    if (m_oFillModeDBA.GetDataBunny())
    {
        m_eFillMode = static_cast<uint32_t>(m_oFillModeDBA.GetValue());
    }
    for (uint32_t i = 0; i < m_dwNumLayers; ++i)
    {
        m_poLayers[i].UpdateDataBunnyAssignments();
    }
    return OK;
}

QIRN_ErrorCode QIRN_ShaderPass::Load(QIRN_File& roFile, QIRN_DataBunnyManager* poManager)
{
    QIRN_ErrorCode result = QIRN_ReadBlockStart(roFile, PASS_TEXTS);
    if (result != OK)
    {
        return result;
    }
    uint32_t dwLayer = 0;
    bool bHaveCount = false;
    return QIRN_ReadKeywordLoop(
        roFile, *this, PASS_TEXTS, PassFields(),
        [&](const std::string& szKeyword) -> QIRN_ErrorCode
        {
            if (szKeyword == "NumLayers")
            {
                uint32_t dwCount = 0;
                if (roFile.ReadBlock(dwCount) != OK)
                {
                    dprintf("*** QIRN_ShaderPass::Load - Error reading NumLayers\n");
                    return FILEREAD_ERROR;
                }
                // A second count would drop the layers read so far.
                if (bHaveCount)
                {
                    dprintf("*** QIRN_ShaderPass::Load - NumLayers given twice\n");
                    return FILEREAD_ERROR;
                }
                if (!MakeLayers(dwCount))
                {
                    dprintf("*** QIRN_ShaderPass::Load - Unable to make %u layers (a pass has at most %u)\n",
                            dwCount, QIRN_MAX_LAYERS);
                    return FILEREAD_ERROR;
                }
                bHaveCount = true;
                return OK;
            }
            if (szKeyword == "Layer")
            {
                if (dwLayer >= m_dwNumLayers)
                {
                    dprintf("*** QIRN_ShaderPass::Load - Layer block without a place (NumLayers is %u)\n",
                            m_dwNumLayers);
                    return FILEREAD_ERROR;
                }
                m_poLayers[dwLayer].m_dwStage = dwLayer;
                QIRN_ErrorCode layerResult = m_poLayers[dwLayer].Load(roFile, poManager);
                if (layerResult == OK)
                {
                    ++dwLayer;
                }
                return layerResult;
            }
            if (szKeyword == "Material")
            {
                return m_oMaterial.Load(roFile);
            }
            if (szKeyword == "VertexShaderConstants")
            {
                return m_oVertexShaderConstants.Load(roFile, poManager);
            }
            if (szKeyword == "PixelShaderConstants")
            {
                return m_oPixelShaderConstants.Load(roFile, poManager);
            }
            if (szKeyword == "DataBunnyAssignments")
            {
                return LoadBunnyAssignments(roFile, poManager) == OK ? OK : GENERICERROR;
            }
            return QIRN_KEYWORD_NOT_HANDLED;
        });
}

QIRN_ErrorCode QIRN_ShaderPass::LoadBunnyAssignments(QIRN_File& roFile, QIRN_DataBunnyManager* poManager)
{
    QIRN_ErrorCode result = QIRN_ReadBlockStart(roFile, ASSIGNMENTS_TEXTS);
    if (result != OK)
    {
        return result;
    }
    static const std::vector<QIRN_KeywordField<P>> noFields;
    return QIRN_ReadKeywordLoop(
        roFile, *this, ASSIGNMENTS_TEXTS, noFields,
        [&](const std::string& szKeyword) -> QIRN_ErrorCode
        {
            for (const AssignmentSlot& slot : ASSIGNMENT_SLOTS)
            {
                if (szKeyword != slot.szKeyword)
                {
                    continue;
                }
                std::string strBunny;
                if (roFile.ReadStringBlock(strBunny) != OK)
                {
                    dprintf(
                        "*** QIRN_ShaderPass::LoadBunnyAssignments() - roFile.ReadStringBlock() FAILED\n");
                    return FILEREAD_ERROR;
                }
                if (!poManager)
                {
                    return OK;
                }
                switch (slot.eKind)
                {
                case ASSIGN_FLOAT:
                    (this->*slot.pFloat).SetDataBunny(poManager->GetFloatDataBunny(strBunny));
                    break;
                case ASSIGN_BOOL:
                    (this->*slot.pBool).SetDataBunny(poManager->GetBoolDataBunny(strBunny));
                    break;
                case ASSIGN_INT:
                    (this->*slot.pInt).SetDataBunny(poManager->GetIntDataBunny(strBunny));
                    break;
                }
                return OK;
            }
            return QIRN_KEYWORD_NOT_HANDLED;
        });
}

QIRN_ErrorCode QIRN_ShaderPass::SaveDataBunnyAssignments(QIRN_File& roFile) const
{
    if (!roFile)
    {
        dprintf("*** QIRN_ShaderPass::SaveDataBunnyAssignments() - roFile is INVALID\n");
        return GENERICERROR;
    }
    roFile.StartWriteBlock("DataBunnyAssignments");
    for (const AssignmentSlot& slot : ASSIGNMENT_SLOTS)
    {
        std::string strBunny = BoundBunnyName(*this, slot);
        if (!strBunny.empty())
        {
            roFile.WriteBlock(slot.szKeyword, strBunny);
        }
    }
    roFile.EndWriteBlock();
    if (!QIRN_FileWriteGood(roFile))
    {
        dprintf("*** QIRN_ShaderPass::SaveDataBunnyAssignments() - roFile is INVALID\n");
        return GENERICERROR;
    }
    return OK;
}

QIRN_ErrorCode QIRN_ShaderPass::Save(QIRN_File& roFile) const
{
    if (!roFile)
    {
        dprintf("QIRN_ShaderPass::Save - Unable to write to file!\n");
        return FILEERROR;
    }
    static const std::vector<PassField> writerOrder = QIRN_WriterOrder(PassFields());
    roFile.StartWriteBlock("Pass");
    for (const PassField& field : writerOrder)
    {
        if (field.iWriteOrder != WRITTEN_APART)
        {
            QIRN_WriteField(roFile, *this, field);
        }
    }
    roFile.WriteBlock("VertexShader", ProgramFileName(m_strVertexShader));
    m_oVertexShaderConstants.Save(roFile);
    roFile.WriteBlock("PixelShader", ProgramFileName(m_strPixelShader));
    m_oPixelShaderConstants.Save(roFile);
    if (SaveDataBunnyAssignments(roFile) != OK)
    {
        dprintf("*** QIRN_ShaderPass::Save() - SaveDataBunnyAssignments() FAILED\n");
        return GENERICERROR;
    }
    roFile.WriteBlock("NumLayers", m_dwNumLayers);
    for (uint32_t i = 0; i < m_dwNumLayers; ++i)
    {
        m_poLayers[i].Save(roFile);
    }
    m_oMaterial.Save(roFile);
    roFile.EndWriteBlock();
    if (!QIRN_FileWriteGood(roFile))
    {
        dprintf("QIRN_ShaderPass::Save - Unable to write to file!\n");
        return FILEERROR;
    }
    return OK;
}

QIRN_Shader::QIRN_Shader() : m_dwNumPasses(0), m_poPasses(nullptr), m_poOwner(nullptr)
{
    Reset();
}

QIRN_Shader::~QIRN_Shader()
{
    delete[] m_poPasses;
    m_poPasses = nullptr;
}

void QIRN_Shader::Reset()
{
    m_strName.clear();
    m_dwNumPasses = 0;
    m_poPasses = nullptr;
    m_poOwner = nullptr;
    m_strGuid.clear();
    m_strDescription.clear();
}

bool QIRN_Shader::MakePasses(uint32_t dwCount)
{
    delete[] m_poPasses;
    m_poPasses = nullptr;
    m_dwNumPasses = 0;
    QIRN_ShaderPass* poPasses =
        dwCount <= QIRN_MAX_PASSES ? new (std::nothrow) QIRN_ShaderPass[dwCount] : nullptr;
    if (!poPasses)
    {
        return false;
    }
    m_poPasses = poPasses;
    m_dwNumPasses = dwCount;
    return true;
}

QIRN_Shader& QIRN_Shader::operator=(const QIRN_Shader& other)
{
    if (this == &other)
    {
        return *this;
    }
    m_strName = other.m_strName;
    m_poOwner = other.m_poOwner;
    m_strDescription = other.m_strDescription;
    delete[] m_poPasses;
    m_poPasses = nullptr;
    m_dwNumPasses = 0;
    if (other.m_dwNumPasses != 0 && MakePasses(other.m_dwNumPasses))
    {
        for (uint32_t i = 0; i < m_dwNumPasses; ++i)
        {
            m_poPasses[i] = other.m_poPasses[i];
        }
    }
    return *this;
}

QIRN_ErrorCode QIRN_Shader::UpdateDataBunnyAssignments()
{
    for (uint32_t i = 0; i < m_dwNumPasses; ++i)
    {
        m_poPasses[i].UpdateDataBunnyAssignments();
    }
    return OK;
}

QIRN_ErrorCode QIRN_Shader::Load(QIRN_File& roFile, QIRN_DataBunnyManager* poManager)
{
    QIRN_ErrorCode result = QIRN_ReadBlockStart(roFile, SHADER_TEXTS);
    if (result != OK)
    {
        return result;
    }
    uint32_t dwPass = 0;
    bool bHaveCount = false;
    return QIRN_ReadKeywordLoop(
        roFile, *this, SHADER_TEXTS, ShaderFields(),
        [&](const std::string& szKeyword) -> QIRN_ErrorCode
        {
            if (szKeyword == "NumPasses")
            {
                uint32_t dwCount = 0;
                if (roFile.ReadBlock(dwCount) != OK)
                {
                    dprintf("*** QIRN_Shader::Load - Error reading NumPasses\n");
                    return FILEREAD_ERROR;
                }
                // A second count would drop the passes read so far.
                if (bHaveCount)
                {
                    dprintf("*** QIRN_Shader::Load - NumPasses given twice\n");
                    return FILEREAD_ERROR;
                }
                if (!MakePasses(dwCount))
                {
                    dprintf("*** QIRN_Shader::Load - Unable to make %u passes (a shader has at most %u)\n",
                            dwCount, QIRN_MAX_PASSES);
                    return FILEREAD_ERROR;
                }
                bHaveCount = true;
                return OK;
            }
            if (szKeyword == "Pass")
            {
                if (dwPass >= m_dwNumPasses)
                {
                    dprintf("*** QIRN_Shader::Load - Pass block without a place (NumPasses is %u)\n",
                            m_dwNumPasses);
                    return FILEREAD_ERROR;
                }
                QIRN_ErrorCode passResult = m_poPasses[dwPass].Load(roFile, poManager);
                if (passResult == OK)
                {
                    ++dwPass;
                }
                return passResult;
            }
            return QIRN_KEYWORD_NOT_HANDLED;
        });
}

QIRN_ErrorCode QIRN_Shader::Save(QIRN_File& roFile) const
{
    if (!roFile)
    {
        dprintf("QIRN_Shader::Save - Unable to write to file!\n");
        return FILEERROR;
    }
    static const std::vector<ShaderField> writerOrder = QIRN_WriterOrder(ShaderFields());
    roFile.StartWriteBlock("Shader");
    QIRN_WriteField(roFile, *this, writerOrder[0]);
    roFile.WriteBlock("NumPasses", m_dwNumPasses);
    QIRN_WriteField(roFile, *this, writerOrder[1]);
    QIRN_WriteField(roFile, *this, writerOrder[2]);
    for (uint32_t i = 0; i < m_dwNumPasses; ++i)
    {
        QIRN_ErrorCode result = m_poPasses[i].Save(roFile);
        if (result != OK)
        {
            return result;
        }
    }
    roFile.EndWriteBlock();
    if (!QIRN_FileWriteGood(roFile))
    {
        dprintf("QIRN_Shader::Save - Unable to write to file!\n");
        return FILEERROR;
    }
    return OK;
}
