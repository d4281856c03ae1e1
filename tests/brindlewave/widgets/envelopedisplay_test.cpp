#include "brindlewave/widgets/envelopedisplay.h"

#include <gtest/gtest.h>

#include <thread>

#include "alloc_probe.h"
#include "displayfixture.h"

namespace brindlewave {
namespace {

using geom::box2i;
using rigging::RGBA;
using namespace brindlewave::testing;

class EnvelopeTest : public ::testing::Test {
protected:
    // A fresh display each time: the detector keeps its state from one run to the next.
    UIEnvelopeDisplay& make(int band = 0) {
        made.push_back(rigging::mallocNew<UIEnvelopeDisplay>(
            &context, floatParam(*client, param::attack(band)),
            floatParam(*client, param::release(band)), nullptr, band, &state));
        made.back()->setPosition(box2i(110, 275, 210, 375));
        return *made.back();
    }
    void TearDown() override {
        for (auto* e : made) rigging::destroyFree(e);
    }
    ClientPtr client = makeClient();
    rigging::UIContext context;
    GlobalState state;
    std::vector<UIEnvelopeDisplay*> made;
};

TEST_F(EnvelopeTest, ResponsesToPulsesOfTheDefaultNoAndAVeryLongAttack) {
    UIEnvelopeDisplay& e = make();
    e.allocBuffers();
    const int columns[] = {0, 1, 10, 21, 22, 50, 99};
    const float values[] = {0.1838f, 0.3300f, 0.8270f, 0.8941f, 0.8705f, 0.4118f, 0.1112f};
    const int rows[] = {82, 67, 18, 11, 13, 59, 89};
    for (int i = 0; i < 7; ++i) {
        const float v = e.response()[std::size_t(columns[i])];
        EXPECT_NEAR(v, values[i], 5e-4) << columns[i];
        EXPECT_EQ(e.pixelFromFloat(v), rows[i]) << columns[i];
    }
    Picture p = drawRaw(e);
    EXPECT_EQ(p.at(50, 59 - 5), (RGBA{30, 30, 30, 255}));  // background above the curve
    EXPECT_NE(p.at(50, 59 + 2), p.at(50, 59 - 5));

    UIEnvelopeDisplay& none = make();
    none.updateBuffer(0.0f, 188.0f);
    none.allocBuffers();
    for (float v : none.response()) ASSERT_EQ(none.pixelFromFloat(v), 100);
    UIEnvelopeDisplay& longer = make();
    longer.updateBuffer(500.0f, 188.0f);
    longer.allocBuffers();
    for (std::size_t i = 1; i < longer.response().size(); ++i)  // the input never stops
        ASSERT_GT(longer.response()[i], longer.response()[i - 1]);
}

TEST_F(EnvelopeTest, ChangesFromAnyThreadAreTakenOnTheNextTick) {
    UIEnvelopeDisplay& e = make();
    e.allocBuffers();
    const float before = e.response()[50];
    pullDirty(context);
    std::thread host([&] { setFloat(*client, param::release(0), 20.0); });
    host.join();
    setFloat(*client, param::release(1), 500.0);  // another band's
    EXPECT_EQ(e.response()[50], before);
    e.onAnimate(16.7, 0);
    EXPECT_LT(e.response()[50], before / 10);  // a short release dies away early
    EXPECT_EQ(single(pullDirty(context).raw), e.position());
    e.onAnimate(16.7, 0);
    EXPECT_TRUE(pullDirty(context).empty());
}

TEST_F(EnvelopeTest, WhileThePanelMovesNothingIsRecomputedOrDrawn) {
    UIEnvelopeDisplay& e = make(2);
    state.beginPanelMove(2);
    e.allocBuffers();
    EXPECT_TRUE(std::isnan(e.response()[0]));
    setFloat(*client, param::attack(2), 5.0);
    e.onAnimate(16.7, 0);
    expectNothingDrawn(e);
    state.endPanelMove(2);
    e.onAnimate(16.7, 0);  // the first tick afterwards computes with the new attack
    EXPECT_GT(e.response()[4], e.response()[5]);
    EXPECT_LT(e.response()[3], e.response()[4]);
    EXPECT_EQ(drawDepth(e, 777)[0].l, 0);
}

TEST_F(EnvelopeTest, RelayoutsKeepTheBufferUntilTheWidthChanges) {
    UIEnvelopeDisplay& e = make();
    e.allocBuffers();
    const float* first = e.response().data();
    {
        alloc_probe::Scope probe;
        for (int i = 0; i < 1000; ++i) e.allocBuffers();
        EXPECT_EQ(probe.allocations(), 0u);
    }
    EXPECT_EQ(e.response().data(), first);
    e.setPosition(box2i(110, 275, 170, 375));
    e.allocBuffers();
    EXPECT_EQ(e.response().size(), 60u);
}

}  // namespace
}  // namespace brindlewave
