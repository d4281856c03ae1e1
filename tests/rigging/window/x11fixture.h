#pragma once
// What the X window tests share: a test connection with a parent window standing in for the
// host's, an error counter, and a listener that records every call a window makes.

// GoogleTest before Xlib, whose macros (None, Bool, ...) would break its templates.
// GoogleTest before the X headers, whose macros (None, Bool, ...) break its templates; the
// tests take their X headers from here.
// clang-format off
#include <gtest/gtest.h>
#include <X11/Xlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <X11/extensions/XTest.h>
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

// Polls `done` every 2 ms for up to `ms` milliseconds.
bool waitUntil(const std::function<bool()>& done, int ms = 2000);

// X errors seen by any connection of the process since the last reset (Xlib's own handler
// would end the process instead).
int xErrorCount();
void resetXErrorCount();

struct InputEvent {
    enum Kind { click, release, wheel, move, keyDown, keyUp } kind;
    explicit InputEvent(Kind k) : kind(k) {}
    int x = 0, y = 0;
    rigging::MouseButton button = rigging::MouseButton::left;
    bool isDoubleClick = false;
    int dx = 0, dy = 0;  // motion
    int wheelX = 0, wheelY = 0;
    rigging::MouseState state;
    rigging::Key key = rigging::Key::unsupported;
};

struct AnimateCall {
    double dt, time;
    Clock::time_point at;
};

// Records calls and checks that the window serialises them: calls that touch the element tree
// never overlap, and neither do drawing and the dirty-area recomputation.
class RecordingListener : public rigging::IWindowListener {
public:
    RecordingListener();

    bool onMouseClick(int x, int y, rigging::MouseButton mb, bool isDoubleClick,
                      rigging::MouseState mstate) noexcept override;
    bool onMouseRelease(int x, int y, rigging::MouseButton mb,
                        rigging::MouseState mstate) noexcept override;
    bool onMouseWheel(int x, int y, int wheelDeltaX, int wheelDeltaY,
                      rigging::MouseState mstate) noexcept override;
    void onMouseMove(int x, int y, int dx, int dy, rigging::MouseState mstate) noexcept override;
    bool onKeyDown(rigging::Key key) noexcept override;
    bool onKeyUp(rigging::Key key) noexcept override;
    void onDraw(rigging::WindowPixelFormat pf) noexcept override;
    rigging::ImageRef<rigging::RGBA> onResized(int width, int height) noexcept override;
    void recomputeDirtyAreas() noexcept override;
    geom::box2i getDirtyRectangle() noexcept override;
    void onMouseCaptureCancelled() noexcept override {}
    void onAnimate(double dt, double time) noexcept override;
    rigging::MouseCursor getMouseCursor() noexcept override;

    // Reported by getDirtyRectangle from the next recomputation until the draw after it.
    void requestRepaint(const geom::box2i& r);
    // Reported for ever (until the next call of either).
    void reportDirtyForever(const geom::box2i& r);
    void setCursor(rigging::MouseCursor c) { cursor_ = c; }

    std::vector<InputEvent> events();
    std::vector<AnimateCall> animateCalls();
    void clearEvents();
    // Waits until at least `count` input events are recorded.
    bool waitForEvents(std::size_t count, int ms = 2000);

    int resizeCount() const { return resizeCount_; }
    int lastResizeWidth() const { return lastW_; }
    int lastResizeHeight() const { return lastH_; }
    int drawCount() const { return drawCount_; }
    int overlapViolations() const { return overlaps_; }
    // Buffer pixel (x, y) as an X pixel value of a 24-bit TrueColor visual.
    unsigned long expectedPixel(int x, int y);
    int width() const { return w_; }
    int height() const { return h_; }

private:
    struct Scope {
        Scope(std::atomic<int>& inside, std::atomic<int>& violations);
        ~Scope();
        std::atomic<int>& inside_;
    };
    void record(const InputEvent& e);

    std::mutex mutex_;
    std::vector<InputEvent> events_;
    std::vector<AnimateCall> animate_;
    std::vector<std::uint8_t> pixels_;
    int w_ = 0, h_ = 0;
    std::atomic<int> resizeCount_{0};
    std::atomic<int> lastW_{0}, lastH_{0};
    std::atomic<int> drawCount_{0};
    std::atomic<int> drawGeneration_{0};
    // As a real GUI does: what is asked for is taken at the timer's recomputation, and a draw
    // paints what was taken, so that every painted area is covered by an expose sent after it
    // was taken.
    geom::box2i requested_{0, 0, 0, 0};
    geom::box2i taken_{0, 0, 0, 0};
    bool dirtyForever_ = false;
    std::atomic<rigging::MouseCursor> cursor_{rigging::MouseCursor::pointer};
    std::atomic<int> insideTree_{0};
    std::atomic<int> insideDirty_{0};
    std::atomic<int> overlaps_{0};
};

// A test connection and a 1100 x 800 parent window at the screen's top-left corner; skips the
// test when no display can be opened.
class X11Test : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    rigging::IWindow* open(RecordingListener& listener, bool xembed = false, int width = 1000,
                           int height = 700);
    static Window handleOf(rigging::IWindow* w) {
        return static_cast<Window>(reinterpret_cast<std::uintptr_t>(w->systemHandle()));
    }
    Window parentOf(Window w);
    std::vector<Window> childrenOf(Window w);

    Display* dpy_ = nullptr;
    Window parent_ = 0;
    // Errors on the windows' own connection are swallowed there; a test that provokes them on
    // purpose says so, every other test must cause none.
    bool allowWindowErrors_ = false;
    int windowErrorsAtStart_ = 0;
};

}  // namespace windowtest
