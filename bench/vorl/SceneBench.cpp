// Whole renders of scene scripts: the script is read once, then every iteration
// renders it as "vorl render" does (scene tree, tracing, the TGA file).
#include "common/util/FileBuffer.h"
#include "vorl/Parser.h"

#include "bench/raytracer/SilentStdout.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

namespace
{
void RenderScript(benchmark::State& state, const char* pScene)
{
    const std::string sPath = std::string(VORL_BENCH_SCENES) + "/" + pScene;
    CFileBuffer script;
    if (!script.LoadText(sPath.c_str()) || !script.GetData())
    {
        state.SkipWithError("the scene script could not be read");
        return;
    }
    CParser parser;
    bool bRead;
    {
        CSilentStdout silent;
        bRead = parser.RunScript(reinterpret_cast<const char*>(script.GetData()));
    }
    if (!bRead)
    {
        state.SkipWithError("the scene script has errors");
        return;
    }
    const char* pImage = "scene-bench.tga";
    for (auto _ : state)
    {
        CSilentStdout silent;
        if (!parser.RenderScene(pImage))
            state.SkipWithError("the picture could not be written");
    }
    std::remove(pImage);
}

// Five spheres (diffuse, plastic, metal, glass, marble) over a 16 x 16 floor square, two
// lights, 1280 x 1024: the floor lies in every leaf of the scene tree's lowest layer.
void BM_RenderFiveSpheres(benchmark::State& state)
{
    RenderScript(state, "five-spheres.txt");
}
BENCHMARK(BM_RenderFiveSpheres)->Unit(benchmark::kMillisecond)->MinTime(3.0);
} // namespace
