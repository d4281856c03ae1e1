#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "allpass.h"
#include "audiofx/filter/lowpass.h"
#include "highpass.h"

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

TEST(CascadeShapeTest, SmallOrders) {
    ButterworthLPNthOrder one(1), three(3);
    LowpassO2 single;
    setup(one, 44100.0f, 3000.0f);
    setup(three, 44100.0f, 3000.0f);
    setup(single, 44100.0f, 3000.0f);
    single.setQualityFactor(0.57735026f);
    AllpassNthOrder apThree(3);
    AllpassO1 first;
    AllpassO2 second;
    setup(apThree, 44100.0f, 700.0f);
    setup(first, 44100.0f, 700.0f);
    setup(second, 44100.0f, 700.0f);
    for (float x : noise(256)) {
        EXPECT_EQ(one.getNextSample(x), x);  // no section: the input unchanged
        EXPECT_EQ(three.getNextSample(x), single.getNextSample(x));
        EXPECT_EQ(apThree.getNextSample(x), second.getNextSample(first.getNextSample(x)));
    }
}

// A sentinel written into a section's coefficient shows whether a call recomputed it.
TEST(CascadeChangeTest, SameValuesRecomputeNothingNewFrequencyKeepsStateNewRateClears) {
    ButterworthLPNthOrder bw(8);
    LinkwitzRileyHPNthOrder lr(16);
    setup(bw, 44100.0f, 1000.0f);
    setup(lr, 44100.0f, 1000.0f);
    for (float x : noise(32)) {
        bw.getNextSample(x);
        lr.getNextSample(x);
    }
    BiQuad* probes[] = {&bw.section(3), &lr.secondHalf.section(2)};
    for (BiQuad* p : probes) p->b0 = 42.0f;
    setup(bw, 44100.0f, 1000.0f);
    setup(lr, 44100.0f, 1000.0f);
    for (BiQuad* p : probes) EXPECT_EQ(p->b0, 42.0f);

    const float state = probes[0]->w1;
    ASSERT_NE(state, 0.0f);
    bw.setFrequency(1200.0f);
    lr.setFrequency(1200.0f);
    for (BiQuad* p : probes) EXPECT_NE(p->b0, 42.0f);
    EXPECT_EQ(probes[0]->w1, state);
    bw.setSampleRate(48000.0f);
    EXPECT_EQ(probes[0]->w1, 0.0f);
}

}  // namespace
