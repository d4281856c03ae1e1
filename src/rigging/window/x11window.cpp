#include "rigging/window/x11window.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <sys/time.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>

#include "rigging/window/x11display.h"
#include "rigging/window/x11keys.h"
#include "rigging/window/x11mouse.h"

namespace rigging {

namespace {

// Microseconds on the monotonic clock: animation steps and double clicks must not jump when
// the wall clock is set.
std::uint64_t monotonicMicroseconds() noexcept {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<std::uint64_t>(t.tv_sec) * 1000000u +
           static_cast<std::uint64_t>(t.tv_nsec) / 1000u;
}

constexpr long long kTimerPeriodNs = 16666666;  // one 60th of a second
constexpr long long kMaxIdleSleepUs = 100000;
// Events handled at most between two repaints, so that a flood of input cannot stop drawing.
constexpr int kEventsBeforeRepaint = 64;

bool sharedMemoryAllowed(const WindowOptions& options) noexcept {
    const char* off = std::getenv("RIGGING_X11_NO_SHM");
    return options.useSharedMemory && (off == nullptr || *off == '\0' || *off == '0');
}

// Clips (x, y, w, h) to (0, 0)-(maxW, maxH); false when nothing is left.
bool clipToBuffer(int& x, int& y, int& w, int& h, int maxW, int maxH) noexcept {
    long long x0 = std::max(x, 0), y0 = std::max(y, 0);
    long long x1 = std::min<long long>(static_cast<long long>(x) + w, maxW);
    long long y1 = std::min<long long>(static_cast<long long>(y) + h, maxH);
    if (x1 <= x0 || y1 <= y0) return false;
    x = static_cast<int>(x0);
    y = static_cast<int>(y0);
    w = static_cast<int>(x1 - x0);
    h = static_cast<int>(y1 - y0);
    return true;
}

// X cursor font shapes for MouseCursor 0 to 5.
constexpr unsigned int kCursorShapes[6] = {
    XC_arrow, XC_hand2, XC_crosshair, XC_hand1, XC_sb_h_double_arrow, XC_sb_v_double_arrow};

}  // namespace

X11Window::X11Window(WindowUsage usage, unsigned long parentWindow, IWindowListener* listener,
                     int width, int height, WindowOptions options) noexcept
    : usageIsHost_(usage == WindowUsage::host),
      listener_(listener),
      useXEmbed_(options.useXEmbed),
      useSharedMemory_(sharedMemoryAllowed(options)) {
    eventMutex_ = makeMutex();
    dirtyMutex_ = makeMutex();
    sleepMutex_ = makeMutex();
    sleepCondition_ = makeConditionVariable();

    display_ = acquireX11Display();
    if (display_ == nullptr) return;

    MutexLock lock(x11Mutex());
    // Errors of the requests from here on have this serial or a later one; earlier requests
    // of other windows may still fail meanwhile.
    const unsigned long firstRequest = NextRequest(display_);
    const int errorsBefore = x11DisplayErrorCount();
    screen_ = DefaultScreen(display_);
    visual_ = XDefaultVisual(display_, screen_);
    XkbSetDetectableAutoRepeat(display_, True, nullptr);

    createX11Window(parentWindow, width, height);

    static const char blank[8] = {};
    blankBitmap_ = XCreateBitmapFromData(display_, window_, blank, 8, 8);
    XColor black{};
    hiddenCursor_ = XCreatePixmapCursor(display_, blankBitmap_, blankBitmap_, &black, &black, 0, 0);
    // A parent that does not exist (or any refused request) leaves no window to run.
    XSync(display_, False);
    if (x11DisplayErrorCount() != errorsBefore && x11LastErrorSerial() >= firstRequest) return;

    creationTime_ = lastTimerTick_ = monotonicMicroseconds();
    // The first press is never the second half of a double click.
    lastPress_ = {creationTime_ - kDoubleClickMicroseconds - 1, 0, 0, MouseButton::left};

    timerThread_ = makeThread(&X11Window::timerThreadEntry, this);
    eventThread_ = makeThread(&X11Window::eventThreadEntry, this);
    timerThread_.start();
    eventThread_.start();
    threadsStarted_ = true;
}

void X11Window::createX11Window(unsigned long parentWindow, int width, int height) noexcept {
    Window parent = parentWindow != 0 ? parentWindow : RootWindow(display_, screen_);
    Visual* visual = static_cast<Visual*>(visual_);
    colormap_ = XCreateColormap(display_, parent, visual, AllocNone);

    XSetWindowAttributes attributes{};
    attributes.border_pixel = BlackPixel(display_, screen_);
    attributes.colormap = colormap_;
    attributes.event_mask = kEventMask;
    window_ = XCreateWindow(display_, parent, 0, 0, static_cast<unsigned>(width),
                            static_cast<unsigned>(height), 0, 24, InputOutput, visual,
                            CWBorderPixel | CWEventMask | CWColormap, &attributes);

    // Sizes the GUI before the window is shown.
    notifySize(width, height);

    atomDeleteWindow_ = XInternAtom(display_, "WM_DELETE_WINDOW", False);
    Atom protocols[1] = {atomDeleteWindow_};
    XSetWMProtocols(display_, window_, protocols, 1);

    if (useXEmbed_) {
        atomXEmbed_ = XInternAtom(display_, "_XEMBED", False);
        atomXEmbedInfo_ = XInternAtom(display_, "_XEMBED_INFO", False);
        long info[2] = {0, 1};  // protocol version 0, flags: mapped
        // The protocol types the property with its own name; embedders check it.
        XChangeProperty(display_, window_, atomXEmbedInfo_, atomXEmbedInfo_, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(info), 2);
        if (parentWindow != 0) XReparentWindow(display_, window_, parentWindow, 0, 0);
    }

    XMapRaised(display_, window_);
    XSelectInput(display_, window_, kEventMask);
    graphicsContext_ = XCreateGC(display_, window_, 0, nullptr);
    shown_.create(display_, visual_, window_, graphicsContext_, buffer_.w, buffer_.h,
                  useSharedMemory_);
}

void X11Window::notifySize(int width, int height) noexcept {
    if (width == width_ && height == height_) return;
    width_ = width;
    height_ = height;
    {
        MutexLock events(eventMutex_);
        MutexLock dirty(dirtyMutex_);
        buffer_ = listener_->onResized(width, height);
    }
    bool usable = buffer_.pixels != nullptr && buffer_.w > 0 && buffer_.h > 0 &&
                  buffer_.pitch >= static_cast<std::size_t>(buffer_.w) * 4;
    if (!usable) buffer_ = {};
    // The first size comes before the graphics context exists; the window makes the copy
    // once it does.
    if (graphicsContext_ != nullptr)
        shown_.create(display_, visual_, window_, graphicsContext_, buffer_.w, buffer_.h,
                      useSharedMemory_);
}

X11Window::~X11Window() {
    if (threadsStarted_) {
        {
            MutexLock lock(sleepMutex_);
            stopThreads_.store(true);
            sleepCondition_.notifyAll();
        }
        eventThread_.join();
        timerThread_.join();
    }
    if (display_ == nullptr) return;

    {
        MutexLock lock(x11Mutex());
        // A host may have destroyed its window, and ours with it, before closing the editor:
        // a window destroyed twice is an X error, which ends the host.
        XSync(display_, False);
        bool gone = terminated_.load();
        XEvent event;
        while (takeEvent(event))
            if (event.type == DestroyNotify) gone = true;

        shown_.destroy();
        XFreeCursor(display_, hiddenCursor_);
        for (unsigned long c : fontCursors_)
            if (c != 0) XFreeCursor(display_, c);
        XFreePixmap(display_, blankBitmap_);
        XFreeColormap(display_, colormap_);
        XFreeGC(display_, graphicsContext_);
        if (!gone) XDestroyWindow(display_, window_);
        XSync(display_, False);
        while (takeEvent(event)) {
        }
    }
    releaseX11Display();
}

bool X11Window::takeEvent(XEvent& event) noexcept {
    MutexLock lock(x11Mutex());
    if (XCheckWindowEvent(display_, window_, kEventMask, &event)) return true;
    // Client messages (window-manager and embedding protocols) match no mask: they are taken
    // here so that they do not pile up in the shared queue.
    if (XCheckTypedWindowEvent(display_, window_, ClientMessage, &event)) return true;
    const int completion = shown_.completionEventType();
    if (completion >= 0 && XCheckTypedWindowEvent(display_, window_, completion, &event))
        return true;
    if (XCheckTypedEvent(display_, MappingNotify, &event)) {
        XRefreshKeyboardMapping(&event.xmapping);
        return true;
    }
    return false;
}

void X11Window::processEvent(XEvent& event) noexcept {
    switch (event.type) {
        case KeyPress:
        case KeyRelease: {
            KeySym keysym = 0;
            {
                MutexLock lock(x11Mutex());
                XLookupString(&event.xkey, nullptr, 0, &keysym, nullptr);
            }
            Key key = keyFromKeysym(keysym);
            MutexLock lock(eventMutex_);
            if (event.type == KeyPress)
                listener_->onKeyDown(key);
            else
                listener_->onKeyUp(key);
            break;
        }
        case ButtonPress: {
            X11ButtonMeaning meaning = meaningOfX11Button(event.xbutton.button);
            if (meaning.kind == X11ButtonMeaning::Kind::ignored) break;
            int x = event.xbutton.x, y = event.xbutton.y;
            lastMouseX_ = x;
            lastMouseY_ = y;
            MouseState state = mouseStateFromX11(event.xbutton.state);
            if (meaning.kind == X11ButtonMeaning::Kind::wheel) {
                // Wheel steps neither start nor complete a double click.
                MutexLock lock(eventMutex_);
                listener_->onMouseWheel(x, y, 0, meaning.wheelDeltaY, state);
                break;
            }
            const X11Press press{monotonicMicroseconds(), x, y, meaning.button};
            const bool doubleClick = isDoubleClick(lastPress_, press);
            lastPress_ = press;
            buttonsDown_ |= 1u << static_cast<int>(meaning.button);
            MutexLock lock(eventMutex_);
            listener_->onMouseClick(x, y, meaning.button, doubleClick, state);
            break;
        }
        case ButtonRelease: {
            X11ButtonMeaning meaning = meaningOfX11Button(event.xbutton.button);
            if (meaning.kind != X11ButtonMeaning::Kind::click) break;
            lastMouseX_ = event.xbutton.x;
            lastMouseY_ = event.xbutton.y;
            buttonsDown_ &= ~(1u << static_cast<int>(meaning.button));
            MouseState state = mouseStateFromX11(event.xbutton.state);
            MutexLock lock(eventMutex_);
            listener_->onMouseRelease(event.xbutton.x, event.xbutton.y, meaning.button, state);
            break;
        }
        case MotionNotify: {
            int x = event.xmotion.x, y = event.xmotion.y;
            if (firstMotionAfterEnter_) {
                firstMotionAfterEnter_ = false;
                lastMouseX_ = x;
                lastMouseY_ = y;
            }
            MouseState state = mouseStateFromX11(event.xmotion.state);
            // A release that never came here (another client took the pointer, or it went
            // elsewhere) would leave a drag open that plain hovering then continues.
            const bool lostRelease = buttonsDown_ != 0 && !state.leftButtonDown &&
                                     !state.rightButtonDown && !state.middleButtonDown;
            if (lostRelease) buttonsDown_ = 0;
            {
                MutexLock lock(eventMutex_);
                if (lostRelease) listener_->onMouseCaptureCancelled();
                listener_->onMouseMove(x, y, x - lastMouseX_, y - lastMouseY_, state);
            }
            lastMouseX_ = x;
            lastMouseY_ = y;
            break;
        }
        case EnterNotify:
            firstMotionAfterEnter_ = true;
            break;
        case Expose:
            exposeArea(event.xexpose.x, event.xexpose.y, event.xexpose.width, event.xexpose.height,
                       event.xexpose.send_event != False);
            break;
        case ConfigureNotify:
            // The editor's size is fixed: a host that resizes the child only shows more or
            // less of it, and the buffers keep their size.
            break;
        case DestroyNotify:
            if (event.xdestroywindow.window == window_) terminated_.store(true);
            break;
        default:
            if (event.type == shown_.completionEventType()) shown_.completed();
            break;
    }
}

void X11Window::exposeArea(int x, int y, int width, int height, bool sendEvent) noexcept {
    // Exposes may reach past the buffer; the copy clips them.
    const geom::box2i area = clipToBuffer(x, y, width, height, buffer_.w, buffer_.h)
                                 ? geom::box2i(x, y, x + width, y + height)
                                 : geom::box2i(0, 0, 0, 0);
    // A synthetic expose leaves the server's content in place: only what differs goes. The
    // server's own says that the content is gone.
    if (sendEvent)
        drawAndShow(area, geom::box2i(0, 0, 0, 0));
    else
        drawAndShow(geom::box2i(0, 0, 0, 0), area);
}

void X11Window::drawAndShow(const geom::box2i& compared, const geom::box2i& lost) noexcept {
    drawnAreas_.clearContents();
    {
        MutexLock events(eventMutex_);
        MutexLock dirty(dirtyMutex_);
        // Everything dirty since the last draw, whichever request asked for it.
        repaintRequested_.store(false);
        listener_->getDirtyAreas(drawnAreas_);
        listener_->onDraw(WindowPixelFormat::BGRA8);
    }
    if (!shown_.valid() || terminated_.load()) return;
    // A synthetic expose compares its own area as well: one box around it all, which keeps
    // the regions disjoint.
    if (!compared.empty()) {
        geom::box2i all = compared;
        for (const geom::box2i& a : drawnAreas_.slice()) all = all.expand(a);
        drawnAreas_.clearContents();
        drawnAreas_.pushBack(all);
    }
    shown_.show(buffer_, drawnAreas_.slice(), lost);
}

void X11Window::defineCursor(MouseCursor cursor) noexcept {
    MutexLock lock(x11Mutex());
    Cursor c;
    if (cursor == MouseCursor::hidden) {
        c = hiddenCursor_;
    } else {
        int i = static_cast<int>(cursor);
        if (i < 0 || i >= 6) i = 0;
        if (fontCursors_[i] == 0) fontCursors_[i] = XCreateFontCursor(display_, kCursorShapes[i]);
        c = fontCursors_[i];
    }
    XDefineCursor(display_, window_, c);
    XFlush(display_);
}

void X11Window::eventThreadEntry(void* self) noexcept {
    static_cast<X11Window*>(self)->eventLoop();
}

void X11Window::timerThreadEntry(void* self) noexcept {
    static_cast<X11Window*>(self)->timerLoop();
}

bool X11Window::sleepUnlessStopped(long long nanoseconds, bool untilRepaint) noexcept {
    MutexLock lock(sleepMutex_);
    std::uint64_t deadline =
        monotonicMicroseconds() * 1000 + static_cast<std::uint64_t>(nanoseconds);
    for (;;) {
        if (stopThreads_.load()) return false;
        if (untilRepaint && repaintRequested_.load()) return true;
        std::uint64_t now = monotonicMicroseconds() * 1000;
        if (now >= deadline) return true;
        sleepCondition_.waitFor(&sleepMutex_, static_cast<long long>(deadline - now));
    }
}

void X11Window::eventLoop() noexcept {
    long long sleepUs = 0;
    while (!stopThreads_.load()) {
        // Input already queued goes first, as it would ahead of a repaint request queued
        // behind it; a slow draw then does not hold back each event of a drag in turn.
        XEvent event;
        bool tookEvent = false;
        for (int n = 0; n < kEventsBeforeRepaint && takeEvent(event); ++n) {
            processEvent(event);
            tookEvent = true;
        }
        const bool repaint = repaintRequested_.load();
        if (repaint) drawAndShow(geom::box2i(0, 0, 0, 0), geom::box2i(0, 0, 0, 0));
        if (tookEvent || repaint) {
            sleepUs = 0;
        } else {
            // 1, 3, 7, 15, 31, 63 ms, then 100 ms while the window stays idle, unless the
            // timer asks for a repaint.
            sleepUs = std::min(2 * sleepUs + 1000, kMaxIdleSleepUs);
            if (!sleepUnlessStopped(sleepUs * 1000, true)) break;
        }
    }
}

void X11Window::timerLoop() noexcept {
    while (!stopThreads_.load()) {
        std::uint64_t now = monotonicMicroseconds();
        std::uint64_t dt = now - lastTimerTick_;
        std::uint64_t time = now - creationTime_;
        lastTimerTick_ = now;
        MouseCursor cursor;
        {
            MutexLock lock(eventMutex_);
            listener_->onAnimate(static_cast<double>(dt) * 0.001,
                                 static_cast<double>(time) * 0.001);
            // The cursor follows the hovered and dragged elements, which the event thread
            // changes under this mutex.
            cursor = listener_->getMouseCursor();
        }

        bool request = false;
        {
            MutexLock lock(dirtyMutex_);
            listener_->recomputeDirtyAreas();
            const geom::box2i r = listener_->getDirtyRectangle();
            int x = r.min.x, y = r.min.y, w = r.width(), h = r.height();
            // Only what the buffer can show is asked for; a window already destroyed by its
            // host gets no more requests. Set under the same mutex as the draw clears it, so
            // that one still waiting takes in what turned dirty since, and none is left over.
            request = !terminated_.load() && clipToBuffer(x, y, w, h, buffer_.w, buffer_.h);
            if (request) repaintRequested_.store(true);
        }
        // Straight to the event thread rather than through the server, which would wake up
        // twice a frame for it.
        if (request) {
            MutexLock lock(sleepMutex_);
            sleepCondition_.notifyAll();
        }

        if (cursor != lastCursor_ && !terminated_.load()) {
            defineCursor(cursor);
            lastCursor_ = cursor;
        }

        if (!sleepUnlessStopped(kTimerPeriodNs)) break;
    }
}

void X11Window::waitEventAndDispatch() noexcept {
    // Polls like the event thread instead of blocking inside Xlib, which would hold the X
    // mutex that every other window needs.
    long long sleepUs = 0;
    while (!stopThreads_.load() && !terminated_.load()) {
        XEvent event;
        if (takeEvent(event)) {
            processEvent(event);
            return;
        }
        if (repaintRequested_.load()) {
            drawAndShow(geom::box2i(0, 0, 0, 0), geom::box2i(0, 0, 0, 0));
            return;
        }
        sleepUs = std::min(2 * sleepUs + 1000, kMaxIdleSleepUs);
        if (!sleepUnlessStopped(sleepUs * 1000, true)) return;
    }
}

bool X11Window::terminated() noexcept {
    return terminated_.load();
}

std::uint32_t X11Window::getTimeMs() noexcept {
    timeval tv;
    gettimeofday(&tv, nullptr);
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(tv.tv_sec) * 1000u +
                                      static_cast<std::uint64_t>(tv.tv_usec) / 1000u);
}

void* X11Window::systemHandle() noexcept {
    return reinterpret_cast<void*>(static_cast<std::uintptr_t>(window_));
}

}  // namespace rigging
