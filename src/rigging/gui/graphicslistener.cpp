#include "rigging/gui/graphicslistener.h"

#include "rigging/gui/boxlist.h"

namespace rigging {

bool GUIGraphics::WindowListener::onMouseClick(int x, int y, MouseButton mb, bool isDoubleClick,
                                               MouseState mstate) noexcept {
    bool taken = gui_.mouseClick(x, y, mb, isDoubleClick, mstate);
    // A click on nothing takes the keyboard away from whoever had it, and leaves no element
    // for the next press to complete a double click on.
    if (!taken) {
        gui_.context()->setFocused(nullptr);
        gui_.context()->setLastClicked(nullptr);
    }
    return taken;
}

bool GUIGraphics::WindowListener::onMouseRelease(int x, int y, MouseButton mb,
                                                 MouseState mstate) noexcept {
    // Taken when it ends a drag.
    bool dragging = gui_.context()->dragged() != nullptr;
    gui_.mouseRelease(x, y, mb, mstate);
    return dragging;
}

bool GUIGraphics::WindowListener::onMouseWheel(int x, int y, int wheelDeltaX, int wheelDeltaY,
                                               MouseState mstate) noexcept {
    return gui_.mouseWheel(x, y, wheelDeltaX, wheelDeltaY, mstate);
}

void GUIGraphics::WindowListener::onMouseMove(int x, int y, int dx, int dy,
                                              MouseState mstate) noexcept {
    if (!gui_.mouseMove(x, y, dx, dy, mstate, false)) gui_.context()->setMouseOver(nullptr);
}

void GUIGraphics::WindowListener::recomputeDirtyAreas() noexcept {
    gui_.recomputeDirtyAreas();
}

bool GUIGraphics::WindowListener::onKeyDown(Key key) noexcept {
    UIElement* focused = gui_.context()->focused();
    if (focused != nullptr && focused->onKeyDown(key)) return true;
    return gui_.keyDown(key);
}

bool GUIGraphics::WindowListener::onKeyUp(Key key) noexcept {
    UIElement* focused = gui_.context()->focused();
    if (focused != nullptr && focused->onKeyUp(key)) return true;
    return gui_.keyUp(key);
}

geom::box2i GUIGraphics::WindowListener::getDirtyRectangle() noexcept {
    return boundingBox(gui_.areasToUpdate_.slice());
}

void GUIGraphics::WindowListener::getDirtyAreas(Vec<geom::box2i>& areas) noexcept {
    areas.pushBack(gui_.areasToDisplay_.slice());
}

ImageRef<RGBA> GUIGraphics::WindowListener::onResized(int width, int height) noexcept {
    return gui_.doResize(width, height);
}

void GUIGraphics::WindowListener::onDraw(WindowPixelFormat pf) noexcept {
    gui_.doDraw(pf);
}

void GUIGraphics::WindowListener::onMouseCaptureCancelled() noexcept {
    gui_.context()->stopDragging();
}

void GUIGraphics::WindowListener::onAnimate(double dt, double time) noexcept {
    gui_.animate(dt, time);
}

MouseCursor GUIGraphics::WindowListener::getMouseCursor() noexcept {
    return gui_.context()->getCurrentMouseCursor();
}

}  // namespace rigging
