#pragma once
// How GUIGraphics answers its window: every call is forwarded to the root element.

#include "rigging/gui/graphics.h"

namespace rigging {

class GUIGraphics::WindowListener final : public IWindowListener {
public:
    explicit WindowListener(GUIGraphics& gui) noexcept : gui_(gui) {}

    bool onMouseClick(int x, int y, MouseButton mb, bool isDoubleClick,
                      MouseState mstate) noexcept override;
    bool onMouseRelease(int x, int y, MouseButton mb, MouseState mstate) noexcept override;
    bool onMouseWheel(int x, int y, int wheelDeltaX, int wheelDeltaY,
                      MouseState mstate) noexcept override;
    void onMouseMove(int x, int y, int dx, int dy, MouseState mstate) noexcept override;
    void recomputeDirtyAreas() noexcept override;
    bool onKeyDown(Key key) noexcept override;
    bool onKeyUp(Key key) noexcept override;
    geom::box2i getDirtyRectangle() noexcept override;
    void getDirtyAreas(Vec<geom::box2i>& areas) noexcept override;
    ImageRef<RGBA> onResized(int width, int height) noexcept override;
    void onDraw(WindowPixelFormat pf) noexcept override;
    void onMouseCaptureCancelled() noexcept override;
    void onAnimate(double dt, double time) noexcept override;
    MouseCursor getMouseCursor() noexcept override;

private:
    GUIGraphics& gui_;
};

}  // namespace rigging
