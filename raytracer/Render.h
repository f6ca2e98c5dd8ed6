// The recursive ray tracer with its medium stack, the render loop that turns a scene
// seen through a camera into a TGA file, and the mirror and refraction directions.
#pragma once

#include "common/util/Color.h"
#include "common/util/Types.h"
#include "common/vecmat/vector3d.h"
#include "raytracer/Image.h"
#include "raytracer/Random.h"

#include <cstdio>
#include <string>

class CCamera;
class CMaterial;
class CScene;

// Shortest direction Reflect and Refract accept; smallest material weight that starts a
// diffuse sum or a secondary ray; offset of secondary ray origins from the surface.
const float VORL_EPSILON = 8e-6f;
// Depth of the medium stack and of the recursion: shading happens at depth <= 29.
const uint32 MAX_RECURSIONS = 30;

// The mirror image of i about n (both on the same side, normalised on copies).
Vector3d Reflect(Vector3d i, Vector3d n);
// The refracted direction on the far side of the surface for i pointing back toward the
// ray's origin and eta = index of the incoming side over the index of the far side.
// The caller makes sure the radicand 1 - eta^2 (1 - (n.i)^2) is not negative.
Vector3d Refract(Vector3d i, Vector3d n, float eta);
// Refract for callers that cannot rule out total internal reflection: false (out
// untouched) when i or n is too short or the radicand is negative.
bool TryRefract(const Vector3d& i, const Vector3d& n, float eta, Vector3d& out);

// Per-render state. One context serves one render at a time.
class CRenderContext
{
public:
    CRenderContext();
    ~CRenderContext();
    CRenderContext(const CRenderContext&) = delete;
    CRenderContext& operator=(const CRenderContext&) = delete;

    // Builds the scene's partition tree, traces one ray per pixel (antialiasing has no
    // effect), prints "Rendering image", "Line %d" per row and "Saving image", and
    // writes the picture as a TGA file. True only when the whole file was written.
    bool RenderImage(CScene* pScene, CCamera* pCamera, int antialiasing,
                     const std::string& path);

    // The colour of pixel (x, y): a ray through its centre offsets, starting in the
    // outer medium. Needs a built scene tree and an outer medium (RenderImage or
    // ResetOuterMedium).
    CColor TracePixel(CScene* pScene, CCamera* pCamera, int x, int y);

    // The colour seen along the ray from start along dir (any length), written to
    // colour. Leaves the medium stack as it found it.
    void Trace(CScene* pScene, const Vector3d& start, const Vector3d& dir, uint32 depth,
               float weight, CColor& colour);

    // Replaces the outer medium by a fresh one: glass of index 1.0, attenuation 0.005,
    // colour white.
    void ResetOuterMedium();

    // Leaves only the outer medium on the stack (making one if there is none yet), as
    // every pixel starts; for tracing single rays.
    void ResetMediumStack();
    sint32 GetMediumStackIndex() const { return m_MaterialStackIndex; }
    // Rays traced by this context so far (primary and secondary), for statistics.
    unsigned long long GetTracedRayCount() const { return m_nTracedRays; }
    const CMaterial* GetOuterMedium() const { return m_pOuterMedium; }

private:
    CRandom m_Random;                     // never drawn from by the tracer
    CColor m_aColors[256];
    CMaterial* m_apMaterialStack[32];     // entries above the top are undefined
    CMaterial* m_pOuterMedium;            // owned; null until the first render
    sint32 m_MaterialStackIndex;          // top entry; 0 when only the outer medium
    unsigned long long m_nTracedRays;
};

// The render loop both renderers share: prints "Rendering image", then for each row
// "Line %d" and every pixel's colour from pixelColour(x, y) turned into bytes, then
// "Saving image", and writes the picture as TGA. A picture without pixels has no
// row. Returns whether the whole file was written.
template <class PixelColour>
bool RenderPicture(int nWidth, int nHeight, const std::string& path, PixelColour pixelColour)
{
    CImage image(nWidth, nHeight);
    puts("Rendering image");
    if (image.HasBuffer())
    {
        for (int y = 0; y < nHeight; ++y)
        {
            printf("Line %d\n", y);
            for (int x = 0; x < nWidth; ++x)
            {
                const CColorBytes bytes = ColorToBytes(pixelColour(x, y));
                image.SetPixel(x, y, bytes.r, bytes.g, bytes.b);
            }
        }
    }
    puts("Saving image");
    return image.SaveTga(path.c_str());
}
