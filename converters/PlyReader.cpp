// ReadPly: a line-by-line state machine over the header, the vertex rows and
// the face rows of an ASCII PLY text.
#include "converters/PlyReader.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/util/LineSplit.h"
#include "converters/Normals.h"
#include "converters/Words.h"

// The shortest vertex row is "0 0 0" and a line feed, the shortest face row
// "3 0 1 2" and a line feed: counts that the data cannot hold are refused before
// anything is allocated from them.
static const uint64_t MIN_VERTEX_ROW_LENGTH = 6;
static const uint64_t MIN_FACE_ROW_LENGTH = 8;

namespace
{

enum PlyState
{
    PLY_HEADER,
    PLY_VERTICES,
    PLY_FACES
};

// Reading state of one PLY text. Each handler returns false after printing why
// the file is refused.
class CPlyReader
{
public:
    explicit CPlyReader(const char* pText) : m_pText(pText) {}
    bool Read(CModel& model);

private:
    bool ReadHeaderLine(int iNextLine);
    bool ReadVertexRow();
    bool ReadFaceRow();

    const char* m_pText;
    int m_iLine = 0;                   // number of the current line, from 1
    std::vector<std::string> m_vWords; // words of the current line
    PlyState m_eState = PLY_HEADER;
    uint32 m_nVertices = 0;            // declared counts
    uint32 m_nFaces = 0;
    uint32 m_nVertexRows = 0;          // rows accepted so far
    uint32 m_nFaceRows = 0;
    std::vector<Vector3d> m_vVertices;
    std::vector<Index3> m_vTriangles;
    std::vector<int> m_vCorners;       // vertex indices of the current face row
};

bool CPlyReader::Read(CModel& model)
{
    int iPos = 0;
    do
    {
        const int iNext = SplitLine(m_pText, iPos, m_vWords);
        ++m_iLine;
        if (!m_vWords.empty())
        {
            bool bOk = true;
            if (m_eState == PLY_HEADER)
                bOk = ReadHeaderLine(iNext);
            else if (m_eState == PLY_VERTICES)
                bOk = ReadVertexRow();
            else
                bOk = ReadFaceRow();
            if (!bOk)
                return false;
        }
        iPos = iNext;
    } while (iPos != 0);

    if (m_eState == PLY_HEADER)
    {
        puts("No end_header line");
        return false;
    }
    if (m_nVertexRows < m_nVertices)
    {
        printf("The file ends after %u of %u vertex rows\n", m_nVertexRows, m_nVertices);
        return false;
    }
    if (m_nFaceRows < m_nFaces)
    {
        printf("The file ends after %u of %u face rows\n", m_nFaceRows, m_nFaces);
        return false;
    }

    CModelMesh* pMesh = new CModelMesh;
    pMesh->SetVertices(m_vVertices.data(), m_nVertices);
    pMesh->SetTriangles(m_vTriangles.data(), uint32(m_vTriangles.size()));
    FinishMesh(pMesh);
    model.AddMesh(pMesh);
    return true;
}

bool CPlyReader::ReadHeaderLine(int iNextLine)
{
    const std::string& sKey = m_vWords[0];
    if (sKey == "format")
    {
        // Binary data read as text would give a mesh of garbage.
        const std::string sFormat = m_vWords.size() >= 2 ? m_vWords[1] : std::string();
        if (sFormat != "ascii")
        {
            printf("Line %d: the format is \"%s\", but only ascii PLY files can be read\n",
                   m_iLine, sFormat.c_str());
            return false;
        }
    }
    else if (sKey == "element")
    {
        if (m_vWords.size() >= 3 && (m_vWords[1] == "vertex" || m_vWords[1] == "face") &&
            IsIntegerWord(m_vWords[2]))
        {
            const int nCount = WordToInt(m_vWords[2]);
            if (nCount < 0)
            {
                printf("Line %d: the %s count %d is negative\n", m_iLine, m_vWords[1].c_str(),
                       nCount);
                return false;
            }
            if (m_vWords[1] == "vertex")
                m_nVertices = uint32(nCount);
            else
                m_nFaces = uint32(nCount);
        }
    }
    else if (sKey == "end_header")
    {
        m_eState = PLY_VERTICES;
        if (m_nFaces == 0 || m_nVertices == 0)
        {
            puts("No faces or vertices");
            return false;
        }
        // The last row may lack its line feed.
        const uint64_t nData = iNextLine == 0 ? 0 : strlen(m_pText + iNextLine);
        if (m_nVertices * MIN_VERTEX_ROW_LENGTH + m_nFaces * MIN_FACE_ROW_LENGTH > nData + 1)
        {
            printf("The header declares %u vertices and %u faces, more than the file holds\n",
                   m_nVertices, m_nFaces);
            return false;
        }
        m_vVertices.assign(m_nVertices, Vector3d());
        m_vTriangles.reserve(m_nFaces);
    }
    return true;
}

bool CPlyReader::ReadVertexRow()
{
    if (m_vWords.size() < 3 || !IsNumberWord(m_vWords[0]) || !IsNumberWord(m_vWords[1]) ||
        !IsNumberWord(m_vWords[2]))
        return true;
    // Further words (normals, colours, other properties) are not read.
    const Vector3d vVertex(WordToFloat(m_vWords[0]), WordToFloat(m_vWords[1]),
                           WordToFloat(m_vWords[2]));
    if (!std::isfinite(vVertex.x) || !std::isfinite(vVertex.y) || !std::isfinite(vVertex.z))
    {
        printf("Line %d: a coordinate lies beyond the float range\n", m_iLine);
        return false;
    }
    m_vVertices[m_nVertexRows++] = vVertex;
    if (m_nVertexRows == m_nVertices)
        m_eState = PLY_FACES;
    return true;
}

bool CPlyReader::ReadFaceRow()
{
    const std::vector<std::string>& vWords = m_vWords;
    if (vWords.size() < 4 || !IsIntegerWord(vWords[1]) || !IsIntegerWord(vWords[2]) ||
        !IsIntegerWord(vWords[3]))
        return true;
    // Rows beyond the declared count belong to other elements or are surplus.
    if (m_nFaceRows >= m_nFaces)
        return true;

    // A row "n i1 ... in" with n >= 3 integer indices is a polygon; any other
    // row that passed the test above is the triangle of words 1, 2 and 3.
    size_t nCorners = 3;
    if (IsIntegerWord(vWords[0]))
    {
        const int n = WordToInt(vWords[0]);
        if (n > 3 && size_t(n) < vWords.size())
        {
            nCorners = size_t(n);
            for (size_t i = 4; i <= nCorners; ++i)
            {
                if (!IsIntegerWord(vWords[i]))
                {
                    nCorners = 3;
                    break;
                }
            }
        }
    }
    m_vCorners.clear();
    for (size_t i = 1; i <= nCorners; ++i)
    {
        const int iVertex = WordToInt(vWords[i]);
        if (iVertex < 0 || uint32(iVertex) >= m_nVertices)
        {
            printf("Line %d: vertex index %d is outside 0 to %u\n", m_iLine, iVertex,
                   m_nVertices - 1);
            return false;
        }
        m_vCorners.push_back(iVertex);
    }
    // Fan: (a, b, c), (a, c, d), (a, d, e), ...
    for (size_t i = 1; i + 1 < nCorners; ++i)
    {
        Index3 triangle;
        triangle.a = uint32(m_vCorners[0]);
        triangle.b = uint32(m_vCorners[i]);
        triangle.c = uint32(m_vCorners[i + 1]);
        m_vTriangles.push_back(triangle);
    }
    ++m_nFaceRows;
    return true;
}

} // namespace

void PrintPlyUsage(const char* pProgram)
{
    puts("usage:");
    printf("\t%s inputfile.ply outputfile.xml\n", pProgram);
    puts("");
    puts("");
    puts("Converts a .ply 3D triangle mesh file into the Vorl .xml 3D format");
}

bool ReadPly(const CFileBuffer& buffer, CModel& model)
{
    if (buffer.GetData() == nullptr)
    {
        puts("The file is empty");
        return false;
    }
    CPlyReader reader(reinterpret_cast<const char*>(buffer.GetData()));
    return reader.Read(model);
}
