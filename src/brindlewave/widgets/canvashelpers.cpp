#include "brindlewave/widgets/canvashelpers.h"

#include <algorithm>

namespace brindlewave {

using rigging::RGBA;

void fillLine(rigging::Canvas& canvas, geom::vec2f a, geom::vec2f b, float width) noexcept {
    geom::vec2f d = a - b;
    // NaN fails the test too: a spoilt segment draws nothing.
    if (!(d.magnitude() >= 0.0001f)) return;
    // Exactly normalised rather than by the processor's reciprocal square root estimate, which
    // differs between makers: the outlines come out the same on every machine.
    const geom::vec2f n = d.normalized();
    const float h = width / 2.0f;
    canvas.beginPath();
    canvas.moveTo(b.x + n.y * h, b.y - n.x * h);
    canvas.lineTo(b.x - n.y * h, b.y + n.x * h);
    canvas.lineTo(a.x - n.y * h, a.y + n.x * h);
    canvas.lineTo(a.x + n.y * h, a.y - n.x * h);
    canvas.fill();
}

void fillPolyline(rigging::Canvas& canvas, std::span<const geom::vec2f> points,
                  float width) noexcept {
    for (std::size_t i = 1; i < points.size(); ++i)
        fillLine(canvas, points[i - 1], points[i], width);
}

void fillAreaUnder(rigging::Canvas& canvas, std::span<const geom::vec2f> points,
                   float bottom) noexcept {
    if (points.empty()) return;
    canvas.beginPath();
    canvas.moveTo(points[0].x, points[0].y);
    for (std::size_t i = 1; i < points.size(); ++i) canvas.lineTo(points[i].x, points[i].y);
    canvas.lineTo(points.back().x, bottom);
    canvas.lineTo(0, bottom);
    canvas.fill();
}

void bindCanvas(rigging::Canvas& canvas, const rigging::ImageRef<RGBA>& elementImage,
                const geom::box2i& rect) noexcept {
    canvas.initialize(elementImage, rect);
}

void blendOverlay(const rigging::ImageRef<RGBA>& elementImage, const geom::box2i& rect,
                  const rigging::OwnedImage<RGBA>* overlay, bool clearAlpha) noexcept {
    if (overlay == nullptr) return;
    const int x1 = std::min(rect.max.x, overlay->width());
    const int y1 = std::min(rect.max.y, overlay->height());
    for (int y = std::max(rect.min.y, 0); y < y1; ++y) {
        RGBA* row = elementImage.scanlinePtr(y);
        const RGBA* over = overlay->scanlinePtr(y);
        for (int x = std::max(rect.min.x, 0); x < x1; ++x) {
            const RGBA o = over[x];
            if (o.a == 0) continue;  // blends to the pixel as it is: most of an overlay is clear
            RGBA p = rigging::blendColor(o, row[x], o.a);
            if (clearAlpha) p.a = 0;
            row[x] = p;
        }
    }
}

void fillDepth(const rigging::ImageRef<rigging::L16>& depthMap, std::span<const geom::box2i> rects,
               std::uint16_t depth) noexcept {
    for (const geom::box2i& r : rects)
        for (int y = r.min.y; y < r.max.y; ++y) {
            rigging::L16* row = depthMap.scanlinePtr(y);
            for (int x = r.min.x; x < r.max.x; ++x) row[x] = rigging::L16{depth};
        }
}

}  // namespace brindlewave
