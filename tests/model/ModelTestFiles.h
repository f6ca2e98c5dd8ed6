// Helpers of the model tests: temporary files with literal contents, reading a
// file back, and building .bin model files in memory.
#pragma once

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/util/Types.h"
#include "tests/support/TestFolder.h"

// A path in the running test's own folder, which is removed when the test ends.
inline std::string TempPath(const std::string& sLeaf)
{
    return TestFolder() + "/" + sLeaf;
}

inline std::string WriteTempFile(const std::string& sLeaf, const std::string& sBytes)
{
    const std::string sPath = TempPath(sLeaf);
    std::ofstream file(sPath, std::ios::binary | std::ios::trunc);
    file.write(sBytes.data(), std::streamsize(sBytes.size()));
    return sPath;
}

inline std::string ReadWholeFile(const std::string& sPath)
{
    std::ifstream file(sPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

inline bool FileExists(const std::string& sPath)
{
    std::FILE* pFile = std::fopen(sPath.c_str(), "rb");
    if (pFile)
        std::fclose(pFile);
    return pFile != nullptr;
}

inline std::string DataPath(const std::string& sLeaf)
{
    return std::string(VORL_TEST_DATA) + "/models/" + sLeaf;
}

// Little-endian pieces of a .bin model file.
inline void AppendUint32(std::string& sBytes, uint32 iValue)
{
    for (int i = 0; i < 4; ++i)
        sBytes += char((iValue >> (8 * i)) & 0xff);
}

inline void AppendFloat(std::string& sBytes, float fValue)
{
    uint32 iBits;
    std::memcpy(&iBits, &fValue, sizeof iBits);
    AppendUint32(sBytes, iBits);
}
