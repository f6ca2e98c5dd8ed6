// Helpers of the interpreter tests: run a script through a fresh or given
// CParser and capture what it prints.
#pragma once

#include "vorl/Parser.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

struct SScriptResult
{
    bool bOk;
    std::string sOutput;
};

inline SScriptResult RunCaptured(CParser& parser, const std::string& sScript)
{
    ::testing::internal::CaptureStdout();
    bool bOk = parser.RunScript(sScript.c_str());
    fflush(stdout);
    return SScriptResult{bOk, ::testing::internal::GetCapturedStdout()};
}

// The lines the script loop prints after a single rejected line.
inline std::string RejectedTail(int iLine, const std::string& sCommand)
{
    char acLine[160];
    snprintf(acLine, sizeof acLine, "Error: line %5d    command: %s\n", iLine, sCommand.c_str());
    return std::string(acLine) + "Found 1 error(s) in script, try 'vorl help' for more info\n";
}

inline std::string TestData(const std::string& sLeaf)
{
    return std::string(VORL_TEST_DATA) + "/vorl/" + sLeaf;
}
