#pragma once
// QIRN_ParticleAttractorActor: a point that pulls (or, with a negative power, pushes) the particles
// of the emitters that name it. Its power follows one of four laws of its own running time and is
// recomputed every frame; emitters read the power and the position.

#include "qirn_baseactor.h"

#include <cstdint>
#include <string>

// The power laws.
const int32_t QIRN_ATTRACTOR_CONSTANT = 1;
const int32_t QIRN_ATTRACTOR_COSINE = 2;
const int32_t QIRN_ATTRACTOR_LOGARITHM = 3;
const int32_t QIRN_ATTRACTOR_EXPONENTIAL = 4;

class QIRN_ParticleAttractorActor : public QIRN_BaseActor
{
public:
    explicit QIRN_ParticleAttractorActor(std::string szClassName);
    ~QIRN_ParticleAttractorActor() override;

    // Advances the law's time and recomputes the power; 1 for an unknown law. The base actor's
    // update does not run: an attractor neither animates nor advances its object time.
    QIRN_ErrorCode Update(float fDeltaTime) override;
    QIRN_ErrorCode SaveContents(QIRN_File& roFile) override;
    QIRN_ErrorCode InterpretKeyWord(std::string szKeyWord, QIRN_File& roFile) override;

    int32_t GetType() const { return m_iType; }
    void SetType(int32_t iType) { m_iType = iType; }
    float GetConstantPower() const { return m_fConstantPower; }
    void SetConstantPower(float fPower) { m_fConstantPower = fPower; }
    float GetAttractorTime() const { return m_fAttractorTime; }
    float GetPower() const { return m_fPower; }

    int32_t m_iType;
    float m_fConstantPower;
    float m_fAttractorTime;
    float m_fPower;
};
