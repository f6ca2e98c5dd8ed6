// Time and peak memory of converting a generated ASCII PLY of 999,698
// triangles (a wavy 708 x 708 grid): loading, reading with smooth normals, and
// writing the XML model. The PLY is written to the working folder on first use
// and never kept in the source tree.
#include <sys/resource.h>

#include <cmath>
#include <cstdio>
#include <string>

#include <benchmark/benchmark.h>

#include "model/ModelFile.h"
#include "converters/PlyReader.h"

namespace
{

const int kGridSize = 708; // vertices per side: 2 x 707 x 707 triangles
const char* const kPlyPath = "bench-grid-1m.ply";
const char* const kXmlPath = "bench-grid-1m.xml";

// Writes the grid once per run; the file is about 35 MB.
const char* GridPly()
{
    static bool bWritten = false;
    if (bWritten)
        return kPlyPath;
    FILE* pFile = fopen(kPlyPath, "w");
    if (pFile == nullptr)
        return nullptr;
    const int n = kGridSize;
    fprintf(pFile, "ply\nformat ascii 1.0\ncomment generated benchmark grid\n");
    fprintf(pFile, "element vertex %d\nproperty float x\nproperty float y\nproperty float z\n",
            n * n);
    fprintf(pFile, "element face %d\nproperty list uchar int vertex_indices\nend_header\n",
            2 * (n - 1) * (n - 1));
    for (int j = 0; j < n; ++j)
    {
        for (int i = 0; i < n; ++i)
            fprintf(pFile, "%g %g %g\n", i * 0.01, j * 0.01, 0.1 * sin(i * 0.05) * cos(j * 0.07));
    }
    for (int j = 0; j + 1 < n; ++j)
    {
        for (int i = 0; i + 1 < n; ++i)
        {
            const int a = j * n + i;
            fprintf(pFile, "3 %d %d %d\n3 %d %d %d\n", a, a + 1, a + n + 1, a, a + n + 1, a + n);
        }
    }
    fclose(pFile);
    bWritten = true;
    return kPlyPath;
}

double PeakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0; // ru_maxrss is in kilobytes on Linux
}

void BM_ReadPly(benchmark::State& state)
{
    const char* pPath = GridPly();
    if (pPath == nullptr)
    {
        state.SkipWithError("cannot write the benchmark PLY");
        return;
    }
    CFileBuffer buffer;
    buffer.LoadText(pPath);
    uint32 nTriangles = 0;
    for (auto _ : state)
    {
        CModel model;
        ReadPly(buffer, model);
        nTriangles = model.GetMesh(0)->GetTriangleCount();
    }
    state.counters["triangles"] = nTriangles;
    state.counters["peak_MB"] = PeakMegabytes();
}
BENCHMARK(BM_ReadPly)->Unit(benchmark::kMillisecond)->Iterations(3);

// The whole conversion as PlyToVorl runs it: load, read, write.
void BM_ConvertPly(benchmark::State& state)
{
    const char* pPath = GridPly();
    if (pPath == nullptr)
    {
        state.SkipWithError("cannot write the benchmark PLY");
        return;
    }
    for (auto _ : state)
    {
        CFileBuffer buffer;
        buffer.LoadText(pPath);
        CModel model;
        ReadPly(buffer, model);
        SaveModelXml(kXmlPath, &model);
    }
    state.counters["peak_MB"] = PeakMegabytes();
    remove(kXmlPath);
}
BENCHMARK(BM_ConvertPly)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    remove(kPlyPath);
    return 0;
}
