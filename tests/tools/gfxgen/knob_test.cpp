#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "brindlewave/editorlayout.h"
#include "brindlewave/gfx/resources.h"
#include "committedart.h"

namespace {

namespace L = brindlewave::layout;
using gfxgen::Image8;

constexpr int kSize = L::kKnobSize;
constexpr float kCentre = 22.5f;  // middle of pixel 22, the knob's hit-test centre

const Image8& strip() {
    return gfxtest::committed(brindlewave::gfx::kKnobFilmstrip);
}
const uint8_t* px(int frame, int x, int y) {
    return strip().at(x, frame * kSize + y);
}

bool isPointer(const uint8_t* p) {
    return p[3] == 255 && p[1] > p[0] + 60 && p[1] > p[2] + 50;
}

TEST(KnobFilmstrip, EveryFrameIsADiscWithAnOpaqueCentre) {
    ASSERT_EQ(strip().h, kSize * L::kKnobFrames);
    for (int f = 0; f < L::kKnobFrames; ++f) {
        EXPECT_EQ(px(f, 0, 0)[3], 0) << f;
        EXPECT_EQ(px(f, kSize - 1, 0)[3], 0) << f;
        EXPECT_EQ(px(f, 0, kSize - 1)[3], 0) << f;
        EXPECT_EQ(px(f, kSize - 1, kSize - 1)[3], 0) << f;
        EXPECT_EQ(px(f, 22, 22)[3], 255) << f;
        // Nothing shows outside the inscribed disc, which is also the knob's hit area.
        for (int y = 0; y < kSize; ++y)
            for (int x = 0; x < kSize; ++x)
                if (std::hypot(x + 0.5f - kCentre, y + 0.5f - kCentre) > 22.5f) {
                    ASSERT_EQ(px(f, x, y)[3], 0) << f << " at " << x << "," << y;
                }
    }
}

TEST(KnobFilmstrip, PointerTurnsThroughTheSweep) {
    for (int f = 0; f < L::kKnobFrames; ++f) {
        double sx = 0, sy = 0;
        int n = 0;
        for (int y = 0; y < kSize; ++y)
            for (int x = 0; x < kSize; ++x)
                if (isPointer(px(f, x, y))) {
                    sx += x + 0.5 - kCentre, sy += y + 0.5 - kCentre;
                    ++n;
                }
        ASSERT_GE(n, 8) << "frame " << f << " shows no pointer";
        // Clockwise from 12 o'clock, with the picture's y pointing down.
        const double angle = std::atan2(sx, -sy) * 180.0 / 3.14159265358979;
        double error = angle - L::knobPointerDegrees(f);
        error = std::remainder(error, 360.0);
        EXPECT_LT(std::fabs(error), 5.0) << "frame " << f << " points at " << angle;
    }
}

TEST(KnobFilmstrip, NeighbouringFramesDifferAndTheEndsAreApart) {
    auto same = [](int a, int b) {
        return std::memcmp(px(a, 0, 0), px(b, 0, 0), size_t(kSize) * kSize * 4) == 0;
    };
    EXPECT_FALSE(same(0, L::kKnobFrames - 1));
    for (int f = 1; f < L::kKnobFrames; ++f) EXPECT_FALSE(same(f - 1, f)) << f;
}

TEST(KnobFilmstrip, LitFromTheUpperLeftLikeThePanel) {
    // Compare the skirt (radius 15.5 to 18) on the upper left and the lower right, and the drop
    // shadow just outside the body below-right and above-left, over all frames.
    double litUpperLeft = 0, litLowerRight = 0, shadowBelow = 0, shadowAbove = 0;
    for (int f = 0; f < L::kKnobFrames; ++f)
        for (int y = 0; y < kSize; ++y)
            for (int x = 0; x < kSize; ++x) {
                const float dx = x + 0.5f - kCentre, dy = y + 0.5f - kCentre;
                const float r = std::hypot(dx, dy);
                const uint8_t* p = px(f, x, y);
                const bool upperLeft = dx < -3 && dy<-3, lowerRight = dx> 3 && dy > 3;
                if (r > 15.5f && r < 18.0f) {
                    if (upperLeft) litUpperLeft += gfxtest::luminance(p);
                    if (lowerRight) litLowerRight += gfxtest::luminance(p);
                }
                if (r > 19.0f && r < 21.0f) {
                    if (upperLeft) shadowAbove += p[3];
                    if (lowerRight) shadowBelow += p[3];
                }
            }
    EXPECT_GT(litUpperLeft, 1.3 * litLowerRight);
    EXPECT_GT(shadowBelow, 2.0 * shadowAbove);
}

}  // namespace
