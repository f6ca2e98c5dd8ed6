// Shared by the model-file fuzz targets: the readers take a path, so each input
// is written to a temporary file of this process first, removed at exit.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

class CFuzzInputFile
{
public:
    explicit CFuzzInputFile(const char* sExtension)
        : m_sPath("/tmp/vorl_fuzz_model_" + std::to_string(getpid()) + sExtension)
    {
    }
    ~CFuzzInputFile() { std::remove(m_sPath.c_str()); }

    // The path of a file holding exactly the given bytes; empty when it cannot be written.
    std::string Write(const uint8_t* pData, size_t nSize) const
    {
        std::FILE* pFile = std::fopen(m_sPath.c_str(), "wb");
        if (!pFile)
            return std::string();
        const bool bOk = std::fwrite(pData, 1, nSize, pFile) == nSize;
        return std::fclose(pFile) == 0 && bOk ? m_sPath : std::string();
    }

private:
    std::string m_sPath;
};
