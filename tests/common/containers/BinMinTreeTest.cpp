// BinMinTree: ordering, the tie rules and the comparisons it makes.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "common/containers/BinMinTree.h"

namespace
{
struct Item
{
    int iValue;
    int iId;
};

std::vector<std::pair<int, int>> g_vCalls; // (first id, second id) per comparison

bool Less(Item* const& a, Item* const& b)
{
    g_vCalls.emplace_back(a->iId, b->iId);
    return a->iValue < b->iValue;
}
} // namespace

TEST(BinMinTree, RootIsTheLeastElement)
{
    Item items[] = {{5, 0}, {3, 1}, {8, 2}, {1, 3}};
    BinMinTree<Item> heap(Less);
    for (Item& item : items)
        EXPECT_TRUE(heap.Insert(&item));
    std::vector<int> vRoots;
    while (heap.GetCount() > 0)
    {
        vRoots.push_back(heap.GetRoot()->iValue);
        heap.RemoveRoot();
    }
    EXPECT_EQ(vRoots, (std::vector<int>{1, 3, 5, 8}));
}

TEST(BinMinTree, SmallHeapsNeedNoComparison)
{
    Item a{1, 0}, b{2, 1};
    BinMinTree<Item> heap(Less);
    g_vCalls.clear();
    heap.Insert(&a);
    EXPECT_TRUE(g_vCalls.empty());
    heap.Insert(&b);
    g_vCalls.clear();
    heap.RemoveRoot();
    EXPECT_TRUE(g_vCalls.empty());
    EXPECT_EQ(heap.GetRoot(), &b);
}

TEST(BinMinTree, EqualItemsStayBelowTheirParent)
{
    Item root{4, 0}, equal{4, 1};
    BinMinTree<Item> heap(Less);
    heap.Insert(&root);
    heap.Insert(&equal);
    EXPECT_EQ(heap.GetRoot(), &root);
}

TEST(BinMinTree, OnATieTheLeftChildMovesUp)
{
    Item root{0, 0}, left{2, 1}, right{2, 2}, last{9, 3};
    BinMinTree<Item> heap(Less);
    for (Item* p : {&root, &left, &right, &last})
        heap.Insert(p);
    g_vCalls.clear();
    heap.RemoveRoot();
    // right vs left first, then the candidate (left) against the moved item
    ASSERT_GE(g_vCalls.size(), 2u);
    EXPECT_EQ(g_vCalls[0], std::make_pair(2, 1));
    EXPECT_EQ(g_vCalls[1], std::make_pair(1, 3));
    EXPECT_EQ(heap.GetRoot(), &left);
}

TEST(BinMinTreeDeathTest, EmptyHeapAccessAsserts)
{
    BinMinTree<Item> heap(Less);
    EXPECT_DEATH(heap.RemoveRoot(), "nTreeSize > 0");
    EXPECT_DEATH(heap.GetRoot(), "m_vTree.size\\(\\) > 0");
    EXPECT_DEATH(heap.GetElement(0), "m_vTree.size\\(\\) > \\(uint32\\)n");
}
