// Matrix3d operations: composition, inversion, rotations and scalings.
#include "common/vecmat/matrix3d.h"

#include <cmath>
#include <cstdio>

void Matrix3d::Fill(float fValue)
{
    for (Vector3d& v : m_vRow)
        v.Set(fValue, fValue, fValue);
}

void Matrix3d::SetIdentity()
{
    m_vRow[0].Set(1.0f, 0.0f, 0.0f);
    m_vRow[1].Set(0.0f, 1.0f, 0.0f);
    m_vRow[2].Set(0.0f, 0.0f, 1.0f);
    m_vRow[3].Set(0.0f, 0.0f, 0.0f);
}

bool Matrix3d::Invert(Matrix3d& out) const
{
    // Read all twelve values first: out may be this matrix. The arithmetic
    // is carried in double; only the results are stored as floats.
    double r[3][3], t[3];
    for (int i = 0; i < 3; i++)
    {
        r[i][0] = m_vRow[i].x;
        r[i][1] = m_vRow[i].y;
        r[i][2] = m_vRow[i].z;
    }
    t[0] = m_vRow[3].x;
    t[1] = m_vRow[3].y;
    t[2] = m_vRow[3].z;

    // adj(i, j) = cofactor(j, i)
    double adj[3][3];
    adj[0][0] = r[1][1] * r[2][2] - r[1][2] * r[2][1];
    adj[1][0] = r[1][2] * r[2][0] - r[1][0] * r[2][2];
    adj[2][0] = r[1][0] * r[2][1] - r[1][1] * r[2][0];
    adj[0][1] = r[0][2] * r[2][1] - r[0][1] * r[2][2];
    adj[1][1] = r[0][0] * r[2][2] - r[0][2] * r[2][0];
    adj[2][1] = r[0][1] * r[2][0] - r[0][0] * r[2][1];
    adj[0][2] = r[0][1] * r[1][2] - r[0][2] * r[1][1];
    adj[1][2] = r[0][2] * r[1][0] - r[0][0] * r[1][2];
    adj[2][2] = r[0][0] * r[1][1] - r[0][1] * r[1][0];

    // The translation of the inverse: -T * adj(R), scaled below.
    double tInv[3];
    for (int j = 0; j < 3; j++)
        tInv[j] = -(t[0] * adj[0][j] + t[1] * adj[1][j] + t[2] * adj[2][j]);

    const double fDet = r[0][0] * adj[0][0] + r[0][1] * adj[1][0] + r[0][2] * adj[2][0];
    const bool bInvertible = std::fabs(fDet) >= 1e-7f;
    const double fScale = bInvertible ? 1.0 / fDet : 1.0;

    for (int i = 0; i < 3; i++)
        out.m_vRow[i].Set(float(adj[i][0] * fScale), float(adj[i][1] * fScale), float(adj[i][2] * fScale));
    out.m_vRow[3].Set(float(tInv[0] * fScale), float(tInv[1] * fScale), float(tInv[2] * fScale));
    return bInvertible;
}

Matrix3d Matrix3d::Rotation(float ax, float ay, float az)
{
    const float cx = std::cos(ax), sx = std::sin(ax);
    const float cy = std::cos(ay), sy = std::sin(ay);
    const float cz = std::cos(az), sz = std::sin(az);
    const Vector3d vZero;
    const Matrix3d mRx(Vector3d(1, 0, 0), Vector3d(0, cx, sx), Vector3d(0, -sx, cx), vZero);
    const Matrix3d mRy(Vector3d(cy, 0, -sy), Vector3d(0, 1, 0), Vector3d(sy, 0, cy), vZero);
    const Matrix3d mRz(Vector3d(cz, sz, 0), Vector3d(-sz, cz, 0), Vector3d(0, 0, 1), vZero);
    return (mRz * mRy) * mRx;
}

Matrix3d Matrix3d::Scaling(float sx, float sy, float sz)
{
    return Matrix3d(Vector3d(sx, 0, 0), Vector3d(0, sy, 0), Vector3d(0, 0, sz), Vector3d());
}

void Matrix3d::Print() const
{
    printf("Matrix3d = [%12.8f  %12.8f  %12.8f ]\n", m_vRow[0].x, m_vRow[0].y, m_vRow[0].z);
    for (int i = 1; i < 4; i++)
        printf("           [%12.8f  %12.8f  %12.8f ]\n", m_vRow[i].x, m_vRow[i].y, m_vRow[i].z);
}

Matrix3d operator+(const Matrix3d& a, const Matrix3d& b)
{
    Matrix3d r;
    for (int i = 0; i < 4; i++)
        r.m_vRow[i] = a.m_vRow[i] + b.m_vRow[i];
    return r;
}

Matrix3d operator*(float s, const Matrix3d& m)
{
    Matrix3d r;
    for (int i = 0; i < 4; i++)
        r.m_vRow[i] = s * m.m_vRow[i];
    return r;
}

Matrix3d operator*(const Matrix3d& m, float s)
{
    return s * m;
}

Matrix3d operator*(const Matrix3d& a, const Matrix3d& b)
{
    // R = Ra * Rb; T = Ta * Rb + Tb. Each row of a maps through b's linear part.
    Matrix3d r;
    for (int i = 0; i < 4; i++)
    {
        const Vector3d& v = a.m_vRow[i];
        r.m_vRow[i] = v.x * b.m_vRow[0] + v.y * b.m_vRow[1] + v.z * b.m_vRow[2];
    }
    r.m_vRow[3] += b.m_vRow[3];
    return r;
}
