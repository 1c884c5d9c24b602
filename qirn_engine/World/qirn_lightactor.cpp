#include "qirn_lightactor.h"

#include "qirn_debug.h"
#include "qirn_objectkeywords.h"

#include <vector>

namespace
{
typedef QIRN_LightActor L;

// Reader's order; the position is the base actor's and is written by its part of the save.
const std::vector<QIRN_KeywordField<L>>& LightFields()
{
    static const std::vector<QIRN_KeywordField<L>> fields = {
        QIRN_TableField<L>("Type", &L::m_iType,
                           "*** QIRN_LightActor::InterpretKeyWord() - Error reading Type\n", 1),
        QIRN_TableField<L>("Diffuse", &L::m_vDiffuse,
                           "*** QIRN_LightActor::InterpretKeyWord() - Error reading Diffuse\n", 2),
        QIRN_TableField<L>("Specular", &L::m_vSpecular,
                           "*** QIRN_LightActor::InterpretKeyWord() - Error reading Specular\n", 3),
        QIRN_TableField<L>("Ambient", &L::m_vAmbient,
                           "*** QIRN_LightActor::InterpretKeyWord() - Error reading Ambient\n", 4),
        QIRN_TableField<L>("Position", static_cast<QIRN_Vector4 L::*>(&L::m_vPosition),
                           "*** QIRN_LightActor::InterpretKeyWord() - Error reading Position\n", -1),
        QIRN_TableField<L>("Direction", &L::m_vDirection,
                           "*** QIRN_LightActor::InterpretKeyWord() - Error reading Direction\n", 5),
        QIRN_TableField<L>("Range", &L::m_fRange,
                           "*** QIRN_LightActor::InterpretKeyWord() - Error reading Range\n", 6),
        QIRN_TableField<L>("Falloff", &L::m_fFalloff,
                           "*** QIRN_LightActor::InterpretKeyWord() - Error reading Falloff\n", 7),
        QIRN_TableField<L>("Attenuation0", &L::m_fAttenuation0,
                           "*** QIRN_LightActor::InterpretKeyWord() - Error reading Attenuation0\n", 8),
        QIRN_TableField<L>("Attenuation1", &L::m_fAttenuation1,
                           "*** QIRN_LightActor::InterpretKeyWord() - Error reading Attenuation1\n", 9),
        QIRN_TableField<L>("Attenuation2", &L::m_fAttenuation2,
                           "*** QIRN_LightActor::InterpretKeyWord() - Error reading Attenuation2\n", 10),
        QIRN_TableField<L>("Theta", &L::m_fTheta,
                           "*** QIRN_LightActor::InterpretKeyWord() - Error reading Theta\n", 11),
        QIRN_TableField<L>("Phi", &L::m_fPhi,
                           "*** QIRN_LightActor::InterpretKeyWord() - Error reading m_fPhi\n", 12),
    };
    return fields;
}
} // namespace

QIRN_LightActor::QIRN_LightActor(std::string szClassName)
    : QIRN_BaseActor(szClassName), m_iType(QIRN_LIGHT_DIRECTIONAL),
      m_vDiffuse(255.0f, 255.0f, 255.0f, 255.0f), m_vSpecular(255.0f, 255.0f, 255.0f, 255.0f),
      m_vAmbient(5.0f, 5.0f, 5.0f, 5.0f), m_vDirection(1.0f, 0.0f, 1.0f, 0.0f), m_fRange(0.0f),
      m_fFalloff(0.0f), m_fAttenuation0(0.0f), m_fAttenuation1(0.0f), m_fAttenuation2(0.0f), m_fTheta(0.0f),
      m_fPhi(0.0f)
{
}

QIRN_LightActor::~QIRN_LightActor()
{
    QIRN_BaseObject::Destroy();
}

QIRN_ErrorCode QIRN_LightActor::Update(float fDeltaTime)
{
    QIRN_BaseActor::Update(fDeltaTime);
    return OK;
}

QIRN_ErrorCode QIRN_LightActor::InterpretKeyWord(std::string szKeyWord, QIRN_File& roFile)
{
    if (szKeyWord.empty())
    {
        dprintf("*** QIRN_LightActor::InterpretKeyWord() - szKeyWord is empty\n");
        return GENERICERROR;
    }
    if (!roFile)
    {
        dprintf("*** QIRN_LightActor::InterpretKeyWord() - oFile is invalid\n");
        return GENERICERROR;
    }
    // Values are stored as read: any kind number, colour or angle.
    QIRN_ErrorCode result = QIRN_InterpretTableKeyword(roFile, *this, LightFields(), szKeyWord);
    if (result != QIRN_KEYWORD_NOT_HANDLED)
    {
        return result;
    }
    return QIRN_BaseActor::InterpretKeyWord(szKeyWord, roFile);
}

QIRN_ErrorCode QIRN_LightActor::SaveContents(QIRN_File& roFile)
{
    if (!roFile)
    {
        dprintf("*** QIRN_LightActor::SaveContents() - roFile is invalid. Can't save contents\n");
        return GENERICERROR;
    }
    if (QIRN_BaseActor::SaveContents(roFile) != OK)
    {
        dprintf("*** QIRN_LightActor::SaveContents() - Can't save base class contents\n");
        return GENERICERROR;
    }
    QIRN_WriteTableFields(roFile, *this, LightFields());
    return OK;
}
