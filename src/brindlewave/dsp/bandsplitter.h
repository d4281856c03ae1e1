#pragma once
// Splits one channel, sample by sample, into 2 to 4 bands through the crossover tree of order-16
// Linkwitz-Riley crossovers.

#include <limits>
#include <span>

#include "brindlewave/dsp/band.h"

namespace brindlewave {

class BandSplitter {
public:
    static constexpr int maxBands = crossovertree::kMaxBands;

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
            if (crossovertree::hasHighpass(i)) carry = band.highpass->getNextSample(carry);
            outputs[i] = band.shape(carry);
        }
        return outputs;
    }

    // What setSampleRate and updateCrossovers did to the sections since the last call: whether
    // coefficients changed, which bands had every section cleared, and which had only their
    // low-pass and high-pass cleared (bit b for band b; the latter when updateCrossovers brings
    // a rate setSampleRate has not given). A kernel that runs the sections' arithmetic on its
    // own copy of their state follows with it.
    struct Changes {
        bool retuned = false;
        unsigned clearedBands = 0;
        unsigned clearedSplits = 0;
    };
    Changes takeChanges() noexcept {
        const Changes c = changes_;
        changes_ = {};
        return c;
    }

    int activeBands = maxBands;
    float sampleRate = std::numeric_limits<float>::quiet_NaN();
    float outputs[maxBands] = {};
    float rememberedCrossovers[maxBands - 1];
    Band bands[maxBands];

private:
    void clearBand(int b) noexcept;

    Changes changes_;
    float tunedRate_ = std::numeric_limits<float>::quiet_NaN();  // of the last updateCrossovers
};

}  // namespace brindlewave
