#pragma once
// Rotation quaternions, matrix decomposition, bounding volumes and the particle system's random
// numbers. Quaternions are never normalised here; w is the scalar part.

#include "qirn_math.h"

struct QIRN_Quaternion
{
    float x, y, z, w;
};

// a, b, c are radians about Z, Y and X.
QIRN_Quaternion* Quaternion_FromEuler(QIRN_Quaternion* out, float a, float b, float c);
QIRN_Matrix4* Matrix_FromQuaternion(QIRN_Matrix4* out, const QIRN_Quaternion* q);
QIRN_Matrix4* Matrix_FromQuaternionTransposed(QIRN_Matrix4* out, const QIRN_Quaternion* q);
void Quaternion_Multiply(const QIRN_Quaternion* p, const QIRN_Quaternion* q, QIRN_Quaternion* out);
// Takes the shorter arc, negating b in place when needed.
void Quaternion_Slerp(const QIRN_Quaternion* a, QIRN_Quaternion* b, QIRN_Quaternion* out, float t);

// Scale into x, y, z of scale; angles in radians; translation into x, y, z of translation.
void Matrix_Decompose(const QIRN_Matrix4* m, QIRN_Vector4* scale, float* angleX, float* angleY, float* angleZ,
                      QIRN_Vector4* translation);
QIRN_Quaternion* Matrix_DecomposeQuaternion(const QIRN_Matrix4* m, QIRN_Vector4* scale, QIRN_Quaternion* rotation,
                                            QIRN_Vector4* translation);

struct QIRN_BoundingBox
{
    QIRN_Vector4 m_vMin;
    QIRN_Vector4 m_vMax;

    void Copy(const QIRN_BoundingBox& other);
    QIRN_BoundingBox& Union(const QIRN_BoundingBox& other);
    // The corners are transformed as they are, not re-sorted.
    QIRN_BoundingBox& Transform(const QIRN_Matrix4& m);
    QIRN_Vector4 GetCenter() const;
    void SetCenter(const QIRN_Vector4& point);
};

struct QIRN_BoundingSphere
{
    float m_fRadius = 0.0f;
    QIRN_Vector4 m_vCenter;

    void Copy(const QIRN_BoundingSphere& other);
    void FromBox(const QIRN_BoundingBox& box);
};

// -1 .. 1 from the process-wide generator (seeded with srand by whoever needs a seed).
float RandomFloat();
float RandomSpread(float center, float spread);
QIRN_Vector4* Vector_RandomSpread(QIRN_Vector4* out, const QIRN_Vector4* center, const QIRN_Vector4* spread);
