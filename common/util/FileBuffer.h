// CFileBuffer: one whole file in memory. Every reader of the system loads its
// input through it in one go and parses from memory.
#pragma once

#include "common/util/Types.h"

class CFileBuffer
{
public:
    CFileBuffer() : m_nSize(0), m_pData(nullptr) {}
    ~CFileBuffer() { Release(); }
    CFileBuffer(const CFileBuffer&) = delete;
    CFileBuffer& operator=(const CFileBuffer&) = delete;

    // Loads the file's bytes as they are. False when the file cannot be
    // opened or read; the buffer is then empty. A load always replaces what
    // the buffer held.
    bool LoadBinary(const char* pPath);

    // Loads the file as text: the CR of every CR LF pair is dropped (a lone
    // CR stays) and a NUL is appended, which GetSize counts. An empty file
    // loads as size 0 and no data.
    bool LoadText(const char* pPath);

    sint32 GetSize() const { return m_nSize; }
    uint8* GetData() const { return m_pData; } // borrowed; null when empty

private:
    void Release();

    sint32 m_nSize; // valid bytes in m_pData, 0 when empty
    uint8* m_pData; // owned; null exactly when m_nSize is 0
};
