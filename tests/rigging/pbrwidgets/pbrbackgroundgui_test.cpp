#include "rigging/pbrwidgets/pbrbackgroundgui.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "pngwrite.h"
#include "rigging/core/nogc.h"
#include "rigging/gui/legacypbr.h"
#include "rigging/gui/offscreen.h"

using namespace rigging;
using geom::box2i;

namespace {

using Png = std::vector<std::uint8_t>;

// An RGBA PNG whose pixel (x, y) is f(x, y).
template <typename F>
Png png(int w, int h, F f) {
    std::vector<RGBA> px;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) px.push_back(f(x, y));
    return pngwrite::encode(px.data(), w, h, 4, w * 4);
}

// A PNG signature followed by nothing it can decode: the loaders give an empty image.
Png brokenPng() {
    return {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
}

struct Maps {
    int w, h;
    Png base, emissive, material, depth, sky;
    // Each pixel tells its place, so misplaced copies show.
    explicit Maps(int width, int height) : w(width), h(height) {
        base = png(w, h, [](int x, int y) {
            return RGBA{static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), 7, 1};
        });
        emissive = png(w, h, [](int x, int) {
            const std::uint8_t g = static_cast<std::uint8_t>(x * 3);
            return RGBA{g, g, g, 0};
        });
        material = png(w, h, [](int x, int y) {
            return RGBA{static_cast<std::uint8_t>(y), 90, static_cast<std::uint8_t>(x), 255};
        });
        depth = png(w, h, [](int x, int y) {
            const std::uint8_t v = static_cast<std::uint8_t>((x + y) % 256);
            return RGBA{v, v, static_cast<std::uint8_t>(v / 2), 255};
        });
        sky = png(16, 8, [](int x, int y) {
            return RGBA{static_cast<std::uint8_t>(x * 10), static_cast<std::uint8_t>(y * 20), 90,
                        255};
        });
    }
};

struct Background {
    Background(const Maps& m, int windowW, int windowH)
        : gui(mallocNew<PBRBackgroundGUI>(makeSizeConstraintsFixed(windowW, windowH), m.base,
                                          m.emissive, m.material, m.depth, m.sky)),
          driver(*gui) {
        driver.open();
        driver.tick();
    }
    ~Background() { destroyFree(gui); }
    PBRBackgroundGUI* gui;
    OffscreenDriver driver;
};

TEST(BackgroundImages, DepthIsTheChannelSumSpreadOverSixteenBits) {
    for (auto [in, out] : {std::pair{RGBA{255, 255, 255, 0}, 65535}, {RGBA{0, 0, 0, 255}, 0},
                           {RGBA{1, 1, 1, 9}, 257}, {RGBA{1, 2, 3, 0}, 514},
                           {RGBA{255, 255, 254, 0}, 65449}})
        EXPECT_EQ(depthFromRGB(in).l, out) << int(in.r) << "," << int(in.g) << "," << int(in.b);

    Maps m(6, 4);
    Background b(m, 6, 4);
    const OwnedImage<L16>& depth = b.gui->depthImage();
    const OwnedImage<RGBA>& diffuse = b.gui->diffuseImage();
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) {
            const int v = (x + y) % 256;
            ASSERT_EQ(depth(x, y).l, (v + v + v / 2) * 257 / 3);
            // Colour from the base colour, alpha from the emissive grey.
            ASSERT_EQ(diffuse(x, y), (RGBA{static_cast<std::uint8_t>(x),
                                           static_cast<std::uint8_t>(y), 7,
                                           static_cast<std::uint8_t>(x * 3)}));
        }
}

TEST(BackgroundPainting, ImagesOfTheWindowsSizeCoverEveryMapExactly) {
    Maps m(40, 30);
    Background b(m, 40, 30);
    const OwnedImage<RGBA>& diffuse = b.gui->diffuseMap().level(0);
    const OwnedImage<RGBA>& material = b.gui->materialMap().level(0);
    const OwnedImage<L16>& depth = b.gui->depthMap().level(0);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            ASSERT_EQ(diffuse(x, y), b.gui->diffuseImage()(x, y));
            ASSERT_EQ(material(x, y), b.gui->materialImage()(x, y));
            ASSERT_EQ(depth(x, y), b.gui->depthImage()(x, y));
        }
    EXPECT_EQ(b.gui->destRect(), box2i(0, 0, 40, 30));
}

TEST(BackgroundPainting, AWindowLargerThanTheImagesKeepsItsOuterPartUnpainted) {
    Maps m(40, 30);
    Background b(m, 64, 48);
    EXPECT_EQ(b.gui->sourceRect(), box2i(0, 0, 40, 30));
    const OwnedImage<RGBA>& diffuse = b.gui->diffuseMap().level(0);
    const OwnedImage<L16>& depth = b.gui->depthMap().level(0);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) {
            const bool covered = x < 40 && y < 30;
            ASSERT_EQ(diffuse(x, y), (covered ? b.gui->diffuseImage()(x, y) : RGBA{0, 0, 0, 0}))
                << x << "," << y;
            ASSERT_EQ(depth(x, y).l, covered ? b.gui->depthImage()(x, y).l : 0);
        }

    // A dirty rectangle partly over the image is copied where it overlaps: the map under the
    // rest keeps what was there.
    OwnedImage<RGBA> diffuseMap(64, 48), materialMap(64, 48);
    OwnedImage<L16> depthMap(64, 48);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) {
            diffuseMap(x, y) = materialMap(x, y) = RGBA{1, 1, 1, 1};
            depthMap(x, y) = L16{1};
        }
    const box2i dirty[] = {box2i(30, 20, 60, 45)};
    b.gui->onDrawPBR(toRef(diffuseMap), toRef(depthMap), toRef(materialMap), dirty);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) {
            const bool copied = x >= 30 && x < 40 && y >= 20 && y < 30;
            ASSERT_EQ(materialMap(x, y), (copied ? b.gui->materialImage()(x, y) : RGBA{1, 1, 1, 1}));
        }
}

TEST(BackgroundPainting, ImagesThatFailToDecodePaintNothing) {
    Maps m(40, 30);
    m.material = brokenPng();
    m.sky = brokenPng();
    Background b(m, 40, 30);
    EXPECT_EQ(b.gui->materialImage().width(), 0);
    // The others still paint; the map under the missing one stays zero.
    EXPECT_EQ(b.gui->diffuseMap().level(0)(39, 29), b.gui->diffuseImage()(39, 29));
    EXPECT_EQ(b.gui->materialMap().level(0)(39, 29), (RGBA{0, 0, 0, 0}));
    auto* pbr = dynamic_cast<PBRCompositor*>(b.gui->getCompositor());
    ASSERT_NE(pbr, nullptr);
    EXPECT_FALSE(pbr->skyboxPass().hasSkybox()) << "an empty sky adds no reflection";
}

TEST(BackgroundSky, TheSkyReachesTheReflectionPassWhenTheCompositorIsBuiltOrAfter) {
    Maps m(8, 8);
    auto* gui = mallocNew<PBRBackgroundGUI>(makeSizeConstraintsFixed(8, 8), m.base, m.emissive,
                                            m.material, m.depth, m.sky);
    auto* pbr = dynamic_cast<PBRCompositor*>(gui->getCompositor());
    ASSERT_NE(pbr, nullptr);
    EXPECT_TRUE(pbr->skyboxPass().hasSkybox());

    // Loading again, now that the compositor exists, replaces everything at once.
    gui->reflow(box2i(0, 0, 8, 8));
    Maps other(12, 10);
    other.sky = brokenPng();
    gui->loadImages(other.base, other.emissive, other.material, other.depth, other.sky);
    EXPECT_FALSE(pbr->skyboxPass().hasSkybox());
    EXPECT_EQ(gui->depthImage().width(), 12);
    EXPECT_EQ(gui->sourceRect(), box2i(0, 0, 8, 8)) << "still limited by the element";
    destroyFree(gui);
}

}  // namespace
