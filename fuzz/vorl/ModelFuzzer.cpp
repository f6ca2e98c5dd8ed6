// Loads arbitrary bytes as a model file (.xml or .bin by the first byte),
// places instances of it and renders a tiny picture, so that every mesh the
// loadmodel command accepts is built into mesh primitives and traced.
#include "vorl/Parser.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

namespace
{

std::string g_sModelXml;
std::string g_sModelBin;
std::string g_sImage;

bool WriteAll(const std::string& sPath, const uint8_t* pData, size_t nSize)
{
    FILE* pFile = std::fopen(sPath.c_str(), "wb");
    if (!pFile)
        return false;
    bool bOk = std::fwrite(pData, 1, nSize, pFile) == nSize;
    return std::fclose(pFile) == 0 && bOk;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    std::string sBase = "/tmp/vorl-model-fuzz-" + std::to_string(getpid());
    g_sModelXml = sBase + ".xml";
    g_sModelBin = sBase + ".bin";
    g_sImage = sBase + ".tga";
    if (!std::freopen("/dev/null", "w", stdout))
        return 1;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    if (nSize == 0)
        return 0;
    const std::string& sModel = (pData[0] & 1) ? g_sModelBin : g_sModelXml;
    if (!WriteAll(sModel, pData + 1, nSize - 1))
        return 0;
    std::string sScript = "image 4 3\ncamera eye 0.3 0.2 4\nlight 1 2 5 4\nloadmodel m " + sModel +
                          "\ninstance m 0 0 0\nrotate 10 20 30\nmaterial glass 1.5 0.1\n"
                          "instance m 0.1 0.2 -0.3\n";
    {
        CParser parser;
        if (parser.RunScript(sScript.c_str()))
            parser.RenderScene(g_sImage.c_str());
    }
    std::remove(sModel.c_str());
    std::remove(g_sImage.c_str());
    return 0;
}
