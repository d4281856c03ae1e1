#include "rigging/graphics/mipmap.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <utility>
#include <vector>

#include "rigging/core/nogc.h"

using namespace rigging;
using geom::box2i;
using geom::vec4f;
using Q = MipmapQuality;

namespace {

std::mt19937& rng() {
    static std::mt19937 r(31337);
    return r;
}

// Values that favour the extremes, so saturation, rounding and zero alpha all occur.
std::uint8_t randomByte() {
    switch (rng()() % 4) {
        case 0:
            return 0;
        case 1:
            return 255;
        default:
            return static_cast<std::uint8_t>(rng()());
    }
}

void fillRandom(OwnedImage<RGBA>& img) {
    for (int y = 0; y < img.height(); ++y)
        for (RGBA& p : img.scanline(y))
            p = {randomByte(), randomByte(), randomByte(), randomByte()};
}
void fillRandom(OwnedImage<L16>& img) {
    for (int y = 0; y < img.height(); ++y)
        for (L16& p : img.scanline(y)) {
            std::uint32_t r = rng()();
            p.l = r % 4 == 0 ? 0 : r % 4 == 1 ? 65535 : static_cast<std::uint16_t>(r >> 8);
        }
}

template <typename C>
bool samePixels(const OwnedImage<C>& a, const OwnedImage<C>& b) {
    if (a.width() != b.width() || a.height() != b.height()) return false;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (!(a(x, y) == b(x, y))) return false;
    return true;
}

// One output pixel of a filter from a 2 x 2 (or larger) source.
template <typename C, typename Filter>
C filterOne(Filter f, std::vector<std::vector<C>> rows, int x = 0, int y = 0) {
    OwnedImage<C> src(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()));
    for (int j = 0; j < src.height(); ++j)
        for (int i = 0; i < src.width(); ++i) src(i, j) = rows[j][i];
    OwnedImage<C> dst(src.width() / 2, src.height() / 2);
    f(dst, src, box2i(x, y, x + 1, y + 1));
    return dst(x, y);
}

// ---- sizes and rectangles --------------------------------------------------------------------

TEST(MipmapLevels, HalveUntilMaxLevelOrOnePixel) {
    Mipmap<RGBA> m;
    m.size(5, 1000, 700);
    const std::pair<int, int> want[] = {{1000, 700}, {500, 350}, {250, 175},
                                        {125, 87},   {62, 43},   {31, 21}};
    ASSERT_EQ(m.numLevels(), 6);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(m.level(i).width(), want[i].first) << i;
        EXPECT_EQ(m.level(i).height(), want[i].second) << i;
    }
    m.size(12, 1000, 700);
    ASSERT_EQ(m.numLevels(), 10);
    EXPECT_EQ(m.level(9).width(), 1);
    EXPECT_EQ(m.level(9).height(), 1);

    Mipmap<L16> none;
    none.size(-1, 100, 100);
    EXPECT_EQ(none.numLevels(), 0);
    none.size(3, 5, 0);
    EXPECT_EQ(none.numLevels(), 0);
    none.size(3, 5, 2);  // 5x2, 2x1, then 1x0 stops
    EXPECT_EQ(none.numLevels(), 2);
}

TEST(MipmapLevelsDeathTest, ShrinkingTheLevelCountIsFatal) {
    EXPECT_DEATH(
        {
            Mipmap<RGBA> m;
            m.size(5, 1000, 700);
            m.size(2, 1000, 700);
        },
        "reduce the number of levels");
    EXPECT_DEATH(
        {
            Mipmap<L16> m;
            m.size(4, 64, 64);
            m.size(4, 8, 8);
        },
        "reduce the number of levels");
}

TEST(MipmapLevelsDeathTest, AlphaFiltersDoNotExistForDepth) {
    EXPECT_DEATH(
        {
            Mipmap<L16> m;
            m.size(2, 16, 16);
            m.generateNextLevel(Q::boxAlphaCov, box2i(0, 0, 16, 16), 1);
        },
        "no such filter");
}

TEST(MipmapLevels, ImpactOnNextLevelGrowsByTheFilterReachAndClips) {
    using M = Mipmap<RGBA>;
    EXPECT_EQ(M::impactOnNextLevel(Q::box, box2i(4, 4, 6, 6), 100, 100), box2i(2, 2, 3, 3));
    EXPECT_EQ(M::impactOnNextLevel(Q::cubic, box2i(4, 4, 6, 6), 100, 100), box2i(1, 1, 4, 4));
    EXPECT_EQ(M::impactOnNextLevel(Q::cubic, box2i(0, 0, 1, 1), 100, 100), box2i(0, 0, 1, 1));
    EXPECT_EQ(M::impactOnNextLevel(Q::boxAlphaCov, box2i(5, 3, 9, 8), 100, 100), box2i(2, 1, 5, 4));
    EXPECT_EQ(M::impactOnNextLevel(Q::cubic, box2i(90, 0, 101, 101), 101, 101),
              box2i(44, 0, 50, 50));
    EXPECT_EQ(M::impactOnNextLevel(Q::box, box2i(0, 0, 1000, 700), 1000, 700),
              box2i(0, 0, 500, 350));
}

// ---- rounding of each filter -----------------------------------------------------------------

TEST(MipmapFilters, BoxRoundsHalfUp) {
    for (auto f : {generateLevelBoxRGBA, generateLevelBoxRGBAScalar}) {
        RGBA z{0, 0, 0, 0}, one{1, 1, 1, 1};
        EXPECT_EQ(filterOne<RGBA>(f, {{z, z}, {z, one}}), z);
        EXPECT_EQ(filterOne<RGBA>(f, {{z, one}, {one, one}}), one);
        RGBA mixed = filterOne<RGBA>(f, {{RGBA{255, 0, 1, 2}, RGBA{255, 0, 1, 2}},
                                         {RGBA{255, 0, 2, 2}, RGBA{254, 1, 2, 3}}});
        EXPECT_EQ(mixed, (RGBA{255, 0, 2, 2}));
    }
    for (auto f : {generateLevelBoxL16, generateLevelBoxL16Scalar}) {
        EXPECT_EQ(filterOne<L16>(f, {{L16{0}, L16{0}}, {L16{0}, L16{1}}}).l, 0);
        EXPECT_EQ(filterOne<L16>(f, {{L16{0}, L16{1}}, {L16{1}, L16{1}}}).l, 1);
        EXPECT_EQ(filterOne<L16>(f, {{L16{65535}, L16{65535}}, {L16{65535}, L16{65534}}}).l, 65535);
    }
}

TEST(MipmapFilters, AlphaCoverageWeightsColoursByAlpha) {
    for (auto f : {generateLevelBoxAlphaCovRGBA, generateLevelBoxAlphaCovRGBAScalar}) {
        RGBA clear{200, 100, 50, 0};
        EXPECT_EQ(filterOne<RGBA>(f, {{clear, clear}, {clear, clear}}), (RGBA{0, 0, 0, 0}));
        RGBA red{255, 0, 0, 255}, blueClear{0, 0, 255, 0};
        EXPECT_EQ(filterOne<RGBA>(f, {{red, blueClear}, {blueClear, blueClear}}),
                  (RGBA{255, 0, 0, 64}));
        // 100 * 1 + 201 * 2 over 3: 167.33 -> 167; alpha (3 + 2) >> 2 = 1.
        RGBA a{100, 0, 255, 1}, b{201, 1, 254, 2}, none{9, 9, 9, 0};
        EXPECT_EQ(filterOne<RGBA>(f, {{a, b}, {none, none}}), (RGBA{167, 1, 254, 1}));
    }
}

TEST(MipmapFilters, PremultipliedBoxDividesBy1024) {
    for (auto f :
         {generateLevelBoxAlphaCovIntoPremulRGBA, generateLevelBoxAlphaCovIntoPremulRGBAScalar}) {
        RGBA white{255, 255, 255, 255};
        EXPECT_EQ(filterOne<RGBA>(f, {{white, white}, {white, white}}), (RGBA{254, 254, 254, 254}));
        RGBA half{255, 0, 128, 128}, clear{255, 255, 255, 0};
        // r: 4 * 255 * 128 = 130560 -> 128; b: 4 * 128 * 128 = 65536 -> 64.
        EXPECT_EQ(filterOne<RGBA>(f, {{half, half}, {half, half}}), (RGBA{128, 0, 64, 64}));
        EXPECT_EQ(filterOne<RGBA>(f, {{clear, clear}, {clear, clear}}), (RGBA{0, 0, 0, 0}));
    }
}

TEST(MipmapFilters, CubicWeightsOneThreeThreeOne) {
    auto grid = [](int w, int h, int px, int py, auto value, auto hot) {
        using C = decltype(value);
        std::vector<std::vector<C>> rows(h, std::vector<C>(w, value));
        rows[py][px] = hot;
        return rows;
    };
    for (auto f : {generateLevelCubicRGBA, generateLevelCubicRGBAScalar}) {
        RGBA z{0, 0, 0, 0}, hot{255, 255, 255, 255};
        // A single 255 at an inner tap of output (1, 1) has weight 9: 2295 + 32 >> 6 = 36.
        EXPECT_EQ(filterOne<RGBA>(f, grid(8, 8, 2, 3, z, hot), 1, 1), (RGBA{36, 36, 36, 36}));
        // At a corner tap, weight 1: (255 + 32) >> 6 = 4.
        EXPECT_EQ(filterOne<RGBA>(f, grid(8, 8, 1, 4, z, hot), 1, 1), (RGBA{4, 4, 4, 4}));
        // At the image corner the clamped taps repeat pixel (0, 0): weight 4 * 4 = 16.
        EXPECT_EQ(filterOne<RGBA>(f, grid(8, 8, 0, 0, z, hot), 0, 0), (RGBA{64, 64, 64, 64}));
        // A flat image stays flat, at the top of the range too.
        EXPECT_EQ(filterOne<RGBA>(f, grid(6, 6, 0, 0, hot, hot), 2, 2), hot);
    }
    for (auto f : {generateLevelCubicL16, generateLevelCubicL16Scalar}) {
        L16 z{0}, hot{65535};
        EXPECT_EQ(filterOne<L16>(f, grid(8, 8, 2, 3, z, hot), 1, 1).l, (9 * 65535 + 32) >> 6);
        // The right tap of the last output column falls past the edge and is clamped onto the
        // last column, which then weighs 3 + 1.
        EXPECT_EQ(filterOne<L16>(f, grid(8, 6, 7, 2, z, hot), 3, 1).l, (4 * 3 * 65535 + 32) >> 6);
        EXPECT_EQ(filterOne<L16>(f, grid(6, 6, 0, 0, hot, hot), 1, 1).l, 65535);
    }
}

TEST(MipmapFilters, BoxFiltersNeverReadTheLastColumnOfAnOddSource) {
    OwnedImage<RGBA> src(5, 3), a(2, 1), b(2, 1);
    fillRandom(src);
    generateLevelBoxRGBA(a, src, box2i(0, 0, 2, 1));
    for (int y = 0; y < 3; ++y) src(4, y) = RGBA{1, 2, 3, 4};
    for (int x = 0; x < 5; ++x) src(x, 2) = RGBA{5, 6, 7, 8};
    generateLevelBoxRGBA(b, src, box2i(0, 0, 2, 1));
    EXPECT_TRUE(samePixels(a, b));
}

// ---- the vector forms agree with the per-pixel forms -----------------------------------------

template <typename C>
void compareOnRandomRectangles(void (*fast)(OwnedImage<C>&, const OwnedImage<C>&, box2i),
                               void (*reference)(OwnedImage<C>&, const OwnedImage<C>&, box2i)) {
    for (int trial = 0; trial < 1000; ++trial) {
        const int sw = 2 + static_cast<int>(rng()() % 70), sh = 2 + static_cast<int>(rng()() % 40);
        OwnedImage<C> src(sw, sh);
        fillRandom(src);
        const int w = sw / 2, h = sh / 2;
        const int x0 = static_cast<int>(rng()() % w), y0 = static_cast<int>(rng()() % h);
        const int x1 = x0 + 1 + static_cast<int>(rng()() % (w - x0));
        const int y1 = y0 + 1 + static_cast<int>(rng()() % (h - y0));
        OwnedImage<C> a(w, h), b(w, h);
        fillRandom(a);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) b(x, y) = a(x, y);
        fast(a, src, box2i(x0, y0, x1, y1));
        reference(b, src, box2i(x0, y0, x1, y1));
        ASSERT_TRUE(samePixels(a, b)) << "source " << sw << "x" << sh << ", rectangle (" << x0
                                      << "," << y0 << ")-(" << x1 << "," << y1 << ")";
    }
}

TEST(MipmapFilters, VectorFormsEqualPerPixelFormsOnRandomRectangles) {
    compareOnRandomRectangles<RGBA>(generateLevelBoxRGBA, generateLevelBoxRGBAScalar);
    compareOnRandomRectangles<L16>(generateLevelBoxL16, generateLevelBoxL16Scalar);
    compareOnRandomRectangles<RGBA>(generateLevelBoxAlphaCovRGBA,
                                    generateLevelBoxAlphaCovRGBAScalar);
    compareOnRandomRectangles<RGBA>(generateLevelBoxAlphaCovIntoPremulRGBA,
                                    generateLevelBoxAlphaCovIntoPremulRGBAScalar);
    compareOnRandomRectangles<RGBA>(generateLevelCubicRGBA, generateLevelCubicRGBAScalar);
    compareOnRandomRectangles<L16>(generateLevelCubicL16, generateLevelCubicL16Scalar);
}

// ---- partial regeneration --------------------------------------------------------------------

// Regenerates only what a changed rectangle of level 0 affects, level by level as the editor
// does, and compares with a pyramid regenerated in full from the same level 0.
template <typename C>
void partialEqualsFull(int maxLevel, std::vector<Q> qualities) {
    Mipmap<C> partial, full;
    partial.size(maxLevel, 333, 201);
    full.size(maxLevel, 333, 201);
    fillRandom(partial.level(0));
    auto regenerateAll = [&](Mipmap<C>& m) {
        box2i r(0, 0, m.width(), m.height());
        for (int l = 1; l < m.numLevels(); ++l) r = m.generateNextLevel(qualities[l - 1], r, l);
    };
    regenerateAll(partial);
    for (int round = 0; round < 40; ++round) {
        const int x0 = static_cast<int>(rng()() % 333), y0 = static_cast<int>(rng()() % 201);
        const box2i changed(x0, y0, x0 + 1 + static_cast<int>(rng()() % (333 - x0)),
                            y0 + 1 + static_cast<int>(rng()() % (201 - y0)));
        OwnedImage<C>& l0 = partial.level(0);
        {
            OwnedImage<C> noise(changed.width(), changed.height());
            fillRandom(noise);
            for (int y = 0; y < changed.height(); ++y)
                for (int x = 0; x < changed.width(); ++x)
                    l0(changed.min.x + x, changed.min.y + y) = noise(x, y);
        }
        box2i r = changed;
        for (int l = 1; l < partial.numLevels(); ++l)
            r = partial.generateNextLevel(qualities[l - 1], r, l);

        for (int y = 0; y < 201; ++y)
            for (int x = 0; x < 333; ++x) full.level(0)(x, y) = l0(x, y);
        regenerateAll(full);
        for (int l = 1; l < full.numLevels(); ++l)
            ASSERT_TRUE(samePixels(partial.level(l), full.level(l))) << "level " << l;
    }
}

TEST(MipmapPyramid, PartialRegenerationEqualsFullRegeneration) {
    // Diffuse: premultiplied first level, cubic after; depth: box, box, cubic, cubic.
    partialEqualsFull<RGBA>(5, {Q::boxAlphaCovIntoPremul, Q::cubic, Q::cubic, Q::cubic, Q::cubic});
    partialEqualsFull<L16>(4, {Q::box, Q::box, Q::cubic, Q::cubic});
    partialEqualsFull<RGBA>(3, {Q::boxAlphaCov, Q::box, Q::cubic});
}

TEST(MipmapPyramid, FullGenerationTurnsBoxIntoCubicFromLevelThree) {
    auto* level0 = mallocNew<OwnedImage<RGBA>>(200, 120);
    fillRandom(*level0);
    Mipmap<RGBA> sky(12, level0);
    EXPECT_EQ(&sky.level(0), level0) << "the pyramid keeps the image it was given";
    EXPECT_EQ(sky.numLevels(), 7);
    sky.generateMipmaps(Q::box);

    std::vector<OwnedImage<RGBA>*> want;
    const OwnedImage<RGBA>* prev = level0;
    for (int l = 1; l < 7; ++l) {
        auto* img = mallocNew<OwnedImage<RGBA>>(200 >> l, 120 >> l);
        box2i all(0, 0, img->width(), img->height());
        if (l < 3)
            generateLevelBoxRGBAScalar(*img, *prev, all);
        else
            generateLevelCubicRGBAScalar(*img, *prev, all);
        EXPECT_TRUE(samePixels(sky.level(l), *img)) << "level " << l;
        want.push_back(img);
        prev = img;
    }
    for (auto* img : want) destroyFree(img);
}

TEST(MipmapPyramid, AnEmptyFirstLevelGivesNoLevels) {
    auto* empty = mallocNew<OwnedImage<RGBA>>();
    Mipmap<RGBA> m(12, empty);  // the image is released with the pyramid's say
    EXPECT_EQ(m.numLevels(), 0);
    m.generateMipmaps(Q::box);
    EXPECT_EQ(m.linearSample(0, 1, 1), vec4f());
}

// ---- sampling --------------------------------------------------------------------------------

class MipmapSampling : public ::testing::Test {
protected:
    Mipmap<RGBA> m;
    void SetUp() override {
        m.size(3, 8, 4);
        for (int l = 0; l < m.numLevels(); ++l)
            for (int y = 0; y < m.level(l).height(); ++y)
                for (int x = 0; x < m.level(l).width(); ++x)
                    m.level(l)(x, y) = RGBA{std::uint8_t(10 * x), std::uint8_t(10 * y),
                                            std::uint8_t(100 + l), 255};
    }
};

TEST_F(MipmapSampling, PixelCentresAndEdgesGiveExactPixels) {
    EXPECT_EQ(m.linearSample(0, 0.5f, 0.5f), vec4f(0, 0, 100, 255));
    EXPECT_EQ(m.linearSample(0, 0.0f, 0.0f), vec4f(0, 0, 100, 255));
    EXPECT_EQ(m.linearSample(0, 3.5f, 2.5f), vec4f(30, 20, 100, 255));
    EXPECT_EQ(m.linearSample(0, 50.0f, 1.5f), vec4f(70, 10, 100, 255)) << "last column";
    EXPECT_EQ(m.linearSample(0, 1.0f, 0.5f), vec4f(5, 0, 100, 255)) << "halfway between";
    // Level 1 is addressed in level-0 pixels: (3, 1) is the centre of its pixel (1, 0).
    EXPECT_EQ(m.linearSample(1, 3.0f, 1.0f), vec4f(10, 0, 101, 255));
}

TEST_F(MipmapSampling, LevelsOutsideThePyramidAreClamped) {
    EXPECT_EQ(m.linearSample(-4, 0.5f, 0.5f), m.linearSample(0, 0.5f, 0.5f));
    EXPECT_EQ(m.linearSample(9, 3.0f, 3.0f), m.linearSample(2, 3.0f, 3.0f));
    EXPECT_EQ(m.linearSample(9, 3.0f, 3.0f).z, 102.0f);
}

TEST_F(MipmapSampling, TrilinearBlendsNeighbouringLevels) {
    EXPECT_EQ(m.linearMipmapSample(2.0f, 5.0f, 3.0f), m.linearSample(2, 5.0f, 3.0f));
    vec4f blend = m.linearMipmapSample(0.25f, 2.0f, 2.0f);
    vec4f a = m.linearSample(0, 2.0f, 2.0f), b = m.linearSample(1, 2.0f, 2.0f);
    EXPECT_EQ(blend, a * 0.75f + b * 0.25f);
    EXPECT_EQ(m.linearMipmapSample(7.5f, 1.0f, 1.0f).z, 102.0f) << "beyond the last level";
    EXPECT_EQ(m.linearMipmapSample(-1.0f, 0.5f, 0.5f), m.linearSample(0, 0.5f, 0.5f));
}

}  // namespace
