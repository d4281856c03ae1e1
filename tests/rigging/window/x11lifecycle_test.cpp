// Hosts open and close editors many times, several at once: no thread outlives its window,
// the shared display closes with the last window and opens again with the next.

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
    while (dirent* e = readdir(d)) n += e->d_name[0] != '.';
    closedir(d);
    return n;
}

using X11Lifecycle = X11Test;

TEST_F(X11Lifecycle, FiftyOpenCloseCyclesLeaveNoThreadAndReopenTheDisplay) {
    {
        // A first window, so that threads the runtime starts once (a sanitizer's) are counted.
        RecordingListener listener;
        destroyFree(open(listener));
    }
    const int threadsAtStart = threadCount();
    for (int cycle = 0; cycle < 50; ++cycle) {
        RecordingListener listener;
        IWindow* w = open(listener, cycle % 2 == 1);
        ASSERT_NE(w, nullptr) << cycle;
        EXPECT_NE(x11SharedDisplay(), nullptr);
        EXPECT_EQ(threadCount(), threadsAtStart + 2) << cycle;
        if (cycle % 5 == 0) {
            // Now and then a draw and a cursor (every shape, and values that name none).
            listener.setCursor(static_cast<MouseCursor>(cycle / 5 - 2));
            listener.requestRepaint(box2i(0, 0, 1000, 700));
            ASSERT_TRUE(waitUntil([&] { return listener.drawCount > 0; })) << cycle;
        }
        destroyFree(w);
        EXPECT_EQ(x11SharedDisplay(), nullptr) << "the last window closes the display";
        EXPECT_EQ(threadCount(), threadsAtStart) << cycle;
    }
    XSync(dpy_, False);
    EXPECT_TRUE(childrenOf(parent_).empty());
}

TEST_F(X11Lifecycle, WindowsOpenedAndClosedAtOnceFromTwoThreads) {
    for (int round = 0; round < 10; ++round) {
        RecordingListener listeners[2];
        IWindow* windows[2] = {nullptr, nullptr};
        std::atomic<int> ready{0};
        auto together = [&](auto&& job) {
            ready = 0;
            auto run = [&](int i) {
                for (ready++; ready.load() < 2;) {
                }
                job(i);
            };
            std::thread a(run, 0), b(run, 1);
            a.join();
            b.join();
        };
        together([&](int i) { windows[i] = open(listeners[i]); });
        ASSERT_NE(windows[0], nullptr);
        ASSERT_NE(windows[1], nullptr);
        EXPECT_EQ(x11WindowCount(), 2);
        XSync(dpy_, False);
        EXPECT_EQ(childrenOf(parent_).size(), 2u);
        EXPECT_EQ(listeners[0].resizeCount + listeners[1].resizeCount, 2);
        together([&](int i) { destroyFree(windows[i]); });
        EXPECT_EQ(x11SharedDisplay(), nullptr);
    }
}

TEST_F(X11Lifecycle, ClosingOneOfTwoWindowsKeepsTheOtherWorking) {
    RecordingListener first, second;
    IWindow* a = open(first);
    IWindow* b = open(second, true);
    ASSERT_TRUE(a && b);
    destroyFree(a);
    EXPECT_EQ(x11WindowCount(), 1);
    EXPECT_NE(x11SharedDisplay(), nullptr);
    second.requestRepaint(box2i(5, 5, 50, 50));
    EXPECT_TRUE(waitUntil([&] { return second.drawCount > 0; }));
    std::size_t ticks = second.animateCalls().size();
    EXPECT_TRUE(waitUntil([&] { return second.animateCalls().size() > ticks; }));
    destroyFree(b);
    EXPECT_EQ(first.overlaps + second.overlaps, 0);
}

}  // namespace
