// The editor's first frame as the snapshot tool renders it, over the real artwork.

#include "snapshot/testtree.h"

#include <gtest/gtest.h>

#include <vector>

#include "brindlewave/gfx/resources.h"
#include "rigging/core/nogc.h"
#include "rigging/graphics/drawex.h"
#include "rigging/gui/offscreen.h"

using brindlewave::snapshot::TestTree;
using geom::box2i;
using rigging::RGBA;

namespace {

struct Render {
    explicit Render(bool elements, int workers = 2) : tree(elements, workers), driver(tree.gui()) {
        driver.open();
        driver.tick();
    }
    std::vector<RGBA> pixels() const {
        std::vector<RGBA> out;
        const auto image = driver.image();
        for (int y = 0; y < image.h; ++y)
            for (int x = 0; x < image.w; ++x) out.push_back(image(x, y));
        return out;
    }
    TestTree tree;
    rigging::OffscreenDriver driver;
};

int brightness(RGBA p) {
    return p.r + p.g + p.b;
}

TEST(Snapshot, RendersAreByteIdenticalWhateverTheWorkerCount) {
    Render a(true), b(true), single(true, 1);
    const std::vector<RGBA> pa = a.pixels();
    EXPECT_TRUE(pa == b.pixels());
    EXPECT_TRUE(pa == single.pixels());
    for (RGBA p : pa) ASSERT_EQ(p.a, 255);
    EXPECT_EQ(a.tree.gui().lastCompositedTileCount(), 48);
}

TEST(Snapshot, ElementsShowWhereTheyAreAndNowhereElse) {
    Render bare(false), full(true);
    const auto withElements = full.driver.image(), background = bare.driver.image();

    // The information line's text is brighter than the dark well it sits in.
    int brightest = 0, wellLevel = brightness(background(495, 635));
    for (int y = 620; y < 650; ++y)
        for (int x = 450; x < 540; ++x) brightest = std::max(brightest, brightness(withElements(x, y)));
    EXPECT_GT(brightest, wellLevel + 200);

    // A knob pixel is its frame blended over the lit picture under it, unlit.
    rigging::OwnedImage<RGBA>* strip = rigging::loadOwnedImage(
        {brindlewave::gfx::findResource(brindlewave::gfx::kKnobFilmstrip)->data,
         brindlewave::gfx::findResource(brindlewave::gfx::kKnobFilmstrip)->size});
    const auto composited = full.tree.gui().compositedBuffer();
    for (auto [x, y] : {std::pair{597, 607}, {580, 590}, {612, 622}}) {
        const RGBA frame = (*strip)(x - 575, 82 * 45 + (y - 585));
        RGBA expected = rigging::blendColor(frame, composited(x, y), frame.a);
        expected.a = 255;
        EXPECT_EQ(withElements(x, y), expected) << x << "," << y;
    }
    rigging::destroyFree(strip);

    // Far from every element (beyond shadows and glow) the two pictures agree.
    for (const box2i& far : {box2i(200, 300, 400, 500), box2i(0, 60, 1000, 240)})
        for (int y = far.min.y; y < far.max.y; ++y)
            for (int x = far.min.x; x < far.max.x; ++x)
                ASSERT_EQ(withElements(x, y), background(x, y)) << x << "," << y;
}

}  // namespace
