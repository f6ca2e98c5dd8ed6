// The loadmodel and instance commands: records, shared mesh primitives, the
// first record winning for repeated names, and the refusal of models whose
// meshes a mesh primitive cannot use.
#include "ScriptRunner.h"

#include "raytracer/Geometry.h"

namespace
{

std::string Model(const std::string& sLeaf)
{
    return TestData("models/" + sLeaf);
}

const CObjectInstance* InstanceAt(const CParser& parser, uint32 iIndex)
{
    return dynamic_cast<const CObjectInstance*>(parser.GetScene()->GetPrimitive(iIndex));
}

TEST(LoadModelCommand, MakesOneMeshPrimitivePerMeshOutsideTheScene)
{
    CParser parser;
    SScriptResult result = RunCaptured(parser, "loadmodel pair \"" + Model("two-meshes.xml") + "\"");
    ASSERT_TRUE(result.bOk) << result.sOutput;
    ASSERT_EQ(parser.GetModels().size(), 1u);
    const CModelEntry& entry = parser.GetModels()[0];
    EXPECT_EQ(entry.m_sName, "pair");
    ASSERT_EQ(entry.m_vTriMeshes.size(), 2u);
    EXPECT_NE(entry.m_vTriMeshes[0], nullptr);
    EXPECT_NE(entry.m_vTriMeshes[1], nullptr);
    EXPECT_EQ(parser.GetScene()->GetPrimitiveCount(), 0u);
}

TEST(InstanceCommand, InstancesShareTheMeshPrimitives)
{
    CParser parser;
    SScriptResult result = RunCaptured(parser, "loadmodel t " + Model("tetra.xml") +
                                                   "\ninstance t 0 0 0\ncolor 0 0 256\n"
                                                   "material metal\ninstance t 1 0 0");
    ASSERT_TRUE(result.bOk) << result.sOutput;
    ASSERT_EQ(parser.GetScene()->GetPrimitiveCount(), 2u);
    const CObjectInstance* pFirst = InstanceAt(parser, 0);
    const CObjectInstance* pSecond = InstanceAt(parser, 1);
    ASSERT_TRUE(pFirst && pSecond);
    EXPECT_EQ(pFirst->GetTriMesh(), parser.GetModels()[0].m_vTriMeshes[0]);
    EXPECT_EQ(pSecond->GetTriMesh(), pFirst->GetTriMesh());
    EXPECT_EQ(pFirst->m_pMaterial, parser.GetMaterials()[0]);
    EXPECT_EQ(pSecond->m_pMaterial, parser.GetMaterials()[1]);
    EXPECT_EQ(pFirst->m_cColor.b, 0.5f);
    EXPECT_EQ(pSecond->m_cColor.b, 1.0f);
    Vector3d vPlaced = pSecond->LocalToWorld(Vector3d(0, 0, 0));
    EXPECT_FLOAT_EQ(vPlaced.x, 1.0f);
    EXPECT_FLOAT_EQ(parser.GetTransform().m_vRow[3].x, 1.0f);
}

TEST(InstanceCommand, OneInstancePerMesh)
{
    CParser parser;
    ASSERT_TRUE(RunCaptured(parser, "loadmodel p " + Model("two-meshes.xml") + "\ninstance p 0 0 0")
                    .bOk);
    ASSERT_EQ(parser.GetScene()->GetPrimitiveCount(), 2u);
    EXPECT_EQ(InstanceAt(parser, 0)->GetTriMesh(), parser.GetModels()[0].m_vTriMeshes[0]);
    EXPECT_EQ(InstanceAt(parser, 1)->GetTriMesh(), parser.GetModels()[0].m_vTriMeshes[1]);
}

TEST(InstanceCommand, RepeatedNameUsesTheFirstRecord)
{
    CParser parser;
    ASSERT_TRUE(RunCaptured(parser, "loadmodel car " + Model("tetra.xml") + "\nloadmodel car " +
                                        Model("two-meshes.xml") + "\ninstance car 1 0 0")
                    .bOk);
    ASSERT_EQ(parser.GetModels().size(), 2u);
    ASSERT_EQ(parser.GetScene()->GetPrimitiveCount(), 1u);
    EXPECT_EQ(InstanceAt(parser, 0)->GetTriMesh(), parser.GetModels()[0].m_vTriMeshes[0]);
}

TEST(InstanceCommand, UnknownNameLeavesTheTransform)
{
    CParser parser;
    SScriptResult result = RunCaptured(parser, "sphere 1 2 3\ninstance nothing 5 5 5");
    EXPECT_EQ(result.sOutput,
              "    Reference to model name not defined: nothing\n" + RejectedTail(2, "instance"));
    EXPECT_FLOAT_EQ(parser.GetTransform().m_vRow[3].x, 1.0f);
    EXPECT_EQ(parser.GetScene()->GetPrimitiveCount(), 1u);
}

TEST(InstanceCommand, FailedLoadLeavesNoRecord)
{
    CParser parser;
    SScriptResult result =
        RunCaptured(parser, "loadmodel m " + Model("missing.xml") + "\ninstance m 0 0 0");
    EXPECT_FALSE(result.bOk);
    EXPECT_TRUE(parser.GetModels().empty());
    EXPECT_NE(result.sOutput.find("Reference to model name not defined: m"), std::string::npos);
}

TEST(InstanceCommand, SingularTransformIsRefused)
{
    CParser parser;
    SScriptResult result = RunCaptured(parser, "loadmodel t " + Model("tetra.xml") +
                                                   "\nscale 1 0 1\ninstance t 0 0 0");
    EXPECT_EQ(result.sOutput,
              "    Current transform cannot be inverted\n" + RejectedTail(3, "instance"));
    EXPECT_EQ(parser.GetScene()->GetPrimitiveCount(), 0u);
}

TEST(InstanceCommand, MeshWithoutTrianglesAddsNothing)
{
    CParser parser;
    SScriptResult result =
        RunCaptured(parser, "loadmodel dots " + Model("no-triangles.xml") + "\ninstance dots 0 0 0");
    EXPECT_TRUE(result.bOk) << result.sOutput;
    ASSERT_EQ(parser.GetModels().size(), 1u);
    EXPECT_EQ(parser.GetModels()[0].m_vTriMeshes.size(), 1u);
    EXPECT_EQ(parser.GetScene()->GetPrimitiveCount(), 0u);
}

TEST(LoadModelCommand, MeshesWithoutTrianglesDoNotRefuseTheModel)
{
    // Normals without triangles, and numbers that are not finite, in meshes that render
    // nothing; the mesh beside them renders.
    CParser parser;
    SScriptResult result = RunCaptured(
        parser, "loadmodel m " + Model("meshes-without-triangles-beside-one.xml") + "\ninstance m 0 0 0");
    ASSERT_TRUE(result.bOk) << result.sOutput;
    ASSERT_EQ(parser.GetScene()->GetPrimitiveCount(), 1u);
    Vector3d h, n;
    EXPECT_TRUE(parser.GetScene()->GetPrimitive(0)->Intersect(Vector3d(0.25f, 0.25f, 5),
                                                             Vector3d(0.25f, 0.25f, 4), h, n));
}

struct SBadModelCase
{
    const char* pFile;
    const char* pFault; // printed before "Model file %s not read"
};

void PrintTo(const SBadModelCase& c, std::ostream* pOut)
{
    *pOut << c.pFile;
}

class BadModel : public ::testing::TestWithParam<SBadModelCase>
{
};

TEST_P(BadModel, IsRefusedNamingMeshAndFault)
{
    std::string sPath = Model(GetParam().pFile);
    CParser parser;
    SScriptResult result = RunCaptured(parser, "loadmodel m " + sPath);
    EXPECT_FALSE(result.bOk);
    EXPECT_EQ(result.sOutput, std::string(GetParam().pFault) + "Model file " + sPath +
                                  " not read\n" + RejectedTail(1, "loadmodel"));
    EXPECT_TRUE(parser.GetModels().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Faults, BadModel,
    ::testing::Values(
        SBadModelCase{"triangles-without-vertices.xml",
                      "Mesh 0 (\"novertices\"): the mesh has triangles but no vertices\n"},
        SBadModelCase{"vertex-index-negative.xml",
                      "Mesh 0 (\"negative\"): triangle 0 uses vertex -1, but the mesh has 3 "
                      "vertices\n"},
        SBadModelCase{"vertex-index-out-of-range.xml",
                      "Mesh 1 (\"outside\"): triangle 0 uses vertex 3, but the mesh has 3 "
                      "vertices\n"},
        SBadModelCase{"normal-count-differs.xml",
                      "Mesh 0 (\"fewnormals\"): the mesh has 2 normals for 1 triangles, not one "
                      "per triangle corner\n"},
        SBadModelCase{"vertex-not-finite.xml",
                      "Mesh 0 (\"huge\"): a vertex is not a finite number\n"},
        SBadModelCase{"missing.xml", ""},
        SBadModelCase{"not-a-model.txt", "Expected filetype to be .bin or .xml, found neither\n"}));

} // namespace
