#pragma once
// QIRN_ParticleEmitterActor: a CPU particle system placed in the world. It owns a fixed pool of
// particles, emits them continuously at a rate or in periodic explosions from a point, a plane or
// a box, and steps every live particle each frame under drag, world gravity and wind, the pull of
// particle attractors and bounces off an axis-aligned range (and the box walls for the box type).
// Each emitter files a shader of its own, "QIRN_ParticleEmitterActor.<name>", in the world's
// shader tree; a renderer reads the pool, the live count and that shader.

#include "qirn_baseactor.h"
#include "qirn_linkedlist.h"
#include "qirn_math.h"

#include <cstdint>
#include <string>

class QIRN_ParticleAttractorActor;
class QIRN_Shader;

// Emitter types: where particles are born and how they start moving.
const int32_t QIRN_EMITTER_POINT = 1;
const int32_t QIRN_EMITTER_CONE = 2;
const int32_t QIRN_EMITTER_PLANE = 3;
const int32_t QIRN_EMITTER_BOX = 4;
const int32_t QIRN_EMITTER_PLANEDIRECTION = 5;

// The largest pool "NumParticles" may ask for. Emission looks for the first dead record, so filling
// a whole pool at once (an explosion, a pre-warm) costs the square of its size: 4096 particles fill
// in about 15 ms here and step in well under one, about what a frame can give one emitter beside the
// scene (whose emitters hold 120 and 40). Larger counts are refused rather than stalling frames.
const uint32_t QIRN_EMITTER_MAX_PARTICLES = 4096;

// One flag per graphics device the engine can hold.
const uint32_t QIRN_EMITTER_DEVICES = 2;

// The prefix of an emitter's shader name; the emitter's name follows a ".".
extern const char* const QIRN_EMITTER_SHADER_PREFIX;

struct QIRN_Particle
{
    QIRN_Vector4 m_vPosition;
    QIRN_Vector4 m_vVelocity;
    QIRN_Vector4 m_vForce;
    // Colours on the scale 0 to 255.
    QIRN_Vector4 m_vInitialColor;
    QIRN_Vector4 m_vFinalColor;
    QIRN_Vector4 m_vColor;
    float m_fMass;
    float m_fSize;
    // Per second.
    float m_fSizeRate;
    float m_fAge;
    float m_fLifetime;
    uint8_t m_bAlive;
    uint8_t m_bBounced;
    // x, y and z are 1 once the particle bounced off that lower or upper face of the range.
    QIRN_Vector4 m_vLowerFaceHit;
    QIRN_Vector4 m_vUpperFaceHit;
};

class QIRN_ParticleEmitterActor : public QIRN_BaseActor
{
public:
    explicit QIRN_ParticleEmitterActor(std::string szClassName);
    ~QIRN_ParticleEmitterActor() override;

    QIRN_ErrorCode Update(float fDeltaTime) override;
    // Drops the shader's reference, frees the pool and empties the attractor list; safe to call
    // again.
    QIRN_ErrorCode Destroy() override;
    QIRN_ErrorCode SaveContents(QIRN_File& roFile) override;
    QIRN_ErrorCode InterpretKeyWord(std::string szKeyWord, QIRN_File& roFile) override;
    // Rotation and position only; for the box type the box matrix, which re-creates the pool.
    QIRN_ErrorCode GetTransform(QIRN_Matrix4* oDest) override;

    // Adds a not-owned attractor under its name: 0, or 1 for a name already in the list.
    QIRN_ErrorCode AddAttractor(QIRN_ParticleAttractorActor* poAttractor);

    // A fresh pool of NumParticles dead particles; the next continuous update pre-warms.
    void AllocatePool();
    // One particle from the first dead record: 0, or 1 when none is free.
    QIRN_ErrorCode EmitParticle();
    // Steps every live particle, in pool order.
    void StepParticles(float fDeltaTime);

    QIRN_Shader* GetShader() const { return m_poShader; }
    const QIRN_Particle* GetParticles() const { return m_poParticles; }
    uint32_t GetNumParticles() const { return m_dwNumParticles; }
    uint32_t GetNumLiveParticles() const { return m_dwNumLiveParticles; }
    QIRN_LINKEDLIST<QIRN_ParticleAttractorActor>* GetAttractorList() { return &m_oAttractorList; }
    // Whether a renderer has made what it needs for this device; cleared by the world's release of
    // device resources.
    uint32_t GetDeviceFlag(uint32_t dwDevice) const;
    void SetDeviceFlag(uint32_t dwDevice, uint32_t dwFlag);
    bool NeedsPrewarm() const { return m_bPrewarm; }
    float GetEmissionAccumulator() const { return m_fEmissionAccumulator; }
    const QIRN_Matrix4& GetBoxTransform() const { return m_oBoxTransform; }

    QIRN_Shader* m_poShader;
    uint32_t m_dwDeviceFlags[QIRN_EMITTER_DEVICES];
    QIRN_Particle* m_poParticles;
    QIRN_LINKEDLIST<QIRN_ParticleAttractorActor> m_oAttractorList;
    bool m_bRender;
    bool m_bPrewarm;
    int32_t m_iType;
    uint32_t m_dwNumParticles;
    float m_fEmissionRate;
    bool m_bExplosion;
    float m_fExplosionRate;
    bool m_bUseWorldGravity;
    bool m_bUseWorldWind;
    QIRN_Vector4 m_vPositionVariance;
    QIRN_Vector4 m_vPositionOffset;
    float m_fFriction;
    float m_fBounceFactor;
    QIRN_Vector4 m_vPlaneEquation;
    float m_fPlaneSize;
    QIRN_Vector4 m_vRangeMin;
    QIRN_Vector4 m_vRangeMax;
    float m_fBoxSize;
    QIRN_Matrix4 m_oBoxTransform;
    float m_fEmissionAccumulator;
    float m_fLifetime;
    float m_fLifetimeVariance;
    float m_fInitialSize;
    float m_fSizeVariance;
    float m_fFinalSize;
    float m_fMass;
    float m_fMassVariance;
    QIRN_Vector4 m_vInitialVelocity;
    QIRN_Vector4 m_vVelocityVariance;
    QIRN_Vector4 m_vInitialColor;
    QIRN_Vector4 m_vInitialColorVariance;
    QIRN_Vector4 m_vFinalColor;
    QIRN_Vector4 m_vFinalColorVariance;
    uint32_t m_dwNumLiveParticles;

private:
    // "Name": the object name, then the shader of that name (taken or made).
    QIRN_ErrorCode ReadName(QIRN_File& roFile);
    QIRN_ErrorCode ReadNumParticles(QIRN_File& roFile);
    QIRN_ErrorCode ReadAttractor(QIRN_File& roFile);
    void ReleaseShader();
    // Emits floor(rate x accumulator) particles and takes them off the accumulator; false when an
    // emission failed.
    bool EmitByRate();
    void PrewarmStep(float fStep);
    void UpdateExplosion(float fDeltaTime);
    void StepParticle(QIRN_Particle& rParticle, float fDeltaTime);
    void CollideWithBox(QIRN_Particle& rParticle);
    void CollideWithRange(QIRN_Particle& rParticle);
    void Kill(QIRN_Particle& rParticle);
    QIRN_Vector4 EmissionPosition();
    QIRN_Vector4 EmissionVelocity();
    // A random point of the emission plane (the offset rule included).
    QIRN_Vector4 PlanePoint();
    QIRN_Vector4 ConeVelocity();

    // The explosion-rate complaint is logged once per emitter.
    bool m_bExplosionRateLogged;
    bool m_bExploded;
};
