// Helpers shared by the geometry and tree tests: vector comparison, transforms and
// model meshes from literal arrays.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "model/Model.h"
#include "common/vecmat/matrix3d.h"

inline ::testing::AssertionResult VecNear(const Vector3d& a, const Vector3d& e, float fTolerance)
{
    if (std::fabs(a.x - e.x) <= fTolerance && std::fabs(a.y - e.y) <= fTolerance &&
        std::fabs(a.z - e.z) <= fTolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << a.x << ", " << a.y << ", " << a.z << ") is not within "
                                         << fTolerance << " of (" << e.x << ", " << e.y << ", " << e.z << ")";
}

// Uniform scaling by fScale, then the translation.
inline Matrix3d Placement(float fScale, const Vector3d& vTranslation)
{
    Matrix3d m = Matrix3d::Scaling(fScale, fScale, fScale);
    m.m_vRow[3] = vTranslation;
    return m;
}

inline Index3 Tri(uint32 a, uint32 b, uint32 c)
{
    Index3 t;
    t.a = a;
    t.b = b;
    t.c = c;
    return t;
}

// Fills a model mesh from literal arrays (empty ones are left unset); normals default
// to +z at every corner.
inline void FillMesh(CModelMesh& mesh, const std::vector<Vector3d>& vVertices,
                     const std::vector<Index3>& vTriangles, std::vector<Vector3d> vNormals = {})
{
    if (vNormals.empty())
        vNormals.assign(3 * vTriangles.size(), Vector3d(0.0f, 0.0f, 1.0f));
    if (!vVertices.empty())
        mesh.SetVertices(vVertices.data(), static_cast<uint32>(vVertices.size()));
    if (!vTriangles.empty())
        mesh.SetTriangles(vTriangles.data(), static_cast<uint32>(vTriangles.size()));
    if (!vNormals.empty())
        mesh.SetNormals(vNormals.data(), static_cast<uint32>(vNormals.size()));
}
