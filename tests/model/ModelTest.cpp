// Tests of CModelMesh and CModel: copying Set operations, Clear, flat normals,
// mesh order and ownership, and the guarded preconditions.

#include <gtest/gtest.h>

#include "model/Model.h"

namespace
{

void ExpectVector(const Vector3d& vExpected, const Vector3d& vActual)
{
    EXPECT_FLOAT_EQ(vExpected.x, vActual.x);
    EXPECT_FLOAT_EQ(vExpected.y, vActual.y);
    EXPECT_FLOAT_EQ(vExpected.z, vActual.z);
}

TEST(ModelMesh, NewMeshIsEmptyAndMagenta)
{
    CModelMesh mesh;
    EXPECT_EQ(0u, mesh.GetVertexCount());
    EXPECT_EQ(0u, mesh.GetNormalCount());
    EXPECT_EQ(0u, mesh.GetTriangleCount());
    EXPECT_EQ(nullptr, mesh.GetVertices());
    EXPECT_EQ(nullptr, mesh.GetNormals());
    EXPECT_EQ(nullptr, mesh.GetTriangles());
    EXPECT_EQ("", mesh.GetName());
    const CColor cColor = mesh.GetColor();
    EXPECT_EQ(1.0f, cColor.r);
    EXPECT_EQ(0.0f, cColor.g);
    EXPECT_EQ(1.0f, cColor.b);
}

TEST(ModelMesh, SetOperationsCopyAndReplace)
{
    CModelMesh mesh;
    Vector3d vertices[3] = {{1, 1, 1}, {2, 2, 2}, {3, 3, 3}};
    Index3 triangles[1] = {{0, 1, 2}};
    mesh.SetVertices(vertices, 3);
    mesh.SetVertices(vertices + 1, 2);
    mesh.SetTriangles(triangles, 1);
    vertices[1] = Vector3d(5, 5, 5);
    triangles[0].b = 7;
    ASSERT_EQ(2u, mesh.GetVertexCount());
    ExpectVector(Vector3d(2, 2, 2), mesh.GetVertices()[0]);
    EXPECT_EQ(1u, mesh.GetTriangles()[0].b);

    mesh.Clear();
    mesh.Clear();
    EXPECT_EQ(nullptr, mesh.GetVertices());
    EXPECT_EQ(nullptr, mesh.GetTriangles());
    EXPECT_EQ(0u, mesh.GetVertexCount() + mesh.GetTriangleCount());
}

struct FlatNormalCase
{
    const char* sName;
    Vector3d vCorners[3];
    Vector3d vNormal;
};

const FlatNormalCase FLAT_NORMAL_CASES[] = {
    {"unit right triangle", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 0, 1}},
    {"reversed winding", {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}}, {0, 0, -1}},
    // Not normalised: the length is twice the area.
    {"larger triangle", {{0, 0, 0}, {2, 0, 0}, {0, 3, 0}}, {0, 0, 6}},
    {"collinear corners", {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}}, {0, 0, 0}},
};

TEST(ModelMesh, CalculateNormalsGivesTheFaceNormalAtEveryCorner)
{
    for (const FlatNormalCase& test : FLAT_NORMAL_CASES)
    {
        SCOPED_TRACE(test.sName);
        CModelMesh mesh;
        const Index3 triangles[1] = {{0, 1, 2}};
        mesh.SetVertices(test.vCorners, 3);
        mesh.SetTriangles(triangles, 1);
        mesh.CalculateNormals();
        ASSERT_EQ(3u, mesh.GetNormalCount());
        for (int k = 0; k < 3; ++k)
            ExpectVector(test.vNormal, mesh.GetNormals()[k]);
    }
}

TEST(Model, MeshesComeBackInTheOrderTheyWereAdded)
{
    CModel model;
    EXPECT_EQ(0u, model.GetMeshCount());
    EXPECT_EQ("", model.GetName());
    const char* const names[] = {"first", "second", "third"};
    for (const char* sName : names)
    {
        CModelMesh* pMesh = new CModelMesh;
        pMesh->SetName(sName);
        model.AddMesh(pMesh);
    }
    ASSERT_EQ(3u, model.GetMeshCount());
    for (uint32 i = 0; i < 3; ++i)
        EXPECT_EQ(names[i], model.GetMesh(i)->GetName());
}

using ModelDeathTest = ::testing::Test;

TEST(ModelDeathTest, PreconditionsAreAsserted)
{
    CModelMesh mesh;
    CModel model;
    const Vector3d vertices[1];
    EXPECT_DEATH(mesh.SetVertices(nullptr, 3), "pVertices && nVertices > 0");
    EXPECT_DEATH(mesh.SetVertices(vertices, 0), "pVertices && nVertices > 0");
    EXPECT_DEATH(mesh.SetNormals(vertices, 0), "pNormals && nNormals > 0");
    EXPECT_DEATH(mesh.SetTriangles(nullptr, 1), "pTriangles && nTriangles > 0");
    EXPECT_DEATH(mesh.CalculateNormals(), "m_pTriangles && m_nTriangles > 0");
    EXPECT_DEATH(model.GetMesh(0), "iIndex < GetMeshCount\\(\\)");
    EXPECT_DEATH(model.AddMesh(nullptr), "pModelMesh");
}

TEST(ModelDeathTest, CalculateNormalsNeedsVertices)
{
    CModelMesh mesh;
    const Index3 triangles[1] = {{0, 1, 2}};
    mesh.SetTriangles(triangles, 1);
    EXPECT_DEATH(mesh.CalculateNormals(), "m_pVertices && m_nVertices > 0");
}

} // namespace
