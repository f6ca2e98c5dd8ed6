// The PLY reader: which rows become vertices and triangles (polygons as fans),
// which are skipped, and each refusal with its message.
#include <string>

#include <gtest/gtest.h>

#include "converters/PlyReader.h"
#include "tests/converters/ConverterTestUtil.h"

namespace
{

// A header declaring nVertices and nFaces, then the data rows.
std::string Ply(const std::string& sVertices, const std::string& sFaces, const std::string& sRows)
{
    return "ply\nformat ascii 1.0\nelement vertex " + sVertices +
           "\nproperty float x\nproperty float y\nproperty float z\nelement face " + sFaces +
           "\nproperty list uchar int vertex_indices\nend_header\n" + sRows;
}

const std::string kTriangleRows = "0 0 0\n1 0 0\n0 1 0\n";

struct PlyCase
{
    const char* pName;
    std::string sText;
    std::string sOutput;  // after a refusal: the message
    std::string sVertices; // "%f %f %f" lines; empty after a refusal
    std::string sTriangles;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const PlyCase& c, std::ostream* pStream)
{
    *pStream << c.pName;
}

const char* const kComputing = "Computing normals\n";
const std::string kTriangleVertices =
    "0.000000 0.000000 0.000000\n1.000000 0.000000 0.000000\n0.000000 1.000000 0.000000\n";

const PlyCase kPlyCases[] = {
    {"OneTriangle", Ply("3", "1", kTriangleRows + "3 0 1 2\n"), kComputing, kTriangleVertices,
     "0 1 2\n"},
    {"LastLineWithoutLineFeed", Ply("3", "1", kTriangleRows + "3 0 1 2"), kComputing,
     kTriangleVertices, "0 1 2\n"},
    {"CrLfLineEnds",
     "ply\r\nformat ascii 1.0\r\nelement vertex 3\r\nelement face 1\r\nend_header\r\n"
     "0 0 0\r\n1 0 0\r\n0 1 0\r\n3 0 1 2\r\n",
     kComputing, kTriangleVertices, "0 1 2\n"},
    {"ExtraVertexWordsIgnored", Ply("1", "1", "1 2 3 0.5 0.5 0.5\n3 0 0 0\n"), kComputing,
     "1.000000 2.000000 3.000000\n", "0 0 0\n"},
    {"NegativeAndExponentCoordinates", Ply("1", "1", "-1.5 2e3 0\n3 0 0 0\n"), kComputing,
     "-1.500000 2000.000000 0.000000\n", "0 0 0\n"},
    {"PlusSignRowSkipped", Ply("1", "1", "+1 0 0\n5 6 7\n3 0 0 0\n"), kComputing,
     "5.000000 6.000000 7.000000\n", "0 0 0\n"},
    {"FaceRowWithRealSkipped", Ply("3", "1", kTriangleRows + "3 0 1 2.0\n3 2 1 0\n"), kComputing,
     kTriangleVertices, "2 1 0\n"},
    {"QuadFannedIntoTwo", Ply("4", "1", kTriangleRows + "1 1 0\n4 0 1 3 2\n"), kComputing,
     kTriangleVertices + "1.000000 1.000000 0.000000\n", "0 1 3\n0 3 2\n"},
    {"PentagonFannedIntoThree",
     Ply("5", "1", kTriangleRows + "1 1 0\n2 2 0\n5 0 1 4 3 2 7 7\n"), kComputing,
     kTriangleVertices + "1.000000 1.000000 0.000000\n2.000000 2.000000 0.000000\n",
     "0 1 4\n0 4 3\n0 3 2\n"},
    {"CornerCountAboveWordsGivesFirstTriangle", Ply("3", "1", kTriangleRows + "4 0 1 2\n"),
     kComputing, kTriangleVertices, "0 1 2\n"},
    {"NonIntegerPolygonCornerGivesFirstTriangle",
     Ply("3", "1", kTriangleRows + "4 0 1 2 x\n"), kComputing, kTriangleVertices, "0 1 2\n"},
    {"SurplusFaceRowsDropped", Ply("3", "1", kTriangleRows + "3 0 1 2\n3 9 9 9\n"), kComputing,
     kTriangleVertices, "0 1 2\n"},
    {"CommentsAmongRowsSkipped",
     Ply("3", "1", "0 0 0\ncomment a b c\n1 0 0\n0 1 0\ncomment this face\n3 0 1 2\n"),
     kComputing, kTriangleVertices, "0 1 2\n"},
    {"HeaderNeedNotStartWithPly",
     "element vertex 3\nelement face 1\nend_header\n" + kTriangleRows + "3 0 1 2\n", kComputing,
     kTriangleVertices, "0 1 2\n"},
    {"LaterElementLineReplacesCount",
     "element vertex 9\nelement vertex 3\nelement face 1\nend_header\n" + kTriangleRows +
         "3 0 1 2\n",
     kComputing, kTriangleVertices, "0 1 2\n"},
    {"CapitalElementIgnored", "Element vertex 3\nelement face 1\nend_header\n" + kTriangleRows,
     "No faces or vertices\n", "", ""},
    {"NoFaces", Ply("3", "0", kTriangleRows), "No faces or vertices\n", "", ""},
    {"EndHeaderMissing", "ply\nformat ascii 1.0\nelement vertex 3\n" + kTriangleRows,
     "No end_header line\n", "", ""},
    {"BinaryFormat",
     "ply\nformat binary_little_endian 1.0\nelement vertex 3\nelement face 1\nend_header\n",
     "Line 2: the format is \"binary_little_endian\", but only ascii PLY files can be read\n", "",
     ""},
    {"FormatWithoutName", "ply\nformat\n",
     "Line 2: the format is \"\", but only ascii PLY files can be read\n", "", ""},
    {"NegativeCount", Ply("-3", "1", kTriangleRows + "3 0 1 2\n"),
     "Line 3: the vertex count -3 is negative\n", "", ""},
    {"CountsTheFileCannotHold", Ply("3", "4000000000", kTriangleRows + "3 0 1 2\n"),
     "The header declares 3 vertices and 2147483647 faces, more than the file holds\n", "", ""},
    {"VertexRowsMissing", Ply("4", "1", kTriangleRows + "comment no fourth vertex row\n"),
     "The file ends after 3 of 4 vertex rows\n", "", ""},
    {"FaceRowsMissing",
     Ply("3", "2", kTriangleRows + "3 0 1 2\ncomment no second face row\n"),
     "The file ends after 1 of 2 face rows\n", "", ""},
    {"FaceIndexAtVertexCount", Ply("3", "1", kTriangleRows + "3 0 1 3\n"),
     "Line 13: vertex index 3 is outside 0 to 2\n", "", ""},
    {"NegativeFaceIndex", Ply("3", "1", kTriangleRows + "3 0 -1 2\n"),
     "Line 13: vertex index -1 is outside 0 to 2\n", "", ""},
    {"FanCornerOutside", Ply("3", "1", kTriangleRows + "4 0 1 2 7\n"),
     "Line 13: vertex index 7 is outside 0 to 2\n", "", ""},
    {"CoordinateBeyondFloat", Ply("3", "1", "0 0 0\n1e39 0 0\n0 1 0\n3 0 1 2\n"),
     "Line 11: a coordinate lies beyond the float range\n", "", ""},
    // "1e999" scans as the integer 1, which atof reads as infinity.
    {"ExponentWithoutPointBeyondFloat", Ply("3", "1", "0 0 0\n1e999 0 0\n0 1 0\n3 0 1 2\n"),
     "Line 11: a coordinate lies beyond the float range\n", "", ""},
};

class PlyReaderTest : public testing::TestWithParam<PlyCase>
{
};

TEST_P(PlyReaderTest, ReadsOrRefuses)
{
    CFileBuffer buffer;
    LoadTextBuffer(buffer, GetParam().sText);
    CModel model;
    bool bResult = false;
    EXPECT_EQ(CaptureOutput([&] { bResult = ReadPly(buffer, model); }), GetParam().sOutput);
    const bool bRefused = GetParam().sVertices.empty();
    EXPECT_EQ(bResult, !bRefused);
    if (bRefused)
    {
        EXPECT_EQ(model.GetMeshCount(), 0u);
        return;
    }
    ASSERT_EQ(model.GetMeshCount(), 1u);
    const CModelMesh* pMesh = model.GetMesh(0);
    EXPECT_EQ(pMesh->GetName(), "");
    EXPECT_EQ(VectorsText(pMesh->GetVertices(), pMesh->GetVertexCount()), GetParam().sVertices);
    EXPECT_EQ(TrianglesText(pMesh), GetParam().sTriangles);
    EXPECT_EQ(pMesh->GetNormalCount(), 3 * pMesh->GetTriangleCount());
}

INSTANTIATE_TEST_SUITE_P(Texts, PlyReaderTest, testing::ValuesIn(kPlyCases),
                         [](const testing::TestParamInfo<PlyCase>& info) {
                             return std::string(info.param.pName);
                         });

TEST(PlyReader, EmptyFileRefused)
{
    CFileBuffer buffer;
    LoadTextBuffer(buffer, "");
    CModel model;
    bool bResult = true;
    EXPECT_EQ(CaptureOutput([&] { bResult = ReadPly(buffer, model); }), "The file is empty\n");
    EXPECT_FALSE(bResult);
    EXPECT_EQ(model.GetMeshCount(), 0u);
}

} // namespace
