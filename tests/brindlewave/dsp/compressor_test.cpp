#include "brindlewave/dsp/compressor.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

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

// New settings move the point below which the gain computer skips its logarithm: from a ratio of
// 1 (nothing ever reduced) to a real ratio, to a lower threshold, and back up.
TEST(CompressorSteadyStateTest, FastGainComputerFollowsNewSettingsExactly) {
    BrindlewaveCompressor c;
    c.initialize(48000.0f, 1.0f, 50.0f, 0.0f, 1.0f, 1.0f);
    PlainCompressor ref{0, c.attackCoeff, c.releaseCoeff, 0.0f, 1.0f, 1.0f};
    const brindlewave::CompressorParams steps[] = {{1.0f, 50.0f, -6.0f, 4.0f, 1.0f},
                                                   {1.0f, 50.0f, -40.0f, 4.0f, 2.0f},
                                                   {1.0f, 50.0f, -3.0f, 1.5f, 1.0f}};
    for (int k = 0; k < 3; ++k) {
        c.setParams(steps[k]);
        ref.thr = steps[k].threshold;
        ref.ratio = steps[k].ratio;
        ref.makeup = steps[k].makeupGain;
        for (int i = 0; i < 4000; ++i) {
            const float x = 0.9f * std::sin(0.01f * i) * float(i % 1000) / 1000.0f;
            ASSERT_EQ(c.getNextSample(x), ref.step(x)) << k << " " << i;
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

}  // namespace
