#include "rigging/gui/context.h"

#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "rigging/gui/element.h"

using namespace rigging;
using geom::box2i;

namespace {

std::vector<box2i> pull(DirtyRectList& list) {
    Vec<box2i> v;
    list.pullAllRectangles(v);
    return std::vector<box2i>(v.begin(), v.end());
}

std::vector<box2i> listAfter(std::initializer_list<box2i> added) {
    DirtyRectList list;
    for (const box2i& r : added) list.addRect(r);
    return pull(list);
}

TEST(DirtyRectList, StoredRectanglesAreCutAroundTheNewOne) {
    EXPECT_EQ(listAfter({box2i(5, 0, 15, 10), box2i(0, 0, 10, 10)}),
              (std::vector<box2i>{box2i(10, 0, 15, 10), box2i(0, 0, 10, 10)}));
    // Inside a stored one: nothing changes.
    EXPECT_EQ(listAfter({box2i(0, 0, 20, 20), box2i(5, 5, 10, 10)}),
              (std::vector<box2i>{box2i(0, 0, 20, 20)}));
    // Covering two stored ones: only itself is left.
    EXPECT_EQ(listAfter({box2i(0, 0, 5, 5), box2i(10, 10, 15, 15), box2i(0, 0, 20, 20)}),
              (std::vector<box2i>{box2i(0, 0, 20, 20)}));
    // A hole punched in the middle leaves four bands and the new one last.
    EXPECT_EQ(listAfter({box2i(0, 0, 30, 30), box2i(10, 10, 40, 20)}),
              (std::vector<box2i>{box2i(0, 0, 30, 10), box2i(0, 10, 10, 20), box2i(0, 20, 30, 30),
                                  box2i(10, 10, 40, 20)}));
    // Touching edges do not overlap.
    EXPECT_EQ(listAfter({box2i(0, 0, 10, 10), box2i(10, 0, 20, 10)}),
              (std::vector<box2i>{box2i(0, 0, 10, 10), box2i(10, 0, 20, 10)}));
}

TEST(DirtyRectList, EmptyInvertedAndOutsideRectanglesAddNothing) {
    EXPECT_TRUE(listAfter({box2i(5, 5, 5, 50), box2i(3, 9, 40, 9)}).empty());
    EXPECT_TRUE(listAfter({box2i(20, 0, 10, 10), box2i(0, 30, 10, 20)}).empty());
    // Below zero is outside any window.
    EXPECT_TRUE(listAfter({box2i(-50, -50, -10, 10)}).empty());
    EXPECT_EQ(listAfter({box2i(-50, -5, 10, 10)}), (std::vector<box2i>{box2i(0, 0, 10, 10)}));
}

TEST(DirtyRectList, ClipKeepsEveryRectangleInsideTheWindow) {
    DirtyRectList list;
    list.addRect(box2i(900, 600, 1100, 800));
    list.addRect(box2i(1200, 0, 1300, 10));
    list.addRect(box2i(0, 0, 10, 10));
    // Setting the window size later clips what is stored.
    list.setClip(box2i(0, 0, 1000, 700));
    list.addRect(box2i(990, -20, 2000, 5));
    list.addRect(box2i(1000, 0, 1001, 700));  // just past the right edge
    std::vector<box2i> got = pull(list);
    ASSERT_EQ(got.size(), 3u);
    EXPECT_NE(std::find(got.begin(), got.end(), box2i(900, 600, 1000, 700)), got.end());
    EXPECT_NE(std::find(got.begin(), got.end(), box2i(0, 0, 10, 10)), got.end());
    EXPECT_NE(std::find(got.begin(), got.end(), box2i(990, 0, 1000, 5)), got.end());
}

TEST(DirtyRectList, PullAppendsAndEmptiesTheList) {
    DirtyRectList list;
    list.addRect(box2i(1, 2, 3, 4));
    Vec<box2i> v;
    v.pushBack(box2i(7, 7, 8, 8));
    list.pullAllRectangles(v);
    ASSERT_EQ(v.length(), 2u);
    EXPECT_EQ(v[0], box2i(7, 7, 8, 8));
    EXPECT_EQ(v[1], box2i(1, 2, 3, 4));
    list.pullAllRectangles(v);
    EXPECT_EQ(v.length(), 2u);
}

// Pixel coverage of a small window: how many rectangles cover each pixel.
struct Coverage {
    static constexpr int W = 48, H = 40;
    int count[H][W] = {};
    void add(const box2i& r) {
        for (int y = std::max(r.min.y, 0); y < std::min(r.max.y, H); ++y)
            for (int x = std::max(r.min.x, 0); x < std::min(r.max.x, W); ++x) ++count[y][x];
    }
};

TEST(DirtyRectList, StaysDisjointAndCoversExactlyWhatWasAdded) {
    std::mt19937 rng(1234);
    std::uniform_int_distribution<int> coord(-8, 55);
    for (int trial = 0; trial < 200; ++trial) {
        DirtyRectList list;
        list.setClip(box2i(0, 0, Coverage::W, Coverage::H));
        Coverage added;
        int n = 1 + trial % 12;
        for (int i = 0; i < n; ++i) {
            box2i r(coord(rng), coord(rng), coord(rng), coord(rng));  // may be inverted
            list.addRect(r);
            if (r.isSorted()) added.add(r);
        }
        Coverage stored;
        for (const box2i& r : pull(list)) {
            ASSERT_FALSE(r.empty());
            ASSERT_TRUE(r.isSorted());
            ASSERT_TRUE(box2i(0, 0, Coverage::W, Coverage::H).contains(r));
            stored.add(r);
        }
        for (int y = 0; y < Coverage::H; ++y)
            for (int x = 0; x < Coverage::W; ++x)
                ASSERT_EQ(stored.count[y][x], added.count[y][x] > 0 ? 1 : 0)
                    << "trial " << trial << " pixel " << x << "," << y;
    }
}

TEST(DirtyRectList, AnyThreadMayAddWhileTheGuiPulls) {
    DirtyRectList list;
    std::atomic<bool> go{false};
    std::vector<std::thread> writers;
    for (int t = 0; t < 3; ++t)
        writers.emplace_back([&, t] {
            while (!go) {
            }
            for (int i = 0; i < 2000; ++i) list.addRect(box2i::rectangle(t * 16, i % 16, 8, 1));
        });
    Coverage seen;
    go = true;
    for (int i = 0; i < 200; ++i)
        for (const box2i& r : pull(list)) seen.add(r);
    for (std::thread& w : writers) w.join();
    for (const box2i& r : pull(list)) seen.add(r);
    for (int t = 0; t < 3; ++t)
        for (int y = 0; y < 16; ++y) EXPECT_GT(seen.count[y][t * 16], 0) << t << "," << y;
}

// Records the handlers the context calls.
class Probe : public UIElement {
public:
    Probe(UIContext* c, std::string name, std::vector<std::string>& log)
        : UIElement(c, 0), name_(std::move(name)), log_(log) {}
    void onBeginDrag() noexcept override { log_.push_back(name_ + ".beginDrag"); }
    void onStopDrag() noexcept override { log_.push_back(name_ + ".stopDrag"); }
    void onMouseEnter() noexcept override { log_.push_back(name_ + ".enter"); }
    void onMouseExit() noexcept override { log_.push_back(name_ + ".exit"); }
    void onFocusEnter() noexcept override { log_.push_back(name_ + ".focus"); }
    void onFocusExit() noexcept override { log_.push_back(name_ + ".blur"); }

private:
    std::string name_;
    std::vector<std::string>& log_;
};

using Log = std::vector<std::string>;

TEST(UIContext, RolesChangeHandsWithExitBeforeEnter) {
    UIContext ctx;
    Log log;
    Probe a(&ctx, "a", log), b(&ctx, "b", log);
    ctx.setFocused(&a);
    ctx.setFocused(&a);  // already focused: nothing
    ctx.setFocused(&b);
    ctx.setFocused(nullptr);
    ctx.setMouseOver(&a);
    ctx.setMouseOver(&a);
    ctx.setMouseOver(&b);
    ctx.beginDragging(&a);
    ctx.beginDragging(&b);  // the running drag stops first
    ctx.stopDragging();
    ctx.stopDragging();  // no drag: nothing
    EXPECT_EQ(log, (Log{"a.focus", "a.blur", "b.focus", "b.blur", "a.enter", "a.exit", "b.enter",
                        "a.beginDrag", "a.stopDrag", "b.beginDrag", "b.stopDrag"}));
    EXPECT_EQ(ctx.focused(), nullptr);
    EXPECT_EQ(ctx.dragged(), nullptr);
    EXPECT_EQ(ctx.mouseOver(), &b);
}

TEST(UIContext, CursorComesFromTheDraggedThenTheHoveredElement) {
    UIContext ctx;
    Log log;
    Probe a(&ctx, "a", log), b(&ctx, "b", log);
    a.setCursorWhenDragged(MouseCursor::move);
    a.setCursorWhenMouseOver(MouseCursor::linkSelect);
    b.setCursorWhenDragged(MouseCursor::verticalResize);
    b.setCursorWhenMouseOver(MouseCursor::cross);
    EXPECT_EQ(ctx.getCurrentMouseCursor(), MouseCursor::pointer);
    ctx.setMouseOver(&b);
    EXPECT_EQ(ctx.getCurrentMouseCursor(), MouseCursor::cross);
    ctx.beginDragging(&a);
    EXPECT_EQ(ctx.getCurrentMouseCursor(), MouseCursor::move);
    ctx.stopDragging();
    EXPECT_EQ(ctx.getCurrentMouseCursor(), MouseCursor::cross);
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
    // The panel leaves with the knob inside it: every role below it ends, handlers called.
    root.removeChild(&panel);
    EXPECT_EQ(log, (Log{"knob.stopDrag", "panel.exit", "knob.blur"}));
    EXPECT_EQ(ctx.focused(), nullptr);
    EXPECT_EQ(ctx.dragged(), nullptr);
    EXPECT_EQ(ctx.mouseOver(), nullptr);
    EXPECT_EQ(panel.parent(), nullptr);
    EXPECT_EQ(knob.parent(), &panel);  // the subtree itself stays whole

    // A removed sibling's roles are not touched.
    ctx.setFocused(&other);
    root.addChild(&panel);
    log.clear();
    root.removeChild(&panel);
    EXPECT_TRUE(log.empty());
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
    EXPECT_EQ(ctx.focused(), nullptr);
    EXPECT_EQ(ctx.dragged(), nullptr);
    EXPECT_EQ(ctx.mouseOver(), nullptr);
    ASSERT_EQ(root.children().size(), 1u);
    EXPECT_EQ(root.children()[0], &other);
}

}  // namespace
