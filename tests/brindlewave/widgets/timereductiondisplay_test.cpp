#include "brindlewave/widgets/timereductiondisplay.h"

#include <gtest/gtest.h>

#include "brindlewave/scales.h"
#include "brindlewave/widgets/depthbox.h"
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
    float newestFirst() const {
        const auto h = history->history();
        return h[std::size_t((history->writeIndex() + 99) % 100)].first;
    }
    rigging::UIContext context;
    GlobalState state;
    UITimeReductionDisplay* history = nullptr;
};

TEST_F(HistoryTest, RowsAndTheEmptyPicture) {
    const float levels[] = {0.0f, 0.5f, 60.0f / 66.0f, 1.0f, std::nanf("")};
    const int rows[] = {45, 23, 5, 0, 45};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(history->pixelFromFloat(levels[i]), rows[i]);
    // No pushes: both curves flat on the bottom edge, the 2-pixel outline on row 45.
    Picture p = drawRaw(*history);
    for (int x = 0; x < 100; ++x) ASSERT_EQ(topmostDrawnRow(p, x, kBackground), 44) << x;
    history->onAnimate(16.7, 0);
    EXPECT_TRUE(pullDirty(context).empty());
    EXPECT_EQ(history->depthBox()->position(), history->position());
}

TEST_F(HistoryTest, OneColumnPerTickWhateverArrivedBetween) {
    // Ten pushes: the ring keeps the last eight, the tick takes the oldest of those and the
    // elapsed time accounts for the rest.
    for (int i = 0; i < 10; ++i) history->pushBack(0.001f * float(i + 1), 1.0f, kRate);
    history->onAnimate(16.7, 0);
    EXPECT_EQ(history->writeIndex(), 1);
    EXPECT_FLOAT_EQ(newestFirst(), levelFromAmplitude(0.003f));
    EXPECT_EQ(single(pullDirty(context).raw), history->position());
    history->onAnimate(16.7, 0);
    EXPECT_EQ(history->writeIndex(), 1);
}

TEST_F(HistoryTest, ABurstAtTheItemRateIsDrainedOneColumnPerTick) {
    for (int i = 0; i < 4; ++i) history->pushBack(0.1f * float(i + 1), 0.5f, 1.0f / 16.7f);
    for (int tick = 1; tick <= 6; ++tick) history->onAnimate(16.7, 0);
    EXPECT_EQ(history->writeIndex(), 4);
    EXPECT_FLOAT_EQ(newestFirst(), levelFromAmplitude(0.4f));
}

TEST_F(HistoryTest, ScrollsWithTheNewestColumnAtTheRight) {
    for (int i = 0; i < 100; ++i) {
        history->pushBack(i == 99 ? 2.0f : 0.001f, 0.001f, kRate);  // +6 dB last
        history->onAnimate(16.7, 0);
    }
    Picture p = drawRaw(*history);
    EXPECT_LE(topmostDrawnRow(p, 99, kBackground), 1);
    EXPECT_EQ(topmostDrawnRow(p, 50, kBackground), 44);
    history->pushBack(0.001f, 0.001f, kRate);
    history->onAnimate(16.7, 0);
    p = drawRaw(*history);
    EXPECT_LE(topmostDrawnRow(p, 98, kBackground), 1);
    EXPECT_GE(topmostDrawnRow(p, 96, kBackground), 40);
}

TEST_F(HistoryTest, WhileThePanelMovesNothingIsDrawn) {
    state.beginPanelMove(0);
    expectNothingDrawn(*history, false);
    pullDirty(context);
    state.endPanelMove(0);
    history->onAnimate(16.7, 0);
    EXPECT_EQ(pullDirty(context).raw.size(), 1u);
}

TEST_F(HistoryTest, TheHistoryIsMadeOnceAndTheOverlayBlendedOnTop) {
    const TimeReductionData* data = history->history().data();
    history->setPosition(box2i(300, 495, 380, 540));
    history->initializeBuffer();
    EXPECT_EQ(history->history().data(), data);
    EXPECT_EQ(history->depthBox()->position(), history->position());
    drawRaw(*history);  // narrower than its history: still inside the picture
    rigging::OwnedImage<RGBA>* overlay = makeOverlay(100, 45, RGBA{0, 0, 0, 100});
    {
        UITimeReductionDisplay h(&context, overlay, 0, &state);
        h.setPosition(box2i(0, 0, 100, 45));  // drawn before its history is made: flat
        EXPECT_EQ(drawRaw(h).at(50, 10), (RGBA{18, 18, 18, 194}));
    }
    rigging::destroyFree(overlay);
}

}  // namespace
}  // namespace brindlewave
