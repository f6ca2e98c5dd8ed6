// The folder every test works in: fresh, empty, under the temporary folder, and
// shared with the child process of a death test.
#include "tests/support/TestFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace
{
TEST(TestFolder, EachTestWorksInAnEmptyFolderUnderTheTemporaryFolder)
{
    const fs::path folder = TestFolder();
    EXPECT_EQ(fs::current_path(), folder);
    EXPECT_TRUE(fs::is_empty(folder));
    const char* pBase = std::getenv("TMPDIR");
    EXPECT_EQ(fs::canonical(folder.parent_path()), fs::canonical(pBase && *pBase ? pBase : "/tmp"));
}

// A "threadsafe" death test runs its statement in the program started afresh.
TEST(TestFolder, DeathTestChildWritesIntoTheSameFolder)
{
    const std::string sStyle = GTEST_FLAG_GET(death_test_style);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            std::ofstream("from-child.txt") << "written";
            std::exit(0);
        },
        testing::ExitedWithCode(0), "");
    GTEST_FLAG_SET(death_test_style, sStyle);
    std::ifstream file(TestFolder() + "/from-child.txt");
    std::string sText;
    EXPECT_TRUE(std::getline(file, sText));
    EXPECT_EQ(sText, "written");
}
} // namespace
