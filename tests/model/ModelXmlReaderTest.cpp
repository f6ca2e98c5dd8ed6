// Tests of the XML model reader: the tolerant reading of lists and attributes,
// numbers joined within a line, refusals with their messages, writer-to-reader
// round trips, and the mesh checks offered to the model's users.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <vector>

#include "model/ModelFile.h"
#include "ModelTestFiles.h"

namespace
{

const char* const DECLARATION = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n";

std::string Document(const std::string& sMeshes)
{
    return std::string(DECLARATION) + "<VORL version=\"0.1\">\n<MODEL name=\"\">\n" + sMeshes +
           "</MODEL>\n</VORL>\n";
}

std::string List(const char* sElement, const char* sAttributes, const std::string& sLines)
{
    return std::string("<") + sElement + sAttributes + ">\n" + sLines + "</" + sElement + ">\n";
}

std::string Vertices(const std::string& sCount, const std::string& sLines)
{
    return List("VECTOR3D", (" name=\"VERTICES\" count=\"" + sCount + "\"").c_str(), sLines);
}

const std::string THREE_VERTICES = Vertices("3", "0 0 0\n1 0 0\n0 1 0\n");
const std::string ONE_VERTEX = Vertices("1", "7 8 9\n");

// "name:vertices/normals/triangles" per mesh, separated by blanks.
std::string Describe(const CModel& model)
{
    std::string sText;
    for (uint32 i = 0; i < model.GetMeshCount(); ++i)
    {
        const CModelMesh* pMesh = model.GetMesh(i);
        if (i > 0)
            sText += ' ';
        sText += pMesh->GetName() + ":" + std::to_string(pMesh->GetVertexCount()) + "/" +
                 std::to_string(pMesh->GetNormalCount()) + "/" +
                 std::to_string(pMesh->GetTriangleCount());
    }
    return sText;
}

struct LoadResult
{
    bool bLoaded;
    std::string sModel;   // Describe() of what was read
    std::string sErrors;  // standard error output
};

LoadResult LoadText(const std::string& sText, CModel* pModel)
{
    const std::string sPath = WriteTempFile("model.xml", sText);
    testing::internal::CaptureStderr();
    const bool bLoaded = LoadModelXml(sPath, pModel);
    const std::string sErrors = testing::internal::GetCapturedStderr();
    return {bLoaded, Describe(*pModel), sErrors};
}

struct DocumentCase
{
    const char* sName;
    std::string sText;
    bool bLoaded;
    const char* sModel;
    const char* sErrors;
};

const DocumentCase DOCUMENT_CASES[] = {
    {"written layout", ReadWholeFile(DataPath("tri.xml")), true, "tri:3/3/1", ""},
    {"any root and version, mesh directly under the root",
     std::string(DECLARATION) + "<ROOT version=\"9.9\">\n<MESH name=\"m\">\n" + THREE_VERTICES +
         "</MESH>\n</ROOT>\n",
     true, "m:3/0/0", ""},
    {"lower-case mesh: its lists go to the previous mesh",
     Document("<MESH name=\"a\">\n" + THREE_VERTICES + "</MESH>\n<mesh name=\"b\">\n" + ONE_VERTEX +
              "</mesh>\n"),
     true, "a:1/0/0", ""},
    {"lower-case mesh before any mesh: its lists go nowhere",
     Document("<mesh name=\"b\">\n" + ONE_VERTEX + "</mesh>\n"), true, "", ""},
    {"count 2 with five numbers", Document("<MESH>\n" + Vertices("2", "1 2 3\n4 5\n") + "</MESH>\n"),
     true, ":0/0/0", ""},
    {"count 2 with six numbers", Document("<MESH>\n" + Vertices("2", "1 2 3\n4 5 6\n") + "</MESH>\n"),
     true, ":2/0/0", ""},
    {"count 2 with nine numbers",
     Document("<MESH>\n" + Vertices("2", "1 2 3\n4 5 6\n7 8 9\n") + "</MESH>\n"), true, ":0/0/0", ""},
    {"empty lists are dropped, the mesh is kept",
     Document("<MESH name=\"e\">\n" + Vertices("0", "") +
              List("VECTOR3D", " name=\"NORMALS\" count=\"0\"", "") +
              List("INDEX3", " name=\"TRIANGLES\" count=\"0\"", "") + "</MESH>\n"),
     true, "e:0/0/0", ""},
    {"unknown list names are dropped",
     Document("<MESH>\n" + List("VECTOR3D", " name=\"COLORS\" count=\"1\"", "1 1 1\n") +
              List("INDEX3", " name=\"triangles\" count=\"1\"", "0 0 0\n") + "</MESH>\n"),
     true, ":0/0/0", ""},
    {"a second vertex list replaces the first",
     Document("<MESH>\n" + THREE_VERTICES + ONE_VERTEX + "</MESH>\n"), true, ":1/0/0", ""},
    {"missing count: the first list has none, later ones take the previous",
     Document("<MESH>\n" + List("VECTOR3D", " name=\"VERTICES\"", "1 2 3\n") + "</MESH>\n<MESH>\n" +
              List("VECTOR3D", " name=\"NORMALS\" count=\"1\"", "1 2 3\n") +
              List("VECTOR3D", " name=\"VERTICES\"", "1 2 3\n") + "</MESH>\n"),
     true, ":0/0/0 :1/1/0", ""},
    {"missing name takes the previous list's name",
     Document("<MESH>\n" + List("VECTOR3D", " name=\"NORMALS\" count=\"1\"", "1 2 3\n") +
              List("VECTOR3D", " count=\"2\"", "1 2 3\n4 5 6\n") +
              List("INDEX3", " name=\"TRIANGLES\" count=\"1\"", "0 0 0\n") +
              List("INDEX3", " count=\"2\"", "0 0 0\n1 1 1\n") + "</MESH>\n"),
     true, ":0/2/2", ""},
    {"count is read like atoi",
     Document("<MESH>\n" + Vertices(" 1.7", "1 2 3\n") + List("VECTOR3D", " name=\"NORMALS\" count=\"abc\"", "") +
              "</MESH>\n"),
     true, ":1/0/0", ""},
    // atoi would wrap 4294967297 to 1 on common platforms and accept the list.
    {"counts beyond 32 bits never match",
     Document("<MESH>\n" + Vertices("4294967297", "1 2 3\n") +
              List("VECTOR3D", " name=\"NORMALS\" count=\"99999999999999999999\"", "1 2 3\n") +
              "</MESH>\n"),
     true, ":0/0/0", ""},
    {"a list after its mesh's end still goes to that mesh",
     Document("<MESH name=\"a\">\n" + THREE_VERTICES + "</MESH>\n" + ONE_VERTEX), true, "a:1/0/0", ""},
    {"lists before the first mesh go nowhere", Document(ONE_VERTEX + "<MESH/>\n"), true, ":0/0/0", ""},
    {"text and unknown elements outside lists are ignored",
     Document("hello\n<MESH name=\"m\">\n<COLOR>1 2 3</COLOR>\n" + ONE_VERTEX + "junk</MESH>\n"), true,
     "m:1/0/0", ""},
    {"a file ending inside a mesh keeps only the closed meshes",
     std::string(DECLARATION) + "<VORL>\n<MESH name=\"a\">\n</MESH>\n<MESH name=\"b\">\n" + THREE_VERTICES,
     false, "a:0/0/0", "no element found at line 11\n"},
    {"empty file", "", false, "", "no element found at line 1\n"},
    {"mismatched tag", Document("<MESH>\n</VECTOR3D>\n"), false, "", "mismatched tag at line 5\n"},
    {"a mesh inside a mesh fails the load and adds neither",
     Document("<MESH name=\"a\">\n</MESH>\n<MESH name=\"outer\">\n" + THREE_VERTICES +
              "<MESH name=\"inner\">\n</MESH>\n</MESH>\n"),
     false, "a:0/0/0", "MESH element inside a MESH element at line 12\n"},
    {"a mesh inside a list inside a mesh",
     Document("<MESH>\n<VECTOR3D>\n<MESH/>\n</VECTOR3D>\n</MESH>\n"), false, "",
     "MESH element inside a MESH element at line 6\n"},
};

TEST(LoadModelXml, DocumentsReadAsExpected)
{
    for (const DocumentCase& test : DOCUMENT_CASES)
    {
        SCOPED_TRACE(test.sName);
        CModel model;
        const LoadResult result = LoadText(test.sText, &model);
        EXPECT_EQ(test.bLoaded, result.bLoaded);
        EXPECT_EQ(test.sModel, result.sModel);
        EXPECT_EQ(test.sErrors, result.sErrors);
    }
}

TEST(LoadModelXml, FilesOfTheDataFolder)
{
    const struct
    {
        const char* sFile;
        bool bLoaded;
        const char* sErrors;
    } cases[] = {
        {"tri.xml", true, ""},
        {"no-such-file.xml", false, ""},
        {"empty.xml", false, "no element found at line 1\n"},
        {"ends-inside-mesh.xml", false, "no element found at line 9\n"},
        {"mesh-inside-mesh.xml", false, "MESH element inside a MESH element at line 5\n"},
        {"lists-nested-too-deeply.xml", false,
         "MESH, VECTOR3D and INDEX3 elements nested too deeply at line 34\n"},
    };
    for (const auto& test : cases)
    {
        SCOPED_TRACE(test.sFile);
        CModel model;
        testing::internal::CaptureStderr();
        EXPECT_EQ(test.bLoaded, LoadModelXml(DataPath(test.sFile), &model));
        EXPECT_EQ(test.sErrors, testing::internal::GetCapturedStderr());
        EXPECT_EQ(test.bLoaded ? 1u : 0u, model.GetMeshCount());
    }
}

TEST(LoadModelXml, ThirtyOneOpenElementsAreStillRead)
{
    std::string sText = std::string(DECLARATION) + "<VORL>\n<MESH>\n";
    for (int i = 0; i < 30; ++i)
        sText += "<INDEX3>\n";
    for (int i = 0; i < 30; ++i)
        sText += "</INDEX3>\n";
    CModel model;
    EXPECT_TRUE(LoadText(sText + "</MESH>\n</VORL>\n", &model).bLoaded);
    EXPECT_EQ(1u, model.GetMeshCount());
}

TEST(LoadModelXml, EntityExpansionBombIsRefusedQuickly)
{
    const auto start = std::chrono::steady_clock::now();
    CModel model;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(LoadModelXml(DataPath("entity-expansion-bomb.xml"), &model));
    const std::string sErrors = testing::internal::GetCapturedStderr();
    EXPECT_NE(std::string::npos, sErrors.find("amplification")) << sErrors;
    EXPECT_EQ(0u, model.GetMeshCount());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

struct VertexCase
{
    const char* sName;
    std::string sListText;  // the character data of a VERTICES list of count 1
    Vector3d vVertex;       // (99, 99, 99): the list is dropped
};

const Vector3d DROPPED(99, 99, 99);

const VertexCase VERTEX_CASES[] = {
    {"one line", "1.5 -2 3e0\n", {1.5f, -2, 3}},  // 3e0 reads as 3, then e0 ends the line
    {"numbers spread over lines", "1\n2 3\n", {1, 2, 3}},
    {"a word ends its line only", "1 x 9\n2 3\n", {1, 2, 3}},
    {"blanks and tabs", " \t 1\t2  3 \t\n", {1, 2, 3}},
    {"character reference inside a number", "1&#46;5 2 3\n", {1.5f, 2, 3}},
    {"character reference for a digit", "1&#51; 2 3\n", {13, 2, 3}},
    {"entity reference inside a number", "1&amp;5 2 3\n", DROPPED},
    {"CDATA section joins its line", "<![CDATA[1.]]>25 2 3\n", {1.25f, 2, 3}},
    {"CR LF line ends", "1 2\r\n3\r\n", {1, 2, 3}},
    {"lone CR line ends", "1\r2\r3\r", {1, 2, 3}},
    {"character reference for a CR ends a line", "1&#13;2&#10;3", {1, 2, 3}},
    {"no line end before the end tag", "1 2 3", {1, 2, 3}},
    {"markup separates numbers", "1<b/>2<b>3</b>", {1, 2, 3}},
    {"comment is not markup for numbers", "1<!-- c -->2 3 4", {12, 3, 4}},
    {"suffix f", "1.5f 2.f 3\n", {1.5f, 2, 3}},
    {"plus sign ends the line", "1 2 +3\n", DROPPED},
    {"hexadecimal ends the line", "1 2 0x3\n", DROPPED},
};

TEST(LoadModelXml, NumbersOfALineAreJoinedBeforeReading)
{
    for (const VertexCase& test : VERTEX_CASES)
    {
        SCOPED_TRACE(test.sName);
        CModel model;
        const LoadResult result =
            LoadText(Document("<MESH>\n" + Vertices("1", "99 99 99\n") + "<VECTOR3D count=\"1\">" +
                              test.sListText + "</VECTOR3D>\n</MESH>\n"),
                     &model);
        ASSERT_TRUE(result.bLoaded) << result.sErrors;
        const Vector3d& v = model.GetMesh(0)->GetVertices()[0];
        EXPECT_EQ(test.vVertex.x, v.x);
        EXPECT_EQ(test.vVertex.y, v.y);
        EXPECT_EQ(test.vVertex.z, v.z);
    }
}

struct NameCase
{
    const char* sName;
    const char* sWritten;  // attribute value in the file
    const char* sRead;
};

TEST(LoadModelXml, MeshNames)
{
    const NameCase cases[] = {
        {"no name attribute", nullptr, ""},
        {"entity reference", "a&amp;b", "a&b"},
        {"ISO-8859-1 byte", "caf\xE9", "caf\xC3\xA9"},
        {"character reference", "&#65;&#x42;", "AB"},
    };
    for (const NameCase& test : cases)
    {
        SCOPED_TRACE(test.sName);
        const std::string sStart =
            test.sWritten ? std::string("<MESH name=\"") + test.sWritten + "\">\n" : "<MESH>\n";
        CModel model;
        ASSERT_TRUE(LoadText(Document(sStart + "</MESH>\n"), &model).bLoaded);
        EXPECT_EQ(test.sRead, model.GetMesh(0)->GetName());
    }
}

TEST(LoadModelXml, IndicesKeepTheirSignedValue)
{
    CModel model;
    ASSERT_TRUE(LoadText(Document("<MESH>\n" +
                                  List("INDEX3", " name=\"TRIANGLES\" count=\"2\"",
                                       "-3 0 4294967297\n3.0 7 7\n1 2\n3\n") +
                                  "</MESH>\n"),
                         &model)
                    .bLoaded);
    ASSERT_EQ(2u, model.GetMesh(0)->GetTriangleCount());
    const Index3* pTriangles = model.GetMesh(0)->GetTriangles();
    EXPECT_EQ(uint32(-3), pTriangles[0].a);
    EXPECT_EQ(1u, pTriangles[0].c);  // digits wrap modulo 2^32
    EXPECT_EQ(1u, pTriangles[1].a);  // the line 3.0 7 7 gave nothing
    EXPECT_EQ(3u, pTriangles[1].c);
    EXPECT_NE("", FindModelFault(&model));
}

TEST(LoadModelXml, AppendsAfterTheMeshesTheModelHolds)
{
    CModel model;
    model.AddMesh(new CModelMesh);
    ASSERT_TRUE(LoadModelXml(DataPath("tri.xml"), &model));
    EXPECT_EQ(":0/0/0 tri:3/3/1", Describe(model));
}

// Numbers as the reader sees them: every value ReadNextFloat gives for a line.
std::vector<float> ReadFloats(const std::string& sLine)
{
    std::vector<float> vValues;
    sint32 iPos = 0;
    float fValue;
    while (iPos < sint32(sLine.size()) && ReadNextFloat(sLine.data(), sint32(sLine.size()), &iPos, &fValue))
        vValues.push_back(fValue);
    return vValues;
}

TEST(ReadNextFloat, TokenClasses)
{
    const std::string s64 = "1." + std::string(62, '0');
    const struct
    {
        std::string sLine;
        std::vector<float> vValues;
    } cases[] = {
        {"1.0 2.0 x 3.0", {1, 2}},
        {"1e5", {1}},
        {"1.5e5 2.5E-1", {150000, 0.25f}},
        {"5. .5", {5, 0.5f}},
        {"1.5f", {1.5f}},
        {"+1", {}},
        {"0x10", {}},
        {"--2.5", {0}},
        {"-7", {-7}},
        {"1\n2", {1}},
        {s64, {1}},
        {s64 + "0", {}},
        {"", {}},
    };
    for (const auto& test : cases)
        EXPECT_EQ(test.vValues, ReadFloats(test.sLine)) << test.sLine;
}

// A model of several meshes, with names that need escaping and values that the
// six-decimal text does not hold exactly.
void BuildRoundTripModel(CModel* pModel)
{
    const char* const names[] = {"plain", "a&b <c> \"d\"", ""};
    for (int m = 0; m < 3; ++m)
    {
        CModelMesh* pMesh = new CModelMesh;
        pMesh->SetName(names[m]);
        if (m < 2)
        {
            const uint32 nVertices = 4 + m;
            std::vector<Vector3d> vVertices;
            for (uint32 i = 0; i < nVertices; ++i)
                vVertices.push_back(Vector3d(0.1f * i, -1.0f / 3 * m, 12345.678f + i));
            std::vector<Index3> vTriangles;
            std::vector<Vector3d> vNormals;
            for (uint32 t = 0; t + 2 < nVertices; ++t)
            {
                vTriangles.push_back({t, t + 1, t + 2});
                for (int k = 0; k < 3; ++k)
                    vNormals.push_back(Vector3d(0, 0.6f, -0.8f * k));
            }
            pMesh->SetVertices(vVertices.data(), nVertices);
            pMesh->SetTriangles(vTriangles.data(), uint32(vTriangles.size()));
            if (m == 0)
                pMesh->SetNormals(vNormals.data(), uint32(vNormals.size()));
        }
        pModel->AddMesh(pMesh);
    }
}

float ThroughText(float fValue)
{
    return float(atof(FloatToString(fValue).c_str()));
}

void ExpectSameArray(const Vector3d* pWritten, const Vector3d* pRead, uint32 nCount)
{
    for (uint32 i = 0; i < nCount; ++i)
    {
        EXPECT_EQ(ThroughText(pWritten[i].x), pRead[i].x);
        EXPECT_EQ(ThroughText(pWritten[i].y), pRead[i].y);
        EXPECT_EQ(ThroughText(pWritten[i].z), pRead[i].z);
    }
}

TEST(ModelXmlRoundTrip, SeveralMeshesReadBackAsWritten)
{
    CModel written;
    BuildRoundTripModel(&written);
    const std::string sPath = TempPath("round-trip.xml");
    ASSERT_TRUE(SaveModelXml(sPath, &written));
    CModel read;
    ASSERT_TRUE(LoadModel(sPath, &read));
    EXPECT_EQ(Describe(written), Describe(read));
    for (uint32 m = 0; m < read.GetMeshCount(); ++m)
    {
        const CModelMesh* pWritten = written.GetMesh(m);
        const CModelMesh* pRead = read.GetMesh(m);
        EXPECT_EQ(pWritten->GetName(), pRead->GetName());
        ExpectSameArray(pWritten->GetVertices(), pRead->GetVertices(), pRead->GetVertexCount());
        ExpectSameArray(pWritten->GetNormals(), pRead->GetNormals(), pRead->GetNormalCount());
        for (uint32 t = 0; t < pRead->GetTriangleCount(); ++t)
            for (int k = 0; k < 3; ++k)
                EXPECT_EQ(pWritten->GetTriangles()[t][k], pRead->GetTriangles()[t][k]);
    }
}

struct FaultCase
{
    const char* sName;
    uint32 nVertices;
    std::vector<Index3> vTriangles;
    uint32 nNormals;
    const char* sFault;
};

TEST(FindMeshFault, DescribesTheFirstFault)
{
    const FaultCase cases[] = {
        {"empty mesh", 0, {}, 0, ""},
        {"sound mesh", 3, {{0, 1, 2}}, 3, ""},
        {"vertices only", 3, {}, 0, ""},
        {"triangles without vertices", 0, {{0, 0, 0}}, 3, "the mesh has triangles but no vertices"},
        {"index equal to the vertex count", 3, {{0, 1, 2}, {2, 3, 0}}, 6,
         "triangle 1 uses vertex 3, but the mesh has 3 vertices"},
        {"negative index", 3, {{0, uint32(-3), 2}}, 3,
         "triangle 0 uses vertex -3, but the mesh has 3 vertices"},
        {"no normals", 3, {{0, 1, 2}}, 0,
         "the mesh has 0 normals for 1 triangles, not one per triangle corner"},
        // A mesh without triangles renders nothing, whatever else it holds.
        {"normals without triangles", 3, {}, 2, ""},
    };
    for (const FaultCase& test : cases)
    {
        SCOPED_TRACE(test.sName);
        CModelMesh* pMesh = new CModelMesh;
        pMesh->SetName("m");
        const std::vector<Vector3d> vVectors(6);
        if (test.nVertices > 0)
            pMesh->SetVertices(vVectors.data(), test.nVertices);
        if (test.nNormals > 0)
            pMesh->SetNormals(vVectors.data(), test.nNormals);
        if (!test.vTriangles.empty())
            pMesh->SetTriangles(test.vTriangles.data(), uint32(test.vTriangles.size()));
        EXPECT_EQ(test.sFault, FindMeshFault(pMesh));
        CModel model;
        model.AddMesh(new CModelMesh);
        model.AddMesh(pMesh);
        const std::string sModelFault = FindModelFault(&model);
        EXPECT_EQ(*test.sFault ? std::string("Mesh 1 (\"m\"): ") + test.sFault : "", sModelFault);
    }
}

} // namespace
