// CImage: pixel buffer, TGA writer, raw dumps and raw loader.
#include "raytracer/Image.h"

#include <cstdio>
#include <filesystem>
#include <new>
#include <system_error>
#include <vector>

namespace
{
int ClampChannel(int v)
{
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}

// Removes what a failed writer left behind. Only a regular file is removed, so that a
// failed write to a device (say /dev/full) never deletes the device itself.
void RemovePartialFile(const char* pPath)
{
    std::error_code ec;
    if (std::filesystem::is_regular_file(pPath, ec))
        std::filesystem::remove(pPath, ec);
}

// Writes the blocks in order to a file created or truncated at pPath. True only when
// every byte was written and the file was closed cleanly; otherwise the file is removed.
bool WriteWholeFile(const char* pPath, const void* pFirst, size_t nFirst, const void* pSecond,
                    size_t nSecond)
{
    if (!pPath)
        return false;
    FILE* pFile = fopen(pPath, "wb");
    if (!pFile)
        return false;
    bool bOk = fwrite(pFirst, 1, nFirst, pFile) == nFirst;
    if (bOk && nSecond > 0)
        bOk = fwrite(pSecond, 1, nSecond, pFile) == nSecond;
    // fclose flushes the stream: a full disk often shows only here.
    if (fclose(pFile) != 0)
        bOk = false;
    if (!bOk)
        RemovePartialFile(pPath);
    return bOk;
}

void PutLittleEndian16(uint8* p, int v)
{
    p[0] = static_cast<uint8>(v & 0xFF);
    p[1] = static_cast<uint8>((v >> 8) & 0xFF);
}

void PutLittleEndian32(uint8* p, sint32 v)
{
    const uint32 u = static_cast<uint32>(v);
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8>((u >> (8 * i)) & 0xFF);
}
} // namespace

CImage::CImage(int nWidth, int nHeight) : m_pPixels(nullptr), m_nWidth(nWidth), m_nHeight(nHeight)
{
    // A picture too large for memory throws std::bad_alloc, which the program's
    // entry reports as "Out of memory".
    if (nWidth >= 1 && nHeight >= 1)
        m_pPixels = new uint8[static_cast<size_t>(nWidth) * static_cast<size_t>(nHeight) * 3u];
}

CImage::~CImage()
{
    delete[] m_pPixels;
}

size_t CImage::GetPixelByteCount() const
{
    // In size_t: width x height x 3 overflows an int long before memory runs out.
    return m_pPixels ? static_cast<size_t>(m_nWidth) * static_cast<size_t>(m_nHeight) * 3u : 0u;
}

void CImage::Fill(int r, int g, int b)
{
    if (!m_pPixels)
        return;
    for (int y = 0; y < m_nHeight; ++y)
        for (int x = 0; x < m_nWidth; ++x)
            SetPixel(x, y, r, g, b);
}

void CImage::SetPixel(int x, int y, int r, int g, int b)
{
    if (!m_pPixels || x < 0 || x >= m_nWidth || y < 0 || y >= m_nHeight)
        return;
    uint8* p = m_pPixels + 3 * (static_cast<size_t>(y) * static_cast<size_t>(m_nWidth) + x);
    p[0] = static_cast<uint8>(ClampChannel(r));
    p[1] = static_cast<uint8>(ClampChannel(g));
    p[2] = static_cast<uint8>(ClampChannel(b));
}

void CImage::GetPixel(int x, int y, int& r, int& g, int& b) const
{
    if (!m_pPixels || x < 0 || x >= m_nWidth || y < 0 || y >= m_nHeight)
        return;
    const uint8* p =
        m_pPixels + 3 * (static_cast<size_t>(y) * static_cast<size_t>(m_nWidth) + x);
    r = p[0];
    g = p[1];
    b = p[2];
}

bool CImage::SaveTga(const char* pPath) const
{
    // The header holds 16-bit sizes: a larger picture would be written with wrong
    // sizes and be unreadable, so it is refused.
    if (!m_pPixels || m_nWidth > 0xFFFF || m_nHeight > 0xFFFF)
        return false;

    uint8 header[18] = {};
    header[2] = 2; // uncompressed true-colour
    PutLittleEndian16(header + 12, m_nWidth);
    PutLittleEndian16(header + 14, m_nHeight);
    header[16] = 32; // bits per pixel
    header[17] = 0;  // no attribute bits, origin at the lower left

    // Rows in buffer order: row 0 is the bottom row of the picture.
    const size_t nPixels = static_cast<size_t>(m_nWidth) * static_cast<size_t>(m_nHeight);
    std::vector<uint8> vData(4 * nPixels);
    for (size_t i = 0; i < nPixels; ++i)
    {
        vData[4 * i + 0] = m_pPixels[3 * i + 2];
        vData[4 * i + 1] = m_pPixels[3 * i + 1];
        vData[4 * i + 2] = m_pPixels[3 * i + 0];
        vData[4 * i + 3] = 0;
    }
    return WriteWholeFile(pPath, header, sizeof(header), vData.data(), vData.size());
}

bool CImage::SaveRaw(const char* pPath) const
{
    if (!m_pPixels)
        return false;
    uint8 header[8];
    PutLittleEndian32(header, m_nWidth);
    PutLittleEndian32(header + 4, m_nHeight);
    return WriteWholeFile(pPath, header, sizeof(header), m_pPixels, GetPixelByteCount());
}

bool CImage::SavePixels(const char* pPath) const
{
    if (!m_pPixels)
        return false;
    return WriteWholeFile(pPath, m_pPixels, GetPixelByteCount(), nullptr, 0);
}

int CImage::LoadRaw(const char* pPath, int nHeaderSize)
{
    // Binary mode: a text-mode read would alter the bytes on systems that translate
    // line ends.
    FILE* pFile = pPath ? fopen(pPath, "rb") : nullptr;
    if (!pFile)
        return 1;
    long nFileSize = -1;
    if (fseek(pFile, 0, SEEK_END) == 0)
        nFileSize = ftell(pFile);
    const size_t nPixelBytes = GetPixelByteCount();
    printf("\nimsize = %i, size = %i", static_cast<int>(nPixelBytes), static_cast<int>(nFileSize));
    if (nFileSize < 0 || nHeaderSize < 0 ||
        static_cast<unsigned long>(nFileSize) != static_cast<unsigned long>(nHeaderSize) + nPixelBytes)
    {
        fclose(pFile);
        return 2;
    }
    // The header bytes are skipped: the pixels are the last width x height x 3 bytes.
    bool bOk = fseek(pFile, nHeaderSize, SEEK_SET) == 0;
    if (bOk && nPixelBytes > 0)
        bOk = fread(m_pPixels, 1, nPixelBytes, pFile) == nPixelBytes;
    fclose(pFile);
    return bOk ? 0 : 1;
}
