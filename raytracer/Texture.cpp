// Perlin's gradient noise (lattice tables built once from the C library's rand) and the
// marble texture built on it.
#include "raytracer/Texture.h"

#include <cmath>
#include <cstdlib>

namespace
{
const int B = 256;
const int BM = 255;
const int kTableSize = B + B + 2;
// Octaves past this would overflow the integer frequency 1 << i; their terms are
// below 2^-30 anyway.
const uint32 kMaxOctaves = 31;

// Entries B.. repeat entries 0..B+1, so an index of up to 255 + 257 needs no wrap.
int g_aPermutation[kTableSize];
float g_aGradient3[kTableSize][3];
float g_aGradient2[kTableSize][2];
float g_aGradient1[kTableSize];
int g_bTablesNotBuilt = 1;

float RandomGradientComponent()
{
    return float(std::rand() % 512 - 256) * (1.0f / 256.0f);
}

void InitNoiseTables()
{
    g_bTablesNotBuilt = 0;
    for (int i = 0; i < B; ++i)
    {
        g_aPermutation[i] = i;
        g_aGradient1[i] = RandomGradientComponent();

        for (int k = 0; k < 2; ++k)
            g_aGradient2[i][k] = RandomGradientComponent();
        const float fLen2 = std::sqrt(g_aGradient2[i][0] * g_aGradient2[i][0] +
                                      g_aGradient2[i][1] * g_aGradient2[i][1]);
        if (fLen2 > 0.0f) // a zero draw stays a zero gradient instead of NaN
            for (int k = 0; k < 2; ++k)
                g_aGradient2[i][k] /= fLen2;

        for (int k = 0; k < 3; ++k)
            g_aGradient3[i][k] = RandomGradientComponent();
        const float fLen3 = std::sqrt(g_aGradient3[i][0] * g_aGradient3[i][0] +
                                      g_aGradient3[i][1] * g_aGradient3[i][1] +
                                      g_aGradient3[i][2] * g_aGradient3[i][2]);
        if (fLen3 > 0.0f)
            for (int k = 0; k < 3; ++k)
                g_aGradient3[i][k] /= fLen3;
    }

    for (int i = B - 1; i > 0; --i)
    {
        const int j = std::rand() % B;
        const int nSwap = g_aPermutation[i];
        g_aPermutation[i] = g_aPermutation[j];
        g_aPermutation[j] = nSwap;
    }

    for (int i = 0; i < B + 2; ++i)
    {
        g_aPermutation[B + i] = g_aPermutation[i];
        g_aGradient1[B + i] = g_aGradient1[i];
        for (int k = 0; k < 2; ++k)
            g_aGradient2[B + i][k] = g_aGradient2[i][k];
        for (int k = 0; k < 3; ++k)
            g_aGradient3[B + i][k] = g_aGradient3[i][k];
    }
}

// The lattice cell of one coordinate: corner indices b0, b1 and the offsets from them.
// The offset 4096 makes truncation act as floor for coordinates above -4096.
struct SLattice
{
    int b0, b1;
    float r0, r1;
};

inline SLattice Setup(float c)
{
    const float t = c + 4096.0f;
    SLattice l;
    if (t > -2147483648.0f && t < 2147483648.0f)
    {
        const int k = int(t);
        l.b0 = k & BM;
        l.r0 = t - float(k);
    }
    else
    {
        // Out there a float is a multiple of 256: cell index 0, offset 0 (converting it
        // to int would be undefined). NaN keeps its NaN offset.
        l.b0 = 0;
        l.r0 = t == t ? 0.0f : t;
    }
    l.b1 = (l.b0 + 1) & BM;
    l.r1 = l.r0 - 1.0f;
    return l;
}

inline float Fade(float t) { return t * t * (3.0f - 2.0f * t); }
inline float Lerp(float w, float u, float v) { return u + w * (v - u); }
inline float At3(const float* g, float a, float b, float c) { return a * g[0] + b * g[1] + c * g[2]; }
inline float At2(const float* g, float a, float b) { return a * g[0] + b * g[1]; }

inline uint32 BoundOctaves(uint32 octaves)
{
    return octaves < kMaxOctaves ? octaves : kMaxOctaves;
}
} // namespace

float GradientNoise1d(double x)
{
    if (g_bTablesNotBuilt)
        InitNoiseTables();
    const SLattice lx = Setup(float(x));
    const float sx = Fade(lx.r0);
    const float u = lx.r0 * g_aGradient1[g_aPermutation[lx.b0]];
    const float v = lx.r1 * g_aGradient1[g_aPermutation[lx.b1]];
    return Lerp(sx, u, v);
}

float GradientNoise2d(float x, float y)
{
    if (g_bTablesNotBuilt)
        InitNoiseTables();
    const SLattice lx = Setup(x);
    const SLattice ly = Setup(y);
    const int i = g_aPermutation[lx.b0];
    const int j = g_aPermutation[lx.b1];
    const int b00 = g_aPermutation[i + ly.b0];
    const int b10 = g_aPermutation[j + ly.b0];
    const int b01 = g_aPermutation[i + ly.b1];
    const int b11 = g_aPermutation[j + ly.b1];
    const float sx = Fade(lx.r0);
    const float sy = Fade(ly.r0);

    float u = At2(g_aGradient2[b00], lx.r0, ly.r0);
    float v = At2(g_aGradient2[b10], lx.r1, ly.r0);
    const float a = Lerp(sx, u, v);
    u = At2(g_aGradient2[b01], lx.r0, ly.r1);
    v = At2(g_aGradient2[b11], lx.r1, ly.r1);
    const float b = Lerp(sx, u, v);
    return Lerp(sy, a, b);
}

float GradientNoise(const Vector3d& p)
{
    if (g_bTablesNotBuilt)
        InitNoiseTables();
    const SLattice lx = Setup(p.x);
    const SLattice ly = Setup(p.y);
    const SLattice lz = Setup(p.z);
    const int i = g_aPermutation[lx.b0];
    const int j = g_aPermutation[lx.b1];
    const int b00 = g_aPermutation[i + ly.b0];
    const int b10 = g_aPermutation[j + ly.b0];
    const int b01 = g_aPermutation[i + ly.b1];
    const int b11 = g_aPermutation[j + ly.b1];
    const float sx = Fade(lx.r0);
    const float sy = Fade(ly.r0);
    const float sz = Fade(lz.r0);

    float u = At3(g_aGradient3[b00 + lz.b0], lx.r0, ly.r0, lz.r0);
    float v = At3(g_aGradient3[b10 + lz.b0], lx.r1, ly.r0, lz.r0);
    float a = Lerp(sx, u, v);
    u = At3(g_aGradient3[b01 + lz.b0], lx.r0, ly.r1, lz.r0);
    v = At3(g_aGradient3[b11 + lz.b0], lx.r1, ly.r1, lz.r0);
    float b = Lerp(sx, u, v);
    const float c = Lerp(sy, a, b);

    u = At3(g_aGradient3[b00 + lz.b1], lx.r0, ly.r0, lz.r1);
    v = At3(g_aGradient3[b10 + lz.b1], lx.r1, ly.r0, lz.r1);
    a = Lerp(sx, u, v);
    u = At3(g_aGradient3[b01 + lz.b1], lx.r0, ly.r1, lz.r1);
    v = At3(g_aGradient3[b11 + lz.b1], lx.r1, ly.r1, lz.r1);
    b = Lerp(sx, u, v);
    const float d = Lerp(sy, a, b);

    return Lerp(sz, c, d);
}

float Turbulence(const Vector3d& p, uint32 octaves)
{
    const uint32 nOctaves = BoundOctaves(octaves);
    float fSum = 0.0f;
    for (uint32 i = 0; i < nOctaves; ++i)
    {
        const float f = float(1u << i);
        fSum += GradientNoise(p * f) * (1.0f / f);
    }
    return fSum;
}

float Marble(const Vector3d& p, float period, float distortion, uint32 octaves)
{
    const float fT = Turbulence(p, octaves);
    const float fPhase = period * p.x + distortion * fT;
    return std::sin(fPhase);
}

CTexture::CTexture() : m_cColor(0.5f, 0.5f, 0.5f) {}

CTexture::~CTexture() = default;

CTextureMarble::CTextureMarble(float fScale, float fPeriod, float fDistortion, int iOctaves)
    : m_fScale(fScale), m_fPeriod(fPeriod), m_fDistortion(fDistortion), m_iOctaves(iOctaves)
{
    // Builds the noise tables now rather than in the middle of the first render.
    Marble(Vector3d(0.0f, 0.0f, 0.0f), 8.0f, 1.0f, 1);
}

CColor CTextureMarble::GetColor(const Vector3d& localPoint) const
{
    // A negative octave count sums no noise.
    const uint32 nOctaves = m_iOctaves > 0 ? uint32(m_iOctaves) : 0u;
    const float fMarble = Marble(localPoint * m_fScale, m_fPeriod, m_fDistortion, nOctaves);
    return m_cColor * (0.3f * fMarble + 0.6f);
}
