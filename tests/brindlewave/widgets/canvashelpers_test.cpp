#include "brindlewave/widgets/canvashelpers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <span>

#include "displayfixture.h"

namespace brindlewave {
namespace {

using geom::vec2f;
using rigging::RGBA;
using namespace brindlewave::testing;

constexpr RGBA kPaper{0, 0, 0, 255}, kInk{255, 255, 255, 255};

Picture line(vec2f a, vec2f b) {
    Picture p(40, 40, kPaper);
    rigging::Canvas c;
    c.initialize(p.ref());
    c.fillStyle(kInk);
    fillLine(c, a, b, 2.0f);
    return p;
}

TEST(FillLine, ABandOfTheWidthWithSquareEndsAndNoCaps) {
    const Picture p = line(vec2f(10, 10), vec2f(20, 10));
    for (int x = 10; x < 20; ++x) {
        EXPECT_EQ(p.at(x, 9), kInk) << x;
        EXPECT_EQ(p.at(x, 10), kInk) << x;
        EXPECT_EQ(p.at(x, 11), kPaper) << x;
    }
    EXPECT_EQ(p.at(9, 10), kPaper);
    EXPECT_EQ(p.at(20, 10), kPaper);
    EXPECT_EQ(line(vec2f(20, 10), vec2f(10, 10)), p);  // either end first
    const Picture blank(40, 40, kPaper);
    EXPECT_EQ(line(vec2f(10, 10), vec2f(10.00005f, 10)), blank);
    EXPECT_EQ(line(vec2f(std::nanf(""), 10), vec2f(20, 10)), blank);
    EXPECT_EQ(line(vec2f(INFINITY, 10), vec2f(20, 10)), blank);
}

TEST(FillAreaUnder, ClosesStraightDownFromTheLastPointAndAlongTheBottom) {
    auto area = [](std::span<const vec2f> points) {
        Picture p(40, 40, kPaper);
        rigging::Canvas c;
        c.initialize(p.ref());
        c.fillStyle(kInk);
        fillAreaUnder(c, points, 30.0f);
        return p;
    };
    // A ramp from (0, 30) to (20, 10): the triangle under it, nothing right of x = 20.
    const vec2f ramp[] = {vec2f(0, 30), vec2f(20, 10)};
    const Picture p = area(ramp);
    EXPECT_EQ(p.at(19, 12), kInk);
    EXPECT_EQ(p.at(10, 29), kInk);
    EXPECT_EQ(p.at(5, 15), kPaper);  // above the ramp
    EXPECT_EQ(p.at(21, 20), kPaper);
    EXPECT_EQ(p.at(10, 30), kPaper);  // the bottom row is the edge
    const Picture blank(40, 40, kPaper);
    EXPECT_EQ(area({}), blank);
}

}  // namespace
}  // namespace brindlewave
