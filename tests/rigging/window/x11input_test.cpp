// Input as a user gives it: synthetic pointer and keyboard input through the XTest extension
// reaches the listener with the buttons, wheel, modifiers, motion deltas and keys mapped.

#include "rigging/core/nogc.h"
#include "x11fixture.h"

using namespace rigging;
using namespace windowtest;

namespace {

class X11Input : public X11Test {
protected:
    void SetUp() override {
        X11Test::SetUp();
        if (dpy_ == nullptr) return;
        int ev, err, major, minor;
        if (!XTestQueryExtension(dpy_, &ev, &err, &major, &minor))
            GTEST_SKIP() << "the display has no XTest extension";
        window_ = open(listener_);
        ASSERT_NE(window_, nullptr);
        child_ = handleOf(window_);
        XSync(dpy_, False);
    }
    void TearDown() override {
        if (window_ != nullptr) {
            // Leave nothing held for the next test.
            XTestFakeButtonEvent(dpy_, 1, False, 0);
            XSync(dpy_, False);
            destroyFree(window_);
            EXPECT_EQ(listener_.overlapViolations(), 0);
        }
        X11Test::TearDown();
    }

    // Moves the pointer to window coordinates (x, y); the parent sits at the screen's origin.
    void moveTo(int x, int y) {
        XTestFakeMotionEvent(dpy_, -1, x, y, 0);
        XSync(dpy_, False);
    }
    // Leaves the window, then enters it at (x, y), waiting until the window saw the motion.
    void enterAt(int x, int y) {
        moveTo(1200, 1000);  // outside the parent too
        listener_.clearEvents();
        moveTo(x, y);
        ASSERT_TRUE(waitFor(InputEvent::move));
    }
    void button(unsigned b, bool press) {
        XTestFakeButtonEvent(dpy_, b, press ? True : False, 0);
        XSync(dpy_, False);
    }
    void key(KeySym k, bool press) {
        KeyCode code = XKeysymToKeycode(dpy_, k);
        ASSERT_NE(code, 0) << "no key for keysym " << k;
        XTestFakeKeyEvent(dpy_, code, press ? True : False, 0);
        XSync(dpy_, False);
    }
    bool waitFor(InputEvent::Kind kind, std::size_t n = 1) {
        return waitUntil([&] {
            std::size_t c = 0;
            for (const InputEvent& e : listener_.events()) c += e.kind == kind;
            return c >= n;
        });
    }
    std::vector<InputEvent> eventsOf(std::initializer_list<InputEvent::Kind> kinds) {
        std::vector<InputEvent> out;
        for (const InputEvent& e : listener_.events())
            for (auto k : kinds)
                if (e.kind == k) out.push_back(e);
        return out;
    }

    RecordingListener listener_;
    IWindow* window_ = nullptr;
    Window child_ = 0;
};

TEST_F(X11Input, ButtonsMapToLeftMiddleRightAndTheWheelNeverClicks) {
    enterAt(100, 120);
    // Every press and release of buttons 1 to 9, then a final left click as an end marker.
    for (unsigned b = 1; b <= 9; ++b) {
        button(b, true);
        button(b, false);
    }
    button(1, true);
    button(1, false);
    ASSERT_TRUE(waitFor(InputEvent::release, 4));

    auto got = eventsOf({InputEvent::click, InputEvent::release, InputEvent::wheel});
    using K = InputEvent::Kind;
    struct Expected {
        K kind;
        MouseButton button;
        int wheelY;
    };
    const Expected expected[] = {
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
        EXPECT_EQ(got[i].x, 100) << i;
        EXPECT_EQ(got[i].y, 120) << i;
        if (got[i].kind == K::wheel) {
            EXPECT_EQ(got[i].wheelX, 0);
            EXPECT_EQ(got[i].wheelY, expected[i].wheelY) << i;
        } else {
            EXPECT_EQ(got[i].button, expected[i].button) << i;
        }
    }
    // The state is the one before the event: a release still sees its button held.
    EXPECT_TRUE(got[1].state.leftButtonDown);
    EXPECT_TRUE(got[3].state.middleButtonDown);
    EXPECT_TRUE(got[5].state.rightButtonDown);
    EXPECT_FALSE(got[0].state.leftButtonDown);
}

TEST_F(X11Input, PressesWithinHalfASecondAreDoubleClicksWheelIncluded) {
    enterAt(300, 300);
    button(1, true);
    button(1, false);
    button(1, true);
    button(1, false);
    ASSERT_TRUE(waitFor(InputEvent::click, 2));
    auto clicks = eventsOf({InputEvent::click});
    EXPECT_FALSE(clicks[0].isDoubleClick) << "the first press after opening is single";
    EXPECT_TRUE(clicks[1].isDoubleClick);

    std::this_thread::sleep_for(std::chrono::milliseconds(520));
    button(1, true);  // more than half a second later
    button(1, false);
    button(4, true);  // a wheel step counts as the previous press
    button(4, false);
    button(3, true);
    button(3, false);
    ASSERT_TRUE(waitFor(InputEvent::click, 4));
    clicks = eventsOf({InputEvent::click});
    EXPECT_FALSE(clicks[2].isDoubleClick);
    EXPECT_TRUE(clicks[3].isDoubleClick);
    EXPECT_EQ(clicks[3].button, MouseButton::right);
}

TEST_F(X11Input, ModifiersAndHeldButtonsAccompanyMouseEvents) {
    enterAt(50, 60);
    struct Case {
        KeySym modifier;
        bool MouseState::*flag;
    };
    const Case cases[] = {{XK_Control_L, &MouseState::ctrlPressed},
                          {XK_Shift_L, &MouseState::shiftPressed},
                          {XK_Alt_L, &MouseState::altPressed}};
    for (const Case& c : cases) {
        listener_.clearEvents();
        key(c.modifier, true);
        button(1, true);
        button(1, false);
        key(c.modifier, false);
        button(1, true);  // after the modifier's release
        button(1, false);
        ASSERT_TRUE(waitFor(InputEvent::click, 2));
        auto clicks = eventsOf({InputEvent::click});
        EXPECT_TRUE(clicks[0].state.*c.flag) << c.modifier;
        EXPECT_FALSE(clicks[1].state.*c.flag) << c.modifier;
        int held =
            clicks[0].state.ctrlPressed + clicks[0].state.shiftPressed + clicks[0].state.altPressed;
        EXPECT_EQ(held, 1) << c.modifier;
    }
    // Dragging: motion with the left button down.
    listener_.clearEvents();
    button(1, true);
    moveTo(70, 65);
    ASSERT_TRUE(waitFor(InputEvent::move));
    EXPECT_TRUE(eventsOf({InputEvent::move}).back().state.leftButtonDown);
    button(1, false);
}

TEST_F(X11Input, FirstMotionAfterEnteringHasNoDelta) {
    enterAt(200, 150);
    auto moves = eventsOf({InputEvent::move});
    EXPECT_EQ(moves[0].x, 200);
    EXPECT_EQ(moves[0].y, 150);
    EXPECT_EQ(moves[0].dx, 0);
    EXPECT_EQ(moves[0].dy, 0);
    moveTo(205, 160);
    moveTo(201, 161);
    ASSERT_TRUE(waitFor(InputEvent::move, 3));
    moves = eventsOf({InputEvent::move});
    EXPECT_EQ(moves[1].dx, 5);
    EXPECT_EQ(moves[1].dy, 10);
    EXPECT_EQ(moves[2].dx, -4);
    EXPECT_EQ(moves[2].dy, 1);
    // Leaving and entering far away starts afresh instead of jumping.
    enterAt(900, 650);
    moves = eventsOf({InputEvent::move});
    EXPECT_EQ(moves[0].dx, 0);
    EXPECT_EQ(moves[0].dy, 0);
}

TEST_F(X11Input, KeysAreTranslatedOnPressAndRelease) {
    enterAt(500, 350);
    struct Case {
        KeySym keysym;
        bool shifted;
        Key expected;
    };
    const Case cases[] = {
        {XK_space, false, Key::space},         {XK_a, false, Key::lowerA},
        {XK_z, true, static_cast<Key>(66)},    {XK_7, false, static_cast<Key>(12)},
        {XK_BackSpace, false, Key::backspace}, {XK_Return, false, Key::enter},
        {XK_KP_Enter, false, Key::enter},      {XK_Escape, false, Key::escape},
        {XK_Up, false, Key::upArrow},          {XK_Down, false, Key::downArrow},
        {XK_Left, false, Key::leftArrow},      {XK_Right, false, Key::rightArrow},
        {XK_1, true, Key::unsupported},  // '!'
        {XK_F5, false, Key::unsupported},
    };
    for (const Case& c : cases) {
        listener_.clearEvents();
        if (c.shifted) key(XK_Shift_L, true);
        key(c.keysym, true);
        key(c.keysym, false);
        if (c.shifted) key(XK_Shift_L, false);
        std::size_t n = c.shifted ? 2 : 1;
        ASSERT_TRUE(waitFor(InputEvent::keyUp, n)) << c.keysym;
        auto downs = eventsOf({InputEvent::keyDown});
        auto ups = eventsOf({InputEvent::keyUp});
        ASSERT_EQ(downs.size(), n);
        // Shift itself is a key like any other the editor does not know.
        EXPECT_EQ(downs.back().key, c.expected) << c.keysym;
        EXPECT_EQ(ups.front().key, c.expected) << c.keysym;
        if (c.shifted) {
            EXPECT_EQ(downs.front().key, Key::unsupported);
        }
    }
}

}  // namespace
