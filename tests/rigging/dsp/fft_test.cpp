// The spectrum analyser: segmenting, scaling, zero phase, and allocation-free feeding.

#include "rigging/dsp/fft.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

#include "alloc_probe.h"

namespace {

using rigging::FFTAnalyzer;
using rigging::WindowAlignment;
using rigging::WindowDesc;
using rigging::WindowType;

const WindowDesc kEngineWindow(WindowType::hann, WindowAlignment::left, NAN);

struct FeedResult {
    int frames = 0;
    std::vector<std::complex<float>> bins;
};

// Feeds n samples of f(i); keeps the last spectrum.
template <class F>
FeedResult feedAll(FFTAnalyzer& a, int n, F f) {
    FeedResult r;
    r.bins.assign(a.fftSize() / 2 + 1, {NAN, NAN});
    for (int i = 0; i < n; ++i) r.frames += a.feed(f(i), r.bins.data());
    return r;
}

TEST(FFTAnalyzerSetup, EngineConfigurationScale) {
    FFTAnalyzer a;
    ASSERT_TRUE(a.initialize(1024, 4096, 1024, kEngineWindow, true));
    float sum = 0;
    for (int n = 0; n < 1024; ++n) sum += a.window()[n];
    EXPECT_NEAR(sum, 512.0f, 1e-3);
    EXPECT_NEAR(a.scale(), 8.0f, 1e-5);
}

TEST(FFTAnalyzerSetup, RefusesConfigurationsThatWouldOverrunBuffers) {
    FFTAnalyzer a;
    const WindowDesc rect;
    EXPECT_FALSE(a.initialize(1024, 512, 256, rect, false));   // segment longer than transform
    EXPECT_FALSE(a.initialize(1000, 3000, 100, rect, false));  // not a power of two
    EXPECT_FALSE(a.initialize(64, 128, 65, rect, false));      // hop longer than segment
    EXPECT_FALSE(a.initialize(0, 128, 0, rect, false));
    std::complex<float> bin;
    EXPECT_FALSE(a.feed(1.0f, &bin));  // inert

    // A valid configuration afterwards works, and a refused one makes it inert again.
    ASSERT_TRUE(a.initialize(4, 8, 4, rect, false));
    EXPECT_EQ(feedAll(a, 8, [](int) { return 1.0f; }).frames, 2);
    EXPECT_FALSE(a.initialize(16, 8, 4, rect, false));
    EXPECT_FALSE(a.feed(1.0f, &bin));
}

TEST(FFTAnalyzerSegments, HopDecidesHowOftenSpectraComeOut) {
    FFTAnalyzer a;
    ASSERT_TRUE(a.initialize(16, 32, 4, WindowDesc(), false));
    EXPECT_EQ(feedAll(a, 15, [](int) { return 0.0f; }).frames, 0);
    EXPECT_EQ(feedAll(a, 1, [](int) { return 0.0f; }).frames, 1);  // 16th sample
    EXPECT_EQ(feedAll(a, 12, [](int) { return 0.0f; }).frames, 3);

    // Period 0 acts as 1: after the first segment every sample completes one.
    ASSERT_TRUE(a.initialize(16, 32, 0, WindowDesc(), false));
    EXPECT_EQ(a.analysisPeriod(), 1);
    EXPECT_EQ(feedAll(a, 20, [](int) { return 0.0f; }).frames, 5);
}

TEST(FFTAnalyzerSpectrum, ConstantGivesScaledSumAtDc) {
    for (bool zeroPhase : {false, true}) {
        FFTAnalyzer a;
        ASSERT_TRUE(a.initialize(1024, 4096, 512, kEngineWindow, zeroPhase));
        FeedResult r = feedAll(a, 1024, [](int) { return 1.0f; });
        ASSERT_EQ(r.frames, 1);
        // Sum of window*scale = fftSize * period / windowSize.
        EXPECT_NEAR(r.bins[0].real(), 4096.0f * 512 / 1024, 0.05) << zeroPhase;
        EXPECT_EQ(r.bins[0].imag(), 0.0f);
        EXPECT_EQ(r.bins[2048].imag(), 0.0f);
        if (zeroPhase) {  // a symmetric window around index 0 has a real spectrum
            for (std::size_t k = 0; k < r.bins.size(); ++k)
                ASSERT_NEAR(r.bins[k].imag(), 0.0f, 1e-3) << k;
        }
    }
}

TEST(FFTAnalyzerSpectrum, SinePeaksAtItsBinWithHalfTheDcGain) {
    const float rate = 48000, amplitude = 0.25f;
    const int peak = 400;  // 100 whole cycles per 1024-sample segment
    const double freq = rigging::convertFFTBinToFrequency(peak, 4096, rate);
    FFTAnalyzer a;
    ASSERT_TRUE(a.initialize(1024, 4096, 1024, kEngineWindow, true));
    FeedResult r = feedAll(a, 3000, [&](int i) {
        return amplitude * static_cast<float>(std::sin(2 * std::numbers::pi * freq * i / rate));
    });
    ASSERT_EQ(r.frames, 2);
    std::size_t best = 0;
    for (std::size_t k = 0; k < r.bins.size(); ++k)
        if (std::abs(r.bins[k]) > std::abs(r.bins[best])) best = k;
    EXPECT_EQ(best, static_cast<std::size_t>(peak));
    // amplitude/2 times the DC gain fftSize * period / windowSize.
    EXPECT_NEAR(std::abs(r.bins[peak]), amplitude / 2 * 4096, 0.01 * amplitude * 4096);
    EXPECT_LT(std::abs(r.bins[peak + 8]), 1e-3 * std::abs(r.bins[peak]));
}

TEST(FFTAnalyzerSpectrum, ZeroPhasePutsTheCentreSampleAtTimeZero) {
    // An impulse on the centre sample: flat and real with zero phase, a linear phase without.
    for (bool zeroPhase : {false, true}) {
        FFTAnalyzer a;
        ASSERT_TRUE(a.initialize(8, 16, 8, WindowDesc(), zeroPhase));
        FeedResult r = feedAll(a, 8, [](int i) { return i == 3 ? 1.0f : 0.0f; });
        const double s = a.scale();  // rectangular: 16/8 = 2
        for (int k = 0; k <= 8; ++k) {
            std::complex<double> want =
                zeroPhase ? std::complex<double>(s, 0)
                          : s * std::polar(1.0, -2 * std::numbers::pi * 3 * k / 16);
            if (k == 0 || k == 8) want = {want.real(), 0};
            EXPECT_NEAR(r.bins[k].real(), want.real(), 1e-5) << zeroPhase << " " << k;
            EXPECT_NEAR(r.bins[k].imag(), want.imag(), 1e-5) << zeroPhase << " " << k;
        }
    }
}

TEST(FFTAnalyzerSpectrum, BinFrequency) {
    EXPECT_EQ(rigging::convertFFTBinToFrequency(2048, 4096, 48000), 24000.0f);
    EXPECT_EQ(rigging::convertFFTBinToFrequency(0, 4096, 44100), 0.0f);
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
