#include "brindlewave/gui.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "brindlewave/paramids.h"
#include "brindlewave/plugin.h"
#include "brindlewave/widgets/envelopedisplay.h"
#include "brindlewave/widgets/fftdisplay.h"
#include "brindlewave/widgets/globalknob.h"
#include "brindlewave/widgets/mainpanel.h"
#include "brindlewave/widgets/meter.h"
#include "brindlewave/widgets/paramwidget.h"
#include "brindlewave/widgets/subpanel.h"
#include "brindlewave/widgets/subpanelknoblabel.h"
#include "brindlewave/widgets/textbutton.h"
#include "brindlewave/widgets/tooltip.h"
#include "rigging/client/hostcommand.h"
#include "rigging/core/vec.h"
#include "rigging/gui/offscreen.h"

namespace {

using brindlewave::HalyardGUI;
using geom::box2i;
using rigging::RGBA;
namespace param = brindlewave::param;

struct LoggingHost : rigging::IHostCommand {
    std::vector<std::string> calls;
    void beginParamEdit(int i) override { calls.push_back("begin " + std::to_string(i)); }
    void paramAutomate(int i, float) override { calls.push_back("perform " + std::to_string(i)); }
    void endParamEdit(int i) override { calls.push_back("end " + std::to_string(i)); }
    bool requestResize(int, int) override { return false; }
    rigging::DAW getDAW() override { return rigging::DAW::unknown; }
};

// One editor for the whole suite: building it decodes every image.
class EditorTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        client = rigging::createClient<brindlewave::BrindlewavePlugin>();
        client->setHostCommand(&host);
        int w = 0, h = 0;
        ASSERT_TRUE(client->getGUISize(&w, &h));  // makes the editor
        editor = dynamic_cast<HalyardGUI*>(client->graphicsAcquire());
        client->graphicsRelease();
        ASSERT_NE(editor, nullptr);
        driver = new rigging::OffscreenDriver(*editor);
        driver->open();
        driver->tick();
    }
    static void TearDownTestSuite() {
        delete driver;
        rigging::destroyFree(client);  // destroys the editor with it
    }
    void SetUp() override {
        for (int i = 0; i < client->numParams(); ++i)
            client->param(i)->setFromHost(client->param(i)->getNormalizedDefault());
        driver->move(5, 5);
        // The editor is shared by the suite and its information line reads one message a
        // tick: what an earlier test posted would be shown before this test's own messages.
        for (unsigned i = 0; i <= brindlewave::MessageQueue::kCapacity; ++i) driver->tick();
        ASSERT_EQ(editor->mailbox().count(), 0u);
        host.calls.clear();
    }
    double n(int i) { return client->param(i)->getNormalized(); }

    static inline LoggingHost host;
    static inline brindlewave::BrindlewavePlugin* client = nullptr;
    static inline HalyardGUI* editor = nullptr;
    static inline rigging::OffscreenDriver* driver = nullptr;
};

TEST_F(EditorTest, FixedSizeAndTheParametersOfTheGlobalKnobs) {
    int w = 0, h = 0;
    editor->getGUISize(&w, &h);
    EXPECT_EQ(w, 1000);
    EXPECT_EQ(h, 700);
    EXPECT_EQ(editor->sizeConstraints().type, rigging::SizeConstraints::fixedSize);

    rigging::FloatParameter** gains = editor->getParamsForGlobalKnob(4);
    rigging::BoolParameter** links = editor->getLinkParamsForGlobalKnob(4);
    const int expectedGains[] = {13, 18, 23, 28}, expectedLinks[] = {71, 76, 81, 86};
    for (int b = 0; b < 4; ++b) {
        EXPECT_EQ(gains[b]->index(), expectedGains[b]);
        EXPECT_EQ(links[b]->index(), expectedLinks[b]);
    }
    rigging::alignedFree(gains, brindlewave::UIGlobalFilmstripKnob::kArrayAlignment);
    rigging::alignedFree(links, brindlewave::UIGlobalFilmstripKnob::kArrayAlignment);
    for (int k = 0; k < 5; ++k)
        EXPECT_EQ(editor->globalKnob(k).globalParameter()->index(), param::globalAttack + k);
    EXPECT_STREQ(editor->globalKnobLabel(2).shortText(), "Th");
    EXPECT_STREQ(editor->globalKnobLabel(1).shortText(), "Re");
}

TEST_F(EditorTest, TheDefaultKnobFramesAndTheGradeOverThem) {
    const int frames[] = {82, 100, 99, 36, 60};
    for (int k = 0; k < 5; ++k) EXPECT_EQ(editor->globalKnob(k).currentFrame(), frames[k]) << k;
    // A knob pixel is the grade of its frame blended over the lit picture: the colour
    // correction sits above every other element.
    const auto composited = editor->compositedBuffer();
    const auto window = driver->image();
    const auto& strip = editor->knobImage();
    const auto& cc = editor->colorCorrection();
    for (auto [x, y] : {std::pair{597, 607}, std::pair{580, 590}, std::pair{600, 628}}) {
        const RGBA f = strip(x - 575, 82 * 45 + y - 585);
        const RGBA b = rigging::blendColor(f, composited(x, y), f.a);
        const RGBA w = window(x, y);
        EXPECT_EQ(w.r, cc.redTable()[b.r]);
        EXPECT_EQ(w.g, cc.greenTable()[b.g]);
        EXPECT_EQ(w.b, cc.blueTable()[b.b]);
        EXPECT_EQ(w.a, 255);
    }
}

TEST_F(EditorTest, OversampleAndBypassButtonsReachTheHost) {
    driver->move(900, 660);
    driver->click(900, 660);
    driver->release(900, 660);
    EXPECT_EQ(static_cast<rigging::IntegerParameter*>(client->param(117))->value(), 2);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"begin 117", "perform 117", "end 117"}));
    EXPECT_TRUE(editor->oversampleButton(2).isSelected());
    host.calls.clear();
    driver->move(950, 30);
    driver->click(950, 30);
    driver->release(950, 30);
    EXPECT_TRUE(static_cast<rigging::BoolParameter*>(client->param(138))->value());
    EXPECT_EQ(host.calls, (std::vector<std::string>{"begin 138", "perform 138", "end 138"}));
}

TEST_F(EditorTest, ATooltipShownDuringAnotherDragWaitsForItsEnd) {
    driver->move(597, 607);
    driver->click(597, 607);
    driver->move(665, 607);  // over the Release knob, still dragging Attack
    EXPECT_EQ(editor->tooltip().currentParameter(), client->param(62));
    EXPECT_TRUE(editor->tooltip().hasPendingShow());
    driver->release(665, 607);
    EXPECT_EQ(editor->tooltip().currentParameter(), client->param(63));
    EXPECT_TRUE(editor->tooltip().isShown());
    // The tooltip is no element of the tree.
    for (rigging::UIElement* child : editor->children())
        EXPECT_NE(child, static_cast<rigging::UIElement*>(&editor->tooltip()));
}

TEST_F(EditorTest, TheInformationLineNamesWhatWasTouched) {
    driver->move(665, 607);  // Release knob
    driver->tick();
    EXPECT_STREQ(editor->informationLine().shownMessage().name.c_str(), "Release");
    EXPECT_STREQ(editor->informationLine().shownMessage().value.c_str(), "188.00 ms");
    driver->move(665, 655);  // Ratio, unitless
    driver->tick();
    EXPECT_STREQ(editor->informationLine().shownMessage().value.c_str(), "4.00 ");
}

TEST_F(EditorTest, TheSpectrumShowsTheEnginesFramesAndItsHandlesMoveTheCrossovers) {
    rigging::Vec<brindlewave::SpectrumBin> frame(2049);
    for (auto& bin : frame) bin = brindlewave::SpectrumBin(1024.0f, 0.0f);
    for (int i = 0; i < 3; ++i) editor->updateFFTData(frame, 4096, 48000.0f);
    driver->tick();
    EXPECT_TRUE(editor->bandState().fftDataArriving());
    EXPECT_GT(editor->spectrumDisplay().shownLevels()[500], 0.5f);
    // The first handle sits at editor (250, 162); dragged 50 pixels to the right.
    driver->move(250, 162);
    driver->click(250, 162);
    driver->move(255, 162);
    driver->move(300, 162);
    driver->release(300, 162);
    EXPECT_NEAR(static_cast<rigging::FloatParameter*>(client->param(0))->value(), 158.87, 0.01);
    ASSERT_GE(host.calls.size(), 3u);
    EXPECT_EQ(host.calls[0], "begin 0");
    EXPECT_EQ(host.calls.back(), "end 0");
}

// Align moves every panel; the meters stay on screen in the frame that shows the move.
TEST(FreshEditor, TheMetersStayDrawnInTheFrameAfterAnAlignClick) {
    auto* plugin = rigging::createClient<brindlewave::BrindlewavePlugin>();
    auto* editor = rigging::mallocNew<HalyardGUI>(*plugin);
    {
        rigging::OffscreenDriver driver(*editor);
        driver.open();
        for (int i = 0; i < 3; ++i) driver.tick();
        driver.click(260, 635);  // Right: crossovers at 249, 499 and 749
        driver.release(260, 635);
        ASSERT_TRUE(driver.tick());
        auto meterPixels = [&] {
            std::vector<RGBA> out;
            for (int b = 0; b < 4; ++b) {
                const box2i m = editor->mainPanel().panel(b)->meter()->position();
                for (int y = m.min.y; y < m.max.y; ++y)
                    for (int x = m.min.x; x < m.max.x; ++x) out.push_back(driver.image()(x, y));
            }
            return out;
        };
        const std::vector<RGBA> moving = meterPixels();
        for (int i = 0; i < 5; ++i) driver.tick();
        const std::vector<RGBA> settled = meterPixels();
        ASSERT_EQ(moving.size(), settled.size());
        // Only the lighting under the meter's nearly opaque field may change once it is sunk.
        int worst = 0;
        for (std::size_t i = 0; i < moving.size(); ++i)
            worst = std::max({worst, std::abs(moving[i].r - settled[i].r),
                              std::abs(moving[i].g - settled[i].g),
                              std::abs(moving[i].b - settled[i].b)});
        EXPECT_LE(worst, 8);
    }
    rigging::destroyFree(editor);
    rigging::destroyFree(plugin);
}

// A fresh editor: the band panels' layouts and their first ticks size the displays once, so
// the envelope shows a fresh detector's response to the default attack and release (a
// second layout would run the detector again from where it stopped).
TEST(FreshEditor, TheFirstEnvelopeIsAFreshDetectorsResponse) {
    auto* plugin = rigging::createClient<brindlewave::BrindlewavePlugin>();
    auto* editor = rigging::mallocNew<HalyardGUI>(*plugin);
    {
        rigging::OffscreenDriver driver(*editor);
        driver.open();
        for (int i = 0; i < 3; ++i) driver.tick();
        const std::span<const float> r =
            editor->mainPanel().panel(0)->envelopeDisplay()->response();
        ASSERT_EQ(r.size(), 100u);
        const int columns[] = {0, 1, 10, 21, 22, 50, 99};
        const float expected[] = {0.1838f, 0.3300f, 0.8270f, 0.8941f, 0.8705f, 0.4118f, 0.1112f};
        for (int i = 0; i < 7; ++i) EXPECT_NEAR(r[columns[i]], expected[i], 1e-3) << columns[i];
    }
    rigging::destroyFree(editor);
    rigging::destroyFree(plugin);
}

}  // namespace
