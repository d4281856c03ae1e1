#pragma once
// What a display shows on screen. A display that is asked to redraw (a new spectrum frame, a
// scrolled history column, an idle refresh) first describes the picture it would draw, as the
// values its drawing reads after quantising them to pixels, and redraws only the part where
// that picture differs from the one on screen: a frame that would look the same costs a
// comparison instead of a rasterised redraw. Canvas windows draw exactly the pixels a whole
// draw gives, so a partial redraw leaves the same screen as a whole one.
//
// A Picture is comparable with == and has
//     static geom::box2i changedArea(const Picture& from, const Picture& to, int w, int h);
// the part of a w x h element outside which the two draw the same pixels (empty when equal).
//
// Window threads only: the animation tick asks, the draw records, and the window never runs
// the two at once.

#include <span>

#include "geom/box.h"

namespace brindlewave {

// True when the disjoint rectangles cover all of `area`.
inline bool coverArea(std::span<const geom::box2i> rects, const geom::box2i& area) noexcept {
    if (area.empty()) return true;
    long long covered = 0;
    for (const geom::box2i& r : rects) {
        const geom::box2i c = r.intersection(area);
        if (c.isSorted() && !c.empty()) covered += static_cast<long long>(c.width()) * c.height();
    }
    return covered == static_cast<long long>(area.width()) * area.height();
}

template <typename Picture>
class DrawnPicture {
public:
    // The part of a w x h element to redraw to show `picture`: all of it while what is on
    // screen is not known, else where the two differ (empty when nowhere).
    geom::box2i toRedraw(const Picture& picture, int w, int h) const noexcept {
        if (!known_) return geom::box2i(0, 0, w, h);
        return Picture::changedArea(shown_, picture, w, h);
    }

    // The element has just drawn `picture` over `rects` of its w x h image. The screen shows
    // it when they cover all that had to change; otherwise nothing is known until the next
    // draw that covers it all.
    void drew(const Picture& picture, std::span<const geom::box2i> rects, int w, int h) noexcept {
        known_ = coverArea(rects, toRedraw(picture, w, h));
        if (known_) shown_ = picture;
    }
    // Something else was drawn over the element.
    void forget() noexcept { known_ = false; }

private:
    Picture shown_{};
    bool known_ = false;
};

}  // namespace brindlewave
