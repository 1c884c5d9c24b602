#pragma once
// QIRN_Fog: a named set of fog parameters in the terms of the Direct3D 8 fog states. Not an actor:
// a shader pass names the fog it wants, and the renderer applies it while the pass is drawn.

#include "qirn_baseobject.h"

#include <cstdint>
#include <string>

// Fog formulas in the engine's numbering; other values select none.
const int32_t QIRN_FOG_EXP = 0;
const int32_t QIRN_FOG_EXP2 = 1;
const int32_t QIRN_FOG_LINEAR = 2;

class QIRN_Fog : public QIRN_BaseObject
{
public:
    explicit QIRN_Fog(std::string szClassName);
    ~QIRN_Fog() override = default;

    QIRN_ErrorCode SaveContents(QIRN_File& roFile) override;
    QIRN_ErrorCode InterpretKeyWord(std::string szKeyWord, QIRN_File& roFile) override;

    // Packed ARGB.
    uint32_t GetColor() const { return m_dwColor; }
    float GetStartDistance() const { return m_fStartDistance; }
    float GetEndDistance() const { return m_fEndDistance; }
    float GetDensity() const { return m_fDensity; }
    bool IsVertexFog() const { return m_bVertexFog; }
    // Only used together with vertex fog.
    bool IsRangeBasedFog() const { return m_bRangeBasedFog; }
    int32_t GetFogMode() const { return m_bFogMode; }

    uint32_t m_dwColor;
    float m_fStartDistance;
    float m_fEndDistance;
    float m_fDensity;
    bool m_bVertexFog;
    bool m_bRangeBasedFog;
    int32_t m_bFogMode;
};
