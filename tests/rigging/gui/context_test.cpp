#include "rigging/gui/context.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "rigging/gui/element.h"

using namespace rigging;
using geom::box2i;

namespace {

using Boxes = std::vector<box2i>;

Boxes pull(DirtyRectList& list) {
    Vec<box2i> v;
    list.pullAllRectangles(v);
    return Boxes(v.begin(), v.end());
}

Boxes listAfter(std::initializer_list<box2i> added, box2i clip = {0, 0, 1000, 700}) {
    DirtyRectList list;
    list.setClip(clip);
    for (const box2i& r : added) list.addRect(r);
    return pull(list);
}

TEST(DirtyRectList, StoredRectanglesAreCutAroundTheNewOne) {
    EXPECT_EQ(listAfter({{5, 0, 15, 10}, {0, 0, 10, 10}}),
              (Boxes{{10, 0, 15, 10}, {0, 0, 10, 10}}));
    EXPECT_EQ(listAfter({{0, 0, 20, 20}, {5, 5, 10, 10}}), (Boxes{{0, 0, 20, 20}}));
    EXPECT_EQ(listAfter({{0, 0, 5, 5}, {10, 10, 15, 15}, {0, 0, 20, 20}}), (Boxes{{0, 0, 20, 20}}));
    // A hole punched in the middle leaves the bands around it, and the new one last.
    EXPECT_EQ(listAfter({{0, 0, 30, 30}, {10, 10, 40, 20}}),
              (Boxes{{0, 0, 30, 10}, {0, 10, 10, 20}, {0, 20, 30, 30}, {10, 10, 40, 20}}));
    EXPECT_EQ(listAfter({{0, 0, 10, 10}, {10, 0, 20, 10}}),
              (Boxes{{0, 0, 10, 10}, {10, 0, 20, 10}}));
}

TEST(DirtyRectList, NothingReachesOutsideTheWindow) {
    // Empty, inverted, entirely outside (below zero too): nothing.
    EXPECT_TRUE(listAfter({{5, 5, 5, 50}, {20, 0, 10, 10}, {-50, -50, -10, 10}, {1000, 0, 1001, 9}})
                    .empty());
    EXPECT_EQ(listAfter({{-50, -5, 10, 10}, {990, 690, 2000, 5000}}),
              (Boxes{{0, 0, 10, 10}, {990, 690, 1000, 700}}));
    // Before any window size only negative coordinates are cut; a later size clips what is
    // stored.
    DirtyRectList list;
    list.addRect({900, 600, 1100, 800});
    list.addRect({1200, 0, 1300, 10});
    list.addRect({-3, 0, 4, 4});
    list.setClip({0, 0, 1000, 700});
    Boxes got = pull(list);
    std::sort(got.begin(), got.end(), [](auto& a, auto& b) { return a.min.x < b.min.x; });
    EXPECT_EQ(got, (Boxes{{0, 0, 4, 4}, {900, 600, 1000, 700}}));
}

TEST(DirtyRectList, PullAppendsAndEmptiesTheList) {
    DirtyRectList list;
    list.addRect({1, 2, 3, 4});
    Vec<box2i> v;
    v.pushBack(box2i(7, 7, 8, 8));
    list.pullAllRectangles(v);
    list.pullAllRectangles(v);
    EXPECT_EQ(Boxes(v.begin(), v.end()), (Boxes{{7, 7, 8, 8}, {1, 2, 3, 4}}));
}

constexpr int W = 48, H = 40;

TEST(DirtyRectList, StaysDisjointAndCoversExactlyWhatWasAdded) {
    std::mt19937 rng(1234);
    std::uniform_int_distribution<int> coord(-8, 55);
    for (int trial = 0; trial < 200; ++trial) {
        DirtyRectList list;
        list.setClip({0, 0, W, H});
        int added[H][W] = {}, stored[H][W] = {};
        auto cover = [](int(&count)[H][W], const box2i& r) {
            for (int y = std::max(r.min.y, 0); y < std::min(r.max.y, H); ++y)
                for (int x = std::max(r.min.x, 0); x < std::min(r.max.x, W); ++x) ++count[y][x];
        };
        for (int i = 0; i <= trial % 12; ++i) {
            box2i r(coord(rng), coord(rng), coord(rng), coord(rng));  // may be inverted
            list.addRect(r);
            cover(added, r);
        }
        for (const box2i& r : pull(list)) {
            ASSERT_TRUE(!r.empty() && r.isSorted() && box2i(0, 0, W, H).contains(r));
            cover(stored, r);
        }
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                ASSERT_EQ(stored[y][x], added[y][x] > 0 ? 1 : 0) << trial << ": " << x << "," << y;
    }
}

using Log = std::vector<std::string>;

// Records the handlers the context calls.
struct Probe : UIElement {
    Probe(UIContext* c, const char* name, Log& log) : UIElement(c, 0), name(name), log(log) {}
    void onBeginDrag() noexcept override { log.push_back(name + ".beginDrag"); }
    void onStopDrag() noexcept override { log.push_back(name + ".stopDrag"); }
    void onMouseEnter() noexcept override { log.push_back(name + ".enter"); }
    void onMouseExit() noexcept override { log.push_back(name + ".exit"); }
    void onFocusEnter() noexcept override { log.push_back(name + ".focus"); }
    void onFocusExit() noexcept override { log.push_back(name + ".blur"); }
    std::string name;
    Log& log;
};

TEST(UIContext, RolesChangeHandsExitBeforeEnterAndTheCursorFollows) {
    UIContext ctx;
    Log log;
    Probe a(&ctx, "a", log), b(&ctx, "b", log);
    a.setCursorWhenDragged(MouseCursor::move);
    b.setCursorWhenMouseOver(MouseCursor::cross);
    EXPECT_EQ(ctx.getCurrentMouseCursor(), MouseCursor::pointer);
    ctx.setFocused(&a);
    ctx.setFocused(&a);  // already focused: nothing
    ctx.setFocused(&b);
    ctx.setFocused(nullptr);
    ctx.setMouseOver(&a);
    ctx.setMouseOver(&a);
    ctx.setMouseOver(&b);
    EXPECT_EQ(ctx.getCurrentMouseCursor(), MouseCursor::cross);
    ctx.beginDragging(&b);
    ctx.beginDragging(&a);  // the running drag stops first
    EXPECT_EQ(ctx.getCurrentMouseCursor(), MouseCursor::move) << "the drag wins over the hover";
    ctx.stopDragging();
    ctx.stopDragging();  // no drag: nothing
    EXPECT_EQ(ctx.getCurrentMouseCursor(), MouseCursor::cross);
    EXPECT_EQ(log, (Log{"a.focus", "a.blur", "b.focus", "b.blur", "a.enter", "a.exit", "b.enter",
                        "b.beginDrag", "b.stopDrag", "a.beginDrag", "a.stopDrag"}));
}

TEST(UIContext, RemovingOrDestroyingAnElementEndsItsRoles) {
    UIContext ctx;
    Log log;
    Probe root(&ctx, "root", log), panel(&ctx, "panel", log), knob(&ctx, "knob", log),
        other(&ctx, "other", log);
    root.addChild(&panel);
    panel.addChild(&knob);
    root.addChild(&other);
    ctx.setFocused(&knob);
    ctx.beginDragging(&knob);
    ctx.setMouseOver(&panel);
    log.clear();
    // The panel leaves with the knob inside: every role in it ends, with the handlers.
    root.removeChild(&panel);
    EXPECT_EQ(log, (Log{"knob.stopDrag", "panel.exit", "knob.blur"}));
    EXPECT_TRUE(!ctx.focused() && !ctx.dragged() && !ctx.mouseOver());
    EXPECT_EQ(knob.parent(), &panel);  // the subtree itself stays whole
    // A sibling's roles are not touched.
    ctx.setFocused(&other);
    root.addChild(&panel);
    root.removeChild(&panel);
    EXPECT_EQ(ctx.focused(), &other);
    // Destroyed: references cleared, no handler runs on the dying object.
    auto* doomed = new Probe(&ctx, "doomed", log);
    root.addChild(doomed);
    ctx.setFocused(doomed);
    ctx.setMouseOver(doomed);
    ctx.beginDragging(doomed);
    log.clear();
    delete doomed;
    EXPECT_TRUE(log.empty());
    EXPECT_TRUE(!ctx.focused() && !ctx.dragged() && !ctx.mouseOver());
    EXPECT_EQ(std::vector<UIElement*>(root.children().begin(), root.children().end()),
              std::vector<UIElement*>{&other});
}

}  // namespace
