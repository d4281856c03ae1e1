#include "brindlewave/widgets/envelopedisplay.h"

#include <cmath>

#include "brindlewave/globals.h"
#include "brindlewave/widgets/canvashelpers.h"
#include "rigging/core/nogc.h"

namespace brindlewave {

using geom::box2i;
using geom::vec2f;
using rigging::RGBA;

namespace {

constexpr float kPulseLevel = 0.9f;

}  // namespace

UIEnvelopeDisplay::UIEnvelopeDisplay(rigging::UIContext* context, rigging::FloatParameter* attack,
                                     rigging::FloatParameter* release,
                                     const rigging::OwnedImage<RGBA>* overlay, int band,
                                     GlobalState* globalState) noexcept
    : UIElement(context, rigging::drawsRaw | rigging::drawsPBR | rigging::isAnimated),
      attackParam_(attack),
      releaseParam_(release),
      detector_(rigging::mallocNew<audiofx::PeakDetector>()),
      overlay_(overlay),
      redraw_(globalState, band) {
    detector_->setTimeConstant(0.01f);
    attackParam_->addListener(this);
    releaseParam_->addListener(this);
    updateBuffer(static_cast<float>(attackParam_->valueAtomic()),
                 static_cast<float>(releaseParam_->valueAtomic()));
}

UIEnvelopeDisplay::~UIEnvelopeDisplay() {
    attackParam_->removeListener(this);
    releaseParam_->removeListener(this);
    rigging::destroyFree(detector_);
    rigging::freeSlice(buffer_);
    rigging::freeSlice(points_);
}

void UIEnvelopeDisplay::updateBuffer(float attackMs, float releaseMs) noexcept {
    attack_ = attackMs;
    release_ = releaseMs;
    detector_->setSampleRate(2.0f * releaseMs + attackMs);
    detector_->setEnvelope(attackMs, releaseMs);
}

void UIEnvelopeDisplay::allocBuffers() noexcept {
    const auto width = static_cast<std::size_t>(std::max(position().width(), 0));
    // Relayouts come often (every crossover move): the old buffer is kept while the width holds.
    if (width != buffer_.size()) {
        rigging::freeSlice(buffer_);
        rigging::freeSlice(points_);
        buffer_ = rigging::mallocSlice<float>(width);
        points_ = rigging::mallocSlice<vec2f>(width);
    }
    calcPoints();
}

void UIEnvelopeDisplay::calcPoints() noexcept {
    if (redraw_.skip()) return;
    const int width = static_cast<int>(buffer_.size());
    int previousX = -1;
    float previous = 0.0f;
    bool changed = false;
    auto write = [&](int k, float v) {
        float& b = buffer_[static_cast<std::size_t>(k)];
        if (!(b == v)) changed = true;
        b = v;
    };
    for (int i = 0; i < width; ++i) {
        const float input = static_cast<float>(i) < attack_ ? kPulseLevel : 0.0f;
        const float out = detector_->detect(input);
        const int x = static_cast<int>(static_cast<long long>(width) * i / width);
        for (int k = previousX + 1; k < x; ++k) write(k, previous);
        write(x, out);
        previousX = x;
        previous = out;
    }
    // The detector goes on from where the last run stopped, so a relayout that only recomputes
    // can still change the curve; it must then be drawn.
    if (changed) setDirtyWhole(rigging::UILayer::rawOnly);
}

int UIEnvelopeDisplay::pixelFromFloat(float v) const noexcept {
    if (std::isnan(v)) v = 0.0f;
    const auto h = static_cast<float>(position().height());
    return static_cast<int>(std::ceil(h - h * v));
}

bool UIEnvelopeDisplay::skipDraw() noexcept {
    return redraw_.skip();
}

void UIEnvelopeDisplay::onParameterChanged(rigging::Parameter*) {
    redraw_.flagChange();
}

void UIEnvelopeDisplay::onAnimate(double, double) noexcept {
    bool changed = false;
    if (!redraw_.take(changed)) return;
    if (changed)
        updateBuffer(static_cast<float>(attackParam_->valueAtomic()),
                     static_cast<float>(releaseParam_->valueAtomic()));
    calcPoints();
    setDirtyWhole(rigging::UILayer::rawOnly);
}

void UIEnvelopeDisplay::onDrawRaw(rigging::ImageRef<RGBA> rawMap,
                                  std::span<const box2i> dirtyRects) noexcept {
    if (skipDraw()) return;
    const int w = position().width(), h = position().height();
    const std::size_t n = buffer_.size();
    for (std::size_t i = 0; i < n; ++i)
        points_[i] = vec2f(static_cast<float>(i), static_cast<float>(pixelFromFloat(buffer_[i])));
    const std::span<const vec2f> curve(points_.data(), n);
    for (const box2i& r : dirtyRects) {
        bindCanvas(area_, rawMap, r);
        bindCanvas(line_, rawMap, r);
        area_.fillStyle(kCurveBackground);
        area_.fillRect(0, 0, static_cast<float>(w), static_cast<float>(h));
        // The outline goes down first and the area over it.
        line_.fillStyle(kCurveLine);
        fillPolyline(line_, curve, 2.0f);
        area_.fillStyle(kCurveArea);
        fillAreaUnder(area_, curve, static_cast<float>(h));
        blendOverlay(rawMap, r, overlay_, true);
    }
}

void UIEnvelopeDisplay::onDrawPBR(rigging::ImageRef<RGBA>, rigging::ImageRef<rigging::L16> depthMap,
                                  rigging::ImageRef<RGBA>,
                                  std::span<const box2i> dirtyRects) noexcept {
    if (skipDraw()) return;
    fillDepth(depthMap, dirtyRects, 0);
}

}  // namespace brindlewave
