// Matrix, vector and plane helpers of the D3DX8 subset.

#include "d3dx8math.h"

#include <cmath>

namespace
{
// Cofactor expansion in double, so that matrices of mixed scales (a projection times a view)
// keep their precision through the inverse.
void Cofactors(const D3DXMATRIX& m, double adInverse[16], double* pdDeterminant)
{
    const double a[16] = {m._11, m._12, m._13, m._14, m._21, m._22, m._23, m._24,
                          m._31, m._32, m._33, m._34, m._41, m._42, m._43, m._44};
    double* r = adInverse;
    r[0] = a[5] * a[10] * a[15] - a[5] * a[11] * a[14] - a[9] * a[6] * a[15] + a[9] * a[7] * a[14] +
           a[13] * a[6] * a[11] - a[13] * a[7] * a[10];
    r[4] = -a[4] * a[10] * a[15] + a[4] * a[11] * a[14] + a[8] * a[6] * a[15] - a[8] * a[7] * a[14] -
           a[12] * a[6] * a[11] + a[12] * a[7] * a[10];
    r[8] = a[4] * a[9] * a[15] - a[4] * a[11] * a[13] - a[8] * a[5] * a[15] + a[8] * a[7] * a[13] +
           a[12] * a[5] * a[11] - a[12] * a[7] * a[9];
    r[12] = -a[4] * a[9] * a[14] + a[4] * a[10] * a[13] + a[8] * a[5] * a[14] - a[8] * a[6] * a[13] -
            a[12] * a[5] * a[10] + a[12] * a[6] * a[9];
    r[1] = -a[1] * a[10] * a[15] + a[1] * a[11] * a[14] + a[9] * a[2] * a[15] - a[9] * a[3] * a[14] -
           a[13] * a[2] * a[11] + a[13] * a[3] * a[10];
    r[5] = a[0] * a[10] * a[15] - a[0] * a[11] * a[14] - a[8] * a[2] * a[15] + a[8] * a[3] * a[14] +
           a[12] * a[2] * a[11] - a[12] * a[3] * a[10];
    r[9] = -a[0] * a[9] * a[15] + a[0] * a[11] * a[13] + a[8] * a[1] * a[15] - a[8] * a[3] * a[13] -
           a[12] * a[1] * a[11] + a[12] * a[3] * a[9];
    r[13] = a[0] * a[9] * a[14] - a[0] * a[10] * a[13] - a[8] * a[1] * a[14] + a[8] * a[2] * a[13] +
            a[12] * a[1] * a[10] - a[12] * a[2] * a[9];
    r[2] = a[1] * a[6] * a[15] - a[1] * a[7] * a[14] - a[5] * a[2] * a[15] + a[5] * a[3] * a[14] +
           a[13] * a[2] * a[7] - a[13] * a[3] * a[6];
    r[6] = -a[0] * a[6] * a[15] + a[0] * a[7] * a[14] + a[4] * a[2] * a[15] - a[4] * a[3] * a[14] -
           a[12] * a[2] * a[7] + a[12] * a[3] * a[6];
    r[10] = a[0] * a[5] * a[15] - a[0] * a[7] * a[13] - a[4] * a[1] * a[15] + a[4] * a[3] * a[13] +
            a[12] * a[1] * a[7] - a[12] * a[3] * a[5];
    r[14] = -a[0] * a[5] * a[14] + a[0] * a[6] * a[13] + a[4] * a[1] * a[14] - a[4] * a[2] * a[13] -
            a[12] * a[1] * a[6] + a[12] * a[2] * a[5];
    r[3] = -a[1] * a[6] * a[11] + a[1] * a[7] * a[10] + a[5] * a[2] * a[11] - a[5] * a[3] * a[10] -
           a[9] * a[2] * a[7] + a[9] * a[3] * a[6];
    r[7] = a[0] * a[6] * a[11] - a[0] * a[7] * a[10] - a[4] * a[2] * a[11] + a[4] * a[3] * a[10] +
           a[8] * a[2] * a[7] - a[8] * a[3] * a[6];
    r[11] = -a[0] * a[5] * a[11] + a[0] * a[7] * a[9] + a[4] * a[1] * a[11] - a[4] * a[3] * a[9] -
            a[8] * a[1] * a[7] + a[8] * a[3] * a[5];
    r[15] = a[0] * a[5] * a[10] - a[0] * a[6] * a[9] - a[4] * a[1] * a[10] + a[4] * a[2] * a[9] +
            a[8] * a[1] * a[6] - a[8] * a[2] * a[5];
    *pdDeterminant = a[0] * r[0] + a[1] * r[4] + a[2] * r[8] + a[3] * r[12];
}

D3DXMATRIX Product(const D3DXMATRIX& a, const D3DXMATRIX& b)
{
    D3DXMATRIX out;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            out.m[r][c] =
                a.m[r][0] * b.m[0][c] + a.m[r][1] * b.m[1][c] + a.m[r][2] * b.m[2][c] + a.m[r][3] * b.m[3][c];
    return out;
}

D3DXMATRIX Perspective(FLOAT fovy, FLOAT aspect, FLOAT zn, FLOAT zf, bool bLeftHanded)
{
    const FLOAT yScale = 1.0f / tanf(fovy * 0.5f);
    const FLOAT xScale = yScale / aspect;
    D3DXMATRIX out;
    out._11 = xScale;
    out._22 = yScale;
    if (bLeftHanded)
    {
        out._33 = zf / (zf - zn);
        out._34 = 1.0f;
        out._43 = -zn * zf / (zf - zn);
    }
    else
    {
        out._33 = zf / (zn - zf);
        out._34 = -1.0f;
        out._43 = zn * zf / (zn - zf);
    }
    return out;
}
} // namespace

D3DXMATRIX& D3DXMATRIX::operator*=(const D3DXMATRIX& mat)
{
    *this = Product(*this, mat);
    return *this;
}

D3DXMATRIX& D3DXMATRIX::operator+=(const D3DXMATRIX& mat)
{
    for (int i = 0; i < 16; ++i)
        (&_11)[i] += (&mat._11)[i];
    return *this;
}

D3DXMATRIX& D3DXMATRIX::operator-=(const D3DXMATRIX& mat)
{
    for (int i = 0; i < 16; ++i)
        (&_11)[i] -= (&mat._11)[i];
    return *this;
}

D3DXMATRIX& D3DXMATRIX::operator*=(FLOAT f)
{
    for (int i = 0; i < 16; ++i)
        (&_11)[i] *= f;
    return *this;
}

D3DXMATRIX D3DXMATRIX::operator*(const D3DXMATRIX& mat) const
{
    return Product(*this, mat);
}

bool D3DXMATRIX::operator==(const D3DXMATRIX& mat) const
{
    for (int i = 0; i < 16; ++i)
        if ((&_11)[i] != (&mat._11)[i])
            return false;
    return true;
}

D3DXVECTOR3* WINAPI D3DXVec3Normalize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV)
{
    const FLOAT fLength = D3DXVec3Length(pV);
    if (fLength == 0.0f)
        *pOut = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    else
        *pOut = *pV / fLength;
    return pOut;
}

D3DXVECTOR4* WINAPI D3DXVec4Transform(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV, const D3DXMATRIX* pM)
{
    const D3DXMATRIX& m = *pM;
    const D3DXVECTOR4 v = *pV;
    *pOut = D3DXVECTOR4(v.x * m._11 + v.y * m._21 + v.z * m._31 + v.w * m._41,
                        v.x * m._12 + v.y * m._22 + v.z * m._32 + v.w * m._42,
                        v.x * m._13 + v.y * m._23 + v.z * m._33 + v.w * m._43,
                        v.x * m._14 + v.y * m._24 + v.z * m._34 + v.w * m._44);
    return pOut;
}

D3DXVECTOR4* WINAPI D3DXVec3Transform(D3DXVECTOR4* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM)
{
    const D3DXVECTOR4 v(pV->x, pV->y, pV->z, 1.0f);
    return D3DXVec4Transform(pOut, &v, pM);
}

D3DXVECTOR3* WINAPI D3DXVec3TransformCoord(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM)
{
    D3DXVECTOR4 v;
    D3DXVec3Transform(&v, pV, pM);
    *pOut = D3DXVECTOR3(v.x / v.w, v.y / v.w, v.z / v.w);
    return pOut;
}

D3DXVECTOR3* WINAPI D3DXVec3TransformNormal(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM)
{
    const D3DXMATRIX& m = *pM;
    const D3DXVECTOR3 v = *pV;
    *pOut = D3DXVECTOR3(v.x * m._11 + v.y * m._21 + v.z * m._31, v.x * m._12 + v.y * m._22 + v.z * m._32,
                        v.x * m._13 + v.y * m._23 + v.z * m._33);
    return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2)
{
    *pOut = Product(*pM1, *pM2);
    return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixTranspose(D3DXMATRIX* pOut, const D3DXMATRIX* pM)
{
    const D3DXMATRIX m = *pM;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            pOut->m[r][c] = m.m[c][r];
    return pOut;
}

FLOAT WINAPI D3DXMatrixDeterminant(const D3DXMATRIX* pM)
{
    double adInverse[16];
    double dDeterminant = 0.0;
    Cofactors(*pM, adInverse, &dDeterminant);
    return static_cast<FLOAT>(dDeterminant);
}

D3DXMATRIX* WINAPI D3DXMatrixInverse(D3DXMATRIX* pOut, FLOAT* pDeterminant, const D3DXMATRIX* pM)
{
    double adInverse[16];
    double dDeterminant = 0.0;
    Cofactors(*pM, adInverse, &dDeterminant);
    if (pDeterminant)
        *pDeterminant = static_cast<FLOAT>(dDeterminant);
    if (dDeterminant == 0.0 || !std::isfinite(dDeterminant))
        return nullptr;
    for (int i = 0; i < 16; ++i)
        (&pOut->_11)[i] = static_cast<FLOAT>(adInverse[i] / dDeterminant);
    return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixPerspectiveFovLH(D3DXMATRIX* pOut, FLOAT fovy, FLOAT Aspect, FLOAT zn, FLOAT zf)
{
    *pOut = Perspective(fovy, Aspect, zn, zf, true);
    return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixPerspectiveFovRH(D3DXMATRIX* pOut, FLOAT fovy, FLOAT Aspect, FLOAT zn, FLOAT zf)
{
    *pOut = Perspective(fovy, Aspect, zn, zf, false);
    return pOut;
}

D3DXPLANE* WINAPI D3DXPlaneFromPointNormal(D3DXPLANE* pOut, const D3DXVECTOR3* pPoint,
                                           const D3DXVECTOR3* pNormal)
{
    *pOut = D3DXPLANE(pNormal->x, pNormal->y, pNormal->z, -D3DXVec3Dot(pNormal, pPoint));
    return pOut;
}

D3DXPLANE* WINAPI D3DXPlaneFromPoints(D3DXPLANE* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2,
                                      const D3DXVECTOR3* pV3)
{
    const D3DXVECTOR3 edge1 = *pV2 - *pV1;
    const D3DXVECTOR3 edge2 = *pV3 - *pV1;
    D3DXVECTOR3 normal;
    D3DXVec3Cross(&normal, &edge1, &edge2);
    D3DXVec3Normalize(&normal, &normal);
    const D3DXVECTOR3 point = *pV1;
    return D3DXPlaneFromPointNormal(pOut, &point, &normal);
}

D3DXPLANE* WINAPI D3DXPlaneNormalize(D3DXPLANE* pOut, const D3DXPLANE* pP)
{
    const FLOAT fLength = sqrtf(pP->a * pP->a + pP->b * pP->b + pP->c * pP->c);
    if (fLength == 0.0f)
        *pOut = D3DXPLANE(0.0f, 0.0f, 0.0f, 0.0f);
    else
        *pOut = D3DXPLANE(pP->a / fLength, pP->b / fLength, pP->c / fLength, pP->d / fLength);
    return pOut;
}
