#pragma once
// A cascade of sections of one design: the walk a sample takes through them, and what every
// cascade passes to all its sections. The designs add how a frequency reaches their sections.

#include <limits>

#include "audiofx/effect.h"
#include "audiofx/filter/sectionarray.h"

namespace audiofx {

template <typename Section>
class SectionCascade : public AudioEffect {
public:
    // x runs along the sections in order; the last section's output is returned.
    float getNextSample(float x) final { return sections.run(x); }

    void processBuffers(const float* input, float* output, int frames) final {
        runBuffers(*this, input, output, frames);
    }

    void reset() final {
        for (Section& s : sections) s.reset();
    }

    // A new rate recomputes every section and clears its state; an unchanged one does nothing.
    void setSampleRate(float rate) final {
        if (rate == sampleRate) return;
        sampleRate = rate;
        for (Section& s : sections) s.setSampleRate(rate);
    }

    int sectionCount() const noexcept { return sections.size(); }
    Section& section(int i) noexcept { return sections[i]; }
    const Section& section(int i) const noexcept { return sections[i]; }

    float frequency = std::numeric_limits<float>::quiet_NaN();

protected:
    // count sections, each constructed with args.
    template <typename... Args>
    explicit SectionCascade(int count, const Args&... args) noexcept : sections(count, args...) {}

    SectionArray<Section> sections;
};

}  // namespace audiofx
