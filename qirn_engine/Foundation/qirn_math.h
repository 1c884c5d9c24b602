#pragma once
// Vectors and 4x4 matrices laid out like Direct3D's: row vectors multiplied on the left
// (p' = p x M), translation in the fourth row, products applied left to right. Angles are degrees.

#include <iosfwd>

// Degrees to radians, as a float constant shared by every rotation.
const float QIRN_DEG_TO_RAD = 0.017453292f;

struct QIRN_Vector4
{
    float x, y, z, w;

    QIRN_Vector4() : x(0.0f), y(0.0f), z(0.0f), w(1.0f) {}
    QIRN_Vector4(float fx, float fy, float fz, float fw) : x(fx), y(fy), z(fz), w(fw) {}

    QIRN_Vector4& operator=(const QIRN_Vector4& v);
    QIRN_Vector4(const QIRN_Vector4& v) = default;

    // 3-D: the result's w is 1.
    QIRN_Vector4 operator+(const QIRN_Vector4& v) const;
    QIRN_Vector4 operator-(const QIRN_Vector4& v) const;
    QIRN_Vector4& operator+=(const QIRN_Vector4& v);
    QIRN_Vector4& operator*=(float s);

    // Compare x, y and z only. operator!= is true only when every one of the three differs,
    // which stored data and callers rely on; it is not the negation of operator==.
    bool operator==(const QIRN_Vector4& v) const;
    bool operator!=(const QIRN_Vector4& v) const;
    bool operator!=(float s) const;

    // Over all four components.
    QIRN_Vector4& Add4(const QIRN_Vector4& v);
    QIRN_Vector4 Sub4(const QIRN_Vector4& v) const;
    QIRN_Vector4 Mul4(float s) const;
};

QIRN_Vector4 Vector4_Make(float x, float y, float z, float w);

struct QIRN_Matrix4
{
    float _11, _12, _13, _14;
    float _21, _22, _23, _24;
    float _31, _32, _33, _34;
    float _41, _42, _43, _44;

    QIRN_Matrix4() = default;
    QIRN_Matrix4(const QIRN_Matrix4& m) = default;
    QIRN_Matrix4& operator=(const QIRN_Matrix4& m);

    float* Data() { return &_11; }
    const float* Data() const { return &_11; }
};

void Vector_Add(const QIRN_Vector4* a, const QIRN_Vector4* b, QIRN_Vector4* out);
void Vector_Subtract(const QIRN_Vector4* a, const QIRN_Vector4* b, QIRN_Vector4* out);
void Vector_Scale(const QIRN_Vector4* src, QIRN_Vector4* dst, float s);
void Vector_Negate(const QIRN_Vector4* src, QIRN_Vector4* dst);
void Vector_Cross(const QIRN_Vector4* a, const QIRN_Vector4* b, QIRN_Vector4* out);
float Vector_Dot(const QIRN_Vector4* a, const QIRN_Vector4* b);
float Vector_Length(const QIRN_Vector4* v);
QIRN_Vector4* Vector_Normalize(const QIRN_Vector4* src, QIRN_Vector4* dst);
void Vector_TransformNormal(const QIRN_Matrix4* m, const QIRN_Vector4* v, QIRN_Vector4* out);
void Vector_TransformCoord(const QIRN_Matrix4* m, const QIRN_Vector4* v, QIRN_Vector4* out);
void Vector_RotateAxisNormalized(const QIRN_Vector4* v, const QIRN_Vector4* axis, float degrees, QIRN_Vector4* out);
void Vector_RotateAxis(const QIRN_Vector4* v, const QIRN_Vector4* axis, float degrees, QIRN_Vector4* out);

QIRN_Matrix4* Matrix_Identity(QIRN_Matrix4* m);
QIRN_Matrix4* Matrix_Translation(float x, float y, float z, QIRN_Matrix4* out);
QIRN_Matrix4* Matrix_Scaling(float s, QIRN_Matrix4* out);
QIRN_Matrix4* Matrix_SetScale(QIRN_Matrix4* m, float sx, float sy, float sz);
QIRN_Matrix4* Matrix_RotationX(float degrees, QIRN_Matrix4* out);
QIRN_Matrix4* Matrix_RotationY(float degrees, QIRN_Matrix4* out);
QIRN_Matrix4* Matrix_RotationZ(float degrees, QIRN_Matrix4* out);
// Turns the opposite way from Matrix_RotationX/Y/Z for the same angle; the axis is not normalised.
QIRN_Matrix4* Matrix_RotationAxis(const QIRN_Vector4* axis, float degrees, QIRN_Matrix4* out);
QIRN_Matrix4* Matrix_Multiply(const QIRN_Matrix4* a, const QIRN_Matrix4* b, QIRN_Matrix4* out);
QIRN_Matrix4* Matrix_Transpose(const QIRN_Matrix4* src, QIRN_Matrix4* dst);
// Affine inverse: 0, or 1 (logged, out untouched) when the last column is not (0, 0, 0, 1).
int Matrix_Invert(const QIRN_Matrix4* m, QIRN_Matrix4* out);

std::ostream& operator<<(std::ostream& os, const QIRN_Vector4& v);
std::istream& operator>>(std::istream& is, QIRN_Vector4& v);
std::ostream& operator<<(std::ostream& os, const QIRN_Matrix4& m);
std::istream& operator>>(std::istream& is, QIRN_Matrix4& m);
