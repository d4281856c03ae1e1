#include "brindlewave/widgets/fftdisplay.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "brindlewave/editorlayout.h"
#include "brindlewave/scales.h"
#include "brindlewave/widgets/tooltip.h"
#include "displayfixture.h"
#include "pointer.h"
#include "rigging/client/hostcommand.h"
#include "rigging/dsp/fft.h"

namespace brindlewave {
namespace {

using geom::box2i;
using rigging::RGBA;
using namespace brindlewave::testing;

constexpr int kFFTSize = 4096, kBins = kFFTSize / 2 + 1;
constexpr float kRate = 48000.0f, kFull = 60.0f / 66.0f;
constexpr RGBA kPaper{20, 30, 40, 255}, kBar{170, 170, 170, 255}, kHandle{200, 200, 200, 125};

// The host's edit calls as letters: b(egin), p(erform), e(nd), each followed by the index.
struct EditLog : rigging::IHostCommand {
    std::string calls;
    void beginParamEdit(int i) override { calls += "b" + std::to_string(i) + " "; }
    void paramAutomate(int i, float) override { calls += "p" + std::to_string(i) + " "; }
    void endParamEdit(int i) override { calls += "e" + std::to_string(i) + " "; }
    bool requestResize(int, int) override { return false; }
    rigging::DAW getDAW() override { return rigging::DAW::unknown; }
};

double hzAt(double x) {
    return 20.0 * std::pow(1000.0, x / 1000.0);
}

rigging::Vec<SpectrumBin> flatFrame(float magnitude) {
    rigging::Vec<SpectrumBin> bins(kBins);
    for (SpectrumBin& b : bins) b = SpectrumBin(magnitude, 0.0f);
    return bins;
}

class SpectrumTest : public ::testing::Test {
protected:
    void SetUp() override {
        display =
            rigging::mallocNew<FFTDisplay>(&context, *client, &mailbox, &state, &tooltip, nullptr);
        display->setPosition(box2i(0, 60, 1000, 264));
    }
    void TearDown() override { rigging::destroyFree(display); }
    // `calls` hand-overs (one in three recomputed), then the tick that takes the last frame.
    void feed(const rigging::Vec<SpectrumBin>& bins, int calls) {
        for (int i = 0; i < calls; ++i) display->updateFFT(bins, kFFTSize, kRate);
        display->onAnimate(16.7, 0);
    }
    float level(int x) const { return display->shownLevels()[std::size_t(x)]; }
    // A press near (x, 102), a first motion there, one by dx, the release.
    double drag(int x, int dx, int crossover) {
        display->onMouseClick(x, 102, rigging::MouseButton::left, false, {});
        display->onBeginDrag();
        EXPECT_TRUE(state.crossoverBeingDragged());
        display->onMouseDrag(x, 102, 0, 0, {});
        display->onMouseDrag(std::clamp(x + dx, 1, 998), 102, dx, 0, {});
        display->onStopDrag();
        EXPECT_FALSE(state.crossoverBeingDragged());
        return floatParam(*client, param::crossover(crossover))->value();
    }

    ClientPtr client = makeClient();
    rigging::UIContext context;
    GlobalState state;
    MessageQueue mailbox;
    UITooltip tooltip{&context, *client, nullptr};
    FFTDisplay* display = nullptr;
};

TEST(SpectrumScale, LevelsAndColumns) {
    EXPECT_FLOAT_EQ(FFTDisplay::normalizeFFTValue(1024.0f / 1024.0f), kFull);
    EXPECT_EQ(FFTDisplay::normalizeFFTValue(0.0f), 0.0f);
    EXPECT_EQ(FFTDisplay::normalizeFFTValue(2.0f), 1.0f);  // above +6 dB
    EXPECT_EQ(FFTDisplay::normalizeFFTValue(std::nanf("")), 0.0f);
    EXPECT_EQ(FFTDisplay::binColumn(0, kFFTSize, kRate), 0);
    EXPECT_EQ(FFTDisplay::binColumn(64, kFFTSize, kRate), 525);    // 750 Hz
    EXPECT_EQ(FFTDisplay::binColumn(1707, kFFTSize, kRate), 999);  // above 20 kHz
}

TEST_F(SpectrumTest, TheFirstPictureHasTheCurveOnTheBottomEdgeHandlesAndBars) {
    Picture p = drawRaw(*display, kPaper);
    for (int x : {100, 300, 998}) {
        EXPECT_EQ(topmostDrawnRow(p, x, kPaper), 48) << x;  // the threshold bar, then nothing
        EXPECT_EQ(p.at(x, 49), kBar);
        for (int y = 50; y < 202; ++y) ASSERT_EQ(p.at(x, y), kPaper) << x << "," << y;
        EXPECT_FALSE(p.at(x, 203) == kPaper) << x;
    }
    EXPECT_EQ(p.at(0, 48), kPaper);  // bars stop a pixel short of the ends and crossovers
    EXPECT_NE(p.at(249, 48), kBar);
    EXPECT_EQ(p.at(251, 48), kBar);
    const RGBA once = painted(kHandle, kPaper);
    for (int cx : {250, 500, 750}) {
        EXPECT_EQ(p.at(cx + 5, 102), painted(kHandle, once)) << cx;  // inside both circles
        EXPECT_EQ(p.at(cx - 10, 102), once) << cx;                   // between radii 8 and 12
        EXPECT_EQ(p.at(cx + 14, 102), kPaper) << cx;
    }
    // A threshold at the top of its range; with three bands the last handle goes.
    setFloat(*client, param::threshold(2), 0.0);
    setBandCount(*client, 3);
    p = drawRaw(*display, kPaper);
    EXPECT_EQ(p.at(755, 102), kPaper);
    EXPECT_EQ(p.at(900, 18), kBar);  // band 3's bar reaches the right edge
}

TEST_F(SpectrumTest, OneFrameInThreeIsSmoothedRisingFastFallingSlowly) {
    EXPECT_NEAR(display->riseCoefficient(), 0.103563f, 1e-6f);
    EXPECT_NEAR(display->fallCoefficient(), 0.892813f, 1e-6f);
    pullDirty(context);
    feed(flatFrame(1024.0f), 2);
    EXPECT_EQ(level(500), 0.0f);
    EXPECT_TRUE(pullDirty(context).empty());
    feed(flatFrame(1024.0f), 1);
    EXPECT_EQ(pullDirty(context).raw.size(), 1u);
    // A flat spectrum passes the low-pass along the axis unchanged once it has settled.
    const float risen = (1.0f - 0.103563f) * kFull;
    EXPECT_NEAR(level(500), risen, 1e-4f);
    rigging::Vec<SpectrumBin> silent = flatFrame(0.0f);
    silent[40] = SpectrumBin(std::nanf(""), 0.0f);  // garbage is shown as silence
    feed(silent, 3);
    EXPECT_NEAR(level(500), 0.892813f * risen, 1e-4f);
    for (float v : display->shownLevels()) ASSERT_TRUE(std::isfinite(v));
}

TEST_F(SpectrumTest, ASteadySinePeaksAtItsColumn) {
    rigging::FFTAnalyzer analyzer;  // as the engine analyses: Hann, 1024 padded to 4096
    analyzer.initialize(1024, kFFTSize, 1024,
                        rigging::WindowDesc(rigging::WindowType::hann,
                                            rigging::WindowAlignment::left, std::nanf("")),
                        true);
    rigging::Vec<SpectrumBin> sine(kBins);
    for (int i = 0; i < 1024; ++i)
        analyzer.feed(0.5f * std::sin(2.0f * 3.14159265f * 750.0f * i / kRate), sine.ptr());
    EXPECT_NEAR(std::abs(sine[64]), 1024.0f, 30.0f);
    feed(sine, 90);
    auto levels = display->shownLevels();
    const int peak = int(std::max_element(levels.begin(), levels.end()) - levels.begin());
    EXPECT_NEAR(peak, 525, 2);
    EXPECT_NEAR(level(peak), kFull, 0.03f);
    EXPECT_LT(level(300), 0.3f);
}

TEST_F(SpectrumTest, TheCurveStaysBelowTheNotch) {
    feed(flatFrame(4096.0f), 90);  // the top of the scale everywhere
    Picture p = drawRaw(*display, kPaper);
    EXPECT_LE(topmostDrawnRow(p, 300, kPaper), 1);
    for (int x = 450; x < 550; ++x) {  // the 2-pixel line leans out a little along the slopes
        if (x < 499 || x > 501) {
            EXPECT_GE(topmostDrawnRow(p, x, kPaper), layout::notchDepth(x) - 4) << x;
        }
    }
    EXPECT_EQ(topmostDrawnRow(p, 480, kPaper), 29);  // centred on row 30
}

TEST_F(SpectrumTest, CrossoverChangesRedrawOnTheNextTickAndHoverPostsThem) {
    display->onAnimate(16.7, 0);
    pullDirty(context);
    setFloat(*client, param::crossover(1), 1000.0);
    EXPECT_EQ(display->crossoverPosition(1), 566.0f);
    display->onAnimate(16.7, 0);
    EXPECT_EQ(pullDirty(context).raw.size(), 1u);

    display->onMouseMove(260, 112, 0, 0, {});  // 10 px each way still reaches the handle
    Message m = mailbox.readMessage();
    EXPECT_STREQ(m.kind.c_str(), "Crossover");
    EXPECT_STREQ(m.name.c_str(), "Crossover 1");
    EXPECT_STREQ(m.value.c_str(), "112.47 Hz");
    EXPECT_EQ(display->hoveredParameter(), client->param(param::crossover(0)));
    display->onMouseMove(261, 102, 0, 0, {});
    setBandCount(*client, 2);
    display->onMouseMove(566, 102, 0, 0, {});  // a hidden crossover has no handle
    EXPECT_EQ(mailbox.count(), 0u);
}

TEST_F(SpectrumTest, DraggingAHandleKeepsABandsWidthFromNeighboursAndEnds) {
    EXPECT_NEAR(drag(250, 50, 0), 158.87, 0.01);
    EXPECT_STREQ(mailbox.readMessage().value.c_str(), "158.87 Hz");
    EXPECT_NEAR(drag(300, 200, 0), 316.98, 0.01);    // 100 px short of crossover 2 at 500
    EXPECT_NEAR(drag(400, -390, 0), 39.905, 0.001);  // 100 px from the left end
    EXPECT_NEAR(drag(750, 200, 2), 9954.7, 0.1);     // 100 px from the right end
    // Drags away from every handle, reported outside, or of a hidden crossover move nothing.
    setBandCount(*client, 3);
    double before[3];
    for (int k = 0; k < 3; ++k) before[k] = floatParam(*client, param::crossover(k))->value();
    drag(450, 30, 0);
    drag(500, 0, 1);
    drag(899, -20, 2);
    display->onMouseClick(100, 102, rigging::MouseButton::left, false, {});
    display->onBeginDrag();
    display->onMouseDrag(100, 102, 0, 0, {});
    display->onMouseDrag(0, 102, -100, 0, {});
    display->onStopDrag();
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(floatParam(*client, param::crossover(k))->value(), before[k]) << k;
}

TEST_F(SpectrumTest, AHiddenCrossoverNextToTheLastActiveHandleNeverTakesItsDrag) {
    // The last active crossover moved to 5 px from the first hidden one (at 500, then 750).
    for (int bands : {2, 3}) {
        SCOPED_TRACE(bands);
        setBandCount(*client, bands);
        setFloat(*client, param::crossover(0), hzAt(250));  // back from the round before
        const int k = bands - 2, hidden = 250 * bands;
        const double hiddenHz = floatParam(*client, param::crossover(k + 1))->value();
        ASSERT_EQ(display->crossoverPosition(k + 1), static_cast<float>(hidden));
        const int from = static_cast<int>(display->crossoverPosition(k));
        EXPECT_NEAR(drag(from, hidden - 5 - from, k), hzAt(hidden - 5), 0.05);
        EXPECT_NEAR(drag(hidden - 5, 100, k), hzAt(hidden + 95), 0.05);
        EXPECT_NEAR(drag(hidden + 95, -100, k), hzAt(hidden - 5), 0.05);
        EXPECT_EQ(floatParam(*client, param::crossover(k + 1))->value(), hiddenHz);
    }
}

// Through the window's dispatch: the handle's centre is at (x, 162) in window coordinates.
TEST_F(SpectrumTest, TheHandleIsPickedWhereTheButtonWentDown) {
    EditLog host;
    client->setHostCommand(&host);
    testsupport::Pointer pointer(*display);
    auto crossover0 = [&] { return floatParam(*client, param::crossover(0))->value(); };
    auto gesture = [&](int x, int y, int dx, int dy) {
        pointer.click(x, y);
        pointer.moveBy(dx, dy);
        pointer.release();
    };
    // Flicks: the first motion ends well beyond the handle's reach.
    gesture(250, 162, 15, 0);
    EXPECT_NEAR(crossover0(), hzAt(265), 0.01);
    gesture(265, 162, 40, 0);
    EXPECT_NEAR(crossover0(), hzAt(305), 0.01);
    EXPECT_EQ(host.calls, "b0 p0 e0 b0 p0 e0 ");
    // 9 px off in x, then in both, dragged away from the handle; 11 px off in y is out of reach.
    gesture(314, 162, 30, 0);
    EXPECT_NEAR(crossover0(), hzAt(335), 0.01);
    gesture(326, 153, -30, -5);
    EXPECT_NEAR(crossover0(), hzAt(305), 0.01);
    gesture(305, 173, 20, 0);
    EXPECT_NEAR(crossover0(), hzAt(305), 0.01);
    // A first motion outside the display is dropped, but the press already picked the handle.
    pointer.click(305, 162);
    pointer.moveTo(1000, 162);
    pointer.moveTo(990, 162);
    pointer.release();
    EXPECT_NEAR(crossover0(), hzAt(295), 0.01);
    client->setHostCommand(nullptr);
}

TEST_F(SpectrumTest, ADragIsOneEditOpenedByItsFirstChangeAndClosedAtItsEnd) {
    EditLog host;
    client->setHostCommand(&host);
    testsupport::Pointer pointer(*display);
    // A press and a step that moves nothing along the axis send nothing.
    pointer.click(250, 162);
    pointer.moveBy(0, 5);
    EXPECT_EQ(host.calls, "");
    // 16 steps right take the handle to its stop 100 px short of crossover 2; 4 steps held
    // there resend nothing; 2 steps back move it again.
    for (int s = 0; s < 16; ++s) pointer.moveBy(10, 0);
    EXPECT_NEAR(floatParam(*client, param::crossover(0))->value(), hzAt(400), 0.01);
    const std::string atStop = host.calls;
    for (int s = 0; s < 4; ++s) pointer.moveBy(10, 0);
    EXPECT_EQ(host.calls, atStop);
    pointer.moveBy(-10, 0);
    pointer.moveBy(-10, 0);
    EXPECT_NEAR(floatParam(*client, param::crossover(0))->value(), hzAt(380), 0.01);
    pointer.release();
    EXPECT_EQ(host.calls, atStop + "p0 p0 e0 ");
    // One begin first, then a perform per step that changed the value, at most one per step.
    EXPECT_EQ(atStop.rfind("b0 ", 0), 0u);
    const std::string performs = atStop.substr(3);
    EXPECT_EQ(performs.find_first_not_of("p0 "), std::string::npos) << performs;
    EXPECT_GE(performs.size(), 15 * 3u);
    EXPECT_LE(performs.size(), 16 * 3u);

    // A click alone is no edit; a drag the window cancels, or whose editor closes, still ends.
    host.calls.clear();
    pointer.click(380, 162);
    pointer.release();
    EXPECT_EQ(host.calls, "");
    pointer.click(380, 162);
    pointer.moveBy(10, 0);
    context.stopDragging();  // what a lost mouse capture does
    pointer.moveBy(10, 0);
    EXPECT_EQ(host.calls, "b0 p0 e0 ");
    pointer.click(390, 162);
    pointer.moveBy(10, 0);
    rigging::destroyFree(display);
    display = nullptr;
    EXPECT_EQ(host.calls, "b0 p0 e0 b0 p0 e0 ");
    client->setHostCommand(nullptr);
}

TEST_F(SpectrumTest, WithoutFramesTheDisplayRefreshesEveryFifthOfASecond) {
    state.setFFTDataArriving(true);
    std::vector<int> refreshes;
    for (int tick = 1; tick <= 18; ++tick) {
        display->onAnimate(50.0, 0);
        if (!pullDirty(context).empty()) refreshes.push_back(tick);
        EXPECT_EQ(state.fftDataArriving(), tick < 10);
    }
    EXPECT_EQ(refreshes, (std::vector<int>{13, 17}));
    feed(flatFrame(0.0f), 1);  // any hand-over ends the quiet spell
    for (int tick = 0; tick < 8; ++tick) display->onAnimate(50.0, 0);
    EXPECT_TRUE(pullDirty(context).empty());
}

TEST_F(SpectrumTest, DestructionRemovesExactlyItsOwnListeners) {
    FFTDisplay* other =
        rigging::mallocNew<FFTDisplay>(&context, *client, &mailbox, &state, &tooltip, nullptr);
    setBandCount(*client, 2);
    rigging::destroyFree(display);
    display = other;
    // The other display still hears every crossover; a listener left behind would be called
    // on freed memory (which the address checker reports).
    setFloat(*client, param::crossover(2), 5000.0);
    setFloat(*client, param::crossover(0), 200.0);
    EXPECT_EQ(other->crossoverPosition(2), float(frequencyToX(5000.0)));
    EXPECT_EQ(other->crossoverPosition(0), 333.0f);
}

}  // namespace
}  // namespace brindlewave
