// Converted models rendered by vorl: both sample models are converted, loaded
// by a scene script and placed; the picture must show them.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "tests/converters/ConverterTestUtil.h"

namespace
{

const std::string kScenes = VORL_SCENES;

int RunQuiet(const std::string& sCommand)
{
    return system((sCommand + " > /dev/null").c_str());
}

TEST(ConverterRoundTrip, VorlRendersConvertedModels)
{
    const std::string sTorus = ScratchPath("torus.xml");
    const std::string sScene = ScratchPath("things.xml");
    const std::string sPly = kScenes + "/sample.ply";
    const std::string sAse = kScenes + "/sample.ase";
    ASSERT_EQ(RunQuiet(std::string("'") + PLY_TO_VORL + "' '" + sPly + "' " + sTorus), 0);
    ASSERT_EQ(RunQuiet(std::string("'") + ASE_TO_VORL + "' '" + sAse + "' " + sScene), 0);

    const std::string sScript = ScratchPath("scene.txt");
    {
        std::ofstream script(sScript);
        script << "image 64 48\ncamera eye 0 2 6\ncamera aim 0 0 0\nlight 5 5 5 10\n"
               << "color 200 120 60\nloadmodel torus " << sTorus << "\ninstance torus 0 0 0\n"
               << "loadmodel things " << sScene << "\nrotate -90 0 0\nscale 0.5 0.5 0.5\n"
               << "instance things 2 0 0\n";
    }
    const std::string sImage = ScratchPath("scene.tga");
    ASSERT_EQ(RunQuiet(std::string("'") + VORL_PROGRAM + "' render " + sScript + " " + sImage), 0);

    const std::string sTga = ReadWholeFile(sImage);
    ASSERT_EQ(sTga.size(), 18u + 64 * 48 * 4);
    // Pixels that differ from the background corner are the models.
    size_t nModelPixels = 0;
    for (size_t i = 18; i < sTga.size(); i += 4)
    {
        if (sTga.compare(i, 3, sTga, 18, 3) != 0)
            ++nModelPixels;
    }
    EXPECT_GT(nModelPixels, 64u * 48 / 20);
    EXPECT_LT(nModelPixels, 64u * 48 / 2);
    for (const std::string& sPath : {sTorus, sScene, sScript, sImage})
        remove(sPath.c_str());
}

} // namespace
