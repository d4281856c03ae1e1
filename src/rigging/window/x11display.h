#pragma once
// The one X display connection that every window of the process shares, and the process-wide
// mutex held around every Xlib call made on it.

#include "rigging/core/sync.h"

struct _XDisplay;

namespace rigging {

// Recursive; created once, on first use, so that windows opening on two threads at once (two
// plug-in instances) always find it; freed at exit or unload unless a window is still open.
UncheckedMutex& x11Mutex() noexcept;

// Counts one more window on the shared display, opening the display for the first window.
// Null when no display can be opened; nothing is counted then.
// While the display is open, X errors on it are counted and otherwise ignored: a request on a
// window that the host has just destroyed (with ours inside it) must not end the host, which
// is what Xlib's default handler does. Errors on other connections go to the handler that was
// installed before.
_XDisplay* acquireX11Display() noexcept;

// Counts one window less; the last one closes the display.
void releaseX11Display() noexcept;

// Windows counted on the shared display, and the display itself (null while none is counted).
int x11WindowCount() noexcept;
_XDisplay* x11SharedDisplay() noexcept;

// X errors seen on the shared display since the process started, and the request serial of
// the latest one (0 before any).
int x11DisplayErrorCount() noexcept;
unsigned long x11LastErrorSerial() noexcept;

}  // namespace rigging
