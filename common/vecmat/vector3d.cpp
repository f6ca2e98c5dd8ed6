// Vector3d's out-of-line operations: length, normalisation and printing.
#include "common/vecmat/vector3d.h"

#include <cassert>
#include <cmath>
#include <cstdio>

float Vector3d::Length() const
{
    return std::sqrt(x * x + y * y + z * z);
}

float Vector3d::Normalize()
{
    // The length is kept unrounded for the threshold test, so a vector whose
    // float length equals 1e-6 still fails it.
    double fLength = std::sqrt(double(x) * x + double(y) * y + double(z) * z);
    assert(fLength > 0.000001f);
    float fInverse = float(1.0 / fLength);
    x *= fInverse;
    y *= fInverse;
    z *= fInverse;
    return float(fLength);
}

void Vector3d::Print() const
{
    printf("[%12.8f\t %12.8f\t %12.8f]\n", x, y, z);
}
