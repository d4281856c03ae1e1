#include "brindlewave/widgets/compdisplay.h"

#include <cmath>

#include "brindlewave/globals.h"
#include "brindlewave/widgets/canvashelpers.h"
#include "brindlewave/widgets/scales.h"

namespace brindlewave {

using geom::box2i;
using geom::vec2f;
using rigging::RGBA;

namespace {

constexpr RGBA kBackground{30, 30, 30, 255};
constexpr RGBA kArea{103, 218, 108, 150};
constexpr RGBA kLine{103, 218, 108, 255};

}  // namespace

UICompDisplay::UICompDisplay(rigging::UIContext* context, rigging::FloatParameter* threshold,
                             rigging::FloatParameter* ratio, rigging::FloatParameter* gain,
                             const rigging::OwnedImage<RGBA>* overlay, rigging::Font* font,
                             int band, GlobalState* globalState) noexcept
    : UIElement(context, rigging::drawsRaw | rigging::drawsPBR | rigging::isAnimated),
      thresholdParam_(threshold),
      ratioParam_(ratio),
      gainParam_(gain),
      band_(band),
      globalState_(globalState),
      overlay_(overlay),
      font_(font) {
    thresholdParam_->addListener(this);
    ratioParam_->addListener(this);
}

UICompDisplay::~UICompDisplay() {
    thresholdParam_->removeListener(this);
    ratioParam_->removeListener(this);
}

void UICompDisplay::allocBuffers() noexcept {
    calcPoints();
}

void UICompDisplay::calcPoints() noexcept {
    const float W = static_cast<float>(position().width());
    const float H = static_cast<float>(position().height());
    const float t = static_cast<float>(thresholdParam_->valueAtomic());
    const float r = static_cast<float>(ratioParam_->valueAtomic());
    // The parameters keep both in range; a wild value still leaves the knee inside.
    float tn = levelFromThreshold(t);
    if (!(tn > 0.0f)) tn = 0.0f;
    if (tn > 1.0f) tn = 1.0f;
    const float inverseRatio = r >= 1.0f ? 1.0f / r : 1.0f;
    start_ = vec2f(0.0f, H);
    const float kneeX = std::trunc(W * tn);
    knee_ = vec2f(kneeX, H - std::trunc(H * tn));
    end_ = vec2f(W, H - std::trunc((W - kneeX) * inverseRatio + kneeX));
    pointsComputed_ = true;
}

bool UICompDisplay::skipDraw() noexcept {
    if (!globalState_->isPanelBeingMoved(band_)) return false;
    redrawPending_ = true;
    return true;
}

void UICompDisplay::onParameterChanged(rigging::Parameter*) {
    parametersChanged_.store(true, std::memory_order_release);
}

void UICompDisplay::onAnimate(double, double) noexcept {
    if (globalState_->isPanelBeingMoved(band_)) return;
    const bool changed = parametersChanged_.exchange(false, std::memory_order_acq_rel);
    if (!changed && !redrawPending_) return;
    if (changed || !pointsComputed_) calcPoints();
    redrawPending_ = false;
    setDirtyWhole(rigging::UILayer::rawOnly);
}

void UICompDisplay::onDrawRaw(rigging::ImageRef<RGBA> rawMap,
                              std::span<const box2i> dirtyRects) noexcept {
    if (skipDraw()) return;
    const auto W = static_cast<float>(position().width());
    const auto H = static_cast<float>(position().height());
    for (const box2i& r : dirtyRects) {
        bindCanvas(canvas_, rawMap, r);
        canvas_.fillStyle(kBackground);
        canvas_.fillRect(0, 0, W, H);
        canvas_.fillStyle(kArea);
        canvas_.beginPath();
        canvas_.moveTo(start_.x, start_.y);
        canvas_.lineTo(knee_.x, knee_.y);
        canvas_.lineTo(end_.x, end_.y);
        canvas_.lineTo(W, H);
        canvas_.lineTo(0, H);
        canvas_.lineTo(start_.x, start_.y);
        canvas_.fill();
        canvas_.fillStyle(kLine);
        fillLine(canvas_, start_, knee_, 2.0f);
        fillLine(canvas_, knee_, end_, 2.0f);
        blendOverlay(rawMap, r, overlay_, true);
    }
}

void UICompDisplay::onDrawPBR(rigging::ImageRef<RGBA>, rigging::ImageRef<rigging::L16> depthMap,
                              rigging::ImageRef<RGBA>, std::span<const box2i> dirtyRects) noexcept {
    if (skipDraw()) return;
    fillDepth(depthMap, dirtyRects, 0);
}

}  // namespace brindlewave
