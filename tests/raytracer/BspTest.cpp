// Tests of the ray/box and ray/triangle tests and of both partition trees: their
// shapes for small scenes and meshes, their tie rules, and their nearest hits against
// a search over every item.
#include "raytracer/Bsp.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <set>
#include <vector>

#include "raytracer/Geometry.h"
#include "tests/raytracer/GeometryTestUtil.h"

namespace
{
bool UnitBox(const Vector3d& vStart, const Vector3d& vDir)
{
    return RayIntersectsBox(vStart, vDir, 0, 0, 0, 1, 1, 1);
}

// The exact answer for a ray that touches no face, edge or corner: the slab test.
bool SlabTest(const Vector3d& s, const Vector3d& d, const float lo[3], const float hi[3])
{
    double tNear = 0.0, tFar = 1e300;
    const double sv[3] = {s.x, s.y, s.z}, dv[3] = {d.x, d.y, d.z};
    for (int i = 0; i < 3; ++i)
    {
        if (dv[i] == 0.0)
        {
            if (sv[i] < lo[i] || sv[i] > hi[i])
                return false;
            continue;
        }
        double t0 = (lo[i] - sv[i]) / dv[i], t1 = (hi[i] - sv[i]) / dv[i];
        if (t0 > t1)
            std::swap(t0, t1);
        tNear = std::max(tNear, t0);
        tFar = std::min(tFar, t1);
    }
    return tNear <= tFar;
}

CSphere* NewSphere(float fRadius, const Vector3d& vCentre)
{
    CSphere* pSphere = new CSphere;
    EXPECT_TRUE(pSphere->SetTransform(Placement(fRadius, vCentre)));
    return pSphere;
}

template <class Node>
void ForEachNode(const Node* pNode, int iDepth, const std::function<void(const Node*, int)>& visit);

template <>
void ForEachNode(const CSceneBsp* pNode, int iDepth,
                 const std::function<void(const CSceneBsp*, int)>& visit)
{
    visit(pNode, iDepth);
    for (const CSceneBsp* pChild : {pNode->m_pLow, pNode->m_pHigh})
        if (pChild)
            ForEachNode(pChild, iDepth + 1, visit);
}

template <>
void ForEachNode(const CTriangleBsp* pNode, int iDepth,
                 const std::function<void(const CTriangleBsp*, int)>& visit)
{
    visit(pNode, iDepth);
    for (const CTriangleBsp* pChild : {pNode->m_pLow, pNode->m_pHigh, pNode->m_pStraddling})
        if (pChild)
            ForEachNode(pChild, iDepth + 1, visit);
}

std::multiset<uint32> ItemsBelow(const CTriangleBsp* pNode)
{
    std::multiset<uint32> items;
    ForEachNode<CTriangleBsp>(pNode, 0, [&](const CTriangleBsp* p, int) {
        items.insert(p->m_vItems.begin(), p->m_vItems.end());
    });
    return items;
}
} // namespace

//---------------------------------------------------------------------------------------
// Ray and box

TEST(RayIntersectsBoxTest, UnitBoxCases)
{
    struct Case
    {
        const char* pName;
        Vector3d vStart, vDir;
        bool bExpected;
    };
    const Case cases[] = {
        {"through", {-1, 0.5f, 0.5f}, {3, 0, 0}, true},
        {"beyond start + dir", {-5, 0.5f, 0.5f}, {1, 0, 0}, true},
        {"behind", {2, 0.5f, 0.5f}, {1, 0, 0}, false},
        {"beside", {-1, 2, 0.5f}, {1, 0, 0}, false},
        {"inside, +x", {0.5f, 0.5f, 0.5f}, {1, 0, 0}, true},
        {"inside, -y", {0.5f, 0.5f, 0.5f}, {0, -1, 0}, true},
        {"inside, slanted", {0.5f, 0.5f, 0.5f}, {-0.3f, 0.7f, 0.2f}, true},
        {"on the min face, going in", {0, 0.5f, 0.5f}, {1, 0, 0}, true},
        {"on the min face, going out", {0, 0.5f, 0.5f}, {-1, 0, 0}, false},
        {"on the max face, going out", {1, 0.5f, 0.5f}, {1, 0, 0}, false},
        {"on the max face, going in", {1, 0.5f, 0.5f}, {-1, 0, 0}, true},
        {"along the face y = 1, +x", {-1, 1, 0.5f}, {1, 0, 0}, false},
        {"along the face y = 1, -x", {2, 1, 0.5f}, {-1, 0, 0}, true},
        {"along the face y = 0, +x", {-1, 0, 0.5f}, {1, 0, 0}, false},
        {"along the face y = 0, -x", {2, 0, 0.5f}, {-1, 0, 0}, false},
        {"corner to corner, up", {-1, -1, -1}, {1, 1, 1}, true},
        {"corner to corner, down", {2, 2, 2}, {-1, -1, -1}, true},
        {"diagonal missing", {-1, -1, 2.5f}, {1, 1, 0}, false},
        {"zero direction beyond the box", {5, 5, 5}, {0, 0, 0}, true},
        {"zero direction inside", {0.5f, 0.5f, 0.5f}, {0, 0, 0}, true},
        {"zero direction below x", {-1, 0.5f, 0.5f}, {0, 0, 0}, false},
        {"zero direction on the min corner", {0, 0, 0}, {0, 0, 0}, false},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(UnitBox(c.vStart, c.vDir), c.bExpected) << c.pName;
        EXPECT_EQ(RayIntersectsBoxPluecker(c.vStart, c.vDir, 0, 0, 0, 1, 1, 1), c.bExpected) << c.pName;
    }
}

TEST(RayReachesBoxTest, RaysInAFacePlaneReachTheClosedBoxAndOthersKeepTheBoxTest)
{
    struct Case
    {
        const char* pName;
        Vector3d vStart, vDir;
        bool bIntersects, bReaches; // RayIntersectsBox, RayReachesBox
    };
    const Case cases[] = {
        {"along the face y = 1, +x", {-1, 1, 0.5f}, {1, 0, 0}, false, true},
        {"along the face y = 1, -x", {2, 1, 0.5f}, {-1, 0, 0}, true, true},
        {"along the face y = 0, +x", {-1, 0, 0.5f}, {1, 0, 0}, false, true},
        {"along the face y = 0, -x", {2, 0, 0.5f}, {-1, 0, 0}, false, true},
        {"in the plane x = 1, +z", {1, 0.5f, -1}, {0, 0, 1}, false, true},
        {"in the plane x = 1, -z", {1, 0.5f, 2}, {0, 0, -1}, true, true},
        {"in the plane x = 0, slanted", {0, -1, -1}, {0, 1, 1}, false, true},
        {"along the edge x = 1, y = 1", {1, 1, -1}, {0, 0, 1}, false, true},
        {"starting on the face plane inside it", {0, 0.5f, 0.5f}, {0, 1, 0}, false, true},
        {"in a face plane, beside the box", {1, 2, -1}, {0, 0, 1}, false, false},
        {"in a face plane, box behind", {1, 0.5f, 2}, {0, 0, 1}, false, false},
        {"in a face plane, passing a corner by", {0, 1.5f, -1}, {0, 1, -1}, false, false},
        // Rays that do not run within a face plane keep the box test's answer.
        {"on the max face, going out", {1, 0.5f, 0.5f}, {1, 0, 0}, false, false},
        {"on the min face, going out", {0, 0.5f, 0.5f}, {-1, 0, 0}, false, false},
        {"behind", {2, 0.5f, 0.5f}, {1, 0, 0}, false, false},
        {"through", {-1, 0.5f, 0.5f}, {3, 0, 0}, true, true},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(UnitBox(c.vStart, c.vDir), c.bIntersects) << c.pName;
        EXPECT_EQ(RayReachesBox(c.vStart, c.vDir, 0, 0, 0, 1, 1, 1), c.bReaches) << c.pName;
    }
}

TEST(RayIntersectsBoxTest, EveryOctantAgreesWithTheSlabTest)
{
    std::mt19937 random(11);
    std::uniform_real_distribution<float> coord(-4.0f, 4.0f), size(0.1f, 3.0f);
    int nChecked = 0, nHits = 0;
    for (int i = 0; i < 200000; ++i)
    {
        const float lo[3] = {coord(random), coord(random), coord(random)};
        const float hi[3] = {lo[0] + size(random), lo[1] + size(random), lo[2] + size(random)};
        const Vector3d s(coord(random), coord(random), coord(random));
        const Vector3d d(coord(random), coord(random), coord(random));
        const bool bFast = RayIntersectsBox(s, d, lo[0], lo[1], lo[2], hi[0], hi[1], hi[2]);
        ASSERT_EQ(bFast, SlabTest(s, d, lo, hi)) << i;
        ASSERT_EQ(bFast, RayIntersectsBoxPluecker(s, d, lo[0], lo[1], lo[2], hi[0], hi[1], hi[2])) << i;
        ++nChecked;
        nHits += bFast;
    }
    // Both answers occur often enough to matter.
    EXPECT_GT(nHits, nChecked / 100);
    EXPECT_LT(nHits, nChecked - nChecked / 100);
}

TEST(RayIntersectsBoxTest, PlueckerFormAgreesOnFacesEdgesAndZeros)
{
    // Starts and directions built from box coordinates and zeros, so that many rays
    // run along faces and edges and the exact-zero rules decide.
    const float values[] = {-1.0f, 0.0f, 0.5f, 1.0f, 2.0f};
    const float dirs[] = {-1.0f, 0.0f, 1.0f};
    for (float sx : values)
        for (float sy : values)
            for (float sz : values)
                for (float dx : dirs)
                    for (float dy : dirs)
                        for (float dz : dirs)
                        {
                            const Vector3d s(sx, sy, sz), d(dx, dy, dz);
                            EXPECT_EQ(UnitBox(s, d), RayIntersectsBoxPluecker(s, d, 0, 0, 0, 1, 1, 1))
                                << sx << "," << sy << "," << sz << " / " << dx << "," << dy << "," << dz;
                        }
}

TEST(IndexHelperTest, TiesGoToTheLaterIndex)
{
    struct Case
    {
        float a, b, c;
        int iMin, iMax;
    };
    const Case cases[] = {
        {1, 2, 3, 0, 2}, {3, 2, 1, 2, 0}, {2, 1, 3, 1, 2}, {2, 3, 1, 2, 1},
        {1, 1, 2, 1, 2}, // a = b smallest
        {2, 1, 1, 2, 0}, // b = c smallest
        {1, 2, 1, 2, 1}, // a = c smallest
        {2, 2, 1, 2, 1}, // a = b largest
        {1, 2, 2, 0, 2}, // b = c largest
        {2, 1, 2, 1, 2}, // a = c largest
        {5, 5, 5, 2, 2},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(MinIndex3(c.a, c.b, c.c), c.iMin) << c.a << " " << c.b << " " << c.c;
        EXPECT_EQ(MaxIndex3(c.a, c.b, c.c), c.iMax) << c.a << " " << c.b << " " << c.c;
    }
}

//---------------------------------------------------------------------------------------
// Ray and triangle

TEST(IntersectTriangleTest, HitsAndMisses)
{
    const Vector3d p0(0, 0, 0), p1(1, 0, 0), p2(0, 1, 0);
    struct Case
    {
        const char* pName;
        Vector3d vStart, vEnd;
        bool bHit;
        Vector3d vPoint;
    };
    const Case cases[] = {
        {"inside", {0.2f, 0.2f, 1}, {0.2f, 0.2f, 0.5f}, true, {0.2f, 0.2f, 0}},
        {"from below", {0.2f, 0.2f, -1}, {0.2f, 0.2f, 0}, true, {0.2f, 0.2f, 0}},
        {"corner p0", {0, 0, 1}, {0, 0, 0}, true, {0, 0, 0}},
        {"corner p2", {0, 1, 1}, {0, 1, 0.9f}, true, {0, 1, 0}},
        {"hypotenuse", {0.5f, 0.5f, 1}, {0.5f, 0.5f, 0}, true, {0.5f, 0.5f, 0}},
        {"outside the hypotenuse", {0.6f, 0.6f, 1}, {0.6f, 0.6f, 0}, false, {}},
        {"outside x < 0", {-0.01f, 0.5f, 1}, {-0.01f, 0.5f, 0}, false, {}},
        {"start on the triangle", {0.2f, 0.2f, 0}, {0.2f, 0.2f, 1}, false, {}},
        {"start on it, going through", {0.2f, 0.2f, 0}, {0.2f, 0.2f, -1}, false, {}},
        {"behind the start", {0.2f, 0.2f, 1}, {0.2f, 0.2f, 2}, false, {}},
        {"parallel", {0.2f, 0.2f, 1}, {0.4f, 0.2f, 1}, false, {}},
        {"parallel in the plane", {-1, 0.2f, 0}, {1, 0.2f, 0}, false, {}},
        {"zero direction", {0.2f, 0.2f, 1}, {0.2f, 0.2f, 1}, false, {}},
    };
    for (const Case& c : cases)
    {
        Vector3d h(-9, -9, -9);
        EXPECT_EQ(IntersectTriangle(c.vStart, c.vEnd, p0, p1, p2, h), c.bHit) << c.pName;
        // A miss leaves the output alone.
        EXPECT_TRUE(VecNear(h, c.bHit ? c.vPoint : Vector3d(-9, -9, -9), 1e-6f)) << c.pName;
    }
    Vector3d h;
    EXPECT_FALSE(IntersectTriangle({0.2f, 0.2f, 1}, {0.2f, 0.2f, 0}, p0, p1, p1, h)) << "degenerate";
}

TEST(SegmentTest, ParallelogramBoxFacesAndPlueckerLines)
{
    const Vector3d corner(1, 1, 0), e1(2, 0, 0), e2(0, 1, 0);
    Vector3d h;
    EXPECT_TRUE(IntersectParallelogram({3, 2, 1}, {3, 2, 0}, corner, e1, e2, h)); // far corner
    EXPECT_FALSE(IntersectParallelogram({3.1f, 1.5f, 1}, {3.1f, 1.5f, 0}, corner, e1, e2, h));
    EXPECT_FALSE(IntersectParallelogram({2, 1.5f, 0}, {2, 1.5f, 1}, corner, e1, e2, h)); // t = 0
    EXPECT_TRUE(IntersectBoxFaces({-5, 0.5f, 0.5f}, {-4, 0.5f, 0.5f}, 0, 1, 0, 1, 0, 1));
    EXPECT_TRUE(IntersectBoxFaces({0.5f, 0.5f, 0.5f}, {0.5f, 0.9f, 0.5f}, 0, 1, 0, 1, 0, 1));
    EXPECT_FALSE(IntersectBoxFaces({0.5f, 0.5f, 5}, {0.5f, 0.5f, 6}, 0, 1, 0, 1, 0, 1));

    // Lines that meet give 0; reversing one of two skew lines flips the sign.
    const PlueckerLine xAxis({0, 0, 0}, {1, 0, 0});
    EXPECT_EQ(PlueckerSide(xAxis, PlueckerLine::FromPointDirection({0, 0, 0}, {0, 1, 0})), 0.0f);
    const float fSide = PlueckerSide(xAxis, PlueckerLine({0, 0, 1}, {0, 1, 1}));
    EXPECT_NE(fSide, 0.0f);
    EXPECT_EQ(PlueckerSide(xAxis, PlueckerLine::FromPointDirection({0, 1, 1}, {0, -1, 0})), -fSide);
    // The crossing test reports the first corner, for one orientation only.
    Vector3d vOut(-9, -9, -9);
    EXPECT_NE(RayCrossesTriangle({0.2f, 0.2f, 1}, {0, 0, -1}, {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, vOut),
              RayCrossesTriangle({0.2f, 0.2f, 1}, {0, 0, 1}, {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, vOut));
    EXPECT_TRUE(VecNear(vOut, {0, 0, 0}, 0));
}

//---------------------------------------------------------------------------------------
// Scene tree

TEST(SceneBspTest, EmptySceneIsOneEmptyLeafThatEveryRayMisses)
{
    CScene scene;
    Vector3d h(-9, -9, -9), n(-9, -9, -9);
    CPrimitive* pHit = nullptr;
    EXPECT_FALSE(scene.Intersect({0.5f, 0.5f, 5}, {0.5f, 0.5f, 4}, h, n, pHit)); // no tree yet
    scene.BuildBsp();
    const CSceneBsp* pRoot = scene.GetBspRoot();
    ASSERT_NE(pRoot, nullptr);
    EXPECT_EQ(pRoot->m_pLow, nullptr);
    EXPECT_EQ(pRoot->m_pHigh, nullptr);
    EXPECT_TRUE(pRoot->m_vItems.empty());
    EXPECT_TRUE(VecNear(pRoot->GetMin(), Vector3d(0, 0, 0), 0));
    EXPECT_TRUE(VecNear(pRoot->GetMax(), Vector3d(1, 1, 1), 0));
    EXPECT_FALSE(scene.Intersect({0.5f, 0.5f, 5}, {0.5f, 0.5f, 4}, h, n, pHit));
    EXPECT_FALSE(scene.Intersect({0.5f, 0.5f, 0.5f}, {0.5f, 0.5f, 0.5f}, h, n, pHit));
    EXPECT_TRUE(VecNear(h, Vector3d(-9, -9, -9), 0));
    EXPECT_EQ(pHit, nullptr);

    // A scene with primitives but no tree yet misses too.
    scene.AddPrimitive(NewSphere(1.0f, Vector3d()));
    EXPECT_FALSE(scene.Intersect({0, 0, 5}, {0, 0, 4}, h, n, pHit));
    scene.BuildBsp();
    EXPECT_TRUE(scene.Intersect({0, 0, 5}, {0, 0, 4}, h, n, pHit));
}

TEST(SceneBspTest, OneSphereFillsEveryLeafDownToDepthThirteen)
{
    CScene scene;
    scene.AddPrimitive(NewSphere(1.0f, Vector3d()));
    scene.BuildBsp();
    const CSceneBsp* pRoot = scene.GetBspRoot();
    EXPECT_TRUE(VecNear(pRoot->GetMin(), Vector3d(-1, -1, -1), 0));
    EXPECT_TRUE(VecNear(pRoot->GetMax(), Vector3d(1, 1, 1), 0));
    ASSERT_NE(pRoot->m_pLow, nullptr);
    EXPECT_EQ(pRoot->m_pLow->GetMax().x, 0.0f); // first split on x at 0
    int nLeaves = 0, nDeepest = 0;
    ForEachNode<CSceneBsp>(pRoot, 0, [&](const CSceneBsp* p, int iDepth) {
        if (p->m_pLow || p->m_pHigh)
        {
            EXPECT_TRUE(p->m_pLow && p->m_pHigh);
            EXPECT_TRUE(p->m_vItems.empty());
            return;
        }
        ++nLeaves;
        nDeepest = std::max(nDeepest, iDepth);
        EXPECT_EQ(iDepth, 13);
        EXPECT_EQ(p->m_vItems, std::vector<uint32>{0});
    });
    EXPECT_EQ(nLeaves, 8192);
    EXPECT_EQ(nDeepest, 13);

    std::mt19937 random(3);
    std::uniform_real_distribution<float> spread(-0.7f, 0.7f);
    for (int i = 0; i < 500; ++i)
    {
        const Vector3d start(spread(random), spread(random), 4.0f);
        Vector3d h, n;
        CPrimitive* pHit = nullptr;
        ASSERT_TRUE(scene.Intersect(start, start + Vector3d(0, 0, -1), h, n, pHit));
        EXPECT_EQ(pHit, scene.GetPrimitive(0));
    }
}

TEST(SceneBspTest, TwoSpheresSplitAndSingleChildChainsCollapse)
{
    CScene scene;
    scene.AddPrimitive(NewSphere(1.0f, Vector3d(-5, 0, 0)));
    scene.AddPrimitive(NewSphere(1.0f, Vector3d(5, 0, 0)));
    scene.BuildBsp();
    const CSceneBsp* pRoot = scene.GetBspRoot();
    EXPECT_TRUE(VecNear(pRoot->GetMin(), Vector3d(-6, -1, -1), 0));
    EXPECT_TRUE(VecNear(pRoot->GetMax(), Vector3d(6, 1, 1), 0));
    ASSERT_TRUE(pRoot->m_pLow && pRoot->m_pHigh);
    // Each half holds one sphere only.
    for (int iSide = 0; iSide < 2; ++iSide)
        ForEachNode<CSceneBsp>(iSide == 0 ? pRoot->m_pLow : pRoot->m_pHigh, 1,
                               [&](const CSceneBsp* p, int) {
                                   for (uint32 iItem : p->m_vItems)
                                       EXPECT_EQ(iItem, static_cast<uint32>(iSide));
                               });
    // No node keeps a single child.
    ForEachNode<CSceneBsp>(pRoot, 0, [](const CSceneBsp* p, int) {
        EXPECT_EQ(p->m_pLow == nullptr, p->m_pHigh == nullptr);
    });
    // The x split at depth 3 (at -3) keeps only its low half, which is pulled up: that
    // node now has the survivor's box, x from -6 to -3.
    const CSceneBsp* pDepth3 = pRoot->m_pLow->m_pLow->m_pLow;
    ASSERT_NE(pDepth3, nullptr);
    EXPECT_TRUE(VecNear(pDepth3->GetMin(), Vector3d(-6, -1, -1), 0));
    EXPECT_TRUE(VecNear(pDepth3->GetMax(), Vector3d(-3, 0, 0), 0));
}

TEST(SceneBspTest, TiesGoToTheEarlierListEntryInALeafAndToHighBetweenChildren)
{
    // Three identical spheres: every ray hits all of them at the same point.
    CScene scene;
    for (int i = 0; i < 3; ++i)
        scene.AddPrimitive(NewSphere(1.0f, Vector3d()));
    struct Case
    {
        std::vector<uint32> vLeaf, vLow, vHigh; // a leaf root, or a root with two leaves
        uint32 iExpected;
    };
    const Case cases[] = {
        {{0, 1, 2}, {}, {}, 0}, {{2, 1}, {}, {}, 2},  {{}, {0}, {1}, 1},
        {{}, {2}, {0}, 0},      {{}, {1}, {}, 1},     {{}, {}, {2}, 2},
    };
    for (const Case& c : cases)
    {
        CSceneBsp root(&scene);
        root.SetBox(Vector3d(-2, -2, -2), Vector3d(2, 2, 2));
        root.m_vItems = c.vLeaf;
        if (!c.vLow.empty() || !c.vHigh.empty())
        {
            root.m_pLow = new CSceneBsp(&scene);
            root.m_pHigh = new CSceneBsp(&scene);
            for (CSceneBsp* pChild : {root.m_pLow, root.m_pHigh})
                pChild->SetBox(Vector3d(-2, -2, -2), Vector3d(2, 2, 2));
            root.m_pLow->m_vItems = c.vLow;
            root.m_pHigh->m_vItems = c.vHigh;
        }
        Vector3d h, n;
        CPrimitive* pHit = nullptr;
        ASSERT_TRUE(root.Intersect({0.3f, 0.2f, 5}, {0.3f, 0.2f, 4}, h, n, pHit));
        EXPECT_EQ(pHit, scene.GetPrimitive(c.iExpected));
    }

    // Through the scene itself, identical spheres in the same leaves: the first added.
    scene.BuildBsp();
    Vector3d h, n;
    CPrimitive* pHit = nullptr;
    ASSERT_TRUE(scene.Intersect({0.3f, 0.2f, 5}, {0.3f, 0.2f, 4}, h, n, pHit));
    EXPECT_EQ(pHit, scene.GetPrimitive(0));
}

TEST(SceneBspTest, NearestHitMatchesATestOfEveryPrimitive)
{
    CScene scene;
    std::mt19937 random(5);
    std::uniform_real_distribution<float> coord(-20.0f, 20.0f), radius(0.2f, 2.0f);
    for (int i = 0; i < 300; ++i)
    {
        const Vector3d centre(coord(random), coord(random), coord(random));
        if (i % 10 == 0)
        {
            CPlane* pPlane = new CPlane;
            Matrix3d m = Matrix3d::Rotation(coord(random), coord(random), coord(random)) *
                         Placement(radius(random) * 3, centre);
            EXPECT_TRUE(pPlane->SetTransform(m));
            scene.AddPrimitive(pPlane);
        }
        else
            scene.AddPrimitive(NewSphere(radius(random), centre));
    }
    scene.BuildBsp();
    int nHits = 0;
    for (int i = 0; i < 3000; ++i)
    {
        const Vector3d start(coord(random), coord(random), coord(random));
        const Vector3d end = start + Vector3d(coord(random), coord(random), coord(random));
        Vector3d h, n;
        CPrimitive* pHit = nullptr;
        const bool bHit = scene.Intersect(start, end, h, n, pHit);

        bool bExpected = false;
        float fBest = 0.0f;
        for (uint32 iPrimitive = 0; iPrimitive < scene.GetPrimitiveCount(); ++iPrimitive)
        {
            Vector3d h2, n2;
            if (scene.GetPrimitive(iPrimitive)->Intersect(start, end, h2, n2))
            {
                const float fDistance = (h2 - start).Length();
                if (!bExpected || fDistance < fBest)
                    fBest = fDistance;
                bExpected = true;
            }
        }
        ASSERT_EQ(bHit, bExpected) << i;
        if (bHit)
        {
            ++nHits;
            EXPECT_NEAR((h - start).Length(), fBest, 1e-4f) << i;
        }
    }
    EXPECT_GT(nHits, 300);
}

TEST(SceneBspTest, RaysRunningWithinSplitPlanesFindTheirHits)
{
    // The sphere's box is split at x = 0, then y = 0, then z = 0: these rays run
    // within those planes, straight through the sphere.
    CScene scene;
    scene.AddPrimitive(NewSphere(1.0f, Vector3d()));
    scene.BuildBsp();
    struct Case
    {
        Vector3d vStart, vDir, vHit;
    };
    const Case cases[] = {
        {{0, 0.2f, -5}, {0, 0, 1}, {0, 0.2f, -std::sqrt(0.96f)}},
        {{0, 0.2f, 5}, {0, 0, -1}, {0, 0.2f, std::sqrt(0.96f)}},
        {{-0.5f, 0, -5}, {0, 0, 1}, {-0.5f, 0, -std::sqrt(0.75f)}},
        {{-5, 0, 0.6f}, {1, 0, 0}, {-0.8f, 0, 0.6f}},
        {{5, 0, 0.6f}, {-1, 0, 0}, {0.8f, 0, 0.6f}},
        {{0.6f, -5, 0}, {0, 1, 0}, {0.6f, -0.8f, 0}},
        {{0, -5, -5}, {0, 1, 1}, {0, -std::sqrt(0.5f), -std::sqrt(0.5f)}},
        {{0, 0, -5}, {0, 0, 1}, {0, 0, -1}},
        {{0, 0, 0}, {0, 0, 1}, {0, 0, 1}}, // from the centre, on three split planes
    };
    for (const Case& c : cases)
    {
        Vector3d h, n;
        CPrimitive* pHit = nullptr;
        ASSERT_TRUE(scene.Intersect(c.vStart, c.vStart + c.vDir, h, n, pHit))
            << c.vStart.x << "," << c.vStart.y << "," << c.vStart.z;
        EXPECT_TRUE(VecNear(h, c.vHit, 1e-6f));
    }

    // Spheres on a lattice in the box from -4 to 4, which the tree splits at multiples
    // of 0.5 and finer; rays along the axes and the diagonals of the split planes,
    // through points on those multiples.
    CScene lattice;
    std::mt19937 random(17);
    for (float x : {-3.0f, -1.0f, 1.0f, 3.0f})
        for (float y : {-3.0f, -1.0f, 1.0f, 3.0f})
            for (float z : {-3.0f, -1.0f, 1.0f, 3.0f})
            {
                const bool bCorner = std::fabs(x) == 3 && std::fabs(y) == 3 && std::fabs(z) == 3;
                if (bCorner || random() % 3 == 0)
                    lattice.AddPrimitive(NewSphere(bCorner || random() % 2 ? 1.0f : 0.75f, Vector3d(x, y, z)));
            }
    lattice.BuildBsp();
    const float values[] = {-3, -2, -1.5f, -1, -0.5f, 0, 0.5f, 1, 2, 3};
    const Vector3d dirs[] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1},
                             {0, 1, 1}, {0, -1, 1}, {1, 0, -1}, {-1, 0, -1}, {1, 1, 0}, {1, -1, 0}};
    int nHits = 0;
    for (const Vector3d& d : dirs)
        for (float x : values)
            for (float y : values)
                for (float z : values)
                {
                    const Vector3d vStart = Vector3d(x, y, z) - 10.0f * d;
                    Vector3d h, n;
                    CPrimitive* pHit = nullptr;
                    const bool bHit = lattice.Intersect(vStart, vStart + d, h, n, pHit);
                    bool bExpected = false;
                    float fBest = 0.0f;
                    for (uint32 i = 0; i < lattice.GetPrimitiveCount(); ++i)
                    {
                        Vector3d h2, n2;
                        if (lattice.GetPrimitive(i)->Intersect(vStart, vStart + d, h2, n2) &&
                            (!bExpected || (h2 - vStart).Length() < fBest))
                        {
                            fBest = (h2 - vStart).Length();
                            bExpected = true;
                        }
                    }
                    ASSERT_EQ(bHit, bExpected) << vStart.x << "," << vStart.y << "," << vStart.z << " / "
                                               << d.x << "," << d.y << "," << d.z;
                    if (bHit)
                    {
                        ++nHits;
                        EXPECT_EQ((h - vStart).Length(), fBest);
                    }
                }
    EXPECT_GT(nHits, 2000);
}

//---------------------------------------------------------------------------------------
// Triangle tree

TEST(TriangleBspTest, OneTriangleMakesAStraddlingChainToDepthTwentyTwo)
{
    CModelMesh mesh;
    FillMesh(mesh, {{0, 0, 0}, {2, 0.5f, 0.25f}, {0.3f, 1, -0.5f}}, {Tri(0, 1, 2)});
    CTriMesh triMesh(&mesh);
    const CTriangleBsp* pNode = triMesh.GetBspRoot();
    int iDepth = 0;
    while (pNode->m_pStraddling)
    {
        EXPECT_EQ(pNode->m_pLow, nullptr) << iDepth;
        EXPECT_EQ(pNode->m_pHigh, nullptr) << iDepth;
        EXPECT_TRUE(pNode->m_vItems.empty()) << iDepth;
        pNode = pNode->m_pStraddling;
        ++iDepth;
    }
    EXPECT_EQ(iDepth, 22);
    EXPECT_EQ(pNode->m_vItems, std::vector<uint32>{0});

    Vector3d h, n;
    EXPECT_TRUE(triMesh.Intersect({0.5f, 0.4f, 5}, {0.5f, 0.4f, 4}, h, n));
    EXPECT_FALSE(triMesh.Intersect({1.9f, 0.9f, 5}, {1.9f, 0.9f, 4}, h, n));
}

TEST(TriangleBspTest, VertexOnTheSplitPlaneMakesATriangleStraddle)
{
    // The root box runs from x = 0 to 4, so the first split is x = 2.
    CModelMesh mesh;
    FillMesh(mesh,
             {{0, 0, 0}, {1, 0.5f, 0}, {2, 0, 0}, {3, 0, 0}, {4, 0.5f, 0}, {3.5f, 1, 0}, {0.5f, 1, 0}},
             {Tri(0, 1, 2), Tri(3, 4, 5), Tri(0, 6, 1)});
    CTriMesh triMesh(&mesh);
    const CTriangleBsp* pRoot = triMesh.GetBspRoot();
    ASSERT_TRUE(pRoot->m_pLow && pRoot->m_pHigh && pRoot->m_pStraddling);
    EXPECT_EQ(pRoot->m_pLow->GetMax().x, 2.0f);
    EXPECT_EQ(ItemsBelow(pRoot->m_pStraddling), std::multiset<uint32>{0});
    EXPECT_EQ(ItemsBelow(pRoot->m_pHigh), std::multiset<uint32>{1});
    EXPECT_EQ(ItemsBelow(pRoot->m_pLow), std::multiset<uint32>{2});
    // The straddling child's box shrank to its triangle.
    EXPECT_TRUE(VecNear(pRoot->m_pStraddling->GetMin(), Vector3d(0, 0, 0), 0));
    EXPECT_TRUE(VecNear(pRoot->m_pStraddling->GetMax(), Vector3d(2, 0.5f, 0), 0));
}

TEST(TriangleBspTest, RaysRunningWithinBoxFacesFindTheirHits)
{
    // The six faces of the cube from -1 to 1, a square across its middle and a
    // triangle whose edges lie on the faces of its own boxes; rays along the axes
    // through points on multiples of 0.5, many of them within faces of the boxes.
    std::vector<Vector3d> vVertices;
    for (int i = 0; i < 8; ++i)
        vVertices.emplace_back(i & 4 ? 1.0f : -1.0f, i & 2 ? 1.0f : -1.0f, i & 1 ? 1.0f : -1.0f);
    vVertices.insert(vVertices.end(), {{-0.5f, -0.5f, 0.5f}, {0.5f, -0.5f, 0}, {0.5f, 0.5f, -0.5f},
                                       {-0.5f, 0.5f, 0}, {0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    const std::vector<Index3> vTriangles = {
        Tri(0, 1, 3), Tri(0, 3, 2), Tri(4, 5, 7), Tri(4, 7, 6), Tri(0, 1, 5), Tri(0, 5, 4),
        Tri(2, 3, 7), Tri(2, 7, 6), Tri(0, 2, 6), Tri(0, 6, 4), Tri(1, 3, 7), Tri(1, 7, 5),
        Tri(8, 9, 10), Tri(8, 10, 11), Tri(12, 13, 14)};
    CModelMesh mesh;
    FillMesh(mesh, vVertices, vTriangles);
    CTriMesh triMesh(&mesh);
    CModelMesh single;
    FillMesh(single, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {Tri(0, 1, 2)});
    CTriMesh singleMesh(&single);

    const float values[] = {-1, -0.5f, 0, 0.5f, 1};
    const Vector3d dirs[] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    int nHits = 0;
    for (const CTriMesh* pMesh : {&triMesh, &singleMesh})
        for (const Vector3d& d : dirs)
            for (float x : values)
                for (float y : values)
                    for (float z : values)
                    {
                        const Vector3d vStart = Vector3d(x, y, z) - 5.0f * d;
                        Vector3d h;
                        uint32 iTriangle = 0;
                        const bool bHit = pMesh->GetBspRoot()->Intersect(vStart, vStart + d, h, iTriangle);
                        bool bExpected = false;
                        float fBest = 0.0f;
                        for (uint32 i = 0; i < pMesh->GetTriangleCount(); ++i)
                        {
                            const Index3& t = pMesh->GetTriangles()[i];
                            const Vector3d* pV = pMesh->GetVertices();
                            Vector3d h2;
                            if (IntersectTriangle(vStart, vStart + d, pV[t.a], pV[t.b], pV[t.c], h2) &&
                                (!bExpected || (h2 - vStart).Length() < fBest))
                            {
                                fBest = (h2 - vStart).Length();
                                bExpected = true;
                            }
                        }
                        ASSERT_EQ(bHit, bExpected) << vStart.x << "," << vStart.y << "," << vStart.z << " / "
                                                   << d.x << "," << d.y << "," << d.z;
                        if (bHit)
                        {
                            ++nHits;
                            EXPECT_EQ((h - vStart).Length(), fBest);
                        }
                    }
    EXPECT_GT(nHits, 500);
}

TEST(TriangleBspTest, EdgeSharedByTwoTrianglesGoesToTheOneListedFirst)
{
    // Triangles A (below the diagonal) and B (above it) share the edge from (1,0) to
    // (0,1); both stay in one leaf, so the list order decides.
    const std::vector<Vector3d> vVertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}};
    const Index3 a = Tri(0, 1, 2), b = Tri(1, 3, 2);
    for (const auto& triangles : {std::vector<Index3>{a, b}, std::vector<Index3>{b, a}})
    {
        CModelMesh mesh;
        FillMesh(mesh, vVertices, triangles);
        CTriMesh triMesh(&mesh);
        Vector3d h;
        uint32 iTriangle = 99;
        ASSERT_TRUE(triMesh.GetBspRoot()->Intersect({0.5f, 0.5f, 3}, {0.5f, 0.5f, 2}, h, iTriangle));
        EXPECT_EQ(iTriangle, 0u);
        EXPECT_TRUE(VecNear(h, Vector3d(0.5f, 0.5f, 0), 1e-6f));
    }
}

TEST(TriangleBspTest, ChildResultsFollowTheTieTable)
{
    // Three copies of one triangle at z = 0 (indices 0 to 2), one each at z = 1, 2
    // and 3 (indices 3 to 5) and one at z = -1 (index 6); the ray comes down from z = 10.
    std::vector<Vector3d> vVertices;
    std::vector<Index3> vTriangles;
    for (float z : {0.0f, 0.0f, 0.0f, 1.0f, 2.0f, 3.0f, -1.0f})
    {
        const uint32 i = static_cast<uint32>(vVertices.size());
        vVertices.insert(vVertices.end(), {{0, 0, z}, {1, 0, z}, {0, 1, z}});
        vTriangles.push_back(Tri(i, i + 1, i + 2));
    }
    CModelMesh mesh;
    FillMesh(mesh, vVertices, vTriangles);
    CTriMesh triMesh(&mesh);

    const int kNone = -1;
    struct Case
    {
        const char* pName;
        int iLow, iHigh, iStraddling; // the one triangle of each leaf child, or none
        uint32 iExpected;
    };
    const Case cases[] = {
        {"low alone", 0, kNone, kNone, 0},
        {"high alone", kNone, 1, kNone, 1},
        {"straddling alone", kNone, kNone, 2, 2},
        {"low, high tie", 0, 1, kNone, 1},
        {"low nearer than high", 3, 0, kNone, 3},
        {"low, straddling tie", 0, kNone, 2, 2},
        {"low nearer than straddling", 4, kNone, 2, 4},
        {"high, straddling tie", kNone, 1, 2, 1},
        {"straddling nearer than high", kNone, 1, 5, 5},
        {"three-way tie", 0, 1, 2, 2},
        {"three, low nearest", 5, 3, 4, 5},
        {"three, high nearest", 3, 5, 4, 5},
        {"three, low and high tie nearest", 0, 1, 6, 1},
        {"three, low and straddling tie nearest", 0, 6, 2, 2},
        {"three, high and straddling tie nearest", 6, 1, 2, 2},
    };
    for (const Case& c : cases)
    {
        CTriangleBsp root(&triMesh);
        root.SetBox(Vector3d(-1, -1, -2), Vector3d(2, 2, 4));
        CTriangleBsp** children[3] = {&root.m_pLow, &root.m_pHigh, &root.m_pStraddling};
        const int items[3] = {c.iLow, c.iHigh, c.iStraddling};
        for (int i = 0; i < 3; ++i)
        {
            if (items[i] == kNone)
                continue;
            *children[i] = new CTriangleBsp(&triMesh);
            (*children[i])->SetBox(Vector3d(-1, -1, -2), Vector3d(2, 2, 4));
            (*children[i])->m_vItems = {static_cast<uint32>(items[i])};
        }
        Vector3d h;
        uint32 iTriangle = 99;
        ASSERT_TRUE(root.Intersect({0.2f, 0.2f, 10}, {0.2f, 0.2f, 9}, h, iTriangle)) << c.pName;
        EXPECT_EQ(iTriangle, c.iExpected) << c.pName;
    }
}

namespace
{
// The plain search: every child whose box the ray passes is searched and the results
// are combined by the tie table. The tree's own search passes over subtrees that lie
// beyond a hit already found; it must always give the same answer as this one.
bool SearchEveryChild(const CTriangleBsp* pNode, const Vector3d& s, const Vector3d& e, Vector3d& h,
                      uint32& iTriangle)
{
    const Vector3d d = e - s;
    if (!RayReachesBox(s, d, pNode->m_fMin[0], pNode->m_fMin[1], pNode->m_fMin[2], pNode->m_fMax[0],
                       pNode->m_fMax[1], pNode->m_fMax[2]))
        return false;
    const CTriangleBsp* pChildren[3] = {pNode->m_pLow, pNode->m_pHigh, pNode->m_pStraddling};
    if (pChildren[0] || pChildren[1] || pChildren[2])
    {
        bool bHit[3] = {false, false, false};
        Vector3d hits[3];
        uint32 tris[3] = {0, 0, 0};
        float dist[3] = {0, 0, 0};
        for (int i = 0; i < 3; ++i)
            if (pChildren[i])
            {
                bHit[i] = SearchEveryChild(pChildren[i], s, e, hits[i], tris[i]);
                dist[i] = (hits[i] - s).Length();
            }
        int iBest = -1;
        if (bHit[0] && bHit[1] && bHit[2])
            iBest = MinIndex3(dist[0], dist[1], dist[2]);
        else if (bHit[0] && bHit[1])
            iBest = dist[0] < dist[1] ? 0 : 1;
        else if (bHit[0] && bHit[2])
            iBest = dist[0] < dist[2] ? 0 : 2;
        else if (bHit[1] && bHit[2])
            iBest = dist[2] < dist[1] ? 2 : 1;
        else
            for (int i = 0; i < 3; ++i)
                if (bHit[i])
                    iBest = i;
        if (iBest < 0)
            return false;
        h = hits[iBest];
        iTriangle = tris[iBest];
        return true;
    }
    const CTriMesh* pMesh = pNode->m_pOwner;
    bool bFound = false;
    float fBest = 0;
    for (uint32 iItem : pNode->m_vItems)
    {
        const Index3& t = pMesh->GetTriangles()[iItem];
        Vector3d hit;
        if (IntersectTriangle(s, e, pMesh->GetVertices()[t.a], pMesh->GetVertices()[t.b],
                              pMesh->GetVertices()[t.c], hit) &&
            (!bFound || (hit - s).LengthSquared() < fBest))
        {
            bFound = true;
            fBest = (hit - s).LengthSquared();
            h = hit;
            iTriangle = iItem;
        }
    }
    return bFound;
}
} // namespace

TEST(TriangleBspTest, SkippingFarSubtreesNeverChangesTheAnswer)
{
    // Two copies of a 16 x 16 grid of squares at z = 0 and a tilted grid through it:
    // rays aimed at grid points and edges hit several triangles at once.
    std::vector<Vector3d> vVertices;
    std::vector<Index3> vTriangles;
    auto AddGrid = [&](float fTilt) {
        const uint32 iBase = static_cast<uint32>(vVertices.size());
        for (int y = 0; y <= 16; ++y)
            for (int x = 0; x <= 16; ++x)
                vVertices.emplace_back(0.5f * x, 0.5f * y, fTilt * (x - 8));
        for (uint32 y = 0; y < 16; ++y)
            for (uint32 x = 0; x < 16; ++x)
            {
                const uint32 i = iBase + 17 * y + x;
                vTriangles.push_back(Tri(i, i + 1, i + 18));
                vTriangles.push_back(Tri(i, i + 18, i + 17));
            }
    };
    AddGrid(0.0f);
    AddGrid(0.0f);
    AddGrid(0.25f);
    CModelMesh mesh;
    FillMesh(mesh, vVertices, vTriangles);
    CTriMesh triMesh(&mesh);

    // Every triangle sits in exactly one leaf, inside the box of every node above it.
    const std::multiset<uint32> items = ItemsBelow(triMesh.GetBspRoot());
    EXPECT_EQ(items.size(), vTriangles.size());
    EXPECT_EQ(std::set<uint32>(items.begin(), items.end()).size(), vTriangles.size());
    ForEachNode<CTriangleBsp>(triMesh.GetBspRoot(), 0, [&](const CTriangleBsp* p, int iDepth) {
        EXPECT_LE(iDepth, 22);
        if (p->m_pLow || p->m_pHigh || p->m_pStraddling)
        {
            EXPECT_TRUE(p->m_vItems.empty());
        }
        for (uint32 iItem : ItemsBelow(p))
            for (uint32 iVertex : {vTriangles[iItem].a, vTriangles[iItem].b, vTriangles[iItem].c})
                for (int k = 0; k < 3; ++k)
                {
                    const float c = k == 0 ? vVertices[iVertex].x : (k == 1 ? vVertices[iVertex].y : vVertices[iVertex].z);
                    EXPECT_TRUE(p->m_fMin[k] <= c && c <= p->m_fMax[k]);
                }
    });

    std::mt19937 random(13);
    std::uniform_int_distribution<int> grid(0, 32), height(1, 12);
    std::uniform_real_distribution<float> anywhere(-2.0f, 10.0f);
    int nHits = 0;
    for (int i = 0; i < 20000; ++i)
    {
        // Aimed at a point of the half-step lattice (on vertices and edges), or anywhere.
        const Vector3d target(0.25f * grid(random), 0.25f * grid(random), 0.0f);
        const Vector3d start = i % 4 == 3 ? Vector3d(anywhere(random), anywhere(random), anywhere(random))
                                          : Vector3d(0.5f * grid(random), 0.5f * grid(random),
                                                     static_cast<float>(height(random)));
        const Vector3d end = start + 0.5f * (target - start);
        Vector3d hFast(-9, -9, -9), hPlain(-9, -9, -9);
        uint32 iFast = 99999, iPlain = 99999;
        const bool bFast = triMesh.GetBspRoot()->Intersect(start, end, hFast, iFast);
        const bool bPlain = SearchEveryChild(triMesh.GetBspRoot(), start, end, hPlain, iPlain);
        ASSERT_EQ(bFast, bPlain) << i;
        if (!bFast)
            continue;
        ++nHits;
        ASSERT_EQ(iFast, iPlain) << i;
        ASSERT_TRUE(VecNear(hFast, hPlain, 0.0f)) << i;
    }
    EXPECT_GT(nHits, 10000);
}
