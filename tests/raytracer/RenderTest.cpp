// The tracer and the render loop: colours worked out by hand for small scenes, the medium
// stack, hits that have no direction, and the TGA file with its progress lines.
#include "raytracer/Render.h"

#include "raytracer/Camera.h"
#include "raytracer/Geometry.h"
#include "raytracer/Material.h"
#include "raytracer/Texture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace
{
const CColor kSky(0.9f, 0.9f, 1.0f);
const CColor kWhite(1, 1, 1);

// (c - m) a + m with a = exp(-k d): the fade toward a medium's colour; by default the
// outer medium's.
CColor Blend(const CColor& c, float d, const CColor& m = kWhite, float k = 0.005f)
{
    return (c - m) * float(std::exp(-double(k) * d)) + m;
}

CColor Grey(float f)
{
    return CColor(f, f, f);
}

void ExpectColor(const CColor& c, const CColor& e, float fTolerance = 1e-5f)
{
    EXPECT_NEAR(c.r, e.r, fTolerance);
    EXPECT_NEAR(c.g, e.g, fTolerance);
    EXPECT_NEAR(c.b, e.b, fTolerance);
}

CSphere* AddSphere(CScene& scene, const Vector3d& vCentre, float r, CMaterial* pMaterial,
                   const CColor& cColor = kWhite)
{
    CSphere* pSphere = new CSphere;
    EXPECT_TRUE(pSphere->SetTransform(Matrix3d(Vector3d(r, 0, 0), Vector3d(0, r, 0), Vector3d(0, 0, r), vCentre)));
    pSphere->m_pMaterial = pMaterial;
    pSphere->m_cColor = cColor;
    scene.AddPrimitive(pSphere);
    return pSphere;
}

// A square of side 2 h centred on the z axis at height z.
void AddSquare(CScene& scene, float h, float z, CMaterial* pMaterial)
{
    CPlane* pPlane = new CPlane;
    EXPECT_TRUE(pPlane->SetTransform(Matrix3d(Vector3d(2 * h, 0, 0), Vector3d(0, 2 * h, 0), Vector3d(0, 0, 1),
                                              Vector3d(-h, -h, z))));
    pPlane->m_pMaterial = pMaterial;
    scene.AddPrimitive(pPlane);
}

// Every ray toward its box hits one fixed point with one fixed normal.
class CFixedHit : public CPrimitive
{
public:
    CFixedHit(const Vector3d& vHit, const Vector3d& vNormal) : m_vHit(vHit), m_vFixedNormal(vNormal) {}
    bool Intersect(const Vector3d&, const Vector3d&, Vector3d& vHitPoint, Vector3d& vNormal) const override
    {
        vHitPoint = m_vHit;
        vNormal = m_vFixedNormal;
        return true;
    }
    Vector3d GetBoundingBoxMin() const override { return Vector3d(-1, -1, -1); }
    Vector3d GetBoundingBoxMax() const override { return Vector3d(1, 1, 1); }
    void Print() const override {}

private:
    Vector3d m_vHit, m_vFixedNormal;
};

class TraceTest : public ::testing::Test
{
protected:
    // The colour seen from (0, 0, 5) looking down -z, unless told otherwise.
    CColor Trace(uint32 depth = 0, float weight = 1.0f, const Vector3d& vStart = Vector3d(0, 0, 5),
                 const Vector3d& vDir = Vector3d(0, 0, -1))
    {
        m_Scene.BuildBsp();
        m_Context.ResetMediumStack();
        CColor c(1, 0, 1);
        m_Context.Trace(&m_Scene, vStart, vDir, depth, weight, c);
        EXPECT_EQ(m_Context.GetMediumStackIndex(), 0); // left as found
        return c;
    }

    CScene m_Scene;
    CRenderContext m_Context;
    CMaterialDiffuse m_Diffuse;
    CMaterialMetal m_Metal;
    CMaterialGlass m_Glass;
};

TEST_F(TraceTest, DiffuseSphereUnderPointLights)
{
    const struct { std::vector<CLight> vLights; uint32 depth; float weight; float fSum; } aCases[] = {
        {{CLight(Vector3d(0, 0, 10), 3.0f)}, 0, 1.0f, 9.0f / 81.0f}, // power squared over 9^2
        {{CLight(Vector3d(0, 0, 10), 3.0f), CLight(Vector3d(0, 0, 4), 1.0f)}, 0, 1.0f, 9.0f / 81.0f + 1.0f / 9.0f},
        {{CLight(Vector3d(0, 3, 5), 2.0f)}, 0, 1.0f, 0.8f * 4.0f / 25.0f}, // cosine 4/5
        {{CLight(Vector3d(0, 0, -10), 3.0f)}, 0, 1.0f, 0.0f},           // behind the surface
        {{CLight(Vector3d(10, 0, 1), 3.0f)}, 0, 1.0f, 0.0f},            // grazing
        {{}, 0, 1.0f, 0.0f},
        {{CLight(Vector3d(0, 0, 10), 3.0f)}, 29, 1.0f, 9.0f / 81.0f},   // deepest shaded level
        {{CLight(Vector3d(0, 0, 10), 3.0f)}, 30, 1.0f, 0.0f},           // hit and blended only
        {{CLight(Vector3d(0, 0, 10), 3.0f)}, 0, 1.0f / 256.0f, 0.0f},   // too faint
    };
    for (const auto& c : aCases)
    {
        CScene scene;
        AddSphere(scene, Vector3d(0, 0, 0), 1, &m_Diffuse, CColor(1.0f, 0.5f, 0.0f));
        for (const CLight& light : c.vLights)
            scene.AddLight(light);
        scene.BuildBsp();
        m_Context.ResetMediumStack();
        CColor col;
        m_Context.Trace(&scene, Vector3d(0, 0, 5), Vector3d(0, 0, -1), c.depth, c.weight, col);
        ExpectColor(col, Blend(CColor(c.fSum, 0.5f * c.fSum, 0.0f), 4.0f));
    }
    m_Scene.AddLight(CLight(Vector3d(0, 0, 10), 3.0f));
    AddSphere(m_Scene, Vector3d(0, 0, 0), 1, &m_Diffuse);
    ExpectColor(Trace(), Grey(0.1287f), 1e-4f);
}

TEST_F(TraceTest, MissIsTheSkyAtAnyDepthAndWeight)
{
    AddSphere(m_Scene, Vector3d(0, 0, 0), 1, &m_Diffuse);
    for (uint32 depth : {0u, 30u, 40u})
        ExpectColor(Trace(depth, 0.001f, Vector3d(0, 0, 5), Vector3d(0, 0, 1)), kSky, 0.0f);
}

TEST_F(TraceTest, TextureIsEvaluatedInThePrimitivesLocalSpace)
{
    // Without distortion the factor is 0.3 sin(local x) + 0.6: 0.6 at the local pole.
    CTextureMarble marble(1.0f, 1.0f, 0.0f, 1);
    marble.SetColor(kWhite);
    AddSphere(m_Scene, Vector3d(10, 0, 0), 1, &m_Diffuse)->m_pTexture = &marble;
    m_Scene.AddLight(CLight(Vector3d(10, 0, 10), 3.0f));
    ExpectColor(Trace(0, 1.0f, Vector3d(10, 0, 5)), Blend(Grey(0.6f * 9.0f / 81.0f), 4.0f));
}

TEST_F(TraceTest, MetalSphereMirrorsTheSky)
{
    AddSphere(m_Scene, Vector3d(0, 0, 0), 1, &m_Metal);
    ExpectColor(Trace(), Blend(kSky * 0.9f, 4.0f)); // no light: 0.9 of the sky behind the eye
}

TEST_F(TraceTest, MirrorsFacingEachOtherStopAfterThirtyLevels)
{
    AddSquare(m_Scene, 50, 0, &m_Metal);
    AddSquare(m_Scene, 50, 1, &m_Metal);
    // Depth 30 is hit and blended only; each level above reflects 0.9 of the next.
    CColor cExpected = Blend(Grey(0), 1.0f);
    for (int nDepth = 29; nDepth >= 1; --nDepth)
        cExpected = Blend(cExpected * 0.9f, 1.0f);
    ExpectColor(Trace(0, 1.0f, Vector3d(0.25f, 0.25f, 0.5f)), Blend(cExpected * 0.9f, 0.5f), 2e-5f);
}

TEST_F(TraceTest, GlassOfIndexOnePassesRaysStraightThrough)
{
    // Glass filled with a medium like the outer one: the picture is as without it.
    m_Glass.SetAttenuation(0.005f);
    m_Glass.SetColor(kWhite);
    AddSphere(m_Scene, Vector3d(0, 0, 0), 1, &m_Diffuse);
    AddSquare(m_Scene, 10, 3, &m_Glass);
    m_Scene.AddLight(CLight(Vector3d(0, 0, 10), 3.0f));
    ExpectColor(Trace(), Blend(Grey(9.0f / 81.0f), 4.0f));
}

TEST_F(TraceTest, GlassSphereTintsTowardItsColourOverThePathInside)
{
    m_Glass.SetAttenuation(1.0f);
    m_Glass.SetColor(CColor(1, 0, 0));
    AddSphere(m_Scene, Vector3d(0, 0, 0), 1, &m_Glass);
    // Inside: the sky faded toward red over the diameter; outside: toward white.
    ExpectColor(Trace(), Blend(Blend(kSky, 2.0f, CColor(1, 0, 0), 1.0f), 4.0f), 2e-5f);
}

TEST_F(TraceTest, ThirtyNestedMediaDoNotOverflowTheStack)
{
    // The ray enters 32 concentric glass spheres; the 30th medium is never pushed.
    m_Glass.SetAttenuation(0.01f);
    m_Glass.SetColor(CColor(0, 0, 1));
    for (int i = 1; i <= 32; ++i)
        AddSphere(m_Scene, Vector3d(0, 0, 0), float(i), &m_Glass);
    const CColor c = Trace(0, 1.0f, Vector3d(0, 0, 100));
    for (float f : {c.r, c.g, c.b})
        EXPECT_TRUE(f >= 0.0f && f <= 1.0f) << f;
}

TEST_F(TraceTest, HitsWithoutADirectionAreBlendedButNotShaded)
{
    for (const Vector3d& vNormal : {Vector3d(0, 0, 0), Vector3d(std::nanf(""), 0, 1), Vector3d(0, 0, 1e-7f),
                                    Vector3d(0, 0, INFINITY)})
    {
        CScene scene;
        scene.AddLight(CLight(Vector3d(0, 0, 10), 3.0f));
        scene.AddPrimitive(new CFixedHit(Vector3d(0, 0, 1), vNormal));
        scene.BuildBsp();
        m_Context.ResetMediumStack();
        CColor c;
        m_Context.Trace(&scene, Vector3d(0, 0, 5), Vector3d(0, 0, -1), 0, 1.0f, c);
        ExpectColor(c, Blend(Grey(0), 4.0f));
    }
    // A ray of no length that still reports a hit.
    m_Scene.AddPrimitive(new CFixedHit(Vector3d(0, 0, 1), Vector3d(0, 0, 1)));
    ExpectColor(Trace(0, 1.0f, Vector3d(0, 0, 5), Vector3d(0, 0, 0)), Blend(Grey(0), 4.0f));
}

TEST_F(TraceTest, ALightAtTheHitPointIsSkipped)
{
    m_Scene.AddPrimitive(new CFixedHit(Vector3d(0, 0, 1), Vector3d(0, 0, 1)));
    m_Scene.AddLight(CLight(Vector3d(0, 0, 1), 5.0f));
    m_Scene.AddLight(CLight(Vector3d(0, 0, 10), 3.0f));
    ExpectColor(Trace(), Blend(Grey(9.0f / 81.0f), 4.0f));
}

TEST(ReflectRefractTest, Directions)
{
    const float s = std::sqrt(0.5f);
    const struct { Vector3d i, n; float eta; Vector3d reflected, refracted; } aCases[] = {
        {{0, 0, 5}, {0, 0, 2}, 0.5f, {0, 0, 1}, {0, 0, -1}},   // lengths do not matter
        {{s, 0, s}, {0, 0, 1}, 1.0f, {-s, 0, s}, {-s, 0, -s}}, // index ratio 1: straight on
        {{s, 0, s}, {0, 0, 1}, 1.0f / 1.5f, {-s, 0, s}, {-s / 1.5f, 0, -std::sqrt(1.0f - 0.5f / 2.25f)}},
    };
    for (const auto& c : aCases)
    {
        const Vector3d r = Reflect(c.i, c.n), t = Refract(c.i, c.n, c.eta);
        EXPECT_NEAR(r.x, c.reflected.x, 1e-6f);
        EXPECT_NEAR(r.z, c.reflected.z, 1e-6f);
        EXPECT_NEAR(t.x, c.refracted.x, 1e-6f);
        EXPECT_NEAR(t.z, c.refracted.z, 1e-6f);
    }
    // Total internal reflection and vectors too short for a direction.
    Vector3d out(9, 9, 9);
    EXPECT_FALSE(TryRefract(Vector3d(s, 0, s), Vector3d(0, 0, 1), 1.5f, out));
    EXPECT_FALSE(TryRefract(Vector3d(0, 0, 0), Vector3d(0, 0, 1), 1.0f, out));
    EXPECT_EQ(out.x, 9.0f);
}

TEST(TracerDeathTest, BrokenPreconditionsNameTheirCheck)
{
    const char* pDirections = "fRayLen > VORL_EPSILON && fNormalLen > VORL_EPSILON";
    EXPECT_DEATH(Reflect(Vector3d(0, 0, 0), Vector3d(0, 0, 1)), pDirections);
    EXPECT_DEATH(Reflect(Vector3d(0, 0, 1), Vector3d(0, 0, 4e-6f)), pDirections);
    EXPECT_DEATH(Refract(Vector3d(0, 0, 1e-6f), Vector3d(0, 0, 1), 1.0f), pDirections);
    EXPECT_DEATH(Refract(Vector3d(0, 0, 1), Vector3d(0, 0, 0), 1.0f), pDirections);
    CScene scene;
    CPlaneCamera camera(2, 2, 2.0f);
    CRenderContext context;
    EXPECT_DEATH(context.RenderImage(nullptr, &camera, 0, "no-scene.tga"), "pScene && pCamera");
    EXPECT_DEATH(context.RenderImage(&scene, nullptr, 0, "no-camera.tga"), "pScene && pCamera");
}

TEST(RenderPixelTest, MirrorSphereFarFromTheCameraShowsNoSpecks)
{
    // Seen from thirty radii away, a sphere hit solved in float would land up to
    // about 1e-5 inside the surface, and a reflected ray starting there would hit
    // the sphere again and darken its pixel.
    const Vector3d vCentre(0.5f, -0.25f, 0.0f);
    CScene scene;
    CMaterialMetal metal;
    AddSphere(scene, vCentre, 1, &metal);
    CPlaneCamera camera(48, 48, 12.0f);
    ASSERT_TRUE(camera.LookAt(vCentre + Vector3d(3, 5, 30), vCentre, Vector3d(0, 1, 0)));
    scene.BuildBsp();
    CRenderContext context;
    int nHits = 0;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 48; ++x)
        {
            const CColor c = context.TracePixel(&scene, &camera, x, y);
            if (c.r == kSky.r)
                continue;
            ++nHits;
            // A convex mirror sees only the sky, 0.9 of it, faded over 29 to 31 units.
            EXPECT_GE(c.r, Blend(kSky * 0.9f, 28.0f).r) << x << " " << y;
            EXPECT_LE(c.r, Blend(kSky * 0.9f, 32.0f).r) << x << " " << y;
        }
    EXPECT_GT(nHits, 200);
}

struct SRender
{
    bool bSaved;
    std::string output;
    std::vector<unsigned char> file;
    CColorBytes probe; // pixel (2, 1) traced on its own
};

SRender RenderSphere(int nWidth, int nHeight, int nAntialiasing, const std::string& path)
{
    CScene scene;
    CMaterialDiffuse diffuse;
    AddSphere(scene, Vector3d(0, 0, 0), 1, &diffuse);
    scene.AddLight(CLight(Vector3d(0, 0, 10), 3.0f));
    CPlaneCamera camera(nWidth, nHeight, 2.0f);
    camera.LookAt(Vector3d(0, 0, 5), Vector3d(0, 0, 0), Vector3d(0, 1, 0));
    CRenderContext context;
    SRender result;
    testing::internal::CaptureStdout();
    result.bSaved = context.RenderImage(&scene, &camera, nAntialiasing, path);
    result.output = testing::internal::GetCapturedStdout();
    std::ifstream file(path, std::ios::binary);
    result.file.assign(std::istreambuf_iterator<char>(file), {});
    std::remove(path.c_str());
    result.probe = ColorToBytes(context.TracePixel(&scene, &camera, 2, 1));
    return result;
}

TEST(RenderImageTest, WritesTheTgaFileWithProgressLines)
{
    const SRender result = RenderSphere(4, 3, 0, "render-sphere.tga");
    EXPECT_TRUE(result.bSaved);
    EXPECT_EQ(result.output, "Rendering image\nLine 0\nLine 1\nLine 2\nSaving image\n");
    ASSERT_EQ(result.file.size(), 18u + 4u * 4u * 3u);
    // Pixel (0, 0) misses: the sky as blue, green, red, 0.
    EXPECT_EQ(std::vector<unsigned char>(result.file.begin() + 18, result.file.begin() + 22),
              (std::vector<unsigned char>{255, 230, 230, 0}));
    // Pixel (2, 1) sees the lit sphere; row 1 follows row 0's four pixels.
    const size_t nPixel = 18 + 4 * (1 * 4 + 2);
    EXPECT_EQ(result.file[nPixel + 0], result.probe.b);
    EXPECT_EQ(result.file[nPixel + 2], result.probe.r);
    EXPECT_NEAR(result.probe.r, 30, 3);
    // The antialiasing level changes nothing.
    EXPECT_EQ(RenderSphere(4, 3, 4, "render-sphere-aa.tga").file, result.file);
}

TEST(RenderImageTest, FailuresToSaveAreReported)
{
    const struct { int nWidth, nHeight; const char* pPath; const char* pOutput; } aCases[] = {
        {2, 1, "no-such-folder/picture.tga", "Rendering image\nLine 0\nSaving image\n"},
        {0, 5, "empty-picture.tga", "Rendering image\nSaving image\n"}, // nothing to trace
        {5, -1, "negative-picture.tga", "Rendering image\nSaving image\n"},
    };
    for (const auto& c : aCases)
    {
        const SRender result = RenderSphere(c.nWidth, c.nHeight, 0, c.pPath);
        EXPECT_FALSE(result.bSaved) << c.pPath;
        EXPECT_EQ(result.output, c.pOutput);
        EXPECT_TRUE(result.file.empty());
    }
}
} // namespace
