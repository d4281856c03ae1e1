#include "brindlewave/dsp/bandsplitter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include "../../audiofx/filter/response_probe.h"
#include "alloc_probe.h"

namespace {

using brindlewave::BandSplitter;

const std::vector<float> defaultCrossovers = {112.46826f, 632.4555f, 3556.5588f};

void tune(BandSplitter& s, const std::vector<float>& xo, int bands, float rate) {
    s.setSampleRate(rate);
    s.updateCrossovers(xo, bands, rate);
}

std::vector<float> bandSumResponse(BandSplitter& s, std::size_t length) {
    return response_probe::impulseResponse(
        [&](float x) {
            const float* v = s.split(x);
            float sum = 0;
            for (int b = 0; b < s.activeBands; ++b) sum += v[b];
            return sum;
        },
        length);
}

double bandSumDeviationDb(const std::vector<float>& xo, int bands, float rate) {
    BandSplitter s;
    tune(s, xo, bands, rate);
    const auto h = bandSumResponse(s, 1 << 16);
    return response_probe::worstDeviationDb(h, rate, response_probe::logFrequencies(20, 20000, 80));
}

TEST(BandSumTest, DefaultCrossoversSumFlatForTwoThreeFourBands) {
    for (int bands = 2; bands <= 4; ++bands)
        EXPECT_LT(bandSumDeviationDb(defaultCrossovers, bands, 44100.0f), 0.01) << bands;
}

// Random sets at or above rate / 200, some out of order, some with equal neighbours.
TEST(BandSumTest, RandomCrossoverSetsSumFlat) {
    const float rate = 44100.0f;
    std::mt19937 rng(2024);
    std::uniform_real_distribution<float> octave(std::log2(rate / 200.0f), std::log2(20000.0f));
    for (int trial = 0; trial < 12; ++trial) {
        std::vector<float> xo(3);
        for (float& f : xo) f = std::exp2(octave(rng));
        if (trial % 3 == 1) xo[2] = xo[1];
        if (trial % 4 == 2) std::swap(xo[0], xo[1]);
        for (int bands = 2; bands <= 4; ++bands)
            EXPECT_LT(bandSumDeviationDb(xo, bands, rate), 0.01)
                << bands << " bands: " << xo[0] << " " << xo[1] << " " << xo[2];
    }
}

// Single-precision coefficients lose accuracy when a crossover sits far below the section rate;
// these numbers go into the project notes.
TEST(BandSumTest, HighSectionRatesStayWithinTenthsOfADecibel) {
    for (float rate : {96000.0f, 384000.0f}) {
        for (int bands = 2; bands <= 4; ++bands) {
            const double dev = bandSumDeviationDb(defaultCrossovers, bands, rate);
            std::printf("band sum, default crossovers, %d bands at %.0f Hz: %.4f dB\n", bands, rate,
                        dev);
            EXPECT_LT(dev, 1.0);
        }
    }
}

double bandPower(BandSplitter& s, int band, float freq, float rate) {
    double p = 0;
    for (int i = 0; i < 20000; ++i) {
        const float* v = s.split(std::sin(2.0 * M_PI * freq * i / rate));
        if (i >= 10000) p += double(v[band]) * v[band];
    }
    return p / 10000;
}

TEST(BandRoutingTest, EachBandCarriesItsOwnRange) {
    const float mid[] = {50.0f, 260.0f, 1500.0f, 9000.0f};
    for (int b = 0; b < 4; ++b) {
        BandSplitter s;
        tune(s, defaultCrossovers, 4, 48000.0f);
        EXPECT_NEAR(bandPower(s, b, mid[b], 48000.0f), 0.5, 0.02) << b;
    }
}

TEST(BandRoutingTest, OutOfOrderCrossoversLeaveTheMiddleBandNearlyEmpty) {
    BandSplitter s;
    tune(s, {2000.0f, 500.0f, 8000.0f}, 3, 48000.0f);
    for (float f : {300.0f, 1000.0f, 3000.0f}) EXPECT_LT(bandPower(s, 1, f, 48000.0f), 1e-3) << f;
    BandSplitter eq;
    tune(eq, {1000.0f, 1000.0f, 8000.0f}, 3, 48000.0f);
    for (float f : {300.0f, 3000.0f}) EXPECT_LT(bandPower(eq, 1, f, 48000.0f), 1e-3) << f;
    // At the shared crossover itself the band is a low-pass times a high-pass: -12 dB.
    EXPECT_NEAR(bandPower(eq, 1, 1000.0f, 48000.0f), 0.5 / 16, 0.005);
}

// Any host rate from 8 kHz to 384 kHz, oversampled up to 8 times, with crossovers anywhere in
// the parameter range and beyond the section's Nyquist frequency.
TEST(BandStabilityTest, ExtremeRatesAndCrossoversStayFinite) {
    std::mt19937 rng(9);
    std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
    const std::vector<std::vector<float>> sets = {
        {20.0f, 20.0f, 20000.0f}, {20000.0f, 20.0f, 20000.0f}, {20.0f, 21.0f, 22.0f}};
    for (float rate : {8000.0f, 44100.0f, 384000.0f, 3072000.0f}) {
        for (const auto& xo : sets) {
            BandSplitter s;
            tune(s, xo, 4, rate);
            double peak = 0;
            for (int i = 0; i < 100000; ++i) {
                const float* v = s.split(noise(rng));
                for (int b = 0; b < 4; ++b) peak = std::max(peak, double(std::fabs(v[b])));
            }
            EXPECT_TRUE(std::isfinite(peak)) << rate << " " << xo[0];
            EXPECT_LT(peak, 10.0) << rate << " " << xo[0];
        }
    }
}

TEST(BandStabilityTest, SplitAndRetuningAllocateNothing) {
    BandSplitter s;
    tune(s, defaultCrossovers, 4, 44100.0f);
    const float other[3] = {200.0f, 900.0f, 5000.0f};
    alloc_probe::Scope scope;
    for (int i = 0; i < 1000; ++i) s.split(0.1f * i);
    s.updateCrossovers(other, 3, 44100.0f);
    s.setSampleRate(96000.0f);
    s.updateCrossovers(other, 4, 96000.0f);
    EXPECT_EQ(scope.allocations(), 0u);
}

}  // namespace

namespace {

// Block splitting must give exactly the samples of split, for every band count and for blocks
// shorter than the groups of sections it works in.
TEST(BandBlockTest, BlockSplitMatchesSampleSplitExactly) {
    std::mt19937 rng(12);
    std::uniform_real_distribution<float> d(-1.0f, 1.0f);
    for (int bands = 1; bands <= 4; ++bands) {
        BandSplitter a, b;
        tune(a, defaultCrossovers, bands, 48000.0f);
        tune(b, defaultCrossovers, bands, 48000.0f);
        std::vector<float> buf(4 * 600);
        float* out[4] = {&buf[0], &buf[600], &buf[1200], &buf[1800]};
        for (int n : {1, 2, 3, 5, 512, 7, 600}) {
            std::vector<float> in(n);
            for (float& x : in) x = d(rng);
            b.splitBlock(in.data(), out, n);
            for (int i = 0; i < n; ++i) {
                const float* v = a.split(in[i]);
                for (int k = 0; k < bands; ++k) ASSERT_EQ(out[k][i], v[k]) << bands << " " << n;
            }
        }
        for (int k = 0; k < bands; ++k) EXPECT_EQ(a.outputs[k], b.outputs[k]);
    }
}

}  // namespace
