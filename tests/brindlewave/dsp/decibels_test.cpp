// The decibel conversions against the compressor's extended- and double-precision reference
// formulas: every lane they do not flag must round to the reference's float, the approximations
// must sit far inside the error bound their rounding test assumes, and the scalar forms must
// equal the references for every input.

#include "brindlewave/dsp/decibels.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "brindlewave/dsp/unityceiling.h"

namespace brindlewave {
namespace {

float fromBits(std::uint32_t b) {
    float f;
    std::memcpy(&f, &b, 4);
    return f;
}
std::uint32_t toBits(float f) {
    std::uint32_t b;
    std::memcpy(&b, &f, 4);
    return b;
}

struct Sweep {
    long checked = 0, flagged = 0;
    double worstRelativeError = 0;  // of the double approximation against long double
};

// Every `stride`-th float from lo to hi (same sign, |lo| < |hi|), two lanes at a time.
template <class Approx, class Reference, class Exact>
Sweep sweep(float lo, float hi, std::uint32_t stride, Approx approx, Reference reference,
            Exact exact) {
    Sweep s;
    const std::uint32_t a = toBits(lo), b = toBits(hi);
    for (std::uint32_t k = 0; k + stride < b - a; k += 2 * stride) {
        const float x0 = fromBits(a + k);
        const float x1 = fromBits(a + k + stride);
        const decibels::Lanes2 r = approx(_mm_setr_ps(x0, x1, 0, 0));
        alignas(16) double v[2];
        _mm_store_pd(v, r.value);
        const float xs[2] = {x0, x1};
        for (int i = 0; i < 2; ++i) {
            ++s.checked;
            const long double truth = exact(xs[i]);
            if (truth != 0)
                s.worstRelativeError =
                    std::max(s.worstRelativeError, double(std::fabs((v[i] - truth) / truth)));
            if (r.redo & (1 << i)) {
                ++s.flagged;
                continue;
            }
            if (float(v[i]) != reference(xs[i])) {
                ADD_FAILURE() << "x = " << xs[i] << ": " << float(v[i]) << " vs "
                              << reference(xs[i]);
                return s;
            }
        }
    }
    return s;
}

TEST(VectorDecibels, LevelsMatchTheExtendedPrecisionLogarithm) {
    auto approx = [](__m128 x) { return decibels::decibels2(x); };
    auto exact = [](float x) { return 20.0L * std::log10(static_cast<long double>(x)); };
    // Every float of the octaves around full scale, then a stride over 2^-20 .. 2^20.
    const Sweep full = sweep(0.5f, 2.0f, 1, approx, decibelsOfReference, exact);
    const Sweep wide = sweep(0x1p-20f, 0x1p20f, 97, approx, decibelsOfReference, exact);
    EXPECT_GT(full.checked, 16000000);
    EXPECT_LT(full.flagged + wide.flagged, (full.checked + wide.checked) / 10000);
    // The rounding test assumes 2^-44; the approximation is far better.
    const double worst = std::max(full.worstRelativeError, wide.worstRelativeError);
    RecordProperty("worst_log2_relative_error", std::to_string(std::log2(worst)));
    RecordProperty("flagged", std::to_string(full.flagged + wide.flagged));
    EXPECT_LT(worst, 0x1p-48);
}

TEST(VectorDecibels, GainsMatchTheDoublePrecisionPower) {
    auto approx = [](__m128 db) { return decibels::gain2(db); };
    auto exact = [](float db) { return std::pow(10.0L, static_cast<long double>(db) / 20.0L); };
    const Sweep near = sweep(-0x1p-30f, -24.0f, 101, approx, gainOfDecibelsReference, exact);
    const Sweep far = sweep(-24.0f, -740.0f, 103, approx, gainOfDecibelsReference, exact);
    EXPECT_LT(near.flagged + far.flagged, (near.checked + far.checked) / 10000 + 1);
    const double worst = std::max(near.worstRelativeError, far.worstRelativeError);
    RecordProperty("worst_log2_relative_error", std::to_string(std::log2(worst)));
    RecordProperty("flagged", std::to_string(near.flagged + far.flagged));
    EXPECT_LT(worst, 0x1p-44);
    // Below the normal floats every lane is left to the reference.
    decibels::Lanes2 tiny = decibels::gain2(_mm_setr_ps(-800.0f, -3000.0f, 0, 0));
    EXPECT_EQ(tiny.redo, 3);
}

// The fast routes must round exactly as the reference formulas do. (Every float in range was
// checked once offline; this keeps a sample of them, dense around 0 dB.)
TEST(DecibelsTest, MatchReferencesBitForBit) {
    std::mt19937 rng(3);
    std::uniform_int_distribution<std::uint32_t> bits(0, 0x7f7fffffu);
    std::uniform_real_distribution<float> wide(-900.0f, 0.0f), narrow(-1e-3f, 0.0f);
    for (int i = 0; i < 1000000; ++i) {
        const float x = std::bit_cast<float>(bits(rng)), a = wide(rng), b = narrow(rng);
        ASSERT_EQ(decibelsOf(x), decibelsOfReference(x)) << x;
        ASSERT_EQ(gainOfDecibels(a), gainOfDecibelsReference(a)) << a;
        ASSERT_EQ(gainOfDecibels(b), gainOfDecibelsReference(b)) << b;
    }
    for (std::uint32_t u = 0x3f7f0000u; u < 0x3f810000u; ++u) {
        const float x = std::bit_cast<float>(u);
        ASSERT_EQ(decibelsOf(x), decibelsOfReference(x)) << x;
    }
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(decibelsOf(0.0f), -inf);
    EXPECT_TRUE(std::isnan(decibelsOf(-1.0f)));
    EXPECT_EQ(gainOfDecibels(-inf), 0.0f);
}

TEST(UnityCeiling, EnvelopesUpToTheCeilingGetAGainOfExactlyOne) {
    for (float threshold : {-60.0f, -37.3f, -10.0f, -0.1f, 0.0f})
        for (float ratio : {1.0001f, 1.5f, 4.0f, 100.0f}) {
            const float slope = float(1.0 - 1.0 / double(ratio));
            const float c = unityGainCeiling(threshold, slope);
            SCOPED_TRACE(::testing::Message() << threshold << " dB, ratio " << ratio);
            EXPECT_EQ(referenceGain(c, threshold, slope), 1.0f);
            EXPECT_LT(referenceGain(std::nextafter(c, INFINITY), threshold, slope), 1.0f);
            for (std::uint32_t k = 0; k < 20000; k += 7)
                ASSERT_EQ(referenceGain(fromBits(toBits(c) - k), threshold, slope), 1.0f);
            EXPECT_EQ(referenceGain(0.0f, threshold, slope), 1.0f);
        }
    // Without a slope nothing is ever reduced.
    EXPECT_EQ(unityGainCeiling(-20.0f, 0.0f), INFINITY);
    EXPECT_EQ(unityGainCeiling(NAN, 0.5f), INFINITY);
}

}  // namespace
}  // namespace brindlewave
