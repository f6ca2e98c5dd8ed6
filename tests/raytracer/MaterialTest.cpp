// Materials: class defaults, the weights each class gives a hit, the Fresnel edge values.
#include "raytracer/Material.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace
{
uint32_t BitsOf(float f)
{
    uint32_t n;
    std::memcpy(&n, &f, sizeof n);
    return n;
}

float FromBits(uint32_t n)
{
    float f;
    std::memcpy(&f, &n, sizeof f);
    return f;
}

TEST(MaterialTest, DefaultsAndWeightsOfEachClass)
{
    CMaterialDiffuse diffuse;
    CMaterialGlass glass, glass15, glassHuge;
    CMaterialGlossy glossy;
    CMaterialMetal metal;
    glass15.SetRefractionIndex(1.5f);
    glassHuge.SetRefractionIndex(1e30f);
    const struct { CMaterial* p; float fIndex; float fCos; float kr, kt, kd; } aCases[] = {
        {&diffuse, 1.0f, 0.7f, 0, 0, 1},
        {&glass, 1.0f, 1.0f, 0, 1, 0},     // index 1.0 is no boundary
        {&glass, 1.0f, -0.3f, 0, 1, 0},
        {&glass15, 1.5f, 1.0f, 0.04f, 0.96f, 0},
        {&glass15, 1.5f, -0.5f, 1, 0, 0},  // leaving past the critical angle
        {&glass15, 1.5f, 0.0f, 1, 0, 0},   // grazing
        {&glossy, 1.5f, 1.0f, 0.04f, 0, 0.96f},
        {&glossy, 1.5f, -1.0f, 0.04f, 0, 0.96f}, // the same from the back
        {&metal, 1.0f, 0.3f, 0.9f, 0, 0.1f},
        {&glassHuge, 1e30f, 0.5f, 1, 0, 0}, // an overflowing index: a mirror, not NaN
        {&glassHuge, 1e30f, -1.0f, 1, 0, 0},
    };
    for (const auto& c : aCases)
    {
        EXPECT_EQ(c.p->GetRefractionIndex(), c.fIndex);
        EXPECT_EQ(BitsOf(c.p->GetAttenuation()), 0x3DA3D70Au); // 0.08
        EXPECT_EQ(c.p->GetColor().r, 0.5f);
        EXPECT_EQ(c.p->GetColor().g, 1.0f);
        float kr = -1, kt = -1, kd = -1;
        c.p->GetCoefficients(c.fCos, kr, kt, kd);
        EXPECT_NEAR(kr, c.kr, 1e-6) << c.fIndex << " " << c.fCos;
        EXPECT_NEAR(kt, c.kt, 1e-6) << c.fIndex << " " << c.fCos;
        EXPECT_NEAR(kd, c.kd, 1e-6) << c.fIndex << " " << c.fCos;
    }
}

TEST(MaterialTest, MetalWeightsAreTheFloatNinetyAndItsFloatComplement)
{
    float kr, kt, kd;
    CMaterialMetal().GetCoefficients(-0.8f, kr, kt, kd);
    EXPECT_EQ(BitsOf(kr), 0x3F666666u);
    EXPECT_EQ(BitsOf(kd), 0x3DCCCCD0u); // 0.100000024, not 0.1
}

TEST(MaterialTest, FresnelValues)
{
    const struct { float fCos, fIndex, fExpected; } aCases[] = {
        {1.0f, 2.0f, 1.0f / 9.0f},          // ((m - 1) / (m + 1))^2
        {-1.0f, 1.5f, 0.04f},               // leaving at normal incidence
        {1.0f, FromBits(0x3F800007), 0.0f}, // seven float steps above 1: no boundary
        {1.0f, 0.5f, 0.0f},
        {1.0f, std::nanf(""), 0.0f},
        // Indices whose square overflows reflect everything instead of giving NaN.
        {1.0f, 1e20f, 1.0f},
        {0.0f, 1e20f, 1.0f},
        {-1.0f, INFINITY, 1.0f},
        {1.0f, INFINITY, 1.0f},
        {-1.0f, 1e20f, 1.0f},
    };
    for (const auto& c : aCases)
        EXPECT_NEAR(Fresnel(c.fCos, c.fIndex), c.fExpected, 1e-6) << c.fIndex;
    EXPECT_GT(Fresnel(0.0f, FromBits(0x3F800008)), 0.0f); // eight steps: a faint one
}

TEST(MaterialDeathTest, IndexBelowOneIsNeverStored)
{
    CMaterialGlass glass;
    glass.SetRefractionIndex(1.0f);
    EXPECT_EQ(glass.GetRefractionIndex(), 1.0f);
    EXPECT_DEATH(glass.SetRefractionIndex(0.9f), "fRefractionIndex >= 1.0f");
    EXPECT_DEATH(CMaterialMetal().SetRefractionIndex(std::nanf("")), "fRefractionIndex >= 1.0f");
}
} // namespace
