// CFileBuffer: whole-file loading as bytes or as text.
#include "common/util/FileBuffer.h"

#include <climits>
#include <cstdio>

void CFileBuffer::Release()
{
    delete[] m_pData;
    m_pData = nullptr;
    m_nSize = 0;
}

// Opens the file and finds its length. Returns null when the file cannot be
// opened or its length cannot be held (a non-seekable stream, a directory, or
// more than 2 GiB).
static FILE* OpenWithLength(const char* pPath, const char* pMode, long& nLength)
{
    FILE* pFile = fopen(pPath, pMode);
    if (pFile == nullptr)
        return nullptr;
    nLength = -1;
    if (fseek(pFile, 0, SEEK_END) == 0)
        nLength = ftell(pFile);
    if (nLength < 0 || nLength >= INT_MAX || fseek(pFile, 0, SEEK_SET) != 0)
    {
        fclose(pFile);
        return nullptr;
    }
    return pFile;
}

bool CFileBuffer::LoadBinary(const char* pPath)
{
    Release();
    long nLength = 0;
    FILE* pFile = OpenWithLength(pPath, "rb", nLength);
    if (pFile == nullptr)
        return false;
    bool bOk = true;
    if (nLength > 0)
    {
        m_pData = new uint8[nLength];
        const size_t nRead = fread(m_pData, 1, size_t(nLength), pFile);
        // A read error (a directory opens but cannot be read) is a failure;
        // a file that shrank since its length was taken keeps what was read.
        if (ferror(pFile))
            bOk = false;
        else
            m_nSize = sint32(nRead);
        if (m_nSize == 0)
            Release();
    }
    fclose(pFile);
    if (!bOk)
        Release();
    return bOk;
}

bool CFileBuffer::LoadText(const char* pPath)
{
    Release();
    long nLength = 0;
    FILE* pFile = OpenWithLength(pPath, "r", nLength);
    if (pFile == nullptr)
        return false;
    if (nLength == 0)
    {
        fclose(pFile);
        return true;
    }

    // The length is an upper bound of the text: CRs of CR LF pairs are
    // dropped below, so the platform's text mode does not matter.
    uint8* pText = new uint8[size_t(nLength) + 1];
    const size_t nRead = fread(pText, 1, size_t(nLength), pFile);
    const bool bError = ferror(pFile) != 0;
    fclose(pFile);
    if (bError)
    {
        delete[] pText;
        return false;
    }

    size_t nOut = 0;
    for (size_t i = 0; i < nRead; i++)
    {
        if (pText[i] == '\r' && i + 1 < nRead && pText[i + 1] == '\n')
            continue;
        pText[nOut++] = pText[i];
    }
    if (nOut == 0)
    {
        delete[] pText;
        return true;
    }
    pText[nOut] = 0;
    m_pData = pText;
    m_nSize = sint32(nOut + 1);
    return true;
}
