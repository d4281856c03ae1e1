#include "rigging/graphics/color.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

using namespace rigging;

namespace {

TEST(Color, RgbaIsRFirstInMemory) {
    RGBA c{0x11, 0x22, 0x33, 0x44};
    std::uint32_t word;
    std::memcpy(&word, &c, 4);
    EXPECT_EQ(word, 0x44332211u);
}

TEST(Color, BlendIsTheExactFloorForEveryInput) {
    // Four background values per call, one per channel, cover all 256^3 triples.
    long mismatches = 0;
    for (int alpha = 0; alpha < 256; ++alpha) {
        for (int fg = 0; fg < 256; ++fg) {
            for (int bg = 0; bg < 256; bg += 4) {
                RGBA f{std::uint8_t(fg), std::uint8_t(fg), std::uint8_t(fg), std::uint8_t(fg)};
                RGBA b{std::uint8_t(bg), std::uint8_t(bg + 1), std::uint8_t(bg + 2),
                       std::uint8_t(bg + 3)};
                RGBA r = blendColor(f, b, std::uint8_t(alpha));
                const std::uint8_t got[4] = {r.r, r.g, r.b, r.a};
                for (int k = 0; k < 4; ++k) {
                    int want = (fg * alpha + (bg + k) * (255 - alpha)) / 255;
                    if (got[k] != want) ++mismatches;
                }
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(Color, BlendKeepsChannelsApart) {
    RGBA fg{255, 0, 200, 10}, bg{0, 255, 100, 250};
    EXPECT_EQ(blendColor(fg, bg, 255), fg);
    EXPECT_EQ(blendColor(fg, bg, 0), bg);
    EXPECT_EQ(blendColor(RGBA{255, 255, 255, 255}, RGBA{0, 0, 0, 0}, 128),
              (RGBA{128, 128, 128, 128}));
    EXPECT_EQ(blendColor(fg, bg, 51), (RGBA{51, 204, 120, 202}));
}

TEST(Color, FourPixelAverageRoundsPerChannel) {
    RGBA one{1, 1, 1, 1}, two{2, 2, 2, 2};
    EXPECT_EQ(average4(one, one, one, two), one);
    EXPECT_EQ(average4(one, two, two, two), two);
    // No carry from one channel into the next, even at the top of the range.
    RGBA hi{255, 0, 255, 0}, lo{0, 255, 0, 255};
    EXPECT_EQ(average4(hi, hi, hi, hi), hi);
    EXPECT_EQ(average4(hi, hi, lo, lo), (RGBA{128, 128, 128, 128}));
    EXPECT_EQ(average4(L16{65535}, L16{65535}, L16{65535}, L16{65535}), L16{65535});
    EXPECT_EQ(average4(L16{0}, L16{0}, L16{0}, L16{1}), L16{0});
    EXPECT_EQ(average4(L16{0}, L16{1}, L16{1}, L16{1}), L16{1});
}

}  // namespace
