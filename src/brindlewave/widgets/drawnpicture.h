#pragma once
// What a display showed the last time it drew itself whole. A display that is asked to redraw
// (a new spectrum frame, a scrolled history column, an idle refresh) first describes the
// picture it would draw, as the values its drawing reads after quantising them to pixels, and
// redraws only when that description differs from the one on screen: a frame that would look
// the same costs a comparison instead of a rasterised redraw.
//
// Window threads only: the animation tick asks, the draw records, and the window never runs
// the two at once.

#include <span>

#include "geom/box.h"

namespace brindlewave {

// True when the disjoint rectangles cover all of a w x h element.
inline bool coverWhole(std::span<const geom::box2i> rects, int w, int h) noexcept {
    long long area = 0;
    for (const geom::box2i& r : rects) {
        const geom::box2i c = r.intersection(geom::box2i(0, 0, w, h));
        if (!c.empty()) area += static_cast<long long>(c.width()) * c.height();
    }
    return area == static_cast<long long>(w) * h;
}

template <typename Picture>
class DrawnPicture {
public:
    // Whether `picture` would change what is on screen (always, while nothing is known).
    bool differs(const Picture& picture) const noexcept { return !known_ || !(picture == shown_); }

    // The element has just drawn `picture` over `rects` of its w x h image. Only a draw over
    // all of it leaves a known picture; a partial one leaves the rest as it was, so nothing is
    // known until the next whole draw.
    void drew(const Picture& picture, std::span<const geom::box2i> rects, int w, int h) noexcept {
        known_ = coverWhole(rects, w, h);
        if (known_) shown_ = picture;
    }
    // Something else was drawn over the element.
    void forget() noexcept { known_ = false; }

private:
    Picture shown_{};
    bool known_ = false;
};

}  // namespace brindlewave
