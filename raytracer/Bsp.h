// The two axis-aligned partition trees (over the scene's primitives and over one
// mesh's triangles), the ray/box and ray/triangle tests they walk with, and a few
// Pluecker-line segment tests.
#pragma once

#include <cstdint>
#include <vector>

#include "common/util/Types.h"
#include "common/vecmat/vector3d.h"

class CPrimitive;
class CScene;
class CTriMesh;

// An oriented line in Pluecker coordinates.
struct PlueckerLine
{
    // The line through p and q, oriented from p to q.
    PlueckerLine(const Vector3d& p, const Vector3d& q);
    // The line through p along d (the same as through p and p + d).
    static PlueckerLine FromPointDirection(const Vector3d& p, const Vector3d& d);

    float L[6];
};

// Its sign tells on which side of each other the lines pass; 0 when they meet or are
// parallel.
float PlueckerSide(const PlueckerLine& a, const PlueckerLine& b);

// Whether the ray from vStart along vDir meets the box given by its lower and then its
// upper corner. Only the direction of vDir counts: a box anywhere ahead passes. A zero
// direction component counts as negative. A start exactly on the face it would have
// to leave through fails.
bool RayIntersectsBox(const Vector3d& vStart, const Vector3d& vDir, float xmin, float ymin,
                      float zmin, float xmax, float ymax, float zmax);
// The same test written with a Pluecker line per box edge.
bool RayIntersectsBoxPluecker(const Vector3d& vStart, const Vector3d& vDir, float xmin,
                              float ymin, float zmin, float xmax, float ymax, float zmax);
// The node test of both tree walks: RayIntersectsBox, or else a ray that runs within
// one of the box's face planes (no component across it) and meets the closed box.
// The face rules of RayIntersectsBox let such a ray pass some faces and not others,
// so a ray lying in a split plane would miss both halves and all that straddles it.
bool RayReachesBox(const Vector3d& vStart, const Vector3d& vDir, float xmin, float ymin,
                   float zmin, float xmax, float ymax, float zmax);

// RayIntersectsBox and RayReachesBox for one ray and many boxes: what depends on the ray
// alone (the octant of the direction, whether it has a zero component) is worked out
// once. Boxes are given as their lower and upper corners, three floats x, y, z each.
class CRayBoxTest
{
public:
    CRayBoxTest(const Vector3d& vStart, const Vector3d& vDir);

    // RayIntersectsBox.
    bool Intersects(const float* pMin, const float* pMax) const;
    // RayReachesBox.
    bool Reaches(const float* pMin, const float* pMax) const;

    float m_fStart[3];
    float m_fDir[3];
    int m_iOctant;          // bit 2 for x, 1 for y, 0 for z: set where the component is > 0
    bool m_bZeroComponent;  // only a ray with a zero component can run in a face plane
};

// Whether the line through s along d passes the triangle with one orientation (all
// three triple products <= 0); on success writes p0 (not a computed point) to vOut.
bool RayCrossesTriangle(const Vector3d& s, const Vector3d& d, const Vector3d& p0,
                        const Vector3d& p1, const Vector3d& p2, Vector3d& vOut);

// The index (0, 1, 2) of the smallest / largest of three values; ties go to the later
// index.
int MinIndex3(float a, float b, float c);
int MaxIndex3(float a, float b, float c);

// The ray vStart + t (vEnd - vStart), t > 0 (a hit at the start itself does not count),
// against the triangle p0, p1, p2 with its edges and corners. A ray parallel to the
// plane, a degenerate triangle and a zero direction miss.
bool IntersectTriangle(const Vector3d& vStart, const Vector3d& vEnd, const Vector3d& p0,
                       const Vector3d& p1, const Vector3d& p2, Vector3d& vHitPoint);
// The parallelogram corner + u edge1 + v edge2, u and v in [0, 1], t > 0.
bool IntersectParallelogram(const Vector3d& vStart, const Vector3d& vEnd, const Vector3d& vCorner,
                            const Vector3d& vEdge1, const Vector3d& vEdge2, Vector3d& vHitPoint);
// Whether the ray hits any of the six faces of the box.
bool IntersectBoxFaces(const Vector3d& vStart, const Vector3d& vEnd, float xmin, float xmax,
                       float ymin, float ymax, float zmin, float zmax);

// A node of either tree: its box, the items of a leaf (inner nodes hold none once the
// tree is built) and the recursive split.
// Widens the box (vMin, vMax) to take in the point v.
inline void GrowBox(Vector3d& vMin, Vector3d& vMax, const Vector3d& v)
{
    if (v.x < vMin.x) vMin.x = v.x;
    if (v.x > vMax.x) vMax.x = v.x;
    if (v.y < vMin.y) vMin.y = v.y;
    if (v.y > vMax.y) vMax.y = v.y;
    if (v.z < vMin.z) vMin.z = v.z;
    if (v.z > vMax.z) vMax.z = v.z;
}

class CBsp
{
public:
    CBsp();
    virtual ~CBsp();
    CBsp(const CBsp&) = delete;
    CBsp& operator=(const CBsp&) = delete;

    // Splits the node recursively; the root is split with depth 0.
    virtual bool Subdivide(int iDepth) = 0;

    Vector3d GetMin() const { return Vector3d(m_fMin[0], m_fMin[1], m_fMin[2]); }
    Vector3d GetMax() const { return Vector3d(m_fMax[0], m_fMax[1], m_fMax[2]); }
    void SetBox(const Vector3d& vMin, const Vector3d& vMax);

    float m_fMin[3];             // lower corner: x, y, z
    float m_fMax[3];             // upper corner
    std::vector<uint32> m_vItems; // primitive or triangle indices
};

// Halves boxes at their midpoints, axes in turn x, y, z, down to depth 13; a primitive
// whose box touches both halves goes to both.
class CSceneBsp : public CBsp
{
public:
    explicit CSceneBsp(const CScene* pOwner);
    ~CSceneBsp() override;

    // Returns false; a single surviving child is collapsed into its parent.
    bool Subdivide(int iDepth) override;
    // The nearest hit in the subtree (see CScene::Intersect).
    bool Intersect(const Vector3d& vStart, const Vector3d& vEnd, Vector3d& vHitPoint,
                   Vector3d& vNormal, CPrimitive*& pHit) const;

    const CScene* m_pOwner; // not owned
    CSceneBsp* m_pLow;      // owned or null
    CSceneBsp* m_pHigh;     // owned or null
    int m_iSplitAxis;       // the axis the children were cut on; -1 in a leaf
    bool m_bHalf;           // the box is the parent's, cut at the parent's split plane
    // A leaf below whose item list every leaf below has, in the same order, or null.
    const CSceneBsp* m_pSameItems; // not owned; the node itself in a leaf
};

// Three-way split of a mesh's triangles at the midpoint of the longest axis, down to
// depth 22: triangles that touch or cross the plane go to a straddling child whose box
// shrinks to them. Every triangle sits in exactly one leaf.
//
// Each node also knows enough of its triangles' shapes (the spread of their planes, their
// slivers, the size of their edges) to bound, for a given ray, how far from the node's
// box their hits can lie: the walk passes over a subtree only where that bound shows
// that none of its hits could win.
class CTriangleBsp : public CBsp
{
public:
    explicit CTriangleBsp(const CTriMesh* pOwner);
    ~CTriangleBsp() override;

    // True when the node was split, false when it stays a leaf (depth 22). Splitting
    // the root (depth 0) also gives every node what the walk knows of its triangles,
    // once the tree stands.
    bool Subdivide(int iDepth) override;
    // The nearest triangle hit in the subtree, in the mesh's local space.
    bool Intersect(const Vector3d& vStart, const Vector3d& vEnd, Vector3d& vHitPoint,
                   uint32& iTriangle) const;
    // Shrinks the box to the vertices of the node's own triangles; nothing without an
    // owner or with an empty list.
    void RecomputeBox();

    const CTriMesh* m_pOwner;     // not owned
    CTriangleBsp* m_pLow;         // owned or null
    CTriangleBsp* m_pHigh;        // owned or null
    CTriangleBsp* m_pStraddling;  // owned or null
    bool m_bAxisUsed[3];          // set in a straddling child for the axis that made it

    // What the walk needs to bound how far from this node's box the hits of the
    // triangles below can lie. Where the ray solves well-conditioned against them all,
    // hits lie at the box; this holds given
    // - the cone of the plane normals (n and -n alike) of the triangles that are no
    //   slivers: a unit ray direction d with |d . axis| > m_fConeBound meets all their
    //   planes at more than a grazing angle. The axis is held in units of 1/32767 (so
    //   not quite of length 1; the bound is scaled to match). An infinite bound holds
    //   for no ray (a new node, or planes spread too wide), a negative one for all;
    // - for the slivers, the largest ray direction length 2^m_iSliverScale for which
    //   they are too small to pass the solve's determinant threshold unless
    //   well-conditioned; kNoSlivers: none below; kNoRay: holds for no ray.
    // Otherwise, for any ray: every triangle below has |e1| |e2| <= 2^m_iEdgeScale,
    // which bounds how far from its triangle any hit can lie, however ill-conditioned
    // the solve (kUnbounded: no such bound).
    // These fit where the node had room, so that it grows by nothing.
    static const std::int8_t kNoSlivers = 127;
    static const std::int8_t kNoRay = -128;
    static const std::int8_t kUnbounded = 127;
    std::int8_t m_iSliverScale;
    float m_fConeBound;
    std::int16_t m_iConeAxis[3];
    std::int8_t m_iEdgeScale;
};
