#include "audiofx/filter/lowpass.h"

#include <cmath>
#include <numbers>

namespace audiofx {

void ButterworthLP::calcCoefficients() {
    constexpr long double pi = std::numbers::pi_v<long double>;
    K = static_cast<float>(1.0L / std::tan(pi * static_cast<long double>(frequency) /
                                           static_cast<long double>(sampleRate)));
    const float r = std::sqrt(2.0f);
    b0 = 1.0f / ((1.0f + r * K) + K * K);
    b1 = 2.0f * b0;
    b2 = b0;
    a1 = static_cast<float>(2.0 * static_cast<double>(b0) * static_cast<double>(1.0f - K * K));
    a2 = b0 * ((1.0f - r * K) + K * K);
}

void LinkwitzRileyLP::calcCoefficients() {
    const float pi = 3.1415927f;
    omega = pi * frequency;
    theta = omega / sampleRate;
    kappa = omega / std::tan(theta);
    delta = (kappa * kappa + omega * omega) + 2.0f * kappa * omega;
    b0 = omega * omega / delta;
    b1 = 2.0f * b0;
    b2 = b0;
    a1 = (2.0f * omega * omega - 2.0f * kappa * kappa) / delta;
    a2 = ((kappa * kappa - 2.0f * kappa * omega) + omega * omega) / delta;
}

bool LinkwitzRileyLP::isInitialized() const noexcept {
    return !std::isnan(theta) && !std::isnan(omega) && !std::isnan(kappa) && !std::isnan(delta);
}

void LowpassO2::calcCoefficients() {
    computePoles();
    b1 = (0.5f + beta) - gamma;
    b0 = static_cast<float>(static_cast<double>(b1) / 2.0);
    b2 = b1 * 0.5f;
    a1 = -2.0f * gamma;
    a2 = 2.0f * beta;
}

}  // namespace audiofx
