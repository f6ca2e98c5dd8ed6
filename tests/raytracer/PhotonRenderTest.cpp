// Tests of the photon renderer: the Russian-roulette branches and their ray offsets,
// photons that cannot go on, emission from the first light only, the two pictures (byte
// sums, red marks, irradiance) and reproducible runs.
#include "raytracer/PhotonRender.h"

#include "raytracer/Camera.h"
#include "raytracer/Geometry.h"
#include "raytracer/Material.h"
#include "raytracer/Random.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace
{
std::vector<unsigned char> ReadBytes(const std::string& sPath)
{
    std::ifstream file(sPath, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(file), {});
}

using Rgb = std::array<int, 3>;

// Pixel (x, y) of a 32-bit TGA file of the given width (blue, green, red, 0).
Rgb TgaPixel(const std::vector<unsigned char>& vFile, int nWidth, int x, int y)
{
    const size_t i = 18 + 4 * static_cast<size_t>(y * nWidth + x);
    if (vFile.size() < i + 4)
        return Rgb{-1, -1, -1};
    return Rgb{vFile[i + 2], vFile[i + 1], vFile[i]};
}

int CountNonBlack(const std::vector<unsigned char>& vFile)
{
    int nCount = 0;
    for (size_t i = 18; i + 3 < vFile.size(); i += 4)
        nCount += (vFile[i] | vFile[i + 1] | vFile[i + 2]) != 0;
    return nCount;
}

std::string CapturedOutput()
{
    fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

Matrix3d Placement(const Vector3d& vPosition, float fScale)
{
    return Matrix3d(Vector3d(fScale, 0, 0), Vector3d(0, fScale, 0), Vector3d(0, 0, fScale), vPosition);
}

template <class T>
T* Add(CScene& scene, const Vector3d& vPosition, float fScale, CMaterial* pMaterial,
       const CColor& cColor)
{
    T* p = new T;
    EXPECT_TRUE(p->SetTransform(Placement(vPosition, fScale)));
    if (pMaterial)
        p->m_pMaterial = pMaterial;
    p->m_cColor = cColor;
    scene.AddPrimitive(p);
    return p;
}

CPhoton MakePhoton(const Vector3d& vPosition, const Vector3d& vDirection,
                   const CColor& cPower = CColor(1, 1, 1))
{
    CPhoton photon;
    photon.m_vPosition = vPosition;
    photon.m_vDirection = vDirection;
    photon.m_cPower = cPower;
    return photon;
}

// Fixed weights, and a record of the cosines it was asked about.
class CFixedMaterial : public CMaterial
{
public:
    CFixedMaterial(float kr, float kt, float kd, float fIndex) : m_kr(kr), m_kt(kt), m_kd(kd)
    {
        SetRefractionIndex(fIndex);
    }
    bool Reflects() const override { return m_kr > 0; }
    bool Refracts() const override { return m_kt > 0; }
    void GetCoefficients(float fCos, float& fReflect, float& fRefract,
                         float& fDiffuse) const override
    {
        m_vCosines.push_back(fCos);
        fReflect = m_kr;
        fRefract = m_kt;
        fDiffuse = m_kd;
    }
    mutable std::vector<float> m_vCosines;

private:
    float m_kr, m_kt, m_kd;
};

// The plane z = m_fZ, 200 wide, hit from either side with a normal chosen by the test.
class CTestPlane : public CPrimitive
{
public:
    CTestPlane(float fZ, const Vector3d& vNormal) : m_fZ(fZ), m_vNormal(vNormal) {}
    bool Intersect(const Vector3d& vStart, const Vector3d& vEnd, Vector3d& vHitPoint,
                   Vector3d& vNormal) const override
    {
        const double dz = double(vEnd.z) - vStart.z;
        if (dz == 0.0)
            return false;
        const double t = (double(m_fZ) - vStart.z) / dz;
        if (t < 0.0)
            return false;
        vHitPoint = Vector3d(float(vStart.x + t * (double(vEnd.x) - vStart.x)),
                             float(vStart.y + t * (double(vEnd.y) - vStart.y)), m_fZ);
        vNormal = m_vNormal;
        return std::fabs(vHitPoint.x) <= 100 && std::fabs(vHitPoint.y) <= 100;
    }
    Vector3d GetBoundingBoxMin() const override { return Vector3d(-100, -100, m_fZ - 1); }
    Vector3d GetBoundingBoxMax() const override { return Vector3d(100, 100, m_fZ + 1); }
    void Print() const override {}

private:
    float m_fZ;
    Vector3d m_vNormal;
};

// Never hit; records every distinct ray the scene is asked about, as start and direction.
class CRayRecorder : public CPrimitive
{
public:
    bool Intersect(const Vector3d& vStart, const Vector3d& vEnd, Vector3d&,
                   Vector3d&) const override
    {
        const Vector3d vDir = vEnd - vStart;
        if (m_vRays.empty() || !Same(m_vRays.back().first, vStart) ||
            !Same(m_vRays.back().second, vDir))
            m_vRays.emplace_back(vStart, vDir);
        return false;
    }
    Vector3d GetBoundingBoxMin() const override { return Vector3d(-1000, -1000, -1000); }
    Vector3d GetBoundingBoxMax() const override { return Vector3d(1000, 1000, 1000); }
    void Print() const override {}
    mutable std::vector<std::pair<Vector3d, Vector3d>> m_vRays;

private:
    static bool Same(const Vector3d& a, const Vector3d& b)
    {
        return a.x == b.x && a.y == b.y && a.z == b.z;
    }
};

void ExpectVector(const Vector3d& v, const Vector3d& expected, const char* pName)
{
    EXPECT_NEAR(v.x, expected.x, 1e-5f) << pName;
    EXPECT_NEAR(v.y, expected.y, 1e-5f) << pName;
    EXPECT_NEAR(v.z, expected.z, 1e-5f) << pName;
}
} // namespace

TEST(PhotonRenderTest, BranchesStartTheNextPhotonOnTheRightSide)
{
    const float s = 0.5f, c = std::sqrt(0.75f); // sin and cos of 30 degrees
    struct Case
    {
        const char* pName;
        float kr, kt, kd, fIndex;
        CColor cSurface;
        Vector3d vNormal; // as the surface reports it
        float fPlaneZ;
        Vector3d vStart, vDirection;
        size_t nRays;         // rays traced in all
        Vector3d vNextStart;  // the second ray, when there is one
        Vector3d vNextDir;    // expected exactly, or only its side for a diffuse bounce
        uint32 nStored;
    };
    // Starts keep off the scene tree's split planes (x = 0, y = 0 here): a ray running
    // exactly along one may be missed by the tree.
    const Case cases[] = {
        {"mirror", 1, 0, 0, 1.0f, CColor(1, 1, 1), {0, 0, 1}, 0, {0.25f, 0.25f, 1}, {0, 0, -1},
         2, {0.25f, 0.25f, 1e-6f}, {0, 0, 1}, 0},
        {"straight through", 0, 1, 0, 1.0f, CColor(1, 1, 1), {0, 0, 1}, 0, {0.25f, 0.25f, 1},
         {0, 0, -1}, 2, {0.25f, 0.25f, -1e-6f}, {0, 0, -1}, 0},
        {"leaving glass bends away by the index itself", 0, 1, 0, 1.5f, CColor(1, 1, 1),
         {0, 0, 1}, 0, {0.1f, 0.1f, -1}, {s, 0, c}, 2, {0.1f + s / c, 0.1f, 1e-6f},
         {0.75f, 0, std::sqrt(1 - 0.5625f)}, 0},
        {"leaving glass at a grazing angle is lost", 0, 1, 0, 1.5f, CColor(1, 1, 1), {0, 0, 1}, 0,
         {0.1f, 0.1f, -1}, {0.8f, 0, 0.6f}, 1, {}, {}, 0},
        {"white diffuse bounces upward", 0, 0, 1, 1.0f, CColor(1, 1, 1), {0, 0, 1}, 0,
         {0.25f, 0.25f, 1}, {0, 0, -1}, 2, {0.25f, 0.25f, 1e-6f}, {0, 0, 1}, 1},
        {"black diffuse absorbs", 0, 0, 1, 1.0f, CColor(0, 0, 0), {0, 0, 1}, 0,
         {0.25f, 0.25f, 1}, {0, 0, -1}, 1, {}, {}, 1},
        {"a surface without a normal drops the photon", 1, 0, 0, 1.0f, CColor(1, 1, 1),
         {0, 0, 0}, 0, {0.25f, 0.25f, 1}, {0, 0, -1}, 1, {}, {}, 0},
        {"a very short normal still has its direction", 1, 0, 0, 1.0f, CColor(1, 1, 1),
         {0, 0, 1e-8f}, 0, {0.25f, 0.25f, 1}, {0, 0, -1}, 2, {0.25f, 0.25f, 1e-6f}, {0, 0, 1}, 0},
        {"far from the origin the mirror does not catch itself", 1, 0, 0, 1.0f, CColor(1, 1, 1),
         {0, 0, 1}, 300, {0.25f, 0.25f, 301}, {0, 0, -1}, 2, {0.25f, 0.25f, 300.0003f}, {0, 0, 1},
         0},
    };
    for (const Case& t : cases)
    {
        CFixedMaterial material(t.kr, t.kt, t.kd, t.fIndex);
        CScene scene;
        CTestPlane* pPlane = new CTestPlane(t.fPlaneZ, t.vNormal);
        pPlane->m_pMaterial = &material;
        pPlane->m_cColor = t.cSurface;
        scene.AddPrimitive(pPlane);
        CRayRecorder* pRecorder = new CRayRecorder;
        scene.AddPrimitive(pRecorder);
        scene.BuildBsp();

        CPhotonRender render;
        render.TracePhoton(&scene, MakePhoton(t.vStart, t.vDirection), 0);
        const auto& vRays = pRecorder->m_vRays;
        ASSERT_EQ(vRays.size(), t.nRays) << t.pName;
        EXPECT_EQ(render.GetPhotonMap().GetPhotonCount(), t.nStored) << t.pName;
        // The cosine handed to the material is never negative.
        for (float fCos : material.m_vCosines)
            EXPECT_GE(fCos, 0.0f) << t.pName;
        if (t.nRays < 2)
            continue;
        ExpectVector(vRays[1].first, t.vNextStart, t.pName);
        EXPECT_NEAR(vRays[1].second.Length(), 1.0f, 1e-5f) << t.pName;
        if (t.kd > 0)
            EXPECT_GT(Dot(vRays[1].second, t.vNextDir), 0.0f) << t.pName;
        else
            ExpectVector(vRays[1].second, t.vNextDir, t.pName);
    }
}

TEST(PhotonRenderTest, WhiteDiffuseNeverAbsorbsUntilTheDepthLimit)
{
    // Inside a closed white sphere every photon hits 21 times and is stored at each hit.
    // The second light never emits.
    CScene scene;
    Add<CSphere>(scene, Vector3d(0, 0, 0), 5.0f, nullptr, CColor(1, 1, 1));
    scene.AddLight(CLight(Vector3d(0.5f, 0, 0), 1.0f));
    scene.AddLight(CLight(Vector3d(100, 0, 0), 1.0f));
    CPhotonRender render;
    testing::internal::CaptureStdout();
    render.ComputePhotonMap(&scene, 40);
    EXPECT_EQ(CapturedOutput(), "Computing photon map\nEmitted photons: 40, Photons in map: 840\n");
    for (const CPhoton* pPhoton : render.GetPhotonMap().GetPhotons())
    {
        EXPECT_EQ(pPhoton->m_cPower.r + pPhoton->m_cPower.g + pPhoton->m_cPower.b, 3.0f);
        EXPECT_NEAR(pPhoton->m_vPosition.Length(), 5.0f, 1e-3f);
    }
}

TEST(PhotonRenderTest, MetalReflectsBelowNineTenthsAndAbsorbsWhenBlack)
{
    // A black metal floor with a black diffuse ceiling above it: a reflected photon is
    // stored on the ceiling with 0.9 of its power, any other on the floor with all of it.
    // The photons drop off the tree's split plane x = 0.5.
    CMaterialMetal metal;
    CScene scene;
    Add<CPlane>(scene, Vector3d(0, 0, 0), 1.0f, &metal, CColor(0, 0, 0));
    Add<CPlane>(scene, Vector3d(0, 0, 1), 1.0f, nullptr, CColor(0, 0, 0));
    scene.BuildBsp();

    CPhotonRender render;
    CRandom shadow; // the same unseeded stream as the renderer's
    int nReflected = 0;
    for (uint32 i = 0; i < 60; ++i)
    {
        render.TracePhoton(&scene, MakePhoton(Vector3d(0.3f, 0.6f, 0.5f), Vector3d(0, 0, -1)), 0);
        const bool bReflect = static_cast<float>(shadow.RealInRange(0.0, 1.0)) < 0.9f;
        if (bReflect)
        {
            shadow.RealInRange(0.0, 1.0); // the ceiling's draw
            ++nReflected;
        }
        ASSERT_EQ(render.GetPhotonMap().GetPhotonCount(), i + 1);
        const CPhoton* pStored = render.GetPhotonMap().GetPhotons().back();
        EXPECT_EQ(pStored->m_vPosition.z, bReflect ? 1.0f : 0.0f) << i;
        EXPECT_FLOAT_EQ(pStored->m_cPower.r, bReflect ? 0.9f : 1.0f) << i;
    }
    EXPECT_GT(nReflected, 40);
    EXPECT_LT(nReflected, 60);
}

TEST(PhotonRenderTest, HemisphereDirectionsAreUnitAndOnTheNormalsSide)
{
    CPhotonRender render;
    const Vector3d normals[] = {{0, 0, 1}, {0, -1, 0}, {0.6f, 0, -0.8f}, {0.57735f, 0.57735f, 0.57735f}};
    for (const Vector3d& n : normals)
    {
        for (int i = 0; i < 500; ++i)
        {
            const Vector3d d = render.RandomHemisphereDirection(n);
            EXPECT_NEAR(d.Length(), 1.0f, 1e-5f);
            EXPECT_GT(Dot(d, n), 0.0f);
        }
    }
    for (int i = 0; i < 500; ++i)
        EXPECT_NEAR(render.RandomSphereDirection().Length(), 1.0f, 1e-5f);
    // No direction can be drawn around a normal that has none.
    const float fNaN = std::nanf("");
    for (const Vector3d& n : {Vector3d(0, 0, 0), Vector3d(fNaN, 0, 1)})
        EXPECT_EQ(render.RandomHemisphereDirection(n).LengthSquared(), 0.0f);
}

// A 32 x 32 view from (0, 0, 10) down onto the plane z = 0, and a black floor square
// with its lower corner at vCorner: photons that reach it are absorbed and stored where
// they land, with their power.
struct SPictureScene
{
    static const int kSize = 32;
    explicit SPictureScene(const Vector3d& vCorner) : camera(kSize, kSize, 2.0f)
    {
        camera.LookAt(Vector3d(0, 0, 10), Vector3d(0, 0, 0), Vector3d(0, 1, 0));
        Add<CPlane>(scene, vCorner, 1.0f, nullptr, CColor(0, 0, 0));
        scene.BuildBsp();
    }
    void Drop(const Vector3d& vAt, int nPhotons, const CColor& cPower)
    {
        for (int i = 0; i < nPhotons; ++i)
            render.TracePhoton(&scene, MakePhoton(vAt + Vector3d(0, 0, 1), Vector3d(0, 0, -1), cPower), 0);
    }

    CScene scene;
    CPlaneCamera camera;
    CPhotonRender render;
};

TEST(PhotonPictureTest, PreviewAddsPhotonBytesClampedAt255)
{
    struct Case
    {
        int nPhotons;
        CColor cPower;
        Rgb expected;
    };
    // 1.1 x (0.1, 0.2, 0.05) is (28, 56, 14) in bytes.
    const Case cases[] = {
        {1, CColor(0.1f, 0.2f, 0.05f), {28, 56, 14}},
        {3, CColor(0.1f, 0.2f, 0.05f), {84, 168, 42}},
        {10, CColor(0.1f, 0.2f, 0.05f), {255, 255, 140}},
        {1, CColor(1, 1, 1), {255, 255, 255}},
    };
    for (const Case& c : cases)
    {
        SPictureScene s(Vector3d(2, 2, 0));
        s.Drop(Vector3d(2.5f, 2.5f, 0), c.nPhotons, c.cPower);
        testing::internal::CaptureStdout();
        ASSERT_TRUE(s.render.RenderPhotonMap(&s.scene, &s.camera, "photon-preview-sums.tga"));
        // The centre ray misses the floor: the search runs around (0, 0, 3) and finds none.
        EXPECT_EQ(CapturedOutput(), "Rendering photon map\nFound photons: 0\nSaving photon image\n");
        const std::vector<unsigned char> vFile = ReadBytes("photon-preview-sums.tga");
        EXPECT_EQ(TgaPixel(vFile, s.kSize, 24, 24), c.expected) << c.nPhotons;
        EXPECT_EQ(CountNonBlack(vFile), 1) << c.nPhotons;
    }
}

TEST(PhotonPictureTest, PreviewMarksPhotonsAroundTheCentreHitRed)
{
    SPictureScene s(Vector3d(-0.5f, -0.5f, 0));
    s.Drop(Vector3d(0.25f, 0.25f, 0), 3, CColor(0.1f, 0.1f, 0.1f));
    testing::internal::CaptureStdout();
    ASSERT_TRUE(s.render.RenderPhotonMap(&s.scene, &s.camera, "photon-preview-red.tga"));
    EXPECT_EQ(CapturedOutput(), "Rendering photon map\n"
                                "**** HER ER JEG***\n"
                                "[  0.00000000\t   0.00000000\t   0.00000000]\n"
                                "Found photons: 3\n"
                                "Saving photon image\n");
    const std::vector<unsigned char> vFile = ReadBytes("photon-preview-red.tga");
    EXPECT_EQ(TgaPixel(vFile, s.kSize, 16, 16), (Rgb{255, 0, 0}));
    EXPECT_EQ(CountNonBlack(vFile), 1);
}

TEST(PhotonPictureTest, IrradianceNeedsEightPhotonsWithinReach)
{
    // Pixel (23, 23) sees the floor at (2.265625, 2.265625, 0); pixel (20, 20) misses it.
    struct Case
    {
        int nPhotons;
        Rgb expected; // at (23, 23): 0.1 x 12 x power / (pi x 2 x 0.234375^2) in bytes
    };
    const Case cases[] = {{7, {0, 0, 0}}, {12, {8, 17, 26}}};
    for (const Case& c : cases)
    {
        SPictureScene s(Vector3d(2, 2, 0));
        s.Drop(Vector3d(2.5f, 2.5f, 0), c.nPhotons, CColor(0.01f, 0.02f, 0.03f));
        testing::internal::CaptureStdout();
        ASSERT_TRUE(s.render.Render(&s.scene, &s.camera, "photon-irradiance.tga"));
        const std::string sOutput = CapturedOutput();
        EXPECT_EQ(sOutput.substr(0, 23), "Rendering image\nLine 0\n");
        EXPECT_EQ(sOutput.substr(sOutput.size() - 21), "Line 31\nSaving image\n");
        const std::vector<unsigned char> vFile = ReadBytes("photon-irradiance.tga");
        EXPECT_EQ(TgaPixel(vFile, s.kSize, 23, 23), c.expected) << c.nPhotons;
        EXPECT_EQ(TgaPixel(vFile, s.kSize, 20, 20), (Rgb{0, 0, 0})) << c.nPhotons;
    }
}

TEST(PhotonRenderNoLightTest, OnlyTheFirstLineAndBlackPictures)
{
    CScene scene;
    Add<CSphere>(scene, Vector3d(0, 0, -3), 1.0f, nullptr, CColor(1, 1, 1));
    CPlaneCamera camera(16, 8, 2.0f);
    CPhotonRender render;
    testing::internal::CaptureStdout();
    render.ComputePhotonMap(&scene, 1000);
    EXPECT_EQ(CapturedOutput(), "Computing photon map\n");
    EXPECT_EQ(render.GetPhotonMap().GetPhotonCount(), 0u);

    testing::internal::CaptureStdout();
    ASSERT_TRUE(render.RenderPhotonMap(&scene, &camera, "photon-nolight-preview.tga"));
    ASSERT_TRUE(render.Render(&scene, &camera, "photon-nolight-render.tga"));
    const std::string sOutput = CapturedOutput();
    EXPECT_NE(sOutput.find("**** HER ER JEG***\n"), std::string::npos);
    EXPECT_NE(sOutput.find("Found photons: 0\nSaving photon image\nRendering image\n"), std::string::npos);
    for (const char* pName : {"photon-nolight-preview.tga", "photon-nolight-render.tga"})
    {
        const std::vector<unsigned char> vFile = ReadBytes(pName);
        EXPECT_EQ(vFile.size(), 18u + 4u * 16 * 8) << pName;
        EXPECT_EQ(CountNonBlack(vFile), 0) << pName;
    }
}

TEST(PhotonRenderRunTest, TwoRunsWriteIdenticalFiles)
{
    CMaterialMetal metal;
    CMaterialGlass glass;
    glass.SetRefractionIndex(1.5f);
    CScene scene;
    Add<CSphere>(scene, Vector3d(0, 0, -4), 1.0f, nullptr, CColor(0.8f, 0.3f, 0.3f));
    Add<CSphere>(scene, Vector3d(2.2f, 0, -4), 0.8f, &glass, CColor(1, 1, 1));
    Add<CSphere>(scene, Vector3d(-2.2f, 0, -4), 0.8f, &metal, CColor(0.7f, 0.7f, 0.7f));
    Add<CPlane>(scene, Vector3d(-10, -10, -1.2f), 20.0f, nullptr, CColor(0.9f, 0.9f, 0.9f));
    scene.AddLight(CLight(Vector3d(0, 4, -2), 5.0f));
    CPlaneCamera camera(40, 32, 2.0f);
    camera.LookAt(Vector3d(0, 1, 3), Vector3d(0, 0, -4), Vector3d(0, 1, 0));

    std::vector<std::vector<unsigned char>> vFiles;
    std::vector<std::string> vOutputs;
    for (int iRun = 0; iRun < 2; ++iRun)
    {
        CPhotonRender render;
        testing::internal::CaptureStdout();
        render.ComputePhotonMap(&scene, 3000);
        ASSERT_TRUE(render.RenderPhotonMap(&scene, &camera, "photon-run-preview.tga"));
        ASSERT_TRUE(render.Render(&scene, &camera, "photon-run-render.tga"));
        vOutputs.push_back(CapturedOutput());
        vFiles.push_back(ReadBytes("photon-run-preview.tga"));
        vFiles.push_back(ReadBytes("photon-run-render.tga"));
        EXPECT_GT(render.GetPhotonMap().GetPhotonCount(), 1000u);
    }
    EXPECT_EQ(vOutputs[0], vOutputs[1]);
    EXPECT_EQ(vFiles[0], vFiles[2]);
    EXPECT_EQ(vFiles[1], vFiles[3]);
    EXPECT_GT(CountNonBlack(vFiles[0]), 0);
    EXPECT_GT(CountNonBlack(vFiles[1]), 0);
}

TEST(PhotonRenderRunTest, PicturesThatCannotBeWrittenAreReported)
{
    CScene scene;
    CPlaneCamera camera(8, 8, 2.0f);
    CPhotonRender render;
    testing::internal::CaptureStdout();
    render.ComputePhotonMap(&scene, 10);
    EXPECT_FALSE(render.RenderPhotonMap(&scene, &camera, "no-such-folder/photonmap_image.tga"));
    EXPECT_FALSE(render.Render(&scene, &camera, "no-such-folder/photon_render.tga"));
    CapturedOutput();
}

TEST(PhotonRenderRunTest, NegativeCountEmitsNothing)
{
    CScene scene;
    Add<CSphere>(scene, Vector3d(0, 0, 0), 5.0f, nullptr, CColor(1, 1, 1));
    scene.AddLight(CLight(Vector3d(0, 0, 0), 1.0f));
    CPhotonRender render;
    testing::internal::CaptureStdout();
    render.ComputePhotonMap(&scene, -3);
    EXPECT_EQ(CapturedOutput(), "Computing photon map\nEmitted photons: -3, Photons in map: 0\n");
}

TEST(PhotonRenderDeathTest, RenderNeedsASceneAndACamera)
{
    CScene scene;
    CPlaneCamera camera(2, 2, 2.0f);
    CPhotonRender render;
    EXPECT_DEATH(render.Render(nullptr, &camera, "photon-no-scene.tga"), "pScene && pCamera");
    EXPECT_DEATH(render.Render(&scene, nullptr, "photon-no-camera.tga"), "pScene && pCamera");
}
