#include "rigging/graphics/image.h"

#include <gtest/gtest.h>

#include <cstdint>

using namespace rigging;
using geom::box2i;

namespace {

std::uintptr_t addr(const void* p) {
    return reinterpret_cast<std::uintptr_t>(p);
}

TEST(OwnedImage, DefaultSizeHasNoBorder) {
    OwnedImage<RGBA> img;
    EXPECT_EQ(img.data(), nullptr);
    img.size(10, 5);
    EXPECT_EQ(img.pitchInBytes(), 40);
    EXPECT_EQ(img.border(), 0);
    EXPECT_EQ(img.borderRight(), 0);
    EXPECT_EQ(img.data(), img.buffer());
    EXPECT_EQ(toRef(img).pitch, 40u);
    img.size(10, 1);
    EXPECT_EQ(toRef(img).pitch, 10u) << "one row: no second row to measure, the width stands in";
}

TEST(OwnedImage, BorderAndTrailingSamplesWidenTheRows) {
    OwnedImage<L16> depth(10, 5, 1, 1, 1, 2);
    EXPECT_EQ(depth.borderRight(), 2);
    EXPECT_EQ(depth.pitchInBytes(), 26);
    // The first visible pixel sits one row and one column into the storage of 7 rows.
    EXPECT_EQ(addr(depth.data()), addr(depth.buffer()) + 26 + 2);
    // Every addressable pixel can be written: rows -1..5, columns -1..11.
    for (int y = -1; y <= 5; ++y)
        for (int x = -1; x <= 11; ++x) depth(x, y) = L16{std::uint16_t(100 * y + x + 200)};
    EXPECT_EQ(depth(-1, -1).l, 99);
    EXPECT_EQ(depth(11, 5).l, 711);

    // xMultiplicity pads width + border to a multiple, keeping at least `border` on the right.
    OwnedImage<RGBA> padded;
    padded.size(10, 2, 1, 1, 4);
    EXPECT_EQ(padded.borderRight(), 2);  // 11 -> 12 is 1 more, plus the border
    padded.size(11, 2, 1, 1, 4);
    EXPECT_EQ(padded.borderRight(), 1);
}

TEST(OwnedImage, AlignedRowsStartOnTheBoundary) {
    OwnedImage<RGBAf> f;
    f.size(3, 3, 0, 16);
    EXPECT_EQ(f.pitchInBytes(), 48);
    EXPECT_EQ(addr(f.data()) % 16, 0u);
    for (int y = 0; y < 3; ++y) EXPECT_EQ(addr(f.scanlinePtr(y)) % 16, 0u);

    OwnedImage<RGBf> g;
    g.size(5, 4, 1, 16);  // 12 * 7 = 84 bytes rounded to 96
    EXPECT_EQ(g.pitchInBytes(), 96);
    EXPECT_EQ(addr(g.data()) % 16, 0u);
    g(-1, -1) = RGBf{1, 2, 3};
    g(5, 4) = RGBf{4, 5, 6};
    EXPECT_EQ(g(-1, -1).r, 1.0f);
}

TEST(Crop, CropOfACropAddsBothOffsets) {
    OwnedImage<RGBA> img(20, 12);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 20; ++x) img(x, y) = RGBA{std::uint8_t(x), std::uint8_t(y), 0, 255};

    auto outer = crop(img, 3, 2, 17, 11);
    auto inner = crop(outer, box2i(4, 5, 9, 8));
    EXPECT_EQ(inner.width(), 5);
    EXPECT_EQ(inner.height(), 3);
    EXPECT_EQ(inner.scanline(0).size(), 5u);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) {
            EXPECT_EQ(inner(x, y).r, x + 3 + 4);
            EXPECT_EQ(inner(x, y).g, y + 2 + 5);
        }

    // A view of a view of a view.
    auto ref = toRef(img);
    auto deep = crop(crop(crop(ref, 1, 1, 20, 12), 1, 1, 19, 11), 1, 1, 18, 10);
    EXPECT_EQ(deep(0, 0).r, 3);
    EXPECT_EQ(deep.scanline(8)[16].g, 11);

    ImageRef<RGBA> sub = cropImageRef(ref, box2i(5, 6, 8, 9));
    EXPECT_EQ(sub.w, 3);
    EXPECT_EQ(sub.h, 3);
    EXPECT_EQ(sub.pitch, ref.pitch);
    EXPECT_EQ(sub(2, 2).r, 7);
    EXPECT_EQ(sub(2, 2).g, 8);
}

TEST(Crop, BlitCopiesBetweenDifferentPitches) {
    OwnedImage<RGBA> src(6, 4), dst(9, 7);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 9; ++x) dst(x, y) = RGBA{0, 0, 0, 0};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            src(x, y) = RGBA{std::uint8_t(x + 1), std::uint8_t(y + 1), 7, 7};
    ImageRef<RGBA> target = cropImageRef(toRef(dst), box2i(2, 1, 8, 5));
    blitTo(toRef(src), target);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 9; ++x) {
            bool inside = x >= 2 && x < 8 && y >= 1 && y < 5;
            RGBA want = inside ? src(x - 2, y - 1) : RGBA{0, 0, 0, 0};
            EXPECT_EQ(dst(x, y), want) << x << "," << y;
        }
}

class ReplicateBorders : public ::testing::Test {
protected:
    static constexpr int W = 6, H = 4;
    static constexpr std::uint16_t kUntouched = 0xFFFF;
    OwnedImage<L16> img{W, H, 2, 1, 1, 3};  // border 2, borderRight 3

    void SetUp() override {
        for (int y = -2; y < H + 2; ++y)
            for (int x = -2; x < W + 3; ++x)
                img(x, y) = L16{inside(x, y) ? std::uint16_t(10 * y + x) : kUntouched};
    }
    static bool inside(int x, int y) { return x >= 0 && x < W && y >= 0 && y < H; }
    int changedBorderPixels() {
        int n = 0;
        for (int y = -2; y < H + 2; ++y)
            for (int x = -2; x < W + 3; ++x)
                if (!inside(x, y) && img(x, y).l != kUntouched) ++n;
        return n;
    }
};

TEST_F(ReplicateBorders, AnInnerBoxChangesNothing) {
    img.replicateBordersTouching(box2i(1, 1, 5, 3));
    EXPECT_EQ(changedBorderPixels(), 0);
}

TEST_F(ReplicateBorders, TheWholeImageFillsEveryRingPixelFromTheNearestEdge) {
    img.replicateBordersTouching(box2i(0, 0, W, H));
    for (int y = -2; y < H + 2; ++y)
        for (int x = -2; x < W + 3; ++x) {
            int cx = x < 0 ? 0 : (x >= W ? W - 1 : x);
            int cy = y < 0 ? 0 : (y >= H ? H - 1 : y);
            EXPECT_EQ(img(x, y).l, 10 * cy + cx) << x << "," << y;
        }
}

TEST_F(ReplicateBorders, ATopMiddleBoxFillsOnlyTheColumnsAboveIt) {
    img.replicateBordersTouching(box2i(2, 0, 4, 2));
    EXPECT_EQ(changedBorderPixels(), 4);
    for (int y = -2; y < 0; ++y) {
        EXPECT_EQ(img(2, y).l, 2);
        EXPECT_EQ(img(3, y).l, 3);
    }
}

TEST_F(ReplicateBorders, ABottomRightBoxFillsItsRowsAndTheCorner) {
    img.replicateBordersTouching(box2i(4, 2, W, H));
    // Right ring of rows 2..3 (3 columns each), bottom rows under columns 4..5, bottom-right
    // corner (2 rows x 3 columns).
    EXPECT_EQ(changedBorderPixels(), 2 * 3 + 2 * 2 + 2 * 3);
    EXPECT_EQ(img(W + 2, 2).l, 25);
    EXPECT_EQ(img(W, 3).l, 35);
    EXPECT_EQ(img(4, H + 1).l, 34);
    EXPECT_EQ(img(W + 2, H + 1).l, 35);
    EXPECT_EQ(img(-1, 2).l, kUntouched);
}

}  // namespace
