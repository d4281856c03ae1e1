#pragma once
// What all elements of one editor share: the focused, dragged and hovered elements, the mouse
// cursor they choose, and the lists of rectangles to redraw, which any thread may add to.

#include "geom/box.h"
#include "rigging/core/sync.h"
#include "rigging/core/vec.h"
#include "rigging/window/window.h"

namespace rigging {

class UIElement;

// Non-empty, pairwise disjoint rectangles, all inside the clip box; locked, so that parameter
// listeners on host threads and the audio thread may add to it.
class DirtyRectList {
public:
    DirtyRectList() noexcept;
    DirtyRectList(const DirtyRectList&) = delete;
    DirtyRectList& operator=(const DirtyRectList&) = delete;

    // Adds what r covers beyond the stored rectangles: r itself is never cut; the stored
    // rectangles it overlaps are cut around it. r is first clipped to the clip box; what is
    // left empty or inverted adds nothing.
    void addRect(const geom::box2i& r) noexcept;

    // Appends every stored rectangle to `result` (not cleared first), in list order, and
    // empties the list.
    void pullAllRectangles(Vec<geom::box2i>& result) noexcept;

    // Rectangles are kept inside this box from now on; it starts as the whole non-negative
    // quadrant. Stored rectangles are clipped too.
    void setClip(const geom::box2i& clip) noexcept;

private:
    Vec<geom::box2i> rects_;
    UncheckedMutex mutex_;
    geom::box2i clip_;
};

// The element references are read and written only on the window threads, under the window's
// event mutex; the lists lock themselves.
class UIContext {
public:
    UIContext() noexcept = default;
    UIContext(const UIContext&) = delete;
    UIContext& operator=(const UIContext&) = delete;
    virtual ~UIContext() = default;

    UIElement* focused() const noexcept { return focused_; }
    UIElement* dragged() const noexcept { return dragged_; }
    UIElement* mouseOver() const noexcept { return mouseOver_; }
    // The element that took the last mouse press, null when nothing took it: a double click
    // completes only on it.
    UIElement* lastClicked() const noexcept { return lastClicked_; }
    void setLastClicked(UIElement* e) noexcept { lastClicked_ = e; }

    // Each calls the exit handler of the element losing the role and the enter handler of the
    // one gaining it; giving the role to the element that has it calls nothing.
    void setFocused(UIElement* e) noexcept;
    void setMouseOver(UIElement* e) noexcept;
    // A drag already under way is stopped first.
    void beginDragging(UIElement* e) noexcept;
    void stopDragging() noexcept;

    // The dragged element's drag cursor, else the hovered element's hover cursor, else the
    // arrow.
    MouseCursor getCurrentMouseCursor() noexcept;

    // An element leaving the tree: every role held by it or by an element below it ends, with
    // the handlers called (the elements are still alive).
    void releaseSubtree(UIElement* root) noexcept;
    // An element being destroyed: every reference to it is cleared and no handler is called.
    void forgetElement(UIElement* e) noexcept;

    // No dirty rectangle reaches past (0, 0)-(width, height).
    void setWindowSize(int width, int height) noexcept;

    // Rectangles whose PBR layer (and so everything over it) must be redrawn.
    DirtyRectList dirtyListPBR;
    // Rectangles where only the raw layer must be redrawn.
    DirtyRectList dirtyListRaw;
    // Guards element positions between the window threads, which move elements, and the
    // parameter listeners on host and audio threads, which mark an element dirty where it
    // is. Held only to copy a box.
    UncheckedMutex geometryMutex = makeMutex();

private:
    UIElement* focused_ = nullptr;
    UIElement* dragged_ = nullptr;
    UIElement* mouseOver_ = nullptr;
    UIElement* lastClicked_ = nullptr;
};

}  // namespace rigging
