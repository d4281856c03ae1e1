#include "brindlewave/dsp/compressor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "brindlewave/dsp/compressorlanes.h"

namespace {

using brindlewave::BrindlewaveCompressor;
using brindlewave::CompressorParams;

float dbToLinear(double db) {
    return float(std::pow(10.0, db / 20.0));
}

// Reduction in dB that a constant input settles to (output over input over make-up).
double settledReductionDb(float ratio, double inputDb, float makeup, float threshold = -20.0f) {
    BrindlewaveCompressor c;
    c.initialize(44100.0f, 5.0f, 50.0f, threshold, ratio, makeup);
    const float x = dbToLinear(inputDb);
    float y = 0;
    for (int i = 0; i < 44100; ++i) y = c.getNextSample(x);
    return 20.0 * std::log10(y / (x * makeup));
}

TEST(CompressorSteadyStateTest, FeedbackSlopeTenDecibelsOverThreshold) {
    EXPECT_NEAR(settledReductionDb(2.0f, -10.0, 1.0f), -3.3333, 0.01);
    EXPECT_NEAR(settledReductionDb(4.0f, -10.0, 1.0f), -4.2857, 0.01);
    EXPECT_NEAR(settledReductionDb(100.0f, -10.0, 1.0f), -4.9749, 0.01);
}

TEST(CompressorSteadyStateTest, MakeupGainIsSeenByTheDetector) {
    EXPECT_NEAR(settledReductionDb(4.0f, -20.0, 1.0f), 0.0, 1e-6);
    EXPECT_NEAR(settledReductionDb(4.0f, -20.0, 2.0f), -2.5803, 0.01);
}

TEST(CompressorSteadyStateTest, BelowThresholdPassesTimesMakeup) {
    BrindlewaveCompressor c;
    c.initialize(48000.0f, 1.0f, 10.0f, -6.0f, 8.0f, 1.5f);
    std::mt19937 rng(1);
    std::uniform_real_distribution<float> d(-0.3f, 0.3f);  // |1.5 x| stays below -6 dB
    for (int i = 0; i < 10000; ++i) {
        const float x = d(rng);
        ASSERT_EQ(c.getNextSample(x), 1.5f * x);
    }
}

TEST(CompressorSteadyStateTest, RatioOneNeverReducesNorMakesNan) {
    BrindlewaveCompressor c;
    c.initialize(44100.0f, 0.0f, 10.0f, -60.0f, 1.0f, 1.0f);
    EXPECT_EQ(c.getNextSample(1.0f), 1.0f);  // envelope 0: level minus infinity
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(c.getNextSample(0.9f), 0.9f);
    c.setParams({0.0f, 10.0f, -60.0f, 1.0f, 1.0f});
    EXPECT_EQ(c.getNextSample(0.5f), 0.5f);
}

// The Part's per-sample computation written out plainly, to check the fast paths against.
struct ReferenceCompressor {
    float env = 0, att, rel, thr, ratio, makeup;
    float step(float x) {
        const float L = float(20.0L * std::log10((long double)env));
        const float k = float(1.0 - 1.0 / double(ratio));
        float r = (thr - L) * k;
        if (r >= 0) r = 0;
        const float g = float(std::pow(10.0, double(r) / 20.0));
        const float y = g * x;
        const float d = std::fabs(makeup * y);
        const float a = d > env ? att : rel;
        env = (env - d) * a + d;
        return makeup * y;
    }
};

TEST(CompressorSteadyStateTest, FastGainComputerMatchesPlainFormulaExactly) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> amp(-2.0f, 2.0f), thr(-60.0f, 0.0f), ms(0.001f, 300.0f);
    for (int trial = 0; trial < 40; ++trial) {
        BrindlewaveCompressor c;
        const float ratio = 1.0f + 99.0f * std::fabs(amp(rng)) / 2.0f;
        const float makeup = dbToLinear(std::fabs(amp(rng)) * 10.0);
        c.initialize(96000.0f, ms(rng), ms(rng), thr(rng), ratio, makeup);
        ReferenceCompressor ref{0, c.attackCoeff, c.releaseCoeff, c.threshold, ratio, makeup};
        if (ratio == 1.0f) continue;
        for (int i = 0; i < 20000; ++i) {
            const float x = amp(rng) * float(i % 3000) / 3000.0f;
            ASSERT_EQ(c.getNextSample(x), ref.step(x)) << trial << " " << i;
        }
    }
}

TEST(CompressorTimingTest, ThousandthOfAMillisecondAttackIsPracticallyInstant) {
    BrindlewaveCompressor c;
    c.initialize(44100.0f, 0.001f, 100.0f, 0.0f, 4.0f, 1.0f);
    EXPECT_LT(c.attackCoeff, 1e-15f);
    EXPECT_GE(c.attackCoeff, 0.0f);
    c.getNextSample(0.5f);
    EXPECT_FLOAT_EQ(c.envelope, 0.5f);
    c.setParams({0.0f, 100.0f, 0.0f, 4.0f, 1.0f});
    EXPECT_EQ(c.attackCoeff, 0.0f);
}

TEST(CompressorTimingTest, CoefficientsUseTheRateOfTheLastSetParams) {
    BrindlewaveCompressor c;
    c.initialize(44100.0f, 10.0f, 100.0f, -10.0f, 4.0f, 1.0f);
    EXPECT_FLOAT_EQ(c.timeConstant, -2.0f);
    EXPECT_FLOAT_EQ(c.attackCoeff, float(std::exp(-2.0 / 441.0)));
    c.getNextSample(0.7f);
    const float env = c.envelope;
    c.setSampleRate(88200.0f);
    EXPECT_FLOAT_EQ(c.attackCoeff, float(std::exp(-2.0 / 441.0)));
    c.setParams({10.0f, 100.0f, -10.0f, 4.0f, 1.0f});
    EXPECT_FLOAT_EQ(c.attackCoeff, float(std::exp(-2.0 / 882.0)));
    EXPECT_EQ(c.envelope, env);
    c.reset();
    EXPECT_EQ(c.envelope, env);
    EXPECT_FLOAT_EQ(c.detectorVal(), float(20.0 * std::log10(double(env))));
}

TEST(CompressorRobustnessTest, NonFiniteInputClearsTheEnvelope) {
    BrindlewaveCompressor c;
    c.initialize(44100.0f, 1.0f, 100.0f, -20.0f, 4.0f, 1.0f);
    for (int i = 0; i < 4410; ++i) c.getNextSample(0.9f);
    c.getNextSample(std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(c.envelope, 0.0f);
    c.getNextSample(std::numeric_limits<float>::infinity());
    EXPECT_EQ(c.envelope, 0.0f);
    // Compression resumes from silence.
    EXPECT_EQ(c.getNextSample(0.9f), 0.9f);
    float y = 0;
    for (int i = 0; i < 44100; ++i) y = c.getNextSample(0.9f);
    EXPECT_LT(y, 0.5f);
    EXPECT_TRUE(std::isfinite(c.detectorVal()));
}

}  // namespace

namespace {

using brindlewave::compressBands;

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
            const float thr = trial % 6 == 3 ? -1000.0f : -60.0f * u(rng),
                        makeup = dbToLinear(24.0f * u(rng) - 12.0f);
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
        float* bs[4] = {buf[0].data(), buf[1].data(), buf[2].data(), buf[3].data()};
        compressBands(cs, bs, count, 1000);
        compressBands(cs, bs + 0, count, 0);
        float* rest[4] = {bs[0] + 1000, bs[1] + 1000, bs[2] + 1000, bs[3] + 1000};
        compressBands(cs, rest, count, 2000);
        for (int b = 0; b < count; ++b) {
            for (int i = 0; i < 3000; ++i)
                ASSERT_EQ(buf[b][i], alone[b].getNextSample(ref[b][i])) << trial << " " << b;
            EXPECT_EQ(lanes[b].envelope, alone[b].envelope);
        }
    }
}

}  // namespace
