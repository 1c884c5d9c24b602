#include "qirn_particleattractoractor.h"

#include "qirn_debug.h"
#include "qirn_objectkeywords.h"

#include <cmath>
#include <vector>

namespace
{
typedef QIRN_ParticleAttractorActor P;

// The exponential law starts again once its power passes this.
const float EXPONENTIAL_LIMIT = 1000000.0f;

const std::vector<QIRN_KeywordField<P>>& AttractorFields()
{
    static const std::vector<QIRN_KeywordField<P>> fields = {
        QIRN_TableField<P>("Type", &P::m_iType,
                           "*** QIRN_ParticleAttractorActor::InterpretKeyWord() - Error reading Type\n", 1),
        QIRN_TableField<P>(
            "ConstantPower", &P::m_fConstantPower,
            "*** QIRN_ParticleAttractorActor::InterpretKeyWord() - Error reading ConstantPower\n", 2),
    };
    return fields;
}
} // namespace

QIRN_ParticleAttractorActor::QIRN_ParticleAttractorActor(std::string szClassName)
    : QIRN_BaseActor(szClassName), m_iType(QIRN_ATTRACTOR_CONSTANT), m_fConstantPower(100.0f),
      m_fAttractorTime(0.0f), m_fPower(100.0f)
{
}

QIRN_ParticleAttractorActor::~QIRN_ParticleAttractorActor()
{
    QIRN_BaseObject::Destroy();
}

QIRN_ErrorCode QIRN_ParticleAttractorActor::Update(float fDeltaTime)
{
    m_fAttractorTime += fDeltaTime;
    const float t = m_fAttractorTime;
    switch (m_iType)
    {
    case QIRN_ATTRACTOR_CONSTANT:
        m_fPower = m_fConstantPower;
        break;
    case QIRN_ATTRACTOR_COSINE:
        m_fPower = cosf(t) * m_fConstantPower;
        break;
    case QIRN_ATTRACTOR_LOGARITHM:
        // The logarithm has no finite value until time has passed; a non-finite power would
        // turn every particle it touches into NaN.
        m_fPower = t > 0.0f ? logf(t) * m_fConstantPower : 0.0f;
        break;
    case QIRN_ATTRACTOR_EXPONENTIAL:
        m_fPower = expf(t);
        if (m_fPower > EXPONENTIAL_LIMIT)
        {
            m_fAttractorTime = 0.0f;
        }
        break;
    default:
        dprintf("QIRN_ParticleAttractorActor::Update() - Invalid attractor type!\n");
        return GENERICERROR;
    }
    return OK;
}

QIRN_ErrorCode QIRN_ParticleAttractorActor::InterpretKeyWord(std::string szKeyWord, QIRN_File& roFile)
{
    if (szKeyWord.empty())
    {
        dprintf("*** QIRN_ParticleAttractorActor::InterpretKeyWord() - szKeyWord is empty\n");
        return GENERICERROR;
    }
    if (!roFile)
    {
        dprintf("*** QIRN_ParticleAttractorActor::InterpretKeyWord() - roFile is invalid\n");
        return GENERICERROR;
    }
    QIRN_ErrorCode result = QIRN_InterpretTableKeyword(roFile, *this, AttractorFields(), szKeyWord);
    if (result != QIRN_KEYWORD_NOT_HANDLED)
    {
        return result;
    }
    return QIRN_BaseActor::InterpretKeyWord(szKeyWord, roFile);
}

QIRN_ErrorCode QIRN_ParticleAttractorActor::SaveContents(QIRN_File& roFile)
{
    if (!roFile)
    {
        dprintf("*** QIRN_ParticleAttractorActor::SaveContents() - roFile is invalid. Can't save contents\n");
        return GENERICERROR;
    }
    if (QIRN_BaseActor::SaveContents(roFile) != OK)
    {
        dprintf("*** QIRN_ParticleAttractorActor::SaveContents() - Can't save base class contents\n");
        return GENERICERROR;
    }
    QIRN_WriteTableFields(roFile, *this, AttractorFields());
    return OK;
}
