#include "before/brindlewave/dsp/band.h"

#include <algorithm>

#include "rigging/core/nogc.h"

namespace brindlewave_before {

using audiofx::LinkwitzRileyAPNthOrder;
using audiofx::LinkwitzRileyHPNthOrder;
using audiofx::LinkwitzRileyLPNthOrder;
using audiofx::SectionArray;

float sectionFrequency(float f, float rate) noexcept {
    const float hi = 0.45f * rate;
    // Far below the rate, single-precision sections amplify their own rounding noise by orders
    // of magnitude (from about rate / 40000 down); 10 Hz is the floor at ordinary rates.
    const float lo = std::min(std::max(10.0f, rate / 20000.0f), hi);
    if (!(f <= hi)) f = hi;
    if (!(f >= lo)) f = lo;
    return f;
}

Band::~Band() {
    rigging::destroyFree(allpasses);
    rigging::destroyFree(lowpass);
    rigging::destroyFree(highpass);
}

void Band::initialize(int maxBandsValue, int activeBandsValue, int indexValue) noexcept {
    maxBands = maxBandsValue;
    activeBands = activeBandsValue;
    index = indexValue;
    allpassCount = std::max(0, activeBands - index - 2);
    allpasses = rigging::mallocNew<SectionArray<LinkwitzRileyAPNthOrder>>(
        std::max(0, maxBands - index - 2), order);
    if (index != 0) highpass = rigging::mallocNew<LinkwitzRileyHPNthOrder>(order);
    if (index != maxBands - 1) lowpass = rigging::mallocNew<LinkwitzRileyLPNthOrder>(order);
}

void Band::setSampleRate(float rate) noexcept {
    if (rate == sampleRate) return;
    sampleRate = rate;
    // Every all-pass gets the rate, also those beyond the current count, so a later growth of
    // the band count finds them at the right rate.
    for (LinkwitzRileyAPNthOrder& ap : *allpasses) ap.setSampleRate(rate);
    if (lowpass) lowpass->setSampleRate(rate);
    if (highpass) highpass->setSampleRate(rate);
}

void Band::updateFilterFrequencies(std::span<const float> crossovers, int n, float rate) noexcept {
    activeBands = n;
    allpassCount = std::min(std::max(0, n - index - 2), allpasses->size());
    auto crossover = [&](int i) {
        const float f = i < static_cast<int>(crossovers.size()) ? crossovers[i] : 0.0f;
        return sectionFrequency(f, rate);
    };
    if (index != n - 1 && lowpass) {
        lowpass->setSampleRate(rate);
        lowpass->setFrequency(crossover(index));
    }
    if (index != 0 && highpass) {
        highpass->setSampleRate(rate);
        highpass->setFrequency(crossover(index - 1));
    }
    for (int j = 0; j < allpassCount; ++j) (*allpasses)[j].setFrequency(crossover(index + 1 + j));
}

void Band::resetSections() noexcept {
    if (highpass) highpass->reset();
    if (lowpass) lowpass->reset();
    for (LinkwitzRileyAPNthOrder& ap : *allpasses) ap.reset();
}

}  // namespace brindlewave_before
