#include "overlays.h"

#include <cmath>

#include "brindlewave/editorlayout.h"
#include "brindlewave/scales.h"
#include "shapes.h"

namespace gfxgen {

namespace L = brindlewave::layout;

namespace {

// Straight-alpha RGBA accumulated as premultiplied floats, layer over layer.
struct Overlay {
    int w, h;
    std::vector<float> r, g, b, a;
    Overlay(int width, int height) : w(width), h(height), r(w * h), g(w * h), b(w * h), a(w * h) {}
    void over(int x, int y, Rgb c, float alpha) {
        if (x < 0 || y < 0 || x >= w || y >= h || alpha <= 0) return;
        const int i = y * w + x;
        r[i] = c.r * alpha + r[i] * (1 - alpha);
        g[i] = c.g * alpha + g[i] * (1 - alpha);
        b[i] = c.b * alpha + b[i] * (1 - alpha);
        a[i] = alpha + a[i] * (1 - alpha);
    }
    Image8 encode() const {
        Image8 out(w, h, 4);
        for (int i = 0; i < w * h; ++i) {
            uint8_t* p = &out.px[static_cast<size_t>(i) * 4];
            const float k = a[i] > 0 ? 1.0f / a[i] : 0.0f;
            p[0] = toByte(r[i] * k), p[1] = toByte(g[i] * k), p[2] = toByte(b[i] * k);
            p[3] = toByte(a[i] * 255.0f);
        }
        return out;
    }
};

const Rgb kBlack{0, 0, 0}, kWhite{255, 255, 255};
const Rgb kGridColour{190, 215, 195};

// Glass-window framing shared by every display: a dark frame, an inner shadow from the top
// left, a thin highlight on the lower and right edges and a faint sheen near the top.
void frame(Overlay& o) {
    for (int y = 0; y < o.h; ++y)
        for (int x = 0; x < o.w; ++x) {
            const bool edge = x == 0 || y == 0 || x == o.w - 1 || y == o.h - 1;
            if (edge) {
                o.over(x, y, kBlack, 200.0f / 255.0f);
                continue;
            }
            const float sheen = 15.0f / 255.0f * std::max(0.0f, 1.0f - y / (o.h / 3.0f));
            o.over(x, y, kWhite, sheen);
            const float depth = float(std::min(x, y));  // distance from the top or left frame
            const float shadow = 120.0f / 255.0f * std::max(0.0f, 1.0f - (depth - 1.0f) / 3.5f);
            o.over(x, y, kBlack, shadow);
            if (x == o.w - 2 || y == o.h - 2) o.over(x, y, kWhite, 40.0f / 255.0f);
        }
}

void horizontalLine(Overlay& o, int y, float alpha) {
    for (int x = 1; x < o.w - 1; ++x) o.over(x, y, kGridColour, alpha);
}
void verticalLine(Overlay& o, int x, int y0, int y1, float alpha) {
    for (int y = y0; y < y1; ++y) o.over(x, y, kGridColour, alpha);
}

}  // namespace

// Each where its display draws that level.
int curveLinePosition(int dB) {
    return brindlewave::levelSpan(brindlewave::levelFromThreshold(static_cast<float>(dB)),
                                  L::kCurveWidth);
}
int historyRowForDb(int dB) {
    return brindlewave::historyRowForLevel(brindlewave::levelFromDecibels(static_cast<float>(dB)),
                                           L::kHistoryHeight);
}
int meterRowForDb(int dB) {
    return brindlewave::rowForLevel(brindlewave::levelFromDecibels(static_cast<float>(dB)),
                                    L::kMeterHeight);
}

Image8 makeEnvelopeOverlay() {
    Overlay o(L::kEnvelopeWidth, L::kEnvelopeHeight);
    for (int x = 20; x < o.w; x += 20) {
        verticalLine(o, x, 1, o.h - 1, 14.0f / 255.0f);
        verticalLine(o, x, o.h - 6, o.h - 1, 40.0f / 255.0f);
    }
    horizontalLine(o, o.h / 2, 14.0f / 255.0f);
    frame(o);
    return o.encode();
}

Image8 makeCurveOverlay() {
    Overlay o(L::kCurveWidth, L::kCurveHeight);
    for (int dB : {-48, -36, -24, -12, 0}) {
        const int p = curveLinePosition(dB);
        const float a = (dB == 0 ? 40.0f : 30.0f) / 255.0f;
        verticalLine(o, p, 1, o.h - 1, a);
        horizontalLine(o, o.h - p, a);
    }
    // The unity diagonal, faint and anti-aliased.
    for (int y = 1; y < o.h - 1; ++y)
        for (int x = 1; x < o.w - 1; ++x) {
            const float d = sdSegment(x + 0.5f, y + 0.5f, 0.0f, float(o.h), float(o.w), 0.0f, 0.5f);
            o.over(x, y, kGridColour, 22.0f / 255.0f * coverage(d));
        }
    frame(o);
    return o.encode();
}

Image8 makeHistoryOverlay() {
    Overlay o(L::kHistoryWidth, L::kHistoryHeight);
    for (int dB : {-6, -12, -24, -48}) horizontalLine(o, historyRowForDb(dB), 32.0f / 255.0f);
    frame(o);
    return o.encode();
}

Image8 makeMeterOverlay() {
    Overlay o(L::kMeterWidth, L::kMeterHeight);
    // LED segments: a dark line every third row.
    for (int y = 2; y < o.h - 1; y += 3)
        for (int x = 1; x < o.w - 1; ++x) o.over(x, y, kBlack, 90.0f / 255.0f);
    for (int dB : {0, -6, -12, -18, -24, -36, -48}) {
        const int y = meterRowForDb(dB);
        const int len = dB % 12 == 0 ? 4 : 3;
        for (int x = 1; x < 1 + len; ++x) o.over(x, y, kGridColour, 110.0f / 255.0f);
        for (int x = o.w - 1 - len; x < o.w - 1; ++x) o.over(x, y, kGridColour, 110.0f / 255.0f);
    }
    frame(o);
    return o.encode();
}

Image8 makeLinkImage(bool on) {
    Overlay o(L::kLinkWidth, L::kLinkHeight);
    // Two chain links on the diagonal, each a rounded outline, overlapping in the middle.
    auto linkSdf = [](float x, float y) {
        const float ux = 0.7071f, uy = -0.7071f, cx = 7.5f, cy = 8.5f;
        auto link = [&](float along) {
            const float mx = cx + ux * along, my = cy + uy * along;
            const float half = 1.9f;
            return std::fabs(sdSegment(x, y, mx - ux * half, my - uy * half, mx + ux * half,
                                       my + uy * half, 2.3f)) -
                   0.8f;
        };
        return std::min(link(-2.4f), link(2.4f));
    };
    const Rgb accent{103, 218, 108}, grey{90, 90, 90};
    for (int y = 0; y < o.h; ++y)
        for (int x = 0; x < o.w; ++x) {
            const float d = linkSdf(x + 0.5f, y + 0.5f);
            if (on) {
                const float glow =
                    d < 4.0f ? 0.38f * std::exp(-0.5f * d * d / (1.6f * 1.6f)) : 0.0f;
                o.over(x, y, accent, d > 0 ? glow : 0.0f);
                o.over(x, y, accent, coverage(d));
            } else {
                o.over(x, y, grey, coverage(d) * 160.0f / 255.0f);
            }
        }
    return o.encode();
}

}  // namespace gfxgen
