// The displays with the audio side, host automation and the window threads all running: the
// feeder thread hands over spectra and levels at the engine's pace while the test plays the
// timer and event threads, ticking, moving the mouse and dragging crossovers, and another
// thread automates the parameters the displays listen to. Under the thread checker this finds
// any unguarded sharing; in every build it checks that the feed got through.

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

using rigging::OffscreenDriver;

TEST(DisplayThreads, FeederAtTheBlockRateWhileTheGUITicksDrawsAndIsAutomated) {
    displays::DisplayRig rig;
    OffscreenDriver d(rig.gui());
    d.open();
    d.tick();

    auto feed = [&](int block, int) { rig.feedBlock(block); };
    d.startFeeder(feed, static_cast<long long>(1e9 / displays::kBlocksPerSecond));

    std::atomic<bool> stop{false};
    std::thread automation([&] {
        std::mt19937 random(19);
        auto* params = &rig.client();
        for (int i = 0; !stop.load(); ++i) {
            const int band = static_cast<int>(random() % 4);
            const double n = static_cast<double>(random() % 1000) / 1000.0;
            switch (i % 5) {
                case 0: params->param(param::threshold(band))->setFromHost(n); break;
                case 1: params->param(param::ratio(band))->setFromHost(n); break;
                case 2: params->param(param::attack(band))->setFromHost(n); break;
                case 3: params->param(param::release(band))->setFromHost(n); break;
                case 4: params->param(param::crossover(band % 3))->setFromHost(0.2 + 0.6 * n); break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });

    std::mt19937 random(7);
    const int ticks = 240;
    for (int tick = 0; tick < ticks; ++tick) {
        const int x = static_cast<int>(random() % 1000), y = 60 + static_cast<int>(random() % 480);
        switch (random() % 8) {
            case 0: d.move(x, y); break;
            case 1: d.move(250, 162); d.click(250, 162); d.move(270, 162); break;  // a handle
            case 2: d.release(x, y); break;
            case 3: rig.state().beginPanelMove(static_cast<int>(random() % 4)); break;
            case 4:
                for (int b = 0; b < 4; ++b) rig.state().endPanelMove(b);
                rig.state().flagMeterToUpdate(static_cast<int>(random() % 4), true);
                break;
            default: break;
        }
        d.tick();
        std::this_thread::sleep_for(std::chrono::milliseconds(4));
    }
    d.release(0, 0);
    d.stopFeeder();
    stop = true;
    automation.join();
    for (int b = 0; b < 4; ++b) rig.state().endPanelMove(b);
    d.tick();

    // Roughly the blocks of the time that passed; enough for many spectrum frames.
    EXPECT_GT(d.feedCount(), 60);
    EXPECT_TRUE(rig.state().fftDataArriving());
    float loudest = 0.0f;
    for (float v : rig.spectrum().shownLevels()) {
        ASSERT_TRUE(std::isfinite(v));
        loudest = std::max(loudest, v);
    }
    EXPECT_GT(loudest, 0.5f);
    bool historyMoved = false;
    for (const TimeReductionData& column : rig.history(0).history())
        historyMoved = historyMoved || column.first > 0.0f;
    EXPECT_TRUE(historyMoved);
}

}  // namespace
}  // namespace brindlewave
