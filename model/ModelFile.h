// Model files: LoadModel picks the reader by extension (.bin or .xml, any case);
// LoadModelBin reads the headerless little-endian one-mesh format, LoadModelXml
// the XML model format through expat, and SaveModelXml writes the XML format.
#pragma once

#include <string>

#include "model/Model.h"
#include "common/util/Types.h"

// Longest number text the XML reader converts to a float, in characters.
constexpr uint32 MAX_FLOAT_STRING_LENGTH = 64;

// Each reader appends the meshes it reads to pModel (created and owned by the
// caller). LoadModelBin adds nothing on failure; LoadModelXml keeps the meshes
// whose MESH element closed before a parse error, so a caller discards the model
// when a load fails.
bool LoadModel(const std::string& sFileName, CModel* pModel);
bool LoadModelBin(const std::string& sFileName, CModel* pModel);
bool LoadModelXml(const std::string& sFileName, CModel* pModel);

// Writes the model as an XML model file, built whole in memory and written in
// one piece. False when the file cannot be opened, written or closed; a failed
// write leaves no file behind.
bool SaveModelXml(const std::string& sFileName, const CModel* pModel);

// A description of the first fault that makes a mesh unusable for rendering
// (triangles without vertices, a vertex index not below the vertex count, a normal
// count other than 3 x the triangle count in a mesh with triangles), or an empty string
// for a sound mesh. A mesh without triangles is sound: it renders nothing.
std::string FindMeshFault(const CModelMesh* pMesh);
// The same over every mesh of a model, naming the mesh; empty when all are sound.
std::string FindModelFault(const CModel* pModel);

// ASCII case helpers; every other byte is left as it is.
std::string ToLower(const std::string& s);
std::string ToUpper(const std::string& s);
char ToLower(char c);
char ToUpper(char c);

// Pieces of the XML writer, each appending to sText.
void WriteXmlHeader(std::string& sText);
void WriteRoot(std::string& sText, const CModel* pModel);
void WriteModel(std::string& sText, const CModel* pModel);
void WriteMesh(std::string& sText, const CModelMesh* pMesh);
// With nCount 0 the array is not read and may be null.
void WriteVector3dList(std::string& sText, const Vector3d* pVectors, uint32 nCount,
                       const std::string& sName);
void WriteIndex3List(std::string& sText, const Index3* pTriangles, uint32 nCount,
                     const std::string& sName);
// Appends ` name="value"` with &, <, >, " and the control characters escaped
// in the value, so that a reader gets the value back (control characters other
// than tab, line feed and carriage return, which XML cannot hold, read back as "?").
void AppendAttribute(std::string& sText, const std::string& sName, const std::string& sValue);
std::string IntToString(sint32 iValue);    // "%i"
std::string FloatToString(float fValue);   // "%f" of the value widened to double

// Number readers of the XML reader. From *pPos, skip blanks and tabs, then read one
// number of the accepted kind (float: integer, real or expreal tokens; integer:
// integer tokens only) that lies within iLength characters; on success store it and
// move *pPos past it, otherwise return false and leave *pPos unchanged.
bool ReadNextFloat(const char* pText, sint32 iLength, sint32* pPos, float* pValue);
bool ReadNextInteger(const char* pText, sint32 iLength, sint32* pPos, sint32* pValue);
// Convert exactly iLength characters. ParseFloat refuses lengths of 0 or above
// MAX_FLOAT_STRING_LENGTH; ParseInteger takes an optional "-" and decimal digits,
// accumulated modulo 2^32.
bool ParseFloat(float* pValue, const char* pText, uint32 iLength);
bool ParseInteger(sint32* pValue, const char* pText, uint32 iLength);
// The value of the first attribute named sName in expat's list (name, value, ...,
// null); false and sValue unchanged when there is none.
bool FindAttribute(const char** ppAttributes, const std::string& sName, std::string& sValue);
