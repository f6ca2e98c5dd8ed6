// Vector2d, Vector3d and Vector4d: normalisation threshold, products, printing.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "common/vecmat/vector2d.h"
#include "common/vecmat/vector3d.h"
#include "common/vecmat/vector4d.h"

TEST(Vector3d, NormalizeReturnsThePreviousLength)
{
    Vector3d v(3, 4, 0);
    EXPECT_FLOAT_EQ(v.Normalize(), 5.0f);
    EXPECT_FLOAT_EQ(v.x, 0.6f);
    EXPECT_FLOAT_EQ(v.y, 0.8f);
    EXPECT_EQ(v.z, 0.0f);
}

TEST(Vector3d, NormalizeJustAboveTheThreshold)
{
    Vector3d v(2e-6f, 0, 0);
    v.Normalize();
    EXPECT_FLOAT_EQ(v.x, 1.0f);
}

TEST(Vector3dDeathTest, NormalizeAtOrBelowTheThresholdAsserts)
{
    Vector3d vAtThreshold(1e-6f, 0, 0);
    EXPECT_DEATH(vAtThreshold.Normalize(), "fLength > 0.000001f");
    Vector3d vZero;
    EXPECT_DEATH(vZero.Normalize(), "fLength > 0.000001f");
    Vector3d vNaN(NAN, 0, 0);
    EXPECT_DEATH(vNaN.Normalize(), "fLength > 0.000001f");
}

TEST(Vector3d, DefaultIsZeroAndNegationFlipsEverySign)
{
    Vector3d v;
    EXPECT_EQ(v.x, 0.0f);
    Vector3d n = -v;
    EXPECT_TRUE(std::signbit(n.x) && std::signbit(n.y) && std::signbit(n.z));
}

TEST(Vector3d, CrossIsRightHanded)
{
    Vector3d c = Cross(Vector3d(1, 0, 0), Vector3d(0, 1, 0));
    EXPECT_EQ(c.x, 0.0f);
    EXPECT_EQ(c.y, 0.0f);
    EXPECT_EQ(c.z, 1.0f);
    Vector4d c4 = Cross(Vector4d(1, 0, 0, 7), Vector4d(0, 1, 0, 9));
    EXPECT_EQ(c4.z, 1.0f);
    EXPECT_EQ(c4.w, 0.0f);
}

TEST(Vector3d, ArithmeticAndSelfAssignment)
{
    Vector3d a(1, 2, 3);
    Vector3d& alias = a;
    a = alias;
    EXPECT_EQ(a.y, 2.0f);
    Vector3d b = 2.0f * a - a * 0.5f + Vector3d(1, 1, 1);
    EXPECT_FLOAT_EQ(b.x, 2.5f);
    EXPECT_FLOAT_EQ(Dot(a, b), 1 * 2.5f + 2 * 4.0f + 3 * 5.5f);
    a += Vector3d(1, 1, 1);
    EXPECT_EQ(a.z, 4.0f);
    EXPECT_FLOAT_EQ(a.LengthSquared(), 4 + 9 + 16);
}

TEST(Vector2d, PerpendicularFlipsTheSignOfY)
{
    struct Case
    {
        float x, y, px, py;
    } cases[] = {{3, 5, -5, 3}, {0, 2, -2, 0}, {2, 0, -0.0f, 2}};
    for (const Case& c : cases)
    {
        Vector2d p = Vector2d(c.x, c.y).Perpendicular();
        EXPECT_EQ(p.x, c.px);
        EXPECT_EQ(p.y, c.py);
    }
    EXPECT_TRUE(std::signbit(Vector2d(2, 0).Perpendicular().x));
}

TEST(Vectors, PrintFormats)
{
    testing::internal::CaptureStdout();
    Vector3d(1, 2, 3).Print();
    Vector2d(1, 2).Print();
    Vector4d(1, 2, 3, 4).Print();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "[  1.00000000\t   2.00000000\t   3.00000000]\n"
              "Vector2d = [     1.00000\t     2.00000]\n"
              "[     1.00000       2.00000       3.00000       4.00000]\n");
}
