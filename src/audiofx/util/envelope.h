#pragma once
// One-pole envelope followers with separate attack and release.

#include <xmmintrin.h>

#include <cmath>
#include <limits>

namespace audiofx {

// Smoothing coefficient for a time of `ms` milliseconds: exp(timeConstant / ((ms x rate) x
// 0.001)), the product in single precision, the rest in double. 0 ms gives 0 (instant).
inline float smoothingCoefficient(float timeConstant, float ms, float rate) noexcept {
    const float p = ms * rate;
    return static_cast<float>(
        std::exp(static_cast<double>(timeConstant) / (static_cast<double>(p) * 0.001)));
}

class EnvelopeDetector {
public:
    EnvelopeDetector() noexcept { setTimeConstant(0.01f); }
    EnvelopeDetector(const EnvelopeDetector&) = delete;
    EnvelopeDetector& operator=(const EnvelopeDetector&) = delete;
    virtual ~EnvelopeDetector() = default;

    // Stores the rate only: setEnvelope must follow for the coefficients to change.
    virtual void setSampleRate(float rate) { sampleRate = rate; }

    // timeConstant = log10(tc), in extended precision; the coefficients are not recomputed.
    virtual void setTimeConstant(float tc);

    virtual void setEnvelope(float attackMs, float releaseMs);

    virtual float detect(float x) { return follow(processInput(x)); }

    virtual float getEnvelope() const { return envelope; }

    virtual void reset() { envelope = 0.0f; }

    // The level that is followed.
    virtual float processInput(float x) = 0;

    float attackCoeff = std::numeric_limits<float>::quiet_NaN();
    float releaseCoeff = std::numeric_limits<float>::quiet_NaN();
    float envelope = 0.0f;
    float sampleRate = std::numeric_limits<float>::quiet_NaN();
    float timeConstant = std::numeric_limits<float>::quiet_NaN();

protected:
    float follow(float level) noexcept {
        // A NaN level or envelope selects the release coefficient. Chosen without a branch:
        // rising and falling alternate unpredictably on real signals.
        const __m128 rising = _mm_cmpgt_ss(_mm_set_ss(level), _mm_set_ss(envelope));
        const float coef =
            _mm_cvtss_f32(_mm_or_ps(_mm_and_ps(rising, _mm_set_ss(attackCoeff)),
                                    _mm_andnot_ps(rising, _mm_set_ss(releaseCoeff))));
        float e = (1.0f - coef) * level + coef * envelope;
        // A NaN or infinite value would stay in the envelope forever: start again from silence.
        if (!std::isfinite(e)) e = 0.0f;
        envelope = e;
        return e;
    }
};

// Follows the absolute value of the signal.
class PeakDetector final : public EnvelopeDetector {
public:
    float processInput(float x) override { return std::fabs(x); }
    float detect(float x) override { return follow(std::fabs(x)); }
};

}  // namespace audiofx
