// The ASCII PLY reader of PlyToVorl: one triangle mesh from the vertex rows
// and face rows of a PLY text; polygons are split into triangle fans.
#pragma once

#include "model/Model.h"
#include "common/util/FileBuffer.h"

// Reads the text held by the buffer (loaded with LoadText) and appends one mesh,
// finished with smooth normals, to the model. Returns false, after a message and
// with the model unchanged, when the file is refused: not ascii, no end_header,
// no vertices or faces, counts the text cannot hold, missing rows, a face index
// outside the vertices or a coordinate beyond the float range.
bool ReadPly(const CFileBuffer& buffer, CModel& model);

// The usage text of PlyToVorl for the given program name.
void PrintPlyUsage(const char* pProgram);
