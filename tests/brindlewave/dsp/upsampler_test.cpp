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

// Level in dB of a sine of frequency f after an upsample / decimate round trip, against the
// input's level, measured over the last half of two seconds.
double roundTripGainDb(int factor, float f, float rate) {
    Upsampler u;
    prepare(u, rate, factor);
    const int blocks = int(2 * rate / 512);
    std::vector<float> in(512);
    double pin = 0, pout = 0;
    long n = 0;
    for (int b = 0; b < blocks; ++b) {
        for (int i = 0; i < 512; ++i)
            in[i] = float(std::sin(2.0 * M_PI * f * double(n + i) / rate));
        u.upsample(in.data(), 512);
        u.decimate();
        if (b >= blocks / 2)
            for (int i = 0; i < 512; ++i) {
                pin += double(in[i]) * in[i];
                pout += double(u.decimatedBuffer()[i]) * u.decimatedBuffer()[i];
            }
        n += 512;
    }
    return 10.0 * std::log10(pout / pin);
}

TEST(OversamplerResponseTest, FullScaleKilohertzPassesAtUnchangedLevel) {
    for (int factor : {2, 4, 8}) EXPECT_NEAR(roundTripGainDb(factor, 1000.0f, 44100.0f), 0.0, 0.05);
}

TEST(OversamplerResponseTest, TwentyOneKilohertzIsAttenuated) {
    for (int factor : {2, 4, 8}) EXPECT_LT(roundTripGainDb(factor, 21000.0f, 44100.0f), -17.0);
}

TEST(OversamplerResponseTest, FactorOneCopiesExactly) {
    Upsampler u;
    prepare(u, 48000.0f, 1);
    std::vector<float> in(300);
    std::mt19937 rng(4);
    std::uniform_real_distribution<float> d(-1, 1);
    for (float& x : in) x = d(rng);
    u.upsample(in.data(), 300);
    u.decimate();
    for (int i = 0; i < 300; ++i) ASSERT_EQ(u.decimatedBuffer()[i], in[i]);
}

TEST(OversamplerBufferTest, FactorEightWithFullBlockFillsAllButTheLastSample) {
    Upsampler u;
    prepare(u, 44100.0f, 8);
    std::vector<float> in(512, 0.25f);
    u.upsample(in.data(), 512);
    EXPECT_EQ(u.oversampledLength(), 4096);
    for (int i = 0; i < 4096; ++i) ASSERT_TRUE(std::isfinite(u.oversampledBuffer()[i])) << i;
    EXPECT_TRUE(std::isnan(u.oversampledBuffer()[4096]));
    // A longer block is cut to the maximum instead of writing past the buffer.
    std::vector<float> longer(600, 0.25f);
    u.upsample(longer.data(), 600);
    EXPECT_EQ(u.frames, 512);
}

TEST(OversamplerTuningTest, FactorTwoAtCdRate) {
    Upsampler u;
    prepare(u, 44100.0f, 2);
    EXPECT_EQ(u.upsamplingFilter->sampleRate, 88200.0f);
    EXPECT_EQ(u.decimationFilter->sampleRate, 88200.0f);
    EXPECT_EQ(u.upsamplingFilter->frequency, 20050.0f);
    EXPECT_EQ(u.decimationFilter->frequency, 20050.0f);
    u.setFactor(16);  // beyond the maximum: ignored
    EXPECT_EQ(u.factor, 2);
    u.setFactor(0);
    EXPECT_EQ(u.factor, 2);
}

TEST(OversamplerTuningTest, HostRateChangeRetunesBothFilters) {
    Upsampler u;
    prepare(u, 44100.0f, 4);
    u.setSampleRate(48000.0f);
    EXPECT_EQ(u.oversampledRate, 192000.0f);
    EXPECT_EQ(u.decimationFilter->sampleRate, 192000.0f);
    EXPECT_EQ(u.upsamplingFilter->frequency, 22000.0f);
    EXPECT_NEAR(roundTripGainDb(4, 1000.0f, 48000.0f), 0.0, 0.05);
}

TEST(OversamplerTuningTest, CutoffStaysPositiveAndStableAtLowRates) {
    EXPECT_EQ(Upsampler::cutoffFor(8000.0f), 2000.0f);
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
            for (int i = 0; i < 512; ++i) peak = std::max(peak, std::fabs(u.decimatedBuffer()[i]));
        }
        EXPECT_TRUE(std::isfinite(peak)) << rate;
        EXPECT_LT(peak, 10.0f) << rate;
    }
}

TEST(OversamplerBufferTest, ProcessingAndRetuningAllocateNothing) {
    Upsampler u;
    prepare(u, 44100.0f, 2);
    std::vector<float> in(512, 0.5f);
    alloc_probe::Scope scope;
    for (int factor : {8, 4, 1, 2}) {
        u.setFactor(factor);
        u.upsample(in.data(), 512);
        u.decimate();
    }
    u.setSampleRate(96000.0f);
    EXPECT_EQ(scope.allocations(), 0u);
}

}  // namespace
