#include "brindlewave/dsp/compressor.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "brindlewave/dsp/compressorlanes.h"

namespace {

using brindlewave::BrindlewaveCompressor;

float dbToLinear(double db) {
    return float(std::pow(10.0, db / 20.0));
}

// Reduction in dB that a constant input settles to (output over input times make-up).
double settledReductionDb(float ratio, double inputDb, float makeup) {
    BrindlewaveCompressor c;
    c.initialize(44100.0f, 5.0f, 50.0f, -20.0f, ratio, makeup);
    const float x = dbToLinear(inputDb);
    float y = 0;
    for (int i = 0; i < 44100; ++i) y = c.getNextSample(x);
    return 20.0 * std::log10(y / (x * makeup));
}

TEST(CompressorSteadyStateTest, FeedbackSlopeAndMakeupSeenByTheDetector) {
    EXPECT_NEAR(settledReductionDb(2.0f, -10.0, 1.0f), -3.3333, 0.01);
    EXPECT_NEAR(settledReductionDb(4.0f, -10.0, 1.0f), -4.2857, 0.01);
    EXPECT_NEAR(settledReductionDb(100.0f, -10.0, 1.0f), -4.9749, 0.01);
    EXPECT_NEAR(settledReductionDb(4.0f, -20.0, 1.0f), 0.0, 1e-6);
    EXPECT_NEAR(settledReductionDb(4.0f, -20.0, 2.0f), -2.5803, 0.01);
}

TEST(CompressorSteadyStateTest, RatioOneNeverReducesNorMakesNan) {
    BrindlewaveCompressor c;
    c.initialize(44100.0f, 0.0f, 10.0f, -60.0f, 1.0f, 1.5f);
    EXPECT_EQ(c.getNextSample(1.0f), 1.5f);  // envelope 0: level minus infinity
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(c.getNextSample(0.9f), 1.5f * 0.9f);
}

// The per-sample computation written out plainly, to hold the fast paths to.
struct PlainCompressor {
    float env = 0, att, rel, thr, ratio, makeup;
    float step(float x) {
        const float L = float(20.0L * std::log10((long double)env));
        float r = (thr - L) * float(1.0 - 1.0 / double(ratio));
        if (r >= 0) r = 0;
        const float y = float(std::pow(10.0, double(r) / 20.0)) * x;
        const float d = std::fabs(makeup * y);
        env = (env - d) * (d > env ? att : rel) + d;
        return makeup * y;
    }
};

TEST(CompressorSteadyStateTest, FastGainComputerMatchesPlainFormulaExactly) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> u(0.0f, 1.0f);
    for (int trial = 0; trial < 40; ++trial) {
        BrindlewaveCompressor c;
        const float ratio = 1.001f + 99.0f * u(rng), makeup = dbToLinear(20 * u(rng));
        c.initialize(96000.0f, 300 * u(rng), 300 * u(rng), -60 * u(rng), ratio, makeup);
        PlainCompressor ref{0, c.attackCoeff, c.releaseCoeff, c.threshold, ratio, makeup};
        for (int i = 0; i < 20000; ++i) {
            const float x = (4 * u(rng) - 2) * float(i % 3000) / 3000.0f;
            ASSERT_EQ(c.getNextSample(x), ref.step(x)) << trial << " " << i;
        }
    }
}

TEST(CompressorTimingTest, TinyAttackIsInstantAndRateWaitsForSetParams) {
    BrindlewaveCompressor c;
    c.initialize(44100.0f, 0.001f, 100.0f, 0.0f, 4.0f, 1.0f);
    EXPECT_LT(c.attackCoeff, 1e-15f);
    c.getNextSample(0.5f);
    EXPECT_FLOAT_EQ(c.envelope, 0.5f);
    const float env = c.envelope, release = c.releaseCoeff;
    c.setSampleRate(88200.0f);
    EXPECT_EQ(c.releaseCoeff, release);
    c.setParams({10.0f, 100.0f, -10.0f, 4.0f, 1.0f});
    EXPECT_FLOAT_EQ(c.attackCoeff, float(std::exp(-2.0 / 882.0)));
    c.reset();
    EXPECT_EQ(c.envelope, env);  // parameters, rate and reset keep the envelope
    EXPECT_FLOAT_EQ(c.detectorVal(), float(20.0 * std::log10(double(env))));
}

TEST(CompressorRobustnessTest, NonFiniteInputClearsTheEnvelope) {
    BrindlewaveCompressor c;
    c.initialize(44100.0f, 1.0f, 100.0f, -20.0f, 4.0f, 1.0f);
    for (float bad :
         {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
        for (int i = 0; i < 4410; ++i) c.getNextSample(0.9f);
        c.getNextSample(bad);
        EXPECT_EQ(c.envelope, 0.0f);
        EXPECT_EQ(c.getNextSample(0.9f), 0.9f);  // compression starts again from silence
    }
}

// Lanes must give each compressor exactly its own samples and final envelope, whatever mix of
// settings shares the register.
TEST(CompressorLanesTest, MatchEachCompressorRunAlone) {
    std::mt19937 rng(21);
    std::uniform_real_distribution<float> u(0.0f, 1.0f);
    for (int trial = 0; trial < 30; ++trial) {
        const int count = 1 + trial % 4;
        BrindlewaveCompressor lanes[4], alone[4];
        std::vector<float> buf[4], ref[4];
        for (int b = 0; b < count; ++b) {
            const float ratio = trial % 5 == 0 && b == 0 ? 1.0f : 1.0f + 99.0f * u(rng);
            const float att = 0.001f + 50.0f * u(rng), rel = 1.0f + 500.0f * u(rng);
            // -1000 dB puts silence above threshold: the level of an empty envelope takes the
            // reference path.
            const float thr = trial % 6 == 3 ? -1000.0f : -60.0f * u(rng);
            const float makeup = dbToLinear(24.0f * u(rng) - 12.0f);
            for (BrindlewaveCompressor* c : {&lanes[b], &alone[b]})
                c->initialize(48000.0f, att, rel, thr, ratio, makeup);
            for (int i = 0; i < 3000; ++i) {
                float x = (u(rng) * 2 - 1) * (b + 1) * float(i % 700) / 700.0f;
                if (trial == 7 && i == 1500) x = std::numeric_limits<float>::infinity();
                buf[b].push_back(x);
            }
            ref[b] = buf[b];
        }
        BrindlewaveCompressor* cs[4] = {&lanes[0], &lanes[1], &lanes[2], &lanes[3]};
        float* head[4] = {buf[0].data(), buf[1].data(), buf[2].data(), buf[3].data()};
        float* rest[4] = {head[0] + 1000, head[1] + 1000, head[2] + 1000, head[3] + 1000};
        brindlewave::compressBands(cs, head, count, 1000);
        brindlewave::compressBands(cs, rest, count, 2000);
        for (int b = 0; b < count; ++b) {
            for (int i = 0; i < 3000; ++i)
                ASSERT_EQ(buf[b][i], alone[b].getNextSample(ref[b][i])) << trial << " " << b;
            EXPECT_EQ(lanes[b].envelope, alone[b].envelope);
        }
    }
}

// The fast routes must round exactly as the reference formulas do. (Every float in range was
// checked once offline; this keeps a sample of them, dense around 0 dB.)
TEST(DecibelsTest, MatchReferencesBitForBit) {
    std::mt19937 rng(3);
    std::uniform_int_distribution<std::uint32_t> bits(0, 0x7f7fffffu);
    std::uniform_real_distribution<float> wide(-900.0f, 0.0f), narrow(-1e-3f, 0.0f);
    for (int i = 0; i < 1000000; ++i) {
        const float x = std::bit_cast<float>(bits(rng)), a = wide(rng), b = narrow(rng);
        ASSERT_EQ(brindlewave::decibelsOf(x), brindlewave::decibelsOfReference(x)) << x;
        ASSERT_EQ(brindlewave::gainOfDecibels(a), brindlewave::gainOfDecibelsReference(a)) << a;
        ASSERT_EQ(brindlewave::gainOfDecibels(b), brindlewave::gainOfDecibelsReference(b)) << b;
    }
    for (std::uint32_t u = 0x3f7f0000u; u < 0x3f810000u; ++u) {
        const float x = std::bit_cast<float>(u);
        ASSERT_EQ(brindlewave::decibelsOf(x), brindlewave::decibelsOfReference(x)) << x;
    }
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(brindlewave::decibelsOf(0.0f), -inf);
    EXPECT_TRUE(std::isnan(brindlewave::decibelsOf(-1.0f)));
    EXPECT_EQ(brindlewave::gainOfDecibels(-inf), 0.0f);
}

}  // namespace
