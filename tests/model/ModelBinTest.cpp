// Tests of LoadModel's choice of reader and of the .bin model reader: the
// accepted layout, the expansion of per-vertex normals, and every refusal.

#include <gtest/gtest.h>

#include "model/ModelFile.h"
#include "ModelTestFiles.h"

namespace
{

const char* const WRONG_EXTENSION = "Expected filetype to be .bin or .xml, found neither\n";

// The normals stored in the .bin test files, per vertex.
const Vector3d NORMAL_A(0, 0, 1);
const Vector3d NORMAL_B(0, 1, 0);
const Vector3d NORMAL_C(1, 0, 0);

void ExpectVector(const Vector3d& vExpected, const Vector3d& vActual)
{
    EXPECT_EQ(vExpected.x, vActual.x);
    EXPECT_EQ(vExpected.y, vActual.y);
    EXPECT_EQ(vExpected.z, vActual.z);
}

struct CornerCase
{
    const char* sFile;
    Index3 triangle;
    Vector3d vCornerNormals[3];
};

const CornerCase CORNER_CASES[] = {
    {"triangle.bin", {0, 1, 2}, {NORMAL_A, NORMAL_B, NORMAL_C}},
    {"triangle-corners-2-2-0.bin", {2, 2, 0}, {NORMAL_C, NORMAL_C, NORMAL_A}},
};

TEST(LoadModelBin, EachCornerTakesTheNormalOfItsVertex)
{
    for (const CornerCase& test : CORNER_CASES)
    {
        SCOPED_TRACE(test.sFile);
        CModel model;
        ASSERT_TRUE(LoadModelBin(DataPath(test.sFile), &model));
        ASSERT_EQ(1u, model.GetMeshCount());
        const CModelMesh* pMesh = model.GetMesh(0);
        EXPECT_EQ("", pMesh->GetName());
        ASSERT_EQ(3u, pMesh->GetVertexCount());
        ExpectVector(Vector3d(1, 0, 0), pMesh->GetVertices()[1]);
        ASSERT_EQ(1u, pMesh->GetTriangleCount());
        EXPECT_EQ(test.triangle.a, pMesh->GetTriangles()[0].a);
        EXPECT_EQ(test.triangle.b, pMesh->GetTriangles()[0].b);
        EXPECT_EQ(test.triangle.c, pMesh->GetTriangles()[0].c);
        ASSERT_EQ(3u, pMesh->GetNormalCount());
        for (int k = 0; k < 3; ++k)
            ExpectVector(test.vCornerNormals[k], pMesh->GetNormals()[k]);
        EXPECT_EQ("", FindModelFault(&model));
    }
}

TEST(LoadModelBin, RefusedFilesLeaveTheModelAsItWas)
{
    const char* const refused[] = {
        "one-byte-extra.bin",
        "one-byte-short.bin",
        "normal-count-differs.bin",
        "all-counts-zero.bin",
        "header-11-bytes.bin",
        "index-equals-vertex-count.bin",
        "size-wraps-32-bits.bin",
        "no-triangles.bin",
        "no-such-file.bin",
    };
    for (const char* sFile : refused)
    {
        SCOPED_TRACE(sFile);
        CModel model;
        ASSERT_TRUE(LoadModelBin(DataPath("triangle.bin"), &model));
        testing::internal::CaptureStdout();
        EXPECT_FALSE(LoadModelBin(DataPath(sFile), &model));
        EXPECT_EQ("", testing::internal::GetCapturedStdout());
        EXPECT_EQ(1u, model.GetMeshCount());
    }
}

TEST(LoadModelBin, SecondFileAppendsASecondMesh)
{
    CModel model;
    ASSERT_TRUE(LoadModelBin(DataPath("triangle.bin"), &model));
    ASSERT_TRUE(LoadModelBin(DataPath("triangle-corners-2-2-0.bin"), &model));
    ASSERT_EQ(2u, model.GetMeshCount());
    EXPECT_EQ(2u, model.GetMesh(1)->GetTriangles()[0].a);
}

struct ExtensionCase
{
    const char* sName;    // file name given to LoadModel
    const char* sSource;  // data file copied under that name, or null for none
    bool bLoaded;
    const char* sOutput;
};

const ExtensionCase EXTENSION_CASES[] = {
    {"cube.BIN", "triangle.bin", true, ""},
    {"cube.bin", "triangle.bin", true, ""},
    {"mesh.Xml", "tri.xml", true, ""},
    // The reader is chosen by name: XML content under .bin is refused silently.
    {"mesh.bin", "tri.xml", false, ""},
    {"model.obj", "triangle.bin", false, WRONG_EXTENSION},
    {"a.bin.txt", "triangle.bin", false, WRONG_EXTENSION},
    {"missing.xml", nullptr, false, ""},
};

TEST(LoadModel, TheExtensionChoosesTheReader)
{
    for (const ExtensionCase& test : EXTENSION_CASES)
    {
        SCOPED_TRACE(test.sName);
        std::string sPath = TempPath(test.sName);
        if (test.sSource)
            WriteTempFile(test.sName, ReadWholeFile(DataPath(test.sSource)));
        CModel model;
        testing::internal::CaptureStdout();
        EXPECT_EQ(test.bLoaded, LoadModel(sPath, &model));
        EXPECT_EQ(test.sOutput, testing::internal::GetCapturedStdout());
        EXPECT_EQ(test.bLoaded ? 1u : 0u, model.GetMeshCount());
    }
}

TEST(LoadModel, NamesShorterThanAnExtensionAreRefusedUnopened)
{
    // "bin" may even exist: it is not opened.
    for (const char* sName : {"bin", "", ".xm"})
    {
        CModel model;
        testing::internal::CaptureStdout();
        EXPECT_FALSE(LoadModel(sName, &model));
        EXPECT_EQ(WRONG_EXTENSION, testing::internal::GetCapturedStdout());
    }
}

} // namespace
