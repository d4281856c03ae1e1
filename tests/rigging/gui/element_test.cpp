#include "rigging/gui/element.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace rigging;
using geom::box2i;

namespace {

using Log = std::vector<std::string>;
using Boxes = std::vector<box2i>;

// Records its handlers with element coordinates and takes what it is told to take.
struct Widget : UIElement {
    Widget(UIContext* c, std::string name, Log& log, std::uint32_t flags = 0)
        : UIElement(c, flags), name(std::move(name)), log(log) {}
    bool takes = true, takesKeys = false;

    bool note(const std::string& what, int x, int y, bool result = true) {
        log.push_back(name + "." + what + " " + std::to_string(x) + "," + std::to_string(y));
        return result;
    }
    bool onMouseClick(int x, int y, MouseButton, bool isDoubleClick, MouseState) noexcept override {
        return note(isDoubleClick ? "double" : "click", x, y, takes);
    }
    bool onMouseWheel(int x, int y, int, int, MouseState) noexcept override {
        return note("wheel", x, y, takes);
    }
    void onMouseMove(int x, int y, int, int, MouseState) noexcept override { note("move", x, y); }
    void onMouseDrag(int x, int y, int dx, int dy, MouseState) noexcept override {
        note("drag", x, y);
        note("by", dx, dy);
    }
    void onBeginDrag() noexcept override { log.push_back(name + ".beginDrag"); }
    void onStopDrag() noexcept override { log.push_back(name + ".stopDrag"); }
    void onMouseEnter() noexcept override { log.push_back(name + ".enter"); }
    void onMouseExit() noexcept override { log.push_back(name + ".exit"); }
    bool onKeyDown(Key k) noexcept override {
        return note("key", static_cast<int>(k), 0, takesKeys);
    }
    void onAnimate(double dt, double) noexcept override {
        note("animate", static_cast<int>(dt), 0);
    }

    std::string name;
    Log& log;
};

class Tree : public ::testing::Test {
protected:
    Tree() : root(&ctx, "root", log) {
        root.setPosition({0, 0, 1000, 700});
        root.takes = false;
        ctx.setWindowSize(1000, 700);
    }
    Widget& add(UIElement& parent, const char* name, box2i pos, int z = 0,
                std::uint32_t flags = 0) {
        widgets.push_back(std::make_unique<Widget>(&ctx, name, log, flags));
        widgets.back()->setPosition(pos);
        widgets.back()->setZOrder(z);
        parent.addChild(widgets.back().get());
        return *widgets.back();
    }
    bool click(int x, int y) {
        log.clear();
        return root.mouseClick(x, y, MouseButton::left, false, {});
    }
    bool move(int x, int y, int dx = 0, int dy = 0) {
        return root.mouseMove(x, y, dx, dy, {}, false);
    }
    void release() { root.mouseRelease(0, 0, MouseButton::left, {}); }
    Boxes pulled(DirtyRectList& list) {
        Vec<box2i> v;
        list.pullAllRectangles(v);
        return Boxes(v.begin(), v.end());
    }

    UIContext ctx;
    Log log;
    Widget root;
    std::vector<std::unique_ptr<Widget>> widgets;
};

TEST_F(Tree, ClicksGoByZOrderThenChildOrderAndTheTakerIsDraggedAndFocused) {
    Widget& a = add(root, "a", {10, 10, 100, 100});
    Widget& b = add(root, "b", {50, 50, 150, 150});
    EXPECT_TRUE(click(60, 70));
    EXPECT_EQ(log, (Log{"a.click 50,60", "a.beginDrag"}));  // equal z: added first
    EXPECT_TRUE(ctx.dragged() == &a && ctx.focused() == &a);
    release();
    b.setZOrder(1);
    EXPECT_TRUE(click(60, 70));
    EXPECT_EQ(log, (Log{"b.click 10,20", "b.beginDrag"}));
    release();
    // Refused everywhere: every element under the point is asked, drag and focus stay.
    a.takes = b.takes = false;
    EXPECT_FALSE(click(60, 70));
    EXPECT_EQ(log, (Log{"b.click 10,20", "a.click 50,60", "root.click 60,70"}));
    EXPECT_TRUE(ctx.dragged() == nullptr && ctx.focused() == &b);
    // Max is exclusive; negative coordinates are outside.
    a.takes = true;
    EXPECT_FALSE(click(100, 20));
    EXPECT_TRUE(click(99, 99));
    EXPECT_FALSE(a.contains(-1, 5) || a.contains(5, -1) || a.contains(90, 0));
}

TEST_F(Tree, ChildBelowItsParentGetsOnlyWhatTheParentLeaves) {
    Widget& panel = add(root, "panel", {100, 100, 200, 200}, 5);
    add(panel, "under", {150, 150, 250, 250}, 2);
    EXPECT_TRUE(click(160, 160));
    EXPECT_EQ(log, (Log{"panel.click 60,60", "panel.beginDrag"}));
    release();
    EXPECT_TRUE(click(220, 220));  // outside the parent
    EXPECT_EQ(log, (Log{"under.click 70,70", "under.beginDrag"}));
    release();
    panel.takes = false;
    EXPECT_TRUE(click(160, 160));
    EXPECT_EQ(log, (Log{"panel.click 60,60", "under.click 10,10", "under.beginDrag"}));
}

TEST_F(Tree, DragFollowsThePointerOutsideUntilRelease) {
    add(root, "knob", {100, 100, 145, 145});
    add(root, "next", {200, 100, 300, 200});
    ASSERT_TRUE(click(120, 120));
    log.clear();
    EXPECT_TRUE(move(250, 90, 130, -30));  // off the knob, onto the root
    move(250, 150, 0, 60);                 // onto `next`
    EXPECT_EQ(log, (Log{"knob.drag 150,-10", "knob.by 130,-30", "root.enter", "root.move 250,90",
                        "knob.drag 150,50", "knob.by 0,60", "root.exit", "next.enter",
                        "next.move 50,50", "root.move 250,150"}));
    log.clear();
    release();
    move(251, 150, 1, 0);
    EXPECT_EQ(log, (Log{"knob.stopDrag", "next.move 51,50", "root.move 251,150"}));
}

TEST_F(Tree, HoverGoesToTheTopmostButEveryElementUnderThePointerMoves) {
    add(root, "low", {0, 0, 100, 100}, 0);
    Widget& high = add(root, "high", {50, 50, 150, 150}, 3);
    EXPECT_TRUE(move(60, 60));
    EXPECT_EQ(log, (Log{"high.enter", "high.move 10,10", "low.move 60,60", "root.move 60,60"}));
    EXPECT_EQ(ctx.mouseOver(), &high);
    log.clear();
    move(20, 20);
    EXPECT_EQ(log, (Log{"high.exit", "low.enter", "low.move 20,20", "root.move 20,20"}));
    root.setPosition({0, 0, 10, 10});
    log.clear();
    EXPECT_FALSE(move(500, 500));
    EXPECT_TRUE(log.empty());
}

TEST_F(Tree, WheelKeysAndAnimationFollowTheirOwnRules) {
    Widget& a = add(root, "a", {0, 0, 50, 50}, 0, isAnimated);
    add(a, "a1", {0, 0, 50, 50}, 0, isAnimated);
    Widget& b = add(root, "b", {0, 0, 50, 50}, 9);
    // The wheel takes neither drag nor focus.
    b.takes = false;
    EXPECT_TRUE(root.mouseWheel(10, 10, 0, -1, {}));
    EXPECT_TRUE(ctx.dragged() == nullptr && ctx.focused() == nullptr);
    // Keys: the element first, then children in child order whatever their z-order.
    log.clear();
    EXPECT_FALSE(root.keyDown(Key::escape));
    EXPECT_EQ(log, (Log{"root.key 69,0", "a.key 69,0", "a1.key 69,0", "b.key 69,0"}));
    log.clear();
    a.takesKeys = true;
    EXPECT_TRUE(root.keyDown(Key::space));
    EXPECT_EQ(log, (Log{"root.key 0,0", "a.key 0,0"}));
    EXPECT_FALSE(root.keyUp(Key::space));
    // Animation reaches animated elements below a root that is not.
    log.clear();
    root.animate(16.0, 100.0);
    EXPECT_EQ(log, (Log{"a.animate 16,0", "a1.animate 16,0"}));
}

TEST_F(Tree, DirtyAreasGoToTheListTheLayerAndFlagsChooseClipped) {
    Widget& none = add(root, "none", {0, 0, 10, 10}, 0, 0);
    Widget& raw = add(root, "raw", {20, 0, 30, 10}, 0, drawsRaw);
    Widget& both = add(root, "both", {40, 0, 50, 10}, 0, drawsRaw | drawsPBR);
    none.setDirtyWhole();
    both.setDirtyWhole();  // the raw layer is redrawn over PBR areas anyway
    raw.setDirtyWhole();
    none.setDirty({1, 1, 2, 2}, UILayer::rawOnly);
    raw.setDirty({0, 0, 5, 5}, UILayer::allLayers);
    EXPECT_EQ(pulled(ctx.dirtyListPBR), (Boxes{{40, 0, 50, 10}, {20, 0, 25, 5}}));
    EXPECT_EQ(pulled(ctx.dirtyListRaw), (Boxes{{20, 0, 30, 10}, {1, 1, 2, 2}}));

    // Clipped to the element, then to the window; inverted or outside gives nothing.
    Widget& w = add(root, "w", {100, 100, 150, 130}, 0, drawsRaw);
    w.setDirty({-10, -10, 500, 500});
    w.setDirty({60, 0, 70, 10});
    w.setDirty({10, 10, 5, 20});
    w.setDirty({-2147483647, 0, 2147483647, 5});  // no overflow on translation
    Widget& edge = add(root, "edge", {980, 690, 1020, 720}, 0, drawsRaw);
    Widget& gone = add(root, "gone", {-80, 10, -20, 50}, 0, drawsRaw);
    edge.setDirtyWhole();
    gone.setDirtyWhole();
    gone.setDirty({0, 0, 60, 40});
    EXPECT_EQ(pulled(ctx.dirtyListRaw), (Boxes{{100, 100, 150, 130}, {980, 690, 1000, 700}}));
}

TEST_F(Tree, RemovalAndDestructionKeepTheTreeConsistent) {
    Widget& a = add(root, "a", {0, 0, 10, 10}, 0, drawsPBR);
    Widget& b = add(root, "b", {0, 0, 10, 10});
    Widget& c = add(root, "c", {0, 0, 10, 10});
    Widget stranger(&ctx, "stranger", log, drawsPBR);
    root.removeChild(&stranger);  // not a child: nothing, not even a dirty area
    a.removeChild(&c);
    EXPECT_TRUE(pulled(ctx.dirtyListPBR).empty());
    root.removeChild(&a);  // marked; the last child takes its slot
    EXPECT_EQ(pulled(ctx.dirtyListPBR), (Boxes{{0, 0, 10, 10}}));
    EXPECT_EQ((std::vector<UIElement*>(root.children().begin(), root.children().end())),
              (std::vector<UIElement*>{&c, &b}));
    EXPECT_EQ(a.parent(), nullptr);

    auto* parent = new Widget(&ctx, "parent", log);
    auto* child = new Widget(&ctx, "child", log);
    auto* sibling = new Widget(&ctx, "sibling", log);
    root.addChild(parent);
    parent->addChild(child);
    parent->addChild(sibling);
    delete child;  // leaves its parent's children
    EXPECT_EQ(parent->children().size(), 1u);
    delete parent;  // the surviving child loses its parent
    EXPECT_EQ(sibling->parent(), nullptr);
    EXPECT_EQ(root.children().size(), 2u);
    delete sibling;
}

TEST_F(Tree, ADoubleClickCompletesOnlyOnTheElementThatTookThePreviousPress) {
    Widget& a = add(root, "a", {10, 10, 100, 100});
    add(root, "b", {100, 10, 200, 100});
    // What the taker heard, for a press the window calls a double click or not.
    auto press = [&](int x, int y, bool windowSaysDouble = true) {
        log.clear();
        root.mouseClick(x, y, MouseButton::left, windowSaysDouble, {});
        release();
        return log.empty() ? std::string() : log.front();
    };
    EXPECT_EQ(press(98, 20, false), "a.click 88,10");
    EXPECT_EQ(press(98, 20), "a.double 88,10");
    EXPECT_EQ(press(101, 20), "b.click 1,10") << "near the last press, but on another element";
    EXPECT_EQ(press(101, 20), "b.double 1,10");
    EXPECT_EQ(press(101, 20, false), "b.click 1,10") << "too late or too far for the window";
    // An element that declines a press does not become the one to double-click.
    a.takes = false;
    EXPECT_EQ(press(20, 20), "a.click 10,10");
    a.takes = true;
    EXPECT_EQ(press(20, 20), "a.click 10,10");
    // An element that left the tree starts afresh when it comes back.
    root.removeChild(&a);
    root.addChild(&a);
    EXPECT_EQ(press(20, 20), "a.click 10,10");
    EXPECT_EQ(press(20, 20), "a.double 10,10");
}

TEST_F(Tree, DrawListsHoldVisibleDrawersParentsFirst) {
    Widget& a = add(root, "a", {0, 0, 1, 1}, 5, drawsRaw | drawsPBR);
    Widget& a1 = add(a, "a1", {0, 0, 1, 1}, 0, drawsPBR);
    Widget& b = add(root, "b", {0, 0, 1, 1}, 0, drawsRaw);
    add(root, "c", {0, 0, 1, 1}, 0, isAnimated);
    Vec<UIElement*> raw, pbr;
    root.getDrawLists(raw, pbr);
    EXPECT_EQ(std::vector<UIElement*>(raw.begin(), raw.end()), (std::vector<UIElement*>{&a, &b}));
    EXPECT_EQ(std::vector<UIElement*>(pbr.begin(), pbr.end()), (std::vector<UIElement*>{&a, &a1}));
}

TEST(UIElementDrawing, RenderCropsToTheVisiblePartAndPassesTheAreasThatTouchIt) {
    struct Canvas : UIElement {
        using UIElement::UIElement;
        int calls = 0;
        ImageRef<RGBA> map;
        Boxes rects;
        void onDrawRaw(ImageRef<RGBA> m, std::span<const box2i> r) noexcept override {
            ++calls, map = m, rects.assign(r.begin(), r.end());
        }
    };
    UIContext ctx;
    Canvas c(&ctx, drawsRaw);
    std::vector<RGBA> pixels(100 * 80);
    ImageRef<RGBA> window{100, 80, 100 * sizeof(RGBA), pixels.data()};
    c.setPosition({10, 10, 30, 30});
    const box2i areas[] = {{0, 0, 15, 15}, {25, 25, 100, 100}, {60, 60, 70, 70}};
    c.renderRaw(window, areas);
    ASSERT_EQ(c.calls, 1);
    EXPECT_EQ(std::vector({c.map.w, c.map.h}), std::vector({20, 20}));
    EXPECT_EQ(c.map.pixels, &pixels[10 * 100 + 10]);
    EXPECT_EQ(c.map.pitch, window.pitch);
    EXPECT_EQ(c.rects, (Boxes{{0, 0, 5, 5}, {15, 15, 20, 20}}));
    c.renderRaw(window, std::span(areas + 2, 1));  // no area touches it: no call
    EXPECT_EQ(c.calls, 1);
    // Partly outside the window: the crop is what the window holds, the areas follow it.
    const box2i all[] = {{0, 0, 100, 80}};
    c.setPosition({90, -5, 120, 20});
    c.renderRaw(window, all);
    ASSERT_EQ(c.calls, 2);
    EXPECT_EQ(std::vector({c.map.w, c.map.h}), std::vector({10, 20}));
    EXPECT_EQ(c.map.pixels, &pixels[90]);
    EXPECT_EQ(c.rects, (Boxes{{0, 0, 10, 20}}));
    c.setPosition({100, 0, 120, 20});
    c.renderRaw(window, all);
    EXPECT_EQ(c.calls, 2);
}

TEST(UIElementDrawing, DefaultPBRIsAGreyCheckerboardWithinTheDirtyRectanglesOnly) {
    UIContext ctx;
    UIElement e(&ctx, drawsPBR);
    const int W = 64, H = 40;
    const RGBA sentinel{1, 2, 3, 4}, light{150, 150, 150, 0}, dark{100, 100, 100, 0};
    std::vector<RGBA> diffuse(W * H, sentinel), material(W * H, sentinel);
    std::vector<L16> depth(W * H, L16{7});
    e.setPosition({0, 0, 32, 32});
    const box2i areas[] = {{0, 0, 16, 16}, {20, 20, 64, 40}};
    e.renderPBR({W, H, W * sizeof(RGBA), diffuse.data()}, {W, H, W * sizeof(L16), depth.data()},
                {W, H, W * sizeof(RGBA), material.data()}, areas);
    auto at = [&](auto& v, int x, int y) { return v[y * W + x]; };
    EXPECT_EQ(std::vector({at(diffuse, 0, 0), at(diffuse, 8, 0), at(diffuse, 0, 8),
                           at(diffuse, 8, 8), at(diffuse, 24, 25), at(diffuse, 24, 23)}),
              std::vector({light, dark, dark, light, light, dark}));
    EXPECT_EQ(at(depth, 3, 3).l, 15000);
    EXPECT_EQ(at(material, 31, 31), (RGBA{128, 25, 128, 255}));
    // Outside the dirty rectangles, and outside the element, nothing is written.
    EXPECT_EQ(std::vector({at(diffuse, 17, 5), at(material, 32, 32), at(diffuse, 40, 30)}),
              std::vector(3, sentinel));
    EXPECT_EQ(at(depth, 19, 19).l, 7);
}

TEST(UIElementThreads, ElementsAreMarkedFromOtherThreadsWhileTheGuiDispatches) {
    UIContext ctx;
    ctx.setWindowSize(200, 100);
    UIElement root(&ctx, 0);
    root.setPosition({0, 0, 200, 100});
    std::vector<std::unique_ptr<UIElement>> kids;
    for (int i = 0; i < 8; ++i) {
        kids.push_back(std::make_unique<UIElement>(&ctx, i % 2 ? drawsRaw : drawsPBR));
        kids.back()->setPosition(box2i::rectangle(i * 25, 0, 25, 100));
        root.addChild(kids.back().get());
    }
    std::atomic<bool> stop{false};
    std::atomic<int> marked{0};
    std::vector<std::thread> markers;
    for (int t = 0; t < 3; ++t)
        markers.emplace_back([&, t] {
            for (int i = 0; !stop; ++i, ++marked)
                kids[(t + i) % 8]->setDirty({0, i % 90, 25, i % 90 + 10});
        });
    Vec<box2i> raw, pbr;
    for (int i = 0; i < 300 || marked.load() < 3000; ++i) {  // until the markers surely ran
        root.mouseMove(i % 200, i % 100, 1, 1, {}, false);
        root.mouseClick(i % 200, 50, MouseButton::left, false, {});
        root.mouseRelease(0, 0, MouseButton::left, {});
        ctx.dirtyListRaw.pullAllRectangles(raw);
        ctx.dirtyListPBR.pullAllRectangles(pbr);
    }
    stop = true;
    for (std::thread& t : markers) t.join();
    for (const box2i& r : raw) EXPECT_TRUE(box2i(0, 0, 200, 100).contains(r));
    EXPECT_GT(raw.length() + pbr.length(), 0u);
}

}  // namespace
