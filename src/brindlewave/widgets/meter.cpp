#include "brindlewave/widgets/meter.h"

#include <algorithm>
#include <climits>

#include "brindlewave/globals.h"
#include "brindlewave/paramids.h"
#include "brindlewave/scales.h"
#include "brindlewave/widgets/canvashelpers.h"

namespace brindlewave {

using geom::box2i;
using rigging::RGBA;

namespace {

constexpr RGBA kBackground{0, 0, 0, 250};
constexpr RGBA kOutputBar{83, 198, 88, 255};
constexpr RGBA kOutputLine{133, 248, 138, 255};
constexpr RGBA kReductionBand{61, 125, 63, 255};
constexpr RGBA kInputLine{83, 198, 88, 255};
constexpr RGBA kThresholdIndicator{200, 200, 200, 100};

}  // namespace

UIMeter::UIMeter(rigging::UIContext* context, rigging::Font* font, rigging::Client& client,
                 int band, GlobalState* globalState,
                 const rigging::OwnedImage<RGBA>* overlay) noexcept
    : UIElement(context, rigging::drawsRaw | rigging::drawsPBR | rigging::isAnimated),
      font_(font),
      band_(band),
      client_(&client),
      thresholdParam_(static_cast<rigging::FloatParameter*>(client.param(param::threshold(band)))),
      globalState_(globalState),
      overlay_(overlay) {
    const float t = levelFromThreshold(static_cast<float>(thresholdParam_->valueAtomic()));
    threshold_.store(t, std::memory_order_relaxed);
    shownThreshold_ = t;
    thresholdParam_->addListener(this);
}

UIMeter::~UIMeter() {
    thresholdParam_->removeListener(this);
}

void UIMeter::updateValues(float input, float output, float) noexcept {
    if (callCounter_++ < 2) return;
    callCounter_ = 0;
    inputLevel_.store(levelFromAmplitude(input), std::memory_order_relaxed);
    outputLevel_.store(levelFromAmplitude(output), std::memory_order_relaxed);
    levelsPending_.store(true, std::memory_order_release);
}

void UIMeter::updateThreshold() noexcept {
    threshold_.store(levelFromThreshold(static_cast<float>(thresholdParam_->valueAtomic())),
                     std::memory_order_relaxed);
    thresholdPending_.store(true, std::memory_order_release);
}

void UIMeter::onParameterChanged(rigging::Parameter*) {
    if (globalState_->isPanelBeingMoved(band_)) return;
    updateThreshold();
}

int UIMeter::inputRow() const noexcept {
    return rowForLevel(shownInput_, height());
}
int UIMeter::outputRow() const noexcept {
    return rowForLevel(shownOutput_, height());
}
int UIMeter::thresholdRow() const noexcept {
    return rowForLevel(shownThreshold_, height());
}

void UIMeter::onAnimate(double, double) noexcept {
    // While the panel moves the levels go on being drawn on the raw layer; the depth write,
    // the whole redraw and threshold changes wait for the end of the move.
    const bool moving = globalState_->isPanelBeingMoved(band_);
    const int h = height();
    bool whole = false;
    if (!moving) {
        whole = skippedWhileMoving_;
        skippedWhileMoving_ = false;
        if (globalState_->doesMeterNeedUpdate(band_)) {
            globalState_->flagMeterToUpdate(band_, false);
            whole = true;
        }
    }
    int lo = INT_MAX, hi = INT_MIN;
    auto include = [&](float level) {
        const int row = rowForLevel(level, h);
        lo = std::min(lo, row);
        hi = std::max(hi, row);
    };
    if (levelsPending_.exchange(false, std::memory_order_acq_rel)) {
        const float in = inputLevel_.load(std::memory_order_relaxed);
        const float out = outputLevel_.load(std::memory_order_relaxed);
        include(shownInput_);
        include(shownOutput_);
        include(in);
        include(out);
        shownInput_ = in;
        shownOutput_ = out;
    }
    if (!moving && thresholdPending_.exchange(false, std::memory_order_acq_rel)) {
        const float t = threshold_.load(std::memory_order_relaxed);
        include(shownThreshold_);
        include(t);
        shownThreshold_ = t;
    }
    if (whole) {
        setDirtyWhole();
    } else if (lo < hi) {
        const int top = std::clamp(lo - 5, 0, std::max(h - 1, 0));
        const int bottom = std::clamp(hi + 5, 0, std::max(h - 1, 0));
        setDirty(box2i(0, top, position().width(), bottom + 1), rigging::UILayer::rawOnly);
    }
}

void UIMeter::onDrawRaw(rigging::ImageRef<RGBA> rawMap,
                        std::span<const box2i> dirtyRects) noexcept {
    const int w = position().width(), h = height();
    const int in = inputRow(), out = outputRow(), thr = thresholdRow();
    const auto fw = static_cast<float>(w);
    for (const box2i& r : dirtyRects) {
        bindCanvas(canvas_, rawMap, r);
        canvas_.fillStyle(kBackground);
        canvas_.fillRect(0, 0, fw, static_cast<float>(h));
        canvas_.fillStyle(kReductionBand);
        canvas_.fillRect(0, static_cast<float>(in), fw, static_cast<float>(out - in));
        canvas_.fillStyle(kInputLine);
        canvas_.fillRect(0, static_cast<float>(in - 1), fw, 2);
        canvas_.fillStyle(kOutputBar);
        canvas_.fillRect(0, static_cast<float>(out), fw, static_cast<float>(h - out));
        canvas_.fillStyle(kOutputLine);
        canvas_.fillRect(0, static_cast<float>(out - 1), fw, 2);

        // The threshold: a one-pixel line with three-pixel ticks at both ends.
        for (int y = std::max(r.min.y, thr - 1); y < std::min(r.max.y, thr + 2); ++y) {
            RGBA* row = rawMap.scanlinePtr(y);
            for (int x = r.min.x; x < r.max.x; ++x)
                if (y == thr || x == 0 || x == w - 1) row[x] = kThresholdIndicator;
        }
        blendOverlay(rawMap, r, overlay_, false);
    }
}

void UIMeter::onDrawPBR(rigging::ImageRef<RGBA>, rigging::ImageRef<rigging::L16> depthMap,
                        rigging::ImageRef<RGBA>, std::span<const box2i> dirtyRects) noexcept {
    if (globalState_->isPanelBeingMoved(band_)) {
        skippedWhileMoving_ = true;
        return;
    }
    // Sunk into the surface.
    fillDepth(depthMap, dirtyRects, 0);
}

}  // namespace brindlewave
