// Matrix3d: affine transform of twelve floats, a 3 x 3 linear part R and a
// translation T, in the row-vector convention p' = p * R + T.
#pragma once

#include "common/vecmat/vector3d.h"

class Matrix3d
{
public:
    // All twelve values zero: not the identity.
    Matrix3d() = default;
    Matrix3d(const Vector3d& row0, const Vector3d& row1, const Vector3d& row2, const Vector3d& row3)
        : m_vRow{row0, row1, row2, row3}
    {
    }
    Matrix3d(const Matrix3d& m) = default;
    Matrix3d& operator=(const Matrix3d& m) = default;

    void Fill(float fValue);
    void SetIdentity();

    // The inverse transform into out (out may be *this). Returns false when
    // |det R| < 1e-7; out then holds unscaled values and must not be used.
    bool Invert(Matrix3d& out) const;

    // A rotation from angles in radians: about z first, then y, then x.
    static Matrix3d Rotation(float ax, float ay, float az);
    static Matrix3d Scaling(float sx, float sy, float sz);

    void Print() const;

    // Rows 0 to 2 are the images of the x, y and z axes; row 3 the translation.
    Vector3d m_vRow[4];
};

Matrix3d operator+(const Matrix3d& a, const Matrix3d& b);
Matrix3d operator*(float s, const Matrix3d& m);
Matrix3d operator*(const Matrix3d& m, float s);

// The transform that applies a first and then b.
Matrix3d operator*(const Matrix3d& a, const Matrix3d& b);

// The point p transformed: p * R + T.
inline Vector3d operator*(const Vector3d& p, const Matrix3d& m)
{
    const Vector3d* r = m.m_vRow;
    return Vector3d(p.x * r[0].x + p.y * r[1].x + p.z * r[2].x + r[3].x,
                    p.x * r[0].y + p.y * r[1].y + p.z * r[2].y + r[3].y,
                    p.x * r[0].z + p.y * r[1].z + p.z * r[2].z + r[3].z);
}

inline Vector3d operator*(const Matrix3d& m, const Vector3d& p)
{
    return p * m;
}
