// The scene tree and the triangle tree, the division-free ray/box test that both walk
// with, the ray/triangle solve, and the Pluecker-line segment tests.
#include "raytracer/Bsp.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <type_traits>
#include <limits>

#include "raytracer/Geometry.h"

namespace
{
// Determinant below which the ray/triangle system counts as singular: the double
// machine epsilon.
const double kSingular = 2.220446049250313e-16;

inline float Coord(const Vector3d& v, int iAxis)
{
    return iAxis == 0 ? v.x : (iAxis == 1 ? v.y : v.z);
}

struct DVec
{
    double x, y, z;
};

inline DVec ToDouble(const Vector3d& v)
{
    return DVec{v.x, v.y, v.z};
}

inline DVec Sub(const Vector3d& a, const Vector3d& b)
{
    return DVec{static_cast<double>(a.x) - b.x, static_cast<double>(a.y) - b.y,
                static_cast<double>(a.z) - b.z};
}

inline double Dot(const DVec& a, const DVec& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

inline DVec Cross(const DVec& a, const DVec& b)
{
    return DVec{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// Solves start + t d = p0 + u e1 + v e2 with d = end - start (Cramer's rule, in
// double). False when the system is singular: the ray runs parallel to the plane, the
// edges are parallel, or d is zero.
inline bool SolveRayPlane(const Vector3d& vStart, const Vector3d& vEnd, const Vector3d& p0,
                          const DVec& e1, const DVec& e2, double& t, double& u, double& v)
{
    const DVec d = Sub(vEnd, vStart);
    // Columns d, -e1, -e2 and right side p0 - start.
    const DVec c1{-e1.x, -e1.y, -e1.z};
    const DVec c2{-e2.x, -e2.y, -e2.z};
    const DVec b = Sub(p0, vStart);
    const DVec c1c2 = Cross(c1, c2);
    const double det = Dot(d, c1c2);
    if (std::fabs(det) < kSingular)
        return false;
    const double inv = 1.0 / det;
    t = Dot(b, c1c2) * inv;
    u = Dot(d, Cross(b, c2)) * inv;
    v = Dot(d, Cross(c1, b)) * inv;
    return true;
}

inline Vector3d PointOnRay(const Vector3d& vStart, const Vector3d& vEnd, double t)
{
    const DVec d = Sub(vEnd, vStart);
    return Vector3d(static_cast<float>(vStart.x + t * d.x), static_cast<float>(vStart.y + t * d.y),
                    static_cast<float>(vStart.z + t * d.z));
}

// The box test. In the plane (u, v) the side value of a box corner c, taken relative
// to the start, is dir.u * c.v - dir.v * c.u; for each octant of the direction two
// silhouette corners per plane are tested, the ones with the smallest and the largest
// value. Which tests let an exact 0 pass differs from plane to plane and octant to
// octant: rays along a face pass or fail by these rules alone. The octant is a
// template argument, so that a tree walk picks the corners once per ray.

// How a side value passes: <= 0, >= 0, < 0 or > 0.
enum class ESidePass
{
    kNotAbove,
    kNotBelow,
    kBelow,
    kAbove
};

template <ESidePass ePass>
inline bool SidePasses(float fSide)
{
    if constexpr (ePass == ESidePass::kNotAbove)
        return fSide <= 0.0f;
    else if constexpr (ePass == ESidePass::kNotBelow)
        return fSide >= 0.0f;
    else if constexpr (ePass == ESidePass::kBelow)
        return fSide < 0.0f;
    else
        return fSide > 0.0f;
}

// A box seen from the start of a ray: the offsets of its bounds from the start.
struct BoxFromStart
{
    const float* pMin;
    const float* pMax;
    const float* pStart;

    template <int iAxis, bool bUpper>
    float Offset() const
    {
        return (bUpper ? pMax[iAxis] : pMin[iAxis]) - pStart[iAxis];
    }
};

// Side values from the direction's components.
struct DirectionSides
{
    const float* pDir;

    template <int U, int V>
    float Side(float fCu, float fCv) const
    {
        return pDir[U] * fCv - pDir[V] * fCu;
    }
};

// A box bound by number: 2 axis + 1 for the upper bound, 2 axis for the lower.
constexpr int Bound(int iAxis, bool bUpper)
{
    return 2 * iAxis + (bUpper ? 1 : 0);
}

// Which tests of the box test to make: all (kAllBounds), or only those that read one
// bound, for a box that differs from one already passed in that bound alone.
const int kAllBounds = -1;

constexpr bool Reads(int iOnly, int iBound)
{
    return iOnly == kAllBounds || iOnly == iBound;
}

// The side test of the corner (lower or upper bound on u, lower or upper on v).
template <int U, bool bUpperU, int V, bool bUpperV, ESidePass ePass, int iOnly, class Sides>
inline bool SideTest(const Sides& sides, const BoxFromStart& box)
{
    if constexpr (!Reads(iOnly, Bound(U, bUpperU)) && !Reads(iOnly, Bound(V, bUpperV)))
        return true;
    else
        return SidePasses<ePass>(
            sides.template Side<U, V>(box.Offset<U, bUpperU>(), box.Offset<V, bUpperV>()));
}

// The two tests in the xy plane, for the signs of the direction on x and y.
template <bool bPx, bool bPy, int iOnly, class Sides>
inline bool XyTests(const Sides& sides, const BoxFromStart& box)
{
    using P = ESidePass;
    if constexpr (!bPx && !bPy)
        return SideTest<0, false, 1, true, P::kNotAbove, iOnly>(sides, box) &&
               SideTest<0, true, 1, false, P::kNotBelow, iOnly>(sides, box);
    else if constexpr (!bPx && bPy)
        return SideTest<0, false, 1, false, P::kAbove, iOnly>(sides, box) &&
               SideTest<0, true, 1, true, P::kNotAbove, iOnly>(sides, box);
    else if constexpr (bPx && !bPy)
        return SideTest<0, false, 1, false, P::kNotAbove, iOnly>(sides, box) &&
               SideTest<0, true, 1, true, P::kAbove, iOnly>(sides, box);
    else
        return SideTest<0, false, 1, true, P::kAbove, iOnly>(sides, box) &&
               SideTest<0, true, 1, false, P::kBelow, iOnly>(sides, box);
}

// The two tests in the xz plane (U = 0) or the yz plane (U = 1): both follow one table.
template <int U, bool bPu, bool bPz, int iOnly, class Sides>
inline bool ZPlaneTests(const Sides& sides, const BoxFromStart& box)
{
    using P = ESidePass;
    if constexpr (!bPu && !bPz)
        return SideTest<U, false, 2, true, P::kNotAbove, iOnly>(sides, box) &&
               SideTest<U, true, 2, false, P::kNotBelow, iOnly>(sides, box);
    else if constexpr (!bPu && bPz)
        return SideTest<U, false, 2, false, P::kNotBelow, iOnly>(sides, box) &&
               SideTest<U, true, 2, true, P::kBelow, iOnly>(sides, box);
    else if constexpr (bPu && !bPz)
        return SideTest<U, false, 2, false, P::kBelow, iOnly>(sides, box) &&
               SideTest<U, true, 2, true, P::kNotBelow, iOnly>(sides, box);
    else
        return SideTest<U, false, 2, true, P::kAbove, iOnly>(sides, box) &&
               SideTest<U, true, 2, false, P::kBelow, iOnly>(sides, box);
}

// The start must lie strictly inside the face it would leave through: this rejects
// boxes wholly behind the start.
template <int iAxis, bool bPositive, int iOnly>
inline bool StartTest(const BoxFromStart& box)
{
    if constexpr (!Reads(iOnly, Bound(iAxis, bPositive)))
        return true;
    else if constexpr (bPositive)
        return box.Offset<iAxis, true>() > 0.0f;
    else
        return box.Offset<iAxis, false>() < 0.0f;
}

// The whole box test for one octant: bit 2 for x, 1 for y, 0 for z, set where the
// direction is positive. The tests have no side effects, so their order is free. With
// iOnly a bound, only the tests that read it are made: the others are the same as for
// a box that passed and differs from this one in that bound alone.
template <int iOctant, int iOnly = kAllBounds, class Sides>
inline bool BoxTest(const Sides& sides, const BoxFromStart& box)
{
    constexpr bool bPx = (iOctant & 4) != 0, bPy = (iOctant & 2) != 0, bPz = (iOctant & 1) != 0;
    return StartTest<0, bPx, iOnly>(box) && StartTest<1, bPy, iOnly>(box) &&
           StartTest<2, bPz, iOnly>(box) && XyTests<bPx, bPy, iOnly>(sides, box) &&
           ZPlaneTests<0, bPx, bPz, iOnly>(sides, box) && ZPlaneTests<1, bPy, bPz, iOnly>(sides, box);
}

// A zero component counts as negative.
inline int Octant(const float* pDir)
{
    return (pDir[0] > 0.0f ? 4 : 0) | (pDir[1] > 0.0f ? 2 : 0) | (pDir[2] > 0.0f ? 1 : 0);
}

template <class Sides>
inline bool BoxTestAnyOctant(int iOctant, const Sides& sides, const BoxFromStart& box)
{
    switch (iOctant)
    {
    case 0: return BoxTest<0>(sides, box);
    case 1: return BoxTest<1>(sides, box);
    case 2: return BoxTest<2>(sides, box);
    case 3: return BoxTest<3>(sides, box);
    case 4: return BoxTest<4>(sides, box);
    case 5: return BoxTest<5>(sides, box);
    case 6: return BoxTest<6>(sides, box);
    default: return BoxTest<7>(sides, box);
    }
}

// What RayReachesBox adds to the box test: a ray that runs within one of the box's face
// planes (no component across it) and meets the closed box from its start onward.
inline bool RunsInFacePlaneAndMeetsBox(const float* s, const float* d, const float* lo,
                                       const float* hi)
{
    bool bInFacePlane = false;
    for (int i = 0; i < 3; ++i)
        bInFacePlane = bInFacePlane || (d[i] == 0.0f && (s[i] == lo[i] || s[i] == hi[i]));
    if (!bInFacePlane)
        return false;
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

// RayReachesBox for a node, in a walk of octant iOctant.
template <int iOctant>
inline bool ReachesNode(const CRayBoxTest& ray, const CBsp& node)
{
    return BoxTest<iOctant>(DirectionSides{ray.m_fDir},
                            BoxFromStart{node.m_fMin, node.m_fMax, ray.m_fStart}) ||
           (ray.m_bZeroComponent &&
            RunsInFacePlaneAndMeetsBox(ray.m_fStart, ray.m_fDir, node.m_fMin, node.m_fMax));
}

// The nearer of two hits; the second wins unless the first is strictly nearer.
template <class Hit>
inline const Hit& NearerOfTwo(const Vector3d& vStart, const Hit& first, const Hit& second)
{
    return (first.vPoint - vStart).Length() < (second.vPoint - vStart).Length() ? first : second;
}

// A hit of the scene search. Its distance from the start is taken once, when a
// comparison first needs it.
struct SceneHit
{
    Vector3d vPoint, vNormal;
    CPrimitive* pPrimitive;
    float fDistance;
    bool bDistance; // whether fDistance has been taken
};

inline float HitDistance(const Vector3d& vStart, SceneHit& hit)
{
    if (!hit.bDistance)
    {
        hit.fDistance = (hit.vPoint - vStart).Length();
        hit.bDistance = true;
    }
    return hit.fDistance;
}

struct TriangleHit
{
    Vector3d vPoint;
    uint32 iTriangle = 0;
};
} // namespace

//---------------------------------------------------------------------------------------
// Pluecker lines and the segment tests

PlueckerLine::PlueckerLine(const Vector3d& p, const Vector3d& q)
{
    L[0] = p.x * q.y - q.x * p.y;
    L[1] = p.x * q.z - q.x * p.z;
    L[2] = p.x - q.x;
    L[3] = p.y * q.z - q.y * p.z;
    L[4] = p.z - q.z;
    L[5] = q.y - p.y;
}

PlueckerLine PlueckerLine::FromPointDirection(const Vector3d& p, const Vector3d& d)
{
    PlueckerLine line(p, p);
    line.L[0] = p.x * d.y - p.y * d.x;
    line.L[1] = p.x * d.z - p.z * d.x;
    line.L[2] = -d.x;
    line.L[3] = p.y * d.z - p.z * d.y;
    line.L[4] = -d.z;
    line.L[5] = d.y;
    return line;
}

float PlueckerSide(const PlueckerLine& a, const PlueckerLine& b)
{
    return a.L[0] * b.L[4] + a.L[1] * b.L[5] + a.L[2] * b.L[3] + a.L[3] * b.L[2] +
           a.L[4] * b.L[0] + a.L[5] * b.L[1];
}

CRayBoxTest::CRayBoxTest(const Vector3d& vStart, const Vector3d& vDir)
    : m_fStart{vStart.x, vStart.y, vStart.z}, m_fDir{vDir.x, vDir.y, vDir.z}, m_iOctant(Octant(m_fDir)),
      m_bZeroComponent(m_fDir[0] == 0.0f || m_fDir[1] == 0.0f || m_fDir[2] == 0.0f)
{
}

bool CRayBoxTest::Intersects(const float* pMin, const float* pMax) const
{
    return BoxTestAnyOctant(m_iOctant, DirectionSides{m_fDir}, BoxFromStart{pMin, pMax, m_fStart});
}

bool CRayBoxTest::Reaches(const float* pMin, const float* pMax) const
{
    return Intersects(pMin, pMax) ||
           (m_bZeroComponent && RunsInFacePlaneAndMeetsBox(m_fStart, m_fDir, pMin, pMax));
}

bool RayIntersectsBox(const Vector3d& vStart, const Vector3d& vDir, float xmin, float ymin,
                      float zmin, float xmax, float ymax, float zmax)
{
    const float s[3] = {vStart.x, vStart.y, vStart.z}, d[3] = {vDir.x, vDir.y, vDir.z};
    const float lo[3] = {xmin, ymin, zmin}, hi[3] = {xmax, ymax, zmax};
    return BoxTestAnyOctant(Octant(d), DirectionSides{d}, BoxFromStart{lo, hi, s});
}

bool RayReachesBox(const Vector3d& vStart, const Vector3d& vDir, float xmin, float ymin,
                   float zmin, float xmax, float ymax, float zmax)
{
    const float lo[3] = {xmin, ymin, zmin}, hi[3] = {xmax, ymax, zmax};
    return CRayBoxTest(vStart, vDir).Reaches(lo, hi);
}

namespace
{
// Side values from Pluecker lines: the ray through the origin (corners are taken
// relative to the start) against the box edge through a corner along a unit axis. An
// edge along z gives the negated xy side value, along y the xz value, along x the
// negated yz value.
struct PlueckerSides
{
    PlueckerLine ray;

    template <int U, int V>
    float Side(float fCu, float fCv) const
    {
        if constexpr (U == 0 && V == 1)
            return -PlueckerSide(ray, PlueckerLine::FromPointDirection(Vector3d(fCu, fCv, 0.0f),
                                                                       Vector3d(0.0f, 0.0f, 1.0f)));
        else if constexpr (U == 0)
            return PlueckerSide(ray, PlueckerLine::FromPointDirection(Vector3d(fCu, 0.0f, fCv),
                                                                      Vector3d(0.0f, 1.0f, 0.0f)));
        else
            return -PlueckerSide(ray, PlueckerLine::FromPointDirection(Vector3d(0.0f, fCu, fCv),
                                                                       Vector3d(1.0f, 0.0f, 0.0f)));
    }
};
} // namespace

bool RayIntersectsBoxPluecker(const Vector3d& vStart, const Vector3d& vDir, float xmin,
                              float ymin, float zmin, float xmax, float ymax, float zmax)
{
    const float s[3] = {vStart.x, vStart.y, vStart.z}, d[3] = {vDir.x, vDir.y, vDir.z};
    const float lo[3] = {xmin, ymin, zmin}, hi[3] = {xmax, ymax, zmax};
    return BoxTestAnyOctant(Octant(d), PlueckerSides{PlueckerLine::FromPointDirection(Vector3d(), vDir)},
                            BoxFromStart{lo, hi, s});
}

bool RayCrossesTriangle(const Vector3d& s, const Vector3d& d, const Vector3d& p0,
                        const Vector3d& p1, const Vector3d& p2, Vector3d& vOut)
{
    const Vector3d e0 = p0 - s, e1 = p1 - s, e2 = p2 - s;
    if (Dot(d, Cross(e0, e1)) <= 0.0f && Dot(d, Cross(e1, e2)) <= 0.0f &&
        Dot(d, Cross(e2, e0)) <= 0.0f)
    {
        vOut = p0;
        return true;
    }
    return false;
}

int MinIndex3(float a, float b, float c)
{
    if (b > a)
        return c > a ? 0 : 2;
    return c > b ? 1 : 2;
}

int MaxIndex3(float a, float b, float c)
{
    if (a > b)
        return a > c ? 0 : 2;
    return b > c ? 1 : 2;
}

bool IntersectTriangle(const Vector3d& vStart, const Vector3d& vEnd, const Vector3d& p0,
                       const Vector3d& p1, const Vector3d& p2, Vector3d& vHitPoint)
{
    double t, u, v;
    if (!SolveRayPlane(vStart, vEnd, p0, Sub(p1, p0), Sub(p2, p0), t, u, v))
        return false;
    // Edges and corners count; a hit at the start itself does not.
    if (!(t > 0.0 && u >= 0.0 && v >= 0.0 && u + v <= 1.0))
        return false;
    vHitPoint = PointOnRay(vStart, vEnd, t);
    return true;
}

bool IntersectParallelogram(const Vector3d& vStart, const Vector3d& vEnd, const Vector3d& vCorner,
                            const Vector3d& vEdge1, const Vector3d& vEdge2, Vector3d& vHitPoint)
{
    double t, u, v;
    if (!SolveRayPlane(vStart, vEnd, vCorner, ToDouble(vEdge1), ToDouble(vEdge2), t, u, v))
        return false;
    if (!(t > 0.0 && u >= 0.0 && u <= 1.0 && v >= 0.0 && v <= 1.0))
        return false;
    vHitPoint = PointOnRay(vStart, vEnd, t);
    return true;
}

bool IntersectBoxFaces(const Vector3d& vStart, const Vector3d& vEnd, float xmin, float xmax,
                       float ymin, float ymax, float zmin, float zmax)
{
    const Vector3d ex(xmax - xmin, 0.0f, 0.0f), ey(0.0f, ymax - ymin, 0.0f),
        ez(0.0f, 0.0f, zmax - zmin);
    const Vector3d faces[6][3] = {
        {Vector3d(xmin, ymin, zmin), ex, ey}, {Vector3d(xmin, ymin, zmax), ex, ey},
        {Vector3d(xmin, ymin, zmin), ex, ez}, {Vector3d(xmin, ymax, zmin), ex, ez},
        {Vector3d(xmin, ymin, zmin), ey, ez}, {Vector3d(xmax, ymin, zmin), ey, ez},
    };
    Vector3d vHit;
    for (const auto& face : faces)
        if (IntersectParallelogram(vStart, vEnd, face[0], face[1], face[2], vHit))
            return true;
    return false;
}

//---------------------------------------------------------------------------------------
// CBsp

CBsp::CBsp() : m_fMin{0.0f, 0.0f, 0.0f}, m_fMax{0.0f, 0.0f, 0.0f}
{
}

CBsp::~CBsp() = default;

void CBsp::SetBox(const Vector3d& vMin, const Vector3d& vMax)
{
    m_fMin[0] = vMin.x;
    m_fMin[1] = vMin.y;
    m_fMin[2] = vMin.z;
    m_fMax[0] = vMax.x;
    m_fMax[1] = vMax.y;
    m_fMax[2] = vMax.z;
}

//---------------------------------------------------------------------------------------
// CSceneBsp

CSceneBsp::CSceneBsp(const CScene* pOwner)
    : m_pOwner(pOwner), m_pLow(nullptr), m_pHigh(nullptr), m_iSplitAxis(-1), m_bHalf(false),
      m_pSameItems(this)
{
}

namespace
{
// Whether a child's box is its parent's with only the bound iBound changed, bit for bit.
bool DiffersOnlyIn(const CBsp& child, const CBsp& parent, int iBound)
{
    for (int i = 0; i < 3; ++i)
    {
        const bool bMinKept = std::memcmp(&child.m_fMin[i], &parent.m_fMin[i], sizeof(float)) == 0;
        const bool bMaxKept = std::memcmp(&child.m_fMax[i], &parent.m_fMax[i], sizeof(float)) == 0;
        if ((!bMinKept && Bound(i, false) != iBound) || (!bMaxKept && Bound(i, true) != iBound))
            return false;
    }
    return true;
}
} // namespace

CSceneBsp::~CSceneBsp()
{
    delete m_pLow;
    m_pLow = nullptr;
    delete m_pHigh;
    m_pHigh = nullptr;
}

bool CSceneBsp::Subdivide(int iDepth)
{
    // Nodes of depth 0 to 12 split, whatever their number of items.
    if (iDepth >= 13)
        return false;

    const int iAxis = iDepth % 3;
    const float fSplit = (m_fMax[iAxis] - m_fMin[iAxis]) * 0.5f + m_fMin[iAxis];
    m_pLow = new CSceneBsp(m_pOwner);
    m_pHigh = new CSceneBsp(m_pOwner);
    for (CSceneBsp* pChild : {m_pLow, m_pHigh})
        for (int i = 0; i < 3; ++i)
        {
            pChild->m_fMin[i] = m_fMin[i];
            pChild->m_fMax[i] = m_fMax[i];
        }
    m_pLow->m_fMax[iAxis] = fSplit;
    m_pHigh->m_fMin[iAxis] = fSplit;

    // A primitive that touches or crosses the plane goes to both children.
    for (uint32 iItem : m_vItems)
    {
        Vector3d lo, hi;
        m_pOwner->GetPrimitiveBox(iItem, lo, hi);
        if (Coord(lo, iAxis) <= fSplit)
            m_pLow->m_vItems.push_back(iItem);
        if (Coord(hi, iAxis) >= fSplit)
            m_pHigh->m_vItems.push_back(iItem);
    }
    // Inner nodes hold no items; freeing the list before going down keeps the build's
    // memory to the lists still waiting to be split.
    std::vector<uint32>().swap(m_vItems);

    for (CSceneBsp** ppChild : {&m_pLow, &m_pHigh})
    {
        if ((*ppChild)->m_vItems.empty())
        {
            delete *ppChild;
            *ppChild = nullptr;
        }
        else
            (*ppChild)->Subdivide(iDepth + 1);
    }

    // A single survivor is pulled up into this node, so that a chain of single
    // children shrinks to one node with the smallest box.
    CSceneBsp* pOnly = m_pLow && !m_pHigh ? m_pLow : (!m_pLow && m_pHigh ? m_pHigh : nullptr);
    if (m_pLow && m_pHigh)
    {
        // Halves that kept this box but for the split plane are tested by the walk
        // on what the plane changes alone.
        m_iSplitAxis = iAxis;
        m_pLow->m_bHalf = DiffersOnlyIn(*m_pLow, *this, Bound(iAxis, true));
        m_pHigh->m_bHalf = DiffersOnlyIn(*m_pHigh, *this, Bound(iAxis, false));
    }
    if (pOnly)
    {
        for (int i = 0; i < 3; ++i)
        {
            m_fMin[i] = pOnly->m_fMin[i];
            m_fMax[i] = pOnly->m_fMax[i];
        }
        m_vItems.swap(pOnly->m_vItems);
        // The survivor's children were cut from the box this node now has.
        m_iSplitAxis = pOnly->m_iSplitAxis;
        m_pLow = pOnly->m_pLow;
        m_pHigh = pOnly->m_pHigh;
        pOnly->m_pLow = nullptr;
        pOnly->m_pHigh = nullptr;
        delete pOnly;
    }
    // Whether every leaf below holds one and the same list.
    if (m_pLow || m_pHigh)
    {
        const CSceneBsp* pSample = nullptr;
        bool bSame = true;
        for (const CSceneBsp* pChild : {m_pLow, m_pHigh})
        {
            if (!pChild)
                continue;
            if (!pChild->m_pSameItems)
                bSame = false;
            else if (!pSample)
                pSample = pChild->m_pSameItems;
            else if (pSample->m_vItems != pChild->m_pSameItems->m_vItems)
                bSame = false;
        }
        m_pSameItems = bSame ? pSample : nullptr;
    }
    else
        m_pSameItems = this;
    return false;
}

namespace
{
// The ray of one scene search. A primitive that straddles split planes sits in many
// leaves and the ray meets it in each leaf it reaches; the answers of the last few
// primitives asked are kept, since asking again would give the same.
struct SceneRay
{
    struct Answer // plain floats: no constructor runs for the unused ones
    {
        const CPrimitive* pPrimitive;
        bool bHit;
        float fPoint[3], fNormal[3];
    };
    static constexpr unsigned kAnswers = 8;

    CRayBoxTest box;
    Vector3d vStart, vEnd;
    unsigned nAnswers; // answers given so far; the oldest kept one is replaced first
    Answer answers[kAnswers];

    SceneRay(const Vector3d& vRayStart, const Vector3d& vRayEnd)
        : box(vRayStart, vRayEnd - vRayStart), vStart(vRayStart), vEnd(vRayEnd), nAnswers(0)
    {
    }

    // Whether every primitive of the list has been asked and missed.
    bool KnownToMissAll(const std::vector<uint32>& vItems, const CScene& scene) const
    {
        const unsigned nKept = nAnswers < kAnswers ? nAnswers : kAnswers;
        for (uint32 iItem : vItems)
        {
            const CPrimitive* pPrimitive = scene.GetPrimitive(iItem);
            unsigned i = 0;
            while (i < nKept && answers[i].pPrimitive != pPrimitive)
                ++i;
            if (i == nKept || answers[i].bHit)
                return false;
        }
        return true;
    }

    bool IntersectPrimitive(const CPrimitive* pPrimitive, Vector3d& vPoint, Vector3d& vNormal)
    {
        const unsigned nKept = nAnswers < kAnswers ? nAnswers : kAnswers;
        for (unsigned i = 0; i < nKept; ++i)
        {
            const Answer& answer = answers[i];
            if (answer.pPrimitive != pPrimitive)
                continue;
            vPoint.Set(answer.fPoint[0], answer.fPoint[1], answer.fPoint[2]);
            vNormal.Set(answer.fNormal[0], answer.fNormal[1], answer.fNormal[2]);
            return answer.bHit;
        }
        const bool bHit = pPrimitive->Intersect(vStart, vEnd, vPoint, vNormal);
        Answer& answer = answers[nAnswers++ % kAnswers];
        answer = Answer{pPrimitive, bHit, {vPoint.x, vPoint.y, vPoint.z},
                        {vNormal.x, vNormal.y, vNormal.z}};
        return bHit;
    }
};

// RayReachesBox for a child of a node the ray reached: when the ray passed the node's
// own box test and the child is a half of it, only the tests that read the bound
// iCut, the one the split changed, are made. bPassed tells whether the box test itself
// passed (not only the ray running in a face plane).
template <int iOctant, int iCut>
inline bool ReachesChild(const CRayBoxTest& ray, bool bParentPassed, const CSceneBsp& child, bool& bPassed)
{
    const DirectionSides sides{ray.m_fDir};
    const BoxFromStart box{child.m_fMin, child.m_fMax, ray.m_fStart};
    bPassed = bParentPassed && child.m_bHalf ? BoxTest<iOctant, iCut>(sides, box) : BoxTest<iOctant>(sides, box);
    return bPassed ||
           (ray.m_bZeroComponent && RunsInFacePlaneAndMeetsBox(ray.m_fStart, ray.m_fDir, child.m_fMin, child.m_fMax));
}

template <int iOctant>
bool SceneSearch(const CSceneBsp& node, bool bPassed, SceneRay& ray, SceneHit& hit);
inline bool SceneLeafSearch(const CSceneBsp& node, SceneRay& ray, SceneHit& hit);

// The children of a node cut on axis iAxis.
template <int iOctant, int iAxis>
inline bool SceneSearchChildren(const CSceneBsp& node, bool bPassed, SceneRay& ray, SceneHit& hit)
{
    bool bChildPassed = false;
    const bool bLow = node.m_pLow &&
                      ReachesChild<iOctant, Bound(iAxis, true)>(ray.box, bPassed, *node.m_pLow, bChildPassed) &&
                      SceneSearch<iOctant>(*node.m_pLow, bChildPassed, ray, hit);
    if (!node.m_pHigh ||
        !ReachesChild<iOctant, Bound(iAxis, false)>(ray.box, bPassed, *node.m_pHigh, bChildPassed))
        return bLow;
    SceneHit high;
    if (!SceneSearch<iOctant>(*node.m_pHigh, bChildPassed, ray, high))
        return bLow;
    // On a tie the high child wins.
    if (!bLow || !(HitDistance(ray.vStart, hit) < HitDistance(ray.vStart, high)))
        hit = high;
    return true;
}

// A leaf below a node the ray reaches that the ray reaches too, or null.
template <int iOctant>
const CSceneBsp* FindReachedLeaf(const CSceneBsp& node, bool bPassed, const CRayBoxTest& ray);

template <int iOctant, int iAxis>
inline const CSceneBsp* FindReachedLeafBelow(const CSceneBsp& node, bool bPassed, const CRayBoxTest& ray)
{
    bool bChildPassed = false;
    if (node.m_pLow && ReachesChild<iOctant, Bound(iAxis, true)>(ray, bPassed, *node.m_pLow, bChildPassed))
        if (const CSceneBsp* pLeaf = FindReachedLeaf<iOctant>(*node.m_pLow, bChildPassed, ray))
            return pLeaf;
    if (node.m_pHigh && ReachesChild<iOctant, Bound(iAxis, false)>(ray, bPassed, *node.m_pHigh, bChildPassed))
        return FindReachedLeaf<iOctant>(*node.m_pHigh, bChildPassed, ray);
    return nullptr;
}

template <int iOctant>
const CSceneBsp* FindReachedLeaf(const CSceneBsp& node, bool bPassed, const CRayBoxTest& ray)
{
    if (!node.m_pLow && !node.m_pHigh)
        return &node;
    if (node.m_iSplitAxis == 0)
        return FindReachedLeafBelow<iOctant, 0>(node, bPassed, ray);
    if (node.m_iSplitAxis == 1)
        return FindReachedLeafBelow<iOctant, 1>(node, bPassed, ray);
    return FindReachedLeafBelow<iOctant, 2>(node, bPassed, ray);
}

// The search below a node that the ray reaches (bPassed: by the box test itself). A hit
// is written to hit; a miss leaves it as it was. The low child searches into hit
// itself and the high child into a temporary that is copied only when it wins, so
// that a hit found in a leaf is not copied at every level on its way up.
template <int iOctant>
bool SceneSearch(const CSceneBsp& node, bool bPassed, SceneRay& ray, SceneHit& hit)
{
    if (node.m_pSameItems && node.m_pSameItems != &node)
    {
        // Every leaf below holds the same list and so gives the same answer: the answer
        // of the subtree is that of any leaf the ray reaches. When all its primitives
        // are known to miss there is nothing to look for.
        if (ray.KnownToMissAll(node.m_pSameItems->m_vItems, *node.m_pOwner))
            return false;
        const CSceneBsp* pLeaf = FindReachedLeaf<iOctant>(node, bPassed, ray.box);
        return pLeaf && SceneLeafSearch(*pLeaf, ray, hit);
    }
    if (node.m_pLow || node.m_pHigh)
    {
        if (node.m_iSplitAxis == 0)
            return SceneSearchChildren<iOctant, 0>(node, bPassed, ray, hit);
        if (node.m_iSplitAxis == 1)
            return SceneSearchChildren<iOctant, 1>(node, bPassed, ray, hit);
        return SceneSearchChildren<iOctant, 2>(node, bPassed, ray, hit);
    }
    return SceneLeafSearch(node, ray, hit);
}

// The nearest hit among a leaf's primitives; of equally near hits the one listed first
// (the lower index) stays.
inline bool SceneLeafSearch(const CSceneBsp& node, SceneRay& ray, SceneHit& hit)
{
    bool bFound = false;
    float fBest = 0.0f;
    for (uint32 iItem : node.m_vItems)
    {
        CPrimitive* pPrimitive = node.m_pOwner->GetPrimitive(iItem);
        Vector3d h, n;
        if (!ray.IntersectPrimitive(pPrimitive, h, n))
            continue;
        const float fDistance = (h - ray.vStart).LengthSquared();
        if (!bFound || fDistance < fBest)
        {
            bFound = true;
            fBest = fDistance;
            hit.vPoint = h;
            hit.vNormal = n;
            hit.pPrimitive = pPrimitive;
        }
    }
    if (bFound)
        hit.bDistance = false;
    return bFound;
}

// Calls search with the octant as a compile-time constant, so that every walk is
// compiled once per octant and each box test in it knows its octant.
template <class Search>
bool WithOctant(int iOctant, Search search)
{
    switch (iOctant)
    {
    case 0: return search(std::integral_constant<int, 0>());
    case 1: return search(std::integral_constant<int, 1>());
    case 2: return search(std::integral_constant<int, 2>());
    case 3: return search(std::integral_constant<int, 3>());
    case 4: return search(std::integral_constant<int, 4>());
    case 5: return search(std::integral_constant<int, 5>());
    case 6: return search(std::integral_constant<int, 6>());
    default: return search(std::integral_constant<int, 7>());
    }
}

template <int iOctant>
bool SceneSearchFromRoot(const CSceneBsp& root, SceneRay& ray, SceneHit& hit)
{
    const bool bPassed =
        BoxTest<iOctant>(DirectionSides{ray.box.m_fDir}, BoxFromStart{root.m_fMin, root.m_fMax, ray.box.m_fStart});
    const bool bReached =
        bPassed || (ray.box.m_bZeroComponent &&
                    RunsInFacePlaneAndMeetsBox(ray.box.m_fStart, ray.box.m_fDir, root.m_fMin, root.m_fMax));
    return bReached && SceneSearch<iOctant>(root, bPassed, ray, hit);
}
} // namespace

bool CSceneBsp::Intersect(const Vector3d& vStart, const Vector3d& vEnd, Vector3d& vHitPoint,
                          Vector3d& vNormal, CPrimitive*& pHit) const
{
    SceneRay ray(vStart, vEnd);
    SceneHit hit;
    bool bHit = false;
    bHit = WithOctant(ray.box.m_iOctant, [&](auto octant) {
        return SceneSearchFromRoot<decltype(octant)::value>(*this, ray, hit);
    });
    if (!bHit)
        return false;
    vHitPoint = hit.vPoint;
    vNormal = hit.vNormal;
    pHit = hit.pPrimitive;
    return true;
}

//---------------------------------------------------------------------------------------
// CTriangleBsp

CTriangleBsp::CTriangleBsp(const CTriMesh* pOwner)
    : m_pOwner(pOwner), m_pLow(nullptr), m_pHigh(nullptr), m_pStraddling(nullptr),
      m_bAxisUsed{false, false, false}, m_iSliverScale(kNoRay),
      m_fConeBound(std::numeric_limits<float>::infinity()), m_iConeAxis{0, 0, 0},
      m_iEdgeScale(kUnbounded)
{
}

CTriangleBsp::~CTriangleBsp()
{
    delete m_pLow;
    m_pLow = nullptr;
    delete m_pHigh;
    m_pHigh = nullptr;
    delete m_pStraddling;
    m_pStraddling = nullptr;
}

namespace
{
// The walk passes over a subtree only where the ray solves well-conditioned against
// every triangle in it (see TriangleSearch). A triangle whose edges from its first
// corner enclose an angle with a sine of at least kMinEdgeSine does so for rays that
// meet its plane at a sine of at least kMinPlaneSine. A smaller one (a sliver) does so
// for rays with |d| |e1| |e2| <= kMaxSliverProduct: the rounding of its determinant,
// at most 14 * 2^-53 * |d| |e1| |e2|, is then so far below the determinant threshold
// that a determinant which passes it is off by less than 1e-7 of itself.
const double kMinPlaneSine = 1e-4;
const double kMinEdgeSine = 1e-4;
const double kMaxSliverProduct = 1e-8;
// Added to every stored cone for the rounding of the angles worked out here and of the
// walk's test.
const double kConeSlack = 1e-6;
// A cone that leaves a ray less room than this from its planes is not worth its test.
const double kWidestCone = 1.5707963267948966 - 1e-3;

inline double Length(const DVec& v)
{
    return std::sqrt(Dot(v, v));
}

inline DVec Scaled(const DVec& v, double f)
{
    return DVec{v.x * f, v.y * f, v.z * f};
}

// The angle between the lines along two unit vectors, 0 to pi/2.
inline double LineAngle(const DVec& a, const DVec& b)
{
    return std::atan2(Length(Cross(a, b)), std::fabs(Dot(a, b)));
}

// A cone of plane normals taken as lines (n and -n alike): each lies within fAngle of
// the unit axis. fAngle < 0: no planes; fAngle >= kWidestCone: no useful cone.
struct NormalCone
{
    DVec axis;
    double fAngle;
};

const NormalCone kNoPlanes{{0.0, 0.0, 0.0}, -1.0};
const NormalCone kNoCone{{0.0, 0.0, 0.0}, kWidestCone};

// What the triangles of a subtree are like: the cone of the planes of those that are
// no slivers, the largest |e1| |e2| of the slivers (0: none; infinite: a non-finite
// triangle), and the largest |e1| |e2| of them all.
struct TriangleShapes
{
    NormalCone cone;
    double fSliverProduct;
    double fEdgeProduct;
};

inline double NanToInfinity(double f)
{
    return std::isnan(f) ? std::numeric_limits<double>::infinity() : f;
}

// The cone around the sum of the given axes (each turned to agree with the sum so
// far): every member lies within its own angle plus its axis's angle from that sum.
template <class ForEachCone>
NormalCone MergeCones(ForEachCone forEach)
{
    DVec sum{0.0, 0.0, 0.0};
    bool bAny = false, bWide = false;
    forEach([&](const NormalCone& cone) {
        if (cone.fAngle < 0.0)
            return;
        if (!(cone.fAngle < kWidestCone))
            bWide = true;
        const double fSign = Dot(sum, cone.axis) < 0.0 ? -1.0 : 1.0;
        sum = DVec{sum.x + fSign * cone.axis.x, sum.y + fSign * cone.axis.y,
                   sum.z + fSign * cone.axis.z};
        bAny = true;
    });
    if (!bAny)
        return kNoPlanes;
    const double fLength = Length(sum);
    if (bWide || !(fLength > 0.0))
        return kNoCone;
    NormalCone merged{Scaled(sum, 1.0 / fLength), 0.0};
    forEach([&](const NormalCone& cone) {
        if (cone.fAngle >= 0.0)
            merged.fAngle = std::max(merged.fAngle, LineAngle(merged.axis, cone.axis) + cone.fAngle);
    });
    return merged.fAngle < kWidestCone ? merged : kNoCone;
}

// The shapes of the node's own triangles (a leaf's).
TriangleShapes OwnTriangleShapes(const CTriangleBsp& node)
{
    TriangleShapes shapes{kNoPlanes, 0.0, 0.0};
    if (node.m_vItems.empty() || !node.m_pOwner)
        return shapes;
    const Vector3d* pVertices = node.m_pOwner->GetVertices();
    const Index3* pTriangles = node.m_pOwner->GetTriangles();
    shapes.cone = MergeCones([&](auto use) {
        for (uint32 iItem : node.m_vItems)
        {
            const Index3& tri = pTriangles[iItem];
            const Vector3d& p0 = pVertices[tri.a];
            // The edges and their cross product as the solve forms them.
            const DVec e1 = Sub(pVertices[tri.b], p0), e2 = Sub(pVertices[tri.c], p0);
            const DVec c = Cross(e1, e2);
            const double fCross = Length(c);
            const double fEdges = NanToInfinity(Length(e1) * Length(e2));
            shapes.fEdgeProduct = std::max(shapes.fEdgeProduct, fEdges);
            if (fCross > 0.0 && fCross >= kMinEdgeSine * fEdges && std::isfinite(fCross))
                use(NormalCone{Scaled(c, 1.0 / fCross), 0.0});
            else
                shapes.fSliverProduct = std::max(shapes.fSliverProduct, fEdges);
        }
    });
    return shapes;
}

// Stores the shapes in the node as the walk tests them (see CTriangleBsp).
void StoreShapes(CTriangleBsp& node, const TriangleShapes& shapes)
{
    // The slivers: the largest power of two not above kMaxSliverProduct / product.
    const double fMaxLength = kMaxSliverProduct / shapes.fSliverProduct;
    if (shapes.fSliverProduct == 0.0)
        node.m_iSliverScale = CTriangleBsp::kNoSlivers;
    else if (!(fMaxLength >= std::ldexp(1.0, -127)))
        node.m_iSliverScale = CTriangleBsp::kNoRay;
    else
        node.m_iSliverScale = static_cast<std::int8_t>(std::min(std::ilogb(fMaxLength), 126));

    // Every product: the smallest power of two not below it.
    if (!(shapes.fEdgeProduct < std::ldexp(1.0, 126)))
        node.m_iEdgeScale = CTriangleBsp::kUnbounded;
    else if (!(shapes.fEdgeProduct > std::ldexp(1.0, -127)))
        node.m_iEdgeScale = -127;
    else
        node.m_iEdgeScale = static_cast<std::int8_t>(std::ilogb(shapes.fEdgeProduct) + 1);

    const NormalCone& cone = shapes.cone;
    node.m_fConeBound = std::numeric_limits<float>::infinity();
    node.m_iConeAxis[0] = node.m_iConeAxis[1] = node.m_iConeAxis[2] = 0;
    if (cone.fAngle < 0.0)
    {
        node.m_fConeBound = -1.0f;
        return;
    }
    if (!(cone.fAngle < kWidestCone))
        return;
    DVec q{0.0, 0.0, 0.0};
    double* pQ[3] = {&q.x, &q.y, &q.z};
    const double axis[3] = {cone.axis.x, cone.axis.y, cone.axis.z};
    for (int i = 0; i < 3; ++i)
    {
        node.m_iConeAxis[i] = static_cast<std::int16_t>(std::lround(axis[i] * 32767.0));
        *pQ[i] = node.m_iConeAxis[i];
    }
    const double fLength = Length(q);
    // The stored axis is off the cone's by a little: the cone around it is that much
    // wider. A direction within pi/2 - fAngle of it lies farther than
    // asin(kMinPlaneSine) from every plane.
    const double fAngle = cone.fAngle + LineAngle(cone.axis, Scaled(q, 1.0 / fLength)) +
                          std::asin(kMinPlaneSine) + kConeSlack;
    if (!(fAngle < kWidestCone))
        return;
    const double fBound = std::sin(fAngle) * fLength;
    float fStored = static_cast<float>(fBound);
    if (fStored < fBound)
        fStored = std::nextafter(fStored, std::numeric_limits<float>::infinity());
    node.m_fConeBound = fStored;
}

// Gives every node of the subtree what the walk tests; returns the subtree's shapes.
TriangleShapes SetTriangleShapes(CTriangleBsp& node)
{
    const TriangleShapes none{kNoPlanes, 0.0, 0.0};
    TriangleShapes parts[4] = {none, none, none, OwnTriangleShapes(node)};
    CTriangleBsp* pChildren[3] = {node.m_pLow, node.m_pHigh, node.m_pStraddling};
    for (int i = 0; i < 3; ++i)
        if (pChildren[i])
            parts[i] = SetTriangleShapes(*pChildren[i]);
    TriangleShapes shapes{MergeCones([&](auto use) {
                              for (const TriangleShapes& part : parts)
                                  use(part.cone);
                          }),
                          0.0, 0.0};
    for (const TriangleShapes& part : parts)
    {
        shapes.fSliverProduct = std::max(shapes.fSliverProduct, part.fSliverProduct);
        shapes.fEdgeProduct = std::max(shapes.fEdgeProduct, part.fEdgeProduct);
    }
    StoreShapes(node, shapes);
    return shapes;
}
} // namespace

void CTriangleBsp::RecomputeBox()
{
    if (!m_pOwner || m_vItems.empty())
        return;
    const Vector3d* pVertices = m_pOwner->GetVertices();
    const Index3* pTriangles = m_pOwner->GetTriangles();
    Vector3d vMin = pVertices[pTriangles[m_vItems[0]].a];
    Vector3d vMax = vMin;
    for (uint32 iItem : m_vItems)
    {
        const Index3& tri = pTriangles[iItem];
        for (uint32 iVertex : {tri.a, tri.b, tri.c})
        {
            GrowBox(vMin, vMax, pVertices[iVertex]);
        }
    }
    SetBox(vMin, vMax);
}

bool CTriangleBsp::Subdivide(int iDepth)
{
    // Nodes of depth 0 to 21 split, whatever their number of triangles.
    if (iDepth >= 22)
        return false;

    // The longest axis (ties to the later one), unless this straddling node was made
    // by a split on it: then the next axis in the cycle x, y, z.
    int iAxis = MaxIndex3(m_fMax[0] - m_fMin[0], m_fMax[1] - m_fMin[1], m_fMax[2] - m_fMin[2]);
    if (m_bAxisUsed[iAxis])
        iAxis = (iAxis + 1) % 3;
    const float fSplit = (m_fMax[iAxis] - m_fMin[iAxis]) * 0.5f + m_fMin[iAxis];

    m_pLow = new CTriangleBsp(m_pOwner);
    m_pHigh = new CTriangleBsp(m_pOwner);
    m_pStraddling = new CTriangleBsp(m_pOwner);
    for (CTriangleBsp* pChild : {m_pLow, m_pHigh, m_pStraddling})
        for (int i = 0; i < 3; ++i)
        {
            pChild->m_fMin[i] = m_fMin[i];
            pChild->m_fMax[i] = m_fMax[i];
        }
    m_pLow->m_fMax[iAxis] = fSplit;
    m_pHigh->m_fMin[iAxis] = fSplit;
    m_pStraddling->m_bAxisUsed[iAxis] = true;

    // 0 low, 1 high, 2 straddling. A vertex on the plane counts for both sides, so a
    // triangle that touches the plane or lies in it straddles.
    const Vector3d* pVertices = m_pOwner->GetVertices();
    const Index3* pTriangles = m_pOwner->GetTriangles();
    auto Side = [&](uint32 iItem) {
        const Index3& tri = pTriangles[iItem];
        const float c0 = Coord(pVertices[tri.a], iAxis);
        const float c1 = Coord(pVertices[tri.b], iAxis);
        const float c2 = Coord(pVertices[tri.c], iAxis);
        const bool bBelow = c0 <= fSplit || c1 <= fSplit || c2 <= fSplit;
        const bool bAbove = c0 >= fSplit || c1 >= fSplit || c2 >= fSplit;
        return bBelow && bAbove ? 2 : (bBelow ? 0 : 1);
    };
    // Counted first so that every list gets exactly its size: a large mesh makes
    // millions of nodes.
    size_t nCount[3] = {0, 0, 0};
    for (uint32 iItem : m_vItems)
        ++nCount[Side(iItem)];
    CTriangleBsp* pChildren[3] = {m_pLow, m_pHigh, m_pStraddling};
    for (int i = 0; i < 3; ++i)
        pChildren[i]->m_vItems.reserve(nCount[i]);
    for (uint32 iItem : m_vItems)
        pChildren[Side(iItem)]->m_vItems.push_back(iItem);
    // Triangles live in leaves only; the list goes before the children are split.
    std::vector<uint32>().swap(m_vItems);

    for (CTriangleBsp** ppChild : {&m_pLow, &m_pHigh, &m_pStraddling})
    {
        CTriangleBsp*& pChild = *ppChild;
        if (pChild->m_vItems.empty())
        {
            delete pChild;
            pChild = nullptr;
            continue;
        }
        // Straddling triangles reach beyond the halves: their box shrinks to them.
        if (pChild == m_pStraddling)
            pChild->RecomputeBox();
        pChild->Subdivide(iDepth + 1);
    }
    if (iDepth == 0)
        SetTriangleShapes(*this);
    return true;
}

namespace
{
// The ray of one search: its points, its box test, and what passing over subtrees
// needs. The direction is taken in double from the double difference end - start, as
// the triangle solve takes it, so that it is finite for every finite start and end.
struct TriangleRay
{
    CRayBoxTest box;
    Vector3d vStart, vEnd;
    double start[3];
    double dirUnit[3];  // the direction scaled to length 1
    double invDir[3];   // 0 where the direction has no component
    double fDirLength;
    int iDirScale;      // |d| < 2^iDirScale, clamped to [-127, 127]
    float fStartScale;  // largest coordinate of the start, for the rounding margins
    bool bMayPassOver;  // false for a non-finite start or end, or a zero direction
};

// How far a hit can lie from its triangle, relative to the size of the coordinates
// involved (the largest of the box's and of the start's). The solve's point
// start + t d, with t, u, v as computed, misses p0 + u e1 + v e2 (a point of the
// triangle) by the residual of the solve, which Cramer's rule makes
//   (|d| |err t| + |e1| |err u| + |e2| |err v| + |err det| |b|) / |det|,  b = p0 - start,
// each numerator and the determinant being a sum of products of three coordinates,
// worked out in double with an error below 14 * 2^-53 times the product of the
// lengths involved; so the residual stays below 56 * 2^-53 |d| |e1| |e2| |b| / |det|.
// - Where the ray meets the triangle's plane at a sine of at least 1e-4 and its edges
//   enclose a sine of at least 1e-4, |det| >= 1e-8 |d| |e1| |e2| (less its error), and
//   the residual stays below 6.3e-7 |b| <= 1.1e-6 * scale (kSolveSpread leaves room
//   to spare).
// - For any triangle, a hit needs |det| >= 2.2e-16, the solve's threshold; the
//   residual then stays below 28 |d| |e1| |e2| |b|, and |b| is at most the distance
//   from the start to the farthest corner of the box (kThresholdSpread times
//   |d| |e1| |e2| leaves room to spare). For small triangles this is small, however
//   near the ray runs to their planes.
const double kSolveSpread = 1e-5;
const double kThresholdSpread = 40.0;

// How far the hits of well-conditioned solves may lie from the box's triangles.
inline double WellConditionedGrowth(const TriangleRay& ray, const float* pMin, const float* pMax)
{
    float fBoxScale = 0.0f;
    for (int i = 0; i < 3; ++i)
        fBoxScale = std::max(fBoxScale, std::max(std::fabs(pMin[i]), std::fabs(pMax[i])));
    return kSolveSpread * (static_cast<double>(fBoxScale) + ray.fStartScale);
}

// A lower bound of the distance from the start to any hit in the box, given how far
// hits may lie from their triangles: the distance at which the ray enters the box
// grown by that much on every side. (The growth must go to the box, not to the
// distance: a ray that grazes a face enters the slab of that face far beyond a point
// just outside it.)
inline double EntryDistance(const TriangleRay& ray, const float* pMin, const float* pMax,
                            double fGrowth)
{
    double tEnter = 0.0;
    for (int i = 0; i < 3; ++i)
    {
        if (ray.invDir[i] == 0.0)
            continue;
        const double t0 = (pMin[i] - fGrowth - ray.start[i]) * ray.invDir[i];
        const double t1 = (pMax[i] + fGrowth - ray.start[i]) * ray.invDir[i];
        const double tNear = t0 < t1 ? t0 : t1;
        if (tNear > tEnter)
            tEnter = tNear;
    }
    return tEnter * ray.fDirLength;
}

// Whether a box whose hits lie at least fEntry from the start can hold a hit that is
// as near as fBound (float distances, as the walk compares them). The relative margin
// is far above the rounding of hit points and their float distances, the absolute one
// above what float squares lose near underflow; so only subtrees whose hits could
// never win or tie are passed over. Not a number never passes anything over.
inline bool MayHoldNearerHit(double fEntry, float fBound, float fStartScale)
{
    return !(fEntry > fBound + 1e-4 * (static_cast<double>(fBound) + fStartScale) + 1e-20);
}

// Whether the ray solves well-conditioned against every triangle below the node: the
// direction is short enough for the slivers, and for the others lies within the cone
// of directions that meet all their planes at more than a grazing angle.
inline bool SolvesWellBelow(const CTriangleBsp& node, const TriangleRay& ray)
{
    if (ray.iDirScale > node.m_iSliverScale)
        return false;
    const double fDot = ray.dirUnit[0] * node.m_iConeAxis[0] +
                        ray.dirUnit[1] * node.m_iConeAxis[1] +
                        ray.dirUnit[2] * node.m_iConeAxis[2];
    return std::fabs(fDot) > node.m_fConeBound;
}

// The nearest hit among the triangles of a leaf; of equally near hits the triangle
// listed first stays.
inline bool LeafSearch(const CTriangleBsp& node, const TriangleRay& ray, TriangleHit& hit)
{
    const Vector3d* pVertices = node.m_pOwner->GetVertices();
    const Index3* pTriangles = node.m_pOwner->GetTriangles();
    bool bFound = false;
    float fBest = 0.0f;
    for (uint32 iItem : node.m_vItems)
    {
        const Index3& tri = pTriangles[iItem];
        Vector3d h;
        if (!IntersectTriangle(ray.vStart, ray.vEnd, pVertices[tri.a], pVertices[tri.b],
                               pVertices[tri.c], h))
            continue;
        const float fDistance = (h - ray.vStart).LengthSquared();
        if (!bFound || fDistance < fBest)
        {
            bFound = true;
            fBest = fDistance;
            hit.vPoint = h;
            hit.iTriangle = iItem;
        }
    }
    return bFound;
}

// Whether the subtree of a node that the ray reaches holds any hit at all, however far.
template <int iOctant>
bool HasAnyHit(const CTriangleBsp& node, const TriangleRay& ray)
{
    for (const CTriangleBsp* pChild : {node.m_pLow, node.m_pHigh, node.m_pStraddling})
        if (pChild && ReachesNode<iOctant>(ray.box, *pChild) && HasAnyHit<iOctant>(*pChild, ray))
            return true;
    if (node.m_vItems.empty() || !node.m_pOwner)
        return false;
    const Vector3d* pVertices = node.m_pOwner->GetVertices();
    const Index3* pTriangles = node.m_pOwner->GetTriangles();
    for (uint32 iItem : node.m_vItems)
    {
        const Index3& tri = pTriangles[iItem];
        Vector3d h;
        if (IntersectTriangle(ray.vStart, ray.vEnd, pVertices[tri.a], pVertices[tri.b],
                              pVertices[tri.c], h))
            return true;
    }
    return false;
}

// Whether every hit below the node lies beyond fBound, so that none could win or tie.
// A ray that runs nearly in a triangle's plane, or a sliver triangle, can give a hit
// far from the triangle (the solve then divides rounding by rounding): where the ray
// solves well-conditioned against every triangle below, hits lie at the node's box;
// otherwise only the determinant threshold bounds how far off they lie.
inline bool HitsLieBeyond(const CTriangleBsp& node, const TriangleRay& ray, double fEntry,
                          float fBound)
{
    if (!ray.bMayPassOver || MayHoldNearerHit(fEntry, fBound, ray.fStartScale))
        return false;
    if (SolvesWellBelow(node, ray))
        return true;
    if (node.m_iEdgeScale == CTriangleBsp::kUnbounded)
        return false;
    // The distance to the farthest corner.
    double fFarthest = 0.0;
    for (int i = 0; i < 3; ++i)
    {
        const double f =
            std::max(std::fabs(node.m_fMin[i] - ray.start[i]), std::fabs(node.m_fMax[i] - ray.start[i]));
        fFarthest += f * f;
    }
    const double fGrowth =
        kThresholdSpread * ray.fDirLength * std::ldexp(std::sqrt(fFarthest), node.m_iEdgeScale);
    return !MayHoldNearerHit(EntryDistance(ray, node.m_fMin, node.m_fMax, fGrowth), fBound,
                             ray.fStartScale);
}

// The search below a node that the ray reaches.
// fBound is the distance of the nearest hit found so far anywhere in the tree.
//
// Every child whose box the ray passes is searched, as the tie rules need, except one
// whose hits all lie beyond a hit already found (HitsLieBeyond): they could neither
// win nor tie. Children are visited nearest first so that a near hit is found early;
// the result depends only on what each child reports, not on the order of the visits.
template <int iOctant>
bool TriangleSearch(const CTriangleBsp& node, const TriangleRay& ray, TriangleHit& hit,
                    float& fBound)
{
    if (!node.m_pLow && !node.m_pHigh && !node.m_pStraddling)
    {
        const bool bFound = LeafSearch(node, ray, hit);
        if (bFound)
            fBound = std::min(fBound, (hit.vPoint - ray.vStart).Length());
        return bFound;
    }

    const CTriangleBsp* pChildren[3] = {node.m_pLow, node.m_pHigh, node.m_pStraddling};
    TriangleHit hits[3];
    bool bHits[3] = {false, false, false};
    int order[3];
    double fEntry[3];
    int nVisit = 0;
    for (int i = 0; i < 3; ++i)
    {
        const CTriangleBsp* pChild = pChildren[i];
        if (!pChild || !ReachesNode<iOctant>(ray.box, *pChild))
            continue;
        fEntry[i] = EntryDistance(ray, pChild->m_fMin, pChild->m_fMax,
                                  WellConditionedGrowth(ray, pChild->m_fMin, pChild->m_fMax));
        int k = nVisit++;
        for (; k > 0 && fEntry[order[k - 1]] > fEntry[i]; --k)
            order[k] = order[k - 1];
        order[k] = i;
    }
    for (int k = 0; k < nVisit; ++k)
    {
        const int i = order[k];
        // A far child may still have to be searched, so the later ones are asked too.
        if (HitsLieBeyond(*pChildren[i], ray, fEntry[i], fBound))
            continue;
        bHits[i] = TriangleSearch<iOctant>(*pChildren[i], ray, hits[i], fBound);
    }
    const TriangleHit &low = hits[0], &high = hits[1], &straddling = hits[2];
    const bool bLow = bHits[0], bHigh = bHits[1], bStraddling = bHits[2];
    const Vector3d& vStart = ray.vStart;
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
    {
        // A tie keeps high, unless low has a hit too (however far): then the rule for
        // three hits gives straddling. A low child passed over for being far may still
        // hold one, so this rare case asks it.
        pBest = &NearerOfTwo(vStart, straddling, high);
        const float dHigh = (high.vPoint - vStart).Length();
        const float dStraddling = (straddling.vPoint - vStart).Length();
        if (!(dHigh < dStraddling) && !(dStraddling < dHigh) && node.m_pLow &&
            ReachesNode<iOctant>(ray.box, *node.m_pLow) && HasAnyHit<iOctant>(*node.m_pLow, ray))
            pBest = &straddling;
    }
    else if (bLow)
        pBest = &low;
    else if (bHigh)
        pBest = &high;
    else if (bStraddling)
        pBest = &straddling;
    if (!pBest)
        return false;
    hit = *pBest;
    return true;
}

template <int iOctant>
bool TriangleSearchFromRoot(const CTriangleBsp& root, const TriangleRay& ray, TriangleHit& hit)
{
    if (!ReachesNode<iOctant>(ray.box, root))
        return false;
    float fBound = std::numeric_limits<float>::infinity();
    return TriangleSearch<iOctant>(root, ray, hit, fBound);
}
} // namespace

bool CTriangleBsp::Intersect(const Vector3d& vStart, const Vector3d& vEnd, Vector3d& vHitPoint,
                             uint32& iTriangle) const
{
    TriangleRay ray{CRayBoxTest(vStart, vEnd - vStart), vStart, vEnd, {}, {}, {}, 0.0, 0, 0.0f,
                    false};
    const DVec d = Sub(vEnd, vStart);
    const double dir[3] = {d.x, d.y, d.z};
    const float start[3] = {vStart.x, vStart.y, vStart.z};
    ray.fDirLength = Length(d);
    bool bFinite = true;
    for (int i = 0; i < 3; ++i)
    {
        ray.start[i] = start[i];
        ray.dirUnit[i] = dir[i] / ray.fDirLength;
        ray.invDir[i] = dir[i] != 0.0 ? 1.0 / dir[i] : 0.0;
        ray.fStartScale = std::max(ray.fStartScale, std::fabs(start[i]));
        bFinite = bFinite && std::isfinite(start[i]) && std::isfinite(dir[i]);
    }
    ray.bMayPassOver = bFinite && ray.fDirLength > 0.0;
    if (ray.bMayPassOver)
        ray.iDirScale = std::min(std::max(std::ilogb(ray.fDirLength) + 1, -127), 127);
    TriangleHit hit;
    bool bHit = false;
    bHit = WithOctant(ray.box.m_iOctant, [&](auto octant) {
        return TriangleSearchFromRoot<decltype(octant)::value>(*this, ray, hit);
    });
    if (!bHit)
        return false;
    vHitPoint = hit.vPoint;
    iTriangle = hit.iTriangle;
    return true;
}
