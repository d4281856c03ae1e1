#include "brindlewave/widgets/canvashelpers.h"

#include <gtest/gtest.h>

#include <cmath>

#include "displayfixture.h"

namespace brindlewave {
namespace {

using geom::box2i;
using geom::vec2f;
using rigging::RGBA;
using namespace brindlewave::testing;

constexpr RGBA kPaper{0, 0, 0, 255};
constexpr RGBA kInk{255, 255, 255, 255};

Picture line(vec2f a, vec2f b, float width) {
    Picture p(40, 40, kPaper);
    rigging::Canvas c;
    c.initialize(p.ref());
    c.fillStyle(kInk);
    fillLine(c, a, b, width);
    return p;
}

TEST(FillLine, ABandOfTheGivenWidthWithSquareEndsAndNoCaps) {
    const Picture p = line(vec2f(10, 10), vec2f(20, 10), 2.0f);
    for (int x = 10; x < 20; ++x) {
        EXPECT_EQ(p.at(x, 9), kInk) << x;
        EXPECT_EQ(p.at(x, 10), kInk) << x;
        EXPECT_EQ(p.at(x, 8), kPaper) << x;
        EXPECT_EQ(p.at(x, 11), kPaper) << x;
    }
    EXPECT_EQ(p.at(9, 10), kPaper);
    EXPECT_EQ(p.at(20, 10), kPaper);
    // The same band whichever end comes first; a vertical one is the transpose.
    EXPECT_EQ(line(vec2f(20, 10), vec2f(10, 10), 2.0f), p);
    const Picture v = line(vec2f(10, 10), vec2f(10, 20), 2.0f);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) ASSERT_EQ(v.at(x, y), p.at(y, x));
}

TEST(FillLine, ADiagonalKeepsItsWidthAcrossTheSegment) {
    const Picture p = line(vec2f(5, 5), vec2f(30, 30), 4.0f);
    // Pixels whose centres lie within 1 pixel of the axis are fully inside the 4-pixel band.
    EXPECT_EQ(p.at(17, 17), kInk);
    EXPECT_EQ(p.at(18, 17), kInk);
    EXPECT_EQ(p.at(21, 17), kPaper);  // about 2.8 pixels off the axis
    EXPECT_EQ(p.at(2, 2), kPaper);    // beyond the square end
}

TEST(FillLine, DegenerateSegmentsDrawNothing) {
    const Picture blank(40, 40, kPaper);
    EXPECT_EQ(line(vec2f(10, 10), vec2f(10, 10), 2.0f), blank);
    EXPECT_EQ(line(vec2f(10, 10), vec2f(10.00005f, 10), 2.0f), blank);
    EXPECT_EQ(line(vec2f(std::nanf(""), 10), vec2f(20, 10), 2.0f), blank);
    EXPECT_EQ(line(vec2f(INFINITY, 10), vec2f(20, 10), 2.0f), blank);
    EXPECT_NE(line(vec2f(10, 10), vec2f(10.5f, 10), 2.0f), blank);
}

TEST(Overlay, BlendsByItsOwnAlphaOnlyWhereItReaches) {
    Picture p(20, 10, RGBA{200, 200, 200, 255});
    rigging::OwnedImage<RGBA>* overlay = makeOverlay(8, 6, RGBA{0, 0, 0, 100});
    (*overlay)(1, 1) = RGBA{0, 0, 0, 0};
    blendOverlay(p.ref(), box2i(0, 0, 20, 10), overlay, false);
    EXPECT_EQ(p.at(0, 0), (RGBA{121, 121, 121, 194}));
    EXPECT_EQ(p.at(1, 1), (RGBA{200, 200, 200, 255}));  // transparent: untouched
    EXPECT_EQ(p.at(8, 0), (RGBA{200, 200, 200, 255}));  // past the overlay
    EXPECT_EQ(p.at(0, 6), (RGBA{200, 200, 200, 255}));

    // Only the rectangle asked for; alpha cleared where the overlay covers.
    Picture q(20, 10, RGBA{200, 200, 200, 255});
    blendOverlay(q.ref(), box2i(2, 2, 4, 4), overlay, true);
    EXPECT_EQ(q.at(2, 2), (RGBA{121, 121, 121, 0}));
    EXPECT_EQ(q.at(4, 4), (RGBA{200, 200, 200, 255}));
    blendOverlay(q.ref(), box2i(0, 0, 20, 10), nullptr, true);
    EXPECT_EQ(q.at(0, 0), (RGBA{200, 200, 200, 255}));
    rigging::destroyFree(overlay);
}

}  // namespace
}  // namespace brindlewave
