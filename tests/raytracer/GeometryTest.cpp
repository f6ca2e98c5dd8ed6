// Tests of the primitives: local spaces and refused transforms, plane and sphere hits
// worked out by hand, the sphere's precision for secondary rays, meshes, the blended
// normal and instances.
#include "raytracer/Geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "raytracer/Bsp.h"
#include "raytracer/Material.h"
#include "raytracer/Render.h"
#include "tests/raytracer/GeometryTestUtil.h"

TEST(PrimitiveTest, FreshPrimitiveSitsAtTheOriginWithDefaults)
{
    CSphere sphere;
    EXPECT_EQ(sphere.m_cColor.r + sphere.m_cColor.g + sphere.m_cColor.b, 3.0f);
    EXPECT_EQ(sphere.m_pMaterial, static_cast<CMaterial*>(&g_DefaultMaterial));
    EXPECT_EQ(sphere.m_pTexture, nullptr);
    const Vector3d p(1.5f, -2.25f, 3.0f);
    EXPECT_TRUE(VecNear(sphere.WorldToLocal(p), p, 0.0f));
    EXPECT_TRUE(VecNear(sphere.LocalToWorld(p), p, 0.0f));
}

TEST(PrimitiveTest, WorldBoxesAndNormalsOfTransformedPrimitives)
{
    struct Case
    {
        const char* pName;
        bool bPlane;
        Matrix3d m;
        Vector3d vMin, vMax, vNormalOfX; // the world normal of the local normal (1, 0, 0)
        float fTolerance;
    };
    const float r2 = std::sqrt(2.0f), s = 1.0f / r2;
    const Case cases[] = {
        {"translated sphere", false, Placement(1, {1, -2, 3}), {0, -3, 2}, {2, -1, 4}, {1, 0, 0}, 0},
        {"scaled sphere", false, Matrix3d::Scaling(2, 1, 1), {-2, -1, -1}, {2, 1, 1}, {0.5f, 0, 0}, 0},
        {"rotated sphere", false, Matrix3d::Rotation(0, 0, 0.78539816f), {-r2, -r2, -1}, {r2, r2, 1},
         {s, s, 0}, 1e-5f},
        {"raised plane", true, Placement(1, {0, 0, 3}), {0, 0, 3.0f - 1e-6f}, {1, 1, 3.0f + 1e-6f},
         {1, 0, 0}, 0},
    };
    for (const Case& c : cases)
    {
        CPlane plane;
        CSphere sphere;
        CPrimitive& primitive = c.bPlane ? static_cast<CPrimitive&>(plane) : sphere;
        ASSERT_TRUE(primitive.SetTransform(c.m)) << c.pName;
        Vector3d vMin, vMax;
        primitive.GetWorldBoundingBox(vMin, vMax);
        EXPECT_TRUE(VecNear(vMin, c.vMin, c.fTolerance)) << c.pName;
        EXPECT_TRUE(VecNear(vMax, c.vMax, c.fTolerance)) << c.pName;
        EXPECT_TRUE(VecNear(primitive.NormalToWorld({1, 0, 0}), c.vNormalOfX, 1e-6f)) << c.pName;
    }
}

TEST(PrimitiveTest, TransformWithoutMeaningfulInverseIsRefused)
{
    const float fNaN = std::nanf(""), fInfinity = std::numeric_limits<float>::infinity();
    const Matrix3d refused[] = {Matrix3d::Scaling(1, 1, 0), Matrix3d(), Matrix3d::Scaling(1e-3f, 1e-3f, 1e-3f),
                                Matrix3d::Scaling(fNaN, 1, 1), Matrix3d::Scaling(fInfinity, 1, 1),
                                Placement(1, {0, fNaN, 0})};
    for (const Matrix3d& m : refused)
    {
        CSphere sphere;
        ASSERT_TRUE(sphere.SetTransform(Placement(1, {5, 0, 0})));
        EXPECT_FALSE(sphere.SetTransform(m));
        EXPECT_FALSE(sphere.HasValidTransform());
        // The stored pair is still a transform and its inverse: the old placement.
        const Vector3d p(1, 2, 3);
        EXPECT_TRUE(VecNear((p * sphere.GetLocalToWorld()) * sphere.GetWorldToLocal(), p, 1e-6f));
        EXPECT_EQ(sphere.GetLocalToWorld().m_vRow[3].x, 5.0f);
        EXPECT_TRUE(sphere.SetTransform(Placement(1, {0, 1, 0})));
        EXPECT_TRUE(sphere.HasValidTransform());
    }
}

TEST(PrimitiveDeathTest, PrimitiveWhoseTransformWasRefusedCannotBeUsed)
{
    CSphere sphere;
    EXPECT_FALSE(sphere.SetTransform(Matrix3d::Scaling(0, 1, 1)));
    Vector3d h, n, lo, hi;
    EXPECT_DEATH(sphere.Intersect({0, 0, 5}, {0, 0, 4}, h, n), "bInverted");
    EXPECT_DEATH(sphere.GetWorldBoundingBox(lo, hi), "bInverted");
    EXPECT_DEATH(
        {
            CObjectInstance instance(nullptr);
            (void)instance;
        },
        "pTriMesh");
}

namespace
{
struct HitCase
{
    const char* pName;
    Vector3d vStart, vEnd;
    bool bHit;
    Vector3d vPoint, vNormal;
};

void RunHitCases(const CPrimitive& primitive, const std::vector<HitCase>& vCases)
{
    for (const HitCase& c : vCases)
    {
        // A miss leaves both outputs alone.
        const Vector3d vUnset(-99, -99, -99);
        Vector3d h = vUnset, n = vUnset;
        EXPECT_EQ(primitive.Intersect(c.vStart, c.vEnd, h, n), c.bHit) << c.pName;
        EXPECT_TRUE(VecNear(h, c.bHit ? c.vPoint : vUnset, 1e-6f)) << c.pName;
        EXPECT_TRUE(VecNear(n, c.bHit ? c.vNormal : vUnset, 1e-6f)) << c.pName;
    }
}
} // namespace

TEST(PlaneTest, UnitSquareEdgesAndBothFaces)
{
    const Vector3d up(0, 0, 1), none;
    CPlane plane;
    RunHitCases(plane, {
        {"from above, beyond the end", {0.5f, 0.5f, 1}, {0.5f, 0.5f, 0.5f}, true, {0.5f, 0.5f, 0}, up},
        {"from below, same normal", {0.5f, 0.5f, -1}, {0.5f, 0.5f, -0.5f}, true, {0.5f, 0.5f, 0}, up},
        {"corner (1, 1) is inside", {0, 0, 1}, {0.5f, 0.5f, 0.5f}, true, {1, 1, 0}, up},
        {"edge x = 0 is outside", {0, 0.5f, 1}, {0, 0.5f, 0}, false, none, none},
        {"edge y = 0 is outside", {0.5f, 0, 1}, {0.5f, 0, 0}, false, none, none},
        {"just past x = 1", {1.0001f, 0.5f, 1}, {1.0001f, 0.5f, 0}, false, none, none},
        {"parallel inside the square", {0.5f, 0.5f, 0}, {0.6f, 0.5f, 0}, false, none, none},
        {"pointing away", {0.5f, 0.5f, 0.5f}, {0.5f, 0.5f, 1}, false, none, none},
        {"starts on the square", {0.5f, 0.5f, 0}, {0.5f, 0.5f, 1}, true, {0.5f, 0.5f, 0}, up},
    });
}

TEST(SphereTest, HitsFromOutsideInsideGrazingAndBehind)
{
    const Vector3d none;
    CSphere sphere;
    RunHitCases(sphere, {
        {"from outside", {0, 0, 5}, {0, 0, 4}, true, {0, 0, 1}, {0, 0, 1}},
        {"from the centre, leaving", {0, 0, 0}, {0, 0, 0.5f}, true, {0, 0, 1}, {0, 0, 1}},
        {"from inside, off centre", {0, 0, 0.5f}, {0, 0, 0}, true, {0, 0, -1}, {0, 0, -1}},
        {"sphere behind the start", {0, 0, 5}, {0, 0, 6}, false, none, none},
        {"grazing", {1, 0, 5}, {1, 0, 4}, true, {1, 0, 0}, {1, 0, 0}},
        {"passing by", {2, 0, 5}, {2, 0, 4}, false, none, none},
        {"start equals end", {0, 0, 5}, {0, 0, 5}, false, none, none},
        {"start on the surface", {0, 0, 1}, {0, 0, 0}, true, {0, 0, 1}, {0, 0, 1}},
    });
    CSphere scaled;
    ASSERT_TRUE(scaled.SetTransform(Matrix3d::Scaling(2, 1, 1)));
    RunHitCases(scaled, {{"scaled, along x", {5, 0, 0}, {4, 0, 0}, true, {2, 0, 0}, {0.5f, 0, 0}}});
}

// Secondary rays start VORL_EPSILON off the surface. Seen from afar, hit points must be
// accurate enough that a reflected ray does not hit its own sphere again and a
// refracted one crosses the whole sphere.
TEST(SphereTest, HitsSeenFromAfarAreAccurateEnoughForSecondaryRays)
{
    struct Case
    {
        float fRadius, fDistanceInRadii;
        Vector3d vCentre;
    };
    const Case cases[] = {{1, 10, {0, 0, 0}}, {1, 100, {0, 0, 0}}, {0.5f, 10, {3, -4, 2}}, {2, 30, {-1, 0.5f, 7}}};
    std::mt19937 random(7);
    std::uniform_real_distribution<float> spread(-0.7f, 0.7f); // up to 0.99 radii off the axis
    for (const Case& c : cases)
    {
        CSphere sphere;
        ASSERT_TRUE(sphere.SetTransform(Placement(c.fRadius, c.vCentre)));
        const Vector3d eye = c.vCentre + Vector3d(0, 0, c.fRadius * c.fDistanceInRadii);
        int nSelfHits = 0, nShortRefractions = 0;
        for (int i = 0; i < 2000; ++i)
        {
            Vector3d dir = c.vCentre + c.fRadius * Vector3d(spread(random), spread(random), 0) - eye;
            dir.Normalize();
            Vector3d h, n, h2, n2;
            ASSERT_TRUE(sphere.Intersect(eye, eye + dir, h, n));
            n.Normalize();
            EXPECT_NEAR((h - c.vCentre).Length(), c.fRadius, 2e-6f * c.fRadius);
            const Vector3d outside = h + VORL_EPSILON * n, inside = h - VORL_EPSILON * n;
            nSelfHits += sphere.Intersect(outside, outside + dir - 2 * Dot(dir, n) * n, h2, n2);
            nShortRefractions += !sphere.Intersect(inside, inside + dir, h2, n2) ||
                                 (h2 - inside).Length() < 1e-3f * c.fRadius;
        }
        EXPECT_EQ(nSelfHits, 0) << c.fDistanceInRadii;
        EXPECT_EQ(nShortRefractions, 0) << c.fDistanceInRadii;
    }
}

TEST(InterpolateNormalTest, WeightsAreDistancesFromTheOppositeEdges)
{
    // With these corner normals the result shows the weights (w0, w1, w2) as (z, x, y).
    const Vector3d p0(0, 0, 0), p1(1, 0, 0), p2(0, 1, 0), N0(0, 0, 1), N1(1, 0, 0), N2(0, 1, 0);
    const std::pair<Vector3d, Vector3d> cases[] = {
        {{0.25f, 0.25f, 0}, {0.25f, 0.25f, 0.5f}}, {{0, 0, 0}, {0, 0, 1}}, {{1, 0, 0}, {1, 0, 0}},
        {{0.5f, 0.5f, 0}, {0.5f, 0.5f, 0}},
        {{-1, 0, 0}, {1, 0, 2}}, // outside: unsigned weights that do not sum to 1
    };
    for (const auto& c : cases)
        EXPECT_TRUE(VecNear(InterpolateNormal(p0, p1, p2, N0, N1, N2, c.first), c.second, 1e-6f));
}

TEST(TriMeshTest, HitNormalIsTheBlendedCornerNormalNormalised)
{
    struct Case
    {
        std::vector<Vector3d> vNormals;
        Vector3d vExpected;
    };
    const float l = std::sqrt(0.375f);
    const Case cases[] = {
        {{{0, 0, 1}, {1, 0, 0}, {0, 1, 0}}, {0.25f / l, 0.25f / l, 0.5f / l}},
        {{{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}, {0, 0, 1}}, // nothing to blend: the face normal
    };
    for (const Case& c : cases)
    {
        CModelMesh mesh;
        FillMesh(mesh, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {Tri(0, 1, 2)}, c.vNormals);
        CTriMesh triMesh(&mesh);
        Vector3d h, n;
        ASSERT_TRUE(triMesh.Intersect({0.25f, 0.25f, 1}, {0.25f, 0.25f, 0.5f}, h, n));
        EXPECT_TRUE(VecNear(h, {0.25f, 0.25f, 0}, 1e-6f));
        EXPECT_TRUE(VecNear(n, c.vExpected, 1e-6f));
    }
}

TEST(TriMeshTest, MeshesWithoutTrianglesAreMissed)
{
    CModelMesh empty, verticesOnly;
    FillMesh(verticesOnly, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {});
    for (const CModelMesh* pMesh : {&empty, &verticesOnly})
    {
        CTriMesh triMesh(pMesh);
        Vector3d h, n;
        EXPECT_FALSE(triMesh.Intersect({0.2f, 0.2f, 1}, {0.2f, 0.2f, 0}, h, n));
        EXPECT_FALSE(triMesh.Intersect({0, 0, 0}, {0, 0, 0}, h, n));
    }
    CTriMesh triMesh(&empty);
    EXPECT_TRUE(VecNear(triMesh.GetBoundingBoxMin(), {0, 0, 0}, 0));
    EXPECT_TRUE(VecNear(triMesh.GetBoundingBoxMax(), {0, 0, 0}, 0));
}

TEST(TriMeshTest, TrianglesWithMissingCornersOrNormalsAreLeftOut)
{
    // Triangle 1 names vertex 7 of 5; the 9 normals cover triangles 0 to 2 only.
    CModelMesh mesh;
    FillMesh(mesh, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {2, 0, 0}},
             {Tri(0, 1, 2), Tri(1, 7, 2), Tri(1, 3, 2), Tri(1, 3, 4)}, std::vector<Vector3d>(9, {0, 0, 1}));
    CTriMesh triMesh(&mesh);
    EXPECT_EQ(triMesh.GetSkippedTriangleCount(), 2u);
    Vector3d h, n;
    EXPECT_TRUE(triMesh.Intersect({0.2f, 0.2f, 1}, {0.2f, 0.2f, 0}, h, n));
    EXPECT_TRUE(triMesh.Intersect({0.8f, 0.8f, 1}, {0.8f, 0.8f, 0}, h, n));
    EXPECT_FALSE(triMesh.Intersect({1.2f, 0.3f, 1}, {1.2f, 0.3f, 0}, h, n)); // only triangle 3
}

TEST(ObjectInstanceTest, TranslatedInstanceMovesBoxAndHits)
{
    // Two triangles of the face z = 1 of the unit cube and one of the face z = 0.
    CModelMesh mesh;
    FillMesh(mesh, {{0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}, {0, 0, 0}, {1, 0, 0}, {0, 1, 0}},
             {Tri(0, 1, 2), Tri(0, 2, 3), Tri(4, 5, 6)});
    CTriMesh triMesh(&mesh);
    CObjectInstance instance(&triMesh);
    ASSERT_TRUE(instance.SetTransform(Placement(1, {10, 0, 0})));
    Vector3d vMin, vMax;
    instance.GetWorldBoundingBox(vMin, vMax);
    EXPECT_TRUE(VecNear(vMin, {10, 0, 0}, 0));
    EXPECT_TRUE(VecNear(vMax, {11, 1, 1}, 0));

    const std::pair<Vector3d, Vector3d> rays[] = {
        {{0.3f, 0.6f, 5}, {0, 0, -1}}, {{0.7f, 0.2f, -5}, {0, 0.01f, 1}}, {{0.1f, 0.1f, 0.5f}, {0.1f, 0.2f, 1}}};
    for (const auto& ray : rays)
    {
        Vector3d hMesh, nMesh, hInstance, nInstance;
        const Vector3d shifted = ray.first + Vector3d(10, 0, 0);
        ASSERT_TRUE(triMesh.Intersect(ray.first, ray.first + ray.second, hMesh, nMesh));
        ASSERT_TRUE(instance.Intersect(shifted, shifted + ray.second, hInstance, nInstance));
        EXPECT_TRUE(VecNear(hInstance, hMesh + Vector3d(10, 0, 0), 1e-5f));
        EXPECT_TRUE(VecNear(nInstance, nMesh, 1e-6f));
    }

    // Under a scaling the normal follows the inverse transpose: the world triangle
    // (0,0,0), (2,0,1), (0,1,0) lies in the plane z = x / 2.
    CModelMesh slope;
    FillMesh(slope, {{0, 0, 0}, {1, 0, 1}, {0, 1, 0}}, {Tri(0, 1, 2)}, std::vector<Vector3d>(3, {-1, 0, 1}));
    CTriMesh slopeMesh(&slope);
    CObjectInstance stretched(&slopeMesh);
    ASSERT_TRUE(stretched.SetTransform(Matrix3d::Scaling(2, 1, 1)));
    Vector3d h, n;
    ASSERT_TRUE(stretched.Intersect({0.5f, 0.25f, 5}, {0.5f, 0.25f, 4}, h, n));
    EXPECT_TRUE(VecNear(h, {0.5f, 0.25f, 0.25f}, 1e-6f));
    EXPECT_TRUE(VecNear(n, {-0.5f / std::sqrt(2.0f), 0, 1 / std::sqrt(2.0f)}, 1e-6f));
}

TEST(PrintTest, PrimitivesLightsAndSceneDumps)
{
    CModelMesh mesh;
    FillMesh(mesh, {{0, -1, 0}, {2, 0, 0}, {0, 1, 0.5f}}, {Tri(0, 1, 2)});
    CTriMesh triMesh(&mesh);
    CObjectInstance instance(&triMesh);
    CScene scene;
    scene.AddPrimitive(new CSphere);
    scene.AddLight(CLight(Vector3d(1, 2, 3), 4));
    scene.AddLight(CLight(Vector3d(), 1));
    CPlane plane;
    const std::string sPlane = "CPlane\n[  0.00000000\t   0.00000000\t  -0.00000100]\n"
                               "[  1.00000000\t   1.00000000\t   0.00000100]\n";
    const std::string sSphere = "CSphere\n[ -1.00000000\t  -1.00000000\t  -1.00000000]\n"
                                "[  1.00000000\t   1.00000000\t   1.00000000]\n";
    const std::string sMeshBox = "[  0.00000000\t  -1.00000000\t   0.00000000]\n"
                                 "[  2.00000000\t   1.00000000\t   0.50000000]\n";
    const std::string sIdentity = "Matrix3d = [  1.00000000    0.00000000    0.00000000 ]\n"
                                  "           [  0.00000000    1.00000000    0.00000000 ]\n"
                                  "           [  0.00000000    0.00000000    1.00000000 ]\n"
                                  "           [  0.00000000    0.00000000    0.00000000 ]\n";
    struct Case
    {
        const char* pName;
        std::function<void()> print;
        std::string sExpected;
    };
    const Case cases[] = {
        {"plane", [&] { plane.Print(); }, sPlane},
        {"sphere", [&] { scene.GetPrimitive(0)->Print(); }, sSphere},
        {"mesh", [&] { triMesh.Print(); }, "CTriMesh\n" + sMeshBox},
        {"instance", [&] { instance.Print(); }, "CObjectInstance\n" + sMeshBox},
        {"light", [&] { scene.GetLight(0).Print(); }, "CLight\n"},
        {"scene", [&] { scene.Print(); },
         "Primitives:\n\n" + sSphere + "Primitives\nCLight\nCLight\nEnd Primitives:\n\n"},
        {"transform", [&] { plane.PrintTransform(); },
         "m_mLocalToWorld\n" + sIdentity + "m_mWorldToLocal\n" + sIdentity},
    };
    for (const Case& c : cases)
    {
        testing::internal::CaptureStdout();
        c.print();
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.sExpected) << c.pName;
    }
}
