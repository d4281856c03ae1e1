#include "brindlewave/widgets/globalknob.h"

#include "brindlewave/paramids.h"
#include "editorfixture.h"
#include "rigging/core/vec.h"

namespace {

using namespace editortest;
using brindlewave::UIGlobalFilmstripKnob;
namespace param = brindlewave::param;

class GlobalKnobTest : public EditorFixture {
protected:
    GlobalKnobTest() : tooltip(&context, *client, &font) {
        auto** bands = static_cast<rigging::FloatParameter**>(
            rigging::alignedMalloc(4 * sizeof(void*), UIGlobalFilmstripKnob::kArrayAlignment));
        auto** links = static_cast<rigging::BoolParameter**>(
            rigging::alignedMalloc(4 * sizeof(void*), UIGlobalFilmstripKnob::kArrayAlignment));
        for (int b = 0; b < 4; ++b) {
            bands[b] = floatParam(param::attack(b));
            links[b] = static_cast<rigging::BoolParameter*>(p(param::link(b, 0)));
        }
        knob = add(rigging::mallocNew<UIGlobalFilmstripKnob>(
                       &context, floatParam(param::globalAttack), bands, links, knobStrip, 120,
                       &mailbox, &tooltip),
                   box2i(575, 585, 620, 630));
        // Bands 1 and 3 (0 and 2 here) linked, 2 and 4 not.
        for (int b = 0; b < 4; ++b) p(param::link(b, 0))->setFromHost(b % 2 == 0 ? 1.0 : 0.0);
        host.calls.clear();
    }
    ~GlobalKnobTest() override { destroyOwned(); }
    rigging::FloatParameter* floatParam(int i) {
        return static_cast<rigging::FloatParameter*>(p(i));
    }
    void drag(int dy, rigging::MouseState s = {}) {
        pointer.moveTo(597, 607);  // onto the knob first
        pointer.click(597, 607, s);
        pointer.moveTo(597, 607 + dy, s);
        pointer.release();
    }

    brindlewave::UITooltip tooltip;
    UIGlobalFilmstripKnob* knob;
};

TEST_F(GlobalKnobTest, DefaultFrameAndADragMovesTheGlobalAndTheLinkedBandsTogether) {
    rigging::OwnedImage<RGBA> raw(45, 45);
    const box2i all[] = {box2i(0, 0, 45, 45)};
    knob->onDrawRaw(rigging::toRef(raw), all);
    EXPECT_EQ(knob->currentFrame(), 82);  // 22 ms

    const double before14 = p(14)->getNormalized(), before24 = p(24)->getNormalized();
    drag(-45);
    const double n = p(param::globalAttack)->getNormalized();
    EXPECT_NEAR(n, 0.93916, 1e-4);
    EXPECT_NEAR(floatParam(param::globalAttack)->value(), 827.33, 0.05);
    EXPECT_DOUBLE_EQ(p(9)->getNormalized(), n);
    EXPECT_DOUBLE_EQ(p(19)->getNormalized(), n);
    EXPECT_EQ(p(14)->getNormalized(), before14);
    EXPECT_EQ(p(24)->getNormalized(), before24);
    // One gesture: every band parameter inside the bracket, linked or not.
    EXPECT_EQ(host.count("begin"), 5);
    EXPECT_EQ(host.count("end"), 5);
    for (int i : {62, 9, 14, 19, 24}) {
        EXPECT_EQ(host.count("begin " + std::to_string(i)), 1) << i;
        EXPECT_EQ(host.count("end " + std::to_string(i)), 1) << i;
    }
    EXPECT_EQ(host.count("perform 14"), 0);
    EXPECT_EQ(host.count("perform 9"), 1);
    EXPECT_EQ(host.calls.front(), "begin 62");
}

TEST_F(GlobalKnobTest, CtrlDragIsTenTimesSlower) {
    drag(-45, ctrl());
    EXPECT_NEAR(p(param::globalAttack)->getNormalized(), 0.71416, 1e-4);
    EXPECT_NEAR(floatParam(param::globalAttack)->value(), 31.62, 0.02);
}

TEST_F(GlobalKnobTest, AltClickResetsTheGlobalAndOnlyTheLinkedBands) {
    for (int i : {9, 14, 19, 24, 62}) p(i)->setFromHost(0.1);
    host.calls.clear();
    pointer.click(597, 607, alt());
    pointer.release();
    EXPECT_NEAR(floatParam(62)->value(), 22.0, 1e-9);
    EXPECT_NEAR(floatParam(9)->value(), 22.0, 1e-9);
    EXPECT_NEAR(floatParam(19)->value(), 22.0, 1e-9);
    EXPECT_NEAR(p(14)->getNormalized(), 0.1, 1e-9);
    EXPECT_NEAR(p(24)->getNormalized(), 0.1, 1e-9);
    // Band edits first, then the global one.
    ASSERT_GE(host.calls.size(), 9u);
    EXPECT_EQ(host.calls[0], "begin 9");
    EXPECT_EQ(host.calls[3], "begin 19");
    EXPECT_EQ(host.calls[6], "begin 62");
    // A double click does the same.
    p(62)->setFromHost(0.1);
    pointer.click(597, 607, {}, true);
    pointer.release();
    EXPECT_NEAR(floatParam(62)->value(), 22.0, 1e-9);
}

TEST_F(GlobalKnobTest, ACornerClickIsRefusedAndTheCentrePostsTheValue) {
    EXPECT_FALSE(pointer.click(576, 586));
    EXPECT_EQ(context.dragged(), nullptr);
    EXPECT_EQ(mailbox.count(), 0u);
    EXPECT_TRUE(pointer.click(597, 607));
    EXPECT_EQ(context.dragged(), knob);
    brindlewave::Message m = mailbox.readMessage();
    EXPECT_STREQ(m.kind.c_str(), "Knob");
    EXPECT_STREQ(m.name.c_str(), "Attack");
    EXPECT_STREQ(m.value.c_str(), "22.00 ms");
    EXPECT_EQ(m.sender, knob);
    EXPECT_TRUE(mailbox.dragging());
    pointer.release();
    EXPECT_FALSE(mailbox.dragging());
}

TEST_F(GlobalKnobTest, AtZeroFurtherDownAndBackUpChangesNothingUntilTheLimitPoint) {
    p(62)->setFromHost(0.1);
    pointer.moveTo(597, 600);
    pointer.click(597, 600);
    pointer.moveTo(597, 630);  // 30 px down: 0.1 - 0.1667 reaches 0 at y 630
    EXPECT_DOUBLE_EQ(p(62)->getNormalized(), 0.0);
    EXPECT_DOUBLE_EQ(p(9)->getNormalized(), 0.0);
    pointer.moveTo(597, 650);
    pointer.moveTo(597, 635);  // still below the limit point
    EXPECT_DOUBLE_EQ(p(62)->getNormalized(), 0.0);
    pointer.moveTo(597, 621);  // 14 px back above it: only this move counts
    EXPECT_NEAR(p(62)->getNormalized(), 14.0 / 45 * 0.25, 1e-6);
    pointer.release();
}

TEST_F(GlobalKnobTest, TurningALinkOnChangesNothingUntilTheNextTurn) {
    const double before = p(14)->getNormalized();
    p(param::link(1, 0))->setFromHost(1.0);
    EXPECT_EQ(p(14)->getNormalized(), before);
    drag(-9);
    EXPECT_DOUBLE_EQ(p(14)->getNormalized(), p(62)->getNormalized());
}

TEST_F(GlobalKnobTest, OnlyItsGlobalParameterMarksItDirty) {
    pull(context.dirtyListRaw);
    p(9)->setFromHost(0.3);
    EXPECT_TRUE(pull(context.dirtyListRaw).empty());
    p(62)->setFromHost(0.3);
    auto rects = pull(context.dirtyListRaw);
    ASSERT_EQ(rects.size(), 1u);
    EXPECT_EQ(rects[0], box2i(575, 585, 620, 630));
}

}  // namespace
