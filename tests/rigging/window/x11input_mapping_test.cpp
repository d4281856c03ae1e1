// Keys, buttons, modifiers and double clicks of X events as the GUI sees them.

// GoogleTest before X.h, whose None macro breaks its templates.
// clang-format off
#include <gtest/gtest.h>
#include <X11/X.h>
#include <X11/keysym.h>
// clang-format on

#include "rigging/window/x11keys.h"
#include "rigging/window/x11mouse.h"

using namespace rigging;

namespace {

int keyOf(unsigned long keysym) {
    return static_cast<int>(keyFromKeysym(keysym));
}

TEST(X11Keys, RangesMapWithTheirNeighboursOutside) {
    for (int i = 0; i < 26; ++i) {
        EXPECT_EQ(keyOf(XK_a + i), 15 + i);
        EXPECT_EQ(keyOf(XK_A + i), 41 + i);
        if (i < 10) {
            EXPECT_EQ(std::pair(keyOf(XK_0 + i), keyOf(XK_KP_0 + i)), std::pair(5 + i, 5 + i));
        }
    }
    // Around each range, keypad keys other than digits and Enter, other printable characters.
    for (unsigned long k : std::initializer_list<unsigned long>{
             XK_slash, XK_colon, XK_at, XK_bracketleft, XK_grave, XK_braceleft, XK_KP_Begin,
             XK_KP_Decimal, XK_KP_Space, XK_Tab, XK_Delete, XK_exclam, XK_Shift_L, 0, 0xFFFFFF})
        EXPECT_EQ(keyOf(k), 70) << k;
    EXPECT_EQ(keyOf(XK_KP_Enter), 68);
}

TEST(X11Buttons, OneToThreeClickFourAndFiveScrollTheRestIsIgnored) {
    using Kind = X11ButtonMeaning::Kind;
    EXPECT_EQ(meaningOfX11Button(1).button, MouseButton::left);
    EXPECT_EQ(meaningOfX11Button(2).button, MouseButton::middle);
    EXPECT_EQ(meaningOfX11Button(3).button, MouseButton::right);
    EXPECT_EQ(std::pair(meaningOfX11Button(4).kind, meaningOfX11Button(4).wheelDeltaY),
              std::pair(Kind::wheel, 1));
    EXPECT_EQ(std::pair(meaningOfX11Button(5).kind, meaningOfX11Button(5).wheelDeltaY),
              std::pair(Kind::wheel, -1));
    for (unsigned b : {0u, 6u, 7u, 8u, 9u, 255u})
        EXPECT_EQ(meaningOfX11Button(b).kind, Kind::ignored) << b;
}

TEST(X11Buttons, StateNamesButtonsAndModifiersAndNothingElse) {
    MouseState all = mouseStateFromX11(Button1Mask | Button2Mask | Button3Mask | ControlMask |
                                       ShiftMask | Mod1Mask);
    EXPECT_TRUE(all.leftButtonDown && all.middleButtonDown && all.rightButtonDown &&
                all.ctrlPressed && all.shiftPressed && all.altPressed);
    EXPECT_FALSE(all.x1ButtonDown || all.x2ButtonDown);
    MouseState some = mouseStateFromX11(Button3Mask | Mod1Mask);
    EXPECT_TRUE(some.rightButtonDown && some.altPressed);
    EXPECT_FALSE(some.leftButtonDown || some.middleButtonDown || some.ctrlPressed ||
                 some.shiftPressed);
    // Num Lock, Caps Lock, the other modifiers and the wheel buttons change nothing.
    MouseState other = mouseStateFromX11(Mod2Mask | LockMask | Mod4Mask | Mod5Mask | Button4Mask);
    EXPECT_FALSE(other.leftButtonDown || other.rightButtonDown || other.middleButtonDown ||
                 other.ctrlPressed || other.shiftPressed || other.altPressed);
}

TEST(DoubleClick, TheSameButtonWithinHalfASecondAndFourPixels) {
    const X11Press first{1000000, 100, 200, MouseButton::left};
    auto after = [&](std::uint64_t us, int dx, int dy, MouseButton b = MouseButton::left) {
        return isDoubleClick(first, X11Press{first.timeUs + us, 100 + dx, 200 + dy, b});
    };
    EXPECT_TRUE(after(0, 0, 0));
    EXPECT_TRUE(after(500000, 0, 0));
    EXPECT_FALSE(after(500001, 0, 0));
    EXPECT_FALSE(isDoubleClick(first, X11Press{999999, 100, 200, MouseButton::left}))
        << "a clock gone backwards";
    // Distance is measured as the crow flies, either way.
    EXPECT_TRUE(after(1, 4, 0));
    EXPECT_TRUE(after(1, 0, -4));
    EXPECT_FALSE(after(1, -5, 0));
    EXPECT_FALSE(after(1, 3, 3));
    EXPECT_FALSE(after(1, 0, 1 << 30)) << "far coordinates do not wrap round";
    EXPECT_FALSE(after(1, 0, 0, MouseButton::right));
    EXPECT_TRUE(isDoubleClick(X11Press{5, 0, 0, MouseButton::middle},
                              X11Press{9, 2, 2, MouseButton::middle}));
}

}  // namespace
