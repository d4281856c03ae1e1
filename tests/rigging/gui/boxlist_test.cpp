#include "rigging/gui/boxlist.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

using namespace rigging;
using geom::box2i;

namespace {

std::vector<box2i> toStd(const Vec<box2i>& v) {
    return std::vector<box2i>(v.begin(), v.end());
}

TEST(BoundingBox, IgnoresEmptyBoxes) {
    EXPECT_EQ(boundingBox({}), box2i(0, 0, 0, 0));
    const box2i two[] = {box2i(10, 10, 20, 20), box2i(5, 0, 5, 30)};
    EXPECT_EQ(boundingBox(two), box2i(10, 10, 20, 20));
    const box2i three[] = {box2i(0, 0, 0, 0), box2i(10, 10, 20, 20), box2i(-5, 15, 12, 40)};
    EXPECT_EQ(boundingBox(three), box2i(-5, 10, 20, 40));
}

TEST(BoxSubtraction, BandsAndTheHoleTileTheBox) {
    box2i top, left, right, bottom;
    boxSubtraction(box2i(0, 0, 10, 10), box2i(2, 3, 5, 7), top, left, right, bottom);
    EXPECT_EQ(top, box2i(0, 0, 10, 3));
    EXPECT_EQ(left, box2i(0, 3, 2, 7));
    EXPECT_EQ(right, box2i(5, 3, 10, 7));
    EXPECT_EQ(bottom, box2i(0, 7, 10, 10));

    boxSubtraction(box2i(0, 0, 10, 10), box2i(0, 0, 10, 4), top, left, right, bottom);
    EXPECT_TRUE(top.empty());
    EXPECT_TRUE(left.empty());
    EXPECT_TRUE(right.empty());
    EXPECT_EQ(bottom, box2i(0, 4, 10, 10));
}

TEST(RemoveOverlappingAreas, CutsTheEarlierBoxAroundTheLaterOne) {
    Vec<box2i> boxes, out;
    boxes.pushBack(box2i(0, 0, 10, 10));
    boxes.pushBack(box2i(5, 5, 15, 15));
    removeOverlappingAreas(boxes, out);
    std::vector<box2i> want = {box2i(5, 5, 15, 15), box2i(0, 0, 10, 5), box2i(0, 5, 5, 10)};
    EXPECT_EQ(toStd(out), want);
    int area = 0;
    for (const box2i& b : out) area += b.volume();
    EXPECT_EQ(area, 175);
}

TEST(RemoveOverlappingAreas, ContainmentAndDuplicates) {
    Vec<box2i> out;
    {
        Vec<box2i> boxes;
        boxes.pushBack(box2i(0, 0, 10, 10));
        boxes.pushBack(box2i(2, 2, 4, 4));  // inside the first: removed
        boxes.pushBack(box2i(20, 0, 30, 5));
        removeOverlappingAreas(boxes, out);
        EXPECT_EQ(toStd(out), (std::vector<box2i>{box2i(0, 0, 10, 10), box2i(20, 0, 30, 5)}));
    }
    out.clearContents();
    {
        Vec<box2i> boxes;
        boxes.pushBack(box2i(2, 2, 4, 4));  // inside a later box: dropped
        boxes.pushBack(box2i(0, 0, 10, 10));
        boxes.pushBack(box2i(0, 0, 10, 10));  // identical: one copy stays
        removeOverlappingAreas(boxes, out);
        EXPECT_EQ(toStd(out), (std::vector<box2i>{box2i(0, 0, 10, 10)}));
    }
}

TEST(RemoveOverlappingAreas, BoxesWithoutPixelsNeverReachTheOutput) {
    Vec<box2i> boxes, out;
    out.pushBack(box2i(100, 100, 101, 101));  // existing output is kept
    boxes.pushBack(box2i(0, 0, 0, 10));
    boxes.pushBack(box2i(0, 0, 10, 0));
    boxes.pushBack(box2i(5, 0, 0, 10));   // inverted in x
    boxes.pushBack(box2i(10, 10, 0, 0));  // inverted on both axes: positive volume
    boxes.pushBack(box2i(3, 3, 6, 6));
    removeOverlappingAreas(boxes, out);
    EXPECT_EQ(toStd(out), (std::vector<box2i>{box2i(100, 100, 101, 101), box2i(3, 3, 6, 6)}));
}

// The output must be pairwise disjoint and cover exactly the pixels of the input.
TEST(RemoveOverlappingAreas, RandomListsGiveADisjointExactCover) {
    std::mt19937 rng(1234);
    std::uniform_int_distribution<int> coord(0, 40), extent(0, 25), count(0, 14);
    for (int trial = 0; trial < 2000; ++trial) {
        Vec<box2i> boxes, out;
        std::vector<int> want(72 * 72, 0), got(72 * 72, 0);
        int n = count(rng);
        for (int k = 0; k < n; ++k) {
            box2i b = box2i::rectangle(coord(rng), coord(rng), extent(rng), extent(rng));
            boxes.pushBack(b);
            for (int y = b.min.y; y < b.max.y; ++y)
                for (int x = b.min.x; x < b.max.x; ++x) want[y * 72 + x] = 1;
        }
        removeOverlappingAreas(boxes, out);
        for (const box2i& b : out) {
            ASSERT_FALSE(b.empty());
            ASSERT_TRUE(b.isSorted());
            for (int y = b.min.y; y < b.max.y; ++y)
                for (int x = b.min.x; x < b.max.x; ++x) got[y * 72 + x] += 1;
        }
        ASSERT_EQ(got, want) << "trial " << trial;
    }
}

TEST(TileAreas, TilesCoverEachAreaRowByRow) {
    Vec<box2i> tiles;
    const box2i one[] = {box2i(100, 50, 400, 150)};
    tileAreas(one, 128, 128, tiles);
    EXPECT_EQ(toStd(tiles), (std::vector<box2i>{box2i(100, 50, 228, 150), box2i(228, 50, 356, 150),
                                                box2i(356, 50, 400, 150)}));

    tiles.clearContents();
    const box2i window[] = {box2i(0, 0, 1000, 700)};
    tileAreas(window, 128, 128, tiles);
    ASSERT_EQ(tiles.length(), 48u);
    EXPECT_EQ(tiles[0], box2i(0, 0, 128, 128));
    EXPECT_EQ(tiles[7], box2i(896, 0, 1000, 128));
    EXPECT_EQ(tiles[8], box2i(0, 128, 128, 256));
    EXPECT_EQ(tiles[47], box2i(896, 640, 1000, 700));
    int area = 0;
    for (const box2i& t : tiles) area += t.volume();
    EXPECT_EQ(area, 700000);
}

TEST(TileAreas, AreasWithoutPixelsGiveNoTiles) {
    Vec<box2i> tiles;
    const box2i areas[] = {box2i(5, 5, 5, 50), box2i(10, 10, 0, 20), box2i(0, 0, 3, 2)};
    tileAreas(areas, 2, 2, tiles);
    EXPECT_EQ(toStd(tiles), (std::vector<box2i>{box2i(0, 0, 2, 2), box2i(2, 0, 3, 2)}));
}

}  // namespace
