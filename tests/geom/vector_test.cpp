#include "geom/vector.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

using namespace geom;

namespace {

TEST(Vector, IntegerDivisionTruncatesTowardsZero) {
    EXPECT_EQ(vec2i(-3, 5) / 2, vec2i(-1, 2));
    EXPECT_EQ(vec2i(7, -7) / 3, vec2i(2, -2));
    EXPECT_EQ(-vec2i(4, -9), vec2i(-4, 9));
    EXPECT_EQ(vec2i(1, 2) - vec2i(5, -5), vec2i(-4, 7));
    EXPECT_EQ(minByElem(vec2i(1, 9), vec2i(4, -2)), vec2i(1, -2));
    EXPECT_EQ(maxByElem(vec2i(1, 9), vec2i(4, -2)), vec2i(4, 9));
    vec2i v(3, 8);
    EXPECT_EQ(v[0], 3);
    EXPECT_EQ(v[1], 8);
}

// Packed like a float array: four-lane loads read a vec4f through ptr().
static_assert(sizeof(vec4f) == 16 && sizeof(vec3f) == 12 && sizeof(vec2i) == 8);

TEST(Vector, ConstructionConvertsWithoutScaling) {
    const std::uint8_t r = 200, g = 0, b = 255;
    vec3f c(r, g, b);
    EXPECT_EQ(c, vec3f(200.0f, 0.0f, 255.0f));
    vec2f f(-3, 7);
    EXPECT_EQ(f.x, -3.0f);
    EXPECT_EQ(f.y, 7.0f);
    EXPECT_EQ(vec2i(vec2f(2.9f, -2.9f)), vec2i(2, -2));
}

TEST(Vector, LengthsAndNormalisation) {
    EXPECT_EQ(dot(vec3f(1, 2, 3), vec3f(4, -5, 6)), 12.0f);
    EXPECT_EQ(vec2f(3, 4).magnitude(), 5.0f);
    EXPECT_EQ(vec2f(1, 1).distanceTo(vec2f(4, 5)), 5.0f);

    // One division then three multiplications: exactly what a caller computing by hand gets.
    vec3f v(-0.8f, 0.7f, 0.5f);
    float inv = 1.0f / std::sqrt(0.64f + 0.49f + 0.25f);
    vec3f n = v.normalized();
    EXPECT_EQ(n.x, -0.8f * inv);
    EXPECT_EQ(n.y, 0.7f * inv);
    EXPECT_EQ(n.z, 0.5f * inv);
    EXPECT_NEAR(dot(n, n), 1.0f, 1e-6f);
}

TEST(Vector, FastNormalizeGivesUnitVectorsTheSameOnEveryProcessor) {
    for (float x : {1e-3f, 0.3f, 1.0f, 17.0f, 4096.0f}) {
        vec2f v(x, -2.0f * x);
        v.fastNormalize();
        EXPECT_NEAR(v.magnitude(), 1.0f, 2e-7f) << x;
        EXPECT_LT(v.y, 0.0f);
    }
    // Correctly rounded, not a processor's estimate: exact where the answer is representable.
    EXPECT_EQ(inverseSqrt(4.0f), 0.5f);
    EXPECT_EQ(inverseSqrt(1.0f / 64.0f), 8.0f);
    EXPECT_EQ(inverseSqrt(0.0f), std::numeric_limits<float>::infinity());
}

}  // namespace
