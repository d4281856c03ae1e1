#pragma once
// Mouse buttons, modifier state and double clicks of X events as the GUI sees them.

#include <cstdint>

#include "rigging/window/window.h"

namespace rigging {

struct X11ButtonMeaning {
    enum class Kind { click, wheel, ignored } kind;
    MouseButton button;  // for a click
    int wheelDeltaY;     // for the wheel: +1 away from the user, -1 towards
};

// X buttons 1 to 3 are left, middle and right, 4 and 5 the vertical wheel. Higher numbers
// (horizontal scroll, back and forward) are ignored: taken as left clicks they would start
// drags, end them, and make double clicks that reset knobs.
X11ButtonMeaning meaningOfX11Button(unsigned int xbutton) noexcept;

// The buttons and modifiers held, from an X event's state field.
MouseState mouseStateFromX11(unsigned int xstate) noexcept;

// A press at most half a second after the previous one is a double click (microseconds).
constexpr std::uint64_t kDoubleClickMicroseconds = 500000;
constexpr bool isDoubleClick(std::uint64_t previousPressUs, std::uint64_t nowUs) noexcept {
    return nowUs - previousPressUs <= kDoubleClickMicroseconds;
}

}  // namespace rigging
