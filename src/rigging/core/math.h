#pragma once
// Scalar helpers shared by the graphics, GUI and editor code.

#include <cstddef>

namespace rigging {

// (x + m - 1) AND NOT (m - 1); m is a power of two.
constexpr std::size_t nextMultipleOf(std::size_t x, std::size_t m) noexcept {
    return (x + m - 1) & ~(m - 1);
}

template <typename T>
constexpr T lerp(T a, T b, T t) noexcept {
    return (T(1) - t) * a + t * b;
}

// The ends are tested before the cubic, so t at a or b gives exactly 0 or 1.
template <typename T>
constexpr T smoothStep(T a, T b, T t) noexcept {
    if (t <= a) return T(0);
    if (t >= b) return T(1);
    T x = (t - a) / (b - a);
    return (T(3) - T(2) * x) * x * x;
}

// Maps [min, max] onto [newMin, newMax] without clamping.
template <typename T>
constexpr T linmap(T value, T min, T max, T newMin, T newMax) noexcept {
    return (value - min) * (newMax - newMin) / (max - min) + newMin;
}

// IEEE remainder of phase by 2 pi (taken as the float 6.2831855), in [-pi, pi]. One x87
// partial-remainder step in extended precision: complete for |phase| below 2^66, no loop.
inline float normalizePhase(float phase) noexcept {
    long double x = phase;
    const long double twoPi = 6.2831855f;
    asm("fprem1" : "+t"(x) : "u"(twoPi));
    return static_cast<float>(x);
}

}  // namespace rigging
