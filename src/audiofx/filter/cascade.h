#pragma once
// Cascades of second-order sections: the Butterworth cascade (one Q per section) and the
// Linkwitz-Riley cascade (the same Butterworth cascade twice in series).

#include <cstddef>
#include <limits>
#include <span>

#include "audiofx/effect.h"
#include "audiofx/filter/butterworthq.h"
#include "audiofx/filter/sectionarray.h"
#include "rigging/core/nogc.h"

namespace audiofx {

// A list made once with the object that owns it.
template <typename T>
struct OwnedList {
    explicit OwnedList(std::size_t n) noexcept : values(rigging::mallocSlice<T>(n)) {}
    OwnedList(const OwnedList&) = delete;
    OwnedList& operator=(const OwnedList&) = delete;
    ~OwnedList() { rigging::freeSlice(values); }
    T& operator[](int i) noexcept { return values[static_cast<std::size_t>(i)]; }
    std::span<T> values;
};

// Sections of a QualityBiQuad design at one frequency, with the Q values of a Butterworth
// filter of the cascade's order (order/2 sections, the division rounding toward zero).
template <typename Section>
class ButterworthCascade : public AudioEffect {
public:
    float getNextSample(float x) final {
        Section* s = sections.begin();
        const int n = sections.size();
        for (int i = 0; i < n; ++i) x = s[i].getNextSample(x);
        return x;
    }

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

    // A new frequency recomputes every section without clearing its state.
    virtual void setFrequency(float f) {
        if (f == frequency) return;
        frequency = f;
        for (int i = 0; i < sections.size(); ++i) {
            sections[i].setFrequency(f);
            sections[i].setQualityFactor(q[i]);
        }
    }

    int sectionCount() const noexcept { return sections.size(); }
    Section& section(int i) noexcept { return sections[i]; }

    const int order;
    float frequency = std::numeric_limits<float>::quiet_NaN();

protected:
    explicit ButterworthCascade(int cascadeOrder) noexcept
        : order(cascadeOrder),
          sections(cascadeOrder / 2),
          // Q depends on the order only: computed once here, so that frequency changes on the
          // audio thread allocate nothing.
          q(static_cast<std::size_t>(sections.size())) {
        for (int i = 0; i < sections.size(); ++i) q[i] = butterworthQ(cascadeOrder, i);
    }

private:
    SectionArray<Section> sections;
    OwnedList<float> q;
};

// Two equal halves in series; every call is passed to both.
template <typename Half>
class LinkwitzRileyCascade : public AudioEffect {
public:
    float getNextSample(float x) final {
        return secondHalf.getNextSample(firstHalf.getNextSample(x));
    }

    void processBuffers(const float* input, float* output, int frames) final {
        runBuffers(*this, input, output, frames);
    }

    void reset() final {
        firstHalf.reset();
        secondHalf.reset();
    }

    void setSampleRate(float rate) final {
        sampleRate = rate;
        firstHalf.setSampleRate(rate);
        secondHalf.setSampleRate(rate);
    }

    virtual void setFrequency(float f) {
        frequency = f;
        firstHalf.setFrequency(f);
        secondHalf.setFrequency(f);
    }

    const int order;
    float frequency = std::numeric_limits<float>::quiet_NaN();
    Half firstHalf;
    Half secondHalf;

protected:
    explicit LinkwitzRileyCascade(int cascadeOrder) noexcept
        : order(cascadeOrder), firstHalf(cascadeOrder / 2), secondHalf(cascadeOrder / 2) {}
};

}  // namespace audiofx
