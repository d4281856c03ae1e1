#include "highpass.h"

namespace audiofx {

void HighpassO2::calcCoefficients() {
    computePoles();
    const float sum = (0.5f + beta) + gamma;
    b1 = -sum;
    b0 = sum / 2.0f;
    b2 = b0;
    a1 = -2.0f * gamma;
    a2 = 2.0f * beta;
}

}  // namespace audiofx
