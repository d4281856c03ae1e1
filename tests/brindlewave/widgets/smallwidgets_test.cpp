#include "brindlewave/widgets/boxoverlay.h"
#include "brindlewave/widgets/depthbox.h"
#include "brindlewave/widgets/paramwidget.h"
#include "brindlewave/widgets/subpanelknoblabel.h"
#include "brindlewave/widgets/tooltip.h"
#include "editorfixture.h"

namespace {

using namespace editortest;
using brindlewave::UITooltip;

using WidgetTest = EditorFixture;

TEST_F(WidgetTest, TooltipShowsWaitForTheDragToEnd) {
    UITooltip tip(&context, *client, &font);
    rigging::Parameter *attack = p(62), *release = p(63);
    tip.Show(attack, 10, 20);
    EXPECT_TRUE(tip.isShown());
    EXPECT_EQ(tip.position(), box2i(10, 20, 110, 70));
    tip.BeginDrag(attack);
    tip.BeginDrag(release);  // a drag under way is kept
    EXPECT_EQ(tip.currentParameter(), attack);
    tip.Show(release, 300, 40);  // another knob during the drag: waits
    EXPECT_EQ(tip.currentParameter(), attack);
    EXPECT_TRUE(tip.hasPendingShow());
    tip.Hide(attack);  // no effect while dragging
    EXPECT_TRUE(tip.isShown());
    tip.EndDrag(release);  // not the dragged one
    EXPECT_TRUE(tip.IsBeingDragged());
    tip.EndDrag(attack);
    EXPECT_FALSE(tip.IsBeingDragged());
    EXPECT_EQ(tip.currentParameter(), release);
    EXPECT_EQ(tip.position(), box2i(300, 40, 400, 90));
    EXPECT_FALSE(tip.hasPendingShow());

    // A hide of the waiting parameter drops the waiting show.
    tip.BeginDrag(release);
    tip.Show(attack, 0, 0);
    tip.Hide(attack);
    tip.EndDrag(release);
    EXPECT_EQ(tip.currentParameter(), release);
    tip.Hide(release);
    EXPECT_FALSE(tip.isShown());
    tip.Hide(nullptr);
}

TEST_F(WidgetTest, InformationLineWelcomesThenShowsOneMessagePerTickAndOnlyRedrawsOnChange) {
    auto* line =
        add(rigging::mallocNew<brindlewave::UIParamWidget>(&context, *client, &font, &mailbox),
            box2i(450, 620, 540, 650));
    pull(context.dirtyListPBR);
    line->onAnimate(16.7, 0);
    EXPECT_STREQ(line->shownMessage().name.c_str(), "Brindlewave");
    EXPECT_STREQ(line->shownMessage().value.c_str(), "v1.1.2");
    EXPECT_EQ(pull(context.dirtyListPBR).size(), 1u);
    line->onAnimate(16.7, 0);  // empty mailbox: the last message again, nothing redrawn
    EXPECT_TRUE(pull(context.dirtyListPBR).empty());

    brindlewave::Message same;
    same.kind = "Other";
    same.name = "Brindlewave";
    same.value = "v1.1.2";
    mailbox.Append(same);
    line->onAnimate(16.7, 0);
    EXPECT_TRUE(pull(context.dirtyListPBR).empty());
    same.value = "changed";
    mailbox.Append(same);
    line->onAnimate(16.7, 0);
    EXPECT_EQ(pull(context.dirtyListPBR).size(), 1u);
    EXPECT_STREQ(line->shownMessage().value.c_str(), "changed");

    // Every parameter reaches it.
    p(138)->setFromHost(1.0);
    EXPECT_EQ(line->lastChangedParameter(), p(138));
    EXPECT_EQ(pull(context.dirtyListPBR).size(), 1u);
}

TEST_F(WidgetTest, InformationLineTextGlowsInsideItsBox) {
    auto* line =
        add(rigging::mallocNew<brindlewave::UIParamWidget>(&context, *client, &font, &mailbox),
            box2i(450, 620, 540, 650));
    line->onAnimate(16.7, 0);
    rigging::OwnedImage<RGBA> diffuse(90, 30);
    rigging::OwnedImage<rigging::L16> depth(90, 30);
    rigging::OwnedImage<RGBA> material(90, 30);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 90; ++x) diffuse(x, y) = RGBA{0, 0, 0, 0};
    const box2i top[] = {box2i(0, 0, 90, 15)};
    line->onDrawPBR(rigging::toRef(diffuse), rigging::toRef(depth), rigging::toRef(material), top);
    int lit = 0, litBelow = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 90; ++x)
            if (diffuse(x, y).r > 128) (y < 15 ? lit : litBelow)++;
    EXPECT_GT(lit, 20);      // the name line
    EXPECT_EQ(litBelow, 0);  // the value line lies outside the dirty rectangle
    EXPECT_EQ(diffuse(45, 9).a == 100 || diffuse(44, 9).a == 100, true);
}

TEST_F(WidgetTest, KnobLabelsShowTheFirstTwoLetters) {
    brindlewave::UISubPanelKnobLabel th(&context, &font, "Threshold"), re(&context, &font,
                                                                           "Release");
    brindlewave::UISubPanelKnobLabel one(&context, &font, "G"), none(&context, &font, nullptr);
    EXPECT_STREQ(th.shortText(), "Th");
    EXPECT_STREQ(re.shortText(), "Re");
    EXPECT_STREQ(one.shortText(), "G");
    EXPECT_STREQ(none.shortText(), "");
}

TEST_F(WidgetTest, DepthBoxAndOverlayTouchOnlyTheirRectangles) {
    brindlewave::UIDepthBox box(&context);
    brindlewave::UIBoxOverlay overlay(&context);
    rigging::OwnedImage<RGBA> colour(8, 8);
    rigging::OwnedImage<rigging::L16> depth(8, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            colour(x, y) = RGBA{200, 200, 200, 200};
            depth(x, y).l = 40000;
        }
    const box2i none[] = {box2i(2, 2, 2, 6), box2i(3, 3, 7, 3)};
    box.onDrawPBR(rigging::toRef(colour), rigging::toRef(depth), rigging::toRef(colour), none);
    overlay.onDrawRaw(rigging::toRef(colour), none);
    overlay.onDrawRaw(rigging::toRef(colour), {});
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            ASSERT_EQ(depth(x, y).l, 40000);
            ASSERT_EQ(colour(x, y), (RGBA{200, 200, 200, 200}));
        }
    const box2i part[] = {box2i(1, 1, 3, 2)};
    box.onDrawPBR(rigging::toRef(colour), rigging::toRef(depth), rigging::toRef(colour), part);
    overlay.onDrawRaw(rigging::toRef(colour), part);
    EXPECT_EQ(depth(1, 1).l, 0);
    EXPECT_EQ(depth(2, 1).l, 0);
    EXPECT_EQ(depth(3, 1).l, 40000);
    EXPECT_EQ(colour(1, 1), (RGBA{121, 121, 121, 160}));  // black at alpha 100 over 200
    EXPECT_EQ(colour(1, 2), (RGBA{200, 200, 200, 200}));
}

}  // namespace
