#include "audiofx/filter/qualitybiquad.h"

#include <cmath>
#include <numbers>

namespace audiofx {

namespace {

// Largest float strictly below the exact value v (v is positive and near 1).
float floatBelow(double v) noexcept {
    float f = static_cast<float>(v);
    if (static_cast<double>(f) >= v) f = std::nextafter(f, 0.0f);
    return f;
}

}  // namespace

void QualityBiQuad::setQualityFactor(float q) {
    if (q == Q) return;
    Q = q;
    calcCoefficients();
}

void QualityBiQuad::computePoles() noexcept {
    constexpr long double pi = std::numbers::pi_v<long double>;
    theta = static_cast<float>(2.0L * pi * static_cast<long double>(frequency) /
                               static_cast<long double>(sampleRate));
    d = 1.0f / Q;
    float sn, cs;
    ::sincosf(theta, &sn, &cs);
    const float s = (d * 0.5f) * sn;
    beta =
        static_cast<float>(0.5 * (1.0 - static_cast<double>(s)) / (1.0 + static_cast<double>(s)));
    gamma = static_cast<float>((0.5 + static_cast<double>(beta)) * static_cast<double>(cs));

    // With theta very small or close to pi, rounding to float can put a pole on or outside the
    // unit circle (a2 = 2 beta reaching 1, or |a1| = 2 |gamma| reaching 1 + a2). Pull it back by
    // the least amount; NaN passes untouched.
    if (beta >= 0.5f) beta = std::nextafter(0.5f, 0.0f);
    if (beta <= -0.5f) beta = std::nextafter(-0.5f, 0.0f);
    const double limit = 0.5 + static_cast<double>(beta);  // |gamma| must stay below this
    if (std::fabs(static_cast<double>(gamma)) >= limit)
        gamma = std::copysign(floatBelow(limit), gamma);
}

}  // namespace audiofx
