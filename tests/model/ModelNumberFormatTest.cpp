// The numbers of the XML model writer against the C library's "%f" and "%i": every
// float the writer prints must read exactly as printf prints its double value, and
// every index as printf prints it as a signed number.

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "model/ModelFile.h"

namespace
{

std::string PrintfFloat(float fValue)
{
    char sBuffer[64];
    snprintf(sBuffer, sizeof sBuffer, "%f", double(fValue));
    return sBuffer;
}

std::string PrintfInt(sint32 iValue)
{
    char sBuffer[16];
    snprintf(sBuffer, sizeof sBuffer, "%i", iValue);
    return sBuffer;
}

float FromBits(uint32 iBits)
{
    float fValue;
    std::memcpy(&fValue, &iBits, sizeof fValue);
    return fValue;
}

struct FloatCase
{
    float fValue;
    const char* sText;
};

TEST(FloatToString, MatchesPrintfOnValuesThatTestTheRounding)
{
    const float fInf = std::numeric_limits<float>::infinity();
    const float fNan = std::numeric_limits<float>::quiet_NaN();
    const FloatCase cases[] = {
        {0.0f, "0.000000"},
        {-0.0f, "-0.000000"},
        // Exact ties at the sixth decimal go to the even digit.
        {0.0078125f, "0.007812"},
        {0.0234375f, "0.023438"},
        {-0.0078125f, "-0.007812"},
        {1.0078125f, "1.007812"},
        {2.0390625f, "2.039062"},
        // Just beside a tie: the float nearest 5e-7 lies below it, that nearest 1.5e-6 above.
        {0.0000005f, "0.000000"},
        {-0.0000005f, "-0.000000"},
        {0.00000051f, "0.000001"},
        {0.0000015f, "0.000002"},
        {999999.9375f, "999999.937500"},
        {16777216.0f, "16777216.000000"},
        {16777218.0f, "16777218.000000"},
        {1e20f, "100000002004087734272.000000"},
        {FLT_MAX, "340282346638528859811704183484516925440.000000"},
        {FLT_MIN, "0.000000"},
        {-FLT_MIN, "-0.000000"},
        {FromBits(1), "0.000000"},
        {FromBits(0x80000001u), "-0.000000"},
        {0.1f, "0.100000"},
        {1.0f / 3.0f, "0.333333"},
        {123456.789f, "123456.789062"},
        {fInf, "inf"},
        {-fInf, "-inf"},
        {fNan, "nan"},
        {-fNan, "-nan"},
    };
    for (const FloatCase& test : cases)
    {
        EXPECT_EQ(test.sText, FloatToString(test.fValue)) << test.sText;
        EXPECT_EQ(PrintfFloat(test.fValue), FloatToString(test.fValue)) << test.sText;
    }
    // Every odd multiple of 2^-7 is a tie at the sixth decimal, whatever its size.
    for (int i = -3000; i <= 3000; ++i)
    {
        const float fTie = float(2 * i + 1) / 128.0f;
        ASSERT_EQ(PrintfFloat(fTie), FloatToString(fTie)) << i;
        const float fScaled = fTie * 1048576.0f;
        ASSERT_EQ(PrintfFloat(fScaled), FloatToString(fScaled)) << i;
    }
}

TEST(FloatToString, MatchesPrintfOnRandomBitPatterns)
{
    std::mt19937 random(11);
    // Every bit pattern, and values of the size models have, where all six decimals count.
    std::uniform_int_distribution<uint32> bits;
    std::uniform_real_distribution<float> modelSize(-1000.0f, 1000.0f);
    for (int i = 0; i < 1000000; ++i)
    {
        const float fValue = i % 2 == 0 ? FromBits(bits(random)) : modelSize(random);
        ASSERT_EQ(PrintfFloat(fValue), FloatToString(fValue)) << i;
    }
}

TEST(IntToString, MatchesPrintf)
{
    const sint32 cases[] = {0, 1, -1, 9, 10, -10, 99999, INT_MAX, INT_MIN, INT_MIN + 1};
    for (sint32 iValue : cases)
        EXPECT_EQ(PrintfInt(iValue), IntToString(iValue)) << iValue;
    std::mt19937 random(12);
    std::uniform_int_distribution<sint32> values(INT_MIN, INT_MAX);
    for (int i = 0; i < 100000; ++i)
    {
        const sint32 iValue = values(random);
        ASSERT_EQ(PrintfInt(iValue), IntToString(iValue)) << iValue;
    }
}

TEST(WriteLists, EntryLinesAreWhatPrintfMakesOfEveryNumber)
{
    std::mt19937 random(13);
    std::uniform_int_distribution<uint32> bits;
    Vector3d vectors[500];
    Index3 triangles[500];
    std::string sVectors = "<VECTOR3D name=\"NORMALS\" count=\"500\">\n";
    std::string sTriangles = "<INDEX3 name=\"TRIANGLES\" count=\"500\">\n";
    char sLine[256];
    for (int i = 0; i < 500; ++i)
    {
        vectors[i] = Vector3d(FromBits(bits(random)), FromBits(bits(random)), FromBits(bits(random)));
        snprintf(sLine, sizeof sLine, "%f %f %f\n", double(vectors[i].x), double(vectors[i].y),
                 double(vectors[i].z));
        sVectors += sLine;
        triangles[i] = {bits(random), bits(random), bits(random)};
        snprintf(sLine, sizeof sLine, "%i %i %i\n", sint32(triangles[i].a), sint32(triangles[i].b),
                 sint32(triangles[i].c));
        sTriangles += sLine;
    }
    std::string sText;
    WriteVector3dList(sText, vectors, 500, "NORMALS");
    EXPECT_EQ(sVectors + "</VECTOR3D>\n", sText);
    sText.clear();
    WriteIndex3List(sText, triangles, 500, "TRIANGLES");
    EXPECT_EQ(sTriangles + "</INDEX3>\n", sText);
}

} // namespace
