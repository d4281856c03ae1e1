#include "audiofx/filter/statevariable.h"

#include <cmath>
#include <numbers>

#include "audiofx/filter/butterworthq.h"

namespace audiofx {

void StateVariableSection::setSampleRate(float rate) {
    sampleRate = rate;
    calcCoefficients();
    reset();
}

void StateVariableSection::setFrequency(float f) {
    if (f == frequency) return;
    frequency = f;
    calcCoefficients();
}

void StateVariableSection::setQualityFactor(float q) {
    if (q == Q) return;
    Q = q;
    calcCoefficients();
}

void StateVariableSection::calcCoefficients() noexcept {
    constexpr long double pi = std::numbers::pi_v<long double>;
    const long double G =
        std::tan(pi * static_cast<long double>(frequency) / static_cast<long double>(sampleRate));
    const long double k = 1.0L / static_cast<long double>(Q);
    const long double D = 1.0L / ((1.0L + k * G) + G * G);
    g = static_cast<float>(G);
    c1 = static_cast<float>(k + G);
    gd = static_cast<float>(G * D);
    d = static_cast<float>(D);
    twoK = static_cast<float>(2.0L * k);
}

namespace {

int sectionsFor(SectionResponse response, int order) noexcept {
    const int perHalf = order >= 4 ? order / 4 : 0;
    return response == SectionResponse::allpass ? perHalf : 2 * perHalf;
}

}  // namespace

LinkwitzRileyStateVariable::LinkwitzRileyStateVariable(SectionResponse r, int n) noexcept
    : SectionCascade(sectionsFor(r, n), r), response(r), order(n) {
    const int perHalf = n / 4;
    for (int i = 0; i < sections.size(); ++i) sections[i].Q = butterworthQ(n / 2, i % perHalf);
}

void LinkwitzRileyStateVariable::setFrequency(float f) {
    if (f == frequency) return;
    frequency = f;
    for (StateVariableSection& s : sections) s.setFrequency(f);
}

}  // namespace audiofx
