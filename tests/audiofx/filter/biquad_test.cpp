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
}

TEST(BiQuadTest, FrequencyRecomputesOnChangeOnlyRateAlwaysAndClears) {
    CountingSection s;
    s.setSampleRate(100.0f);
    s.setFrequency(10.0f);
    s.setFrequency(10.0f);
    EXPECT_EQ(s.computed, 2);
    s.getNextSample(1.0f);
    const float w1 = s.w1;
    s.setFrequency(20.0f);  // recomputes, keeps the state
    EXPECT_EQ(s.computed, 3);
    EXPECT_EQ(s.w1, w1);
    s.setSampleRate(100.0f);  // unchanged rate: recomputes and clears anyway
    EXPECT_EQ(s.computed, 4);
    EXPECT_EQ(s.w0 + s.w1 + s.w2 + s.y, 0.0f);
}

TEST(BiQuadTest, ProcessBuffersWorksInPlaceAndIgnoresEmptyCounts) {
    CountingSection s, reference;
    for (CountingSection* p : {&s, &reference}) {
        p->setSampleRate(10.0f);
        p->setFrequency(3.0f);
    }
    std::vector<float> buf = {1.0f, 2.0f, -1.0f, 0.5f}, expect;
    for (float x : buf) expect.push_back(reference.getNextSample(x));
    s.processBuffers(buf.data(), buf.data(), 4);
    EXPECT_EQ(buf, expect);
    s.processBuffers(expect.data(), buf.data(), 0);
    s.processBuffers(expect.data(), buf.data(), -5);
    EXPECT_EQ(buf, expect);
}

TEST(BiQuadTest, NanFrequencyLatchesUntilReset) {
    CountingSection s;
    s.setSampleRate(100.0f);  // frequency still NaN: NaN coefficients
    EXPECT_TRUE(std::isnan(s.getNextSample(1.0f)));
    s.setFrequency(10.0f);
    EXPECT_TRUE(std::isnan(s.getNextSample(0.0f)));  // NaN still in the delay line
    s.reset();
    EXPECT_EQ(s.getNextSample(0.0f), 0.0f);
}

}  // namespace
