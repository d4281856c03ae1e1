#include "rigging/pbrwidgets/colorcorrection.h"

#include <gtest/gtest.h>

namespace {

using geom::box2i;
using rigging::RGBA;
using rigging::UIColorCorrection;

constexpr int kProbes[] = {0, 16, 32, 64, 96, 128, 160, 192, 224, 255};

TEST(ColorCorrection, StartsAsIdentityAndNeutralSettingsKeepIt) {
    rigging::UIContext context;
    UIColorCorrection cc(&context);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(cc.redTable()[i], i);
        EXPECT_EQ(cc.blueTable()[i], i);
    }
    cc.setLiftGammaGainContrast(0, 1, 1, 0);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(cc.greenTable()[i], i);
}

TEST(ColorCorrection, TheEditorGradeGivesItsTables) {
    rigging::UIContext context;
    UIColorCorrection cc(&context);
    const float m[3][4] = {
        {-0.03f, 1.04f, 1.045f, 0.22f}, {0.0f, 0.99f, 0.98f, 0.175f}, {0.13f, 1.0f, 0.965f, 0.245f}};
    cc.setLiftGammaGainContrastRGB(m);
    const int red[] = {0, 8, 25, 59, 96, 134, 171, 206, 237, 255};
    const int green[] = {0, 13, 27, 58, 90, 124, 158, 192, 223, 251};
    const int blue[] = {27, 40, 53, 81, 111, 141, 171, 199, 225, 248};
    for (int k = 0; k < 10; ++k) {
        EXPECT_EQ(cc.redTable()[kProbes[k]], red[k]) << kProbes[k];
        EXPECT_EQ(cc.greenTable()[kProbes[k]], green[k]) << kProbes[k];
        EXPECT_EQ(cc.blueTable()[kProbes[k]], blue[k]) << kProbes[k];
    }
}

TEST(ColorCorrection, GainSaturatesContrastFollowsTheSmoothStepAndWildValuesStayInRange) {
    rigging::UIContext context;
    UIColorCorrection cc(&context);
    cc.setLiftGammaGainRGB(0, 1, 2, 0, 1, 1, 0, 1, 1);
    EXPECT_EQ(cc.redTable()[127], 254);
    EXPECT_EQ(cc.redTable()[128], 255);
    EXPECT_EQ(cc.redTable()[255], 255);
    EXPECT_EQ(cc.greenTable()[128], 128);
    cc.setLiftGammaGainContrast(0, 1, 1, 1);
    EXPECT_EQ(cc.redTable()[64], 40);
    EXPECT_EQ(cc.redTable()[0], 0);
    EXPECT_EQ(cc.redTable()[255], 255);
    // Contrast beyond 1 overshoots the curve; gamma 0 has no power at all.
    EXPECT_EQ(UIColorCorrection::tableEntry(250, 0, 1, 1, 3), 255);
    EXPECT_EQ(UIColorCorrection::tableEntry(5, 0, 1, 1, 3), 0);
    EXPECT_EQ(UIColorCorrection::tableEntry(128, 0, 0, 1, 0), 0);
}

TEST(ColorCorrection, MapsColourInsideTheRectsKeepsAlphaAndLetsClicksThrough) {
    rigging::UIContext context;
    rigging::UIElement root(&context, 0);
    root.setPosition(box2i(0, 0, 50, 50));
    struct Below : rigging::UIElement {
        using UIElement::UIElement;
        bool onMouseClick(int, int, rigging::MouseButton, bool, rigging::MouseState) noexcept
            override {
            return ++clicks, true;
        }
        int clicks = 0;
    } below(&context, 0);
    UIColorCorrection cc(&context);
    below.setPosition(box2i(0, 0, 50, 50));
    cc.setPosition(box2i(0, 0, 50, 50));
    cc.setZOrder(10);
    root.addChild(&below);
    root.addChild(&cc);
    EXPECT_TRUE(root.mouseClick(5, 5, rigging::MouseButton::left, false, {}));
    EXPECT_EQ(below.clicks, 1);
    EXPECT_EQ(context.dragged(), &below);
    context.stopDragging();

    cc.setLiftGammaGainRGB(0, 1, 2, 0, 1, 1, 0.5f, 1, 1);
    rigging::OwnedImage<RGBA> raw(4, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) raw(x, y) = RGBA{100, 100, 0, 7};
    const box2i rects[] = {box2i(1, 0, 3, 1)};
    cc.onDrawRaw(rigging::toRef(raw), rects);
    EXPECT_EQ(raw(1, 0), (RGBA{200, 100, 128, 7}));
    EXPECT_EQ(raw(2, 0), (RGBA{200, 100, 128, 7}));
    EXPECT_EQ(raw(0, 0), (RGBA{100, 100, 0, 7}));
    EXPECT_EQ(raw(1, 1), (RGBA{100, 100, 0, 7}));
    root.removeChild(&cc);
    root.removeChild(&below);
}

}  // namespace
