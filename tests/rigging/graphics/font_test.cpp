// Text in the editor's font: layout, measurement and alignment, pixel blending and clipping, the
// glyph cache and its sub-pixel variants, sharing one font between threads.

#include "rigging/graphics/font.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "alloc_probe.h"
#include "fontfile.h"

namespace {

using geom::box2i;
using rigging::Font;
using rigging::HorizontalAlignment;
using rigging::ImageRef;
using rigging::RGBA;
using rigging::VerticalAlignment;

struct Image {
    int w, h;
    std::vector<RGBA> px;
    Image(int width, int height, RGBA fill = {0, 0, 0, 255})
        : w(width), h(height), px(static_cast<std::size_t>(width) * height, fill) {}
    ImageRef<RGBA> ref() { return {w, h, static_cast<std::size_t>(w) * 4, px.data()}; }
    RGBA& at(int x, int y) { return px[static_cast<std::size_t>(y) * w + x]; }
    // Box of the pixels whose red differs from the background's.
    box2i ink(int background = 0) {
        box2i b(w, h, 0, 0);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (at(x, y).r != background) {
                    b.min.x = std::min(b.min.x, x);
                    b.min.y = std::min(b.min.y, y);
                    b.max.x = std::max(b.max.x, x + 1);
                    b.max.y = std::max(b.max.y, y + 1);
                }
        return b;
    }
};

const RGBA kWhite{255, 255, 255, 255};

class FontTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { data_ = new std::vector<std::uint8_t>(readFontFile()); }
    static void TearDownTestSuite() { delete data_; }
    void SetUp() override {
        ASSERT_GT(data_->size(), 100000u) << "the font package is missing";
        font_ = std::make_unique<Font>(*data_);
    }
    Font& font() { return *font_; }

    struct Glyph {
        char32_t ch;
        box2i box;
        float xShift, yShift;
    };
    std::vector<Glyph> layout(std::string_view text, float size, float spacing = 0, float x = 0,
                              float y = 0) {
        std::vector<Glyph> out;
        font().forEachGlyph(text, size, spacing, x, y,
                            [&](int index, char32_t ch, const box2i& b, float, float xs, float ys) {
                                EXPECT_EQ(index, static_cast<int>(out.size()));
                                out.push_back({ch, b, xs, ys});
                            });
        return out;
    }

    static std::vector<std::uint8_t>* data_;
    std::unique_ptr<Font> font_;
};
std::vector<std::uint8_t>* FontTest::data_ = nullptr;

TEST_F(FontTest, MetricsScaleAndTheMeasuredBoxAroundTheBaseline) {
    EXPECT_EQ(font().ascent(), 1974);
    EXPECT_EQ(font().descent(), -426);
    EXPECT_FLOAT_EQ(font().scaleForPixelHeight(10), 10.0f / 2400.0f);
    const box2i m = font().measureText("Tg", 16, 0);
    EXPECT_LT(m.min.y, -8);  // cap height above the baseline
    EXPECT_GT(m.max.y, 2);   // the descender of g below it
}

TEST_F(FontTest, EmptyTextAndNonFiniteGeometryMeasureAndDrawNothing) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(font().measureText("", 10, 0), box2i(0, 0, 0, 0));
    EXPECT_EQ(font().measureText("Gain", nan, 0), box2i(0, 0, 0, 0));
    Image img(20, 20, RGBA{1, 2, 3, 4});
    rigging::fillText(img.ref(), font(), "", 10, 0, kWhite, 5, 15, HorizontalAlignment::center,
                      VerticalAlignment::center);
    rigging::fillText(img.ref(), font(), "Gain", 10, 0, kWhite, nan, 15);
    rigging::fillText(img.ref(), font(), "Gain", inf, 0, kWhite, 5, 15);
    rigging::fillText(img.ref(), font(), "Gain", 10, nan, kWhite, 5, 15);
    rigging::fillText(img.ref(), font(), "Gain", 10, 0, kWhite, 1e30f, -1e30f);
    for (const RGBA& p : img.px) ASSERT_EQ(p, (RGBA{1, 2, 3, 4}));
    EXPECT_EQ(font().cachedGlyphCount(), 0u);
}

TEST_F(FontTest, LayoutDecodesUtf8KernsAfterTheFirstCharacterAndSpacesLetters) {
    std::u32string chars;
    for (const Glyph& x : layout("a\xC3\xA9\xFF"
                                 "b\xE2\x82",
                                 10))
        chars += x.ch;
    EXPECT_EQ(chars, U"a\u00E9\uFFFDb\uFFFD");  // a stray byte; a sequence cut short
    // Overlong and surrogate forms are not code points.
    for (std::string bad : {"\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80"})
        for (const Glyph& x : layout(bad, 10)) EXPECT_EQ(x.ch, U'\uFFFD') << bad.size();

    // The first glyph sits where it would alone: no kerning before it.
    EXPECT_EQ(layout("VA", 20)[0].box, layout("V", 20)[0].box);
    // Where the pen stands for the second glyph: "A" and "V" kern closer than "A" and "H".
    auto pen = [&](std::string_view pair, std::string_view second) {
        return layout(pair, 240)[1].box.min.x - layout(second, 240)[0].box.min.x;
    };
    EXPECT_LT(pen("AV", "V"), pen("AH", "H") - 2);
    // Letter spacing moves each further glyph by one more step.
    auto plain = layout("HHH", 12), spaced = layout("HHH", 12, 3.0f);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(spaced[i].box.min.x - plain[i].box.min.x, 3 * i);
}

TEST(BlendFontPixel, CoverageWeightsColourOverDestinationAndAlphaIsTheColours) {
    RGBA d{0, 0, 0, 17};
    rigging::blendFontPixel(d, RGBA{255, 255, 255, 200}, 255);
    EXPECT_EQ(d, (RGBA{254, 254, 254, 200}));
    RGBA e{10, 20, 30, 40};
    rigging::blendFontPixel(e, RGBA{255, 0, 128, 99}, 0);
    EXPECT_EQ(e, (RGBA{10, 20, 30, 99}));
    RGBA f{0, 255, 100, 0};
    rigging::blendFontPixel(f, RGBA{255, 0, 100, 255}, 128);
    EXPECT_EQ(f, (RGBA{128, 127, 100, 255}));
}

TEST_F(FontTest, ClippedGlyphsKeepTheirPixels) {
    // The same text at the same sub-pixel position, whole in a large image and cut by every
    // side of a small one.
    Image whole(80, 40);
    rigging::fillText(whole.ref(), font(), "Wg", 22, 0, kWhite, 30.4f, 25.6f);
    for (auto [dx, dy] : {std::pair{24, 10}, {40, 10}, {30, 0}, {30, 22}, {36, 16}}) {
        Image part(16, 12);
        rigging::fillText(part.ref(), font(), "Wg", 22, 0, kWhite, 30.4f - dx, 25.6f - dy);
        for (int y = 0; y < part.h; ++y)
            for (int x = 0; x < part.w; ++x)
                ASSERT_EQ(part.at(x, y), whole.at(x + dx, y + dy)) << dx << "," << dy;
    }
    // Entirely outside: nothing drawn, nothing rasterised.
    Image none(10, 10);
    const std::size_t before = font().cachedGlyphCount();
    rigging::fillText(none.ref(), font(), "Q", 22, 0, kWhite, -40, 5);
    rigging::fillText(none.ref(), font(), "Q", 22, 0, kWhite, 3, 60);
    EXPECT_EQ(none.ink(), box2i(10, 10, 0, 0));
    EXPECT_EQ(font().cachedGlyphCount(), before);
}

TEST_F(FontTest, CropTargetsClipToTheCropAndUseItsCoordinates) {
    Image whole(60, 30), shared(60, 30, RGBA{9, 9, 9, 255});
    rigging::fillText(whole.ref(), font(), "Crossover 1", 10, 0, kWhite, 3.0f, 20.0f);
    auto c = rigging::crop(shared.ref(), 10, 12, 35, 23);
    rigging::fillText(c, font(), "Crossover 1", 10, 0, kWhite, 3.0f - 10, 20.0f - 12);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 60; ++x) {
            bool inside = x >= 10 && x < 35 && y >= 12 && y < 23;
            if (!inside)
                ASSERT_EQ(shared.at(x, y), (RGBA{9, 9, 9, 255})) << x << "," << y;
            else if (whole.at(x, y).r == 0)
                ASSERT_EQ(shared.at(x, y).r, 9);
            else
                ASSERT_NEAR(shared.at(x, y).r, whole.at(x, y).r, 9);
        }
}

TEST_F(FontTest, CentredTextIsCentredOnItsInk) {
    for (const char* text : {"A", "1", "Crossover 1", "gy"}) {
        Image img(120, 60);
        rigging::fillText(img.ref(), font(), text, 18, 0, kWhite, 60.0f, 30.0f,
                          HorizontalAlignment::center, VerticalAlignment::center);
        box2i ink = img.ink();
        ASSERT_FALSE(ink.empty()) << text;
        EXPECT_NEAR((ink.min.x + ink.max.x) / 2.0, 60.0, 1.5) << text;
        EXPECT_NEAR((ink.min.y + ink.max.y) / 2.0, 30.0, 1.5) << text;
    }
}

TEST_F(FontTest, SpacesDrawNothingAndNeedNoBitmap) {
    Image img(40, 20);
    rigging::fillText(img.ref(), font(), "   ", 12, 0, kWhite, 5, 15);
    EXPECT_EQ(img.ink(), box2i(40, 20, 0, 0));
    EXPECT_EQ(font().cachedGlyphCount(), 0u);
    auto g = layout(" ", 12);
    EXPECT_EQ(
        font().getGlyphCoverage(U' ', 0.005f, g[0].box.width(), g[0].box.height(), 0, 0).pixels,
        nullptr);
}

TEST_F(FontTest, RepeatedDrawHitsTheCacheWithoutAllocating) {
    Image a(100, 20), b(100, 20);
    rigging::fillText(a.ref(), font(), "Crossover 1", 10, 0, kWhite, 5.0f, 14.0f);
    const std::size_t glyphs = font().cachedGlyphCount();
    // One bitmap per distinct character and shift, none for the space.
    std::vector<std::tuple<char32_t, float, float>> distinct;
    for (const Glyph& g : layout("Crossover 1", 10, 0, 0.0f, 0.0f))
        if (!g.box.empty()) distinct.emplace_back(g.ch, g.xShift, g.yShift);
    std::sort(distinct.begin(), distinct.end());
    distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
    EXPECT_EQ(glyphs, distinct.size());
    std::size_t allocations;
    {
        alloc_probe::Scope probe;
        rigging::fillText(b.ref(), font(), "Crossover 1", 10, 0, kWhite, 5.0f, 14.0f);
        allocations = probe.allocations();
    }
    EXPECT_EQ(allocations, 0u);
    EXPECT_EQ(font().cachedGlyphCount(), glyphs);
    EXPECT_EQ(a.px, b.px);
}

TEST_F(FontTest, AGlyphHasAtMostEightyOneSubPixelVariantsPerSize) {
    Image img(40, 40);
    for (int fy = 0; fy < 32; ++fy)
        for (int fx = 0; fx < 32; ++fx)
            rigging::fillText(img.ref(), font(), "o", 14, 0, kWhite, 10 + fx / 32.0f,
                              20 + fy / 32.0f);
    EXPECT_EQ(font().cachedGlyphCount(), 81u);
    rigging::fillText(img.ref(), font(), "o", 15, 0, kWhite, 10, 20);
    EXPECT_EQ(font().cachedGlyphCount(), 82u);  // another size is another key
}

TEST_F(FontTest, ThreadsSharingAFontDrawWhatOneThreadDraws) {
    const std::string lines[] = {"Attack 22.00 ms", "Release 188.00 ms", "Threshold -10.00 dB",
                                 "Ratio 4.00",      "Crossover 1",       "112.47 Hz"};
    std::vector<Image> expected;
    {
        Font alone(*data_);
        for (const std::string& s : lines) {
            expected.emplace_back(140, 24);
            rigging::fillText(expected.back().ref(), alone, s, 13, 0.5f, kWhite, 2.3f, 17.1f);
        }
    }
    std::vector<Image> got[2];
    auto work = [&](int t) {
        for (int round = 0; round < 3; ++round)
            for (const std::string& s : lines) {
                got[t].emplace_back(140, 24);
                rigging::fillText(got[t].back().ref(), font(), s, 13, 0.5f, kWhite, 2.3f, 17.1f);
            }
    };
    std::thread t0(work, 0), t1(work, 1);
    t0.join();
    t1.join();
    for (int t = 0; t < 2; ++t)
        for (std::size_t i = 0; i < got[t].size(); ++i)
            ASSERT_EQ(got[t][i].px, expected[i % 6].px) << lines[i % 6];
}

using FontDeathTest = FontTest;

TEST_F(FontDeathTest, DataThatIsNotAFontEndsTheProcess) {
    const std::vector<std::uint8_t> junk(64, 0x41);
    EXPECT_DEATH(Font f(junk), "");
    const std::vector<std::uint8_t> tiny(4, 0);
    EXPECT_DEATH(Font f(tiny), "");
}

}  // namespace
