#pragma once
// Second-order recursive section in Direct Form II with a wet/dry mix; designs compute the
// coefficients.

#include <limits>

#include "audiofx/effect.h"

namespace audiofx {

class BiQuad : public AudioEffect {
public:
    // One step of the recursion, in single precision.
    float getNextSample(float x) final {
        const float w = (x - a1 * w1) - a2 * w2;
        w0 = w;
        const float filtered = (b0 * w + b1 * w1) + b2 * w2;
        // With the default mix (wet 1, dry 0) the mix step would only add a zero.
        const float out = plainMix_ ? filtered : wet * filtered + dry * x;
        y = out;
        w2 = w1;
        w1 = w;
        return out;
    }

    void processBuffers(const float* input, float* output, int frames) final {
        runBuffers(*this, input, output, frames);
    }

    // Clears the delay line and the last output; coefficients, mix, frequency and rate stay.
    void reset() final { w0 = w1 = w2 = y = 0.0f; }

    // Always recomputes the coefficients and clears the state, even for an unchanged rate.
    void setSampleRate(float rate) final;

    // Stores the seven values as they are.
    virtual void initialize(float b0, float b1, float b2, float a1, float a2, float wet, float dry);

    // Recomputes only when the frequency really changes; the state is kept.
    virtual void setFrequency(float frequency);

    virtual void calcCoefficients() = 0;

    float w0 = 0.0f, w1 = 0.0f, w2 = 0.0f;
    float y = 0.0f;
    float b0 = 0.0f, b1 = 0.0f, b2 = 0.0f;
    float a1 = 0.0f, a2 = 0.0f;
    float frequency = std::numeric_limits<float>::quiet_NaN();

    // The delay state, for running the section elsewhere (a vector lane) and handing it back:
    // the newest intermediate value is both w0 and w1.
    struct DelayState {
        float w1, w2, y;
    };
    DelayState delayState() const noexcept { return {w1, w2, y}; }
    void setDelayState(const DelayState& s) noexcept {
        w0 = w1 = s.w1;
        w2 = s.w2;
        y = s.y;
    }

private:
    // The mix changes only through initialize, which keeps plainMix_ in step.
    float wet = 1.0f;
    float dry = 0.0f;
    bool plainMix_ = true;
};

}  // namespace audiofx
