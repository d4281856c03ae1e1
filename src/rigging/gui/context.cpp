#include "rigging/gui/context.h"

#include <algorithm>
#include <climits>

#include "rigging/gui/boxlist.h"
#include "rigging/gui/element.h"

namespace rigging {

using geom::box2i;

namespace {

// r clipped to `clip`; false when nothing (or an inverted box) is left.
bool clipped(const box2i& r, const box2i& clip, box2i& out) noexcept {
    int x0 = std::max(r.min.x, clip.min.x), y0 = std::max(r.min.y, clip.min.y);
    int x1 = std::min(r.max.x, clip.max.x), y1 = std::min(r.max.y, clip.max.y);
    if (x1 <= x0 || y1 <= y0) return false;
    out = box2i(x0, y0, x1, y1);
    return true;
}

}  // namespace

DirtyRectList::DirtyRectList() noexcept : mutex_(makeMutex()), clip_(0, 0, INT_MAX, INT_MAX) {}

void DirtyRectList::addRect(const box2i& rect) noexcept {
    // Empty rectangles never take the lock (the clip is read under it).
    if (rect.empty()) return;
    MutexLock lock(mutex_);
    box2i r;
    if (!clipped(rect, clip_, r)) return;
    std::size_t i = 0;
    while (i < rects_.length()) {
        box2i s = rects_[i];
        if (s.contains(r)) return;  // adds nothing
        if (r.contains(s)) {
            rects_.removeAndReplaceByLastElement(i);
        } else if (!s.intersects(r)) {
            ++i;
        } else {
            box2i pieces[4];
            boxSubtraction(s, s.intersection(r), pieces[0], pieces[1], pieces[2], pieces[3]);
            rects_.removeAndReplaceByLastElement(i);
            // The pieces do not meet r: examined later in this pass, they are passed over.
            for (const box2i& p : pieces)
                if (!p.empty()) rects_.pushBack(p);
        }
    }
    rects_.pushBack(r);
}

void DirtyRectList::pullAllRectangles(Vec<box2i>& result) noexcept {
    MutexLock lock(mutex_);
    result.pushBack(rects_);
    rects_.clearContents();
}

void DirtyRectList::setClip(const box2i& clip) noexcept {
    MutexLock lock(mutex_);
    clip_ = clip;
    std::size_t i = 0;
    while (i < rects_.length()) {
        box2i r;
        if (clipped(rects_[i], clip_, r)) {
            rects_[i++] = r;
        } else {
            rects_.removeAndReplaceByLastElement(i);
        }
    }
}

void UIContext::setFocused(UIElement* e) noexcept {
    if (e == focused_) return;
    if (focused_ != nullptr) focused_->onFocusExit();
    focused_ = e;
    if (e != nullptr) e->onFocusEnter();
}

void UIContext::setMouseOver(UIElement* e) noexcept {
    if (e == mouseOver_) return;
    if (mouseOver_ != nullptr) mouseOver_->onMouseExit();
    mouseOver_ = e;
    if (e != nullptr) e->onMouseEnter();
}

void UIContext::beginDragging(UIElement* e) noexcept {
    stopDragging();
    dragged_ = e;
    if (e != nullptr) e->onBeginDrag();
}

void UIContext::stopDragging() noexcept {
    if (dragged_ == nullptr) return;
    UIElement* e = dragged_;
    dragged_ = nullptr;  // a handler that asks again finds no drag
    e->onStopDrag();
}

MouseCursor UIContext::getCurrentMouseCursor() noexcept {
    if (dragged_ != nullptr) return dragged_->cursorWhenDragged();
    if (mouseOver_ != nullptr) return mouseOver_->cursorWhenMouseOver();
    return MouseCursor::pointer;
}

namespace {

bool isWithin(const UIElement* e, const UIElement* root) noexcept {
    for (; e != nullptr; e = e->parent())
        if (e == root) return true;
    return false;
}

}  // namespace

void UIContext::releaseSubtree(UIElement* root) noexcept {
    if (isWithin(dragged_, root)) stopDragging();
    if (isWithin(mouseOver_, root)) setMouseOver(nullptr);
    if (isWithin(focused_, root)) setFocused(nullptr);
    if (isWithin(lastClicked_, root)) lastClicked_ = nullptr;
}

void UIContext::forgetElement(UIElement* e) noexcept {
    if (e == nullptr) return;
    if (focused_ == e) focused_ = nullptr;
    if (dragged_ == e) dragged_ = nullptr;
    if (mouseOver_ == e) mouseOver_ = nullptr;
    if (lastClicked_ == e) lastClicked_ = nullptr;
}

void UIContext::setWindowSize(int width, int height) noexcept {
    box2i window(0, 0, std::max(width, 0), std::max(height, 0));
    dirtyListPBR.setClip(window);
    dirtyListRaw.setClip(window);
}

}  // namespace rigging
