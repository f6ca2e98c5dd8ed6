// Smooth corner normals and the mesh finisher shared by both converters.
#include "converters/Normals.h"

#include <cstdio>

void SmoothNormals(std::vector<SmoothVertex>& vVertices, const std::vector<SmoothFace>& vFaces,
                   std::vector<Vector3d>& vNormals)
{
    // Three passes, so that a vertex lists first the faces where it is corner 0,
    // then corner 1, then corner 2; the summation order below follows the lists.
    const uint32 nFaces = uint32(vFaces.size());
    for (uint32 f = 0; f < nFaces; ++f)
        vVertices[vFaces[f].m_iVertex0].m_lFaces.push_back(f);
    for (uint32 f = 0; f < nFaces; ++f)
        vVertices[vFaces[f].m_iVertex1].m_lFaces.push_back(f);
    for (uint32 f = 0; f < nFaces; ++f)
        vVertices[vFaces[f].m_iVertex2].m_lFaces.push_back(f);

    std::vector<Vector3d> vVertexNormals;
    vVertexNormals.reserve(vVertices.size());
    for (const SmoothVertex& vertex : vVertices)
    {
        Vector3d vSum;
        for (uint32 f : vertex.m_lFaces)
        {
            const SmoothFace& face = vFaces[f];
            const Vector3d& p0 = vVertices[face.m_iVertex0].m_vPosition;
            const Vector3d& p1 = vVertices[face.m_iVertex1].m_vPosition;
            const Vector3d& p2 = vVertices[face.m_iVertex2].m_vPosition;
            // Second edge first: the sum points away from the counter-clockwise
            // side and is turned round by the negative factor below. A zero cross
            // product gives an infinite factor and a NaN normal, which sends the
            // vertex to the fallback.
            Vector3d vNormal = Cross(p2 - p0, p1 - p0);
            vNormal = vNormal * (1.0f / vNormal.Length());
            vSum = vSum + vNormal;
        }
        const float fLength = vSum.Length();
        // The negative factor also makes every zero component a negative zero.
        if (double(fLength) > 1e-05)
            vSum = vSum * (-1.0f / fLength);
        else
            vSum = Vector3d(1.0f, 0.0f, 0.0f);
        vVertexNormals.push_back(vSum);
    }

    vNormals.clear();
    vNormals.reserve(3 * vFaces.size());
    for (const SmoothFace& face : vFaces)
    {
        vNormals.push_back(vVertexNormals[face.m_iVertex0]);
        vNormals.push_back(vVertexNormals[face.m_iVertex1]);
        vNormals.push_back(vVertexNormals[face.m_iVertex2]);
    }
}

bool FinishMesh(CModelMesh* pMesh)
{
    const uint32 nVertices = pMesh->GetVertexCount();
    const uint32 nTriangles = pMesh->GetTriangleCount();
    const Index3* pTriangles = pMesh->GetTriangles();
    for (uint32 t = 0; t < nTriangles; ++t)
    {
        if (pTriangles[t].a >= nVertices || pTriangles[t].b >= nVertices ||
            pTriangles[t].c >= nVertices)
            return false;
    }
    if (pMesh->GetNormalCount() != 0)
    {
        printf("Already has normals %d\n", int(pMesh->GetNormalCount()));
        return true;
    }
    if (nTriangles == 0)
        return true;
    puts("Computing normals");

    std::vector<SmoothVertex> vVertices(nVertices);
    const Vector3d* pVertices = pMesh->GetVertices();
    for (uint32 i = 0; i < nVertices; ++i)
        vVertices[i].m_vPosition = pVertices[i];
    std::vector<SmoothFace> vFaces(nTriangles);
    for (uint32 t = 0; t < nTriangles; ++t)
        vFaces[t] = SmoothFace{pTriangles[t].a, pTriangles[t].b, pTriangles[t].c};

    std::vector<Vector3d> vNormals;
    SmoothNormals(vVertices, vFaces, vNormals);
    pMesh->SetNormals(vNormals.data(), uint32(vNormals.size()));
    return true;
}
