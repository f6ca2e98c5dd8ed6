// Runs arbitrary text as a scene script and, when the script is accepted,
// renders it into a tiny picture, so that every value a script can hand the
// engine is traced. loadmodel reads only a few small model files, whatever
// name the script gives, so that the fuzzer never opens files of the machine
// it runs on.
#include "model/ModelFile.h"
#include "vorl/Parser.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace
{

// Photon counts above this are run without rendering: the photon pass would
// take longer than a fuzz input may.
const int MAX_FUZZ_PHOTONS = 200;

std::string g_sImage;

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
    // The photon pictures go to fixed names in the working folder: work in a
    // folder of our own.
    char acFolder[] = "/tmp/vorl-script-fuzz-XXXXXX";
    if (!mkdtemp(acFolder) || chdir(acFolder) != 0)
        return 1;
    g_sImage = std::string(acFolder) + "/image.tga";
    // The interpreter reports on stdout; the fuzzer's own reports go to stderr.
    if (!std::freopen("/dev/null", "w", stdout))
        return 1;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    // The script ends at its first NUL; the last image line wins, so every
    // accepted script renders only a few pixels.
    std::string sText(reinterpret_cast<const char*>(pData), nSize);
    sText = sText.c_str();
    sText += "\nimage 3 2\n";
    CParser parser;
    parser.SetModelLoader(LoadKnownModel);
    if (parser.RunScript(sText.c_str()) && parser.GetPhotons() <= MAX_FUZZ_PHOTONS)
        parser.RenderScene(g_sImage.c_str());
    return 0;
}
