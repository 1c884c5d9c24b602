#include "qirn_fog.h"

#include "qirn_debug.h"
#include "qirn_objectkeywords.h"

#include <vector>

namespace
{
typedef QIRN_Fog F;

const std::vector<QIRN_KeywordField<F>>& FogFields()
{
    static const std::vector<QIRN_KeywordField<F>> fields = {
        QIRN_TableField<F>("VertexFog", &F::m_bVertexFog,
                           "*** QIRN_Fog::InterpretKeyWord() - Error reading m_bVertexFog\n", 1),
        QIRN_TableField<F>("FogMode", &F::m_bFogMode,
                           "*** QIRN_Fog::InterpretKeyWord() - Error reading m_bFogMode\n", 2),
        QIRN_TableField<F>("RangeBasedFog", &F::m_bRangeBasedFog,
                           "*** QIRN_Fog::InterpretKeyWord() - Error reading m_bRangeBasedFog\n", 3),
        QIRN_TableField<F>("Color", &F::m_dwColor, QIRN_VALUE_COLOR,
                           "*** QIRN_Fog::InterpretKeyWord() - Error reading m_dwColor\n", 4),
        QIRN_TableField<F>("StartDistance", &F::m_fStartDistance,
                           "*** QIRN_Fog::InterpretKeyWord() - Error reading m_fStartDistance\n", 5),
        QIRN_TableField<F>("EndDistance", &F::m_fEndDistance,
                           "*** QIRN_Fog::InterpretKeyWord() - Error reading m_fEndDistance\n", 6),
        QIRN_TableField<F>("Density", &F::m_fDensity,
                           "*** QIRN_Fog::InterpretKeyWord() - Error reading m_fDensity\n", 7),
    };
    return fields;
}
} // namespace

QIRN_Fog::QIRN_Fog(std::string szClassName)
    : QIRN_BaseObject(szClassName), m_dwColor(0x00FF0000), m_fStartDistance(0.1f), m_fEndDistance(1.0f),
      m_fDensity(0.5f), m_bVertexFog(true), m_bRangeBasedFog(true), m_bFogMode(QIRN_FOG_LINEAR)
{
}

QIRN_ErrorCode QIRN_Fog::InterpretKeyWord(std::string szKeyWord, QIRN_File& roFile)
{
    if (szKeyWord.empty())
    {
        dprintf("*** QIRN_Fog::InterpretKeyWord() - szKeyWord is empty\n");
        return GENERICERROR;
    }
    if (!roFile)
    {
        dprintf("*** QIRN_Fog::InterpretKeyWord() - oFile is invalid\n");
        return GENERICERROR;
    }
    QIRN_ErrorCode result = QIRN_InterpretTableKeyword(roFile, *this, FogFields(), szKeyWord);
    if (result != QIRN_KEYWORD_NOT_HANDLED)
    {
        return result;
    }
    return QIRN_BaseObject::InterpretKeyWord(szKeyWord, roFile);
}

QIRN_ErrorCode QIRN_Fog::SaveContents(QIRN_File& roFile)
{
    if (!roFile)
    {
        dprintf("*** QIRN_Fog::SaveContents(): foFile is invalid. Can't save contents\n");
        return GENERICERROR;
    }
    QIRN_WriteTableFields(roFile, *this, FogFields());
    return QIRN_BaseObject::SaveContents(roFile);
}
