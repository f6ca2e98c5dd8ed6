// Fuzz target: PLY text through the PLY reader.
#include "converters/PlyReader.h"
#include "fuzz/converters/FuzzInput.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    SilenceOutput();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    CFileBuffer buffer;
    if (!LoadFuzzInput(buffer, pData, nSize))
        return 0;
    CModel model;
    const bool bRead = ReadPly(buffer, model);
    // A refused file adds nothing; an accepted one adds exactly one sound mesh.
    assert(model.GetMeshCount() == (bRead ? 1u : 0u));
    if (bRead)
        CheckModel(model);
    return 0;
}
