// The ASE mesh readers: which rows become vertices, triangles and normals,
// what is printed, and which meshes are skipped.
#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "converters/AseReader.h"
#include "tests/converters/ConverterTestUtil.h"

namespace
{

// "name V(x,y,z)... T(a,b,c)... N<count>" per mesh, meshes separated by " | ".
std::string DescribeModel(const CModel& model)
{
    std::string s;
    char sItem[96];
    for (uint32 m = 0; m < model.GetMeshCount(); ++m)
    {
        const CModelMesh* pMesh = model.GetMesh(m);
        s += (m ? " | " : "") + pMesh->GetName() + " V";
        for (uint32 i = 0; i < pMesh->GetVertexCount(); ++i)
        {
            const Vector3d& v = pMesh->GetVertices()[i];
            snprintf(sItem, sizeof(sItem), "(%g,%g,%g)", v.x, v.y, v.z);
            s += sItem;
        }
        s += " T";
        for (uint32 t = 0; t < pMesh->GetTriangleCount(); ++t)
        {
            const Index3& tri = pMesh->GetTriangles()[t];
            snprintf(sItem, sizeof(sItem), "(%d,%d,%d)", int(tri.a), int(tri.b), int(tri.c));
            s += sItem;
        }
        s += " N" + std::to_string(pMesh->GetNormalCount());
    }
    return s;
}

// A GEOMOBJECT named sName whose MESH block holds sMesh.
std::string Geom(const std::string& sName, const std::string& sMesh)
{
    return "*GEOMOBJECT {\n\t*NODE_NAME \"" + sName + "\"\n\t*MESH {\n" + sMesh + "\t}\n}\n";
}

const std::string kTriangleVertices =
    "*MESH_VERTEX_LIST {\n*MESH_VERTEX 0 0 0 0\n*MESH_VERTEX 1 1 0 0\n*MESH_VERTEX 2 0 1 0\n}\n";
const std::string kOneFace =
    "*MESH_FACE_LIST {\n*MESH_FACE 0: A: 0 B: 1 C: 2 AB: 1 BC: 1 CA: 0\n}\n";
const std::string kTriangleMesh =
    "*MESH_NUMVERTEX 3\n*MESH_NUMFACES 1\n" + kTriangleVertices + kOneFace;

struct AseCase
{
    const char* pName;
    std::string sText;
    bool bResult;
    std::string sOutput;
    std::string sModel;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const AseCase& c, std::ostream* pStream)
{
    *pStream << c.pName;
}

const AseCase kAseCases[] = {
    {"FaceRowCornersAreWords3And5And7",
     Geom("F", "*MESH_NUMVERTEX 4\n*MESH_NUMFACES 1\n*MESH_VERTEX_LIST {\n"
               "*MESH_VERTEX 0 0 0 0\n*MESH_VERTEX 1 1 0 0\n*MESH_VERTEX 2 0 1 0\n"
               "*MESH_VERTEX 3 0 0 1\n}\n*MESH_FACE_LIST {\n*MESH_FACE 0: A: 0 B: 2 C: 3 AB: 1 "
               "BC: 1 CA: 0\t *MESH_SMOOTHING 1 \t*MESH_MTLID 0\n}\n"),
     true, "ParseGeomObject\nMESH name=\"F\"\nComputing normals\n",
     "F V(0,0,0)(1,0,0)(0,1,0)(0,0,1) T(0,2,3) N3"},
    {"ShortAndNonNumberVertexRowsSkipped",
     Geom("S", "*MESH_NUMVERTEX 2\n*MESH_VERTEX_LIST {\n*MESH_VERTEX 0 1 2\n"
               "*MESH_VERTEX 0 x 1 2\n*MESH_VERTEX 0 4 5 6\n*MESH_VERTEX 1 7 8 9\n}\n"),
     true, "ParseGeomObject\nMESH name=\"S\"\n", "S V(4,5,6)(7,8,9) T N0"},
    {"RowsStoredInFileOrder",
     Geom("O", "*MESH_NUMVERTEX 3\n*MESH_VERTEX_LIST {\n*MESH_VERTEX 2 2 2 2\n"
               "*MESH_VERTEX 0 0 0 0\n*MESH_VERTEX 1 1 1 1\n}\n"),
     true, "ParseGeomObject\nMESH name=\"O\"\n", "O V(2,2,2)(0,0,0)(1,1,1) T N0"},
    {"SurplusRowsDropped",
     Geom("D", "*MESH_NUMVERTEX 2\n" + kTriangleVertices), true,
     "ParseGeomObject\nMESH name=\"D\"\n", "D V(0,0,0)(1,0,0) T N0"},
    {"MissingRowsAreZero",
     Geom("Z", "*MESH_NUMVERTEX 4\n" + kTriangleVertices), true,
     "ParseGeomObject\nMESH name=\"Z\"\n", "Z V(0,0,0)(1,0,0)(0,1,0)(0,0,0) T N0"},
    {"CountWithPointIsNoInteger",
     Geom("P", "*MESH_NUMVERTEX 8.0\n" + kTriangleVertices), true,
     "ParseGeomObject\nMESH name=\"P\"\n", "P V T N0"},
    {"SecondListReplacesFirst",
     Geom("R", "*MESH_NUMVERTEX 1\n*MESH_VERTEX_LIST {\n*MESH_VERTEX 0 1 1 1\n}\n"
               "*MESH_VERTEX_LIST {\n*MESH_VERTEX 0 2 2 2\n}\n"),
     true, "ParseGeomObject\nMESH name=\"R\"\n", "R V(2,2,2) T N0"},
    {"NegativeCountIsZero",
     Geom("N", "*MESH_NUMVERTEX -3\n" + kTriangleVertices), true,
     "ParseGeomObject\nMESH name=\"N\"\n", "N V T N0"},
    {"ValuesOnFollowingLineLost",
     Geom("L", "*MESH_NUMVERTEX 2\n*MESH_VERTEX_LIST {\n*MESH_VERTEX 0\n 1 2 3\n"
               "*MESH_VERTEX 1 4 5 6\n}\n"),
     true, "ParseGeomObject\nMESH name=\"L\"\n", "L V(4,5,6)(0,0,0) T N0"},
    {"NormalsFromTheFileKept",
     Geom("K", kTriangleMesh + "*MESH_NORMALS {\n*MESH_FACENORMAL 0 0 0 1\n"
                               "*MESH_VERTEXNORMAL 0 0 0 1\n*MESH_VERTEXNORMAL 1 0 1 0\n}\n"),
     true, "ParseGeomObject\nMESH name=\"K\"\nAlready has normals 3\n",
     "K V(0,0,0)(1,0,0)(0,1,0) T(0,1,2) N3"},
    {"NormalsWithoutFaceListDropped",
     Geom("W", "*MESH_NUMVERTEX 3\n*MESH_NUMFACES 1\n" + kTriangleVertices +
                   "*MESH_NORMALS {\n*MESH_FACENORMAL 0 0 0 1\n*MESH_VERTEXNORMAL 0 0 0 1\n}\n"),
     true, "ParseGeomObject\nMESH name=\"W\"\n", "W V(0,0,0)(1,0,0)(0,1,0) T N0"},
    {"FaceListWithZeroCountNotSet",
     Geom("E", "*MESH_NUMVERTEX 3\n*MESH_NUMFACES 0\n" + kTriangleVertices + kOneFace), true,
     "ParseGeomObject\nMESH name=\"E\"\n", "E V(0,0,0)(1,0,0)(0,1,0) T N0"},
    {"NoNodeName", "*GEOMOBJECT {\n*MESH {\n" + kTriangleMesh + "}\n}\n", true,
     "ParseGeomObject\nComputing normals\n", " V(0,0,0)(1,0,0)(0,1,0) T(0,1,2) N3"},
    {"NoMeshBlock", "*GEOMOBJECT {\n*NODE_NAME \"Helper\"\n}\n", true,
     "ParseGeomObject\nMESH name=\"Helper\"\n", "Helper V T N0"},
    {"OnlyFirstMeshBlockRead",
     "*GEOMOBJECT {\n*NODE_NAME \"Two\"\n*MESH {\n" + kTriangleMesh +
         "}\n*MESH {\n*MESH_NUMVERTEX 1\n*MESH_VERTEX_LIST {\n*MESH_VERTEX 0 9 9 9\n}\n}\n}\n",
     true, "ParseGeomObject\nMESH name=\"Two\"\nComputing normals\n",
     "Two V(0,0,0)(1,0,0)(0,1,0) T(0,1,2) N3"},
    {"StrayLetterEndsTheParse",
     "*GEOMOBJECT {\n*NODE_NAME \"A\"\n*MESH {\n}\nstray\n}\n" + Geom("B", kTriangleMesh), true,
     "ParseGeomObject\nMESH name=\"A\"\n", "A V T N0"},
    {"GroupedObjectsRead",
     "*GROUP \"G\" {\n" + Geom("InGroup", kTriangleMesh) + "}\n*HELPER {\n" + Geom("Hidden", "") +
         "}\n",
     true, "ParseGeomObject\nMESH name=\"InGroup\"\nComputing normals\n",
     "InGroup V(0,0,0)(1,0,0)(0,1,0) T(0,1,2) N3"},
    {"FaceIndexOutsideSkipsOnlyThatMesh",
     Geom("Bad", "*MESH_NUMVERTEX 2\n*MESH_NUMFACES 1\n" + kTriangleVertices + kOneFace) +
         Geom("Good", kTriangleMesh),
     true,
     "ParseGeomObject\nMESH name=\"Bad\"\n"
     "Skipping mesh \"Bad\": face 0 uses vertex 2, but there are 2 vertices\n"
     "ParseGeomObject\nMESH name=\"Good\"\nComputing normals\n",
     "Good V(0,0,0)(1,0,0)(0,1,0) T(0,1,2) N3"},
    {"NegativeFaceIndexSkipsMesh",
     Geom("Neg", "*MESH_NUMVERTEX 3\n*MESH_NUMFACES 1\n" + kTriangleVertices +
                     "*MESH_FACE_LIST {\n*MESH_FACE 0: A: 0 B: -1 C: 2\n}\n"),
     true,
     "ParseGeomObject\nMESH name=\"Neg\"\n"
     "Skipping mesh \"Neg\": face 0 uses vertex -1, but there are 3 vertices\n",
     ""},
    {"FacesWithoutVerticesSkipMesh", Geom("NoV", "*MESH_NUMFACES 1\n" + kOneFace), true,
     "ParseGeomObject\nMESH name=\"NoV\"\n"
     "Skipping mesh \"NoV\": face 0 uses vertex 0, but there are 0 vertices\n",
     ""},
    {"CountsTheFileCannotHoldSkipMesh",
     Geom("Huge", "*MESH_NUMVERTEX 99999999999\n*MESH_NUMFACES 1\n" + kTriangleVertices), true,
     "ParseGeomObject\nMESH name=\"Huge\"\n"
     "Skipping mesh \"Huge\": the file is too short for 2147483647 vertices and 1 faces\n",
     ""},
    {"CoordinateBeyondFloatSkipsMesh",
     Geom("Far", "*MESH_NUMVERTEX 1\n*MESH_VERTEX_LIST {\n*MESH_VERTEX 0 1e39 0 0\n}\n"), true,
     "ParseGeomObject\nMESH name=\"Far\"\n"
     "Skipping mesh \"Far\": vertex 0 lies beyond the float range\n",
     ""},
    {"NormalSlotsOutsideDropped",
     Geom("Slots", kTriangleMesh + "*MESH_NORMALS {\n*MESH_FACENORMAL -1 0 0 1\n"
                                   "*MESH_VERTEXNORMAL 0 5 5 5\n*MESH_FACENORMAL 1 0 0 1\n"
                                   "*MESH_VERTEXNORMAL 0 6 6 6\n*MESH_FACENORMAL 0 0 0 1\n"
                                   "*MESH_VERTEXNORMAL 0 1 2 3\n}\n"),
     true, "ParseGeomObject\nMESH name=\"Slots\"\nAlready has normals 3\n",
     "Slots V(0,0,0)(1,0,0)(0,1,0) T(0,1,2) N3"},
    {"NotAnAseFile", "solid cube\nfacet normal 0 0 1\n", true, "", ""},
    {"EmptyText", "", true, "", ""},
};

class AseReaderTest : public testing::TestWithParam<AseCase>
{
};

TEST_P(AseReaderTest, ReadsModel)
{
    CFileBuffer buffer;
    LoadTextBuffer(buffer, GetParam().sText);
    CModel model;
    bool bResult = false;
    EXPECT_EQ(CaptureOutput([&] { bResult = ReadAse(&buffer, &model); }), GetParam().sOutput);
    EXPECT_EQ(bResult, GetParam().bResult);
    EXPECT_EQ(DescribeModel(model), GetParam().sModel);
}

INSTANTIATE_TEST_SUITE_P(Texts, AseReaderTest, testing::ValuesIn(kAseCases),
                         [](const testing::TestParamInfo<AseCase>& info) {
                             return std::string(info.param.pName);
                         });

TEST(AseReader, BlocksNestedTooDeepGiveNoTree)
{
    std::string sText;
    for (int i = 0; i <= MAX_ASE_DEPTH; ++i)
        sText += "*L {\n";
    sText += Geom("Late", kTriangleMesh);
    CFileBuffer buffer;
    LoadTextBuffer(buffer, sText);
    CModel model;
    bool bResult = true;
    EXPECT_EQ(CaptureOutput([&] { bResult = ReadAse(&buffer, &model); }),
              "Blocks are nested deeper than 64 levels\nno ase parsed\n");
    EXPECT_FALSE(bResult);
    EXPECT_EQ(model.GetMeshCount(), 0u);
}

// Each mesh claims the text its declared rows need: two meshes whose counts
// each fit the text, but not both together.
TEST(AseReader, MeshesShareTheTextBudget)
{
    const std::string sMesh = "*MESH_NUMVERTEX 1000\n";
    std::string sText = Geom("First", sMesh) + Geom("Second", sMesh);
    sText += "*PAD" + std::string(30000 - sText.size() - 5, ' ') + "\n";
    ASSERT_EQ(sText.size(), 30000u);
    CFileBuffer buffer;
    LoadTextBuffer(buffer, sText);
    CModel model;
    EXPECT_EQ(CaptureOutput([&] { ReadAse(&buffer, &model); }),
              "ParseGeomObject\nMESH name=\"First\"\nParseGeomObject\nMESH name=\"Second\"\n"
              "Skipping mesh \"Second\": the file is too short for 1000 vertices and 0 faces\n");
    ASSERT_EQ(model.GetMeshCount(), 1u);
    EXPECT_EQ(model.GetMesh(0)->GetName(), "First");
}

TEST(AseReader, FileNormalsWrittenCornerByCorner)
{
    CFileBuffer buffer;
    LoadTextBuffer(buffer, Geom("K", kTriangleMesh + "*MESH_NORMALS {\n*MESH_FACENORMAL 0 0 0 1\n"
                                                     "*MESH_VERTEXNORMAL 0 0.5 0 1\n"
                                                     "*MESH_VERTEXNORMAL 1 0 -1 0\n}\n"));
    CModel model;
    CaptureOutput([&] { ReadAse(&buffer, &model); });
    ASSERT_EQ(model.GetMeshCount(), 1u);
    EXPECT_EQ(VectorsText(model.GetMesh(0)->GetNormals(), 3),
              "0.500000 0.000000 1.000000\n0.000000 -1.000000 0.000000\n"
              "0.000000 0.000000 0.000000\n");
}

} // namespace
