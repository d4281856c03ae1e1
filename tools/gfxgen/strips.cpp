#include "strips.h"

#include <cmath>
#include <cstring>

#include "background.h"
#include "panelmaps.h"
#include "shapes.h"

namespace gfxgen {

namespace L = brindlewave::layout;

namespace {

constexpr float kCapRise = 14000.0f;  // about 3 pixels above the tray floor
constexpr float kCapBevel = 3.0f;
const uint8_t kCapMaterial[4] = {150, 30, 120, 255};
const Rgb kCapRim{52, 55, 61};
const Rgb kIconPaint{214, 218, 214};
const Rgb kIconAccent{112, 212, 122};

// A strip frame in its own coordinates, with the background it sits on.
struct FrameContext {
    const BackgroundFiles& bg;
    int placeX, placeY;  // where the frame's pixel (0, 0) lands in the editor
    int w, h;
};

void copyBackground(const Image8& src, int sx, int sy, Image8& dst, int dx, int dy, int channels) {
    const uint8_t* s = src.at(sx, sy);
    uint8_t* d = dst.at(dx, dy);
    std::memcpy(d, s, channels);
    if (dst.channels == 4 && channels == 3) d[3] = 255;
}

// Writes the depth, material and (optionally) colour frames of a raised keycap whose shape is
// capSdf; outside the shape every pixel carries the background at that place.
template <class CapSdf>
void writeCapFrames(Image8& strip, const FrameContext& fc, CapSdf capSdf, bool fillColourOutside) {
    for (int y = 0; y < fc.h; ++y)
        for (int x = 0; x < fc.w; ++x) {
            const int ex = fc.placeX + x, ey = fc.placeY + y;
            const float d = capSdf(x + 0.5f, y + 0.5f);
            uint8_t bgDepth[3];
            std::memcpy(bgDepth, fc.bg.depth.at(ex, ey), 3);
            const float floor = float(decodeHeight(bgDepth));
            // Depth frame.
            uint8_t* depth = strip.at(fc.w + x, y);
            if (d >= 0.5f) {
                copyBackground(fc.bg.depth, ex, ey, strip, fc.w + x, y, 3);
            } else {
                const float t = bevelProfile(Bevel::round, std::clamp(-d / kCapBevel, 0.0f, 1.0f));
                encodeHeight(floor + kCapRise * t, depth);
                if (strip.channels == 4) depth[3] = 255;
            }
            // Material frame.
            uint8_t* material = strip.at(2 * fc.w + x, y);
            if (d >= 0.5f) {
                copyBackground(fc.bg.material, ex, ey, strip, 2 * fc.w + x, y, 3);
            } else {
                std::memcpy(material, kCapMaterial, strip.channels);
            }
            if (fillColourOutside && d >= 0.5f)
                copyBackground(fc.bg.albedo, ex, ey, strip, x, y, 3);
        }
}

// Colour of a keycap at distance d inside its edge, lit a little from the top.
Rgb capColour(Rgb cap, float d, float y, float h) {
    const float rim = smoothstep(-1.6f, -0.4f, d);
    const float sheen = 1.0f + 0.06f * (1.0f - y / h);
    return mix(cap * sheen, kCapRim, rim * 0.7f);
}

void copyFrame(Image8& strip, int from, int to, int w) {
    for (int y = 0; y < strip.h; ++y)
        std::memcpy(strip.at(to * w, y), strip.at(from * w, y),
                    static_cast<size_t>(w) * strip.channels);
}

}  // namespace

float bandCountSignSdf(float x, float y, bool plus) {
    const float cx = 10.0f, cy = 10.0f;
    float d = sdRoundRect(x, y, cx - 4.5f, cy - 1.0f, cx + 4.5f, cy + 1.0f, 0.4f);
    if (plus) d = std::min(d, sdRoundRect(x, y, cx - 1.0f, cy - 4.5f, cx + 1.0f, cy + 4.5f, 0.4f));
    return d;
}

float bandCountWindowSdf(float x, float y) {
    return bandCountSignSdf(x, y, true) - 1.2f;
}

Image8 makeBandCountStrip(const BackgroundFiles& bg) {
    const int s = L::kBandCountFrame;
    Image8 strip(s * L::kStripFrames, s, 4);
    const FrameContext fc{bg, L::kBandDecrement.x0, L::kBandDecrement.y0, s, s};
    auto cap = [](float x, float y) { return sdRoundRect(x, y, 1.5f, 1.5f, 18.5f, 18.5f, 3.5f); };
    writeCapFrames(strip, fc, cap, false);
    for (int y = 0; y < s; ++y)
        for (int x = 0; x < s; ++x) {
            const float d = cap(x + 0.5f, y + 0.5f);
            const float window = coverage(bandCountWindowSdf(x + 0.5f, y + 0.5f));
            const Rgb c = capColour(kBandCountCap, d, y + 0.5f, float(s));
            uint8_t* p = strip.at(x, y);
            p[0] = toByte(c.r), p[1] = toByte(c.g), p[2] = toByte(c.b);
            p[3] = toByte(255.0f * coverage(d) * (1.0f - window));
        }
    copyFrame(strip, 0, 3, s);
    return strip;
}

Image8 makeAlignStrip(AlignMode mode, const BackgroundFiles& bg) {
    const int w = L::kAlignFrameWidth, h = L::kAlignFrameHeight;
    const L::Rect& place = L::kAlignButtons[static_cast<int>(mode)];
    Image8 strip(w * L::kStripFrames, h, 4);
    const FrameContext fc{bg, place.x0, place.y0, w, h};
    auto cap = [=](float x, float y) {
        return sdRoundRect(x, y, 2.0f, 2.0f, w - 2.0f, h - 2.0f, 4.0f);
    };
    writeCapFrames(strip, fc, cap, false);

    // Icon: crossover markers on a short line, placed as the button would place them.
    const float lineX0 = 18.0f, lineX1 = 82.0f, lineY = 18.5f;
    float marks[3];
    switch (mode) {
        case AlignMode::left:
            marks[0] = 0.08f, marks[1] = 0.20f, marks[2] = 0.32f;
            break;
        case AlignMode::right:
            marks[0] = 0.68f, marks[1] = 0.80f, marks[2] = 0.92f;
            break;
        case AlignMode::even:
            marks[0] = 0.25f, marks[1] = 0.50f, marks[2] = 0.75f;
            break;
        case AlignMode::outer:
            marks[0] = 0.08f, marks[1] = 0.20f, marks[2] = 0.92f;
            break;
    }
    const Rgb cap0{78, 82, 90};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const float px = x + 0.5f, py = y + 0.5f;
            const float d = cap(px, py);
            Rgb c = capColour(cap0, d, py, float(h));
            const float line =
                coverage(sdRoundRect(px, py, lineX0, lineY - 0.75f, lineX1, lineY + 0.75f, 0.5f));
            c = mix(c, kIconPaint * 0.8f, line);
            for (float m : marks) {
                const float mx = lineX0 + (lineX1 - lineX0) * m;
                const float stem = sdRoundRect(px, py, mx - 0.9f, 8.5f, mx + 0.9f, 22.5f, 0.6f);
                const float knob = sdCircle(px, py, mx, 10.5f, 2.3f);
                c = mix(c, kIconAccent, coverage(std::min(stem, knob)));
            }
            uint8_t* p = strip.at(x, y);
            p[0] = toByte(c.r), p[1] = toByte(c.g), p[2] = toByte(c.b);
            p[3] = toByte(255.0f * coverage(d));
        }
    copyFrame(strip, 0, 3, w);
    return strip;
}

Image8 makeTextButtonStrip(Rgb cap, const L::Rect& place, const BackgroundFiles& bg) {
    const int w = L::kTextButtonFrameWidth, h = L::kTextButtonFrameHeight;
    Image8 strip(w * L::kStripFrames, h, 3);
    const FrameContext fc{bg, place.x0, place.y0, w, h};
    auto capSdf = [=](float x, float y) {
        return sdRoundRect(x, y, 1.5f, 1.5f, w - 1.5f, h - 1.5f, 3.0f);
    };
    writeCapFrames(strip, fc, capSdf, true);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const float d = capSdf(x + 0.5f, y + 0.5f);
            if (d >= 0.5f) continue;
            const uint8_t* under = bg.albedo.at(place.x0 + x, place.y0 + y);
            const Rgb tray{float(under[0]), float(under[1]), float(under[2])};
            const Rgb c = mix(tray, capColour(cap, d, y + 0.5f, float(h)), coverage(d));
            uint8_t* p = strip.at(x, y);
            p[0] = toByte(c.r), p[1] = toByte(c.g), p[2] = toByte(c.b);
        }
    copyFrame(strip, 0, 3, w);
    return strip;
}

}  // namespace gfxgen
