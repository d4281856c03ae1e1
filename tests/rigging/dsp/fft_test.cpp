// The spectrum analyser: segmenting, scaling, zero phase, and allocation-free feeding.

#include "rigging/dsp/fft.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "alloc_probe.h"

namespace {

using rigging::FFTAnalyzer;
using rigging::WindowDesc;

const WindowDesc kEngineWindow(rigging::WindowType::hann, rigging::WindowAlignment::left, NAN);

struct FeedResult {
    int frames = 0;
    std::vector<std::complex<float>> bins;  // the last spectrum
};

template <class Signal>
FeedResult feed(FFTAnalyzer& a, int samples, Signal x) {
    FeedResult r;
    r.bins.assign(a.fftSize() / 2 + 1, {NAN, NAN});
    for (int i = 0; i < samples; ++i) r.frames += a.feed(x(i), r.bins.data());
    return r;
}
float zero(int) {
    return 0.0f;
}

TEST(FFTAnalyzerSetup, ScaleAndRefusedConfigurations) {
    FFTAnalyzer a;
    ASSERT_TRUE(a.initialize(1024, 4096, 1024, kEngineWindow, true));
    EXPECT_NEAR(a.scale(), 8.0f, 1e-5);  // Hann sum 512

    // Each of these would move samples outside a buffer.
    EXPECT_FALSE(a.initialize(1024, 512, 256, WindowDesc(), false));
    EXPECT_FALSE(a.initialize(1000, 3000, 100, WindowDesc(), false));
    EXPECT_FALSE(a.initialize(64, 128, 65, WindowDesc(), false));
    EXPECT_FALSE(a.initialize(0, 128, 0, WindowDesc(), false));
    EXPECT_EQ(feed(a, 5000, zero).frames, 0);  // inert after a refusal
}

TEST(FFTAnalyzerSetup, HopDecidesHowOftenSpectraComeOut) {
    FFTAnalyzer a;
    ASSERT_TRUE(a.initialize(16, 32, 4, WindowDesc(), false));
    EXPECT_EQ(feed(a, 15, zero).frames, 0);
    EXPECT_EQ(feed(a, 1, zero).frames, 1);
    EXPECT_EQ(feed(a, 12, zero).frames, 3);
    ASSERT_TRUE(a.initialize(16, 32, 0, WindowDesc(), false));  // 0 acts as 1
    EXPECT_EQ(feed(a, 20, zero).frames, 5);
}

TEST(FFTAnalyzerSpectrum, ConstantGivesTheScaledWindowSumAtDc) {
    for (bool zeroPhase : {false, true}) {
        FFTAnalyzer a;
        ASSERT_TRUE(a.initialize(1024, 4096, 512, kEngineWindow, zeroPhase));
        FeedResult r = feed(a, 1024, [](int) { return 1.0f; });
        ASSERT_EQ(r.frames, 1);
        EXPECT_NEAR(r.bins[0].real(), 4096.0f * 512 / 1024, 0.05);  // fftSize * period / window
        EXPECT_EQ(r.bins[0].imag(), 0.0f);
        EXPECT_EQ(r.bins[2048].imag(), 0.0f);
        if (zeroPhase) {  // the window is symmetric about index 0: a real spectrum
            for (std::size_t k = 0; k < r.bins.size(); ++k) ASSERT_NEAR(r.bins[k].imag(), 0, 1e-3);
        }
    }
}

TEST(FFTAnalyzerSpectrum, SinePeaksAtItsBinWithHalfTheDcGain) {
    const float rate = 48000, amplitude = 0.25f;
    const int peak = 400;  // 100 whole cycles in a 1024-sample segment
    const double freq = rigging::convertFFTBinToFrequency(peak, 4096, rate);
    FFTAnalyzer a;
    ASSERT_TRUE(a.initialize(1024, 4096, 1024, kEngineWindow, true));
    FeedResult r = feed(a, 3000, [&](int i) {
        return amplitude * float(std::sin(2 * std::numbers::pi * freq * i / rate));
    });
    ASSERT_EQ(r.frames, 2);
    std::size_t best = 0;
    for (std::size_t k = 0; k < r.bins.size(); ++k)
        if (std::abs(r.bins[k]) > std::abs(r.bins[best])) best = k;
    EXPECT_EQ(best, std::size_t(peak));
    EXPECT_NEAR(std::abs(r.bins[peak]), amplitude / 2 * 4096, 0.01 * amplitude * 4096);
    EXPECT_LT(std::abs(r.bins[peak + 8]), 1e-3 * std::abs(r.bins[peak]));
}

TEST(FFTAnalyzerSpectrum, ZeroPhasePutsTheCentreSampleAtTimeZero) {
    // An impulse on the centre sample: flat and real with zero phase, a linear phase without.
    for (bool zeroPhase : {false, true}) {
        FFTAnalyzer a;
        ASSERT_TRUE(a.initialize(8, 16, 8, WindowDesc(), zeroPhase));
        FeedResult r = feed(a, 8, [](int i) { return i == 3 ? 1.0f : 0.0f; });
        for (int k = 0; k <= 8; ++k) {
            double phase = zeroPhase ? 0.0 : -2 * std::numbers::pi * 3 * k / 16;
            std::complex<double> want = std::polar(double(a.scale()), phase);
            EXPECT_NEAR(std::abs(std::complex<double>(r.bins[k]) - want), 0, 1e-5) << k;
        }
    }
}

TEST(FFTAnalyzerSpectrum, BinFrequency) {
    EXPECT_EQ(rigging::convertFFTBinToFrequency(2048, 4096, 48000), 24000.0f);
    EXPECT_FLOAT_EQ(rigging::convertFFTBinToFrequency(1, 4096, 44100), 44100.0f / 4096);
}

TEST(FFTAnalyzerRealtime, FeedAllocatesNothing) {
    FFTAnalyzer a;
    ASSERT_TRUE(a.initialize(1024, 4096, 256, kEngineWindow, true));
    std::vector<std::complex<float>> bins(2049);
    int frames = 0;
    alloc_probe::Scope probe;
    for (int i = 0; i < 5000; ++i) frames += a.feed(std::sin(0.01f * i), bins.data());
    EXPECT_EQ(probe.allocations(), 0u);
    EXPECT_EQ(frames, 16);
}

}  // namespace
