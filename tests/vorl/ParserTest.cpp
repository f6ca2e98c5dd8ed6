// The script interpreter: the script loop and its messages, the argument
// signatures, and what each scene-setting, transform and primitive command
// accepts, rejects and changes.
#include "ScriptRunner.h"

#include "raytracer/Camera.h"
#include "raytracer/Geometry.h"
#include "raytracer/Material.h"
#include "raytracer/Texture.h"

#include <cstring>
#include <string>

#include <unistd.h>
#include <memory>

namespace
{

const float EPS = 1e-5f;

void ExpectNear(const Vector3d& v, float x, float y, float z)
{
    EXPECT_NEAR(v.x, x, EPS);
    EXPECT_NEAR(v.y, y, EPS);
    EXPECT_NEAR(v.z, z, EPS);
}

uint32 FloatBits(float f)
{
    uint32 n;
    std::memcpy(&n, &f, sizeof n);
    return n;
}

// ---------------------------------------------------------------------------
// The script loop

struct SLoopCase
{
    const char* pScript;
    bool bOk;
    const char* pOutput;
};

void PrintTo(const SLoopCase& c, std::ostream* pOut)
{
    *pOut << ::testing::PrintToString(std::string(c.pScript));
}

const char* const FOUND_ONE = "Found 1 error(s) in script, try 'vorl help' for more info\n";

class ScriptLoop : public ::testing::TestWithParam<SLoopCase>
{
};

TEST_P(ScriptLoop, PrintsErrorsAndTotal)
{
    CParser parser;
    SScriptResult result = RunCaptured(parser, GetParam().pScript);
    EXPECT_EQ(result.bOk, GetParam().bOk);
    EXPECT_EQ(result.sOutput, GetParam().pOutput);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ScriptLoop,
    ::testing::Values(
        SLoopCase{"", true, ""},
        SLoopCase{"sphere 0 0 0", true, ""},
        SLoopCase{"sphere 0 0 0\n", true, ""},
        SLoopCase{"# a comment\n#camera eye\n\nsphere 1 2 3\n", true, ""},
        SLoopCase{"# comment\n\nSphere 0 0 0\n", false,
                  "\nUnrecognized command: line 3\n"
                  "Found 1 error(s) in script, try 'vorl help' for more info\n"},
        SLoopCase{"  \n", false,
                  "\nUnrecognized command: line 1\n"
                  "Found 1 error(s) in script, try 'vorl help' for more info\n"},
        SLoopCase{"\t", false,
                  "\nUnrecognized command: line 1\n"
                  "Found 1 error(s) in script, try 'vorl help' for more info\n"},
        // Blanks after the last word add an empty word, so the count no longer fits.
        SLoopCase{"sphere 0 0 0  \n", false,
                  "Error: line     1    command: sphere\n"
                  "Found 1 error(s) in script, try 'vorl help' for more info\n"},
        SLoopCase{"\n\n# c\n\n\nlight 1 2 3\n", false,
                  "Error: line     6    command: light\n"
                  "Found 1 error(s) in script, try 'vorl help' for more info\n"},
        SLoopCase{"sphere 1 2 3\nsphere", false,
                  "Error: line     2    command: sphere\n"
                  "Found 1 error(s) in script, try 'vorl help' for more info\n"},
        SLoopCase{"color 1 2\nsphere 0 0 0\nfoo\n", false,
                  "Error: line     1    command: color\n"
                  "\nUnrecognized command: line 3\n"
                  "Found 2 error(s) in script, try 'vorl help' for more info\n"},
        // A quoted first word is still the command.
        SLoopCase{"\"sphere\" 0 0 0", true, ""},
        SLoopCase{"\"\" 0 0 0", false,
                  "\nUnrecognized command: line 1\n"
                  "Found 1 error(s) in script, try 'vorl help' for more info\n"}));

TEST(ScriptLoopTest, RunsEveryLineAfterAnError)
{
    CParser parser;
    SScriptResult result = RunCaptured(parser, "sphere 1\nsphere 0 0 0\nbad\nsphere 1 1 1\n");
    EXPECT_FALSE(result.bOk);
    EXPECT_EQ(parser.GetScene()->GetPrimitiveCount(), 2u);
}

TEST(ScriptLoopTest, LineNumbersGrowPastFiveDigits)
{
    std::string sScript(123456, '\n');
    sScript += "light";
    CParser parser;
    SScriptResult result = RunCaptured(parser, sScript);
    EXPECT_EQ(result.sOutput, std::string("Error: line 123457    command: light\n") + FOUND_ONE);
}

// ---------------------------------------------------------------------------
// Argument signatures

struct SArgsCase
{
    std::vector<std::string> vWords;
    const char* pSignature;
    bool bFits;
};

void PrintTo(const SArgsCase& c, std::ostream* pOut)
{
    *pOut << c.pSignature << ::testing::PrintToString(c.vWords);
}

class CheckArgs : public ::testing::TestWithParam<SArgsCase>
{
};

TEST_P(CheckArgs, MatchesSignature)
{
    EXPECT_EQ(CParser::CheckArgs(GetParam().vWords, GetParam().pSignature), GetParam().bFits);
}

INSTANTIATE_TEST_SUITE_P(
    Words, CheckArgs,
    ::testing::Values(
        SArgsCase{{"c", "1", "2.5", "-3.0e2"}, "RRR", true},
        SArgsCase{{"c", "1", "0x10", "3"}, "RRR", false},
        SArgsCase{{"c", "1", "2"}, "RRR", false},
        SArgsCase{{"c", "1", "2", "3", "4"}, "RRR", false},
        SArgsCase{{"c", "0b101"}, "R", false},
        SArgsCase{{"c", "3.5xyz"}, "R", true},
        SArgsCase{{"c", ".5"}, "R", true},
        SArgsCase{{"c", "5."}, "R", true},
        SArgsCase{{"c", "."}, "R", false},
        SArgsCase{{"c", "1.5e"}, "R", false},
        SArgsCase{{"c", ""}, "R", false},
        SArgsCase{{"c", "+7"}, "R", false},
        SArgsCase{{"c", "12abc"}, "I", true},
        SArgsCase{{"c", "-7"}, "I", true},
        SArgsCase{{"c", "--7"}, "I", true},
        SArgsCase{{"c", "1.5"}, "I", false},
        SArgsCase{{"c", "a-b"}, "S", true},
        SArgsCase{{"c", "_x1"}, "S", true},
        SArgsCase{{"c", "2a"}, "S", false},
        SArgsCase{{"c", ""}, "?", true},
        SArgsCase{{"c", "any word"}, "?", true},
        SArgsCase{{"c"}, "", true},
        // Numbers must fit the type they are converted to.
        SArgsCase{{"c", "2147483647"}, "I", true},
        SArgsCase{{"c", "-2147483648"}, "I", true},
        SArgsCase{{"c", "2147483648"}, "I", false},
        SArgsCase{{"c", "99999999999999999999999"}, "I", false},
        SArgsCase{{"c", "3.4e38"}, "R", true},
        SArgsCase{{"c", "3.5e38"}, "R", false},
        SArgsCase{{"c", "1e39"}, "R", false},
        SArgsCase{{"c", "-1.0e999"}, "R", false},
        SArgsCase{{"c", "1.0e-999"}, "R", true}));

// ---------------------------------------------------------------------------
// Accepted and rejected lines

struct SLineCase
{
    const char* pScript; // the last line is the one under test
    const char* pMessage; // null when the script is accepted; else what the handler prints
    int iLine;
    const char* pCommand;
};

void PrintTo(const SLineCase& c, std::ostream* pOut)
{
    *pOut << ::testing::PrintToString(std::string(c.pScript));
}

class CommandLines : public ::testing::TestWithParam<SLineCase>
{
};

TEST_P(CommandLines, AreAcceptedOrRejected)
{
    const SLineCase& c = GetParam();
    CParser parser;
    SScriptResult result = RunCaptured(parser, c.pScript);
    if (!c.pMessage)
    {
        EXPECT_TRUE(result.bOk);
        EXPECT_EQ(result.sOutput, "");
        return;
    }
    EXPECT_FALSE(result.bOk);
    EXPECT_EQ(result.sOutput, c.pMessage + RejectedTail(c.iLine, c.pCommand));
}

SLineCase Ok(const char* pScript)
{
    return SLineCase{pScript, nullptr, 0, nullptr};
}

SLineCase Bad(const char* pScript, const char* pCommand, const char* pMessage = "",
              int iLine = 1)
{
    return SLineCase{pScript, pMessage, iLine, pCommand};
}

INSTANTIATE_TEST_SUITE_P(
    SceneSetting, CommandLines,
    ::testing::Values(
        Ok("camera eye 1 2 3"), Ok("camera aim -1 0 2.5"), Ok("camera up 0 0 1"),
        Ok("camera plane 1.5"), Ok("camera cylinder 90"), Bad("camera eye 1 2", "camera"),
        Bad("camera Eye 1 2 3", "camera"), Bad("camera", "camera"),
        Bad("camera 0 0 5 0 0 0 2", "camera"), Bad("camera plane", "camera"),
        Bad("camera cylinder 90 1", "camera"), Bad("camera eye a 2 3", "camera"),
        Bad("camera lens 2", "camera"),
        Ok("light 1 2 3 4"), Ok("light -1 -2 -3 -4"), Bad("light 1 2 3", "light"),
        Bad("light 1 2 3 0x4", "light"),
        Ok("color 255 128 0"), Ok("color 1000 -5 0"), Bad("color 1 2", "color"),
        Bad("color 1 2 3 4", "color"),
        Ok("texture marble 1 2 3 4"), Ok("texture marble 1 2 3 0"), Ok("texture marble 1 2 3 30"),
        Ok("texture flat"), Bad("texture marble 1 2 3 4.5", "texture"),
        Bad("texture marble 1 2 3 31", "texture", "    Octaves must be 0 to 30: 31\n"),
        Bad("texture marble 1 2 3 -1", "texture", "    Octaves must be 0 to 30: -1\n"),
        Bad("texture flat 1", "texture"), Bad("texture", "texture"),
        Bad("texture wood", "texture"),
        Ok("material diffuse"), Ok("material plastic"), Ok("material metal"),
        Ok("material glass 1.5 0.1"), Ok("material glass 1.0 0"),
        Bad("material glass 1.5", "material"), Bad("material plastic x", "material"),
        Bad("material glass 0.9 0.1", "material",
            "    Refraction index must be at least 1.0: 0.9\n"),
        Bad("material glass -2 0", "material", "    Refraction index must be at least 1.0: -2\n"),
        Bad("material Glass 1.5 0", "material"), Bad("material wood", "material"),
        Bad("material", "material"),
        Ok("antialiasing 2"), Ok("antialiasing -3"), Bad("antialiasing 2.5", "antialiasing"),
        Ok("photonmapping 0"), Ok("photonmapping 1000"),
        Bad("photonmapping -1", "photonmapping", "    Photon count must not be negative: -1\n"),
        Bad("photonmapping 1.5", "photonmapping"),
        Ok("image 640 480"), Ok("image 1 1"), Ok("image 65535 65535"),
        Bad("image 0 480", "image", "    Image size must be 1 to 65535 pixels each way: 0 x 480\n"),
        Bad("image 65536 1", "image",
            "    Image size must be 1 to 65535 pixels each way: 65536 x 1\n"),
        Bad("image -5 5", "image", "    Image size must be 1 to 65535 pixels each way: -5 x 5\n"),
        Bad("image 640", "image")));

INSTANTIATE_TEST_SUITE_P(
    TransformAndPrimitive, CommandLines,
    ::testing::Values(
        Ok("matrix 1 0 0 0 1 0 0 0 1"), Bad("matrix 1 0 0 0 1 0 0 0", "matrix"),
        Bad("matrix 1 0 0 0 1 0 0 0 1 0", "matrix"),
        Ok("rotate 0 0 90"), Bad("rotate 0 0", "rotate"),
        Ok("scale 2 2 2"), Ok("scale 0 1 1"), Ok("scale -1 1 1"), Bad("scale 1 1", "scale"),
        Ok("sphere 1 2 3"), Bad("sphere 1 2", "sphere"), Ok("plane 1 2 3"),
        Bad("plane x 2 3", "plane"), Ok("scale -1 1 1\nsphere 0 0 0"),
        Bad("scale 0 1 1\nsphere 0 0 0", "sphere", "    Current transform cannot be inverted\n", 2),
        Bad("matrix 1 2 3 2 4 6 0 0 1\nplane 0 0 0", "plane",
            "    Current transform cannot be inverted\n", 2),
        // Determinant 1e-9, below what an inverse may be taken of.
        Bad("scale 0.001 0.001 0.001\nsphere 0 0 0", "sphere",
            "    Current transform cannot be inverted\n", 2),
        // Overflow to infinity, and a determinant beyond the float range.
        Bad("scale 1e30 1e30 1e30\nscale 1e30 1e30 1e30\nsphere 0 0 0", "sphere",
            "    Current transform cannot be inverted\n", 3),
        Bad("scale 1e13 1e13 1e13\nplane 0 0 0", "plane",
            "    Current transform cannot be inverted\n", 2)));

INSTANTIATE_TEST_SUITE_P(
    Model, CommandLines,
    ::testing::Values(
        Bad("loadmodel car", "loadmodel"), Bad("loadmodel car a.xml extra", "loadmodel"),
        Bad("loadmodel 2car a.xml", "loadmodel"),
        Bad("loadmodel car car.txt", "loadmodel",
            "Expected filetype to be .bin or .xml, found neither\nModel file car.txt not read\n"),
        Bad("loadmodel car missing.xml", "loadmodel", "Model file missing.xml not read\n"),
        Bad("instance car 0 0 0", "instance", "    Reference to model name not defined: car\n"),
        Bad("instance car 0 0", "instance")));

// ---------------------------------------------------------------------------
// What the commands change

TEST(ParserDefaults, AreThoseOfAnEmptyScript)
{
    CParser parser;
    EXPECT_EQ(parser.GetImageWidth(), 320);
    EXPECT_EQ(parser.GetImageHeight(), 256);
    EXPECT_EQ(parser.GetAntialiasing(), 0);
    EXPECT_EQ(parser.GetPhotons(), 0);
    ExpectNear(parser.GetEye(), 0, 0, 1);
    ExpectNear(parser.GetAim(), 0, 0, 0);
    ExpectNear(parser.GetUp(), 0, 1, 0);
    EXPECT_EQ(parser.GetZoom(), 2.0f);
    EXPECT_EQ(FloatBits(parser.GetAngle()), 0x3FC90FDBu);
    EXPECT_EQ(parser.GetCameraType(), 0);
    EXPECT_EQ(parser.GetColor().r, 0.5f);
    EXPECT_EQ(parser.GetColor().g, 0.5f);
    EXPECT_EQ(parser.GetColor().b, 0.5f);
    ASSERT_EQ(parser.GetTextures().size(), 1u);
    EXPECT_EQ(parser.GetTextures()[0], nullptr);
    ASSERT_EQ(parser.GetMaterials().size(), 1u);
    EXPECT_NE(dynamic_cast<CMaterialDiffuse*>(parser.GetMaterials()[0]), nullptr);
    ExpectNear(Vector3d(1, 2, 3) * parser.GetTransform(), 1, 2, 3);
    EXPECT_EQ(parser.GetScene()->GetPrimitiveCount(), 0u);
}

TEST(CameraCommand, KeepsZoomAndAngleApart)
{
    CParser parser;
    ASSERT_TRUE(RunCaptured(parser, "camera cylinder 90").bOk);
    EXPECT_EQ(parser.GetCameraType(), 1);
    EXPECT_EQ(parser.GetAngle(), 1.5707964f);
    ASSERT_TRUE(RunCaptured(parser, "camera plane 1.5\ncamera eye 1 2 3\ncamera aim 4 5 6\n"
                                    "camera up 7 8 9")
                    .bOk);
    EXPECT_EQ(parser.GetCameraType(), 0);
    EXPECT_EQ(parser.GetZoom(), 1.5f);
    EXPECT_EQ(parser.GetAngle(), 1.5707964f);
    ExpectNear(parser.GetEye(), 1, 2, 3);
    ExpectNear(parser.GetAim(), 4, 5, 6);
    ExpectNear(parser.GetUp(), 7, 8, 9);
}

struct SColorCase
{
    const char* pLine;
    float r, g, b;
};

void PrintTo(const SColorCase& c, std::ostream* pOut)
{
    *pOut << c.pLine;
}

class ColorCommand : public ::testing::TestWithParam<SColorCase>
{
};

TEST_P(ColorCommand, DividesBy256)
{
    CParser parser;
    ASSERT_TRUE(RunCaptured(parser, GetParam().pLine).bOk);
    EXPECT_EQ(parser.GetColor().r, GetParam().r);
    EXPECT_EQ(parser.GetColor().g, GetParam().g);
    EXPECT_EQ(parser.GetColor().b, GetParam().b);
}

INSTANTIATE_TEST_SUITE_P(Channels, ColorCommand,
                         ::testing::Values(SColorCase{"color 256 0 0", 1.0f, 0.0f, 0.0f},
                                           SColorCase{"color 255 128 0", 0.99609375f, 0.5f, 0.0f},
                                           SColorCase{"color 512 -256 64", 2.0f, -1.0f, 0.25f}));

TEST(SettingCommands, LastValueWins)
{
    CParser parser;
    ASSERT_TRUE(RunCaptured(parser, "image 640 480\nantialiasing 3\nphotonmapping 10\n"
                                    "image 64 48\nphotonmapping 0")
                    .bOk);
    EXPECT_EQ(parser.GetImageWidth(), 64);
    EXPECT_EQ(parser.GetImageHeight(), 48);
    EXPECT_EQ(parser.GetAntialiasing(), 3);
    EXPECT_EQ(parser.GetPhotons(), 0);
}

TEST(SettingCommands, RejectedLineChangesNothing)
{
    CParser parser;
    RunCaptured(parser, "image 64 48\nimage 0 10\nphotonmapping 5\nphotonmapping -5\n"
                        "material glass 0.5 1\ntexture marble 1 1 1 99");
    EXPECT_EQ(parser.GetImageWidth(), 64);
    EXPECT_EQ(parser.GetImageHeight(), 48);
    EXPECT_EQ(parser.GetPhotons(), 5);
    EXPECT_EQ(parser.GetMaterials().size(), 1u);
    EXPECT_EQ(parser.GetTextures().size(), 1u);
}

TEST(LightCommand, AddsLightsInOrder)
{
    CParser parser;
    ASSERT_TRUE(RunCaptured(parser, "light 1 2 3 4\nscale 2 2 2\nlight -1 0 0 0.5").bOk);
    const CScene* pScene = parser.GetScene();
    ASSERT_EQ(pScene->GetLightCount(), 2u);
    ExpectNear(pScene->GetLight(0).GetPosition(), 1, 2, 3);
    EXPECT_EQ(pScene->GetLight(0).GetPower(), 4.0f);
    // The current transform does not move a light.
    ExpectNear(pScene->GetLight(1).GetPosition(), -1, 0, 0);
    EXPECT_EQ(pScene->GetLight(1).GetPower(), 0.5f);
}

struct SMaterialCase
{
    const char* pLine;
    bool (*pIsType)(const CMaterial*);
    float fIndex;
};

void PrintTo(const SMaterialCase& c, std::ostream* pOut)
{
    *pOut << c.pLine;
}

template <class T> bool IsA(const CMaterial* p)
{
    return dynamic_cast<const T*>(p) != nullptr;
}

class MaterialCommand : public ::testing::TestWithParam<SMaterialCase>
{
};

TEST_P(MaterialCommand, AppendsTheCurrentMaterial)
{
    CParser parser;
    ASSERT_TRUE(RunCaptured(parser, GetParam().pLine).bOk);
    ASSERT_EQ(parser.GetMaterials().size(), 2u);
    const CMaterial* pMaterial = parser.GetMaterials().back();
    EXPECT_TRUE(GetParam().pIsType(pMaterial));
    EXPECT_EQ(pMaterial->GetRefractionIndex(), GetParam().fIndex);
}

INSTANTIATE_TEST_SUITE_P(
    Types, MaterialCommand,
    ::testing::Values(SMaterialCase{"material diffuse", IsA<CMaterialDiffuse>, 1.0f},
                      SMaterialCase{"material plastic", IsA<CMaterialGlossy>, 1.5f},
                      SMaterialCase{"material metal", IsA<CMaterialMetal>, 1.0f},
                      SMaterialCase{"material glass 1.33 0.2", IsA<CMaterialGlass>, 1.33f}));

TEST(MaterialCommand, GlassKeepsTheColourOfItsLine)
{
    CParser parser;
    ASSERT_TRUE(RunCaptured(parser, "color 256 0 0\nmaterial glass 1.5 0.1\ncolor 0 0 256\n"
                                    "sphere 0 0 0")
                    .bOk);
    const CMaterial* pGlass = parser.GetMaterials().back();
    EXPECT_EQ(pGlass->GetAttenuation(), 0.1f);
    EXPECT_EQ(pGlass->GetColor().r, 1.0f);
    EXPECT_EQ(pGlass->GetColor().b, 0.0f);
    const CPrimitive* pSphere = parser.GetScene()->GetPrimitive(0);
    EXPECT_EQ(pSphere->m_cColor.r, 0.0f);
    EXPECT_EQ(pSphere->m_cColor.b, 1.0f);
    EXPECT_EQ(pSphere->m_pMaterial, pGlass);
}

TEST(TextureCommand, MarbleTakesTheCurrentColourAndFlatClearsIt)
{
    CParser parser;
    ASSERT_TRUE(RunCaptured(parser, "color 64 128 192\ntexture marble 1 2 3 4\nsphere 0 0 0\n"
                                    "texture flat\nsphere 1 1 1")
                    .bOk);
    ASSERT_EQ(parser.GetTextures().size(), 3u);
    const CTexture* pMarble = parser.GetTextures()[1];
    ASSERT_NE(dynamic_cast<const CTextureMarble*>(pMarble), nullptr);
    EXPECT_EQ(pMarble->GetBaseColor().g, 0.5f);
    EXPECT_EQ(parser.GetTextures()[2], nullptr);
    EXPECT_EQ(parser.GetScene()->GetPrimitive(0)->m_pTexture, pMarble);
    EXPECT_EQ(parser.GetScene()->GetPrimitive(1)->m_pTexture, nullptr);
}

// ---------------------------------------------------------------------------
// Placement

struct SPlacementCase
{
    const char* pScript;     // its last line places a primitive
    Vector3d vLocal;         // a point of the primitive's own space
    Vector3d vWorld;         // where it lands
};

void PrintTo(const SPlacementCase& c, std::ostream* pOut)
{
    *pOut << ::testing::PrintToString(std::string(c.pScript));
}

class Placement : public ::testing::TestWithParam<SPlacementCase>
{
};

TEST_P(Placement, FollowsTheCurrentTransform)
{
    CParser parser;
    ASSERT_TRUE(RunCaptured(parser, GetParam().pScript).bOk);
    const CScene* pScene = parser.GetScene();
    ASSERT_GT(pScene->GetPrimitiveCount(), 0u);
    const CPrimitive* pLast = pScene->GetPrimitive(pScene->GetPrimitiveCount() - 1);
    const Vector3d& v = GetParam().vWorld;
    ExpectNear(pLast->LocalToWorld(GetParam().vLocal), v.x, v.y, v.z);
}

INSTANTIATE_TEST_SUITE_P(
    Transforms, Placement,
    ::testing::Values(
        SPlacementCase{"sphere 1 2 3", Vector3d(0, 0, 0), Vector3d(1, 2, 3)},
        SPlacementCase{"plane 1 2 3", Vector3d(1, 1, 0), Vector3d(2, 3, 3)},
        SPlacementCase{"scale 2 2 2\nrotate 0 0 90\nsphere 0 0 0", Vector3d(1, 0, 0),
                       Vector3d(0, 2, 0)},
        // The scaling after the rotation stretches along the world y axis.
        SPlacementCase{"rotate 0 0 90\nscale 1 3 1\nsphere 0 0 0", Vector3d(1, 0, 0),
                       Vector3d(0, 3, 0)},
        SPlacementCase{"scale 1 3 1\nrotate 0 0 90\nsphere 0 0 0", Vector3d(1, 0, 0),
                       Vector3d(0, 1, 0)},
        SPlacementCase{"rotate 90 0 0\nsphere 0 0 0", Vector3d(0, 1, 0), Vector3d(0, 0, 1)},
        SPlacementCase{"rotate 0 90 0\nsphere 0 0 0", Vector3d(0, 0, 1), Vector3d(1, 0, 0)},
        // An earlier position never reaches a later object.
        SPlacementCase{"sphere 5 0 0\nrotate 0 45 0\nsphere 0 0 0", Vector3d(0, 0, 0),
                       Vector3d(0, 0, 0)},
        SPlacementCase{"rotate 10 20 30\nscale 2 3 4\nmatrix 1 0 0 0 1 0 0 0 1\nsphere 1 1 1",
                       Vector3d(1, 0, 0), Vector3d(2, 1, 1)},
        // Rows of the matrix are the images of the axes.
        SPlacementCase{"matrix 0 1 0 -1 0 0 0 0 2\nplane 0 0 0", Vector3d(1, 1, 1),
                       Vector3d(-1, 1, 2)},
        SPlacementCase{"scale 4 1 1\nplane -2 0 0", Vector3d(1, 0, 0), Vector3d(2, 0, 0)}));

TEST(Placement, PositionStaysInTheTransform)
{
    CParser parser;
    ASSERT_TRUE(RunCaptured(parser, "sphere 1 2 3").bOk);
    ExpectNear(parser.GetTransform().m_vRow[3], 1, 2, 3);
    ASSERT_TRUE(RunCaptured(parser, "rotate 0 0 0").bOk);
    ExpectNear(parser.GetTransform().m_vRow[3], 0, 0, 0);
}

TEST(Placement, RefusedPrimitiveLeavesSceneAndTransform)
{
    CParser parser;
    ASSERT_TRUE(RunCaptured(parser, "sphere 1 2 3\nmatrix 1 0 0 0 1 0 0 0 0").bOk);
    EXPECT_FALSE(RunCaptured(parser, "sphere 4 5 6\nplane 4 5 6").bOk);
    EXPECT_EQ(parser.GetScene()->GetPrimitiveCount(), 1u);
    ExpectNear(parser.GetTransform().m_vRow[3], 1, 2, 3);
}

TEST(Placement, EachPrimitiveKeepsTheSurfaceOfItsLine)
{
    CParser parser;
    ASSERT_TRUE(RunCaptured(parser, "color 256 0 0\nsphere 0 0 0\nmaterial metal\n"
                                    "color 0 256 0\nplane 0 0 0")
                    .bOk);
    const CScene* pScene = parser.GetScene();
    ASSERT_EQ(pScene->GetPrimitiveCount(), 2u);
    EXPECT_NE(dynamic_cast<const CSphere*>(pScene->GetPrimitive(0)), nullptr);
    EXPECT_NE(dynamic_cast<const CPlane*>(pScene->GetPrimitive(1)), nullptr);
    EXPECT_EQ(pScene->GetPrimitive(0)->m_cColor.r, 1.0f);
    EXPECT_EQ(pScene->GetPrimitive(0)->m_pMaterial, parser.GetMaterials()[0]);
    EXPECT_EQ(pScene->GetPrimitive(1)->m_cColor.g, 1.0f);
    EXPECT_EQ(pScene->GetPrimitive(1)->m_pMaterial, parser.GetMaterials()[1]);
}

// ---------------------------------------------------------------------------
// Render stage

struct SCameraCase
{
    const char* pScript;
    bool bCylinder;
};

void PrintTo(const SCameraCase& c, std::ostream* pOut)
{
    *pOut << ::testing::PrintToString(std::string(c.pScript));
}

class RenderStage : public ::testing::TestWithParam<SCameraCase>
{
};

TEST_P(RenderStage, MakesTheChosenCameraAndWritesTheImage)
{
    // One file per case: the cases may run side by side.
    std::string sImage = ::testing::TempDir() + "vorl-render-stage-" + std::to_string(getpid()) +
                         ".tga";
    CParser parser;
    ASSERT_TRUE(RunCaptured(parser, GetParam().pScript).bOk);
    ::testing::internal::CaptureStdout();
    bool bWritten = parser.RenderScene(sImage.c_str());
    std::string sOutput = ::testing::internal::GetCapturedStdout();
    EXPECT_TRUE(bWritten) << sOutput;
    const CCamera* pCamera = parser.GetCamera();
    ASSERT_NE(pCamera, nullptr);
    EXPECT_EQ(dynamic_cast<const CCylinderCamera*>(pCamera) != nullptr, GetParam().bCylinder);
    EXPECT_EQ(pCamera->GetWidth(), 3);
    EXPECT_EQ(pCamera->GetHeight(), 2);
    std::remove(sImage.c_str());
}

INSTANTIATE_TEST_SUITE_P(
    Cameras, RenderStage,
    ::testing::Values(SCameraCase{"image 3 2", false},
                      SCameraCase{"image 3 2\ncamera cylinder 60", true},
                      SCameraCase{"image 3 2\ncamera cylinder 60\ncamera plane 1", false},
                      // A camera that cannot be aimed keeps its own orientation.
                      SCameraCase{"image 3 2\ncamera eye 0 0 0\ncamera aim 0 0 0", false},
                      SCameraCase{"image 3 2\ncamera up 0 0 1", false}));

} // namespace
