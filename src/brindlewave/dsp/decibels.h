#pragma once
// The compressor's per-sample decibel conversions, exactly as their reference formulas round,
// at a fraction of the cost. Each takes a fast double-precision route and keeps its result when
// every value within a safe error bound of it rounds to the same float; only results that lie
// next to a rounding boundary fall back to the reference formula, so the output is identical.

#include <cmath>

namespace brindlewave {

// Reference: 20 log10(x) in extended precision, rounded to float.
inline float decibelsOfReference(float x) noexcept {
    return static_cast<float>(20.0L * std::log10(static_cast<long double>(x)));
}

// Reference: 10^(db / 20), the division and the power in double precision, rounded to float.
inline float gainOfDecibelsReference(float db) noexcept {
    return static_cast<float>(std::pow(10.0, static_cast<double>(db) / 20.0));
}

// True when every value in [v - tol, v + tol] rounds to the same float as v.
inline bool roundsSafely(double v, double tol) noexcept {
    return static_cast<float>(v - tol) == static_cast<float>(v + tol);
}

inline float decibelsOf(float x) noexcept {
    // 20 / log2(10): log2 is accurate to about one double ulp, far inside the 2^-44 bound.
    constexpr double dbPerOctave = 6.0205999132796239;
    const double v = dbPerOctave * std::log2(static_cast<double>(x));
    if (roundsSafely(v, std::fabs(v) * 0x1p-44)) return static_cast<float>(v);
    return decibelsOfReference(x);
}

inline float gainOfDecibels(float db) noexcept {
    // exp(x ln 10): the error of x ln 10 is below 2^-44 relative for any float db.
    constexpr double ln10 = 2.3025850929940457;
    const double v = std::exp(static_cast<double>(db) / 20.0 * ln10);
    if (roundsSafely(v, v * 0x1p-40)) return static_cast<float>(v);
    return gainOfDecibelsReference(db);
}

}  // namespace brindlewave
