// Primitives and their local spaces, the plane, the sphere, the triangle mesh and its
// instances, lights, and the scene with its partition tree. Intersections are solved
// in double and stored as floats.
#include "raytracer/Geometry.h"

#include <cassert>
#include <cmath>
#include <cstdio>

#include "raytracer/Bsp.h"
#include "raytracer/Material.h"

CMaterialDiffuse g_DefaultMaterial;

namespace
{
struct DVec
{
    double x, y, z;
};

inline DVec ToDouble(const Vector3d& v)
{
    return DVec{v.x, v.y, v.z};
}

inline Vector3d ToFloat(const DVec& v)
{
    return Vector3d(static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.z));
}

inline DVec Sub(const DVec& a, const DVec& b)
{
    return DVec{a.x - b.x, a.y - b.y, a.z - b.z};
}

inline DVec AddScaled(const DVec& a, double t, const DVec& d)
{
    return DVec{a.x + t * d.x, a.y + t * d.y, a.z + t * d.z};
}

inline double Dot(const DVec& a, const DVec& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

inline DVec Cross(const DVec& a, const DVec& b)
{
    return DVec{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

inline double Length(const DVec& v)
{
    return std::sqrt(Dot(v, v));
}

// p * R + T, in double.
inline DVec TransformPoint(const DVec& p, const Matrix3d& m)
{
    const Vector3d* r = m.m_vRow;
    return DVec{p.x * r[0].x + p.y * r[1].x + p.z * r[2].x + r[3].x,
                p.x * r[0].y + p.y * r[1].y + p.z * r[2].y + r[3].y,
                p.x * r[0].z + p.y * r[1].z + p.z * r[2].z + r[3].z};
}

// Component i is the dot product of n with row i of the world-to-local matrix: the
// transpose of its 3 x 3 part, which keeps normals perpendicular under any scaling.
inline DVec NormalByTranspose(const DVec& n, const Matrix3d& mWorldToLocal)
{
    const Vector3d* r = mWorldToLocal.m_vRow;
    return DVec{n.x * r[0].x + n.y * r[0].y + n.z * r[0].z,
                n.x * r[1].x + n.y * r[1].y + n.z * r[1].z,
                n.x * r[2].x + n.y * r[2].y + n.z * r[2].z};
}

bool IsFinite(const Matrix3d& m)
{
    for (const Vector3d& row : m.m_vRow)
        if (!std::isfinite(row.x) || !std::isfinite(row.y) || !std::isfinite(row.z))
            return false;
    return true;
}

// Lengths below which a direction counts as zero (single-precision values).
const double kPlaneParallel = static_cast<double>(1e-6f);
const double kSphereShortest = static_cast<double>(1e-6f);
const float kPlaneHalfThickness = 1e-6f;
} // namespace

//---------------------------------------------------------------------------------------
// CPrimitive

CPrimitive::CPrimitive()
    : m_cColor(1.0f, 1.0f, 1.0f), m_pMaterial(&g_DefaultMaterial), m_pTexture(nullptr),
      m_bInverted(true)
{
    m_mLocalToWorld.SetIdentity();
    m_mWorldToLocal.SetIdentity();
}

CPrimitive::~CPrimitive() = default;

bool CPrimitive::SetTransform(const Matrix3d& m)
{
    Matrix3d mInverse;
    // A singular transform has no inverse, and one with a NaN or an infinity (or whose
    // inverse overflows) has no meaningful one: keep the previous consistent pair
    // rather than store a matrix that is not an inverse.
    const bool bInverted = m.Invert(mInverse) && IsFinite(m) && IsFinite(mInverse);
    m_bInverted = bInverted;
    if (!bInverted)
        return false;
    m_mLocalToWorld = m;
    m_mWorldToLocal = mInverse;
    return true;
}

void CPrimitive::CheckTransform() const
{
    const bool bInverted = m_bInverted;
    assert(bInverted);
    (void)bInverted;
}

Vector3d CPrimitive::WorldToLocal(const Vector3d& p) const
{
    CheckTransform();
    return ToFloat(TransformPoint(ToDouble(p), m_mWorldToLocal));
}

Vector3d CPrimitive::LocalToWorld(const Vector3d& p) const
{
    CheckTransform();
    return ToFloat(TransformPoint(ToDouble(p), m_mLocalToWorld));
}

Vector3d CPrimitive::NormalToWorld(const Vector3d& n) const
{
    CheckTransform();
    return ToFloat(NormalByTranspose(ToDouble(n), m_mWorldToLocal));
}

void CPrimitive::GetWorldBoundingBox(Vector3d& vMin, Vector3d& vMax) const
{
    CheckTransform();
    const Vector3d lo = GetBoundingBoxMin();
    const Vector3d hi = GetBoundingBoxMax();
    for (int k = 0; k < 8; ++k)
    {
        const Vector3d corner((k & 4) ? hi.x : lo.x, (k & 2) ? hi.y : lo.y, (k & 1) ? hi.z : lo.z);
        const Vector3d w = corner * m_mLocalToWorld;
        if (k == 0)
        {
            vMin = w;
            vMax = w;
            continue;
        }
        if (w.x < vMin.x) vMin.x = w.x;
        if (w.y < vMin.y) vMin.y = w.y;
        if (w.z < vMin.z) vMin.z = w.z;
        if (w.x > vMax.x) vMax.x = w.x;
        if (w.y > vMax.y) vMax.y = w.y;
        if (w.z > vMax.z) vMax.z = w.z;
    }
}

void CPrimitive::PrintTransform() const
{
    puts("m_mLocalToWorld");
    m_mLocalToWorld.Print();
    puts("m_mWorldToLocal");
    m_mWorldToLocal.Print();
}

void CPrimitive::PrintNameAndBox(const char* pName) const
{
    puts(pName);
    GetBoundingBoxMin().Print();
    GetBoundingBoxMax().Print();
}

//---------------------------------------------------------------------------------------
// CPlane

bool CPlane::Intersect(const Vector3d& vStart, const Vector3d& vEnd, Vector3d& vHitPoint,
                       Vector3d& vNormal) const
{
    CheckTransform();
    const DVec s = TransformPoint(ToDouble(vStart), m_mWorldToLocal);
    const DVec d = Sub(TransformPoint(ToDouble(vEnd), m_mWorldToLocal), s);
    if (std::fabs(d.z) < kPlaneParallel)
        return false;
    const double t = -s.z / d.z;
    if (t < 0.0) // a start on the plane (t = 0) is a hit
        return false;
    const DVec p = AddScaled(s, t, d);
    // The edges x = 0 and y = 0 are outside, x = 1 and y = 1 inside, so that squares
    // laid side by side share no edge.
    if (!(p.x > 0.0 && p.x <= 1.0 && p.y > 0.0 && p.y <= 1.0))
        return false;
    vHitPoint = ToFloat(TransformPoint(p, m_mLocalToWorld));
    // Both faces get +z; the tracer turns the normal towards the ray.
    vNormal = ToFloat(NormalByTranspose(DVec{0.0, 0.0, 1.0}, m_mWorldToLocal));
    return true;
}

Vector3d CPlane::GetBoundingBoxMin() const
{
    return Vector3d(0.0f, 0.0f, -kPlaneHalfThickness);
}

Vector3d CPlane::GetBoundingBoxMax() const
{
    return Vector3d(1.0f, 1.0f, kPlaneHalfThickness);
}

void CPlane::Print() const
{
    PrintNameAndBox("CPlane");
}

//---------------------------------------------------------------------------------------
// CSphere

bool CSphere::Intersect(const Vector3d& vStart, const Vector3d& vEnd, Vector3d& vHitPoint,
                        Vector3d& vNormal) const
{
    CheckTransform();
    // In double: in float the discriminant of a sphere seen from ten radii is off by
    // more than the offset of secondary rays, which would then hit their own surface.
    const DVec s = TransformPoint(ToDouble(vStart), m_mWorldToLocal);
    const DVec d = Sub(TransformPoint(ToDouble(vEnd), m_mWorldToLocal), s);
    const double A = Dot(d, d);
    const double B = 2.0 * Dot(d, s);
    const double C = Dot(s, s) - 1.0;
    const double D = B * B - 4.0 * A * C;
    if (D < 0.0) // a tangent (D = 0) hits at the tangent point
        return false;
    if (A < kSphereShortest)
        return false;
    const double R = std::sqrt(D);
    const double t1 = (-B - R) / (2.0 * A);
    const double t2 = (R - B) / (2.0 * A);
    double t;
    if (t1 >= 0.0)
        t = t1;
    else if (t2 >= 0.0)
        t = t2; // the start lies inside: the hit is where the ray leaves
    else
        return false;
    const DVec p = AddScaled(s, t, d);
    vHitPoint = ToFloat(TransformPoint(p, m_mLocalToWorld));
    // The local hit point is the outward local normal.
    vNormal = ToFloat(NormalByTranspose(p, m_mWorldToLocal));
    return true;
}

Vector3d CSphere::GetBoundingBoxMin() const
{
    return Vector3d(-1.0f, -1.0f, -1.0f);
}

Vector3d CSphere::GetBoundingBoxMax() const
{
    return Vector3d(1.0f, 1.0f, 1.0f);
}

void CSphere::Print() const
{
    PrintNameAndBox("CSphere");
}

//---------------------------------------------------------------------------------------
// CTriMesh

CTriMesh::CTriMesh(const CModelMesh* pMesh)
    : m_pBspRoot(nullptr), m_pVertices(nullptr), m_nVertices(0), m_pNormals(nullptr),
      m_nNormals(0), m_pTriangles(nullptr), m_nTriangles(0), m_nSkippedTriangles(0)
{
    assert(pMesh);
    m_pVertices = pMesh->GetVertices();
    m_nVertices = m_pVertices ? pMesh->GetVertexCount() : 0;
    m_pNormals = pMesh->GetNormals();
    m_nNormals = m_pNormals ? pMesh->GetNormalCount() : 0;
    m_pTriangles = pMesh->GetTriangles();
    m_nTriangles = m_pTriangles ? pMesh->GetTriangleCount() : 0;

    m_pBspRoot = new CTriangleBsp(this);
    // The root box covers every vertex, also ones that no triangle uses. A mesh
    // without vertices keeps the empty box at the origin.
    if (m_nVertices > 0)
    {
        Vector3d vMin = m_pVertices[0];
        Vector3d vMax = m_pVertices[0];
        for (uint32 i = 1; i < m_nVertices; ++i)
        {
            GrowBox(vMin, vMax, m_pVertices[i]);
        }
        m_pBspRoot->SetBox(vMin, vMax);
    }

    // Only triangles whose corners and corner normals exist enter the tree: the model
    // readers check their files, and a mesh built otherwise must still not make the
    // tracer read outside its arrays.
    m_pBspRoot->m_vItems.reserve(m_nTriangles);
    for (uint32 i = 0; i < m_nTriangles; ++i)
    {
        const Index3& tri = m_pTriangles[i];
        const bool bCornersExist = tri.a < m_nVertices && tri.b < m_nVertices && tri.c < m_nVertices;
        const bool bNormalsExist = i < m_nNormals / 3;
        if (bCornersExist && bNormalsExist)
            m_pBspRoot->m_vItems.push_back(i);
        else
            ++m_nSkippedTriangles;
    }
    m_pBspRoot->Subdivide(0);
}

CTriMesh::~CTriMesh()
{
    delete m_pBspRoot;
    m_pBspRoot = nullptr;
}

bool CTriMesh::Intersect(const Vector3d& vStart, const Vector3d& vEnd, Vector3d& vHitPoint,
                         Vector3d& vNormal) const
{
    CheckTransform();
    const Vector3d s = WorldToLocal(vStart);
    const Vector3d e = WorldToLocal(vEnd);
    Vector3d vLocalHit;
    uint32 iTriangle = 0;
    if (!m_pBspRoot->Intersect(s, e, vLocalHit, iTriangle))
        return false;

    const Index3& tri = m_pTriangles[iTriangle];
    const Vector3d& p0 = m_pVertices[tri.a];
    const Vector3d& p1 = m_pVertices[tri.b];
    const Vector3d& p2 = m_pVertices[tri.c];
    const Vector3d* pN = m_pNormals + 3 * static_cast<size_t>(iTriangle);
    DVec n = ToDouble(InterpolateNormal(p0, p1, p2, pN[0], pN[1], pN[2], vLocalHit));
    double fLength = Length(n);
    // Corner normals that cancel out (or are zero in the file) leave no direction;
    // the face normal of the triangle that was hit, which cannot be zero, stands in.
    if (!(fLength > 0.0) || !std::isfinite(fLength))
    {
        n = Cross(Sub(ToDouble(p1), ToDouble(p0)), Sub(ToDouble(p2), ToDouble(p0)));
        fLength = Length(n);
    }
    const double fScale = 1.0 / fLength;
    n = DVec{n.x * fScale, n.y * fScale, n.z * fScale};

    vHitPoint = ToFloat(TransformPoint(ToDouble(vLocalHit), m_mLocalToWorld));
    vNormal = ToFloat(NormalByTranspose(n, m_mWorldToLocal));
    return true;
}

Vector3d CTriMesh::GetBoundingBoxMin() const
{
    assert(m_pBspRoot);
    return m_pBspRoot->GetMin();
}

Vector3d CTriMesh::GetBoundingBoxMax() const
{
    assert(m_pBspRoot);
    return m_pBspRoot->GetMax();
}

void CTriMesh::Print() const
{
    PrintNameAndBox("CTriMesh");
}

Vector3d InterpolateNormal(const Vector3d& p0, const Vector3d& p1, const Vector3d& p2,
                           const Vector3d& N0, const Vector3d& N1, const Vector3d& N2,
                           const Vector3d& q)
{
    const DVec a = ToDouble(p0), b = ToDouble(p1), c = ToDouble(p2), x = ToDouble(q);
    // dist(x, line e0 e1) / dist(y, line e0 e1): both distances are cross-product
    // lengths over the same edge length, which cancels. A degenerate triangle gives 0.
    auto Weight = [](const DVec& e0, const DVec& e1, const DVec& pt, const DVec& corner) {
        const DVec edge = Sub(e1, e0);
        const double fCorner = Length(Cross(edge, Sub(corner, e0)));
        if (!(fCorner > 0.0))
            return 0.0;
        return Length(Cross(edge, Sub(pt, e0))) / fCorner;
    };
    const double w0 = Weight(b, c, x, a);
    const double w1 = Weight(a, c, x, b);
    const double w2 = Weight(a, b, x, c);
    return ToFloat(DVec{N0.x * w0 + N1.x * w1 + N2.x * w2, N0.y * w0 + N1.y * w1 + N2.y * w2,
                        N0.z * w0 + N1.z * w1 + N2.z * w2});
}

//---------------------------------------------------------------------------------------
// CObjectInstance

CObjectInstance::CObjectInstance(CTriMesh* pTriMesh) : m_pTriMesh(pTriMesh)
{
    assert(pTriMesh);
}

bool CObjectInstance::Intersect(const Vector3d& vStart, const Vector3d& vEnd, Vector3d& vHitPoint,
                                Vector3d& vNormal) const
{
    CheckTransform();
    Vector3d h, n;
    // The mesh applies its own transform inside.
    if (!m_pTriMesh->Intersect(WorldToLocal(vStart), WorldToLocal(vEnd), h, n))
        return false;
    vHitPoint = LocalToWorld(h);
    vNormal = NormalToWorld(n);
    return true;
}

Vector3d CObjectInstance::GetBoundingBoxMin() const
{
    return m_pTriMesh->GetBoundingBoxMin();
}

Vector3d CObjectInstance::GetBoundingBoxMax() const
{
    return m_pTriMesh->GetBoundingBoxMax();
}

void CObjectInstance::Print() const
{
    PrintNameAndBox("CObjectInstance");
}

//---------------------------------------------------------------------------------------
// CLight

CLight::CLight(const Vector3d& vPosition, float fPower) : m_vPosition(vPosition), m_fPower(fPower)
{
}

void CLight::Print() const
{
    puts("CLight");
}

//---------------------------------------------------------------------------------------
// CScene

CScene::CScene() : m_pBspRoot(nullptr)
{
}

CScene::~CScene()
{
    delete m_pBspRoot;
    m_pBspRoot = nullptr;
    for (CPrimitive* p : m_vPrimitives)
        delete p;
}

void CScene::AddPrimitive(CPrimitive* p)
{
    // The tree takes every primitive's box; a null entry would have none.
    if (p)
        m_vPrimitives.push_back(p);
}

void CScene::AddLight(const CLight& light)
{
    m_vLights.push_back(light);
}

void CScene::GetPrimitiveBox(uint32 iIndex, Vector3d& vMin, Vector3d& vMax) const
{
    if (2 * static_cast<size_t>(iIndex) + 1 < m_vPrimitiveBoxes.size())
    {
        vMin = m_vPrimitiveBoxes[2 * static_cast<size_t>(iIndex)];
        vMax = m_vPrimitiveBoxes[2 * static_cast<size_t>(iIndex) + 1];
        return;
    }
    m_vPrimitives[iIndex]->GetWorldBoundingBox(vMin, vMax);
}

void CScene::BuildBsp()
{
    delete m_pBspRoot;
    m_pBspRoot = nullptr;

    // Every node asks for the boxes of its primitives; they are taken once here.
    const uint32 nPrimitives = GetPrimitiveCount();
    m_vPrimitiveBoxes.assign(2 * static_cast<size_t>(nPrimitives), Vector3d());
    for (uint32 i = 0; i < nPrimitives; ++i)
        m_vPrimitives[i]->GetWorldBoundingBox(m_vPrimitiveBoxes[2 * i], m_vPrimitiveBoxes[2 * i + 1]);

    Vector3d vMin(0.0f, 0.0f, 0.0f);
    Vector3d vMax(1.0f, 1.0f, 1.0f);
    if (nPrimitives > 0)
    {
        vMin = m_vPrimitiveBoxes[0];
        vMax = m_vPrimitiveBoxes[1];
        for (uint32 i = 0; i < nPrimitives; ++i)
        {
            const Vector3d& lo = m_vPrimitiveBoxes[2 * i];
            const Vector3d& hi = m_vPrimitiveBoxes[2 * i + 1];
            if (lo.x < vMin.x) vMin.x = lo.x;
            if (lo.y < vMin.y) vMin.y = lo.y;
            if (lo.z < vMin.z) vMin.z = lo.z;
            if (hi.x > vMax.x) vMax.x = hi.x;
            if (hi.y > vMax.y) vMax.y = hi.y;
            if (hi.z > vMax.z) vMax.z = hi.z;
        }
    }

    m_pBspRoot = new CSceneBsp(this);
    m_pBspRoot->SetBox(vMin, vMax);
    m_pBspRoot->m_vItems.resize(nPrimitives);
    for (uint32 i = 0; i < nPrimitives; ++i)
        m_pBspRoot->m_vItems[i] = i;
    m_pBspRoot->Subdivide(0);
}

bool CScene::Intersect(const Vector3d& vStart, const Vector3d& vEnd, Vector3d& vHitPoint,
                       Vector3d& vNormal, CPrimitive*& pHit) const
{
    if (!m_pBspRoot)
        return false;
    return m_pBspRoot->Intersect(vStart, vEnd, vHitPoint, vNormal, pHit);
}

void CScene::Print() const
{
    puts("Primitives:\n");
    for (const CPrimitive* p : m_vPrimitives)
        p->Print();
    puts("Primitives");
    for (const CLight& light : m_vLights)
        light.Print();
    puts("End Primitives:\n");
}
