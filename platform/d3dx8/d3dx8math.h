#pragma once
// Vector, matrix and plane types of the D3DX8 subset and the helpers the engine calls. Matrices
// are Direct3D's: row vectors multiplied on the left, translation in the fourth row.

#include <d3d8.h>

#include <math.h>

#define D3DX_PI ((FLOAT)3.141592654f)
#define D3DX_1BYPI ((FLOAT)0.318309886f)
#define D3DXToRadian(degree) ((degree) * (D3DX_PI / 180.0f))
#define D3DXToDegree(radian) ((radian) * (180.0f / D3DX_PI))

struct D3DXVECTOR2
{
    FLOAT x, y;

    D3DXVECTOR2() : x(0.0f), y(0.0f) {}
    D3DXVECTOR2(const FLOAT* pf) : x(pf[0]), y(pf[1]) {}
    D3DXVECTOR2(FLOAT fx, FLOAT fy) : x(fx), y(fy) {}

    operator FLOAT*() { return &x; }
    operator const FLOAT*() const { return &x; }

    D3DXVECTOR2& operator+=(const D3DXVECTOR2& v)
    {
        x += v.x;
        y += v.y;
        return *this;
    }
    D3DXVECTOR2& operator-=(const D3DXVECTOR2& v)
    {
        x -= v.x;
        y -= v.y;
        return *this;
    }
    D3DXVECTOR2& operator*=(FLOAT f)
    {
        x *= f;
        y *= f;
        return *this;
    }
    D3DXVECTOR2& operator/=(FLOAT f) { return *this *= 1.0f / f; }

    D3DXVECTOR2 operator+() const { return *this; }
    D3DXVECTOR2 operator-() const { return D3DXVECTOR2(-x, -y); }
    D3DXVECTOR2 operator+(const D3DXVECTOR2& v) const { return D3DXVECTOR2(x + v.x, y + v.y); }
    D3DXVECTOR2 operator-(const D3DXVECTOR2& v) const { return D3DXVECTOR2(x - v.x, y - v.y); }
    D3DXVECTOR2 operator*(FLOAT f) const { return D3DXVECTOR2(x * f, y * f); }
    D3DXVECTOR2 operator/(FLOAT f) const { return *this * (1.0f / f); }
    friend D3DXVECTOR2 operator*(FLOAT f, const D3DXVECTOR2& v) { return v * f; }

    bool operator==(const D3DXVECTOR2& v) const { return x == v.x && y == v.y; }
    bool operator!=(const D3DXVECTOR2& v) const { return !(*this == v); }
};

struct D3DXVECTOR3 : public D3DVECTOR
{
    D3DXVECTOR3() { x = y = z = 0.0f; }
    D3DXVECTOR3(const FLOAT* pf) { Set(pf[0], pf[1], pf[2]); }
    D3DXVECTOR3(const D3DVECTOR& v) { Set(v.x, v.y, v.z); }
    D3DXVECTOR3(FLOAT fx, FLOAT fy, FLOAT fz) { Set(fx, fy, fz); }

    operator FLOAT*() { return &x; }
    operator const FLOAT*() const { return &x; }

    D3DXVECTOR3& operator+=(const D3DXVECTOR3& v)
    {
        Set(x + v.x, y + v.y, z + v.z);
        return *this;
    }
    D3DXVECTOR3& operator-=(const D3DXVECTOR3& v)
    {
        Set(x - v.x, y - v.y, z - v.z);
        return *this;
    }
    D3DXVECTOR3& operator*=(FLOAT f)
    {
        Set(x * f, y * f, z * f);
        return *this;
    }
    D3DXVECTOR3& operator/=(FLOAT f) { return *this *= 1.0f / f; }

    D3DXVECTOR3 operator+() const { return *this; }
    D3DXVECTOR3 operator-() const { return D3DXVECTOR3(-x, -y, -z); }
    D3DXVECTOR3 operator+(const D3DXVECTOR3& v) const { return D3DXVECTOR3(x + v.x, y + v.y, z + v.z); }
    D3DXVECTOR3 operator-(const D3DXVECTOR3& v) const { return D3DXVECTOR3(x - v.x, y - v.y, z - v.z); }
    D3DXVECTOR3 operator*(FLOAT f) const { return D3DXVECTOR3(x * f, y * f, z * f); }
    D3DXVECTOR3 operator/(FLOAT f) const { return *this * (1.0f / f); }
    friend D3DXVECTOR3 operator*(FLOAT f, const D3DXVECTOR3& v) { return v * f; }

    bool operator==(const D3DXVECTOR3& v) const { return x == v.x && y == v.y && z == v.z; }
    bool operator!=(const D3DXVECTOR3& v) const { return !(*this == v); }

private:
    void Set(FLOAT fx, FLOAT fy, FLOAT fz)
    {
        x = fx;
        y = fy;
        z = fz;
    }
};

struct D3DXVECTOR4
{
    FLOAT x, y, z, w;

    D3DXVECTOR4() : x(0.0f), y(0.0f), z(0.0f), w(0.0f) {}
    D3DXVECTOR4(const FLOAT* pf) : x(pf[0]), y(pf[1]), z(pf[2]), w(pf[3]) {}
    D3DXVECTOR4(FLOAT fx, FLOAT fy, FLOAT fz, FLOAT fw) : x(fx), y(fy), z(fz), w(fw) {}

    operator FLOAT*() { return &x; }
    operator const FLOAT*() const { return &x; }

    D3DXVECTOR4& operator+=(const D3DXVECTOR4& v)
    {
        x += v.x;
        y += v.y;
        z += v.z;
        w += v.w;
        return *this;
    }
    D3DXVECTOR4& operator-=(const D3DXVECTOR4& v)
    {
        x -= v.x;
        y -= v.y;
        z -= v.z;
        w -= v.w;
        return *this;
    }
    D3DXVECTOR4& operator*=(FLOAT f)
    {
        x *= f;
        y *= f;
        z *= f;
        w *= f;
        return *this;
    }
    D3DXVECTOR4& operator/=(FLOAT f) { return *this *= 1.0f / f; }

    D3DXVECTOR4 operator+() const { return *this; }
    D3DXVECTOR4 operator-() const { return D3DXVECTOR4(-x, -y, -z, -w); }
    D3DXVECTOR4 operator+(const D3DXVECTOR4& v) const
    {
        return D3DXVECTOR4(x + v.x, y + v.y, z + v.z, w + v.w);
    }
    D3DXVECTOR4 operator-(const D3DXVECTOR4& v) const
    {
        return D3DXVECTOR4(x - v.x, y - v.y, z - v.z, w - v.w);
    }
    D3DXVECTOR4 operator*(FLOAT f) const { return D3DXVECTOR4(x * f, y * f, z * f, w * f); }
    D3DXVECTOR4 operator/(FLOAT f) const { return *this * (1.0f / f); }
    friend D3DXVECTOR4 operator*(FLOAT f, const D3DXVECTOR4& v) { return v * f; }

    bool operator==(const D3DXVECTOR4& v) const { return x == v.x && y == v.y && z == v.z && w == v.w; }
    bool operator!=(const D3DXVECTOR4& v) const { return !(*this == v); }
};

struct D3DXMATRIX : public D3DMATRIX
{
    D3DXMATRIX() { Fill(0.0f); }
    D3DXMATRIX(const FLOAT* pf)
    {
        for (int i = 0; i < 16; ++i)
            (&_11)[i] = pf[i];
    }
    D3DXMATRIX(const D3DMATRIX& mat) : D3DMATRIX(mat) {}
    D3DXMATRIX(FLOAT f11, FLOAT f12, FLOAT f13, FLOAT f14, FLOAT f21, FLOAT f22, FLOAT f23, FLOAT f24,
               FLOAT f31, FLOAT f32, FLOAT f33, FLOAT f34, FLOAT f41, FLOAT f42, FLOAT f43, FLOAT f44)
    {
        _11 = f11, _12 = f12, _13 = f13, _14 = f14;
        _21 = f21, _22 = f22, _23 = f23, _24 = f24;
        _31 = f31, _32 = f32, _33 = f33, _34 = f34;
        _41 = f41, _42 = f42, _43 = f43, _44 = f44;
    }

    FLOAT& operator()(UINT row, UINT col) { return m[row][col]; }
    FLOAT operator()(UINT row, UINT col) const { return m[row][col]; }

    operator FLOAT*() { return &_11; }
    operator const FLOAT*() const { return &_11; }

    D3DXMATRIX& operator*=(const D3DXMATRIX& mat);
    D3DXMATRIX& operator+=(const D3DXMATRIX& mat);
    D3DXMATRIX& operator-=(const D3DXMATRIX& mat);
    D3DXMATRIX& operator*=(FLOAT f);
    D3DXMATRIX& operator/=(FLOAT f) { return *this *= 1.0f / f; }

    D3DXMATRIX operator+() const { return *this; }
    D3DXMATRIX operator-() const { return *this * -1.0f; }
    D3DXMATRIX operator*(const D3DXMATRIX& mat) const;
    D3DXMATRIX operator+(const D3DXMATRIX& mat) const { return D3DXMATRIX(*this) += mat; }
    D3DXMATRIX operator-(const D3DXMATRIX& mat) const { return D3DXMATRIX(*this) -= mat; }
    D3DXMATRIX operator*(FLOAT f) const { return D3DXMATRIX(*this) *= f; }
    D3DXMATRIX operator/(FLOAT f) const { return D3DXMATRIX(*this) /= f; }
    friend D3DXMATRIX operator*(FLOAT f, const D3DXMATRIX& mat) { return mat * f; }

    bool operator==(const D3DXMATRIX& mat) const;
    bool operator!=(const D3DXMATRIX& mat) const { return !(*this == mat); }

private:
    void Fill(FLOAT f)
    {
        for (int i = 0; i < 16; ++i)
            (&_11)[i] = f;
    }
};

// A plane a x + b y + c z + d = 0; (a, b, c) is its normal.
struct D3DXPLANE
{
    FLOAT a, b, c, d;

    D3DXPLANE() : a(0.0f), b(0.0f), c(0.0f), d(0.0f) {}
    D3DXPLANE(const FLOAT* pf) : a(pf[0]), b(pf[1]), c(pf[2]), d(pf[3]) {}
    D3DXPLANE(FLOAT fa, FLOAT fb, FLOAT fc, FLOAT fd) : a(fa), b(fb), c(fc), d(fd) {}

    operator FLOAT*() { return &a; }
    operator const FLOAT*() const { return &a; }

    D3DXPLANE operator+() const { return *this; }
    D3DXPLANE operator-() const { return D3DXPLANE(-a, -b, -c, -d); }

    bool operator==(const D3DXPLANE& p) const { return a == p.a && b == p.b && c == p.c && d == p.d; }
    bool operator!=(const D3DXPLANE& p) const { return !(*this == p); }
};

typedef D3DXVECTOR2* LPD3DXVECTOR2;
typedef D3DXVECTOR3* LPD3DXVECTOR3;
typedef D3DXVECTOR4* LPD3DXVECTOR4;
typedef D3DXMATRIX* LPD3DXMATRIX;
typedef D3DXPLANE* LPD3DXPLANE;

// Small helpers, inline as they are called per vertex.
inline FLOAT D3DXVec3Length(const D3DXVECTOR3* pV)
{
    return sqrtf(pV->x * pV->x + pV->y * pV->y + pV->z * pV->z);
}

inline FLOAT D3DXVec3Dot(const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2)
{
    return pV1->x * pV2->x + pV1->y * pV2->y + pV1->z * pV2->z;
}

inline D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2)
{
    D3DXVECTOR3 v(pV1->y * pV2->z - pV1->z * pV2->y, pV1->z * pV2->x - pV1->x * pV2->z,
                  pV1->x * pV2->y - pV1->y * pV2->x);
    *pOut = v;
    return pOut;
}

inline D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* pOut)
{
    *pOut = D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
    return pOut;
}

inline BOOL D3DXMatrixIsIdentity(const D3DXMATRIX* pM)
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            if (pM->m[r][c] != (r == c ? 1.0f : 0.0f))
                return FALSE;
    return TRUE;
}

inline FLOAT D3DXPlaneDot(const D3DXPLANE* pP, const D3DXVECTOR4* pV)
{
    return pP->a * pV->x + pP->b * pV->y + pP->c * pV->z + pP->d * pV->w;
}

// Signed distance of a point from a normalised plane.
inline FLOAT D3DXPlaneDotCoord(const D3DXPLANE* pP, const D3DXVECTOR3* pV)
{
    return pP->a * pV->x + pP->b * pV->y + pP->c * pV->z + pP->d;
}

inline FLOAT D3DXPlaneDotNormal(const D3DXPLANE* pP, const D3DXVECTOR3* pV)
{
    return pP->a * pV->x + pP->b * pV->y + pP->c * pV->z;
}

// C linkage, as the SDK declares these functions.
#ifdef __cplusplus
extern "C"
{
#endif

    // A vector of length 0 stays (0, 0, 0) rather than becoming NaN.
    D3DXVECTOR3* WINAPI D3DXVec3Normalize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV);

    // (x, y, z, 1) x M, divided by the resulting w.
    D3DXVECTOR3* WINAPI D3DXVec3TransformCoord(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV,
                                               const D3DXMATRIX* pM);
    // (x, y, z, 0) x M: directions, without translation.
    D3DXVECTOR3* WINAPI D3DXVec3TransformNormal(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV,
                                                const D3DXMATRIX* pM);
    // (x, y, z, 1) x M, keeping w.
    D3DXVECTOR4* WINAPI D3DXVec3Transform(D3DXVECTOR4* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM);
    D3DXVECTOR4* WINAPI D3DXVec4Transform(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV, const D3DXMATRIX* pM);

    // pOut = pM1 x pM2; pOut may be either input.
    D3DXMATRIX* WINAPI D3DXMatrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2);
    D3DXMATRIX* WINAPI D3DXMatrixTranspose(D3DXMATRIX* pOut, const D3DXMATRIX* pM);
    FLOAT WINAPI D3DXMatrixDeterminant(const D3DXMATRIX* pM);
    // General 4 x 4 inverse. A singular matrix answers NULL and leaves pOut unchanged; the
    // determinant goes to pDeterminant when it is given.
    D3DXMATRIX* WINAPI D3DXMatrixInverse(D3DXMATRIX* pOut, FLOAT* pDeterminant, const D3DXMATRIX* pM);

    // Perspective projections from a vertical field of view (radians) and aspect (width / height).
    // Left-handed: z' in [0, 1] for z in [zn, zf]; right-handed: the same for z in [-zn, -zf].
    D3DXMATRIX* WINAPI D3DXMatrixPerspectiveFovLH(D3DXMATRIX* pOut, FLOAT fovy, FLOAT Aspect, FLOAT zn,
                                                  FLOAT zf);
    D3DXMATRIX* WINAPI D3DXMatrixPerspectiveFovRH(D3DXMATRIX* pOut, FLOAT fovy, FLOAT Aspect, FLOAT zn,
                                                  FLOAT zf);

    // Plane through three points, its normal normalise((p2 - p1) x (p3 - p1)). Three points on one line
    // give the plane (0, 0, 0, 0).
    D3DXPLANE* WINAPI D3DXPlaneFromPoints(D3DXPLANE* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2,
                                          const D3DXVECTOR3* pV3);
    D3DXPLANE* WINAPI D3DXPlaneFromPointNormal(D3DXPLANE* pOut, const D3DXVECTOR3* pPoint,
                                               const D3DXVECTOR3* pNormal);
    // Scales the plane so that its normal has length 1.
    D3DXPLANE* WINAPI D3DXPlaneNormalize(D3DXPLANE* pOut, const D3DXPLANE* pP);
#ifdef __cplusplus
}
#endif
