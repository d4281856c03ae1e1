#pragma once
// The X11 child window: embedded in the host's window, run by an event thread (polls X events,
// dispatches input, draws on Expose and on request) and a timer thread (animates at 60 Hz, asks for
// repaints, sets the cursor), showing the listener's pixel buffer.

#include <atomic>
#include <cstdint>

#include "rigging/core/sync.h"
#include "rigging/core/thread.h"
#include "rigging/window/window.h"
#include "rigging/window/x11mouse.h"
#include "rigging/window/x11shownimage.h"

struct _XDisplay;
struct _XGC;
union _XEvent;

namespace rigging {

class X11Window final : public IWindow {
public:
    // Builds and maps the window. The listener's onResized runs once, with (width, height),
    // before the constructor returns. When no display can be opened, or the server refuses
    // the window (a parent that does not exist), isOpen() is false and no thread runs
    // (createWindow then gives null).
    X11Window(WindowUsage usage, unsigned long parentWindow, IWindowListener* listener, int width,
              int height, WindowOptions options) noexcept;
    X11Window(const X11Window&) = delete;
    X11Window& operator=(const X11Window&) = delete;
    // Stops and joins both threads, then frees every X resource of the window.
    ~X11Window() override;

    bool isOpen() const noexcept { return display_ != nullptr && threadsStarted_; }

    void waitEventAndDispatch() noexcept override;
    bool terminated() noexcept override;
    std::uint32_t getTimeMs() noexcept override;
    void* systemHandle() noexcept override;

    // How the server is given the pixels, and how many it was given: rectangles and pixels put
    // since the window opened.
    bool usesSharedMemory() const noexcept { return shown_.usesSharedMemory(); }
    long long putCount() const noexcept { return shown_.putCount(); }
    long long pixelsPut() const noexcept { return shown_.pixelsPut(); }

    // Every X event this window asks for: key and button presses and releases, entering,
    // pointer motion, exposure and structure changes.
    static constexpr long kEventMask = 0x2805F;

private:
    void createX11Window(unsigned long parentWindow, int width, int height) noexcept;
    void notifySize(int width, int height) noexcept;
    void processEvent(_XEvent& event) noexcept;
    // One pending event of this window, if any, taken under the X mutex.
    bool takeEvent(_XEvent& event) noexcept;
    // Draws what is dirty and shows it. A synthetic expose (sendEvent) only asks for a redraw;
    // one from the server also says that the area's content is lost.
    void exposeArea(int x, int y, int width, int height, bool sendEvent) noexcept;
    // Draws what is dirty, then sends the server what differs from what it shows within that
    // and `compared`, and all of `lost`.
    void drawAndShow(const geom::box2i& compared, const geom::box2i& lost) noexcept;
    void defineCursor(MouseCursor cursor) noexcept;

    static void eventThreadEntry(void* self) noexcept;
    static void timerThreadEntry(void* self) noexcept;
    void eventLoop() noexcept;
    void timerLoop() noexcept;
    // Sleeps, but returns at once when the threads are told to stop (false then), or, when
    // asked, once a repaint is requested.
    bool sleepUnlessStopped(long long nanoseconds, bool untilRepaint = false) noexcept;

    bool usageIsHost_;
    IWindowListener* listener_;
    int width_ = 0;
    int height_ = 0;
    ImageRef<RGBA> buffer_;
    std::atomic<bool> stopThreads_{false};
    std::atomic<bool> terminated_{false};
    // Microseconds on the monotonic clock.
    std::uint64_t creationTime_ = 0;
    std::uint64_t lastTimerTick_ = 0;
    // The last press of a clicking button, which a double click pairs with.
    X11Press lastPress_{};
    Thread eventThread_;
    Thread timerThread_;
    bool threadsStarted_ = false;
    bool useXEmbed_;
    bool useSharedMemory_;
    // The timer found something dirty and the event thread has not drawn since: requests
    // made while a draw is slow become one redraw.
    std::atomic<bool> repaintRequested_{false};
    bool firstMotionAfterEnter_ = true;
    // Clicking buttons pressed here whose release has not come (bit = MouseButton): event
    // thread only.
    unsigned buttonsDown_ = 0;
    int lastMouseX_ = 0;
    int lastMouseY_ = 0;
    UncheckedMutex eventMutex_;
    UncheckedMutex dirtyMutex_;
    // Lets the destructor cut the threads' sleeps short.
    UncheckedMutex sleepMutex_;
    ConditionVariable sleepCondition_;

    _XDisplay* display_ = nullptr;
    unsigned long window_ = 0;
    int screen_ = 0;
    void* visual_ = nullptr;
    unsigned long colormap_ = 0;
    unsigned long atomXEmbed_ = 0;
    unsigned long atomXEmbedInfo_ = 0;
    unsigned long atomDeleteWindow_ = 0;
    _XGC* graphicsContext_ = nullptr;
    // A copy of what the server shows, which redraws are compared with.
    X11ShownImage shown_;
    Vec<geom::box2i> drawnAreas_;  // event thread: what the draw repainted
    MouseCursor lastCursor_ = MouseCursor::pointer;
    unsigned long blankBitmap_ = 0;
    unsigned long hiddenCursor_ = 0;
    // Font cursors, made on first use and freed with the window (index = MouseCursor).
    unsigned long fontCursors_[6] = {};
};

}  // namespace rigging
