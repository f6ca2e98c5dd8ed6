// Matrix44 operations.
#include "common/vecmat/matrix44.h"

#include <cassert>
#include <cmath>
#include <cstdio>

Matrix44::Matrix44(const Vector4d& c0, const Vector4d& c1, const Vector4d& c2, const Vector4d& c3)
{
    SetColumn(0, c0);
    SetColumn(1, c1);
    SetColumn(2, c2);
    SetColumn(3, c3);
}

void Matrix44::Fill(float fValue)
{
    for (float& f : m_fElements)
        f = fValue;
}

void Matrix44::SetColumn(unsigned int col, const Vector4d& v)
{
    assert(col<4);
    m_fElements[col] = v.x;
    m_fElements[4 + col] = v.y;
    m_fElements[8 + col] = v.z;
    m_fElements[12 + col] = v.w;
}

Vector4d Matrix44::GetColumn(unsigned int col) const
{
    assert(col<4);
    return Vector4d(m_fElements[col], m_fElements[4 + col], m_fElements[8 + col], m_fElements[12 + col]);
}

void Matrix44::SetRow(unsigned int row, float x, float y, float z, float w)
{
    m_fElements[4 * row] = x;
    m_fElements[4 * row + 1] = y;
    m_fElements[4 * row + 2] = z;
    m_fElements[4 * row + 3] = w;
}

void Matrix44::Multiply(const Matrix44& b, Matrix44& out) const
{
    for (int i = 0; i < 4; i++)
        for (int j = 0; j < 4; j++)
        {
            float fSum = 0.0f;
            for (int k = 0; k < 4; k++)
                fSum += m_fElements[4 * i + k] * b.m_fElements[4 * k + j];
            out.m_fElements[4 * i + j] = fSum;
        }
}

Vector4d& Matrix44::Transform(const Vector4d& v, Vector4d& out) const
{
    const float* m = m_fElements;
    out.x = m[0] * v.x + m[1] * v.y + m[2] * v.z + m[3] * v.w;
    out.y = m[4] * v.x + m[5] * v.y + m[6] * v.z + m[7] * v.w;
    out.z = m[8] * v.x + m[9] * v.y + m[10] * v.z + m[11] * v.w;
    out.w = m[12] * v.x + m[13] * v.y + m[14] * v.z + m[15] * v.w;
    return out;
}

// The determinant of the 3 x 3 minor of src that leaves out row r and column c.
static double Minor3(const double* src, int r, int c)
{
    double m[9];
    int n = 0;
    for (int i = 0; i < 4; i++)
    {
        if (i == r)
            continue;
        for (int j = 0; j < 4; j++)
            if (j != c)
                m[n++] = src[4 * i + j];
    }
    return m[0] * (m[4] * m[8] - m[5] * m[7]) - m[1] * (m[3] * m[8] - m[5] * m[6]) +
           m[2] * (m[3] * m[7] - m[4] * m[6]);
}

int Matrix44::Invert(Matrix44& out) const
{
    // Read everything first: out may be this matrix.
    double src[16];
    for (int i = 0; i < 16; i++)
        src[i] = m_fElements[i];

    double adj[16];
    for (int i = 0; i < 4; i++)
        for (int j = 0; j < 4; j++)
        {
            const double fCofactor = ((i + j) % 2 ? -1.0 : 1.0) * Minor3(src, i, j);
            adj[4 * j + i] = fCofactor; // transposed
        }

    // Row 0's cofactors stand in the adjugate's first column.
    const double fDet = src[0] * adj[0] + src[1] * adj[4] + src[2] * adj[8] + src[3] * adj[12];
    if (std::fabs(fDet) < 2.220446049250313e-16)
    {
        for (int i = 0; i < 16; i++)
            out.m_fElements[i] = float(adj[i]);
        return 1;
    }
    const double fInvDet = 1.0 / fDet;
    for (int i = 0; i < 16; i++)
        out.m_fElements[i] = float(adj[i] * fInvDet);
    return 0;
}

void Matrix44::Print() const
{
    const float* m = m_fElements;
    printf("Matrix44 = [%12.5f  %12.5f  %12.5f  %12.5f]\n", m[0], m[1], m[2], m[3]);
    for (int i = 1; i < 4; i++)
        printf("          [%12.5f  %12.5f  %12.5f  %12.5f]\n", m[4 * i], m[4 * i + 1], m[4 * i + 2],
               m[4 * i + 3]);
}

Matrix44 operator+(const Matrix44& a, const Matrix44& b)
{
    Matrix44 r;
    for (int i = 0; i < 16; i++)
        r.m_fElements[i] = a.m_fElements[i] + b.m_fElements[i];
    return r;
}

Matrix44 operator*(const Matrix44& a, const Matrix44& b)
{
    Matrix44 r;
    a.Multiply(b, r);
    return r;
}

Matrix44 operator*(float s, const Matrix44& m)
{
    Matrix44 r;
    for (int i = 0; i < 16; i++)
        r.m_fElements[i] = s * m.m_fElements[i];
    return r;
}

Matrix44 operator*(const Matrix44& m, float s)
{
    return s * m;
}
