// Model files: the choice of reader by extension, the headerless .bin reader,
// the XML model writer, and the XML model reader built on expat's callbacks.
// Every count read from a file is checked against the file's size before use.

#include "model/ModelFile.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include <expat.h>

#include "common/util/FileBuffer.h"
#include "common/util/Tokenizer.h"

namespace
{

const char* const WRONG_EXTENSION_MESSAGE = "Expected filetype to be .bin or .xml, found neither";

// ---------------------------------------------------------------------------
// .bin reading

// The file stores little-endian numbers; assemble them byte by byte so that the
// reader does not depend on the machine's byte order or alignment.
uint32 ReadUint32(const uint8* pBytes)
{
    return uint32(pBytes[0]) | (uint32(pBytes[1]) << 8) | (uint32(pBytes[2]) << 16) |
           (uint32(pBytes[3]) << 24);
}

float ReadFloat32(const uint8* pBytes)
{
    const uint32 iBits = ReadUint32(pBytes);
    float fValue;
    std::memcpy(&fValue, &iBits, sizeof fValue);
    return fValue;
}

Vector3d ReadVector(const uint8* pBytes)
{
    return Vector3d(ReadFloat32(pBytes), ReadFloat32(pBytes + 4), ReadFloat32(pBytes + 8));
}

// ---------------------------------------------------------------------------
// XML reading state

// Kinds of the elements that push onto the reading stack.
enum : sint32
{
    ELEMENT_MESH = 2,
    ELEMENT_INDEX3 = 5,
    ELEMENT_VECTOR3D = 6,
    ELEMENT_NONE = 7
};

const sint32 ELEMENT_STACK_SIZE = 32;

// The state that expat hands to every callback.
struct CXmlReadState
{
    CXmlReadState(CModel* pModel, XML_Parser pParser);
    ~CXmlReadState();
    CXmlReadState(const CXmlReadState&) = delete;
    CXmlReadState& operator=(const CXmlReadState&) = delete;

    sint32 m_ElementStack[ELEMENT_STACK_SIZE]; // entry 0 is always ELEMENT_NONE
    sint32 m_ElementStackIndex;                // index of the top entry
    CModel* m_pModel;                          // borrowed from the caller
    // The mesh most recently started. While its MESH element is open the state
    // owns it; once the element closes the model does, but later lists still go to it.
    CModelMesh* m_pMesh;
    bool m_bMeshOpen;
    std::vector<float> m_vFloats;  // numbers of the current VECTOR3D list
    sint32 m_nVectorCount;         // count of the last VECTOR3D that carried one
    std::string m_sVectorName;     // name of the last VECTOR3D that carried one
    std::vector<sint32> m_vIndices; // numbers of the current INDEX3 list
    sint32 m_nIndexCount;
    std::string m_sIndexName;
    // Character data of the list line being read: expat may deliver one line in
    // several pieces (at a character reference or its buffer's end), and a number
    // must not be split between them.
    std::string m_sLine;
    XML_Parser m_pParser;    // borrowed, to stop the parse on a refusal
    std::string m_sFailure;  // why the reader stopped the parse; empty while none
};

CXmlReadState::CXmlReadState(CModel* pModel, XML_Parser pParser)
    : m_ElementStack(),
      m_ElementStackIndex(0),
      m_pModel(pModel),
      m_pMesh(nullptr),
      m_bMeshOpen(false),
      m_vFloats(),
      m_nVectorCount(0),
      m_sVectorName(),
      m_vIndices(),
      m_nIndexCount(0),
      m_sIndexName(),
      m_sLine(),
      m_pParser(pParser),
      m_sFailure()
{
    m_ElementStack[0] = ELEMENT_NONE;
}

CXmlReadState::~CXmlReadState()
{
    // A mesh whose element never closed (the parse failed inside it) never
    // reaches the model.
    if (m_bMeshOpen)
        delete m_pMesh;
}

// Stops the parse; LoadModelXml reports sReason with the line.
void Fail(CXmlReadState* pState, const char* sReason)
{
    if (pState->m_sFailure.empty())
        pState->m_sFailure = sReason;
    XML_StopParser(pState->m_pParser, XML_FALSE);
}

bool Push(CXmlReadState* pState, sint32 iKind)
{
    if (pState->m_ElementStackIndex + 1 >= ELEMENT_STACK_SIZE)
    {
        Fail(pState, "MESH, VECTOR3D and INDEX3 elements nested too deeply");
        return false;
    }
    pState->m_ElementStack[++pState->m_ElementStackIndex] = iKind;
    return true;
}

void Pop(CXmlReadState* pState)
{
    if (pState->m_ElementStackIndex > 0)
        --pState->m_ElementStackIndex;
}

sint32 TopKind(const CXmlReadState* pState)
{
    return pState->m_ElementStack[pState->m_ElementStackIndex];
}

// Reads the numbers of one list line; the first token that is not a number of the
// list's kind ends the line.
void ReadListLine(CXmlReadState* pState, const char* pText, size_t nLength)
{
    // Lines cannot be longer than the file, which the buffer keeps below 2 GiB.
    const sint32 iLength = nLength > size_t(INT32_MAX) ? INT32_MAX : sint32(nLength);
    sint32 iPos = 0;
    if (TopKind(pState) == ELEMENT_VECTOR3D)
    {
        float fValue;
        while (iPos < iLength && ReadNextFloat(pText, iLength, &iPos, &fValue))
            pState->m_vFloats.push_back(fValue);
    }
    else if (TopKind(pState) == ELEMENT_INDEX3)
    {
        sint32 iValue;
        while (iPos < iLength && ReadNextInteger(pText, iLength, &iPos, &iValue))
            pState->m_vIndices.push_back(iValue);
    }
}

// Reads what is pending of the current line. Markup ends a line as a line feed does.
void FlushLine(CXmlReadState* pState)
{
    if (!pState->m_sLine.empty())
    {
        ReadListLine(pState, pState->m_sLine.data(), pState->m_sLine.size());
        pState->m_sLine.clear();
    }
}

// The C library's atoi (leading white space, an optional sign, digits up to the
// first other character), but a value beyond the range of sint32 saturates instead
// of being undefined; such a count can never match a list.
sint32 ParseCount(const std::string& sText)
{
    size_t i = 0;
    while (i < sText.size() && (sText[i] == ' ' || (sText[i] >= '\t' && sText[i] <= '\r')))
        ++i;
    bool bNegative = false;
    if (i < sText.size() && (sText[i] == '-' || sText[i] == '+'))
        bNegative = sText[i++] == '-';
    int64_t iValue = 0;
    for (; i < sText.size() && sText[i] >= '0' && sText[i] <= '9'; ++i)
    {
        iValue = iValue * 10 + (sText[i] - '0');
        if (iValue > INT32_MAX)
            return bNegative ? INT32_MIN : INT32_MAX;
    }
    return sint32(bNegative ? -iValue : iValue);
}

// Whether a list of iCount entries of three numbers was read completely.
bool ListMatches(sint32 iCount, size_t nNumbers)
{
    return iCount > 0 && uint64_t(nNumbers) == 3 * uint64_t(iCount);
}

void XMLCALL XmlStartElement(void* pUserData, const XML_Char* pName, const XML_Char** ppAttributes)
{
    CXmlReadState* pState = static_cast<CXmlReadState*>(pUserData);
    if (!pState->m_sFailure.empty())
        return;
    FlushLine(pState);
    std::string sValue;
    if (std::strcmp(pName, "VORL") == 0 || std::strcmp(pName, "MODEL") == 0)
    {
        // Neither the version nor the model's name is read.
    }
    else if (std::strcmp(pName, "MESH") == 0)
    {
        // Closing the outer mesh here would hand it to the model before its end
        // tag; a nested mesh is outside the format, so the load fails instead.
        if (pState->m_bMeshOpen)
        {
            Fail(pState, "MESH element inside a MESH element");
            return;
        }
        if (!Push(pState, ELEMENT_MESH))
            return;
        pState->m_pMesh = new CModelMesh;
        pState->m_bMeshOpen = true;
        if (FindAttribute(ppAttributes, "name", sValue))
            pState->m_pMesh->SetName(sValue);
    }
    else if (std::strcmp(pName, "VECTOR3D") == 0)
    {
        pState->m_vFloats.clear();
        if (!Push(pState, ELEMENT_VECTOR3D))
            return;
        // A missing attribute keeps the previous list's value.
        if (FindAttribute(ppAttributes, "count", sValue))
            pState->m_nVectorCount = ParseCount(sValue);
        FindAttribute(ppAttributes, "name", pState->m_sVectorName);
    }
    else if (std::strcmp(pName, "INDEX3") == 0)
    {
        pState->m_vIndices.clear();
        if (!Push(pState, ELEMENT_INDEX3))
            return;
        if (FindAttribute(ppAttributes, "count", sValue))
            pState->m_nIndexCount = ParseCount(sValue);
        FindAttribute(ppAttributes, "name", pState->m_sIndexName);
    }
}

void XMLCALL XmlEndElement(void* pUserData, const XML_Char* pName)
{
    CXmlReadState* pState = static_cast<CXmlReadState*>(pUserData);
    if (!pState->m_sFailure.empty())
        return;
    FlushLine(pState);
    if (std::strcmp(pName, "VECTOR3D") == 0)
    {
        const sint32 nCount = pState->m_nVectorCount;
        if (ListMatches(nCount, pState->m_vFloats.size()) && pState->m_pMesh)
        {
            const bool bVertices = pState->m_sVectorName == "VERTICES";
            if (bVertices || pState->m_sVectorName == "NORMALS")
            {
                std::vector<Vector3d> vVectors(nCount);
                const float* pFloats = pState->m_vFloats.data();
                for (sint32 i = 0; i < nCount; ++i)
                    vVectors[i] = Vector3d(pFloats[3 * i], pFloats[3 * i + 1], pFloats[3 * i + 2]);
                if (bVertices)
                    pState->m_pMesh->SetVertices(vVectors.data(), uint32(nCount));
                else
                    pState->m_pMesh->SetNormals(vVectors.data(), uint32(nCount));
            }
        }
        Pop(pState);
    }
    else if (std::strcmp(pName, "INDEX3") == 0)
    {
        const sint32 nCount = pState->m_nIndexCount;
        if (ListMatches(nCount, pState->m_vIndices.size()) && pState->m_pMesh &&
            pState->m_sIndexName == "TRIANGLES")
        {
            std::vector<Index3> vTriangles(nCount);
            const sint32* pIndices = pState->m_vIndices.data();
            for (sint32 t = 0; t < nCount; ++t)
            {
                // Indices keep their 32 bits: -1 becomes 4294967295.
                vTriangles[t].a = uint32(pIndices[3 * t]);
                vTriangles[t].b = uint32(pIndices[3 * t + 1]);
                vTriangles[t].c = uint32(pIndices[3 * t + 2]);
            }
            pState->m_pMesh->SetTriangles(vTriangles.data(), uint32(nCount));
        }
        Pop(pState);
    }
    else if (std::strcmp(pName, "MESH") == 0)
    {
        if (pState->m_bMeshOpen)
        {
            pState->m_pModel->AddMesh(pState->m_pMesh);
            pState->m_bMeshOpen = false;
        }
        Pop(pState);
    }
}

void XMLCALL XmlCharacterData(void* pUserData, const XML_Char* pText, int iLength)
{
    CXmlReadState* pState = static_cast<CXmlReadState*>(pUserData);
    if (!pState->m_sFailure.empty())
        return;
    const sint32 iKind = TopKind(pState);
    if (iKind != ELEMENT_VECTOR3D && iKind != ELEMENT_INDEX3)
        return;
    const char* pEnd = pText + iLength;
    while (pText < pEnd)
    {
        // expat turns every line end of the file into a line feed; a carriage return
        // here came from a character reference and ends a line as well.
        const char* pLineEnd = std::find_if(pText, pEnd, [](char c) { return c == '\n' || c == '\r'; });
        if (pLineEnd == pEnd)
        {
            pState->m_sLine.append(pText, pEnd);
            return;
        }
        if (pState->m_sLine.empty())
        {
            ReadListLine(pState, pText, size_t(pLineEnd - pText));
        }
        else
        {
            pState->m_sLine.append(pText, pLineEnd);
            FlushLine(pState);
        }
        pText = pLineEnd + 1;
    }
}

// ---------------------------------------------------------------------------
// XML writing helpers

// Removes what a failed write left behind, but only a plain file: a device such as
// a full disk's special file, or the target of a link, is never removed.
void RemoveRegularFile(const std::string& sFileName)
{
    std::error_code error;
    if (std::filesystem::symlink_status(sFileName, error).type() == std::filesystem::file_type::regular)
        std::filesystem::remove(sFileName, error);
}

// Writes "%i" of iValue to pOut, which has room for 11 characters; returns the end.
char* PrintInt(char* pOut, sint32 iValue)
{
    // Decimal digits with a leading '-' for negatives: what "%i" prints.
    return std::to_chars(pOut, pOut + 11, iValue).ptr;
}

// Writes "%f" of double(fValue) to pOut, which has room for 64 bytes (the largest float
// needs 47 characters); returns the end. The numbers of a large mesh make up nearly all of
// its file.
char* PrintFloat(char* pOut, float fValue)
{
    if (std::isfinite(fValue))
    {
        // Fixed notation with six decimals is what "%f" prints, from the exact binary
        // value, ties to even, sign kept for negative values that round to zero,
        // with neither a locale nor a format string to read.
        return std::to_chars(pOut, pOut + 63, double(fValue), std::chars_format::fixed, 6).ptr;
    }
    // "inf", "-inf", "nan", "-nan": spelled as the C library spells them.
    const int nLength = snprintf(pOut, 64, "%f", double(fValue));
    return pOut + (nLength > 0 ? nLength : 0);
}

void AppendLine(std::string& sText, const Vector3d& v)
{
    char sBuffer[3 * 64];
    char* p = PrintFloat(sBuffer, v.x);
    *p++ = ' ';
    p = PrintFloat(p, v.y);
    *p++ = ' ';
    p = PrintFloat(p, v.z);
    *p++ = '\n';
    sText.append(sBuffer, p);
}

void AppendLine(std::string& sText, const Index3& t)
{
    // Indices are written as signed numbers, as the reader reads them back.
    char sBuffer[3 * 12];
    char* p = PrintInt(sBuffer, sint32(t.a));
    *p++ = ' ';
    p = PrintInt(p, sint32(t.b));
    *p++ = ' ';
    p = PrintInt(p, sint32(t.c));
    *p++ = '\n';
    sText.append(sBuffer, p);
}

} // namespace

// ---------------------------------------------------------------------------
// Loading by extension

bool LoadModel(const std::string& sFileName, CModel* pModel)
{
    if (sFileName.size() >= 4)
    {
        const std::string sExtension = ToLower(sFileName.substr(sFileName.size() - 4));
        if (sExtension == ".bin")
            return LoadModelBin(sFileName, pModel);
        if (sExtension == ".xml")
            return LoadModelXml(sFileName, pModel);
    }
    puts(WRONG_EXTENSION_MESSAGE);
    return false;
}

bool LoadModelBin(const std::string& sFileName, CModel* pModel)
{
    CFileBuffer buffer;
    if (!buffer.LoadBinary(sFileName.c_str()))
        return false;
    const sint32 iSize = buffer.GetSize();
    if (iSize < 12)
        return false;
    const uint8* pData = buffer.GetData();
    const uint32 nVertices = ReadUint32(pData);
    const uint32 nNormals = ReadUint32(pData + 4);
    const uint32 nTriangles = ReadUint32(pData + 8);
    if (nNormals != nVertices || nVertices == 0 || nTriangles == 0)
        return false;
    // In 64 bits the size cannot wrap, so counts match only a file that holds them.
    if (12 + 24 * uint64_t(nVertices) + 12 * uint64_t(nTriangles) != uint64_t(iSize))
        return false;

    const uint8* pVertexBytes = pData + 12;
    const uint8* pNormalBytes = pVertexBytes + 12 * size_t(nVertices);
    const uint8* pTriangleBytes = pNormalBytes + 12 * size_t(nVertices);
    std::vector<Index3> vTriangles(nTriangles);
    for (uint32 t = 0; t < nTriangles; ++t)
    {
        Index3& tri = vTriangles[t];
        tri.a = ReadUint32(pTriangleBytes + 12 * size_t(t));
        tri.b = ReadUint32(pTriangleBytes + 12 * size_t(t) + 4);
        tri.c = ReadUint32(pTriangleBytes + 12 * size_t(t) + 8);
        if (tri.a >= nVertices || tri.b >= nVertices || tri.c >= nVertices)
            return false;
    }

    std::vector<Vector3d> vVertices(nVertices);
    std::vector<Vector3d> vVertexNormals(nVertices);
    for (uint32 i = 0; i < nVertices; ++i)
    {
        vVertices[i] = ReadVector(pVertexBytes + 12 * size_t(i));
        vVertexNormals[i] = ReadVector(pNormalBytes + 12 * size_t(i));
    }
    // The file has one normal per vertex; the mesh keeps one per triangle corner.
    std::vector<Vector3d> vCornerNormals(3 * size_t(nTriangles));
    for (uint32 t = 0; t < nTriangles; ++t)
        for (int k = 0; k < 3; ++k)
            vCornerNormals[3 * size_t(t) + k] = vVertexNormals[vTriangles[t][k]];

    CModelMesh* pMesh = new CModelMesh;
    pMesh->SetVertices(vVertices.data(), nVertices);
    pMesh->SetNormals(vCornerNormals.data(), 3 * nTriangles);
    pMesh->SetTriangles(vTriangles.data(), nTriangles);
    pModel->AddMesh(pMesh);
    return true;
}

// ---------------------------------------------------------------------------
// XML reading

bool LoadModelXml(const std::string& sFileName, CModel* pModel)
{
    CFileBuffer buffer;
    if (!buffer.LoadText(sFileName.c_str()))
        return false;
    XML_Parser pParser = XML_ParserCreate(nullptr);
    if (!pParser)
        return false;
    CXmlReadState* pState = new CXmlReadState(pModel, pParser);
    XML_SetUserData(pParser, pState);
    XML_SetElementHandler(pParser, XmlStartElement, XmlEndElement);
    XML_SetCharacterDataHandler(pParser, XmlCharacterData);

    // The buffer's size counts the NUL that the text load appends; an empty file
    // has no data at all.
    const char* pText = buffer.GetData() ? reinterpret_cast<const char*>(buffer.GetData()) : "";
    const int iLength = buffer.GetSize() > 0 ? buffer.GetSize() - 1 : 0;
    const bool bParsed = XML_Parse(pParser, pText, iLength, XML_TRUE) == XML_STATUS_OK;
    const bool bOk = bParsed && pState->m_sFailure.empty();
    if (!bOk)
    {
        const int iLine = int(XML_GetCurrentLineNumber(pParser));
        const XML_Error iError = XML_GetErrorCode(pParser);
        const char* pMessage = pState->m_sFailure.empty() ? XML_ErrorString(iError)
                                                          : pState->m_sFailure.c_str();
        fprintf(stderr, "%s at line %d\n", pMessage ? pMessage : "XML error", iLine);
    }
    delete pState;
    XML_ParserFree(pParser);
    return bOk;
}

bool FindAttribute(const char** ppAttributes, const std::string& sName, std::string& sValue)
{
    for (sint32 i = 0; ppAttributes && ppAttributes[i]; i += 2)
    {
        if (sName == ppAttributes[i])
        {
            sValue = ppAttributes[i + 1];
            return true;
        }
    }
    return false;
}

bool ReadNextFloat(const char* pText, sint32 iLength, sint32* pPos, float* pValue)
{
    sint32 iStart = *pPos;
    while (iStart < iLength && (pText[iStart] == ' ' || pText[iStart] == '\t'))
        ++iStart;
    int iEnd = iStart;
    const TokenType eType = ScanNumber(pText, &iEnd, iLength);
    if (eType != TOKEN_INTEGER && eType != TOKEN_REAL && eType != TOKEN_EXPREAL)
        return false;
    if (!ParseFloat(pValue, pText + iStart, uint32(iEnd - iStart)))
        return false;
    *pPos = iEnd;
    return true;
}

bool ReadNextInteger(const char* pText, sint32 iLength, sint32* pPos, sint32* pValue)
{
    sint32 iStart = *pPos;
    while (iStart < iLength && (pText[iStart] == ' ' || pText[iStart] == '\t'))
        ++iStart;
    int iEnd = iStart;
    if (ScanNumber(pText, &iEnd, iLength) != TOKEN_INTEGER)
        return false;
    if (!ParseInteger(pValue, pText + iStart, uint32(iEnd - iStart)))
        return false;
    *pPos = iEnd;
    return true;
}

bool ParseFloat(float* pValue, const char* pText, uint32 iLength)
{
    if (iLength == 0 || iLength > MAX_FLOAT_STRING_LENGTH)
        return false;
    char sBuffer[MAX_FLOAT_STRING_LENGTH + 1];
    std::memcpy(sBuffer, pText, iLength);
    sBuffer[iLength] = '\0';
    *pValue = float(atof(sBuffer));
    return true;
}

bool ParseInteger(sint32* pValue, const char* pText, uint32 iLength)
{
    if (iLength == 0)
        return false;
    uint32 i = 0;
    const bool bNegative = pText[0] == '-';
    if (bNegative)
        i = 1;
    // Unsigned arithmetic: digits beyond 32 bits wrap around instead of overflowing.
    uint32 iValue = 0;
    for (; i < iLength; ++i)
    {
        if (pText[i] < '0' || pText[i] > '9')
            return false;
        iValue = iValue * 10u + uint32(pText[i] - '0');
    }
    if (bNegative)
        iValue = 0u - iValue;
    *pValue = sint32(iValue);
    return true;
}

// ---------------------------------------------------------------------------
// XML writing

bool SaveModelXml(const std::string& sFileName, const CModel* pModel)
{
    std::string sText;
    WriteXmlHeader(sText);
    WriteRoot(sText, pModel);
    FILE* pFile = fopen(sFileName.c_str(), "w");
    if (!pFile)
        return false;
    bool bOk = fwrite(sText.data(), 1, sText.size(), pFile) == sText.size();
    // Closing flushes the C library's buffer, so a full disk may show only here.
    if (fclose(pFile) != 0)
        bOk = false;
    if (!bOk)
        RemoveRegularFile(sFileName);
    return bOk;
}

void WriteXmlHeader(std::string& sText)
{
    sText += "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n";
}

void WriteRoot(std::string& sText, const CModel* pModel)
{
    sText += "<VORL";
    AppendAttribute(sText, "version", "0.1");
    sText += ">\n";
    WriteModel(sText, pModel);
    sText += "</VORL>\n";
}

void WriteModel(std::string& sText, const CModel* pModel)
{
    sText += "<MODEL";
    AppendAttribute(sText, "name", pModel->GetName());
    sText += ">\n";
    for (uint32 i = 0; i < pModel->GetMeshCount(); ++i)
        WriteMesh(sText, pModel->GetMesh(i));
    sText += "</MODEL>\n";
}

void WriteMesh(std::string& sText, const CModelMesh* pMesh)
{
    sText += "<MESH";
    AppendAttribute(sText, "name", pMesh->GetName());
    sText += ">\n";
    WriteVector3dList(sText, pMesh->GetVertices(), pMesh->GetVertexCount(), "VERTICES");
    WriteVector3dList(sText, pMesh->GetNormals(), pMesh->GetNormalCount(), "NORMALS");
    WriteIndex3List(sText, pMesh->GetTriangles(), pMesh->GetTriangleCount(), "TRIANGLES");
    sText += "</MESH>\n";
}

void WriteVector3dList(std::string& sText, const Vector3d* pVectors, uint32 nCount,
                       const std::string& sName)
{
    sText += "<VECTOR3D";
    AppendAttribute(sText, "name", sName);
    AppendAttribute(sText, "count", IntToString(sint32(nCount)));
    sText += ">\n";
    for (uint32 i = 0; i < nCount; ++i)
        AppendLine(sText, pVectors[i]);
    sText += "</VECTOR3D>\n";
}

void WriteIndex3List(std::string& sText, const Index3* pTriangles, uint32 nCount,
                     const std::string& sName)
{
    sText += "<INDEX3";
    AppendAttribute(sText, "name", sName);
    AppendAttribute(sText, "count", IntToString(sint32(nCount)));
    sText += ">\n";
    for (uint32 i = 0; i < nCount; ++i)
        AppendLine(sText, pTriangles[i]);
    sText += "</INDEX3>\n";
}

void AppendAttribute(std::string& sText, const std::string& sName, const std::string& sValue)
{
    sText += ' ';
    sText += sName;
    sText += "=\"";
    // The first four would break the markup. A reader turns a raw tab or line end
    // in a value into a blank, so those go out as references; the other control
    // characters cannot appear in an XML file at all and become "?". Every other
    // byte goes out as it is.
    for (char c : sValue)
    {
        switch (c)
        {
        case '&': sText += "&amp;"; break;
        case '<': sText += "&lt;"; break;
        case '>': sText += "&gt;"; break;
        case '"': sText += "&quot;"; break;
        case '\t': sText += "&#9;"; break;
        case '\n': sText += "&#10;"; break;
        case '\r': sText += "&#13;"; break;
        default: sText += static_cast<unsigned char>(c) < 0x20 ? '?' : c; break;
        }
    }
    sText += '"';
}

std::string IntToString(sint32 iValue)
{
    char sBuffer[12];
    return std::string(sBuffer, PrintInt(sBuffer, iValue));
}

std::string FloatToString(float fValue)
{
    char sBuffer[64];
    return std::string(sBuffer, PrintFloat(sBuffer, fValue));
}

// ---------------------------------------------------------------------------
// Mesh checks

std::string FindMeshFault(const CModelMesh* pMesh)
{
    const uint32 nVertices = pMesh->GetVertexCount();
    const uint32 nTriangles = pMesh->GetTriangleCount();
    char sBuffer[160];
    if (nTriangles > 0 && nVertices == 0)
        return "the mesh has triangles but no vertices";
    const Index3* pTriangles = pMesh->GetTriangles();
    for (uint32 t = 0; t < nTriangles; ++t)
    {
        for (int k = 0; k < 3; ++k)
        {
            if (pTriangles[t][k] >= nVertices)
            {
                // Signed, as the XML file writes it: a negative index shows as such.
                snprintf(sBuffer, sizeof sBuffer,
                         "triangle %u uses vertex %d, but the mesh has %u vertices", t,
                         sint32(pTriangles[t][k]), nVertices);
                return sBuffer;
            }
        }
    }
    // A mesh without triangles renders nothing, whatever normals it holds.
    if (nTriangles > 0 && uint64_t(pMesh->GetNormalCount()) != 3 * uint64_t(nTriangles))
    {
        snprintf(sBuffer, sizeof sBuffer,
                 "the mesh has %u normals for %u triangles, not one per triangle corner",
                 pMesh->GetNormalCount(), nTriangles);
        return sBuffer;
    }
    return std::string();
}

std::string FindModelFault(const CModel* pModel)
{
    for (uint32 i = 0; i < pModel->GetMeshCount(); ++i)
    {
        const CModelMesh* pMesh = pModel->GetMesh(i);
        const std::string sFault = FindMeshFault(pMesh);
        if (!sFault.empty())
            return "Mesh " + std::to_string(i) + " (\"" + pMesh->GetName() + "\"): " + sFault;
    }
    return std::string();
}

// ---------------------------------------------------------------------------
// Case helpers

char ToLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

char ToUpper(char c)
{
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}

std::string ToLower(const std::string& s)
{
    std::string sResult(s);
    for (char& c : sResult)
        c = ToLower(c);
    return sResult;
}

std::string ToUpper(const std::string& s)
{
    std::string sResult(s);
    for (char& c : sResult)
        c = ToUpper(c);
    return sResult;
}
