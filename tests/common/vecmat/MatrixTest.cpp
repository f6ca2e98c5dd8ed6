// Matrix22, Matrix33 and Matrix44: construction from columns, products,
// inversion thresholds and index assertions.
#include <gtest/gtest.h>

#include "common/vecmat/matrix33.h"
#include "common/vecmat/matrix44.h"

TEST(Matrix33, ColumnsBuildTheMatrix)
{
    Vector3d c0(1, 2, 3), c1(4, 5, 6), c2(7, 8, 10);
    Matrix33 m(c0, c1, c2);
    Vector3d out;
    m.Transform(Vector3d(1, 0, 0), out);
    EXPECT_EQ(out.x, 1.0f);
    EXPECT_EQ(out.y, 2.0f);
    EXPECT_EQ(out.z, 3.0f);
    Vector3d last = m * Vector3d(0, 0, 1);
    EXPECT_EQ(last.z, 10.0f);
    EXPECT_EQ(m.GetColumn(1).y, 5.0f);
    EXPECT_EQ(m.Transpose().GetColumn(0).z, 7.0f);
}

TEST(Matrix33, InvertsADiagonal)
{
    Matrix33 m(Vector3d(1, 0, 0), Vector3d(0, 2, 0), Vector3d(0, 0, 4));
    Matrix33 inv;
    ASSERT_TRUE(m.Invert(inv));
    EXPECT_FLOAT_EQ(inv(0, 0), 1.0f);
    EXPECT_FLOAT_EQ(inv(1, 1), 0.5f);
    EXPECT_FLOAT_EQ(inv(2, 2), 0.25f);
    EXPECT_EQ(inv(0, 1), 0.0f);
}

TEST(Matrix33, InversionThresholdIsTheMachineEpsilon)
{
    Matrix33 mParallel(Vector3d(1, 2, 3), Vector3d(2, 4, 6), Vector3d(0, 0, 1));
    Matrix33 out;
    EXPECT_FALSE(mParallel.Invert(out));

    // det = 1e-15: far below Matrix3d's threshold, still invertible here.
    Matrix33 mTiny(Vector3d(1e-5f, 0, 0), Vector3d(0, 1e-5f, 0), Vector3d(0, 0, 1e-5f));
    ASSERT_TRUE(mTiny.Invert(out));
    EXPECT_NEAR(out(0, 0), 1e5f, 1.0f);
}

TEST(Matrix33, InvertInPlace)
{
    Matrix33 m(Vector3d(2, 1, 0), Vector3d(0, 3, 1), Vector3d(1, 0, 4));
    Matrix33 separate;
    ASSERT_TRUE(m.Invert(separate));
    ASSERT_TRUE(m.Invert(m));
    for (int i = 0; i < 9; i++)
        EXPECT_EQ(m.m_fElements[i], separate.m_fElements[i]);
}

TEST(Matrix33DeathTest, IndicesAreChecked)
{
    Matrix33 m;
    m.SetIdentity();
    EXPECT_DEATH(m.GetColumn(3), "col < 3");
    EXPECT_DEATH(m.SetColumn(3, Vector3d()), "col < 3");
    EXPECT_DEATH(m.SetRow(3, 0, 0, 0), "row < 3");
    EXPECT_DEATH(m.GetColumn(unsigned(-1)), "col < 3");
}

TEST(Matrix44, InvertsTheIdentityAndRefusesZero)
{
    Matrix44 id;
    id.Fill(0);
    for (int i = 0; i < 4; i++)
        id.SetRow(i, i == 0, i == 1, i == 2, i == 3);
    Matrix44 out;
    EXPECT_EQ(id.Invert(out), 0);
    for (int i = 0; i < 16; i++)
        EXPECT_EQ(out.m_fElements[i], id.m_fElements[i]);

    Matrix44 zero;
    zero.Fill(0);
    EXPECT_EQ(zero.Invert(out), 1);
    EXPECT_EQ(id.GetColumn(3).w, 1.0f);
}

TEST(Matrix44, InverseTimesMatrixIsIdentity)
{
    Matrix44 m(Vector4d(2, 0, 1, 0), Vector4d(1, 3, 0, 0), Vector4d(0, 1, 4, 1), Vector4d(0, 0, 0, 1));
    Matrix44 inv;
    ASSERT_EQ(m.Invert(inv), 0);
    Matrix44 product = m * inv;
    for (int i = 0; i < 4; i++)
        for (int j = 0; j < 4; j++)
            EXPECT_NEAR(product.m_fElements[4 * i + j], i == j ? 1.0f : 0.0f, 1e-6);
}

TEST(Matrix44DeathTest, ColumnIndexIsChecked)
{
    Matrix44 m;
    m.Fill(1);
    EXPECT_DEATH(m.GetColumn(4), "col<4");
}

TEST(Matrix22, ProductAndTransform)
{
    Matrix22 a(Vector2d(1, 3), Vector2d(2, 4)); // rows (1 2), (3 4)
    Matrix22 b(Vector2d(0, 1), Vector2d(1, 0)); // swaps columns
    Matrix22 ab = a * b;
    EXPECT_EQ(ab.m_fElements[0], 2.0f);
    EXPECT_EQ(ab.m_fElements[1], 1.0f);
    Vector2d out;
    a.Transform(Vector2d(1, 1), out);
    EXPECT_EQ(out.x, 3.0f);
    EXPECT_EQ(out.y, 7.0f);
}

TEST(Matrices, PrintFormats)
{
    Matrix22 m2(Vector2d(1, 0), Vector2d(0, 1));
    Matrix33 m3;
    m3.SetIdentity();
    testing::internal::CaptureStdout();
    m2.Print();
    m3.Print();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Matrix22 = [     1.00000       0.00000]\n"
              "           [     0.00000       1.00000]\n"
              "Matrix33 = [     1.00000       0.00000       0.00000]\n"
              "          [     0.00000       1.00000       0.00000]\n"
              "          [     0.00000       0.00000       1.00000]\n");
}
