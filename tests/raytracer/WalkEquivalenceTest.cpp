// The tree walks and the box test against straightforward reference forms: the box
// test and the scene walk as they stood before the walks took the octant once per ray,
// and the triangle tree's plain walk, which searches every child it reaches. For every
// ray, box and tree the answers must agree bit for bit (booleans, hit points, normals,
// primitives and triangles). The rays and boxes are drawn to hit the tie rules: values
// on a small grid, zero and negative-zero direction components, starts on faces, edges
// and corners, non-finite values; and for the triangle tree rays that lie in the
// planes of its triangles, and rays whose direction overflows float.
#include "raytracer/Bsp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "raytracer/Geometry.h"
#include "tests/raytracer/GeometryTestUtil.h"

// The box test and the scene search as they stood before the walks took the octant
// once per ray and tested children before going down to them, kept as they were; and
// the triangle tree's plain search.
namespace original
{
template <class FXY, class FXZ, class FYZ>
inline bool BoxTestCore(const Vector3d& d, float lox, float loy, float loz, float hix, float hiy, float hiz,
                        FXY sxy, FXZ sxz, FYZ syz)
{
    // A zero component counts as negative.
    const int iOctant = (d.x > 0.0f ? 4 : 0) | (d.y > 0.0f ? 2 : 0) | (d.z > 0.0f ? 1 : 0);
    bool bSides = false;
    switch (iOctant)
    {
    case 0: // N N N
        bSides = sxy(lox, hiy) <= 0.0f && sxy(hix, loy) >= 0.0f && sxz(lox, hiz) <= 0.0f &&
                 sxz(hix, loz) >= 0.0f && syz(loy, hiz) <= 0.0f && syz(hiy, loz) >= 0.0f;
        break;
    case 1: // N N P
        bSides = sxy(lox, hiy) <= 0.0f && sxy(hix, loy) >= 0.0f && sxz(lox, loz) >= 0.0f &&
                 sxz(hix, hiz) < 0.0f && syz(loy, loz) >= 0.0f && syz(hiy, hiz) < 0.0f;
        break;
    case 2: // N P N
        bSides = sxy(lox, loy) > 0.0f && sxy(hix, hiy) <= 0.0f && sxz(lox, hiz) <= 0.0f &&
                 sxz(hix, loz) >= 0.0f && syz(loy, loz) < 0.0f && syz(hiy, hiz) >= 0.0f;
        break;
    case 3: // N P P
        bSides = sxy(lox, loy) > 0.0f && sxy(hix, hiy) <= 0.0f && sxz(lox, loz) >= 0.0f &&
                 sxz(hix, hiz) < 0.0f && syz(loy, hiz) > 0.0f && syz(hiy, loz) < 0.0f;
        break;
    case 4: // P N N
        bSides = sxy(lox, loy) <= 0.0f && sxy(hix, hiy) > 0.0f && sxz(lox, loz) < 0.0f &&
                 sxz(hix, hiz) >= 0.0f && syz(loy, hiz) <= 0.0f && syz(hiy, loz) >= 0.0f;
        break;
    case 5: // P N P
        bSides = sxy(lox, loy) <= 0.0f && sxy(hix, hiy) > 0.0f && sxz(lox, hiz) > 0.0f &&
                 sxz(hix, loz) < 0.0f && syz(loy, loz) >= 0.0f && syz(hiy, hiz) < 0.0f;
        break;
    case 6: // P P N
        bSides = sxy(lox, hiy) > 0.0f && sxy(hix, loy) < 0.0f && sxz(lox, loz) < 0.0f &&
                 sxz(hix, hiz) >= 0.0f && syz(loy, loz) < 0.0f && syz(hiy, hiz) >= 0.0f;
        break;
    default: // P P P
        bSides = sxy(lox, hiy) > 0.0f && sxy(hix, loy) < 0.0f && sxz(lox, hiz) > 0.0f &&
                 sxz(hix, loz) < 0.0f && syz(loy, hiz) > 0.0f && syz(hiy, loz) < 0.0f;
        break;
    }
    if (!bSides)
        return false;
    // The start must lie strictly inside the face it would leave through on every
    // axis: this rejects boxes wholly behind the start.
    const bool bX = (iOctant & 4) ? hix > 0.0f : lox < 0.0f;
    const bool bY = (iOctant & 2) ? hiy > 0.0f : loy < 0.0f;
    const bool bZ = (iOctant & 1) ? hiz > 0.0f : loz < 0.0f;
    return bX && bY && bZ;
}

template <class Hit>
inline const Hit& NearerOfTwo(const Vector3d& vStart, const Hit& first, const Hit& second)
{
    return (first.vPoint - vStart).Length() < (second.vPoint - vStart).Length() ? first : second;
}

struct SceneHit
{
    Vector3d vPoint, vNormal;
    CPrimitive* pPrimitive = nullptr;
};

struct TriangleHit
{
    Vector3d vPoint;
    uint32 iTriangle = 0;
};

bool OldRayIntersectsBox(const Vector3d& vStart, const Vector3d& vDir, float xmin, float ymin, float zmin,
                         float xmax, float ymax, float zmax)
{
    const Vector3d& d = vDir;
    return BoxTestCore(
        d, xmin - vStart.x, ymin - vStart.y, zmin - vStart.z, xmax - vStart.x, ymax - vStart.y,
        zmax - vStart.z, [&d](float cx, float cy) { return d.x * cy - d.y * cx; },
        [&d](float cx, float cz) { return d.x * cz - d.z * cx; },
        [&d](float cy, float cz) { return d.y * cz - d.z * cy; });
}

bool OldRayReachesBox(const Vector3d& vStart, const Vector3d& vDir, float xmin, float ymin, float zmin,
                      float xmax, float ymax, float zmax)
{
    if (OldRayIntersectsBox(vStart, vDir, xmin, ymin, zmin, xmax, ymax, zmax))
        return true;
    const float s[3] = {vStart.x, vStart.y, vStart.z}, d[3] = {vDir.x, vDir.y, vDir.z};
    const float lo[3] = {xmin, ymin, zmin}, hi[3] = {xmax, ymax, zmax};
    bool bInFacePlane = false;
    for (int i = 0; i < 3; ++i)
        bInFacePlane = bInFacePlane || (d[i] == 0.0f && (s[i] == lo[i] || s[i] == hi[i]));
    if (!bInFacePlane)
        return false;
    // The closed box against the ray from its start onward.
    double tEnter = 0.0, tExit = std::numeric_limits<double>::infinity();
    for (int i = 0; i < 3; ++i)
    {
        if (d[i] == 0.0f)
        {
            if (!(lo[i] <= s[i] && s[i] <= hi[i]))
                return false;
            continue;
        }
        double t0 = (static_cast<double>(lo[i]) - s[i]) / d[i];
        double t1 = (static_cast<double>(hi[i]) - s[i]) / d[i];
        if (t0 > t1)
            std::swap(t0, t1);
        tEnter = std::max(tEnter, t0);
        tExit = std::min(tExit, t1);
    }
    return tEnter <= tExit;
}

bool OldRayIntersectsBoxPluecker(const Vector3d& vStart, const Vector3d& vDir, float xmin, float ymin,
                                 float zmin, float xmax, float ymax, float zmax)
{
    // The ray through the origin (corners are taken relative to the start) against
    // the box edge through a corner along a unit axis: an edge along z gives the
    // negated xy side value, along y the xz value, along x the negated yz value.
    const PlueckerLine ray = PlueckerLine::FromPointDirection(Vector3d(), vDir);
    const Vector3d ex(1.0f, 0.0f, 0.0f), ey(0.0f, 1.0f, 0.0f), ez(0.0f, 0.0f, 1.0f);
    return BoxTestCore(
        vDir, xmin - vStart.x, ymin - vStart.y, zmin - vStart.z, xmax - vStart.x, ymax - vStart.y,
        zmax - vStart.z,
        [&](float cx, float cy)
        { return -PlueckerSide(ray, PlueckerLine::FromPointDirection(Vector3d(cx, cy, 0.0f), ez)); },
        [&](float cx, float cz)
        { return PlueckerSide(ray, PlueckerLine::FromPointDirection(Vector3d(cx, 0.0f, cz), ey)); },
        [&](float cy, float cz)
        { return -PlueckerSide(ray, PlueckerLine::FromPointDirection(Vector3d(0.0f, cy, cz), ex)); });
}

bool OldSceneSearch(const CSceneBsp* pNode, const Vector3d& vStart, const Vector3d& vEnd,
                    const Vector3d& vDir, Vector3d& vHitPoint, Vector3d& vNormal, CPrimitive*& pHit)
{
    if (!OldRayReachesBox(vStart, vDir, pNode->m_fMin[0], pNode->m_fMin[1], pNode->m_fMin[2],
                          pNode->m_fMax[0], pNode->m_fMax[1], pNode->m_fMax[2]))
        return false;

    if (pNode->m_pLow || pNode->m_pHigh)
    {
        SceneHit low, high;
        const bool bLow = pNode->m_pLow && OldSceneSearch(pNode->m_pLow, vStart, vEnd, vDir, low.vPoint,
                                                          low.vNormal, low.pPrimitive);
        const bool bHigh = pNode->m_pHigh && OldSceneSearch(pNode->m_pHigh, vStart, vEnd, vDir, high.vPoint,
                                                            high.vNormal, high.pPrimitive);
        if (!bLow && !bHigh)
            return false;
        // On a tie the high child wins.
        const SceneHit& best = bLow && bHigh ? NearerOfTwo(vStart, low, high) : (bLow ? low : high);
        vHitPoint = best.vPoint;
        vNormal = best.vNormal;
        pHit = best.pPrimitive;
        return true;
    }

    bool bFound = false;
    float fBest = 0.0f;
    for (uint32 iItem : pNode->m_vItems)
    {
        CPrimitive* pPrimitive = pNode->m_pOwner->GetPrimitive(iItem);
        Vector3d h, n;
        if (!pPrimitive->Intersect(vStart, vEnd, h, n))
            continue;
        // Among equally near hits the one listed first (the lower index) stays.
        const float fDistance = (h - vStart).LengthSquared();
        if (!bFound || fDistance < fBest)
        {
            bFound = true;
            fBest = fDistance;
            vHitPoint = h;
            vNormal = n;
            pHit = pPrimitive;
        }
    }
    return bFound;
}

// The triangle tree's plain walk: every child whose box the ray reaches is searched, none
// is passed over, and the results are combined by the tie table. The tree's own walk
// passes over subtrees that cannot hold a nearer hit; it must answer exactly this.
bool PlainTriangleSearch(const CTriangleBsp* pNode, const Vector3d& vStart, const Vector3d& vEnd,
                         Vector3d& vHitPoint, uint32& iTriangle)
{
    if (!OldRayReachesBox(vStart, vEnd - vStart, pNode->m_fMin[0], pNode->m_fMin[1], pNode->m_fMin[2],
                          pNode->m_fMax[0], pNode->m_fMax[1], pNode->m_fMax[2]))
        return false;

    if (pNode->m_pLow || pNode->m_pHigh || pNode->m_pStraddling)
    {
        const CTriangleBsp* pChildren[3] = {pNode->m_pLow, pNode->m_pHigh, pNode->m_pStraddling};
        TriangleHit hits[3];
        bool bHits[3] = {false, false, false};
        for (int i = 0; i < 3; ++i)
            bHits[i] = pChildren[i] &&
                       PlainTriangleSearch(pChildren[i], vStart, vEnd, hits[i].vPoint, hits[i].iTriangle);
        const TriangleHit &low = hits[0], &high = hits[1], &straddling = hits[2];
        const bool bLow = bHits[0], bHigh = bHits[1], bStraddling = bHits[2];
        const TriangleHit* pBest = nullptr;
        if (bLow && bHigh && bStraddling)
        {
            // The nearest; ties go to the later of low, high, straddling.
            const TriangleHit* pAll[3] = {&low, &high, &straddling};
            pBest = pAll[MinIndex3((low.vPoint - vStart).Length(), (high.vPoint - vStart).Length(),
                                   (straddling.vPoint - vStart).Length())];
        }
        else if (bLow && bHigh)
            pBest = &NearerOfTwo(vStart, low, high);
        else if (bLow && bStraddling)
            pBest = &NearerOfTwo(vStart, low, straddling);
        else if (bHigh && bStraddling)
            pBest = &NearerOfTwo(vStart, straddling, high);
        else if (bLow)
            pBest = &low;
        else if (bHigh)
            pBest = &high;
        else if (bStraddling)
            pBest = &straddling;
        if (!pBest)
            return false;
        vHitPoint = pBest->vPoint;
        iTriangle = pBest->iTriangle;
        return true;
    }

    const Vector3d* pVertices = pNode->m_pOwner->GetVertices();
    const Index3* pTriangles = pNode->m_pOwner->GetTriangles();
    bool bFound = false;
    float fBest = 0.0f;
    for (uint32 iItem : pNode->m_vItems)
    {
        const Index3& tri = pTriangles[iItem];
        Vector3d h;
        if (!IntersectTriangle(vStart, vEnd, pVertices[tri.a], pVertices[tri.b], pVertices[tri.c], h))
            continue;
        // Of equally near hits the triangle listed first stays.
        const float fDistance = (h - vStart).LengthSquared();
        if (!bFound || fDistance < fBest)
        {
            bFound = true;
            fBest = fDistance;
            vHitPoint = h;
            iTriangle = iItem;
        }
    }
    return bFound;
}

} // namespace original

namespace
{
bool SameBits(float a, float b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool SameBits(const Vector3d& a, const Vector3d& b)
{
    return SameBits(a.x, b.x) && SameBits(a.y, b.y) && SameBits(a.z, b.z);
}

const float kInf = std::numeric_limits<float>::infinity();
const float kNan = std::numeric_limits<float>::quiet_NaN();

// Draws coordinates, half of them from a list of values that the boxes and trees of a
// case share, so that rays start on faces, edges and corners and run along them.
class CRayMaker
{
public:
    CRayMaker(unsigned nSeed, std::vector<float> vSpecial, float fLow, float fHigh)
        : m_Random(nSeed), m_vSpecial(std::move(vSpecial)), m_Spread(fLow, fHigh), m_Unit(-1.0f, 1.0f)
    {
    }

    float Coordinate()
    {
        const unsigned k = m_Random() % 8;
        if (k < 4 && !m_vSpecial.empty())
            return m_vSpecial[m_Random() % m_vSpecial.size()];
        if (k == 4)
            return 0.0f;
        return m_Spread(m_Random);
    }

    Vector3d Point() { return Vector3d(Coordinate(), Coordinate(), Coordinate()); }

    // Along an axis, with one or two zero components, with a negative zero, or any.
    Vector3d Direction()
    {
        Vector3d d(m_Unit(m_Random), m_Unit(m_Random), m_Unit(m_Random));
        float* c[3] = {&d.x, &d.y, &d.z};
        const unsigned k = m_Random() % 10;
        const int iAxis = static_cast<int>(m_Random() % 3);
        if (k < 2)
        {
            d = Vector3d(0.0f, 0.0f, 0.0f);
            *c[iAxis] = (m_Random() & 1) ? 1.0f : -1.0f;
        }
        else if (k < 4)
            *c[iAxis] = 0.0f;
        else if (k == 4)
            *c[iAxis] = -0.0f;
        else if (k == 5)
            *c[iAxis] = m_vSpecial.empty() ? 0.5f : m_vSpecial[m_Random() % m_vSpecial.size()];
        return d;
    }

    unsigned Next() { return m_Random(); }

private:
    std::mt19937 m_Random;
    std::vector<float> m_vSpecial;
    std::uniform_real_distribution<float> m_Spread, m_Unit;
};

struct BoxCase
{
    const char* pName;
    std::vector<float> vValues; // shared by starts, directions and bounds
    float fLow, fHigh;          // the range of the other values
    int nRays;
};

// Every form of the box test against the earlier one, for one ray and box.
::testing::AssertionResult BoxTestsAgree(const Vector3d& s, const Vector3d& d, const float lo[3],
                                         const float hi[3])
{
    const bool bOld = original::OldRayIntersectsBox(s, d, lo[0], lo[1], lo[2], hi[0], hi[1], hi[2]);
    const bool bOldReach = original::OldRayReachesBox(s, d, lo[0], lo[1], lo[2], hi[0], hi[1], hi[2]);
    const bool bOldPluecker =
        original::OldRayIntersectsBoxPluecker(s, d, lo[0], lo[1], lo[2], hi[0], hi[1], hi[2]);
    const CRayBoxTest test(s, d);
    const bool bNew[5] = {RayIntersectsBox(s, d, lo[0], lo[1], lo[2], hi[0], hi[1], hi[2]),
                          test.Intersects(lo, hi),
                          RayReachesBox(s, d, lo[0], lo[1], lo[2], hi[0], hi[1], hi[2]), test.Reaches(lo, hi),
                          RayIntersectsBoxPluecker(s, d, lo[0], lo[1], lo[2], hi[0], hi[1], hi[2])};
    const bool bExpected[5] = {bOld, bOld, bOldReach, bOldReach, bOldPluecker};
    for (int i = 0; i < 5; ++i)
        if (bNew[i] != bExpected[i])
            return ::testing::AssertionFailure()
                   << "form " << i << " gives " << bNew[i] << " for start (" << s.x << ", " << s.y << ", "
                   << s.z << "), direction (" << d.x << ", " << d.y << ", " << d.z << "), box (" << lo[0]
                   << ", " << lo[1] << ", " << lo[2] << ") to (" << hi[0] << ", " << hi[1] << ", " << hi[2]
                   << ")";
    return ::testing::AssertionSuccess();
}

// A scene hit as the search reports it.
struct SceneAnswer
{
    bool bHit;
    Vector3d vPoint, vNormal;
    CPrimitive* pPrimitive;
};

::testing::AssertionResult SameAnswer(const SceneAnswer& a, const SceneAnswer& b)
{
    if (a.bHit != b.bHit || !SameBits(a.vPoint, b.vPoint) || !SameBits(a.vNormal, b.vNormal) ||
        a.pPrimitive != b.pPrimitive)
        return ::testing::AssertionFailure()
               << "hit " << a.bHit << " at (" << a.vPoint.x << ", " << a.vPoint.y << ", " << a.vPoint.z
               << ") instead of " << b.bHit << " at (" << b.vPoint.x << ", " << b.vPoint.y << ", "
               << b.vPoint.z << ")";
    return ::testing::AssertionSuccess();
}

CSphere* Sphere(const Vector3d& vCentre, float fRadius)
{
    CSphere* pSphere = new CSphere;
    EXPECT_TRUE(pSphere->SetTransform(Placement(fRadius, vCentre)));
    return pSphere;
}

CPlane* Square(const Matrix3d& m)
{
    CPlane* pPlane = new CPlane;
    EXPECT_TRUE(pPlane->SetTransform(m));
    return pPlane;
}

// The scenes: a floor, a wall and spheres; touching unit spheres on a lattice with a
// doubled sphere and squares lying in split planes; a thousand random spheres.
void FillScene(CScene& scene, int iKind)
{
    if (iKind == 0)
    {
        scene.AddPrimitive(Square(
            Matrix3d(Vector3d(40, 0, 0), Vector3d(0, 0, -40), Vector3d(0, 1, 0), Vector3d(-20, -1, 20))));
        scene.AddPrimitive(Square(
            Matrix3d(Vector3d(40, 0, 0), Vector3d(0, 20, 0), Vector3d(0, 0, 1), Vector3d(-20, -1, -8))));
        scene.AddPrimitive(Sphere(Vector3d(-2.5f, 0, -3), 1.0f));
        scene.AddPrimitive(Sphere(Vector3d(0, 0, -1), 1.0f));
        scene.AddPrimitive(Sphere(Vector3d(2.5f, 0, -3), 1.0f));
        scene.AddPrimitive(Sphere(Vector3d(-1.2f, -0.5f, 1.5f), 0.5f));
    }
    else if (iKind == 1)
    {
        for (int x = -2; x <= 2; ++x)
            for (int y = -2; y <= 2; ++y)
                for (int z = -1; z <= 1; ++z)
                    scene.AddPrimitive(Sphere(Vector3d(2.0f * x, 2.0f * y, 2.0f * z), 1.0f));
        scene.AddPrimitive(Sphere(Vector3d(0, 0, 0), 1.0f));
        scene.AddPrimitive(
            Square(Matrix3d(Vector3d(10, 0, 0), Vector3d(0, 10, 0), Vector3d(0, 0, 1), Vector3d(-5, -5, 0))));
        scene.AddPrimitive(
            Square(Matrix3d(Vector3d(10, 0, 0), Vector3d(0, 0, 10), Vector3d(0, 1, 0), Vector3d(-5, 0, -5))));
    }
    else
    {
        std::mt19937 random(1);
        std::uniform_real_distribution<float> coord(-50.0f, 50.0f), radius(0.3f, 2.0f);
        for (int i = 0; i < 1000; ++i)
        {
            const Vector3d c(coord(random), coord(random), coord(random));
            scene.AddPrimitive(Sphere(c, radius(random)));
        }
    }
}

struct SceneCase
{
    const char* pName;
    int iKind;
    std::vector<float> vValues;
    float fLow, fHigh;
    int nRays;
};

// A value a with 3a exact in float: a multiple of 2^-19 below fRange in size.
float PlaneA(std::mt19937& random, float fRange)
{
    const int nSteps = static_cast<int>(fRange * 524288.0f);
    return static_cast<float>(static_cast<int>(random() % (2 * nSteps + 1)) - nSteps) / 524288.0f;
}

// A coordinate up to fRange in size, spread over sixteen binary orders.
float PlaneZ(std::mt19937& random, float fRange)
{
    const float f = std::uniform_real_distribution<float>(-fRange, fRange)(random);
    return std::ldexp(f, -static_cast<int>(random() % 16));
}

// A grid mesh: half of it flat in y = 0 and half of it waves; a unit cube; or triangles
// in the plane x = 3y with two waving sheets across it.
void FillMesh(CModelMesh& mesh, int iKind, float fScale = 1.0f)
{
    std::vector<Vector3d> vVertices;
    std::vector<Index3> vTriangles;
    if (iKind == 0)
    {
        const int n = 24;
        for (int j = 0; j <= n; ++j)
            for (int i = 0; i <= n; ++i)
            {
                const float x = -3.0f + 6.0f * i / n, z = -3.0f + 6.0f * j / n;
                vVertices.emplace_back(x, i < n / 2 ? 0.0f : 0.3f * std::sin(3.0f * x) * std::cos(2.0f * z),
                                       z);
            }
        for (int j = 0; j < n; ++j)
            for (int i = 0; i < n; ++i)
            {
                const uint32 a = j * (n + 1) + i, b = a + 1, c = a + n + 1, d = c + 1;
                vTriangles.push_back(Tri(a, c, b));
                vTriangles.push_back(Tri(b, c, d));
            }
    }
    else if (iKind == 2)
    {
        // Triangles in the plane x = 3y: corners (3a, a, z). PlaneA keeps 3a exact in
        // float, and z spreads over many binary orders, so that the double solve of a
        // ray in the plane rounds instead of cancelling exactly.
        std::mt19937 random(7);
        for (int i = 0; i < 300; ++i)
        {
            const float a = PlaneA(random, 3.0f);
            const uint32 iFirst = static_cast<uint32>(vVertices.size());
            vVertices.emplace_back(3.0f * a, a, PlaneZ(random, 3.0f));
            for (int k = 0; k < 2; ++k)
            {
                const float b = a + PlaneA(random, 0.5f);
                vVertices.emplace_back(3.0f * b, b, PlaneZ(random, 3.0f));
            }
            vTriangles.push_back(Tri(iFirst, iFirst + 1, iFirst + 2));
        }
        // Two waving sheets that rays in that plane cross: z = f(x, y) and x = g(y, z).
        const int m = 10;
        for (int sheet = 0; sheet < 2; ++sheet)
        {
            const uint32 iFirst = static_cast<uint32>(vVertices.size());
            for (int j = 0; j <= m; ++j)
                for (int i = 0; i <= m; ++i)
                {
                    const float p = -4.5f + 9.0f * i / m, q = -4.5f + 9.0f * j / m;
                    if (sheet == 0)
                        vVertices.emplace_back(2.0f * p, 0.5f * q,
                                               0.5f + 0.3f * std::sin(0.7f * p) * std::cos(1.3f * q));
                    else
                        vVertices.emplace_back(1.0f + 0.4f * std::sin(p) * std::cos(q), p, q);
                }
            for (int j = 0; j < m; ++j)
                for (int i = 0; i < m; ++i)
                {
                    const uint32 a = iFirst + j * (m + 1) + i, b = a + 1, c = a + m + 1, d = c + 1;
                    vTriangles.push_back(Tri(a, c, b));
                    vTriangles.push_back(Tri(b, c, d));
                }
        }
    }
    else
    {
        for (int k = 0; k < 8; ++k)
            vVertices.emplace_back(float(k >> 2), float((k >> 1) & 1), float(k & 1));
        const uint32 faces[12][3] = {{0, 1, 3}, {0, 3, 2}, {4, 6, 7}, {4, 7, 5}, {0, 4, 5}, {0, 5, 1},
                                     {2, 3, 7}, {2, 7, 6}, {0, 2, 6}, {0, 6, 4}, {1, 5, 7}, {1, 7, 3}};
        for (const auto& f : faces)
            vTriangles.push_back(Tri(f[0], f[1], f[2]));
    }
    for (Vector3d& v : vVertices)
        v = fScale * v;
    ::FillMesh(mesh, vVertices, vTriangles);
}
} // namespace

TEST(BoxTestEquivalence, AgreesWithTheEarlierFormOnEveryDrawnRayAndBox)
{
    const BoxCase cases[] = {
        {"grid values", {-2, -1, -0.5f, 0, -0.0f, 0.5f, 1, 2}, -2.0f, 2.0f, 400000},
        {"random values", {}, -10.0f, 10.0f, 300000},
        {"thirds and tenths", {1.0f / 3, -1.0f / 3, 0.1f, -0.1f, 0.3f, 0.7f, 1}, -1.0f, 1.0f, 300000},
        {"tiny and huge",
         {1e-30f, -1e-30f, 1e-45f, -1e-45f, 1e30f, -1e30f, 3e38f, -3e38f, 0},
         -1e-20f,
         1e-20f,
         200000},
        {"non-finite", {kInf, -kInf, kNan, 0, 1, -1}, -1.0f, 1.0f, 200000},
    };
    int iSeed = 0;
    for (const BoxCase& c : cases)
    {
        CRayMaker maker(100 + iSeed++, c.vValues, c.fLow, c.fHigh);
        for (int i = 0; i < c.nRays; ++i)
        {
            float lo[3], hi[3];
            for (int k = 0; k < 3; ++k)
            {
                lo[k] = maker.Coordinate();
                hi[k] = maker.Coordinate();
                // Mostly proper boxes, some flat, some inside out.
                if (maker.Next() % 8 != 0 && hi[k] < lo[k])
                    std::swap(lo[k], hi[k]);
            }
            // Starts on the box's faces, edges and corners, or anywhere.
            Vector3d s = maker.Point();
            float* pStart[3] = {&s.x, &s.y, &s.z};
            for (int k = 0; k < 3; ++k)
                if (maker.Next() % 3 == 0)
                    *pStart[k] = (maker.Next() & 1) ? lo[k] : hi[k];
            ASSERT_TRUE(BoxTestsAgree(s, maker.Direction(), lo, hi)) << c.pName << ", ray " << i;
        }
    }
}

TEST(BoxTestEquivalence, AgreesOnRaysAlongTheEdgesAndFacesOfTheUnitBox)
{
    // Every start and direction with components from a small set: on, inside and
    // outside each face, along and across each axis.
    const float starts[] = {-1, 0, 0.5f, 1, 2};
    const float dirs[] = {-1, -0.0f, 0, 0.5f, 1};
    const float lo[3] = {0, 0, 0}, hi[3] = {1, 1, 1};
    for (float sx : starts)
        for (float sy : starts)
            for (float sz : starts)
                for (float dx : dirs)
                    for (float dy : dirs)
                        for (float dz : dirs)
                            ASSERT_TRUE(BoxTestsAgree(Vector3d(sx, sy, sz), Vector3d(dx, dy, dz), lo, hi));
}

TEST(WalkEquivalence, SceneSearchGivesTheEarlierAnswerForEveryRay)
{
    const SceneCase cases[] = {
        {"floor, wall and spheres",
         0,
         {-20, 20, -1, 19, -8, 0, 10, -10, 5, -5, 2.5f, -2.5f, 1, -3},
         -25,
         25,
         40000},
        {"lattice of touching spheres",
         1,
         {-6, -5, -4, -3, -2, -1, 0, 1, 2, 3, 4, 5, 6, 0.5f, -0.5f},
         -7,
         7,
         40000},
        {"a thousand spheres", 2, {0, 50, -50, 25, -25, 12.5f}, -60, 60, 10000},
    };
    int iSeed = 0;
    for (const SceneCase& c : cases)
    {
        CScene scene;
        FillScene(scene, c.iKind);
        scene.BuildBsp();
        const CSceneBsp* pRoot = scene.GetBspRoot();
        ASSERT_NE(pRoot, nullptr);
        CRayMaker maker(200 + iSeed++, c.vValues, c.fLow, c.fHigh);
        int nHits = 0;
        for (int i = 0; i < c.nRays; ++i)
        {
            const Vector3d s = maker.Point(), e = s + maker.Direction();
            SceneAnswer now{false, Vector3d(-9, -9, -9), Vector3d(-9, -9, -9), nullptr};
            SceneAnswer before = now;
            now.bHit = scene.Intersect(s, e, now.vPoint, now.vNormal, now.pPrimitive);
            before.bHit = original::OldSceneSearch(pRoot, s, e, e - s, before.vPoint, before.vNormal,
                                                   before.pPrimitive);
            ASSERT_TRUE(SameAnswer(now, before)) << c.pName << ", ray " << i;
            nHits += now.bHit;
        }
        EXPECT_GT(nHits, c.nRays / 20) << c.pName;
    }
}

TEST(WalkEquivalence, TriangleSearchGivesTheEarlierAnswerForEveryRay)
{
    const SceneCase cases[] = {
        {"half flat, half waving grid",
         0,
         {-3, -2, -1, 0, 1, 2, 3, 0.5f, -0.5f, 0.25f, -0.25f},
         -4,
         4,
         60000},
        {"unit cube", 1, {0, 1, 0.5f, -1, 2, 0.25f, 0.75f}, -1.5f, 2.5f, 60000},
    };
    int iSeed = 0;
    for (const SceneCase& c : cases)
    {
        CModelMesh mesh;
        FillMesh(mesh, c.iKind);
        CTriMesh triMesh(&mesh);
        CRayMaker maker(300 + iSeed++, c.vValues, c.fLow, c.fHigh);
        int nHits = 0;
        for (int i = 0; i < c.nRays; ++i)
        {
            const Vector3d s = maker.Point(), e = s + maker.Direction();
            Vector3d hNow(-9, -9, -9), hBefore(-9, -9, -9);
            uint32 iNow = 99999, iBefore = 99999;
            const bool bNow = triMesh.GetBspRoot()->Intersect(s, e, hNow, iNow);
            const bool bBefore = original::PlainTriangleSearch(triMesh.GetBspRoot(), s, e, hBefore, iBefore);
            ASSERT_EQ(bNow, bBefore) << c.pName << ", ray " << i;
            ASSERT_TRUE(SameBits(hNow, hBefore)) << c.pName << ", ray " << i;
            ASSERT_EQ(iNow, iBefore) << c.pName << ", ray " << i;
            nHits += bNow;
        }
        EXPECT_GT(nHits, c.nRays / 20) << c.pName;
    }
}

namespace
{
// A ray and the answers of both walks for it.
struct TriangleAnswers
{
    bool bNow, bPlain;
    Vector3d hNow, hPlain;
    uint32 iNow, iPlain;
};

TriangleAnswers AskBothWalks(const CTriMesh& triMesh, const Vector3d& s, const Vector3d& e)
{
    TriangleAnswers a{false, false, Vector3d(-9, -9, -9), Vector3d(-9, -9, -9), 99999, 99999};
    a.bNow = triMesh.GetBspRoot()->Intersect(s, e, a.hNow, a.iNow);
    a.bPlain = original::PlainTriangleSearch(triMesh.GetBspRoot(), s, e, a.hPlain, a.iPlain);
    return a;
}

::testing::AssertionResult SameTriangleAnswer(const TriangleAnswers& a, const Vector3d& s, const Vector3d& e)
{
    if (a.bNow == a.bPlain && SameBits(a.hNow, a.hPlain) && a.iNow == a.iPlain)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "ray from (" << s.x << ", " << s.y << ", " << s.z << ") to (" << e.x << ", " << e.y << ", "
           << e.z << "): hit " << a.bNow << " on triangle " << a.iNow << " at (" << a.hNow.x << ", "
           << a.hNow.y << ", " << a.hNow.z << ") instead of " << a.bPlain << " on triangle " << a.iPlain
           << " at (" << a.hPlain.x << ", " << a.hPlain.y << ", " << a.hPlain.z << ")";
}

// Whether a hit lies clearly outside the box of the triangle's corners.
bool OffTheTrianglesBox(const CTriMesh& triMesh, uint32 iTriangle, const Vector3d& h, float fSlack)
{
    const Index3& tri = triMesh.GetTriangles()[iTriangle];
    const Vector3d* p = triMesh.GetVertices();
    Vector3d vMin = p[tri.a], vMax = p[tri.a];
    GrowBox(vMin, vMax, p[tri.b]);
    GrowBox(vMin, vMax, p[tri.c]);
    return h.x < vMin.x - fSlack || h.x > vMax.x + fSlack || h.y < vMin.y - fSlack || h.y > vMax.y + fSlack ||
           h.z < vMin.z - fSlack || h.z > vMax.z + fSlack;
}
} // namespace

TEST(WalkEquivalence, TriangleSearchGivesThePlainAnswerForRaysInTrianglePlanes)
{
    // Rays whose start and end lie exactly in the plane x = 3y of many triangles. The
    // solve of such a ray against such a triangle is singular but for rounding, and now
    // and then it reports a hit far from the triangle; the walk must still answer as
    // the plain walk does, whichever subtree such a hit comes from.
    // At a size where a triangle's solve is never trusted near its plane, and scaled
    // down (by a power of two, which keeps every point exact and in the plane) to where
    // the determinant threshold keeps the hits of small triangles near them.
    int iSeed = 400;
    for (float fScale : {1.0f, 1.0f / 256.0f})
    {
        CModelMesh mesh;
        FillMesh(mesh, 2, fScale);
        CTriMesh triMesh(&mesh);
        std::mt19937 random(iSeed++);
        const int nRays = 15000;
        int nHits = 0, nOffBox = 0;
        for (int i = 0; i < nRays; ++i)
        {
            const float a0 = PlaneA(random, 5.0f), a1 = PlaneA(random, 5.0f), z0 = PlaneZ(random, 5.0f);
            // Now and then along the plane's own z direction or in a plane z = const.
            const unsigned k = random() % 8;
            const float z1 = k == 0 ? z0 : PlaneZ(random, 5.0f);
            const Vector3d s = fScale * Vector3d(3.0f * a0, a0, z0);
            const Vector3d e = fScale * (k == 1 ? Vector3d(3.0f * a0, a0, z1) : Vector3d(3.0f * a1, a1, z1));
            const TriangleAnswers a = AskBothWalks(triMesh, s, e);
            ASSERT_TRUE(SameTriangleAnswer(a, s, e)) << "scale " << fScale << ", ray " << i;
            nHits += a.bPlain;
            nOffBox += a.bPlain && OffTheTrianglesBox(triMesh, a.iPlain, a.hPlain, 1e-3f * fScale);
        }
        EXPECT_GT(nHits, nRays / 4) << "scale " << fScale;
        // At full size the rays do meet the rounding hits that the walk must not pass
        // over; scaled down, the threshold keeps every hit near its triangle.
        if (fScale == 1.0f)
            EXPECT_GT(nOffBox, nRays / 1000);
        else
            EXPECT_EQ(nOffBox, 0);
    }
}

TEST(WalkEquivalence, TriangleSearchGivesThePlainAnswerWhenTheDirectionOverflowsFloat)
{
    // Starts and ends near the ends of the float range on opposite sides, so that
    // end - start is infinite in float; the triangle solve works in double and finds
    // hits all the same.
    const float huge[] = {2e38f, 3e38f, -2e38f, -3e38f};
    int iSeed = 500;
    for (int iKind : {0, 1, 2})
    {
        CModelMesh mesh;
        FillMesh(mesh, iKind);
        CTriMesh triMesh(&mesh);
        std::mt19937 random(iSeed++);
        std::uniform_real_distribution<float> coord(-2.0f, 2.0f);
        const int nRays = 3000;
        int nHits = 0;
        for (int i = 0; i < nRays; ++i)
        {
            Vector3d s(coord(random), coord(random), coord(random));
            Vector3d e(coord(random), coord(random), coord(random));
            float* ps[3] = {&s.x, &s.y, &s.z};
            float* pe[3] = {&e.x, &e.y, &e.z};
            // One axis, or more, runs from one end of the range to the other.
            const int iAxis = static_cast<int>(random() % 3);
            for (int k = 0; k < 3; ++k)
                if (k == iAxis || random() % 4 == 0)
                {
                    *ps[k] = huge[random() % 4];
                    *pe[k] = (*ps[k] > 0.0f ? -1.0f : 1.0f) * huge[random() % 2];
                }
            const TriangleAnswers a = AskBothWalks(triMesh, s, e);
            ASSERT_TRUE(SameTriangleAnswer(a, s, e)) << "mesh " << iKind << ", ray " << i;
            nHits += a.bPlain;
        }
        // The box test turns most such rays away, the same in both walks; some get through.
        EXPECT_GT(nHits, nRays / 300) << "mesh " << iKind;
    }
}
