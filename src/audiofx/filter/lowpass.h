#pragma once
// Low-pass designs: second-order Butterworth (bilinear), second-order Linkwitz-Riley, the
// Q-tuned second-order section, and the Butterworth and Linkwitz-Riley cascades built from it.

#include <limits>

#include "audiofx/filter/biquad.h"
#include "audiofx/filter/cascade.h"
#include "audiofx/filter/qualitybiquad.h"

namespace audiofx {

class ButterworthLP final : public BiQuad {
public:
    void calcCoefficients() override;

    float K = std::numeric_limits<float>::quiet_NaN();
};

class LinkwitzRileyLP final : public BiQuad {
public:
    void calcCoefficients() override;

    // True once the coefficients come from a real frequency and rate.
    bool isInitialized() const noexcept;

    float theta = std::numeric_limits<float>::quiet_NaN();
    float omega = std::numeric_limits<float>::quiet_NaN();
    float kappa = std::numeric_limits<float>::quiet_NaN();
    float delta = std::numeric_limits<float>::quiet_NaN();
};

class LowpassO2 final : public QualityBiQuad {
public:
    void calcCoefficients() override;
};

class ButterworthLPNthOrder final : public ButterworthCascade<LowpassO2> {
public:
    explicit ButterworthLPNthOrder(int order) noexcept : ButterworthCascade(order) {}
};

class LinkwitzRileyLPNthOrder final : public LinkwitzRileyCascade<ButterworthLPNthOrder> {
public:
    explicit LinkwitzRileyLPNthOrder(int order) noexcept : LinkwitzRileyCascade(order) {}
};

}  // namespace audiofx
