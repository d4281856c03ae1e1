#include "rigging/gui/element.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

using namespace rigging;
using geom::box2i;

namespace {

using Log = std::vector<std::string>;

// An element that records its handlers (with element coordinates) and accepts what it is
// told to accept.
class Widget : public UIElement {
public:
    Widget(UIContext* c, std::string name, Log& log, std::uint32_t flags = 0)
        : UIElement(c, flags), name_(std::move(name)), log_(log) {}

    bool acceptClicks = true, acceptWheel = true, acceptKeys = false;

    bool onMouseClick(int x, int y, MouseButton, bool, MouseState) noexcept override {
        log_.push_back(name_ + ".click " + xy(x, y));
        return acceptClicks;
    }
    bool onMouseWheel(int x, int y, int, int dy, MouseState) noexcept override {
        log_.push_back(name_ + ".wheel " + xy(x, y) + " " + std::to_string(dy));
        return acceptWheel;
    }
    void onMouseMove(int x, int y, int, int, MouseState) noexcept override {
        log_.push_back(name_ + ".move " + xy(x, y));
    }
    void onMouseDrag(int x, int y, int dx, int dy, MouseState) noexcept override {
        log_.push_back(name_ + ".drag " + xy(x, y) + " " + xy(dx, dy));
    }
    void onBeginDrag() noexcept override { log_.push_back(name_ + ".beginDrag"); }
    void onStopDrag() noexcept override { log_.push_back(name_ + ".stopDrag"); }
    void onMouseEnter() noexcept override { log_.push_back(name_ + ".enter"); }
    void onMouseExit() noexcept override { log_.push_back(name_ + ".exit"); }
    bool onKeyDown(Key k) noexcept override {
        log_.push_back(name_ + ".key " + std::to_string(static_cast<int>(k)));
        return acceptKeys;
    }
    void onAnimate(double dt, double) noexcept override {
        log_.push_back(name_ + ".animate " + std::to_string(static_cast<int>(dt)));
    }

private:
    static std::string xy(int x, int y) { return std::to_string(x) + "," + std::to_string(y); }
    std::string name_;
    Log& log_;
};

class Tree : public ::testing::Test {
protected:
    Tree() : root(&ctx, "root", log) {
        root.setPosition(box2i(0, 0, 1000, 700));
        root.acceptClicks = root.acceptWheel = false;
    }
    Widget& add(Widget& parent, const char* name, box2i pos, int z = 0, std::uint32_t flags = 0) {
        widgets.push_back(std::make_unique<Widget>(&ctx, name, log, flags));
        Widget& w = *widgets.back();
        w.setPosition(pos);
        w.setZOrder(z);
        parent.addChild(&w);
        return w;
    }
    bool click(int x, int y) { return root.mouseClick(x, y, MouseButton::left, false, {}); }
    bool move(int x, int y, int dx = 0, int dy = 0) {
        return root.mouseMove(x, y, dx, dy, {}, false);
    }

    UIContext ctx;
    Log log;
    Widget root;
    std::vector<std::unique_ptr<Widget>> widgets;
};

TEST_F(Tree, ClickGoesToTheHighestZThenToTheChildAddedFirst) {
    Widget& a = add(root, "a", box2i(10, 10, 100, 100));
    Widget& b = add(root, "b", box2i(50, 50, 150, 150));
    EXPECT_TRUE(click(60, 70));
    EXPECT_EQ(log, (Log{"a.click 50,60", "a.beginDrag"}));
    EXPECT_EQ(ctx.dragged(), &a);
    EXPECT_EQ(ctx.focused(), &a);

    log.clear();
    root.mouseRelease(60, 70, MouseButton::left, {});
    b.setZOrder(1);
    EXPECT_TRUE(click(60, 70));
    EXPECT_EQ(log, (Log{"a.stopDrag", "b.click 10,20", "b.beginDrag"}));
    EXPECT_EQ(ctx.focused(), &b);

    // A refusing handler passes the click on; nobody taking it leaves drag and focus alone.
    log.clear();
    root.mouseRelease(0, 0, MouseButton::left, {});
    a.acceptClicks = b.acceptClicks = false;
    EXPECT_FALSE(click(60, 70));
    EXPECT_EQ(log, (Log{"b.stopDrag", "b.click 10,20", "a.click 50,60", "root.click 60,70"}));
    EXPECT_EQ(ctx.dragged(), nullptr);
    EXPECT_EQ(ctx.focused(), &b);
}

TEST_F(Tree, ChildBelowItsParentGetsOnlyWhatTheParentLeaves) {
    Widget& panel = add(root, "panel", box2i(100, 100, 200, 200), 5);
    Widget& under = add(panel, "under", box2i(150, 150, 250, 250), 2);
    EXPECT_TRUE(click(160, 160));
    EXPECT_EQ(log, (Log{"panel.click 60,60", "panel.beginDrag"}));
    root.mouseRelease(0, 0, MouseButton::left, {});
    log.clear();
    // Outside the parent the child is reached.
    EXPECT_TRUE(click(220, 220));
    EXPECT_EQ(log, (Log{"under.click 70,70", "under.beginDrag"}));
    root.mouseRelease(0, 0, MouseButton::left, {});
    log.clear();
    // Inside, once the parent refuses.
    panel.acceptClicks = false;
    EXPECT_TRUE(click(160, 160));
    EXPECT_EQ(log, (Log{"panel.click 60,60", "under.click 10,10", "under.beginDrag"}));
    EXPECT_EQ(ctx.focused(), &under);
}

TEST_F(Tree, MaxIsExclusiveAndNegativeIsOutside) {
    Widget& w = add(root, "w", box2i(10, 20, 30, 40));
    EXPECT_TRUE(w.contains(0, 0));
    EXPECT_TRUE(w.contains(19, 19));
    EXPECT_FALSE(w.contains(20, 5));
    EXPECT_FALSE(w.contains(5, 20));
    EXPECT_FALSE(w.contains(-1, 5));
    EXPECT_FALSE(w.contains(5, -1));
    EXPECT_FALSE(click(30, 25)) << "a point on max.x is outside";
    EXPECT_TRUE(click(29, 39));
    // An empty element contains nothing, not even its corner.
    Widget& empty = add(root, "empty", box2i(500, 500, 500, 520));
    EXPECT_FALSE(empty.contains(0, 0));
}

TEST_F(Tree, DragFollowsThePointerOutsideUntilRelease) {
    Widget& knob = add(root, "knob", box2i(100, 100, 145, 145));
    Widget& next = add(root, "next", box2i(200, 100, 300, 200));
    ASSERT_TRUE(click(120, 120));
    log.clear();
    EXPECT_TRUE(move(250, 90, 130, -30));  // off the knob, onto nothing then onto `next`
    move(250, 150, 0, 60);
    EXPECT_EQ(log, (Log{"knob.drag 150,-10 130,-30", "root.enter", "root.move 250,90",
                        "knob.drag 150,50 0,60", "root.exit", "next.enter", "next.move 50,50",
                        "root.move 250,150"}));
    EXPECT_EQ(ctx.getCurrentMouseCursor(), MouseCursor::pointer);
    log.clear();
    root.mouseRelease(250, 150, MouseButton::left, {});
    move(251, 150, 1, 0);
    EXPECT_EQ(log, (Log{"knob.stopDrag", "next.move 51,50", "root.move 251,150"}));
    EXPECT_EQ(ctx.mouseOver(), &next);
    (void)knob;
}

TEST_F(Tree, HoverGoesToTheTopmostElementButEveryElementUnderThePointerMoves) {
    Widget& low = add(root, "low", box2i(0, 0, 100, 100), 0);
    Widget& high = add(root, "high", box2i(50, 50, 150, 150), 3);
    EXPECT_TRUE(move(60, 60));
    EXPECT_EQ(log, (Log{"high.enter", "high.move 10,10", "low.move 60,60", "root.move 60,60"}));
    EXPECT_EQ(ctx.mouseOver(), &high);
    log.clear();
    EXPECT_TRUE(move(20, 20));
    EXPECT_EQ(log, (Log{"high.exit", "low.enter", "low.move 20,20", "root.move 20,20"}));
    // Outside everything but the root.
    root.setPosition(box2i(0, 0, 10, 10));
    log.clear();
    EXPECT_FALSE(move(500, 500));
    EXPECT_TRUE(log.empty());
    (void)low;
}

TEST_F(Tree, WheelTakesNeitherDragNorFocus) {
    Widget& w = add(root, "w", box2i(0, 0, 50, 50));
    EXPECT_TRUE(root.mouseWheel(10, 10, 0, -1, {}));
    EXPECT_EQ(log, (Log{"w.wheel 10,10 -1"}));
    EXPECT_EQ(ctx.dragged(), nullptr);
    EXPECT_EQ(ctx.focused(), nullptr);
    w.acceptWheel = false;
    EXPECT_FALSE(root.mouseWheel(10, 10, 0, 1, {}));
}

TEST_F(Tree, KeysGoToTheElementFirstThenChildrenInChildOrder) {
    Widget& a = add(root, "a", box2i(0, 0, 10, 10), 0);
    Widget& b = add(root, "b", box2i(0, 0, 10, 10), 9);  // z-order plays no part
    Widget& a1 = add(a, "a1", box2i(0, 0, 10, 10));
    EXPECT_FALSE(root.keyDown(Key::escape));
    EXPECT_EQ(log, (Log{"root.key 69", "a.key 69", "a1.key 69", "b.key 69"}));
    log.clear();
    a1.acceptKeys = true;
    EXPECT_TRUE(root.keyDown(Key::space));
    EXPECT_EQ(log, (Log{"root.key 0", "a.key 0", "a1.key 0"}));
    EXPECT_FALSE(root.keyUp(Key::space));  // the default key-up handler takes nothing
    (void)b;
}

TEST_F(Tree, AnimationReachesAnimatedElementsWhateverTheirParents) {
    Widget& still = add(root, "still", box2i(0, 0, 1, 1));
    add(still, "spinner", box2i(0, 0, 1, 1), 0, isAnimated);
    add(root, "meter", box2i(0, 0, 1, 1), 0, isAnimated | drawsRaw);
    root.animate(16.0, 100.0);
    EXPECT_EQ(log, (Log{"spinner.animate 16", "meter.animate 16"}));
}

TEST_F(Tree, ReflowPlacesTheWholeSubtree) {
    Widget& a = add(root, "a", box2i(1, 1, 2, 2));
    Widget& a1 = add(a, "a1", box2i(3, 3, 4, 4));
    root.reflow(box2i(0, 0, 640, 480));
    EXPECT_EQ(a.position(), box2i(0, 0, 640, 480));
    EXPECT_EQ(a1.position(), box2i(0, 0, 640, 480));
}

std::vector<box2i> pulled(DirtyRectList& list) {
    Vec<box2i> v;
    list.pullAllRectangles(v);
    return std::vector<box2i>(v.begin(), v.end());
}

TEST_F(Tree, DirtyAreasGoToTheListTheLayerAndFlagsChoose) {
    Widget& none = add(root, "none", box2i(0, 0, 10, 10), 0, 0);
    Widget& raw = add(root, "raw", box2i(20, 0, 30, 10), 0, drawsRaw);
    Widget& both = add(root, "both", box2i(40, 0, 50, 10), 0, drawsRaw | drawsPBR);
    none.setDirtyWhole(UILayer::guessFromFlags);
    EXPECT_TRUE(pulled(ctx.dirtyListRaw).empty());
    EXPECT_TRUE(pulled(ctx.dirtyListPBR).empty());

    both.setDirtyWhole(UILayer::guessFromFlags);
    EXPECT_TRUE(pulled(ctx.dirtyListRaw).empty());
    EXPECT_EQ(pulled(ctx.dirtyListPBR), (std::vector<box2i>{box2i(40, 0, 50, 10)}));

    raw.setDirtyWhole();
    none.setDirty(box2i(1, 1, 2, 2), UILayer::rawOnly);
    EXPECT_EQ(pulled(ctx.dirtyListRaw),
              (std::vector<box2i>{box2i(20, 0, 30, 10), box2i(1, 1, 2, 2)}));
    raw.setDirty(box2i(0, 0, 5, 5), UILayer::allLayers);
    EXPECT_EQ(pulled(ctx.dirtyListPBR), (std::vector<box2i>{box2i(20, 0, 25, 5)}));
}

TEST_F(Tree, DirtyRectanglesStayInsideTheElementAndTheWindow) {
    ctx.setWindowSize(1000, 700);
    Widget& w = add(root, "w", box2i(100, 100, 150, 130), 0, drawsRaw);
    w.setDirty(box2i(-10, -10, 500, 500));
    w.setDirty(box2i(60, 0, 70, 10));                  // right of the element
    w.setDirty(box2i(10, 10, 5, 20));                  // inverted
    w.setDirty(box2i(-2147483647, 0, 2147483647, 5));  // no overflow on translation
    EXPECT_EQ(pulled(ctx.dirtyListRaw), (std::vector<box2i>{box2i(100, 100, 150, 130)}));

    // Pushed off the window by a layout: only what the window shows, or nothing.
    Widget& edge = add(root, "edge", box2i(980, 690, 1020, 720), 0, drawsRaw);
    Widget& gone = add(root, "gone", box2i(-80, 10, -20, 50), 0, drawsRaw);
    edge.setDirtyWhole();
    edge.setDirty(box2i(0, 0, 40, 30));
    gone.setDirtyWhole();
    gone.setDirty(box2i(0, 0, 60, 40));
    EXPECT_EQ(pulled(ctx.dirtyListRaw), (std::vector<box2i>{box2i(980, 690, 1000, 700)}));
}

TEST_F(Tree, RemovingAChildMarksItAndMovesTheLastIntoItsSlot) {
    Widget& a = add(root, "a", box2i(0, 0, 10, 10), 0, drawsPBR);
    Widget& b = add(root, "b", box2i(0, 0, 10, 10));
    Widget& c = add(root, "c", box2i(0, 0, 10, 10));
    Widget stranger(&ctx, "stranger", log, drawsPBR);
    root.removeChild(&stranger);
    root.removeChild(&b);  // b itself is among a's siblings, not a's children
    a.removeChild(&c);
    ASSERT_EQ(root.children().size(), 2u);
    EXPECT_EQ(root.children()[0], &a);
    EXPECT_EQ(root.children()[1], &c);
    EXPECT_EQ(b.parent(), nullptr);
    EXPECT_EQ(c.parent(), &root);
    root.removeChild(&a);
    EXPECT_EQ(root.children()[0], &c);
    EXPECT_EQ(pulled(ctx.dirtyListPBR), (std::vector<box2i>{box2i(0, 0, 10, 10)}));
}

TEST_F(Tree, DestroyingElementsLeavesNoDanglingLinks) {
    auto* parent = new Widget(&ctx, "parent", log);
    auto* child = new Widget(&ctx, "child", log);
    auto* sibling = new Widget(&ctx, "sibling", log);
    root.addChild(parent);
    parent->addChild(child);
    parent->addChild(sibling);
    delete child;  // leaves its parent's children
    ASSERT_EQ(parent->children().size(), 1u);
    EXPECT_EQ(parent->children()[0], sibling);
    delete parent;  // the surviving child loses its parent
    EXPECT_EQ(sibling->parent(), nullptr);
    EXPECT_TRUE(root.children().empty());
    delete sibling;
}

TEST_F(Tree, DrawListsHoldVisibleDrawersParentsFirst) {
    Widget& a = add(root, "a", box2i(0, 0, 1, 1), 5, drawsRaw | drawsPBR);
    Widget& a1 = add(a, "a1", box2i(0, 0, 1, 1), 0, drawsPBR);
    Widget& b = add(root, "b", box2i(0, 0, 1, 1), 0, drawsRaw);
    add(root, "c", box2i(0, 0, 1, 1), 0, isAnimated);
    Vec<UIElement*> raw, pbr;
    root.getDrawLists(raw, pbr);
    EXPECT_EQ(std::vector<UIElement*>(raw.begin(), raw.end()), (std::vector<UIElement*>{&a, &b}));
    EXPECT_EQ(std::vector<UIElement*>(pbr.begin(), pbr.end()), (std::vector<UIElement*>{&a, &a1}));
}

// Records what its drawing callbacks receive.
class Canvas : public UIElement {
public:
    Canvas(UIContext* c) : UIElement(c, drawsRaw | drawsPBR) {}
    int calls = 0;
    ImageRef<RGBA> map;
    std::vector<box2i> rects;
    void onDrawRaw(ImageRef<RGBA> m, std::span<const box2i> r) noexcept override {
        ++calls;
        map = m;
        rects.assign(r.begin(), r.end());
    }
};

TEST(UIElementDrawing, RenderCropsToTheVisiblePartAndPassesTheAreasThatTouchIt) {
    UIContext ctx;
    Canvas c(&ctx);
    std::vector<RGBA> pixels(100 * 80);
    ImageRef<RGBA> window{100, 80, 100 * sizeof(RGBA), pixels.data()};
    c.setPosition(box2i(10, 10, 30, 30));
    const box2i areas[] = {box2i(0, 0, 15, 15), box2i(25, 25, 100, 100), box2i(60, 60, 70, 70)};
    c.renderRaw(window, areas);
    ASSERT_EQ(c.calls, 1);
    EXPECT_EQ(c.map.w, 20);
    EXPECT_EQ(c.map.h, 20);
    EXPECT_EQ(c.map.pixels, &pixels[10 * 100 + 10]);
    EXPECT_EQ(c.map.pitch, window.pitch);
    EXPECT_EQ(c.rects, (std::vector<box2i>{box2i(0, 0, 5, 5), box2i(15, 15, 20, 20)}));

    // No area touches it: no call.
    c.renderRaw(window, std::span<const box2i>(areas + 2, 1));
    EXPECT_EQ(c.calls, 1);
    // Partly outside the window: the crop is what the window holds, the areas follow it.
    c.setPosition(box2i(90, -5, 120, 20));
    const box2i all[] = {box2i(0, 0, 100, 80)};
    c.renderRaw(window, all);
    ASSERT_EQ(c.calls, 2);
    EXPECT_EQ(c.map.w, 10);
    EXPECT_EQ(c.map.h, 20);
    EXPECT_EQ(c.map.pixels, &pixels[90]);
    EXPECT_EQ(c.rects, (std::vector<box2i>{box2i(0, 0, 10, 20)}));
    // Wholly outside: nothing.
    c.setPosition(box2i(100, 0, 120, 20));
    c.renderRaw(window, all);
    EXPECT_EQ(c.calls, 2);
}

TEST(UIElementDrawing, DefaultPBRIsAGreyCheckerboardWithinTheDirtyRectanglesOnly) {
    UIContext ctx;
    UIElement e(&ctx, drawsPBR);
    const int W = 64, H = 40;
    const RGBA sentinel{1, 2, 3, 4};
    std::vector<RGBA> diffuse(W * H, sentinel), material(W * H, sentinel);
    std::vector<L16> depth(W * H, L16{7});
    ImageRef<RGBA> d{W, H, W * sizeof(RGBA), diffuse.data()};
    ImageRef<L16> z{W, H, W * sizeof(L16), depth.data()};
    ImageRef<RGBA> m{W, H, W * sizeof(RGBA), material.data()};
    e.setPosition(box2i(0, 0, 32, 32));
    const box2i areas[] = {box2i(0, 0, 16, 16), box2i(20, 20, 64, 40)};
    e.renderPBR(d, z, m, areas);
    auto at = [&](auto& v, int x, int y) { return v[y * W + x]; };
    const RGBA light{150, 150, 150, 0}, dark{100, 100, 100, 0};
    EXPECT_EQ(at(diffuse, 0, 0), light);
    EXPECT_EQ(at(diffuse, 8, 0), dark);
    EXPECT_EQ(at(diffuse, 0, 8), dark);
    EXPECT_EQ(at(diffuse, 8, 8), light);
    EXPECT_EQ(at(diffuse, 15, 7), dark);
    EXPECT_EQ(at(diffuse, 24, 25), light);  // bit 3 of both is 1
    EXPECT_EQ(at(diffuse, 24, 23), dark);
    EXPECT_EQ(at(depth, 3, 3).l, 15000);
    EXPECT_EQ(at(material, 31, 31), (RGBA{128, 25, 128, 255}));
    // Outside the dirty rectangles, and outside the element, nothing is written.
    EXPECT_EQ(at(diffuse, 17, 5), sentinel);
    EXPECT_EQ(at(depth, 19, 19).l, 7);
    EXPECT_EQ(at(material, 32, 32), sentinel);
    EXPECT_EQ(at(diffuse, 40, 30), sentinel);
}

TEST(UIElementThreads, ElementsAreMarkedFromOtherThreadsWhileTheGuiDispatches) {
    UIContext ctx;
    ctx.setWindowSize(200, 100);
    UIElement root(&ctx, 0);
    root.setPosition(box2i(0, 0, 200, 100));
    std::vector<std::unique_ptr<UIElement>> kids;
    for (int i = 0; i < 8; ++i) {
        kids.push_back(std::make_unique<UIElement>(&ctx, i % 2 ? drawsRaw : drawsPBR));
        kids.back()->setPosition(box2i::rectangle(i * 25, 0, 25, 100));
        root.addChild(kids.back().get());
    }
    std::atomic<bool> stop{false};
    std::atomic<int> marked{0};
    std::vector<std::thread> marks;
    for (int t = 0; t < 3; ++t)
        marks.emplace_back([&, t] {
            for (int i = 0; !stop; ++i) {
                kids[(t + i) % 8]->setDirty(box2i(0, i % 90, 25, i % 90 + 10));
                marked++;
            }
        });
    Vec<box2i> raw, pbr;
    // Until the markers have surely overlapped with the dispatching.
    for (int i = 0; i < 300 || marked.load() < 3000; ++i) {
        root.mouseMove(i % 200, i % 100, 1, 1, {}, false);
        root.mouseClick(i % 200, 50, MouseButton::left, false, {});
        root.mouseRelease(0, 0, MouseButton::left, {});
        ctx.dirtyListRaw.pullAllRectangles(raw);
        ctx.dirtyListPBR.pullAllRectangles(pbr);
    }
    stop = true;
    for (std::thread& t : marks) t.join();
    for (const box2i& r : raw) EXPECT_TRUE(box2i(0, 0, 200, 100).contains(r));
    for (const box2i& r : pbr) EXPECT_TRUE(box2i(0, 0, 200, 100).contains(r));
    EXPECT_GT(raw.length() + pbr.length(), 0u);
}

}  // namespace
