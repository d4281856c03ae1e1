// The editor in a real child window of its own process: every opening and closing is clean on
// the window's display connection, and what cannot be opened leaves nothing behind.

#include <gtest/gtest.h>

#include <thread>

#include "brindlewave/gui.h"
#include "brindlewave/plugin.h"
#include "rigging/window/x11display.h"
#include "x11parent.h"

namespace {

TEST(EditorWindow, OpeningsAndClosingsCauseNoXErrorAndLeaveNoWindow) {
    testhost::X11Parent parent;
    if (!parent.ok()) GTEST_SKIP() << "no X display";
    auto* plugin = rigging::createClient<brindlewave::BrindlewavePlugin>(
        rigging::WindowOptions{.useXEmbed = true});
    int w = 0, h = 0;
    ASSERT_TRUE(plugin->getGUISize(&w, &h));
    auto* editor = dynamic_cast<brindlewave::HalyardGUI*>(plugin->graphicsAcquire());
    plugin->graphicsRelease();
    ASSERT_NE(editor, nullptr);
    const int errorsBefore = rigging::x11DisplayErrorCount();

    // No window can be made for another platform's parent: nothing opens, nothing breaks.
    EXPECT_EQ(editor->openUI(parent.handle(), nullptr, rigging::DAW::unknown,
                             rigging::GraphicsBackend::hwnd),
              nullptr);
    EXPECT_EQ(editor->window(), nullptr);
    EXPECT_EQ(rigging::x11WindowCount(), 0);
    editor->closeUI();

    ASSERT_NE(editor->openUI(parent.handle(), nullptr, rigging::DAW::unknown,
                             rigging::GraphicsBackend::x11EmbedWindowID),
              nullptr);
    editor->closeUI();
    const int threads = testhost::threadCount();
    for (int i = 0; i < 100; ++i) {
        void* handle = editor->openUI(parent.handle(), nullptr, rigging::DAW::unknown,
                                      rigging::GraphicsBackend::x11EmbedWindowID);
        ASSERT_NE(handle, nullptr) << i;
        ASSERT_EQ(rigging::x11WindowCount(), 1) << i;
        if (i % 25 == 0) {
            // A second open replaces the first: still one window.
            ASSERT_NE(editor->openUI(parent.handle(), nullptr, rigging::DAW::unknown,
                                     rigging::GraphicsBackend::unspecified),
                      nullptr);
            ASSERT_EQ(rigging::x11WindowCount(), 1) << i;
            std::this_thread::sleep_for(std::chrono::milliseconds(40));
        }
        editor->closeUI();
        ASSERT_EQ(rigging::x11WindowCount(), 0) << i;
    }
    EXPECT_EQ(rigging::x11DisplayErrorCount(), errorsBefore);
    EXPECT_EQ(testhost::threadCount(), threads);
    EXPECT_TRUE(parent.children().empty());
    EXPECT_EQ(parent.errors(), 0);
    rigging::destroyFree(plugin);
}

}  // namespace
