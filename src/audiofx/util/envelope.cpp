#include "audiofx/util/envelope.h"

namespace audiofx {

void EnvelopeDetector::setTimeConstant(float tc) {
    timeConstant = static_cast<float>(std::log10(static_cast<long double>(tc)));
}

void EnvelopeDetector::setEnvelope(float attackMs, float releaseMs) {
    attackCoeff = smoothingCoefficient(timeConstant, attackMs, sampleRate);
    releaseCoeff = smoothingCoefficient(timeConstant, releaseMs, sampleRate);
}

}  // namespace audiofx
