#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "brindlewave/editorlayout.h"
#include "brindlewave/gfx/resources.h"
#include "committedart.h"

namespace {

namespace L = brindlewave::layout;
namespace R = brindlewave::gfx;
using gfxgen::Image8;
using gfxtest::committed;
using gfxtest::depthAt;

const Image8& base() {
    return committed(R::kBaseColour);
}
const Image8& depth() {
    return committed(R::kDepth);
}
const Image8& material() {
    return committed(R::kMaterial);
}
const Image8& emissive() {
    return committed(R::kEmissive);
}

const L::Rect kFixedKnobs[] = {L::kInputGainKnob,  L::kOutputGainKnob, L::kGlobalKnobs[0],
                               L::kGlobalKnobs[1], L::kGlobalKnobs[2], L::kGlobalKnobs[3],
                               L::kGlobalKnobs[4]};

TEST(Background, BandRowDoesNotChangeAlongX) {
    // The band panels slide along the row with the crossovers.
    for (int y = L::kBandRow.y0; y < L::kBandRow.y1; ++y) {
        int dMin = 1 << 20, dMax = -1;
        int cMin[3] = {255, 255, 255}, cMax[3] = {0, 0, 0};
        for (int x = 0; x < L::kWidth; ++x) {
            const int d = depthAt(depth(), x, y);
            dMin = std::min(dMin, d), dMax = std::max(dMax, d);
            for (int c = 0; c < 3; ++c) {
                cMin[c] = std::min<int>(cMin[c], base().at(x, y)[c]);
                cMax[c] = std::max<int>(cMax[c], base().at(x, y)[c]);
            }
        }
        ASSERT_LE(dMax - dMin, 300) << "row " << y;
        for (int c = 0; c < 3; ++c)
            ASSERT_LE(cMax[c] - cMin[c], 12) << "row " << y << " channel " << c;
    }
}

TEST(Background, SpectrumScreenIsDarkAndSunkIntoThePanel) {
    double sum = 0;
    int n = 0;
    for (int y = L::kSpectrum.y0; y < L::kSpectrum.y1; ++y)
        for (int x = 0; x < L::kWidth; ++x) {
            if (y - L::kSpectrum.y0 < L::notchDepth(x)) continue;  // the notch tab
            sum += gfxtest::luminance(base().at(x, y));
            ++n;
        }
    EXPECT_LT(sum / n, 40.0);
    // Its floor lies well below the bars around it.
    const int floor = depthAt(depth(), 250, 160);
    EXPECT_LT(floor, depthAt(depth(), 250, 30) - 20000);
    EXPECT_LT(floor, depthAt(depth(), 250, 400) - 20000);
}

TEST(Background, EmissionIsGreyMostlyZeroAndLightsTheRightPlaces) {
    int nearZero = 0;
    for (int y = 0; y < L::kHeight; ++y)
        for (int x = 0; x < L::kWidth; ++x) {
            const uint8_t* p = emissive().at(x, y);
            ASSERT_TRUE(p[0] == p[1] && p[1] == p[2] && p[3] == 255) << x << "," << y;
            if (p[0] <= 2) ++nearZero;
        }
    EXPECT_GE(nearZero, L::kWidth * L::kHeight * 9 / 10);
    // The logo on the notch glows brightly; the LCD wells have a faint backlight.
    int logo = 0;
    for (int y = L::kNotchTopY; y < L::kNotchBottomY; ++y)
        for (int x = L::kNotchTopX0; x < L::kNotchTopX1; ++x)
            logo = std::max<int>(logo, emissive().at(x, y)[0]);
    EXPECT_GE(logo, 180);
    for (const L::Rect& lcd : {L::kInformationLine, L::kBandNumber}) {
        const int e = emissive().at(int(lcd.centreX()), int(lcd.centreY()))[0];
        EXPECT_GE(e, 8);
        EXPECT_LE(e, 24);
    }
}

TEST(Background, SkyboxIsSmooth) {
    const Image8& sky = committed(R::kSkybox);
    for (int y = 0; y < sky.h; ++y)
        for (int x = 0; x < sky.w; ++x)
            for (int c = 0; c < 3; ++c) {
                const int v = sky.at(x, y)[c];
                if (x + 1 < sky.w) {
                    ASSERT_LE(std::abs(v - sky.at(x + 1, y)[c]), 3) << x << "," << y;
                }
                if (y + 1 < sky.h) {
                    ASSERT_LE(std::abs(v - sky.at(x, y + 1)[c]), 3) << x << "," << y;
                }
            }
}

// A knob of the editor sits in a well ringed by a raised collar, both centred on the knob.
TEST(Background, FixedKnobsSitInCentredWells) {
    for (const L::Rect& k : kFixedKnobs) {
        const float cx = k.centreX() + 0.5f, cy = k.centreY() + 0.5f;
        const int centre = depthAt(depth(), int(cx), int(cy));
        // Highest point along each of 16 rays out to radius 26.
        std::vector<int> crest(16), crestRadius(16);
        for (int a = 0; a < 16; ++a) {
            const double t = a * 3.14159265358979 / 8;
            for (float r = 0; r < 26; r += 0.25f) {
                const int d =
                    depthAt(depth(), int(cx + r * std::sin(t)), int(cy - r * std::cos(t)));
                if (d > crest[a]) crest[a] = d, crestRadius[a] = int(std::lround(r));
            }
            EXPECT_GT(crest[a], centre + 2000) << k.x0 << "," << k.y0 << " ray " << a;
            // The collar sits just outside the knob's body, which ends at about 19 px.
            EXPECT_GE(crestRadius[a], 20) << k.x0 << "," << k.y0 << " ray " << a;
            EXPECT_LE(crestRadius[a], 24) << k.x0 << "," << k.y0 << " ray " << a;
        }
        for (int a = 0; a < 8; ++a)
            EXPECT_LE(std::abs(crestRadius[a] - crestRadius[a + 8]), 1) << "off centre at " << k.x0;
    }
}

TEST(Background, LcdWellsMatchTheWidgetsThatDrawInThem) {
    for (const L::Rect& lcd : {L::kInformationLine, L::kBandNumber}) {
        for (int y = lcd.y0 + 3; y < lcd.y1 - 3; ++y)
            for (int x = lcd.x0 + 3; x < lcd.x1 - 3; ++x) {
                ASSERT_LT(gfxtest::luminance(base().at(x, y)), 30.0f) << x << "," << y;
                ASSERT_LT(depthAt(depth(), x, y), 20000) << x << "," << y;
            }
        // The well ends where the box ends: a few pixels outside is the panel or a tray.
        for (int x = lcd.x0; x < lcd.x1; ++x) {
            EXPECT_GT(depthAt(depth(), x, lcd.y0 - 5), 30000) << x;
            EXPECT_GT(depthAt(depth(), x, lcd.y1 + 4), 30000) << x;
        }
    }
}

TEST(Background, ButtonsSitOnFlatTrayFloors) {
    // Each button box is flat in depth and material, and so is a margin round it where the
    // buttons have room (the band-count buttons sit close to the band number's LCD well).
    struct Place {
        L::Rect box;
        int margin;
    };
    std::vector<Place> places = {
        {L::kBandDecrement, 0}, {L::kBandIncrement, 0}, {L::kBypassButton, 2}};
    for (const L::Rect& r : L::kAlignButtons) places.push_back({r, 2});
    for (const L::Rect& r : L::kOversampleButtons) places.push_back({r, 2});
    for (const Place& p : places) {
        const L::Rect& b = p.box;
        const int m = p.margin;
        const int floor = depthAt(depth(), b.x0 - m, b.y0 - m);
        const uint8_t* m0 = material().at(b.x0 - m, b.y0 - m);
        for (int y = b.y0 - m; y < b.y1 + m; ++y)
            for (int x = b.x0 - m; x < b.x1 + m; ++x) {
                ASSERT_EQ(depthAt(depth(), x, y), floor) << x << "," << y;
                ASSERT_TRUE(std::equal(m0, m0 + 4, material().at(x, y))) << x << "," << y;
            }
    }
    // The floors are recessed below the panel round them.
    const int panel = depthAt(depth(), 520, 690);
    for (std::size_t i = 0; i < places.size(); ++i)  // all but the bypass button, third
        if (i != 2) EXPECT_LT(depthAt(depth(), places[i].box.x0, places[i].box.y0), panel - 2000);
    EXPECT_LT(depthAt(depth(), L::kBypassButton.x0, L::kBypassButton.y0),
              depthAt(depth(), 900, 10) - 2000);
}

TEST(Background, LabelsAreBakedAboveTheControlsAndNeverUnderThem) {
    auto paint = [](int x, int y) {
        const uint8_t* p = base().at(x, y);
        const int spread = std::max({p[0], p[1], p[2]}) - std::min({p[0], p[1], p[2]});
        return gfxtest::luminance(p) > 190.0f && spread < 30;
    };
    auto anyPaint = [&](L::Rect r) {
        for (int y = r.y0; y < r.y1; ++y)
            for (int x = r.x0; x < r.x1; ++x)
                if (paint(x, y)) return true;
        return false;
    };
    // Hidden or confusing under a widget: boxes the widgets fill or write text into.
    std::vector<L::Rect> covered = {L::kBandNumber, L::kInformationLine, L::kBypassButton};
    for (const L::Rect& r : L::kAlignButtons) covered.push_back(r);
    for (const L::Rect& r : L::kOversampleButtons) covered.push_back(r);
    for (const L::Rect& r : L::kGlobalKnobLabels) covered.push_back(r);
    for (const L::Rect& r : covered) EXPECT_FALSE(anyPaint(r)) << r.x0 << "," << r.y0;
    // Nothing under a knob's body either (its corners are transparent and may show marks).
    for (const L::Rect& k : kFixedKnobs)
        for (int y = k.y0; y < k.y1; ++y)
            for (int x = k.x0; x < k.x1; ++x)
                if (std::hypot(x - k.centreX(), y - k.centreY()) < 22.5f) {
                    ASSERT_FALSE(paint(x, y)) << x << "," << y;
                }
    // The captions are there: above the gain knobs, the band-count and align groups and the
    // oversampling buttons.
    EXPECT_TRUE(
        anyPaint({L::kInputGainKnob.x0, 590, L::kInputGainKnob.x1, L::kInputGainKnob.y0 - 8}));
    EXPECT_TRUE(
        anyPaint({L::kOutputGainKnob.x0, 590, L::kOutputGainKnob.x1, L::kOutputGainKnob.y0 - 8}));
    EXPECT_TRUE(anyPaint({L::kBandDecrement.x0, 590, L::kBandIncrement.x1, L::kBandNumber.y0 - 4}));
    EXPECT_TRUE(anyPaint({L::kAlignLeft.x0, 590, L::kAlignRight.x1, L::kAlignLeft.y0 - 4}));
    EXPECT_TRUE(anyPaint({L::kOversampleButtons[0].x0, 620, L::kOversampleButtons[3].x1,
                          L::kOversampleButtons[0].y0 - 4}));
    // Each band-count button shows its own sign: the plus has paint above its centre.
    auto signColumn = [&](const L::Rect& b) {
        return anyPaint({b.x0 + 9, b.y0 + 4, b.x0 + 11, b.y0 + 7});
    };
    EXPECT_FALSE(signColumn(L::kBandDecrement));
    EXPECT_TRUE(signColumn(L::kBandIncrement));
}

}  // namespace
