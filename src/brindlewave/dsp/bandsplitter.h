#pragma once
// Splits one channel, sample by sample, into 2 to 4 bands through a tree of order-16
// Linkwitz-Riley crossovers. Every band meets every active crossover once, as a low-pass, a
// high-pass or the all-pass with the crossover's phase, so the bands add back to an all-pass.

#include <limits>
#include <span>

#include "brindlewave/dsp/band.h"

namespace brindlewave {

class BandSplitter {
public:
    static constexpr int maxBands = 4;

    // Builds the four bands with all their sections; 4 bands active, rates and remembered
    // crossovers NaN.
    BandSplitter() noexcept;
    BandSplitter(const BandSplitter&) = delete;
    BandSplitter& operator=(const BandSplitter&) = delete;

    // A new rate goes to every band (their sections recompute and clear); an unchanged one does
    // nothing.
    void setSampleRate(float rate) noexcept;

    // Sets the band count (limited to 1..4) and tunes the bands to the crossovers in Hz (used
    // as given: not sorted, not clamped against each other). A new band count clears every
    // section; a changed crossover i clears bands i and i + 1.
    void updateCrossovers(std::span<const float> crossovers, int activeBands, float rate) noexcept;

    // The bands of one sample: the first activeBands entries of the returned list, which the
    // next call overwrites.
    const float* split(float x) noexcept {
        const int n = activeBands;
        float carry = x;
        for (int i = 0; i < n; ++i) {
            Band& band = bands[i];
            if (i != 0) carry = band.highpass->getNextSample(carry);
            outputs[i] = band.shape(carry);
        }
        return outputs;
    }

    int activeBands = maxBands;
    float sampleRate = std::numeric_limits<float>::quiet_NaN();
    float outputs[maxBands] = {};
    float rememberedCrossovers[maxBands - 1];
    Band bands[maxBands];
};

}  // namespace brindlewave
