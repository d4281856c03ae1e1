#include "brindlewave/dsp/band.h"

#include <algorithm>

#include "rigging/core/nogc.h"

namespace brindlewave {

using audiofx::LinkwitzRileyStateVariable;
using audiofx::SectionArray;
using audiofx::SectionResponse;
namespace tree = crossovertree;

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
    allpassCount = tree::allpassCount(activeBands, index);
    allpasses = rigging::mallocNew<SectionArray<LinkwitzRileyStateVariable>>(
        tree::allpassCount(maxBands, index), SectionResponse::allpass, order);
    if (tree::hasHighpass(index))
        highpass = rigging::mallocNew<LinkwitzRileyStateVariable>(SectionResponse::highpass, order);
    if (tree::hasLowpass(maxBands, index))
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

int Band::updateFilterFrequencies(std::span<const float> crossovers, int n, float rate) noexcept {
    activeBands = n;
    allpassCount = std::min(tree::allpassCount(n, index), allpasses->size());
    auto crossover = [&](int i) {
        const float f = i < static_cast<int>(crossovers.size()) ? crossovers[i] : 0.0f;
        return sectionFrequency(f, rate);
    };
    int changed = 0;
    auto tune = [&](LinkwitzRileyStateVariable& c, float f, bool withRate) {
        if (withRate && !(c.sampleRate == rate)) changed |= kRetuned | kCleared;
        if (!(c.frequency == f)) changed |= kRetuned;
        if (withRate) c.setSampleRate(rate);
        c.setFrequency(f);
    };
    if (tree::hasLowpass(n, index) && lowpass)
        tune(*lowpass, crossover(tree::lowpassCrossover(index)), true);
    if (tree::hasHighpass(index) && highpass)
        tune(*highpass, crossover(tree::highpassCrossover(index)), true);
    for (int j = 0; j < allpassCount; ++j)
        tune((*allpasses)[j], crossover(tree::allpassCrossover(index, j)), false);
    return changed;
}

void Band::resetSections() noexcept {
    if (highpass) highpass->reset();
    if (lowpass) lowpass->reset();
    for (LinkwitzRileyStateVariable& ap : *allpasses) ap.reset();
}

}  // namespace brindlewave
