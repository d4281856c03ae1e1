#pragma once
// The editor's two scales: levels from -60 dB (0) to +6 dB (1), and frequencies from 20 Hz
// (x 0) to 20 kHz (x 1000) on a logarithmic axis. The widgets draw with them and the artwork
// generator draws its grid lines with them, so that meters, curves, the spectrum and the
// painted scales agree to the pixel.

#include <cmath>

#include "brindlewave/decibels.h"

namespace brindlewave {

// ---- Levels -------------------------------------------------------------------------------

// (clamp(dB, -60, 6) + 60) / 66; NaN counts as -60 dB.
inline float levelFromDecibels(float dB) noexcept {
    if (!(dB > -60.0f)) dB = -60.0f;
    if (dB > 6.0f) dB = 6.0f;
    return (dB + 60.0f) / 66.0f;
}

// A linear amplitude on the level scale: 0 and anything at or below 0.001 give 0.
inline float levelFromAmplitude(float amplitude) noexcept {
    // Silence would take the logarithm's slow error path (a pole) for the same 0.
    if (!(amplitude > 0.0f)) return 0.0f;
    return levelFromDecibels(decibelsOfSingle(amplitude));
}

// A threshold in dB on the level scale, unclamped: (t + 60) / 66.
inline float levelFromThreshold(float dB) noexcept {
    return (dB + 60.0f) / 66.0f;
}

// Rows of a level in a display `height` pixels high, row 0 at the top. Three roundings, each
// the one its display has always drawn with (the golden picture pins them): the meters and the
// threshold bars truncate, the spectrum's curve rounds to nearest, and the gain-reduction
// history rounds up.

// trunc(clamp((1 - level) x height, 0, height - 1)). NaN gives the bottom row.
inline int rowForLevel(float level, int height) noexcept {
    float y = (1.0f - level) * static_cast<float>(height);
    const float last = static_cast<float>(height - 1);
    if (!(y < last)) y = last;
    if (y < 0.0f) y = 0.0f;
    return static_cast<int>(y);
}

// round((1 - level) x height), not clamped: the spectrum keeps its curve on screen itself.
// NaN counts as level 0.
inline int curveRowForLevel(float level, int height) noexcept {
    if (std::isnan(level)) level = 0.0f;
    return static_cast<int>(std::round((1.0f - level) * static_cast<float>(height)));
}

// ceil(height - height x level), not clamped. NaN counts as level 0.
inline int historyRowForLevel(float level, int height) noexcept {
    if (std::isnan(level)) level = 0.0f;
    const auto h = static_cast<float>(height);
    return static_cast<int>(std::ceil(h - h * level));
}

// trunc(level x size): how far a level reaches from the zero end of a display `size` pixels
// long; the compressor curve puts its knee this far from the left and from the bottom edge.
inline int levelSpan(float level, int size) noexcept {
    return static_cast<int>(std::trunc(static_cast<float>(size) * level));
}

// ---- Frequencies --------------------------------------------------------------------------

// Position of a frequency on the axis, as a fraction: clamp(log10(f / 20) / 3, 0, 1) in double
// precision, for placing a crossover from another one without a pixel's rounding creeping in.
// 0 Hz and NaN give 0.
inline double exactFrequencyFraction(double hz) noexcept {
    const double g = std::log10(hz / 20.0) / 3.0;
    if (!(g > 0.0)) return 0.0;
    return g < 1.0 ? g : 1.0;
}

// The same fraction rounded to float, as the pixel columns are computed from it.
inline float frequencyFraction(double hz) noexcept {
    return static_cast<float>(exactFrequencyFraction(hz));
}

// round(1000 x frequencyFraction(f)): 20 Hz is 0, 20 kHz is 1000.
inline int frequencyToX(double hz) noexcept {
    return static_cast<int>(std::round(1000.0f * frequencyFraction(hz)));
}

// Frequencies are kept to 20 .. 20000 Hz; NaN gives 20 Hz.
inline double clampToFrequencyAxis(double hz) noexcept {
    if (!(hz > 20.0)) return 20.0;
    return hz < 20000.0 ? hz : 20000.0;
}

// 20 x 1000^(x / 1000), clamped to 20 .. 20000 Hz, from a pixel position.
inline double xToFrequency(double x) noexcept {
    return clampToFrequencyAxis(20.0 * std::pow(10.0, 3.0 * x / 1000.0));
}

// 20 x 1000^g, clamped to 20 .. 20000 Hz, from a fraction of the axis. Not xToFrequency(1000 g):
// the spectrum drags in fractions of its width, and the two products round differently.
inline double frequencyOfFraction(double g) noexcept {
    return clampToFrequencyAxis(20.0 * std::pow(10.0, 3.0 * g));
}

}  // namespace brindlewave
