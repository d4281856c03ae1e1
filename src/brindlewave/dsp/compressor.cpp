#include "brindlewave/dsp/compressor.h"

#include "audiofx/util/envelope.h"
#include "brindlewave/dsp/unityceiling.h"

namespace brindlewave {

void BrindlewaveCompressor::initialize(float rate, float attackMs, float releaseMs,
                                       float thresholdDb, float ratioValue,
                                       float makeupGainValue) noexcept {
    sampleRate = rate;
    timeConstant = static_cast<float>(std::log10(0.01L));
    attackCoeff = audiofx::smoothingCoefficient(timeConstant, attackMs, sampleRate);
    releaseCoeff = audiofx::smoothingCoefficient(timeConstant, releaseMs, sampleRate);
    envelope = 0.0f;
    threshold = thresholdDb;
    ratio = ratioValue;
    makeupGain = makeupGainValue;
    deriveGainComputer();
}

void BrindlewaveCompressor::setParams(const CompressorParams& p) noexcept {
    attackCoeff = audiofx::smoothingCoefficient(timeConstant, p.attack, sampleRate);
    releaseCoeff = audiofx::smoothingCoefficient(timeConstant, p.release, sampleRate);
    threshold = p.threshold;
    ratio = p.ratio;
    makeupGain = p.makeupGain;
    deriveGainComputer();
}

void BrindlewaveCompressor::deriveGainComputer() noexcept {
    slope = static_cast<float>(1.0 - 1.0 / static_cast<double>(ratio));
    if (threshold == ceilingThreshold && slope == ceilingSlope) return;
    unityCeiling = unityGainCeiling(threshold, slope);
    ceilingThreshold = threshold;
    ceilingSlope = slope;
}

}  // namespace brindlewave
