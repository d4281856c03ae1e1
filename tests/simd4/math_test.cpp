#include "simd4/math.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>

namespace {

using simd4::_mm_exp_ps;
using simd4::_mm_log_ps;
using simd4::_mm_pow_ps;
using simd4::_mm_pow_ss;

struct Lanes {
    float v[4];
};

Lanes lanes(__m128 x) {
    Lanes r;
    _mm_storeu_ps(r.v, x);
    return r;
}

__m128 set(float a, float b, float c, float d) {
    return _mm_setr_ps(a, b, c, d);
}

// Distance in units in the last place between two finite floats of the same sign.
std::int64_t ulpDistance(float a, float b) {
    std::int32_t ia, ib;
    std::memcpy(&ia, &a, 4);
    std::memcpy(&ib, &b, 4);
    return std::llabs(static_cast<std::int64_t>(ia) - ib);
}

// Special inputs give their result in their own lane only.
TEST(Log, SpecialValuesStayInTheirLanes) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    Lanes one = lanes(_mm_log_ps(_mm_set1_ps(1.0f)));
    for (float v : one.v) EXPECT_TRUE(v == 0.0f && !std::signbit(v));  // exactly +0
    const float in[3][4] = {
        {0.0f, 2.0f, -1.0f, 0.5f}, {-0.0f, -inf, 1e-30f, 3.0f}, {nan, 1.0f, nan, 8.0f}};
    for (const auto& x : in) {
        Lanes r = lanes(_mm_log_ps(set(x[0], x[1], x[2], x[3])));
        for (int k = 0; k < 4; ++k) {
            if (std::isnan(x[k]) || x[k] <= 0.0f)
                EXPECT_TRUE(std::isnan(r.v[k])) << x[k];
            else
                EXPECT_NEAR(r.v[k], std::log(x[k]),
                            3e-7f * std::max(1.0f, std::fabs(std::log(x[k]))))
                    << x[k];
        }
    }
}

TEST(Log, SubnormalInputsTakeTheLogOfTheSmallestNormal) {
    float smallest = std::numeric_limits<float>::min();
    float expected = lanes(_mm_log_ps(_mm_set1_ps(smallest))).v[0];
    EXPECT_NEAR(expected, -126.0f * std::log(2.0f), 1e-4f);
    Lanes r = lanes(_mm_log_ps(set(smallest / 2, smallest / 1024, 1e-45f, smallest)));
    for (float v : r.v) EXPECT_EQ(v, expected);
}

TEST(Log, TracksTheLibraryAcrossTheNormalRange) {
    // The mantissa split at sqrt(1/2) and the exponent bookkeeping are exercised by a sweep
    // over many octaves on both sides of every power of two.
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> octave(-120.0f, 120.0f);
    for (int i = 0; i < 20000; ++i) {
        float x = std::exp2(octave(rng));
        float got = lanes(_mm_log_ps(_mm_set1_ps(x))).v[0];
        double want = std::log(static_cast<double>(x));
        EXPECT_NEAR(got, want, 1e-6 * std::max(1.0, std::fabs(want))) << x;
    }
    for (float x : {0.70710677f, 0.70710683f, 1.0000001f, 0.99999994f, 2.0f, 4.0f}) {
        float got = lanes(_mm_log_ps(_mm_set1_ps(x))).v[0];
        EXPECT_NEAR(got, std::log(static_cast<double>(x)), 2e-7) << x;
    }
}

TEST(Exp, ArgumentsAreClampedToTheFiniteRange) {
    float high = lanes(_mm_exp_ps(_mm_set1_ps(88.3762589f))).v[0];
    float low = lanes(_mm_exp_ps(_mm_set1_ps(-88.3762589f))).v[0];
    EXPECT_TRUE(std::isfinite(high));
    EXPECT_NEAR(high, 2.4e38f, 0.05e38f);
    EXPECT_GE(low, 0.0f);
    EXPECT_LT(low, 1e-37f);

    Lanes r = lanes(_mm_exp_ps(set(100.0f, -100.0f, std::numeric_limits<float>::infinity(),
                                   -std::numeric_limits<float>::infinity())));
    EXPECT_EQ(r.v[0], high);
    EXPECT_EQ(r.v[1], low);
    EXPECT_EQ(r.v[2], high);
    EXPECT_EQ(r.v[3], low);
}

TEST(Exp, ZeroIsExactlyOneAndNaNStaysInItsLane) {
    float nan = std::numeric_limits<float>::quiet_NaN();
    Lanes r = lanes(_mm_exp_ps(set(nan, 0.0f, 1.0f, nan)));
    EXPECT_TRUE(std::isnan(r.v[0]));
    EXPECT_EQ(r.v[1], 1.0f);
    EXPECT_NEAR(r.v[2], 2.7182817f, 1e-6f);
    EXPECT_TRUE(std::isnan(r.v[3]));
}

TEST(Exp, TracksTheLibraryWithinAFewUlp) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> arg(-87.0f, 88.0f);
    for (int i = 0; i < 20000; ++i) {
        float x = arg(rng);
        float got = lanes(_mm_exp_ps(_mm_set1_ps(x))).v[0];
        float want = static_cast<float>(std::exp(static_cast<double>(x)));
        EXPECT_LE(ulpDistance(got, want), 4) << x;
    }
    // Exactly at the rounding boundaries of the power-of-two split.
    for (float x : {0.34657359f, -0.34657359f, 0.69314718f, -0.69314718f, 1.0f}) {
        float got = lanes(_mm_exp_ps(_mm_set1_ps(x))).v[0];
        EXPECT_LE(ulpDistance(got, static_cast<float>(std::exp(double(x)))), 2) << x;
    }
}

TEST(Pow, SingleLaneMatchesTheFourLaneResultBitForBit) {
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> base(0.001f, 1.5f);
    std::uniform_real_distribution<float> ex(0.0f, 560.0f);
    for (int i = 0; i < 2000; ++i) {
        float b[4], e[4];
        for (int k = 0; k < 4; ++k) b[k] = base(rng), e[k] = ex(rng);
        Lanes r = lanes(_mm_pow_ps(_mm_loadu_ps(b), _mm_loadu_ps(e)));
        for (int k = 0; k < 4; ++k) {
            float one = _mm_pow_ss(b[k], e[k]);
            EXPECT_EQ(std::memcmp(&one, &r.v[k], 4), 0) << b[k] << "^" << e[k];
        }
    }
}

TEST(Pow, SmallestSpecularBaseStaysFiniteForEveryExponentInUse) {
    // The specular pass clamps its cosine to 0.001 and uses exponents 2.24 .. 548.11.
    for (int i = 0; i < 256; ++i) {
        float exponent = static_cast<float>(std::exp((1.0 - i / 255.0) * 5.5) * 0.8 * 2.8);
        float v = _mm_pow_ss(0.001f, exponent);
        EXPECT_TRUE(std::isfinite(v)) << exponent;
        EXPECT_GE(v, 0.0f);
        EXPECT_LE(v, 1.0f);
        float top = _mm_pow_ss(1.0f, exponent);
        EXPECT_EQ(top, 1.0f);
    }
}

TEST(Pow, ExactPowersAndNonPositiveBases) {
    EXPECT_LE(ulpDistance(_mm_pow_ss(2.0f, 10.0f), 1024.0f), 8);
    EXPECT_TRUE(std::isnan(_mm_pow_ss(0.0f, 2.0f)));
    EXPECT_TRUE(std::isnan(_mm_pow_ss(-2.0f, 2.0f)));
}

}  // namespace
