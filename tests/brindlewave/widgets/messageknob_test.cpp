#include "brindlewave/widgets/messageknob.h"

#include "brindlewave/paramids.h"
#include "brindlewave/widgets/tooltip.h"
#include "editorfixture.h"

namespace {

using namespace editortest;
using brindlewave::UIMessageKnob;
namespace param = brindlewave::param;

class MessageKnobTest : public EditorFixture {
protected:
    MessageKnobTest() : tooltip(&context, *client, &font) {
        knob = add(rigging::mallocNew<UIMessageKnob>(
                       &context, static_cast<rigging::FloatParameter*>(p(param::attack(0))),
                       knobStrip, 120, &mailbox, &tooltip),
                   box2i(35, 275, 80, 320));
    }
    ~MessageKnobTest() override { destroyOwned(); }

    brindlewave::UITooltip tooltip;
    UIMessageKnob* knob;
};

TEST_F(MessageKnobTest, HoverAndDragNameTheKnobAndShowItsTooltip) {
    pointer.moveTo(57, 297);
    brindlewave::Message m = mailbox.readMessage();
    EXPECT_STREQ(m.kind.c_str(), "Knob");
    EXPECT_STREQ(m.name.c_str(), "Attack B1");
    EXPECT_STREQ(m.value.c_str(), "22.00 ms");
    EXPECT_EQ(tooltip.currentParameter(), p(param::attack(0)));
    context.setMouseOver(nullptr);  // as the window does when the pointer leaves every element
    EXPECT_FALSE(tooltip.isShown());

    // A corner click is taken too, so a drag can start from anywhere on the knob.
    ASSERT_TRUE(pointer.click(36, 276));
    pointer.moveTo(36, 276 - 45);
    EXPECT_TRUE(mailbox.dragging());
    EXPECT_TRUE(tooltip.IsBeingDragged());
    EXPECT_NEAR(p(param::attack(0))->getNormalized(), 0.68916 + 0.25, 1e-4);
    pointer.release();
    EXPECT_FALSE(mailbox.dragging());
    EXPECT_FALSE(tooltip.IsBeingDragged());
    EXPECT_EQ(host.count("begin 9"), 1);
    EXPECT_EQ(host.count("end 9"), 1);
    EXPECT_GT(host.count("perform 9"), 0);
}

TEST_F(MessageKnobTest, TheInformationLineShowsNoMinusZero) {
    add(rigging::mallocNew<UIMessageKnob>(
            &context, static_cast<rigging::FloatParameter*>(p(param::threshold(0))), knobStrip, 120,
            &mailbox, &tooltip),
        box2i(135, 275, 180, 320));
    p(param::threshold(0))->setFromHost(0.99999994);  // a hair below 0 dB, as a float host sends
    pointer.moveTo(157, 297);
    brindlewave::Message m = mailbox.readMessage();
    EXPECT_STREQ(m.name.c_str(), "Threshold B1");
    EXPECT_STREQ(m.value.c_str(), "0.00 dB");
}

TEST_F(MessageKnobTest, OnlyADoubleClickResetsToTheDefault) {
    p(param::attack(0))->setFromHost(0.1);
    pointer.click(57, 297, alt());
    pointer.release();
    EXPECT_DOUBLE_EQ(p(param::attack(0))->getNormalized(), 0.1);
    host.calls.clear();
    pointer.click(57, 297, {}, true);
    pointer.release();
    EXPECT_NEAR(p(param::attack(0))->getNormalized(), 0.68916, 1e-4);
    // The reset is an edit of its own, inside the click's (empty) drag.
    ASSERT_GE(host.calls.size(), 3u);
    EXPECT_EQ(host.calls[0], "begin 9");
    EXPECT_EQ(host.calls[1].rfind("perform 9", 0), 0u);
    EXPECT_EQ(host.calls[2], "end 9");
}

}  // namespace
