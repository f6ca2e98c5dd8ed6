// The photon renderer: emission from the first light, the photon tracer with Russian
// roulette, and the two pictures made from the photon map.
#include "raytracer/PhotonRender.h"

#include <cassert>
#include <cmath>
#include <cstdio>

#include "raytracer/Camera.h"
#include "raytracer/Geometry.h"
#include "raytracer/Image.h"
#include "raytracer/Material.h"
#include "raytracer/Render.h"
#include "raytracer/Texture.h"

namespace
{
const float PHOTON_PI = 3.1415927f;
// A photon takes part in at most this many surface hits plus one.
const uint32 MAX_PHOTON_DEPTH = 20;
// Photons start this far off the surface they leave (near the origin; see PhotonOffset).
const float PHOTON_OFFSET = 1e-6f;
// Preview: brightness of one stored photon; search around the centre ray's hit.
const float PREVIEW_SCALE = 1.1f;
const float PREVIEW_RADIUS = 1.0f;
const uint32 PREVIEW_PHOTONS = 250;
// Query point of the preview search when the centre ray hits nothing.
const Vector3d PREVIEW_DEFAULT_POINT(0.0f, 0.0f, 3.0f);

// Irradiance picture: search per pixel, and the scale from irradiance to colour.
const float ESTIMATE_RADIUS = 2.0f;
const int ESTIMATE_PHOTONS = 150;
const float ESTIMATE_SCALE = 0.1f;

// Scales v to unit length when it has a direction at all; false (v unchanged) for a
// zero, infinite or NaN vector. Vectors too short for Vector3d::Normalize (the short
// normals of strongly scaled primitives) are divided in double and keep their direction.
bool NormalizeIfPossible(Vector3d& v)
{
    const double x = v.x, y = v.y, z = v.z;
    const double dLength = std::sqrt(x * x + y * y + z * z);
    if (!(dLength > 0.0) || !std::isfinite(dLength))
        return false;
    if (dLength > 0.000001f)
        v.Normalize();
    else
        v.Set(float(x / dLength), float(y / dLength), float(z / dLength));
    return true;
}

// How far a photon leaving a surface starts off it. Hit points carry a rounding error
// that grows with their distance from the origin; a fixed offset smaller than that would
// start the photon on (or behind) the surface it leaves, which then catches it again.
float PhotonOffset(const Vector3d& vHitPoint)
{
    const float fMagnitude = std::fmax(std::fmax(std::fabs(vHitPoint.x), std::fabs(vHitPoint.y)),
                                       std::fabs(vHitPoint.z));
    return fMagnitude > 1.0f ? PHOTON_OFFSET * fMagnitude : PHOTON_OFFSET;
}

// Adds a byte colour to pixel (x, y); SetPixel clamps each channel at 255.
void AddToPixel(CImage& image, int x, int y, const CColorBytes& bytes)
{
    int r = 0;
    int g = 0;
    int b = 0;
    image.GetPixel(x, y, r, g, b);
    image.SetPixel(x, y, r + bytes.r, g + bytes.g, b + bytes.b);
}
} // namespace

CPhotonRender::CPhotonRender()
{
}

CPhotonRender::~CPhotonRender()
{
}

Vector3d CPhotonRender::RandomSphereDirection()
{
    const float z = static_cast<float>(m_Random.RealInRange(-1.0, 1.0));
    const float fPhi = static_cast<float>(m_Random.RealInRange(-PHOTON_PI, PHOTON_PI));
    const float r = std::sqrt(1.0f - z * z);
    return Vector3d(r * std::cos(fPhi), r * std::sin(fPhi), z);
}

Vector3d CPhotonRender::RandomHemisphereDirection(const Vector3d& vNormal)
{
    // No direction could ever be accepted around a normal without one.
    Vector3d vUnit = vNormal;
    if (!NormalizeIfPossible(vUnit))
        return Vector3d(0.0f, 0.0f, 0.0f);
    // Rejection sampling in the unit ball, keeping the half on the normal's side.
    for (;;)
    {
        const float x = static_cast<float>(m_Random.RealInRange(-1.0, 1.0));
        const float y = static_cast<float>(m_Random.RealInRange(-1.0, 1.0));
        const float z = static_cast<float>(m_Random.RealInRange(-1.0, 1.0));
        const Vector3d d(x, y, z);
        const float fLength = d.Length();
        if (fLength < 1.0f && fLength > 0.0f && Dot(vNormal, d) > 0.0f)
            return d * (1.0f / fLength);
    }
}

void CPhotonRender::ComputePhotonMap(CScene* pScene, int nPhotons)
{
    m_PhotonMap.Clear();
    pScene->BuildBsp();
    puts("Computing photon map");
    if (pScene->GetLightCount() == 0)
        return;

    // Only the first light emits, and its power plays no part.
    const Vector3d vLight = pScene->GetLight(0).m_vPosition;
    const uint32 nEmissions = nPhotons > 0 ? static_cast<uint32>(nPhotons) : 0;
    for (uint32 i = 0; i < nEmissions; ++i)
    {
        CPhoton photon;
        photon.m_vPosition = vLight;
        photon.m_vDirection = RandomSphereDirection();
        photon.m_cPower = CColor(1.0f, 1.0f, 1.0f);
        TracePhoton(pScene, photon, 0);
    }
    printf("Emitted photons: %d, Photons in map: %d\n", nPhotons,
           static_cast<int>(m_PhotonMap.GetPhotonCount()));
}

void CPhotonRender::TracePhoton(CScene* pScene, const CPhoton& photon, uint32 nDepth)
{
    if (nDepth > MAX_PHOTON_DEPTH)
        return;
    Vector3d vHitPoint(0.0f, 0.0f, 0.0f);
    Vector3d vNormal(0.0f, 0.0f, 0.0f);
    CPrimitive* pPrimitive = nullptr;
    if (!pScene->Intersect(photon.m_vPosition, photon.m_vPosition + photon.m_vDirection,
                           vHitPoint, vNormal, pPrimitive))
        return;

    // A photon without a direction, or a hit without a usable normal, cannot be
    // scattered: it is dropped.
    Vector3d vView = -photon.m_vDirection;
    if (!NormalizeIfPossible(vView) || !NormalizeIfPossible(vNormal))
        return;
    float k = Dot(vNormal, vView);
    bool bInside = false;
    if (k < 0.0f)
    {
        // The back of the surface: scatter on the side the photon arrives from.
        k = -k;
        vNormal = -vNormal;
        bInside = true;
    }

    const CMaterial* pMaterial = pPrimitive->m_pMaterial;
    if (!pMaterial)
        pMaterial = &g_DefaultMaterial;
    float fReflect = 0.0f;
    float fRefract = 0.0f;
    float fDiffuse = 0.0f;
    pMaterial->GetCoefficients(k, fReflect, fRefract, fDiffuse);

    const CColor cSurface = pPrimitive->m_pTexture
                                ? pPrimitive->m_pTexture->GetColor(pPrimitive->WorldToLocal(vHitPoint))
                                : pPrimitive->m_cColor;
    const float fAverage = (cSurface.r + cSurface.g + cSurface.b) / 3.0f;
    const float fOffset = PhotonOffset(vHitPoint);

    // Russian roulette: one draw picks refraction, reflection, a diffuse bounce or
    // absorption. The surface colour decides only survival; a bounced photon keeps its
    // power.
    const float xi = static_cast<float>(m_Random.RealInRange(0.0, 1.0));
    if (xi < fRefract)
    {
        const float fIndex = pMaterial->GetRefractionIndex();
        const float fRatio = bInside ? fIndex / 1.0f : 1.0f / fIndex;
        CPhoton refracted;
        // Leaving at a grazing angle there is no refracted direction: the photon is lost.
        if (!TryRefract(vView, vNormal, fRatio, refracted.m_vDirection))
            return;
        refracted.m_vPosition = vHitPoint - fOffset * vNormal;
        refracted.m_cPower = photon.m_cPower * fRefract;
        TracePhoton(pScene, refracted, nDepth + 1);
    }
    else if (xi < fRefract + fReflect)
    {
        CPhoton reflected;
        reflected.m_vPosition = vHitPoint + fOffset * vNormal;
        reflected.m_vDirection = Reflect(vView, vNormal);
        reflected.m_cPower = photon.m_cPower * fReflect;
        TracePhoton(pScene, reflected, nDepth + 1);
    }
    else
    {
        CPhoton stored;
        stored.m_vPosition = vHitPoint;
        stored.m_vDirection = photon.m_vDirection;
        stored.m_cPower = photon.m_cPower;
        m_PhotonMap.Store(stored);
        if (xi < fRefract + fReflect + fDiffuse * fAverage)
        {
            CPhoton bounced;
            bounced.m_vPosition = vHitPoint + fOffset * vNormal;
            bounced.m_vDirection = RandomHemisphereDirection(vNormal);
            bounced.m_cPower = photon.m_cPower;
            TracePhoton(pScene, bounced, nDepth + 1);
        }
    }
}

bool CPhotonRender::RenderPhotonMap(CScene* pScene, CCamera* pCamera, const std::string& fileName)
{
    assert(pScene && pCamera);
    const int nWidth = pCamera->GetWidth();
    const int nHeight = pCamera->GetHeight();
    CImage image(nWidth, nHeight);
    image.Fill(0, 0, 0);
    puts("Rendering photon map");

    int px = 0;
    int py = 0;
    for (const CPhoton* pPhoton : m_PhotonMap.GetPhotons())
    {
        if (pCamera->Project(pPhoton->m_vPosition, px, py))
            AddToPixel(image, px, py, ColorToBytes(PREVIEW_SCALE * pPhoton->m_cPower));
    }

    // The photons around the point the centre of the picture shows are marked red.
    Vector3d vHitPoint(0.0f, 0.0f, 0.0f);
    Vector3d vNormal(0.0f, 0.0f, 0.0f);
    CPrimitive* pPrimitive = nullptr;
    bool bHit = false;
    // Without pixels there is no centre to look through.
    if (image.HasBuffer())
    {
        Vector3d vOrigin(0.0f, 0.0f, 0.0f);
        Vector3d vDir(0.0f, 0.0f, 0.0f);
        pCamera->GetRay(nWidth / 2, nHeight / 2, 0.0f, 0.0f, vOrigin, vDir);
        bHit = pScene->Intersect(vOrigin, vOrigin + vDir, vHitPoint, vNormal, pPrimitive);
    }

    m_PhotonMap.Balance();

    CPhotonQuery query;
    query.m_vPosition = PREVIEW_DEFAULT_POINT;
    if (bHit)
    {
        puts("**** HER ER JEG***");
        vHitPoint.Print();
        query.m_vPosition = vHitPoint;
    }
    query.m_fRadius = PREVIEW_RADIUS;
    query.m_nMaxPhotons = PREVIEW_PHOTONS;
    m_PhotonMap.Locate(query, m_PhotonMap.GetRoot());
    printf("Found photons: %d\n", static_cast<int>(query.m_Found.GetCount()));

    for (uint32 i = 0; i < query.m_Found.GetCount(); ++i)
    {
        if (pCamera->Project(query.m_Found.GetElement(i)->m_vPosition, px, py))
            image.SetPixel(px, py, 255, 0, 0);
    }

    puts("Saving photon image");
    return image.SaveTga(fileName.c_str());
}

bool CPhotonRender::Render(CScene* pScene, CCamera* pCamera, const std::string& fileName)
{
    assert(pScene && pCamera);
    m_PhotonMap.Balance();
    pScene->BuildBsp();

    return RenderPicture(pCamera->GetWidth(), pCamera->GetHeight(), fileName, [&](int x, int y) {
        Vector3d vOrigin(0.0f, 0.0f, 0.0f);
        Vector3d vDir(0.0f, 0.0f, 0.0f);
        pCamera->GetRay(x, y, 0.5f, 0.5f, vOrigin, vDir);
        Vector3d vHitPoint(0.0f, 0.0f, 0.0f);
        Vector3d vNormal(0.0f, 0.0f, 0.0f);
        CPrimitive* pPrimitive = nullptr;
        CColor cColor(0.0f, 0.0f, 0.0f);
        // The normal is used as the scene gives it: only its side matters.
        if (pScene->Intersect(vOrigin, vOrigin + vDir, vHitPoint, vNormal, pPrimitive))
            cColor = m_PhotonMap.IrradianceEstimate(vHitPoint, vNormal, ESTIMATE_RADIUS, ESTIMATE_PHOTONS);
        return ESTIMATE_SCALE * cColor;
    });
}
