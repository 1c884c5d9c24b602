#include "qirn_material.h"

#include "qirn_file.h"
#include "qirn_keyword_table.h"

namespace
{
const QIRN_BlockTexts MATERIAL_TEXTS = {
    "*** QIRN_Material :: Load - Unable to read from file!\n",
    "*** QIRN_Material :: Load - Start Block ID not found",
    "*** QIRN_Material :: Load - Hit the end of file while reading\n",
    "*** QIRN_Material :: Load - Error reading ",
    "*** QIRN_Material :: Load - Unknown keyword '%s'!\n",
    "Attempting to skip block!\n",
    28,
    "*** QIRN_Material :: Load - Error in skiping the file block!\n",
};

const std::vector<QIRN_KeywordField<QIRN_Material>>& MaterialFields()
{
    typedef QIRN_Material M;
    static const std::vector<QIRN_KeywordField<M>> fields = {
        QIRN_Field<M>("Diffuse", &M::m_vDiffuse, "Diffuse"),
        QIRN_Field<M>("Ambient", &M::m_vAmbient, "Ambient"),
        QIRN_Field<M>("Specular", &M::m_vSpecular, "Specular"),
        QIRN_Field<M>("Emissive", &M::m_vEmissive, "Emissive"),
        QIRN_Field<M>("Power", &M::m_fPower, "Power"),
    };
    return fields;
}
} // namespace

void QIRN_Material::Reset()
{
    m_vDiffuse = QIRN_Vector4(1.0f, 1.0f, 1.0f, 1.0f);
    m_vAmbient = QIRN_Vector4(0.0f, 0.0f, 0.0f, 0.0f);
    m_vSpecular = QIRN_Vector4(0.0f, 0.0f, 0.0f, 0.0f);
    m_vEmissive = QIRN_Vector4(0.0f, 0.0f, 0.0f, 0.0f);
    m_fPower = 1.0f;
}

QIRN_ErrorCode QIRN_Material::Load(QIRN_File& roFile)
{
    QIRN_ErrorCode result = QIRN_ReadBlockStart(roFile, MATERIAL_TEXTS);
    if (result != OK)
    {
        return result;
    }
    return QIRN_ReadKeywordLoop(roFile, *this, MATERIAL_TEXTS, MaterialFields(), QIRN_NoSpecialKeywords);
}

QIRN_ErrorCode QIRN_Material::Save(QIRN_File& roFile) const
{
    if (!roFile)
    {
        dprintf("QIRN_Material :: Save - Unable to write to file!\n");
        return FILEERROR;
    }
    roFile.StartWriteBlock("Material");
    for (const QIRN_KeywordField<QIRN_Material>& field : MaterialFields())
    {
        QIRN_WriteField(roFile, *this, field);
    }
    roFile.EndWriteBlock();
    return QIRN_FileWriteGood(roFile) ? OK : FILEERROR;
}
