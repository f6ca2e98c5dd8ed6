// Smooth corner normals for the converters: SmoothNormals gives every vertex
// the normalised sum of the unit normals of its triangles, and FinishMesh
// hands them to each mesh that came from its file without normals.
#pragma once

#include <list>
#include <vector>

#include "model/Model.h"
#include "common/util/Types.h"
#include "common/vecmat/vector3d.h"

// Working record of one mesh vertex.
struct SmoothVertex
{
    Vector3d m_vPosition;
    std::list<uint32> m_lFaces; // triangles using this vertex, as corner 0, then 1, then 2
};

// Working record of one mesh triangle: its vertex indices in corner order.
struct SmoothFace
{
    uint32 m_iVertex0;
    uint32 m_iVertex1;
    uint32 m_iVertex2;
};

// Fills the face lists of vVertices and replaces vNormals by three normals per
// face, in face and corner order. Every vertex index of vFaces must be below
// vVertices.size(). A normal points to the side from which the corners run
// counter-clockwise; a vertex whose sum is (nearly) zero or not a number, as at
// any corner of a degenerate triangle, gets (1, 0, 0).
void SmoothNormals(std::vector<SmoothVertex>& vVertices, const std::vector<SmoothFace>& vFaces,
                   std::vector<Vector3d>& vNormals);

// Gives a mesh without normals smooth corner normals ("Computing normals");
// a mesh with normals keeps them ("Already has normals n"). A mesh without
// triangles is left as it is and nothing is printed. Returns false, with the
// mesh unchanged, when a triangle names a vertex that the mesh does not have.
bool FinishMesh(CModelMesh* pMesh);
