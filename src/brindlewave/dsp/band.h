#pragma once
// One band of the splitter: the crossover sections the band owns (a high-pass at the crossover
// below it, a low-pass at the one above it, compensating all-passes at crossovers further up).

#include <limits>
#include <span>

#include "audiofx/filter/sectionarray.h"
#include "audiofx/filter/statevariable.h"
#include "brindlewave/dsp/crossovertree.h"

namespace brindlewave {

class Band {
public:
    static constexpr int order = 16;

    Band() = default;
    Band(const Band&) = delete;
    Band& operator=(const Band&) = delete;
    ~Band();

    // Sets the fields and creates every section the crossover tree gives the band at maxBands
    // bands.
    void initialize(int maxBands, int activeBands, int index) noexcept;

    // A new rate goes to every section (each recomputes and clears); an unchanged one does
    // nothing.
    void setSampleRate(float rate) noexcept;

    // Tunes the sections in use for `activeBands` bands to the crossovers (in Hz, used unsorted,
    // each limited to what a section at `rate` can realise). Returns what changed: kRetuned when
    // a section got new coefficients, kCleared as well when a new rate cleared the low-pass or
    // the high-pass.
    int updateFilterFrequencies(std::span<const float> crossovers, int activeBands,
                                float rate) noexcept;
    static constexpr int kRetuned = 1, kCleared = 2;

    // Clears the delay state of every section; coefficients stay.
    void resetSections() noexcept;

    // Low-pass and all-passes of this band applied to `carry`, the signal the high-pass chain
    // has produced so far.
    float shape(float carry) noexcept {
        float out = carry;
        if (crossovertree::hasLowpass(activeBands, index)) out = lowpass->getNextSample(carry);
        for (int j = 0; j < allpassCount; ++j) out = (*allpasses)[j].getNextSample(out);
        output = out;
        return out;
    }

    int maxBands = 0;
    int activeBands = 0;
    int index = 0;
    int allpassCount = 0;
    audiofx::SectionArray<audiofx::LinkwitzRileyStateVariable>* allpasses = nullptr;
    audiofx::LinkwitzRileyStateVariable* lowpass = nullptr;
    audiofx::LinkwitzRileyStateVariable* highpass = nullptr;
    float sampleRate = std::numeric_limits<float>::quiet_NaN();
    float output = 0.0f;
};

// A crossover frequency limited to what a section at `rate` realises: at most 0.45 x rate (below
// Nyquist), at least 10 Hz; NaN becomes the lower limit.
float sectionFrequency(float f, float rate) noexcept;

}  // namespace brindlewave
