// Fuzz target: ASE text through the block tree and the mesh readers.
#include "converters/AseReader.h"
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
    if (ReadAse(&buffer, &model))
        CheckModel(model);
    else
        assert(model.GetMeshCount() == 0);
    return 0;
}
