// The transform's own aligned allocator.

#include "fftcore/fftcore.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

TEST(FftAllocator, AlignsKeepsContentsAndFreesOnZero) {
    for (std::size_t a : {1u, 16u, 4096u}) {
        auto* p = static_cast<unsigned char*>(fftcore::alignedRealloc(nullptr, 100, a));
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % a, 0u);
        for (int i = 0; i < 100; ++i) p[i] = static_cast<unsigned char>(i);
        p = static_cast<unsigned char*>(fftcore::alignedRealloc(p, 1000, a));
        for (int i = 0; i < 100; ++i) ASSERT_EQ(p[i], i) << a;
        EXPECT_EQ(fftcore::alignedRealloc(p, 0, a), nullptr);  // freed: the leak checker agrees
    }
}

}  // namespace
