#pragma once
// The lighting material of a shader pass: four colours (floats 0 to 1) and a specular power.

#include "qirn_errors.h"
#include "qirn_math.h"

class QIRN_File;

class QIRN_Material
{
public:
    QIRN_Material() { Reset(); }

    void Reset();
    QIRN_ErrorCode Load(QIRN_File& roFile);
    QIRN_ErrorCode Save(QIRN_File& roFile) const;

    QIRN_Vector4 m_vDiffuse;
    QIRN_Vector4 m_vAmbient;
    QIRN_Vector4 m_vSpecular;
    QIRN_Vector4 m_vEmissive;
    float m_fPower;
};
