#include "brindlewave/dsp/bandsplitter.h"

#include <algorithm>

namespace brindlewave {

BandSplitter::BandSplitter() noexcept {
    for (int i = 0; i < maxBands; ++i) bands[i].initialize(maxBands, maxBands, i);
    for (float& f : rememberedCrossovers) f = std::numeric_limits<float>::quiet_NaN();
}

void BandSplitter::setSampleRate(float rate) noexcept {
    if (rate == sampleRate) return;
    sampleRate = rate;
    for (Band& band : bands) band.setSampleRate(rate);
    changes_.retuned = true;
    changes_.clearedBands = (1u << maxBands) - 1;
}

void BandSplitter::clearBand(int b) noexcept {
    bands[b].resetSections();
    changes_.clearedBands |= 1u << b;
}

void BandSplitter::updateCrossovers(std::span<const float> crossovers, int n, float rate) noexcept {
    n = std::clamp(n, 1, maxBands);
    // What the last call had (at the rate the sections were given) changes nothing: the engine
    // calls this every block, mostly with nothing new.
    const int compared = std::min({n, 3, static_cast<int>(crossovers.size())});
    bool unchanged = n == activeBands && rate == tunedRate_ && rate == sampleRate;
    for (int i = 0; unchanged && i < compared; ++i)
        unchanged = crossovers[i] == rememberedCrossovers[i];
    if (unchanged) return;
    tunedRate_ = rate;
    if (n != activeBands)
        for (int b = 0; b < maxBands; ++b) clearBand(b);
    activeBands = n;
    for (int i = 0; i < n; ++i) {
        const int changed = bands[i].updateFilterFrequencies(crossovers, n, rate);
        if (changed & Band::kRetuned) changes_.retuned = true;
        if (changed & Band::kCleared) changes_.clearedSplits |= 1u << i;
        // A NaN remembered value counts as changed, so the first call clears everything once.
        if (i <= 2 && i < static_cast<int>(crossovers.size()) &&
            !(crossovers[i] == rememberedCrossovers[i])) {
            clearBand(i);
            clearBand(i + 1);
            rememberedCrossovers[i] = crossovers[i];
        }
    }
}

}  // namespace brindlewave
