// CModelMesh and CModel: the in-memory triangle model shared by the model
// readers, the XML writer, the converters and the renderer's mesh primitive.
// Meshes own their three arrays and fill them only by copying; models own meshes.

#include "model/Model.h"

#include <cassert>

namespace
{

// Releases an owned array and resets its count; a null array is left alone.
template <typename T>
void ReleaseArray(T*& pArray, uint32& nCount)
{
    if (pArray)
    {
        delete[] pArray;
        pArray = nullptr;
        nCount = 0;
    }
}

// Replaces pArray by a zeroed array of nCount elements holding a copy of pSource.
// The zeroing matters in the renderer, whose allocation functions do not clear memory.
template <typename T>
void CopyArray(T*& pArray, uint32& nCount, const T* pSource, uint32 nSourceCount)
{
    ReleaseArray(pArray, nCount);
    pArray = new T[nSourceCount]();
    nCount = nSourceCount;
    for (uint32 i = 0; i < nSourceCount; ++i)
        pArray[i] = pSource[i];
}

} // namespace

CModelMesh::CModelMesh()
    : m_pVertices(nullptr),
      m_nVertices(0),
      m_pNormals(nullptr),
      m_nNormals(0),
      m_pTriangles(nullptr),
      m_nTriangles(0),
      m_sName(),
      m_cColor()
{
}

CModelMesh::~CModelMesh()
{
    Clear();
}

void CModelMesh::SetName(const std::string& sName)
{
    m_sName = sName;
}

std::string CModelMesh::GetName() const
{
    return m_sName;
}

void CModelMesh::SetColor(const CColor& cColor)
{
    m_cColor = cColor;
}

CColor CModelMesh::GetColor() const
{
    return m_cColor;
}

void CModelMesh::Clear()
{
    ReleaseArray(m_pVertices, m_nVertices);
    ReleaseArray(m_pNormals, m_nNormals);
    ReleaseArray(m_pTriangles, m_nTriangles);
}

void CModelMesh::SetVertices(const Vector3d* pVertices, uint32 nVertices)
{
    assert(pVertices && nVertices > 0);
    CopyArray(m_pVertices, m_nVertices, pVertices, nVertices);
}

// Normals belong to triangle corners, so callers pass 3 x the triangle count; the
// mesh does not check this (FindMeshFault in ModelFile does, for loaded models).
void CModelMesh::SetNormals(const Vector3d* pNormals, uint32 nNormals)
{
    assert(pNormals && nNormals > 0);
    CopyArray(m_pNormals, m_nNormals, pNormals, nNormals);
}

// Indices are taken as they are; the builder keeps them below the vertex count.
void CModelMesh::SetTriangles(const Index3* pTriangles, uint32 nTriangles)
{
    assert(pTriangles && nTriangles > 0);
    CopyArray(m_pTriangles, m_nTriangles, pTriangles, nTriangles);
}

void CModelMesh::CalculateNormals()
{
    assert(m_pTriangles && m_nTriangles > 0);
    assert(m_pVertices && m_nVertices > 0);
    delete[] m_pNormals;
    m_nNormals = 3 * m_nTriangles;
    m_pNormals = new Vector3d[m_nNormals]();
    for (uint32 t = 0; t < m_nTriangles; ++t)
    {
        const Index3& tri = m_pTriangles[t];
        const Vector3d& vA = m_pVertices[tri.a];
        Vector3d vNormal = Cross(m_pVertices[tri.b] - vA, m_pVertices[tri.c] - vA);
        m_pNormals[3 * t] = vNormal;
        m_pNormals[3 * t + 1] = vNormal;
        m_pNormals[3 * t + 2] = vNormal;
    }
}

CModel::CModel() : m_vMeshes(), m_sName()
{
}

CModel::~CModel()
{
    for (CModelMesh* pMesh : m_vMeshes)
        delete pMesh;
}

void CModel::SetName(const std::string& sName)
{
    m_sName = sName;
}

std::string CModel::GetName() const
{
    return m_sName;
}

uint32 CModel::GetMeshCount() const
{
    return static_cast<uint32>(m_vMeshes.size());
}

CModelMesh* CModel::GetMesh(uint32 iIndex) const
{
    assert(iIndex < GetMeshCount());
    return m_vMeshes[iIndex];
}

void CModel::AddMesh(CModelMesh* pModelMesh)
{
    assert(pModelMesh);
    m_vMeshes.push_back(pModelMesh);
}
