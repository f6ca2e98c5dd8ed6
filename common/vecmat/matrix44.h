// Matrix44: square 4 x 4 float matrix stored row by row, in the column-vector
// convention (v' = M * v) and built from column vectors.
#pragma once

#include "common/vecmat/vector4d.h"

class Matrix44
{
public:
    Matrix44() = default; // elements are not initialised
    Matrix44(const Vector4d& c0, const Vector4d& c1, const Vector4d& c2, const Vector4d& c3);
    Matrix44(const Matrix44& m) = default;
    Matrix44& operator=(const Matrix44& m) = default;

    void Fill(float fValue);
    void SetColumn(unsigned int col, const Vector4d& v);
    Vector4d GetColumn(unsigned int col) const;
    void SetRow(unsigned int row, float x, float y, float z, float w); // the index is taken on trust

    // out = this * b; out must be distinct from both operands.
    void Multiply(const Matrix44& b, Matrix44& out) const;
    // out = M * v; returns out, which must not be v.
    Vector4d& Transform(const Vector4d& v, Vector4d& out) const;

    // Inverts by the adjugate. Returns 0 on success and 1 for a singular
    // matrix (out then holds the unscaled adjugate). out may be *this.
    int Invert(Matrix44& out) const;

    void Print() const;

    float m_fElements[16]; // element (i, j) at 4i + j
};

Matrix44 operator+(const Matrix44& a, const Matrix44& b);
Matrix44 operator*(const Matrix44& a, const Matrix44& b);
Matrix44 operator*(float s, const Matrix44& m);
Matrix44 operator*(const Matrix44& m, float s);
