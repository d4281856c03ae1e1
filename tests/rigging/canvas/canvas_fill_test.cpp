// Filling paths through the canvas: coverage at pixel edges, winding, clipping to crops of a
// shared buffer, degenerate and non-finite geometry, arcs and the transform.

#include <gtest/gtest.h>

#include <array>
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

bool same(RGBA a, RGBA b) { return a == b; }

int countChanged(Pixels& p, RGBA background) {
    int n = 0;
    for (const RGBA& c : p.data) n += !same(c, background);
    return n;
}

TEST(CanvasCoverage, SquareOnHalfPixelsGivesHalvesAndQuartersAroundAFullPixel) {
    Pixels p(4, 4);
    Canvas c;
    c.initialize(p.ref());
    c.fillStyle(kWhite);
    c.fillRect(0.5f, 0.5f, 2.0f, 2.0f);
    EXPECT_EQ(p.red(1, 1), 255);
    for (auto [x, y] : {std::pair{1, 0}, {0, 1}, {2, 1}, {1, 2}}) {
        EXPECT_GE(p.red(x, y), 127) << x << "," << y;
        EXPECT_LE(p.red(x, y), 128) << x << "," << y;
    }
    for (auto [x, y] : {std::pair{0, 0}, {2, 0}, {0, 2}, {2, 2}}) {
        EXPECT_GE(p.red(x, y), 63) << x << "," << y;
        EXPECT_LE(p.red(x, y), 64) << x << "," << y;
    }
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(p.red(3, i), 0);
        EXPECT_EQ(p.red(i, 3), 0);
    }
    // Every channel, alpha included, follows the same weights.
    EXPECT_EQ(p.at(1, 1), kWhite);
    EXPECT_EQ(p.at(0, 1).g, p.at(0, 1).r);
    EXPECT_EQ(p.at(0, 0).a, 255);
}

TEST(CanvasCoverage, OpaqueColourCoveringTheTargetIsStoredExactlyWhateverTheGroupLayout) {
    // Widths around multiples of 4, and a rectangle that starts and ends inside groups.
    for (int w : {1, 3, 4, 5, 13}) {
        Pixels p(w, 3, RGBA{9, 8, 7, 6});
        Canvas c;
        c.initialize(p.ref());
        const RGBA colour{200, 10, 77, 255};
        c.fillStyle(colour);
        c.fillRect(0, 0, static_cast<float>(w), 3);
        for (const RGBA& px : p.data) ASSERT_EQ(px, colour) << "width " << w;
    }
    Pixels p(16, 1);
    Canvas c;
    c.initialize(p.ref());
    c.fillStyle(kWhite);
    c.fillRect(1, 0, 13, 1);
    EXPECT_EQ(p.red(0, 0), 0);
    for (int x = 1; x < 14; ++x) EXPECT_EQ(p.red(x, 0), 255) << x;
    EXPECT_EQ(p.red(14, 0), 0);
}

TEST(CanvasCoverage, TranslucentColourBlendsEveryChannelTowardsItByItsAlpha) {
    Pixels p(8, 2, RGBA{0, 255, 100, 255});
    Canvas c;
    c.initialize(p.ref());
    c.fillStyle(RGBA{255, 0, 100, 128});
    c.fillRect(0, 0, 8, 1);
    for (int x = 0; x < 8; ++x) {
        RGBA px = p.at(x, 0);
        EXPECT_NEAR(px.r, 128, 1);
        EXPECT_NEAR(px.g, 127, 1);
        EXPECT_EQ(px.b, 100);
        EXPECT_NEAR(px.a, 191, 1);  // alpha blends too
        EXPECT_EQ(p.at(x, 1), (RGBA{0, 255, 100, 255}));
    }
}

TEST(CanvasWinding, SameWindingOverlapsFillTheUnionOppositeWindingLeavesAHole) {
    Pixels p(12, 12);
    Canvas c;
    c.initialize(p.ref());
    c.fillStyle(kWhite);
    c.beginPath();
    c.rect(1, 1, 6, 6);
    c.rect(4, 4, 6, 6);
    c.fill();
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x) {
            bool inA = x >= 1 && x < 7 && y >= 1 && y < 7;
            bool inB = x >= 4 && x < 10 && y >= 4 && y < 10;
            ASSERT_EQ(p.red(x, y), inA || inB ? 255 : 0) << x << "," << y;
        }

    Pixels q(12, 12);
    c.initialize(q.ref());
    c.fillStyle(kWhite);
    c.beginPath();
    c.rect(1, 1, 10, 10);
    // The inner square runs the other way round.
    c.moveTo(4, 4);
    c.lineTo(4, 8);
    c.lineTo(8, 8);
    c.lineTo(8, 4);
    c.fill();
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x) {
            bool outer = x >= 1 && x < 11 && y >= 1 && y < 11;
            bool hole = x >= 4 && x < 8 && y >= 4 && y < 8;
            ASSERT_EQ(q.red(x, y), outer && !hole ? 255 : 0) << x << "," << y;
        }
}

TEST(CanvasWinding, OpenSubpathsAreClosedByTheNextMoveAndByFill) {
    Pixels p(10, 10);
    Canvas c;
    c.initialize(p.ref());
    c.fillStyle(kWhite);
    c.beginPath();
    c.moveTo(1, 1);
    c.lineTo(4, 1);
    c.lineTo(4, 4);
    c.lineTo(1, 4);  // left open
    c.moveTo(6, 6);
    c.lineTo(9, 6);
    c.lineTo(9, 9);
    c.lineTo(6, 9);  // left open too
    c.fill();
    EXPECT_EQ(p.red(2, 2), 255);
    EXPECT_EQ(p.red(7, 7), 255);
    EXPECT_EQ(p.red(5, 5), 0);
    EXPECT_EQ(p.red(0, 2), 0);
}

// The same drawing on a whole buffer and through a crop of it at an offset agree inside the crop,
// including where the shape crosses the crop's sides (the winding left of a crop is carried in
// as cover). Crossing points are found anew at the crop's sides, so allow 1 either way.
void drawShape(Canvas& c, float dx, float dy) {
    c.translate(dx, dy);
    c.fillStyle(kWhite);
    c.beginPath();
    c.moveTo(-3.25f, 2.125f);
    c.lineTo(9.75f, 0.5f);
    c.bezierCurveTo(14.0f, 5.0f, 2.0f, 9.0f, 11.125f, 13.375f);
    c.lineTo(-6.0f, 11.75f);
    c.fill();
    c.fillCircle(0.375f, 6.5f, 3.75f);
}

TEST(CanvasClip, ShapesCrossingTheCropSidesFillTheVisiblePart) {
    Pixels whole(24, 18);
    Canvas c;
    c.initialize(whole.ref());
    drawShape(c, 5, 2);
    for (auto [cx, cy, cw, ch] : {std::array{5, 2, 7, 12}, {6, 3, 9, 9}, {3, 0, 4, 18},
                                   {9, 4, 1, 5}, {5, 2, 2, 1}}) {
        Pixels part(24, 18);
        Canvas k;
        k.initialize(part.view(cx, cy, cw, ch));
        drawShape(k, static_cast<float>(5 - cx), static_cast<float>(2 - cy));
        for (int y = 0; y < 18; ++y)
            for (int x = 0; x < 24; ++x) {
                bool inside = x >= cx && x < cx + cw && y >= cy && y < cy + ch;
                if (inside)
                    ASSERT_NEAR(part.red(x, y), whole.red(x, y), 1)
                        << "crop " << cx << "," << cy << " " << cw << "x" << ch << " at " << x
                        << "," << y;
                else
                    ASSERT_EQ(part.at(x, y), kBlack);
            }
    }
}

TEST(CanvasClip, RectangleMostlyLeftOfTheTargetFillsItsVisibleColumnsExactly) {
    Pixels p(6, 6);
    Canvas c;
    c.initialize(p.ref());
    c.fillStyle(kWhite);
    c.fillRect(-40.0f, 1.0f, 43.5f, 3.0f);  // covers x < 3.5, 1 <= y < 4
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x) {
            int want = y < 1 || y >= 4 ? 0 : x < 3 ? 255 : x == 3 ? 128 : 0;
            ASSERT_NEAR(p.red(x, y), want, want == 128 ? 1 : 0) << x << "," << y;
        }
    // Its left side far outside, the slanted right side inside.
    Pixels q(6, 4);
    c.initialize(q.ref());
    c.fillStyle(kWhite);
    c.beginPath();
    c.moveTo(-1000, 0);
    c.lineTo(2, 0);
    c.lineTo(4, 4);
    c.lineTo(-1000, 4);
    c.fill();
    // In row y the right side runs from x = 2 + y / 2 to 2 + (y + 1) / 2.
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
                    if (!inside)
                        ASSERT_EQ(p.at(x, y), guard) << cw << " wide at " << cx << ": " << x
                                                     << "," << y;
                    else
                        ASSERT_NE(p.at(x, y), guard);
                }
        }
    }
}

TEST(CanvasClip, PathsOutsideTheTargetPaintNothingAndACoveringPathPaintsAll) {
    Pixels p(9, 7, RGBA{5, 5, 5, 5});
    Canvas c;
    c.initialize(p.ref());
    c.fillStyle(kWhite);
    c.fillRect(-10, -10, 9.9f, 30);   // left
    c.fillRect(9, -10, 10, 30);       // right
    c.fillRect(-10, -10, 30, 10);     // above
    c.fillRect(-10, 7, 30, 10);       // below
    c.fillCircle(40, 40, 20);
    EXPECT_EQ(countChanged(p, RGBA{5, 5, 5, 5}), 0);
    // Far beyond the coordinate range: clamped, still covering.
    c.fillRect(-1e12f, -1e12f, 3e12f, 3e12f);
    for (const RGBA& px : p.data) ASSERT_EQ(px, kWhite);
}

TEST(CanvasDegenerate, CoincidentCubicsAndZeroRadiiAddNothing) {
    Pixels ref(12, 12), p(12, 12);
    Canvas c;
    c.initialize(ref.ref());
    c.fillStyle(kWhite);
    c.fillRect(2, 2, 6, 6);

    c.initialize(p.ref());
    c.fillStyle(kWhite);
    c.beginPath();
    c.moveTo(2, 2);
    c.bezierCurveTo(2, 2, 2, 2, 2, 2);
    c.lineTo(8, 2);
    c.bezierCurveTo(8, 2, 8, 2, 8, 2);
    c.lineTo(8, 8);
    c.arc(8, 8, 0.0f, 0.0f, 3.0f);  // radius 0: only the segment to its start, already there
    c.lineTo(2, 8);
    c.fill();
    EXPECT_EQ(p.data, ref.data);

    Pixels q(12, 12);
    c.initialize(q.ref());
    c.fillStyle(kWhite);
    c.fillCircle(6, 6, 0);
    c.beginPath();
    c.moveTo(5, 5);
    c.bezierCurveTo(5, 5, 5, 5, 5, 5);
    c.fill();
    EXPECT_EQ(countChanged(q, kBlack), 0);
}

TEST(CanvasDegenerate, NonFiniteCoordinatesSpoilThePathAndDrawNothing) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    Pixels p(10, 10);
    Canvas c;
    c.initialize(p.ref());
    c.fillStyle(kWhite);

    c.beginPath();
    c.rect(1, 1, 5, 5);
    c.lineTo(nan, 3);
    c.lineTo(8, 8);
    c.fill();
    c.fillCircle(nan, 5, 3);
    c.fillCircle(5, 5, inf);
    c.fillRect(1, 1, inf, 2);
    c.beginPath();
    c.moveTo(1, 1);
    c.bezierCurveTo(4, nan, 5, 5, 1, 8);
    c.fill();
    c.beginPath();
    c.moveTo(5, 5);
    c.arc(5, 5, 3, 0, nan);
    c.fill();
    EXPECT_EQ(countChanged(p, kBlack), 0);

    // A spoilt path does not outlive its fill: the next one draws.
    c.fillRect(0, 0, 2, 2);
    EXPECT_EQ(p.red(1, 1), 255);

    // A non-finite transform spoils every later path.
    Pixels q(10, 10);
    Canvas t;
    t.initialize(q.ref());
    t.fillStyle(kWhite);
    t.translate(nan, 0);
    t.fillRect(0, 0, 10, 10);
    EXPECT_EQ(countChanged(q, kBlack), 0);
}

TEST(CanvasDegenerate, HugeCoordinatesAreClampedAndCurvesEnd) {
    Pixels p(16, 16);
    Canvas c;
    c.initialize(p.ref());
    c.fillStyle(kWhite);
    c.beginPath();
    c.moveTo(0, 0);
    c.bezierCurveTo(3e9f, -3e9f, -3e9f, 3e9f, 16, 16);  // clamped, subdivision bounded
    c.lineTo(0, 16);
    c.fill();
    c.fillCircle(8, 8, 1e9f);
    for (const RGBA& px : p.data) ASSERT_EQ(px, kWhite);
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
    Pixels p(20, 20);
    Canvas c;
    c.initialize(p.ref());
    c.fillStyle(kWhite);
    c.fillCircle(10, 10, 5);
    double sum = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            sum += p.red(x, y);
            // Fixed-point truncation and rounding of the blend may differ by one each.
            EXPECT_NEAR(p.red(x, y), p.red(19 - x, y), 2) << x << "," << y;
            EXPECT_NEAR(p.red(x, y), p.red(x, 19 - y), 2) << x << "," << y;
            EXPECT_NEAR(p.red(x, y), p.red(y, x), 2) << x << "," << y;
        }
    EXPECT_NEAR(sum / 255.0, 3.14159265 * 25, 0.3);
    EXPECT_EQ(p.red(10, 10), 255);
    EXPECT_EQ(p.red(4, 4), 0);
}

TEST(CanvasArc, SweepDirectionAndEqualAnglesFollowTheFlag) {
    auto area = [](bool anticlockwise, float a0, float a1) {
        Pixels p(20, 20);
        Canvas c;
        c.initialize(p.ref());
        c.fillStyle(kWhite);
        c.beginPath();
        c.moveTo(10, 10);
        c.arc(10, 10, 8, a0, a1, anticlockwise);
        c.fill();
        double s = 0;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 20; ++x) s += p.red(x, y);
        return s / 255.0;
    };
    const double disc = 3.14159265 * 64;
    // A quarter turn clockwise from 0 to pi/2, or the other three quarters anticlockwise.
    EXPECT_NEAR(area(false, 0, Canvas::kPi / 2), disc / 4, 0.5);
    EXPECT_NEAR(area(true, 0, Canvas::kPi / 2), disc * 3 / 4, 0.5);
    // Past a full turn the sweep is one turn.
    EXPECT_NEAR(area(false, 1, 1 + 9.0f), disc, 0.6);
    EXPECT_NEAR(area(true, 1, 1 - 9.0f), disc, 0.6);
    // Equal angles: only the segment to the start point, so a line and no area.
    EXPECT_NEAR(area(false, 0.7f, 0.7f), 0.0, 1e-9);
}

TEST(CanvasTransform, TranslateMovesLaterPointsOnly) {
    Pixels p(8, 3);
    Canvas c;
    c.initialize(p.ref());
    c.fillStyle(kWhite);
    c.translate(5, 0);
    c.fillRect(0, 0, 1, 1);
    EXPECT_EQ(p.red(5, 0), 255);
    EXPECT_EQ(countChanged(p, kBlack), 1);
    c.translate(-4, 1);
    c.fillRect(0, 0, 1, 1);
    EXPECT_EQ(p.red(1, 1), 255);
    EXPECT_EQ(countChanged(p, kBlack), 2);
    c.initialize(p.ref());  // back to the identity
    c.fillStyle(kWhite);
    c.fillRect(0, 2, 1, 1);
    EXPECT_EQ(p.red(0, 2), 255);
}

TEST(CanvasTarget, EmptyTargetsDrawNothing) {
    Pixels p(4, 4, RGBA{7, 7, 7, 7});
    Canvas c;
    c.initialize(p.view(1, 1, 0, 3));
    c.fillStyle(kWhite);
    c.fillRect(-5, -5, 20, 20);
    c.initialize(p.view(1, 1, 3, 0));
    c.fillRect(-5, -5, 20, 20);
    EXPECT_EQ(countChanged(p, RGBA{7, 7, 7, 7}), 0);
}

}  // namespace
