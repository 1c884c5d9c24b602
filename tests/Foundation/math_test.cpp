#include "qirn_constants.h"
#include "qirn_math.h"
#include "qirn_quaternion.h"
#include "qirn_test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <sstream>

namespace
{
const float EPS = 1e-5f;

void ExpectVector(const QIRN_Vector4& v, float x, float y, float z, const char* szWhat)
{
    EXPECT_NEAR(v.x, x, EPS) << szWhat;
    EXPECT_NEAR(v.y, y, EPS) << szWhat;
    EXPECT_NEAR(v.z, z, EPS) << szWhat;
}

QIRN_Vector4 Transform(const QIRN_Matrix4& m, const QIRN_Vector4& v)
{
    QIRN_Vector4 out = v;
    Vector_TransformCoord(&m, &v, &out);
    return out;
}
} // namespace

TEST(Math, Constants)
{
    QIRN_Vector4 p(1, 2, 3, 1);
    ExpectVector(Transform(QIRN_MIRROR_X_MATRIX, p), -1, 2, 3, "mirror");
    ExpectVector(Transform(QIRN_IDENTITY_MATRIX, p), 1, 2, 3, "identity");
    ExpectVector(Transform(QIRN_XFILE_MATRIX, p), 1, 2, 3, ".x");
    EXPECT_STREQ(QIRN_DATABUNNYMANAGER_KEYWORD, "DataBunnyManager");
    EXPECT_EQ(QIRNERR_QUITEARLY, 48);
    EXPECT_EQ(UNKNOWN_KEYWORD, 43);
    EXPECT_EQ(QIRN_GRAPHICS_INVALIDDISPLAYMODE, 47);
}

TEST(Math, VectorOperations)
{
    QIRN_Vector4 out;
    QIRN_Vector4 zero(0, 0, 0, 5);
    Vector_Normalize(&zero, &out);
    EXPECT_EQ(out, QIRN_Vector4(1, 0, 0, 1));
    QIRN_Vector4 v(3, 0, 4, 7);
    Vector_Normalize(&v, &out);
    ExpectVector(out, 0.6f, 0, 0.8f, "normalize");
    EXPECT_EQ(out.w, 1.0f);

    QIRN_Vector4 a(1, 0, 0, 9), b(0, 1, 0, 9);
    Vector_Cross(&a, &b, &out);
    ExpectVector(out, 0, 0, 1, "cross");
    EXPECT_EQ(out.w, 1.0f);
    EXPECT_FLOAT_EQ(Vector_Dot(&v, &v), 25.0f);

    // The coordinate transform leaves w alone, the normal transform sets it to 1.
    QIRN_Matrix4 m;
    Matrix_Translation(1, 2, 3, &m);
    QIRN_Vector4 p(0, 0, 0, 9);
    Vector_TransformCoord(&m, &p, &p);
    ExpectVector(p, 1, 2, 3, "coord");
    EXPECT_EQ(p.w, 9.0f);
    QIRN_Vector4 n(1, 0, 0, 9);
    Vector_TransformNormal(&m, &n, &n);
    ExpectVector(n, 1, 0, 0, "normal");
    EXPECT_EQ(n.w, 1.0f);
}

TEST(Math, InequalityIsTrueOnlyWhenEveryComponentDiffers)
{
    QIRN_Vector4 v(1, 2, 3, 0);
    EXPECT_FALSE(v != QIRN_Vector4(1, 5, 6, 0));
    EXPECT_TRUE(v != QIRN_Vector4(4, 5, 6, 0));
    EXPECT_FALSE(QIRN_Vector4(5, 0, 0, 1) != 0.0f);
    EXPECT_TRUE(v == QIRN_Vector4(1, 2, 3, 99));
    QIRN_Vector4 nan(std::nanf(""), 5, 6, 1);
    EXPECT_FALSE(nan == nan);
    EXPECT_FALSE(nan != QIRN_Vector4(1, 1, 1, 1));
    // A NaN on the other side is no difference either.
    EXPECT_FALSE(QIRN_Vector4(1, 1, 1, 1) != nan);
    EXPECT_FALSE(QIRN_Vector4(1, 1, 1, 1) != std::nanf(""));
    EXPECT_TRUE(QIRN_Vector4(1, 1, 1, 1) != 2.0f);
    QIRN_Vector4 w = QIRN_Vector4(1, 1, 1, 1).Add4(QIRN_Vector4(1, 1, 1, 1));
    EXPECT_EQ(w.w, 2.0f);
    EXPECT_EQ((QIRN_Vector4(1, 1, 1, 5) + QIRN_Vector4(1, 1, 1, 5)).w, 1.0f);
}

TEST(Math, RotationSenses)
{
    struct Case
    {
        const char* szName;
        QIRN_Matrix4 m;
        QIRN_Vector4 in;
        QIRN_Vector4 expected;
    };
    QIRN_Matrix4 rx, ry, rz, axisX, axisZ;
    QIRN_Vector4 xAxis(1, 0, 0, 1), zAxis(0, 0, 1, 1);
    Matrix_RotationX(90, &rx);
    Matrix_RotationY(90, &ry);
    Matrix_RotationZ(90, &rz);
    Matrix_RotationAxis(&xAxis, 90, &axisX);
    Matrix_RotationAxis(&zAxis, 90, &axisZ);
    const Case cases[] = {
        {"RotationX maps +y to +z", rx, QIRN_Vector4(0, 1, 0, 1), QIRN_Vector4(0, 0, 1, 1)},
        {"RotationY maps +z to +x", ry, QIRN_Vector4(0, 0, 1, 1), QIRN_Vector4(1, 0, 0, 1)},
        {"RotationZ maps +x to +y", rz, QIRN_Vector4(1, 0, 0, 1), QIRN_Vector4(0, 1, 0, 1)},
        {"RotationAxis X turns the other way", axisX, QIRN_Vector4(0, 1, 0, 1), QIRN_Vector4(0, 0, -1, 1)},
        {"RotationAxis Z turns the other way", axisZ, QIRN_Vector4(1, 0, 0, 1), QIRN_Vector4(0, -1, 0, 1)},
    };
    for (const Case& c : cases)
    {
        ExpectVector(Transform(c.m, c.in), c.expected.x, c.expected.y, c.expected.z, c.szName);
    }
    QIRN_Vector4 out;
    QIRN_Vector4 v(0, 1, 0, 1), longAxis(5, 0, 0, 1);
    Vector_RotateAxis(&v, &longAxis, 90, &out);
    ExpectVector(out, 0, 0, -1, "RotateAxis normalises");
}

TEST(Math, MultiplyTransposeAndInvert)
{
    QIRN_Matrix4 a, b, ab, t;
    Matrix_RotationY(30, &a);
    Matrix_Translation(1, 2, 3, &t);
    Matrix_Multiply(&a, &t, &a);
    Matrix_RotationX(20, &b);
    Matrix_Multiply(&a, &b, &ab);
    QIRN_Matrix4 inPlace = a;
    Matrix_Multiply(&inPlace, &b, &inPlace);
    for (int i = 0; i < 16; ++i)
    {
        EXPECT_FLOAT_EQ(inPlace.Data()[i], ab.Data()[i]);
    }

    // Products apply left to right: rotate first, then translate.
    QIRN_Vector4 p = Transform(a, QIRN_Vector4(0, 0, 1, 1));
    ExpectVector(p, 1 + 0.5f, 2, 3 + std::cos(30 * QIRN_DEG_TO_RAD), "order");

    QIRN_Matrix4 inv, product;
    ASSERT_EQ(Matrix_Invert(&ab, &inv), 0);
    Matrix_Multiply(&ab, &inv, &product);
    for (int i = 0; i < 16; ++i)
    {
        EXPECT_NEAR(product.Data()[i], QIRN_IDENTITY_MATRIX.Data()[i], 1e-5f);
    }

    QIRN_Matrix4 tr;
    Matrix_Transpose(&ab, &tr);
    EXPECT_EQ(tr._12, ab._21);
    Matrix_Transpose(&tr, &tr);
    EXPECT_EQ(tr._12, ab._12);

    QIRN_Matrix4 scaled = t;
    Matrix_SetScale(&scaled, 2, 3, 4);
    EXPECT_EQ(scaled._42, 2.0f);
    EXPECT_EQ(scaled._33, 4.0f);
}

TEST(Math, InvertRefusesNonAffineMatrices)
{
    struct Case
    {
        float* (*element)(QIRN_Matrix4&);
        float fValue;
        int iResult;
        const char* szMessage;
    };
    const Case cases[] = {
        {[](QIRN_Matrix4& m) { return &m._44; }, 1.0005f, 0, ""},
        {[](QIRN_Matrix4& m) { return &m._44; }, 1.002f, 1,
         "*** Matrix_Invert() - fabs(m->_44 - 1.0f) > .001f\n"},
        {[](QIRN_Matrix4& m) { return &m._14; }, 0.5f, 1, "*** Matrix_Invert() - fabs(m->_14) > .001f\n"},
        {[](QIRN_Matrix4& m) { return &m._24; }, 0.5f, 1, "*** Matrix_Invert() - fabs(m->_24 > .001f\n"},
        {[](QIRN_Matrix4& m) { return &m._34; }, 0.5f, 1, "*** Matrix_Invert() - fabs(m->m_34) > .001f\n"},
    };
    for (const Case& c : cases)
    {
        qirn_test::LogCapture log;
        QIRN_Matrix4 m = QIRN_IDENTITY_MATRIX;
        *c.element(m) = c.fValue;
        QIRN_Matrix4 out;
        Matrix_Scaling(7, &out);
        EXPECT_EQ(Matrix_Invert(&m, &out), c.iResult) << c.szMessage;
        EXPECT_EQ(log.All(), c.szMessage);
        if (c.iResult)
        {
            EXPECT_EQ(out._11, 7.0f) << "out untouched";
        }
    }
}

TEST(Math, StreamFormsRoundTrip)
{
    std::stringstream ss;
    QIRN_Vector4 v(1, 2.5f, -3, 0.125f);
    ss << v;
    EXPECT_EQ(ss.str(), "1 2.5 -3 0.125");
    QIRN_Vector4 back;
    ss >> back;
    EXPECT_EQ(back.w, 0.125f);
    EXPECT_EQ(back.y, 2.5f);

    std::stringstream sm;
    sm << QIRN_IDENTITY_MATRIX;
    EXPECT_EQ(sm.str(), "1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1");
}

TEST(Quaternion, ToMatrixMultiplyAndSlerp)
{
    QIRN_Quaternion identity = {0, 0, 0, 1};
    QIRN_Matrix4 m;
    Matrix_FromQuaternion(&m, &identity);
    for (int i = 0; i < 16; ++i)
    {
        EXPECT_FLOAT_EQ(m.Data()[i], QIRN_IDENTITY_MATRIX.Data()[i]);
    }
    float s45 = std::sin(45 * QIRN_DEG_TO_RAD), c45 = std::cos(45 * QIRN_DEG_TO_RAD);
    QIRN_Quaternion z90 = {0, 0, s45, c45};
    Matrix_FromQuaternion(&m, &z90);
    ExpectVector(Transform(m, QIRN_Vector4(1, 0, 0, 1)), 0, 1, 0, "quaternion z90");
    QIRN_Matrix4 mt;
    Matrix_FromQuaternionTransposed(&mt, &z90);
    EXPECT_FLOAT_EQ(mt._12, m._21);

    QIRN_Quaternion out;
    Quaternion_Multiply(&identity, &z90, &out);
    EXPECT_FLOAT_EQ(out.z, z90.z);
    Quaternion_Multiply(&z90, &identity, &out);
    EXPECT_FLOAT_EQ(out.w, z90.w);

    QIRN_Quaternion a = z90, b = z90;
    Quaternion_Slerp(&a, &b, &out, 0.3f);
    EXPECT_FLOAT_EQ(out.z, a.z);
    QIRN_Quaternion negated = {-a.x, -a.y, -a.z, -a.w};
    Quaternion_Slerp(&a, &negated, &out, 0.7f);
    EXPECT_FLOAT_EQ(negated.w, a.w) << "b negated in place";
    EXPECT_FLOAT_EQ(out.z, a.z);

    QIRN_Quaternion half;
    QIRN_Quaternion from = identity, to = z90;
    Quaternion_Slerp(&from, &to, &half, 0.5f);
    Matrix_FromQuaternion(&m, &half);
    ExpectVector(Transform(m, QIRN_Vector4(1, 0, 0, 1)), c45, s45, 0, "slerp halfway is 45 degrees");
    Quaternion_Slerp(&from, &to, &out, 0.0f);
    EXPECT_FLOAT_EQ(out.w, 1.0f);
    Quaternion_Slerp(&from, &to, &out, 1.0f);
    EXPECT_NEAR(out.z, s45, EPS);
}

TEST(Quaternion, DecomposeRecoversScaleRotationTranslation)
{
    QIRN_Matrix4 s, r, t, m;
    Matrix_Scaling(2, &s);
    Matrix_RotationY(30, &r);
    Matrix_Translation(1, 2, 3, &t);
    Matrix_Multiply(&s, &r, &m);
    Matrix_Multiply(&m, &t, &m);
    QIRN_Vector4 scale, translation;
    float ax = 1, ay = 1, az = 1;
    Matrix_Decompose(&m, &scale, &ax, &ay, &az, &translation);
    ExpectVector(scale, 2, 2, 2, "scale");
    ExpectVector(translation, 1, 2, 3, "translation");
    EXPECT_NEAR(ay, 30 * QIRN_DEG_TO_RAD, 1e-5f);
    EXPECT_NEAR(ax, 0, 1e-5f);
    EXPECT_NEAR(az, 0, 1e-5f);

    // The quaternion form rebuilds the same rotation.
    QIRN_Quaternion q;
    Matrix_DecomposeQuaternion(&m, &scale, &q, &translation);
    QIRN_Matrix4 rq;
    Matrix_FromQuaternion(&rq, &q);
    for (int i = 0; i < 16; ++i)
    {
        EXPECT_NEAR(rq.Data()[i], r.Data()[i], 1e-5f);
    }

    QIRN_Matrix4 mirror = QIRN_MIRROR_X_MATRIX;
    Matrix_Decompose(&mirror, &scale, &ax, &ay, &az, &translation);
    EXPECT_LT(scale.x, 0.0f);
}

TEST(Bounds, BoxAndSphere)
{
    QIRN_BoundingBox box;
    box.m_vMin = QIRN_Vector4(-1, -1, -1, 1);
    box.m_vMax = QIRN_Vector4(1, 1, 1, 1);
    QIRN_BoundingSphere sphere;
    sphere.FromBox(box);
    EXPECT_NEAR(sphere.m_fRadius, std::sqrt(3.0f), EPS);
    ExpectVector(sphere.m_vCenter, 0, 0, 0, "centre");

    QIRN_BoundingBox other;
    other.m_vMin = QIRN_Vector4(0, -3, 0, 1);
    other.m_vMax = QIRN_Vector4(4, 0, 0, 1);
    box.Union(other);
    ExpectVector(box.m_vMin, -1, -3, -1, "union min");
    ExpectVector(box.m_vMax, 4, 1, 1, "union max");
    box.SetCenter(QIRN_Vector4(10, 10, 10, 1));
    ExpectVector(box.GetCenter(), 10, 10, 10, "set centre");

    QIRN_BoundingBox turned;
    turned.m_vMin = QIRN_Vector4(-1, -2, -3, 1);
    turned.m_vMax = QIRN_Vector4(1, 2, 3, 1);
    QIRN_Matrix4 ry;
    Matrix_RotationY(180, &ry);
    turned.Transform(ry);
    EXPECT_GT(turned.m_vMin.x, turned.m_vMax.x);
}

TEST(Random, RangesHold)
{
    srand(1234);
    for (int i = 0; i < 2000; ++i)
    {
        float f = RandomFloat();
        EXPECT_GE(f, -1.0f);
        EXPECT_LE(f, 1.0f);
        EXPECT_EQ(RandomSpread(5, 0), 5.0f);
    }
    QIRN_Vector4 out, center(1, 2, 3, 4), spread(0, 0, 0, 0);
    Vector_RandomSpread(&out, &center, &spread);
    EXPECT_EQ(out.w, 4.0f);
}
