// Matrix22 and Matrix33 operations.
#include "common/vecmat/matrix33.h"

#include <cassert>
#include <cmath>
#include <cstdio>

// ---- Matrix22 ----

Matrix22::Matrix22(const Vector2d& c0, const Vector2d& c1)
{
    SetColumn(0, c0);
    SetColumn(1, c1);
}

void Matrix22::Fill(float fValue)
{
    for (float& f : m_fElements)
        f = fValue;
}

void Matrix22::SetColumn(unsigned int iCol, const Vector2d& v)
{
    m_fElements[iCol] = v.x;
    m_fElements[2 + iCol] = v.y;
}

Vector2d Matrix22::GetColumn(unsigned int iCol) const
{
    return Vector2d(m_fElements[iCol], m_fElements[2 + iCol]);
}

void Matrix22::Multiply(const Matrix22& b, Matrix22& out) const
{
    for (int i = 0; i < 2; i++)
        for (int j = 0; j < 2; j++)
            out.m_fElements[2 * i + j] =
                m_fElements[2 * i] * b.m_fElements[j] + m_fElements[2 * i + 1] * b.m_fElements[2 + j];
}

Vector2d& Matrix22::Transform(const Vector2d& v, Vector2d& out) const
{
    out.x = m_fElements[0] * v.x + m_fElements[1] * v.y;
    out.y = m_fElements[2] * v.x + m_fElements[3] * v.y;
    return out;
}

void Matrix22::Print() const
{
    printf("Matrix22 = [%12.5f  %12.5f]\n", m_fElements[0], m_fElements[1]);
    printf("           [%12.5f  %12.5f]\n", m_fElements[2], m_fElements[3]);
}

Matrix22 operator+(const Matrix22& a, const Matrix22& b)
{
    Matrix22 r;
    for (int i = 0; i < 4; i++)
        r.m_fElements[i] = a.m_fElements[i] + b.m_fElements[i];
    return r;
}

Matrix22 operator*(const Matrix22& a, const Matrix22& b)
{
    Matrix22 r;
    a.Multiply(b, r);
    return r;
}

Matrix22 operator*(float s, const Matrix22& m)
{
    Matrix22 r;
    for (int i = 0; i < 4; i++)
        r.m_fElements[i] = s * m.m_fElements[i];
    return r;
}

Matrix22 operator*(const Matrix22& m, float s)
{
    return s * m;
}

// ---- Matrix33 ----

Matrix33::Matrix33(const Vector3d& c0, const Vector3d& c1, const Vector3d& c2)
{
    SetColumn(0, c0);
    SetColumn(1, c1);
    SetColumn(2, c2);
}

void Matrix33::Fill(float fValue)
{
    for (float& f : m_fElements)
        f = fValue;
}

void Matrix33::SetIdentity()
{
    Fill(0.0f);
    m_fElements[0] = m_fElements[4] = m_fElements[8] = 1.0f;
}

void Matrix33::SetColumn(unsigned int col, const Vector3d& v)
{
    assert(col < 3);
    m_fElements[col] = v.x;
    m_fElements[3 + col] = v.y;
    m_fElements[6 + col] = v.z;
}

Vector3d Matrix33::GetColumn(unsigned int col) const
{
    assert(col < 3);
    return Vector3d(m_fElements[col], m_fElements[3 + col], m_fElements[6 + col]);
}

void Matrix33::SetRow(unsigned int row, float x, float y, float z)
{
    assert(row < 3);
    m_fElements[3 * row] = x;
    m_fElements[3 * row + 1] = y;
    m_fElements[3 * row + 2] = z;
}

Matrix33 Matrix33::Transpose() const
{
    Matrix33 r;
    for (int i = 0; i < 3; i++)
        for (int j = 0; j < 3; j++)
            r.m_fElements[3 * j + i] = m_fElements[3 * i + j];
    return r;
}

void Matrix33::Multiply(const Matrix33& b, Matrix33& out) const
{
    for (int i = 0; i < 3; i++)
        for (int j = 0; j < 3; j++)
            out.m_fElements[3 * i + j] = m_fElements[3 * i] * b.m_fElements[j] +
                                         m_fElements[3 * i + 1] * b.m_fElements[3 + j] +
                                         m_fElements[3 * i + 2] * b.m_fElements[6 + j];
}

Vector3d& Matrix33::Transform(const Vector3d& v, Vector3d& out) const
{
    out.x = m_fElements[0] * v.x + m_fElements[1] * v.y + m_fElements[2] * v.z;
    out.y = m_fElements[3] * v.x + m_fElements[4] * v.y + m_fElements[5] * v.z;
    out.z = m_fElements[6] * v.x + m_fElements[7] * v.y + m_fElements[8] * v.z;
    return out;
}

bool Matrix33::Invert(Matrix33& out) const
{
    // Read everything first: out may be this matrix. The cofactors and the
    // determinant are carried in double and only the results stored as float.
    const double a = m_fElements[0], b = m_fElements[1], c = m_fElements[2];
    const double d = m_fElements[3], e = m_fElements[4], f = m_fElements[5];
    const double g = m_fElements[6], h = m_fElements[7], i = m_fElements[8];

    // The first column of the adjugate holds the cofactors of row 0.
    const double c00 = e * i - f * h;
    const double c01 = f * g - d * i;
    const double c02 = d * h - e * g;
    out.m_fElements[0] = float(c00);
    out.m_fElements[3] = float(c01);
    out.m_fElements[6] = float(c02);

    const double fDet = a * c00 + b * c01 + c * c02;
    if (std::fabs(fDet) < 2.220446049250313e-16)
        return false;

    const double fInvDet = 1.0 / fDet;
    out.m_fElements[0] = float(c00 * fInvDet);
    out.m_fElements[3] = float(c01 * fInvDet);
    out.m_fElements[6] = float(c02 * fInvDet);
    out.m_fElements[1] = float((c * h - b * i) * fInvDet);
    out.m_fElements[2] = float((b * f - c * e) * fInvDet);
    out.m_fElements[4] = float((a * i - c * g) * fInvDet);
    out.m_fElements[5] = float((c * d - a * f) * fInvDet);
    out.m_fElements[7] = float((b * g - a * h) * fInvDet);
    out.m_fElements[8] = float((a * e - b * d) * fInvDet);
    return true;
}

void Matrix33::Print() const
{
    const float* m = m_fElements;
    printf("Matrix33 = [%12.5f  %12.5f  %12.5f]\n", m[0], m[1], m[2]);
    printf("          [%12.5f  %12.5f  %12.5f]\n", m[3], m[4], m[5]);
    printf("          [%12.5f  %12.5f  %12.5f]\n", m[6], m[7], m[8]);
}

Matrix33 operator+(const Matrix33& a, const Matrix33& b)
{
    Matrix33 r;
    for (int i = 0; i < 9; i++)
        r.m_fElements[i] = a.m_fElements[i] + b.m_fElements[i];
    return r;
}

Matrix33 operator*(const Matrix33& a, const Matrix33& b)
{
    Matrix33 r;
    a.Multiply(b, r);
    return r;
}

Matrix33 operator*(float s, const Matrix33& m)
{
    Matrix33 r;
    for (int i = 0; i < 9; i++)
        r.m_fElements[i] = s * m.m_fElements[i];
    return r;
}

Matrix33 operator*(const Matrix33& m, float s)
{
    return s * m;
}

Vector3d operator*(const Matrix33& m, const Vector3d& v)
{
    Vector3d r;
    m.Transform(v, r);
    return r;
}
