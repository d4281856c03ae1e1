#pragma once
// Direct-form high-pass designs: the Q-tuned second-order section and its Butterworth and
// Linkwitz-Riley cascades. The engine runs its high-passes as state-variable sections; these stand
// as the reference designs the tests compare them with.

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
