// Overlays are blended over what the displays draw, so they must leave the content visible and
// put their scale marks on the rows and columns the displays use.

#include <gtest/gtest.h>

#include <algorithm>

#include "brindlewave/gfx/resources.h"
#include "committedart.h"

namespace {

namespace R = brindlewave::gfx;
using gfxgen::Image8;
using gfxtest::committed;

int alpha(const Image8& img, int x, int y) {
    return img.at(x, y)[3];
}

TEST(Overlays, FramedWindowsThatLeaveTheContentVisible) {
    for (std::string_view name :
         {R::kEnvelopeOverlay, R::kCurveOverlay, R::kHistoryOverlay, R::kMeterOverlay}) {
        const Image8& o = committed(name);
        for (int y = 0; y < o.h; ++y)
            for (int x = 0; x < o.w; ++x) {
                const bool edge = x == 0 || y == 0 || x == o.w - 1 || y == o.h - 1;
                const bool inner = x >= 5 && y >= 5 && x < o.w - 5 && y < o.h - 5;
                if (edge) {
                    ASSERT_GE(alpha(o, x, y), 150) << name << " " << x << "," << y;
                }
                if (inner) {
                    ASSERT_LE(alpha(o, x, y), 110) << name << " " << x << "," << y;
                }
            }
    }
}

TEST(Overlays, ScaleMarksSitOnTheDisplaysLevels) {
    // Mean alpha of a row (or column) of the interior.
    auto row = [](const Image8& o, int y, int x0, int x1) {
        int s = 0;
        for (int x = x0; x < x1; ++x) s += alpha(o, x, y);
        return s / double(x1 - x0);
    };
    auto column = [](const Image8& o, int x) {
        int s = 0;
        for (int y = 40; y < 60; ++y) s += alpha(o, x, y);
        return s / 20.0;
    };
    const Image8& history = committed(R::kHistoryOverlay);
    for (int y : {9, 13, 21, 37})  // -6, -12, -24 and -48 dB
        EXPECT_GT(row(history, y, 5, 95), row(history, y + 2, 5, 95) + 15) << y;
    const Image8& curve = committed(R::kCurveOverlay);
    for (int x : {18, 36, 54, 72, 90}) {  // knees at -48 .. 0 dB, in and out
        EXPECT_GT(column(curve, x), column(curve, x + 2) + 15) << x;
        EXPECT_GT(row(curve, 100 - x, 30, 45), row(curve, 100 - x + 2, 30, 45) + 15) << x;
    }
    const Image8& meter = committed(R::kMeterOverlay);
    for (int y : {24, 48, 72, 96, 120, 168, 216})  // 0 .. -48 dB
        EXPECT_GT(alpha(meter, 1, y), alpha(meter, 1, y + 1) + 15) << y;
    const Image8& envelope = committed(R::kEnvelopeOverlay);
    for (int x = 20; x < 100; x += 20)
        EXPECT_GT(alpha(envelope, x, 97), alpha(envelope, x + 2, 97) + 15) << x;
}

TEST(Overlays, LinkGlyphsOnIsAccentGreenOffIsTranslucentGrey) {
    const Image8& on = committed(R::kLinkOn);
    const Image8& off = committed(R::kLinkOff);
    int greenOpaque = 0, offMax = 0;
    for (int y = 0; y < on.h; ++y)
        for (int x = 0; x < on.w; ++x) {
            const uint8_t* p = on.at(x, y);
            if (p[3] > 200 && p[1] > p[0] + 80 && p[1] > p[2] + 80) ++greenOpaque;
            const uint8_t* q = off.at(x, y);
            offMax = std::max<int>(offMax, q[3]);
            EXPECT_LE(std::max({q[0], q[1], q[2]}) - std::min({q[0], q[1], q[2]}), 2);
        }
    EXPECT_GT(greenOpaque, 20);
    EXPECT_GT(offMax, 120);
    EXPECT_LE(offMax, 170);
    for (const Image8* img : {&on, &off}) {
        EXPECT_EQ(alpha(*img, 0, 0), 0);
        EXPECT_EQ(alpha(*img, img->w - 1, img->h - 1), 0);
    }
}

}  // namespace
