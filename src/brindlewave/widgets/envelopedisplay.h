#pragma once
// How a band's envelope detector answers a rectangular pulse with the band's attack and
// release: the response, one detector step per pixel column, drawn as a filled curve with a
// 2-pixel outline under an overlay image.
//
// Attack and release changes may arrive on any thread (host automation included); the
// listener only raises a flag and the response is recomputed on the next animation tick, on
// the window's threads, so that it is never rewritten while it is drawn.

#include <atomic>
#include <span>

#include "audiofx/util/envelope.h"
#include "brindlewave/globals.h"
#include "geom/vector.h"
#include "rigging/canvas/canvas.h"
#include "rigging/client/floatparameter.h"
#include "rigging/client/parameterlistener.h"
#include "rigging/gui/element.h"

namespace brindlewave {

class UIEnvelopeDisplay : public rigging::UIElement, public rigging::IParameterListener {
public:
    // Listens to both parameters. The overlay is borrowed and may be null.
    UIEnvelopeDisplay(rigging::UIContext* context, rigging::FloatParameter* attack,
                      rigging::FloatParameter* release,
                      const rigging::OwnedImage<rigging::RGBA>* overlay, int band,
                      GlobalState* globalState) noexcept;
    ~UIEnvelopeDisplay() override;

    // Stores the times (ms) and sets the detector so that the simulated time axis covers the
    // pulse and twice the release.
    void updateBuffer(float attackMs, float releaseMs) noexcept;
    // Sizes the response to the element's width (allocating only when the width changes) and
    // computes it. Called by the owning panel after placing the element.
    void allocBuffers() noexcept;
    // Runs the pulse through the detector (which keeps its state from run to run). Does
    // nothing but note a pending redraw while the band's panel moves.
    void calcPoints() noexcept;

    std::span<const float> response() const noexcept { return buffer_; }
    // ceil(height - height x v); NaN counts as 0.
    int pixelFromFloat(float v) const noexcept;
    bool skipDraw() noexcept;

    void onParameterChanged(rigging::Parameter* sender) override;
    void onBeginParameterEdit(rigging::Parameter*) override {}
    void onEndParameterEdit(rigging::Parameter*) override {}

    void onAnimate(double dt, double time) noexcept override;
    void onDrawRaw(rigging::ImageRef<rigging::RGBA> rawMap,
                   std::span<const geom::box2i> dirtyRects) noexcept override;
    void onDrawPBR(rigging::ImageRef<rigging::RGBA> diffuseMap,
                   rigging::ImageRef<rigging::L16> depthMap,
                   rigging::ImageRef<rigging::RGBA> materialMap,
                   std::span<const geom::box2i> dirtyRects) noexcept override;

private:
    std::span<float> buffer_;
    std::span<geom::vec2f> points_;  // the response in pixels, made at each draw
    float attack_ = 0.0f;
    float release_ = 0.0f;
    rigging::FloatParameter* attackParam_;
    rigging::FloatParameter* releaseParam_;
    audiofx::PeakDetector* detector_;
    const rigging::OwnedImage<rigging::RGBA>* overlay_;
    PanelRedraw redraw_;
    rigging::Canvas area_;
    rigging::Canvas line_;
};

}  // namespace brindlewave
