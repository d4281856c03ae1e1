#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>

#include "rigging/core/vec.h"

using namespace rigging;

namespace {

std::uintptr_t addr(const void* p) {
    return reinterpret_cast<std::uintptr_t>(p);
}

TEST(AlignedBlocks, HeaderRecordsRawPointerAndSizeForEveryAlignment) {
    for (std::size_t a = 2; a <= 4096; a *= 2) {
        for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{100}}) {
            void* p = alignedMalloc(size, a);
            ASSERT_NE(p, nullptr);
            EXPECT_EQ(addr(p) % a, 0u) << a;
            void* raw = alignedRawPointer(p);
            EXPECT_GE(addr(p) - addr(raw), 16u) << a;
            // The handed-out block lies inside the raw block of size + a + 15 bytes.
            EXPECT_LE(addr(p) + size, addr(raw) + size + a + 15) << a;
            EXPECT_EQ(alignedRecordedSize(p), size);
            std::memset(p, 0xAB, size);
            alignedFree(p, a);
        }
    }
}

TEST(AlignedBlocks, AlignmentOneIsPlainMallocAndNullFreeIsIgnored) {
    void* p = alignedMalloc(10, 1);
    ASSERT_NE(p, nullptr);
    alignedFree(p, 1);
    alignedFree(nullptr, 64);
    alignedFree(nullptr, 1);
}

TEST(AlignedResize, KeepsTheBlockInsideTheKeepBand) {
    auto* p = static_cast<unsigned char*>(alignedMalloc(100, 16));
    for (int i = 0; i < 100; ++i) p[i] = static_cast<unsigned char>(i);
    // Request 20 + 16 + 15 = 51: 51 <= 100 < 204 keeps the block and its header.
    EXPECT_EQ(alignedRealloc(p, 20, 16), p);
    EXPECT_EQ(alignedRecordedSize(p), 100u);
    // Request 231 > 100 moves and copies exactly the 100 recorded bytes.
    auto* q = static_cast<unsigned char*>(alignedRealloc(p, 200, 16));
    ASSERT_NE(q, p);
    EXPECT_EQ(alignedRecordedSize(q), 200u);
    for (int i = 0; i < 100; ++i) ASSERT_EQ(q[i], i);
    alignedFree(q, 16);
}

// Past either end of the keep band the block moves; size 0 never frees it.
TEST(AlignedResize, LeavesTheBandByShrinkingBelowAQuarterOrAskingForZero) {
    // Request 1 + 32 + 15 = 48; 1000 >= 4 * 48 so the block shrinks.
    const struct {
        std::size_t from, to;
    } cases[] = {{1000, 1}, {0, 0}};  // the second requests 31 > recorded 0
    for (auto [from, to] : cases) {
        void* p = alignedMalloc(from, 32);
        void* q = alignedRealloc(p, to, 32);
        ASSERT_NE(q, nullptr);
        EXPECT_NE(q, p) << from;
        EXPECT_EQ(alignedRecordedSize(q), to);
        alignedFree(q, 32);
    }
}

TEST(AlignedResize, DiscardVariantCopiesNothingAndNullActsAsMalloc) {
    auto* p = static_cast<unsigned char*>(alignedReallocDiscard(nullptr, 8, 16));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(alignedRecordedSize(p), 8u);
    std::memset(p, 0x5A, 8);
    auto* q = static_cast<unsigned char*>(alignedReallocDiscard(p, 500, 16));
    EXPECT_NE(q, p);
    EXPECT_EQ(addr(q) % 16, 0u);
    alignedFree(q, 16);
}

TEST(AlignedBlocksDeathTest, OverflowingRequestsEndTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    constexpr std::size_t max = std::numeric_limits<std::size_t>::max();
    EXPECT_DEATH(alignedMalloc(max - 20, 16), "Memory allocation failed");
    EXPECT_DEATH(alignedMalloc(max / 2, 64), "Memory allocation failed");
    void* p = alignedMalloc(16, 16);
    EXPECT_DEATH(alignedRealloc(p, max - 8, 16), "Memory allocation failed");
    alignedFree(p, 16);
}

}  // namespace
