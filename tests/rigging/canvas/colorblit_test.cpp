// The colour blitter against a plain per-pixel model: prefix sums, weights and blends of every
// lane, constant runs between flagged groups, and the pixels it may touch.

#include "rigging/canvas/colorblit.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

using rigging::ColorBlit;
using rigging::colorBlitChannel;
using rigging::colorBlitWeight;
using rigging::kOpaqueWeight;

TEST(ColorBlitWeights, FullCoverageOfAnOpaqueColourGivesTheColourExactly) {
    // The blitter stores an opaque colour outright from kOpaqueWeight up: that must be what the
    // blend gives there for every colour and background.
    for (int w = kOpaqueWeight; w <= colorBlitWeight(0x8000, 255); ++w)
        for (int c = 0; c < 256; ++c)
            for (int d = 0; d < 256; ++d) ASSERT_EQ(colorBlitChannel(c, d, w), c) << w;
    EXPECT_NE(colorBlitChannel(255, 0, kOpaqueWeight - 1), 255);
    // Winding beyond once saturates: non-zero rule.
    EXPECT_EQ(colorBlitWeight(3 * 0x8000, 255), colorBlitWeight(0x8000, 255));
    EXPECT_EQ(colorBlitWeight(-0x8000, 255), colorBlitWeight(0x8000, 255));
    EXPECT_EQ(colorBlitWeight(0, 255), 0);
    EXPECT_EQ(colorBlitWeight(0x8000, 0), 0);
}

// The row a blit must leave: prefix sums of the deltas, each pixel blended on its own.
std::vector<uint32_t> expectedRow(std::vector<uint32_t> row, const std::vector<int32_t>& deltas,
                                  uint32_t colour, int xl, int xr) {
    int32_t acc = 0;
    for (int x = xl & ~3; x < xr; ++x) {
        acc += deltas[static_cast<std::size_t>(x)];
        if (x < xl) continue;
        int w = colorBlitWeight(acc, colour >> 24);
        uint32_t out = 0;
        for (int ch = 0; ch < 4; ++ch) {
            int c = (colour >> (8 * ch)) & 255, d = (row[x] >> (8 * ch)) & 255;
            out |= static_cast<uint32_t>(colorBlitChannel(c, d, w)) << (8 * ch);
        }
        row[static_cast<std::size_t>(x)] = out;
    }
    return row;
}

TEST(ColorBlitRows, EveryLaneAndEveryConstantRunMatchesThePerPixelModel) {
    std::mt19937 rng(7);
    for (int trial = 0; trial < 400; ++trial) {
        const int width = 1 + static_cast<int>(rng() % 300);
        const int xl = static_cast<int>(rng() % static_cast<unsigned>(width));
        const int xr = xl + 1 + static_cast<int>(rng() % static_cast<unsigned>(width - xl));
        const uint32_t colour = rng() | (trial % 3 == 0 ? 0xFF000000u : 0u);
        std::vector<uint32_t> row(static_cast<std::size_t>(width));
        for (auto& p : row) p = rng();
        std::vector<int32_t> deltas(static_cast<std::size_t>(width) + 16, 0);
        std::vector<uint64_t> mask(static_cast<std::size_t>(width) / 256 + 2, 0);
        // Sparse differences, so that long runs of constant coverage lie between them.
        const int n = static_cast<int>(rng() % 6);
        for (int i = 0; i < n; ++i) {
            int x = xl + static_cast<int>(rng() % static_cast<unsigned>(xr - xl));
            int32_t v = static_cast<int32_t>(rng() % 0x20000) - 0x10000;
            deltas[static_cast<std::size_t>(x)] += v;
            mask[static_cast<std::size_t>(x >> 8)] |= uint64_t{1} << ((x >> 2) & 63);
        }
        std::vector<int32_t> given = deltas;
        std::vector<uint32_t> want = expectedRow(row, given, colour, xl, xr);

        ColorBlit b;
        b.init(reinterpret_cast<uint8_t*>(row.data()), row.size() * 4, 1, colour);
        b.colorBlit(deltas.data(), mask.data(), xl, xr, 0);
        ASSERT_EQ(row, want) << "trial " << trial << " " << xl << ".." << xr;
        for (int x = xl & ~3; x < ((xr + 3) & ~3); ++x)
            ASSERT_EQ(deltas[static_cast<std::size_t>(x)], 0) << "deltas are consumed";
    }
}

}  // namespace
