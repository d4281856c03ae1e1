#include "brindlewave/widgets/compdisplay.h"

#include <gtest/gtest.h>

#include <thread>

#include "displayfixture.h"

namespace brindlewave {
namespace {

using geom::box2i;
using geom::vec2f;
using rigging::RGBA;
using namespace brindlewave::testing;

constexpr RGBA kBackground{30, 30, 30, 255};

class CurveTest : public ::testing::Test {
protected:
    void SetUp() override { make(nullptr); }
    void make(const rigging::OwnedImage<RGBA>* overlay) {
        rigging::destroyFree(curve);
        curve = rigging::mallocNew<UICompDisplay>(
            &context, floatParam(*client, param::threshold(3)), floatParam(*client, param::ratio(3)),
            floatParam(*client, param::gain(3)), overlay, nullptr, 3, &state);
        curve->setPosition(box2i(860, 385, 960, 485));
        curve->allocBuffers();
    }
    void TearDown() override { rigging::destroyFree(curve); }
    void expectPoints(vec2f knee, vec2f end, float h = 100) {
        EXPECT_EQ(curve->startPoint(), vec2f(0, h));
        EXPECT_EQ(curve->kneePoint(), knee);
        EXPECT_EQ(curve->endPoint(), end);
    }
    ClientPtr client = makeClient();
    rigging::UIContext context;
    GlobalState state;
    UICompDisplay* curve = nullptr;
};

TEST_F(CurveTest, PointsForThresholdAndRatioPairs) {
    const struct {
        double threshold, ratio;
        vec2f knee, end;
    } cases[] = {
        {-10, 4, vec2f(75, 25), vec2f(100, 19)},  // the defaults
        {-60, 4, vec2f(0, 100), vec2f(100, 75)},  // knee in the bottom-left corner
        {0, 1, vec2f(90, 10), vec2f(100, 0)},     // ratio 1 continues the unity line
        {-30, 2, vec2f(45, 55), vec2f(100, 28)},
    };
    for (const auto& c : cases) {
        setFloat(*client, param::threshold(3), c.threshold);
        setFloat(*client, param::ratio(3), c.ratio);
        curve->allocBuffers();
        SCOPED_TRACE(c.threshold);
        expectPoints(c.knee, c.end);
    }
    // A flat display scales the knee by its height, the end by its width.
    curve->setPosition(box2i(860, 495, 960, 540));
    curve->allocBuffers();
    expectPoints(vec2f(45, 45 - 20), vec2f(100, 45 - 72), 45);
}

TEST_F(CurveTest, AChangeFromAnyThreadIsDrawnOnTheNextTick) {
    pullDirty(context);
    std::thread host([&] { setFloat(*client, param::threshold(3), -30.0); });
    host.join();
    setFloat(*client, param::ratio(3), 2.0);
    expectPoints(vec2f(75, 25), vec2f(100, 19));
    curve->onAnimate(16.7, 0);
    expectPoints(vec2f(45, 55), vec2f(100, 28));
    EXPECT_EQ(single(pullDirty(context).raw), curve->position());
    setFloat(*client, param::threshold(2), -50.0);  // another band's
    curve->onAnimate(16.7, 0);
    EXPECT_TRUE(pullDirty(context).empty());
}

TEST_F(CurveTest, WhileThePanelMovesNothingIsDrawnAndChangesWait) {
    state.beginPanelMove(3);
    setFloat(*client, param::threshold(3), -60.0);
    curve->onAnimate(16.7, 0);
    expectPoints(vec2f(75, 25), vec2f(100, 19));
    expectNothingDrawn(*curve);
    state.endPanelMove(3);
    curve->onAnimate(16.7, 0);
    expectPoints(vec2f(0, 100), vec2f(100, 75));
}

TEST_F(CurveTest, AreaUnderTheCurveLineOnItOverlayOnTop) {
    Picture p = drawRaw(*curve);
    EXPECT_EQ(p.at(90, 10), kBackground);  // above the flat segment
    EXPECT_EQ(p.at(20, 70), kBackground);  // left of the unity line
    EXPECT_FALSE(p.at(90, 60) == kBackground);
    EXPECT_EQ(p.at(20, 95), p.at(90, 60));
    EXPECT_EQ(p.at(37, 62), (RGBA{103, 218, 108, 255}));  // centred on the unity line
    rigging::OwnedImage<RGBA>* overlay = makeOverlay(50, 100, RGBA{0, 0, 0, 100});
    make(overlay);
    p = drawRaw(*curve);
    EXPECT_EQ(p.at(10, 5), (RGBA{18, 18, 18, 0}));  // alpha cleared where it covers
    EXPECT_EQ(p.at(90, 10), kBackground);
    make(nullptr);
    rigging::destroyFree(overlay);
}

}  // namespace
}  // namespace brindlewave
