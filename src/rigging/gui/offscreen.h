#pragma once
// Runs a GUI without a window, for tests and tools: opening, timer ticks, input and an engine
// feed reach it through the same listener calls the X window makes, and the window buffer is
// there to look at. Everything but the feed runs on the caller's thread, one call at a time,
// as the window's two mutexes would serialise it.

#include <atomic>

#include "geom/box.h"
#include "rigging/core/taskref.h"
#include "rigging/core/thread.h"
#include "rigging/gui/graphics.h"
#include "rigging/window/window.h"

namespace rigging {

class OffscreenDriver {
public:
    // One 60th of a second, the window's timer period.
    static constexpr double kTickMs = 1000.0 / 60.0;

    explicit OffscreenDriver(GUIGraphics& gui) noexcept;
    // Stops the feed.
    ~OffscreenDriver();
    OffscreenDriver(const OffscreenDriver&) = delete;
    OffscreenDriver& operator=(const OffscreenDriver&) = delete;

    // What openUI does before and while the window is made: lay the tree out over the GUI's
    // size, mark everything dirty, and report the size.
    void open() noexcept;

    // One timer tick: onAnimate (dt in ms, time since open), recomputeDirtyAreas, and when the
    // dirty rectangle is not empty the draw its expose brings, in RGBA byte order. True when
    // it drew.
    bool tick(double dtMs = kTickMs) noexcept;
    // The dirty rectangle the last tick saw.
    geom::box2i lastDirtyRectangle() const noexcept { return lastDirty_; }
    double time() const noexcept { return time_; }

    // The window buffer (R, G, B, A in memory after a tick's draw).
    ImageRef<RGBA> image() const noexcept { return gui_.windowBuffer(); }

    // Input in window pixels. A move reports its distance from the last position the mouse
    // had (0 for the first).
    bool click(int x, int y, MouseButton button = MouseButton::left, bool isDoubleClick = false,
               MouseState state = {}) noexcept;
    bool release(int x, int y, MouseButton button = MouseButton::left,
                 MouseState state = {}) noexcept;
    void move(int x, int y, MouseState state = {}) noexcept;
    bool wheel(int x, int y, int deltaY, int deltaX = 0, MouseState state = {}) noexcept;
    bool keyDown(Key key) noexcept;
    bool keyUp(Key key) noexcept;
    MouseCursor cursor() noexcept;

    // The audio side: feed(i, 0) for i = 0, 1, ... on a thread of its own, periodNs apart,
    // until stopFeeder. The callable must outlive the feed. A feed already running is stopped
    // first.
    void startFeeder(TaskRef feed, long long periodNs = 1000000) noexcept;
    void stopFeeder() noexcept;
    int feedCount() const noexcept { return feedCount_.load(); }

private:
    static void feederEntry(void* self) noexcept;
    void feederLoop() noexcept;
    void notePosition(int x, int y) noexcept;

    GUIGraphics& gui_;
    IWindowListener& listener_;
    double time_ = 0;
    geom::box2i lastDirty_;
    bool hasMousePosition_ = false;
    int mouseX_ = 0;
    int mouseY_ = 0;

    Thread feeder_;
    bool feederRunning_ = false;
    TaskRef feed_;
    long long feedPeriodNs_ = 0;
    std::atomic<bool> stopFeed_{false};
    std::atomic<int> feedCount_{0};
};

}  // namespace rigging
