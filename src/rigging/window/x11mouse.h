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

// A press of a button that makes clicks (never a wheel step or an ignored button), as a double
// click needs it: when, where, which button.
struct X11Press {
    std::uint64_t timeUs;  // microseconds on the monotonic clock
    int x, y;
    MouseButton button;
};

// The window's half of the double-click rule: the same button as the press before, at most half
// a second later and at most 4 pixels from it. The GUI adds the other half: both presses must be
// taken by the same element.
constexpr std::uint64_t kDoubleClickMicroseconds = 500000;
constexpr int kDoubleClickPixels = 4;
constexpr bool isDoubleClick(const X11Press& previous, const X11Press& now) noexcept {
    const long long dx = now.x - previous.x, dy = now.y - previous.y;
    return now.button == previous.button &&
           now.timeUs - previous.timeUs <= kDoubleClickMicroseconds &&
           dx * dx + dy * dy <= kDoubleClickPixels * kDoubleClickPixels;
}

}  // namespace rigging
