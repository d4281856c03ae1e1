#include "brindlewave/widgets/depthbox.h"

#include <algorithm>

namespace brindlewave {

void UIDepthBox::onDrawPBR(rigging::ImageRef<rigging::RGBA>,
                           rigging::ImageRef<rigging::L16> depthMap,
                           rigging::ImageRef<rigging::RGBA>,
                           std::span<const geom::box2i> dirtyRects) noexcept {
    for (const geom::box2i& r : dirtyRects) {
        const int x0 = std::max(r.min.x, 0), x1 = std::min(r.max.x, depthMap.w);
        const int y0 = std::max(r.min.y, 0), y1 = std::min(r.max.y, depthMap.h);
        for (int y = y0; y < y1; ++y) {
            rigging::L16* row = depthMap.scanlinePtr(y);
            for (int x = x0; x < x1; ++x) row[x].l = depth_;
        }
    }
}

}  // namespace brindlewave
