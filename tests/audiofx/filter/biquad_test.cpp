#include "audiofx/filter/biquad.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

// A design that counts its coefficient computations and makes a one-pole smoother.
class CountingSection final : public audiofx::BiQuad {
public:
    void calcCoefficients() override {
        ++computed;
        b0 = frequency / sampleRate;
        a1 = b0 - 1.0f;
    }
    int computed = 0;
};

TEST(BiQuadTest, NewSectionOutputsZeroUntilCoefficientsExist) {
    CountingSection s;
    EXPECT_EQ(s.getNextSample(1.0f), 0.0f);
    EXPECT_EQ(s.getNextSample(-3.0f), 0.0f);
    EXPECT_EQ(s.wetGain(), 1.0f);
    EXPECT_EQ(s.dryGain(), 0.0f);
}

TEST(BiQuadTest, FrequencyRecomputesOnlyOnChangeAndKeepsState) {
    CountingSection s;
    s.setSampleRate(100.0f);
    ASSERT_EQ(s.computed, 1);
    s.setFrequency(10.0f);
    s.setFrequency(10.0f);
    EXPECT_EQ(s.computed, 2);
    s.getNextSample(1.0f);
    const float w1 = s.w1;
    ASSERT_NE(w1, 0.0f);
    s.setFrequency(20.0f);
    EXPECT_EQ(s.computed, 3);
    EXPECT_EQ(s.w1, w1);
}

TEST(BiQuadTest, SampleRateAlwaysRecomputesAndClears) {
    CountingSection s;
    s.setSampleRate(100.0f);
    s.setFrequency(10.0f);
    s.getNextSample(1.0f);
    s.getNextSample(1.0f);
    s.setSampleRate(100.0f);
    EXPECT_EQ(s.computed, 3);
    EXPECT_EQ(s.w0, 0.0f);
    EXPECT_EQ(s.w1, 0.0f);
    EXPECT_EQ(s.w2, 0.0f);
    EXPECT_EQ(s.y, 0.0f);
}

TEST(BiQuadTest, RecursionFollowsDirectFormTwoWithMix) {
    CountingSection s;
    s.initialize(0.5f, 0.25f, 0.125f, -0.5f, 0.25f, 0.75f, 0.5f);
    std::vector<float> x = {1.0f, -2.0f, 0.5f, 3.0f};
    float w1 = 0, w2 = 0;
    for (float xi : x) {
        const float w = (xi - -0.5f * w1) - 0.25f * w2;
        const float expect = 0.75f * ((0.5f * w + 0.25f * w1) + 0.125f * w2) + 0.5f * xi;
        EXPECT_EQ(s.getNextSample(xi), expect);
        EXPECT_EQ(s.y, expect);
        EXPECT_EQ(s.w0, w);
        w2 = w1;
        w1 = w;
    }
}

TEST(BiQuadTest, ProcessBuffersWorksInPlaceAndIgnoresEmptyCounts) {
    CountingSection s, reference;
    for (CountingSection* p : {&s, &reference}) {
        p->setSampleRate(10.0f);
        p->setFrequency(3.0f);
    }
    std::vector<float> buf = {1.0f, 2.0f, -1.0f, 0.5f};
    std::vector<float> expect;
    for (float x : buf) expect.push_back(reference.getNextSample(x));
    s.processBuffers(buf.data(), buf.data(), 4);
    EXPECT_EQ(buf, expect);

    std::vector<float> out = {7.0f, 7.0f};
    s.processBuffers(buf.data(), out.data(), 0);
    s.processBuffers(buf.data(), out.data(), -5);
    EXPECT_EQ(out, (std::vector<float>{7.0f, 7.0f}));
}

TEST(BiQuadTest, NanFrequencyLatchesUntilReset) {
    CountingSection s;
    s.setSampleRate(100.0f);  // frequency still NaN: NaN coefficients
    EXPECT_TRUE(std::isnan(s.getNextSample(1.0f)));
    EXPECT_TRUE(std::isnan(s.getNextSample(0.0f)));
    s.setFrequency(10.0f);
    EXPECT_TRUE(std::isnan(s.getNextSample(0.0f)));  // NaN still in the delay line
    s.reset();
    EXPECT_EQ(s.getNextSample(0.0f), 0.0f);
}

}  // namespace
