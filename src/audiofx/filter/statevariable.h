#pragma once
// Second-order sections in state-variable form with trapezoidal integrators, and the
// Linkwitz-Riley crossover cascades built from them. The designs are the bilinear transforms of
// the same analog prototypes as the direct-form LowpassO2, its high-pass twin and the
// second-order all-pass (cut-off prewarped, quality factor Q); only the realisation differs. A
// direct form keeps its poles in feedback coefficients near -2 and 1, which single precision cannot
// hold once the cut-off lies far below the sample rate. Here every coefficient is held to full
// relative precision (g = tan(pi f / fs) is small, not close to anything), and each integrator
// state moves on by an increment computed to full relative precision, so the poles stay in place at
// any cut-off the rate allows.

#include <limits>

#include "audiofx/effect.h"
#include "audiofx/filter/sectioncascade.h"

namespace audiofx {

enum class SectionResponse { lowpass, highpass, allpass };

class StateVariableSection final : public AudioEffect {
public:
    explicit StateVariableSection(SectionResponse r = SectionResponse::lowpass) noexcept
        : response(r) {}

    // One step in single precision. e is the high-pass output before its gain d; the band-pass
    // bp and the low-pass lp follow from the integrator states s1 and s2, which then move on by
    // their increments once more.
    float getNextSample(float x) final {
        const float e = (x - c1 * s1) - s2;
        const float v = gd * e;
        const float bp = s1 + v;
        s1 = bp + v;
        const float u = g * bp;
        const float lp = s2 + u;
        s2 = lp + u;
        switch (response) {
            case SectionResponse::lowpass:
                return lp;
            case SectionResponse::highpass:
                return d * e;
            default:
                return x - twoK * bp;  // x = hp + k bp + lp, so this is hp - k bp + lp
        }
    }

    void processBuffers(const float* input, float* output, int frames) final {
        runBuffers(*this, input, output, frames);
    }

    // Clears the integrator states; coefficients, frequency and rate stay.
    void reset() final { s1 = s2 = 0.0f; }

    // Always recomputes the coefficients and clears the state, even for an unchanged rate.
    void setSampleRate(float rate) final;

    // Each recomputes only when its value really changes; the state is kept.
    void setFrequency(float f);
    void setQualityFactor(float q);

    const SectionResponse response;
    float frequency = std::numeric_limits<float>::quiet_NaN();
    float Q = 0.70710677f;

    // g = tan(pi f / fs), k = 1 / Q, d = 1 / (1 + k g + g^2): c1 = k + g, gd = g d, twoK = 2 k,
    // each computed in extended precision and rounded once. NaN until first computed.
    float g = std::numeric_limits<float>::quiet_NaN();
    float c1 = std::numeric_limits<float>::quiet_NaN();
    float gd = std::numeric_limits<float>::quiet_NaN();
    float d = std::numeric_limits<float>::quiet_NaN();
    float twoK = std::numeric_limits<float>::quiet_NaN();

    float s1 = 0.0f, s2 = 0.0f;

    // The integrator states, for running the section elsewhere (a vector lane) and handing them
    // back.
    struct State {
        float s1, s2;
    };
    State state() const noexcept { return {s1, s2}; }
    void setState(const State& s) noexcept {
        s1 = s.s1;
        s2 = s.s2;
    }

private:
    void calcCoefficients() noexcept;
};

// The Linkwitz-Riley low-pass or high-pass of an order that is a multiple of 4, as order/2
// sections (the Butterworth cascade of order/2, twice); for the all-pass response, the order/4
// sections of the all-pass that equals that low-pass plus that high-pass at the same frequency,
// which a band that skips a crossover runs to stay in phase with the bands that split there.
// Every section sits at the cascade's frequency with the Butterworth Q values of order/2.
class LinkwitzRileyStateVariable final : public SectionCascade<StateVariableSection> {
public:
    LinkwitzRileyStateVariable(SectionResponse response, int order) noexcept;

    // A new frequency recomputes every section without clearing its state.
    void setFrequency(float f);

    const SectionResponse response;
    const int order;
};

}  // namespace audiofx
