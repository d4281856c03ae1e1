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

constexpr RGBA kBackground{30, 30, 30, 255};
constexpr RGBA kArea{103, 218, 108, 150};
constexpr RGBA kLine{103, 218, 108, 255};
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
      band_(band),
      globalState_(globalState) {
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
        buffer_ = rigging::mallocSlice<float>(width);
    }
    calcPoints();
}

void UIEnvelopeDisplay::calcPoints() noexcept {
    if (globalState_->isPanelBeingMoved(band_)) {
        redrawPending_ = true;
        return;
    }
    const int width = static_cast<int>(buffer_.size());
    int previousX = -1;
    float previous = 0.0f;
    for (int i = 0; i < width; ++i) {
        const float input = static_cast<float>(i) < attack_ ? kPulseLevel : 0.0f;
        const float out = detector_->detect(input);
        const int x = static_cast<int>(static_cast<long long>(width) * i / width);
        for (int k = previousX + 1; k < x; ++k) buffer_[static_cast<std::size_t>(k)] = previous;
        buffer_[static_cast<std::size_t>(x)] = out;
        previousX = x;
        previous = out;
    }
}

int UIEnvelopeDisplay::pixelFromFloat(float v) const noexcept {
    if (std::isnan(v)) v = 0.0f;
    const auto h = static_cast<float>(position().height());
    return static_cast<int>(std::ceil(h - h * v));
}

bool UIEnvelopeDisplay::skipDraw() noexcept {
    if (!globalState_->isPanelBeingMoved(band_)) return false;
    redrawPending_ = true;
    return true;
}

void UIEnvelopeDisplay::onParameterChanged(rigging::Parameter*) {
    parametersChanged_.store(true, std::memory_order_release);
}

void UIEnvelopeDisplay::onAnimate(double, double) noexcept {
    if (globalState_->isPanelBeingMoved(band_)) return;
    const bool changed = parametersChanged_.exchange(false, std::memory_order_acq_rel);
    if (!changed && !redrawPending_) return;
    redrawPending_ = false;
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
    const int n = static_cast<int>(buffer_.size());
    for (const box2i& r : dirtyRects) {
        bindCanvas(area_, rawMap, r);
        bindCanvas(line_, rawMap, r);
        area_.fillStyle(kBackground);
        area_.fillRect(0, 0, static_cast<float>(w), static_cast<float>(h));
        if (n > 0) {
            area_.fillStyle(kArea);
            line_.fillStyle(kLine);
            area_.beginPath();
            vec2f previous(0.0f, static_cast<float>(pixelFromFloat(buffer_[0])));
            area_.moveTo(previous.x, previous.y);
            for (int i = 1; i < n; ++i) {
                const vec2f p(static_cast<float>(i),
                              static_cast<float>(pixelFromFloat(buffer_[static_cast<std::size_t>(i)])));
                area_.lineTo(p.x, p.y);
                fillLine(line_, previous, p, 2.0f);
                previous = p;
            }
            area_.lineTo(previous.x, static_cast<float>(h));
            area_.lineTo(0, static_cast<float>(h));
            area_.fill();
        }
        blendOverlay(rawMap, r, overlay_, true);
    }
}

void UIEnvelopeDisplay::onDrawPBR(rigging::ImageRef<RGBA>, rigging::ImageRef<rigging::L16> depthMap,
                                  rigging::ImageRef<RGBA>, std::span<const box2i> dirtyRects) noexcept {
    if (skipDraw()) return;
    fillDepth(depthMap, dirtyRects, 0);
}

}  // namespace brindlewave
