#include "qirn_quaternion.h"

#include <cmath>
#include <cstdlib>

QIRN_Quaternion* Quaternion_FromEuler(QIRN_Quaternion* out, float a, float b, float c)
{
    float ca = cosf(a * 0.5f), sa = sinf(a * 0.5f);
    float cb = cosf(b * 0.5f), sb = sinf(b * 0.5f);
    float cc = cosf(c * 0.5f), sc = sinf(c * 0.5f);
    out->x = ca * cb * sc - sa * sb * cc;
    out->y = ca * sb * cc + sa * cb * sc;
    out->z = sa * cb * cc - ca * sb * sc;
    out->w = ca * cb * cc + sa * sb * sc;
    return out;
}

QIRN_Matrix4* Matrix_FromQuaternion(QIRN_Matrix4* out, const QIRN_Quaternion* q)
{
    float x = q->x, y = q->y, z = q->z, w = q->w;
    Matrix_Identity(out);
    out->_11 = 1.0f - 2.0f * (y * y + z * z);
    out->_12 = 2.0f * (x * y + z * w);
    out->_13 = 2.0f * (x * z - y * w);
    out->_21 = 2.0f * (x * y - z * w);
    out->_22 = 1.0f - 2.0f * (x * x + z * z);
    out->_23 = 2.0f * (y * z + x * w);
    out->_31 = 2.0f * (x * z + y * w);
    out->_32 = 2.0f * (y * z - x * w);
    out->_33 = 1.0f - 2.0f * (x * x + y * y);
    return out;
}

QIRN_Matrix4* Matrix_FromQuaternionTransposed(QIRN_Matrix4* out, const QIRN_Quaternion* q)
{
    Matrix_FromQuaternion(out, q);
    return Matrix_Transpose(out, out);
}

void Quaternion_Multiply(const QIRN_Quaternion* p, const QIRN_Quaternion* q, QIRN_Quaternion* out)
{
    QIRN_Quaternion r;
    r.x = p->w * q->x + p->x * q->w + p->y * q->z - p->z * q->y;
    r.y = p->w * q->y - p->x * q->z + p->y * q->w + p->z * q->x;
    r.z = p->w * q->z + p->x * q->y - p->y * q->x + p->z * q->w;
    r.w = p->w * q->w - p->x * q->x - p->y * q->y - p->z * q->z;
    *out = r;
}

void Quaternion_Slerp(const QIRN_Quaternion* a, QIRN_Quaternion* b, QIRN_Quaternion* out, float t)
{
    float d = a->x * b->x + a->y * b->y + a->z * b->z + a->w * b->w;
    if (d < 0.0f)
    {
        b->x = -b->x;
        b->y = -b->y;
        b->z = -b->z;
        b->w = -b->w;
        d = -d;
    }
    float k0 = 1.0f - t;
    float k1 = t;
    // Nearly equal quaternions keep the linear weights (sin theta would be close to 0).
    if (1.0f - d > 0.001f)
    {
        float theta = acosf(d);
        float s = sinf(theta);
        k0 = sinf((1.0f - t) * theta) / s;
        k1 = sinf(t * theta) / s;
    }
    QIRN_Quaternion r;
    r.x = k0 * a->x + k1 * b->x;
    r.y = k0 * a->y + k1 * b->y;
    r.z = k0 * a->z + k1 * b->z;
    r.w = k0 * a->w + k1 * b->w;
    *out = r;
}

void Matrix_Decompose(const QIRN_Matrix4* m, QIRN_Vector4* scale, float* angleX, float* angleY, float* angleZ,
                      QIRN_Vector4* translation)
{
    translation->x = m->_41;
    translation->y = m->_42;
    translation->z = m->_43;

    QIRN_Vector4 r0(m->_11, m->_12, m->_13, 1.0f);
    QIRN_Vector4 r1(m->_21, m->_22, m->_23, 1.0f);
    QIRN_Vector4 r2(m->_31, m->_32, m->_33, 1.0f);

    // Gram-Schmidt: the row lengths are the scale, the orthonormal rows the rotation.
    scale->x = Vector_Length(&r0);
    Vector_Normalize(&r0, &r0);

    QIRN_Vector4 vTemp;
    Vector_Scale(&r0, &vTemp, Vector_Dot(&r0, &r1));
    Vector_Subtract(&r1, &vTemp, &r1);
    scale->y = Vector_Length(&r1);
    Vector_Normalize(&r1, &r1);

    Vector_Scale(&r0, &vTemp, Vector_Dot(&r0, &r2));
    Vector_Subtract(&r2, &vTemp, &r2);
    Vector_Scale(&r1, &vTemp, Vector_Dot(&r1, &r2));
    Vector_Subtract(&r2, &vTemp, &r2);
    scale->z = Vector_Length(&r2);
    Vector_Normalize(&r2, &r2);

    QIRN_Vector4 vCross;
    Vector_Cross(&r1, &r2, &vCross);
    if (Vector_Dot(&r0, &vCross) < 0.0f)
    {
        scale->x = -scale->x;
        scale->y = -scale->y;
        scale->z = -scale->z;
        Vector_Negate(&r0, &r0);
        Vector_Negate(&r1, &r1);
        Vector_Negate(&r2, &r2);
    }

    *angleY = asinf(-r0.z);
    if (cosf(*angleY) != 0.0f)
    {
        *angleX = atan2f(r1.z, r2.z);
        *angleZ = atan2f(r0.y, r0.x);
    }
    else
    {
        *angleX = atan2f(r1.x, r1.y);
        *angleZ = 0.0f;
    }
}

QIRN_Quaternion* Matrix_DecomposeQuaternion(const QIRN_Matrix4* m, QIRN_Vector4* scale, QIRN_Quaternion* rotation,
                                            QIRN_Vector4* translation)
{
    float fX = 0.0f, fY = 0.0f, fZ = 0.0f;
    Matrix_Decompose(m, scale, &fX, &fY, &fZ, translation);
    return Quaternion_FromEuler(rotation, fZ, fY, fX);
}

void QIRN_BoundingBox::Copy(const QIRN_BoundingBox& other)
{
    m_vMin.x = other.m_vMin.x;
    m_vMin.y = other.m_vMin.y;
    m_vMin.z = other.m_vMin.z;
    m_vMax.x = other.m_vMax.x;
    m_vMax.y = other.m_vMax.y;
    m_vMax.z = other.m_vMax.z;
}

QIRN_BoundingBox& QIRN_BoundingBox::Union(const QIRN_BoundingBox& other)
{
    m_vMin.x = fminf(m_vMin.x, other.m_vMin.x);
    m_vMin.y = fminf(m_vMin.y, other.m_vMin.y);
    m_vMin.z = fminf(m_vMin.z, other.m_vMin.z);
    m_vMax.x = fmaxf(m_vMax.x, other.m_vMax.x);
    m_vMax.y = fmaxf(m_vMax.y, other.m_vMax.y);
    m_vMax.z = fmaxf(m_vMax.z, other.m_vMax.z);
    return *this;
}

QIRN_BoundingBox& QIRN_BoundingBox::Transform(const QIRN_Matrix4& m)
{
    Vector_TransformCoord(&m, &m_vMin, &m_vMin);
    Vector_TransformCoord(&m, &m_vMax, &m_vMax);
    return *this;
}

QIRN_Vector4 QIRN_BoundingBox::GetCenter() const
{
    return QIRN_Vector4((m_vMin.x + m_vMax.x) * 0.5f, (m_vMin.y + m_vMax.y) * 0.5f, (m_vMin.z + m_vMax.z) * 0.5f,
                        1.0f);
}

void QIRN_BoundingBox::SetCenter(const QIRN_Vector4& point)
{
    QIRN_Vector4 vOffset = point - GetCenter();
    m_vMin = m_vMin + vOffset;
    m_vMax = m_vMax + vOffset;
}

void QIRN_BoundingSphere::Copy(const QIRN_BoundingSphere& other)
{
    m_fRadius = other.m_fRadius;
    m_vCenter.x = other.m_vCenter.x;
    m_vCenter.y = other.m_vCenter.y;
    m_vCenter.z = other.m_vCenter.z;
}

void QIRN_BoundingSphere::FromBox(const QIRN_BoundingBox& box)
{
    m_vCenter.x = (box.m_vMin.x + box.m_vMax.x) * 0.5f;
    m_vCenter.y = (box.m_vMin.y + box.m_vMax.y) * 0.5f;
    m_vCenter.z = (box.m_vMin.z + box.m_vMax.z) * 0.5f;
    QIRN_Vector4 vHalf = box.m_vMax - m_vCenter;
    m_fRadius = Vector_Length(&vHalf);
}

float RandomFloat()
{
    // rand() answers 0..32767 on this platform; scale it to -1..1.
    int r = rand() & 0x7fff;
    return static_cast<float>(r) * 6.1037019e-5f - 1.0f;
}

float RandomSpread(float center, float spread)
{
    return center + RandomFloat() * spread;
}

QIRN_Vector4* Vector_RandomSpread(QIRN_Vector4* out, const QIRN_Vector4* center, const QIRN_Vector4* spread)
{
    out->x = RandomSpread(center->x, spread->x);
    out->y = RandomSpread(center->y, spread->y);
    out->z = RandomSpread(center->z, spread->z);
    out->w = RandomSpread(center->w, spread->w);
    return out;
}
