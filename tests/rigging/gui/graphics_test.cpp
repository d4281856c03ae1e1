#include "rigging/gui/graphics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <random>
#include <thread>

#include "guitree.h"
#include "rigging/gui/drawbatch.h"
#include "rigging/gui/offscreen.h"
#include "rigging/gui/pixelorder.h"

using namespace guitest;
using rigging::drawsPBR;
using rigging::drawsRaw;
using rigging::OffscreenDriver;
using rigging::UILayer;
using rigging::WindowPixelFormat;

namespace {

const RGBA kRed{200, 30, 20, 0}, kBlue{10, 40, 220, 0};

bool insideBox(const box2i& b, int x, int y) {
    return x >= b.min.x && x < b.max.x && y >= b.min.y && y < b.max.y;
}

// The first tick after opening: everything is dirty, lit and shown.
TEST(Redraw, FirstFrameCompositesEveryTileAndLeavesNothingDirty) {
    Tree t(2, 1000, 700);
    OffscreenDriver d(*t.root);
    d.open();
    // Zeroed when allocated: an expose before the first draw shows black, not old heap.
    for (RGBA p : pixelsOf(d.image())) ASSERT_EQ(pack(p), 0u);

    ASSERT_TRUE(d.tick());
    EXPECT_EQ(t.root->lastCompositedTileCount(), 48);
    EXPECT_EQ(d.lastDirtyRectangle(), box2i(0, 0, 1000, 700));
    for (RGBA p : pixelsOf(d.image())) ASSERT_EQ(p.a, 255);
    EXPECT_NE(pack(d.image()(5, 5)), pack(d.image()(130, 110))) << "floor and raised top differ";

    EXPECT_FALSE(d.tick()) << "nothing changed, so no expose";
    EXPECT_TRUE(d.lastDirtyRectangle().empty());
    EXPECT_TRUE(t.root->areasToDisplay().empty());
}

TEST(Redraw, PBRRectangleIsGrownByTheMarginAndClippedToTheWindow) {
    Tree t(2, 1000, 700);
    Box& corner = t.add(drawsPBR, box2i(980, 680, 1000, 700), kRed);
    OffscreenDriver d(*t.root);
    d.open();
    d.tick();

    corner.setDirtyWhole();
    t.root->windowListener().recomputeDirtyAreas();
    ASSERT_EQ(t.root->areasToComposite().size(), 1u);
    EXPECT_EQ(t.root->areasToComposite()[0], box2i(950, 650, 1000, 700));
    EXPECT_EQ(t.root->windowListener().getDirtyRectangle(), box2i(950, 650, 1000, 700));
    d.tick();
    EXPECT_EQ(t.root->lastCompositedTileCount(), 1);

    // A margin wider than the window still stays inside it.
    t.root->setUpdateMargin(5000);
    corner.setDirtyWhole();
    d.tick();
    EXPECT_EQ(d.lastDirtyRectangle(), box2i(0, 0, 1000, 700));
    EXPECT_EQ(t.root->lastCompositedTileCount(), 48);
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
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x) {
            const RGBA p = after[static_cast<std::size_t>(y) * 320 + x];
            if (insideBox(place, x, y))
                ASSERT_EQ(pack(p), pack(RGBA{10, 40, 220, 255})) << x << "," << y;
            else
                ASSERT_EQ(pack(p), pack(before[static_cast<std::size_t>(y) * 320 + x]))
                    << x << "," << y;
        }

    Tree fresh;
    fresh.add(drawsRaw, place, kBlue);
    OffscreenDriver f(*fresh.root);
    f.open();
    f.tick();
    EXPECT_TRUE(pixelsOf(f.image()) == after);
}

TEST(Redraw, PBRChangeMatchesAFullRenderInsideWhatChanged) {
    const box2i place(150, 100, 210, 150);  // overlaps the raised square's shadow side
    Tree t;
    Box& lit = t.add(drawsPBR, place, kRed);
    OffscreenDriver d(*t.root);
    d.open();
    d.tick();
    lit.colour = pack(kBlue);
    lit.setDirtyWhole();
    d.tick();

    Tree fresh;
    fresh.add(drawsPBR, place, kBlue);
    OffscreenDriver f(*fresh.root);
    f.open();
    f.tick();
    for (int y = place.min.y + 2; y < place.max.y - 2; ++y)
        for (int x = place.min.x + 2; x < place.max.x - 2; ++x)
            ASSERT_EQ(pack(d.image()(x, y)), pack(f.image()(x, y))) << x << "," << y;
}

TEST(Redraw, RectanglesReachingOutsideTheWindowAreClippedBeforeAnyCopy) {
    Tree t;
    // Before the window has a size the lists clip to nothing but the quadrant; the GUI still
    // keeps everything inside its own size, and a draw without buffers does nothing.
    t.root->context()->dirtyListRaw.addRect(box2i(300, 200, 5000, 5000));
    t.root->windowListener().recomputeDirtyAreas();
    ASSERT_EQ(t.root->areasToDisplay().size(), 1u);
    EXPECT_EQ(t.root->areasToDisplay()[0], box2i(300, 200, 320, 240));
    t.root->windowListener().onDraw(WindowPixelFormat::BGRA8);
    EXPECT_TRUE(t.root->areasToDisplay().empty());

    // Elements hanging over every edge.
    Box& left = t.add(drawsRaw, box2i(-20, -10, 15, 12), kRed);
    Box& right = t.add(drawsRaw, box2i(300, 220, 360, 280), kBlue);
    OffscreenDriver d(*t.root);
    d.open();
    d.tick();
    left.setDirtyWhole();
    right.setDirtyWhole();
    ASSERT_TRUE(d.tick());
    EXPECT_EQ(d.lastDirtyRectangle(), box2i(0, 0, 320, 240));
    EXPECT_EQ(pack(d.image()(0, 0)), pack(RGBA{200, 30, 20, 255}));
    EXPECT_EQ(pack(d.image()(319, 239)), pack(RGBA{10, 40, 220, 255}));
}

// Parallel drawing: runs of elements that overlap nothing before them in the run.
struct Timed : Box {
    using Box::Box;
    void onDrawPBR(ImageRef<RGBA> diffuse, ImageRef<L16> depth, ImageRef<RGBA> material,
                   std::span<const box2i> rects) noexcept override {
        started = ++clock;
        // Long enough for a run that did not wait to show.
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        Box::onDrawPBR(diffuse, depth, material, rects);
        finished = ++clock;
    }
    static inline std::atomic<int> clock{0};
    int started = 0, finished = 0;
};

TEST(DrawBatches, OnlyTheFirstAndThirdOverlapSoTheyRunAsABThenC) {
    Tree t;
    auto* a = rigging::mallocNew<Timed>(t.root->context(), drawsPBR, kRed);
    auto* b = rigging::mallocNew<Timed>(t.root->context(), drawsPBR, kRed);
    auto* c = rigging::mallocNew<Timed>(t.root->context(), drawsPBR, kRed);
    a->setPosition(box2i(0, 0, 50, 50));
    b->setPosition(box2i(100, 0, 150, 50));
    c->setPosition(box2i(10, 40, 30, 90));
    rigging::UIElement* list[] = {a, b, c};
    EXPECT_EQ(rigging::drawBatchEnd(list, 0), 2u);
    EXPECT_EQ(rigging::drawBatchEnd(list, 2), 3u);
    EXPECT_EQ(rigging::drawBatchEnd(list, 3), 3u);
    // An element touching the run only at an edge does not overlap it.
    b->setPosition(box2i(50, 0, 100, 50));
    EXPECT_EQ(rigging::drawBatchEnd(list, 0), 2u);

    // Through a redraw: the root covers everything and runs alone; A and B share a run;
    // C waits for both.
    for (Timed* e : {a, b, c}) {
        t.root->addChild(e);
        t.boxes.push_back(e);
    }
    OffscreenDriver d(*t.root);
    d.open();
    d.tick();
    EXPECT_GT(c->started, std::max(a->finished, b->finished));
}

// The window buffer in the window's byte order.
TEST(ByteOrder, EachFormatKeepsColourAndForcesAlphaOnlyInsideTheArea) {
    const struct {
        WindowPixelFormat format;
        RGBA expected;
    } formats[] = {{WindowPixelFormat::BGRA8, {3, 2, 1, 255}},
                   {WindowPixelFormat::ARGB8, {255, 1, 2, 3}},
                   {WindowPixelFormat::RGBA8, {1, 2, 3, 255}}};
    const RGBA sentinel{9, 9, 9, 9};
    for (const auto& f : formats)
        for (int width = 1; width <= 9; ++width) {
            std::vector<RGBA> px(16 * 3, sentinel);
            rigging::ImageRef<RGBA> image{16, 3, 16 * 4, px.data()};
            const box2i area(3, 1, 3 + width, 2);
            for (int x = area.min.x; x < area.max.x; ++x) image(x, 1) = RGBA{1, 2, 3, 4};
            rigging::convertToWindowOrder(image, area, f.format);
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < 16; ++x)
                    ASSERT_EQ(pack(image(x, y)),
                              pack(insideBox(area, x, y) ? f.expected : sentinel))
                        << static_cast<int>(f.format) << " width " << width << " at " << x;
        }
    // Areas reaching past the image are clipped.
    std::vector<RGBA> px(4, RGBA{1, 2, 3, 4});
    rigging::ImageRef<RGBA> image{2, 2, 8, px.data()};
    rigging::convertToWindowOrder(image, box2i(-5, -5, 50, 50), WindowPixelFormat::BGRA8);
    for (RGBA p : px) EXPECT_EQ(pack(p), pack(RGBA{3, 2, 1, 255}));
}

TEST(ByteOrder, TheWindowsFormatIsAppliedToWhatIsShown) {
    Tree t;
    t.add(drawsRaw, box2i(10, 10, 20, 20), RGBA{1, 2, 3, 4});
    OffscreenDriver d(*t.root);
    d.open();
    t.root->windowListener().recomputeDirtyAreas();
    t.root->windowListener().onDraw(WindowPixelFormat::BGRA8);
    EXPECT_EQ(pack(t.root->windowBuffer()(15, 15)), pack(RGBA{3, 2, 1, 255}));
}

// Input reaches the tree as the window reports it.
TEST(Input, ClickOnNothingClearsTheFocusAndKeysGoToTheFocusedElementFirst) {
    Tree t;
    Box& button = t.add(drawsRaw, box2i(10, 10, 50, 50), kRed);
    Box& other = t.add(drawsRaw, box2i(100, 10, 150, 50), kRed);
    button.takesClicks = button.takesKeys = true;
    other.takesKeys = true;
    OffscreenDriver d(*t.root);
    d.open();

    EXPECT_TRUE(d.click(20, 20));
    EXPECT_EQ(t.root->context()->focused(), &button);
    EXPECT_TRUE(d.keyDown(rigging::Key::enter));
    EXPECT_EQ(button.keys, 1);
    EXPECT_EQ(other.keys, 0);

    EXPECT_FALSE(d.click(200, 200)) << "nothing takes it";
    EXPECT_EQ(t.root->context()->focused(), nullptr);
    // Without a focus, the tree is asked in order.
    EXPECT_TRUE(d.keyDown(rigging::Key::enter));
    EXPECT_EQ(button.keys, 2);
}

TEST(Input, ReleaseAndCancelledCaptureEndTheDragAndLeavingClearsTheHover) {
    Tree t;
    Box& knob = t.add(drawsRaw, box2i(10, 10, 50, 50), kRed);
    knob.takesClicks = true;
    knob.setCursorWhenDragged(rigging::MouseCursor::verticalResize);
    OffscreenDriver d(*t.root);
    d.open();
    rigging::UIContext& c = *t.root->context();

    d.move(20, 20);
    EXPECT_EQ(c.mouseOver(), &knob);
    d.move(-5, -5);
    EXPECT_EQ(c.mouseOver(), nullptr) << "outside every element";

    d.click(20, 20);
    EXPECT_EQ(c.dragged(), &knob);
    EXPECT_EQ(d.cursor(), rigging::MouseCursor::verticalResize);
    EXPECT_TRUE(d.release(300, 200));
    EXPECT_EQ(c.dragged(), nullptr);
    EXPECT_FALSE(d.release(300, 200)) << "no drag left to end";

    d.click(20, 20);
    t.root->windowListener().onMouseCaptureCancelled();
    EXPECT_EQ(c.dragged(), nullptr);
}

// Sizes: the editor is fixed, but whatever the window reports must not break the pyramids.
TEST(Resize, SmallerSizesRemakeThePyramidsAndEmptySizesChangeNothing) {
    Tree t;
    OffscreenDriver d(*t.root);
    d.open();
    d.tick();
    rigging::IWindowListener& l = t.root->windowListener();
    for (auto [w, h] : {std::pair{20, 20}, {1, 1}, {3, 700}, {320, 240}}) {
        rigging::ImageRef<RGBA> buffer = l.onResized(w, h);
        EXPECT_EQ(buffer.w, w);
        EXPECT_EQ(buffer.h, h);
        EXPECT_EQ(buffer.pitch, static_cast<std::size_t>(w) * 4);
        t.root->setDirtyWhole(UILayer::allLayers);
        EXPECT_TRUE(d.tick());
        EXPECT_EQ(d.image()(w - 1, h - 1).a, 255);
    }
    const rigging::ImageRef<RGBA> kept = l.onResized(0, -4);
    EXPECT_EQ(kept.w, 320);
    int w = 0, h = 0;
    t.root->getGUISize(&w, &h);
    EXPECT_EQ(w * 1000 + h, 320240);
}

// Determinism: the picture depends on nothing but the tree.
TEST(Determinism, TwoRendersAndOneOrTwoWorkersGiveTheSameBytes) {
    std::vector<RGBA> pictures[3];
    const int workers[3] = {2, 2, 1};
    for (int i = 0; i < 3; ++i) {
        Tree t(workers[i], 1000, 700);
        t.add(drawsPBR, box2i(300, 300, 700, 500), RGBA{90, 200, 120, 200});
        t.add(drawsPBR, box2i(650, 450, 900, 650), RGBA{220, 220, 220, 0}, 1);
        t.add(drawsRaw, box2i(20, 600, 980, 640), RGBA{30, 30, 30, 0});
        OffscreenDriver d(*t.root);
        d.open();
        d.tick();
        pictures[i] = pixelsOf(d.image());
    }
    EXPECT_TRUE(pictures[0] == pictures[1]);
    EXPECT_TRUE(pictures[1] == pictures[2]);
}

// Threads: the timer, the event thread (both played by this test), the audio side and host
// automation at once. Run under the thread checker, this finds unguarded sharing.
TEST(Threads, FiveHundredRandomTicksWithAFeederAndAnAutomationThread) {
    Tree t;
    std::vector<Box*> raws;
    for (int i = 0; i < 6; ++i) {
        raws.push_back(&t.add(drawsRaw, box2i(10 + 50 * i, 10, 50 + 50 * i, 60), kRed));
        t.add(drawsPBR, box2i(10 + 50 * i, 150, 50 + 50 * i, 200), kBlue).takesClicks = true;
    }
    OffscreenDriver d(*t.root);
    d.open();

    auto feed = [&](int i, int) {
        Box* b = t.boxes[static_cast<std::size_t>(i) % t.boxes.size()];
        b->colour = pack(RGBA{static_cast<std::uint8_t>(i), 100, 50, 0});
        b->setDirtyWhole();
    };
    d.startFeeder(feed, 200000);
    std::atomic<bool> stop{false};
    std::thread automation([&] {
        for (int i = 0; !stop; ++i) {
            t.boxes[static_cast<std::size_t>(i * 7) % t.boxes.size()]->setDirty(box2i(0, 0, 10, 10),
                                                                                UILayer::allLayers);
            std::this_thread::sleep_for(std::chrono::microseconds(300));
        }
    });

    std::mt19937 random(16);
    for (int tick = 0; tick < 500; ++tick) {
        const int x = static_cast<int>(random() % 340) - 10, y = static_cast<int>(random() % 260);
        switch (random() % 5) {
            case 0:
                d.click(x, y);
                break;
            case 1:
                d.move(x, y);
                break;
            case 2:
                d.release(x, y);
                break;
            case 3:
                d.wheel(x, y, 1);
                break;
            default:
                d.keyDown(rigging::Key::space);
                break;
        }
        d.tick(1 + random() % 30);
    }
    stop = true;
    automation.join();
    d.stopFeeder();
    EXPECT_GT(d.feedCount(), 0);

    // Once the other threads are done, one tick shows every raw box's last colour.
    d.tick();
    for (Box* b : raws) b->setDirtyWhole(UILayer::rawOnly);
    d.tick();
    for (Box* b : raws) {
        RGBA expected = unpack(b->colour);
        expected.a = 255;
        EXPECT_EQ(pack(d.image()(b->position().min.x + 5, 30)), pack(expected));
    }
}

}  // namespace
