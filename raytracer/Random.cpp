// RANMAR, the universal random number generator of Marsaglia and Zaman: a lagged
// Fibonacci table combined with an arithmetic sequence, exact in double precision.
#include "raytracer/Random.h"

#include <climits>
#include <cmath>

namespace
{
const int kDefaultIJ = 1802;
const int kDefaultKL = 9373;
} // namespace

CRandom::CRandom() : m_bSeeded(0)
{
    // The rest is set by Seed on the first draw; zeroed so nothing reads unset bytes.
    for (double& d : m_dU)
        d = 0.0;
    m_dC = m_dCD = m_dCM = 0.0;
    m_nI97 = m_nJ97 = 0;
}

CRandom::CRandom(int ij, int kl)
{
    Seed(ij, kl);
}

void CRandom::Seed(int ij, int kl)
{
    if (ij < 0 || ij > 31328 || kl < 0 || kl > 30081)
    {
        ij = kDefaultIJ;
        kl = kDefaultKL;
    }
    int i = (ij / 177) % 177 + 2;
    int j = ij % 177 + 2;
    int k = (kl / 169) % 178 + 1;
    int l = kl % 169;

    for (double& dEntry : m_dU)
    {
        double s = 0.0;
        double t = 0.5;
        for (int n = 0; n < 24; ++n)
        {
            const int m = (((i * j) % 179) * k) % 179;
            i = j;
            j = k;
            k = m;
            l = (53 * l + 1) % 169;
            if ((l * m) % 64 >= 32)
                s += t;
            t *= 0.5;
        }
        dEntry = s;
    }

    m_dC = 362436.0 / 16777216.0;
    m_dCD = 7654321.0 / 16777216.0;
    m_dCM = 16777213.0 / 16777216.0;
    m_nI97 = 97;
    m_nJ97 = 33;
    m_bSeeded = 1;
}

double CRandom::Uniform()
{
    if (!m_bSeeded)
        Seed(kDefaultIJ, kDefaultKL);

    double x = m_dU[m_nI97 - 1] - m_dU[m_nJ97 - 1];
    if (x <= 0.0)
        x += 1.0;
    m_dU[m_nI97 - 1] = x;

    if (--m_nI97 == 0)
        m_nI97 = 97;
    if (--m_nJ97 == 0)
        m_nJ97 = 97;

    m_dC -= m_dCD;
    if (m_dC < 0.0)
        m_dC += m_dCM;

    x -= m_dC;
    if (x < 0.0)
        x += 1.0;
    return x;
}

int CRandom::IntInRange(int lower, int upper)
{
    // In 64 bits, so that ranges as wide as int itself do not overflow; the one value
    // past upper (when Uniform returns exactly 1) is kept inside int.
    const long long nWidth = (long long)upper - lower + 1;
    const long long nValue = lower + (long long)(Uniform() * double(nWidth));
    return nValue > INT_MAX ? INT_MAX : int(nValue);
}

double CRandom::RealInRange(double lower, double upper)
{
    return lower + Uniform() * (upper - lower);
}

double CRandom::Gaussian(double mean, double deviation)
{
    double u, v, q;
    for (;;)
    {
        u = Uniform();
        v = Uniform();
        if (u <= 0.0 || v <= 0.0)
        {
            u = 1.0;
            v = 1.0;
        }
        v = 1.7156 * (v - 0.5);
        const double x = u - 0.449871;
        const double y = std::fabs(v) + 0.386595;
        q = x * x + y * (0.196 * y - 0.25472 * x);
        if (q < 0.27597)
            break;
        if (q > 0.27846 || v * v > -4.0 * std::log(u) * u * u)
            continue;
        break;
    }
    return mean + deviation * v / u;
}
