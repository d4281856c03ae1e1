#include "rigging/gui/offscreen.h"

#include <ctime>

namespace rigging {

OffscreenDriver::OffscreenDriver(GUIGraphics& gui) noexcept
    : gui_(gui), listener_(gui.windowListener()) {}

OffscreenDriver::~OffscreenDriver() {
    stopFeeder();
}

void OffscreenDriver::open() noexcept {
    int w = 0, h = 0;
    gui_.getGUISize(&w, &h);
    gui_.getCompositor();
    gui_.reflow(geom::box2i(0, 0, w, h));
    gui_.setDirtyWhole(UILayer::allLayers);
    listener_.onResized(w, h);
    time_ = 0;
}

bool OffscreenDriver::tick(double dtMs) noexcept {
    time_ += dtMs;
    listener_.onAnimate(dtMs, time_);
    listener_.recomputeDirtyAreas();
    lastDirty_ = listener_.getDirtyRectangle();
    if (lastDirty_.width() <= 0 || lastDirty_.height() <= 0) return false;
    listener_.onDraw(WindowPixelFormat::RGBA8);
    return true;
}

void OffscreenDriver::notePosition(int x, int y) noexcept {
    mouseX_ = x;
    mouseY_ = y;
    hasMousePosition_ = true;
}

bool OffscreenDriver::click(int x, int y, MouseButton button, bool isDoubleClick,
                            MouseState state) noexcept {
    notePosition(x, y);
    return listener_.onMouseClick(x, y, button, isDoubleClick, state);
}

bool OffscreenDriver::release(int x, int y, MouseButton button, MouseState state) noexcept {
    notePosition(x, y);
    return listener_.onMouseRelease(x, y, button, state);
}

void OffscreenDriver::move(int x, int y, MouseState state) noexcept {
    if (!hasMousePosition_) notePosition(x, y);
    const int dx = x - mouseX_, dy = y - mouseY_;
    notePosition(x, y);
    listener_.onMouseMove(x, y, dx, dy, state);
}

bool OffscreenDriver::wheel(int x, int y, int deltaY, int deltaX, MouseState state) noexcept {
    notePosition(x, y);
    return listener_.onMouseWheel(x, y, deltaX, deltaY, state);
}

bool OffscreenDriver::keyDown(Key key) noexcept {
    return listener_.onKeyDown(key);
}

bool OffscreenDriver::keyUp(Key key) noexcept {
    return listener_.onKeyUp(key);
}

MouseCursor OffscreenDriver::cursor() noexcept {
    return listener_.getMouseCursor();
}

void OffscreenDriver::startFeeder(TaskRef feed, long long periodNs) noexcept {
    stopFeeder();
    feed_ = feed;
    feedPeriodNs_ = periodNs > 0 ? periodNs : 0;
    stopFeed_.store(false);
    feedCount_.store(0);
    feeder_ = makeThread(&OffscreenDriver::feederEntry, this);
    feeder_.start();
    feederRunning_ = true;
}

void OffscreenDriver::stopFeeder() noexcept {
    if (!feederRunning_) return;
    stopFeed_.store(true);
    feeder_.join();
    feeder_ = Thread();
    feederRunning_ = false;
}

void OffscreenDriver::feederEntry(void* self) noexcept {
    static_cast<OffscreenDriver*>(self)->feederLoop();
}

void OffscreenDriver::feederLoop() noexcept {
    for (int i = 0; !stopFeed_.load(); ++i) {
        feed_(i, 0);
        feedCount_.fetch_add(1);
        if (feedPeriodNs_ > 0) {
            timespec t{static_cast<time_t>(feedPeriodNs_ / 1000000000),
                       static_cast<long>(feedPeriodNs_ % 1000000000)};
            nanosleep(&t, nullptr);
        }
    }
}

}  // namespace rigging
