#include "rigging/window/changedtiles.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace rigging {

using geom::box2i;

namespace {

box2i clipTo(const ImageRef<RGBA>& a, const ImageRef<RGBA>& b, const box2i& r) noexcept {
    const box2i bounds(0, 0, std::min(a.w, b.w), std::min(a.h, b.h));
    if (r.empty() || !r.isSorted()) return box2i(0, 0, 0, 0);
    box2i c = r.intersection(bounds);
    return c.isSorted() && !c.empty() ? c : box2i(0, 0, 0, 0);
}

// Pixels compared as 32-bit words: the fourth byte counts too, as the server is sent all four.
const std::uint32_t* row32(const ImageRef<RGBA>& img, int y) noexcept {
    return reinterpret_cast<const std::uint32_t*>(img.scanlinePtr(y));
}

}  // namespace

box2i copyArea(const ImageRef<RGBA>& drawn, const ImageRef<RGBA>& shown,
               const box2i& area) noexcept {
    const box2i c = clipTo(drawn, shown, area);
    const std::size_t bytes = static_cast<std::size_t>(c.width()) * sizeof(RGBA);
    for (int y = c.min.y; y < c.max.y; ++y)
        std::memcpy(shown.scanlinePtr(y) + c.min.x, drawn.scanlinePtr(y) + c.min.x, bytes);
    return c;
}

void takeChangedTiles(const ImageRef<RGBA>& drawn, const ImageRef<RGBA>& shown, const box2i& region,
                      int tileSize, Vec<box2i>& changed) noexcept {
    const box2i c = clipTo(drawn, shown, region);
    if (c.empty() || tileSize < 1) return;
    const int firstTileX = c.min.x / tileSize * tileSize;
    const int firstTileY = c.min.y / tileSize * tileSize;
    for (int ty = firstTileY; ty < c.max.y; ty += tileSize) {
        const int y0 = std::max(ty, c.min.y), y1 = std::min(ty + tileSize, c.max.y);
        for (int tx = firstTileX; tx < c.max.x; tx += tileSize) {
            const int x0 = std::max(tx, c.min.x), x1 = std::min(tx + tileSize, c.max.x);
            const std::size_t bytes = static_cast<std::size_t>(x1 - x0) * 4;
            int minX = x1, maxX = x0, minY = y1, maxY = y0;
            for (int y = y0; y < y1; ++y) {
                const std::uint32_t* a = row32(drawn, y);
                const std::uint32_t* b = row32(shown, y);
                if (std::memcmp(a + x0, b + x0, bytes) == 0) continue;
                int l = x0, r = x1 - 1;
                while (a[l] == b[l]) ++l;
                while (a[r] == b[r]) --r;
                minX = std::min(minX, l);
                maxX = std::max(maxX, r + 1);
                minY = std::min(minY, y);
                maxY = y + 1;
            }
            if (minY >= maxY) continue;
            const box2i box(minX, minY, maxX, maxY);
            copyArea(drawn, shown, box);
            changed.pushBack(box);
        }
    }
}

void joinNeighbours(Vec<box2i>& boxes, std::size_t from, long long slackPixels) noexcept {
    auto area = [](const box2i& b) {
        return static_cast<long long>(b.width()) * static_cast<long long>(b.height());
    };
    if (boxes.length() <= from) return;
    std::size_t kept = from;  // the last box kept so far
    for (std::size_t i = from + 1; i < boxes.length(); ++i) {
        box2i& a = boxes[kept];
        const box2i& b = boxes[i];
        const bool rowsOverlap = a.min.y < b.max.y && b.min.y < a.max.y;
        if (rowsOverlap && a.max.x <= b.min.x) {
            const box2i both = a.expand(b);
            if (area(both) - area(a) - area(b) <= slackPixels) {
                a = both;
                continue;
            }
        }
        boxes[++kept] = b;
    }
    boxes.resize(kept + 1);
}

}  // namespace rigging
