#include "preview.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "background.h"
#include "brindlewave/editorlayout.h"
#include "brindlewave/gfx/resources.h"
#include "panelmaps.h"
#include "pngio.h"
#include "shading.h"

namespace gfxgen {

namespace L = brindlewave::layout;
namespace R = brindlewave::gfx;

namespace {

const Image8& find(const std::vector<ArtFile>& files, std::string_view name) {
    for (const ArtFile& f : files)
        if (f.name == name) return f.image;
    static const Image8 empty;
    return empty;
}

// A colour map from black through blue, magenta and orange to pale yellow.
Rgb heat(float t) {
    static const Rgb stops[] = {{0, 0, 4},     {40, 11, 84},   {101, 21, 110}, {159, 42, 99},
                                {212, 72, 66}, {245, 125, 21}, {250, 193, 39}, {252, 255, 164}};
    t = std::clamp(t, 0.0f, 1.0f) * 7.0f;
    const int i = std::min(static_cast<int>(t), 6);
    return mix(stops[i], stops[i + 1], t - i);
}

struct Canvas {
    Image8 img;
    Canvas(int w, int h, Rgb fill) : img(w, h, 3) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) set(x, y, fill);
    }
    void set(int x, int y, Rgb c) {
        if (x < 0 || y < 0 || x >= img.w || y >= img.h) return;
        uint8_t* p = img.at(x, y);
        p[0] = toByte(c.r), p[1] = toByte(c.g), p[2] = toByte(c.b);
    }
    Rgb get(int x, int y) const {
        const uint8_t* p = img.at(x, y);
        return {float(p[0]), float(p[1]), float(p[2])};
    }
    void blend(int x, int y, Rgb c, float a) {
        if (x < 0 || y < 0 || x >= img.w || y >= img.h) return;
        set(x, y, mix(get(x, y), c, a));
    }
    // Draws src (RGBA or RGB) at (x, y), each pixel as a scale x scale block, blended by alpha.
    void blit(const Image8& src, int sx0, int sy0, int sw, int sh, int x, int y, int scale) {
        for (int j = 0; j < sh * scale; ++j)
            for (int i = 0; i < sw * scale; ++i) {
                const uint8_t* p = src.at(sx0 + i / scale, sy0 + j / scale);
                const float a = src.channels == 4 ? p[3] / 255.0f : 1.0f;
                blend(x + i, y + j, {float(p[0]), float(p[1]), float(p[2])}, a);
            }
    }
    void text(const Font& font, const std::string& s, float x, float y, float size, Rgb c) {
        Plane cov(img.w, img.h);
        font.draw(cov, s, x, y, size, 0.5f);
        for (int j = std::max(0, int(y - size)); j < std::min(img.h, int(y + size)); ++j)
            for (int i = 0; i < img.w; ++i)
                if (cov.at(i, j) > 0) blend(i, j, c, cov.at(i, j));
    }
};

// Height in editor units from a depth file pixel.
float depthAt(const Image8& depth, int x, int y) {
    return float(decodeHeight(depth.at(x, y)));
}

Plane heightPlane(const Image8& depth) {
    Plane h(depth.w, depth.h);
    for (int y = 0; y < depth.h; ++y)
        for (int x = 0; x < depth.w; ++x) h.at(x, y) = depthAt(depth, x, y);
    return h;
}

Image8 shadedDepth(const Image8& depth) {
    const Plane h = heightPlane(depth);
    const Vec3 light = normalize({-0.8f, 0.7f, 0.5f});
    Image8 out(depth.w, depth.h, 3);
    for (int y = 0; y < depth.h; ++y)
        for (int x = 0; x < depth.w; ++x) {
            const float l = std::max(0.0f, dot(heightNormal(h, x, y), light));
            uint8_t* p = out.at(x, y);
            p[0] = p[1] = p[2] = toByte(255.0f * std::min(1.0f, l * 1.4f));
        }
    return out;
}

// gamma below 1 spreads the low values (emission is mostly faint).
Image8 falseColour(const Image8& map, int channel, float gamma) {
    Image8 out(map.w, map.h, 3);
    for (int y = 0; y < map.h; ++y)
        for (int x = 0; x < map.w; ++x) {
            const Rgb c = heat(std::pow(map.at(x, y)[channel] / 255.0f, gamma));
            uint8_t* p = out.at(x, y);
            p[0] = toByte(c.r), p[1] = toByte(c.g), p[2] = toByte(c.b);
        }
    return out;
}

Image8 downsample2(const Image8& src) {
    Image8 out(src.w / 2, src.h / 2, src.channels);
    for (int y = 0; y < out.h; ++y)
        for (int x = 0; x < out.w; ++x)
            for (int c = 0; c < src.channels; ++c) {
                const int s = src.at(2 * x, 2 * y)[c] + src.at(2 * x + 1, 2 * y)[c] +
                              src.at(2 * x, 2 * y + 1)[c] + src.at(2 * x + 1, 2 * y + 1)[c];
                out.at(x, y)[c] = static_cast<uint8_t>((s + 2) / 4);
            }
    return out;
}

Image8 materialSheet(const std::vector<ArtFile>& files, const Font& font) {
    const Image8& material = find(files, R::kMaterial);
    const Image8& depth = find(files, R::kDepth);
    Image8 depthFalse(depth.w, depth.h, 3);
    for (int y = 0; y < depth.h; ++y)
        for (int x = 0; x < depth.w; ++x) {
            const Rgb c = heat(depthAt(depth, x, y) / 65535.0f);
            uint8_t* p = depthFalse.at(x, y);
            p[0] = toByte(c.r), p[1] = toByte(c.g), p[2] = toByte(c.b);
        }
    const Image8 tiles[4] = {downsample2(falseColour(material, 0, 1)),
                             downsample2(falseColour(material, 1, 1)),
                             downsample2(falseColour(material, 2, 1)), downsample2(depthFalse)};
    const char* titles[4] = {"roughness (material R)", "metalness (material G)",
                             "specular (material B)", "height (depth)"};
    const int tw = tiles[0].w, th = tiles[0].h, gap = 24;
    Canvas c(2 * tw + 3 * 8, 2 * (th + gap) + 8, {18, 18, 20});
    for (int i = 0; i < 4; ++i) {
        const int x = 8 + (i % 2) * (tw + 8), y = gap + (i / 2) * (th + gap);
        c.blit(tiles[i], 0, 0, tw, th, x, y, 1);
        c.text(font, titles[i], float(x), float(y - 7), 14.0f, {220, 220, 220});
    }
    return c.img;
}

Image8 contactSheet(const Image8& strip, const Font& font) {
    const int cols = 12, rows = 10, scale = 2, frame = L::kKnobSize, pad = 6, label = 14;
    const int cell = frame * scale + pad;
    Canvas c(cols * cell + pad, rows * (cell + label) + pad, {74, 77, 84});
    for (int i = 0; i < L::kKnobFrames; ++i) {
        const int x = pad + (i % cols) * cell, y = pad + label + (i / cols) * (cell + label);
        c.blit(strip, 0, i * frame, frame, frame, x, y, scale);
        c.text(font, std::to_string(i), float(x), float(y - 3), 11.0f, {200, 200, 200});
    }
    return c.img;
}

// Depth frames are shown as their height in grey; colour and material frames as they are.
Image8 viewableStrip(const Image8& strip, int frameW) {
    Image8 out(strip.w, strip.h, 4);
    for (int y = 0; y < strip.h; ++y)
        for (int x = 0; x < strip.w; ++x) {
            const uint8_t* p = strip.at(x, y);
            uint8_t* q = out.at(x, y);
            const int frameIndex = x / frameW;
            if (frameIndex == 1) {
                const uint8_t g = toByte(decodeHeight(p) / 65535.0f * 255.0f);
                q[0] = q[1] = q[2] = g, q[3] = 255;
            } else {
                q[0] = p[0], q[1] = p[1], q[2] = p[2];
                q[3] = (frameIndex == 0 || frameIndex == 3) && strip.channels == 4 ? p[3] : 255;
            }
        }
    return out;
}

Image8 stripSheet(const std::vector<ArtFile>& files, const Font& font) {
    struct Item {
        std::string_view name;
        int frameW;
    };
    const Item items[] = {{R::kBandCountButton, L::kBandCountFrame},
                          {R::kAlignLeftButton, L::kAlignFrameWidth},
                          {R::kAlignRightButton, L::kAlignFrameWidth},
                          {R::kAlignEvenButton, L::kAlignFrameWidth},
                          {R::kAlignOuterButton, L::kAlignFrameWidth},
                          {R::kOversampleButton, L::kTextButtonFrameWidth},
                          {R::kBypassButton, L::kTextButtonFrameWidth}};
    const int scale = 3, gap = 26;
    int height = gap, width = 0;
    for (const Item& it : items) {
        const Image8& s = find(files, it.name);
        height += s.h * scale + gap;
        width = std::max(width, s.w * scale + 16);
    }
    Canvas c(width, height, {64, 67, 73});
    int y = gap;
    for (const Item& it : items) {
        const Image8& s = find(files, it.name);
        const Image8 v = viewableStrip(s, it.frameW);
        c.blit(v, 0, 0, v.w, v.h, 8, y, scale);
        c.text(font, std::string(it.name) + "   colour | depth | material | spare", 8.0f,
               float(y - 8), 13.0f, {225, 225, 225});
        y += s.h * scale + gap;
    }
    return c.img;
}

// What the displays draw under their overlays, roughly, so the overlays can be judged in place.
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

Image8 overlaySheet(const std::vector<ArtFile>& files, const Font& font) {
    Canvas c(1060, 900, {120, 124, 130});
    struct Item {
        std::string_view name;
        int x, y, scale;
    };
    const Item items[] = {{R::kEnvelopeOverlay, 16, 30, 3}, {R::kCurveOverlay, 340, 30, 3},
                          {R::kHistoryOverlay, 16, 370, 3}, {R::kMeterOverlay, 680, 30, 3},
                          {R::kLinkOn, 800, 30, 8},         {R::kLinkOff, 940, 30, 8}};
    for (const Item& it : items) {
        const Image8& img = find(files, it.name);
        for (int j = 0; j < img.h * it.scale; ++j)
            for (int i = 0; i < img.w * it.scale; ++i)
                c.set(it.x + i, it.y + j,
                      displayContent(it.name, i / it.scale, j / it.scale, img.w, img.h));
        c.blit(img, 0, 0, img.w, img.h, it.x, it.y, it.scale);
        c.text(font, std::string(it.name), float(it.x), float(it.y - 8), 13.0f, {20, 20, 20});
    }
    return c.img;
}

// ---- Approximate lighting ----

struct LitInputs {
    RgbPlanes albedo;
    Plane emission, rough, metal, spec, height;
};

LitInputs mapsFrom(const std::vector<ArtFile>& files) {
    const Image8& base = find(files, R::kBaseColour);
    const Image8& emissive = find(files, R::kEmissive);
    const Image8& material = find(files, R::kMaterial);
    const Image8& depth = find(files, R::kDepth);
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

// Buttons as the widgets draw them when idle: colour blended by frame 1's alpha (the text
// buttons replace the whole box), depth and material from frames 2 and 3.
void placeButton(LitInputs& m, const Image8& strip, int frameW, const L::Rect& at) {
    for (int y = 0; y < at.height(); ++y)
        for (int x = 0; x < at.width(); ++x) {
            const int ex = at.x0 + x, ey = at.y0 + y;
            const uint8_t* c = strip.at(x, y);
            const float a = strip.channels == 4 ? c[3] / 255.0f : 1.0f;
            m.albedo.blend(ex, ey, {float(c[0]), float(c[1]), float(c[2])}, a);
            m.emission.at(ex, ey) *= 1.0f - a;
            m.height.at(ex, ey) = float(decodeHeight(strip.at(frameW + x, y)));
            const uint8_t* t = strip.at(2 * frameW + x, y);
            m.rough.at(ex, ey) = t[0], m.metal.at(ex, ey) = t[1], m.spec.at(ex, ey) = t[2];
        }
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
    const Image8& knob = find(files, R::kKnobFilmstrip);
    const Image8& linkOn = find(files, R::kLinkOn);
    const Image8& linkOff = find(files, R::kLinkOff);
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
        const Image8& meter = find(files, R::kMeterOverlay);
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
            const Image8& ov = find(files, overlays[i]);
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
        int top = L::kSpectrum.y0 + int((1.0f - level) * 204.0f);
        top = std::max(top, L::kSpectrum.y0 + L::notchDepth(x));
        for (int y = top; y < L::kSpectrum.y1; ++y)
            blendRaw(out, x, y, fill, y <= top + 1 ? 230.0f / 255 : 180.0f / 255 * 0.55f);
    }
}

}  // namespace

Image8 approximateLitEditor(const std::vector<ArtFile>& files, const Font& font) {
    LitInputs m = mapsFrom(files);
    drawSamplePanelsPbr(m, font);
    placeButton(m, find(files, R::kBandCountButton), L::kBandCountFrame, L::kBandDecrement);
    placeButton(m, find(files, R::kBandCountButton), L::kBandCountFrame, L::kBandIncrement);
    const std::string_view align[4] = {R::kAlignLeftButton, R::kAlignRightButton,
                                       R::kAlignEvenButton, R::kAlignOuterButton};
    for (int i = 0; i < 4; ++i)
        placeButton(m, find(files, align[i]), L::kAlignFrameWidth, L::kAlignButtons[i]);
    for (const L::Rect& r : L::kOversampleButtons)
        placeButton(m, find(files, R::kOversampleButton), L::kTextButtonFrameWidth, r);
    placeButton(m, find(files, R::kBypassButton), L::kTextButtonFrameWidth, L::kBypassButton);

    const Image8& skyImg = find(files, R::kSkybox);
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
    const Image8& knob = find(files, R::kKnobFilmstrip);
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

bool writePreviews(const std::vector<ArtFile>& files, const Font& font, const std::string& dir,
                   std::string& error) {
    const Image8& base = find(files, R::kBaseColour);
    Image8 diffuse(base.w, base.h, 3);
    for (size_t i = 0; i < static_cast<size_t>(base.w) * base.h; ++i)
        std::memcpy(&diffuse.px[i * 3], &base.px[i * 4], 3);
    const struct {
        const char* name;
        Image8 image;
    } previews[] = {
        {"background-diffuse.png", diffuse},
        {"background-shaded-depth.png", shadedDepth(find(files, R::kDepth))},
        {"background-emission.png", falseColour(find(files, R::kEmissive), 0, 0.5f)},
        {"background-material.png", materialSheet(files, font)},
        {"editor-approximate-lighting.png", approximateLitEditor(files, font)},
        {"knob-contact-sheet.png", contactSheet(find(files, R::kKnobFilmstrip), font)},
        {"button-strips.png", stripSheet(files, font)},
        {"overlays.png", overlaySheet(files, font)},
    };
    for (const auto& p : previews) {
        const std::string path = dir + "/" + p.name;
        if (!writePng(path, p.image)) {
            error = "cannot write " + path;
            return false;
        }
    }
    return true;
}

}  // namespace gfxgen
