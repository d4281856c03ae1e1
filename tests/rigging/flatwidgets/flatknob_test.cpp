#include "rigging/flatwidgets/flatknob.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "rigging/flatwidgets/blendimage.h"
#include "widgettest.h"

namespace {

using namespace widgettest;
using rigging::LinearFloatParameter;
using rigging::UIFilmstripKnob;

TEST(FilmstripFrame, NearestWithHalvesUpNaNAndOutOfRangeClamped) {
    EXPECT_EQ(rigging::filmstripFrame(0.5, 120), 60);  // 59.5 goes up
    EXPECT_EQ(rigging::filmstripFrame(0.004, 120), 0);
    EXPECT_EQ(rigging::filmstripFrame(1.0, 120), 119);
    EXPECT_EQ(rigging::filmstripFrame(std::numeric_limits<double>::quiet_NaN(), 120), 0);
    EXPECT_EQ(rigging::filmstripFrame(-0.5, 120), 0);
    EXPECT_EQ(rigging::filmstripFrame(7.0, 120), 119);
    EXPECT_EQ(rigging::filmstripFrame(std::numeric_limits<double>::infinity(), 120), 119);
    EXPECT_EQ(rigging::filmstripFrame(0.7, 1), 0);
    EXPECT_EQ(rigging::filmstripFrame(0.7, 0), 0);
}

class KnobTest : public ::testing::Test {
protected:
    KnobTest() {
        numberedStrip(strip, 45, 120);
        knob = new UIFilmstripKnob(&tree.context, &param, &strip, 120, 0.25f);
        tree.add(knob, box2i(100, 100, 145, 145));
        catcher = new Catcher(&tree.context);
        tree.add(catcher, box2i(0, 0, 400, 300));
    }
    ~KnobTest() override {
        delete knob;
        delete catcher;
    }
    void setNormalized(double n) { param.setFromHost(n); }

    Tree tree;
    // -12..12 dB, default 0 (normalized 0.5).
    LinearFloatParameter param{0, "Gain", "dB", -12.f, 12.f, 0.f};
    rigging::OwnedImage<RGBA> strip;
    UIFilmstripKnob* knob;
    Catcher* catcher;
};

TEST_F(KnobTest, DrawsTheFrameOfTheValueBlendedAndOnlyInsideTheDirtyRects) {
    rigging::OwnedImage<RGBA> raw;
    for (double n : {0.5, 0.004, 1.0}) {
        setNormalized(n);
        solid(raw, 45, 45, RGBA{9, 9, 9, 9});
        const box2i rects[] = {box2i(0, 0, 10, 45), box2i(20, 5, 30, 6)};
        knob->onDrawRaw(rigging::toRef(raw), rects);
        const int frame = rigging::filmstripFrame(n, 120);
        EXPECT_EQ(knob->currentFrame(), frame);
        EXPECT_EQ(raw(3, 44), (RGBA{static_cast<std::uint8_t>(frame), 3, 0, 255}));
        EXPECT_EQ(raw(25, 5).g, 25);
        EXPECT_EQ(raw(25, 6), (RGBA{9, 9, 9, 9}));
        EXPECT_EQ(raw(15, 20), (RGBA{9, 9, 9, 9}));
    }
    EXPECT_EQ(knob->currentFrame(), 119);
}

TEST_F(KnobTest, ATranslucentFrameBlendsAndABiggerElementReadsNothingPastTheFrame) {
    numberedStrip(strip, 45, 120, 128);
    rigging::OwnedImage<RGBA> raw;
    solid(raw, 60, 60, RGBA{0, 0, 0, 0});
    setNormalized(1.0);
    const box2i all[] = {box2i(0, 0, 60, 60)};
    knob->onDrawRaw(rigging::toRef(raw), all);
    EXPECT_EQ(raw(10, 10), rigging::blendColor(RGBA{119, 10, 0, 128}, RGBA{0, 0, 0, 0}, 128));
    EXPECT_EQ(raw(50, 10), (RGBA{0, 0, 0, 0}));
    EXPECT_EQ(raw(10, 50), (RGBA{0, 0, 0, 0}));

    rigging::OwnedImage<RGBA> empty;
    UIFilmstripKnob onNothing(&tree.context, &param, &empty, 120);
    onNothing.onDrawRaw(rigging::toRef(raw), all);  // no frame: draws nothing, reads nothing
    EXPECT_EQ(raw(50, 50), (RGBA{0, 0, 0, 0}));
}

TEST_F(KnobTest, OnlyTheInscribedDiscTakesClicks) {
    EXPECT_TRUE(
        tree.pointer.click(100, 100));  // corner: outside the disc, so the element below has it
    EXPECT_EQ(catcher->clicks, 1);
    EXPECT_EQ(tree.context.dragged(), catcher);
    tree.pointer.release();
    EXPECT_TRUE(tree.pointer.click(122, 122));
    EXPECT_EQ(catcher->clicks, 1);
    EXPECT_EQ(tree.context.dragged(), knob);
    tree.pointer.release();
    // A wide element: the square sits in its middle.
    knob->setPosition(box2i(100, 100, 165, 145));
    EXPECT_EQ(knob->getSubsquare(), box2i(10, 0, 55, 45));
    tree.pointer.click(105, 122);
    EXPECT_EQ(catcher->clicks, 2);
}

TEST_F(KnobTest, AltClickAndDoubleClickResetInsideOneEdit) {
    EditLog log(&param);
    for (bool doubleClick : {false, true}) {
        setNormalized(0.9);
        log.calls.clear();
        tree.pointer.click(122, 122, doubleClick ? rigging::MouseState{} : alt(), doubleClick);
        tree.pointer.release();
        EXPECT_DOUBLE_EQ(param.value(), 0.0);
        ASSERT_GE(log.calls.size(), 3u);
        EXPECT_EQ(log.calls[0], "begin");
        EXPECT_EQ(log.calls[1], "change");
        // The drag that the click started ends the outer bracket.
        EXPECT_EQ(log.calls.back(), "end");
    }
    // A plain click changes nothing.
    setNormalized(0.9);
    tree.pointer.click(122, 122);
    tree.pointer.release();
    EXPECT_NEAR(param.getNormalized(), 0.9, 1e-6);
}

TEST_F(KnobTest, DragSpeedAndModifiers) {
    EditLog log(&param);
    setNormalized(0.5);
    log.calls.clear();
    tree.pointer.click(122, 122);
    EXPECT_EQ(log.calls.front(), "begin");  // the drag begins the edit
    tree.pointer.moveBy(0, -45, ctrl());
    EXPECT_NEAR(param.getNormalized(), 0.5 + 0.1 * 0.25, 1e-6);
    tree.pointer.moveBy(0, -9);  // a fifth of the height at full speed
    EXPECT_NEAR(param.getNormalized(), 0.525 + 0.05, 1e-6);
    tree.pointer.moveBy(0, 30, alt());  // Alt holds it at the default
    EXPECT_NEAR(param.getNormalized(), 0.5, 1e-9);
    tree.pointer.release();
    EXPECT_EQ(log.calls.back(), "end");
    // Disabled: nothing moves.
    knob->disable();
    tree.pointer.click(122, 122);
    tree.pointer.moveBy(0, -20);
    tree.pointer.release();
    EXPECT_NEAR(param.getNormalized(), 0.5, 1e-9);
}

TEST_F(KnobTest, AtABoundMovementPastTheCrosspointIsIgnoredUntilThePointerReturns) {
    knob->sensivity(1.0f);
    setNormalized(0.2);
    tree.pointer.click(122, 122);
    tree.pointer.moveBy(0, 18);  // element y 40: 0.2 - 0.4 reaches 0 there
    EXPECT_DOUBLE_EQ(param.getNormalized(), 0.0);
    EXPECT_FLOAT_EQ(knob->upperCrosspoint(), 40.f);
    tree.pointer.moveBy(0, 10);  // further down: ignored
    tree.pointer.moveBy(0, -5);  // back up, still below 40: ignored
    EXPECT_DOUBLE_EQ(param.getNormalized(), 0.0);
    tree.pointer.moveBy(0, -9);  // y 36, above the crosspoint: this move alone counts
    EXPECT_NEAR(param.getNormalized(), 9.0 / 45, 1e-6);
    EXPECT_EQ(knob->upperCrosspoint(), std::numeric_limits<float>::infinity());

    // The top end, mirrored.
    setNormalized(0.9);
    tree.pointer.moveBy(0, -9);  // y 27: reaches 1
    EXPECT_DOUBLE_EQ(param.getNormalized(), 1.0);
    EXPECT_FLOAT_EQ(knob->lowerCrosspoint(), 27.f);
    tree.pointer.moveBy(0, -20);
    tree.pointer.moveBy(0, 15);  // y 22, still above 27: ignored
    EXPECT_DOUBLE_EQ(param.getNormalized(), 1.0);
    tree.pointer.moveBy(0, 10);  // y 32
    EXPECT_NEAR(param.getNormalized(), 1.0 - 10.0 / 45, 1e-6);
    tree.pointer.release();
    EXPECT_EQ(knob->upperCrosspoint(), std::numeric_limits<float>::infinity());
    EXPECT_EQ(knob->lowerCrosspoint(), -std::numeric_limits<float>::infinity());
}

TEST_F(KnobTest, AHostChangeMarksTheKnobDirtyAndStopsListeningWhenDestroyed) {
    tree.pullRaw();
    setNormalized(0.3);
    auto rects = tree.pullRaw();
    ASSERT_EQ(rects.size(), 1u);
    EXPECT_EQ(rects[0], box2i(100, 100, 145, 145));
    delete knob;
    knob = nullptr;
    setNormalized(0.4);  // a destroyed knob is no longer called
    EXPECT_TRUE(tree.pullRaw().empty());
}

}  // namespace
