#include "brindlewave/widgets/subpanel.h"

#include <vector>

#include "brindlewave/widgets/boxoverlay.h"
#include "brindlewave/widgets/compdisplay.h"
#include "brindlewave/widgets/envelopedisplay.h"
#include "brindlewave/widgets/messageknob.h"
#include "brindlewave/widgets/meter.h"
#include "brindlewave/widgets/subpanelknoblabel.h"
#include "brindlewave/widgets/timereductiondisplay.h"
#include "panelfixture.h"
#include "rigging/flatwidgets/flatswitch.h"

namespace {

using namespace editortest;
using brindlewave::SubPanel;
namespace param = brindlewave::param;

constexpr int kTop = 265;

class SubPanelTest : public PanelFixture {
protected:
    SubPanel* makePanel(int band, int x0, int x1) {
        auto* panel = rigging::mallocNew<SubPanel>(
            &context, *client, band, 0, kTop, &font, knobStrip, images[0], images[1], &mailbox,
            images[2], images[3], images[4], images[5], &globals, &tooltip);
        add(panel, box2i(x0, kTop, x1, kTop + 316));
        panel->updateUI();
        return panel;
    }
    static bool hasChild(const SubPanel* panel, const rigging::UIElement* e) {
        for (rigging::UIElement* c : panel->children())
            if (c == e) return true;
        return false;
    }
    static bool displaysShown(const SubPanel* s) {
        return hasChild(s, s->envelopeDisplay()) && hasChild(s, s->curveDisplay()) &&
               hasChild(s, s->historyDisplay());
    }
};

TEST_F(SubPanelTest, WidthChoosesTheLayout) {
    struct Case {
        int x0, width;
        bool displays;
        int knobX, meterX, linkX, displayX;
    };
    // 199 | 200 and 249 | 250 are the class edges; at 600 the knobs leave their floor of X + 25.
    const Case cases[] = {{0, 199, false, 25, 75, 7, 0},
                          {300, 200, true, 325, 375, 307, 400},
                          {300, 249, true, 325, 375, 307, 400},
                          {250, 250, false, 0, 0, 0, 0},
                          {100, 600, true, 310, 360, 292, 385}};
    for (const Case& c : cases) {
        SubPanel* s = makePanel(0, c.x0, c.x0 + c.width);
        SCOPED_TRACE(c.width);
        EXPECT_EQ(s->xs(), c.width < 200);
        EXPECT_EQ(s->sm(), c.width < 250);
        if (c.width == 250) {
            EXPECT_EQ(s->knob(0)->position().min.x, 285);  // K = X + 35
            EXPECT_TRUE(displaysShown(s));
        } else {
            EXPECT_EQ(displaysShown(s), c.displays);
            EXPECT_EQ(s->knob(4)->position().min.x, c.knobX);
            EXPECT_EQ(s->meter()->position().min.x, c.meterX);
            EXPECT_EQ(s->link(2)->position().min.x, c.linkX);
            EXPECT_EQ(s->knobLabel(3)->position().min.x, c.linkX);
            if (c.displays) EXPECT_EQ(s->curveDisplay()->position().min.x, c.displayX);
        }
        EXPECT_TRUE(s->overlay()->position() == s->position());
        destroyOwned();
    }
}

TEST_F(SubPanelTest, FirstBandOfFourEvenPanelsMatchesTheArtwork) {
    SubPanel* s = makePanel(0, 0, 250);
    const int knobTops[5] = {275, 330, 385, 440, 495};
    for (int k = 0; k < 5; ++k) {
        EXPECT_TRUE(s->knob(k)->position() == box2i(35, knobTops[k], 80, knobTops[k] + 45)) << k;
        EXPECT_TRUE(s->link(k)->position() == box2i(17, 280 + 55 * k, 32, 297 + 55 * k)) << k;
        EXPECT_TRUE(s->knobLabel(k)->position() == box2i(17, 302 + 55 * k, 32, 317 + 55 * k)) << k;
    }
    EXPECT_TRUE(s->meter()->position() == box2i(85, 275, 100, 540));
    EXPECT_TRUE(s->envelopeDisplay()->position() == box2i(110, 275, 210, 375));
    EXPECT_TRUE(s->curveDisplay()->position() == box2i(110, 385, 210, 485));
    EXPECT_TRUE(s->historyDisplay()->position() == box2i(110, 495, 210, 540));
    // The displays were sized for their boxes once placed.
    EXPECT_EQ(s->envelopeDisplay()->response().size(), 100u);
    EXPECT_EQ(s->historyDisplay()->history().size(), 100u);
    EXPECT_STREQ(s->label(), "Band 01");
    EXPECT_STREQ(s->knobLabel(2)->shortText(), "Th");
    EXPECT_EQ(s->knob(3)->param(), p(param::ratio(0)));
    EXPECT_EQ(s->link(4)->param(), p(param::link(0, 4)));
}

TEST_F(SubPanelTest, NarrowPanelTogglesBetweenKnobsAndDisplays) {
    SubPanel* s = makePanel(3, 600, 750);
    EXPECT_STREQ(s->label(), "Band 04");
    hostSetBool(param::toggleView(3), true);
    // The host's thread only flags the change; the tick makes it.
    EXPECT_TRUE(s->knobsShown());
    tick();
    ASSERT_EQ(s->children().size(), 3u);
    EXPECT_TRUE(displaysShown(s));
    EXPECT_FALSE(s->knobsShown());
    EXPECT_TRUE(s->envelopeDisplay()->position() == box2i(625, 275, 725, 375));  // centred

    hostSetBool(param::toggleView(3), false);
    tick();
    std::vector<rigging::UIElement*> expected;
    for (int k = 0; k < 5; ++k) {
        expected.push_back(s->knob(k));
        expected.push_back(s->knobLabel(k));
        expected.push_back(s->link(k));
    }
    expected.push_back(s->meter());
    const auto children = s->children();
    EXPECT_EQ(std::vector<rigging::UIElement*>(children.begin(), children.end()), expected);
    EXPECT_TRUE(s->knob(0)->position() == box2i(625, 275, 670, 320));
}

TEST_F(SubPanelTest, ASoloOfAnotherBandInUseDimsThePanel) {
    hostSetBands(3);
    SubPanel* panels[4] = {makePanel(0, 0, 333), makePanel(1, 333, 667), makePanel(2, 667, 1000),
                           makePanel(3, 1000, 1000)};
    auto dimmed = [&](int b) {
        return panels[b]->overlayShown() && hasChild(panels[b], panels[b]->overlay());
    };
    hostSetBool(param::solo(0), true);
    hostSetBool(param::solo(2), true);
    tick();
    EXPECT_FALSE(dimmed(0));
    EXPECT_TRUE(dimmed(1));
    EXPECT_FALSE(dimmed(2));
    EXPECT_EQ(panels[1]->overlay()->zOrder(), 100);
    EXPECT_TRUE(panels[1]->overlay()->position() == panels[1]->position());

    hostSetBool(param::solo(0), false);
    hostSetBool(param::solo(2), false);
    tick();
    for (int b = 0; b < 3; ++b) EXPECT_FALSE(dimmed(b)) << b;

    // Band 4 is not in use: its solo dims nothing.
    hostSetBool(param::solo(3), true);
    tick();
    for (int b = 0; b < 3; ++b) EXPECT_FALSE(dimmed(b)) << b;
}

TEST_F(SubPanelTest, ModifierClicksToggleTheSwitchesWithoutADrag) {
    SubPanel* s = makePanel(1, 250, 400);
    // The background below the last knob row.
    EXPECT_FALSE(pointer.click(260, 555, ctrl()));
    EXPECT_EQ(context.dragged(), nullptr);
    EXPECT_TRUE(p(param::solo(1))->getNormalized() == 1.0);
    ASSERT_EQ(host.calls.size(), 3u);
    EXPECT_EQ(host.calls[0], "begin 119");
    EXPECT_EQ(host.calls[1], "perform 119 1.00000");
    EXPECT_EQ(host.calls[2], "end 119");

    rigging::MouseState both = ctrl();
    both.shiftPressed = true;
    host.calls.clear();
    EXPECT_FALSE(pointer.click(260, 555, both));
    EXPECT_EQ(context.dragged(), nullptr);
    EXPECT_EQ(p(param::solo(1))->getNormalized(), 0.0);
    EXPECT_EQ(p(param::toggleView(1))->getNormalized(), 1.0);
    ASSERT_EQ(host.calls.size(), 6u);
    EXPECT_EQ(host.calls[0], "begin 119");
    EXPECT_EQ(host.calls[3], "begin 129");
    tick();
    EXPECT_FALSE(s->knobsShown());

    // A plain click changes nothing; a click on a knob is the knob's.
    host.calls.clear();
    EXPECT_FALSE(pointer.click(260, 555));
    EXPECT_TRUE(host.calls.empty());
}

TEST_F(SubPanelTest, DrawsItsLabelAndItsGroove) {
    SubPanel* first = makePanel(0, 0, 250);
    SubPanel* second = makePanel(1, 250, 500);
    for (SubPanel* s : {first, second}) {
        rigging::OwnedImage<RGBA> diffuse(250, 316);
        rigging::OwnedImage<rigging::L16> depth(250, 316);
        rigging::OwnedImage<RGBA> material(250, 316);
        for (int y = 0; y < 316; ++y)
            for (int x = 0; x < 250; ++x) {
                diffuse(x, y) = RGBA{0, 0, 0, 0};
                depth(x, y) = rigging::L16{1000};
            }
        const box2i all(0, 0, 250, 316);
        s->onDrawPBR(rigging::toRef(diffuse), rigging::toRef(depth), rigging::toRef(material),
                     {&all, 1});
        int lit = 0, litAboveLabel = 0;
        for (int y = 0; y < 316; ++y)
            for (int x = 0; x < 250; ++x) {
                const bool on = diffuse(x, y).r > 0;
                lit += on;
                litAboveLabel += on && y < 280;
            }
        EXPECT_GT(lit, 50);
        EXPECT_EQ(litAboveLabel, 0);
        EXPECT_GT(diffuse(125, 295).r + diffuse(124, 295).r + diffuse(126, 294).r, 0);
        EXPECT_EQ(depth(0, 100).l, 0);
        // Only the panel that starts the row also grooves its last column.
        EXPECT_EQ(depth(249, 100).l, s == first ? 0 : 1000);
        EXPECT_EQ(depth(1, 100).l, 1000);
    }
}

}  // namespace
