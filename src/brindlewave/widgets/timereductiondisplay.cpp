#include "brindlewave/widgets/timereductiondisplay.h"

#include <algorithm>
#include <cmath>

#include "brindlewave/globals.h"
#include "brindlewave/scales.h"
#include "brindlewave/widgets/canvashelpers.h"
#include "brindlewave/widgets/depthbox.h"
#include "rigging/core/nogc.h"

namespace brindlewave {

using geom::box2i;
using geom::vec2f;
using rigging::RGBA;

namespace {

constexpr RGBA kBackground{30, 30, 30, 255};
constexpr RGBA kFirstArea{83, 198, 88, 100};
constexpr RGBA kFirstLine{103, 218, 108, 255};
constexpr RGBA kSecondArea{103, 218, 108, 150};
constexpr RGBA kSecondLine{123, 238, 128, 255};

}  // namespace

UITimeReductionDisplay::UITimeReductionDisplay(rigging::UIContext* context,
                                               const rigging::OwnedImage<RGBA>* overlay, int band,
                                               GlobalState* globalState) noexcept
    : UIElement(context, rigging::drawsRaw | rigging::isAnimated),
      depthBox_(rigging::mallocNew<UIDepthBox>(context)),
      band_(band),
      globalState_(globalState),
      overlay_(overlay) {
    fifo_.initialize(kFIFOCapacity);
    addChild(depthBox_);
}

UITimeReductionDisplay::~UITimeReductionDisplay() {
    rigging::destroyFree(depthBox_);
    rigging::freeSlice(history_);
}

void UITimeReductionDisplay::initializeBuffer() noexcept {
    if (history_.empty() && position().width() > 0) {
        history_ =
            rigging::mallocSlice<TimeReductionData>(static_cast<std::size_t>(position().width()));
        for (TimeReductionData& d : history_) d = {0.0f, 0.0f};
    }
    depthBox_->setPosition(position());
}

void UITimeReductionDisplay::pushBack(float first, float second, float rate) noexcept {
    fifo_.pushData(TimeReductionData{first, second}, rate);
}

void UITimeReductionDisplay::insertToBuffer(const TimeReductionData& item) noexcept {
    if (history_.empty()) return;
    history_[static_cast<std::size_t>(writeIndex_)] = {levelFromAmplitude(item.first),
                                                       levelFromAmplitude(item.second)};
    if (++writeIndex_ >= static_cast<int>(history_.size())) writeIndex_ = 0;
}

int UITimeReductionDisplay::pixelFromFloat(float v) const noexcept {
    return historyRowForLevel(v, position().height());
}

void UITimeReductionDisplay::onAnimate(double dt, double) noexcept {
    if (skippedWhileMoving_ && !globalState_->isPanelBeingMoved(band_)) {
        skippedWhileMoving_ = false;
        setDirtyWhole();
    }
    if (fifo_.readOldestDataAndDropSome(std::span<TimeReductionData>(&lastRead_, 1), dt, 0) > 0) {
        insertToBuffer(lastRead_);
        if (!globalState_->redrawsOnlyChanges() || !describePicture(next_) ||
            !shown_.toRedraw(next_, position().width(), position().height()).empty())
            setDirtyWhole();
    }
}

bool UITimeReductionDisplay::Picture::operator==(const Picture& o) const noexcept {
    return width == o.width && height == o.height && std::equal(first, first + width, o.first) &&
           std::equal(second, second + width, o.second);
}

bool UITimeReductionDisplay::describePicture(Picture& picture) const noexcept {
    const int w = position().width();
    if (w < 0 || w > kMaxColumns) return false;
    picture.width = w;
    picture.height = position().height();
    const int n = static_cast<int>(history_.size());
    for (int i = 0; i < w; ++i) {
        TimeReductionData d{0.0f, 0.0f};
        if (n > 0) d = history_[static_cast<std::size_t>((writeIndex_ + i) % n)];
        picture.first[i] = static_cast<std::int16_t>(pixelFromFloat(d.first));
        picture.second[i] = static_cast<std::int16_t>(pixelFromFloat(d.second));
    }
    return true;
}

void UITimeReductionDisplay::onDrawRaw(rigging::ImageRef<RGBA> rawMap,
                                       std::span<const box2i> dirtyRects) noexcept {
    if (globalState_->isPanelBeingMoved(band_)) {
        // What lies under it was redrawn without it.
        skippedWhileMoving_ = true;
        shown_.forget();
        return;
    }
    const int w = position().width(), h = position().height();
    const auto fw = static_cast<float>(w), fh = static_cast<float>(h);
    const int n = static_cast<int>(history_.size());
    for (const box2i& r : dirtyRects) {
        bindCanvas(firstArea_, rawMap, r);
        bindCanvas(firstLine_, rawMap, r);
        bindCanvas(secondArea_, rawMap, r);
        bindCanvas(secondLine_, rawMap, r);
        firstArea_.fillStyle(kBackground);
        firstArea_.fillRect(0, 0, fw, fh);
        firstArea_.fillStyle(kFirstArea);
        secondArea_.fillStyle(kSecondArea);
        firstLine_.fillStyle(kFirstLine);
        secondLine_.fillStyle(kSecondLine);
        firstArea_.beginPath();
        secondArea_.beginPath();
        firstArea_.moveTo(0, fh);
        secondArea_.moveTo(0, fh);
        for (int i = 0; i < w; ++i) {
            // Without a history yet every column is 0, the bottom edge.
            TimeReductionData d{0.0f, 0.0f};
            if (n > 0) d = history_[static_cast<std::size_t>((writeIndex_ + i) % n)];
            const auto x = static_cast<float>(i);
            const auto ya = static_cast<float>(pixelFromFloat(d.first));
            const auto yb = static_cast<float>(pixelFromFloat(d.second));
            firstArea_.lineTo(x, ya);
            secondArea_.lineTo(x, yb);
            if (i == w - 1) {
                firstArea_.lineTo(fw, ya);
                secondArea_.lineTo(fw, yb);
            }
            if (i < w - 1) {
                // Each column's outline piece is level at that column's own value; the last
                // piece reaches the right edge.
                fillLine(firstLine_, vec2f(x, ya), vec2f(x + 1.0f, ya), 2.0f);
                fillLine(secondLine_, vec2f(x, yb), vec2f(x + 1.0f, yb), 2.0f);
                if (i == w - 2) {
                    fillLine(firstLine_, vec2f(x + 1.0f, ya), vec2f(fw, ya), 2.0f);
                    fillLine(secondLine_, vec2f(x + 1.0f, yb), vec2f(fw, yb), 2.0f);
                }
            }
        }
        firstArea_.lineTo(fw, fh);
        firstArea_.lineTo(0, fh);
        firstArea_.fill();
        secondArea_.lineTo(fw, fh);
        secondArea_.lineTo(0, fh);
        secondArea_.fill();
        blendOverlay(rawMap, r, overlay_, false);
    }
    if (describePicture(drawing_))
        shown_.drew(drawing_, dirtyRects, rawMap.w, rawMap.h);
    else
        shown_.forget();
}

}  // namespace brindlewave
