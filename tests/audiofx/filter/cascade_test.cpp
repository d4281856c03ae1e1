#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "audiofx/filter/allpass.h"
#include "audiofx/filter/highpass.h"
#include "audiofx/filter/lowpass.h"
#include "response_probe.h"

namespace {

using namespace audiofx;

std::vector<float> noise(int n, unsigned seed = 1) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> d(-1.0f, 1.0f);
    std::vector<float> v(n);
    for (float& x : v) x = d(rng);
    return v;
}

template <typename Effect>
void setup(Effect& e, float fs, float f) {
    e.setSampleRate(fs);
    e.setFrequency(f);
}

TEST(CascadeShapeTest, ButterworthOrderOnePassesInputUnchanged) {
    ButterworthLPNthOrder lp(1);
    ButterworthHPNthOrder hp(1);
    setup(lp, 44100.0f, 1000.0f);
    setup(hp, 44100.0f, 1000.0f);
    EXPECT_EQ(lp.sectionCount(), 0);
    for (float x : noise(64)) {
        EXPECT_EQ(lp.getNextSample(x), x);
        EXPECT_EQ(hp.getNextSample(x), x);
    }
}

TEST(CascadeShapeTest, ButterworthOrderThreeIsOneSectionOfQForOrderThree) {
    ButterworthLPNthOrder cascade(3);
    LowpassO2 single;
    setup(cascade, 44100.0f, 3000.0f);
    single.setSampleRate(44100.0f);
    single.setFrequency(3000.0f);
    single.setQualityFactor(0.57735026f);
    ASSERT_EQ(cascade.sectionCount(), 1);
    for (float x : noise(256)) EXPECT_EQ(cascade.getNextSample(x), single.getNextSample(x));
}

TEST(CascadeShapeTest, LinkwitzRileySixteenIsTwoButterworthEights) {
    LinkwitzRileyLPNthOrder lr(16);
    setup(lr, 48000.0f, 500.0f);
    ASSERT_EQ(lr.firstHalf.sectionCount(), 4);
    ASSERT_EQ(lr.secondHalf.sectionCount(), 4);
    const float q[] = {0.5097956f, 0.60134489f, 0.89997619f, 2.5629156f};
    for (int i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(lr.firstHalf.section(i).Q, q[i]);
        EXPECT_FLOAT_EQ(lr.secondHalf.section(i).Q, q[i]);
        EXPECT_EQ(lr.firstHalf.section(i).frequency, 500.0f);
    }
}

TEST(CascadeShapeTest, AllpassOddOrderRunsFirstOrderSectionFirst) {
    AllpassNthOrder three(3), one(1);
    AllpassO1 first;
    AllpassO2 second;
    for (BiQuad* s : std::initializer_list<BiQuad*>{&first, &second}) setup(*s, 44100.0f, 700.0f);
    setup(three, 44100.0f, 700.0f);
    setup(one, 44100.0f, 700.0f);
    EXPECT_TRUE(three.hasFirstOrder());
    EXPECT_EQ(three.secondOrderCount(), 1);
    EXPECT_TRUE(one.hasFirstOrder());
    EXPECT_EQ(one.secondOrderCount(), 0);
    AllpassO1 alone;
    setup(alone, 44100.0f, 700.0f);
    for (float x : noise(256)) {
        EXPECT_EQ(three.getNextSample(x), second.getNextSample(first.getNextSample(x)));
        EXPECT_EQ(one.getNextSample(x), alone.getNextSample(x));
    }
}

// A sentinel written into a section's coefficient shows whether a call recomputed it.
TEST(CascadeChangeTest, SameFrequencyRecomputesNothingNewOneKeepsState) {
    ButterworthLPNthOrder bw(8);
    LinkwitzRileyHPNthOrder lr(16);
    LinkwitzRileyAPNthOrder ap(16);
    setup(bw, 44100.0f, 1000.0f);
    setup(lr, 44100.0f, 1000.0f);
    setup(ap, 44100.0f, 1000.0f);
    for (float x : noise(32)) {
        bw.getNextSample(x);
        lr.getNextSample(x);
        ap.getNextSample(x);
    }
    BiQuad* probes[] = {&bw.section(3), &lr.secondHalf.section(2), &ap.section(1)};
    for (BiQuad* p : probes) p->b0 = 42.0f;
    bw.setFrequency(1000.0f);
    lr.setFrequency(1000.0f);
    ap.setFrequency(1000.0f);
    for (BiQuad* p : probes) EXPECT_EQ(p->b0, 42.0f);

    const float state = probes[0]->w1;
    ASSERT_NE(state, 0.0f);
    bw.setFrequency(1200.0f);
    lr.setFrequency(1200.0f);
    ap.setFrequency(1200.0f);
    for (BiQuad* p : probes) EXPECT_NE(p->b0, 42.0f);
    EXPECT_EQ(probes[0]->w1, state);
}

TEST(CascadeChangeTest, SameRateKeepsStateNewRateClearsIt) {
    ButterworthHPNthOrder bw(4);
    AllpassNthOrder ap(4);
    setup(bw, 44100.0f, 1000.0f);
    setup(ap, 44100.0f, 1000.0f);
    for (float x : noise(16)) {
        bw.getNextSample(x);
        ap.getNextSample(x);
    }
    bw.setSampleRate(44100.0f);
    ap.setSampleRate(44100.0f);
    EXPECT_NE(bw.section(1).w1, 0.0f);
    bw.setSampleRate(48000.0f);
    ap.setSampleRate(48000.0f);
    EXPECT_EQ(bw.section(1).w1, 0.0f);
    EXPECT_EQ(bw.section(1).sampleRate, 48000.0f);
    EXPECT_EQ(ap.getNextSample(0.0f), 0.0f);
}

TEST(CrossoverTest, LinkwitzRileyFourSumsFlat) {
    LinkwitzRileyLPNthOrder lp(4);
    LinkwitzRileyHPNthOrder hp(4);
    setup(lp, 44100.0f, 2000.0f);
    setup(hp, 44100.0f, 2000.0f);
    auto h = response_probe::impulseResponse(
        [&](float x) { return lp.getNextSample(x) + hp.getNextSample(x); }, 1 << 14);
    EXPECT_LT(
        response_probe::worstDeviationDb(h, 44100, response_probe::logFrequencies(20, 20000, 60)),
        0.01);
}

// The compensating all-pass is the low-pass plus the high-pass, sample for sample.
TEST(CrossoverTest, LinkwitzRileyAllpassEqualsLowpassPlusHighpass) {
    for (float f : {112.46826f, 632.4555f, 3556.5588f, 18000.0f}) {
        LinkwitzRileyLPNthOrder lp(16);
        LinkwitzRileyHPNthOrder hp(16);
        LinkwitzRileyAPNthOrder ap(16);
        setup(lp, 44100.0f, f);
        setup(hp, 44100.0f, f);
        setup(ap, 44100.0f, f);
        ASSERT_EQ(ap.sectionCount(), 4);
        double worst = 0;
        for (float x : noise(20000)) {
            const double sum = double(lp.getNextSample(x)) + hp.getNextSample(x);
            worst = std::max(worst, std::fabs(sum - ap.getNextSample(x)));
        }
        EXPECT_LT(worst, 2e-3) << f;
    }
}

}  // namespace

namespace {

// Block processing runs several sections side by side; its samples must be those of the
// per-sample path, for any section count and block length.
TEST(CascadeBlockTest, ProcessBuffersMatchesSampleBySampleExactly) {
    for (int order : {1, 2, 4, 6, 8, 10, 16, 20}) {
        ButterworthLPNthOrder block(order), single(order);
        setup(block, 48000.0f, 5000.0f);
        setup(single, 48000.0f, 5000.0f);
        unsigned seed = 20;
        for (int n : {1, 2, 3, 4, 5, 9, 512, 0, 33}) {
            std::vector<float> in = noise(n, seed++), out(n);
            block.processBuffers(in.data(), out.data(), n);
            for (int i = 0; i < n; ++i) ASSERT_EQ(out[i], single.getNextSample(in[i])) << order;
        }
        for (int s = 0; s < block.sectionCount(); ++s) {
            EXPECT_EQ(block.section(s).w1, single.section(s).w1);
            EXPECT_EQ(block.section(s).w2, single.section(s).w2);
            EXPECT_EQ(block.section(s).y, single.section(s).y);
        }
    }
}

TEST(CascadeBlockTest, InPlaceBlocksMatchToo) {
    LinkwitzRileyHPNthOrder block(16), single(16);
    setup(block, 44100.0f, 300.0f);
    setup(single, 44100.0f, 300.0f);
    std::vector<float> buf = noise(700, 3), ref = buf;
    block.processBuffers(buf.data(), buf.data(), 700);
    for (int i = 0; i < 700; ++i) ASSERT_EQ(buf[i], single.getNextSample(ref[i]));
}

}  // namespace
