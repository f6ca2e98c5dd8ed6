// The ASE block tree: a keyword-blind parse of a 3ds MAX ASCII export into
// blocks ("*KEY {" ... "}") and key lines ("*KEY values"). The tree holds only
// positions in the text, which must outlive it.
#pragma once

#include <string>
#include <vector>

#include "common/util/Types.h"

// Deepest block nesting that a parse accepts; real exports nest a few levels.
constexpr int MAX_ASE_DEPTH = 64;

// One key line, read from the text on demand.
class CAseLine
{
public:
    CAseLine();
    CAseLine(const char* pText, sint32 iOffset);

    // The words of the key's text line, from the key (without its "*") to the
    // end of that text line. Returns where the next text line starts, or 0.
    int GetWords(std::vector<std::string>& vWords) const;
    // The same, but stops after nMaxWords words, so that reading every key of a
    // text line with many keys does not split that line again for each key.
    void GetFirstWords(std::vector<std::string>& vWords, uint32 nMaxWords) const;
    // The key word without its "*".
    std::string GetKeyword() const;
    sint32 GetOffset() const { return m_iOffset; }

private:
    sint32 m_iOffset;     // index of the character after the line's "*"
    const char* m_pText;  // the whole text, borrowed
};

// One block: its key lines and child blocks in text order; owns both.
class CAseBlock
{
public:
    CAseBlock();
    ~CAseBlock();
    CAseBlock(const CAseBlock&) = delete;
    CAseBlock& operator=(const CAseBlock&) = delete;

    std::string GetName() const;
    void SetName(const std::string& sName);

    uint32 GetChildCount() const;
    CAseBlock* GetChild(uint32 i) const; // i below GetChildCount(); still owned here
    void AddChild(CAseBlock* pChild);    // takes ownership

    uint32 GetLineCount() const;
    CAseLine* GetLine(uint32 i) const; // i below GetLineCount(); still owned here
    void AddLine(CAseLine* pLine);     // takes ownership

    // The first of this block's own lines whose key equals sKey exactly; null if none.
    CAseLine* FindLine(const std::string& sKey) const;

    // Debug print of the subtree: names and line offsets, four blanks per level.
    void Dump(uint32 iDepth) const;

private:
    std::vector<CAseBlock*> m_vChildren; // owned
    std::vector<CAseLine*> m_vLines;     // owned
    std::string m_sName;                 // key without "*"; empty for the root
};

// The error flag of one parse.
class CAseError
{
public:
    bool m_bError = false;
};

// Parses the whole NUL-terminated text into a tree owned by the caller. Null
// only when the error flag gets set (blocks nested deeper than MAX_ASE_DEPTH).
CAseBlock* ParseAse(CAseError* pError, const char* pText);

// Parses the entries of one block at nesting level iDepth from *pPos, leaving
// *pPos on the character that ended the block. Null when the error flag is set.
CAseBlock* ParseBlock(CAseError* pError, const char* pText, int* pPos, int iDepth);

// Position scanners; each stops at the NUL.
int SkipSpaces(const char* pText, int iPos); // past blanks, tabs and line feeds
int SkipWord(const char* pText, int iPos);   // to the next blank, tab or line feed
// iPos on a double quote: past the closing one, or to the line end if none.
int SkipQuoted(const char* pText, int iPos);
int SkipValues(const char* pText, int iPos); // to the "*" or "}" that ends a key's values
