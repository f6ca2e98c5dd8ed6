// The recursive tracer: nearest hit, direct light of the point lights, reflected and
// refracted rays through a stack of media, and the blend toward the colour of the medium
// crossed. Also the render loop that fills and saves the picture.
#include "raytracer/Render.h"

#include "raytracer/Camera.h"
#include "raytracer/Geometry.h"
#include "raytracer/Image.h"
#include "raytracer/Material.h"
#include "raytracer/Texture.h"

#include <cassert>
#include <cmath>
#include <cstdio>

namespace
{
const float kWeightThreshold = 1.0f / 256.0f;
// The deepest level that is still shaded; a ray one level further is only intersected
// and blended.
const uint32 kMaxShadedDepth = MAX_RECURSIONS - 1;
const CColor kSkyColor(0.9f, 0.9f, 1.0f);

// Normalises v unless it is too short, infinite or not a number, and so has no usable
// direction; the lower bound is the one Vector3d::Normalize asserts. Returns the length
// it had, or 0.
float NormalizeIfPossible(Vector3d& v)
{
    const double dLength = std::sqrt(double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z);
    if (!(dLength > 0.000001f) || !std::isfinite(dLength))
        return 0.0f;
    return v.Normalize();
}

// 1 - eta^2 (1 - c^2): negative under total internal reflection.
float RefractRadicand(float c, float eta)
{
    return 1.0f - eta * eta * (1.0f - c * c);
}

Vector3d RefractUnit(const Vector3d& i, const Vector3d& n, float eta, float c, float fRadicand)
{
    const float g = std::sqrt(fRadicand);
    return (eta * c - g) * n - eta * i;
}
} // namespace

Vector3d Reflect(Vector3d i, Vector3d n)
{
    const float fRayLen = i.Length();
    const float fNormalLen = n.Length();
    assert(fRayLen > VORL_EPSILON && fNormalLen > VORL_EPSILON);
    i = i * (1.0f / fRayLen);
    n = n * (1.0f / fNormalLen);
    return (2.0f * Dot(n, i)) * n - i;
}

Vector3d Refract(Vector3d i, Vector3d n, float eta)
{
    const float fRayLen = i.Length();
    const float fNormalLen = n.Length();
    assert(fRayLen > VORL_EPSILON && fNormalLen > VORL_EPSILON);
    i = i * (1.0f / fRayLen);
    n = n * (1.0f / fNormalLen);
    const float c = Dot(n, i);
    return RefractUnit(i, n, eta, c, RefractRadicand(c, eta));
}

bool TryRefract(const Vector3d& i, const Vector3d& n, float eta, Vector3d& out)
{
    const float fRayLen = i.Length();
    const float fNormalLen = n.Length();
    if (!(fRayLen > VORL_EPSILON && fNormalLen > VORL_EPSILON))
        return false;
    const Vector3d vI = i * (1.0f / fRayLen);
    const Vector3d vN = n * (1.0f / fNormalLen);
    const float c = Dot(vN, vI);
    const float fRadicand = RefractRadicand(c, eta);
    if (!(fRadicand >= 0.0f))
        return false;
    out = RefractUnit(vI, vN, eta, c, fRadicand);
    return true;
}

CRenderContext::CRenderContext()
    : m_pOuterMedium(nullptr), m_MaterialStackIndex(0), m_nTracedRays(0)
{
    // m_aColors default to (1, 0, 1). The stack is cleared so that nothing reads the
    // bytes a fresh block holds.
    for (CMaterial*& pEntry : m_apMaterialStack)
        pEntry = nullptr;
}

CRenderContext::~CRenderContext()
{
    delete m_pOuterMedium;
    m_pOuterMedium = nullptr;
}

void CRenderContext::ResetOuterMedium()
{
    delete m_pOuterMedium;
    m_pOuterMedium = nullptr;
    CMaterial* pMedium = new CMaterialGlass;
    pMedium->SetRefractionIndex(1.0f);
    pMedium->SetAttenuation(0.005f);
    pMedium->SetColor(CColor(1.0f, 1.0f, 1.0f));
    m_pOuterMedium = pMedium;
    m_apMaterialStack[0] = m_pOuterMedium;
    m_MaterialStackIndex = 0;
}

void CRenderContext::ResetMediumStack()
{
    if (!m_pOuterMedium)
        ResetOuterMedium();
    m_apMaterialStack[0] = m_pOuterMedium;
    m_MaterialStackIndex = 0;
}

bool CRenderContext::RenderImage(CScene* pScene, CCamera* pCamera, int antialiasing,
                                 const std::string& path)
{
    assert(pScene && pCamera);
    (void)antialiasing; // one ray per pixel whatever the level

    pScene->BuildBsp();
    ResetOuterMedium();

    return RenderPicture(pCamera->GetWidth(), pCamera->GetHeight(), path,
                         [&](int x, int y) { return TracePixel(pScene, pCamera, x, y); });
}

CColor CRenderContext::TracePixel(CScene* pScene, CCamera* pCamera, int x, int y)
{
    ResetMediumStack();
    Vector3d vOrigin(0.0f, 0.0f, 0.0f);
    Vector3d vDir(0.0f, 0.0f, 0.0f);
    pCamera->GetRay(x, y, 0.5f, 0.5f, vOrigin, vDir);
    CColor cColor(1.0f, 0.0f, 1.0f);
    Trace(pScene, vOrigin, vDir, 0, 1.0f, cColor);
    return cColor;
}

void CRenderContext::Trace(CScene* pScene, const Vector3d& start, const Vector3d& dir,
                           uint32 depth, float weight, CColor& colour)
{
    ++m_nTracedRays;
    const Vector3d vEnd = start + dir;
    Vector3d vHitPoint(0.0f, 0.0f, 0.0f);
    Vector3d vNormal(0.0f, 0.0f, 0.0f);
    CPrimitive* pPrimitive = nullptr;
    const bool bHit = pScene->Intersect(start, vEnd, vHitPoint, vNormal, pPrimitive);

    assert(m_MaterialStackIndex < (sint32)MAX_RECURSIONS);

    if (!bHit)
    {
        colour = kSkyColor; // the sky is not blended toward any medium
        return;
    }

    Vector3d vView = -dir; // back toward the start
    const bool bViewUsable = NormalizeIfPossible(vView) > 0.0f;
    const float fDistance = (start - vHitPoint).Length();

    CColor cSurface(0.0f, 0.0f, 0.0f);
    // A hit without a usable normal (or seen along no usable direction) cannot be
    // shaded; it still gets the medium blend.
    if (depth <= kMaxShadedDepth && weight > kWeightThreshold && bViewUsable &&
        NormalizeIfPossible(vNormal) > 0.0f)
    {
        bool bEntering = true;
        const float fCos = Dot(vNormal, vView);
        if (fCos < 0.0f)
        {
            // The back of the surface: shade the side the ray sees. The cosine keeps its
            // sign so the material knows the ray is leaving.
            vNormal = -vNormal;
            bEntering = false;
        }

        CMaterial* pMaterial = pPrimitive->m_pMaterial;
        if (!pMaterial)
            pMaterial = &g_DefaultMaterial;
        float kr = 0.0f, kt = 0.0f, kd = 0.0f;
        pMaterial->GetCoefficients(fCos, kr, kt, kd);

        CColor cDirect(0.0f, 0.0f, 0.0f);
        if (kd > VORL_EPSILON)
        {
            // No shadow rays: lights shine through every object.
            float fSum = 0.0f;
            const std::vector<CLight>& vLights = pScene->GetLights();
            for (const CLight& light : vLights)
            {
                Vector3d vL = light.m_vPosition - vHitPoint;
                const float fLen = NormalizeIfPossible(vL);
                if (fLen == 0.0f)
                    continue; // a light at the hit point has no direction
                const float c = Dot(vL, vNormal);
                if (c > 0.0f)
                    fSum += c * light.m_fPower * light.m_fPower / (fLen * fLen);
            }
            const CColor cBase = pPrimitive->m_pTexture
                                     ? pPrimitive->m_pTexture->GetColor(pPrimitive->WorldToLocal(vHitPoint))
                                     : pPrimitive->m_cColor;
            cDirect = cBase * fSum;
        }

        CColor cReflected(0.0f, 0.0f, 0.0f);
        if (pMaterial->Reflects() && kr > VORL_EPSILON)
        {
            const Vector3d vOrigin = vHitPoint + VORL_EPSILON * vNormal;
            const Vector3d vDirection = Reflect(vView, vNormal);
            Trace(pScene, vOrigin, vDirection, depth + 1, weight * kr, cReflected);
        }

        CColor cRefracted(0.0f, 0.0f, 0.0f);
        Vector3d vRefracted;
        // The side outside a primitive always counts as index 1.0.
        const float fIndex = pMaterial->GetRefractionIndex();
        const float fEta = bEntering ? 1.0f / fIndex : fIndex / 1.0f;
        // A ray that would enter a 30th medium, or whose radicand rounding made
        // negative near the critical angle, is not followed.
        if (pMaterial->Refracts() && kt > VORL_EPSILON &&
            !(bEntering && m_MaterialStackIndex >= (sint32)MAX_RECURSIONS - 1) &&
            TryRefract(vView, vNormal, fEta, vRefracted))
        {
            const Vector3d vOrigin = vHitPoint - VORL_EPSILON * vNormal;
            CMaterial* pPopped = nullptr; // the medium left, while the ray is outside it
            if (bEntering)
            {
                ++m_MaterialStackIndex;
                m_apMaterialStack[m_MaterialStackIndex] = pMaterial;
            }
            else if (m_MaterialStackIndex > 0)
            {
                pPopped = m_apMaterialStack[m_MaterialStackIndex];
                --m_MaterialStackIndex;
            }

            Trace(pScene, vOrigin, vRefracted, depth + 1, weight * kt, cRefracted);

            if (bEntering)
            {
                --m_MaterialStackIndex;
            }
            else if (pPopped)
            {
                ++m_MaterialStackIndex;
                m_apMaterialStack[m_MaterialStackIndex] = pPopped;
            }
        }

        cSurface = kd * cDirect + kr * cReflected + kt * cRefracted;
    }

    // Fade toward the colour of the medium crossed, by its attenuation over the distance.
    const CMaterial* pMedium = m_apMaterialStack[m_MaterialStackIndex];
    if (!pMedium)
    {
        colour = cSurface; // no medium set up: nothing to blend toward
        return;
    }
    const CColor cMedium = pMedium->GetColor();
    const float a = float(std::exp(-double(pMedium->GetAttenuation()) * double(fDistance)));
    colour = (cSurface - cMedium) * a + cMedium;
}
