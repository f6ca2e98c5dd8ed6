// The vorl program run as a user runs it, in a fresh temporary folder: its
// usage and help texts byte for byte, the render road with its messages,
// files and exit statuses.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace
{

std::string ReadFile(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& path, const std::string& sText)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << sText;
}

std::string Quote(const std::string& s)
{
    std::string sQuoted = "'";
    for (char c : s)
        sQuoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return sQuoted + "'";
}

struct SRun
{
    int nStatus;
    std::string sOutput;
};

// A temporary working folder for one run of vorl, removed afterwards.
class CWorkFolder
{
public:
    CWorkFolder()
    {
        std::string sTemplate = (fs::temp_directory_path() / "vorl-e2e-XXXXXX").string();
        std::vector<char> vName(sTemplate.begin(), sTemplate.end());
        vName.push_back('\0');
        if (mkdtemp(vName.data()))
            m_Path = vName.data();
    }
    ~CWorkFolder()
    {
        std::error_code error;
        fs::remove_all(m_Path, error);
    }
    CWorkFolder(const CWorkFolder&) = delete;
    CWorkFolder& operator=(const CWorkFolder&) = delete;

    const fs::path& Path() const { return m_Path; }
    fs::path operator/(const std::string& sLeaf) const { return m_Path / sLeaf; }

    // Runs vorl here with the arguments, optionally under a shell prefix
    // such as a ulimit; stdout is captured, stderr goes to its own file.
    SRun Run(const std::vector<std::string>& vArgs, const std::string& sPrefix = "") const
    {
        std::string sCommand = "cd " + Quote(m_Path.string()) + " && " + sPrefix + Quote(VORL_EXE);
        for (const std::string& sArg : vArgs)
            sCommand += " " + Quote(sArg);
        sCommand += " > stdout.txt 2> stderr.txt";
        int nStatus = std::system(sCommand.c_str());
        SRun run{WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1, ReadFile(m_Path / "stdout.txt")};
        return run;
    }

    // Writes the scene and renders it into out.tga.
    SRun Render(const std::string& sScene, const std::string& sImage = "out.tga") const
    {
        WriteFile(m_Path / "scene.txt", sScene);
        return Run({"render", "scene.txt", sImage});
    }

private:
    fs::path m_Path;
};

std::string HelpText(const std::string& sLeaf)
{
    return ReadFile(fs::path(VORL_TEST_DATA) / "vorl" / "help" / sLeaf);
}

std::string RenderLines(int nRows)
{
    std::string s = "Rendering image\n";
    for (int y = 0; y < nRows; ++y)
        s += "Line " + std::to_string(y) + "\n";
    return s + "Saving image\n";
}

const char* const WRONG_ARGUMENTS =
    "Wrong number of arguments, try 'vorl help' for more information\n";
const char* const UNKNOWN_COMMAND = "Unknown command, try 'vorl help' for more information\n";

// ---------------------------------------------------------------------------
// Command line and help texts

struct SCommandLineCase
{
    std::vector<std::string> vArgs;
    std::string sOutput;
    int nStatus;
};

void PrintTo(const SCommandLineCase& c, std::ostream* pOut)
{
    *pOut << "vorl" << ::testing::PrintToString(c.vArgs);
}

class CommandLine : public ::testing::TestWithParam<SCommandLineCase>
{
};

TEST_P(CommandLine, PrintsTextAndExitStatus)
{
    CWorkFolder folder;
    SRun run = folder.Run(GetParam().vArgs);
    EXPECT_EQ(run.sOutput, GetParam().sOutput);
    EXPECT_EQ(run.nStatus, GetParam().nStatus);
}

std::vector<SCommandLineCase> HelpCases()
{
    std::vector<SCommandLineCase> vCases = {
        {{}, HelpText("usage.txt"), 0},
        {{"help"}, HelpText("commands.txt"), 0},
        {{"help", "Camera"}, std::string("\n") + UNKNOWN_COMMAND, 2},
        {{"help", "foo"}, std::string("\n") + UNKNOWN_COMMAND, 2},
        {{"help", ""}, std::string("\n") + UNKNOWN_COMMAND, 2},
        {{"help", "camera", "extra"}, WRONG_ARGUMENTS, 2},
        {{"help", "a", "b", "c"}, WRONG_ARGUMENTS, 2},
        {{"Render", "scene.txt", "out.tga"}, UNKNOWN_COMMAND, 2},
        {{"RENDER"}, UNKNOWN_COMMAND, 2},
        {{"Help"}, UNKNOWN_COMMAND, 2},
        {{""}, UNKNOWN_COMMAND, 2},
        {{"render"}, WRONG_ARGUMENTS, 2},
        {{"render", "scene.txt"}, WRONG_ARGUMENTS, 2},
        {{"render", "scene.txt", "out.tga", "extra"}, WRONG_ARGUMENTS, 2},
    };
    for (const char* pCommand :
         {"antialiasing", "camera", "color", "image", "instance", "light", "loadmodel", "material",
          "matrix", "plane", "photonmapping", "rotate", "scale", "sphere", "texture"})
        vCases.push_back({{"help", pCommand}, HelpText(std::string("help-") + pCommand + ".txt"), 0});
    return vCases;
}

INSTANTIATE_TEST_SUITE_P(Texts, CommandLine, ::testing::ValuesIn(HelpCases()));

// ---------------------------------------------------------------------------
// The render road

struct SRenderCase
{
    const char* pName;
    std::string sScene;
    std::string sOutput;
    int nStatus;
    bool bImage;
};

void PrintTo(const SRenderCase& c, std::ostream* pOut)
{
    *pOut << c.pName;
}

class RenderRoad : public ::testing::TestWithParam<SRenderCase>
{
};

TEST_P(RenderRoad, PrintsWritesAndExits)
{
    CWorkFolder folder;
    SRun run = folder.Render(GetParam().sScene);
    EXPECT_EQ(run.sOutput, GetParam().sOutput);
    EXPECT_EQ(run.nStatus, GetParam().nStatus);
    EXPECT_EQ(fs::exists(folder / "out.tga"), GetParam().bImage);
}

const std::string FOUND_ONE = "Found 1 error(s) in script, try 'vorl help' for more info\n";

INSTANTIATE_TEST_SUITE_P(
    Scripts, RenderRoad,
    ::testing::Values(
        SRenderCase{"Sphere", "image 4 2\nlight 0 0 5 3\nsphere 0 0 -3", "File loaded\n" + RenderLines(2),
                    0, true},
        SRenderCase{"NoLineFeedAtEnd", "image 3 1\r\nsphere 0 0 -3", "File loaded\n" + RenderLines(1),
                    0, true},
        SRenderCase{"UnknownCommand", "image 4 2\n\n# comment\nSphere 0 0 0\n",
                    "File loaded\n\nUnrecognized command: line 4\n" + FOUND_ONE, 1, false},
        SRenderCase{"RejectedLine", "image 4 2\nsphere 0 0\n",
                    "File loaded\nError: line     2    command: sphere\n" + FOUND_ONE, 1, false},
        SRenderCase{"ImageTooWide", "image 70000 2\n",
                    "File loaded\n    Image size must be 1 to 65535 pixels each way: 70000 x 2\n"
                    "Error: line     1    command: image\n" +
                        FOUND_ONE,
                    1, false},
        SRenderCase{"TwoErrors", "material glass 0.5 0\nmaterial\n",
                    "File loaded\n    Refraction index must be at least 1.0: 0.5\n"
                    "Error: line     1    command: material\n"
                    "Error: line     2    command: material\n"
                    "Found 2 error(s) in script, try 'vorl help' for more info\n",
                    1, false},
        SRenderCase{"BadModel", "loadmodel m model.obj\n",
                    "File loaded\nExpected filetype to be .bin or .xml, found neither\n"
                    "Model file model.obj not read\nError: line     1    command: loadmodel\n" +
                        FOUND_ONE,
                    1, false}),
    [](const ::testing::TestParamInfo<SRenderCase>& info) { return info.param.pName; });

TEST(RenderRoad, EmptySceneRendersTheDefaultImage)
{
    CWorkFolder folder;
    SRun run = folder.Render("");
    EXPECT_EQ(run.sOutput, "File loaded\n" + RenderLines(256));
    EXPECT_EQ(run.nStatus, 0);
    EXPECT_EQ(fs::file_size(folder / "out.tga"), 18u + 320u * 256u * 4u);
}

TEST(RenderRoad, WritesAnUncompressedTgaFile)
{
    CWorkFolder folder;
    // Nothing in front of the camera: every pixel is the sky (0.9, 0.9, 1.0).
    SRun run = folder.Render("image 2 3\n");
    ASSERT_EQ(run.nStatus, 0);
    std::string sFile = ReadFile(folder / "out.tga");
    const unsigned char aHeader[18] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 3, 0, 32, 0};
    ASSERT_EQ(sFile.size(), 18u + 2u * 3u * 4u);
    EXPECT_EQ(sFile.substr(0, 18), std::string(reinterpret_cast<const char*>(aHeader), 18));
    // Blue, green, red, 0 per pixel.
    EXPECT_EQ(sFile.substr(18, 4), std::string("\xff\xe6\xe6\x00", 4));
}

TEST(RenderRoad, MissingSceneFile)
{
    CWorkFolder folder;
    SRun run = folder.Run({"render", "missing.txt", "out.tga"});
    EXPECT_EQ(run.sOutput, "Can't find scene file: missing.txt\n");
    EXPECT_EQ(run.nStatus, 1);
    EXPECT_FALSE(fs::exists(folder / "out.tga"));
}

TEST(RenderRoad, ImageThatCannotBeWritten)
{
    CWorkFolder folder;
    SRun run = folder.Render("image 4 2\n", "nodir/out.tga");
    EXPECT_EQ(run.sOutput, "File loaded\nCan't write image file: nodir/out.tga\n");
    EXPECT_EQ(run.nStatus, 1);
    EXPECT_FALSE(fs::exists(folder / "nodir"));
}

TEST(RenderRoad, ExistingImageIsReplaced)
{
    CWorkFolder folder;
    WriteFile(folder / "out.tga", "old");
    SRun run = folder.Render("image 4 2\n");
    EXPECT_EQ(run.nStatus, 0);
    EXPECT_EQ(fs::file_size(folder / "out.tga"), 18u + 4u * 2u * 4u);
}

const char* const PHOTON_SCENE = "image 4 2\nlight 0 0 3 5\nscale 8 8 1\nplane -4 -4 -2\n"
                                 "photonmapping 200\n";

TEST(PhotonMapping, WritesBothPhotonPicturesBeforeTheImage)
{
    CWorkFolder folder;
    SRun run = folder.Render(PHOTON_SCENE);
    EXPECT_EQ(run.nStatus, 0) << run.sOutput;
    for (const char* pName : {"photonmap_image.tga", "photon_render.tga", "out.tga"})
    {
        ASSERT_TRUE(fs::exists(folder / pName)) << pName;
        EXPECT_EQ(fs::file_size(folder / pName), 18u + 4u * 2u * 4u) << pName;
    }
    EXPECT_EQ(run.sOutput.rfind("File loaded\nComputing photon map\n", 0), 0u) << run.sOutput;
    // The main render comes last.
    std::string sMain = RenderLines(2);
    ASSERT_GE(run.sOutput.size(), sMain.size());
    EXPECT_EQ(run.sOutput.substr(run.sOutput.size() - sMain.size()), sMain);
}

TEST(PhotonMapping, PhotonPictureThatCannotBeWritten)
{
    CWorkFolder folder;
    fs::create_directory(folder / "photonmap_image.tga");
    SRun run = folder.Render(PHOTON_SCENE);
    EXPECT_EQ(run.sOutput, "File loaded\nCan't write image file: photonmap_image.tga\n");
    EXPECT_EQ(run.nStatus, 1);
    EXPECT_FALSE(fs::exists(folder / "out.tga"));
    EXPECT_FALSE(fs::exists(folder / "photon_render.tga"));
}

TEST(ModelCommands, InstancesOfALoadedModelRender)
{
    CWorkFolder folder;
    fs::copy_file(fs::path(VORL_TEST_DATA) / "vorl" / "models" / "tetra.xml", folder / "tetra.xml");
    SRun run = folder.Render("image 4 2\nlight 0 0 5 3\nloadmodel tetra tetra.xml\n"
                             "instance tetra 0 0 -3\ninstance tetra 1 0 -3\n");
    EXPECT_EQ(run.sOutput, "File loaded\n" + RenderLines(2));
    EXPECT_EQ(run.nStatus, 0);
}

TEST(ModelCommands, RefusedModelStopsTheRender)
{
    CWorkFolder folder;
    fs::copy_file(fs::path(VORL_TEST_DATA) / "vorl" / "models" / "vertex-index-out-of-range.xml",
                  folder / "bad.xml");
    SRun run = folder.Render("image 4 2\nloadmodel bad bad.xml\ninstance bad 0 0 0\n");
    EXPECT_EQ(run.sOutput,
              "File loaded\nMesh 1 (\"outside\"): triangle 0 uses vertex 3, but the mesh has 3 "
              "vertices\nModel file bad.xml not read\nError: line     2    command: loadmodel\n"
              "    Reference to model name not defined: bad\n"
              "Error: line     3    command: instance\n"
              "Found 2 error(s) in script, try 'vorl help' for more info\n");
    EXPECT_EQ(run.nStatus, 1);
    EXPECT_FALSE(fs::exists(folder / "out.tga"));
}

// ---------------------------------------------------------------------------
// The sample scenes

const char* const SAMPLES[] = {"spheres", "marble", "photons", "octahedra"};

class Sample : public ::testing::TestWithParam<const char*>
{
};

TEST_P(Sample, Renders)
{
    CWorkFolder folder;
    fs::copy_file(fs::path(VORL_SCENES) / "octahedron.xml", folder / "octahedron.xml");
    std::string sScene = (fs::path(VORL_SCENES) / (std::string(GetParam()) + ".txt")).string();
    SRun run = folder.Run({"render", sScene, "sample.tga"});
    EXPECT_EQ(run.nStatus, 0) << run.sOutput;
    EXPECT_TRUE(fs::exists(folder / "sample.tga"));
}

INSTANTIATE_TEST_SUITE_P(Scenes, Sample, ::testing::ValuesIn(SAMPLES));

TEST(Samples, TogetherUseEveryCommand)
{
    std::set<std::string> vUsed;
    for (const char* pSample : SAMPLES)
    {
        std::istringstream lines(ReadFile(fs::path(VORL_SCENES) / (std::string(pSample) + ".txt")));
        std::string sLine;
        while (std::getline(lines, sLine))
        {
            std::istringstream words(sLine);
            std::string sCommand, sKind;
            words >> sCommand >> sKind;
            vUsed.insert(sCommand);
            vUsed.insert(sCommand + " " + sKind);
        }
    }
    for (const char* pNeeded :
         {"antialiasing", "camera eye", "camera aim", "camera up", "camera plane",
          "camera cylinder", "color", "image", "instance", "light", "loadmodel",
          "material diffuse", "material plastic", "material metal", "material glass", "matrix",
          "plane", "photonmapping", "rotate", "scale", "sphere", "texture marble",
          "texture flat"})
        EXPECT_EQ(vUsed.count(pNeeded), 1u) << pNeeded;
}

#ifndef VORL_SANITIZED
TEST(RenderRoad, OutOfMemoryIsReported)
{
    CWorkFolder folder;
    std::string sScene = "image 4 2\n";
    for (int i = 0; i < 400000; ++i)
        sScene += "sphere 0 0 0\n";
    WriteFile(folder / "scene.txt", sScene);
    // 100 MB of address space cannot hold 400000 spheres and their tree.
    SRun run = folder.Run({"render", "scene.txt", "out.tga"}, "ulimit -v 100000 && ");
    EXPECT_EQ(run.sOutput.rfind("File loaded\n", 0), 0u) << run.sOutput;
    ASSERT_GE(run.sOutput.size(), 14u);
    EXPECT_EQ(run.sOutput.substr(run.sOutput.size() - 14), "Out of memory\n");
    EXPECT_EQ(run.nStatus, 1);
    EXPECT_FALSE(fs::exists(folder / "out.tga"));
}
#endif

} // namespace
