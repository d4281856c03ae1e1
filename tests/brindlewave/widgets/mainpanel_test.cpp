#include "brindlewave/widgets/mainpanel.h"

#include <atomic>
#include <chrono>
#include <thread>

#include "brindlewave/scales.h"
#include "brindlewave/widgets/meter.h"
#include "panelfixture.h"

namespace {

using namespace editortest;
using brindlewave::frequencyToX;
using brindlewave::MainPanel;
using brindlewave::xToFrequency;
namespace param = brindlewave::param;

class MainPanelTest : public PanelFixture {
protected:
    MainPanel* makeRow() {
        row = add(rigging::mallocNew<MainPanel>(&context, *client, &font, knobStrip, &mailbox,
                                                &globals, &tooltip),
                  box2i(0, 265, 1000, 581));
        return row;
    }
    // Left and right edge of each panel in the row, in band order.
    std::vector<std::pair<int, int>> spans() {
        std::vector<std::pair<int, int>> v;
        for (int b = 0; b < row->bandCountShown(); ++b)
            v.push_back({row->panel(b)->position().min.x, row->panel(b)->position().max.x});
        return v;
    }
    int childPanels() {
        int n = 0;
        for (rigging::UIElement* c : row->children())
            n += dynamic_cast<brindlewave::SubPanel*>(c) != nullptr;
        return n;
    }
    // As the "+" button does it.
    void pressAddBand() {
        auto* bands = static_cast<rigging::IntegerParameter*>(p(param::numberOfBands));
        globals.setBandAddedByEditor();
        bands->beginParamEdit();
        bands->setFromGUI(bands->value() + 1);
        bands->endParamEdit();
    }
    MainPanel* row = nullptr;
    using Spans = std::vector<std::pair<int, int>>;
};

TEST_F(MainPanelTest, EvenCrossoversGiveFourEqualPanels) {
    hostSetBands(4);
    hostSetFloat(0, 112.47);
    hostSetFloat(1, 632.46);
    hostSetFloat(2, 3556.56);
    makeRow();
    EXPECT_EQ(spans(), (Spans{{0, 250}, {250, 500}, {500, 750}, {750, 1000}}));
    EXPECT_EQ(row->panel(2)->position().min.y, 265);
    EXPECT_EQ(row->panel(2)->position().max.y, 581);
    EXPECT_EQ(childPanels(), 4);

    // A host move lands on the next tick, not on the host's thread.
    hostSetFloat(1, 1000.0);
    EXPECT_EQ(row->panel(1)->position().max.x, 500);
    tick();
    EXPECT_EQ(spans(), (Spans{{0, 250}, {250, 566}, {566, 750}, {750, 1000}}));
    // Out of order: the panel between keeps its place, its neighbours follow.
    hostSetFloat(1, 5023.7734);
    tick();
    EXPECT_EQ(spans(), (Spans{{0, 250}, {250, 800}, {566, 750}, {750, 1000}}));
}

TEST_F(MainPanelTest, TheAddButtonMakesRoomForTheNewBand) {
    hostSetBands(3);
    hostSetFloat(0, xToFrequency(300));
    hostSetFloat(1, xToFrequency(850));  // the last panel is only 150 wide
    makeRow();
    host.calls.clear();
    pressAddBand();
    EXPECT_EQ(childPanels(), 3);
    tick();
    const double c1 = xToFrequency(frequencyToX(value(0)) + 100);
    const double c2 = xToFrequency(frequencyToX(c1) + 100);
    EXPECT_DOUBLE_EQ(value(1), c1);
    EXPECT_DOUBLE_EQ(value(2), c2);
    // The button's own edit, then the two follow-up edits, left neighbour first.
    ASSERT_EQ(host.calls.size(), 9u);
    EXPECT_EQ(host.calls[3], "begin 1");
    EXPECT_EQ(host.calls[5], "end 1");
    EXPECT_EQ(host.calls[6], "begin 2");
    EXPECT_EQ(host.calls[8], "end 2");
    EXPECT_EQ(childPanels(), 4);
    EXPECT_EQ(spans(), (Spans{{0, 300}, {300, 400}, {400, 500}, {500, 1000}}));

    // At four bands the button's edit changes nothing, and its flag does not linger for a
    // later host raise.
    host.calls.clear();
    pressAddBand();
    tick();
    EXPECT_EQ(host.count("begin 1"), 0);
    EXPECT_EQ(host.count("begin 2"), 0);
    EXPECT_EQ(childPanels(), 4);
}

TEST_F(MainPanelTest, AWideLastPanelOnlyMovesTheNewCrossover) {
    hostSetBands(2);
    hostSetFloat(0, xToFrequency(400));
    makeRow();
    host.calls.clear();
    pressAddBand();
    tick();
    EXPECT_DOUBLE_EQ(value(0), xToFrequency(400));
    EXPECT_DOUBLE_EQ(value(1), xToFrequency(500));
    EXPECT_EQ(host.count("begin 0"), 0);
    EXPECT_EQ(spans(), (Spans{{0, 400}, {400, 500}, {500, 1000}}));
}

TEST_F(MainPanelTest, AHostRaiseKeepsTheCrossoversItBrought) {
    hostSetBands(2);
    makeRow();
    // A flag left from a button press that changed nothing must not count for the host.
    globals.setBandAddedByEditor();
    tick();
    // A state load: crossovers first, then the band count.
    hostSetFloat(0, 100.0);
    hostSetFloat(1, 1000.0);
    hostSetFloat(2, 10000.0);
    hostSetBands(4);
    host.calls.clear();
    tick();
    EXPECT_DOUBLE_EQ(value(0), 100.0);
    EXPECT_DOUBLE_EQ(value(1), 1000.0);
    EXPECT_DOUBLE_EQ(value(2), 10000.0);
    EXPECT_TRUE(host.calls.empty());
    EXPECT_EQ(spans(), (Spans{{0, 233}, {233, 566}, {566, 900}, {900, 1000}}));
}

TEST_F(MainPanelTest, LoweringTheBandCountTakesPanelsFromTheEnd) {
    hostSetBands(4);
    makeRow();
    brindlewave::SubPanel* kept[4] = {row->panel(0), row->panel(1), row->panel(2), row->panel(3)};
    hostSetBands(2);
    EXPECT_EQ(childPanels(), 4);
    tick();
    EXPECT_EQ(childPanels(), 2);
    EXPECT_EQ(kept[2]->parent(), nullptr);
    EXPECT_EQ(kept[3]->parent(), nullptr);
    EXPECT_EQ(spans().back().second, 1000);
    EXPECT_EQ(spans().front().second, frequencyToX(value(0)));

    // Back up by the host: the same panels return, laid out again.
    hostSetBands(4);
    tick();
    EXPECT_EQ(childPanels(), 4);
    for (int b = 0; b < 4; ++b) EXPECT_EQ(row->panel(b), kept[b]);
    EXPECT_EQ(spans().back().second, 1000);
    EXPECT_EQ(spans()[2].first, frequencyToX(value(1)));
}

TEST_F(MainPanelTest, PanelsWaitForTheEndOfACrossoverDrag) {
    hostSetBands(4);
    makeRow();
    const Spans before = spans();
    tick();
    pull(context.dirtyListPBR);
    globals.setCrossoverBeingDragged(true);
    for (int i = 0; i < 50; ++i) hostSetFloat(0, 60.0 + i);
    tick();
    tick();
    EXPECT_EQ(spans(), before);
    // Nothing of the row is relit while the handle moves.
    EXPECT_TRUE(pull(context.dirtyListPBR).empty());
    globals.setCrossoverBeingDragged(false);
    tick();
    // Then the two panels either side of the crossover, once.
    int area = 0;
    for (const box2i& r : pull(context.dirtyListPBR)) {
        EXPECT_TRUE(box2i(0, 265, 500, 581).contains(r));
        area += r.width() * r.height();
    }
    EXPECT_EQ(area, 500 * 316);
    EXPECT_EQ(row->panel(0)->position().max.x, frequencyToX(109.0));
    EXPECT_EQ(row->panel(1)->position().min.x, frequencyToX(109.0));
    EXPECT_EQ(spans()[2], before[2]);
}

TEST_F(MainPanelTest, SolosFollowTheBandsInUse) {
    // Restored before the editor exists: the first tick dims the others.
    hostSetBands(3);
    hostSetBool(param::solo(1), true);
    makeRow();
    tick();
    EXPECT_TRUE(row->panel(0)->overlayShown());
    EXPECT_FALSE(row->panel(1)->overlayShown());
    EXPECT_TRUE(row->panel(2)->overlayShown());
    hostSetBool(param::solo(1), false);
    hostSetBands(4);
    tick();
    hostSetBool(param::solo(3), true);
    tick();
    EXPECT_TRUE(row->panel(0)->overlayShown());
    // A band that leaves takes its solo out of play.
    hostSetBands(3);
    tick();
    tick();
    EXPECT_FALSE(row->panel(0)->overlayShown());
}

TEST_F(MainPanelTest, MetersFedFromTheAudioThreadWhileTheBandCountChanges) {
    hostSetBands(2);
    makeRow();
    std::atomic<bool> stop{false};
    std::atomic<int> fed{0};
    std::thread audio([&] {
        const float pre[4] = {1.0f, 0.5f, 0.25f, 0.125f}, post[4] = {0.5f, 0.25f, 0.1f, 0.05f};
        while (!stop.load()) {
            row->updateMeters(pre, post, 48000.0f);
            fed.fetch_add(1);
        }
    });
    std::thread automation([&] {
        for (int i = 0; i < 200 && !stop.load(); ++i) {
            hostSetBands(2 + i % 3);
            hostSetBool(param::solo(i % 4), i % 2 == 0);
            hostSetFloat(i % 3, 100.0 + 50.0 * (i % 40));
        }
    });
    // At least 300 ticks, and on until the feeder has run a while: a loaded machine may not
    // schedule it at once.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (int i = 0; i < 300 || (fed.load() < 50 && std::chrono::steady_clock::now() < deadline);
         ++i) {
        tick();
        if (i % 7 == 0) globals.setCrossoverBeingDragged(i % 14 == 0);
    }
    automation.join();
    stop = true;
    audio.join();
    globals.setCrossoverBeingDragged(false);
    tick();
    EXPECT_GE(fed.load(), 50);
    EXPECT_EQ(childPanels(), row->bandCountShown());
    EXPECT_EQ(row->bandCountShown(),
              static_cast<rigging::IntegerParameter*>(p(param::numberOfBands))->value());
    // Band 1's meter took the levels: its input line rose from the start level to 0 dB.
    EXPECT_EQ(row->panel(0)->meter()->inputRow(),
              brindlewave::rowForLevel(brindlewave::levelFromAmplitude(1.0f), 265));
}

// The row's displays mark their own changes, so by default a row without a spectrum stays
// as it is; the reference that redraws whenever asked refreshes it five times a second.
TEST_F(MainPanelTest, WithoutASpectrumOnlyTheRedrawEverythingReferenceRefreshesTheRow) {
    makeRow();
    for (int i = 0; i < 3; ++i) row->onAnimate(16.0, 16.0 * i);
    pull(context.dirtyListRaw);
    pull(context.dirtyListPBR);
    for (int i = 0; i < 60; ++i) row->onAnimate(1000.0 / 60.0, 1000.0 * i / 60.0);
    EXPECT_TRUE(pull(context.dirtyListRaw).empty());
    EXPECT_TRUE(pull(context.dirtyListPBR).empty());

    globals.setRedrawsOnlyChanges(false);
    int refreshes = 0;
    for (int i = 0; i < 60; ++i) {  // one second of ticks
        row->onAnimate(1000.0 / 60.0, 1000.0 * i / 60.0);
        const std::vector<box2i> raw = pull(context.dirtyListRaw);
        if (!raw.empty()) {
            ++refreshes;
            EXPECT_EQ(raw, (std::vector<box2i>{box2i(0, 265, 1000, 581)}));
        }
        EXPECT_TRUE(pull(context.dirtyListPBR).empty()) << i;
    }
    EXPECT_EQ(refreshes, 5);
    // Spectrum frames arriving: no refresh of its own.
    globals.setFFTDataArriving(true);
    for (int i = 0; i < 60; ++i) row->onAnimate(1000.0 / 60.0, 1000.0 * i / 60.0);
    EXPECT_TRUE(pull(context.dirtyListRaw).empty());
}

}  // namespace
