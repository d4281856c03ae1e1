#include "brindlewave/widgets/bottomLeftPanel.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include "brindlewave/editorlayout.h"
#include "brindlewave/gui.h"
#include "brindlewave/paramids.h"
#include "brindlewave/plugin.h"
#include "brindlewave/widgets/alignbutton.h"
#include "brindlewave/widgets/bandnumberdisplay.h"
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

box2i boxOf(const layout::Rect& r) {
    return box2i(r.x0, r.y0, r.x1, r.y1);
}
double xOf(double hz) {
    return 1000.0 * std::log10(hz / 20.0) / 3.0;
}

class BottomLeftPanelTest : public EditorFixture {
protected:
    BottomLeftPanelTest()
        : tooltip(rigging::mallocNew<brindlewave::UITooltip>(&context, *client, &font)) {
        panel = rigging::mallocNew<UIBottomLeftPanel>(&context, *client, bands(), &font, knobStrip,
                                                      &mailbox, &globals, tooltip);
        panel->addControls(*client);
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
        pointer.click(static_cast<int>(r.centreX()), static_cast<int>(r.centreY()));
        pointer.release();
    }
    // Both kinds of button flash alike.
    template <typename Button>
    void checkHighlight(Button* b, const layout::Rect& box) {
        auto dirty = [&] { return pull(context.dirtyListPBR); };
        EXPECT_FALSE(b->isClicked());  // opening the editor flashes nothing
        dirty();
        b->onAnimate(16.7, 0);
        EXPECT_TRUE(dirty().empty());
        clickAt(box);
        dirty();  // what the click changed redraws for itself
        b->onAnimate(16.7, 0);
        EXPECT_NEAR(b->fadeValue(), 1.0f, 1e-6);
        EXPECT_EQ(dirty(), (std::vector<box2i>{boxOf(box)}));
        b->onAnimate(583.2, 0);  // 599.9 ms: still on, and unchanged
        EXPECT_TRUE(b->isClicked());
        EXPECT_TRUE(dirty().empty());
        b->onAnimate(0.2, 0);
        EXPECT_FALSE(b->isClicked());
        EXPECT_LT(b->fadeValue(), 0.001f);  // e^-8 of the way left
        EXPECT_EQ(dirty().size(), 1u);
        b->onAnimate(16.7, 0);  // the rest is below the redraw threshold
        EXPECT_TRUE(dirty().empty());
        clickAt(box);  // a second click restarts the whole 600 ms
        b->onAnimate(599.0, 0);
        EXPECT_TRUE(b->isClicked());
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
    // A null button is a change from the host; a click at a limit is still one whole edit.
    const struct {
        const layout::Rect* button;
        int bands;
        const char* perform;
    } steps[] = {{nullptr, 4, nullptr},
                 {&layout::kBandIncrement, 4, "perform 59 1.00000"},
                 {nullptr, 2, nullptr},
                 {&layout::kBandDecrement, 2, "perform 59 0.00000"},
                 {&layout::kBandIncrement, 3, "perform 59 0.50000"},
                 {&layout::kBandIncrement, 4, "perform 59 1.00000"},
                 {&layout::kBandDecrement, 3, "perform 59 0.50000"}};
    for (const auto& step : steps) {
        host.calls.clear();
        if (step.button)
            clickAt(*step.button);
        else
            setBands(step.bands);
        EXPECT_EQ(bands()->value(), step.bands);
        if (step.button)
            EXPECT_EQ(host.calls, (std::vector<std::string>{"begin 59", step.perform, "end 59"}));
    }
    bands()->removeListener(&spy);
    // Only the two "+" that raised the count asked for room, each before the band row heard of
    // the change, and nothing is left behind for a later change.
    EXPECT_EQ(spy.seen, (std::vector<bool>{false, false, false, false, true, true, false}));
    EXPECT_FALSE(globals.takeBandAddedByEditor());
}

TEST_F(BottomLeftPanelTest, AlignSpacesEveryCrossoverFromTheOneJustPlaced) {
    // x of crossovers 0 .. N - 1 (the last beyond the active bands), by mode.
    struct Case {
        int bands;
        double x[4][4];
    };
    const Case cases[] = {{2, {{100, 200}, {749, 999}, {500, 1000}, {100, 999}}},
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
    const std::pair<int, double> evenThree[] = {{0, 199.540}, {1, 1990.81}, {2, 19862.32}};
    setBands(3);
    clickAt(layout::kAlignEven);
    for (auto [i, hz] : evenThree) EXPECT_NEAR(crossover(i), hz, hz * 2e-5) << i;
    setBands(4);
    clickAt(layout::kAlignRight);
    EXPECT_NEAR(crossover(1), 628.102, 0.01);
    clickAt(layout::kAlignEven);
    EXPECT_NEAR(crossover(2), 3556.56, 0.01);
    EXPECT_DOUBLE_EQ(crossover(3), 20000.0);  // the spare fourth, at the top of the range
    // A mode the editor does not make keeps each crossover where it is; places beyond the
    // axis clamp to its ends.
    EXPECT_NEAR(UIAlignButton::alignedX(9, 3, 1, 20.0, 632.4555), 500.0, 1e-3);
    EXPECT_DOUBLE_EQ(UIAlignButton::alignedX(UIAlignButton::left, 4, 1, 5.0, 0), 100.0);
    EXPECT_DOUBLE_EQ(UIAlignButton::alignedX(UIAlignButton::even, 2, 1, 40000.0, 0), 1500.0);
}

TEST_F(BottomLeftPanelTest, HoverTellsWhatEachControlDoesAndOnlyItsBoxTakesClicks) {
    const std::vector<std::pair<layout::Rect, std::vector<std::string>>> expected = {
        {layout::kBandDecrement, {"IncrementDecrementButton", "Remove Band", "-"}},
        {layout::kBandIncrement, {"IncrementDecrementButton", "Add Band", "+"}},
        {layout::kAlignLeft, {"AlignButton", "Align Bands", "Left"}},
        {layout::kAlignRight, {"AlignButton", "Align Bands", "Right"}},
        {layout::kAlignEven, {"AlignButton", "Align Bands", "Even"}},
        {layout::kAlignOuter, {"AlignButton", "Align Bands", "Outer"}},
        {layout::kInputGainKnob, {"Knob", "Input Gain", "0.00 dB"}}};
    for (const auto& [box, texts] : expected) {
        pointer.moveTo(static_cast<int>(box.centreX()), static_cast<int>(box.centreY()));
        const brindlewave::Message m = mailbox.readMessage();
        EXPECT_EQ(std::vector<std::string>({m.kind.c_str(), m.name.c_str(), m.value.c_str()}),
                  texts);
    }
    EXPECT_EQ(panel->outputGainKnob()->param(), p(param::outputGain));
    // The panel itself takes nothing; a box's last pixel belongs to its control.
    EXPECT_FALSE(pointer.click(28, 652));
    setBands(3);
    EXPECT_TRUE(pointer.click(92, 661));
    pointer.release();
    EXPECT_EQ(bands()->value(), 4);
    EXPECT_FALSE(pointer.click(93, 652));
}

TEST_F(BottomLeftPanelTest, AClickHighlightsFor600MsAndRedrawsOnlyWhileTheFadeMoves) {
    setBands(3);
    checkHighlight(panel->decrementButton(), layout::kBandDecrement);
    checkHighlight(panel->alignButton(2), layout::kAlignEven);
}

TEST_F(BottomLeftPanelTest, OnlyTheBandButtonsGlowAfterAClick) {
    rigging::OwnedImage<RGBA> diffuse(100, 30), material(100, 30);
    rigging::OwnedImage<rigging::L16> depth(100, 30);
    auto* bandStrip = rigging::loadOwnedImage(resource(brindlewave::gfx::kBandCountButton));
    auto* evenStrip = rigging::loadOwnedImage(resource(brindlewave::gfx::kAlignEvenButton));
    // A pixel in the middle of each face; frame width; emission right after a click.
    const std::tuple<rigging::UIElement*, rigging::OwnedImage<RGBA>*, int, int, int, int> cases[] =
        {{panel->incrementButton(), bandStrip, 20, 3, 10, 100},
         {panel->alignButton(2), evenStrip, 100, 50, 25, 0}};
    setBands(3);
    for (auto [button, strip, frame, x, y, litEmission] : cases) {
        const RGBA base = (*strip)(x, y);
        ASSERT_GT(base.a, 0);  // a pixel of the face, so the emission shows
        for (bool lit : {false, true}) {
            if (lit) {
                pointer.click(button->position().min.x + 1, button->position().min.y + 1);
                pointer.release();
                button->onAnimate(16.7, 0);
            }
            for (int j = 0; j < 30; ++j)
                for (int i = 0; i < 100; ++i)
                    diffuse(i, j) = RGBA{10, 20, 30, 40}, depth(i, j).l = 3;
            const box2i all[] = {
                box2i(0, 0, button->position().width(), button->position().height())};
            button->onDrawPBR(rigging::toRef(diffuse), rigging::toRef(depth),
                              rigging::toRef(material), all);
            const auto emission = static_cast<std::uint8_t>(lit ? litEmission : 0);
            EXPECT_EQ(diffuse(x, y), rigging::blendColor(RGBA{base.r, base.g, base.b, emission},
                                                         RGBA{10, 20, 30, 40}, base.a));
            EXPECT_EQ(depth(x, y).l, brindlewave::stripDepth((*strip)(x + frame, y)));  // not sunk
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

    // The digit glows in the middle of the display and nowhere near its edges.
    rigging::OwnedImage<RGBA> diffuse(40, 50), material(40, 50);
    rigging::OwnedImage<rigging::L16> depth(40, 50);
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 40; ++x) diffuse(x, y) = RGBA{0, 0, 0, 0};
    const box2i all[] = {box2i(0, 0, 40, 50)};
    display->onDrawPBR(rigging::toRef(diffuse), rigging::toRef(depth), rigging::toRef(material),
                       all);
    int lit = 0, maxAlpha = 0;
    double sumX = 0, sumY = 0;
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 40; ++x)
            if (int a = diffuse(x, y).a; a > 0) {
                ++lit, sumX += x, sumY += y, maxAlpha = std::max(maxAlpha, a);
                EXPECT_TRUE(x > 8 && x < 32 && y > 10 && y < 40) << x << "," << y;
            }
    ASSERT_GT(lit, 20);
    EXPECT_EQ(maxAlpha, 150);
    EXPECT_NEAR(sumX / lit, 20.0, 2.5);
    EXPECT_NEAR(sumY / lit, 25.0, 2.5);
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
        EXPECT_NEAR(static_cast<rigging::FloatParameter*>(plugin->param(0))->value(), 199.54, 0.01);
        EXPECT_EQ(host.count("begin "), 3);
        EXPECT_EQ(host.count("end "), 3);
        EXPECT_TRUE(driver.tick());
    }
    rigging::destroyFree(plugin);  // destroys the editor with it
}

}  // namespace
