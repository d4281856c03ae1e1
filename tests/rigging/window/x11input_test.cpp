// Input as a user gives it: synthetic pointer and key events through the XTest extension reach
// the listener with buttons, wheel, modifiers, motion deltas and keys mapped.

#include "rigging/core/nogc.h"
#include "x11fixture.h"

using namespace rigging;
using namespace windowtest;

namespace {

using K = InputEvent::Kind;

class X11Input : public X11Test {
protected:
    void SetUp() override {
        X11Test::SetUp();
        if (dpy_ == nullptr) return;
        int ev, err, major, minor;
        if (!XTestQueryExtension(dpy_, &ev, &err, &major, &minor)) GTEST_SKIP() << "no XTest";
        window_ = open(listener_);
        ASSERT_NE(window_, nullptr);
    }
    void TearDown() override {
        if (window_ != nullptr) {
            destroyFree(window_);
            EXPECT_EQ(listener_.overlaps, 0);
        }
        X11Test::TearDown();
    }
    // Window coordinates are screen coordinates: the parent sits at the origin.
    void moveTo(int x, int y) {
        XTestFakeMotionEvent(dpy_, -1, x, y, 0);
        XSync(dpy_, False);
    }
    void enterAt(int x, int y) {
        moveTo(1200, 1000);  // outside the parent too
        listener_.clearEvents();
        moveTo(x, y);
        ASSERT_TRUE(listener_.waitFor(K::move));
    }
    void button(unsigned b, bool press = true) {
        XTestFakeButtonEvent(dpy_, b, press, 0);
        if (press) XTestFakeButtonEvent(dpy_, b, False, 0);
        XSync(dpy_, False);
    }
    void key(KeySym k, bool press) {
        XTestFakeKeyEvent(dpy_, XKeysymToKeycode(dpy_, k), press, 0);
        XSync(dpy_, False);
    }

    RecordingListener listener_;
    IWindow* window_ = nullptr;
};

TEST_F(X11Input, ButtonsMapToLeftMiddleRightAndTheWheelNeverClicks) {
    enterAt(100, 120);
    for (unsigned b = 1; b <= 9; ++b) button(b);  // pressed and released
    button(1);                                    // an end marker
    ASSERT_TRUE(listener_.waitFor(K::release, 4));
    auto got = listener_.events({K::click, K::release, K::wheel});
    struct {
        K kind;
        MouseButton button;
        int wheel;
    } const expected[] = {
        {K::click, MouseButton::left, 0},
        {K::release, MouseButton::left, 0},
        {K::click, MouseButton::middle, 0},
        {K::release, MouseButton::middle, 0},
        {K::click, MouseButton::right, 0},
        {K::release, MouseButton::right, 0},
        {K::wheel, MouseButton::left, +1},
        {K::wheel, MouseButton::left, -1},
        // Buttons 6 to 9 (horizontal scroll, back, forward) give nothing at all.
        {K::click, MouseButton::left, 0},
        {K::release, MouseButton::left, 0},
    };
    ASSERT_EQ(got.size(), std::size(expected));
    for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].kind, expected[i].kind) << i;
        EXPECT_EQ(got[i].kind == K::wheel ? MouseButton::left : got[i].button, expected[i].button);
        EXPECT_EQ(got[i].dy, expected[i].wheel) << i;
        EXPECT_EQ(got[i].dx, 0) << i;
        EXPECT_EQ(std::pair(got[i].x, got[i].y), std::pair(100, 120)) << i;
    }
    // The state is the one before the event: a release still holds its button.
    EXPECT_FALSE(got[0].state.leftButtonDown);
    EXPECT_TRUE(got[1].state.leftButtonDown && got[3].state.middleButtonDown &&
                got[5].state.rightButtonDown);
}

TEST_F(X11Input, ADoubleClickIsTheSameButtonAgainWithinHalfASecondAndFourPixels) {
    // Clicks are timed as the window handles them, so a busy machine may bring two presses
    // closer than they were sent: keep well clear of the half second.
    auto later = [] { std::this_thread::sleep_for(std::chrono::milliseconds(700)); };
    enterAt(300, 300);
    button(1);
    button(1);
    later();
    button(1);
    later();
    button(4);  // wheel steps, horizontal scrolling
    button(1);  // and side buttons never start one
    later();
    button(6);
    button(7);
    button(8);
    button(1);
    button(3);  // another button
    button(3);
    moveTo(305, 300);
    button(3);  // 5 px away
    moveTo(305, 304);
    button(3);  // 4 px away
    ASSERT_TRUE(listener_.waitFor(K::click, 9));
    auto clicks = listener_.events({K::click});
    const bool expected[] = {false, true, false, false, false, false, true, false, true};
    ASSERT_EQ(clicks.size(), std::size(expected));
    for (std::size_t i = 0; i < clicks.size(); ++i)
        EXPECT_EQ(clicks[i].isDoubleClick, expected[i]) << "click " << i;
}

TEST_F(X11Input, ModifiersAndHeldButtonsAccompanyMouseEvents) {
    enterAt(50, 60);
    const std::pair<KeySym, bool MouseState::*> cases[] = {{XK_Control_L, &MouseState::ctrlPressed},
                                                           {XK_Shift_L, &MouseState::shiftPressed},
                                                           {XK_Alt_L, &MouseState::altPressed}};
    for (auto [modifier, flag] : cases) {
        listener_.clearEvents();
        key(modifier, true);
        button(1);
        key(modifier, false);
        button(1);
        ASSERT_TRUE(listener_.waitFor(K::click, 2));
        auto clicks = listener_.events({K::click});
        const MouseState& s = clicks[0].state;
        EXPECT_TRUE(s.*flag) << modifier;
        EXPECT_EQ(s.ctrlPressed + s.shiftPressed + s.altPressed, 1) << modifier;
        EXPECT_FALSE(clicks[1].state.*flag) << modifier;
    }
    listener_.clearEvents();
    button(1, false), XTestFakeButtonEvent(dpy_, 1, True, 0);  // hold the left button
    moveTo(70, 65);
    ASSERT_TRUE(listener_.waitFor(K::move));
    EXPECT_TRUE(listener_.events({K::move}).back().state.leftButtonDown);
    button(1, false);
}

// Another client taking the pointer, or a release that goes elsewhere: the next motion comes
// with no button held, and a drag left open would follow it.
TEST_F(X11Input, AMotionWithNoButtonAfterAPressWhoseReleaseNeverCameCancelsTheCapture) {
    enterAt(300, 200);
    XTestFakeButtonEvent(dpy_, 1, True, 0);
    moveTo(310, 200);
    ASSERT_TRUE(listener_.waitFor(K::move, 2));
    XEvent e{};
    e.xmotion.type = MotionNotify;
    e.xmotion.window = handleOf(window_);
    e.xmotion.x = 320;
    e.xmotion.y = 200;
    e.xmotion.state = 0;
    XSendEvent(dpy_, handleOf(window_), False, PointerMotionMask, &e);
    XSync(dpy_, False);
    ASSERT_TRUE(listener_.waitFor(K::move, 3));
    button(1, false);
    moveTo(330, 200);
    ASSERT_TRUE(listener_.waitFor(K::move, 4));
    std::vector<K> kinds;
    for (const InputEvent& ev : listener_.events({K::move, K::release, K::captureCancelled}))
        kinds.push_back(ev.kind);
    // Once, before the motion that shows it; the late release and plain hovering cancel nothing.
    EXPECT_EQ(kinds, (std::vector<K>{K::move, K::move, K::captureCancelled, K::move, K::release,
                                     K::move}));
}

TEST_F(X11Input, FirstMotionAfterEnteringHasNoDelta) {
    enterAt(200, 150);
    moveTo(205, 160);
    moveTo(201, 161);
    ASSERT_TRUE(listener_.waitFor(K::move, 3));
    auto moves = listener_.events({K::move});
    EXPECT_EQ(std::vector({moves[0].x, moves[0].y, moves[0].dx, moves[0].dy}),
              std::vector({200, 150, 0, 0}));
    EXPECT_EQ(std::vector({moves[1].dx, moves[1].dy, moves[2].dx, moves[2].dy}),
              std::vector({5, 10, -4, 1}));
    // Leaving and entering far away starts afresh instead of jumping.
    enterAt(900, 650);
    moves = listener_.events({K::move});
    EXPECT_EQ(std::pair(moves[0].dx, moves[0].dy), std::pair(0, 0));
}

TEST_F(X11Input, KeysAreTranslatedOnPressAndRelease) {
    enterAt(500, 350);
    const struct {
        KeySym keysym;
        bool shifted;
        int expected;
    } cases[] = {{XK_space, false, 0},     {XK_a, false, 15},         {XK_z, true, 66},
                 {XK_7, false, 12},        {XK_BackSpace, false, 67}, {XK_Return, false, 68},
                 {XK_KP_Enter, false, 68}, {XK_Escape, false, 69},    {XK_Up, false, 1},
                 {XK_Down, false, 2},      {XK_Left, false, 3},       {XK_Right, false, 4},
                 {XK_1, true, 70} /* ! */, {XK_F5, false, 70}};
    for (const auto& c : cases) {
        listener_.clearEvents();
        if (c.shifted) key(XK_Shift_L, true);
        key(c.keysym, true);
        key(c.keysym, false);
        if (c.shifted) key(XK_Shift_L, false);
        ASSERT_TRUE(listener_.waitFor(K::keyUp, c.shifted ? 2 : 1)) << c.keysym;
        auto downs = listener_.events({K::keyDown}), ups = listener_.events({K::keyUp});
        // Shift itself is a key like any other the editor does not know.
        EXPECT_EQ(static_cast<int>(downs.back().key), c.expected) << c.keysym;
        EXPECT_EQ(static_cast<int>(ups.front().key), c.expected) << c.keysym;
        EXPECT_EQ(static_cast<int>(downs.front().key), c.shifted ? 70 : c.expected);
    }
}

}  // namespace
