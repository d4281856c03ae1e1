// Repaints: what the listener reports dirty is drawn on the event thread and shown with
// exactly the listener's pixels; what lies outside the buffer is never asked for.

#include "rigging/core/nogc.h"
#include "x11fixture.h"

using namespace rigging;
using namespace windowtest;

namespace {

class X11Drawing : public X11Test {
protected:
    // Number of pixels of `r` that differ between the window on the server and the buffer.
    int mismatches(Window child, RecordingListener& listener, const geom::box2i& r) {
        XImage* img = XGetImage(dpy_, child, r.min.x, r.min.y, static_cast<unsigned>(r.width()),
                                static_cast<unsigned>(r.height()), AllPlanes, ZPixmap);
        if (img == nullptr) return -1;
        int bad = 0;
        for (int y = 0; y < r.height(); ++y)
            for (int x = 0; x < r.width(); ++x)
                if ((XGetPixel(img, x, y) & 0xFFFFFF) !=
                    listener.expectedPixel(r.min.x + x, r.min.y + y))
                    ++bad;
        XDestroyImage(img);
        return bad;
    }
};

TEST_F(X11Drawing, DirtyRectangleIsDrawnAndShownAsTheBufferHoldsIt) {
    RecordingListener listener;
    IWindow* w = open(listener);
    ASSERT_NE(w, nullptr);
    Window child = handleOf(w);
    const geom::box2i r(10, 20, 110, 70);
    listener.requestRepaint(r);
    ASSERT_TRUE(waitUntil([&] { return listener.drawCount() > 0; }));
    // The image reaches the server shortly after the draw.
    EXPECT_TRUE(waitUntil([&] { return mismatches(child, listener, r) == 0; }))
        << mismatches(child, listener, r) << " pixels differ";

    // A second change elsewhere is drawn too, and the first area stays as it was.
    const geom::box2i r2(900, 600, 1000, 700);  // touches the right and bottom edges
    int before = listener.drawCount();
    listener.requestRepaint(r2);
    ASSERT_TRUE(waitUntil([&] { return listener.drawCount() > before; }));
    EXPECT_TRUE(waitUntil([&] { return mismatches(child, listener, r2) == 0; }));
    EXPECT_EQ(mismatches(child, listener, r), 0);
    destroyFree(w);
    EXPECT_EQ(listener.overlapViolations(), 0);
}

TEST_F(X11Drawing, RectanglesReachingPastTheBufferAreClipped) {
    RecordingListener listener;
    IWindow* w = open(listener, false, 200, 100);
    ASSERT_NE(w, nullptr);
    Window child = handleOf(w);
    // Entirely outside: for ten ticks nothing is asked for, so nothing is drawn.
    listener.reportDirtyForever(geom::box2i(300, 300, 400, 400));
    std::size_t ticks = listener.animateCalls().size();
    ASSERT_TRUE(waitUntil([&] { return listener.animateCalls().size() >= ticks + 10; }));
    int drawsOutside = listener.drawCount();
    // Partly outside, from above-left: the visible part is drawn and shown.
    listener.requestRepaint(geom::box2i(-50, -40, 60, 30));
    ASSERT_TRUE(waitUntil([&] { return listener.drawCount() > drawsOutside; }));
    EXPECT_TRUE(
        waitUntil([&] { return mismatches(child, listener, geom::box2i(0, 0, 60, 30)) == 0; }));
    destroyFree(w);
    // Only exposes the server itself sent at mapping time may have drawn meanwhile.
    EXPECT_LE(drawsOutside, 1);
}

}  // namespace
