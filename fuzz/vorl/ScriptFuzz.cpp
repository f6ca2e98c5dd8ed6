// Runs arbitrary text as a scene script, without rendering. loadmodel reads
// only a few small model files, whatever name the script gives, so that the
// fuzzer never opens files of the machine it runs on.
#include "Common/ModelFile.h"
#include "vorl/Parser.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace
{

bool LoadKnownModel(const std::string& sFileName, CModel* pModel)
{
    static const char* const s_apKnown[][2] = {
        {"a.xml", "tetra.xml"},
        {"b.xml", "two-meshes.xml"},
        {"c.xml", "no-triangles.xml"},
        {"d.xml", "vertex-index-out-of-range.xml"},
        {"e.txt", "not-a-model.txt"},
    };
    for (const auto& known : s_apKnown)
        if (sFileName == known[0])
            return LoadModel(std::string(VORL_TEST_DATA) + "/vorl/models/" + known[1], pModel);
    return false;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // The interpreter reports on stdout; the fuzzer's own reports go to stderr.
    if (!std::freopen("/dev/null", "w", stdout))
        return 1;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    std::string sText(reinterpret_cast<const char*>(pData), nSize); // ends at its first NUL
    CParser parser;
    parser.SetModelLoader(LoadKnownModel);
    parser.RunScript(sText.c_str());
    return 0;
}
