#include "brindlewave/widgets/compdisplay.h"

#include <cmath>

#include "brindlewave/globals.h"
#include "brindlewave/scales.h"
#include "brindlewave/widgets/canvashelpers.h"

namespace brindlewave {

using geom::box2i;
using geom::vec2f;
using rigging::RGBA;

UICompDisplay::UICompDisplay(rigging::UIContext* context, rigging::FloatParameter* threshold,
                             rigging::FloatParameter* ratio, rigging::FloatParameter* gain,
                             const rigging::OwnedImage<RGBA>* overlay, rigging::Font* font,
                             int band, GlobalState* globalState) noexcept
    : UIElement(context, rigging::drawsRaw | rigging::drawsPBR | rigging::isAnimated),
      thresholdParam_(threshold),
      ratioParam_(ratio),
      gainParam_(gain),
      redraw_(globalState, band),
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
    const float tn = levelFromDecibels(t);
    const float inverseRatio = r >= 1.0f ? 1.0f / r : 1.0f;
    start_ = vec2f(0.0f, H);
    const auto kneeX = static_cast<float>(levelSpan(tn, position().width()));
    knee_ = vec2f(kneeX, H - static_cast<float>(levelSpan(tn, position().height())));
    end_ = vec2f(W, H - std::trunc((W - kneeX) * inverseRatio + kneeX));
    pointsComputed_ = true;
}

bool UICompDisplay::skipDraw() noexcept {
    return redraw_.skip();
}

void UICompDisplay::onParameterChanged(rigging::Parameter*) {
    redraw_.flagChange();
}

void UICompDisplay::onAnimate(double, double) noexcept {
    bool changed = false;
    if (!redraw_.take(changed)) return;
    if (changed || !pointsComputed_) calcPoints();
    setDirtyWhole(rigging::UILayer::rawOnly);
}

void UICompDisplay::onDrawRaw(rigging::ImageRef<RGBA> rawMap,
                              std::span<const box2i> dirtyRects) noexcept {
    if (skipDraw()) return;
    const auto W = static_cast<float>(position().width());
    const auto H = static_cast<float>(position().height());
    for (const box2i& r : dirtyRects) {
        bindCanvas(canvas_, rawMap, r);
        canvas_.fillStyle(kCurveBackground);
        canvas_.fillRect(0, 0, W, H);
        // The end sits on the right edge, so the area closes through (W, H) and (0, H).
        const vec2f curve[] = {start_, knee_, end_};
        canvas_.fillStyle(kCurveArea);
        fillAreaUnder(canvas_, curve, H);
        canvas_.fillStyle(kCurveLine);
        fillPolyline(canvas_, curve, 2.0f);
        blendOverlay(rawMap, r, overlay_, true);
    }
}

void UICompDisplay::onDrawPBR(rigging::ImageRef<RGBA>, rigging::ImageRef<rigging::L16> depthMap,
                              rigging::ImageRef<RGBA>, std::span<const box2i> dirtyRects) noexcept {
    if (skipDraw()) return;
    fillDepth(depthMap, dirtyRects, 0);
}

}  // namespace brindlewave
