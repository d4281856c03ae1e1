// Filling paths through the canvas: coverage at pixel edges, winding, clipping to crops of a
// shared buffer, degenerate and non-finite geometry, arcs and the transform.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "pixels.h"
#include "rigging/canvas/canvas.h"

namespace {

using rigging::Canvas;
using rigging::RGBA;
using testpix::kBlack;
using testpix::kWhite;
using testpix::Pixels;

// A target and a canvas over all of it, filling in white.
struct Drawn : Pixels {
    Canvas c;
    Drawn(int w, int h, RGBA background = kBlack) : Pixels(w, h, background) {
        c.initialize(ref());
        c.fillStyle(kWhite);
    }
    int changed(RGBA background = kBlack) {
        int n = 0;
        for (const RGBA& px : data) n += !(px == background);
        return n;
    }
    double inkArea() {
        double s = 0;
        for (const RGBA& px : data) s += px.r / 255.0;
        return s;
    }
};

TEST(CanvasCoverage, SquareOnHalfPixelsGivesHalvesAndQuartersAroundAFullPixel) {
    Drawn p(4, 4);
    p.c.fillRect(0.5f, 0.5f, 2.0f, 2.0f);
    EXPECT_EQ(p.red(1, 1), 255);
    for (auto [x, y] : {std::pair{1, 0}, {0, 1}, {2, 1}, {1, 2}}) {
        EXPECT_GE(p.red(x, y), 127) << x << "," << y;
        EXPECT_LE(p.red(x, y), 128) << x << "," << y;
    }
    for (auto [x, y] : {std::pair{0, 0}, {2, 0}, {0, 2}, {2, 2}}) {
        EXPECT_GE(p.red(x, y), 63) << x << "," << y;
        EXPECT_LE(p.red(x, y), 64) << x << "," << y;
    }
    for (int i = 0; i < 4; ++i) EXPECT_EQ(p.red(3, i) + p.red(i, 3), 0);
}

TEST(CanvasCoverage, OpaqueColoursAreStoredExactlyTranslucentOnesBlendEveryChannel) {
    // Widths around multiples of 4: groups crossed by an edge and interior runs agree.
    const RGBA colour{200, 10, 77, 255};
    for (int w : {1, 3, 4, 5, 13}) {
        Drawn p(w, 3, RGBA{9, 8, 7, 6});
        p.c.fillStyle(colour);
        p.c.fillRect(0, 0, static_cast<float>(w), 3);
        EXPECT_EQ(p.changed(colour), 0) << "width " << w;
    }
    Drawn q(8, 2, RGBA{0, 255, 100, 255});
    q.c.fillStyle(RGBA{255, 0, 100, 128});
    q.c.fillRect(0, 0, 8, 1);
    for (int x = 0; x < 8; ++x) {
        EXPECT_NEAR(q.at(x, 0).r, 128, 1);
        EXPECT_NEAR(q.at(x, 0).g, 127, 1);
        EXPECT_EQ(q.at(x, 0).b, 100);
        EXPECT_NEAR(q.at(x, 0).a, 191, 1);  // alpha blends too
        EXPECT_EQ(q.at(x, 1), (RGBA{0, 255, 100, 255}));
    }
}

TEST(CanvasWinding, SameWindingOverlapsFillTheUnionOppositeWindingLeavesAHole) {
    Drawn p(12, 12);
    p.c.beginPath();
    p.c.rect(1, 1, 6, 6);
    p.c.rect(4, 4, 6, 6);
    p.c.fill();
    Drawn q(12, 12);
    q.c.beginPath();
    q.c.rect(1, 1, 10, 10);
    q.c.moveTo(4, 4);  // the inner square runs the other way round, left open
    q.c.lineTo(4, 8);
    q.c.lineTo(8, 8);
    q.c.lineTo(8, 4);
    q.c.fill();
    auto in = [](int x, int y, int a, int b) { return x >= a && x < b && y >= a && y < b; };
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x) {
            ASSERT_EQ(p.red(x, y), in(x, y, 1, 7) || in(x, y, 4, 10) ? 255 : 0) << x << "," << y;
            ASSERT_EQ(q.red(x, y), in(x, y, 1, 11) && !in(x, y, 4, 8) ? 255 : 0) << x << "," << y;
        }
}

TEST(CanvasClip, ShapesMostlyLeftOfTheTargetFillTheirVisibleColumnsExactly) {
    Drawn p(6, 6);
    p.c.fillRect(-40.0f, 1.0f, 43.5f, 3.0f);  // x < 3.5, 1 <= y < 4
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x) {
            int want = y < 1 || y >= 4 ? 0 : x < 3 ? 255 : x == 3 ? 128 : 0;
            ASSERT_NEAR(p.red(x, y), want, want == 128 ? 1 : 0) << x << "," << y;
        }
    // The left side far outside, a slanted right side inside: in row y it runs from
    // x = 2 + y / 2 to 2 + (y + 1) / 2.
    Drawn q(6, 4);
    q.c.beginPath();
    q.c.moveTo(-1000, 0);
    q.c.lineTo(2, 0);
    q.c.lineTo(4, 4);
    q.c.lineTo(-1000, 4);
    q.c.fill();
    const int row[4][6] = {{255, 255, 64, 0, 0, 0},
                           {255, 255, 191, 0, 0, 0},
                           {255, 255, 255, 64, 0, 0},
                           {255, 255, 255, 191, 0, 0}};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) ASSERT_NEAR(q.red(x, y), row[y][x], 1) << x << "," << y;
}

TEST(CanvasClip, NarrowCropsOfAWideSharedBufferNeverTouchTheirNeighbours) {
    constexpr int kWidth = 1000, kRows = 3;
    const RGBA guard{1, 2, 3, 4};
    for (int cw = 1; cw <= 9; ++cw) {
        // Every alignment of the crop's left side within a group of 4, and the buffer's very end.
        for (int cx : {0, 1, 2, 3, 4, 5, 6, 7, kWidth - cw}) {
            Pixels p(kWidth, kRows, guard);
            Canvas c;
            c.initialize(p.view(cx, 1, cw, kRows - 1));
            c.fillStyle(kWhite);
            c.fillRect(-20.0f, -20.0f, 100.0f, 100.0f);  // beyond every side
            c.fillStyle(RGBA{10, 200, 30, 100});
            c.fillCircle(static_cast<float>(cw) * 0.5f, 1.0f, 7.3f);
            c.fillRect(0.3f, 0.2f, static_cast<float>(cw) + 5.0f, 0.5f);  // ends past the right
            for (int y = 0; y < kRows; ++y)
                for (int x = 0; x < kWidth; ++x) {
                    bool inside = y >= 1 && x >= cx && x < cx + cw;
                    ASSERT_EQ(p.at(x, y) == guard, !inside)
                        << cw << " wide at " << cx << ": " << x << "," << y;
                }
        }
    }
}

// A part of a picture redrawn through a window must join the rest without a seam: slanted
// edges, curves and translucent overlaps give exactly the pixels of a draw of the whole
// target, and nothing outside the window changes.
TEST(CanvasClip, WindowsGiveExactlyThePixelsOfTheWholeDrawAndNothingElse) {
    constexpr int kW = 61, kH = 37;
    const RGBA guard{9, 8, 7, 6};
    auto draw = [](Canvas& c) {
        c.fillStyle(RGBA{200, 40, 90, 160});
        c.beginPath();
        c.moveTo(-3.3f, 30.7f);
        c.lineTo(17.21f, 2.9f);
        c.lineTo(58.6f, 21.05f);
        c.bezierCurveTo(40.0f, 45.0f, 10.0f, 40.0f, 5.5f, 33.3f);
        c.fill();
        c.fillStyle(RGBA{30, 220, 120, 255});
        c.fillCircle(31.4f, 17.7f, 9.6f);
        c.fillStyle(RGBA{250, 250, 250, 90});
        c.fillRect(-1.75f, 11.4f, 70.0f, 2.3f);
    };
    Pixels whole(kW, kH, guard);
    Canvas c;
    c.initialize(whole.ref());
    draw(c);
    const geom::box2i windows[][3] = {
        {geom::box2i(0, 0, 23, kH), geom::box2i(23, 0, 24, kH), geom::box2i(24, 0, kW, kH)},
        {geom::box2i(0, 0, kW, 13), geom::box2i(0, 13, 40, kH), geom::box2i(40, 13, kW, kH)},
        {geom::box2i(5, 3, 50, 30), geom::box2i(), geom::box2i()},
    };
    for (const auto& set : windows) {
        Pixels parts(kW, kH, guard);
        for (const geom::box2i& w : set) {
            if (w.empty()) continue;
            c.initialize(parts.ref(), w);
            draw(c);
        }
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                bool inside = false;
                for (const geom::box2i& w : set) inside = inside || w.contains(geom::vec2i(x, y));
                ASSERT_EQ(parts.at(x, y), inside ? whole.at(x, y) : guard) << x << "," << y;
            }
    }
}

TEST(CanvasClip, PathsOutsideTheTargetPaintNothingAndHugeOnesAreClamped) {
    Drawn p(9, 7, RGBA{5, 5, 5, 5});
    p.c.fillRect(-10, -10, 9.9f, 30);  // left
    p.c.fillRect(9, -10, 10, 30);      // right
    p.c.fillRect(-10, -10, 30, 10);    // above
    p.c.fillRect(-10, 7, 30, 10);      // below
    p.c.fillCircle(40, 40, 20);
    EXPECT_EQ(p.changed(RGBA{5, 5, 5, 5}), 0);
    // Far beyond the coordinate range; the curve's subdivision is bounded.
    p.c.beginPath();
    p.c.moveTo(0, 0);
    p.c.bezierCurveTo(3e9f, -3e9f, -3e9f, 3e9f, 16, 16);
    p.c.fill();
    p.c.fillRect(-1e12f, -1e12f, 3e12f, 3e12f);
    EXPECT_EQ(p.changed(kWhite), 0);
}

TEST(CanvasDegenerate, CoincidentCubicsAndZeroRadiiAddNothing) {
    Drawn want(12, 12), p(12, 12), q(12, 12);
    want.c.fillRect(2, 2, 6, 6);
    p.c.beginPath();
    p.c.moveTo(2, 2);
    p.c.bezierCurveTo(2, 2, 2, 2, 2, 2);
    p.c.lineTo(8, 2);
    p.c.bezierCurveTo(8, 2, 8, 2, 8, 2);
    p.c.lineTo(8, 8);
    p.c.arc(8, 8, 0.0f, 0.0f, 3.0f);  // only the segment to its start, already there
    p.c.lineTo(2, 8);
    p.c.fill();
    EXPECT_EQ(p.data, want.data);
    q.c.fillCircle(6, 6, 0);
    q.c.beginPath();
    q.c.moveTo(5, 5);
    q.c.bezierCurveTo(5, 5, 5, 5, 5, 5);
    q.c.fill();
    EXPECT_EQ(q.changed(), 0);
}

TEST(CanvasDegenerate, NonFiniteCoordinatesSpoilThePathAndDrawNothing) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    Drawn p(10, 10);
    p.c.beginPath();
    p.c.rect(1, 1, 5, 5);
    p.c.lineTo(nan, 3);
    p.c.lineTo(8, 8);
    p.c.fill();
    p.c.fillCircle(nan, 5, 3);
    p.c.fillCircle(5, 5, inf);
    p.c.fillRect(1, 1, inf, 2);
    p.c.beginPath();
    p.c.moveTo(1, 1);
    p.c.bezierCurveTo(4, nan, 5, 5, 1, 8);
    p.c.fill();
    p.c.beginPath();
    p.c.moveTo(5, 5);
    p.c.arc(5, 5, 3, 0, nan);
    p.c.fill();
    EXPECT_EQ(p.changed(), 0);
    // A spoilt path does not outlive its fill; a non-finite transform spoils all later paths.
    p.c.fillRect(0, 0, 2, 2);
    EXPECT_EQ(p.red(1, 1), 255);
    Drawn q(10, 10);
    q.c.translate(nan, 0);
    q.c.fillRect(0, 0, 10, 10);
    EXPECT_EQ(q.changed(), 0);
}

TEST(CanvasArc, PieceCountAllowsASmallOvershootOfAQuarterTurn) {
    const float quarter = Canvas::kPi / 2;
    EXPECT_EQ(Canvas::arcPieces(quarter + 0.005f), 1);
    EXPECT_EQ(Canvas::arcPieces(quarter + 0.02f), 2);
    EXPECT_EQ(Canvas::arcPieces(Canvas::kTwoPi), 4);
    EXPECT_EQ(Canvas::arcPieces(-Canvas::kTwoPi), 4);
    EXPECT_EQ(Canvas::arcPieces(0.001f), 1);
}

TEST(CanvasArc, CircleIsMirrorSymmetricAndHasTheDiscArea) {
    Drawn p(20, 20);
    p.c.fillCircle(10, 10, 5);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            // Fixed-point truncation and rounding of the blend may differ by one each.
            EXPECT_NEAR(p.red(x, y), p.red(19 - x, y), 2) << x << "," << y;
            EXPECT_NEAR(p.red(x, y), p.red(x, 19 - y), 2) << x << "," << y;
            EXPECT_NEAR(p.red(x, y), p.red(y, x), 2) << x << "," << y;
        }
    EXPECT_NEAR(p.inkArea(), 3.14159265 * 25, 0.3);
    EXPECT_EQ(p.red(10, 10), 255);
}

TEST(CanvasArc, SweepDirectionAndEqualAnglesFollowTheFlag) {
    auto area = [](bool anticlockwise, float a0, float a1) {
        Drawn p(20, 20);
        p.c.beginPath();
        p.c.moveTo(10, 10);
        p.c.arc(10, 10, 8, a0, a1, anticlockwise);
        p.c.fill();
        return p.inkArea();
    };
    const double disc = 3.14159265 * 64;
    // A quarter turn clockwise from 0 to pi/2, or the other three quarters anticlockwise.
    EXPECT_NEAR(area(false, 0, Canvas::kPi / 2), disc / 4, 0.5);
    EXPECT_NEAR(area(true, 0, Canvas::kPi / 2), disc * 3 / 4, 0.5);
    // Past a full turn the sweep is one turn.
    EXPECT_NEAR(area(false, 1, 1 + 9.0f), disc, 0.6);
    EXPECT_NEAR(area(true, 1, 1 - 9.0f), disc, 0.6);
    // Equal angles: only the segment to the start point, so a line and no area.
    EXPECT_EQ(area(false, 0.7f, 0.7f), 0.0);
}

TEST(CanvasTransform, TranslateMovesLaterPointsOnlyAndAccumulates) {
    Drawn p(8, 3);
    p.c.translate(5, 0);
    p.c.fillRect(0, 0, 1, 1);
    EXPECT_EQ(p.red(5, 0), 255);
    EXPECT_EQ(p.changed(), 1);
    p.c.translate(-4, 1);
    p.c.fillRect(0, 0, 1, 1);
    EXPECT_EQ(p.red(1, 1), 255);
    EXPECT_EQ(p.changed(), 2);
}

}  // namespace
