// Shared by the converter fuzz targets: the input goes through a file,
// as the readers only ever see a loaded file buffer, and every model they build
// must be one that the renderer can use.
#pragma once

#include <unistd.h>

#include <cassert>
#include <cstdint>
#include <cstdio>
#include <string>

#include "model/Model.h"
#include "model/ModelFile.h"
#include "common/util/FileBuffer.h"

// Loads the fuzz input as text through a file of this process's own.
inline bool LoadFuzzInput(CFileBuffer& buffer, const uint8_t* pData, size_t nSize)
{
    static const std::string sPath = "/tmp/vorl-converter-fuzz-" + std::to_string(getpid());
    FILE* pFile = fopen(sPath.c_str(), "wb");
    if (pFile == nullptr)
        return false;
    const bool bWritten = fwrite(pData, 1, nSize, pFile) == nSize;
    fclose(pFile);
    return bWritten && buffer.LoadText(sPath.c_str());
}

// Every mesh must keep its indices below its vertex count and carry three
// normals per triangle; the XML text of the model is built as the writer would.
inline void CheckModel(const CModel& model)
{
    assert(FindModelFault(&model).empty());
    std::string sText;
    WriteXmlHeader(sText);
    WriteRoot(sText, &model);
}

// The readers report on standard output; the fuzzer does not need it.
inline void SilenceOutput()
{
    if (freopen("/dev/null", "w", stdout) == nullptr)
        fprintf(stderr, "cannot silence standard output\n");
}
