#include "rigging/window/window.h"

#include <cstdint>

#include "rigging/core/nogc.h"
#include "rigging/window/x11window.h"

namespace rigging {

IWindow* createWindow(WindowUsage usage, void* parentInfo, void* /*controlInfo*/,
                      IWindowListener* listener, WindowBackend backend, int width, int height,
                      WindowOptions options) noexcept {
    if (backend != WindowBackend::autodetect && backend != WindowBackend::x11) return nullptr;
    // X refuses windows without area, and a window nobody listens to has nothing to show.
    if (listener == nullptr || width < 1 || height < 1) return nullptr;
    auto parent = static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(parentInfo));
    auto* window = mallocNew<X11Window>(usage, parent, listener, width, height, options);
    if (!window->isOpen()) {
        destroyFree(window);
        return nullptr;
    }
    return window;
}

}  // namespace rigging
