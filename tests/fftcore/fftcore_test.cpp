// The transform's own aligned allocator.

#include "fftcore/fftcore.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace {

TEST(FftAllocator, AlignsKeepsContentsAndFreesOnZero) {
    for (std::size_t a : {16u, 64u, 4096u}) {
        auto* p = static_cast<unsigned char*>(fftcore::alignedRealloc(nullptr, 100, a));
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % a, 0u);
        for (int i = 0; i < 100; ++i) p[i] = static_cast<unsigned char>(i);

        auto* q = static_cast<unsigned char*>(fftcore::alignedRealloc(p, 1000, a));
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(q) % a, 0u);
        for (int i = 0; i < 100; ++i) ASSERT_EQ(q[i], i);

        EXPECT_EQ(fftcore::alignedRealloc(q, 0, a), nullptr);  // freed: the leak checker agrees
    }
    fftcore::alignedFree(nullptr, 64);
}

TEST(FftAllocator, AlignmentOneIsThePlainHeap) {
    void* p = fftcore::alignedRealloc(nullptr, 24, 1);
    ASSERT_NE(p, nullptr);
    std::memset(p, 7, 24);
    p = fftcore::alignedRealloc(p, 48, 1);
    EXPECT_EQ(static_cast<unsigned char*>(p)[23], 7);
    EXPECT_EQ(fftcore::alignedRealloc(p, 0, 1), nullptr);
}

}  // namespace
