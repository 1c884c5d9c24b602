#include "qirn_math.h"

#include "qirn_debug.h"

#include <cmath>
#include <istream>
#include <ostream>

QIRN_Vector4& QIRN_Vector4::operator=(const QIRN_Vector4& v)
{
    x = v.x;
    y = v.y;
    z = v.z;
    w = v.w;
    return *this;
}

QIRN_Vector4 QIRN_Vector4::operator+(const QIRN_Vector4& v) const
{
    return QIRN_Vector4(x + v.x, y + v.y, z + v.z, 1.0f);
}

QIRN_Vector4 QIRN_Vector4::operator-(const QIRN_Vector4& v) const
{
    return QIRN_Vector4(x - v.x, y - v.y, z - v.z, 1.0f);
}

QIRN_Vector4& QIRN_Vector4::operator+=(const QIRN_Vector4& v)
{
    x += v.x;
    y += v.y;
    z += v.z;
    w = 1.0f;
    return *this;
}

QIRN_Vector4& QIRN_Vector4::operator*=(float s)
{
    x *= s;
    y *= s;
    z *= s;
    w = 1.0f;
    return *this;
}

bool QIRN_Vector4::operator==(const QIRN_Vector4& v) const
{
    return x == v.x && y == v.y && z == v.z;
}

namespace
{
// Ordered and different: a NaN on either side never counts as a difference.
bool Differs(float a, float b)
{
    return a < b || a > b;
}
} // namespace

bool QIRN_Vector4::operator!=(const QIRN_Vector4& v) const
{
    return Differs(x, v.x) && Differs(y, v.y) && Differs(z, v.z);
}

bool QIRN_Vector4::operator!=(float s) const
{
    return Differs(x, s) && Differs(y, s) && Differs(z, s);
}

QIRN_Vector4& QIRN_Vector4::Add4(const QIRN_Vector4& v)
{
    x += v.x;
    y += v.y;
    z += v.z;
    w += v.w;
    return *this;
}

QIRN_Vector4 QIRN_Vector4::Sub4(const QIRN_Vector4& v) const
{
    return QIRN_Vector4(x - v.x, y - v.y, z - v.z, w - v.w);
}

QIRN_Vector4 QIRN_Vector4::Mul4(float s) const
{
    return QIRN_Vector4(x * s, y * s, z * s, w * s);
}

QIRN_Vector4 Vector4_Make(float x, float y, float z, float w)
{
    return QIRN_Vector4(x, y, z, w);
}

QIRN_Matrix4& QIRN_Matrix4::operator=(const QIRN_Matrix4& m)
{
    if (this != &m)
    {
        for (int i = 0; i < 16; ++i)
        {
            Data()[i] = m.Data()[i];
        }
    }
    return *this;
}

void Vector_Add(const QIRN_Vector4* a, const QIRN_Vector4* b, QIRN_Vector4* out)
{
    *out = QIRN_Vector4(a->x + b->x, a->y + b->y, a->z + b->z, 1.0f);
}

void Vector_Subtract(const QIRN_Vector4* a, const QIRN_Vector4* b, QIRN_Vector4* out)
{
    *out = QIRN_Vector4(a->x - b->x, a->y - b->y, a->z - b->z, 1.0f);
}

void Vector_Scale(const QIRN_Vector4* src, QIRN_Vector4* dst, float s)
{
    *dst = QIRN_Vector4(src->x * s, src->y * s, src->z * s, 1.0f);
}

void Vector_Negate(const QIRN_Vector4* src, QIRN_Vector4* dst)
{
    *dst = QIRN_Vector4(-src->x, -src->y, -src->z, 1.0f);
}

void Vector_Cross(const QIRN_Vector4* a, const QIRN_Vector4* b, QIRN_Vector4* out)
{
    *out =
        QIRN_Vector4(a->y * b->z - a->z * b->y, a->z * b->x - a->x * b->z, a->x * b->y - a->y * b->x, 1.0f);
}

float Vector_Dot(const QIRN_Vector4* a, const QIRN_Vector4* b)
{
    return a->x * b->x + a->y * b->y + a->z * b->z;
}

float Vector_Length(const QIRN_Vector4* v)
{
    return sqrtf(v->x * v->x + v->y * v->y + v->z * v->z);
}

QIRN_Vector4* Vector_Normalize(const QIRN_Vector4* src, QIRN_Vector4* dst)
{
    float fLength = Vector_Length(src);
    if (fLength > 0.0f)
    {
        *dst = QIRN_Vector4(src->x / fLength, src->y / fLength, src->z / fLength, 1.0f);
    }
    else
    {
        *dst = QIRN_Vector4(1.0f, 0.0f, 0.0f, 1.0f);
    }
    return dst;
}

void Vector_TransformNormal(const QIRN_Matrix4* m, const QIRN_Vector4* v, QIRN_Vector4* out)
{
    float fx = v->x * m->_11 + v->y * m->_21 + v->z * m->_31;
    float fy = v->x * m->_12 + v->y * m->_22 + v->z * m->_32;
    float fz = v->x * m->_13 + v->y * m->_23 + v->z * m->_33;
    *out = QIRN_Vector4(fx, fy, fz, 1.0f);
}

void Vector_TransformCoord(const QIRN_Matrix4* m, const QIRN_Vector4* v, QIRN_Vector4* out)
{
    float fx = v->x * m->_11 + v->y * m->_21 + v->z * m->_31 + m->_41;
    float fy = v->x * m->_12 + v->y * m->_22 + v->z * m->_32 + m->_42;
    float fz = v->x * m->_13 + v->y * m->_23 + v->z * m->_33 + m->_43;
    out->x = fx;
    out->y = fy;
    out->z = fz;
}

void Vector_RotateAxisNormalized(const QIRN_Vector4* v, const QIRN_Vector4* axis, float degrees,
                                 QIRN_Vector4* out)
{
    QIRN_Matrix4 mRotation;
    Matrix_RotationAxis(axis, degrees, &mRotation);
    Vector_TransformCoord(&mRotation, v, out);
}

void Vector_RotateAxis(const QIRN_Vector4* v, const QIRN_Vector4* axis, float degrees, QIRN_Vector4* out)
{
    QIRN_Vector4 vAxis;
    Vector_Normalize(axis, &vAxis);
    Vector_RotateAxisNormalized(v, &vAxis, degrees, out);
}

QIRN_Matrix4* Matrix_Identity(QIRN_Matrix4* m)
{
    for (int i = 0; i < 16; ++i)
    {
        m->Data()[i] = (i % 5 == 0) ? 1.0f : 0.0f;
    }
    return m;
}

QIRN_Matrix4* Matrix_Translation(float x, float y, float z, QIRN_Matrix4* out)
{
    Matrix_Identity(out);
    out->_41 = x;
    out->_42 = y;
    out->_43 = z;
    return out;
}

QIRN_Matrix4* Matrix_Scaling(float s, QIRN_Matrix4* out)
{
    Matrix_Identity(out);
    out->_11 = out->_22 = out->_33 = s;
    return out;
}

QIRN_Matrix4* Matrix_SetScale(QIRN_Matrix4* m, float sx, float sy, float sz)
{
    m->_11 = sx;
    m->_22 = sy;
    m->_33 = sz;
    return m;
}

QIRN_Matrix4* Matrix_RotationX(float degrees, QIRN_Matrix4* out)
{
    float c = cosf(degrees * QIRN_DEG_TO_RAD);
    float s = sinf(degrees * QIRN_DEG_TO_RAD);
    Matrix_Identity(out);
    out->_22 = c;
    out->_23 = s;
    out->_32 = -s;
    out->_33 = c;
    return out;
}

QIRN_Matrix4* Matrix_RotationY(float degrees, QIRN_Matrix4* out)
{
    float c = cosf(degrees * QIRN_DEG_TO_RAD);
    float s = sinf(degrees * QIRN_DEG_TO_RAD);
    Matrix_Identity(out);
    out->_11 = c;
    out->_13 = -s;
    out->_31 = s;
    out->_33 = c;
    return out;
}

QIRN_Matrix4* Matrix_RotationZ(float degrees, QIRN_Matrix4* out)
{
    float c = cosf(degrees * QIRN_DEG_TO_RAD);
    float s = sinf(degrees * QIRN_DEG_TO_RAD);
    Matrix_Identity(out);
    out->_11 = c;
    out->_12 = s;
    out->_21 = -s;
    out->_22 = c;
    return out;
}

QIRN_Matrix4* Matrix_RotationAxis(const QIRN_Vector4* axis, float degrees, QIRN_Matrix4* out)
{
    float c = cosf(degrees * QIRN_DEG_TO_RAD);
    float s = sinf(degrees * QIRN_DEG_TO_RAD);
    float t = 1.0f - c;
    float x = axis->x, y = axis->y, z = axis->z;
    Matrix_Identity(out);
    out->_11 = c + t * x * x;
    out->_12 = t * x * y - s * z;
    out->_13 = t * x * z + s * y;
    out->_21 = t * x * y + s * z;
    out->_22 = c + t * y * y;
    out->_23 = t * y * z - s * x;
    out->_31 = t * x * z - s * y;
    out->_32 = t * y * z + s * x;
    out->_33 = c + t * z * z;
    return out;
}

QIRN_Matrix4* Matrix_Multiply(const QIRN_Matrix4* a, const QIRN_Matrix4* b, QIRN_Matrix4* out)
{
    // Built in a temporary, so out may be a or b.
    float r[16];
    const float* pa = a->Data();
    const float* pb = b->Data();
    for (int i = 0; i < 4; ++i)
    {
        for (int j = 0; j < 4; ++j)
        {
            r[i * 4 + j] = pa[i * 4 + 0] * pb[0 * 4 + j] + pa[i * 4 + 1] * pb[1 * 4 + j] +
                           pa[i * 4 + 2] * pb[2 * 4 + j] + pa[i * 4 + 3] * pb[3 * 4 + j];
        }
    }
    for (int i = 0; i < 16; ++i)
    {
        out->Data()[i] = r[i];
    }
    return out;
}

QIRN_Matrix4* Matrix_Transpose(const QIRN_Matrix4* src, QIRN_Matrix4* dst)
{
    float r[16];
    for (int i = 0; i < 4; ++i)
    {
        for (int j = 0; j < 4; ++j)
        {
            r[j * 4 + i] = src->Data()[i * 4 + j];
        }
    }
    for (int i = 0; i < 16; ++i)
    {
        dst->Data()[i] = r[i];
    }
    return dst;
}

int Matrix_Invert(const QIRN_Matrix4* m, QIRN_Matrix4* out)
{
    if (fabsf(m->_44 - 1.0f) > .001f)
    {
        dprintf("*** Matrix_Invert() - fabs(m->_44 - 1.0f) > .001f\n");
        return 1;
    }
    if (fabsf(m->_14) > .001f)
    {
        dprintf("*** Matrix_Invert() - fabs(m->_14) > .001f\n");
        return 1;
    }
    if (fabsf(m->_24) > .001f)
    {
        dprintf("*** Matrix_Invert() - fabs(m->_24 > .001f\n");
        return 1;
    }
    if (fabsf(m->_34) > .001f)
    {
        dprintf("*** Matrix_Invert() - fabs(m->m_34) > .001f\n");
        return 1;
    }

    float A = m->_22 * m->_33 - m->_23 * m->_32;
    float B = m->_21 * m->_33 - m->_23 * m->_31;
    float C = m->_21 * m->_32 - m->_22 * m->_31;
    float r = 1.0f / (m->_11 * A - m->_12 * B + m->_13 * C);

    QIRN_Matrix4 inv;
    inv._11 = A * r;
    inv._12 = -(m->_12 * m->_33 - m->_13 * m->_32) * r;
    inv._13 = (m->_12 * m->_23 - m->_13 * m->_22) * r;
    inv._21 = -B * r;
    inv._22 = (m->_11 * m->_33 - m->_13 * m->_31) * r;
    inv._23 = -(m->_11 * m->_23 - m->_13 * m->_21) * r;
    inv._31 = C * r;
    inv._32 = -(m->_11 * m->_32 - m->_12 * m->_31) * r;
    inv._33 = (m->_11 * m->_22 - m->_12 * m->_21) * r;
    inv._41 = -(m->_41 * inv._11 + m->_42 * inv._21 + m->_43 * inv._31);
    inv._42 = -(m->_41 * inv._12 + m->_42 * inv._22 + m->_43 * inv._32);
    inv._43 = -(m->_41 * inv._13 + m->_42 * inv._23 + m->_43 * inv._33);
    inv._14 = inv._24 = inv._34 = 0.0f;
    inv._44 = 1.0f;
    *out = inv;
    return 0;
}

std::ostream& operator<<(std::ostream& os, const QIRN_Vector4& v)
{
    return os << v.x << ' ' << v.y << ' ' << v.z << ' ' << v.w;
}

std::istream& operator>>(std::istream& is, QIRN_Vector4& v)
{
    return is >> v.x >> v.y >> v.z >> v.w;
}

std::ostream& operator<<(std::ostream& os, const QIRN_Matrix4& m)
{
    for (int i = 0; i < 16; ++i)
    {
        if (i > 0)
        {
            os << ' ';
        }
        os << m.Data()[i];
    }
    return os;
}

std::istream& operator>>(std::istream& is, QIRN_Matrix4& m)
{
    for (int i = 0; i < 16; ++i)
    {
        is >> m.Data()[i];
    }
    return is;
}
