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

constexpr RGBA kBackground{30, 30, 30, 255};

class EnvelopeTest : public ::testing::Test {
protected:
    // A fresh display each time: the detector keeps its state from one run to the next.
    UIEnvelopeDisplay* make(int band = 0, const rigging::OwnedImage<RGBA>* overlay = nullptr) {
        auto* e = rigging::mallocNew<UIEnvelopeDisplay>(
            &context, floatParam(*client, param::attack(band)),
            floatParam(*client, param::release(band)), overlay, band, &state);
        e->setPosition(box2i(110, 275, 210, 375));
        made.push_back(e);
        return e;
    }
    void TearDown() override {
        for (auto* e : made) rigging::destroyFree(e);
    }

    ClientPtr client = makeClient();
    rigging::UIContext context;
    GlobalState state;
    std::vector<UIEnvelopeDisplay*> made;
};

TEST_F(EnvelopeTest, DefaultTimesGiveTheKnownResponseAndRows) {
    UIEnvelopeDisplay* e = make();
    e->allocBuffers();
    ASSERT_EQ(e->response().size(), 100u);
    const int columns[] = {0, 1, 10, 21, 22, 50, 99};
    const float values[] = {0.1838f, 0.3300f, 0.8270f, 0.8941f, 0.8705f, 0.4118f, 0.1112f};
    const int rows[] = {82, 67, 18, 11, 13, 59, 89};
    for (int i = 0; i < 7; ++i) {
        EXPECT_NEAR(e->response()[std::size_t(columns[i])], values[i], 5e-4) << columns[i];
        EXPECT_EQ(e->pixelFromFloat(e->response()[std::size_t(columns[i])]), rows[i]) << columns[i];
    }
    EXPECT_EQ(e->pixelFromFloat(std::nanf("")), 100);
    EXPECT_EQ(e->pixelFromFloat(1.0f), 0);

    // Drawn where the curve is gentle: background above it, the area and outline below. The
    // area ends at the last column's left edge.
    Picture p = drawRaw(*e);
    for (int x : {35, 50, 80}) {
        const int row = e->pixelFromFloat(e->response()[std::size_t(x)]);
        EXPECT_EQ(p.at(x, row - 5), kBackground) << x;
        EXPECT_FALSE(p.at(x, row + 2) == kBackground) << x;
        EXPECT_FALSE(p.at(x, 99) == kBackground) << x;
    }
    EXPECT_EQ(p.at(99, 99), kBackground);
}

TEST_F(EnvelopeTest, PulseLengthsAtTheEdges) {
    // No attack: the pulse is empty and the curve stays on the bottom edge.
    UIEnvelopeDisplay* none = make();
    none->updateBuffer(0.0f, 188.0f);
    none->allocBuffers();
    for (float v : none->response()) ASSERT_EQ(none->pixelFromFloat(v), 100);

    // An attack longer than the display: the input stays on, so the response only rises.
    UIEnvelopeDisplay* longer = make();
    longer->updateBuffer(500.0f, 188.0f);
    longer->allocBuffers();
    float previous = 0.0f;
    for (float v : longer->response()) {
        ASSERT_GT(v, previous);
        ASSERT_LE(v, 0.9f);
        previous = v;
    }
}

TEST_F(EnvelopeTest, ParameterChangesFromAnyThreadTakeEffectOnTheNextTick) {
    UIEnvelopeDisplay* e = make();
    e->allocBuffers();
    const std::vector<float> before(e->response().begin(), e->response().end());
    pullDirty(context);
    std::thread host([&] { setFloat(*client, param::release(0), 20.0); });
    host.join();
    EXPECT_TRUE(std::equal(before.begin(), before.end(), e->response().begin()));
    EXPECT_TRUE(pullDirty(context).empty());

    e->onAnimate(16.7, 0);
    EXPECT_LT(e->response()[50], before[50] / 10);  // a short release dies away early
    DirtyAreas d = pullDirty(context);
    ASSERT_EQ(d.raw.size(), 1u);
    EXPECT_EQ(d.raw[0], e->position());
    e->onAnimate(16.7, 0);
    EXPECT_TRUE(pullDirty(context).empty());

    // Another band's times are not listened to.
    setFloat(*client, param::release(1), 500.0);
    e->onAnimate(16.7, 0);
    EXPECT_TRUE(pullDirty(context).empty());
}

TEST_F(EnvelopeTest, WhileThePanelMovesNothingIsRecomputedOrDrawn) {
    UIEnvelopeDisplay* e = make(2);
    state.beginPanelMove(2);
    e->allocBuffers();  // placed during the move
    for (float v : e->response()) ASSERT_TRUE(std::isnan(v));
    setFloat(*client, param::attack(2), 5.0);
    e->onAnimate(16.7, 0);
    const RGBA marker{1, 2, 3, 4};
    for (RGBA c : drawRaw(*e, marker).pixels) ASSERT_EQ(c, marker);
    for (rigging::L16 d : drawDepth(*e, 777)) ASSERT_EQ(d.l, 777);
    pullDirty(context);

    // The first tick afterwards computes with the new attack and redraws; later ones rest.
    state.endPanelMove(2);
    e->onAnimate(16.7, 0);
    // A 5 ms pulse: rising up to column 4, falling from column 5.
    EXPECT_LT(e->response()[3], e->response()[4]);
    EXPECT_GT(e->response()[4], e->response()[5]);
    EXPECT_EQ(pullDirty(context).raw.size(), 1u);
    e->onAnimate(16.7, 0);
    EXPECT_TRUE(pullDirty(context).empty());
    for (rigging::L16 d : drawDepth(*e, 777)) ASSERT_EQ(d.l, 0);
}

TEST_F(EnvelopeTest, RelayoutsKeepTheBufferUntilTheWidthChanges) {
    UIEnvelopeDisplay* e = make();
    e->allocBuffers();
    const float* first = e->response().data();
    {
        alloc_probe::Scope probe;
        for (int i = 0; i < 1000; ++i) e->allocBuffers();
        EXPECT_EQ(probe.allocations(), 0u);
    }
    EXPECT_EQ(e->response().data(), first);
    e->setPosition(box2i(110, 275, 170, 375));
    e->allocBuffers();
    EXPECT_EQ(e->response().size(), 60u);
    e->setPosition(box2i(110, 275, 110, 375));
    e->allocBuffers();
    EXPECT_TRUE(e->response().empty());
    Picture p(0, 0, kBackground);
    e->onDrawRaw(p.ref(), {});
}

TEST_F(EnvelopeTest, TheOverlayClearsAlphaWhereItCovers) {
    rigging::OwnedImage<RGBA>* overlay = makeOverlay(100, 50, RGBA{0, 0, 0, 100});
    UIEnvelopeDisplay* e = make(0, overlay);
    e->allocBuffers();
    Picture p = drawRaw(*e);
    // Background 30 under black at alpha 100, alpha cleared.
    EXPECT_EQ(p.at(60, 2), (RGBA{18, 18, 18, 0}));
    EXPECT_NE(p.at(60, 99).a, 0);  // below the overlay
    rigging::destroyFree(overlay);
}

}  // namespace
}  // namespace brindlewave
