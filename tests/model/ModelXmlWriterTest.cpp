// Tests of the XML model writer: the exact layout, number formatting, escaped
// names, and the file handling of SaveModelXml.

#include <gtest/gtest.h>

#include <filesystem>

#include "model/ModelFile.h"
#include "ModelTestFiles.h"

namespace
{

CModelMesh* MakeTriangleMesh()
{
    const Vector3d vertices[3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    const Vector3d normals[3] = {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}};
    const Index3 triangles[1] = {{0, 1, 2}};
    CModelMesh* pMesh = new CModelMesh;
    pMesh->SetName("tri");
    pMesh->SetVertices(vertices, 3);
    pMesh->SetNormals(normals, 3);
    pMesh->SetTriangles(triangles, 1);
    return pMesh;
}

std::string Write(const CModel& model)
{
    std::string sText;
    WriteXmlHeader(sText);
    WriteRoot(sText, &model);
    return sText;
}

TEST(SaveModelXml, WritesTheTriangleExampleByteForByte)
{
    CModel model;
    model.AddMesh(MakeTriangleMesh());
    const std::string sPath = TempPath("tri.xml");
    ASSERT_TRUE(SaveModelXml(sPath, &model));
    EXPECT_EQ(ReadWholeFile(DataPath("tri.xml")), ReadWholeFile(sPath));
}

TEST(SaveModelXml, ModelWithoutMeshesHasFiveLines)
{
    CModel model;
    EXPECT_EQ("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
              "<VORL version=\"0.1\">\n"
              "<MODEL name=\"\">\n"
              "</MODEL>\n"
              "</VORL>\n",
              Write(model));
}

TEST(SaveModelXml, EmptyListsHaveCountZeroAndNoLines)
{
    CModel model;
    model.AddMesh(new CModelMesh);
    const std::string sText = Write(model);
    EXPECT_NE(std::string::npos, sText.find("<MESH name=\"\">\n"
                                            "<VECTOR3D name=\"VERTICES\" count=\"0\">\n"
                                            "</VECTOR3D>\n"
                                            "<VECTOR3D name=\"NORMALS\" count=\"0\">\n"
                                            "</VECTOR3D>\n"
                                            "<INDEX3 name=\"TRIANGLES\" count=\"0\">\n"
                                            "</INDEX3>\n"
                                            "</MESH>\n"));
}

struct FloatCase
{
    float fValue;
    const char* sText;
};

TEST(FloatToString, SixFractionDigitsAndNoExponent)
{
    const FloatCase cases[] = {
        {1.0f, "1.000000"},
        {-0.5f, "-0.500000"},
        {2.25f, "2.250000"},
        {1e-7f, "0.000000"},
        {-1e-7f, "-0.000000"},
        {1e20f, "100000002004087734272.000000"},
        {-3.40282347e38f, "-340282346638528859811704183484516925440.000000"},
    };
    for (const FloatCase& test : cases)
        EXPECT_EQ(test.sText, FloatToString(test.fValue)) << test.sText;
}

TEST(WriteLists, EntryLinesHoldThreeNumbersSeparatedByOneBlank)
{
    const Vector3d vertex[1] = {{1, -0.5f, 2.25f}};
    std::string sText;
    WriteVector3dList(sText, vertex, 1, "VERTICES");
    EXPECT_EQ("<VECTOR3D name=\"VERTICES\" count=\"1\">\n1.000000 -0.500000 2.250000\n</VECTOR3D>\n",
              sText);

    // Indices of 2^31 and more come out negative, as the reader reads them back.
    const Index3 triangles[2] = {{0, 1, 2}, {2147483648u, 4294967295u, 7}};
    sText.clear();
    WriteIndex3List(sText, triangles, 2, "TRIANGLES");
    EXPECT_EQ("<INDEX3 name=\"TRIANGLES\" count=\"2\">\n0 1 2\n-2147483648 -1 7\n</INDEX3>\n",
              sText);
}

struct AttributeCase
{
    const char* sValue;
    const char* sWritten;
};

TEST(AppendAttribute, EscapesOnlyTheCharactersOfTheMarkup)
{
    const AttributeCase cases[] = {
        {"tri", " name=\"tri\""},
        {"", " name=\"\""},
        {"a&b", " name=\"a&amp;b\""},
        {"<x>", " name=\"&lt;x&gt;\""},
        {"say \"hi\"", " name=\"say &quot;hi&quot;\""},
        {"&amp;", " name=\"&amp;amp;\""},
        // Bytes above 127 and apostrophes go out unchanged.
        {"caf\xE9 'n'", " name=\"caf\xE9 'n'\""},
        {"a\tb\nc\rd", " name=\"a&#9;b&#10;c&#13;d\""},
        {"bell\x07 esc\x1B", " name=\"bell? esc?\""},
    };
    for (const AttributeCase& test : cases)
    {
        std::string sText;
        AppendAttribute(sText, "name", test.sValue);
        EXPECT_EQ(test.sWritten, sText);
    }
}

struct NameRoundTripCase
{
    std::string sWritten;
    std::string sRead;
};

TEST(SaveModelXml, MeshNamesReadBack)
{
    const NameRoundTripCase cases[] = {
        {"a&b <c> \"d\"", "a&b <c> \"d\""},
        {"tab\tand\r\nline ends", "tab\tand\r\nline ends"},
        // XML cannot hold these at all; the file stays readable.
        {std::string("nul\0bell\x07", 9), "nul?bell?"},
        // The file declares ISO-8859-1; the reader returns UTF-8.
        {"caf\xE9", "caf\xC3\xA9"},
    };
    for (const NameRoundTripCase& test : cases)
    {
        CModel written;
        written.AddMesh(new CModelMesh);
        written.GetMesh(0)->SetName(test.sWritten);
        const std::string sPath = TempPath("names.xml");
        ASSERT_TRUE(SaveModelXml(sPath, &written));
        CModel read;
        ASSERT_TRUE(LoadModelXml(sPath, &read)) << test.sRead;
        ASSERT_EQ(1u, read.GetMeshCount());
        EXPECT_EQ(test.sRead, read.GetMesh(0)->GetName());
    }
}

TEST(SaveModelXml, OverwritesALongerFileCompletely)
{
    const std::string sPath = WriteTempFile("old.xml", std::string(10000, 'x'));
    CModel model;
    ASSERT_TRUE(SaveModelXml(sPath, &model));
    EXPECT_EQ(Write(model), ReadWholeFile(sPath));
}

TEST(SaveModelXml, MissingDirectoryFailsAndCreatesNothing)
{
    const std::string sPath = TempPath("no-such-dir") + "/model.xml";
    CModel model;
    EXPECT_FALSE(SaveModelXml(sPath, &model));
    EXPECT_FALSE(FileExists(sPath));
}

TEST(SaveModelXml, FailedWriteIsReported)
{
    // Writing to a full device fails when the text is flushed; the device itself
    // must survive the clean-up of the failed write.
    if (!FileExists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    CModel model;
    model.AddMesh(MakeTriangleMesh());
    EXPECT_FALSE(SaveModelXml("/dev/full", &model));
    EXPECT_TRUE(std::filesystem::exists("/dev/full"));
}

} // namespace
