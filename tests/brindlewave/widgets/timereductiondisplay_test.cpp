#include "brindlewave/widgets/timereductiondisplay.h"

#include <gtest/gtest.h>

#include "brindlewave/widgets/depthbox.h"
#include "brindlewave/widgets/scales.h"
#include "displayfixture.h"

namespace brindlewave {
namespace {

using geom::box2i;
using rigging::RGBA;
using namespace brindlewave::testing;

constexpr RGBA kBackground{30, 30, 30, 255};
constexpr float kRate = 48000.0f;  // what the panels pass: every read takes all that waits

class HistoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        history = rigging::mallocNew<UITimeReductionDisplay>(&context, nullptr, 0, &state);
        history->setPosition(box2i(110, 495, 210, 540));  // 100 x 45
        history->initializeBuffer();
    }
    void TearDown() override { rigging::destroyFree(history); }

    // The newest column's two levels.
    TimeReductionData newest() const {
        const auto h = history->history();
        return h[std::size_t((history->writeIndex() + int(h.size()) - 1) % int(h.size()))];
    }

    rigging::UIContext context;
    GlobalState state;
    UITimeReductionDisplay* history = nullptr;
};

TEST_F(HistoryTest, RowsOfTheLevelScale) {
    EXPECT_EQ(history->pixelFromFloat(0.0f), 45);
    EXPECT_EQ(history->pixelFromFloat(0.5f), 23);
    EXPECT_EQ(history->pixelFromFloat(60.0f / 66.0f), 5);
    EXPECT_EQ(history->pixelFromFloat(1.0f), 0);
    EXPECT_EQ(history->pixelFromFloat(std::nanf("")), 45);
    history->insertToBuffer({0.001f, 2.0f});  // -60 dB and +6 dB
    EXPECT_EQ(newest().first, 0.0f);
    EXPECT_EQ(newest().second, 1.0f);
    history->insertToBuffer({0.0f, 1000.0f});
    EXPECT_EQ(newest().first, 0.0f);
    EXPECT_EQ(newest().second, 1.0f);
}

TEST_F(HistoryTest, WithoutPushesBothCurvesLieOnTheBottomEdge) {
    ASSERT_EQ(history->history().size(), 100u);
    for (const TimeReductionData& d : history->history()) {
        ASSERT_EQ(d.first, 0.0f);
        ASSERT_EQ(d.second, 0.0f);
    }
    Picture p = drawRaw(*history);
    for (int x = 0; x < 100; ++x) {
        EXPECT_EQ(topmostDrawnRow(p, x, kBackground), 44) << x;  // the 2-pixel outline on row 45
    }
    history->onAnimate(16.7, 0);
    EXPECT_TRUE(pullDirty(context).empty());
}

TEST_F(HistoryTest, OneColumnPerTickWhateverArrivedBetween) {
    // Ten pushes between ticks: the ring keeps the last eight, the tick takes the oldest of
    // those and the elapsed time accounts for all the rest.
    for (int i = 0; i < 10; ++i) history->pushBack(0.001f * float(i + 1), 1.0f, kRate);
    history->onAnimate(16.7, 0);
    EXPECT_EQ(history->writeIndex(), 1);
    EXPECT_FLOAT_EQ(newest().first, levelFromAmplitude(0.003f));
    DirtyAreas d = pullDirty(context);
    ASSERT_EQ(d.raw.size(), 1u);
    EXPECT_EQ(d.raw[0], history->position());
    history->onAnimate(16.7, 0);
    EXPECT_EQ(history->writeIndex(), 1);
    EXPECT_TRUE(pullDirty(context).empty());
}

TEST_F(HistoryTest, ABurstAtTheItemRateIsDrainedOneColumnPerTick) {
    // One item per tick's worth of time: four pushes make four columns on four ticks.
    for (int i = 0; i < 4; ++i) history->pushBack(0.1f * float(i + 1), 0.5f, 1.0f / 16.7f);
    for (int tick = 1; tick <= 6; ++tick) {
        history->onAnimate(16.7, 0);
        EXPECT_EQ(history->writeIndex(), std::min(tick, 4)) << tick;
        if (tick <= 4) {
            EXPECT_FLOAT_EQ(newest().first, levelFromAmplitude(0.1f * float(tick)));
        }
    }
}

TEST_F(HistoryTest, ScrollsWithTheNewestColumnAtTheRight) {
    for (int i = 0; i < 100; ++i) {
        history->pushBack(i == 99 ? 1.0f : 0.001f, 0.001f, kRate);
        history->onAnimate(16.7, 0);
    }
    Picture p = drawRaw(*history);
    EXPECT_LE(topmostDrawnRow(p, 99, kBackground), 5);
    EXPECT_EQ(topmostDrawnRow(p, 50, kBackground), 44);
    // One more column moves the tall one left by a pixel.
    history->pushBack(0.001f, 0.001f, kRate);
    history->onAnimate(16.7, 0);
    p = drawRaw(*history);
    EXPECT_LE(topmostDrawnRow(p, 98, kBackground), 5);
    EXPECT_GE(topmostDrawnRow(p, 96, kBackground), 40);
}

TEST_F(HistoryTest, WhileThePanelMovesNothingIsDrawn) {
    state.beginPanelMove(0);
    const RGBA marker{1, 2, 3, 4};
    for (RGBA c : drawRaw(*history, marker).pixels) ASSERT_EQ(c, marker);
    pullDirty(context);
    history->onAnimate(16.7, 0);
    EXPECT_TRUE(pullDirty(context).empty());
    state.endPanelMove(0);
    history->onAnimate(16.7, 0);
    EXPECT_EQ(pullDirty(context).raw.size(), 1u);
}

TEST_F(HistoryTest, TheDepthBoxChildCoversTheDisplayAndTheHistoryIsMadeOnce) {
    ASSERT_EQ(history->children().size(), 1u);
    EXPECT_EQ(history->children()[0], history->depthBox());
    EXPECT_EQ(history->depthBox()->position(), history->position());
    EXPECT_EQ(history->depthBox()->depth(), 0);
    const TimeReductionData* data = history->history().data();
    history->setPosition(box2i(300, 495, 380, 540));
    history->initializeBuffer();
    EXPECT_EQ(history->history().data(), data);
    EXPECT_EQ(history->history().size(), 100u);
    EXPECT_EQ(history->depthBox()->position(), history->position());
    drawRaw(*history);  // narrower than its history: still inside the picture
}

TEST_F(HistoryTest, BeforeItsHistoryIsMadeTheDisplayDrawsFlat) {
    UITimeReductionDisplay fresh(&context, nullptr, 1, &state);
    fresh.setPosition(box2i(0, 0, 100, 45));
    fresh.pushBack(1.0f, 1.0f, kRate);
    fresh.onAnimate(16.7, 0);
    EXPECT_TRUE(fresh.history().empty());
    Picture p = drawRaw(fresh);
    EXPECT_EQ(topmostDrawnRow(p, 50, kBackground), 44);
}

TEST_F(HistoryTest, TheOverlayIsBlendedOnTop) {
    rigging::OwnedImage<RGBA>* overlay = makeOverlay(100, 45, RGBA{0, 0, 0, 100});
    UITimeReductionDisplay h(&context, overlay, 0, &state);
    h.setPosition(history->position());
    h.initializeBuffer();
    Picture p = drawRaw(h);
    EXPECT_EQ(p.at(50, 10), (RGBA{18, 18, 18, 194}));
    rigging::destroyFree(overlay);
}

}  // namespace
}  // namespace brindlewave
