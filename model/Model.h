// Triangle models in memory: CModelMesh is one named triangle mesh with one
// normal per triangle corner, CModel a named list of meshes that owns them.
// Readers, converters and the engine's mesh primitive all share these types.
#pragma once

#include <string>
#include <vector>

#include "common/util/Color.h"
#include "common/util/Types.h"
#include "common/vecmat/vector3d.h"

// One triangle: three vertex indices counted from 0, in corner order 0, 1, 2.
struct Index3
{
    uint32 a = 0;
    uint32 b = 0;
    uint32 c = 0;

    // Corner k (0, 1 or 2).
    uint32 operator[](int k) const { return k == 0 ? a : (k == 1 ? b : c); }
    uint32& operator[](int k) { return k == 0 ? a : (k == 1 ? b : c); }
};

// A named triangle mesh. Every array pointer is null exactly when its count is 0.
// The arrays are filled only through the Set operations, which copy the caller's
// array. Nothing here checks that indices are below the vertex count or that there
// are 3 x triangles normals: the builders of a mesh guarantee both.
class CModelMesh
{
public:
    CModelMesh();
    ~CModelMesh();
    CModelMesh(const CModelMesh&) = delete;
    CModelMesh& operator=(const CModelMesh&) = delete;

    void SetName(const std::string& sName);
    std::string GetName() const;

    void SetColor(const CColor& cColor);
    CColor GetColor() const;

    // Releases all three arrays and sets their counts to 0.
    void Clear();

    // Each replaces the array of its kind by a copy of the caller's elements.
    // The pointer must be non-null and the count above 0; the source must not be
    // the mesh's own current array.
    void SetVertices(const Vector3d* pVertices, uint32 nVertices);
    // Normals are per corner: entry 3t+k belongs to corner k of triangle t.
    void SetNormals(const Vector3d* pNormals, uint32 nNormals);
    void SetTriangles(const Index3* pTriangles, uint32 nTriangles);

    // The mesh's own arrays, borrowed: never freed or kept beyond the mesh's life.
    const Vector3d* GetVertices() const { return m_pVertices; }
    uint32 GetVertexCount() const { return m_nVertices; }
    const Vector3d* GetNormals() const { return m_pNormals; }
    uint32 GetNormalCount() const { return m_nNormals; }
    const Index3* GetTriangles() const { return m_pTriangles; }
    uint32 GetTriangleCount() const { return m_nTriangles; }

    // Replaces the normals by flat face normals, Cross(v[b]-v[a], v[c]-v[a]) at all
    // three corners; not normalised (length is twice the triangle's area).
    void CalculateNormals();

private:
    Vector3d* m_pVertices;   // owned, null when m_nVertices is 0
    uint32 m_nVertices;
    Vector3d* m_pNormals;    // owned, one per triangle corner
    uint32 m_nNormals;       // 3 x m_nTriangles once set, 0 before
    Index3* m_pTriangles;    // owned
    uint32 m_nTriangles;
    std::string m_sName;
    CColor m_cColor;         // (1, 0, 1) unless SetColor is called
};

// A named list of meshes, in the order they were added; owns every mesh.
// It must outlive every mesh primitive made from one of its meshes.
class CModel
{
public:
    CModel();
    ~CModel();
    CModel(const CModel&) = delete;
    CModel& operator=(const CModel&) = delete;

    void SetName(const std::string& sName);
    std::string GetName() const;

    uint32 GetMeshCount() const;
    // The mesh at iIndex (asserted below GetMeshCount()); the model keeps ownership.
    CModelMesh* GetMesh(uint32 iIndex) const;
    // Appends a mesh created with new; the model takes ownership.
    void AddMesh(CModelMesh* pModelMesh);

private:
    std::vector<CModelMesh*> m_vMeshes;  // owned
    std::string m_sName;
};
