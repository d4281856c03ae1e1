// Once its vectors have grown, a redraw allocates nothing on the thread that draws.

#include <gtest/gtest.h>

#include "alloc_probe.h"
#include "guitree.h"
#include "rigging/gui/offscreen.h"

using namespace guitest;

namespace {

TEST(RedrawMemory, AWarmRedrawAllocatesNothing) {
    Tree t;
    Box& lit = t.add(rigging::drawsPBR, box2i(60, 60, 120, 100), RGBA{10, 200, 30, 90});
    Box& raw = t.add(rigging::drawsRaw, box2i(200, 20, 260, 80), RGBA{1, 2, 3, 0});
    rigging::OffscreenDriver d(*t.root);
    d.open();
    auto step = [&] {
        lit.setDirtyWhole();
        raw.setDirtyWhole(rigging::UILayer::rawOnly);
        t.root->setDirty(box2i(0, 0, 320, 240), rigging::UILayer::allLayers);
        return d.tick();
    };
    step();
    step();

    alloc_probe::Scope probe;
    EXPECT_TRUE(step());
    EXPECT_FALSE(d.tick());
    EXPECT_EQ(probe.allocations(), 0u);
}

}  // namespace
