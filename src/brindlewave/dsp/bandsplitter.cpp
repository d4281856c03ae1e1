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
}

void BandSplitter::updateCrossovers(std::span<const float> crossovers, int n, float rate) noexcept {
    n = std::clamp(n, 1, maxBands);
    if (n != activeBands)
        for (Band& band : bands) band.resetSections();
    activeBands = n;
    for (int i = 0; i < n; ++i) {
        bands[i].updateFilterFrequencies(crossovers, n, rate);
        // A NaN remembered value counts as changed, so the first call clears everything once.
        if (i <= 2 && i < static_cast<int>(crossovers.size()) &&
            !(crossovers[i] == rememberedCrossovers[i])) {
            bands[i].resetSections();
            bands[i + 1].resetSections();
            rememberedCrossovers[i] = crossovers[i];
        }
    }
}

}  // namespace brindlewave
