// CColor, the renderer's colour value, its conversion to image bytes, and the
// clamp functions.
#pragma once

#include "common/util/Types.h"

struct CColor
{
    float r, g, b;

    // The default colour is magenta, so a colour that was never given a
    // value shows up in a picture.
    CColor() : r(1.0f), g(0.0f), b(1.0f) {}
    CColor(float fR, float fG, float fB) : r(fR), g(fG), b(fB) {}

    CColor& operator*=(float s)
    {
        r *= s;
        g *= s;
        b *= s;
        return *this;
    }

    CColor& operator+=(const CColor& d)
    {
        r += d.r;
        g += d.g;
        b += d.b;
        return *this;
    }
};

inline CColor operator+(const CColor& a, const CColor& b) { return CColor(a.r + b.r, a.g + b.g, a.b + b.b); }
inline CColor operator-(const CColor& a, const CColor& b) { return CColor(a.r - b.r, a.g - b.g, a.b - b.b); }
inline CColor operator*(const CColor& a, float s) { return CColor(a.r * s, a.g * s, a.b * s); }
inline CColor operator*(float s, const CColor& a) { return CColor(a.r * s, a.g * s, a.b * s); }

// The upper bound is applied first, so with lo > hi the result is lo; a NaN
// passes through unchanged.
inline float Clamp(float v, float lo, float hi)
{
    const float x = v > hi ? hi : v;
    return lo > x ? lo : x;
}

inline int Clamp(int v, int lo, int hi)
{
    const int x = v > hi ? hi : v;
    return lo > x ? lo : x;
}

struct CColorBytes
{
    uint8 r, g, b;
};

// Each channel becomes clamp(c * 256, 0, 255) truncated toward zero; a NaN
// channel gives 0.
inline CColorBytes ColorToBytes(const CColor& col)
{
    auto ToByte = [](float c) -> uint8 {
        const float t = Clamp(c * 256.0f, 0.0f, 255.0f);
        return t >= 0.0f ? uint8(t) : uint8(0); // NaN fails the test
    };
    return CColorBytes{ToByte(col.r), ToByte(col.g), ToByte(col.b)};
}
