#include "qirn_particleemitteractor.h"

#include "qirn_debug.h"
#include "qirn_objectkeywords.h"
#include "qirn_particleattractoractor.h"
#include "qirn_quaternion.h"
#include "qirn_shader.h"
#include "qirn_world.h"

#include <cmath>
#include <cstdlib>
#include <new>
#include <vector>

const char* const QIRN_EMITTER_SHADER_PREFIX = "QIRN_ParticleEmitterActor";

namespace
{
typedef QIRN_ParticleEmitterActor E;

// A very long lifetime would make the first update pre-warm for ever; an hour of simulated
// time fills any pool a scene uses.
const float MAX_PREWARM_STEPS = 3600.0f;

#define EMITTER_FAIL(text) "*** QIRN_ParticleEmitterActor::InterpretKeyWord() - Error reading " text "\n"

// The value keywords in the writer's order. "Name" and "Attractor" are read apart.
const std::vector<QIRN_KeywordField<E>>& EmitterFields()
{
    static const std::vector<QIRN_KeywordField<E>> fields = {
        QIRN_TableField<E>("Render", &E::m_bRender, EMITTER_FAIL("Render"), 1),
        QIRN_TableField<E>("Type", &E::m_iType, EMITTER_FAIL("Type"), 2),
        QIRN_TableField<E>("NumParticles", &E::m_dwNumParticles, QIRN_VALUE_UNSIGNED,
                           EMITTER_FAIL("NumParticles"), 3),
        QIRN_TableField<E>("EmissionRate", &E::m_fEmissionRate, EMITTER_FAIL("EmissionRate"), 4),
        QIRN_TableField<E>("Explosion", &E::m_bExplosion, EMITTER_FAIL("bExplosion"), 5),
        QIRN_TableField<E>("ExplosionRate", &E::m_fExplosionRate, EMITTER_FAIL("ExplosionRate"), 6),
        QIRN_TableField<E>("UseWorldGravity", &E::m_bUseWorldGravity, EMITTER_FAIL("UseWorldGravity"), 7),
        QIRN_TableField<E>("UseWorldWind", &E::m_bUseWorldWind, EMITTER_FAIL("UseWorldWind"), 8),
        QIRN_TableField<E>("PositionVariance", &E::m_vPositionVariance, EMITTER_FAIL("PositionVariance"), 9),
        QIRN_TableField<E>("PositionOffset", &E::m_vPositionOffset, EMITTER_FAIL("PositionOffset"), 10),
        QIRN_TableField<E>("Friction", &E::m_fFriction, EMITTER_FAIL("Friction"), 11),
        QIRN_TableField<E>("BounceFactor", &E::m_fBounceFactor, EMITTER_FAIL("BounceFactor"), 12),
        QIRN_TableField<E>("PlaneEquation", &E::m_vPlaneEquation, EMITTER_FAIL("PlaneEquation"), 13),
        QIRN_TableField<E>("PlaneSize", &E::m_fPlaneSize, EMITTER_FAIL("PlaneSize"), 14),
        QIRN_TableField<E>("RangeMin", &E::m_vRangeMin, EMITTER_FAIL("RangeMin"), 15),
        QIRN_TableField<E>("RangeMax", &E::m_vRangeMax, EMITTER_FAIL("RangeMax"), 16),
        QIRN_TableField<E>("BoxSize", &E::m_fBoxSize, EMITTER_FAIL("BoxSize"), 17),
        QIRN_TableField<E>("BoxTransform", &E::m_oBoxTransform, EMITTER_FAIL("BoxTransform"), 18),
        QIRN_TableField<E>("Lifetime", &E::m_fLifetime, EMITTER_FAIL("Lifetime"), 19),
        QIRN_TableField<E>("LifetimeVariance", &E::m_fLifetimeVariance, EMITTER_FAIL("LifetimeVariance"), 20),
        QIRN_TableField<E>("InitialSize", &E::m_fInitialSize, EMITTER_FAIL("InitialSize"), 21),
        QIRN_TableField<E>("SizeVariance", &E::m_fSizeVariance, EMITTER_FAIL("SizeVariance"), 22),
        QIRN_TableField<E>("FinalSize", &E::m_fFinalSize, EMITTER_FAIL("FinalSize"), 23),
        QIRN_TableField<E>("Mass", &E::m_fMass, EMITTER_FAIL("Mass"), 24),
        QIRN_TableField<E>("MassVariance", &E::m_fMassVariance, EMITTER_FAIL("MassVariance"), 25),
        QIRN_TableField<E>("InitialVelocity", &E::m_vInitialVelocity, EMITTER_FAIL("InitialVelocity"), 26),
        QIRN_TableField<E>("VelocityVariance", &E::m_vVelocityVariance, EMITTER_FAIL("VelocityVariance"), 27),
        QIRN_TableField<E>("InitialColor", &E::m_vInitialColor, EMITTER_FAIL("InitialColor"), 28),
        QIRN_TableField<E>("InitialColorVariance", &E::m_vInitialColorVariance,
                           EMITTER_FAIL("InitialColorVariance"), 29),
        QIRN_TableField<E>("FinalColor", &E::m_vFinalColor, EMITTER_FAIL("FinalColor"), 30),
        QIRN_TableField<E>("FinalColorVariance", &E::m_vFinalColorVariance,
                           EMITTER_FAIL("FinalColorVariance"), 31),
    };
    return fields;
}

#undef EMITTER_FAIL

float Length3(const QIRN_Vector4& v)
{
    return Vector_Length(&v);
}

QIRN_Vector4 Scaled(const QIRN_Vector4& v, float s)
{
    return QIRN_Vector4(v.x * s, v.y * s, v.z * s, 1.0f);
}

QIRN_Vector4 Normalized(const QIRN_Vector4& v)
{
    QIRN_Vector4 out;
    Vector_Normalize(&v, &out);
    return out;
}

// v - 2 (v . n) n for the unit n: the negated velocity turned half way round the axis.
QIRN_Vector4 Reflect(const QIRN_Vector4& vVelocity, const QIRN_Vector4& vAxis)
{
    QIRN_Vector4 vNegated(-vVelocity.x, -vVelocity.y, -vVelocity.z, vVelocity.w);
    QIRN_Vector4 vOut = vNegated;
    Vector_RotateAxis(&vNegated, &vAxis, 180.0f, &vOut);
    return vOut;
}

float& Axis(QIRN_Vector4& v, int i)
{
    return i == 0 ? v.x : (i == 1 ? v.y : v.z);
}

float AxisOf(const QIRN_Vector4& v, int i)
{
    return i == 0 ? v.x : (i == 1 ? v.y : v.z);
}
} // namespace

QIRN_ParticleEmitterActor::QIRN_ParticleEmitterActor(std::string szClassName)
    : QIRN_BaseActor(szClassName), m_poShader(nullptr), m_dwDeviceFlags{0, 0}, m_poParticles(nullptr),
      m_oAttractorList(false), m_bRender(true), m_bPrewarm(false), m_iType(QIRN_EMITTER_POINT),
      m_dwNumParticles(0), m_fEmissionRate(0.0f), m_bExplosion(false), m_fExplosionRate(0.0f),
      m_bUseWorldGravity(true), m_bUseWorldWind(true), m_vPositionVariance(0.0f, 0.0f, 0.0f, 1.0f),
      m_vPositionOffset(0.0f, 0.0f, 0.0f, 1.0f), m_fFriction(1.0f), m_fBounceFactor(0.2f),
      m_vPlaneEquation(0.0f, 0.0f, 1.0f, 1.0f), m_fPlaneSize(12.0f),
      m_vRangeMin(-32767.0f, -32767.0f, -32767.0f, 1.0f), m_vRangeMax(32767.0f, 32767.0f, 32767.0f, 1.0f),
      m_fBoxSize(12.0f), m_fEmissionAccumulator(0.0f), m_fLifetime(1.0f), m_fLifetimeVariance(0.0f),
      m_fInitialSize(0.5f), m_fSizeVariance(0.1f), m_fFinalSize(1.5f), m_fMass(0.0f), m_fMassVariance(0.0f),
      m_vInitialVelocity(0.0f, 0.0f, 0.0f, 1.0f), m_vVelocityVariance(0.0f, 0.0f, 0.0f, 1.0f),
      m_vInitialColor(1.0f, 1.0f, 1.0f, 255.0f), m_vInitialColorVariance(0.0f, 0.0f, 0.0f, 255.0f),
      m_vFinalColor(1.0f, 1.0f, 1.0f, 255.0f), m_vFinalColorVariance(0.0f, 0.0f, 0.0f, 255.0f),
      m_dwNumLiveParticles(0), m_bExplosionRateLogged(false), m_bExploded(false)
{
    Matrix_Identity(&m_oBoxTransform);
}

QIRN_ParticleEmitterActor::~QIRN_ParticleEmitterActor()
{
    Destroy();
}

uint32_t QIRN_ParticleEmitterActor::GetDeviceFlag(uint32_t dwDevice) const
{
    return dwDevice < QIRN_EMITTER_DEVICES ? m_dwDeviceFlags[dwDevice] : 0;
}

void QIRN_ParticleEmitterActor::SetDeviceFlag(uint32_t dwDevice, uint32_t dwFlag)
{
    if (dwDevice < QIRN_EMITTER_DEVICES)
    {
        m_dwDeviceFlags[dwDevice] = dwFlag;
    }
}

QIRN_ErrorCode QIRN_ParticleEmitterActor::InterpretKeyWord(std::string szKeyWord, QIRN_File& roFile)
{
    if (szKeyWord.empty())
    {
        dprintf("*** QIRN_ParticleEmitterActor::InterpretKeyWord() - szKeyWord is empty\n");
        return GENERICERROR;
    }
    if (!roFile)
    {
        dprintf("*** QIRN_ParticleEmitterActor::InterpretKeyWord() - roFile is invalid\n");
        return GENERICERROR;
    }
    if (szKeyWord == "Name")
    {
        return ReadName(roFile);
    }
    if (szKeyWord == "Attractor")
    {
        return ReadAttractor(roFile);
    }
    if (szKeyWord == "NumParticles")
    {
        return ReadNumParticles(roFile);
    }
    QIRN_ErrorCode result = QIRN_InterpretTableKeyword(roFile, *this, EmitterFields(), szKeyWord);
    if (result == QIRN_KEYWORD_NOT_HANDLED)
    {
        return QIRN_BaseActor::InterpretKeyWord(szKeyWord, roFile);
    }
    return result;
}

// Read wider than the member, so that a negative count is seen as one instead of wrapping round
// to a huge pool. A refused count keeps the pool the emitter had.
QIRN_ErrorCode QIRN_ParticleEmitterActor::ReadNumParticles(QIRN_File& roFile)
{
    int64_t llCount = 0;
    if (roFile.ReadBlock(llCount) != OK)
    {
        dprintf("*** QIRN_ParticleEmitterActor::InterpretKeyWord() - Error reading NumParticles\n");
        return FILEREAD_ERROR;
    }
    if (llCount < 0 || llCount > static_cast<int64_t>(QIRN_EMITTER_MAX_PARTICLES))
    {
        dprintf("*** QIRN_ParticleEmitterActor::InterpretKeyWord() - NumParticles %lld is outside 0 .. %u\n",
                static_cast<long long>(llCount), QIRN_EMITTER_MAX_PARTICLES);
        dprintf("*** QIRN_ParticleEmitterActor::InterpretKeyWord() - Error reading NumParticles\n");
        return FILEREAD_ERROR;
    }
    m_dwNumParticles = static_cast<uint32_t>(llCount);
    AllocatePool();
    return OK;
}

QIRN_ErrorCode QIRN_ParticleEmitterActor::ReadName(QIRN_File& roFile)
{
    if (roFile.ReadStringBlock(m_szName) != OK)
    {
        dprintf("*** QIRN_ParticleEmitterActor::InterpretKeyWord():Error reading Name\n");
        return FILEREAD_ERROR;
    }
    if (!m_poWorld)
    {
        dprintf("*** QIRN_ParticleEmitterActor::InterpretKeyWord() - The shader tree is NULL!\n");
        return NULL_POINTER;
    }
    // A second name must not keep a use of the first name's shader.
    ReleaseShader();
    QIRN_BINARYTREE<QIRN_Shader>* poTree = m_poWorld->GetShaderTree();
    const std::string szShaderName = std::string(QIRN_EMITTER_SHADER_PREFIX) + "." + m_szName;
    QIRN_BINARYTREENODE<QIRN_Shader>* poNode = poTree->FindNode(szShaderName);
    if (poNode && poNode->m_pData)
    {
        ++poNode->m_iRefCount;
        m_poShader = poNode->m_pData;
        return OK;
    }
    QIRN_Shader* poShader = new (std::nothrow) QIRN_Shader();
    QIRN_ShaderPass* poPass = poShader ? new (std::nothrow) QIRN_ShaderPass[1] : nullptr;
    QIRN_ShaderLayer* poLayer = poPass ? new (std::nothrow) QIRN_ShaderLayer[1] : nullptr;
    if (!poLayer)
    {
        delete[] poPass;
        delete poShader;
        dprintf("*** QIRN_ParticleEmitterActor::InterpretKeyWord() - Unable to create the shader\n");
        return GENERICERROR;
    }
    poShader->SetName(szShaderName);
    poPass->SetName("Pass 1");
    poPass->m_dwNumLayers = 1;
    poPass->m_poLayers = poLayer;
    poShader->m_dwNumPasses = 1;
    poShader->m_poPasses = poPass;
    poNode = poTree->InsertNode(szShaderName, poShader);
    if (!poNode)
    {
        delete poShader;
        dprintf("*** QIRN_ParticleEmitterActor::InterpretKeyWord() - Unable to insert the shader\n");
        return GENERICERROR;
    }
    poNode->m_iRefCount = 1;
    m_poShader = poShader;
    return OK;
}

QIRN_ErrorCode QIRN_ParticleEmitterActor::ReadAttractor(QIRN_File& roFile)
{
    std::string szName;
    if (roFile.ReadStringBlock(szName) != OK)
    {
        dprintf("*** QIRN_ParticleEmitterActor::InterpretKeyWord() - Error reading Attractor\n");
        return FILEREAD_ERROR;
    }
    QIRN_LINKEDLIST<QIRN_ParticleAttractorActor>* poList =
        m_poWorld ? m_poWorld->GetParticleAttractorActorList() : nullptr;
    if (!poList)
    {
        dprintf("*** QIRN_ParticleEmitterActor::InterpretKeyWord() - Attractor list is NULL\n");
        return OK;
    }
    QIRN_LINKEDLISTNODE<QIRN_ParticleAttractorActor>* poNode = poList->FindNode(szName);
    if (!poNode || !poNode->m_pData)
    {
        dprintf("*** QIRN_ParticleEmitterActor::InterpretKeyWord() - Attractor not found\n");
        return OK;
    }
    AddAttractor(poNode->m_pData);
    return OK;
}

QIRN_ErrorCode QIRN_ParticleEmitterActor::AddAttractor(QIRN_ParticleAttractorActor* poAttractor)
{
    if (!poAttractor || !m_oAttractorList.InsertNode(poAttractor->GetName(), poAttractor))
    {
        dprintf("*** QIRN_ParticleEmitterActor::AddAttractor() = m_oAttractorList.InsertNode() FAILED\n");
        return GENERICERROR;
    }
    return OK;
}

QIRN_ErrorCode QIRN_ParticleEmitterActor::SaveContents(QIRN_File& roFile)
{
    if (!roFile)
    {
        dprintf("*** QIRN_ParticleEmitterActor::SaveContents() - roFile is invalid. Can't save contents\n");
        return GENERICERROR;
    }
    if (QIRN_BaseActor::SaveContents(roFile) != OK)
    {
        dprintf("*** QIRN_ParticleEmitterActor::SaveContents() - Can't save base class contents\n");
        return GENERICERROR;
    }
    QIRN_WriteTableFields(roFile, *this, EmitterFields());
    for (auto* poNode = m_oAttractorList.m_pHead; poNode; poNode = poNode->m_pNext)
    {
        roFile.WriteBlock("Attractor", poNode->m_szName);
    }
    return OK;
}

void QIRN_ParticleEmitterActor::ReleaseShader()
{
    if (m_poShader && m_poWorld)
    {
        QIRN_BINARYTREE<QIRN_Shader>* poTree = m_poWorld->GetShaderTree();
        QIRN_BINARYTREENODE<QIRN_Shader>* poNode = poTree->FindNode(m_poShader->GetName());
        if (poNode && poNode->m_iRefCount <= 1)
        {
            poTree->DeleteNode(poNode);
        }
        else if (poNode)
        {
            --poNode->m_iRefCount;
        }
    }
    m_poShader = nullptr;
}

QIRN_ErrorCode QIRN_ParticleEmitterActor::Destroy()
{
    ReleaseShader();
    delete[] m_poParticles;
    m_poParticles = nullptr;
    m_dwNumLiveParticles = 0;
    m_oAttractorList.ReleaseAllNodes();
    return QIRN_BaseObject::Destroy();
}

void QIRN_ParticleEmitterActor::AllocatePool()
{
    m_bPrewarm = true;
    delete[] m_poParticles;
    m_poParticles = nullptr;
    m_dwNumLiveParticles = 0;
    if (m_dwNumParticles == 0)
    {
        return;
    }
    // Value-initialised: every record zero, so every one dead.
    m_poParticles = new (std::nothrow) QIRN_Particle[m_dwNumParticles]();
    if (!m_poParticles)
    {
        dprintf("*** QIRN_ParticleEmitterActor::AllocatePool() - Unable to allocate %u particles\n",
                m_dwNumParticles);
    }
}

QIRN_ErrorCode QIRN_ParticleEmitterActor::GetTransform(QIRN_Matrix4* oDest)
{
    if (!oDest)
    {
        return INVALIDPARAMS;
    }
    QIRN_Matrix4 transform;
    Matrix_Identity(&transform);
    MultiplyRotations(&transform, "zyx", m_vRotation);
    transform._41 = m_vPosition.x;
    transform._42 = m_vPosition.y;
    transform._43 = m_vPosition.z;
    if (m_iType == QIRN_EMITTER_BOX)
    {
        QIRN_Matrix4 scaling, offset;
        Matrix_Scaling(m_fBoxSize, &scaling);
        Matrix_Translation(m_vPositionOffset.x, m_vPositionOffset.y, m_vPositionOffset.z, &offset);
        Matrix_Multiply(&scaling, &transform, &transform);
        Matrix_Multiply(&transform, &offset, &transform);
        m_oBoxTransform = transform;
        AllocatePool();
    }
    *oDest = transform;
    return OK;
}

QIRN_ErrorCode QIRN_ParticleEmitterActor::Update(float fDeltaTime)
{
    m_fEmissionAccumulator += fDeltaTime;
    if (m_bExplosion)
    {
        UpdateExplosion(fDeltaTime);
    }
    else
    {
        if (m_bPrewarm)
        {
            m_bPrewarm = false;
            for (float i = 0.0f; i < m_fLifetime && i < MAX_PREWARM_STEPS; i += 1.0f)
            {
                PrewarmStep(1.0f);
            }
        }
        StepParticles(fDeltaTime);
        if (m_fEmissionRate > 0.0f)
        {
            // A long frame builds no emission backlog.
            if (fDeltaTime > 1.0f)
            {
                m_fEmissionAccumulator -= fDeltaTime;
            }
            if (!EmitByRate())
            {
                return OK;
            }
        }
    }
    return QIRN_BaseActor::Update(fDeltaTime);
}

void QIRN_ParticleEmitterActor::UpdateExplosion(float fDeltaTime)
{
    // A rate of 0 or less would explode on every frame, or divide by zero: no explosions then.
    if (!(m_fExplosionRate > 0.0f))
    {
        if (!m_bExplosionRateLogged)
        {
            dprintf("*** QIRN_ParticleEmitterActor::Update() - ExplosionRate of '%s' is 0 or less: no "
                    "explosions\n",
                    m_szName.c_str());
            m_bExplosionRateLogged = true;
        }
        StepParticles(fDeltaTime);
        return;
    }
    // The first explosion comes at once. Only the first: an accumulator that comes back to 0
    // after a later explosion must not bring the next one forward.
    if (!m_bExploded && m_fEmissionAccumulator == fDeltaTime)
    {
        m_fEmissionAccumulator = fDeltaTime + m_fExplosionRate;
    }
    if (m_fEmissionAccumulator / m_fExplosionRate >= 1.0f)
    {
        AllocatePool();
        for (uint32_t i = 0; i < m_dwNumParticles; ++i)
        {
            if (EmitParticle() != OK)
            {
                break;
            }
        }
        m_fEmissionAccumulator -= m_fExplosionRate;
        m_bExploded = true;
        return;
    }
    StepParticles(fDeltaTime);
}

bool QIRN_ParticleEmitterActor::EmitByRate()
{
    const double dCount = std::floor(static_cast<double>(m_fEmissionRate) * m_fEmissionAccumulator);
    m_fEmissionAccumulator -= static_cast<float>(dCount / m_fEmissionRate);
    // The pool bounds the loop: once it is full every emission fails.
    for (double i = 0.0; i < dCount; i += 1.0)
    {
        if (EmitParticle() != OK)
        {
            return false;
        }
    }
    return true;
}

void QIRN_ParticleEmitterActor::PrewarmStep(float fStep)
{
    m_fEmissionAccumulator += fStep;
    StepParticles(fStep);
    if (m_fEmissionRate > 0.0f)
    {
        EmitByRate();
    }
}

QIRN_ErrorCode QIRN_ParticleEmitterActor::EmitParticle()
{
    if (!m_poParticles || m_dwNumLiveParticles >= m_dwNumParticles)
    {
        return GENERICERROR;
    }
    QIRN_Particle* poParticle = nullptr;
    for (uint32_t i = 0; i < m_dwNumParticles && !poParticle; ++i)
    {
        if (!m_poParticles[i].m_bAlive)
        {
            poParticle = &m_poParticles[i];
        }
    }
    if (!poParticle)
    {
        return GENERICERROR;
    }
    QIRN_Particle& p = *poParticle;
    p.m_vForce = QIRN_Vector4(0.0f, 0.0f, 0.0f, 1.0f);
    p.m_fAge = 0.0f;
    Vector_RandomSpread(&p.m_vInitialColor, &m_vInitialColor, &m_vInitialColorVariance);
    ClampColor(&p.m_vInitialColor);
    Vector_RandomSpread(&p.m_vFinalColor, &m_vFinalColor, &m_vFinalColorVariance);
    ClampColor(&p.m_vFinalColor);
    p.m_vColor = p.m_vInitialColor;
    p.m_bAlive = 1;
    p.m_fLifetime = RandomSpread(m_fLifetime, m_fLifetimeVariance);
    p.m_fMass = RandomSpread(m_fMass, m_fMassVariance);
    p.m_fSize = RandomSpread(m_fInitialSize, m_fSizeVariance);
    p.m_vPosition = EmissionPosition();
    p.m_vVelocity = EmissionVelocity();
    p.m_bBounced = 0;
    p.m_vLowerFaceHit = QIRN_Vector4(0.0f, 0.0f, 0.0f, 1.0f);
    p.m_vUpperFaceHit = QIRN_Vector4(0.0f, 0.0f, 0.0f, 1.0f);
    // A particle without a lifetime dies at its first step; it must not carry an infinite rate.
    p.m_fSizeRate = p.m_fLifetime > 0.0f ? (m_fFinalSize - p.m_fSize) * (1.0f / p.m_fLifetime) : 0.0f;
    ++m_dwNumLiveParticles;
    return OK;
}

QIRN_Vector4 QIRN_ParticleEmitterActor::PlanePoint()
{
    const float s = m_fPlaneSize * (2.0f / 32767.0f);
    const float u = (static_cast<float>(rand()) - 16383.5f) * s;
    const float v = (static_cast<float>(rand()) - 16383.5f) * s;
    const float a = m_vPlaneEquation.x, b = m_vPlaneEquation.y, c = m_vPlaneEquation.z,
                d = m_vPlaneEquation.w;
    QIRN_Vector4 vPoint(0.0f, 0.0f, 0.0f, 1.0f);
    if (c != 0.0f)
    {
        vPoint = QIRN_Vector4(u, v, -(a * u + b * v + d) / c, 1.0f);
    }
    else if (b != 0.0f)
    {
        vPoint = QIRN_Vector4(u, -(a * u + c * v + d) / b, v, 1.0f);
    }
    else if (a != 0.0f)
    {
        vPoint = QIRN_Vector4(-(c * u + b * v + d) / a, v, u, 1.0f);
    }
    const QIRN_Vector4& o = m_vPositionOffset;
    if (o.x != 0.0f && o.y != 0.0f && o.z != 0.0f)
    {
        vPoint = vPoint + o;
    }
    return vPoint;
}

QIRN_Vector4 QIRN_ParticleEmitterActor::EmissionPosition()
{
    switch (m_iType)
    {
    case QIRN_EMITTER_POINT:
    case QIRN_EMITTER_CONE:
    case QIRN_EMITTER_PLANEDIRECTION:
        return m_vPosition + m_vPositionOffset;
    case QIRN_EMITTER_PLANE:
        return PlanePoint();
    case QIRN_EMITTER_BOX:
    {
        const float r1 = RandomFloat();
        const float r2 = RandomFloat();
        const float r3 = RandomFloat();
        QIRN_Vector4 vLocal(r1, r2, r3, 1.0f);
        QIRN_Vector4 vOut = vLocal;
        Vector_TransformCoord(&m_oBoxTransform, &vLocal, &vOut);
        return vOut;
    }
    default:
        return QIRN_Vector4(0.0f, 0.0f, 0.0f, 1.0f);
    }
}

QIRN_Vector4 QIRN_ParticleEmitterActor::EmissionVelocity()
{
    switch (m_iType)
    {
    case QIRN_EMITTER_POINT:
    case QIRN_EMITTER_BOX:
    {
        const float r1 = RandomFloat();
        const float r2 = RandomFloat();
        const float r3 = RandomFloat();
        QIRN_Vector4 vDirection = Normalized(QIRN_Vector4(r1, r2, r3, 1.0f));
        const float fSpeed = RandomSpread(Length3(m_vInitialVelocity), Length3(m_vVelocityVariance));
        return Scaled(vDirection, fSpeed);
    }
    case QIRN_EMITTER_PLANE:
    {
        QIRN_Vector4 vOut;
        Vector_RandomSpread(&vOut, &m_vInitialVelocity, &m_vVelocityVariance);
        return vOut;
    }
    case QIRN_EMITTER_CONE:
        return ConeVelocity();
    case QIRN_EMITTER_PLANEDIRECTION:
        return Scaled(Normalized(PlanePoint()), Length3(m_vInitialVelocity));
    default:
        return QIRN_Vector4(0.0f, 0.0f, 0.0f, 1.0f);
    }
}

QIRN_Vector4 QIRN_ParticleEmitterActor::ConeVelocity()
{
    const float fLength = Length3(m_vInitialVelocity);
    // A cone without a direction has no axis to spread around.
    if (!(fLength > 0.0f))
    {
        return QIRN_Vector4(0.0f, 0.0f, 0.0f, 1.0f);
    }
    const QIRN_Vector4 n = Normalized(m_vInitialVelocity);
    QIRN_Vector4 a(0.0f, 1.0f, 0.0f, 1.0f);
    if (n == a)
    {
        a = QIRN_Vector4(1.0f, 0.0f, 0.0f, 1.0f);
    }
    QIRN_Vector4 p, q;
    Vector_Cross(&n, &a, &p);
    p = Normalized(p);
    Vector_Cross(&n, &p, &q);
    q = Normalized(q);
    const QIRN_Vector4& w = m_vVelocityVariance;
    const float r1 = RandomFloat();
    const float r2 = RandomFloat();
    const float r3 = RandomFloat();
    const float r4 = RandomFloat();
    float m = fLength - w.y + 2.0f * r1 * w.y;
    if (m < 0.0f)
    {
        m = -m;
    }
    const float R = r2 * (m / fLength) * w.x;
    const float s1 = r3 * R;
    // r3 may round to just past 1; the root must stay real.
    float s2 = sqrtf(std::fmax(R * R - s1 * s1, 0.0f));
    if (!(r4 > 0.5f))
    {
        s2 = -s2;
    }
    return Scaled(n, m) + Scaled(p, s2) + Scaled(q, s1);
}

void QIRN_ParticleEmitterActor::StepParticles(float fDeltaTime)
{
    if (!m_poParticles)
    {
        return;
    }
    for (uint32_t i = 0; i < m_dwNumParticles; ++i)
    {
        if (m_poParticles[i].m_bAlive)
        {
            StepParticle(m_poParticles[i], fDeltaTime);
        }
    }
}

void QIRN_ParticleEmitterActor::Kill(QIRN_Particle& rParticle)
{
    rParticle.m_bAlive = 0;
    if (m_dwNumLiveParticles > 0)
    {
        --m_dwNumLiveParticles;
    }
}

void QIRN_ParticleEmitterActor::StepParticle(QIRN_Particle& p, float dt)
{
    p.m_fAge += dt;
    if (p.m_fAge >= p.m_fLifetime)
    {
        Kill(p);
        return;
    }
    if (m_iType == QIRN_EMITTER_BOX)
    {
        CollideWithBox(p);
    }
    CollideWithRange(p);

    QIRN_Vector4 vDrag(0.0f, 0.0f, 0.0f, 1.0f);
    const float fSpeed = Length3(p.m_vVelocity);
    if (fSpeed >= 1.0f)
    {
        vDrag = Scaled(Normalized(p.m_vVelocity), -m_fFriction / (fSpeed * fSpeed));
    }

    QIRN_Vector4 vAttraction(0.0f, 0.0f, 0.0f, 0.0f);
    for (auto* poNode = m_oAttractorList.m_pHead; poNode; poNode = poNode->m_pNext)
    {
        if (!poNode->m_pData)
        {
            continue;
        }
        QIRN_Vector4 r = poNode->m_pData->GetPosition() - p.m_vPosition;
        const float d2 = r.x * r.x + r.y * r.y + r.z * r.z;
        if (d2 <= 1.0f)
        {
            Kill(p);
            return;
        }
        vAttraction += Scaled(Normalized(r), poNode->m_pData->GetPower() / d2);
    }

    QIRN_Vector4 vExternal(0.0f, 0.0f, 0.0f, 0.0f);
    if (m_bUseWorldGravity && m_poWorld)
    {
        vExternal.Add4(m_poWorld->GetGravity());
    }
    vExternal.Add4(vAttraction);
    if (m_bUseWorldWind && m_poWorld)
    {
        vExternal.Add4(m_poWorld->GetWind());
    }
    p.m_vForce = vDrag;
    p.m_vForce.Add4(vExternal.Mul4(p.m_fMass));

    p.m_vVelocity.x += p.m_vForce.x * dt;
    p.m_vVelocity.y += p.m_vForce.y * dt;
    p.m_vVelocity.z += p.m_vForce.z * dt;
    p.m_vPosition.x += p.m_vVelocity.x * dt;
    p.m_vPosition.y += p.m_vVelocity.y * dt;
    p.m_vPosition.z += p.m_vVelocity.z * dt;

    const float fInvLifetime = p.m_fLifetime > 0.0f ? 1.0f / p.m_fLifetime : 0.0f;
    p.m_vColor.Add4(p.m_vFinalColor.Sub4(p.m_vInitialColor).Mul4(fInvLifetime * dt));
    ClampColor(&p.m_vColor);
    p.m_fSize += dt * p.m_fSizeRate;
}

void QIRN_ParticleEmitterActor::CollideWithBox(QIRN_Particle& p)
{
    // A box without size holds nothing and has no inverse.
    if (m_fBoxSize == 0.0f)
    {
        return;
    }
    QIRN_Matrix4 toBox, step;
    Matrix_Translation(-m_vPosition.x, -m_vPosition.y, -m_vPosition.z, &toBox);
    Matrix_Translation(-m_vPositionOffset.x, -m_vPositionOffset.y, -m_vPositionOffset.z, &step);
    Matrix_Multiply(&toBox, &step, &toBox);
    const QIRN_Vector4 vUndo(-m_vRotation.x, -m_vRotation.y, -m_vRotation.z, 1.0f);
    MultiplyRotations(&toBox, "xyz", vUndo);
    Matrix_Scaling(1.0f / m_fBoxSize, &step);
    Matrix_Multiply(&toBox, &step, &toBox);

    QIRN_Vector4 vLocal = p.m_vPosition;
    Vector_TransformCoord(&toBox, &p.m_vPosition, &vLocal);
    p.m_vPosition = vLocal;
    QIRN_Vector4 A(0.0f, 0.0f, 0.0f, 1.0f);
    QIRN_Vector4 N(0.0f, 0.0f, 0.0f, 1.0f);
    bool bHit = false;
    for (int i = 0; i < 3; ++i)
    {
        const float c = AxisOf(vLocal, i);
        if (c <= -1.0f)
        {
            Axis(A, i) = RandomSpread(-1.0f, 0.4f);
            Axis(N, i) = 1.0f;
            bHit = true;
        }
        else if (c >= 1.0f)
        {
            Axis(A, i) = RandomSpread(1.0f, 0.4f);
            Axis(N, i) = -1.0f;
            bHit = true;
        }
    }
    if (!bHit)
    {
        Vector_TransformCoord(&m_oBoxTransform, &vLocal, &p.m_vPosition);
        p.m_bBounced = 0;
        return;
    }
    Vector_TransformCoord(&m_oBoxTransform, &A, &p.m_vPosition);
    // The wall's normal turns with the box but does not move with it.
    QIRN_Vector4 vNormal = N;
    Vector_TransformNormal(&m_oBoxTransform, &N, &vNormal);
    if (!p.m_bBounced)
    {
        p.m_vVelocity = Reflect(p.m_vVelocity, vNormal);
        p.m_bBounced = 1;
    }
}

void QIRN_ParticleEmitterActor::CollideWithRange(QIRN_Particle& p)
{
    QIRN_Vector4 vNormal(0.0f, 0.0f, 0.0f, 1.0f);
    bool bHit = false;
    for (int i = 0; i < 3 && !bHit; ++i)
    {
        float& c = Axis(p.m_vPosition, i);
        if (c > AxisOf(m_vRangeMax, i) && AxisOf(p.m_vUpperFaceHit, i) == 0.0f)
        {
            c = AxisOf(m_vRangeMax, i);
            Axis(p.m_vUpperFaceHit, i) = 1.0f;
            Axis(vNormal, i) = -1.0f;
            bHit = true;
        }
        else if (c < AxisOf(m_vRangeMin, i) && AxisOf(p.m_vLowerFaceHit, i) == 0.0f)
        {
            c = AxisOf(m_vRangeMin, i);
            Axis(p.m_vLowerFaceHit, i) = 1.0f;
            Axis(vNormal, i) = 1.0f;
            bHit = true;
        }
    }
    if (!bHit)
    {
        return;
    }
    p.m_vVelocity = Reflect(p.m_vVelocity, vNormal);
    p.m_vVelocity.x *= m_fBounceFactor;
    p.m_vVelocity.y *= m_fBounceFactor;
    p.m_vVelocity.z *= m_fBounceFactor;
    p.m_bBounced = 1;
}
