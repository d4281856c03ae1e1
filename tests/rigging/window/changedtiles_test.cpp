// Finding what a redraw changed against what the server shows: the boxes cover every changed
// pixel inside the region, each is tight within its tile, and the copy then equals the drawing.

#include "rigging/window/changedtiles.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

using geom::box2i;
using rigging::ImageRef;
using rigging::RGBA;
using rigging::Vec;

namespace {

struct Picture {
    Picture(int w, int h, int padding = 3) : w(w), h(h), pitchPixels(w + padding) {
        pixels.assign(static_cast<std::size_t>(pitchPixels) * h, RGBA{10, 20, 30, 255});
    }
    ImageRef<RGBA> ref() {
        return {w, h, static_cast<std::size_t>(pitchPixels) * sizeof(RGBA), pixels.data()};
    }
    RGBA& at(int x, int y) { return pixels[static_cast<std::size_t>(y) * pitchPixels + x]; }
    int w, h, pitchPixels;
    std::vector<RGBA> pixels;
};

bool same(const RGBA& a, const RGBA& b) {
    return a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a;
}

std::vector<box2i> changes(Picture& drawn, Picture& shown, const box2i& region, int tile = 32) {
    Vec<box2i> out;
    rigging::takeChangedTiles(drawn.ref(), shown.ref(), region, tile, out);
    return {out.begin(), out.end()};
}

TEST(ChangedTiles, NothingChangedGivesNothing) {
    Picture drawn(100, 70), shown(100, 70);
    EXPECT_TRUE(changes(drawn, shown, box2i(0, 0, 100, 70)).empty());
    // Empty, inverted and wholly outside regions give nothing either, whatever differs.
    drawn.at(5, 5).r = 0;
    EXPECT_TRUE(changes(drawn, shown, box2i(10, 10, 10, 40)).empty());
    EXPECT_TRUE(changes(drawn, shown, box2i(40, 40, 10, 10)).empty());
    EXPECT_TRUE(changes(drawn, shown, box2i(100, 0, 200, 70)).empty());
    EXPECT_TRUE(changes(drawn, shown, box2i(-50, -50, 0, 0)).empty());
    EXPECT_FALSE(same(drawn.at(5, 5), shown.at(5, 5))) << "nothing is copied from outside";
}

TEST(ChangedTiles, OnePixelGivesItsOwnBoxAndIsCopied) {
    Picture drawn(100, 70), shown(100, 70);
    for (auto [x, y] : {std::pair{0, 0}, {31, 31}, {32, 32}, {99, 69}}) {
        drawn.at(x, y).g = 99;
        EXPECT_EQ(changes(drawn, shown, box2i(0, 0, 100, 70)),
                  std::vector<box2i>{box2i(x, y, x + 1, y + 1)})
            << x << "," << y;
        EXPECT_TRUE(same(shown.at(x, y), drawn.at(x, y)));
        EXPECT_TRUE(changes(drawn, shown, box2i(0, 0, 100, 70)).empty()) << "already taken";
    }
}

TEST(ChangedTiles, TheFourthByteCounts) {
    Picture drawn(40, 40), shown(40, 40);
    drawn.at(3, 4).a = 0;
    EXPECT_EQ(changes(drawn, shown, box2i(0, 0, 40, 40)), std::vector<box2i>{box2i(3, 4, 4, 5)});
}

TEST(ChangedTiles, ALineAcrossTilesIsSplitAtTheirEdges) {
    Picture drawn(100, 70), shown(100, 70);
    for (int x = 20; x < 70; ++x) drawn.at(x, 40).b = 0;
    // Tiles are aligned to the image, not to the region.
    EXPECT_EQ(
        changes(drawn, shown, box2i(10, 30, 90, 60)),
        (std::vector<box2i>{box2i(20, 40, 32, 41), box2i(32, 40, 64, 41), box2i(64, 40, 70, 41)}));
}

TEST(ChangedTiles, RegionsPastTheImageAreClippedAndChangesOutsideStay) {
    Picture drawn(50, 40), shown(50, 40);
    drawn.at(49, 39).r = 1;  // the last pixel
    drawn.at(0, 0).r = 1;    // outside the region below
    const auto boxes = changes(drawn, shown, box2i(10, 10, 500, 400), 16);
    EXPECT_EQ(boxes, std::vector<box2i>{box2i(49, 39, 50, 40)});
    EXPECT_FALSE(same(drawn.at(0, 0), shown.at(0, 0)));
    EXPECT_EQ(changes(drawn, shown, box2i(-10, -10, 1, 1)), std::vector<box2i>{box2i(0, 0, 1, 1)});
}

TEST(JoinNeighbours, JoinsAlongARowOnlyWhileTheWasteIsSmall) {
    auto joined = [](std::vector<box2i> in, std::size_t from, long long slack) {
        Vec<box2i> v;
        for (const box2i& b : in) v.pushBack(b);
        rigging::joinNeighbours(v, from, slack);
        return std::vector<box2i>(v.begin(), v.end());
    };
    // Same rows, touching: nothing wasted, one box.
    EXPECT_EQ(joined({box2i(0, 0, 32, 10), box2i(32, 0, 64, 10), box2i(64, 0, 70, 10)}, 0, 0),
              std::vector<box2i>{box2i(0, 0, 70, 10)});
    // A gap of 10 x 10 pixels: joined when that much may be wasted, not when one less.
    const std::vector<box2i> gap{box2i(0, 0, 10, 10), box2i(20, 0, 30, 10)};
    EXPECT_EQ(joined(gap, 0, 100), std::vector<box2i>{box2i(0, 0, 30, 10)});
    EXPECT_EQ(joined(gap, 0, 99), gap);
    // Rows that do not overlap (the next band of tiles), or a box to the left, stay apart.
    const std::vector<box2i> apart{box2i(0, 0, 10, 10), box2i(20, 10, 30, 20),
                                   box2i(5, 10, 15, 20)};
    EXPECT_EQ(joined(apart, 0, 1 << 20), apart);
    // Boxes before `from` are left alone; empty and single lists come back as they were.
    EXPECT_EQ(joined({box2i(0, 0, 5, 5), box2i(5, 0, 9, 5), box2i(9, 0, 12, 5)}, 1, 0),
              (std::vector<box2i>{box2i(0, 0, 5, 5), box2i(5, 0, 12, 5)}));
    EXPECT_TRUE(joined({}, 0, 0).empty());
    EXPECT_EQ(joined({box2i(1, 2, 3, 4)}, 0, 0), std::vector<box2i>{box2i(1, 2, 3, 4)});
}

TEST(ChangedTiles, RandomChangesAreCoveredTightlyAndLeaveTheCopyEqual) {
    std::mt19937 rng(11);
    for (int round = 0; round < 40; ++round) {
        const int w = 1 + static_cast<int>(rng() % 150), h = 1 + static_cast<int>(rng() % 120);
        const int tile = 1 + static_cast<int>(rng() % 40);
        Picture drawn(w, h), shown(w, h);
        const int n = static_cast<int>(rng() % 60);
        for (int i = 0; i < n; ++i)
            drawn.at(static_cast<int>(rng() % w), static_cast<int>(rng() % h)).r ^= 0x55;
        Picture before = shown;
        const box2i all(0, 0, w, h);
        const auto boxes = changes(drawn, shown, all, tile);

        long covered = 0;
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            const box2i& b = boxes[i];
            // Within one tile, and touching a changed pixel on each of its four sides.
            ASSERT_EQ(b.min.x / tile, (b.max.x - 1) / tile);
            ASSERT_EQ(b.min.y / tile, (b.max.y - 1) / tile);
            bool left = false, right = false, top = false, bottom = false;
            for (int y = b.min.y; y < b.max.y; ++y)
                for (int x = b.min.x; x < b.max.x; ++x) {
                    if (same(drawn.at(x, y), before.at(x, y))) continue;
                    left |= x == b.min.x, right |= x == b.max.x - 1;
                    top |= y == b.min.y, bottom |= y == b.max.y - 1;
                }
            EXPECT_TRUE(left && right && top && bottom) << "box " << i << " is not tight";
            for (std::size_t j = 0; j < i; ++j) EXPECT_FALSE(b.intersects(boxes[j]));
            covered += b.width() * b.height();
        }
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) ASSERT_TRUE(same(drawn.at(x, y), shown.at(x, y)));
        EXPECT_LE(covered, static_cast<long>(w) * h);
        if (n == 0) {
            EXPECT_TRUE(boxes.empty());
        }
    }
}

}  // namespace
