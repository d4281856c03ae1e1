#include "rigging/gui/boxlist.h"

namespace rigging {

using geom::box2i;

box2i boundingBox(std::span<const box2i> boxes) noexcept {
    if (boxes.empty()) return box2i(0, 0, 0, 0);
    box2i r = boxes[0];
    for (std::size_t i = 1; i < boxes.size(); ++i) r = r.expand(boxes[i]);
    return r;
}

void boxSubtraction(const box2i& a, const box2i& b, box2i& top, box2i& left, box2i& right,
                    box2i& bottom) noexcept {
    top = box2i(a.min.x, a.min.y, a.max.x, b.min.y);
    left = box2i(a.min.x, b.min.y, b.min.x, b.max.y);
    right = box2i(b.max.x, b.min.y, a.max.x, b.max.y);
    bottom = box2i(a.min.x, b.max.y, a.max.x, a.max.y);
}

void removeOverlappingAreas(Vec<box2i>& boxes, Vec<box2i>& filtered) noexcept {
    // The list grows and shrinks while it is walked: its length is read at every step.
    for (std::size_t i = 0; i < boxes.length();) {
        const box2i a = boxes[i++];
        // Empty and inverted boxes cover no pixel (one inverted on both axes has a positive
        // volume, so the volume alone does not tell).
        if (a.volume() < 1 || !a.isSorted()) continue;

        bool overlapped = false;
        box2i b, inter;
        for (std::size_t j = i; j < boxes.length();) {
            b = boxes[j];
            inter = a.intersection(b);
            if (!inter.isSorted() || inter.empty()) {
                ++j;
                continue;
            }
            if (a.contains(b)) {
                boxes.removeAndReplaceByLastElement(j);  // slot j is examined again
                continue;
            }
            overlapped = true;
            break;
        }
        if (!overlapped) {
            filtered.pushBack(a);
            continue;
        }
        if (b.contains(a)) continue;  // covered when b's turn comes

        box2i bands[4];
        boxSubtraction(a, inter, bands[0], bands[1], bands[2], bands[3]);
        for (const box2i& band : bands)
            if (!band.empty()) boxes.pushBack(band);
    }
}

void tileAreas(std::span<const box2i> areas, int maxWidth, int maxHeight,
               Vec<box2i>& splitted) noexcept {
    for (const box2i& area : areas) {
        const int width = area.width(), height = area.height();
        const int nw = (width + maxWidth - 1) / maxWidth;
        const int nh = (height + maxHeight - 1) / maxHeight;
        for (int j = 0; j < nh; ++j) {
            for (int k = 0; k < nw; ++k) {
                const int x1 = (k + 1) * maxWidth < width ? (k + 1) * maxWidth : width;
                const int y1 = (j + 1) * maxHeight < height ? (j + 1) * maxHeight : height;
                splitted.pushBack(box2i(k * maxWidth, j * maxHeight, x1, y1).translate(area.min));
            }
        }
    }
}

}  // namespace rigging
