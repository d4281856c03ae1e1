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
    void SetUp() override {
        curve = rigging::mallocNew<UICompDisplay>(
            &context, floatParam(*client, param::threshold(3)), floatParam(*client, param::ratio(3)),
            floatParam(*client, param::gain(3)), nullptr, nullptr, 3, &state);
        curve->setPosition(box2i(860, 385, 960, 485));
    }
    void TearDown() override { rigging::destroyFree(curve); }

    void expectPoints(vec2f start, vec2f knee, vec2f end) {
        EXPECT_EQ(curve->startPoint(), start);
        EXPECT_EQ(curve->kneePoint(), knee);
        EXPECT_EQ(curve->endPoint(), end);
    }

    ClientPtr client = makeClient();
    rigging::UIContext context;
    GlobalState state;
    UICompDisplay* curve = nullptr;
};

TEST_F(CurveTest, PointsForThresholdAndRatioPairs) {
    struct Case {
        double threshold, ratio;
        vec2f knee, end;
    };
    const Case cases[] = {
        {-10, 4, vec2f(75, 25), vec2f(100, 19)},  // the defaults
        {-60, 4, vec2f(0, 100), vec2f(100, 75)},  // knee in the bottom-left corner
        {0, 1, vec2f(90, 10), vec2f(100, 0)},     // ratio 1 continues the unity line
        {-30, 2, vec2f(45, 55), vec2f(100, 28)},
    };
    for (const Case& c : cases) {
        setFloat(*client, param::threshold(3), c.threshold);
        setFloat(*client, param::ratio(3), c.ratio);
        curve->allocBuffers();
        SCOPED_TRACE(c.threshold);
        expectPoints(vec2f(0, 100), c.knee, c.end);
    }
}

TEST_F(CurveTest, KneeFollowsTheHeightAndTheEndTheWidthInAFlatDisplay) {
    curve->setPosition(box2i(860, 495, 960, 540));  // 100 x 45
    curve->allocBuffers();
    expectPoints(vec2f(0, 45), vec2f(75, 45 - 34), vec2f(100, 45 - 81));
    drawRaw(*curve);  // an end above the display is simply clipped
}

TEST_F(CurveTest, AChangeIsDrawnOnTheNextTick) {
    curve->allocBuffers();
    pullDirty(context);
    std::thread host([&] { setFloat(*client, param::threshold(3), -30.0); });
    host.join();
    setFloat(*client, param::ratio(3), 2.0);
    expectPoints(vec2f(0, 100), vec2f(75, 25), vec2f(100, 19));
    EXPECT_TRUE(pullDirty(context).empty());
    curve->onAnimate(16.7, 0);
    expectPoints(vec2f(0, 100), vec2f(45, 55), vec2f(100, 28));
    DirtyAreas d = pullDirty(context);
    ASSERT_EQ(d.raw.size(), 1u);
    EXPECT_EQ(d.raw[0], curve->position());
    curve->onAnimate(16.7, 0);
    EXPECT_TRUE(pullDirty(context).empty());
    // Other bands' settings leave it alone.
    setFloat(*client, param::threshold(2), -50.0);
    curve->onAnimate(16.7, 0);
    EXPECT_TRUE(pullDirty(context).empty());
}

TEST_F(CurveTest, DrawsTheAreaUnderTheCurveAndTheLineOnIt) {
    curve->allocBuffers();
    Picture p = drawRaw(*curve);
    // Above the flat segment: background; under it: the area; on the knee: the line.
    EXPECT_EQ(p.at(90, 10), kBackground);
    EXPECT_EQ(p.at(10, 5), kBackground);
    const RGBA area = p.at(90, 60);
    EXPECT_FALSE(area == kBackground);
    EXPECT_EQ(p.at(20, 95), area);
    EXPECT_EQ(p.at(37, 62), (RGBA{103, 218, 108, 255}));  // centred on the unity line
    // Nothing is drawn past the unity line's left side.
    EXPECT_EQ(p.at(20, 70), kBackground);
}

TEST_F(CurveTest, WhileThePanelMovesNothingIsDrawnAndChangesWait) {
    curve->allocBuffers();
    state.beginPanelMove(3);
    setFloat(*client, param::threshold(3), -60.0);
    curve->onAnimate(16.7, 0);
    expectPoints(vec2f(0, 100), vec2f(75, 25), vec2f(100, 19));
    const RGBA marker{1, 2, 3, 4};
    for (RGBA c : drawRaw(*curve, marker).pixels) ASSERT_EQ(c, marker);
    for (rigging::L16 d : drawDepth(*curve, 777)) ASSERT_EQ(d.l, 777);
    pullDirty(context);
    state.endPanelMove(3);
    curve->onAnimate(16.7, 0);
    expectPoints(vec2f(0, 100), vec2f(0, 100), vec2f(100, 75));
    EXPECT_EQ(pullDirty(context).raw.size(), 1u);
}

TEST_F(CurveTest, TheOverlayClearsAlphaWhereItCovers) {
    rigging::OwnedImage<RGBA>* overlay = makeOverlay(50, 100, RGBA{0, 0, 0, 100});
    UICompDisplay c(&context, floatParam(*client, param::threshold(3)),
                    floatParam(*client, param::ratio(3)), floatParam(*client, param::gain(3)),
                    overlay, nullptr, 3, &state);
    c.setPosition(curve->position());
    c.allocBuffers();
    Picture p = drawRaw(c);
    EXPECT_EQ(p.at(10, 5), (RGBA{18, 18, 18, 0}));
    EXPECT_EQ(p.at(90, 10), kBackground);
    rigging::destroyFree(overlay);
}

}  // namespace
}  // namespace brindlewave
