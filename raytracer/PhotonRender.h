// The photon renderer: shoots photons from the scene's first light into its photon
// map (Russian roulette at every surface), then writes a preview picture of the stored
// photons and a picture of the photon-map irradiance seen through the camera.
#pragma once

#include <string>

#include "common/util/Types.h"
#include "common/vecmat/vector3d.h"
#include "raytracer/PhotonMap.h"
#include "raytracer/Random.h"

class CScene;
class CCamera;

// Use: construct, ComputePhotonMap, RenderPhotonMap, Render, destroy. The scene, its
// contents and the camera stay the caller's and are only read. Every random number comes
// from the object's own generator in a fixed order, so a run is reproducible.
class CPhotonRender
{
public:
    CPhotonRender();
    ~CPhotonRender();
    CPhotonRender(const CPhotonRender&) = delete;
    CPhotonRender& operator=(const CPhotonRender&) = delete;

    // Clears the map, builds the scene tree and fills the map with the photons of
    // nPhotons emissions from the first light (none without a light; a negative count
    // emits nothing). Prints its progress.
    void ComputePhotonMap(CScene* pScene, int nPhotons);

    // Writes the preview picture (stored photons projected through the camera, the
    // photons found around the centre ray's hit in red) to fileName. False when the
    // file could not be written.
    bool RenderPhotonMap(CScene* pScene, CCamera* pCamera, const std::string& fileName);

    // Writes the picture of the photon-map irradiance at each pixel's first hit to
    // fileName. False when the file could not be written.
    bool Render(CScene* pScene, CCamera* pCamera, const std::string& fileName);

    // Follows one photon from its position along its direction (which need not be unit
    // length), storing it where it is absorbed or diffusely bounced. At most 21 hits.
    void TracePhoton(CScene* pScene, const CPhoton& photon, uint32 nDepth);

    // A random unit direction on the side of vNormal (any length); the zero vector,
    // without a draw, when vNormal has no direction.
    Vector3d RandomHemisphereDirection(const Vector3d& vNormal);
    // A random unit direction, uniform over the sphere.
    Vector3d RandomSphereDirection();

    const CPhotonMap& GetPhotonMap() const { return m_PhotonMap; }

private:
    CPhotonMap m_PhotonMap;
    CRandom m_Random; // unseeded: seeds itself with the defaults on the first draw
};
