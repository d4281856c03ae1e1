#include "rigging/window/x11keys.h"

#include <X11/keysym.h>
#include <gtest/gtest.h>

using namespace rigging;

namespace {

int keyOf(unsigned long keysym) {
    return static_cast<int>(keyFromKeysym(keysym));
}

TEST(KeyFromKeysym, DigitsAndLettersMapByRangeWithTheirNeighboursOutside) {
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(keyOf(XK_0 + i), 5 + i);
        EXPECT_EQ(keyOf(XK_KP_0 + i), 5 + i) << "keypad digit " << i;
    }
    for (int i = 0; i < 26; ++i) {
        EXPECT_EQ(keyOf(XK_a + i), 15 + i);
        EXPECT_EQ(keyOf(XK_A + i), 41 + i);
    }
    // The characters just around each range are no keys of ours.
    for (unsigned long k : std::initializer_list<unsigned long>{
             XK_slash, XK_colon, XK_at, XK_bracketleft, XK_grave, XK_braceleft})
        EXPECT_EQ(keyOf(k), 70) << k;
}

TEST(KeyFromKeysym, EditingAndArrowKeys) {
    EXPECT_EQ(keyOf(XK_space), 0);
    EXPECT_EQ(keyOf(XK_Up), 1);
    EXPECT_EQ(keyOf(XK_Down), 2);
    EXPECT_EQ(keyOf(XK_Left), 3);
    EXPECT_EQ(keyOf(XK_Right), 4);
    EXPECT_EQ(keyOf(XK_BackSpace), 67);
    EXPECT_EQ(keyOf(XK_Return), 68);
    EXPECT_EQ(keyOf(XK_KP_Enter), 68);
    EXPECT_EQ(keyOf(XK_Escape), 69);
    // Keypad keys other than digits and Enter, and keys that look alike, are not mapped.
    for (unsigned long k : std::initializer_list<unsigned long>{
             XK_KP_Begin, XK_KP_Up, XK_KP_Space, XK_KP_Decimal, XK_Tab, XK_Delete, XK_exclam,
             XK_Shift_L, XK_F1, 0ul, 0xFFFFFFul})
        EXPECT_EQ(keyOf(k), 70) << k;
}

}  // namespace
