// The ASE mesh readers of AseToVorl: every GEOMOBJECT block at the top level of
// a 3ds MAX ASCII export becomes one mesh (vertices, triangles, corner normals
// and the object's name) of a model; everything else in the file is ignored.
#pragma once

#include <cstddef>

#include "model/Model.h"
#include "common/util/FileBuffer.h"
#include "converters/AseBlock.h"

// Appends one mesh per top-level GEOMOBJECT (also those inside GROUP blocks) to
// pModel. False, after "no ase parsed", when the text gives no block tree. A
// mesh that cannot be used is reported and left out; the others are still read.
bool ReadAse(const CFileBuffer* pBuffer, CModel* pModel);

// Builds one mesh from a GEOMOBJECT block and adds it to the model. nTextBudget
// is the text not yet claimed by the rows of earlier meshes (the whole text's
// length at first); each mesh claims the shortest text its declared rows need.
// False when the mesh was skipped (and reported).
bool ParseGeomObject(CAseBlock* pGeomObject, CModel* pModel, size_t& nTextBudget);

// Reads a MESH block into the mesh and finishes it. False, after a message
// naming the mesh, when its data cannot make a sound mesh: declared counts the
// rest of the text budget cannot hold, a face index outside the vertices, or a
// coordinate beyond the float range.
bool ParseMesh(CAseBlock* pMeshBlock, CModelMesh* pMesh, size_t& nTextBudget);

// The list readers set the mesh's list from the block's rows, with the declared
// count as its length; a count of 0 or below leaves the list unset.
void ParseVertexList(CAseBlock* pBlock, CModelMesh* pMesh, int nVertices);
void ParseFaceList(CAseBlock* pBlock, CModelMesh* pMesh, int nFaces);
void ParseNormals(CAseBlock* pBlock, CModelMesh* pMesh, int nNormals);

// The usage text of AseToVorl for the given program name.
void PrintAseUsage(const char* pProgram);
