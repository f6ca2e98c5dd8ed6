// The per-test working folder: a GoogleTest event listener, registered while the
// program starts (the test programs use gtest_main), makes the folder and enters
// it before each test and leaves and removes it after; a test environment takes a
// death test's child process into the folder of its test.
#include "tests/support/TestFolder.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace
{
// Passes the folder to a death test's child process: in the "threadsafe" style
// GoogleTest starts the program afresh in the original working folder to run
// the one test, and the child must work in the folder of the test that started it.
// (In the "fast" style the forked child simply keeps its parent's working folder.)
const char kFolderVariable[] = "VORL_TEST_FOLDER";

std::string g_sFolder;

[[noreturn]] void Fail(const char* pWhat, const std::string& sPath)
{
    std::fprintf(stderr, "test folder: cannot %s '%s': %s\n", pWhat, sPath.c_str(), std::strerror(errno));
    std::fflush(stderr);
    std::abort();
}

std::string CurrentFolder()
{
    std::error_code error;
    const std::filesystem::path path = std::filesystem::current_path(error);
    if (error)
    {
        errno = error.value();
        Fail("read", "the working folder");
    }
    return path.string();
}

// A new, empty folder under $TMPDIR (or /tmp), as an absolute path.
std::string MakeFolder()
{
    const char* pBase = std::getenv("TMPDIR");
    const std::string sBase = pBase && *pBase ? pBase : "/tmp";
    std::string sTemplate = sBase + "/vorl-test-XXXXXX";
    std::vector<char> vName(sTemplate.begin(), sTemplate.end());
    vName.push_back('\0');
    if (!mkdtemp(vName.data()))
        Fail("make a folder from", sTemplate);
    std::error_code error;
    const std::filesystem::path path = std::filesystem::absolute(vName.data(), error);
    return error ? std::string(vName.data()) : path.lexically_normal().string();
}

void Enter(const std::string& sPath)
{
    if (chdir(sPath.c_str()) != 0)
        Fail("enter", sPath);
}

bool IsDeathTestChild()
{
    return !GTEST_FLAG_GET(internal_run_death_test).empty();
}

class CTestFolderListener : public ::testing::EmptyTestEventListener
{
public:
    void OnTestStart(const ::testing::TestInfo&) override
    {
        m_sReturnTo = CurrentFolder();
        g_sFolder = MakeFolder();
        if (setenv(kFolderVariable, g_sFolder.c_str(), 1) != 0)
            Fail("export", g_sFolder);
        Enter(g_sFolder);
    }

    void OnTestEnd(const ::testing::TestInfo&) override
    {
        Enter(m_sReturnTo);
        unsetenv(kFolderVariable);
        std::error_code error;
        std::filesystem::remove_all(g_sFolder, error);
        if (error)
        {
            errno = error.value();
            Fail("remove", g_sFolder);
        }
        g_sFolder.clear();
    }

private:
    std::string m_sReturnTo;
};

// A death test's child gets no test events, but its environments are set up
// before its one test runs: it enters the folder of the test that started it,
// which that test removes.
class CDeathTestChildFolder : public ::testing::Environment
{
public:
    void SetUp() override
    {
        if (!IsDeathTestChild())
            return;
        const char* pFolder = std::getenv(kFolderVariable);
        if (!pFolder || !*pFolder)
        {
            errno = ENOENT;
            Fail("find the parent test's folder in", kFolderVariable);
        }
        g_sFolder = pFolder;
        Enter(g_sFolder);
    }
};

// Registered before main runs; GoogleTest owns and deletes both.
struct SRegister
{
    SRegister()
    {
        ::testing::UnitTest::GetInstance()->listeners().Append(new CTestFolderListener);
        ::testing::AddGlobalTestEnvironment(new CDeathTestChildFolder);
    }
} g_register;
} // namespace

const std::string& TestFolder()
{
    if (g_sFolder.empty())
    {
        errno = ENOENT;
        Fail("name a test folder", "outside a running test");
    }
    return g_sFolder;
}
