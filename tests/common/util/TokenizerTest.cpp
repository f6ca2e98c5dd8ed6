// ScanNumber and ScanIdentifier over tables of words: class and stop position.
#include <gtest/gtest.h>

#include <climits>

#include "common/util/Tokenizer.h"

namespace
{
struct ScanCase
{
    const char* text;
    TokenType eType;
    int iPos; // where the scan stops
};

void PrintTo(const ScanCase& c, std::ostream* os)
{
    *os << '"' << c.text << '"';
}

class ScanNumberTest : public testing::TestWithParam<ScanCase>
{
};

class ScanIdentifierTest : public testing::TestWithParam<ScanCase>
{
};
} // namespace

TEST_P(ScanNumberTest, ClassAndStopPosition)
{
    const ScanCase& c = GetParam();
    int iPos = 0;
    EXPECT_EQ(ScanNumber(c.text, &iPos), c.eType);
    EXPECT_EQ(iPos, c.iPos);
}

// Every state of the machine, with each way out of it.
INSTANTIATE_TEST_SUITE_P(States, ScanNumberTest,
                         testing::Values(
                             // state 0: start
                             ScanCase{"", TOKEN_NOT_RECOGNIZED, 0}, ScanCase{"abc", TOKEN_NOT_RECOGNIZED, 0},
                             ScanCase{"+7", TOKEN_NOT_RECOGNIZED, 0}, ScanCase{"-7", TOKEN_INTEGER, 2},
                             ScanCase{"--7", TOKEN_INTEGER, 3}, ScanCase{"-", TOKEN_NOT_RECOGNIZED, 1},
                             // state 1: a leading 0
                             ScanCase{"0", TOKEN_INTEGER, 1}, ScanCase{"0123", TOKEN_INTEGER, 4},
                             ScanCase{"0.", TOKEN_REAL, 2}, ScanCase{"0z", TOKEN_INTEGER, 1},
                             // state 2: decimal digits
                             ScanCase{"42", TOKEN_INTEGER, 2}, ScanCase{"12abc", TOKEN_INTEGER, 2},
                             ScanCase{"5f", TOKEN_INTEGER, 1}, ScanCase{"1e5", TOKEN_INTEGER, 1},
                             // states 3 and 4: hexadecimal
                             ScanCase{"0x", TOKEN_NOT_RECOGNIZED, 2}, ScanCase{"0x1F", TOKEN_HEXINTEGER, 4},
                             ScanCase{"0XaBg", TOKEN_HEXINTEGER, 4}, ScanCase{"0xg", TOKEN_NOT_RECOGNIZED, 2},
                             // states 5 and 6: binary
                             ScanCase{"0b", TOKEN_NOT_RECOGNIZED, 2}, ScanCase{"0b101", TOKEN_BININTEGER, 5},
                             ScanCase{"0b102", TOKEN_BININTEGER, 4}, ScanCase{"0B2", TOKEN_NOT_RECOGNIZED, 2},
                             // state 7: after the point
                             ScanCase{"3.25", TOKEN_REAL, 4}, ScanCase{"5.", TOKEN_REAL, 2},
                             ScanCase{"3.25F", TOKEN_REAL, 4}, ScanCase{"1.2.3", TOKEN_REAL, 3},
                             // state 8: a leading point
                             ScanCase{".5", TOKEN_REAL, 2}, ScanCase{".", TOKEN_NOT_RECOGNIZED, 1},
                             ScanCase{".x", TOKEN_NOT_RECOGNIZED, 1},
                             // state 9: the f suffix
                             ScanCase{"3.25f", TOKEN_REAL, 5}, ScanCase{"1.5fe3", TOKEN_EXPREAL, 6},
                             ScanCase{"1.5ff", TOKEN_REAL, 4},
                             // states 10 to 12: the exponent
                             ScanCase{"1.5e", TOKEN_NOT_RECOGNIZED, 4}, ScanCase{"1.5e+", TOKEN_NOT_RECOGNIZED, 5},
                             ScanCase{"2.5e-3", TOKEN_EXPREAL, 6}, ScanCase{"1.e5", TOKEN_EXPREAL, 4},
                             ScanCase{"1.0E+12x", TOKEN_EXPREAL, 7}, ScanCase{"1.0e1.5", TOKEN_EXPREAL, 5}));

TEST(ScanNumber, LengthBoundActsAsANul)
{
    int iPos = 0;
    EXPECT_EQ(ScanNumber("123", &iPos, 2), TOKEN_INTEGER);
    EXPECT_EQ(iPos, 2);
    iPos = 0;
    EXPECT_EQ(ScanNumber("0x1", &iPos, 2), TOKEN_NOT_RECOGNIZED);
    iPos = 1;
    EXPECT_EQ(ScanNumber("x7", &iPos, 0), TOKEN_NOT_RECOGNIZED);
    EXPECT_EQ(iPos, 1);
}

TEST(ScanNumber, StartsAtTheGivenPosition)
{
    int iPos = 4;
    EXPECT_EQ(ScanNumber("abc 17 x", &iPos), TOKEN_INTEGER);
    EXPECT_EQ(iPos, 6);
}

TEST_P(ScanIdentifierTest, ClassAndStopPosition)
{
    const ScanCase& c = GetParam();
    int iPos = 0;
    EXPECT_EQ(ScanIdentifier(c.text, &iPos), c.eType);
    EXPECT_EQ(iPos, c.iPos);
}

INSTANTIATE_TEST_SUITE_P(Words, ScanIdentifierTest,
                         testing::Values(ScanCase{"_name2", TOKEN_IDENTIFIER, 6},
                                         ScanCase{"2name", TOKEN_NOT_RECOGNIZED, 0},
                                         ScanCase{"a-b", TOKEN_IDENTIFIER, 1}, ScanCase{"", TOKEN_NOT_RECOGNIZED, 0},
                                         ScanCase{"Zz_9 rest", TOKEN_IDENTIFIER, 4},
                                         ScanCase{"ab\xc3\xa9", TOKEN_IDENTIFIER, 2},
                                         ScanCase{"\xc3\xa9", TOKEN_NOT_RECOGNIZED, 0}));

TEST(TokenTypeNames, NamesEveryClass)
{
    const char* names[] = {"Not recognized", "integer", "hexinteger", "bininteger",
                           "real",           "expreal", "identifier"};
    for (int i = 0; i < 7; i++)
        EXPECT_EQ(GetTokenTypeName(i), names[i]);
}
