// Helpers of the converter tests: literal text as a loaded file buffer, the
// console output of a call, and meshes as text.
#pragma once

#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include <unistd.h>

#include <gtest/gtest.h>

#include "model/Model.h"
#include "common/util/FileBuffer.h"

// A file name in the working folder of its own for this test process, since
// CTest may run the cases of one program side by side.
inline std::string ScratchPath(const std::string& sName)
{
    return "scratch-" + std::to_string(getpid()) + "-" + sName;
}

// Writes sText to a file in the test's working folder and loads it as text.
inline void LoadTextBuffer(CFileBuffer& buffer, const std::string& sText)
{
    const std::string sPath = ScratchPath("input.txt");
    {
        std::ofstream file(sPath, std::ios::binary);
        file << sText;
    }
    ASSERT_TRUE(buffer.LoadText(sPath.c_str()));
    remove(sPath.c_str());
}

// What fnCall prints on standard output.
inline std::string CaptureOutput(const std::function<void()>& fnCall)
{
    fflush(stdout);
    testing::internal::CaptureStdout();
    fnCall();
    fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

// "%f %f %f" lines, as the XML model file writes vectors.
inline std::string VectorsText(const Vector3d* pVectors, uint32 nCount)
{
    std::string sText;
    char sLine[160];
    for (uint32 i = 0; i < nCount; ++i)
    {
        snprintf(sLine, sizeof(sLine), "%f %f %f\n", pVectors[i].x, pVectors[i].y, pVectors[i].z);
        sText += sLine;
    }
    return sText;
}

inline std::string TrianglesText(const CModelMesh* pMesh)
{
    std::string sText;
    for (uint32 t = 0; t < pMesh->GetTriangleCount(); ++t)
    {
        const Index3& triangle = pMesh->GetTriangles()[t];
        sText += std::to_string(sint32(triangle.a)) + " " + std::to_string(sint32(triangle.b)) +
                 " " + std::to_string(sint32(triangle.c)) + "\n";
    }
    return sText;
}

inline std::string ReadWholeFile(const std::string& sPath)
{
    std::ifstream file(sPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}
