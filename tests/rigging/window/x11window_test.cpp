// The child window as the host's X server sees it: place, size, properties, protocols, and
// what it does with the host's odd requests.

#include "rigging/core/nogc.h"
#include "rigging/window/x11display.h"
#include "x11fixture.h"

using namespace rigging;
using namespace windowtest;

namespace {

class X11Window : public X11Test {
protected:
    // The CARDINAL[2] _XEMBED_INFO of w, or an empty list when it has none.
    std::vector<long> xembedInfo(Window w) {
        Atom info = XInternAtom(dpy_, "_XEMBED_INFO", False);
        Atom type = 0;
        int format = 0;
        unsigned long n = 0, after = 0;
        unsigned char* data = nullptr;
        std::vector<long> out;
        if (XGetWindowProperty(dpy_, w, info, 0, 16, False, AnyPropertyType, &type, &format, &n,
                               &after, &data) == Success &&
            type != None) {
            EXPECT_EQ(type, XA_CARDINAL);
            EXPECT_EQ(format, 32);
            const long* items = reinterpret_cast<const long*>(data);
            out.assign(items, items + n);
        }
        if (data) XFree(data);
        return out;
    }
};

TEST_F(X11Window, IsAChildOfItsParentSizedBeforeTheConstructorReturns) {
    RecordingListener listener;
    IWindow* w = open(listener);
    ASSERT_NE(w, nullptr);
    // The GUI is sized exactly once, before anything else can happen.
    EXPECT_EQ(listener.resizeCount(), 1);
    EXPECT_EQ(listener.lastResizeWidth(), 1000);
    EXPECT_EQ(listener.lastResizeHeight(), 700);

    Window child = handleOf(w);
    EXPECT_EQ(parentOf(child), parent_);
    Window root;
    int x, y;
    unsigned int width, height, border, depth;
    ASSERT_TRUE(XGetGeometry(dpy_, child, &root, &x, &y, &width, &height, &border, &depth));
    EXPECT_EQ(width, 1000u);
    EXPECT_EQ(height, 700u);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(depth, 24u);

    Atom* protocols = nullptr;
    int n = 0;
    ASSERT_TRUE(XGetWMProtocols(dpy_, child, &protocols, &n));
    Atom deleteWindow = XInternAtom(dpy_, "WM_DELETE_WINDOW", False);
    EXPECT_NE(std::find(protocols, protocols + n, deleteWindow), protocols + n);
    XFree(protocols);

    EXPECT_TRUE(xembedInfo(child).empty()) << "only the embedding build announces XEmbed";
    EXPECT_FALSE(w->terminated());

    destroyFree(w);
    XSync(dpy_, False);
    EXPECT_TRUE(childrenOf(parent_).empty()) << "closing removes the child";
}

TEST_F(X11Window, EmbeddingOptionAnnouncesXEmbedMapped) {
    RecordingListener listener;
    IWindow* w = open(listener, /*xembed=*/true);
    ASSERT_NE(w, nullptr);
    Window child = handleOf(w);
    EXPECT_EQ(parentOf(child), parent_);
    EXPECT_EQ(xembedInfo(child), (std::vector<long>{0, 1}));
    destroyFree(w);
}

TEST_F(X11Window, WithoutParentTheWindowIsTopLevel) {
    RecordingListener listener;
    IWindow* w = createWindow(WindowUsage::host, nullptr, nullptr, &listener,
                              WindowBackend::autodetect, 300, 200);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(parentOf(handleOf(w)), DefaultRootWindow(dpy_));
    EXPECT_EQ(listener.lastResizeWidth(), 300);
    destroyFree(w);
}

TEST_F(X11Window, RefusesWhatItCannotShow) {
    RecordingListener listener;
    void* parent = reinterpret_cast<void*>(parent_);
    // Other platforms' backends, and values that name none.
    for (int backend : {1, 2, 3, 5, -1})
        EXPECT_EQ(createWindow(WindowUsage::plugin, parent, nullptr, &listener,
                               static_cast<WindowBackend>(backend), 1000, 700),
                  nullptr)
            << backend;
    EXPECT_EQ(
        createWindow(WindowUsage::plugin, parent, nullptr, nullptr, WindowBackend::x11, 1000, 700),
        nullptr);
    EXPECT_EQ(
        createWindow(WindowUsage::plugin, parent, nullptr, &listener, WindowBackend::x11, 0, 700),
        nullptr);
    EXPECT_EQ(listener.resizeCount(), 0);
    EXPECT_EQ(x11WindowCount(), 0);
    EXPECT_TRUE(childrenOf(parent_).empty());
}

TEST_F(X11Window, AParentThatDoesNotExistGivesNoWindowAndBothersNoOne) {
    allowWindowErrors_ = true;  // the server's refusals arrive on the window's connection
    Window gone = XCreateSimpleWindow(dpy_, parent_, 0, 0, 10, 10, 0, 0, 0);
    XDestroyWindow(dpy_, gone);
    XSync(dpy_, False);
    RecordingListener listener;
    IWindow* w = createWindow(WindowUsage::plugin, reinterpret_cast<void*>(gone), nullptr,
                              &listener, WindowBackend::x11, 1000, 700);
    EXPECT_EQ(w, nullptr);
    EXPECT_EQ(x11WindowCount(), 0);
    EXPECT_EQ(x11SharedDisplay(), nullptr);
    // A good parent works again right after.
    IWindow* ok = open(listener);
    ASSERT_NE(ok, nullptr);
    destroyFree(ok);
}

TEST_F(X11Window, WaitingForAnEventReturnsOnceOneIsHandled) {
    RecordingListener listener;
    IWindow* w =
        createWindow(WindowUsage::host, nullptr, nullptr, &listener, WindowBackend::x11, 200, 100);
    ASSERT_NE(w, nullptr);
    // The timer keeps asking for repaints, so events keep coming for either thread to take.
    listener.reportDirtyForever(geom::box2i(0, 0, 200, 100));
    std::atomic<bool> returned{false};
    std::thread waiter([&] {
        w->waitEventAndDispatch();
        returned = true;
    });
    EXPECT_TRUE(waitUntil([&] { return returned.load(); }));
    waiter.join();
    EXPECT_TRUE(waitUntil([&] { return listener.drawCount() >= 1; }));
    destroyFree(w);
}

TEST_F(X11Window, HostResizesAndOversizedExposesLeaveTheBuffersAlone) {
    RecordingListener listener;
    IWindow* w = open(listener);
    ASSERT_NE(w, nullptr);
    Window child = handleOf(w);

    XResizeWindow(dpy_, child, 400, 300);    // smaller
    XResizeWindow(dpy_, child, 1600, 1000);  // larger than the editor
    XMoveWindow(dpy_, child, 0, 0);          // same size again
    // A synthetic expose far beyond the buffer, as a confused host might send.
    XEvent e{};
    e.xexpose.type = Expose;
    e.xexpose.window = child;
    e.xexpose.x = -100;
    e.xexpose.y = 600;
    e.xexpose.width = 5000;
    e.xexpose.height = 5000;
    XSendEvent(dpy_, child, False, ExposureMask, &e);
    // Then a click as a marker: events of one window are handled in order, so once it has
    // arrived the resizes and the expose have been handled.
    XEvent click{};
    click.xbutton.type = ButtonPress;
    click.xbutton.window = child;
    click.xbutton.button = 1;
    click.xbutton.x = 777;
    click.xbutton.y = 333;
    XSendEvent(dpy_, child, False, ButtonPressMask, &click);
    XSync(dpy_, False);
    ASSERT_TRUE(listener.waitForEvents(1));
    EXPECT_EQ(listener.events()[0].x, 777);
    EXPECT_GE(listener.drawCount(), 1);
    EXPECT_EQ(listener.resizeCount(), 1);
    destroyFree(w);
    XSync(dpy_, False);
    EXPECT_EQ(xErrorCount(), 0);
    EXPECT_EQ(listener.overlapViolations(), 0);
}

TEST_F(X11Window, SurvivesTheHostDestroyingItsWindowFirst) {
    RecordingListener listener;
    IWindow* w = open(listener);
    ASSERT_NE(w, nullptr);
    allowWindowErrors_ = true;  // requests racing the destruction fail on the window's side
    listener.reportDirtyForever(geom::box2i(0, 0, 50, 50));  // keeps the timer sending exposes
    listener.setCursor(MouseCursor::cross);
    XDestroyWindow(dpy_, parent_);
    XSync(dpy_, False);
    EXPECT_TRUE(waitUntil([&] { return w->terminated(); }));
    // Closing the editor afterwards must not touch the dead window again, and nothing reaches
    // the host's error handler.
    destroyFree(w);
    parent_ = XCreateSimpleWindow(dpy_, DefaultRootWindow(dpy_), 0, 0, 10, 10, 0, 0, 0);
    XSync(dpy_, False);
    EXPECT_EQ(xErrorCount(), 0);
}

TEST_F(X11Window, ClockIsTheWallClockInMilliseconds) {
    RecordingListener listener;
    IWindow* w = open(listener);
    ASSERT_NE(w, nullptr);
    timeval tv;
    gettimeofday(&tv, nullptr);
    auto expected = static_cast<std::uint32_t>(static_cast<std::uint64_t>(tv.tv_sec) * 1000u +
                                               static_cast<std::uint64_t>(tv.tv_usec) / 1000u);
    std::uint32_t got = w->getTimeMs();
    EXPECT_LE(static_cast<std::uint32_t>(got - expected), 1000u);
    destroyFree(w);
}

}  // namespace
