#include "rigging/gui/graphics.h"

#include <gtest/gtest.h>

#include <random>
#include <thread>

#include "alloc_probe.h"
#include "guitree.h"
#include "rigging/gui/drawbatch.h"
#include "rigging/gui/offscreen.h"
#include "rigging/gui/pixelorder.h"

using namespace guitest;
using rigging::drawsPBR;
using rigging::drawsRaw;
using rigging::OffscreenDriver;
using rigging::UILayer;

namespace {

const RGBA kRed{200, 30, 20, 0}, kBlue{10, 40, 220, 0};

bool inside(const box2i& b, int x, int y) {
    return x >= b.min.x && x < b.max.x && y >= b.min.y && y < b.max.y;
}

TEST(Redraw, FirstFrameCompositesEveryTileThenPBRChangesGrowByTheMarginInsideTheWindow) {
    Tree t(2, 1000, 700);
    Box& corner = t.add(drawsPBR, box2i(980, 680, 1000, 700), kRed);
    OffscreenDriver d(*t.root);
    d.open();
    for (RGBA p : pixelsOf(d.image())) ASSERT_EQ(pack(p), 0u) << "zeroed before any draw";
    ASSERT_TRUE(d.tick());
    EXPECT_EQ(t.root->lastCompositedTileCount(), 48);
    for (RGBA p : pixelsOf(d.image())) ASSERT_EQ(p.a, 255);
    EXPECT_FALSE(d.tick()) << "nothing dirty, no expose";

    corner.setDirtyWhole();
    d.tick();
    EXPECT_EQ(d.lastDirtyRectangle(), box2i(950, 650, 1000, 700));
    EXPECT_EQ(t.root->lastCompositedTileCount(), 1);
    t.root->setUpdateMargin(5000);
    corner.setDirtyWhole();
    d.tick();
    EXPECT_EQ(d.lastDirtyRectangle(), box2i(0, 0, 1000, 700));
}

TEST(Redraw, RawOnlyChangeCompositesNothingAndMatchesAFullRender) {
    const box2i place(40, 30, 90, 70);
    Tree t;
    Box& raw = t.add(drawsRaw, place, kRed);
    OffscreenDriver d(*t.root);
    d.open();
    d.tick();
    const std::vector<RGBA> before = pixelsOf(d.image());
    raw.colour = pack(kBlue);
    raw.setDirtyWhole(UILayer::rawOnly);
    ASSERT_TRUE(d.tick());
    EXPECT_EQ(t.root->lastCompositedTileCount(), 0);
    const std::vector<RGBA> after = pixelsOf(d.image());
    for (int i = 0; i < 320 * 240; ++i)
        if (!inside(place, i % 320, i / 320)) ASSERT_EQ(pack(after[i]), pack(before[i])) << i;

    Tree fresh;
    fresh.add(drawsRaw, place, kBlue);
    OffscreenDriver f(*fresh.root);
    f.open();
    f.tick();
    EXPECT_TRUE(pixelsOf(f.image()) == after);
}

TEST(Redraw, RectanglesReachingOutsideTheWindowAreClippedBeforeAnyCopy) {
    Tree t;
    // Before the first size the lists only keep to the quadrant; the GUI keeps to its size,
    // and a draw without buffers draws nothing.
    t.root->context()->dirtyListRaw.addRect(box2i(300, 200, 5000, 5000));
    t.root->windowListener().recomputeDirtyAreas();
    ASSERT_EQ(t.root->areasToDisplay().size(), 1u);
    EXPECT_EQ(t.root->areasToDisplay()[0], box2i(300, 200, 320, 240));
    t.root->windowListener().onDraw(rigging::WindowPixelFormat::BGRA8);

    t.add(drawsRaw, box2i(-20, -10, 15, 12), kRed).setDirtyWhole();
    t.add(drawsRaw, box2i(300, 220, 360, 280), kBlue).setDirtyWhole();
    OffscreenDriver d(*t.root);
    d.open();
    d.tick();
    EXPECT_EQ(pack(d.image()(0, 0)), pack(RGBA{200, 30, 20, 255}));
    EXPECT_EQ(pack(d.image()(319, 239)), pack(RGBA{10, 40, 220, 255}));
}

// Records when it draws, to see the runs the pool is given.
struct Timed : Box {
    using Box::Box;
    void onDrawPBR(ImageRef<RGBA> d, ImageRef<L16> z, ImageRef<RGBA> m,
                   std::span<const box2i> rects) noexcept override {
        started = ++clock;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        Box::onDrawPBR(d, z, m, rects);
        finished = ++clock;
    }
    static inline std::atomic<int> clock{0};
    int started = 0, finished = 0;
};

TEST(DrawBatches, OnlyTheFirstAndThirdOverlapSoTheyRunAsABThenC) {
    Tree t;
    // B only touches A's edge; C overlaps A.
    Timed& a = t.add<Timed>(drawsPBR, box2i(0, 0, 50, 50), kRed);
    Timed& b = t.add<Timed>(drawsPBR, box2i(50, 0, 100, 50), kRed);
    Timed& c = t.add<Timed>(drawsPBR, box2i(10, 40, 30, 90), kRed);
    rigging::UIElement* list[] = {&a, &b, &c};
    EXPECT_EQ(rigging::drawBatchEnd(list, 0), 2u);
    EXPECT_EQ(rigging::drawBatchEnd(list, 2), 3u);
    EXPECT_EQ(rigging::drawBatchEnd(list, 3), 3u);

    OffscreenDriver d(*t.root);
    d.open();
    d.tick();
    EXPECT_GT(c.started, std::max(a.finished, b.finished));
}

TEST(ByteOrder, EachFormatKeepsTheColourAndForcesAlphaOnlyInsideTheArea) {
    using F = rigging::WindowPixelFormat;
    const std::pair<F, RGBA> formats[] = {
        {F::BGRA8, {3, 2, 1, 255}}, {F::ARGB8, {255, 1, 2, 3}}, {F::RGBA8, {1, 2, 3, 255}}};
    const RGBA sentinel{9, 9, 9, 9};
    for (auto [format, expected] : formats)
        for (int width = 1; width <= 9; ++width) {
            std::vector<RGBA> px(16 * 3, sentinel);
            ImageRef<RGBA> image{16, 3, 16 * 4, px.data()};
            const box2i area(3, 1, 3 + width, 2);
            for (int x = area.min.x; x < area.max.x; ++x) image(x, 1) = RGBA{1, 2, 3, 4};
            rigging::convertToWindowOrder(image, area, format);
            for (int i = 0; i < 48; ++i)
                ASSERT_EQ(pack(px[i]), pack(inside(area, i % 16, i / 16) ? expected : sentinel))
                    << static_cast<int>(format) << " width " << width << " at " << i;
        }
}

TEST(Input, FocusDragAndHoverFollowTheTreeAndEndWhereNothingTakesThem) {
    Tree t;
    Box& button = t.add(drawsRaw, box2i(10, 10, 50, 50), kRed);
    Box& other = t.add(drawsRaw, box2i(100, 10, 150, 50), kRed);
    button.takesClicks = button.takesKeys = other.takesKeys = true;
    OffscreenDriver d(*t.root);
    d.open();
    rigging::UIContext& c = *t.root->context();

    EXPECT_TRUE(d.click(20, 20));
    EXPECT_EQ(c.focused(), &button);
    EXPECT_EQ(c.dragged(), &button);
    EXPECT_TRUE(d.keyDown(rigging::Key::enter));
    EXPECT_EQ(button.keys + other.keys * 10, 1) << "the focused element is asked first";
    EXPECT_TRUE(d.release(300, 200));
    EXPECT_FALSE(d.release(300, 200)) << "no drag left to end";

    EXPECT_FALSE(d.click(200, 200));
    EXPECT_EQ(c.focused(), nullptr) << "a click nothing takes clears the focus";
    d.move(20, 20);
    EXPECT_EQ(c.mouseOver(), &button);
    d.move(-5, -5);
    EXPECT_EQ(c.mouseOver(), nullptr);
    d.click(20, 20);
    t.root->windowListener().onMouseCaptureCancelled();
    EXPECT_EQ(c.dragged(), nullptr);
}

TEST(Input, APressNothingTakesEndsAnyDoubleClick) {
    Tree t;
    Box& button = t.add(drawsRaw, box2i(10, 10, 50, 50), kRed);
    button.takesClicks = true;
    OffscreenDriver d(*t.root);
    d.open();
    using rigging::MouseButton;
    EXPECT_TRUE(d.click(20, 20));
    EXPECT_TRUE(d.click(20, 20, MouseButton::left, true));
    EXPECT_TRUE(button.lastClickWasDouble);
    // The window pairs each press with the one before; the one before took nothing here.
    EXPECT_FALSE(d.click(200, 200, MouseButton::left, true));
    EXPECT_TRUE(d.click(20, 20, MouseButton::left, true));
    EXPECT_FALSE(button.lastClickWasDouble);
}

TEST(Redraw, AWarmRedrawAllocatesNothingOnTheDrawingThread) {
    Tree t;
    Box& lit = t.add(drawsPBR, box2i(60, 60, 120, 100), kRed);
    Box& raw = t.add(drawsRaw, box2i(200, 20, 260, 80), kBlue);
    OffscreenDriver d(*t.root);
    d.open();
    auto step = [&] {
        lit.setDirtyWhole();
        raw.setDirtyWhole(UILayer::rawOnly);
        t.root->setDirtyWhole(UILayer::allLayers);
        return d.tick();
    };
    step();
    alloc_probe::Scope probe;
    EXPECT_TRUE(step());
    EXPECT_EQ(probe.allocations(), 0u);
}

TEST(Resize, SmallerSizesRemakeThePyramidsAndEmptySizesChangeNothing) {
    Tree t;
    OffscreenDriver d(*t.root);
    d.open();
    rigging::IWindowListener& l = t.root->windowListener();
    for (auto [w, h] : {std::pair{20, 20}, {1, 1}, {3, 700}, {320, 240}}) {
        EXPECT_EQ(l.onResized(w, h).pitch, static_cast<std::size_t>(w) * 4);
        t.root->setDirtyWhole(UILayer::allLayers);
        EXPECT_TRUE(d.tick());
        EXPECT_EQ(d.image()(w - 1, h - 1).a, 255);
    }
    EXPECT_EQ(l.onResized(0, -4).w, 320);
}

// The timer and event threads (played by this test), the audio side and host automation at
// once; under the thread checker this finds unguarded sharing.
TEST(Threads, FiveHundredRandomTicksWithAFeederAndAnAutomationThread) {
    Tree t;
    std::vector<Box*> boxes;
    for (int i = 0; i < 12; ++i)
        boxes.push_back(&t.add(i % 2 ? drawsRaw : drawsPBR,
                               box2i::rectangle(10 + 50 * (i / 2), 10 + 100 * (i % 2), 40, 50),
                               kRed));
    OffscreenDriver d(*t.root);
    d.open();
    auto feed = [&](int i, int) {
        Box* b = boxes[static_cast<std::size_t>(i) % boxes.size()];
        b->colour = pack(RGBA{static_cast<std::uint8_t>(i), 100, 50, 0});
        b->setDirtyWhole();
    };
    d.startFeeder(feed, 200000);
    std::atomic<bool> stop{false};
    std::thread automation([&] {
        for (int i = 0; !stop; ++i) {
            boxes[static_cast<std::size_t>(i * 7) % boxes.size()]->setDirty(box2i(0, 0, 10, 10),
                                                                            UILayer::allLayers);
            std::this_thread::sleep_for(std::chrono::microseconds(300));
        }
    });
    std::mt19937 random(16);
    for (int tick = 0; tick < 500; ++tick) {
        const int x = static_cast<int>(random() % 340) - 10, y = static_cast<int>(random() % 260);
        switch (random() % 4) {
            case 0:
                d.click(x, y);
                break;
            case 1:
                d.move(x, y);
                break;
            case 2:
                d.release(x, y);
                break;
            default:
                d.wheel(x, y, 1);
                break;
        }
        d.tick(1 + random() % 30);
    }
    // A loaded machine may schedule the feeder late: tick on until it has run.
    for (int i = 0; i < 20000 && d.feedCount() == 0; ++i) d.tick(1);
    stop = true;
    automation.join();
    d.stopFeeder();
    EXPECT_GT(d.feedCount(), 0);
    d.tick();
    for (Box* b : boxes) b->setDirtyWhole(UILayer::rawOnly);
    d.tick();
    for (std::size_t i = 1; i < boxes.size(); i += 2) {
        RGBA last = unpack(boxes[i]->colour);
        last.a = 255;
        EXPECT_EQ(pack(d.image()(boxes[i]->position().min.x + 5, 130)), pack(last));
    }
}

}  // namespace
