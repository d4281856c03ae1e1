#include "rigging/pbrwidgets/pbrbackgroundgui.h"

#include <gtest/gtest.h>

#include <vector>

#include "pngwrite.h"
#include "rigging/core/nogc.h"
#include "rigging/gui/legacypbr.h"
#include "rigging/gui/offscreen.h"

using namespace rigging;
using geom::box2i;

namespace {

using Png = std::vector<std::uint8_t>;

template <typename F>
Png png(int w, int h, F f) {
    std::vector<RGBA> px;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) px.push_back(f(std::uint8_t(x), std::uint8_t(y)));
    return pngwrite::encode(px.data(), w, h, 4, w * 4);
}

// The signature and nothing decodable after it: the loaders give an empty image.
const Png kBroken{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};

// Images whose pixels tell their place, opened and drawn once in a window of the given size.
struct Background {
    Background(int w, int h, int windowW, int windowH, bool brokenMaterialAndSky = false) {
        Png base = png(w, h, [](auto x, auto y) { return RGBA{x, y, 7, 1}; });
        Png glow = png(w, h, [](auto x, auto) { return RGBA{x, x, x, 0}; });
        Png material = png(w, h, [](auto x, auto y) { return RGBA{y, 90, x, 255}; });
        Png depth = png(w, h, [](auto x, auto y) { return RGBA{x, y, 3, 255}; });
        Png sky = png(16, 8, [](auto x, auto y) { return RGBA{x, y, 90, 255}; });
        gui = mallocNew<PBRBackgroundGUI>(makeSizeConstraintsFixed(windowW, windowH), base, glow,
                                          brokenMaterialAndSky ? kBroken : material, depth,
                                          brokenMaterialAndSky ? kBroken : sky);
        driver = mallocNew<OffscreenDriver>(*gui);
        driver->open();
        driver->tick();
    }
    ~Background() {
        destroyFree(driver);
        destroyFree(gui);
    }
    bool hasSky() {
        return dynamic_cast<PBRCompositor*>(gui->getCompositor())->skyboxPass().hasSkybox();
    }
    PBRBackgroundGUI* gui;
    OffscreenDriver* driver;
};

TEST(Background, DepthIsTheChannelSumOverSixteenBitsAndEmissionTheGreyOfItsImage) {
    for (auto [in, out] : {std::pair{RGBA{255, 255, 255, 0}, 65535},
                           {RGBA{0, 0, 0, 255}, 0},
                           {RGBA{1, 1, 1, 9}, 257},
                           {RGBA{255, 255, 254, 0}, 65449}})
        EXPECT_EQ(depthFromRGB(in).l, out) << int(in.b);
    Background b(6, 4, 6, 4);
    EXPECT_EQ(b.gui->depthImage()(5, 3).l, (5 + 3 + 3) * 257 / 3);
    EXPECT_EQ(b.gui->diffuseImage()(5, 3), (RGBA{5, 3, 7, 5}));
}

TEST(Background, PaintsWhereTheImagesHavePixelsAndNowhereElse) {
    Background b(40, 30, 64, 48);
    EXPECT_EQ(b.gui->sourceRect(), box2i(0, 0, 40, 30));
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) {
            const bool covered = x < 40 && y < 30;
            ASSERT_EQ(b.gui->diffuseMap().level(0)(x, y),
                      (covered ? b.gui->diffuseImage()(x, y) : RGBA{0, 0, 0, 0}));
            ASSERT_EQ(b.gui->depthMap().level(0)(x, y).l,
                      covered ? b.gui->depthImage()(x, y).l : 0);
        }

    // A dirty rectangle partly over the image: the rest of the map keeps what it had.
    OwnedImage<RGBA> diffuse(64, 48), material(64, 48);
    OwnedImage<L16> depth(64, 48);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) material(x, y) = RGBA{1, 1, 1, 1};
    const box2i dirty[] = {box2i(30, 20, 60, 45)};
    b.gui->onDrawPBR(toRef(diffuse), toRef(depth), toRef(material), dirty);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) {
            const bool copied = x >= 30 && x < 40 && y >= 20 && y < 30;
            ASSERT_EQ(material(x, y), (copied ? b.gui->materialImage()(x, y) : RGBA{1, 1, 1, 1}));
        }
}

TEST(Background, ImagesThatFailToDecodePaintNothingAndGiveNoSky) {
    Background b(40, 30, 40, 30, true);
    EXPECT_EQ(b.gui->materialImage().width(), 0);
    EXPECT_EQ(b.gui->diffuseMap().level(0)(39, 29), b.gui->diffuseImage()(39, 29));
    EXPECT_EQ(b.gui->materialMap().level(0)(39, 29), (RGBA{0, 0, 0, 0}));
    EXPECT_FALSE(b.hasSky());
}

TEST(Background, TheSkyReachesTheReflectionPassBeforeOrAfterTheCompositorExists) {
    Background b(8, 8, 8, 8);
    EXPECT_TRUE(b.hasSky());
    // Loaded again once the compositor exists: everything is replaced at once.
    Png some = png(12, 10, [](auto x, auto) { return RGBA{x, x, x, 255}; });
    b.gui->loadImages(some, some, some, some, kBroken);
    EXPECT_FALSE(b.hasSky());
    EXPECT_EQ(b.gui->depthImage().width(), 12);
    EXPECT_EQ(b.gui->sourceRect(), box2i(0, 0, 8, 8)) << "still limited by the element";
}

}  // namespace
