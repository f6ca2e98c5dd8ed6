// BinMinTree: a binary heap of pointers in a vector whose root is the least
// element under a comparison function that the heap holds. The heap neither
// owns nor frees the elements.
#pragma once

#include <cassert>
#include <utility>
#include <vector>

#include "common/util/Types.h"

template <class T>
class BinMinTree
{
public:
    // True when a must stand nearer the root than b (a is less than b).
    typedef bool (*CompareFunction)(T* const& a, T* const& b);

    explicit BinMinTree(CompareFunction pCompare) : m_pCompare(pCompare) {}

    // Adds the item by sift-up; always returns true. An item equal to its
    // parent stays below it.
    bool Insert(T* pItem)
    {
        m_vTree.push_back(pItem);
        int iChild = int(m_vTree.size()) - 1;
        if (iChild == 0)
            return true;
        int iParent = (iChild + 1) / 2 - 1;
        while (iParent >= 0 && m_pCompare(m_vTree[iChild], m_vTree[iParent]))
        {
            std::swap(m_vTree[iChild], m_vTree[iParent]);
            iChild = iParent;
            iParent = (iParent + 1) / 2 - 1;
        }
        return true;
    }

    // Removes the root by sift-down; the heap must not be empty. On a tie
    // between two children the left one moves up.
    void RemoveRoot()
    {
        const uint32 nTreeSize = uint32(m_vTree.size());
        assert(nTreeSize > 0);
        if (nTreeSize <= 2)
        {
            // One element goes; of two, the second becomes the root.
            m_vTree.front() = m_vTree.back();
            m_vTree.pop_back();
            return;
        }
        m_vTree[0] = m_vTree.back();
        m_vTree.pop_back();
        const uint32 nCount = nTreeSize - 1;
        uint32 iParent = 0;
        for (;;)
        {
            const uint32 iLeft = 2 * iParent + 1;
            const uint32 iRight = 2 * iParent + 2;
            if (iRight < nCount)
            {
                const uint32 iCandidate = m_pCompare(m_vTree[iRight], m_vTree[iLeft]) ? iRight : iLeft;
                if (!m_pCompare(m_vTree[iCandidate], m_vTree[iParent]))
                    return;
                std::swap(m_vTree[iCandidate], m_vTree[iParent]);
                iParent = iCandidate;
            }
            else
            {
                if (iLeft < nCount && m_pCompare(m_vTree[iLeft], m_vTree[iParent]))
                    std::swap(m_vTree[iLeft], m_vTree[iParent]);
                return;
            }
        }
    }

    T* GetRoot() const
    {
        assert(m_vTree.size() > 0);
        return m_vTree[0];
    }

    T* GetElement(uint32 n) const
    {
        assert(m_vTree.size() > (uint32)n);
        return m_vTree[n];
    }

    T* GetElementUnchecked(uint32 n) const { return m_vTree[n]; }

    uint32 GetCount() const { return uint32(m_vTree.size()); }

    // The heap in array form: children of i at 2i + 1 and 2i + 2. The owner
    // may reserve room or empty it.
    std::vector<T*> m_vTree;

private:
    CompareFunction m_pCompare;
};
