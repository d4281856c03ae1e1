#include "audiofx/util/envelope.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using audiofx::PeakDetector;

TEST(EnvelopeSetupTest, StartsSilentWithTimeConstantMinusTwoAndNoCoefficients) {
    PeakDetector d;
    EXPECT_EQ(d.getEnvelope(), 0.0f);
    EXPECT_EQ(d.timeConstant, -2.0f);
    EXPECT_TRUE(std::isnan(d.attackCoeff));
    EXPECT_TRUE(std::isnan(d.sampleRate));
    // NaN coefficients: every step falls back to 0 instead of spreading NaN.
    EXPECT_EQ(d.detect(0.5f), 0.0f);
}

TEST(EnvelopeSetupTest, CoefficientFollowsTheTimeConstantRule) {
    PeakDetector d;
    d.setSampleRate(48000.0f);
    d.setEnvelope(10.0f, 500.0f);
    EXPECT_FLOAT_EQ(d.attackCoeff, float(std::exp(-2.0 / 480.0)));
    EXPECT_FLOAT_EQ(d.releaseCoeff, float(std::exp(-2.0 / 24000.0)));
    // After t ms a step is followed to within e^-2.
    float e = 0;
    for (int i = 0; i < 480; ++i) e = d.detect(1.0f);
    EXPECT_NEAR(e, 1.0 - std::exp(-2.0), 1e-4);
}

TEST(EnvelopeSetupTest, RateChangeWaitsForSetEnvelope) {
    PeakDetector d;
    d.setSampleRate(48000.0f);
    d.setEnvelope(10.0f, 10.0f);
    const float before = d.attackCoeff;
    d.setSampleRate(96000.0f);
    EXPECT_EQ(d.attackCoeff, before);
    d.setEnvelope(10.0f, 10.0f);
    EXPECT_GT(d.attackCoeff, before);
}

TEST(EnvelopeStepTest, ZeroAttackJumpsAndReleaseDecays) {
    PeakDetector d;
    d.setSampleRate(44100.0f);
    d.setEnvelope(0.0f, 100.0f);
    EXPECT_EQ(d.attackCoeff, 0.0f);
    EXPECT_EQ(d.detect(0.8f), 0.8f);
    const float r = d.releaseCoeff;
    EXPECT_EQ(d.detect(0.2f), (1.0f - r) * 0.2f + r * 0.8f);
    // Equal level and envelope take the release coefficient: the value stays put.
    const float e = d.getEnvelope();
    EXPECT_EQ(d.detect(e), (1.0f - r) * e + r * e);
}

TEST(EnvelopeStepTest, SignDoesNotMatter) {
    PeakDetector a, b;
    for (PeakDetector* d : {&a, &b}) {
        d->setSampleRate(44100.0f);
        d->setEnvelope(3.0f, 50.0f);
    }
    for (float x : {0.3f, -0.9f, 0.1f, -0.05f}) EXPECT_EQ(a.detect(x), b.detect(-x));
}

TEST(EnvelopeStepTest, NonFiniteInputClearsInsteadOfLatching) {
    PeakDetector d;
    d.setSampleRate(44100.0f);
    d.setEnvelope(1.0f, 100.0f);
    d.detect(0.5f);
    EXPECT_EQ(d.detect(std::numeric_limits<float>::quiet_NaN()), 0.0f);
    d.detect(0.5f);
    EXPECT_EQ(d.detect(std::numeric_limits<float>::infinity()), 0.0f);
    EXPECT_GT(d.detect(0.5f), 0.0f);
    d.reset();
    EXPECT_EQ(d.getEnvelope(), 0.0f);
}

}  // namespace
