// Reading meshes from the ASE block tree: GEOMOBJECT, MESH and its vertex,
// face and normal lists.
#include "converters/AseReader.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "converters/Normals.h"
#include "converters/Words.h"

// The shortest text an accepted row can take: "*MESH_VERTEX" and four one-letter
// words, or "*MESH_FACE" and seven. Declared counts whose rows the text cannot
// hold are not meant, and must not size an allocation.
static const size_t MIN_VERTEX_ROW_LENGTH = 20;
static const size_t MIN_FACE_ROW_LENGTH = 24;

// Rows use at most the first eight words of their text line.
static const uint32 MAX_ROW_WORDS = 8;

void PrintAseUsage(const char* pProgram)
{
    puts("usage:");
    printf("\t%s inputfile.ase outputfile\n", pProgram);
    puts("");
    puts("");
    puts("Converts a 3ds MAX .ASE file into the Vorl .xml 3d format");
}

// Reads the GEOMOBJECT blocks of the top level in file order. 3ds MAX writes
// grouped objects inside "*GROUP "name" {" blocks, whose objects are read in
// place; geometry objects inside any other block are not.
static void ReadGeomObjects(const CAseBlock* pBlock, CModel* pModel, size_t& nTextBudget)
{
    for (uint32 i = 0; i < pBlock->GetChildCount(); ++i)
    {
        CAseBlock* pChild = pBlock->GetChild(i);
        const std::string sName = pChild->GetName();
        if (sName == "GEOMOBJECT")
            ParseGeomObject(pChild, pModel, nTextBudget);
        else if (sName == "GROUP")
            ReadGeomObjects(pChild, pModel, nTextBudget);
    }
}

bool ReadAse(const CFileBuffer* pBuffer, CModel* pModel)
{
    const char* pText =
        pBuffer->GetData() ? reinterpret_cast<const char*>(pBuffer->GetData()) : "";
    size_t nTextBudget = strlen(pText);
    CAseError error;
    CAseBlock* pRoot = ParseAse(&error, pText);
    if (pRoot == nullptr)
    {
        if (error.m_bError)
            printf("Blocks are nested deeper than %d levels\n", MAX_ASE_DEPTH);
        puts("no ase parsed");
        return false;
    }
    ReadGeomObjects(pRoot, pModel, nTextBudget);
    delete pRoot;
    return true;
}

bool ParseGeomObject(CAseBlock* pGeomObject, CModel* pModel, size_t& nTextBudget)
{
    puts("ParseGeomObject");
    CModelMesh* pMesh = new CModelMesh;
    const CAseLine* pNameLine = pGeomObject->FindLine("NODE_NAME");
    if (pNameLine != nullptr)
    {
        std::vector<std::string> vWords;
        pNameLine->GetFirstWords(vWords, 2);
        if (vWords.size() >= 2)
        {
            printf("MESH name=\"%s\"\n", vWords[1].c_str());
            pMesh->SetName(vWords[1]);
        }
    }
    for (uint32 i = 0; i < pGeomObject->GetChildCount(); ++i)
    {
        if (pGeomObject->GetChild(i)->GetName() == "MESH")
        {
            if (!ParseMesh(pGeomObject->GetChild(i), pMesh, nTextBudget))
            {
                delete pMesh;
                return false;
            }
            break;
        }
    }
    pModel->AddMesh(pMesh);
    return true;
}

// The count of the block's first line with that key: word 1 when it is an
// integer; 0 when the line, its value or a usable value is missing.
static int ReadDeclaredCount(const CAseBlock* pBlock, const char* pKey)
{
    const CAseLine* pLine = pBlock->FindLine(pKey);
    if (pLine == nullptr)
        return 0;
    std::vector<std::string> vWords;
    pLine->GetFirstWords(vWords, 2);
    if (vWords.size() < 2 || !IsIntegerWord(vWords[1]))
        return 0;
    const int nCount = WordToInt(vWords[1]);
    return nCount > 0 ? nCount : 0;
}

static bool IsFinite(const Vector3d& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// A description of what makes the mesh unusable, or an empty string.
static std::string FindAseMeshFault(const CModelMesh* pMesh)
{
    char sMessage[128];
    const uint32 nVertices = pMesh->GetVertexCount();
    for (uint32 i = 0; i < nVertices; ++i)
    {
        if (!IsFinite(pMesh->GetVertices()[i]))
        {
            snprintf(sMessage, sizeof(sMessage), "vertex %u lies beyond the float range", i);
            return sMessage;
        }
    }
    for (uint32 t = 0; t < pMesh->GetTriangleCount(); ++t)
    {
        const Index3& triangle = pMesh->GetTriangles()[t];
        for (int k = 0; k < 3; ++k)
        {
            if (triangle[k] >= nVertices)
            {
                snprintf(sMessage, sizeof(sMessage),
                         "face %u uses vertex %d, but there are %u vertices", t, int(triangle[k]),
                         nVertices);
                return sMessage;
            }
        }
    }
    for (uint32 i = 0; i < pMesh->GetNormalCount(); ++i)
    {
        if (!IsFinite(pMesh->GetNormals()[i]))
        {
            snprintf(sMessage, sizeof(sMessage), "normal %u lies beyond the float range", i);
            return sMessage;
        }
    }
    return std::string();
}

bool ParseMesh(CAseBlock* pMeshBlock, CModelMesh* pMesh, size_t& nTextBudget)
{
    const int nVertices = ReadDeclaredCount(pMeshBlock, "MESH_NUMVERTEX");
    const int nFaces = ReadDeclaredCount(pMeshBlock, "MESH_NUMFACES");
    // Every row lies in the text once, so the meshes' rows together cannot
    // need more text than there is.
    const uint64_t nNeeded = uint64_t(nVertices) * MIN_VERTEX_ROW_LENGTH +
                             uint64_t(nFaces) * MIN_FACE_ROW_LENGTH;
    if (nNeeded > nTextBudget)
    {
        printf("Skipping mesh \"%s\": the file is too short for %d vertices and %d faces\n",
               pMesh->GetName().c_str(), nVertices, nFaces);
        return false;
    }
    nTextBudget -= size_t(nNeeded);

    // A list that occurs twice replaces the first, so only the last of each
    // kind is read; the lists may come in any order.
    CAseBlock* pVertexList = nullptr;
    CAseBlock* pFaceList = nullptr;
    CAseBlock* pNormals = nullptr;
    for (uint32 i = 0; i < pMeshBlock->GetChildCount(); ++i)
    {
        CAseBlock* pChild = pMeshBlock->GetChild(i);
        const std::string sName = pChild->GetName();
        if (sName == "MESH_VERTEX_LIST")
            pVertexList = pChild;
        else if (sName == "MESH_FACE_LIST")
            pFaceList = pChild;
        else if (sName == "MESH_NORMALS")
            pNormals = pChild;
    }
    if (pVertexList != nullptr)
        ParseVertexList(pVertexList, pMesh, nVertices);
    if (pFaceList != nullptr)
        ParseFaceList(pFaceList, pMesh, nFaces);
    // Normals belong to triangles: a mesh whose face list is missing gets none,
    // so that its normal count stays three times its triangle count.
    if (pNormals != nullptr && pMesh->GetTriangleCount() > 0)
        ParseNormals(pNormals, pMesh, 3 * nFaces);

    const std::string sFault = FindAseMeshFault(pMesh);
    if (!sFault.empty())
    {
        printf("Skipping mesh \"%s\": %s\n", pMesh->GetName().c_str(), sFault.c_str());
        return false;
    }
    return FinishMesh(pMesh);
}

void ParseVertexList(CAseBlock* pBlock, CModelMesh* pMesh, int nVertices)
{
    if (nVertices <= 0)
        return;
    std::vector<Vector3d> vVertices(static_cast<size_t>(nVertices));
    size_t k = 0;
    std::vector<std::string> vWords;
    for (uint32 i = 0; i < pBlock->GetLineCount() && k < vVertices.size(); ++i)
    {
        pBlock->GetLine(i)->GetFirstWords(vWords, MAX_ROW_WORDS);
        // The row's own vertex number (word 1) is not used: rows are stored in
        // the order in which they stand.
        if (vWords.size() >= 5 && vWords[0] == "MESH_VERTEX" && IsNumberWord(vWords[2]) &&
            IsNumberWord(vWords[3]) && IsNumberWord(vWords[4]))
        {
            vVertices[k++] = Vector3d(WordToFloat(vWords[2]), WordToFloat(vWords[3]),
                                      WordToFloat(vWords[4]));
        }
    }
    pMesh->SetVertices(vVertices.data(), uint32(nVertices));
}

void ParseFaceList(CAseBlock* pBlock, CModelMesh* pMesh, int nFaces)
{
    if (nFaces <= 0)
        return;
    std::vector<Index3> vFaces(static_cast<size_t>(nFaces));
    size_t k = 0;
    std::vector<std::string> vWords;
    for (uint32 i = 0; i < pBlock->GetLineCount() && k < vFaces.size(); ++i)
    {
        pBlock->GetLine(i)->GetFirstWords(vWords, MAX_ROW_WORDS);
        // MESH_FACE 0: A: a B: b C: c ...: the corners are words 3, 5 and 7.
        if (vWords.size() >= 8 && vWords[0] == "MESH_FACE" && IsIntegerWord(vWords[3]) &&
            IsIntegerWord(vWords[5]) && IsIntegerWord(vWords[7]))
        {
            Index3& face = vFaces[k++];
            face.a = uint32(WordToInt(vWords[3]));
            face.b = uint32(WordToInt(vWords[5]));
            face.c = uint32(WordToInt(vWords[7]));
        }
    }
    pMesh->SetTriangles(vFaces.data(), uint32(nFaces));
}

void ParseNormals(CAseBlock* pBlock, CModelMesh* pMesh, int nNormals)
{
    if (nNormals <= 0)
        return;
    std::vector<Vector3d> vNormals(static_cast<size_t>(nNormals));
    // The vertex normals after a face normal fill that face's corners in order.
    int64_t iFace = 0;
    int64_t iCorner = 0;
    std::vector<std::string> vWords;
    for (uint32 i = 0; i < pBlock->GetLineCount(); ++i)
    {
        pBlock->GetLine(i)->GetFirstWords(vWords, MAX_ROW_WORDS);
        if (vWords.size() < 5 || !IsIntegerWord(vWords[1]))
            continue;
        if (vWords[0] == "MESH_FACENORMAL")
        {
            iFace = WordToInt(vWords[1]);
            iCorner = 0;
        }
        else if (vWords[0] == "MESH_VERTEXNORMAL" && IsNumberWord(vWords[2]) &&
                 IsNumberWord(vWords[3]) && IsNumberWord(vWords[4]))
        {
            const int64_t iSlot = 3 * iFace + iCorner;
            if (iSlot >= 0 && iSlot < nNormals)
                vNormals[size_t(iSlot)] = Vector3d(WordToFloat(vWords[2]), WordToFloat(vWords[3]),
                                                   WordToFloat(vWords[4]));
            ++iCorner;
        }
    }
    pMesh->SetNormals(vNormals.data(), uint32(nNormals));
}
