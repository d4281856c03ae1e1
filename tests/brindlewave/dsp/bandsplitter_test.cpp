#include "brindlewave/dsp/bandsplitter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include "../../audiofx/filter/response_probe.h"
#include "../crossoversets.h"
#include "alloc_probe.h"
#include "rigging/core/fpcontrol.h"

namespace {

using brindlewave::BandSplitter;

using brindlewave::testing::kDefaultCrossovers;
const std::vector<float>& defaultCrossovers = kDefaultCrossovers;

void tune(BandSplitter& s, const std::vector<float>& xo, int bands, float rate) {
    s.setSampleRate(rate);
    s.updateCrossovers(xo, bands, rate);
}

// Worst deviation of the band sum from 0 dB over 20 Hz .. 20 kHz, the splitter run at `rate`
// under the floating-point state of the audio thread.
double bandSumDeviationDb(const std::vector<float>& xo, int bands, float rate) {
    rigging::FPScope fp;
    BandSplitter s;
    tune(s, xo, bands, rate);
    const auto h = response_probe::impulseResponseUntilQuiet(
        [&](float x) {
            const float* v = s.split(x);
            float sum = v[0];
            for (int b = 1; b < bands; ++b) sum += v[b];
            return sum;
        },
        std::size_t(rate / 20), std::size_t(rate * 3));
    return response_probe::worstDeviationDb(response_probe::spectrumOf(h, rate), 20.0, 20000.0);
}

// Default crossovers, then random sets at or above rate / 200, some out of order, some with
// equal neighbours.
TEST(BandSumTest, TwoThreeFourBandsSumFlat) {
    std::vector<std::vector<float>> sets = {defaultCrossovers};
    std::mt19937 rng(2024);
    std::uniform_real_distribution<float> octave(std::log2(44100.0f / 200), std::log2(20000.0f));
    for (int trial = 0; trial < 12; ++trial) {
        std::vector<float> xo(3);
        for (float& f : xo) f = std::exp2(octave(rng));
        if (trial % 3 == 1) xo[2] = xo[1];
        if (trial % 4 == 2) std::swap(xo[0], xo[1]);
        sets.push_back(xo);
    }
    for (const auto& xo : sets)
        for (int bands = 2; bands <= 4; ++bands)
            EXPECT_LT(bandSumDeviationDb(xo, bands, 44100.0f), 0.01)
                << bands << " bands: " << xo[0] << " " << xo[1] << " " << xo[2];
}

// Every internal rate the engine runs (host rates 44.1 to 384 kHz, oversampled 1 to 8 times), with
// the default crossovers and random ones down to 20 Hz: the sections hold their poles however far
// below the rate a crossover lies.
TEST(BandSumTest, FlatAtEveryInternalRate) {
    std::mt19937 rng(12);
    int trial = 0;
    std::vector<float> rates;
    for (float host : {44100.0f, 48000.0f, 96000.0f, 192000.0f, 384000.0f})
        for (int factor : {1, 2, 4, 8})
            if (std::find(rates.begin(), rates.end(), host * factor) == rates.end())
                rates.push_back(host * factor);
    double worstDefault = 0, worstRandom = 0;
    for (float rate : rates)
        for (int bands = 2; bands <= 4; ++bands) {
            std::vector<std::vector<float>> sets = {defaultCrossovers};
            for (int k = 0; k < (brindlewave::testing::kSanitizedBuild ? 1 : 2); ++k)
                sets.push_back(brindlewave::testing::randomCrossovers(rng, trial++));
            for (std::size_t k = 0; k < sets.size(); ++k) {
                const auto& xo = sets[k];
                const double dev = bandSumDeviationDb(xo, bands, rate);
                double& worst = k == 0 ? worstDefault : worstRandom;
                worst = std::max(worst, dev);
                EXPECT_LT(dev, 0.02) << rate << " Hz, " << bands << " bands: " << xo[0] << " "
                                     << xo[1] << " " << xo[2];
            }
        }
    std::printf(
        "splitter band sum, worst over %zu internal rates: default crossovers %.5f dB, "
        "random sets %.5f dB\n",
        rates.size(), worstDefault, worstRandom);
}

double bandPower(BandSplitter& s, int band, float freq) {
    double p = 0;
    for (int i = 0; i < 20000; ++i) {
        const float* v = s.split(std::sin(2.0 * M_PI * freq * i / 48000.0));
        if (i >= 10000) p += double(v[band]) * v[band];
    }
    return p / 10000;
}

TEST(BandRoutingTest, BandsCarryTheirRangeMisorderedOrEqualCrossoversEmptyTheMiddle) {
    const float mid[] = {50.0f, 260.0f, 1500.0f, 9000.0f};
    for (int b = 0; b < 4; ++b) {
        BandSplitter s;
        tune(s, defaultCrossovers, 4, 48000.0f);
        EXPECT_NEAR(bandPower(s, b, mid[b]), 0.5, 0.02) << b;
    }
    BandSplitter swapped, equal;
    tune(swapped, {2000.0f, 500.0f, 8000.0f}, 3, 48000.0f);
    tune(equal, {1000.0f, 1000.0f, 8000.0f}, 3, 48000.0f);
    for (float f : {300.0f, 3000.0f}) {
        EXPECT_LT(bandPower(swapped, 1, f), 1e-3) << f;
        EXPECT_LT(bandPower(equal, 1, f), 1e-3) << f;
    }
}

// Any host rate from 8 kHz to 384 kHz, oversampled up to 8 times, with crossovers anywhere in
// the parameter range and beyond the section's Nyquist frequency.
TEST(BandStabilityTest, ExtremeRatesAndCrossoversStayBounded) {
    std::mt19937 rng(9);
    std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
    const std::vector<std::vector<float>> sets = {
        {20.0f, 20.0f, 20000.0f}, {20000.0f, 20.0f, 20000.0f}, {20.0f, 21.0f, 22.0f}};
    for (float rate : {8000.0f, 44100.0f, 384000.0f, 3072000.0f}) {
        for (const auto& xo : sets) {
            BandSplitter s;
            tune(s, xo, 4, rate);
            float peak = 0;
            for (int i = 0; i < 100000; ++i) {
                const float* v = s.split(noise(rng));
                for (int b = 0; b < 4; ++b)
                    if (!(std::fabs(v[b]) <= peak)) peak = std::fabs(v[b]);  // a NaN sticks
            }
            EXPECT_LT(peak, 10.0f) << rate << " " << xo[0];
        }
    }
}

// Neither splitting nor retuning to a new rate, band count and crossovers allocates.
TEST(BandSplitterAllocationTest, SplitAndRetuneAllocateNothing) {
    BandSplitter s;
    tune(s, defaultCrossovers, 2, 48000.0f);
    const float other[3] = {200.0f, 900.0f, 5000.0f};
    alloc_probe::Scope scope;
    for (int i = 0; i < 600; ++i) s.split(i % 5 == 0 ? 1.0f : -0.5f);
    s.setSampleRate(96000.0f);
    s.updateCrossovers(other, 4, 96000.0f);
    for (int i = 0; i < 600; ++i) s.split(i % 5 == 0 ? 1.0f : -0.5f);
    EXPECT_EQ(scope.allocations(), 0u);
}

using brindlewave::Band;

const std::span<const float> crossovers(defaultCrossovers);

// Whether the sections a band owns still hold delay state.
bool holdsState(const Band& b) {
    bool any = false;
    if (b.lowpass) any |= b.lowpass->section(0).s1 != 0.0f;
    if (b.highpass) any |= b.highpass->section(7).s1 != 0.0f;
    for (int j = 0; j < b.allpasses->size(); ++j) any |= (*b.allpasses)[j].section(0).s1 != 0.0f;
    return any;
}

// Runs a little signal, applies the settings, and reports which bands kept their state.
std::array<bool, 4> stateAfter(BandSplitter& s, const float* xo, int bands) {
    for (int i = 1; i < 500; ++i) s.split(i % 7 == 0 ? 1.0f : -0.25f);
    s.updateCrossovers({xo, 3}, bands, 48000.0f);
    return {holdsState(s.bands[0]), holdsState(s.bands[1]), holdsState(s.bands[2]),
            holdsState(s.bands[3])};
}

TEST(SplitterResetTest, CountChangeClearsAllCrossoverChangeClearsTheTwoBandsBesideIt) {
    BandSplitter s;
    s.setSampleRate(48000.0f);
    s.updateCrossovers(crossovers, 4, 48000.0f);
    using S = std::array<bool, 4>;
    EXPECT_EQ(stateAfter(s, crossovers.data(), 4), (S{true, true, true, true}));
    const float moved[3] = {112.46826f, 700.0f, 3556.5588f};
    EXPECT_EQ(stateAfter(s, moved, 4), (S{true, false, false, true}));
    const float movedFirst[3] = {150.0f, 700.0f, 3556.5588f};
    EXPECT_EQ(stateAfter(s, movedFirst, 4), (S{false, false, true, true}));
    EXPECT_EQ(stateAfter(s, movedFirst, 3), (S{false, false, false, false}));
    // With two bands the second crossover is still compared: moving it clears bands 1 and 2.
    stateAfter(s, movedFirst, 2);
    const float movedSecond[3] = {150.0f, 900.0f, 3556.5588f};
    EXPECT_EQ(stateAfter(s, movedSecond, 2), (S{true, false, false, false}));
}

// The splitter's reports of what it did to its sections, which a kernel that keeps the sections'
// state elsewhere follows: they must name every clear and every new coefficient, and nothing
// when nothing changed.
TEST(SplitterChangesTest, ReportsEveryClearAndRetuneAndNothingElse) {
    using Changes = BandSplitter::Changes;
    auto same = [](Changes a, Changes b) {
        return a.retuned == b.retuned && a.clearedBands == b.clearedBands &&
               a.clearedSplits == b.clearedSplits;
    };
    BandSplitter s;
    s.setSampleRate(48000.0f);
    s.updateCrossovers(crossovers, 4, 48000.0f);
    EXPECT_TRUE(same(s.takeChanges(), Changes{true, 0xF, 0}));
    s.updateCrossovers(crossovers, 4, 48000.0f);
    EXPECT_TRUE(same(s.takeChanges(), Changes{false, 0, 0}));
    const float moved[3] = {112.46826f, 700.0f, 3556.5588f};
    s.updateCrossovers({moved, 3}, 4, 48000.0f);
    EXPECT_TRUE(same(s.takeChanges(), Changes{true, 0x6, 0}));
    // Fewer bands use fewer sections, each at the frequency it had: no new coefficients.
    s.updateCrossovers({moved, 3}, 3, 48000.0f);
    EXPECT_TRUE(same(s.takeChanges(), Changes{false, 0xF, 0}));
    // A crossover beyond Nyquist is limited, so moving it further changes no coefficient, but it
    // still counts as moved and clears its two bands.
    const float high[3] = {112.46826f, 700.0f, 40000.0f},
                higher[3] = {112.46826f, 700.0f, 50000.0f};
    s.updateCrossovers({high, 3}, 4, 48000.0f);
    s.takeChanges();
    s.updateCrossovers({higher, 3}, 4, 48000.0f);
    EXPECT_TRUE(same(s.takeChanges(), Changes{false, 0xC, 0}));
    s.setSampleRate(96000.0f);
    s.updateCrossovers({higher, 3}, 4, 96000.0f);
    EXPECT_TRUE(same(s.takeChanges(), Changes{true, 0xF, 0}));
    // A rate given only to updateCrossovers reaches the low-passes and high-passes it tunes,
    // clearing them; the all-passes keep theirs.
    s.updateCrossovers({higher, 3}, 4, 88200.0f);
    EXPECT_TRUE(same(s.takeChanges(), Changes{true, 0, 0xF}));
    EXPECT_NE((*s.bands[0].allpasses)[0].section(0).sampleRate, 88200.0f);
}

TEST(SplitterRateTest, NewRateReachesAllpassesBeyondTheCurrentCount) {
    BandSplitter s;
    s.setSampleRate(44100.0f);
    s.updateCrossovers(crossovers, 2, 44100.0f);
    s.setSampleRate(96000.0f);
    s.updateCrossovers(crossovers, 4, 96000.0f);
    EXPECT_EQ((*s.bands[0].allpasses)[1].section(0).sampleRate, 96000.0f);
    EXPECT_EQ((*s.bands[1].allpasses)[0].section(3).sampleRate, 96000.0f);
}

}  // namespace
