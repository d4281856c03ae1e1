#include "allpass.h"

#include <cmath>
#include <numbers>

namespace audiofx {

void AllpassO2::calcCoefficients() {
    constexpr long double pi = std::numbers::pi_v<long double>;
    const float theta = static_cast<float>(2.0L * pi * static_cast<long double>(frequency) /
                                           static_cast<long double>(sampleRate));
    float sn, cs;
    ::sincosf(theta, &sn, &cs);
    const float alpha = sn / 1.414f;
    b0 = a2 = (1.0f - alpha) / (1.0f + alpha);
    b1 = a1 = -2.0f * cs / (1.0f + alpha);
    b2 = (1.0f + alpha) / (1.0f + alpha);
}

void AllpassO1::calcCoefficients() {
    const float t = std::tan(3.1415927f * frequency / sampleRate);
    alpha = (t - 1.0f) / (t + 1.0f);
    b0 = alpha;
    b1 = 1.0f;
    b2 = 0.0f;
    a1 = alpha;
    a2 = 0.0f;
}

AllpassNthOrder::AllpassNthOrder(int n) noexcept
    : order(n), secondOrder(n / 2), firstOrder(n > 0 && n % 2 != 0 ? 1 : 0) {}

void AllpassNthOrder::reset() {
    for (AllpassO1& s : firstOrder) s.reset();
    for (AllpassO2& s : secondOrder) s.reset();
}

void AllpassNthOrder::setSampleRate(float rate) {
    if (rate == sampleRate) return;
    sampleRate = rate;
    for (AllpassO1& s : firstOrder) s.setSampleRate(rate);
    for (AllpassO2& s : secondOrder) s.setSampleRate(rate);
}

void AllpassNthOrder::setFrequency(float f) {
    if (f == frequency) return;
    frequency = f;
    for (AllpassO1& s : firstOrder) s.setFrequency(f);
    for (AllpassO2& s : secondOrder) s.setFrequency(f);
}

}  // namespace audiofx
