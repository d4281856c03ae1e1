#include "brindlewave/widgets/meter.h"

#include <gtest/gtest.h>

#include "displayfixture.h"

namespace brindlewave {
namespace {

using geom::box2i;
using rigging::RGBA;
using namespace brindlewave::testing;

constexpr RGBA kUnder{10, 20, 30, 255};  // the opaque composited layer under the meter
const RGBA kBackground = painted(RGBA{0, 0, 0, 250}, kUnder);
constexpr RGBA kOutputBar{83, 198, 88, 255}, kOutputLine{133, 248, 138, 255};
constexpr RGBA kReductionBand{61, 125, 63, 255}, kInputLine{83, 198, 88, 255};
constexpr RGBA kThreshold{200, 200, 200, 100};

class MeterTest : public ::testing::Test {
protected:
    void SetUp() override {
        meter = rigging::mallocNew<UIMeter>(&context, nullptr, *client, 1, &state, nullptr);
        meter->setPosition(box2i(335, 275, 350, 540));  // 15 x 265, as in a band panel
    }
    void TearDown() override { rigging::destroyFree(meter); }
    void feed(float in, float out, int calls = 3) {
        for (int i = 0; i < calls; ++i) meter->updateValues(in, out, 48000.0f);
        meter->onAnimate(16.7, 0);
    }
    box2i strip(int top, int bottom) { return box2i(335, 275 + top, 350, 275 + bottom); }

    ClientPtr client = makeClient();
    rigging::UIContext context;
    GlobalState state;
    UIMeter* meter = nullptr;
};

TEST_F(MeterTest, BeforeAnyAudioTheInitialLevelsAndTheThresholdAreDrawn) {
    Picture p = drawRaw(*meter, kUnder);
    const struct {
        int row;
        RGBA colour;
    } column[] = {{63, kBackground},     {64, kThreshold},    {78, kInputLine},
                  {79, kInputLine},      {100, kReductionBand}, {132, kOutputLine},
                  {133, kOutputBar},     {264, kOutputBar}};
    for (const auto& c : column) EXPECT_EQ(p.at(7, c.row), c.colour) << c.row;
    for (int x : {0, 14}) {  // three-pixel ticks at both ends of the threshold line
        EXPECT_EQ(p.at(x, 65), kThreshold);
        EXPECT_EQ(p.at(x, 66), kBackground);
    }
}

TEST_F(MeterTest, OneUpdateInThreeIsUsedAndLevelsStopAtTheScaleEnds) {
    feed(1.0f, 1.0f, 2);
    EXPECT_EQ(meter->inputRow(), 79);
    feed(1.0f, 0.5f, 1);
    EXPECT_EQ(meter->inputRow(), 24);   // 0 dB
    EXPECT_EQ(meter->outputRow(), 48);  // -6 dB
    feed(0.001f, std::nanf(""));        // -60 dB, and garbage shown as silence
    EXPECT_EQ(meter->inputRow(), 264);
    EXPECT_EQ(meter->outputRow(), 264);
    feed(2.0f, 0.0f);  // +6 dB
    EXPECT_EQ(meter->inputRow(), 0);
}

TEST_F(MeterTest, ChangesRedrawTheStripBetweenOldAndNewRows) {
    pullDirty(context);
    feed(1.0f, 0.5f);  // rows 79, 132 -> 24, 48, five rows of margin
    DirtyAreas d = pullDirty(context);
    EXPECT_EQ(single(d.raw), strip(19, 138));
    EXPECT_TRUE(d.pbr.empty());
    feed(1.0f, 1.0f);
    pullDirty(context);
    feed(1.0f, 1.0f);  // every row the same: nothing
    EXPECT_TRUE(pullDirty(context).empty());
    feed(2.0f, 0.0f);  // the strip stops at the meter's ends
    EXPECT_EQ(single(pullDirty(context).raw), strip(0, 265));
    // The threshold line moves on the next tick, audio or not.
    setFloat(*client, param::threshold(1), -40.0);
    setFloat(*client, param::threshold(0), 0.0);  // another band's
    meter->onAnimate(16.7, 0);
    EXPECT_EQ(meter->thresholdRow(), 184);
    EXPECT_EQ(single(pullDirty(context).raw), strip(59, 190));
    state.flagMeterToUpdate(1, true);  // flagged: redrawn whole, once
    meter->onAnimate(16.7, 0);
    EXPECT_FALSE(state.doesMeterNeedUpdate(1));
    EXPECT_EQ(single(pullDirty(context).pbr), meter->position());
}

TEST_F(MeterTest, InputEqualToOutputDrawsNoReductionBand) {
    feed(0.25f, 0.25f);
    Picture p = drawRaw(*meter, kUnder);
    for (RGBA c : p.pixels) ASSERT_FALSE(c == kReductionBand);
    const int row = meter->outputRow();
    EXPECT_EQ(p.at(7, row - 1), kOutputLine);
    EXPECT_EQ(p.at(7, row - 2), kBackground);
}

TEST_F(MeterTest, WhileThePanelMovesOnlyTheDepthAndThresholdChangesWait) {
    const Picture still = drawRaw(*meter, kUnder);
    state.beginPanelMove(1);
    setFloat(*client, param::threshold(1), -20.0);
    meter->onAnimate(16.7, 0);
    EXPECT_EQ(meter->thresholdRow(), 64);
    EXPECT_TRUE(drawRaw(*meter, kUnder) == still) << "the meter vanished while its panel moved";
    for (rigging::L16 d : drawDepth(*meter, 777)) ASSERT_EQ(d.l, 777);
    // Levels go on being drawn, on the raw layer only.
    pullDirty(context);
    feed(1.0f, 0.5f);
    EXPECT_EQ(meter->inputRow(), 24);
    DirtyAreas moving = pullDirty(context);
    EXPECT_EQ(single(moving.raw), strip(19, 138));
    EXPECT_TRUE(moving.pbr.empty());
    state.endPanelMove(1);
    meter->onAnimate(16.7, 0);  // the depth skipped meanwhile is redrawn, whole
    EXPECT_EQ(single(pullDirty(context).pbr), meter->position());
    EXPECT_EQ(drawDepth(*meter, 777)[0].l, 0);
}

TEST_F(MeterTest, TheOverlayIsBlendedWhereItReaches) {
    rigging::OwnedImage<RGBA>* overlay = makeOverlay(15, 100, RGBA{0, 0, 0, 100});
    UIMeter m(&context, nullptr, *client, 1, &state, overlay);
    m.setPosition(meter->position());
    Picture p = drawRaw(m, kUnder);
    EXPECT_EQ(p.at(7, 64), (RGBA{121, 121, 121, 100}));  // black at alpha 100 over 200
    EXPECT_EQ(p.at(7, 200), kOutputBar);
    rigging::destroyFree(overlay);
}

}  // namespace
}  // namespace brindlewave
