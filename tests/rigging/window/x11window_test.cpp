// The child window as the host's X server sees it: place, size, properties, repaints and
// timing, and what it does with a host's odd requests.

#include "rigging/window/x11window.h"

#include "rigging/core/nogc.h"
#include "rigging/window/x11display.h"
#include "x11fixture.h"

using namespace rigging;
using namespace windowtest;

namespace {

class X11Window : public X11Test {
protected:
    // The _XEMBED_INFO of w, typed with its own atom as the protocol has it, or nothing when
    // it has none or has another type.
    std::vector<long> xembedInfo(Window w) {
        Atom type = 0;
        int format = 0;
        unsigned long n = 0, after = 0;
        unsigned char* data = nullptr;
        std::vector<long> out;
        XGetWindowProperty(dpy_, w, XInternAtom(dpy_, "_XEMBED_INFO", False), 0, 16, False,
                           AnyPropertyType, &type, &format, &n, &after, &data);
        if (type == XInternAtom(dpy_, "_XEMBED_INFO", False) && format == 32)
            out.assign(reinterpret_cast<long*>(data), reinterpret_cast<long*>(data) + n);
        if (data) XFree(data);
        return out;
    }
    // Pixels of r that differ between the server's window and the listener's buffer.
    int mismatches(Window child, RecordingListener& listener, const box2i& r) {
        XImage* img =
            XGetImage(dpy_, child, r.min.x, r.min.y, r.width(), r.height(), AllPlanes, ZPixmap);
        int bad = 0;
        for (int y = 0; y < r.height(); ++y)
            for (int x = 0; x < r.width(); ++x)
                bad += (XGetPixel(img, x, y) & 0xFFFFFF) !=
                       listener.expectedPixel(r.min.x + x, r.min.y + y);
        XDestroyImage(img);
        return bad;
    }
};

TEST_F(X11Window, IsAChildOfItsParentSizedOnceBeforeTheConstructorReturns) {
    for (bool xembed : {false, true}) {
        RecordingListener listener;
        IWindow* w = open(listener, xembed);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(listener.resizeCount, 1);
        EXPECT_EQ(listener.lastWidth, 1000);
        EXPECT_EQ(listener.lastHeight, 700);
        Window child = handleOf(w), root;
        EXPECT_EQ(parentOf(child), parent_);
        int x, y;
        unsigned width, height, border, depth;
        XGetGeometry(dpy_, child, &root, &x, &y, &width, &height, &border, &depth);
        EXPECT_EQ(std::vector<unsigned>({width, height, depth}),
                  std::vector<unsigned>({1000, 700, 24}));
        Atom* protocols = nullptr;
        int n = 0;
        ASSERT_TRUE(XGetWMProtocols(dpy_, child, &protocols, &n));
        EXPECT_EQ(std::count(protocols, protocols + n, XInternAtom(dpy_, "WM_DELETE_WINDOW", 0)),
                  1);
        XFree(protocols);
        // Only the embedding build announces XEmbed: version 0, mapped.
        const std::vector<long> announced = xembed ? std::vector<long>{0, 1} : std::vector<long>();
        EXPECT_EQ(xembedInfo(child), announced);
        destroyFree(w);
        XSync(dpy_, False);
        EXPECT_TRUE(childrenOf(parent_).empty()) << "closing removes the child";
    }
    // Without a parent it is a top-level window.
    RecordingListener listener;
    IWindow* w = createWindow(WindowUsage::host, nullptr, nullptr, &listener,
                              WindowBackend::autodetect, 300, 200);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(parentOf(handleOf(w)), DefaultRootWindow(dpy_));
    destroyFree(w);
}

TEST_F(X11Window, RefusesWhatItCannotShow) {
    RecordingListener listener;
    void* parent = reinterpret_cast<void*>(parent_);
    for (int backend : {1, 2, 3, 5, -1})  // other platforms, and values that name none
        EXPECT_EQ(createWindow(WindowUsage::plugin, parent, nullptr, &listener,
                               static_cast<WindowBackend>(backend), 1000, 700),
                  nullptr);
    EXPECT_EQ(
        createWindow(WindowUsage::plugin, parent, nullptr, nullptr, WindowBackend::x11, 1000, 700),
        nullptr);
    EXPECT_EQ(
        createWindow(WindowUsage::plugin, parent, nullptr, &listener, WindowBackend::x11, 0, 700),
        nullptr);
    EXPECT_EQ(listener.resizeCount, 0);

    // A parent id that names no window: the server refuses, nobody's error handler hears of it.
    allowWindowErrors_ = true;
    Window gone = XCreateSimpleWindow(dpy_, parent_, 0, 0, 10, 10, 0, 0, 0);
    XDestroyWindow(dpy_, gone);
    XSync(dpy_, False);
    EXPECT_EQ(createWindow(WindowUsage::plugin, reinterpret_cast<void*>(gone), nullptr, &listener,
                           WindowBackend::x11, 1000, 700),
              nullptr);
    EXPECT_EQ(x11WindowCount(), 0);
    IWindow* ok = open(listener);  // and the next good one works
    EXPECT_NE(ok, nullptr);
    destroyFree(ok);
}

TEST_F(X11Window, DirtyRectangleIsDrawnAndShownAsTheBufferHoldsIt) {
    RecordingListener listener;
    IWindow* w = open(listener);
    ASSERT_NE(w, nullptr);
    Window child = handleOf(w);
    const box2i r(10, 20, 110, 70), r2(900, 600, 1000, 700);
    listener.requestRepaint(r);
    ASSERT_TRUE(waitUntil([&] { return listener.drawCount > 0; }));
    EXPECT_TRUE(waitUntil([&] { return mismatches(child, listener, r) == 0; }));
    // Another change, at the buffer's far corner; the first area stays as it was.
    int before = listener.drawCount;
    listener.requestRepaint(r2);
    ASSERT_TRUE(waitUntil([&] { return listener.drawCount > before; }));
    EXPECT_TRUE(waitUntil([&] { return mismatches(child, listener, r2) == 0; }));
    EXPECT_EQ(mismatches(child, listener, r), 0);
    destroyFree(w);
    EXPECT_EQ(listener.overlaps, 0);
}

TEST_F(X11Window, RepaintsAreClippedToTheBuffer) {
    RecordingListener listener;
    IWindow* w = open(listener, false, 200, 100);
    ASSERT_NE(w, nullptr);
    // Entirely outside: for ten ticks nothing is asked for, so nothing is drawn (but what the
    // server itself exposed at mapping time).
    listener.requestRepaint(box2i(300, 300, 400, 400), true);
    std::size_t ticks = listener.animateCalls().size();
    ASSERT_TRUE(waitUntil([&] { return listener.animateCalls().size() >= ticks + 10; }));
    int drawsOutside = listener.drawCount;
    EXPECT_LE(drawsOutside, 1);
    // Partly outside: the visible part is drawn and shown.
    listener.requestRepaint(box2i(-50, -40, 60, 30));
    ASSERT_TRUE(waitUntil([&] { return listener.drawCount > drawsOutside; }));
    EXPECT_TRUE(waitUntil([&] { return mismatches(handleOf(w), listener, {0, 0, 60, 30}) == 0; }));
    destroyFree(w);
}

TEST_F(X11Window, HostResizesAndOversizedExposesLeaveTheBuffersAlone) {
    RecordingListener listener;
    IWindow* w = open(listener);
    ASSERT_NE(w, nullptr);
    Window child = handleOf(w);
    XResizeWindow(dpy_, child, 400, 300);
    XResizeWindow(dpy_, child, 1600, 1000);
    XMoveWindow(dpy_, child, 0, 0);  // a configure of the same size
    XEvent e{};
    e.xexpose = {Expose, 0, False, nullptr, child, -100, 600, 5000, 5000, 0};
    XSendEvent(dpy_, child, False, ExposureMask, &e);
    // A click as a marker: one window's events are handled in order, so once it has arrived
    // the resizes and the expose have been handled.
    e.xbutton = {};
    e.xbutton.type = ButtonPress, e.xbutton.window = child, e.xbutton.button = 1;
    e.xbutton.x = 777;
    XSendEvent(dpy_, child, False, ButtonPressMask, &e);
    XSync(dpy_, False);
    ASSERT_TRUE(listener.waitFor(InputEvent::click));
    EXPECT_EQ(listener.events({InputEvent::click})[0].x, 777);
    EXPECT_GE(listener.drawCount, 1);
    EXPECT_EQ(listener.resizeCount, 1);
    destroyFree(w);
}

TEST_F(X11Window, SurvivesTheHostDestroyingItsWindowFirst) {
    allowWindowErrors_ = true;  // requests racing the destruction fail on the window's side
    const bool shared = serverHasSharedMemory();
    const int segmentsBefore = ownSharedSegments();
    RecordingListener listener;
    IWindow* w = open(listener);
    ASSERT_NE(w, nullptr);
    // Attached to the server, and already marked for removal once both sides let go.
    EXPECT_EQ(ownSharedSegments(), segmentsBefore + (shared ? 1 : 0));
    // Asked for on every timer tick: the window keeps drawing and putting images to the server.
    listener.requestRepaint(box2i(0, 0, 50, 50), true);
    listener.setCursor(MouseCursor::cross);
    ASSERT_TRUE(waitUntil([&] { return listener.drawCount >= 3; }));
    XDestroyWindow(dpy_, parent_);
    XSync(dpy_, False);
    EXPECT_TRUE(waitUntil([&] { return w->terminated(); }));
    destroyFree(w);  // must not end the host through its error handler (checked on tear-down)
    EXPECT_EQ(ownSharedSegments(), segmentsBefore) << "the segment outlived its window";
    parent_ = XCreateSimpleWindow(dpy_, DefaultRootWindow(dpy_), 0, 0, 10, 10, 0, 0, 0);
}

TEST_F(X11Window, SharedOrNotTheServerShowsTheBufferAndTheSegmentGoesWithTheWindow) {
    const int segmentsBefore = ownSharedSegments();
    for (bool shared : {true, false}) {
        RecordingListener listener;
        IWindow* w = open(listener, false, 300, 200, shared);
        ASSERT_NE(w, nullptr);
        auto* x11 = static_cast<rigging::X11Window*>(w);
        EXPECT_EQ(x11->usesSharedMemory(), shared && serverHasSharedMemory());
        EXPECT_EQ(ownSharedSegments(), segmentsBefore + (x11->usesSharedMemory() ? 1 : 0));
        // Successive draws of overlapping areas; each is shown as the buffer holds it.
        for (const box2i& r : {box2i(0, 0, 300, 200), box2i(10, 20, 110, 70),
                               box2i(60, 50, 300, 200), box2i(299, 199, 300, 200)}) {
            const int before = listener.drawCount;
            listener.requestRepaint(r);
            ASSERT_TRUE(waitUntil([&] { return listener.drawCount > before; }));
            EXPECT_TRUE(waitUntil([&] { return mismatches(handleOf(w), listener, r) == 0; }))
                << "shared " << shared;
        }
        EXPECT_EQ(mismatches(handleOf(w), listener, box2i(0, 0, 300, 200)), 0);
        destroyFree(w);
        EXPECT_EQ(ownSharedSegments(), segmentsBefore);
    }
    // Switched off from the environment, as a user would on a troublesome server.
    setenv("RIGGING_X11_NO_SHM", "1", 1);
    RecordingListener listener;
    IWindow* w = open(listener, false, 300, 200, true);
    unsetenv("RIGGING_X11_NO_SHM");
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(static_cast<rigging::X11Window*>(w)->usesSharedMemory());
    EXPECT_EQ(ownSharedSegments(), segmentsBefore);
    destroyFree(w);
}

TEST_F(X11Window, OnlyChangedPixelsAreSentAndAnUnchangedRedrawSendsNothing) {
    for (bool shared : {true, false}) {
        RecordingListener listener;
        IWindow* w = open(listener, false, 400, 300, shared);
        ASSERT_NE(w, nullptr);
        auto* x11 = static_cast<rigging::X11Window*>(w);
        // The server's first expose shows the whole window once.
        ASSERT_TRUE(waitUntil([&] { return x11->pixelsPut() >= 400 * 300; }));
        const box2i r(10, 20, 110, 70), r2(300, 200, 340, 230);
        int draws = listener.drawCount;
        listener.requestRepaint(r);
        ASSERT_TRUE(waitUntil([&] { return listener.drawCount > draws; }));
        ASSERT_TRUE(waitUntil([&] { return mismatches(handleOf(w), listener, r) == 0; }));
        long long pixels = x11->pixelsPut();
        // Two areas far apart change within the box around both: their pixels go, not the box.
        listener.setPaintOnly({r, r2});
        draws = listener.drawCount;
        listener.requestRepaint(r.expand(r2));
        ASSERT_TRUE(waitUntil([&] { return listener.drawCount > draws; }));
        EXPECT_TRUE(
            waitUntil([&] { return mismatches(handleOf(w), listener, r.expand(r2)) == 0; }));
        EXPECT_EQ(x11->pixelsPut() - pixels, r.width() * r.height() + r2.width() * r2.height())
            << "shared " << shared;
        listener.setPaintOnly({});

        // Redrawn again and again, but to the same pixels: nothing more reaches the server.
        listener.paintSame = true;
        const long long puts = x11->putCount();
        draws = listener.drawCount;
        listener.requestRepaint(r, true);
        ASSERT_TRUE(waitUntil([&] { return listener.drawCount >= draws + 10; }));
        EXPECT_EQ(x11->putCount(), puts) << "shared " << shared;
        destroyFree(w);
    }
}

TEST_F(X11Window, OneRepaintRequestIsOneDrawHoweverLongTheEventThreadSlept) {
    RecordingListener listener;
    IWindow* w = open(listener, false, 200, 100);
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(waitUntil([&] { return listener.drawCount >= 1; }));  // the server's expose
    // Each time the window has been idle long enough for the event thread to sleep its
    // longest; the timer keeps asking until the area is drawn, and each of those asks must
    // not become a draw of its own.
    const int cycles = 5;
    const int before = listener.drawCount;
    for (int i = 0; i < cycles; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        const int drawn = listener.drawCount;
        listener.requestRepaint(box2i(0, 0, 50, 50));
        ASSERT_TRUE(waitUntil([&] { return listener.drawCount > drawn; }));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(listener.drawCount - before, cycles) << "requests piled up into extra draws";
    destroyFree(w);
    EXPECT_EQ(listener.overlaps, 0);
}

}  // namespace
