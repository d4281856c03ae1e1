// The Brindlewave VST3 module's editor as a host opens it: the view, the embedded child window
// under the X display, what it shows, a drag on a global knob, and many openings.

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "editorreference.h"
#include "editorsession.h"
#include "host_instance.h"
#include "host_module.h"
#include "hostthreads.h"
#include "module_fixture.h"
#include "rigging/vst3/iplugview.h"
#include "x11parent.h"

using namespace vst3host;
using rigging::vst3::IPlugView;
using rigging::vst3::ViewRect;
using testhost::X11Parent;

namespace {

// Sanitized builds draw many times slower.
constexpr int kFirstDrawMs = 15000;

int countCalls(const std::vector<HandlerCall>& calls, HandlerCall::Kind kind, ParamID id) {
    int n = 0;
    for (const auto& c : calls) n += c.kind == kind && c.idOrFlags == id;
    return n;
}

class Vst3Editor : public LoadedModuleTest<> {
protected:
    Vst3Editor() : LoadedModuleTest(BRINDLEWAVE_BUNDLE) {}

    void SetUp() override {
        LoadedModuleTest::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_TRUE(plugin.create(factory, info.cid));
        ASSERT_TRUE(plugin.initialize(&app, &handler));
    }
    void TearDown() override {
        if (view) EXPECT_EQ(view->release(), 0u);
        EXPECT_TRUE(plugin.teardown());
        LoadedModuleTest::TearDown();
    }
    IPlugView* makeView() {
        view = plugin.controller->createView("editor");
        return view;
    }
    // Attaches and waits until the child shows the reference picture.
    bool attachAndWaitForFirstDraw(X11Parent& host, const std::vector<std::uint32_t>& expected) {
        if (view->attached(host.handle(), "X11EmbedWindowID") != kResultOk) return false;
        return testhost::waitFor(
            [&] {
                const unsigned long child = host.child();
                if (child == 0) return false;
                auto d = testhost::compareImages(host.grab(child, 1000, 700), expected,
                                                 editorreference::kTolerance);
                return d.pixels == 0;
            },
            kFirstDrawMs);
    }

    // Where each session starts: the pointer away, the view attached and showing the default
    // picture, the handler's record emptied.
    bool openDefaultEditor(X11Parent& host) {
        host.movePointer(1250, 1000);
        if (makeView() == nullptr ||
            !attachAndWaitForFirstDraw(host, editorreference::renderDefaultEditor()))
            return false;
        handler.clear();
        return true;
    }
    // And where it ends: the pointer away, the view removed, no X error.
    void closeEditor(X11Parent& host) {
        host.movePointer(1250, 1000);
        EXPECT_EQ(view->removed(), kResultOk);
        EXPECT_EQ(host.errors(), 0);
    }

    // What a session sees of the host: the edits the handler heard and the controller's values.
    editorsession::Host sessionHost() {
        editorsession::Host seen;
        auto counter = [this](HandlerCall::Kind kind) {
            return [this, kind](int id) { return countCalls(handler.calls(), kind, id); };
        };
        seen.begins = counter(HandlerCall::kBegin);
        seen.performs = counter(HandlerCall::kPerform);
        seen.ends = counter(HandlerCall::kEnd);
        seen.performedValues = [this](int id) {
            std::vector<double> values;
            for (const auto& c : handler.calls())
                if (c.kind == HandlerCall::kPerform && c.idOrFlags == static_cast<ParamID>(id))
                    values.push_back(c.value);
            return values;
        };
        seen.normalized = [this](int id) { return plugin.controller->getParamNormalized(id); };
        seen.automate = [this](int id, double v) { plugin.controller->setParamNormalized(id, v); };
        return seen;
    }

    HostApplication app;
    RecordingComponentHandler handler;
    PluginInstance plugin;
    IPlugView* view = nullptr;
};

TEST_F(Vst3Editor, TheViewReportsTheEditorBeforeAnyWindow) {
    EXPECT_EQ(plugin.controller->createView("Editor"), nullptr);
    EXPECT_EQ(plugin.controller->createView(nullptr), nullptr);
    ASSERT_NE(makeView(), nullptr);
    void* same = nullptr;
    EXPECT_EQ(view->queryInterface(IPlugView::iid, &same), kResultOk);
    EXPECT_EQ(same, view);
    view->release();
    EXPECT_EQ(view->queryInterface(IComponent::iid, &same), kNoInterface);
    EXPECT_EQ(same, nullptr);
    ViewRect r{7, 7, 7, 7};
    EXPECT_EQ(view->getSize(&r), kResultOk);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, 1000);
    EXPECT_EQ(r.bottom, 700);
    EXPECT_EQ(view->getSize(nullptr), kResultFalse);
    EXPECT_EQ(view->isPlatformTypeSupported("X11EmbedWindowID"), kResultOk);
    EXPECT_EQ(view->isPlatformTypeSupported("HWND"), kResultFalse);
    EXPECT_EQ(view->isPlatformTypeSupported("NSView"), kResultFalse);
    EXPECT_EQ(view->isPlatformTypeSupported(nullptr), kResultFalse);
    // Nothing to remove yet: success, and nothing made.
    EXPECT_EQ(view->removed(), kResultOk);
    EXPECT_EQ(view->attached(reinterpret_cast<void*>(0x1234), "HWND"), kResultFalse);
}

TEST_F(Vst3Editor, AnEmbeddedChildShowsTheOffscreenPictureAndComesAndGoes) {
    X11Parent host;
    if (!host.ok()) GTEST_SKIP() << "no X display";
    host.movePointer(1250, 1000);  // away from the editor
    const auto expected = editorreference::renderDefaultEditor();
    ASSERT_NE(makeView(), nullptr);
    EXPECT_EQ(view->attached(host.handle(), "NSView"), kResultFalse);
    EXPECT_TRUE(host.children().empty());

    ASSERT_TRUE(attachAndWaitForFirstDraw(host, expected))
        << "largest difference "
        << testhost::compareImages(host.grab(host.child(), 1000, 700), expected, 1).largest;
    const unsigned long child = host.child();
    int x = -1, y = -1, w = 0, h = 0;
    ASSERT_TRUE(host.geometry(child, x, y, w, h));
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(w, 1000);
    EXPECT_EQ(h, 700);
    // Typed with its own name, as embedders check: version 0, mapped.
    std::string type;
    EXPECT_EQ(host.values32(child, "_XEMBED_INFO", &type), (std::vector<long>{0, 1}));
    EXPECT_EQ(type, "_XEMBED_INFO");

    // A second attach replaces the window: one child again, showing the same.
    ASSERT_TRUE(attachAndWaitForFirstDraw(host, expected));
    EXPECT_TRUE(testhost::waitFor([&] { return host.children().size() == 1; }));

    EXPECT_EQ(view->removed(), kResultOk);
    EXPECT_TRUE(testhost::waitFor([&] { return host.children().empty(); }));
    EXPECT_EQ(view->removed(), kResultOk);
    EXPECT_EQ(host.errors(), 0);
}

TEST_F(Vst3Editor, DraggingTheGlobalAttackKnobReachesTheHostAndTheEditorStaysOnReattach) {
    X11Parent host;
    if (!host.ok()) GTEST_SKIP() << "no X display";
    host.movePointer(1250, 1000);
    const auto expected = editorreference::renderDefaultEditor();
    ASSERT_NE(makeView(), nullptr);
    ASSERT_TRUE(attachAndWaitForFirstDraw(host, expected));
    handler.clear();

    // Onto the knob first: the first motion after entering reports no displacement.
    host.movePointer(597, 612);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    host.movePointer(597, 607);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    host.button(1, true);
    ASSERT_TRUE(testhost::waitFor(
        [&] { return countCalls(handler.calls(), HandlerCall::kBegin, 62) == 1; }, 10000));
    host.movePointer(597, 562);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    host.button(1, false);
    ASSERT_TRUE(
        testhost::waitFor([&] { return countCalls(handler.calls(), HandlerCall::kEnd, 62) == 1; }));
    EXPECT_NEAR(plugin.controller->getParamNormalized(62), 0.939, 0.01);
    const auto calls = handler.calls();
    EXPECT_EQ(countCalls(calls, HandlerCall::kBegin, 62), 1);
    EXPECT_GE(countCalls(calls, HandlerCall::kPerform, 62), 1);
    host.movePointer(1250, 1000);

    // The information line now names the knob; after closing and attaching again it still
    // does, so the same editor came back rather than a new one with its welcome.
    const unsigned long child = host.child();
    ASSERT_TRUE(testhost::waitFor([&] {
        auto now = host.grab(child, 1000, 700);
        return testhost::compareImages(now, expected, 1).pixels > 0;
    }));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const auto before = host.grab(child, 1000, 700);
    auto line = [](const std::vector<std::uint32_t>& image) {
        std::vector<std::uint32_t> out;
        for (int y = 620; y < 650; ++y)
            for (int x = 450; x < 540; ++x) out.push_back(image[y * 1000 + x]);
        return out;
    };
    EXPECT_GT(testhost::compareImages(line(before), line(expected), 1).pixels, 0);
    EXPECT_EQ(view->removed(), kResultOk);
    ASSERT_EQ(view->attached(host.handle(), "X11EmbedWindowID"), kResultOk);
    ASSERT_TRUE(testhost::waitFor([&] {
        const unsigned long c = host.child();
        return c != 0 &&
               testhost::compareImages(line(host.grab(c, 1000, 700)), line(before), 1).pixels == 0;
    }));
    EXPECT_EQ(view->removed(), kResultOk);
    EXPECT_EQ(host.errors(), 0);
}

TEST_F(Vst3Editor, AMusiciansSessionReachesTheHostAndReshapesTheBandRow) {
    X11Parent host;
    if (!host.ok()) GTEST_SKIP() << "no X display";
    host.movePointer(1250, 1000);
    const auto expected = editorreference::renderDefaultEditor();
    ASSERT_NE(makeView(), nullptr);
    ASSERT_TRUE(attachAndWaitForFirstDraw(host, expected));
    handler.clear();
    const editorsession::Host seen = sessionHost();
    EXPECT_EQ(editorsession::playSession(host, seen), "");
    host.movePointer(1250, 1000);
    // The narrow panels of the aligned layout replace the four even ones.
    EXPECT_TRUE(testhost::waitFor([&] {
        return testhost::compareImages(editorsession::bandRow(host.grab(host.child(), 1000, 700)),
                                       editorsession::bandRow(expected), 1)
                   .pixels > 50000;
    }));
    EXPECT_EQ(view->removed(), kResultOk);
    EXPECT_EQ(host.errors(), 0);
}

TEST_F(Vst3Editor, QuickClicksOnDifferentControlsResetNothingAndADoubleClickResetsAKnob) {
    X11Parent host;
    if (!host.ok()) GTEST_SKIP() << "no X display";
    ASSERT_TRUE(openDefaultEditor(host));
    const editorsession::Host seen = sessionHost();
    EXPECT_EQ(editorsession::playQuickClicks(host, seen), "");
    closeEditor(host);
}

TEST_F(Vst3Editor, RemovingTheViewMidDragEndsTheEditAndLeavesNoDragToHover) {
    X11Parent host;
    if (!host.ok()) GTEST_SKIP() << "no X display";
    ASSERT_TRUE(openDefaultEditor(host));
    editorsession::Host seen = sessionHost();
    seen.closeEditor = [&] { EXPECT_EQ(view->removed(), kResultOk); };
    seen.reopenEditor = [&] {
        return view->attached(host.handle(), "X11EmbedWindowID") == kResultOk &&
               testhost::waitFor([&] { return host.child() != 0; });
    };
    EXPECT_EQ(editorsession::playCloseMidDrag(host, seen), "");
    closeEditor(host);
}

// DAWs hand each edit to the processor in their next block, where it is set from the single
// precision value the host received.
TEST_F(Vst3Editor, EditsHandedBackToTheProcessorAreNotSentAgainWhileADragHolds) {
    X11Parent host;
    if (!host.ok()) GTEST_SKIP() << "no X display";
    ASSERT_TRUE(openDefaultEditor(host));
    ASSERT_EQ(plugin.setArrangement(2, 2), kResultOk);
    ASSERT_EQ(plugin.setup(48000, 512), kResultOk);
    plugin.editsFrom = &handler;
    handler.keepEditsForProcessor = true;
    plugin.start();
    testhost::HostThreads audio;
    audio.run([&, l = std::vector<float>(512), r = std::vector<float>(512),
               ol = std::vector<float>(512), orr = std::vector<float>(512)](int) mutable {
        plugin.process({l.data(), r.data()}, {ol.data(), orr.data()}, 512);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    });
    EXPECT_EQ(editorsession::playHeldAtLimits(host, sessionHost()), "");
    closeEditor(host);
}

TEST_F(Vst3Editor, AHundredOpeningsLeaveNoThreadOrWindow) {
    X11Parent host;
    if (!host.ok()) GTEST_SKIP() << "no X display";
    ASSERT_NE(makeView(), nullptr);
    // The first opening builds the editor and its drawing pool, which stay with the plug-in.
    ASSERT_EQ(view->attached(host.handle(), "X11EmbedWindowID"), kResultOk);
    ASSERT_EQ(view->removed(), kResultOk);
    const int threads = testhost::threadCount();
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(view->attached(host.handle(), "X11EmbedWindowID"), kResultOk) << i;
        ASSERT_EQ(host.children().size(), 1u) << i;
        if (i % 10 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(40));
        ASSERT_EQ(view->removed(), kResultOk) << i;
        ASSERT_TRUE(host.children().empty()) << i;
    }
    EXPECT_EQ(testhost::threadCount(), threads);
    EXPECT_EQ(host.errors(), 0);
}

TEST_F(Vst3Editor, AudioAndAutomationOfBandsSolosAndViewsWhileTheEditorAnimates) {
    X11Parent host;
    if (!host.ok()) GTEST_SKIP() << "no X display";
    host.movePointer(1250, 1000);
    ASSERT_EQ(plugin.setArrangement(2, 2), kResultOk);
    ASSERT_EQ(plugin.setup(48000, 512), kResultOk);
    plugin.start();
    ASSERT_NE(makeView(), nullptr);
    ASSERT_TRUE(attachAndWaitForFirstDraw(host, editorreference::renderDefaultEditor()));
    testhost::HostThreads threads;
    threads.run([&, l = std::vector<float>(512), r = std::vector<float>(512),
                 ol = std::vector<float>(512), orr = std::vector<float>(512)](int i) mutable {
        for (int k = 0; k < 512; ++k) l[k] = r[k] = 0.5f * ((i * 512 + k) % 97 < 48 ? 1 : -1);
        plugin.process({l.data(), r.data()}, {ol.data(), orr.data()}, 512);
    });
    threads.run([&](int i) {
        plugin.controller->setParamNormalized(62 + i % 5, (i % 100) / 100.0);
        plugin.controller->setParamNormalized(9 + i % 20, (i % 50) / 50.0);
        // Band count, solos and view switches: the editor's panels come and go meanwhile.
        if (i % 7 == 0) plugin.controller->setParamNormalized(59, (i / 7 % 3) / 2.0);
        plugin.controller->setParamNormalized(118 + i % 14, (i / 14) % 2);
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    });
    // The pointer drags the Release knob meanwhile; each step waits for the window to take it,
    // and presses are more than half a second apart so that none is a double click.
    for (int k = 1; k <= 3; ++k) {
        host.movePointer(665, 612);
        host.movePointer(665, 610);
        std::this_thread::sleep_for(std::chrono::milliseconds(600));
        host.button(1, true);
        ASSERT_TRUE(testhost::waitFor([&] {
            return countCalls(handler.calls(), HandlerCall::kBegin, 63) == k;
        })) << countCalls(handler.calls(), HandlerCall::kBegin, 63)
            << " begin edits for 63 on press " << k;
        for (int s = 1; s <= 10; ++s) {
            host.movePointer(665, 610 - 3 * s);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        host.button(1, false);
        ASSERT_TRUE(testhost::waitFor([&] {
            return countCalls(handler.calls(), HandlerCall::kEnd, 63) == k;
        })) << countCalls(handler.calls(), HandlerCall::kEnd, 63)
            << " end edits for 63 on release " << k;
    }
    threads.stop();
    EXPECT_EQ(view->removed(), kResultOk);
    plugin.stop();
    EXPECT_EQ(host.errors(), 0);
}

}  // namespace
