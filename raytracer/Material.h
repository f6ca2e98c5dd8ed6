// Materials: how light splits where a ray meets a surface (reflection, refraction,
// diffuse lighting), and the medium a refracting material fills (index, attenuation,
// the colour toward which light fades inside it).
#pragma once

#include "common/util/Color.h"

// Unpolarised Fresnel reflectance for the cosine between the unit normal and the unit
// vector back toward the ray's origin (negative: the ray leaves the medium). Indices
// within eight float steps of 1.0, and NaN, reflect nothing; total internal reflection
// gives 1.
float Fresnel(float fCos, float fIndex);

class CMaterial
{
public:
    CMaterial();
    virtual ~CMaterial();

    // Whether the tracer follows a reflected ray from a hit on this material.
    virtual bool Reflects() const = 0;
    // Whether the tracer follows a refracted ray and enters or leaves this medium.
    virtual bool Refracts() const = 0;
    // The reflection, refraction and diffuse weights for a hit; fCos is the signed
    // cosine described at Fresnel.
    virtual void GetCoefficients(float fCos, float& fReflect, float& fRefract,
                                 float& fDiffuse) const = 0;
    // Stores an index of at least 1.0; anything lower (or NaN) is a broken
    // precondition: callers check the value first.
    virtual void SetRefractionIndex(float fRefractionIndex);

    float GetRefractionIndex() const { return m_fRefractionIndex; }
    float GetAttenuation() const { return m_fAttenuation; }
    CColor GetColor() const { return m_cColor; }
    void SetAttenuation(float fAttenuation) { m_fAttenuation = fAttenuation; }
    void SetColor(CColor cColor) { m_cColor = cColor; }

protected:
    float m_fRefractionIndex; // never below 1.0
    float m_fAttenuation;     // absorption per unit of distance inside the medium
    CColor m_cColor;          // colour toward which light fades inside the medium
};

// Lit by the point lights only: no secondary rays.
class CMaterialDiffuse : public CMaterial
{
public:
    bool Reflects() const override { return false; }
    bool Refracts() const override { return false; }
    void GetCoefficients(float fCos, float& fReflect, float& fRefract,
                         float& fDiffuse) const override;
};

// Reflects and refracts by the Fresnel weights of its index; no diffuse part.
class CMaterialGlass : public CMaterial
{
public:
    bool Reflects() const override { return true; }
    bool Refracts() const override { return true; }
    void GetCoefficients(float fCos, float& fReflect, float& fRefract,
                         float& fDiffuse) const override;
    void SetRefractionIndex(float fRefractionIndex) override;
};

// Plastic: a Fresnel reflection over a diffuse base, the same from either side.
class CMaterialGlossy : public CMaterial
{
public:
    CMaterialGlossy();
    bool Reflects() const override { return true; }
    bool Refracts() const override { return false; }
    void GetCoefficients(float fCos, float& fReflect, float& fRefract,
                         float& fDiffuse) const override;
};

// A fixed strong reflection over a faint diffuse base.
class CMaterialMetal : public CMaterial
{
public:
    bool Reflects() const override { return true; }
    bool Refracts() const override { return false; }
    void GetCoefficients(float fCos, float& fReflect, float& fRefract,
                         float& fDiffuse) const override;
};
