#pragma once
// The base of every widget and of the editor's root: a rectangle, children, the layers it
// draws on, a z-order and two cursors. It routes input down the tree by z-order, records
// dirty rectangles in the shared context, and hands its drawing callbacks crops of the
// window-sized layers.
//
// The tree changes (addChild, removeChild, destroying an element, reflow) only on the window's
// threads, inside its serialised callbacks; preferably in onAnimate, so that no dispatch is
// walking the children meanwhile. Every other thread (host automation, the audio thread) only
// stores values or pending flags and calls setDirty / setDirtyWhole, which lock.

#include <cstdint>
#include <span>

#include "geom/box.h"
#include "rigging/core/vec.h"
#include "rigging/graphics/color.h"
#include "rigging/graphics/image.h"
#include "rigging/gui/context.h"
#include "rigging/window/window.h"

namespace rigging {

// Flags given to an element's constructor; any combination.
enum UIFlags : std::uint32_t {
    drawsRaw = 1,    // draws on the raw layer (onDrawRaw)
    drawsPBR = 2,    // draws on the lit layers (onDrawPBR)
    isAnimated = 4,  // receives onAnimate
};

enum class UILayer : std::int32_t {
    guessFromFlags = 0,  // the PBR list for a PBR element, else the raw list for a raw one
    rawOnly = 1,
    allLayers = 2,  // the PBR list: everything composited over it is redrawn too
};

class UIElement {
public:
    UIElement(UIContext* context, std::uint32_t flags) noexcept;
    UIElement(const UIElement&) = delete;
    UIElement& operator=(const UIElement&) = delete;
    // Ends every role the element holds in the context, and leaves its parent's children; the
    // children stay alive (their owner destroys them) and lose their parent.
    virtual ~UIElement();

    UIElement* parent() const noexcept { return parent_; }
    std::span<UIElement* const> children() const noexcept { return children_.slice(); }
    // Window pixels, absolute; min inclusive, max exclusive. Setting it marks nothing dirty.
    const geom::box2i& position() const noexcept { return position_; }
    void setPosition(const geom::box2i& p) noexcept;
    // The position as another thread may read it while the window threads move the element.
    geom::box2i positionFromAnyThread() const noexcept;
    std::uint32_t flags() const noexcept { return flags_; }
    bool isVisible() const noexcept { return visible_; }
    int zOrder() const noexcept { return zOrder_; }
    void setZOrder(int z) noexcept { zOrder_ = z; }
    UIContext* context() const noexcept { return context_; }

    // Places the element at `box`, then reflows each child with the same box.
    virtual void reflow(const geom::box2i& box) noexcept;

    // Handlers take coordinates relative to position().min. The mouse and key handlers
    // return whether they took the event; by default they take nothing. onMouseClick's
    // isDoubleClick holds only when this element took the press before too.
    virtual bool onMouseClick(int x, int y, MouseButton button, bool isDoubleClick,
                              MouseState mstate) noexcept;
    virtual bool onMouseWheel(int x, int y, int wheelDeltaX, int wheelDeltaY,
                              MouseState mstate) noexcept;
    virtual void onMouseMove(int x, int y, int dx, int dy, MouseState mstate) noexcept;
    virtual void onBeginDrag() noexcept {}
    // Called for every motion while this element is dragged, inside it or not.
    virtual void onMouseDrag(int x, int y, int dx, int dy, MouseState mstate) noexcept;
    virtual void onStopDrag() noexcept {}
    virtual void onMouseEnter() noexcept {}
    virtual void onMouseExit() noexcept {}
    virtual void onFocusEnter() noexcept {}
    virtual void onFocusExit() noexcept {}
    virtual bool onKeyDown(Key key) noexcept;
    virtual bool onKeyUp(Key key) noexcept;

    // (x, y) relative to position().min lies inside the element.
    virtual bool contains(int x, int y) noexcept;

    // onAnimate when animated, then every child in child order (dt and time in ms).
    virtual void animate(double dt, double time) noexcept;

    // Mark a rectangle (element coordinates) or the whole element for redrawing, clipped to
    // the element and to the window. Safe from any thread.
    virtual void setDirtyWhole(UILayer layer = UILayer::guessFromFlags) noexcept;
    virtual void setDirty(const geom::box2i& rect,
                          UILayer layer = UILayer::guessFromFlags) noexcept;

    virtual MouseCursor cursorWhenDragged() noexcept { return cursorWhenDragged_; }
    virtual void setCursorWhenDragged(MouseCursor c) noexcept { cursorWhenDragged_ = c; }
    virtual MouseCursor cursorWhenMouseOver() noexcept { return cursorWhenMouseOver_; }
    virtual void setCursorWhenMouseOver(MouseCursor c) noexcept { cursorWhenMouseOver_ = c; }

    // The maps are cropped to the element's visible part, so (0, 0) is its top-left corner
    // when it lies wholly in the window; every dirty rectangle lies inside them. Only pixels
    // inside the dirty rectangles may be written: neighbours may be drawing at the same time.
    virtual void onDrawRaw(ImageRef<RGBA> rawMap, std::span<const geom::box2i> dirtyRects) noexcept;
    // By default an 8-pixel grey checkerboard at depth 15000.
    virtual void onDrawPBR(ImageRef<RGBA> diffuseMap, ImageRef<L16> depthMap,
                           ImageRef<RGBA> materialMap,
                           std::span<const geom::box2i> dirtyRects) noexcept;
    virtual void onAnimate(double dt, double time) noexcept;

    // Children are not owned. Nothing is marked dirty.
    void addChild(UIElement* e) noexcept;
    // Does nothing unless e is a child. Marks e dirty, ends the roles that e and the elements
    // below it hold in the context (calling their handlers), and removes it; the last child
    // takes its slot.
    void removeChild(UIElement* e) noexcept;

    // Dispatchers, in window coordinates. Children whose z-order is at least this element's
    // are tried before it, the others after it; equal z-orders keep child order.
    bool mouseClick(int x, int y, MouseButton button, bool isDoubleClick,
                    MouseState mstate) noexcept;
    bool mouseWheel(int x, int y, int wheelDeltaX, int wheelDeltaY, MouseState mstate) noexcept;
    // Returns whether a hovered element was found in this subtree or before.
    bool mouseMove(int x, int y, int dx, int dy, MouseState mstate,
                   bool alreadyFoundMouseOver) noexcept;
    // Ends any drag; the tree is not visited.
    void mouseRelease(int x, int y, MouseButton button, MouseState mstate) noexcept;
    bool keyDown(Key key) noexcept;
    bool keyUp(Key key) noexcept;

    // Appends the visible subtree's raw and PBR elements, parents before children.
    void getDrawLists(Vec<UIElement*>& listRaw, Vec<UIElement*>& listPBR) noexcept;
    // Crop the window-sized maps to the element and call its drawing callback with the areas
    // that touch it, if any.
    void renderRaw(ImageRef<RGBA> rawMap, std::span<const geom::box2i> areas) noexcept;
    void renderPBR(ImageRef<RGBA> diffuseMap, ImageRef<L16> depthMap, ImageRef<RGBA> materialMap,
                   std::span<const geom::box2i> areas) noexcept;

protected:
    // For an owner that destroys the context before this element's destructor runs (the root
    // owns it): the element forgets it first.
    UIContext* releaseContext() noexcept;

private:
    void rebuildZOrderedChildren() noexcept;
    // The areas that meet the visible part, relative to it; false when none.
    bool collectLocalAreas(const geom::box2i& visible, std::span<const geom::box2i> areas) noexcept;
    DirtyRectList* listFor(UILayer layer) noexcept;

    UIElement* parent_ = nullptr;
    geom::box2i position_;
    Vec<UIElement*> children_;
    bool visible_ = true;
    std::uint32_t flags_;
    int zOrder_ = 0;
    UIContext* context_;
    Vec<geom::box2i> localAreas_;
    Vec<UIElement*> zOrderedChildren_;
    MouseCursor cursorWhenDragged_ = MouseCursor::pointer;
    MouseCursor cursorWhenMouseOver_ = MouseCursor::pointer;
};

}  // namespace rigging
