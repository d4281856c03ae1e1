#pragma once
// The pointer over a widget tree, driven from its root as the window drives it: a press, moves
// that carry their distance from the last place, and a release where the pointer last was.

#include "rigging/gui/element.h"

namespace testsupport {

class Pointer {
public:
    explicit Pointer(rigging::UIElement& root) : root_(root) {}

    // A left press at (x, y); true when an element took it.
    bool click(int x, int y, rigging::MouseState s = {}, bool doubleClick = false) {
        x_ = x, y_ = y;
        return root_.mouseClick(x, y, rigging::MouseButton::left, doubleClick, s);
    }
    void moveTo(int x, int y, rigging::MouseState s = {}) {
        root_.mouseMove(x, y, x - x_, y - y_, s, false);
        x_ = x, y_ = y;
    }
    void moveBy(int dx, int dy, rigging::MouseState s = {}) { moveTo(x_ + dx, y_ + dy, s); }
    void release() { root_.mouseRelease(x_, y_, rigging::MouseButton::left, {}); }

private:
    rigging::UIElement& root_;
    int x_ = 0, y_ = 0;
};

inline rigging::MouseState ctrl() {
    rigging::MouseState s;
    s.ctrlPressed = true;
    return s;
}
inline rigging::MouseState alt() {
    rigging::MouseState s;
    s.altPressed = true;
    return s;
}

}  // namespace testsupport
