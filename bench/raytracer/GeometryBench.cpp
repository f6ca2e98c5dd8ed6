// Benchmarks of the hot paths of the intersection code: the box and triangle tests,
// the scene tree over a thousand spheres, and the triangle tree of large meshes
// (build time and the process's peak memory).
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cmath>
#include <functional>
#include <memory>
#include <random>
#include <vector>

#include "raytracer/Bsp.h"
#include "raytracer/Geometry.h"

namespace
{
struct Ray
{
    Vector3d vStart, vEnd;
};

std::vector<Ray> RandomRays(size_t nRays, float fSpread, unsigned nSeed)
{
    std::mt19937 random(nSeed);
    std::uniform_real_distribution<float> coord(-fSpread, fSpread), dir(-1.0f, 1.0f);
    std::vector<Ray> vRays(nRays);
    for (Ray& ray : vRays)
    {
        ray.vStart = Vector3d(coord(random), coord(random), coord(random));
        ray.vEnd = ray.vStart + Vector3d(dir(random), dir(random), dir(random));
    }
    return vRays;
}

double PeakRssMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
}

// A closed, bumpy sphere of about nTriangles triangles (a latitude-longitude grid).
void MakeBumpySphere(uint32 nTriangles, CModelMesh& mesh)
{
    const uint32 n = static_cast<uint32>(std::sqrt(nTriangles / 2.0));
    const uint32 nRows = n, nColumns = n;
    std::vector<Vector3d> vVertices;
    vVertices.reserve((nRows + 1) * nColumns);
    for (uint32 r = 0; r <= nRows; ++r)
    {
        const double theta = M_PI * r / nRows;
        for (uint32 c = 0; c < nColumns; ++c)
        {
            const double phi = 2.0 * M_PI * c / nColumns;
            const double radius = 1.0 + 0.05 * std::sin(7 * theta) * std::cos(5 * phi);
            vVertices.emplace_back(static_cast<float>(radius * std::sin(theta) * std::cos(phi)),
                                   static_cast<float>(radius * std::sin(theta) * std::sin(phi)),
                                   static_cast<float>(radius * std::cos(theta)));
        }
    }
    std::vector<Index3> vTriangles;
    vTriangles.reserve(2 * nRows * nColumns);
    for (uint32 r = 0; r < nRows; ++r)
        for (uint32 c = 0; c < nColumns; ++c)
        {
            const uint32 i00 = r * nColumns + c, i01 = r * nColumns + (c + 1) % nColumns;
            const uint32 i10 = i00 + nColumns, i11 = i01 + nColumns;
            Index3 a, b;
            a.a = i00, a.b = i10, a.c = i11;
            b.a = i00, b.b = i11, b.c = i01;
            vTriangles.push_back(a);
            vTriangles.push_back(b);
        }
    std::vector<Vector3d> vNormals;
    vNormals.reserve(3 * vTriangles.size());
    for (const Index3& t : vTriangles)
        for (uint32 i : {t.a, t.b, t.c})
            vNormals.push_back(vVertices[i]);
    mesh.SetVertices(vVertices.data(), static_cast<uint32>(vVertices.size()));
    mesh.SetTriangles(vTriangles.data(), static_cast<uint32>(vTriangles.size()));
    mesh.SetNormals(vNormals.data(), static_cast<uint32>(vNormals.size()));
}

void CountNodes(const CTriangleBsp* pNode, size_t& nNodes, size_t& nLeaves)
{
    ++nNodes;
    if (!pNode->m_pLow && !pNode->m_pHigh && !pNode->m_pStraddling)
        ++nLeaves;
    for (const CTriangleBsp* pChild : {pNode->m_pLow, pNode->m_pHigh, pNode->m_pStraddling})
        if (pChild)
            CountNodes(pChild, nNodes, nLeaves);
}

std::unique_ptr<CScene> MakeSphereScene(int nSpheres)
{
    std::unique_ptr<CScene> pScene(new CScene);
    std::mt19937 random(1);
    std::uniform_real_distribution<float> coord(-50.0f, 50.0f), radius(0.3f, 2.0f);
    for (int i = 0; i < nSpheres; ++i)
    {
        CSphere* pSphere = new CSphere;
        const float r = radius(random);
        Matrix3d m = Matrix3d::Scaling(r, r, r);
        m.m_vRow[3] = Vector3d(coord(random), coord(random), coord(random));
        pSphere->SetTransform(m);
        pScene->AddPrimitive(pSphere);
    }
    return pScene;
}
} // namespace

static void BM_RayIntersectsBox(benchmark::State& state)
{
    const std::vector<Ray> vRays = RandomRays(4096, 3.0f, 2);
    size_t i = 0, nHits = 0;
    for (auto _ : state)
    {
        const Ray& ray = vRays[i++ & 4095];
        const bool bHit = RayIntersectsBox(ray.vStart, ray.vEnd - ray.vStart, -1, -1, -1, 1, 1, 1);
        nHits += bHit;
        benchmark::DoNotOptimize(bHit);
    }
    state.counters["hit_ratio"] = static_cast<double>(nHits) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_RayIntersectsBox);

static void BM_IntersectTriangle(benchmark::State& state)
{
    const std::vector<Ray> vRays = RandomRays(4096, 2.0f, 3);
    const Vector3d p0(-1, -1, 0), p1(1, -1, 0.2f), p2(0, 1, -0.1f);
    size_t i = 0, nHits = 0;
    for (auto _ : state)
    {
        const Ray& ray = vRays[i++ & 4095];
        Vector3d h;
        const bool bHit = IntersectTriangle(ray.vStart, ray.vEnd, p0, p1, p2, h);
        nHits += bHit;
        benchmark::DoNotOptimize(h);
    }
    state.counters["hit_ratio"] = static_cast<double>(nHits) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_IntersectTriangle);

static void BM_SceneBuildBsp_1000Spheres(benchmark::State& state)
{
    std::unique_ptr<CScene> pScene = MakeSphereScene(1000);
    for (auto _ : state)
        pScene->BuildBsp();
}
BENCHMARK(BM_SceneBuildBsp_1000Spheres)->Unit(benchmark::kMillisecond);

static void BM_SceneNearestHit_1000Spheres(benchmark::State& state)
{
    std::unique_ptr<CScene> pScene = MakeSphereScene(1000);
    pScene->BuildBsp();
    const std::vector<Ray> vRays = RandomRays(4096, 60.0f, 4);
    size_t i = 0, nHits = 0;
    for (auto _ : state)
    {
        const Ray& ray = vRays[i++ & 4095];
        Vector3d h, n;
        CPrimitive* pHit = nullptr;
        nHits += pScene->Intersect(ray.vStart, ray.vEnd, h, n, pHit);
        benchmark::DoNotOptimize(pHit);
    }
    state.counters["hit_ratio"] = static_cast<double>(nHits) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_SceneNearestHit_1000Spheres);

// Run each size in its own process (--benchmark_filter) for a meaningful peak.
static void BM_TriangleTreeBuild(benchmark::State& state)
{
    CModelMesh mesh;
    MakeBumpySphere(static_cast<uint32>(state.range(0)), mesh);
    size_t nNodes = 0, nLeaves = 0;
    for (auto _ : state)
    {
        std::unique_ptr<CTriMesh> pTriMesh(new CTriMesh(&mesh));
        state.PauseTiming();
        nNodes = 0;
        nLeaves = 0;
        CountNodes(pTriMesh->GetBspRoot(), nNodes, nLeaves);
        pTriMesh.reset();
        state.ResumeTiming();
    }
    state.counters["triangles"] = mesh.GetTriangleCount();
    state.counters["nodes"] = static_cast<double>(nNodes);
    state.counters["leaves"] = static_cast<double>(nLeaves);
    state.counters["peak_rss_MB"] = PeakRssMegabytes();
}
BENCHMARK(BM_TriangleTreeBuild)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);

static void BM_TriMeshIntersect(benchmark::State& state)
{
    CModelMesh mesh;
    MakeBumpySphere(static_cast<uint32>(state.range(0)), mesh);
    CTriMesh triMesh(&mesh);
    // Rays from outside aimed at points near the middle.
    std::mt19937 random(6);
    std::uniform_real_distribution<float> coord(-3.0f, 3.0f), aim(-0.5f, 0.5f);
    std::vector<Ray> vRays(4096);
    for (Ray& ray : vRays)
    {
        ray.vStart = Vector3d(coord(random), coord(random), 3.0f);
        ray.vEnd = Vector3d(aim(random), aim(random), aim(random));
    }
    size_t i = 0, nHits = 0;
    for (auto _ : state)
    {
        const Ray& ray = vRays[i++ & 4095];
        Vector3d h, n;
        nHits += triMesh.Intersect(ray.vStart, ray.vEnd, h, n);
        benchmark::DoNotOptimize(h);
    }
    state.counters["hit_ratio"] = static_cast<double>(nHits) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_TriMeshIntersect)->Arg(100000)->Arg(1000000);
