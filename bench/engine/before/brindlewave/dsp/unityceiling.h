#pragma once
// The largest envelope for which the compressor's gain computer gives a gain of exactly 1.

namespace brindlewave_before {

// The gain computer's reference result for one envelope: r = (threshold - 20 log10 env) x slope,
// no reduction unless r < 0, else 10^(r / 20) (all roundings as the compressor does them).
float referenceGain(float envelope, float threshold, float slope) noexcept;

// Every envelope from 0 up to the returned float gets a gain of exactly 1 (the gain falls as the
// envelope rises); +inf when nothing is ever reduced (slope 0, NaN settings).
float unityGainCeiling(float threshold, float slope) noexcept;

}  // namespace brindlewave_before
