// The displays with every thread that reaches them running at once: the feeder hands over
// spectra and levels at the engine's pace, another thread automates the parameters they
// listen to, and the test plays the timer and event threads (ticking, drawing, moving the
// mouse, dragging a crossover, moving panels). Under the thread checker this finds unguarded
// sharing; in every build it checks that the feed got through.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <random>
#include <thread>

#include "brindlewave/paramids.h"
#include "displays/displayrig.h"
#include "rigging/gui/offscreen.h"

namespace brindlewave {
namespace {

TEST(DisplayThreads, FeederAtTheBlockRateWhileTheGUITicksDrawsAndIsAutomated) {
    displays::DisplayRig rig;
    rigging::OffscreenDriver d(rig.gui());
    d.open();
    auto feed = [&](int block, int) { rig.feedBlock(block); };
    d.startFeeder(feed, static_cast<long long>(1e9 / displays::kBlocksPerSecond));
    std::atomic<bool> stop{false};
    std::thread automation([&] {
        std::mt19937 random(19);
        for (int i = 0; !stop.load(); ++i) {
            const int band = static_cast<int>(random() % 4);
            const int index[] = {param::threshold(band), param::ratio(band), param::attack(band),
                                 param::release(band), param::crossover(band % 3)};
            rig.client().param(index[i % 5])->setFromHost(0.2 + 0.6 * (random() % 1000) / 1000.0);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    std::mt19937 random(7);
    for (int tick = 0; tick < 240; ++tick) {
        const int x = static_cast<int>(random() % 1000), y = 60 + static_cast<int>(random() % 480);
        switch (random() % 6) {
            case 0: d.move(x, y); break;
            case 1: d.move(250, 162); d.click(250, 162); d.move(270, 162); break;
            case 2: d.release(x, y); break;
            case 3: rig.state().beginPanelMove(static_cast<int>(random() % 4)); break;
            case 4: for (int b = 0; b < 4; ++b) rig.state().endPanelMove(b); break;
            default: rig.state().flagMeterToUpdate(static_cast<int>(random() % 4), true);
        }
        d.tick();
        std::this_thread::sleep_for(std::chrono::milliseconds(4));
    }
    d.release(0, 0);
    // A starved feeder can fall silent for longer than the idle delay before the last tick,
    // which then rightly reports no data arriving; let a few more blocks through after it.
    const int fedBeforeStop = d.feedCount();
    for (int wait = 0; wait < 1000 && d.feedCount() < fedBeforeStop + 3; ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    d.stopFeeder();
    stop = true;
    automation.join();

    EXPECT_GT(d.feedCount(), 60);
    EXPECT_TRUE(rig.state().fftDataArriving());
    float loudest = 0.0f;
    for (float v : rig.spectrum().shownLevels()) loudest = std::max(loudest, v);
    EXPECT_GT(loudest, 0.5f);
    float history = 0.0f;
    for (const TimeReductionData& column : rig.history(0).history()) history += column.first;
    EXPECT_GT(history, 0.0f);
}

}  // namespace
}  // namespace brindlewave
