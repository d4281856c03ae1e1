// Window shapes and alignments.

#include "rigging/dsp/window.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

using rigging::evalWindow;
using rigging::WindowAlignment;
using rigging::WindowDesc;
using rigging::WindowType;

WindowDesc desc(WindowType t, WindowAlignment a = WindowAlignment::right, float p = 0) {
    return {t, a, p};
}

TEST(WindowShapes, ValuesAtTheEdgesAndCentre) {
    const double quarterPoints[] = {0, 0.5, 1, 0.5};
    for (int n = 0; n < 4; ++n) {
        EXPECT_NEAR(evalWindow(desc(WindowType::hann), n, 4), quarterPoints[n], 1e-15) << n;
        EXPECT_NEAR(evalWindow(desc(WindowType::triangle), n, 4), quarterPoints[n], 1e-15) << n;
    }
    // At n = 0 every cosine term counts -a_k for odd k; at N/2 every term counts +a_k.
    EXPECT_NEAR(evalWindow(desc(WindowType::nuttall), 0, 64), 0.0, 1e-12);
    EXPECT_NEAR(evalWindow(desc(WindowType::blackmanHarris), 0, 64), 0.00006, 1e-12);
    EXPECT_NEAR(evalWindow(desc(WindowType::blackmanNuttall), 32, 64), 1.0, 1e-12);
    EXPECT_NEAR(evalWindow(desc(WindowType::flatTop), 32, 64), 4.636, 1e-12);
    EXPECT_NEAR(evalWindow(desc(WindowType::hamming), 0, 64), 0.08, 1e-12);

    for (int type : {0, 9, -1})  // rectangular and unknown types
        EXPECT_EQ(evalWindow(desc(static_cast<WindowType>(type)), 2, 5), 1.0) << type;

    const float alpha = 3.0f;
    const auto kaiser = desc(WindowType::kaiser, WindowAlignment::right, alpha);
    const double i0 = std::cyl_bessel_i(0.0, std::numbers::pi * alpha), r = 2.0 * 5 / 16 - 1;
    EXPECT_NEAR(evalWindow(kaiser, 0, 16), 1.0 / i0, 1e-12);
    EXPECT_NEAR(evalWindow(kaiser, 5, 16),
                std::cyl_bessel_i(0.0, std::numbers::pi * alpha * std::sqrt(1 - r * r)) / i0,
                1e-10);
}

TEST(WindowAlignments, LeftAndSymmetricMoveThePoints) {
    const auto right = desc(WindowType::hann);
    const auto left = desc(WindowType::hann, WindowAlignment::left);
    const auto symmetric = desc(WindowType::hann, WindowAlignment::symmetric);
    EXPECT_EQ(evalWindow(left, 0, 1024), evalWindow(right, 1023, 1024));
    EXPECT_EQ(evalWindow(left, 1, 1024), evalWindow(right, 2, 1024));
    EXPECT_NEAR(evalWindow(left, 511, 1024), 1.0, 1e-15);

    for (int n = 0; n < 9; ++n)
        EXPECT_NEAR(evalWindow(symmetric, n, 9), 0.5 - 0.5 * std::cos(std::numbers::pi * n / 4),
                    1e-15);
    // One symmetric point has no interval to spread over: it is the whole window.
    EXPECT_EQ(evalWindow(symmetric, 0, 1), 1.0);
}

}  // namespace
