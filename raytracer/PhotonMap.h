// The photon map: photons deposited on surfaces, balanced into a kd-tree (median split
// on the widest axis), with a search for the photons nearest to a point and the
// irradiance estimate made from them.
#pragma once

#include <vector>

#include "common/containers/BinMinTree.h"
#include "common/util/Color.h"
#include "common/util/Types.h"
#include "common/vecmat/vector3d.h"

struct CPhoton
{
    Vector3d m_vPosition;  // where it hit a surface
    Vector3d m_vDirection; // its direction of travel when it hit
    CColor m_cPower;
};

// One node of the kd-tree. Owns its children, never its photon.
struct CPhotonNode
{
    CPhotonNode() : m_pPhoton(nullptr), m_pLeft(nullptr), m_pRight(nullptr), m_nAxis(0) {}
    ~CPhotonNode();
    CPhotonNode(const CPhotonNode&) = delete;
    CPhotonNode& operator=(const CPhotonNode&) = delete;

    CPhoton* m_pPhoton;    // borrowed from the map's photon list; null only in an empty root
    CPhotonNode* m_pLeft;  // owned: photons at or before the node's photon on m_nAxis
    CPhotonNode* m_pRight; // owned: photons at or after it
    int m_nAxis;           // 0 x, 1 y, 2 z
};

// The point the current search measures from. CompareDistance cannot be given it any
// other way, so only one search may run at a time.
extern Vector3d g_vQueryPoint;

// Orderings of photons for the tree build and the search heap.
bool CompareX(CPhoton* const& a, CPhoton* const& b);
bool CompareY(CPhoton* const& a, CPhoton* const& b);
bool CompareZ(CPhoton* const& a, CPhoton* const& b);
// True when a lies farther from g_vQueryPoint than b: the heap's root is the farthest.
bool CompareDistance(CPhoton* const& a, CPhoton* const& b);

// The state of one nearest-photons search.
struct CPhotonQuery
{
    CPhotonQuery();

    Vector3d m_vPosition;        // the point searched around
    float m_fRadius;             // photons farther away are never found (inclusive)
    uint32 m_nMaxPhotons;        // the most photons kept: the nearest ones
    BinMinTree<CPhoton> m_Found; // root: the farthest photon kept
};

class CPhotonMap
{
public:
    CPhotonMap();
    ~CPhotonMap();
    CPhotonMap(const CPhotonMap&) = delete;
    CPhotonMap& operator=(const CPhotonMap&) = delete;

    // Releases the tree and every photon. The bounding box keeps its values.
    void Clear();
    // Appends a copy of the photon and grows the bounding box by its position.
    void Store(const CPhoton& photon);
    uint32 GetPhotonCount() const { return static_cast<uint32>(m_vPhotons.size()); }

    // Builds the kd-tree over every stored photon, replacing any earlier tree. Needed
    // after the last Store and before Locate or IrradianceEstimate; it reorders the
    // photon list.
    void Balance();
    CPhotonNode* GetRoot() const { return m_pRoot; }

    // Adds to the query the photons of the subtree within its radius, keeping at most
    // its maximum count, the nearest. A null node finds nothing.
    void Locate(CPhotonQuery& query, const CPhotonNode* pNode) const;

    // Radiance estimate at a surface point: the power of the nearest photons (at most
    // nCount within fRadius) that arrive against vNormal (which need not be unit
    // length), over the disc reaching the farthest of them. Black with fewer than 8.
    CColor IrradianceEstimate(const Vector3d& vPosition, const Vector3d& vNormal,
                              float fRadius, int nCount) const;

    // Debug dump of a subtree, one photon per line, indented by depth.
    static void PrintTree(const CPhotonNode* pNode, int nDepth);
    // A fixed store, balance and search with console output; returns 0.
    static int SelfTest();

    const std::vector<CPhoton*>& GetPhotons() const { return m_vPhotons; }
    const Vector3d& GetBoundingBoxMin() const { return m_vBoundingBoxMin; }
    const Vector3d& GetBoundingBoxMax() const { return m_vBoundingBoxMax; }

private:
    // Squared distance of the farthest photon kept; the heap must not be empty.
    static float FarthestDistance2(const CPhotonQuery& query);

    std::vector<CPhoton*> m_vPhotons; // owned; in storing order until the first Balance
    CPhotonNode* m_pRoot;             // owned; null until Balance
    Vector3d m_vBoundingBoxMin;
    Vector3d m_vBoundingBoxMax;
};
