// Analysing only when asked gives the bins that feeding the analyser every sample gives.

#include "brindlewave/dsp/segmentbuffer.h"

#include <gtest/gtest.h>

#include <complex>
#include <vector>

#include "testsignal.h"

namespace brindlewave {
namespace {

rigging::WindowDesc hann() {
    return rigging::WindowDesc(rigging::WindowType::hann, rigging::WindowAlignment::left, 0.0f);
}

TEST(SegmentBuffer, HandsOutTheBinsOfContinuousAnalysis) {
    constexpr int N = 1024;
    const render::AudioBuffer noise = render::makeNoise(1, 5 * N + 300, 48000, -6, 21);
    rigging::FFTAnalyzer continuous, deferred;
    continuous.initialize(N, 4 * N, N, hann(), true);
    deferred.initialize(N, 4 * N, N, hann(), true);
    SegmentBuffer buffer;
    buffer.initialize(N);
    std::vector<std::complex<float>> expected(2 * N + 1), bins(2 * N + 1);

    // Nothing complete yet: the bins stay as they are.
    for (int i = 0; i < 700; ++i) {
        continuous.feed(noise.channels[0][i], expected.data());
        buffer.push(noise.channels[0][i]);
    }
    buffer.analyse(deferred, bins.data());
    EXPECT_EQ(bins, std::vector<std::complex<float>>(2 * N + 1));

    // Asked at odd moments, several segments apart.
    int pos = 700;
    for (int stop : {N + 5, 3 * N + 999, 5 * N + 300}) {
        for (; pos < stop; ++pos) {
            continuous.feed(noise.channels[0][pos], expected.data());
            buffer.push(noise.channels[0][pos]);
        }
        buffer.analyse(deferred, bins.data());
        EXPECT_EQ(bins, expected) << stop;
        buffer.analyse(deferred, bins.data());  // nothing new: unchanged
        EXPECT_EQ(bins, expected);
    }
}

}  // namespace
}  // namespace brindlewave
