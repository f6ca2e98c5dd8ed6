// The scene's objects: the primitive base with its local space, the unit plane and
// sphere, the triangle mesh and its instances, point lights, and the scene that owns
// them and finds the nearest hit through its partition tree.
#pragma once

#include <vector>

#include "model/Model.h"
#include "common/util/Color.h"
#include "common/util/Types.h"
#include "common/vecmat/matrix3d.h"
#include "common/vecmat/vector3d.h"

class CMaterial;
class CMaterialDiffuse;
class CTexture;
class CSceneBsp;
class CTriangleBsp;

// The material of every primitive whose creator sets no other; built before the
// entry runs, never deleted through a pointer.
extern CMaterialDiffuse g_DefaultMaterial;

// Rays reach every primitive as two world points: the hit may lie anywhere from the
// start onward, also beyond the end, which fixes only the direction.
class CPrimitive
{
public:
    CPrimitive();
    virtual ~CPrimitive();
    CPrimitive(const CPrimitive&) = delete;
    CPrimitive& operator=(const CPrimitive&) = delete;

    // On a hit: true, the world hit point and the world normal (not normalised).
    // On a miss: false, both outputs untouched.
    virtual bool Intersect(const Vector3d& vStart, const Vector3d& vEnd, Vector3d& vHitPoint,
                           Vector3d& vNormal) const = 0;
    // Corners of the primitive's box in its local space.
    virtual Vector3d GetBoundingBoxMin() const = 0;
    virtual Vector3d GetBoundingBoxMax() const = 0;
    virtual void Print() const = 0;

    // Places the primitive by m and keeps its inverse. A transform that cannot be
    // inverted is refused: the result is false, the primitive keeps its previous
    // (consistent) pair of matrices and is marked unusable, so that any later use
    // of it fails the assertion "bInverted".
    bool SetTransform(const Matrix3d& m);
    // False after a refused SetTransform.
    bool HasValidTransform() const { return m_bInverted; }

    // Points between world and local space (translation included).
    Vector3d WorldToLocal(const Vector3d& p) const;
    Vector3d LocalToWorld(const Vector3d& p) const;
    // A local normal in world space: by the transpose of the world-to-local 3 x 3
    // part; not normalised.
    Vector3d NormalToWorld(const Vector3d& n) const;
    Matrix3d GetLocalToWorld() const { return m_mLocalToWorld; }
    Matrix3d GetWorldToLocal() const { return m_mWorldToLocal; }

    // The world box of the eight transformed corners of the local box.
    void GetWorldBoundingBox(Vector3d& vMin, Vector3d& vMax) const;
    void PrintTransform() const;

    // Surface attributes, set by the creator right after construction and read by
    // the tracer.
    CColor m_cColor;         // flat colour, used when there is no texture
    CMaterial* m_pMaterial;  // shared, never freed by the primitive
    CTexture* m_pTexture;    // shared, never freed; null for the flat colour

protected:
    // Fails the assertion "bInverted" after a refused SetTransform.
    void CheckTransform() const;
    // Prints the class name and the local box.
    void PrintNameAndBox(const char* pName) const;

    Matrix3d m_mLocalToWorld;
    Matrix3d m_mWorldToLocal; // the inverse of m_mLocalToWorld
    bool m_bInverted;         // false after a refused SetTransform
};

// The unit square 0 < x, y <= 1 on the local plane z = 0, hit from either side;
// its local normal is +z.
class CPlane : public CPrimitive
{
public:
    bool Intersect(const Vector3d& vStart, const Vector3d& vEnd, Vector3d& vHitPoint,
                   Vector3d& vNormal) const override;
    Vector3d GetBoundingBoxMin() const override;
    Vector3d GetBoundingBoxMax() const override;
    void Print() const override;
};

// The sphere of radius 1 about the local origin; the normal points out, also for
// rays that start inside.
class CSphere : public CPrimitive
{
public:
    bool Intersect(const Vector3d& vStart, const Vector3d& vEnd, Vector3d& vHitPoint,
                   Vector3d& vNormal) const override;
    Vector3d GetBoundingBoxMin() const override;
    Vector3d GetBoundingBoxMax() const override;
    void Print() const override;
};

// A triangle mesh that reads a model mesh's arrays in place (the model mesh must
// outlive it) and indexes its triangles in its own tree. Hits report the corner
// normals blended at the hit point.
class CTriMesh : public CPrimitive
{
public:
    explicit CTriMesh(const CModelMesh* pMesh);
    ~CTriMesh() override;

    bool Intersect(const Vector3d& vStart, const Vector3d& vEnd, Vector3d& vHitPoint,
                   Vector3d& vNormal) const override;
    // The root box of the triangle tree, in the mesh's local space.
    Vector3d GetBoundingBoxMin() const override;
    Vector3d GetBoundingBoxMax() const override;
    void Print() const override;

    const Vector3d* GetVertices() const { return m_pVertices; }
    uint32 GetVertexCount() const { return m_nVertices; }
    const Vector3d* GetNormals() const { return m_pNormals; }
    uint32 GetNormalCount() const { return m_nNormals; }
    const Index3* GetTriangles() const { return m_pTriangles; }
    uint32 GetTriangleCount() const { return m_nTriangles; }
    const CTriangleBsp* GetBspRoot() const { return m_pBspRoot; }
    // Triangles left out of the tree because a vertex index lies outside the vertex
    // array or a corner normal is missing; such triangles are never hit.
    uint32 GetSkippedTriangleCount() const { return m_nSkippedTriangles; }

private:
    CTriangleBsp* m_pBspRoot;      // owned; never null after construction
    const Vector3d* m_pVertices;   // borrowed from the model mesh
    uint32 m_nVertices;
    const Vector3d* m_pNormals;    // borrowed; 3 per triangle, corner order
    uint32 m_nNormals;
    const Index3* m_pTriangles;    // borrowed
    uint32 m_nTriangles;
    uint32 m_nSkippedTriangles;
};

// One placement of a shared mesh with its own transform and surface attributes.
class CObjectInstance : public CPrimitive
{
public:
    // pTriMesh must not be null (asserted); it is borrowed and must outlive the instance.
    explicit CObjectInstance(CTriMesh* pTriMesh);

    bool Intersect(const Vector3d& vStart, const Vector3d& vEnd, Vector3d& vHitPoint,
                   Vector3d& vNormal) const override;
    // The mesh's box.
    Vector3d GetBoundingBoxMin() const override;
    Vector3d GetBoundingBoxMax() const override;
    void Print() const override;

    CTriMesh* GetTriMesh() const { return m_pTriMesh; }

private:
    CTriMesh* m_pTriMesh; // shared, not owned
};

// The corner normals N0, N1, N2 of the triangle p0, p1, p2 blended at q by the
// distances of q from the opposite edges (barycentric inside the triangle, unsigned
// outside); not normalised.
Vector3d InterpolateNormal(const Vector3d& p0, const Vector3d& p1, const Vector3d& p2,
                           const Vector3d& N0, const Vector3d& N1, const Vector3d& N2,
                           const Vector3d& q);

// A point light.
class CLight
{
public:
    CLight(const Vector3d& vPosition, float fPower);

    const Vector3d& GetPosition() const { return m_vPosition; }
    float GetPower() const { return m_fPower; }
    void Print() const;

    Vector3d m_vPosition; // world position
    float m_fPower;       // the light term uses power x power over the squared distance
};

class CScene
{
public:
    CScene();
    // Deletes the tree and every primitive added.
    ~CScene();
    CScene(const CScene&) = delete;
    CScene& operator=(const CScene&) = delete;

    // The scene owns p from now on.
    void AddPrimitive(CPrimitive* p);
    void AddLight(const CLight& light);

    // (Re)builds the partition tree over the primitives added so far.
    void BuildBsp();

    // The nearest hit along the ray from vStart towards vEnd (also beyond vEnd): the
    // world hit point, the world normal (not normalised) and the primitive. A miss,
    // also before the first BuildBsp, leaves the outputs untouched.
    bool Intersect(const Vector3d& vStart, const Vector3d& vEnd, Vector3d& vHitPoint,
                   Vector3d& vNormal, CPrimitive*& pHit) const;

    uint32 GetLightCount() const { return static_cast<uint32>(m_vLights.size()); }
    const CLight& GetLight(uint32 iIndex) const { return m_vLights[iIndex]; }
    const std::vector<CLight>& GetLights() const { return m_vLights; }

    uint32 GetPrimitiveCount() const { return static_cast<uint32>(m_vPrimitives.size()); }
    CPrimitive* GetPrimitive(uint32 iIndex) const { return m_vPrimitives[iIndex]; }
    // The world box of primitive iIndex as the tree was built over it.
    void GetPrimitiveBox(uint32 iIndex, Vector3d& vMin, Vector3d& vMax) const;
    const CSceneBsp* GetBspRoot() const { return m_pBspRoot; }

    void Print() const;

private:
    std::vector<CPrimitive*> m_vPrimitives; // owned, in the order added
    std::vector<CLight> m_vLights;
    CSceneBsp* m_pBspRoot;                  // owned; null until the first BuildBsp
    // World boxes of the primitives, taken once per BuildBsp (min, max per primitive).
    std::vector<Vector3d> m_vPrimitiveBoxes;
};
