// The ASE block tree: which text becomes lines, which blocks, and where a
// parse stops; the words of a line; the nesting bound.
#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/util/LineSplit.h"
#include "converters/AseBlock.h"
#include "tests/converters/ConverterTestUtil.h"

namespace
{

// "[A,D]{B[C]}": the block's line keys, then each child as {name subtree}.
std::string Describe(const CAseBlock* pBlock)
{
    std::string s = "[";
    for (uint32 i = 0; i < pBlock->GetLineCount(); ++i)
        s += (i ? "," : "") + pBlock->GetLine(i)->GetKeyword();
    s += "]";
    for (uint32 i = 0; i < pBlock->GetChildCount(); ++i)
        s += "{" + pBlock->GetChild(i)->GetName() + Describe(pBlock->GetChild(i)) + "}";
    return s;
}

std::string ParseAndDescribe(const std::string& sText)
{
    CAseError error;
    CAseBlock* pRoot = ParseAse(&error, sText.c_str());
    if (pRoot == nullptr)
        return "null";
    const std::string s = Describe(pRoot);
    delete pRoot;
    return s;
}

struct TreeCase
{
    const char* pName;
    const char* pText;
    const char* pTree;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const TreeCase& c, std::ostream* pStream)
{
    *pStream << c.pName;
}

const TreeCase kTreeCases[] = {
    {"Empty", "", "[]"},
    {"BlanksOnly", " \t\n\n  \n", "[]"},
    {"LinesAndBlock", "*A 1\n*B {\n\t*C 2 3\n}\n*D\n", "[A,D]{B[C]}"},
    {"BraceOnNextLine", "*A\n{\n*B\n}\n", "[]{A[B]}"},
    {"ValuesOnFollowingLine", "*A 1\n2 3\n*B\n", "[A,B]"},
    {"QuotedStarAndBrace", "*A \"x * } y\"\n*B\n", "[A,B]"},
    {"BraceAttachedToKey", "*A{\n*B\n}\n*C\n", "[A{,B]"},
    // Exporters write "*MATERIAL 0 {": a bare brace ending the key's line opens a block.
    {"TrailingBraceOpensBlock", "*A 1 {\n*B\n}\n*C\n", "[C]{A[B]}"},
    {"MaterialBlocks",
     "*MATERIAL_LIST {\n\t*MATERIAL_COUNT 1\n\t*MATERIAL 0 {\n\t\t*MATERIAL_NAME \"m\"\n"
     "\t\t*SUBMATERIAL 1 {\n\t\t\t*MATERIAL_NAME \"s\"\n\t\t}\n\t}\n}\n*GEOMOBJECT {\n}\n",
     "[]{MATERIAL_LIST[MATERIAL_COUNT]{MATERIAL[MATERIAL_NAME]{SUBMATERIAL[MATERIAL_NAME]}}}"
     "{GEOMOBJECT[]}"},
    {"MappingChannel", "*MESH {\n*MESH_MAPPINGCHANNEL 2 {\n*MESH_NUMTVERTEX 0\n}\n*X\n}\n",
     "[]{MESH[X]{MESH_MAPPINGCHANNEL[MESH_NUMTVERTEX]}}"},
    {"QuotedValueThenBrace", "*GROUP \"Floor\" {\n*A\n}\n", "[]{GROUP[A]}"},
    {"QuotedBraceIsAValue", "*A \"{\"\n*B\n", "[A,B]"},
    {"BraceGluedToValue", "*A 1{\n*B\n}\n*C\n", "[A,B]"},
    {"BraceBeforeNextKeyOnSameLine", "*A 1 { *B 2 }\n*C\n", "[C]{A[B]}"},
    {"ValueAfterOpeningBraceEndsEverything", "*A { 1\n*B\n", "[]{A[]}"},
    {"BraceOnFollowingLineIsAValue", "*A 1\n{\n*B\n}\n*C\n", "[A,B]"},
    {"TextNotStartingWithKey", "x *A\n*B\n", "[]"},
    {"LetterAfterChildBlockEndsEverything", "*A {\n*C {\n}\nx\n*D\n}\n*E\n", "[]{A[]{C[]}}"},
    {"LetterAfterLineIsAValue", "*A {\n*B 1\nx\n*D\n}\n*E\n", "[E]{A[B,D]}"},
    {"UnclosedBlock", "*A {\n*B\n", "[]{A[B]}"},
    {"BraceAtRootEndsParse", "*A\n}\n*B\n", "[A]"},
};

class AseTreeTest : public testing::TestWithParam<TreeCase>
{
};

TEST_P(AseTreeTest, GivesTree)
{
    EXPECT_EQ(ParseAndDescribe(GetParam().pText), GetParam().pTree);
}

INSTANTIATE_TEST_SUITE_P(Texts, AseTreeTest, testing::ValuesIn(kTreeCases),
                         [](const testing::TestParamInfo<TreeCase>& info) {
                             return std::string(info.param.pName);
                         });

std::string Nested(int nLevels)
{
    std::string s;
    for (int i = 0; i < nLevels; ++i)
        s += "*L {\n";
    return s + "*X 1\n";
}

TEST(AseTree, NestingBound)
{
    CAseError deepest;
    CAseBlock* pRoot = ParseAse(&deepest, Nested(MAX_ASE_DEPTH).c_str());
    ASSERT_NE(pRoot, nullptr);
    EXPECT_FALSE(deepest.m_bError);
    delete pRoot;

    CAseError tooDeep;
    EXPECT_EQ(ParseAse(&tooDeep, Nested(MAX_ASE_DEPTH + 1).c_str()), nullptr);
    EXPECT_TRUE(tooDeep.m_bError);
}

TEST(AseTree, WordsOfALine)
{
    const std::string sText = "*A 1\n*B {\n\t*C 2 \"x y\" 3\n}\n";
    CAseError error;
    CAseBlock* pRoot = ParseAse(&error, sText.c_str());
    ASSERT_NE(pRoot, nullptr);
    std::vector<std::string> vWords;
    pRoot->GetChild(0)->GetLine(0)->GetWords(vWords);
    EXPECT_EQ(vWords, (std::vector<std::string>{"C", "2", "x y", "3"}));
    EXPECT_NE(pRoot->FindLine("A"), nullptr);
    EXPECT_EQ(pRoot->FindLine("C"), nullptr); // only the block's own lines
    EXPECT_EQ(pRoot->FindLine("a"), nullptr); // keys are compared exactly
    delete pRoot;
}

TEST(AseTree, FindLineGivesFirstOfTwo)
{
    const std::string sText = "*K first\n*K second\n";
    CAseError error;
    CAseBlock* pRoot = ParseAse(&error, sText.c_str());
    ASSERT_NE(pRoot, nullptr);
    std::vector<std::string> vWords;
    pRoot->FindLine("K")->GetWords(vWords);
    EXPECT_EQ(vWords[1], "first");
    delete pRoot;
}

// GetFirstWords must cut exactly the words that SplitLine cuts.
TEST(AseTree, FirstWordsArePrefixOfSplitLine)
{
    const char* const kLines[] = {
        "*MESH_FACE 0: A: 0 B: 1 C: 2 AB: 1 *MESH_SMOOTHING 1",
        "*K a  ",
        "*K \"a b\"cd \"unclosed",
        "*K \"\" x\ty",
        "*K",
        "*K a b\n*L c",
    };
    for (const char* pLine : kLines)
    {
        CAseLine line(pLine, 1);
        std::vector<std::string> vAll;
        SplitLine(pLine, 1, vAll);
        for (uint32 nMax = 0; nMax <= vAll.size() + 1; ++nMax)
        {
            std::vector<std::string> vFirst;
            line.GetFirstWords(vFirst, nMax);
            const size_t nExpected = std::min<size_t>(nMax, vAll.size());
            EXPECT_EQ(vFirst, std::vector<std::string>(vAll.begin(), vAll.begin() + nExpected))
                << pLine << " with " << nMax;
        }
    }
}

TEST(AseTree, Dump)
{
    const std::string sText = "*A 1\n*B {\n*C\n}\n";
    CAseError error;
    CAseBlock* pRoot = ParseAse(&error, sText.c_str());
    ASSERT_NE(pRoot, nullptr);
    EXPECT_EQ(CaptureOutput([&] { pRoot->Dump(0); }), "\n1\n    B\n    11\n");
    delete pRoot;
}

} // namespace
