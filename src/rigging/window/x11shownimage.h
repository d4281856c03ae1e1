#pragma once
// What the X server shows of a window, kept on the client side: a copy of every pixel put,
// so that a redraw sends only what differs from it. The copy lives in a shared memory segment
// that the server reads directly when the display is on this machine and offers shared
// memory; otherwise it is ordinary memory sent through the connection.

#include <atomic>
#include <cstdint>
#include <span>

#include "geom/box.h"
#include "rigging/core/vec.h"
#include "rigging/graphics/color.h"
#include "rigging/graphics/image.h"

struct _XDisplay;
struct _XGC;
struct _XImage;

namespace rigging {

class X11ShownImage {
public:
    // Side length of the tiles in which changes are found and sent.
    static constexpr int kTileSize = 32;
    // Neighbouring changes are put as one when that sends at most this many pixels more.
    static constexpr long long kJoinSlackPixels = 4096;

    X11ShownImage() noexcept = default;
    X11ShownImage(const X11ShownImage&) = delete;
    X11ShownImage& operator=(const X11ShownImage&) = delete;
    ~X11ShownImage() { destroy(); }

    // A black width x height copy for `window`, in shared memory when allowed and possible.
    // Takes the X mutex. False when there is nothing to show (a size below 1).
    bool create(_XDisplay* display, void* visual, unsigned long window, _XGC* gc, int width,
                int height, bool trySharedMemory) noexcept;
    // Detaches the server from the segment (whether or not the window still exists) and frees
    // everything. Takes the X mutex.
    void destroy() noexcept;

    bool valid() const noexcept { return image_ != nullptr; }
    bool usesSharedMemory() const noexcept { return shmAttached_; }
    // The event type the server reports a finished shared put with; -1 when puts are not shared.
    int completionEventType() const noexcept { return shmAttached_ ? completionType_ : -1; }
    // The server has finished the last shared put: the segment may be written again.
    void completed() noexcept { putPending_ = false; }

    // Brings the server's window up to `drawn`: within the disjoint `changedRegions`, only the
    // tiles that differ from what was last put; `exposedRegion` (content the server lost) in
    // full. Waits for the previous shared put to finish before writing the segment. Event
    // thread.
    void show(const ImageRef<RGBA>& drawn, std::span<const geom::box2i> changedRegions,
              const geom::box2i& exposedRegion) noexcept;

    // Rectangles and pixels put since creation.
    long long putCount() const noexcept { return puts_.load(std::memory_order_relaxed); }
    long long pixelsPut() const noexcept { return pixels_.load(std::memory_order_relaxed); }

private:
    bool attachSharedMemory(void* visual, int width, int height) noexcept;
    void waitForCompletion() noexcept;

    _XDisplay* display_ = nullptr;
    unsigned long window_ = 0;
    _XGC* gc_ = nullptr;
    _XImage* image_ = nullptr;
    ImageRef<RGBA> shown_;
    // Shared memory: the segment id and where it is mapped here (-1 and null when none).
    int shmId_ = -1;
    void* shmAddress_ = nullptr;
    unsigned long shmSeg_ = 0;  // the server's name for the attached segment
    bool shmAttached_ = false;
    int completionType_ = -1;
    bool putPending_ = false;
    // Plain memory when not shared.
    RGBA* ownPixels_ = nullptr;
    Vec<geom::box2i> changed_;
    std::atomic<long long> puts_{0}, pixels_{0};
};

// Whether the X connection on this socket goes to a server on this machine.
bool isLocalX11Connection(int fd) noexcept;

}  // namespace rigging
