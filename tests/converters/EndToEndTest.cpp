// Runs the built AseToVorl and PlyToVorl: console text, exit status and the
// output file byte for byte; a refused input leaves no output file.
#include <sys/wait.h>

#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "model/ModelFile.h"
#include "tests/converters/ConverterTestUtil.h"

namespace
{

const std::string kData = VORL_TEST_DATA;

struct RunResult
{
    int iStatus;
    std::string sOutput;
};

// Runs the program through the shell, after sPrefix (such as a ulimit) when given.
RunResult RunProgram(const std::string& sProgram, const std::vector<std::string>& vArguments,
                     const std::string& sPrefix = "")
{
    std::string sCommand = sPrefix + "'" + sProgram + "'";
    for (const std::string& sArgument : vArguments)
        sCommand += " '" + sArgument + "'";
    FILE* pPipe = popen(sCommand.c_str(), "r");
    RunResult result{-1, ""};
    if (pPipe == nullptr)
        return result;
    char sBuffer[4096];
    size_t nRead;
    while ((nRead = fread(sBuffer, 1, sizeof(sBuffer), pPipe)) > 0)
        result.sOutput.append(sBuffer, nRead);
    const int iWait = pclose(pPipe);
    result.iStatus = WIFEXITED(iWait) ? WEXITSTATUS(iWait) : -1;
    return result;
}

bool FileExists(const std::string& sPath)
{
    FILE* pFile = fopen(sPath.c_str(), "rb");
    if (pFile != nullptr)
        fclose(pFile);
    return pFile != nullptr;
}

std::string Names(const std::string& sInput, const std::string& sOutput)
{
    return "inputfile = " + sInput + "\noutputfile = " + sOutput + "\n";
}

struct UsageCase
{
    const char* pProgram;
    std::vector<std::string> vArguments;
    const char* pTail; // the usage text after the program name
};

const char* const kAseUsage =
    " inputfile.ase outputfile\n\n\nConverts a 3ds MAX .ASE file into the Vorl .xml 3d format\n";
const char* const kPlyUsage = " inputfile.ply outputfile.xml\n\n\nConverts a .ply 3D triangle "
                              "mesh file into the Vorl .xml 3D format\n";

TEST(ConverterCommandLine, WrongArgumentCountPrintsUsage)
{
    const UsageCase kCases[] = {
        {ASE_TO_VORL, {}, kAseUsage},
        {ASE_TO_VORL, {"in.ase"}, kAseUsage},
        {ASE_TO_VORL, {"in.ase", "out.xml", "more"}, kAseUsage},
        {PLY_TO_VORL, {}, kPlyUsage},
        {PLY_TO_VORL, {"in.ply"}, kPlyUsage},
        {PLY_TO_VORL, {"in.ply", "out.xml", "more"}, kPlyUsage},
    };
    for (const UsageCase& usage : kCases)
    {
        const RunResult result = RunProgram(usage.pProgram, usage.vArguments);
        EXPECT_EQ(result.iStatus, 2) << usage.pProgram;
        EXPECT_EQ(result.sOutput, std::string("usage:\n\t") + usage.pProgram + usage.pTail);
    }
    EXPECT_FALSE(FileExists("out.xml"));
}

struct ConversionCase
{
    const char* pName;
    const char* pProgram;
    std::string sInput;     // below the test data folder
    int iStatus;
    std::string sMessages;  // console text after the two names
    std::string sExpected;  // expected output file below the test data folder; empty: none
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const ConversionCase& c, std::ostream* pStream)
{
    *pStream << c.pName;
}

const std::string kEmptyModel =
    "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<VORL version=\"0.1\">\n<MODEL name=\"\">\n"
    "</MODEL>\n</VORL>\n";

const ConversionCase kConversions[] = {
    {"PlyTriangle", PLY_TO_VORL, "ply/triangle.ply", 0, "Computing normals\n", "ply/triangle.xml"},
    {"PlyCubeWithQuads", PLY_TO_VORL, "ply/cube-normals-colours.ply", 0, "Computing normals\n",
     "ply/cube-normals-colours.xml"},
    {"PlyPolygons", PLY_TO_VORL, "ply/polygons-and-comments.ply", 0, "Computing normals\n",
     "ply/polygons-and-comments.xml"},
    {"PlyBinary", PLY_TO_VORL, "ply/binary-format.ply", 1,
     "Line 2: the format is \"binary_little_endian\", but only ascii PLY files can be read\n", ""},
    {"PlyMissing", PLY_TO_VORL, "ply/no-such-file.ply", 1, "error reading file\n", ""},
    {"AseWorkshop", ASE_TO_VORL, "ase/workshop.ase", 0,
     "ParseGeomObject\nMESH name=\"Pyramid01\"\nAlready has normals 18\nParseGeomObject\n"
     "MESH name=\"Tetra01\"\nComputing normals\nParseGeomObject\nMESH name=\"Plane01\"\n"
     "Computing normals\n",
     "ase/workshop.xml"},
    {"AseWorkshopCrLf", ASE_TO_VORL, "ase/workshop-crlf.ase", 0,
     "ParseGeomObject\nMESH name=\"Pyramid01\"\nAlready has normals 18\nParseGeomObject\n"
     "MESH name=\"Tetra01\"\nComputing normals\nParseGeomObject\nMESH name=\"Plane01\"\n"
     "Computing normals\n",
     "ase/workshop.xml"},
    {"AseBadMeshSkipped", ASE_TO_VORL, "ase/face-index-out-of-range.ase", 0,
     "ParseGeomObject\nMESH name=\"Broken\"\n"
     "Skipping mesh \"Broken\": face 0 uses vertex 3, but there are 3 vertices\n"
     "ParseGeomObject\nMESH name=\"Sound\"\nComputing normals\n",
     "ase/face-index-out-of-range.xml"},
    {"AseCountsTooLarge", ASE_TO_VORL, "ase/counts-too-large.ase", 0,
     "ParseGeomObject\nMESH name=\"Huge\"\nSkipping mesh \"Huge\": the file is too short for "
     "2000000000 vertices and 2000000000 faces\n",
     "ase/empty.xml"},
    {"AseNestingTooDeep", ASE_TO_VORL, "ase/nesting-too-deep.ase", 1,
     "Blocks are nested deeper than 64 levels\nno ase parsed\n", ""},
    {"AseEmpty", ASE_TO_VORL, "ase/empty.ase", 0, "", "ase/empty.xml"},
    {"AseMissing", ASE_TO_VORL, "ase/no-such-file.ase", 1, "error reading file\n", ""},
};

class ConversionTest : public testing::TestWithParam<ConversionCase>
{
};

TEST_P(ConversionTest, WritesExpectedFileOrNone)
{
    const ConversionCase& conversion = GetParam();
    const std::string sInput = kData + "/" + conversion.sInput;
    const std::string sOutput = ScratchPath("out.xml");
    remove(sOutput.c_str());
    const RunResult result = RunProgram(conversion.pProgram, {sInput, sOutput});
    EXPECT_EQ(result.iStatus, conversion.iStatus);
    EXPECT_EQ(result.sOutput, Names(sInput, sOutput) + conversion.sMessages);
    if (conversion.sExpected.empty())
    {
        EXPECT_FALSE(FileExists(sOutput));
    }
    else
    {
        EXPECT_EQ(ReadWholeFile(sOutput), ReadWholeFile(kData + "/" + conversion.sExpected));
        // The model reader of the renderer takes the file back as sound meshes.
        CModel model;
        EXPECT_TRUE(LoadModelXml(sOutput, &model));
        EXPECT_EQ(FindModelFault(&model), "");
    }
    remove(sOutput.c_str());
}

INSTANTIATE_TEST_SUITE_P(Files, ConversionTest, testing::ValuesIn(kConversions),
                         [](const testing::TestParamInfo<ConversionCase>& info) {
                             return std::string(info.param.pName);
                         });

// Each refused file: status 1, one line saying why, and no output file (the
// messages themselves are checked by the reader's tests).
TEST(ConverterOutput, RefusedPlyWritesNothing)
{
    const char* const kRefused[] = {
        "face-index-out-of-range", "face-index-negative", "vertex-rows-missing",
        "face-rows-missing", "counts-too-large", "count-negative", "no-faces",
        "end-header-missing", "coordinate-out-of-range", "empty"};
    const std::string sOutput = ScratchPath("refused.xml");
    for (const char* pName : kRefused)
    {
        const std::string sInput = kData + "/ply/" + pName + ".ply";
        const RunResult result = RunProgram(PLY_TO_VORL, {sInput, sOutput});
        EXPECT_EQ(result.iStatus, 1) << pName;
        const std::string sNames = Names(sInput, sOutput);
        EXPECT_EQ(result.sOutput.compare(0, sNames.size(), sNames), 0) << pName;
        EXPECT_EQ(result.sOutput.find('\n', sNames.size()), result.sOutput.size() - 1) << pName;
        EXPECT_FALSE(FileExists(sOutput)) << pName;
    }
}

TEST(ConverterOutput, XmlWhateverTheExtension)
{
    const std::string sOutput = ScratchPath("model.bin");
    const RunResult result = RunProgram(PLY_TO_VORL, {kData + "/ply/triangle.ply", sOutput});
    EXPECT_EQ(result.iStatus, 0);
    EXPECT_EQ(ReadWholeFile(sOutput), ReadWholeFile(kData + "/ply/triangle.xml"));
    remove(sOutput.c_str());
}

TEST(ConverterOutput, UnwritableOutputFails)
{
    const std::string sOutput = "no-such-folder/out.xml";
    const RunResult result = RunProgram(ASE_TO_VORL, {kData + "/ase/workshop.ase", sOutput});
    EXPECT_EQ(result.iStatus, 1);
    const std::string sTail = "error writing file\n";
    ASSERT_GE(result.sOutput.size(), sTail.size());
    EXPECT_EQ(result.sOutput.substr(result.sOutput.size() - sTail.size()), sTail);
}

#ifndef VORL_SANITIZED
// A 12 MB PLY file: 300,000 vertices in a strip of triangles.
void WriteBigPly(FILE* pFile)
{
    const int nVertices = 300000;
    fprintf(pFile,
            "ply\nformat ascii 1.0\nelement vertex %d\nproperty float x\nproperty float y\n"
            "property float z\nelement face %d\nproperty list uchar int vertex_indices\nend_header\n",
            nVertices, nVertices - 2);
    for (int i = 0; i < nVertices; ++i)
        fprintf(pFile, "%d.5 %d.25 0.125\n", i % 1000, i / 1000);
    for (int i = 0; i + 2 < nVertices; ++i)
        fprintf(pFile, "3 %d %d %d\n", i, i + 1, i + 2);
}

// An 11 MB ASE file: one mesh of 100,000 vertices in a strip of triangles.
void WriteBigAse(FILE* pFile)
{
    const int nVertices = 100000;
    fprintf(pFile,
            "*3DSMAX_ASCIIEXPORT\t200\n*GEOMOBJECT {\n\t*NODE_NAME \"Big\"\n\t*MESH {\n"
            "\t\t*MESH_NUMVERTEX %d\n\t\t*MESH_NUMFACES %d\n\t\t*MESH_VERTEX_LIST {\n",
            nVertices, nVertices - 2);
    for (int i = 0; i < nVertices; ++i)
        fprintf(pFile, "\t\t\t*MESH_VERTEX %d\t%d.5000\t%d.2500\t0.1250\n", i, i % 1000, i / 1000);
    fprintf(pFile, "\t\t}\n\t\t*MESH_FACE_LIST {\n");
    for (int i = 0; i + 2 < nVertices; ++i)
        fprintf(pFile, "\t\t\t*MESH_FACE %d:    A: %d B: %d C: %d AB: 1 BC: 1 CA: 0\n", i, i, i + 1,
                i + 2);
    fprintf(pFile, "\t\t}\n\t}\n}\n");
}

struct SOutOfMemoryCase
{
    const char* pProgram;
    const char* pInput;
    void (*pfnWrite)(FILE* pFile);
    const char* pLimit;  // address space in kB: room to start, about half the room to convert
};

TEST(ConverterOutput, RunningOutOfMemoryIsReportedAndWritesNothing)
{
    const SOutOfMemoryCase kCases[] = {
        {PLY_TO_VORL, "big.ply", WriteBigPly, "60000"},
        {ASE_TO_VORL, "big.ase", WriteBigAse, "30000"},
    };
    for (const SOutOfMemoryCase& test : kCases)
    {
        FILE* pFile = fopen(test.pInput, "w");
        ASSERT_NE(pFile, nullptr);
        test.pfnWrite(pFile);
        ASSERT_EQ(fclose(pFile), 0);

        const RunResult result = RunProgram(test.pProgram, {test.pInput, "big.xml"},
                                            std::string("ulimit -v ") + test.pLimit + " && ");
        EXPECT_EQ(result.iStatus, 1) << test.pInput;
        // The lines printed before are kept, and the last one says why.
        EXPECT_EQ(result.sOutput.rfind(Names(test.pInput, "big.xml"), 0), 0u) << result.sOutput;
        ASSERT_GE(result.sOutput.size(), 14u) << test.pInput;
        EXPECT_EQ(result.sOutput.substr(result.sOutput.size() - 14), "Out of memory\n") << test.pInput;
        EXPECT_FALSE(FileExists("big.xml")) << test.pInput;
    }
}
#endif

} // namespace
