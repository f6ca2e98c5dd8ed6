// The photon path on a small scene (a floor, three spheres of different materials, one
// light): building a 100,000-photon map, balancing it, and the irradiance picture.
#include "raytracer/Camera.h"
#include "raytracer/Geometry.h"
#include "raytracer/Material.h"
#include "raytracer/PhotonRender.h"

#include "bench/raytracer/SilentStdout.h"

#include <benchmark/benchmark.h>

#include <cstdio>

namespace
{
struct SPhotonScene
{
    SPhotonScene() : camera(160, 128, 2.0f)
    {
        glass.SetRefractionIndex(1.5f);
        // The floor: the unit square laid into the plane y = -1, 40 units wide.
        CPlane* pFloor = new CPlane;
        pFloor->SetTransform(Matrix3d(Vector3d(40, 0, 0), Vector3d(0, 0, -40), Vector3d(0, 1, 0),
                                      Vector3d(-20, -1, 20)));
        pFloor->m_pMaterial = &diffuse;
        pFloor->m_cColor = CColor(0.9f, 0.9f, 0.9f);
        scene.AddPrimitive(pFloor);
        AddSphere(Vector3d(-2.2f, 0, -2), &diffuse, CColor(0.9f, 0.25f, 0.25f));
        AddSphere(Vector3d(0, 0, 0), &glass, CColor(1, 1, 1));
        AddSphere(Vector3d(2.2f, 0, -2), &metal, CColor(0.8f, 0.8f, 0.8f));
        scene.AddLight(CLight(Vector3d(0, 4, -1), 10.0f));
        camera.LookAt(Vector3d(0, 2, 7), Vector3d(0, 0, -2), Vector3d(0, 1, 0));
    }

    void AddSphere(const Vector3d& vCentre, CMaterial* pMaterial, const CColor& cColor)
    {
        CSphere* pSphere = new CSphere;
        pSphere->SetTransform(Matrix3d(Vector3d(1, 0, 0), Vector3d(0, 1, 0), Vector3d(0, 0, 1), vCentre));
        pSphere->m_pMaterial = pMaterial;
        pSphere->m_cColor = cColor;
        scene.AddPrimitive(pSphere);
    }

    CMaterialDiffuse diffuse;
    CMaterialGlass glass;
    CMaterialMetal metal;
    CScene scene;
    CPlaneCamera camera;
};

void BM_ComputePhotonMap(benchmark::State& state)
{
    SPhotonScene s;
    for (auto _ : state)
    {
        CPhotonRender render;
        {
            CSilentStdout silent;
            render.ComputePhotonMap(&s.scene, static_cast<int>(state.range(0)));
        }
        state.counters["stored"] = render.GetPhotonMap().GetPhotonCount();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ComputePhotonMap)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_BalancePhotonMap(benchmark::State& state)
{
    SPhotonScene s;
    CPhotonRender render;
    {
        CSilentStdout silent;
        render.ComputePhotonMap(&s.scene, static_cast<int>(state.range(0)));
    }
    CPhotonMap map;
    for (const CPhoton* pPhoton : render.GetPhotonMap().GetPhotons())
        map.Store(*pPhoton);
    for (auto _ : state)
        map.Balance();
    state.SetItemsProcessed(state.iterations() * map.GetPhotonCount());
}
BENCHMARK(BM_BalancePhotonMap)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_PhotonIrradiancePicture(benchmark::State& state)
{
    SPhotonScene s;
    CPhotonRender render;
    const char* pPath = "bench_photon_render.tga";
    {
        CSilentStdout silent;
        render.ComputePhotonMap(&s.scene, static_cast<int>(state.range(0)));
    }
    for (auto _ : state)
    {
        CSilentStdout silent;
        if (!render.Render(&s.scene, &s.camera, pPath))
            state.SkipWithError("the picture could not be written");
    }
    std::remove(pPath);
    state.SetItemsProcessed(state.iterations() * 160 * 128);
}
BENCHMARK(BM_PhotonIrradiancePicture)->Arg(100000)->Unit(benchmark::kMillisecond);
} // namespace
