// CColor, ColorToBytes, Clamp and the filling allocation functions.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "common/util/Color.h"

TEST(Color, DefaultIsMagenta)
{
    CColor c;
    EXPECT_EQ(c.r, 1.0f);
    EXPECT_EQ(c.g, 0.0f);
    EXPECT_EQ(c.b, 1.0f);
}

TEST(Color, ToBytesScalesBy256AndTruncates)
{
    struct Case
    {
        CColor c;
        int r, g, b;
    } cases[] = {
        {{1, 0.5f, 0}, 255, 128, 0},
        {{0.999f, 0.003f, -2}, 255, 0, 0},
        {{3, 1.5f, 0.0039f}, 255, 255, 0},
        {{0.25f, 0.1287f, NAN}, 64, 32, 0},
    };
    for (const Case& c : cases)
    {
        CColorBytes bytes = ColorToBytes(c.c);
        EXPECT_EQ(bytes.r, c.r);
        EXPECT_EQ(bytes.g, c.g);
        EXPECT_EQ(bytes.b, c.b);
    }
}

TEST(Color, ClampAppliesTheUpperBoundFirst)
{
    EXPECT_EQ(Clamp(5.0f, 0.0f, 1.0f), 1.0f);
    EXPECT_EQ(Clamp(-5.0f, 0.0f, 1.0f), 0.0f);
    EXPECT_EQ(Clamp(0.5f, 1.0f, 0.0f), 1.0f);
    EXPECT_TRUE(std::isnan(Clamp(NAN, 0.0f, 1.0f)));
    EXPECT_EQ(Clamp(7, 0, 5), 5);
    EXPECT_EQ(Clamp(2, 3, 1), 3);
}

TEST(Color, Arithmetic)
{
    CColor a(0.5f, 0.25f, 1), b(0.25f, 0.25f, 0.5f);
    CColor sum = a + b, diff = a - b, scaled = 2.0f * a;
    EXPECT_EQ(sum.r, 0.75f);
    EXPECT_EQ(diff.b, 0.5f);
    EXPECT_EQ(scaled.g, 0.5f);
    a *= 2.0f;
    a += b;
    EXPECT_EQ(a.r, 1.25f);
}

TEST(FillingNew, EveryNewBlockHoldsBytes02)
{
    // Called as functions, not through new-expressions, which a compiler may
    // elide; the bytes are copied out so no indeterminate value is read.
    for (std::size_t n : {1u, 8u, 100u})
    {
        void* pSingle = ::operator new(n);
        void* pArray = ::operator new[](n);
        std::vector<unsigned char> single(n), array(n);
        std::memcpy(single.data(), pSingle, n);
        std::memcpy(array.data(), pArray, n);
        EXPECT_EQ(single, std::vector<unsigned char>(n, 0x02));
        EXPECT_EQ(array, std::vector<unsigned char>(n, 0x02));
        ::operator delete(pSingle);
        ::operator delete[](pArray);
    }
    ::operator delete(::operator new(0)); // a block even for 0 bytes, nothing filled
}
