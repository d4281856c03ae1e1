#include "brindlewave/dsp/bandsplitter.h"

#include <xmmintrin.h>

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

namespace {

// The eight sections of an order-16 crossover, in order, from pass `first` of `lane`.
template <typename Cascade>
void assignCrossover(audiofx::SectionLanes& stage, int lane, Cascade& c) noexcept {
    for (int k = 0; k < 4; ++k) {
        stage.assign(lane, k, &c.firstHalf.section(k));
        stage.assign(lane, 4 + k, &c.secondHalf.section(k));
    }
}

void assignAllpass(audiofx::SectionLanes& stage, int lane, int first,
                   audiofx::LinkwitzRileyAPNthOrder& ap) noexcept {
    for (int k = 0; k < ap.sectionCount(); ++k) stage.assign(lane, first + k, &ap.section(k));
}

constexpr int chunk = 256;

}  // namespace

bool BandSplitter::loadStages() noexcept {
    for (audiofx::SectionLanes& stage : stages) stage.clear();
    const int n = activeBands;
    // Stage 0: band 0's low-pass and band 1's high-pass at f0, both on the input.
    assignCrossover(stages[0], 0, *bands[0].lowpass);
    assignCrossover(stages[0], 1, *bands[1].highpass);
    bool plain = stages[0].load();
    if (n >= 3) {
        // Stage 1 on (band 0, band 1, carry): band 0's all-passes, band 1's low-pass and band 2's
        // high-pass at f1.
        for (int j = 0; j < bands[0].allpassCount; ++j)
            assignAllpass(stages[1], 0, 4 * j, (*bands[0].allpasses)[j]);
        assignCrossover(stages[1], 1, *bands[1].lowpass);
        assignCrossover(stages[1], 2, *bands[2].highpass);
        plain = stages[1].load() && plain;
    }
    if (n >= 4) {
        // Stage 2 on (band 0, band 1, carry, carry): band 1's all-pass, band 2's low-pass and
        // band 3's high-pass at f2; band 0 is done.
        assignAllpass(stages[2], 1, 0, (*bands[1].allpasses)[0]);
        assignCrossover(stages[2], 2, *bands[2].lowpass);
        assignCrossover(stages[2], 3, *bands[3].highpass);
        plain = stages[2].load() && plain;
    }
    return plain;
}

void BandSplitter::storeStages() noexcept {
    for (int s = 0; s < activeBands - 1; ++s) stages[s].store();
}

void BandSplitter::splitSamples(const float* input, float* const* bandOut, int n) noexcept {
    for (int i = 0; i < n; ++i) {
        const float* v = split(input[i]);
        for (int b = 0; b < activeBands; ++b) bandOut[b][i] = v[b];
    }
}

void BandSplitter::splitBlock(const float* input, float* const* bandOut, int n) noexcept {
    if (n <= 0) return;
    const int bandCount = activeBands;
    if (bandCount == 1 || !loadStages()) {
        splitSamples(input, bandOut, n);
        return;
    }
    alignas(16) float buf[4 * chunk];
    for (int start = 0; start < n; start += chunk) {
        const int m = std::min(chunk, n - start);
        for (int i = 0; i < m; ++i) _mm_store_ps(buf + 4 * i, _mm_set1_ps(input[start + i]));
        stages[0].run(buf, m);
        if (bandCount >= 3) {
            for (int i = 0; i < m; ++i) {
                const __m128 v = _mm_load_ps(buf + 4 * i);
                _mm_store_ps(buf + 4 * i, _mm_shuffle_ps(v, v, _MM_SHUFFLE(1, 1, 1, 0)));
            }
            stages[1].run(buf, m);
        }
        if (bandCount >= 4) {
            for (int i = 0; i < m; ++i) {
                const __m128 v = _mm_load_ps(buf + 4 * i);
                _mm_store_ps(buf + 4 * i, _mm_shuffle_ps(v, v, _MM_SHUFFLE(2, 2, 1, 0)));
            }
            stages[2].run(buf, m);
        }
        for (int b = 0; b < bandCount; ++b) {
            float* out = bandOut[b] + start;
            for (int i = 0; i < m; ++i) out[i] = buf[4 * i + b];
        }
    }
    storeStages();
    for (int b = 0; b < bandCount; ++b) {
        outputs[b] = bandOut[b][n - 1];
        bands[b].output = outputs[b];
    }
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
