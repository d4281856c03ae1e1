#pragma once
// Second-order section tuned by frequency and quality factor; the low-pass and high-pass designs
// share its pole computation, so sections at the same frequency and Q get bit-identical poles.

#include <limits>

#include "audiofx/filter/biquad.h"

namespace audiofx {

class QualityBiQuad : public BiQuad {
public:
    // Recomputes only when q really changes; the state is kept.
    void setQualityFactor(float q);

    float theta = std::numeric_limits<float>::quiet_NaN();
    float Q = 0.707f;
    float beta = std::numeric_limits<float>::quiet_NaN();
    float gamma = std::numeric_limits<float>::quiet_NaN();
    float d = std::numeric_limits<float>::quiet_NaN();

protected:
    // theta, d, beta and gamma from frequency, rate and Q.
    void computePoles() noexcept;
};

}  // namespace audiofx
