// Gradient noise and marble: known values, lattice zeros, the colour range, stripes
// without noise, bounded octaves and coordinates far outside the lattice.
#include "raytracer/Texture.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdlib>

namespace
{
TEST(NoiseTest, ZeroAtEveryLatticePoint)
{
    for (const Vector3d& p : {Vector3d(0, 0, 0), Vector3d(1, 2, 3), Vector3d(-1, -7, 4),
                              Vector3d(255, 256, 257), Vector3d(-4095, 12, -300), Vector3d(100000, 3, 3)})
    {
        EXPECT_EQ(GradientNoise(p), 0.0f) << p.x << " " << p.y << " " << p.z;
        EXPECT_EQ(GradientNoise2d(p.x, p.y), 0.0f);
        EXPECT_EQ(GradientNoise1d(p.x), 0.0f);
    }
    EXPECT_NE(GradientNoise(Vector3d(0.5f, 0.25f, 0.75f)), 0.0f);
}

// Noise and marble (period 8, distortion 1) at points inside and outside the first
// cell, positive and negative, fractional and far out, from a separately written
// evaluation of the same formulas with the tables of the never-seeded rand (no test
// of this program reseeds rand before the tables are built).
struct SKnownNoise
{
    float x, y, z;
    float fNoise;
    float fMarble0, fMarble1, fMarble8; // octaves 0, 1 and 8
};

const SKnownNoise KNOWN_NOISE[] = {
    {0.5f, 0.25f, 0.125f, -0.0736531839f, -0.756802499f, -0.706651211f, -0.655781209f},
    {1.75f, -2.5f, 3.3f, -0.069818221f, 0.990607381f, 0.978654861f, 0.929316521f},
    {-7.1f, 0.0f, 12.9f, -0.103762209f, -0.248693824f, -0.347679496f, -0.287780434f},
    {100.25f, -33.5f, 0.75f, -0.0648527443f, -0.779503822f, -0.737251401f, -0.844171822f},
    {-0.3f, -0.6f, -0.9f, 0.0875997245f, -0.67546314f, -0.737386048f, -0.778902709f},
    {4096.5f, 1.5f, -4095.25f, 0.292184234f, -0.888727665f, -0.718465388f, -0.659055531f},
};

TEST(NoiseTest, KnownValuesOfNoiseAndMarble)
{
    // The noise blends gradient-offset products below 2 in size: another order of
    // its float roundings (fused multiply-adds, say) moves it by a few ulps of 1.
    const float fNoiseTolerance = 4.0f * FLT_EPSILON;
    const float fPeriod = 8.0f, fDistortion = 1.0f;
    for (const SKnownNoise& c : KNOWN_NOISE)
    {
        const Vector3d p(c.x, c.y, c.z);
        SCOPED_TRACE(::testing::Message() << "at " << c.x << " " << c.y << " " << c.z);
        EXPECT_NEAR(GradientNoise(p), c.fNoise, fNoiseTolerance);
        // The sine's phase is rounded at its own size, period * |x| plus a noise sum
        // below 2; the sine moves no more than its phase.
        const float fMarbleTolerance = fNoiseTolerance * (1.0f + 2.0f * fDistortion + fPeriod * std::fabs(c.x));
        EXPECT_NEAR(Marble(p, fPeriod, fDistortion, 0), c.fMarble0, fMarbleTolerance);
        EXPECT_NEAR(Marble(p, fPeriod, fDistortion, 1), c.fMarble1, fMarbleTolerance);
        EXPECT_NEAR(Marble(p, fPeriod, fDistortion, 8), c.fMarble8, fMarbleTolerance);
    }
}

TEST(NoiseTest, OctavesAreBoundedAndZeroOctavesSumNothing)
{
    const Vector3d p(0.3f, 0.45f, 0.61f);
    EXPECT_EQ(Turbulence(p, 0), 0.0f);
    // Past the 31st octave the frequency 1 << i would overflow.
    EXPECT_EQ(Turbulence(p, 0xFFFFFFFFu), Turbulence(p, 31));
    EXPECT_FLOAT_EQ(Marble(p, 2.0f, 5.0f, 0), std::sin(0.6f));
}

TEST(NoiseTest, CoordinatesFarOutsideTheLatticeStayDefined)
{
    for (const Vector3d& p : {Vector3d(1e20f, 0.5f, 0.5f), Vector3d(-3e12f, 0.25f, 0.75f), Vector3d(0.5f, 1e30f, -1e30f)})
        EXPECT_TRUE(std::isfinite(GradientNoise(p)));
}

TEST(MarbleTest, ColourFactorLiesBetweenPointThreeAndPointNine)
{
    CTextureMarble marble(1.5f, 3.0f, 4.0f, 4);
    marble.SetColor(CColor(1.0f, 0.5f, 0.25f));
    float fMin = 1, fMax = 0;
    for (int i = 0; i < 3000; ++i)
    {
        const CColor c = marble.GetColor(Vector3d(0.013f * i - 7.0f, 0.029f * i, -0.017f * i + 2.0f));
        fMin = std::fmin(fMin, c.r);
        fMax = std::fmax(fMax, c.r);
        EXPECT_FLOAT_EQ(c.b, 0.25f * c.r);
    }
    EXPECT_GE(fMin, 0.3f - 1e-6f);
    EXPECT_LE(fMax, 0.9f + 1e-6f);
    EXPECT_LT(fMin, 0.35f);
    EXPECT_GT(fMax, 0.85f);
}

TEST(MarbleTest, WithoutDistortionStripesFollowLocalXOnly)
{
    CTextureMarble marble(2.0f, 3.0f, 0.0f, 3);
    marble.SetColor(CColor(1.0f, 1.0f, 1.0f));
    for (float x : {0.0f, 0.1f, -0.6f, 1.3f})
        for (const Vector3d& yz : {Vector3d(0, 0, 0), Vector3d(0, 5.5f, -2), Vector3d(0, -9, 0.3f)})
            EXPECT_NEAR(marble.GetColor(Vector3d(x, yz.y, yz.z)).r, 0.3f * std::sin(3.0f * (x * 2.0f)) + 0.6f, 1e-6f);
    EXPECT_EQ(marble.GetColor(Vector3d(0, 4, 4)).g, 0.6f); // where the sine is 0
    // A negative octave count sums no noise.
    CTextureMarble negative(1.0f, 2.0f, 1.0f, -5), none(1.0f, 2.0f, 1.0f, 0);
    EXPECT_EQ(negative.GetColor(Vector3d(0.4f, 0.2f, 0.9f)).r, none.GetColor(Vector3d(0.4f, 0.2f, 0.9f)).r);
}

// The tables are built once per process, so their draws are counted in a fresh one.
TEST(NoiseDeathTest, FirstMarbleBuildsTheTablesFromTheUnseededRandSequence)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            // One, two and three gradient components for each of 256 entries, then
            // 255 swaps of the permutation.
            const int nDraws = 256 * (1 + 2 + 3) + 255;
            std::srand(1); // the sequence of a C library that is never seeded
            int nNext = 0;
            for (int i = 0; i <= nDraws; ++i)
                nNext = std::rand();
            std::srand(1);
            CTextureMarble marble(1.0f, 2.0f, 1.0f, 3);
            const bool bBuilt = std::rand() == nNext;
            std::srand(1);
            marble.GetColor(Vector3d(0.3f, 0.2f, 0.1f));
            const int nFirst = std::rand();
            std::srand(1);
            const bool bNotRebuilt = std::rand() == nFirst;
            std::exit(bBuilt && bNotRebuilt ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

TEST(MarbleTest, SecondTextureDoesNotRebuildTheTables)
{
    CTextureMarble first(1.0f, 2.0f, 1.0f, 2);
    const float fBefore = GradientNoise(Vector3d(0.4f, 0.2f, 0.9f));
    std::srand(77);
    const int nExpected = std::rand();
    std::srand(77);
    CTextureMarble second(3.0f, 1.0f, 2.0f, 5); // draws nothing from rand
    EXPECT_EQ(std::rand(), nExpected);
    EXPECT_EQ(GradientNoise(Vector3d(0.4f, 0.2f, 0.9f)), fBefore);
}
} // namespace
