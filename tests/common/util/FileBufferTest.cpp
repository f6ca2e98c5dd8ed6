// CFileBuffer: binary and text loads, CR LF handling, empty and missing files.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "common/util/FileBuffer.h"

namespace
{
// Writes bytes to a file in the test's working folder and returns its name.
std::string WriteFile(const std::string& name, const std::string& bytes)
{
    FILE* pFile = fopen(name.c_str(), "wb");
    EXPECT_NE(pFile, nullptr);
    fwrite(bytes.data(), 1, bytes.size(), pFile);
    fclose(pFile);
    return name;
}

std::string Contents(const CFileBuffer& buffer)
{
    return std::string(reinterpret_cast<const char*>(buffer.GetData()), buffer.GetSize());
}
} // namespace

TEST(FileBuffer, MissingFileFailsAndLeavesTheBufferEmpty)
{
    CFileBuffer buffer;
    EXPECT_FALSE(buffer.LoadBinary("no-such-file.bin"));
    EXPECT_EQ(buffer.GetSize(), 0);
    EXPECT_EQ(buffer.GetData(), nullptr);
    EXPECT_FALSE(buffer.LoadText("no-such-file.txt"));
    EXPECT_EQ(buffer.GetData(), nullptr);
}

TEST(FileBuffer, EmptyFileLoadsAsNoData)
{
    std::string name = WriteFile("fb-empty.txt", "");
    CFileBuffer buffer;
    EXPECT_TRUE(buffer.LoadBinary(name.c_str()));
    EXPECT_EQ(buffer.GetSize(), 0);
    EXPECT_EQ(buffer.GetData(), nullptr);
    EXPECT_TRUE(buffer.LoadText(name.c_str()));
    EXPECT_EQ(buffer.GetSize(), 0);
    EXPECT_EQ(buffer.GetData(), nullptr);
}

TEST(FileBuffer, DirectoryIsNotAFile)
{
    CFileBuffer buffer;
    EXPECT_FALSE(buffer.LoadText("."));
    EXPECT_FALSE(buffer.LoadBinary("."));
    EXPECT_EQ(buffer.GetData(), nullptr);
}

TEST(FileBuffer, TextGetsATerminatingNul)
{
    std::string name = WriteFile("fb-abc.txt", "abc");
    CFileBuffer buffer;
    ASSERT_TRUE(buffer.LoadText(name.c_str()));
    EXPECT_EQ(Contents(buffer), std::string("abc\0", 4));
}

TEST(FileBuffer, TextDropsTheCrOfCrLfPairsOnly)
{
    struct Case
    {
        std::string file, text;
    } cases[] = {
        {"a\r\nb\r\n", "a\nb\n"},
        {"lone\rcr\n", "lone\rcr\n"},
        {"\r\r\n", "\r\n"},
        {"end\r", "end\r"},
        {"\r\n", "\n"},
    };
    CFileBuffer buffer;
    for (const Case& c : cases)
    {
        std::string name = WriteFile("fb-crlf.txt", c.file);
        ASSERT_TRUE(buffer.LoadText(name.c_str()));
        EXPECT_EQ(Contents(buffer), c.text + '\0');
    }
}

TEST(FileBuffer, BinaryKeepsEveryByte)
{
    const std::string bytes("\x00\x01\r\n\xff\x7f\x80\r\x00zzz", 12);
    std::string name = WriteFile("fb-bytes.bin", bytes);
    CFileBuffer buffer;
    ASSERT_TRUE(buffer.LoadBinary(name.c_str()));
    EXPECT_EQ(Contents(buffer), bytes);
}

TEST(FileBuffer, ASecondLoadReplacesTheFirst)
{
    std::string first = WriteFile("fb-first.txt", "first file");
    std::string second = WriteFile("fb-second.txt", "2nd");
    CFileBuffer buffer;
    ASSERT_TRUE(buffer.LoadText(first.c_str()));
    ASSERT_TRUE(buffer.LoadText(second.c_str()));
    EXPECT_EQ(Contents(buffer), std::string("2nd\0", 4));
    EXPECT_FALSE(buffer.LoadText("no-such-file"));
    EXPECT_EQ(buffer.GetSize(), 0);
}
