#pragma once
// A band's static compression curve: unity gain from the bottom-left corner up to the
// threshold (the knee), then a slope of 1 / ratio to the right edge, the area under it filled,
// an overlay image on top.
//
// Threshold and ratio changes may arrive on any thread; the listener raises a flag and the
// next animation tick recomputes the curve and redraws it.

#include <atomic>
#include <span>

#include "brindlewave/globals.h"
#include "geom/vector.h"
#include "rigging/canvas/canvas.h"
#include "rigging/client/floatparameter.h"
#include "rigging/client/parameterlistener.h"
#include "rigging/graphics/font.h"
#include "rigging/gui/element.h"

namespace brindlewave {

class UICompDisplay : public rigging::UIElement, public rigging::IParameterListener {
public:
    // Listens to threshold and ratio; the gain parameter and the font are kept for the panel's
    // use. The overlay is borrowed and may be null.
    UICompDisplay(rigging::UIContext* context, rigging::FloatParameter* threshold,
                  rigging::FloatParameter* ratio, rigging::FloatParameter* gain,
                  const rigging::OwnedImage<rigging::RGBA>* overlay, rigging::Font* font,
                  int band, GlobalState* globalState) noexcept;
    ~UICompDisplay() override;

    // Computes the curve for the element's size. Called by the owning panel after placing it.
    void allocBuffers() noexcept;
    // Start, knee and end in element pixels from the current threshold and ratio.
    void calcPoints() noexcept;
    geom::vec2f startPoint() const noexcept { return start_; }
    geom::vec2f kneePoint() const noexcept { return knee_; }
    geom::vec2f endPoint() const noexcept { return end_; }
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
    rigging::FloatParameter* thresholdParam_;
    rigging::FloatParameter* ratioParam_;
    rigging::FloatParameter* gainParam_;
    PanelRedraw redraw_;
    geom::vec2f start_;
    geom::vec2f knee_;
    geom::vec2f end_;
    const rigging::OwnedImage<rigging::RGBA>* overlay_;
    rigging::Font* font_;
    rigging::Canvas canvas_;
    bool pointsComputed_ = false;
};

}  // namespace brindlewave
