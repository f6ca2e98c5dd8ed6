// CImage: the picture a render pass fills, 8-bit RGB pixels in memory, and its
// writers (an uncompressed 32-bit TGA file, plus raw dumps) and raw loader.
#pragma once

#include "common/util/Types.h"

#include <cstddef>

class CImage
{
public:
    // The buffer exists only when both sizes are at least 1 (and memory suffices);
    // its pixels are not cleared. The sizes are stored whatever their values.
    CImage(int nWidth, int nHeight);
    ~CImage();
    CImage(const CImage&) = delete;
    CImage& operator=(const CImage&) = delete;

    // Sets every pixel; channels are clamped to 0..255.
    void Fill(int r, int g, int b);
    // Channels are clamped to 0..255; coordinates outside the image are ignored.
    void SetPixel(int x, int y, int r, int g, int b);
    // Outside the image (or without a buffer) the outputs keep their values.
    void GetPixel(int x, int y, int& r, int& g, int& b) const;

    // Writes the TGA file (lower-left origin, per pixel blue, green, red, 0, row 0
    // first). True only when the whole file was written; on failure no file is left
    // behind. Without a buffer, or with a size that the header's 16-bit fields cannot
    // hold, nothing is written and the result is false.
    bool SaveTga(const char* pPath) const;
    // Width and height as 32-bit little-endian integers, then the pixel bytes (R G B).
    bool SaveRaw(const char* pPath) const;
    // The pixel bytes alone.
    bool SavePixels(const char* pPath) const;
    // Reads a file of nHeaderSize leading bytes (skipped) followed by exactly
    // width x height x 3 pixel bytes. 0 ok, 1 cannot open or read, 2 size mismatch.
    int LoadRaw(const char* pPath, int nHeaderSize);

    int GetWidth() const { return m_nWidth; }
    int GetHeight() const { return m_nHeight; }
    bool HasBuffer() const { return m_pPixels != nullptr; }

private:
    size_t GetPixelByteCount() const;

    uint8* m_pPixels; // owned; width x height x 3 bytes (R, G, B), or null
    sint32 m_nWidth;
    sint32 m_nHeight;
};
