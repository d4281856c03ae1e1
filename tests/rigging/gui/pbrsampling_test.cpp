#include "rigging/gui/pbrsampling.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

namespace {

using rigging::L16;
using rigging::Mipmap;
using rigging::RGBA;

bool sameBits(float a, float b) {
    return std::memcmp(&a, &b, 4) == 0;
}

// The lighting passes sample through their own inlined copy of the pyramid's sampling; it
// must stay the same bits as the pyramid's, everywhere including the clamped edges.
TEST(InlinedSampling, SameBitsAsThePyramid) {
    Mipmap<RGBA> colour;
    Mipmap<L16> depth;
    colour.size(12, 77, 41);
    depth.size(12, 77, 41);
    std::mt19937 rng(9);
    for (int y = 0; y < 41; ++y)
        for (int x = 0; x < 77; ++x) {
            unsigned v = rng();
            colour.level(0)(x, y) =
                RGBA{static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                     static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
            depth.level(0)(x, y).l = static_cast<std::uint16_t>(v >> 7);
        }
    colour.generateMipmaps(rigging::MipmapQuality::box);
    for (int L = 1; L < depth.numLevels(); ++L)
        depth.generateNextLevel(rigging::MipmapQuality::cubic,
                                geom::box2i(0, 0, 77 >> (L - 1), 41 >> (L - 1)), L);

    std::uniform_real_distribution<float> coord(-20.0f, 100.0f), lvl(-2.0f, 9.0f);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (int i = 0; i < 20000; ++i) {
        float x = coord(rng), y = coord(rng);
        if (i % 97 == 0) x = nan;
        if (i % 89 == 0) y = 1e12f;
        if (i % 3 == 0) x = std::round(x) + 0.5f;  // pixel centres, as the passes sample
        const int level = static_cast<int>(lvl(rng));
        const float d = depth.linearSample(level, x, y);
        ASSERT_TRUE(sameBits(rigging::pbr::linearSample(depth, level, x, y), d))
            << level << " " << x << " " << y;
        geom::vec4f c = colour.linearSample(level, x, y);
        float got[4];
        _mm_storeu_ps(got, rigging::pbr::linearSample(colour, level, x, y));
        for (int k = 0; k < 4; ++k)
            ASSERT_TRUE(sameBits(got[k], c[k])) << level << " " << x << " " << y;

        const float fl = i % 5 == 0 ? std::floor(lvl(rng)) : lvl(rng);
        geom::vec4f t = colour.linearMipmapSample(fl, x, y);
        _mm_storeu_ps(got, rigging::pbr::linearMipmapSample(colour, fl, x, y));
        for (int k = 0; k < 4; ++k)
            ASSERT_TRUE(sameBits(got[k], t[k])) << fl << " " << x << " " << y;
    }
}

}  // namespace
