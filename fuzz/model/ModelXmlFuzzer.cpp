// Fuzz target of the XML model reader: any bytes as a model file. Whatever is
// loaded is checked, written back with the XML writer and must read back with
// the same meshes and counts (unless a value is not finite: "%f" writes inf and
// nan, which the reader does not take as numbers).

#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "model/ModelFile.h"
#include "fuzz/model/ModelFuzzInput.h"

namespace
{

bool AllFinite(const Vector3d* pVectors, uint32 nCount)
{
    for (uint32 i = 0; i < nCount; ++i)
        if (!std::isfinite(pVectors[i].x) || !std::isfinite(pVectors[i].y) || !std::isfinite(pVectors[i].z))
            return false;
    return true;
}

bool SameCounts(const CModel& a, const CModel& b)
{
    if (a.GetMeshCount() != b.GetMeshCount())
        return false;
    for (uint32 i = 0; i < a.GetMeshCount(); ++i)
    {
        const CModelMesh* pA = a.GetMesh(i);
        const CModelMesh* pB = b.GetMesh(i);
        if (pA->GetVertexCount() != pB->GetVertexCount() || pA->GetNormalCount() != pB->GetNormalCount() ||
            pA->GetTriangleCount() != pB->GetTriangleCount())
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    static const CFuzzInputFile inputFile(".xml");
    static const CFuzzInputFile outputFile("-out.xml");
    const std::string sPath = inputFile.Write(pData, nSize);
    if (sPath.empty())
        abort();
    CModel model;
    if (!LoadModelXml(sPath, &model))
        return 0;
    FindModelFault(&model);
    for (uint32 i = 0; i < model.GetMeshCount(); ++i)
    {
        const CModelMesh* pMesh = model.GetMesh(i);
        if (!AllFinite(pMesh->GetVertices(), pMesh->GetVertexCount()) ||
            !AllFinite(pMesh->GetNormals(), pMesh->GetNormalCount()))
            return 0;
    }
    const std::string sOutput = outputFile.Write(nullptr, 0);
    if (sOutput.empty() || !SaveModelXml(sOutput, &model))
        abort();
    CModel readBack;
    if (!LoadModelXml(sOutput, &readBack) || !SameCounts(model, readBack))
        abort();
    return 0;
}
