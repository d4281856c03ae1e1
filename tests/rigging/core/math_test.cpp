#include "rigging/core/math.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace rigging;

namespace {

TEST(Math, SmoothStepTestsItsEndsBeforeTheCubic) {
    EXPECT_EQ(smoothStep(0.0f, 1.0f, 0.0f), 0.0f);
    EXPECT_EQ(smoothStep(0.0f, 1.0f, 1.0f), 1.0f);
    EXPECT_EQ(smoothStep(0.0f, 1.0f, 0.5f), 0.5f);
    EXPECT_EQ(smoothStep(0.0f, 1.0f, -3.0f), 0.0f);
    EXPECT_EQ(smoothStep(0.0f, 1.0f, 7.0f), 1.0f);
    EXPECT_FLOAT_EQ(smoothStep(2.0f, 4.0f, 2.5f), 0.15625f);
    // Degenerate range: a step at a.
    EXPECT_EQ(smoothStep(1.0f, 1.0f, 1.0f), 0.0f);
    EXPECT_EQ(smoothStep(1.0f, 1.0f, 1.5f), 1.0f);
}

TEST(Math, LerpAndLinmapDoNotClamp) {
    EXPECT_EQ(lerp(2.0f, 6.0f, 0.25f), 3.0f);
    EXPECT_EQ(lerp(2.0f, 6.0f, 1.5f), 8.0f);
    EXPECT_EQ(linmap(5.0f, 0.0f, 10.0f, 100.0f, 200.0f), 150.0f);
    EXPECT_EQ(linmap(20.0f, 0.0f, 10.0f, 100.0f, 200.0f), 300.0f);
    EXPECT_EQ(linmap(-5.0f, 0.0f, 10.0f, 200.0f, 100.0f), 250.0f);
}

TEST(Math, NormalizePhaseIsTheIeeeRemainderByTheFloatTwoPi) {
    const float twoPi = 6.2831855f;
    EXPECT_FLOAT_EQ(normalizePhase(4.0f), -2.2831855f);
    EXPECT_EQ(normalizePhase(3.0f), 3.0f);
    EXPECT_EQ(normalizePhase(0.0f), 0.0f);
    EXPECT_FLOAT_EQ(normalizePhase(-4.0f), 2.2831855f);
    // Large phases still land in [-pi, pi] after a single step, and agree with the library
    // remainder taken in extended precision.
    for (float p : {100.0f, -1234.5f, 1e7f, 3.0e9f, -7.5e12f, 1e19f}) {
        float r = normalizePhase(p);
        EXPECT_LE(std::fabs(r), twoPi / 2) << p;
        EXPECT_EQ(r, static_cast<float>(std::remainder(static_cast<long double>(p),
                                                       static_cast<long double>(twoPi))))
            << p;
    }
}

TEST(Math, NextMultipleOfRoundsUpToAPowerOfTwo) {
    EXPECT_EQ(nextMultipleOf(17, 16), 32u);
    EXPECT_EQ(nextMultipleOf(32, 16), 32u);
    EXPECT_EQ(nextMultipleOf(0, 16), 0u);
    EXPECT_EQ(nextMultipleOf(5, 1), 5u);
}

}  // namespace
