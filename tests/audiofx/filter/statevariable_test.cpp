#include "audiofx/filter/statevariable.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "allpass.h"
#include "audiofx/filter/lowpass.h"
#include "highpass.h"
#include "response_probe.h"

namespace {

using namespace audiofx;

void tune(StateVariableSection& s, float f, float fs, float q) {
    s.setSampleRate(fs);
    s.setFrequency(f);
    s.setQualityFactor(q);
}

template <typename Filter>
std::vector<float> impulse(Filter& f, std::size_t n) {
    return response_probe::impulseResponse([&](float x) { return f.getNextSample(x); }, n);
}

// The same bilinear designs as the direct-form sections: equal transfer functions (to the
// direct form's own accuracy), the low-pass and high-pass at a low and a high quality factor,
// the all-pass at the fixed one of AllpassO2.
TEST(StateVariableDesignTest, MatchesTheDirectFormDesigns) {
    auto expectSame = [](StateVariableSection& svf, BiQuad& ref, float q) {
        const auto a = impulse(svf, 8192), b = impulse(ref, 8192);
        for (double f : {50.0, 700.0, 2000.0, 5000.0, 15000.0, 23000.0})
            EXPECT_LT(std::abs(response_probe::transferAt(a, f, 48000.0) -
                               response_probe::transferAt(b, f, 48000.0)),
                      1e-5)
                << int(svf.response) << " Q " << q << " at " << f;
    };
    for (float q : {0.5097956f, 2.5629156f}) {
        StateVariableSection lp(SectionResponse::lowpass), hp(SectionResponse::highpass);
        LowpassO2 lpRef;
        HighpassO2 hpRef;
        tune(lp, 2000.0f, 48000.0f, q);
        tune(hp, 2000.0f, 48000.0f, q);
        for (QualityBiQuad* s : std::initializer_list<QualityBiQuad*>{&lpRef, &hpRef}) {
            s->setSampleRate(48000.0f);
            s->setFrequency(2000.0f);
            s->setQualityFactor(q);
        }
        expectSame(lp, lpRef, q);
        expectSame(hp, hpRef, q);
    }
    StateVariableSection ap(SectionResponse::allpass);
    AllpassO2 apRef;
    tune(ap, 2000.0f, 48000.0f, 1.414f / 2);
    apRef.setSampleRate(48000.0f);
    apRef.setFrequency(2000.0f);
    expectSame(ap, apRef, 1.414f / 2);
}

// Far below the rate, where single-precision direct forms lose their poles: 20 Hz at 3.072 MHz
// still has unit gain at DC, -3.01 dB at the cut-off, and an all-pass that passes everything.
TEST(StateVariableDesignTest, HoldsItsPolesFarBelowTheRate) {
    const float fs = 3072000.0f;
    StateVariableSection lp(SectionResponse::lowpass), ap(SectionResponse::allpass);
    tune(lp, 20.0f, fs, 0.70710677f);
    tune(ap, 20.0f, fs, 0.70710677f);
    const auto h = impulse(lp, 1 << 20), a = impulse(ap, 1 << 20);
    EXPECT_NEAR(response_probe::magnitudeDb(h, 0.0, fs), 0.0, 1e-3);
    EXPECT_NEAR(response_probe::magnitudeDb(h, 20.0, fs), -3.0103, 1e-3);
    for (double f : {5.0, 20.0, 80.0, 2000.0})
        EXPECT_NEAR(response_probe::magnitudeDb(a, f, fs), 0.0, 1e-3) << f;
}

// A sentinel written into a coefficient shows whether a call recomputed it.
TEST(StateVariableCascadeTest, SameValuesRecomputeNothingNewFrequencyKeepsStateNewRateClears) {
    LinkwitzRileyStateVariable c(SectionResponse::highpass, 16);
    EXPECT_EQ(c.sectionCount(), 8);
    EXPECT_EQ(LinkwitzRileyStateVariable(SectionResponse::allpass, 16).sectionCount(), 4);
    EXPECT_TRUE(std::isnan(c.getNextSample(1.0f)));  // no rate or frequency yet
    c.setSampleRate(48000.0f);
    c.setFrequency(500.0f);
    for (int i = 0; i < 64; ++i) c.getNextSample(i % 3 ? 0.5f : -1.0f);
    StateVariableSection& probe = c.section(5);
    EXPECT_EQ(probe.Q, c.section(1).Q);  // the Butterworth values of order 8, twice
    probe.g = 42.0f;
    c.setSampleRate(48000.0f);
    c.setFrequency(500.0f);
    EXPECT_EQ(probe.g, 42.0f);
    const float state = probe.s1;
    ASSERT_NE(state, 0.0f);
    c.setFrequency(600.0f);
    EXPECT_NE(probe.g, 42.0f);
    EXPECT_EQ(probe.s1, state);
    c.setSampleRate(96000.0f);
    EXPECT_EQ(probe.s1, 0.0f);
    EXPECT_EQ(probe.s2, 0.0f);
}

// Bounded answers to noise from 10 Hz to 0.45 x rate, at host rates 8 kHz to 384 kHz oversampled
// up to 8 times, for the smallest and largest quality factors in use.
TEST(StateVariableStabilityTest, StableFromTenHertzToNearNyquist) {
    for (float fs : {8000.0f, 44100.0f, 384000.0f, 3072000.0f})
        for (float f : {10.0f, 20.0f, 0.45f * fs})
            for (float q : {0.5097956f, 6.3727474f})
                for (SectionResponse r : {SectionResponse::lowpass, SectionResponse::highpass,
                                          SectionResponse::allpass}) {
                    StateVariableSection s(r);
                    tune(s, f, fs, q);
                    std::mt19937 rng(7);
                    std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
                    float peak = 0;
                    for (int i = 0; i < 100000; ++i) {
                        const float a = std::fabs(s.getNextSample(noise(rng)));
                        if (!(a <= peak)) peak = a;  // a NaN sticks
                    }
                    EXPECT_LT(peak, 1e3f) << f << " Hz at " << fs << ", Q " << q;
                }
}

}  // namespace
