#include "audiofx/filter/biquad.h"

namespace audiofx {

void BiQuad::setSampleRate(float rate) {
    sampleRate = rate;
    calcCoefficients();
    reset();
}

void BiQuad::initialize(float nb0, float nb1, float nb2, float na1, float na2, float nwet,
                        float ndry) {
    b0 = nb0;
    b1 = nb1;
    b2 = nb2;
    a1 = na1;
    a2 = na2;
    wet = nwet;
    dry = ndry;
    plainMix_ = (wet == 1.0f && dry == 0.0f);
}

void BiQuad::setFrequency(float f) {
    if (f == frequency) return;
    frequency = f;
    calcCoefficients();
}

}  // namespace audiofx
