#include "geom/box.h"

#include <gtest/gtest.h>

using namespace geom;

namespace {

TEST(Box, ExtentsAndCentre) {
    box2i b(1, 2, 11, 7);
    EXPECT_EQ(b.width(), 10);
    EXPECT_EQ(b.height(), 5);
    EXPECT_EQ(b.volume(), 50);
    EXPECT_EQ(box2i::rectangle(3, 4, 5, 6), box2i(3, 4, 8, 10));
    EXPECT_EQ(box2i(1, 1, 4, 4).center(), vec2i(2, 2));
    EXPECT_EQ(box2i(-5, -5, 0, 2).center(), vec2i(-2, -1));
    EXPECT_EQ(b.translate(vec2i(-1, 3)), box2i(0, 5, 10, 10));
}

TEST(Box, EmptyAndSortedAreIndependent) {
    EXPECT_TRUE(box2i(3, 3, 3, 9).empty());
    EXPECT_TRUE(box2i(3, 3, 9, 3).empty());
    EXPECT_TRUE(box2i(3, 3, 3, 9).isSorted());
    box2i inverted(5, 5, 2, 8);
    EXPECT_FALSE(inverted.empty());
    EXPECT_FALSE(inverted.isSorted());
    EXPECT_LT(inverted.volume(), 0);
}

TEST(Box, ContainsTreatsMaxAsExclusive) {
    box2i a(0, 0, 10, 10);
    EXPECT_TRUE(a.contains(box2i(2, 2, 10, 10)));
    EXPECT_FALSE(a.contains(box2i(2, 2, 11, 10)));
    EXPECT_FALSE(a.contains(box2i(-1, 2, 5, 5)));
    EXPECT_TRUE(a.contains(box2i(4, 4, 4, 4))) << "an empty box inside the bounds";
    EXPECT_TRUE(a.contains(vec2i(0, 9)));
    EXPECT_FALSE(a.contains(vec2i(10, 9)));
    EXPECT_FALSE(a.contains(vec2i(9, -1)));
}

TEST(Box, IntersectionNeverInverts) {
    box2i a(0, 0, 10, 10);
    box2i far = a.intersection(box2i(20, 20, 30, 30));
    EXPECT_EQ(far, box2i(20, 20, 20, 20));
    EXPECT_TRUE(far.empty());
    EXPECT_FALSE(a.intersects(box2i(20, 20, 30, 30)));

    // Overlapping in x only: the y extent collapses at the larger min.
    EXPECT_EQ(a.intersection(box2i(5, 12, 15, 20)), box2i(5, 12, 10, 12));
    EXPECT_FALSE(a.intersects(box2i(5, 12, 15, 20)));
    EXPECT_FALSE(a.intersects(box2i(10, 0, 20, 10))) << "touching edges do not overlap";

    EXPECT_EQ(a.intersection(box2i(5, 5, 15, 15)), box2i(5, 5, 10, 10));
    EXPECT_TRUE(a.intersects(box2i(9, 9, 15, 15)));
}

TEST(Box, EmptyOperandsPassThroughIntersection) {
    box2i a(0, 0, 10, 10);
    EXPECT_EQ(a.intersection(box2i(5, 5, 5, 8)), box2i(5, 5, 5, 8));
    EXPECT_EQ(box2i(40, 40, 40, 50).intersection(a), box2i(40, 40, 40, 50));
    EXPECT_FALSE(a.intersects(box2i(5, 5, 5, 8)));
}

TEST(Box, ExpandIgnoresAnEmptySide) {
    EXPECT_EQ(box2i(0, 0, 0, 10).expand(box2i(1, 2, 3, 4)), box2i(1, 2, 3, 4));
    EXPECT_EQ(box2i(1, 2, 3, 4).expand(box2i(50, 50, 60, 50)), box2i(1, 2, 3, 4));
    EXPECT_EQ(box2i(0, 0, 2, 2).expand(box2i(5, -3, 6, 1)), box2i(0, -3, 6, 2));
    EXPECT_EQ(box2i(0, 0, 2, 2).expand(vec2i(-1, 7)), box2i(-1, 0, 2, 7));
}

}  // namespace
