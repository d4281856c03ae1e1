// An editor built elsewhere, run in a window of the test display through the host's frame and
// run loop. Skipped when zam-plugins is absent or there is no display.

#include <gtest/gtest.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include "host_editor.h"
#include "host_instance.h"
#include "third_party_fixture.h"
#include "x11parent.h"

using namespace vst3host;

namespace {

class ThirdPartyVst3Editor : public ThirdPartyVst3 {};

// An editor built elsewhere finds the run loop through our frame, has its timer called from
// our passes, passes messages between its halves through the host, and gives every
// registration and reference back when it goes.
TEST_P(ThirdPartyVst3Editor, RunsOnTheFramesRunLoop) {
    testhost::X11Parent parent;
    if (!parent.ok()) GTEST_SKIP() << "no X display";
#if defined(__SANITIZE_ADDRESS__)
    // An editor built elsewhere keeps some memory of its own for good; not ours to find.
    __lsan::ScopedDisabler notOurs;
#endif
    HostRunLoop loop;
    HostPlugFrame frame(&loop);
    EditorHostApplication app(&loop);
    RecordingComponentHandler handler;
    const int messages = HostMessage::made();
    {
        PluginInstance plugin;
        ASSERT_TRUE(plugin.create(factory, info.cid));
        ASSERT_TRUE(plugin.initialize(&app, &handler));
        ASSERT_TRUE(plugin.connect());
        IPlugView* view = plugin.controller->createView("editor");
        ASSERT_NE(view, nullptr);
        EXPECT_EQ(view->setFrame(&frame), kResultOk);
        ASSERT_EQ(view->attached(parent.handle(), "X11EmbedWindowID"), kResultOk);
        EXPECT_GE(loop.timers(), 1);
        EXPECT_TRUE(testhost::waitFor([&] {
            loop.run();
            return loop.timerCalls() >= 3;
        }));
        EXPECT_EQ(view->removed(), kResultOk);
        EXPECT_EQ(loop.timers(), 0);
        EXPECT_EQ(loop.eventHandlers(), 0);
        view->setFrame(nullptr);
        EXPECT_EQ(view->release(), 0u);
        EXPECT_TRUE(plugin.teardown());
    }
    EXPECT_GT(HostMessage::made(), messages);
    EXPECT_EQ(HostMessage::live(), 0);
    EXPECT_EQ(frame.extraRefs(), 0);
    EXPECT_EQ(loop.extraRefs(), 0);
    EXPECT_EQ(app.extraRefs(), 0);
}

INSTANTIATE_TEST_SUITE_P(Zam, ThirdPartyVst3Editor,
                         ::testing::Values("ZamComp", "ZamCompX2", "ZamEQ2"));

}  // namespace
