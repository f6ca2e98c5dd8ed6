// Tests of the photon map: the self test's output, the kd-tree's split axis and node
// shape, the nearest-photon search against a brute-force search, and the irradiance
// estimate's thresholds.
#include "raytracer/PhotonMap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

namespace
{
CPhoton MakePhoton(const Vector3d& vPosition, const Vector3d& vDirection = Vector3d(0, 0, -1),
                   const CColor& cPower = CColor(1, 1, 1))
{
    CPhoton photon;
    photon.m_vPosition = vPosition;
    photon.m_vDirection = vDirection;
    photon.m_cPower = cPower;
    return photon;
}

std::string Flushed(std::string (*pGet)())
{
    fflush(stdout);
    return pGet();
}

// Squared distances of the photons a search found, ascending.
std::vector<float> FoundDistances(const CPhotonQuery& query)
{
    std::vector<float> vDistances;
    for (CPhoton* pPhoton : query.m_Found.m_vTree)
        vDistances.push_back((pPhoton->m_vPosition - query.m_vPosition).LengthSquared());
    std::sort(vDistances.begin(), vDistances.end());
    return vDistances;
}

std::vector<float> Search(const CPhotonMap& map, const Vector3d& vAt, float fRadius, uint32 nMax)
{
    CPhotonQuery query;
    query.m_vPosition = vAt;
    query.m_fRadius = fRadius;
    query.m_nMaxPhotons = nMax;
    map.Locate(query, map.GetRoot());
    return FoundDistances(query);
}

// Small deterministic generator for photon clouds (independent of the renderer's).
float NextUnit(uint32& nState)
{
    nState = nState * 1664525u + 1013904223u;
    return static_cast<float>(nState >> 8) / 16777216.0f;
}

// Walks the tree: every photon once, each on the right side of its ancestors' planes.
void CheckSubtree(const CPhotonNode* pNode, std::vector<const CPhoton*>& vSeen, int nDepth,
                  int& nMaxDepth)
{
    ASSERT_NE(pNode->m_pPhoton, nullptr);
    vSeen.push_back(pNode->m_pPhoton);
    nMaxDepth = std::max(nMaxDepth, nDepth);
    const auto Coord = [&](const CPhoton* p) {
        const Vector3d& v = p->m_vPosition;
        return pNode->m_nAxis == 0 ? v.x : (pNode->m_nAxis == 1 ? v.y : v.z);
    };
    const float fPlane = Coord(pNode->m_pPhoton);
    for (int iSide = 0; iSide < 2; ++iSide)
    {
        const CPhotonNode* pChild = iSide == 0 ? pNode->m_pLeft : pNode->m_pRight;
        if (!pChild)
            continue;
        const size_t nFirst = vSeen.size();
        CheckSubtree(pChild, vSeen, nDepth + 1, nMaxDepth);
        for (size_t i = nFirst; i < vSeen.size(); ++i)
        {
            if (iSide == 0)
                EXPECT_LE(Coord(vSeen[i]), fPlane);
            else
                EXPECT_GE(Coord(vSeen[i]), fPlane);
        }
    }
}
} // namespace

TEST(PhotonMapTest, SelfTestPrintsCornersCountAndFound)
{
    testing::internal::CaptureStdout();
    EXPECT_EQ(CPhotonMap::SelfTest(), 0);
    EXPECT_EQ(Flushed(testing::internal::GetCapturedStdout),
              "m_vBoundingBoxMin: [  0.00000000\t   0.00000000\t   1.00000000]\n"
              "m_vBoundingBoxMax: [  0.00000000\t   0.00000000\t   9.00000000]\n"
              "m_nStoredPhotons: 9\n"
              "Found photons: 4\n");
}

TEST(PhotonMapTest, PrintTreeIndentsByDepthAndMarksMissingChildren)
{
    CPhotonMap map;
    for (float z : {3.0f, 1.0f, 2.0f})
        map.Store(MakePhoton(Vector3d(0, 0, z)));
    map.Balance();
    testing::internal::CaptureStdout();
    CPhotonMap::PrintTree(map.GetRoot(), 0);
    EXPECT_EQ(Flushed(testing::internal::GetCapturedStdout),
              "    null\n"
              "Z    [  0.00000000\t   0.00000000\t   1.00000000]\n"
              "    null\n"
              "Z[  0.00000000\t   0.00000000\t   2.00000000]\n"
              "    null\n"
              "Z    [  0.00000000\t   0.00000000\t   3.00000000]\n"
              "    null\n");
}

TEST(PhotonMapTest, SplitAxisFollowsTheWidestExtentTiesGoingLater)
{
    struct Case
    {
        const char* pName;
        std::vector<Vector3d> vPositions;
        int nAxis;
    };
    const Case cases[] = {
        {"x and y tie over z", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, 1},
        {"x and z tie over y", {{0, 0, 0}, {2, 1, 0}, {0, 0, 2}}, 2},
        {"x widest", {{0, 0, 0}, {3, 1, 0}, {0, 0, 2}}, 0},
        {"y widest", {{0, 0, 0}, {1, 5, 2}}, 1},
        {"all equal", {{0, 0, 0}, {1, 1, 1}}, 2},
        {"single photon", {{4, 5, 6}}, 2},
    };
    for (const Case& c : cases)
    {
        CPhotonMap map;
        for (const Vector3d& v : c.vPositions)
            map.Store(MakePhoton(v));
        map.Balance();
        ASSERT_NE(map.GetRoot(), nullptr) << c.pName;
        EXPECT_EQ(map.GetRoot()->m_nAxis, c.nAxis) << c.pName;
    }
}

TEST(PhotonMapTest, TwoPhotonsGiveTheLaterOneWithALeftChild)
{
    CPhotonMap map;
    map.Store(MakePhoton(Vector3d(0, 0, 7)));
    map.Store(MakePhoton(Vector3d(0, 0, 2)));
    map.Balance();
    const CPhotonNode* pRoot = map.GetRoot();
    EXPECT_EQ(pRoot->m_pPhoton->m_vPosition.z, 7.0f);
    ASSERT_NE(pRoot->m_pLeft, nullptr);
    EXPECT_EQ(pRoot->m_pLeft->m_pPhoton->m_vPosition.z, 2.0f);
    EXPECT_EQ(pRoot->m_pLeft->m_pLeft, nullptr);
    EXPECT_EQ(pRoot->m_pRight, nullptr);
}

TEST(PhotonMapTest, BalancedTreeHoldsEveryPhotonOnceInOrder)
{
    for (uint32 nPhotons : {1u, 2u, 3u, 10u, 1000u, 4097u})
    {
        CPhotonMap map;
        uint32 nState = nPhotons;
        for (uint32 i = 0; i < nPhotons; ++i)
            map.Store(MakePhoton(Vector3d(NextUnit(nState) * 10, NextUnit(nState), 0.5f)));
        // A second balance replaces the first tree.
        map.Balance();
        map.Balance();
        std::vector<const CPhoton*> vSeen;
        int nMaxDepth = 0;
        CheckSubtree(map.GetRoot(), vSeen, 0, nMaxDepth);
        std::sort(vSeen.begin(), vSeen.end());
        EXPECT_EQ(std::unique(vSeen.begin(), vSeen.end()), vSeen.end()) << nPhotons;
        EXPECT_EQ(vSeen.size(), nPhotons);
        EXPECT_LE(nMaxDepth, static_cast<int>(std::ceil(std::log2(nPhotons + 1.0))));
    }
}

TEST(PhotonMapTest, SearchBoundsByRadiusInclusiveAndKeepsTheNearest)
{
    struct Case
    {
        const char* pName;
        float fRadius;
        uint32 nMax;
        std::vector<float> vExpected; // squared distances found
    };
    // Photons at x = 1 .. 9 on a line, searched from the origin.
    const Case cases[] = {
        {"radius reaches a photon exactly", 2.0f, 10, {1, 4}},
        {"just short of it", 1.999f, 10, {1}},
        {"maximum keeps the nearest", 100.0f, 3, {1, 4, 9}},
        {"maximum of zero", 100.0f, 0, {}},
        {"nothing in reach", 0.5f, 10, {}},
    };
    CPhotonMap map;
    for (int i = 9; i >= 1; --i)
        map.Store(MakePhoton(Vector3d(static_cast<float>(i), 0, 0)));
    map.Balance();
    for (const Case& c : cases)
        EXPECT_EQ(Search(map, Vector3d(0, 0, 0), c.fRadius, c.nMax), c.vExpected) << c.pName;
}

TEST(PhotonMapTest, SearchMatchesBruteForce)
{
    CPhotonMap map;
    std::vector<Vector3d> vPositions;
    uint32 nState = 7;
    for (int i = 0; i < 3000; ++i)
    {
        const Vector3d v(NextUnit(nState) * 4 - 2, NextUnit(nState) * 4 - 2, NextUnit(nState) - 0.5f);
        vPositions.push_back(v);
        map.Store(MakePhoton(v));
    }
    map.Balance();
    struct Case
    {
        Vector3d vAt;
        float fRadius;
        uint32 nMax;
    };
    const Case cases[] = {{{0, 0, 0}, 0.3f, 50},  {{1.9f, -1.9f, 0}, 0.5f, 150},
                          {{0.5f, 0.5f, 2}, 1.6f, 20}, {{5, 5, 5}, 1.0f, 10},
                          {{-1, 1, 0}, 2.0f, 250}, {{0, 0, 0}, 10.0f, 3000}};
    for (const Case& c : cases)
    {
        std::vector<float> vExpected;
        for (const Vector3d& v : vPositions)
        {
            const float fDistance2 = (v - c.vAt).LengthSquared();
            if (fDistance2 <= c.fRadius * c.fRadius)
                vExpected.push_back(fDistance2);
        }
        std::sort(vExpected.begin(), vExpected.end());
        if (vExpected.size() > c.nMax)
            vExpected.resize(c.nMax);
        EXPECT_EQ(Search(map, c.vAt, c.fRadius, c.nMax), vExpected)
            << c.vAt.x << " " << c.vAt.y << " " << c.vAt.z;
    }
}

TEST(PhotonMapTest, EmptyOrUnbalancedMapFindsNothing)
{
    CPhotonMap map;
    EXPECT_TRUE(Search(map, Vector3d(0, 0, 0), 5.0f, 10).empty()); // no tree yet
    map.Balance();
    EXPECT_TRUE(Search(map, Vector3d(0, 0, 0), 5.0f, 10).empty());
    const CColor c = map.IrradianceEstimate(Vector3d(0, 0, 0), Vector3d(0, 0, 1), 5.0f, 10);
    EXPECT_EQ(c.r + c.g + c.b, 0.0f);
}

TEST(PhotonMapTest, IrradianceNeedsEightPhotonsAndCountsOnlyFacingOnes)
{
    struct Case
    {
        const char* pName;
        int nFacing;  // arriving against the normal
        int nAway;    // arriving from behind it
        float fValue; // expected channel
    };
    // All photons sit 0.5 from the point, each with power 2: facing power over pi/4.
    const float fArea = 3.1415927f * 0.25f;
    const Case cases[] = {
        {"seven bright photons", 7, 0, 0.0f},
        {"eight facing", 8, 0, 16.0f / fArea},
        {"away ones count toward eight", 3, 5, 6.0f / fArea},
        {"eight all facing away", 0, 8, 0.0f},
    };
    for (const Case& c : cases)
    {
        CPhotonMap map;
        for (int i = 0; i < c.nFacing + c.nAway; ++i)
        {
            const float fAngle = static_cast<float>(i);
            const Vector3d vDirection = i < c.nFacing ? Vector3d(0, 0, -1) : Vector3d(0, 0, 1);
            map.Store(MakePhoton(Vector3d(0.5f * std::cos(fAngle), 0.5f * std::sin(fAngle), 0),
                                 vDirection, CColor(2, 2, 2)));
        }
        map.Balance();
        // The normal need not be unit length: only its side counts.
        const CColor cEstimate =
            map.IrradianceEstimate(Vector3d(0, 0, 0), Vector3d(0, 0, 3), 1.0f, 150);
        EXPECT_NEAR(cEstimate.r, c.fValue, 1e-4f) << c.pName;
        EXPECT_EQ(cEstimate.r, cEstimate.b) << c.pName;
    }
}

TEST(PhotonMapTest, IrradianceDividesByTheFarthestFoundNotTheRadius)
{
    CPhotonMap map;
    for (int i = 1; i <= 10; ++i)
        map.Store(MakePhoton(Vector3d(0.1f * static_cast<float>(i), 0, 0)));
    map.Balance();
    // Nine nearest of ten: the farthest kept lies at 0.9.
    const CColor c = map.IrradianceEstimate(Vector3d(0, 0, 0), Vector3d(0, 0, 1), 5.0f, 9);
    EXPECT_NEAR(c.g, 9.0f / (3.1415927f * 0.81f), 1e-4f);
}

TEST(PhotonMapTest, PhotonsPiledOnThePointGiveBlackNotInfinity)
{
    CPhotonMap map;
    for (int i = 0; i < 8; ++i)
        map.Store(MakePhoton(Vector3d(1, 1, 1)));
    map.Balance();
    const CColor c = map.IrradianceEstimate(Vector3d(1, 1, 1), Vector3d(0, 0, 1), 1.0f, 8);
    EXPECT_EQ(c.r, 0.0f);
}

TEST(PhotonMapTest, StoreGrowsTheBoxAndClearKeepsIt)
{
    CPhotonMap map;
    map.Store(MakePhoton(Vector3d(1, -2, 3)));
    map.Store(MakePhoton(Vector3d(-1, 5, 0)));
    EXPECT_EQ(map.GetPhotonCount(), 2u);
    map.Balance();
    map.Clear();
    EXPECT_EQ(map.GetPhotonCount(), 0u);
    EXPECT_EQ(map.GetRoot(), nullptr);
    const Vector3d vMin = map.GetBoundingBoxMin();
    const Vector3d vMax = map.GetBoundingBoxMax();
    EXPECT_EQ(std::vector<float>({vMin.x, vMin.y, vMin.z, vMax.x, vMax.y, vMax.z}),
              std::vector<float>({-1, -2, 0, 1, 5, 3}));
}

TEST(PhotonMapTest, PhotonsAtNoFinitePositionAreNotStored)
{
    const float fInf = std::numeric_limits<float>::infinity();
    const float fNaN = std::numeric_limits<float>::quiet_NaN();
    CPhotonMap map;
    for (const Vector3d& v : {Vector3d(fNaN, 0, 0), Vector3d(0, fInf, 0), Vector3d(0, 0, -fInf)})
        map.Store(MakePhoton(v));
    map.Store(MakePhoton(Vector3d(1, 1, 1)));
    EXPECT_EQ(map.GetPhotonCount(), 1u);
    EXPECT_EQ(map.GetBoundingBoxMin().x, 1.0f);
}
