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
    return WindowDesc(t, a, p);
}

TEST(WindowShapes, ShortWindowsHaveTheirTextbookValues) {
    const double hann[] = {0, 0.5, 1, 0.5};
    const double triangle[] = {0, 0.5, 1, 0.5};
    for (int n = 0; n < 4; ++n) {
        EXPECT_NEAR(evalWindow(desc(WindowType::hann), n, 4), hann[n], 1e-15) << n;
        EXPECT_NEAR(evalWindow(desc(WindowType::triangle), n, 4), triangle[n], 1e-15) << n;
    }
    // At n = 0 every cosine term is +1 or -1; at N/2 the odd ones change sign.
    struct Case {
        WindowType type;
        double atZero, atCentre;
    };
    const Case cases[] = {
        {WindowType::hamming, 0.08, 1.0},
        {WindowType::nuttall, 0.355768 - 0.487396 + 0.144232 - 0.012604,
         0.355768 + 0.487396 + 0.144232 + 0.012604},
        {WindowType::blackmanNuttall, 0.3635819 - 0.4891775 + 0.1365995 - 0.0106411,
         0.3635819 + 0.4891775 + 0.1365995 + 0.0106411},
        {WindowType::blackmanHarris, 0.35875 - 0.48829 + 0.14128 - 0.01168, 1.0},
        {WindowType::flatTop, 1 - 1.93 + 1.29 - 0.388 + 0.028, 1 + 1.93 + 1.29 + 0.388 + 0.028},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(evalWindow(desc(c.type), 0, 64), c.atZero, 1e-12) << int(c.type);
        EXPECT_NEAR(evalWindow(desc(c.type), 32, 64), c.atCentre, 1e-12) << int(c.type);
    }
}

TEST(WindowShapes, RectangularAndUnknownTypesAreOne) {
    for (int type : {0, 9, 100, -1})
        for (int n = 0; n < 5; ++n)
            EXPECT_EQ(evalWindow(desc(static_cast<WindowType>(type)), n, 5), 1.0) << type;
}

TEST(WindowShapes, KaiserFollowsTheBesselFunction) {
    const float alpha = 3.0f;
    const double i0 = std::cyl_bessel_i(0.0, std::numbers::pi * alpha);
    const auto kaiser = desc(WindowType::kaiser, WindowAlignment::right, alpha);
    EXPECT_NEAR(evalWindow(kaiser, 0, 16), 1.0 / i0, 1e-12);
    EXPECT_NEAR(evalWindow(kaiser, 8, 16), 1.0, 1e-12);
    const double r = 2.0 * 5 / 16 - 1;
    EXPECT_NEAR(evalWindow(kaiser, 5, 16),
                std::cyl_bessel_i(0.0, std::numbers::pi * alpha * std::sqrt(1 - r * r)) / i0,
                1e-10);
    // alpha 0 flattens it to a rectangle.
    EXPECT_EQ(evalWindow(desc(WindowType::kaiser, WindowAlignment::right, 0), 3, 16), 1.0);
}

TEST(WindowAlignments, LeftAndSymmetricMoveThePoints) {
    const auto right = desc(WindowType::hann);
    const auto left = desc(WindowType::hann, WindowAlignment::left);
    const auto symmetric = desc(WindowType::hann, WindowAlignment::symmetric);
    const int N = 1024;
    EXPECT_EQ(evalWindow(left, 0, N), evalWindow(right, N - 1, N));
    EXPECT_EQ(evalWindow(left, 1, N), evalWindow(right, 2, N));
    EXPECT_EQ(evalWindow(left, N - 1, N), evalWindow(right, N, N));
    EXPECT_NEAR(evalWindow(left, N / 2 - 1, N), 1.0, 1e-15);

    EXPECT_NEAR(evalWindow(symmetric, 0, 9), 0.0, 1e-15);
    EXPECT_NEAR(evalWindow(symmetric, 8, 9), 0.0, 1e-15);
    EXPECT_NEAR(evalWindow(symmetric, 4, 9), 1.0, 1e-15);
    for (int n = 0; n < 9; ++n)
        EXPECT_NEAR(evalWindow(symmetric, n, 9), evalWindow(symmetric, 8 - n, 9), 1e-15);

    // One symmetric point has no interval to spread over: it is the whole window.
    EXPECT_EQ(evalWindow(symmetric, 0, 1), 1.0);
}

}  // namespace
