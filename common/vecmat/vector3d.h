// Vector3d: the three-component float vector used for every point, direction,
// normal and box corner of the system.
#pragma once

struct Vector3d
{
    float x, y, z;

    Vector3d() : x(0.0f), y(0.0f), z(0.0f) {}
    Vector3d(float fX, float fY, float fZ) : x(fX), y(fY), z(fZ) {}
    Vector3d(const Vector3d& v) = default;
    Vector3d& operator=(const Vector3d& v) = default;

    void Set(float fX, float fY, float fZ)
    {
        x = fX;
        y = fY;
        z = fZ;
    }

    float Length() const;
    float LengthSquared() const { return x * x + y * y + z * z; }

    // Scales the vector to length 1 and returns the length it had before.
    // The length must be greater than 1e-6 (asserted).
    float Normalize();

    Vector3d& operator+=(const Vector3d& v)
    {
        x += v.x;
        y += v.y;
        z += v.z;
        return *this;
    }

    Vector3d operator-() const { return Vector3d(-1.0f * x, -1.0f * y, -1.0f * z); }

    // Writes "[x\t y\t z]" with 8 decimals to standard output.
    void Print() const;
};

inline Vector3d operator+(const Vector3d& a, const Vector3d& b)
{
    return Vector3d(a.x + b.x, a.y + b.y, a.z + b.z);
}

inline Vector3d operator-(const Vector3d& a, const Vector3d& b)
{
    return Vector3d(a.x - b.x, a.y - b.y, a.z - b.z);
}

inline Vector3d operator*(float s, const Vector3d& v)
{
    return Vector3d(s * v.x, s * v.y, s * v.z);
}

inline Vector3d operator*(const Vector3d& v, float s)
{
    return Vector3d(v.x * s, v.y * s, v.z * s);
}

inline float Dot(const Vector3d& a, const Vector3d& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

// The right-handed cross product.
inline Vector3d Cross(const Vector3d& a, const Vector3d& b)
{
    return Vector3d(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}
