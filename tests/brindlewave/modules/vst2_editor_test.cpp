// The Brindlewave VST 2.4 module's editor as a host opens it through the editor opcodes: its
// rectangle, a plain child window under the X display, what it shows, a drag on a global
// knob, and many openings.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "editorreference.h"
#include "editorsession.h"
#include "hostthreads.h"
#include "vst2host.h"
#include "x11parent.h"

using namespace rigging::vst;
using testhost::X11Parent;

namespace {

// Sanitized builds draw many times slower.
constexpr int kFirstDrawMs = 15000;

class Vst2Editor : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(module.loaded()) << module.error();
        ASSERT_NE(host.open(module.entry()), nullptr);
    }
    void TearDown() override {
        if (host.effect()) host.close();
    }
    bool openAndWaitForFirstDraw(X11Parent& parent, const std::vector<std::uint32_t>& expected) {
        if (host.dispatch(effEditOpen, 0, 0, parent.handle()) != 1) return false;
        return testhost::waitFor(
            [&] {
                const unsigned long child = parent.child();
                return child != 0 && testhost::compareImages(parent.grab(child, 1000, 700),
                                                             expected, editorreference::kTolerance)
                                             .pixels == 0;
            },
            kFirstDrawMs);
    }
    // Where each session starts: the pointer away, the editor open and showing the default
    // picture, the host's record emptied.
    bool openDefaultEditor(X11Parent& parent) {
        parent.movePointer(1250, 1000);
        if (!openAndWaitForFirstDraw(parent, editorreference::renderDefaultEditor())) return false;
        host.clearCalls();
        return true;
    }
    // And where it ends: the pointer away, the editor closed, no X error.
    void closeEditor(X11Parent& parent) {
        parent.movePointer(1250, 1000);
        EXPECT_EQ(host.dispatch(effEditClose), 1);
        EXPECT_EQ(parent.errors(), 0);
    }
    int count(std::int32_t opcode, std::int32_t index) {
        int n = 0;
        for (const auto& c : host.callsWith(opcode)) n += c.index == index;
        return n;
    }

    // What a session sees of the host: the edits it was told of and the plug-in's values.
    editorsession::Host sessionHost() {
        editorsession::Host seen;
        seen.begins = [this](int i) { return count(audioMasterBeginEdit, i); };
        seen.performs = [this](int i) { return count(audioMasterAutomate, i); };
        seen.ends = [this](int i) { return count(audioMasterEndEdit, i); };
        seen.normalized = [this](int i) { return static_cast<double>(host.getParameter(i)); };
        seen.automate = [this](int i, double v) { host.setParameter(i, static_cast<float>(v)); };
        return seen;
    }

    vst2host::Module module{BRINDLEWAVE_VST2_SO};
    vst2host::Host host;
};

TEST_F(Vst2Editor, TheRectangleAndTheOpcodesAroundTheEditor) {
    EXPECT_TRUE(host.effect()->flags & effFlagsHasEditor);
    EXPECT_EQ(host.dispatch(effEditGetRect, 0, 0, nullptr), 0);
    ERect* rect = nullptr;
    ASSERT_EQ(host.dispatch(effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->top, 0);
    EXPECT_EQ(rect->left, 0);
    EXPECT_EQ(rect->bottom, 700);
    EXPECT_EQ(rect->right, 1000);
    for (int opcode : {19, 59, 60}) EXPECT_EQ(host.dispatch(opcode), 0) << opcode;
    // The editor exists, no window is open: closing succeeds and touches nothing.
    EXPECT_EQ(host.dispatch(effEditClose), 1);
}

TEST_F(Vst2Editor, APlainChildShowsTheOffscreenPictureAndComesAndGoes) {
    X11Parent parent;
    if (!parent.ok()) GTEST_SKIP() << "no X display";
    parent.movePointer(1250, 1000);
    const auto expected = editorreference::renderDefaultEditor();
    ASSERT_TRUE(openAndWaitForFirstDraw(parent, expected));
    const unsigned long child = parent.child();
    int x = -1, y = -1, w = 0, h = 0;
    ASSERT_TRUE(parent.geometry(child, x, y, w, h));
    EXPECT_EQ(w, 1000);
    EXPECT_EQ(h, 700);
    EXPECT_FALSE(parent.hasProperty(child, "_XEMBED_INFO"));
    // Opening again replaces the window.
    ASSERT_TRUE(openAndWaitForFirstDraw(parent, expected));
    EXPECT_TRUE(testhost::waitFor([&] { return parent.children().size() == 1; }));
    EXPECT_EQ(host.dispatch(effEditClose), 1);
    EXPECT_TRUE(parent.children().empty());
    EXPECT_EQ(host.dispatch(effEditClose), 1);
    EXPECT_EQ(parent.errors(), 0);
}

TEST_F(Vst2Editor, DraggingTheGlobalAttackKnobReachesTheHost) {
    X11Parent parent;
    if (!parent.ok()) GTEST_SKIP() << "no X display";
    ASSERT_TRUE(openDefaultEditor(parent));
    parent.movePointer(597, 612);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    parent.movePointer(597, 607);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    parent.button(1, true);
    ASSERT_TRUE(testhost::waitFor([&] { return count(audioMasterBeginEdit, 62) == 1; }, 10000));
    parent.movePointer(597, 562);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    parent.button(1, false);
    ASSERT_TRUE(testhost::waitFor([&] { return count(audioMasterEndEdit, 62) == 1; }, 10000));
    EXPECT_EQ(count(audioMasterBeginEdit, 62), 1);
    EXPECT_GE(count(audioMasterAutomate, 62), 1);
    EXPECT_NEAR(host.getParameter(62), 0.939, 0.01);
    closeEditor(parent);
}

TEST_F(Vst2Editor, AMusiciansSessionReachesTheHostAndReshapesTheBandRow) {
    X11Parent parent;
    if (!parent.ok()) GTEST_SKIP() << "no X display";
    parent.movePointer(1250, 1000);
    const auto expected = editorreference::renderDefaultEditor();
    ASSERT_TRUE(openAndWaitForFirstDraw(parent, expected));
    host.clearCalls();
    const editorsession::Host seen = sessionHost();
    EXPECT_EQ(editorsession::playSession(parent, seen), "");
    parent.movePointer(1250, 1000);
    EXPECT_TRUE(testhost::waitFor([&] {
        return testhost::compareImages(
                   editorsession::bandRow(parent.grab(parent.child(), 1000, 700)),
                   editorsession::bandRow(expected), 1)
                   .pixels > 50000;
    }));
    EXPECT_EQ(host.dispatch(effEditClose), 1);
    EXPECT_EQ(parent.errors(), 0);
}

TEST_F(Vst2Editor, ClosingTheEditorMidDragEndsTheEditAndLeavesNoDragToHover) {
    X11Parent parent;
    if (!parent.ok()) GTEST_SKIP() << "no X display";
    ASSERT_TRUE(openDefaultEditor(parent));
    editorsession::Host seen = sessionHost();
    seen.closeEditor = [&] { EXPECT_EQ(host.dispatch(effEditClose), 1); };
    seen.reopenEditor = [&] {
        return host.dispatch(effEditOpen, 0, 0, parent.handle()) == 1 &&
               testhost::waitFor([&] { return parent.child() != 0; });
    };
    EXPECT_EQ(editorsession::playCloseMidDrag(parent, seen), "");
    closeEditor(parent);
}

TEST_F(Vst2Editor, QuickClicksOnDifferentControlsResetNothingAndADoubleClickResetsAKnob) {
    X11Parent parent;
    if (!parent.ok()) GTEST_SKIP() << "no X display";
    ASSERT_TRUE(openDefaultEditor(parent));
    const editorsession::Host seen = sessionHost();
    EXPECT_EQ(editorsession::playQuickClicks(parent, seen), "");
    closeEditor(parent);
}

// A host thread automates the band count, the solos and the view switches while audio runs
// and the editor animates, so the panels come and go under the window's threads; the thread
// sanitizer watches.
TEST_F(Vst2Editor, AudioAndAutomationOfBandsSolosAndViewsWhileTheEditorAnimates) {
    X11Parent parent;
    if (!parent.ok()) GTEST_SKIP() << "no X display";
    parent.movePointer(1250, 1000);
    host.start(48000.0f, 512);
    ASSERT_TRUE(openAndWaitForFirstDraw(parent, editorreference::renderDefaultEditor()));
    std::atomic<int> blocks{0};
    testhost::HostThreads threads;
    threads.run([&, l = std::vector<float>(512), r = std::vector<float>(512),
                 ol = std::vector<float>(512), orr = std::vector<float>(512)](int i) mutable {
        float* in[2] = {l.data(), r.data()};
        float* out[2] = {ol.data(), orr.data()};
        for (int k = 0; k < 512; ++k) l[k] = r[k] = 0.5f * ((i * 512 + k) % 97 < 48 ? 1 : -1);
        host.processReplacing(in, out, 512);
        blocks.fetch_add(1);
    });
    threads.run([&](int i) {
        if (i % 7 == 0) host.setParameter(59, static_cast<float>(i / 7 % 3) / 2.0f);
        host.setParameter(118 + i % 14, static_cast<float>((i / 14) % 2));
        host.setParameter(i % 5 == 0 ? 0 : 9 + i % 20, static_cast<float>(i % 50) / 50.0f);
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    });
    std::this_thread::sleep_for(std::chrono::seconds(2));
    threads.stop();
    EXPECT_GT(blocks.load(), 10);
    // The editor still draws and still answers: closing and opening again shows a window.
    EXPECT_EQ(host.dispatch(effEditClose), 1);
    EXPECT_EQ(host.dispatch(effEditOpen, 0, 0, parent.handle()), 1);
    EXPECT_EQ(host.dispatch(effEditClose), 1);
    EXPECT_EQ(parent.errors(), 0);
}

TEST_F(Vst2Editor, AHundredOpeningsLeaveNoThreadOrWindow) {
    X11Parent parent;
    if (!parent.ok()) GTEST_SKIP() << "no X display";
    ASSERT_EQ(host.dispatch(effEditOpen, 0, 0, parent.handle()), 1);
    ASSERT_EQ(host.dispatch(effEditClose), 1);
    const int threads = testhost::threadCount();
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(host.dispatch(effEditOpen, 0, 0, parent.handle()), 1) << i;
        ASSERT_EQ(parent.children().size(), 1u) << i;
        if (i % 10 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(40));
        ASSERT_EQ(host.dispatch(effEditClose), 1) << i;
        ASSERT_TRUE(parent.children().empty()) << i;
    }
    EXPECT_EQ(testhost::threadCount(), threads);
    EXPECT_EQ(parent.errors(), 0);
}

}  // namespace
