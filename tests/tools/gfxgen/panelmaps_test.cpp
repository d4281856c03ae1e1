#include "panelmaps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "brindlewave/gfx/resources.h"
#include "committedart.h"
#include "shapes.h"
#include "text.h"

namespace {

using namespace gfxgen;

TEST(HeightEncoding, RoundTripsThroughTheEditorsReading) {
    uint8_t rgb[3];
    encodeHeight(0, rgb);
    EXPECT_EQ(decodeHeight(rgb), 0);
    encodeHeight(65535, rgb);
    EXPECT_EQ(decodeHeight(rgb), 65535);
    // Out of range saturates instead of wrapping.
    encodeHeight(-500, rgb);
    EXPECT_EQ(decodeHeight(rgb), 0);
    encodeHeight(70000, rgb);
    EXPECT_EQ(decodeHeight(rgb), 65535);
    int previous = -1;
    for (float h = 0; h <= 65535; h += 7.3f) {
        encodeHeight(h, rgb);
        const int d = decodeHeight(rgb);
        // 766 levels: within half a step of the height, never going back down.
        ASSERT_LE(std::fabs(d - h), 65535.0f / 765 / 2 + 1) << h;
        ASSERT_GE(d, previous) << h;
        previous = d;
        // The channels stay within one level of each other (a grey picture).
        ASSERT_LE(std::max({rgb[0], rgb[1], rgb[2]}) - std::min({rgb[0], rgb[1], rgb[2]}), 1);
    }
}

TEST(PanelMaps, BevelRampsFromTheEdgeToThePlateau) {
    PanelMaps m(40, 10, Surface{}, 1000.0f);
    auto box = [](float x, float y) { return sdRoundRect(x, y, 10, 0, 30, 10, 0); };
    m.shapeHeight({0, 0, 40, 10}, box, 5000.0f, 4.0f, Bevel::linear);
    EXPECT_FLOAT_EQ(m.height.at(9, 5), 1000.0f);                          // outside
    EXPECT_NEAR(m.height.at(10, 5), 1000.0f + 4000.0f * 0.5f / 4, 1.0f);  // half a pixel in
    EXPECT_NEAR(m.height.at(12, 5), 1000.0f + 4000.0f * 2.5f / 4, 1.0f);
    EXPECT_FLOAT_EQ(m.height.at(20, 5), 5000.0f);               // plateau
    EXPECT_NEAR(m.height.at(29, 5), m.height.at(10, 5), 1.0f);  // symmetric on the far side
    // Without a bevel the step is anti-aliased: a pixel half inside moves halfway.
    PanelMaps s(4, 1, Surface{}, 0.0f);
    s.shapeHeight(
        {0, 0, 4, 1}, [](float x, float) { return x - 2.0f; }, 1000.0f, 0.0f);
    EXPECT_FLOAT_EQ(s.height.at(1, 0), 1000.0f);
    EXPECT_FLOAT_EQ(s.height.at(2, 0), 0.0f);
    PanelMaps h(4, 1, Surface{}, 0.0f);
    h.shapeHeight(
        {0, 0, 4, 1}, [](float x, float) { return x - 2.5f; }, 1000.0f, 0.0f);
    EXPECT_FLOAT_EQ(h.height.at(2, 0), 500.0f);
}

TEST(Shapes, ConvexPolygonDistanceForEitherWinding) {
    const float xs[4] = {0, 10, 10, 0}, ys[4] = {0, 0, 10, 10};
    const float rx[4] = {0, 0, 10, 10}, ry[4] = {0, 10, 10, 0};
    for (const auto* p : {&xs, &rx}) {
        const float* px = *p;
        const float* py = p == &xs ? ys : ry;
        EXPECT_FLOAT_EQ(sdConvexPolygon(5, 5, px, py, 4), -5.0f);
        EXPECT_FLOAT_EQ(sdConvexPolygon(5, 1, px, py, 4), -1.0f);
        EXPECT_FLOAT_EQ(sdConvexPolygon(13, 5, px, py, 4), 3.0f);
        EXPECT_FLOAT_EQ(sdConvexPolygon(13, 14, px, py, 4), 5.0f);  // nearest is a corner
    }
}

TEST(Text, CentredTextIsCentredOnItsInk) {
    const Font font(gfxtest::gfxPath(brindlewave::gfx::kFont));
    ASSERT_TRUE(font.ok());
    for (const char* s : {"ALIGN", "IN", "OVERSAMPLING", "1k"}) {
        Plane cov(200, 60);
        font.drawCentred(cov, s, 100.0f, 30.0f, 12.0f, 1.5f);
        double sum = 0, sx = 0;
        int top = 60, bottom = -1;
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 200; ++x) {
                const float c = cov.at(x, y);
                if (c <= 0.02f) continue;
                sum += c, sx += c * (x + 0.5);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
        ASSERT_GT(sum, 10) << s;
        EXPECT_NEAR(sx / sum, 100.0, 2.0) << s;
        EXPECT_NEAR((top + bottom + 1) * 0.5, 30.0, 1.0) << s;
        // Capitals of size 12 are about 7 px tall; round letters overshoot by a row.
        EXPECT_NEAR(bottom + 1 - top, font.capHeight(12.0f), 2.0) << s;
    }
}

}  // namespace
