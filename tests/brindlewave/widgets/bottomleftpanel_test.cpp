#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "brindlewave/editorlayout.h"
#include "brindlewave/gui.h"
#include "brindlewave/paramids.h"
#include "brindlewave/plugin.h"
#include "brindlewave/widgets/alignbutton.h"
#include "brindlewave/widgets/bandnumberdisplay.h"
#include "brindlewave/widgets/bottomLeftPanel.h"
#include "brindlewave/widgets/buttonstrip.h"
#include "brindlewave/widgets/incrementdecrementbutton.h"
#include "brindlewave/widgets/messageknob.h"
#include "brindlewave/widgets/paramwidget.h"
#include "brindlewave/widgets/tooltip.h"
#include "editorfixture.h"
#include "rigging/client/floatparameter.h"
#include "rigging/gui/offscreen.h"

namespace {

using namespace editortest;
using brindlewave::UIAlignButton;
using brindlewave::UIBottomLeftPanel;
using brindlewave::UIIncrementDecrementButton;
namespace param = brindlewave::param;
namespace layout = brindlewave::layout;

box2i boxOf(const layout::Rect& r) { return box2i(r.x0, r.y0, r.x1, r.y1); }
double xOf(double hz) { return 1000.0 * std::log10(hz / 20.0) / 3.0; }

class BottomLeftPanelTest : public EditorFixture {
protected:
    BottomLeftPanelTest() : tooltip(rigging::mallocNew<brindlewave::UITooltip>(&context, client, &font)) {
        panel = rigging::mallocNew<UIBottomLeftPanel>(&context, client, bands(), &font, knobStrip,
                                                      &mailbox, &globals, tooltip);
        panel->addControls(client);
        add(panel, box2i(0, 582, 500, 699));
        panel->setControlPositions();
        host.calls.clear();
    }
    ~BottomLeftPanelTest() override {
        destroyOwned();
        rigging::destroyFree(tooltip);
    }
    rigging::IntegerParameter* bands() {
        return static_cast<rigging::IntegerParameter*>(p(param::numberOfBands));
    }
    void setBands(int n) { bands()->setFromHost(bands()->toNormalized(n)); }
    double crossover(int i) {
        return static_cast<rigging::FloatParameter*>(p(param::crossover(i)))->value();
    }
    void setCrossover(int i, double hz) {
        auto* c = static_cast<rigging::FloatParameter*>(p(param::crossover(i)));
        c->setFromHost(c->toNormalized(hz));
    }
    void clickAt(const layout::Rect& r) {
        click(static_cast<int>(r.centreX()), static_cast<int>(r.centreY()));
        release();
    }
    void clearBandFlags() {
        for (int b = 0; b < 4; ++b) {
            globals.endPanelMove(b);
            globals.flagMeterToUpdate(b, false);
        }
    }

    brindlewave::UITooltip* tooltip;
    UIBottomLeftPanel* panel;
};

TEST_F(BottomLeftPanelTest, ControlsSitInTheirBoxesAndTakeClicksThere) {
    const std::vector<std::pair<rigging::UIElement*, layout::Rect>> expected = {
        {panel->decrementButton(), layout::kBandDecrement},
        {panel->incrementButton(), layout::kBandIncrement},
        {panel->bandNumberDisplay(), layout::kBandNumber},
        {panel->alignButton(0), layout::kAlignLeft},
        {panel->alignButton(1), layout::kAlignRight},
        {panel->alignButton(2), layout::kAlignEven},
        {panel->alignButton(3), layout::kAlignOuter},
        {panel->inputGainKnob(), layout::kInputGainKnob},
        {panel->outputGainKnob(), layout::kOutputGainKnob}};
    ASSERT_EQ(panel->children().size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(panel->children()[i], expected[i].first) << i;  // creation order
        EXPECT_EQ(expected[i].first->position(), boxOf(expected[i].second)) << i;
    }
    EXPECT_TRUE(panel->decrementButton()->isDecrement());
    EXPECT_FALSE(panel->incrementButton()->isDecrement());
    for (int m = 0; m < 4; ++m) EXPECT_EQ(panel->alignButton(m)->mode(), m);
    EXPECT_EQ(panel->inputGainKnob()->param(), p(param::inputGain));
    EXPECT_EQ(panel->outputGainKnob()->param(), p(param::outputGain));

    // The panel itself takes nothing: the gap between the buttons and the count is free.
    EXPECT_FALSE(click(28, 652));
    EXPECT_FALSE(click(207, 640));
    // The last pixel row and column of a box belong to the control, the next ones do not.
    setBands(3);
    EXPECT_TRUE(click(92, 661));
    release();
    EXPECT_EQ(bands()->value(), 4);
    EXPECT_FALSE(click(93, 652));
    EXPECT_FALSE(click(80, 662));
}

// Records, as the band count changes, whether the editor's "+" had asked for room first.
struct BandCountSpy : rigging::IParameterListener {
    brindlewave::GlobalState* state;
    std::vector<bool> seen;
    void onParameterChanged(rigging::Parameter*) noexcept override {
        seen.push_back(state->takeBandAddedByEditor());
    }
    void onBeginParameterEdit(rigging::Parameter*) noexcept override {}
    void onEndParameterEdit(rigging::Parameter*) noexcept override {}
};

TEST_F(BottomLeftPanelTest, BandButtonsStopAtTwoAndFourButAlwaysSendOneEdit) {
    BandCountSpy spy;
    spy.state = &globals;
    bands()->addListener(&spy);
    setBands(4);
    host.calls.clear();
    clickAt(layout::kBandIncrement);
    EXPECT_EQ(bands()->value(), 4);
    EXPECT_EQ(host.calls,
              (std::vector<std::string>{"begin 59", "perform 59 1.00000", "end 59"}));
    host.calls.clear();
    setBands(2);
    clickAt(layout::kBandDecrement);
    EXPECT_EQ(bands()->value(), 2);
    EXPECT_EQ(host.calls,
              (std::vector<std::string>{"begin 59", "perform 59 0.00000", "end 59"}));

    // Up one at a time, then down.
    clickAt(layout::kBandIncrement);
    EXPECT_EQ(bands()->value(), 3);
    clickAt(layout::kBandIncrement);
    EXPECT_EQ(bands()->value(), 4);
    clickAt(layout::kBandDecrement);
    EXPECT_EQ(bands()->value(), 3);
    bands()->removeListener(&spy);
    // setBands(4) and setBands(2) come from the host; "+" at 4 and both "-" never ask for
    // room; only the two "+" that raised the count did, and each flag was set before the
    // band row heard of the change.
    EXPECT_EQ(spy.seen, (std::vector<bool>{false, false, false, false, true, true, false}));
    EXPECT_FALSE(globals.takeBandAddedByEditor());  // nothing left behind for a later change
}

TEST_F(BottomLeftPanelTest, AlignSpacesEveryCrossoverFromTheOneJustPlaced) {
    // x of crossovers 0 .. N - 1 (the last beyond the active bands), by mode.
    struct Case {
        int bands;
        double x[4][4];
    };
    const Case cases[] = {
        {2, {{100, 200}, {749, 999}, {500, 1000}, {100, 999}}},
        {3, {{100, 200, 300}, {499, 749, 999}, {333, 666, 999}, {100, 749, 999}}},
        {4,
         {{100, 200, 300, 400},
          {249, 499, 749, 999},
          {250, 500, 750, 1000},
          {100, 200, 749, 999}}}};
    for (const Case& c : cases)
        for (int mode = 0; mode < 4; ++mode) {
            SCOPED_TRACE("bands " + std::to_string(c.bands) + " mode " + std::to_string(mode));
            setBands(c.bands);
            // Out of order and far away, so nothing of the old places can survive.
            for (int i = 0; i < 9; ++i) setCrossover(i, 15000.0 - 1000.0 * i);
            clearBandFlags();
            host.calls.clear();
            clickAt(layout::kAlignButtons[mode]);
            ASSERT_EQ(host.calls.size(), 3u * c.bands);
            for (int i = 0; i < c.bands; ++i) {
                EXPECT_NEAR(xOf(crossover(i)), c.x[mode][i], 1e-3) << i;
                EXPECT_EQ(host.calls[3 * i], "begin " + std::to_string(i));
                EXPECT_EQ(host.calls[3 * i + 1].rfind("perform " + std::to_string(i) + " ", 0), 0u);
                EXPECT_EQ(host.calls[3 * i + 2], "end " + std::to_string(i));
                EXPECT_TRUE(globals.isPanelBeingMoved(i));
                EXPECT_TRUE(globals.doesMeterNeedUpdate(i));
            }
            for (int i = c.bands; i < 9; ++i) EXPECT_DOUBLE_EQ(crossover(i), 15000.0 - 1000.0 * i);
            for (int i = c.bands; i < 4; ++i) {
                EXPECT_FALSE(globals.isPanelBeingMoved(i));
                EXPECT_FALSE(globals.doesMeterNeedUpdate(i));
            }
        }
}

TEST_F(BottomLeftPanelTest, AlignReachesTheTabledFrequencies) {
    struct Case {
        int bands, mode;
        double hz[3];
    };
    const Case cases[] = {{3, UIAlignButton::even, {199.540, 1990.81, 19862.32}},
                          {4, UIAlignButton::left, {39.905, 79.621, 158.866}},
                          {4, UIAlignButton::right, {111.694, 628.102, 3532.08}},
                          {4, UIAlignButton::even, {112.468, 632.456, 3556.56}}};
    for (const Case& c : cases) {
        setBands(c.bands);
        clickAt(layout::kAlignButtons[c.mode]);
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(crossover(i), c.hz[i], c.hz[i] * 2e-5) << i;
    }
    // Even with four bands puts the spare fourth crossover at the top of the range.
    EXPECT_DOUBLE_EQ(crossover(3), 20000.0);
}

TEST(AlignButtonRule, AnUnknownModeKeepsEachCrossoverWhereItIs) {
    EXPECT_NEAR(UIAlignButton::alignedX(9, 3, 1, 20.0, 632.4555), 500.0, 1e-3);
    EXPECT_NEAR(UIAlignButton::alignedX(-1, 3, 0, 20.0, 20000.0), 1000.0, 1e-9);
    // Positions beyond the axis clamp to its ends, not past them.
    EXPECT_DOUBLE_EQ(UIAlignButton::alignedX(UIAlignButton::left, 4, 1, 5.0, 0), 100.0);
    EXPECT_DOUBLE_EQ(UIAlignButton::alignedX(UIAlignButton::even, 2, 1, 40000.0, 0), 1500.0);
}

TEST_F(BottomLeftPanelTest, HoverTellsWhatEachButtonDoes) {
    const std::vector<std::pair<layout::Rect, std::vector<std::string>>> expected = {
        {layout::kBandDecrement, {"IncrementDecrementButton", "Remove Band", "-"}},
        {layout::kBandIncrement, {"IncrementDecrementButton", "Add Band", "+"}},
        {layout::kAlignLeft, {"AlignButton", "Align Bands", "Left"}},
        {layout::kAlignRight, {"AlignButton", "Align Bands", "Right"}},
        {layout::kAlignEven, {"AlignButton", "Align Bands", "Even"}},
        {layout::kAlignOuter, {"AlignButton", "Align Bands", "Outer"}},
        {layout::kInputGainKnob, {"Knob", "Input Gain", "0.00 dB"}}};
    for (const auto& [box, texts] : expected) {
        moveTo(static_cast<int>(box.centreX()), static_cast<int>(box.centreY()));
        const brindlewave::Message m = mailbox.readMessage();
        EXPECT_EQ(std::vector<std::string>({m.kind.c_str(), m.name.c_str(), m.value.c_str()}),
                  texts);
    }
    // Moving within a control posts nothing more.
    moveTo(380 + 20, 642 + 20);
    mailbox.readMessage();
    moveTo(380 + 22, 642 + 21);
    EXPECT_EQ(mailbox.count(), 0u);
}

TEST_F(BottomLeftPanelTest, AClickHighlightsFor600MsAndRedrawsOnlyWhileTheFadeMoves) {
    setBands(3);
    struct Button {
        rigging::UIElement* element;
        layout::Rect box;
        bool (*clicked)(rigging::UIElement*);
        float (*fade)(rigging::UIElement*);
    };
    auto idClicked = [](rigging::UIElement* e) {
        return static_cast<UIIncrementDecrementButton*>(e)->isClicked();
    };
    auto idFade = [](rigging::UIElement* e) {
        return static_cast<UIIncrementDecrementButton*>(e)->fadeValue();
    };
    auto alClicked = [](rigging::UIElement* e) {
        return static_cast<UIAlignButton*>(e)->isClicked();
    };
    auto alFade = [](rigging::UIElement* e) { return static_cast<UIAlignButton*>(e)->fadeValue(); };
    const Button buttons[] = {{panel->decrementButton(), layout::kBandDecrement, idClicked, idFade},
                              {panel->alignButton(2), layout::kAlignEven, alClicked, alFade}};
    for (const Button& b : buttons) {
        // Idle from the start: opening the editor flashes nothing.
        EXPECT_FALSE(b.clicked(b.element));
        pull(context.dirtyListPBR);
        b.element->onAnimate(16.7, 0);
        EXPECT_TRUE(pull(context.dirtyListPBR).empty());

        clickAt(b.box);
        EXPECT_TRUE(b.clicked(b.element));
        pull(context.dirtyListPBR);
        b.element->onAnimate(16.7, 0);
        EXPECT_NEAR(b.fade(b.element), 1.0f, 1e-6);
        EXPECT_EQ(pull(context.dirtyListPBR), (std::vector<box2i>{boxOf(b.box)}));
        b.element->onAnimate(16.7, 0);
        EXPECT_TRUE(pull(context.dirtyListPBR).empty());
        b.element->onAnimate(566.5, 0);  // 599.9 ms
        EXPECT_TRUE(b.clicked(b.element));
        EXPECT_TRUE(pull(context.dirtyListPBR).empty());
        b.element->onAnimate(0.2, 0);
        EXPECT_FALSE(b.clicked(b.element));
        EXPECT_LT(b.fade(b.element), 0.001f);  // e^-8 of the way left after 0.2 ms
        EXPECT_EQ(pull(context.dirtyListPBR).size(), 1u);
        b.element->onAnimate(16.7, 0);  // the rest of the way is below the redraw threshold
        EXPECT_TRUE(pull(context.dirtyListPBR).empty());
        // A second click restarts the whole 600 ms.
        clickAt(b.box);
        b.element->onAnimate(599.0, 0);
        EXPECT_TRUE(b.clicked(b.element));
    }
}

TEST_F(BottomLeftPanelTest, OnlyTheBandButtonsGlowAfterAClick) {
    rigging::OwnedImage<RGBA> diffuse(100, 30), material(100, 30);
    rigging::OwnedImage<rigging::L16> depth(100, 30);
    auto drawn = [&](rigging::UIElement* e) {
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 100; ++x) {
                diffuse(x, y) = RGBA{10, 20, 30, 40};
                material(x, y) = RGBA{2, 2, 2, 2};
                depth(x, y).l = 3;
            }
        const box2i all[] = {box2i(0, 0, e->position().width(), e->position().height())};
        e->onDrawPBR(rigging::toRef(diffuse), rigging::toRef(depth), rigging::toRef(material),
                     all);
    };
    rigging::OwnedImage<RGBA>* bandStrip =
        rigging::loadOwnedImage(resource(brindlewave::gfx::kBandCountButton));
    rigging::OwnedImage<RGBA>* evenStrip =
        rigging::loadOwnedImage(resource(brindlewave::gfx::kAlignEvenButton));
    ASSERT_EQ(bandStrip->width(), 80);
    ASSERT_EQ(evenStrip->width(), 400);
    struct Case {
        rigging::UIElement* button;
        const rigging::OwnedImage<RGBA>* strip;
        int frame, x, y;
        std::uint8_t litEmission;
    };
    // A pixel in the middle of each face.
    const Case cases[] = {{panel->incrementButton(), bandStrip, 20, 3, 10, 100},
                          {panel->alignButton(2), evenStrip, 100, 50, 25, 0}};
    setBands(3);
    for (const Case& c : cases) {
        const RGBA base = (*c.strip)(c.x, c.y);
        const RGBA grey = (*c.strip)(c.x + c.frame, c.y);
        ASSERT_GT(base.a, 0);  // a pixel of the face, so the emission shows
        for (bool lit : {false, true}) {
            if (lit) {
                click(c.button->position().min.x + 1, c.button->position().min.y + 1);
                release();
                c.button->onAnimate(16.7, 0);
            }
            drawn(c.button);
            const std::uint8_t emission = lit ? c.litEmission : 0;
            EXPECT_EQ(diffuse(c.x, c.y),
                      rigging::blendColor(RGBA{base.r, base.g, base.b, emission},
                                          RGBA{10, 20, 30, 40}, base.a));
            EXPECT_EQ(material(c.x, c.y), (*c.strip)(c.x + 2 * c.frame, c.y));
            EXPECT_EQ(depth(c.x, c.y).l, brindlewave::stripDepth(grey));  // never sunk
            // Nothing right of a frame narrower than the maps.
            if (c.frame < 100) EXPECT_EQ(depth(c.frame + 5, c.y).l, 3);
        }
    }
    rigging::destroyFree(bandStrip);
    rigging::destroyFree(evenStrip);
}

TEST_F(BottomLeftPanelTest, TheBandCountShowsTheParameterAndRedrawsWhenItChanges) {
    brindlewave::UIBandNumberDisplay* display = panel->bandNumberDisplay();
    EXPECT_STREQ(display->paramString().data(), "4");
    pull(context.dirtyListPBR);
    setBands(2);
    EXPECT_STREQ(display->paramString().data(), "2");
    EXPECT_EQ(pull(context.dirtyListPBR), (std::vector<box2i>{boxOf(layout::kBandNumber)}));
    // The host setting the value it already has still redraws: nothing is compared.
    setBands(2);
    EXPECT_EQ(pull(context.dirtyListPBR).size(), 1u);

    // The digit is drawn centred, glowing: emission reaches the middle, not the edges.
    rigging::OwnedImage<RGBA> diffuse(40, 50), material(40, 50);
    rigging::OwnedImage<rigging::L16> depth(40, 50);
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 40; ++x) diffuse(x, y) = RGBA{0, 0, 0, 0};
    const box2i all[] = {box2i(0, 0, 40, 50)};
    display->onDrawPBR(rigging::toRef(diffuse), rigging::toRef(depth), rigging::toRef(material),
                       all);
    int lit = 0, minX = 40, maxX = -1, minY = 50, maxY = -1;
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 40; ++x)
            if (diffuse(x, y).a > 0) {
                ++lit;
                minX = std::min(minX, x), maxX = std::max(maxX, x);
                minY = std::min(minY, y), maxY = std::max(maxY, y);
                EXPECT_LE(diffuse(x, y).a, 150);
            }
    EXPECT_GT(lit, 20);
    EXPECT_NEAR((minX + maxX) / 2.0, 20.0, 2.5);
    EXPECT_NEAR((minY + maxY) / 2.0, 25.0, 2.5);
    EXPECT_GT(minX, 8);
    EXPECT_GT(minY, 10);
}

TEST_F(BottomLeftPanelTest, DestroyedControlsStopListening) {
    destroyOwned();  // the panel and the display leave parameter 59's listeners
    setBands(3);     // would reach freed listeners otherwise
    EXPECT_EQ(bands()->value(), 3);
}

// The real editor: the panel under the information line, reached through the whole tree.
TEST(BottomLeftPanelInEditor, AddsABandAndAlignsThroughTheWholeTree) {
    LoggingHost host;
    auto* plugin = rigging::createClient<brindlewave::BrindlewavePlugin>();
    plugin->setHostCommand(&host);
    int w = 0, h = 0;
    ASSERT_TRUE(plugin->getGUISize(&w, &h));  // makes the editor
    auto* editor = dynamic_cast<brindlewave::HalyardGUI*>(plugin->graphicsAcquire());
    plugin->graphicsRelease();
    ASSERT_NE(editor, nullptr);
    {
        rigging::OffscreenDriver driver(*editor);
        driver.open();
        driver.tick();

        UIBottomLeftPanel& panel = editor->bottomLeftPanel();
        EXPECT_EQ(panel.position(), brindlewave::HalyardGUI::kBottomLeftPanelBox);
        const auto kids = editor->children();
        const auto at = [&](const rigging::UIElement* e) {
            return std::find(kids.begin(), kids.end(), e) - kids.begin();
        };
        EXPECT_LT(at(&panel), at(&editor->informationLine()));
        EXPECT_EQ(panel.alignButton(3)->position(), boxOf(layout::kAlignOuter));

        auto* bands = static_cast<rigging::IntegerParameter*>(plugin->param(param::numberOfBands));
        bands->setFromHost(bands->toNormalized(2));
        host.calls.clear();
        driver.click(83, 652);  // "+"
        driver.release(83, 652);
        EXPECT_EQ(bands->value(), 3);
        EXPECT_EQ(host.count("begin 59"), 1);
        EXPECT_EQ(host.count("end 59"), 1);
        host.calls.clear();
        driver.click(155, 670);  // Even
        driver.release(155, 670);
        EXPECT_NEAR(static_cast<rigging::FloatParameter*>(plugin->param(0))->value(), 199.54,
                    0.01);
        EXPECT_EQ(host.count("begin "), 3);
        EXPECT_EQ(host.count("end "), 3);
        EXPECT_TRUE(driver.tick());
    }
    rigging::destroyFree(plugin);  // destroys the editor with it
}

}  // namespace
