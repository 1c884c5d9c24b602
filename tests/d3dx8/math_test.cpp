#include "d3dx8.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
const float EPS = 1e-4f;

void ExpectMatrixNear(const D3DXMATRIX& a, const D3DXMATRIX& b, float fTolerance, const char* szWhat)
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_NEAR(a(r, c), b(r, c), fTolerance) << szWhat << " at " << r << "," << c;
}

D3DXMATRIX Identity()
{
    D3DXMATRIX m;
    D3DXMatrixIdentity(&m);
    return m;
}

// A view matrix: rotation about y by 30 degrees, then a translation.
D3DXMATRIX View()
{
    const float c = cosf(D3DXToRadian(30.0f));
    const float s = sinf(D3DXToRadian(30.0f));
    return D3DXMATRIX(c, 0, -s, 0, 0, 1, 0, 0, s, 0, c, 0, 3, -2, 10, 1);
}
} // namespace

TEST(D3DX8Math, PerspectiveProjections)
{
    const float fFov = 0.7f;
    const float fAspect = 1.333f;
    D3DXMATRIX lh;
    ASSERT_EQ(D3DXMatrixPerspectiveFovLH(&lh, fFov, fAspect, 5.0f, 500.0f), &lh);
    const float fY = 1.0f / tanf(fFov / 2.0f);
    const D3DXMATRIX expectedLH(fY / fAspect, 0, 0, 0, 0, fY, 0, 0, 0, 0, 500.0f / 495.0f, 1, 0, 0,
                                -5.0f * 500.0f / 495.0f, 0);
    ExpectMatrixNear(lh, expectedLH, EPS, "LH");

    D3DXMATRIX rh;
    D3DXMatrixPerspectiveFovRH(&rh, fFov, fAspect, 5.0f, 500.0f);
    const D3DXMATRIX expectedRH(fY / fAspect, 0, 0, 0, 0, fY, 0, 0, 0, 0, -500.0f / 495.0f, -1, 0, 0,
                                -5.0f * 500.0f / 495.0f, 0);
    ExpectMatrixNear(rh, expectedRH, EPS, "RH");

    // Depth runs from 0 at the near plane to 1 at the far plane, in front of each kind of camera.
    const struct
    {
        const D3DXMATRIX* pM;
        float z;
        float fDepth;
    } aCases[] = {{&lh, 5, 0}, {&lh, 500, 1}, {&rh, -5, 0}, {&rh, -500, 1}};
    for (const auto& c : aCases)
    {
        const D3DXVECTOR3 p(1.0f, -2.0f, c.z);
        D3DXVECTOR3 out;
        ASSERT_EQ(D3DXVec3TransformCoord(&out, &p, c.pM), &out);
        EXPECT_NEAR(out.z, c.fDepth, EPS) << c.z;
    }
}

TEST(D3DX8Math, MultiplyTransposeAndInverse)
{
    const D3DXMATRIX a(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
    const D3DXMATRIX b(2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 4, 0, 1, 1, 1, 1);
    D3DXMATRIX product;
    D3DXMatrixMultiply(&product, &a, &b);
    const D3DXMATRIX expected(6, 10, 16, 4, 18, 26, 36, 8, 30, 42, 56, 12, 42, 58, 76, 16);
    ExpectMatrixNear(product, expected, 0.0f, "product");
    ExpectMatrixNear(a * b, expected, 0.0f, "operator*");
    // The output may be one of the inputs.
    D3DXMATRIX alias = a;
    D3DXMatrixMultiply(&alias, &alias, &b);
    ExpectMatrixNear(alias, expected, 0.0f, "aliased product");

    D3DXMATRIX t;
    D3DXMatrixTranspose(&t, &a);
    EXPECT_EQ(t(0, 3), 13.0f);
    EXPECT_EQ(t(3, 0), 4.0f);

    D3DXMATRIX proj;
    D3DXMatrixPerspectiveFovLH(&proj, 0.9f, 1.5f, 1.0f, 1000.0f);
    const D3DXMATRIX m = View() * proj;
    D3DXMATRIX inverse;
    float fDeterminant = 0.0f;
    ASSERT_EQ(D3DXMatrixInverse(&inverse, &fDeterminant, &m), &inverse);
    EXPECT_NEAR(fDeterminant, D3DXMatrixDeterminant(&m), 1e-6f);
    ExpectMatrixNear(m * inverse, Identity(), 1e-4f, "m x inverse");
    ExpectMatrixNear(inverse * m, Identity(), 1e-4f, "inverse x m");

    // A singular matrix answers NULL and leaves the output alone.
    D3DXMATRIX untouched = b;
    EXPECT_EQ(D3DXMatrixInverse(&untouched, &fDeterminant, &a), nullptr);
    EXPECT_EQ(fDeterminant, 0.0f);
    ExpectMatrixNear(untouched, b, 0.0f, "untouched");
    EXPECT_EQ(D3DXMatrixInverse(&untouched, nullptr, &a), nullptr);
}

TEST(D3DX8Math, TransformsAndPlanes)
{
    const D3DXMATRIX m(2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0.5f, 1, 2, 3, 1);
    const D3DXVECTOR3 p(1, 1, 2);
    D3DXVECTOR3 coord;
    D3DXVec3TransformCoord(&coord, &p, &m);
    // w = 2 x 0.5 + 1 = 2.
    EXPECT_NEAR(coord.x, 1.5f, EPS);
    EXPECT_NEAR(coord.y, 2.0f, EPS);
    EXPECT_NEAR(coord.z, 3.5f, EPS);
    D3DXVECTOR3 normal;
    D3DXVec3TransformNormal(&normal, &p, &m);
    EXPECT_EQ(normal, D3DXVECTOR3(2, 2, 4));
    D3DXVECTOR4 v4;
    D3DXVec3Transform(&v4, &p, &m);
    EXPECT_EQ(v4, D3DXVECTOR4(3, 4, 7, 2));

    D3DXPLANE plane;
    const D3DXVECTOR3 a(0, 0, 5);
    const D3DXVECTOR3 b(1, 0, 5);
    const D3DXVECTOR3 c(0, 3, 5);
    ASSERT_EQ(D3DXPlaneFromPoints(&plane, &a, &b, &c), &plane);
    EXPECT_EQ(plane, D3DXPLANE(0, 0, 1, -5));
    const D3DXVECTOR3 above(7, -3, 9);
    EXPECT_NEAR(D3DXPlaneDotCoord(&plane, &above), 4.0f, EPS);
    // Three points on a line give no plane rather than NaNs.
    const D3DXVECTOR3 d(2, 0, 5);
    D3DXPlaneFromPoints(&plane, &a, &b, &d);
    EXPECT_EQ(plane, D3DXPLANE(0, 0, 0, 0));

    D3DXPLANE scaled(0, 3, 4, 10);
    D3DXPlaneNormalize(&scaled, &scaled);
    EXPECT_NEAR(scaled.b, 0.6f, EPS);
    EXPECT_NEAR(scaled.d, 2.0f, EPS);
    D3DXVECTOR3 zero(0, 0, 0);
    D3DXVec3Normalize(&zero, &zero);
    EXPECT_EQ(zero, D3DXVECTOR3(0, 0, 0));
}

// The camera's frustum: clip-space corners through the inverse of view x projection, planes from
// three corners each; every plane then faces a point inside the frustum.
TEST(D3DX8Math, FrustumFromInverseProjection)
{
    D3DXMATRIX proj;
    D3DXMatrixPerspectiveFovLH(&proj, 45.0f * 0.017453292f, 4.0f / 3.0f, 1.0f, 100.0f);
    const D3DXMATRIX m = View() * proj;
    D3DXMATRIX inverse;
    ASSERT_NE(D3DXMatrixInverse(&inverse, nullptr, &m), nullptr);
    D3DXVECTOR3 p[8] = {{-1, -1, 0}, {1, -1, 0}, {-1, 1, 0}, {1, 1, 0},
                        {-1, -1, 1}, {1, -1, 1}, {-1, 1, 1}, {1, 1, 1}};
    for (D3DXVECTOR3& corner : p)
        D3DXVec3TransformCoord(&corner, &corner, &inverse);
    const int aaiPlanes[6][3] = {{0, 1, 2}, {6, 7, 5}, {2, 6, 4}, {7, 3, 5}, {2, 3, 6}, {1, 0, 4}};
    // A point 20 units in front of the camera, in world space.
    D3DXMATRIX viewInverse;
    const D3DXMATRIX view = View();
    D3DXMatrixInverse(&viewInverse, nullptr, &view);
    const D3DXVECTOR3 inFront(0, 0, 20);
    D3DXVECTOR3 inside;
    D3DXVec3TransformCoord(&inside, &inFront, &viewInverse);
    for (const auto& corners : aaiPlanes)
    {
        D3DXPLANE plane;
        D3DXPlaneFromPoints(&plane, &p[corners[0]], &p[corners[1]], &p[corners[2]]);
        EXPECT_GT(D3DXPlaneDotCoord(&plane, &inside), 0.0f) << corners[0] << corners[1] << corners[2];
        const D3DXVECTOR3 n(plane.a, plane.b, plane.c);
        EXPECT_NEAR(D3DXVec3Length(&n), 1.0f, EPS);
    }
}

TEST(D3DX8Math, VectorAndMatrixOperators)
{
    D3DXVECTOR3 v(1, 2, 3);
    v += D3DXVECTOR3(1, 1, 1);
    v *= 2.0f;
    EXPECT_EQ(v, D3DXVECTOR3(4, 6, 8));
    EXPECT_EQ(-v / 2.0f, D3DXVECTOR3(-2, -3, -4));
    EXPECT_EQ(0.5f * v - D3DXVECTOR3(1, 1, 1), D3DXVECTOR3(1, 2, 3));
    D3DXVECTOR3 cross;
    const D3DXVECTOR3 x(1, 0, 0);
    const D3DXVECTOR3 y(0, 1, 0);
    D3DXVec3Cross(&cross, &x, &y);
    EXPECT_EQ(cross, D3DXVECTOR3(0, 0, 1));
    EXPECT_EQ(D3DXVec3Dot(&v, &x), 4.0f);

    D3DXMATRIX m = Identity();
    EXPECT_TRUE(D3DXMatrixIsIdentity(&m));
    m(3, 0) = 5.0f;
    EXPECT_FALSE(D3DXMatrixIsIdentity(&m));
    EXPECT_EQ(m._41, 5.0f);
    EXPECT_EQ((m * 2.0f)._41, 10.0f);
    EXPECT_EQ((m + m)(0, 0), 2.0f);
    EXPECT_TRUE(m - m == D3DXMATRIX());
    const float* pf = m;
    EXPECT_EQ(pf[12], 5.0f);
}
