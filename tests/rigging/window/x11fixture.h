#pragma once
// What the X window tests share: a test connection with a parent window standing in for the
// host's, and a listener that records every call a window makes.

// GoogleTest before the X headers, whose macros (None, Bool, ...) break its templates; the
// tests take their X headers from here.
// clang-format off
#include <gtest/gtest.h>
#include <X11/Xlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/XShm.h>
// clang-format on

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "rigging/window/window.h"

namespace windowtest {

using Clock = std::chrono::steady_clock;
using rigging::Key, rigging::MouseButton, rigging::MouseState, geom::box2i;

// Polls `done` every 2 ms for up to `ms` milliseconds.
bool waitUntil(const std::function<bool()>& done, int ms = 2000);

struct InputEvent {
    enum Kind { click, release, wheel, move, keyDown, keyUp, captureCancelled } kind;
    int x = 0, y = 0;
    MouseButton button = MouseButton::left;
    bool isDoubleClick = false;
    int dx = 0, dy = 0;  // motion, or the wheel's deltas
    MouseState state = {};
    Key key = Key::unsupported;
};

struct AnimateCall {
    double dt, time;
    Clock::time_point at;
};

// Records calls, and counts the calls that overlap where the window must serialise them:
// whatever touches the element tree, and drawing against the dirty-area recomputation.
class RecordingListener : public rigging::IWindowListener {
public:
    bool onMouseClick(int x, int y, MouseButton b, bool dbl, MouseState s) noexcept override {
        return add({.kind = InputEvent::click,
                    .x = x,
                    .y = y,
                    .button = b,
                    .isDoubleClick = dbl,
                    .state = s});
    }
    bool onMouseRelease(int x, int y, MouseButton b, MouseState s) noexcept override {
        return add({.kind = InputEvent::release, .x = x, .y = y, .button = b, .state = s});
    }
    bool onMouseWheel(int x, int y, int dx, int dy, MouseState s) noexcept override {
        return add({.kind = InputEvent::wheel, .x = x, .y = y, .dx = dx, .dy = dy, .state = s});
    }
    void onMouseMove(int x, int y, int dx, int dy, MouseState s) noexcept override {
        add({.kind = InputEvent::move, .x = x, .y = y, .dx = dx, .dy = dy, .state = s});
    }
    bool onKeyDown(Key k) noexcept override { return add({.kind = InputEvent::keyDown, .key = k}); }
    bool onKeyUp(Key k) noexcept override { return add({.kind = InputEvent::keyUp, .key = k}); }
    void onDraw(rigging::WindowPixelFormat pf) noexcept override;
    rigging::ImageRef<rigging::RGBA> onResized(int width, int height) noexcept override;
    // As a real GUI does, what was asked for is taken here and a draw paints what was taken:
    // every painted area is then covered by an expose sent after it was taken.
    void recomputeDirtyAreas() noexcept override;
    box2i getDirtyRectangle() noexcept override;
    void onMouseCaptureCancelled() noexcept override {
        add({.kind = InputEvent::captureCancelled});
    }
    void onAnimate(double dt, double time) noexcept override;
    rigging::MouseCursor getMouseCursor() noexcept override;

    // Reported from the next recomputation until the draw after it, or for ever.
    void requestRepaint(const box2i& r, bool forever = false);
    void setCursor(rigging::MouseCursor c) { cursor_ = c; }
    // Draws change only these parts of what is taken (everything when none are given).
    void setPaintOnly(std::vector<box2i> areas);

    std::vector<InputEvent> events(std::initializer_list<InputEvent::Kind> kinds);
    std::vector<AnimateCall> animateCalls();
    void clearEvents();
    // Waits until `count` events of this kind are recorded.
    bool waitFor(InputEvent::Kind kind, std::size_t count = 1);

    std::atomic<int> resizeCount{0}, lastWidth{0}, lastHeight{0}, drawCount{0}, overlaps{0};
    // Draws paint what the buffer already holds.
    std::atomic<bool> paintSame{false};
    // The pixel that the window should show at (x, y), as 0xRRGGBB.
    unsigned long expectedPixel(int x, int y);

private:
    bool add(const InputEvent& e);
    struct Inside {
        Inside(std::atomic<int>& n, std::atomic<int>& overlaps) : n_(n) {
            if (n_++ != 0) overlaps++;
        }
        ~Inside() { n_--; }
        std::atomic<int>& n_;
    };

    std::mutex mutex_;
    std::vector<InputEvent> events_;
    std::vector<AnimateCall> animate_;
    std::vector<std::uint8_t> pixels_;
    int w_ = 0, h_ = 0, generation_ = 0;
    box2i requested_{0, 0, 0, 0}, taken_{0, 0, 0, 0};
    std::vector<box2i> paintOnly_;
    bool forever_ = false;
    std::atomic<rigging::MouseCursor> cursor_{rigging::MouseCursor::pointer};
    std::atomic<int> insideTree_{0}, insideDirty_{0};
};

// A test connection and a 1100 x 800 parent window at the screen's top-left corner; skips the
// test when no display can be opened. X errors of the test connection are counted (Xlib's own
// handler would end the process); the windows' connection counts its own.
class X11Test : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    rigging::IWindow* open(RecordingListener& listener, bool xembed = false, int width = 1000,
                           int height = 700, bool sharedMemory = true);
    // Shared memory segments this process made that still exist.
    static int ownSharedSegments();
    // The server offers shared memory to the test connection.
    bool serverHasSharedMemory();
    static Window handleOf(rigging::IWindow* w) {
        return static_cast<Window>(reinterpret_cast<std::uintptr_t>(w->systemHandle()));
    }
    // XQueryTree: the parent of w, or its children.
    Window parentOf(Window w);
    std::vector<Window> childrenOf(Window w);
    static int testConnectionErrors();

    Display* dpy_ = nullptr;
    Window parent_ = 0;
    // A test that makes the server refuse the windows' requests on purpose says so; every
    // other test must cause no error on either connection.
    bool allowWindowErrors_ = false;
    int windowErrorsAtStart_ = 0;
};

}  // namespace windowtest
