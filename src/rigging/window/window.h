#pragma once
// The platform-neutral window vocabulary: what the GUI holds of its window (IWindow), how a
// window reports to the GUI (IWindowListener), and the key, mouse, cursor and pixel-format
// enumerations.

#include <cstdint>

#include "geom/box.h"
#include "rigging/core/vec.h"
#include "rigging/graphics/color.h"
#include "rigging/graphics/image.h"

namespace rigging {

enum class Key : std::int32_t {
    space = 0,
    upArrow = 1,
    downArrow = 2,
    leftArrow = 3,
    rightArrow = 4,
    digit0 = 5,   // digits 0..9 are 5..14
    lowerA = 15,  // a..z are 15..40
    upperA = 41,  // A..Z are 41..66
    backspace = 67,
    enter = 68,
    escape = 69,
    unsupported = 70,
};

enum class MouseButton : std::int32_t { left = 0, right = 1, middle = 2 };

enum class MouseCursor : std::int32_t {
    pointer = 0,
    linkSelect = 1,
    cross = 2,
    move = 3,
    horizontalResize = 4,
    verticalResize = 5,
    hidden = 6,
};

// Byte order of the window buffer's pixels in memory.
enum class WindowPixelFormat : std::int32_t { BGRA8 = 0, ARGB8 = 1, RGBA8 = 2 };

// Values 1 to 3 name platforms this system has no window for.
enum class WindowBackend : std::int32_t { autodetect = 0, x11 = 4 };

enum class WindowUsage : std::int32_t { plugin = 0, host = 1 };

struct MouseState {
    bool leftButtonDown = false;
    bool rightButtonDown = false;
    bool middleButtonDown = false;
    bool x1ButtonDown = false;  // never set on this platform
    bool x2ButtonDown = false;  // never set on this platform
    bool ctrlPressed = false;
    bool shiftPressed = false;
    bool altPressed = false;
};

class IWindow {
public:
    virtual ~IWindow() = default;

    // Blocks until one event of this window arrives and processes it (host use only).
    virtual void waitEventAndDispatch() noexcept = 0;
    // The native window has been destroyed.
    virtual bool terminated() noexcept = 0;
    // Wall clock in milliseconds, wrapping.
    virtual std::uint32_t getTimeMs() noexcept = 0;
    // The native window id.
    virtual void* systemHandle() noexcept = 0;
};

// Coordinates are window pixels, origin top-left. dt and time of onAnimate are milliseconds.
class IWindowListener {
public:
    virtual ~IWindowListener() = default;

    // isDoubleClick: the window pairs this press with the previous one (same button, soon
    // after, close by); the listener still decides whether both went to the same target.
    virtual bool onMouseClick(int x, int y, MouseButton mb, bool isDoubleClick,
                              MouseState mstate) noexcept = 0;
    virtual bool onMouseRelease(int x, int y, MouseButton mb, MouseState mstate) noexcept = 0;
    virtual bool onMouseWheel(int x, int y, int wheelDeltaX, int wheelDeltaY,
                              MouseState mstate) noexcept = 0;
    virtual void onMouseMove(int x, int y, int dx, int dy, MouseState mstate) noexcept = 0;
    virtual bool onKeyDown(Key key) noexcept = 0;
    virtual bool onKeyUp(Key key) noexcept = 0;
    // Brings the window buffer up to date, in the given byte order.
    virtual void onDraw(WindowPixelFormat pf) noexcept = 0;
    // The new window buffer; the listener owns it.
    virtual ImageRef<RGBA> onResized(int width, int height) noexcept = 0;
    virtual void recomputeDirtyAreas() noexcept = 0;
    // Bounding box of what must be repainted; empty when nothing.
    virtual geom::box2i getDirtyRectangle() noexcept = 0;
    // Appends the areas the next draw repaints, within the dirty rectangle, so that only they
    // are compared with what the server shows. By default the dirty rectangle itself.
    virtual void getDirtyAreas(Vec<geom::box2i>& areas) noexcept {
        const geom::box2i r = getDirtyRectangle();
        if (!r.empty()) areas.pushBack(r);
    }
    // A drag's release will not come: a motion arrived with no button held after a press
    // here, or the window closed.
    virtual void onMouseCaptureCancelled() noexcept = 0;
    virtual void onAnimate(double dt, double time) noexcept = 0;
    virtual MouseCursor getMouseCursor() noexcept = 0;
};

// Options a plug-in module chooses for its windows.
struct WindowOptions {
    // Announce the window to its embedder with the XEmbed protocol and reparent into it.
    bool useXEmbed = false;
    // Hand pixels to a server on this machine through shared memory when it offers that;
    // otherwise (or when the environment sets RIGGING_X11_NO_SHM) they go through the connection.
    bool useSharedMemory = true;
};

// A new window of the given size inside parentInfo (a native window id, or null for none), or
// null when the backend has no window here or no display can be opened. Free it with
// destroyFree; that joins its threads. controlInfo is not used.
IWindow* createWindow(WindowUsage usage, void* parentInfo, void* controlInfo,
                      IWindowListener* listener, WindowBackend backend, int width, int height,
                      WindowOptions options = {}) noexcept;

}  // namespace rigging
