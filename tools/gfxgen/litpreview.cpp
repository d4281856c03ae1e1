#include "litpreview.h"

#include <algorithm>
#include <cmath>

#include "background.h"
#include "brindlewave/editorlayout.h"
#include "brindlewave/gfx/resources.h"
#include "brindlewave/scales.h"
#include "panelmaps.h"
#include "shading.h"

namespace gfxgen {

namespace L = brindlewave::layout;
namespace R = brindlewave::gfx;

const Image8& findArt(const std::vector<ArtFile>& files, std::string_view name) {
    for (const ArtFile& f : files)
        if (f.name == name) return f.image;
    static const Image8 empty;
    return empty;
}

Rgb displayContent(std::string_view name, int x, int y, int w, int h) {
    const Rgb back{30, 30, 30}, area{103, 218, 108};
    auto filled = [&](float top) {
        const float fy = float(y) + 0.5f;
        if (std::fabs(fy - top) < 1.0f) return area;
        return fy > top ? mix(back, area, 150.0f / 255.0f) : back;
    };
    const float fx = (x + 0.5f) / w;
    if (name == R::kEnvelopeOverlay) {
        const float v = fx < 0.3f ? 0.9f * (1.0f - std::exp(-fx * 18.0f))
                                  : 0.9f * std::exp(-(fx - 0.3f) * 6.0f);
        return filled(h - h * v);
    }
    if (name == R::kCurveOverlay) {
        const float knee = 0.55f, out = fx < knee ? fx : knee + (fx - knee) / 4.0f;
        return filled(h - h * out);
    }
    if (name == R::kHistoryOverlay) return filled(h * (0.35f + 0.15f * std::sin(fx * 9.0f)));
    if (name == R::kMeterOverlay) {
        if (y > h * 0.45f) return {83, 198, 88};
        if (y > h * 0.3f) return {61, 125, 63};
        return {0, 0, 0};
    }
    return {120, 124, 130};
}

namespace {

float depthAt(const Image8& depth, int x, int y) {
    return float(decodeHeight(depth.at(x, y)));
}

struct LitInputs {
    RgbPlanes albedo;
    Plane emission, rough, metal, spec, height;
};

LitInputs mapsFrom(const std::vector<ArtFile>& files) {
    const Image8& base = findArt(files, R::kBaseColour);
    const Image8& emissive = findArt(files, R::kEmissive);
    const Image8& material = findArt(files, R::kMaterial);
    const Image8& depth = findArt(files, R::kDepth);
    LitInputs m{RgbPlanes(base.w, base.h), Plane(base.w, base.h), Plane(base.w, base.h),
                Plane(base.w, base.h),     Plane(base.w, base.h), Plane(base.w, base.h)};
    for (int y = 0; y < base.h; ++y)
        for (int x = 0; x < base.w; ++x) {
            const uint8_t* b = base.at(x, y);
            const uint8_t* e = emissive.at(x, y);
            const uint8_t* t = material.at(x, y);
            m.albedo.set(x, y, {float(b[0]), float(b[1]), float(b[2])});
            m.emission.at(x, y) = float((77 * e[0] + 150 * e[1] + 29 * e[2]) >> 8);
            m.rough.at(x, y) = t[0], m.metal.at(x, y) = t[1], m.spec.at(x, y) = t[2];
            m.height.at(x, y) = depthAt(depth, x, y);
        }
    return m;
}

// Buttons as the widgets draw them: colour blended by frame 1's alpha (the text buttons
// replace the whole box), depth and material from frames 2 and 3; a selected button glows and
// sinks to depth 0.
void placeButton(LitInputs& m, const Image8& strip, int frameW, const L::Rect& at,
                 bool selected = false) {
    const float glow = selected ? 200.0f : 0.0f;
    for (int y = 0; y < at.height(); ++y)
        for (int x = 0; x < at.width(); ++x) {
            const int ex = at.x0 + x, ey = at.y0 + y;
            const uint8_t* c = strip.at(x, y);
            const float a = strip.channels == 4 ? c[3] / 255.0f : 1.0f;
            m.albedo.blend(ex, ey, {float(c[0]), float(c[1]), float(c[2])}, a);
            m.emission.at(ex, ey) += (glow - m.emission.at(ex, ey)) * a;
            m.height.at(ex, ey) = selected ? 0.0f : float(decodeHeight(strip.at(frameW + x, y)));
            const uint8_t* t = strip.at(2 * frameW + x, y);
            m.rough.at(ex, ey) = t[0], m.metal.at(ex, ey) = t[1], m.spec.at(ex, ey) = t[2];
        }
}

// Text a widget writes into the colour map, centred in its box, with its emission.
void widgetText(LitInputs& m, const Font& font, const char* text, const L::Rect& at, float size,
                float tracking, Rgb colour, float emission) {
    Plane cov(m.albedo.width(), m.albedo.height());
    font.drawCentred(cov, text, at.x0 + at.width() * 0.5f, at.y0 + at.height() * 0.5f, size,
                     tracking);
    for (int y = at.y0; y < at.y1; ++y)
        for (int x = at.x0; x < at.x1; ++x) {
            const float a = cov.at(x, y);
            if (a <= 0) continue;
            m.albedo.blend(x, y, colour, a);
            m.emission.at(x, y) += (emission - m.emission.at(x, y)) * a;
        }
}

// A text button's caption; it glows when the button is selected.
void buttonText(LitInputs& m, const Font& font, const char* text, const L::Rect& at,
                bool selected) {
    widgetText(m, font, text, at, 10.0f, 1.0f, {220, 220, 220}, selected ? 200.0f : 25.0f);
}

// Sample content for the review picture: four band panels of 250 px in their medium layout,
// as the band panels place their widgets, and a spectrum.
struct SamplePanel {
    int x;  // panel's left edge
    int knobX() const { return x + 125 - 90; }
};
constexpr int kPanelTop = 265;
const SamplePanel kSamplePanels[4] = {{0}, {250}, {500}, {750}};

L::Rect meterBox(const SamplePanel& p) {
    return {p.knobX() + 50, kPanelTop + 10, p.knobX() + 65, kPanelTop + 275};
}
L::Rect displayBox(const SamplePanel& p, int i) {
    const int y0[3] = {10, 120, 230}, y1[3] = {110, 220, 275};
    return {p.knobX() + 75, kPanelTop + y0[i], p.knobX() + 175, kPanelTop + y1[i]};
}

// What the band panels draw into the PBR maps: the groove down each panel's first column, the
// sunk meters and displays, and the two-letter knob labels.
void drawSamplePanelsPbr(LitInputs& m, const Font& font) {
    auto sink = [&](const L::Rect& r) {
        for (int y = r.y0; y < r.y1; ++y)
            for (int x = r.x0; x < r.x1; ++x) m.height.at(x, y) = 0;
    };
    const char* labels[5] = {"At", "Re", "Th", "Ra", "Ga"};
    Plane cov(m.albedo.width(), m.albedo.height());
    for (const SamplePanel& p : kSamplePanels) {
        sink({p.x, kPanelTop, p.x + 1, kPanelTop + 316});
        sink(meterBox(p));
        for (int i = 0; i < 3; ++i) sink(displayBox(p, i));
        for (int k = 0; k < 5; ++k)
            font.drawCentred(cov, labels[k], p.knobX() - 10.5f, kPanelTop + 44.5f + 55 * k, 10.0f,
                             1.0f);
    }
    for (size_t i = 0; i < cov.v.size(); ++i) {
        const float a = cov.v[i];
        const int x = int(i % cov.w), y = int(i / cov.w);
        if (a <= 0) continue;
        m.albedo.blend(x, y, {220, 220, 220}, a);
        m.emission.at(x, y) += (25.0f - m.emission.at(x, y)) * a;
    }
}

void blendRaw(Image8& out, int x, int y, Rgb c, float a) {
    if (x < 0 || y < 0 || x >= out.w || y >= out.h || a <= 0) return;
    uint8_t* p = out.at(x, y);
    p[0] = toByte(p[0] + (c.r - p[0]) * a);
    p[1] = toByte(p[1] + (c.g - p[1]) * a);
    p[2] = toByte(p[2] + (c.b - p[2]) * a);
}

void blitRaw(Image8& out, const Image8& src, int sx, int sy, int w, int h, int x, int y) {
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) {
            const uint8_t* p = src.at(sx + i, sy + j);
            blendRaw(out, x + i, y + j, {float(p[0]), float(p[1]), float(p[2])}, p[3] / 255.0f);
        }
}

// What the raw widgets draw over the lit picture.
void drawSampleRaw(Image8& out, const std::vector<ArtFile>& files) {
    const Image8& knob = findArt(files, R::kKnobFilmstrip);
    const Image8& linkOn = findArt(files, R::kLinkOn);
    const Image8& linkOff = findArt(files, R::kLinkOff);
    const std::string_view overlays[3] = {R::kEnvelopeOverlay, R::kCurveOverlay,
                                          R::kHistoryOverlay};
    const int frames[5] = {82, 100, 99, 36, 60};
    for (const SamplePanel& p : kSamplePanels) {
        for (int k = 0; k < 5; ++k) {
            const int frame = (frames[k] + 13 * (p.x / 250)) % L::kKnobFrames;
            blitRaw(out, knob, 0, frame * L::kKnobSize, L::kKnobSize, L::kKnobSize, p.knobX(),
                    kPanelTop + 10 + 55 * k);
            const Image8& link = (k + p.x / 250) % 3 == 0 ? linkOn : linkOff;
            blitRaw(out, link, 0, 0, link.w, link.h, p.knobX() - 18, kPanelTop + 15 + 55 * k);
        }
        const L::Rect mb = meterBox(p);
        const Image8& meter = findArt(files, R::kMeterOverlay);
        for (int y = mb.y0; y < mb.y1; ++y)
            for (int x = mb.x0; x < mb.x1; ++x) {
                const int row = y - mb.y0;
                const Rgb c = row > 150   ? Rgb{83, 198, 88}
                              : row > 120 ? Rgb{61, 125, 63}
                                          : Rgb{0, 0, 0};
                blendRaw(out, x, y, c, 1.0f);
                const uint8_t* o = meter.at(x - mb.x0, row);
                blendRaw(out, x, y, {float(o[0]), float(o[1]), float(o[2])}, o[3] / 255.0f);
            }
        for (int i = 0; i < 3; ++i) {
            const L::Rect b = displayBox(p, i);
            const Image8& ov = findArt(files, overlays[i]);
            for (int y = b.y0; y < b.y1; ++y)
                for (int x = b.x0; x < b.x1; ++x) {
                    blendRaw(out, x, y,
                             displayContent(overlays[i], x - b.x0, y - b.y0, b.width(), b.height()),
                             1.0f);
                    const uint8_t* o = ov.at(x - b.x0, y - b.y0);
                    blendRaw(out, x, y, {float(o[0]), float(o[1]), float(o[2])}, o[3] / 255.0f);
                }
        }
    }
    // A spectrum: filled below its line, kept under the notch.
    const Rgb fill{103, 238, 128};
    for (int x = 0; x < 1000; ++x) {
        const float f = x / 1000.0f;
        const float level =
            0.62f - 0.35f * f + 0.06f * std::sin(f * 23.0f) + 0.04f * std::sin(f * 71.0f + 1.0f);
        int top = L::kSpectrum.y0 + brindlewave::rowForLevel(level, L::kSpectrum.height());
        top = std::max(top, L::kSpectrum.y0 + L::notchDepth(x));
        for (int y = top; y < L::kSpectrum.y1; ++y)
            blendRaw(out, x, y, fill, y <= top + 1 ? 230.0f / 255 : 180.0f / 255 * 0.55f);
    }
}

}  // namespace

Image8 approximateLitEditor(const std::vector<ArtFile>& files, const Font& font) {
    LitInputs m = mapsFrom(files);
    drawSamplePanelsPbr(m, font);
    placeButton(m, findArt(files, R::kBandCountButton), L::kBandCountFrame, L::kBandDecrement);
    placeButton(m, findArt(files, R::kBandCountButton), L::kBandCountFrame, L::kBandIncrement);
    const std::string_view align[4] = {R::kAlignLeftButton, R::kAlignRightButton,
                                       R::kAlignEvenButton, R::kAlignOuterButton};
    for (int i = 0; i < 4; ++i)
        placeButton(m, findArt(files, align[i]), L::kAlignFrameWidth, L::kAlignButtons[i]);
    const char* factors[L::kOversampleButtonCount] = {"None", "2X", "4X", "8X"};
    for (int i = 0; i < L::kOversampleButtonCount; ++i) {
        const L::Rect& r = L::kOversampleButtons[i];
        placeButton(m, findArt(files, R::kOversampleButton), L::kTextButtonFrameWidth, r, i == 1);
        buttonText(m, font, factors[i], r, i == 1);
    }
    placeButton(m, findArt(files, R::kBypassButton), L::kTextButtonFrameWidth, L::kBypassButton);
    buttonText(m, font, "Bypass", L::kBypassButton, false);
    widgetText(m, font, "4", L::kBandNumber, 20.0f, 0.6f, {255, 255, 255}, 150.0f);
    widgetText(m, font, "Ratio 4.00", L::kInformationLine, 11.0f, 0.5f, {255, 255, 255}, 100.0f);

    const Image8& skyImg = findArt(files, R::kSkybox);
    const int w = m.albedo.width(), h = m.albedo.height();
    const EditorLights lights;
    // Emission glow: the emissive colour blurred at a few radii, weighted as the editor does.
    RgbPlanes glowSrc(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            glowSrc.set(x, y, m.albedo.at(x, y) * (m.emission.at(x, y) / 255.0f));
    RgbPlanes glow(w, h);
    const float sigmas[5] = {1.0f, 2.0f, 4.0f, 8.0f, 16.0f};
    const float weights[5] = {0.3f, 0.45f, 0.375f, 0.225f, 0.15f};
    for (int i = 0; i < 5; ++i) {
        const Plane r = gaussianBlur(glowSrc.r, sigmas[i]), g = gaussianBlur(glowSrc.g, sigmas[i]),
                    b = gaussianBlur(glowSrc.b, sigmas[i]);
        for (size_t k = 0; k < r.v.size(); ++k) {
            glow.r.v[k] += r.v[k] * weights[i];
            glow.g.v[k] += g.v[k] * weights[i];
            glow.b.v[k] += b.v[k] * weights[i];
        }
    }
    Image8 out(w, h, 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            // Oblique shadows from the upper left and upper right, as the editor computes them.
            const float d = m.height.at(x, y);
            float lit = 0;
            for (int k = 0; k < 10; ++k) {
                const float r = m.height.at(std::min(x + 1 + k, w - 1), std::max(y - 1 - k, 0));
                const float l = m.height.at(std::max(x - 1 - k, 0), std::max(y - 1 - k, 0));
                auto litBy = [&](float v) {
                    const float e = d + k + 1 - v;
                    return e >= 0 ? 1.0f : std::max(0.0f, (e + 15360.0f) / 15360.0f);
                };
                lit += (litBy(r) + 0.7f * litBy(l)) * std::pow(0.78f, float(k + 1));
            }
            lit *= 0.18100029f;
            const Vec3 n = heightNormal(m.height, x, y);
            const Vec3 eye = eyeVector(float(x), float(y), float(w), float(h));
            float sx, sy;
            skyCoordinates(reflect(eye, n), skyImg.w, skyImg.h, sx, sy);
            const uint8_t* sp = skyImg.at(std::clamp(int(sx), 0, skyImg.w - 1),
                                          std::clamp(int(sy), 0, skyImg.h - 1));
            const Rgb a = m.albedo.at(x, y);
            const Vec3 c = shadeSurface(
                lights, {a.r / 255.0f, a.g / 255.0f, a.b / 255.0f},
                {m.rough.at(x, y) / 255.0f, m.metal.at(x, y) / 255.0f, m.spec.at(x, y) / 255.0f}, n,
                eye, {float(sp[0]), float(sp[1]), float(sp[2])}, lit);
            const Rgb lin{c.x * 255.0f + glow.r.at(x, y), c.y * 255.0f + glow.g.at(x, y),
                          c.z * 255.0f + glow.b.at(x, y)};
            uint8_t* p = out.at(x, y);
            p[0] = toByte(lin.r), p[1] = toByte(lin.g), p[2] = toByte(lin.b);
        }
    // Knobs are drawn over the lit picture; then everything is graded.
    const Image8& knob = findArt(files, R::kKnobFilmstrip);
    const int defaults[kFixedKnobCount] = {60, 60, 82, 100, 99, 36, 60};
    for (int i = 0; i < kFixedKnobCount; ++i) {
        const L::Rect& r = kFixedKnobs[i];
        for (int y = 0; y < L::kKnobSize; ++y)
            for (int x = 0; x < L::kKnobSize; ++x) {
                const uint8_t* k = knob.at(x, defaults[i] * L::kKnobSize + y);
                uint8_t* p = out.at(r.x0 + x, r.y0 + y);
                const float a = k[3] / 255.0f;
                for (int ch = 0; ch < 3; ++ch) p[ch] = toByte(p[ch] + (k[ch] - p[ch]) * a);
            }
    }
    drawSampleRaw(out, files);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = out.at(x, y);
            const Rgb g = gradeColour({float(p[0]), float(p[1]), float(p[2])});
            p[0] = toByte(std::floor(g.r)), p[1] = toByte(std::floor(g.g)),
            p[2] = toByte(std::floor(g.b));
        }
    return out;
}

}  // namespace gfxgen
