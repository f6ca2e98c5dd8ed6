// Matrix22 and Matrix33: square float matrices stored row by row, in the
// column-vector convention (v' = M * v) and built from column vectors.
#pragma once

#include "common/vecmat/vector2d.h"
#include "common/vecmat/vector3d.h"

class Matrix22
{
public:
    Matrix22() = default; // elements are not initialised
    Matrix22(const Vector2d& c0, const Vector2d& c1);
    Matrix22(const Matrix22& m) = default;
    Matrix22& operator=(const Matrix22& m) = default;

    void Fill(float fValue);
    void SetColumn(unsigned int iCol, const Vector2d& v); // the index is taken on trust
    Vector2d GetColumn(unsigned int iCol) const;

    // out = this * b; out must be distinct from both operands.
    void Multiply(const Matrix22& b, Matrix22& out) const;
    // out = M * v; returns out, which must not be v.
    Vector2d& Transform(const Vector2d& v, Vector2d& out) const;

    void Print() const;

    float m_fElements[4]; // row by row: m00, m01, m10, m11
};

Matrix22 operator+(const Matrix22& a, const Matrix22& b);
Matrix22 operator*(const Matrix22& a, const Matrix22& b);
Matrix22 operator*(float s, const Matrix22& m);
Matrix22 operator*(const Matrix22& m, float s);

class Matrix33
{
public:
    Matrix33() = default; // elements are not initialised
    Matrix33(const Vector3d& c0, const Vector3d& c1, const Vector3d& c2);
    Matrix33(const Matrix33& m) = default;
    Matrix33& operator=(const Matrix33& m) = default;

    float operator()(int iRow, int iCol) const { return m_fElements[3 * iRow + iCol]; }

    void Fill(float fValue);
    void SetIdentity();
    void SetColumn(unsigned int col, const Vector3d& v);
    Vector3d GetColumn(unsigned int col) const;
    void SetRow(unsigned int row, float x, float y, float z);
    Matrix33 Transpose() const;

    // out = this * b; out must be distinct from both operands.
    void Multiply(const Matrix33& b, Matrix33& out) const;
    // out = M * v; returns out, which must not be v.
    Vector3d& Transform(const Vector3d& v, Vector3d& out) const;

    // Inverts by the adjugate. Returns false for a determinant below the
    // double machine epsilon; out is then not an inverse. out may be *this.
    bool Invert(Matrix33& out) const;

    void Print() const;

    float m_fElements[9]; // element (i, j) at 3i + j
};

Matrix33 operator+(const Matrix33& a, const Matrix33& b);
Matrix33 operator*(const Matrix33& a, const Matrix33& b);
Matrix33 operator*(float s, const Matrix33& m);
Matrix33 operator*(const Matrix33& m, float s);
Vector3d operator*(const Matrix33& m, const Vector3d& v);
