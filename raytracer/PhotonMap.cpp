// The photon map: storing, kd-tree balancing, nearest-photon search and the
// irradiance estimate.
#include "raytracer/PhotonMap.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

Vector3d g_vQueryPoint;

namespace
{
const float PHOTON_PI = 3.1415927f;
const uint32 FOUND_RESERVE = 100;
// An estimate from fewer photons than this is too noisy to show: black instead.
const uint32 MIN_ESTIMATE_PHOTONS = 8;

float Coordinate(const Vector3d& v, int nAxis)
{
    return nAxis == 0 ? v.x : (nAxis == 1 ? v.y : v.z);
}

bool IsFinite(const Vector3d& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// The axis of the widest extent of the photons' box; ties go to the later axis, so
// equal extents give z.
int ChooseSplitAxis(CPhoton* const* ppPhotons, size_t nPhotons)
{
    Vector3d vMin(1e8f, 1e8f, 1e8f);
    Vector3d vMax(-1e8f, -1e8f, -1e8f);
    for (size_t i = 0; i < nPhotons; ++i)
    {
        const Vector3d& p = ppPhotons[i]->m_vPosition;
        vMin.Set(std::min(vMin.x, p.x), std::min(vMin.y, p.y), std::min(vMin.z, p.z));
        vMax.Set(std::max(vMax.x, p.x), std::max(vMax.y, p.y), std::max(vMax.z, p.z));
    }
    const Vector3d e = vMax - vMin;
    if (e.x > e.y && e.x > e.z)
        return 0;
    if (e.y > e.z)
        return 1;
    return 2;
}

// Builds the subtree of pNode over the photons [ppPhotons, ppPhotons + nPhotons),
// reordering them in place: the node takes the median on its axis, the photons before
// it go left and those after it right. A partial ordering around the median is all the
// split needs, so the range is partitioned rather than fully sorted.
void BuildTree(CPhotonNode* pNode, CPhoton** ppPhotons, size_t nPhotons)
{
    if (nPhotons == 0)
        return;
    pNode->m_nAxis = ChooseSplitAxis(ppPhotons, nPhotons);
    const size_t nMedian = nPhotons / 2;
    if (nPhotons >= 2)
    {
        static bool (*const s_apCompare[3])(CPhoton* const&, CPhoton* const&) = {
            CompareX, CompareY, CompareZ};
        std::nth_element(ppPhotons, ppPhotons + nMedian, ppPhotons + nPhotons,
                         s_apCompare[pNode->m_nAxis]);
    }
    pNode->m_pPhoton = ppPhotons[nMedian];
    if (nPhotons >= 2)
    {
        pNode->m_pLeft = new CPhotonNode;
        BuildTree(pNode->m_pLeft, ppPhotons, nMedian);
    }
    if (nPhotons >= 3)
    {
        pNode->m_pRight = new CPhotonNode;
        BuildTree(pNode->m_pRight, ppPhotons + nMedian + 1, nPhotons - nMedian - 1);
    }
}
} // namespace

CPhotonNode::~CPhotonNode()
{
    delete m_pLeft;
    delete m_pRight;
}

bool CompareX(CPhoton* const& a, CPhoton* const& b)
{
    return a->m_vPosition.x < b->m_vPosition.x;
}

bool CompareY(CPhoton* const& a, CPhoton* const& b)
{
    return a->m_vPosition.y < b->m_vPosition.y;
}

bool CompareZ(CPhoton* const& a, CPhoton* const& b)
{
    return a->m_vPosition.z < b->m_vPosition.z;
}

bool CompareDistance(CPhoton* const& a, CPhoton* const& b)
{
    return (a->m_vPosition - g_vQueryPoint).LengthSquared() >
           (b->m_vPosition - g_vQueryPoint).LengthSquared();
}

CPhotonQuery::CPhotonQuery()
    : m_fRadius(1.0f), m_nMaxPhotons(0), m_Found(CompareDistance)
{
    m_Found.m_vTree.reserve(FOUND_RESERVE);
}

CPhotonMap::CPhotonMap()
    : m_pRoot(nullptr), m_vBoundingBoxMin(1e8f, 1e8f, 1e8f),
      m_vBoundingBoxMax(-1e8f, -1e8f, -1e8f)
{
}

CPhotonMap::~CPhotonMap()
{
    Clear();
}

void CPhotonMap::Clear()
{
    delete m_pRoot;
    m_pRoot = nullptr;
    for (CPhoton* pPhoton : m_vPhotons)
        delete pPhoton;
    m_vPhotons.clear();
    m_vPhotons.shrink_to_fit();
}

void CPhotonMap::Store(const CPhoton& photon)
{
    // A position that is not a finite number would break the orderings of the tree
    // build and could never be found; such a photon is not kept.
    if (!IsFinite(photon.m_vPosition))
        return;
    const Vector3d& p = photon.m_vPosition;
    if (p.x < m_vBoundingBoxMin.x)
        m_vBoundingBoxMin.x = p.x;
    if (p.y < m_vBoundingBoxMin.y)
        m_vBoundingBoxMin.y = p.y;
    if (p.z < m_vBoundingBoxMin.z)
        m_vBoundingBoxMin.z = p.z;
    if (p.x > m_vBoundingBoxMax.x)
        m_vBoundingBoxMax.x = p.x;
    if (p.y > m_vBoundingBoxMax.y)
        m_vBoundingBoxMax.y = p.y;
    if (p.z > m_vBoundingBoxMax.z)
        m_vBoundingBoxMax.z = p.z;
    // Held until the list has room for it, so that running out of memory leaks nothing.
    std::unique_ptr<CPhoton> pCopy(new CPhoton(photon));
    m_vPhotons.push_back(pCopy.get());
    pCopy.release();
}

void CPhotonMap::Balance()
{
    delete m_pRoot;
    m_pRoot = new CPhotonNode;
    BuildTree(m_pRoot, m_vPhotons.data(), m_vPhotons.size());
}

void CPhotonMap::Locate(CPhotonQuery& query, const CPhotonNode* pNode) const
{
    g_vQueryPoint = query.m_vPosition;
    if (!pNode || !pNode->m_pPhoton)
        return;

    if (query.m_nMaxPhotons == 0)
        return; // nothing can be kept

    const float fPlane = Coordinate(pNode->m_pPhoton->m_vPosition, pNode->m_nAxis);
    const float fQuery = Coordinate(query.m_vPosition, pNode->m_nAxis);
    const float fRadius = query.m_fRadius;
    // A side is skipped when the splitting plane lies beyond the radius from the query
    // point, and, once the heap is full, when it lies strictly beyond the farthest photon
    // kept (only the far side can be: the near side may hold photons at any distance):
    // every photon there would be inserted only to be removed again at once. The near
    // side goes first so that the heap fills with near photons early.
    const bool bLeft = !((fQuery - fPlane) - fRadius > 0.0f) && pNode->m_pLeft;
    const bool bRight = !((fPlane - fQuery) - fRadius > 0.0f) && pNode->m_pRight;
    const float fPlaneDistance2 = (fQuery - fPlane) * (fQuery - fPlane);
    const bool bLeftFirst = !(fQuery > fPlane);
    for (int iPass = 0; iPass < 2; ++iPass)
    {
        const bool bVisitLeft = (iPass == 0) == bLeftFirst;
        if (!(bVisitLeft ? bLeft : bRight))
            continue;
        if (iPass == 1 && query.m_Found.GetCount() >= query.m_nMaxPhotons &&
            fPlaneDistance2 > FarthestDistance2(query))
            continue;
        Locate(query, bVisitLeft ? pNode->m_pLeft : pNode->m_pRight);
    }

    const float fDistance2 = (pNode->m_pPhoton->m_vPosition - query.m_vPosition).LengthSquared();
    if (fDistance2 <= fRadius * fRadius &&
        !(query.m_Found.GetCount() >= query.m_nMaxPhotons && fDistance2 > FarthestDistance2(query)))
    {
        query.m_Found.Insert(pNode->m_pPhoton);
        if (query.m_Found.GetCount() > query.m_nMaxPhotons)
            query.m_Found.RemoveRoot();
    }
}

float CPhotonMap::FarthestDistance2(const CPhotonQuery& query)
{
    return (query.m_Found.GetRoot()->m_vPosition - query.m_vPosition).LengthSquared();
}

CColor CPhotonMap::IrradianceEstimate(const Vector3d& vPosition, const Vector3d& vNormal,
                                      float fRadius, int nCount) const
{
    CColor cSum(0.0f, 0.0f, 0.0f);
    CPhotonQuery query;
    query.m_vPosition = vPosition;
    query.m_fRadius = fRadius;
    query.m_nMaxPhotons = nCount > 0 ? static_cast<uint32>(nCount) : 0;
    Locate(query, m_pRoot);

    const uint32 nFound = query.m_Found.GetCount();
    if (nFound < MIN_ESTIMATE_PHOTONS)
        return cSum;
    for (uint32 i = 0; i < nFound; ++i)
    {
        const CPhoton* pPhoton = query.m_Found.GetElement(i);
        if (Dot(vNormal, pPhoton->m_vDirection) < 0.0f)
            cSum += pPhoton->m_cPower;
    }
    const float fDistance2 = (query.m_Found.GetRoot()->m_vPosition - vPosition).LengthSquared();
    // Photons piled up on the point itself span no area to spread their power over.
    if (!(fDistance2 > 0.0f))
        return CColor(0.0f, 0.0f, 0.0f);
    return cSum * (1.0f / (PHOTON_PI * fDistance2));
}

void CPhotonMap::PrintTree(const CPhotonNode* pNode, int nDepth)
{
    if (!pNode)
        return;
    const auto Indent = [](int n) {
        for (int i = 0; i < n; ++i)
            fputs("    ", stdout);
    };
    if (pNode->m_pLeft)
        PrintTree(pNode->m_pLeft, nDepth + 1);
    else
    {
        Indent(nDepth);
        puts("null");
    }
    if (pNode->m_pPhoton)
    {
        putchar("XYZ"[pNode->m_nAxis]);
        Indent(nDepth);
        pNode->m_pPhoton->m_vPosition.Print();
    }
    if (pNode->m_pRight)
        PrintTree(pNode->m_pRight, nDepth + 1);
    else
    {
        Indent(nDepth);
        puts("null");
    }
}

int CPhotonMap::SelfTest()
{
    CPhotonMap map;
    for (int z = 1; z <= 9; ++z)
    {
        CPhoton photon;
        photon.m_vPosition = Vector3d(0.0f, 0.0f, static_cast<float>(z));
        photon.m_vDirection = Vector3d(0.0f, 1.0f, 1.0f);
        photon.m_cPower = CColor(1.0f, 1.0f, 1.0f);
        map.Store(photon);
    }
    printf("m_vBoundingBoxMin: ");
    map.m_vBoundingBoxMin.Print();
    printf("m_vBoundingBoxMax: ");
    map.m_vBoundingBoxMax.Print();
    printf("m_nStoredPhotons: %i\n", static_cast<int>(map.GetPhotonCount()));

    map.Balance();
    CPhotonQuery query;
    query.m_vPosition = Vector3d(0.0f, 0.0f, 3.0f);
    query.m_fRadius = 2.5f;
    query.m_nMaxPhotons = 4;
    map.Locate(query, map.m_pRoot);
    printf("Found photons: %d\n", static_cast<int>(query.m_Found.GetCount()));
    return 0;
}
