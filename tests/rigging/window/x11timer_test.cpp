// The timer thread: 60 Hz animation with honest time steps, and the cursor it sets.

#include "rigging/core/nogc.h"
#include "x11fixture.h"

using namespace rigging;
using namespace windowtest;

namespace {

using X11Timer = X11Test;

TEST_F(X11Timer, PacesAnimationAtSixtyHertzWithElapsedTimeSteps) {
    RecordingListener listener;
    auto opened = Clock::now();
    IWindow* w = open(listener);
    ASSERT_NE(w, nullptr);
    std::this_thread::sleep_for(std::chrono::seconds(2));
    auto closing = Clock::now();
    destroyFree(w);

    std::vector<AnimateCall> calls = listener.animateCalls();
    double window = std::chrono::duration<double>(closing - opened).count();
    // A loaded machine may give fewer calls, never more than the period allows.
    EXPECT_LE(calls.size(), static_cast<std::size_t>(60 * window + 2));
    EXPECT_GE(calls.size(), 20u) << "the timer hardly ran";
    for (std::size_t i = 1; i < calls.size(); ++i) {
        double between =
            std::chrono::duration<double, std::milli>(calls[i].at - calls[i - 1].at).count();
        EXPECT_NEAR(calls[i].dt, between, 1.0) << "call " << i;
        EXPECT_GE(calls[i].dt, 16.0) << "call " << i;  // never sooner than one period
        EXPECT_NEAR(calls[i].time - calls[i - 1].time, calls[i].dt, 1e-9);
    }
    ASSERT_FALSE(calls.empty());
    double sinceOpen = std::chrono::duration<double, std::milli>(calls.back().at - opened).count();
    EXPECT_LE(calls.back().time, sinceOpen + 1.0);
    EXPECT_GE(calls.front().time, 0.0);
    EXPECT_EQ(listener.overlapViolations(), 0);
}

TEST_F(X11Timer, EveryCursorCanBeShownIncludingUnknownOnes) {
    RecordingListener listener;
    IWindow* w = open(listener);
    ASSERT_NE(w, nullptr);
    for (int c : {1, 2, 3, 4, 5, 6, 0, 6, 42, -3, 1}) {
        listener.setCursor(static_cast<MouseCursor>(c));
        std::size_t ticks = listener.animateCalls().size();
        // Two ticks: the one that read the cursor has set it.
        ASSERT_TRUE(waitUntil([&] { return listener.animateCalls().size() >= ticks + 2; }));
    }
    destroyFree(w);
    XSync(dpy_, False);
}

}  // namespace
