// Fuzz target of the .bin model reader: any bytes as a model file. A model it
// accepts must pass the mesh checks, since the reader checks every index itself.

#include <cstdint>
#include <cstdlib>

#include "model/ModelFile.h"
#include "fuzz/model/ModelFuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    static const CFuzzInputFile inputFile(".bin");
    const std::string sPath = inputFile.Write(pData, nSize);
    if (sPath.empty())
        abort();
    CModel model;
    if (LoadModelBin(sPath, &model) && !FindModelFault(&model).empty())
        abort();
    return 0;
}
