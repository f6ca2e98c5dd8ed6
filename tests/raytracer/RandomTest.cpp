// RANMAR: the published reference numbers, seed ranges, and the derived draws.
#include "raytracer/Random.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
const double k2To24 = 16777216.0;

TEST(RandomTest, PublishedNumbers)
{
    CRandom unseeded, seeded(1802, 9373);
    for (double dExpected : {1952718.0, 16187443.0, 14813785.0})
    {
        EXPECT_EQ(unseeded.Uniform() * k2To24, dExpected);
        EXPECT_EQ(seeded.Uniform() * k2To24, dExpected);
    }
    seeded.Seed(1802, 9373);
    for (int i = 0; i < 20000; ++i)
        seeded.Uniform();
    for (double dExpected : {6533892.0, 14220222.0, 7275067.0, 6172232.0, 8354498.0, 10633180.0})
        EXPECT_EQ(seeded.Uniform() * k2To24, dExpected);
}

TEST(RandomTest, SeedsOutOfRangeFallBackToTheDefaults)
{
    const struct { int ij, kl; bool bDefault; } aCases[] = {
        {31329, 0, true}, {-1, 5, true}, {0, 30082, true}, {31328, 30081, false}, {0, 0, false},
    };
    for (const auto& c : aCases)
    {
        CRandom reference(1802, 9373), random(c.ij, c.kl);
        bool bSame = true;
        for (int i = 0; i < 200; ++i)
            bSame = bSame && random.Uniform() == reference.Uniform();
        EXPECT_EQ(bSame, c.bDefault) << c.ij << " " << c.kl;
    }
}

TEST(RandomTest, RangesDrawOneNumberEachAndCoverTheRange)
{
    CRandom random, reference;
    int aCounts[10] = {};
    for (int i = 0; i < 50000; ++i)
    {
        const int n = random.IntInRange(0, 9);
        EXPECT_EQ(n, int(reference.Uniform() * 10));
        ++aCounts[n];
        EXPECT_EQ(random.RealInRange(2.0, 5.0), 2.0 + reference.Uniform() * 3.0);
    }
    for (int nCount : aCounts)
        EXPECT_NEAR(nCount, 5000, 300);
    // A range as wide as int itself stays inside it.
    const int nWide = random.IntInRange(-2147483647 - 1, 2147483647);
    EXPECT_GE(nWide, -2147483647 - 1);
}

TEST(RandomTest, GaussianHasTheRequestedMeanAndDeviation)
{
    CRandom random;
    const int n = 50000;
    double dSum = 0, dSumSquares = 0;
    for (int i = 0; i < n; ++i)
    {
        const double d = random.Gaussian(3.0, 2.0);
        dSum += d;
        dSumSquares += d * d;
    }
    EXPECT_NEAR(dSum / n, 3.0, 0.05);
    EXPECT_NEAR(std::sqrt(dSumSquares / n - (dSum / n) * (dSum / n)), 2.0, 0.05);
}
} // namespace
