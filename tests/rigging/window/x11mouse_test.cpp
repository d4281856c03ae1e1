#include "rigging/window/x11mouse.h"

// GoogleTest before X.h, whose None macro breaks its templates.
// clang-format off
#include <gtest/gtest.h>
#include <X11/X.h>
// clang-format on

using namespace rigging;

namespace {

using Kind = X11ButtonMeaning::Kind;

TEST(X11Buttons, OneToThreeClickFourAndFiveScrollTheRestIsIgnored) {
    EXPECT_EQ(meaningOfX11Button(1).kind, Kind::click);
    EXPECT_EQ(meaningOfX11Button(1).button, MouseButton::left);
    EXPECT_EQ(meaningOfX11Button(2).button, MouseButton::middle);
    EXPECT_EQ(meaningOfX11Button(3).button, MouseButton::right);
    EXPECT_EQ(meaningOfX11Button(4).kind, Kind::wheel);
    EXPECT_EQ(meaningOfX11Button(4).wheelDeltaY, 1);
    EXPECT_EQ(meaningOfX11Button(5).kind, Kind::wheel);
    EXPECT_EQ(meaningOfX11Button(5).wheelDeltaY, -1);
    for (unsigned b : {0u, 6u, 7u, 8u, 9u, 10u, 255u})
        EXPECT_EQ(meaningOfX11Button(b).kind, Kind::ignored) << b;
}

TEST(X11Buttons, StateNamesEachButtonAndModifierAndNothingElse) {
    MouseState none = mouseStateFromX11(0);
    EXPECT_FALSE(none.leftButtonDown || none.rightButtonDown || none.middleButtonDown ||
                 none.ctrlPressed || none.shiftPressed || none.altPressed);
    EXPECT_TRUE(mouseStateFromX11(Button1Mask).leftButtonDown);
    EXPECT_TRUE(mouseStateFromX11(Button2Mask).middleButtonDown);
    EXPECT_TRUE(mouseStateFromX11(Button3Mask).rightButtonDown);
    EXPECT_TRUE(mouseStateFromX11(ControlMask).ctrlPressed);
    EXPECT_TRUE(mouseStateFromX11(ShiftMask).shiftPressed);
    EXPECT_TRUE(mouseStateFromX11(Mod1Mask).altPressed);
    // Num Lock, Caps Lock, the other modifiers and the extra buttons change nothing.
    MouseState other =
        mouseStateFromX11(Mod2Mask | LockMask | Mod4Mask | Mod5Mask | Button4Mask | Button5Mask);
    EXPECT_FALSE(other.leftButtonDown || other.rightButtonDown || other.middleButtonDown ||
                 other.ctrlPressed || other.shiftPressed || other.altPressed ||
                 other.x1ButtonDown || other.x2ButtonDown);
    MouseState all = mouseStateFromX11(Button1Mask | Button3Mask | ControlMask | Mod1Mask);
    EXPECT_TRUE(all.leftButtonDown && all.rightButtonDown && all.ctrlPressed && all.altPressed);
    EXPECT_FALSE(all.middleButtonDown || all.shiftPressed);
}

TEST(DoubleClick, HalfASecondIsTheLastDoubleClick) {
    EXPECT_TRUE(isDoubleClick(1000000, 1500000));
    EXPECT_FALSE(isDoubleClick(1000000, 1500001));
    EXPECT_TRUE(isDoubleClick(42, 42));
    // A clock that went backwards never makes a double click.
    EXPECT_FALSE(isDoubleClick(2000000, 1999999));
}

}  // namespace
