#include "brindlewave/widgets/boxoverlay.h"

#include <algorithm>

namespace brindlewave {

void UIBoxOverlay::onDrawRaw(rigging::ImageRef<rigging::RGBA> rawMap,
                             std::span<const geom::box2i> dirtyRects) noexcept {
    for (const geom::box2i& r : dirtyRects) {
        const int x0 = std::max(r.min.x, 0), x1 = std::min(r.max.x, rawMap.w);
        const int y0 = std::max(r.min.y, 0), y1 = std::min(r.max.y, rawMap.h);
        for (int y = y0; y < y1; ++y) {
            rigging::RGBA* row = rawMap.scanlinePtr(y);
            for (int x = x0; x < x1; ++x) row[x] = rigging::blendColor(colour_, row[x], colour_.a);
        }
    }
}

}  // namespace brindlewave
