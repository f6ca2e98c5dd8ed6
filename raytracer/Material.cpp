// The four materials and the Fresnel reflectance they share.
#include "raytracer/Material.h"

#include <cassert>
#include <cmath>
#include <limits>

namespace
{
// Indices closer to 1.0 than this (eight float steps) count as no boundary at all.
const float kMinReflectingIndex = 1.0000009537f;
const float kMetalReflect = 0.9f;
} // namespace

float Fresnel(float fCos, float fIndex)
{
    if (!(fIndex >= kMinReflectingIndex)) // also catches NaN
        return 0.0f;

    float c = fCos;
    float m = fIndex;
    if (c < 0.0f)
    {
        // Leaving the medium: the index ratio turns over. A cosine of exactly 0
        // counts as entering.
        c = -c;
        m = 1.0f / m;
    }
    const float m2 = m * m;
    // An index so large that its square overflows (or, seen from inside, vanishes)
    // would make the formula below 0/0 or inf/inf; its limit there is a full reflection.
    if (!(m2 < std::numeric_limits<float>::infinity()) || m2 == 0.0f)
        return 1.0f;
    const float k = m2 - (1.0f - c * c);
    if (k < 0.0f)
        return 1.0f; // total internal reflection
    const float g = std::sqrt(k);
    const float rs = (c - g) / (c + g);
    const float rp = (c * m2 - g) / (c * m2 + g);
    return 0.5f * (rs * rs + rp * rp);
}

CMaterial::CMaterial()
    : m_fRefractionIndex(1.0f), m_fAttenuation(0.08f), m_cColor(0.5f, 1.0f, 0.5f)
{
}

CMaterial::~CMaterial() = default;

void CMaterial::SetRefractionIndex(float fRefractionIndex)
{
    assert(fRefractionIndex >= 1.0f);
    if (fRefractionIndex >= 1.0f)
        m_fRefractionIndex = fRefractionIndex;
}

void CMaterialDiffuse::GetCoefficients(float, float& fReflect, float& fRefract,
                                       float& fDiffuse) const
{
    fReflect = 0.0f;
    fRefract = 0.0f;
    fDiffuse = 1.0f;
}

void CMaterialGlass::GetCoefficients(float fCos, float& fReflect, float& fRefract,
                                     float& fDiffuse) const
{
    // The signed cosine: leaving the glass sees the index ratio turned over.
    const float fF = Fresnel(fCos, m_fRefractionIndex);
    fReflect = fF;
    fRefract = 1.0f - fF;
    fDiffuse = 0.0f;
}

void CMaterialGlass::SetRefractionIndex(float fRefractionIndex)
{
    assert(fRefractionIndex >= 1.0f);
    if (fRefractionIndex >= 1.0f)
        m_fRefractionIndex = fRefractionIndex;
}

CMaterialGlossy::CMaterialGlossy()
{
    m_fRefractionIndex = 1.5f;
}

void CMaterialGlossy::GetCoefficients(float fCos, float& fReflect, float& fRefract,
                                      float& fDiffuse) const
{
    // A coating looks the same from either side.
    const float fF = Fresnel(std::fabs(fCos), m_fRefractionIndex);
    fReflect = fF;
    fRefract = 0.0f;
    fDiffuse = 1.0f - fF;
}

void CMaterialMetal::GetCoefficients(float, float& fReflect, float& fRefract,
                                     float& fDiffuse) const
{
    fReflect = kMetalReflect;
    fRefract = 0.0f;
    fDiffuse = 1.0f - kMetalReflect; // the float difference, 0.100000024
}
