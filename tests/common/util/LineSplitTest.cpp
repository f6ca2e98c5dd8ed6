// SplitLine and NextWord: quotes, empty words, line ends and return values.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/util/LineSplit.h"

namespace
{
typedef std::vector<std::string> Words;

struct SplitCase
{
    std::string text;
    int iPos;
    int iNext;
    Words words;
};
} // namespace

TEST(SplitLine, Table)
{
    const SplitCase cases[] = {
        {"sphere 1 2 3\n", 0, 13, {"sphere", "1", "2", "3"}},
        {"sphere 1 2 3", 0, 0, {"sphere", "1", "2", "3"}},
        {"\nnext", 0, 1, {}},
        {"", 0, 0, {}},
        {"\t \n", 0, 3, {""}},
        {"abc  \n", 0, 6, {"abc", ""}},
        {"loadmodel \"my model.xml\"\n", 0, 25, {"loadmodel", "my model.xml"}},
        {"\"\" x\n", 0, 5, {"", "x"}},
        {"\"ab\"cd\n", 0, 7, {"ab", "cd"}},
        {"ab\"cd\n", 0, 6, {"ab\"cd"}},
        {"\"open quote\nnext", 0, 12, {"open quote"}},
        {"a\tb\r\n", 0, 5, {"a", "b\r"}},
        {"one\ntwo three\n", 4, 14, {"two", "three"}},
    };
    for (const SplitCase& c : cases)
    {
        Words words = {"stale"};
        EXPECT_EQ(SplitLine(c.text.c_str(), c.iPos, words), c.iNext) << c.text;
        EXPECT_EQ(words, c.words) << c.text;
    }
}

TEST(SplitLine, LoopVisitsEveryLine)
{
    const char* text = "# comment\n\ncolor 1 2 3";
    Words words;
    std::vector<Words> lines;
    int iPos = 0;
    do
    {
        iPos = SplitLine(text, iPos, words);
        lines.push_back(words);
    } while (iPos != 0);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], Words());
    EXPECT_EQ(lines[2], (Words{"color", "1", "2", "3"}));
}

TEST(NextWord, SkipsExactlyOneCharacterAfterTheWord)
{
    const char* text = "\n  abc def";
    std::string word;
    int iPos = NextWord(text, 0, word);
    EXPECT_EQ(word, "abc");
    EXPECT_EQ(iPos, 7);
    EXPECT_EQ(NextWord(text, iPos, word), 0);
    EXPECT_EQ(word, "def");
}

TEST(NextWord, KeepsQuotes)
{
    struct Case
    {
        const char* text;
        std::string word;
        int iNext;
    } cases[] = {
        {"\"quoted word\" x", "\"quoted word\"", 14},
        {"\"ab\"cd", "\"ab\"", 5}, // the c after the quote is skipped
        {"\"open\nx", "\"open", 6},
        {" \n\t", "", 0},
        {"", "", 0},
        {"{", "{", 0},
    };
    for (const Case& c : cases)
    {
        std::string word = "stale";
        EXPECT_EQ(NextWord(c.text, 0, word), c.iNext) << c.text;
        EXPECT_EQ(word, c.word) << c.text;
    }
}

TEST(IsBlank, OnlySpaceAndTab)
{
    EXPECT_TRUE(IsBlank(' '));
    EXPECT_TRUE(IsBlank('\t'));
    EXPECT_FALSE(IsBlank('\n'));
    EXPECT_FALSE(IsBlank('\r'));
}
