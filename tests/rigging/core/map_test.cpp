#include "rigging/core/map.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <vector>

#include "alloc_probe.h"

using namespace rigging;

namespace {

using IntTree = RedBlackTree<int, int>;
using Node = IntTree::Node;

// Checks links, order, colours and black heights below n; returns the black height.
int checkSubtree(const Node* n, const Node* parent, std::vector<int>& keys) {
    if (n == nullptr) return 1;
    EXPECT_EQ(n->parent, parent);
    if (n->color == IntTree::kRed) {
        EXPECT_TRUE(n->left == nullptr || n->left->color == IntTree::kBlack);
        EXPECT_TRUE(n->right == nullptr || n->right->color == IntTree::kBlack);
    }
    int l = checkSubtree(n->left, n, keys);
    keys.push_back(n->value.key);
    int r = checkSubtree(n->right, n, keys);
    EXPECT_EQ(l, r) << "unequal black heights under key " << n->value.key;
    return l + (n->color == IntTree::kBlack ? 1 : 0);
}

// The in-order keys, after checking every invariant of the tree.
std::vector<int> checkedKeys(const IntTree& t) {
    std::vector<int> keys;
    const Node* root = t.root();
    if (root) {
        EXPECT_EQ(root->color, IntTree::kBlack);
    }
    EXPECT_EQ(t.end()->right, nullptr);
    checkSubtree(root, t.end(), keys);
    EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
    EXPECT_EQ(std::adjacent_find(keys.begin(), keys.end()), keys.end());
    EXPECT_EQ(keys.size(), t.length());
    if (keys.empty())
        EXPECT_EQ(t.begin(), t.end());
    else
        EXPECT_EQ(t.begin()->value.key, keys.front());
    // Walking by successors from begin gives the same sequence and ends at end.
    std::vector<int> walked;
    for (Node* n = t.begin(); n != t.end(); n = IntTree::next(n)) walked.push_back(n->value.key);
    EXPECT_EQ(walked, keys);
    return keys;
}

TEST(Map, ReplacingAPresentKeyKeepsTheLength) {
    Map<int, int> m;
    m.assign(5, 50);
    m.assign(3, 30);
    m.assign(8, 80);
    auto* node = m.tree()->find(3);
    m.assign(3, 33);
    EXPECT_EQ(m.length(), 3u);
    EXPECT_EQ(*m.find(3), 33);
    EXPECT_EQ(m.tree()->find(3), node) << "the node stays";
    EXPECT_EQ(m.find(4), nullptr);
    EXPECT_EQ(*m.find(8), 80);
}

TEST(Map, BeginFollowsTheSmallestKey) {
    Map<int, int> m;
    for (int k = 100; k > 0; --k) {
        m.assign(k, -k);
        ASSERT_EQ(m.tree()->begin()->value.key, k);
    }
    m.assign(50, 0);
    m.assign(1000, 0);
    EXPECT_EQ(m.tree()->begin()->value.key, 1);
    checkedKeys(*m.tree());
}

TEST(Map, RandomInsertionsMatchAnOrderedReference) {
    std::mt19937 rng(7);
    for (int range : {10, 1000, 1 << 30}) {
        Map<int, int> m;
        std::map<int, int> ref;
        std::uniform_int_distribution<int> key(-range, range);
        for (int i = 0; i < 3000; ++i) {
            int k = key(rng);
            m.assign(k, i);
            ref[k] = i;
        }
        std::vector<int> keys = checkedKeys(*m.tree());
        ASSERT_EQ(keys.size(), ref.size());
        for (auto [k, v] : ref) ASSERT_EQ(*m.find(k), v);
    }
}

TEST(Map, CustomOrderingDecidesEquality) {
    struct ByLowByte {
        bool operator()(int a, int b) const { return (a & 0xFF) < (b & 0xFF); }
    };
    Map<int, int, ByLowByte> m;
    m.assign(0x101, 1);
    m.assign(0x201, 2);  // equal under the ordering: replaces
    m.assign(0x002, 3);
    EXPECT_EQ(m.length(), 2u);
    EXPECT_EQ(*m.find(0x001), 2);
    EXPECT_EQ(m.tree()->begin()->value.key, 0x101) << "the key stays, only the value changes";
}

TEST(RedBlackTree, RemovalKeepsTheInvariants) {
    std::mt19937 rng(99);
    IntTree t;
    std::vector<int> present;
    bool added;
    for (int i = 0; i < 600; ++i) {
        int k = static_cast<int>(rng() % 2000);
        t.add({k, k}, added);
        if (added) present.push_back(k);
    }
    // Arbitrary nodes (inner ones with two children included), then from the back.
    std::shuffle(present.begin(), present.end(), rng);
    for (std::size_t i = 0; i < present.size() / 2; ++i) {
        t.removeNode(t.find(present[i]));
        if (i % 16 == 0) checkedKeys(t);
    }
    std::vector<int> rest(present.begin() + present.size() / 2, present.end());
    std::sort(rest.begin(), rest.end());
    EXPECT_EQ(checkedKeys(t), rest);
    while (t.length() > 0) {
        int largest = rest.back();
        rest.pop_back();
        t.removeBack();
        EXPECT_EQ(t.find(largest), nullptr);
        if (t.length() % 32 == 0) {
            EXPECT_EQ(checkedKeys(t), rest);
        }
    }
    EXPECT_EQ(t.root(), nullptr);
    EXPECT_EQ(t.begin(), t.end());
}

TEST(Map, DestructionFreesEveryNode) {
    {
        alloc_probe::Scope probe;
        { Map<int, int> unused; }
        EXPECT_EQ(probe.allocations(), 0u) << "no entry: no tree, nothing to free";
    }
    for (int n : {1, 2, 17, 500}) {
        alloc_probe::Scope probe;
        auto* m = mallocNew<Map<int, int>>();
        for (int k = 0; k < n; ++k) m->assign((k * 7919) % 1009, k);
        for (int k = 0; k < n; ++k)
            m->assign((k * 7919) % 1009, -k);  // replacing allocates nothing
        const std::size_t made = probe.allocations();
        EXPECT_EQ(made, static_cast<std::size_t>(n) + 3) << "map, tree, sentinel and one per entry";
        destroyFree(m);
        EXPECT_EQ(probe.allocations(), 2 * made) << "as many frees as allocations";
    }
}

}  // namespace
