#pragma once
// Direct-form all-pass designs: first- and second-order sections and their cascade. The engine
// runs its all-passes as state-variable sections; these stand as the reference designs the tests
// compare them with.

#include <limits>

#include "audiofx/filter/biquad.h"
#include "audiofx/filter/sectionarray.h"

namespace audiofx {

// Second-order all-pass with alpha = sin(theta) / 1.414.
class AllpassO2 final : public BiQuad {
public:
    void calcCoefficients() override;
};

class AllpassO1 final : public BiQuad {
public:
    void calcCoefficients() override;

    float alpha = std::numeric_limits<float>::quiet_NaN();
};

// order/2 AllpassO2 at one frequency, preceded by an AllpassO1 when the order is odd.
class AllpassNthOrder final : public AudioEffect {
public:
    explicit AllpassNthOrder(int order) noexcept;

    float getNextSample(float x) final { return secondOrder.run(firstOrder.run(x)); }

    void processBuffers(const float* input, float* output, int frames) final {
        runBuffers(*this, input, output, frames);
    }

    void reset() final;
    void setSampleRate(float rate) final;
    virtual void setFrequency(float f);

    int secondOrderCount() const noexcept { return secondOrder.size(); }
    bool hasFirstOrder() const noexcept { return firstOrder.size() != 0; }

    const int order;
    float frequency = std::numeric_limits<float>::quiet_NaN();

private:
    SectionArray<AllpassO2> secondOrder;
    SectionArray<AllpassO1> firstOrder;  // one section for an odd order, else none
};

}  // namespace audiofx
