#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "allpass.h"
#include "audiofx/filter/butterworthq.h"
#include "audiofx/filter/lowpass.h"
#include "highpass.h"
#include "response_probe.h"
#include "rigging/core/nogc.h"

namespace {

using namespace audiofx;

TEST(ButterworthQTest, TablesForEveryOrderInUse) {
    const std::vector<std::vector<float>> want = {
        {},
        {},
        {0.70710677f},
        {0.57735026f},  // odd order: the real pole is left out
        {0.5411961f, 1.306563f},
        {0.5097956f, 0.60134489f, 0.89997619f, 2.5629156f},
        {0.5015461f, 0.5142076f, 0.5411961f, 0.5864139f, 0.6575435f, 0.7698845f, 0.9569404f,
         1.306563f, 2.1418288f, 6.3727474f}};
    const int orders[] = {0, 1, 2, 3, 4, 8, 20};
    for (int k = 0; k < 7; ++k) {
        std::span<float> q = calculateQValuesForButterworth(orders[k]);
        ASSERT_EQ(q.size(), want[k].size()) << orders[k];
        for (std::size_t i = 0; i < q.size(); ++i) EXPECT_FLOAT_EQ(q[i], want[k][i]);
        rigging::freeSlice(q);
    }
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
    EXPECT_NEAR(lp.beta, 0.0857864, 1e-6);  // 0.5 (1 - s) / (1 + s), s = 0.70710677
    EXPECT_NEAR(lp.gamma, 0.0, 1e-7);
    EXPECT_NEAR(lp.b1, 0.5f + lp.beta, 1e-7);
    EXPECT_EQ(lp.b0, lp.b1 / 2);
    EXPECT_NEAR(lp.a1, 0.0, 2e-7);
    EXPECT_EQ(lp.a2, 2 * lp.beta);
}

template <typename Filter>
double levelDb(Filter& f, double at, double fs) {
    auto h = response_probe::impulseResponse([&](float x) { return f.getNextSample(x); }, 8192);
    return response_probe::magnitudeDb(h, at, fs);
}

TEST(SecondOrderDesignsTest, CutoffLevels) {
    LowpassO2 lp;
    HighpassO2 hp;
    tune(lp, 1000.0f, 48000.0f, 0.70710677f);
    tune(hp, 1000.0f, 48000.0f, 0.70710677f);
    ButterworthLP bw;
    LinkwitzRileyLP lr;
    EXPECT_FALSE(lr.isInitialized());
    for (BiQuad* s : std::initializer_list<BiQuad*>{&bw, &lr}) {
        s->setSampleRate(48000.0f);
        s->setFrequency(1000.0f);
    }
    EXPECT_TRUE(lr.isInitialized());
    EXPECT_NEAR(levelDb(lp, 1000, 48000), -3.0103, 0.01);
    EXPECT_NEAR(levelDb(hp, 1000, 48000), -3.0103, 0.01);
    EXPECT_NEAR(levelDb(bw, 1000, 48000), -3.0103, 0.01);
    EXPECT_NEAR(levelDb(lr, 1000, 48000), -6.0206, 0.01);
}

TEST(AllpassTest, UnitGainAtDcAndFlatMagnitude) {
    for (float f : {30.0f, 1000.0f, 15000.0f}) {
        AllpassO2 ap2;
        AllpassO1 ap1;
        ap2.setSampleRate(44100.0f);
        ap2.setFrequency(f);
        ap1.setSampleRate(44100.0f);
        ap1.setFrequency(f);
        for (BiQuad* s : std::initializer_list<BiQuad*>{&ap2, &ap1}) {
            float y = 0;
            for (int i = 0; i < 200000; ++i) y = s->getNextSample(1.0f);
            EXPECT_NEAR(y, 1.0f, 1e-5) << f;
            s->reset();
            EXPECT_NEAR(levelDb(*s, f * 0.7, 44100), 0.0, 0.01) << f;
        }
    }
}

// Poles strictly inside the unit circle, judged exactly on the float coefficients, and a bounded
// answer to noise: from 10 Hz to 0.45 x rate, at host rates 8 kHz to 384 kHz oversampled up to 8
// times.
TEST(StabilityTest, QualitySectionsStayStableFromTenHertzToNearNyquist) {
    auto check = [](BiQuad& s, float f, float fs) {
        ASSERT_TRUE(std::fabs(double(s.a2)) < 1.0 && std::fabs(double(s.a1)) < 1.0 + s.a2)
            << f << " Hz at " << fs;
        std::mt19937 rng(7);
        std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
        float peak = 0;
        for (int i = 0; i < 100000; ++i) {
            const float a = std::fabs(s.getNextSample(noise(rng)));
            if (!(a <= peak)) peak = a;  // a NaN sticks
        }
        EXPECT_LT(peak, 1e4f) << f << " Hz at " << fs;
    };
    for (float fs : {8000.0f, 44100.0f, 384000.0f, 3072000.0f}) {
        for (float f : {10.0f, 20.0f, 0.45f * fs}) {
            for (float q : {0.5097956f, 6.3727474f}) {
                LowpassO2 lp;
                HighpassO2 hp;
                tune(lp, f, fs, q);
                tune(hp, f, fs, q);
                check(lp, f, fs);
                check(hp, f, fs);
            }
        }
    }
}

}  // namespace
