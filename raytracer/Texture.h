// Solid textures: colours that vary with the hit point in a primitive's local space,
// and the gradient noise (one set of lattice tables per program) that marble is made of.
#pragma once

#include "common/util/Color.h"
#include "common/util/Types.h"
#include "common/vecmat/vector3d.h"

// Gradient noise on a lattice of 256 cells per axis; zero at every lattice point.
// The tables are built from the C library's rand on the first evaluation.
float GradientNoise(const Vector3d& p);
float GradientNoise1d(double x);
float GradientNoise2d(float x, float y);
// Sum of octaves noise(p * 2^i) / 2^i for i below octaves, signs kept.
float Turbulence(const Vector3d& p, uint32 octaves);
// sin(period * p.x + distortion * Turbulence(p, octaves)).
float Marble(const Vector3d& p, float period, float distortion, uint32 octaves);

class CTexture
{
public:
    CTexture();
    virtual ~CTexture();

    // The colour at a point of the primitive's local space.
    virtual CColor GetColor(const Vector3d& localPoint) const = 0;

    void SetColor(const CColor& cColor) { m_cColor = cColor; }
    CColor GetBaseColor() const { return m_cColor; }

protected:
    CColor m_cColor;
};

// Stripes across the local x axis, their phase disturbed by noise octaves.
class CTextureMarble : public CTexture
{
public:
    CTextureMarble(float fScale, float fPeriod, float fDistortion, int iOctaves);

    // m_cColor times a factor from 0.3 to 0.9.
    CColor GetColor(const Vector3d& localPoint) const override;

private:
    float m_fScale;      // the local point is scaled by it first
    float m_fPeriod;     // factor of x in the sine
    float m_fDistortion; // factor of the noise sum in the sine
    int m_iOctaves;      // noise octaves summed
};
