#include "rigging/flatwidgets/blendimage.h"

#include <algorithm>
#include <cmath>

namespace rigging {

void blendImageOver(const ImageRef<RGBA>& target, const ImageRef<RGBA>& picture,
                    std::span<const geom::box2i> rects) noexcept {
    const int w = std::min(target.w, picture.w), h = std::min(target.h, picture.h);
    if (w <= 0 || h <= 0) return;
    for (const geom::box2i& r : rects) {
        const int x0 = std::max(r.min.x, 0), x1 = std::min(r.max.x, w);
        const int y0 = std::max(r.min.y, 0), y1 = std::min(r.max.y, h);
        for (int y = y0; y < y1; ++y) {
            const RGBA* src = picture.scanlinePtr(y);
            RGBA* dst = target.scanlinePtr(y);
            for (int x = x0; x < x1; ++x) dst[x] = blendColor(src[x], dst[x], src[x].a);
        }
    }
}

int filmstripFrame(double normalized, int frames) noexcept {
    if (frames <= 1 || !(normalized > 0.0)) return 0;
    const double f = std::round(normalized * (frames - 1));  // halves away from zero
    return f >= frames - 1 ? frames - 1 : static_cast<int>(f);
}

}  // namespace rigging
