#include "audiofx/util/envelope.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

using audiofx::PeakDetector;

TEST(EnvelopeSetupTest, StartsSilentAndHoldsZeroWithoutCoefficients) {
    PeakDetector d;
    EXPECT_EQ(d.getEnvelope(), 0.0f);
    EXPECT_EQ(d.timeConstant, -2.0f);
    EXPECT_EQ(d.detect(0.5f), 0.0f);  // NaN coefficients: 0, not NaN
}

TEST(EnvelopeSetupTest, StepReachesWithinEToTheMinusTwoAfterTheTime) {
    PeakDetector d;
    d.setSampleRate(48000.0f);
    d.setEnvelope(10.0f, 500.0f);
    float e = 0;
    for (int i = 0; i < 480; ++i) e = d.detect(1.0f);
    EXPECT_NEAR(e, 1.0 - std::exp(-2.0), 1e-4);
    // A rate change alone leaves the coefficients in force.
    const float before = d.attackCoeff;
    d.setSampleRate(96000.0f);
    EXPECT_EQ(d.attackCoeff, before);
    d.setEnvelope(10.0f, 500.0f);
    EXPECT_GT(d.attackCoeff, before);
}

TEST(EnvelopeStepTest, ZeroAttackJumpsReleaseDecaysSignIgnored) {
    PeakDetector d;
    d.setSampleRate(44100.0f);
    d.setEnvelope(0.0f, 100.0f);
    EXPECT_EQ(d.attackCoeff, 0.0f);
    EXPECT_EQ(d.detect(-0.8f), 0.8f);
    const float r = d.releaseCoeff;
    EXPECT_EQ(d.detect(0.2f), (1.0f - r) * 0.2f + r * 0.8f);
}

TEST(EnvelopeStepTest, NonFiniteInputClearsInsteadOfLatching) {
    PeakDetector d;
    d.setSampleRate(44100.0f);
    d.setEnvelope(1.0f, 100.0f);
    for (float bad :
         {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
        d.detect(0.5f);
        EXPECT_EQ(d.detect(bad), 0.0f);
        EXPECT_GT(d.detect(0.5f), 0.0f);
    }
}

}  // namespace
