#include "x11fixture.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "rigging/window/x11display.h"

namespace windowtest {

using namespace rigging;

namespace {

std::atomic<int> errors{0};

int countError(Display*, XErrorEvent*) {
    errors++;
    return 0;
}

}  // namespace

bool waitUntil(const std::function<bool()>& done, int ms) {
    auto deadline = Clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (Clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

bool RecordingListener::add(const InputEvent& e) {
    Inside s(insideTree_, overlaps);
    std::lock_guard<std::mutex> lock(mutex_);
    events_.push_back(e);
    return true;
}

void RecordingListener::onDraw(WindowPixelFormat pf) noexcept {
    Inside s(insideTree_, overlaps), d(insideDirty_, overlaps);
    if (pf != WindowPixelFormat::BGRA8) overlaps += 1000;  // the one format X is given
    std::lock_guard<std::mutex> lock(mutex_);
    if (!paintSame) ++generation_;
    for (int y = std::max(taken_.min.y, 0); y < std::min(taken_.max.y, h_); ++y)
        for (int x = std::max(taken_.min.x, 0); x < std::min(taken_.max.x, w_); ++x) {
            if (!paintOnly_.empty() &&
                std::none_of(paintOnly_.begin(), paintOnly_.end(),
                             [&](const box2i& b) { return b.contains(geom::vec2i(x, y)); }))
                continue;
            std::uint8_t* p = &pixels_[(static_cast<std::size_t>(y) * w_ + x) * 4];
            p[0] = static_cast<std::uint8_t>(x * 7 + generation_);  // B, G, R, A in memory
            p[1] = static_cast<std::uint8_t>(y * 3);
            p[2] = static_cast<std::uint8_t>((x + y) * 5 + generation_ * 11);
            p[3] = 0xAB;
        }
    taken_ = box2i(0, 0, 0, 0);
    drawCount++;
}

ImageRef<RGBA> RecordingListener::onResized(int width, int height) noexcept {
    Inside s(insideTree_, overlaps), d(insideDirty_, overlaps);
    std::lock_guard<std::mutex> lock(mutex_);
    w_ = width, h_ = height;
    pixels_.assign(static_cast<std::size_t>(width) * height * 4, 0);
    lastWidth = width, lastHeight = height;
    resizeCount++;
    return ImageRef<RGBA>{width, height, static_cast<std::size_t>(width) * 4,
                          reinterpret_cast<RGBA*>(pixels_.data())};
}

void RecordingListener::recomputeDirtyAreas() noexcept {
    Inside d(insideDirty_, overlaps);
    std::lock_guard<std::mutex> lock(mutex_);
    taken_ = taken_.expand(requested_);
    if (!forever_) requested_ = box2i(0, 0, 0, 0);
}

box2i RecordingListener::getDirtyRectangle() noexcept {
    Inside d(insideDirty_, overlaps);
    std::lock_guard<std::mutex> lock(mutex_);
    return taken_;
}

void RecordingListener::onAnimate(double dt, double time) noexcept {
    Inside s(insideTree_, overlaps);
    std::lock_guard<std::mutex> lock(mutex_);
    animate_.push_back({dt, time, Clock::now()});
}

MouseCursor RecordingListener::getMouseCursor() noexcept {
    Inside s(insideTree_, overlaps);
    return cursor_.load();
}

void RecordingListener::setPaintOnly(std::vector<box2i> areas) {
    std::lock_guard<std::mutex> lock(mutex_);
    paintOnly_ = std::move(areas);
}

void RecordingListener::requestRepaint(const box2i& r, bool forever) {
    std::lock_guard<std::mutex> lock(mutex_);
    requested_ = r;
    forever_ = forever;
}

std::vector<InputEvent> RecordingListener::events(std::initializer_list<InputEvent::Kind> kinds) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<InputEvent> out;
    for (const InputEvent& e : events_)
        if (std::find(kinds.begin(), kinds.end(), e.kind) != kinds.end()) out.push_back(e);
    return out;
}

std::vector<AnimateCall> RecordingListener::animateCalls() {
    std::lock_guard<std::mutex> lock(mutex_);
    return animate_;
}

void RecordingListener::clearEvents() {
    std::lock_guard<std::mutex> lock(mutex_);
    events_.clear();
}

bool RecordingListener::waitFor(InputEvent::Kind kind, std::size_t count) {
    return waitUntil([&] { return events({kind}).size() >= count; });
}

unsigned long RecordingListener::expectedPixel(int x, int y) {
    std::lock_guard<std::mutex> lock(mutex_);
    const std::uint8_t* p = &pixels_[(static_cast<std::size_t>(y) * w_ + x) * 4];
    return (static_cast<unsigned long>(p[2]) << 16) | (static_cast<unsigned long>(p[1]) << 8) |
           p[0];
}

void X11Test::SetUp() {
    // A server that resets when its last client leaves refuses connections for a moment.
    const char* name = std::getenv("DISPLAY");
    for (int attempt = 0; attempt < 40 && dpy_ == nullptr && name != nullptr && *name; ++attempt) {
        dpy_ = XOpenDisplay(nullptr);
        if (dpy_ == nullptr) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (dpy_ == nullptr) GTEST_SKIP() << "no X display can be opened";
    XSetErrorHandler(countError);
    errors = 0;
    windowErrorsAtStart_ = x11DisplayErrorCount();
    XSetWindowAttributes a{};
    a.override_redirect = True;  // placed where asked even under a window manager
    parent_ = XCreateWindow(dpy_, DefaultRootWindow(dpy_), 0, 0, 1100, 800, 0, CopyFromParent,
                            InputOutput, CopyFromParent, CWOverrideRedirect, &a);
    XMapRaised(dpy_, parent_);
    XSetInputFocus(dpy_, PointerRoot, RevertToPointerRoot, CurrentTime);  // keys follow the pointer
    XSync(dpy_, False);
}

void X11Test::TearDown() {
    if (dpy_ == nullptr) return;
    XDestroyWindow(dpy_, parent_);
    XSync(dpy_, False);
    XCloseDisplay(dpy_);
    EXPECT_EQ(errors.load(), 0);
    if (!allowWindowErrors_) {
        EXPECT_EQ(x11DisplayErrorCount(), windowErrorsAtStart_);
    }
    EXPECT_EQ(x11WindowCount(), 0) << "a test left a window open";
}

int X11Test::testConnectionErrors() {
    return errors.load();
}

IWindow* X11Test::open(RecordingListener& listener, bool xembed, int width, int height,
                       bool sharedMemory) {
    return createWindow(WindowUsage::plugin, reinterpret_cast<void*>(parent_), nullptr, &listener,
                        WindowBackend::x11, width, height,
                        WindowOptions{.useXEmbed = xembed, .useSharedMemory = sharedMemory});
}

int X11Test::ownSharedSegments() {
    std::ifstream table("/proc/sysvipc/shm");
    std::string line;
    std::getline(table, line);  // the column names
    int n = 0;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        long key, id, perms, size, creator;
        if (fields >> key >> id >> perms >> size >> creator) n += creator == getpid();
    }
    return n;
}

bool X11Test::serverHasSharedMemory() {
    int major = 0, minor = 0;
    Bool pixmaps = False;
    return XShmQueryVersion(dpy_, &major, &minor, &pixmaps);
}

Window X11Test::parentOf(Window w) {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int n = 0;
    if (!XQueryTree(dpy_, w, &root, &parent, &children, &n)) return 0;
    if (children) XFree(children);
    return parent;
}

std::vector<Window> X11Test::childrenOf(Window w) {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int n = 0;
    std::vector<Window> out;
    if (XQueryTree(dpy_, w, &root, &parent, &children, &n)) out.assign(children, children + n);
    if (children) XFree(children);
    return out;
}

}  // namespace windowtest
