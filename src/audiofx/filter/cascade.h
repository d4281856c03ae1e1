#pragma once
// Cascades of second-order sections: the Butterworth cascade (one Q per section) and the
// Linkwitz-Riley cascade (the same Butterworth cascade twice in series).

#include <cstddef>
#include <limits>
#include <span>

#include "audiofx/effect.h"
#include "audiofx/filter/butterworthq.h"
#include "audiofx/filter/sectioncascade.h"
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
class ButterworthCascade : public SectionCascade<Section> {
public:
    // A new frequency recomputes every section without clearing its state.
    virtual void setFrequency(float f) {
        if (f == this->frequency) return;
        this->frequency = f;
        for (int i = 0; i < this->sections.size(); ++i) {
            this->sections[i].setFrequency(f);
            this->sections[i].setQualityFactor(q[i]);
        }
    }

    const int order;

protected:
    explicit ButterworthCascade(int cascadeOrder) noexcept
        : SectionCascade<Section>(cascadeOrder / 2),
          order(cascadeOrder),
          // Q depends on the order only: computed once here, so that frequency changes on the
          // audio thread allocate nothing.
          q(static_cast<std::size_t>(this->sections.size())) {
        for (int i = 0; i < this->sections.size(); ++i) q[i] = butterworthQ(cascadeOrder, i);
    }

private:
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
