#include <gtest/gtest.h>

#include <array>

#include "brindlewave/dsp/bandsplitter.h"

namespace {

using brindlewave::Band;
using brindlewave::BandSplitter;

const float crossovers[3] = {112.46826f, 632.4555f, 3556.5588f};

// Whether any section a band owns still holds delay state.
bool holdsState(const Band& b) {
    bool any = false;
    if (b.lowpass) any |= b.lowpass->firstHalf.section(0).w1 != 0.0f;
    if (b.highpass) any |= b.highpass->secondHalf.section(3).w1 != 0.0f;
    for (int j = 0; j < b.allpassCount; ++j) any |= (*b.allpasses)[j].section(0).w1 != 0.0f;
    return any;
}

std::array<bool, 4> stateAfter(BandSplitter& s, const float* xo, int bands) {
    for (int i = 1; i < 500; ++i) s.split(i % 7 == 0 ? 1.0f : -0.25f);
    s.updateCrossovers({xo, 3}, bands, 48000.0f);
    return {holdsState(s.bands[0]), holdsState(s.bands[1]), holdsState(s.bands[2]),
            holdsState(s.bands[3])};
}

BandSplitter& tuned(BandSplitter& s) {
    s.setSampleRate(48000.0f);
    s.updateCrossovers(crossovers, 4, 48000.0f);
    return s;
}

TEST(SplitterResetTest, BuiltForFourBandsWithTheSectionsEachBandNeeds) {
    BandSplitter s;
    EXPECT_EQ(s.activeBands, 4);
    const int allpasses[] = {2, 1, 0, 0};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(s.bands[i].allpasses->size(), allpasses[i]);
        EXPECT_EQ(s.bands[i].highpass != nullptr, i != 0);
        EXPECT_EQ(s.bands[i].lowpass != nullptr, i != 3);
    }
    EXPECT_TRUE(std::isnan(s.rememberedCrossovers[0]));
    EXPECT_TRUE(std::isnan(s.sampleRate));
}

TEST(SplitterResetTest, UnchangedSettingsKeepEveryState) {
    BandSplitter s;
    EXPECT_EQ(stateAfter(tuned(s), crossovers, 4), (std::array<bool, 4>{true, true, true, true}));
}

TEST(SplitterResetTest, BandCountChangeClearsEverySection) {
    BandSplitter s;
    tuned(s);
    for (int i = 0; i < 500; ++i) s.split(i % 5 == 0 ? 1.0f : 0.0f);
    s.updateCrossovers(crossovers, 3, 48000.0f);
    for (int b = 0; b < 4; ++b) {
        const Band& band = s.bands[b];
        if (band.lowpass) {
            EXPECT_EQ(band.lowpass->firstHalf.section(0).w1, 0.0f) << b;
        }
        if (band.highpass) {
            EXPECT_EQ(band.highpass->firstHalf.section(0).w1, 0.0f) << b;
        }
        for (int j = 0; j < band.allpasses->size(); ++j)
            EXPECT_EQ((*band.allpasses)[j].section(0).w1, 0.0f) << b;
    }
    EXPECT_EQ(s.bands[0].allpassCount, 1);
    EXPECT_EQ(s.bands[1].allpassCount, 0);
}

TEST(SplitterResetTest, CrossoverChangeClearsOnlyTheTwoBandsBesideIt) {
    BandSplitter s;
    const float moved[3] = {112.46826f, 700.0f, 3556.5588f};
    EXPECT_EQ(stateAfter(tuned(s), moved, 4), (std::array<bool, 4>{true, false, false, true}));
    const float movedFirst[3] = {150.0f, 700.0f, 3556.5588f};
    EXPECT_EQ(stateAfter(s, movedFirst, 4), (std::array<bool, 4>{false, false, true, true}));
}

TEST(SplitterResetTest, TwoBandsStillCompareTheSecondCrossover) {
    BandSplitter s;
    s.setSampleRate(48000.0f);
    s.updateCrossovers(crossovers, 2, 48000.0f);
    const float moved[3] = {112.46826f, 900.0f, 3556.5588f};
    for (int i = 1; i < 500; ++i) s.split(i % 7 == 0 ? 1.0f : -0.25f);
    ASSERT_TRUE(holdsState(s.bands[1]));
    s.updateCrossovers({moved, 3}, 2, 48000.0f);
    EXPECT_FALSE(holdsState(s.bands[1]));
    EXPECT_TRUE(holdsState(s.bands[0]));
}

TEST(SplitterRateTest, NewRateReachesAllpassesBeyondTheCurrentCount) {
    BandSplitter s;
    s.setSampleRate(44100.0f);
    s.updateCrossovers(crossovers, 2, 44100.0f);
    s.setSampleRate(96000.0f);
    s.updateCrossovers(crossovers, 2, 96000.0f);
    for (int b = 0; b < 2; ++b)
        for (int j = 0; j < s.bands[b].allpasses->size(); ++j)
            EXPECT_EQ((*s.bands[b].allpasses)[j].section(0).sampleRate, 96000.0f) << b << j;
    s.updateCrossovers(crossovers, 4, 96000.0f);
    EXPECT_EQ((*s.bands[0].allpasses)[1].sampleRate, 96000.0f);
    EXPECT_EQ((*s.bands[0].allpasses)[1].frequency, crossovers[2]);
}

TEST(SplitterRateTest, CrossoversBeyondNyquistAreHeldBelowIt) {
    BandSplitter s;
    s.setSampleRate(8000.0f);
    const float high[3] = {20000.0f, 20000.0f, 20000.0f};
    s.updateCrossovers(high, 4, 8000.0f);
    EXPECT_EQ(s.bands[0].lowpass->frequency, 0.45f * 8000.0f);
    EXPECT_EQ(s.bands[3].highpass->frequency, 0.45f * 8000.0f);
    EXPECT_EQ(s.rememberedCrossovers[0], 20000.0f);
}

}  // namespace
