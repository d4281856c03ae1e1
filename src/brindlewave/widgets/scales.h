#pragma once
// The editor's two scales: levels from -60 dB (0) to +6 dB (1), and frequencies from 20 Hz
// (x 0) to 20 kHz (x 1000) on a logarithmic axis. Shared by every display that draws levels or
// frequencies, so that meters, curves and the spectrum agree to the pixel.

#include <cmath>

namespace brindlewave {

// (clamp(dB, -60, 6) + 60) / 66; NaN counts as -60 dB.
inline float levelFromDecibels(float dB) noexcept {
    if (!(dB > -60.0f)) dB = -60.0f;
    if (dB > 6.0f) dB = 6.0f;
    return (dB + 60.0f) / 66.0f;
}

// A linear amplitude on the level scale: 0 and anything at or below 0.001 give 0.
inline float levelFromAmplitude(float amplitude) noexcept {
    return levelFromDecibels(20.0f * std::log10(amplitude));
}

// A threshold in dB on the level scale, unclamped: (t + 60) / 66.
inline float levelFromThreshold(float dB) noexcept {
    return (dB + 60.0f) / 66.0f;
}

// The row a level sits on in a display `height` pixels high:
// trunc(clamp((1 - level) x height, 0, height - 1)). NaN gives the bottom row.
inline int rowForLevel(float level, int height) noexcept {
    float y = (1.0f - level) * static_cast<float>(height);
    const float last = static_cast<float>(height - 1);
    if (!(y < last)) y = last;
    if (y < 0.0f) y = 0.0f;
    return static_cast<int>(y);
}

// Position of a frequency on the 1000-pixel axis, as a fraction: clamp(log10(f / 20) / 3, 0, 1),
// rounded to float. 0 Hz and NaN give 0.
inline float frequencyFraction(double hz) noexcept {
    float g = static_cast<float>(std::log10(hz / 20.0) / 3.0);
    if (!(g > 0.0f)) return 0.0f;
    return g < 1.0f ? g : 1.0f;
}

// round(1000 x frequencyFraction(f)): 20 Hz is 0, 20 kHz is 1000.
inline int frequencyToX(double hz) noexcept {
    return static_cast<int>(std::round(1000.0f * frequencyFraction(hz)));
}

// 20 x 1000^(x / 1000), clamped to 20 .. 20000 Hz.
inline double xToFrequency(double x) noexcept {
    double f = 20.0 * std::pow(10.0, 3.0 * x / 1000.0);
    if (!(f > 20.0)) return 20.0;
    return f < 20000.0 ? f : 20000.0;
}

}  // namespace brindlewave
