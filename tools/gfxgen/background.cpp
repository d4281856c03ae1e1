#include "background.h"

#include <cmath>
#include <string>

#include "brindlewave/scales.h"
#include "noise.h"
#include "shapes.h"
#include "strips.h"

namespace gfxgen {

namespace L = brindlewave::layout;
using L::Rect;

const Rect kFixedKnobs[kFixedKnobCount] = {
    L::kInputGainKnob,  L::kOutputGainKnob, L::kGlobalKnobs[0], L::kGlobalKnobs[1],
    L::kGlobalKnobs[2], L::kGlobalKnobs[3], L::kGlobalKnobs[4]};

namespace {

// Palette. Base colours are brighter than the intended look: the editor's lights return about
// 0.6 of them on a flat, unshadowed surface.
const Surface kGraphite{{106, 108, 106}, 190, 20, 60};
const Surface kAluminium{{126, 127, 127}, 110, 200, 140};
const Surface kGlass{{10, 32, 34}, 25, 30, 220};
const Surface kLcd{{10, 14, 16}, 40, 10, 200, 14};
const Surface kLcdBezel{{34, 36, 40}, 200, 10, 40};
const Surface kPaint{{204, 211, 232}, 170, 0, 50};
const Surface kWordmarkPaint{{222, 228, 255}, 150, 0, 70, 40};
const Surface kTrayFloor{{62, 64, 64}, 215, 0, 40};
const Surface kWellFloor{{80, 78, 72}, 215, 0, 40};
const Surface kCollar{{168, 171, 176}, 70, 200, 170};
const Surface kScrew{{170, 172, 176}, 80, 210, 170};
const Surface kScrewSlot{{30, 31, 34}, 230, 0, 0};
const Surface kGridMajor{{50, 78, 66}, 25, 30, 220, 28};
const Surface kGridMinor{{38, 58, 50}, 25, 30, 220, 20};
const Surface kScaleLabel{{88, 138, 116}, 25, 30, 220, 78};
const Surface kEmblem{{103, 218, 108}, 60, 0, 100, 230};

Bounds bounds(const Rect& r, int margin = 0) {
    return {r.x0 - margin, r.y0 - margin, r.x1 + margin, r.y1 + margin};
}

auto rectSdf(const Rect& r, float radius = 0) {
    return [=](float x, float y) {
        return sdRoundRect(x, y, float(r.x0), float(r.y0), float(r.x1), float(r.y1), radius);
    };
}

// The notch tab of the top bar that hangs into the spectrum.
float notchSdf(float x, float y) {
    static const float xs[4] = {float(L::kNotchTopX0), float(L::kNotchTopX1),
                                float(L::kNotchBottomX1), float(L::kNotchBottomX0)};
    static const float ys[4] = {float(L::kNotchTopY), float(L::kNotchTopY), float(L::kNotchBottomY),
                                float(L::kNotchBottomY)};
    return sdConvexPolygon(x, y, xs, ys, 4);
}

// The spectrum's floor: its rectangle without the notch.
float screenSdf(float x, float y) {
    const Rect& s = L::kSpectrum;
    const float box = sdRoundRect(x, y, float(s.x0), float(s.y0), float(s.x1), float(s.y1), 0);
    return std::max(box, -notchSdf(x, y));
}

// Fine, isotropic grain of powder-coated paint: colour and roughness only, the height stays
// flat so that buttons meet it without a seam.
void paintGrain(PanelMaps& m, Bounds b, uint32_t seed) {
    b = m.clip(b);
    for (int y = b.y0; y < b.y1; ++y)
        for (int x = b.x0; x < b.x1; ++x) {
            const float n =
                0.6f * latticeNoise(x, y, seed) + 0.4f * valueNoise(x, y, 5.0f, seed + 1);
            const float k = 1.0f + 0.018f * n;
            m.albedo.set(x, y, m.albedo.at(x, y) * k);
            m.rough.at(x, y) += 10.0f * n;
        }
}

void drawTopBar(PanelMaps& m, const Font& font) {
    // Raised a little above the panel, with a soft chamfer at the window's top edge; the
    // height runs on below y 60 so that the spectrum's bevel starts from the bar's height.
    for (int y = 0; y < 66; ++y)
        for (int x = 0; x < m.width(); ++x) m.height.at(x, y) = art::kTopBarHeight;
    // The notch tab likewise, with the strip round it where the spectrum's bevel falls away.
    for (int y = L::kNotchTopY; y < L::kNotchBottomY + 8; ++y)
        for (int x = L::kNotchTopX0 - 8; x < L::kNotchTopX1 + 8; ++x)
            if (notchSdf(x + 0.5f, y + 0.5f) < 7.0f) m.height.at(x, y) = art::kTopBarHeight;
    for (int x = 0; x < m.width(); ++x) {
        m.height.at(x, 0) = art::kTopBarHeight - 2500;
        m.height.at(x, 1) = art::kTopBarHeight - 800;
    }

    // The product name in a brighter paint than the other captions.
    Plane wordmark(m.width(), m.heightPx());
    font.drawCentred(wordmark, "BRINDLEWAVE", 500.0f, 29.0f, 27.0f, 4.5f);
    m.paintCoverage(wordmark, kWordmarkPaint);

    Plane cov(m.width(), m.heightPx());
    font.draw(cov, "MOSSGROVE AUDIO", 34.0f, 35.0f, 14.0f, 2.2f);
    const char* descriptor = "MULTIBAND COMPRESSOR";
    const float w = font.width(descriptor, 14.0f, 2.2f);
    font.draw(cov, descriptor, std::round(910.0f - w), 35.0f, 14.0f, 2.2f);
    m.paintCoverage(cov, kPaint);

    // Emblem on the notch: a short glowing wave, one stroke along a polyline.
    constexpr int kSteps = 48;
    float wx[kSteps + 1], wy[kSteps + 1];
    for (int i = 0; i <= kSteps; ++i) {
        const float t = float(i) / kSteps;
        wx[i] = 483.0f + 34.0f * t;
        wy[i] = 73.5f - 5.0f * std::sin(t * 3.14159265f * 3.0f) * (1.0f - 0.35f * t);
    }
    m.paint(
        {478, 64, 522, 84},
        [&](float qx, float qy) {
            float d = 1e30f;
            for (int i = 0; i < kSteps; ++i)
                d = std::min(d, sdSegment(qx, qy, wx[i], wy[i], wx[i + 1], wy[i + 1], 0.95f));
            return d;
        },
        kEmblem);
}

void drawScreen(PanelMaps& m, const Font& font) {
    // Glass floor, set deep into the panel with a bevelled wall; the walls stay panel-coloured.
    m.paint(
        bounds(L::kSpectrum), [](float x, float y) { return screenSdf(x, y) + 3.0f; }, kGlass);
    m.shapeHeight(bounds(L::kSpectrum, 1), screenSdf, art::kScreenFloor, 5.5f, Bevel::smooth);
    // Depth in the glass: darker toward the walls, darkest under the top bar.
    for (int y = L::kSpectrum.y0; y < L::kSpectrum.y1; ++y)
        for (int x = 0; x < m.width(); ++x) {
            const float d = screenSdf(x + 0.5f, y + 0.5f);
            if (d > -3.0f) continue;
            const float ty = float(y - L::kSpectrum.y0) / L::kSpectrum.height();
            const float wall = smoothstep(3.0f, 40.0f, -d);
            const float k = (0.45f + 0.55f * wall) * (0.8f + 0.3f * smoothstep(0.0f, 0.6f, ty));
            m.albedo.set(x, y, m.albedo.at(x, y) * k);
        }

    auto onFloor = [](float x, float y) { return screenSdf(x, y) < -7.0f; };
    // Level lines.
    for (int dB : {0, -12, -24, -36, -48}) {
        const int y = L::spectrumRowForDb(dB);
        const Surface& s = dB == 0 ? kGridMajor : kGridMinor;
        for (int x = 6; x < 994; ++x) {
            if (!onFloor(x + 0.5f, y + 0.5f)) continue;
            const float fade =
                smoothstep(6.0f, 26.0f, float(x)) * smoothstep(994.0f, 974.0f, float(x));
            m.blendSurface(x, y, s, fade);
        }
    }
    // Frequency lines, decades brighter.
    for (const float hz : L::kFrequencyGrid) {
        const bool decade = hz == 100 || hz == 1000 || hz == 10000;
        const Surface& s = decade ? kGridMajor : kGridMinor;
        const int x = brindlewave::frequencyToX(hz);
        for (int y = L::kSpectrum.y0; y < L::kSpectrum.y1; ++y) {
            if (!onFloor(x + 0.5f, y + 0.5f)) continue;
            m.blendSurface(x, y, s, 1.0f);
        }
    }
    // Scale labels: frequencies along the top, levels at the left.
    Plane cov(m.width(), m.heightPx());
    const struct {
        float hz;
        const char* text;
    } labels[] = {{50, "50"},   {100, "100"}, {200, "200"},  {1000, "1k"},
                  {2000, "2k"}, {5000, "5k"}, {10000, "10k"}};
    for (const auto& l : labels)
        font.draw(cov, l.text, brindlewave::frequencyToX(l.hz) + 4.0f, 77.0f, 11.0f, 0.6f);
    for (int dB : {-12, -24, -36, -48}) {
        const std::string text = std::to_string(dB);
        font.draw(cov, text, 9.0f, float(L::spectrumRowForDb(dB)) - 3.0f, 11.0f, 0.6f);
    }
    font.draw(cov, "0 dB", 9.0f, float(L::spectrumRowForDb(0)) - 3.0f, 11.0f, 0.6f);
    m.paintCoverage(cov, kScaleLabel);
}

void drawBandRow(PanelMaps& m) {
    // Brushed aluminium, brushed along x: everything here depends on y alone but for a faint
    // streak, because the band panels slide along the row.
    const Rect& row = L::kBandRow;
    const Plane streak = brushedStreaks(m.width(), row.height(), 60, 1201);
    Rng rng(1202);
    std::vector<float> rowTone(row.height());
    for (float& t : rowTone) t = rng.signedUniform();
    for (int y = row.y0; y < row.y1; ++y) {
        const int j = y - row.y0;
        // Neighbouring rows are partly correlated, like real brushing.
        const float tone = 0.6f * rowTone[j] + 0.25f * rowTone[std::max(j - 1, 0)] +
                           0.15f * rowTone[std::min(j + 1, row.height() - 1)];
        for (int x = 0; x < m.width(); ++x) {
            const float s = streak.at(x, j);
            const float k = 1.0f + 0.028f * tone + 0.0065f * s;
            m.albedo.set(x, y, kAluminium.albedo * k);
            m.rough.at(x, y) = kAluminium.rough + 14.0f * tone + 3.0f * s;
            m.metal.at(x, y) = kAluminium.metal;
            m.spec.at(x, y) = kAluminium.spec;
            m.emission.at(x, y) = 0;
            // Rounded upper edge catches the light; the lower edge falls away into a groove.
            float h = art::kPanelHeight;
            if (j < 4) h -= 3200.0f * (1.0f - smoothstep(0.0f, 4.0f, j + 0.5f));
            if (j >= row.height() - 3)
                h -= 2600.0f * smoothstep(float(row.height() - 3), float(row.height()), j + 0.5f);
            m.height.at(x, y) = h;
        }
    }
    // The gap between the row and the bottom panel.
    for (int x = 0; x < m.width(); ++x) {
        m.height.at(x, row.y1) = art::kGroove;
        m.albedo.set(x, row.y1, {40, 41, 44});
        m.rough.at(x, row.y1) = 230;
        m.metal.at(x, row.y1) = 0;
        m.spec.at(x, row.y1) = 0;
    }
}

void drawTray(PanelMaps& m, const Rect& r, float floor) {
    m.paint(bounds(r), rectSdf(r, 4.0f), kTrayFloor);
    m.shapeHeight(bounds(r), rectSdf(r, 4.0f), floor, art::kTrayBevel, Bevel::smooth);
}

void drawLcd(PanelMaps& m, const Rect& box) {
    const Rect outer{box.x0 - art::kLcdBezel, box.y0 - art::kLcdBezel, box.x1 + art::kLcdBezel,
                     box.y1 + art::kLcdBezel};
    m.paint(bounds(outer), rectSdf(outer, 3.0f), kLcdBezel);
    m.paint(bounds(box), rectSdf(box, 1.5f), kLcd);
    m.shapeHeight(bounds(outer), rectSdf(outer, 3.0f), art::kLcdFloor, 3.0f, Bevel::smooth);
}

void drawKnobWell(PanelMaps& m, const Rect& knob) {
    const float cx = knob.centreX() + 0.5f, cy = knob.centreY() + 0.5f;
    const Bounds b{knob.x0 - 4, knob.y0 - 4, knob.x1 + 4, knob.y1 + 4};
    const float mid = (art::kWellRadius + art::kCollarOuter) * 0.5f;
    const float half = (art::kCollarOuter - art::kWellRadius) * 0.5f;
    auto collar = [=](float x, float y) {
        return std::fabs(std::hypot(x - cx, y - cy) - mid) - half;
    };
    auto well = [=](float x, float y) { return sdCircle(x, y, cx, cy, art::kWellRadius); };
    m.paint(b, collar, kCollar);
    m.paint(b, well, kWellFloor);
    m.raise(b, collar, art::kCollarRise, half, Bevel::round);
    m.shapeHeight(b, well, art::kWellFloor, 1.5f, Bevel::smooth);
}

// Scale dots round a knob from its minimum to its maximum.
void drawKnobScale(const Rect& knob, Plane& cov) {
    const float cx = knob.centreX() + 0.5f, cy = knob.centreY() + 0.5f;
    for (int i = 0; i <= 10; ++i) {
        const float a = (-135.0f + 27.0f * i) * 3.14159265f / 180.0f;
        const float x = cx + 27.5f * std::sin(a), y = cy - 27.5f * std::cos(a);
        const float r = (i == 0 || i == 5 || i == 10) ? 1.25f : 0.85f;
        for (int py = int(y) - 3; py <= int(y) + 3; ++py)
            for (int px = int(x) - 3; px <= int(x) + 3; ++px) {
                float& c = cov.at(px, py);
                c = std::max(c, coverage(sdCircle(px + 0.5f, py + 0.5f, x, y, r)));
            }
    }
}

void drawScrew(PanelMaps& m, float cx, float cy, float angleDegrees) {
    const Bounds b{int(cx) - 8, int(cy) - 8, int(cx) + 9, int(cy) + 9};
    auto head = [=](float x, float y) { return sdCircle(x, y, cx, cy, 5.0f); };
    const float a = angleDegrees * 3.14159265f / 180.0f;
    const float ux = std::cos(a) * 3.6f, uy = std::sin(a) * 3.6f;
    auto slot = [=](float x, float y) {
        return sdSegment(x, y, cx - ux, cy - uy, cx + ux, cy + uy, 0.7f);
    };
    // A countersunk ring, the domed head, and its slot.
    m.paint(
        b, [=](float x, float y) { return sdCircle(x, y, cx, cy, 6.2f); }, kTrayFloor, 0.8f);
    m.shapeHeight(
        b, [=](float x, float y) { return sdCircle(x, y, cx, cy, 6.2f); },
        m.height.at(int(cx), int(cy)) - 1500, 1.0f);
    m.paint(b, head, kScrew);
    m.raise(b, head, 6000.0f, 5.0f, Bevel::round);
    m.paint(b, slot, kScrewSlot);
    m.raise(b, slot, -3500.0f, 0.8f, Bevel::smooth);
}

void drawBottomPanel(PanelMaps& m, const Font& font) {
    // Soft chamfer along the top edge of the bottom plate.
    for (int x = 0; x < m.width(); ++x) m.height.at(x, 582) = art::kPanelHeight - 1800;

    drawTray(m, art::kBandTray, art::kTrayFloor);
    drawTray(m, art::kAlignTray, art::kTrayFloor);
    drawTray(m, art::kOversampleTray, art::kTrayFloor);
    drawTray(m, art::kBypassTray, art::kBypassTrayFloor);
    drawLcd(m, L::kBandNumber);
    drawLcd(m, L::kInformationLine);
    for (const Rect& k : kFixedKnobs) drawKnobWell(m, k);

    // Engraved separators between the control groups.
    for (float gx : {437.5f, 768.5f}) {
        auto groove = [=](float x, float y) {
            return sdSegment(x, y, gx, 596.0f, gx, 686.0f, 1.0f);
        };
        m.paint({int(gx) - 3, 590, int(gx) + 4, 692}, groove, {{44, 46, 50}, 220, 0, 20});
        m.shapeHeight({int(gx) - 3, 590, int(gx) + 4, 692}, groove, art::kGroove, 1.0f);
    }

    Plane cov(m.width(), m.heightPx());
    const float labelSize = 12.0f, tracking = 1.6f;
    font.drawCentred(cov, "BANDS", art::kBandTray.centreX() + 0.5f, 604.0f, labelSize, tracking);
    font.drawCentred(cov, "ALIGN", art::kAlignTray.centreX() + 0.5f, 604.0f, labelSize, tracking);
    font.drawCentred(cov, "IN", L::kInputGainKnob.centreX() + 0.5f, 604.0f, labelSize, tracking);
    font.drawCentred(cov, "OUT", L::kOutputGainKnob.centreX() + 0.5f, 604.0f, labelSize, tracking);
    font.drawCentred(cov, "OVERSAMPLING", art::kOversampleTray.centreX() + 0.5f, 633.0f, labelSize,
                     tracking);
    drawKnobScale(L::kInputGainKnob, cov);
    drawKnobScale(L::kOutputGainKnob, cov);
    m.paintCoverage(cov, kPaint);

    // Minus and plus signs printed under the band-count buttons on the keycap's colour; the
    // shared button picture leaves a window over them so each button shows its own sign.
    for (const Rect* r : {&L::kBandDecrement, &L::kBandIncrement}) {
        const bool plus = r == &L::kBandIncrement;
        for (int y = r->y0; y < r->y1; ++y)
            for (int x = r->x0; x < r->x1; ++x) {
                const float lx = x - r->x0 + 0.5f, ly = y - r->y0 + 0.5f;
                const float window = coverage(bandCountWindowSdf(lx, ly) - 1.0f);
                const float sign = coverage(bandCountSignSdf(lx, ly, plus));
                m.albedo.blend(x, y, kBandCountCap, window);
                m.albedo.blend(x, y, kPaint.albedo, sign);
            }
    }
}

}  // namespace

PanelMaps makeBackground(const Font& font) {
    PanelMaps m(L::kWidth, L::kHeight, kGraphite, art::kPanelHeight);
    paintGrain(m, {0, 0, L::kWidth, L::kHeight}, 901);
    drawTopBar(m, font);
    drawScreen(m, font);
    drawBandRow(m);
    drawBottomPanel(m, font);
    drawScrew(m, 11.5f, 11.5f, 35.0f);
    drawScrew(m, 988.5f, 11.5f, -20.0f);
    drawScrew(m, 12.5f, 598.5f, 70.0f);
    drawScrew(m, 987.5f, 598.5f, 10.0f);
    return m;
}

}  // namespace gfxgen
