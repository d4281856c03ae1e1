#include "brindlewave/widgets/buttonstrip.h"

#include <algorithm>

namespace brindlewave {

using rigging::RGBA;

void drawButtonStrip(const rigging::ImageRef<RGBA>& diffuse,
                     const rigging::ImageRef<rigging::L16>& depth,
                     const rigging::ImageRef<RGBA>& material,
                     const rigging::OwnedImage<RGBA>& strip, int frameWidth, int frameHeight,
                     bool selected, std::uint8_t emission,
                     std::span<const geom::box2i> rects) noexcept {
    // A strip without the three frames in full is not read.
    if (frameWidth <= 0 || strip.width() < 3 * frameWidth) return;
    const int w = std::min(frameWidth, diffuse.w);
    const int h = std::min({frameHeight, strip.height(), diffuse.h});
    if (w <= 0 || h <= 0) return;
    for (const geom::box2i& r : rects) {
        const int x0 = std::max(r.min.x, 0), x1 = std::min(r.max.x, w);
        const int y0 = std::max(r.min.y, 0), y1 = std::min(r.max.y, h);
        for (int y = y0; y < y1; ++y) {
            const RGBA* row = strip.scanlinePtr(y);
            RGBA* d = diffuse.scanlinePtr(y);
            rigging::L16* z = depth.scanlinePtr(y);
            RGBA* m = material.scanlinePtr(y);
            for (int x = x0; x < x1; ++x) {
                const RGBA base = row[x];
                d[x] = rigging::blendColor(RGBA{base.r, base.g, base.b, emission}, d[x], base.a);
                m[x] = row[x + 2 * frameWidth];
                z[x].l = selected ? 0 : stripDepth(row[x + frameWidth]);
            }
        }
    }
}

}  // namespace brindlewave
