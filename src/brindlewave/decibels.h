#pragma once
// Decibels and linear gains, for the engine, the editor and the tools alike. One formula,
// 20 log10(x) and 10^(dB / 20), in three precisions: each caller keeps the one its results were
// made with, because a change of a single rounding changes rendered samples, the state the
// host stores, or a pixel of the editor. The engine's fast per-sample forms of the gain
// computer's pair are in dsp/decibels.h and equal these to the bit.

#include <cmath>

namespace brindlewave {

// Extended precision, rounded to float: the gain computer's level (its fast form is checked
// against this one) and the input and output gain parameters.
inline float decibelsOfExtended(float x) noexcept {
    return static_cast<float>(20.0L * std::log10(static_cast<long double>(x)));
}
inline float gainOfDecibelsExtended(double dB) noexcept {
    return static_cast<float>(std::pow(10.0L, static_cast<long double>(dB) / 20.0L));
}

// Double precision: the gain computer's gain (rounded to float by the caller) and the offline
// tools' test signals and measurements, which never return to the sample path.
inline double decibelsOfDouble(double x) noexcept {
    return 20.0 * std::log10(x);
}
inline double gainOfDecibelsDouble(double dB) noexcept {
    return std::pow(10.0, dB / 20.0);
}

// Single precision: what the editor's displays draw (their rows are pinned by the golden
// picture) and the stand-in programme that plays the editor without an engine.
inline float decibelsOfSingle(float x) noexcept {
    return 20.0f * std::log10(x);
}
inline float gainOfDecibelsSingle(float dB) noexcept {
    return std::pow(10.0f, dB / 20.0f);
}

// The gain computer's reference pair: 20 log10(x) in extended precision and 10^(dB / 20) in
// double, both rounded to float.
inline float decibelsOfReference(float x) noexcept {
    return decibelsOfExtended(x);
}
inline float gainOfDecibelsReference(float dB) noexcept {
    return static_cast<float>(gainOfDecibelsDouble(static_cast<double>(dB)));
}

}  // namespace brindlewave
