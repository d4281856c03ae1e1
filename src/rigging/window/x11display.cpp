#include "rigging/window/x11display.h"

#include <X11/Xlib.h>

#include <atomic>
#include <new>


namespace rigging {

namespace {

// These change only under x11Mutex(); atomics so that the accessors and the error handler
// (called on whichever thread reads an error) may read them anywhere.
std::atomic<int> windowCount{0};
std::atomic<Display*> sharedDisplay{nullptr};
std::atomic<int> displayErrors{0};
std::atomic<unsigned long> lastErrorSerial{0};
std::atomic<XErrorHandler> previousHandler{nullptr};

int onXError(Display* display, XErrorEvent* error) {
    if (display != nullptr && display == sharedDisplay.load()) {
        displayErrors.fetch_add(1);
        lastErrorSerial.store(error->serial);
        return 0;
    }
    XErrorHandler previous = previousHandler.load();
    return previous != nullptr ? previous(display, error) : 0;
}

}  // namespace

namespace {

// Made once under the language's own initialisation guard. It is freed when the process exits
// or the module holding this code is unloaded, so that a host loading and unloading a
// plug-in module loses nothing each time; a window still open then keeps it alive.
class SharedMutex {
public:
    SharedMutex() noexcept { ::new (static_cast<void*>(storage_)) UncheckedMutex(makeMutex()); }
    ~SharedMutex() {
        if (windowCount.load() == 0) get().~UncheckedMutex();
    }
    UncheckedMutex& get() noexcept {
        return *std::launder(reinterpret_cast<UncheckedMutex*>(storage_));
    }

private:
    alignas(UncheckedMutex) unsigned char storage_[sizeof(UncheckedMutex)];
};

}  // namespace

UncheckedMutex& x11Mutex() noexcept {
    static SharedMutex mutex;
    return mutex.get();
}

_XDisplay* acquireX11Display() noexcept {
    MutexLock lock(x11Mutex());
    Display* d = sharedDisplay.load();
    if (d == nullptr) {
        d = XOpenDisplay(nullptr);
        if (d == nullptr) return nullptr;
        sharedDisplay.store(d);
        lastErrorSerial.store(0);  // serials start afresh with each connection
        previousHandler = XSetErrorHandler(onXError);
    }
    windowCount.fetch_add(1);
    return d;
}

void releaseX11Display() noexcept {
    MutexLock lock(x11Mutex());
    if (windowCount.fetch_sub(1) == 1) {
        XCloseDisplay(sharedDisplay.load());
        sharedDisplay.store(nullptr);
        // Put the earlier handler back, unless somebody replaced ours meanwhile.
        XErrorHandler current = XSetErrorHandler(previousHandler.load());
        if (current != onXError) XSetErrorHandler(current);
        previousHandler.store(nullptr);
    }
}

int x11WindowCount() noexcept {
    return windowCount.load();
}

_XDisplay* x11SharedDisplay() noexcept {
    return sharedDisplay.load();
}

int x11DisplayErrorCount() noexcept {
    return displayErrors.load();
}

unsigned long x11LastErrorSerial() noexcept {
    return lastErrorSerial.load();
}

}  // namespace rigging
