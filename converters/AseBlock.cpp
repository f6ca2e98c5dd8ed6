// The ASE block tree: key lines, blocks and the recursive block parser.
#include "converters/AseBlock.h"

#include <cstdio>

#include "common/util/LineSplit.h"

static bool IsWhite(char c)
{
    return c == ' ' || c == '\t' || c == '\n';
}

CAseLine::CAseLine() : m_iOffset(0), m_pText(nullptr)
{
}

CAseLine::CAseLine(const char* pText, sint32 iOffset) : m_iOffset(iOffset), m_pText(pText)
{
}

int CAseLine::GetWords(std::vector<std::string>& vWords) const
{
    return SplitLine(m_pText, m_iOffset, vWords);
}

void CAseLine::GetFirstWords(std::vector<std::string>& vWords, uint32 nMaxWords) const
{
    // The words are cut exactly as SplitLine cuts them, the empty word after
    // trailing blanks included.
    vWords.clear();
    int iPos = m_iOffset;
    while (vWords.size() < nMaxWords && m_pText[iPos] != '\n' && m_pText[iPos] != '\0')
    {
        while (IsBlank(m_pText[iPos]))
            ++iPos;
        if (m_pText[iPos] == '"')
        {
            const int iStart = ++iPos;
            while (m_pText[iPos] != '"' && m_pText[iPos] != '\n' && m_pText[iPos] != '\0')
                ++iPos;
            vWords.emplace_back(m_pText + iStart, iPos - iStart);
            if (m_pText[iPos] == '"')
                ++iPos;
        }
        else
        {
            const int iStart = iPos;
            while (!IsBlank(m_pText[iPos]) && m_pText[iPos] != '\n' && m_pText[iPos] != '\0')
                ++iPos;
            vWords.emplace_back(m_pText + iStart, iPos - iStart);
        }
    }
}

std::string CAseLine::GetKeyword() const
{
    std::string sWord;
    NextWord(m_pText, m_iOffset, sWord);
    return sWord;
}

CAseBlock::CAseBlock()
{
}

CAseBlock::~CAseBlock()
{
    for (CAseLine* pLine : m_vLines)
        delete pLine;
    for (CAseBlock* pChild : m_vChildren)
        delete pChild;
}

std::string CAseBlock::GetName() const
{
    return m_sName;
}

void CAseBlock::SetName(const std::string& sName)
{
    m_sName = sName;
}

uint32 CAseBlock::GetChildCount() const
{
    return uint32(m_vChildren.size());
}

CAseBlock* CAseBlock::GetChild(uint32 i) const
{
    return m_vChildren[i];
}

void CAseBlock::AddChild(CAseBlock* pChild)
{
    m_vChildren.push_back(pChild);
}

uint32 CAseBlock::GetLineCount() const
{
    return uint32(m_vLines.size());
}

CAseLine* CAseBlock::GetLine(uint32 i) const
{
    return m_vLines[i];
}

void CAseBlock::AddLine(CAseLine* pLine)
{
    m_vLines.push_back(pLine);
}

CAseLine* CAseBlock::FindLine(const std::string& sKey) const
{
    for (CAseLine* pLine : m_vLines)
    {
        if (pLine->GetKeyword() == sKey)
            return pLine;
    }
    return nullptr;
}

static void PrintIndent(uint32 iDepth)
{
    for (uint32 i = 0; i < iDepth; ++i)
        printf("    ");
}

void CAseBlock::Dump(uint32 iDepth) const
{
    PrintIndent(iDepth);
    puts(m_sName.c_str());
    for (const CAseLine* pLine : m_vLines)
    {
        PrintIndent(iDepth);
        printf("%d\n", int(pLine->GetOffset()));
    }
    for (const CAseBlock* pChild : m_vChildren)
        pChild->Dump(iDepth + 1);
}

int SkipSpaces(const char* pText, int iPos)
{
    while (IsWhite(pText[iPos]))
        ++iPos;
    return iPos;
}

int SkipWord(const char* pText, int iPos)
{
    while (pText[iPos] != '\0' && !IsWhite(pText[iPos]))
        ++iPos;
    return iPos;
}

int SkipQuoted(const char* pText, int iPos)
{
    ++iPos;
    while (pText[iPos] != '"' && pText[iPos] != '\n' && pText[iPos] != '\0')
        ++iPos;
    if (pText[iPos] == '"')
        ++iPos;
    return iPos;
}

int SkipValues(const char* pText, int iPos)
{
    iPos = SkipSpaces(pText, iPos);
    while (pText[iPos] != '\0' && pText[iPos] != '*' && pText[iPos] != '}')
    {
        if (pText[iPos] == '"')
            iPos = SkipQuoted(pText, iPos);
        else
            iPos = SkipWord(pText, iPos);
        iPos = SkipSpaces(pText, iPos);
    }
    return iPos;
}

// Exporters write material and mapping-channel blocks as "*MATERIAL 0 {": when
// the values that a key has on its own text line end in a bare "{", the key
// opens a block there. Returns the position after that brace, or -1.
static int FindTrailingBrace(const char* pText, int iPos)
{
    int iBrace = -1;
    for (;;)
    {
        while (IsBlank(pText[iPos]))
            ++iPos;
        const char c = pText[iPos];
        if (c == '\n' || c == '\0' || c == '*' || c == '}')
            return iBrace;
        if (c == '"')
        {
            iPos = SkipQuoted(pText, iPos);
            iBrace = -1;
            continue;
        }
        const int iEnd = SkipWord(pText, iPos);
        iBrace = (c == '{' && iEnd == iPos + 1) ? iEnd : -1;
        iPos = iEnd;
    }
}

CAseBlock* ParseAse(CAseError* pError, const char* pText)
{
    int iPos = 0;
    return ParseBlock(pError, pText, &iPos, 0);
}

CAseBlock* ParseBlock(CAseError* pError, const char* pText, int* pPos, int iDepth)
{
    if (iDepth > MAX_ASE_DEPTH)
    {
        pError->m_bError = true;
        return nullptr;
    }
    CAseBlock* pBlock = new CAseBlock;
    while (pText[*pPos] != '\0' && !pError->m_bError)
    {
        *pPos = SkipSpaces(pText, *pPos);
        // Anything but a key ends the block; a "}" is consumed by the caller,
        // any other character ends every enclosing block as well.
        if (pText[*pPos] != '*')
            break;
        const int iKeyStart = *pPos;
        const int iKeyEnd = SkipWord(pText, iKeyStart);
        *pPos = SkipSpaces(pText, iKeyEnd);
        const int iBlockStart =
            pText[*pPos] == '{' ? *pPos + 1 : FindTrailingBrace(pText, iKeyEnd);
        if (iBlockStart >= 0)
        {
            *pPos = iBlockStart;
            CAseBlock* pChild = ParseBlock(pError, pText, pPos, iDepth + 1);
            if (pChild != nullptr)
            {
                std::string sName;
                NextWord(pText, iKeyStart + 1, sName);
                pChild->SetName(sName);
                pBlock->AddChild(pChild);
            }
            // A block that ends at the NUL or at another character has no "}".
            *pPos = SkipSpaces(pText, *pPos);
            if (pText[*pPos] == '}')
                ++*pPos;
        }
        else
        {
            pBlock->AddLine(new CAseLine(pText, iKeyStart + 1));
            *pPos = SkipValues(pText, *pPos);
        }
    }
    if (pError->m_bError)
    {
        delete pBlock;
        return nullptr;
    }
    return pBlock;
}
