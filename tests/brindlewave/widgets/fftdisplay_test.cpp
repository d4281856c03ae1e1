#include "brindlewave/widgets/fftdisplay.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "brindlewave/editorlayout.h"
#include "brindlewave/messagequeue.h"
#include "brindlewave/widgets/tooltip.h"
#include "brindlewave/widgets/scales.h"
#include "displayfixture.h"
#include "rigging/dsp/fft.h"

namespace brindlewave {
namespace {

using geom::box2i;
using rigging::RGBA;
using namespace brindlewave::testing;

constexpr int kFFTSize = 4096;
constexpr int kBins = kFFTSize / 2 + 1;
constexpr float kRate = 48000.0f;
constexpr RGBA kPaper{20, 30, 40, 255};
constexpr RGBA kHandle{200, 200, 200, 125};
constexpr RGBA kThresholdBar{170, 170, 170, 255};

rigging::Vec<SpectrumBin> flatFrame(float magnitude) {
    rigging::Vec<SpectrumBin> bins(kBins);
    for (SpectrumBin& b : bins) b = SpectrumBin(magnitude, 0.0f);
    return bins;
}

// The engine's analysis of a steady sine: 1024-sample Hann segments padded to 4096.
rigging::Vec<SpectrumBin> sineFrame(float hz, float amplitude) {
    rigging::FFTAnalyzer analyzer;
    analyzer.initialize(1024, kFFTSize, 1024,
                        rigging::WindowDesc(rigging::WindowType::hann,
                                            rigging::WindowAlignment::left, std::nanf("")),
                        true);
    rigging::Vec<SpectrumBin> bins(kBins);
    for (int i = 0; i < 1024; ++i)
        analyzer.feed(amplitude * std::sin(2.0f * 3.14159265f * hz * i / kRate), bins.ptr());
    return bins;
}

class SpectrumTest : public ::testing::Test {
protected:
    void SetUp() override {
        display = rigging::mallocNew<FFTDisplay>(&context, client.get(), &mailbox, &state,
                                                  &tooltip, nullptr);
        display->setPosition(box2i(0, 60, 1000, 264));
    }
    void TearDown() override { rigging::destroyFree(display); }

    // `frames` recomputed frames (three hand-overs each), then a tick takes the last one.
    void feed(const rigging::Vec<SpectrumBin>& bins, int frames) {
        for (int i = 0; i < 3 * frames; ++i) display->updateFFT(bins, kFFTSize, kRate);
        display->onAnimate(16.7, 0);
    }
    int peakColumn() const {
        auto levels = display->shownLevels();
        return int(std::max_element(levels.begin(), levels.end()) - levels.begin());
    }

    ClientPtr client = makeClient();
    rigging::UIContext context;
    GlobalState state;
    MessageQueue mailbox;
    UITooltip tooltip{&context, client.get(), nullptr};
    FFTDisplay* display = nullptr;
};

TEST(SpectrumScale, LevelsAndColumns) {
    EXPECT_FLOAT_EQ(FFTDisplay::normalizeFFTValue(1024.0f / 1024.0f), 60.0f / 66.0f);
    EXPECT_EQ(FFTDisplay::normalizeFFTValue(0.0f), 0.0f);
    EXPECT_EQ(FFTDisplay::normalizeFFTValue(0.001f), 0.0f);
    EXPECT_EQ(FFTDisplay::normalizeFFTValue(2.0f), 1.0f);
    EXPECT_EQ(FFTDisplay::normalizeFFTValue(1e30f), 1.0f);
    EXPECT_EQ(FFTDisplay::normalizeFFTValue(std::nanf("")), 0.0f);

    EXPECT_EQ(FFTDisplay::binColumn(0, kFFTSize, kRate), 0);
    EXPECT_EQ(FFTDisplay::binColumn(1, kFFTSize, kRate), 0);     // 11.7 Hz, below the axis
    EXPECT_EQ(FFTDisplay::binColumn(64, kFFTSize, kRate), 525);  // 750 Hz
    EXPECT_EQ(FFTDisplay::binColumn(1706, kFFTSize, kRate), 999);
    EXPECT_EQ(FFTDisplay::binColumn(1707, kFFTSize, kRate), 999);  // above 20 kHz
    EXPECT_EQ(FFTDisplay::binColumn(2048, kFFTSize, kRate), 999);
    EXPECT_EQ(FFTDisplay::binColumn(100, kFFTSize, std::nanf("")), 0);
    EXPECT_EQ(FFTDisplay::binColumn(100, 0, kRate), 999);
}

TEST_F(SpectrumTest, BeforeAnyFrameTheCurveLiesOnTheBottomEdge) {
    for (float v : display->shownLevels()) ASSERT_EQ(v, 0.0f);
    Picture p = drawRaw(*display, kPaper);
    for (int x : {100, 300, 700, 998}) {
        EXPECT_EQ(topmostDrawnRow(p, x, kPaper), 48) << x;  // the threshold bar
        for (int y = 50; y < 202; ++y) ASSERT_EQ(p.at(x, y), kPaper) << x << "," << y;
        EXPECT_FALSE(p.at(x, 203) == kPaper) << x;
    }
}

TEST_F(SpectrumTest, OnlyEveryThirdFrameIsRecomputed) {
    const auto loud = flatFrame(1024.0f);
    pullDirty(context);
    display->updateFFT(loud, kFFTSize, kRate);
    display->updateFFT(loud, kFFTSize, kRate);
    display->onAnimate(16.7, 0);
    EXPECT_EQ(display->shownLevels()[500], 0.0f);
    EXPECT_TRUE(pullDirty(context).empty());
    display->updateFFT(loud, kFFTSize, kRate);
    display->onAnimate(16.7, 0);
    EXPECT_GT(display->shownLevels()[500], 0.5f);
    DirtyAreas d = pullDirty(context);
    ASSERT_EQ(d.raw.size(), 1u);
    EXPECT_EQ(d.raw[0], display->position());
    // No new frame: the tick marks nothing.
    display->onAnimate(16.7, 0);
    EXPECT_TRUE(pullDirty(context).empty());
}

TEST_F(SpectrumTest, LevelsRiseQuicklyAndFallSlowly) {
    EXPECT_NEAR(display->riseCoefficient(), 0.103563f, 1e-6f);
    EXPECT_NEAR(display->fallCoefficient(), 0.892813f, 1e-6f);
    const float full = 60.0f / 66.0f;
    feed(flatFrame(1024.0f), 1);
    // A flat spectrum passes the low-pass along the axis unchanged once it has settled.
    const float risen = (1.0f - 0.103563f) * full;
    EXPECT_NEAR(display->shownLevels()[500], risen, 1e-4f);
    feed(flatFrame(0.0f), 1);
    EXPECT_NEAR(display->shownLevels()[500], 0.892813f * risen, 1e-4f);
    feed(flatFrame(1024.0f), 1);
    EXPECT_NEAR(display->shownLevels()[500], 0.103563f * 0.892813f * risen + (1 - 0.103563f) * full,
                1e-4f);
}

TEST_F(SpectrumTest, ASteadySinePeaksAtItsColumn) {
    const auto sine = sineFrame(750.0f, 0.5f);  // peak bin 64, magnitude about 1024
    EXPECT_NEAR(std::abs(sine[64]), 1024.0f, 30.0f);
    feed(sine, 30);
    EXPECT_NEAR(peakColumn(), 525, 2);
    EXPECT_NEAR(display->shownLevels()[std::size_t(peakColumn())], 60.0f / 66.0f, 0.03f);
    EXPECT_LT(display->shownLevels()[300], 0.3f);
    for (float v : display->shownLevels()) ASSERT_TRUE(std::isfinite(v));
}

TEST_F(SpectrumTest, BadFramesDrawNoNaN) {
    rigging::Vec<SpectrumBin> bins = flatFrame(1024.0f);
    bins[40] = SpectrumBin(std::nanf(""), 0.0f);
    bins[41] = SpectrumBin(INFINITY, 0.0f);
    feed(bins, 3);
    for (float v : display->shownLevels()) ASSERT_TRUE(std::isfinite(v));
    // Frames of other sizes and rates, and an empty one, are taken as they come.
    rigging::Vec<SpectrumBin> small(65);
    for (SpectrumBin& b : small) b = SpectrumBin(1024.0f, 0.0f);
    for (int i = 0; i < 3; ++i) display->updateFFT(small, 128, 22050.0f);
    rigging::Vec<SpectrumBin> none;
    for (int i = 0; i < 3; ++i) display->updateFFT(none, 0, std::nanf(""));
    display->onAnimate(16.7, 0);
    for (float v : display->shownLevels()) ASSERT_TRUE(std::isfinite(v));
    drawRaw(*display, kPaper);
}

TEST_F(SpectrumTest, TheCurveStaysBelowTheNotch) {
    feed(flatFrame(4096.0f), 30);  // +12 dB: the top of the scale everywhere
    Picture p = drawRaw(*display, kPaper);
    EXPECT_LE(topmostDrawnRow(p, 300, kPaper), 1);
    EXPECT_EQ(topmostDrawnRow(p, 480, kPaper), 29);  // a 2-pixel line centred on row 30
    for (int x = 450; x < 550; ++x) {
        if (x >= 499 && x <= 501) continue;  // crossover 2's line
        // Along the slopes the 2-pixel line leans out a little above its points.
        EXPECT_GE(topmostDrawnRow(p, x, kPaper), layout::notchDepth(x) - 4) << x;
        if (x > 470 && x < 529) {
            EXPECT_EQ(topmostDrawnRow(p, x, kPaper), 29) << x;
        }
    }
}

TEST_F(SpectrumTest, HandlesAndThresholdBarsAtTheirDefaults) {
    for (int k = 0; k < 3; ++k) EXPECT_EQ(display->crossoverPosition(k), 250.0f * (k + 1));
    int rows[4];
    display->getThresholdValues(rows);
    for (int r : rows) EXPECT_EQ(r, 49);
    Picture p = drawRaw(*display, kPaper);
    const RGBA once = painted(kHandle, kPaper), twice = painted(kHandle, once);
    for (int cx : {250, 500, 750}) {
        EXPECT_EQ(p.at(cx + 5, 102), twice) << cx;  // inside both circles
        EXPECT_EQ(p.at(cx - 10, 102), once) << cx;  // in the ring between radii 8 and 12
        EXPECT_EQ(p.at(cx + 14, 102), kPaper) << cx;
        EXPECT_EQ(p.at(cx + 1, 102 + 10), once) << cx;
    }
    // The bars: rows 48 and 49, from x 1 to a pixel short of each crossover.
    const RGBA bar = painted(kThresholdBar, kPaper);
    for (int x : {1, 100, 248, 251, 600, 998}) {
        EXPECT_EQ(p.at(x, 48), bar) << x;
        EXPECT_EQ(p.at(x, 49), bar) << x;
        EXPECT_EQ(p.at(x, 47), kPaper) << x;
        EXPECT_EQ(p.at(x, 50), kPaper) << x;
    }
    EXPECT_EQ(p.at(0, 48), kPaper);
    EXPECT_EQ(p.at(999, 48), kPaper);

    // Band thresholds at the ends of their range, and band 4's bar gone with three bands.
    setFloat(*client, param::threshold(1), -60.0);
    setFloat(*client, param::threshold(2), 0.0);
    display->getThresholdValues(rows);
    EXPECT_EQ(rows[1], 203);
    EXPECT_EQ(rows[2], 18);
    setBandCount(*client, 3);
    p = drawRaw(*display, kPaper);
    EXPECT_EQ(p.at(750 + 5, 102), kPaper);
    EXPECT_EQ(p.at(900, 18), bar);  // band 3 now reaches the right edge
}

TEST_F(SpectrumTest, CrossoverChangesMoveTheLinesOnTheNextTick) {
    display->onAnimate(16.7, 0);
    pullDirty(context);
    setFloat(*client, param::crossover(1), 1000.0);
    EXPECT_EQ(display->crossoverPosition(1), 566.0f);
    display->onAnimate(16.7, 0);
    EXPECT_EQ(pullDirty(context).raw.size(), 1u);
    // A value that does not move a line redraws nothing.
    setFloat(*client, param::crossover(1), 1000.5);
    display->onAnimate(16.7, 0);
    EXPECT_TRUE(pullDirty(context).empty());
}

TEST_F(SpectrumTest, HoveringAHandlePostsItsCrossover) {
    display->onMouseMove(250, 102, 0, 0, {});
    EXPECT_EQ(mailbox.count(), 1u);
    Message m = mailbox.readMessage();
    EXPECT_STREQ(m.kind.c_str(), "Crossover");
    EXPECT_STREQ(m.name.c_str(), "Crossover 1");
    EXPECT_STREQ(m.value.c_str(), "112.47 Hz");
    EXPECT_EQ(m.sender, static_cast<IMessageSender*>(display));
    EXPECT_EQ(display->hoveredParameter(), client->param(param::crossover(0)));
    // The reach is 10 pixels each way, in both directions.
    display->onMouseMove(760, 112, 0, 0, {});
    EXPECT_STREQ(mailbox.readMessage().name.c_str(), "Crossover 3");
    display->onMouseMove(761, 102, 0, 0, {});
    display->onMouseMove(750, 113, 0, 0, {});
    display->onMouseMove(400, 102, 0, 0, {});
    EXPECT_EQ(mailbox.count(), 0u);
    // Hidden crossovers have no handle.
    setBandCount(*client, 2);
    display->onMouseMove(500, 102, 0, 0, {});
    EXPECT_EQ(mailbox.count(), 0u);
}

class SpectrumDragTest : public SpectrumTest {
protected:
    // A press at (x, 102), a first small motion there, then one by dx (reported inside the
    // element), and the release; returns the crossover's value.
    double drag(int x, int dx, int crossover) {
        display->onBeginDrag();
        EXPECT_TRUE(state.crossoverBeingDragged());
        display->onMouseDrag(x, 102, 0, 0, {});
        display->onMouseDrag(std::clamp(x + dx, 1, 998), 102, dx, 0, {});
        display->onStopDrag();
        EXPECT_FALSE(state.crossoverBeingDragged());
        EXPECT_EQ(display->draggedCrossover(), -1);
        return floatParam(*client, param::crossover(crossover))->value();
    }
};

TEST_F(SpectrumDragTest, DraggingAHandleSetsItsFrequency) {
    // The handle is the one within reach of where the drag is first reported.
    display->onBeginDrag();
    display->onMouseDrag(255, 102, 50, 0, {});
    EXPECT_EQ(display->draggedCrossover(), 0);
    EXPECT_NEAR(floatParam(*client, param::crossover(0))->value(), 158.87, 0.01);
    EXPECT_EQ(display->crossoverPosition(0), 300.0f);
    EXPECT_STREQ(mailbox.readMessage().value.c_str(), "158.87 Hz");
    EXPECT_TRUE(mailbox.dragging());
    EXPECT_TRUE(tooltip.IsBeingDragged());
    display->onStopDrag();
    EXPECT_FALSE(mailbox.dragging());
    EXPECT_FALSE(tooltip.IsBeingDragged());
}

TEST_F(SpectrumDragTest, HandlesKeepABandsWidthFromTheirNeighboursAndTheEnds) {
    EXPECT_NEAR(drag(250, 250, 0), 316.98, 0.01);    // 100 px short of crossover 2 at 500
    EXPECT_NEAR(drag(400, -390, 0), 39.905, 0.001);  // 100 px from the left end
    EXPECT_NEAR(drag(750, 149, 2), 9954.7, 0.1);     // just at the right-hand limit...
    EXPECT_NEAR(drag(899, 90, 2), 9954.7, 0.1);      // ...which holds
    setBandCount(*client, 3);
    EXPECT_NEAR(drag(500, 600, 1), 9954.7, 0.1);  // with three bands crossover 2 is the last
    for (int k = 0; k < 3; ++k) {
        const double f = floatParam(*client, param::crossover(k))->value();
        EXPECT_GE(f, 20.0);
        EXPECT_LE(f, 20000.0);
    }
}

TEST_F(SpectrumDragTest, DragsAwayFromEveryHandleOrOutsideMoveNothing) {
    double before[3];
    for (int k = 0; k < 3; ++k) before[k] = floatParam(*client, param::crossover(k))->value();
    drag(400, 30, 0);  // no handle within 10 px of 400
    // Motion reported outside the element is ignored.
    display->onBeginDrag();
    display->onMouseDrag(250, 102, 0, 0, {});
    display->onMouseDrag(0, 102, -250, 0, {});
    display->onMouseDrag(1000, 102, 750, 0, {});
    display->onStopDrag();
    setBandCount(*client, 3);
    drag(750, 20, 2);  // a hidden crossover
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(floatParam(*client, param::crossover(k))->value(), before[k]) << k;
    EXPECT_EQ(mailbox.count(), 0u);
}

TEST_F(SpectrumTest, WithoutFramesTheDisplayRefreshesEveryFifthOfASecond) {
    state.setFFTDataArriving(true);
    pullDirty(context);
    std::vector<int> refreshes;
    for (int tick = 1; tick <= 18; ++tick) {
        display->onAnimate(50.0, 50.0 * tick);
        if (!pullDirty(context).empty()) refreshes.push_back(tick);
        if (tick == 9) {
            EXPECT_TRUE(state.fftDataArriving());
        }
    }
    EXPECT_FALSE(state.fftDataArriving());
    EXPECT_EQ(refreshes, (std::vector<int>{13, 17}));
    // Any hand-over, even one that is not recomputed, ends the quiet spell.
    const auto silent = flatFrame(0.0f);
    display->updateFFT(silent, kFFTSize, kRate);
    for (int tick = 0; tick < 9; ++tick) display->onAnimate(50.0, 0);
    EXPECT_TRUE(pullDirty(context).empty());
}

TEST_F(SpectrumTest, DestructionRemovesExactlyItsOwnListeners) {
    FFTDisplay* other = rigging::mallocNew<FFTDisplay>(&context, client.get(), &mailbox, &state,
                                                        &tooltip, nullptr);
    setBandCount(*client, 2);
    rigging::destroyFree(display);
    display = other;
    // The remaining display still hears every crossover (under the address checker a listener
    // left behind would be called on freed memory here).
    setFloat(*client, param::crossover(2), 5000.0);
    setFloat(*client, param::crossover(0), 200.0);
    EXPECT_EQ(other->crossoverPosition(2), float(frequencyToX(5000.0)));
    EXPECT_EQ(other->crossoverPosition(0), 333.0f);
}

}  // namespace
}  // namespace brindlewave
