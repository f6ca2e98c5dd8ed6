// Smooth normals and the mesh finisher: worked examples with their exact
// printed form (signed zeros included), fallbacks, and meshes left alone.
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "converters/Normals.h"
#include "tests/converters/ConverterTestUtil.h"

namespace
{

CModelMesh* MakeMesh(const std::vector<Vector3d>& vVertices, const std::vector<Index3>& vTriangles)
{
    CModelMesh* pMesh = new CModelMesh;
    if (!vVertices.empty())
        pMesh->SetVertices(vVertices.data(), uint32(vVertices.size()));
    if (!vTriangles.empty())
        pMesh->SetTriangles(vTriangles.data(), uint32(vTriangles.size()));
    return pMesh;
}

Index3 Tri(uint32 a, uint32 b, uint32 c)
{
    Index3 t;
    t.a = a;
    t.b = b;
    t.c = c;
    return t;
}

const std::vector<Vector3d> kCorner = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};

struct NormalsCase
{
    const char* pName;
    std::vector<Vector3d> vVertices;
    std::vector<Index3> vTriangles;
    const char* pNormals; // as the XML file writes them
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const NormalsCase& c, std::ostream* pStream)
{
    *pStream << c.pName;
}

const NormalsCase kNormalsCases[] = {
    {"OneTriangle", kCorner, {Tri(0, 1, 2)},
     "-0.000000 -0.000000 1.000000\n-0.000000 -0.000000 1.000000\n-0.000000 -0.000000 1.000000\n"},
    {"TwoFacesAtAnEdge", kCorner, {Tri(0, 1, 2), Tri(0, 3, 1)},
     "-0.000000 0.707107 0.707107\n-0.000000 0.707107 0.707107\n-0.000000 -0.000000 1.000000\n"
     "-0.000000 0.707107 0.707107\n-0.000000 1.000000 -0.000000\n-0.000000 0.707107 0.707107\n"},
    {"OppositeFacesCancel", kCorner, {Tri(0, 1, 2), Tri(0, 2, 1)},
     "1.000000 0.000000 0.000000\n1.000000 0.000000 0.000000\n1.000000 0.000000 0.000000\n"
     "1.000000 0.000000 0.000000\n1.000000 0.000000 0.000000\n1.000000 0.000000 0.000000\n"},
    // The degenerate triangle's vertices 0 and 1 fall back also in the sound one.
    {"DegenerateTriangleSpoilsItsVertices", kCorner, {Tri(0, 1, 2), Tri(0, 1, 1)},
     "1.000000 0.000000 0.000000\n1.000000 0.000000 0.000000\n-0.000000 -0.000000 1.000000\n"
     "1.000000 0.000000 0.000000\n1.000000 0.000000 0.000000\n1.000000 0.000000 0.000000\n"},
    {"CollinearCorners", {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}, {Tri(0, 1, 2)},
     "1.000000 0.000000 0.000000\n1.000000 0.000000 0.000000\n1.000000 0.000000 0.000000\n"},
    // Three normals per triangle, whatever the vertex count (vertex 3 is unused).
    {"UnusedVertex", kCorner, {Tri(2, 1, 0)},
     "-0.000000 -0.000000 -1.000000\n-0.000000 -0.000000 -1.000000\n"
     "-0.000000 -0.000000 -1.000000\n"},
};

class SmoothNormalsTest : public testing::TestWithParam<NormalsCase>
{
};

TEST_P(SmoothNormalsTest, GivesCornerNormals)
{
    CModelMesh* pMesh = MakeMesh(GetParam().vVertices, GetParam().vTriangles);
    bool bOk = false;
    EXPECT_EQ(CaptureOutput([&] { bOk = FinishMesh(pMesh); }), "Computing normals\n");
    EXPECT_TRUE(bOk);
    EXPECT_EQ(pMesh->GetNormalCount(), 3 * pMesh->GetTriangleCount());
    EXPECT_EQ(VectorsText(pMesh->GetNormals(), pMesh->GetNormalCount()), GetParam().pNormals);
    delete pMesh;
}

INSTANTIATE_TEST_SUITE_P(Meshes, SmoothNormalsTest, testing::ValuesIn(kNormalsCases),
                         [](const testing::TestParamInfo<NormalsCase>& info) {
                             return std::string(info.param.pName);
                         });

TEST(SmoothNormals, DiagonalIsNearestFloatToRootHalf)
{
    std::vector<SmoothVertex> vVertices(4);
    for (size_t i = 0; i < 4; ++i)
        vVertices[i].m_vPosition = kCorner[i];
    const std::vector<SmoothFace> vFaces = {{0, 1, 2}, {0, 3, 1}};
    std::vector<Vector3d> vNormals(7); // emptied before it is filled
    SmoothNormals(vVertices, vFaces, vNormals);
    ASSERT_EQ(vNormals.size(), 6u);
    EXPECT_EQ(vNormals[0].y, 0.70710677f);
    EXPECT_EQ(vNormals[0].z, 0.70710677f);
    EXPECT_TRUE(std::signbit(vNormals[0].x));
    // Vertex 0 is corner 0 of both faces, vertex 1 corner 1 of face 0 and corner 2 of face 1.
    EXPECT_EQ(std::vector<uint32>(vVertices[0].m_lFaces.begin(), vVertices[0].m_lFaces.end()),
              (std::vector<uint32>{0, 1}));
    EXPECT_EQ(std::vector<uint32>(vVertices[1].m_lFaces.begin(), vVertices[1].m_lFaces.end()),
              (std::vector<uint32>{0, 1}));
}

TEST(FinishMesh, KeepsNormalsFromTheFile)
{
    CModelMesh* pMesh = MakeMesh(kCorner, {Tri(0, 1, 2)});
    const std::vector<Vector3d> vNormals = {{0, 0, 2}, {1, 2, 3}, {0, 0, 0}};
    pMesh->SetNormals(vNormals.data(), 3);
    EXPECT_EQ(CaptureOutput([&] { FinishMesh(pMesh); }), "Already has normals 3\n");
    EXPECT_EQ(VectorsText(pMesh->GetNormals(), 3),
              "0.000000 0.000000 2.000000\n1.000000 2.000000 3.000000\n"
              "0.000000 0.000000 0.000000\n");
    delete pMesh;
}

TEST(FinishMesh, LeavesMeshWithoutTriangles)
{
    CModelMesh* pMesh = MakeMesh(kCorner, {});
    EXPECT_EQ(CaptureOutput([&] { EXPECT_TRUE(FinishMesh(pMesh)); }), "");
    EXPECT_EQ(pMesh->GetNormalCount(), 0u);
    delete pMesh;
}

TEST(FinishMesh, RefusesIndexOutsideVertices)
{
    CModelMesh* pMesh = MakeMesh(kCorner, {Tri(0, 1, 4)});
    EXPECT_EQ(CaptureOutput([&] { EXPECT_FALSE(FinishMesh(pMesh)); }), "");
    EXPECT_EQ(pMesh->GetNormalCount(), 0u);
    delete pMesh;
}

} // namespace
