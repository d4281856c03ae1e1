#include "brindlewave/dsp/band.h"

#include <algorithm>

#include "rigging/core/nogc.h"

namespace brindlewave {

using audiofx::LinkwitzRileyStateVariable;
using audiofx::SectionArray;
using audiofx::SectionResponse;

float sectionFrequency(float f, float rate) noexcept {
    const float hi = 0.45f * rate;
    const float lo = std::min(10.0f, hi);
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
    allpasses = rigging::mallocNew<SectionArray<LinkwitzRileyStateVariable>>(
        std::max(0, maxBands - index - 2), SectionResponse::allpass, order);
    if (index != 0)
        highpass = rigging::mallocNew<LinkwitzRileyStateVariable>(SectionResponse::highpass, order);
    if (index != maxBands - 1)
        lowpass = rigging::mallocNew<LinkwitzRileyStateVariable>(SectionResponse::lowpass, order);
}

void Band::setSampleRate(float rate) noexcept {
    if (rate == sampleRate) return;
    sampleRate = rate;
    // Every all-pass gets the rate, also those beyond the current count, so a later growth of
    // the band count finds them at the right rate.
    for (LinkwitzRileyStateVariable& ap : *allpasses) ap.setSampleRate(rate);
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
    for (LinkwitzRileyStateVariable& ap : *allpasses) ap.reset();
}

}  // namespace brindlewave
