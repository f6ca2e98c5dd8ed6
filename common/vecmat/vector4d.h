// Vector4d: four-component float vector, the column type of Matrix44.
#pragma once

#include <cmath>
#include <cstdio>

struct Vector4d
{
    float x, y, z, w; // not initialised by default construction

    Vector4d() = default;
    Vector4d(float fX, float fY, float fZ, float fW) : x(fX), y(fY), z(fZ), w(fW) {}
    Vector4d(const Vector4d& v) = default;
    Vector4d& operator=(const Vector4d& v) = default;

    void Set(float fX, float fY, float fZ, float fW)
    {
        x = fX;
        y = fY;
        z = fZ;
        w = fW;
    }

    float Length() const { return std::sqrt(x * x + y * y + z * z + w * w); }
    float LengthSquared() const { return x * x + y * y + z * z + w * w; }

    Vector4d& operator+=(const Vector4d& v)
    {
        x += v.x;
        y += v.y;
        z += v.z;
        w += v.w;
        return *this;
    }

    void Print() const { printf("[%12.5f  %12.5f  %12.5f  %12.5f]\n", x, y, z, w); }
};

inline Vector4d operator+(const Vector4d& a, const Vector4d& b)
{
    return Vector4d(a.x + b.x, a.y + b.y, a.z + b.z, a.w + b.w);
}
inline Vector4d operator-(const Vector4d& a, const Vector4d& b)
{
    return Vector4d(a.x - b.x, a.y - b.y, a.z - b.z, a.w - b.w);
}
inline Vector4d operator*(float s, const Vector4d& v) { return Vector4d(s * v.x, s * v.y, s * v.z, s * v.w); }
inline Vector4d operator*(const Vector4d& v, float s) { return Vector4d(v.x * s, v.y * s, v.z * s, v.w * s); }
inline float Dot(const Vector4d& a, const Vector4d& b) { return a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w; }

// The cross product of the x, y, z parts, with w = 0.
inline Vector4d Cross(const Vector4d& a, const Vector4d& b)
{
    return Vector4d(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x, 0.0f);
}
