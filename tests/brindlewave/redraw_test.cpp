// The editor leaves out redraws that would show what is already on screen. Two editors play the
// same programme tick by tick, one leaving such redraws out and one redrawing whenever asked:
// every frame must be the same, and the first must go quiet once nothing moves.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>

#include "brindlewave/globals.h"
#include "brindlewave/gui.h"
#include "brindlewave/paramids.h"
#include "brindlewave/plugin.h"
#include "displays/programme.h"
#include "rigging/gui/offscreen.h"

namespace {

using brindlewave::HalyardGUI;
namespace param = brindlewave::param;
namespace displays = brindlewave::displays;

struct Editor {
    explicit Editor(bool onlyChanges)
        : plugin(rigging::createClient<brindlewave::BrindlewavePlugin>()),
          gui(rigging::mallocNew<HalyardGUI>(*plugin)),
          driver(*gui) {
        gui->bandState().setRedrawsOnlyChanges(onlyChanges);
        driver.open();
    }
    ~Editor() {
        driver.stopFeeder();
        rigging::destroyFree(gui);
        rigging::destroyFree(plugin);
    }
    void set(int index, double normalized) { plugin->param(index)->setFromHost(normalized); }

    brindlewave::BrindlewavePlugin* plugin;
    HalyardGUI* gui;
    rigging::OffscreenDriver driver;
};

TEST(RedrawOnlyChanges, EveryFrameOfAProgrammeEqualsTheEditorThatRedrawsWhenAsked) {
    Editor skipping(true), reference(false);
    const displays::Programme programme;
    rigging::Vec<brindlewave::SpectrumBin> silentFrame(displays::kBins);
    for (auto& bin : silentFrame) bin = {0.0f, 0.0f};
    const float silentLevels[4] = {0, 0, 0, 0};

    enum class Audio { noise, silence, none };
    int block = 0;
    double blockDebt = 0;
    int tick = 0;
    // Plays `ticks` ticks of one kind of audio into both editors, the engine's blocks spread
    // over the ticks as they arrive, with `changes` (tick within the segment) applied to both.
    // Answers how many ticks the skipping editor drew in the last `quietTail` ticks.
    auto play = [&](Audio audio, int ticks, int quietTail,
                    const std::function<void(int, Editor&)>& changes) -> int {
        int drawnAtTheEnd = 0;
        for (int t = 0; t < ticks; ++t, ++tick) {
            for (Editor* e : {&skipping, &reference}) changes(t, *e);
            blockDebt += displays::kBlocksPerSecond / 60.0;
            for (; blockDebt >= 1.0; blockDebt -= 1.0, ++block) {
                for (Editor* e : {&skipping, &reference}) {
                    if (audio == Audio::noise) programme.feedBlock(*e->gui, block);
                    if (audio == Audio::silence) {
                        e->gui->updateFFTData(silentFrame, displays::kFFTSize,
                                              displays::kSampleRate);
                        e->gui->updateMeters(silentLevels, silentLevels, displays::kSampleRate);
                    }
                }
            }
            const bool drew = skipping.driver.tick();
            reference.driver.tick();
            if (t >= ticks - quietTail && drew) ++drawnAtTheEnd;
            const auto a = skipping.driver.image(), b = reference.driver.image();
            if (std::memcmp(a.pixels, b.pixels, sizeof(rigging::RGBA) * a.w * a.h) != 0) {
                int x0 = a.w, y0 = a.h, x1 = -1, y1 = -1;
                for (int y = 0; y < a.h; ++y)
                    for (int x = 0; x < a.w; ++x)
                        if (std::memcmp(&a.scanlinePtr(y)[x], &b.scanlinePtr(y)[x], 4) != 0)
                            x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x),
                            y1 = std::max(y1, y);
                ADD_FAILURE() << "the frames differ at tick " << tick << " in (" << x0 << ", " << y0
                              << ")-(" << x1 + 1 << ", " << y1 + 1 << ")";
                return -1;
            }
        }
        return drawnAtTheEnd;
    };
    auto none = [](int, Editor&) {};

    ASSERT_EQ(0, play(Audio::noise, 90, 0, [](int t, Editor& e) {
                  if (t == 30) e.set(param::threshold(0), 0.3);
                  if (t == 50) e.set(param::ratio(1), 0.8);
                  if (t == 70) e.set(param::crossover(1), 0.45);
              }));
    // The spectrum falls to the floor and the histories scroll flat within about two seconds;
    // then a silent engine draws nothing.
    EXPECT_EQ(play(Audio::silence, 200, 40, none), 0);
    ASSERT_EQ(0, play(Audio::silence, 40, 0, [](int t, Editor& e) {
                  if (t == 5) e.set(param::attack(2), 0.2);
                  if (t == 20) e.set(param::threshold(3), 0.6);
              }));
    EXPECT_EQ(play(Audio::none, 60, 40, none), 0);
    ASSERT_EQ(0, play(Audio::none, 60, 0, [](int t, Editor& e) {
                  if (t == 10) e.set(param::threshold(1), 0.2);
                  if (t == 25) e.set(param::numberOfBands, 0.5);
                  if (t == 40) e.set(param::release(0), 0.9);
                  if (t == 45) e.set(param::solo(1), 1.0);
                  if (t == 50) e.set(param::toggleView(2), 1.0);
              }));
    ASSERT_EQ(0, play(Audio::noise, 60, 0, [](int t, Editor& e) {
                  if (t == 20) e.set(param::numberOfBands, 1.0);
                  if (t == 30) e.set(param::solo(1), 0.0);
                  if (t == 40) e.set(param::gain(3), 0.7);
                  if (t == 50) e.set(param::globalThreshold, 0.4);
              }));
}

}  // namespace
