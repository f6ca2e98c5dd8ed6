// The renderer's own pseudo-random generator: Marsaglia and Zaman's universal generator
// (RANMAR). Each object is an independent, reproducible stream.
#pragma once

#include "common/util/Types.h"

class CRandom
{
public:
    CRandom();                // unseeded: the first draw seeds with (1802, 9373)
    CRandom(int ij, int kl);  // seeded at once

    // Restarts the stream. Seeds outside 0..31328 and 0..30081 fall back to the
    // defaults (1802, 9373).
    void Seed(int ij, int kl);
    // Next number of the stream, a multiple of 2^-24 from 0 to 1.
    double Uniform();
    // lower + trunc(Uniform() * (upper - lower + 1)); one draw.
    int IntInRange(int lower, int upper);
    // lower + Uniform() * (upper - lower); one draw.
    double RealInRange(double lower, double upper);
    // Normally distributed (ratio of uniforms); two or more draws.
    double Gaussian(double mean, double deviation);

private:
    double m_dU[97]; // lag table, positions 1..97 stored from index 0
    double m_dC;
    double m_dCD;
    double m_dCM;
    sint32 m_nI97;   // 1..97
    sint32 m_nJ97;   // 1..97
    uint32 m_bSeeded;
};
