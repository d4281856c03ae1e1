#include "rigging/core/grailsort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>
#include <vector>

#include "alloc_probe.h"

using namespace rigging;

namespace {

struct Item {
    int key;
    int id;  // input position, to see stability
    bool operator==(const Item&) const = default;
};

int byKey(const Item& a, const Item& b) {
    return (a.key > b.key) - (a.key < b.key);
}

std::vector<Item> randomItems(std::mt19937& rng, int n, int distinct) {
    std::uniform_int_distribution<int> key(0, distinct - 1);
    std::vector<Item> v(n);
    for (int i = 0; i < n; ++i) v[i] = {key(rng), i};
    return v;
}

std::vector<Item> reference(std::vector<Item> v) {
    std::stable_sort(v.begin(), v.end(),
                     [](const Item& a, const Item& b) { return a.key < b.key; });
    return v;
}

TEST(GrailSort, MatchesAStableSortOnManyRandomArrays) {
    std::mt19937 rng(2024);
    std::uniform_int_distribution<int> length(0, 300);
    // Few distinct keys reach the paths without a full buffer; many reach the buffered path.
    const int distinctCounts[] = {1, 2, 3, 4, 5, 7, 12, 30, 100, 1000, 1 << 30};
    std::size_t allocations = 0;
    for (int trial = 0; trial < 20000; ++trial) {
        int n = length(rng);
        int distinct = distinctCounts[trial % std::size(distinctCounts)];
        std::vector<Item> v = randomItems(rng, n, distinct);
        std::vector<Item> want = reference(v);
        alloc_probe::arm();
        grailSort(std::span<Item>(v), byKey);
        allocations += alloc_probe::disarm();
        ASSERT_EQ(v, want) << "n " << n << ", " << distinct << " distinct keys";
    }
    EXPECT_EQ(allocations, 0u);
}

TEST(GrailSort, LargerArraysAndPresortedInputs) {
    std::mt19937 rng(5);
    for (int n : {1000, 4099, 20000}) {
        for (int distinct : {3, 40, 900, 1 << 30}) {
            std::vector<Item> v = randomItems(rng, n, distinct);
            std::vector<Item> want = reference(v);
            grailSort(std::span<Item>(v), byKey);
            ASSERT_EQ(v, want) << n << " " << distinct;
        }
        // Ascending, descending and sawtooth inputs.
        for (int shape = 0; shape < 3; ++shape) {
            std::vector<Item> v(n);
            for (int i = 0; i < n; ++i) v[i] = {shape == 0 ? i : shape == 1 ? n - i : i % 37, i};
            std::vector<Item> want = reference(v);
            grailSort(std::span<Item>(v), byKey);
            ASSERT_EQ(v, want) << n << " shape " << shape;
        }
    }
}

TEST(GrailSort, ComparatorMayReturnAnyInt) {
    // a - b style results, including the extremes.
    std::mt19937 rng(11);
    std::vector<Item> v = randomItems(rng, 500, 50);
    auto wide = [](const Item& a, const Item& b) {
        return a.key == b.key ? 0 : (a.key < b.key ? INT_MIN : INT_MAX);
    };
    std::vector<Item> want = reference(v);
    grailSort(std::span<Item>(v), wide);
    EXPECT_EQ(v, want);
}

TEST(GrailSort, EqualKeysAndTinySlicesStayInPlace) {
    for (int n : {0, 1, 2, 15, 16, 17, 100, 257}) {
        std::vector<Item> v(n);
        for (int i = 0; i < n; ++i) v[i] = {42, i};
        std::vector<Item> before = v;
        grailSort(std::span<Item>(v), byKey);
        EXPECT_EQ(v, before) << n;
    }
}

TEST(GrailSort, ZOrderForDispatchAndForDrawing) {
    struct Child {
        char name;
        int zOrder;
    };
    std::vector<Child> children = {{'P', 0}, {'Q', 1}, {'R', 0}};
    auto names = [](const std::vector<Child>& c) {
        std::string s;
        for (auto& x : c) s += x.name;
        return s;
    };
    std::vector<Child> dispatch = children;
    grailSort(std::span<Child>(dispatch), [](const Child& a, const Child& b) {
        return a.zOrder > b.zOrder ? -1 : a.zOrder == b.zOrder ? 0 : 1;
    });
    EXPECT_EQ(names(dispatch), "QPR");
    std::vector<Child> drawing = children;
    grailSort(std::span<Child>(drawing),
              [](const Child& a, const Child& b) { return a.zOrder - b.zOrder; });
    EXPECT_EQ(names(drawing), "PRQ");
}

}  // namespace
