// Whole renders of a reference scene (a floor, a textured wall, spheres of every material,
// two lights) through CRenderContext::RenderImage, counting the rays traced.
#include "raytracer/Camera.h"
#include "raytracer/Geometry.h"
#include "raytracer/Material.h"
#include "raytracer/Render.h"
#include "raytracer/Texture.h"

#include "bench/raytracer/SilentStdout.h"

#include <benchmark/benchmark.h>

#include <cstdio>

namespace
{
struct SReferenceScene
{
    SReferenceScene()
        : floorMarble(8.0f, 4.0f, 3.0f, 4), wallMarble(12.0f, 6.0f, 5.0f, 6)
    {
        floorMarble.SetColor(CColor(0.9f, 0.85f, 0.8f));
        wallMarble.SetColor(CColor(0.4f, 0.5f, 0.9f));
        glass.SetRefractionIndex(1.5f);
        glass.SetAttenuation(0.1f);
        glass.SetColor(CColor(0.8f, 1.0f, 0.9f));

        // The floor: the unit square laid into the plane y = -1, 40 units wide.
        AddPlane(Matrix3d(Vector3d(40, 0, 0), Vector3d(0, 0, -40), Vector3d(0, 1, 0), Vector3d(-20, -1, 20)),
                 &diffuse, &floorMarble);
        // The back wall at z = -8.
        AddPlane(Matrix3d(Vector3d(40, 0, 0), Vector3d(0, 20, 0), Vector3d(0, 0, 1), Vector3d(-20, -1, -8)),
                 &diffuse, &wallMarble);

        AddSphere(Vector3d(-2.5f, 0, -3), 1.0f, &diffuse, nullptr, CColor(0.9f, 0.2f, 0.2f));
        AddSphere(Vector3d(0, 0, -1), 1.0f, &glass, nullptr, CColor(1, 1, 1));
        AddSphere(Vector3d(2.5f, 0, -3), 1.0f, &metal, nullptr, CColor(0.8f, 0.8f, 0.8f));
        AddSphere(Vector3d(-1.2f, -0.5f, 1.5f), 0.5f, &plastic, nullptr, CColor(0.2f, 0.8f, 0.3f));
        AddSphere(Vector3d(1.4f, -0.4f, 1.0f), 0.6f, &diffuse, &wallMarble, CColor(1, 1, 1));

        scene.AddLight(CLight(Vector3d(5, 8, 6), 10.0f));
        scene.AddLight(CLight(Vector3d(-6, 5, 4), 6.0f));
    }

    void AddPlane(const Matrix3d& m, CMaterial* pMaterial, CTexture* pTexture)
    {
        CPlane* pPlane = new CPlane;
        pPlane->SetTransform(m);
        pPlane->m_pMaterial = pMaterial;
        pPlane->m_pTexture = pTexture;
        scene.AddPrimitive(pPlane);
    }

    void AddSphere(const Vector3d& vCentre, float fRadius, CMaterial* pMaterial, CTexture* pTexture,
                   const CColor& cColor)
    {
        CSphere* pSphere = new CSphere;
        pSphere->SetTransform(Matrix3d(Vector3d(fRadius, 0, 0), Vector3d(0, fRadius, 0),
                                       Vector3d(0, 0, fRadius), vCentre));
        pSphere->m_pMaterial = pMaterial;
        pSphere->m_pTexture = pTexture;
        pSphere->m_cColor = cColor;
        scene.AddPrimitive(pSphere);
    }

    CMaterialDiffuse diffuse;
    CMaterialGlass glass;
    CMaterialMetal metal;
    CMaterialGlossy plastic;
    CTextureMarble floorMarble;
    CTextureMarble wallMarble;
    CScene scene; // declared last: freed first, before the materials it points to
};

void BM_RenderReferenceScene(benchmark::State& state)
{
    const int nWidth = int(state.range(0));
    const int nHeight = int(state.range(1));
    SReferenceScene reference;
    CPlaneCamera camera(nWidth, nHeight, 2.0f);
    camera.LookAt(Vector3d(0, 2, 8), Vector3d(0, 0, -1), Vector3d(0, 1, 0));
    const char* pPath = "render-bench.tga";

    unsigned long long nRays = 0;
    for (auto _ : state)
    {
        CRenderContext context;
        bool bSaved;
        {
            CSilentStdout silent;
            bSaved = context.RenderImage(&reference.scene, &camera, 0, pPath);
        }
        if (!bSaved)
            state.SkipWithError("the picture could not be written");
        nRays += context.GetTracedRayCount();
    }
    std::remove(pPath);
    state.counters["rays"] = benchmark::Counter(double(nRays), benchmark::Counter::kIsRate);
    state.counters["pixels"] =
        benchmark::Counter(double(nWidth) * nHeight * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RenderReferenceScene)->Args({640, 512})->Unit(benchmark::kMillisecond);
} // namespace
