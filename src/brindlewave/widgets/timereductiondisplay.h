#pragma once
// The scrolling gain-reduction history of a band: one pixel column per animation tick, the
// band's input level as a filled curve behind, its output level in front, each outlined, with
// an overlay image on top. A depth box child sinks the same rectangle into the lit surface.
//
// The audio thread pushes one item per meter update into a timed FIFO with a try-lock (a busy
// lock loses the item); each animation tick takes the oldest item and drops as many as the
// elapsed time accounts for.

#include <cstdint>
#include <span>

#include "brindlewave/widgets/drawnpicture.h"
#include "rigging/canvas/canvas.h"
#include "rigging/core/ringbuf.h"
#include "rigging/gui/element.h"

namespace brindlewave {

class GlobalState;
class UIDepthBox;

// Linear amplitudes: the band's input level, then its output level.
struct TimeReductionData {
    float first;
    float second;
};

class UITimeReductionDisplay : public rigging::UIElement {
public:
    static constexpr int kFIFOCapacity = 8;

    // The overlay is borrowed and may be null.
    UITimeReductionDisplay(rigging::UIContext* context,
                           const rigging::OwnedImage<rigging::RGBA>* overlay, int band,
                           GlobalState* globalState) noexcept;
    ~UITimeReductionDisplay() override;

    // Makes the history (one entry per column, all 0) the first time, and places the depth box
    // over the element. Called by the owning panel after placing the element.
    void initializeBuffer() noexcept;
    // Audio thread; never blocks.
    void pushBack(float first, float second, float rate) noexcept;
    // Writes one column (levels of both amplitudes) and moves on.
    void insertToBuffer(const TimeReductionData& item) noexcept;
    // ceil(height - height x v); NaN counts as 0.
    int pixelFromFloat(float v) const noexcept;

    // Oldest column first.
    std::span<const TimeReductionData> history() const noexcept { return history_; }
    int writeIndex() const noexcept { return writeIndex_; }
    UIDepthBox* depthBox() const noexcept { return depthBox_; }

    // What the display shows, as drawn: both curves' rows, oldest column first. A flat trace
    // that scrolls keeps its picture.
    static constexpr int kMaxColumns = 1000;
    struct Picture {
        int width = 0, height = 0;
        std::int16_t first[kMaxColumns] = {};
        std::int16_t second[kMaxColumns] = {};
        bool operator==(const Picture& o) const noexcept;
        // Scrolling moves every column: any difference redraws all of it.
        static geom::box2i changedArea(const Picture& from, const Picture& to, int w,
                                       int h) noexcept {
            return from == to ? geom::box2i() : geom::box2i(0, 0, w, h);
        }
    };
    // False for a display too wide to describe, which then always redraws.
    bool describePicture(Picture& picture) const noexcept;

    void onAnimate(double dt, double time) noexcept override;
    void onDrawRaw(rigging::ImageRef<rigging::RGBA> rawMap,
                   std::span<const geom::box2i> dirtyRects) noexcept override;

private:
    UIDepthBox* depthBox_;
    std::span<TimeReductionData> history_;
    int writeIndex_ = 0;
    rigging::TimedFIFO<TimeReductionData> fifo_;
    TimeReductionData lastRead_{0.0f, 0.0f};
    int band_;
    GlobalState* globalState_;
    bool skippedWhileMoving_ = false;
    Picture next_;     // the tick's
    Picture drawing_;  // the draw's
    DrawnPicture<Picture> shown_;
    rigging::Canvas firstArea_;
    rigging::Canvas firstLine_;
    rigging::Canvas secondArea_;
    rigging::Canvas secondLine_;
    const rigging::OwnedImage<rigging::RGBA>* overlay_;
};

}  // namespace brindlewave
