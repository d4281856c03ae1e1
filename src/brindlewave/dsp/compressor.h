#pragma once
// Hard-knee, feedback-detecting compressor for one band of one channel: the detector follows the
// compressor's own output after make-up gain, and the gain of a sample comes from the detector
// state left by the previous sample.

#include <xmmintrin.h>

#include <cmath>
#include <limits>

#include "audiofx/effect.h"
#include "brindlewave/dsp/decibels.h"

namespace brindlewave {

struct CompressorParams {
    float attack;      // ms
    float release;     // ms
    float threshold;   // dB
    float ratio;       // x:1
    float makeupGain;  // linear factor
};

class BrindlewaveCompressor final : public audiofx::AudioEffect {
public:
    float getNextSample(float x) override { return process(x, false, 0.0f); }

    void processBuffers(const float* input, float* output, int frames) override {
        runBuffers(*this, input, output, frames);
    }

    // The envelope survives blocks, parameter changes and rate changes.
    void reset() override {}

    // Sets up a newly constructed compressor; the envelope starts at 0.
    void initialize(float rate, float attackMs, float releaseMs, float thresholdDb, float ratio,
                    float makeupGain) noexcept;

    // Applies a record with the current sample rate; the envelope is kept.
    void setParams(const CompressorParams& p) noexcept;

    // One sample. With useSideChain the detector follows |sideChain| instead of the output.
    float process(float x, bool useSideChain, float sideChain) noexcept {
        const float out = makeupGain * (gainFor(envelope) * x);
        const float d = useSideChain ? std::fabs(sideChain) : std::fabs(out);
        const float a = selectAbove(d, envelope, attackCoeff, releaseCoeff);
        const float e = (envelope - d) * a + d;
        // A NaN or infinite envelope would hold the gain computer forever.
        envelope = std::isfinite(e) ? e : 0.0f;
        return out;
    }

    // The envelope in dB.
    float detectorVal() const noexcept { return decibelsOfReference(envelope); }

    float timeConstant = std::numeric_limits<float>::quiet_NaN();
    float attackCoeff = std::numeric_limits<float>::quiet_NaN();
    float releaseCoeff = std::numeric_limits<float>::quiet_NaN();
    float envelope = std::numeric_limits<float>::quiet_NaN();
    float threshold = std::numeric_limits<float>::quiet_NaN();
    float ratio = std::numeric_limits<float>::quiet_NaN();
    float makeupGain = std::numeric_limits<float>::quiet_NaN();

    // What a vector kernel runs this compressor with; only the envelope comes back.
    struct LaneState {
        float envelope, attackCoeff, releaseCoeff, threshold, slope, makeupGain;
        float unityCeiling;  // envelopes up to this get a gain of exactly 1
    };
    LaneState exportState() const noexcept {
        return {envelope, attackCoeff, releaseCoeff, threshold, slope, makeupGain, unityCeiling};
    }
    void importEnvelope(float e) noexcept { envelope = e; }

private:
    // d > e ? a : b without a branch (false for NaN): attack and release alternate
    // unpredictably on real signals.
    static float selectAbove(float d, float e, float a, float b) noexcept {
        const __m128 mask = _mm_cmpgt_ss(_mm_set_ss(d), _mm_set_ss(e));
        return _mm_cvtss_f32(
            _mm_or_ps(_mm_and_ps(mask, _mm_set_ss(a)), _mm_andnot_ps(mask, _mm_set_ss(b))));
    }

    // The gain computer: reduction r = min(0, (threshold - L) x k), k = 1 - 1/ratio, as a factor.
    // Envelopes up to the unity ceiling (all of them for a ratio of 1) need no logarithm.
    float gainFor(float env) const noexcept {
        if (!(env > unityCeiling)) return 1.0f;
        const float r = (threshold - decibelsOf(env)) * slope;
        if (!(r < 0.0f)) return 1.0f;
        return gainOfDecibels(r);
    }

    // Slope and unity ceiling from threshold and ratio.
    void deriveGainComputer() noexcept;

    float slope = std::numeric_limits<float>::quiet_NaN();  // k
    float unityCeiling = std::numeric_limits<float>::quiet_NaN();
    // The settings the ceiling was found for: the search is redone only when they change.
    float ceilingThreshold = std::numeric_limits<float>::quiet_NaN();
    float ceilingSlope = std::numeric_limits<float>::quiet_NaN();
};

}  // namespace brindlewave
