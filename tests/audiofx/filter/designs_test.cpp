#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "audiofx/filter/allpass.h"
#include "audiofx/filter/butterworthq.h"
#include "audiofx/filter/highpass.h"
#include "audiofx/filter/lowpass.h"
#include "response_probe.h"
#include "rigging/core/nogc.h"

namespace {

using namespace audiofx;

std::vector<float> qList(int order) {
    std::span<float> q = calculateQValuesForButterworth(order);
    std::vector<float> v(q.begin(), q.end());
    rigging::freeSlice(q);
    return v;
}

void expectList(const std::vector<float>& got, const std::vector<float>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i) EXPECT_FLOAT_EQ(got[i], want[i]) << i;
}

TEST(ButterworthQTest, TablesForEveryOrderInUse) {
    expectList(qList(2), {0.70710677f});
    expectList(qList(4), {0.5411961f, 1.306563f});
    expectList(qList(8), {0.5097956f, 0.60134489f, 0.89997619f, 2.5629156f});
    expectList(qList(20), {0.5015461f, 0.5142076f, 0.5411961f, 0.5864139f, 0.6575435f, 0.7698845f,
                           0.9569404f, 1.306563f, 2.1418288f, 6.3727474f});
}

TEST(ButterworthQTest, OddOrdersDropTheRealPoleAndSmallOrdersAreEmpty) {
    expectList(qList(3), {0.57735026f});
    EXPECT_TRUE(qList(1).empty());
    EXPECT_TRUE(qList(0).empty());
    EXPECT_TRUE(qList(-4).empty());
}

template <typename Section>
void tune(Section& s, float f, float fs, float q) {
    s.setSampleRate(fs);
    s.setFrequency(f);
    s.setQualityFactor(q);
}

TEST(LowpassO2Test, QuarterRateGivesTheClosedFormCoefficients) {
    LowpassO2 lp;
    tune(lp, 11025.0f, 44100.0f, 0.70710677f);
    const float s = 0.70710677f;
    EXPECT_NEAR(lp.beta, 0.5 * (1 - s) / (1 + s), 1e-7);
    EXPECT_NEAR(lp.beta, 0.0857864, 1e-6);
    EXPECT_NEAR(lp.gamma, 0.0, 1e-7);
    EXPECT_NEAR(lp.b1, 0.5f + lp.beta, 1e-7);
    EXPECT_EQ(lp.b0, lp.b1 / 2);
    EXPECT_EQ(lp.b2, lp.b1 / 2);
    EXPECT_NEAR(lp.a1, 0.0, 2e-7);
    EXPECT_EQ(lp.a2, 2 * lp.beta);
}

TEST(LowpassO2Test, HalfPowerAtCutoffAndUnitGainAtDc) {
    LowpassO2 lp;
    HighpassO2 hp;
    tune(lp, 1000.0f, 48000.0f, 0.70710677f);
    tune(hp, 1000.0f, 48000.0f, 0.70710677f);
    auto hl = response_probe::impulseResponse([&](float x) { return lp.getNextSample(x); }, 8192);
    auto hh = response_probe::impulseResponse([&](float x) { return hp.getNextSample(x); }, 8192);
    EXPECT_NEAR(response_probe::magnitudeDb(hl, 1000, 48000), -3.0103, 0.01);
    EXPECT_NEAR(response_probe::magnitudeDb(hh, 1000, 48000), -3.0103, 0.01);
    EXPECT_NEAR(response_probe::magnitudeDb(hl, 1, 48000), 0.0, 0.001);
    EXPECT_LT(response_probe::magnitudeDb(hh, 20, 48000), -60.0);
}

TEST(SecondOrderDesignsTest, ButterworthAndLinkwitzRileyLowpassLevels) {
    ButterworthLP bw;
    bw.setSampleRate(44100.0f);
    bw.setFrequency(2000.0f);
    LinkwitzRileyLP lr;
    EXPECT_FALSE(lr.isInitialized());
    lr.setSampleRate(44100.0f);
    EXPECT_FALSE(lr.isInitialized());  // NaN frequency
    lr.setFrequency(2000.0f);
    EXPECT_TRUE(lr.isInitialized());
    auto hb = response_probe::impulseResponse([&](float x) { return bw.getNextSample(x); }, 4096);
    auto hl = response_probe::impulseResponse([&](float x) { return lr.getNextSample(x); }, 4096);
    EXPECT_NEAR(response_probe::magnitudeDb(hb, 2000, 44100), -3.0103, 0.01);
    EXPECT_NEAR(response_probe::magnitudeDb(hl, 2000, 44100), -6.0206, 0.01);
    EXPECT_NEAR(response_probe::magnitudeDb(hb, 5, 44100), 0.0, 0.001);
    EXPECT_NEAR(response_probe::magnitudeDb(hl, 5, 44100), 0.0, 0.001);
}

template <typename Section>
float settledDcGain(Section& s) {
    float y = 0;
    for (int i = 0; i < 200000; ++i) y = s.getNextSample(1.0f);
    return y;
}

TEST(AllpassTest, UnitGainAtDcAndFlatMagnitude) {
    for (float f : {30.0f, 1000.0f, 15000.0f}) {
        AllpassO2 ap2;
        AllpassO1 ap1;
        AllpassQO2 apq;
        ap2.setSampleRate(44100.0f);
        ap2.setFrequency(f);
        ap1.setSampleRate(44100.0f);
        ap1.setFrequency(f);
        tune(apq, f, 44100.0f, 2.5629156f);
        EXPECT_NEAR(settledDcGain(ap2), 1.0f, 1e-5) << f;
        EXPECT_NEAR(settledDcGain(ap1), 1.0f, 1e-5) << f;
        EXPECT_NEAR(settledDcGain(apq), 1.0f, 1e-5) << f;
        ap2.reset();
        auto h =
            response_probe::impulseResponse([&](float x) { return ap2.getNextSample(x); }, 1 << 15);
        EXPECT_LT(response_probe::worstDeviationDb(h, 44100,
                                                   response_probe::logFrequencies(20, 20000, 40)),
                  0.001)
            << f;
    }
}

TEST(AllpassTest, CrossoverAllpassSharesThePolesOfTheCrossoverSections) {
    LowpassO2 lp;
    AllpassQO2 ap;
    tune(lp, 632.4555f, 96000.0f, 0.89997619f);
    tune(ap, 632.4555f, 96000.0f, 0.89997619f);
    EXPECT_EQ(ap.a1, lp.a1);
    EXPECT_EQ(ap.a2, lp.a2);
    EXPECT_EQ(ap.b0, ap.a2);
    EXPECT_EQ(ap.b1, ap.a1);
    EXPECT_EQ(ap.b2, 1.0f);
}

// Poles strictly inside the unit circle, judged exactly on the float coefficients.
template <typename Section>
bool polesInside(const Section& s) {
    const double a1 = s.a1, a2 = s.a2;
    return std::fabs(a2) < 1.0 && std::fabs(a1) < 1.0 + a2;
}

template <typename Section>
void expectStableAt(float f, float fs, float q) {
    Section s;
    tune(s, f, fs, q);
    ASSERT_TRUE(polesInside(s)) << f << " Hz at " << fs << " Hz, Q " << q;
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
    float peak = 0;
    for (int i = 0; i < 200000; ++i) peak = std::max(peak, std::fabs(s.getNextSample(noise(rng))));
    EXPECT_TRUE(std::isfinite(peak));
    EXPECT_LT(peak, 1e4f) << f << " Hz at " << fs << " Hz, Q " << q;
}

TEST(StabilityTest, QualitySectionsStayStableFromTenHertzToNearNyquist) {
    // Host rates 8 kHz to 384 kHz, oversampled up to 8 times.
    for (float fs : {8000.0f, 44100.0f, 384000.0f, 3072000.0f}) {
        for (float f : {10.0f, 20.0f, 0.45f * fs}) {
            for (float q : {0.5097956f, 2.5629156f, 6.3727474f}) {
                expectStableAt<LowpassO2>(f, fs, q);
                expectStableAt<HighpassO2>(f, fs, q);
                expectStableAt<AllpassQO2>(f, fs, q);
            }
        }
    }
}

}  // namespace
