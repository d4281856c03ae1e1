#include "rigging/gui/element.h"

#include <algorithm>

#include "rigging/core/grailsort.h"

namespace rigging {

using geom::box2i;

namespace {

// r clipped to `clip`; false when nothing (or an inverted box) is left.
bool clipTo(const box2i& r, const box2i& clip, box2i& out) noexcept {
    int x0 = std::max(r.min.x, clip.min.x), y0 = std::max(r.min.y, clip.min.y);
    int x1 = std::min(r.max.x, clip.max.x), y1 = std::min(r.max.y, clip.max.y);
    if (x1 <= x0 || y1 <= y0) return false;
    out = box2i(x0, y0, x1, y1);
    return true;
}

}  // namespace

UIElement::UIElement(UIContext* context, std::uint32_t flags) noexcept
    : flags_(flags), context_(context) {}

UIElement::~UIElement() {
    if (context_ != nullptr) context_->forgetElement(this);
    if (parent_ != nullptr) {
        int i = parent_->children_.indexOf(this);
        if (i >= 0) parent_->children_.removeAndReplaceByLastElement(static_cast<std::size_t>(i));
    }
    for (UIElement* child : children_) child->parent_ = nullptr;
}

UIContext* UIElement::releaseContext() noexcept {
    UIContext* c = context_;
    if (c != nullptr) c->forgetElement(this);
    context_ = nullptr;
    return c;
}

void UIElement::setPosition(const box2i& p) noexcept {
    if (context_ == nullptr) {
        position_ = p;
        return;
    }
    MutexLock lock(context_->geometryMutex);
    position_ = p;
}

box2i UIElement::positionFromAnyThread() const noexcept {
    if (context_ == nullptr) return position_;
    MutexLock lock(context_->geometryMutex);
    return position_;
}

void UIElement::reflow(const box2i& box) noexcept {
    setPosition(box);
    for (std::size_t i = 0; i < children_.length(); ++i) children_[i]->reflow(box);
}

bool UIElement::onMouseClick(int, int, MouseButton, bool, MouseState) noexcept {
    return false;
}

bool UIElement::onMouseWheel(int, int, int, int, MouseState) noexcept {
    return false;
}

void UIElement::onMouseMove(int, int, int, int, MouseState) noexcept {}

void UIElement::onMouseDrag(int, int, int, int, MouseState) noexcept {}

bool UIElement::onKeyDown(Key) noexcept {
    return false;
}

bool UIElement::onKeyUp(Key) noexcept {
    return false;
}

void UIElement::onAnimate(double, double) noexcept {}

void UIElement::onDrawRaw(ImageRef<RGBA>, std::span<const box2i>) noexcept {}

void UIElement::onDrawPBR(ImageRef<RGBA> diffuseMap, ImageRef<L16> depthMap,
                          ImageRef<RGBA> materialMap, std::span<const box2i> dirtyRects) noexcept {
    const RGBA light{150, 150, 150, 0}, dark{100, 100, 100, 0};
    const RGBA material{128, 25, 128, 255};
    for (const box2i& r : dirtyRects)
        for (int y = r.min.y; y < r.max.y; ++y) {
            RGBA* diffuse = diffuseMap.scanlinePtr(y);
            L16* depth = depthMap.scanlinePtr(y);
            RGBA* mat = materialMap.scanlinePtr(y);
            for (int x = r.min.x; x < r.max.x; ++x) {
                diffuse[x] = ((x >> 3) & 1) == ((y >> 3) & 1) ? light : dark;
                depth[x] = L16{15000};
                mat[x] = material;
            }
        }
}

bool UIElement::contains(int x, int y) noexcept {
    // Unsigned, so that negative coordinates fall outside.
    return static_cast<unsigned>(x) < static_cast<unsigned>(position_.width()) &&
           static_cast<unsigned>(y) < static_cast<unsigned>(position_.height());
}

void UIElement::addChild(UIElement* e) noexcept {
    e->parent_ = this;
    children_.pushBack(e);
}

void UIElement::removeChild(UIElement* e) noexcept {
    int i = children_.indexOf(e);
    if (i < 0) return;
    e->setDirtyWhole(UILayer::guessFromFlags);
    // Before the element leaves: the roles are found by walking up from their holders.
    if (context_ != nullptr) context_->releaseSubtree(e);
    children_.removeAndReplaceByLastElement(static_cast<std::size_t>(i));
    e->parent_ = nullptr;
}

void UIElement::rebuildZOrderedChildren() noexcept {
    zOrderedChildren_.clearContents();
    zOrderedChildren_.pushBack(children_);
    // Higher z-order first; the sort is stable, so equal z-orders keep child order.
    grailSort(zOrderedChildren_.slice(), [](UIElement* const& a, UIElement* const& b) {
        return a->zOrder_ > b->zOrder_ ? -1 : (a->zOrder_ < b->zOrder_ ? 1 : 0);
    });
}

// The dispatchers index the scratch vector afresh at each step: a handler may reach the same
// element again and rebuild it.

bool UIElement::mouseClick(int x, int y, MouseButton button, bool isDoubleClick,
                           MouseState mstate) noexcept {
    rebuildZOrderedChildren();
    for (std::size_t i = 0; i < zOrderedChildren_.length(); ++i) {
        UIElement* child = zOrderedChildren_[i];
        if (child->zOrder_ >= zOrder_ && child->mouseClick(x, y, button, isDoubleClick, mstate))
            return true;
    }
    int lx = x - position_.min.x, ly = y - position_.min.y;
    // The window paired the press with the previous one; it is a double click only for the
    // element that took that one.
    const bool doubleHere = isDoubleClick && context_->lastClicked() == this;
    if (contains(lx, ly) && onMouseClick(lx, ly, button, doubleHere, mstate)) {
        context_->setLastClicked(this);
        context_->beginDragging(this);
        context_->setFocused(this);
        return true;
    }
    rebuildZOrderedChildren();
    for (std::size_t i = 0; i < zOrderedChildren_.length(); ++i) {
        UIElement* child = zOrderedChildren_[i];
        if (child->zOrder_ < zOrder_ && child->mouseClick(x, y, button, isDoubleClick, mstate))
            return true;
    }
    return false;
}

bool UIElement::mouseWheel(int x, int y, int wheelDeltaX, int wheelDeltaY,
                           MouseState mstate) noexcept {
    rebuildZOrderedChildren();
    for (std::size_t i = 0; i < zOrderedChildren_.length(); ++i) {
        UIElement* child = zOrderedChildren_[i];
        if (child->zOrder_ >= zOrder_ && child->mouseWheel(x, y, wheelDeltaX, wheelDeltaY, mstate))
            return true;
    }
    int lx = x - position_.min.x, ly = y - position_.min.y;
    if (contains(lx, ly) && onMouseWheel(lx, ly, wheelDeltaX, wheelDeltaY, mstate)) return true;
    rebuildZOrderedChildren();
    for (std::size_t i = 0; i < zOrderedChildren_.length(); ++i) {
        UIElement* child = zOrderedChildren_[i];
        if (child->zOrder_ < zOrder_ && child->mouseWheel(x, y, wheelDeltaX, wheelDeltaY, mstate))
            return true;
    }
    return false;
}

bool UIElement::mouseMove(int x, int y, int dx, int dy, MouseState mstate,
                          bool alreadyFoundMouseOver) noexcept {
    bool found = alreadyFoundMouseOver;
    rebuildZOrderedChildren();
    for (std::size_t i = 0; i < zOrderedChildren_.length(); ++i) {
        UIElement* child = zOrderedChildren_[i];
        if (child->zOrder_ >= zOrder_)
            found = child->mouseMove(x, y, dx, dy, mstate, found) || found;
    }
    int lx = x - position_.min.x, ly = y - position_.min.y;
    if (context_->dragged() == this) onMouseDrag(lx, ly, dx, dy, mstate);
    if (contains(lx, ly)) {
        if (!found) {
            context_->setMouseOver(this);
            found = true;
        }
        onMouseMove(lx, ly, dx, dy, mstate);
    }
    rebuildZOrderedChildren();
    for (std::size_t i = 0; i < zOrderedChildren_.length(); ++i) {
        UIElement* child = zOrderedChildren_[i];
        if (child->zOrder_ < zOrder_)
            found = child->mouseMove(x, y, dx, dy, mstate, found) || found;
    }
    return found;
}

void UIElement::mouseRelease(int, int, MouseButton, MouseState) noexcept {
    context_->stopDragging();
}

bool UIElement::keyDown(Key key) noexcept {
    if (onKeyDown(key)) return true;
    for (std::size_t i = 0; i < children_.length(); ++i)
        if (children_[i]->keyDown(key)) return true;
    return false;
}

bool UIElement::keyUp(Key key) noexcept {
    if (onKeyUp(key)) return true;
    for (std::size_t i = 0; i < children_.length(); ++i)
        if (children_[i]->keyUp(key)) return true;
    return false;
}

void UIElement::animate(double dt, double time) noexcept {
    if (flags_ & isAnimated) onAnimate(dt, time);
    for (std::size_t i = 0; i < children_.length(); ++i) children_[i]->animate(dt, time);
}

DirtyRectList* UIElement::listFor(UILayer layer) noexcept {
    if (context_ == nullptr) return nullptr;
    switch (layer) {
        case UILayer::allLayers:
            return &context_->dirtyListPBR;
        case UILayer::rawOnly:
            return &context_->dirtyListRaw;
        default:
            // The raw layer is redrawn over every PBR area anyway.
            if (flags_ & drawsPBR) return &context_->dirtyListPBR;
            if (flags_ & drawsRaw) return &context_->dirtyListRaw;
            return nullptr;
    }
}

void UIElement::setDirty(const box2i& rect, UILayer layer) noexcept {
    DirtyRectList* list = listFor(layer);
    if (list == nullptr) return;
    // Clipped to the element in its own coordinates first, so that translating cannot
    // overflow; the list clips to the window.
    const box2i at = positionFromAnyThread();
    box2i local;
    if (!clipTo(rect, box2i(0, 0, at.width(), at.height()), local)) return;
    list->addRect(box2i(local.min.x + at.min.x, local.min.y + at.min.y, local.max.x + at.min.x,
                        local.max.y + at.min.y));
}

void UIElement::setDirtyWhole(UILayer layer) noexcept {
    DirtyRectList* list = listFor(layer);
    if (list != nullptr) list->addRect(positionFromAnyThread());
}

void UIElement::getDrawLists(Vec<UIElement*>& listRaw, Vec<UIElement*>& listPBR) noexcept {
    if (!visible_) return;
    if (flags_ & drawsRaw) listRaw.pushBack(this);
    if (flags_ & drawsPBR) listPBR.pushBack(this);
    for (std::size_t i = 0; i < children_.length(); ++i)
        children_[i]->getDrawLists(listRaw, listPBR);
}

bool UIElement::collectLocalAreas(const box2i& visible, std::span<const box2i> areas) noexcept {
    localAreas_.clearContents();
    for (const box2i& area : areas) {
        box2i i;
        if (clipTo(area, visible, i))
            localAreas_.pushBack(box2i(i.min.x - visible.min.x, i.min.y - visible.min.y,
                                       i.max.x - visible.min.x, i.max.y - visible.min.y));
    }
    return localAreas_.length() > 0;
}

void UIElement::renderRaw(ImageRef<RGBA> rawMap, std::span<const box2i> areas) noexcept {
    box2i visible;
    if (!clipTo(position_, box2i(0, 0, rawMap.w, rawMap.h), visible)) return;
    if (!collectLocalAreas(visible, areas)) return;
    onDrawRaw(cropImageRef(rawMap, visible), localAreas_.slice());
}

void UIElement::renderPBR(ImageRef<RGBA> diffuseMap, ImageRef<L16> depthMap,
                          ImageRef<RGBA> materialMap, std::span<const box2i> areas) noexcept {
    box2i visible;
    if (!clipTo(position_, box2i(0, 0, diffuseMap.w, diffuseMap.h), visible)) return;
    if (!collectLocalAreas(visible, areas)) return;
    onDrawPBR(cropImageRef(diffuseMap, visible), cropImageRef(depthMap, visible),
              cropImageRef(materialMap, visible), localAreas_.slice());
}

}  // namespace rigging
