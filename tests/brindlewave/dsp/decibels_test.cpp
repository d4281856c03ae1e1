#include "brindlewave/dsp/decibels.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <random>

namespace {

using namespace brindlewave;

float fromBits(std::uint32_t u) {
    float f;
    std::memcpy(&f, &u, sizeof f);
    return f;
}

// The fast routes must round exactly as the reference formulas do, everywhere.
TEST(DecibelsTest, LevelMatchesExtendedPrecisionReferenceBitForBit) {
    std::mt19937 rng(3);
    std::uniform_int_distribution<std::uint32_t> bits(0, 0x7f7fffffu);
    for (int i = 0; i < 2000000; ++i) {
        const float x = fromBits(bits(rng));
        ASSERT_EQ(decibelsOf(x), decibelsOfReference(x)) << x;
    }
    // Around 1, where the level is near 0 dB and its relative error matters most.
    for (std::uint32_t u = 0x3f7f0000u; u < 0x3f810000u; ++u) {
        const float x = fromBits(u);
        ASSERT_EQ(decibelsOf(x), decibelsOfReference(x)) << x;
    }
}

TEST(DecibelsTest, GainMatchesDoublePrecisionReferenceBitForBit) {
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> wide(-900.0f, 0.0f), narrow(-1e-3f, 0.0f);
    for (int i = 0; i < 2000000; ++i) {
        const float a = wide(rng), b = narrow(rng);
        ASSERT_EQ(gainOfDecibels(a), gainOfDecibelsReference(a)) << a;
        ASSERT_EQ(gainOfDecibels(b), gainOfDecibelsReference(b)) << b;
    }
}

TEST(DecibelsTest, EdgeValues) {
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(decibelsOf(0.0f), -inf);
    EXPECT_EQ(decibelsOf(1.0f), 0.0f);
    EXPECT_EQ(decibelsOf(inf), inf);
    EXPECT_TRUE(std::isnan(decibelsOf(-1.0f)));
    EXPECT_EQ(gainOfDecibels(0.0f), 1.0f);
    EXPECT_EQ(gainOfDecibels(-inf), 0.0f);
    EXPECT_EQ(gainOfDecibels(-3e38f), 0.0f);
}

}  // namespace
