// Hosts open and close editors many times, several at once: no thread outlives its window,
// the shared display closes with the last window and reopens with the next.

#include <dirent.h>

#include "rigging/core/nogc.h"
#include "rigging/window/x11display.h"
#include "x11fixture.h"

using namespace rigging;
using namespace windowtest;

namespace {

int threadCount() {
    int n = 0;
    DIR* d = opendir("/proc/self/task");
    if (d == nullptr) return -1;
    while (dirent* e = readdir(d))
        if (e->d_name[0] != '.') ++n;
    closedir(d);
    return n;
}

using X11Lifecycle = X11Test;

TEST_F(X11Lifecycle, FiftyOpenCloseCyclesLeaveNoThreadAndReopenTheDisplay) {
    const int threadsAtStart = threadCount();
    ASSERT_GT(threadsAtStart, 0);
    EXPECT_EQ(x11SharedDisplay(), nullptr);
    for (int cycle = 0; cycle < 50; ++cycle) {
        RecordingListener listener;
        IWindow* w = open(listener, cycle % 2 == 1);
        ASSERT_NE(w, nullptr) << cycle;
        EXPECT_EQ(x11WindowCount(), 1);
        EXPECT_NE(x11SharedDisplay(), nullptr);
        EXPECT_EQ(threadCount(), threadsAtStart + 2) << cycle;
        if (cycle % 10 == 0) {
            // Now and then a full round: a draw, a cursor, input.
            listener.setCursor(MouseCursor::hidden);
            listener.requestRepaint(geom::box2i(0, 0, 1000, 700));
            ASSERT_TRUE(waitUntil([&] { return listener.drawCount() > 0; })) << cycle;
        }
        destroyFree(w);
        EXPECT_EQ(x11WindowCount(), 0);
        EXPECT_EQ(x11SharedDisplay(), nullptr) << "the last window closes the display";
        EXPECT_EQ(threadCount(), threadsAtStart) << cycle;
        EXPECT_EQ(listener.resizeCount(), 1);
    }
    XSync(dpy_, False);
    EXPECT_TRUE(childrenOf(parent_).empty());
}

TEST_F(X11Lifecycle, WindowsOpenedAndClosedAtOnceFromTwoThreads) {
    for (int round = 0; round < 10; ++round) {
        RecordingListener listeners[2];
        IWindow* windows[2] = {nullptr, nullptr};
        std::atomic<int> ready{0};
        auto openOne = [&](int i) {
            ready++;
            while (ready.load() < 2) {
            }
            windows[i] = open(listeners[i]);
        };
        std::thread a(openOne, 0), b(openOne, 1);
        a.join();
        b.join();
        ASSERT_NE(windows[0], nullptr);
        ASSERT_NE(windows[1], nullptr);
        EXPECT_NE(handleOf(windows[0]), handleOf(windows[1]));
        EXPECT_EQ(x11WindowCount(), 2);
        XSync(dpy_, False);
        EXPECT_EQ(childrenOf(parent_).size(), 2u);
        for (RecordingListener& l : listeners) EXPECT_EQ(l.resizeCount(), 1);

        ready = 0;
        auto closeOne = [&](int i) {
            ready++;
            while (ready.load() < 2) {
            }
            destroyFree(windows[i]);
        };
        std::thread c(closeOne, 0), d(closeOne, 1);
        c.join();
        d.join();
        EXPECT_EQ(x11WindowCount(), 0);
        EXPECT_EQ(x11SharedDisplay(), nullptr);
    }
}

TEST_F(X11Lifecycle, ClosingOneOfTwoWindowsKeepsTheOtherWorking) {
    RecordingListener first, second;
    IWindow* a = open(first);
    IWindow* b = open(second, true);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    _XDisplay* shared = x11SharedDisplay();
    destroyFree(a);
    EXPECT_EQ(x11WindowCount(), 1);
    EXPECT_EQ(x11SharedDisplay(), shared);
    int before = second.drawCount();
    second.requestRepaint(geom::box2i(5, 5, 50, 50));
    EXPECT_TRUE(waitUntil([&] { return second.drawCount() > before; }));
    std::size_t ticks = second.animateCalls().size();
    EXPECT_TRUE(waitUntil([&] { return second.animateCalls().size() > ticks; }));
    destroyFree(b);
    EXPECT_EQ(first.overlapViolations() + second.overlapViolations(), 0);
}

}  // namespace
