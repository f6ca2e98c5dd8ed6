// Matrix3d: composition order, rotation directions and the inversion threshold.
#include <gtest/gtest.h>

#include <cmath>

#include "common/vecmat/matrix3d.h"

namespace
{
const float kHalfPi = 1.5707963267948966f;

void ExpectNear(const Vector3d& a, const Vector3d& b)
{
    EXPECT_NEAR(a.x, b.x, 1e-6);
    EXPECT_NEAR(a.y, b.y, 1e-6);
    EXPECT_NEAR(a.z, b.z, 1e-6);
}

Matrix3d Translation(float x, float y, float z)
{
    Matrix3d m;
    m.SetIdentity();
    m.m_vRow[3].Set(x, y, z);
    return m;
}
} // namespace

TEST(Matrix3d, DefaultIsAllZeros)
{
    Matrix3d m;
    for (const Vector3d& v : m.m_vRow)
        EXPECT_TRUE(v.x == 0 && v.y == 0 && v.z == 0);
}

TEST(Matrix3d, RotationsAreRightHanded)
{
    struct Case
    {
        float ax, ay, az;
        Vector3d p, expected;
    } cases[] = {
        {0, 0, kHalfPi, {1, 0, 0}, {0, 1, 0}},
        {kHalfPi, 0, 0, {0, 1, 0}, {0, 0, 1}},
        {0, kHalfPi, 0, {0, 0, 1}, {1, 0, 0}},
        // y first takes x to -z, then x takes -z to y
        {kHalfPi, kHalfPi, 0, {1, 0, 0}, {0, 1, 0}},
    };
    for (const Case& c : cases)
        ExpectNear(c.p * Matrix3d::Rotation(c.ax, c.ay, c.az), c.expected);
}

TEST(Matrix3d, TheLeftOperandAppliesFirst)
{
    Matrix3d a = Translation(1, 0, 0);
    Matrix3d b = Matrix3d::Scaling(2, 2, 2);
    ExpectNear(Vector3d() * (a * b), Vector3d(2, 0, 0));
    ExpectNear(Vector3d() * (b * a), Vector3d(1, 0, 0));
    ExpectNear((a * b) * Vector3d(1, 1, 1), Vector3d(4, 2, 2));
}

TEST(Matrix3d, InvertsScalingAndTranslation)
{
    Matrix3d inv;
    ASSERT_TRUE(Matrix3d::Scaling(2, 2, 2).Invert(inv));
    ExpectNear(inv.m_vRow[0], Vector3d(0.5f, 0, 0));
    ExpectNear(inv.m_vRow[3], Vector3d());

    Matrix3d m = Matrix3d::Rotation(0.3f, -1.1f, 2.0f) * Matrix3d::Scaling(1, 3, 0.5f) * Translation(4, -2, 7);
    ASSERT_TRUE(m.Invert(inv));
    ExpectNear((Vector3d(1, 2, 3) * m) * inv, Vector3d(1, 2, 3));

    Matrix3d same = m;
    ASSERT_TRUE(same.Invert(same));
    for (int i = 0; i < 4; i++)
        ExpectNear(same.m_vRow[i], inv.m_vRow[i]);
}

TEST(Matrix3d, InversionThresholdIsOneTenMillionth)
{
    struct Case
    {
        float fScaleZ;
        bool bInverts;
    } cases[] = {{2e-7f, true}, {5e-8f, false}, {0.0f, false}};
    Matrix3d out;
    for (const Case& c : cases)
        EXPECT_EQ(Matrix3d::Scaling(1, 1, c.fScaleZ).Invert(out), c.bInverts) << c.fScaleZ;
    Matrix3d zero;
    EXPECT_FALSE(zero.Invert(out));
}

TEST(Matrix3d, PrintShowsTheTranslationLast)
{
    Matrix3d m;
    m.SetIdentity();
    testing::internal::CaptureStdout();
    m.Print();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Matrix3d = [  1.00000000    0.00000000    0.00000000 ]\n"
              "           [  0.00000000    1.00000000    0.00000000 ]\n"
              "           [  0.00000000    0.00000000    1.00000000 ]\n"
              "           [  0.00000000    0.00000000    0.00000000 ]\n");
}
