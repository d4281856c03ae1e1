// The editor's window as a host opens and closes it, under a real (virtual) X display.

// clang-format off
#include "x11fixture.h"
// clang-format on

#include <dirent.h>

#include <cstdlib>
#include <string>

#include "guitree.h"
#include "rigging/gui/offscreen.h"
#include "rigging/window/x11display.h"
#include "rigging/window/x11window.h"

using namespace windowtest;
using guitest::Tree;
using rigging::DAW;
using rigging::GraphicsBackend;

namespace {

int threadCount() {
    int n = 0;
    DIR* d = opendir("/proc/self/task");
    while (dirent* e = readdir(d)) n += e->d_name[0] != '.';
    closedir(d);
    return n;
}

// What the window should show: the same tree rendered off-screen, as 0xRRGGBB.
std::vector<unsigned long> offscreenPicture() {
    Tree t;
    rigging::OffscreenDriver d(*t.root);
    d.open();
    d.tick();
    std::vector<unsigned long> out;
    for (rigging::RGBA p : guitest::pixelsOf(d.image()))
        out.push_back((static_cast<unsigned long>(p.r) << 16) | (p.g << 8) | p.b);
    return out;
}

void* openIn(Tree& t, unsigned long parent) {
    return t.root->openUI(reinterpret_cast<void*>(parent), nullptr, DAW::unknown,
                          GraphicsBackend::x11EmbedWindowID);
}

Window windowOf(void* handle) {
    return static_cast<Window>(reinterpret_cast<std::uintptr_t>(handle));
}

using GUIWindow = X11Test;

TEST_F(GUIWindow, OpenUIGivesAChildShowingTheRenderAndCloseUIRemovesIt) {
    Tree t;
    void* handle = openIn(t, parent_);
    ASSERT_NE(handle, nullptr);
    const Window child = windowOf(handle);
    XSync(dpy_, False);
    EXPECT_EQ(childrenOf(parent_), std::vector<Window>{child});

    // The timer asks for the first frame and the event thread draws it; the server then holds
    // exactly the off-screen picture.
    const std::vector<unsigned long> expected = offscreenPicture();
    bool same = waitUntil([&] {
        XImage* image = XGetImage(dpy_, child, 0, 0, 320, 240, AllPlanes, ZPixmap);
        if (image == nullptr) return false;
        bool equal = true;
        for (int y = 0; y < 240 && equal; ++y)
            for (int x = 0; x < 320 && equal; ++x)
                equal = (XGetPixel(image, x, y) & 0xFFFFFF) == expected[y * 320u + x];
        XDestroyImage(image);
        return equal;
    });
    EXPECT_TRUE(same);

    t.root->closeUI();
    EXPECT_EQ(t.root->window(), nullptr);
    XSync(dpy_, False);
    EXPECT_TRUE(childrenOf(parent_).empty());
    t.root->closeUI();  // nothing left to close
}

TEST_F(GUIWindow, WithOrWithoutSharedMemoryTheWholeWindowShowsTheRender) {
    const std::vector<unsigned long> expected = offscreenPicture();
    for (bool shared : {true, false}) {
        Tree t;
        t.root->setWindowOptions({.useSharedMemory = shared});
        int w = 0, h = 0;
        t.root->getGUISize(&w, &h);
        ASSERT_EQ(expected.size(), static_cast<std::size_t>(w) * h);
        void* handle = openIn(t, parent_);
        ASSERT_NE(handle, nullptr);
        auto* window = static_cast<rigging::X11Window*>(t.root->window());
        int major = 0, minor = 0;
        Bool pixmaps = False;
        EXPECT_EQ(window->usesSharedMemory(),
                  shared && XShmQueryVersion(dpy_, &major, &minor, &pixmaps));
        long differing = -1;
        const bool same = waitUntil([&] {
            XImage* image = XGetImage(dpy_, windowOf(handle), 0, 0, w, h, AllPlanes, ZPixmap);
            if (image == nullptr) return false;
            differing = 0;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    differing += (XGetPixel(image, x, y) & 0xFFFFFF) != expected[y * w + x];
            XDestroyImage(image);
            return differing == 0;
        });
        EXPECT_TRUE(same) << differing << " pixels differ, shared " << shared;
        t.root->closeUI();
    }
}

TEST_F(GUIWindow, WithoutAWindowOpenUIGivesNullAndLeavesNothingHalfMade) {
    Tree t;
    for (GraphicsBackend b : {GraphicsBackend::hwnd, GraphicsBackend::nsView}) {
        EXPECT_EQ(t.root->openUI(reinterpret_cast<void*>(parent_), nullptr, DAW::unknown, b),
                  nullptr);
        EXPECT_EQ(t.root->window(), nullptr);
        EXPECT_EQ(rigging::x11WindowCount(), 0);
    }

    // No display to be had.
    const std::string display = std::getenv("DISPLAY");
    setenv("DISPLAY", ":31999", 1);
    void* none = t.root->openUI(nullptr, nullptr, DAW::unknown, GraphicsBackend::unspecified);
    setenv("DISPLAY", display.c_str(), 1);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(t.root->window(), nullptr);
    EXPECT_EQ(rigging::x11SharedDisplay(), nullptr);

    // A parent that does not exist: the server refuses the window.
    allowWindowErrors_ = true;
    EXPECT_EQ(openIn(t, parent_ + 0x7777), nullptr);
    EXPECT_EQ(t.root->window(), nullptr);
    t.root->closeUI();

    // The next real opening works.
    EXPECT_NE(openIn(t, parent_), nullptr);
    t.root->closeUI();
}

TEST_F(GUIWindow, ASecondOpenUIClosesTheFirstAndLeaksNothing) {
    Tree t;
    ASSERT_NE(openIn(t, parent_), nullptr);
    const int threads = threadCount();
    for (int i = 0; i < 5; ++i) {
        void* again = openIn(t, parent_);
        ASSERT_NE(again, nullptr);
        EXPECT_EQ(threadCount(), threads) << "one event and one timer thread, not two pairs";
        EXPECT_EQ(rigging::x11WindowCount(), 1);
        XSync(dpy_, False);
        EXPECT_EQ(
            childrenOf(parent_),
            std::vector<Window>{static_cast<Window>(reinterpret_cast<std::uintptr_t>(again))});
    }
    t.root->closeUI();
    EXPECT_EQ(threadCount(), threads - 2);
}

}  // namespace
