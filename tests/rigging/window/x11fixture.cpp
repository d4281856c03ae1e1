#include "x11fixture.h"

#include <cstdlib>

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

int xErrorCount() {
    return errors.load();
}

void resetXErrorCount() {
    errors = 0;
}

RecordingListener::RecordingListener() = default;

RecordingListener::Scope::Scope(std::atomic<int>& inside, std::atomic<int>& violations)
    : inside_(inside) {
    if (inside_.fetch_add(1) != 0) violations++;
}

RecordingListener::Scope::~Scope() {
    inside_.fetch_sub(1);
}

void RecordingListener::record(const InputEvent& e) {
    std::lock_guard<std::mutex> lock(mutex_);
    events_.push_back(e);
}

bool RecordingListener::onMouseClick(int x, int y, MouseButton mb, bool isDoubleClick,
                                     MouseState mstate) noexcept {
    Scope s(insideTree_, overlaps_);
    InputEvent e(InputEvent::click);
    e.x = x, e.y = y, e.button = mb, e.isDoubleClick = isDoubleClick, e.state = mstate;
    record(e);
    return true;
}

bool RecordingListener::onMouseRelease(int x, int y, MouseButton mb, MouseState mstate) noexcept {
    Scope s(insideTree_, overlaps_);
    InputEvent e(InputEvent::release);
    e.x = x, e.y = y, e.button = mb, e.state = mstate;
    record(e);
    return true;
}

bool RecordingListener::onMouseWheel(int x, int y, int wheelDeltaX, int wheelDeltaY,
                                     MouseState mstate) noexcept {
    Scope s(insideTree_, overlaps_);
    InputEvent e(InputEvent::wheel);
    e.x = x, e.y = y, e.wheelX = wheelDeltaX, e.wheelY = wheelDeltaY, e.state = mstate;
    record(e);
    return true;
}

void RecordingListener::onMouseMove(int x, int y, int dx, int dy, MouseState mstate) noexcept {
    Scope s(insideTree_, overlaps_);
    InputEvent e(InputEvent::move);
    e.x = x, e.y = y, e.dx = dx, e.dy = dy, e.state = mstate;
    record(e);
}

bool RecordingListener::onKeyDown(Key key) noexcept {
    Scope s(insideTree_, overlaps_);
    InputEvent e(InputEvent::keyDown);
    e.key = key;
    record(e);
    return true;
}

bool RecordingListener::onKeyUp(Key key) noexcept {
    Scope s(insideTree_, overlaps_);
    InputEvent e(InputEvent::keyUp);
    e.key = key;
    record(e);
    return true;
}

void RecordingListener::onDraw(WindowPixelFormat pf) noexcept {
    Scope s(insideTree_, overlaps_);
    Scope d(insideDirty_, overlaps_);
    if (pf != WindowPixelFormat::BGRA8) overlaps_ += 1000;  // the only format X is given
    std::lock_guard<std::mutex> lock(mutex_);
    int gen = ++drawGeneration_;
    geom::box2i r = taken_;
    for (int y = std::max(r.min.y, 0); y < std::min(r.max.y, h_); ++y)
        for (int x = std::max(r.min.x, 0); x < std::min(r.max.x, w_); ++x) {
            std::uint8_t* p = &pixels_[(static_cast<std::size_t>(y) * w_ + x) * 4];
            p[0] = static_cast<std::uint8_t>(x * 7 + gen);             // blue
            p[1] = static_cast<std::uint8_t>(y * 3);                   // green
            p[2] = static_cast<std::uint8_t>((x + y) * 5 + gen * 11);  // red
            p[3] = 0xAB;
        }
    taken_ = geom::box2i(0, 0, 0, 0);
    drawCount_++;
}

ImageRef<RGBA> RecordingListener::onResized(int width, int height) noexcept {
    Scope s(insideTree_, overlaps_);
    Scope d(insideDirty_, overlaps_);
    std::lock_guard<std::mutex> lock(mutex_);
    w_ = width;
    h_ = height;
    pixels_.assign(static_cast<std::size_t>(width) * height * 4, 0);
    lastW_ = width;
    lastH_ = height;
    resizeCount_++;
    ImageRef<RGBA> ref;
    ref.w = width;
    ref.h = height;
    ref.pitch = static_cast<std::size_t>(width) * 4;
    ref.pixels = reinterpret_cast<RGBA*>(pixels_.data());
    return ref;
}

void RecordingListener::recomputeDirtyAreas() noexcept {
    Scope d(insideDirty_, overlaps_);
    std::lock_guard<std::mutex> lock(mutex_);
    taken_ = taken_.expand(requested_);
    if (!dirtyForever_) requested_ = geom::box2i(0, 0, 0, 0);
}

geom::box2i RecordingListener::getDirtyRectangle() noexcept {
    Scope d(insideDirty_, overlaps_);
    std::lock_guard<std::mutex> lock(mutex_);
    return taken_;
}

void RecordingListener::onAnimate(double dt, double time) noexcept {
    Scope s(insideTree_, overlaps_);
    std::lock_guard<std::mutex> lock(mutex_);
    animate_.push_back({dt, time, Clock::now()});
}

MouseCursor RecordingListener::getMouseCursor() noexcept {
    Scope s(insideTree_, overlaps_);
    return cursor_.load();
}

void RecordingListener::requestRepaint(const geom::box2i& r) {
    std::lock_guard<std::mutex> lock(mutex_);
    requested_ = r;
    dirtyForever_ = false;
}

void RecordingListener::reportDirtyForever(const geom::box2i& r) {
    std::lock_guard<std::mutex> lock(mutex_);
    requested_ = r;
    dirtyForever_ = true;
}

std::vector<InputEvent> RecordingListener::events() {
    std::lock_guard<std::mutex> lock(mutex_);
    return events_;
}

std::vector<AnimateCall> RecordingListener::animateCalls() {
    std::lock_guard<std::mutex> lock(mutex_);
    return animate_;
}

void RecordingListener::clearEvents() {
    std::lock_guard<std::mutex> lock(mutex_);
    events_.clear();
}

bool RecordingListener::waitForEvents(std::size_t count, int ms) {
    return waitUntil([&] { return events().size() >= count; }, ms);
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
    for (int attempt = 0; attempt < 40 && dpy_ == nullptr; ++attempt) {
        dpy_ = XOpenDisplay(nullptr);
        if (dpy_ == nullptr && (name == nullptr || *name == 0)) break;
        if (dpy_ == nullptr) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (dpy_ == nullptr) GTEST_SKIP() << "no X display can be opened";
    XSetErrorHandler(countError);
    resetXErrorCount();
    windowErrorsAtStart_ = x11DisplayErrorCount();
    XSetWindowAttributes a{};
    a.override_redirect = True;  // placed where asked even under a window manager
    a.background_pixel = BlackPixel(dpy_, DefaultScreen(dpy_));
    parent_ = XCreateWindow(dpy_, DefaultRootWindow(dpy_), 0, 0, 1100, 800, 0, CopyFromParent,
                            InputOutput, CopyFromParent, CWOverrideRedirect | CWBackPixel, &a);
    XMapRaised(dpy_, parent_);
    // Keys go to the window under the pointer.
    XSetInputFocus(dpy_, PointerRoot, RevertToPointerRoot, CurrentTime);
    XSync(dpy_, False);
}

void X11Test::TearDown() {
    if (dpy_ == nullptr) return;
    XDestroyWindow(dpy_, parent_);
    XSync(dpy_, False);
    XCloseDisplay(dpy_);
    EXPECT_EQ(xErrorCount(), 0);
    if (!allowWindowErrors_) {
        EXPECT_EQ(x11DisplayErrorCount(), windowErrorsAtStart_);
    }
    EXPECT_EQ(x11WindowCount(), 0) << "a test left a window open";
}

IWindow* X11Test::open(RecordingListener& listener, bool xembed, int width, int height) {
    WindowOptions options;
    options.useXEmbed = xembed;
    return createWindow(WindowUsage::plugin, reinterpret_cast<void*>(parent_), nullptr, &listener,
                        WindowBackend::x11, width, height, options);
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
    if (!XQueryTree(dpy_, w, &root, &parent, &children, &n)) return out;
    out.assign(children, children + n);
    if (children) XFree(children);
    return out;
}

}  // namespace windowtest
