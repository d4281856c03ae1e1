#include "rigging/window/x11keys.h"

#include <X11/keysym.h>

namespace rigging {

Key keyFromKeysym(unsigned long k) noexcept {
    auto key = [](int v) { return static_cast<Key>(v); };
    if (k == XK_space) return Key::space;
    if (k >= XK_0 && k <= XK_9) return key(5 + static_cast<int>(k - XK_0));
    if (k >= XK_A && k <= XK_Z) return key(41 + static_cast<int>(k - XK_A));
    if (k >= XK_a && k <= XK_z) return key(15 + static_cast<int>(k - XK_a));
    if (k >= XK_KP_0 && k <= XK_KP_9) return key(5 + static_cast<int>(k - XK_KP_0));
    switch (k) {
        case XK_BackSpace:
            return Key::backspace;
        case XK_Return:
        case XK_KP_Enter:
            return Key::enter;
        case XK_Escape:
            return Key::escape;
        case XK_Left:
            return Key::leftArrow;
        case XK_Up:
            return Key::upArrow;
        case XK_Right:
            return Key::rightArrow;
        case XK_Down:
            return Key::downArrow;
        default:
            return Key::unsupported;
    }
}

}  // namespace rigging
