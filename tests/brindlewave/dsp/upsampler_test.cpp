#include "brindlewave/dsp/upsampler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "alloc_probe.h"

namespace {

using brindlewave::Upsampler;

void prepare(Upsampler& u, float rate, int factor) {
    u.initialize(8, 512);
    u.setSampleRate(rate);
    u.setFactor(factor);
}

// Level in dB of a sine after two seconds of upsample / decimate round trips, against the
// input's level, over the second half.
double roundTripGainDb(Upsampler& u, float f, float rate) {
    const int blocks = int(2 * rate / 512);
    std::vector<float> in(512);
    double pin = 0, pout = 0;
    for (int b = 0; b < blocks; ++b) {
        for (int i = 0; i < 512; ++i)
            in[i] = float(std::sin(2.0 * M_PI * f * double(b * 512 + i) / rate));
        u.upsample(in.data(), 512);
        u.decimate();
        for (int i = 0; b >= blocks / 2 && i < 512; ++i) {
            pin += double(in[i]) * in[i];
            pout += double(u.decimatedBuffer()[i]) * u.decimatedBuffer()[i];
        }
    }
    return 10.0 * std::log10(pout / pin);
}

// Re-initialising with a smaller maximum must neither keep the old factor (the buffer would
// overflow) nor leave the new filters untuned because the old settings look unchanged.
TEST(OversamplerResponseTest, ReinitialisedOversamplerRetunesAndFitsItsNewBuffer) {
    Upsampler u;
    prepare(u, 44100.0f, 8);
    u.initialize(2, 512);
    u.upsample(std::vector<float>(512, 0.5f).data(), 512);
    EXPECT_EQ(u.oversampledLength(), 512);
    u.setSampleRate(44100.0f);
    u.setFactor(2);
    EXPECT_NEAR(roundTripGainDb(u, 1000.0f, 44100.0f), 0.0, 0.05);
    EXPECT_EQ(u.oversampledLength(), 1024);
}

TEST(OversamplerResponseTest, KilohertzPassesTwentyOneKilohertzIsAttenuated) {
    for (int factor : {2, 4, 8}) {
        Upsampler a, b;
        prepare(a, 44100.0f, factor);
        prepare(b, 44100.0f, factor);
        EXPECT_NEAR(roundTripGainDb(a, 1000.0f, 44100.0f), 0.0, 0.05) << factor;
        EXPECT_LT(roundTripGainDb(b, 21000.0f, 44100.0f), -17.0) << factor;
    }
}

TEST(OversamplerBufferTest, FactorEightFullBlockFillsAllButTheLastSampleWithoutAllocating) {
    Upsampler u;
    prepare(u, 44100.0f, 8);
    std::vector<float> in(600, 0.25f);
    alloc_probe::Scope scope;
    u.upsample(in.data(), 512);
    EXPECT_EQ(u.oversampledLength(), 4096);
    for (int i = 0; i < 4096; ++i) ASSERT_TRUE(std::isfinite(u.oversampledBuffer()[i])) << i;
    EXPECT_TRUE(std::isnan(u.oversampledBuffer()[4096]));
    u.upsample(in.data(), 600);  // cut to the maximum instead of writing past the buffer
    EXPECT_EQ(u.frames, 512);
    for (int factor : {4, 1, 2}) {
        u.setFactor(factor);
        u.upsample(in.data(), 512);
        u.decimate();
    }
    u.setFactor(1);
    in[7] = -0.5f;
    u.upsample(in.data(), 300);
    u.decimate();
    for (int i = 0; i < 300; ++i) ASSERT_EQ(u.decimatedBuffer()[i], in[i]);  // F = 1 copies
    u.setSampleRate(96000.0f);
    EXPECT_EQ(scope.allocations(), 0u);
}

TEST(OversamplerTuningTest, FactorAndHostRateChangesRetuneBothFilters) {
    Upsampler u;
    prepare(u, 44100.0f, 2);
    EXPECT_EQ(u.decimationFilter->sampleRate, 88200.0f);
    EXPECT_EQ(u.upsamplingFilter->frequency, 20050.0f);
    u.setFactor(16);  // beyond the maximum: ignored
    EXPECT_EQ(u.factor, 2);
    u.setFactor(4);
    u.setSampleRate(48000.0f);
    EXPECT_EQ(u.upsamplingFilter->sampleRate, 192000.0f);
    EXPECT_EQ(u.decimationFilter->frequency, 22000.0f);
    EXPECT_NEAR(roundTripGainDb(u, 1000.0f, 48000.0f), 0.0, 0.05);
}

TEST(OversamplerTuningTest, CutoffStaysPositiveAndFiltersStableAtAnyRate) {
    EXPECT_EQ(Upsampler::cutoffFor(8000.0f), 3600.0f);
    EXPECT_GT(Upsampler::cutoffFor(3000.0f), 0.0f);
    for (float rate : {4000.0f, 8000.0f, 384000.0f}) {
        Upsampler u;
        prepare(u, rate, 8);
        std::vector<float> in(512);
        std::mt19937 rng(6);
        std::uniform_real_distribution<float> d(-1, 1);
        float peak = 0;
        for (int b = 0; b < 50; ++b) {
            for (float& x : in) x = d(rng);
            u.upsample(in.data(), 512);
            u.decimate();
            for (int i = 0; i < 512; ++i) {
                const float a = std::fabs(u.decimatedBuffer()[i]);
                if (!(a <= peak)) peak = a;  // a NaN sticks
            }
        }
        EXPECT_LT(peak, 10.0f) << rate;
    }
}

}  // namespace
