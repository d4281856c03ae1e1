#pragma once
// High-pass designs: the Q-tuned second-order section and its Butterworth and Linkwitz-Riley
// cascades.

#include "audiofx/filter/cascade.h"
#include "audiofx/filter/qualitybiquad.h"

namespace audiofx {

class HighpassO2 final : public QualityBiQuad {
public:
    void calcCoefficients() override;
};

class ButterworthHPNthOrder final : public ButterworthCascade<HighpassO2> {
public:
    explicit ButterworthHPNthOrder(int order) noexcept : ButterworthCascade(order) {}
};

class LinkwitzRileyHPNthOrder final : public LinkwitzRileyCascade<ButterworthHPNthOrder> {
public:
    explicit LinkwitzRileyHPNthOrder(int order) noexcept : LinkwitzRileyCascade(order) {}
};

}  // namespace audiofx
