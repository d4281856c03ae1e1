#include "rigging/window/x11shownimage.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <dlfcn.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/socket.h>
#include <time.h>

#include <cstdlib>
#include <new>

#include "rigging/window/changedtiles.h"
#include "rigging/window/x11display.h"

namespace rigging {

using geom::box2i;

namespace {

// A server that never reports a put finished (its window went away meanwhile) is waited for
// this long, then synchronised with instead.
constexpr long long kCompletionTimeoutNs = 100000000;

// The shared memory calls, looked up at run time: a module that needed the extension's library
// would not load where it is missing, and without it the pixels still go through the
// connection.
struct SharedMemoryCalls {
    decltype(&XShmQueryVersion) queryVersion = nullptr;
    decltype(&XShmCreateImage) createImage = nullptr;
    decltype(&XShmAttach) attach = nullptr;
    decltype(&XShmDetach) detach = nullptr;
    decltype(&XShmPutImage) putImage = nullptr;
    decltype(&XShmGetEventBase) eventBase = nullptr;
    bool available = false;
};

template <typename F>
void lookUp(void* library, const char* name, F& f) noexcept {
    f = reinterpret_cast<F>(dlsym(library, name));
}

const SharedMemoryCalls& sharedMemoryCalls() noexcept {
    static const SharedMemoryCalls calls = [] {
        SharedMemoryCalls c;
        // Kept loaded: the server may still hold a segment attached through it.
        void* library = dlopen("libXext.so.6", RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr) return c;
        lookUp(library, "XShmQueryVersion", c.queryVersion);
        lookUp(library, "XShmCreateImage", c.createImage);
        lookUp(library, "XShmAttach", c.attach);
        lookUp(library, "XShmDetach", c.detach);
        lookUp(library, "XShmPutImage", c.putImage);
        lookUp(library, "XShmGetEventBase", c.eventBase);
        c.available =
            c.queryVersion && c.createImage && c.attach && c.detach && c.putImage && c.eventBase;
        return c;
    }();
    return calls;
}

long long monotonicNs() noexcept {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

}  // namespace

bool isLocalX11Connection(int fd) noexcept {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) return false;
    return address.ss_family == AF_UNIX;
}

bool X11ShownImage::create(_XDisplay* display, void* visual, unsigned long window, _XGC* gc,
                           int width, int height, bool trySharedMemory) noexcept {
    destroy();
    if (width < 1 || height < 1) return false;
    display_ = display;
    window_ = window;
    gc_ = gc;
    MutexLock lock(x11Mutex());
    if (trySharedMemory && attachSharedMemory(visual, width, height)) return true;

    ownPixels_ = static_cast<RGBA*>(
        std::calloc(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 4));
    if (ownPixels_ == nullptr) return false;
    image_ = XCreateImage(display_, static_cast<Visual*>(visual), 24, ZPixmap, 0,
                          reinterpret_cast<char*>(ownPixels_), static_cast<unsigned>(width),
                          static_cast<unsigned>(height), 32, width * 4);
    if (image_ == nullptr) {
        std::free(ownPixels_);
        ownPixels_ = nullptr;
        return false;
    }
    shown_ = ImageRef<RGBA>{width, height, static_cast<std::size_t>(width) * 4, ownPixels_};
    return true;
}

bool X11ShownImage::attachSharedMemory(void* visual, int width, int height) noexcept {
    const SharedMemoryCalls& shm = sharedMemoryCalls();
    int major = 0, minor = 0;
    Bool pixmaps = False;
    if (!shm.available || !isLocalX11Connection(ConnectionNumber(display_)) ||
        !shm.queryVersion(display_, &major, &minor, &pixmaps))
        return false;
    auto* info = new (std::nothrow) XShmSegmentInfo{};
    if (info == nullptr) return false;
    XImage* image =
        shm.createImage(display_, static_cast<Visual*>(visual), 24, ZPixmap, nullptr, info,
                        static_cast<unsigned>(width), static_cast<unsigned>(height));
    if (image == nullptr || image->bits_per_pixel != 32 || image->bytes_per_line < width * 4) {
        if (image != nullptr) XDestroyImage(image);
        delete info;
        return false;
    }
    const std::size_t bytes =
        static_cast<std::size_t>(image->bytes_per_line) * static_cast<std::size_t>(height);
    info->shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    void* address = info->shmid >= 0 ? shmat(info->shmid, nullptr, 0) : reinterpret_cast<void*>(-1);
    if (address == reinterpret_cast<void*>(-1)) {
        if (info->shmid >= 0) shmctl(info->shmid, IPC_RMID, nullptr);
        XDestroyImage(image);
        delete info;
        return false;
    }
    info->shmaddr = image->data = static_cast<char*>(address);
    info->readOnly = True;

    // A server that cannot reach the segment (another machine behind a local socket, or one
    // in another IPC namespace) answers the attach with an error on our connection.
    const unsigned long request = NextRequest(display_);
    const int errorsBefore = x11DisplayErrorCount();
    const bool sent = shm.attach(display_, info);
    XSync(display_, False);
    const bool refused =
        !sent || (x11DisplayErrorCount() != errorsBefore && x11LastErrorSerial() >= request);
    // Marked for removal now: it goes away when both sides have detached, even should this
    // process end without closing the window.
    shmctl(info->shmid, IPC_RMID, nullptr);
    if (refused) {
        shmdt(address);
        image->data = nullptr;
        XDestroyImage(image);
        delete info;
        return false;
    }
    shmId_ = info->shmid;
    shmAddress_ = address;
    shmSeg_ = info->shmseg;
    shmAttached_ = true;
    completionType_ = shm.eventBase(display_) + ShmCompletion;
    image_ = image;
    shown_ = ImageRef<RGBA>{width, height, static_cast<std::size_t>(image->bytes_per_line),
                            static_cast<RGBA*>(address)};
    std::memset(address, 0, bytes);
    return true;
}

void X11ShownImage::destroy() noexcept {
    if (image_ == nullptr) return;
    MutexLock lock(x11Mutex());
    if (shmAttached_) {
        auto* info = reinterpret_cast<XShmSegmentInfo*>(image_->obdata);
        // The attachment belongs to the connection, not to the window: it is undone even when
        // the host has destroyed the window already. The sync makes sure the server has let go
        // before the memory goes.
        sharedMemoryCalls().detach(display_, info);
        XSync(display_, False);
        shmdt(shmAddress_);
        image_->data = nullptr;
        XDestroyImage(image_);
        delete info;
    } else {
        image_->data = nullptr;
        XDestroyImage(image_);
        std::free(ownPixels_);
    }
    image_ = nullptr;
    ownPixels_ = nullptr;
    shmId_ = -1;
    shmAddress_ = nullptr;
    shmSeg_ = 0;
    shmAttached_ = false;
    putPending_ = false;
    shown_ = {};
}

void X11ShownImage::waitForCompletion() noexcept {
    const long long deadline = monotonicNs() + kCompletionTimeoutNs;
    while (putPending_) {
        {
            MutexLock lock(x11Mutex());
            XEvent event;
            if (XCheckTypedWindowEvent(display_, window_, completionType_, &event)) {
                putPending_ = false;
                break;
            }
            if (monotonicNs() > deadline) {
                XSync(display_, False);  // every earlier request, the put included, is done
                putPending_ = false;
                break;
            }
        }
        timespec pause{0, 100000};
        nanosleep(&pause, nullptr);
    }
}

void X11ShownImage::show(const ImageRef<RGBA>& drawn, std::span<const box2i> changedRegions,
                         const box2i& exposedRegion) noexcept {
    if (image_ == nullptr || drawn.pixels == nullptr) return;
    if (shmAttached_) waitForCompletion();
    changed_.clearContents();
    // The exposed area first: it then matches what was drawn, so every changed pixel found after
    // it lies outside it, though a tile's box around changes beside it may overlap it (those
    // pixels are then put twice, which shows the same).
    const box2i exposed = copyArea(drawn, shown_, exposedRegion);
    if (!exposed.empty()) changed_.pushBack(exposed);
    // Region by region: the boxes of one lie inside it, so they stay disjoint from the others'.
    for (const box2i& region : changedRegions) {
        const std::size_t firstChange = changed_.length();
        takeChangedTiles(drawn, shown_, region, kTileSize, changed_);
        joinNeighbours(changed_, firstChange, kJoinSlackPixels);
    }
    if (changed_.length() == 0) return;

    MutexLock lock(x11Mutex());
    for (std::size_t i = 0; i < changed_.length(); ++i) {
        const box2i& b = changed_[i];
        const auto w = static_cast<unsigned>(b.width()), h = static_cast<unsigned>(b.height());
        // Counted before the server can see it, so that whoever sees the pixels sees the count.
        puts_.fetch_add(1, std::memory_order_relaxed);
        pixels_.fetch_add(static_cast<long long>(w) * h, std::memory_order_relaxed);
        if (shmAttached_) {
            // Only the last put asks to hear when it is done: the server handles them in order.
            const bool last = i + 1 == changed_.length();
            sharedMemoryCalls().putImage(display_, window_, gc_, image_, b.min.x, b.min.y, b.min.x,
                                         b.min.y, w, h, last ? True : False);
        } else {
            XPutImage(display_, window_, gc_, image_, b.min.x, b.min.y, b.min.x, b.min.y, w, h);
        }
    }
    putPending_ = shmAttached_;
    XFlush(display_);
}

}  // namespace rigging
