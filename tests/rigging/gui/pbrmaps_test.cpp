#include "rigging/gui/pbrmaps.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace {

using geom::box2i;
using rigging::L16;
using rigging::Mipmap;
using rigging::OwnedImage;
using rigging::RGBA;

struct Maps {
    Mipmap<RGBA> diffuse, material;
    Mipmap<L16> depth;
    rigging::Vec<box2i> work1, work2;
    Maps(int w, int h) { rigging::sizePBRMaps(diffuse, depth, material, w, h); }
    void regenerate(box2i r) {
        rigging::regeneratePBRMaps(diffuse, depth, std::span<const box2i>(&r, 1), work1, work2);
    }
};

void paint(Maps& m, box2i r, unsigned seed) {
    std::mt19937 rng(seed);
    for (int y = r.min.y; y < r.max.y; ++y)
        for (int x = r.min.x; x < r.max.x; ++x) {
            unsigned v = rng();
            m.diffuse.level(0)(x, y) =
                RGBA{static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                     static_cast<std::uint8_t>(v >> 16),
                     static_cast<std::uint8_t>((v >> 24) < 40 ? 255 : 0)};
            m.depth.level(0)(x, y).l = static_cast<std::uint16_t>(rng());
        }
}

template <typename C>
bool sameLevels(const Mipmap<C>& a, const Mipmap<C>& b) {
    for (int L = 0; L < a.numLevels(); ++L)
        for (int y = 0; y < a.level(L).height(); ++y)
            if (std::memcmp(a.level(L).scanlinePtr(y), b.level(L).scanlinePtr(y),
                            a.level(L).width() * sizeof(C)) != 0)
                return false;
    return true;
}

TEST(PBRMaps, SizedForTheLighting) {
    Maps m(1000, 700);
    EXPECT_EQ(m.diffuse.numLevels(), 6);
    EXPECT_EQ(m.diffuse.level(5).width(), 31);
    EXPECT_EQ(m.diffuse.level(5).height(), 21);
    EXPECT_EQ(m.depth.numLevels(), 5);
    EXPECT_EQ(m.material.numLevels(), 1);
    // The normal pass reads one pixel around every pixel of the depth map.
    EXPECT_EQ(m.depth.level(0).border(), 1);
    EXPECT_GE(m.depth.level(0).borderRight(), 2);
    EXPECT_EQ(m.depth.level(0).width(), 1000);
}

TEST(PBRMaps, PartialRegenerationMatchesAFullOne) {
    const int W = 203, H = 117;
    Maps partial(W, H), full(W, H);
    paint(partial, box2i(0, 0, W, H), 1);
    partial.regenerate(box2i(0, 0, W, H));
    // Redraw a few rectangles, at the edges too, and regenerate only them.
    const box2i changes[] = {box2i(37, 20, 90, 61), box2i(0, 0, 5, 9), box2i(180, 100, W, H),
                             box2i(101, 0, 102, H)};
    unsigned seed = 2;
    for (const box2i& r : changes) {
        paint(partial, r, seed++);
        partial.regenerate(r);
    }
    for (int y = 0; y < H; ++y) {
        std::memcpy(full.diffuse.level(0).scanlinePtr(y), partial.diffuse.level(0).scanlinePtr(y),
                    W * 4);
        std::memcpy(full.depth.level(0).scanlinePtr(y), partial.depth.level(0).scanlinePtr(y),
                    W * 2);
    }
    full.regenerate(box2i(0, 0, W, H));
    EXPECT_TRUE(sameLevels(partial.diffuse, full.diffuse));
    EXPECT_TRUE(sameLevels(partial.depth, full.depth));

    // The depth ring repeats the edge pixels next to every changed rectangle.
    const OwnedImage<L16>& d = partial.depth.level(0);
    for (int y = 0; y < H; ++y) {
        EXPECT_EQ(d(-1, y), d(0, y)) << y;
        EXPECT_EQ(d(W, y), d(W - 1, y)) << y;
    }
    for (int x = -1; x <= W; ++x) {
        EXPECT_EQ(d(x, -1), d(std::clamp(x, 0, W - 1), 0)) << x;
        EXPECT_EQ(d(x, H), d(std::clamp(x, 0, W - 1), H - 1)) << x;
    }
}

}  // namespace
