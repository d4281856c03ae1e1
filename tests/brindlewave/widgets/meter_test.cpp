#include "brindlewave/widgets/meter.h"

#include <gtest/gtest.h>

#include "displayfixture.h"

namespace brindlewave {
namespace {

using geom::box2i;
using rigging::RGBA;
using namespace brindlewave::testing;

// Meters are drawn over an opaque composited layer.
constexpr RGBA kUnder{10, 20, 30, 255};
const RGBA kBackground = painted(RGBA{0, 0, 0, 250}, kUnder);
constexpr RGBA kOutputBar{83, 198, 88, 255};
constexpr RGBA kOutputLine{133, 248, 138, 255};
constexpr RGBA kReductionBand{61, 125, 63, 255};
constexpr RGBA kInputLine{83, 198, 88, 255};
constexpr RGBA kThreshold{200, 200, 200, 100};

class MeterTest : public ::testing::Test {
protected:
    void SetUp() override {
        meter = rigging::mallocNew<UIMeter>(&context, nullptr, client.get(), 1, &state, nullptr);
        meter->setPosition(box2i(335, 275, 350, 540));  // 15 x 265, as in a band panel
    }
    void TearDown() override { rigging::destroyFree(meter); }

    // Three calls make one update; then the tick takes it over.
    void feed(float in, float out) {
        for (int i = 0; i < 3; ++i) meter->updateValues(in, out, 48000.0f);
        meter->onAnimate(16.7, 0);
    }

    ClientPtr client = makeClient();
    rigging::UIContext context;
    GlobalState state;
    UIMeter* meter = nullptr;
};

TEST_F(MeterTest, BeforeAnyAudioTheInitialLevelsAndTheDefaultThresholdAreDrawn) {
    EXPECT_EQ(meter->inputRow(), 79);
    EXPECT_EQ(meter->outputRow(), 132);
    EXPECT_EQ(meter->thresholdRow(), 64);
    Picture p = drawRaw(*meter, kUnder);
    EXPECT_EQ(p.at(7, 20), kBackground);
    EXPECT_EQ(p.at(7, 78), kInputLine);
    EXPECT_EQ(p.at(7, 79), kInputLine);
    EXPECT_EQ(p.at(7, 100), kReductionBand);
    EXPECT_EQ(p.at(7, 132), kOutputLine);
    EXPECT_EQ(p.at(7, 200), kOutputBar);
    EXPECT_EQ(p.at(7, 264), kOutputBar);
    // The threshold line, with three-pixel ticks only at both ends.
    EXPECT_EQ(p.at(7, 64), kThreshold);
    for (int x : {0, 14}) {
        EXPECT_EQ(p.at(x, 63), kThreshold);
        EXPECT_EQ(p.at(x, 65), kThreshold);
        EXPECT_EQ(p.at(x, 62), kBackground);
    }
    EXPECT_EQ(p.at(7, 63), kBackground);
    EXPECT_EQ(p.at(7, 65), kBackground);
}

TEST_F(MeterTest, LevelsAreClampedToTheScaleEnds) {
    feed(0.001f, 0.0001f);  // -60 dB and -80 dB
    EXPECT_EQ(meter->inputRow(), 264);
    EXPECT_EQ(meter->outputRow(), 264);
    feed(2.0f, 100.0f);  // +6 dB and +40 dB
    EXPECT_EQ(meter->inputRow(), 0);
    EXPECT_EQ(meter->outputRow(), 0);
    feed(0.0f, std::nanf(""));
    EXPECT_EQ(meter->inputRow(), 264);
    EXPECT_EQ(meter->outputRow(), 264);
    drawRaw(*meter);  // nothing undefined reaches the canvas
}

TEST_F(MeterTest, OnlyEveryThirdUpdateIsUsed) {
    meter->updateValues(1.0f, 1.0f, 48000.0f);
    meter->updateValues(1.0f, 1.0f, 48000.0f);
    meter->onAnimate(16.7, 0);
    EXPECT_EQ(meter->inputRow(), 79);
    EXPECT_TRUE(pullDirty(context).empty());
    meter->updateValues(1.0f, 0.5f, 48000.0f);
    meter->onAnimate(16.7, 0);
    EXPECT_EQ(meter->inputRow(), 24);   // 0 dB
    EXPECT_EQ(meter->outputRow(), 48);  // -6.02 dB
    // The next two are dropped again.
    meter->updateValues(0.1f, 0.1f, 48000.0f);
    meter->updateValues(0.1f, 0.1f, 48000.0f);
    meter->onAnimate(16.7, 0);
    EXPECT_EQ(meter->inputRow(), 24);
}

TEST_F(MeterTest, AnUpdateRedrawsTheStripBetweenOldAndNewRowsOnTheRawLayer) {
    pullDirty(context);
    feed(1.0f, 0.5f);  // rows 79, 132 -> 24, 48
    DirtyAreas d = pullDirty(context);
    ASSERT_EQ(d.raw.size(), 1u);
    EXPECT_TRUE(d.pbr.empty());
    EXPECT_EQ(d.raw[0], box2i(335, 275 + 19, 350, 275 + 138));
    // Unchanged levels still cover the rows between them, as the strip rule goes.
    feed(1.0f, 0.5f);
    d = pullDirty(context);
    ASSERT_EQ(d.raw.size(), 1u);
    EXPECT_EQ(d.raw[0], box2i(335, 275 + 19, 350, 275 + 54));
    // Equal rows everywhere: nothing to redraw.
    feed(1.0f, 1.0f);
    pullDirty(context);
    feed(1.0f, 1.0f);
    EXPECT_TRUE(pullDirty(context).empty());
    // The strip stops at the meter's ends.
    feed(2.0f, 0.0f);
    d = pullDirty(context);
    ASSERT_EQ(d.raw.size(), 1u);
    EXPECT_EQ(d.raw[0], box2i(335, 275, 350, 540));
}

TEST_F(MeterTest, AMeterFlaggedForUpdateRedrawsWholeOnceAndClearsTheFlag) {
    pullDirty(context);
    state.flagMeterToUpdate(1, true);
    meter->onAnimate(16.7, 0);
    EXPECT_FALSE(state.doesMeterNeedUpdate(1));
    DirtyAreas d = pullDirty(context);
    ASSERT_EQ(d.pbr.size(), 1u);
    EXPECT_EQ(d.pbr[0], meter->position());
    meter->onAnimate(16.7, 0);
    EXPECT_TRUE(pullDirty(context).empty());
}

TEST_F(MeterTest, InputEqualToOutputDrawsNoReductionBand) {
    feed(0.25f, 0.25f);
    Picture p = drawRaw(*meter, kUnder);
    for (RGBA c : p.pixels) ASSERT_FALSE(c == kReductionBand);
    const int row = meter->outputRow();
    EXPECT_EQ(p.at(7, row - 1), kOutputLine);
    EXPECT_EQ(p.at(7, row + 1), kOutputBar);
    EXPECT_EQ(p.at(7, row - 2), kBackground);
}

TEST_F(MeterTest, ThresholdChangesMoveTheLineOnTheNextTickWithoutAudio) {
    pullDirty(context);
    setFloat(*client, param::threshold(1), -40.0);
    setFloat(*client, param::threshold(0), 0.0);  // another band's: no effect
    EXPECT_EQ(meter->thresholdRow(), 64);
    meter->onAnimate(16.7, 0);
    EXPECT_EQ(meter->thresholdRow(), 184);
    DirtyAreas d = pullDirty(context);
    ASSERT_EQ(d.raw.size(), 1u);
    EXPECT_EQ(d.raw[0], box2i(335, 275 + 59, 350, 275 + 190));
    EXPECT_EQ(drawRaw(*meter, kUnder).at(7, 184), kThreshold);
}

TEST_F(MeterTest, WhileThePanelMovesNothingIsDrawnAndThresholdChangesAreIgnored) {
    state.beginPanelMove(1);
    setFloat(*client, param::threshold(1), -20.0);
    meter->onAnimate(16.7, 0);
    EXPECT_EQ(meter->thresholdRow(), 64);
    const RGBA marker{1, 2, 3, 4};
    Picture p = drawRaw(*meter, marker);
    for (RGBA c : p.pixels) ASSERT_EQ(c, marker);
    for (rigging::L16 d : drawDepth(*meter, 777)) ASSERT_EQ(d.l, 777);
    pullDirty(context);

    // After the move the skipped meter is redrawn whole.
    state.endPanelMove(1);
    meter->onAnimate(16.7, 0);
    DirtyAreas d = pullDirty(context);
    ASSERT_EQ(d.pbr.size(), 1u);
    EXPECT_EQ(d.pbr[0], meter->position());
    for (rigging::L16 v : drawDepth(*meter, 777)) ASSERT_EQ(v.l, 0);
}

TEST_F(MeterTest, TheOverlayIsBlendedOverTheMeterWhereItReaches) {
    rigging::OwnedImage<RGBA>* overlay = makeOverlay(15, 100, RGBA{0, 0, 0, 100});
    UIMeter m(&context, nullptr, client.get(), 1, &state, overlay);
    m.setPosition(meter->position());
    Picture p = drawRaw(m, kUnder);
    // The threshold indicator (200) under black at alpha 100.
    EXPECT_EQ(p.at(7, 64), (RGBA{121, 121, 121, 100}));
    // Below the overlay's last row the meter is left as drawn.
    EXPECT_EQ(p.at(7, 200), kOutputBar);
    rigging::destroyFree(overlay);
}

}  // namespace
}  // namespace brindlewave
