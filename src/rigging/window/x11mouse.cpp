#include "rigging/window/x11mouse.h"

#include <X11/X.h>

namespace rigging {

X11ButtonMeaning meaningOfX11Button(unsigned int xbutton) noexcept {
    using K = X11ButtonMeaning::Kind;
    switch (xbutton) {
        case Button1:
            return {K::click, MouseButton::left, 0};
        case Button2:
            return {K::click, MouseButton::middle, 0};
        case Button3:
            return {K::click, MouseButton::right, 0};
        case Button4:
            return {K::wheel, MouseButton::left, +1};
        case Button5:
            return {K::wheel, MouseButton::left, -1};
        default:
            return {K::ignored, MouseButton::left, 0};
    }
}

MouseState mouseStateFromX11(unsigned int s) noexcept {
    MouseState m;
    m.leftButtonDown = (s & Button1Mask) != 0;
    m.rightButtonDown = (s & Button3Mask) != 0;
    m.middleButtonDown = (s & Button2Mask) != 0;
    m.ctrlPressed = (s & ControlMask) != 0;
    m.shiftPressed = (s & ShiftMask) != 0;
    m.altPressed = (s & Mod1Mask) != 0;
    return m;
}

}  // namespace rigging
