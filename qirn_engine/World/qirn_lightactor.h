#pragma once
// QIRN_LightActor: one light source in the terms of a Direct3D 8 light. It only stores, loads and
// saves its values; it moves like any actor, and the renderers read the world's light list.

#include "qirn_baseactor.h"

#include <cstdint>
#include <string>

// Light kinds in the Direct3D numbering.
const int32_t QIRN_LIGHT_POINT = 1;
const int32_t QIRN_LIGHT_SPOT = 2;
const int32_t QIRN_LIGHT_DIRECTIONAL = 3;

class QIRN_LightActor : public QIRN_BaseActor
{
public:
    explicit QIRN_LightActor(std::string szClassName);
    ~QIRN_LightActor() override;

    // The placement and clock; answers 0.
    QIRN_ErrorCode Update(float fDeltaTime) override;
    QIRN_ErrorCode SaveContents(QIRN_File& roFile) override;
    QIRN_ErrorCode InterpretKeyWord(std::string szKeyWord, QIRN_File& roFile) override;

    int32_t GetType() const { return m_iType; }
    // Colours on the scale 0 to 255 (r, g, b, a).
    QIRN_Vector4 GetDiffuse() const { return m_vDiffuse; }
    QIRN_Vector4 GetSpecular() const { return m_vSpecular; }
    QIRN_Vector4 GetAmbient() const { return m_vAmbient; }
    // As given, not normalised.
    QIRN_Vector4 GetDirection() const { return m_vDirection; }
    float GetRange() const { return m_fRange; }
    float GetFalloff() const { return m_fFalloff; }
    float GetAttenuation0() const { return m_fAttenuation0; }
    float GetAttenuation1() const { return m_fAttenuation1; }
    float GetAttenuation2() const { return m_fAttenuation2; }
    float GetTheta() const { return m_fTheta; }
    float GetPhi() const { return m_fPhi; }

    int32_t m_iType;
    QIRN_Vector4 m_vDiffuse;
    QIRN_Vector4 m_vSpecular;
    QIRN_Vector4 m_vAmbient;
    QIRN_Vector4 m_vDirection;
    float m_fRange;
    float m_fFalloff;
    float m_fAttenuation0;
    float m_fAttenuation1;
    float m_fAttenuation2;
    float m_fTheta;
    float m_fPhi;
};
