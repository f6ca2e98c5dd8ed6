// Vector2d: two-component float vector, the column type of Matrix22.
#pragma once

#include <cmath>
#include <cstdio>

struct Vector2d
{
    float x, y; // not initialised by default construction

    Vector2d() = default;
    Vector2d(float fX, float fY) : x(fX), y(fY) {}
    Vector2d(const Vector2d& v) = default;
    Vector2d& operator=(const Vector2d& v) = default;

    void Set(float fX, float fY)
    {
        x = fX;
        y = fY;
    }

    float Length() const { return std::sqrt(x * x + y * y); }
    float LengthSquared() const { return x * x + y * y; }

    // The vector turned a quarter turn counter-clockwise: (-y, x). The sign
    // of y is flipped, so (2, 0) gives (-0, 2).
    Vector2d Perpendicular() const { return Vector2d(-y, x); }

    Vector2d& operator+=(const Vector2d& v)
    {
        x += v.x;
        y += v.y;
        return *this;
    }

    void Print() const { printf("Vector2d = [%12.5f\t%12.5f]\n", x, y); }
};

inline Vector2d operator+(const Vector2d& a, const Vector2d& b) { return Vector2d(a.x + b.x, a.y + b.y); }
inline Vector2d operator-(const Vector2d& a, const Vector2d& b) { return Vector2d(a.x - b.x, a.y - b.y); }
inline Vector2d operator*(float s, const Vector2d& v) { return Vector2d(s * v.x, s * v.y); }
inline Vector2d operator*(const Vector2d& v, float s) { return Vector2d(v.x * s, v.y * s); }
inline float Dot(const Vector2d& a, const Vector2d& b) { return a.x * b.x + a.y * b.y; }
